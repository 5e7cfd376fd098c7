#include "PaintBox.h"

TPaintBox::TPaintBox(TComponent* owner) : TControl(owner) {
  parentColor_ = true;
  SetBounds(0, 0, 105, 105);
}

void TPaintBox::CreateParams(TCreateParams& params) {
  params.className = "TPaintBox";
  params.ownClass = true;
}

void TPaintBox::Repaint() {
  if (!HandleAllocated()) return;
  InvalidateRect(Handle(), nullptr, FALSE);
  UpdateWindow(Handle());
}

void TPaintBox::Paint(HDC dc, const RECT&) {
  if (OnPaint) OnPaint(this, dc);
}
