#include "TreeView.h"
#include <algorithm>
#include <cstring>

namespace {
std::string Narrow(const wchar_t* text) {
  int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n : 1, '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, text, -1, &s[0], n, nullptr, nullptr);
  s.resize(strlen(s.c_str()));
  return s;
}

// Platform notifications of our own changes are not the user's: counted scope.
struct TQuiet {
  explicit TQuiet(int& n) : n_(n) { ++n_; }
  ~TQuiet() { --n_; }
  int& n_;
};
}

int TTreeNode::Level() const {
  int level = 0;
  for (TTreeNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

std::vector<std::unique_ptr<TTreeNode>>& TTreeNode::Siblings() const {
  return parent_ ? parent_->children_ : tree_->roots_;
}

int TTreeNode::Index() const {
  auto& list = Siblings();
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == this) return static_cast<int>(i);
  return -1;
}

int TTreeNode::AbsoluteIndex() const {
  auto nodes = tree_->Nodes();
  auto it = std::find(nodes.begin(), nodes.end(), this);
  return it == nodes.end() ? -1 : static_cast<int>(it - nodes.begin());
}

void TTreeNode::UpdateItem(UINT mask) {
  if (!item_ || !tree_->HandleAllocated()) return;
  TVITEMA it = {};
  it.mask = mask | TVIF_HANDLE;
  it.hItem = item_;
  it.pszText = const_cast<char*>(text_.c_str());
  it.iImage = imageIndex_;
  it.iSelectedImage = selectedIndex_;
  tree_->Perform(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

void TTreeNode::SetText(const std::string& text) {
  text_ = text;
  UpdateItem(TVIF_TEXT);
}

void TTreeNode::SetImageIndex(int index) {
  imageIndex_ = index;
  UpdateItem(TVIF_IMAGE);
}

void TTreeNode::SetSelectedIndex(int index) {
  selectedIndex_ = index;
  UpdateItem(TVIF_SELECTEDIMAGE);
}

bool TTreeNode::Expanded() const {
  if (!item_ || !tree_->HandleAllocated()) return expanded_;
  return (tree_->Perform(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item_), TVIS_EXPANDED) &
          TVIS_EXPANDED) != 0;
}

void TTreeNode::Expand(bool recurse) {
  bool was = Expanded();
  if (HasChildren()) {
    expanded_ = true;
    if (item_) {
      TQuiet quiet(tree_->quiet_);
      tree_->Perform(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item_));
    }
  }
  if (!was && Expanded() && tree_->OnExpanded) tree_->OnExpanded(tree_, this);
  if (recurse)
    for (auto& c : children_) c->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
  if (recurse)
    for (auto& c : children_) c->Collapse(true);
  bool was = Expanded();
  TTreeNode* selected = tree_->Selected();
  expanded_ = false;
  if (item_) {
    TQuiet quiet(tree_->quiet_);
    tree_->Perform(TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(item_));
  }
  // A selected descendant is hidden now: the platform has selected this node instead.
  TTreeNode* now = tree_->Selected();
  if (now != selected && tree_->OnChange) tree_->OnChange(tree_, now);
  if (was && !Expanded() && tree_->OnCollapsed) tree_->OnCollapsed(tree_, this);
}

bool TTreeNode::Selected() const { return tree_->Selected() == this; }

bool TTreeNode::EditText() {
  if (!item_ || tree_->ReadOnly()) return false;
  return tree_->Perform(TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item_)) != 0;
}

RECT TTreeNode::DisplayRect(bool textOnly) const {
  RECT r = {};
  if (!item_) return r;
  HTREEITEM item = item_;
  memcpy(&r, &item, sizeof item);  // the message takes the item in the rectangle
  if (!tree_->Perform(TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(&r))) r = RECT{};
  return r;
}

