#pragma once
#include "KitCustomComponent.h"
#include "Thread.h"
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class TMessageWindow;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };
int Win32ThreadPriority(TThreadPriority priority);

// What a timer shares with its thread. The thread never holds the timer itself: a timer that
// stops or dies tells the state, and the thread ends at its next wake.
struct TKitTimerShared {
  TKitTimerShared(HWND window, DWORD interval, UINT serial);
  ~TKitTimerShared();
  TKitTimerShared(const TKitTimerShared&) = delete;
  TKitTimerShared& operator=(const TKitTimerShared&) = delete;

  void Terminate();
  // The main thread has run or dropped the posted tick: the thread may sleep again.
  void TickDone();

  std::mutex lock;                   // orders Terminate against a post or an off-thread tick
  std::atomic<bool> terminated{false};
  std::atomic<bool> synchronize{true};
  std::atomic<bool> pending{false};  // a tick is posted and not yet run or dropped
  HANDLE wake = nullptr;             // auto-reset: terminate, or a tick is done
  const HWND window;
  const DWORD interval;
  const UINT serial;
  std::function<void()> offThreadTick;  // the handler, for ticks run in the timer thread
  std::exception_ptr error;             // such a tick's exception, for the main thread
};

// The thread of a thread-mode timer: sleeps the interval, then hands the tick to the main
// thread and waits until it has been run or dropped. It frees itself when it ends; nobody
// waits for it.
class TKitThreadedTimer : public TThread {
public:
  explicit TKitThreadedTimer(std::shared_ptr<TKitTimerShared> shared);

protected:
  void Execute() override;

private:
  bool ThreadClosed() const;
  bool SleepInterval();
  void HandOver();
  void TickHere();

  std::shared_ptr<TKitTimerShared> shared_;
};

// A fine-grained timer: OnTimer every Interval ms on the main thread. Thread mode (the
// default) sleeps in a private thread; multimedia mode uses a periodic multimedia timer.
// No tick is delivered after Enabled became False or the timer was destroyed.
class TKitHiTimer : public TKitCustomComponent {
public:
  explicit TKitHiTimer(TComponent* owner) : TKitHiTimer(owner, 1000) {}
  TKitHiTimer(TComponent* owner, uint16_t interval);
  ~TKitHiTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  uint32_t Interval() const { return interval_; }
  // Kept within MinPeriod..MaxPeriod of the device.
  void SetInterval(uint32_t value);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent handler);
  bool UseThread() const { return useThread_; }
  void SetUseThread(bool value);
  TThreadPriority ThreadPriority() const { return priority_; }
  void SetThreadPriority(TThreadPriority value);
  // False runs OnTimer in the timer thread itself; such a handler must not wait for the
  // main thread. Read anew at every tick.
  bool Synchronize() const { return synchronize_; }
  void SetSynchronize(bool value);

  uint32_t MinPeriod() const { return minPeriod_; }
  uint32_t MaxPeriod() const { return maxPeriod_; }

protected:
  virtual void DoTimer();

private:
  void UpdateTimer();
  void Stop();
  void StartThread();
  void StartMultimedia();
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void ThreadTick(UINT serial);
  void ThreadError(UINT serial);
  void MultimediaTick(UINT id);
  static void CALLBACK TimerCallback(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

  bool enabled_ = false;
  bool busy_ = false;
  uint32_t interval_;
  UINT timerId_ = 0;
  uint32_t minPeriod_ = 1;
  uint32_t maxPeriod_ = 1000000;
  TNotifyEvent onTimer_;
  std::unique_ptr<TMessageWindow> window_;
  std::shared_ptr<TKitTimerShared> shared_;
  TThreadPriority priority_ = tpNormal;
  bool synchronize_ = true;
  bool useThread_ = true;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // a handler may destroy the timer
};
