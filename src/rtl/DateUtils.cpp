#include "DateUtils.h"
#include "Exception.h"
#include "SysUtils.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {
const int64_t MSecsPerDay = 86400000;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const int64_t Epoch = DaysFromCivil(1899, 12, 30);
// 0001-01-01 and 9999-12-31 as TDateTime, with a day's room for the time.
const double MinValue = -693594.0, MaxValue = 2958466.0;

// Whole days (counting toward 0) and the milliseconds of the day.
bool Split(TDateTime value, int64_t& days, int& msec) {
  if (!std::isfinite(value) || value < MinValue || value > MaxValue) return false;
  int64_t total = Round(value * MSecsPerDay);
  days = total / MSecsPerDay;
  msec = static_cast<int>(std::llabs(total % MSecsPerDay));
  return true;
}

int CurrentYear() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return st.wYear;
}
}

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || day < 1 || day > DaysInMonth(year, month)) return false;
  date = static_cast<double>(DaysFromCivil(year, month, day) - Epoch);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& time) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
    return false;
  time = ((hour * 60 + minute) * 60 + second) * 1000.0 + msec;
  time /= MSecsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime d;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
  return d;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime t;
  if (!TryEncodeTime(hour, minute, second, msec, t)) throw EConvertError("Invalid argument to time encode");
  return t;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) { return date < 0 ? date - time : date + time; }

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  int64_t days;
  int msec;
  year = month = day = 0;
  if (Split(value, days, msec)) CivilFromDays(days + Epoch, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  int64_t days;
  int ms = 0;
  Split(value, days, ms);
  hour = ms / 3600000;
  minute = ms / 60000 % 60;
  second = ms / 1000 % 60;
  msec = ms % 1000;
}

int DayOfWeek(TDateTime value) {
  int64_t days;
  int msec;
  if (!Split(value, days, msec)) return 1;
  // 1970-01-01 was a Thursday.
  int64_t fromThursday = (days + Epoch) % 7;
  return static_cast<int>((fromThursday + 11) % 7) + 1;
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
  TDateTime date, time;
  if (!TryEncodeDate(st.wYear, st.wMonth, st.wDay, date) ||
      !TryEncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds, time))
    throw EConvertError("Invalid argument to date encode");
  return ComposeDateTime(date, time);
}

void DateTimeToSystemTime(TDateTime value, SYSTEMTIME& st) {
  int y, mo, d, h, mi, s, ms;
  DecodeDate(value, y, mo, d);
  DecodeTime(value, h, mi, s, ms);
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wDayOfWeek = static_cast<WORD>(DayOfWeek(value) - 1);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  st.wMilliseconds = static_cast<WORD>(ms);
}

TDateTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return SystemTimeToDateTime(st);
}

TDateTime Date() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return EncodeDate(st.wYear, st.wMonth, st.wDay);
}

TDateTime Time() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

std::string FormatDateTime(const std::string& picture, TDateTime value) {
  const TFormatSettings& f = FormatSettings();
  int year, month, day, hour, minute, second, msec;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, msec);
  int dow = DayOfWeek(value) - 1;
  auto number = [](int v, int width) { return Format("%0*d", width, v); };
  std::string out;
  for (size_t i = 0, n = picture.size(); i < n;) {
    char c = picture[i];
    if (c == '\'') {
      for (++i; i < n; ++i) {
        if (picture[i] != '\'') {
          out += picture[i];
        } else if (i + 1 < n && picture[i + 1] == '\'') {
          out += '\'';
          ++i;
        } else {
          ++i;
          break;
        }
      }
      continue;
    }
    size_t run = 1;
    while (i + run < n && picture[i + run] == c) ++run;
    const std::string& ampm = hour < 12 ? f.TimeAMString : f.TimePMString;
    switch (c) {
      case 'd':
        out += run <= 2 ? number(day, run) : run == 3 ? f.ShortDayNames[dow] : f.LongDayNames[dow];
        break;
      case 'M':
        if (month < 1) break;
        out += run <= 2 ? number(month, run) : run == 3 ? f.ShortMonthNames[month - 1] : f.LongMonthNames[month - 1];
        break;
      case 'y': out += run <= 2 ? number(year % 100, run) : number(year, 4); break;
      case 'g': break;  // era: none in this calendar
      case 'h': out += number(hour % 12 == 0 ? 12 : hour % 12, run > 1 ? 2 : 1); break;
      case 'H': out += number(hour, run > 1 ? 2 : 1); break;
      case 'm': out += number(minute, run > 1 ? 2 : 1); break;
      case 's': out += number(second, run > 1 ? 2 : 1); break;
      case 't': out += run == 1 ? ampm.substr(0, 1) : ampm; break;
      default: out.append(run, c);
    }
    i += run;
  }
  return out;
}

