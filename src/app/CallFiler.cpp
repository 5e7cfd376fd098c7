#include "CallFiler.h"
#include "AudioStreams.h"
#include "CallLog.h"
#include "EventLog.h"
#include "Exception.h"
#include "FileStream.h"
#include "FileUtils.h"
#include "RecordingName.h"
#include "RecordingRecovery.h"
#include "SysUtils.h"
#include "UniqueKey.h"

void TCallFiler::Tell(const std::string& text) {
  if (OnMessage) OnMessage(text);
}

bool TCallFiler::File(TdeAbstractAudioWriter& writer, TFileStream& stream, TDateTime start, TDateTime stop,
                      const std::string& callerNumber, bool callerId) {
  RecordingName.clear();
  RecordSeconds = 0;
  Renamed = false;
  const std::string working = stream.FileName();
  const int32_t bytes = writer.DataSize();
  if (bytes <= 0) {
    try {
      stream.Close();
    } catch (...) {
    }
    if (DeleteFileA(working.c_str())) AddEvent("-- No audio was received: nothing filed");
    else AddEvent("-- No audio was received; the working file could not be deleted");
    return false;
  }
  RecordSeconds = AudioSeconds(bytes, writer.GetFormat().GetAvgBytesPerSec());

  TCallLog::TCallRow row;
  row.Id = CreateUniqueKey();
  row.DateS = DateToStr(stop);
  row.TimeS = TimeToStr(start);
  row.Duration = DurationText(RecordSeconds);
  row.Comment = callerId && !callerNumber.empty() ? callerNumber : " ";
  row.FolderId = log_.CurrentFolderId();
  RecordingName = log_.FreeRecordingName(row.DateS, row.TimeS, row.Channel);

  bool finished = true;
  try {
    writer.Finish();
    stream.Flush();
    stream.Close();
  } catch (const std::exception& e) {
    finished = false;
    AddEvent(std::string("-- Recording file not completed: ") + e.what());
    try {
      stream.Close();
    } catch (...) {
    }
  }
  if (!finished) {
    // The sizes from the bytes that did reach the file.
    try {
      TdeWaveFormat format;
      int64_t present;
      RepairWavHeader(working, format, present);
    } catch (...) {
    }
  }

  if (!RecordingName.empty()) {
    for (unsigned attempt = 0; attempt <= RetryCount && !Renamed; ++attempt) {
      if (attempt) Sleep(RetryPauseMs);
      Renamed = RenameFile(working, RecordingPath(RecordingName));
    }
  }
  if (!Renamed) {
    std::string why = RecordingName.empty() ? "its date or time does not read back" : SysErrorMessage(int(GetLastError()));
    AddEvent("-- Recording kept as Recorded.wav: " + why);
    Tell("The recording could not be given its name " + RecordingName + ".wav (" + why +
         ").\nIt is kept as Recorded.wav and named at the next start.");
  }
  std::string error;
  if (!log_.AppendCall(row, error)) {
    Tell("The call could not be saved in the call log (" + error + ").\nIt is saved with the next change.");
  }
  return true;
}
