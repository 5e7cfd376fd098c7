#include "EventLog.h"
#include "Exception.h"
#include "FileStream.h"
#include "StringList.h"
#include "SysUtils.h"

TEventLog& EventLog() {
  static TEventLog log;
  return log;
}

TEventLog::TEventLog() = default;
TEventLog::~TEventLog() = default;

bool TEventLog::Append(const std::vector<std::string>& lines, std::string& failure) {
  if (!file_) return true;
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  try {
    file_->WriteBuffer(text.data(), static_cast<int>(text.size()));
    return true;
  } catch (const std::exception& e) {
    file_.reset();
    failure = std::string("Events.log is no longer written: ") + e.what();
    return false;
  }
}

void TEventLog::Add(const std::string& text) {
  TStringList list;
  list.SetText(text);
  if (list.Count() == 0) list.Add("");
  std::vector<std::string> parts;
  for (int i = 0; i < list.Count(); ++i) parts.push_back(list[i]);
  {
    std::lock_guard<std::mutex> hold(lock_);
    lines_.insert(lines_.end(), parts.begin(), parts.end());
    std::string failure;
    if (!Append(parts, failure)) {
      lines_.push_back(failure);
      parts.push_back(failure);
    }
  }
  if (OnAdd)
    for (const std::string& part : parts) OnAdd(part);
}

void TEventLog::Clear() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    lines_.clear();
    if (file_) {
      try {
        file_->SetSize(0);
        file_->Seek(0, soBeginning);
      } catch (...) {
        file_.reset();
      }
    }
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

void TEventLog::AppendTo(const std::string& fileName) {
  std::lock_guard<std::mutex> hold(lock_);
  file_.reset();
  fileName_ = fileName;
  auto file = std::make_unique<TFileStream>(fileName, fmCreate | fmShareDenyWrite);
  file_ = std::move(file);
  std::string failure;
  if (!Append(lines_, failure)) throw EInOutError(failure, 0);
}

void TEventLog::SaveToFile(const std::string& fileName) {
  std::lock_guard<std::mutex> hold(lock_);
  const bool appended = file_ && SameText(fileName, fileName_);
  // The open file would refuse being replaced.
  if (appended) file_.reset();
  auto reopen = [&] {
    if (!appended) return;
    try {
      file_ = std::make_unique<TFileStream>(fileName, fmOpenWrite | fmShareDenyWrite);
      file_->Seek(0, soEnd);
    } catch (...) {
      file_.reset();
    }
  };
  TStringList list;
  for (const std::string& line : lines_) list.Add(line);
  try {
    list.SaveToFile(fileName);
  } catch (...) {
    reopen();
    throw;
  }
  reopen();
}
