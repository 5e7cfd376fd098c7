#pragma once
#include <cstdint>
#include <string>

// Facts about the running system that every information kind uses, read once on first use.

// 0 "Windows 95", 1 "Windows 98", 2 "Windows ME", 3 "Windows NT", 4 "Windows 2000",
// 5 "Windows XP", 6 "Windows .Net Server".
int KitSysOSKindOf(bool nt, int major, int minor);
bool KitSysIsNT();
int KitSysOSKind();
// "Unknown" outside the table.
std::string KitSysOSName(int kind);
// 0 "n/a", 1 "WorkStation", 2 "Server", 3 "Domain Controller"; "Unknown" outside.
std::string KitSysProductTypeName(int type);
// "Unknown" when the platform does not say.
std::string KitSysComputerName();
// Empty when the platform does not say.
std::string KitSysWindowsFolder();
std::string KitSysSystemFolder();

class TStringList;
using TDateTime = double;

// Days since the system started (0 without a performance counter).
double KitSysUptimeDays();
// Now minus the uptime.
TDateTime KitSysLastBoot();
// The process's "name=value" environment strings, in order; the list is cleared first.
void KitSysGetEnvironment(TStringList& list);

// The shell's special folders: 45 rows of name and folder id ("MyDocuments" twice, ids 5 and C).
constexpr int KitSysSpecialFolderCount = 45;
std::string KitSysSpecialFolderName(int index);
// Empty for an index outside the table and on any failure.
std::string KitSysSpecialFolder(int index);
// One "name=path" line per row, in table order.
void KitSysSystemFolders(TStringList& list);

// "Unknown" when the platform does not say.
std::string KitSysUserName();
// The temporary folder in its long form, without the trailing backslash.
std::string KitSysTempFolder();
// Every folder and file name of the path as the file system spells it; a part that cannot be
// found keeps its own spelling. A root or bare drive comes back without a trailing backslash.
std::string KitSysLongPathName(const std::string& path);
// Seconds since 1970-01-01 00:00 UTC as a local date and time.
TDateTime KitSysUnixToDateTime(int64_t seconds);
