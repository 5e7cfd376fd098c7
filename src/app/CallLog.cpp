#include "CallLog.h"
#include "EventLog.h"
#include "Exception.h"
#include "DbError.h"
#include "FileUtils.h"
#include "LittleEndian.h"
#include "ProgramDir.h"
#include "RecordingName.h"
#include "SysUtils.h"
#include "TableFile.h"
#include "UniqueKey.h"
#include <set>

namespace {

std::string ErrorText(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const Exception& e) {
    return e.Message;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

// "Recordings.bad", else "Recordings_2.bad", ...: an older bad file may hold the newest rows.
std::string FreeBadName(const std::string& fileName) {
  std::string name = ChangeFileExt(fileName, ".bad");
  for (int n = 2; FileExists(name); ++n) name = ChangeFileExt(fileName, "") + "_" + std::to_string(n) + ".bad";
  return name;
}

bool HasRecord(TZorudTable& folders, const std::string& id) {
  return !id.empty() && folders.Lookup("FolderID", {id}, "FolderID")[0].has_value();
}

}  // namespace

TCallLog::TCallLog() {
  FoldersTbl.SetDatabase(&Database1);
  FoldersTbl.SetTableName("Folders.d");
  FoldersTbl.SaveOptions = savAutoBackup;
  DataSource2.SetDataSet(&FoldersTbl);
  CallsTbl.SetDatabase(&Database1);
  CallsTbl.SetTableName("Recordings.d");
  CallsTbl.SaveOptions = savAutoBackup;
  CallsTbl.SetMasterSource(&DataSource2);
  CallsTbl.SetMasterFields("FolderID");
  CallsTbl.SetRangeFieldNames("FolderId");
  CallsTbl.BeforeDelete = [this](TZorudDataset& d) { CallsTblBeforeDelete(d); };
  CallsTbl.AfterDelete = [this](TZorudDataset& d) { CallsTblAfterDelete(d); };
}

TCallLog::~TCallLog() { Close(); }

void TCallLog::Close() {
  try {
    CallsTbl.Close();
    FoldersTbl.Close();
  } catch (...) {
  }
}

void TCallLog::Tell(const std::string& text) {
  if (OnMessage) OnMessage(text);
}

std::string TCallLog::TreeFileName() const { return ProgramDir + "\\Tree.ini"; }

struct TFieldNeed {
  const char* Name;
  TFieldType Type;
  int Size;
};

namespace {

// The fields each table is made with, and that the program reads and writes.
const std::vector<TFieldNeed> CallFields = {{"id", ftString, 10},       {"Channel", ftInteger, 0},
                                            {"FolderId", ftString, 20}, {"DateS", ftString, 12},
                                            {"TimeS", ftString, 16},    {"Duration", ftString, 10},
                                            {"Comment", ftString, 255}};
const std::vector<TFieldNeed> FolderFields = {{"FolderId", ftString, 20}, {"FolderName", ftString, 100}};

bool Fits(const TZorudField& f, const TFieldNeed& need) {
  if (need.Type != ftString) return f.FieldType == TZorudFieldType::Integer;
  return (f.FieldType == TZorudFieldType::SmallStr || f.FieldType == TZorudFieldType::String) && f.Length >= need.Size;
}

// Empty when the store, read from bytes, is a table the program can use as it is: every needed
// field there, of its type and at least its length; the file all that the writer gives back for
// it (nothing after the records, no count or length changed). Else what is wrong.
std::string DamageOf(const TZorudCursor& store, const std::string& bytes, const std::vector<TFieldNeed>& needs) {
  for (const TFieldNeed& need : needs) {
    int i = store.FindField(need.Name);
    if (i < 0) return Format("Field '%s' not found", need.Name);
    if (!Fits(store.Fields[size_t(i)], need)) return Format("Field '%s' has a wrong type or length", need.Name);
  }
  if (store.Section.empty() || store.Section.back() != '\x14' || store.Image() != bytes)
    return "its length, record count or field list is not as written";
  return "";
}

// A table file that loads, checked as DamageOf does; empty, with the reason, otherwise.
std::unique_ptr<TZorudCursor> ReadStore(const std::string& fileName, const std::vector<TFieldNeed>& needs,
                                        std::string& problem) {
  auto store = std::make_unique<TZorudCursor>();
  try {
    std::string bytes = ReadTableFile(fileName);
    if (!store->LoadFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), problem)) return nullptr;
    problem = DamageOf(*store, bytes, needs);
  } catch (...) {
    problem = ErrorText(std::current_exception());
  }
  if (!problem.empty()) store.reset();
  return store;
}

