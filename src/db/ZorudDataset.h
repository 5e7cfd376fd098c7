#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include "Component.h"
#include "DataSource.h"
#include "Field.h"
#include "ZorudCursor.h"

class TDataSource;
class TZorudDatabase;
class TZorudMasterLink;
class TStream;
class TZorudBlobStream;
enum TBlobStreamMode : int;

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue, dsOldValue };
enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;
enum TZorudSortOption : unsigned { vsoCaseInsensitive = 1, vsoDescendSort = 2 };
using TZorudSortOptions = unsigned;
// A record's identity for the process: never reused; 0 is no record.
using TBookmark = uint32_t;

// The in-memory table: every record in a store, a view of it (range, master, filter, index
// order), one current record and, while editing or inserting, the edit buffer.
class TZorudDataset : public TComponent {
public:
  using TDataSetNotifyEvent = std::function<void(TZorudDataset& dataSet)>;

  explicit TZorudDataset(TComponent* owner = nullptr);
  ~TZorudDataset() override;

  // Properties.
  TZorudDatabase* Database() const { return database_; }
  virtual void SetDatabase(TZorudDatabase* database);
  const std::string& IndexFieldNames() const { return indexFieldNames_; }
  void SetIndexFieldNames(const std::string& names);
  const std::string& RangeFieldNames() const { return rangeFieldNames_; }
  void SetRangeFieldNames(const std::string& names);
  const std::string& MasterFields() const;
  void SetMasterFields(const std::string& names);
  TDataSource* MasterSource() const;
  void SetMasterSource(TDataSource* source);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  TZorudSortOptions SortOptions() const { return sortOptions_; }
  void SetSortOptions(TZorudSortOptions options);
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool on);
  std::string Version() const { return "ZorudDB Engine v4.5"; }
  std::string Notes;
  bool PartialOpen = false;
  TZorudSaveOptions SaveOptions = 0;
  std::string UniqueFieldNames;
  bool AutoCalcFields = true;
  TFieldDefs FieldDefs;
  TStream* LoadingStream = nullptr;

  // Events.
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert,
      BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete,
      BeforeScroll, AfterScroll, BeforeRefresh, AfterRefresh, OnNewRecord, OnCalcFields;
  std::function<void(TZorudDataset& dataSet, bool& accept)> OnFilterRecord;
  TDataSetNotifyEvent OnNeedToSaveChange;
  std::function<void(TZorudDataset& sender, int percent)> OnCallback;

  // Fields. Persistent fields are added before opening; without any, the open makes one per
  // table field.
  TField* AddField(const std::string& name, TFieldType type, int size = 0, TFieldKind kind = fkData);
  const std::vector<TField*>& Fields() const { return fields_; }
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField* FindField(const std::string& name) const;
  TField* FieldByName(const std::string& name) const;
  // The fields were made by the open, one per table field (no persistent fields).
  bool DefaultFields() const { return ownFields_.size() == defaultFields_.size(); }

  // Open and close.
  void Open();
  void Close();
  bool Active() const { return state_ != dsInactive; }
  void SetActive(bool on) { on ? Open() : Close(); }
  TDataSetState State() const { return state_; }
  void Refresh();

  // Moving.
  void First();
  void Last();
  void Next();
  void Prior();
  int MoveBy(int distance);
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool IsEmpty() const { return view_.empty(); }
  int RecordCount() const;
  int RecNo() const;
  void SetRecNo(int number);

  // Changing.
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  void CheckBrowseMode();
  void UpdateRecord();
  bool Modified() const { return modified_; }
  bool CanModify() const { return Active() && !readOnly_; }
  TUpdateStatus UpdateStatus() const;
  int ChangeCount() const { return changeCount_; }

  // The dataset's own operations.
  virtual void PostAndSave();
  virtual void RollbackChanges();
  virtual void CommitChanges();
  void SaveToFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName, TZorudSaveOptions options);
  // Loads the store from the whole of stream (while opening); frees it when owned.
  void LoadFromStream(TStream* stream, bool owned);
  void SetRange(const std::string& start, const std::string& end);

  // Searching.
  bool Locate(const std::string& keyFields, const std::vector<std::string>& values, TLocateOptions options = 0);
  bool Locate(const std::string& keyField, const std::string& value, TLocateOptions options = 0) {
    return Locate(keyField, std::vector<std::string>{value}, options);
  }
  std::vector<std::optional<std::string>> Lookup(const std::string& keyFields, const std::vector<std::string>& values,
                                                 const std::string& resultFields);

  std::unique_ptr<TZorudBlobStream> CreateBlobStream(TField* field, TBlobStreamMode mode);

  // Bookmarks.
  TBookmark GetBookmark() const;
  void GotoBookmark(TBookmark bookmark);
  void FreeBookmark(TBookmark) {}
  bool BookmarkValid(TBookmark bookmark) const;
  int CompareBookmarks(TBookmark a, TBookmark b) const;

  // Data-aware controls.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }
  // Asks the controls that show field to take the focus; the first that does ends the round.
  void FocusControl(TField* field);

  // Row i of the view, for a grid: while set (0-based), fields and GetBookmark read that row;
  // while editing, the current row reads the edit buffer.
  int ActiveRow() const { return activeRow_; }
  void SetActiveRow(int row);
  int CurrentRow() const { return cur_; }

  // Used by fields, data sources, the master link and the blob stream.
  TZorudRecord* ActiveRecord(TFieldKind kind);
  const TZorudField* DescriptorOf(const TField& field) const;
  // The record a field write goes to, after the state checks; none for a silent no-op.
  TZorudRecord* WritableRecord(const TField& field);
  void FieldValueChanged(TField& field, bool hasValue);
  void FieldLayoutChanged() {
    if (Active()) DataEvent(deLayoutChange);
  }
  bool CalcHasValue(int index) const { return index >= 0 && size_t(index) < calcHas_.size() && calcHas_[index]; }
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);
  TZorudCursor* Store() const { return store_.get(); }
  double OpenMilliseconds() const { return openMs_; }

