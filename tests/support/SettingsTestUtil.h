#pragma once
#include "EventLog.h"
#include "LiveSettings.h"
#include "ProgramDir.h"
#include "TempDir.h"

// A temporary program folder: ProgramDir points at it while the fixture lives; the event log
// starts empty.
class ProgramFolder : public TempDir {
public:
  ProgramFolder() : saved_(ProgramDir) {
    ProgramDir = Path();
    EventLog().Clear();
  }
  ~ProgramFolder() { ProgramDir = saved_; }
  std::string Ini() const { return *this / "qdx.ini"; }

private:
  std::string saved_;
};

// Lines joined as a file would hold them.
inline std::string Crlf(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}