// A field name damaged in place: a field that no needed name finds, standing where the missing
// needed field was made and of its type, gets that name back. The field list is written anew.
void MendNames(TZorudCursor& store, const std::vector<TFieldNeed>& needs) {
  std::vector<std::string> items = SplitZorudNames(store.Section, '\x12');
  if (store.Fields.size() != needs.size() || items.size() < needs.size()) return;
  auto needed = [&](const std::string& name) {
    for (const TFieldNeed& need : needs)
      if (SameText(name, need.Name)) return true;
    return false;
  };
  std::string section;
  for (size_t i = 0; i < needs.size(); ++i) {
    TZorudField& f = store.Fields[i];
    size_t blank = items[i].find(' ');
    if (!SameText(f.Name, needs[i].Name) && !needed(f.Name) && store.FindField(needs[i].Name) < 0 &&
        Fits(f, needs[i]) && blank != std::string::npos) {
      f.Name = needs[i].Name;
      items[i] = f.Prefix + "." + f.Name + items[i].substr(blank);
    }
    section += items[i] + '\x12';
  }
  store.Section = section + '\x14';
}

// What a damaged table file still holds: the records before the first damage, with mended field
// names. Empty when that is not a table the program can use. whole: every byte was read.
std::unique_ptr<TZorudCursor> Salvage(const std::string& fileName, const std::vector<TFieldNeed>& needs,
                                      bool& whole) {
  whole = false;
  auto store = std::make_unique<TZorudCursor>();
  store->PartialOpen = true;
  try {
    std::string bytes = ReadTableFile(fileName), message;
    // The reader takes a wrong total length, marker or end of the field list for no table at
    // all; they only say what the rest shows.
    if (bytes.size() >= 17 && bytes[4] != 'E') {
      PutLe32(&bytes[0], uint32_t(bytes.size()));
      bytes[4] = 'S';
      size_t length = GetLe32(&bytes[13]);
      if (length > 0 && length <= bytes.size() - 17) bytes[16 + length] = '\x14';
    }
    store->LoadFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), message);
    if (!store->FieldCount()) return nullptr;
    whole = message.empty() && store->Image().size() == bytes.size();
    MendNames(*store, needs);
    store->CheckWritable();
    if (!DamageOf(*store, store->Image(), needs).empty()) return nullptr;
  } catch (...) {
    return nullptr;
  }
  return store;
}

}  // namespace

const std::vector<TFieldNeed>& TCallLog::FieldsOf(const TZorudTable& table) const {
  return &table == &CallsTbl ? CallFields : FolderFields;
}

void TCallLog::Define(TZorudTable& table) {
  table.SetLoadMode(lmClear);
  table.FieldDefs.Clear();
  for (const TFieldNeed& need : FieldsOf(table)) table.FieldDefs.Add(need.Name, need.Type, need.Size);
}

// Opens the table from its file; false, closed, with the reason, when it does not load or lacks
// a needed field.
bool TCallLog::OpenChecked(TZorudTable& table, std::string& failure) {
  try {
    table.Close();
    table.SetLoadMode(lmFile);
    table.Open();
    failure = DamageOf(*table.Store(), ReadTableFile(table.FileName()), FieldsOf(table));
  } catch (...) {
    failure = ErrorText(std::current_exception());
  }
  if (failure.empty()) return true;
  try {
    table.Close();
  } catch (...) {
  }
  return false;
}

// A new empty table saved as its file, then opened from it.
void TCallLog::CreateTable(TZorudTable& table) {
  Define(table);
  table.Open();
  table.SaveToFile(table.FileName());
  std::string failure;
  if (!OpenChecked(table, failure)) throw EDatabaseError(failure);
}

// Moves a damaged file aside under a free ".bad" name; false, with the reason, when it cannot.
bool TCallLog::KeepAside(const std::string& fileName, std::string& failure) {
  std::string bad = FreeBadName(fileName);
  if (!RenameFile(fileName, bad)) {
    failure = "Can not rename " + ExtractFileName(fileName) + ": " + SysErrorMessage(int(GetLastError()));
    return false;
  }
  AddEvent(ExtractFileName(fileName) + " kept as " + ExtractFileName(bad));
  return true;
}

