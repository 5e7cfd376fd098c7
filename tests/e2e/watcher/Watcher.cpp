#include "Watcher.h"
#include <tlhelp32.h>
#include <cstdio>
#include "BoxWindow.h"

namespace {
std::wstring LowerW(std::wstring s) {
  CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring q = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') { ++slashes; continue; }
    q.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    slashes = 0;
    q += c;
  }
  q.append(slashes * 2, L'\\');
  return q + L"\"";
}

std::string Hex(HWND hwnd) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)));
  return buf;
}

void Loud(const std::string& what, const TBox& box) {
  std::fprintf(stderr, "watcher: %s: [%s] \"%s\"", what.c_str(), box.cls.c_str(), box.title.c_str());
  for (const std::string& t : box.texts) std::fprintf(stderr, " \"%s\"", t.c_str());
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
}
}

TWatcher::TWatcher(const TWatchOptions& options, std::vector<TRule> rules, TWatchLog& log)
    : options_(options), rules_(std::move(rules)), log_(log) {}

TWatcher::~TWatcher() {
  if (process_) CloseHandle(process_);
  if (event_) CloseHandle(event_);
}

bool TWatcher::Launch() {
  std::wstring cmd;
  for (const std::wstring& a : options_.program) cmd += (cmd.empty() ? L"" : L" ") + Quoted(a);
  std::wstring dir = options_.program[0];
  size_t slash = dir.find_last_of(L"\\/");
  dir = slash == std::wstring::npos ? L"" : dir.substr(0, slash);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
    log_.Write("error", TJsonLine().Add("what", "could not start the program").Add("program", Utf8(cmd))
                            .Add("error", static_cast<long long>(GetLastError())));
    return false;
  }
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  log_.Write("launched", TJsonLine().Add("program", Utf8(cmd)).Add("pid", static_cast<long long>(pid_)));
  return true;
}

bool TWatcher::FindProcess() {
  std::wstring want = LowerW(options_.attach);
  for (wchar_t& c : want)
    if (c == L'/') c = L'\\';
  bool byPath = want.find(L'\\') != std::wstring::npos;
  ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(options_.attachTimeout);
  do {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap != INVALID_HANDLE_VALUE) {
      PROCESSENTRY32W pe{};
      pe.dwSize = sizeof pe;
      for (BOOL ok = Process32FirstW(snap, &pe); ok && !pid_; ok = Process32NextW(snap, &pe)) {
        HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                               pe.th32ProcessID);
        if (!h) continue;
        wchar_t path[MAX_PATH * 2];
        DWORD size = MAX_PATH * 2;
        std::wstring name = LowerW(pe.szExeFile);
        if (byPath) name = QueryFullProcessImageNameW(h, 0, path, &size) ? LowerW(path) : L"";
        if (name == want && WaitForSingleObject(h, 0) == WAIT_TIMEOUT) {
          process_ = h;
          pid_ = pe.th32ProcessID;
        } else {
          CloseHandle(h);
        }
      }
      CloseHandle(snap);
    }
    if (pid_) {
      log_.Write("attached", TJsonLine().Add("program", Utf8(options_.attach)).Add("pid", static_cast<long long>(pid_)));
      return true;
    }
    if (!QuitReason().empty()) break;
    Sleep(static_cast<DWORD>(options_.poll));
  } while (GetTickCount64() < end);
  log_.Write("error", TJsonLine().Add("what", "the program to watch did not appear").Add("program", Utf8(options_.attach)));
  std::fprintf(stderr, "watcher: no process '%s' appeared\n", Utf8(options_.attach).c_str());
  return false;
}

bool TWatcher::ProgramRunning() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::string TWatcher::QuitReason() {
  if (!options_.quitFile.empty() && GetFileAttributesW(options_.quitFile.c_str()) != INVALID_FILE_ATTRIBUTES)
    return "quit-file";
  if (event_ && WaitForSingleObject(event_, 0) == WAIT_OBJECT_0) return "event";
  return "";
}

