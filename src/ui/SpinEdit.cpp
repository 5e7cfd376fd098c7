#include "SpinEdit.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdlib>
#include <string>
#include "Exception.h"

namespace {
const int kArrowWidth = 16;
}

TSpinEdit::TSpinEdit(TComponent* owner) : TControl(owner) {
  defaultColor_ = clWindow;
  SetBounds(0, 0, 121, 22);
}

void TSpinEdit::CreateParams(TCreateParams& params) {
  params.className = "TSpinEdit";
  params.ownClass = true;
  params.exStyle |= WS_EX_CONTROLPARENT;
}

void TSpinEdit::HandleCreated() {
  InitCommonControlsOnce();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  edit_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", std::to_string(value_).c_str(),
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0,
                          Handle(), nullptr, instance, nullptr);
  updown_ = CreateWindowExA(0, UPDOWN_CLASSA, "",
                            WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                            0, 0, 0, 0, Handle(), nullptr, instance, nullptr);
  if (!edit_ || !updown_) throw EOutOfResources("Cannot create a spin edit");
  SendMessageA(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
  SendMessageA(updown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit_), 0);
  SendMessageA(updown_, UDM_SETRANGE32, min_ == max_ ? -0x7FFFFFFF : min_,
               min_ == max_ ? 0x7FFFFFFF : max_);
  SendMessageA(updown_, UDM_SETPOS32, 0, value_);
  Resized();
}

void TSpinEdit::Resized() {
  if (edit_) {
    MoveWindow(edit_, 0, 0, std::max(0, Width() - kArrowWidth), Height(), TRUE);
    MoveWindow(updown_, std::max(0, Width() - kArrowWidth), 0, kArrowWidth, Height(), TRUE);
  }
  TControl::Resized();
}

int TSpinEdit::Clamp(int value) const {
  if (min_ == max_) return value;
  return value < min_ ? min_ : value > max_ ? max_ : value;
}

int TSpinEdit::Value() const {
  if (edit_) {
    char text[32] = {};
    GetWindowTextA(edit_, text, sizeof text);
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    value_ = Clamp(end == text ? min_ : static_cast<int>(v));
  }
  return value_;
}

void TSpinEdit::SetValue(int value) {
  value_ = Clamp(value);
  if (!edit_) return;
  SetWindowTextA(edit_, std::to_string(value_).c_str());
  SendMessageA(updown_, UDM_SETPOS32, 0, value_);
}

void TSpinEdit::SetRange(int minValue, int maxValue) {
  min_ = minValue;
  max_ = maxValue;
  if (updown_)
    SendMessageA(updown_, UDM_SETRANGE32, min_ == max_ ? -0x7FFFFFFF : min_,
                 min_ == max_ ? 0x7FFFFFFF : max_);
  SetValue(value_);
}

void TSpinEdit::SetEnabled(bool enabled) {
  TControl::SetEnabled(enabled);
  if (edit_) EnableWindow(edit_, enabled);
  if (updown_) EnableWindow(updown_, enabled);
}

bool TSpinEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_COMMAND && reinterpret_cast<HWND>(lParam) == edit_ && edit_) {
    if (HIWORD(wParam) == EN_CHANGE && OnChange) OnChange(this);
    result = 0;
    return true;
  }
  if (msg == WM_SETFOCUS && edit_) {
    ::SetFocus(edit_);
    result = 0;
    return true;
  }
  if (msg == WM_NCDESTROY || msg == WM_DESTROY) {
    edit_ = nullptr;
    updown_ = nullptr;
  }
  return TControl::WndProc(msg, wParam, lParam, result);
}
