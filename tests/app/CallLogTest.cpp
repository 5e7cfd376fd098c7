#include "CallFiler.h"
#include "CallLogTestUtil.h"
#include "DateUtils.h"
#include "EventLog.h"
#include "FileUtils.h"
#include "IniFile.h"
#include "RecordingNote.h"
#include "RecordingRecovery.h"
#include "TableFile.h"
#include "TreeU.h"
#include "UniqueKey.h"
#include <gtest/gtest.h>
#include <map>

namespace {

// The user's formats for one test.
class Formats {
public:
  Formats(const char* date, const char* time) : saved_(FormatSettings()) {
    FormatSettings().ShortDateFormat = date;
    FormatSettings().LongTimeFormat = time;
  }
  ~Formats() { FormatSettings() = saved_; }

private:
  TFormatSettings saved_;
};

struct Opened {
  TCallLog log;
  std::vector<std::string> messages;
  Opened() {
    log.OnMessage = [this](const std::string& m) { messages.push_back(m); };
    log.OpenDatabase();
  }
};

bool HasLine(const std::string& text) {
  for (const std::string& l : EventLog().Lines())
    if (l == text) return true;
  return false;
}

std::string D(int y, int m, int d) { return DateToStr(EncodeDate(y, m, d)); }
std::string T(int h, int m) { return TimeToStr(EncodeTime(h, m, 0, 0)); }

TDateTime At(int y, int mo, int d, int h, int mi, int s) { return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0); }

}  // namespace

TEST(RecordingName, DurationTextAndTheNameRuleAcrossLocales) {
  struct { int seconds; const char* text; } durations[] = {
      {0, "00:00"}, {59, "00:59"}, {60, "01:00"}, {600, "10:00"}, {7385, "123:05"}};
  for (const auto& d : durations) {
    EXPECT_EQ(DurationText(d.seconds), d.text);
    EXPECT_EQ(DurationSeconds(d.text), d.seconds);
  }
  EXPECT_EQ(DurationSeconds("xx"), -1);

  struct { const char* date; const char* time; } locales[] = {
      {"M/d/yyyy", "h:mm:ss tt"}, {"dd.MM.yyyy", "HH:mm:ss"}, {"yyyy-MM-dd", "H:mm:ss"}, {"d/M/yy", "hh:mm:ss tt"}};
  for (const auto& l : locales) {
    Formats f(l.date, l.time);
    // Stopped on 2024-03-07, started at 09:05:02; across midnight the stop's date is kept.
    EXPECT_EQ(MakeRecordingName(1, DateToStr(At(2024, 3, 7, 0, 0, 20)), TimeToStr(EncodeTime(9, 5, 2, 0))),
              "1_20240307_090502") << l.date;
    EXPECT_EQ(MakeRecordingName(3, DateToStr(At(2025, 1, 1, 0, 0, 20)), TimeToStr(EncodeTime(23, 59, 50, 0))),
              "3_20250101_235950") << l.date;
    EXPECT_EQ(MakeRecordingName(1, DateToStr(At(2024, 12, 31, 0, 0, 0)), TimeToStr(EncodeTime(13, 0, 0, 0))),
              "1_20241231_130000") << l.date;
  }
  EXPECT_EQ(MakeRecordingName(1, "not a date", "10:00:00"), "");
}

TEST(TreeStore, ThreeLevelsSurviveSaveAndLoadWrittenWhole) {
  AppFolder dir;
  TFolderTree tree = {{0, "General", "g1", true}, {1, "Work #2", "w1", true}, {2, "Clients", "c1", false},
                      {1, "Home", "h1", false}, {0, "Other", "o1", false}};
  SaveTreeToIni(tree, dir / "Tree.ini");
  std::string text = ReadWholeFile(dir / "Tree.ini");
  EXPECT_NE(text.find("[Tree]\r\nNode0=General\r\nNode1=#Work #2\r\nNode2=##Clients\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[Folders]\r\nNode0=g1\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Expanded]\r\nNode0=1\r\nNode1=1\r\nNode2=0\r\n"), std::string::npos);
  TFolderTree back = LoadTreeFromIni(dir / "Tree.ini");
  ASSERT_EQ(back.size(), tree.size());
  for (size_t i = 0; i < tree.size(); ++i) {
    EXPECT_EQ(back[i].Level, tree[i].Level);
    EXPECT_EQ(back[i].Text, tree[i].Text);
    EXPECT_EQ(back[i].FolderId, tree[i].FolderId);
    EXPECT_EQ(back[i].Expanded, tree[i].Expanded);
  }
  EXPECT_EQ(dir.Listing(), "Tree.ini wav");  // no temporary file left
  // A hand-edited file whose depth jumps: the node is taken as a child.
  WriteWholeFile(dir / "Tree.ini", "[Tree]\r\nNode0=A\r\nNode1=###B\r\n");
  back = LoadTreeFromIni(dir / "Tree.ini");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].Level, 1);
  EXPECT_TRUE(LoadTreeFromIni(dir / "missing.ini").empty());
}

