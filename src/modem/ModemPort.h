#pragma once
#include <functional>
#include <string>

// The serial port as the engine uses it. The events come on the main thread: OnPortOpen before
// Open returns, OnPortClose at the start of a close, OnTriggerAvail with the bytes waiting,
// OnPortLost (the system's text of the failed call) once when the open port's device went away.
class TModemPort {
public:
  virtual ~TModemPort() = default;
  // Raises when the port cannot be opened or closed. flow: "Hardware", "Software" or "None";
  // any other text leaves the port's flow control as it was.
  virtual void Open(int comNumber, int baud, const std::string& flow) = 0;
  // Opens with the speed and flow control the port has now.
  virtual void OpenAsIs(int comNumber) = 0;
  virtual void Close() = 0;
  virtual int ComNumber() const = 0;
  virtual char GetChar() = 0;
  virtual void PutChar(char c) = 0;
  virtual void PutString(const std::string& text) = 0;
  virtual void FlushInBuffer() = 0;
  virtual int OutBuffFree() = 0;

  std::function<void(int count)> OnTriggerAvail;
  std::function<void()> OnPortOpen;
  std::function<void()> OnPortClose;
  std::function<void(const std::string& reason)> OnPortLost;
};

// A timer as the engine uses it; OnTimer on the main thread.
class TModemTimer {
public:
  virtual ~TModemTimer() = default;
  virtual void SetInterval(unsigned ms) = 0;
  virtual unsigned Interval() const = 0;
  virtual void SetEnabled(bool on) = 0;
  virtual bool Enabled() const = 0;

  std::function<void()> OnTimer;
};
