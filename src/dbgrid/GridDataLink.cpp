#include "GridDataLink.h"
#include <algorithm>
#include "DBGridHost.h"
#include "GridError.h"
#include "ZorudDataset.h"

namespace {

// Holds a flag up for a scope, then puts back what it was.
class TFlagScope {
public:
  TFlagScope(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
  ~TFlagScope() { flag_ = saved_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

private:
  bool& flag_;
  bool saved_;
};

}  // namespace

bool TGridDataLink::AddMapping(const std::string& fieldName) {
  if (FieldCount() >= MaxMapSize) throw EInvalidGridOperation("Grid requested to display more than 256 columns");
  TZorudDataset* ds = DataSet();
  if (!ds && !sparseMap_) throw EInvalidGridOperation("Cannot perform this operation on a closed dataset");
  TField* field = nullptr;
  if (ds) field = sparseMap_ ? ds->FindField(fieldName) : ds->FieldByName(fieldName);
  if (map_.size() == map_.capacity()) map_.reserve(std::min<size_t>(MaxMapSize, map_.empty() ? 8 : map_.size() * 2));
  map_.push_back(field ? field->Index() : -1);
  return field != nullptr;
}

TField* TGridDataLink::Fields(int index) const {
  TZorudDataset* ds = DataSet();
  if (!ds || index < 0 || index >= FieldCount()) return nullptr;
  int i = map_[index];
  return i >= 0 && i < ds->FieldCount() ? ds->Fields()[i] : nullptr;
}

bool TGridDataLink::DefaultFields() const {
  TZorudDataset* ds = DataSet();
  if (ds && !ds->DefaultFields()) return false;
  return !sparseMap_ || std::find(map_.begin(), map_.end(), -1) == map_.end();
}

void TGridDataLink::Reset() {
  if (modified_) RecordChanged(nullptr);
  else if (TZorudDataset* ds = DataSet()) ds->Cancel();
}

void TGridDataLink::FocusControl(TField*& field) {
  if (field && grid_.FocusField(field)) field = nullptr;
}

void TGridDataLink::ActiveChanged() {
  grid_.LinkActive(Active());
  modified_ = false;
}

void TGridDataLink::DataSetChanged() {
  grid_.DataChanged();
  modified_ = false;
}

void TGridDataLink::DataSetScrolled(int distance) { grid_.Scroll(distance); }

void TGridDataLink::EditingChanged() { grid_.EditingChanged(); }

void TGridDataLink::LayoutChanged() {
  {
    // A default column's width then fits its title as well as its field.
    TFlagScope fromDataSet(layoutFromDataSet_, true);
    grid_.LayoutChanged();
  }
  TDataLink::LayoutChanged();
}

void TGridDataLink::RecordChanged(TField* field) {
  grid_.RecordChanged(field);
  modified_ = false;
}

void TGridDataLink::UpdateData() {
  TFlagScope inUpdate(inUpdateData_, true);
  if (modified_) grid_.UpdateData();
  modified_ = false;
}
