#include "ZorudDataset.h"
#include <algorithm>
#include <chrono>
#include <cstring>
#include "DataSource.h"
#include "DateUtils.h"
#include "DbError.h"
#include "SysUtils.h"
#include "DbHooks.h"
#include "UniqueKey.h"
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

// "a\tb\t" holds two values; a text without a final TAB holds its last piece too.
std::vector<std::string> SplitValues(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t tab = text.find('\t', start);
    if (tab == std::string::npos) {
      if (start < text.size() || out.empty()) out.push_back(text.substr(start));
      return out;
    }
    out.push_back(text.substr(start, tab - start));
    start = tab + 1;
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
    case dsEdit:
    case dsInsert:
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

// ---- the view ----

bool TZorudDataset::InRange(const TZorudEntry& e) const {
  const TKeySlot& lo = slots_[2];
  const TKeySlot& hi = slots_[3];
  std::vector<TZorudKeyField> loKeys(lo.Keys.begin(), lo.Keys.begin() + std::min<size_t>(lo.InUse, lo.Keys.size()));
  std::vector<TZorudKeyField> hiKeys(hi.Keys.begin(), hi.Keys.begin() + std::min<size_t>(hi.InUse, hi.Keys.size()));
  bool ci = sortOptions_ & vsoCaseInsensitive;
  return store_->Compare(e.Data, lo.Record, loKeys, ci, false) >= 0 &&
         store_->Compare(e.Data, hi.Record, hiKeys, ci, false) <= 0;
}

bool TZorudDataset::Accepted(TZorudEntry& e) {
  if (!filtered_ || !OnFilterRecord) return true;
  TDataSetState saved = state_;
  state_ = dsFilter;
  filterEntry_ = &e;
  bool accept = true;
  try {
    OnFilterRecord(*this, accept);
  } catch (...) {
    state_ = saved;
    filterEntry_ = nullptr;
    throw;
  }
  state_ = saved;
  filterEntry_ = nullptr;
  return accept;
}

void TZorudDataset::RebuildView(bool keepPosition) {
  bool open = Active();
  TZorudEntry* remembered = nullptr;
  if (open) {
    CheckBrowseMode();
    remembered = CurrentEntry();
    if (BeforeScroll) BeforeScroll(*this);
  }
  view_.clear();
  activeRow_ = -1;
  if (store_) {
    for (auto& e : store_->Entries) {
      if (!e->Live()) continue;
      if (rangeActive_ && !InRange(*e)) continue;
      if (!Accepted(*e)) continue;
      view_.push_back(e.get());
    }
  }
  sorted_ = false;
  if (store_ && !slots_[0].Keys.empty()) {
    bool ci = sortOptions_ & vsoCaseInsensitive, desc = sortOptions_ & vsoDescendSort;
    const auto& keys = slots_[0].Keys;
    std::stable_sort(view_.begin(), view_.end(), [&](const TZorudEntry* a, const TZorudEntry* b) {
      return store_->Compare(a->Data, b->Data, keys, ci, desc) < 0;
    });
    sorted_ = true;
  }
  cur_ = -1;
  if (!open) return;
  int i = keepPosition ? ViewIndexOf(remembered) : -1;
  cur_ = i >= 0 ? i : (view_.empty() ? -1 : 0);
  bof_ = view_.empty() || i < 0;
  eof_ = view_.empty();
  Resync();
  DataEvent(deDataSetChange);
  if (AfterScroll) AfterScroll(*this);
}

int TZorudDataset::ViewIndexOf(const TZorudEntry* entry) const {
  if (!entry) return -1;
  auto it = std::find(view_.begin(), view_.end(), entry);
  return it == view_.end() ? -1 : int(it - view_.begin());
}

int TZorudDataset::ViewIndexOf(TBookmark bookmark) const {
  if (!bookmark) return -1;
  for (size_t i = 0; i < view_.size(); ++i)
    if (view_[i]->Serial == bookmark) return int(i);
  return -1;
}

TZorudEntry* TZorudDataset::CurrentEntry() const {
  return cur_ >= 0 && size_t(cur_) < view_.size() ? view_[cur_] : nullptr;
}

void TZorudDataset::Calculate(TZorudRecord* source) {
  if (calcLayout_.empty()) return;
  std::fill(calc_.Data.begin(), calc_.Data.end(), 0);
  std::fill(calc_.Heap.begin(), calc_.Heap.end(), std::nullopt);
  std::fill(calcHas_.begin(), calcHas_.end(), false);
  if (!source || !OnCalcFields) return;
  TDataSetState saved = state_;
  state_ = dsCalcFields;
  calcSource_ = source;
  try {
    OnCalcFields(*this);
  } catch (...) {
    state_ = saved;
    calcSource_ = nullptr;
    throw;
  }
  state_ = saved;
  calcSource_ = nullptr;
}

void TZorudDataset::Resync() {
  if (view_.empty()) cur_ = -1;
  else cur_ = std::clamp(cur_, 0, int(view_.size()) - 1);
  if (state_ == dsBrowse) {
    TZorudEntry* e = CurrentEntry();
    Calculate(e ? &e->Data : nullptr);
  }
}

void TZorudDataset::SetActiveRow(int row) {
  if (row >= int(view_.size())) row = -1;
  if (row == activeRow_) return;
  activeRow_ = row;
  if (state_ != dsBrowse) return;
  int i = activeRow_ >= 0 ? activeRow_ : cur_;
  Calculate(i >= 0 && size_t(i) < view_.size() ? &view_[i]->Data : nullptr);
}

// ---- moving ----

void TZorudDataset::MoveTo(int index) {
  if (BeforeScroll) BeforeScroll(*this);
  cur_ = index;
  bof_ = eof_ = false;
  Resync();
  DataEvent(deDataSetChange);
  if (AfterScroll) AfterScroll(*this);
}

void TZorudDataset::First() {
  CheckBrowseMode();
  if (BeforeScroll) BeforeScroll(*this);
  cur_ = view_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = view_.empty();
  Resync();
  DataEvent(deDataSetChange);
  if (AfterScroll) AfterScroll(*this);
}

void TZorudDataset::Last() {
  CheckBrowseMode();
  if (BeforeScroll) BeforeScroll(*this);
  cur_ = int(view_.size()) - 1;
  eof_ = true;
  bof_ = view_.empty();
  Resync();
  DataEvent(deDataSetChange);
  if (AfterScroll) AfterScroll(*this);
}

int TZorudDataset::MoveBy(int distance) {
  CheckBrowseMode();
  int moved = 0;
  if (BeforeScroll) BeforeScroll(*this);
  if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
    bof_ = eof_ = false;
    while (distance > 0) {
      if (cur_ + 1 < int(view_.size())) {
        ++cur_;
        ++moved;
        --distance;
      } else {
        eof_ = true;
        break;
      }
    }
    while (distance < 0) {
      if (cur_ > 0) {
        --cur_;
        --moved;
        ++distance;
      } else {
        bof_ = true;
        break;
      }
    }
    if (view_.empty()) bof_ = eof_ = true;
    Resync();
    if (moved) DataEvent(deDataSetScroll);
  }
  if (AfterScroll) AfterScroll(*this);
  return moved;
}

