#include "ZorudCursor.h"
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>
#include "DbError.h"
#include "LittleEndian.h"
#include "SysUtils.h"
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char kStructError[] = "Error in buffer structure (field description section)";
const char kCorrupt[] = "Buffer structure corruption!";
const char kEndOfBuffer[] = "Unexpected end of buffer";
const uint8_t kSeparator = 0x12;
const uint8_t kSectionEnd = 0x14;

// Type and slot size of a description letter; Unknown for a letter the format does not know.
TZorudFieldType TypeOfLetter(char c, uint16_t& size) {
  switch (c) {
    case 'l': size = 2; return TZorudFieldType::SmallInt;
    case 'i': size = 4; return TZorudFieldType::Integer;
    case 'b': size = 2; return TZorudFieldType::Boolean;
    case 'f': size = 8; return TZorudFieldType::Double;
    case 'c': size = 8; return TZorudFieldType::Currency;
    case 'd': size = 4; return TZorudFieldType::Date;
    case 'v': size = 4; return TZorudFieldType::Time;
    case 't': size = 8; return TZorudFieldType::DateTime;
    case 'a': size = 4; return TZorudFieldType::AutoInc;
    case 's': size = 4; return TZorudFieldType::String;
    case 'o': size = 8; return TZorudFieldType::BLOB;
    case 'm': size = 8; return TZorudFieldType::Memo;
    case 'r': size = 8; return TZorudFieldType::FmtMemo;
    case 'g': size = 8; return TZorudFieldType::Graphic;
    default: return TZorudFieldType::Unknown;
  }
}

bool AllZero(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i]) return false;
  return true;
}

std::string SlotText(const TZorudRecord& r, const TZorudField& f) {
  const char* p = reinterpret_cast<const char*>(r.Data.data() + f.Offset);
  size_t n = 0;
  while (n < f.Length && n + 1 < f.Size && p[n]) ++n;
  return std::string(p, n);
}

template <typename T> T SlotValue(const TZorudRecord& r, const TZorudField& f) {
  T v;
  std::memcpy(&v, r.Data.data() + f.Offset, sizeof v);
  return v;
}

template <typename T> int Order(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }


// An entry that an edit or a delete may touch; else why not, in message.
bool Editable(const TZorudEntry* entry, std::string& message) {
  if (!entry) {
    message = "Record is not found";
    return false;
  }
  if (!entry->Live()) {
    message = "Record has been deleted";
    return false;
  }
  return true;
}

}  // namespace

uint32_t NextZorudSerial() {
  static std::atomic<uint32_t> serial{0};
  return ++serial;
}

void TZorudStringSink::Write(const void* data, size_t size) {
  out_.append(static_cast<const char*>(data), size);
}

void TZorudStringSink::WriteAt(uint64_t position, const void* data, size_t size) {
  std::memcpy(out_.data() + position, data, size);
}

int CompareZorudText(const std::string& a, const std::string& b, bool caseInsensitive) {
  if (a.empty() || b.empty()) return Order(a.size(), b.size());
  size_t n = std::min(a.size(), b.size());
  int r = 0;
  if (caseInsensitive) {
#ifdef _WIN32
    r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), int(n), b.data(), int(n)) - CSTR_EQUAL;
#else
    for (size_t i = 0; i < n && !r; ++i)
      r = Order(std::toupper(static_cast<unsigned char>(a[i])), std::toupper(static_cast<unsigned char>(b[i])));
#endif
  } else {
    r = std::memcmp(a.data(), b.data(), n);
  }
  if (r) return r < 0 ? -1 : 1;
  return Order(a.size(), b.size());
}

std::vector<std::string> SplitZorudNames(const std::string& names, char separator) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(separator, start);
    if (end == std::string::npos) end = names.size();
    std::string part = names.substr(start, end - start);
    while (!part.empty() && part.front() == ' ') part.erase(0, 1);
    while (!part.empty() && part.back() == ' ') part.pop_back();
    if (!part.empty()) out.push_back(part);
    start = end + 1;
  }
  return out;
}

int TZorudCursor::FindField(const std::string& name) const {
  for (size_t i = 0; i < Fields.size(); ++i)
    if (SameText(Fields[i].Name, name)) return int(i);
  return -1;
}

