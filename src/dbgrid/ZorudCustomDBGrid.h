#pragma once
#include <climits>
#include <functional>
#include <string>
#include "BookmarkList.h"
#include "CustomGrid.h"
#include "DBGridColumnsHost.h"
#include "DBGridHost.h"
#include "Font.h"
#include "GridDataLink.h"
#include "ZorudDBGridColumns.h"

class TDataSource;

using TZorudDBGridOptions = unsigned;
constexpr TZorudDBGridOptions dgEditing = 1 << 0, dgAlwaysShowEditor = 1 << 1, dgTitles = 1 << 2,
                              dgIndicator = 1 << 3, dgColumnResize = 1 << 4, dgColLines = 1 << 5,
                              dgRowLines = 1 << 6, dgTabs = 1 << 7, dgRowSelect = 1 << 8,
                              dgAlwaysShowSelection = 1 << 9, dgConfirmDelete = 1 << 10,
                              dgCancelOnExit = 1 << 11, dgMultiSelect = 1 << 12,
                              dgDragOutRows = 1 << 13, dgEnterToTab = 1 << 14;

constexpr TColor clHighlight = 0x80000000 | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = 0x80000000 | COLOR_HIGHLIGHTTEXT;

class TZorudCustomDBGrid;
using TDrawCellAttrEvent = std::function<void(TZorudCustomDBGrid* sender, TZorudColumn& column, TFont& font,
                                              TColor& color, TGridDrawState state)>;
using TDrawTitleAttrEvent =
    std::function<void(TZorudCustomDBGrid* sender, TZorudColumn& column, TFont& font, TColor& color)>;
using TMovedEvent = std::function<void(TZorudCustomDBGrid* sender, int fromIndex, int toIndex)>;
using TDBGridClickEvent = std::function<void(TZorudCustomDBGrid* sender, TZorudColumn& column)>;
using TDrawColumnCellEvent = std::function<void(TZorudCustomDBGrid* sender, const RECT& rect, int dataCol,
                                                TZorudColumn& column, TGridDrawState state)>;

// A grid over a dataset: one row per record of the data link's window of rows, one column per
// column of Columns, with a title row and an indicator column. Moving in the grid moves the
// dataset; the dataset's moves and changes come back through the data link.
class TZorudCustomDBGrid : public TCustomGrid, public TDBGridHost, public TDBGridColumnsHost {
public:
  // The deferred layout rebuild.
  static constexpr UINT WM_DEFERLAYOUT = WM_USER + 100;
  static constexpr int IndicatorWidth = 11;

  explicit TZorudCustomDBGrid(TComponent* owner);
  ~TZorudCustomDBGrid() override;

  TDataSource* DataSource() const { return dataLink_.DataSource(); }
  void SetDataSource(TDataSource* source);
  TGridDataLink& DataLink() { return dataLink_; }
  TZorudDBGridColumns& Columns() { return columns_; }
  TBookmarkList& SelectedRows() { return selectedRows_; }

  TZorudDBGridOptions Options() const { return options_; }
  void SetOptions(TZorudDBGridOptions options);
  bool AllowDelete() const { return allowDelete_; }
  void SetAllowDelete(bool value) { allowDelete_ = value && (options_ & dgEditing); }
  bool AllowInsert() const { return allowInsert_; }
  void SetAllowInsert(bool value) { allowInsert_ = value && (options_ & dgEditing); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool value) { defaultDrawing_ = value; }
  TColor HighlightColor() const { return highlightColor_; }
  void SetHighlightColor(TColor color);
  TColor HighlightTextColor() const { return highlightTextColor_; }
  void SetHighlightTextColor(TColor color);
  int RowsHeight() const { return rowsHeight_; }
  void SetRowsHeight(int height);
  int TitleHeight() const { return titleHeight_; }
  void SetTitleHeight(int height);
  const TFont& TitleFont() const { return titleFont_; }
  void SetTitleFont(const TFont& font);
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int count);

  int TitleOffset() const { return titleOffset_; }
  int IndicatorOffset() const { return indicatorOffset_; }
  // The data column of the current cell, -1 for none, and its field.
  int SelectedIndex() const;
  TField* SelectedField() const;
  TField* Fields(int index) const { return dataLink_.Fields(index); }
  int FieldCount() const { return dataLink_.FieldCount(); }

  // Locks: every Begin needs its End; one too many is a programming error and throws.
  void BeginUpdate() { ++updateLock_; }
  void EndUpdate();
  int UpdateLock() const { return updateLock_; }
  void BeginLayout();
  void EndLayout();
  void CancelLayout();
  int LayoutLock() const { return layoutLock_; }
  // Rebuilds after the current message, once, however often asked.
  void DeferLayout();
  bool LayoutDeferred() const { return layoutDeferred_; }

  // The data link's notifications, and what the selected rows ask.
  void LinkActive(bool active) override;
  void DataChanged() override;
  void Scroll(int distance) override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;
  void EditingChanged() override;
  // Rebuilds now when no lock is held.
  void LayoutChanged() override;
  bool FocusField(TField* field) override;
  void InvalidateGrid() override { Invalidate(); }
  void InvalidateCurrentRow() override;
  void MultiSelectChanged() override;

  // Nested datasets cannot occur in this table engine: there is never a pop-up grid to show.
  void ShowPopupEditor(TZorudColumn& column, int x = INT_MIN, int y = INT_MIN) {}

  TDrawCellAttrEvent OnDrawCellAttr;
  TDrawTitleAttrEvent OnDrawTitleAttr;
  TDrawColumnCellEvent OnDrawColumnCell;
  TNotifyEvent OnMultiSelectChanged;
  TKeyEvent OnKeyDown;
  TNotifyEvent OnColEnter, OnColExit, OnDblClick;
  TDBGridClickEvent OnCellClick, OnTitleClick, OnColumnResized;
  TMovedEvent OnColumnMoved;
  // Set by a click on a column that shows its long text as a hint.
  std::string Hint;

