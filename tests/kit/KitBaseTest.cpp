#include "KitBaseController.h"
#include "KitCustomComponent.h"
#include "KitObject.h"
#include <gtest/gtest.h>

namespace {
struct TRecordingClient : TKitControllerClient {
  std::vector<int>* log;
  int id;
  TRecordingClient(std::vector<int>* log, int id) : log(log), id(id) {}
  void ControllerChanged() override { log->push_back(id); }
};
}

template <typename T>
void CheckUpdateLock(T& object) {
  int changes = 0;
  object.OnChange = [&](auto* sender) { EXPECT_EQ(sender, &object); ++changes; };
  object.Change();
  EXPECT_EQ(changes, 1);
  object.BeginUpdate();
  object.BeginUpdate();  // no nesting count
  object.Change();
  EXPECT_EQ(changes, 1);
  object.EndUpdate(false);  // one EndUpdate unlocks, without firing
  EXPECT_FALSE(object.Locked());
  EXPECT_EQ(changes, 1);
  object.BeginUpdate();
  object.EndUpdate(true);
  EXPECT_EQ(changes, 2);
  object.GetChange(nullptr);
  EXPECT_EQ(changes, 3);
}

TEST(KitBase, ObjectAndComponentChangeUnderUpdateLock) {
  TKitObject object;
  CheckUpdateLock(object);
  TKitCustomComponent component(nullptr);
  CheckUpdateLock(component);
}

TEST(KitBase, ControllerPassesChangesToClientsInOrder) {
  std::vector<int> log;
  TKitBaseController controller(nullptr);
  int changes = 0;
  controller.OnChange = [&](TComponent*) { ++changes; };
  TRecordingClient a(&log, 1), b(&log, 2), c(&log, 3);
  controller.AddClient(&a);
  controller.AddClient(&b);
  controller.AddClient(&c);
  controller.Change();
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(changes, 1);

  controller.RemoveClient(&b);
  EXPECT_EQ(b.Controller(), nullptr);
  TRecordingClient stranger(&log, 9);
  controller.RemoveClient(&stranger);  // not linked: ignored
  log.clear();
  controller.Change();
  EXPECT_EQ(log, (std::vector<int>{1, 3}));

  // Locked or loading: neither OnChange nor the clients.
  log.clear();
  controller.BeginUpdate();
  controller.Change();
  controller.EndUpdate(false);
  controller.BeginLoading();
  controller.Change();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(changes, 2);
}

TEST(KitBase, ControllerUnlinksClientsWhenDestroyed) {
  std::vector<int> log;
  TRecordingClient a(&log, 1), b(&log, 2);
  {
    TKitBaseController controller(nullptr);
    controller.AddClient(&a);
    controller.AddClient(&b);
  }
  EXPECT_EQ(a.Controller(), nullptr);
  EXPECT_EQ(b.Controller(), nullptr);
  // A client destroyed first unlinks itself.
  TKitBaseController controller(nullptr);
  {
    TRecordingClient gone(&log, 5);
    controller.AddClient(&gone);
  }
  EXPECT_TRUE(controller.Clients().empty());
}
