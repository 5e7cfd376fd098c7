#pragma once
#include "Device.h"

// The byte-level test peer: records what the DTE sends, echoes it on request, sends bytes and
// paced counting patterns.
class RawDevice : public Device {
public:
  using Device::Device;
  void Opened(double now) override;
  std::string Closed(double now) override;
  void Received(const std::string& bytes, double now) override;
  void Tick(double now) override;
  double NextDue(double now) const override;
  bool WantRead(double now) const override { return now >= PausedUntil; }
  std::string Control(const std::vector<std::string>& words, double now) override;

private:
  void StartSend(size_t total);
  std::string Got;
  bool Echo = false;
  double PausedUntil = 0;
  // The current send or pattern.
  size_t SendTotal = 0, SendBase = 0;
  size_t PatternQueued = 0, PatternTotal = 0;
  int PatternRate = 0;
  double PatternStart = 0;
};
