#include "Scenario.h"
#include "Audio.h"
#include "Hex.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <limits>

std::vector<std::string> SplitQuoted(const std::string& line, bool comments) {
  std::vector<std::string> words;
  std::string w;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && isspace((unsigned char)c)) {
      if (any) words.push_back(w);
      w.clear();
      any = false;
    } else if (!quoted && comments && c == '#') {
      break;
    } else {
      w += c;
      any = true;
    }
  }
  if (any) words.push_back(w);
  return words;
}

namespace {
bool Milliseconds(const std::vector<std::string>& w, size_t at, double& seconds) {
  // "after 800", "after 800 ms", "after 2s", "after 2 s"
  if (at >= w.size()) return false;
  std::string t = w[at];
  if (at + 1 < w.size() && (w[at + 1] == "ms" || w[at + 1] == "s")) t += w[at + 1];
  long long samples = 0;
  if (ParseDuration(t, 1000, samples) && samples >= 0) return seconds = double(samples) / 1000.0, true;
  double v = 0;
  if (ParseDouble(t, v) && v >= 0) return seconds = v / 1000.0, true;
  return false;
}

bool Matches(const std::string& pattern, const std::string& text) {
  std::string p = Lower(pattern), l = Lower(text);
  if (!p.empty() && p.back() == '*') return l.compare(0, p.size() - 1, p, 0, p.size() - 1) == 0;
  return p == l;
}
}  // namespace

bool Scenario::ParseBlockHeader(const std::vector<std::string>& w, Block& b, std::string& error) {
  // on <port> cmd <pattern> [every] [then after <n> [ms]] :
  if (w.size() < 3) return error = "on: port and trigger expected", false;
  b.Port = Lower(w[1]);
  b.Trigger = w[2];
  size_t i = 3;
  if (b.Trigger == "cmd") {
    if (w.size() < 4) return error = "on cmd: pattern expected", false;
    b.Pattern = w[3];
    i = 4;
  } else if (b.Trigger != "open" && b.Trigger != "close" && b.Trigger != "vrx") {
    return error = "unknown trigger " + b.Trigger, false;
  }
  for (; i < w.size(); ++i) {
    if (w[i] == "every") b.Every = true;
    else if (w[i] == "then" && i + 1 < w.size() && w[i + 1] == "after") {
      if (!Milliseconds(w, i + 2, b.Delay)) return error = "bad time after 'then after'", false;
      i += 2;
      if (i + 1 < w.size() && (w[i + 1] == "ms" || w[i + 1] == "s")) ++i;
    } else return error = "unexpected " + w[i], false;
  }
  return true;
}

namespace {
// $NAME and ${NAME} from the environment; an unset one is an error, not an empty word.
bool Expand(std::string& line, std::string& error) {
  std::string out;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '$' || i + 1 >= line.size()) {
      out += line[i];
      continue;
    }
    bool braced = line[i + 1] == '{';
    size_t start = i + (braced ? 2 : 1), end = start;
    while (end < line.size() && (isalnum((unsigned char)line[end]) || line[end] == '_')) ++end;
    if (end == start || (braced && (end >= line.size() || line[end] != '}'))) {
      out += line[i];
      continue;
    }
    std::string name = line.substr(start, end - start);
    const char* value = getenv(name.c_str());
    if (!value) return error = "$" + name + " is not set", false;
    out += value;
    i = braced ? end : end - 1;
  }
  line = out;
  return true;
}
}  // namespace

bool Scenario::Load(const std::string& path, std::string& error) {
  std::ifstream in(path);
  if (!in) return error = path + ": cannot be read", false;
  std::string line;
  int no = 0;
  Block* current = nullptr;
  while (std::getline(in, line)) {
    ++no;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    bool indented = !line.empty() && isspace((unsigned char)line[0]);
    std::string body = line;
    if (!Expand(body, error)) return error = path + ":" + std::to_string(no) + ": " + error, false;
    // A header ends with ':' (outside quotes and comments).
    auto w = SplitQuoted(body);
    if (w.empty()) continue;
    bool header = false;
    if (w[0] == "on") {
      std::string& last = w.back();
      if (!last.empty() && last.back() == ':') {
        last.pop_back();
        if (last.empty()) w.pop_back();
        header = true;
      }
    }
    std::string where = path + ":" + std::to_string(no) + ": ";
    if (header) {
      Block b;
      if (!ParseBlockHeader(w, b, error)) return error = where + error, false;
      Blocks.push_back(b);
      current = &Blocks.back();
      continue;
    }
    Step s{w, no};
    if (indented && current) {
      current->Steps.push_back(s);
      continue;
    }
    current = nullptr;
    if (w[0] == "port") {
      if (w.size() < 2) return error = where + "port: name expected", false;
      PortLines.push_back(s);
    } else {
      Main.Steps.push_back(s);
    }
  }
  return true;
}