protected:
  // What the grid gives its columns.
  const TComponent* GridComponent() const override { return this; }
  TGridDataLink& GridDataLink() override { return dataLink_; }
  TColor GridColor() const override;
  TColor GridFixedColor() const override { return TCustomGrid::FixedColor(); }
  const TFont& GridFont() const override;
  const TFont& GridTitleFont() const override { return titleFont_; }
  bool GridReadOnly() const override { return readOnly_; }
  int GridDefaultColWidth() const override { return DefaultColWidth(); }
  bool GridShowsTitles() const override { return options_ & dgTitles; }
  bool GridHasWindow() const override { return HandleAllocated(); }
  bool GridUpdatesFields() const override { return updateFields_; }
  bool GridLoading() const override { return Loading(); }
  void ColumnChanged(TZorudColumn& column) override;
  void InvalidateColumn(TZorudColumn& column) override;
  void ColumnsChanged() override { LayoutChanged(); }

  void DrawCell(HDC dc, int col, int row, const RECT& rect, TGridDrawState state) override;
  void HandleCreated() override;
  void Loaded() override { LayoutChanged(); }
  void Resized() override;
  void FontChanged() override;
  void UpdateVertScrollBar() override;
  void VertScroll(WORD code) override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  void KeyDown(WORD& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheelDown(TShiftState shift) override;
  bool DoMouseWheelUp(TShiftState shift) override;
  void TimedScroll(TGridScrollDirections directions) override;
  // The mouse sized or moved a column: the columns follow.
  void ColWidthsChanged() override;
  void ColumnMoved(int from, int to) override;

  // The editing gate: the editor shows and its text reaches the field only where the column,
  // the field and the dataset all allow it.
  bool CanEditShow() const override;
  bool CanEditModify() override;
  std::string GetEditText(int col, int row) override;
  int GetEditLimit() override;

  // Whether the cell is painted in the highlight colours.
  bool HighlightCell(int dataCol, int dataRow, TGridDrawState state);
  // The row's record is in SelectedRows (multi-select only).
  bool RowMultiSelected(int dataRow);
  TZorudColumn* ColumnAtRaw(int col) const;

private:
  bool AcquireLayoutLock();
  void InternalLayout();
  void UpdateRowCount();
  void UpdateRowHeights();
  void UpdateColumnAttributes();
  void UpdateActive();
  void RemoveDeferredLayout();
  TGridOptions BaseOptions(TZorudDBGridOptions options) const;
  bool HighlightShown() const;

  bool CanModifyDataSet() const;
  void ClearSelection();
  void DoSelection(bool select, int direction, TShiftState shift);
  // An inserted record that neither the user nor the grid has changed.
  bool UntouchedInsert() const;
  void NextRow(bool select, TShiftState shift);
  void PriorRow(bool select, TShiftState shift);
  void Tab(bool forward, TShiftState shift);
  void MoveCol(int col, int direction);
  bool DeletePrompt();
  void ToggleCheck(TZorudColumn& column);
  void LeaveGrid();

  void DrawIndicatorCell(HDC dc, int dataRow, const RECT& rect);
  void DrawTitleCell(HDC dc, TZorudColumn& column, const RECT& rect);
  void DrawDataCell(HDC dc, int dataCol, int dataRow, TZorudColumn& column, const RECT& rect,
                    TGridDrawState state);
  std::string CellText(TZorudColumn& column);
  void WriteText(HDC dc, const RECT& rect, const std::string& text, TAlignment alignment, bool wrap);

  TGridDataLink dataLink_{*this};
  TZorudDBGridColumns columns_{this};
  TBookmarkList selectedRows_{dataLink_};
  TZorudDBGridOptions options_ = 0;
  bool allowDelete_ = true, allowInsert_ = true;
  bool readOnly_ = false;
  bool defaultDrawing_ = true;
  TColor highlightColor_ = clHighlight, highlightTextColor_ = clHighlightText;
  int rowsHeight_ = 0, titleHeight_ = 0, fixedCols_ = 0;
  TFont titleFont_;
  int titleOffset_ = 0, indicatorOffset_ = 0;
  int updateLock_ = 0, layoutLock_ = 0;
  bool layoutDeferred_ = false;
  bool updateFields_ = true;
  int indicatorRow_ = -1;
  bool selecting_ = false;
  TBookmark anchor_ = 0;
  bool inColExit_ = false;
  bool acquireFocus_ = true;
};
