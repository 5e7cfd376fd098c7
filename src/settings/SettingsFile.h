#pragma once
#include <windows.h>
#include <string>
#include "IniFile.h"

class TdeWaveFormat;

// qdx.ini, the program's one settings file, shared by every form (g_Ini). Values are read when
// needed and written at once, one profile call per value. A refused write through this object
// adds an event line naming the value and raises EIniFileException with the same text (a write
// through a plain TIniFile reference raises too, without the line).
//
// The readers below apply the range rules: a value that would crash, hang or silently stop
// recording reads as its default (or clamped); every valid value reads as stored.
class TSettingsFile : public TIniFile {
public:
  // ProgramDir + "\qdx.ini".
  TSettingsFile();
  explicit TSettingsFile(const std::string& fileName);

  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  void WriteBool(const std::string& section, const std::string& ident, bool value);
  void WriteBinaryStream(const std::string& section, const std::string& ident, TStream& value);
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& ident);

  // A wave format in section's Bin: true with the 128 bytes in format when Bin is exactly 256
  // hexadecimal digits; false (format untouched) when it is missing or anything else.
  bool ReadFormat(const std::string& section, TdeWaveFormat& format) const;
  // The same, also false when Bin holds a format that cannot be recorded with: fault then says
  // why (it stays empty when there is no Bin at all).
  bool ReadValidFormat(const std::string& section, TdeWaveFormat& format, std::string& fault) const;
  // Desc (the format's description) then Bin.
  void WriteFormat(const std::string& section, const TdeWaveFormat& format);

  int ReadPoints() const;                 // [Monitor] Points: 0..9, else 3
  int ReadBaudrate() const;               // [Modem] baudrate: 0..3, else 1
  int ReadFlowControl() const;            // [Modem] FlowControl: 0..2, else 0
  // [Params] Timeout: fallback when missing or not a number, 4 outside 1..6.
  int ReadTimeOut(int fallback) const;
  int ReadDiscTime() const;               // [Params] DiscTime: 1..30, else 10
  int ReadRejectRings() const;            // [Params] RejectRings: 2..20, else 6
  // [Params] Compression (0 when missing) as a record number of a table of count records;
  // -1 when outside it.
  int ReadCompression(int count) const;
  // [General] RingTimeOut: true with a measured period in 1300..15600 ms; false when missing
  // or outside (unmeasured).
  bool ReadRingTimeOut(int& ms) const;
  // Writes a measured period; one outside 1300..15600 ms is not written (false).
  bool WriteRingTimeOut(int ms);
  int ReadVolume() const;                 // [params] Volume: 8 when missing, clamped to 0..16
  // A layout width ([params] Splitter, [Params] Date, Time, Duration): at least 10.
  int ReadWidth(const std::string& section, const std::string& ident, int fallback) const;
  // [params] MainLeft, MainTop, MainWid, MainHeight: the designed bounds when missing or not on
  // the work area.
  RECT ReadMainBounds(const RECT& designed) const;
  int ReadFontSize(int fallback) const;   // [Fonts] FontSize: 1..400, else 8
  // [Modem] <prefix>Min / <prefix>Max ("vgt", "vgr"): 0..255 unless 0 <= min < max <= 255.
  void ReadGainRange(const std::string& prefix, int& min, int& max) const;
  // [Modem] SpeakerVol / RecGain: the track bar position in its command, clamped to min..max;
  // false (position left) for "none" or a value without a number. fallback when missing.
  bool ReadGainPosition(const std::string& ident, const std::string& fallback, int min, int max,
                        int& position) const;
  // True when [Modem] ForCallerId, upper-cased, is "NONE": the modem has no caller ID.
  bool CallerIdRefused() const;

private:
  template <class F> void Checked(const std::string& section, const std::string& ident, F write);
};

// A settings file that cannot be read as one (see SettingsTextFault) is renamed to qdx.bad
// beside it (qdx_2.bad, ... when that is taken), with an event line: true then, with the text
// for the user in told. False when it reads, or is missing. Runs before anything reads it.
bool SetAsideUnreadableSettings(const std::string& fileName, std::string& told);

// The settings file of the run, made by the main window (or the start-up code) and freed by it.
extern TSettingsFile* g_Ini;
// g_Ini, or an exception when the settings file is not open.
TSettingsFile& Ini();
