#include "Thread.h"
#include "Exception.h"

TThread::TThread() {
  handle_ = CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &threadId_);
  if (!handle_) throw Exception("Thread creation error: " + std::to_string(GetLastError()));
}

TThread::~TThread() {
  if (started_ && !finished_ && !FreeOnTerminate) {
    Terminate();
    WaitForSingleObject(handle_, INFINITE);
  }
  if (!started_) {
    // Never ran: let it run to an immediate end so the handle is not left with a live thread.
    terminated_ = true;
    FreeOnTerminate = false;
    ResumeThread(handle_);
    WaitForSingleObject(handle_, INFINITE);
  }
  CloseHandle(handle_);
}

void TThread::Start() {
  if (started_) return;
  started_ = true;
  ResumeThread(handle_);
}

DWORD TThread::WaitFor() {
  WaitForSingleObject(handle_, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(handle_, &code);
  return code;
}

void TThread::SetPriority(int win32Priority) { SetThreadPriority(handle_, win32Priority); }

int TThread::Priority() const { return GetThreadPriority(handle_); }

DWORD WINAPI TThread::ThreadProc(LPVOID param) {
  auto* self = static_cast<TThread*>(param);
  if (!self->started_) return 0;  // destroyed before Start
  try {
    self->Execute();
  } catch (...) {
    self->FatalException = std::current_exception();
  }
  DWORD result = self->ReturnValue;
  bool freeIt = self->FreeOnTerminate;
  self->finished_ = true;
  if (freeIt) delete self;
  return result;
}
