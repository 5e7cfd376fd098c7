#include "ShortCut.h"

TShortCut ShortCutFromKey(WORD key) {
  if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || key == 0) return scNone;
  TShortCut s = ShortCut(key, 0);
  if (GetKeyState(VK_SHIFT) < 0) s |= scShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= scCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= scAlt;
  return s;
}

std::string ShortCutToText(TShortCut shortCut) {
  WORD key = shortCut & 0xFF;
  if (!key) return "";
  std::string name;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    name = std::string(1, static_cast<char>(key));
  } else if (key >= VK_F1 && key <= VK_F24) {
    name = "F" + std::to_string(key - VK_F1 + 1);
  } else {
    switch (key) {
      case VK_DELETE: name = "Del"; break;
      case VK_INSERT: name = "Ins"; break;
      case VK_RETURN: name = "Enter"; break;
      case VK_ESCAPE: name = "Esc"; break;
      case VK_SPACE: name = "Space"; break;
      case VK_BACK: name = "BkSp"; break;
      case VK_TAB: name = "Tab"; break;
      case VK_HOME: name = "Home"; break;
      case VK_END: name = "End"; break;
      case VK_PRIOR: name = "PgUp"; break;
      case VK_NEXT: name = "PgDn"; break;
      case VK_LEFT: name = "Left"; break;
      case VK_RIGHT: name = "Right"; break;
      case VK_UP: name = "Up"; break;
      case VK_DOWN: name = "Down"; break;
      default: {
        char buf[32] = {};
        UINT scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
        if (scan && GetKeyNameTextA(static_cast<LONG>(scan << 16), buf, sizeof buf) > 0) name = buf;
        break;
      }
    }
  }
  std::string text;
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  return text + name;
}
