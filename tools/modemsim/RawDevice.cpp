#include "RawDevice.h"
#include "Hex.h"
#include "Log.h"
#include "Pty.h"

#include <algorithm>
#include <cmath>

namespace {
const size_t MaxReceived = 64u << 20;
const size_t PatternChunk = 4096;
}

void RawDevice::Opened(double) {}

std::string RawDevice::Closed(double) {
  PatternTotal = PatternQueued;  // the rest of a pattern would go nowhere
  return "\"received\":" + std::to_string(Got.size());
}

void RawDevice::Received(const std::string& bytes, double) {
  if (Got.size() + bytes.size() <= MaxReceived) {
    Got += bytes;
  } else {
    Events.Event(Name, "overflow", "\"dropped\":" + std::to_string(bytes.size()));
  }
  if (Echo) Line.Write(bytes);
}

void RawDevice::StartSend(size_t total) {
  SendBase = Line.TaggedWritten;
  SendTotal = total;
  PatternTotal = PatternQueued = 0;
}

void RawDevice::Tick(double now) {
  if (PatternQueued >= PatternTotal || !Line.IsOpen()) return;
  size_t due = PatternTotal;
  if (PatternRate > 0) due = std::min(PatternTotal, size_t(std::floor((now - PatternStart) * PatternRate)));
  // Keep the queue short so that pacing is by the clock, not by the queue.
  if (Line.Queued() >= PatternChunk) return;
  due = std::min(due, PatternQueued + PatternChunk);
  if (due <= PatternQueued) return;
  std::string bytes;
  bytes.reserve(due - PatternQueued);
  for (size_t i = PatternQueued; i < due; ++i) bytes += char(i & 0xff);
  PatternQueued = due;
  Line.Write(bytes, true);
}

double RawDevice::NextDue(double now) const {
  double due = PausedUntil > now ? PausedUntil : Device::NextDue(now);
  bool waitsForPty = PatternRate == 0 ? Line.Queued() > 0 : Line.Queued() >= PatternChunk;
  if (PatternQueued < PatternTotal && Line.IsOpen() && !waitsForPty) {
    // What the pty has not taken moves on POLLOUT; otherwise refill by the clock, every 10 ms.
    double next = now;
    if (PatternRate > 0) {
      size_t step = std::max<size_t>(1, size_t(PatternRate) / 100);
      next = PatternStart + double(PatternQueued + step) / PatternRate;
    }
    due = std::min(due, next);
  }
  return due;
}

std::string RawDevice::Control(const std::vector<std::string>& w, double now) {
  if (w.empty()) return "error missing raw command";
  const std::string& c = w[0];
  if (c == "echo" && w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
    Echo = w[1] == "on";
    return "ok";
  }
  if (c == "send" && w.size() == 2) {
    std::string bytes;
    if (!FromHex(w[1], bytes)) return "error bad hex";
    StartSend(bytes.size());
    Line.Write(bytes, true);
    Events.Event(Name, "raw_send", "\"bytes\":" + std::to_string(bytes.size()));
    return "ok";
  }
  if (c == "pattern" && w.size() == 3) {
    long n = 0, rate = 0;
    if (!ParseLong(w[1], n) || !ParseLong(w[2], rate) || n < 0 || rate < 0) return "error bad pattern";
    StartSend(size_t(n));
    PatternTotal = size_t(n);
    PatternRate = int(rate);
    PatternStart = now;
    Tick(now);
    Events.Event(Name, "raw_pattern", "\"bytes\":" + std::to_string(n) + ",\"rate\":" + std::to_string(rate));
    return "ok";
  }
  if (c == "pause" && w.size() == 2) {
    long ms = 0;
    if (!ParseLong(w[1], ms) || ms < 0) return "error bad time";
    PausedUntil = now + ms / 1000.0;
    return "ok";
  }
  if (c == "received" && w.size() == 1) return "ok " + ToHex(Got);
  if (c == "count" && w.size() == 1) return "ok " + std::to_string(Got.size());
  if (c == "clear" && w.size() == 1) {
    Got.clear();
    return "ok";
  }
  if (c == "sent" && w.size() == 1) {
    size_t sent = std::min(SendTotal, Line.TaggedWritten - SendBase);
    return "ok " + std::to_string(sent);
  }
  return "error unknown raw command";
}