TEST(OpenDatabase, FirstStartCreatesBothTablesAndTreeIniWithGeneral) {
  AppFolder dir;
  Opened o;
  EXPECT_TRUE(o.messages.empty());
  ASSERT_TRUE(o.log.CallsOpen() && o.log.FoldersOpen());
  EXPECT_TRUE(FileExists(dir / "Recordings.d"));
  EXPECT_EQ(o.log.FoldersTbl.RecordCount(), 1);
  EXPECT_EQ(o.log.FoldersTbl.FieldByName("FolderName")->AsString(), "General");
  ASSERT_EQ(o.log.Tree.size(), 1u);
  EXPECT_EQ(o.log.Tree[0].Text, "General");
  EXPECT_EQ(o.log.Tree[0].FolderId, o.log.FoldersTbl.FieldByName("FolderId")->AsString());
  TFolderTree stored = LoadTreeFromIni(dir / "Tree.ini");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].FolderId, o.log.Tree[0].FolderId);
  o.log.Close();
  // The second start finds everything and changes nothing.
  std::string folders = ReadWholeFile(dir / "Folders.d");
  Opened again;
  EXPECT_TRUE(again.messages.empty());
  EXPECT_EQ(ReadWholeFile(dir / "Folders.d"), folders);
  EXPECT_EQ(again.log.Tree.size(), 1u);
}

TEST(OpenDatabase, ABadTableIsRestoredFromItsBackupAndKept) {
  AppFolder dir;
  {
    Opened o;
    TCallLog::TCallRow row{"r1", DateToStr(Date()), TimeToStr(Time()), "00:05", " ", o.log.CurrentFolderId(), 1};
    std::string error;
    ASSERT_TRUE(o.log.AppendCall(row, error)) << error;
    row.Id = "r2";
    ASSERT_TRUE(o.log.AppendCall(row, error)) << error;  // the backup now holds r1
  }
  ASSERT_TRUE(FileExists(dir / "Recordings.~d"));
  std::string backup = ReadWholeFile(dir / "Recordings.~d");
  WriteWholeFile(dir / "Recordings.bad", "an older bad file");
  WriteWholeFile(dir / "Recordings.d", "broken");
  {
    Opened o;
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_EQ(o.messages[0], "Can not open Recordings.d file. Restoring backup");
    EXPECT_TRUE(o.log.CallsOpen());
    EXPECT_EQ(o.log.AllCalls().size(), 1u);
    EXPECT_EQ(ReadWholeFile(dir / "Recordings.bad"), "an older bad file");
    EXPECT_EQ(ReadWholeFile(dir / "Recordings_2.bad"), "broken");
    EXPECT_EQ(ReadWholeFile(dir / "Recordings.d"), backup);
    EXPECT_EQ(ReadWholeFile(dir / "Recordings.~d"), backup);
  }
  // Main file missing, backup there: restored, nothing to keep as bad.
  DeleteFileA((dir / "Recordings.d").c_str());
  {
    Opened o;
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_TRUE(o.log.CallsOpen());
    EXPECT_EQ(o.log.AllCalls().size(), 1u);
  }
}

