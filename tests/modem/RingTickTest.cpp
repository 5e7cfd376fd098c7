#include "MessagePump.h"
#include "ModemEngine.h"
#include <gtest/gtest.h>
#include <windows.h>

// The ring period is measured by counting the ring tick: a main thread blocked for a second
// (a busy machine) must not make a 2 s cadence read as a shorter one.
TEST(RingTick, CountsTheTimeWhileTheMainThreadWasBlocked) {
  auto tick = NewHiTimer();
  int ticks = 0;
  tick->OnTimer = [&] { ++ticks; };
  tick->SetInterval(100);
  tick->SetEnabled(true);
  ULONGLONG start = GetTickCount64();
  Sleep(1000);
  PumpUntil([] { return false; }, 500);
  tick->SetEnabled(false);
  int expected = static_cast<int>((GetTickCount64() - start) / 100);
  EXPECT_GE(ticks, expected - 2);
  EXPECT_LE(ticks, expected);
}
