#pragma once
#include "Action.h"
#include "Control.h"

// A push button. A click sets the parent form's ModalResult (when ModalResult is not mrNone),
// then runs OnClick, or else the bound action. Default: Enter clicks it; Cancel: Esc does.
class TButton : public TControl, public TActionClient {
public:
  explicit TButton(TComponent* owner);

  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }
  int ModalResult = 0;

  void Click();
  TNotifyEvent OnClick;

protected:
  void CreateParams(TCreateParams& params) override;
  void Command(WORD code) override;

private:
  void ActionChanged() override;
  bool default_ = false;
  bool cancel_ = false;
};
