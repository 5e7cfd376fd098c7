#include <gtest/gtest.h>
#include "DbError.h"
#include "DbTestUtil.h"
#include "FakeColumnsGrid.h"
#include "GridError.h"
#include "TextMeasure.h"

namespace {

// A recordings table (Channel is a number) and the folders it points at, on a columns grid.
class Columns : public ::testing::Test {
protected:
  void SetUp() override {
    folders.SetTableName(MakeFolderFile(dir, 3));
    DefineRecordings(calls);
    calls.Open();
    AddRow(calls, {{"id", "1"}, {"Channel", "2"}, {"FolderId", "k2"}, {"Comment", "hello"}});
    source.SetDataSet(&calls);
    grid.Inner.Link.SetBufferCount(10);
    grid.Inner.Link.SetDataSource(&source);
  }
  // Columns by field name ("-" for none), "!" after a stored one.
  std::string Shown() const {
    std::string out;
    for (int i = 0; i < cols.Count(); ++i) {
      TField* f = cols[i].Field();
      out += (i ? " " : "") + (f ? f->FieldName() : std::string("-")) + (cols[i].Stored() ? "!" : "");
    }
    return out;
  }
  void Layout() {
    cols.MapFields(grid.Inner.Link);
    cols.FollowFieldMap(grid.Inner.Link);
  }
  TempDir dir;
  TZorudTable folders, calls;
  TDataSource source;
  TFakeColumnsGrid grid;
  TZorudDBGridColumns& cols = grid.Columns;
};

}  // namespace

TEST(ColumnWithoutGrid, TakesTheSystemDefaults) {
  TZorudDBGridColumns cols(nullptr);
  TZorudColumn& c = cols.Add();
  c.SetFieldName("Comment");
  EXPECT_EQ(c.Width(), 64);
  EXPECT_EQ(c.Color(), clWindow);
  EXPECT_EQ(c.Title().Color(), clBtnFace);
  EXPECT_EQ(c.Title().Caption(), "Comment");
  EXPECT_EQ(c.Title().Alignment(), taCenter);
  EXPECT_EQ(&c.Title().Font(), &c.Font());
  EXPECT_EQ(c.Alignment(), taLeftJustify);
  EXPECT_EQ(c.ButtonStyle(), cbsNone);
  EXPECT_EQ(c.DropDownRows(), 10u);
  EXPECT_EQ(c.Depth(), 0);
  EXPECT_FALSE(c.Expandable());
  EXPECT_EQ(cols.State(), csCustomized);
}

TEST_F(Columns, DefaultStateFollowsTheFieldMap) {
  // Nothing mapped and no column: one empty generated column.
  calls.Close();
  Layout();
  EXPECT_EQ(Shown(), "-");
  EXPECT_EQ(cols.State(), csDefault);

  calls.Open();
  calls.FieldByName("Channel")->Visible = false;
  Layout();
  EXPECT_EQ(Shown(), "id FolderId DateS TimeS Duration Comment");
  TZorudColumn* comment = &cols[5];

  // A column whose field is mapped again is reused, moved to its new place.
  calls.FieldByName("Channel")->Visible = true;
  calls.FieldByName("id")->Visible = false;
  grid.TakeLog();
  Layout();
  EXPECT_EQ(Shown(), "Channel FolderId DateS TimeS Duration Comment");
  EXPECT_EQ(&cols[5], comment);
  EXPECT_EQ(grid.TakeLog(), "layout");  // the whole rebuild as one change

  calls.Close();
  Layout();
  EXPECT_EQ(Shown(), "-");
}

TEST_F(Columns, CustomisedColumnsMapByNameAndKeepAMissingField) {
  cols.SetState(csCustomized);
  EXPECT_EQ(Shown(), "id! Channel! FolderId! DateS! TimeS! Duration! Comment!");
  cols.Clear();
  cols.Add().SetFieldName("Comment");
  cols.Add().SetFieldName("Gone");
  cols.Add().SetFieldName("DateS");
  Layout();
  EXPECT_TRUE(grid.Inner.Link.SparseMap());
  ASSERT_EQ(grid.Inner.Link.FieldCount(), 3);
  EXPECT_EQ(grid.Inner.Link.Fields(1), nullptr);
  EXPECT_EQ(Shown(), "Comment! -! DateS!");
  EXPECT_EQ(cols[1].Title().Caption(), "Gone");
  EXPECT_FALSE(grid.Inner.Link.DefaultFields());

  cols.SetState(csDefault);
  EXPECT_EQ(cols.Count(), 0);
}