int TWatcher::Run() {
  ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(options_.timeout) * 1000;
  if (!options_.eventName.empty()) {
    event_ = CreateEventW(nullptr, TRUE, FALSE, options_.eventName.c_str());
    if (!event_) {
      log_.Write("error", TJsonLine().Add("what", "could not make the event").Add("error", static_cast<long long>(GetLastError())));
      return 4;
    }
  }
  log_.Write("start", TJsonLine().Add("rules", static_cast<long long>(rules_.size()))
                          .Add("default_after", static_cast<long long>(options_.defaultAfter)));
  if (!options_.program.empty() && !Launch()) return 4;
  if (!options_.attach.empty() && !FindProcess()) return 4;
  if (options_.pid) {
    pid_ = options_.pid;
    process_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid_);
    if (!process_) {
      log_.Write("error", TJsonLine().Add("what", "no such process").Add("pid", static_cast<long long>(pid_)));
      return 4;
    }
  }
  bool watching = process_ != nullptr;
  if (process_) {
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    if (QueryFullProcessImageNameW(process_, 0, path, &size)) {
      std::wstring p(path, size);
      size_t slash = p.find_last_of(L"\\/");
      exeName_ = Utf8(slash == std::wstring::npos ? p : p.substr(slash + 1));
    }
  }
  std::string why;
  int status = 0;
  for (;;) {
    Scan();
    if (watching && !ProgramRunning()) { why = "program-ended"; break; }
    why = QuitReason();
    if (!why.empty()) break;
    if (GetTickCount64() >= deadline) { why = "timeout"; status = 3; break; }
    Pause(static_cast<DWORD>(options_.poll));
  }
  if (why != "program-ended" && options_.closeOnQuit >= 0 && ProgramRunning()) CloseProgram();
  TJsonLine end;
  end.Add("why", why);
  DWORD code = 0;
  if (process_ && !ProgramRunning() && GetExitCodeProcess(process_, &code))
    end.Add("exit_code", static_cast<long long>(code));
  else if (process_)
    end.Add("left_running", true);
  log_.Write("end", end);
  if (status == 3) std::fprintf(stderr, "watcher: gave up after %d s\n", options_.timeout);
  return status;
}

void TWatcher::CloseProgram() {
  // The program's main windows: the visible ones that are not boxes and have a size (the
  // application's zero-sized taskbar window would close the main form a second time). When
  // there is none (minimised to the tray), every visible window; or the windows of --close-class.
  std::vector<HWND> all, main;
  for (HWND w : TopWindows(pid_, options_.closeClass.empty())) {
    TBox box = TBoxWindow(w).Read();
    if (!options_.closeClass.empty()) {
      if (Wide(box.cls) == options_.closeClass) main.push_back(w);
      continue;
    }
    RECT r{};
    GetWindowRect(w, &r);
    all.push_back(w);
    if (!box.boxLike && r.right > r.left && r.bottom > r.top) main.push_back(w);
  }
  if (main.empty()) main = all;
  for (HWND w : main) PostMessageW(w, WM_CLOSE, 0, 0);
  log_.Write("closing", TJsonLine().Add("windows", static_cast<long long>(main.size()))
                            .Add("wait_ms", static_cast<long long>(options_.closeOnQuit)));
  // Boxes the close brings up are answered as before.
  ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(options_.closeOnQuit);
  while (ProgramRunning() && GetTickCount64() < end) {
    Scan();
    Pause(static_cast<DWORD>(options_.poll));
  }
  if (ProgramRunning()) {
    TerminateProcess(process_, 255);
    WaitForSingleObject(process_, 5000);
    log_.Write("terminated", TJsonLine().Add("pid", static_cast<long long>(pid_)));
    std::fprintf(stderr, "watcher: the program did not end within %d ms of WM_CLOSE: terminated\n", options_.closeOnQuit);
  }
}

