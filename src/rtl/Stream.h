#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// A byte stream. Read and Write move up to count bytes and return how many moved; ReadBuffer
// and WriteBuffer move exactly count bytes or raise EReadError / EWriteError, which is what
// callers use unless they look at the count themselves.
class TStream {
public:
  virtual ~TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  virtual int Read(void* buffer, int count) = 0;
  virtual int Write(const void* buffer, int count) = 0;
  // Returns the new position; raises EStreamError when the position cannot be had.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  void ReadBuffer(void* buffer, int count);
  void WriteBuffer(const void* buffer, int count);

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size) = 0;

  // Copies count bytes from source's position; count 0 copies the whole of source from its
  // start. Returns the bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);

  // Platform error of the last failed Read or Write (0: none) and the text raised for it.
  virtual int LastError() const { return 0; }
  virtual std::string ErrorText(bool writing) const;

protected:
  TStream() = default;
};

// A stream over a growing block of memory. Seeking past the end is allowed; a write there
// fills the gap with zero bytes.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;

  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  // A position beyond the new size moves back to it. Raises EOutOfMemory when the memory
  // cannot be had.
  void SetSize(int64_t size) override;

  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  void Clear();

  // The whole of stream (from its start) replaces the content; the position goes to 0.
  void LoadFromStream(TStream& stream);
  // Writes the whole content at stream's position.
  void SaveToStream(TStream& stream) const;
  // Files (Windows only, with FileUtils.cpp): SaveToFile replaces the file safely (WriteFileSafely).
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};
