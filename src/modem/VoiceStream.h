#pragma once
#include <cstdint>
#include <functional>
#include <string>

// The modem's voice receive stream cut into blocks: first the rest of the CONNECT line is
// dropped (at most 256 bytes), then DLE shielding is undone (DLE DLE is one 0x10 byte, DLE and
// any other code an event, DLE ETX the end of the stream), and the audio bytes fill two block
// buffers: 2048 bytes for the recording, 1536 for the trace. A full block is handed on at once,
// the partly filled recording block when the stream is flushed.
class TVoiceStream {
public:
  static constexpr int WavBlockSize = 2048;
  static constexpr int TraceBlockSize = 1536;
  static constexpr int MaxConnectSkip = 256;
  static constexpr uint8_t DLE = 0x10, ETX = 0x03;

  void Start();
  // Takes a batch of modem bytes; false once the stream has ended (DLE ETX).
  bool Feed(const uint8_t* data, int size);
  // Hands on the partly filled recording block, if any.
  void FlushWav();

  bool Ended() const { return ended_; }
  int WavFill() const { return wavFill_; }
  int TraceFill() const { return traceFill_; }
  int64_t AudioBytes() const { return audioBytes_; }

  std::function<void(uint8_t* block, int size)> OnWavBlock;
  std::function<void(uint8_t* block, int size)> OnTraceBlock;
  // A DLE event code of the modem (not DLE, not ETX), as it comes in the stream.
  std::function<void(uint8_t code)> OnEvent;

private:
  void Audio(uint8_t b);
  bool SkipConnect(uint8_t b);

  uint8_t wavBlock_[WavBlockSize];
  uint8_t traceBlock_[WavBlockSize];  // 1536 used
  int wavFill_ = -1;
  int traceFill_ = -1;
  bool skipping_ = true;
  int skipped_ = 0;
  std::string skipLine_;
  bool heldDle_ = false;
  bool ended_ = false;
  int64_t audioBytes_ = 0;
};
