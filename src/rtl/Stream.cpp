#include "Stream.h"
#include "Exception.h"
#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {
// Streams count in int; a memory block stays below 2 GB.
const int64_t MaxMemorySize = 0x7FFFFFFF;
}

std::string TStream::ErrorText(bool writing) const { return writing ? "Stream write error" : "Stream read error"; }

void TStream::ReadBuffer(void* buffer, int count) {
  if (count < 0 || Read(buffer, count) != count) throw EReadError(ErrorText(false), LastError());
}

void TStream::WriteBuffer(const void* buffer, int count) {
  if (count < 0 || Write(buffer, count) != count) throw EWriteError(ErrorText(true), LastError());
}

int64_t TStream::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, 0xF000)));
  for (int64_t left = count; left > 0;) {
    int n = static_cast<int>(std::min<int64_t>(left, static_cast<int64_t>(buffer.size())));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

int TMemoryStream::Read(void* buffer, int count) {
  if (count <= 0 || position_ >= Size()) return 0;
  int n = static_cast<int>(std::min<int64_t>(count, Size() - position_));
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

int TMemoryStream::Write(const void* buffer, int count) {
  if (count <= 0) return 0;
  int64_t end = position_ + count;
  if (end > Size()) SetSize(end);
  std::memcpy(data_.data() + position_, buffer, count);
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : Size();
  int64_t position = base + offset;
  if (position < 0 || position > MaxMemorySize) throw EStreamError("Stream seek error", 0);
  position_ = position;
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0 || size > MaxMemorySize) throw EOutOfMemory();
  try {
    data_.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory();
  } catch (const std::length_error&) {
    throw EOutOfMemory();
  }
  if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
  std::vector<uint8_t>().swap(data_);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  int64_t size = stream.Size();
  SetSize(size);
  if (size > 0) stream.ReadBuffer(data_.data(), static_cast<int>(size));
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& stream) const {
  if (!data_.empty()) stream.WriteBuffer(data_.data(), static_cast<int>(data_.size()));
}
