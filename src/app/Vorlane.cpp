// The program's entry point: one instance per desktop, the forms in their order, the loop.
#include "Application.h"
#include "CallerIdForm.h"
#include "Compression.h"
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
#include "ProgramDir.h"
#include "ProgressForm.h"
#include "QueryModemForm.h"
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

// The settings load and modem start of the start-up check, for as long as that form is not
// part of the program: with a modem set up in qdx.ini, its commands, compression and port.
void StartModem() {
  LiveSettings.Load(*g_Ini);
  if (!g_Ini->SectionExists("Modem") || g_Ini->ReadInteger("Modem", "port", 0) == 0) {
    VoiceFeatures = false;
    return;
  }
  LoadModemCommands(*g_Ini);
  VoiceFeatures = g_Ini->ReadBool("Params", "Voicefeatures", true);
  try {
    if (FileExists(ProgramDir + "\\Compressions.d")) {
      auto records = ReadCompressions(ProgramDir + "\\Compressions.d");
      int index = g_Ini->ReadCompression(int(records.size()));
      if (index >= 0) CurrentCompression = records[size_t(index)];
    }
  } catch (const std::exception& e) {
    AddEvent(e.what());
  }
  if (!VoiceFeatures) ShowMessage("Your modem does not support V.253/IS-101 standard");
  CreateDirectoryA((ProgramDir + "\\wav").c_str(), nullptr);
  if (!fmModem->OpenPort(ModemParams.port, true)) {
    ShowMessage("Error during opening com port " + std::to_string(ModemParams.port));
    fmQdx->SetRecordControls(false);
  }
  if (LiveSettings.AutoRecord) fmModem->EnableAutoRecord();
  else fmModem->DisableAutoRecord();
}

void Run() {
  Application.Initialize();
  Application.SetTitle("Vorlane");
  Application.CreateForm(fmQdx);
  Application.CreateForm(fmMonitor);
  Application.CreateForm(ProgressForm);
  Application.CreateForm(fmQueryModem);
  fmModem = new TfmModem(fmQdx);
  fmModem->Host = fmQdx;
  // A call cut off by the end of the last run is filed before the modem is armed.
  if (fmQdx->Log.CallsOpen()) {
    if (!RecoverWorkingFile(fmQdx->Log)) AddEvent("-- wav\\Recorded.wav is left as it is");
    fmQdx->ShowCalls();
  }
  StartModem();
  Application.CreateForm(fmCallerID);
  fmModem->CallerView = fmCallerID;
  Started = true;
  if (!fmModem->PortOpened) fmQdx->SetRecordControls(false);
  if (!VoiceFeatures) fmQdx->SetRecordControls(false);
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
  Application.DestroyForms();
  ScomEnd();
  KitStop();
  if (instance) CloseHandle(instance);
  return 0;
}
