#pragma once
#include <windows.h>
#include <commctrl.h>
#include <memory>
#include <string>
#include <vector>
#include "Control.h"
#include "DragDrop.h"

class TTreeView;

// Where MoveTo puts a node relative to the destination node.
enum TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };

// One node of a tree view: its text, a string of data that it owns, its images and its children.
// Nodes belong to their tree; the tree's operations make and delete them.
class TTreeNode {
public:
  TTreeView* TreeView() const { return tree_; }
  TTreeNode* Parent() const { return parent_; }
  int Level() const;
  int Count() const { return static_cast<int>(children_.size()); }
  TTreeNode* Item(int index) const { return children_.at(index).get(); }
  bool HasChildren() const { return !children_.empty(); }
  // Index among its siblings, and in the tree's flat order.
  int Index() const;
  int AbsoluteIndex() const;

  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  std::string Data;

  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index);
  int SelectedIndex() const { return selectedIndex_; }
  void SetSelectedIndex(int index);

  bool Expanded() const;
  void Expand(bool recurse);
  void Collapse(bool recurse);
  bool Selected() const;
  // Starts editing the label (the tree must not be read-only); false when it cannot.
  bool EditText();
  // The rectangle of the node's row, or of its label only, in the tree's client coordinates.
  RECT DisplayRect(bool textOnly) const;
  // Moves the node with its children; no deletion events. The tree keeps its selection.
  void MoveTo(TTreeNode* destination, TNodeAttachMode mode);

  HTREEITEM ItemId() const { return item_; }

private:
  friend class TTreeView;
  TTreeNode(TTreeView* tree, TTreeNode* parent, const std::string& text)
      : tree_(tree), parent_(parent), text_(text) {}
  std::vector<std::unique_ptr<TTreeNode>>& Siblings() const;
  void UpdateItem(UINT mask);

  TTreeView* tree_;
  TTreeNode* parent_;
  std::string text_;
  int imageIndex_ = 0;
  int selectedIndex_ = 0;
  bool expanded_ = false;  // kept while the node has no window item
  std::vector<std::unique_ptr<TTreeNode>> children_;
  HTREEITEM item_ = nullptr;
};

// A tree of nodes over the platform's tree view: lines and buttons, images from an image list,
// label editing when not read-only, and dragging of nodes (automatic drag mode) onto a target;
// it is a drop target itself (OnDragOver / OnDragDrop). Events run for the user's and the
// program's changes alike.
class TTreeView : public TControl, public TDragTarget {
public:
  explicit TTreeView(TComponent* owner);
  ~TTreeView() override;

  // Adds a node as the last sibling of sibling (a root node when sibling is nullptr).
  TTreeNode* Add(TTreeNode* sibling, const std::string& text);
  TTreeNode* AddFirst(TTreeNode* sibling, const std::string& text);
  // Adds a node as the last (first) child of parent (a root node when parent is nullptr).
  TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
  TTreeNode* AddChildFirst(TTreeNode* parent, const std::string& text);
  // Inserts a node just before sibling (the last root node when sibling is nullptr).
  TTreeNode* Insert(TTreeNode* sibling, const std::string& text);
  // Deletes the node and its descendants: OnDeletion runs for each, children first. When the
  // selected node goes, the platform's new selection is reported by OnChange.
  void Delete(TTreeNode* node);
  // Deletes every node (OnDeletion for each; no OnChange).
  void Clear();

  // Every node in flat order: depth first, parents before children, siblings in display order.
  std::vector<TTreeNode*> Nodes() const;
  int Count() const { return static_cast<int>(Nodes().size()); }
  TTreeNode* Item(int absoluteIndex) const;
  TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
  int RootCount() const { return static_cast<int>(roots_.size()); }

  // One line per node in flat order: as many tabs as its depth, then its text.
  std::vector<std::string> SaveToLines() const;
  // Replaces the nodes by lines of that form; a line deeper than one level below the previous
  // one becomes a child of the previous line's node. Data is empty, images 0, all collapsed.
  void LoadFromLines(const std::vector<std::string>& lines);

  TTreeNode* Selected() const;
  void SetSelected(TTreeNode* node);
  // The node on the row at this point of the client area, or nullptr.
  TTreeNode* GetNodeAt(int x, int y) const;
  void FullExpand();
  void FullCollapse();

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool IsEditing() const;
  void SetImages(HIMAGELIST images);  // not owned

  // Automatic: dragging a node selects it and drags it (the tree itself may be the target).
  TDragMode DragMode = dmManual;

  std::function<void(TComponent* sender, TTreeNode* node)> OnChange;
  std::function<void(TComponent* sender, TTreeNode* node)> OnAddition;
  std::function<void(TComponent* sender, TTreeNode* node)> OnDeletion;
  std::function<void(TComponent* sender, TTreeNode* node)> OnExpanded;
  std::function<void(TComponent* sender, TTreeNode* node)> OnCollapsed;
  // Label editing ended with text (not when cancelled); the node takes text as it is left.
  std::function<void(TComponent* sender, TTreeNode* node, std::string& text)> OnEdited;
  TMouseEvent OnMouseDown;
  TKeyEvent OnKeyDown;
  std::function<void(TComponent* sender, TControl* source, int x, int y, bool& accept)> OnDragOver;
  std::function<void(TComponent* sender, TControl* source, int x, int y)> OnDragDrop;

  bool DragOver(TControl* source, int x, int y) override;
  void DragDrop(TControl* source, int x, int y) override;
  void DragLeave() override;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  bool Notify(NMHDR* header, LRESULT& result) override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  friend class TTreeNode;
  TTreeNode* Place(TTreeNode* parent, size_t index, const std::string& text);
  void InsertItem(TTreeNode* node);
  void ForgetItems(TTreeNode* node);
  void DeleteNodes(std::vector<std::unique_ptr<TTreeNode>>& list, size_t index);
  void NotifyDeletion(TTreeNode* node);
  TTreeNode* NodeFromItem(HTREEITEM item) const;
  void AddFlat(const std::vector<std::unique_ptr<TTreeNode>>& list,
               std::vector<TTreeNode*>& out) const;

  std::vector<std::unique_ptr<TTreeNode>> roots_;
  bool readOnly_ = true;
  HIMAGELIST images_ = nullptr;
  TTreeNode* selected_ = nullptr;  // kept while there is no window
  int quiet_ = 0;                  // >0: the platform's notifications come from our own changes
};
