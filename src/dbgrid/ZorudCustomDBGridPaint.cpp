// The data grid's cells: the indicator, the titles and the data, each drawn on the grid's
// off-screen bitmap.
#include "ZorudCustomDBGrid.h"
#include <optional>
#include "Field.h"
#include "Form.h"
#include "IndicatorGlyphs.h"
#include "ZorudDataset.h"

namespace {

constexpr TColor clGrayText = 0x80000000 | COLOR_GRAYTEXT;

void Fill(HDC dc, const RECT& r, TColor color) {
  SetBkColor(dc, ColorToRGB(color));
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, "", 0, nullptr);
}

// Points the link's active record at a row for a scope, then back.
class TActiveRecordScope {
public:
  TActiveRecordScope(TGridDataLink& link, int row) : link_(link), saved_(link.ActiveRecord()) {
    link_.SetActiveRecord(row);
  }
  ~TActiveRecordScope() { link_.SetActiveRecord(saved_); }
  TActiveRecordScope(const TActiveRecordScope&) = delete;
  TActiveRecordScope& operator=(const TActiveRecordScope&) = delete;

private:
  TGridDataLink& link_;
  int saved_;
};

}  // namespace

void TZorudCustomDBGrid::DrawCell(HDC dc, int col, int row, const RECT& rect, TGridDrawState state) {
  if (Loading()) return;
  int dataCol = col - indicatorOffset_, dataRow = row - titleOffset_;
  if (dataCol < 0) {
    Fill(dc, rect, TCustomGrid::FixedColor());
    if (dataRow >= 0) DrawIndicatorCell(dc, dataRow, rect);
    return;
  }
  TZorudColumn& column = columns_[dataCol];
  if (!column.Showing()) return;
  if (dataRow < 0) DrawTitleCell(dc, column, rect);
  else DrawDataCell(dc, dataCol, dataRow, column, rect, state);
}

bool TZorudCustomDBGrid::RowMultiSelected(int dataRow) {
  if (!(options_ & dgMultiSelect) || !dataLink_.Active() || dataRow < 0) return false;
  TActiveRecordScope active(dataLink_, dataRow);
  int index;
  return selectedRows_.Find(dataLink_.DataSet()->GetBookmark(), index);
}

void TZorudCustomDBGrid::DrawIndicatorCell(HDC dc, int dataRow, const RECT& rect) {
  if (!dataLink_.Active()) return;
  bool current = dataRow == dataLink_.ActiveRecord();
  bool selected = RowMultiSelected(dataRow);
  if (!current && !selected) return;
  TIndicatorGlyph glyph = igCurrent;
  switch (dataLink_.DataSet()->State()) {
    case dsEdit: glyph = igEdit; break;
    case dsInsert: glyph = igInsert; break;
    case dsBrowse: glyph = selected ? (current ? igMultiArrow : igMultiDot) : igCurrent; break;
    default: break;
  }
  int frame = (options_ & dgColLines) && (options_ & dgRowLines) ? 1 : 2;
  int x = rect.right - IndicatorGlyphWidth - frame;
  int y = (rect.top + rect.bottom - IndicatorGlyphHeight) >> 1;
  DrawIndicatorGlyph(dc, glyph, x, y, ColorToRGB(clWindowText));
  if (current) indicatorRow_ = dataRow + titleOffset_;
}

void TZorudCustomDBGrid::DrawTitleCell(HDC dc, TZorudColumn& column, const RECT& cell) {
  TFont font = column.Title().Font();
  TColor color = column.Title().Color();
  if (OnDrawTitleAttr) OnDrawTitleAttr(this, column, font, color);
  RECT rect = cell;
  bool bothLines = (options_ & dgColLines) && (options_ & dgRowLines);
  Fill(dc, rect, color);
  if (bothLines) InflateRect(&rect, -1, -1);
  int frame = bothLines ? 1 : 2;
  int offset = column.Pressed() ? frame + 1 : frame;
  SelectObject(dc, font.Handle());
  SetTextColor(dc, ColorToRGB(font.Color));
  RECT text = {rect.left + offset, rect.top + offset, rect.right - 2, rect.bottom};
  if (!column.Pressed() && column.SortMarker() != smNone) {
    int x = rect.right - IndicatorGlyphWidth - frame;
    int y = (rect.top + rect.bottom - IndicatorGlyphHeight) >> 1;
    DrawIndicatorGlyph(dc, column.SortMarker() == smDown ? igSortDown : igSortUp, x, y, ColorToRGB(font.Color));
    text.right = x - 1;
  }
  WriteText(dc, text, column.Title().Caption(), column.Title().Alignment(), true);
  if (bothLines) DrawEdge(dc, &rect, column.Pressed() ? BDR_SUNKENINNER : BDR_RAISEDINNER, BF_RECT);
}

