#include <gtest/gtest.h>
#include <sstream>
#include "DataSource.h"
#include "DbError.h"
#include "DbTestUtil.h"
#include "RaisedText.h"

namespace {

// Runs a sequence of words on a folder table: g<id> locate, e<name> edit and set the name,
// a<id> append (name "new"), p post, c cancel, d delete, C commit, R rollback, S post and save.
void Apply(TZorudTable& t, const std::string& ops) {
  std::istringstream in(ops);
  std::string w;
  while (in >> w) {
    std::string arg = w.substr(1);
    switch (w[0]) {
      case 'g': ASSERT_TRUE(t.Locate("FolderID", "k" + arg)) << w; break;
      case 'e': t.Edit(); t.FieldByName("FolderName")->SetAsString(arg); break;
      case 'a': t.Append(); t.FieldByName("FolderId")->SetAsString("k" + arg); t.FieldByName("FolderName")->SetAsString("new"); break;
      case 'p': t.Post(); break;
      case 'c': t.Cancel(); break;
      case 'd': t.Delete(); break;
      case 'C': t.CommitChanges(); break;
      case 'R': t.RollbackChanges(); break;
      case 'S': t.PostAndSave(); break;
      default: FAIL() << "bad word " << w;
    }
  }
}

class StoreRules : public ::testing::Test {
protected:
  void SetUp() override {
    file = MakeFolderFile(dir, 5);
    original = ReadWholeFile(file);
    t.SetTableName(file);
    t.Open();
  }
  // The table as a fresh reader sees it after a save to another file.
  std::string Saved() {
    t.SaveToFile(dir / "check.d", 0);
    TZorudTable back;
    back.SetTableName(dir / "check.d");
    back.Open();
    return Rows(back, "FolderId", "FolderName");
  }
  TempDir dir;
  std::string file, original;
  TZorudTable t;
};

}  // namespace

TEST_F(StoreRules, SequencesOfChanges) {
  struct Case {
    const char* ops;
    const char* view;  // the view afterwards, current row starred
    int changes;
  } cases[] = {
      {"g2 ex p", "k1=n1 *k2=x k3=n3 k4=n4 k5=n5", 1},
      {"g2 ex c", "k1=n1 *k2=n2 k3=n3 k4=n4 k5=n5", 0},
      // A cancel drops only the edit buffer: the posted and saved edit stays.
      {"g2 ex p S ey c", "k1=n1 *k2=x k3=n3 k4=n4 k5=n5", 1},
      {"g2 ex p R", "k1=n1 *k2=n2 k3=n3 k4=n4 k5=n5", 0},
      {"g2 ex p ey p R", "k1=n1 *k2=n2 k3=n3 k4=n4 k5=n5", 0},
      {"g2 ex p C R", "k1=n1 *k2=x k3=n3 k4=n4 k5=n5", 0},
      {"g3 d", "k1=n1 k2=n2 *k4=n4 k5=n5", 1},
      {"g5 d", "k1=n1 k2=n2 k3=n3 *k4=n4", 1},
      {"g1 d g2 d", "*k3=n3 k4=n4 k5=n5", 2},
      {"g3 d R", "k1=n1 k2=n2 k3=n3 *k4=n4 k5=n5", 0},
      {"g3 d C R", "k1=n1 k2=n2 *k4=n4 k5=n5", 0},
      {"a6 p", "k1=n1 k2=n2 k3=n3 k4=n4 k5=n5 *k6=new", 1},
      {"a6 c", "*k1=n1 k2=n2 k3=n3 k4=n4 k5=n5", 0},
      {"g2 a6 p g2", "k1=n1 *k2=n2 k3=n3 k4=n4 k5=n5 k6=new", 1},
      {"a6 p R", "*k1=n1 k2=n2 k3=n3 k4=n4 k5=n5", 0},
      {"a6 p g6 d", "k1=n1 k2=n2 k3=n3 k4=n4 *k5=n5", 2},
      {"a6 p g6 d R", "k1=n1 k2=n2 k3=n3 k4=n4 *k5=n5", 0},
      {"a6 p C g6 d R", "k1=n1 k2=n2 k3=n3 k4=n4 *k5=n5 k6=new", 0},
      {"g4 ex d", "k1=n1 k2=n2 k3=n3 *k5=n5", 2},
      {"g2 ex a6", "k1=n1 k2=x k3=n3 k4=n4 k5=n5 *k6=new", 2},  // append posts the edit first
      {"g1 d g2 d g3 d g4 d g5 d", "", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ops);
    t.Close();
    WriteWholeFile(file, original);
    t.Open();
    Apply(t, c.ops);
    t.CheckBrowseMode();
    EXPECT_EQ(Rows(t, "FolderId", "FolderName"), c.view);
    EXPECT_EQ(t.ChangeCount(), c.changes);
    std::string saved = c.view;
    saved.erase(std::remove(saved.begin(), saved.end(), '*'), saved.end());
    std::string reread = Saved();
    reread.erase(std::remove(reread.begin(), reread.end(), '*'), reread.end());
    EXPECT_EQ(reread, saved);
    if (!*c.view) {
      EXPECT_TRUE(t.IsEmpty());
      EXPECT_TRUE(t.Eof());
    }
  }
}

