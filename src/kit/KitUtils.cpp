#include "KitUtils.h"

namespace {
uint16_t NextKey(uint8_t encoded, uint16_t key) {
  return static_cast<uint16_t>((encoded + key) * 52845u + 22719u);
}
}

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

std::string SlashAdd(const std::string& text) {
  if (!IsBlank(text) && text.back() == '\\') return text;
  return text + '\\';
}

std::string SlashRemove(const std::string& text) {
  if (!IsBlank(text) && text.back() == '\\') return text.substr(0, text.size() - 1);
  return text;
}

std::string EncryptText(const std::string& text, uint16_t key) {
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    uint8_t c = static_cast<uint8_t>(text[i]) ^ static_cast<uint8_t>(key >> 8);
    out[i] = static_cast<char>(c);
    key = NextKey(c, key);
  }
  return out;
}

std::string DecryptText(const std::string& text, uint16_t key) {
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    uint8_t c = static_cast<uint8_t>(text[i]);
    out[i] = static_cast<char>(c ^ static_cast<uint8_t>(key >> 8));
    key = NextKey(c, key);
  }
  return out;
}

std::string PackText(const std::string& text) {
  std::string padded = text;
  while (padded.size() % 3) padded += ' ';
  std::string out = std::to_string(text.size()) + ":";
  for (size_t i = 0; i < padded.size(); i += 3) {
    uint32_t v = static_cast<uint8_t>(padded[i]) << 16 | static_cast<uint8_t>(padded[i + 1]) << 8 |
                 static_cast<uint8_t>(padded[i + 2]);
    out += static_cast<char>((v >> 18) + 48);
    out += static_cast<char>(((v >> 12) & 63) + 48);
    out += static_cast<char>(((v >> 6) & 63) + 48);
    out += static_cast<char>((v & 63) + 48);
  }
  return out;
}

// A text without ":" unpacks to nothing; a broken last group is ignored; a stated length
// beyond the bytes present keeps what is there.
std::string UnpackText(const std::string& text) {
  size_t colon = text.find(':');
  if (colon == std::string::npos) return "";
  size_t length = 0;
  for (size_t i = 0; i < colon; ++i) {
    if (text[i] < '0' || text[i] > '9' || length > text.size()) return "";
    length = length * 10 + (text[i] - '0');
  }
  std::string out;
  for (size_t i = colon + 1; i + 4 <= text.size(); i += 4) {
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) v = v << 6 | ((static_cast<uint8_t>(text[i + k]) - 48) & 63);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
  }
  if (out.size() > length) out.resize(length);
  return out;
}