bool TCallLog::OpenTable(TZorudTable& table, bool& created) {
  created = false;
  const std::string name = table.TableName();
  const std::string file = table.FileName();
  const std::string backup = BackupFileName(file);
  const bool hasFile = FileExists(file), hasBackup = FileExists(backup);
  std::string failure;
  if (hasFile) {
    if (OpenChecked(table, failure)) return true;
  } else if (!hasBackup) {
    try {
      CreateTable(table);
      created = true;
      AddEvent(name + " made: there was none");
      return true;
    } catch (...) {
      failure = ErrorText(std::current_exception());
      table.Close();
      table.SetLoadMode(lmFile);
      AddEvent("Can not create " + name + ": " + failure);
      Tell("Can not create " + name + " file.\n" + failure);
      return false;
    }
  } else {
    failure = "the file is missing";
  }
  AddEvent("Can not open " + name + ": " + failure);
  const std::string reason = failure;
  // The damaged file is kept aside. In its place: what it still holds when that is all of it,
  // else the backup when it is good, else the rows that can still be read, else an empty table.
  // The calls of wav\ that no row names are filed again after.
  std::string problem = "there is none";
  std::unique_ptr<TZorudCursor> good, salvaged;
  if (hasBackup) good = ReadStore(backup, FieldsOf(table), problem);
  bool whole = false;
  if (hasFile) salvaged = Salvage(file, FieldsOf(table), whole);
  if (good && !whole) salvaged.reset();
  const int rows = salvaged ? int(salvaged->Entries.size()) : 0;
  try {
    if (hasFile && !KeepAside(file, failure)) throw EInOutError(failure, 0);
    if (!good) {
      AddEvent("Backup of " + name + " not used: " + problem);
      // Its bytes would be replaced by the next save's backup.
      if (hasBackup && !KeepAside(backup, failure)) throw EInOutError(failure, 0);
    }
    if (salvaged) {
      salvaged->SaveToFile(file, 0, false, "");
    } else if (good) {
      std::string image = ReadTableFile(backup);
      WriteFileSafely(file, image.data(), image.size());
    } else {
      table.Close();
      Define(table);
      table.Open();
      table.SaveToFile(file);
    }
    if (!OpenChecked(table, failure)) throw EDatabaseError(failure);
  } catch (...) {
    std::string why = ErrorText(std::current_exception());
    table.Close();
    table.SetLoadMode(lmFile);
    AddEvent(name + " not restored: " + why);
    Tell("Can not open " + name + " file, nor put a good one in its place.\n" + why +
         "\nCalls can not be filed until this is mended.");
    return false;
  }
  if (good && !salvaged) {
    AddEvent(name + " restored from " + ExtractFileName(backup));
    Tell("Can not open " + name + " file. Restoring backup");
    return true;
  }
  created = !salvaged;
  std::string kept = std::to_string(rows) + (rows == 1 ? " row" : " rows") + (whole ? ", all it held" : " that could be read");
  AddEvent(name + " made again with " + kept);
  std::string noBackup = hasBackup ? ", nor its backup " + ExtractFileName(backup) : ", and it has no backup";
  Tell("Can not open " + name + " file (" + reason + ")" + (good ? "" : noBackup) +
       ".\nThe damaged file is kept as a .bad file beside it; the table is made again with " + kept + ".");
  return true;
}

void TCallLog::OpenDatabase() {
  Database1.SetDatabasePath(ProgramDir);
  bool callsCreated, foldersCreated;
  if (OpenTable(CallsTbl, callsCreated)) CallsTbl.First();
  OpenTable(FoldersTbl, foldersCreated);
  try {
    const std::string legacy = ProgramDir + "\\Tree.d";
    bool fromLegacy = FileExists(legacy);
    if (fromLegacy) Tree = LoadLegacyTree(legacy);
    else Tree = LoadTreeFromIni(TreeFileName());
    std::string failure;
    if (!fromLegacy && Tree.empty() && FileExists(TreeFileName())) {
      AddEvent("Tree.ini holds no folder: the tree is made again from Folders.d");
      if (!KeepAside(TreeFileName(), failure)) AddEvent(failure);
    }
    Reconcile(foldersCreated, fromLegacy);
    if (!Tree.empty()) SelectFolder(0);
  } catch (...) {
    std::string why = ErrorText(std::current_exception());
    AddEvent("Folder tree not repaired: " + why);
    Tell("Can not repair the folder tree.\n" + why);
  }
}

