#include "Thread.h"
#include <gtest/gtest.h>

namespace {
class Counter : public TThread {
public:
  explicit Counter(volatile LONG* ended) : ended_(ended) {}
  ~Counter() override { if (ended_) InterlockedIncrement(ended_); }
  DWORD ranOn = 0;

protected:
  void Execute() override {
    ranOn = GetCurrentThreadId();
    while (!Terminated()) Sleep(1);
    ReturnValue = 7;
  }

private:
  volatile LONG* ended_;
};

class Thrower : public TThread {
protected:
  void Execute() override { throw std::runtime_error("boom"); }
};
}

TEST(Thread, RunsOnItsOwnWin32ThreadAndEndsOnTerminate) {
  Counter t(nullptr);
  t.SetPriority(THREAD_PRIORITY_ABOVE_NORMAL);
  EXPECT_EQ(t.Priority(), THREAD_PRIORITY_ABOVE_NORMAL);
  t.Start();
  Sleep(20);
  t.Terminate();
  EXPECT_EQ(t.WaitFor(), 7u);
  EXPECT_EQ(t.ranOn, t.ThreadID());
  EXPECT_NE(t.ranOn, GetCurrentThreadId());
}

TEST(Thread, FreeOnTerminateDeletesItself) {
  volatile LONG ended = 0;
  auto* t = new Counter(&ended);
  t->FreeOnTerminate = true;
  t->Start();
  t->Terminate();
  for (int i = 0; i < 500 && !ended; ++i) Sleep(2);
  EXPECT_EQ(ended, 1);
}

TEST(Thread, ExceptionStaysInsideTheThread) {
  Thrower t;
  t.Start();
  t.WaitFor();
  EXPECT_TRUE(t.Finished());
  EXPECT_TRUE(static_cast<bool>(t.FatalException));
}

TEST(Thread, NeverStartedIsFreedCleanly) {
  volatile LONG ended = 0;
  delete new Counter(&ended);
  EXPECT_EQ(ended, 1);
}
