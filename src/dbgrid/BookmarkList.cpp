#include "BookmarkList.h"
#include "DBGridHost.h"
#include "GridDataLink.h"
#include "GridError.h"

namespace {

const char* const kClosed = "Cannot perform this operation on a closed dataset";

}  // namespace

TBookmark TBookmarkList::CurrentRow() const {
  if (!linkActive_ || !link_.DataSet()) throw EInvalidGridOperation(kClosed);
  return link_.DataSet()->GetBookmark();
}

int TBookmarkList::Compare(TBookmark a, TBookmark b) const {
  if (!link_.DataSet()) throw EInvalidGridOperation(kClosed);
  return link_.DataSet()->CompareBookmarks(a, b);
}

bool TBookmarkList::Find(TBookmark item, int& index) {
  if (item == cacheItem_ && cacheIndex_ >= 0) {
    index = cacheIndex_;
    return cacheFound_;
  }
  bool found = false;
  int low = 0, high = Count() - 1;
  while (low <= high) {
    int middle = (low + high) >> 1;
    int c = Compare(items_[middle], item);
    if (c < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (c == 0) {
        found = true;
        low = middle;
      }
    }
  }
  index = low;
  cacheItem_ = item;
  cacheIndex_ = low;
  cacheFound_ = found;
  return found;
}

bool TBookmarkList::CurrentRowSelected() {
  int index;
  return Find(CurrentRow(), index);
}

void TBookmarkList::SetCurrentRowSelected(bool value) {
  TBookmark current = CurrentRow();
  int index;
  if (!current || Find(current, index) == value) return;
  if (value) Insert(index, current);
  else Remove(index);
  link_.Grid().InvalidateCurrentRow();
  link_.Grid().MultiSelectChanged();
}

void TBookmarkList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  ForgetCache();
  link_.Grid().InvalidateGrid();
  link_.Grid().MultiSelectChanged();
}

void TBookmarkList::Delete() {
  if (items_.empty()) return;
  TZorudDataset* ds = link_.DataSet();
  if (!ds || !ds->Active()) throw EInvalidGridOperation(kClosed);
  // Enabling the controls tells the grid, which may throw: not from a destructor.
  ds->DisableControls();
  try {
    for (int i = Count() - 1; i >= 0; --i) {
      // A row deleted meanwhile, or out of the range now, is no longer there to delete.
      if (ds->BookmarkValid(items_[i])) {
        ds->GotoBookmark(items_[i]);
        ds->Delete();
      }
      Remove(i);
    }
  } catch (...) {
    ds->EnableControls();
    throw;
  }
  ds->EnableControls();
}

void TBookmarkList::LinkActive(bool value) {
  Clear();
  linkActive_ = value;
}

void TBookmarkList::Insert(int index, TBookmark item) {
  items_.insert(items_.begin() + index, item);
  ForgetCache();
}

void TBookmarkList::Remove(int index) {
  items_.erase(items_.begin() + index);
  ForgetCache();
}

void TBookmarkList::ForgetCache() {
  cacheItem_ = 0;
  cacheIndex_ = -1;
}