TEST(OpenDatabase, NeitherFileLoadsKeepsBothAsBadAndMakesAnEmptyTable) {
  AppFolder dir;
  { Opened o; }
  WriteWholeFile(dir / "Recordings.d", "broken");
  WriteWholeFile(dir / "Recordings.~d", "broken too");
  {
    Opened o;
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_NE(o.messages[0].find("nor its backup"), std::string::npos);
    EXPECT_TRUE(o.log.CallsOpen());
    EXPECT_TRUE(o.log.AllCalls().empty());
    std::string error;
    EXPECT_TRUE(o.log.AppendCall({"r", D(2024, 1, 1), T(1, 0), "00:01", " ", "", 1}, error)) << error;
  }
  EXPECT_EQ(ReadWholeFile(dir / "Recordings.bad"), "broken");
  EXPECT_EQ(ReadWholeFile(dir / "Recordings_2.bad"), "broken too");
  // Only a backup, and it is bad: kept aside too, and a table made.
  DeleteFileA((dir / "Recordings.d").c_str());
  WriteWholeFile(dir / "Recordings.~d", "broken again");
  {
    Opened o;
    EXPECT_TRUE(o.log.CallsOpen());
    EXPECT_TRUE(o.log.AllCalls().empty());
  }
  EXPECT_EQ(ReadWholeFile(dir / "Recordings_3.bad"), "broken again");
  // A damaged file that cannot be moved aside is left as it is, and the table stays closed.
  WriteWholeFile(dir / "Recordings.d", "held");
  HANDLE held = CreateFileA((dir / "Recordings.d").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  {
    Opened o;
    EXPECT_FALSE(o.log.CallsOpen());
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_NE(o.messages[0].find("Calls can not be filed"), std::string::npos) << o.messages[0];
  }
  CloseHandle(held);
  EXPECT_EQ(ReadWholeFile(dir / "Recordings.d"), "held");
}

TEST(OpenDatabase, LostFoldersOrTreeAreRebuiltSoNoCallIsUnreachable) {
  AppFolder dir;
  std::string general, work;
  {
    Opened o;
    general = o.log.Tree[0].FolderId;
    o.log.FoldersTbl.Append();
    o.log.FoldersTbl.FieldByName("FolderId")->SetAsString("W1");
    o.log.FoldersTbl.FieldByName("FolderName")->SetAsString("Work");
    o.log.FoldersTbl.PostAndSave();
    std::string error;
    ASSERT_TRUE(o.log.AppendCall({"r1", D(2024, 1, 2), T(10, 0), "00:05", "555", "W1", 1}, error));
    ASSERT_TRUE(o.log.AppendCall({"r2", D(2024, 1, 2), T(11, 0), "00:05", "556", "LOST", 1}, error));
  }
  // Tree.ini does not know "Work", nor the folder of r2: both become children of General.
  {
    Opened o;
    ASSERT_EQ(o.log.Tree.size(), 3u);
    EXPECT_EQ(o.log.Tree[0].Text, "General");
    EXPECT_EQ(o.log.Tree[1].Text, "Work");
    EXPECT_EQ(o.log.Tree[1].Level, 1);
    EXPECT_EQ(o.log.Tree[2].Text, "Recovered");
    EXPECT_EQ(o.log.Tree[2].FolderId, "LOST");
    EXPECT_EQ(o.log.FoldersTbl.RecordCount(), 3);
  }
  EXPECT_EQ(LoadTreeFromIni(dir / "Tree.ini").size(), 3u);
  // Folders.d lost (with its backup): every node gets its record back, and no second General.
  DeleteFileA((dir / "Folders.d").c_str());
  DeleteFileA((dir / "Folders.~d").c_str());
  {
    Opened o;
    ASSERT_EQ(o.log.Tree.size(), 3u);
    EXPECT_EQ(o.log.FoldersTbl.RecordCount(), 3);
    EXPECT_EQ(o.log.Tree[0].FolderId, general);
    EXPECT_EQ(o.log.FolderIdByName("Work"), "W1");
  }
}

TEST(OpenDatabase, LegacyTreeIsConvertedAndDeletedOnlyAfterTreeIniIsWritten) {
  AppFolder dir;
  { Opened o; }
  DeleteFileA((dir / "Tree.ini").c_str());
  WriteWholeFile(dir / "Tree.d", "General\r\n\tOld calls\r\n");
  {
    Opened o;
    ASSERT_EQ(o.log.Tree.size(), 2u);
    EXPECT_EQ(o.log.Tree[0].FolderId, o.log.FolderIdByName("General"));
    EXPECT_FALSE(o.log.Tree[1].FolderId.empty());
    EXPECT_EQ(o.log.FoldersTbl.RecordCount(), 2);  // the unmatched node got a record
    EXPECT_TRUE(o.log.Tree[1].Expanded);
  }
  EXPECT_FALSE(FileExists(dir / "Tree.d"));
  EXPECT_EQ(LoadTreeFromIni(dir / "Tree.ini").size(), 2u);
}

TEST(OpenDatabase, ALegacyTreeThatCannotBeDeletedIsReported) {
  AppFolder dir;
  { Opened o; }
  WriteWholeFile(dir / "Tree.d", "General\r\n\tOld calls\r\n");
  SetFileAttributesA((dir / "Tree.d").c_str(), FILE_ATTRIBUTE_READONLY);
  {
    Opened o;
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_EQ(o.messages[0].rfind("Can not delete the old folder tree file Tree.d.", 0), 0u) << o.messages[0];
  }
  SetFileAttributesA((dir / "Tree.d").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(LoadTreeFromIni(dir / "Tree.ini").size(), 2u);
}

TEST(CallFiler, FilesTheRowAndNamesTheFileBumpingTheChannelOnAClash) {
  AppFolder dir;
  Opened o;
  TCallFiler filer(o.log);
  std::vector<std::string> told;
  filer.OnMessage = [&](const std::string& m) { told.push_back(m); };
  TDateTime start = At(2024, 3, 7, 23, 59, 50), stop = At(2024, 3, 8, 0, 0, 0);
  // A file of the same name is already there (a prepared clash).
  WriteWav(dir.Wav("1_20240308_235950.wav"), 10);
  for (int call = 0; call < 2; ++call) {
    auto stream = std::make_unique<TFileStream>(WorkingRecordingPath(), fmCreate);
    TdeRIFFAudioWriter writer(*stream);
    writer.SetFormat(Pcm8k());
    std::string audio(8000 * 9 + 300, char(0x80 + call));
    writer.WriteAudio(audio.data(), int(audio.size()));
    ASSERT_TRUE(filer.File(writer, *stream, start, stop, call ? "" : "5551234", true));
    EXPECT_TRUE(filer.Renamed);
    EXPECT_EQ(filer.RecordSeconds, 9);
  }
  EXPECT_TRUE(told.empty());
  EXPECT_EQ(dir.WavListing(), "1_20240308_235950.wav 2_20240308_235950.wav 3_20240308_235950.wav");
  EXPECT_EQ(Calls(o.log), "2_20240308_235950 00:09 [5551234] | 3_20240308_235950 00:09 [ ]");
  std::string wav = ReadWholeFile(dir.Wav("3_20240308_235950.wav"));
  EXPECT_EQ(U32At(wav, 40), 8000u * 9 + 300);
  EXPECT_EQ(U32At(wav, 4), wav.size() - 8);
  // The table on disk holds both rows.
  o.log.Close();
  Opened again;
  EXPECT_EQ(again.log.AllCalls().size(), 2u);
}

TEST(CallFiler, NoAudioFilesNothingAndDeletesTheWorkingFile) {
  AppFolder dir;
  Opened o;
  TCallFiler filer(o.log);
  auto stream = std::make_unique<TFileStream>(WorkingRecordingPath(), fmCreate);
  TdeRIFFAudioWriter writer(*stream);
  writer.SetFormat(Pcm8k());
  EXPECT_FALSE(filer.File(writer, *stream, Now(), Now(), "1", true));
  EXPECT_EQ(dir.WavListing(), "");
  EXPECT_TRUE(o.log.AllCalls().empty());
  EXPECT_TRUE(HasLine("-- No audio was received: nothing filed"));
}

TEST(Recovery, HeaderRepairFromTheLengthInWholeBlocks) {
  AppFolder dir;
  TdeWaveFormat pcm16 = Pcm8k();
  pcm16.SetBitsPerSample(16);
  pcm16.SetBlockAlign(2);
  pcm16.SetAvgBytesPerSec(16000);
  WriteUnfinishedWav(dir.Wav("x.wav"), 1000, 1, pcm16);
  TdeWaveFormat format;
  int64_t bytes = 0;
  ASSERT_TRUE(RepairWavHeader(dir.Wav("x.wav"), format, bytes));
  EXPECT_EQ(bytes, 1000);  // the torn block is cut off
  EXPECT_EQ(format.GetBlockAlign(), 2);
  std::string wav = ReadWholeFile(dir.Wav("x.wav"));
  EXPECT_EQ(wav.size(), 1044u);
  EXPECT_EQ(U32At(wav, 4), 1036u);
  EXPECT_EQ(U32At(wav, 40), 1000u);
  WriteWholeFile(dir.Wav("y.wav"), std::string("RIFF\0\0\0\0WAVEjunk", 16));
  EXPECT_FALSE(RepairWavHeader(dir.Wav("y.wav"), format, bytes));
  EXPECT_EQ(ReadWholeFile(dir.Wav("y.wav")), std::string("RIFF\0\0\0\0WAVEjunk", 16));
}

TEST(Recovery, ALeftoverBecomesItsRowsFileOrARowOfItsOwn) {
  AppFolder dir;
  Opened o;
  // A row that was filed while its file kept the working name: its end fits the file's time.
  WriteUnfinishedWav(WorkingRecordingPath(), 8000 * 5, 0);
  TDateTime written;
  ASSERT_TRUE(FileLastWrite(WorkingRecordingPath(), written));
  TDateTime start = written - 5.0 / 86400;
  std::string error;
  ASSERT_TRUE(o.log.AppendCall({"r1", DateToStr(written), TimeToStr(start), "00:05", "77", o.log.CurrentFolderId(), 1}, error));
  std::string name = MakeRecordingName(1, DateToStr(written), TimeToStr(start));
  ASSERT_TRUE(RecoverWorkingFile(o.log));
  EXPECT_EQ(dir.WavListing(), name + ".wav");
  EXPECT_EQ(o.log.AllCalls().size(), 1u);
  EXPECT_TRUE(HasLine("-- Recording recovered"));
  // A leftover no row waits for: a row of its own in General, under a free name.
  WriteUnfinishedWav(WorkingRecordingPath(), 8000 * 3 + 10, 0);
  ASSERT_TRUE(RecoverWorkingFile(o.log));
  auto rows = o.log.AllCalls();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].Duration, "00:03");
  EXPECT_EQ(rows[1].Comment, " ");
  EXPECT_EQ(rows[1].FolderId, o.log.FolderIdByName("General"));
  std::string own = MakeRecordingName(rows[1].Channel, rows[1].DateS, rows[1].TimeS);
  EXPECT_EQ(U32At(ReadWholeFile(dir.Wav(own + ".wav")), 40), 8000u * 3 + 10);
  EXPECT_FALSE(FileExists(WorkingRecordingPath()));
  // Without audio: deleted.
  WriteWholeFile(WorkingRecordingPath(), "");
  ASSERT_TRUE(RecoverWorkingFile(o.log));
  EXPECT_FALSE(FileExists(WorkingRecordingPath()));
  EXPECT_EQ(o.log.AllCalls().size(), 2u);
}

