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
constexpr DWORD kSliceMs = 20;

TMessageFilter messageFilter;

enum TDispatch { dEmpty, dDispatched, dQuit };

TDispatch DispatchOne() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return dEmpty;
  if (msg.message == WM_QUIT) {
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
}

void SetMessageFilter(TMessageFilter filter) { messageFilter = std::move(filter); }

bool DispatchOneMessage() { return DispatchOne() != dEmpty; }

void ProcessMessages() {
  DepthGuard depth;
  while (DispatchOne() == dDispatched) {
  }
}

bool QuitReceived() { return quitReceived != 0; }
int QuitExitCode() { return quitCode; }
void ResetQuit() {
  InterlockedExchange(&quitReceived, 0);
  quitCode = 0;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DepthGuard depth;
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    ProcessMessages();
    if (done()) return true;
    if (QuitReceived()) return false;
    DWORD wait = kSliceMs;
    if (timeoutMs != INFINITE) {
      ULONGLONG elapsed = GetTickCount64() - start;
      if (elapsed >= timeoutMs) return done();
      if (timeoutMs - elapsed < wait) wait = static_cast<DWORD>(timeoutMs - elapsed);
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

bool InsidePump() { return pumpDepth > 0; }
