// The data grid: options, locks, the layout rebuild and the data link's notifications.
#include "ZorudCustomDBGrid.h"
#include <algorithm>
#include "DataSource.h"
#include "Field.h"
#include "GridError.h"
#include "TextMeasure.h"
#include "ZorudDataset.h"

namespace {

constexpr TZorudDBGridOptions kLayoutOptions = dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator |
                                               dgColLines | dgRowLines | dgRowSelect | dgAlwaysShowSelection;

bool KoreanSystem() { return PRIMARYLANGID(GetSystemDefaultLangID()) == LANG_KOREAN; }

const TFont& DialogFont() {
  static const TFont font;
  return font;
}

}  // namespace

TZorudCustomDBGrid::TZorudCustomDBGrid(TComponent* owner) : TCustomGrid(owner) {
  TCustomGrid::SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goColSizing |
                          goColMoving | goTabs | goEditing);
  SetColCount(2);
  SetRowCount(2);
  TZorudDBGridOptions options = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines |
                                dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;
  if (KoreanSystem()) options |= dgAlwaysShowEditor;
  SetOptions(options);
}

TZorudCustomDBGrid::~TZorudCustomDBGrid() {
  // The link must not call back into a grid half gone.
  dataLink_.SetDataSource(nullptr);
}

void TZorudCustomDBGrid::SetDataSource(TDataSource* source) {
  if (source == dataLink_.DataSource()) return;
  selectedRows_.Clear();
  dataLink_.SetDataSource(source);
  LinkActive(dataLink_.Active());
}

TGridOptions TZorudCustomDBGrid::BaseOptions(TZorudDBGridOptions options) const {
  TGridOptions base = 0;
  if (options & dgEditing) base |= goEditing;
  if (options & dgAlwaysShowEditor) base |= goAlwaysShowEditor;
  if (options & dgColumnResize) base |= goColSizing | goColMoving;
  if (options & dgColLines) base |= goFixedVertLine | goVertLine;
  if (options & dgRowLines) base |= goFixedHorzLine | goHorzLine;
  if (options & dgTabs) base |= goTabs;
  if (options & dgRowSelect) base |= goRowSelect;
  return base;
}

void TZorudCustomDBGrid::SetOptions(TZorudDBGridOptions options) {
  if (options & dgDragOutRows) options |= dgRowSelect;
  if (options & dgRowSelect) options &= ~(dgEditing | dgAlwaysShowEditor | dgEnterToTab);
  if (options == options_) return;
  TCustomGrid::SetOptions(BaseOptions(options));
  if ((options_ & dgMultiSelect) && !(options & dgMultiSelect)) selectedRows_.Clear();
  TZorudDBGridOptions changed = options ^ options_;
  options_ = options;
  allowInsert_ = allowInsert_ && (options_ & dgEditing);
  allowDelete_ = allowDelete_ && (options_ & dgEditing);
  if (changed & kLayoutOptions) LayoutChanged();
}

void TZorudCustomDBGrid::SetReadOnly(bool value) {
  readOnly_ = value;
  LayoutChanged();
}

void TZorudCustomDBGrid::SetHighlightColor(TColor color) {
  highlightColor_ = color;
  Invalidate();
}

void TZorudCustomDBGrid::SetHighlightTextColor(TColor color) {
  highlightTextColor_ = color;
  Invalidate();
}

void TZorudCustomDBGrid::SetRowsHeight(int height) {
  if (height == rowsHeight_) return;
  rowsHeight_ = height;
  LayoutChanged();
}

void TZorudCustomDBGrid::SetTitleHeight(int height) {
  if (height == titleHeight_) return;
  titleHeight_ = height;
  if (options_ & dgTitles) LayoutChanged();
}

void TZorudCustomDBGrid::SetTitleFont(const TFont& font) {
  titleFont_ = font;
  if (options_ & dgTitles) LayoutChanged();
}

