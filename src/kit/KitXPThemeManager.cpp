#include "KitXPThemeManager.h"
#include "KitClass.h"

LRESULT TKitXPThemeManager::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (KitApplication) {
    if (msg == WM_CREATE) {
      KitApplication->RefreshThemeState();
    } else if (msg == WM_THEMECHANGED && KitApplication->ThemesEnabled()) {
      // Off and on again re-applies the theme properties and tells every visible form.
      KitApplication->SetThemesEnabled(false);
      KitApplication->SetThemesEnabled(true);
    }
  }
  return TKitWndProcComponent::WndProc(msg, wParam, lParam);
}
