#include "TrayNotifyIcon.h"
#include <cstring>
#include "Application.h"
#include "Exception.h"
#include "Form.h"
#include "ImageList.h"
#include "KitWndProcComponent.h"
#include "Menu.h"
#include "MessageWindow.h"
#include "Screen.h"
#include "Timer.h"

namespace {
// Sent to every top-level window when the shell (re)starts: the icons must be added again.
UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}

TShiftState AsyncShiftState() {
  TShiftState s = 0;
  if (GetAsyncKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetAsyncKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetAsyncKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

POINT CursorPos() {
  POINT pt = {0, 0};
  GetCursorPos(&pt);
  return pt;
}
}

// Subclasses the owner's window for the tray: focus after activation, and the application window
// brought back when the owner is hidden because the application window went away.
class TTrayFormHook : public TKitWndProcComponent {
public:
  explicit TTrayFormHook(TTrayNotifyIcon* tray) : TKitWndProcComponent(nullptr), tray_(tray) {}

protected:
  HWND WindowToHook() const override { return tray_->OwnerWindow(); }

  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    HWND self = tray_->OwnerWindow();
    if (msg == WM_SHOWWINDOW && wParam == 0 && lParam == SW_PARENTCLOSING) {
      HWND app = Application.Handle();
      ShowWindow(app, SW_RESTORE);
      SetForegroundWindow(app);
      SetForegroundWindow(self);
    }
    LRESULT result = CallPrevious(msg, wParam, lParam);
    if (msg == WM_ACTIVATE && (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE)) {
      // Checked after the form's own activation, which makes it the screen's active form.
      TForm* form = Screen.ActiveForm();
      if (form && form->HandleAllocated() && form->Handle() != reinterpret_cast<HWND>(lParam)) {
        HWND focus = GetFocus();
        if (focus != form->Handle() && !IsChild(form->Handle(), focus)) SetFocus(form->Handle());
      }
    }
    return result;
  }

private:
  TTrayNotifyIcon* tray_;
};

TTrayNotifyIcon::TTrayNotifyIcon(TComponent* owner) : TComponent(owner) {
  TaskbarCreatedMessage();
  // A real top-level window, never shown: the shell posts the icon's mouse messages to it.
  window_ = std::make_unique<TMessageWindow>(
      "TTrayNotifyIconWindow",
      [this](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        return TrayMessage(msg, wParam, lParam, result);
      },
      nullptr, WS_POPUP);
  cycleTimer_ = std::make_unique<TTimer>(nullptr);
  cycleTimer_->SetEnabled(false);
  cycleTimer_->SetInterval(0);
  cycleTimer_->OnTimer = [this](TComponent*) { CycleTimer(); };
  clickTimer_ = std::make_unique<TTimer>(nullptr);
  clickTimer_->SetEnabled(false);
  clickTimer_->SetInterval(GetDoubleClickTime());
  clickTimer_->OnTimer = [this](TComponent*) { ClickTimer(); };
  if (Designing()) return;
  if (OwnerWindow()) {
    formHook_ = std::make_unique<TTrayFormHook>(this);
    formHook_->Hook();
  }
  appHook_ = Application.HookMainWindow([this](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT&) {
    return ApplicationMessage(msg, wParam, lParam);
  });
}

TTrayNotifyIcon::~TTrayNotifyIcon() {
  if (appHook_) Application.UnhookMainWindow(appHook_);
  formHook_.reset();
  cycleTimer_.reset();
  clickTimer_.reset();
  HideIcon();
  designPreview_ = false;
  if (popupMenu_ && popupMenu_->PopupComponent == this) popupMenu_->PopupComponent = nullptr;
  window_.reset();
  if (icon_) DestroyIcon(icon_);
}

HWND TTrayNotifyIcon::Handle() const { return window_->Handle(); }

HWND TTrayNotifyIcon::OwnerWindow() const {
  auto* control = dynamic_cast<TControl*>(Owner());
  return control && control->HandleAllocated() ? control->Handle() : nullptr;
}

void TTrayNotifyIcon::FillData() {
  data_.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data_.hWnd = window_->Handle();
  data_.uID = 1;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = kCallbackMessage;
  data_.hIcon = icon_;
  std::memset(data_.szTip, 0, sizeof data_.szTip);
  if (!hint_.empty() && showHint_) hint_.copy(data_.szTip, sizeof data_.szTip - 1);
}

bool TTrayNotifyIcon::Notify(DWORD operation) {
  // While loading the settings are only stored: Loaded puts the icon in the tray.
  if (Loading() || (Designing() && !designPreview_)) return false;
  FillData();
  return Shell_NotifyIconA(operation, &data_) != FALSE;
}

