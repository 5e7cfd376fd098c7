#pragma once
#include "Stream.h"
#include <windows.h>
#include <string>

// Open modes: one access mode, or'ed with one share mode. fmCreate makes the file anew (an
// existing one is emptied), for reading and writing; without a share mode it is exclusive.
enum : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

// A stream over a Win32 file handle, which it owns. Opening raises EFOpenError or EFCreateError
// ("Cannot open file "name". <system text>") with the platform's error code.
class TFileStream : public TStream {
public:
  TFileStream(const std::string& fileName, unsigned mode);
  ~TFileStream() override;

  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;

  // Forces written data to the disk; raises EWriteError when the platform refuses.
  void Flush();
  // Closes the handle, raising EWriteError when the platform reports a failure; the
  // destructor closes quietly when this was not called. No use of the stream after it.
  void Close();

  HANDLE Handle() const { return handle_; }
  const std::string& FileName() const { return fileName_; }

  int LastError() const override { return lastError_; }
  std::string ErrorText(bool writing) const override;

private:
  std::string fileName_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  int lastError_ = 0;
};
