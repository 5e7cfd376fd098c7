#include "Button.h"
#include "Form.h"

TButton::TButton(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 75, 25); }

void TButton::CreateParams(TCreateParams& params) {
  params.className = "BUTTON";
  params.style |= WS_TABSTOP | (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void TButton::SetDefault(bool on) {
  default_ = on;
  if (HandleAllocated()) Perform(BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::ActionChanged() {
  SetCaption(Action()->Caption());
  SetEnabled(Action()->Enabled());
}

void TButton::Click() {
  if (ModalResult != 0)
    if (TForm* form = ParentForm()) form->ModalResult = ModalResult;
  if (OnClick)
    OnClick(this);
  else if (Action())
    Action()->Execute();
}

void TButton::Command(WORD code) {
  if (code == BN_CLICKED) Click();
}
