#pragma once
#include <windows.h>

// A critical section and its scope guard.
class TScomLock {
public:
  TScomLock() { InitializeCriticalSection(&cs_); }
  ~TScomLock() { DeleteCriticalSection(&cs_); }
  TScomLock(const TScomLock&) = delete;
  TScomLock& operator=(const TScomLock&) = delete;
  void Enter() { EnterCriticalSection(&cs_); }
  void Leave() { LeaveCriticalSection(&cs_); }

private:
  CRITICAL_SECTION cs_;
};

class TScomGuard {
public:
  explicit TScomGuard(TScomLock& lock) : lock_(lock) { lock_.Enter(); }
  ~TScomGuard() { lock_.Leave(); }
  TScomGuard(const TScomGuard&) = delete;
  TScomGuard& operator=(const TScomGuard&) = delete;

private:
  TScomLock& lock_;
};

// An event handle that closes itself.
class TScomEvent {
public:
  TScomEvent() = default;
  ~TScomEvent() { Close(); }
  TScomEvent(const TScomEvent&) = delete;
  TScomEvent& operator=(const TScomEvent&) = delete;
  bool Create(bool manualReset) {
    Close();
    handle_ = CreateEventA(nullptr, manualReset, FALSE, nullptr);
    return handle_ != nullptr;
  }
  void Close() {
    if (handle_) CloseHandle(handle_);
    handle_ = nullptr;
  }
  HANDLE Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Set() const { if (handle_) SetEvent(handle_); }
  void Reset() const { if (handle_) ResetEvent(handle_); }

private:
  HANDLE handle_ = nullptr;
};
