#include "RecordingNote.h"
#include "FileUtils.h"
#include "RecordingName.h"
#include "StringList.h"
#include "SysUtils.h"
#include <cstdio>

namespace {

const size_t MaxCaller = 255;  // the Comment field
const size_t MaxFolderId = 20;

// A number from the modem may hold anything: one line of printable text is kept.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  return line;
}

// The time as digits, read back the same whatever the user's formats are.
std::string StartText(TDateTime t) {
  int y, mo, d, h, mi, s, ms;
  DecodeDate(t, y, mo, d);
  DecodeTime(t, h, mi, s, ms);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", y, mo, d, h, mi, s, ms);
  return text;
}

bool ParseStart(const std::string& text, TDateTime& t) {
  int y, mo, d, h, mi, s, ms;
  char end;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d%c", &y, &mo, &d, &h, &mi, &s, &ms, &end) != 7)
    return false;
  TDateTime date, time;
  if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, s, ms, time)) return false;
  t = ComposeDateTime(date, time);
  return true;
}

}  // namespace

void TRecordingNote::Save(const std::string& fileName) const {
  TStringList lines;
  lines.Add("Caller=" + OneLine(CallerNumber).substr(0, MaxCaller));
  lines.Add("Folder=" + OneLine(FolderId));
  lines.Add("Start=" + StartText(Start));
  lines.SaveToFile(fileName);
}

bool TRecordingNote::Load(const std::string& fileName, std::string& why) {
  if (!FileExists(fileName)) {
    why = "it is missing";
    return false;
  }
  TStringList lines;
  try {
    lines.LoadFromFile(fileName);
  } catch (const std::exception& e) {
    why = e.what();
    return false;
  }
  if (lines.Count() != 3 || lines.Names(0) != "Caller" || lines.Names(1) != "Folder" || lines.Names(2) != "Start") {
    why = "it is not a note of a call";
    return false;
  }
  TDateTime start;
  std::string caller = lines.ValueFromIndex(0), folder = lines.ValueFromIndex(1);
  if (caller.size() > MaxCaller || OneLine(caller) != caller || folder.empty() || folder.size() > MaxFolderId ||
      !ParseStart(lines.ValueFromIndex(2), start)) {
    why = "its values are damaged";
    return false;
  }
  CallerNumber = caller;
  FolderId = folder;
  Start = start;
  return true;
}

std::string RecordingNotePath() { return ChangeFileExt(WorkingRecordingPath(), ".txt"); }

bool DeleteRecordingNote() {
  const std::string note = RecordingNotePath();
  return DeleteFileA(note.c_str()) || !FileExists(note);
}