void TZorudCursor::Clear() {
  Fields.clear();
  Entries.clear();
  RecordSize = 0;
  Section.clear();
  Notes.clear();
}

TZorudRecord TZorudCursor::NewRecord() const {
  TZorudRecord r;
  r.Data.assign(RecordSize, 0);
  r.Heap.resize(Fields.size());
  return r;
}

std::string TZorudCursor::DescribeField(const std::string& name, char letter, int length) {
  std::string item = "XXX.";
  for (char c : name) item += c == ' ' ? '_' : c;
  item += ' ';
  item += letter;
  if (letter == 's') item += std::to_string(length);
  item += char(kSeparator);
  return item;
}

bool TZorudCursor::ReadFieldDescriptions(uint32_t count) {
  const std::string& s = Section;
  size_t pos = 0;
  uint32_t offset = 0;
  for (uint32_t i = 0; i < count; ++i) {
    size_t sep = s.find(char(kSeparator), pos);
    if (sep == std::string::npos || sep == pos) return false;
    std::string item = s.substr(pos, sep - pos);
    pos = sep + 1;
    size_t blank = item.find(' ');
    if (blank == std::string::npos || blank + 1 >= item.size()) return false;
    char letter = item[blank + 1];
    std::string rest = item.substr(blank + 2);
    std::string full = item.substr(0, blank);
    TZorudField f;
    size_t dot = full.find('.');
    if (dot != std::string::npos) {
      f.Prefix = full.substr(0, dot);
      f.Name = full.substr(dot + 1);
    } else {
      f.Name = full;
    }
    if (f.Name.empty() || FindField(f.Name) >= 0) return false;
    if (letter >= '0' && letter <= '9') {
      f.FieldType = TZorudFieldType::SmallStr;
      f.Length = uint16_t(letter - '0');
    } else if (letter >= 'A' && letter <= 'Z') {
      f.FieldType = TZorudFieldType::SmallStr;
      f.Length = uint16_t(letter - 'A' + 10);
    } else {
      f.FieldType = TypeOfLetter(letter, f.Size);
      if (f.FieldType == TZorudFieldType::Unknown) return false;
    }
    if (f.FieldType == TZorudFieldType::SmallStr) {
      f.Size = uint16_t(f.Length + 1);
      if (!rest.empty()) return false;
    } else if (f.FieldType == TZorudFieldType::String) {
      if (rest.empty()) {
        f.Length = 100;
      } else {
        if (rest.size() > 5) return false;
        uint32_t n = 0;
        for (char c : rest) {
          if (c < '0' || c > '9') return false;
          n = n * 10 + uint32_t(c - '0');
        }
        if (n > 65535) return false;
        f.Length = uint16_t(n);
      }
    } else if (!rest.empty()) {
      return false;
    }
    f.Offset = offset;
    offset += f.Size;
    Fields.push_back(f);
  }
  // Exactly the declared fields, then the end byte and nothing else.
  if (pos + 1 != s.size() || uint8_t(s[pos]) != kSectionEnd) return false;
  RecordSize = offset;
  return true;
}

bool TZorudCursor::ReadRecord(const uint8_t*& p, const uint8_t* end, int number, std::string& message) {
  const size_t n = Fields.size();
  if (size_t(end - p) < n) {
    message = kEndOfBuffer;
    return false;
  }
  const uint8_t* lengths = p;
  p += n;
  for (size_t i = 0; i < n; ++i) {
    const TZorudField& f = Fields[i];
    unsigned b = lengths[i];
    bool ok = IsHeapType(f.FieldType) ? (b == 0 || b == 4) : b <= f.Size;
    if (!ok) {
      message = Format("Field '%s' has wrong length %d in record %d", f.Name.c_str(), int(b), number);
      return false;
    }
  }
  TZorudRecord r = NewRecord();
  for (size_t i = 0; i < n; ++i) {
    const TZorudField& f = Fields[i];
    unsigned b = lengths[i];
    if (!b) continue;
    if (size_t(end - p) < b) {
      message = kEndOfBuffer;
      return false;
    }
    if (!IsHeapType(f.FieldType)) {
      std::memcpy(r.Data.data() + f.Offset, p, b);
      if (f.FieldType == TZorudFieldType::SmallStr && f.Size) r.Data[f.Offset + f.Size - 1] = 0;
      p += b;
      continue;
    }
    int32_t count = int32_t(GetLe32(p));
    p += 4;
    bool text = f.FieldType == TZorudFieldType::String;
    if (count < 0 || count >= (text ? MaxStringBytes : MaxBlobBytes)) {
      message = Format(text ? "String field '%s' has wrong length %d in record %d"
                              : "BLOB field '%s' has wrong length %d in record %d",
                         f.Name.c_str(), int(count), number);
      return false;
    }
    if (size_t(end - p) < size_t(count)) {
      message = kEndOfBuffer;
      return false;
    }
    std::string value(reinterpret_cast<const char*>(p), size_t(count));
    if (text) value.resize(std::strlen(value.c_str()));
    r.Heap[i] = std::move(value);
    p += count;
  }
  auto entry = std::make_unique<TZorudEntry>();
  entry->Data = std::move(r);
  entry->Serial = NextZorudSerial();
  Entries.push_back(std::move(entry));
  return true;
}

