#include "SysUtils.h"
#include "Exception.h"
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#endif

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
char UpperChar(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }
char LowerChar(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  c = UpperChar(c);
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}
bool IsPathDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }
size_t FileNameStart(const std::string& s) {
  size_t i = s.size();
  while (i > 0 && !IsPathDelimiter(s[i - 1])) --i;
  return i;
}
}

std::string Trim(const std::string& s) { return TrimLeft(TrimRight(s)); }

std::string TrimLeft(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

std::string TrimRight(const std::string& s) {
  size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return s.substr(0, n);
}

std::string UpperCase(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = UpperChar(c);
  return r;
}

std::string LowerCase(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = LowerChar(c);
  return r;
}

std::string AnsiUpperCase(const std::string& s) {
#ifdef _WIN32
  std::string r = s;
  if (!r.empty()) CharUpperBuffA(r.data(), static_cast<DWORD>(r.size()));
  return r;
#else
  return UpperCase(s);
#endif
}

std::string AnsiLowerCase(const std::string& s) {
#ifdef _WIN32
  std::string r = s;
  if (!r.empty()) CharLowerBuffA(r.data(), static_cast<DWORD>(r.size()));
  return r;
#else
  return LowerCase(s);
#endif
}

int CompareStr(const std::string& a, const std::string& b) { return a.compare(b); }

int CompareText(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = UpperChar(a[i]), y = UpperChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(const std::string& a, const std::string& b) { return CompareText(a, b) == 0; }

std::string StringReplaceAll(const std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;
  std::string r;
  size_t at = 0;
  for (size_t hit; (hit = s.find(from, at)) != std::string::npos; at = hit + from.size())
    r.append(s, at, hit - at).append(to);
  return r.append(s, at, std::string::npos);
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(uint64_t value, int digits) {
  std::string r;
  do {
    r.insert(r.begin(), "0123456789ABCDEF"[value & 15]);
    value >>= 4;
  } while (value);
  if (static_cast<int>(r.size()) < digits) r.insert(0, digits - r.size(), '0');
  return r;
}

bool TryStrToInt64(const std::string& s, int64_t& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == s.size()) return false;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    int d = hex ? HexValue(s[i]) : (IsDigit(s[i]) ? s[i] - '0' : -1);
    if (d < 0) return false;
    uint64_t base = hex ? 16 : 10;
    if (v > (UINT64_MAX - d) / base) return false;
    v = v * base + d;
  }
  if (!hex && v > (negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX))) return false;
  value = negative ? int64_t(0 - v) : int64_t(v);
  return true;
}

