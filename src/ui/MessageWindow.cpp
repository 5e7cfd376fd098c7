#include "MessageWindow.h"
#include "Exception.h"
#include <mutex>
#include <set>

namespace {
std::mutex handlerLock;
TExceptionHandler exceptionHandler;

bool RegisterOnce(const std::string& className, WNDPROC proc) {
  static std::mutex lock;
  static std::set<std::string> registered;
  std::lock_guard<std::mutex> guard(lock);
  if (registered.count(className)) return true;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = className.c_str();
  wc.cbWndExtra = sizeof(LONG_PTR);
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  registered.insert(className);
  return true;
}
}

void SetExceptionHandler(TExceptionHandler handler) {
  std::lock_guard<std::mutex> guard(handlerLock);
  exceptionHandler = std::move(handler);
}

void HandleCallbackException(const std::exception_ptr& error) noexcept {
  try {
    TExceptionHandler handler;
    {
      std::lock_guard<std::mutex> guard(handlerLock);
      handler = exceptionHandler;
    }
    if (handler) {
      handler(error);
      return;
    }
    OutputDebugStringA(ExceptionText(error).c_str());
  } catch (...) {
    // An exception handler that throws has nowhere left to go.
  }
}

TMessageWindow::TMessageWindow(const std::string& className, Handler handler, HWND parent,
                               DWORD style, DWORD exStyle)
    : handler_(std::move(handler)) {
  if (!RegisterOnce(className, WndProc))
    throw Exception("Cannot register window class " + className);
  hwnd_ = CreateWindowExA(exStyle, className.c_str(), "", style, 0, 0, 0, 0, parent, nullptr,
                          GetModuleHandleA(nullptr), this);
  if (!hwnd_) throw EOutOfResources("Cannot create window " + className);
}

TMessageWindow::~TMessageWindow() {
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, 0, 0);
    DestroyWindow(hwnd_);
  }
}

LRESULT CALLBACK TMessageWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<TMessageWindow*>(GetWindowLongPtrA(hwnd, 0));
  if (self && self->handler_) {
    try {
      LRESULT result = 0;
      if (self->handler_(msg, wParam, lParam, result)) return result;
    } catch (...) {
      HandleCallbackException(std::current_exception());
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
