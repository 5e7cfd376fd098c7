#include "Field.h"
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "DateUtils.h"
#include "DbError.h"
#include "SysUtils.h"
#include "ZorudCursor.h"
#include "ZorudDataset.h"

namespace {

// The slot date counts days from 0001-01-01 as 1; TDateTime counts from 1899-12-30.
const int kDateDelta = 693594;
const double kMsPerDay = 86400000.0;

template <typename T> T Get(const TZorudRecord& r, const TZorudField& f) {
  T v{};
  std::memcpy(&v, r.Data.data() + f.Offset, sizeof v);
  return v;
}

template <typename T> void Put(TZorudRecord& r, const TZorudField& f, T v) {
  std::memset(r.Data.data() + f.Offset, 0, f.Size);
  std::memcpy(r.Data.data() + f.Offset, &v, sizeof v);
}

[[noreturn]] void BadValue(const std::string& text, const char* kind) {
  throw EConvertError(Format("'%s' is not a valid %s value", text.c_str(), kind));
}

long ParseInteger(const std::string& text) { return StrToInt(text); }

double ParseFloat(const std::string& text) { return StrToFloat(text); }

}  // namespace

void TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required) {
  items_.push_back({name, type, size, required});
  if (OnChange) OnChange();
}

void TFieldDefs::Clear() {
  items_.clear();
  if (OnChange) OnChange();
}

int TFieldDefs::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (SameText(items_[i].Name, name)) return int(i);
  return -1;
}

TField::TField(TZorudDataset* dataset, std::string fieldName, TFieldType type, int size, TFieldKind kind)
    : dataset_(dataset), name_(std::move(fieldName)), type_(type), size_(size), kind_(kind) {
  if (type == ftSmallint || type == ftInteger || type == ftWord || type == ftFloat || type == ftCurrency ||
      type == ftAutoInc)
    Alignment = taRightJustify;
}

const TZorudField* TField::Descriptor() const { return dataset_->DescriptorOf(*this); }

bool TField::ValueOf(const TZorudRecord& r, const TZorudField& f) const {
  if (Calculated()) return dataset_->CalcHasValue(Binding);
  int index = Binding;
  switch (f.FieldType) {
    case TZorudFieldType::String: return bool(r.Heap[index]);
    case TZorudFieldType::BLOB:
    case TZorudFieldType::Memo:
    case TZorudFieldType::FmtMemo:
    case TZorudFieldType::Graphic: return r.Heap[index] && !r.Heap[index]->empty();
    default: break;
  }
  if (type_ != ftString && type_ != ftWord && type_ != ftDate && type_ != ftDateTime) return true;
  for (uint16_t i = 0; i < f.Size; ++i)
    if (r.Data[f.Offset + i]) return true;
  return false;
}

std::string TField::TextOf(const TZorudRecord& r) const {
  const TZorudField* f = Descriptor();
  if (!f || !ValueOf(r, *f)) return "";
  switch (f->FieldType) {
    case TZorudFieldType::SmallStr: {
      const char* p = reinterpret_cast<const char*>(r.Data.data() + f->Offset);
      return std::string(p, strnlen(p, f->Length));
    }
    case TZorudFieldType::String: {
      const std::string& s = *r.Heap[Binding];
      return size_ > 0 && s.size() > size_t(size_) ? s.substr(0, size_) : s;
    }
    case TZorudFieldType::BLOB:
    case TZorudFieldType::Memo:
    case TZorudFieldType::FmtMemo:
    case TZorudFieldType::Graphic: return *r.Heap[Binding];
    case TZorudFieldType::SmallInt:
      return std::to_string(type_ == ftWord ? int(Get<uint16_t>(r, *f)) : int(Get<int16_t>(r, *f)));
    case TZorudFieldType::Integer:
    case TZorudFieldType::AutoInc: return std::to_string(Get<int32_t>(r, *f));
    case TZorudFieldType::Boolean: return Get<int16_t>(r, *f) ? "True" : "False";
    case TZorudFieldType::Double:
    case TZorudFieldType::Currency: return FloatToStr(Get<double>(r, *f));
    case TZorudFieldType::Date: return DateToStr(Get<int32_t>(r, *f) - kDateDelta);
    case TZorudFieldType::Time: return TimeToStr(Get<int32_t>(r, *f) / kMsPerDay);
    case TZorudFieldType::DateTime: {
      double v = Get<double>(r, *f);
      double days = std::floor(v / kMsPerDay);
      TDateTime dt = days - kDateDelta + (v - days * kMsPerDay) / kMsPerDay;
      return DateTimeToStr(dt);
    }
    default: return "";
  }
}

