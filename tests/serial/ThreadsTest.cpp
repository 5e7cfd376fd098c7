// The Win32 dispatcher's own threads over a fake device: the test fires the serial events the
// communication thread waits for, and sees the dispatch thread's passes and the line settings.
#include "ScomWin32Dispatcher.h"
#include <windows.h>
#include <gtest/gtest.h>

namespace {
class TFakeDeviceDispatcher : public TScomWin32Dispatcher {
public:
  explicit TFakeDeviceDispatcher(TComponent* owner)
      : TScomWin32Dispatcher(owner),
        fire_(CreateSemaphoreA(nullptr, 0, 1, nullptr)),
        armed_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
  ~TFakeDeviceDispatcher() override {
    DonePort();  // the threads end while this object is whole
    CloseHandle(fire_);
    CloseHandle(armed_);
  }

  // Ends the serial wait in progress with the given events.
  void Fire(DWORD events) {
    events_ = events;
    ReleaseSemaphore(fire_, 1, nullptr);
  }
  bool WaitArmed(DWORD ms) { return WaitForSingleObject(armed_, ms) == WAIT_OBJECT_0; }

  volatile LONG passes = 0;  // each dispatch pass reads the driver's status once
  volatile DWORD comThread = 0, dispThread = 0;
  DCB block = {};

protected:
  bool WaitComEvent(DWORD& mask, OVERLAPPED&) override {
    comThread = GetCurrentThreadId();
    SetEvent(armed_);
    while (WaitForSingleObject(fire_, 10) == WAIT_TIMEOUT)
      if (kill_) {
        SetLastError(ERROR_OPERATION_ABORTED);
        return false;
      }
    mask = events_;
    return true;
  }
  int GetComError(COMSTAT& status, bool output) override {
    status = {};
    if (!output) {
      dispThread = GetCurrentThreadId();
      InterlockedIncrement(&passes);
    }
    return 0;
  }
  int OpenCom(const std::string&, int, int) override {
    device_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // a handle of our own to close
    portClosed_ = false;
    return 0;
  }
  int EscapeComFunction(int) override { return 0; }
  int GetComModemStatus(DWORD& status) override {
    status = 0;
    return 0;
  }
  int GetComState(DCB& dcb) override {
    dcb = block;
    return 0;
  }
  int SetComState(DCB& dcb) override {
    block = dcb;
    return 0;
  }
  int ReadCom(void*, int) override { return 0; }
  bool SetupCom(int, int) override { return true; }

private:
  HANDLE fire_, armed_;
  volatile DWORD events_ = 0;
};
}

TEST(DispatchThread, SerialEventThatMovesNoByteIsAnsweredByItsOwnPass) {
  TFakeDeviceDispatcher d(nullptr);
  ASSERT_EQ(d.InitPort("COM9", 115200, 0, 8, 1, 2048, 2048, ipDTR | ipRTS), 0);
  ASSERT_TRUE(d.WaitArmed(5000));
  // Line changes and errors bring no data. Answered only by the 50-ms timed pass, each of them
  // would cost a second pass and leave the line unwatched meanwhile.
  constexpr int kEvents = 20;
  const LONG before = d.passes;
  for (int i = 0; i < kEvents; ++i) {
    d.Fire(i % 2 ? EV_CTS : EV_ERR);
    ASSERT_TRUE(d.WaitArmed(5000)) << i;
  }
  EXPECT_LT(d.passes - before, kEvents + kEvents / 2);
}
