#include "DateUtils.h"
#include "Exception.h"
#include "SysUtils.h"
#include <gtest/gtest.h>
#include <cmath>

namespace {
// Known settings for the test, whatever the prefix holds; the user's are put back after.
class DateText : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = FormatSettings();
    TFormatSettings& f = FormatSettings();
    f = TFormatSettings();
    static const char* const months[12] = {"January", "February", "March",     "April",   "May",      "June",
                                           "July",    "August",   "September", "October", "November", "December"};
    static const char* const days[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    for (int i = 0; i < 12; ++i) {
      f.LongMonthNames[i] = months[i];
      f.ShortMonthNames[i] = std::string(months[i], 3);
    }
    for (int i = 0; i < 7; ++i) {
      f.LongDayNames[i] = days[i];
      f.ShortDayNames[i] = std::string(days[i], 3);
    }
  }
  void TearDown() override { FormatSettings() = saved_; }
  static TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return ComposeDateTime(EncodeDate(y, mo, d), EncodeTime(h, mi, s, ms));
  }
  TFormatSettings saved_;
};

int ThisYear() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return st.wYear;
}
}

TEST(DateTime, DaysSince18991230) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2024, 3, 7), 45358);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  EXPECT_EQ(EncodeDate(2024, 3, 1) - EncodeDate(2024, 2, 28), 2);  // leap day
  EXPECT_EQ(EncodeDate(1900, 3, 1) - EncodeDate(1900, 2, 28), 1);  // 1900 is no leap year
  EXPECT_EQ(EncodeDate(2000, 3, 1) - EncodeDate(2000, 2, 28), 2);
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  for (auto bad : {std::make_tuple(2023, 2, 29), std::make_tuple(0, 1, 1), std::make_tuple(2024, 13, 1),
                   std::make_tuple(2024, 4, 31), std::make_tuple(10000, 1, 1)})
    EXPECT_THROW(EncodeDate(std::get<0>(bad), std::get<1>(bad), std::get<2>(bad)), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

TEST(DateTime, DecodeRoundsToTheMillisecond) {
  struct Case {
    int y, mo, d, h, mi, s, ms;
  } cases[] = {{2024, 3, 7, 9, 5, 2, 340}, {1, 1, 1, 0, 0, 0, 0},     {9999, 12, 31, 23, 59, 59, 999},
               {1899, 12, 29, 6, 0, 0, 0}, {1850, 6, 15, 18, 30, 0, 1}, {2000, 2, 29, 12, 0, 0, 0}};
  for (const Case& c : cases) {
    TDateTime v = ComposeDateTime(EncodeDate(c.y, c.mo, c.d), EncodeTime(c.h, c.mi, c.s, c.ms));
    int y, mo, d, h, mi, s, ms;
    DecodeDate(v, y, mo, d);
    DecodeTime(v, h, mi, s, ms);
    EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s, ms}), (std::vector<int>{c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms}))
        << c.y << "-" << c.mo << "-" << c.d;
  }
  EXPECT_DOUBLE_EQ(ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0, 0)), -1.25);
  int y, mo, d, h, mi, s, ms;
  TDateTime almostMidnight = EncodeDate(2024, 3, 7) + (86400000.0 - 0.4) / 86400000.0;
  DecodeDate(almostMidnight, y, mo, d);
  DecodeTime(almostMidnight, h, mi, s, ms);
  EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s, ms}), (std::vector<int>{2024, 3, 8, 0, 0, 0, 0}));
  DecodeDate(NAN, y, mo, d);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 7)), 5);  // a Thursday
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 24)), 1);

  SYSTEMTIME st;
  DateTimeToSystemTime(EncodeDate(2024, 3, 7) + EncodeTime(9, 5, 2, 340), st);
  EXPECT_EQ(st.wYear, 2024);
  EXPECT_EQ(st.wDayOfWeek, 4);
  EXPECT_EQ(st.wMilliseconds, 340);
  EXPECT_DOUBLE_EQ(SystemTimeToDateTime(st), EncodeDate(2024, 3, 7) + EncodeTime(9, 5, 2, 340));
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_NEAR(Now(), SystemTimeToDateTime(now), 5.0 / 86400);
  EXPECT_EQ(Date(), std::floor(Now()));
}

