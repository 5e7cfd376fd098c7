// Date and time text under the user's formats of a few locales, set the way the user sets them:
// in HKCU\Control Panel\International of the test prefix. Runs alone (RUN_SERIAL): the prefix
// is shared, and every value is put back afterwards.
#include "DateUtils.h"
#include "SysUtils.h"
#include <gtest/gtest.h>
#include <cmath>
#include <windows.h>

namespace {
struct Setting {
  LCTYPE type;
  const char* valueName;
};
const Setting settings[] = {{LOCALE_SSHORTDATE, "sShortDate"},
                            {LOCALE_STIMEFORMAT, "sTimeFormat"},
                            {LOCALE_S1159, "s1159"},
                            {LOCALE_S2359, "s2359"}};

std::string RegistryValue(const char* name) {
  char buf[256];
  DWORD size = sizeof buf, type = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, KEY_READ, &key)) return "<no key>";
  LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(key);
  return r == ERROR_SUCCESS && type == REG_SZ ? std::string(buf) : "<missing>";
}

std::string PlatformText(LCTYPE type) {
  char buf[256];
  int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf);
  return n > 0 ? std::string(buf) : "<none>";
}

struct Locale {
  const char* name;
  const char* shortDate;
  const char* timeFormat;
  const char* am;
  const char* pm;
  const char* dateOfSample;  // 2024-03-07 21:05:02
  const char* timeOfSample;
};
const Locale locales[] = {
    {"en-US", "M/d/yyyy", "h:mm:ss tt", "AM", "PM", "3/7/2024", "9:05:02 PM"},
    {"de-DE", "dd.MM.yyyy", "HH:mm:ss", "", "", "07.03.2024", "21:05:02"},
    {"en-GB", "dd/MM/yyyy", "HH:mm:ss", "am", "pm", "07/03/2024", "21:05:02"},
    {"two-digit year", "d/M/yy", "H:mm:ss", "", "", "7/3/24", "21:05:02"},
    {"sv-SE", "yyyy-MM-dd", "HH:mm:ss", "", "", "2024-03-07", "21:05:02"},
    {"fi-FI", "d.M.yyyy", "H.mm.ss", "", "", "7.3.2024", "21.05.02"},
    {"marks first", "yyyy/MM/dd", "tt h:mm:ss", "vorm.", "nachm.", "2024/03/07", "nachm. 9:05:02"},
};

class UserLocale : public ::testing::Test {
protected:
  void SetUp() override {
    for (const Setting& s : settings) saved_.push_back(PlatformText(s.type));
  }
  void TearDown() override {
    for (size_t i = 0; i < std::size(settings); ++i) SetLocaleInfoA(LOCALE_USER_DEFAULT, settings[i].type, saved_[i].c_str());
    LoadFormatSettings();
  }
  void Use(const Locale& l) {
    const char* values[] = {l.shortDate, l.timeFormat, l.am, l.pm};
    for (size_t i = 0; i < std::size(settings); ++i) {
      ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, settings[i].type, values[i])) << settings[i].valueName;
      ASSERT_EQ(RegistryValue(settings[i].valueName), values[i]) << settings[i].valueName;
    }
    LoadFormatSettings();
  }
  std::vector<std::string> saved_;
};
}

TEST_F(UserLocale, DateAndTimeTextRoundTrip) {
  const TDateTime moments[] = {
      EncodeDate(2024, 3, 7) + EncodeTime(21, 5, 2, 0),  EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 0),
      EncodeDate(2000, 1, 1),                            EncodeDate(2024, 2, 29) + EncodeTime(12, 0, 0, 0),
      EncodeDate(2024, 11, 12) + EncodeTime(0, 30, 45, 0), EncodeDate(2031, 1, 2) + EncodeTime(9, 5, 2, 0),
  };
  for (const Locale& l : locales) {
    SCOPED_TRACE(l.name);
    Use(l);
    EXPECT_EQ(FormatSettings().ShortDateFormat, l.shortDate);
    EXPECT_EQ(FormatSettings().LongTimeFormat, l.timeFormat);
    EXPECT_EQ(DateToStr(moments[0]), l.dateOfSample);
    EXPECT_EQ(TimeToStr(moments[0]), l.timeOfSample);
    for (TDateTime m : moments) {
      std::string date = DateToStr(m), time = TimeToStr(m), both = DateTimeToStr(m);
      // The platform's own formatting of the same settings agrees with ours.
      SYSTEMTIME st;
      DateTimeToSystemTime(m, st);
      char platformDate[100], platformTime[100];
      GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, platformDate, sizeof platformDate);
      GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, platformTime, sizeof platformTime);
      EXPECT_EQ(date, platformDate);
      EXPECT_EQ(time, platformTime);

      TDateTime back = -1;
      EXPECT_TRUE(TryStrToDate(date, back)) << date;
      EXPECT_EQ(back, std::floor(m)) << date;
      EXPECT_TRUE(TryStrToTime(time, back)) << time;
      EXPECT_NEAR(back, m - std::floor(m), 1e-9) << time;
      EXPECT_TRUE(TryStrToDateTime(both, back)) << both;
      EXPECT_NEAR(back, m, 1e-9) << both;
    }
  }
}

// Text stored under one format and read under another: whatever cannot be taken in the current
// order is read in the other common orders, and nothing throws.
TEST_F(UserLocale, TextStoredUnderAnotherFormat) {
  Use(locales[0]);  // en-US
  TDateTime v;
  ASSERT_TRUE(TryStrToDateTime("2024-03-07 21:05:02", v));
  EXPECT_NEAR(v, EncodeDate(2024, 3, 7) + EncodeTime(21, 5, 2, 0), 1e-9);
  ASSERT_TRUE(TryStrToDate("31.12.1999", v));
  EXPECT_EQ(v, EncodeDate(1999, 12, 31));
  ASSERT_TRUE(TryStrToTime("21:05:02", v));
  Use(locales[1]);  // de-DE
  ASSERT_TRUE(TryStrToDate("3/7/2024", v));
  EXPECT_EQ(v, EncodeDate(2024, 7, 3));  // in the current order first
  ASSERT_TRUE(TryStrToDate("12/31/1999", v));
  EXPECT_EQ(v, EncodeDate(1999, 12, 31));
  ASSERT_TRUE(TryStrToTime("9:05:02 PM", v));
  EXPECT_NEAR(v, EncodeTime(21, 5, 2, 0), 1e-9);
}
