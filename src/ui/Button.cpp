#include "Button.h"
#include "Form.h"

TButton::TButton(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 75, 25); }

TButton::~TButton() {
  if (action_) action_->RemoveClient(this);
}

void TButton::CreateParams(TCreateParams& params) {
  params.className = "BUTTON";
  params.style |= WS_TABSTOP | (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void TButton::SetDefault(bool on) {
  default_ = on;
  if (HandleAllocated()) Perform(BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::SetAction(TAction* action) {
  if (action_ == action) return;
  if (action_) action_->RemoveClient(this);
  action_ = action;
  if (action_) {
    action_->AddClient(this);
    ActionChanged();
  }
}

void TButton::ActionChanged() {
  SetCaption(action_->Caption());
  SetEnabled(action_->Enabled());
}

void TButton::Click() {
  if (ModalResult != 0)
    if (TForm* form = ParentForm()) form->ModalResult = ModalResult;
  if (OnClick)
    OnClick(this);
  else if (action_)
    action_->Execute();
}

void TButton::Command(WORD code) {
  if (code == BN_CLICKED) Click();
}