bool TTrayNotifyIcon::ShowBalloon(const std::string& title, const std::string& text) {
  balloon_ = text;
  if (Loading() || Designing()) return false;
  FillData();
  data_.uFlags |= NIF_INFO;
  title.copy(data_.szInfoTitle, sizeof data_.szInfoTitle - 1);
  text.copy(data_.szInfo, sizeof data_.szInfo - 1);
  data_.dwInfoFlags = NIIF_WARNING;
  bool shown = Shell_NotifyIconA(NIM_MODIFY, &data_) != FALSE;
  std::memset(data_.szInfo, 0, sizeof data_.szInfo);
  std::memset(data_.szInfoTitle, 0, sizeof data_.szInfoTitle);
  return shown;
}

bool TTrayNotifyIcon::ShowIcon() {
  iconVisible_ = true;
  return Notify(NIM_ADD);
}

bool TTrayNotifyIcon::HideIcon() {
  iconVisible_ = false;
  return Notify(NIM_DELETE);
}

bool TTrayNotifyIcon::ModifyIcon() { return Notify(NIM_MODIFY); }

void TTrayNotifyIcon::Loaded() {
  TComponent::Loaded();
  if (!Designing() && OwnerWindow() && StartMinimized) {
    Application.ShowMainForm = false;
    ShowWindow(Application.Handle(), SW_HIDE);
  }
  ModifyIcon();
  SetIconVisible(iconVisible_);
}

void TTrayNotifyIcon::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == iconList_) SetIconList(nullptr);
  if (component == popupMenu_) popupMenu_ = nullptr;
}

void TTrayNotifyIcon::TakeIcon(HICON icon) {
  if (icon_) DestroyIcon(icon_);
  icon_ = icon;
}

void TTrayNotifyIcon::SetIcon(HICON icon) {
  HICON copy = icon ? CopyIcon(icon) : nullptr;
  if (icon && !copy) throw EOutOfResources("Cannot copy the tray icon");
  TakeIcon(copy);
  ModifyIcon();
}

void TTrayNotifyIcon::SetIconVisible(bool visible) {
  if (Loading()) {
    iconVisible_ = visible;
    return;
  }
  if (visible)
    ShowIcon();
  else
    HideIcon();
}

void TTrayNotifyIcon::SetDesignPreview(bool preview) {
  if (preview == designPreview_) return;
  bool visible = iconVisible_;
  if (preview) {
    designPreview_ = true;
    if (Designing() && !icon_) TakeIcon(CopyIcon(LoadIconA(nullptr, IDI_WINLOGO)));
    if (Designing()) ShowIcon();
  } else {
    if (Designing()) HideIcon();
    designPreview_ = false;
  }
  iconVisible_ = visible;
}

void TTrayNotifyIcon::SetCycleIcons(bool cycle) {
  cycleIcons_ = cycle;
  if (cycle) SetIconIndex(0);
  cycleTimer_->SetEnabled(cycle);
}

void TTrayNotifyIcon::SetCycleInterval(unsigned interval) {
  cycleInterval_ = interval;
  cycleTimer_->SetInterval(interval);
}

void TTrayNotifyIcon::SetIconList(TImageList* list) {
  if (iconList_) RemoveFreeNotification(iconList_);
  iconList_ = list;
  if (list) FreeNotification(list);
  SetIconIndex(0);
}

void TTrayNotifyIcon::SetIconIndex(int index) {
  if (iconList_) {
    int last = iconList_->Count() - 1;
    if (index > last) index = last;
    if (index < 0) index = 0;
    iconIndex_ = index;
    if (HICON icon = iconList_->GetIcon(index)) TakeIcon(icon);
  } else {
    iconIndex_ = 0;
  }
  ModifyIcon();
}

void TTrayNotifyIcon::SetHint(const std::string& hint) {
  hint_ = hint;
  ModifyIcon();
}

void TTrayNotifyIcon::SetShowHint(bool show) {
  showHint_ = show;
  ModifyIcon();
}

void TTrayNotifyIcon::SetPopupMenu(TPopupMenu* menu) {
  if (popupMenu_) RemoveFreeNotification(popupMenu_);
  popupMenu_ = menu;
  if (menu) FreeNotification(menu);
}

void TTrayNotifyIcon::ShowMainForm() {
  TForm* main = Application.MainForm();
  if (!dynamic_cast<TControl*>(Owner()) || !main) return;
  ShowWindow(Application.Handle(), SW_RESTORE);
  main->Show();
  if (main->WindowState() == wsMinimized) main->SetWindowState(wsNormal);
}