protected:
  virtual void LoadTable() = 0;
  virtual void SaveTable() = 0;
  virtual void FreeStore();
  // Whether LoadTable brings the records back from where they are saved (a refresh reloads).
  virtual bool Reloadable() const { return false; }
  virtual void InternalClose();
  void LoadStoreFromBytes(const std::string& bytes);
  void ShareStore(const std::shared_ptr<TZorudCursor>& store) { store_ = store; }
  const std::shared_ptr<TZorudCursor>& SharedStore() const { return store_; }
  void RebuildView(bool keepPosition);
  void Notification(TComponent* component, TOperation operation) override;
  void ChangeStep(int delta);
  void ResetChanges();
  void SetState(TDataSetState state);
  void DataEvent(TDataEvent event, TField* field = nullptr);
  std::vector<TZorudDataset*> clones_;

private:
  friend class TZorudMasterLink;
  friend class TZorudTable;
  struct TKeySlot {
    TZorudRecord Record;
    std::vector<TZorudKeyField> Keys;
    std::vector<TField*> Fields;
    int InUse = 0;
  };

  void CheckActive() const;
  void InternalOpen();
  void BindFields();
  void UnbindFields();
  void PrepareKey(TKeySlot& slot, const std::string& names);
  void ConvertKeyText(TKeySlot& slot, int index, const std::string& text);
  bool InRange(const TZorudEntry& entry) const;
  bool Accepted(TZorudEntry& entry);
  int ViewIndexOf(const TZorudEntry* entry) const;
  int ViewIndexOf(TBookmark bookmark) const;
  int SearchView(TKeySlot& slot, const std::vector<std::string>& values, TLocateOptions options);
  void MoveTo(int index);
  void Resync();
  void CalculateActive();  // the calculated fields of the row that fields read
  void Calculate(TZorudRecord* source);
  void DoOnNewRecord();
  void ApplyMasterRange();
  void MasterChanged();
  void MasterDisabled();
  void RangeOff();
  TZorudEntry* CurrentEntry() const;
  void RaiseError(const std::string& message) const;

  std::shared_ptr<TZorudCursor> store_;
  std::vector<std::unique_ptr<TField>> ownFields_;
  std::vector<TField*> fields_;
  std::vector<TField*> defaultFields_;
  std::vector<TZorudField> calcLayout_;
  uint32_t calcSize_ = 0;
  TZorudRecord calc_;
  std::vector<bool> calcHas_;
  std::vector<TZorudEntry*> view_;
  int cur_ = -1;
  bool bof_ = true, eof_ = true;
  int activeRow_ = -1;
  TDataSetState state_ = dsInactive;
  TZorudRecord edit_;
  TZorudEntry* editEntry_ = nullptr;
  TZorudEntry* filterEntry_ = nullptr;
  TZorudRecord* calcSource_ = nullptr;
  bool modified_ = false;
  int changeCount_ = 0;
  bool sorted_ = false;
  bool rangeActive_ = false;
  TKeySlot slots_[4];
  std::unique_ptr<TZorudMasterLink> masterLink_;
  std::vector<TDataSource*> dataSources_;
  int disableCount_ = 0;
  TZorudDatabase* database_ = nullptr;
  std::string indexFieldNames_, rangeFieldNames_;
  bool readOnly_ = false;
  TZorudSortOptions sortOptions_ = 0;
  bool filtered_ = false;
  double openMs_ = 0;
};