bool TryStrToInt(const std::string& s, int& value) {
  int64_t v;
  if (!TryStrToInt64(s, v)) return false;
  bool hex = s.find_first_of("$xX") != std::string::npos;
  if (hex) {
    // Hexadecimal text names 32 bits: up to $FFFFFFFF, taken as the signed value.
    uint64_t magnitude = v < 0 ? 0 - uint64_t(v) : uint64_t(v);
    if (magnitude > 0xFFFFFFFFull) return false;
    value = static_cast<int>(static_cast<uint32_t>(v));
    return true;
  }
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

int StrToInt(const std::string& s) {
  int v;
  if (!TryStrToInt(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
  return v;
}

int64_t StrToInt64(const std::string& s) {
  int64_t v;
  if (!TryStrToInt64(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
  return v;
}

int StrToIntDef(const std::string& s, int fallback) {
  int v;
  return TryStrToInt(s, v) ? v : fallback;
}

std::string FloatToStr(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  std::string r;
  for (const char* p = buf; *p; ++p) {
    if (*p == '.') {
      r += FormatSettings().DecimalSeparator;
    } else if (*p == 'E') {
      // "E+20" becomes "E20", "E-06" becomes "E-6".
      r += 'E';
      ++p;
      if (*p == '-') r += '-';
      ++p;
      while (*p == '0' && p[1]) ++p;
      r += p;
      break;
    } else {
      r += *p;
    }
  }
  return r;
}

bool TryStrToFloat(const std::string& s, double& value) {
  std::string t = Trim(s), c;
  size_t i = 0;
  auto digits = [&] {
    size_t start = i;
    while (i < t.size() && IsDigit(t[i])) c += t[i++];
    return i - start;
  };
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) c += t[i++];
  size_t n = digits();
  if (i < t.size() && t[i] == FormatSettings().DecimalSeparator) {
    c += '.';
    ++i;
    n += digits();
  }
  if (n == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    c += t[i++];
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) c += t[i++];
    if (digits() == 0) return false;
  }
  if (i != t.size()) return false;
  double v = std::strtod(c.c_str(), nullptr);
  if (std::isinf(v)) return false;
  value = v;
  return true;
}

double StrToFloat(const std::string& s) {
  double v;
  if (!TryStrToFloat(s, v)) throw EConvertError("'" + s + "' is not a valid floating point value");
  return v;
}

double StrToFloatDef(const std::string& s, double fallback) {
  double v;
  return TryStrToFloat(s, v) ? v : fallback;
}

std::string FormatFloat(const std::string& pattern, double value) {
  size_t first = pattern.find_first_of("0#."), last = pattern.find_last_of("0#.");
  if (first == std::string::npos || !std::isfinite(value)) return FloatToStr(value);
  std::string places = pattern.substr(first, last - first + 1);
  size_t dot = places.find('.');
  std::string whole = places.substr(0, dot), fraction = dot == std::string::npos ? "" : places.substr(dot + 1);
  int minWhole = static_cast<int>(std::count(whole.begin(), whole.end(), '0'));
  int maxDecimals = static_cast<int>(fraction.size());
  int minDecimals = static_cast<int>(fraction.find_last_of('0') + 1);  // npos + 1 is 0
  // Round the value's 15 significant digits, halves away from zero, at the last place shown.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
  std::string digits = std::string(buf, 1) + std::string(buf + 2, 14);
  int exponent = std::atoi(std::strchr(buf, 'e') + 1);
  bool negative = std::signbit(value);
  int keep = exponent + 1 + maxDecimals;
  if (keep < 0) {
    digits.clear();
  } else if (keep < static_cast<int>(digits.size())) {
    bool up = digits[keep] >= '5';
    digits.resize(keep);
    for (int i = keep - 1; up && i >= 0; --i) {
      up = digits[i] == '9';
      digits[i] = up ? '0' : char(digits[i] + 1);
    }
    if (up) {
      digits.insert(0, "1");
      ++exponent;
    }
  }
  int wholeDigits = exponent + 1;
  std::string intPart, decPart;
  if (wholeDigits > 0) {
    digits.resize(std::max<size_t>(digits.size(), wholeDigits), '0');
    intPart = digits.substr(0, wholeDigits);
    decPart = digits.substr(wholeDigits);
  } else {
    intPart = "0";
    decPart = std::string(-wholeDigits, '0') + digits;
  }
  decPart.resize(maxDecimals, '0');
  while (static_cast<int>(decPart.size()) > minDecimals && decPart.back() == '0') decPart.pop_back();
  while (intPart.size() > 1 && intPart[0] == '0') intPart.erase(0, 1);
  if (intPart == "0" && minWhole == 0) intPart.clear();
  while (static_cast<int>(intPart.size()) < minWhole) intPart.insert(0, "0");
  std::string number = intPart;
  if (!decPart.empty()) number += FormatSettings().DecimalSeparator + decPart;
  if (number.empty()) number = "0";
  if (negative && number.find_first_not_of("0.,") != std::string::npos) number.insert(0, "-");
  return pattern.substr(0, first) + number + pattern.substr(last + 1);
}

int64_t Round(double value) { return std::llrint(value); }

int64_t Trunc(double value) { return static_cast<int64_t>(value); }

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string r;
  if (n > 0) {
    std::vector<char> buf(n + 1);
    std::vsnprintf(buf.data(), buf.size(), format, args);
    r.assign(buf.data(), n);
  }
  va_end(args);
  return r;
}

std::string ExtractFilePath(const std::string& fileName) { return fileName.substr(0, FileNameStart(fileName)); }

std::string ExtractFileDir(const std::string& fileName) {
  size_t i = FileNameStart(fileName);
  // Keep the separator of a root ("C:\", "\") and the colon of a drive.
  if (i > 1 && (fileName[i - 1] == '\\' || fileName[i - 1] == '/') && !IsPathDelimiter(fileName[i - 2])) --i;
  return fileName.substr(0, i);
}

std::string ExtractFileName(const std::string& fileName) { return fileName.substr(FileNameStart(fileName)); }

std::string ExtractFileExt(const std::string& fileName) {
  size_t start = FileNameStart(fileName), dot = fileName.rfind('.');
  return dot != std::string::npos && dot >= start ? fileName.substr(dot) : std::string();
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
  return fileName.substr(0, fileName.size() - ExtractFileExt(fileName).size()) + extension;
}

std::string IncludeTrailingBackslash(const std::string& path) {
  return !path.empty() && path.back() == '\\' ? path : path + '\\';
}

std::string ExcludeTrailingBackslash(const std::string& path) {
  return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

namespace {
#ifdef _WIN32
std::string LocaleText(LCTYPE type, const std::string& fallback) {
  char buf[256];
  int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf);
  return n > 1 ? std::string(buf, n - 1) : fallback;
}
#endif

TFormatSettings ReadFormatSettings() {
  static const char* const months[12] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
  static const char* const days[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  TFormatSettings f;
  for (int i = 0; i < 12; ++i) {
    f.LongMonthNames[i] = months[i];
    f.ShortMonthNames[i] = std::string(months[i], 3);
  }
  for (int i = 0; i < 7; ++i) {
    f.LongDayNames[i] = days[i];
    f.ShortDayNames[i] = std::string(days[i], 3);
  }
#ifdef _WIN32
  std::string decimal = LocaleText(LOCALE_SDECIMAL, ".");
  f.DecimalSeparator = decimal.size() == 1 ? decimal[0] : '.';
  f.ShortDateFormat = LocaleText(LOCALE_SSHORTDATE, f.ShortDateFormat);
  f.LongTimeFormat = LocaleText(LOCALE_STIMEFORMAT, f.LongTimeFormat);
  f.TimeAMString = LocaleText(LOCALE_S1159, "");
  f.TimePMString = LocaleText(LOCALE_S2359, "");
  for (int i = 0; i < 12; ++i) {
    f.LongMonthNames[i] = LocaleText(LOCALE_SMONTHNAME1 + i, f.LongMonthNames[i]);
    f.ShortMonthNames[i] = LocaleText(LOCALE_SABBREVMONTHNAME1 + i, f.ShortMonthNames[i]);
  }
  // The locale counts Monday first.
  for (int i = 0; i < 7; ++i) {
    f.LongDayNames[(i + 1) % 7] = LocaleText(LOCALE_SDAYNAME1 + i, f.LongDayNames[(i + 1) % 7]);
    f.ShortDayNames[(i + 1) % 7] = LocaleText(LOCALE_SABBREVDAYNAME1 + i, f.ShortDayNames[(i + 1) % 7]);
  }
#endif
  return f;
}
}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings = ReadFormatSettings();
  return settings;
}

void LoadFormatSettings() { FormatSettings() = ReadFormatSettings(); }
