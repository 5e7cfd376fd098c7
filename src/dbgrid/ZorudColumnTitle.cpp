#include "ZorudColumnTitle.h"
#include "DBGridColumnsHost.h"
#include "Field.h"
#include "ZorudColumn.h"

void TZorudColumnTitle::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Changed();
}

std::string TZorudColumnTitle::Caption() const {
  if (caption_) return *caption_;
  if (TField* field = column_.Field()) return field->DisplayName();
  return column_.FieldName();
}

void TZorudColumnTitle::SetCaption(const std::string& value) {
  TField* field = column_.Field();
  if (!column_.Stored() && field) field->DisplayLabel = value;
  else if (caption_ == value) return;
  else caption_ = value;
  Changed();
}

TColor TZorudColumnTitle::Color() const {
  if (color_) return *color_;
  TDBGridColumnsHost* grid = column_.Grid();
  return grid ? grid->GridFixedColor() : clBtnFace;
}

void TZorudColumnTitle::SetColor(TColor value) {
  if (color_ == value) return;
  color_ = value;
  Changed();
}

const TFont& TZorudColumnTitle::Font() const {
  if (font_) return *font_;
  TDBGridColumnsHost* grid = column_.Grid();
  return grid ? grid->GridTitleFont() : column_.Font();
}

void TZorudColumnTitle::SetFont(const TFont& value) {
  font_ = value;
  Changed();
}

void TZorudColumnTitle::RestoreDefaults() {
  bool assigned = alignment_ || caption_ || color_ || font_;
  alignment_.reset();
  caption_.reset();
  color_.reset();
  font_.reset();
  if (assigned) Changed();
}

void TZorudColumnTitle::Assign(const TZorudColumnTitle& other) {
  if (other.alignment_) alignment_ = other.alignment_;
  if (other.color_) color_ = other.color_;
  if (other.caption_) caption_ = other.caption_;
  if (other.font_) font_ = other.font_;
  Changed();
}

void TZorudColumnTitle::Changed() { column_.Changed(); }
