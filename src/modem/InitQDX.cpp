#include "InitQDX.h"
#include "Compression.h"
#include "Dialogs.h"
#include "EventLog.h"
#include "Exception.h"
#include "FileUtils.h"
#include "LiveSettings.h"
#include "ModemEngine.h"
#include "ModemParams.h"
#include "ProgramDir.h"
#include "SettingsFile.h"
#include "SettingsHost.h"
#include "SpecModemForm.h"
#include "SysUtils.h"
#include <memory>

TfmInitQDX* fmInitQDX = nullptr;

namespace {

// The compression in force from Compressions.d; a number outside the file is reported and
// leaves no compression (the recording start then refuses it).
void LoadCurrentCompression() {
  std::vector<TCompressionRec> records;
  std::string why;
  try {
    records = ReadCompressions(ProgramPath("Compressions.d"));
  } catch (const std::exception& e) {
    why = e.what();
  }
  int number = why.empty() ? Ini().ReadCompression(static_cast<int>(records.size())) : -1;
  if (number >= 0) {
    CurrentCompression = records[static_cast<size_t>(number)];
    return;
  }
  CurrentCompression.Clear();
  if (why.empty() && records.empty()) why = "it holds no records.";
  if (why.empty()) why = "it holds no record " + Ini().ReadString("Params", "Compression", "0") + ".";
  AddEvent("Compressions.d: " + why);
  ShowMessage("The voice compression cannot be read from Compressions.d: " + why +
              "\nRun the modem set-up again.");
}

}  // namespace

TfmInitQDX::TfmInitQDX(TComponent* owner, TSettingsHost* host) : TForm(owner, "TfmInitQDX"), Host(host) {
  SetCaption("Initialize QDX");
  OnCreate = [this](TComponent*) { FormCreate(); };
}

void TfmInitQDX::FormCreate() {
  CheckModem();
  LoadSettings();
}

void TfmInitQDX::CheckModem() {
  if (FileExists(ProgramPath("qdx.ini")) && Ini().ReadInteger("Modem", "port", 0) != 0) {
    LoadModemCommands(Ini());
    return;
  }
  std::unique_ptr<TSpecModemForm> own;
  TSpecModemForm* wizard = SpecModemForm;
  if (!wizard) {
    own.reset(NewForm<TSpecModemForm>(nullptr));
    wizard = own.get();
  }
  wizard->FindModems();
  if (wizard->FoundCount >= 1) {
    wizard->ShowModal();
    LoadModemCommands(Ini());
    // The settings were read before the probe: a modem found without caller ID gets it
    // turned off at once, not only from the next start.
    if (Ini().CallerIdRefused()) LiveSettings.CallerID = false;
  } else {
    Ini().WriteBool("Params", "Voicefeatures", false);
    ShowMessage("        No modem detected        ");
  }
}

void TfmInitQDX::LoadSettings() {
  TSettingsFile& ini = Ini();
  LoadModemCommands(ini);
  VoiceFeatures = ini.ReadBool("Params", "Voicefeatures", true);

  LiveSettings.ExtPlayer = ini.ReadBool("Params", "ExtPlayer", false);
  LiveSettings.Player = ini.ReadString("Params", "Player", "wmPlayer.exe");
  if (Host) {
    Host->SetVolume(ini.ReadVolume());
    Host->SetListFont(ini.ReadString("Fonts", "FontName", "tahoma"), ini.ReadFontSize(8),
                      static_cast<unsigned>(ini.ReadInteger("Fonts", "FontColor", 0)));
    Host->SetSplitterWidth(ini.ReadWidth("params", "Splitter", Host->SplitterWidth()));
    Host->SetColumnWidths(ini.ReadWidth("Params", "Date", 75), ini.ReadWidth("Params", "Time", 70),
                          ini.ReadWidth("Params", "Duration", 70));
  }

  const bool modem = ini.SectionExists("Modem");
  if (modem) {
    if (FileExists(ProgramPath("Compressions.d"))) LoadCurrentCompression();
    if (!VoiceFeatures) ShowMessage("Your modem does not support V.253/IS-101 standard");
    if (Host) Host->EnableRecordControls(VoiceFeatures);
  }

  CreateDirectoryA(ProgramPath("wav").c_str(), nullptr);  // an existing folder is fine

  if (Host) {
    Host->DisableNavigation();
    if (Host->FirstCall()) Host->EnableDelete();
    else Host->DisableCallControls();
  }

  // Not armed (no port, or a modem that does not answer): said in the events log and tried
  // again on its own.
  if (modem && fmModem && !fmModem->Arm(ModemParams.port) && fmModem->OpenFailed) {
    ShowMessage("Error during opening com port " + IntToStr(ModemParams.port));
    if (Host) Host->EnableRecordControls(false);
  }
}
