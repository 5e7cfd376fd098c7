// The program's entry point: one instance per desktop, the forms in their order, the loop.
#include "Application.h"
#include "CallerIdForm.h"
#include "Compression.h"
#include "DbReports.h"
#include "InitQDX.h"
#include "Dialogs.h"
#include "EventLog.h"
#include "Exception.h"
#include "FileUtils.h"
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
#include "WaveFormat.h"

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

// A stored modem format that cannot be recorded with, or one lost while the modem's compression
// is known, would fail every call: it is chosen again from that compression, as the modem
// set-up chose it.
void RechooseModemFormat() {
  TSettingsFile& ini = Ini();
  if (!VoiceFeatures || ini.ReadInteger("Modem", "port", 0) == 0 || FileExists(ProgramPath("ModemCompression.cpn")))
    return;
  TdeWaveFormat format;
  std::string fault;
  if (ini.ReadValidFormat("Modem compression", format, fault)) return;
  // Never set: the set-up has said why.
  if (fault.empty() && CurrentCompression.vsr.Get().empty()) return;
  AddEvent("qdx.ini [Modem compression] " + (fault.empty() ? std::string("is missing") : "Bin " + fault) +
           ": the modem's audio format is chosen again");
  try {
    if (ini.SectionExists("Modem compression")) ini.EraseSection("Modem compression");
    SpecModemForm->SetCompressionFormat();
  } catch (const std::exception& e) {
    AddEvent(std::string("The modem's audio format could not be chosen: ") + e.what());
  }
}

void Run() {
  Application.Initialize();
  Application.SetTitle("Vorlane");
  std::string told;
  if (SetAsideUnreadableSettings(ProgramDir + "\\qdx.ini", told)) ShowMessage(told);
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
  RechooseModemFormat();
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