std::string TZorudCustomDBGrid::CellText(TZorudColumn& column) {
  TField* field = column.Field();
  if (column.ButtonStyle() == cbsLookup && column.LookupReady()) return column.LookupValue();
  if (!field) return {};
  std::string text = field->DataType() == ftMemo ? field->AsString() : field->DisplayText();
  if (field->DataType() == ftMemo) text = text.substr(0, text.find("\r\n"));
  return column.PickDisplayText(text);
}

bool TZorudCustomDBGrid::HighlightShown() const {
  return Focused() || (InplaceEditor() && InplaceEditor()->Focused()) || (options_ & dgAlwaysShowSelection);
}

bool TZorudCustomDBGrid::HighlightCell(int dataCol, int dataRow, TGridDrawState state) {
  if ((options_ & dgMultiSelect) && dataLink_.Active()) return RowMultiSelected(dataRow);
  return (state & gdSelected) && HighlightShown() && (updateLock_ == 0 || (options_ & dgRowSelect));
}

void TZorudCustomDBGrid::DrawDataCell(HDC dc, int dataCol, int dataRow, TZorudColumn& column, const RECT& rect,
                                      TGridDrawState state) {
  TFont font = column.Font();
  TColor color = column.Color();
  std::string text;
  TZorudDataset* ds = dataLink_.DataSet();
  bool hasRows = dataLink_.Active() && ds && (!ds->IsEmpty() || ds->State() == dsInsert);
  std::optional<TActiveRecordScope> active;
  if (hasRows) {
    active.emplace(dataLink_, dataRow);
    text = CellText(column);
  }
  if (HighlightCell(dataCol, dataRow, state)) {
    color = highlightColor_;
    font.Color = highlightTextColor_;
  }
  if (!Enabled()) font.Color = clGrayText;
  if (OnDrawCellAttr) OnDrawCellAttr(this, column, font, color, state);
  Fill(dc, rect, color);
  SelectObject(dc, font.Handle());
  SetTextColor(dc, ColorToRGB(font.Color));
  if (defaultDrawing_) {
    if (column.ButtonStyle() == cbsCheck) {
      bool checked = (column.FieldName() == "Selected" && RowMultiSelected(dataRow)) ||
                     (!column.ValueChecked().empty() && text == column.ValueChecked());
      int w = rect.right - rect.left, h = rect.bottom - rect.top;
      int side = w - 2 < h - 4 ? w - 4 : h - 4;
      int x = (rect.left + rect.right - side) / 2, y = (rect.top + rect.bottom - side) / 2;
      RECT box = {x, y, x + side, y + side};
      DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0));
    } else {
      RECT area = {rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom};
      WriteText(dc, area, text, column.Alignment(), column.WrapText());
    }
  }
  if (OnDrawColumnCell) OnDrawColumnCell(this, rect, dataCol, column, state);
  active.reset();
  TForm* form = ParentForm();
  bool activeControl = !form || form->ActiveControl() == this;
  if (defaultDrawing_ && (state & gdSelected) && (Focused() || (options_ & dgAlwaysShowSelection)) &&
      !(options_ & dgRowSelect) && updateLock_ == 0 && activeControl) {
    DrawFocusRect(dc, &rect);
  }
}

void TZorudCustomDBGrid::WriteText(HDC dc, const RECT& rect, const std::string& text, TAlignment alignment,
                                   bool wrap) {
  UINT flags = DT_EXPANDTABS | DT_NOPREFIX | (wrap ? DT_WORDBREAK : 0);
  flags |= alignment == taRightJustify ? DT_RIGHT : alignment == taCenter ? DT_CENTER : DT_LEFT;
  RECT r = rect;
  int mode = SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, text.c_str(), int(text.size()), &r, flags);
  SetBkMode(dc, mode);
}
