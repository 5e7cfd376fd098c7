// The program's entry point: one instance per desktop, the forms in their order, the loop.
#include "Application.h"
#include "CallerIdForm.h"
#include "DbReports.h"
#include "InitQDX.h"
#include "Dialogs.h"
#include "EventLog.h"
#include "Exception.h"
#include "KitStart.h"
#include "LiveSettings.h"
#include "MainFormU.h"
#include "ModemEngine.h"
#include "ModemParams.h"
#include "MonitorU.h"
#include "MoveToU.h"
#include "Parse.h"
#include "ProgramDir.h"
#include "ProgressForm.h"
#include "QueryModemForm.h"
#include "SpecModemForm.h"
#include "RecordingRecovery.h"
#include "ScomSystem.h"
#include "SettingsFile.h"

namespace {

const char* const InstanceMutexName = "Vorlane.SingleInstance.7D3A";

// Another instance owns the mutex: its window is asked to restore itself, and this one ends.
void RestoreFirstInstance() {
  HWND window = nullptr;
  for (int i = 0; i < 100 && !window; ++i) {
    window = FindWindowA("TfmQdx", nullptr);
    if (!window) Sleep(100);
  }
  if (!window) return;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  AllowSetForegroundWindow(pid);
  PostMessageA(window, TfmQdx::RestoreMessage(), 0, 0);
}

void Run() {
  Application.Initialize();
  Application.SetTitle("Vorlane");
  Application.CreateForm(fmQdx);
  Application.CreateForm(ProgressForm);
  Application.CreateForm(fmMonitor);
  Application.CreateForm(MoveToForm);
  Application.CreateForm(fmQueryModem);
  Application.CreateForm(fmParse);
  fmParse->QueryMemo = fmQueryModem->Memo1;
  Application.CreateForm(SpecModemForm);
  fmModem = new TfmModem(fmQdx);
  fmModem->Host = fmQdx;
  fmParse->Modem = fmModem;
  // A call cut off by the end of the last run is filed before the modem is armed.
  if (fmQdx->Log.CallsOpen()) {
    if (!RecoverWorkingFile(fmQdx->Log)) AddEvent("-- wav\\Recorded.wav is left as it is");
    FileUnlistedRecordings(fmQdx->Log);
    fmQdx->ShowCalls();
  }
  // The settings dialog's load, until that dialog is made here.
  try {
    LiveSettings.Load(*g_Ini);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
  Application.CreateForm(fmInitQDX, static_cast<TSettingsHost*>(fmQdx));
  Application.CreateForm(fmCallerID);
  fmModem->CallerView = fmCallerID;
  Started = true;
  if (!fmModem->PortOpened) fmQdx->SetRecordControls(false);
  if (!VoiceFeatures) fmQdx->SetRecordControls(false);
  if (!fmQdx->Log.CallsOpen()) {
    // Calls could not be filed: no call is answered into a recording that would be lost.
    fmModem->DisableAutoRecord();
    fmQdx->SetRecordControls(false);
  }
  fmQdx->SetStatus(1, " COM PORT " + std::to_string(ModemParams.port));
  fmQdx->SetStatus(2, " " + ModemParams.Model);
  if (!fmModem->PortOpened) fmQdx->ModemPortChanged(false);  // never opened: no close event told it
  Application.Run();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HANDLE instance = CreateMutexA(nullptr, FALSE, InstanceMutexName);
  if (instance && GetLastError() == ERROR_ALREADY_EXISTS) {
    RestoreFirstInstance();
    CloseHandle(instance);
    return 0;
  }
  KitStart();
  ScomStart();
  InitProgramDir();
  try {
    EventLog().AppendTo(ProgramDir + "\\Events.log");
  } catch (const std::exception& e) {
    AddEvent(std::string("Events.log cannot be written: ") + e.what());
  }
  InstallDbReports();
  try {
    Run();
  } catch (...) {
    Application.HandleException(std::current_exception());
  }
  if (fmModem) {
    fmModem->CallerView = nullptr;
    try {
      fmModem->ClosePort();
    } catch (...) {
    }
  }
  fmParse = nullptr;
  Application.DestroyForms();
  ScomEnd();
  KitStop();
  if (instance) CloseHandle(instance);
  return 0;
}