void TField::StoreText(TZorudRecord& r, const std::string& value) const {
  const TZorudField* f = Descriptor();
  if (!f) return;
  std::string text = value.substr(0, std::strlen(value.c_str()));
  switch (f->FieldType) {
    case TZorudFieldType::SmallStr:
      std::memset(r.Data.data() + f->Offset, 0, f->Size);
      std::memcpy(r.Data.data() + f->Offset, text.data(), std::min<size_t>(text.size(), f->Length));
      return;
    case TZorudFieldType::String:
      if (text.size() > f->Length) text.resize(f->Length);
      if (text.empty()) r.Heap[Binding].reset(); else r.Heap[Binding] = text;
      return;
    case TZorudFieldType::BLOB:
    case TZorudFieldType::Memo:
    case TZorudFieldType::FmtMemo:
    case TZorudFieldType::Graphic:
      if (value.empty()) r.Heap[Binding].reset(); else r.Heap[Binding] = value;
      return;
    default: break;
  }
  if (Trim(text).empty()) {
    std::memset(r.Data.data() + f->Offset, 0, f->Size);
    return;
  }
  switch (f->FieldType) {
    case TZorudFieldType::SmallInt: {
      long v = ParseInteger(text);
      if (type_ == ftWord ? (v < 0 || v > 65535) : (v < -32768 || v > 32767)) BadValue(text, "integer");
      Put<int16_t>(r, *f, int16_t(v));
      return;
    }
    case TZorudFieldType::Integer:
    case TZorudFieldType::AutoInc: Put<int32_t>(r, *f, int32_t(ParseInteger(text))); return;
    case TZorudFieldType::Boolean: {
      std::string u = AnsiUpperCase(Trim(text));
      if (u == "TRUE" || u == "T" || u == "YES" || u == "Y" || u == "1") Put<int16_t>(r, *f, int16_t(-1));
      else if (u == "FALSE" || u == "F" || u == "NO" || u == "N" || u == "0") Put<int16_t>(r, *f, 0);
      else BadValue(text, "boolean");
      return;
    }
    case TZorudFieldType::Double:
    case TZorudFieldType::Currency: Put<double>(r, *f, ParseFloat(text)); return;
    default: break;
  }
  TDateTime dt = f->FieldType == TZorudFieldType::Date   ? StrToDate(text)
                 : f->FieldType == TZorudFieldType::Time ? StrToTime(text)
                                                         : StrToDateTime(text);
  double days = std::floor(dt);
  int32_t ms = int32_t(std::lround((dt - days) * kMsPerDay));
  if (f->FieldType == TZorudFieldType::Date) Put<int32_t>(r, *f, int32_t(days) + kDateDelta);
  else if (f->FieldType == TZorudFieldType::Time) Put<int32_t>(r, *f, ms);
  else if (f->FieldType == TZorudFieldType::DateTime) Put<double>(r, *f, (days + kDateDelta) * kMsPerDay + ms);
}

bool TField::IsNull() const {
  const TZorudRecord* r = dataset_->ActiveRecord(kind_);
  const TZorudField* f = Descriptor();
  return !r || !f || !ValueOf(*r, *f);
}

std::string TField::AsString() const {
  const TZorudRecord* r = dataset_->ActiveRecord(kind_);
  return r ? TextOf(*r) : std::string();
}