void TZorudCursor::Progress(int& last, long done, long total) const {
  if (total <= 0) return;
  int percent = int(std::lrint(double(done) * 100.0 / double(total)));
  if (percent != last) {
    last = percent;
    if (OnProgress) OnProgress(percent);
  }
}

bool TZorudCursor::LoadFromBytes(const uint8_t* data, size_t size, std::string& message) {
  Clear();
  message.clear();
  const uint8_t* p = data;
  const uint8_t* end = data + size;
  bool headerRead = false;
  uint32_t declared = 0;
  if (size >= 5 && p[4] == 'E') {
    std::string text(reinterpret_cast<const char*>(p + 5), size - 5);
    text.resize(std::strlen(text.c_str()));
    message = text.empty() ? kCorrupt : text;
    Clear();
    return false;
  }
  if (size >= 17 && p[4] == 'S' && GetLe32(p) == size) {
    declared = GetLe32(p + 5);
    uint32_t n = GetLe32(p + 9);
    uint32_t l = GetLe32(p + 13);
    p += 17;
    if (l <= size_t(end - p)) {
      headerRead = true;
      Section.assign(reinterpret_cast<const char*>(p), l);
      p += l;
      if ((n == 0 && declared > 0) || n > l || !ReadFieldDescriptions(n)) {
        Clear();
        message = kStructError;
        return false;
      }
    }
  }
  if (!headerRead) {
    Clear();
    message = kCorrupt;
    return false;  // no descriptors: nothing to keep even with a partial open
  }
  if (p < end && *p == '*') {
    if (end - p < 3) {
      message = kCorrupt;
    } else {
      int16_t k = int16_t(GetLe16(p + 1));
      if (k < 0 || end - (p + 3) < k) {
        message = kCorrupt;
      } else {
        std::string notes(reinterpret_cast<const char*>(p + 3), size_t(k));
        notes.resize(std::strlen(notes.c_str()));
        Notes = notes;
        p += 3 + k;
      }
    }
  }
  const size_t n = Fields.size();
  if (message.empty()) {
    if (n) Entries.reserve(std::min<size_t>(declared, size_t(end - p) / n));
    int last = -1;
    while (Entries.size() < declared && size_t(end - p) >= n) {
      if (!ReadRecord(p, end, int(Entries.size()) + 1, message)) break;
      Progress(last, long(Entries.size()), long(declared));
    }
    if (message.empty() && Entries.size() != declared)
      message = Format("Number of records read (%d) does not match declared record count (%d)",
                         int(Entries.size()), int(declared));
    if (message.empty() && p != end) message = kCorrupt;
  }
  if (message.empty() || PartialOpen) return true;
  Clear();
  return false;
}

void TZorudCursor::CheckWritable() const {
  int number = 0;
  for (const auto& e : Entries) {
    if (!e->Live()) continue;
    ++number;
    for (size_t i = 0; i < Fields.size(); ++i) {
      const TZorudField& f = Fields[i];
      if (!IsHeapType(f.FieldType) || !e->Data.Heap[i]) continue;
      size_t len = e->Data.Heap[i]->size();
      if (f.FieldType == TZorudFieldType::String && len >= size_t(MaxStringBytes))
        throw EDatabaseError(Format("String field '%s' has wrong length %d in record %d", f.Name.c_str(),
                                      int(len), number));
      if (f.FieldType != TZorudFieldType::String && len >= size_t(MaxBlobBytes))
        throw EDatabaseError(Format("BLOB field '%s' has wrong length %d in record %d", f.Name.c_str(),
                                      int(len > 0x7fffffff ? 0x7fffffff : len), number));
    }
  }
}