TEST_F(StoreRules, CancelAfterPostedEditKeepsTheFileAndTheRow) {
  Apply(t, "g2 ex p S");
  std::string onDisk = ReadWholeFile(file);
  Apply(t, "ey c S");
  EXPECT_EQ(t.FieldByName("FolderName")->AsString(), "x");
  EXPECT_EQ(ReadWholeFile(file), onDisk);
  EXPECT_EQ(t.UpdateStatus(), usModified);
}

TEST_F(StoreRules, NeedToSaveChangeFiresAtTheEdgesOfTheCounter) {
  int fired = 0;
  t.OnNeedToSaveChange = [&](TZorudDataset&) { ++fired; };
  Apply(t, "g1 ea p eb p g2 ec p");
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(t.ChangeCount(), 3);
  t.CommitChanges();
  EXPECT_EQ(fired, 2);
  Apply(t, "ed c");
  EXPECT_EQ(fired, 4);  // 0 -> 1 and back to 0
  Apply(t, "d");
  EXPECT_EQ(fired, 5);
  t.RollbackChanges();
  EXPECT_EQ(fired, 6);
  EXPECT_EQ(t.RecordCount(), 5);
}

TEST_F(StoreRules, DeleteEventsAndSaveAfterEachDeletion) {
  std::vector<std::string> seen;
  t.BeforeDelete = [&](TZorudDataset& d) { seen.push_back("before " + d.FieldByName("FolderId")->AsString()); };
  t.AfterDelete = [&](TZorudDataset& d) {
    seen.push_back("after " + d.FieldByName("FolderId")->AsString());
    d.PostAndSave();
  };
  Apply(t, "g3 d");
  EXPECT_EQ(seen, (std::vector<std::string>{"before k3", "after k4"}));
  TZorudTable back;
  back.SetTableName(file);
  back.Open();
  EXPECT_EQ(Rows(back, "FolderId", "FolderName"), "*k1=n1 k2=n2 k4=n4 k5=n5");
  // PostAndSave with nothing to save leaves the file alone.
  DeleteFileA(file.c_str());
  back.PostAndSave();
  EXPECT_EQ(ReadWholeFile(file), "<missing>");
}

TEST_F(StoreRules, MovingAndRecordNumbers) {
  t.First();
  EXPECT_TRUE(t.Bof());
  int n = 0;
  while (!t.Eof()) {
    ++n;
    t.Next();
  }
  EXPECT_EQ(n, 5);
  EXPECT_EQ(t.FieldByName("FolderId")->AsString(), "k5");
  t.SetRecNo(0);
  EXPECT_EQ(t.RecNo(), 1);
  t.SetRecNo(99);
  EXPECT_EQ(t.RecNo(), 5);
  EXPECT_EQ(t.MoveBy(-2), -2);
  EXPECT_EQ(t.FieldByName("FolderId")->AsString(), "k3");
  t.Last();
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(t.IsEmpty());
}

