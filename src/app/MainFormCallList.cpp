// The main window's call list: the calls of the selected folder in a virtual list view, until the
// data grid replaces it.
#include "MainFormU.h"
#include "Action.h"
#include "ListView.h"

void TfmQdx::BuildCallList() {
  dbGrid1 = new TListView(this);
  dbGrid1->SetParent(this);
  dbGrid1->SetAlign(alClient);
  dbGrid1->AddColumn("Date", 80);
  dbGrid1->AddColumn("Time", 80);
  dbGrid1->AddColumn("Duration", 75);
  dbGrid1->AddColumn("Memo", 1000);
  dbGrid1->DragMode = dmAutomatic;
  dbGrid1->DragThreshold = 20;
  dbGrid1->OnGetCell = [this](int row, int column) -> std::string {
    static const char* const fields[] = {"DateS", "TimeS", "Duration", "Comment"};
    if (!CallsTbl.Active() || row < 0 || row >= CallsTbl.RecordCount() || column < 0 || column > 3) return "";
    CallsTbl.SetActiveRow(row);
    std::string text = CallsTbl.FieldByName(fields[column])->AsString();
    CallsTbl.SetActiveRow(-1);
    return text;
  };
  dbGrid1->OnSelectionChange = [this](TComponent*) {
    int row = dbGrid1->ItemIndex();
    if (CallsTbl.Active() && row >= 0 && row < CallsTbl.RecordCount()) CallsTbl.SetRecNo(row + 1);
  };
}

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
