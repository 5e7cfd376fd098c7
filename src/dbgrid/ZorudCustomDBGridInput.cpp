// The data grid's keyboard and mouse: moving the dataset, columns, the selected rows, the
// delete prompt and inserting.
#include "ZorudCustomDBGrid.h"
#include <algorithm>
#include "Dialogs.h"
#include "Field.h"
#include "Form.h"
#include "ZorudDataset.h"

bool TZorudCustomDBGrid::CanModifyDataSet() const {
  TZorudDataset* ds = dataLink_.DataSet();
  return ds && ds->CanModify() && !readOnly_;
}

void TZorudCustomDBGrid::ClearSelection() {
  if (!(options_ & dgMultiSelect)) return;
  selectedRows_.Clear();
  selecting_ = false;
}

void TZorudCustomDBGrid::DoSelection(bool select, int direction, TShiftState shift) {
  TZorudDataset* ds = dataLink_.DataSet();
  bool addAfter = false;
  BeginUpdate();
  struct TEnd {
    TZorudCustomDBGrid& grid;
    ~TEnd() { grid.EndUpdate(); }
  } end{*this};
  if ((options_ & dgMultiSelect) && dataLink_.Active()) {
    if (select && (shift & ssShift)) {
      if (!selecting_) {
        anchor_ = ds->GetBookmark();
        selectedRows_.SetCurrentRowSelected(true);
        selecting_ = true;
        addAfter = true;
      } else {
        int order = ds->CompareBookmarks(ds->GetBookmark(), anchor_);
        addAfter = order != -direction;
        if (!addAfter) selectedRows_.SetCurrentRowSelected(false);
      }
    } else {
      ClearSelection();
    }
  }
  ds->MoveBy(direction);
  if (addAfter) selectedRows_.SetCurrentRowSelected(true);
}

bool TZorudCustomDBGrid::UntouchedInsert() const {
  TZorudDataset* ds = dataLink_.DataSet();
  return ds->State() == dsInsert && !ds->Modified() && !dataLink_.EditModified();
}

void TZorudCustomDBGrid::NextRow(bool select, TShiftState shift) {
  TZorudDataset* ds = dataLink_.DataSet();
  if (UntouchedInsert()) {
    if (ds->Eof()) return;
    ds->Cancel();
  } else {
    DoSelection(select, 1, shift);
  }
  if (ds->Eof() && CanModifyDataSet() && (options_ & dgEditing) && allowInsert_) ds->Append();
}

void TZorudCustomDBGrid::PriorRow(bool select, TShiftState shift) {
  TZorudDataset* ds = dataLink_.DataSet();
  if (UntouchedInsert()) {
    if (ds->Eof()) ds->Cancel();
  } else {
    DoSelection(select, -1, shift);
  }
}

void TZorudCustomDBGrid::Tab(bool forward, TShiftState shift) {
  int start = Col(), col = Col();
  BeginUpdate();
  struct TEnd {
    TZorudCustomDBGrid& grid;
    ~TEnd() { grid.EndUpdate(); }
  } end{*this};
  for (;;) {
    col += forward ? 1 : -1;
    if (col >= ColCount()) {
      NextRow(false, shift);
      col = indicatorOffset_;
    } else if (col < indicatorOffset_) {
      PriorRow(false, shift);
      col = ColCount() - 1;
    }
    if (col == start || TabStops(col)) break;
  }
  MoveCol(col, 0);
}

void TZorudCustomDBGrid::MoveCol(int col, int direction) {
  if (dataLink_.Active()) dataLink_.UpdateRecord();
  int first = indicatorOffset_ + fixedCols_, last = ColCount() - 1;
  col = std::clamp(col, std::min(first, last), last);
  if (direction) {
    while (col >= first && col <= last && ColWidth(col) <= 0) col += direction;
    if (col < first || col > last) return;
  }
  if (col == Col()) return;
  if (!inColExit_) {
    int before = Col();
    inColExit_ = true;
    struct TReset {
      bool& flag;
      ~TReset() { flag = false; }
    } reset{inColExit_};
    if (OnColExit) OnColExit(this);
    if (Col() != before) return;
  }
  if (!(options_ & dgAlwaysShowEditor)) HideEditor();
  MoveCurrentCell(col, Row(), false);
  if (OnColEnter) OnColEnter(this);
}

