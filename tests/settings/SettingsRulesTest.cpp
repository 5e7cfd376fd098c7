#include "SettingsRules.h"
#include "WaveFormat.h"
#include <functional>
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

TEST(SettingsRules, TextThatCannotBeTheSettingsFileSaysWhy) {
  const std::string good = "[Modem]\r\nport=3\r\n; a note\r\n\r\n[Params]\r\nPlayer=  \r\n";
  EXPECT_EQ(SettingsTextFault(good), "");
  EXPECT_EQ(SettingsTextFault("[Modem]\nport=3\n"), "");
  struct Case { std::string text, fault; } cases[] = {
      {"", "it is empty"},
      {" \r\n\r\n", "it is empty"},
      {good.substr(0, 20), "it ends in the middle of a line"},
      {"[Mod", "it ends in the middle of a line"},
      {"[Modem]\r\nport=3\r\n" + std::string("\x00\x9c\xff\r\n", 5), "it holds bytes that are not text"},
      {"[Modem]\r\nport=3\r\nlorem ipsum\r\n", "line 3 is not a setting"},
      {"[Modem\r\nport=3\r\n", "line 1 is not a section"},
      {"port=3\r\n[Modem]\r\n", "line 1 is outside any section"},
  };
  for (const Case& c : cases) EXPECT_EQ(SettingsTextFault(c.text), c.fault) << c.text;
}

TEST(SettingsRules, AFormatThatCannotBeRecordedWithSaysWhy) {
  auto pcm = [] {
    TdeWaveFormat f;
    const BYTE b[] = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0, 0, 0};
    f.LoadFromBuffer(b, sizeof b);
    return f;
  };
  TdeWaveFormat ima;
  const BYTE b[] = {0x11, 0, 1, 0, 0x40, 0x1F, 0, 0, 0xD7, 0x0F, 0, 0, 0, 1, 4, 0, 2, 0, 0xF9, 0x01};
  ima.LoadFromBuffer(b, sizeof b);
  EXPECT_EQ(FormatFault(pcm()), "");
  EXPECT_EQ(FormatFault(ima), "");
  TdeWaveFormat pcm7200 = pcm();  // a modem's rate that the PCM codec does not list
  pcm7200.SetSamplesPerSec(7200);
  pcm7200.SetAvgBytesPerSec(7200);
  EXPECT_EQ(FormatFault(pcm7200), "");

  struct Case { const char* fault; std::function<void(TdeWaveFormat&)> damage; } cases[] = {
      {"it has 0 channels", [](TdeWaveFormat& f) { f.SetChannels(0); }},
      {"it has no format tag", [](TdeWaveFormat& f) { f.SetFormatTag(0); }},
      {"no codec knows it (format tag 4660)", [](TdeWaveFormat& f) { f.SetFormatTag(0x1234); }},
      {"its rate is 4000000000 Hz", [](TdeWaveFormat& f) { f.SetSamplesPerSec(4000000000u); }},
      {"its rate is 0 Hz", [](TdeWaveFormat& f) { f.SetSamplesPerSec(0); }},
      {"it has no block alignment or byte rate", [](TdeWaveFormat& f) { f.SetBlockAlign(0); }},
      {"its PCM sizes disagree", [](TdeWaveFormat& f) { f.SetAvgBytesPerSec(16000); }},
      {"its PCM sizes disagree", [](TdeWaveFormat& f) { f.SetBitsPerSample(12); }},
  };
  for (const Case& c : cases) {
    TdeWaveFormat f = pcm();
    c.damage(f);
    EXPECT_EQ(FormatFault(f), c.fault);
  }
  TdeWaveFormat huge = ima;
  BYTE bytes[128];
  huge.SaveToBuffer(bytes);
  bytes[16] = 200;  // the extra size past the block
  huge.LoadFromBuffer(bytes, sizeof bytes);
  EXPECT_EQ(FormatFault(huge), "its extra size runs past its block");
}
