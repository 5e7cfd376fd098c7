#pragma once

// Runs a second copy of this test program with one argument (a probe of KitTestMain.cpp) and
// returns its exit code, or -1 when it could not run or did not end within a minute.
int RunSecondCopy(const char* argument);