// Waits for the poll time, less when the program ends.
void TWatcher::Pause(DWORD ms) {
  if (process_) WaitForSingleObject(process_, ms);
  else Sleep(ms);
}

// Wine's crash dialog comes from the debugger's process, not the program's: the program would
// wait for it for ever. It is logged as a crash and closed, so the program ends.
void TWatcher::AnswerCrash() {
  ULONGLONG now = GetTickCount64();
  if (exeName_.empty() || now < nextCrashLook_) return;
  nextCrashLook_ = now + 1000;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return;
  std::vector<DWORD> debuggers;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe))
    if (LowerW(pe.szExeFile) == L"winedbg.exe") debuggers.push_back(pe.th32ProcessID);
  CloseHandle(snap);
  const std::string mark = "The program " + exeName_ + " has encountered";
  for (DWORD pid : debuggers) {
    for (HWND w : TopWindows(pid)) {
      TBoxWindow window(w);
      TBox box = window.Read();
      bool ours = false;
      for (const std::string& t : box.texts) ours = ours || t.find(mark) != std::string::npos;
      bool known = false;
      for (HWND c : crashSeen_) known = known || c == w;
      if (!ours || known) continue;
      crashSeen_.push_back(w);
      int button = FindDefaultButton(box);
      TJsonLine line;
      line.Add("hwnd", Hex(w)).AddBox(box);
      if (button >= 0 && window.Press(button)) line.Add("pressed", box.buttons[button].text);
      else window.Close();
      log_.Write("crash", line);
      Loud("THE PROGRAM CRASHED", box);
    }
  }
}

void TWatcher::Scan() {
  AnswerCrash();
  ULONGLONG now = GetTickCount64();
  std::vector<HWND> windows = TopWindows(pid_);
  for (auto it = seen_.begin(); it != seen_.end();) {
    bool present = false;
    for (HWND w : windows) present = present || w == it->first;
    if (present) { ++it; continue; }
    // A window that still exists was hidden (a form may be shown again), else it was destroyed.
    log_.Write("gone", TJsonLine().Add("hwnd", Hex(it->first)).Add("class", it->second.box.cls).Add("title", it->second.box.title)
                           .Add("hidden", IsWindow(it->first) != FALSE));
    it = seen_.erase(it);
  }
  for (HWND w : windows) {
    TBoxWindow window(w);
    TBox box = window.Read();
    if (!IsWindowVisible(w)) continue;
    auto found = seen_.find(w);
    if (found == seen_.end()) {
      TSeen& seen = seen_[w];
      seen.box = box;
      seen.enabledSince = now;
      log_.Write("seen", TJsonLine().Add("hwnd", Hex(w)).AddBox(box));
      Work(w, seen, now);
      continue;
    }
    TSeen& seen = found->second;
    if (!(seen.box == box)) {
      if (box.enabled && !seen.box.enabled) seen.enabledSince = now;
      seen.quietSince = now;
      seen.box = box;
      log_.Write("changed", TJsonLine().Add("hwnd", Hex(w)).AddBox(box));
    }
    Work(w, seen, now);
  }
}

