// The data grid over a real table on a shown form: its options, locks and layout, the rows it
// shows as the dataset moves, and a picture whose colours the highlight and OnDrawCellAttr decide.
#include <gtest/gtest.h>
#include "DataSource.h"
#include "DbTestUtil.h"
#include "FormFixture.h"
#include "GridError.h"
#include "UiTest.h"
#include "MyDBGrid.h"

namespace {

constexpr TZorudDBGridOptions kCallListOptions =
    dgColumnResize | dgTabs | dgRowSelect | dgAlwaysShowSelection | dgConfirmDelete | dgCancelOnExit;

// A Recordings.d of rows calls, each row i with comment "c<i>" ("mark" for every fifth).
std::string MakeCallsFile(const TempDir& dir, int rows) {
  TZorudTable t;
  DefineRecordings(t);
  t.Open();
  for (int i = 1; i <= rows; ++i) {
    AddRow(t, {{"id", std::to_string(i)}, {"Channel", "1"}, {"FolderId", "k1"}, {"DateS", "2026-12-11"},
               {"TimeS", "10:00"}, {"Duration", "00:01"}, {"Comment", i % 5 ? "c" + std::to_string(i) : "mark"}});
  }
  t.SaveToFile(dir / "Recordings.d");
  return dir / "Recordings.d";
}

class TGridForm : public TForm {
public:
  explicit TGridForm(TComponent* owner) : TForm(owner, "TDBGridForm") {
    SetCaption("Calls");
    SetBounds(80, 60, 520, 320);
    Grid = new TMyDBGrid(this);
    Grid->SetParent(this);
    Grid->SetAlign(alClient);
  }
  TMyDBGrid* Grid;
};

class DBGrid : public TFormFixture<TGridForm> {
protected:
  void SetUp() override {
    TFormFixture<TGridForm>::SetUp();
    grid = form->Grid;
    calls.SetTableName(MakeCallsFile(dir, 60));
    calls.Open();
    source.SetDataSet(&calls);
  }
  void TearDown() override {
    grid->SetDataSource(nullptr);
    TFormFixture<TGridForm>::TearDown();
  }
  // The grid as the call list sets it up: seven stored columns, three of them hidden.
  void CallList() {
    grid->SetOptions(kCallListOptions);
    grid->SetAllowDelete(false);
    grid->SetAllowInsert(false);
    for (const char* name : {"id", "FolderId", "Channel", "DateS", "TimeS", "Duration", "Comment"}) {
      TZorudColumn& c = grid->Columns().Add();
      c.SetFieldName(name);
      c.SetVisible(std::string(name) != "id" && std::string(name) != "FolderId" && std::string(name) != "Channel");
    }
    grid->SetDataSource(&source);
    PumpMs(50);
  }
  // The dataset's current row as the grid shows it.
  int CurrentDataRow() const { return grid->Row() - grid->TitleOffset(); }
  TempDir dir;
  TZorudTable calls;
  TDataSource source;
  // Starts on record start, the link's window at the top.
  void StartAt(int recNo) {
    calls.First();
    calls.SetRecNo(recNo);
    PumpMs(20);
  }
  void Click(int col, int row, WPARAM keys = 0) {
    RECT r = grid->CellRect(col, row);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    PostMessageA(grid->Handle(), WM_LBUTTONUP, keys, at);
    PumpMs(100);
  }
  TMyDBGrid* grid = nullptr;
};

}  // namespace

