#include "KitTimer.h"
#include "Application.h"
#include "Exception.h"
#include "MessagePump.h"
#include "MessageWindow.h"
#include <mmsystem.h>
#include <algorithm>

namespace {
constexpr UINT kThreadTick = WM_APP + 1;
constexpr UINT kThreadError = WM_APP + 2;
constexpr DWORD kMaxThreadInterval = 65535;
// How long the thread waits for the main thread before it looks at its stop test again.
constexpr DWORD kHandOverSliceMs = 200;

std::atomic<UINT> lastSerial{0};

// Clears the busy flag on every way out, exceptions included, unless the handler destroyed
// the timer.
struct TBusyGuard {
  TBusyGuard(bool& flag, std::shared_ptr<bool> alive) : flag_(flag), alive_(std::move(alive)) { flag_ = true; }
  ~TBusyGuard() {
    if (*alive_) flag_ = false;
  }
  bool& flag_;
  std::shared_ptr<bool> alive_;
};

struct TTickDoneGuard {
  ~TTickDoneGuard() { shared->TickDone(); }
  std::shared_ptr<TKitTimerShared> shared;
};
}

int Win32ThreadPriority(TThreadPriority priority) {
  switch (priority) {
    case tpIdle: return THREAD_PRIORITY_IDLE;
    case tpLowest: return THREAD_PRIORITY_LOWEST;
    case tpLower: return THREAD_PRIORITY_BELOW_NORMAL;
    case tpNormal: return THREAD_PRIORITY_NORMAL;
    case tpHigher: return THREAD_PRIORITY_ABOVE_NORMAL;
    case tpHighest: return THREAD_PRIORITY_HIGHEST;
    case tpTimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
  }
  return THREAD_PRIORITY_NORMAL;
}

// --- shared state

TKitTimerShared::TKitTimerShared(HWND window, DWORD interval, UINT serial)
    : window(window), interval(interval), serial(serial) {
  wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!wake) throw EOutOfResources("Not enough timers available");
}

TKitTimerShared::~TKitTimerShared() { CloseHandle(wake); }

void TKitTimerShared::Terminate() {
  {
    std::lock_guard<std::mutex> guard(lock);
    terminated = true;
  }
  SetEvent(wake);
}

void TKitTimerShared::TickDone() {
  pending = false;
  SetEvent(wake);
}

// --- timer thread

TKitThreadedTimer::TKitThreadedTimer(std::shared_ptr<TKitTimerShared> shared) : shared_(std::move(shared)) {
  FreeOnTerminate = true;
}

void TKitThreadedTimer::Execute() {
  // Every pass sleeps first, so a closed but not yet terminated thread never spins.
  while (!shared_->terminated) {
    if (!SleepInterval() || ThreadClosed()) continue;
    if (shared_->synchronize)
      HandOver();
    else
      TickHere();
  }
}

bool TKitThreadedTimer::ThreadClosed() const {
  // A WM_QUIT taken by a ProcessMessages wait ends the application too, before its loop sees it.
  return shared_->terminated || Application.Terminated() || QuitReceived();
}

// Sleeps the interval; false when told to terminate. A wake left over from the last
// hand-over does not shorten the sleep.
bool TKitThreadedTimer::SleepInterval() {
  const DWORD start = timeGetTime();
  for (;;) {
    DWORD elapsed = timeGetTime() - start;
    DWORD left = elapsed < shared_->interval ? shared_->interval - elapsed : 0;
    DWORD r = WaitForSingleObject(shared_->wake, left);
    if (shared_->terminated) return false;
    if (r != WAIT_OBJECT_0) return true;
  }
}

// Posts one tick to the timer's window and waits until the main thread has run or dropped
// it: never a second tick in the queue, so none come in bursts.
void TKitThreadedTimer::HandOver() {
  if (!shared_->pending) {
    std::lock_guard<std::mutex> guard(shared_->lock);
    if (shared_->terminated) return;
    shared_->pending = true;
    if (!PostMessageA(shared_->window, kThreadTick, shared_->serial, 0)) {
      shared_->pending = false;
      return;
    }
  }
  while (shared_->pending && !ThreadClosed()) WaitForSingleObject(shared_->wake, kHandOverSliceMs);
}

void TKitThreadedTimer::TickHere() {
  std::lock_guard<std::mutex> guard(shared_->lock);
  if (shared_->terminated || !shared_->offThreadTick) return;
  try {
    shared_->offThreadTick();
  } catch (...) {
    // The application object shows it, on the main thread.
    shared_->error = std::current_exception();
    PostMessageA(shared_->window, kThreadError, shared_->serial, 0);
  }
}

// --- timer component

