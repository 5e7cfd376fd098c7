#include "InplaceEdit.h"
#include "CustomGrid.h"

TInplaceEdit::TInplaceEdit(TCustomGrid* grid) : TEdit(grid), grid_(grid) {}

void TInplaceEdit::CreateParams(TCreateParams& params) {
  TEdit::CreateParams(params);
  params.style &= ~WS_TABSTOP;
  params.exStyle &= ~WS_EX_CLIENTEDGE;  // the cell is its frame
}

// Keys that leave the text for another cell; Left and Right only at the ends of the text.
bool TInplaceEdit::GridTakesKey(WORD key, TShiftState shift) const {
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
    case VK_TAB:
      return true;
    case VK_HOME:
    case VK_END:
      return shift & ssCtrl;
    case VK_LEFT:
    case VK_RIGHT: {
      DWORD start = 0, end = 0;
      SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
      if (start != end) return false;
      return key == VK_LEFT ? start == 0 : end == static_cast<DWORD>(GetWindowTextLengthA(Handle()));
    }
    default:
      return false;
  }
}

bool TInplaceEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_GETDLGCODE:
      result = DefaultProc(msg, wParam, lParam) |
               grid_->DialogCode(reinterpret_cast<const MSG*>(lParam));
      return true;
    case WM_KEYDOWN: {
      WORD key = static_cast<WORD>(wParam);
      TShiftState shift = KeyboardShiftState();
      if (GridTakesKey(key, shift)) {
        grid_->KeyDown(key, shift);
        if (!key) {
          result = 0;
          return true;
        }
      }
      if (key == VK_DELETE && !grid_->CanEditModify()) {
        result = 0;
        return true;
      }
      break;
    }
    case WM_CHAR: {
      char key = static_cast<char>(wParam);
      if (key == '\r' || key == '\x1b' || key == '\t') {
        grid_->KeyPress(key);  // a one-line edit has no use for them
        result = 0;
        return true;
      }
      bool typed = static_cast<unsigned char>(key) >= 32;
      bool changes = typed || key == '\b' || key == 0x16 || key == 0x18;  // Ctrl+V, Ctrl+X
      if ((typed && !grid_->CanEditAcceptKey(key)) || (changes && !grid_->CanEditModify())) {
        result = 0;
        return true;
      }
      break;
    }
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
      if (!grid_->CanEditModify()) {
        result = 0;
        return true;
      }
      break;
    default:
      break;
  }
  return TEdit::WndProc(msg, wParam, lParam, result);
}
