#pragma once
#include <string>
#include <vector>
#include "DataSource.h"

class TDBGridHost;

// A data grid's link to its data source: passes the dataset's notifications on to the grid and
// maps the grid's column positions to the dataset's fields.
class TGridDataLink : public TDataLink {
public:
  static constexpr int MaxMapSize = 256;

  explicit TGridDataLink(TDBGridHost& grid) : grid_(grid) {}

  TDBGridHost& Grid() const { return grid_; }

  // A sparse map (customised columns) keeps an unmapped entry for a name the dataset lacks; a
  // full map lets the dataset refuse it.
  bool SparseMap() const { return sparseMap_; }
  void SetSparseMap(bool on) { sparseMap_ = on; }
  bool AddMapping(const std::string& fieldName);  // whether the field was found
  void ClearMapping() { map_.clear(); }
  TField* Fields(int index) const;  // none when out of range or unmapped
  int FieldCount() const { return int(map_.size()); }
  // The dataset's fields were made by its open, and every mapped name was found.
  bool DefaultFields() const;

  // The grid's editor text differs from its field.
  void Modified() { modified_ = true; }
  bool EditModified() const { return modified_; }
  // Throws the editor's text away when it was changed, else cancels the dataset's edit.
  void Reset();
  bool InUpdateData() const { return inUpdateData_; }
  // The grid commits its editor's text to the field, when it was changed.
  void UpdateRecord() { UpdateData(); }
  // Set while the grid rebuilds its layout because the dataset's changed.
  bool LayoutFromDataSet() const { return layoutFromDataSet_; }

  void FocusControl(TField*& field) override;

protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;

private:
  TDBGridHost& grid_;
  std::vector<int> map_;  // index in the dataset's field list, -1 for a name not found
  bool sparseMap_ = false;
  bool modified_ = false;
  bool inUpdateData_ = false;
  bool layoutFromDataSet_ = false;
};
