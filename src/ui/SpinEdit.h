#pragma once
#include "Control.h"

// A number box with up and down arrows: a window of its own holding an edit and an up-down
// control. Value is kept within MinValue..MaxValue (unless both are equal). OnChange runs when
// the text changes.
class TSpinEdit : public TControl {
public:
  explicit TSpinEdit(TComponent* owner);

  int Value() const;
  void SetValue(int value);
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  void SetRange(int minValue, int maxValue);
  void SetEnabled(bool enabled) override;
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Resized() override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  int Clamp(int value) const;
  HWND edit_ = nullptr;
  HWND updown_ = nullptr;
  int min_ = 0, max_ = 0;
  mutable int value_ = 0;
};
