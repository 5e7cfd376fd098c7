#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include "DataSource.h"
#include "DbError.h"
#include "DbTestUtil.h"

namespace {

// A link that writes down what reached it.
class TLoggingLink : public TDataLink {
public:
  std::vector<std::string> Log;

protected:
  void ActiveChanged() override { Log.push_back("active"); }
  void DataSetChanged() override { Log.push_back("changed"); }
  void DataSetScrolled(int distance) override { Log.push_back("scrolled " + std::to_string(distance)); }
  void RecordChanged(TField*) override { Log.push_back("record"); }
};

// 50 folders k1..k50 (names n1..n50), seen through a window of 10 rows.
class Window : public ::testing::Test {
protected:
  void SetUp() override {
    t.SetTableName(MakeFolderFile(dir, 50));
    t.Open();
    source.SetDataSet(&t);
    link.SetDataSource(&source);
    link.SetBufferCount(10);
    link.Log.clear();
  }
  // The id that row i of the window shows, read the way a grid paints it.
  std::string RowId(int i) {
    int keep = link.ActiveRecord();
    link.SetActiveRecord(i);
    std::string id = t.FieldByName("FolderId")->AsString();
    link.SetActiveRecord(keep);
    return id;
  }
  std::string LastEvent() const { return link.Log.empty() ? "" : link.Log.back(); }
  TempDir dir;
  TZorudTable t;
  TDataSource source;
  TLoggingLink link;
};

// Runs moves given as words: f first, l last, n<d> move by d, r<n> record number n, g<n> locate kn.
void Move(TZorudTable& t, const std::string& moves) {
  std::istringstream in(moves);
  std::string w;
  while (in >> w) {
    int n = w.size() > 1 ? std::stoi(w.substr(1)) : 0;
    switch (w[0]) {
      case 'f': t.First(); break;
      case 'l': t.Last(); break;
      case 'n': t.MoveBy(n); break;
      case 'r': t.SetRecNo(n); break;
      case 'g': ASSERT_TRUE(t.Locate("FolderId", "k" + std::to_string(n))); break;
      default: FAIL() << "bad word " << w;
    }
  }
}

}  // namespace

TEST_F(Window, FollowsTheCurrentRecordAndTellsHowFarItMoved) {
  struct Case {
    const char* moves;
    int first, active;
    const char* event;
  } cases[] = {
      {"n5", 0, 5, "scrolled 0"},
      {"n9", 0, 9, "scrolled 0"},
      {"n12", 3, 9, "scrolled 3"},
      {"n12 n-4", 3, 5, "scrolled 0"},
      {"n12 n-10", 2, 0, "scrolled -1"},
      {"l", 40, 9, "changed"},
      {"l n-15", 34, 0, "scrolled -6"},
      {"l f", 0, 0, "changed"},
      {"r25", 15, 9, "changed"},
      {"l g30", 29, 0, "changed"},
      {"n100", 40, 9, "scrolled 40"},
      {"l n100", 40, 9, "changed"},  // at the end already: the last move tells nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.moves);
    t.First();
    link.Log.clear();
    Move(t, c.moves);
    EXPECT_EQ(link.FirstRecord(), c.first);
    EXPECT_EQ(link.ActiveRecord(), c.active);
    EXPECT_EQ(link.RecordCount(), 10);
    EXPECT_EQ(LastEvent(), c.event);
    EXPECT_EQ(RowId(link.ActiveRecord()), "k" + std::to_string(t.RecNo()));
  }
}

TEST_F(Window, ReadingARowLeavesTheCursorAndTheEventsAlone) {
  int scrolls = 0, changes = 0;
  t.AfterScroll = [&](TZorudDataset&) { ++scrolls; };
  source.OnDataChange = [&](TDataSource&, TField*) { ++changes; };
  t.MoveBy(12);  // rows k4..k13, k13 current
  scrolls = changes = 0;
  link.Log.clear();
  TBookmark current = t.GetBookmark();
  std::vector<TBookmark> seen;
  for (int i = 0; i < link.RecordCount(); ++i) {
    link.SetActiveRecord(i);
    EXPECT_EQ(link.ActiveRecord(), i);
    EXPECT_EQ(t.FieldByName("FolderId")->AsString(), "k" + std::to_string(4 + i));
    EXPECT_EQ(t.FieldByName("FolderName")->AsString(), "n" + std::to_string(4 + i));
    seen.push_back(t.GetBookmark());
  }
  link.SetActiveRecord(9);
  EXPECT_EQ(t.ActiveRow(), -1) << "the current record's row reads the cursor itself";
  EXPECT_EQ(t.RecNo(), 13);
  EXPECT_EQ(t.GetBookmark(), current);
  EXPECT_EQ(seen[9], current);
  EXPECT_EQ(std::set<TBookmark>(seen.begin(), seen.end()).size(), 10u);
  EXPECT_EQ(scrolls + changes, 0);
  EXPECT_TRUE(link.Log.empty());
  // A row left active ends with the next move: fields read the new current record.
  link.SetActiveRecord(0);
  t.Next();
  EXPECT_EQ(link.FirstRecord(), 4);
  EXPECT_EQ(link.ActiveRecord(), 9);
  EXPECT_EQ(t.FieldByName("FolderId")->AsString(), "k14");
}

