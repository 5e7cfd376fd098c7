#pragma once
#include "KitCustomComponent.h"
#include "KitSysIn.h"
#include <windows.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TKitIniCtrl;
class TKitTimerPool;
class TMessageWindow;

using TKitTimerPoolEvent = std::function<void(TComponent* Sender, uint16_t Ident, int Counter)>;

// One entry of the pool: fires on every Divisor-th base tick, until it has fired RepeatLimit
// times (0: no limit). Its own OnTimer, when set, is called in place of the pool's.
struct TKitTimerPoolEntry {
  int RepeatLimit = 0;
  int FireCount = 0;
  bool Enabled = true;
  uint16_t Ident = 0;
  int Divisor = 1;
  TKitTimerPool* Pool = nullptr;
  TNotifyEvent OnTimer;
};

// Many slow timers on one window timer of MinInterval ms.
class TKitTimerPool : public TKitCustomComponent {
public:
  explicit TKitTimerPool(TComponent* owner) : TKitTimerPool(owner, 1000) {}
  TKitTimerPool(TComponent* owner, uint16_t minInterval);
  ~TKitTimerPool() override;

  uint16_t MinInterval() const { return minInterval_; }
  // Taken only while loading or designing; at run time a new value is ignored.
  void SetMinInterval(uint16_t value);
  void UpdatePoolTimer(bool start);
  int ActiveCount() const;
  void ClearEntries();
  std::vector<std::unique_ptr<TKitTimerPoolEntry>>& Entries() { return entries_; }
  bool Running() const { return running_; }
  int TickCounter() const { return counter_; }

  bool Paused = false;
  TKitTimerPoolEvent OnTimer;

private:
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void PoolTick();
  void FireEntry(TKitTimerPoolEntry& entry);

  uint16_t minInterval_;
  bool running_ = false;
  bool busy_ = false;
  int counter_ = 0;
  std::unique_ptr<TMessageWindow> window_;
  std::vector<std::unique_ptr<TKitTimerPoolEntry>> entries_;
};

// The kit's application object, made at kit start: kit-wide settings, and a named mutex
// (the upper-cased program file name) held for the whole run.
class TKitApplication : public TComponent {
public:
  TKitApplication();
  ~TKitApplication() override;

  void SetLogFileName(const std::string& name);
  const std::string& LogFileName() const { return logFileName_; }
  TKitIniCtrl* IniCtrl() const { return iniCtrl_; }
  TKitTimerPool* TimerPool() const { return timerPool_; }
  HANDLE MutexHandle() const { return mutex_; }
  bool AlreadyRunning() const { return alreadyRunning_; }

  bool ThemesEnabled() const;
  void SetThemesEnabled(bool value);
  void RefreshThemeState();

  uint8_t Options = 0x36;
  TKitPathPrefix LogPathPrefix = ppProgram;
  int64_t PerformanceFrequency = 0;
  int CheckBoxWidth = 0;
  int CheckBoxHeight = 0;

private:
  std::string logFileName_;
  TKitIniCtrl* iniCtrl_ = nullptr;
  TKitTimerPool* timerPool_ = nullptr;
  HANDLE mutex_ = nullptr;
  bool alreadyRunning_ = false;
  bool themesEnabled_ = true;
};

extern TKitApplication* KitApplication;

// True when the visual-styles library is loaded and the system theme is active.
bool ThemesAvailable();
// Tells every visible top-level window of the thread, and the windows below it, of a theme change.
void NotifyThemeChange();
// The log file name for a given name, prefix and program file (the program file's name with
// ".LOG" for a blank name; ".LOG" added when the name has no extension).
std::string MakeLogFileName(const std::string& name, TKitPathPrefix prefix, const std::string& programFile);

constexpr UINT KM_THEMECHANGED = 45270;
