// The grid's painting: the cells shown, and nothing else, drawn on the shared off-screen bitmap
// and copied to the window at once.
#include "CustomGrid.h"

namespace {
const COLORREF kFixedLineColor = RGB(0, 0, 0);
const COLORREF kCellLineColor = RGB(192, 192, 192);

void Fill(HDC dc, const RECT& r, COLORREF color) {
  SetBkColor(dc, color);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, "", 0, nullptr);
}
}

void TCustomGrid::Paint(HDC dc, const RECT& client) {
  RECT box;
  if (GetClipBox(dc, &box) == NULLREGION) return;
  IntersectRect(&box, &box, &client);
  if (IsRectEmpty(&box)) return;
  int width = box.right - box.left, height = box.bottom - box.top;
  HDC buffer = paintBuffer_.Prepare(dc, width, height);
  if (!buffer) {  // no memory for the bitmap: paint straight on the window
    PaintCells(dc, box);
    return;
  }
  int saved = SaveDC(buffer);
  SetViewportOrgEx(buffer, -box.left, -box.top, nullptr);
  SelectObject(buffer, Font());
  PaintCells(buffer, box);
  RestoreDC(buffer, saved);
  BitBlt(dc, box.left, box.top, width, height, buffer, 0, 0, SRCCOPY);
}

void TCustomGrid::PaintCells(HDC dc, const RECT& box) {
  Fill(dc, box, ColorToRGB(BackColor()));
  bool focused = Focused() || (editor_ && editor_->Focused());
  geometry_.Rows.ForEachShown([&](int row, int y) {
    if (y >= box.bottom || y + geometry_.Rows.Extent(row) <= box.top) return;
    geometry_.Cols.ForEachShown([&](int col, int x) {
      if (x >= box.right || x + geometry_.Cols.Extent(col) <= box.left) return;
      PaintCell(dc, col, row, x, y, focused);
    });
  });
}

void TCustomGrid::PaintCell(HDC dc, int col, int row, int x, int y, bool focused) {
  RECT cell = {x, y, x + ColWidth(col), y + RowHeight(row)};
  bool fixed = col < FixedCols() || row < FixedRows();
  bool current = col == current_.Col && row == current_.Row;
  TGridDrawState state = fixed ? gdFixed : 0;
  if (!fixed && row == current_.Row && (current || (options_ & goRowSelect))) state |= gdSelected;
  if (!fixed && current && focused) state |= gdFocused;

  COLORREF back = ColorToRGB(fixed ? fixedColor_ : BackColor());
  COLORREF text = ColorToRGB(FontColor() == clDefault ? clWindowText : FontColor());
  if (state & gdSelected) {
    back = GetSysColor(COLOR_HIGHLIGHT);
    text = GetSysColor(COLOR_HIGHLIGHTTEXT);
  }
  int saved = SaveDC(dc);
  Fill(dc, cell, back);
  SetTextColor(dc, text);
  IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
  DrawCell(dc, col, row, cell, state);
  RestoreDC(dc, saved);

  // The lines after the cell; where its kind of line is off, the gap takes the cell's colour.
  int vertical = geometry_.Cols.LineWidth(), horizontal = geometry_.Rows.LineWidth();
  COLORREF gap = ColorToRGB(fixed ? fixedColor_ : BackColor());
  COLORREF line = fixed ? kFixedLineColor : kCellLineColor;
  if (vertical > 0) {
    bool on = options_ & (fixed ? goFixedVertLine : goVertLine);
    Fill(dc, {cell.right, cell.top, cell.right + vertical, cell.bottom + horizontal}, on ? line : gap);
  }
  if (horizontal > 0) {
    bool on = options_ & (fixed ? goFixedHorzLine : goHorzLine);
    Fill(dc, {cell.left, cell.bottom, cell.right, cell.bottom + horizontal}, on ? line : gap);
  }
}

void TCustomGrid::DrawCell(HDC, int, int, const RECT&, TGridDrawState) {}
