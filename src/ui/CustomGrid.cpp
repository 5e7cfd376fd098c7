#include "CustomGrid.h"
#include <algorithm>
#include "Font.h"
#include "Timer.h"

TCustomGrid::TCustomGrid(TComponent* owner) : TControl(owner) {
  defaultColor_ = clWindow;
  geometry_.Cols.SetDefaultSize(64);
  geometry_.Rows.SetDefaultSize(24);
  ApplyLineWidths();
  geometry_.Cols.SetCount(5);
  geometry_.Rows.SetCount(5);
  geometry_.Cols.SetFixed(1);
  geometry_.Rows.SetFixed(1);
  tabStops_.assign(5, true);
  current_ = {1, 1};
  SetBounds(0, 0, 320, 120);
}

void TCustomGrid::CreateParams(TCreateParams& params) {
  params.className = "TCustomGrid";
  params.ownClass = true;
  params.style |= WS_TABSTOP | WS_CLIPCHILDREN;  // the editor paints itself
  params.exStyle |= WS_EX_CLIENTEDGE;
}

void TCustomGrid::HandleCreated() {
  bars_[0] = bars_[1] = {};
  SyncClientSize();
  UpdateScrollBars();
  UpdateEditor();
}

void TCustomGrid::Resized() {
  SyncClientSize();
  TControl::Resized();
}

void TCustomGrid::SyncClientSize() { geometry_.SetClientSize(ClientWidth(), ClientHeight()); }

void TCustomGrid::FontChanged() {
  if (editor_ && GetFont()) editor_->SetFont(*GetFont());
  Invalidate();
}

void TCustomGrid::Relayout(const std::function<void()>& change) {
  int left = LeftCol(), top = TopRow();
  change();
  ClampCurrent();
  UpdateScrollBars();
  UpdateEditor();
  Invalidate();
  if (left != LeftCol() || top != TopRow()) TopLeftChanged();
}

void TCustomGrid::SetColCount(int count) {
  Relayout([&] {
    geometry_.Cols.SetCount(count);
    tabStops_.resize(ColCount(), true);
  });
}

void TCustomGrid::SetRowCount(int count) {
  Relayout([&] { geometry_.Rows.SetCount(count); });
}

void TCustomGrid::SetFixedCols(int count) {
  Relayout([&] { geometry_.Cols.SetFixed(count); });
}

void TCustomGrid::SetFixedRows(int count) {
  Relayout([&] { geometry_.Rows.SetFixed(count); });
}

void TCustomGrid::SetDefaultColWidth(int width) {
  Relayout([&] { geometry_.Cols.SetDefaultSize(width); });
}

void TCustomGrid::SetDefaultRowHeight(int height) {
  Relayout([&] { geometry_.Rows.SetDefaultSize(height); });
}

void TCustomGrid::SetColWidth(int col, int width) {
  Relayout([&] { geometry_.Cols.SetSize(col, width); });
}

void TCustomGrid::SetRowHeight(int row, int height) {
  Relayout([&] { geometry_.Rows.SetSize(row, height); });
}

void TCustomGrid::SetGridLineWidth(int width) {
  lineWidth_ = std::max(0, width);
  Relayout([&] { ApplyLineWidths(); });
}

void TCustomGrid::ApplyLineWidths() {
  geometry_.Cols.SetLineWidth(options_ & (goFixedVertLine | goVertLine) ? lineWidth_ : 0);
  geometry_.Rows.SetLineWidth(options_ & (goFixedHorzLine | goHorzLine) ? lineWidth_ : 0);
}

void TCustomGrid::SetOptions(TGridOptions options) {
  if (options == options_) return;
  options_ = options;
  if ((options_ & (goEditing | goRowSelect)) != goEditing) HideEditor();
  if (options_ & goAlwaysShowEditor) editorMode_ = true;
  Relayout([&] { ApplyLineWidths(); });
}

void TCustomGrid::SetFixedColor(TColor color) {
  fixedColor_ = color;
  Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle bars) {
  scrollBars_ = bars;
  UpdateScrollBars();
}

