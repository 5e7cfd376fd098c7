#pragma once
#include <vector>
#include "TreeU.h"

class TTreeNode;
class TTreeView;

// The folder tree in a tree view: each node's text is the folder's name, its data the folder id.
// Images (of the main window's ImageList3): an open folder for an expanded node and for the
// selected one, a closed folder otherwise.
constexpr int OpenFolderImage = 0;
constexpr int ClosedFolderImage = 1;

// Replaces the view's nodes by the tree's, expanded as stored; returns them in flat order.
std::vector<TTreeNode*> ShowFolderTree(TTreeView& view, const TFolderTree& tree);
TFolderTree FolderTreeOf(const TTreeView& view);
// The node's image after its expanded state.
void ShowFolderImage(TTreeNode* node);