void TZorudDataset::Next() { MoveBy(1); }
void TZorudDataset::Prior() { MoveBy(-1); }

int TZorudDataset::RecordCount() const { return Active() ? int(view_.size()) : 0; }

int TZorudDataset::RecNo() const {
  if (state_ == dsInsert) return -1;
  return cur_ + 1;
}

void TZorudDataset::SetRecNo(int number) {
  CheckActive();
  CheckBrowseMode();
  if (view_.empty()) return;
  number = std::clamp(number, 1, int(view_.size()));
  if (number != cur_ + 1) MoveTo(number - 1);
}

// ---- changing ----

void TZorudDataset::SetState(TDataSetState state) {
  if (state == state_) return;
  state_ = state;
  modified_ = false;
  DataEvent(deUpdateState);
}

void TZorudDataset::ChangeStep(int delta) {
  if (delta > 0) {
    if (changeCount_++ == 0 && OnNeedToSaveChange) OnNeedToSaveChange(*this);
    if (database_) database_->AddChanged(this);
  } else if (changeCount_ > 0 && --changeCount_ == 0) {
    if (database_) database_->RemoveChanged(this);
    if (OnNeedToSaveChange) OnNeedToSaveChange(*this);
  }
}

void TZorudDataset::ResetChanges() {
  changeCount_ = 0;
  if (database_) database_->RemoveChanged(this);
  if (OnNeedToSaveChange) OnNeedToSaveChange(*this);
}

