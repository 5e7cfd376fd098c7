#include "Application.h"
#include <algorithm>
#include "Control.h"
#include "Exception.h"
#include "Form.h"
#include "MessagePump.h"
#include "MessageWindow.h"
#include "ShortCut.h"
#include "TaskWindows.h"

TApplication Application;

namespace {
const UINT kExceptionMessage = WM_APP + 0x102;

// Keys of our forms: menu and action shortcuts first, then the form's key preview, then the
// dialog keys (Tab, Enter for the default button, Esc for the cancel button).
bool FilterFormKeys(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  auto* form = dynamic_cast<TForm*>(TControl::FromHandle(root));
  if (!form) return false;
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
    TShortCut shortCut = ShortCutFromKey(static_cast<WORD>(msg.wParam));
    if (shortCut != scNone && form->IsShortCut(shortCut)) return true;
    if ((form->KeyPreview || msg.hwnd == root) && form->OnKeyDown) {
      WORD key = static_cast<WORD>(msg.wParam);
      form->OnKeyDown(form, key, KeyboardShiftState());
      if (key == 0) return true;
      msg.wParam = key;
    }
  }
  return IsDialogMessageA(root, &msg) != 0;
}

// Keeps the idle work going inside the platform's message box: its loop does not call ours, so
// a message filter hook notes each message it takes and a thread timer runs the idle handler
// once the queue has been emptied (again while the handler leaves Done false).
class TBoxIdle {
public:
  TBoxIdle() : previous_(current_) {
    current_ = this;
    hook_ = SetWindowsHookExA(WH_MSGFILTER, Filter, nullptr, GetCurrentThreadId());
    timer_ = SetTimer(nullptr, 0, kSliceMs, Tick);
  }
  ~TBoxIdle() {
    if (timer_) KillTimer(nullptr, timer_);
    if (hook_) UnhookWindowsHookEx(hook_);
    current_ = previous_;
  }

private:
  static const UINT kSliceMs = 50;
  static LRESULT CALLBACK Filter(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code >= 0 && current_ && msg && !(msg->message == WM_TIMER && msg->hwnd == nullptr))
      current_->pending_ = true;
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    TBoxIdle* self = current_;
    if (!self || self->timer_ != id || (!self->pending_ && self->done_)) return;
    if (HIWORD(GetQueueStatus(QS_ALLINPUT & ~QS_TIMER)) != 0) return;  // not idle yet
    self->pending_ = false;
    bool done = true;
    Application.RunIdle(done);
    self->done_ = done;
  }
  static thread_local TBoxIdle* current_;
  TBoxIdle* previous_;
  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
  bool pending_ = true;
  bool done_ = true;
};
thread_local TBoxIdle* TBoxIdle::current_ = nullptr;

std::string ProgramBaseName() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}
}

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() { DestroyForms(); }

void TApplication::Initialize() {
  if (initialized_) return;
  initialized_ = true;
  mainThread_ = GetCurrentThreadId();
  if (title_.empty()) title_ = ProgramBaseName();
  SetExceptionHandler([](const std::exception_ptr& error) { Application.HandleException(error); });
  SetMessageFilter(FilterFormKeys);
  InitCommonControlsOnce();
  courier_ = std::make_unique<TMessageWindow>(
      "TApplicationCourier", [this](UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
        if (msg != kExceptionMessage) return false;
        std::unique_ptr<std::exception_ptr> error(reinterpret_cast<std::exception_ptr*>(lParam));
        HandleException(*error);
        result = 0;
        return true;
      });
}

HWND TApplication::Handle() {
  Initialize();
  if (!window_) {
    window_ = std::make_unique<TMessageWindow>(
        "TApplication",
        [this](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
          return HandleWindowMessage(msg, wParam, lParam, result);
        },
        nullptr, WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX);
    SetWindowTextA(window_->Handle(), title_.c_str());
  }
  return window_->Handle();
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (window_) SetWindowTextA(window_->Handle(), title_.c_str());
}

bool TApplication::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  auto hooks = hooks_;  // a hook may unhook itself
  for (auto& hook : hooks)
    if (hook.second(msg, wParam, lParam, result)) return true;
  switch (msg) {
    case WM_CLOSE:
      if (mainForm_) mainForm_->Close();
      result = 0;
      return true;
    case WM_SIZE:
      // Restored from the taskbar: the forms hidden by Minimize come back.
      if (wParam == SIZE_RESTORED) ShowOwnedPopups(window_->Handle(), TRUE);
      return false;
    default:
      return false;
  }
}

