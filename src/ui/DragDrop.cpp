#include "DragDrop.h"
#include <cstdlib>

namespace {
thread_local bool dragging = false;

TDragTarget* TargetAt(POINT screen, TControl*& control) {
  for (HWND hwnd = WindowFromPoint(screen); hwnd; hwnd = GetParent(hwnd)) {
    TControl* c = TControl::FromHandle(hwnd);
    if (auto* target = dynamic_cast<TDragTarget*>(c)) {
      control = c;
      return target;
    }
    if (!(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) break;
  }
  control = nullptr;
  return nullptr;
}

// The mouse position of a mouse message in screen coordinates (relative to the window it went to).
POINT ScreenPoint(const MSG& msg) {
  POINT p = {static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
  ClientToScreen(msg.hwnd, &p);
  return p;
}

class TDragRun {
public:
  TDragRun(TControl* source) : source_(source) {
    dragging = true;
    SetCapture(source->Handle());
  }
  ~TDragRun() {
    Leave();
    if (GetCapture() == source_->Handle()) ReleaseCapture();
    dragging = false;
  }

  // Asks the target under the mouse; returns whether it accepts.
  bool Over(POINT screen) {
    TControl* control = nullptr;
    TDragTarget* target = TargetAt(screen, control);
    if (target != target_) Leave();
    target_ = target;
    control_ = control;
    accepted_ = false;
    if (target_) {
      POINT p = Client(screen);
      accepted_ = target_->DragOver(source_, p.x, p.y);
    }
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(accepted_ ? IDC_ARROW : IDC_NO)));
    return accepted_;
  }

  bool Drop(POINT screen) {
    if (!Over(screen)) return false;
    TDragTarget* target = target_;
    POINT p = Client(screen);
    target_ = nullptr;
    target->DragLeave();
    target->DragDrop(source_, p.x, p.y);
    return true;
  }

private:
  POINT Client(POINT screen) const {
    ScreenToClient(control_->Handle(), &screen);
    return screen;
  }
  void Leave() {
    if (target_) target_->DragLeave();
    target_ = nullptr;
  }
  TControl* source_;
  TDragTarget* target_ = nullptr;
  TControl* control_ = nullptr;
  bool accepted_ = false;
};
}

bool BeginDrag(TControl* source, POINT press, int threshold) {
  if (dragging || !source->HandleAllocated()) return false;
  ClientToScreen(source->Handle(), &press);
  TDragRun run(source);
  bool started = threshold <= 0;
  for (;;) {
    if (GetCapture() != source->Handle()) return false;
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      continue;
    }
    switch (msg.message) {
      case WM_QUIT:
        PostQuitMessage(static_cast<int>(msg.wParam));  // the loop outside must see it
        return false;
      case WM_MOUSEMOVE: {
        POINT p = ScreenPoint(msg);
        if (!started && std::abs(p.x - press.x) < threshold && std::abs(p.y - press.y) < threshold)
          break;
        started = true;
        run.Over(p);
        break;
      }
      case WM_LBUTTONUP:
        return started && run.Drop(ScreenPoint(msg));
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
        return false;
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        if (msg.wParam == VK_ESCAPE) return false;
        break;  // keys do nothing while dragging
      case WM_KEYUP:
      case WM_SYSKEYUP:
      case WM_CHAR:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        break;
      default:
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
  }
}
