#pragma once
#include "WaveFormat.h"
#include <cstdlib>
#include <string>
#include <vector>

// Formats the tests use, built field by field.
inline TdeWaveFormat Pcm(DWORD rate, WORD channels, WORD bits) {
  TdeWaveFormat f;
  f.SetFormatTag(WAVE_FORMAT_PCM);
  f.SetChannels(channels);
  f.SetSamplesPerSec(rate);
  f.SetBlockAlign(static_cast<WORD>(channels * bits / 8));
  f.SetAvgBytesPerSec(rate * channels * bits / 8);
  f.SetBitsPerSample(bits);
  f.SetExtraSize(0);
  return f;
}

// IMA ADPCM 8000 Hz mono as the IMA codec lists it: 505 samples in 256-byte blocks.
inline TdeWaveFormat Ima8000() {
  static const BYTE bytes[20] = {0x11, 0, 1, 0, 0x40, 0x1F, 0, 0, 0xD7, 0x0F, 0, 0,
                                 0, 1, 4, 0, 2, 0, 0xF9, 1};
  TdeWaveFormat f;
  f.LoadFromBuffer(bytes, sizeof bytes);
  return f;
}

inline TdeWaveFormat G711(WORD tag) {
  TdeWaveFormat f = Pcm(8000, 1, 8);
  f.SetFormatTag(tag);
  return f;
}

inline TdeWaveFormat Gsm8000() {
  TdeWaveFormat f;
  f.SetFormatTag(0x31);
  f.SetChannels(1);
  f.SetSamplesPerSec(8000);
  f.SetAvgBytesPerSec(1625);
  f.SetBlockAlign(65);
  f.SetBitsPerSample(0);
  f.SetExtraSize(2);
  BYTE extra[2] = {0x40, 0x01};  // 320 samples per block
  BYTE* p = reinterpret_cast<BYTE*>(f.GetFormatPtr()) + sizeof(WAVEFORMATEX);
  p[0] = extra[0];
  p[1] = extra[1];
  return f;
}

// The first format of the installed codecs with this tag, rate and channel count (the default
// format when there is none).
TdeWaveFormat CodecFormat(WORD tag, DWORD rate, WORD channels, bool* found = nullptr);

// A folder the Linux side shares with the test, named by an environment variable, as a
// Windows path ("" when the variable is not set).
inline std::string SharedFolder(const char* variable) {
  const char* unix = std::getenv(variable);
  if (!unix || !*unix) return "";
  std::string path = std::string("Z:") + unix;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// 8-bit PCM: a sine of the given period (in samples) and amplitude around 128.
std::vector<BYTE> Sine8(size_t samples, double period, double amplitude);
