#include "SettingsFile.h"
#include "EventLog.h"
#include "Exception.h"
#include "FileStream.h"
#include "ProgramDir.h"
#include "SettingsRules.h"
#include "FileUtils.h"
#include "SysUtils.h"
#include "WaveFormat.h"

TSettingsFile* g_Ini = nullptr;

TSettingsFile::TSettingsFile() : TIniFile(ProgramDir + "\\qdx.ini") {}

TSettingsFile::TSettingsFile(const std::string& fileName) : TIniFile(fileName) {}

template <class F>
void TSettingsFile::Checked(const std::string& section, const std::string& ident, F write) {
  try {
    write();
  } catch (const EIniFileException& e) {
    std::string text = e.Message + " ([" + section + "]" + (ident.empty() ? "" : " " + ident) + ")";
    if (e.ErrorCode) text += ": " + SysErrorMessage(e.ErrorCode);
    AddEvent(text);
    throw EIniFileException(text, e.ErrorCode);
  }
}

void TSettingsFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  Checked(section, ident, [&] { TIniFile::WriteString(section, ident, value); });
}

void TSettingsFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  Checked(section, ident, [&] { TIniFile::WriteInteger(section, ident, value); });
}

void TSettingsFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  Checked(section, ident, [&] { TIniFile::WriteBool(section, ident, value); });
}

void TSettingsFile::WriteBinaryStream(const std::string& section, const std::string& ident, TStream& value) {
  Checked(section, ident, [&] { TIniFile::WriteBinaryStream(section, ident, value); });
}

void TSettingsFile::EraseSection(const std::string& section) {
  Checked(section, "", [&] { TIniFile::EraseSection(section); });
}

void TSettingsFile::DeleteKey(const std::string& section, const std::string& ident) {
  Checked(section, ident, [&] { TIniFile::DeleteKey(section, ident); });
}

bool TSettingsFile::ReadFormat(const std::string& section, TdeWaveFormat& format) const {
  uint8_t bytes[FormatBytes];
  if (!HexToFormat(ReadString(section, "Bin", ""), bytes)) return false;
  format.LoadFromBuffer(bytes, FormatBytes);
  return true;
}

bool TSettingsFile::ReadValidFormat(const std::string& section, TdeWaveFormat& format, std::string& fault) const {
  fault.clear();
  TdeWaveFormat read;
  if (!ReadFormat(section, read)) {
    if (ValueExists(section, "Bin")) fault = "is not 128 bytes in hexadecimal";
    return false;
  }
  fault = FormatFault(read);
  if (!fault.empty()) return false;
  format = read;
  return true;
}

void TSettingsFile::WriteFormat(const std::string& section, const TdeWaveFormat& format) {
  WriteString(section, "Desc", format.GetFormatDescription());
  WriteString(section, "Bin", FormatToHex(format.Bytes()));
}

int TSettingsFile::ReadPoints() const {
  return InRangeOr(ReadInteger("Monitor", "Points", 3), 0, 9, 3);
}

int TSettingsFile::ReadBaudrate() const {
  return InRangeOr(ReadInteger("Modem", "baudrate", 1), 0, 3, 1);
}

int TSettingsFile::ReadFlowControl() const {
  return InRangeOr(ReadInteger("Modem", "FlowControl", 0), 0, 2, 0);
}

int TSettingsFile::ReadTimeOut(int fallback) const {
  return InRangeOr(ReadInteger("Params", "Timeout", fallback), 1, 6, 4);
}

int TSettingsFile::ReadDiscTime() const {
  return InRangeOr(ReadInteger("Params", "DiscTime", 10), 1, 30, 10);
}

int TSettingsFile::ReadRejectRings() const {
  return InRangeOr(ReadInteger("Params", "RejectRings", 6), 2, 20, 6);
}

int TSettingsFile::ReadCompression(int count) const {
  return InRangeOr(ReadInteger("Params", "Compression", 0), 0, count - 1, -1);
}

