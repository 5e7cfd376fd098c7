#include "Hex.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

std::string ToHex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

static int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool FromHex(const std::string& hex, std::string& bytes) {
  if (hex.size() % 2) return false;
  bytes.clear();
  bytes.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = Nibble(hex[i]), lo = Nibble(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes += char(hi * 16 + lo);
  }
  return true;
}

bool ParseLong(const std::string& text, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = strtol(text.c_str(), &end, 10);
  return errno == 0 && *end == 0;
}

bool ParseDouble(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = strtod(text.c_str(), &end);
  return errno == 0 && *end == 0;
}

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isspace((unsigned char)line[i])) ++i;
    size_t start = i;
    while (i < line.size() && !isspace((unsigned char)line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

std::string Lower(std::string text) {
  for (char& c : text) c = char(tolower((unsigned char)c));
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = char(toupper((unsigned char)c));
  return text;
}

std::string Unescape(const std::string& t) {
  std::string out, b;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] != '\\' || i + 1 >= t.size()) {
      out += t[i];
      continue;
    }
    char c = t[++i];
    if (c == 'r') out += '\r';
    else if (c == 'n') out += '\n';
    else if (c == 's') out += ' ';
    else if (c == 'x' && i + 2 < t.size() && FromHex(t.substr(i + 1, 2), b)) {
      out += b;
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}