TEST_F(StoreRules, LocateExactAndWithOptions) {
  EXPECT_TRUE(t.Locate("FolderName", "n4"));
  EXPECT_EQ(t.FieldByName("FolderId")->AsString(), "k4");
  EXPECT_FALSE(t.Locate("FolderName", "N4"));
  EXPECT_EQ(t.FieldByName("FolderId")->AsString(), "k4");  // no move when not found
  EXPECT_FALSE(t.Locate("FolderId", "k"));
  EXPECT_TRUE(t.Locate("FolderName", "N2", loCaseInsensitive));
  EXPECT_EQ(t.FieldByName("FolderId")->AsString(), "k2");
  EXPECT_TRUE(t.Locate("FolderId", "K", loCaseInsensitive | loPartialKey));
  EXPECT_EQ(t.FieldByName("FolderId")->AsString(), "k1");
  // On a sorted, case-sensitive index the search is binary; the answers are the same.
  t.SetIndexFieldNames("FolderId");
  for (int i = 5; i >= 1; --i) {
    ASSERT_TRUE(t.Locate("FolderID", "k" + std::to_string(i)));
    EXPECT_EQ(t.FieldByName("FolderName")->AsString(), "n" + std::to_string(i));
  }
  EXPECT_FALSE(t.Locate("FolderId", "k0"));
  EXPECT_FALSE(t.Locate("FolderId", "k9"));
  t.SetSortOptions(vsoDescendSort);
  EXPECT_EQ(Rows(t, "FolderId", "FolderName").substr(0, 5), "k5=n5");
  ASSERT_TRUE(t.Locate("FolderId", "k2"));
  EXPECT_EQ(t.FieldByName("FolderName")->AsString(), "n2");
  auto found = t.Lookup("FolderId", {"k3"}, "FolderName;FolderId");
  ASSERT_TRUE(found[0].has_value());
  EXPECT_EQ(*found[0], "n3");
  EXPECT_EQ(t.FieldByName("FolderName")->AsString(), "n2");
  EXPECT_FALSE(t.Lookup("FolderId", {"zz"}, "FolderName")[0].has_value());
}

// A posted row keeps its place in a sorted view until the view is rebuilt: the searches on the
// index must find it there, and every other row too.
TEST(Store, SearchesOnTheIndexFindRowsPostedSinceTheSort) {
  struct Case {
    TZorudSortOptions sort;
    std::vector<std::string> appended;
    const char* editFrom;  // then this row's key is changed to editTo
    const char* editTo;
  } cases[] = {
      {0, {"k2", "k4", "k6", "k1"}, nullptr, nullptr},
      {vsoDescendSort, {"k6", "k4", "k2", "k9"}, nullptr, nullptr},
      {0, {"k2", "k4", "k6", "k8"}, "k8", "k1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.appended.back() + (c.sort ? " descending" : ""));
    TZorudTable t;
    DefineFolders(t);
    t.Open();
    t.SetIndexFieldNames("FolderId");
    t.SetSortOptions(c.sort);
    std::vector<std::string> ids;
    for (const std::string& id : c.appended) {
      AddRow(t, {{"FolderId", id}, {"FolderName", "n" + id}});
      ids.push_back(id);
    }
    if (c.editFrom) {
      ASSERT_TRUE(t.Locate("FolderId", c.editFrom));
      t.Edit();
      t.FieldByName("FolderId")->SetAsString(c.editTo);
      t.FieldByName("FolderName")->SetAsString(std::string("n") + c.editTo);
      t.Post();
      ids.back() = c.editTo;
    }
    for (const std::string& id : ids) {
      auto name = t.Lookup("FolderId", {id}, "FolderName")[0];
      EXPECT_EQ(name.value_or("<none>"), "n" + id);
      t.First();
      ASSERT_TRUE(t.Locate("FolderId", id)) << id;
      EXPECT_EQ(t.FieldByName("FolderName")->AsString(), "n" + id);
    }
    EXPECT_FALSE(t.Locate("FolderId", "k5"));
  }
}

TEST_F(StoreRules, BookmarksAreNeverReused) {
  t.Locate("FolderId", "k3");
  TBookmark b3 = t.GetBookmark();
  t.First();
  TBookmark b1 = t.GetBookmark();
  EXPECT_NE(b1, b3);
  EXPECT_LT(t.CompareBookmarks(0, b1), 0);
  EXPECT_EQ(t.CompareBookmarks(b3, b3), 0);
  t.GotoBookmark(b3);
  EXPECT_EQ(t.FieldByName("FolderId")->AsString(), "k3");
  t.FreeBookmark(b3);
  t.Delete();
  EXPECT_FALSE(t.BookmarkValid(b3));
  try {
    t.GotoBookmark(b3);  // gone: an error, and the current row stays
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message, "Record is not found");
  }
  EXPECT_EQ(t.FieldByName("FolderId")->AsString(), "k4");
  t.PostAndSave();
  t.Close();
  t.Open();
  for (int i = 0; i < t.RecordCount(); ++i) {
    t.SetRecNo(i + 1);
    EXPECT_NE(t.GetBookmark(), b1);
    EXPECT_FALSE(t.BookmarkValid(b1));
  }
}

