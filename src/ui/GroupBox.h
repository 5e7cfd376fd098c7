#pragma once
#include "Control.h"

// A captioned frame around other controls, which are placed on it.
class TGroupBox : public TControl {
public:
  explicit TGroupBox(TComponent* owner);

protected:
  void CreateParams(TCreateParams& params) override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};
