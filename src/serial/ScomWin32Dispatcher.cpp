#include "ScomWin32Dispatcher.h"
#include "Exception.h"
#include "MessagePump.h"
#include "MessageWindow.h"
#include "ScomException.h"
#include "ScomUtil.h"
#include <algorithm>
#include <cstring>

namespace {
constexpr DWORD kLineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr DWORD kRing2 = 0x2000;  // the 9x ring-edge event

bool IsWindowsNT() {
  OSVERSIONINFOA v = {};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return !GetVersionExA(&v) || v.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
}

// Waits for done() while still serving the calling thread's window messages: a worker may be
// blocked in a send to a window of this thread. A quit stays queued for the application's loop.
bool PumpWhileWaiting(const std::function<bool()>& done, DWORD ms) {
  return done() || PumpUntil(done, ms, qmRequeue);
}

// Waits for the end of a pending WaitCommEvent. Wine runs the wait in a helper thread that fills
// the mask and the OVERLAPPED and sets the event as its very last step, so the status can be
// final before that set: waiting for the status alone (GetOverlappedResult) would let the caller
// reuse the mask and the OVERLAPPED, or close the event (a handle number the next object gets
// and the helper then sets), while the helper still uses them. A stray set of the event before
// the status is final does not end the wait either.
bool AwaitCommWait(HANDLE event, OVERLAPPED& ov) {
  for (;;) {
    if (WaitForSingleObject(event, INFINITE) != WAIT_OBJECT_0) return false;
    if (HasOverlappedIoCompleted(&ov)) return true;
    ResetEvent(event);
    if (HasOverlappedIoCompleted(&ov)) {
      WaitForSingleObject(event, 1000);  // its own set, unless that was the one just reset
      return true;
    }
  }
}
}

TScomDispatcherThread::TScomDispatcherThread(TScomWin32Dispatcher* dispatcher) : dispatcher_(dispatcher) {
  FreeOnTerminate = true;
}

void TScomDispatcherThread::Execute() {
  try {
    Run();
  } catch (...) {
    HandleCallbackException(std::current_exception());
  }
  dispatcher_->ThreadEnded(this);  // the last touch of the dispatcher
}

void TComThread::Run() { dispatcher_->ComThreadRun(); }
void TDispThread::Run() { dispatcher_->DispThreadRun(); }
void TOutThread::Run() { dispatcher_->OutThreadRun(); }

TScomWin32Dispatcher::TScomWin32Dispatcher(TComponent* owner) : TScomBaseDispatcher(owner) {}

TScomWin32Dispatcher::~TScomWin32Dispatcher() {
  if (closeRequested_) FinishPort();
  else DonePort();
  PumpWhileWaiting([this] { return runningThreads_ == 0; }, 10000);
  CloseDevice();
}

// Device primitives.

int TScomWin32Dispatcher::EscapeComFunction(int function) {
  if (EscapeCommFunction(device_, function)) return 0;
  // A device without modem-control lines (a pseudo-terminal) does not support these.
  return GetLastError() == ERROR_NOT_SUPPORTED ? 0 : -static_cast<int>(GetLastError());
}

int TScomWin32Dispatcher::FlushCom(int which) {
  if (which == 0) {
    if (outThread_) {
      flushAckEvent_.Reset();
      outFlushEvent_.Set();
      WaitForSingleObject(flushAckEvent_.Get(), 3000);
    }
    DiscardOutput();
    return PurgeComm(device_, PURGE_TXABORT | PURGE_TXCLEAR) ? 0 : -static_cast<int>(GetLastError());
  }
  return PurgeComm(device_, PURGE_RXABORT | PURGE_RXCLEAR) ? 0 : -static_cast<int>(GetLastError());
}

int TScomWin32Dispatcher::GetComError(COMSTAT& status, bool output) {
  DWORD errors = 0;
  COMSTAT st = {};
  if (!ClearCommError(device_, &errors, &st)) {
    ReportLost(GetLastError());
    errors = 0;
    st = {};
  }
  {
    TScomGuard main(mainLock_);
    errors_ |= errors & 0x1F;
    status_ = st;
  }
  if (output) {
    TScomGuard out(outLock_);
    st.cbOutQue = static_cast<DWORD>(OutPending());
  }
  status = st;
  return static_cast<int>(errors);
}

