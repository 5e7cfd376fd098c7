#include "MonitorU.h"
#include "EventLog.h"
#include "Memo.h"
#include "ProgramDir.h"

TfmMonitor* fmMonitor = nullptr;

TfmMonitor::TfmMonitor(TComponent* owner) : TForm(owner, "TfmMonitor") {
  SetCaption("Logger");
  SetBounds(20, 177, 238, 416);
  SetFormStyle(fsStayOnTop);
  Memo1 = new TMemo(this);
  Memo1->ScrollBars = ssBoth;
  Memo1->SetReadOnly(true);
  Memo1->SetParent(this);
  Memo1->SetAlign(alClient);
  OnCreate = [this](TComponent* s) { FormCreate(s); };
  OnDestroy = [this](TComponent* s) { FormDestroy(s); };
  // Filled from the log when shown and kept up while visible: a hidden memo costs nothing
  // however long the run.
  OnShow = [this](TComponent*) { Memo1->SetLines(EventLog().Lines()); };
}

TfmMonitor::~TfmMonitor() {
  TEventLog& log = EventLog();
  log.OnAdd = nullptr;
  log.OnClear = nullptr;
}

void TfmMonitor::FormCreate(TComponent*) {
  TEventLog& log = EventLog();
  log.OnAdd = [this](const std::string& line) {
    if (Visible()) Memo1->Add(line);
  };
  log.OnClear = [this] { Memo1->Clear(); };
  // Only the memo: the log already holds this run's lines from before the monitor existed.
  Memo1->Clear();
}

void TfmMonitor::FormDestroy(TComponent*) {
  TEventLog& log = EventLog();
  log.OnAdd = nullptr;
  log.OnClear = nullptr;
  log.SaveToFile(ProgramDir + "\\Events.log");
}
