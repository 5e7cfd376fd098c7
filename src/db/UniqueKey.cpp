#include "UniqueKey.h"
#include <windows.h>

namespace {

const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
const int kBase = 62;
const int kBase2 = kBase * kBase;
const int kBase3 = kBase2 * kBase;

// Days from 0001-01-01 in the proleptic Gregorian calendar.
long DayNumber(int y, int m, int d) {
  static const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  long yy = y - 1;
  long days = yy * 365 + yy / 4 - yy / 100 + yy / 400 + before[(m - 1) % 12] + d - 1;
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (leap && m > 2) ++days;
  return days;
}

void PutDigits(std::string& out, long value, int count) {
  char digits[3];
  for (int i = count - 1; i >= 0; --i) {
    digits[i] = kDigits[value % kBase];
    value /= kBase;
  }
  out.append(digits, count);
}

int g_counter = 0;
bool g_started = false;

}  // namespace

std::string CreateUniqueKeyAt(const TUniqueKeyClock& now, int& counter, bool& started) {
  if (!started) {
    counter = now.Hour * 60 + now.Minute;
    started = true;
  } else {
    ++counter;
  }
  if (counter >= kBase2) counter = 0;
  long days = DayNumber(now.Year, now.Month, now.Day) - DayNumber(2000, 11, 1);
  long a = days * 24 + now.Hour;
  if (a >= kBase3) a -= kBase3;
  // Outside the years the key was made for, keep the group in its three digits.
  a %= kBase3;
  if (a < 0) a += kBase3;
  long b = now.Minute * 60 + now.Second;
  long c = long(now.Millisecond / 10) * kBase2 / 2 + counter;
  std::string key;
  PutDigits(key, a, 3);
  PutDigits(key, b, 2);
  PutDigits(key, c, 3);
  return key;
}

std::string CreateUniqueKey() {
  SYSTEMTIME t;
  GetLocalTime(&t);  // once: date and time of day from the same reading
  TUniqueKeyClock now{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
  return CreateUniqueKeyAt(now, g_counter, g_started);
}
