#include "GridPaintBuffer.h"

namespace {
struct TShared {
  int users = 0;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  int width = 0, height = 0;
};

TShared& Shared() {
  static TShared shared;
  return shared;
}

void FreeBitmap(TShared& s) {
  if (!s.bitmap) return;
  SelectObject(s.dc, s.oldBitmap);
  DeleteObject(s.bitmap);
  s.bitmap = nullptr;
  s.width = s.height = 0;
}
}

TGridPaintBuffer::TGridPaintBuffer() {
  TShared& s = Shared();
  if (s.users++ == 0) s.dc = CreateCompatibleDC(nullptr);
}

TGridPaintBuffer::~TGridPaintBuffer() {
  TShared& s = Shared();
  if (--s.users > 0) return;
  if (s.dc) {
    FreeBitmap(s);
    DeleteDC(s.dc);
  }
  s.dc = nullptr;
}

HDC TGridPaintBuffer::Prepare(HDC dc, int width, int height) {
  TShared& s = Shared();
  if (!s.dc) return nullptr;
  if (width <= s.width && height <= s.height) return s.dc;
  int w = width > s.width ? width : s.width;
  int h = height > s.height ? height : s.height;
  HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
  if (!bitmap) return nullptr;
  FreeBitmap(s);
  s.bitmap = bitmap;
  s.oldBitmap = SelectObject(s.dc, bitmap);
  s.width = w;
  s.height = h;
  return s.dc;
}

int TGridPaintBuffer::Users() { return Shared().users; }

bool TGridPaintBuffer::Allocated() { return Shared().dc != nullptr; }
