#pragma once
#include <string>

class TStream;
class TStringList;

// An ini file through the platform's private-profile functions: every write goes straight to
// the file, section and key names match without regard to letter case, and a read of a missing
// or mistyped value gives the caller's default. Every write's result is checked: a refused
// write raises EIniFileException "Unable to write to <file>" with the platform's error code.
// A name without a full path is taken from the current folder (the platform alone would look
// in the Windows folder).
class TIniFile {
public:
  explicit TIniFile(const std::string& fileName);
  const std::string& FileName() const { return fileName_; }

  // Strings: the platform drops blanks around a value and one pair of quotes around it. Line
  // breaks in a written value become blanks, so a value can never add lines of its own.
  std::string ReadString(const std::string& section, const std::string& ident, const std::string& fallback) const;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  // Integers: written in decimal; read in decimal or with "$", "0x" or "0X" in hexadecimal.
  int ReadInteger(const std::string& section, const std::string& ident, int fallback) const;
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  // Booleans: written "1" or "0"; read as an integer that is not 0.
  bool ReadBool(const std::string& section, const std::string& ident, bool fallback) const;
  void WriteBool(const std::string& section, const std::string& ident, bool value);
  // Binary values: two upper-case hexadecimal digits per byte (either case is read). The write
  // takes value's bytes from its position to its end. The read writes the bytes at value's
  // position, leaves the position at their start and returns their count: 0, writing nothing,
  // for a missing value or one that is not whole hexadecimal bytes.
  int ReadBinaryStream(const std::string& section, const std::string& ident, TStream& value) const;
  void WriteBinaryStream(const std::string& section, const std::string& ident, TStream& value);

  // Key names of a section, section names, or name=value lines of a section, in file order.
  void ReadSection(const std::string& section, TStringList& idents) const;
  void ReadSections(TStringList& sections) const;
  void ReadSectionValues(const std::string& section, TStringList& values) const;
  bool SectionExists(const std::string& section) const;  // a section with at least one key
  bool ValueExists(const std::string& section, const std::string& ident) const;

  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& ident);
  // Asks the platform to write out anything it still holds for this file (it reports no result;
  // each write above has been checked already).
  void UpdateFile();

private:
  std::string ReadRaw(const char* section, const char* ident) const;
  void Write(const char* section, const char* ident, const char* value);

  std::string fileName_;
};
