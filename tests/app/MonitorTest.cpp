#include "MonitorU.h"
#include "Application.h"
#include "EventLog.h"
#include "Exception.h"
#include "Memo.h"
#include "SettingsTestUtil.h"
#include <gtest/gtest.h>

namespace {
// Runs the test with the current folder elsewhere, as after a file dialog.
class CurrentFolder {
public:
  explicit CurrentFolder(const std::string& path) {
    GetCurrentDirectoryA(MAX_PATH, saved_);
    SetCurrentDirectoryA(path.c_str());
  }
  ~CurrentFolder() { SetCurrentDirectoryA(saved_); }

private:
  char saved_[MAX_PATH];
};
}

TEST(Monitor, ShowsEveryLineOfTheRunAndWritesThemToProgramDirWhenDestroyed) {
  ProgramFolder dir;
  TempDir elsewhere;
  WriteWholeFile(dir / "Events.log", "an earlier run\r\n");
  AddEvent("before the monitor");

  TfmMonitor* monitor = NewForm<TfmMonitor>(nullptr);
  EXPECT_EQ(monitor->Caption(), "Logger");
  EXPECT_EQ(monitor->FormStyle(), fsStayOnTop);
  EXPECT_FALSE(monitor->Visible());
  EXPECT_TRUE(monitor->Memo1->ReadOnly());
  EXPECT_TRUE(monitor->Memo1->Lines().empty());
  EXPECT_EQ(EventLog().Lines(), std::vector<std::string>{"before the monitor"}) << "the run's lines are kept";

  CurrentFolder moved(elsewhere.Path());
  AddEvent("-- Recording started");
  AddEvent("Com port 1 opened...");
  AddEvent("-- Recording stopped");
  monitor->Show();
  EXPECT_TRUE(IsWindowVisible(monitor->Handle()));
  AddEvent("-- Playback file");
  std::vector<std::string> want = {"before the monitor", "-- Recording started", "Com port 1 opened...",
                                   "-- Recording stopped", "-- Playback file"};
  EXPECT_EQ(monitor->Memo1->Lines(), want);
  SendMessageA(monitor->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(monitor->Handle())) << "the close box hides the window";
  AddEvent("while hidden");

  monitor->Free();
  EXPECT_EQ(ReadWholeFile(dir / "Events.log"),
            Crlf({"before the monitor", "-- Recording started", "Com port 1 opened...", "-- Recording stopped",
                  "-- Playback file", "while hidden"}));
  EXPECT_EQ(elsewhere.Listing(), "");
  AddEvent("after the monitor");  // nobody listens any more: no crash
}

TEST(Monitor, ARunWithoutEventsWritesAnEmptyFile) {
  ProgramFolder dir;
  WriteWholeFile(dir / "Events.log", "an earlier run\r\n");
  NewForm<TfmMonitor>(nullptr)->Free();
  EXPECT_EQ(ReadWholeFile(dir / "Events.log"), "");
}

TEST(Monitor, ALongRunsLinesAllReachTheMemoAndTheFile) {
  ProgramFolder dir;
  TfmMonitor* monitor = NewForm<TfmMonitor>(nullptr);
  std::string expected;
  const int count = 8000;  // some 300000 characters, ten times a memo's default limit
  for (int i = 0; i < count; ++i) {
    std::string line = "line " + std::to_string(i) + " Setting modem in voice mode..";
    AddEvent(line);
    expected += line + "\r\n";
    if (i == count / 2) monitor->Show();  // the rest goes to the visible memo line by line
    if (i == count / 2 + 50) monitor->Hide();
    if (i == count - 100) monitor->Show();
  }
  std::vector<std::string> lines = monitor->Memo1->Lines();
  ASSERT_EQ(lines.size(), static_cast<size_t>(count));
  EXPECT_EQ(lines.back(), "line 7999 Setting modem in voice mode..");
  monitor->Free();
  EXPECT_EQ(ReadWholeFile(dir / "Events.log"), expected);
}

TEST(Monitor, AFailedSaveIsReportedNotSwallowed) {
  ProgramFolder dir;
  std::string message;
  Application.OnException = [&](TComponent*, const std::exception_ptr& e) { message = ExceptionText(e); };
  TfmMonitor* monitor = NewForm<TfmMonitor>(nullptr);
  AddEvent("ring");
  CreateDirectoryA((dir / "Events.log").c_str(), nullptr);  // the name is taken by a folder
  monitor->Free();
  Application.OnException = nullptr;
  RemoveDirectoryA((dir / "Events.log").c_str());
  EXPECT_NE(message.find("Events.log"), std::string::npos) << message;
}
