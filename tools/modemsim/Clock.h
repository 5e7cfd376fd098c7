#pragma once
#include <chrono>

// Seconds on the monotonic clock; every schedule and every pacing decision uses it.
inline double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}
