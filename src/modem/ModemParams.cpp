#include "ModemParams.h"
#include "IniFile.h"
#include "SysUtils.h"

TModemParams ModemParams;

bool IsRefused(const std::string& command) {
  return UpperCase(command).find("NONE") != std::string::npos;
}

void SetDefaultCommands(TModemParams& e) {
  e.VoiceMode = "at+fclass=8";
  e.InitVoice = "at+vid";
  e.Reset = "atz";
  e.answer = "ats0=0";
  e.DisCallerId = "at+vcid=0";
  e.ForCallerId = "at+vcid=1";
  e.UnfCallerId = "at+vcid=2";
  e.Distinctive = "at+vdr=0";
  e.SpeakerVol = "at+vgt=128";
  e.RecGain = "at+vgr=128";
  e.LineSel_T = "at+vls=1";
  e.BeepTone = "at+vtd=100";
  e.SilenceTimer = "at+vsd=127,255";
  e.ToneGeneration = "at+vts=";
  e.VoiceProcess = "at+vtr";
  e.VoiceTrx = "at+vtx";
  e.VoiceRec = "at+vrx";
  e.VoiceCompression = "at+vsm=128";
  e.SpeakerOn = "at+vsp=1";
  e.SpeakerOff = "at+vsp=0";
  e.MicGain = "at+vgm=128";
  e.SpeakerGain = "at+vgs=128";
}

using P = TModemParams;
const TModemKey ModemKeys[31] = {
    {"Modem", "DriverDate", &P::DriverDate},
    {"Modem", "Manufacturer", &P::Manufacturer},
    {"Modem", "DeviceDesc", &P::DeviceDesc},
    {"Modem", "Model", &P::Model},
    {"Modem", "Reset", &P::Reset},
    {"Modem", "answer", &P::answer},
    {"Modem", "monitor", &P::monitor},
    {"Modem", "port", nullptr},
    {"Modem", "VoiceMode", &P::VoiceMode},
    {"Modem", "InitVoice", &P::InitVoice},
    {"Modem", "DisCallerId", &P::DisCallerId},
    {"Modem", "ForCallerId", &P::ForCallerId},
    {"Modem", "UnfCallerId", &P::UnfCallerId},
    {"Modem", "Distinctive", &P::Distinctive},
    {"Modem", "SpeakerVol", &P::SpeakerVol},
    {"Modem", "VoiceCompression", &P::VoiceCompression},
    {"Modem", "LineSel_T", &P::LineSel_T},
    {"Modem", "LineSel_T#", &P::LineSel_TRes},
    {"Modem", "BeepTone", &P::BeepTone},
    {"Modem", "SilenceTimer", &P::SilenceTimer},
    {"Modem", "ToneGeneration", &P::ToneGeneration},
    {"Modem", "VoiceProcess", &P::VoiceProcess},
    {"Modem", "VoiceTrx", &P::VoiceTrx},
    {"Modem", "VoiceRec", &P::VoiceRec},
    {"Modem", "RecGain", &P::RecGain},
    {"Modem", "SpeakerOn", &P::SpeakerOn},
    {"Modem", "SpeakerOff", &P::SpeakerOff},
    {"Modem", "MicGain", &P::MicGain},
    {"Modem", "SpeakerGain", &P::SpeakerGain},
    {"Params", "UseLine", &P::UseLine},
    {"Params", "UseLineRes", &P::UseLineRes},
};

void LoadModemCommands(const TIniFile& ini) {
  for (const TModemKey& k : ModemKeys) {
    if (k.Field)
      ModemParams.*k.Field = ini.ReadString(k.Section, k.Key, "");
    else
      ModemParams.port = ini.ReadInteger(k.Section, k.Key, 1);
  }
}
