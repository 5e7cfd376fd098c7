#pragma once
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
