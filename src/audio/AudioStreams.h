#pragma once
#include "WaveFormat.h"
#include <cstdint>
#include <exception>

class TStream;

// Audio in a file format on a stream that the caller owns.
class TdeAbstractAudioStream {
public:
  explicit TdeAbstractAudioStream(TStream& stream) : stream_(stream) {}
  virtual ~TdeAbstractAudioStream() = default;
  TdeAbstractAudioStream(const TdeAbstractAudioStream&) = delete;
  TdeAbstractAudioStream& operator=(const TdeAbstractAudioStream&) = delete;

  virtual void SetFormat(const TdeWaveFormat& format) { format_.Assign(format); }
  virtual TdeWaveFormat& GetFormat() { return format_; }

protected:
  TdeWaveFormat format_;
  TStream& stream_;
};

// Writes the header with the first block and the sizes when finished. Every write is checked:
// the first failure raises the stream's EInOutError (with the platform's code, for example
// ERROR_DISK_FULL) and leaves the writer failed, so that later blocks raise at once and write
// nothing; DataSize counts only the bytes that reached the stream.
class TdeAbstractAudioWriter : public TdeAbstractAudioStream {
public:
  explicit TdeAbstractAudioWriter(TStream& stream);

  void WriteAudio(const void* buffer, int size);
  // Completes the file (the sizes in the header); raises when a write fails. A writer that
  // wrote nothing leaves the stream untouched.
  void Finish();

  int32_t DataSize() const { return dataSize_; }
  bool Failed() const { return static_cast<bool>(failure_); }

protected:
  virtual void Finalise() {}
  virtual void AfterFirstBlock() {}
  virtual void WriteHeader() {}
  virtual void WriteData(const void* buffer, int size) = 0;
  // Finishes an unfinished writer without ever throwing; for the destructors.
  void FinishQuietly() noexcept;
  // Writes all of buffer at the stream's position or raises (and fails the writer); returns
  // the bytes that reached the stream through written.
  void Put(const void* buffer, int size, int* written = nullptr);
  void CountData(int bytes) { dataSize_ += bytes; }

  int64_t startPosition_;
  bool headerWritten_ = false;

private:
  int32_t dataSize_ = 0;
  bool finished_ = false;
  std::exception_ptr failure_;
};

// The program's WAV file: "RIFF", "fmt " (16 bytes for PCM, else 18 + cbSize), "data".
class TdeRIFFAudioWriter : public TdeAbstractAudioWriter {
public:
  using TdeAbstractAudioWriter::TdeAbstractAudioWriter;
  ~TdeRIFFAudioWriter() override { FinishQuietly(); }

protected:
  void Finalise() override;
  void WriteHeader() override;
  void WriteData(const void* buffer, int size) override;

private:
  int64_t dataChunkPosition_ = 0;
};

class TdeAbstractAudioReader : public TdeAbstractAudioStream {
public:
  using TdeAbstractAudioStream::TdeAbstractAudioStream;

  virtual int TrackCount() = 0;
  virtual TdeWaveFormat& TrackFormat(int index) { return format_; }
  virtual int32_t DataSize() = 0;
  virtual void SelectTrack(int index) = 0;
  // Reads from the start of the track's data, at most its data size; returns the bytes read.
  virtual int ReadData(int index, void* buffer, int count) = 0;
  virtual void GoToLastTrack();
  virtual void GoToNextTrack();
  TdeWaveFormat& GetFormat() override { return TrackFormat(currentTrack_); }

  int CurrentTrack() const { return currentTrack_; }
  bool EndOfTracks() const { return end_; }

protected:
  int currentTrack_ = 0;
  bool end_ = false;
};

// Reads a RIFF WAVE file from the stream's position; raises EACMAudioReadError
// "Invalid file format." for anything else. A data chunk that claims more bytes than the
// stream holds is cut to the bytes present.
class TdeRIFFAudioReader : public TdeAbstractAudioReader {
public:
  explicit TdeRIFFAudioReader(TStream& stream);

  int TrackCount() override { return 1; }
  int32_t DataSize() override { return dataSize_; }
  void SelectTrack(int index) override;
  int ReadData(int index, void* buffer, int count) override;
  int64_t DataStart() const { return dataStart_; }

private:
  int64_t dataStart_ = 0;
  int32_t dataSize_ = 0;
};
