#include "LineState.h"
#include <gtest/gtest.h>
#include <cmath>
#include <functional>
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

TEST(LineState, PeriodicWhenTheCrossingsAgree) {
  EXPECT_TRUE(IsPeriodicSignal(Tone({425}).data(), TraceFrameSize));
  // Intervals all equal (sd 0) are a tone as well: 20 samples at 400 Hz; at 1000 Hz the hold-off
  // skips every other crossing.
  EXPECT_EQ(20.0, PeriodicInterval(Tone({400}).data(), TraceFrameSize));
  EXPECT_EQ(16.0, PeriodicInterval(Tone({1000}).data(), TraceFrameSize));
  EXPECT_NEAR(8000 / 425.0, PeriodicInterval(Tone({425}).data(), TraceFrameSize), 0.05);
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

namespace {

// Eight-bit trace samples around 128 by sample number.
using Signal = std::function<int(long)>;

int Noise(long i, int lsb) {
  uint32_t h = static_cast<uint32_t>(i) * 2654435761u;
  h ^= h >> 15;
  return lsb ? static_cast<int>(h % (2 * lsb + 1)) - lsb : 0;
}

// A tone at -13 dBm0 (about 20 steps of the 8-bit scale), cadenced on/off ms (off 0: steady).
Signal ToneSignal(double hz, int onMs, int offMs, int noiseLsb) {
  return [=](long i) {
    long period = (onMs + offMs) * 8L;
    bool on = offMs == 0 || i % period < onMs * 8L;
    double v = on ? 20 * std::sin(2 * 3.14159265358979323846 * hz * i / 8000) : 0;
    return 128 + static_cast<int>(std::lround(v)) + Noise(i, noiseLsb);
  };
}

// Hold music: one note at a time, 400 ms each, notes coming back every few seconds.
Signal Melody() {
  return [](long i) {
    static const double notes[] = {440, 494, 523, 587, 659, 587, 523, 494};
    double hz = notes[(i / 3200) % 8];
    return 128 + static_cast<int>(std::lround(40 * std::sin(2 * 3.14159265358979323846 * hz * i / 8000)));
  };
}

// Talk: mostly no tone, a stray periodic frame now and then at the pitch of the moment. Before,
// these added up to a hang-up.
Signal Talk() {
  return [](long i) {
    static const double pitches[] = {425, 470, 520, 380, 610};
    long frame = i / TraceFrameSize;
    if (frame % 9 == 8) return ToneSignal(pitches[(frame / 9) % 5], 1000, 0, 0)(i);
    return 128 + Noise(i, 30);
  };
}

struct HangUpFrames {
  int now = 0;     // first frame with LineStateCount() >= 12, 0 never
  int before = 0;  // the same verdicts counted as before: +1 a periodic frame, 12 at silence
};

HangUpFrames HangUpAt(const Signal& signal, int window, int maxFrames) {
  TLineStateDetector d;
  d.Start(window);
  std::vector<uint8_t> frame(TraceFrameSize + 1);
  HangUpFrames got;
  int before = 0;
  long sample = 0;
  for (int f = 1; f <= maxFrames && (!got.now || !got.before); ++f) {
    for (int k = 1; k <= TraceFrameSize; ++k) frame[k] = static_cast<uint8_t>(signal(sample++));
    TLineState state = d.DetectLineState(frame.data());
    before = state == lsSilence ? 12 : before + (state == lsPeriodic);
    if (!got.before && before >= 12) got.before = f;
    if (!got.now && d.LineStateCount() >= TLineStateDetector::HangUpCount) got.now = f;
  }
  return got;
}

}  // namespace

// Periodic frames count only while they are of one tone: hang-up tones end the call as soon as
// before, speech and music no more.
TEST(LineState, HangUpByOneToneWithinTheWindow) {
  const int window = 52;  // 10 s
  struct Case {
    const char* name;
    Signal signal;
    bool ends;
  } cases[] = {
      {"steady 425 Hz", ToneSignal(425, 1000, 0, 0), true},
      {"steady 425 Hz, 2 LSB noise", ToneSignal(425, 1000, 0, 2), true},
      {"425 Hz 480/480", ToneSignal(425, 480, 480, 0), true},
      {"425 Hz 480/480, 2 LSB noise", ToneSignal(425, 480, 480, 2), true},
      {"400 Hz 375/375, 2 LSB noise", ToneSignal(400, 375, 375, 2), true},
      {"silence", ToneSignal(425, 0, 1000, 0), true},
      {"melody", Melody(), false},
      {"talk", Talk(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HangUpFrames got = HangUpAt(c.signal, window, 3000);
    ASSERT_GT(got.before, 0);  // each of them ended the call before
    if (c.ends) {
      EXPECT_GT(got.now, 0);
      EXPECT_LE(got.now, got.before);
    } else {
      EXPECT_EQ(0, got.now);
    }
  }
  EXPECT_EQ(12, HangUpAt(ToneSignal(425, 1000, 0, 0), window, 100).now);
  EXPECT_EQ(window + 1, HangUpAt(ToneSignal(425, 0, 1000, 0), window, 100).now);
}

// A periodic frame of another tone starts the count anew; the tone must hold four fifths of the
// window's periodic frames; its frames add up while each comes within the window of the last.
TEST(LineState, ToneCountRestartsOnAnotherToneOrAfterAWindowWithoutIt) {
  auto frameOf = [](double hz) {
    std::vector<uint8_t> f(TraceFrameSize + 1);
    auto t = Tone({hz});
    for (int i = 0; i < TraceFrameSize; ++i) f[i + 1] = static_cast<uint8_t>(t[i]);
    return f;
  };
  auto a = frameOf(425), b = frameOf(445);  // 4.7 % apart: two tones
  std::vector<uint8_t> noise(TraceFrameSize + 1);
  for (int i = 0; i <= TraceFrameSize; ++i) noise[i] = static_cast<uint8_t>(128 + Noise(i, 30));
  auto feed = [](TLineStateDetector& d, const std::vector<uint8_t>& f, int n) {
    for (int i = 0; i < n; ++i) d.DetectLineState(f.data());
    return d.LineStateCount();
  };
  TLineStateDetector d;
  d.Start(20);
  EXPECT_EQ(5, feed(d, a, 5));
  EXPECT_EQ(5, feed(d, noise, 1));
  EXPECT_EQ(0, feed(d, b, 1));  // b's count starts, a holds the window
  EXPECT_EQ(0, feed(d, b, 3));
  EXPECT_EQ(4, feed(d, noise, 15));  // the a frames have left the window
  EXPECT_EQ(4, feed(d, noise, 4));
  EXPECT_EQ(0, feed(d, noise, 1));  // a whole window without b
  // One tone frame in five, as a cadenced tone with noise may give: 12 take longer than the window.
  d.Start(20);
  for (int i = 0; i < 11; ++i) {
    feed(d, a, 1);
    feed(d, noise, 4);
  }
  EXPECT_EQ(12, feed(d, a, 1));
  d.Clear();
  EXPECT_EQ(0, d.LineStateCount());
  // Two stray frames of another tone before a busy tone do not hold it up.
  d.Start(52);
  feed(d, b, 2);
  EXPECT_EQ(12, feed(d, a, 12));
}
