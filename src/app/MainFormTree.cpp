// The main window's folder tree: showing it from the call log and back, adding, inserting,
// renaming and deleting folders, moving them by drag, calls dropped on a folder or moved through
// "Move to...", expanding and collapsing with their images, the pop-up menu's selection.
#include "Action.h"
#include "Dialogs.h"
#include "FolderTreeView.h"
#include "ListView.h"
#include "MainFormU.h"
#include "MoveToU.h"
#include "TreeView.h"
#include "UniqueKey.h"

void TfmQdx::ShowTree() {
  std::string selected = Tree->Selected() ? Tree->Selected()->Data : "";
  std::vector<TTreeNode*> made = ShowFolderTree(*Tree, Log.Tree);
  TTreeNode* select = made.empty() ? nullptr : made.front();
  for (TTreeNode* node : made)
    if (!selected.empty() && node->Data == selected) select = node;
  if (select) Tree->SetSelected(select);
  TreeChange(select);
}

void TfmQdx::TreeToLog() { Log.Tree = FolderTreeOf(*Tree); }

void TfmQdx::TreeChange(TTreeNode* node) {
  if (node && FoldersTbl.Active()) FoldersTbl.Locate("FolderID", node->Data);
  bool root = !node || node->Level() == 0;
  acInsertNode->SetEnabled(!root && Log.FoldersOpen());
  acRenameNode->SetEnabled(!root && Log.FoldersOpen());
  acDeleteNode->SetEnabled(!root && Log.FoldersOpen() && Log.CallsOpen());
  acAddNode->SetEnabled(node && Log.FoldersOpen());
  acAddSubNode->SetEnabled(node && Log.FoldersOpen());
  SetExpandActions(node);
  ShowCalls();
}

// how: 0 the last sibling, 1 the last child, 2 just before the selected node.
void TfmQdx::AddFolder(int how) {
  TTreeNode* selected = Tree->Selected();
  if (!selected || !Log.FoldersOpen()) return;
  std::string id = CreateUniqueKey();
  FoldersTbl.Append();
  FoldersTbl.FieldByName("FolderId")->SetAsString(id);
  FoldersTbl.FieldByName("FolderName")->SetAsString("");
  FoldersTbl.Post();
  try {
    FoldersTbl.PostAndSave();
  } catch (const std::exception& e) {
    ShowMessage(std::string("Can not save Folders.d file.\n") + e.what());
  }
  TTreeNode* node = how == 1 ? Tree->AddChild(selected, "") : how == 2 ? Tree->Insert(selected, "") : Tree->Add(selected, "");
  node->Data = id;
  ShowFolderImage(node);
  if (how == 1) selected->Expand(true);
  Tree->SetReadOnly(false);
  Tree->SetSelected(node);
  node->EditText();
  TreeModified = true;
}

void TfmQdx::TreeEdited(TTreeNode* node, std::string& text) {
  Tree->SetReadOnly(true);
  // A node whose folder record cannot be found: nothing is written.
  if (!node || !FoldersTbl.Active() || !FoldersTbl.Locate("FolderID", node->Data)) {
    text = node ? node->Text() : text;
    return;
  }
  FoldersTbl.Edit();
  FoldersTbl.FieldByName("FolderName")->SetAsString(text);
  FoldersTbl.Post();
  try {
    FoldersTbl.PostAndSave();
  } catch (const std::exception& e) {
    ShowMessage(std::string("Can not save Folders.d file.\n") + e.what());
  }
  TreeModified = true;
}

void TfmQdx::acRenameNodeExecute() {
  TTreeNode* node = Tree->Selected();
  if (!node) return;
  if (node->Text() == "General") {
    ShowMessage("General folder can not be renamed");
    return;
  }
  Tree->SetReadOnly(false);
  ShowFolderImage(node);
  node->EditText();
}

void TfmQdx::acDeleteNodeExecute() {
  TTreeNode* node = Tree->Selected();
  if (!node) return;
  if (node->Text() == "General") {
    ShowMessage("General folder can not be deleted");
    return;
  }
  if (MessageDlg("Delete node? All of your files will be deleted \nAll of child nodes and files if existing will be also deleted",
                 mtConfirmation, mbOKCancel) != mrOk)
    return;
  TreeToLog();
  int index = node->AbsoluteIndex();
  Log.DeleteFolder(index);  // the calls, their files, the records; Tree.ini saved
  ShowTree();
}

