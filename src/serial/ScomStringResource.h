#pragma once
#include "Exception.h"
#include <windows.h>
#include <cstdint>
#include <string>

// Errors of the string-table reader itself; the texts come from the SRMGR_STRINGS table.
class ETpsStringResourceError : public Exception {
public:
  using Exception::Exception;
};

// Reads one "STR0" string table (an RCDATA resource): "STR0", u32 count, count entries
// {u32 id, u32 byte offset, u32 length in UTF-16 units} sorted by id, then UTF-16LE texts.
class TScomStringResource {
public:
  // Looks the table up in the module holding this code, then in the program's main module.
  TScomStringResource(HINSTANCE instance, const char* name);
  ~TScomStringResource();
  TScomStringResource(const TScomStringResource&) = delete;
  TScomStringResource& operator=(const TScomStringResource&) = delete;

  // The text of entry id in the ANSI code page; empty when there is none.
  std::string GetString(uint32_t id) const;
  uint32_t Count() const;

  // The text of entry id of a table held in memory; every count, offset and length is checked
  // against size, and a bad or missing entry is the empty string.
  static std::wstring Find(const void* data, size_t size, uint32_t id);
  static bool HasMagic(const void* data, size_t size);

  bool ReportErrors = false;

private:
  void Open(HINSTANCE instance, const char* name);
  const void* Lock() const;

  HGLOBAL resource_ = nullptr;
  DWORD size_ = 0;
};
