#include "ComboBox.h"

TComboBox::TComboBox(TComponent* owner) : TControl(owner) {
  defaultColor_ = clWindow;
  SetBounds(0, 0, 145, 21);
}

void TComboBox::CreateParams(TCreateParams& params) {
  params.className = "COMBOBOX";
  params.style |= WS_TABSTOP | WS_VSCROLL |
                  (Style == csDropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL);
}

void TComboBox::HandleCreated() {
  for (const std::string& item : items_)
    Perform(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  if (itemIndex_ >= 0) Perform(CB_SETCURSEL, itemIndex_);
}

void TComboBox::AddItem(const std::string& item) {
  items_.push_back(item);
  Perform(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void TComboBox::Clear() {
  items_.clear();
  itemIndex_ = -1;
  Perform(CB_RESETCONTENT);
}

int TComboBox::ItemIndex() const {
  if (HandleAllocated()) itemIndex_ = static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
  return itemIndex_;
}

void TComboBox::SetItemIndex(int index) {
  itemIndex_ = index >= 0 && index < Count() ? index : -1;
  Perform(CB_SETCURSEL, itemIndex_);
}

std::string TComboBox::Text() const {
  if (Style == csDropDownList || !HandleAllocated()) {
    int i = ItemIndex();
    if (i >= 0 && i < Count()) return items_[i];
    return Style == csDropDownList ? std::string() : caption_;
  }
  return Caption();
}

void TComboBox::SetText(const std::string& text) {
  if (Style == csDropDownList) {
    int found = -1;
    for (int i = 0; i < Count() && found < 0; ++i)
      if (items_[i] == text) found = i;
    SetItemIndex(found);
    return;
  }
  SetCaption(text);
}

void TComboBox::Command(WORD code) {
  if ((code == CBN_SELCHANGE || code == CBN_EDITCHANGE) && OnChange) OnChange(this);
}