TEST_F(Columns, WidthsReadAndWritten) {
  TZorudColumn& c = cols.Add();
  c.SetFieldName("Comment");
  int byDefault = c.Width();
  ASSERT_GT(byDefault, 0);
  struct Step {
    const char* what;
    bool visible;
    int set;  // 1000: no assignment
    int reads;
    bool assigned;
  } steps[] = {
      {"the default width, unassigned, changes nothing", true, byDefault, byDefault, false},
      {"a width", true, 80, 80, true},
      {"-1 is ignored", true, -1, 80, true},
      {"hidden reads -1", false, 1000, -1, true},
      {"a width set while hidden", false, 120, -1, true},
      {"is kept for when it shows", true, 1000, 120, true},
      {"a negative width is kept as 0", true, -30, 0, true},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    c.SetVisible(s.visible);
    if (s.set != 1000) c.SetWidth(s.set);
    EXPECT_EQ(c.Width(), s.reads);
    EXPECT_EQ(c.WidthAssigned(), s.assigned);
  }
  grid.TakeLog();
  c.SetWidth(50);
  c.SetVisible(false);
  EXPECT_EQ(grid.TakeLog(), "column 0, layout");
}

TEST_F(Columns, DefaultWidthFitsTheFieldAndWithTitlesTheCaption) {
  TZorudColumn& c = cols.Add();
  EXPECT_EQ(c.Width(), 64);  // no field: the grid's default column width
  c.SetFieldName("Duration");
  TTextMeasure data(c.Font());
  int perChar = data.TextWidth("0") - data.Overhang();
  calls.FieldByName("Duration")->SetDisplayWidth(1);
  grid.ShowsTitles = false;
  int narrow = c.DefaultWidth();
  calls.FieldByName("Duration")->SetDisplayWidth(11);
  EXPECT_EQ(c.DefaultWidth() - narrow, 10 * perChar);

  calls.FieldByName("Duration")->SetDisplayWidth(1);
  grid.ShowsTitles = true;
  c.Title().SetCaption("A rather long caption");
  EXPECT_EQ(c.DefaultWidth(), TTextMeasure(grid.TitleFont).TextWidth("A rather long caption") + 4);
}

TEST_F(Columns, LooksFollowTheGridAndTheFieldUntilAssigned) {
  TZorudColumn& c = cols.Add();
  c.SetFieldName("Channel");
  EXPECT_EQ(c.Color(), clRed);
  EXPECT_EQ(c.Title().Color(), clLime);
  EXPECT_EQ(c.Font().Name, "Arial");
  EXPECT_EQ(c.Title().Font().Size, 12);
  EXPECT_EQ(c.Alignment(), taRightJustify);  // a number
  c.SetButtonStyle(cbsCombo);
  EXPECT_EQ(c.Alignment(), taLeftJustify);
  c.SetAlignment(taCenter);
  EXPECT_EQ(c.Alignment(), taCenter);
  EXPECT_FALSE(c.ReadOnly());
  grid.ReadOnly = true;
  EXPECT_TRUE(c.ReadOnly());

  grid.Color = clBlue;
  EXPECT_EQ(c.Color(), clBlue);
  c.SetColor(clWhite);
  c.Title().SetCaption("Line");
  c.SetPickList(nullptr);
  c.PickList().Add("x");
  c.RestoreDefaults();
  EXPECT_EQ(c.Color(), clBlue);
  EXPECT_EQ(c.Title().Caption(), "Channel");
  EXPECT_EQ(c.ButtonStyle(), cbsNone);
  EXPECT_FALSE(c.HasPickList());
  EXPECT_EQ(c.Alignment(), taRightJustify);

  // A generated column writes through to its field.
  cols.Clear();
  Layout();
  TZorudColumn& generated = cols[1];
  ASSERT_EQ(generated.FieldName(), "Channel");
  generated.SetReadOnly(true);
  generated.Title().SetCaption("Line");
  EXPECT_TRUE(calls.FieldByName("Channel")->ReadOnly);
  EXPECT_EQ(calls.FieldByName("Channel")->DisplayLabel, "Line");
  EXPECT_FALSE(generated.Title().CaptionAssigned());
}

