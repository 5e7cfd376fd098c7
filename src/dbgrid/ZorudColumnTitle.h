#pragma once
#include <optional>
#include <string>
#include "Alignment.h"
#include "Font.h"

class TZorudColumn;

// A column's title cell: each setting follows the column, its field or the grid until assigned.
class TZorudColumnTitle {
public:
  explicit TZorudColumnTitle(TZorudColumn& column) : column_(column) {}
  TZorudColumnTitle(const TZorudColumnTitle&) = delete;
  TZorudColumnTitle& operator=(const TZorudColumnTitle&) = delete;

  TAlignment Alignment() const { return alignment_.value_or(taCenter); }
  void SetAlignment(TAlignment value);
  std::string Caption() const;
  void SetCaption(const std::string& value);
  TColor Color() const;
  void SetColor(TColor value);
  const TFont& Font() const;
  void SetFont(const TFont& value);

  bool AlignmentAssigned() const { return alignment_.has_value(); }
  bool CaptionAssigned() const { return caption_.has_value(); }
  bool ColorAssigned() const { return color_.has_value(); }
  bool FontAssigned() const { return font_.has_value(); }

  void RestoreDefaults();
  // Copies the assigned settings.
  void Assign(const TZorudColumnTitle& other);

private:
  void Changed();

  TZorudColumn& column_;
  std::optional<TAlignment> alignment_;
  std::optional<std::string> caption_;
  std::optional<TColor> color_;
  std::optional<TFont> font_;
};
