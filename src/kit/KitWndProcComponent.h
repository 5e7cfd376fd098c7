#pragma once
#include "KitCustomComponent.h"
#include <windows.h>

// A component that subclasses its owner's window while active. Without an owner there is no
// window and it never hooks.
class TKitWndProcComponent : public TKitCustomComponent {
public:
  explicit TKitWndProcComponent(TComponent* owner) : TKitCustomComponent(owner) {}
  ~TKitWndProcComponent() override;

  bool Hook();
  bool Unhook();
  void HookIfActive();
  void UnhookInDesign();
  bool Hooked() const { return hooked_ != nullptr; }
  void Loaded() override;

  bool Active = true;
  bool HookInDesign = false;

protected:
  // The window to hook: the owner's window when the owner is a control or form; none without.
  virtual HWND WindowToHook() const;
  // Sees every message of the hooked window; the default passes it on.
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam);

private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);
  HWND hooked_ = nullptr;
  bool destroying_ = false;
};
