#pragma once
#include <cstdint>

class TStream;

// A chunk header of a RIFF file: its four-letter id, the size it declares and where its
// content starts.
struct TRiffChunk {
  char Id[4] = {};
  uint32_t Size = 0;
  int64_t Start = 0;
  // The same four letters, whatever their case ("FMT " is "fmt ").
  bool Is(const char* id) const;
};

// The chunk headers of a RIFF file, from a position to the end of the stream. The content is the
// caller's to read; the next header lies behind the size the chunk declares (and behind the pad
// byte of an odd size, when the walk skips them). The walk ends at a header that does not fit.
class TRiffChunkWalk {
public:
  TRiffChunkWalk(TStream& stream, int64_t first, bool skipPadBytes);
  // The next header, with the stream at its content; false at the end.
  bool Next(TRiffChunk& chunk);

private:
  TStream& stream_;
  int64_t next_;
  int64_t end_;
  bool skipPadBytes_;
};
