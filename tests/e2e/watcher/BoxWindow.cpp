#include "BoxWindow.h"
#include <commctrl.h>

namespace {
const UINT kSendTimeout = 500;  // ms for a message to another process
const int kMaxItems = 500, kMaxText = 8192;

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256];
  int n = GetClassNameW(hwnd, name, 256);
  return std::wstring(name, n > 0 ? n : 0);
}

// The caption kept by the window manager (no message to the window).
std::string CaptionOf(HWND hwnd) {
  wchar_t text[kMaxText];
  int n = InternalGetWindowText(hwnd, text, kMaxText);
  return Utf8(std::wstring(text, n > 0 ? n : 0));
}

bool Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeout, &r))
    return false;
  result = static_cast<LRESULT>(r);
  return true;
}

// An edit box's text (kept by the control itself, so it must be asked for).
std::string EditText(HWND hwnd) {
  LRESULT len = 0;
  if (!Send(hwnd, WM_GETTEXTLENGTH, 0, 0, len) || len <= 0) return "";
  if (len >= kMaxText) len = kMaxText - 1;
  std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
  LRESULT got = 0;
  if (!Send(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), got) || got < 0) return "";
  buf.resize(static_cast<size_t>(got) < buf.size() ? static_cast<size_t>(got) : buf.size() - 1);
  return Utf8(buf);
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) { return lstrcmpiW(a.c_str(), b) == 0; }

struct TListMessages {
  UINT count, textLen, text, curSel, setCurSel;
  WORD selChange;
};
const TListMessages kListBox{LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_GETCURSEL, LB_SETCURSEL, LBN_SELCHANGE};
const TListMessages kComboBox{CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_GETCURSEL, CB_SETCURSEL, CBN_SELCHANGE};

const TListMessages& ListMessagesOf(const std::string& cls) { return cls == "ComboBox" ? kComboBox : kListBox; }

TBoxList ReadList(HWND hwnd, const std::string& cls) {
  const TListMessages& m = ListMessagesOf(cls);
  TBoxList list;
  list.cls = cls;
  list.id = GetDlgCtrlID(hwnd);
  LRESULT count = 0, sel = -1;
  if (!Send(hwnd, m.count, 0, 0, count) || count < 0) count = 0;
  if (count > kMaxItems) count = kMaxItems;
  for (int i = 0; i < count; ++i) {
    LRESULT len = 0;
    std::string item;
    if (Send(hwnd, m.textLen, i, 0, len) && len >= 0 && len < kMaxText) {
      std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
      LRESULT got = 0;
      if (Send(hwnd, m.text, i, reinterpret_cast<LPARAM>(buf.data()), got) && got >= 0 && got <= len) {
        buf.resize(static_cast<size_t>(got));
        item = Utf8(buf);
      }
    }
    list.items.push_back(item);
  }
  if (Send(hwnd, m.curSel, 0, 0, sel)) list.selected = static_cast<int>(sel);
  return list;
}
}

