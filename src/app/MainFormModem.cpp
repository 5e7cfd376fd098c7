// The main window as the modem engine sees it: the modem's state in the status line and the tray,
// the stop the engine asks for, a recording write that failed.
#include "MainFormU.h"
#include "Action.h"
#include "ModemParams.h"
#include "ModemProbe.h"
#include "StatusBar.h"
#include "TrayNotifyIcon.h"

void TfmQdx::SetStatus(int panel, const std::string& text) { StatusBar1->SetPanelText(panel, text); }

std::string TfmQdx::Status(int panel) const { return StatusBar1->PanelText(panel); }

void TfmQdx::ModemPortChanged(bool opened) {
  SetStatus(0, opened ? " Modem on" : notArmed_ ? " Not armed" : " Modem off");
  if (!recorder_.UnderWay()) TrayNotifyIcon1->SetIconIndex(opened ? 0 : 1);
}

void TfmQdx::ModemArmed(bool armed) {
  notArmed_ = !armed;
  if (!recorder_.Receiving()) SetStatus(0, armed ? " Modem on" : " Not armed");
  TrayNotifyIcon1->SetHint(armed ? "Vorlane" : "Vorlane: not armed, no modem answers on COM" +
                                                   std::to_string(ModemParams.port));
  // Armed again on its own: the record controls that the failure turned off come back.
  if (armed && Started && !recorder_.UnderWay() && VoiceFeatures && Log.CallsOpen()) SetRecordControls(true);
}

void TfmQdx::StopRecording() { acStop->Execute(); }

void TfmQdx::DisplayData(const TDisp&) {}

void TfmQdx::RecordingWriteFailed(const std::string& message) {
  // The engine is inside its data handler: the stop comes after it returns.
  recorder_.WriteFailed(message);
  PostMessageA(Handle(), WriteFailedMessage, 0, 0);
}
