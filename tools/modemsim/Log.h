#pragma once
#include <cstdio>
#include <string>

// The JSON-lines event log: one object per line, {"t":..., "port":..., "ev":..., ...}.
class Log {
public:
  explicit Log(double start) : Start(start) {}
  ~Log();
  bool OpenFile(const std::string& path, std::string& error);

  // fields is a ready JSON fragment such as "\"n\":2" (may be empty).
  void Event(const std::string& port, const std::string& ev, const std::string& fields = "");
  const std::string& Tail() const { return Recent; }  // the last lines, for the control line

  static std::string Quote(const std::string& text);

private:
  FILE* File = nullptr;
  double Start;
  std::string Recent;
  bool WriteFailed = false;
};
