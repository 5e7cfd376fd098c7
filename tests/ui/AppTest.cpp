// The application object's forms: creation order, form variables, the main form and its
// window class, Run and its end.
#include <gtest/gtest.h>
#include "Application.h"
#include "Exception.h"
#include "Form.h"
#include "Screen.h"
#include "Timer.h"
#include "UiTest.h"

namespace {
class TfmQdx;
class TfmSettings;
class TfmInitQDX;
TfmQdx* fmQdx = nullptr;
TfmSettings* fmSettings = nullptr;
TfmInitQDX* fmInitQDX = nullptr;
std::vector<std::string> events;

// A component that notes whether it was made during the form's load, and its Loaded call.
class TProbe : public TComponent {
public:
  explicit TProbe(TComponent* owner) : TComponent(owner) {
    events.push_back(Loading() ? "probe made while loading" : "probe made after loading");
  }
  void Loaded() override { events.push_back("probe loaded"); }
};

class TfmQdx : public TForm {
public:
  explicit TfmQdx(TComponent* owner) : TForm(owner, "TfmQdx") {
    SetCaption("Vorlane");
    new TProbe(this);
    OnCreate = [this](TComponent*) {
      events.push_back(std::string("main created, own variable ") + (fmQdx == this ? "set" : "unset") +
                       ", settings " + (fmSettings ? "exist" : "missing"));
    };
    OnDestroy = [](TComponent*) { events.push_back("main destroyed"); };
  }
};

class TfmSettings : public TForm {
public:
  explicit TfmSettings(TComponent* owner) : TForm(owner, "TfmSettings") {
    OnCreate = [](TComponent*) { throw Exception("settings failed"); };
    OnDestroy = [](TComponent*) { events.push_back("settings destroyed"); };
  }
};

class TfmInitQDX : public TForm {
public:
  explicit TfmInitQDX(TComponent* owner) : TForm(owner, "TfmInitQDX") {
    OnCreate = [](TComponent*) {
      events.push_back(std::string("init created, settings ") + (fmSettings ? "exist" : "missing"));
    };
    OnDestroy = [](TComponent*) { events.push_back("init destroyed"); };
  }
};

int RunHelper(const std::string& className) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string exe = path;
  exe = exe.substr(0, exe.find_last_of("\\/") + 1) + "ui_findwindow.exe";
  std::string command = "\"" + exe + "\" " + className;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  DWORD code = 99;
  // Pump while waiting: the other process's FindWindow may ask our windows.
  PumpFor([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 30000);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}
}

TEST(AppTest, FormsAreCreatedInOrderAndRunEndsWithTheMainForm) {
  Application.Initialize();
  Application.SetTitle("Vorlane");
  std::vector<std::string> caught;
  Application.OnException = [&](TComponent*, const std::exception_ptr& e) {
    caught.push_back(ExceptionText(e));
  };
  Application.CreateForm(fmQdx);
  Application.CreateForm(fmSettings);
  Application.CreateForm(fmInitQDX);
  ASSERT_EQ(4u, events.size());
  EXPECT_EQ("probe made while loading", events[0]);
  EXPECT_EQ("probe loaded", events[1]);
  EXPECT_EQ("main created, own variable set, settings missing", events[2]);
  EXPECT_EQ("init created, settings exist", events[3]);
  EXPECT_EQ((std::vector<std::string>{"settings failed"}), caught);
  ASSERT_NE(nullptr, fmSettings) << "a form whose creation handler failed still exists";
  EXPECT_EQ(fmQdx, Application.MainForm());
  EXPECT_EQ(3, Screen.FormCount());

  // Run shows the main form, runs the idle handler, and ends when the main form closes.
  int idleCalls = 0;
  Application.OnIdle = [&](TComponent*, bool&) { ++idleCalls; };
  bool foundOutside = false, strangerFound = true;
  TTimer closer(nullptr);
  closer.SetInterval(300);
  closer.OnTimer = [&](TComponent*) {
    if (idleCalls == 0) return;  // a loaded machine may not have gone idle yet: wait for it
    closer.SetEnabled(false);
    EXPECT_TRUE(fmQdx->Visible());
    // The main form's minimize box minimizes the application, which the hooks see.
    bool sawMinimized = false;
    int hook = Application.HookMainWindow([&](UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
      if (msg == WM_SIZE && wParam == SIZE_MINIMIZED) sawMinimized = true;
      return false;
    });
    SendMessageA(fmQdx->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(sawMinimized);
    EXPECT_TRUE(Application.Minimized());
    EXPECT_EQ(wsMinimized, fmQdx->WindowState());
    EXPECT_FALSE(IsWindowVisible(fmQdx->Handle()));
    Application.Restore();
    EXPECT_FALSE(Application.Minimized());
    EXPECT_TRUE(IsWindowVisible(fmQdx->Handle()));
    EXPECT_EQ(wsNormal, fmQdx->WindowState());
    Application.UnhookMainWindow(hook);
    foundOutside = RunHelper("TfmQdx") == 0;
    strangerFound = RunHelper("TNoSuchWindowClass") == 0;
    PostMessageA(fmQdx->Handle(), WM_CLOSE, 0, 0);
  };
  TWatchdog safety(Application.Handle(), 60000);
  Application.Run();
  EXPECT_TRUE(Application.Terminated());
  EXPECT_GT(idleCalls, 0);
  EXPECT_TRUE(foundOutside) << "the main window class is found by another process";
  EXPECT_FALSE(strangerFound);

  // Freed last made first; the main form goes last.
  events.clear();
  Application.DestroyForms();
  EXPECT_EQ((std::vector<std::string>{"init destroyed", "settings destroyed", "main destroyed"}),
            events);
  EXPECT_EQ(nullptr, Application.MainForm());
  EXPECT_EQ(0, Screen.FormCount());
  Application.OnIdle = nullptr;
  Application.OnException = nullptr;
}
