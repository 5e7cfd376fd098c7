#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

class TdeWaveFormat;

// The checks that qdx.ini's values pass before use: a value that would crash, hang or silently
// stop recording reads as its default (or is clamped); every valid value reads as stored.

// v when lo <= v <= hi, else fallback.
int InRangeOr(int v, int lo, int hi, int fallback);
int Clamp(int v, int lo, int hi);

// A ring period the engine may use: 1300..15600 ms. Others count as unmeasured.
constexpr int MinRingTimeOut = 1300;
constexpr int MaxRingTimeOut = 15600;
bool RingTimeOutValid(int ms);

// Window layout: widths below 10 pixels become 10.
int LayoutWidth(int px);
// The stored main window bounds when they intersect the work area, else the designed ones.
RECT MainBounds(const RECT& stored, const RECT& designed, const RECT& workArea);

// A gain range from the modem (vgtMin/vgtMax, vgrMin/vgrMax): 0..255 unless 0 <= min < max <= 255.
void GainRange(int& min, int& max);
// The track bar position in a gain command "at+vgr=N": the number after the first "=", clamped
// to min..max. False (position left alone) for "none" or text that is not a number.
bool GainPosition(const std::string& command, int min, int max, int& position);

// A Bin value: exactly 256 hexadecimal digits (either case) make 128 bytes; anything else is
// no value at all. Written as upper-case digits.
constexpr int FormatBytes = 128;
bool HexToFormat(const std::string& text, uint8_t bytes[FormatBytes]);
std::string FormatToHex(const uint8_t bytes[FormatBytes]);

// Why a text cannot be the settings file (it is empty, holds bytes that are no text, ends in
// the middle of a line, or has a line that is neither a section, a setting nor a comment);
// empty when it can. The platform would read any of these as settings with holes.
std::string SettingsTextFault(const std::string& text);

// Why a stored wave format cannot be recorded with (the extra size past its block, no format
// tag, 0 or more than 8 channels, a rate outside 1000..192000 Hz, no block alignment or byte
// rate, PCM whose sizes disagree, another format that no codec knows); empty when it can.
std::string FormatFault(const TdeWaveFormat& format);
