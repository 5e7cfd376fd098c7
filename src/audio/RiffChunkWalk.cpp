#include "RiffChunkWalk.h"
#include "LittleEndian.h"
#include "Stream.h"
#include <cctype>
#include <cstring>

bool TRiffChunk::Is(const char* id) const {
  for (int i = 0; i < 4; ++i)
    if (std::toupper(static_cast<unsigned char>(Id[i])) != std::toupper(static_cast<unsigned char>(id[i])))
      return false;
  return true;
}

TRiffChunkWalk::TRiffChunkWalk(TStream& stream, int64_t first, bool skipPadBytes)
    : stream_(stream), next_(first), end_(stream.Size()), skipPadBytes_(skipPadBytes) {}

bool TRiffChunkWalk::Next(TRiffChunk& chunk) {
  if (next_ + 8 > end_) return false;
  uint8_t header[8];
  stream_.SetPosition(next_);
  stream_.ReadBuffer(header, 8);
  std::memcpy(chunk.Id, header, 4);
  chunk.Size = GetLe32(header + 4);
  chunk.Start = next_ + 8;
  next_ = chunk.Start + chunk.Size + (skipPadBytes_ ? chunk.Size & 1 : 0);
  return true;
}
