#include "Panel.h"

TPanel::TPanel(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::CreateParams(TCreateParams& params) {
  params.className = "TPanel";
  params.ownClass = true;
  params.style |= WS_CLIPCHILDREN;
  params.exStyle |= WS_EX_CONTROLPARENT;
}

void TPanel::SetBevelOuter(TBevelCut cut) {
  bevelOuter_ = cut;
  Invalidate();
}

void TPanel::SetBevelInner(TBevelCut cut) {
  bevelInner_ = cut;
  Invalidate();
}

void TPanel::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  Invalidate();
}

void TPanel::Paint(HDC dc, const RECT& client) {
  RECT r = client;
  if (bevelOuter_ != bvNone) {
    DrawEdge(dc, &r, bevelOuter_ == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  }
  if (bevelInner_ != bvNone) {
    DrawEdge(dc, &r, bevelInner_ == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  }
  if (caption_.empty()) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(FontColor() == clDefault ? clWindowText : FontColor()));
  UINT align = Alignment == taCenter ? DT_CENTER : Alignment == taRightJustify ? DT_RIGHT : DT_LEFT;
  DrawTextA(dc, caption_.c_str(), -1, &r, align | DT_VCENTER | DT_SINGLELINE);
}
