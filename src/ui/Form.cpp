#include "Form.h"
#include "Action.h"
#include "Application.h"
#include "Button.h"
#include "Exception.h"
#include "Menu.h"
#include "Screen.h"
#include "TaskWindows.h"

namespace {
const UINT kReleaseMessage = WM_APP + 0x101;

TButton* FindDialogButton(TControl* parent, bool cancel) {
  for (TControl* c : parent->Controls()) {
    if (auto* b = dynamic_cast<TButton*>(c)) {
      if ((cancel ? b->Cancel() : b->Default()) && b->Visible() && b->Enabled()) return b;
    }
    if (TButton* b = FindDialogButton(c, cancel)) return b;
  }
  return nullptr;
}

HICON ApplicationIcon() {
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
  return icon ? icon : LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
}
}

TForm::TForm(TComponent* owner, const std::string& className)
    : TControl(owner), className_(className) {
  visible_ = false;
  SetBounds(100, 100, 400, 300);
  BeginLoading();
  Screen.AddForm(this);
  CreateHandle();
  HICON icon = ApplicationIcon();
  Perform(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  Perform(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

TForm::~TForm() {
  DoDestroy();
  Screen.RemoveForm(this);
  Application.FormDestroyed(this);
  if (menu_) menu_->DetachForm(this);
  if (HandleAllocated()) ::SetMenu(Handle(), nullptr);  // the menu object owns its handle
}

void TForm::DoDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    Application.HandleException(std::current_exception());
  }
}

void TForm::AfterConstruction() {
  if (constructed_) return;
  constructed_ = true;
  if (Loading()) EndLoading();
  if (OnCreate) {
    try {
      OnCreate(this);
    } catch (...) {
      Application.HandleException(std::current_exception());
    }
  }
  if (visible_) {
    visible_ = false;
    SetVisible(true);
  }
}

void TForm::Free() {
  DoDestroy();
  delete this;
}

void TForm::Release() {
  if (HandleAllocated()) PostMessageA(Handle(), kReleaseMessage, 0, 0);
}

DWORD TForm::Style() const {
  DWORD s = WS_CLIPCHILDREN;
  switch (borderStyle_) {
    case bsNone: s |= WS_POPUP; break;
    case bsSingle: s |= WS_CAPTION; break;
    case bsSizeable: s |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog: s |= WS_POPUP | WS_CAPTION; break;
    case bsToolWindow: s |= WS_CAPTION; break;
    case bsSizeToolWin: s |= WS_CAPTION | WS_THICKFRAME; break;
  }
  if (borderStyle_ != bsNone && (borderIcons_ & biSystemMenu)) s |= WS_SYSMENU;
  if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
    if (borderIcons_ & biMinimize) s |= WS_MINIMIZEBOX;
    if (borderIcons_ & biMaximize) s |= WS_MAXIMIZEBOX;
  }
  return s;
}

DWORD TForm::ExStyle() const {
  DWORD s = WS_EX_CONTROLPARENT;
  if (borderStyle_ == bsDialog) s |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
  if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) s |= WS_EX_TOOLWINDOW;
  return s;
}

void TForm::CreateParams(TCreateParams& params) {
  params.className = className_;
  params.ownClass = true;
  params.style = Style();
  params.exStyle = ExStyle() | (formStyle_ == fsStayOnTop ? WS_EX_TOPMOST : 0);
  params.parent = Application.Handle();
}

void TForm::ApplyStyle() {
  if (!HandleAllocated()) return;
  const DWORD kept = WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE;
  DWORD current = static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE));
  SetWindowLongA(Handle(), GWL_STYLE, static_cast<LONG>(Style() | (current & kept)));
  DWORD currentEx = static_cast<DWORD>(GetWindowLongA(Handle(), GWL_EXSTYLE));
  SetWindowLongA(Handle(), GWL_EXSTYLE, static_cast<LONG>(ExStyle() | (currentEx & WS_EX_TOPMOST)));
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TForm::SetBorderStyle(TBorderStyle style) {
  borderStyle_ = style;
  ApplyStyle();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
  borderIcons_ = icons;
  ApplyStyle();
}

