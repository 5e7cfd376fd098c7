// The dataset's own life: construction, properties, fields and their binding, open, close and
// refresh, data-aware controls and the load from a stream.
#include "ZorudDataset.h"
#include <algorithm>
#include <chrono>
#include "DataSource.h"
#include "DbError.h"
#include "SysUtils.h"
#include "DbHooks.h"
#include "Stream.h"
#include "ZorudBlobStream.h"
#include "ZorudMasterLink.h"
#include "ZorudTable.h"

namespace {

TZorudFieldType StoreTypeOf(TFieldType type, int size) {
  switch (type) {
    case ftSmallint:
    case ftWord: return TZorudFieldType::SmallInt;
    case ftInteger: return TZorudFieldType::Integer;
    case ftBoolean: return TZorudFieldType::Boolean;
    case ftFloat: return TZorudFieldType::Double;
    case ftCurrency: return TZorudFieldType::Currency;
    case ftDate: return TZorudFieldType::Date;
    case ftTime: return TZorudFieldType::Time;
    case ftDateTime: return TZorudFieldType::DateTime;
    case ftAutoInc: return TZorudFieldType::AutoInc;
    case ftString: return size <= 35 ? TZorudFieldType::SmallStr : TZorudFieldType::String;
    case ftBlob: return TZorudFieldType::BLOB;
    case ftMemo: return TZorudFieldType::Memo;
    case ftFmtMemo: return TZorudFieldType::FmtMemo;
    case ftGraphic: return TZorudFieldType::Graphic;
    default: return TZorudFieldType::Unknown;
  }
}

TFieldType PlatformTypeOf(TZorudFieldType type) {
  switch (type) {
    case TZorudFieldType::SmallInt: return ftSmallint;
    case TZorudFieldType::Integer: return ftInteger;
    case TZorudFieldType::Boolean: return ftBoolean;
    case TZorudFieldType::Double: return ftFloat;
    case TZorudFieldType::Currency: return ftCurrency;
    case TZorudFieldType::Date: return ftDate;
    case TZorudFieldType::Time: return ftTime;
    case TZorudFieldType::DateTime: return ftDateTime;
    case TZorudFieldType::AutoInc: return ftAutoInc;
    case TZorudFieldType::SmallStr:
    case TZorudFieldType::String: return ftString;
    case TZorudFieldType::BLOB: return ftBlob;
    case TZorudFieldType::Memo: return ftMemo;
    case TZorudFieldType::FmtMemo: return ftFmtMemo;
    case TZorudFieldType::Graphic: return ftGraphic;
    default: return ftUnknown;
  }
}

uint16_t SlotSize(TZorudFieldType type, int length) {
  switch (type) {
    case TZorudFieldType::SmallInt:
    case TZorudFieldType::Boolean: return 2;
    case TZorudFieldType::Integer:
    case TZorudFieldType::Date:
    case TZorudFieldType::Time:
    case TZorudFieldType::AutoInc:
    case TZorudFieldType::String: return 4;
    case TZorudFieldType::SmallStr: return uint16_t(length + 1);
    default: return 8;
  }
}

}  // namespace

TZorudDataset::TZorudDataset(TComponent* owner) : TComponent(owner) {
  masterLink_ = std::make_unique<TZorudMasterLink>(this);
  masterLink_->OnMasterChange = [this] { MasterChanged(); };
  masterLink_->OnMasterDisable = [this] { MasterDisabled(); };
}

TZorudDataset::~TZorudDataset() {
  try {
    Close();
  } catch (...) {
    DbReportException(std::current_exception());
  }
  masterLink_.reset();
  auto sources = dataSources_;
  for (TDataSource* s : sources) {
    try {
      s->SetDataSet(nullptr);
    } catch (...) {
      DbReportException(std::current_exception());
    }
  }
  if (database_) database_->RemoveDataSet(this);
}

void TZorudDataset::RaiseError(const std::string& message) const { throw EDatabaseError(message, this); }

void TZorudDataset::CheckActive() const {
  if (!Active() || !store_) RaiseError("Cannot do this operation on closed dataset");
}

