#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "Box.h"

// Reading and working a top-level window of another process. Nothing here may block on a hung
// program: captions come from the window manager's copy, and the few messages that must be
// sent (list entries, edit texts) are sent with a short time-out.
class TBoxWindow {
public:
  explicit TBoxWindow(HWND hwnd) : hwnd_(hwnd) {}
  HWND Handle() const { return hwnd_; }

  // The box as it is now, with the handles of its buttons, lists and edits in the same order.
  TBox Read();

  // Posts a click of button i of the last Read; false when it is gone or disabled.
  bool Press(int button);
  // Selects entry i of the first list (and tells its form, as a click would).
  bool Select(int entry);
  bool SetEdit(const std::string& text);
  void Close();

private:
  static BOOL CALLBACK Child(HWND hwnd, LPARAM self);
  void AddChild(HWND child);

  HWND hwnd_;
  TBox box_;
  std::vector<HWND> buttons_, lists_, edits_;
};

std::string Utf8(const std::wstring& s);
std::wstring Wide(const std::string& utf8);
// The top-level windows of a process (0: of every process but this one).
std::vector<HWND> TopWindows(DWORD pid, bool visibleOnly = true);
