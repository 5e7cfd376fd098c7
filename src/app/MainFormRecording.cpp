// The main window's recording actions, run by its recorder, and what the recorder shows through
// it: the record and stop controls, the tray icons, the elapsed time, the boxes and the balloon.
#include "MainFormU.h"
#include "Action.h"
#include "Dialogs.h"
#include "Guarded.h"
#include "ModemEngine.h"
#include "SysUtils.h"
#include "Timer.h"
#include "TrayNotifyIcon.h"
#include "TreeView.h"

void TfmQdx::acRecordExecute(TComponent*) { recorder_.Record(); }

void TfmQdx::acStopExecut(TComponent*) { recorder_.Stop(true); }

void TfmQdx::apEventsIdle(TComponent*, bool&) {
  if (!Started) return;
  recorder_.RecordAnsweredCall();
  if (TreeModified && !Tree->IsEditing()) {
    TreeModified = false;
    TreeToLog();
    Log.SaveTree();
  }
}

void TfmQdx::SetControlsState() {
  acRecord->SetChecked(false);  // RecSb1 up
  acRecord->SetEnabled(true);
  acStop->SetEnabled(true);
}

void TfmQdx::SetRecordControls(bool enabled) { acRecord->SetEnabled(enabled); }

void TfmQdx::Timer2Timer() {
  if (!fmModem || !fmModem->VoiceReceiving) return;
  if (++RecordTicks * 100 >= 1000) {
    RecordTicks = 0;
    int seconds = int(Round((Now() - recorder_.RecordStartTime) * 86400));
    SetStatus(0, Format(" %02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60));
  }
}

TfmModem* TfmQdx::Modem() { return fmModem; }

void TfmQdx::RecordPressed() { acRecord->SetChecked(true); }  // RecSb1 down

void TfmQdx::StartShown() {
  acRecord->SetEnabled(false);
  acStop->SetEnabled(false);
}

void TfmQdx::RecordingShown(bool running) {
  if (running) {
    RecordTicks = 0;
    Timer2->SetEnabled(true);
    acStop->SetEnabled(true);
    TrayNotifyIcon1->SetIconList(animateTrayIcon);
    TrayNotifyIcon1->SetCycleIcons(true);
    return;
  }
  Timer2->SetEnabled(false);
  Guarded("Tray icon", [this] {
    TrayNotifyIcon1->SetCycleIcons(false);
    TrayNotifyIcon1->SetIconList(TrayIcon);
    TrayNotifyIcon1->SetIconIndex(0);
  });
}

void TfmQdx::Tell(const std::string& message) { ShowMessage(message); }

void TfmQdx::Balloon(const std::string& message) { TrayNotifyIcon1->ShowBalloon("Vorlane", message); }