void TZorudCustomDBGrid::SetFixedCols(int count) {
  if (count < 0) count = 0;
  if (dataLink_.Active() && indicatorOffset_ + count >= ColCount()) count = 0;
  fixedCols_ = count;
  LayoutChanged();
}

int TZorudCustomDBGrid::SelectedIndex() const {
  int index = Col() - indicatorOffset_;
  return index >= 0 && index < columns_.Count() ? index : -1;
}

TField* TZorudCustomDBGrid::SelectedField() const {
  int index = SelectedIndex();
  return index >= 0 ? columns_[index].Field() : nullptr;
}

TZorudColumn* TZorudCustomDBGrid::ColumnAtRaw(int col) const {
  int index = col - indicatorOffset_;
  return index >= 0 && index < columns_.Count() ? &columns_[index] : nullptr;
}

TColor TZorudCustomDBGrid::GridColor() const {
  return Color() == clDefault ? clWindow : Color();
}

const TFont& TZorudCustomDBGrid::GridFont() const { return GetFont() ? *GetFont() : DialogFont(); }

// ---- locks ----

void TZorudCustomDBGrid::EndUpdate() {
  if (updateLock_ <= 0) throw EInvalidGridOperation("Grid update ended more often than begun");
  --updateLock_;
}

void TZorudCustomDBGrid::BeginLayout() {
  BeginUpdate();
  if (layoutLock_ == 0) columns_.BeginUpdate();
  ++layoutLock_;
}

void TZorudCustomDBGrid::EndLayout() {
  if (layoutLock_ <= 0) throw EInvalidGridOperation("Grid layout ended more often than begun");
  if (layoutLock_ == 1) {
    try {
      InternalLayout();
    } catch (...) {
      columns_.AbandonUpdate();
      --layoutLock_;
      --updateLock_;
      throw;
    }
    columns_.EndUpdate();
  }
  --layoutLock_;
  EndUpdate();
}

void TZorudCustomDBGrid::CancelLayout() {
  if (layoutLock_ <= 0) throw EInvalidGridOperation("Grid layout ended more often than begun");
  if (layoutLock_ == 1) columns_.AbandonUpdate();
  --layoutLock_;
  EndUpdate();
}

bool TZorudCustomDBGrid::AcquireLayoutLock() {
  bool free = updateLock_ == 0 && layoutLock_ == 0;
  if (free) BeginLayout();
  return free;
}

void TZorudCustomDBGrid::LayoutChanged() {
  if (!Loading() && AcquireLayoutLock()) EndLayout();
}

void TZorudCustomDBGrid::DeferLayout() {
  if (!layoutDeferred_ && HandleAllocated()) {
    layoutDeferred_ = PostMessageA(Handle(), WM_DEFERLAYOUT, 0, 0) != 0;
  }
}

void TZorudCustomDBGrid::RemoveDeferredLayout() {
  if (!layoutDeferred_) return;
  MSG msg;
  if (HandleAllocated()) PeekMessageA(&msg, Handle(), WM_DEFERLAYOUT, WM_DEFERLAYOUT, PM_REMOVE | PM_NOYIELD);
  layoutDeferred_ = false;
}

bool TZorudCustomDBGrid::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_KILLFOCUS) LeaveGrid();
  if (msg != WM_DEFERLAYOUT) return TCustomGrid::WndProc(msg, wParam, lParam, result);
  layoutDeferred_ = false;
  if (AcquireLayoutLock()) EndLayout();
  else DeferLayout();
  result = 0;
  return true;
}

// ---- layout ----

void TZorudCustomDBGrid::InternalLayout() {
  RemoveDeferredLayout();
  indicatorOffset_ = (options_ & dgIndicator) ? 1 : 0;
  columns_.MapFields(dataLink_);
  columns_.FollowFieldMap(dataLink_);
  TCustomGrid::SetFixedCols(0);
  SetColCount(columns_.Count() + indicatorOffset_);
  titleOffset_ = (options_ & dgTitles) ? 1 : 0;
  UpdateRowCount();
  UpdateRowHeights();
  UpdateColumnAttributes();
  UpdateActive();
  Invalidate();
}

