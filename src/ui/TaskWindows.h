#pragma once
#include <windows.h>
#include <vector>

// Disables the calling thread's other visible top-level windows while a modal form or a message
// box is up, and enables them again when it goes.
class TTaskWindowsDisabler {
public:
  explicit TTaskWindowsDisabler(HWND keep);
  ~TTaskWindowsDisabler();
  TTaskWindowsDisabler(const TTaskWindowsDisabler&) = delete;
  TTaskWindowsDisabler& operator=(const TTaskWindowsDisabler&) = delete;

private:
  static BOOL CALLBACK Disable(HWND hwnd, LPARAM self);
  HWND keep_;
  std::vector<HWND> disabled_;
};