bool TZorudCustomDBGrid::DeletePrompt() {
  if (!allowDelete_) return false;
  if (!(options_ & dgConfirmDelete)) return true;
  std::string text = selectedRows_.Count() < 2 ? "Delete record ?" : "Delete selected records ?";
  return MessageDlg(text, mtConfirmation, mbOKCancel) != mrCancel;
}

void TZorudCustomDBGrid::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
  if (!key || !dataLink_.Active() || !CanGridAcceptKey(key, shift)) return;
  TZorudDataset* ds = dataLink_.DataSet();
  TZorudColumn* column = ColumnAtRaw(Col());
  if (key == VK_SPACE && column && column->ButtonStyle() == cbsCheck) {
    ToggleCheck(*column);
    key = 0;
    return;
  }
  WORD handled = key;
  key = 0;
  if (shift & ssCtrl) {
    switch (handled) {
      case VK_UP: case VK_PRIOR: ClearSelection(); ds->MoveBy(-dataLink_.ActiveRecord()); break;
      case VK_DOWN: case VK_NEXT:
        ClearSelection();
        ds->MoveBy(dataLink_.RecordCount() - dataLink_.ActiveRecord() - 1);
        break;
      case VK_LEFT: MoveCol(indicatorOffset_, 1); break;
      case VK_RIGHT: MoveCol(ColCount() - 1, -1); break;
      case VK_HOME: ClearSelection(); ds->First(); break;
      case VK_END: ClearSelection(); ds->Last(); break;
      case VK_DELETE:
        if (!readOnly_ && !ds->IsEmpty() && ds->CanModify() && DeletePrompt()) {
          if (selectedRows_.Count() > 0) selectedRows_.Delete();
          else ds->Delete();
        }
        break;
      default: key = handled;
    }
    return;
  }
  bool singleColumn = ColCount() == indicatorOffset_ + 1;
  bool rowSelect = options_ & dgRowSelect;
  switch (handled) {
    case VK_UP: PriorRow(true, shift); break;
    case VK_DOWN: NextRow(true, shift); break;
    case VK_LEFT:
      if (rowSelect) PriorRow(false, shift);
      else MoveCol(Col() - 1, -1);
      break;
    case VK_RIGHT:
      if (rowSelect) NextRow(false, shift);
      else MoveCol(Col() + 1, 1);
      break;
    case VK_HOME:
      if (singleColumn || rowSelect) {
        ClearSelection();
        ds->First();
      } else {
        MoveCol(indicatorOffset_, 1);
      }
      break;
    case VK_END:
      if (singleColumn || rowSelect) {
        ClearSelection();
        ds->Last();
      } else {
        MoveCol(ColCount() - 1, -1);
      }
      break;
    case VK_NEXT: ClearSelection(); ds->MoveBy(VisibleRowCount()); break;
    case VK_PRIOR: ClearSelection(); ds->MoveBy(-VisibleRowCount()); break;
    case VK_INSERT:
      if (CanModifyDataSet() && (options_ & dgEditing) && allowInsert_) {
        ClearSelection();
        ds->Insert();
      }
      break;
    case VK_TAB:
      if (!(shift & ssAlt)) Tab(!(shift & ssShift), shift);
      break;
    case VK_RETURN:
      if ((options_ & dgEnterToTab) && !(shift & ssAlt)) Tab(!(shift & ssShift), shift);
      else key = handled;
      break;
    case VK_ESCAPE:
      dataLink_.Reset();
      ClearSelection();
      if (!(options_ & dgAlwaysShowEditor)) HideEditor();
      break;
    case VK_F2: SetEditorMode(true); break;
    default: key = handled;
  }
}