std::string DateToStr(TDateTime value) { return FormatDateTime(FormatSettings().ShortDateFormat, value); }

std::string TimeToStr(TDateTime value) { return FormatDateTime(FormatSettings().LongTimeFormat, value); }

std::string DateTimeToStr(TDateTime value) {
  int h, m, s, ms;
  DecodeTime(value, h, m, s, ms);
  std::string text = DateToStr(value);
  if (h || m || s || ms) text += " " + TimeToStr(value);
  return text;
}

// ---- Reading text back ----

namespace {
struct Token {
  enum Kind { Number, Word, Sep } kind;
  std::string text;
  int value = 0;   // numbers; -1 when too long
  int digits = 0;
};

bool IsWordChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || u >= 0x80;
}

std::vector<Token> Tokenize(const std::string& s) {
  std::vector<Token> tokens;
  for (size_t i = 0; i < s.size();) {
    size_t j = i;
    if (s[i] >= '0' && s[i] <= '9') {
      while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
      Token t{Token::Number, s.substr(i, j - i)};
      t.digits = static_cast<int>(j - i);
      t.value = t.digits > 9 ? -1 : std::atoi(t.text.c_str());
      tokens.push_back(t);
    } else if (IsWordChar(s[i])) {
      while (j < s.size() && IsWordChar(s[j])) ++j;
      tokens.push_back({Token::Word, s.substr(i, j - i)});
    } else if (static_cast<unsigned char>(s[i]) <= ' ') {
      while (j < s.size() && static_cast<unsigned char>(s[j]) <= ' ') ++j;
      tokens.push_back({Token::Sep, " "});
    } else {
      tokens.push_back({Token::Sep, std::string(1, s[j++])});
    }
    i = j;
  }
  return tokens;
}

std::string WithoutDots(const std::string& s) { return StringReplaceAll(s, ".", ""); }

bool NameMatches(const std::string& word, const std::string& name) {
  return !name.empty() && SameText(word, WithoutDots(name));
}

int MonthOf(const std::string& word) {
  static const char* const english[12] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};
  const TFormatSettings& f = FormatSettings();
  for (int i = 0; i < 12; ++i)
    if (NameMatches(word, f.LongMonthNames[i]) || NameMatches(word, f.ShortMonthNames[i]) ||
        SameText(word, english[i]) || SameText(word, std::string(english[i], 3)))
      return i + 1;
  return 0;
}

bool IsDayName(const std::string& word) {
  const TFormatSettings& f = FormatSettings();
  for (int i = 0; i < 7; ++i)
    if (NameMatches(word, f.LongDayNames[i]) || NameMatches(word, f.ShortDayNames[i])) return true;
  return false;
}

// 1 for a morning mark, 2 for an afternoon one, 0 for any other word.
int MarkerOf(const std::string& word) {
  const TFormatSettings& f = FormatSettings();
  if (NameMatches(word, f.TimeAMString) || SameText(word, "AM") || SameText(word, "A")) return 1;
  if (NameMatches(word, f.TimePMString) || SameText(word, "PM") || SameText(word, "P")) return 2;
  return 0;
}

// The separator after the first field of a picture ("/" of "M/d/yyyy", ":" of "HH:mm:ss").
char SeparatorOf(const std::string& picture, const char* fields, char fallback) {
  size_t at = picture.find_first_of(fields);
  if (at == std::string::npos) return fallback;
  at = picture.find_first_not_of(fields, at);
  return at == std::string::npos || picture[at] == '\'' ? fallback : picture[at];
}

