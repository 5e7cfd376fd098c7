#include "Form.h"
#include "KitClass.h"
#include "KitCont.h"
#include "KitIniCtrl.h"
#include "KitStart.h"
#include "KitTestMain.h"
#include "KitXPStyles.h"
#include "KitXPThemeManager.h"
#include "MessagePump.h"
#include "MessageWindow.h"
#include <gtest/gtest.h>
#include <windows.h>

namespace {
std::string UpperProgramName() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string name(path, n);
  name = name.substr(name.find_last_of('\\') + 1);
  CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
  return name;
}
}

TEST(KitStart, MakesApplicationThemeManagerAndContainer) {
  ASSERT_NE(KitApplication, nullptr);
  ASSERT_NE(KitThemeManager, nullptr);
  ASSERT_NE(KitDefaultContainer, nullptr);
  EXPECT_EQ(KitThemeManager->Owner(), nullptr);
  EXPECT_EQ(KitDefaultContainer->Owner(), nullptr);
  // Without an owner there is no window to hook.
  EXPECT_FALSE(KitThemeManager->Hook());
  EXPECT_FALSE(KitThemeManager->Hooked());

  EXPECT_EQ(KitApplication->Options, 0x36);
  EXPECT_EQ(KitApplication->LogPathPrefix, ppProgram);
  EXPECT_EQ(KitApplication->TimerPool()->MinInterval(), 50);
  EXPECT_FALSE(KitApplication->TimerPool()->Running());
  EXPECT_EQ(KitApplication->IniCtrl()->Owner(), nullptr);
  EXPECT_GT(KitApplication->PerformanceFrequency, 0);
  EXPECT_GT(KitApplication->CheckBoxWidth, 0);
  EXPECT_GT(KitApplication->CheckBoxHeight, 0);
  EXPECT_EQ(KitThemeLibrary.Loaded, KitThemeLibrary.Handle != nullptr);
}

TEST(KitStart, MutexNamedAfterProgramIsHeldAndSeenBySecondCopy) {
  ASSERT_NE(KitApplication->MutexHandle(), nullptr);
  EXPECT_FALSE(KitApplication->AlreadyRunning());
  HANDLE other = OpenMutexA(SYNCHRONIZE, FALSE, UpperProgramName().c_str());
  EXPECT_NE(other, nullptr) << UpperProgramName();
  if (other) CloseHandle(other);
  EXPECT_EQ(RunSecondCopy("--kit-mutex-probe"), 3);
}

TEST(KitApplication, LogFileNames) {
  struct Case { const char* name; TKitPathPrefix prefix; const char* expected; };
  const Case cases[] = {
      {"", ppProgram, "C:\\Apps\\rec.LOG"},
      {"   ", ppProgram, "C:\\Apps\\rec.LOG"},
      {"trace", ppProgram, "C:\\Apps\\trace.LOG"},
      {"x.txt", ppProgram, "C:\\Apps\\x.txt"},
      {"D:\\logs\\x.txt", ppProgram, "C:\\Apps\\x.txt"},
      {"D:\\logs\\x", ppFixed, "D:\\logs\\x.LOG"},
      {"D:\\logs\\x.txt", ppFixed, "D:\\logs\\x.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MakeLogFileName(c.name, c.prefix, "C:\\Apps\\rec.exe"), c.expected);
  }
  EXPECT_EQ(MakeLogFileName("a", ppWindows, "C:\\Apps\\rec.exe"), KitSysIn::PrefixPath(ppWindows, true) + "a.LOG");
  std::string program = KitSysIn::ProgramFile();
  EXPECT_EQ(KitApplication->LogFileName(), program.substr(0, program.size() - 4) + ".LOG");
}

namespace {
// A visible top-level window with one child; counts the theme messages each receives.
struct TThemeProbe {
  static inline int formChanged = 0, childChanged = 0, childKit = 0;
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    bool child = GetParent(hwnd) != nullptr;
    if (msg == WM_THEMECHANGED) ++(child ? childChanged : formChanged);
    if (msg == KM_THEMECHANGED && child) ++childKit;
    return DefWindowProcA(hwnd, msg, w, l);
  }
  HWND form = nullptr, child = nullptr;
  TThemeProbe() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KitThemeProbe";
    RegisterClassA(&wc);
    form = CreateWindowExA(0, "KitThemeProbe", "probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                           nullptr, nullptr, wc.hInstance, nullptr);
    child = CreateWindowExA(0, "KitThemeProbe", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, form, nullptr,
                            wc.hInstance, nullptr);
    ProcessMessages();
    formChanged = childChanged = childKit = 0;
  }
  ~TThemeProbe() { DestroyWindow(form); }
  void Expect(int times) {
    EXPECT_EQ(formChanged, times);
    EXPECT_EQ(childChanged, times);
    EXPECT_EQ(childKit, times);
  }
};

class TManagerProbe : public TKitXPThemeManager {
public:
  explicit TManagerProbe(HWND window) : TKitXPThemeManager(nullptr), window_(window) {}

protected:
  HWND WindowToHook() const override { return window_; }

private:
  HWND window_;
};
}

