#pragma once
#include <limits>
#include <string>
#include <vector>

class Pty;
class Log;

// What plays on one pty: the raw test peer or a modem. The simulator's loop calls it; it writes
// through the Pty it is given.
class Device {
public:
  Device(Pty& pty, Log& log, std::string name) : Line(pty), Events(log), Name(std::move(name)) {}
  virtual ~Device() = default;

  virtual void Opened(double) {}
  // Returns extra JSON fields for the log's close record (what the close cut short).
  virtual std::string Closed(double) { return ""; }
  virtual void Received(const std::string& bytes, double now) = 0;
  virtual void Tick(double) {}
  virtual double NextDue(double) const { return std::numeric_limits<double>::infinity(); }
  virtual bool WantRead(double) const { return true; }

  // A control command addressed to this port (the words after its name). Returns the reply line.
  virtual std::string Control(const std::vector<std::string>& words, double now) = 0;

protected:
  Pty& Line;
  Log& Events;
  std::string Name;
};
