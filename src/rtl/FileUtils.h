#pragma once
#include "Stream.h"
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TFileStream;

// The platform's text for an error code, without the trailing line break and full stop.
std::string SysErrorMessage(int errorCode);

bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& path);
// Renames or moves a file, never over an existing one: false (GetLastError tells why) when
// newName exists or the move fails.
bool RenameFile(const std::string& oldName, const std::string& newName);
// The names (without folder) of the files, not folders, that match a pattern such as "dir\\*.wav".
std::vector<std::string> FileNamesMatching(const std::string& pattern);

// Writes a whole file so that the target always holds either its old or its new content:
// the bytes go to a temporary file beside the target (every write checked), which is flushed
// and closed, and only then moved over the target with MoveFileExA(MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH). It is itself the stream to write to (Seek and Read work too).
//
//   TSafeFileWriter out("Recordings.d");
//   out.WriteBuffer(image, size);
//   out.Commit();   // or Commit("Recordings.~d") to keep the old file as a backup first
//
// A writer destroyed without Commit, or a failed Commit, deletes the temporary file and leaves
// the target untouched. Every failure raises EInOutError (a stream error for the writes).
class TSafeFileWriter : public TStream {
public:
  explicit TSafeFileWriter(const std::string& fileName);
  ~TSafeFileWriter() override;

  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;

  // Backup: with a backupName, the current target (when it exists) is copied first to a
  // temporary file beside the backup, flushed and moved over it, so the backup is never torn
  // either. A backup that fails raises before the target is touched, unless onBackupError is
  // given: then it gets the message and the new content still replaces the target.
  void Commit(const std::string& backupName = "",
              const std::function<void(const std::string&)>& onBackupError = nullptr);

  const std::string& FileName() const { return fileName_; }
  const std::string& TempName() const { return tempName_; }

  // Test hook: when set to n > 0, the n-th checked step from now fails as if the platform had
  // refused it (each Write, the flush, the close, each backup step and the final move count),
  // and the count goes back to 0. Set it, run the save, check the files.
  static int FailStep;

  int LastError() const override { return lastError_; }
  std::string ErrorText(bool writing) const override;

private:
  void Step(const char* what);
  void Backup(const std::string& backupName);
  void Discard();

  std::string fileName_, tempName_;
  std::unique_ptr<TFileStream> temp_;
  int lastError_ = 0;
  bool committed_ = false;
};

// The same for a block of bytes in one call.
void WriteFileSafely(const std::string& fileName, const void* data, size_t size,
                     const std::string& backupName = "");