int TApplication::HookMainWindow(TWindowHook hook) {
  int id = nextHook_++;
  hooks_.emplace_back(id, std::move(hook));
  return id;
}

void TApplication::UnhookMainWindow(int id) {
  hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(),
                              [id](const auto& h) { return h.first == id; }),
               hooks_.end());
}

void TApplication::Run() {
  Initialize();
  running_ = true;
  if (mainForm_) {
    try {
      if (ShowMainForm) {
        // The zero-sized application window carries the taskbar button; a program that starts
        // hidden (in the tray) shows neither.
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
        if (mainForm_->WindowState() == wsMinimized)
          Minimize();
        else
          mainForm_->Show();
      }
    } catch (...) {
      HandleException(std::current_exception());
    }
    while (!Terminated()) HandleMessage();
  }
  running_ = false;
}

void TApplication::Terminate() {
  InterlockedExchange(&terminated_, 1);
  if (mainThread_ && GetCurrentThreadId() != mainThread_)
    PostThreadMessageA(mainThread_, WM_NULL, 0, 0);  // wakes a loop asleep in its wait
}

void TApplication::HandleMessage() {
  try {
    if (!DispatchOneMessage()) {
      bool done = true;
      DoIdle(done);
      if (done && !Terminated())
        MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    if (QuitReceived()) InterlockedExchange(&terminated_, 1);
  } catch (...) {
    HandleException(std::current_exception());
  }
}

void TApplication::ProcessMessages() { ::ProcessMessages(); }

bool TApplication::RunIdle(bool& done) { return DoIdle(done); }

bool TApplication::DoIdle(bool& done) {
  // No idle work inside a ProcessMessages wait, nor inside the idle handler itself (a box it
  // shows must not start the same work again).
  if (!OnIdle || inIdle_ || InsidePump()) return false;
  inIdle_ = true;
  try {
    OnIdle(this, done);
  } catch (...) {
    done = true;
    inIdle_ = false;
    HandleException(std::current_exception());
  }
  inIdle_ = false;
  return true;
}

void TApplication::HandleException(const std::exception_ptr& error) noexcept {
  try {
    if (mainThread_ && GetCurrentThreadId() != mainThread_ && courier_) {
      auto* copy = new std::exception_ptr(error);
      if (!PostMessageA(courier_->Handle(), kExceptionMessage, 0, reinterpret_cast<LPARAM>(copy))) {
        delete copy;
        OutputDebugStringA(ExceptionText(error).c_str());
      }
      return;
    }
    if (OnException) {
      OnException(this, error);
      return;
    }
    MessageBox(ExceptionText(error), Title(), MB_OK | MB_ICONERROR);
  } catch (...) {
    OutputDebugStringA("Exception while handling an exception\n");
  }
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  Initialize();
  HWND owner = GetActiveWindow();
  if (owner && GetWindowThreadProcessId(owner, nullptr) != GetCurrentThreadId()) owner = nullptr;
  if (!owner && mainForm_ && mainForm_->HandleAllocated() && IsWindowVisible(mainForm_->Handle()))
    owner = mainForm_->Handle();
  if (!owner) owner = Handle();
  TTaskWindowsDisabler disabled(owner);
  TBoxIdle idle;
  return ::MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::Minimize() {
  HWND h = Handle();
  ShowOwnedPopups(h, FALSE);
  ShowWindow(h, SW_MINIMIZE);
}

bool TApplication::Minimized() const { return window_ && IsIconic(window_->Handle()); }

void TApplication::Restore() {
  HWND h = Handle();
  ShowWindow(h, SW_RESTORE);
  ShowOwnedPopups(h, TRUE);
}

void TApplication::DestroyForms() {
  while (!Components().empty()) {
    TComponent* c = Components().back();
    if (auto* form = dynamic_cast<TForm*>(c))
      form->Free();
    else
      delete c;
  }
  mainForm_ = nullptr;
  window_.reset();
}

void TApplication::FormDestroyed(TForm* form) {
  if (mainForm_ == form) mainForm_ = nullptr;
}