void TZorudCursor::WriteRecord(TZorudImageSink& sink, const TZorudRecord& r) const {
  const size_t n = Fields.size();
  std::vector<uint8_t> lengths(n, 0);
  uint64_t at = sink.Position();
  sink.Write(lengths.data(), n);
  for (size_t i = 0; i < n; ++i) {
    const TZorudField& f = Fields[i];
    const uint8_t* slot = r.Data.data() + f.Offset;
    switch (f.FieldType) {
      case TZorudFieldType::Double:
      case TZorudFieldType::Currency:
      case TZorudFieldType::DateTime: {
        if (SlotValue<double>(r, f) != 0.0) {
          lengths[i] = 8;
          sink.Write(slot, 8);
        }
        break;
      }
      case TZorudFieldType::SmallStr: {
        std::string text = SlotText(r, f);
        if (!text.empty()) {
          lengths[i] = uint8_t(text.size());
          sink.Write(text.data(), text.size());
        }
        break;
      }
      case TZorudFieldType::Unknown:
        break;
      default:
        if (IsHeapType(f.FieldType)) {
          const auto& v = r.Heap[i];
          if (v && !v->empty()) {
            uint8_t count[4];
            PutLe32(count, uint32_t(v->size()));
            lengths[i] = 4;
            sink.Write(count, 4);
            sink.Write(v->data(), v->size());
          }
        } else if (!AllZero(slot, f.Size)) {
          lengths[i] = uint8_t(f.Size);
          sink.Write(slot, f.Size);
        }
    }
  }
  if (n) sink.WriteAt(at, lengths.data(), n);
}

uint32_t TZorudCursor::WriteImage(TZorudImageSink& sink) const {
  uint8_t head[17] = {0, 0, 0, 0, 'S'};
  PutLe32(head + 9, uint32_t(Fields.size()));
  PutLe32(head + 13, uint32_t(Section.size()));
  uint64_t start = sink.Position();
  sink.Write(head, sizeof head);
  sink.Write(Section.data(), Section.size());
  if (!Notes.empty()) {
    std::string notes = Notes.substr(0, std::min<size_t>(std::strlen(Notes.c_str()), 32767));
    uint8_t mark[3] = {'*'};
    PutLe16(mark + 1, uint16_t(notes.size()));
    sink.Write(mark, 3);
    sink.Write(notes.data(), notes.size());
  }
  uint32_t written = 0;
  int last = -1;
  for (size_t i = 0; i < Entries.size(); ++i) {
    if (Entries[i]->Live()) {
      WriteRecord(sink, Entries[i]->Data);
      ++written;
    }
    Progress(last, long(i + 1), long(Entries.size()));
  }
  uint32_t total = uint32_t(sink.Position() - start);
  uint8_t v[4];
  PutLe32(v, written);
  sink.WriteAt(start + 5, v, 4);
  PutLe32(v, total);
  sink.WriteAt(start, v, 4);
  return total;
}

std::string TZorudCursor::Image() const {
  std::string out;
  out.reserve(std::min<size_t>(size_t(5) * Entries.size() * RecordSize + 17 + Section.size(), size_t(64) << 20));
  TZorudStringSink sink(out);
  WriteImage(sink);
  return out;
}

std::vector<TZorudKeyField> TZorudCursor::KeyFields(const std::string& names, bool skipBlobs) const {
  std::vector<TZorudKeyField> keys;
  for (const std::string& name : SplitZorudNames(names)) {
    int i = FindField(name);
    if (i < 0) continue;
    if (skipBlobs && (IsBlobType(Fields[i].FieldType))) continue;
    keys.push_back({i, Fields[i].RightAligned});
  }
  return keys;
}

