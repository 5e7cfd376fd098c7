// The whole program in a fresh folder with no modem: it makes its forms in the start-up order,
// searches for a modem, creates its tables and Tree.ini, a second start only restores the first,
// and closing the window ends it cleanly. Its message boxes are answered.
#include "TempDir.h"
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

// Delivers this thread's messages, the window events of other processes among them.
void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// The class names of the top-level windows that other processes make, in the order they are made.
class WindowsMade {
public:
  WindowsMade() {
    instance_ = this;
    hook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, Made, 0, 0,
                            WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  }
  ~WindowsMade() {
    if (hook_) UnhookWinEvent(hook_);
    instance_ = nullptr;
  }
  bool Hooked() const { return hook_ != nullptr; }
  // Each class once, where it first came, keeping only the names of the list.
  std::vector<std::string> Of(DWORD pid, const std::vector<std::string>& names) const {
    std::vector<std::string> seen;
    for (const auto& [owner, cls] : made_)
      if (owner == pid && std::count(names.begin(), names.end(), cls) && !std::count(seen.begin(), seen.end(), cls))
        seen.push_back(cls);
    return seen;
  }

private:
  static void CALLBACK Made(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (!instance_ || !window || object != OBJID_WINDOW || child != CHILDID_SELF) return;
    if (GetAncestor(window, GA_PARENT) != GetDesktopWindow()) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    instance_->made_.emplace_back(pid, cls);
  }
  static inline WindowsMade* instance_ = nullptr;
  HWINEVENTHOOK hook_ = nullptr;
  std::vector<std::pair<DWORD, std::string>> made_;
};

class Program {
public:
  explicit Program(const std::string& exe) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string cmd = "\"" + exe + "\"";
    std::string dir = exe.substr(0, exe.rfind('\\'));
    started = CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi_);
  }
  ~Program() {
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
      if (MsgWaitForMultipleObjects(1, &pi_.hProcess, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0) return nullptr;
      PumpMessages();
    }
    return nullptr;
  }
  // Answers boxes until the process ends; its exit code, or -1 after timeoutMs.
  int WaitForExit(DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
      if (WaitForSingleObject(pi_.hProcess, 100) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return int(code);
      }
      Boxes b{pi_.dwProcessId, &boxes};
      EnumWindows(AnswerBox, LPARAM(&b));
    }
    return -1;
  }
  DWORD Pid() const { return pi_.dwProcessId; }
  bool started = false;
  std::vector<std::string> boxes;

private:
  PROCESS_INFORMATION pi_ = {};
};

}  // namespace

TEST(Program, StartsInAFreshFolderCreatesItsFilesRefusesASecondInstanceAndEndsCleanly) {
  TempDir dir;
  std::string exe = dir / "Vorlane.exe";
  ASSERT_TRUE(CopyFileA(WindowsPath(VORLANE_EXE).c_str(), exe.c_str(), FALSE));
  {
    Program first(exe);
    ASSERT_TRUE(first.started);
    HWND main = first.WaitForMain(60000);
    ASSERT_NE(main, nullptr) << "no main window";
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

TEST(Program, MakesItsFormsInTheStartUpOrder) {
  // The start-up order: the main form first, the start-up modem check after the modem engine and
  // before the audio service and the caller-ID pop-up.
  const std::vector<std::string> order = {
      "TfmQdx", "TfmSettings", "TfmVolLevel", "TfmAbout", "TfmAskSupport", "TProgressForm", "TfmMonitor",
      "TMoveToForm", "TfmVoEqzer", "TfmQueryModem", "TfmParse", "TSpecModemForm", "TfmModem", "TfmInitQDX",
      "TfmAudio", "TfmCallerID"};
  TempDir dir;
  std::string exe = dir / "Vorlane.exe";
  ASSERT_TRUE(CopyFileA(WindowsPath(VORLANE_EXE).c_str(), exe.c_str(), FALSE));
  WindowsMade made;
  ASSERT_TRUE(made.Hooked());
  {
    Program program(exe);
    ASSERT_TRUE(program.started);
    HWND main = program.WaitForMain(60000);
    ASSERT_NE(main, nullptr) << "no main window";
    PumpMessages();
    std::vector<std::string> seen = made.Of(program.Pid(), order);
    std::vector<std::string> inOrder;
    for (const std::string& name : order)
      if (std::count(seen.begin(), seen.end(), name)) inOrder.push_back(name);
    EXPECT_EQ(seen, inOrder);
    for (const char* form : {"TfmQdx", "TProgressForm", "TfmMonitor", "TMoveToForm", "TfmQueryModem", "TfmParse",
                             "TSpecModemForm", "TfmInitQDX", "TfmCallerID"})
      EXPECT_TRUE(std::count(seen.begin(), seen.end(), form)) << form << " was not made";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(30000), 0);
  }
  RemoveDirectoryA((dir / "wav").c_str());  // the files go with the folder
}