// ---- properties ----

void TZorudDataset::SetDatabase(TZorudDatabase* database) {
  if (database == database_) return;
  Close();
  if (database_) RemoveFreeNotification(database_);
  database_ = database;
  if (database_) FreeNotification(database_);
}

void TZorudDataset::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == database_) {
    try {
      Close();
    } catch (...) {
      DbReportException(std::current_exception());
    }
    database_ = nullptr;
  }
}

void TZorudDataset::SetIndexFieldNames(const std::string& names) {
  if (names == indexFieldNames_) return;
  indexFieldNames_ = names;
  if (Active()) {
    PrepareKey(slots_[0], indexFieldNames_);
    RebuildView(true);
  }
}

void TZorudDataset::SetRangeFieldNames(const std::string& names) {
  if (names == rangeFieldNames_) return;
  rangeFieldNames_ = names;
  if (Active()) {
    PrepareKey(slots_[2], rangeFieldNames_);
    PrepareKey(slots_[3], rangeFieldNames_);
    if (masterLink_->Active() && masterLink_->HasFields()) MasterChanged();
  }
}

const std::string& TZorudDataset::MasterFields() const { return masterLink_->FieldNames(); }

void TZorudDataset::SetMasterFields(const std::string& names) { masterLink_->SetFieldNames(names); }

TDataSource* TZorudDataset::MasterSource() const { return masterLink_->DataSource(); }

void TZorudDataset::SetMasterSource(TDataSource* source) {
  // Refuse a chain of masters that leads back here.
  for (TDataSource* s = source; s && s->DataSet(); s = s->DataSet()->MasterSource())
    if (s->DataSet() == this) RaiseError("Circular data link");
  masterLink_->SetDataSource(source);
}

void TZorudDataset::SetReadOnly(bool on) {
  if (on == readOnly_) return;
  if (Active()) CheckBrowseMode();
  readOnly_ = on;
}

void TZorudDataset::SetSortOptions(TZorudSortOptions options) {
  if (options == sortOptions_) return;
  sortOptions_ = options;
  if (Active()) RebuildView(true);
}

void TZorudDataset::SetFiltered(bool on) {
  if (on == filtered_) return;
  filtered_ = on;
  if (Active()) {
    RebuildView(false);
    First();
  }
}

// ---- fields ----

TField* TZorudDataset::AddField(const std::string& name, TFieldType type, int size, TFieldKind kind) {
  if (Active()) RaiseError("Cannot perform this operation on an open dataset");
  ownFields_.push_back(std::make_unique<TField>(this, name, type, size, kind));
  fields_.push_back(ownFields_.back().get());
  return fields_.back();
}

TField* TZorudDataset::FindField(const std::string& name) const {
  for (TField* f : fields_)
    if (SameText(f->FieldName(), name)) return f;
  return nullptr;
}

TField* TZorudDataset::FieldByName(const std::string& name) const {
  TField* f = FindField(name);
  if (!f) RaiseError(Format("Field '%s' not found", name.c_str()));
  return f;
}

const TZorudField* TZorudDataset::DescriptorOf(const TField& field) const {
  if (field.Binding < 0) return nullptr;
  if (field.Calculated()) return size_t(field.Binding) < calcLayout_.size() ? &calcLayout_[field.Binding] : nullptr;
  return store_ && size_t(field.Binding) < store_->Fields.size() ? &store_->Fields[field.Binding] : nullptr;
}

