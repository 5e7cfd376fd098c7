#pragma once
#include <functional>
#include <string>
#include <vector>
#include "DateUtils.h"

class TZorudDataset;
struct TZorudRecord;
struct TZorudField;

enum TFieldType {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency,
  ftDate, ftTime, ftDateTime, ftAutoInc, ftBlob, ftMemo, ftFmtMemo, ftGraphic
};
enum TFieldKind { fkData, fkCalculated };
#include "Alignment.h"


struct TFieldDef {
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;
  bool Required = false;
};

class TFieldDefs {
public:
  void Add(const std::string& name, TFieldType type, int size = 0, bool required = false);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  const TFieldDef& operator[](int i) const { return items_[i]; }
  int IndexOf(const std::string& name) const;  // case-insensitive
  const std::vector<TFieldDef>& Items() const { return items_; }
  std::function<void()> OnChange;

private:
  std::vector<TFieldDef> items_;
};

// A field of a dataset. Data fields bind to the table's descriptor of the same name (any case);
// calculated fields live in the dataset's calculated area. Values are read from and written to
// the dataset's active record.
class TField {
public:
  TField(TZorudDataset* dataset, std::string fieldName, TFieldType type, int size, TFieldKind kind = fkData);

  TZorudDataset* DataSet() const { return dataset_; }
  const std::string& FieldName() const { return name_; }
  TFieldType DataType() const { return type_; }
  int Size() const { return size_; }
  TFieldKind FieldKind() const { return kind_; }
  bool Calculated() const { return kind_ == fkCalculated; }
  std::string DisplayName() const { return DisplayLabel.empty() ? name_ : DisplayLabel; }
  bool IsBlob() const { return type_ >= ftBlob; }
  bool IsText() const { return type_ == ftString || type_ == ftMemo || type_ == ftFmtMemo; }
  int Index() const;  // position in the dataset's field list; -1 when not in it
  // A stored value that an edit may change (the table and the field writable).
  bool CanModify() const;
  // The characters a column needs to show the value: by type until set. A change is a layout
  // change of the dataset.
  int DisplayWidth() const;
  void SetDisplayWidth(int width);
  void FocusControl();

  bool IsNull() const;
  std::string AsString() const;
  int AsInteger() const;
  double AsFloat() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;
  std::string Text() const { return AsString(); }
  // As shown: floats by DisplayFormat ("0.######": up to six decimals), the rest as AsString.
  std::string DisplayText() const;

  void SetAsString(const std::string& value);
  void SetAsInteger(int value);
  void SetAsFloat(double value);
  void SetAsBoolean(bool value);
  void SetAsDateTime(TDateTime value);
  void Clear();

  // The value of this field in a given record (the dataset's layout), as text.
  std::string TextOf(const TZorudRecord& record) const;
  // Stores text as this field's value in a record, converted by the field's type.
  void StoreText(TZorudRecord& record, const std::string& text) const;

  std::string DisplayLabel;
  std::string DefaultExpression;
  std::string DisplayFormat;
  bool ReadOnly = false;
  bool Required = false;
  bool Visible = true;
  TAlignment Alignment = taLeftJustify;

  // Set by the dataset when it binds the field: its descriptor in the store or calculated area.
  int Binding = -1;
  const TZorudField* Descriptor() const;

private:
  bool ValueOf(const TZorudRecord& record, const TZorudField& f) const;

  TZorudDataset* dataset_;
  std::string name_;
  TFieldType type_;
  int size_;
  TFieldKind kind_;
  int displayWidth_ = -1;
};
