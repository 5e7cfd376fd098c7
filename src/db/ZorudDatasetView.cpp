// The view over the store (range, filter, index order, the calculated fields of the current
// row), the key slots behind ranges and searches, and the range a master sets.
#include "ZorudDataset.h"
#include <algorithm>
#include <cstring>
#include "SysUtils.h"
#include "ZorudMasterLink.h"

namespace {

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
  activeRow_ = -1;  // a move or a change ends the reading of another row
  if (view_.empty()) cur_ = -1;
  else cur_ = std::clamp(cur_, 0, int(view_.size()) - 1);
  if (state_ == dsBrowse) {
    TZorudEntry* e = CurrentEntry();
    Calculate(e ? &e->Data : nullptr);
  }
}

void TZorudDataset::SetActiveRow(int row) {
  if (row < 0 || row >= int(view_.size())) row = -1;
  if (row == activeRow_) return;
  activeRow_ = row;
  CalculateActive();
}

void TZorudDataset::CalculateActive() {
  if (state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) Calculate(ActiveRecord(fkData));
}

// ---- keys and ranges ----

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
