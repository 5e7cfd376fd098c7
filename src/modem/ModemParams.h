#pragma once
#include <string>

// The modem's command set: its identity, its COM port and one AT command per voice function.
// A command "none" (any case) is one the modem refused (see IsRefused).
struct TModemParams {
  std::string DriverDate;
  std::string Manufacturer;
  std::string DeviceDesc;
  std::string Model;
  std::string Reset;
  std::string answer;
  std::string monitor;
  std::string PortName;  // not stored: "COM3" from the system's modem list, or "com" + n
  int port = 0;          // 1..16; 0 in qdx.ini means no modem set up
  std::string VoiceMode;
  std::string InitVoice;
  std::string DisCallerId;
  std::string ForCallerId;
  std::string UnfCallerId;
  std::string Distinctive;
  std::string SpeakerVol;
  std::string LineSel_T;
  std::string LineSel_TRes;  // key "LineSel_T#": the reply expected to LineSel_T
  std::string BeepTone;
  std::string SilenceTimer;
  std::string ToneGeneration;
  std::string VoiceProcess;
  std::string VoiceTrx;
  std::string VoiceRec;
  std::string VoiceCompression;
  std::string RecGain;
  std::string SpeakerOn;
  std::string SpeakerOff;
  std::string MicGain;
  std::string SpeakerGain;
  std::string UseLine;     // [Params]: line selection sent when a recording starts
  std::string UseLineRes;  // [Params]: the reply expected to it

  bool operator==(const TModemParams&) const = default;
};

// The command set in force.
extern TModemParams ModemParams;

// True for a command the modem refused: its upper-cased text contains "NONE". An empty command
// is not refused.
bool IsRefused(const std::string& command);

// Fills the voice commands with the standard V.253 set; the identity, port, monitor,
// LineSel_T#, UseLine and UseLineRes are left as they are.
void SetDefaultCommands(TModemParams& entry);

// Where each field lives in qdx.ini, in the order the command load reads them. Field is null
// for "port", the one integer.
struct TModemKey {
  const char* Section;
  const char* Key;
  std::string TModemParams::*Field;
};
extern const TModemKey ModemKeys[31];
// ModemKeys' first entries: the modem's identity, its reset, answer and monitor commands and
// its port, which the set-up wizard writes for the chosen modem.
constexpr int IdentityKeyCount = 8;

class TIniFile;

// Reads every key of ModemKeys into ModemParams, in that order: strings default to "", port
// to 1. PortName is left as it is.
void LoadModemCommands(const TIniFile& ini);
