#include "LineState.h"
#include <gtest/gtest.h>
#include <cmath>
#include <vector>

namespace {

std::vector<double> Tone(std::initializer_list<double> hz, int rate = 8000, double amp = 60) {
  std::vector<double> s(TraceFrameSize);
  for (int i = 0; i < TraceFrameSize; ++i) {
    double v = 0;
    for (double f : hz) v += std::sin(2 * 3.14159265358979323846 * f * i / rate + 0.3);
    s[i] = std::round(128 + amp * v / hz.size());
  }
  return s;
}

}  // namespace

TEST(LineState, PeriodicOnlyWithJitteredCrossings) {
  EXPECT_TRUE(IsPeriodicSignal(Tone({425}).data(), TraceFrameSize));
  EXPECT_FALSE(IsPeriodicSignal(Tone({400}).data(), TraceFrameSize));   // intervals all 20: sd 0
  EXPECT_FALSE(IsPeriodicSignal(Tone({1000}).data(), TraceFrameSize));  // all 8, sd 0
  EXPECT_FALSE(IsPeriodicSignal(Tone({480, 620}).data(), TraceFrameSize));
  std::vector<double> flat(TraceFrameSize, 128);
  EXPECT_FALSE(IsPeriodicSignal(flat.data(), TraceFrameSize));
}

TEST(LineState, NeedsThirteenCrossings) {
  // Crossings placed by hand: interval 30 or 31 alternating, sd about 0.5.
  auto frame = [](int crossings) {
    std::vector<double> s(TraceFrameSize, 100);
    int pos = 5;
    for (int k = 0; k < crossings; ++k) {
      s[pos - 1] = 100;
      s[pos + 1] = 200;
      s[pos + 2] = 200;
      pos += k % 2 ? 30 : 31;
    }
    return s;
  };
  EXPECT_FALSE(IsPeriodicSignal(frame(12).data(), TraceFrameSize));
  EXPECT_TRUE(IsPeriodicSignal(frame(13).data(), TraceFrameSize));
}

TEST(LineState, QuietFrames) {
  std::vector<double> flat(TraceFrameSize, 128);
  EXPECT_TRUE(IsQuietFrame(flat.data(), TraceFrameSize));
  flat[7] = 200;
  EXPECT_FALSE(IsQuietFrame(flat.data(), TraceFrameSize));
  EXPECT_FALSE(IsQuietFrame(Tone({425}).data(), TraceFrameSize));
}

TEST(LineState, FramesInDiscTime) {
  EXPECT_EQ(52, FramesInDiscTime(10, 8000));
  EXPECT_EQ(10, FramesInDiscTime(2, 8000));
  EXPECT_EQ(47, FramesInDiscTime(10, 7200));
  EXPECT_EQ(0, FramesInDiscTime(0, 8000));
}

TEST(LineState, FlipSign) {
  uint8_t b[] = {0x00, 0x7F, 0x80, 0xFF};
  FlipSign(b, 4, "UNSIGNED PCM");
  EXPECT_EQ(0x00, b[0]);
  FlipSign(b, 4, "SIGNED PCM");
  EXPECT_EQ(0x80, b[0]);
  EXPECT_EQ(0xFF, b[1]);
  EXPECT_EQ(0x00, b[2]);
  EXPECT_EQ(0x7F, b[3]);
}

TEST(LineState, SilenceVerdictAfterTheWindowFills) {
  std::vector<uint8_t> quiet(TraceFrameSize + 1, 128), tone(TraceFrameSize + 1);
  auto t = Tone({425});
  for (int i = 0; i < TraceFrameSize; ++i) tone[i + 1] = static_cast<uint8_t>(t[i]);
  std::vector<std::string> lines;
  TLineStateDetector d;
  d.OnLine = [&](const std::string& l) { lines.push_back(l); };
  d.Start(10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(lsOther, d.DetectLineState(quiet.data())) << i;
  EXPECT_EQ(lsSilence, d.DetectLineState(quiet.data()));
  EXPECT_EQ("Silence...", lines.back());
  // Two loud frames among ten keep the window below 85% quiet.
  d.Start(10);
  EXPECT_EQ(lsPeriodic, d.DetectLineState(tone.data()));
  EXPECT_EQ("Periodic signal...", lines.back());
  d.DetectLineState(tone.data());
  for (int i = 0; i < 8; ++i) d.DetectLineState(quiet.data());
  EXPECT_EQ(lsPeriodic, d.DetectLineState(tone.data()));  // 8 of the last 10 quiet
  EXPECT_EQ(lsSilence, d.DetectLineState(quiet.data()));  // 9 of 10
  // A window of 0 frames: the first frame already is silence.
  d.Start(0);
  EXPECT_EQ(lsSilence, d.DetectLineState(tone.data()));
}