int TField::AsInteger() const {
  const TZorudRecord* r = dataset_->ActiveRecord(kind_);
  const TZorudField* f = Descriptor();
  if (!r || !f || !ValueOf(*r, *f)) return 0;
  switch (f->FieldType) {
    case TZorudFieldType::SmallInt: return type_ == ftWord ? Get<uint16_t>(*r, *f) : Get<int16_t>(*r, *f);
    case TZorudFieldType::Integer:
    case TZorudFieldType::AutoInc: return Get<int32_t>(*r, *f);
    case TZorudFieldType::Boolean: return Get<int16_t>(*r, *f) ? 1 : 0;
    case TZorudFieldType::Double:
    case TZorudFieldType::Currency: return int(std::lround(Get<double>(*r, *f)));
    default: return int(ParseInteger(TextOf(*r)));
  }
}

double TField::AsFloat() const {
  const TZorudRecord* r = dataset_->ActiveRecord(kind_);
  const TZorudField* f = Descriptor();
  if (!r || !f || !ValueOf(*r, *f)) return 0;
  switch (f->FieldType) {
    case TZorudFieldType::Double:
    case TZorudFieldType::Currency: return Get<double>(*r, *f);
    case TZorudFieldType::Date:
    case TZorudFieldType::Time:
    case TZorudFieldType::DateTime: return AsDateTime();
    case TZorudFieldType::SmallStr:
    case TZorudFieldType::String: return ParseFloat(TextOf(*r));
    default: return AsInteger();
  }
}

bool TField::AsBoolean() const {
  const TZorudRecord* r = dataset_->ActiveRecord(kind_);
  const TZorudField* f = Descriptor();
  if (!r || !f || !ValueOf(*r, *f)) return false;
  if (f->FieldType == TZorudFieldType::Boolean) return Get<int16_t>(*r, *f) != 0;
  return AsInteger() != 0;
}

TDateTime TField::AsDateTime() const {
  const TZorudRecord* r = dataset_->ActiveRecord(kind_);
  const TZorudField* f = Descriptor();
  if (!r || !f || !ValueOf(*r, *f)) return 0;
  switch (f->FieldType) {
    case TZorudFieldType::Date: return Get<int32_t>(*r, *f) - kDateDelta;
    case TZorudFieldType::Time: return Get<int32_t>(*r, *f) / kMsPerDay;
    case TZorudFieldType::DateTime: {
      double v = Get<double>(*r, *f);
      double days = std::floor(v / kMsPerDay);
      return days - kDateDelta + (v - days * kMsPerDay) / kMsPerDay;
    }
    case TZorudFieldType::Double:
    case TZorudFieldType::Currency: return Get<double>(*r, *f);
    default: return StrToDateTime(TextOf(*r));
  }
}

void TField::SetAsString(const std::string& value) {
  TZorudRecord* r = dataset_->WritableRecord(*this);
  if (!r) return;
  StoreText(*r, value);
  dataset_->FieldValueChanged(*this, !value.empty());
}

void TField::SetAsInteger(int value) {
  TZorudRecord* r = dataset_->WritableRecord(*this);
  const TZorudField* f = Descriptor();
  if (!r || !f) return;
  switch (f->FieldType) {
    case TZorudFieldType::SmallInt:
      if (type_ == ftWord ? (value < 0 || value > 65535) : (value < -32768 || value > 32767))
        BadValue(std::to_string(value), "integer");
      Put<int16_t>(*r, *f, int16_t(value));
      break;
    case TZorudFieldType::Integer:
    case TZorudFieldType::AutoInc: Put<int32_t>(*r, *f, value); break;
    case TZorudFieldType::Boolean: Put<int16_t>(*r, *f, int16_t(value ? -1 : 0)); break;
    case TZorudFieldType::Double:
    case TZorudFieldType::Currency: Put<double>(*r, *f, value); break;
    default: StoreText(*r, std::to_string(value)); break;
  }
  dataset_->FieldValueChanged(*this, true);
}

