// The main window's creation: the working folder, qdx.ini, the call log and its folder tree, the
// saved bounds, a start minimised to the tray, the playback device.
#include "MainFormU.h"
#include "AudioDevice.h"
#include "Dialogs.h"
#include "Guarded.h"
#include "ProgramDir.h"
#include "SettingsFile.h"
#include "SysUtils.h"
#include "TreeView.h"

void TfmQdx::FormCreate(TComponent*) {
  if (!SetCurrentDirectoryA(ProgramDir.c_str())) ShowMessage("Error setting starting directory");
  TreeModified = false;
  // Made first: the forms after this one read it whatever the tables do.
  if (!g_Ini) g_Ini = new TSettingsFile();
  OpenDatabase();
  RECT designed = {Left(), Top(), Left() + Width(), Top() + Height()};
  RECT bounds = g_Ini->ReadMainBounds(designed);
  SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  SetCaption("Vorlane");
  SetActiveControl(Tree);
  if (g_Ini->ReadBool("Params", "StartUp", false)) {
    ExitRequested = false;
    if (__argc > 1 && UpperCase(__argv[1]) == "STARTUP") SetWindowState(wsMinimized);
  }
  PlaybackDevice = nullptr;
  for (int i = 0; i < AudioOutDeviceCount(); ++i) {
    TdeAudioOutDevice* device = AudioOutDevices(i);
    if (device && (device->Support & TdeAudioOutDevice::sfVolume)) {
      PlaybackDevice = device;
      break;
    }
  }
  if (!PlaybackDevice)
    ShowMessage("Your system has no sound card or\nyour sound card is not set up properly.\n"
                "This software requires a sound card to play WAV files");
}

void TfmQdx::OpenDatabase() {
  Log.OpenDatabase();
  Guarded("Folder tree", [this] { ShowTree(); });
}