std::string Utf8(const std::wstring& s) {
  if (s.empty()) return "";
  int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return L"";
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

namespace {
struct TTopWindows {
  DWORD pid;
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK TopWindow(HWND hwnd, LPARAM param) {
  auto* t = reinterpret_cast<TTopWindows*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  bool ours = t->pid ? pid == t->pid : pid != GetCurrentProcessId();
  if (ours && (!t->visibleOnly || IsWindowVisible(hwnd))) t->found.push_back(hwnd);
  return TRUE;
}
}

std::vector<HWND> TopWindows(DWORD pid, bool visibleOnly) {
  TTopWindows t{pid, visibleOnly, {}};
  EnumWindows(TopWindow, reinterpret_cast<LPARAM>(&t));
  return t.found;
}

TBox TBoxWindow::Read() {
  box_ = TBox();
  buttons_.clear();
  lists_.clear();
  edits_.clear();
  box_.cls = Utf8(ClassOf(hwnd_));
  box_.title = CaptionOf(hwnd_);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd_, &pid);
  box_.pid = pid;
  box_.enabled = IsWindowEnabled(hwnd_) != FALSE;
  LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
  LONG exStyle = GetWindowLongW(hwnd_, GWL_EXSTYLE);
  // A window that cannot be minimised is a dialog; a program's main window always can.
  box_.boxLike = box_.cls == "#32770" || !(style & WS_MINIMIZEBOX) || (exStyle & WS_EX_DLGMODALFRAME);
  EnumChildWindows(hwnd_, Child, reinterpret_cast<LPARAM>(this));
  return box_;
}

BOOL CALLBACK TBoxWindow::Child(HWND hwnd, LPARAM self) {
  reinterpret_cast<TBoxWindow*>(self)->AddChild(hwnd);
  return TRUE;
}

void TBoxWindow::AddChild(HWND child) {
  if (!IsWindowVisible(child)) return;
  std::wstring cls = ClassOf(child);
  HWND parent = GetParent(child);
  if (parent && EqualsNoCase(ClassOf(parent), L"ComboBox")) return;  // a combo box's own edit
  if (EqualsNoCase(cls, L"Static")) {
    std::string text = CaptionOf(child);
    if (!text.empty()) box_.texts.push_back(text);
  } else if (EqualsNoCase(cls, L"Button")) {
    LONG style = GetWindowLongW(child, GWL_STYLE);
    LONG type = style & BS_TYPEMASK;
    std::string text = CaptionOf(child);
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
      TBoxButton b;
      b.text = text;
      b.id = GetDlgCtrlID(child);
      b.isDefault = type == BS_DEFPUSHBUTTON;
      b.enabled = IsWindowEnabled(child) != FALSE;
      box_.buttons.push_back(b);
      buttons_.push_back(child);
    } else if (!text.empty()) {
      box_.texts.push_back(text);
    }
  } else if (EqualsNoCase(cls, L"ListBox") || EqualsNoCase(cls, L"ComboBox")) {
    box_.lists.push_back(ReadList(child, EqualsNoCase(cls, L"ListBox") ? "ListBox" : "ComboBox"));
    lists_.push_back(child);
  } else if (EqualsNoCase(cls, PROGRESS_CLASSW)) {
    LRESULT pos = 0;
    box_.progress.push_back(Send(child, PBM_GETPOS, 0, 0, pos) ? static_cast<int>(pos) : -1);
  } else if (EqualsNoCase(cls, L"Edit")) {
    box_.edits.push_back(EditText(child));
    edits_.push_back(child);
  }
}

bool TBoxWindow::Press(int button) {
  if (button < 0 || button >= static_cast<int>(buttons_.size())) return false;
  HWND b = buttons_[button];
  if (!IsWindow(b) || !IsWindowEnabled(b) || !IsWindowVisible(b)) return false;
  // What a click ends in: the parent's WM_COMMAND. Posted, so a hung program cannot stop us.
  return PostMessageW(GetParent(b), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED),
                      reinterpret_cast<LPARAM>(b)) != FALSE;
}

bool TBoxWindow::Select(int entry) {
  if (lists_.empty() || !IsWindow(lists_[0])) return false;
  HWND list = lists_[0];
  const TListMessages& m = ListMessagesOf(box_.lists[0].cls);
  LRESULT r = 0;
  if (!Send(list, m.setCurSel, entry, 0, r) || r != entry) return false;
  return PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), m.selChange),
                      reinterpret_cast<LPARAM>(list)) != FALSE;
}

bool TBoxWindow::SetEdit(const std::string& text) {
  if (edits_.empty() || !IsWindow(edits_[0])) return false;
  std::wstring w = Wide(text);
  LRESULT r = 0;
  return Send(edits_[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()), r) && r;
}

void TBoxWindow::Close() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }
