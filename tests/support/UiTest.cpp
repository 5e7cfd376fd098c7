#include "UiTest.h"
#include "MessagePump.h"
#include <cstring>
#include <fstream>

namespace {
BOOL CALLBACK CollectBox(HWND hwnd, LPARAM list) {
  char cls[32] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::string(cls) == "#32770" && IsWindowVisible(hwnd))
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  return TRUE;
}

BOOL CALLBACK LongestStatic(HWND hwnd, LPARAM text) {
  char cls[32] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (_stricmp(cls, "Static") != 0) return TRUE;
  char buf[1024] = {};
  GetWindowTextA(hwnd, buf, sizeof buf);
  auto* best = reinterpret_cast<std::string*>(text);
  if (strlen(buf) > best->size()) *best = buf;
  return TRUE;
}
}

std::vector<HWND> DialogBoxesOf(DWORD threadId) {
  std::vector<HWND> list;
  EnumThreadWindows(threadId, CollectBox, reinterpret_cast<LPARAM>(&list));
  return list;
}

std::string BoxText(HWND box) {
  std::string text;
  EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(&text));
  return text;
}

TBoxWatcher::TBoxWatcher(int answer, DWORD delayMs)
    : thread_(GetCurrentThreadId()), answer_(answer), delay_(delayMs), worker_([this] { Watch(); }) {}

TBoxWatcher::~TBoxWatcher() {
  stop_ = true;
  worker_.join();
}

std::vector<std::string> TBoxWatcher::Texts() {
  std::lock_guard<std::mutex> guard(lock_);
  return texts_;
}

std::vector<std::string> TBoxWatcher::Captions() {
  std::lock_guard<std::mutex> guard(lock_);
  return captions_;
}

void TBoxWatcher::Watch() {
  std::vector<std::pair<HWND, ULONGLONG>> seen;  // box, first seen
  std::vector<HWND> answered;
  while (!stop_) {
    ULONGLONG now = GetTickCount64();
    for (HWND box : DialogBoxesOf(thread_)) {
      bool done = false;
      for (HWND a : answered) done = done || a == box;
      if (done) continue;
      ULONGLONG first = now;
      bool known = false;
      for (auto& s : seen)
        if (s.first == box) first = s.second, known = true;
      if (!known) seen.emplace_back(box, now);
      if (now - first < delay_ + 50) continue;  // let it settle (and the test answer it first)
      char caption[256] = {};
      GetWindowTextA(box, caption, sizeof caption);
      {
        std::lock_guard<std::mutex> guard(lock_);
        texts_.push_back(BoxText(box));
        captions_.push_back(caption);
      }
      PostMessageA(box, WM_COMMAND, answer_, 0);
      answered.push_back(box);
    }
    Sleep(20);
  }
}

TMenuUser::TMenuUser(const std::string& choice)
    : worker_([this, choice] {
        for (int i = 0; i < 250 && !stop_; ++i, Sleep(20)) {
          HWND menu = FindWindowA("#32768", nullptr);
          if (!menu || !IsWindowVisible(menu)) continue;
          Sleep(100);
          HMENU handle = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
          int pick = -1;
          for (int k = 0; k < GetMenuItemCount(handle); ++k) {
            char text[128] = {};
            GetMenuStringA(handle, UINT(k), text, sizeof text, MF_BYPOSITION);
            Items.push_back(text);
            if (Items.back() == choice) pick = k;
          }
          // Down from no selection reaches item 0 first; only separators are passed over.
          for (int k = 0; k <= pick; ++k) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
          PostMessageA(menu, WM_KEYDOWN, pick >= 0 ? VK_RETURN : VK_ESCAPE, 0);
          seen_ = true;
          return;
        }
      }) {}

bool TMenuUser::Finish() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
  return seen_;
}

TWatchdog::TWatchdog(HWND window, DWORD delayMs)
    : cancel_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), worker_([this, window, delayMs] {
        if (WaitForSingleObject(cancel_, delayMs) == WAIT_TIMEOUT) {
          fired_ = true;
          PostMessageA(window, WM_CLOSE, 0, 0);
        }
      }) {}

TWatchdog::~TWatchdog() {
  SetEvent(cancel_);
  worker_.join();
  CloseHandle(cancel_);
}

bool PumpFor(const std::function<bool()>& done, DWORD timeoutMs) { return PumpUntil(done, timeoutMs); }

void PumpMs(DWORD ms) { PumpUntil([] { return false; }, ms); }

std::vector<COLORREF> SaveWindowPicture(HWND hwnd, const std::string& path, int& w, int& h) {
  RECT r;
  GetWindowRect(hwnd, &r);
  w = r.right - r.left;
  h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<COLORREF> pixels;
  if (dib && bits) {
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    int stride = (w * 3 + 3) & ~3;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        auto* p = static_cast<unsigned char*>(bits) + (h - 1 - y) * stride + x * 3;
        pixels.push_back(RGB(p[2], p[1], p[0]));
      }
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + stride * h;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    out.write(static_cast<const char*>(bits), stride * h);
    out.close();
    if (!out) pixels.clear();
    SelectObject(mem, old);
    DeleteObject(dib);
  }
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return pixels;
}

void TypeKey(HWND target, WORD key, TShiftState modifiers) {
  BYTE saved[256], state[256];
  GetKeyboardState(saved);
  memcpy(state, saved, sizeof state);
  if (modifiers & ssCtrl) state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
  if (modifiers & ssAlt) state[VK_MENU] = state[VK_LMENU] = 0x80;
  if (modifiers & ssShift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
  SetKeyboardState(state);
  bool sys = (modifiers & ssAlt) && !(modifiers & ssCtrl);
  LPARAM down = 1 | (static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16) |
                (sys ? (1 << 29) : 0);
  PostMessageA(target, sys ? WM_SYSKEYDOWN : WM_KEYDOWN, key, down);
  PostMessageA(target, sys ? WM_SYSKEYUP : WM_KEYUP, key, down | 0xC0000000);
  PumpMs(150);
  SetKeyboardState(saved);
}
