#pragma once
#include <functional>
#include <string>
#include <vector>
#include "DataSource.h"

class TZorudDataset;
class TField;

// Ties a detail dataset to the current record of its master source.
class TZorudMasterLink : public TDataLink {
public:
  explicit TZorudMasterLink(TZorudDataset* detail) : detail_(detail) {}

  TZorudDataset* Detail() const { return detail_; }
  const std::string& FieldNames() const { return fieldNames_; }
  void SetFieldNames(const std::string& names);
  const std::vector<TField*>& Fields() const { return fields_; }
  bool HasFields() const { return !fields_.empty(); }

  std::function<void()> OnMasterChange;
  std::function<void()> OnMasterDisable;

protected:
  void ActiveChanged() override;
  void RecordChanged(TField* field) override;
  void CheckBrowseMode() override;

private:
  void BuildFields();

  TZorudDataset* detail_;
  std::string fieldNames_;
  std::vector<TField*> fields_;
};
