#include "RecordingRecovery.h"
#include "AudioStreams.h"
#include "CallLog.h"
#include "EventLog.h"
#include "Exception.h"
#include "FileStream.h"
#include "FileUtils.h"
#include "LittleEndian.h"
#include "RecordingName.h"
#include "RecordingNote.h"
#include "RiffChunkWalk.h"
#include "SysUtils.h"
#include "UniqueKey.h"
#include "WaveFormat.h"
#include <cmath>
#include <cstring>
#include <set>

namespace {

void PutU32(TStream& s, int64_t at, uint32_t v) {
  uint8_t b[4];
  PutLe32(b, v);
  s.Seek(at, soBeginning);
  s.WriteBuffer(b, 4);
}

// A format one of our recordings can have. A header that is torn or flipped must not decide how
// much audio is cut off: a block alignment of 0xFFFF would cut all of it.
bool PlausibleFormat(const TdeWaveFormat& format, uint32_t chunkLength) {
  if (!format.ShapeFault().empty()) return false;
  const WAVEFORMATEX& f = *format.GetFormatPtr();
  return f.wFormatTag == WAVE_FORMAT_PCM ||
         (chunkLength >= sizeof(WAVEFORMATEX) && sizeof(WAVEFORMATEX) + f.cbSize <= chunkLength);
}

const double OneSecond = 1.0 / 86400;
// How far the file's time may lie from the end of the call a row describes.
const double FitTolerance = 10 * OneSecond;

}  // namespace

bool RepairWavHeader(const std::string& fileName, TdeWaveFormat& format, int64_t& dataBytes) {
  TFileStream f(fileName, fmOpenReadWrite | fmShareExclusive);
  // The file's time tells when the call ended: the repair must not move it.
  FILETIME written;
  bool haveTime = GetFileTime(f.Handle(), nullptr, nullptr, &written);
  int64_t size = f.Size();
  uint8_t head[12];
  if (size < 12 || f.Read(head, 12) != 12 || std::memcmp(head, "RIFF", 4) || std::memcmp(head + 8, "WAVE", 4))
    return false;
  bool haveFmt = false;
  uint32_t fmtLength = 0;
  int64_t dataStart = -1;
  TRiffChunkWalk walk(f, 12, true);
  TRiffChunk c;
  while (walk.Next(c)) {
    if (c.Is("data")) {
      dataStart = c.Start;
      break;
    }
    if (c.Is("fmt ")) {
      if (c.Size < 16 || c.Start + c.Size > size) return false;
      uint8_t buffer[TdeWaveFormat::BufferSize] = {};
      uint32_t take = c.Size < sizeof buffer ? c.Size : uint32_t(sizeof buffer);
      f.ReadBuffer(buffer, int(take));
      if (c.Size < sizeof(WAVEFORMATEX)) std::memset(buffer + 16, 0, sizeof buffer - 16);
      format.LoadFromBuffer(buffer, sizeof buffer);
      haveFmt = true;
      fmtLength = c.Size;
    }
  }
  if (!haveFmt || dataStart < 0 || !PlausibleFormat(format, fmtLength)) return false;
  int64_t bytes = size - dataStart;
  int block = format.GetBlockAlign();
  if (block > 1) bytes -= bytes % block;
  if (bytes > 0xFFFFFFF0LL - dataStart) bytes = 0xFFFFFFF0LL - dataStart;
  dataBytes = bytes;
  if (GetLe32(head + 4) != uint32_t(dataStart + bytes - 8)) PutU32(f, 4, uint32_t(dataStart + bytes - 8));
  PutU32(f, dataStart - 4, uint32_t(bytes));
  if (dataStart + bytes < size) f.SetSize(dataStart + bytes);
  f.Flush();
  if (haveTime) SetFileTime(f.Handle(), nullptr, nullptr, &written);
  f.Close();
  return true;
}

bool FileLastWrite(const std::string& fileName, TDateTime& when) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  SYSTEMTIME st;
  if (!GetFileAttributesExA(fileName.c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st))
    return false;
  when = SystemTimeToDateTime(st);
  return true;
}

