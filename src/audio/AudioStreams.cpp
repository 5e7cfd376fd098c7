#include "AudioStreams.h"
#include "ACMError.h"
#include "LittleEndian.h"
#include "RiffChunkWalk.h"
#include "Stream.h"
#include <cstring>

namespace {
const char* const SInvalidFile = "Invalid file format.";

[[noreturn]] void Invalid() { throw EACMAudioReadError(SInvalidFile); }

// Reads exactly count bytes, or the file is not what it claims.
void ReadExact(TStream& stream, void* buffer, int count) {
  int got = stream.Read(buffer, count);
  if (got == count) return;
  if (stream.LastError() != 0) throw EReadError(stream.ErrorText(false), stream.LastError());
  Invalid();
}
}

TdeAbstractAudioWriter::TdeAbstractAudioWriter(TStream& stream)
    : TdeAbstractAudioStream(stream), startPosition_(stream.Position()) {}

void TdeAbstractAudioWriter::Put(const void* buffer, int size, int* written) {
  if (written) *written = 0;
  if (size <= 0) return;
  int n = 0;
  try {
    n = stream_.Write(buffer, size);
    if (written) *written = n < 0 ? 0 : n;
    if (n != size) throw EWriteError(stream_.ErrorText(true), stream_.LastError());
  } catch (...) {
    failure_ = std::current_exception();
    throw;
  }
}

void TdeAbstractAudioWriter::WriteAudio(const void* buffer, int size) {
  if (failure_) std::rethrow_exception(failure_);
  bool first = !headerWritten_;
  if (first) {
    WriteHeader();
    headerWritten_ = true;
  }
  finished_ = false;
  WriteData(buffer, size);
  if (first) AfterFirstBlock();
}

void TdeAbstractAudioWriter::Finish() {
  if (!headerWritten_ || finished_) return;
  Finalise();
  finished_ = true;
}

void TdeAbstractAudioWriter::FinishQuietly() noexcept {
  try {
    Finish();
  } catch (...) {
    // The caller that wanted to know called Finish itself.
  }
}

void TdeRIFFAudioWriter::WriteHeader() {
  WORD fmtSize = GetFormat().GetFormatTag() == WAVE_FORMAT_PCM
                     ? 16 : static_cast<WORD>(sizeof(WAVEFORMATEX) + GetFormat().GetExtraSize());
  BYTE header[20 + TdeWaveFormat::BufferSize + 8] = {};
  std::memcpy(header, "RIFF", 4);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  PutLe32(header + 16, fmtSize);
  std::memcpy(header + 20, GetFormat().Bytes(), fmtSize);
  std::memcpy(header + 20 + fmtSize, "data", 4);
  dataChunkPosition_ = startPosition_ + 20 + fmtSize;
  Put(header, 28 + fmtSize);
}

void TdeRIFFAudioWriter::WriteData(const void* buffer, int size) {
  int written = 0;
  try {
    Put(buffer, size, &written);
  } catch (...) {
    CountData(written);
    throw;
  }
  CountData(written);
}

void TdeRIFFAudioWriter::Finalise() {
  int64_t end = stream_.Position();
  BYTE size[4];
  PutLe32(size, static_cast<uint32_t>(end - (startPosition_ + 8)));
  stream_.SetPosition(startPosition_ + 4);
  Put(size, 4);
  PutLe32(size, static_cast<uint32_t>(end - (dataChunkPosition_ + 8)));
  stream_.SetPosition(dataChunkPosition_ + 4);
  Put(size, 4);
  stream_.SetPosition(end);
}

void TdeAbstractAudioReader::GoToLastTrack() {
  SelectTrack(TrackCount() - 1);
  currentTrack_ = TrackCount() - 1;
  end_ = true;
}

void TdeAbstractAudioReader::GoToNextTrack() {
  if (currentTrack_ >= TrackCount() - 1) {
    end_ = true;
    return;
  }
  SelectTrack(currentTrack_ + 1);
  ++currentTrack_;
}

TdeRIFFAudioReader::TdeRIFFAudioReader(TStream& stream) : TdeAbstractAudioReader(stream) {
  const int64_t streamSize = stream_.Size();
  BYTE chunk[8];
  ReadExact(stream_, chunk, 8);
  if (std::memcmp(chunk, "RIFF", 4) != 0 || GetLe32(chunk + 4) == 0) Invalid();
  ReadExact(stream_, chunk, 4);
  if (std::memcmp(chunk, "WAVE", 4) != 0) Invalid();

  bool fmtFound = false, dataFound = false;
  TRiffChunkWalk walk(stream_, stream_.Position(), false);
  TRiffChunk c;
  while (!(fmtFound && dataFound) && walk.Next(c)) {
    if (c.Is("fmt ")) {
      if (c.Size > TdeWaveFormat::BufferSize) Invalid();
      format_.SetDefault();
      BYTE bytes[TdeWaveFormat::BufferSize];
      ReadExact(stream_, bytes, static_cast<int>(c.Size));
      format_.LoadFromBuffer(bytes, c.Size);
      // The extra bytes of a compressed format must lie inside the chunk.
      if (format_.GetFormatTag() != WAVE_FORMAT_PCM && c.Size >= sizeof(WAVEFORMATEX) &&
          sizeof(WAVEFORMATEX) + format_.GetFormatPtr()->cbSize > c.Size)
        Invalid();
      fmtFound = true;
    } else if (c.Is("data")) {
      // A recording cut short keeps the bytes it has.
      const int64_t left = streamSize - c.Start;
      int64_t present = c.Size < left ? c.Size : left;
      if (present > INT32_MAX) present = INT32_MAX;
      dataStart_ = c.Start;
      dataSize_ = static_cast<int32_t>(present);
      dataFound = true;
    }
  }
  if (!fmtFound || !dataFound) Invalid();
  currentTrack_ = 0;
  end_ = false;
}

void TdeRIFFAudioReader::SelectTrack(int) { stream_.SetPosition(dataStart_); }

int TdeRIFFAudioReader::ReadData(int index, void* buffer, int count) {
  SelectTrack(index);
  if (count > dataSize_) count = dataSize_;
  if (count <= 0) return 0;
  return stream_.Read(buffer, count);
}
