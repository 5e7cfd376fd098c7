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

void TDataLink::UpdateActive() {
  bool now = Active();
  if (now != active_) {
    active_ = now;
    ActiveChanged();
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
    case deDataSetChange: if (active_) DataSetChanged(); break;
    case deDataSetScroll: if (active_) DataSetScrolled(0); break;
    case deLayoutChange: if (active_) LayoutChanged(); break;
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