void TZorudCustomDBGrid::ToggleCheck(TZorudColumn& column) {
  if ((options_ & dgMultiSelect) && column.FieldName() == "Selected") {
    selectedRows_.SetCurrentRowSelected(!selectedRows_.CurrentRowSelected());
    return;
  }
  TField* field = column.Field();
  TZorudDataset* ds = dataLink_.DataSet();
  if (!field || column.ReadOnly() || !(options_ & dgEditing) || !ds) return;
  ds->Edit();  // data sources edit on demand
  field->SetAsString(field->AsString() == column.ValueChecked() ? column.ValueUnChecked() : column.ValueChecked());
  InvalidateCell(Col(), Row());
}

void TZorudCustomDBGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (acquireFocus_ && !Focused()) {
    SetFocus();
    if (!Focused() && !(InplaceEditor() && InplaceEditor()->Focused())) return;
  }
  if (button == mbLeft && (shift & ssDouble)) {
    if (OnDblClick) OnDblClick(this);
    return;
  }
  if (SizingColumnAt(x, y) >= 0) {
    if (dataLink_.Active()) dataLink_.UpdateRecord();
    TCustomGrid::MouseDown(button, shift, x, y);
    return;
  }
  TGridCell cell = MouseCoord(x, y);
  if (!cell.Valid()) {
    TCustomGrid::MouseDown(button, shift, x, y);
    return;
  }
  TZorudColumn* column = ColumnAtRaw(cell.Col);
  if (cell.Row < titleOffset_ && column) {
    if (dataLink_.Active()) dataLink_.UpdateRecord();
    if (column->CanClick()) {
      column->SetPressed(true);
      InvalidateCell(cell.Col, cell.Row);
    } else {
      TCustomGrid::MouseDown(button, shift, x, y);
    }
    return;
  }
  if (!dataLink_.Active()) {
    TCustomGrid::MouseDown(button, shift, x, y);
    return;
  }
  TZorudDataset* ds = dataLink_.DataSet();
  dataLink_.UpdateRecord();
  HideEditor();
  TGridCell before = {Col(), Row()};
  if (cell.Row >= titleOffset_ && cell.Row != Row()) ds->MoveBy(cell.Row - Row());
  if (column) {
    MoveCol(cell.Col, 0);
    if ((options_ & dgMultiSelect) && column->FieldName() != "Selected") {
      if (shift & ssCtrl) {
        selectedRows_.SetCurrentRowSelected(!selectedRows_.CurrentRowSelected());
      } else {
        selectedRows_.Clear();
        selectedRows_.SetCurrentRowSelected(true);
      }
    }
  }
  if (button != mbLeft) return;
  if (column && column->ButtonStyle() == cbsCheck) {
    ToggleCheck(*column);
    ReleaseCapture();
  } else if ((before.Col == cell.Col && before.Row == cell.Row) || (options_ & dgAlwaysShowEditor)) {
    ShowEditor();
  } else {
    InvalidateEditor();
  }
  if (options_ & dgDragOutRows) StartSelecting();
}

void TZorudCustomDBGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGridState state = GridState();
  TCustomGrid::MouseUp(button, shift, x, y);
  if (InplaceEditor() && IsWindowVisible(InplaceEditor()->Handle())) {
    POINT p = {x, y};
    RECT r;
    GetWindowRect(InplaceEditor()->Handle(), &r);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
    if (PtInRect(&r, p)) return;
  }
  if (state == gsColSizing) {
    TGridCell at = MouseCoord(x - 5, y);
    if (TZorudColumn* column = ColumnAtRaw(at.Col); column && OnColumnResized) OnColumnResized(this, *column);
    return;
  }
  TGridCell cell = MouseCoord(x, y);
  TZorudColumn* pressed = nullptr;
  for (int i = 0; i < columns_.Count(); ++i) {
    if (!columns_[i].Pressed()) continue;
    pressed = &columns_[i];
    columns_[i].SetPressed(false);
    InvalidateCell(i + indicatorOffset_, 0);
  }
  TZorudColumn* column = cell.Valid() ? ColumnAtRaw(cell.Col) : nullptr;
  if (!column || button != mbLeft) return;
  if (cell.Row >= titleOffset_) {
    if (column->LongTextAsHint() && column->Field()) Hint = column->Field()->Text();
    if (OnCellClick) OnCellClick(this, *column);
  } else if (column->CanClick() && column == pressed) {
    for (int i = 0; i < columns_.Count(); ++i) columns_[i].SetSortMarker(smNone);
    if (OnTitleClick) OnTitleClick(this, *column);
  }
}