void TZorudDataset::BindFields() {
  // Without persistent fields every table field gets one.
  if (ownFields_.empty() || !defaultFields_.empty()) {
    for (const TFieldDef& d : FieldDefs.Items()) {
      ownFields_.push_back(std::make_unique<TField>(this, d.Name, d.DataType, d.Size));
      ownFields_.back()->Required = d.Required;
      fields_.push_back(ownFields_.back().get());
      defaultFields_.push_back(fields_.back());
    }
  }
  calcLayout_.clear();
  calcSize_ = 0;
  for (TField* f : fields_) {
    if (f->Calculated()) {
      TZorudField d;
      d.Name = f->FieldName();
      d.FieldType = StoreTypeOf(f->DataType(), f->Size());
      d.Length = uint16_t(f->DataType() == ftString ? f->Size() : 0);
      d.Size = SlotSize(d.FieldType, d.Length);
      d.Offset = calcSize_;
      calcSize_ += d.Size;
      f->Binding = int(calcLayout_.size());
      calcLayout_.push_back(d);
    } else {
      f->Binding = store_->FindField(f->FieldName());
      if (f->Binding < 0) RaiseError(Format("Field '%s' not found", f->FieldName().c_str()));
    }
    if ((f->DataType() == ftFloat || f->DataType() == ftCurrency) && f->DisplayFormat.empty())
      f->DisplayFormat = "0.######";
  }
  calc_.Data.assign(calcSize_, 0);
  calc_.Heap.assign(calcLayout_.size(), std::nullopt);
  calcHas_.assign(calcLayout_.size(), false);
}

void TZorudDataset::UnbindFields() {
  for (TField* f : fields_) f->Binding = -1;
  if (!defaultFields_.empty()) {
    fields_.erase(std::remove_if(fields_.begin(), fields_.end(),
                                 [&](TField* f) {
                                   return std::find(defaultFields_.begin(), defaultFields_.end(), f) !=
                                          defaultFields_.end();
                                 }),
                  fields_.end());
    ownFields_.erase(std::remove_if(ownFields_.begin(), ownFields_.end(),
                                    [&](const std::unique_ptr<TField>& f) {
                                      return std::find(defaultFields_.begin(), defaultFields_.end(), f.get()) !=
                                             defaultFields_.end();
                                    }),
                     ownFields_.end());
    defaultFields_.clear();
  }
}

TZorudRecord* TZorudDataset::ActiveRecord(TFieldKind kind) {
  if (!store_) return nullptr;
  if (kind == fkCalculated) return state_ == dsInactive ? nullptr : &calc_;
  switch (state_) {
    case dsBrowse: {
      int i = activeRow_ >= 0 ? activeRow_ : cur_;
      return i >= 0 && size_t(i) < view_.size() ? &view_[i]->Data : nullptr;
    }
    case dsInsert:
      // The new record is not in the view yet: every row of the view shows what is stored.
      if (activeRow_ >= 0 && size_t(activeRow_) < view_.size()) return &view_[activeRow_]->Data;
      return &edit_;
    case dsEdit:
    case dsNewValue:
      if (activeRow_ >= 0 && activeRow_ != cur_ && size_t(activeRow_) < view_.size()) return &view_[activeRow_]->Data;
      return &edit_;
    case dsSetKey: return &slots_[1].Record;
    case dsCalcFields: return calcSource_;
    case dsFilter: return filterEntry_ ? &filterEntry_->Data : nullptr;
    case dsOldValue: {
      TZorudEntry* e = CurrentEntry();
      if (e && e->Backup) return &*e->Backup;
      return e ? &e->Data : nullptr;
    }
    default: return nullptr;
  }
}

TZorudRecord* TZorudDataset::WritableRecord(const TField& field) {
  switch (state_) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue: break;
    default: RaiseError("Table is not in edit or insert mode");
  }
  if (!field.Calculated()) {
    if (state_ == dsCalcFields) RaiseError("Cannot edit CalcFields");
    bool keyOrFilter = state_ == dsSetKey || state_ == dsFilter;
    if (field.ReadOnly && !keyOrFilter) RaiseError(Format("Field '%s' is read only!", field.DisplayName().c_str()));
    if (field.DataType() == ftAutoInc && !keyOrFilter) return nullptr;
  }
  if (!DescriptorOf(field)) return nullptr;
  if (field.Calculated()) return &calc_;
  if (state_ == dsEdit || state_ == dsInsert || state_ == dsNewValue) return &edit_;
  return ActiveRecord(fkData);
}

