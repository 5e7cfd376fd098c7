#include "RecordingName.h"
#include "DateUtils.h"
#include "ProgramDir.h"
#include "SysUtils.h"

std::string MakeRecordingName(int channel, const std::string& dateS, const std::string& timeS) {
  TDateTime date, time;
  if (!TryStrToDate(dateS, date) || !TryStrToTime(timeS, time)) return "";
  int year, month, day, hour, minute, second, msec;
  DecodeDate(date, year, month, day);
  DecodeTime(time, hour, minute, second, msec);
  return Format("%d_%d%02d%02d_%02d%02d%02d", channel, year, month, day, hour, minute, second);
}

bool ParseRecordingName(const std::string& name, int& channel, TDateTime& date, TDateTime& time) {
  size_t first = name.find('_');
  if (first == std::string::npos || first == 0 || first > 4 || name.size() != first + 16 || name[first + 9] != '_')
    return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (i != first && i != first + 9 && (name[i] < '0' || name[i] > '9')) return false;
  auto number = [&](size_t at, size_t length) { return std::stoi(name.substr(at, length)); };
  channel = number(0, first);
  return channel > 0 &&
         TryEncodeDate(number(first + 1, 4), number(first + 5, 2), number(first + 7, 2), date) &&
         TryEncodeTime(number(first + 10, 2), number(first + 12, 2), number(first + 14, 2), 0, time);
}

std::string RecordingPath(const std::string& name) { return ProgramDir + "\\wav\\" + name + ".wav"; }

std::string WorkingRecordingPath() { return RecordingPath("Recorded"); }

int AudioSeconds(int64_t bytes, uint32_t bytesPerSecond) {
  return bytesPerSecond ? int(Round(double(bytes) / bytesPerSecond)) : 0;
}

std::string DurationText(int seconds) {
  if (seconds < 0) seconds = 0;
  return Format("%02d:%02d", seconds / 60, seconds % 60);
}

int DurationSeconds(const std::string& text) {
  size_t colon = text.find(':');
  if (colon == std::string::npos) return -1;
  int minutes, seconds;
  if (!TryStrToInt(text.substr(0, colon), minutes) || !TryStrToInt(text.substr(colon + 1), seconds)) return -1;
  if (minutes < 0 || seconds < 0 || seconds > 59) return -1;
  return minutes * 60 + seconds;
}
