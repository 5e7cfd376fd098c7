#include "AtInterpreter.h"
#include "Hex.h"
#include "Log.h"
#include "ModemDevice.h"
#include "Pty.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {
const char DLE = 0x10, ETX = 0x03;
const size_t MaxLine = 255;

bool Matches(const std::string& pattern, const std::string& line) {
  std::string p = Lower(pattern), l = Lower(line);
  if (!p.empty() && p.back() == '*') return l.compare(0, p.size() - 1, p, 0, p.size() - 1) == 0;
  return p == l;
}

size_t FindAt(const std::string& line) {
  for (size_t i = 0; i + 1 < line.size(); ++i)
    if (toupper((unsigned char)line[i]) == 'A' && toupper((unsigned char)line[i + 1]) == 'T') return i;
  return std::string::npos;
}
}  // namespace

void AtInterpreter::Received(const std::string& bytes, double now) {
  Input += bytes;
  ProcessInput(now);
}

void AtInterpreter::Clear() {
  Input.clear();
  LineBuf.clear();
  Overlong = false;
}

void AtInterpreter::ProcessInput(double now) {
  size_t i = 0;
  for (; i < Input.size(); ++i) {
    unsigned char b = (unsigned char)Input[i];
    if (D.Mode == ModemMode::Receive) {
      if (D.Voice.Input(b, now)) {
        // The abort byte is consumed; the rest of that write is dropped up to its CR.
        size_t cr = Input.find(char(D.Reg.S[3]), i + 1);
        Input.erase(i + 1, cr == std::string::npos ? std::string::npos : cr - i);
      }
    } else if (D.Mode == ModemMode::Transmit) {
      // Voice data from the DTE: discarded, until <DLE><ETX>.
      if (DleSeen && b == ETX) {
        D.Mode = ModemMode::Command;
        D.Events.Event(D.Name, "vtx_end");
        SendResult(AtResult(), now);
      }
      DleSeen = !DleSeen && b == DLE;
    } else {
      if (now < D.BusyUntil) break;  // a reply is still being made: the rest waits
      CommandByte(b, now);
    }
  }
  Input.erase(0, i);
}

void AtInterpreter::CommandByte(unsigned char b, double now) {
  AtRegisters& reg = D.Reg;
  if (D.P.Dead) {
    if (b == reg.S[3]) {
      Lines.push_back(LineBuf);
      D.Events.Event(D.Name, "rx", "\"line\":" + Log::Quote(LineBuf));
      LineBuf.clear();
    } else if (LineBuf.size() < 4096) {
      LineBuf += char(b);
    }
    return;
  }
  if (reg.Echo || reg.EchoStuck) D.Line.Write(std::string(1, char(b)));
  if (b == reg.S[3]) {
    std::string line = LineBuf;
    bool overlong = Overlong;
    LineBuf.clear();
    Overlong = false;
    if (overlong) {
      D.Events.Event(D.Name, "rx", "\"line\":" + Log::Quote(line.substr(0, 64)) + ",\"overlong\":true");
      AtResult r;
      r.Code = "ERROR";
      SendResult(r, now);
      return;
    }
    ExecuteLine(line, now);
  } else if (b == reg.S[4] || b == 0) {
  } else if (b == reg.S[5]) {
    if (!LineBuf.empty()) LineBuf.pop_back();
  } else if (LineBuf.size() < MaxLine) {
    LineBuf += char(b);
  } else {
    Overlong = true;
  }
}

void AtInterpreter::ExecuteLine(const std::string& line, double now) {
  Lines.push_back(line);
  LineAtCommand = D.Line.LineSettings();
  D.Events.Event(D.Name, "rx", "\"line\":" + Log::Quote(line));
  std::string forced;
  for (auto& f : Forced)
    if (Matches(f.Pattern, line)) forced = f.Reply;
  size_t at = FindAt(line);
  D.Emit("cmd", line);
  AtResult r;
  if (at == std::string::npos) {
    // Not a command (the bare CR included): silence, unless the profile answers it.
    if (!D.P.EmptyLineOk && forced.empty()) return;
    SendResult(r, now, forced);
    return;
  }
  std::string body = line.substr(at + 2);
  size_t i = 0;
  while (i < body.size() && r.Code == "OK") {
    char c = body[i];
    if (c == ' ' || c == ';') {
      ++i;
    } else if (c == '+') {
      size_t j = ++i;
      while (j < body.size() && (isalnum((unsigned char)body[j]))) ++j;
      std::string name = Upper(body.substr(i, j - i)), form, args;
      if (body.compare(j, 2, "=?") == 0) {
        form = "test";
        j += 2;
      } else if (j < body.size() && body[j] == '?') {
        form = "read";
        ++j;
      } else if (j < body.size() && body[j] == '=') {
        form = "set";
        size_t k = body.find(';', j + 1);
        if (k == std::string::npos) k = body.size();
        args = body.substr(j + 1, k - j - 1);
        j = k;
      } else {
        form = "action";
      }
      i = j;
      if (!Extended(AtCall{name, args, r, now}, form)) r.Code = "ERROR";
    } else if (!Basic(body, i, r)) {
      r.Code = "ERROR";
    }
  }
  SendResult(r, now, forced);
}

