#pragma once
#include <windows.h>
#include <exception>
#include <functional>
#include <string>

// Where an exception that reached a window procedure, timer or thread boundary goes. The
// application object installs itself here; the default writes the text to the debug output.
using TExceptionHandler = std::function<void(const std::exception_ptr&)>;
void SetExceptionHandler(TExceptionHandler handler);
void HandleCallbackException(const std::exception_ptr& error) noexcept;

// A hidden message-only window (parent HWND_MESSAGE, so it needs no display) of a named class.
// Its procedure hands every message to the handler on the owning thread and catches every
// exception. With a parent of nullptr and a style it is a hidden top-level window instead (the
// application window, which owns the forms and needs a display).
class TMessageWindow {
public:
  // Returns true when it handled the message (result in 'result'); false passes it on.
  using Handler = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

  TMessageWindow(const std::string& className, Handler handler, HWND parent = HWND_MESSAGE,
                 DWORD style = 0, DWORD exStyle = 0);
  ~TMessageWindow();
  TMessageWindow(const TMessageWindow&) = delete;
  TMessageWindow& operator=(const TMessageWindow&) = delete;

  HWND Handle() const { return hwnd_; }

private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
  Handler handler_;
};