// Moves a file's last-write time back, as if it had been written that long ago.
static void AgeFile(const std::string& name, double days) {
  HANDLE h = CreateFileA(name.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FILETIME t;
  ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &t));
  ULARGE_INTEGER u{{t.dwLowDateTime, t.dwHighDateTime}};
  u.QuadPart -= static_cast<ULONGLONG>(days * 86400.0 * 1e7);
  t = {u.LowPart, u.HighPart};
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
  CloseHandle(h);
}

TEST(Recovery, ALeftoverFoundHoursLaterKeepsTheTimeOfItsCall) {
  AppFolder dir;
  Opened o;
  const double twoHours = 2.0 / 24;
  // Filed two hours ago while its file kept the working name.
  WriteUnfinishedWav(WorkingRecordingPath(), 8000 * 5, 0);
  AgeFile(WorkingRecordingPath(), twoHours);
  TDateTime written;
  ASSERT_TRUE(FileLastWrite(WorkingRecordingPath(), written));
  ASSERT_LT(written, Now() - twoHours + 60.0 / 86400);
  TDateTime start = written - 5.0 / 86400;
  std::string error;
  ASSERT_TRUE(o.log.AppendCall({"r1", DateToStr(written), TimeToStr(start), "00:05", "77", o.log.CurrentFolderId(), 1}, error));
  ASSERT_TRUE(RecoverWorkingFile(o.log));
  EXPECT_EQ(dir.WavListing(), MakeRecordingName(1, DateToStr(written), TimeToStr(start)) + ".wav");
  EXPECT_EQ(o.log.AllCalls().size(), 1u);
  // No row waits for this one: its row carries the time of the call, not of the recovery.
  WriteUnfinishedWav(WorkingRecordingPath(), 8000 * 3, 0);
  AgeFile(WorkingRecordingPath(), twoHours);
  ASSERT_TRUE(FileLastWrite(WorkingRecordingPath(), written));
  ASSERT_TRUE(RecoverWorkingFile(o.log));
  auto rows = o.log.AllCalls();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].DateS, DateToStr(written));
  EXPECT_EQ(rows[1].TimeS, TimeToStr(written - 3.0 / 86400));
}

