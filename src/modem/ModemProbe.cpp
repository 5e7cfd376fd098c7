#include "ModemProbe.h"
#include "Codec.h"
#include "Compression.h"
#include "EventLog.h"
#include "Exception.h"
#include "KitSysModemInfo.h"
#include "ModemEngine.h"
#include "ModemParams.h"
#include "Parse.h"
#include "ProgramDir.h"
#include "SettingsFile.h"
#include "SysUtils.h"
#include "WaveFormat.h"
#include <algorithm>

bool VoiceFeatures = false;

namespace {

constexpr int ProbeSteps = 13;
constexpr int MaxCompressions = 101;

// Identities are plain ASCII text; anything else in one is line noise.
bool NotPrintable(unsigned char c) { return c < 0x20 || c > 0x7E; }

// The commands that a modem without voice functions gets as "none".
const char* const VoiceKeys[] = {"VoiceMode",    "InitVoice",      "DisCallerId",  "ForCallerId", "UnfCallerId",
                                 "Distinctive",  "SpeakerVol",     "LineSel_T",    "LineSel_T#",  "BeepTone",
                                 "SilenceTimer", "ToneGeneration", "VoiceProcess", "VoiceTrx",    "VoiceRec",
                                 "RecGain",      "SpeakerOn",      "SpeakerOff",   "MicGain",     "SpeakerGain"};

const char* const ModelQueries[] = {"AT+GMM?", "AT+FMM?", "ATI4"};
const char* const MakerQueries[] = {"AT+GMI?", "AT+FMI?"};
const char* const DriverQueries[] = {"AT+GMR?", "AT+FMR?"};

}  // namespace

TModemProbe::TModemProbe(TFoundModems& table, TModemProbeView& view, TfmModem* modem, TfmParse* parse)
    : table_(table), view_(view), modem_(modem), parse_(parse) {}

TfmModem& TModemProbe::Modem() const {
  if (!modem_) throw Exception("The modem engine is not ready.");
  return *modem_;
}

std::string TModemProbe::IdentityText(const std::string& reply) {
  std::string line;
  size_t at = 0;
  while (at <= reply.size()) {
    size_t end = reply.find_first_of("\r\n", at);
    if (end == std::string::npos) end = reply.size();
    line = reply.substr(at, end - at);
    if (!TrimControls(line).empty()) break;
    line.clear();
    at = end + 1;
  }
  size_t colon = line.find(':');
  if (colon != std::string::npos) line.erase(0, colon + 1);
  line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return NotPrintable(static_cast<unsigned char>(c)); }),
             line.end());
  return line;
}

// ---- Search ----

void TModemProbe::FindModems(const std::vector<TKitSystemModem>& system) {
  for (TModemParams& entry : table_.FoundModems) entry = TModemParams();
  table_.FoundCount = 0;
  Ini().EraseSection("Modem");
  Ini().UpdateFile();

  // The table holds 16; the system's list is no longer.
  const int count = static_cast<int>(std::min<size_t>(system.size(), TFoundModems::Size - 1));
  table_.FoundCount = count;
  if (count > 0) {
    table_.ProbedDirectly = false;
    for (int i = 0; i < count; ++i) {
      view_.ModemListed(system[i].Name);
      TModemParams& entry = table_.FoundModems[i + 1];
      entry.PortName = system[i].AttachedTo;
      entry.Model = system[i].Name;
      if (system[i].Port) entry.port = system[i].Port;
    }
    return;
  }
  ProbeDirectly();
}

std::string TModemProbe::Identity(const char* const* queries, int count, const char* fallback) {
  for (int i = 0; i < count; ++i) {
    std::string reply;
    if (Modem().SendQuery(queries[i], reply) == TSendResult::Expected) return IdentityText(reply);
  }
  return fallback;
}

