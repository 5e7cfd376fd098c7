#pragma once
#include <string>
#include "DateUtils.h"

// What a call's row needs that only memory knew: its caller number, folder and start time, kept
// in wav\Recorded.txt beside the working file from the moment the call is answered, so that a
// run that ends during the call leaves them for the recovery. Removed once the call is filed.
struct TRecordingNote {
  std::string CallerNumber;  // as the row shows it: empty when none was received or shown
  std::string FolderId;
  TDateTime Start = 0;       // when the voice receive started

  // Replaces the file whole; EInOutError when it cannot.
  void Save(const std::string& fileName) const;
  // False, with the reason in why, when the file is missing or does not read as a note.
  bool Load(const std::string& fileName, std::string& why);
};

// ProgramDir\wav\Recorded.txt
std::string RecordingNotePath();
// Removes the note; true when none is left.
bool DeleteRecordingNote();
