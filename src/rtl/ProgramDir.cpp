#include "ProgramDir.h"
#include "Exception.h"
#include "SysUtils.h"
#include <windows.h>
#include <vector>

std::string ProgramDir;

void InitProgramDir() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) throw EInOutError("Cannot find the program's folder", static_cast<int>(GetLastError()));
    if (n < buf.size()) {
      ProgramDir = ExcludeTrailingBackslash(ExtractFilePath(std::string(buf.data(), n)));
      return;
    }
    buf.resize(buf.size() * 2);
  }
}

std::string ProgramPath(const std::string& name) {
  return ProgramDir.empty() ? name : ProgramDir + "\\" + name;
}