bool TZorudCustomDBGrid::DoMouseWheelDown(TShiftState shift) {
  if (!dataLink_.Active()) return TCustomGrid::DoMouseWheelDown(shift);
  dataLink_.DataSet()->MoveBy(1);
  return true;
}

bool TZorudCustomDBGrid::DoMouseWheelUp(TShiftState shift) {
  if (!dataLink_.Active()) return TCustomGrid::DoMouseWheelUp(shift);
  dataLink_.DataSet()->MoveBy(-1);
  return true;
}

void TZorudCustomDBGrid::TimedScroll(TGridScrollDirections directions) {
  if (!dataLink_.Active()) {
    TCustomGrid::TimedScroll(directions);
    return;
  }
  if (directions & sdUp) dataLink_.DataSet()->MoveBy(-(dataLink_.ActiveRecord() + 1));
  if (directions & sdDown) dataLink_.DataSet()->MoveBy(dataLink_.RecordCount() - dataLink_.ActiveRecord());
  if (directions & (sdLeft | sdRight)) TCustomGrid::TimedScroll(directions & (sdLeft | sdRight));
}

void TZorudCustomDBGrid::LeaveGrid() {
  if (!dataLink_.Active()) return;
  if ((options_ & dgEditing) && (options_ & dgCancelOnExit) && UntouchedInsert()) dataLink_.DataSet()->Cancel();
  else dataLink_.UpdateRecord();
}

// ---- the editing gate ----

bool TZorudCustomDBGrid::CanEditShow() const {
  TZorudColumn* column = ColumnAtRaw(Col());
  return layoutLock_ == 0 && TCustomGrid::CanEditShow() && column && column->ButtonStyle() != cbsCheck;
}

bool TZorudCustomDBGrid::CanEditModify() {
  TZorudColumn* column = ColumnAtRaw(Col());
  TField* field = column ? column->Field() : nullptr;
  TZorudDataset* ds = dataLink_.DataSet();
  if (readOnly_ || !dataLink_.Active() || !ds || !column || column->ReadOnly() || !field) return false;
  if (!(field->CanModify() || (field->Calculated() && ds->CanModify())) || field->IsBlob()) return false;
  ds->Edit();
  bool editing = ds->State() == dsEdit || ds->State() == dsInsert;
  if (editing) dataLink_.Modified();
  return editing;
}

std::string TZorudCustomDBGrid::GetEditText(int col, int row) {
  TZorudColumn* column = ColumnAtRaw(col);
  TField* field = column ? column->Field() : nullptr;
  if (!field) return {};
  if (column->ButtonStyle() == cbsLookup && column->LookupReady()) return column->LookupValue();
  return column->PickDisplayText(field->Text());
}

int TZorudCustomDBGrid::GetEditLimit() {
  TField* field = SelectedField();
  return field && field->DataType() == ftString ? field->Size() : 0;
}

// ---- columns sized and moved by mouse ----

void TZorudCustomDBGrid::ColWidthsChanged() {
  if (!(dataLink_.Active() || columns_.State() == csCustomized) || !AcquireLayoutLock()) return;
  try {
    for (int col = indicatorOffset_; col < ColCount(); ++col) columns_[col - indicatorOffset_].SetWidth(ColWidth(col));
  } catch (...) {
    EndLayout();
    throw;
  }
  EndLayout();
}

void TZorudCustomDBGrid::ColumnMoved(int from, int to) {
  from -= indicatorOffset_;
  to -= indicatorOffset_;
  if (from < 0 || to < 0 || from >= columns_.Count() || to >= columns_.Count()) return;
  columns_[from].SetIndex(to);
  if (OnColumnMoved) OnColumnMoved(this, from, to);
}
