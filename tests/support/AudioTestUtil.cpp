#include "AudioTestUtil.h"
#include "Codec.h"
#include <algorithm>
#include <cmath>

std::vector<BYTE> Sine8(size_t samples, double period, double amplitude) {
  std::vector<BYTE> v(samples);
  for (size_t i = 0; i < samples; ++i)
    v[i] = static_cast<BYTE>(std::lround(128 + amplitude * std::sin(6.283185307179586 * i / period)));
  return v;
}

TdeWaveFormat CodecFormat(WORD tag, DWORD rate, WORD channels, bool* found) {
  TdeWaveFormat f;
  if (found) *found = false;
  for (int i = 0; i < CodecCount(); ++i) {
    TdeCodec* codec = Codecs(i);
    for (int k = 0; k < codec->FormatCount(); ++k) {
      TdeCodec::TFormatRec rec;
      codec->GetFormat(k, rec);
      const WAVEFORMATEX* w = rec.Format;
      if (w->wFormatTag == tag && w->nSamplesPerSec == rate && w->nChannels == channels) {
        f.LoadFromBuffer(w, std::min<size_t>(codec->MaxFormatSize, TdeWaveFormat::BufferSize));
        if (found) *found = true;
        return f;
      }
    }
  }
  return f;
}
