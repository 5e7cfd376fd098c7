// Moving through the view, and changing records: edit, insert, post, cancel, delete, and the
// changes counted until a save, commit or rollback.
#include "ZorudDataset.h"
#include <algorithm>
#include "DateUtils.h"
#include "SysUtils.h"
#include "UniqueKey.h"
#include "ZorudMasterLink.h"
#include "ZorudTable.h"

// ---- moving ----

void TZorudDataset::MoveTo(int index) {
  if (BeforeScroll) BeforeScroll(*this);
  cur_ = index;
  bof_ = eof_ = false;
  Resync();
  DataEvent(deDataSetChange);
  if (AfterScroll) AfterScroll(*this);
}

void TZorudDataset::First() {
  CheckBrowseMode();
  if (BeforeScroll) BeforeScroll(*this);
  cur_ = view_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = view_.empty();
  Resync();
  DataEvent(deDataSetChange);
  if (AfterScroll) AfterScroll(*this);
}

void TZorudDataset::Last() {
  CheckBrowseMode();
  if (BeforeScroll) BeforeScroll(*this);
  cur_ = int(view_.size()) - 1;
  eof_ = true;
  bof_ = view_.empty();
  Resync();
  DataEvent(deDataSetChange);
  if (AfterScroll) AfterScroll(*this);
}

int TZorudDataset::MoveBy(int distance) {
  CheckBrowseMode();
  int moved = 0;
  if (BeforeScroll) BeforeScroll(*this);
  if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
    bof_ = eof_ = false;
    while (distance > 0) {
      if (cur_ + 1 < int(view_.size())) {
        ++cur_;
        ++moved;
        --distance;
      } else {
        eof_ = true;
        break;
      }
    }
    while (distance < 0) {
      if (cur_ > 0) {
        --cur_;
        --moved;
        ++distance;
      } else {
        bof_ = true;
        break;
      }
    }
    if (view_.empty()) bof_ = eof_ = true;
    Resync();
    if (moved) DataEvent(deDataSetScroll);
  }
  if (AfterScroll) AfterScroll(*this);
  return moved;
}

void TZorudDataset::Next() { MoveBy(1); }
void TZorudDataset::Prior() { MoveBy(-1); }

int TZorudDataset::RecordCount() const { return Active() ? int(view_.size()) : 0; }

int TZorudDataset::RecNo() const {
  if (state_ == dsInsert) return -1;
  return cur_ + 1;
}

void TZorudDataset::SetRecNo(int number) {
  CheckActive();
  CheckBrowseMode();
  if (view_.empty()) return;
  number = std::clamp(number, 1, int(view_.size()));
  if (number != cur_ + 1) MoveTo(number - 1);
}

// ---- changing ----

void TZorudDataset::SetState(TDataSetState state) {
  if (state == state_) return;
  state_ = state;
  modified_ = false;
  DataEvent(deUpdateState);
}

void TZorudDataset::ChangeStep(int delta) {
  if (delta > 0) {
    if (changeCount_++ == 0 && OnNeedToSaveChange) OnNeedToSaveChange(*this);
    if (database_) database_->AddChanged(this);
  } else if (changeCount_ > 0 && --changeCount_ == 0) {
    if (database_) database_->RemoveChanged(this);
    if (OnNeedToSaveChange) OnNeedToSaveChange(*this);
  }
}

void TZorudDataset::ResetChanges() {
  changeCount_ = 0;
  if (database_) database_->RemoveChanged(this);
  if (OnNeedToSaveChange) OnNeedToSaveChange(*this);
}

void TZorudDataset::Edit() {
  CheckActive();
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (view_.empty()) {
    Insert();
    return;
  }
  CheckBrowseMode();
  if (readOnly_) RaiseError("Read-only record cannot be changed");
  if (BeforeEdit) BeforeEdit(*this);
  TZorudEntry* e = CurrentEntry();
  store_->MakeBackup(e);
  ChangeStep(+1);
  editEntry_ = e;
  edit_ = e->Data;
  SetState(dsEdit);
  DataEvent(deRecordChange);
  if (AfterEdit) AfterEdit(*this);
}

void TZorudDataset::Insert() {
  CheckActive();
  CheckBrowseMode();
  if (readOnly_) RaiseError("You have read only access, you can not add records!");
  if (BeforeInsert) BeforeInsert(*this);
  ChangeStep(+1);
  edit_ = store_->NewRecord();
  editEntry_ = nullptr;
  SetState(dsInsert);
  Calculate(&edit_);
  try {
    DoOnNewRecord();
  } catch (...) {
    edit_ = TZorudRecord();
    SetState(dsBrowse);
    ChangeStep(-1);
    Resync();
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange);
  if (AfterInsert) AfterInsert(*this);
}

void TZorudDataset::Append() { Insert(); }