void TTreeNode::MoveTo(TTreeNode* destination, TNodeAttachMode mode) {
  if (!destination || destination->tree_ != tree_) return;
  for (TTreeNode* p = destination; p; p = p->parent_)
    if (p == this) return;  // not into itself or its own subtree
  TTreeView* tree = tree_;
  TQuiet quiet(tree->quiet_);
  TTreeNode* selected = tree->Selected();
  tree->ForgetItems(this);
  auto& from = Siblings();
  auto it = std::find_if(from.begin(), from.end(), [this](auto& p) { return p.get() == this; });
  std::unique_ptr<TTreeNode> self = std::move(*it);
  from.erase(it);
  bool child = mode == naAddChild || mode == naAddChildFirst;
  TTreeNode* parent = child ? destination : destination->parent_;
  auto& to = parent ? parent->children_ : tree->roots_;
  size_t index = mode == naAddFirst || mode == naAddChildFirst ? 0
                 : mode == naInsert                            ? destination->Index()
                                                               : to.size();
  parent_ = parent;
  to.insert(to.begin() + index, std::move(self));
  tree->InsertItem(this);
  if (selected && selected->item_)
    tree->Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(selected->item_));
}

TTreeView::TTreeView(TComponent* owner) : TControl(owner) {
  defaultColor_ = clWindow;
  SetBounds(0, 0, 121, 97);
}

TTreeView::~TTreeView() {
  ++quiet_;
  DestroyHandle();
  roots_.clear();
}

void TTreeView::CreateParams(TCreateParams& params) {
  InitCommonControlsOnce();
  params.className = WC_TREEVIEWA;
  params.style |= WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT |
                  TVS_SHOWSELALWAYS | (readOnly_ ? 0 : TVS_EDITLABELS);
  params.exStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::HandleCreated() {
  TQuiet quiet(quiet_);
  if (images_) Perform(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
  for (auto& n : roots_) InsertItem(n.get());
  if (selected_ && selected_->item_)
    Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(selected_->item_));
}

void TTreeView::InsertItem(TTreeNode* node) {
  if (!HandleAllocated()) return;
  auto& siblings = node->Siblings();
  int index = node->Index();
  TVINSERTSTRUCTA ins = {};
  ins.hParent = node->parent_ ? node->parent_->item_ : TVI_ROOT;
  ins.hInsertAfter = index == 0 ? TVI_FIRST : siblings[index - 1]->item_;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  ins.item.pszText = const_cast<char*>(node->text_.c_str());
  ins.item.iImage = node->imageIndex_;
  ins.item.iSelectedImage = node->selectedIndex_;
  ins.item.lParam = reinterpret_cast<LPARAM>(node);
  node->item_ = reinterpret_cast<HTREEITEM>(Perform(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  for (auto& c : node->children_) InsertItem(c.get());
  if (node->expanded_ && node->HasChildren() && node->item_) {
    TQuiet quiet(quiet_);
    Perform(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node->item_));
  }
}

// Takes a subtree out of the window (keeping its expanded states) before it moves.
void TTreeView::ForgetItems(TTreeNode* node) {
  std::vector<TTreeNode*> subtree = {node};
  AddFlat(node->children_, subtree);
  for (TTreeNode* n : subtree) n->expanded_ = n->Expanded();
  if (node->item_ && HandleAllocated()) Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node->item_));
  for (TTreeNode* n : subtree) n->item_ = nullptr;
}

TTreeNode* TTreeView::Place(TTreeNode* parent, size_t index, const std::string& text) {
  auto& list = parent ? parent->children_ : roots_;
  index = std::min(index, list.size());
  auto* node = new TTreeNode(this, parent, text);
  list.insert(list.begin() + index, std::unique_ptr<TTreeNode>(node));
  InsertItem(node);
  if (OnAddition) OnAddition(this, node);
  return node;
}

TTreeNode* TTreeView::Add(TTreeNode* sibling, const std::string& text) {
  TTreeNode* parent = sibling ? sibling->parent_ : nullptr;
  return Place(parent, parent ? parent->children_.size() : roots_.size(), text);
}

