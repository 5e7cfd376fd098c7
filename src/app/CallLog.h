#pragma once
#include <functional>
#include <string>
#include <vector>
#include "DataSource.h"
#include "TreeU.h"
#include "ZorudTable.h"

struct TFieldNeed;

// The call log of the main window: the folder table Folders.d, the call table Recordings.d
// (the detail of the current folder), and the folder tree's shape with its Tree.ini store, all
// in ProgramDir. No window: the main window shows what it holds.
class TCallLog {
public:
  TCallLog();
  ~TCallLog();

  TZorudDatabase Database1;
  TZorudTable FoldersTbl;
  TDataSource DataSource2;
  TZorudTable CallsTbl;
  TFolderTree Tree;

  // Messages for the user (a message box in the program).
  std::function<void(const std::string& text)> OnMessage;

  // Opens or creates both tables and the tree. A table that fails to load, lacks a field the
  // program uses or is not as written is damaged: kept as ".bad" and replaced by all it still
  // holds when nothing was lost (a damaged field name mended), else by its ".~d" when that is
  // good, else by the rows that can still be read, else by an empty table (a bad ".~d" kept as
  // ".bad" too). A Tree.ini without a folder is kept as Tree.bad.
  // Only when no file can be put in its place does the table stay closed (CallsOpen /
  // FoldersOpen false). Never raises: what failed is told and is an event line.
  void OpenDatabase();
  bool CallsOpen() const { return CallsTbl.Active(); }
  bool FoldersOpen() const { return FoldersTbl.Active(); }

  std::string TreeFileName() const;
  // Writes Tree.ini; false (with a message and an event line) when it cannot.
  bool SaveTree();

  // Makes the folder of tree node i current (the call list follows); false when it has no record.
  bool SelectFolder(int node);
  std::string CurrentFolderId() const;
  // The folder named name, else the first folder; empty when there is none.
  std::string FolderIdByName(const std::string& name);

  // The name rule with the Channel bump: the first channel from 1 up whose file does not exist
  // and that no row names yet.
  std::string FreeRecordingName(const std::string& dateS, const std::string& timeS, int& channel);
  // Every call row (all folders), as name -> fields, for scans.
  struct TCallRow {
    std::string Id, DateS, TimeS, Duration, Comment, FolderId;
    int Channel = 1;
  };
  std::vector<TCallRow> AllCalls();
  // Appends a call row and saves the table. The row stays in memory when the save fails (the
  // next successful save writes it): false then, with the reason in error.
  bool AppendCall(const TCallRow& row, std::string& error);
  // Saves rows and folders that only memory holds (a save that failed before); false, with the
  // reason in error, when some are still unsaved.
  bool SaveUnsaved(std::string& error);

  // The file name of the current call row (empty when its texts do not read back).
  std::string MakeRecordingName();
  // A file of the older scheme (wav\<id>.wav) gets the name of the rule.
  void RenameLegacyRecording();
  std::string RecordingName;

  // Renames folder node i: nothing is written when its record cannot be found.
  bool RenameFolder(int node, const std::string& text);
  // Deletes folder node i with its descendants, their calls and the calls' files, and the
  // folder records that exist; then saves both tables and Tree.ini.
  void DeleteFolder(int node);

  void Close();

private:
  const std::vector<TFieldNeed>& FieldsOf(const TZorudTable& table) const;
  void Define(TZorudTable& table);
  bool OpenChecked(TZorudTable& table, std::string& failure);
  void CreateTable(TZorudTable& table);
  bool KeepAside(const std::string& fileName, std::string& failure);
  bool OpenTable(TZorudTable& table, bool& created);
  void Reconcile(bool foldersCreated, bool legacy);
  std::string NameOf(TZorudDataset& d);
  void RenameLegacyRecording(TZorudDataset& d);
  void CallsTblBeforeDelete(TZorudDataset& dataSet);
  void CallsTblAfterDelete(TZorudDataset& dataSet);
  void Tell(const std::string& text);
  bool DeletingNode = false;
};
