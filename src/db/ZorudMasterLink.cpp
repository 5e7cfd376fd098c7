#include "ZorudMasterLink.h"
#include <algorithm>
#include "ZorudDataset.h"

void TZorudMasterLink::SetFieldNames(const std::string& names) {
  if (names == fieldNames_) return;
  fieldNames_ = names;
  ActiveChanged();
}

void TZorudMasterLink::BuildFields() {
  fields_.clear();
  TZorudDataset* master = DataSet();
  if (!Active() || !master) return;
  for (const std::string& name : SplitZorudNames(fieldNames_)) fields_.push_back(master->FieldByName(name));
}

void TZorudMasterLink::ActiveChanged() {
  BuildFields();
  if (!detail_->Active() || detail_->Destroying()) return;
  if (Active() && HasFields()) {
    if (OnMasterChange) OnMasterChange();
  } else if (OnMasterDisable) {
    OnMasterDisable();
  }
}

void TZorudMasterLink::RecordChanged(TField* field) {
  TZorudDataset* master = DataSet();
  if (!master || master->State() == dsSetKey) return;
  if (!detail_->Active() || !HasFields()) return;
  if (field && std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
  if (OnMasterChange) OnMasterChange();
}

void TZorudMasterLink::CheckBrowseMode() {
  if (detail_->Active()) detail_->CheckBrowseMode();
}