void TCustomGrid::SetTopRow(int row) {
  int left = LeftCol(), top = TopRow();
  geometry_.Rows.SetFirst(row);
  TopLeftMoved(left, top);
}

void TCustomGrid::SetLeftCol(int col) {
  int left = LeftCol(), top = TopRow();
  geometry_.Cols.SetFirst(col);
  TopLeftMoved(left, top);
}

void TCustomGrid::TopLeftMoved(int oldLeft, int oldTop) {
  if (oldLeft == LeftCol() && oldTop == TopRow()) return;
  Invalidate();
  UpdateScrollBars();
  PlaceEditor();
  TopLeftChanged();
}

int TCustomGrid::VisibleRowCount() const { return geometry_.Rows.FullVisibleCount(); }

int TCustomGrid::VisibleColCount() const { return geometry_.Cols.FullVisibleCount(); }

RECT TCustomGrid::CellRect(int col, int row) const { return geometry_.CellRect(col, row); }

TGridCell TCustomGrid::MouseCoord(int x, int y) const { return geometry_.CellAt(x, y); }

bool TCustomGrid::TabStops(int col) const {
  return col >= 0 && col < ColCount() && tabStops_[col];
}

void TCustomGrid::SetTabStops(int col, bool stop) {
  if (col >= 0 && col < ColCount()) tabStops_[col] = stop;
}

bool TCustomGrid::MoveCurrentCell(int col, int row, bool withEvents) {
  if (col < FixedCols() || col >= ColCount() || row < FixedRows() || row >= RowCount()) return false;
  if (withEvents && !SelectCell(col, row)) return false;
  TGridCell old = current_;
  current_ = {col, row};
  if (!(old == current_)) {
    InvalidateCurrent(old);
    InvalidateCurrent(current_);
  }
  int left = LeftCol(), top = TopRow();
  geometry_.Cols.ScrollInView(col);
  geometry_.Rows.ScrollInView(row);
  TopLeftMoved(left, top);
  UpdateEditor();
  return true;
}

void TCustomGrid::ClampCurrent() {
  auto clamp = [](int v, int fixed, int count) {
    return count == 0 ? -1 : std::max(std::min(fixed, count - 1), std::min(v, count - 1));
  };
  TGridCell cell = {clamp(current_.Col, FixedCols(), ColCount()),
                    clamp(current_.Row, FixedRows(), RowCount())};
  if (cell == current_) return;
  current_ = cell;
  Invalidate();
}

void TCustomGrid::InvalidateCurrent(TGridCell cell) {
  if (options_ & goRowSelect)
    InvalidateRow(cell.Row);
  else
    InvalidateCell(cell.Col, cell.Row);
}

void TCustomGrid::InvalidateCell(int col, int row) {
  if (!HandleAllocated()) return;
  RECT r = CellRect(col, row);
  if (IsRectEmpty(&r)) return;
  r.right += geometry_.Cols.LineWidth();
  r.bottom += geometry_.Rows.LineWidth();
  InvalidateRect(Handle(), &r, FALSE);
}

void TCustomGrid::InvalidateRow(int row) {
  if (!HandleAllocated()) return;
  int top = geometry_.Rows.Start(row);
  if (top < 0) return;
  RECT r = {0, top, ClientWidth(), top + geometry_.Rows.Extent(row)};
  InvalidateRect(Handle(), &r, FALSE);
}

void TCustomGrid::UpdateScrollBars() {
  if (!HandleAllocated() || updatingScrollBars_) return;
  updatingScrollBars_ = true;
  // A bar that comes or goes changes the client area, and so what the other bar shows.
  for (int pass = 0; pass < 3; ++pass) {
    int width = ClientWidth(), height = ClientHeight();
    UpdateVertScrollBar();
    UpdateHorzScrollBar();
    if (width == ClientWidth() && height == ClientHeight()) break;
  }
  updatingScrollBars_ = false;
}

