#include "TaskWindows.h"

TTaskWindowsDisabler::TTaskWindowsDisabler(HWND keep) : keep_(keep) {
  EnumThreadWindows(GetCurrentThreadId(), Disable, reinterpret_cast<LPARAM>(this));
}

TTaskWindowsDisabler::~TTaskWindowsDisabler() {
  for (HWND w : disabled_)
    if (IsWindow(w)) EnableWindow(w, TRUE);
}

BOOL CALLBACK TTaskWindowsDisabler::Disable(HWND hwnd, LPARAM self) {
  auto* me = reinterpret_cast<TTaskWindowsDisabler*>(self);
  if (hwnd != me->keep_ && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    EnableWindow(hwnd, FALSE);
    me->disabled_.push_back(hwnd);
  }
  return TRUE;
}
