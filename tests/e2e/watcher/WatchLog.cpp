#include "WatchLog.h"
#include <cstdio>

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

void TJsonLine::Key(const char* key) {
  if (!body_.empty()) body_ += ",";
  body_ += JsonString(key) + ":";
}

TJsonLine& TJsonLine::Add(const char* key, const std::string& value) {
  Key(key);
  body_ += JsonString(value);
  return *this;
}

TJsonLine& TJsonLine::Add(const char* key, long long value) {
  Key(key);
  body_ += std::to_string(value);
  return *this;
}

TJsonLine& TJsonLine::Add(const char* key, bool value) {
  Key(key);
  body_ += value ? "true" : "false";
  return *this;
}

TJsonLine& TJsonLine::Add(const char* key, const std::vector<std::string>& values) {
  Key(key);
  body_ += "[";
  for (size_t i = 0; i < values.size(); ++i) body_ += (i ? "," : "") + JsonString(values[i]);
  body_ += "]";
  return *this;
}

TJsonLine& TJsonLine::AddBox(const TBox& box) {
  Add("class", box.cls).Add("title", box.title).Add("pid", static_cast<long long>(box.pid));
  Add("box", box.boxLike).Add("enabled", box.enabled).Add("texts", box.texts);
  Key("buttons");
  body_ += "[";
  for (size_t i = 0; i < box.buttons.size(); ++i) {
    const TBoxButton& b = box.buttons[i];
    TJsonLine j;
    j.Add("text", b.text).Add("id", static_cast<long long>(b.id)).Add("default", b.isDefault).Add("enabled", b.enabled);
    body_ += (i ? "," : "") + j.Text();
  }
  body_ += "]";
  Key("lists");
  body_ += "[";
  for (size_t i = 0; i < box.lists.size(); ++i) {
    const TBoxList& l = box.lists[i];
    TJsonLine j;
    j.Add("class", l.cls).Add("id", static_cast<long long>(l.id)).Add("items", l.items).Add("selected", static_cast<long long>(l.selected));
    body_ += (i ? "," : "") + j.Text();
  }
  body_ += "]";
  Add("edits", box.edits);
  Key("progress");
  body_ += "[";
  for (size_t i = 0; i < box.progress.size(); ++i) body_ += (i ? "," : "") + std::to_string(box.progress[i]);
  body_ += "]";
  return *this;
}

TWatchLog::~TWatchLog() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool TWatchLog::Open(const std::wstring& path) {
  file_ = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file_ != INVALID_HANDLE_VALUE;
}

void TWatchLog::Write(const char* ev, const TJsonLine& fields) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u.%03u", now.wHour, now.wMinute, now.wSecond,
                now.wMilliseconds);
  ULONGLONG ms = GetTickCount64() - start_;
  char t[32];
  std::snprintf(t, sizeof t, "%llu.%03llu", ms / 1000, ms % 1000);
  std::string body = fields.Text();
  std::string line = std::string("{\"time\":\"") + stamp + "\",\"t\":" + t + ",\"ev\":" + JsonString(ev) +
                     (body.size() > 2 ? "," + body.substr(1) : "}") + "\n";
  DWORD written = 0;
  if (file_ == INVALID_HANDLE_VALUE || !WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
      written != line.size() || !FlushFileBuffers(file_))
    std::fprintf(stderr, "watcher: could not write the log (error %lu): %s", GetLastError(), line.c_str());
}
