#include "VoiceStream.h"
#include "ModemReply.h"

void TVoiceStream::Start() {
  wavFill_ = -1;
  traceFill_ = -1;
  skipping_ = true;
  skipped_ = 0;
  skipLine_.clear();
  heldDle_ = false;
  ended_ = false;
  audioBytes_ = 0;
}

// True while b still belongs to the text before the audio.
bool TVoiceStream::SkipConnect(uint8_t b) {
  if (skipped_ >= MaxConnectSkip) {
    skipping_ = false;
    return false;
  }
  ++skipped_;
  if (b == '\n') {
    if (TModemReply::IsConnect(TrimControls(skipLine_))) skipping_ = false;
    skipLine_.clear();
  } else if (b != '\r') {
    skipLine_ += static_cast<char>(b);
  }
  return true;
}

bool TVoiceStream::Feed(const uint8_t* data, int size) {
  for (int i = 0; i < size && !ended_; ++i) {
    uint8_t b = data[i];
    if (skipping_ && SkipConnect(b)) continue;
    if (heldDle_) {
      heldDle_ = false;
      if (b == DLE) Audio(DLE);
      else if (b == ETX) ended_ = true;
      else if (OnEvent) OnEvent(b);
      continue;
    }
    if (b == DLE) heldDle_ = true;
    else Audio(b);
  }
  return !ended_;
}

void TVoiceStream::Audio(uint8_t b) {
  ++audioBytes_;
  wavBlock_[++wavFill_] = b;
  traceBlock_[++traceFill_] = b;
  if (wavFill_ == WavBlockSize - 1) {
    wavFill_ = -1;
    if (OnWavBlock) OnWavBlock(wavBlock_, WavBlockSize);
  }
  if (traceFill_ == TraceBlockSize - 1) {
    traceFill_ = -1;
    if (OnTraceBlock) OnTraceBlock(traceBlock_, TraceBlockSize);
  }
}

void TVoiceStream::FlushWav() {
  if (wavFill_ < 0) return;
  int size = wavFill_ + 1;
  wavFill_ = -1;
  if (OnWavBlock) OnWavBlock(wavBlock_, size);
}