bool AtInterpreter::Basic(const std::string& body, size_t& i, AtResult& r) {
  AtRegisters& reg = D.Reg;
  char c = char(toupper((unsigned char)body[i++]));
  bool amp = false;
  if (c == '&') {
    if (i >= body.size()) return false;
    amp = true;
    c = char(toupper((unsigned char)body[i++]));
  }
  if (!amp && c == 'S') {
    size_t j = i;
    while (j < body.size() && isdigit((unsigned char)body[j])) ++j;
    long n = 0;
    if (!ParseLong(body.substr(i, j - i), n) || n > 255) return false;
    int number = int(n);
    i = j;
    if (i < body.size() && body[i] == '?') {
      ++i;
      char buf[8];
      snprintf(buf, sizeof buf, "%03d", reg.S.count(number) ? reg.S[number] : 0);
      r.Info.push_back(buf);
      return true;
    }
    if (i < body.size() && body[i] == '=') {
      size_t k = ++i;
      while (k < body.size() && isdigit((unsigned char)body[k])) ++k;
      long v = 0;
      if (!ParseLong(body.substr(i, k - i), v) || v > 255) return false;
      i = k;
      reg.S[number] = int(v);
      return true;
    }
    return false;
  }
  long n = 0;
  size_t j = i;
  while (j < body.size() && isdigit((unsigned char)body[j])) ++j;
  bool hasNumber = j > i;
  if (hasNumber && !ParseLong(body.substr(i, j - i), n)) return false;
  i = j;
  if (amp) return strchr("FCDKV", c) && (c != 'F' || (D.Reset(), true));
  switch (c) {
    case 'E': return n <= 1 && ((reg.Echo = n == 1), true);
    case 'V': return n <= 1 && ((reg.Verbose = n == 1), true);
    case 'Q': return n <= 1 && ((reg.Quiet = n == 1), true);
    case 'Z':
      D.Reset();
      r.Delay = D.P.ResetDelayMs / 1000.0;
      return true;
    case 'I': {
      auto it = D.P.Ati.find(int(n));
      if (it == D.P.Ati.end()) return false;
      if (!it->second.empty()) {
        const std::string& t = it->second;
        for (size_t k = 0; k <= t.size();) {  // "\n" in a text makes several lines
          size_t nl = t.find('\n', k);
          if (nl == std::string::npos) nl = t.size();
          r.Info.push_back(t.substr(k, nl - k));
          k = nl + 1;
        }
      }
      return true;
    }
    case 'H':
      if (n != 0) return false;
      reg.Vls = 0;
      D.OnHook(0);
      return true;
    case 'X': case 'L': case 'M': case 'W': return true;
    default: return false;
  }
}

// ---- output ----

std::string AtInterpreter::Code(const std::string& code) const {
  if (D.Reg.Quiet || code.empty()) return "";
  if (D.Reg.Verbose) return "\r\n" + code + "\r\n";
  static const std::map<std::string, std::string> numeric = {
      {"OK", "0"}, {"CONNECT", "1"}, {"RING", "2"}, {"NO CARRIER", "3"}, {"ERROR", "4"}, {"VCON", "8"}};
  auto it = numeric.find(code);
  return (it != numeric.end() ? it->second : code) + "\r";
}

std::string AtInterpreter::InfoText(const std::string& text) const {
  return D.Reg.Verbose ? "\r\n" + text + "\r\n" : text + "\r\n";
}

void AtInterpreter::ForceReply(const std::string& pattern, const std::string& reply) {
  Forced.erase(std::remove_if(Forced.begin(), Forced.end(),
                              [&](const ForcedReply& f) { return Lower(f.Pattern) == Lower(pattern); }),
               Forced.end());
  if (reply != "clear") Forced.push_back(ForcedReply{pattern, reply});
}

void AtInterpreter::SendResult(const AtResult& given, double now, const std::string& forced) {
  AtResult r = given;
  std::string stream = r.Code == "CONNECT" ? r.StartsStream : "";
  double delay = r.Delay >= 0 ? r.Delay : D.P.ReplyDelayMs / 1000.0;
  bool split = false, numeric = false;
  std::string custom;
  if (forced == "OK" || forced == "ERROR") {
    r.Info.clear();
    r.Code = forced;
    stream.clear();
  } else if (forced == "none") {
    D.Events.Event(D.Name, "fault", "\"reply\":\"none\"");
    return;
  } else if (forced.compare(0, 6, "delay=") == 0) {
    long ms = 0;
    if (ParseLong(forced.substr(6), ms)) delay = ms / 1000.0;
  } else if (forced == "split") {
    split = true;
  } else if (forced == "numeric") {
    numeric = true;
  } else if (forced.compare(0, 5, "text=") == 0) {
    custom = Unescape(forced.substr(5));
    stream.clear();
  }
  std::string out = custom;
  if (custom.empty()) {
    bool verbose = D.Reg.Verbose;
    if (numeric) D.Reg.Verbose = false;
    for (auto& t : r.Info) out += InfoText(t);
    out += Code(r.Code);
    D.Reg.Verbose = verbose;
  }
  double at = std::max(now + delay, D.BusyUntil);
  if (split) {
    for (size_t k = 0; k < out.size(); ++k) D.Schedule(at + 0.003 * double(k), out.substr(k, 1), k ? "" : out);
    at += 0.003 * double(out.size());
  } else {
    D.Schedule(at, out, out);
  }
  D.BusyUntil = at;
  if (stream == "VRX") {
    D.Mode = ModemMode::Receive;
    D.Voice.Start(at + D.P.ConnectGapMs / 1000.0);
  } else if (stream == "VTX") {
    D.Mode = ModemMode::Transmit;
    DleSeen = false;
    D.Events.Event(D.Name, "vtx_start");
  }
}
