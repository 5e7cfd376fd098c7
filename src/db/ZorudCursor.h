#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TStream;

// The record store of one table: field descriptors, every record entry with its change state,
// and the table file image (read and written whole). Plain C++: no window and no file here.

enum class TZorudFieldType : uint8_t {
  Unknown, SmallInt, Integer, Boolean, Double, Currency, Date, Time, DateTime, AutoInc,
  SmallStr, String, BLOB, Memo, FmtMemo, Graphic
};

inline bool IsHeapType(TZorudFieldType t) { return t >= TZorudFieldType::String; }
inline bool IsBlobType(TZorudFieldType t) { return t >= TZorudFieldType::BLOB; }

struct TZorudField {
  std::string Name;
  std::string Prefix = "XXX";
  uint16_t Size = 0;
  uint16_t Length = 0;
  uint32_t Offset = 0;
  TZorudFieldType FieldType = TZorudFieldType::Unknown;
  bool RightAligned = false;
};

// One record: the fixed slots laid out by the descriptors' offsets, and the heap values
// (String and the BLOB kinds) by field index; an empty optional is "no reference".
struct TZorudRecord {
  std::vector<uint8_t> Data;
  std::vector<std::optional<std::string>> Heap;
};

enum class TZorudRecordState : uint8_t { Unchanged, Edited, Inserted, Deleted, Purged };

struct TZorudEntry {
  TZorudRecord Data;
  std::optional<TZorudRecord> Backup;
  TZorudRecordState State = TZorudRecordState::Unchanged;
  uint32_t Serial = 0;  // the bookmark: never reused within the process
  bool Live() const { return State != TZorudRecordState::Deleted && State != TZorudRecordState::Purged; }
};

// A key field of a comparison: the descriptor index and the right-aligned flag of the moment.
struct TZorudKeyField {
  int Field;
  bool RightAligned = false;
};

// Where an image is written: memory, or a file that the writer moves back and forth in.
class TZorudImageSink {
public:
  virtual ~TZorudImageSink() = default;
  virtual void Write(const void* data, size_t size) = 0;
  virtual void WriteAt(uint64_t position, const void* data, size_t size) = 0;
  virtual uint64_t Position() const = 0;
};

class TZorudStringSink : public TZorudImageSink {
public:
  explicit TZorudStringSink(std::string& out) : out_(out) {}
  void Write(const void* data, size_t size) override;
  void WriteAt(uint64_t position, const void* data, size_t size) override;
  uint64_t Position() const override { return out_.size(); }
private:
  std::string& out_;
};

enum TZorudSaveOption : unsigned { savAutoBackup = 1, savSlowMode = 2, savSortOnIndex = 4 };
using TZorudSaveOptions = unsigned;

class TZorudCursor {
public:
  static constexpr int MaxStringBytes = 8192;
  static constexpr int32_t MaxBlobBytes = 0x40000000;

  std::vector<TZorudField> Fields;
  std::vector<std::unique_ptr<TZorudEntry>> Entries;
  uint32_t RecordSize = 0;
  std::string Section;  // the field-description bytes, kept as read
  std::string Notes;
  bool PartialOpen = false;
  std::function<void(int percent)> OnProgress;

  int FieldCount() const { return static_cast<int>(Fields.size()); }
  int FindField(const std::string& name) const;  // case-insensitive; -1 when absent
  void Clear();

  // Reads a whole image. Returns success; message is empty or the first error.
  bool LoadFromBytes(const uint8_t* data, size_t size, std::string& message);
  // Raises EDatabaseError when a record holds a value the reader would refuse.
  void CheckWritable() const;
  // Writes the image (call CheckWritable first); returns the total length.
  uint32_t WriteImage(TZorudImageSink& sink) const;
  std::string Image() const;
  // The same over streams: the image from the stream's position to its end; the image into an
  // empty stream at position 0 (returns the total length).
  bool LoadFromStream(TStream& stream, std::string& message);
  uint32_t WriteToStream(TStream& stream) const;
  // Writes the table file whole, never in place: a temporary file beside it replaces it
  // (with the ".~d" backup first when asked). Raises on failure; the old file is then intact.
  void SaveToFile(const std::string& fileName, TZorudSaveOptions options, bool caseInsensitive,
                  const std::string& indexFieldNames);
  // Sorts the entry list itself by the named key fields (ascending); purged entries go last.
  void SortOnIndex(const std::string& indexFieldNames, bool caseInsensitive);

  TZorudRecord NewRecord() const;
  TZorudEntry* Add(const TZorudRecord& record);  // a new entry, state inserted
  bool Update(TZorudEntry* entry, const TZorudRecord& record, std::string& message);
  void MakeBackup(TZorudEntry* entry);
  bool Delete(TZorudEntry* entry, std::string& message);
  void Commit();
  void Rollback();

  // Builds the description section for new fields (names, "_" for blanks), with Fields set.
  static std::string DescribeField(const std::string& name, char letter, int length);

  // Key fields of a name list ("a;b"); unknown names are skipped, and with skipBlobs the BLOB kinds.
  std::vector<TZorudKeyField> KeyFields(const std::string& names, bool skipBlobs) const;
  int Compare(const TZorudRecord& a, const TZorudRecord& b, const std::vector<TZorudKeyField>& keys,
              bool caseInsensitive, bool descending) const;

private:
  bool ReadFieldDescriptions(uint32_t count);
  bool ReadRecord(const uint8_t*& p, const uint8_t* end, int number, std::string& message);
  void WriteRecord(TZorudImageSink& sink, const TZorudRecord& record) const;
  void Progress(int& last, long done, long total) const;
};

uint32_t NextZorudSerial();

// Text order of the key comparison: empty first, then by the common part, then the shorter.
int CompareZorudText(const std::string& a, const std::string& b, bool caseInsensitive);
std::vector<std::string> SplitZorudNames(const std::string& names, char separator = ';');
