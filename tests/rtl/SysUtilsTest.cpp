#include "Exception.h"
#include "SysUtils.h"
#include <gtest/gtest.h>

TEST(SysUtils, TrimDropsBlanksAndControlCharactersOnly) {
  EXPECT_EQ(Trim(" \t\r\n\x01 ab c\x1f \r\n"), "ab c");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim(" \t "), "");
  EXPECT_EQ(Trim("\x7f" "a" "\xa0"), "\x7f" "a" "\xa0");  // DEL and non-breaking space are text
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight(std::string("  a \0", 5)), "  a");
}

TEST(SysUtils, CaseHelpers) {
  EXPECT_EQ(UpperCase("ForCallerId none \xe4"), "FORCALLERID NONE \xe4");
  EXPECT_EQ(LowerCase("MAILTO:X \xc4"), "mailto:x \xc4");
  EXPECT_EQ(AnsiUpperCase("\xe4" "b"), "\xc4" "B");  // code page 1252
  EXPECT_TRUE(SameText("Params", "params"));
  EXPECT_FALSE(SameText("Param", "Params"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareStr("abc", "ABD"), 0);
  EXPECT_EQ(StringReplaceAll("#a##b", "#", "\t"), "\ta\t\tb");
  EXPECT_EQ(StringReplaceAll("aaa", "aa", "b"), "ba");
}

TEST(SysUtils, IntegerText) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  } cases[] = {
      {"12", true, 12},         {" 12", true, 12},         {"+7", true, 7},          {"-7", true, -7},
      {"$FF", true, 255},       {"0x1a", true, 26},        {"0XFF", true, 255},      {"-$10", true, -16},
      {"$FFFFFFFF", true, -1},  {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
      {"007", true, 7},         {"", false, 0},            {" ", false, 0},          {"12 ", false, 0},
      {"1.0", false, 0},        {"abc", false, 0},         {"0x", false, 0},         {"$", false, 0},
      {"-", false, 0},          {"2147483648", false, 0},  {"$100000000", false, 0}, {"True", false, 0},
      {"12a", false, 0},        {"99999999999999999999999", false, 0},
  };
  for (const Case& c : cases) {
    int v = -99;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
    EXPECT_EQ(StrToIntDef(c.text, -99), c.ok ? c.value : -99) << c.text;
  }
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(INT64_MAX), "9223372036854775807");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(0xABCDEF12, 2), "ABCDEF12");
  try {
    StrToInt("1x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'1x' is not a valid integer value");
  }
}

TEST(SysUtils, FloatTextFollowsTheDecimalSeparator) {
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(-0.25), "-0.25");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(1.5e-6), "1.5E-6");
  EXPECT_EQ(FloatToStr(0), "0");

  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {{"1.5", true, 1.5}, {" 2 ", true, 2},  {"-3e2", true, -300}, {"+.5", true, 0.5}, {"1.", true, 1},
               {"1E-2", true, 0.01}, {"", false, 0}, {"1,5", false, 0},    {".", false, 0},    {"e5", false, 0},
               {"1e", false, 0},   {"inf", false, 0}, {"nan", false, 0},   {"0x10", false, 0}, {"1e999", false, 0},
               {"1.2.3", false, 0}};
  for (const Case& c : cases) {
    double v = -99;
    EXPECT_EQ(TryStrToFloat(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
  EXPECT_THROW(StrToFloat("x"), EConvertError);

  char saved = FormatSettings().DecimalSeparator;
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(1.5), "1,5");
  EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
  double v;
  EXPECT_FALSE(TryStrToFloat("1.5", v));
  FormatSettings().DecimalSeparator = saved;
}

TEST(SysUtils, FormatFloatPatterns) {
  struct Case {
    const char* pattern;
    double value;
    const char* text;
  } cases[] = {
      {"0.", 12.75, "13"},     {"0.##", 1.5, "1.5"},     {"0.##", 2, "2"},          {"0.##", 1.0 / 3, "0.33"},
      {"0.##", -0.001, "0"},   {"0.00", 1.5, "1.50"},    {"0.####", 1234.56789, "1234.5679"},
      {"#.##", 0.5, ".5"},     {"#", 0, "0"},            {"0.#", -2.25, "-2.3"},    {"000", 7, "007"},
      {"0.##' %'", 12.5, "12.5' %'"}, {"0.##", 1.005, "1.01"},  {"0.##", 9.999, "10"},
      {"0.###", 1e-7, "0"},    {"0.##", 123456789012, "123456789012"},       {"0.", 0.5, "1"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.pattern, c.value), c.text) << c.pattern << " " << c.value;
  char saved = FormatSettings().DecimalSeparator;
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(FormatFloat("0.###", 3.25), "3,25");
  FormatSettings().DecimalSeparator = saved;
}

TEST(SysUtils, RoundTakesHalvesToEven) {
  struct Case {
    double value;
    int64_t rounded;
  } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-50.5, -50},
               {2.4999, 2}, {2.5001, 3}, {-2.6, -3}, {1e12 + 0.5, 1000000000000}};
  for (const Case& c : cases) EXPECT_EQ(Round(c.value), c.rounded) << c.value;
  EXPECT_EQ(Round(10 / 0.192), 52);
  EXPECT_EQ(Round(int64_t(7872) * 1.3), 10234);
  EXPECT_EQ(Trunc(-1.7), -1);
  EXPECT_EQ(Trunc(1.7), 1);
}

TEST(SysUtils, FormatIsPrintf) {
  EXPECT_EQ(Format("%8.8X", 255u), "000000FF");
  EXPECT_EQ(Format("%2.2d/%2.2d/%4.4d", 3, 7, 2024), "03/07/2024");
  EXPECT_EQ(Format("%s", std::string(1000, 'x').c_str()).size(), 1000u);
  EXPECT_EQ(Format("plain"), "plain");
}

TEST(SysUtils, FileNames) {
  EXPECT_EQ(ExtractFilePath("C:\\a\\b.txt"), "C:\\a\\");
  EXPECT_EQ(ExtractFileDir("C:\\a\\b.txt"), "C:\\a");
  EXPECT_EQ(ExtractFileDir("C:\\b.txt"), "C:\\");
  EXPECT_EQ(ExtractFileDir("C:b.txt"), "C:");
  EXPECT_EQ(ExtractFileDir("b.txt"), "");
  EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(ExtractFileName("wav/x.wav"), "x.wav");
  EXPECT_EQ(ExtractFileExt("C:\\a.b\\c"), "");
  EXPECT_EQ(ExtractFileExt("Recordings.d"), ".d");
  EXPECT_EQ(ChangeFileExt("Recordings.d", ".~d"), "Recordings.~d");
  EXPECT_EQ(ChangeFileExt("C:\\x.y\\settings", ".INI"), "C:\\x.y\\settings.INI");
  EXPECT_EQ(ChangeFileExt("a.tar.gz", ""), "a.tar");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\a\\"), "C:\\a");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\a"), "C:\\a");
}