// Every node gets a folder record, every record a node, every call a folder: no call becomes
// unreachable whichever of Folders.d, Tree.ini and Recordings.d was lost.
void TCallLog::Reconcile(bool foldersCreated, bool legacy) {
  if (!FoldersOpen()) return;
  bool changed = legacy;
  auto addRecord = [&](const std::string& id, const std::string& name) {
    FoldersTbl.Append();
    FoldersTbl.FieldByName("FolderId")->SetAsString(id);
    FoldersTbl.FieldByName("FolderName")->SetAsString(name);
    FoldersTbl.Post();
    changed = true;
  };
  if (legacy) {
    for (TFolderNode& node : Tree) {
      auto id = FoldersTbl.Lookup("FolderName", {node.Text}, "FolderId")[0];
      if (id && FoldersTbl.Lookup("FolderName", {node.Text}, "FolderName")[0] == node.Text) node.FolderId = *id;
      else node.FolderId.clear();
    }
  }
  if (foldersCreated && FindNodeByText(Tree, "General") < 0) {
    std::string id = CreateUniqueKey();
    addRecord(id, "General");
    AddChildNode(Tree, -1, "General", id);
  }
  int withoutRecord = 0, renamed = 0;
  for (TFolderNode& node : Tree) {
    if (node.FolderId.empty()) {
      node.FolderId = CreateUniqueKey();
      changed = true;
    }
    if (!HasRecord(FoldersTbl, node.FolderId)) {
      addRecord(node.FolderId, node.Text);
      ++withoutRecord;
    } else if (auto name = FoldersTbl.Lookup("FolderID", {node.FolderId}, "FolderName")[0]; name && *name != node.Text) {
      // A rename writes both: the record's name is the one that was saved last.
      node.Text = *name;
      ++renamed;
      changed = true;
    }
  }
  std::set<std::string> ids;
  for (const TFolderNode& node : Tree) ids.insert(node.FolderId);
  std::set<std::string> records;
  std::vector<std::pair<std::string, std::string>> unplaced;
  FoldersTbl.First();
  while (!FoldersTbl.Eof()) {
    std::string id = FoldersTbl.FieldByName("FolderId")->AsString();
    records.insert(id);
    if (!ids.count(id)) unplaced.emplace_back(id, FoldersTbl.FieldByName("FolderName")->AsString());
    FoldersTbl.Next();
  }
  if (CallsOpen()) {
    for (const TCallRow& row : AllCalls())
      if (!records.count(row.FolderId)) {
        records.insert(row.FolderId);
        addRecord(row.FolderId, "Recovered");
        unplaced.emplace_back(row.FolderId, "Recovered");
      }
  }
  for (const auto& [id, name] : unplaced) {
    AddChildNode(Tree, FindNodeByText(Tree, "General"), name, id);
    changed = true;
  }
  if (!legacy && (withoutRecord || renamed || !unplaced.empty()))
    AddEvent("Tree.ini and Folders.d repaired: " + std::to_string(withoutRecord) + " folders without a record, " +
             std::to_string(unplaced.size()) + " without a node, " + std::to_string(renamed) + " names");
  if (!changed) return;
  try {
    FoldersTbl.PostAndSave();
  } catch (...) {
    Tell("Can not save Folders.d file.\n" + ErrorText(std::current_exception()));
  }
  if (SaveTree() && legacy && !DeleteFileA((ProgramDir + "\\Tree.d").c_str())) {
    // Left in place it would be read again at the next start, over Tree.ini.
    std::string why = SysErrorMessage(int(GetLastError()));
    AddEvent("Tree.d not deleted: " + why);
    Tell("Can not delete the old folder tree file Tree.d.\n" + why);
  }
}

bool TCallLog::SaveTree() {
  try {
    SaveTreeToIni(Tree, TreeFileName());
    return true;
  } catch (...) {
    std::string why = ErrorText(std::current_exception());
    AddEvent("Tree.ini not saved: " + why);
    Tell("Can not save the folder tree to Tree.ini.\n" + why);
    return false;
  }
}

