#include "Menu.h"
#include <algorithm>
#include <map>
#include "Application.h"
#include "Exception.h"
#include "Form.h"

namespace {
// Command ids of menu items: above the range of control ids.
std::map<WORD, TMenuItem*>& Commands() {
  static auto* commands = new std::map<WORD, TMenuItem*>;  // outlives the forms freed at exit
  return *commands;
}

WORD NewCommand(TMenuItem* item) {
  static WORD next = 0x8000;
  auto& commands = Commands();
  while (commands.count(next) || next < 0x8000) next = next == 0xFFFF ? 0x8000 : next + 1;
  WORD id = next;
  next = next == 0xFFFF ? 0x8000 : next + 1;
  commands[id] = item;
  return id;
}

void ClearMenu(HMENU menu) {
  while (GetMenuItemCount(menu) > 0) RemoveMenu(menu, 0, MF_BYPOSITION);
}
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) { command_ = NewCommand(this); }

TMenuItem::~TMenuItem() {
  if (parent_) parent_->Remove(this);
  for (TMenuItem* child : items_) child->parent_ = nullptr;
  items_.clear();
  if (handle_) {
    ClearMenu(handle_);
    DestroyMenu(handle_);
  }
  Commands().erase(command_);
}

TMenuItem* TMenuItem::FromCommand(WORD command) {
  auto& commands = Commands();
  auto it = commands.find(command);
  return it == commands.end() ? nullptr : it->second;
}

void TMenuItem::Add(TMenuItem* item) {
  if (!item || item->parent_ == this) return;
  if (item->parent_) item->parent_->Remove(item);
  item->parent_ = this;
  items_.push_back(item);
  if (!handle_) {
    handle_ = CreatePopupMenu();
    if (!handle_) throw EOutOfResources("Cannot create a menu");
    if (parent_) parent_->Rebuild();  // the entry becomes a submenu
  }
  Rebuild();
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
  Rebuild();
}

void TMenuItem::FillInfo(MENUITEMINFOA& info, std::string& text) const {
  info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
  info.wID = command_;
  info.hSubMenu = handle_;
  if (caption_ == "-") {
    info.fType = MFT_SEPARATOR;
    info.fMask &= ~MIIM_STRING;
    return;
  }
  info.fType = MFT_STRING;
  info.fState = (enabled_ ? MFS_ENABLED : MFS_GRAYED) | (checked_ ? MFS_CHECKED : MFS_UNCHECKED) |
                (default_ ? MFS_DEFAULT : 0);
  text = caption_;
  if (shortCut_ != scNone) text += "\t" + ShortCutToText(shortCut_);
  info.dwTypeData = &text[0];
  info.cch = static_cast<UINT>(text.size());
}

void TMenuItem::Rebuild() {
  if (!handle_) return;
  ClearMenu(handle_);
  UINT position = 0;
  for (TMenuItem* child : items_) {
    if (!child->visible_) continue;
    MENUITEMINFOA info;
    std::string text;
    child->FillInfo(info, text);
    InsertMenuItemA(handle_, position++, TRUE, &info);
  }
  Changed();
}

void TMenuItem::Update() {
  if (!parent_ || !parent_->handle_ || !visible_) return;
  MENUITEMINFOA info;
  std::string text;
  FillInfo(info, text);
  SetMenuItemInfoA(parent_->handle_, command_, FALSE, &info);
  Changed();
}

void TMenuItem::Changed() {
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  if (root->menu_) root->menu_->Changed();
}

void TMenuItem::SetCaption(const std::string& caption) {
  caption_ = caption;
  Update();
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
  shortCut_ = shortCut;
  Update();
}

void TMenuItem::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Update();
}

void TMenuItem::SetChecked(bool checked) {
  checked_ = checked;
  Update();
}

void TMenuItem::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  if (parent_) parent_->Rebuild();
}

void TMenuItem::SetDefault(bool isDefault) {
  default_ = isDefault;
  Update();
}

void TMenuItem::ActionChanged() {
  caption_ = Action()->Caption();
  shortCut_ = Action()->ShortCut();
  enabled_ = Action()->Enabled();
  checked_ = Action()->Checked();
  Update();
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (OnClick)
    OnClick(this);
  else if (Action())
    Action()->Execute();
}

TMenuItem* TMenuItem::FindShortCut(TShortCut shortCut) {
  for (TMenuItem* child : items_) {
    if (child->shortCut_ == shortCut) return child;
    if (TMenuItem* found = child->FindShortCut(shortCut)) return found;
  }
  return nullptr;
}

bool TMenuItem::Usable() const {
  for (const TMenuItem* i = this; i; i = i->parent_)
    if (!i->enabled_ || !i->visible_) return false;
  return true;
}

TMenu::TMenu(TComponent* owner, bool bar) : TComponent(owner), items_(new TMenuItem(this)) {
  items_->menu_ = this;
  items_->handle_ = bar ? CreateMenu() : CreatePopupMenu();
  if (!items_->handle_) throw EOutOfResources("Cannot create a menu");
}

bool TMenu::IsShortCut(TShortCut shortCut) {
  TMenuItem* item = items_->FindShortCut(shortCut);
  if (!item || !item->Usable()) return false;
  item->Click();
  return true;
}

TMainMenu::~TMainMenu() {
  if (form_) form_->SetMenu(nullptr);
}

void TMainMenu::Changed() {
  if (form_ && form_->HandleAllocated()) DrawMenuBar(form_->Handle());
}

void TMainMenu::DetachForm(TForm* form) {
  if (form_ == form) form_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  HWND owner = Application.Handle();
  UINT command = TrackPopupMenuEx(Handle(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, x, y,
                                  owner, nullptr);
  PostMessageA(owner, WM_NULL, 0, 0);
  if (TMenuItem* item = TMenuItem::FromCommand(static_cast<WORD>(command))) item->Click();
}

TMenuItem* TPopupMenu::DefaultItem() const {
  for (int i = 0; i < items_->Count(); ++i)
    if (items_->Items(i)->Visible() && items_->Items(i)->Default()) return items_->Items(i);
  return nullptr;
}
