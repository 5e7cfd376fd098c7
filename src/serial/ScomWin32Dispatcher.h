#pragma once
#include "ScomDispatcher.h"
#include "Thread.h"

class TScomWin32Dispatcher;

// A worker thread of one dispatcher; it frees itself when it ends.
class TScomDispatcherThread : public TThread {
public:
  explicit TScomDispatcherThread(TScomWin32Dispatcher* dispatcher);

protected:
  void Execute() override;
  virtual void Run() = 0;
  TScomWin32Dispatcher* dispatcher_;
};

// Waits for serial events and hands each to the dispatch thread.
class TComThread : public TScomDispatcherThread {
public:
  using TScomDispatcherThread::TScomDispatcherThread;

protected:
  void Run() override;
};

// Moves received bytes into the ring and delivers the data-available report (every 50 ms at the
// latest, with or without a serial event).
class TDispThread : public TScomDispatcherThread {
public:
  using TScomDispatcherThread::TScomDispatcherThread;

protected:
  void Run() override;
};

// Writes the output buffer to the device.
class TOutThread : public TScomDispatcherThread {
public:
  using TScomDispatcherThread::TScomDispatcherThread;

protected:
  void Run() override;
};

// The dispatcher over overlapped Win32 serial I/O, with its three threads.
class TScomWin32Dispatcher : public TScomBaseDispatcher {
public:
  explicit TScomWin32Dispatcher(TComponent* owner);
  ~TScomWin32Dispatcher() override;

  int OpenCom(const std::string& name, int inSize, int outSize) override;
  int CloseCom() override;
  void SetThreadBoost(int boost) override;
  // The output thread runs one step above the others while the mode is on.
  void SetRS485Mode(bool on) override;

protected:
  int EscapeComFunction(int function) override;
  int FlushCom(int which) override;
  int GetComError(COMSTAT& status, bool output) override;
  int GetComModemStatus(DWORD& status) override;
  int GetComState(DCB& dcb) override;
  int ReadCom(void* buffer, int count) override;
  int SetComState(DCB& dcb) override;
  int WriteCom(const void* buffer, int count) override;
  bool SetupCom(int inSize, int outSize) override;
  // Starts a serial wait (the communication thread's); false with the last error set.
  virtual bool WaitComEvent(DWORD& mask, OVERLAPPED& ov);
  void DonePortPrim() override;
  void StartDispatcher() override;
  void StopDispatcher() override;

private:
  friend class TScomDispatcherThread;
  friend class TComThread;
  friend class TDispThread;
  friend class TOutThread;

  void ComThreadRun();
  void DispThreadRun();
  void OutThreadRun();
  // False when a close was asked during the report.
  bool EventPass();
  void OutputWorker();
  void DiscardOutput();
  void AdvanceSent(int written);
  void ThreadEnded(TScomDispatcherThread* thread);
  void CloseDevice();
  void ApplyPriorities();
  bool WaitGone(TScomDispatcherThread* const volatile& thread, DWORD ms);
  bool WaitIdle(DWORD ms);

  TScomEvent readEvent_;
  volatile DWORD lastMask_ = 0;
  TScomDispatcherThread* volatile comThread_ = nullptr;
  TScomDispatcherThread* volatile dispThread_ = nullptr;
  TScomDispatcherThread* volatile outThread_ = nullptr;
  volatile DWORD dispThreadId_ = 0;
  int appliedBoost_ = 0;
};
