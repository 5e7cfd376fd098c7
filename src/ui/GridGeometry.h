#pragma once
#include <windows.h>
#include <map>

// One dimension of a grid: its columns or its rows. The first Fixed cells stay put; the others
// scroll, First being the first one shown after them. Each cell is followed by a line of
// LineWidth pixels. A cell keeps DefaultSize unless given its own size; a negative size hides
// it (no line either). Only the sizes that differ are stored, so a count of 100 000 costs
// nothing, and every position is found by walking from First over the cells shown.
class TGridAxis {
public:
  int Count() const { return count_; }
  void SetCount(int count);
  int Fixed() const { return fixed_; }
  void SetFixed(int fixed);
  int First() const { return first_; }
  // Clamped to the range that scrolling can reach.
  void SetFirst(int first);
  int DefaultSize() const { return defaultSize_; }
  // Forgets the sizes of single cells.
  void SetDefaultSize(int size);
  int LineWidth() const { return lineWidth_; }
  void SetLineWidth(int width);
  int ClientSize() const { return clientSize_; }
  void SetClientSize(int size);

  int Size(int index) const;
  void SetSize(int index, int size);
  // A cell with the line after it; 0 for a hidden cell.
  int Extent(int index) const;
  int FixedExtent() const;

  // Where the cell starts in the client area, or -1 when it is not shown.
  int Start(int index) const;
  // The cell shown at this position (its line included), or -1.
  int At(int pos) const;
  // Scrolling cells shown whole, from First (at least 1 while one exists).
  int FullVisibleCount() const;
  // The last cell shown at all, -1 when none is.
  int LastVisible() const;
  // The largest First that still fills the client area.
  int MaxFirst() const;
  // Makes First show the cell whole (as far as it fits); true when First changed.
  bool ScrollInView(int index);
  // The cell at from moves to to, the ones between shift by one.
  void Move(int from, int to);

  // f(index, start) for each cell shown: the fixed ones, then the scrolling ones from First.
  template <class F>
  void ForEachShown(F f) const {
    int pos = 0;
    auto visit = [&](int i) {
      int extent = Extent(i);
      if (extent > 0) f(i, pos);
      pos += extent;
    };
    for (int i = 0; i < fixed_ && pos < clientSize_; ++i) visit(i);
    for (int i = first_; i < count_ && pos < clientSize_; ++i) visit(i);
  }

private:
  bool Shows(int start, int index) const { return start + Size(index) <= clientSize_; }
  void Clamp();

  int count_ = 0, fixed_ = 0, first_ = 0;
  int defaultSize_ = 24, lineWidth_ = 1, clientSize_ = 0;
  std::map<int, int> sizes_;
};

struct TGridCell {
  int Col = -1;
  int Row = -1;
  bool operator==(const TGridCell& other) const { return Col == other.Col && Row == other.Row; }
  bool Valid() const { return Col >= 0 && Row >= 0; }
};

// The cell layout of a grid in its client area: columns across, rows down. No window needed.
class TGridGeometry {
public:
  TGridAxis Cols, Rows;

  void SetClientSize(int width, int height);
  // The cell's rectangle without its lines; empty when it is not shown.
  RECT CellRect(int col, int row) const;
  // The cell under the point, or an invalid one.
  TGridCell CellAt(int x, int y) const;
  // The scrolling column whose right border is within a few pixels of x, or -1.
  int ColBorderAt(int x) const;
};