void TZorudDataset::FieldValueChanged(TField& field, bool hasValue) {
  if (field.Calculated()) calcHas_[field.Binding] = hasValue;
  if (state_ == dsSetKey || state_ == dsCalcFields || state_ == dsFilter) return;
  modified_ = true;
  if (!field.Calculated() && AutoCalcFields) Calculate(&edit_);
  DataEvent(deFieldChange, &field);
}

// ---- open and close ----

void TZorudDataset::Open() {
  if (Active()) return;
  if (BeforeOpen) BeforeOpen(*this);
  try {
    InternalOpen();
  } catch (...) {
    try {
      InternalClose();
    } catch (...) {
    }
    FreeStore();
    throw;
  }
  cur_ = view_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = view_.empty();
  try {
    SetState(dsBrowse);
    Resync();
    DataEvent(deDataSetChange);
  } catch (...) {
    // A follower refused the table (a master field it needs is missing): closed again, so that
    // the next open starts afresh instead of finding this store still open.
    try {
      Close();
    } catch (...) {
    }
    throw;
  }
  if (AfterOpen) AfterOpen(*this);
}

void TZorudDataset::InternalOpen() {
  auto started = std::chrono::steady_clock::now();
  cur_ = -1;
  LoadTable();
  if (!store_) RaiseError("Cannot do this operation on closed dataset");
  TFieldDefs defined = FieldDefs;
  defined.OnChange = nullptr;
  FieldDefs.Clear();
  for (const TZorudField& f : store_->Fields) {
    int i = defined.IndexOf(f.Name);
    bool text = f.FieldType == TZorudFieldType::SmallStr || f.FieldType == TZorudFieldType::String;
    FieldDefs.Add(f.Name, PlatformTypeOf(f.FieldType), text ? f.Length : 0, i >= 0 && defined[i].Required);
  }
  BindFields();
  PrepareKey(slots_[0], indexFieldNames_);
  PrepareKey(slots_[1], "");
  PrepareKey(slots_[2], rangeFieldNames_);
  PrepareKey(slots_[3], rangeFieldNames_);
  rangeActive_ = false;
  if (masterLink_->Active() && masterLink_->HasFields()) ApplyMasterRange();
  RebuildView(false);
  openMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  if (database_) database_->AddDataSet(this);
}

void TZorudDataset::Close() {
  if (!Active()) return;
  if (!clones_.empty()) RaiseError("Cloned tables are not closed before source dataset is closed!");
  if (BeforeClose) BeforeClose(*this);
  SetState(dsInactive);
  InternalClose();
  FreeStore();
  if (AfterClose) AfterClose(*this);
}

void TZorudDataset::InternalClose() {
  for (TKeySlot& s : slots_) s = TKeySlot();
  UnbindFields();
  view_.clear();
  cur_ = -1;
  bof_ = eof_ = true;
  activeRow_ = -1;
  edit_ = TZorudRecord();
  rangeActive_ = false;
  if (database_) {
    database_->RemoveDataSet(this);
    database_->RemoveChanged(this);
  }
  changeCount_ = 0;
}

void TZorudDataset::FreeStore() { store_.reset(); }

void TZorudDataset::LoadStoreFromBytes(const std::string& bytes) {
  // Read into a fresh store: a reload that fails leaves the records in memory untouched.
  TZorudCursor fresh;
  fresh.OnProgress = [this](int percent) {
    if (OnCallback) OnCallback(*this, percent);
  };
  fresh.PartialOpen = PartialOpen;
  std::string message;
  if (!fresh.LoadFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), message))
    RaiseError("Error opening table: " + message);
  if (store_) {
    // Fields stay bound to what they were: a reload must bring the same fields.
    bool same = fresh.Fields.size() == store_->Fields.size();
    for (size_t i = 0; same && i < fresh.Fields.size(); ++i) {
      const TZorudField &x = fresh.Fields[i], &y = store_->Fields[i];
      same = SameText(x.Name, y.Name) && x.FieldType == y.FieldType && x.Length == y.Length;
    }
    if (!same) RaiseError("Error opening table: the fields of the file have changed");
    *store_ = std::move(fresh);
  } else {
    store_ = std::make_shared<TZorudCursor>(std::move(fresh));
  }
  if (!message.empty()) DbReportWarning(message);
}

