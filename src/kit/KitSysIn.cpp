#include "KitSysIn.h"
#include "KitUtils.h"
#include "SysUtils.h"
#include <windows.h>

namespace KitSysIn {

std::string WindowsDir() {
  char buf[MAX_PATH];
  UINT n = GetWindowsDirectoryA(buf, sizeof buf);
  return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string SystemDir() {
  char buf[MAX_PATH];
  UINT n = GetSystemDirectoryA(buf, sizeof buf);
  return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string ProgramFile() {
  char buf[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string ProgramDir() {
  return ExtractFilePath(ProgramFile());
}

std::string PrefixPath(TKitPathPrefix prefix, bool withSlash) {
  std::string dir;
  switch (prefix) {
    case ppWindows: dir = WindowsDir(); break;
    case ppSystem: dir = SystemDir(); break;
    case ppProgram: dir = ProgramDir(); break;
    case ppFixed: break;
  }
  return withSlash ? SlashAdd(dir) : SlashRemove(dir);
}

std::string GetLogonUserName(const char* unknown) {
  char buf[64];
  DWORD size = sizeof buf - 1;
  if (!GetUserNameA(buf, &size) || size == 0) return unknown;
  return std::string(buf, size - 1);  // size counts the terminating zero
}
}  // namespace KitSysIn
