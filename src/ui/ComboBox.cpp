#include "ComboBox.h"

TComboBox::TComboBox(TComponent* owner)
    : TItemsControl(owner, {CB_ADDSTRING, CB_RESETCONTENT, CB_GETCURSEL, CB_SETCURSEL}) {
  defaultColor_ = clWindow;
  SetBounds(0, 0, 145, 21);
}

void TComboBox::CreateParams(TCreateParams& params) {
  params.className = "COMBOBOX";
  params.style |= WS_TABSTOP | WS_VSCROLL |
                  (Style == csDropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL);
}

std::string TComboBox::Text() const {
  if (Style == csDropDownList || !HandleAllocated()) {
    int i = ItemIndex();
    if (i >= 0 && i < Count()) return Item(i);
    return Style == csDropDownList ? std::string() : caption_;
  }
  return Caption();
}

void TComboBox::SetText(const std::string& text) {
  if (Style == csDropDownList) {
    int found = -1;
    for (int i = 0; i < Count() && found < 0; ++i)
      if (Item(i) == text) found = i;
    SetItemIndex(found);
    return;
  }
  SetCaption(text);
}

void TComboBox::Command(WORD code) {
  if ((code == CBN_SELCHANGE || code == CBN_EDITCHANGE) && OnChange) OnChange(this);
}
