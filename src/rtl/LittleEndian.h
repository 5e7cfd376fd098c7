#pragma once
#include <cstdint>

// Numbers stored low byte first, as every file and resource format here keeps them. Byte is
// char, unsigned char or uint8_t, so a std::string's bytes can be read in place.

template <class Byte>
uint16_t GetLe16(const Byte* p) {
  static_assert(sizeof(Byte) == 1);
  return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8);
}

template <class Byte>
uint32_t GetLe32(const Byte* p) {
  static_assert(sizeof(Byte) == 1);
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(p[i]);
  return v;
}

template <class Byte>
void PutLe16(Byte* p, uint16_t v) {
  static_assert(sizeof(Byte) == 1);
  p[0] = static_cast<Byte>(v);
  p[1] = static_cast<Byte>(v >> 8);
}

template <class Byte>
void PutLe32(Byte* p, uint32_t v) {
  static_assert(sizeof(Byte) == 1);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<Byte>(v >> (8 * i));
}
