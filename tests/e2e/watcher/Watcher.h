#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>
#include "Box.h"
#include "Rules.h"
#include "WatchLog.h"

struct TWatchOptions {
  std::wstring quitFile;
  std::wstring eventName;
  std::wstring attach;            // image path or file name of the process to watch
  DWORD pid = 0;                  // or its id
  std::vector<std::wstring> program;  // or the program to start (path, arguments)
  int defaultAfter = 5000;        // ms an unknown box waits for its default button; -1: never
  int stuckAfter = 15000;         // ms a matched rule may wait for its button or entry
  int againAfter = 10000;         // ms an answered box may stay up unchanged before it is answered again
  int closeOnQuit = -1;           // ms the watched program gets to end after WM_CLOSE; -1: left alone
  std::wstring closeClass;        // WM_CLOSE goes to the windows of this class only
  int timeout = 600;              // s: the watcher never outlives this
  int attachTimeout = 30000;      // ms
  int poll = 100;                 // ms
};

// Watches the top-level windows of one process (or of all), logs each box it sees, and answers
// it by the rules; unknown boxes get their default button after a while, loudly.
class TWatcher {
public:
  TWatcher(const TWatchOptions& options, std::vector<TRule> rules, TWatchLog& log);
  ~TWatcher();
  // Returns the exit status: 0 ended as told or with the program, 3 own time-out, 4 no program.
  int Run();

private:
  struct TSeen {
    TBox box;
    ULONGLONG enabledSince = 0;
    ULONGLONG quietSince = 0;  // the last change after it was answered
    int again = 0;             // ms, for the box as answered
    bool done = false;
    bool stuck = false;
  };
  bool FindProcess();
  bool Launch();
  void Scan();
  void Work(HWND hwnd, TSeen& seen, ULONGLONG now);
  bool ActByRule(HWND hwnd, TSeen& seen, TRule& rule, std::string& missing);
  void ActByDefault(HWND hwnd, TSeen& seen, const char* why);
  void Answered(TSeen& seen, int again);
  std::string QuitReason();
  void CloseProgram();
  bool ProgramRunning() const;
  void Pause(DWORD ms);
  void AnswerCrash();

  TWatchOptions options_;
  std::vector<TRule> rules_;
  TWatchLog& log_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  HANDLE event_ = nullptr;
  std::map<HWND, TSeen> seen_;
  std::string exeName_;            // of the watched program, as the crash dialog names it
  ULONGLONG nextCrashLook_ = 0;
  std::vector<HWND> crashSeen_;
};
