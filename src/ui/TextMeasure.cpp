#include "TextMeasure.h"
#include "Font.h"

TTextMeasure::TTextMeasure(const TFont& font) : dc_(GetDC(nullptr)) {
  oldFont_ = SelectObject(dc_, font.Handle());
  GetTextMetricsA(dc_, &metrics_);
}

TTextMeasure::~TTextMeasure() {
  SelectObject(dc_, oldFont_);
  ReleaseDC(nullptr, dc_);
}

SIZE TTextMeasure::Extent(const std::string& text) const {
  SIZE size{};
  GetTextExtentPoint32A(dc_, text.c_str(), int(text.size()), &size);
  return size;
}

int TTextMeasure::TextWidth(const std::string& text) const { return Extent(text).cx; }

int TTextMeasure::TextHeight(const std::string& text) const { return Extent(text).cy; }