void TZorudDataset::Edit() {
  CheckActive();
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (view_.empty()) {
    Insert();
    return;
  }
  CheckBrowseMode();
  if (readOnly_) RaiseError("Read-only record cannot be changed");
  if (BeforeEdit) BeforeEdit(*this);
  TZorudEntry* e = CurrentEntry();
  store_->MakeBackup(e);
  ChangeStep(+1);
  editEntry_ = e;
  edit_ = e->Data;
  SetState(dsEdit);
  DataEvent(deRecordChange);
  if (AfterEdit) AfterEdit(*this);
}

void TZorudDataset::Insert() {
  CheckActive();
  CheckBrowseMode();
  if (readOnly_) RaiseError("You have read only access, you can not add records!");
  if (BeforeInsert) BeforeInsert(*this);
  ChangeStep(+1);
  edit_ = store_->NewRecord();
  editEntry_ = nullptr;
  SetState(dsInsert);
  Calculate(&edit_);
  try {
    DoOnNewRecord();
  } catch (...) {
    edit_ = TZorudRecord();
    SetState(dsBrowse);
    ChangeStep(-1);
    Resync();
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange);
  if (AfterInsert) AfterInsert(*this);
}

void TZorudDataset::Append() { Insert(); }

void TZorudDataset::DoOnNewRecord() {
  for (TField* f : fields_) {
    if (f->Calculated() || f->DefaultExpression.empty()) continue;
    std::string expr = AnsiUpperCase(f->DefaultExpression);
    TFieldType t = f->DataType();
    if (expr == "TODAY" && t == ftDate) {
      f->SetAsDateTime(Date());
    } else if (expr == "NOW" && (t == ftDate || t == ftTime || t == ftDateTime)) {
      f->SetAsDateTime(Now());
    } else if (expr == "UNICOD" && f->IsText()) {
      f->SetAsString(CreateUniqueKey());
    } else {
      f->SetAsString(f->DefaultExpression);
    }
  }
  if (masterLink_->Active() && masterLink_->HasFields()) {
    std::vector<std::string> names = SplitZorudNames(rangeFieldNames_);
    const auto& masters = masterLink_->Fields();
    for (size_t i = 0; i < names.size() && i < masters.size(); ++i)
      FieldByName(names[i])->SetAsString(masters[i]->AsString());
  }
  if (OnNewRecord) OnNewRecord(*this);
}

void TZorudDataset::UpdateRecord() {
  if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey) RaiseError("Table is not in edit or insert mode");
  DataEvent(deUpdateRecord);
}

void TZorudDataset::Post() {
  CheckActive();
  if (state_ != dsEdit && state_ != dsInsert) return;
  UpdateRecord();
  DataEvent(deCheckBrowseMode);
  if (BeforePost) BeforePost(*this);
  for (TField* f : fields_)
    if (f->Required && !f->ReadOnly && !f->Calculated() && f->IsNull())
      RaiseError(Format("Field '%s' must have a value", f->DisplayName().c_str()));
  std::string message;
  if (state_ == dsInsert) {
    TZorudEntry* e = store_->Add(edit_);
    view_.push_back(e);
    cur_ = int(view_.size()) - 1;
  } else {
    if (!store_->Update(editEntry_, edit_, message)) RaiseError("Error saving record: " + message);
  }
  // The posted row keeps its place: the view is in index order again only after a rebuild.
  sorted_ = false;
  edit_ = TZorudRecord();
  editEntry_ = nullptr;
  bof_ = eof_ = false;
  SetState(dsBrowse);
  Resync();
  DataEvent(deDataSetChange);
  if (AfterPost) AfterPost(*this);
}

void TZorudDataset::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode);
  if (BeforeCancel) BeforeCancel(*this);
  // Only the edit buffer goes: the stored record keeps what was posted (and perhaps saved).
  edit_ = TZorudRecord();
  editEntry_ = nullptr;
  ChangeStep(-1);
  SetState(dsBrowse);
  Resync();
  DataEvent(deDataSetChange);
  if (AfterCancel) AfterCancel(*this);
}

void TZorudDataset::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (view_.empty()) RaiseError("Cannot perform this operation on an empty dataset");
  DataEvent(deCheckBrowseMode);
  if (readOnly_) RaiseError("Read-only record cannot be deleted");
  if (BeforeDelete) BeforeDelete(*this);
  if (BeforeScroll) BeforeScroll(*this);
  TZorudEntry* e = CurrentEntry();
  std::string message;
  if (!store_->Delete(e, message)) RaiseError("Error deleting record: " + message);
  view_.erase(view_.begin() + cur_);
  ChangeStep(+1);
  edit_ = TZorudRecord();
  editEntry_ = nullptr;
  SetState(dsBrowse);
  eof_ = bof_ = view_.empty();
  Resync();
  DataEvent(deDataSetChange);
  if (AfterDelete) AfterDelete(*this);
  if (AfterScroll) AfterScroll(*this);
}

