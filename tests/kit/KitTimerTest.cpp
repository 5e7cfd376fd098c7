#include "KitTestMain.h"
#include "KitTimer.h"
#include "MessagePump.h"
#include "MessageWindow.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include <tlhelp32.h>
#include <stdexcept>

namespace {
void Pump(DWORD ms) { PumpUntil([] { return false; }, ms); }

int ThreadsOfThisProcess() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 te = {};
  te.dwSize = sizeof te;
  int count = 0;
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
    if (te.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snap);
  return count;
}

// Counts ticks, their times and whether any ran off the main thread.
struct TTickLog {
  std::vector<DWORD> times;
  bool offMain = false;
  const DWORD mainThread = GetCurrentThreadId();
  TNotifyEvent Handler() {
    return [this](TComponent*) {
      times.push_back(timeGetTime());
      if (GetCurrentThreadId() != mainThread) offMain = true;
    };
  }
  int Count() const { return static_cast<int>(times.size()); }
};

// Records what reaches the application object's exception handler, and on which thread.
struct TErrorLog {
  int count = 0;
  bool offMain = false;
  TErrorLog() {
    const DWORD main = GetCurrentThreadId();
    SetExceptionHandler([this, main](const std::exception_ptr&) {
      ++count;
      if (GetCurrentThreadId() != main) offMain = true;
    });
  }
  ~TErrorLog() { SetExceptionHandler(nullptr); }
};

struct TModes : ::testing::TestWithParam<bool> {};  // true: thread mode
std::string ModeName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "Thread" : "Multimedia"; }
}

TEST_P(TModes, TicksAboutEveryIntervalOnTheMainThread) {
  TTickLog log;
  TKitHiTimer timer(nullptr);
  timer.SetUseThread(GetParam());
  timer.SetInterval(100);
  timer.SetOnTimer(log.Handler());
  timer.SetEnabled(true);
  Pump(1000);
  timer.SetEnabled(false);
  EXPECT_GE(log.Count(), 5);
  EXPECT_LE(log.Count(), 11);
  EXPECT_FALSE(log.offMain);
}

TEST_P(TModes, DisabledInsideItsHandlerGivesNoFurtherTick) {
  TKitHiTimer timer(nullptr);
  timer.SetUseThread(GetParam());
  timer.SetInterval(10);
  int ticks = 0;
  timer.SetOnTimer([&](TComponent*) {
    ++ticks;
    timer.SetEnabled(false);
  });
  timer.SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks > 0; }, 5000));
  Pump(300);
  EXPECT_EQ(ticks, 1);
}

TEST_P(TModes, DestroyedInsideItsHandler) {
  int ticks = 0;
  auto* timer = new TKitHiTimer(nullptr);
  timer->SetUseThread(GetParam());
  timer->SetInterval(10);
  timer->SetOnTimer([&](TComponent* sender) {
    ++ticks;
    delete sender;
  });
  timer->SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks > 0; }, 5000));
  Pump(200);
  EXPECT_EQ(ticks, 1);
}

// The main thread sleeps so that ticks wait in its queue; then the timer is stopped (or
// stopped and started again, or destroyed) before the queue is pumped.
TEST_P(TModes, NoQueuedTickAfterDisableRestartOrDestroy) {
  enum Action { disable, restart, destroy };
  for (Action action : {disable, restart, destroy}) {
    SCOPED_TRACE(action);
    TTickLog log;
    auto timer = std::make_unique<TKitHiTimer>(nullptr);
    timer->SetUseThread(GetParam());
    timer->SetInterval(20);
    timer->SetOnTimer(log.Handler());
    timer->SetEnabled(true);
    Sleep(300);
    EXPECT_TRUE(GetQueueStatus(QS_POSTMESSAGE) & (QS_POSTMESSAGE << 16)) << "no tick was queued";
    DWORD stopped = timeGetTime();
    if (action == destroy) {
      timer.reset();
    } else {
      timer->SetEnabled(false);
      if (action == restart) {
        timer->SetInterval(200);
        timer->SetEnabled(true);
      }
    }
    Pump(150);
    EXPECT_EQ(log.Count(), 0);
    if (action == restart) {
      ASSERT_TRUE(PumpUntil([&] { return log.Count() > 0; }, 5000));
      EXPECT_GE(log.times[0] - stopped, 150u);  // a fresh period, not an old tick
    }
  }
}

TEST_P(TModes, HandlerExceptionsGoToTheApplicationAndTicksGoOn) {
  TErrorLog errors;
  TKitHiTimer timer(nullptr);
  timer.SetUseThread(GetParam());
  timer.SetInterval(20);
  int ticks = 0;
  timer.SetOnTimer([&](TComponent*) {
    ++ticks;
    throw std::runtime_error("tick failed");
  });
  timer.SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }, 5000));
  timer.SetEnabled(false);
  EXPECT_GE(errors.count, 3);
  EXPECT_FALSE(errors.offMain);
}