void TField::SetAsFloat(double value) {
  TZorudRecord* r = dataset_->WritableRecord(*this);
  const TZorudField* f = Descriptor();
  if (!r || !f) return;
  switch (f->FieldType) {
    case TZorudFieldType::Double:
    case TZorudFieldType::Currency: Put<double>(*r, *f, value); break;
    case TZorudFieldType::Date:
    case TZorudFieldType::Time:
    case TZorudFieldType::DateTime: SetAsDateTime(value); return;
    default: StoreText(*r, FloatToStr(value)); break;
  }
  dataset_->FieldValueChanged(*this, true);
}

void TField::SetAsBoolean(bool value) {
  TZorudRecord* r = dataset_->WritableRecord(*this);
  const TZorudField* f = Descriptor();
  if (!r || !f) return;
  if (f->FieldType == TZorudFieldType::Boolean) Put<int16_t>(*r, *f, int16_t(value ? -1 : 0));
  else StoreText(*r, value ? "True" : "False");
  dataset_->FieldValueChanged(*this, true);
}

void TField::SetAsDateTime(TDateTime value) {
  TZorudRecord* r = dataset_->WritableRecord(*this);
  const TZorudField* f = Descriptor();
  if (!r || !f) return;
  double days = std::floor(value);
  int32_t ms = int32_t(std::lround((value - days) * kMsPerDay));
  if (ms >= int32_t(kMsPerDay)) {
    days += 1;
    ms = 0;
  }
  switch (f->FieldType) {
    case TZorudFieldType::Date: Put<int32_t>(*r, *f, int32_t(days) + kDateDelta); break;
    case TZorudFieldType::Time: Put<int32_t>(*r, *f, ms); break;
    case TZorudFieldType::DateTime: Put<double>(*r, *f, (days + kDateDelta) * kMsPerDay + ms); break;
    case TZorudFieldType::Double:
    case TZorudFieldType::Currency: Put<double>(*r, *f, value); break;
    default: StoreText(*r, DateTimeToStr(value)); break;
  }
  dataset_->FieldValueChanged(*this, true);
}

void TField::Clear() {
  TZorudRecord* r = dataset_->WritableRecord(*this);
  const TZorudField* f = Descriptor();
  if (!r || !f) return;
  if (IsHeapType(f->FieldType)) r->Heap[Binding].reset();
  else std::memset(r->Data.data() + f->Offset, 0, f->Size);
  dataset_->FieldValueChanged(*this, false);
}

std::string TField::DisplayText() const {
  if ((type_ != ftFloat && type_ != ftCurrency) || IsNull() || DisplayFormat.empty()) return AsString();
  return FormatFloat(DisplayFormat, AsFloat());
}

int TField::Index() const {
  if (!dataset_) return -1;
  const auto& fields = dataset_->Fields();
  for (size_t i = 0; i < fields.size(); ++i)
    if (fields[i] == this) return int(i);
  return -1;
}

bool TField::CanModify() const {
  return !ReadOnly && kind_ == fkData && type_ != ftAutoInc && dataset_ && dataset_->CanModify();
}

int TField::DisplayWidth() const {
  if (displayWidth_ >= 0) return displayWidth_;
  switch (type_) {
    case ftString: return size_;
    case ftSmallint: return 6;
    case ftInteger:
    case ftAutoInc: return 11;
    case ftWord:
    case ftBoolean: return 5;
    case ftFloat:
    case ftCurrency: return 15;
    case ftDate: return 10;
    case ftTime: return 8;
    case ftDateTime: return 19;
    default: return 10;
  }
}

void TField::SetDisplayWidth(int width) {
  if (width == displayWidth_) return;
  displayWidth_ = width;
  if (dataset_) dataset_->FieldLayoutChanged();
}

void TField::FocusControl() {
  if (dataset_) dataset_->FocusControl(this);
}
