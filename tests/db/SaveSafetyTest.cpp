#include <gtest/gtest.h>
#include <random>
#include "DbError.h"
#include "DbHooks.h"
#include "DbTestUtil.h"
#include "FileUtils.h"
#include "SysUtils.h"

namespace {

void AddCalls(TZorudTable& t, int from, int to, const std::string& comment) {
  for (int i = from; i < to; ++i)
    AddRow(t, {{"id", "c" + std::to_string(i)}, {"Channel", "1"}, {"FolderId", "rEv4sH8n"}, {"DateS", "3/7/2024"},
               {"TimeS", "9:05:02 AM"}, {"Duration", "00:42"}, {"Comment", comment}});
}

bool Loads(const std::string& file) {
  try {
    TZorudTable t;
    t.SetTableName(file);
    t.Open();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

TEST(SaveSafety, AFailureAtAnyWriteLeavesWholeTables) {
  for (TZorudSaveOptions mode : {0u, unsigned(savSlowMode)}) {
    SCOPED_TRACE(mode ? "slow mode" : "memory image");
    TempDir dir;
    const std::string file = dir / "Recordings.d", backup = dir / "Recordings.~d";
    int rows = mode ? 12 : 900;
    TZorudTable t;
    DefineRecordings(t);
    t.Open();
    AddCalls(t, 0, rows, std::string(60, 'x'));
    t.SaveToFile(file, savAutoBackup | mode);
    const std::string s0 = ReadWholeFile(file);
    AddCalls(t, rows, 2 * rows, "second");
    t.SaveToFile(file, savAutoBackup | mode);
    const std::string s1 = ReadWholeFile(file);
    ASSERT_EQ(ReadWholeFile(backup), s0);
    AddCalls(t, 2 * rows, 3 * rows, "third");
    std::vector<std::string> lines;
    SetDbEventSink([&](const std::string& line) { lines.push_back(line); });

    int failedSaves = 0, failedBackups = 0;
    for (int n = 1;; ++n) {
      ASSERT_LT(n, 100000);
      WriteWholeFile(file, s1);
      WriteWholeFile(backup, s0);
      lines.clear();
      TSafeFileWriter::FailStep = n;
      bool saved = true;
      try {
        t.SaveToFile(file, savAutoBackup | mode);
      } catch (const EInOutError& e) {
        saved = false;
        EXPECT_NE(e.Message.find("Recordings."), std::string::npos) << e.Message;
      }
      bool hookUnused = TSafeFileWriter::FailStep > 0;
      TSafeFileWriter::FailStep = 0;
      std::string now = ReadWholeFile(file), kept = ReadWholeFile(backup);
      EXPECT_EQ(dir.Listing(), "Recordings.d Recordings.~d") << "step " << n;
      EXPECT_TRUE(Loads(file)) << "step " << n;
      if (!saved) {
        ++failedSaves;
        EXPECT_EQ(now, s1) << "step " << n;
        EXPECT_TRUE(kept == s0 || kept == s1) << "step " << n;
      } else {
        EXPECT_NE(now, s1) << "step " << n;
        EXPECT_TRUE(Loads(file));
        if (kept == s0) {
          ++failedBackups;
          ASSERT_EQ(lines.size(), 1u) << "step " << n;
          EXPECT_EQ(lines[0].rfind("Backup of " + file + " not made: ", 0), 0u) << lines[0];
        } else {
          EXPECT_EQ(kept, s1) << "step " << n;
          EXPECT_TRUE(lines.empty());
        }
      }
      if (hookUnused) {
        EXPECT_TRUE(saved);
        break;
      }
    }
    EXPECT_GT(failedSaves, mode ? 20 : 4);
    EXPECT_GT(failedBackups, 2);
    SetDbEventSink(nullptr);
    EXPECT_EQ(t.ChangeCount(), 3 * rows);  // saving never loses the changes in memory
  }
}

TEST(SaveSafety, ASaveThatCannotBeWrittenIsAClearErrorAndLosesNothing) {
  TempDir dir;
  const std::string file = MakeFolderFile(dir, 3);
  const std::string before = ReadWholeFile(file);
  TZorudTable t;
  t.SetTableName(file);
  t.SaveOptions = savAutoBackup;
  t.Open();
  t.Edit();
  t.FieldByName("FolderName")->SetAsString("changed");
  t.Post();

  // The folder is gone.
  std::string message;
  try {
    t.SaveToFile(dir / "gone\\Folders.d");
  } catch (const EInOutError& e) {
    message = e.Message;
  }
  EXPECT_NE(message.find("gone\\Folders.d"), std::string::npos) << message;

  // The temporary file cannot be made (a folder stands in its way): the file stays as it was,
  // the change stays in memory, and the next save goes through.
  ASSERT_TRUE(CreateDirectoryA((file + ".tmp").c_str(), nullptr));
  EXPECT_THROW(t.PostAndSave(), EInOutError);
  EXPECT_EQ(ReadWholeFile(file), before);
  EXPECT_EQ(t.FieldByName("FolderName")->AsString(), "changed");
  EXPECT_EQ(t.ChangeCount(), 1);
  RemoveDirectoryA((file + ".tmp").c_str());
  t.PostAndSave();
  TZorudTable back;
  back.SetTableName(file);
  back.Open();
  EXPECT_EQ(back.FieldByName("FolderName")->AsString(), "changed");
  EXPECT_EQ(ReadWholeFile(dir / "Folders.~d"), before);
}

TEST(SaveSafety, KillingTheWriterAtRandomLeavesTheOldOrTheNewTable) {
  TempDir dir;
  const std::string file = dir / "Recordings.d", backup = dir / "Recordings.~d";
  std::string images[2];
  for (int i = 0; i < 2; ++i) {
    TZorudTable t;
    DefineRecordings(t);
    t.Open();
    AddCalls(t, 0, 1500, std::string(100, i ? 'B' : 'A'));
    t.SaveToFile(file, 0);
    images[i] = ReadWholeFile(file);
  }
  WriteWholeFile(file, images[0]);
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string child = ExtractFilePath(self) + "db_save_child.exe";
  const std::string readyName = "vl_db_ready_" + std::to_string(GetCurrentProcessId());
  HANDLE ready = CreateEventA(nullptr, FALSE, FALSE, readyName.c_str());
  ASSERT_TRUE(ready);
  std::mt19937 random(12345);
  int rounds = 200, sawA = 0, sawB = 0, midSave = 0;
  for (int round = 0; round < rounds; ++round) {
    std::string cmd = "\"" + child + "\" \"" + file + "\" " + readyName;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    HANDLE waits[2] = {ready, pi.hProcess};
    DWORD w = WaitForMultipleObjects(2, waits, FALSE, 60000);
    EXPECT_EQ(w, WAIT_OBJECT_0) << "the child did not start its saves";
    if (w == WAIT_OBJECT_0) Sleep(std::uniform_int_distribution<int>(0, 250)(random));
    TerminateProcess(pi.hProcess, 9);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (GetFileAttributesA((file + ".tmp").c_str()) != INVALID_FILE_ATTRIBUTES) ++midSave;
    std::string now = ReadWholeFile(file);
    ASSERT_TRUE(now == images[0] || now == images[1]) << "round " << round << ": torn table";
    (now == images[0] ? sawA : sawB)++;
    std::string kept = ReadWholeFile(backup);
    ASSERT_TRUE(kept == "<missing>" || kept == images[0] || kept == images[1]) << "round " << round << ": torn backup";
  }
  CloseHandle(ready);
  std::printf("kills: %d, inside a save (temporary file left): %d\n", rounds, midSave);
  EXPECT_GT(sawA, 0);
  EXPECT_GT(sawB, 0);
}