TEST_F(DBGrid, OptionsAndTheirCouplings) {
  EXPECT_EQ(grid->Options(), dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines |
                                 dgTabs | dgConfirmDelete | dgCancelOnExit);
  struct Case {
    const char* what;
    TZorudDBGridOptions set;
    bool allowDelete, allowInsert;  // asked for after the options
    TZorudDBGridOptions options;
    bool deleteAllowed, insertAllowed;
    TGridOptions base;
  } cases[] = {
      {"editing keeps both", dgEditing | dgTitles, true, true, dgEditing | dgTitles, true, true, goEditing},
      {"row select removes editing and its kin",
       dgRowSelect | dgEditing | dgAlwaysShowEditor | dgEnterToTab, true, true, dgRowSelect, false, false,
       goRowSelect},
      {"dragging rows out selects rows", dgDragOutRows | dgEditing, true, true, dgDragOutRows | dgRowSelect,
       false, false, goRowSelect},
      {"the call list", kCallListOptions, true, true, kCallListOptions, false, false,
       goColSizing | goColMoving | goTabs | goRowSelect},
      {"lines", dgColLines | dgRowLines | dgEditing, false, true, dgColLines | dgRowLines | dgEditing, false, true,
       goFixedVertLine | goVertLine | goFixedHorzLine | goHorzLine | goEditing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    grid->SetOptions(dgEditing);
    grid->SetAllowDelete(true);
    grid->SetAllowInsert(true);
    grid->SetOptions(c.set);
    EXPECT_EQ(grid->Options(), c.options);
    EXPECT_EQ(grid->TCustomGrid::Options(), c.base);
    grid->SetAllowDelete(c.allowDelete);
    grid->SetAllowInsert(c.allowInsert);
    EXPECT_EQ(grid->AllowDelete(), c.deleteAllowed);
    EXPECT_EQ(grid->AllowInsert(), c.insertAllowed);
  }
  // Leaving editing forces both off; coming back does not turn them on again.
  grid->SetOptions(dgEditing);
  grid->SetAllowDelete(true);
  grid->SetOptions(dgTitles);
  grid->SetOptions(dgEditing);
  EXPECT_FALSE(grid->AllowDelete());
}

TEST_F(DBGrid, LocksBalanceAndHoldTheLayoutBack) {
  EXPECT_THROW(grid->EndUpdate(), EInvalidGridOperation);
  EXPECT_THROW(grid->EndLayout(), EInvalidGridOperation);
  EXPECT_THROW(grid->CancelLayout(), EInvalidGridOperation);
  EXPECT_EQ(grid->UpdateLock(), 0);
  EXPECT_EQ(grid->LayoutLock(), 0);

  grid->SetDataSource(&source);
  ASSERT_EQ(grid->ColCount(), 8);  // the indicator and seven fields
  grid->BeginLayout();
  grid->BeginLayout();
  calls.FieldByName("Comment")->Visible = false;
  grid->LayoutChanged();
  grid->EndLayout();
  EXPECT_EQ(grid->ColCount(), 8);
  grid->EndLayout();
  EXPECT_EQ(grid->ColCount(), 7);
  EXPECT_EQ(grid->LayoutLock(), 0);
  EXPECT_EQ(grid->UpdateLock(), 0);

  // A deferred rebuild is posted once and done when the messages are handled.
  calls.FieldByName("Comment")->Visible = true;
  grid->DeferLayout();
  grid->DeferLayout();
  EXPECT_TRUE(grid->LayoutDeferred());
  EXPECT_EQ(grid->ColCount(), 7);
  PumpMs(50);
  EXPECT_FALSE(grid->LayoutDeferred());
  EXPECT_EQ(grid->ColCount(), 8);
}

TEST_F(DBGrid, TheCallListLayout) {
  CallList();
  EXPECT_EQ(grid->Columns().State(), csCustomized);
  EXPECT_EQ(grid->TitleOffset(), 0);
  EXPECT_EQ(grid->IndicatorOffset(), 0);
  ASSERT_EQ(grid->ColCount(), 7);
  for (int col : {0, 1, 2}) {
    EXPECT_EQ(grid->ColWidth(col), -1) << col;
    EXPECT_FALSE(grid->TabStops(col)) << col;
  }
  for (int col : {3, 4, 5, 6}) {
    EXPECT_EQ(grid->ColWidth(col), grid->Columns()[col].Width()) << col;
    EXPECT_TRUE(grid->TabStops(col)) << col;
  }
  // One grid row per row of the link's window, which is as tall as the grid shows.
  EXPECT_EQ(grid->DataLink().BufferCount(), grid->VisibleRowCount());
  EXPECT_EQ(grid->RowCount(), grid->DataLink().RecordCount());
  EXPECT_LT(grid->RowCount(), 60);
  EXPECT_EQ(CurrentDataRow(), 0);

  // Widths set on the columns reach the grid; a negative one is kept as 0.
  grid->Columns()[6].SetWidth(150);
  EXPECT_EQ(grid->ColWidth(6), 150);
  grid->Columns()[6].SetWidth(-40);
  EXPECT_EQ(grid->ColWidth(6), 0);
  EXPECT_EQ(grid->Columns()[6].Width(), 0);
}

TEST_F(DBGrid, RowsFollowTheDataset) {
  CallList();
  const int v = grid->VisibleRowCount();
  struct Step {
    const char* what;
    std::function<void()> move;
    int recNo;  // the dataset's current record, 1-based
    int first;  // the link's first row in the view, 0-based
  } steps[] = {
      {"next", [&] { calls.Next(); }, 2, 0},
      {"to the last row shown", [&] { calls.SetRecNo(v); }, v, 0},
      {"one further scrolls by one", [&] { calls.Next(); }, v + 1, 1},
      {"last", [&] { calls.Last(); }, 60, 60 - v},
      {"first", [&] { calls.First(); }, 1, 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.move();
    EXPECT_EQ(calls.RecNo(), s.recNo);
    EXPECT_EQ(grid->DataLink().FirstRecord(), s.first);
    EXPECT_EQ(CurrentDataRow(), s.recNo - 1 - s.first);
  }
}

TEST_F(DBGrid, PictureShowsTheHighlightAndColouredRows) {
  CallList();
  grid->OnDrawCellAttr = [this](TZorudCustomDBGrid*, TZorudColumn&, TFont&, TColor& color, TGridDrawState) {
    if (calls.FieldByName("Comment")->AsString() == "mark") color = clRed;
  };
  calls.SetRecNo(2);
  grid->Invalidate();
  PumpMs(200);
  int w = 0, h = 0;
  auto pixels = SaveWindowPicture(grid->Handle(), "dbgrid_calls.bmp", w, h);
  ASSERT_FALSE(pixels.empty());
  POINT origin = {0, 0};
  ClientToScreen(grid->Handle(), &origin);
  RECT window;
  GetWindowRect(grid->Handle(), &window);
  // A cell's top left, where the text (at 2, 2) leaves the background showing.
  auto pixel = [&](int col, int row) {
    RECT r = grid->CellRect(col, row);
    return pixels[(r.top + 1 + origin.y - window.top) * w + (r.left + 1 + origin.x - window.left)];
  };
  EXPECT_EQ(pixel(4, 1), GetSysColor(COLOR_HIGHLIGHT)) << "the current row, shown while unfocused";
  EXPECT_EQ(pixel(6, 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(pixel(4, 0), GetSysColor(COLOR_WINDOW)) << "a plain row";
  EXPECT_EQ(pixel(4, 4), RGB(255, 0, 0)) << "row 5 is marked";
}

TEST_F(DBGrid, KeysWheelAndClicksMoveTheDataset) {
  CallList();
  grid->SetFocus();
  PumpMs(50);
  const int v = grid->VisibleRowCount();
  ASSERT_GT(v, 8);
  ASSERT_LT(v, 50);
  struct Case {
    const char* what;
    std::function<void()> act;
    int recNo, first, col;  // expected; the start is record 5 at column 4, the window at the top
  } cases[] = {
      {"Down", [&] { TypeKey(grid->Handle(), VK_DOWN); }, 6, 0, 4},
      {"Up", [&] { TypeKey(grid->Handle(), VK_UP); }, 4, 0, 4},
      {"Right with row select: next row", [&] { TypeKey(grid->Handle(), VK_RIGHT); }, 6, 0, 4},
      {"Left with row select: prior row", [&] { TypeKey(grid->Handle(), VK_LEFT); }, 4, 0, 4},
      {"Page Down", [&] { TypeKey(grid->Handle(), VK_NEXT); }, 5 + v, 5, 4},
      {"Page Up stops at the first", [&] { TypeKey(grid->Handle(), VK_PRIOR); }, 1, 0, 4},
      {"Home with row select: first record", [&] { TypeKey(grid->Handle(), VK_HOME); }, 1, 0, 4},
      {"End with row select: last record", [&] { TypeKey(grid->Handle(), VK_END); }, 60, 60 - v, 4},
      {"Ctrl+Home", [&] { TypeKey(grid->Handle(), VK_HOME, ssCtrl); }, 1, 0, 4},
      {"Ctrl+End", [&] { TypeKey(grid->Handle(), VK_END, ssCtrl); }, 60, 60 - v, 4},
      {"Ctrl+Down: last row shown", [&] { TypeKey(grid->Handle(), VK_DOWN, ssCtrl); }, v, 0, 4},
      {"Ctrl+Up: first row shown", [&] { TypeKey(grid->Handle(), VK_UP, ssCtrl); }, 1, 0, 4},
      {"Tab: next column with a stop", [&] { TypeKey(grid->Handle(), VK_TAB); }, 5, 0, 5},
      {"Shift+Tab past the first shown column: prior row, last column",
       [&] {
         TypeKey(grid->Handle(), VK_TAB, ssShift);
         TypeKey(grid->Handle(), VK_TAB, ssShift);
       },
       4, 0, 6},
      {"Tab past the last column: next row, first column with a stop",
       [&] {
         for (int i = 0; i < 3; ++i) TypeKey(grid->Handle(), VK_TAB);
       },
       6, 0, 3},
      {"wheel down", [&] { SendMessageA(grid->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0); }, 6, 0, 4},
      {"wheel up", [&] { SendMessageA(grid->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0); }, 4, 0, 4},
      {"a click on a row", [&] { Click(5, 7); }, 8, 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAt(5);
    grid->MoveCurrentCell(4, grid->Row(), false);
    c.act();
    PumpMs(30);
    EXPECT_EQ(calls.RecNo(), c.recNo);
    EXPECT_EQ(grid->DataLink().FirstRecord(), c.first);
    EXPECT_EQ(CurrentDataRow(), c.recNo - 1 - c.first);
    EXPECT_EQ(grid->TopRow(), 0);
    EXPECT_EQ(grid->Col(), c.col);
  }
}

TEST_F(DBGrid, OnMouseDownSeesTheRowBeforeThePress) {
  CallList();
  StartAt(3);
  std::vector<int> seen;
  grid->OnMouseDown = [&](TComponent*, TMouseButton, TShiftState, int, int) {
    seen.push_back(calls.RecNo());
    seen.push_back(grid->Row());
  };
  Click(4, 6, MK_CONTROL);
  EXPECT_EQ(seen, (std::vector<int>{3, 2}));
  EXPECT_EQ(calls.RecNo(), 7);
}

TEST_F(DBGrid, DeleteAsksFirstAndIsRefusedWithoutAllowDelete) {
  CallList();
  grid->SetFocus();
  StartAt(3);
  {
    TBoxWatcher boxes(IDOK);
    TypeKey(grid->Handle(), VK_DELETE, ssCtrl);
    PumpMs(100);
    EXPECT_TRUE(boxes.Texts().empty());
  }
  EXPECT_EQ(calls.RecordCount(), 60);

  grid->SetOptions((grid->Options() & ~dgRowSelect) | dgEditing);
  grid->SetAllowDelete(true);
  grid->SetFocus();
  for (int answer : {IDCANCEL, IDOK}) {
    TBoxWatcher boxes(answer, 100);
    TypeKey(grid->Handle(), VK_DELETE, ssCtrl);
    PumpFor([&] { return !boxes.Texts().empty(); }, 5000);
    PumpMs(200);
    ASSERT_FALSE(boxes.Texts().empty());
    EXPECT_EQ(boxes.Texts()[0], "Delete record ?");
  }
  EXPECT_EQ(calls.RecordCount(), 59);
}

TEST_F(DBGrid, MultiSelectByKeyboardAndMouse) {
  CallList();
  grid->SetOptions(grid->Options() | dgMultiSelect);
  grid->SetFocus();
  int changes = 0;
  grid->OnMultiSelectChanged = [&](TComponent*) { ++changes; };
  StartAt(5);
  struct Step {
    const char* what;
    std::function<void()> act;
    int recNo, selected;
    bool currentSelected;
  } steps[] = {
      {"Shift+Down selects the anchor and the row reached", [&] { TypeKey(grid->Handle(), VK_DOWN, ssShift); }, 6, 2,
       true},
      {"and further", [&] { TypeKey(grid->Handle(), VK_DOWN, ssShift); }, 7, 3, true},
      {"Shift+Up back towards the anchor deselects", [&] { TypeKey(grid->Handle(), VK_UP, ssShift); }, 6, 2, true},
      {"Down alone clears", [&] { TypeKey(grid->Handle(), VK_DOWN); }, 7, 0, false},
      {"Ctrl+click adds a row", [&] { Click(4, 2, MK_CONTROL); }, 3, 1, true},
      {"and another", [&] { Click(4, 4, MK_CONTROL); }, 5, 2, true},
      {"Ctrl+click again takes it out", [&] { Click(4, 4, MK_CONTROL); }, 5, 1, false},
      {"a plain click selects only its row", [&] { Click(4, 0); }, 1, 1, true},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    int before = changes;
    s.act();
    PumpMs(30);
    EXPECT_EQ(calls.RecNo(), s.recNo);
    EXPECT_EQ(grid->SelectedRows().Count(), s.selected);
    EXPECT_EQ(grid->SelectedRows().CurrentRowSelected(), s.currentSelected);
    EXPECT_GT(changes, before);
  }
  grid->SetOptions(grid->Options() & ~dgMultiSelect);
  EXPECT_EQ(grid->SelectedRows().Count(), 0);
}

TEST_F(DBGrid, AColumnSizedByMouseKeepsItsWidth) {
  for (const char* name : {"DateS", "TimeS", "Comment"}) grid->Columns().Add().SetFieldName(name);
  grid->SetDataSource(&source);
  PumpMs(50);
  // Sizing: the border after the first data column, dragged 20 pixels right.
  RECT title = grid->CellRect(1, 0);
  int width = grid->ColWidth(1);
  int y = (title.top + title.bottom) / 2;
  PostMessageA(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(title.right, y));
  PostMessageA(grid->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(title.right + 20, y));
  PostMessageA(grid->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(title.right + 20, y));
  PumpMs(100);
  EXPECT_EQ(grid->ColWidth(1), width + 20);
  EXPECT_EQ(grid->Columns()[0].Width(), width + 20);
}
