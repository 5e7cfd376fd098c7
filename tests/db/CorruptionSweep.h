#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include "ZorudCursor.h"

// Loads damaged copies of an image: every truncation and every value of every byte. Each load
// must either succeed (and then write an image that loads again to the same bytes) or give one
// of the reader's own messages. Returns the first failure as text, empty when all passed.
namespace sweep {

inline bool KnownMessage(const std::string& m) {
  static const char* const known[] = {
      "Error in buffer structure (field description section)", "Buffer structure corruption!",
      "Unexpected end of buffer", "Field '", "String field '", "BLOB field '", "Number of records read ("};
  for (const char* k : known)
    if (m.compare(0, std::string(k).size(), k) == 0) return true;
  return false;
}

// One load; empty when it behaved.
inline std::string CheckOne(const std::string& image, bool partial) {
  TZorudCursor c;
  c.PartialOpen = partial;
  std::string message;
  bool ok = c.LoadFromBytes(reinterpret_cast<const uint8_t*>(image.data()), image.size(), message);
  bool errorImage = image.size() >= 5 && image[4] == 'E';
  if (!ok) {
    if (errorImage ? message.empty() : !KnownMessage(message)) return "unexpected message '" + message + "'";
    if (!c.Fields.empty() || !c.Entries.empty()) return "failed load kept data";
    return "";
  }
  if (errorImage) return "an error image loaded";
  if (!message.empty() && !partial) return "loaded with message '" + message + "'";
  if (!message.empty() && !KnownMessage(message)) return "unexpected message '" + message + "'";
  std::string again = c.Image();
  TZorudCursor d;
  std::string m2;
  if (!d.LoadFromBytes(reinterpret_cast<const uint8_t*>(again.data()), again.size(), m2))
    return "rewritten image refused: " + m2;
  if (d.Image() != again) return "rewritten image not stable";
  return "";
}

inline std::string Run(const std::string& image) {
  for (int partial = 0; partial < 2; ++partial) {
    for (size_t n = 0; n < image.size(); ++n) {
      std::string r = CheckOne(image.substr(0, n), partial);
      if (!r.empty()) return "cut at " + std::to_string(n) + ": " + r;
    }
    for (size_t i = 0; i < image.size(); ++i) {
      for (int v = 0; v < 256; ++v) {
        if (char(v) == image[i]) continue;
        std::string bad = image;
        bad[i] = char(v);
        std::string r = CheckOne(bad, partial);
        if (!r.empty()) return "byte " + std::to_string(i) + " = " + std::to_string(v) + ": " + r;
      }
    }
  }
  return "";
}

}  // namespace sweep
