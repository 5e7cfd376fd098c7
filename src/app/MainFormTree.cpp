// The main window's folder tree: expanding and collapsing folders, their images, the pop-up
// menu's selection, and "Move to..." with its folder picker.
#include "Action.h"
#include "FolderTreeView.h"
#include "MainFormU.h"
#include "MoveToU.h"
#include "TreeView.h"

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