void TCustomGrid::UpdateVertScrollBar() {
  if (scrollBars_ != ssVertical && scrollBars_ != ssBoth) {
    SetScrollBar(SB_VERT, 0, 0, 0, 0);
    return;
  }
  SetScrollBar(SB_VERT, 0, RowCount() - FixedRows() - 1, VisibleRowCount(), TopRow() - FixedRows());
}

void TCustomGrid::UpdateHorzScrollBar() {
  if (scrollBars_ != ssHorizontal && scrollBars_ != ssBoth) {
    SetScrollBar(SB_HORZ, 0, 0, 0, 0);
    return;
  }
  SetScrollBar(SB_HORZ, 0, ColCount() - FixedCols() - 1, VisibleColCount(), LeftCol() - FixedCols());
}

void TCustomGrid::SetScrollBar(int bar, int min, int max, int page, int pos) {
  if (!HandleAllocated()) return;
  TScrollBarValues& known = bars_[bar == SB_VERT ? 1 : 0];
  TScrollBarValues now = {true, min, std::max(min, max), std::max(0, page), pos};
  if (known.set && known.min == now.min && known.max == now.max && known.page == now.page &&
      known.pos == now.pos)
    return;
  known = now;
  SCROLLINFO si = {};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = now.min;
  si.nMax = now.max;
  si.nPage = static_cast<UINT>(now.page);
  si.nPos = now.pos;
  SetScrollInfo(Handle(), bar, &si, TRUE);
}

int TCustomGrid::ScrollTrackPos(int bar) const {
  SCROLLINFO si = {};
  si.cbSize = sizeof si;
  si.fMask = SIF_TRACKPOS;
  GetScrollInfo(Handle(), bar, &si);
  return si.nTrackPos;
}

void TCustomGrid::VertScroll(WORD code) {
  int top = TopRow(), page = VisibleRowCount();
  switch (code) {
    case SB_LINEUP: --top; break;
    case SB_LINEDOWN: ++top; break;
    case SB_PAGEUP: top -= page; break;
    case SB_PAGEDOWN: top += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: top = FixedRows() + ScrollTrackPos(SB_VERT); break;
    case SB_TOP: top = FixedRows(); break;
    case SB_BOTTOM: top = RowCount() - 1; break;
    default: return;
  }
  SetTopRow(top);
}

void TCustomGrid::HorzScroll(WORD code) {
  int left = LeftCol(), page = VisibleColCount();
  switch (code) {
    case SB_LINELEFT: --left; break;
    case SB_LINERIGHT: ++left; break;
    case SB_PAGELEFT: left -= page; break;
    case SB_PAGERIGHT: left += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: left = FixedCols() + ScrollTrackPos(SB_HORZ); break;
    case SB_LEFT: left = FixedCols(); break;
    case SB_RIGHT: left = ColCount() - 1; break;
    default: return;
  }
  SetLeftCol(left);
}

LRESULT TCustomGrid::DialogCode(const MSG* msg) const {
  LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (options_ & goTabs) code |= DLGC_WANTTAB;
  // Enter and Escape belong to the grid (the editor, the subclass), not to the form's buttons.
  if (msg && msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
    code |= DLGC_WANTMESSAGE;
  return code;
}

bool TCustomGrid::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_ERASEBKGND:
      result = 1;  // Paint covers every pixel
      return true;
    case WM_SIZE:
      SyncClientSize();
      Relayout([] {});
      break;
    case WM_VSCROLL:
    case WM_HSCROLL:
      if (lParam) break;  // a scroll-bar control of ours would say so
      msg == WM_VSCROLL ? VertScroll(LOWORD(wParam)) : HorzScroll(LOWORD(wParam));
      result = 0;
      return true;
    case WM_GETDLGCODE:
      result = DialogCode(reinterpret_cast<const MSG*>(lParam));
      return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateCurrent(current_);
      break;
    default:
      if (InputMessage(msg, wParam, lParam, result)) return true;
      break;
  }
  return TControl::WndProc(msg, wParam, lParam, result);
}
