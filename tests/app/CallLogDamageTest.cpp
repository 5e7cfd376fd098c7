// Damaged call-log files, one damage at a time over a folder of three filed calls: the tables
// open, every call keeps a row, every audio byte is kept, and the events log names the file.
#include "CallLogTestUtil.h"
#include "DateUtils.h"
#include "EventLog.h"
#include "RecordingRecovery.h"
#include "TableFile.h"
#include "TreeU.h"
#include <gtest/gtest.h>
#include <functional>
#include <map>

namespace {

const char* const Missing = "<missing>";

bool EventNames(const std::string& text) {
  for (const std::string& l : EventLog().Lines())
    if (l.find(text) != std::string::npos) return true;
  return false;
}

std::string AllEvents() {
  std::string all;
  for (const std::string& l : EventLog().Lines()) all += l + "\n";
  return all;
}

// Three filed calls, the second in "Work", each with its recording; both tables saved more
// than once, so each has a good (older) backup. Every file is kept to be put back per case.
class ThreeCalls {
public:
  AppFolder dir;
  std::string workId = "WORK0001";
  std::vector<std::string> names, comments;

  ThreeCalls() {
    {
      TCallLog log;
      log.OpenDatabase();
      std::string general = log.Tree[0].FolderId;
      log.FoldersTbl.Append();
      log.FoldersTbl.FieldByName("FolderId")->SetAsString(workId);
      log.FoldersTbl.FieldByName("FolderName")->SetAsString("Work");
      log.FoldersTbl.PostAndSave();
      AddChildNode(log.Tree, 0, "Work", workId);
      log.SaveTree();
      for (int i = 0; i < 3; ++i) {
        TCallLog::TCallRow row{"row" + std::to_string(i), DateToStr(EncodeDate(2024, 3, 7 + i)),
                               TimeToStr(EncodeTime(10 + i, 5, 0, 0)), "00:01", "555010" + std::to_string(i),
                               i == 1 ? workId : general, 1};
        std::string error;
        EXPECT_TRUE(log.AppendCall(row, error)) << error;
        names.push_back(MakeRecordingName(row.Channel, row.DateS, row.TimeS));
        comments.push_back(row.Comment);
        WriteWav(dir.Wav(names.back() + ".wav"), 8000 + i);
      }
    }
    for (const std::string& n : FileNamesMatching(dir / "*")) files_[n] = ReadWholeFile(dir / n);
    for (const std::string& n : FileNamesMatching(dir.Wav("*"))) files_["wav\\" + n] = ReadWholeFile(dir.Wav(n));
  }

  const std::string& Original(const std::string& name) { return files_[name]; }

  // The folder as it was made, then the file damaged (Missing: deleted).
  void Restore(const std::string& file, const std::function<void(std::string&)>& damage, bool backup) {
    for (const std::string& n : FileNamesMatching(dir / "*")) DeleteFileA((dir / n).c_str());
    for (const std::string& n : FileNamesMatching(dir.Wav("*"))) DeleteFileA(dir.Wav(n).c_str());
    for (const auto& [name, bytes] : files_) WriteWholeFile(dir / name, bytes);
    if (!backup) DeleteFileA(BackupFileName(dir / file).c_str());
    std::string bytes = ReadWholeFile(dir / file);
    damage(bytes);
    if (bytes == Missing) DeleteFileA((dir / file).c_str());
    else WriteWholeFile(dir / file, bytes);
    EventLog().Clear();
  }

