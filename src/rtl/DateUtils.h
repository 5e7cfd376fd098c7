#pragma once
#include <windows.h>
#include <string>

// A date and time as days since 1899-12-30 00:00; the fraction is the time of day
// (0.25 = 06:00). Before that day the whole part counts back and the fraction still counts
// forward from midnight (-1.25 is 1899-12-29 06:00). Years 1 to 9999.
using TDateTime = double;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& time);
// Raise EConvertError for a date or time that does not exist.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
// Date plus time, with the fraction's rule above for days before 1899-12-30.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);
// Decoding rounds to the nearest millisecond first (23:59:59.9996 is the next day's midnight).
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
int DayOfWeek(TDateTime value);  // 1 = Sunday .. 7 = Saturday

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st);
void DateTimeToSystemTime(TDateTime value, SYSTEMTIME& st);
TDateTime Now();   // local time
TDateTime Date();  // today, midnight
TDateTime Time();  // the time of day

// Text in the user's formats (FormatSettings(): the short date and long time pictures).
// DateTimeToStr leaves the time out when it is midnight.
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value);
// A picture in the platform's notation: d dd ddd dddd, M MM MMM MMMM, y yy yyyy, h hh H HH,
// m mm, s ss, t tt (AM/PM), 'quoted text'; every other character stands for itself.
std::string FormatDateTime(const std::string& picture, TDateTime value);

// Reading text back. The fields are taken in the order of the user's short date format first;
// when that gives no valid date, in the other common orders (year-month-day, day-month-year,
// month-day-year). Any separators but ":" between date fields, month names (the user's or
// English, long or short), a two-digit year within FormatSettings().TwoDigitYearCenturyWindow
// years before now, a date without a year (this year). Times: hours and minutes, optional
// seconds and fraction, 24-hour or with the user's AM/PM strings or AM/PM (A/P), before or
// after. The Try forms never throw; the others raise EConvertError "'text' is not a valid
// date" / "time" / "date and time".
bool TryStrToDate(const std::string& text, TDateTime& value);
bool TryStrToTime(const std::string& text, TDateTime& value);
bool TryStrToDateTime(const std::string& text, TDateTime& value);
TDateTime StrToDate(const std::string& text);
TDateTime StrToTime(const std::string& text);
TDateTime StrToDateTime(const std::string& text);
