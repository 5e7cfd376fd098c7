#include "FolderTreeView.h"
#include "TreeView.h"

std::vector<TTreeNode*> ShowFolderTree(TTreeView& view, const TFolderTree& tree) {
  view.Clear();
  std::vector<TTreeNode*> last;  // the latest node of each depth
  std::vector<TTreeNode*> made;
  for (const TFolderNode& n : tree) {
    TTreeNode* parent = n.Level > 0 && size_t(n.Level) <= last.size() ? last[size_t(n.Level) - 1] : nullptr;
    TTreeNode* node = view.AddChild(parent, n.Text);
    node->Data = n.FolderId;
    ShowFolderImage(node);
    last.resize(size_t(n.Level));
    last.push_back(node);
    made.push_back(node);
  }
  for (size_t i = 0; i < made.size(); ++i)
    if (tree[i].Expanded) made[i]->Expand(false);
  return made;
}

TFolderTree FolderTreeOf(const TTreeView& view) {
  TFolderTree tree;
  for (TTreeNode* n : view.Nodes()) tree.push_back({n->Level(), n->Text(), n->Data, n->Expanded()});
  return tree;
}

void ShowFolderImage(TTreeNode* node) {
  node->SetImageIndex(node->Expanded() ? OpenFolderImage : ClosedFolderImage);
  node->SetSelectedIndex(OpenFolderImage);
}
