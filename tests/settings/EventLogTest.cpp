#include "EventLog.h"
#include "Exception.h"
#include "TempDir.h"
#include <gtest/gtest.h>

TEST(EventLog, LinesAreKeptInOrderAndSplitAtLineBreaks) {
  TEventLog log;
  std::vector<std::string> told;
  log.OnAdd = [&](const std::string& line) { told.push_back(line); };
  log.Add("-- Recording started");
  log.Add("+VSM: 128,\"UNSIGNED PCM\"\r\n132,\"ADPCM\"\nlast\rone");
  log.Add("");
  log.Add("-- Recording stopped\r\n");
  std::vector<std::string> want = {"-- Recording started", "+VSM: 128,\"UNSIGNED PCM\"", "132,\"ADPCM\"",
                                   "last", "one", "", "-- Recording stopped"};
  EXPECT_EQ(log.Lines(), want);
  EXPECT_EQ(told, want);
}

TEST(EventLog, SavesEveryLineWithCrLfAndAnEmptyRunAsAnEmptyFile) {
  TempDir dir;
  TEventLog log;
  log.SaveToFile(dir / "Events.log");
  EXPECT_EQ(ReadWholeFile(dir / "Events.log"), "");

  log.Add("ring");
  log.Add("5551234");
  log.SaveToFile(dir / "Events.log");
  EXPECT_EQ(ReadWholeFile(dir / "Events.log"), "ring\r\n5551234\r\n");

  bool cleared = false;
  log.OnClear = [&] { cleared = true; };
  log.Clear();
  EXPECT_TRUE(cleared);
  EXPECT_EQ(log.Count(), 0);
}

TEST(EventLog, ASaveThatCannotWriteRaises) {
  TempDir dir;
  TEventLog log;
  log.Add("x");
  EXPECT_THROW(log.SaveToFile(dir / "no such folder\\Events.log"), EInOutError);
}

TEST(EventLog, AppendedFileHoldsEachLineAsItComesAndMatchesTheWholeWrite) {
  TempDir dir;
  const std::string file = dir / "Events.log";
  WriteWholeFile(file, "the last run\r\n");
  TEventLog log;
  log.Add("before");
  log.AppendTo(file);
  EXPECT_EQ(ReadWholeFile(file), "before\r\n");  // emptied, then given the lines so far
  log.Add("-- Recording started\nring");
  EXPECT_EQ(ReadWholeFile(file), "before\r\n-- Recording started\r\nring\r\n");

  // The whole write over the appended file gives the same bytes, and appending goes on.
  std::string appended = ReadWholeFile(file);
  log.SaveToFile(file);
  EXPECT_EQ(ReadWholeFile(file), appended);
  log.Add("after");
  EXPECT_EQ(ReadWholeFile(file), appended + "after\r\n");

  log.Clear();
  EXPECT_EQ(ReadWholeFile(file), "");
  log.Add("x");
  EXPECT_EQ(ReadWholeFile(file), "x\r\n");
  EXPECT_THROW(log.AppendTo(dir / "no such folder\\Events.log"), EInOutError);
}