  // A .bad file beside the tables with exactly these bytes.
  bool KeptAsBad(const std::string& bytes) {
    for (const std::string& n : FileNamesMatching(dir / "*.bad"))
      if (ReadWholeFile(dir / n) == bytes) return true;
    return false;
  }

private:
  std::map<std::string, std::string> files_;
};

struct Damage {
  std::string what;
  std::function<void(std::string&)> apply;
  int rowsKeptWithoutBackup;
};

std::function<void(std::string&)> Cut(size_t at) {
  return [at](std::string& b) { b.resize(std::min(at, b.size())); };
}
std::function<void(std::string&)> Flip(size_t at) {
  return [at](std::string& b) { b[at] = char(b[at] ^ 1); };
}

// Where each record of a table image ends: fields per record, heapField the one long text (its
// value a count and the text), the others short texts or integers.
std::vector<size_t> RecordEnds(const std::string& image, int fields, int heapField) {
  std::vector<size_t> ends;
  size_t pos = 17 + U32At(image, 13);
  while (pos + fields <= image.size()) {
    size_t values = pos + fields;
    for (int f = 0; f < fields; ++f) {
      uint8_t n = uint8_t(image[pos + f]);
      if (f == heapField && n == 4) values += 4 + U32At(image, values);
      else values += n;
    }
    pos = values;
    ends.push_back(pos);
  }
  return ends;
}

// The damages a table file is put through: truncation at every section boundary, a flip in
// each header field and in each field name, garbage, empty, absent; with each, the calls' rows
// that must keep their caller number when there is no backup (all three when the damaged file
// is Folders.d).
std::vector<Damage> TableDamages(const std::string& image, const std::vector<std::pair<const char*, size_t>>& names,
                                 int fields, int heapField, bool calls) {
  std::vector<size_t> ends = RecordEnds(image, fields, heapField);
  size_t section = 17 + U32At(image, 13);
  auto rows = [calls](int n) { return calls ? n : 3; };
  std::vector<Damage> d = {
      {"empty", Cut(0), rows(0)},
      {"absent", [](std::string& b) { b = Missing; }, rows(0)},
      {"garbage", [](std::string& b) { b = std::string(300, '\xA5'); }, rows(0)},
      {"cut in the total length", Cut(2), rows(0)},
      {"cut before the marker", Cut(4), rows(0)},
      {"cut before the record count", Cut(5), rows(0)},
      {"cut before the field count", Cut(9), rows(0)},
      {"cut before the section length", Cut(13), rows(0)},
      {"cut before the section", Cut(17), rows(0)},
      {"cut inside the section", Cut(17 + (section - 17) / 2), rows(0)},
      {"cut after the section", Cut(section), rows(0)},
      {"cut inside the last record", Cut(image.size() - 1), rows(int(ends.size()) - 1)},
      {"flipped total length", Flip(0), rows(3)},
      {"flipped marker", Flip(4), rows(3)},
      {"flipped record count", Flip(5), rows(int(ends.size()) - 1)},
      {"flipped field count", Flip(9), rows(0)},
      {"flipped section length", Flip(13), rows(0)},
      {"flipped section end", Flip(section - 1), rows(3)},
  };
  for (size_t i = 0; i + 1 < ends.size(); ++i) {
    d.push_back({"cut after record " + std::to_string(i + 1), Cut(ends[i]), rows(int(i + 1))});
    d.push_back({"cut inside record " + std::to_string(i + 2), Cut(ends[i] + 3), rows(int(i + 1))});
  }
  // A damaged name of a field that still stands where it was made is mended.
  for (const auto& [name, at] : names) d.push_back({std::string("flipped field name ") + name, Flip(at), rows(3)});
  return d;
}

// Every call has exactly one row, in a folder that has a record and a node; count: the rows
// that kept their comment (the caller number).
int CheckCalls(ThreeCalls& f, TCallLog& log) {
  std::map<std::string, std::string> rows;
  for (const auto& r : log.AllCalls()) {
    std::string name = MakeRecordingName(r.Channel, r.DateS, r.TimeS);
    EXPECT_FALSE(rows.count(name)) << "two rows for " << name;
    rows[name] = r.Comment;
    bool hasNode = false;
    for (const TFolderNode& n : log.Tree) hasNode = hasNode || n.FolderId == r.FolderId;
    EXPECT_TRUE(hasNode) << name << " is in no folder of the tree";
    EXPECT_TRUE(log.FoldersTbl.Lookup("FolderID", {r.FolderId}, "FolderID")[0].has_value()) << name;
  }
  int kept = 0;
  for (size_t i = 0; i < f.names.size(); ++i) {
    EXPECT_TRUE(rows.count(f.names[i])) << "no row for " << f.names[i];
    kept += rows[f.names[i]] == f.comments[i];
    std::string wav = "wav\\" + f.names[i] + ".wav";
    EXPECT_EQ(ReadWholeFile(f.dir / wav), f.Original(wav)) << wav;
  }
  EXPECT_EQ(rows.size(), f.names.size());
  return kept;
}

// One start over the damaged folder, as the program makes it: the tables, then the recovery.
struct Started {
  TCallLog log;
  std::vector<std::string> messages;
  Started() {
    log.OnMessage = [this](const std::string& m) { messages.push_back(m); };
    log.OpenDatabase();
    RecoverWorkingFile(log);
    FileUnlistedRecordings(log);
  }
};

void RunTableDamages(const std::string& file, int fields, int heapField,
                     const std::vector<std::pair<const char*, size_t>>& names) {
  ThreeCalls f;
  bool calls = file == "Recordings.d";
  for (const Damage& d : TableDamages(f.Original(file), names, fields, heapField, calls)) {
    for (bool backup : {true, false}) {
      SCOPED_TRACE(file + ", " + d.what + (backup ? ", good backup" : ", no backup"));
      f.Restore(file, d.apply, backup);
      std::string damaged = ReadWholeFile(f.dir / file);
      Started s;
      ASSERT_TRUE(s.log.CallsOpen() && s.log.FoldersOpen()) << AllEvents();
      int kept = CheckCalls(f, s.log);
      // A good backup holds the first two calls; the damaged file gives what can still be read.
      EXPECT_GE(kept, std::max(backup ? 2 : 0, d.rowsKeptWithoutBackup)) << AllEvents();
      EXPECT_EQ(s.log.FolderIdByName("Work"), f.workId);
      EXPECT_TRUE(EventNames(file)) << AllEvents();
      if (damaged != Missing || backup) {
        EXPECT_FALSE(s.messages.empty());
      }
      if (damaged != Missing && !damaged.empty()) {
        EXPECT_TRUE(f.KeptAsBad(damaged)) << f.dir.Listing();
      }
      s.log.Close();
      // The next start finds nothing to mend.
      EventLog().Clear();
      Started again;
      EXPECT_TRUE(again.messages.empty()) << again.messages[0];
      EXPECT_EQ(CheckCalls(f, again.log), kept);
    }
  }
}

}  // namespace

