#pragma once
#include <windows.h>
#include <string>
#include <vector>

// One registry key at a time under a root, opened read-only or with full access and closed when
// the object goes. Reads never trust the registry: a value that is missing, of another type
// than asked, or larger than any sane setting reads as missing.
class TKitSysRegistry {
public:
  explicit TKitSysRegistry(bool readOnly, HKEY root = HKEY_CURRENT_USER);
  ~TKitSysRegistry() { CloseKey(); }
  TKitSysRegistry(const TKitSysRegistry&) = delete;
  TKitSysRegistry& operator=(const TKitSysRegistry&) = delete;

  void SetRootKey(HKEY root);
  // Opens a key of the root without creating it (a leading backslash is allowed); the key open
  // before is closed either way.
  bool OpenKey(const std::string& path);
  void CloseKey();
  bool KeyOpen() const { return key_ != nullptr; }

  // The names of the open key's subkeys, in the order the registry enumerates them.
  std::vector<std::string> SubKeyNames() const;
  bool ValueExists(const std::string& name) const;
  // REG_SZ or REG_EXPAND_SZ (not expanded), cut at the first zero.
  bool ReadString(const std::string& name, std::string& value) const;
  // REG_DWORD of exactly four bytes.
  bool ReadInteger(const std::string& name, int& value) const;
  // The platform's error code, 0 on success.
  LONG WriteString(const std::string& name, const std::string& value);

private:
  HKEY root_;
  HKEY key_ = nullptr;
  REGSAM access_;
};
