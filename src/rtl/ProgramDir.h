#pragma once
#include <string>

// The program's folder, without a trailing backslash ("C:\Apps\Vorlane", or "C:" for a
// program in a drive's root). Empty until InitProgramDir, which the entry point calls once
// at start; making it the current folder is the caller's step.
extern std::string ProgramDir;
void InitProgramDir();
// A file of the program's folder: ProgramDir + "\\" + name (the bare name before InitProgramDir).
std::string ProgramPath(const std::string& name);
