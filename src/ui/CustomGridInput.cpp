// The grid's keyboard and mouse: moving the current cell, sizing and moving columns, the wheel,
// and scrolling on a timer while the mouse is held outside the cells.
#include <algorithm>
#include "CustomGrid.h"
#include "Timer.h"

namespace {
const unsigned kTimedScrollMs = 60;

TShiftState MouseShift(WPARAM keys) {
  TShiftState shift = 0;
  if (keys & MK_SHIFT) shift |= ssShift;
  if (keys & MK_CONTROL) shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

POINT MousePoint(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}
}

bool TCustomGrid::InputMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  POINT p = MousePoint(lParam);
  switch (msg) {
    case WM_KEYDOWN: {
      WORD key = static_cast<WORD>(wParam);
      KeyDown(key, KeyboardShiftState());
      result = key ? DefaultProc(msg, key, lParam) : 0;
      return true;
    }
    case WM_CHAR: {
      char key = static_cast<char>(wParam);
      KeyPress(key);
      result = key ? DefaultProc(msg, static_cast<unsigned char>(key), lParam) : 0;
      return true;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      MouseDown(mbLeft, MouseShift(wParam) | (msg == WM_LBUTTONDBLCLK ? ssDouble : 0), p.x, p.y);
      return false;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      MouseDown(mbRight, MouseShift(wParam) | (msg == WM_RBUTTONDBLCLK ? ssDouble : 0), p.x, p.y);
      return false;
    case WM_MOUSEMOVE:
      MouseMove(MouseShift(wParam), p.x, p.y);
      return false;
    case WM_LBUTTONUP:
      MouseUp(mbLeft, MouseShift(wParam), p.x, p.y);
      return false;
    case WM_RBUTTONUP:
      MouseUp(mbRight, MouseShift(wParam), p.x, p.y);
      return false;  // the default procedure goes on to the context menu
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != Handle() && state_ != gsNormal) {
        state_ = gsNormal;
        StopTimedScroll();
      }
      return false;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) return false;
      {
        POINT at;
        GetCursorPos(&at);
        ScreenToClient(Handle(), &at);
        if (state_ != gsColSizing && SizingColumnAt(at.x, at.y) < 0) return false;
      }
      SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZEWE)));
      result = TRUE;
      return true;
    case WM_MOUSEWHEEL: {
      wheelDelta_ += GET_WHEEL_DELTA_WPARAM(wParam);
      TShiftState shift = MouseShift(GET_KEYSTATE_WPARAM(wParam));
      for (; wheelDelta_ >= WHEEL_DELTA; wheelDelta_ -= WHEEL_DELTA) DoMouseWheelUp(shift);
      for (; wheelDelta_ <= -WHEEL_DELTA; wheelDelta_ += WHEEL_DELTA) DoMouseWheelDown(shift);
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

int TCustomGrid::ShownColumn(int from, int step) const {
  for (int col = from; col >= FixedCols() && col < ColCount(); col += step)
    if (ColWidth(col) > 0) return col;
  return -1;
}

void TCustomGrid::KeyDown(WORD& key, TShiftState shift) {
  if (!CanGridAcceptKey(key, shift)) {
    key = 0;
    return;
  }
  TGridCell cell = current_;
  int top = TopRow();
  int page = VisibleRowCount();
  bool ctrl = shift & ssCtrl;
  bool rowSelect = options_ & goRowSelect;
  switch (key) {
    case VK_UP: --cell.Row; break;
    case VK_DOWN: ++cell.Row; break;
    case VK_PRIOR:
      cell.Row -= page;
      top -= page;
      break;
    case VK_NEXT:
      cell.Row += page;
      top += page;
      break;
    case VK_LEFT:
    case VK_RIGHT: {
      int step = key == VK_LEFT ? -1 : 1;
      if (rowSelect) {
        SetLeftCol(LeftCol() + step);  // the row is the selection: the columns just scroll
        key = 0;
        return;
      }
      int from = ctrl ? (step < 0 ? FixedCols() : ColCount() - 1) : cell.Col + step;
      int col = ShownColumn(from, ctrl ? -step : step);
      if (col >= 0) cell.Col = col;
      break;
    }
    case VK_HOME:
    case VK_END: {
      bool home = key == VK_HOME;
      int col = home ? ShownColumn(FixedCols(), 1) : ShownColumn(ColCount() - 1, -1);
      int row = home ? FixedRows() : RowCount() - 1;
      if (ctrl) {
        cell = {col >= 0 ? col : cell.Col, row};
      } else if (rowSelect) {
        cell.Row = row;
      } else if (col >= 0) {
        cell.Col = col;
      }
      break;
    }
    case VK_TAB:
      if (!(options_ & goTabs) || (shift & ssAlt)) return;
      NextTabStop(shift & ssShift, cell);
      break;
    case VK_F2:
      ShowEditor();
      key = 0;
      return;
    case VK_ESCAPE:
      if (editorMode_ && !(options_ & goAlwaysShowEditor)) {
        HideEditor();
        key = 0;
      }
      return;
    default:
      return;
  }
  key = 0;
  cell.Row = std::max(FixedRows(), std::min(cell.Row, RowCount() - 1));
  // Page keys keep the current row where it was on the screen.
  if (top != TopRow()) SetTopRow(top);
  if (!(cell == current_)) MoveCurrentCell(cell.Col, cell.Row, true);
}

bool TCustomGrid::NextTabStop(bool backwards, TGridCell& cell) const {
  int first = FixedCols(), last = ColCount() - 1;
  TGridCell at = current_;
  // One round of the columns reaches each of them once, wrapping to the next or prior row.
  for (int steps = 0; steps <= last - first; ++steps) {
    at.Col += backwards ? -1 : 1;
    if (at.Col > last) {
      at.Col = first;
      ++at.Row;
    } else if (at.Col < first) {
      at.Col = last;
      --at.Row;
    }
    if (at.Row < FixedRows() || at.Row >= RowCount()) return false;
    if (TabStops(at.Col) && ColWidth(at.Col) > 0) {
      cell = at;
      return true;
    }
  }
  return false;
}

void TCustomGrid::KeyPress(char& key) {
  if (key != '\r' || (options_ & (goEditing | goAlwaysShowEditor)) != goEditing) return;
  editorMode_ ? HideEditor() : ShowEditor();
  key = 0;
}

int TCustomGrid::SizingColumnAt(int x, int y) const {
  if (!(options_ & goColSizing) || y < 0 || y >= geometry_.Rows.FixedExtent()) return -1;
  return geometry_.ColBorderAt(x);
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!Designing() && !Focused() && !(editor_ && editor_->Focused())) SetFocus();
  if (button != mbLeft) return;
  int sizing = SizingColumnAt(x, y);
  if (sizing >= 0) {
    state_ = gsColSizing;
    sizingCol_ = sizing;
    sizingStartX_ = x;
    sizingStartWidth_ = ColWidth(sizing);
    SetCapture(Handle());
    return;
  }
  TGridCell cell = MouseCoord(x, y);
  if (!cell.Valid() || cell.Col < FixedCols()) return;
  if (cell.Row < FixedRows()) {
    if (!(options_ & goColMoving)) return;
    state_ = gsColMoving;
    movingFrom_ = cell.Col;
    SetCapture(Handle());
    return;
  }
  if (cell == current_ && (options_ & goEditing)) {
    ShowEditor();
    return;
  }
  if (!(options_ & goAlwaysShowEditor)) HideEditor();
  MoveCurrentCell(cell.Col, cell.Row, true);
  StartSelecting();
}

