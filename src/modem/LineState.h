#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Samples in one trace frame.
constexpr int TraceFrameSize = 1536;

// The frame's sample standard deviation (divisor n - 1) is below 1.0.
bool IsQuietFrame(const double* samples, int n);
// More than 12 crossings of 127 upwards (each followed by a hold-off of 11 positions) whose
// intervals, the last left out, have a sample standard deviation in (0, 1.0].
bool IsPeriodicSignal(const double* samples, int n);
// Frames of 1536 samples that span discTime seconds at rate samples per second (the frame
// length taken in single precision, rounded to nearest, halves to even).
int FramesInDiscTime(int discTime, int rate);
// Inverts the sign bit of each byte when the compression is "SIGNED PCM".
void FlipSign(uint8_t* buffer, int size, const std::string& compressionName);

enum TLineState { lsSilence = 0, lsPeriodic = 1, lsOther = 2 };

// The sliding window of quiet frames over the disconnect time, and each frame's verdict.
class TLineStateDetector {
public:
  // Sizes the window (FramesInDiscTime + 1 entries) and empties it.
  void Start(int framesInDiscTime);
  void Clear();
  // samples 1..1536 of frame (index 0 is not read).
  TLineState DetectLineState(const uint8_t* frame);

  int FramesInDiscTime() const { return frames_; }
  int QuietFrameIndex() const { return quietFrameIndex_; }

  // A monitor line: "Silence..." or "Periodic signal...".
  std::function<void(const std::string&)> OnLine;

private:
  std::vector<int32_t> quietFlags_;
  int quietFrameIndex_ = 0;
  int frames_ = 0;
};