TEST(DamagedTables, RecordingsDEveryDamageOpensAndKeepsWhatWasGood) {
  // The field names' offsets: 17 + "XXX.id A\x12XXX.Channel i\x12..." (byte 60 is in DateS,
  // byte 100 in Comment).
  RunTableDamages("Recordings.d", 7, 6,
                  {{"id", 21}, {"Channel", 31}, {"FolderId", 45}, {"DateS", 60}, {"TimeS", 72}, {"Duration", 84},
                   {"Comment", 100}});
}

TEST(DamagedTables, FoldersDEveryDamageOpensAndKeepsEveryFolder) {
  // "XXX.FolderId K\x12XXX.FolderName s100\x12": byte 20 is the dot before FolderId.
  RunTableDamages("Folders.d", 2, 1, {{"FolderId (its dot)", 20}, {"FolderId", 23}, {"FolderName", 38}});
}

TEST(DamagedTables, TreeIniEveryDamageKeepsEveryFolderAndCallReachable) {
  ThreeCalls f;
  const std::string tree = f.Original("Tree.ini");
  auto at = [&](const char* text) { return tree.find(text); };
  Damage damages[] = {
      {"empty", Cut(0), 3},
      {"absent", [](std::string& b) { b = Missing; }, 3},
      {"garbage", [](std::string& b) { b = std::string(300, '\xA5'); }, 3},
      {"cut after the first node", Cut(at("Node1=")), 3},
      {"cut before the folder ids", Cut(at("[Folders]")), 3},
      {"cut inside a folder id", Cut(at("WORK0001") + 3), 3},
      {"flipped node text", Flip(at("#Work") + 2), 3},
      {"flipped folder id", Flip(at("WORK0001") + 7), 3},
      {"flipped section name", Flip(at("[Tree]") + 1), 3},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE("Tree.ini, " + d.what);
    f.Restore("Tree.ini", d.apply, true);
    Started s;
    ASSERT_TRUE(s.log.CallsOpen() && s.log.FoldersOpen());
    EXPECT_EQ(CheckCalls(f, s.log), 3);
    EXPECT_EQ(s.log.FolderIdByName("Work"), f.workId);
    bool workShown = false;
    for (const TFolderNode& n : s.log.Tree) workShown = workShown || (n.FolderId == f.workId && n.Text == "Work");
    EXPECT_TRUE(workShown);
    EXPECT_TRUE(EventNames("Tree.ini")) << AllEvents();
    s.log.Close();
    EventLog().Clear();
    Started again;
    EXPECT_TRUE(EventLog().Lines().empty()) << AllEvents();
  }
}

