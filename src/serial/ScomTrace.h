#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// Writes bytes as readable text wrapped at 78 columns: printable bytes as themselves, others as
// "[hh]" (hex) or "[ddd]" (decimal); allHex writes every byte as "[hh]". With hex on, a blank
// is written as "[20]".
class TScomTraceText {
public:
  TScomTraceText(bool hex, bool allHex) : hex_(hex), allHex_(allHex) {}
  void Byte(uint8_t b);
  void LineBreak();
  void Raw(const std::string& text);
  std::string Text;

private:
  bool hex_, allHex_;
  int column_ = 0;
};

// The byte trace: a ring of (kind, byte) entries; 'T' sent, 'R' received.
class TScomTrace {
public:
  static constexpr uint32_t kMaxEntries = 4000000;
  explicit TScomTrace(uint32_t entries);
  void Add(char kind, uint8_t byte);
  void Clear();
  std::string Text(bool hex, bool allHex) const;
  bool Paused = false;

private:
  std::vector<uint16_t> ring_;
  uint32_t next_ = 0;
  bool wrapped_ = false;
};

// The dispatch log: time-stamped records of what the dispatcher did, in a ring of at most
// `bytes` bytes (oldest records go first).
class TScomDispatchLog {
public:
  static constexpr uint32_t kMaxBytes = 16000000;
  TScomDispatchLog(uint32_t bytes, uint32_t timeBase);
  void Add(uint8_t type, uint8_t subType, uint32_t data, const void* bytes, uint32_t count);
  void Clear();
  std::string Text(const std::string& deviceName, bool hex, bool allHex) const;
  bool Paused = false;

private:
  struct Record {
    uint8_t type, subType;
    uint32_t ms, data;
    std::string bytes;
  };
  static constexpr uint32_t kHeaderSize = 14;
  uint32_t capacity_, used_ = 0, timeBase_;
  std::deque<Record> records_;
};

// Writes text to a file, created new or appended to; 0 or a negative platform error.
int WriteTextFile(const std::string& name, const std::string& text, bool append);