namespace {

// The newest row whose file is missing and whose call ended when the file was last written.
std::string RowAwaitingFile(TCallLog& log, TDateTime lastWrite) {
  std::string best;
  TDateTime bestStart = 0;
  for (const TCallLog::TCallRow& row : log.AllCalls()) {
    std::string name = MakeRecordingName(row.Channel, row.DateS, row.TimeS);
    int seconds = DurationSeconds(row.Duration);
    TDateTime date, time;
    if (name.empty() || seconds < 0 || FileExists(RecordingPath(name)) || !TryStrToDate(row.DateS, date) ||
        !TryStrToTime(row.TimeS, time))
      continue;
    // The date is the stop's: a call across midnight started the day before.
    TDateTime start = date + time;
    TDateTime end = start + seconds * OneSecond;
    if (end > lastWrite + FitTolerance) {
      start -= 1;
      end -= 1;
    }
    if (std::fabs(lastWrite - end) <= FitTolerance && (best.empty() || start > bestStart)) {
      best = name;
      bestStart = start;
    }
  }
  return best;
}

std::string ErrorOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

bool FolderExists(TCallLog& log, const std::string& id) {
  return log.FoldersOpen() && !id.empty() && log.FoldersTbl.Lookup("FolderId", {id}, "FolderId")[0].has_value();
}

// A recovered call's row: the caller and folder of its note, else no caller, in "General"; row
// holds its channel and times.
bool AppendRecoveredRow(TCallLog& log, TCallLog::TCallRow& row, int seconds, const TRecordingNote* note,
                        std::string& error) {
  row.Id = CreateUniqueKey();
  row.Duration = DurationText(seconds);
  row.Comment = note && !note->CallerNumber.empty() ? note->CallerNumber : " ";
  row.FolderId = note && FolderExists(log, note->FolderId) ? note->FolderId : log.FolderIdByName("General");
  if (note && row.FolderId != note->FolderId) AddEvent("-- The folder of the recovered call is gone: filed in General");
  return log.AppendCall(row, error);
}

// The note of the working file, when there is one that fits a call ending at lastWrite.
bool LoadFittingNote(TRecordingNote& note, TDateTime lastWrite) {
  std::string why;
  if (!note.Load(RecordingNotePath(), why)) {
    if (FileExists(RecordingNotePath())) AddEvent("-- The note of the recording is not used: " + why);
    return false;
  }
  if (note.Start > lastWrite + FitTolerance) {
    AddEvent("-- The note of the recording is not used: it is newer than the recording");
    return false;
  }
  return true;
}

// The note is of the call whose file name has this stop date and start time.
bool NoteNames(const TRecordingNote& note, TDateTime stopDate, const std::string& timeS) {
  TDateTime day = std::floor(note.Start);
  return TimeToStr(note.Start) == timeS && (day == stopDate || day + 1 == stopDate);
}

void DropNote() {
  if (!DeleteRecordingNote()) AddEvent("-- wav\\Recorded.txt could not be deleted: " + SysErrorMessage(int(GetLastError())));
}

}  // namespace

