#pragma once
#include <windows.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include "Control.h"

// Finds the visible platform dialog boxes (message boxes) of a thread.
std::vector<HWND> DialogBoxesOf(DWORD threadId);
// The message text of a message box (its longest static text).
std::string BoxText(HWND box);

// From a helper thread, answers every message box the watched thread opens (after delayMs),
// noting text and caption, so that no test hangs on a box.
class TBoxWatcher {
public:
  explicit TBoxWatcher(int answer = IDOK, DWORD delayMs = 0);
  ~TBoxWatcher();
  std::vector<std::string> Texts();
  std::vector<std::string> Captions();

private:
  void Watch();
  DWORD thread_;
  int answer_;
  DWORD delay_;
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::vector<std::string> texts_, captions_;
  std::thread worker_;
};

// From a helper thread, waits for a pop-up menu to show, notes the captions of its items and
// chooses the one with this caption by the keyboard (Esc when it has none).
class TMenuUser {
public:
  explicit TMenuUser(const std::string& choice);
  ~TMenuUser() { Finish(); }
  bool Seen() const { return seen_; }
  // Waits for the helper; Items is then safe to read. False when no menu was shown.
  bool Finish();
  std::vector<std::string> Items;

private:
  std::atomic<bool> seen_{false}, stop_{false};
  std::thread worker_;
};

// Posts WM_CLOSE to a window after a delay unless cancelled: the safety net of modal tests.
class TWatchdog {
public:
  TWatchdog(HWND window, DWORD delayMs);
  ~TWatchdog();
  bool Fired() const { return fired_; }

private:
  HANDLE cancel_;
  std::atomic<bool> fired_{false};
  std::thread worker_;
};

// Saves the screen area of a window as a 24-bit BMP (w by h pixels); returns its pixels, top
// row first, or none when the picture could not be taken or saved.
std::vector<COLORREF> SaveWindowPicture(HWND hwnd, const std::string& path, int& w, int& h);

// A key pressed in a window of this thread, the modifiers held in the thread's key state. Posted
// rather than sent through the platform's input, so that windows of other programs on the same
// display cannot take it.
void TypeKey(HWND target, WORD key, TShiftState modifiers = 0);

// Pumps (no idle work) until done() or the time is up.
bool PumpFor(const std::function<bool()>& done, DWORD timeoutMs);
void PumpMs(DWORD ms);
