// The whole program in a fresh folder with no modem: it makes its forms in their order, searches
// for a modem, creates its tables and Tree.ini, a second start only restores the first, and
// closing the window ends it cleanly. Its message boxes are answered.
#include "../rtl/TempDir.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string WindowsPath(std::string unixPath) {
  for (char& c : unixPath)
    if (c == '/') c = '\\';
  return "Z:" + unixPath;
}

struct Boxes {
  DWORD pid;
  std::vector<std::string>* texts;
};

BOOL CALLBACK AnswerBox(HWND window, LPARAM param) {
  auto* boxes = reinterpret_cast<Boxes*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (pid == boxes->pid && std::string(cls) == "#32770" && IsWindowVisible(window)) {
    char text[1024] = {};
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    boxes->texts->push_back(text);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  }
  return TRUE;
}

struct MainOf {
  DWORD pid;
  HWND found = nullptr;
};

BOOL CALLBACK FindMain(HWND window, LPARAM param) {
  auto* m = reinterpret_cast<MainOf*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (pid == m->pid && std::string(cls) == "TfmQdx") m->found = window;
  return TRUE;
}

// The class names of the windows a process makes, in the order it makes them.
std::vector<std::string>* windowsMade = nullptr;

void CALLBACK WindowMade(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
  if (object != OBJID_WINDOW || child != CHILDID_SELF || !window || !windowsMade) return;
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  windowsMade->push_back(cls);
}

class Program {
public:
  // With watch, the class names of the windows it makes go to WindowsMade (from its first).
  explicit Program(const std::string& exe, bool watch = false) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string cmd = "\"" + exe + "\"";
    std::string dir = exe.substr(0, exe.rfind('\\'));
    started = CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, dir.c_str(),
                             &si, &pi_);
    if (!started) return;
    if (watch) {
      windowsMade = &WindowsMade;
      hook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, WindowMade, pi_.dwProcessId, 0,
                              WINEVENT_OUTOFCONTEXT);
    }
    ResumeThread(pi_.hThread);
  }
  ~Program() {
    if (hook_) UnhookWinEvent(hook_);
    if (windowsMade == &WindowsMade) windowsMade = nullptr;
    if (!started) return;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  // Answers boxes until the main window is up, or timeoutMs.
  HWND WaitForMain(DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
      Boxes b{pi_.dwProcessId, &boxes};
      EnumWindows(AnswerBox, LPARAM(&b));
      MainOf m{pi_.dwProcessId};
      EnumWindows(FindMain, LPARAM(&m));
      if (m.found && IsWindowVisible(m.found)) return m.found;
      if (WaitPumping(100)) return nullptr;
    }
    return nullptr;
  }
  // Answers boxes until the process ends; its exit code, or -1 after timeoutMs.
  int WaitForExit(DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
      if (WaitPumping(100)) {
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return int(code);
      }
      Boxes b{pi_.dwProcessId, &boxes};
      EnumWindows(AnswerBox, LPARAM(&b));
    }
    return -1;
  }
  bool started = false;
  std::vector<std::string> boxes;
  std::vector<std::string> WindowsMade;

private:
  // Waits up to ms for the end of the process, taking the window events meanwhile.
  bool WaitPumping(DWORD ms) {
    DWORD r = MsgWaitForMultipleObjects(1, &pi_.hProcess, FALSE, ms, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return r == WAIT_OBJECT_0;
  }

  PROCESS_INFORMATION pi_ = {};
  HWINEVENTHOOK hook_ = nullptr;
};

}  // namespace

TEST(Program, StartsInAFreshFolderCreatesItsFilesRefusesASecondInstanceAndEndsCleanly) {
  TempDir dir;
  std::string exe = dir / "Vorlane.exe";
  ASSERT_TRUE(CopyFileA(WindowsPath(VORLANE_EXE).c_str(), exe.c_str(), FALSE));
  {
    Program first(exe, true);
    ASSERT_TRUE(first.started);
    HWND main = first.WaitForMain(60000);
    ASSERT_NE(main, nullptr) << "no main window";
    // The forms in the start-up order (the engine's TfmModem, between TSpecModemForm and
    // TfmInitQDX, has no window); the forms of the settings, the volume level, the about box,
    // the support report, the voice equaliser and the audio service are not made yet.
    const std::vector<std::string> order = {"TfmQdx",        "TProgressForm", "TfmMonitor",
                                            "TMoveToForm",   "TfmQueryModem", "TfmParse",
                                            "TSpecModemForm", "TfmInitQDX",   "TfmCallerID"};
    std::vector<std::string> made;
    for (const std::string& cls : first.WindowsMade)
      if (std::find(order.begin(), order.end(), cls) != order.end() &&
          std::find(made.begin(), made.end(), cls) == made.end())
        made.push_back(cls);
    EXPECT_EQ(made, order);
    EXPECT_NE(ReadWholeFile(dir / "Recordings.d"), "<missing>");
    EXPECT_NE(ReadWholeFile(dir / "Folders.d"), "<missing>");
    EXPECT_NE(ReadWholeFile(dir / "Tree.ini").find("[Tree]\r\nNode0=General\r\n"), std::string::npos)
        << ReadWholeFile(dir / "Tree.ini");
    {
      Program second(exe);
      ASSERT_TRUE(second.started);
      EXPECT_EQ(second.WaitForExit(30000), 0);
    }
    EXPECT_TRUE(IsWindow(main));
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(30000), 0);
    // No modem on any port: the search says so once.
    int noModem = 0;
    for (const std::string& box : first.boxes) noModem += box == "        No modem detected        ";
    EXPECT_EQ(noModem, 1);
  }
  EXPECT_NE(ReadWholeFile(dir / "Events.log"), "<missing>");
  EXPECT_NE(ReadWholeFile(dir / "qdx.ini"), "<missing>");
  // The files of the run go with the folder.
  for (const char* name : {"Recordings.~d", "Folders.~d", "Events.log", "qdx.ini", "Tree.ini"})
    DeleteFileA((dir / name).c_str());
  RemoveDirectoryA((dir / "wav").c_str());
}
