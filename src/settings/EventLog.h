#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TFileStream;

// The run's event lines: every part of the program appends one line per notable event (no time
// stamps). The events monitor shows them; Events.log gets each line as it is added, so that a
// run that ends in a crash leaves its lines too.
class TEventLog {
public:
  TEventLog();
  ~TEventLog();

  // Text holding line breaks (CR LF, LF or CR) adds one line per part, as a memo would show it.
  void Add(const std::string& text);
  // Empties the lines, and the file they are appended to.
  void Clear();
  std::vector<std::string> Lines() const;
  int Count() const;

  // From now on every line is also appended to fileName, which is emptied and given the lines
  // so far; raises EInOutError when it cannot be written. A later write that fails ends the
  // appending with a line saying so (the file keeps what it got).
  void AppendTo(const std::string& fileName);

  // Every line followed by CR LF, replacing the file safely; raises EInOutError on failure.
  // The file that lines are appended to is replaced the same way, and appending goes on.
  void SaveToFile(const std::string& fileName);

  // Told of each added line and of a clear, on the thread that made the change (the monitor's
  // memo; the program appends from its main thread).
  std::function<void(const std::string& line)> OnAdd;
  std::function<void()> OnClear;

private:
  // Under the lock: the lines written to the file; false when the write failed.
  bool Append(const std::vector<std::string>& lines, std::string& failure);

  mutable std::mutex lock_;
  std::vector<std::string> lines_;
  std::string fileName_;
  std::unique_ptr<TFileStream> file_;
};

// The one log of the process.
TEventLog& EventLog();
inline void AddEvent(const std::string& text) { EventLog().Add(text); }
