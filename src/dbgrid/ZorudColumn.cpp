#include "ZorudColumn.h"
#include <algorithm>
#include "DBGridColumnsHost.h"
#include "DbError.h"
#include "Field.h"
#include "GridDataLink.h"
#include "TextMeasure.h"
#include "ZorudDBGridColumns.h"
#include "ZorudDataset.h"

namespace {

constexpr int WidthWithoutGrid = 64;

const TFont& StandaloneFont() {
  static const TFont font;
  return font;
}

}  // namespace

TZorudColumn::TZorudColumn(TZorudDBGridColumns& collection, bool stored)
    : collection_(collection), stored_(stored) {}

TDBGridColumnsHost* TZorudColumn::Grid() const { return collection_.Grid(); }

int TZorudColumn::Index() const { return collection_.IndexOf(this); }

void TZorudColumn::SetIndex(int index) { collection_.Move(Index(), index); }

TZorudDataset* TZorudColumn::GridDataSet() const {
  TDBGridColumnsHost* grid = Grid();
  return grid ? grid->GridDataLink().DataSet() : nullptr;
}

void TZorudColumn::SetFieldName(const std::string& name) {
  TField* field = nullptr;
  TZorudDataset* ds = GridDataSet();
  if (ds && !name.empty() && !(Grid()->GridLoading())) field = ds->FindField(name);
  fieldName_ = name;
  field_ = field;
  Changed(true);
}

TField* TZorudColumn::Field() {
  if (!field_ && !fieldName_.empty()) {
    TZorudDataset* ds = GridDataSet();
    if (ds && (ds->Active() || !ds->DefaultFields())) field_ = ds->FindField(fieldName_);
  }
  return field_;
}

void TZorudColumn::SetField(TField* field) {
  if (field_ == field) return;
  field_ = field;
  if (field) fieldName_ = field->FieldName();
  if (!stored_) {
    if (!field) fieldName_.clear();
    RestoreDefaults();
  }
  Changed(true);
}

TAlignment TZorudColumn::Alignment() {
  if (alignment_) return *alignment_;
  TField* field = Field();
  if (buttonStyle_ == cbsCombo || buttonStyle_ == cbsLookup || !field) return taLeftJustify;
  return field->Alignment;
}

void TZorudColumn::SetAlignment(TAlignment value) {
  TField* field = Field();
  if (!stored_ && field && buttonStyle_ != cbsCombo && buttonStyle_ != cbsLookup) field->Alignment = value;
  else if (alignment_ == value) return;
  else alignment_ = value;
  Changed();
}

void TZorudColumn::SetButtonStyle(TZorudColumnButtonStyle value) {
  if (buttonStyle_ == value) return;
  buttonStyle_ = value;
  Changed();
}

void TZorudColumn::SetCanClick(bool value) {
  if (canClick_ == value) return;
  canClick_ = value;
  Changed();
}

TColor TZorudColumn::Color() const {
  if (color_) return *color_;
  TDBGridColumnsHost* grid = Grid();
  return grid ? grid->GridColor() : clWindow;
}

void TZorudColumn::SetColor(TColor value) {
  if (color_ == value) return;
  color_ = value;
  Changed();
}

const TFont& TZorudColumn::Font() const {
  if (font_) return *font_;
  TDBGridColumnsHost* grid = Grid();
  return grid ? grid->GridFont() : StandaloneFont();
}

void TZorudColumn::SetFont(const TFont& value) {
  font_ = value;
  Changed();
}

bool TZorudColumn::ReadOnly() {
  if (readOnly_) return *readOnly_;
  TDBGridColumnsHost* grid = Grid();
  TField* field = Field();
  return (grid && grid->GridReadOnly()) || (field && field->ReadOnly);
}

void TZorudColumn::SetReadOnly(bool value) {
  TField* field = Field();
  if (!stored_ && field) field->ReadOnly = value;
  else if (readOnly_ == value) return;
  else readOnly_ = value;
  Changed();
}

void TZorudColumn::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  Changed(true);
}

void TZorudColumn::SetWrapText(bool value) {
  if (wrapText_ == value) return;
  wrapText_ = value;
  Changed();
}

int TZorudColumn::Width() {
  if (!Showing()) return -1;
  return width_ ? *width_ : DefaultWidth();
}

void TZorudColumn::SetWidth(int value) {
  if (value == -1) return;
  value = std::max(value, 0);
  TDBGridColumnsHost* grid = Grid();
  if (!stored_) {
    TField* field = Field();
    if (grid && grid->GridHasWindow() && field && grid->GridUpdatesFields()) {
      TTextMeasure measure(Font());
      int average = std::max(measure.AveCharWidth(), 1);
      field->SetDisplayWidth(std::max(1, (value + average / 2 - measure.Overhang() - 3) / average));
    }
    if (grid && grid->GridDataLink().LayoutFromDataSet() && !width_) return;
  } else if (!width_ && value == DefaultWidth()) {
    return;
  }
  width_ = value;
  Changed();
}

int TZorudColumn::DefaultWidth() {
  TDBGridColumnsHost* grid = Grid();
  if (!grid) return WidthWithoutGrid;
  TField* field = Field();
  if (!field) return grid->GridDefaultColWidth();
  TTextMeasure measure(Font());
  int overhang = measure.Overhang();
  int width = (measure.TextWidth("0") - overhang) * field->DisplayWidth() + overhang + 4;
  if (grid->GridShowsTitles()) {
    TTextMeasure titleMeasure(title_.Font());
    width = std::max(width, titleMeasure.TextWidth(title_.Caption()) + 4);
  }
  return width;
}