void TModemProbe::ProbeDirectly() {
  TfmModem& modem = Modem();
  table_.ProbedDirectly = true;
  int found = 0;
  view_.SearchShown(true);
  AddEvent("----- finding modems -----");
  modem.ClosePort();  // an open port would be taken for every number
  for (int port = 1; port <= 8; ++port) {
    view_.SearchProgress(static_cast<int>(Round(port / 8.0 * 100)));
    if (!modem.OpenPort(port, false)) {
      AddEvent("Port " + IntToStr(port) + " failed to open");
      continue;
    }
    if (modem.SendCommand("AT", "Sending AT", "ok") != TSendResult::Expected) {
      modem.ClosePort();
      continue;
    }
    modem.SendCommand("atE0", "echo off..", "ok");
    TModemParams& entry = table_.FoundModems[++found];
    entry.Model = Identity(ModelQueries, 3, "Unspecified model");
    entry.Manufacturer = Identity(MakerQueries, 2, "Unspecified manufacturer");
    entry.DriverDate = Identity(DriverQueries, 2, "Unspecified driver");
    entry.PortName = "com" + IntToStr(port);
    entry.port = port;
    view_.ModemListed(entry.Model);
    modem.ClosePort();
  }
  AddEvent("----- finding modems finished -----");
  view_.SearchShown(false);
  table_.FoundCount = found;
}

// ---- Probe of the chosen modem ----

bool TModemProbe::ProbeModem(int sel) {
  TfmModem& modem = Modem();
  if (!parse_) throw Exception("The modem engine is not ready.");
  TSettingsFile& ini = Ini();
  modem.ClosePort();
  if (!modem.OpenPortAsIs(ModemParams.port)) {
    ini.WriteBool("Params", "Voicefeatures", false);
    view_.Tell("Error detected opening Com" + IntToStr(ModemParams.port) + "\nPossible cause\n" +
               "Your modem is bound to another software such as a fax software");
    view_.ChoiceOpen();
    return false;
  }
  if (!modem.PortOpened) return true;

  modem.SendCommand("atE0", "echo off..", "ok");
  if (modem.SendCommand("at", "at", "ok") != TSendResult::Expected) {
    ini.WriteBool("Params", "Voicefeatures", false);
    view_.Tell("Error detected\nPossible cause\nYour modem is not connected to port");
    modem.ClosePort();
    return true;
  }
  WriteIdentity();

  const std::string check = "checking V.253 standard";
  VoiceFeatures = modem.SendCommand("at+fclass=8", check, "ok") == TSendResult::Expected &&
                  modem.SendCommand("at+vls=0", check, "ok") == TSendResult::Expected;
  if (VoiceFeatures) {
    ProbeVoice(sel);
  } else {
    for (const char* key : VoiceKeys) ini.WriteString("Modem", key, "none");
    ini.WriteBool("Params", "Voicefeatures", false);
    ini.WriteInteger("Params", "Timeout", 4);
  }
  view_.ChoiceOpen();
  modem.ClosePort();
  return true;
}

void TModemProbe::WriteIdentity() {
  for (int i = 0; i < IdentityKeyCount; ++i) {
    const TModemKey& k = ModemKeys[i];
    if (k.Field) Ini().WriteString(k.Section, k.Key, ModemParams.*k.Field);
    else Ini().WriteInteger(k.Section, k.Key, ModemParams.port);
  }
}

