#pragma once
#include <string>

// 8-character base-62 record keys from the local date and time and a process-wide counter.
std::string CreateUniqueKey();

// The same from a given local time; counter and started are the process state it advances.
struct TUniqueKeyClock {
  int Year, Month, Day, Hour, Minute, Second, Millisecond;
};
std::string CreateUniqueKeyAt(const TUniqueKeyClock& now, int& counter, bool& started);