TEST_F(DateText, PicturesOfThePlatform) {
  TDateTime morning = At(2024, 3, 7, 9, 5, 2), evening = At(2024, 11, 12, 21, 30, 45);
  struct Case {
    const char* picture;
    TDateTime value;
    const char* text;
  } cases[] = {
      {"M/d/yyyy", morning, "3/7/2024"},
      {"MM/dd/yy", morning, "03/07/24"},
      {"dd.MM.yyyy", morning, "07.03.2024"},
      {"d/M/y", At(2005, 1, 2), "2/1/5"},
      {"h:mm:ss tt", morning, "9:05:02 AM"},
      {"h:mm:ss tt", evening, "9:30:45 PM"},
      {"hh:mm t", At(2024, 1, 1, 0, 30), "12:30 A"},
      {"h:mm tt", At(2024, 1, 1, 12, 0), "12:00 PM"},
      {"HH:mm:ss", morning, "09:05:02"},
      {"H:mm:ss", evening, "21:30:45"},
      {"dddd, MMMM d, yyyy", morning, "Thursday, March 7, 2024"},
      {"ddd dd-MMM-yyyy", evening, "Tue 12-Nov-2024"},
      {"'Day' d", morning, "Day 7"},
      {"h 'o''clock'", morning, "9 o'clock"},
      {"yyyy-MM-dd", At(1, 1, 1), "0001-01-01"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.picture, c.value), c.text) << c.picture;
  EXPECT_EQ(DateToStr(morning), "3/7/2024");
  EXPECT_EQ(TimeToStr(morning), "9:05:02 AM");
  EXPECT_EQ(DateTimeToStr(morning), "3/7/2024 9:05:02 AM");
  EXPECT_EQ(DateTimeToStr(At(2024, 3, 7)), "3/7/2024");
}

TEST_F(DateText, DatesReadInTheFormatThenInOtherForms) {
  int year = ThisYear();
  struct Case {
    const char* text;
    int y, mo, d;  // 0: not a date
  } cases[] = {
      {"3/7/2024", 2024, 3, 7},
      {" 03/07/2024 ", 2024, 3, 7},
      {"2024-03-07", 2024, 3, 7},      // year first
      {"13/7/2024", 2024, 7, 13},      // month 13: day first
      {"13.07.2024", 2024, 7, 13},
      {"3-7-2024", 2024, 3, 7},
      {"7 Mar 2024", 2024, 3, 7},
      {"March 7, 2024", 2024, 3, 7},
      {"Thursday, March 7, 2024", 2024, 3, 7},
      {"3/7/24", 2024, 3, 7},
      {"12/31/99", 1999, 12, 31},
      {"1/1/0030", 30, 1, 1},
      {"3/7", year, 3, 7},
      {"2/29/2024", 2024, 2, 29},
      {"", 0, 0, 0},
      {"abc", 0, 0, 0},
      {"2/30/2024", 0, 0, 0},
      {"13/13/2024", 0, 0, 0},
      {"3/7/2024 x", 0, 0, 0},
      {"9:05:02", 0, 0, 0},
      {"3/7/2024 9:05", 0, 0, 0},
      {"1/2/3/4", 0, 0, 0},
      {"0/0/0", 0, 0, 0},
      {"3/7/99999999999", 0, 0, 0},
  };
  for (const Case& c : cases) {
    TDateTime v = -1;
    bool ok = TryStrToDate(c.text, v);
    EXPECT_EQ(ok, c.y != 0) << c.text;
    if (ok && c.y) {
      EXPECT_EQ(v, EncodeDate(c.y, c.mo, c.d)) << c.text;
    }
  }
  try {
    StrToDate("x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'x' is not a valid date");
  }
}