TEST(Recovery, FilesOfTheRuleThatNoRowNamesGetRowsOfTheirOwn) {
  AppFolder dir;
  Opened o;
  std::string error;
  ASSERT_TRUE(o.log.AppendCall({"a", D(2024, 1, 2), T(10, 0), "00:05", "77", o.log.CurrentFolderId(), 1}, error));
  WriteWav(dir.Wav("1_20240102_100000.wav"), 8000 * 5);  // its row's file
  WriteWav(dir.Wav("2_20240102_100000.wav"), 8000 * 7);  // named, then the program ended
  WriteWav(dir.Wav("1_20240230_100000.wav"), 10);        // no such day
  WriteWav(dir.Wav("notes.wav"), 10);
  EXPECT_EQ(FileUnlistedRecordings(o.log), 1);
  auto rows = o.log.AllCalls();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(MakeRecordingName(rows[1].Channel, rows[1].DateS, rows[1].TimeS), "2_20240102_100000");
  EXPECT_EQ(rows[1].Duration, "00:07");
  EXPECT_EQ(rows[1].Comment, " ");
  EXPECT_EQ(rows[1].FolderId, o.log.FolderIdByName("General"));
  EXPECT_TRUE(HasLine("-- Unlisted recording filed: 2_20240102_100000"));
  EXPECT_EQ(FileUnlistedRecordings(o.log), 0);
  EXPECT_EQ(dir.WavListing(), "1_20240102_100000.wav 1_20240230_100000.wav 2_20240102_100000.wav notes.wav");
}

