#include "KitWndProcComponent.h"
#include "Control.h"
#include "MessageWindow.h"
#include <commctrl.h>

TKitWndProcComponent::~TKitWndProcComponent() { Unhook(); }

HWND TKitWndProcComponent::WindowToHook() const {
  auto* control = dynamic_cast<TControl*>(Owner());
  return control ? control->Handle() : nullptr;
}

bool TKitWndProcComponent::Hook() {
  HWND window = WindowToHook();
  if (!window || hooked_ || (Designing() && !HookInDesign)) return false;
  destroying_ = false;
  // The common-controls subclass chain keeps other hooks of the same window intact.
  if (!SetWindowSubclass(window, SubclassProc, reinterpret_cast<UINT_PTR>(this),
                         reinterpret_cast<DWORD_PTR>(this)))
    return false;
  hooked_ = window;
  return true;
}

bool TKitWndProcComponent::Unhook() {
  if (hooked_ && IsWindow(hooked_))
    RemoveWindowSubclass(hooked_, SubclassProc, reinterpret_cast<UINT_PTR>(this));
  hooked_ = nullptr;
  destroying_ = false;
  return true;
}

void TKitWndProcComponent::HookIfActive() {
  if (Active && !hooked_) Hook();
}

void TKitWndProcComponent::UnhookInDesign() {
  if (Designing() && !HookInDesign) Unhook();
}

void TKitWndProcComponent::Loaded() {
  TKitCustomComponent::Loaded();
  if (!Designing() || HookInDesign) HookIfActive();
}

LRESULT TKitWndProcComponent::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallPrevious(msg, wParam, lParam);
}

LRESULT TKitWndProcComponent::CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) {
  return hooked_ ? DefSubclassProc(hooked_, msg, wParam, lParam) : 0;
}

LRESULT CALLBACK TKitWndProcComponent::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                                    UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<TKitWndProcComponent*>(data);
  if (msg == WM_NCDESTROY) {
    // The window goes away under us: pass the last message on and forget it.
    LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
    RemoveWindowSubclass(hwnd, SubclassProc, reinterpret_cast<UINT_PTR>(self));
    self->hooked_ = nullptr;
    return result;
  }
  if (self->destroying_) return 0;
  if (msg == WM_DESTROY) {
    LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
    self->destroying_ = true;
    return result;
  }
  try {
    return self->WndProc(msg, wParam, lParam);
  } catch (...) {
    HandleCallbackException(std::current_exception());
    return 0;
  }
}
