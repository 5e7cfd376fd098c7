#include "ListBox.h"

TListBox::TListBox(TComponent* owner)
    : TItemsControl(owner, {LB_ADDSTRING, LB_RESETCONTENT, LB_GETCURSEL, LB_SETCURSEL}) {
  defaultColor_ = clWindow;
  SetBounds(0, 0, 121, 97);
}

void TListBox::CreateParams(TCreateParams& params) {
  params.className = "LISTBOX";
  params.style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
  params.exStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::Command(WORD code) {
  if (code == LBN_SELCHANGE && OnClick) OnClick(this);
  if (code == LBN_DBLCLK && OnDblClick) OnDblClick(this);
}
