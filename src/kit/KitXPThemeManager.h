#pragma once
#include "KitWndProcComponent.h"

// Keeps the application object's theme switch in step with the system's theme.
class TKitXPThemeManager : public TKitWndProcComponent {
public:
  explicit TKitXPThemeManager(TComponent* owner) : TKitWndProcComponent(owner) {}

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