void TZorudDataset::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  if (state_ == dsEdit || state_ == dsInsert) {
    UpdateRecord();
    if (modified_) Post();
    else Cancel();
  }
}

TUpdateStatus TZorudDataset::UpdateStatus() const {
  TZorudEntry* e = CurrentEntry();
  if (!e) return usUnmodified;
  switch (e->State) {
    case TZorudRecordState::Edited: return usModified;
    case TZorudRecordState::Inserted: return usInserted;
    case TZorudRecordState::Deleted: return usDeleted;
    default: return usUnmodified;
  }
}

void TZorudDataset::PostAndSave() {
  if (state_ == dsEdit || state_ == dsInsert) Post();
  SaveTable();
}

void TZorudDataset::RollbackChanges() {
  if (!Active() || changeCount_ <= 0) return;
  if (state_ == dsEdit || state_ == dsInsert) Cancel();
  store_->Rollback();
  changeCount_ = 0;
  RebuildView(true);
  ResetChanges();
}

void TZorudDataset::CommitChanges() {
  if (!Active() || changeCount_ <= 0) return;
  CheckBrowseMode();
  store_->Commit();
  changeCount_ = 0;
  RebuildView(true);
  ResetChanges();
}

void TZorudDataset::SaveToFile(const std::string& fileName) { SaveToFile(fileName, SaveOptions); }

void TZorudDataset::SaveToFile(const std::string& fileName, TZorudSaveOptions options) {
  if (!store_) return;
  store_->SaveToFile(fileName, options, sortOptions_ & vsoCaseInsensitive, indexFieldNames_);
}

// ---- keys, ranges and searching ----

void TZorudDataset::PrepareKey(TKeySlot& slot, const std::string& names) {
  slot = TKeySlot();
  if (!store_) return;
  slot.Record = store_->NewRecord();
  for (const std::string& name : SplitZorudNames(names)) {
    TField* f = FindField(name);
    if (!f) continue;
    if (f->Calculated() || f->IsBlob()) RaiseError("There are calc or BLOB fields in list of key fields");
    slot.Keys.push_back({f->Binding, f->Alignment == taRightJustify});
    slot.Fields.push_back(f);
  }
  slot.InUse = int(slot.Keys.size());
}

void TZorudDataset::ConvertKeyText(TKeySlot& slot, int index, const std::string& text) {
  TField* f = slot.Fields[index];
  const TZorudField& d = store_->Fields[slot.Keys[index].Field];
  if (d.FieldType == TZorudFieldType::Boolean) {
    std::string u = AnsiUpperCase(text);
    int16_t v = (u == "TRUE" || u == "YES" || u == "T" || u == "1" || u == "\xC4\xC0") ? -1 : 0;
    std::memcpy(slot.Record.Data.data() + d.Offset, &v, 2);
    return;
  }
  if (d.FieldType == TZorudFieldType::Unknown || IsBlobType(d.FieldType)) return;
  f->StoreText(slot.Record, text);
}

void TZorudDataset::SetRange(const std::string& start, const std::string& end) {
  if (!store_) RaiseError("Cannot do this operation on closed dataset");
  PrepareKey(slots_[2], rangeFieldNames_);
  PrepareKey(slots_[3], rangeFieldNames_);
  std::vector<std::string> lo = SplitValues(start), hi = SplitValues(end);
  for (int pass = 0; pass < 2; ++pass) {
    TKeySlot& slot = slots_[2 + pass];
    const auto& values = pass ? hi : lo;
    slot.InUse = int(std::min(values.size(), slot.Keys.size()));
    for (int i = 0; i < slot.InUse; ++i) ConvertKeyText(slot, i, values[i]);
  }
  rangeActive_ = true;
  RebuildView(false);
}

void TZorudDataset::RangeOff() { rangeActive_ = false; }

void TZorudDataset::ApplyMasterRange() {
  std::string values;
  for (TField* f : masterLink_->Fields()) values += f->AsString() + "\t";
  SetRange(values, values);
}

void TZorudDataset::MasterChanged() {
  if (!Active()) return;
  CheckBrowseMode();
  ApplyMasterRange();
}

void TZorudDataset::MasterDisabled() {
  if (!Active()) return;
  CheckBrowseMode();
  RangeOff();
  RebuildView(false);
}

