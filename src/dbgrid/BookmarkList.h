#pragma once
#include <vector>
#include "ZorudDataset.h"

class TGridDataLink;

// The rows selected in a data grid, as the dataset's bookmarks in the dataset's bookmark order,
// so that membership is a binary search.
class TBookmarkList {
public:
  explicit TBookmarkList(TGridDataLink& link) : link_(link) {}
  TBookmarkList(const TBookmarkList&) = delete;
  TBookmarkList& operator=(const TBookmarkList&) = delete;

  int Count() const { return int(items_.size()); }
  bool CurrentRowSelected();
  void SetCurrentRowSelected(bool value);
  // Whether item is in the list, and its index or the one it would be inserted at.
  bool Find(TBookmark item, int& index);
  void Clear();
  // Deletes every selected record that is still there, from the last to the first.
  void Delete();
  // From the grid when its data link goes active or inactive.
  void LinkActive(bool value);

private:
  TBookmark CurrentRow() const;
  int Compare(TBookmark a, TBookmark b) const;
  void Insert(int index, TBookmark item);
  void Remove(int index);
  void ForgetCache();

  TGridDataLink& link_;
  std::vector<TBookmark> items_;
  // The last Find: its argument and answer; index -1 when nothing is cached.
  TBookmark cacheItem_ = 0;
  int cacheIndex_ = -1;
  bool cacheFound_ = false;
  bool linkActive_ = false;
};
