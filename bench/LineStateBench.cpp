// The hang-up rule over long signals: when each signal would end a recording under the rule of
// the line-state detector, beside the rule it replaced, both from the same frames in the same
// run. The rule before: a frame was periodic when its crossing intervals had a deviation in
// (0, 1], each periodic frame added one and nothing reset the sum, 12 ended the call; a silence
// verdict (unchanged) ended it at once.
//   line_state_bench [--disc SECONDS] [NAME=FILE.u8 ...]
// FILE.u8: raw unsigned 8-bit mono at 8000 Hz, as the trace converter hands it on. The
// hang-up tones are generated here.
#include "LineState.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 8000;
// The engine stores 1536 samples of a trace frame and drops the one that completes it.
constexpr int FrameStep = TraceFrameSize + 1;

// The periodic verdict before, as it was written.
bool PeriodicBefore(const double* s, int n) {
  TCrossingIntervals m = CrossingIntervals(s, n);
  return m.Count > 10 && m.Deviation > 0 && m.Deviation <= 1.0;
}

constexpr double Never = -1e9;

struct Result {
  double seconds = 0;
  int periodic = 0;
  double endsBefore = Never;  // seconds
  double endsNow = Never;
};

Result Run(const std::vector<uint8_t>& signal, int discTime) {
  TLineStateDetector detector;
  detector.Start(FramesInDiscTime(discTime, Rate));
  std::vector<uint8_t> frame(TraceFrameSize + 1);
  std::vector<double> samples(TraceFrameSize);
  Result r;
  int before = 0;
  size_t frames = signal.size() / FrameStep;
  for (size_t f = 0; f < frames; ++f) {
    std::copy_n(signal.begin() + static_cast<long>(f * FrameStep), TraceFrameSize, frame.begin() + 1);
    TLineState state = detector.DetectLineState(frame.data());
    double t = static_cast<double>((f + 1) * FrameStep) / Rate;
    std::copy_n(frame.begin() + 1, TraceFrameSize, samples.begin());
    bool periodicBefore = PeriodicBefore(samples.data(), TraceFrameSize);
    r.periodic += periodicBefore;
    before = state == lsSilence ? 12 : before + periodicBefore;
    if (r.endsBefore == Never && before >= 12) r.endsBefore = t;
    if (r.endsNow == Never && detector.LineStateCount() >= TLineStateDetector::HangUpCount) r.endsNow = t;
  }
  r.seconds = static_cast<double>(signal.size()) / Rate;
  return r;
}

// A tone at -13 dBm0 (0 dBm0 is 3.17 dB below full scale), cadenced on/off ms (off 0: steady),
// with uniform noise of +-noiseLsb steps.
std::vector<uint8_t> Tone(double hz, int onMs, int offMs, int noiseLsb, int seconds) {
  const double amplitude = 127 * std::pow(10, -(13 + 3.17) / 20);
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> noise(-noiseLsb, noiseLsb);
  std::vector<uint8_t> s(static_cast<size_t>(seconds) * Rate);
  const long period = (onMs + offMs) * Rate / 1000L;
  const long on = onMs * Rate / 1000L;
  for (size_t i = 0; i < s.size(); ++i) {
    bool sounding = offMs == 0 || static_cast<long>(i) % period < on;
    double v = sounding ? amplitude * std::sin(2 * M_PI * hz * static_cast<double>(i) / Rate) : 0;
    int sample = 128 + static_cast<int>(std::lround(v)) + noise(random);
    s[i] = static_cast<uint8_t>(sample < 0 ? 0 : sample > 255 ? 255 : sample);
  }
  return s;
}

std::string Seconds(double t) {
  if (t < -1000) return "none";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", t);
  return text;
}

void Print(const std::string& name, const Result& r) {
  std::printf("%-34s %7.0f s %16d %12s %12s\n", name.c_str(), r.seconds, r.periodic,
              Seconds(r.endsBefore).c_str(), Seconds(r.endsNow).c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  int discTime = 10;
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    size_t eq = arg.find('=');
    if (arg == "--disc" && i + 1 < argc) discTime = std::atoi(argv[++i]);
    else if (eq != std::string::npos) files.emplace_back(arg.substr(0, eq), arg.substr(eq + 1));
    else {
      std::fprintf(stderr, "usage: %s [--disc SECONDS] [NAME=FILE.u8 ...]\n", argv[0]);
      return 2;
    }
  }
  std::printf("disconnect time %d s (%d frames); ends: the first hang-up verdict\n", discTime,
              FramesInDiscTime(discTime, Rate));
  std::printf("%-34s %9s %16s %12s %12s\n", "signal", "length", "periodic before", "ends before", "ends now");
  for (int noise : {0, 2}) {
    std::string n = ", " + std::to_string(noise) + " LSB noise";
    Print("425 Hz 480/480 ms" + n, Run(Tone(425, 480, 480, noise, 120), discTime));
    Print("400 Hz 375/375 ms" + n, Run(Tone(400, 375, 375, noise, 120), discTime));
    Print("425 Hz steady" + n, Run(Tone(425, 1000, 0, noise, 120), discTime));
  }
  for (const auto& [name, path] : files) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 1;
    }
    std::vector<uint8_t> signal((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Print(name, Run(signal, discTime));
    // A minute of it, then the far end's busy tone: times from the tone's start.
    const size_t minute = 60 * Rate;
    if (signal.size() < minute) continue;
    signal.resize(minute);
    std::vector<uint8_t> busy = Tone(425, 480, 480, 2, 60);
    signal.insert(signal.end(), busy.begin(), busy.end());
    Result r = Run(signal, discTime);
    if (r.endsBefore != Never) r.endsBefore -= 60;
    if (r.endsNow != Never) r.endsNow -= 60;
    Print("  a minute of it, then busy", r);
  }
  return 0;
}
