#pragma once
#include "Control.h"

// A check box. OnClick runs when the user toggles it and when Checked is changed by the program
// (not while its form is loading).
class TCheckBox : public TControl {
public:
  explicit TCheckBox(TComponent* owner);
  bool Checked() const;
  void SetChecked(bool checked);
  TNotifyEvent OnClick;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Command(WORD code) override;

private:
  mutable bool checked_ = false;
};