int TScomWin32Dispatcher::GetComModemStatus(DWORD& status) {
  status = 0;
  if (GetCommModemStatus(device_, &status)) return 0;
  status = 0;
  return GetLastError() == ERROR_NOT_SUPPORTED ? 0 : -static_cast<int>(GetLastError());
}

int TScomWin32Dispatcher::GetComState(DCB& dcb) {
  dcb = {};
  dcb.DCBlength = sizeof dcb;
  return GetCommState(device_, &dcb) ? 0 : -1;
}

int TScomWin32Dispatcher::SetComState(DCB& dcb) {
  dcb.DCBlength = sizeof dcb;
  return SetCommState(device_, &dcb) ? 0 : -static_cast<int>(GetLastError());
}

int TScomWin32Dispatcher::ReadCom(void* buffer, int count) {
  OVERLAPPED ov = {};
  ov.hEvent = readEvent_.Get();
  readEvent_.Reset();
  DWORD got = 0;
  if (!ReadFile(device_, buffer, static_cast<DWORD>(count), &got, &ov)) {
    if (GetLastError() != ERROR_IO_PENDING) {
      ReportLost(GetLastError());
      return 0;
    }
    // Only what the driver reported is asked for, so this ends at once; the bound is for a
    // device that misbehaves.
    if (WaitForSingleObject(ov.hEvent, 5000) != WAIT_OBJECT_0) CancelIo(device_);
    if (!GetOverlappedResult(device_, &ov, &got, TRUE)) got = 0;
    readEvent_.Reset();
  }
  return static_cast<int>(got);
}

bool TScomWin32Dispatcher::WaitComEvent(DWORD& mask, OVERLAPPED& ov) {
  return WaitCommEvent(device_, &mask, &ov);
}

int TScomWin32Dispatcher::WriteCom(const void* buffer, int count) {
  int n = AppendOutput(buffer, count);
  if (n > 0) outputEvent_.Set();
  return n;
}

bool TScomWin32Dispatcher::SetupCom(int inSize, int outSize) {
  return SetupComm(device_, static_cast<DWORD>(inSize), static_cast<DWORD>(outSize));
}

int TScomWin32Dispatcher::OpenCom(const std::string& name, int inSize, int outSize) {
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  if (!readEvent_.Create(true)) {
    DWORD error = GetLastError();
    CloseHandle(h);
    SetLastError(error);
    return ecOutOfMemory;
  }
  device_ = h;
  portClosed_ = false;
  return 0;
}

int TScomWin32Dispatcher::CloseCom() {
  if (started_) {
    // The threads leave their waits; the handle is closed once they have ended, so that no
    // worker ever uses a handle number the system may have given to something else.
    kill_ = true;
    SetCommMask(device_, 0);
    readyEvent_.Set();
    generalEvent_.Reset();
    portClosed_ = true;
    return 0;
  }
  bool ok = device_ == INVALID_HANDLE_VALUE || CloseHandle(device_);
  device_ = INVALID_HANDLE_VALUE;
  readEvent_.Close();
  portClosed_ = true;
  return ok ? 0 : -1;
}

void TScomWin32Dispatcher::CloseDevice() {
  if (device_ != INVALID_HANDLE_VALUE) CloseHandle(device_);
  device_ = INVALID_HANDLE_VALUE;
  readEvent_.Close();
}

void TScomWin32Dispatcher::DonePortPrim() {
  TScomBaseDispatcher::DonePortPrim();
  if (comThread_ || dispThread_ || outThread_) return;  // a thread would not end: keep its handles
  CloseDevice();
}

void TScomWin32Dispatcher::SetThreadBoost(int boost) {
  if (boost == threadBoost_) return;
  threadBoost_ = boost;
  ApplyPriorities();
}

void TScomWin32Dispatcher::SetRS485Mode(bool on) {
  TScomBaseDispatcher::SetRS485Mode(on);
  ApplyPriorities();
}

