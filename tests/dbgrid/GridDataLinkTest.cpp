#include <gtest/gtest.h>
#include <functional>
#include "DbError.h"
#include "DbTestUtil.h"
#include "FakeGrid.h"
#include "GridError.h"

namespace {

// Five folders (fields FolderId and FolderName) on a grid's link.
class GridLink : public ::testing::Test {
protected:
  void SetUp() override {
    t.SetTableName(MakeFolderFile(dir, 5));
    source.SetDataSet(&t);
    grid.Link.SetBufferCount(10);
    grid.Link.SetDataSource(&source);
  }
  // The mapped fields by name, "-" for an unmapped position.
  std::string Mapped() const {
    std::string out;
    for (int i = 0; i < link.FieldCount(); ++i) {
      TField* f = link.Fields(i);
      out += (i ? " " : "") + (f ? f->FieldName() : std::string("-"));
    }
    return out;
  }
  TempDir dir;
  TZorudTable t;
  TDataSource source;
  TFakeGrid grid;
  TGridDataLink& link = grid.Link;
};

}  // namespace

TEST_F(GridLink, FullAndSparseFieldMaps) {
  t.Open();
  struct Case {
    bool sparse;
    const char* names;
    const char* mapped;
    const char* found;
    bool defaultFields;
    const char* error;
  } cases[] = {
      {false, "FolderName;FolderId", "FolderName FolderId", "11", true, ""},
      {true, "FolderId;Nope;FolderName", "FolderId - FolderName", "101", false, ""},
      {true, "folderid", "FolderId", "1", true, ""},
      {false, "FolderId;Nope", "FolderId", "1", true, "Field 'Nope' not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names);
    link.ClearMapping();
    link.SetSparseMap(c.sparse);
    std::string found, error;
    try {
      for (const std::string& name : SplitZorudNames(c.names)) found += link.AddMapping(name) ? "1" : "0";
    } catch (const EDatabaseError& e) {
      error = e.Message;
    }
    EXPECT_EQ(Mapped(), c.mapped);
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(link.DefaultFields(), c.defaultFields);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(link.Fields(-1), nullptr);
    EXPECT_EQ(link.Fields(link.FieldCount()), nullptr);
  }

  // Persistent fields are never the default ones, whatever the map holds.
  t.Close();
  t.AddField("FolderId", ftString, 20);
  t.Open();
  link.ClearMapping();
  link.AddMapping("FolderId");
  EXPECT_FALSE(link.DefaultFields());
}

TEST_F(GridLink, TheMapGrowsUpTo256Columns) {
  t.Open();
  for (int i = 0; i < 20; ++i) link.AddMapping(i % 2 ? "FolderName" : "FolderId");
  ASSERT_EQ(link.FieldCount(), 20);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(link.Fields(i)->FieldName(), i % 2 ? "FolderName" : "FolderId") << i;

  link.ClearMapping();
  EXPECT_EQ(link.FieldCount(), 0);
  link.SetSparseMap(true);
  for (int i = 0; i < 256; ++i) EXPECT_FALSE(link.AddMapping("c" + std::to_string(i)));
  try {
    link.AddMapping("FolderId");
    ADD_FAILURE() << "no error";
  } catch (const EInvalidGridOperation& e) {
    EXPECT_EQ(e.Message, "Grid requested to display more than 256 columns");
  }
  EXPECT_EQ(link.FieldCount(), 256);
}

TEST_F(GridLink, TheDatasetsNotificationsReachTheGrid) {
  TField* name = nullptr;
  struct Step {
    const char* what;
    std::function<void()> action;
    const char* log;
  } steps[] = {
      {"open", [&] { t.Open(), name = t.FieldByName("FolderName"); }, "LinkActive 1, DataChanged"},
      {"next", [&] { t.Next(); }, "Scroll 0"},
      {"last", [&] { t.Last(); }, "DataChanged"},
      {"edit", [&] { t.Edit(); }, "EditingChanged, RecordChanged -"},
      {"set a field", [&] { name->SetAsString("x"); }, "RecordChanged FolderName"},
      {"post what the editor changed", [&] { link.Modified(), t.Post(); },
       "UpdateData in, EditingChanged, DataChanged"},
      {"post without a change in the editor", [&] { t.Edit(), t.Post(); },
       "EditingChanged, RecordChanged -, EditingChanged, DataChanged"},
      {"a data change forgets the editor's change", [&] { link.Modified(), t.First(), t.Edit(), t.Post(); },
       "DataChanged, EditingChanged, RecordChanged -, EditingChanged, DataChanged"},
      {"reset after an editor change re-reads the record",
       [&] {
         t.Edit(), link.Modified(), link.Reset();
         EXPECT_EQ(t.State(), dsEdit);
       },
       "EditingChanged, RecordChanged -, RecordChanged -"},
      {"reset without one cancels the edit",
       [&] {
         link.Reset();
         EXPECT_EQ(t.State(), dsBrowse);
       },
       "EditingChanged, DataChanged"},
      {"a field's display width",
       [&] {
         name->SetDisplayWidth(30);
         EXPECT_FALSE(link.LayoutFromDataSet());
       },
       "LayoutChanged dataset, DataChanged"},
      {"the same width again", [&] { name->SetDisplayWidth(30); }, ""},
      {"focus a field", [&] { name->FocusControl(); }, "FocusField FolderName"},
      {"close", [&] { t.Close(); }, "LinkActive 0"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    grid.Log.clear();
    s.action();
    EXPECT_EQ(grid.TakeLog(), s.log);
  }
}

TEST_F(GridLink, TheGridThatTakesTheFocusEndsTheRound) {
  t.Open();
  TFakeGrid other;
  other.Link.SetDataSource(&source);
  TField* name = t.FieldByName("FolderName");
  struct Case {
    bool firstTakes;
    const char *first, *second;
  } cases[] = {
      {true, "FocusField FolderName", ""},
      {false, "FocusField FolderName", "FocusField FolderName"},
  };
  for (const Case& c : cases) {
    grid.TakesFocus = c.firstTakes;
    other.TakesFocus = true;
    grid.Log.clear();
    other.Log.clear();
    name->FocusControl();
    EXPECT_EQ(grid.TakeLog(), c.first);
    EXPECT_EQ(other.TakeLog(), c.second);
  }
}
