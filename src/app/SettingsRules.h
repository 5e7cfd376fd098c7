#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

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