void TTrayNotifyIcon::HideMainForm() {
  TForm* main = Application.MainForm();
  if (!dynamic_cast<TControl*>(Owner()) || !main) return;
  main->Hide();
  ShowWindow(Application.Handle(), SW_HIDE);
}

bool TTrayNotifyIcon::TrayMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case kCallbackMessage:
      if (Enabled) IconMessage(static_cast<UINT>(lParam));
      result = 0;
      return true;
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
    case WM_QUIT:
    case WM_USERCHANGED:
    case WM_NCDESTROY:
      result = 1;
      return true;
    default:
      return false;
  }
}

bool TTrayNotifyIcon::ApplicationMessage(UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_SIZE && wParam == SIZE_MINIMIZED && MinimizeToTray)
    DoMinimizeToTray();
  else if (msg == TaskbarCreatedMessage() && iconVisible_)
    ShowIcon();
  return false;  // the application window goes on with every message
}

void TTrayNotifyIcon::IconMessage(UINT mouseMessage) {
  switch (mouseMessage) {
    case WM_MOUSEMOVE:
      MouseMove();
      break;
    case WM_LBUTTONDOWN:
      clickTimer_->SetEnabled(true);
      MouseDown(mbLeft);
      leftDown_ = true;
      if (LeftPopup) ShowPopup();
      break;
    case WM_LBUTTONUP: {
      bool late = leftDown_ && !clickTimer_->Enabled();  // held past the double-click time
      if (leftDown_) clickPending_ = !late;
      if (late) dblClickDone_ = false;
      leftDown_ = false;
      if (late) Click();
      MouseUp(mbLeft);
      break;
    }
    case WM_LBUTTONDBLCLK:
      clickPending_ = false;
      dblClickDone_ = true;
      DblClick();
      if (popupMenu_ && popupMenu_->AutoPopup && !LeftPopup)
        if (TMenuItem* item = popupMenu_->DefaultItem()) item->Click();
      break;
    case WM_RBUTTONDOWN:
      MouseDown(mbRight);
      ShowPopup();
      break;
    case WM_RBUTTONUP:
      MouseUp(mbRight);
      break;
    case WM_MBUTTONDOWN:
      MouseDown(mbMiddle);
      break;
    case WM_MBUTTONUP:
      MouseUp(mbMiddle);
      break;
    default:
      break;
  }
}

void TTrayNotifyIcon::ClickTimer() {
  clickTimer_->SetEnabled(false);
  bool fire = !dblClickDone_ && clickPending_;
  if (fire) clickPending_ = false;
  dblClickDone_ = false;
  if (fire) Click();
}

void TTrayNotifyIcon::CycleTimer() {
  if (!iconList_) return;
  int count = iconList_->Count();
  if (HICON icon = iconList_->GetIcon(iconIndex_)) TakeIcon(icon);
  int next = iconIndex_ >= count - 1 ? 0 : iconIndex_ + 1;
  DoOnCycle(next);
  ModifyIcon();
  iconIndex_ = next;
}

void TTrayNotifyIcon::ShowPopup() {
  if (!popupMenu_ || !popupMenu_->AutoPopup) return;
  POINT pt;
  if (!GetCursorPos(&pt)) return;
  Application.ProcessMessages();
  TPopupMenu* menu = popupMenu_;  // the pending messages may have taken it away
  if (!menu) return;
  HWND owner = OwnerWindow();
  HWND closer = owner ? owner : Handle();
  SetForegroundWindow(Handle());
  if (owner) SetForegroundWindow(owner);
  menu->PopupComponent = this;
  menu->Popup(pt.x, pt.y);
  // Nothing of this object is touched after the chosen item ran: it may have freed it.
  PostMessageA(closer, WM_NULL, 0, 0);
}

void TTrayNotifyIcon::Click() {
  if (OnClick) OnClick(this);
}

void TTrayNotifyIcon::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TTrayNotifyIcon::DoOnCycle(int nextIndex) {
  if (OnCycle) OnCycle(this, nextIndex);
}

void TTrayNotifyIcon::MouseDown(TMouseButton button) {
  if (!OnMouseDown) return;
  POINT pt = CursorPos();
  OnMouseDown(this, button, AsyncShiftState(), pt.x, pt.y);
}

void TTrayNotifyIcon::MouseUp(TMouseButton button) {
  if (!OnMouseUp) return;
  POINT pt = CursorPos();
  OnMouseUp(this, button, AsyncShiftState(), pt.x, pt.y);
}

void TTrayNotifyIcon::MouseMove() {
  if (!OnMouseMove) return;
  POINT pt = CursorPos();
  OnMouseMove(this, AsyncShiftState(), pt.x, pt.y);
}

void TTrayNotifyIcon::DoMinimizeToTray() {
  HideMainForm();
  SetIconVisible(true);
}