TKitHiTimer::TKitHiTimer(TComponent* owner, uint16_t interval)
    : TKitCustomComponent(owner), interval_(interval) {
  TIMECAPS caps;
  if (timeGetDevCaps(&caps, sizeof caps) == TIMERR_NOERROR) {
    minPeriod_ = caps.wPeriodMin;
    maxPeriod_ = caps.wPeriodMax;
  }
  window_ = std::make_unique<TMessageWindow>(
      "TKitHiTimerWindow",
      [this](UINT msg, WPARAM w, LPARAM l, LRESULT& r) { return OnMessage(msg, w, l, r); });
  timeBeginPeriod(minPeriod_);
}

TKitHiTimer::~TKitHiTimer() {
  *alive_ = false;
  onTimer_ = nullptr;
  Stop();
  timeEndPeriod(minPeriod_);
  enabled_ = false;
  window_.reset();  // ticks still queued for it go with it
}

void TKitHiTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateTimer();
}

void TKitHiTimer::SetInterval(uint32_t value) {
  if (value == interval_) return;
  interval_ = std::clamp(value, minPeriod_, maxPeriod_);
  UpdateTimer();
}

void TKitHiTimer::SetOnTimer(TNotifyEvent handler) {
  onTimer_ = std::move(handler);
  UpdateTimer();
}

void TKitHiTimer::SetUseThread(bool value) {
  if (value == useThread_) return;
  useThread_ = value;
  UpdateTimer();
}

void TKitHiTimer::SetThreadPriority(TThreadPriority value) {
  if (value == priority_) return;
  priority_ = value;
  if (useThread_) UpdateTimer();
}

void TKitHiTimer::SetSynchronize(bool value) {
  synchronize_ = value;
  if (shared_) shared_->synchronize = value;
}

void TKitHiTimer::DoTimer() {
  if (onTimer_) onTimer_(this);
}

void TKitHiTimer::UpdateTimer() {
  if (Designing()) return;
  Stop();
  if (!enabled_ || !onTimer_) return;
  if (useThread_)
    StartThread();
  else
    StartMultimedia();
}

// The old thread is told to stop and left to end on its own: joining it here could wait on
// a thread that waits for us.
void TKitHiTimer::Stop() {
  if (shared_) {
    shared_->Terminate();
    shared_.reset();
  }
  if (timerId_) {
    timeKillEvent(timerId_);
    timerId_ = 0;
  }
}

void TKitHiTimer::StartThread() {
  auto shared = std::make_shared<TKitTimerShared>(window_->Handle(), std::min<uint32_t>(interval_, kMaxThreadInterval),
                                                  ++lastSerial);
  shared->synchronize = synchronize_;
  shared->offThreadTick = [handler = onTimer_, sender = this] { handler(sender); };
  auto* thread = new TKitThreadedTimer(shared);
  thread->SetPriority(Win32ThreadPriority(priority_));
  shared_ = shared;
  thread->Start();
}

void TKitHiTimer::StartMultimedia() {
  if (interval_ == 0) return;
  busy_ = false;
  timerId_ = timeSetEvent(interval_, interval_, TimerCallback, reinterpret_cast<DWORD_PTR>(window_->Handle()),
                          TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
  if (!timerId_) throw EOutOfResources("Not enough timers available");
}

void CALLBACK TKitHiTimer::TimerCallback(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  PostMessageA(reinterpret_cast<HWND>(user), WM_TIMER, id, 0);
}

bool TKitHiTimer::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
  switch (msg) {
    case kThreadTick: ThreadTick(static_cast<UINT>(wParam)); break;
    case kThreadError: ThreadError(static_cast<UINT>(wParam)); break;
    case WM_TIMER:
      if (wParam == 0 || wParam != timerId_) return false;
      MultimediaTick(static_cast<UINT>(wParam));
      break;
    default: return false;
  }
  result = 0;
  return true;
}

// Runs on the main thread. The tick is dropped unless it comes from the thread in use and
// the timer is still enabled; either way the thread is told it may go on.
void TKitHiTimer::ThreadTick(UINT serial) {
  if (!shared_ || shared_->serial != serial) return;  // an old thread: it has been told to stop
  TTickDoneGuard done{shared_};
  if (!enabled_ || !onTimer_ || busy_) return;
  TBusyGuard busy(busy_, alive_);
  DoTimer();
}

void TKitHiTimer::ThreadError(UINT serial) {
  if (!shared_ || shared_->serial != serial) return;
  std::exception_ptr error;
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    std::swap(error, shared_->error);
  }
  if (error) HandleCallbackException(error);
}

void TKitHiTimer::MultimediaTick(UINT) {
  if (busy_ || !enabled_ || !onTimer_) return;
  TBusyGuard busy(busy_, alive_);
  DoTimer();
}