void TZorudCustomDBGrid::UpdateRowCount() {
  int old = RowCount();
  TCustomGrid::SetFixedRows(0);
  SetRowCount(titleOffset_ + 1);
  TCustomGrid::SetFixedRows(titleOffset_);
  if (dataLink_.Active() && dataLink_.RecordCount() > 0 && HandleAllocated()) {
    SetRowCount(1000);
    dataLink_.SetBufferCount(VisibleRowCount());
    SetRowCount(std::max(dataLink_.RecordCount(), 1) + titleOffset_);
    if (options_ & dgRowSelect) SetTopRow(FixedRows());
    UpdateActive();
  }
  if (old != RowCount()) Invalidate();
}

void TZorudCustomDBGrid::UpdateRowHeights() {
  int height = TTextMeasure(GridFont()).TextHeight("Wg") + 3;
  if (options_ & dgRowLines) height += GridLineWidth();
  SetDefaultRowHeight(std::max(height, rowsHeight_));
  if (!(options_ & dgTitles)) return;
  int title = 0;
  for (int i = 0; i < columns_.Count(); ++i)
    title = std::max(title, TTextMeasure(columns_[i].Title().Font()).TextHeight("Wg") + 4);
  if (title == 0) title = TTextMeasure(titleFont_).TextHeight("Wg") + 4;
  SetRowHeight(0, std::max(title, titleHeight_));
}

void TZorudCustomDBGrid::UpdateColumnAttributes() {
  int fixed = indicatorOffset_;
  if (fixedCols_ > 0 && indicatorOffset_ + fixedCols_ < ColCount()) fixed += fixedCols_;
  for (int col = indicatorOffset_; col < ColCount(); ++col) {
    TZorudColumn& column = columns_[col - indicatorOffset_];
    TField* field = column.Field();
    bool stop = col >= fixed && column.Showing() && !column.ReadOnly() && dataLink_.Active() && field &&
                !field->ReadOnly;
    SetTabStops(col, stop);
    int width = column.Width();
    SetColWidth(col, width < 0 ? -1 : width);
  }
  if (indicatorOffset_) {
    SetColWidth(0, IndicatorWidth);
    SetTabStops(0, false);
  }
  TCustomGrid::SetFixedCols(fixed);
}

void TZorudCustomDBGrid::UpdateActive() {
  if (!dataLink_.Active() || !HandleAllocated()) return;
  int row = dataLink_.ActiveRecord() + titleOffset_;
  if (row == Row() || row >= RowCount()) return;
  if (!(options_ & dgAlwaysShowEditor)) HideEditor();
  MoveCurrentCell(std::max(Col(), TCustomGrid::FixedCols()), row, false);
  InvalidateEditor();
}

void TZorudCustomDBGrid::HandleCreated() {
  TCustomGrid::HandleCreated();
  LayoutChanged();
  UpdateVertScrollBar();
}

void TZorudCustomDBGrid::Resized() {
  TCustomGrid::Resized();
  if (HandleAllocated() && layoutLock_ == 0) {
    UpdateRowCount();
    UpdateVertScrollBar();
  }
}

void TZorudCustomDBGrid::FontChanged() {
  TCustomGrid::FontChanged();
  LayoutChanged();
}

void TZorudCustomDBGrid::ColumnChanged(TZorudColumn& column) {
  int col = column.Index() + indicatorOffset_;
  if (col >= ColCount()) return;
  int width = column.Width();
  SetColWidth(col, width < 0 ? -1 : width);
  Invalidate();
}

void TZorudCustomDBGrid::InvalidateColumn(TZorudColumn& column) {
  int col = column.Index() + indicatorOffset_;
  for (int row = 0; row < RowCount(); ++row)
    if (row < TitleOffset() || (row >= TopRow() && row < TopRow() + VisibleRowCount() + 1)) InvalidateCell(col, row);
}