void TForm::SetFormStyle(TFormStyle style) {
  formStyle_ = style;
  if (HandleAllocated())
    SetWindowPos(Handle(), style == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::SetIcon(HICON icon) {
  Perform(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  Perform(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void TForm::SetMenu(TMainMenu* menu) {
  if (menu_ == menu) return;
  if (menu_) menu_->DetachForm(this);
  menu_ = menu;
  if (menu_) menu_->AttachForm(this);
  if (HandleAllocated()) ::SetMenu(Handle(), menu_ ? menu_->Handle() : nullptr);
}

void TForm::SetActiveControl(TControl* control) {
  activeControl_ = control;
  if (control && Visible() && control->HandleAllocated()) control->SetFocus();
}

TWindowState TForm::WindowState() const {
  if (Application.MainForm() == this && Application.Minimized()) return wsMinimized;
  if (!HandleAllocated() || !Visible()) return windowState_;
  if (IsIconic(Handle())) return wsMinimized;
  if (IsZoomed(Handle())) return wsMaximized;
  return wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
  windowState_ = state;
  if (!HandleAllocated() || !Visible()) return;
  if (Application.MainForm() == this && state == wsMinimized) {
    Application.Minimize();  // the main form goes down with the application window
    return;
  }
  if (Application.MainForm() == this && Application.Minimized()) Application.Restore();
  ShowWindow(Handle(), state == wsMinimized ? SW_MINIMIZE
                       : state == wsMaximized ? SW_MAXIMIZE
                                              : SW_RESTORE);
}

void TForm::ConstrainSize(int& width, int& height) {
  if (Constraints.MinWidth > 0 && width < Constraints.MinWidth) width = Constraints.MinWidth;
  if (Constraints.MinHeight > 0 && height < Constraints.MinHeight) height = Constraints.MinHeight;
  if (Constraints.MaxWidth > 0 && width > Constraints.MaxWidth) width = Constraints.MaxWidth;
  if (Constraints.MaxHeight > 0 && height > Constraints.MaxHeight) height = Constraints.MaxHeight;
}

void TForm::ApplyPosition() {
  RECT area = {0, 0, Screen.Width(), Screen.Height()};
  if (Position == poMainFormCenter) {
    TForm* main = Application.MainForm();
    if (main && main != this && main->HandleAllocated() && main->Visible() &&
        !IsIconic(main->Handle()))
      area = {main->Left(), main->Top(), main->Left() + main->Width(), main->Top() + main->Height()};
  } else if (Position != poScreenCenter) {
    return;
  }
  SetBounds(area.left + (area.right - area.left - Width()) / 2,
            area.top + (area.bottom - area.top - Height()) / 2, Width(), Height());
}

void TForm::Show() {
  SetVisible(true);
  if (HandleAllocated() && WindowState() != wsMinimized) BringWindowToTop(Handle());
}

void TForm::Hide() { SetVisible(false); }

void TForm::SetVisible(bool visible) {
  if (!constructed_) {
    // Set while the constructor builds the form: shown once construction is complete.
    visible_ = visible;
    return;
  }
  if (visible == visible_) return;
  visible_ = visible;
  if (!HandleAllocated()) return;
  if (!visible) {
    ShowWindow(Handle(), SW_HIDE);
    if (OnHide) OnHide(this);
    return;
  }
  ApplyPosition();
  if (OnShow) OnShow(this);
  if (!visible_) return;  // OnShow hid it again
  ShowWindow(Handle(), windowState_ == wsMinimized ? SW_SHOWMINNOACTIVE
                       : windowState_ == wsMaximized ? SW_SHOWMAXIMIZED
                                                     : SW_SHOWNORMAL);
  if (windowState_ != wsMinimized) {
    if (activeControl_ && activeControl_->HandleAllocated())
      activeControl_->SetFocus();
    else if (HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE))
      ::SetFocus(first);
  }
}

int TForm::ShowModal() {
  if (!constructed_) AfterConstruction();
  if (visible_ || modal_) throw Exception("Cannot make a visible window modal");
  ReleaseCapture();
  HWND previous = GetActiveWindow();
  ModalResult = mrNone;
  modal_ = true;
  {
    TTaskWindowsDisabler disabled(Handle());
    struct TModalEnd {
      TForm* form;
      ~TModalEnd() {
        form->modal_ = false;
        try {
          form->SetVisible(false);
        } catch (...) {
          Application.HandleException(std::current_exception());
        }
      }
    } end{this};
    Show();
    for (;;) {
      if (Application.Terminated()) ModalResult = mrCancel;
      if (ModalResult != mrNone) {
        if (Application.Terminated()) break;
        CloseModal();
        if (ModalResult != mrNone) break;
      }
      Application.HandleMessage();
    }
  }
  if (previous && IsWindow(previous) && IsWindowVisible(previous)) SetActiveWindow(previous);
  return ModalResult;
}

void TForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    if (OnClose) OnClose(this, action);
  }
  if (action == caNone)
    ModalResult = mrNone;
  else if (action == caFree)
    Release();
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (modal_) {
    ModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application.MainForm() == this) {
    Application.Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

bool TForm::IsShortCut(unsigned short shortCut) {
  if (menu_ && menu_->IsShortCut(shortCut)) return true;
  for (TComponent* c : Components())
    if (auto* list = dynamic_cast<TActionList*>(c))
      if (list->IsShortCut(shortCut)) return true;
  return false;
}

bool TForm::MenuCommand(WORD id) {
  if (id == IDOK || id == IDCANCEL) {
    if (TButton* b = FindDialogButton(this, id == IDCANCEL)) b->Click();
    return true;
  }
  if (TMenuItem* item = TMenuItem::FromCommand(id)) {
    item->Click();
    return true;
  }
  return false;
}

bool TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      result = 0;
      return true;
    case WM_COMMAND:
      if (lParam == 0 || !FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (MenuCommand(LOWORD(wParam))) {
          result = 0;
          return true;
        }
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Handle(), focus)) lastFocus_ = focus;
        break;
      }
      Screen.SetActiveForm(this);
      if (OnActivate) OnActivate(this);
      if (lastFocus_ && IsWindow(lastFocus_) && IsChild(Handle(), lastFocus_)) {
        ::SetFocus(lastFocus_);
        result = 0;
        return true;
      }
      if (activeControl_ && activeControl_->HandleAllocated()) {
        activeControl_->SetFocus();
        result = 0;
        return true;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE && Application.MainForm() == this) {
        Application.Minimize();
        result = 0;
        return true;
      }
      break;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (Constraints.MinWidth > 0) info->ptMinTrackSize.x = Constraints.MinWidth;
      if (Constraints.MinHeight > 0) info->ptMinTrackSize.y = Constraints.MinHeight;
      if (Constraints.MaxWidth > 0) info->ptMaxTrackSize.x = Constraints.MaxWidth;
      if (Constraints.MaxHeight > 0) info->ptMaxTrackSize.y = Constraints.MaxHeight;
      result = 0;
      return true;
    }
    default:
      if (msg == kReleaseMessage) {
        Free();
        result = 0;
        return true;
      }
      break;
  }
  return TControl::WndProc(msg, wParam, lParam, result);
}
