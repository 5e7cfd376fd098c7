#include "Label.h"

TLabel::TLabel(TComponent* owner) : TControl(owner) {
  parentColor_ = true;
  SetBounds(0, 0, 65, 13);
}

DWORD TLabel::TextStyle() const {
  switch (alignment_) {
    case taCenter: return SS_CENTER;
    case taRightJustify: return SS_RIGHT;
    default: return wordWrap_ ? SS_LEFT : SS_LEFTNOWORDWRAP;
  }
}

void TLabel::CreateParams(TCreateParams& params) {
  params.className = "STATIC";
  params.style |= TextStyle() | SS_NOTIFY;
}

void TLabel::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  AdjustSize();
}

void TLabel::SetAutoSize(bool on) {
  autoSize_ = on;
  AdjustSize();
}

void TLabel::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  UpdateStyle(TextStyle(), SS_TYPEMASK);
}

void TLabel::SetWordWrap(bool on) {
  wordWrap_ = on;
  UpdateStyle(TextStyle(), SS_TYPEMASK);
  AdjustSize();
}

void TLabel::AdjustSize() {
  if (!autoSize_ || !HandleAllocated()) return;
  HDC dc = GetDC(Handle());
  HGDIOBJ old = SelectObject(dc, Font());
  RECT r = {0, 0, wordWrap_ ? Width() : 0, 0};
  std::string text = caption_.empty() ? std::string(" ") : caption_;
  DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
  SelectObject(dc, old);
  ReleaseDC(Handle(), dc);
  SetBounds(Left(), Top(), wordWrap_ ? Width() : r.right - r.left, r.bottom - r.top);
}