int FileUnlistedRecordings(TCallLog& log) {
  if (!log.CallsOpen()) return 0;
  std::set<std::string> named;
  for (const TCallLog::TCallRow& row : log.AllCalls())
    named.insert(MakeRecordingName(row.Channel, row.DateS, row.TimeS) + ".wav");
  int filed = 0;
  // A run that ended as it filed a call may have named its file and kept its note.
  TRecordingNote note;
  std::string why;
  bool haveNote = note.Load(RecordingNotePath(), why);
  const std::string folder = ExtractFilePath(WorkingRecordingPath());
  for (const std::string& file : FileNamesMatching(folder + "*_*_*.wav")) {
    TCallLog::TCallRow row;
    TDateTime date, time;
    std::string name = ChangeFileExt(file, "");
    if (named.count(file) || !ParseRecordingName(name, row.Channel, date, time)) continue;
    row.DateS = DateToStr(date);
    row.TimeS = TimeToStr(time);
    // Only where the row leads back to this file (the time format may drop the seconds).
    if (MakeRecordingName(row.Channel, row.DateS, row.TimeS) != name) continue;
    int seconds = 0;
    try {
      TFileStream f(folder + file, fmOpenRead | fmShareDenyWrite);
      TdeRIFFAudioReader reader(f);
      seconds = AudioSeconds(reader.DataSize(), reader.GetFormat().GetAvgBytesPerSec());
    } catch (...) {
      // Its row is still made: the file is kept and reachable, whatever its header says.
    }
    std::string error;
    bool noted = haveNote && NoteNames(note, date, row.TimeS);
    if (!AppendRecoveredRow(log, row, seconds, noted ? &note : nullptr, error)) {
      AddEvent("-- Unlisted recording " + name + " not filed: " + error);
      break;
    }
    AddEvent("-- Unlisted recording filed: " + name);
    ++filed;
  }
  // Without a working file the note is of a call filed already (or never recorded).
  if (!FileExists(WorkingRecordingPath()) && FileExists(RecordingNotePath())) DropNote();
  return filed;
}

bool RecoverWorkingFile(TCallLog& log) {
  const std::string working = WorkingRecordingPath();
  if (!FileExists(working)) return true;
  if (!log.CallsOpen()) return false;
  TdeWaveFormat format;
  int64_t bytes = 0;
  bool wav;
  try {
    wav = RepairWavHeader(working, format, bytes);
  } catch (...) {
    AddEvent("-- Recording not recovered: " + ErrorOf(std::current_exception()));
    return false;
  }
  if (!wav || bytes <= 0) {
    if (!wav) {
      // Not ours to judge: an unreadable file with bytes is kept aside, never deleted.
      TFileStream probe(working, fmOpenRead | fmShareDenyNone);
      if (probe.Size() > 0) {
        probe.Close();
        std::string aside = ChangeFileExt(working, ".bad");
        for (int n = 2; FileExists(aside); ++n) aside = ChangeFileExt(working, "") + "_" + std::to_string(n) + ".bad";
        if (!RenameFile(working, aside)) return false;
        AddEvent("-- Working file wav\\" + ExtractFileName(working) + " has no valid header: kept as " +
                 ExtractFileName(aside));
        // Its caller and folder stay with it: the next start would drop a note without a working file.
        if (FileExists(RecordingNotePath()) && RenameFile(RecordingNotePath(), aside + ".txt"))
          AddEvent("-- Its note kept as " + ExtractFileName(aside) + ".txt");
        return true;
      }
    }
    if (!DeleteFileA(working.c_str())) return false;
    AddEvent("-- Empty working file deleted");
    return true;
  }
  TDateTime lastWrite;
  if (!FileLastWrite(working, lastWrite)) lastWrite = Now();
  std::string name = RowAwaitingFile(log, lastWrite);
  if (!name.empty()) {
    if (!RenameFile(working, RecordingPath(name))) {
      AddEvent("-- Recording not recovered: " + SysErrorMessage(int(GetLastError())));
      return false;
    }
    AddEvent("-- Recording recovered");
    DropNote();
    return true;
  }
  int seconds = AudioSeconds(bytes, format.GetAvgBytesPerSec());
  TRecordingNote note;
  bool noted = LoadFittingNote(note, lastWrite);
  TCallLog::TCallRow row;
  row.DateS = DateToStr(lastWrite);
  row.TimeS = TimeToStr(noted ? note.Start : lastWrite - seconds * OneSecond);
  name = log.FreeRecordingName(row.DateS, row.TimeS, row.Channel);
  if (name.empty()) return false;
  if (!RenameFile(working, RecordingPath(name))) {
    AddEvent("-- Recording not recovered: " + SysErrorMessage(int(GetLastError())));
    return false;
  }
  std::string error;
  if (!AppendRecoveredRow(log, row, seconds, noted ? &note : nullptr, error))
    AddEvent("-- Recovered recording not saved in the call log: " + error);
  AddEvent("-- Recording recovered");
  DropNote();
  return true;
}