void TScomWin32Dispatcher::ApplyPriorities() {
  TScomGuard main(mainLock_);
  if (comThread_) comThread_->SetPriority(THREAD_PRIORITY_NORMAL + threadBoost_);
  if (dispThread_) dispThread_->SetPriority(THREAD_PRIORITY_NORMAL + threadBoost_);
  if (outThread_) outThread_->SetPriority(THREAD_PRIORITY_NORMAL + threadBoost_ + (rs485_ ? 1 : 0));
}

// Start and stop.

void TScomWin32Dispatcher::StartDispatcher() {
  {
    TScomGuard main(mainLock_);
    if (started_) throw Exception("Dispatcher already started");
    started_ = true;
    kill_ = false;
  }
  auto start = [this](TScomDispatcherThread* thread, TScomDispatcherThread* volatile& ref) {
    InterlockedIncrement(&runningThreads_);
    ref = thread;
    thread->Start();
    WaitForSingleObject(generalEvent_.Get(), 3000);
  };
  start(new TComThread(this), comThread_);
  start(new TDispThread(this), dispThread_);
  start(new TOutThread(this), outThread_);
  if (threadBoost_ || rs485_) ApplyPriorities();
}

bool TScomWin32Dispatcher::WaitGone(TScomDispatcherThread* const volatile& thread, DWORD ms) {
  return PumpWhileWaiting([&thread] { return thread == nullptr; }, ms);
}

void TScomWin32Dispatcher::StopDispatcher() {
  if (!started_) return;
  kill_ = true;
  if (outThread_) {
    outFlushEvent_.Set();
    if (!WaitGone(outThread_, 5000)) CancelIoEx(device_, nullptr);
    WaitGone(outThread_, 5000);
  }
  if (comThread_) {
    SetCommMask(device_, 0);
    readyEvent_.Set();
    generalEvent_.Reset();
    // A serial wait that the mask change did not end is cancelled.
    if (!WaitGone(comThread_, 2000)) CancelIoEx(device_, nullptr);
    WaitGone(comThread_, 5000);
  }
  WaitGone(dispThread_, 10000);
  if (comThread_ || dispThread_ || outThread_) return;  // leave their events to them
  // Called from the dispatch thread itself its own count is still held.
  const LONG self = GetCurrentThreadId() == dispThreadId_ ? 1 : 0;
  PumpWhileWaiting([this, self] { return runningThreads_ <= self; }, 5000);
  CloseEvents();
  started_ = false;
}

void TScomWin32Dispatcher::ThreadEnded(TScomDispatcherThread* thread) {
  bool dispatch = false;
  {
    TScomGuard main(mainLock_);
    if (thread == comThread_) comThread_ = nullptr;
    else if (thread == outThread_) outThread_ = nullptr;
    else if (thread == dispThread_) {
      dispThread_ = nullptr;
      dispatch = true;
    }
  }
  // A close asked during a dispatch is finished here, after the handler returned.
  if (dispatch && closeRequested_) FinishPort();
  InterlockedDecrement(&runningThreads_);
}

// The threads.

void TScomWin32Dispatcher::ComThreadRun() {
  {
    TScomEvent event;
    event.Create(true);
    OVERLAPPED ov = {};
    ov.hEvent = event.Get();
    DWORD mask = IsWindowsNT() ? 0x1F9 : 0x21F9;
    SetCommMask(device_, mask);
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 0};
    SetCommTimeouts(device_, &timeouts);
    generalEvent_.Set();
    bool lineRetry = false;
    DWORD failure = 0;
    while (!kill_) {
      DWORD got = 0;
      if (!WaitComEvent(got, ov)) {
        DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING) {
          if (!AwaitCommWait(event.Get(), ov)) {
            failure = GetLastError();
            break;
          }
          DWORD n = 0;
          if (!GetOverlappedResult(device_, &ov, &n, FALSE)) {
            failure = GetLastError();
            break;
          }
          if (got & (EV_RING | kRing2)) InterlockedExchange(&ringSeen_, 1);
          event.Reset();
        } else if (error == ERROR_INVALID_PARAMETER && (mask & kRing2)) {
          mask = 0x1F9;
          SetCommMask(device_, mask);
          continue;
        } else if (error == ERROR_NOT_SUPPORTED && (mask & kLineEvents) && !lineRetry) {
          // No modem-control lines: wait for data and errors only. The dispatch thread's timed
          // pass carries the data when this wait cannot.
          lineRetry = true;
          mask &= ~(kLineEvents | kRing2);
          SetCommMask(device_, mask);
          continue;
        } else {
          failure = error;
          break;  // never retry a wait that fails at once
        }
      }
      lastMask_ = got;
      if (kill_) break;
      comEvent_.Set();
      WaitForSingleObject(readyEvent_.Get(), INFINITE);
    }
    // A cancelled wait is how a pseudo-terminal ends it; the dispatch thread's timed pass then
    // carries the data and sees a device that went away.
    if (failure && failure != ERROR_OPERATION_ABORTED) ReportLost(failure);
    generalEvent_.Set();
  }
}

