#include "LineState.h"
#include <cfenv>
#include <cmath>

namespace {

double SampleDeviation(const double* v, int n) {
  if (n < 2) return 0;
  double mean = 0;
  for (int i = 0; i < n; ++i) mean += v[i];
  mean /= n;
  double sum = 0;
  for (int i = 0; i < n; ++i) sum += (v[i] - mean) * (v[i] - mean);
  return std::sqrt(sum / (n - 1));
}

}  // namespace

bool IsQuietFrame(const double* samples, int n) { return SampleDeviation(samples, n) < 1.0; }

bool IsPeriodicSignal(const double* samples, int n) { return PeriodicInterval(samples, n) > 0; }

TCrossingIntervals CrossingIntervals(const double* s, int n) {
  std::vector<double> crossings;
  for (int i = 1; i <= n - 2; ++i) {
    if (s[i - 1] < 127 && s[i + 1] > 127) {
      crossings.push_back(i);
      i += 11;
    }
  }
  TCrossingIntervals r;
  int c = static_cast<int>(crossings.size());
  if (c < 3) return r;
  std::vector<double> intervals;
  for (int k = 1; k <= c - 2; ++k) intervals.push_back(crossings[k] - crossings[k - 1]);
  r.Count = c - 2;
  r.Mean = (crossings[c - 2] - crossings[0]) / (c - 2);
  r.Deviation = SampleDeviation(intervals.data(), c - 2);
  return r;
}

double PeriodicInterval(const double* s, int n) {
  TCrossingIntervals m = CrossingIntervals(s, n);
  // Equal intervals (deviation 0) are a tone too: 400 Hz at 8000 Hz crosses every 20 samples.
  if (m.Count <= 10 || !(m.Deviation <= 1.0)) return 0;
  return m.Mean;
}

int FramesInDiscTime(int discTime, int rate) {
  float frame = 1536.0f / static_cast<float>(rate);
  double frames = static_cast<double>(discTime) / static_cast<double>(frame);
  std::fesetround(FE_TONEAREST);
  return static_cast<int>(std::nearbyint(frames));
}

void FlipSign(uint8_t* buffer, int size, const std::string& compressionName) {
  if (compressionName != "SIGNED PCM") return;
  for (int i = 0; i < size; ++i) buffer[i] ^= 0x80;
}

void TLineStateDetector::Start(int framesInDiscTime) {
  frames_ = framesInDiscTime < 0 ? 0 : framesInDiscTime;
  quietFlags_.assign(static_cast<size_t>(frames_) + 1, 0);
  tones_.assign(static_cast<size_t>(frames_), 0);
  Clear();
}

void TLineStateDetector::Clear() {
  quietFlags_.assign(quietFlags_.size(), 0);
  quietFrameIndex_ = 0;
  tones_.assign(tones_.size(), 0);
  toneIndex_ = 0;
  tone_ = 0;
  toneFrames_ = 0;
  sinceTone_ = 0;
  count_ = 0;
}

void TLineStateDetector::CountTone(double interval) {
  count_ = 0;
  if (tones_.empty()) return;
  tones_[toneIndex_] = interval;
  toneIndex_ = (toneIndex_ + 1) % tones_.size();
  if (++sinceTone_ >= frames_) toneFrames_ = 0;  // the tone has not come for a whole window
  if (interval > 0) {
    if (toneFrames_ == 0 || !SameTone(interval, tone_)) {
      tone_ = interval;
      toneFrames_ = 0;
    }
    ++toneFrames_;
    sinceTone_ = 0;
  }
  if (toneFrames_ == 0) return;
  int ofTone = 0, periodic = 0;
  for (double t : tones_) {
    if (t <= 0) continue;
    ++periodic;
    if (SameTone(t, tone_)) ++ofTone;
  }
  if (ofTone * 5 >= periodic * ToneShareFifths) count_ = toneFrames_;
}

TLineState TLineStateDetector::DetectLineState(const uint8_t* frame) {
  if (quietFlags_.empty()) Start(frames_);
  double samples[TraceFrameSize];
  for (int i = 0; i < TraceFrameSize; ++i) samples[i] = frame[i + 1];
  int n = frames_;
  int quiet = IsQuietFrame(samples, TraceFrameSize) ? 1 : 0;
  if (quietFrameIndex_ < n) {
    quietFlags_[++quietFrameIndex_] = quiet;
  } else {
    int sum = 0;
    if (n > 0) {
      for (int i = 1; i < n; ++i) quietFlags_[i] = quietFlags_[i + 1];
      quietFlags_[n] = quiet;
      for (int i = 1; i <= n; ++i) sum += quietFlags_[i];
    }
    if (sum >= n * 0.85) {
      if (OnLine) OnLine("Silence...");
      CountTone(0);  // the window moves on
      count_ = HangUpCount;
      return lsSilence;
    }
  }
  double interval = PeriodicInterval(samples, TraceFrameSize);
  CountTone(interval);
  if (interval > 0) {
    if (OnLine) OnLine("Periodic signal...");
    return lsPeriodic;
  }
  return lsOther;
}