TStringList& TZorudColumn::PickList() {
  if (!pickList_) pickList_ = std::make_unique<TStringList>();
  return *pickList_;
}

void TZorudColumn::SetPickList(const TStringList* list) {
  if (list) PickList() = *list;
  else pickList_.reset();
}

TStringList& TZorudColumn::PickValues() {
  if (!pickValues_) pickValues_ = std::make_unique<TStringList>();
  return *pickValues_;
}

void TZorudColumn::SetPickValues(const TStringList* list) {
  if (list) PickValues() = *list;
  else pickValues_.reset();
}

bool TZorudColumn::PickListsMatch() const {
  return buttonStyle_ == cbsCombo && pickList_ && pickValues_ && pickList_->Count() > 0 &&
         pickList_->Count() == pickValues_->Count();
}

std::string TZorudColumn::PickDisplayText(const std::string& fieldText) const {
  if (!PickListsMatch()) return fieldText;
  int i = pickValues_->IndexOf(fieldText);
  return i >= 0 ? (*pickList_)[i] : std::string();
}

std::string TZorudColumn::PickStoredText(const std::string& shownText) const {
  if (!PickListsMatch()) return shownText;
  int i = pickList_->IndexOf(shownText);
  return i >= 0 ? (*pickValues_)[i] : std::string();
}

void TZorudColumn::SetValueChecked(const std::string& value) {
  if (valueChecked_ == value) return;
  valueChecked_ = value;
  if (buttonStyle_ == cbsCheck) Invalidate();
}

void TZorudColumn::SetValueUnChecked(const std::string& value) {
  if (valueUnChecked_ == value) return;
  valueUnChecked_ = value;
  if (buttonStyle_ == cbsCheck) Invalidate();
}

void TZorudColumn::SetLookupDataSet(TZorudDataset* dataset) {
  if (lookupDataSet_ == dataset) return;
  TField* field = Field();
  if (dataset && field && field->DataSet() == dataset) {
    TDBGridColumnsHost* grid = Grid();
    throw EDatabaseError("Lookup Dataset cannot be equal to Source DataSet", grid ? grid->GridComponent() : nullptr);
  }
  lookupDataSet_ = dataset;
  if (buttonStyle_ == cbsLookup) Invalidate();
}

void TZorudColumn::SetLookupKeyField(const std::string& name) {
  if (lookupKeyField_ == name) return;
  lookupKeyField_ = name;
  if (buttonStyle_ == cbsLookup) Invalidate();
}

void TZorudColumn::SetLookupLinkField(const std::string& name) {
  if (lookupLinkField_ == name) return;
  lookupLinkField_ = name;
  if (buttonStyle_ == cbsLookup) Invalidate();
}

void TZorudColumn::SetLookupDropDownFields(const std::string& names) {
  if (lookupDropDownFields_ == names) return;
  lookupDropDownFields_ = names;
  lookupResultField_ = names.substr(0, names.find(';'));
  if (buttonStyle_ == cbsLookup) Invalidate();
}

bool TZorudColumn::LookupReady() const {
  return lookupDataSet_ && lookupDataSet_->Active() && !lookupLinkField_.empty() &&
         !lookupDropDownFields_.empty() && !lookupKeyField_.empty();
}

std::string TZorudColumn::LookupValue() {
  TZorudDataset* ds = GridDataSet();
  if (!ds || !LookupReady()) return {};
  if (lookupLinkField_ == lookupResultField_) {
    TField* own = ds->FindField(fieldName_);
    return own && !own->IsNull() ? own->DisplayText() : std::string();
  }
  TField* key = ds->FindField(lookupKeyField_);
  if (!key || key->IsNull()) return {};
  std::vector<std::optional<std::string>> found =
      lookupDataSet_->Lookup(lookupLinkField_, {key->AsString()}, lookupResultField_);
  return !found.empty() && found[0] ? *found[0] : std::string();
}

void TZorudColumn::RestoreDefaults() {
  title_.RestoreDefaults();
  color_.reset();
  width_.reset();
  font_.reset();
  alignment_.reset();
  readOnly_.reset();
  pickList_.reset();
  pickValues_.reset();
  buttonStyle_ = cbsNone;
  canClick_ = false;
  longTextAsHint_ = false;
  Changed();
}

void TZorudColumn::Assign(const TZorudColumn& other) {
  TColumnsUpdate update(collection_);
  RestoreDefaults();
  fieldName_ = other.fieldName_;
  field_ = nullptr;
  color_ = other.color_;
  width_ = other.width_;
  font_ = other.font_;
  alignment_ = other.alignment_;
  readOnly_ = other.readOnly_;
  title_.Assign(other.title_);
  dropDownRows_ = other.dropDownRows_;
  dropDownWidth_ = other.dropDownWidth_;
  canClick_ = other.canClick_;
  longTextAsHint_ = other.longTextAsHint_;
  buttonStyle_ = other.buttonStyle_;
  SetPickList(other.pickList_.get());
  SetPickValues(other.pickValues_.get());
  lookupDropDownFields_ = other.lookupDropDownFields_;
  lookupResultField_ = other.lookupResultField_;
  lookupKeyField_ = other.lookupKeyField_;
  lookupLinkField_ = other.lookupLinkField_;
  lookupDataSet_ = other.lookupDataSet_;
  popupMenu_ = other.popupMenu_;
  visible_ = other.visible_;
  Changed(true);
}

void TZorudColumn::Changed(bool general) { collection_.Update(general ? nullptr : this); }

void TZorudColumn::Invalidate() {
  if (TDBGridColumnsHost* grid = Grid()) grid->InvalidateColumn(*this);
}
