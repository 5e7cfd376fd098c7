// Writes the sample images as the fuzzer's seed files into the folder given.
#include <cstdio>
#include <string>
#include "../Samples.h"
#include "RichImage.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string images[] = {samples::Folders(), samples::EmptyRecordings(), samples::OneCall(), RichImage()};
  for (int i = 0; i < 4; ++i) {
    std::string name = std::string(argv[1]) + "/seed" + std::to_string(i);
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f || std::fwrite(images[i].data(), 1, images[i].size(), f) != images[i].size() || std::fclose(f)) return 1;
  }
  return 0;
}
