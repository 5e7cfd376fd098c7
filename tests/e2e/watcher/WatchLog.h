#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "Box.h"

// One JSON object a line, appended and flushed line by line, readable while it grows.
class TJsonLine {
public:
  TJsonLine& Add(const char* key, const std::string& value);
  TJsonLine& Add(const char* key, const char* value) { return Add(key, std::string(value)); }
  TJsonLine& Add(const char* key, long long value);
  TJsonLine& Add(const char* key, bool value);
  TJsonLine& Add(const char* key, const std::vector<std::string>& values);
  TJsonLine& AddBox(const TBox& box);
  std::string Text() const { return "{" + body_ + "}"; }

private:
  void Key(const char* key);
  std::string body_;
};

std::string JsonString(const std::string& s);

class TWatchLog {
public:
  TWatchLog() = default;
  ~TWatchLog();
  TWatchLog(const TWatchLog&) = delete;
  TWatchLog& operator=(const TWatchLog&) = delete;
  bool Open(const std::wstring& path);
  // Adds "time" and "t" (seconds since the start) in front and writes the line; a failed write
  // goes to stderr (the run goes on: the test then misses the line and says so).
  void Write(const char* ev, const TJsonLine& fields);

private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  ULONGLONG start_ = GetTickCount64();
};