int TZorudDataset::SearchView(TKeySlot& slot, const std::vector<std::string>& values, TLocateOptions options) {
  int n = int(std::min(values.size(), slot.Keys.size()));
  if (n == 0 || view_.empty()) return -1;
  if (options) {
    for (size_t i = 0; i < view_.size(); ++i) {
      bool match = true;
      for (int k = 0; k < n && match; ++k) {
        std::string text = slot.Fields[k]->TextOf(view_[i]->Data), wanted = values[k];
        if (options & loCaseInsensitive) {
          text = AnsiUpperCase(text);
          wanted = AnsiUpperCase(wanted);
        }
        match = (options & loPartialKey) ? text.compare(0, wanted.size(), wanted) == 0 : text == wanted;
      }
      if (match) return int(i);
    }
    return -1;
  }
  for (int k = 0; k < n; ++k) ConvertKeyText(slot, k, values[k]);
  slot.InUse = n;
  std::vector<TZorudKeyField> keys(slot.Keys.begin(), slot.Keys.begin() + n);
  // Binary search only where the view is in that order: a sorted, case-sensitive index prefix.
  std::string wanted;
  for (int k = 0; k < n; ++k) wanted += (k ? ";" : "") + AnsiUpperCase(slot.Fields[k]->FieldName());
  std::string index;
  for (TField* f : slots_[0].Fields) index += (index.empty() ? "" : ";") + AnsiUpperCase(f->FieldName());
  bool prefix = index.compare(0, wanted.size(), wanted) == 0 && (index.size() == wanted.size() || index[wanted.size()] == ';');
  bool desc = sortOptions_ & vsoDescendSort;
  if (sorted_ && prefix && !(sortOptions_ & vsoCaseInsensitive) && slots_[0].Fields.size() >= size_t(n)) {
    auto it = std::lower_bound(view_.begin(), view_.end(), &slot.Record, [&](const TZorudEntry* e, const TZorudRecord* key) {
      return store_->Compare(e->Data, *key, keys, false, desc) < 0;
    });
    if (it != view_.end() && store_->Compare((*it)->Data, slot.Record, keys, false, false) == 0)
      return int(it - view_.begin());
    return -1;
  }
  for (size_t i = 0; i < view_.size(); ++i)
    if (store_->Compare(view_[i]->Data, slot.Record, keys, false, false) == 0) return int(i);
  return -1;
}

bool TZorudDataset::Locate(const std::string& keyFields, const std::vector<std::string>& values,
                           TLocateOptions options) {
  CheckActive();
  CheckBrowseMode();
  if (view_.empty() || keyFields.empty() || values.empty()) return false;
  PrepareKey(slots_[1], keyFields);
  int i = SearchView(slots_[1], values, options);
  if (i < 0) return false;
  MoveTo(i);
  return true;
}

std::vector<std::optional<std::string>> TZorudDataset::Lookup(const std::string& keyFields,
                                                              const std::vector<std::string>& values,
                                                              const std::string& resultFields) {
  std::vector<std::string> names = SplitZorudNames(resultFields);
  std::vector<std::optional<std::string>> out(names.size());
  CheckActive();
  if (view_.empty() || keyFields.empty() || values.empty()) return out;
  PrepareKey(slots_[1], keyFields);
  int i = SearchView(slots_[1], values, 0);
  if (i < 0) return out;
  Calculate(&view_[i]->Data);
  for (size_t k = 0; k < names.size(); ++k) {
    TField* f = FieldByName(names[k]);
    if (f->Calculated()) {
      if (CalcHasValue(f->Binding)) out[k] = f->TextOf(calc_);
    } else {
      out[k] = f->TextOf(view_[i]->Data);
    }
  }
  Resync();
  return out;
}

// ---- bookmarks ----

TBookmark TZorudDataset::GetBookmark() const {
  TZorudEntry* e = CurrentEntry();
  return Active() && e ? e->Serial : 0;
}

void TZorudDataset::GotoBookmark(TBookmark bookmark) {
  CheckActive();
  CheckBrowseMode();
  int i = ViewIndexOf(bookmark);
  MoveTo(i >= 0 ? i : cur_);
}

bool TZorudDataset::BookmarkValid(TBookmark bookmark) const { return Active() && ViewIndexOf(bookmark) >= 0; }

int TZorudDataset::CompareBookmarks(TBookmark a, TBookmark b) const {
  if (a == b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  return a < b ? -1 : 1;
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
