#pragma once
#include <windows.h>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "Component.h"

class TForm;
class TMessageWindow;

// The application object: the message loop with its idle handler, the hidden application window
// (owner of the forms and of the taskbar button; hookable), the main form, the title, and the
// handler of every exception that reaches a window procedure, a timer or the loop.
//
// Idle rules: the idle handler runs whenever the queue has been emptied by the application loop,
// by a modal form's loop or inside a message box (whose platform loop is watched by a message
// hook and a 50 ms thread timer); it never runs while a ProcessMessages or PumpUntil is on the
// stack, nor inside itself (in a box it opens), and ProcessMessages never runs it. While it
// leaves Done true the loop sleeps until the next message; with Done false it is called again
// as long as the queue stays empty.
class TApplication : public TComponent {
public:
  TApplication();
  ~TApplication() override;

  // Installs the exception handler and the key handling of the forms; run once at the top of the
  // program (CreateForm, Run and Handle run it too).
  void Initialize();

  // The hidden application window, made on first use (it needs a display).
  HWND Handle();
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);

  // Makes a form owned by the application: reference is set before the form's OnCreate runs.
  // The first form made this way is the main form; closing it terminates the application.
  template <class T, class... Args>
  void CreateForm(T*& reference, Args&&... args) {
    Initialize();
    T* form = new T(this, std::forward<Args>(args)...);
    reference = form;
    if (!mainForm_) mainForm_ = form;
    form->AfterConstruction();
  }
  TForm* MainForm() const { return mainForm_; }

  // Shows the main form (unless ShowMainForm is false) and runs the loop until Terminated.
  void Run();
  // Ends Run and every modal loop. Safe from any thread.
  void Terminate();
  bool Terminated() const { return terminated_ != 0; }
  bool Running() const { return running_; }
  // One step of a loop: dispatches one message, or runs the idle work and sleeps.
  void HandleMessage();
  void ProcessMessages();

  // Shows the exception's message in a message box (or hands it to OnException), on the main
  // thread: from another thread it is posted there. Never throws.
  void HandleException(const std::exception_ptr& error) noexcept;

  // A platform message box owned by the active form; the other windows are disabled and the idle
  // work goes on while it is open. Returns the platform's IDxxx value.
  int MessageBox(const std::string& text, const std::string& caption, UINT flags);

  // Minimizing the application minimizes its window (the taskbar button) and hides the forms;
  // the main form's minimize box and WindowState come here. Hooks see WM_SIZE SIZE_MINIMIZED.
  void Minimize();
  void Restore();
  bool Minimized() const;

  // Hooks of the application window's messages (the tray icon): the first hook that returns
  // true handles the message.
  using TWindowHook = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)>;
  int HookMainWindow(TWindowHook hook);
  void UnhookMainWindow(int id);

  // Frees the forms the application owns, the last made first, and the application window.
  // The program calls it after Run (the forms' OnDestroy handlers still find everything alive).
  void DestroyForms();

  std::function<void(TComponent* sender, bool& done)> OnIdle;
  std::function<void(TComponent* sender, const std::exception_ptr& error)> OnException;
  bool ShowMainForm = true;

  // Runs the idle handler once, unless the rules forbid it here; false when it did not run.
  bool RunIdle(bool& done);
  void FormDestroyed(TForm* form);

private:
  bool DoIdle(bool& done);
  bool HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  std::unique_ptr<TMessageWindow> window_;
  std::unique_ptr<TMessageWindow> courier_;  // carries other threads' exceptions to the main one
  std::string title_;
  TForm* mainForm_ = nullptr;
  volatile LONG terminated_ = 0;
  bool running_ = false;
  bool initialized_ = false;
  bool inIdle_ = false;
  DWORD mainThread_ = 0;
  int nextHook_ = 1;
  std::vector<std::pair<int, TWindowHook>> hooks_;
};

extern TApplication Application;
