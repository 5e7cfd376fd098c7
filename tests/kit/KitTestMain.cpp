#include "Application.h"
#include "KitClass.h"
#include "KitStart.h"
#include "KitTestMain.h"
#include "KitTimer.h"
#include "MessagePump.h"
#include <gtest/gtest.h>
#include <cstring>

int RunSecondCopy(const char* argument) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string command = std::string("\"") + path + "\" " + argument;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(path, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(pi.hProcess, &code);
  else
    TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

namespace {
// Ticks a thread-mode timer delivers while the application is terminating (it cannot be undone,
// so this runs in a copy of its own).
int TicksWhileTerminating() {
  Application.Terminate();
  int ticks = 0;
  {
    TKitHiTimer timer(nullptr);
    timer.SetInterval(20);
    timer.SetOnTimer([&](TComponent*) { ++ticks; });
    timer.SetEnabled(true);
    Sleep(300);
    ProcessMessages();
  }
  return ticks;
}
}

// Probes for a second copy, answered by the exit code: "--kit-mutex-probe" 3 when the mutex was
// found held (4 when not), "--kit-terminated-probe" 5 when no tick came (6 when one did).
int main(int argc, char** argv) {
  KitStart();
  if (argc > 1) {
    int code = -1;
    if (std::strcmp(argv[1], "--kit-mutex-probe") == 0) code = KitApplication->AlreadyRunning() ? 3 : 4;
    if (std::strcmp(argv[1], "--kit-terminated-probe") == 0) code = TicksWhileTerminating() == 0 ? 5 : 6;
    if (code >= 0) {
      KitStop();
      return code;
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  KitStop();
  return result;
}