TEST(KitApplication, ThemeSwitchFollowsTheSystemAndTellsVisibleWindows) {
  TThemeProbe probe;
  ASSERT_NE(probe.form, nullptr) << GetLastError();
  ASSERT_NE(probe.child, nullptr) << GetLastError();
  KitApplication->RefreshThemeState();
  if (!ThemesAvailable()) {
    KitApplication->SetThemesEnabled(true);
    EXPECT_FALSE(KitApplication->ThemesEnabled());  // stays off, nothing sent
    probe.Expect(0);
    return;
  }
  ASSERT_TRUE(KitApplication->ThemesEnabled());
  KitApplication->SetThemesEnabled(true);  // unchanged: nothing
  probe.Expect(0);
  KitApplication->SetThemesEnabled(false);
  EXPECT_FALSE(KitApplication->ThemesEnabled());
  probe.Expect(1);
  KitApplication->SetThemesEnabled(true);
  EXPECT_TRUE(KitApplication->ThemesEnabled());
  probe.Expect(2);

  // The theme manager, once it has a window, re-applies the theme on the system's change.
  TMessageWindow window("KitThemeManagerProbe", [](UINT, WPARAM, LPARAM, LRESULT&) { return false; });
  TManagerProbe manager(window.Handle());
  ASSERT_TRUE(manager.Hook());
  SendMessageA(window.Handle(), WM_THEMECHANGED, 0, 0);
  probe.Expect(4);
  EXPECT_TRUE(KitApplication->ThemesEnabled());
}

namespace {
class THookProbe : public TKitWndProcComponent {
public:
  THookProbe(HWND window) : TKitWndProcComponent(nullptr), window_(window) {}
  std::vector<UINT> seen;

protected:
  HWND WindowToHook() const override { return window_; }
  LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override {
    seen.push_back(msg);
    return TKitWndProcComponent::WndProc(msg, w, l);
  }

private:
  HWND window_;
};
}

TEST(KitWndProcComponent, HooksAWindowAndPutsItBack) {
  constexpr UINT kProbe = WM_USER + 5;
  TMessageWindow window("KitHookProbeWindow", [](UINT msg, WPARAM, LPARAM, LRESULT& r) {
    if (msg != kProbe) return false;
    r = 42;
    return true;
  });
  THookProbe probe(window.Handle());
  probe.Active = false;
  probe.HookIfActive();
  EXPECT_FALSE(probe.Hooked());
  probe.Active = true;
  ASSERT_TRUE(probe.Hook());
  EXPECT_FALSE(probe.Hook());  // already hooked
  EXPECT_EQ(SendMessageA(window.Handle(), kProbe, 0, 0), 42);  // passed on to the window
  ASSERT_EQ(probe.seen.size(), 1u);
  EXPECT_EQ(probe.seen[0], kProbe);
  probe.Unhook();
  EXPECT_EQ(SendMessageA(window.Handle(), kProbe, 0, 0), 42);
  EXPECT_EQ(probe.seen.size(), 1u);

  probe.SetDesigning(true);
  EXPECT_FALSE(probe.Hook());
  probe.HookInDesign = true;
  EXPECT_TRUE(probe.Hook());
}

