#include "CallLog.h"
#include "EventLog.h"
#include "Exception.h"
#include "FileStream.h"
#include "FileUtils.h"
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

std::string ReadWhole(const std::string& fileName) {
  TFileStream in(fileName, fmOpenRead | fmShareDenyWrite);
  std::string bytes(size_t(in.Size()), '\0');
  if (!bytes.empty()) in.ReadBuffer(&bytes[0], int(bytes.size()));
  return bytes;
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

void TCallLog::DefineCalls() {
  CallsTbl.SetLoadMode(lmClear);
  CallsTbl.FieldDefs.Clear();
  CallsTbl.FieldDefs.Add("id", ftString, 10);
  CallsTbl.FieldDefs.Add("Channel", ftInteger);
  CallsTbl.FieldDefs.Add("FolderId", ftString, 20);
  CallsTbl.FieldDefs.Add("DateS", ftString, 12);
  CallsTbl.FieldDefs.Add("TimeS", ftString, 16);
  CallsTbl.FieldDefs.Add("Duration", ftString, 10);
  CallsTbl.FieldDefs.Add("Comment", ftString, 255);
}

void TCallLog::DefineFolders() {
  FoldersTbl.SetLoadMode(lmClear);
  FoldersTbl.FieldDefs.Clear();
  FoldersTbl.FieldDefs.Add("FolderId", ftString, 20);
  FoldersTbl.FieldDefs.Add("FolderName", ftString, 100);
}

bool TCallLog::OpenTable(TZorudTable& table, bool& created) {
  created = false;
  const std::string name = table.TableName();
  const std::string file = table.FileName();
  const std::string backup = BackupFileName(file);
  const bool hasFile = FileExists(file), hasBackup = FileExists(backup);
  std::string failure;
  if (hasFile) {
    try {
      table.SetLoadMode(lmFile);
      table.Open();
      return true;
    } catch (...) {
      failure = ErrorText(std::current_exception());
    }
  } else if (!hasBackup) {
    try {
      if (&table == &CallsTbl) DefineCalls(); else DefineFolders();
      table.Open();
      table.SaveToFile(file);
      table.SetLoadMode(lmFile);
      table.Open();
      created = true;
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
  // The backup, when it loads, becomes the table; the bad file is kept beside it.
  try {
    {
      TZorudTable probe;
      probe.SetTableName(backup);
      probe.Open();
      probe.Close();
    }
    std::string image = ReadWhole(backup);
    if (hasFile) {
      std::string bad = FreeBadName(file);
      if (!RenameFile(file, bad)) {
        int code = int(GetLastError());
        throw EInOutError("Can not rename " + name + ": " + SysErrorMessage(code), code);
      }
      AddEvent(name + " kept as " + ExtractFileName(bad));
    }
    WriteFileSafely(file, image.data(), image.size());
    table.SetLoadMode(lmFile);
    table.Open();
  } catch (...) {
    std::string why = ErrorText(std::current_exception());
    table.Close();
    AddEvent("Backup of " + name + " not restored: " + why);
    Tell("Can not open " + name + " file, nor its backup " + ExtractFileName(backup) +
         ".\nBoth files are kept as they are; calls can not be filed until this is mended.");
    return false;
  }
  AddEvent(name + " restored from " + ExtractFileName(backup));
  Tell("Can not open " + name + " file. Restoring backup");
  return true;
}

void TCallLog::OpenDatabase() {
  Database1.SetDatabasePath(ProgramDir);
  bool callsCreated, foldersCreated;
  if (OpenTable(CallsTbl, callsCreated)) CallsTbl.First();
  OpenTable(FoldersTbl, foldersCreated);
  const std::string legacy = ProgramDir + "\\Tree.d";
  bool fromLegacy = FileExists(legacy);
  if (fromLegacy) Tree = LoadLegacyTree(legacy);
  else Tree = LoadTreeFromIni(TreeFileName());
  Reconcile(foldersCreated, fromLegacy);
  if (!Tree.empty()) SelectFolder(0);
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
  if (foldersCreated && FindNodeByText(Tree, "General") < 0) addRecord(CreateUniqueKey(), "General");
  for (TFolderNode& node : Tree) {
    if (node.FolderId.empty()) {
      node.FolderId = CreateUniqueKey();
      changed = true;
    }
    if (!HasRecord(FoldersTbl, node.FolderId)) addRecord(node.FolderId, node.Text);
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
