#include "SettingsRules.h"
#include "SysUtils.h"
#include "WaveFormat.h"

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

std::string SettingsTextFault(const std::string& text) {
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return "it is empty";
  for (unsigned char c : text)
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return "it holds bytes that are not text";
  // The platform ends every line it writes: a last line without its end was cut off.
  if (text.back() != '\n' && text.back() != '\r') return "it ends in the middle of a line";
  bool inSection = false;
  int number = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    ++number;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']') return "line " + std::to_string(number) + " is not a section";
      inSection = true;
      continue;
    }
    if (line.find('=') == std::string::npos) return "line " + std::to_string(number) + " is not a setting";
    if (!inSection) return "line " + std::to_string(number) + " is outside any section";
  }
  return "";
}

std::string FormatFault(const TdeWaveFormat& f) {
  // The shape is checked here: the codec knows PCM at a few standard rates only, and any rate
  // converts.
  std::string fault = f.ShapeFault();
  if (!fault.empty() || f.GetFormatTag() == WAVE_FORMAT_PCM) return fault;
  const unsigned tag = f.GetFormatTag();
  // Both asked: a codec may take a format's sizes without looking at its tag.
  ACMFORMATTAGDETAILSA details = {};
  details.cbStruct = sizeof details;
  details.dwFormatTag = tag;
  if (acmFormatTagDetailsA(nullptr, &details, ACM_FORMATTAGDETAILSF_FORMATTAG) != 0 || f.GetFormatDescription().empty())
    return "no codec knows it (format tag " + std::to_string(tag) + ")";
  return "";
}
