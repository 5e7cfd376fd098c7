#include "ToolBar.h"
#include <algorithm>
#include "MessageWindow.h"

TToolButton::TToolButton(TToolBar* bar, TToolButtonStyle style)
    : TComponent(bar), bar_(bar), style_(style), command_(bar->nextCommand_++) {
  bar_->AddButton(this);
}

TToolButton::~TToolButton() {
  if (bar_) bar_->RemoveButton(this);
}

int TToolButton::Index() const {
  auto& list = bar_->buttons_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TToolButton::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  if (bar_->ShowCaptions()) bar_->Rebuild();
}

void TToolButton::SetImageIndex(int index) {
  imageIndex_ = index;
  if (bar_->HandleAllocated())
    bar_->Perform(TB_CHANGEBITMAP, command_, index >= 0 ? index : I_IMAGENONE);
}

void TToolButton::SetEnabled(bool enabled) {
  enabled_ = enabled;
  UpdateState();
}

void TToolButton::SetDown(bool down) {
  down_ = down;
  UpdateState();
}

void TToolButton::UpdateState() {
  if (!bar_->HandleAllocated() || style_ == tbsSeparator) return;
  BYTE state = (enabled_ ? TBSTATE_ENABLED : 0) | (down_ ? TBSTATE_CHECKED : 0);
  bar_->Perform(TB_SETSTATE, command_, MAKELPARAM(state, 0));
}

void TToolButton::ActionChanged() {
  SetCaption(Action()->Caption());
  enabled_ = Action()->Enabled();
  down_ = Action()->Checked();
  UpdateState();
}

RECT TToolButton::BoundsRect() const {
  RECT r = {};
  if (bar_->HandleAllocated()) bar_->Perform(TB_GETITEMRECT, Index(), reinterpret_cast<LPARAM>(&r));
  return r;
}

void TToolButton::Click() {
  if (!enabled_ || style_ == tbsSeparator) return;
  if (OnClick)
    OnClick(this);
  else if (Action())
    Action()->Execute();
}

TToolBar::TToolBar(TComponent* owner) : TControl(owner) {
  SetBounds(0, 0, 150, 29);
  SetAlign(alTop);
}

TToolBar::~TToolBar() {
  for (TToolButton* b : buttons_) b->bar_ = nullptr;
  buttons_.clear();
  DestroyHandle();
}

void TToolBar::CreateParams(TCreateParams& params) {
  InitCommonControlsOnce();
  params.className = TOOLBARCLASSNAMEA;
  params.style |= TBSTYLE_FLAT | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
}

void TToolBar::HandleCreated() {
  Perform(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
  if (!notify_)
    notify_ = std::make_unique<TMessageWindow>(
        "TToolBarNotify", [this](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
          return NotifyMessage(msg, wParam, lParam, result);
        });
  Perform(TB_SETPARENT, reinterpret_cast<WPARAM>(notify_->Handle()));
  if (images_) Perform(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  Perform(TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonWidth_, buttonHeight_));
  Rebuild();
}

bool TToolBar::NotifyMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
  if (msg != WM_COMMAND) return false;
  for (TToolButton* b : buttons_)
    if (b->command_ == LOWORD(wParam)) {
      b->Click();
      break;
    }
  result = 0;
  return true;
}

void TToolBar::MouseEvent(TToolButton* button, const TMouseEvent& event, LPARAM lParam) {
  if (!event) return;
  RECT r = button->BoundsRect();
  event(button, mbLeft, KeyboardShiftState(), static_cast<short>(LOWORD(lParam)) - r.left,
        static_cast<short>(HIWORD(lParam)) - r.top);
}

bool TToolBar::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_LBUTTONDOWN) {
    POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    int index = static_cast<int>(Perform(TB_HITTEST, 0, reinterpret_cast<LPARAM>(&p)));
    pressed_ = nullptr;
    if (index >= 0 && index < ButtonCount() && buttons_[index]->enabled_ &&
        buttons_[index]->style_ != tbsSeparator) {
      pressed_ = buttons_[index];
      MouseEvent(pressed_, pressed_->OnMouseDown, lParam);
    }
  } else if (msg == WM_LBUTTONUP && pressed_) {
    TToolButton* button = pressed_;
    pressed_ = nullptr;
    MouseEvent(button, button->OnMouseUp, lParam);
  }
  return TControl::WndProc(msg, wParam, lParam, result);
}

void TToolBar::AddButton(TToolButton* button) {
  buttons_.push_back(button);
  Rebuild();
}

void TToolBar::RemoveButton(TToolButton* button) {
  if (pressed_ == button) pressed_ = nullptr;
  buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), button), buttons_.end());
  Rebuild();
}

void TToolBar::Rebuild() {
  if (!HandleAllocated()) return;
  while (Perform(TB_BUTTONCOUNT) > 0)
    if (!Perform(TB_DELETEBUTTON, 0)) break;
  for (TToolButton* b : buttons_) {
    TBBUTTON tb = {};
    tb.idCommand = b->command_;
    if (b->style_ == tbsSeparator) {
      tb.fsStyle = BTNS_SEP;
      tb.iBitmap = 8;  // width of the gap
    } else {
      tb.iBitmap = b->imageIndex_ >= 0 ? b->imageIndex_ : I_IMAGENONE;
      tb.fsStyle = BTNS_BUTTON;
      tb.fsState = (b->enabled_ ? TBSTATE_ENABLED : 0) | (b->down_ ? TBSTATE_CHECKED : 0);
      tb.iString = showCaptions_ ? reinterpret_cast<INT_PTR>(b->caption_.c_str()) : -1;
    }
    Perform(TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&tb));
  }
  Invalidate();
}

void TToolBar::SetImages(HIMAGELIST images) {
  images_ = images;
  if (HandleAllocated()) {
    Perform(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    Rebuild();
  }
}

void TToolBar::SetShowCaptions(bool show) {
  showCaptions_ = show;
  Rebuild();
}

void TToolBar::SetButtonSize(int width, int height) {
  buttonWidth_ = width;
  buttonHeight_ = height;
  if (HandleAllocated()) {
    Perform(TB_SETBUTTONSIZE, 0, MAKELPARAM(width, height));
    Rebuild();
  }
}
