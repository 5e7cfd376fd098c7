#include "Font.h"

TFont::~TFont() {
  if (handle_) DeleteObject(handle_);
}

TFont& TFont::operator=(const TFont& other) {
  Name = other.Name;
  Size = other.Size;
  Color = other.Color;
  Style = other.Style;
  return *this;
}

HFONT TFont::Handle() const {
  if (handle_ && madeName_ == Name && madeSize_ == Size && madeStyle_ == Style) return handle_;
  if (handle_) DeleteObject(handle_);
  HDC screen = GetDC(nullptr);
  int height = -MulDiv(Size, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  handle_ = CreateFontA(height, 0, 0, 0, (Style & fsBold) ? FW_BOLD : FW_NORMAL, (Style & fsItalic) != 0,
                        (Style & fsUnderline) != 0, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                        Name.c_str());
  madeName_ = Name;
  madeSize_ = Size;
  madeStyle_ = Style;
  return handle_ ? handle_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}