// ---- the data link's notifications ----

void TZorudCustomDBGrid::LinkActive(bool active) {
  if (!active) HideEditor();
  selectedRows_.LinkActive(active);
  if (!active) selectedRows_.Clear();
  LayoutChanged();
  UpdateVertScrollBar();
  if (active && (options_ & dgAlwaysShowEditor)) ShowEditor();
}

void TZorudCustomDBGrid::DataChanged() {
  if (!HandleAllocated()) return;
  UpdateRowCount();
  UpdateVertScrollBar();
  UpdateActive();
  InvalidateEditor();
  Invalidate();
}

void TZorudCustomDBGrid::Scroll(int distance) {
  if (!HandleAllocated()) return;
  if (distance != 0 && !(options_ & dgAlwaysShowEditor)) HideEditor();
  UpdateActive();
  UpdateVertScrollBar();
  Invalidate();
}

void TZorudCustomDBGrid::RecordChanged(TField* field) {
  if (!HandleAllocated()) return;
  InvalidateRow(Row());
  InvalidateEditor();
}

void TZorudCustomDBGrid::UpdateData() {
  TField* field = SelectedField();
  TZorudColumn* column = ColumnAtRaw(Col());
  if (!field || !column || !InplaceEditor()) return;
  field->SetAsString(column->PickStoredText(InplaceEditor()->Caption()));
}

void TZorudCustomDBGrid::EditingChanged() {
  if (indicatorOffset_ && HandleAllocated()) InvalidateCell(0, Row());
}

bool TZorudCustomDBGrid::FocusField(TField* field) {
  for (int i = 0; i < columns_.Count(); ++i) {
    if (columns_[i].Field() != field) continue;
    MoveCurrentCell(i + indicatorOffset_, Row(), true);
    if (Col() != i + indicatorOffset_) return false;
    SetFocus();
    if (!Focused()) return false;
    ShowEditor();
    return true;
  }
  return false;
}

void TZorudCustomDBGrid::InvalidateCurrentRow() {
  if (HandleAllocated()) InvalidateRow(Row());
}

void TZorudCustomDBGrid::MultiSelectChanged() {
  if (OnMultiSelectChanged) OnMultiSelectChanged(this);
}

// ---- the scroll bar follows the dataset ----

void TZorudCustomDBGrid::UpdateVertScrollBar() {
  TZorudDataset* ds = dataLink_.DataSet();
  if (!HandleAllocated()) return;
  if (!dataLink_.Active() || !ds) {
    SetScrollBar(SB_VERT, 0, 0, 0, 0);
    return;
  }
  int page = VisibleRowCount();
  SetScrollBar(SB_VERT, 1, ds->RecordCount() + page - 1, page, std::max(ds->RecNo(), 1));
}

void TZorudCustomDBGrid::VertScroll(WORD code) {
  TZorudDataset* ds = dataLink_.DataSet();
  if (!dataLink_.Active() || !ds) {
    TCustomGrid::VertScroll(code);
    return;
  }
  switch (code) {
    case SB_LINEUP: ds->MoveBy(-(dataLink_.ActiveRecord() + 1)); break;
    case SB_LINEDOWN: ds->MoveBy(dataLink_.RecordCount() - dataLink_.ActiveRecord()); break;
    case SB_PAGEUP: ds->MoveBy(-VisibleRowCount()); break;
    case SB_PAGEDOWN: ds->MoveBy(VisibleRowCount()); break;
    case SB_TOP: ds->First(); break;
    case SB_BOTTOM: ds->Last(); break;
    case SB_THUMBPOSITION: {
      int pos = ScrollTrackPos(SB_VERT);
      if (pos <= 1) ds->First();
      else if (pos < ds->RecordCount()) ds->SetRecNo(pos);
      else ds->Last();
      break;
    }
    default: break;
  }
  UpdateVertScrollBar();
}
