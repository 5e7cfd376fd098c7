// A test executable that hangs in a function of its own: the hang report of scripts/wine-run.sh
// must name the test case and that function.
#include <gtest/gtest.h>
#include <windows.h>

namespace {
__attribute__((noinline)) void WaitForeverInTheProbe() {
  for (;;) Sleep(INFINITE);
}
}

TEST(HangProbe, WaitsForever) { WaitForeverInTheProbe(); }
