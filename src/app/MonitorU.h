#pragma once
#include "Form.h"

class TMemo;

// The events monitor "Logger": a small stay-on-top window whose memo shows the run's event
// lines (the log itself is EventLog: the memo shows it while the window is visible). Made at
// start-up and kept for the whole run, normally hidden; its close box hides it. Its creation
// empties the memo and keeps the lines logged before it; its destruction writes the log to
// ProgramDir\Events.log.
class TfmMonitor : public TForm {
public:
  explicit TfmMonitor(TComponent* owner);
  ~TfmMonitor() override;

  TMemo* Memo1;

private:
  void FormCreate(TComponent* sender);
  void FormDestroy(TComponent* sender);
};

extern TfmMonitor* fmMonitor;