// A folder record beside General; its id.
static std::string AddFolderRecord(TCallLog& log, const std::string& name) {
  std::string id = CreateUniqueKey();
  log.FoldersTbl.Append();
  log.FoldersTbl.FieldByName("FolderId")->SetAsString(id);
  log.FoldersTbl.FieldByName("FolderName")->SetAsString(name);
  log.FoldersTbl.Post();
  log.FoldersTbl.PostAndSave();
  return id;
}

TEST(RecordingNote, ReadsBackWhatWasWrittenAndRefusesAnythingElse) {
  AppFolder dir;
  TRecordingNote note;
  note.CallerNumber = "555\r\n0202";  // a line break from the modem cannot add a line
  note.FolderId = "K7Q2M9X1ZP";
  note.Start = At(2026, 12, 31, 23, 59, 50) + 0.25 / 86400;
  note.Save(RecordingNotePath());
  TRecordingNote back;
  std::string why;
  ASSERT_TRUE(back.Load(RecordingNotePath(), why)) << why;
  EXPECT_EQ(back.CallerNumber, "555  0202");
  EXPECT_EQ(back.FolderId, note.FolderId);
  EXPECT_EQ(TimeToStr(back.Start), TimeToStr(note.Start));
  EXPECT_EQ(DateToStr(back.Start), D(2026, 12, 31));
  note.CallerNumber.clear();
  note.Save(RecordingNotePath());  // replaced whole
  ASSERT_TRUE(back.Load(RecordingNotePath(), why));
  EXPECT_EQ(back.CallerNumber, "");

  std::string written = ReadWholeFile(RecordingNotePath());
  struct Case { std::string text, why; } cases[] = {
      {"", "it is not a note of a call"},
      {written.substr(0, written.size() / 2), "it is not a note of a call"},
      {std::string("\x01\xfe\x00garbage", 10), "it is not a note of a call"},
      {"Caller=1\r\nFolder=F\r\nStart=2026-02-30 10:00:00.000\r\n", "its values are damaged"},
      {"Caller=1\r\nFolder=\r\nStart=2026-02-03 10:00:00.000\r\n", "its values are damaged"},
      {"Caller=1\r\nFolder=" + std::string(21, 'F') + "\r\nStart=2026-02-03 10:00:00.000\r\n", "its values are damaged"},
  };
  for (const Case& c : cases) {
    WriteWholeFile(RecordingNotePath(), c.text);
    TRecordingNote untouched;
    EXPECT_FALSE(untouched.Load(RecordingNotePath(), why)) << c.text;
    EXPECT_EQ(why, c.why) << c.text;
    EXPECT_EQ(untouched.FolderId, "");
  }
  ASSERT_TRUE(DeleteRecordingNote());
  EXPECT_FALSE(back.Load(RecordingNotePath(), why));
  EXPECT_EQ(why, "it is missing");
  EXPECT_TRUE(DeleteRecordingNote());
}

