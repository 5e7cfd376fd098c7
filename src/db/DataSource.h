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
// It sees a window of BufferCount rows of the dataset's view, from view index FirstRecord, that
// follows the current record; ActiveRecord picks the row that fields read, without moving the
// dataset's cursor. While inserting, the new record is the row after the last, where posting
// puts it.
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

  int BufferCount() const { return bufferCount_; }
  void SetBufferCount(int count);
  int FirstRecord() const { return first_; }
  int RecordCount() const { return records_; }  // rows in the window
  // The row (0-based in the window) that fields read; the current record's row when none is set.
  int ActiveRecord() const;
  void SetActiveRecord(int row);

  // Called by the data source; the defaults map onto the handlers below.
  void DataEvent(TDataEvent event, TField* field);
  void UpdateActive();
  // A field asks for the control that shows it to take the focus; the taker clears field.
  virtual void FocusControl(TField*& field) {}

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
  int CurrentViewRow() const;
  int UpdateWindow();  // the distance the window moved

  TDataSource* source_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  int bufferCount_ = 1;
  int first_ = 0;
  int records_ = 0;
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
  void FocusControl(TField*& field);
  void AddLink(TDataLink* link);
  void RemoveLink(TDataLink* link);
  const std::vector<TDataLink*>& Links() const { return links_; }

private:
  void NotifyActive();

  TZorudDataset* dataset_ = nullptr;
  bool enabled_ = true;
  std::vector<TDataLink*> links_;
};
