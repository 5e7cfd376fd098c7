#pragma once
#include <functional>
#include <vector>
#include "Component.h"

class TZorudDataset;
class TDataSource;
class TField;

enum TDataEvent {
  deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
  deUpdateRecord, deUpdateState, deCheckBrowseMode
};

// Something that follows a dataset through a data source: a grid, an editor, a master link.
class TDataLink {
public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return source_; }
  void SetDataSource(TDataSource* source);
  TZorudDataset* DataSet() const;
  bool Active() const;  // the source is enabled and its dataset open

  // Called by the data source; the defaults map onto the handlers below.
  void DataEvent(TDataEvent event, TField* field);
  void UpdateActive();

protected:
  virtual void ActiveChanged() {}
  virtual void RecordChanged(TField* field) {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void UpdateData() {}
  virtual void CheckBrowseMode() {}

private:
  TDataSource* source_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
};

class TDataSource : public TComponent {
public:
  explicit TDataSource(TComponent* owner = nullptr);
  ~TDataSource() override;

  TZorudDataset* DataSet() const { return dataset_; }
  void SetDataSet(TZorudDataset* dataset);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);

  std::function<void(TDataSource& sender, TField* field)> OnDataChange;
  std::function<void(TDataSource& sender)> OnStateChange;

  // From the dataset.
  void DataEvent(TDataEvent event, TField* field);
  void AddLink(TDataLink* link);
  void RemoveLink(TDataLink* link);
  const std::vector<TDataLink*>& Links() const { return links_; }

private:
  void NotifyActive();

  TZorudDataset* dataset_ = nullptr;
  bool enabled_ = true;
  std::vector<TDataLink*> links_;
};