TTreeNode* TTreeView::AddFirst(TTreeNode* sibling, const std::string& text) {
  return Place(sibling ? sibling->parent_ : nullptr, 0, text);
}

TTreeNode* TTreeView::AddChild(TTreeNode* parent, const std::string& text) {
  return Place(parent, parent ? parent->children_.size() : roots_.size(), text);
}

TTreeNode* TTreeView::AddChildFirst(TTreeNode* parent, const std::string& text) {
  return Place(parent, 0, text);
}

TTreeNode* TTreeView::Insert(TTreeNode* sibling, const std::string& text) {
  if (!sibling) return Place(nullptr, roots_.size(), text);
  return Place(sibling->parent_, sibling->Index(), text);
}

void TTreeView::NotifyDeletion(TTreeNode* node) {
  std::vector<TTreeNode*> children;
  for (auto& c : node->children_) children.push_back(c.get());
  for (TTreeNode* c : children) NotifyDeletion(c);
  if (OnDeletion) OnDeletion(this, node);
}

void TTreeView::Delete(TTreeNode* node) {
  if (!node || node->tree_ != this) return;
  TTreeNode* selected = Selected();
  bool selectionGoes = false;
  for (TTreeNode* p = selected; p; p = p->parent_) selectionGoes = selectionGoes || p == node;
  NotifyDeletion(node);
  {
    TQuiet quiet(quiet_);
    if (node->item_ && HandleAllocated())
      Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node->item_));
  }
  if (selectionGoes) selected_ = nullptr;
  auto& list = node->Siblings();
  list.erase(std::find_if(list.begin(), list.end(), [node](auto& p) { return p.get() == node; }));
  if (selectionGoes && OnChange)
    if (TTreeNode* now = Selected()) OnChange(this, now);
}

void TTreeView::Clear() {
  std::vector<TTreeNode*> roots;
  for (auto& n : roots_) roots.push_back(n.get());
  for (TTreeNode* n : roots) NotifyDeletion(n);
  {
    TQuiet quiet(quiet_);
    if (HandleAllocated()) Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  }
  selected_ = nullptr;
  roots_.clear();
}

void TTreeView::AddFlat(const std::vector<std::unique_ptr<TTreeNode>>& list,
                        std::vector<TTreeNode*>& out) const {
  for (auto& n : list) {
    out.push_back(n.get());
    AddFlat(n->children_, out);
  }
}

std::vector<TTreeNode*> TTreeView::Nodes() const {
  std::vector<TTreeNode*> out;
  AddFlat(roots_, out);
  return out;
}

TTreeNode* TTreeView::Item(int absoluteIndex) const {
  auto nodes = Nodes();
  return absoluteIndex >= 0 && absoluteIndex < static_cast<int>(nodes.size()) ? nodes[absoluteIndex]
                                                                            : nullptr;
}

std::vector<std::string> TTreeView::SaveToLines() const {
  std::vector<std::string> lines;
  for (TTreeNode* n : Nodes()) lines.push_back(std::string(n->Level(), '\t') + n->Text());
  return lines;
}

void TTreeView::LoadFromLines(const std::vector<std::string>& lines) {
  Clear();
  std::vector<TTreeNode*> last;  // the latest node of each depth
  for (const std::string& line : lines) {
    size_t tabs = line.find_first_not_of('\t');
    if (tabs == std::string::npos) tabs = line.size();
    size_t depth = std::min(tabs, last.size());
    TTreeNode* node = AddChild(depth ? last[depth - 1] : nullptr, line.substr(tabs));
    last.resize(depth);
    last.push_back(node);
  }
}

TTreeNode* TTreeView::NodeFromItem(HTREEITEM item) const {
  if (!item || !HandleAllocated()) return nullptr;
  TVITEMA it = {};
  it.mask = TVIF_HANDLE | TVIF_PARAM;
  it.hItem = item;
  if (!SendMessageA(Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it))) return nullptr;
  return reinterpret_cast<TTreeNode*>(it.lParam);
}

