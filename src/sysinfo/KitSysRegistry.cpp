#include "KitSysRegistry.h"
#include <algorithm>

namespace {
// No setting of a modem or of the system is this large; a bigger value is not read.
constexpr DWORD MaxValueSize = 64 * 1024;
}

TKitSysRegistry::TKitSysRegistry(bool readOnly, HKEY root)
    : root_(root), access_(readOnly ? KEY_READ : KEY_ALL_ACCESS) {}

void TKitSysRegistry::SetRootKey(HKEY root) {
  CloseKey();
  root_ = root;
}

bool TKitSysRegistry::OpenKey(const std::string& path) {
  CloseKey();
  std::string relative = !path.empty() && path[0] == '\\' ? path.substr(1) : path;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root_, relative.c_str(), 0, access_, &key) != ERROR_SUCCESS) return false;
  key_ = key;
  return true;
}

void TKitSysRegistry::CloseKey() {
  if (key_) RegCloseKey(key_);
  key_ = nullptr;
}

std::vector<std::string> TKitSysRegistry::SubKeyNames() const {
  std::vector<std::string> names;
  if (!key_) return names;
  for (DWORD index = 0;; ++index) {
    char name[256];  // a key name has at most 255 characters
    DWORD length = sizeof name;
    LONG rc = RegEnumKeyExA(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

bool TKitSysRegistry::ValueExists(const std::string& name) const {
  return key_ && RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TKitSysRegistry::ReadString(const std::string& name, std::string& value) const {
  if (!key_) return false;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > MaxValueSize) return false;
  std::string data(size, '\0');
  if (size && RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;  // changed between the two reads
  data.resize(std::min<size_t>(size, data.size()));
  value = data.substr(0, data.find('\0'));
  return true;
}

bool TKitSysRegistry::ReadInteger(const std::string& name, int& value) const {
  if (!key_) return false;
  DWORD type = 0, data = 0, size = sizeof data;
  if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
    return false;
  if (type != REG_DWORD || size != sizeof data) return false;
  value = static_cast<int>(data);
  return true;
}

LONG TKitSysRegistry::WriteString(const std::string& name, const std::string& value) {
  if (!key_) return ERROR_INVALID_HANDLE;
  return RegSetValueExA(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
}
