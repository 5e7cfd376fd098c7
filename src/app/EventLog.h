#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The run's event lines: every part of the program appends one line per notable event (no time
// stamps). The events monitor shows them and writes them to Events.log at the end of the run.
class TEventLog {
public:
  // Text holding line breaks (CR LF, LF or CR) adds one line per part, as a memo would show it.
  void Add(const std::string& text);
  void Clear();
  std::vector<std::string> Lines() const;
  int Count() const;

  // Every line followed by CR LF, replacing the file safely; raises EInOutError on failure.
  void SaveToFile(const std::string& fileName) const;

  // Told of each added line and of a clear, on the thread that made the change (the monitor's
  // memo; the program appends from its main thread).
  std::function<void(const std::string& line)> OnAdd;
  std::function<void()> OnClear;

private:
  mutable std::mutex lock_;
  std::vector<std::string> lines_;
};

// The one log of the process.
TEventLog& EventLog();
inline void AddEvent(const std::string& text) { EventLog().Add(text); }
