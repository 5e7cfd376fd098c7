#pragma once
#include <cstdint>
#include <functional>
#include <cmath>
#include <string>
#include <vector>

// Samples in one trace frame.
constexpr int TraceFrameSize = 1536;

// The frame's sample standard deviation (divisor n - 1) is below 1.0.
bool IsQuietFrame(const double* samples, int n);
// The intervals between the crossings of 127 upwards (each followed by a hold-off of 11
// positions), the last left out: how many, their mean and their sample standard deviation.
struct TCrossingIntervals {
  int Count = 0;
  double Mean = 0;
  double Deviation = 0;
};
TCrossingIntervals CrossingIntervals(const double* samples, int n);
// More than 12 crossings of 127 upwards (each followed by a hold-off of 11 positions) whose
// intervals, the last left out, have a sample standard deviation of at most 1.0.
bool IsPeriodicSignal(const double* samples, int n);
// The mean of those intervals when the signal is periodic, else 0: the frame's tone.
double PeriodicInterval(const double* samples, int n);
// Frames of 1536 samples that span discTime seconds at rate samples per second (the frame
// length taken in single precision, rounded to nearest, halves to even).
int FramesInDiscTime(int discTime, int rate);
// Inverts the sign bit of each byte when the compression is "SIGNED PCM".
void FlipSign(uint8_t* buffer, int size, const std::string& compressionName);

enum TLineState { lsSilence = 0, lsPeriodic = 1, lsOther = 2 };

// The sliding window of quiet frames over the disconnect time, each frame's verdict, and the
// hang-up count: HangUpCount after a silence verdict, else the periodic frames of one tone, each
// within the disconnect time of the one before, since a periodic frame of another tone last came,
// as long as that tone holds most of the periodic frames of the window. So the changing pitches
// of speech and music never add up, while a busy or dial tone, cadenced or steady, counts as
// before.
class TLineStateDetector {
public:
  static constexpr int HangUpCount = 12;
  // Two frames are of one tone when their crossing intervals differ by less than this part
  // (half a semitone).
  static constexpr double ToneTolerance = 0.03;
  // The tone's least part of the window's periodic frames, in fifths.
  static constexpr int ToneShareFifths = 4;

  // Sizes the window (FramesInDiscTime + 1 entries) and empties it.
  void Start(int framesInDiscTime);
  void Clear();
  // samples 1..1536 of frame (index 0 is not read).
  TLineState DetectLineState(const uint8_t* frame);

  int FramesInDiscTime() const { return frames_; }
  int QuietFrameIndex() const { return quietFrameIndex_; }
  // HangUpCount or more: the far end has hung up.
  int LineStateCount() const { return count_; }

  // A monitor line: "Silence..." or "Periodic signal...".
  std::function<void(const std::string&)> OnLine;

private:
  void CountTone(double interval);
  static bool SameTone(double a, double b) { return std::fabs(a - b) < ToneTolerance * b; }

  std::vector<int32_t> quietFlags_;
  int quietFrameIndex_ = 0;
  int frames_ = 0;
  std::vector<double> tones_;  // crossing interval of each frame in the window, 0 not periodic
  size_t toneIndex_ = 0;        // where the next frame goes
  double tone_ = 0;             // the tone being counted
  int toneFrames_ = 0;          // its periodic frames since another tone or a window without it
  int sinceTone_ = 0;           // frames since its last one
  int count_ = 0;
};
