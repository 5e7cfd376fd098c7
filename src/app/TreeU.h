#pragma once
#include <string>
#include <vector>

// One line of the folder tree in its flat order (depth first, parents before their children).
struct TFolderNode {
  int Level = 0;
  std::string Text;
  std::string FolderId;
  bool Expanded = false;
};
using TFolderTree = std::vector<TFolderNode>;

// Tree.ini: [Tree] Node<i> = one leading "#" per level and the text, [Folders] Node<i> = the
// folder id, [Expanded] Node<i> = 1 or 0. The file is written whole through a temporary file
// (EInOutError on failure, the old file then intact).
void SaveTreeToIni(const TFolderTree& tree, const std::string& fileName);
// Only the leading "#" give the depth; a line deeper than one below its predecessor is taken
// as its child. A missing file gives an empty tree.
TFolderTree LoadTreeFromIni(const std::string& fileName);
// The older "tree.d": one node per line, leading tabs give the depth; every node expanded.
TFolderTree LoadLegacyTree(const std::string& fileName);

// Index of the first node with that text, or -1.
int FindNodeByText(const TFolderTree& tree, const std::string& text);
// Index after the last descendant of node i.
int SubtreeEnd(const TFolderTree& tree, int i);
// Adds a node as the last child of parent (-1: as the last root node); returns its index.
int AddChildNode(TFolderTree& tree, int parent, const std::string& text, const std::string& folderId);
