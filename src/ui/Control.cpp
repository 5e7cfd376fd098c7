#include "Control.h"
#include <commctrl.h>
#include <algorithm>
#include <mutex>
#include <set>
#include "Exception.h"
#include "Font.h"
#include "Form.h"
#include "Menu.h"
#include "MessageWindow.h"

namespace {
const char* const kProp = "VlControl";

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

int NextControlId() {
  // Child ids stay below the menu command range and above IDOK/IDCANCEL.
  static int next = 100;
  int id = next++;
  if (next >= 0x7FFF) next = 100;
  return id;
}
}

COLORREF ColorToRGB(TColor color) {
  if (color == clDefault) return GetSysColor(COLOR_BTNFACE);
  if (color & 0x80000000) return GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0xFFFFFF;
}

TShiftState KeyboardShiftState() {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

void RegisterControlClass(const std::string& className, WNDPROC proc, HBRUSH background,
                          HICON icon) {
  static std::mutex lock;
  static std::set<std::string> registered;
  std::lock_guard<std::mutex> guard(lock);
  if (registered.count(className)) return;
  WNDCLASSA wc = {};
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = Instance();
  wc.hIcon = icon;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = background;
  wc.lpszClassName = className.c_str();
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw EOutOfResources("Cannot register window class " + className);
  registered.insert(className);
}

void InitCommonControlsOnce() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES |
                                               ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  done = true;
}

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  for (TControl* c : children_) c->parent_ = nullptr;
  children_.clear();
  if (parent_) {
    auto& list = parent_->children_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    parent_ = nullptr;
  }
  DestroyHandle();
  if (brush_) DeleteObject(brush_);
}

TControl* TControl::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  return static_cast<TControl*>(GetPropA(hwnd, kProp));
}

void TControl::SetParent(TControl* parent) {
  if (parent == parent_) return;
  if (parent_) {
    auto& list = parent_->children_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  parent_ = parent;
  if (!parent_) {
    DestroyHandle();
    return;
  }
  parent_->children_.push_back(this);
  if (parent_->handle_) {
    if (handle_)
      ::SetParent(handle_, parent_->handle_);
    else
      CreateHandle();
    if (align_ != alNone) parent_->AlignControls();
  }
}

TForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::SetBounds(int left, int top, int width, int height) {
  ConstrainSize(width, height);
  bool resized = width != width_ || height != height_;
  bool moved = left != left_ || top != top_;
  if (!resized && !moved) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (handle_) {
    // WM_WINDOWPOSCHANGED reads back what the window made of it (a combo box keeps its height).
    SetWindowPos(handle_, nullptr, left, top, width, WindowHeight(height),
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }
  if (resized) Resized();
  if (parent_ && align_ != alNone && !parent_->aligning_) parent_->AlignControls();
}

void TControl::CacheBounds(int left, int top, int width, int height) {
  bool resized = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (resized) Resized();
}

void TControl::ReadBoundsFromWindow() {
  if (!handle_ || IsIconic(handle_)) return;
  RECT r;
  GetWindowRect(handle_, &r);
  HWND parentWnd = (GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD) ? GetParent(handle_) : nullptr;
  if (parentWnd) MapWindowPoints(nullptr, parentWnd, reinterpret_cast<POINT*>(&r), 2);
  CacheBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

int TControl::ClientWidth() const {
  if (!handle_) return width_;
  RECT r;
  GetClientRect(handle_, &r);
  return r.right - r.left;
}

int TControl::ClientHeight() const {
  if (!handle_) return height_;
  RECT r;
  GetClientRect(handle_, &r);
  return r.bottom - r.top;
}

void TControl::SetClientSize(int width, int height) {
  SetBounds(left_, top_, width + (width_ - ClientWidth()), height + (height_ - ClientHeight()));
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->AlignControls();
}

void TControl::AlignControls() {
  if (aligning_ || children_.empty()) return;
  aligning_ = true;
  RECT r = {0, 0, ClientWidth(), ClientHeight()};
  for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : children_) {
      if (c->align_ != pass || !c->visible_) continue;
      int w = r.right - r.left, h = r.bottom - r.top;
      switch (pass) {
        case alTop:
          c->SetBounds(r.left, r.top, w, c->height_);
          r.top += c->height_;
          break;
        case alBottom:
          c->SetBounds(r.left, r.bottom - c->height_, w, c->height_);
          r.bottom -= c->height_;
          break;
        case alLeft:
          c->SetBounds(r.left, r.top, c->width_, h);
          r.left += c->width_;
          break;
        case alRight:
          c->SetBounds(r.right - c->width_, r.top, c->width_, h);
          r.right -= c->width_;
          break;
        default:
          c->SetBounds(r.left, r.top, std::max(0, w), std::max(0, h));
          break;
      }
    }
  }
  aligning_ = false;
}

void TControl::Resized() {
  AlignControls();
  if (OnResize) OnResize(this);
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (handle_) ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
  if (parent_ && align_ != alNone) parent_->AlignControls();
}

void TControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (handle_) EnableWindow(handle_, enabled);
}

