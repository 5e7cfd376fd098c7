#include "MessagePump.h"
#include "MessageWindow.h"

namespace {
volatile LONG quitReceived = 0;
int quitCode = 0;
thread_local int pumpDepth = 0;

struct DepthGuard {
  DepthGuard() { ++pumpDepth; }
  ~DepthGuard() { --pumpDepth; }
};

// Bounds each sleep so that a flag set by another thread without a message is still seen soon.
constexpr DWORD kSliceMs = 5;
constexpr DWORD kRequeuedQuitSleepMs = 2;

TMessageFilter messageFilter;

enum TDispatch { dEmpty, dDispatched, dQuit };

TDispatch DispatchOne(TQuitMode mode) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return dEmpty;
  if (msg.message == WM_QUIT) {
    if (mode == qmRequeue) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return dQuit;
    }
    quitCode = static_cast<int>(msg.wParam);
    InterlockedExchange(&quitReceived, 1);
    return dQuit;
  }
  if (messageFilter) {
    bool handled = false;
    try {
      handled = messageFilter(msg);
    } catch (...) {
      handled = true;
      HandleCallbackException(std::current_exception());
    }
    if (handled) return dDispatched;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return dDispatched;
}

TDispatch DispatchAll(TQuitMode mode) {
  TDispatch last;
  while ((last = DispatchOne(mode)) == dDispatched) {
  }
  return last;
}
}

void SetMessageFilter(TMessageFilter filter) { messageFilter = std::move(filter); }

bool DispatchOneMessage(TQuitMode mode) { return DispatchOne(mode) != dEmpty; }

void ProcessMessages() {
  DepthGuard depth;
  DispatchAll(qmRecord);
}

bool QuitReceived() { return quitReceived != 0; }
int QuitExitCode() { return quitCode; }
void ResetQuit() {
  InterlockedExchange(&quitReceived, 0);
  quitCode = 0;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, TQuitMode mode) {
  DepthGuard depth;
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    const bool requeued = DispatchAll(mode) == dQuit && mode == qmRequeue;
    if (done()) return true;
    if (mode == qmRecord && QuitReceived()) return false;
    DWORD wait = kSliceMs;
    if (timeoutMs != INFINITE) {
      ULONGLONG elapsed = GetTickCount64() - start;
      if (elapsed >= timeoutMs) return done();
      if (timeoutMs - elapsed < wait) wait = static_cast<DWORD>(timeoutMs - elapsed);
    }
    // A quit put back is waiting input: the wait would return at once, so sleep a little.
    if (requeued) Sleep(kRequeuedQuitSleepMs);
    else MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

bool InsidePump() { return pumpDepth > 0; }
