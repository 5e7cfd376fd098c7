#include "KitSysBase.h"
#include "DateUtils.h"
#include "KitSysIn.h"
#include "StringList.h"
#include "SysUtils.h"
#include <windows.h>
#include <shlobj.h>
#include <cstring>

namespace {
const char* const OSNames[] = {"Windows 95", "Windows 98", "Windows ME", "Windows NT",
                               "Windows 2000", "Windows XP", "Windows .Net Server"};
const char* const ProductTypeNames[] = {"n/a", "WorkStation", "Server", "Domain Controller"};

struct TSpecialFolder {
  const char* name;
  int id;
};
const TSpecialFolder SpecialFolders[KitSysSpecialFolderCount] = {
    {"Desktop", 0x0}, {"Programs", 0x2}, {"ControlPanel", 0x3}, {"Printers", 0x4}, {"MyDocuments", 0x5},
    {"Favorites", 0x6}, {"Startup", 0x7}, {"Recent", 0x8}, {"SendTo", 0x9}, {"RecycleBin", 0xA},
    {"StartMenu", 0xB}, {"DesktopDirectory", 0x10}, {"Network", 0x12}, {"NetHood", 0x13}, {"Internet", 0x1},
    {"Fonts", 0x14}, {"Templates", 0x15}, {"CommonStartMenu", 0x16}, {"CommonPrograms", 0x17},
    {"CommonStartup", 0x18}, {"CommonDesktopDirectory", 0x19}, {"AppData", 0x1A}, {"PrintHood", 0x1B},
    {"AltStartup", 0x1D}, {"CommonAltstartup", 0x1E}, {"CommonFavorites", 0x1F}, {"InternetCache", 0x20},
    {"Cookies", 0x21}, {"History", 0x22}, {"MyVideo", 0xE}, {"CommonVideo", 0x37}, {"MyPictures", 0x27},
    {"CommonPictures", 0x36}, {"MyMusic", 0xD}, {"CommonMusic", 0x35}, {"MyDocuments", 0xC},
    {"AdminTools", 0x30}, {"CommonAdminTools", 0x2F}, {"BurnArea", 0x3B}, {"Profile", 0x28},
    {"Profiles", 0x3E}, {"ProgramFiles", 0x26}, {"CommonProgramFiles", 0x2B}, {"Windows", 0x24},
    {"System", 0x25}};

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

double KitSysUptimeDays() {
  LARGE_INTEGER counter, frequency;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 || !QueryPerformanceCounter(&counter))
    return 0;
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart) / 86400.0;
}

TDateTime KitSysLastBoot() {
  double uptime = KitSysUptimeDays();
  return uptime >= 0 ? Now() - uptime : Now();
}

void KitSysGetEnvironment(TStringList& list) {
  list.Clear();
  char* block = GetEnvironmentStringsA();
  if (!block) return;
  for (const char* p = block; *p; p += std::strlen(p) + 1) list.Add(p);
  FreeEnvironmentStringsA(block);
}

std::string KitSysSpecialFolderName(int index) {
  return index >= 0 && index < KitSysSpecialFolderCount ? SpecialFolders[index].name : "";
}

std::string KitSysSpecialFolder(int index) {
  if (index < 0 || index >= KitSysSpecialFolderCount) return "";
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, SpecialFolders[index].id, &items)) || !items) return "";
  char path[MAX_PATH + 1] = {};
  bool ok = SHGetPathFromIDListA(items, path);
  IMalloc* malloc = nullptr;
  if (SUCCEEDED(SHGetMalloc(&malloc)) && malloc) {
    malloc->Free(items);
    malloc->Release();
  }
  return ok ? std::string(path) : std::string();
}

void KitSysSystemFolders(TStringList& list) {
  for (int i = 0; i < KitSysSpecialFolderCount; ++i) list.Add(KitSysSpecialFolderName(i) + "=" + KitSysSpecialFolder(i));
}

std::string KitSysUserName() { return KitSysIn::GetLogonUserName("Unknown"); }

std::string KitSysTempFolder() {
  char path[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof path - 1, path);
  if (n == 0 || n >= sizeof path - 1) return "";
  return KitSysLongPathName(std::string(path, n));
}

namespace {
// "C:" or "\\server\share"; empty for a path without a drive.
std::string DrivePart(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  if (path.rfind("\\\\", 0) == 0) {
    size_t server = path.find('\\', 2);
    if (server == std::string::npos) return path;
    size_t share = path.find('\\', server + 1);
    return share == std::string::npos ? path : path.substr(0, share);
  }
  return "";
}
}  // namespace

std::string KitSysLongPathName(const std::string& path) {
  std::string drive = DrivePart(path);
  std::string rest = path.substr(drive.size());
  if (rest.empty() || rest == "\\") return ExcludeTrailingBackslash(path);
  std::string trimmed = ExcludeTrailingBackslash(path);
  size_t slash = trimmed.find_last_of('\\');
  if (slash != std::string::npos && slash < drive.size()) slash = std::string::npos;  // inside "\\server\share"
  std::string parent = slash == std::string::npos ? drive : trimmed.substr(0, slash);
  std::string name = trimmed.substr(slash == std::string::npos ? drive.size() : slash + 1);
  if (name.empty()) return trimmed;
  // A wildcard would let the search answer with another file's name.
  if (name.find_first_of("*?") == std::string::npos) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(trimmed.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      name = found.cFileName;
      FindClose(search);
    }
  }
  if (slash == std::string::npos) return drive + name;  // "C:name" or a bare relative name
  return (parent.size() > drive.size() ? KitSysLongPathName(parent) : parent) + "\\" + name;
}

TDateTime KitSysUnixToDateTime(int64_t seconds) {
  int64_t days = seconds / 86400, rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  TDateTime utc = EncodeDate(1970, 1, 1) + static_cast<double>(days) + rest / 86400.0;
  SYSTEMTIME st, local;
  FILETIME ft, localFt;
  DateTimeToSystemTime(utc, st);
  if (!SystemTimeToFileTime(&st, &ft) || !FileTimeToLocalFileTime(&ft, &localFt) ||
      !FileTimeToSystemTime(&localFt, &local))
    return utc;
  return SystemTimeToDateTime(local);
}