char TimeSeparator() { return SeparatorOf(FormatSettings().LongTimeFormat, "hHms", ':'); }

// "DMY", "MDY" or "YMD": the order of day, month and year in the short date format.
std::string DateOrder() {
  const std::string& p = FormatSettings().ShortDateFormat;
  std::string order;
  bool quoted = false;
  for (size_t i = 0; i < p.size(); ++i) {
    char c = p[i];
    if (c == '\'') quoted = !quoted;
    if (quoted) continue;
    size_t run = 1;
    while (i + run < p.size() && p[i + run] == c) ++run;
    char field = c == 'd' && run <= 2 ? 'D' : c == 'M' ? 'M' : c == 'y' ? 'Y' : 0;
    if (field && order.find(field) == std::string::npos) order += field;
    i += run - 1;
  }
  for (char c : std::string("MDY"))
    if (order.find(c) == std::string::npos) order += c;
  return order;
}

struct Field {
  int value;
  int digits;  // 0 for a month name
};

// Separators at tokens[j..]: true when they hold ch.
bool SepsHold(const std::vector<Token>& t, size_t j, char ch) {
  for (; j < t.size() && t[j].kind == Token::Sep; ++j)
    if (t[j].text[0] == ch) return true;
  return false;
}

size_t SkipSeps(const std::vector<Token>& t, size_t j) {
  while (j < t.size() && t[j].kind == Token::Sep) ++j;
  return j;
}

// Up to three date fields from tokens[j]; returns the index after the last one taken.
size_t ScanDateFields(const std::vector<Token>& t, size_t j, std::vector<Field>& fields) {
  char timeSep = TimeSeparator();
  while (fields.size() < 3) {
    size_t k = SkipSeps(t, j);
    if (k == t.size() || SepsHold(t, j, ':')) break;
    const Token& tok = t[k];
    if (tok.kind == Token::Number) {
      // A number followed by the time separator starts the time.
      if (tok.value < 0 || SepsHold(t, k + 1, ':') || (timeSep != '.' && SepsHold(t, k + 1, timeSep))) break;
      fields.push_back({tok.value, tok.digits});
    } else if (int month = MonthOf(tok.text)) {
      fields.push_back({month, 0});
    } else if (fields.empty() && IsDayName(tok.text)) {
      // a weekday in front is only decoration
    } else {
      break;
    }
    j = k + 1;
  }
  return j;
}

int FullYear(const Field& f) {
  if (f.digits > 2) return f.value;
  int window = FormatSettings().TwoDigitYearCenturyWindow;
  int base = CurrentYear() - window;
  int year = f.value + base / 100 * 100;
  if (window > 0 && year < base) year += 100;
  return year;
}

bool FieldsToDate(const std::vector<Field>& fields, TDateTime& date) {
  if (fields.size() < 2) return false;
  std::string preferred = DateOrder();
  std::vector<std::string> orders{preferred, "YMD", "DMY", "MDY"};
  for (std::string order : orders) {
    if (fields.size() == 2) order.erase(order.find('Y'), 1);
    int day = 0, month = 0, year = CurrentYear();
    bool ok = true;
    for (size_t i = 0; i < fields.size() && ok; ++i) {
      const Field& f = fields[i];
      bool isName = f.digits == 0;
      switch (order[i]) {
        case 'D': ok = !isName; day = f.value; break;
        case 'M': month = f.value; break;
        case 'Y': ok = !isName; year = FullYear(f); break;
      }
      if (isName && order[i] != 'M') ok = false;
    }
    if (ok && TryEncodeDate(year, month, day, date)) return true;
  }
  return false;
}

