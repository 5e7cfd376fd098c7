#include "EventLog.h"
#include "StringList.h"

TEventLog& EventLog() {
  static TEventLog log;
  return log;
}

void TEventLog::Add(const std::string& text) {
  TStringList parts;
  parts.SetText(text);
  if (parts.Count() == 0) parts.Add("");
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (int i = 0; i < parts.Count(); ++i) lines_.push_back(parts[i]);
  }
  if (OnAdd)
    for (int i = 0; i < parts.Count(); ++i) OnAdd(parts[i]);
}

void TEventLog::Clear() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    lines_.clear();
  }
  if (OnClear) OnClear();
}

std::vector<std::string> TEventLog::Lines() const {
  std::lock_guard<std::mutex> hold(lock_);
  return lines_;
}

int TEventLog::Count() const {
  std::lock_guard<std::mutex> hold(lock_);
  return static_cast<int>(lines_.size());
}

void TEventLog::SaveToFile(const std::string& fileName) const {
  TStringList list;
  for (const std::string& line : Lines()) list.Add(line);
  list.SaveToFile(fileName);
}
