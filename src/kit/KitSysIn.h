#pragma once
#include <string>

enum TKitPathPrefix { ppWindows, ppSystem, ppProgram, ppFixed };

// In a namespace of their own: the program's global ProgramDir has no trailing backslash.
namespace KitSysIn {

std::string WindowsDir();
std::string SystemDir();
// The full path of the program file.
std::string ProgramFile();
// The program file's folder, with a trailing backslash.
std::string ProgramDir();
// The folder for a prefix (ppFixed: empty), with or without the trailing backslash.
std::string PrefixPath(TKitPathPrefix prefix, bool withSlash);
// The logged-on user name, unknown ("(Unknown)") when it cannot be read.
std::string GetLogonUserName(const char* unknown = "(Unknown)");
}  // namespace KitSysIn
