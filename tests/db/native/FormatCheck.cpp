// The table reader on damaged images, built with the host compiler and the sanitizers.
#include <cstdio>
#include "../CorruptionSweep.h"
#include "../Samples.h"
#include "RichImage.h"

int main() {
  struct {
    const char* name;
    std::string image;
  } cases[] = {
      {"Folders.d", samples::Folders()},
      {"empty Recordings.d", samples::EmptyRecordings()},
      {"Recordings.d with one call", samples::OneCall()},
      {"every field type", RichImage()},
  };
  int failed = 0;
  for (auto& c : cases) {
    TZorudCursor whole;
    std::string message;
    bool loads = whole.LoadFromBytes(reinterpret_cast<const uint8_t*>(c.image.data()), c.image.size(), message);
    std::string r = loads && message.empty() && whole.Image() == c.image ? sweep::Run(c.image) : "does not load: " + message;
    std::printf("%s: %s\n", c.name, r.empty() ? "ok" : r.c_str());
    if (!r.empty()) ++failed;
  }
  return failed ? 1 : 0;
}
