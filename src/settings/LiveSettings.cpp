#include "LiveSettings.h"
#include "EventLog.h"
#include "Exception.h"
#include "FileUtils.h"
#include "ProgramDir.h"
#include "SettingsFile.h"
#include "SysUtils.h"
#include <exception>

TLiveSettings LiveSettings;

namespace {
// Collects the first failure of the write-backs so that the load still completes.
class TWriteBacks {
public:
  template <class F> void Do(F write) {
    try {
      write();
    } catch (const EInOutError&) {
      Keep(std::current_exception());
    }
  }
  void Keep(const std::exception_ptr& error) {
    if (!first_) first_ = error;
  }
  void RaiseFirst() {
    if (first_) std::rethrow_exception(first_);
  }

private:
  std::exception_ptr first_;
};

// Reads a boolean, writing the default back when the key is missing.
bool BoolOrWrite(TSettingsFile& ini, TWriteBacks& w, const char* section, const char* ident, bool def) {
  if (ini.ValueExists(section, ident)) return ini.ReadBool(section, ident, def);
  w.Do([&] { ini.WriteBool(section, ident, def); });
  return def;
}

// The same for an integer; read is the checked reader used when the key exists.
template <class R>
int IntOrWrite(TSettingsFile& ini, TWriteBacks& w, const char* section, const char* ident, int def, R read) {
  if (ini.ValueExists(section, ident)) return read();
  w.Do([&] { ini.WriteInteger(section, ident, def); });
  return def;
}
}

TLiveSettings::TLiveSettings() {
  // The dialog's designed recording format until the load replaces it: IMA ADPCM, mono,
  // 8000 Hz, 4 bits, 4055 bytes a second, blocks of 256 bytes holding 505 samples.
  const BYTE ima[] = {0x11, 0, 1, 0, 0x40, 0x1F, 0, 0, 0xD7, 0x0F, 0, 0, 0, 1, 4, 0, 2, 0, 0xF9, 0x01};
  FormatOut.LoadFromBuffer(ima, sizeof ima);
}

int TLiveSettings::Points() const {
  return 1200 + 200 * PointsIndex;
}

int TLiveSettings::Baudrate() const {
  static const int rates[] = {57600, 115200, 128000, 256000};
  return rates[BaudrateIndex >= 0 && BaudrateIndex < 4 ? BaudrateIndex : 1];
}

std::string TLiveSettings::FlowControl() const {
  static const char* const names[] = {"Hardware", "Software", "None"};
  return names[FlowControlIndex >= 0 && FlowControlIndex < 3 ? FlowControlIndex : 0];
}

TdeWaveFormat TLiveSettings::DefaultFormat() {
  TdeWaveFormat f;
  f.SetFormatTag(WAVE_FORMAT_PCM);
  f.SetChannels(1);
  f.SetSamplesPerSec(8000);
  f.SetAvgBytesPerSec(8000);
  f.SetBlockAlign(1);
  f.SetBitsPerSample(8);
  f.SetExtraSize(0);
  return f;
}

void TLiveSettings::Load(TSettingsFile& ini) {
  TWriteBacks w;

  PlayTrace = BoolOrWrite(ini, w, "Monitor", "PlayTrace", true);
  RecordTrace = BoolOrWrite(ini, w, "Monitor", "RecordTrace", true);
  PointsIndex = IntOrWrite(ini, w, "Monitor", "Points", 3, [&] { return ini.ReadPoints(); });
  BackColor = IntOrWrite(ini, w, "Monitor", "BackColor", 0, [&] { return ini.ReadInteger("Monitor", "BackColor", 0); });
  TraceColor = IntOrWrite(ini, w, "Monitor", "TraceColor", 0x00FF00,
                          [&] { return ini.ReadInteger("Monitor", "TraceColor", 0x00FF00); });

  if (ini.ValueExists("Params", "AutoRecord")) {
    AutoRecord = ini.ReadBool("Params", "AutoRecord", true);
    DiscTime = ini.ReadDiscTime();
    RejectCall = ini.ReadBool("Params", "RejectCall", true);
    RejectRings = ini.ReadRejectRings();
    TimeOut = ini.ReadTimeOut(4);
  } else {
    AutoRecord = true;
    DiscTime = 10;
    RejectCall = true;
    RejectRings = 6;
    TimeOut = 4;
    w.Do([&] {
      ini.WriteBool("Params", "AutoRecord", AutoRecord);
      ini.WriteInteger("Params", "DiscTime", DiscTime);
      ini.WriteBool("Params", "RejectCall", RejectCall);
      ini.WriteInteger("Params", "RejectRings", RejectRings);
      ini.WriteInteger("Params", "Timeout", TimeOut);
    });
  }
  StartUp = BoolOrWrite(ini, w, "Params", "StartUp", false);

  bool refused = ini.CallerIdRefused();
  CallerID = BoolOrWrite(ini, w, "Params", "CallerID", !refused) && !refused;

  if (ini.ValueExists("Fonts", "FontName")) {
    FontName = ini.ReadString("Fonts", "FontName", FontName);
    FontSize = ini.ReadFontSize(FontSize);
    FontColor = ini.ReadInteger("Fonts", "FontColor", FontColor);
  } else {
    w.Do([&] {
      ini.WriteString("Fonts", "FontName", FontName);
      ini.WriteInteger("Fonts", "FontSize", FontSize);
      ini.WriteInteger("Fonts", "FontColor", FontColor);
    });
  }

  std::string fault;
  if (!ini.ReadValidFormat("File compression", FormatOut, fault)) {
    // Kept, it would fail every call: chosen again as on a first start.
    if (!fault.empty()) AddEvent("qdx.ini [File compression] Bin " + fault + ": the recording format is chosen again");
    TdeWaveFormat def = DefaultFormat();
    std::string cpn = ProgramDir + "\\FileCompression.cpn";
    bool imported = false;
    if (FileExists(cpn)) {
      try {
        TdeWaveFormat file = def;
        file.LoadFromFile(cpn);
        if (!file.FitsBuffer()) throw EInOutError("\"" + cpn + "\" holds no usable wave format", 0);
        def = file;
        imported = true;
      } catch (const EInOutError& e) {
        AddEvent(e.Message);
        w.Keep(std::current_exception());
      }
    }
    FormatOut = def;
    bool written = false;
    w.Do([&] {
      ini.WriteFormat("File compression", def);
      written = true;
    });
    // The file goes only once its format is safely in qdx.ini.
    if (imported && written && !DeleteFileA(cpn.c_str())) {
      int code = static_cast<int>(GetLastError());
      AddEvent("Could not delete " + cpn + ": " + SysErrorMessage(code));
      w.Keep(std::make_exception_ptr(EInOutError("Could not delete " + cpn, code)));
    }
  }

  if (ini.ValueExists("Modem", "baudrate")) BaudrateIndex = ini.ReadBaudrate();
  if (ini.ValueExists("Modem", "FlowControl")) FlowControlIndex = ini.ReadFlowControl();

  w.RaiseFirst();
}