void TZorudDataset::Refresh() {
  CheckActive();
  CheckBrowseMode();
  if (BeforeRefresh) BeforeRefresh(*this);
  std::vector<TField*> unique;
  for (const std::string& n : SplitZorudNames(UniqueFieldNames))
    if (TField* f = FindField(n)) unique.push_back(f);
  std::string kept;
  TZorudEntry* e = CurrentEntry();
  if (e && !unique.empty()) {
    for (size_t i = 0; i < unique.size(); ++i) kept += (i ? "\t" : "") + unique[i]->TextOf(e->Data);
  }
  if (changeCount_ > 0) PostAndSave();
  // The reload replaces every entry: no view may keep one, the clones' included.
  for (TZorudDataset* clone : clones_) {
    clone->CheckBrowseMode();
    clone->view_.clear();
    clone->cur_ = -1;
  }
  view_.clear();
  cur_ = -1;
  try {
    if (Reloadable()) LoadTable();
  } catch (...) {
    for (TZorudDataset* clone : clones_) clone->RebuildView(false);
    RebuildView(false);
    throw;
  }
  for (TZorudDataset* clone : clones_) clone->RebuildView(false);
  if (masterLink_->Active() && masterLink_->HasFields()) ApplyMasterRange();
  RebuildView(false);
  if (e && !unique.empty()) {
    for (size_t i = 0; i < view_.size(); ++i) {
      std::string text;
      for (size_t k = 0; k < unique.size(); ++k) text += (k ? "\t" : "") + unique[k]->TextOf(view_[i]->Data);
      if (text == kept) {
        cur_ = int(i);
        bof_ = eof_ = false;
        break;
      }
    }
  }
  Resync();
  DataEvent(deDataSetChange);
  if (AfterRefresh) AfterRefresh(*this);
}

// ---- data-aware controls ----

void TZorudDataset::DisableControls() { ++disableCount_; }

void TZorudDataset::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ == 0) {
    DataEvent(deUpdateState);
    if (Active()) DataEvent(deDataSetChange);
  }
}

void TZorudDataset::FocusControl(TField* field) {
  if (disableCount_ > 0 || !field) return;
  auto sources = dataSources_;
  for (TDataSource* s : sources) {
    if (!field) return;
    if (std::find(dataSources_.begin(), dataSources_.end(), s) != dataSources_.end()) s->FocusControl(field);
  }
}

void TZorudDataset::DataEvent(TDataEvent event, TField* field) {
  if (disableCount_ > 0) return;
  auto sources = dataSources_;
  for (TDataSource* s : sources)
    if (std::find(dataSources_.begin(), dataSources_.end(), s) != dataSources_.end()) s->DataEvent(event, field);
}

void TZorudDataset::AddDataSource(TDataSource* source) {
  if (std::find(dataSources_.begin(), dataSources_.end(), source) == dataSources_.end())
    dataSources_.push_back(source);
}

void TZorudDataset::RemoveDataSource(TDataSource* source) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source), dataSources_.end());
}

void TZorudDataset::LoadFromStream(TStream* stream, bool owned) {
  std::unique_ptr<TStream> holder(owned ? stream : nullptr);
  if (Active()) RaiseError("Cannot perform this operation on an open dataset");
  if (!stream) RaiseError("Loading stream is not assigned");
  int64_t size = stream->Size();
  if (size < 0 || size > (int64_t(512) << 20)) RaiseError("Error opening table: Buffer structure corruption!");
  std::string bytes(size_t(size), '\0');
  stream->Seek(0, soBeginning);
  if (size) stream->ReadBuffer(bytes.data(), int(size));
  LoadStoreFromBytes(bytes);
}

std::unique_ptr<TZorudBlobStream> TZorudDataset::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  return std::make_unique<TZorudBlobStream>(field, mode);
}
