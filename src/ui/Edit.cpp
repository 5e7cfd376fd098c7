#include "Edit.h"

TEdit::TEdit(TComponent* owner) : TControl(owner) {
  defaultColor_ = clWindow;
  SetBounds(0, 0, 121, 21);
}

void TEdit::CreateParams(TCreateParams& params) {
  params.className = "EDIT";
  params.style |= WS_TABSTOP | ES_AUTOHSCROLL | (readOnly_ ? ES_READONLY : 0);
  params.exStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::HandleCreated() {
  if (maxLength_ > 0) Perform(EM_SETLIMITTEXT, maxLength_);
}

void TEdit::SetReadOnly(bool on) {
  readOnly_ = on;
  Perform(EM_SETREADONLY, on);
}

void TEdit::SetMaxLength(int length) {
  maxLength_ = length;
  Perform(EM_SETLIMITTEXT, length > 0 ? length : 0);
}

void TEdit::SelectAll() { Perform(EM_SETSEL, 0, -1); }

void TEdit::Command(WORD code) {
  if (code == EN_CHANGE && OnChange) OnChange(this);
}
