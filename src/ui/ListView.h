#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "Control.h"
#include "DragDrop.h"

// A report-style list whose rows live elsewhere: it holds only their number and asks OnGetCell
// for a cell's text when it shows it (rows by index, from 0). One row at most is selected;
// OnSelectionChange runs whenever ItemIndex changes (by the user or the program). In automatic
// drag mode a drag of the rows starts once the mouse has moved DragThreshold pixels with the
// button held; a target's OnDragOver sees this control as the source. The rows are drawn in the
// control's font and its colour.
class TListView : public TControl {
public:
  explicit TListView(TComponent* owner);

  int AddColumn(const std::string& caption, int width, TAlignment alignment = taLeftJustify);
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  int ColumnWidth(int index) const;
  void SetColumnWidth(int index, int width);
  bool ShowColumnHeaders() const { return showHeaders_; }
  void SetShowColumnHeaders(bool show);

  int RowCount() const { return rowCount_; }
  // Sets the number of rows; they are asked again. A selection past the end is dropped.
  void SetRowCount(int count);
  // Asks every shown row again (the data changed).
  void Refresh();
  void RefreshRow(int row);

  int ItemIndex() const;
  // Selects and focuses the row (-1: none) and scrolls it into view.
  void SetItemIndex(int row);
  // The row at this point of the client area, or -1.
  int RowAt(int x, int y) const;
  int TopRow() const;

  TDragMode DragMode = dmManual;
  int DragThreshold = 5;

  std::function<std::string(int row, int column)> OnGetCell;
  TNotifyEvent OnSelectionChange;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TKeyEvent OnKeyDown;
  // A drag of the rows ended: dropped tells whether a target took them.
  std::function<void(TComponent* sender, bool dropped)> OnEndDrag;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void FontChanged() override;
  bool Notify(NMHDR* header, LRESULT& result) override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  struct TColumn {
    std::string caption;
    int width;
    TAlignment alignment;
  };
  void InsertColumn(int index);
  void SelectionMayHaveChanged();

  std::vector<TColumn> columns_;
  bool showHeaders_ = true;
  int rowCount_ = 0;
  int lastIndex_ = -1;
  bool settingIndex_ = false;
  mutable std::string cell_;
};
