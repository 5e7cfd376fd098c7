#pragma once
#include "Control.h"

// A one-line text box. OnChange runs whenever the text changes, by the user or the program.
class TEdit : public TControl {
public:
  explicit TEdit(TComponent* owner);
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int length);  // 0: no limit of our own
  void SelectAll();
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Command(WORD code) override;

private:
  bool readOnly_ = false;
  int maxLength_ = 0;
};
