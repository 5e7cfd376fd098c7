#pragma once
#include <windows.h>

// The visual-styles library, bound at kit start when the system has it. Only the entry
// points the kit calls are taken; each may be absent (null).
struct TKitThemeLibrary {
  HMODULE Handle = nullptr;
  bool Loaded = false;
  BOOL(WINAPI* IsThemeActive)() = nullptr;
  void(WINAPI* SetThemeAppProperties)(DWORD flags) = nullptr;
};

extern TKitThemeLibrary KitThemeLibrary;

void LoadThemeLibrary();
void FreeThemeLibrary();
