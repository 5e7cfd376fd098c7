// Searching the view (Locate and Lookup) and bookmarks.
#include "ZorudDataset.h"
#include <algorithm>
#include "SysUtils.h"

// ---- searching ----

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
  CalculateActive();  // a grid may be reading one of its rows
  return out;
}

// ---- bookmarks ----

TBookmark TZorudDataset::GetBookmark() const {
  if (!Active()) return 0;
  if (state_ == dsInsert && activeRow_ < 0) return 0;  // the new record has none until posted
  int i = activeRow_ >= 0 ? activeRow_ : cur_;
  return i >= 0 && size_t(i) < view_.size() ? view_[i]->Serial : 0;
}

void TZorudDataset::GotoBookmark(TBookmark bookmark) {
  CheckActive();
  CheckBrowseMode();
  // Staying put instead would let a caller act on a row it never asked for.
  int i = ViewIndexOf(bookmark);
  if (i < 0) RaiseError("Record is not found");
  MoveTo(i);
}

bool TZorudDataset::BookmarkValid(TBookmark bookmark) const { return Active() && ViewIndexOf(bookmark) >= 0; }

int TZorudDataset::CompareBookmarks(TBookmark a, TBookmark b) const {
  if (a == b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  return a < b ? -1 : 1;
}