void TWatcher::Work(HWND hwnd, TSeen& seen, ULONGLONG now) {
  // A form hidden and shown again between two scans keeps its handle and looks the same; so an
  // answered box that stays up, enabled and unchanged is taken as shown again after a while.
  if (seen.done && seen.again > 0 && seen.box.enabled && now - seen.quietSince >= static_cast<ULONGLONG>(seen.again)) {
    log_.Write("again", TJsonLine().Add("hwnd", Hex(hwnd)).Add("title", seen.box.title)
                            .Add("after_ms", static_cast<long long>(now - seen.quietSince)));
    seen.done = seen.stuck = false;
    seen.enabledSince = now;
  }
  if (seen.done || !seen.box.enabled) return;
  ULONGLONG waited = now - seen.enabledSince;
  TRule* rule = FindRule(rules_, seen.box);
  if (rule && rule->action == TRule::acIgnore) {
    seen.done = true;
    log_.Write("ignored", TJsonLine().Add("hwnd", Hex(hwnd)).Add("title", seen.box.title).Add("rule", rule->source));
    return;
  }
  if (rule && !seen.stuck) {
    if (waited < static_cast<ULONGLONG>(rule->after)) return;
    std::string missing;
    if (ActByRule(hwnd, seen, *rule, missing)) return;
    if (waited < static_cast<ULONGLONG>(rule->after) + static_cast<ULONGLONG>(options_.stuckAfter)) return;
    seen.stuck = true;
    log_.Write("stuck", TJsonLine().Add("hwnd", Hex(hwnd)).Add("rule", rule->source).Add("missing", missing).AddBox(seen.box));
    Loud("STUCK (" + missing + ") for rule '" + rule->source + "'", seen.box);
  }
  if (options_.defaultAfter < 0) return;
  if (seen.stuck) {
    ActByDefault(hwnd, seen, "stuck");
  } else if (!rule && seen.box.boxLike && waited >= static_cast<ULONGLONG>(options_.defaultAfter)) {
    ActByDefault(hwnd, seen, "no-rule");
  }
}

bool TWatcher::ActByRule(HWND hwnd, TSeen& seen, TRule& rule, std::string& missing) {
  TBoxWindow window(hwnd);
  TBox box = window.Read();
  int entry = -1, button = -1;
  if (rule.select.set || rule.selectIndex >= 0) {
    entry = FindSelectEntry(rule, box);
    if (entry < 0) { missing = "list entry"; return false; }
  }
  if (rule.hasEdit && box.edits.empty()) { missing = "edit box"; return false; }
  if (rule.action == TRule::acPress) {
    button = FindPressButton(rule, box);
    if (button < 0) { missing = "button"; return false; }
    if (!box.buttons[button].enabled) { missing = "enabled button"; return false; }
  }
  TJsonLine line;
  line.Add("hwnd", Hex(hwnd)).Add("class", box.cls).Add("title", box.title).Add("rule", rule.source);
  if (entry >= 0) {
    if (!window.Select(entry)) { missing = "selection"; return false; }
    line.Add("selected", box.lists[0].items[entry]).Add("entry", static_cast<long long>(entry));
  }
  if (rule.hasEdit) {
    if (!window.SetEdit(rule.edit)) { missing = "edit text"; return false; }
    line.Add("edit", rule.edit);
  }
  if (rule.action == TRule::acPress) {
    if (!window.Press(button)) { missing = "press"; return false; }
    line.Add("pressed", box.buttons[button].text).Add("id", static_cast<long long>(box.buttons[button].id));
  } else {
    window.Close();
    line.Add("closed", true);
  }
  ++rule.used;
  Answered(seen, rule.again >= 0 ? rule.again : options_.againAfter);
  log_.Write("acted", line);
  return true;
}

void TWatcher::Answered(TSeen& seen, int again) {
  seen.done = true;
  seen.again = again;
  seen.quietSince = GetTickCount64();
}

void TWatcher::ActByDefault(HWND hwnd, TSeen& seen, const char* why) {
  TBoxWindow window(hwnd);
  TBox box = window.Read();
  int button = FindDefaultButton(box);
  TJsonLine line;
  line.Add("hwnd", Hex(hwnd)).Add("why", why).AddBox(box);
  std::string what;
  if (button >= 0 && window.Press(button)) {
    line.Add("pressed", box.buttons[button].text).Add("id", static_cast<long long>(box.buttons[button].id));
    what = "pressed '" + PlainCaption(box.buttons[button].text) + "'";
  } else {
    window.Close();
    line.Add("closed", true);
    what = "closed it";
  }
  Answered(seen, options_.againAfter);
  log_.Write("default", line);
  Loud(std::string(why == std::string("stuck") ? "rule stuck" : "NO RULE for a box") + ", " + what, box);
}
