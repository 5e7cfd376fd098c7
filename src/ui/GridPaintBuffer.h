#pragma once
#include <windows.h>

// The off-screen bitmap every grid of the process paints through, so that a repaint does not
// flicker. Each grid holds one of these: the first made creates the memory device context, the
// last destroyed frees it and its bitmap. The bitmap only grows, to the largest area painted.
// User-interface thread only.
class TGridPaintBuffer {
public:
  TGridPaintBuffer();
  ~TGridPaintBuffer();
  TGridPaintBuffer(const TGridPaintBuffer&) = delete;
  TGridPaintBuffer& operator=(const TGridPaintBuffer&) = delete;

  // The memory device context, with a bitmap like dc's of at least width by height selected;
  // nullptr when the platform has no memory for it.
  HDC Prepare(HDC dc, int width, int height);

  // How many grids hold the buffer now.
  static int Users();
  // Whether the device context exists (it lives from the first user to the last).
  static bool Allocated();
};