TEST_F(Columns, AssignCopiesTheLookButNotTheCheckValues) {
  TZorudColumn& a = cols.Add();
  a.SetFieldName("Comment");
  a.SetColor(clWhite);
  a.SetWidth(77);
  a.SetButtonStyle(cbsCombo);
  a.PickList().Add("yes");
  a.Title().SetCaption("Note");
  a.SetValueChecked("Y");
  a.SetWrapText(true);
  TZorudColumn& b = cols.Add();
  grid.TakeLog();
  b.Assign(a);
  EXPECT_EQ(grid.TakeLog(), "layout");
  EXPECT_EQ(b.FieldName(), "Comment");
  EXPECT_EQ(b.Color(), clWhite);
  EXPECT_EQ(b.Width(), 77);
  EXPECT_EQ(b.ButtonStyle(), cbsCombo);
  EXPECT_EQ(b.PickList().Text(), "yes\r\n");
  EXPECT_EQ(b.Title().Caption(), "Note");
  EXPECT_EQ(b.ValueChecked(), "");
  EXPECT_FALSE(b.WrapText());
}

TEST(ColumnPickList, TranslatesBetweenShownAndStoredText) {
  TZorudDBGridColumns cols(nullptr);
  TZorudColumn& c = cols.Add();
  EXPECT_FALSE(c.HasPickList());
  EXPECT_EQ(c.PickList().Count(), 0);  // made on first read
  EXPECT_TRUE(c.HasPickList());
  c.SetPickList(nullptr);
  EXPECT_FALSE(c.HasPickList());

  struct Case {
    TZorudColumnButtonStyle style;
    const char* list;
    const char* values;
    const char* fieldText;
    const char* shown;
    const char* chosen;
    const char* stored;
  } cases[] = {
      {cbsCombo, "yes,no", "1,2", "2", "no", "yes", "1"},
      {cbsCombo, "yes,no", "1,2", "3", "", "maybe", ""},
      {cbsCombo, "yes,no", "1", "2", "2", "yes", "yes"},  // counts differ
      {cbsCombo, "", "", "2", "2", "yes", "yes"},
      {cbsNone, "yes,no", "1,2", "2", "2", "yes", "yes"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.list) + " / " + k.values + " / " + k.fieldText);
    c.SetButtonStyle(k.style);
    c.PickList().SetCommaText(k.list);
    c.PickValues().SetCommaText(k.values);
    EXPECT_EQ(c.PickDisplayText(k.fieldText), k.shown);
    EXPECT_EQ(c.PickStoredText(k.chosen), k.stored);
  }
}

TEST_F(Columns, LookupShowsTheLinkedText) {
  folders.Open();
  TZorudColumn& c = cols.Add();
  c.SetFieldName("FolderId");
  c.SetButtonStyle(cbsLookup);
  c.SetLookupKeyField("FolderId");
  c.SetLookupLinkField("FolderId");
  c.SetLookupDropDownFields("FolderName;FolderId");
  EXPECT_EQ(c.LookupResultField(), "FolderName");
  EXPECT_FALSE(c.LookupReady());
  EXPECT_EQ(c.LookupValue(), "");
  grid.TakeLog();
  c.SetLookupDataSet(&folders);
  EXPECT_EQ(grid.TakeLog(), "paint 0");
  EXPECT_TRUE(c.LookupReady());
  EXPECT_EQ(c.LookupValue(), "n2");

  calls.Edit();
  calls.FieldByName("FolderId")->SetAsString("k9");
  EXPECT_EQ(c.LookupValue(), "");
  calls.FieldByName("FolderId")->Clear();
  EXPECT_EQ(c.LookupValue(), "");
  calls.Cancel();

  // Link and result the same field: the grid's own value.
  c.SetLookupDropDownFields("FolderId");
  EXPECT_EQ(c.LookupValue(), "k2");

  try {
    c.SetLookupDataSet(&calls);
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message, "Lookup Dataset cannot be equal to Source DataSet");
  }
  EXPECT_EQ(c.LookupDataSet(), &folders);
}

TEST_F(Columns, UpdatesAreOneChangeAndMustBalance) {
  cols.BeginUpdate();
  cols.Add().SetFieldName("Comment");
  cols.Add().SetColor(clWhite);
  EXPECT_EQ(grid.TakeLog(), "");
  cols.BeginUpdate();
  cols.EndUpdate();
  EXPECT_EQ(grid.TakeLog(), "");
  cols.EndUpdate();
  EXPECT_EQ(grid.TakeLog(), "layout");
  EXPECT_THROW(cols.EndUpdate(), EInvalidGridOperation);

  // A check value repaints only a check column.
  cols[0].SetValueChecked("Y");
  EXPECT_EQ(grid.TakeLog(), "");
  cols[0].SetButtonStyle(cbsCheck);
  cols[0].SetValueUnChecked("N");
  EXPECT_EQ(grid.TakeLog(), "column 0, paint 0");
}
