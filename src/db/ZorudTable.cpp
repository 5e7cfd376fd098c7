#include "ZorudTable.h"
#include <algorithm>
#include "DbError.h"
#include "SysUtils.h"
#include "DbHooks.h"
#include "LittleEndian.h"
#include "TableFile.h"

namespace {

void Erase(std::vector<TZorudDataset*>& list, TZorudDataset* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

void AddOnce(std::vector<TZorudDataset*>& list, TZorudDataset* item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

bool HasFolder(const std::string& name) { return name.find_first_of("\\/:") != std::string::npos; }

// The description letter of a definition; 0 for a text length the format cannot hold.
char LetterOf(const TFieldDef& d) {
  switch (d.DataType) {
    case ftSmallint:
    case ftWord: return 'l';
    case ftInteger: return 'i';
    case ftBoolean: return 'b';
    case ftFloat: return 'f';
    case ftCurrency: return 'c';
    case ftDate: return 'd';
    case ftTime: return 'v';
    case ftDateTime: return 't';
    case ftAutoInc: return 'a';
    case ftString:
      if (d.Size < 0 || d.Size > 65535) return 0;
      if (d.Size <= 9) return char('0' + d.Size);
      if (d.Size <= 35) return char('A' + d.Size - 10);
      return 's';
    case ftBlob: return 'o';
    case ftMemo: return 'm';
    case ftFmtMemo: return 'r';
    case ftGraphic: return 'g';
    default: return 's';
  }
}

}  // namespace

// ---- database and session ----

TZorudDatabase::TZorudDatabase(TComponent* owner) : TComponent(owner) { TZorudSession::Instance().Add(this); }

TZorudDatabase::~TZorudDatabase() {
  changed_.clear();
  auto sets = dataSets_;
  for (TZorudDataset* ds : sets) {
    try {
      ds->Close();
    } catch (...) {
      DbReportException(std::current_exception());
    }
  }
  dataSets_.clear();
  TZorudSession::Instance().Remove(this);
}

void TZorudDatabase::SetDatabasePath(const std::string& path) {
  if (path == path_) return;
  path_ = path;
  if (!path_.empty() && path_.back() != '\\') path_ += '\\';
}

void TZorudDatabase::AddDataSet(TZorudDataset* ds) { AddOnce(dataSets_, ds); }
void TZorudDatabase::RemoveDataSet(TZorudDataset* ds) { Erase(dataSets_, ds); }
void TZorudDatabase::AddChanged(TZorudDataset* ds) { AddOnce(changed_, ds); }
void TZorudDatabase::RemoveChanged(TZorudDataset* ds) { Erase(changed_, ds); }

TZorudSession& TZorudSession::Instance() {
  static TZorudSession session;
  return session;
}

TZorudSession::~TZorudSession() {
  while (!databases_.empty()) delete databases_.back();
}

void TZorudSession::Add(TZorudDatabase* db) {
  if (std::find(databases_.begin(), databases_.end(), db) == databases_.end()) databases_.push_back(db);
}

void TZorudSession::Remove(TZorudDatabase* db) {
  databases_.erase(std::remove(databases_.begin(), databases_.end(), db), databases_.end());
}

// ---- table ----

TZorudTable::TZorudTable(TComponent* owner) : TZorudDataset(owner) {
  FieldDefs.OnChange = [this] { FieldDefsChanged(); };
}

TZorudTable::~TZorudTable() {
  try {
    Close();
  } catch (...) {
    DbReportException(std::current_exception());
  }
}

void TZorudTable::SetTableName(const std::string& name) {
  if (name == tableName_) return;
  Close();
  tableName_ = name;
  loadMode_ = name.empty() ? lmClear : lmFile;
}

void TZorudTable::SetLoadMode(TZorudLoadMode mode) {
  if (mode == loadMode_) return;
  Close();
  loadMode_ = mode;
}

void TZorudTable::SetCloneDS(TZorudDataset* source) {
  if (source == cloneDS_) return;
  Close();
  if (cloneDS_) RemoveFreeNotification(cloneDS_);
  cloneDS_ = source;
  if (cloneDS_) FreeNotification(cloneDS_);
  loadMode_ = source ? lmClone : lmClear;
}

void TZorudTable::SetDatabase(TZorudDatabase* database) {
  TZorudDataset::SetDatabase(database);
  if (database && !database->DatabasePath().empty() && !tableName_.empty()) {
    size_t slash = tableName_.find_last_of("\\/:");
    if (slash != std::string::npos) tableName_ = tableName_.substr(slash + 1);
  }
}

std::string TZorudTable::FileName() const {
  if (Database() && !HasFolder(tableName_)) return Database()->DatabasePath() + tableName_;
  return tableName_;
}

void TZorudTable::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == cloneDS_) {
    try {
      Close();
    } catch (...) {
      DbReportException(std::current_exception());
    }
    cloneDS_ = nullptr;
  }
  TZorudDataset::Notification(component, operation);
}

