#include "CheckBox.h"

TCheckBox::TCheckBox(TComponent* owner) : TControl(owner) {
  parentColor_ = true;
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::CreateParams(TCreateParams& params) {
  params.className = "BUTTON";
  params.style |= WS_TABSTOP | BS_AUTOCHECKBOX;
}

void TCheckBox::HandleCreated() { Perform(BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED); }

bool TCheckBox::Checked() const {
  if (HandleAllocated())
    checked_ = SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  return checked_;
}

void TCheckBox::SetChecked(bool checked) {
  if (Checked() == checked) return;
  checked_ = checked;
  Perform(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
  if (!Loading() && OnClick) OnClick(this);
}

void TCheckBox::Command(WORD code) {
  if (code != BN_CLICKED) return;
  Checked();
  if (OnClick) OnClick(this);
}