bool TCallLog::SelectFolder(int node) {
  if (!FoldersOpen() || node < 0 || node >= int(Tree.size())) return false;
  return FoldersTbl.Locate("FolderID", Tree[node].FolderId);
}

std::string TCallLog::CurrentFolderId() const {
  if (!FoldersTbl.Active() || FoldersTbl.IsEmpty()) return "";
  return FoldersTbl.FieldByName("FolderId")->AsString();
}

std::string TCallLog::FolderIdByName(const std::string& name) {
  if (!FoldersOpen() || FoldersTbl.IsEmpty()) return "";
  if (auto id = FoldersTbl.Lookup("FolderName", {name}, "FolderId")[0]) {
    if (FoldersTbl.Lookup("FolderName", {name}, "FolderName")[0] == name) return *id;
  }
  for (const TFolderNode& node : Tree)
    if (node.Text == name && HasRecord(FoldersTbl, node.FolderId)) return node.FolderId;
  TBookmark keep = FoldersTbl.GetBookmark();
  FoldersTbl.First();
  std::string first = FoldersTbl.FieldByName("FolderId")->AsString();
  FoldersTbl.GotoBookmark(keep);
  return first;
}

std::vector<TCallLog::TCallRow> TCallLog::AllCalls() {
  std::vector<TCallRow> rows;
  if (!CallsOpen()) return rows;
  TZorudTable all;
  all.SetCloneDS(&CallsTbl);
  all.Open();
  for (all.First(); !all.Eof(); all.Next()) {
    TCallRow r;
    r.Id = all.FieldByName("id")->AsString();
    r.DateS = all.FieldByName("DateS")->AsString();
    r.TimeS = all.FieldByName("TimeS")->AsString();
    r.Duration = all.FieldByName("Duration")->AsString();
    r.Comment = all.FieldByName("Comment")->AsString();
    r.FolderId = all.FieldByName("FolderId")->AsString();
    r.Channel = all.FieldByName("Channel")->AsInteger();
    rows.push_back(r);
  }
  all.Close();
  return rows;
}

std::string TCallLog::FreeRecordingName(const std::string& dateS, const std::string& timeS, int& channel) {
  std::set<std::string> named;
  for (const TCallRow& r : AllCalls()) named.insert(::MakeRecordingName(r.Channel, r.DateS, r.TimeS));
  for (channel = 1;; ++channel) {
    std::string name = ::MakeRecordingName(channel, dateS, timeS);
    if (name.empty()) return name;
    if (!named.count(name) && !FileExists(RecordingPath(name))) return name;
  }
}

bool TCallLog::AppendCall(const TCallRow& row, std::string& error) {
  if (!CallsOpen()) {
    error = "Recordings.d is not open";
    return false;
  }
  try {
    CallsTbl.Append();
    CallsTbl.FieldByName("id")->SetAsString(row.Id);
    CallsTbl.FieldByName("Channel")->SetAsInteger(row.Channel);
    CallsTbl.FieldByName("DateS")->SetAsString(row.DateS);
    CallsTbl.FieldByName("TimeS")->SetAsString(row.TimeS);
    CallsTbl.FieldByName("FolderId")->SetAsString(row.FolderId);
    CallsTbl.FieldByName("Duration")->SetAsString(row.Duration);
    CallsTbl.FieldByName("Comment")->SetAsString(row.Comment);
    CallsTbl.Post();
    CallsTbl.PostAndSave();
  } catch (...) {
    error = ErrorText(std::current_exception());
    if (CallsTbl.State() == dsInsert) CallsTbl.Cancel();  // a row that could not be posted
    AddEvent("Recordings.d not saved: " + error);
    return false;
  }
  return true;
}

bool TCallLog::SaveUnsaved(std::string& error) {
  bool saved = true;
  for (TZorudTable* table : {&CallsTbl, &FoldersTbl}) {
    if (!table->Active() || table->ChangeCount() <= 0) continue;
    try {
      table->PostAndSave();
    } catch (...) {
      error = ErrorText(std::current_exception());
      AddEvent(table->TableName() + " not saved: " + error);
      saved = false;
    }
  }
  return saved;
}

std::string TCallLog::MakeRecordingName() { return NameOf(CallsTbl); }

