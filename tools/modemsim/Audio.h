#pragma once
#include "Profile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One piece of a voice stream's timeline: a source of samples for a number of samples (or for
// ever). Samples are linear, full scale = 1.0; a pattern gives encoded bytes instead.
class Segment {
public:
  virtual ~Segment() = default;
  virtual void Fill(double* out, int n) = 0;
  virtual bool Silent() const { return false; }
  virtual bool Raw() const { return false; }             // a pattern: bytes, not samples
  virtual void FillBytes(std::string&, int) {}
  virtual char AutoEvent() const { return 0; }           // 'b' busy, 'd' dial tone: sent every 4 s
  virtual std::vector<std::pair<int, char>> TakeDigits() { return {}; }  // DTMF digits of the last fill

  long long Remaining = -1;  // samples left; -1 = for ever
  bool EventsOn = true;      // dle=off: this segment sends no automatic events
  bool FarHangup = false;    // a mark in the timeline: here the far end hangs up
  std::string Text;          // as written, for the log
};

// words: the source and its options, e.g. {"tone", "425", "cadence=480/480", "6s"}.
std::unique_ptr<Segment> ParseSegment(const std::vector<std::string>& words, const std::string& country, int rate,
                                      std::string& error);
// The tone that follows the far end's hang-up in a country (NA: silence, then dial tone).
std::vector<std::unique_ptr<Segment>> HangupTone(const std::string& country, int rate);
std::unique_ptr<Segment> DialTone(const std::string& country, int rate);
std::unique_ptr<Segment> Silence();

// Parses "5s", "500ms", "1.5s", "forever" into samples (-1 for ever).
bool ParseDuration(const std::string& text, int rate, long long& samples);

// Encodes one linear sample into the stream's bytes.
void EncodeSample(double x, Encoding e, std::string& out);

// 16-bit PCM WAV, any channel count (the first is taken), resampled to rate.
bool LoadWav(const std::string& path, int rate, std::vector<double>& samples, std::string& error);