int TZorudCursor::Compare(const TZorudRecord& a, const TZorudRecord& b, const std::vector<TZorudKeyField>& keys,
                          bool caseInsensitive, bool descending) const {
  for (const TZorudKeyField& k : keys) {
    const TZorudField& f = Fields[k.Field];
    int r = 0;
    switch (f.FieldType) {
      case TZorudFieldType::SmallInt: r = Order(SlotValue<int16_t>(a, f), SlotValue<int16_t>(b, f)); break;
      case TZorudFieldType::Integer:
      case TZorudFieldType::Date:
      case TZorudFieldType::Time:
      case TZorudFieldType::AutoInc: r = Order(SlotValue<int32_t>(a, f), SlotValue<int32_t>(b, f)); break;
      case TZorudFieldType::Boolean: {
        bool x = SlotValue<int16_t>(a, f) != 0, y = SlotValue<int16_t>(b, f) != 0;
        r = x == y ? 0 : (x ? -1 : 1);
        break;
      }
      case TZorudFieldType::Double:
      case TZorudFieldType::Currency:
      case TZorudFieldType::DateTime: r = Order(SlotValue<double>(a, f), SlotValue<double>(b, f)); break;
      case TZorudFieldType::SmallStr: {
        std::string x = SlotText(a, f), y = SlotText(b, f);
        r = k.RightAligned && x.size() != y.size() ? Order(x.size(), y.size()) : CompareZorudText(x, y, caseInsensitive);
        break;
      }
      case TZorudFieldType::String:
      case TZorudFieldType::Memo:
      case TZorudFieldType::FmtMemo: {
        const auto& x = a.Heap[k.Field];
        const auto& y = b.Heap[k.Field];
        if (!x || !y) r = Order(bool(x), bool(y));
        else r = CompareZorudText(*x, *y, caseInsensitive);
        break;
      }
      default: break;
    }
    if (r) return descending ? -r : r;
  }
  return 0;
}

void TZorudCursor::SortOnIndex(const std::string& indexFieldNames, bool caseInsensitive) {
  std::vector<TZorudKeyField> keys = KeyFields(indexFieldNames, true);
  if (keys.empty()) return;
  auto live = std::stable_partition(Entries.begin(), Entries.end(),
                                    [](const auto& e) { return e->State != TZorudRecordState::Purged; });
  std::sort(Entries.begin(), live, [&](const auto& x, const auto& y) {
    return Compare(x->Data, y->Data, keys, caseInsensitive, false) < 0;
  });
}

TZorudEntry* TZorudCursor::Add(const TZorudRecord& record) {
  auto entry = std::make_unique<TZorudEntry>();
  entry->Data = record;
  entry->State = TZorudRecordState::Inserted;
  entry->Serial = NextZorudSerial();
  Entries.push_back(std::move(entry));
  return Entries.back().get();
}

bool TZorudCursor::Update(TZorudEntry* entry, const TZorudRecord& record, std::string& message) {
  if (!Editable(entry, message)) return false;
  entry->Data = record;
  if (entry->State == TZorudRecordState::Unchanged) entry->State = TZorudRecordState::Edited;
  return true;
}

void TZorudCursor::MakeBackup(TZorudEntry* entry) {
  if (entry && !entry->Backup && entry->State != TZorudRecordState::Inserted && entry->Live())
    entry->Backup = entry->Data;
}

bool TZorudCursor::Delete(TZorudEntry* entry, std::string& message) {
  if (!Editable(entry, message)) return false;
  if (entry->State == TZorudRecordState::Inserted) {
    entry->State = TZorudRecordState::Purged;
    entry->Data = TZorudRecord();
    entry->Backup.reset();
  } else {
    MakeBackup(entry);
    entry->State = TZorudRecordState::Deleted;
  }
  return true;
}

void TZorudCursor::Commit() {
  for (auto& e : Entries) {
    if (e->State == TZorudRecordState::Purged) continue;
    if (e->State == TZorudRecordState::Deleted) {
      e->State = TZorudRecordState::Purged;
      e->Data = TZorudRecord();
    } else {
      e->State = TZorudRecordState::Unchanged;
    }
    e->Backup.reset();
  }
}

void TZorudCursor::Rollback() {
  for (auto& e : Entries) {
    switch (e->State) {
      case TZorudRecordState::Inserted:
        e->State = TZorudRecordState::Purged;
        e->Data = TZorudRecord();
        break;
      case TZorudRecordState::Edited:
      case TZorudRecordState::Deleted:
        if (e->Backup) e->Data = std::move(*e->Backup);
        e->State = TZorudRecordState::Unchanged;
        break;
      default:
        break;
    }
    e->Backup.reset();
  }
}
