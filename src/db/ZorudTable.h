#pragma once
#include <string>
#include <vector>
#include "ZorudDataset.h"

enum TZorudLoadMode { lmClear, lmFile, lmClone, lmStream };

// Names the folder of the table files; keeps its open datasets and those with unsaved changes.
class TZorudDatabase : public TComponent {
public:
  explicit TZorudDatabase(TComponent* owner = nullptr);
  ~TZorudDatabase() override;

  const std::string& DatabasePath() const { return path_; }
  void SetDatabasePath(const std::string& path);

  const std::vector<TZorudDataset*>& DataSets() const { return dataSets_; }
  const std::vector<TZorudDataset*>& ChangedDataSets() const { return changed_; }
  void AddDataSet(TZorudDataset* dataSet);
  void RemoveDataSet(TZorudDataset* dataSet);
  void AddChanged(TZorudDataset* dataSet);
  void RemoveChanged(TZorudDataset* dataSet);

private:
  std::string path_;
  std::vector<TZorudDataset*> dataSets_;
  std::vector<TZorudDataset*> changed_;
};

// The process-wide list of databases.
class TZorudSession {
public:
  static TZorudSession& Instance();
  ~TZorudSession();
  const std::vector<TZorudDatabase*>& Databases() const { return databases_; }
  void Add(TZorudDatabase* database);
  void Remove(TZorudDatabase* database);

private:
  TZorudSession() = default;
  std::vector<TZorudDatabase*> databases_;
};

// A dataset that loads its records by LoadMode and saves them to TableName.
class TZorudTable : public TZorudDataset {
public:
  explicit TZorudTable(TComponent* owner = nullptr);
  ~TZorudTable() override;

  const std::string& TableName() const { return tableName_; }
  void SetTableName(const std::string& name);
  TZorudLoadMode LoadMode() const { return loadMode_; }
  void SetLoadMode(TZorudLoadMode mode);
  TZorudDataset* CloneDS() const { return cloneDS_; }
  void SetCloneDS(TZorudDataset* source);
  bool StoreDefs = false;
  void FieldDefsChanged() { StoreDefs = loadMode_ == lmClear; }

  // DatabasePath + TableName when the name has no folder, else the name as given.
  std::string FileName() const;

  void SetDatabase(TZorudDatabase* database) override;
  void RollbackChanges() override;
  void CommitChanges() override;

protected:
  void LoadTable() override;
  void SaveTable() override;
  void FreeStore() override;
  bool Reloadable() const override { return loadMode_ == lmFile || loadMode_ == lmClone; }
  void InternalClose() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::string tableName_;
  TZorudLoadMode loadMode_ = lmClear;
  TZorudDataset* cloneDS_ = nullptr;
};
