#include "KitXPStyles.h"

TKitThemeLibrary KitThemeLibrary;

namespace {
template <typename F>
void Bind(F& entry, const char* name) {
  entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(KitThemeLibrary.Handle, name)));
}
}

void LoadThemeLibrary() {
  if (KitThemeLibrary.Loaded) return;
  KitThemeLibrary.Handle = LoadLibraryA("UxTheme.dll");
  KitThemeLibrary.Loaded = KitThemeLibrary.Handle != nullptr;
  if (!KitThemeLibrary.Loaded) return;
  Bind(KitThemeLibrary.IsThemeActive, "IsThemeActive");
  Bind(KitThemeLibrary.SetThemeAppProperties, "SetThemeAppProperties");
}

void FreeThemeLibrary() {
  if (KitThemeLibrary.Loaded) FreeLibrary(KitThemeLibrary.Handle);
  KitThemeLibrary = TKitThemeLibrary();
}