TEST_F(StoreRules, ReadOnlyRefusesChanges) {
  t.SetReadOnly(true);
  EXPECT_EQ(RaisedText<EDatabaseError>([&] { t.Edit(); }), "Read-only record cannot be changed");
  EXPECT_EQ(RaisedText<EDatabaseError>([&] { t.Append(); }), "You have read only access, you can not add records!");
  EXPECT_EQ(RaisedText<EDatabaseError>([&] { t.Delete(); }), "Read-only record cannot be deleted");
  EXPECT_EQ(RaisedText<EDatabaseError>([&] { t.FieldByName("FolderName")->SetAsString("x"); }), "Table is not in edit or insert mode");
  EXPECT_EQ(t.ChangeCount(), 0);
  t.SetReadOnly(false);
  t.FieldByName("FolderName")->ReadOnly = true;
  t.Edit();
  EXPECT_EQ(RaisedText<EDatabaseError>([&] { t.FieldByName("FolderName")->SetAsString("x"); }), "Field 'FolderName' is read only!");
  t.Cancel();
}

TEST_F(StoreRules, DisableControlsHoldsBackDataEvents) {
  TDataSource source;
  int changes = 0;
  source.OnDataChange = [&](TDataSource&, TField*) { ++changes; };
  source.SetDataSet(&t);
  t.Next();
  EXPECT_GT(changes, 0);
  changes = 0;
  t.DisableControls();
  t.Next();
  t.Edit();
  t.FieldByName("FolderName")->SetAsString("z");
  t.Post();
  EXPECT_EQ(changes, 0);
  t.EnableControls();
  EXPECT_EQ(changes, 1);
}

TEST_F(StoreRules, RefreshSavesReloadsAndFindsTheRowAgain) {
  t.UniqueFieldNames = "FolderId";
  Apply(t, "g3 ex p");
  t.Last();
  Apply(t, "g3");
  t.Refresh();  // saves the pending edit first
  EXPECT_EQ(t.FieldByName("FolderId")->AsString(), "k3");
  EXPECT_EQ(t.FieldByName("FolderName")->AsString(), "x");
  TZorudTable back;
  back.SetTableName(file);
  back.Open();
  EXPECT_EQ(Rows(back, "FolderId", "FolderName"), "*k1=n1 k2=n2 k3=x k4=n4 k5=n5");
}

TEST(Store, DefaultsAndNulls) {
  TZorudTable t;
  t.FieldDefs.Add("Key", ftString, 10);
  t.FieldDefs.Add("Word", ftString, 10);
  t.FieldDefs.Add("When", ftDate);
  t.FieldDefs.Add("Count", ftInteger);
  t.FieldDefs.Add("Flag", ftBoolean);
  t.Open();
  t.FieldByName("Key")->DefaultExpression = "UNICOD";
  t.FieldByName("Word")->DefaultExpression = "TODAY";
  t.FieldByName("When")->DefaultExpression = "TODAY";
  t.Append();
  EXPECT_EQ(t.FieldByName("Key")->AsString().size(), 8u);
  EXPECT_EQ(t.FieldByName("Word")->AsString(), "TODAY");
  EXPECT_FALSE(t.FieldByName("When")->IsNull());
  EXPECT_FALSE(t.FieldByName("Count")->IsNull());  // all-zero integer: 0
  EXPECT_EQ(t.FieldByName("Count")->AsInteger(), 0);
  t.FieldByName("When")->Clear();
  EXPECT_TRUE(t.FieldByName("When")->IsNull());  // all-zero date: null
  EXPECT_THROW(t.FieldByName("Count")->SetAsString("12x"), EConvertError);
  t.FieldByName("Flag")->SetAsBoolean(true);
  // Dates go through the user's formats and back.
  TDateTime day = EncodeDate(2024, 3, 7);
  t.FieldByName("When")->SetAsString(DateToStr(day));
  EXPECT_EQ(t.FieldByName("When")->AsDateTime(), day);
  EXPECT_EQ(t.FieldByName("When")->AsString(), DateToStr(day));
  EXPECT_THROW(t.FieldByName("When")->SetAsString("not a date"), EConvertError);
  t.Post();
  EXPECT_TRUE(t.FieldByName("Flag")->AsBoolean());
  EXPECT_EQ(t.FieldByName("Key")->AsString().size(), 8u);
}

