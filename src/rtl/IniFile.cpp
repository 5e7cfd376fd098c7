#include "IniFile.h"
#include "Exception.h"
#include "Stream.h"
#include "StringList.h"
#include "SysUtils.h"
#include <windows.h>
#include <vector>

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A double-NUL list as the platform returns it.
void AddList(const std::string& list, TStringList& into) {
  for (size_t at = 0; at < list.size();) {
    size_t end = list.find('\0', at);
    if (end == std::string::npos) end = list.size();
    if (end > at) into.Add(list.substr(at, end - at));
    at = end + 1;
  }
}
}

TIniFile::TIniFile(const std::string& fileName) : fileName_(fileName) {
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(fileName.c_str(), MAX_PATH, full, nullptr);
  if (n > 0 && n < MAX_PATH) fileName_ = full;
}

// The value (or, with a null ident or section, the NUL-separated list) read with an empty default.
std::string TIniFile::ReadRaw(const char* section, const char* ident) const {
  std::vector<char> buf(2048);
  for (;;) {
    DWORD size = static_cast<DWORD>(buf.size());
    DWORD n = GetPrivateProfileStringA(section, ident, "", buf.data(), size, fileName_.c_str());
    // A full buffer comes back as size-1 for a value and size-2 for a list.
    bool list = !section || !ident;
    if (n < size - (list ? 2 : 1) || buf.size() >= (1u << 24)) return std::string(buf.data(), n);
    buf.resize(buf.size() * 4);
  }
}

void TIniFile::Write(const char* section, const char* ident, const char* value) {
  if (!WritePrivateProfileStringA(section, ident, value, fileName_.c_str())) {
    int code = static_cast<int>(GetLastError());
    throw EIniFileException("Unable to write to " + fileName_, code);
  }
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& fallback) const {
  std::string value = ReadRaw(section.c_str(), ident.c_str());
  // The platform would trim a default's blanks: tell an empty value from a missing one instead.
  if (value.empty() && !ValueExists(section, ident)) return fallback;
  return value;
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  std::string line = value;
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  Write(section.c_str(), ident.c_str(), line.c_str());
}

int TIniFile::ReadInteger(const std::string& section, const std::string& ident, int fallback) const {
  return StrToIntDef(ReadRaw(section.c_str(), ident.c_str()), fallback);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, IntToStr(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident, bool fallback) const {
  return ReadInteger(section, ident, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

int TIniFile::ReadBinaryStream(const std::string& section, const std::string& ident, TStream& value) const {
  std::string text = ReadRaw(section.c_str(), ident.c_str());
  if (text.empty() || text.size() % 2) return 0;
  std::vector<unsigned char> bytes(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return 0;
    bytes[i] = static_cast<unsigned char>(high * 16 + low);
  }
  int64_t start = value.Position();
  value.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
  value.SetPosition(start);
  return static_cast<int>(bytes.size());
}

void TIniFile::WriteBinaryStream(const std::string& section, const std::string& ident, TStream& value) {
  int64_t count = value.Size() - value.Position();
  if (count < 0 || count > (1 << 23)) throw EIniFileException("Unable to write to " + fileName_, 0);
  std::vector<unsigned char> bytes(static_cast<size_t>(count));
  if (count > 0) value.ReadBuffer(bytes.data(), static_cast<int>(count));
  std::string text;
  text.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) text += IntToHex(b, 2);
  WriteString(section, ident, text);
}

void TIniFile::ReadSection(const std::string& section, TStringList& idents) const {
  idents.BeginUpdate();
  idents.Clear();
  AddList(ReadRaw(section.c_str(), nullptr), idents);
  idents.EndUpdate();
}

void TIniFile::ReadSections(TStringList& sections) const {
  sections.BeginUpdate();
  sections.Clear();
  AddList(ReadRaw(nullptr, nullptr), sections);
  sections.EndUpdate();
}

void TIniFile::ReadSectionValues(const std::string& section, TStringList& values) const {
  TStringList idents;
  ReadSection(section, idents);
  values.BeginUpdate();
  values.Clear();
  for (int i = 0; i < idents.Count(); ++i) values.Add(idents[i] + "=" + ReadRaw(section.c_str(), idents[i].c_str()));
  values.EndUpdate();
}

bool TIniFile::SectionExists(const std::string& section) const {
  return !ReadRaw(section.c_str(), nullptr).empty();
}

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) const {
  TStringList idents;
  ReadSection(section, idents);
  return idents.IndexOf(ident) >= 0;
}

// Erasing what is not there may be reported as a failure: only one that left it in place counts.
void TIniFile::EraseSection(const std::string& section) {
  if (WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, fileName_.c_str())) return;
  int code = static_cast<int>(GetLastError());
  if (SectionExists(section)) throw EIniFileException("Unable to write to " + fileName_, code);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  if (WritePrivateProfileStringA(section.c_str(), ident.c_str(), nullptr, fileName_.c_str())) return;
  int code = static_cast<int>(GetLastError());
  if (ValueExists(section, ident)) throw EIniFileException("Unable to write to " + fileName_, code);
}

// The platform answers a flush with FALSE even when it worked: only the value writes tell.
void TIniFile::UpdateFile() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str()); }