void TModemProbe::ProbeVoice(int sel) {
  using P = TModemParams;
  TSettingsFile& ini = Ini();
  view_.ProbeProgress(0);
  view_.ProbeShown(true);
  ini.WriteBool("Params", "Voicefeatures", true);
  table_.SetDefaultCommands(sel);
  ModemParams = table_.FoundModems[sel];
  ini.WriteString("Modem", "VoiceMode", ModemParams.VoiceMode);

  Probe({{"InitVoice", &P::InitVoice},
         {"DisCallerId", &P::DisCallerId},
         {"ForCallerId", &P::ForCallerId},
         {"UnfCallerId", &P::UnfCallerId},
         {"Distinctive", &P::Distinctive}},
        1);
  AddEvent("now vsm");
  if (parse_->QueryCompressions(false)) {
    ChooseCompression();
    if (ini.SectionExists("Modem compression")) ini.EraseSection("Modem compression");
    SetCompressionFormat();
  }
  Step(6);
  AddEvent("now vls");
  parse_->QueryLineSelect();
  Step(7);
  ini.WriteString("Modem", "SilenceTimer", "none");
  ini.WriteString("Modem", "ToneGeneration", ModemParams.ToneGeneration);
  ini.WriteString("Modem", "VoiceProcess", ModemParams.VoiceProcess);
  ini.WriteString("Modem", "VoiceTrx", ModemParams.VoiceTrx);
  ini.WriteString("Modem", "VoiceRec", ModemParams.VoiceRec);
  ProbeGain("at+VGR=?", false, "vgr", "RecGain", "at+vgr=");
  Step(8);
  ProbeGain("at+VGT=?", true, "vgt", "SpeakerVol", "at+vgt=");
  Step(9);
  Probe({{"SpeakerOn", &P::SpeakerOn},
         {"SpeakerOff", &P::SpeakerOff},
         {"MicGain", &P::MicGain},
         {"SpeakerGain", &P::SpeakerGain}},
        10);
  ChooseLine();
  ini.WriteInteger("Params", "Timeout", 4);
  view_.ProbeShown(false);
}

void TModemProbe::Probe(std::initializer_list<TCommandProbe> probes, int step) {
  for (const TCommandProbe& probe : probes) {
    const std::string& command = ModemParams.*probe.command;
    bool works = Modem().SendCommand(command, command, "ok") == TSendResult::Expected;
    Ini().WriteString("Modem", probe.key, works ? command : "none");
    Step(step++);
  }
}

void TModemProbe::ProbeGain(const char* query, bool vgt, const char* prefix, const char* key,
                            const char* command) {
  std::string reply;
  int min = -1, max = -1;
  if (Modem().SendQuery(query, reply) == TSendResult::Expected) {
    if (vgt) TfmParse::ParseGainRangeVgt(reply, min, max);
    else TfmParse::ParseGainRange(reply, min, max);
  }
  // No range (refused, none given, or one the parser rejected): the modem's gain stays as it is.
  if (min < 0 || max < 0) {
    Ini().WriteString("Modem", key, "none");
    return;
  }
  Ini().WriteInteger("Modem", std::string(prefix) + "Min", min);
  Ini().WriteInteger("Modem", std::string(prefix) + "Max", max);
  Ini().WriteString("Modem", key, command + IntToStr((min + max) / 2));
}

void TModemProbe::ChooseLine() {
  for (const char* key : {"LineSel_T", "LineSel_LT", "LineSel_ST", "LineSel_MST"}) {
    std::string value = Ini().ReadString("Modem", key, "");
    if (UpperCase(value) == "NONE") continue;
    Ini().WriteString("Params", "UseLine", value);
    Ini().WriteString("Params", "UseLineRes", Ini().ReadString("Modem", std::string(key) + "#", ""));
    return;
  }
}

void TModemProbe::Step(int step) {
  view_.ProbeProgress(static_cast<int>(Round(step * 100.0 / ProbeSteps)));
}

// ---- Compression ----