void TfmQdx::TreeDragOver(TControl* source, int x, int y, bool& accept) {
  TTreeNode* target = Tree->GetNodeAt(x, y);
  accept = false;
  if (!target) return;
  if (source == dbGrid1) {
    accept = true;
    return;
  }
  TTreeNode* dragged = Tree->Selected();
  // A root-level folder takes no drop: refused here, so that the pointer does not promise one.
  if (source != Tree || !dragged || dragged->Level() == 0 || target->Level() == 0) return;
  for (TTreeNode* n = target; n; n = n->Parent())
    if (n == dragged) return;
  accept = true;
}

void TfmQdx::TreeDragDrop(TControl* source, int x, int y) {
  TTreeNode* target = Tree->GetNodeAt(x, y);
  if (!target) return;
  if (source == dbGrid1) {
    MoveRecordsToFolder(target->Data);
    return;
  }
  TTreeNode* dragged = Tree->Selected();
  if (source == Tree && dragged && target->Level() > 0 && dragged != target) {
    RECT r = target->DisplayRect(true);
    dragged->MoveTo(target, x < r.left ? naInsert : naAddChildFirst);
    target->Expand(false);
    Tree->SetSelected(target);
    TreeModified = true;
  }
}

void TfmQdx::MoveRecordsToFolder(const std::string& folderId) {
  if (!CallsTbl.Active() || CallsTbl.IsEmpty() || folderId.empty()) return;
  CallsTbl.Edit();
  CallsTbl.FieldByName("FolderId")->SetAsString(folderId);
  CallsTbl.Post();
  for (const std::string& id : SelectedIds)
    if (CallsTbl.Locate("id", id)) {
      CallsTbl.Edit();
      CallsTbl.FieldByName("FolderId")->SetAsString(folderId);
      CallsTbl.Post();
    }
  SelectedIds.clear();
  try {
    CallsTbl.PostAndSave();
  } catch (const std::exception& e) {
    ShowMessage(std::string("Can not save Recordings.d file.\n") + e.what());
  }
  CallsTbl.Refresh();
  ShowCalls();
}

void TfmQdx::SetExpandActions(TTreeNode* node) {
  bool children = node && node->HasChildren();
  bool expanded = children && node->Expanded();
  acExpandNode->SetEnabled(children && !expanded);
  acColapseNode->SetEnabled(expanded);
}

void TfmQdx::acExpandNodeExecute() {
  TTreeNode* node = Tree->Selected();
  if (node && !node->Data.empty() && !node->Expanded()) node->Expand(false);
}

void TfmQdx::acColapseNodeExecute() {
  TTreeNode* node = Tree->Selected();
  if (node && !node->Data.empty() && node->Expanded()) node->Collapse(false);
}

void TfmQdx::TreeExpanded(TTreeNode* node) {
  ShowFolderImage(node);
  SetExpandActions(Tree->Selected());
  TreeModified = true;
}

void TfmQdx::TreeCollapsed(TTreeNode* node) {
  ShowFolderImage(node);
  SetExpandActions(Tree->Selected());
  TreeModified = true;
}

// A right click selects the folder under it first: the pop-up's commands act on the selected
// folder, and "Delete node..." must not delete another one than the user pointed at.
void TfmQdx::TreeMouseDown(TMouseButton button, int x, int y) {
  Tree->SetReadOnly(true);
  if (button != mbRight) return;
  if (TTreeNode* node = Tree->GetNodeAt(x, y)) Tree->SetSelected(node);
}

void TfmQdx::acMoveToExecute() {
  // A call filed while the picker is open becomes the current row: the row to move is the one
  // that was current when the user asked.
  std::string current;
  if (CallsTbl.Active() && !CallsTbl.IsEmpty()) current = CallsTbl.FieldByName("id")->AsString();
  std::string folderId;
  if (MoveToForm) MoveToForm->GetTargetFolder(folderId);
  if (folderId.empty() || current.empty() || !CallsTbl.Active() || !CallsTbl.Locate("id", current)) {
    SelectedIds.clear();
    ShowCalls();
    return;
  }
  MoveRecordsToFolder(folderId);
}