void TCallLog::RenameLegacyRecording() { RenameLegacyRecording(CallsTbl); }

std::string TCallLog::NameOf(TZorudDataset& d) {
  return ::MakeRecordingName(d.FieldByName("Channel")->AsInteger(), d.FieldByName("DateS")->AsString(),
                             d.FieldByName("TimeS")->AsString());
}

void TCallLog::RenameLegacyRecording(TZorudDataset& d) {
  std::string id = d.FieldByName("id")->AsString();
  std::string name = NameOf(d);
  if (id.empty() || name.empty()) return;
  if (FileExists(RecordingPath(id)) && !RenameFile(RecordingPath(id), RecordingPath(name)))
    AddEvent("Can not rename " + id + ".wav: " + SysErrorMessage(int(GetLastError())));
}

void TCallLog::CallsTblBeforeDelete(TZorudDataset& dataSet) {
  RecordingName = NameOf(dataSet);
  RenameLegacyRecording(dataSet);
  if (!RecordingName.empty() && FileExists(RecordingPath(RecordingName))) {
    if (!DeleteFileA(RecordingPath(RecordingName).c_str()))
      AddEvent("Can not delete " + RecordingName + ".wav: " + SysErrorMessage(int(GetLastError())));
  }
}

void TCallLog::CallsTblAfterDelete(TZorudDataset&) {
  try {
    CallsTbl.PostAndSave();
  } catch (...) {
    Tell("Can not save Recordings.d file.\n" + ErrorText(std::current_exception()));
  }
}

bool TCallLog::RenameFolder(int node, const std::string& text) {
  if (!FoldersOpen() || node < 0 || node >= int(Tree.size())) return false;
  if (!FoldersTbl.Locate("FolderID", Tree[node].FolderId)) return false;
  FoldersTbl.Edit();
  FoldersTbl.FieldByName("FolderName")->SetAsString(text);
  FoldersTbl.Post();
  try {
    FoldersTbl.PostAndSave();
  } catch (...) {
    Tell("Can not save Folders.d file.\n" + ErrorText(std::current_exception()));
  }
  Tree[node].Text = text;
  return true;
}

void TCallLog::DeleteFolder(int node) {
  if (!FoldersOpen() || !CallsOpen() || node < 0 || node >= int(Tree.size())) return;
  int end = SubtreeEnd(Tree, node);
  std::vector<std::string> ids;
  for (int i = node; i < end; ++i) ids.push_back(Tree[i].FolderId);
  Tree.erase(Tree.begin() + node, Tree.begin() + end);
  DeletingNode = true;
  for (const std::string& id : ids) {
    bool hasRecord = FoldersTbl.Locate("FolderID", id);
    // The rows of this folder, whether or not its record exists.
    std::vector<std::string> rowIds;
    for (const TCallRow& r : AllCalls())
      if (r.FolderId == id) rowIds.push_back(r.Id);
    if (hasRecord) {
      CallsTbl.First();
      while (!CallsTbl.Eof()) {
        if (CallsTbl.FieldByName("FolderId")->AsString() == id) CallsTbl.Delete();
        else CallsTbl.Next();
      }
    } else if (!rowIds.empty()) {
      // No record: the call list cannot show the folder, so its rows go through a full view.
      TZorudTable all;
      all.SetCloneDS(&CallsTbl);
      all.BeforeDelete = [this](TZorudDataset& d) { CallsTblBeforeDelete(d); };
      all.Open();
      all.First();
      while (!all.Eof()) {
        if (all.FieldByName("FolderId")->AsString() == id) all.Delete();
        else all.Next();
      }
      try {
        all.PostAndSave();
      } catch (...) {
        Tell("Can not save Recordings.d file.\n" + ErrorText(std::current_exception()));
      }
      all.Close();
      CallsTbl.Refresh();
    }
    try {
      CallsTbl.PostAndSave();
      if (hasRecord) {
        FoldersTbl.Delete();
        FoldersTbl.PostAndSave();
      }
    } catch (...) {
      Tell("Can not save the call log.\n" + ErrorText(std::current_exception()));
    }
  }
  DeletingNode = false;
  SaveTree();
  if (!Tree.empty()) SelectFolder(node < int(Tree.size()) ? (node > 0 ? node - 1 : 0) : int(Tree.size()) - 1);
}
