#include "KitClass.h"
#include "Application.h"
#include "Exception.h"
#include "KitIniCtrl.h"
#include "KitUtils.h"
#include "KitXPStyles.h"
#include "MessageWindow.h"
#include "SysUtils.h"
#include <algorithm>

TKitApplication* KitApplication = nullptr;

namespace {
constexpr UINT_PTR kPoolTimerId = 1;
constexpr int kCheckBoxesBitmap = 32759;  // the system's check-box images, 4 by 3
constexpr DWORD kThemeNonClientAndControls = 3;

// Clears a busy flag on every way out, exceptions included.
struct TBusyGuard {
  explicit TBusyGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~TBusyGuard() { flag_ = false; }
  bool& flag_;
};

void SendThemeChangedBelow(HWND parent) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageA(child, WM_THEMECHANGED, 0, 0);
    SendThemeChangedBelow(child);
  }
}

BOOL CALLBACK NotifyForm(HWND form, LPARAM) {
  if (!IsWindowVisible(form)) return TRUE;
  for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageA(child, KM_THEMECHANGED, 0, 0);
  SendThemeChangedBelow(form);
  SendMessageA(form, WM_THEMECHANGED, 0, 0);
  return TRUE;
}
}

// --- timer pool

TKitTimerPool::TKitTimerPool(TComponent* owner, uint16_t minInterval)
    : TKitCustomComponent(owner), minInterval_(minInterval) {}

TKitTimerPool::~TKitTimerPool() {
  ClearEntries();
}

void TKitTimerPool::SetMinInterval(uint16_t value) {
  if (value >= 1 && (Loading() || Designing())) minInterval_ = value;
}

int TKitTimerPool::ActiveCount() const {
  return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                        [](const auto& e) { return e->Enabled; }));
}

void TKitTimerPool::UpdatePoolTimer(bool start) {
  if (Designing()) return;
  if (start && !window_)
    window_ = std::make_unique<TMessageWindow>(
        "TKitTimerPoolWindow",
        [this](UINT msg, WPARAM w, LPARAM l, LRESULT& r) { return OnMessage(msg, w, l, r); });
  running_ = false;
  if (!window_) return;
  KillTimer(window_->Handle(), kPoolTimerId);
  if (start && ActiveCount() > 0) {
    if (!SetTimer(window_->Handle(), kPoolTimerId, minInterval_, nullptr))
      throw EOutOfResources("Not enough timers available");
    counter_ = 1;
    running_ = true;
  }
}

void TKitTimerPool::ClearEntries() {
  UpdatePoolTimer(false);
  while (!entries_.empty()) entries_.pop_back();
}

bool TKitTimerPool::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
  if (msg != WM_TIMER) return false;
  result = 0;
  if (busy_) return true;  // a handler is pumping messages: this tick is dropped
  TBusyGuard busy(busy_);
  PoolTick();
  return true;
}

void TKitTimerPool::PoolTick() {
  if (Paused) return;
  // A handler may change the list: walk by index and re-check the bounds.
  for (size_t i = 0; i < entries_.size(); ++i) {
    TKitTimerPoolEntry& entry = *entries_[i];
    if (entry.Enabled && entry.Divisor > 0 && counter_ % entry.Divisor == 0) FireEntry(entry);
  }
  if (++counter_ < 0) counter_ = 0;
}

void TKitTimerPool::FireEntry(TKitTimerPoolEntry& entry) {
  if (!entry.Enabled) return;
  if (++entry.FireCount < 0) entry.FireCount = 0;
  if (entry.FireCount == entry.RepeatLimit) entry.Enabled = false;
  if (entry.OnTimer)
    entry.OnTimer(this);
  else if (OnTimer)
    OnTimer(this, entry.Ident, entry.FireCount);
}

// --- application object

std::string MakeLogFileName(const std::string& name, TKitPathPrefix prefix, const std::string& programFile) {
  std::string file = name;
  if (IsBlank(file))
    file = ChangeFileExt(programFile, ".LOG");
  else if (IsBlank(ExtractFileExt(file)))
    file += ".LOG";
  if (prefix == ppFixed) return file;
  std::string dir = prefix == ppProgram ? ExtractFilePath(programFile) : KitSysIn::PrefixPath(prefix, true);
  return SlashAdd(dir) + ExtractFileName(file);
}

TKitApplication::TKitApplication() : TComponent(nullptr) {
  SetLogFileName("");
  if (!Designing()) {
    // The name is upper-cased with its folder, then the folder is cut off.
    std::string path = KitSysIn::ProgramFile();
    CharUpperBuffA(path.data(), static_cast<DWORD>(path.size()));
    mutex_ = CreateMutexA(nullptr, FALSE, ExtractFileName(path).c_str());
    alreadyRunning_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
  }
  timerPool_ = new TKitTimerPool(nullptr, 50);
  iniCtrl_ = new TKitIniCtrl(nullptr);
  LARGE_INTEGER frequency;
  if (QueryPerformanceFrequency(&frequency)) PerformanceFrequency = frequency.QuadPart;
  if (HBITMAP boxes = LoadBitmapA(nullptr, MAKEINTRESOURCEA(kCheckBoxesBitmap))) {
    BITMAP info;
    if (GetObjectA(boxes, sizeof info, &info)) {
      CheckBoxWidth = info.bmWidth / 4;
      CheckBoxHeight = info.bmHeight / 3;
    }
    DeleteObject(boxes);
  }
}

TKitApplication::~TKitApplication() {
  delete iniCtrl_;
  delete timerPool_;
  if (mutex_) CloseHandle(mutex_);
}

void TKitApplication::SetLogFileName(const std::string& name) {
  logFileName_ = MakeLogFileName(name, LogPathPrefix, KitSysIn::ProgramFile());
}

bool TKitApplication::ThemesEnabled() const { return themesEnabled_ && ThemesAvailable(); }

void TKitApplication::RefreshThemeState() { themesEnabled_ = ThemesAvailable(); }

void TKitApplication::SetThemesEnabled(bool value) {
  if (value == themesEnabled_ || (value && !ThemesAvailable())) return;
  themesEnabled_ = value;
  if (Designing() || !KitThemeLibrary.Loaded) return;
  SendMessageA(Application.Handle(), WM_THEMECHANGED, 0, 0);
  if (KitThemeLibrary.SetThemeAppProperties)
    KitThemeLibrary.SetThemeAppProperties(value ? kThemeNonClientAndControls : 0);
  NotifyThemeChange();
}

bool ThemesAvailable() {
  return KitThemeLibrary.Loaded && KitThemeLibrary.IsThemeActive && KitThemeLibrary.IsThemeActive();
}

void NotifyThemeChange() {
  EnumThreadWindows(GetCurrentThreadId(), NotifyForm, 0);
}
