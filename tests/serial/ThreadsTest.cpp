// The Win32 dispatcher's own threads over a fake device: the test fires the serial events the
// communication thread waits for, and sees the dispatch thread's passes and the line settings.
#include "FakeLines.h"
#include "MessagePump.h"
#include "ScomComPort.h"
#include "ScomTestEnv.h"
#include "ScomWin32Dispatcher.h"
#include <windows.h>
#include <tlhelp32.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <vector>

namespace {
class TFakeDeviceDispatcher : public TFakeLines<TScomWin32Dispatcher> {
public:
  explicit TFakeDeviceDispatcher(TComponent* owner)
      : TFakeLines(owner),
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
  int ReadCom(void*, int) override { return 0; }

private:
  HANDLE fire_, armed_;
  volatile DWORD events_ = 0;
};

class TFakeDevicePort : public TScomComPort {
public:
  using TScomComPort::TScomComPort;
  TFakeDeviceDispatcher& Fake() const { return *static_cast<TFakeDeviceDispatcher*>(Dispatcher()); }

protected:
  std::unique_ptr<TScomBaseDispatcher> CreateDispatcher() override {
    return std::make_unique<TFakeDeviceDispatcher>(this);
  }
};

std::vector<DWORD> ThreadsOfThisProcess() {
  std::vector<DWORD> ids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return ids;
  THREADENTRY32 te = {};
  te.dwSize = sizeof te;
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
    if (te.th32OwnerProcessID == GetCurrentProcessId()) ids.push_back(te.th32ThreadID);
  CloseHandle(snap);
  std::sort(ids.begin(), ids.end());
  return ids;
}

int PriorityOf(DWORD threadId) {
  HANDLE h = OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
  if (!h) return THREAD_PRIORITY_ERROR_RETURN;
  int p = GetThreadPriority(h);
  CloseHandle(h);
  return p;
}
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

TEST(ComPortRS485, RtsTogglesAndTheOutputThreadRunsAStepHigher) {
  struct Case {
    unsigned hwFlow, hwFlowAfter;
    DWORD dtrControl;
  };
  for (const Case& c : {Case{0, 0, DTR_CONTROL_ENABLE}, Case{hwfUseDTR, hwfUseDTR, DTR_CONTROL_HANDSHAKE},
                        Case{hwfUseRTS | hwfRequireCTS, 0, DTR_CONTROL_ENABLE}}) {
    SCOPED_TRACE(c.hwFlow);
    const std::vector<DWORD> earlier = ThreadsOfThisProcess();
    TFakeDevicePort port(nullptr);
    port.SetComNumber(9);
    port.SetPromptForPort(false);
    port.SetAutoOpen(false);
    port.SetInSize(2048);
    port.SetHWFlowOptions(c.hwFlow);
    port.SetOpen(true);
    TFakeDeviceDispatcher& d = port.Fake();
    ASSERT_TRUE(PumpUntil([&] { return d.comThread && d.dispThread; }, 5000));
    std::vector<DWORD> made, now = ThreadsOfThisProcess();
    std::set_difference(now.begin(), now.end(), earlier.begin(), earlier.end(), std::back_inserter(made));
    made.erase(std::remove_if(made.begin(), made.end(), [&](DWORD id) { return id == d.comThread || id == d.dispThread; }),
               made.end());
    ASSERT_EQ(made.size(), 1u) << "the output thread";
    const DWORD out = made[0];
    auto priorities = [&] { return std::vector<int>{PriorityOf(d.comThread), PriorityOf(d.dispThread), PriorityOf(out)}; };
    EXPECT_EQ(priorities(), (std::vector<int>{0, 0, 0}));

    port.SetRS485Mode(true);
    EXPECT_EQ(d.block.fRtsControl, DWORD(RTS_CONTROL_TOGGLE));
    EXPECT_EQ(d.block.fDtrControl, c.dtrControl);
    EXPECT_FALSE(d.block.fOutxCtsFlow);
    EXPECT_EQ(port.HWFlowOptions(), c.hwFlowAfter);
    EXPECT_FALSE(port.RTS());
    EXPECT_EQ(priorities(), (std::vector<int>{0, 0, 1}));
    d.SetThreadBoost(1);
    EXPECT_EQ(priorities(), (std::vector<int>{1, 1, 2}));
    port.SetBaud(9600);  // new line settings keep the toggle
    EXPECT_EQ(d.block.BaudRate, 9600u);
    EXPECT_EQ(d.block.fRtsControl, DWORD(RTS_CONTROL_TOGGLE));

    // RTS handshake ends the mode.
    port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    EXPECT_FALSE(port.RS485Mode());
    EXPECT_EQ(d.block.fRtsControl, DWORD(RTS_CONTROL_HANDSHAKE));
    EXPECT_EQ(priorities(), (std::vector<int>{1, 1, 1}));
    port.SetOpen(false);
  }
}