void TScomWin32Dispatcher::DispThreadRun() {
  dispThreadId_ = GetCurrentThreadId();
  generalEvent_.Set();
  for (;;) {
    WaitForSingleObject(comEvent_.Get(), 50);
    if (kill_) break;
    if (!EventPass()) break;
    // Every pass lets the communication thread wait for the next serial event, except with a
    // full ring: a wait then completes at once while nothing can move, and would spin. The
    // first pass after the handler has made room answers it.
    if (!RingFull()) readyEvent_.Set();
    if (kill_ || closeRequested_) break;
  }
  generalEvent_.Set();
}

bool TScomWin32Dispatcher::EventPass() {
  DWORD mask = lastMask_;
  if (mask & 0x2138) RefreshModemStatus();
  if ((mask & 0xFF) > 63) RefreshErrorBits();
  ReadIntoRing();
  if (!insideDispatch_)
    for (;;) {
      int r = ReportAvail();
      if (r < 0) return false;
      if (r == 0) break;
    }
  return true;
}

void TScomWin32Dispatcher::OutThreadRun() {
  generalEvent_.Set();
  HANDLE waits[2] = {outputEvent_.Get(), outFlushEvent_.Get()};
  for (;;) {
    DWORD w = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (w == WAIT_OBJECT_0) {
      if (kill_) break;
      OutputWorker();
    } else if (w == WAIT_OBJECT_0 + 1) {
      DiscardOutput();
      flushAckEvent_.Set();
    } else {
      break;
    }
    if (kill_ || closeRequested_) break;
  }
}

void TScomWin32Dispatcher::DiscardOutput() {
  TScomGuard out(outLock_);
  put_ = send_ = 0;
  outFull_ = false;
}

void TScomWin32Dispatcher::AdvanceSent(int written) {
  TScomGuard out(outLock_);
  if (written <= 0 || outSize_ <= 0) return;
  send_ += written;
  outFull_ = false;
  if (send_ >= outSize_) send_ = 0;
  if (send_ == put_) send_ = put_ = 0;
}

void TScomWin32Dispatcher::OutputWorker() {
  OVERLAPPED ov = {};
  ov.hEvent = sentEvent_.Get();
  while (!kill_) {
    const uint8_t* block;
    int length;
    {
      TScomGuard out(outLock_);
      if (outBuf_.empty() || OutPending() == 0) return;
      length = send_ < put_ ? put_ - send_ : outSize_ - send_;
      block = &outBuf_[send_];
    }
    sentEvent_.Reset();
    DWORD written = 0;
    if (!WriteFile(device_, block, static_cast<DWORD>(length), &written, &ov)) {
      if (GetLastError() != ERROR_IO_PENDING) {
        ReportLost(GetLastError());
        written = length;  // a failed write drops the block
      } else {
        HANDLE waits[2] = {sentEvent_.Get(), outFlushEvent_.Get()};
        DWORD w = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (w != WAIT_OBJECT_0) {
          // A flush or a stop: abandon the write, then answer.
          CancelIo(device_);
          if (WaitForSingleObject(sentEvent_.Get(), 2000) != WAIT_OBJECT_0) CancelIoEx(device_, &ov);
          GetOverlappedResult(device_, &ov, &written, TRUE);
          DiscardOutput();
          flushAckEvent_.Set();
          return;
        }
        if (!GetOverlappedResult(device_, &ov, &written, FALSE)) written = length;
      }
    }
    if (written == 0) {
      Sleep(10);  // the device took nothing: try again shortly rather than spin
      continue;
    }
    AdvanceSent(static_cast<int>(written));
  }
}
