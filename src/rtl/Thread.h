#pragma once
#include <windows.h>
#include <exception>

// A Win32 thread (CreateThread, so Handle() is a real thread HANDLE). It is made suspended:
// call Start() once the derived object is complete. With FreeOnTerminate the object deletes
// itself when Execute returns; no exception leaves the thread (it is kept in FatalException).
class TThread {
public:
  TThread();
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Start();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // Waits for the end of Execute; not for FreeOnTerminate threads.
  DWORD WaitFor();

  void SetPriority(int win32Priority);
  int Priority() const;

  HANDLE Handle() const { return handle_; }
  DWORD ThreadID() const { return threadId_; }
  bool Finished() const { return finished_; }

  bool FreeOnTerminate = false;
  DWORD ReturnValue = 0;
  std::exception_ptr FatalException;

protected:
  virtual void Execute() = 0;

private:
  static DWORD WINAPI ThreadProc(LPVOID self);

  HANDLE handle_ = nullptr;
  DWORD threadId_ = 0;
  volatile bool terminated_ = false;
  volatile bool finished_ = false;
  bool started_ = false;
};
