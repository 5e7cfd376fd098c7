#include "ScomUtil.h"
#include "ScomSystem.h"
#include <windows.h>
#include <mmsystem.h>

namespace {
// 2^32 ms in ticks, rounded up: the tick count just after the millisecond count wraps.
constexpr uint64_t kTickRange = 78090315;
}

uint32_t ClockMs() {
  unsigned long long divisor = ScomClockDivisor();
  LARGE_INTEGER counter;
  if (divisor && QueryPerformanceCounter(&counter))
    return static_cast<uint32_t>(static_cast<unsigned long long>(counter.QuadPart) / divisor);
  return timeGetTime();
}

uint32_t CurrentTicks() { return ClockMs() / 55; }

void NewTimer(TEventTimer& timer, uint32_t ticks) {
  timer.StartTicks = CurrentTicks();
  timer.ExpireTicks = timer.StartTicks + ticks;
}

bool TimerExpiredAt(const TEventTimer& timer, uint32_t now) {
  if (now > timer.ExpireTicks) return true;
  return now < timer.StartTicks && static_cast<uint64_t>(now) + kTickRange > timer.ExpireTicks;
}

bool TimerExpired(const TEventTimer& timer) { return TimerExpiredAt(timer, CurrentTicks()); }