void TCustomGrid::StartSelecting() {
  if (!HandleAllocated()) return;
  state_ = gsSelecting;
  SetCapture(Handle());
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
  switch (state_) {
    case gsColSizing: {
      int width = std::max(0, sizingStartWidth_ + x - sizingStartX_);
      if (width == ColWidth(sizingCol_)) return;
      SetColWidth(sizingCol_, width);
      ColWidthsChanged();
      return;
    }
    case gsSelecting: {
      UpdateTimedScroll(x, y);
      TGridCell cell = MouseCoord(x, y);
      if (cell.Valid() && cell.Col >= FixedCols() && cell.Row >= FixedRows() && !(cell == current_))
        MoveCurrentCell(cell.Col, cell.Row, true);
      return;
    }
    default:
      return;
  }
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  switch (state_) {
    case gsColSizing:
      MouseMove(shift, x, y);
      break;
    case gsColMoving: {
      int col = geometry_.Cols.At(std::max(0, std::min(x, ClientWidth() - 1)));
      if (col < 0) col = geometry_.Cols.LastVisible();
      col = std::max(FixedCols(), col);
      if (col >= 0 && col != movingFrom_) MoveColumn(movingFrom_, col);
      break;
    }
    default:
      break;
  }
  EndMouseState();
}

void TCustomGrid::EndMouseState() {
  state_ = gsNormal;
  StopTimedScroll();
  if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
}