TTreeNode* TTreeView::Selected() const {
  if (!HandleAllocated()) return selected_;
  return NodeFromItem(reinterpret_cast<HTREEITEM>(
      SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TTreeView::SetSelected(TTreeNode* node) {
  selected_ = node;
  if (HandleAllocated())
    Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node ? node->item_ : nullptr));
}

TTreeNode* TTreeView::GetNodeAt(int x, int y) const {
  if (!HandleAllocated()) return nullptr;
  TVHITTESTINFO hit = {};
  hit.pt = {x, y};
  return NodeFromItem(
      reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit))));
}

void TTreeView::FullExpand() {
  for (TTreeNode* n : Nodes()) n->Expand(false);
}

void TTreeView::FullCollapse() {
  auto nodes = Nodes();
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) (*it)->Collapse(false);
}

void TTreeView::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  UpdateStyle(readOnly ? 0 : TVS_EDITLABELS, readOnly ? TVS_EDITLABELS : 0);
}

bool TTreeView::IsEditing() const {
  return HandleAllocated() && SendMessageA(Handle(), TVM_GETEDITCONTROL, 0, 0) != 0;
}

void TTreeView::SetImages(HIMAGELIST images) {
  images_ = images;
  Perform(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
}

bool TTreeView::Notify(NMHDR* header, LRESULT& result) {
  if (!Parent()) return false;  // the form is going away
  switch (header->code) {
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
      TTreeNode* node = NodeFromItem(nm->itemNew.hItem);
      selected_ = node;
      if (!quiet_ && OnChange) OnChange(this, node);
      result = 0;
      return true;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: {
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
      TTreeNode* node = NodeFromItem(nm->itemNew.hItem);
      if (!quiet_ && node) {
        if (nm->action & TVE_EXPAND) {
          if (OnExpanded) OnExpanded(this, node);
        } else if (OnCollapsed) {
          OnCollapsed(this, node);
        }
      }
      result = 0;
      return true;
    }
    case TVN_BEGINLABELEDITA:
    case TVN_BEGINLABELEDITW:
      result = readOnly_ ? TRUE : FALSE;
      return true;
    case TVN_ENDLABELEDITA:
    case TVN_ENDLABELEDITW: {
      auto* nm = reinterpret_cast<NMTVDISPINFOA*>(header);
      result = FALSE;  // the node sets its own text
      if (!nm->item.pszText) return true;
      std::string text = header->code == TVN_ENDLABELEDITA
                             ? std::string(nm->item.pszText)
                             : Narrow(reinterpret_cast<NMTVDISPINFOW*>(header)->item.pszText);
      TTreeNode* node = NodeFromItem(nm->item.hItem);
      if (!node) return true;
      if (OnEdited) OnEdited(this, node, text);
      node->SetText(text);
      return true;
    }
    case TVN_BEGINDRAGA:
    case TVN_BEGINDRAGW: {
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
      result = 0;
      if (DragMode != dmAutomatic) return true;
      if (TTreeNode* node = NodeFromItem(nm->itemNew.hItem)) SetSelected(node);
      ::BeginDrag(this, nm->ptDrag, 0);  // the tree has seen the mouse move far enough
      return true;
    }
    default:
      return false;
  }
}

bool TTreeView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return MouseAndKeyDown(msg, wParam, lParam, result, OnMouseDown, OnKeyDown) ||
         TControl::WndProc(msg, wParam, lParam, result);
}

bool TTreeView::DragOver(TControl* source, int x, int y) {
  bool accept = false;
  if (OnDragOver) OnDragOver(this, source, x, y, accept);
  TTreeNode* node = accept ? GetNodeAt(x, y) : nullptr;
  Perform(TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(node ? node->item_ : nullptr));
  return accept;
}

void TTreeView::DragDrop(TControl* source, int x, int y) {
  if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TTreeView::DragLeave() { Perform(TVM_SELECTITEM, TVGN_DROPHILITE, 0); }
