#include "TableFile.h"
#include <algorithm>
#include "DbError.h"
#include "DbHooks.h"
#include "FileStream.h"
#include "FileUtils.h"
#include "SysUtils.h"
#include "ZorudCursor.h"

namespace {

// Far beyond any call log; a larger file is not a table of ours.
const int64_t kMaxTableFile = int64_t(512) << 20;
const size_t kChunk = 64 * 1024;

// The image goes straight into the temporary file of the safe writer.
class TWriterSink : public TZorudImageSink {
public:
  explicit TWriterSink(TStream& out) : out_(out) {}
  void Write(const void* data, size_t size) override {
    out_.WriteBuffer(data, int(size));
    position_ += size;
  }
  void WriteAt(uint64_t position, const void* data, size_t size) override {
    out_.Seek(int64_t(position), soBeginning);
    out_.WriteBuffer(data, int(size));
    out_.Seek(int64_t(position_), soBeginning);
  }
  uint64_t Position() const override { return position_; }

private:
  TStream& out_;
  uint64_t position_ = 0;
};

}  // namespace

std::string BackupFileName(const std::string& fileName) { return ChangeFileExt(fileName, ".~d"); }

std::string ReadTableFile(const std::string& fileName) {
  std::string bytes;
  try {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    int64_t size = file.Size();
    if (size < 0 || size > kMaxTableFile) throw EDatabaseError(Format("Error opening file %s", fileName.c_str()));
    bytes.resize(size_t(size));
    if (size) file.ReadBuffer(bytes.data(), int(size));
  } catch (const EInOutError&) {
    throw EDatabaseError(Format("Error opening file %s", fileName.c_str()));
  }
  return bytes;
}

bool TZorudCursor::LoadFromStream(TStream& stream, std::string& message) {
  int64_t size = stream.Size() - stream.Position();
  if (size < 0 || size > kMaxTableFile) {
    Clear();
    message = "Buffer structure corruption!";
    return false;
  }
  std::string bytes(size_t(size), '\0');
  if (size) stream.ReadBuffer(bytes.data(), int(size));
  return LoadFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), message);
}

uint32_t TZorudCursor::WriteToStream(TStream& stream) const {
  CheckWritable();
  TWriterSink sink(stream);
  return WriteImage(sink);
}

void TZorudCursor::SaveToFile(const std::string& fileName, TZorudSaveOptions options, bool caseInsensitive,
                              const std::string& indexFieldNames) {
  // Everything that can refuse the records does so before any file is touched.
  CheckWritable();
  if (options & savSortOnIndex) SortOnIndex(indexFieldNames, caseInsensitive);
  std::string image;
  if (!(options & savSlowMode)) image = Image();
  try {
    TSafeFileWriter out(fileName);
    if (options & savSlowMode) {
      TWriterSink sink(out);
      WriteImage(sink);
    } else {
      for (size_t at = 0; at < image.size(); at += kChunk)
        out.WriteBuffer(image.data() + at, int(std::min(kChunk, image.size() - at)));
    }
    // The backup is taken only once the new image is whole on disk; a failed backup is told to
    // the events monitor and does not stop the save.
    if (options & savAutoBackup) {
      out.Commit(BackupFileName(fileName), [&](const std::string& message) {
        DbEventLine(Format("Backup of %s not made: %s", fileName.c_str(), message.c_str()));
      });
    } else {
      out.Commit();
    }
  } catch (const std::exception& e) {
    DbEventLine(Format("Table %s not saved: %s", fileName.c_str(), e.what()));
    throw;
  }
}