TEST(Store, MasterDetailShowsTheCallsOfTheCurrentFolder) {
  TempDir dir;
  TZorudTable folders, calls;
  DefineFolders(folders);
  folders.Open();
  AddRow(folders, {{"FolderId", "F1"}, {"FolderName", "General"}});
  AddRow(folders, {{"FolderId", "F2"}, {"FolderName", "Work"}});
  DefineRecordings(calls);
  calls.Open();
  AddRow(calls, {{"id", "c1"}, {"FolderId", "F1"}});
  AddRow(calls, {{"id", "c2"}, {"FolderId", "F2"}});
  AddRow(calls, {{"id", "c3"}, {"FolderId", "F1"}});
  folders.SaveToFile(dir / "Folders.d");
  calls.SaveToFile(dir / "Recordings.d");
  folders.SetTableName(dir / "Folders.d");
  calls.SetTableName(dir / "Recordings.d");

  TDataSource source;
  source.SetDataSet(&folders);
  calls.SetMasterSource(&source);
  calls.SetMasterFields("FolderID");
  calls.SetRangeFieldNames("FolderId");
  calls.Open();
  EXPECT_EQ(calls.RecordCount(), 3);  // master closed: every call shows
  folders.Open();
  EXPECT_EQ(Rows(calls, "id", "FolderId"), "*c1=F1 c3=F1");
  ASSERT_TRUE(folders.Locate("FolderID", "F2"));
  EXPECT_EQ(Rows(calls, "id", "FolderId"), "*c2=F2");

  std::string seenInNewRecord;
  calls.OnNewRecord = [&](TZorudDataset& d) { seenInNewRecord = d.FieldByName("FolderId")->AsString(); };
  calls.Append();
  EXPECT_EQ(seenInNewRecord, "F2");
  calls.FieldByName("id")->SetAsString("c4");
  calls.PostAndSave();
  EXPECT_EQ(Rows(calls, "id", "FolderId"), "c2=F2 *c4=F2");

  // Moving a call to another folder: it leaves this folder's view when the view is rebuilt.
  calls.First();
  calls.Edit();
  calls.FieldByName("FolderId")->SetAsString("F1");
  calls.Post();
  calls.Refresh();
  EXPECT_EQ(Rows(calls, "id", "FolderId"), "*c4=F2");
  folders.First();
  EXPECT_EQ(Rows(calls, "id", "FolderId"), "*c1=F1 c2=F1 c3=F1");
  EXPECT_THROW(folders.SetMasterSource(&source), EDatabaseError);  // circular
  folders.Close();
  EXPECT_EQ(calls.RecordCount(), 4);
}

TEST(Store, RangesOnTheirKeyFields) {
  TZorudTable t;
  t.FieldDefs.Add("N", ftInteger);
  t.FieldDefs.Add("S", ftString, 10);
  t.Open();
  for (int i = 1; i <= 9; ++i) AddRow(t, {{"N", std::to_string(i)}, {"S", i % 2 ? "odd" : "even"}});
  t.SetRangeFieldNames("N");
  t.SetRange("3", "6");
  EXPECT_EQ(t.RecordCount(), 4);
  EXPECT_EQ(t.FieldByName("N")->AsInteger(), 3);
  t.SetRangeFieldNames("S;N");
  t.SetRange("odd\t2\t", "odd\t7\t");
  EXPECT_EQ(Rows(t, "N", "S"), "*3=odd 5=odd 7=odd");
  t.SetRange("even\t", "even\t");  // one value: only the first key field counts
  EXPECT_EQ(t.RecordCount(), 4);
  t.SetFiltered(true);
  t.OnFilterRecord = [](TZorudDataset& d, bool& accept) { accept = d.FieldByName("N")->AsInteger() > 4; };
  t.SetFiltered(false);
  t.SetFiltered(true);
  EXPECT_EQ(Rows(t, "N", "S"), "*6=even 8=even");
}

TEST(Store, ProgressOfLoadAndSaveReachesTheCallback) {
  TempDir dir;
  const std::string file = MakeFolderFile(dir, 3);
  TZorudTable t;
  std::vector<int> seen;
  t.OnCallback = [&](TZorudDataset& sender, int percent) {
    EXPECT_EQ(&sender, &t);
    seen.push_back(percent);
  };
  t.SetTableName(file);
  t.Open();
  EXPECT_EQ(seen, (std::vector<int>{33, 67, 100}));
  seen.clear();
  t.Delete();  // deleted entries count in the save's share
  t.SaveToFile(dir / "out.d", 0);
  EXPECT_EQ(seen, (std::vector<int>{33, 67, 100}));
}

