#pragma once
#include <cstdint>

// Milliseconds from the high-resolution counter (the multimedia timer when it is unusable).
uint32_t ClockMs();

// A timer in 55-ms ticks.
struct TEventTimer {
  uint32_t StartTicks = 0;
  uint32_t ExpireTicks = 0;
};
uint32_t CurrentTicks();
void NewTimer(TEventTimer& timer, uint32_t ticks);
bool TimerExpired(const TEventTimer& timer);
bool TimerExpiredAt(const TEventTimer& timer, uint32_t nowTicks);

// All ones when any bit of mask is set in flags, else 0.
inline uint32_t FlagIsSet(uint32_t flags, uint32_t mask) { return (flags & mask) ? ~0u : 0u; }
