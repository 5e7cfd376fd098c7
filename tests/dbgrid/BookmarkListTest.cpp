#include <gtest/gtest.h>
#include <algorithm>
#include "DbError.h"
#include "DbTestUtil.h"
#include "FakeGrid.h"
#include "GridError.h"

namespace {

// Ten folders k1..k10 on a grid's link.
class SelectedRows : public ::testing::Test {
protected:
  void SetUp() override {
    t.SetTableName(MakeFolderFile(dir, 10));
    t.Open();
    source.SetDataSet(&t);
    grid.Link.SetDataSource(&source);
    grid.Log.clear();
  }
  TBookmark Go(int id) {
    EXPECT_TRUE(t.Locate("FolderId", "k" + std::to_string(id)));
    return t.GetBookmark();
  }
  // Goes to kid and (de)selects it: the log holds what the selecting told the grid.
  void Select(int id, bool value = true) {
    Go(id);
    grid.Log.clear();
    list.SetCurrentRowSelected(value);
  }
  std::string Ids() { return Rows(t, "FolderId", "FolderId"); }
  TempDir dir;
  TZorudTable t;
  TDataSource source;
  TFakeGrid grid;
  TBookmarkList& list = grid.SelectedRows;
};

}  // namespace

TEST_F(SelectedRows, KeptSortedAndFoundByBinarySearch) {
  std::vector<TBookmark> chosen;
  for (int id : {7, 2, 9, 5, 1}) {
    Select(id);
    EXPECT_EQ(grid.TakeLog(), "InvalidateCurrentRow, MultiSelectChanged");
    chosen.push_back(t.GetBookmark());
  }
  // Twice selected is one entry; deselecting an unselected row changes nothing and tells nobody.
  Select(2);
  Select(4, false);
  EXPECT_EQ(grid.TakeLog(), "");
  ASSERT_EQ(list.Count(), 5);

  std::sort(chosen.begin(), chosen.end(), [&](TBookmark a, TBookmark b) { return t.CompareBookmarks(a, b) < 0; });
  for (size_t i = 0; i < chosen.size(); ++i) {
    int index = -1;
    EXPECT_TRUE(list.Find(chosen[i], index));
    EXPECT_EQ(index, int(i));
  }
  for (int id : {3, 4, 6, 8, 10}) {
    TBookmark b = Go(id);
    EXPECT_FALSE(list.CurrentRowSelected()) << id;
    int index = -1;
    EXPECT_FALSE(list.Find(b, index));
    int before = int(std::count_if(chosen.begin(), chosen.end(), [&](TBookmark c) { return t.CompareBookmarks(c, b) < 0; }));
    EXPECT_EQ(index, before) << "insert position of k" << id;
  }
  Select(5, false);
  EXPECT_EQ(grid.TakeLog(), "InvalidateCurrentRow, MultiSelectChanged");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_FALSE(list.CurrentRowSelected());
}

TEST_F(SelectedRows, FindIsAnsweredFromItsCacheUntilTheListChanges) {
  Select(3);
  TBookmark b6 = Go(6);
  int index = -1;
  EXPECT_FALSE(list.Find(b6, index));
  EXPECT_EQ(index, 1);
  list.SetCurrentRowSelected(true);  // an insertion forgets the cached "not found"
  EXPECT_TRUE(list.Find(b6, index));
  EXPECT_EQ(index, 1);

  // With the dataset gone a search cannot compare: only the cached answer still comes.
  TBookmark b3 = Go(3);
  EXPECT_TRUE(list.Find(b6, index));
  grid.PassesLinkActive = false;
  source.SetDataSet(nullptr);
  EXPECT_TRUE(list.Find(b6, index));
  EXPECT_EQ(index, 1);
  EXPECT_THROW(list.Find(b3, index), EInvalidGridOperation);
}

TEST_F(SelectedRows, ClearTellsTheGridOnlyWhenThereWasSomethingToClear) {
  list.Clear();
  EXPECT_EQ(grid.TakeLog(), "");
  Select(4);
  Select(8);
  grid.Log.clear();
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(grid.TakeLog(), "InvalidateGrid, MultiSelectChanged");
  list.Clear();
  EXPECT_EQ(grid.TakeLog(), "");
}

TEST_F(SelectedRows, DeleteGoesFromTheLastToTheFirstAndSkipsRowsThatAreGone) {
  std::vector<std::string> deleted;
  t.BeforeDelete = [&](TZorudDataset& ds) { deleted.push_back(ds.FieldByName("FolderId")->AsString()); };
  for (int id : {5, 2, 9, 6}) Select(id);
  Go(6);
  t.Delete();  // k6 goes behind the list's back
  deleted.clear();
  grid.Log.clear();
  list.Delete();
  EXPECT_EQ(deleted, (std::vector<std::string>{"k9", "k5", "k2"}));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(Ids(), "k1=k1 *k3=k3 k4=k4 k7=k7 k8=k8 k10=k10");
  EXPECT_FALSE(t.ControlsDisabled());
  std::string log = grid.TakeLog();
  EXPECT_EQ(log.find("MultiSelectChanged"), std::string::npos) << log;
  EXPECT_NE(log.find("DataChanged"), std::string::npos) << "the grid hears of it once controls are enabled";
}

TEST_F(SelectedRows, AnErrorStopsDeleteWithTheControlsEnabledAgain) {
  std::vector<std::string> deleted;
  t.BeforeDelete = [&](TZorudDataset& ds) {
    deleted.push_back(ds.FieldByName("FolderId")->AsString());
    ds.SetReadOnly(true);  // the next one is refused
  };
  for (int id : {2, 4, 7}) Select(id);
  try {
    list.Delete();
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message, "Read-only record cannot be deleted");
  }
  EXPECT_EQ(deleted, std::vector<std::string>{"k7"});
  EXPECT_EQ(t.RecordCount(), 9);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_TRUE((Go(2), list.CurrentRowSelected()));
  EXPECT_TRUE((Go(4), list.CurrentRowSelected()));
  EXPECT_FALSE(t.ControlsDisabled());
}

TEST_F(SelectedRows, TheCurrentRowOfAClosedDatasetIsAnError) {
  Select(3);
  t.Close();
  EXPECT_EQ(list.Count(), 0) << "the link going inactive empties the list";
  for (bool write : {false, true}) {
    try {
      write ? list.SetCurrentRowSelected(true) : (void)list.CurrentRowSelected();
      ADD_FAILURE() << "no error";
    } catch (const EInvalidGridOperation& e) {
      EXPECT_EQ(e.Message, "Cannot perform this operation on a closed dataset");
    }
  }
}
