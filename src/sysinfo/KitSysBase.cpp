#include "KitSysBase.h"
#include "KitSysIn.h"
#include <windows.h>

namespace {
const char* const OSNames[] = {"Windows 95", "Windows 98", "Windows ME", "Windows NT",
                               "Windows 2000", "Windows XP", "Windows .Net Server"};
const char* const ProductTypeNames[] = {"n/a", "WorkStation", "Server", "Domain Controller"};

struct TSystemFacts {
  bool nt = false;
  int kind = 0;
  std::string computerName = "Unknown";
  std::string windowsFolder;
  std::string systemFolder;

  TSystemFacts() {
    DWORD version = GetVersion();
    nt = (version & 0x80000000) == 0;
    kind = KitSysOSKindOf(nt, LOBYTE(LOWORD(version)), HIBYTE(LOWORD(version)));
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof name;
    if (GetComputerNameA(name, &size)) computerName.assign(name, size);
    windowsFolder = KitSysIn::WindowsDir();
    systemFolder = KitSysIn::SystemDir();
  }
};

const TSystemFacts& Facts() {
  static const TSystemFacts facts;
  return facts;
}
}  // namespace

int KitSysOSKindOf(bool nt, int major, int minor) {
  if (nt) {
    if (major != 5) return 3;
    switch (minor) {
      case 0: return 4;
      case 1: return 5;
      case 2: return 6;
      default: return 3;
    }
  }
  if (major >= 4 && minor >= 90) return 2;
  return minor < 10 ? 0 : 1;
}

bool KitSysIsNT() { return Facts().nt; }
int KitSysOSKind() { return Facts().kind; }

std::string KitSysOSName(int kind) {
  return kind >= 0 && kind < 7 ? OSNames[kind] : "Unknown";
}

std::string KitSysProductTypeName(int type) {
  return type >= 0 && type < 4 ? ProductTypeNames[type] : "Unknown";
}

std::string KitSysComputerName() { return Facts().computerName; }
std::string KitSysWindowsFolder() { return Facts().windowsFolder; }
std::string KitSysSystemFolder() { return Facts().systemFolder; }