// A time from tokens[j]; returns false unless it ends at the last token.
bool ScanTime(const std::vector<Token>& t, size_t j, TDateTime& time) {
  char timeSep = TimeSeparator();
  int marker = 0;
  j = SkipSeps(t, j);
  if (j < t.size() && t[j].kind == Token::Word) {
    if (!(marker = MarkerOf(t[j].text))) return false;
    j = SkipSeps(t, j + 1);
  }
  std::vector<int> parts;
  int msec = 0;
  while (j < t.size() && t[j].kind == Token::Number && parts.size() < 3) {
    if (t[j].value < 0) return false;
    parts.push_back(t[j].value);
    size_t k = j + 1;
    // h:m:s fields are joined by one time separator; the seconds' fraction by "." or ",".
    if (k + 1 < t.size() && t[k].kind == Token::Sep && t[k + 1].kind == Token::Number) {
      char c = t[k].text[0];
      if (parts.size() == 3 && (c == '.' || c == ',' || c == FormatSettings().DecimalSeparator)) {
        std::string digits = (t[k + 1].text + "00").substr(0, 3);
        msec = std::atoi(digits.c_str());
        j = k + 2;
        break;
      }
      if (c == ':' || c == '.' || c == timeSep) {
        j = k + 1;
        continue;
      }
    }
    j = k;
    break;
  }
  j = SkipSeps(t, j);
  if (j < t.size() && t[j].kind == Token::Word && !marker) {
    if (!(marker = MarkerOf(t[j].text))) return false;
    j = SkipSeps(t, j + 1);
  }
  if (j != t.size() || parts.empty() || (parts.size() < 2 && !marker)) return false;
  parts.resize(3, 0);
  int hour = parts[0];
  if (marker) {
    if (hour > 12) return false;
    hour = hour % 12 + (marker == 2 ? 12 : 0);
  }
  return TryEncodeTime(hour, parts[1], parts[2], msec, time);
}

// Locale marks with dots or blanks ("a.m.") would fall apart into words: make them one word.
std::string PrepareText(const std::string& text) {
  std::string s = Trim(text);
  const TFormatSettings& f = FormatSettings();
  for (const std::string* mark : {&f.TimeAMString, &f.TimePMString}) {
    if (mark->empty() || std::all_of(mark->begin(), mark->end(), IsWordChar)) continue;
    size_t at = AnsiUpperCase(s).find(AnsiUpperCase(*mark));
    if (at != std::string::npos) s.replace(at, mark->size(), mark == &f.TimeAMString ? " AM " : " PM ");
  }
  return s;
}
}

bool TryStrToDate(const std::string& text, TDateTime& value) {
  std::vector<Token> t = Tokenize(PrepareText(text));
  std::vector<Field> fields;
  size_t j = ScanDateFields(t, 0, fields);
  if (SkipSeps(t, j) != t.size() || SepsHold(t, j, ':')) return false;
  return FieldsToDate(fields, value);
}

bool TryStrToTime(const std::string& text, TDateTime& value) {
  return ScanTime(Tokenize(PrepareText(text)), 0, value);
}

bool TryStrToDateTime(const std::string& text, TDateTime& value) {
  std::vector<Token> t = Tokenize(PrepareText(text));
  std::vector<Field> fields;
  size_t j = ScanDateFields(t, 0, fields);
  TDateTime date, time = 0;
  if (fields.size() >= 2 && FieldsToDate(fields, date)) {
    j = SkipSeps(t, j);
    if (j < t.size() && t[j].kind == Token::Word && SameText(t[j].text, "T")) ++j;  // 2024-03-07T09:05:02
    if (j < t.size() && !ScanTime(t, j, time)) return false;
    value = ComposeDateTime(date, time);
    return true;
  }
  if (!ScanTime(t, 0, time)) return false;
  value = time;
  return true;
}

TDateTime StrToDate(const std::string& text) {
  TDateTime v;
  if (!TryStrToDate(text, v)) throw EConvertError("'" + text + "' is not a valid date");
  return v;
}

TDateTime StrToTime(const std::string& text) {
  TDateTime v;
  if (!TryStrToTime(text, v)) throw EConvertError("'" + text + "' is not a valid time");
  return v;
}

TDateTime StrToDateTime(const std::string& text) {
  TDateTime v;
  if (!TryStrToDateTime(text, v)) throw EConvertError("'" + text + "' is not a valid date and time");
  return v;
}
