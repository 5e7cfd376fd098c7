// The main window's call list: the calls of the selected folder in a virtual list view, until the
// data grid replaces it.
#include "MainFormU.h"
#include "Action.h"
#include "ListView.h"

void TfmQdx::ShowCalls() {
  int rows = CallsTbl.Active() ? CallsTbl.RecordCount() : 0;
  dbGrid1->SetRowCount(rows);
  acMoveTo->SetEnabled(rows > 0);
  dbGrid1->Refresh();
  if (rows > 0) dbGrid1->SetItemIndex(CallsTbl.RecNo() > 0 ? CallsTbl.RecNo() - 1 : 0);
}

void TfmQdx::SetColumnWidths(int date, int time, int duration) {
  dbGrid1->SetColumnWidth(0, date);
  dbGrid1->SetColumnWidth(1, time);
  dbGrid1->SetColumnWidth(2, duration);
}
