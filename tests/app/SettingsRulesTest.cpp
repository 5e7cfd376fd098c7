#include "SettingsRules.h"
#include <gtest/gtest.h>

TEST(SettingsRules, GainRangesOutsideTheByteOrUpsideDownBecomeTheFullRange) {
  struct Case { int min, max, wantMin, wantMax; } cases[] = {
      {0, 255, 0, 255}, {0, 31, 0, 31}, {100, 200, 100, 200},
      {-1, -1, 0, 255}, {5, 5, 0, 255}, {200, 100, 0, 255}, {0, 256, 0, 255}, {-3, 40, 0, 255},
  };
  for (const Case& c : cases) {
    int min = c.min, max = c.max;
    GainRange(min, max);
    EXPECT_EQ(min, c.wantMin) << c.min << ".." << c.max;
    EXPECT_EQ(max, c.wantMax) << c.min << ".." << c.max;
  }
}

TEST(SettingsRules, GainPositionIsTheNumberAfterTheFirstEqualsClamped) {
  struct Case { const char* command; bool taken; int position; } cases[] = {
      {"at+vgr=127", true, 127}, {"128", true, 128}, {"at+vgt=300", true, 255},
      {"at+vgr=-1", true, 0}, {"at+vgr=$10", true, 16},
      {"none", false, 99}, {"at+vgr=none", false, 99}, {"at+vgr=", false, 99}, {"at+vgr=12x", false, 99},
  };
  for (const Case& c : cases) {
    int position = 99;
    EXPECT_EQ(GainPosition(c.command, 0, 255, position), c.taken) << c.command;
    EXPECT_EQ(position, c.position) << c.command;
  }
}

TEST(SettingsRules, RingTimeOutAndLayout) {
  for (int ms : {1300, 10233, 15600}) EXPECT_TRUE(RingTimeOutValid(ms)) << ms;
  for (int ms : {0, 5, 1299, 15601, -10233}) EXPECT_FALSE(RingTimeOutValid(ms)) << ms;
  EXPECT_EQ(LayoutWidth(-40), 10);
  EXPECT_EQ(LayoutWidth(9), 10);
  EXPECT_EQ(LayoutWidth(75), 75);

  RECT work = {0, 0, 1024, 738}, designed = {150, 360, 650, 880};
  struct Case { RECT stored; bool kept; } cases[] = {
      {{10, 10, 500, 500}, true}, {{1000, 700, 1600, 1300}, true},
      {{2000, 100, 2500, 600}, false}, {{-900, -900, -100, -100}, false}, {{100, 100, 105, 600}, false},
  };
  for (const Case& c : cases) {
    RECT got = MainBounds(c.stored, designed, work);
    const RECT& want = c.kept ? c.stored : designed;
    EXPECT_TRUE(EqualRect(&got, &want)) << c.stored.left << "," << c.stored.top;
  }
}

TEST(SettingsRules, BinIsExactly256HexDigitsOfEitherCase) {
  uint8_t bytes[FormatBytes];
  for (int i = 0; i < FormatBytes; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  std::string hex = FormatToHex(bytes);
  ASSERT_EQ(hex.size(), 256u);
  EXPECT_EQ(hex.substr(0, 8), "030A1118");
  EXPECT_EQ(hex.find_first_of("abcdef"), std::string::npos);

  uint8_t back[FormatBytes] = {};
  ASSERT_TRUE(HexToFormat(hex, back));
  EXPECT_EQ(0, memcmp(back, bytes, FormatBytes));
  std::string lower = hex;
  for (char& c : lower) c = static_cast<char>(tolower(c));
  memset(back, 0, sizeof back);
  ASSERT_TRUE(HexToFormat(lower, back));
  EXPECT_EQ(0, memcmp(back, bytes, FormatBytes));

  std::string bad[] = {"", hex.substr(0, 254), hex + "00", hex.substr(0, 255) + "G",
                       " " + hex.substr(1), hex.substr(0, 128)};
  for (const std::string& text : bad) {
    memset(back, 0x5A, sizeof back);
    EXPECT_FALSE(HexToFormat(text, back)) << text.size();
    EXPECT_EQ(back[0], 0x5A) << "a refused value must leave the bytes alone";
  }
}
