#pragma once
#include <string>
#include "WaveFormat.h"

class TSettingsFile;

// The settings that steer a call, its recording and its display, as the settings dialog shows
// them: the engine and the main window read them here at the moment of use, never from qdx.ini.
// The dialog keeps them current from its controls (the control each mirrors is named); until
// it exists, Load fills them as the dialog's creation load does. Main thread only.
class TLiveSettings {
public:
  TLiveSettings();

  bool AutoRecord = true;    // cbAutoMode
  bool CallerID = true;      // cbCallerID: false whenever the modem has no caller ID
  bool RecordTrace = true;   // cbRecord
  bool PlayTrace = true;     // cbPlay
  int PointsIndex = 3;       // cbxPoints: 0..9
  unsigned BackColor = 0;    // lbBackColor
  unsigned TraceColor = 0x00FF00;  // lbTraceColor
  bool ExtPlayer = false;    // cbExtPlayer (set by the start-up settings load)
  std::string Player = "wmplayer.exe";  // edExtPlayer (likewise)
  int BaudrateIndex = 1;     // cbBaudrate: 0..3
  int FlowControlIndex = 0;  // cbFlowCntr: 0..2
  int TimeOut = 2;           // seTimeOut: seconds, 1..6
  int DiscTime = 10;         // seDiscTime: seconds, 1..30
  bool RejectCall = false;   // cbRejectCall
  int RejectRings = 6;       // seRejectRings: 2..20
  bool StartUp = false;      // cbStartup
  // The call-list font (the dialog's font object).
  std::string FontName = "Tahoma";
  int FontSize = 8;
  unsigned FontColor = 0;
  // RecordConvert.FormatOut: the recording file format.
  TdeWaveFormat FormatOut;

  // Samples per trace block: 1200, 1400, ... 3000.
  int Points() const;
  // Port speed and flow control as the dialog's lists show them ("57600", ..., "Hardware", ...).
  int Baudrate() const;
  std::string FlowControl() const;

  // The dialog's load (at its creation and on Cancel): reads qdx.ini, writing back the default
  // of each missing key as the dialog does, and FileCompression.cpn (ProgramDir) when there is
  // no usable recording format (one that does not validate is said in an event line). Every
  // value is loaded even when a write-back fails; the first failure is then raised
  // (EIniFileException or EInOutError), each one has an event line.
  void Load(TSettingsFile& ini);

  // PCM, 1 channel, 8000 Hz, 8 bits: the recording format when nothing else is known.
  static TdeWaveFormat DefaultFormat();
};

extern TLiveSettings LiveSettings;