void TZorudDataset::DoOnNewRecord() {
  for (TField* f : fields_) {
    if (f->Calculated() || f->DefaultExpression.empty()) continue;
    std::string expr = AnsiUpperCase(f->DefaultExpression);
    TFieldType t = f->DataType();
    if (expr == "TODAY" && t == ftDate) {
      f->SetAsDateTime(Date());
    } else if (expr == "NOW" && (t == ftDate || t == ftTime || t == ftDateTime)) {
      f->SetAsDateTime(Now());
    } else if (expr == "UNICOD" && f->IsText()) {
      f->SetAsString(CreateUniqueKey());
    } else {
      f->SetAsString(f->DefaultExpression);
    }
  }
  if (masterLink_->Active() && masterLink_->HasFields()) {
    std::vector<std::string> names = SplitZorudNames(rangeFieldNames_);
    const auto& masters = masterLink_->Fields();
    for (size_t i = 0; i < names.size() && i < masters.size(); ++i)
      FieldByName(names[i])->SetAsString(masters[i]->AsString());
  }
  if (OnNewRecord) OnNewRecord(*this);
}

void TZorudDataset::UpdateRecord() {
  if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey) RaiseError("Table is not in edit or insert mode");
  DataEvent(deUpdateRecord);
}

void TZorudDataset::Post() {
  CheckActive();
  if (state_ != dsEdit && state_ != dsInsert) return;
  UpdateRecord();
  DataEvent(deCheckBrowseMode);
  if (BeforePost) BeforePost(*this);
  for (TField* f : fields_)
    if (f->Required && !f->ReadOnly && !f->Calculated() && f->IsNull())
      RaiseError(Format("Field '%s' must have a value", f->DisplayName().c_str()));
  std::string message;
  if (state_ == dsInsert) {
    TZorudEntry* e = store_->Add(edit_);
    view_.push_back(e);
    cur_ = int(view_.size()) - 1;
  } else {
    if (!store_->Update(editEntry_, edit_, message)) RaiseError("Error saving record: " + message);
  }
  // The posted row keeps its place: the view is in index order again only after a rebuild.
  sorted_ = false;
  edit_ = TZorudRecord();
  editEntry_ = nullptr;
  bof_ = eof_ = false;
  SetState(dsBrowse);
  Resync();
  DataEvent(deDataSetChange);
  if (AfterPost) AfterPost(*this);
}

void TZorudDataset::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode);
  if (BeforeCancel) BeforeCancel(*this);
  // Only the edit buffer goes: the stored record keeps what was posted (and perhaps saved).
  edit_ = TZorudRecord();
  editEntry_ = nullptr;
  ChangeStep(-1);
  SetState(dsBrowse);
  Resync();
  DataEvent(deDataSetChange);
  if (AfterCancel) AfterCancel(*this);
}

void TZorudDataset::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (view_.empty()) RaiseError("Cannot perform this operation on an empty dataset");
  DataEvent(deCheckBrowseMode);
  if (readOnly_) RaiseError("Read-only record cannot be deleted");
  if (BeforeDelete) BeforeDelete(*this);
  if (BeforeScroll) BeforeScroll(*this);
  TZorudEntry* e = CurrentEntry();
  std::string message;
  if (!store_->Delete(e, message)) RaiseError("Error deleting record: " + message);
  view_.erase(view_.begin() + cur_);
  ChangeStep(+1);
  edit_ = TZorudRecord();
  editEntry_ = nullptr;
  SetState(dsBrowse);
  eof_ = bof_ = view_.empty();
  Resync();
  DataEvent(deDataSetChange);
  if (AfterDelete) AfterDelete(*this);
  if (AfterScroll) AfterScroll(*this);
}

void TZorudDataset::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  if (state_ == dsEdit || state_ == dsInsert) {
    UpdateRecord();
    if (modified_) Post();
    else Cancel();
  }
}

TUpdateStatus TZorudDataset::UpdateStatus() const {
  TZorudEntry* e = CurrentEntry();
  if (!e) return usUnmodified;
  switch (e->State) {
    case TZorudRecordState::Edited: return usModified;
    case TZorudRecordState::Inserted: return usInserted;
    case TZorudRecordState::Deleted: return usDeleted;
    default: return usUnmodified;
  }
}

void TZorudDataset::PostAndSave() {
  if (state_ == dsEdit || state_ == dsInsert) Post();
  SaveTable();
}

void TZorudDataset::RollbackChanges() {
  if (!Active() || changeCount_ <= 0) return;
  if (state_ == dsEdit || state_ == dsInsert) Cancel();
  store_->Rollback();
  changeCount_ = 0;
  RebuildView(true);
  ResetChanges();
}

void TZorudDataset::CommitChanges() {
  if (!Active() || changeCount_ <= 0) return;
  CheckBrowseMode();
  store_->Commit();
  changeCount_ = 0;
  RebuildView(true);
  ResetChanges();
}

void TZorudDataset::SaveToFile(const std::string& fileName) { SaveToFile(fileName, SaveOptions); }

void TZorudDataset::SaveToFile(const std::string& fileName, TZorudSaveOptions options) {
  if (!store_) return;
  store_->SaveToFile(fileName, options, sortOptions_ & vsoCaseInsensitive, indexFieldNames_);
}