std::string TControl::Caption() const {
  if (handle_) {
    int n = GetWindowTextLengthA(handle_);
    std::string text(n + 1, '\0');
    n = GetWindowTextA(handle_, &text[0], n + 1);
    text.resize(n > 0 ? n : 0);
    caption_ = text;
  }
  return caption_;
}

void TControl::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (handle_) SetWindowTextA(handle_, caption.c_str());
}

void TControl::SetColor(TColor color) {
  color_ = color;
  Invalidate();
}

void TControl::SetFontColor(TColor color) {
  fontColor_ = color;
  Invalidate();
}

TColor TControl::BackColor() const {
  if (color_ != clDefault) return color_;
  if (parentColor_ && parent_) return parent_->BackColor();
  return defaultColor_;
}

HBRUSH TControl::BackBrush() {
  TColor c = BackColor();
  if (c & 0x80000000) return GetSysColorBrush(static_cast<int>(c & 0xFF));
  if (!brush_ || brushColor_ != c) {
    if (brush_) DeleteObject(brush_);
    brush_ = CreateSolidBrush(ColorToRGB(c));
    brushColor_ = c;
  }
  return brush_;
}

HFONT TControl::Font() const {
  return font_ ? font_->Handle() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void TControl::SetFont(const TFont& font) {
  if (!font_) font_ = std::make_unique<TFont>();
  *font_ = font;
  fontColor_ = font.Color;
  if (handle_) {
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), TRUE);
    Invalidate();
  }
  FontChanged();
}

HBRUSH TControl::CtlColor(HDC dc) {
  bool ownBack = color_ != clDefault || (parentColor_ && parent_ && parent_->BackColor() != clBtnFace);
  if (!ownBack && fontColor_ == clDefault) return nullptr;
  SetTextColor(dc, ColorToRGB(fontColor_ == clDefault ? clWindowText : fontColor_));
  SetBkColor(dc, ColorToRGB(BackColor()));
  return BackBrush();
}

void TControl::SetFocus() {
  if (handle_) ::SetFocus(handle_);
}

bool TControl::Focused() const { return handle_ && GetFocus() == handle_; }

void TControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TControl::BringToFront() {
  if (handle_) SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TControl::SendToBack() {
  if (handle_)
    SetWindowPos(handle_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  return handle_ ? SendMessageA(handle_, msg, wParam, lParam) : 0;
}

void TControl::UpdateStyle(DWORD set, DWORD clear, bool ex) {
  if (!handle_) return;
  int index = ex ? GWL_EXSTYLE : GWL_STYLE;
  DWORD style = static_cast<DWORD>(GetWindowLongA(handle_, index));
  DWORD next = (style & ~clear) | set;
  if (next == style) return;
  SetWindowLongA(handle_, index, static_cast<LONG>(next));
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  Invalidate();
}

void TControl::CreateHandle() {
  if (handle_) return;
  TCreateParams cp;
  cp.style = WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0) | (enabled_ ? 0 : WS_DISABLED);
  CreateParams(cp);
  HWND parentWnd = parent_ ? parent_->handle_ : cp.parent;
  if ((cp.style & WS_CHILD) && !parentWnd) return;  // made with the parent's window
  ownClass_ = cp.ownClass;
  if (cp.ownClass) RegisterControlClass(cp.className, OwnClassProc, nullptr);
  HMENU id = (cp.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId()))
                                   : nullptr;
  HWND hwnd = CreateWindowExA(cp.exStyle, cp.className.c_str(), caption_.c_str(), cp.style, left_,
                              top_, width_, WindowHeight(height_), parentWnd, id, Instance(),
                              cp.ownClass ? this : nullptr);
  if (!hwnd) throw EOutOfResources("Cannot create window of class " + cp.className);
  if (!cp.ownClass) {
    Attach(hwnd);
    oldProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  }
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
  if (parent_) {
    // New children go below their siblings: keep the backmost ones under them.
    for (TControl* c : parent_->children_)
      if (c->backmost_ && c->handle_) c->SendToBack();
  }
  HandleCreated();
  for (TControl* c : children_) c->CreateHandle();
  AlignControls();
}

