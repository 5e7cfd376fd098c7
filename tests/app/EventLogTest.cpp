#include "EventLog.h"
#include "Exception.h"
#include "../rtl/TempDir.h"
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
