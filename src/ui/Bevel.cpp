#include "Bevel.h"

TBevel::TBevel(TComponent* owner) : TControl(owner) {
  parentColor_ = true;
  backmost_ = true;
  SetBounds(0, 0, 50, 50);
}

void TBevel::CreateParams(TCreateParams& params) {
  params.className = "TBevel";
  params.ownClass = true;
}

void TBevel::SetShape(TBevelShape shape) {
  shape_ = shape;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle style) {
  style_ = style;
  Invalidate();
}

bool TBevel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_NCHITTEST) {
    result = HTTRANSPARENT;
    return true;
  }
  return TControl::WndProc(msg, wParam, lParam, result);
}

void TBevel::Paint(HDC dc, const RECT& client) {
  RECT r = client;
  bool lowered = style_ == bsLowered;
  UINT edges = 0;
  switch (shape_) {
    case bsBox:
      DrawEdge(dc, &r, lowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      return;
    case bsFrame:
      DrawEdge(dc, &r, lowered ? EDGE_ETCHED : EDGE_BUMP, BF_RECT);
      return;
    case bsTopLine: edges = BF_TOP; break;
    case bsBottomLine: edges = BF_BOTTOM; break;
    case bsLeftLine: edges = BF_LEFT; break;
    case bsRightLine: edges = BF_RIGHT; break;
    case bsSpacer: return;
  }
  DrawEdge(dc, &r, lowered ? EDGE_ETCHED : EDGE_BUMP, edges);
}