void TCustomGrid::MoveColumn(int from, int to) {
  geometry_.Cols.Move(from, to);
  bool stop = tabStops_[from];
  tabStops_.erase(tabStops_.begin() + from);
  tabStops_.insert(tabStops_.begin() + to, stop);
  int& col = current_.Col;
  if (col == from)
    col = to;
  else if (from < to && col > from && col <= to)
    --col;
  else if (to < from && col >= to && col < from)
    ++col;
  ColumnMoved(from, to);
  Invalidate();
  InvalidateEditor();
}

bool TCustomGrid::DoMouseWheelDown(TShiftState) {
  if (Row() < RowCount() - 1) MoveCurrentCell(Col(), Row() + 1, true);
  return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState) {
  if (Row() > FixedRows()) MoveCurrentCell(Col(), Row() - 1, true);
  return true;
}

void TCustomGrid::UpdateTimedScroll(int x, int y) {
  TGridScrollDirections directions = 0;
  if (x < geometry_.Cols.FixedExtent()) directions |= sdLeft;
  if (x >= ClientWidth()) directions |= sdRight;
  if (y < geometry_.Rows.FixedExtent()) directions |= sdUp;
  if (y >= ClientHeight()) directions |= sdDown;
  scrollDirections_ = directions;
  if (!directions) {
    StopTimedScroll();
    return;
  }
  if (!scrollTimer_) {
    scrollTimer_ = new TTimer(this);
    scrollTimer_->SetInterval(kTimedScrollMs);
    scrollTimer_->OnTimer = [this](TComponent*) {
      if (state_ == gsSelecting && scrollDirections_) TimedScroll(scrollDirections_);
    };
  }
  scrollTimer_->SetEnabled(true);
}

void TCustomGrid::StopTimedScroll() {
  scrollDirections_ = 0;
  if (scrollTimer_) scrollTimer_->SetEnabled(false);
}

void TCustomGrid::TimedScroll(TGridScrollDirections directions) {
  TGridCell cell = current_;
  if (directions & sdUp) cell.Row = TopRow() - 1;
  if (directions & sdDown) cell.Row = TopRow() + VisibleRowCount();
  if (directions & sdLeft) cell.Col = LeftCol() - 1;
  if (directions & sdRight) cell.Col = LeftCol() + VisibleColCount();
  cell.Row = std::max(FixedRows(), std::min(cell.Row, RowCount() - 1));
  cell.Col = std::max(FixedCols(), std::min(cell.Col, ColCount() - 1));
  if (!(cell == current_)) MoveCurrentCell(cell.Col, cell.Row, true);
}
