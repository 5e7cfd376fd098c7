#include "KitClass.h"
#include "KitStart.h"
#include <gtest/gtest.h>
#include <cstring>

// Exit codes of "--kit-mutex-probe": a second copy tells whether it found the mutex held.
int main(int argc, char** argv) {
  KitStart();
  if (argc > 1 && std::strcmp(argv[1], "--kit-mutex-probe") == 0) {
    int code = KitApplication->AlreadyRunning() ? 3 : 4;
    KitStop();
    return code;
  }
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  KitStop();
  return result;
}
