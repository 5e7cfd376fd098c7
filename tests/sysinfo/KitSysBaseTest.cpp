#include "KitSysBase.h"
#include "DateUtils.h"
#include "StringList.h"
#include "SysUtils.h"
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(KitSysBase, OperatingSystemKind) {
  struct Case {
    bool nt;
    int major, minor, kind;
  };
  for (const Case& c : std::vector<Case>{{true, 5, 1, 5},
                                        {true, 5, 0, 4},
                                        {true, 5, 2, 6},
                                        {true, 5, 3, 3},
                                        {true, 4, 0, 3},
                                        {true, 6, 1, 3},
                                        {false, 4, 90, 2},
                                        {false, 4, 10, 1},
                                        {false, 4, 0, 0},
                                        {false, 3, 95, 1}})
    EXPECT_EQ(KitSysOSKindOf(c.nt, c.major, c.minor), c.kind) << c.nt << " " << c.major << "." << c.minor;
  EXPECT_EQ(KitSysOSName(5), "Windows XP");
  EXPECT_EQ(KitSysOSName(2), "Windows ME");
  EXPECT_EQ(KitSysOSName(6), "Windows .Net Server");
  EXPECT_EQ(KitSysProductTypeName(3), "Domain Controller");
  // Wine reports the NT family.
  EXPECT_TRUE(KitSysIsNT());
  EXPECT_EQ(KitSysOSKind(), 3);
  EXPECT_FALSE(KitSysComputerName().empty());
  EXPECT_FALSE(KitSysSystemFolder().empty());
}

TEST(KitSysBase, FoldersEnvironmentAndUser) {
  TStringList folders;
  KitSysSystemFolders(folders);
  ASSERT_EQ(folders.Count(), KitSysSpecialFolderCount);
  EXPECT_EQ(folders.Names(4), "MyDocuments");
  EXPECT_EQ(folders.Names(35), "MyDocuments");
  EXPECT_EQ(folders.Names(44), "System");
  EXPECT_TRUE(SameText(folders.ValueFromIndex(43), KitSysWindowsFolder())) << folders[43];
  EXPECT_TRUE(SameText(folders.ValueFromIndex(44), KitSysSystemFolder())) << folders[44];
  EXPECT_EQ(KitSysSpecialFolder(-1), "");
  EXPECT_EQ(KitSysSpecialFolder(KitSysSpecialFolderCount), "");

  ASSERT_TRUE(SetEnvironmentVariableA("VL_SYSINFO_PROBE", "a=b c"));
  TStringList env;
  env.Add("stale");
  KitSysGetEnvironment(env);
  EXPECT_EQ(env.IndexOf("stale"), -1);
  EXPECT_GE(env.IndexOf("VL_SYSINFO_PROBE=a=b c"), 0);

  EXPECT_NE(KitSysUserName(), "Unknown");
  std::string temp = KitSysTempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_NE(temp.back(), '\\');
  EXPECT_NE(GetFileAttributesA(temp.c_str()), INVALID_FILE_ATTRIBUTES) << temp;

  EXPECT_GE(KitSysUptimeDays(), 0.0);
  EXPECT_LE(KitSysLastBoot(), Now());
}

TEST(KitSysBase, LongPathNames) {
  char tempBuf[MAX_PATH];
  ASSERT_GT(GetTempPathA(sizeof tempBuf, tempBuf), 0u);
  std::string dir = KitSysLongPathName(tempBuf) + "\\Vorlane Long Folder Name";
  CreateDirectoryA(dir.c_str(), nullptr);
  std::string file = dir + "\\Recorded Call File.wav";
  HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);

  char shortBuf[MAX_PATH] = {};
  DWORD n = GetShortPathNameA(file.c_str(), shortBuf, sizeof shortBuf);
  if (n > 0 && n < sizeof shortBuf) {
    EXPECT_EQ(KitSysLongPathName(shortBuf), file) << shortBuf;
  }
  EXPECT_EQ(KitSysLongPathName(UpperCase(file)).substr(dir.size()), "\\Recorded Call File.wav");
  EXPECT_EQ(KitSysLongPathName(dir + "\\"), dir);
  // What cannot be found keeps its own spelling; a wildcard never picks another file.
  EXPECT_EQ(KitSysLongPathName(dir + "\\missing.WAV"), dir + "\\missing.WAV");
  EXPECT_EQ(KitSysLongPathName(dir + "\\*.wav"), dir + "\\*.wav");
  EXPECT_EQ(KitSysLongPathName("C:\\"), "C:");
  EXPECT_EQ(KitSysLongPathName("C:"), "C:");

  DeleteFileA(file.c_str());
  RemoveDirectoryA(dir.c_str());
}

TEST(KitSysBase, UnixSecondsToLocalTime) {
  // The local-file-time conversion takes the zone's bias of now. CTest runs this executable in a
  // zone 5:30 east of UTC, so a conversion left out shows even where the host keeps UTC.
  TIME_ZONE_INFORMATION tz{};
  DWORD zone = GetTimeZoneInformation(&tz);
  LONG bias = tz.Bias + (zone == TIME_ZONE_ID_DAYLIGHT   ? tz.DaylightBias
                         : zone == TIME_ZONE_ID_STANDARD ? tz.StandardBias
                                                         : 0);
  struct Case {
    int64_t seconds;
    TDateTime utc;
  } cases[] = {
      {0, EncodeDate(1970, 1, 1)},
      {1700000000, EncodeDate(2023, 11, 14) + EncodeTime(22, 13, 20, 0)},
      {1700003600, EncodeDate(2023, 11, 14) + EncodeTime(23, 13, 20, 0)},
      {-86400 - 1, EncodeDate(1969, 12, 30) + EncodeTime(23, 59, 59, 0)},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(KitSysUnixToDateTime(c.seconds), c.utc - bias / 1440.0, 0.5 / 86400) << c.seconds << " bias " << bias;
}
