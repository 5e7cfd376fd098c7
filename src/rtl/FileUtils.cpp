#include "FileUtils.h"
#include "Exception.h"
#include "FileStream.h"
#include "StringList.h"
#include "SysUtils.h"
#include <windows.h>
#include <vector>

std::string SysErrorMessage(int errorCode) {
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(errorCode), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string r = n && text ? std::string(text, n) : "System error " + IntToStr(errorCode);
  if (text) LocalFree(text);
  while (!r.empty() && (static_cast<unsigned char>(r.back()) <= ' ' || r.back() == '.')) r.pop_back();
  return r;
}

bool FileExists(const std::string& fileName) {
  DWORD a = GetFileAttributesA(fileName.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool RenameFile(const std::string& oldName, const std::string& newName) {
  return MoveFileExA(oldName.c_str(), newName.c_str(), MOVEFILE_COPY_ALLOWED) != 0;
}

std::vector<std::string> FileNamesMatching(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

int TSafeFileWriter::FailStep = 0;

namespace {
const DWORD ReplaceFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& fileName, int code) {
  throw EInOutError(what + " \"" + fileName + "\". " + SysErrorMessage(code), code);
}

// The test hook's fault: true when this step is to fail.
bool Injected() { return TSafeFileWriter::FailStep > 0 && --TSafeFileWriter::FailStep == 0; }
}

TSafeFileWriter::TSafeFileWriter(const std::string& fileName)
    : fileName_(fileName), tempName_(fileName + ".tmp"), temp_(new TFileStream(tempName_, fmCreate)) {}

TSafeFileWriter::~TSafeFileWriter() {
  if (!committed_) Discard();
}

void TSafeFileWriter::Discard() {
  temp_.reset();
  DeleteFileA(tempName_.c_str());
}

void TSafeFileWriter::Step(const char* what) {
  if (Injected()) RaiseFileError(what, fileName_, ERROR_WRITE_FAULT);
}

int TSafeFileWriter::Read(void* buffer, int count) { return temp_ ? temp_->Read(buffer, count) : 0; }

int TSafeFileWriter::Write(const void* buffer, int count) {
  if (!temp_) return 0;
  if (Injected()) {
    lastError_ = ERROR_WRITE_FAULT;
    return 0;
  }
  int n = temp_->Write(buffer, count);
  lastError_ = n == count ? 0 : (temp_->LastError() ? temp_->LastError() : ERROR_WRITE_FAULT);
  return n;
}

int64_t TSafeFileWriter::Seek(int64_t offset, TSeekOrigin origin) {
  if (!temp_) throw EStreamError("Stream seek error", 0);
  return temp_->Seek(offset, origin);
}

int64_t TSafeFileWriter::Size() { return temp_ ? temp_->Size() : 0; }

void TSafeFileWriter::SetSize(int64_t size) {
  if (!temp_) throw EWriteError("Stream write error", 0);
  temp_->SetSize(size);
}

std::string TSafeFileWriter::ErrorText(bool writing) const {
  if (lastError_ == 0) return TStream::ErrorText(writing);
  return std::string(writing ? "Cannot write file" : "Cannot read file") + " \"" + fileName_ + "\". " +
         SysErrorMessage(lastError_);
}

void TSafeFileWriter::Commit(const std::string& backupName,
                             const std::function<void(const std::string&)>& onBackupError) {
  if (!temp_ || committed_) throw EInOutError("Cannot write file \"" + fileName_ + "\" twice", 0);
  try {
    Step("Cannot write file");
    temp_->Flush();
    Step("Cannot write file");
    temp_->Close();
    temp_.reset();
    if (!backupName.empty()) {
      try {
        Backup(backupName);
      } catch (const Exception& e) {
        if (!onBackupError) throw;
        onBackupError(e.Message);
      }
    }
    Step("Cannot replace file");
    if (!MoveFileExA(tempName_.c_str(), fileName_.c_str(), ReplaceFlags))
      RaiseFileError("Cannot replace file", fileName_, static_cast<int>(GetLastError()));
    committed_ = true;
  } catch (...) {
    Discard();
    throw;
  }
}

void TSafeFileWriter::Backup(const std::string& backupName) {
  std::unique_ptr<TFileStream> source;
  try {
    source.reset(new TFileStream(fileName_, fmOpenRead | fmShareDenyWrite));
  } catch (const EFOpenError& e) {
    // No file yet: nothing to keep.
    if (e.ErrorCode == ERROR_FILE_NOT_FOUND || e.ErrorCode == ERROR_PATH_NOT_FOUND) return;
    throw;
  }
  std::string copyName = backupName + ".tmp";
  try {
    TFileStream copy(copyName, fmCreate);
    std::vector<char> buffer(0x10000);
    for (int n; (n = source->Read(buffer.data(), static_cast<int>(buffer.size()))) > 0;) {
      Step("Cannot write file");
      copy.WriteBuffer(buffer.data(), n);
    }
    if (source->Position() != source->Size()) RaiseFileError("Cannot read file", fileName_, ERROR_READ_FAULT);
    source.reset();
    Step("Cannot write file");
    copy.Flush();
    Step("Cannot write file");
    copy.Close();
    Step("Cannot replace file");
    if (!MoveFileExA(copyName.c_str(), backupName.c_str(), ReplaceFlags))
      RaiseFileError("Cannot replace file", backupName, static_cast<int>(GetLastError()));
  } catch (...) {
    DeleteFileA(copyName.c_str());
    throw;
  }
}

void WriteFileSafely(const std::string& fileName, const void* data, size_t size, const std::string& backupName) {
  if (size > 0x7FFFFFFF) throw EOutOfMemory();
  TSafeFileWriter out(fileName);
  out.WriteBuffer(data, static_cast<int>(size));
  out.Commit(backupName);
}

// The file members of the portable classes live here, beside the file code they need.

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
  WriteFileSafely(fileName, data_.data(), data_.size());
}

void TStringList::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TStringList::SaveToFile(const std::string& fileName) const {
  std::string text = Text();
  WriteFileSafely(fileName, text.data(), text.size());
}