void Scenario::Start(double now) {
  StartTime = now;
  Runs.push_back(Running{&Main, 0, now, -1, "", "", 0});
}

void Scenario::Event(const std::string& port, const std::string& kind, const std::string& text, double now) {
  History.push_back(Happened{now, port, kind, text});
  for (Block& b : Blocks) {
    if (b.Port != port || b.Trigger != kind || (b.Fired && !b.Every)) continue;
    if (kind == "cmd" && !Matches(b.Pattern, text)) continue;
    b.Fired = true;
    Runs.push_back(Running{&b, 0, now + b.Delay, -1, "", "", 0});
  }
}

bool Scenario::RunStep(Running& r, double now, const Exec& exec) {
  const Step& s = r.B->Steps[r.Pc];
  const auto& w = s.Words;
  std::string where = "line " + std::to_string(s.LineNo) + ": ";
  if (w[0] == "after") {
    double sec = 0;
    if (!Milliseconds(w, 1, sec)) {
      Failed = true;
      Message = where + "bad time";
      return true;
    }
    r.WaitUntil = now + sec;
    return true;
  }
  if (w[0] == "quit") {
    QuitAsked = true;
    return true;
  }
  if (w[0] == "expect") {
    // expect <port> open|close [within <t>] | expect <port> cmd <pattern> [within <t>]
    if (w.size() < 3) {
      Failed = true;
      Message = where + "expect: port and event expected";
      return true;
    }
    std::string port = Lower(w[1]), kind = w[2], pattern;
    size_t i = 3;
    if (kind == "cmd" && w.size() > 3) pattern = w[i++];
    double within = 60;
    if (i + 1 < w.size() && w[i] == "within") Milliseconds(w, i + 1, within);
    if (r.ExpectSince < 0) r.ExpectSince = now;
    for (size_t k = ExpectCursor; k < History.size(); ++k) {
      const Happened& h = History[k];
      if (h.Port == port && h.Kind == kind && (kind != "cmd" || Matches(pattern, h.Text))) {
        ExpectCursor = k + 1;
        r.ExpectSince = -1;
        Notes.push_back(where + port + " " + kind + (pattern.empty() ? "" : " " + pattern));
        return true;
      }
    }
    if (now - r.ExpectSince > within) {
      Failed = true;
      Message = where + "expectation not met: " + port + " " + kind + (pattern.empty() ? "" : " " + pattern);
      return true;
    }
    r.WaitUntil = now + 0.02;
    return false;
  }
  // A command of the control line; inside an "on" block the port is the block's.
  std::vector<std::string> words = w;
  std::string port;
  if (r.B->Port.empty()) {
    if (words.size() < 2) {
      Failed = true;
      Message = where + "a port is expected";
      return true;
    }
    port = Lower(words[1]);
    words.erase(words.begin() + 1);
  } else {
    port = r.B->Port;
  }
  std::string reply = exec(port, words);
  if (reply.compare(0, 2, "ok") != 0) {
    Failed = true;
    Message = where + reply;
  }
  // "ring count=N" lasts until its last ring (or until the ringing is ended otherwise).
  if (words[0] == "ring")
    for (auto& x : words)
      if (x.compare(0, 6, "count=") == 0) {
        r.WaitPort = port;
        r.WaitKind = "ring_end";
        r.WaitFrom = History.size();
      }
  return true;
}

void Scenario::Run(double now, const Exec& exec) {
  for (size_t i = 0; i < Runs.size() && !Failed && !QuitAsked; ++i) {
    // Copy: a step may start new runs, which reallocates the vector.
    Running r = Runs[i];
    while (r.Pc < r.B->Steps.size() && now >= r.WaitUntil && !Failed && !QuitAsked) {
      if (!r.WaitKind.empty()) {
        size_t k = r.WaitFrom;
        while (k < History.size() && !(History[k].Port == r.WaitPort && History[k].Kind == r.WaitKind)) ++k;
        if (k == History.size()) {
          r.WaitUntil = now + 0.02;  // looked at again soon; events also run the scenario
          break;
        }
        r.WaitKind.clear();
      }
      if (!RunStep(r, now, exec)) break;
      ++r.Pc;
    }
    Runs[i] = r;
  }
  for (size_t i = 0; i < Runs.size();) {
    if (Runs[i].Pc >= Runs[i].B->Steps.size()) Runs.erase(Runs.begin() + long(i));
    else ++i;
  }
}

double Scenario::NextDue() const {
  double due = std::numeric_limits<double>::infinity();
  for (auto& r : Runs) due = std::min(due, r.WaitUntil);
  return due;
}
