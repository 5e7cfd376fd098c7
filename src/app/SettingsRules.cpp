#include "SettingsRules.h"
#include "SysUtils.h"

int InRangeOr(int v, int lo, int hi, int fallback) {
  return v >= lo && v <= hi ? v : fallback;
}

int Clamp(int v, int lo, int hi) {
  return v < lo ? lo : v > hi ? hi : v;
}

bool RingTimeOutValid(int ms) {
  return ms >= MinRingTimeOut && ms <= MaxRingTimeOut;
}

int LayoutWidth(int px) {
  return px < 10 ? 10 : px;
}

RECT MainBounds(const RECT& stored, const RECT& designed, const RECT& workArea) {
  RECT common;
  bool sane = stored.right - stored.left >= 10 && stored.bottom - stored.top >= 10;
  if (sane && IntersectRect(&common, &stored, &workArea)) return stored;
  return designed;
}

void GainRange(int& min, int& max) {
  if (min < 0 || max > 255 || min >= max) {
    min = 0;
    max = 255;
  }
}

bool GainPosition(const std::string& command, int min, int max, int& position) {
  size_t eq = command.find('=');
  std::string value = eq == std::string::npos ? command : command.substr(eq + 1);
  int n;
  if (!TryStrToInt(value, n)) return false;
  position = Clamp(n, min, max);
  return true;
}

static int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool HexToFormat(const std::string& text, uint8_t bytes[FormatBytes]) {
  if (text.size() != 2 * FormatBytes) return false;
  uint8_t out[FormatBytes];
  for (int i = 0; i < FormatBytes; ++i) {
    int hi = HexDigit(text[2 * i]), lo = HexDigit(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  for (int i = 0; i < FormatBytes; ++i) bytes[i] = out[i];
  return true;
}

std::string FormatToHex(const uint8_t bytes[FormatBytes]) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(2 * FormatBytes);
  for (int i = 0; i < FormatBytes; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}
