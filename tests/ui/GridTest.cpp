// The owner-drawn grid base: its cell layout without a window, then a grid of many rows on a
// form worked through window messages as a user would cause them: keys, clicks, column sizing
// and moving, the wheel, scrolling while the mouse is held outside, the scroll bar, the in-place
// editor; and a picture, with what a repaint costs.
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include "CustomGrid.h"
#include "FormFixture.h"
#include "GridGeometry.h"
#include "GridPaintBuffer.h"
#include "UiTest.h"

namespace {

// ---- The layout alone --------------------------------------------------------------------

struct TLayoutCase {
  const char* name;
  int lineWidth;
  int fixed;  // rows and columns
  int leftCol, topRow;
  int hiddenCol;  // -1: none
  int col, row;
  RECT rect;  // of (col, row)
  POINT point;
  TGridCell at;  // the cell at point
  int visibleRows;
};

// 4 columns of 50 (column 2: 30), 100 000 rows of 20 (row 0: 25), in 150 x 150.
TGridGeometry Layout(int lineWidth, int fixed, int leftCol, int topRow, int hiddenCol = -1) {
  TGridGeometry g;
  g.SetClientSize(150, 150);
  g.Cols.SetDefaultSize(50);
  g.Rows.SetDefaultSize(20);
  g.Cols.SetCount(4);
  g.Rows.SetCount(100000);
  g.Cols.SetSize(2, 30);
  g.Rows.SetSize(0, 25);
  if (hiddenCol >= 0) g.Cols.SetSize(hiddenCol, -1);
  g.Cols.SetLineWidth(lineWidth);
  g.Rows.SetLineWidth(lineWidth);
  g.Cols.SetFixed(fixed);
  g.Rows.SetFixed(fixed);
  g.Cols.SetFirst(leftCol);
  g.Rows.SetFirst(topRow);
  return g;
}

TEST(GridGeometryTest, CellRectanglesAndCellsAtPoints) {
  const TLayoutCase cases[] = {
      {"lines, fixed first row and column", 1, 1, 1, 1, -1, 2, 2, {102, 47, 132, 67},
       {51, 26}, {1, 1}, 5},
      {"a point on a line belongs to the cell before it", 1, 1, 1, 1, -1, 0, 0, {0, 0, 50, 25},
       {50, 25}, {0, 0}, 5},
      {"no lines", 0, 1, 1, 1, -1, 1, 2, {50, 45, 100, 65}, {149, 144}, {3, 6}, 6},
      {"scrolled: rows above the top are not shown", 1, 1, 1, 500, -1, 1, 499, {0, 0, 0, 0},
       {60, 30}, {1, 500}, 5},
      {"scrolled: the fixed row stays", 1, 1, 2, 500, -1, 0, 0, {0, 0, 50, 25}, {60, 10},
       {2, 0}, 5},
      {"nothing fixed", 1, 0, 1, 0, -1, 2, 0, {51, 0, 81, 25}, {31, 26}, {1, 1}, 6},
      {"a hidden column takes no room", 1, 1, 1, 1, 2, 3, 1, {102, 26, 152, 46}, {110, 30},
       {3, 1}, 5},
      {"past the last cell", 1, 1, 1, 1, -1, 2, 1, {102, 26, 132, 46}, {190, 30}, {-1, -1}, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TGridGeometry g = Layout(c.lineWidth, c.fixed, c.leftCol, c.topRow, c.hiddenCol);
    RECT r = g.CellRect(c.col, c.row);
    EXPECT_EQ(r.left, c.rect.left);
    EXPECT_EQ(r.top, c.rect.top);
    EXPECT_EQ(r.right, c.rect.right);
    EXPECT_EQ(r.bottom, c.rect.bottom);
    TGridCell at = g.CellAt(c.point.x, c.point.y);
    EXPECT_EQ(at.Col, c.at.Col);
    EXPECT_EQ(at.Row, c.at.Row);
    EXPECT_EQ(g.Rows.FullVisibleCount(), c.visibleRows);
    if (c.hiddenCol >= 0) {
      r = g.CellRect(c.hiddenCol, c.row);
      EXPECT_TRUE(IsRectEmpty(&r));
    }
  }
}

TEST(GridGeometryTest, ScrollingStopsAtTheLastPageAndBringsCellsIntoView) {
  TGridGeometry g = Layout(1, 1, 1, 1);
  // 124 pixels under the fixed row hold the last row and four of 21 above it.
  g.Rows.SetFirst(200000);
  EXPECT_EQ(g.Rows.First(), 99995);
  EXPECT_EQ(g.Rows.LastVisible(), 99999);
  g.Rows.SetFirst(-3);
  EXPECT_EQ(g.Rows.First(), 1);
  EXPECT_TRUE(g.Rows.ScrollInView(40));
  EXPECT_EQ(g.Rows.First(), 36) << "the row comes in at the bottom, whole";
  EXPECT_FALSE(g.Rows.ScrollInView(38));
  EXPECT_TRUE(g.Rows.ScrollInView(10));
  EXPECT_EQ(g.Rows.First(), 10) << "and at the top from below";
  EXPECT_FALSE(g.Rows.ScrollInView(0)) << "fixed rows never scroll";
  // Sizing borders: only of scrolling columns shown, a few pixels either side.
  EXPECT_EQ(g.ColBorderAt(101), 1);
  EXPECT_EQ(g.ColBorderAt(98), 1);
  EXPECT_EQ(g.ColBorderAt(131), 2);
  EXPECT_EQ(g.ColBorderAt(75), -1);
  EXPECT_EQ(g.ColBorderAt(50), -1) << "the fixed column";
  // Moving a column takes its width along.
  g.Cols.Move(2, 3);
  EXPECT_EQ(g.Cols.Size(3), 30);
  EXPECT_EQ(g.Cols.Size(2), 50);
  // Fewer rows than the area holds: nothing to scroll.
  g.Rows.SetCount(3);
  EXPECT_EQ(g.Rows.First(), 1);
  EXPECT_EQ(g.Rows.FullVisibleCount(), 2);
}

// ---- A grid on a form ----------------------------------------------------------------------

// Writes "col:row" in its cells and notes what the base tells it.
class TTestGrid : public TCustomGrid {
public:
  using TCustomGrid::TCustomGrid;
  using TCustomGrid::GridState;

  std::map<std::pair<int, int>, std::string> texts;
  std::vector<std::pair<int, int>> edits;  // SetEditText calls
  std::vector<std::pair<int, int>> moves;  // ColumnMoved calls
  std::vector<TGridScrollDirections> timedScrolls;
  int refusedCol = -1;
  int selects = 0, topLeftChanges = 0, widthChanges = 0, draws = 0;
  int lowestRow = INT_MAX, highestRow = -1;
  bool canModify = true;

protected:
  void DrawCell(HDC dc, int col, int row, const RECT& rect, TGridDrawState state) override {
    ++draws;
    if (!(state & gdFixed)) lowestRow = std::min(lowestRow, row), highestRow = std::max(highestRow, row);
    std::string text = std::to_string(col) + ":" + std::to_string(row);
    RECT r = rect;
    r.left += 2;
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  bool SelectCell(int col, int row) override {
    ++selects;
    return col != refusedCol;
  }
  void TopLeftChanged() override { ++topLeftChanges; }
  void ColWidthsChanged() override { ++widthChanges; }
  void ColumnMoved(int from, int to) override { moves.emplace_back(from, to); }
  void TimedScroll(TGridScrollDirections directions) override {
    timedScrolls.push_back(directions);
    TCustomGrid::TimedScroll(directions);
  }
  bool CanEditModify() override { return canModify; }
  std::string GetEditText(int col, int row) override { return texts[{col, row}]; }
  void SetEditText(int col, int row, const std::string& text) override {
    edits.emplace_back(col, row);
    texts[{col, row}] = text;
  }
};

class TGridForm : public TForm {
public:
  explicit TGridForm(TComponent* owner) : TForm(owner, "TGridForm") {
    SetCaption("Grid");
    SetBounds(80, 60, 460, 320);
    Grid = new TTestGrid(this);
    Grid->SetParent(this);
    Grid->SetAlign(alClient);
    Grid->SetColCount(6);
    Grid->SetRowCount(1000);
    Grid->SetDefaultRowHeight(20);
    Grid->SetColWidth(0, 40);
  }
  TTestGrid* Grid;
};

class GridTest : public TFormFixture<TGridForm> {
protected:
  void SetUp() override {
    TFormFixture<TGridForm>::SetUp();
    grid = form->Grid;
    grid->SetFocus();
    PumpMs(50);
  }
  void Post(UINT msg, POINT p, WPARAM keys = 0) {
    PostMessageA(grid->Handle(), msg, keys, MAKELPARAM(p.x, p.y));
  }
  void Click(POINT p) {
    Post(WM_LBUTTONDOWN, p, MK_LBUTTON);
    Post(WM_LBUTTONUP, p);
    PumpMs(100);
  }
  void Wheel(int delta) {
    SendMessageA(grid->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
  }
  TTestGrid* grid = nullptr;
};

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

bool EditorShown(TCustomGrid* grid) {
  return grid->InplaceEditor() && IsWindowVisible(grid->InplaceEditor()->Handle());
}

TEST_F(GridTest, KeysMoveTheCurrentCellAndScroll) {
  const int v = grid->VisibleRowCount();
  ASSERT_GT(v, 5);
  ASSERT_LT(v, 100);
  struct TKeyCase {
    const char* name;
    WORD key;
    TShiftState shift;
    TGridOptions extra;
    int col, row, top;  // expected; the start is column 2, row 10, top row 5
  };
  const TKeyCase cases[] = {
      {"Down", VK_DOWN, 0, 0, 2, 11, 5},
      {"Up", VK_UP, 0, 0, 2, 9, 5},
      {"Right", VK_RIGHT, 0, 0, 3, 10, 5},
      {"Left", VK_LEFT, 0, 0, 1, 10, 5},
      {"Ctrl+Left: first scrolling column", VK_LEFT, ssCtrl, 0, 1, 10, 5},
      {"Ctrl+Right: last column", VK_RIGHT, ssCtrl, 0, 5, 10, 5},
      {"Page Down keeps the row's place", VK_NEXT, 0, 0, 2, 10 + v, 5 + v},
      {"Page Up stops at the top", VK_PRIOR, 0, 0, 2, std::max(1, 10 - v), 1},
      {"Home: first column", VK_HOME, 0, 0, 1, 10, 5},
      {"End: last column", VK_END, 0, 0, 5, 10, 5},
      {"Ctrl+Home: first cell", VK_HOME, ssCtrl, 0, 1, 1, 1},
      {"Ctrl+End: last cell", VK_END, ssCtrl, 0, 5, 999, 1000 - v},
      {"Home with row select: first row", VK_HOME, 0, goRowSelect, 2, 1, 1},
      {"End with row select: last row", VK_END, 0, goRowSelect, 2, 999, 1000 - v},
      {"Tab without tabs: nothing", VK_TAB, 0, 0, 2, 10, 5},
      {"Tab: next column", VK_TAB, 0, goTabs, 3, 10, 5},
      {"Shift+Tab: prior column", VK_TAB, ssShift, goTabs, 1, 10, 5},
  };
  const TGridOptions base = grid->Options();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    grid->SetOptions(base | c.extra);
    grid->SetTopRow(1);
    ASSERT_TRUE(grid->MoveCurrentCell(2, 10, false));
    grid->SetTopRow(5);
    TypeKey(grid->Handle(), c.key, c.shift);
    EXPECT_EQ(grid->Col(), c.col);
    EXPECT_EQ(grid->Row(), c.row);
    EXPECT_EQ(grid->TopRow(), c.top);
    grid->HideEditor();
  }
  grid->SetOptions(base | goTabs);
  // Tab wraps to the next row, passing columns without a tab stop; Shift+Tab wraps back.
  grid->SetTabStops(1, false);
  grid->MoveCurrentCell(5, 10, false);
  TypeKey(grid->Handle(), VK_TAB);
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Row(), 11);
  TypeKey(grid->Handle(), VK_TAB, ssShift);
  EXPECT_EQ(grid->Col(), 5);
  EXPECT_EQ(grid->Row(), 10);
  // A cell that SelectCell refuses is not entered.
  grid->refusedCol = 4;
  TypeKey(grid->Handle(), VK_LEFT);
  EXPECT_EQ(grid->Col(), 5);
  // Moving without events does not ask.
  int asked = grid->selects;
  EXPECT_TRUE(grid->MoveCurrentCell(4, 12, false));
  EXPECT_EQ(grid->selects, asked);
  EXPECT_FALSE(grid->MoveCurrentCell(0, 12, false)) << "a fixed cell is never current";
  EXPECT_FALSE(grid->MoveCurrentCell(4, 1000, false));
  EXPECT_EQ(grid->Col(), 4);
}

TEST_F(GridTest, AClickMakesTheCellCurrent) {
  RECT r = grid->CellRect(3, 4);
  TGridCell at = grid->MouseCoord(Centre(r).x, Centre(r).y);
  EXPECT_EQ(at.Col, 3);
  EXPECT_EQ(at.Row, 4);
  Click(Centre(r));
  EXPECT_EQ(grid->Col(), 3);
  EXPECT_EQ(grid->Row(), 4);
  EXPECT_EQ(grid->GridState(), gsNormal);
  EXPECT_EQ(GetCapture(), nullptr);
  // A fixed cell, a refused cell and a point past the cells change nothing.
  Click(Centre(grid->CellRect(0, 6)));
  grid->refusedCol = 2;
  Click(Centre(grid->CellRect(2, 6)));
  Click({grid->ClientWidth() - 2, Centre(r).y});
  EXPECT_EQ(grid->Col(), 3);
  EXPECT_EQ(grid->Row(), 4);
}

TEST_F(GridTest, ColumnsAreSizedAndMovedByMouseInTheFixedRow) {
  grid->SetOptions(grid->Options() | goColSizing | goColMoving);
  grid->SetColWidth(1, 50);
  // Sizing column 2 by its right border: 30 pixels wider.
  RECT title = grid->CellRect(2, 0);
  POINT border = {title.right, Centre(title).y};
  Post(WM_LBUTTONDOWN, border, MK_LBUTTON);
  Post(WM_MOUSEMOVE, {border.x + 10, border.y}, MK_LBUTTON);
  PumpMs(50);
  EXPECT_EQ(grid->GridState(), gsColSizing);
  EXPECT_EQ(grid->ColWidth(2), 74) << "the column follows the mouse";
  Post(WM_MOUSEMOVE, {border.x + 30, border.y}, MK_LBUTTON);
  Post(WM_LBUTTONUP, {border.x + 30, border.y});
  PumpMs(100);
  EXPECT_EQ(grid->ColWidth(2), 94);
  EXPECT_EQ(grid->widthChanges, 2);
  EXPECT_EQ(grid->GridState(), gsNormal);
  // The same border in a data row only clicks the cell.
  RECT cell = grid->CellRect(2, 3);
  Click({cell.right - 1, Centre(cell).y});
  EXPECT_EQ(grid->ColWidth(2), 94);
  EXPECT_EQ(grid->widthChanges, 2);

  // Moving column 1 (the current one) to column 4: width, tab stop and current cell go along.
  grid->SetTabStops(1, false);
  grid->MoveCurrentCell(1, 3, false);
  Post(WM_LBUTTONDOWN, Centre(grid->CellRect(1, 0)), MK_LBUTTON);
  Post(WM_MOUSEMOVE, Centre(grid->CellRect(3, 0)), MK_LBUTTON);
  Post(WM_LBUTTONUP, Centre(grid->CellRect(4, 0)));
  PumpMs(100);
  ASSERT_EQ(grid->moves.size(), 1u);
  EXPECT_EQ(grid->moves[0], std::make_pair(1, 4));
  EXPECT_EQ(grid->ColWidth(4), 50);
  EXPECT_EQ(grid->ColWidth(1), 94) << "old column 2 moved left";
  EXPECT_FALSE(grid->TabStops(4));
  EXPECT_TRUE(grid->TabStops(1));
  EXPECT_EQ(grid->Col(), 4);
  // Released over its own column: no move.
  Click(Centre(grid->CellRect(2, 0)));
  EXPECT_EQ(grid->moves.size(), 1u);
  // Without the options, neither happens.
  grid->SetOptions(grid->Options() & ~(goColSizing | goColMoving));
  title = grid->CellRect(2, 0);
  Post(WM_LBUTTONDOWN, {title.right, Centre(title).y}, MK_LBUTTON);
  Post(WM_LBUTTONUP, {title.right + 30, Centre(title).y});
  Post(WM_LBUTTONDOWN, Centre(title), MK_LBUTTON);
  Post(WM_LBUTTONUP, Centre(grid->CellRect(4, 0)));
  PumpMs(100);
  EXPECT_EQ(grid->ColWidth(2), title.right - title.left);
  EXPECT_EQ(grid->moves.size(), 1u);
}

TEST_F(GridTest, TheWheelMovesTheCurrentRow) {
  grid->MoveCurrentCell(2, 5, false);
  Wheel(-WHEEL_DELTA);
  EXPECT_EQ(grid->Row(), 6);
  Wheel(2 * WHEEL_DELTA);
  EXPECT_EQ(grid->Row(), 4);
  Wheel(WHEEL_DELTA / 2);
  EXPECT_EQ(grid->Row(), 4) << "half a notch waits for the other half";
  Wheel(WHEEL_DELTA / 2);
  EXPECT_EQ(grid->Row(), 3);
  grid->MoveCurrentCell(2, 1, false);
  Wheel(WHEEL_DELTA);
  EXPECT_EQ(grid->Row(), 1);
}

TEST_F(GridTest, HoldingTheMouseBelowTheCellsScrollsOnATimer) {
  RECT r = grid->CellRect(2, 3);
  POINT below = {Centre(r).x, grid->ClientHeight() + 20};
  // The real pointer waits where the posted moves say it is.
  POINT screen = below;
  ClientToScreen(grid->Handle(), &screen);
  SetCursorPos(screen.x, screen.y);
  Post(WM_LBUTTONDOWN, Centre(r), MK_LBUTTON);
  Post(WM_MOUSEMOVE, below, MK_LBUTTON);
  EXPECT_TRUE(PumpFor([&] { return grid->TopRow() > 3; }, 5000));
  ASSERT_FALSE(grid->timedScrolls.empty());
  EXPECT_EQ(grid->timedScrolls[0], sdDown);
  EXPECT_EQ(grid->Row(), grid->TopRow() + grid->VisibleRowCount() - 1) << "the bottom row";
  EXPECT_GT(grid->topLeftChanges, 0);
  Post(WM_LBUTTONUP, below);
  PumpMs(100);
  size_t ticks = grid->timedScrolls.size();
  int top = grid->TopRow();
  PumpMs(300);
  EXPECT_EQ(grid->timedScrolls.size(), ticks) << "the timer stopped with the button";
  EXPECT_EQ(grid->TopRow(), top);
}

TEST_F(GridTest, TheScrollBarScrollsTheRows) {
  const int v = grid->VisibleRowCount();
  auto bar = [&] {
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(grid->Handle(), SB_VERT, &si);
    return si;
  };
  EXPECT_EQ(bar().nMax, 998);
  EXPECT_EQ(static_cast<int>(bar().nPage), v);
  SendMessageA(grid->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(grid->TopRow(), 1 + v);
  EXPECT_EQ(bar().nPos, v);
  EXPECT_EQ(grid->Row(), 1) << "scrolling leaves the current cell";
  SendMessageA(grid->Handle(), WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(grid->TopRow(), v);
  SendMessageA(grid->Handle(), WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(grid->TopRow(), 1000 - v);
  EXPECT_EQ(bar().nPos, 999 - v);
  // Rows that all fit need no bar.
  grid->SetRowCount(3);
  EXPECT_FALSE(GetWindowLongA(grid->Handle(), GWL_STYLE) & WS_VSCROLL);
}

TEST_F(GridTest, TheEditorOpensOverTheCurrentCellAndCloses) {
  grid->texts[{2, 3}] = "first";
  grid->texts[{2, 4}] = "second";
  grid->MoveCurrentCell(2, 3, false);
  TypeKey(grid->Handle(), VK_F2);
  EXPECT_FALSE(EditorShown(grid)) << "editing is off";

  grid->SetOptions(grid->Options() | goEditing);
  TypeKey(grid->Handle(), VK_F2);
  ASSERT_TRUE(EditorShown(grid));
  TInplaceEdit* editor = grid->InplaceEditor();
  EXPECT_TRUE(grid->EditorMode());
  RECT cell = grid->CellRect(2, 3);
  EXPECT_EQ(editor->Left(), cell.left);
  EXPECT_EQ(editor->Top(), cell.top);
  EXPECT_EQ(editor->Width(), cell.right - cell.left);
  EXPECT_EQ(editor->Text(), "first");
  EXPECT_EQ(GetFocus(), editor->Handle());
  // Typing replaces the selected text and reports it; a refusal keeps it.
  PostMessageA(editor->Handle(), WM_CHAR, 'X', 1);
  PumpMs(50);
  EXPECT_EQ(editor->Text(), "X");
  EXPECT_EQ(grid->texts[std::make_pair(2, 3)], "X");
  grid->canModify = false;
  PostMessageA(editor->Handle(), WM_CHAR, 'Y', 1);
  PumpMs(50);
  EXPECT_EQ(editor->Text(), "X");
  grid->canModify = true;
  // Down in the editor moves to the next row and the editor goes along.
  TypeKey(editor->Handle(), VK_DOWN);
  EXPECT_EQ(grid->Row(), 4);
  EXPECT_TRUE(EditorShown(grid));
  EXPECT_EQ(editor->Top(), grid->CellRect(2, 4).top);
  EXPECT_EQ(editor->Text(), "second");
  // Escape closes it and gives the focus back to the grid.
  TypeKey(editor->Handle(), VK_ESCAPE);
  EXPECT_FALSE(EditorShown(grid));
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(GetFocus(), grid->Handle());
  // A click on the current cell opens it; a click on another cell closes it.
  Click(Centre(grid->CellRect(2, 4)));
  EXPECT_TRUE(EditorShown(grid));
  Click(Centre(grid->CellRect(3, 5)));
  EXPECT_FALSE(EditorShown(grid));
  EXPECT_EQ(grid->Col(), 3);
  // Enter opens and closes it.
  TypeKey(grid->Handle(), VK_RETURN);
  EXPECT_TRUE(EditorShown(grid));
  TypeKey(editor->Handle(), VK_RETURN);
  EXPECT_FALSE(EditorShown(grid));
  // Scrolled out of sight it hides, and comes back with its cell.
  TypeKey(grid->Handle(), VK_F2);
  SendMessageA(grid->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_FALSE(EditorShown(grid));
  EXPECT_TRUE(grid->EditorMode());
  SendMessageA(grid->Handle(), WM_VSCROLL, SB_TOP, 0);
  EXPECT_TRUE(EditorShown(grid));
  // Always shown: Escape leaves it; row select never shows it.
  grid->SetOptions(grid->Options() | goAlwaysShowEditor);
  TypeKey(editor->Handle(), VK_ESCAPE);
  EXPECT_TRUE(EditorShown(grid));
  grid->SetOptions(grid->Options() | goRowSelect);
  EXPECT_FALSE(EditorShown(grid));
}

TEST_F(GridTest, PictureShowsFixedCellsLinesAndTheSelection) {
  grid->SetOptions(grid->Options() | goRowSelect);
  grid->MoveCurrentCell(2, 2, false);
  PumpMs(200);
  int w = 0, h = 0;
  auto pixels = SaveWindowPicture(grid->Handle(), "ui_grid.bmp", w, h);
  ASSERT_FALSE(pixels.empty());
  // The picture holds the window's border; cell coordinates are the client area's.
  POINT origin = {0, 0};
  ClientToScreen(grid->Handle(), &origin);
  RECT window;
  GetWindowRect(grid->Handle(), &window);
  auto pixel = [&](int x, int y) {
    return pixels[(y + origin.y - window.top) * w + (x + origin.x - window.left)];
  };
  RECT fixed = grid->CellRect(0, 0), current = grid->CellRect(2, 2), other = grid->CellRect(4, 2);
  RECT plain = grid->CellRect(3, 4);
  EXPECT_EQ(pixel(fixed.right - 3, fixed.bottom - 3), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(pixel(fixed.right, fixed.top + 3), RGB(0, 0, 0)) << "a fixed line";
  EXPECT_EQ(pixel(plain.right, plain.top + 3), RGB(192, 192, 192)) << "a cell line";
  EXPECT_EQ(pixel(plain.right - 3, plain.bottom - 3), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(pixel(current.right - 3, current.bottom - 3), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(pixel(other.right - 3, other.bottom - 3), GetSysColor(COLOR_HIGHLIGHT))
      << "the whole row is selected";
}

TEST_F(GridTest, ARepaintDrawsOnlyTheCellsShown) {
  grid->SetRowCount(100000);
  const int v = grid->VisibleRowCount();
  auto repaint = [&] {
    grid->draws = 0;
    grid->lowestRow = INT_MAX;
    grid->highestRow = -1;
    InvalidateRect(grid->Handle(), nullptr, FALSE);
    UpdateWindow(grid->Handle());
  };
  repaint();
  const int shown = grid->draws;
  EXPECT_LE(shown, (v + 2) * grid->ColCount());
  EXPECT_EQ(grid->lowestRow, 1);
  EXPECT_LE(grid->highestRow, v + 1);
  TypeKey(grid->Handle(), VK_END, ssCtrl);
  EXPECT_EQ(grid->TopRow(), 100000 - v);
  repaint();
  EXPECT_LE(grid->draws, shown) << "no more cells at the end than at the start";
  EXPECT_EQ(grid->lowestRow, 100000 - v);
  EXPECT_EQ(grid->highestRow, 99999);
  // Invalidating one cell draws that cell alone.
  grid->draws = 0;
  grid->InvalidateCell(3, 99995);
  UpdateWindow(grid->Handle());
  EXPECT_EQ(grid->draws, 1);
}

TEST(GridPaintBufferTest, SharedByAllGridsAndFreedWithTheLast) {
  Application.Initialize();
  EXPECT_EQ(TGridPaintBuffer::Users(), 0);
  auto* form = NewForm<TGridForm>(nullptr);
  auto* second = new TTestGrid(form);
  second->SetParent(form);
  EXPECT_EQ(TGridPaintBuffer::Users(), 2);
  EXPECT_TRUE(TGridPaintBuffer::Allocated());
  delete second;
  EXPECT_EQ(TGridPaintBuffer::Users(), 1);
  form->Free();
  EXPECT_EQ(TGridPaintBuffer::Users(), 0);
  EXPECT_FALSE(TGridPaintBuffer::Allocated());
}

}  // namespace