bool TSettingsFile::ReadRingTimeOut(int& ms) const {
  int v = ReadInteger("General", "RingTimeOut", 0);
  if (!RingTimeOutValid(v)) return false;
  ms = v;
  return true;
}

bool TSettingsFile::WriteRingTimeOut(int ms) {
  if (!RingTimeOutValid(ms)) return false;
  WriteInteger("General", "RingTimeOut", ms);
  return true;
}

int TSettingsFile::ReadVolume() const {
  return Clamp(ReadInteger("params", "Volume", 8), 0, 16);
}

int TSettingsFile::ReadWidth(const std::string& section, const std::string& ident, int fallback) const {
  return LayoutWidth(ReadInteger(section, ident, fallback));
}

RECT TSettingsFile::ReadMainBounds(const RECT& designed) const {
  int left = ReadInteger("params", "MainLeft", designed.left);
  int top = ReadInteger("params", "MainTop", designed.top);
  int width = ReadInteger("params", "MainWid", designed.right - designed.left);
  int height = ReadInteger("params", "MainHeight", designed.bottom - designed.top);
  RECT stored = {left, top, left + width, top + height};
  RECT work;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
    work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return MainBounds(stored, designed, work);
}

int TSettingsFile::ReadFontSize(int fallback) const {
  return InRangeOr(ReadInteger("Fonts", "FontSize", fallback), 1, 400, 8);
}

void TSettingsFile::ReadGainRange(const std::string& prefix, int& min, int& max) const {
  min = ReadInteger("Modem", prefix + "Min", 0);
  max = ReadInteger("Modem", prefix + "Max", 255);
  GainRange(min, max);
}

bool TSettingsFile::ReadGainPosition(const std::string& ident, const std::string& fallback, int min,
                                     int max, int& position) const {
  return GainPosition(ReadString("Modem", ident, fallback), min, max, position);
}

bool TSettingsFile::CallerIdRefused() const {
  return UpperCase(ReadString("Modem", "ForCallerId", "")) == "NONE";
}

namespace {
// Far more than any settings file: what is bigger is not one.
const int64_t MaxSettingsBytes = 1 << 20;

std::string SettingsFault(const std::string& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyNone);
  int64_t size = f.Size();
  if (size > MaxSettingsBytes) return "it is too large";
  std::string text(static_cast<size_t>(size), '\0');
  if (size > 0) f.ReadBuffer(&text[0], static_cast<int>(size));
  return SettingsTextFault(text);
}
}  // namespace

bool SetAsideUnreadableSettings(const std::string& fileName, std::string& told) {
  if (!FileExists(fileName)) return false;
  std::string fault;
  try {
    fault = SettingsFault(fileName);
  } catch (const std::exception& e) {
    fault = e.what();
  }
  if (fault.empty()) return false;
  const std::string name = ExtractFileName(fileName);
  std::string aside = ChangeFileExt(fileName, ".bad");
  for (int n = 2; FileExists(aside); ++n) aside = ChangeFileExt(fileName, "") + "_" + std::to_string(n) + ".bad";
  if (!RenameFile(fileName, aside)) {
    std::string why = SysErrorMessage(static_cast<int>(GetLastError()));
    AddEvent(name + " cannot be read (" + fault + ") nor set aside: " + why);
    told = "The settings file " + name + " cannot be read (" + fault + ") and cannot be set aside (" + why +
           ").\nThe program starts with the settings it can read.";
    return true;
  }
  AddEvent(name + " cannot be read (" + fault + "): kept as " + ExtractFileName(aside));
  told = "The settings file " + name + " cannot be read (" + fault + ").\nIt is kept as " + ExtractFileName(aside) +
         "; the program starts as on its first start and searches for the modem again.";
  return true;
}

TSettingsFile& Ini() {
  if (!g_Ini) throw Exception("The settings file is not open.");
  return *g_Ini;
}