TEST_F(DateText, TimesIn24HourAndAmPmForms) {
  struct Case {
    const char* text;
    int h, mi = 0, s = 0, ms = 0;  // h -1: not a time
  } cases[] = {
      {"9:05:02 AM", 9, 5, 2, 0},   {"9:05:02 pm", 21, 5, 2, 0},   {"12:00:00 AM", 0, 0, 0, 0},
      {"12:00:00 PM", 12, 0, 0, 0}, {"12:30 A", 0, 30, 0, 0},      {"21:05", 21, 5, 0, 0},
      {"09:05:02.340", 9, 5, 2, 340}, {"9:05:02,5", 9, 5, 2, 500}, {"9 PM", 21, 0, 0, 0},
      {"AM 9:05", 9, 5, 0, 0},      {"0:00:00", 0, 0, 0, 0},       {"23:59:59", 23, 59, 59, 0},
      {"13:00 PM", -1},             {"24:00", -1},                 {"9:60", -1},
      {"9", -1},                    {"9:05:02:11", -1},            {"", -1},
      {"9:05 XM", -1},              {"AM 9:05 PM", -1},            {"9:05:99", -1},
  };
  for (const Case& c : cases) {
    TDateTime v = -1;
    bool ok = TryStrToTime(c.text, v);
    EXPECT_EQ(ok, c.h >= 0) << c.text;
    if (ok && c.h >= 0) {
      EXPECT_DOUBLE_EQ(v, EncodeTime(c.h, c.mi, c.s, c.ms)) << c.text;
    }
  }
  EXPECT_THROW(StrToTime("noon"), EConvertError);
}

TEST_F(DateText, DateAndTimeTogether) {
  TDateTime v;
  ASSERT_TRUE(TryStrToDateTime("3/7/2024 9:05:02 AM", v));
  EXPECT_DOUBLE_EQ(v, At(2024, 3, 7, 9, 5, 2));
  ASSERT_TRUE(TryStrToDateTime("2024-03-07T21:05:02", v));
  EXPECT_DOUBLE_EQ(v, At(2024, 3, 7, 21, 5, 2));
  ASSERT_TRUE(TryStrToDateTime("3/7/2024", v));
  EXPECT_DOUBLE_EQ(v, At(2024, 3, 7));
  ASSERT_TRUE(TryStrToDateTime("9:05:02 PM", v));
  EXPECT_DOUBLE_EQ(v, EncodeTime(21, 5, 2, 0));
  ASSERT_TRUE(TryStrToDateTime("6/15/1850 6:00", v));
  EXPECT_DOUBLE_EQ(v, At(1850, 6, 15, 6, 0));
  EXPECT_FALSE(TryStrToDateTime("3/7/2024 9:05:02 xyz", v));
  EXPECT_FALSE(TryStrToDateTime("3/7/2024 25:00", v));
  EXPECT_THROW(StrToDateTime("3/7/2024 25:00"), EConvertError);
}

TEST_F(DateText, NeverThrowsOnDamagedText) {
  const std::string samples[] = {"3/7/2024 9:05:02 AM", "2024-03-07T21:05:02.123", "Thursday, March 7, 2024",
                                 "12:30 PM", std::string("\x00\xff\x80/:.,-", 9)};
  for (const std::string& s : samples) {
    for (size_t n = 0; n <= s.size(); ++n) {
      for (std::string t : {s.substr(0, n), s.substr(n), s.substr(0, n) + "\xff" + s.substr(n)}) {
        TDateTime v;
        EXPECT_NO_THROW(TryStrToDate(t, v)) << t;
        EXPECT_NO_THROW(TryStrToTime(t, v)) << t;
        EXPECT_NO_THROW(TryStrToDateTime(t, v)) << t;
      }
    }
  }
}
