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

std::string RecordingPath(const std::string& name) { return ProgramDir + "\\wav\\" + name + ".wav"; }

std::string WorkingRecordingPath() { return RecordingPath("Recorded"); }

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
