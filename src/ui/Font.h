#pragma once
#include <windows.h>
#include <string>
#include "Control.h"

using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1, fsItalic = 2, fsUnderline = 4;

// A font description (name, size in points, colour, style) and the platform font made from it.
class TFont {
public:
  TFont() = default;
  TFont(const std::string& name, int size, TColor color = clWindowText, TFontStyles style = 0)
      : Name(name), Size(size), Color(color), Style(style) {}
  ~TFont();
  TFont(const TFont& other) : Name(other.Name), Size(other.Size), Color(other.Color), Style(other.Style) {}
  TFont& operator=(const TFont& other);

  std::string Name = "MS Shell Dlg";
  int Size = 8;
  TColor Color = clWindowText;
  TFontStyles Style = 0;

  // Made when first asked for, and again after a setting changed; owned by the font.
  HFONT Handle() const;

private:
  mutable HFONT handle_ = nullptr;
  mutable std::string madeName_;
  mutable int madeSize_ = 0;
  mutable TFontStyles madeStyle_ = 0;
};
