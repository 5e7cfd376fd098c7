#include "Splitter.h"
#include <algorithm>

TSplitter::TSplitter(TComponent* owner) : TControl(owner) {
  parentColor_ = true;
  SetBounds(0, 0, 3, 100);
  SetAlign(alLeft);
}

void TSplitter::CreateParams(TCreateParams& params) {
  params.className = "TSplitter";
  params.ownClass = true;
}

TControl* TSplitter::SizedControl() const {
  if (!Parent() || (Align() != alLeft && Align() != alRight)) return nullptr;
  for (TControl* c : Parent()->Controls()) {
    if (c == this || !c->Visible() || c->Align() != Align()) continue;
    if (Align() == alLeft ? c->Left() + c->Width() == Left() : c->Left() == Left() + Width()) return c;
  }
  return nullptr;
}

void TSplitter::Track(int screenX) {
  int delta = screenX - startX_;
  int width = Align() == alLeft ? startWidth_ + delta : startWidth_ - delta;
  // What the other side-aligned controls take leaves room for the client area.
  int taken = 0;
  for (TControl* c : Parent()->Controls())
    if (c != sized_ && c->Visible() && (c->Align() == alLeft || c->Align() == alRight)) taken += c->Width();
  int most = Parent()->ClientWidth() - taken - MinSize;
  width = std::max(MinSize, std::min(width, most));
  if (width == sized_->Width()) return;
  sized_->SetWidth(width);
  moved_ = true;
}

void TSplitter::EndTrack() {
  if (!sized_) return;
  sized_ = nullptr;
  if (GetCapture() == Handle()) ReleaseCapture();
  if (moved_ && OnMoved) OnMoved(this);
  moved_ = false;
}

bool TSplitter::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_SETCURSOR:
      SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZEWE)));
      result = TRUE;
      return true;
    case WM_LBUTTONDOWN: {
      sized_ = SizedControl();
      if (!sized_) break;
      POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ClientToScreen(Handle(), &p);
      startX_ = p.x;
      startWidth_ = sized_->Width();
      moved_ = false;
      SetCapture(Handle());
      result = 0;
      return true;
    }
    case WM_MOUSEMOVE:
      if (!sized_) break;
      {
        POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(Handle(), &p);
        Track(p.x);
      }
      result = 0;
      return true;
    case WM_LBUTTONUP:
      if (!sized_) break;
      {
        POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(Handle(), &p);
        Track(p.x);
      }
      EndTrack();
      result = 0;
      return true;
    case WM_CAPTURECHANGED:
      if (sized_ && reinterpret_cast<HWND>(lParam) != Handle()) EndTrack();
      break;
    default:
      break;
  }
  return TControl::WndProc(msg, wParam, lParam, result);
}
