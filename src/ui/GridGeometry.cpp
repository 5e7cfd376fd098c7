#include "GridGeometry.h"
#include <algorithm>
#include <vector>

namespace {
// How far from a column's border the mouse may be to size it.
const int kBorderSlack = 3;
}

void TGridAxis::SetCount(int count) {
  count_ = std::max(0, count);
  fixed_ = std::min(fixed_, count_);
  sizes_.erase(sizes_.lower_bound(count_), sizes_.end());
  Clamp();
}

void TGridAxis::SetFixed(int fixed) {
  fixed_ = std::max(0, std::min(fixed, count_));
  Clamp();
}

void TGridAxis::SetFirst(int first) {
  first_ = first;
  Clamp();
}

void TGridAxis::SetDefaultSize(int size) {
  defaultSize_ = size;
  sizes_.clear();
  Clamp();
}

void TGridAxis::SetLineWidth(int width) {
  lineWidth_ = std::max(0, width);
  Clamp();
}

void TGridAxis::SetClientSize(int size) {
  clientSize_ = std::max(0, size);
  Clamp();
}

int TGridAxis::Size(int index) const {
  auto it = sizes_.find(index);
  return it == sizes_.end() ? defaultSize_ : it->second;
}

void TGridAxis::SetSize(int index, int size) {
  if (index < 0 || index >= count_) return;
  if (size == defaultSize_)
    sizes_.erase(index);
  else
    sizes_[index] = size;
  Clamp();
}

int TGridAxis::Extent(int index) const {
  int size = Size(index);
  return size < 0 ? 0 : size + lineWidth_;
}

int TGridAxis::FixedExtent() const {
  int total = 0;
  for (int i = 0; i < fixed_; ++i) total += Extent(i);
  return total;
}

int TGridAxis::Start(int index) const {
  if (index < 0 || index >= count_ || Size(index) < 0) return -1;
  int pos = 0;
  if (index < fixed_) {
    for (int i = 0; i < index; ++i) pos += Extent(i);
  } else {
    if (index < first_) return -1;
    pos = FixedExtent();
    for (int i = first_; i < index && pos < clientSize_; ++i) pos += Extent(i);
  }
  return pos < clientSize_ ? pos : -1;
}

int TGridAxis::At(int pos) const {
  if (pos < 0 || pos >= clientSize_) return -1;
  int p = 0;
  for (int i = 0; i < fixed_; ++i) {
    p += Extent(i);
    if (pos < p) return i;
  }
  for (int i = first_; i < count_ && p < clientSize_; ++i) {
    p += Extent(i);
    if (pos < p) return i;
  }
  return -1;
}

int TGridAxis::FullVisibleCount() const {
  int n = 0;
  int pos = FixedExtent();
  for (int i = first_; i < count_ && Shows(pos, i); ++i) {
    ++n;
    pos += Extent(i);
  }
  return n == 0 && first_ < count_ ? 1 : n;
}

int TGridAxis::LastVisible() const {
  int last = -1;
  int pos = FixedExtent();
  for (int i = first_; i < count_ && pos < clientSize_; ++i) {
    last = i;
    pos += Extent(i);
  }
  return last;
}

int TGridAxis::MaxFirst() const {
  if (count_ <= fixed_) return fixed_;
  int room = clientSize_ - FixedExtent();
  int first = count_ - 1;
  int used = std::max(0, Size(first));
  while (first > fixed_ && used + Extent(first - 1) <= room) used += Extent(--first);
  return first;
}

bool TGridAxis::ScrollInView(int index) {
  if (index < fixed_ || index >= count_) return false;
  int old = first_;
  if (index < first_) {
    first_ = index;
  } else {
    int start = Start(index);
    if (start < 0 || !Shows(start, index)) {
      int room = clientSize_ - FixedExtent();
      int first = index;
      int used = std::max(0, Size(index));
      while (first > fixed_ && used + Extent(first - 1) <= room) used += Extent(--first);
      first_ = first;
    }
  }
  Clamp();
  return first_ != old;
}

void TGridAxis::Move(int from, int to) {
  if (from < 0 || to < 0 || from >= count_ || to >= count_ || from == to) return;
  int low = std::min(from, to), high = std::max(from, to);
  std::vector<int> sizes;
  for (int i = low; i <= high; ++i) sizes.push_back(Size(i));
  if (from < to)
    std::rotate(sizes.begin(), sizes.begin() + 1, sizes.end());
  else
    std::rotate(sizes.rbegin(), sizes.rbegin() + 1, sizes.rend());
  for (int i = low; i <= high; ++i) {
    if (sizes[i - low] == defaultSize_)
      sizes_.erase(i);
    else
      sizes_[i] = sizes[i - low];
  }
}

void TGridAxis::Clamp() {
  first_ = std::max(fixed_, std::min(first_, MaxFirst()));
}

void TGridGeometry::SetClientSize(int width, int height) {
  Cols.SetClientSize(width);
  Rows.SetClientSize(height);
}

RECT TGridGeometry::CellRect(int col, int row) const {
  int x = Cols.Start(col), y = Rows.Start(row);
  if (x < 0 || y < 0) return {0, 0, 0, 0};
  return {x, y, x + Cols.Size(col), y + Rows.Size(row)};
}

TGridCell TGridGeometry::CellAt(int x, int y) const {
  int col = Cols.At(x), row = Rows.At(y);
  if (col < 0 || row < 0) return {};
  return {col, row};
}

int TGridGeometry::ColBorderAt(int x) const {
  int found = -1;
  Cols.ForEachShown([&](int col, int start) {
    if (found >= 0 || col < Cols.Fixed()) return;
    int border = start + Cols.Size(col);
    if (x >= border - kBorderSlack && x < border + Cols.LineWidth() + kBorderSlack) found = col;
  });
  return found;
}