TEST(Recovery, ALeftoverIsFiledWithTheCallerFolderAndStartOfItsNote) {
  AppFolder dir;
  Opened o;
  const std::string general = o.log.FolderIdByName("General");
  const std::string clients = AddFolderRecord(o.log, "Clients");
  auto leave = [&](const std::string& noteText, const std::string& folder) {
    WriteUnfinishedWav(WorkingRecordingPath(), 8000 * 4, 0);
    TDateTime written;
    FileLastWrite(WorkingRecordingPath(), written);
    TRecordingNote note;
    note.CallerNumber = "5550202";
    note.FolderId = folder;
    note.Start = written - 9.0 / 86400;  // answered before the audio began
    note.Save(RecordingNotePath());
    if (!noteText.empty()) WriteWholeFile(RecordingNotePath(), noteText == "-" ? "" : noteText);
    return note.Start;
  };
  struct Case { const char* name; std::string noteText; std::string folder; bool noted; std::string wantFolder; } cases[] = {
      {"noted", "", clients, true, clients},
      {"folder gone", "", "GONE000001", true, general},
      {"garbled note", "Caller=5550202\r\nFold", clients, false, general},
      {"empty note", "-", clients, false, general},
  };
  size_t rows = 0;
  for (const Case& c : cases) {
    EventLog().Clear();
    TDateTime start = leave(c.noteText, c.folder);
    ASSERT_TRUE(RecoverWorkingFile(o.log)) << c.name;
    auto all = o.log.AllCalls();
    ASSERT_EQ(all.size(), ++rows) << c.name;
    const auto& row = all.back();
    EXPECT_EQ(row.Comment, c.noted ? "5550202" : " ") << c.name;
    EXPECT_EQ(row.FolderId, c.wantFolder) << c.name;
    if (c.noted) {
      EXPECT_EQ(row.TimeS, TimeToStr(start)) << c.name;
    }
    EXPECT_EQ(row.Duration, "00:04") << c.name;
    EXPECT_FALSE(FileExists(RecordingNotePath())) << c.name;
    EXPECT_FALSE(FileExists(WorkingRecordingPath())) << c.name;
    EXPECT_TRUE(HasLine("-- Recording recovered")) << c.name;
  }
  // A note newer than the recording is of another call.
  WriteUnfinishedWav(WorkingRecordingPath(), 8000, 0);
  TRecordingNote later;
  later.CallerNumber = "999";
  later.FolderId = clients;
  later.Start = Now() + 1;
  later.Save(RecordingNotePath());
  ASSERT_TRUE(RecoverWorkingFile(o.log));
  EXPECT_EQ(o.log.AllCalls().back().Comment, " ");
  EXPECT_TRUE(HasLine("-- The note of the recording is not used: it is newer than the recording"));
}

