#pragma once
#include <windows.h>
#include <string>

// A key with its modifiers: the virtual key in the low byte, scShift/scCtrl/scAlt above.
using TShortCut = unsigned short;
constexpr TShortCut scNone = 0, scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

constexpr TShortCut ShortCut(WORD key, TShortCut modifiers) {
  return static_cast<TShortCut>((key & 0xFF) | modifiers);
}
// The shortcut of a key going down now (the modifier keys read from the keyboard state);
// scNone for a modifier key alone.
TShortCut ShortCutFromKey(WORD key);
// "Ctrl+X", "F1", "Shift+Del": the text shown beside a menu caption.
std::string ShortCutToText(TShortCut shortCut);