void TZorudTable::LoadTable() {
  switch (loadMode_) {
    case lmClear: {
      if (FieldDefs.Count() == 0) RaiseError("Error creating table (no field descriptions)");
      std::string section;
      for (const TFieldDef& d : FieldDefs.Items()) {
        char letter = LetterOf(d);
        bool plain = !d.Name.empty() && d.Name.find_first_of(std::string("\x12\x14\0", 3)) == std::string::npos;
        if (!letter || !plain || FieldDefs.IndexOf(d.Name) != &d - FieldDefs.Items().data())
          RaiseError(Format("Error creating table (bad field description '%s')", d.Name.c_str()));
        section += TZorudCursor::DescribeField(d.Name, letter, d.Size);
      }
      section += '\x14';
      std::string image(17, '\0');
      image[4] = 'S';
      PutLe32(&image[9], uint32_t(FieldDefs.Count()));
      PutLe32(&image[13], uint32_t(section.size()));
      image += section;
      PutLe32(&image[0], uint32_t(image.size()));
      LoadStoreFromBytes(image);
      break;
    }
    case lmFile:
      LoadStoreFromBytes(ReadTableFile(FileName()));
      break;
    case lmClone: {
      if (!cloneDS_ || !cloneDS_->Active()) RaiseError("Cloned table is not active!");
      if (std::find(cloneDS_->clones_.begin(), cloneDS_->clones_.end(), this) == cloneDS_->clones_.end())
        cloneDS_->clones_.push_back(this);
      ShareStore(cloneDS_->SharedStore());
      break;
    }
    case lmStream: {
      if (!LoadingStream) RaiseError("Loading stream is not assigned");
      TStream* stream = LoadingStream;
      LoadingStream = nullptr;
      LoadFromStream(stream, false);
      break;
    }
  }
}

void TZorudTable::SaveTable() {
  if (ChangeCount() <= 0) return;
  std::string name;
  if (loadMode_ == lmFile) {
    name = FileName();
  } else if (loadMode_ == lmClone) {
    if (auto* source = dynamic_cast<TZorudTable*>(cloneDS_)) name = source->FileName();
  }
  if (name.empty()) return;
  SaveToFile(name);
  if (loadMode_ == lmClone && cloneDS_ && cloneDS_->Active()) cloneDS_->RebuildView(true);
}

void TZorudTable::FreeStore() {
  if (loadMode_ == lmClone) ShareStore(nullptr);
  else TZorudDataset::FreeStore();
}

void TZorudTable::InternalClose() {
  if (loadMode_ == lmClone && cloneDS_) {
    auto& list = cloneDS_->clones_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  TZorudDataset::InternalClose();
}

void TZorudTable::RollbackChanges() {
  TZorudDataset::RollbackChanges();
  if (loadMode_ == lmClone && cloneDS_ && Database()) Database()->RemoveChanged(cloneDS_);
}

void TZorudTable::CommitChanges() {
  TZorudDataset::CommitChanges();
  if (loadMode_ == lmClone && cloneDS_ && Database()) Database()->RemoveChanged(cloneDS_);
}
