#include "TreeU.h"
#include "FileUtils.h"
#include "IniFile.h"
#include "StringList.h"
#include "SysUtils.h"
#include <fstream>

namespace {

// Line breaks would add lines of their own to the file.
std::string OneLine(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c == '\r' || c == '\n') c = ' ';
  return r;
}

void Section(std::string& out, const char* name, const TFolderTree& tree,
             std::string (*value)(const TFolderNode&)) {
  out += std::string("[") + name + "]\r\n";
  for (size_t i = 0; i < tree.size(); ++i) out += "Node" + std::to_string(i) + "=" + OneLine(value(tree[i])) + "\r\n";
}

void NormaliseLevels(TFolderTree& tree) {
  for (size_t i = 0; i < tree.size(); ++i) {
    int most = i == 0 ? 0 : tree[i - 1].Level + 1;
    if (tree[i].Level > most) tree[i].Level = most;
    if (tree[i].Level < 0) tree[i].Level = 0;
  }
}

}  // namespace

void SaveTreeToIni(const TFolderTree& tree, const std::string& fileName) {
  std::string out;
  Section(out, "Tree", tree, [](const TFolderNode& n) { return std::string(size_t(n.Level), '#') + n.Text; });
  Section(out, "Folders", tree, [](const TFolderNode& n) { return n.FolderId; });
  Section(out, "Expanded", tree, [](const TFolderNode& n) { return std::string(n.Expanded ? "1" : "0"); });
  WriteFileSafely(fileName, out.data(), out.size());
}

TFolderTree LoadTreeFromIni(const std::string& fileName) {
  TFolderTree tree;
  if (!FileExists(fileName)) return tree;
  TIniFile ini(fileName);
  TStringList keys;
  ini.ReadSection("Tree", keys);
  for (int i = 0; i < keys.Count(); ++i) {
    std::string line = ini.ReadString("Tree", keys[i], "");
    TFolderNode node;
    size_t depth = line.find_first_not_of('#');
    if (depth == std::string::npos) depth = line.size();
    node.Level = int(depth);
    node.Text = line.substr(depth);
    tree.push_back(node);
  }
  for (size_t i = 0; i < tree.size(); ++i) {
    std::string key = "Node" + std::to_string(i);
    tree[i].FolderId = ini.ReadString("Folders", key, "");
    tree[i].Expanded = ini.ReadBool("Expanded", key, false);
  }
  NormaliseLevels(tree);
  return tree;
}

TFolderTree LoadLegacyTree(const std::string& fileName) {
  TFolderTree tree;
  std::ifstream in(fileName, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t depth = line.find_first_not_of('\t');
    if (depth == std::string::npos) continue;
    TFolderNode node;
    node.Level = int(depth);
    node.Text = line.substr(depth);
    node.Expanded = true;
    tree.push_back(node);
  }
  NormaliseLevels(tree);
  return tree;
}

int FindNodeByText(const TFolderTree& tree, const std::string& text) {
  for (size_t i = 0; i < tree.size(); ++i)
    if (tree[i].Text == text) return int(i);
  return -1;
}

int SubtreeEnd(const TFolderTree& tree, int i) {
  int end = i + 1;
  while (end < int(tree.size()) && tree[end].Level > tree[i].Level) ++end;
  return end;
}

int AddChildNode(TFolderTree& tree, int parent, const std::string& text, const std::string& folderId) {
  TFolderNode node;
  node.Text = text;
  node.FolderId = folderId;
  int at = int(tree.size());
  if (parent >= 0) {
    node.Level = tree[parent].Level + 1;
    at = SubtreeEnd(tree, parent);
  }
  tree.insert(tree.begin() + at, node);
  return at;
}
