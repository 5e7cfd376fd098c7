#include "FileStream.h"
#include "Exception.h"
#include "FileUtils.h"

namespace {
DWORD ShareMode(unsigned mode) {
  switch (mode & 0xF0) {
    case fmShareDenyWrite: return FILE_SHARE_READ;
    case fmShareDenyRead: return FILE_SHARE_WRITE;
    case fmShareDenyNone: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default: return 0;
  }
}

std::string FileError(const char* what, const std::string& fileName, int code) {
  return std::string(what) + " \"" + fileName + "\". " + SysErrorMessage(code);
}
}

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : fileName_(fileName) {
  bool create = (mode & fmCreate) == fmCreate;
  DWORD access = create ? GENERIC_READ | GENERIC_WRITE
                 : (mode & 3) == fmOpenWrite ? GENERIC_WRITE
                 : (mode & 3) == fmOpenReadWrite ? GENERIC_READ | GENERIC_WRITE
                                                 : GENERIC_READ;
  handle_ = CreateFileA(fileName.c_str(), access, ShareMode(mode), nullptr, create ? CREATE_ALWAYS : OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    int code = static_cast<int>(GetLastError());
    if (create) throw EFCreateError(FileError("Cannot create file", fileName, code), code);
    throw EFOpenError(FileError("Cannot open file", fileName, code), code);
  }
}

TFileStream::~TFileStream() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

int TFileStream::Read(void* buffer, int count) {
  DWORD done = 0;
  if (count <= 0) return 0;
  if (!ReadFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) {
    lastError_ = static_cast<int>(GetLastError());
    return 0;
  }
  lastError_ = 0;
  return static_cast<int>(done);
}

int TFileStream::Write(const void* buffer, int count) {
  DWORD done = 0;
  if (count <= 0) return 0;
  if (!WriteFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) {
    lastError_ = static_cast<int>(GetLastError());
    return static_cast<int>(done);
  }
  // A short count without an error is a full disk.
  lastError_ = done == static_cast<DWORD>(count) ? 0 : ERROR_DISK_FULL;
  return static_cast<int>(done);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER distance, position;
  distance.QuadPart = offset;
  DWORD method = origin == soBeginning ? FILE_BEGIN : origin == soCurrent ? FILE_CURRENT : FILE_END;
  if (!SetFilePointerEx(handle_, distance, &position, method)) {
    int code = static_cast<int>(GetLastError());
    throw EStreamError(FileError("Cannot seek in file", fileName_, code), code);
  }
  return position.QuadPart;
}

int64_t TFileStream::Size() {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle_, &size)) {
    int code = static_cast<int>(GetLastError());
    throw EStreamError(FileError("Cannot read file", fileName_, code), code);
  }
  return size.QuadPart;
}

void TFileStream::SetSize(int64_t size) {
  int64_t position = Position();
  Seek(size, soBeginning);
  if (!SetEndOfFile(handle_)) {
    int code = static_cast<int>(GetLastError());
    Seek(position, soBeginning);
    throw EWriteError(FileError("Cannot write file", fileName_, code), code);
  }
  Seek(position < size ? position : size, soBeginning);
}

void TFileStream::Flush() {
  if (!FlushFileBuffers(handle_)) {
    int code = static_cast<int>(GetLastError());
    throw EWriteError(FileError("Cannot write file", fileName_, code), code);
  }
}

void TFileStream::Close() {
  HANDLE h = handle_;
  handle_ = INVALID_HANDLE_VALUE;
  if (h != INVALID_HANDLE_VALUE && !CloseHandle(h)) {
    int code = static_cast<int>(GetLastError());
    throw EWriteError(FileError("Cannot close file", fileName_, code), code);
  }
}

std::string TFileStream::ErrorText(bool writing) const {
  if (lastError_ == 0) return TStream::ErrorText(writing);
  return FileError(writing ? "Cannot write file" : "Cannot read file", fileName_, lastError_);
}
