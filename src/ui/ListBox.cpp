#include "ListBox.h"

TListBox::TListBox(TComponent* owner) : TControl(owner) {
  defaultColor_ = clWindow;
  SetBounds(0, 0, 121, 97);
}

void TListBox::CreateParams(TCreateParams& params) {
  params.className = "LISTBOX";
  params.style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
  params.exStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::HandleCreated() {
  for (const std::string& item : items_)
    Perform(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  if (itemIndex_ >= 0) Perform(LB_SETCURSEL, itemIndex_);
}

void TListBox::AddItem(const std::string& item) {
  items_.push_back(item);
  Perform(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void TListBox::Clear() {
  items_.clear();
  itemIndex_ = -1;
  Perform(LB_RESETCONTENT);
}

int TListBox::ItemIndex() const {
  if (HandleAllocated()) itemIndex_ = static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0));
  return itemIndex_;
}

void TListBox::SetItemIndex(int index) {
  itemIndex_ = index >= 0 && index < Count() ? index : -1;
  Perform(LB_SETCURSEL, itemIndex_);
}

void TListBox::Command(WORD code) {
  if (code == LBN_SELCHANGE && OnClick) OnClick(this);
  if (code == LBN_DBLCLK && OnDblClick) OnDblClick(this);
}
