// Run by the tests as another process: exit code 0 when a top-level window of the class named
// by the first argument exists.
#include <windows.h>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  return FindWindowA(argv[1], nullptr) ? 0 : 1;
}
