#pragma once
#include "Audio.h"

#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <string>

class ModemDevice;

// The voice stream after +VRX: the call's timeline of sources, paced by sample count, encoded in
// the chosen compression, DLE-shielded, with the modem's <DLE> events and the buffer overrun.
class VoiceStreamer {
public:
  explicit VoiceStreamer(ModemDevice& modem) : D(modem) {}
  ~VoiceStreamer();

  // The stream's data starts at time at (after CONNECT).
  void Start(double at);
  // A byte from the DTE during the stream; true when it aborted the stream.
  bool Input(unsigned char b, double now);
  // Ends the stream without a word to the DTE (hook, DTR drop, abort).
  void Stop(const std::string& why);
  // A scripted end: options event, result, hook.
  void End(const std::map<std::string, std::string>& options, double now);
  void Tick(double now);
  double NextDue() const;

  // The call's timeline: sources queued by "stream", played in order.
  void Queue(std::unique_ptr<Segment> segment) { Timeline.push_back(std::move(segment)); }
  // The far end hung up now: what was queued is dropped and the hang-up tone follows.
  void FarHangup();
  // A <DLE><code> in the running stream.
  void AddEvent(char code) { PendingEvents += std::string{char(0x10), code}; }
  long long Samples() const { return SamplesSent; }
  long long StreamBytes() const { return OutBytes; }

private:
  Segment& CurrentSegment();
  void Chunk(int samples);
  // What was said since the answer and before CONNECT is gone, as on a real line.
  void SkipToAnswer(double at);
  void CloseDumps();

  ModemDevice& D;
  double StreamStart = 0;
  long long SamplesSent = 0, RawBytes = 0, OutBytes = 0, Dropped = 0;
  long long QuietRun = 0, SegPos = 0, NextAutoEvent = 0;
  bool DleSeen = false;
  bool VoiceSeen = false, SilenceSent = false, EndOfMessageSent = false, OverrunShown = false;
  std::deque<std::unique_ptr<Segment>> Timeline;
  std::unique_ptr<Segment> Current;
  std::string PendingEvents;
  FILE* DumpRaw = nullptr;
  FILE* DumpOut = nullptr;
  int Streams = 0;
};