TEST(DamagedWorkingFile, EveryHeaderDamageKeepsTheAudioOnlyAFileWithoutAudioIsDeleted) {
  enum Outcome { Filed, KeptAsBad, Deleted };
  struct {
    const char* what;
    std::function<void(std::string&)> apply;
    Outcome outcome;
  } cases[] = {
      {"as a killed writer leaves it", [](std::string&) {}, Filed},
      {"flipped RIFF", Flip(0), KeptAsBad},
      {"flipped RIFF size", Flip(4), Filed},
      {"flipped WAVE", Flip(8), KeptAsBad},
      {"flipped fmt id", Flip(12), KeptAsBad},
      {"flipped fmt length", Flip(16), KeptAsBad},
      {"flipped format tag", Flip(20), KeptAsBad},
      {"flipped channels", Flip(22), KeptAsBad},
      {"flipped rate", Flip(24), KeptAsBad},
      {"flipped byte rate", Flip(28), KeptAsBad},
      {"flipped block alignment", Flip(32), KeptAsBad},
      {"block alignment 0xFFFF", [](std::string& b) { b[32] = b[33] = '\xFF'; }, KeptAsBad},
      {"flipped bits", Flip(34), KeptAsBad},
      {"flipped data id", Flip(36), KeptAsBad},
      {"flipped data size", Flip(40), Filed},
      {"cut in the fmt chunk", Cut(30), KeptAsBad},
      {"cut before the data", Cut(36), KeptAsBad},
      {"garbage", [](std::string& b) { b = std::string(5000, '\xA5'); }, KeptAsBad},
      {"one audio byte", Cut(45), Filed},
      {"header only", Cut(44), Deleted},
      {"empty", Cut(0), Deleted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AppFolder dir;
    TCallLog log;
    log.OpenDatabase();
    WriteUnfinishedWav(WorkingRecordingPath(), 49000, 0);
    std::string bytes = ReadWholeFile(WorkingRecordingPath());
    c.apply(bytes);
    WriteWholeFile(WorkingRecordingPath(), bytes);
    ASSERT_TRUE(RecoverWorkingFile(log));
    EXPECT_FALSE(FileExists(WorkingRecordingPath()));
    auto rows = log.AllCalls();
    switch (c.outcome) {
      case Filed: {
        ASSERT_EQ(rows.size(), 1u);
        std::string filed = ReadWholeFile(dir.Wav(MakeRecordingName(rows[0].Channel, rows[0].DateS, rows[0].TimeS) + ".wav"));
        EXPECT_EQ(filed.substr(44), bytes.substr(44));
        break;
      }
      case KeptAsBad:
        EXPECT_TRUE(rows.empty());
        EXPECT_EQ(dir.WavListing(), "Recorded.bad");
        EXPECT_EQ(ReadWholeFile(dir.Wav("Recorded.bad")), bytes);
        EXPECT_TRUE(EventNames("wav\\Recorded.wav has no valid header: kept as Recorded.bad")) << AllEvents();
        break;
      case Deleted:
        EXPECT_TRUE(rows.empty());
        EXPECT_EQ(dir.WavListing(), "");
        break;
    }
  }
}