void TModemProbe::ChooseCompression() {
  std::vector<TCompressionRec> records = ReadCompressions(ProgramPath("Compressions.d"));
  if (records.size() > MaxCompressions) records.resize(MaxCompressions);
  if (records.empty()) return;
  struct TPass {
    const char* name;
    const char* bps;  // null: any
  };
  static const TPass passes[] = {{"UNSIGNED PCM", "8"}, {"SIGNED PCM", "8"},   {"ULAW", "8"},
                                 {"ALAW", "8"},         {"SIGNED PCM", "16"},  {"UNSIGNED PCM", "16"},
                                 {"IMA ADPCM", nullptr}, {"ADPCM", "4"}};
  size_t chosen = 0;
  bool matched = false;
  for (const TPass& pass : passes) {
    for (size_t i = 0; i < records.size() && !matched; ++i) {
      if (records[i].Description.Get() != pass.name) continue;
      if (pass.bps && records[i].bps.Get() != pass.bps) continue;
      chosen = i;
      matched = true;
    }
    if (matched) break;
  }
  Ini().WriteString("Modem", "VoiceCompression", records[chosen].VsmCommand.Get());
  Ini().WriteInteger("Params", "Compression", static_cast<int>(chosen));
}

bool TModemProbe::SetCompressionFormat() {
  std::vector<TCompressionRec> records = ReadCompressions(ProgramPath("Compressions.d"));
  int number = Ini().ReadCompression(static_cast<int>(records.size()));
  if (number < 0) {
    view_.Tell("The voice compression chosen is not in Compressions.d.\rChoose a different modem compression");
    return false;
  }
  CurrentCompression = records[static_cast<size_t>(number)];
  const std::string name = CurrentCompression.Description.Get();
  const int bps = StrToIntDef(Trim(CurrentCompression.bps.Get()), -1);
  const int vsr = StrToIntDef(Trim(CurrentCompression.vsr.Get()), -1);
  const bool pcm = name == "UNSIGNED PCM" || name == "SIGNED PCM";

  auto matches = [&](const WAVEFORMATEX& f, WORD tag) {
    return f.wFormatTag == tag && f.wBitsPerSample == bps && f.nChannels == 1 &&
           static_cast<int>(f.nSamplesPerSec) == vsr;
  };
  TdeWaveFormat format;
  bool found = false;
  for (int c = 0; c < CodecCount() && !found; ++c) {
    const TdeCodec* codec = Codecs(c);
    for (int i = 0; i < codec->FormatCount() && !found; ++i) {
      TdeCodec::TFormatRec rec;
      codec->GetFormat(i, rec);
      if (!rec.Format) continue;
      const WAVEFORMATEX& f = *rec.Format;
      if (pcm && matches(f, WAVE_FORMAT_PCM)) {
        size_t size = std::min<size_t>(static_cast<size_t>(codec->MaxFormatSize), 16);
        format.LoadFromBuffer(&f, size);
        format.SetExtraSize(0);
        found = true;
      } else if (pcm && bps == 16 && vsr == 7200) {
        format.SetFormatTag(WAVE_FORMAT_PCM);
        format.SetChannels(1);
        format.SetSamplesPerSec(7200);
        format.SetBitsPerSample(16);
        format.SetBlockAlign(2);
        format.SetAvgBytesPerSec(14400);
        format.SetExtraSize(0);
        found = true;
      } else if ((name == "ULAW" && matches(f, WAVE_FORMAT_MULAW)) ||
                 (name == "ALAW" && matches(f, WAVE_FORMAT_ALAW))) {
        size_t size = std::min<size_t>({static_cast<size_t>(codec->MaxFormatSize),
                                        sizeof(WAVEFORMATEX) + f.cbSize, size_t{TdeWaveFormat::BufferSize}});
        format.LoadFromBuffer(&f, size);
        found = true;
      } else if (vsr == 8000 && bps == 4 && name == "IMA ADPCM") {
        format.LoadFromFile(ProgramPath("IMA_ADPCM_1.cpn"));
        found = true;
      }
    }
  }
  if (!found) {
    view_.Tell("None Codec Format found to match modem compression\rChoose a different modem compression");
    return false;
  }
  if (Ini().SectionExists("Modem compression")) Ini().EraseSection("Modem compression");
  Ini().WriteFormat("Modem compression", format);
  return true;
}
