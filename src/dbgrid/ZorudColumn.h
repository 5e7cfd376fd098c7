#pragma once
#include <memory>
#include <optional>
#include <string>
#include "Alignment.h"
#include "Font.h"
#include "StringList.h"
#include "ZorudColumnTitle.h"

class TDBGridColumnsHost;
class TField;
class TPopupMenu;
class TZorudDataset;
class TZorudDBGridColumns;

enum TZorudColumnButtonStyle { cbsCombo, cbsLookup, cbsCalendar, cbsCheck, cbsEllipsis, cbsCalculator, cbsNone };
enum TSortMarker { smNone, smDown, smUp };

// One column of a data grid: the field it shows and its look, each setting following the grid
// or the field until assigned. Stored columns are the user's; generated ones the grid makes from
// the dataset's fields and writes some settings through to the field.
class TZorudColumn {
public:
  TZorudColumn(TZorudDBGridColumns& collection, bool stored);
  TZorudColumn(const TZorudColumn&) = delete;
  TZorudColumn& operator=(const TZorudColumn&) = delete;

  TZorudDBGridColumns& Collection() const { return collection_; }
  TDBGridColumnsHost* Grid() const;
  int Index() const;
  void SetIndex(int index);
  bool Stored() const { return stored_; }

  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& name);
  // Looked up by name when first asked for, once the dataset has its fields.
  TField* Field();
  void SetField(TField* field);
  // Forgets the field, to look it up by name again.
  void DropField() { field_ = nullptr; }

  TAlignment Alignment();
  void SetAlignment(TAlignment value);
  TZorudColumnButtonStyle ButtonStyle() const { return buttonStyle_; }
  void SetButtonStyle(TZorudColumnButtonStyle value);
  bool AutoDropDown() const { return autoDropDown_; }
  void SetAutoDropDown(bool value) { autoDropDown_ = value; }
  bool CanClick() const { return canClick_; }
  void SetCanClick(bool value);
  TColor Color() const;
  void SetColor(TColor value);
  unsigned DropDownRows() const { return dropDownRows_; }
  void SetDropDownRows(unsigned value) { dropDownRows_ = value; }
  unsigned DropDownWidth() const { return dropDownWidth_; }
  void SetDropDownWidth(unsigned value) { dropDownWidth_ = value; }
  const TFont& Font() const;
  void SetFont(const TFont& value);
  bool LongTextAsHint() const { return longTextAsHint_; }
  void SetLongTextAsHint(bool value) { longTextAsHint_ = value; }
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }
  bool ReadOnly();
  void SetReadOnly(bool value);
  TZorudColumnTitle& Title() { return title_; }
  const TZorudColumnTitle& Title() const { return title_; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool WrapText() const { return wrapText_; }
  void SetWrapText(bool value);

  // -1 while the column is not showing; a value set then is kept for when it shows again.
  int Width();
  // -1 is ignored; any other negative width is kept as 0.
  void SetWidth(int value);
  int DefaultWidth();

  // The pick list's display texts and the stored values they stand for, by index: made when
  // first read; setting none frees them.
  TStringList& PickList();
  void SetPickList(const TStringList* list);
  bool HasPickList() const { return pickList_ != nullptr; }
  TStringList& PickValues();
  void SetPickValues(const TStringList* list);
  bool HasPickValues() const { return pickValues_ != nullptr; }
  // A combo column whose lists match shows a field's text as its pick-list entry (empty for a
  // value not listed) and stores an entry's value (empty for text not listed); otherwise text
  // passes unchanged.
  std::string PickDisplayText(const std::string& fieldText) const;
  std::string PickStoredText(const std::string& shownText) const;

  const std::string& ValueChecked() const { return valueChecked_; }
  void SetValueChecked(const std::string& value);
  const std::string& ValueUnChecked() const { return valueUnChecked_; }
  void SetValueUnChecked(const std::string& value);

  TZorudDataset* LookupDataSet() const { return lookupDataSet_; }
  // Refuses the dataset of the column's own field.
  void SetLookupDataSet(TZorudDataset* dataset);
  const std::string& LookupKeyField() const { return lookupKeyField_; }
  void SetLookupKeyField(const std::string& name);
  const std::string& LookupLinkField() const { return lookupLinkField_; }
  void SetLookupLinkField(const std::string& name);
  const std::string& LookupDropDownFields() const { return lookupDropDownFields_; }
  // Its first name is the result field.
  void SetLookupDropDownFields(const std::string& names);
  const std::string& LookupResultField() const { return lookupResultField_; }
  bool LookupReady() const;
  // The text of a lookup column for the grid dataset's current record.
  std::string LookupValue();

  TSortMarker SortMarker() const { return sortMarker_; }
  void SetSortMarker(TSortMarker marker) { sortMarker_ = marker; }
  bool Pressed() const { return pressed_; }
  void SetPressed(bool value) { pressed_ = value; }

  // The table engine has no object fields: every column is at depth 0 and never expands.
  bool Showing() const { return visible_; }
  int Depth() const { return 0; }
  TZorudColumn* ParentColumn() const { return nullptr; }
  bool Expandable() const { return false; }
  bool Expanded() const { return false; }
  void SetExpanded(bool) {}

  bool ColorAssigned() const { return color_.has_value(); }
  bool WidthAssigned() const { return width_.has_value(); }
  bool FontAssigned() const { return font_.has_value(); }
  bool AlignmentAssigned() const { return alignment_.has_value(); }
  bool ReadOnlyAssigned() const { return readOnly_.has_value(); }

  void RestoreDefaults();
  void Assign(const TZorudColumn& other);

  // This column's cells changed; a general change rebuilds the grid.
  void Changed(bool general = false);
  void Invalidate();

private:
  TZorudDataset* GridDataSet() const;
  bool PickListsMatch() const;

  TZorudDBGridColumns& collection_;
  bool stored_;
  std::string fieldName_;
  TField* field_ = nullptr;
  TZorudColumnTitle title_{*this};
  TZorudColumnButtonStyle buttonStyle_ = cbsNone;
  bool autoDropDown_ = false;
  bool canClick_ = false;
  unsigned dropDownRows_ = 10;
  unsigned dropDownWidth_ = 0;
  bool longTextAsHint_ = false;
  TPopupMenu* popupMenu_ = nullptr;
  bool visible_ = true;
  bool wrapText_ = false;
  std::unique_ptr<TStringList> pickList_, pickValues_;
  std::string valueChecked_, valueUnChecked_;
  TZorudDataset* lookupDataSet_ = nullptr;
  std::string lookupKeyField_, lookupLinkField_, lookupDropDownFields_, lookupResultField_;
  TSortMarker sortMarker_ = smNone;
  bool pressed_ = false;

  std::optional<TColor> color_;
  std::optional<int> width_;
  std::optional<TFont> font_;
  std::optional<TAlignment> alignment_;
  std::optional<bool> readOnly_;
};
