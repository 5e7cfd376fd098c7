// Keeps the default desktop of the prefix open while it runs. Wine starts the desktop process
// from the first program that needs it and hands it that program's standard error: under CTest
// that is the test's output pipe, and CTest waits for the pipe to close, so the test would seem
// to hang after it ended for as long as other programs keep the desktop open. Started once by
// scripts/wine-env.sh with its output in a log, this program is the one that starts it.
#include <windows.h>
#include <cstdio>

int main() {
  if (!GetDesktopWindow()) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) Sleep(INFINITE);
}