TEST_P(TModes, NothingRunsWithoutHandlerOrInDesign) {
  TTickLog log;
  TKitHiTimer timer(nullptr);
  timer.SetUseThread(GetParam());
  timer.SetInterval(10);
  timer.SetEnabled(true);
  Pump(100);
  timer.SetDesigning(true);
  timer.SetOnTimer(log.Handler());
  Pump(200);
  EXPECT_EQ(log.Count(), 0);
  timer.SetDesigning(false);
  timer.SetOnTimer(log.Handler());  // assigning the handler starts it
  ASSERT_TRUE(PumpUntil([&] { return log.Count() > 0; }, 5000));
}

INSTANTIATE_TEST_SUITE_P(KitHiTimer, TModes, ::testing::Bool(), ModeName);

TEST(KitHiTimer, PropertiesAndIntervalLimits) {
  TKitHiTimer timer(nullptr);
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_TRUE(timer.UseThread());
  EXPECT_TRUE(timer.Synchronize());
  EXPECT_EQ(timer.ThreadPriority(), tpNormal);
  EXPECT_GE(timer.MinPeriod(), 1u);
  EXPECT_GE(timer.MaxPeriod(), 65535u);
  timer.SetInterval(0);
  EXPECT_EQ(timer.Interval(), timer.MinPeriod());
  timer.SetInterval(0xFFFFFFFFu);
  EXPECT_EQ(timer.Interval(), timer.MaxPeriod());
  TKitHiTimer unclamped(nullptr, 0);  // the constructor's interval is taken as it is
  EXPECT_EQ(unclamped.Interval(), 0u);
}

TEST(KitHiTimer, ThreadModeDeliversNoBurstAfterTheMainThreadWasBlocked) {
  TTickLog log;
  TKitHiTimer timer(nullptr);
  timer.SetInterval(100);
  timer.SetOnTimer(log.Handler());
  timer.SetEnabled(true);
  Sleep(1000);
  Pump(1000);
  timer.SetEnabled(false);
  ASSERT_GE(log.Count(), 3);
  for (size_t i = 1; i < log.times.size(); ++i)
    EXPECT_GE(log.times[i] - log.times[i - 1], 60u) << "ticks " << i - 1 << " and " << i;
}

TEST(KitHiTimer, ThreadModeWithoutSynchronizeTicksInTheTimerThread) {
  TErrorLog errors;
  TKitHiTimer timer(nullptr);
  timer.SetInterval(20);
  timer.SetSynchronize(false);
  std::atomic<int> ticks{0};
  std::atomic<bool> onMain{false};
  const DWORD main = GetCurrentThreadId();
  timer.SetOnTimer([&](TComponent*) {
    if (GetCurrentThreadId() == main) onMain = true;
    if (++ticks == 2) throw std::runtime_error("off-thread tick failed");
  });
  timer.SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 4 && errors.count >= 1; }, 5000));
  timer.SetSynchronize(true);  // read anew at every tick
  int before = ticks;
  ASSERT_TRUE(PumpUntil([&] { return ticks >= before + 2; }, 5000));
  EXPECT_TRUE(onMain);
  timer.SetEnabled(false);
  EXPECT_EQ(errors.count, 1);
  EXPECT_FALSE(errors.offMain);
}

TEST(KitHiTimer, NoTickWhileTheApplicationIsEnding) {
  TTickLog log;
  TKitHiTimer timer(nullptr);
  timer.SetInterval(20);
  timer.SetOnTimer(log.Handler());
  PostQuitMessage(0);
  ProcessMessages();
  ASSERT_TRUE(QuitReceived());
  timer.SetEnabled(true);
  Sleep(300);
  ProcessMessages();
  EXPECT_EQ(log.Count(), 0);
  ResetQuit();
  ASSERT_TRUE(PumpUntil([&] { return log.Count() > 0; }, 5000));
}

TEST(KitHiTimer, NoTickOnceTheApplicationTerminates) {
  EXPECT_EQ(RunSecondCopy("--kit-terminated-probe"), 5);
}

TEST(KitHiTimer, ThousandCreateEnableDestroyCycles) {
  const int threadsBefore = ThreadsOfThisProcess();
  int ticks = 0;
  for (int i = 0; i < 1000; ++i) {
    auto* timer = new TKitHiTimer(nullptr);
    timer->SetUseThread(i % 4 != 3);
    timer->SetInterval(1);
    timer->SetOnTimer([&](TComponent*) { ++ticks; });
    timer->SetEnabled(true);
    if (i % 10 == 0) ProcessMessages();
    if (i % 7 == 0) Sleep(2);
    delete timer;
  }
  const int afterCycles = ticks;
  Pump(300);
  EXPECT_EQ(ticks, afterCycles);
  // Every timer thread ends on its own.
  EXPECT_TRUE(PumpUntil([&] { return ThreadsOfThisProcess() <= threadsBefore; }, 20000))
      << ThreadsOfThisProcess() << " threads, " << threadsBefore << " before";
}