TEST(KitWndProcComponent, HooksItsOwnerFormUntilTheFormGoes) {
  struct TOwned : TKitWndProcComponent {
    using TKitWndProcComponent::TKitWndProcComponent;
    int* seen = nullptr;
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override {
      if (msg == WM_USER + 9) ++*seen;
      return TKitWndProcComponent::WndProc(msg, w, l);
    }
  };
  int seen = 0;
  auto* form = new TForm(nullptr);
  auto* hook = new TOwned(form);  // owned: freed with the form
  hook->seen = &seen;
  ASSERT_NE(form->Handle(), nullptr);
  ASSERT_TRUE(hook->Hook());
  SendMessageA(form->Handle(), WM_USER + 9, 0, 0);
  EXPECT_EQ(seen, 1);
  form->Free();
}

namespace {
struct TPoolFixture : ::testing::Test {
  TKitTimerPool pool{nullptr, 20};
  void Run(const std::function<bool()>& done) { ASSERT_TRUE(PumpUntil(done, 10000)); }
};
}

TEST_F(TPoolFixture, EntriesFireByDivisorAndRepeatLimit) {
  std::vector<int> every3;
  std::vector<std::pair<int, int>> poolCalls;  // ident, counter
  auto add = [&](uint16_t ident, int divisor, int limit, TNotifyEvent own) {
    auto e = std::make_unique<TKitTimerPoolEntry>();
    e->Ident = ident;
    e->Divisor = divisor;
    e->RepeatLimit = limit;
    e->Pool = &pool;
    e->OnTimer = std::move(own);
    pool.Entries().push_back(std::move(e));
    return pool.Entries().back().get();
  };
  TKitTimerPoolEntry* three = add(1, 3, 0, [&](TComponent* sender) {
    EXPECT_EQ(sender, &pool);
    every3.push_back(pool.TickCounter());
  });
  TKitTimerPoolEntry* twice = add(7, 1, 2, nullptr);
  TKitTimerPoolEntry* never = add(8, 0, 0, nullptr);  // divisor 0: never fires, never divides
  pool.OnTimer = [&](TComponent*, uint16_t ident, int counter) { poolCalls.push_back({ident, counter}); };
  EXPECT_EQ(pool.ActiveCount(), 3);
  pool.UpdatePoolTimer(true);
  EXPECT_TRUE(pool.Running());
  Run([&] { return every3.size() >= 4; });
  EXPECT_EQ(every3, (std::vector<int>{3, 6, 9, 12}));
  EXPECT_TRUE(three->Enabled);
  EXPECT_FALSE(twice->Enabled);
  EXPECT_EQ(poolCalls, (std::vector<std::pair<int, int>>{{7, 1}, {7, 2}}));
  EXPECT_EQ(never->FireCount, 0);

  pool.ClearEntries();
  EXPECT_FALSE(pool.Running());
  EXPECT_TRUE(pool.Entries().empty());
}

TEST_F(TPoolFixture, PausedAndNoStartWithoutActiveEntries) {
  pool.UpdatePoolTimer(true);
  EXPECT_FALSE(pool.Running());
  pool.SetMinInterval(500);  // run time: ignored
  EXPECT_EQ(pool.MinInterval(), 20);
  auto e = std::make_unique<TKitTimerPoolEntry>();
  int fired = 0;
  e->OnTimer = [&](TComponent*) { ++fired; };
  pool.Entries().push_back(std::move(e));
  pool.Paused = true;
  pool.UpdatePoolTimer(true);
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(fired, 0);
  pool.Paused = false;
  Run([&] { return fired > 0; });
}

TEST_F(TPoolFixture, AHandlerExceptionGoesToTheApplicationAndTicksGoOn) {
  int errors = 0, fired = 0;
  SetExceptionHandler([&](const std::exception_ptr&) { ++errors; });
  auto e = std::make_unique<TKitTimerPoolEntry>();
  e->OnTimer = [&](TComponent*) {
    ++fired;
    throw std::runtime_error("pool tick");
  };
  pool.Entries().push_back(std::move(e));
  pool.UpdatePoolTimer(true);
  Run([&] { return fired >= 3; });
  SetExceptionHandler(nullptr);
  EXPECT_GE(errors, 3);
}