TEST(Recovery, AFileNamedAsTheRunEndedGetsItsNoteAndAStaleNoteGoes) {
  AppFolder dir;
  Opened o;
  const std::string clients = AddFolderRecord(o.log, "Clients");
  TRecordingNote note;
  note.CallerNumber = "5550303";
  note.FolderId = clients;
  note.Start = At(2024, 1, 2, 10, 0, 0);
  note.Save(RecordingNotePath());
  WriteWav(dir.Wav("1_20240102_100000.wav"), 8000 * 5);  // named, then the program ended
  WriteWav(dir.Wav("1_20240102_110000.wav"), 8000 * 2);  // another call's
  EXPECT_EQ(FileUnlistedRecordings(o.log), 2);
  std::map<std::string, TCallLog::TCallRow> byName;
  for (const auto& r : o.log.AllCalls()) byName[MakeRecordingName(r.Channel, r.DateS, r.TimeS)] = r;
  EXPECT_EQ(byName["1_20240102_100000"].Comment, "5550303");
  EXPECT_EQ(byName["1_20240102_100000"].FolderId, clients);
  EXPECT_EQ(byName["1_20240102_110000"].Comment, " ");
  EXPECT_EQ(byName["1_20240102_110000"].FolderId, o.log.FolderIdByName("General"));
  EXPECT_FALSE(FileExists(RecordingNotePath()));
}

TEST(Recovery, AWorkingFileKeptAsBadKeepsItsNoteBesideIt) {
  AppFolder dir;
  Opened o;
  WriteUnfinishedWav(WorkingRecordingPath(), 8000 * 4, 0);
  std::string bytes = ReadWholeFile(WorkingRecordingPath());
  bytes[32] = '\xFF', bytes[33] = '\xFF';  // block alignment 0xFFFF
  WriteWholeFile(WorkingRecordingPath(), bytes);
  TRecordingNote note;
  note.CallerNumber = "5550404";
  note.FolderId = o.log.FolderIdByName("General");
  note.Start = Now();
  note.Save(RecordingNotePath());
  std::string noteBytes = ReadWholeFile(RecordingNotePath());
  ASSERT_TRUE(RecoverWorkingFile(o.log));
  EXPECT_EQ(ReadWholeFile(dir.Wav("Recorded.bad")), bytes);
  EXPECT_EQ(ReadWholeFile(dir.Wav("Recorded.bad.txt")), noteBytes);
  EXPECT_FALSE(FileExists(RecordingNotePath()));
  ASSERT_TRUE(RecoverWorkingFile(o.log));  // the next start leaves both alone
  EXPECT_TRUE(FileExists(dir.Wav("Recorded.bad.txt")));
  EXPECT_TRUE(o.log.AllCalls().empty());
}

TEST(Folders, DeletingAFolderDeletesItsCallsAndFilesRenamingNeedsARecord) {
  AppFolder dir;
  Opened o;
  std::string error;
  AddChildNode(o.log.Tree, 0, "Work", "W1");
  AddChildNode(o.log.Tree, 1, "Sub", "S1");  // no folder record for this one
  o.log.FoldersTbl.Append();
  o.log.FoldersTbl.FieldByName("FolderId")->SetAsString("W1");
  o.log.FoldersTbl.FieldByName("FolderName")->SetAsString("Work");
  o.log.FoldersTbl.PostAndSave();
  ASSERT_TRUE(o.log.AppendCall({"a", D(2024, 1, 2), T(10, 0), "00:05", " ", "W1", 1}, error));
  ASSERT_TRUE(o.log.AppendCall({"b", D(2024, 1, 2), T(10, 1), "00:05", " ", "S1", 1}, error));
  ASSERT_TRUE(o.log.AppendCall({"c", D(2024, 1, 2), T(10, 2), "00:05", " ", o.log.Tree[0].FolderId, 1}, error));
  WriteWav(dir.Wav("1_20240102_100000.wav"), 10);
  WriteWav(dir.Wav("b.wav"), 10);  // the older scheme's name
  WriteWav(dir.Wav("1_20240102_100200.wav"), 10);
  EXPECT_FALSE(o.log.RenameFolder(2, "Renamed"));
  EXPECT_EQ(o.log.Tree[2].Text, "Sub");
  EXPECT_TRUE(o.log.RenameFolder(1, "Job"));
  EXPECT_EQ(o.log.FolderIdByName("Job"), "W1");
  o.log.DeleteFolder(1);
  ASSERT_EQ(o.log.Tree.size(), 1u);
  EXPECT_EQ(Calls(o.log), "1_20240102_100200 00:05 [ ]");
  EXPECT_EQ(dir.WavListing(), "1_20240102_100200.wav");
  EXPECT_EQ(o.log.FoldersTbl.RecordCount(), 1);
  EXPECT_EQ(LoadTreeFromIni(dir / "Tree.ini").size(), 1u);
}
