#pragma once
#include <windows.h>
#include <string>

class TFont;

// Measures text in a font on a borrowed screen device context, for layout done with or
// without a window.
class TTextMeasure {
public:
  explicit TTextMeasure(const TFont& font);
  ~TTextMeasure();
  TTextMeasure(const TTextMeasure&) = delete;
  TTextMeasure& operator=(const TTextMeasure&) = delete;

  int TextWidth(const std::string& text) const;
  int TextHeight(const std::string& text) const;
  int AveCharWidth() const { return metrics_.tmAveCharWidth; }
  int Overhang() const { return metrics_.tmOverhang; }

private:
  SIZE Extent(const std::string& text) const;

  HDC dc_;
  HGDIOBJ oldFont_;
  TEXTMETRICA metrics_{};
};
