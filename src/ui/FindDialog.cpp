#include "FindDialog.h"
#include <algorithm>
#include <vector>
#include "Application.h"
#include "Exception.h"
#include "Form.h"
#include "MessageWindow.h"

namespace {
const UINT kFindMessage = RegisterWindowMessageA(FINDMSGSTRINGA);

// Our loops do not know the modeless dialog: a message hook gives it its dialog keys.
thread_local std::vector<HWND> openDialogs;
thread_local HHOOK keyHook = nullptr;

LRESULT CALLBACK DialogKeys(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && msg->message >= WM_KEYFIRST &&
      msg->message <= WM_KEYLAST) {
    for (HWND dialog : openDialogs) {
      if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) continue;
      if (IsDialogMessageA(dialog, msg)) msg->message = WM_NULL;
      break;
    }
  }
  return CallNextHookEx(keyHook, code, wParam, lParam);
}

void Register(HWND dialog) {
  openDialogs.push_back(dialog);
  if (!keyHook) keyHook = SetWindowsHookExA(WH_GETMESSAGE, DialogKeys, nullptr, GetCurrentThreadId());
}

void Unregister(HWND dialog) {
  openDialogs.erase(std::remove(openDialogs.begin(), openDialogs.end(), dialog), openDialogs.end());
  if (openDialogs.empty() && keyHook) {
    UnhookWindowsHookEx(keyHook);
    keyHook = nullptr;
  }
}

HWND OwnerWindow(TComponent* owner) {
  for (TComponent* c = owner; c; c = c->Owner())
    if (auto* form = dynamic_cast<TForm*>(c)) return form->Handle();
  TForm* main = Application.MainForm();
  return main ? main->Handle() : Application.Handle();
}
}

TFindDialog::TFindDialog(TComponent* owner) : TComponent(owner) {}

TFindDialog::~TFindDialog() {
  if (dialog_) {
    Unregister(dialog_);
    DestroyWindow(dialog_);
  }
}

bool TFindDialog::Execute() {
  if (dialog_) {
    SetForegroundWindow(dialog_);
    return true;
  }
  if (!owner_)
    owner_ = std::make_unique<TMessageWindow>(
        "TFindDialogOwner",
        [this](UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
          result = 0;
          return Message(msg, lParam);
        },
        OwnerWindow(Owner()), WS_POPUP);
  lstrcpynA(text_, FindText.c_str(), sizeof text_);
  find_ = {};
  find_.lStructSize = sizeof find_;
  find_.hwndOwner = owner_->Handle();
  find_.lpstrFindWhat = text_;
  find_.wFindWhatLen = sizeof text_;
  find_.Flags = ((Options & frDown) ? FR_DOWN : 0) | ((Options & frMatchCase) ? FR_MATCHCASE : 0) |
                ((Options & frWholeWord) ? FR_WHOLEWORD : 0) |
                ((Options & frDisableUpDown) ? FR_NOUPDOWN : 0) |
                ((Options & frHideWholeWord) ? FR_HIDEWHOLEWORD : 0);
  dialog_ = ::FindTextA(&find_);
  if (!dialog_)
    throw EOutOfResources("Cannot show the find dialog (error " +
                          std::to_string(CommDlgExtendedError()) + ")");
  Register(dialog_);
  if (OnShow) OnShow(this);
  return true;
}

void TFindDialog::CloseDialog() {
  if (dialog_) SendMessageA(dialog_, WM_COMMAND, IDCANCEL, 0);
}

void TFindDialog::Closed() {
  Unregister(dialog_);
  dialog_ = nullptr;
  if (OnClose) OnClose(this);
}

bool TFindDialog::Message(UINT msg, LPARAM lParam) {
  if (msg != kFindMessage || reinterpret_cast<FINDREPLACEA*>(lParam) != &find_) return false;
  if (find_.Flags & FR_DIALOGTERM) {
    Closed();
    return true;
  }
  if (find_.Flags & FR_FINDNEXT) {
    FindText = text_;
    // With the direction disabled it stays as given (the platform may not report it).
    TFindOptions down = (Options & frDisableUpDown) ? (Options & frDown) : (find_.Flags & FR_DOWN) ? frDown : 0;
    Options = (Options & (frDisableUpDown | frHideWholeWord)) | down |
              ((find_.Flags & FR_MATCHCASE) ? frMatchCase : 0) |
              ((find_.Flags & FR_WHOLEWORD) ? frWholeWord : 0);
    if (OnFind) OnFind(this);
  }
  return true;
}
