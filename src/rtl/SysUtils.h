#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// Text, number and file-name helpers. Portable: only the locale read of LoadFormatSettings and
// AnsiUpperCase/AnsiLowerCase touch the platform, so the file also builds with the host compiler.

// Trim: without leading and trailing blanks and control characters (every byte up to 32).
std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);

// ASCII letters only, so the result never depends on the user's locale.
std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
// Letters of the user's code page too (CharUpperBuffA / CharLowerBuffA).
std::string AnsiUpperCase(const std::string& s);
std::string AnsiLowerCase(const std::string& s);

// Byte-wise comparisons: <0, 0, >0. The Text forms ignore ASCII letter case.
int CompareStr(const std::string& a, const std::string& b);
int CompareText(const std::string& a, const std::string& b);
bool SameText(const std::string& a, const std::string& b);

// Every occurrence of from (not empty) replaced by to.
std::string StringReplaceAll(const std::string& s, const std::string& from, const std::string& to);

// Integer text: leading blanks, an optional sign, then decimal digits, or "$", "0x" or "0X" and
// hexadecimal digits (up to 8 of them for 32 bits, wrapping like the platform: "$FFFFFFFF" is -1).
// Nothing may follow. StrToInt raises EConvertError "'text' is not a valid integer value".
std::string IntToStr(int64_t value);
std::string IntToHex(uint64_t value, int digits);  // upper case, at least digits long
bool TryStrToInt(const std::string& s, int& value);
bool TryStrToInt64(const std::string& s, int64_t& value);
int StrToInt(const std::string& s);
int64_t StrToInt64(const std::string& s);
int StrToIntDef(const std::string& s, int fallback);

// Float text with the decimal separator of FormatSettings(). FloatToStr gives at most 15
// significant digits, no trailing zeros, "E" exponents for very large or small values
// ("1.5", "-0.25", "1E20"). StrToFloat takes blanks around, a sign, digits with one separator
// and an optional exponent; anything else raises EConvertError "'text' is not a valid floating
// point value".
std::string FloatToStr(double value);
bool TryStrToFloat(const std::string& s, double& value);
double StrToFloat(const std::string& s);
double StrToFloatDef(const std::string& s, double fallback);
// A number pattern of digit places: "0" always shows a digit, "#" only a significant one; a
// "." places the decimal separator ("0.##" gives "1.5", "2", "0.33"; "0.00" gives "1.50").
// The value's 15 significant digits are rounded at the last place, halves away from zero
// ("0.##" of 1.005 is "1.01"), as a person reading the digits expects.
// Other characters of the pattern are not supported and stand for themselves around the number.
std::string FormatFloat(const std::string& pattern, double value);

// Rounding to the nearest integer, halves to the even neighbour (Round(2.5) = 2, Round(-50.5) =
// -50); Trunc drops the fraction. Both need a value inside the 64-bit range.
int64_t Round(double value);
int64_t Trunc(double value);

// printf-style formatting into a string.
#ifdef __MINGW_PRINTF_FORMAT
std::string Format(const char* format, ...) __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)));
#else
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif

// File names ("\" and "/" separate folders; a drive's ":" ends one too).
std::string ExtractFilePath(const std::string& fileName);  // folder with its trailing backslash
std::string ExtractFileDir(const std::string& fileName);   // folder without it ("C:\" stays)
std::string ExtractFileName(const std::string& fileName);
std::string ExtractFileExt(const std::string& fileName);   // with the dot, or empty
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
std::string IncludeTrailingBackslash(const std::string& path);
std::string ExcludeTrailingBackslash(const std::string& path);

// The user's number, date and time settings, read once from the locale (the user's own settings
// in "Control Panel\International" included) on first use; LoadFormatSettings reads them again
// (after WM_SETTINGCHANGE, or in a test that changed them); do that on the main thread. The date and time formats are the
// platform's pictures ("M/d/yyyy", "h:mm:ss tt", "dd.MM.yy", "HH:mm:ss").
struct TFormatSettings {
  char DecimalSeparator = '.';
  std::string ShortDateFormat = "M/d/yyyy";
  std::string LongTimeFormat = "h:mm:ss tt";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::string ShortMonthNames[12];
  std::string LongMonthNames[12];
  std::string ShortDayNames[7];  // Sunday first
  std::string LongDayNames[7];
  // A two-digit year is taken within this many years before now (and the rest of its century).
  int TwoDigitYearCenturyWindow = 50;
};
TFormatSettings& FormatSettings();
void LoadFormatSettings();