TEST(Store, CalculatedFieldsAndDisplayText) {
  TZorudTable t;
  t.FieldDefs.Add("Name", ftString, 20);
  t.FieldDefs.Add("Price", ftFloat);
  t.AddField("Name", ftString, 20);
  t.AddField("Price", ftFloat);
  TField* label = t.AddField("Label", ftString, 40, fkCalculated);
  t.OnCalcFields = [](TZorudDataset& d) {
    d.FieldByName("Label")->SetAsString(d.FieldByName("Name")->AsString() + "!");
    EXPECT_THROW(d.FieldByName("Name")->SetAsString("x"), EDatabaseError);  // "Cannot edit CalcFields"
  };
  t.Open();
  AddRow(t, {{"Name", "tea"}, {"Price", "2.5"}});
  AddRow(t, {{"Name", "cake"}, {"Price", "0.1234567"}});
  EXPECT_EQ(label->AsString(), "cake!");
  EXPECT_EQ(t.FieldByName("Price")->DisplayText(), "0.123457");
  t.First();
  EXPECT_EQ(label->AsString(), "tea!");
  EXPECT_EQ(t.FieldByName("Price")->DisplayText(), "2.5");
  EXPECT_EQ(*t.Lookup("Name", {"cake"}, "Label")[0], "cake!");
  EXPECT_EQ(label->AsString(), "tea!");
  EXPECT_THROW(t.Locate("Label", "tea!"), EDatabaseError);  // not a key field
  t.Edit();
  t.FieldByName("Name")->SetAsString("coffee");
  EXPECT_EQ(label->AsString(), "coffee!");
  t.Cancel();
  EXPECT_EQ(label->AsString(), "tea!");
}

TEST_F(StoreRules, ARefreshFromADamagedFileKeepsTheRecordsInMemory) {
  Apply(t, "g2 ex p S C");  // saved and committed: nothing left for the refresh to save first
  WriteWholeFile(file, "garbage");
  EXPECT_THROW(t.Refresh(), EDatabaseError);
  EXPECT_TRUE(t.Active());
  EXPECT_EQ(Rows(t, "FolderId", "FolderName"), "*k1=n1 k2=x k3=n3 k4=n4 k5=n5");
  WriteWholeFile(file, ReadWholeFile(MakeFolderFile(dir, 1, "one.d")).replace(17, 12, "XXX.FolderXx"));
  try {
    t.Refresh();
    FAIL() << "refreshed";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message, "Error opening table: the fields of the file have changed");
  }
  Apply(t, "g3 ey p S");  // the next save writes the whole table again
  TZorudTable back;
  back.SetTableName(file);
  back.Open();
  EXPECT_EQ(Rows(back, "FolderId", "FolderName"), "*k1=n1 k2=x k3=y k4=n4 k5=n5");
}

TEST(Store, AMasterWithoutTheLinkedFieldIsLeftClosedAndOpensAfreshFromAGoodFile) {
  TempDir dir;
  TZorudTable folders, calls;
  DefineRecordings(calls);
  calls.Open();
  TDataSource source;
  source.SetDataSet(&folders);
  calls.SetMasterSource(&source);
  calls.SetMasterFields("FolderID");
  calls.SetRangeFieldNames("FolderId");
  // A folder table whose key field has another name: the detail's link refuses it.
  {
    TZorudTable other;
    other.FieldDefs.Add("FolderKey", ftString, 20);
    other.Open();
    AddRow(other, {{"FolderKey", "F1"}});
    other.SaveToFile(dir / "Folders.d");
  }
  folders.SetTableName(dir / "Folders.d");
  EXPECT_THROW(folders.Open(), EDatabaseError);
  EXPECT_FALSE(folders.Active());
  EXPECT_EQ(folders.FindField("FolderKey"), nullptr);
  // The good file in its place: the next open reads it, nothing of the failed one is kept.
  MakeFolderFile(dir, 2);
  folders.Open();
  EXPECT_EQ(folders.RecordCount(), 2);
  EXPECT_EQ(Rows(folders, "FolderId", "FolderName"), "*k1=n1 k2=n2");
  AddRow(calls, {{"id", "c1"}});
  EXPECT_EQ(calls.FieldByName("FolderId")->AsString(), "k1");
}
