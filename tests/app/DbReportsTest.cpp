// The table engine's lines and reports as the program routes them: to the event log (the events
// monitor), warnings to a box titled with the application's title.
#include "Application.h"
#include "CallLogTestUtil.h"
#include "DbError.h"
#include "DbHooks.h"
#include "DbReports.h"
#include "EventLog.h"
#include "UiTest.h"
#include <gtest/gtest.h>

namespace {
// The program's routes and title for one test; the tests' silent hooks again afterwards.
class ProgramReports {
public:
  ProgramReports() : title_(Application.Title()) {
    Application.SetTitle("Vorlane");
    InstallDbReports();
  }
  ~ProgramReports() {
    SetDbEventSink(nullptr);
    SetDbReporter(nullptr);
    Application.SetTitle(title_);
  }

private:
  std::string title_;
};
}  // namespace

TEST(DbReports, AFailedBackupAndAReportedErrorReachTheEventLogAWarningABox) {
  AppFolder dir;
  ProgramReports reports;
  TCallLog log;
  log.OpenDatabase();
  ASSERT_TRUE(log.CallsOpen());
  const std::string backup = dir / "Recordings.~d";
  ASSERT_TRUE(CreateDirectoryA(backup.c_str(), nullptr));  // the backup's name is taken
  EventLog().Clear();
  std::string error;
  ASSERT_TRUE(log.AppendCall({"c1", DateToStr(Date()), "10:00:00", "00:05", "", log.CurrentFolderId(), 1}, error))
      << error;
  ASSERT_EQ(EventLog().Count(), 1);
  const std::string line = EventLog().Lines()[0];
  EXPECT_EQ(line.rfind("Backup of " + (dir / "Recordings.d") + " not made: ", 0), 0u) << line;
  EXPECT_NE(ReadWholeFile(dir / "Recordings.d").find("c1"), std::string::npos) << "the save itself went on";
  log.Close();
  RemoveDirectoryA(backup.c_str());

  // What the engine cannot raise (a close in a destructor) goes to the log, with no box.
  EventLog().Clear();
  {
    TBoxWatcher boxes;
    DbReportException(std::make_exception_ptr(EDatabaseError("Cannot do this operation on closed dataset")));
    EXPECT_TRUE(boxes.Texts().empty());
  }
  EXPECT_EQ(EventLog().Lines(), std::vector<std::string>{"Cannot do this operation on closed dataset"});

  // A partial open's message stays a warning box.
  TZorudTable t;
  t.SetTableName(dir / "Folders.d");
  std::string file = ReadWholeFile(dir / "Folders.d");
  file[5] = 2;  // two records declared, one present
  WriteWholeFile(dir / "Folders.d", file);
  t.PartialOpen = true;
  {
    TBoxWatcher boxes;
    t.Open();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Number of records read (1) does not match declared record count (2)"});
    EXPECT_EQ(boxes.Captions(), std::vector<std::string>{"Vorlane"});
  }
  EXPECT_EQ(t.RecordCount(), 1);
}
