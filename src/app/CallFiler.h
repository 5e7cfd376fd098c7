#pragma once
#include <functional>
#include <string>
#include "DateUtils.h"

class TCallLog;
class TdeAbstractAudioWriter;
class TFileStream;

// Files a finished recording: the duration from the bytes written, the row's texts and the
// file's name by the name rule (the next Channel when that name is taken), the writer finished
// and the working file closed and renamed (never over another file), then the row appended and
// the table saved. A recording without audio files nothing and its working file is deleted.
class TCallFiler {
public:
  explicit TCallFiler(TCallLog& log) : log_(log) {}

  std::function<void(const std::string& text)> OnMessage;
  // Pause between rename attempts (tests make it short).
  unsigned RetryPauseMs = 100;
  unsigned RetryCount = 10;

  // stream is the working file (wav\Recorded.wav) under writer; both are left closed and
  // finished, to be freed by the caller. stop is the moment of stopping (the row's date).
  // Returns true when a row was filed; RecordingName and RecordSeconds tell which.
  bool File(TdeAbstractAudioWriter& writer, TFileStream& stream, TDateTime start, TDateTime stop,
            const std::string& callerNumber, bool callerId);

  std::string RecordingName;
  int RecordSeconds = 0;
  bool Renamed = false;

private:
  void Tell(const std::string& text);
  TCallLog& log_;
};
