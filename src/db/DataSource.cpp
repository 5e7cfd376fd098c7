#include "DataSource.h"
#include <algorithm>
#include "DbHooks.h"
#include "ZorudDataset.h"

TDataLink::~TDataLink() {
  try {
    SetDataSource(nullptr);
  } catch (...) {
    DbReportException(std::current_exception());
  }
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == source_) return;
  if (source_) source_->RemoveLink(this);
  source_ = source;
  if (source_) source_->AddLink(this);
  UpdateActive();
}

TZorudDataset* TDataLink::DataSet() const { return source_ ? source_->DataSet() : nullptr; }

bool TDataLink::Active() const {
  return source_ && source_->Enabled() && source_->DataSet() && source_->DataSet()->Active();
}

int TDataLink::CurrentViewRow() const {
  TZorudDataset* ds = DataSet();
  if (!active_ || !ds) return -1;
  return ds->State() == dsInsert ? ds->RecordCount() : ds->CurrentRow();
}

int TDataLink::UpdateWindow() {
  int old = first_;
  TZorudDataset* ds = active_ ? DataSet() : nullptr;
  int total = ds ? ds->RecordCount() + (ds->State() == dsInsert ? 1 : 0) : 0;
  int current = CurrentViewRow();
  if (total == 0 || current < 0) {
    first_ = 0;
    records_ = 0;
  } else {
    // The window moves only as far as the current record needs, and stays full near the end.
    if (current < first_) first_ = current;
    else if (current >= first_ + bufferCount_) first_ = current - bufferCount_ + 1;
    first_ = std::clamp(first_, 0, std::max(0, total - bufferCount_));
    records_ = std::min(bufferCount_, total - first_);
  }
  return first_ - old;
}

void TDataLink::SetBufferCount(int count) {
  count = std::max(1, count);
  if (count == bufferCount_) return;
  bufferCount_ = count;
  UpdateWindow();
}

int TDataLink::ActiveRecord() const {
  TZorudDataset* ds = DataSet();
  if (!active_ || !ds) return 0;
  int row = ds->ActiveRow() >= 0 ? ds->ActiveRow() : CurrentViewRow();
  return row - first_;
}

void TDataLink::SetActiveRecord(int row) {
  TZorudDataset* ds = DataSet();
  if (!active_ || !ds) return;
  int view = first_ + row;
  ds->SetActiveRow(view == CurrentViewRow() ? -1 : view);
}

void TDataLink::UpdateActive() {
  bool now = Active();
  if (now != active_) {
    active_ = now;
    first_ = 0;
    UpdateWindow();
    ActiveChanged();
  } else {
    UpdateWindow();  // an insert adds a row, its end takes it away
  }
  TZorudDataset* ds = DataSet();
  bool editing = now && ds && (ds->State() == dsEdit || ds->State() == dsInsert);
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

void TDataLink::DataEvent(TDataEvent event, TField* field) {
  switch (event) {
    case deUpdateState: UpdateActive(); break;
    case deFieldChange:
    case deRecordChange: if (active_) RecordChanged(field); break;
    case deDataSetChange:
      if (active_) {
        UpdateWindow();
        DataSetChanged();
      }
      break;
    case deDataSetScroll: if (active_) DataSetScrolled(UpdateWindow()); break;
    case deLayoutChange:
      if (active_) {
        UpdateWindow();
        LayoutChanged();
      }
      break;
    case deUpdateRecord: if (active_) UpdateData(); break;
    case deCheckBrowseMode: if (active_) CheckBrowseMode(); break;
  }
}

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  // Followers react to losing their dataset (a detail shows all its rows): nothing may escape.
  try {
    SetDataSet(nullptr);
  } catch (...) {
    DbReportException(std::current_exception());
  }
  while (!links_.empty()) {
    TDataLink* link = links_.back();
    try {
      link->SetDataSource(nullptr);
    } catch (...) {
      RemoveLink(link);
      DbReportException(std::current_exception());
    }
  }
}

void TDataSource::SetDataSet(TZorudDataset* dataset) {
  if (dataset == dataset_) return;
  if (dataset_) dataset_->RemoveDataSource(this);
  dataset_ = dataset;
  if (dataset_) dataset_->AddDataSource(this);
  NotifyActive();
}

void TDataSource::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  NotifyActive();
}

void TDataSource::NotifyActive() {
  auto links = links_;
  for (TDataLink* link : links) link->UpdateActive();
}

void TDataSource::FocusControl(TField*& field) {
  if (!enabled_) return;
  auto links = links_;
  for (TDataLink* link : links) {
    if (!field) return;
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->FocusControl(field);
  }
}

void TDataSource::AddLink(TDataLink* link) {
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TDataSource::RemoveLink(TDataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

void TDataSource::DataEvent(TDataEvent event, TField* field) {
  if (!enabled_) return;
  auto links = links_;
  for (TDataLink* link : links)
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->DataEvent(event, field);
  switch (event) {
    case deUpdateState:
      if (OnStateChange) OnStateChange(*this);
      break;
    case deFieldChange:
    case deRecordChange:
      if (OnDataChange) OnDataChange(*this, field);
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(*this, nullptr);
      break;
    default: break;
  }
}
