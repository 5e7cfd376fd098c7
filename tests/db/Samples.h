#pragma once
#include <cstdint>
#include <string>

// The sample table images, written out by hand from the file layout (not by the engine).
namespace samples {

inline std::string U32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = char(v >> (8 * i));
  return s;
}

inline std::string Header(uint32_t total, uint32_t count, uint32_t fields, const std::string& section) {
  return U32(total) + "S" + U32(count) + U32(fields) + U32(uint32_t(section.size())) + section;
}

// Folders.d with the one folder "General".
inline std::string Folders() {
  std::string section = "XXX.FolderId K\x12XXX.FolderName s100\x12\x14";
  return Header(74, 1, 2, section) + "\x08\x04" + "rEv4sH8n" + U32(7) + "General";
}

inline std::string RecordingsSection() {
  return "XXX.id A\x12XXX.Channel i\x12XXX.FolderId K\x12XXX.DateS C\x12XXX.TimeS G\x12"
         "XXX.Duration A\x12XXX.Comment s255\x12\x14";
}

// Recordings.d as made on the first run.
inline std::string EmptyRecordings() { return Header(112, 0, 7, RecordingsSection()); }

// Recordings.d with one call.
inline std::string OneCall() {
  return Header(167, 1, 7, RecordingsSection()) + std::string("\x08\x04\x08\x08\x0a\x05\x04", 7) + "rEv4t08p" +
         U32(1) + "rEv4sH8n" + "3/7/2024" + "9:05:02 AM" + "00:42" + U32(1) + " ";
}

}  // namespace samples
