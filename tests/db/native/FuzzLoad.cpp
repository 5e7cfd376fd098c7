// libFuzzer target: any bytes are either refused with a message or load and write back an
// image that loads again.
#include <cstdlib>
#include <string>
#include "../CorruptionSweep.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string image(reinterpret_cast<const char*>(data), size);
  if (!sweep::CheckOne(image, false).empty() || !sweep::CheckOne(image, true).empty()) std::abort();
  return 0;
}
