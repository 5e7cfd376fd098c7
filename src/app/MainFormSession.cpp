// The end of the main window: its close, and the end of the Windows session, with the call under
// way filed first.
#include "MainFormU.h"
#include "Dialogs.h"
#include "EventLog.h"
#include "Guarded.h"
#include "ModemEngine.h"
#include "ProgramDir.h"

void TfmQdx::EndSession(bool ending) {
  if (!ending) {
    recorder_.SessionGoesOn();
    return;
  }
  FileRecording();
  TreeToLog();
  Log.SaveTree();
  std::string error;
  Log.SaveUnsaved(error);
  Guarded("Events.log", [] { EventLog().SaveToFile(ProgramDir + "\\Events.log"); });
}

void TfmQdx::FormCloseQuery(bool& canClose) {
  canClose = true;
  Closing = true;
  if (fmModem) fmModem->StopRearm();
  FileRecording();
  TreeToLog();
  Log.SaveTree();
  std::string error;
  if (!Log.SaveUnsaved(error))
    ShowMessage("The call log could not be saved: " + error + "\nThe newest calls are filed again at the next start.");
}

void TfmQdx::FileRecording() {
  if (recorder_.UnderWay()) recorder_.Stop(false);
}
