// watcher: answers the modal boxes of a program under test, so that unattended runs never hang.
//   watcher --log FILE [--rules FILE] [--rule RULE]... [--quit-file FILE] [--event NAME]
//           [--default-after MS|off] [--stuck-after MS] [--again-after MS]
//           [--close-on-quit MS] [--close-class CLASS] [--timeout S] [--poll MS]
//           [--attach PATH|NAME [--attach-timeout MS] | --pid N | -- PROGRAM ARGS...]
//   watcher --signal NAME     sets the named event of a running watcher, and ends
// The rules are those of Rules.h; --rule ones are tried before the file's. Exit status: 0 ended as told, or with the program; 2 bad
// command line or rules; 3 its own time-out; 4 no program to watch; 5 the log cannot be opened.
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <string>
#include <vector>
#include "BoxWindow.h"
#include "Rules.h"
#include "WatchLog.h"
#include "Watcher.h"

namespace {
int Usage(const std::string& why) {
  std::fprintf(stderr, "watcher: %s\nusage: watcher --log FILE [--rules FILE] [--rule RULE]... [--quit-file FILE]\n"
               "  [--event NAME] [--default-after MS|off] [--stuck-after MS] [--again-after MS]\n"
               "  [--close-on-quit MS] [--close-class CLASS] [--timeout S] [--poll MS]\n"
               "  [--attach PATH|NAME [--attach-timeout MS] | --pid N | -- PROGRAM ARGS...]\n"
               "  or: watcher --signal NAME\n", why.c_str());
  return 2;
}

bool ToInt(const std::wstring& s, int min, int& out) {
  if (s.empty() || s.size() > 9) return false;
  int n = 0;
  for (wchar_t c : s) {
    if (c < L'0' || c > L'9') return false;
    n = n * 10 + (c - L'0');
  }
  if (n < min) return false;
  out = n;
  return true;
}

bool ReadFileText(const std::wstring& path, std::string& text) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  char buf[4096];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(f, buf, sizeof buf, &got, nullptr) != FALSE) && got > 0 && text.size() < (1u << 20))
    text.append(buf, got);
  CloseHandle(f);
  return ok;
}

int Signal(const std::wstring& name) {
  HANDLE e = OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str());
  if (!e) {
    std::fprintf(stderr, "watcher: no event '%s'\n", Utf8(name).c_str());
    return 1;
  }
  BOOL ok = SetEvent(e);
  CloseHandle(e);
  return ok ? 0 : 1;
}
}

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return Usage("no command line");
  std::vector<std::wstring> args(argv + 1, argv + argc);
  LocalFree(argv);

  TWatchOptions options;
  std::wstring logPath, rulesPath;
  std::vector<std::string> ruleLines;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    if (a == L"--") {
      options.program.assign(args.begin() + static_cast<long>(i) + 1, args.end());
      if (options.program.empty()) return Usage("no program after --");
      break;
    }
    if (i + 1 >= args.size()) return Usage("'" + Utf8(a) + "' needs a value");
    const std::wstring& v = args[++i];
    if (a == L"--log") logPath = v;
    else if (a == L"--rules") rulesPath = v;
    else if (a == L"--rule") ruleLines.push_back(Utf8(v));
    else if (a == L"--quit-file") options.quitFile = v;
    else if (a == L"--event") options.eventName = v;
    else if (a == L"--signal") return Signal(v);
    else if (a == L"--attach") options.attach = v;
    else if (a == L"--close-class") options.closeClass = v;
    else if (a == L"--default-after" && v == L"off") options.defaultAfter = -1;
    else if (a == L"--default-after") { if (!ToInt(v, 0, options.defaultAfter)) return Usage("bad --default-after"); }
    else if (a == L"--stuck-after") { if (!ToInt(v, 0, options.stuckAfter)) return Usage("bad --stuck-after"); }
    else if (a == L"--again-after") { if (!ToInt(v, 0, options.againAfter)) return Usage("bad --again-after"); }
    else if (a == L"--close-on-quit") { if (!ToInt(v, 0, options.closeOnQuit)) return Usage("bad --close-on-quit"); }
    else if (a == L"--timeout") { if (!ToInt(v, 1, options.timeout)) return Usage("bad --timeout"); }
    else if (a == L"--attach-timeout") { if (!ToInt(v, 0, options.attachTimeout)) return Usage("bad --attach-timeout"); }
    else if (a == L"--poll") { if (!ToInt(v, 10, options.poll)) return Usage("bad --poll"); }
    else if (a == L"--pid") {
      int pid = 0;
      if (!ToInt(v, 1, pid)) return Usage("bad --pid");
      options.pid = static_cast<DWORD>(pid);
    } else {
      return Usage("unknown option '" + Utf8(a) + "'");
    }
  }
  if (logPath.empty()) return Usage("--log is needed");
  int targets = !options.program.empty() + !options.attach.empty() + (options.pid != 0);
  if (targets > 1) return Usage("--attach, --pid and -- PROGRAM exclude each other");

  std::vector<TRule> rules;
  try {
    // The command line's rules come first: they are the run's own, the file is the common set.
    for (const std::string& line : ruleLines) rules.push_back(ParseRule(line));
    if (!rulesPath.empty()) {
      std::string text;
      if (!ReadFileText(rulesPath, text)) return Usage("cannot read the rules file " + Utf8(rulesPath));
      for (TRule& rule : ParseRules(text)) rules.push_back(rule);
    }
  } catch (const ERuleError& e) {
    return Usage(std::string("bad rule: ") + e.what());
  }

  TWatchLog log;
  if (!log.Open(logPath)) {
    std::fprintf(stderr, "watcher: cannot open the log %s (error %lu)\n", Utf8(logPath).c_str(), GetLastError());
    return 5;
  }
  TWatcher watcher(options, std::move(rules), log);
  return watcher.Run();
}