TEST_F(Window, BufferSizeDeletesAndInsertsKeepTheWindowFull) {
  t.Last();
  link.SetBufferCount(20);
  EXPECT_EQ(link.FirstRecord(), 30);
  EXPECT_EQ(link.ActiveRecord(), 19);
  link.SetBufferCount(80);
  EXPECT_EQ(link.FirstRecord(), 0);
  EXPECT_EQ(link.RecordCount(), 50);
  link.SetBufferCount(10);
  EXPECT_EQ(link.FirstRecord(), 40);

  t.Delete();  // the last row goes: the window slides back a row to stay full
  EXPECT_EQ(link.FirstRecord(), 39);
  EXPECT_EQ(link.RecordCount(), 10);
  EXPECT_EQ(RowId(9), "k49");

  // An appended record is the row after the last until it is posted or cancelled.
  t.First();
  t.Append();
  t.FieldByName("FolderId")->SetAsString("new");
  EXPECT_EQ(link.FirstRecord(), 40);
  EXPECT_EQ(link.ActiveRecord(), 9);
  EXPECT_EQ(RowId(9), "new");
  EXPECT_EQ(RowId(8), "k49");
  link.SetActiveRecord(8);
  EXPECT_NE(t.GetBookmark(), 0u);
  link.SetActiveRecord(9);
  EXPECT_EQ(t.GetBookmark(), 0u) << "the new record has none until it is posted";
  t.Cancel();
  EXPECT_EQ(link.FirstRecord(), 0);
  EXPECT_EQ(RowId(0), "k1");

  // While editing, the current row shows the edit and the others what is stored.
  t.MoveBy(2);
  t.Edit();
  t.FieldByName("FolderId")->SetAsString("edited");
  EXPECT_EQ(RowId(2), "edited");
  EXPECT_EQ(RowId(1), "k2");
  t.Cancel();
  EXPECT_EQ(RowId(2), "k3");
}

TEST_F(Window, EmptyAndClosedTablesHaveNoRows) {
  t.Close();
  EXPECT_EQ(LastEvent(), "active");
  EXPECT_EQ(link.RecordCount(), 0);
  EXPECT_EQ(link.ActiveRecord(), 0);
  link.SetActiveRecord(3);  // nothing to read: no harm
  t.SetTableName(MakeFolderFile(dir, 0, "Empty.d"));
  t.Open();
  EXPECT_EQ(link.RecordCount(), 0);
  t.Append();
  EXPECT_EQ(link.RecordCount(), 1);
  EXPECT_EQ(link.ActiveRecord(), 0);
  t.FieldByName("FolderId")->SetAsString("k1");
  t.Post();
  EXPECT_EQ(link.RecordCount(), 1);
  EXPECT_EQ(RowId(0), "k1");
}

TEST(Fields, WhatAnEditMayChange) {
  TempDir dir;
  TZorudTable t;
  t.SetTableName(MakeFolderFile(dir, 1));
  t.AddField("FolderId", ftString, 20);
  t.AddField("FolderName", ftString, 100)->ReadOnly = true;
  t.AddField("Shown", ftString, 20, fkCalculated);
  t.Open();
  EXPECT_FALSE(t.DefaultFields());
  EXPECT_EQ(t.FieldByName("FolderName")->Index(), 1);
  EXPECT_TRUE(t.FieldByName("FolderId")->CanModify());
  EXPECT_FALSE(t.FieldByName("FolderName")->CanModify());
  EXPECT_FALSE(t.FieldByName("Shown")->CanModify());
  t.SetReadOnly(true);
  EXPECT_FALSE(t.FieldByName("FolderId")->CanModify());
  EXPECT_EQ(t.FieldByName("FolderId")->DisplayWidth(), 20);

  TZorudTable plain;
  plain.SetTableName(dir / "Folders.d");
  plain.Open();
  EXPECT_TRUE(plain.DefaultFields());
}
