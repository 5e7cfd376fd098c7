#include "ScomTrace.h"
#include "ScomException.h"
#include "ScomUtil.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

void TScomTraceText::Raw(const std::string& text) {
  Text += text;
  column_ += static_cast<int>(text.size());
}

void TScomTraceText::LineBreak() {
  Text += "\r\n";
  column_ = 0;
}

void TScomTraceText::Byte(uint8_t b) {
  char item[8];
  const int low = hex_ ? 33 : 32;
  if (allHex_) std::snprintf(item, sizeof item, "[%02X]", b);
  else if (b >= low && b <= 126) std::snprintf(item, sizeof item, "%c", b);
  else if (hex_) std::snprintf(item, sizeof item, "[%02X]", b);
  else std::snprintf(item, sizeof item, "[%u]", b);
  int width = static_cast<int>(std::strlen(item));
  if (column_ + width > 78) {
    Text += "\r\n";
    column_ = 0;
  }
  Text += item;
  column_ += width;
}

TScomTrace::TScomTrace(uint32_t entries) : ring_(std::clamp<uint32_t>(entries, 1, kMaxEntries)) {}

void TScomTrace::Add(char kind, uint8_t byte) {
  if (Paused) return;
  ring_[next_] = static_cast<uint16_t>((static_cast<uint8_t>(kind) << 8) | byte);
  if (++next_ == ring_.size()) {
    next_ = 0;
    wrapped_ = true;
  }
}

void TScomTrace::Clear() {
  next_ = 0;
  wrapped_ = false;
}

std::string TScomTrace::Text(bool hex, bool allHex) const {
  TScomTraceText out(hex, allHex);
  const uint32_t count = wrapped_ ? static_cast<uint32_t>(ring_.size()) : next_;
  const uint32_t first = wrapped_ ? next_ : 0;
  int kind = -1;
  for (uint32_t i = 0; i < count; ++i) {
    uint16_t entry = ring_[(first + i) % ring_.size()];
    int k = entry >> 8;
    if (k != kind) {
      if (kind != -1) out.LineBreak();
      kind = k;
      if (k == 'T') out.Raw("Transmit: ");
      else if (k == 'R') out.Raw("Receive: ");
      else out.Raw(std::string("Special-") + static_cast<char>(k) + ": ");
    }
    out.Byte(static_cast<uint8_t>(entry & 0xFF));
  }
  return out.Text;
}

TScomDispatchLog::TScomDispatchLog(uint32_t bytes, uint32_t timeBase)
    : capacity_(std::clamp<uint32_t>(bytes, kHeaderSize, kMaxBytes)), timeBase_(timeBase) {}

void TScomDispatchLog::Add(uint8_t type, uint8_t subType, uint32_t data, const void* bytes, uint32_t count) {
  if (Paused) return;
  if (static_cast<uint64_t>(count) + kHeaderSize > capacity_) count = capacity_ - kHeaderSize;
  while (!records_.empty() && used_ + kHeaderSize + count > capacity_) {
    used_ -= kHeaderSize + static_cast<uint32_t>(records_.front().bytes.size());
    records_.pop_front();
  }
  Record r{type, subType, ClockMs() - timeBase_, data,
           bytes ? std::string(static_cast<const char*>(bytes), count) : std::string()};
  used_ += kHeaderSize + static_cast<uint32_t>(r.bytes.size());
  records_.push_back(std::move(r));
}

void TScomDispatchLog::Clear() {
  records_.clear();
  used_ = 0;
}

namespace {
std::string OsText() {
  OSVERSIONINFOA v = {};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&v)) return "Unknown";
#pragma GCC diagnostic pop
  std::string platform = v.dwPlatformId == VER_PLATFORM_WIN32s        ? "Win32s on Windows "
                         : v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? "Win32 on Windows "
                         : v.dwPlatformId == VER_PLATFORM_WIN32_NT      ? "Windows NT "
                                                                        : "Unknown";
  return platform + std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion) + " " +
         v.szCSDVersion;
}

const char* StatusKind(uint32_t handle) {
  static const char* const kinds[] = {"(Not active)",         "(Modem status)", "(Line status)",
                                      "(Output buffer free)", "(Output buffer used)", "(Output sent)"};
  uint32_t k = handle & 7;
  return k < 6 ? kinds[k] : kinds[0];
}
}

std::string TScomDispatchLog::Text(const std::string& deviceName, bool hex, bool allHex) const {
  std::string text = "SCOM v4.00\r\n";
  text += "Compiler : GNU C++ " __VERSION__ "\r\n";
  text += "Operating System : " + OsText() + "\r\n";
  text += "Device: " + deviceName + "\r\n";
  text += ErrorMsg(15501) + "\r\n" + ErrorMsg(15502) + "\r\n";
  for (const auto& r : records_) {
    char ms[16], line[128];
    std::snprintf(ms, sizeof ms, "%07u", static_cast<unsigned>(r.ms % 10000000));
    std::string time = std::string(ms, 4) + "." + (ms + 4);
    std::string sub = r.subType ? ErrorMsg(15100 + r.subType) : "";
    std::snprintf(line, sizeof line, "%8s  %-8s  %-12s  %08x  ", time.c_str(),
                  ErrorMsg(15001 + r.type).c_str(), sub.c_str(), static_cast<unsigned>(r.data));
    text += line;
    if (r.type == 2 && r.subType == 8) text += StatusKind(r.data);
    text += "\r\n";
    if (!r.bytes.empty()) {
      TScomTraceText bytes(hex, allHex);
      for (char c : r.bytes) bytes.Byte(static_cast<uint8_t>(c));
      text += bytes.Text + "\r\n";
    }
  }
  return text;
}

int WriteTextFile(const std::string& name, const std::string& text, bool append) {
  HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -static_cast<int>(GetLastError());
  int result = 0;
  if (append && SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR)
    result = -static_cast<int>(GetLastError());
  DWORD written = 0;
  if (result == 0 && !text.empty() &&
      (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
       written != text.size()))
    result = -static_cast<int>(GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
  if (!CloseHandle(file) && result == 0) result = -static_cast<int>(GetLastError());
  return result;
}