void TControl::DestroyHandle() {
  if (!handle_) return;
  HWND hwnd = handle_;
  RemovePropA(hwnd, kProp);
  if (oldProc_) SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc_));
  oldProc_ = nullptr;
  handle_ = nullptr;
  DestroyWindow(hwnd);
}

void TControl::Attach(HWND hwnd) {
  handle_ = hwnd;
  SetPropA(hwnd, kProp, this);
}

LRESULT CALLBACK TControl::OwnClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    if (cs->lpCreateParams) {
      auto* self = static_cast<TControl*>(cs->lpCreateParams);
      self->Attach(hwnd);
      self->ownClass_ = true;
    }
  }
  TControl* self = FromHandle(hwnd);
  if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
  return Dispatch(self, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK TControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TControl* self = FromHandle(hwnd);
  if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
  return Dispatch(self, hwnd, msg, wParam, lParam);
}

LRESULT TControl::Dispatch(TControl* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCDESTROY) {
    LRESULT r = self->DefaultProc(msg, wParam, lParam);
    RemovePropA(hwnd, kProp);
    self->handle_ = nullptr;
    self->oldProc_ = nullptr;
    return r;
  }
  try {
    LRESULT result = 0;
    if (self->WndProc(msg, wParam, lParam, result)) return result;
  } catch (...) {
    HandleCallbackException(std::current_exception());
    return 0;
  }
  return self->DefaultProc(msg, wParam, lParam);
}

LRESULT TControl::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (oldProc_) return CallWindowProcA(oldProc_, handle_, msg, wParam, lParam);
  return DefWindowProcA(handle_, msg, wParam, lParam);
}

bool TControl::Reflect(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      if (TControl* c = FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (c != this) {
          c->Command(HIWORD(wParam));
          result = 0;
          return true;
        }
      }
      return false;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      TControl* c = header ? FromHandle(header->hwndFrom) : nullptr;
      return c && c != this && c->Notify(header, result);
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (TControl* c = FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (c != this) {
          c->Scroll(LOWORD(wParam));
          result = 0;
          return true;
        }
      }
      return false;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      if (TControl* c = FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (HBRUSH brush = c->CtlColor(reinterpret_cast<HDC>(wParam))) {
          result = reinterpret_cast<LRESULT>(brush);
          return true;
        }
      }
      return false;
    default:
      return false;
  }
}

bool TControl::MouseAndKeyDown(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result,
                               const TMouseEvent& onMouseDown, const TKeyEvent& onKeyDown) {
  if ((msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) && onMouseDown)
    onMouseDown(this, msg == WM_LBUTTONDOWN ? mbLeft : mbRight, KeyboardShiftState(),
                static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
  if (msg != WM_KEYDOWN || !onKeyDown) return false;
  WORD key = static_cast<WORD>(wParam);
  onKeyDown(this, key, KeyboardShiftState());
  result = key ? DefaultProc(msg, key, lParam) : 0;
  return true;
}

bool TControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (Reflect(msg, wParam, lParam, result)) return true;
  switch (msg) {
    case WM_WINDOWPOSCHANGED:
      result = DefaultProc(msg, wParam, lParam);
      ReadBoundsFromWindow();
      return true;
    case WM_ERASEBKGND:
      if (!ownClass_) return false;
      {
        RECT r;
        GetClientRect(handle_, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, BackBrush());
      }
      result = 1;
      return true;
    case WM_PAINT:
      if (!ownClass_) return false;
      {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        RECT r;
        GetClientRect(handle_, &r);
        HGDIOBJ oldFont = SelectObject(dc, Font());
        Paint(dc, r);
        SelectObject(dc, oldFont);
        EndPaint(handle_, &ps);
      }
      result = 0;
      return true;
    case WM_CONTEXTMENU: {
      // Some controls (Wine's tree view) send it to their parent, naming themselves in wParam.
      TControl* owner = this;
      TControl* from = FromHandle(reinterpret_cast<HWND>(wParam));
      if (from && from != this && from->popupMenu_) owner = from;
      if (!owner->popupMenu_) return false;
      POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (lParam == -1) {
        p = {0, 0};
        ClientToScreen(owner->handle_, &p);
      }
      owner->popupMenu_->Popup(p.x, p.y);
      result = 0;
      return true;
    }
    default:
      return false;
  }
}
