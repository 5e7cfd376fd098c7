#include "Component.h"
#include "Exception.h"
#include <gtest/gtest.h>
#include <vector>

namespace {
std::vector<std::string> events;

class Probe : public TComponent {
public:
  Probe(TComponent* owner, std::string name) : TComponent(owner) { Name = std::move(name); }
  ~Probe() override { events.push_back("free " + Name); }
  void Loaded() override { events.push_back("loaded " + Name + (Loading() ? " (still loading)" : "")); }
  TComponent* watched = nullptr;

protected:
  void Notification(TComponent* c, TOperation op) override {
    if (op == opRemove && c == watched) {
      events.push_back(Name + " told of " + c->Name);
      watched = nullptr;
    }
  }
};
}

TEST(Component, OwnerFreesOwnedLastMadeFirstAndChildLeavesOwner) {
  events.clear();
  auto* form = new Probe(nullptr, "form");
  new Probe(form, "a");
  auto* b = new Probe(form, "b");
  new Probe(b, "b1");
  EXPECT_EQ(form->ComponentCount(), 2);
  delete new Probe(form, "c");
  EXPECT_EQ(form->ComponentCount(), 2);
  events.clear();
  delete form;
  EXPECT_EQ(events, (std::vector<std::string>{"free form", "free b", "free b1", "free a"}));
}

TEST(Component, LoadingFlagsThenLoadedOnEveryComponent) {
  events.clear();
  Probe form(nullptr, "form");
  auto* a = new Probe(&form, "a");
  form.BeginLoading();
  EXPECT_TRUE(a->Loading());
  form.EndLoading();
  EXPECT_FALSE(a->Loading());
  EXPECT_EQ(events, (std::vector<std::string>{"loaded a", "loaded form"}));
}

TEST(Component, FreeNotificationTellsTheWatcherOnce) {
  events.clear();
  Probe watcher(nullptr, "watcher");
  auto* other = new Probe(nullptr, "other");
  watcher.watched = other;
  watcher.FreeNotification(other);
  watcher.FreeNotification(other);
  delete other;
  EXPECT_EQ(watcher.watched, nullptr);
  EXPECT_EQ(events, (std::vector<std::string>{"free other", "watcher told of other"}));
}

TEST(Component, AssignOfTheBaseRefuses) {
  Probe a(nullptr, "a"), b(nullptr, "b");
  EXPECT_THROW(a.Assign(b), Exception);
}
