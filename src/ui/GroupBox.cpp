#include "GroupBox.h"

TGroupBox::TGroupBox(TComponent* owner) : TControl(owner) {
  parentColor_ = true;
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::CreateParams(TCreateParams& params) {
  params.className = "BUTTON";
  params.style |= BS_GROUPBOX | WS_CLIPCHILDREN;
  params.exStyle |= WS_EX_CONTROLPARENT;
}

bool TGroupBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_ERASEBKGND) {
    // The platform's group box draws no background, and its parent clips its children.
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(reinterpret_cast<HDC>(wParam), &r, BackBrush());
    result = 1;
    return true;
  }
  return TControl::WndProc(msg, wParam, lParam, result);
}
