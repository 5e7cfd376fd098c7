#include "ModemDevice.h"
#include "Hex.h"
#include "Log.h"
#include "Pty.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace {
const char DLE = 0x10, ETX = 0x03;
const size_t MaxLine = 255;

std::string Upper(std::string s) {
  for (char& c : s) c = char(toupper((unsigned char)c));
  return s;
}

std::vector<long> Numbers(const std::string& args) {
  std::vector<long> out;
  std::string part;
  for (size_t i = 0; i <= args.size(); ++i) {
    if (i == args.size() || args[i] == ',') {
      long v = 0;
      out.push_back(ParseLong(part, v) ? v : -1);
      part.clear();
    } else if (args[i] != ' ') {
      part += args[i];
    }
  }
  return out;
}

bool InRange(const std::string& args, long lo, long hi, long& v) {
  auto n = Numbers(args);
  if (n.size() != 1 || n[0] < lo || n[0] > hi) return false;
  v = n[0];
  return true;
}

// "\r\n" and "\xNN" escapes in control-line and scenario texts.
std::string Unescape(const std::string& t) {
  std::string out, b;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] != '\\' || i + 1 >= t.size()) {
      out += t[i];
      continue;
    }
    char c = t[++i];
    if (c == 'r') out += '\r';
    else if (c == 'n') out += '\n';
    else if (c == 's') out += ' ';
    else if (c == 'x' && i + 2 < t.size() && FromHex(t.substr(i + 1, 2), b)) {
      out += b;
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

std::map<std::string, std::string> Options(const std::vector<std::string>& w, size_t from) {
  std::map<std::string, std::string> o;
  for (size_t i = from; i < w.size(); ++i) {
    size_t eq = w[i].find('=');
    if (eq == std::string::npos) o[w[i]] = "";
    else o[w[i].substr(0, eq)] = Unescape(w[i].substr(eq + 1));
  }
  return o;
}

bool Matches(const std::string& pattern, const std::string& line) {
  std::string p = Lower(pattern), l = Lower(line);
  if (!p.empty() && p.back() == '*') return l.compare(0, p.size() - 1, p, 0, p.size() - 1) == 0;
  return p == l;
}
}  // namespace

ModemDevice::ModemDevice(Pty& pty, Log& log, std::string name, const Profile& profile, double speed, std::string dumpDir)
    : Device(pty, log, std::move(name)), P(profile), GlobalSpeed(speed), DumpDir(std::move(dumpDir)) {
  Reset();
}

ModemDevice::~ModemDevice() {
  if (DumpRaw) fclose(DumpRaw);
  if (DumpOut) fclose(DumpOut);
}

void ModemDevice::Reset() {
  Echo = Verbose = true;
  Quiet = false;
  S = {{0, 0}, {3, 13}, {4, 10}, {5, 8}, {7, 50}};
  Fclass = "0";
  Vcid = VdrA = VdrB = Vnh = Vls = Vit = 0;
  Vgr = Vgt = 128;
  Sds = 128;
  Sdi = 0;
  Cml = P.DefaultCml;
  Rate = P.DefaultRate;
  OnHook(0);
}

// ---- input ----

void ModemDevice::Received(const std::string& bytes, double now) {
  for (unsigned char b : bytes) {
    // Flow control from the DTE is never a command or an abort character. (During +VTX the
    // bytes are voice data.)
    if (b == 0x13 && M != Mode::Transmit) {
      Line.Hold(true);
      continue;
    }
    if (b == 0x11 && M != Mode::Transmit) {
      Line.Hold(false);
      Line.Flush();
      continue;
    }
    Input += char(b);
  }
  ProcessInput(now);
}

void ModemDevice::ProcessInput(double now) {
  size_t i = 0;
  for (; i < Input.size(); ++i) {
    unsigned char b = (unsigned char)Input[i];
    if (M == Mode::Receive) {
      if (StreamInput(b, now)) {
        // The abort byte is consumed; the rest of that write is dropped up to its CR.
        size_t cr = Input.find(char(S[3]), i + 1);
        Input.erase(i + 1, cr == std::string::npos ? std::string::npos : cr - i);
      }
    } else if (M == Mode::Transmit) {
      // Voice data from the DTE: discarded, until <DLE><ETX>.
      if (DleSeen && b == ETX) {
        M = Mode::Command;
        Events.Event(Name, "vtx_end");
        Result r;
        SendResult(r, now, "");
      }
      DleSeen = !DleSeen && b == DLE;
    } else {
      if (now < BusyUntil) break;  // a reply is still being made: the rest waits
      CommandByte(b, now);
    }
  }
  Input.erase(0, i);
}

void ModemDevice::CommandByte(unsigned char b, double now) {
  if (P.Dead) {
    if (b == S[3]) {
      Lines.push_back(LineBuf);
      Events.Event(Name, "rx", "\"line\":" + Log::Quote(LineBuf));
      LineBuf.clear();
    } else if (LineBuf.size() < 4096) {
      LineBuf += char(b);
    }
    return;
  }
  if (Echo || EchoStuck) Line.Write(std::string(1, char(b)));
  if (b == S[3]) {
    std::string line = LineBuf;
    bool overlong = Overlong;
    LineBuf.clear();
    Overlong = false;
    if (overlong) {
      Events.Event(Name, "rx", "\"line\":" + Log::Quote(line.substr(0, 64)) + ",\"overlong\":true");
      Result r;
      r.Code = "ERROR";
      SendResult(r, now, "");
      return;
    }
    ExecuteLine(line, now);
  } else if (b == S[4] || b == 0) {
  } else if (b == S[5]) {
    if (!LineBuf.empty()) LineBuf.pop_back();
  } else if (LineBuf.size() < MaxLine) {
    LineBuf += char(b);
  } else {
    Overlong = true;
  }
}

void ModemDevice::ExecuteLine(const std::string& line, double now) {
  Lines.push_back(line);
  LineAtCommand = Line.LineSettings();
  Events.Event(Name, "rx", "\"line\":" + Log::Quote(line));
  std::string forced;
  for (auto& o : Overrides)
    if (Matches(o.Pattern, line)) forced = o.Spec;

  size_t at = std::string::npos;
  for (size_t i = 0; i + 1 < line.size(); ++i)
    if (toupper((unsigned char)line[i]) == 'A' && toupper((unsigned char)line[i + 1]) == 'T') {
      at = i;
      break;
    }
  if (OnEvent) OnEvent("cmd", line);
  Result r;
  if (at == std::string::npos) {
    // Not a command (the bare CR included): silence, unless the profile answers it.
    if (!P.EmptyLineOk && forced.empty()) return;
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
      if (!Extended(name, form, args, r, now)) r.Code = "ERROR";
    } else if (!Basic(body, i, r)) {
      r.Code = "ERROR";
    }
  }
  SendResult(r, now, forced);
}

bool ModemDevice::Basic(const std::string& body, size_t& i, Result& r) {
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
    long reg = 0;
    if (!ParseLong(body.substr(i, j - i), reg) || reg > 255) return false;
    i = j;
    if (i < body.size() && body[i] == '?') {
      ++i;
      char buf[8];
      snprintf(buf, sizeof buf, "%03d", S.count(int(reg)) ? S[int(reg)] : 0);
      r.Info.push_back(buf);
      return true;
    }
    if (i < body.size() && body[i] == '=') {
      size_t k = ++i;
      while (k < body.size() && isdigit((unsigned char)body[k])) ++k;
      long v = 0;
      if (!ParseLong(body.substr(i, k - i), v) || v > 255) return false;
      i = k;
      S[int(reg)] = int(v);
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
  if (amp) return strchr("FCDKV", c) && (c != 'F' || (Reset(), true));
  switch (c) {
    case 'E': return n <= 1 && ((Echo = n == 1), true);
    case 'V': return n <= 1 && ((Verbose = n == 1), true);
    case 'Q': return n <= 1 && ((Quiet = n == 1), true);
    case 'Z':
      Reset();
      r.Delay = P.ResetDelayMs / 1000.0;
      return true;
    case 'I': {
      auto it = P.Ati.find(int(n));
      if (it == P.Ati.end()) return false;
      if (!it->second.empty()) {
        std::string t = it->second;
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
      if (n == 0) {
        Vls = 0;
        OnHook(0);
      } else {
        return false;
      }
      return true;
    case 'X': case 'L': case 'M': case 'W': return true;
    default: return false;
  }
}

bool ModemDevice::Extended(const std::string& name, const std::string& form, const std::string& args, Result& r,
                           double now) {
  auto info = [&](const std::string& t) { r.Info.push_back(t); };
  auto num = [&](int v) { info(std::to_string(v)); };
  long v = 0;
  if (name[0] == 'V') {
    if (!P.Voice) return false;
    bool exempt = name == "VCID" || name == "VDR" || name == "VRID" || name == "VNH";
    if (P.ClassRule && Fclass != "8" && !exempt) return false;
  }
  // Simple parameters: one number in a range.
  struct Param {
    const char* Name;
    int* Value;
    const char* Test;
    int Lo, Hi;
  };
  const Param params[] = {{"VNH", &Vnh, "(0-2)", 0, 2},       {"VIT", &Vit, "(0-255)", 0, 255},
                          {"VRA", &Vra, "(0-255)", 0, 255},   {"VRN", &Vrn, "(0-255)", 0, 255},
                          {"VTD", &Vtd, "(0-255)", 0, 255},   {"VPP", &Vpp, "(0,1)", 0, 1},
                          {"VPR", &Vpr, "(0-7)", 0, 7},       {"FLO", &Flo, "(0-2)", 0, 2}};
  for (const Param& p : params) {
    if (name != p.Name) continue;
    if (form == "test") info(p.Test);
    else if (form == "read") num(*p.Value);
    else if (form == "set") return InRange(args, p.Lo, p.Hi, v) && ((*p.Value = int(v)), true);
    else return false;
    return true;
  }
  if (name == "FCLASS") {
    if (form == "test") info(P.Fclasses);
    else if (form == "read") info(Fclass);
    else if (form == "set") {
      std::string list = "," + P.Fclasses + ",";
      if (args.empty() || list.find("," + args + ",") == std::string::npos) return false;
      Fclass = args;
    } else return false;
    return true;
  }
  if (name == "GMM" || name == "GMI" || name == "GMR" || name == "FMM" || name == "FMI" || name == "FMR") {
    if (form == "test") return true;
    if (form == "set") return false;
    bool fax = name[0] == 'F';
    if (fax && !P.FaxIdentityAnyClass && Fclass.compare(0, 1, "2") != 0) return false;
    if (!fax && form == "read" && !P.IdentityQuery) return false;
    char k = name[2];
    if (k == 'M') info(!fax && !P.GmmText.empty() ? P.GmmText : P.Model);
    else if (k == 'I') info(P.Manufacturer);
    else info(P.Revision);
    return true;
  }
  if (name == "IFC") {
    if (form == "test") info("(0-2),(0-2)");
    else if (form == "read") info("2,2");
    return form != "action";
  }
  if (name == "VCID") {
    if (form == "test") info(P.CallerId ? "(0-2)" : "(0)");
    else if (form == "read") num(Vcid);
    else if (form == "set") return InRange(args, 0, P.CallerId ? 2 : 0, v) && ((Vcid = int(v)), true);
    else return false;
    return true;
  }
  if (name == "VDR") {
    if (form == "test") info("(0,1),(0-255)");
    else if (form == "read") info(std::to_string(VdrA) + "," + std::to_string(VdrB));
    else if (form == "set") {
      auto n = Numbers(args);
      if (n.empty() || n.size() > 2 || n[0] < 0 || n[0] > 1 || (n.size() == 2 && (n[1] < 0 || n[1] > 255))) return false;
      VdrA = int(n[0]);
      VdrB = n.size() == 2 ? int(n[1]) : 0;
    } else return false;
    return true;
  }
  if (name == "VRID") return form == "test" ? (info("(0,1)"), true) : form == "set" && InRange(args, 0, 1, v);
  if (name == "VLS") {
    if (form == "test") {
      for (auto& l : P.VlsList) info(l);
    } else if (form == "read") {
      num(Vls);
    } else if (form == "set") {
      if (!InRange(args, 0, 255, v) || std::find(P.Labels.begin(), P.Labels.end(), int(v)) == P.Labels.end())
        return false;
      Vls = int(v);
      if (Vls) OffHook(now);
      else OnHook(now);
      if (P.LineSelectVcon) r.Code = "VCON";
    } else return false;
    return true;
  }
  if (name == "VSM") {
    if (form == "test") {
      for (auto& l : P.VsmList) info(l);
    } else if (form == "read") {
      info(std::to_string(Cml) + "," + std::to_string(Rate) + ",0,0");
    } else if (form == "set") {
      // An omitted rate keeps the present one where the compression takes it (V.250's rule
      // for omitted values), else the compression's first.
      auto n = Numbers(args);
      if (n.empty() || n.size() > 4) return false;
      const Compression* c = P.Find(int(n[0]));
      int rate = n.size() >= 2 ? int(n[1]) : c && c->Takes(Rate) ? Rate : c ? c->Rates[0] : 0;
      if (!c || !c->Takes(rate)) return false;
      Cml = int(n[0]);
      Rate = rate;
    } else return false;
    return true;
  }
  if (name == "VGR" || name == "VGT") {
    int& g = name == "VGR" ? Vgr : Vgt;
    if (form == "test") info(name == "VGR" ? P.VgrRange : P.VgtRange);
    else if (form == "read") num(g);
    else if (form == "set") return InRange(args, P.GainMin, P.GainMax, v) && ((g = int(v)), true);
    else return false;
    return true;
  }
  if (name == "VSD") {
    if (form == "test") info("(128),(0-255)");
    else if (form == "read") info(std::to_string(Sds) + "," + std::to_string(Sdi));
    else if (form == "set") {
      auto n = Numbers(args);
      if (n.size() != 2 || n[0] < 0 || n[0] > 255 || n[1] < 0 || n[1] > 255) return false;
      Sds = int(n[0]);
      Sdi = int(n[1]);
    } else return false;
    return true;
  }
  if (name == "VIP") {
    if (form == "test") info("(0)");
    else if (form == "read") info("0");
    else return form == "set" && InRange(args, 0, 0, v);
    return true;
  }
  if (name == "VTS") return form == "test" ? (info("(200-3300),(200-3300),(0-50)"), true) : form == "set";
  if (name == "VBT") {
    if (form == "test") info("(0-255),(0-255)");
    else if (form == "read") info(std::to_string(VbtA) + "," + std::to_string(VbtB));
    else if (form != "set") return false;
    return true;
  }
  if (name == "VSP" || name == "VGM" || name == "VGS") {
    if (!P.Speakerphone) return false;
    if (form == "test") info(name == "VSP" ? "(0,1)" : "(0-255)");
    else if (form == "read") info(name == "VSP" ? "0" : "128");
    else if (form == "set") return InRange(args, 0, name == "VSP" ? 1 : 255, v);
    else return false;
    return true;
  }
  if ((name == "VRX" || name == "VTX") && form == "action") {
    if (Fclass != "8" || !OffHookState) {
      Events.Event(Name, name == "VRX" ? "vrx_refused" : "vtx_refused",
                   "\"class\":" + Log::Quote(Fclass) + ",\"vls\":" + std::to_string(Vls));
      return false;
    }
    r.Code = "CONNECT";
    r.Info.push_back(name);  // marker, taken off in SendResult
    return true;
  }
  return false;
}

// ---- output ----

std::string ModemDevice::Code(const std::string& code) const {
  if (Quiet || code.empty()) return "";
  if (Verbose) return "\r\n" + code + "\r\n";
  static const std::map<std::string, std::string> numeric = {
      {"OK", "0"}, {"CONNECT", "1"}, {"RING", "2"}, {"NO CARRIER", "3"}, {"ERROR", "4"}, {"VCON", "8"}};
  auto it = numeric.find(code);
  return (it != numeric.end() ? it->second : code) + "\r";
}

std::string ModemDevice::InfoText(const std::string& text) const {
  return Verbose ? "\r\n" + text + "\r\n" : text + "\r\n";
}

void ModemDevice::Schedule(double at, const std::string& bytes, const std::string& logText) {
  Timed.emplace(at, std::make_pair(bytes, logText));
}

void ModemDevice::SendResult(const Result& given, double now, const std::string& forced) {
  Result r = given;
  bool vrx = !r.Info.empty() && (r.Info.back() == "VRX" || r.Info.back() == "VTX") && r.Code == "CONNECT";
  std::string which = vrx ? r.Info.back() : "";
  if (vrx) r.Info.pop_back();
  double delay = r.Delay >= 0 ? r.Delay : P.ReplyDelayMs / 1000.0;
  bool split = false;
  std::string custom;
  bool numeric = false;
  if (!forced.empty()) {
    if (forced == "OK" || forced == "ERROR") {
      r.Info.clear();
      r.Code = forced;
      vrx = false;
    } else if (forced == "none") {
      Events.Event(Name, "fault", "\"reply\":\"none\"");
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
      vrx = false;
    }
  }
  std::string out;
  if (!custom.empty()) {
    out = custom;
  } else {
    bool v = Verbose;
    if (numeric) Verbose = false;
    for (auto& t : r.Info) out += InfoText(t);
    out += Code(r.Code);
    Verbose = v;
  }
  double at = std::max(now + delay, BusyUntil);
  if (split) {
    for (size_t k = 0; k < out.size(); ++k) Schedule(at + 0.003 * double(k), out.substr(k, 1), k ? "" : out);
    at += 0.003 * double(out.size());
  } else {
    Schedule(at, out, out);
  }
  BusyUntil = at;
  if (vrx && which == "VRX") {
    M = Mode::Receive;
    StartStream(at + P.ConnectGapMs / 1000.0, now);
  } else if (vrx) {
    M = Mode::Transmit;
    DleSeen = false;
    Events.Event(Name, "vtx_start");
  }
}

// ---- port edges ----

void ModemDevice::Opened(double) {}

std::string ModemDevice::Closed(double now) {
  // The DTE closed the port: a DTR drop. Stop at once; nothing is written to a closed port.
  std::string fields = "\"stream_bytes\":" + std::to_string(OutBytes) + ",\"mode\":" +
                       Log::Quote(M == Mode::Receive ? "receive" : M == Mode::Transmit ? "transmit" : "command");
  if (M == Mode::Receive) StopStream("dtr_drop", now);
  M = Mode::Command;
  Input.clear();
  LineBuf.clear();
  Overlong = false;
  Timed.clear();
  BusyUntil = 0;
  Vls = 0;
  OnHook(now);
  Fclass = "0";
  if (P.DtrResets) Reset();
  return fields;
}

// ---- line and calls ----

void ModemDevice::SetCall(Call c, const std::string& why) {
  if (c == CallState) return;
  CallState = c;
  static const char* names[] = {"idle", "ringing", "connected", "far_hung_up"};
  Events.Event(Name, "call", "\"state\":" + Log::Quote(names[int(c)]) + ",\"why\":" + Log::Quote(why));
}

void ModemDevice::OffHook(double) {
  if (OffHookState) return;
  OffHookState = true;
  Events.Event(Name, "hook", "\"state\":\"off\"");
  if (CallState == Call::Ringing) {
    // The program should only have listened: the modem took a ringing call.
    R.Active = false;
    Events.Event(Name, "answer_by_modem");
    if (OnEvent) OnEvent("ring_end", "");
    SetCall(Call::Connected, "answer_by_modem");
  }
}

void ModemDevice::OnHook(double now) {
  if (M == Mode::Receive) StopStream("on_hook", now);
  if (!OffHookState) return;
  OffHookState = false;
  Events.Event(Name, "hook", "\"state\":\"on\"");
  if (CallState == Call::FarHungUp) SetCall(Call::Idle, "on_hook");
}

bool ModemDevice::CanReport() const {
  return Line.IsOpen() && !OffHookState && M == Mode::Command && !P.Dead && (Fclass == "0" || Fclass == "8");
}

void ModemDevice::StartRing(const std::map<std::string, std::string>& o, double now, std::string& error) {
  R = Ringer();
  auto get = [&](const std::string& k, const std::string& d) { return o.count(k) ? o.at(k) : d; };
  std::string cadence = get("cadence", P.Country);
  double on = 1.0, period = 5.0;
  if (cadence == "NA") on = 2, period = 6;
  else if (cadence == "EU" || cadence == "DE") on = 1, period = 5;
  else if (cadence == "UK") on = 1, period = 3;
  else if (cadence == "fast") on = 0.5, period = 2;
  else {
    error = "bad cadence " + cadence;
    return;
  }
  long n = 0;
  if (o.count("every")) {
    if (!ParseLong(o.at("every"), n) || n < 100) {
      error = "bad every";
      return;
    }
    period = n / 1000.0;
    on = std::min(on, period / 3);
  }
  R.Gaps = {period};
  if (cadence == "UK" && get("ukpair", "0") == "1") R.Gaps = {0.6, period - 0.6};
  if (o.count("count")) {
    if (!ParseLong(o.at("count"), n) || n < 1) {
      error = "bad count";
      return;
    }
    R.Count = int(n);
  }
  std::string cid = get("cid", "between");
  double first = now;
  if (o.count("first") && ParseLong(o.at("first"), n) && n >= 0) first += n / 1000.0;
  for (auto& kv : o)
    if (kv.first.compare(0, 4, "cid.") == 0) R.Cid[kv.first.substr(4)] = kv.second;
  if (cid == "before") {
    R.CidAt = first;
    first += 0.8;
  } else if (cid == "between") {
    R.CidAt = first + std::min(on + 0.5, 0.6 * R.Gaps[0]);
  } else if (cid != "none") {
    error = "bad cid timing " + cid;
    return;
  }
  R.CidCoalesce = get("cid.write", "") == "coalesce";
  R.Next = first;
  R.Active = true;
  SetCall(Call::Ringing, "ring");
}

std::string ModemDevice::CidBlock(const std::map<std::string, std::string>& o) const {
  auto get = [&](const std::string& k, const std::string& d) { return o.count(k) ? o.at(k) : d; };
  std::string date = get("date", "0321"), time = get("time", "1405"), nmbr = get("nmbr", "5551234567"),
              name = get("name", "DOE JOHN");
  if (get("bad", "0") == "1") return "";  // a checksum error: real modems print nothing
  if (Vcid == 2) {
    std::string m;
    m += char(1), m += char(8), m += date + time;
    if (nmbr == "P" || nmbr == "O") m += char(4), m += char(1), m += nmbr;
    else m += char(2), m += char(nmbr.size()), m += nmbr;
    if (name == "P" || name == "O") m += char(8), m += char(1), m += name;
    else m += char(7), m += char(name.size()), m += name;
    std::string msg = std::string(1, char(0x80)) + char(m.size()) + m;
    unsigned sum = 0;
    for (unsigned char c : msg) sum += c;
    msg += char((256 - (sum & 0xff)) & 0xff);
    return "\r\n" + Upper(ToHex(msg)) + "\r\n";
  }
  std::string eq = get("form", "spaces") == "tight" ? "=" : " = ";
  std::string b = "\r\nDATE" + eq + date + "\r\nTIME" + eq + time + "\r\n";
  if (o.count("errm")) b += "ERRM" + eq + o.at("errm") + "\r\n";
  if (get("nmbr", "x") != "") b += "NMBR" + eq + nmbr + "\r\n";
  if (get("name", "x") != "") b += "NAME" + eq + name + "\r\n";
  if (o.count("mesg")) b += "MESG" + eq + o.at("mesg") + "\r\n";
  return b;
}

void ModemDevice::SendCid(const std::map<std::string, std::string>& o, double now, const std::string& extra) {
  if (Vcid == 0 || !CanReport()) {
    Events.Event(Name, "cid", "\"sent\":false");
    if (!extra.empty()) Line.Write(extra);
    return;
  }
  std::string block = CidBlock(o);
  Events.Event(Name, "cid", "\"sent\":" + std::string(block.empty() ? "false" : "true") + ",\"text\":" + Log::Quote(block));
  auto w = o.find("write");
  if (w != o.end() && w->second == "split") {
    for (size_t k = 0; k < block.size(); ++k) Schedule(now + 0.004 * double(k), block.substr(k, 1), "");
    if (!extra.empty()) Schedule(now + 0.004 * double(block.size()), extra, "");
    return;
  }
  Line.Write(block + extra);
}

void ModemDevice::RingTick(double now) {
  if (!R.Active) return;
  if (R.CidAt >= 0 && now >= R.CidAt && !R.CidCoalesce) {
    R.CidAt = -1;
    SendCid(R.Cid, now);
  }
  if (now < R.Next) return;
  ++R.Sent;
  ++RingsTotal;
  std::string ring;
  if (CanReport() && !Quiet) {
    if (P.RingText || !(P.DleRing && Fclass == "8")) ring = Code("RING");
    if (P.DleRing && Fclass == "8") ring += std::string{DLE, 'R'};
  }
  Events.Event(Name, "ring", "\"n\":" + std::to_string(R.Sent) + ",\"reported\":" + (ring.empty() ? "false" : "true"));
  if (R.CidAt >= 0 && R.CidCoalesce && R.Sent >= 2) {
    R.CidAt = -1;
    SendCid(R.Cid, now, ring);
  } else {
    Line.Write(ring);
  }
  R.Next += R.Gaps[size_t(R.Sent - 1) % R.Gaps.size()];
  if (R.Count > 0 && R.Sent >= R.Count) {
    R.Active = false;
    Events.Event(Name, "ring_end", "\"rings\":" + std::to_string(R.Sent));
    if (OnEvent) OnEvent("ring_end", "");
    if (CallState == Call::Ringing) SetCall(Call::Idle, "rings_ended");
  }
}

// ---- voice stream ----

void ModemDevice::StartStream(double at, double now) {
  StreamStart = at;
  SamplesSent = RawBytes = OutBytes = Dropped = QuietRun = 0;
  VoiceSeen = SilenceSent = EndOfMessageSent = OverrunShown = false;
  Current.reset();
  PendingEvents.clear();
  ++Streams;
  const Compression* c = P.Find(Cml);
  Events.Event(Name, "vrx_start", "\"cml\":" + std::to_string(Cml) + ",\"rate\":" + std::to_string(Rate) +
                                      ",\"encoding\":" + std::to_string(c ? int(c->Enc) : 0));
  if (!DumpDir.empty()) {
    std::string base = DumpDir + "/" + Name + "." + std::to_string(Streams);
    DumpRaw = fopen((base + ".raw").c_str(), "wb");
    DumpOut = fopen((base + ".dle").c_str(), "wb");
    if (!DumpRaw || !DumpOut) Events.Event(Name, "dump_error", "\"path\":" + Log::Quote(base));
  }
  if (OnEvent) OnEvent("vrx", "");
  (void)now;
  // The audio of a call answered earlier has been running since the answer: what was said before
  // the modem joined is lost, as on a real line.
  if (P.TimelineFromAnswer && CallState == Call::Connected && AnsweredAt >= 0 && at > AnsweredAt) {
    long long skip = (long long)((at - AnsweredAt) * Rate);
    std::vector<double> sink(4096);
    std::string bytes;
    while (skip > 0) {
      Segment& s = CurrentSegment();
      int n = int(std::min<long long>(skip, 4096));
      if (s.Remaining > 0 && s.Remaining < n) n = int(s.Remaining);
      if (s.Raw()) s.FillBytes(bytes, n), bytes.clear();
      else s.Fill(sink.data(), n);
      s.TakeDigits();
      if (s.Remaining > 0) s.Remaining -= n;
      skip -= n;
    }
    Events.Event(Name, "timeline_skip", "\"seconds\":" + std::to_string(at - AnsweredAt));
  }
}

Segment& ModemDevice::CurrentSegment() {
  while (!Current || Current->Remaining == 0) {
    SegPos = 0;
    NextAutoEvent = Rate;  // about 1 s after a tone starts, then every 4 s
    if (!Timeline.empty()) {
      Current = std::move(Timeline.front());
      Timeline.pop_front();
      if (Current->FarHangup) {
        SetCall(Call::FarHungUp, "far_end");
        continue;  // a mark, no samples: the hang-up tone follows once the timeline is empty
      }
    } else if (CallState == Call::FarHungUp) {
      auto tones = HangupTone(P.Country, Rate);
      Current = std::move(tones.front());
      for (size_t k = 1; k < tones.size(); ++k) Timeline.push_back(std::move(tones[k]));
    } else if (CallState == Call::Idle) {
      Current = DialTone(P.Country, Rate);  // off-hook on an idle line
    } else {
      std::string error;
      Current = ParseSegment(SplitWords(P.AfterScript), P.Country, Rate, error);
      if (!Current) Current = Silence();
    }
    Events.Event(Name, "segment", "\"source\":" + Log::Quote(Current->Text.empty() ? "default" : Current->Text));
  }
  return *Current;
}

void ModemDevice::StreamChunk(int samples) {
  const Compression* c = P.Find(Cml);
  Encoding enc = c ? c->Enc : Encoding::U8;
  std::string raw, events;
  std::vector<double> buf;
  int left = samples;
  while (left > 0) {
    Segment& s = CurrentSegment();
    int n = left;
    if (s.Remaining > 0 && s.Remaining < n) n = int(s.Remaining);
    if (s.Raw()) {
      s.FillBytes(raw, n * BytesPerSample(enc));
    } else {
      buf.resize(size_t(n));
      s.Fill(buf.data(), n);
      if (enc == Encoding::Adpcm4) raw.append(size_t((n + 1) / 2), char(0));
      else for (double x : buf) EncodeSample(x, enc, raw);
    }
    bool auto_ = P.DleEvents && s.EventsOn;
    if (s.Silent()) {
      QuietRun += n;
    } else {
      VoiceSeen = true;
      QuietRun = 0;
    }
    SegPos += n;
    if (auto_ && s.AutoEvent() && SegPos >= NextAutoEvent) {
      events += std::string{DLE, s.AutoEvent()};
      NextAutoEvent += 4LL * Rate;
    }
    for (auto& d : s.TakeDigits())
      if (auto_) events += std::string{DLE, d.second};
    if (s.Remaining > 0) s.Remaining -= n;
    left -= n;
  }
  // +VSD: silence from the start is a presumed hang-up (s), silence after voice the end of a
  // message (q); each is told once.
  if (Sdi > 0 && P.DleEvents && QuietRun >= (long long)Sdi * Rate / 10) {
    bool& sent = VoiceSeen ? EndOfMessageSent : SilenceSent;
    if (!sent) events += std::string{DLE, VoiceSeen ? 'q' : 's'};
    sent = true;
  }
  events += PendingEvents;
  PendingEvents.clear();
  SamplesSent += samples;

  std::string out;
  out.reserve(raw.size() + 16);
  for (char b : raw) {
    out += b;
    if (b == DLE && P.Shield) out += DLE;
  }
  out += events;
  for (size_t k = 0; k + 1 < events.size(); k += 2)
    Events.Event(Name, "dle", "\"code\":" + Log::Quote(std::string(1, events[k + 1])));

  // A modem-sized buffer (2 s of data, in paced time): beyond it data is dropped.
  double speed = P.Speed * GlobalSpeed;
  size_t limit = size_t(2.0 * Rate * BytesPerSample(enc) * std::max(1.0, speed));
  if (Line.Queued() + out.size() > limit) {
    Dropped += (long long)raw.size();
    if (!OverrunShown) {
      OverrunShown = true;
      Events.Event(Name, "overrun", "\"queued\":" + std::to_string(Line.Queued()));
      if (P.Overrun) Line.Write(std::string{DLE, 'o'});
    }
    return;
  }
  OverrunShown = false;
  if (DumpRaw && fwrite(raw.data(), 1, raw.size(), DumpRaw) != raw.size()) Events.Event(Name, "dump_error");
  if (DumpOut && fwrite(out.data(), 1, out.size(), DumpOut) != out.size()) Events.Event(Name, "dump_error");
  RawBytes += (long long)raw.size();
  OutBytes += (long long)out.size();
  Line.Write(out);
}

void ModemDevice::StreamTick(double now) {
  if (M != Mode::Receive || now < StreamStart) return;
  double speed = P.Speed * GlobalSpeed;
  long long due = (long long)((now - StreamStart) * Rate * speed);
  int chunk = std::max(1, Rate / 50);  // 20 ms
  for (int k = 0; k < 200 && SamplesSent + chunk <= due && M == Mode::Receive; ++k) StreamChunk(chunk);
}

bool ModemDevice::StreamInput(unsigned char b, double now) {
  bool abort = (DleSeen && b == '!') || (P.Is101Abort && b != DLE && !(DleSeen && b == DLE));
  DleSeen = !DleSeen && b == DLE;
  if (!abort) return false;  // swallowed, as real modems do
  StopStream("dte_abort", now);
  Line.DropQueue();
  FlushTimed();  // a CONNECT not yet written still goes first
  Line.Write(std::string{DLE, ETX} + Code(P.AbortVcon ? "VCON" : "OK"));
  return true;
}

void ModemDevice::StopStream(const std::string& why, double) {
  if (M != Mode::Receive) return;
  M = Mode::Command;
  DleSeen = false;
  Line.Hold(false);
  Events.Event(Name, "vrx_end", "\"why\":" + Log::Quote(why) + ",\"samples\":" + std::to_string(SamplesSent) +
                                    ",\"raw_bytes\":" + std::to_string(RawBytes) + ",\"stream_bytes\":" +
                                    std::to_string(OutBytes) + ",\"dropped\":" + std::to_string(Dropped));
  if (DumpRaw) fclose(DumpRaw);
  if (DumpOut) fclose(DumpOut);
  DumpRaw = DumpOut = nullptr;
  Current.reset();
}

void ModemDevice::EndStream(const std::map<std::string, std::string>& o, double now) {
  auto get = [&](const std::string& k, const std::string& d) { return o.count(k) ? o.at(k) : d; };
  std::string ev = get("event", ""), result = get("result", "ok"), hook = get("hook", "off");
  std::string out;
  if (!ev.empty()) out += std::string{DLE, ev[0]};
  out += std::string{DLE, ETX};
  if (result == "ok") out += Code("OK");
  else if (result == "nocarrier") out += Code("NO CARRIER");
  StopStream("dce_end", now);
  FlushTimed();
  Line.Write(out);
  if (hook == "on") {
    Vls = 0;
    OnHook(now);
  }
}

// ---- the loop ----

void ModemDevice::FlushTimed(double upTo) {
  while (!Timed.empty() && Timed.begin()->first <= upTo) {
    auto item = Timed.begin()->second;
    Timed.erase(Timed.begin());
    Line.Write(item.first);
    if (!item.second.empty()) Events.Event(Name, "tx", "\"text\":" + Log::Quote(item.second));
  }
}

void ModemDevice::Tick(double now) {
  FlushTimed(now);
  if (!Input.empty()) ProcessInput(now);
  RingTick(now);
  StreamTick(now);
}

double ModemDevice::NextDue(double now) const {
  double due = Device::NextDue(now);
  if (!Timed.empty()) due = std::min(due, Timed.begin()->first);
  if (!Input.empty()) due = std::min(due, BusyUntil);
  if (R.Active) {
    due = std::min(due, R.Next);
    if (R.CidAt >= 0 && !R.CidCoalesce) due = std::min(due, R.CidAt);
  }
  if (M == Mode::Receive) {
    double speed = P.Speed * GlobalSpeed;
    int chunk = std::max(1, Rate / 50);
    due = std::min(due, StreamStart + double(SamplesSent + chunk) / (Rate * speed));
  }
  return due;
}

std::string ModemDevice::Control(const std::vector<std::string>& w, double now) {
  if (w.empty()) return "error missing command";
  const std::string& c = w[0];
  auto o = Options(w, 1);
  std::string error;
  if (c == "ring") {
    StartRing(o, now, error);
    if (!error.empty()) return "error " + error;
    Tick(now);
    return "ok";
  }
  if (c == "cid") {
    std::map<std::string, std::string> cid;
    for (auto& kv : o) cid[kv.first.compare(0, 4, "cid.") == 0 ? kv.first.substr(4) : kv.first] = kv.second;
    SendCid(cid, now);
    return "ok";
  }
  if (c == "answer" || c == "abandon") {
    if (R.Active && OnEvent) OnEvent("ring_end", "");
    R.Active = false;
    AnsweredAt = c == "answer" ? now : -1;
    SetCall(c == "answer" ? Call::Connected : Call::Idle, c);
    return "ok";
  }
  if (c == "hangup-far") {
    SetCall(Call::FarHungUp, "far_end");
    Timeline.clear();
    if (M == Mode::Receive) Current.reset();
    return "ok";
  }
  if (c == "stream" && w.size() == 2 && w[1] == "hangup-far") {
    auto mark = Silence();
    mark->Remaining = 0;
    mark->FarHangup = true;
    mark->Text = "hangup-far";
    Timeline.push_back(std::move(mark));
    return "ok";
  }
  if (c == "stream") {
    auto s = ParseSegment(std::vector<std::string>(w.begin() + 1, w.end()), P.Country, Rate, error);
    if (!s) return "error " + error;
    Timeline.push_back(std::move(s));
    return "ok";
  }
  if (c == "end-stream") {
    if (M != Mode::Receive) return "error no stream";
    EndStream(o, now);
    return "ok";
  }
  if (c == "event" && w.size() == 2 && w[1].size() == 1) {
    if (M != Mode::Receive) return "error no stream";
    PendingEvents += std::string{DLE, w[1][0]};
    return "ok";
  }
  if (c == "reply" && w.size() == 3) {
    Overrides.erase(std::remove_if(Overrides.begin(), Overrides.end(),
                                   [&](const Override& x) { return Lower(x.Pattern) == Lower(w[1]); }),
                    Overrides.end());
    if (w[2] != "clear") Overrides.push_back(Override{w[1], w[2]});
    return "ok";
  }
  if (c == "send" && w.size() >= 3 && w[1].compare(0, 4, "gap=") == 0) {
    // Pieces written apart, e.g. send com3 gap=50 "\r\nNM" "BR = 555" "1234\r\n".
    long gap = 0;
    if (!ParseLong(w[1].substr(4), gap) || gap < 0) return "error bad gap";
    for (size_t k = 2; k < w.size(); ++k) {
      std::string piece = Unescape(w[k]);
      Schedule(now + double(k - 2) * gap / 1000.0, piece, piece);
    }
    Tick(now);
    return "ok";
  }
  if (c == "send" && w.size() >= 2) {
    std::string text;
    for (size_t k = 1; k < w.size(); ++k) text += (k > 1 ? " " : "") + w[k];
    std::string bytes = Unescape(text);
    Line.Write(bytes);
    Events.Event(Name, "tx", "\"text\":" + Log::Quote(bytes) + ",\"scripted\":true");
    return "ok";
  }
  if (c == "garbage" && w.size() == 3) {
    long n = 0;
    if (!ParseLong(w[2], n) || n < 0 || n > (16L << 20)) return "error bad count";
    std::string g;
    unsigned x = 12345;
    for (long k = 0; k < n; ++k) {
      x = x * 1103515245u + 12345u;
      if (w[1] == "random") g += char(x >> 16);
      else if (w[1] == "longline") g += char('A' + (k % 26));
      else if (w[1] == "storm") g += (x >> 16) & 1 ? '\r' : '\n';
      else if (w[1] == "junk") g += std::string("XXRINGXX OK CONNECTION ")[size_t(k) % 23];
      else if (w[1] == "voice") g += char(0x80 + int((x >> 16) % 9) - 4);
      else return "error unknown garbage";
    }
    Line.Write(g);
    Events.Event(Name, "garbage", "\"kind\":" + Log::Quote(w[1]) + ",\"bytes\":" + std::to_string(n));
    return "ok";
  }
  if (c == "set") {
    for (auto& kv : o) {
      if (kv.first == "echo_stuck") EchoStuck = kv.second == "1";
      else if (!P.Set(kv.first, kv.second, error)) return "error " + error;
      if (kv.first == "vgr_range" || kv.first == "vgt_range") {
        // The accepted gains follow the advertised range: "(120-136)", "0-255", "(128)".
        std::string digits;
        for (char ch : kv.second) digits += isdigit((unsigned char)ch) ? ch : ' ';
        auto parts = SplitWords(digits);
        long lo = 0, hi = 0;
        if (!parts.empty() && ParseLong(parts[0], lo)) {
          hi = lo;
          if (parts.size() >= 2 && kv.second.find('-') != std::string::npos) ParseLong(parts[1], hi);
          P.GainMin = int(lo);
          P.GainMax = int(hi);
        }
      }
    }
    return "ok";
  }
  if (c == "state?") {
    static const char* calls[] = {"idle", "ringing", "connected", "far_hung_up"};
    return std::string("ok hook=") + (OffHookState ? "off" : "on") + " class=" + Fclass + " vls=" +
           std::to_string(Vls) + " vcid=" + std::to_string(Vcid) + " echo=" + (Echo ? "1" : "0") + " mode=" +
           (M == Mode::Receive ? "receive" : M == Mode::Transmit ? "transmit" : "command") + " call=" +
           calls[int(CallState)] + " rings=" + std::to_string(RingsTotal) + " stream_bytes=" +
           std::to_string(OutBytes) + " samples=" + std::to_string(SamplesSent) + " vsm=" + std::to_string(Cml) +
           "," + std::to_string(Rate);
  }
  if (c == "cmds?") {
    std::string j = "[";
    for (size_t k = 0; k < Lines.size(); ++k) j += (k ? "," : "") + Log::Quote(Lines[k]);
    return "ok " + j + "]";
  }
  if (c == "line?") return LineAtCommand.empty() ? "error no command yet" : "ok " + LineAtCommand;
  if (c == "cmds-clear") {
    Lines.clear();
    return "ok";
  }
  if (c == "log?") {
    std::string j = "[", key = "\"port\":" + Log::Quote(Name) + ",";
    const std::string& t = Events.Tail();
    bool first = true;
    for (size_t k = 0; k < t.size();) {
      size_t nl = t.find('\n', k);
      if (nl == std::string::npos) break;
      std::string rec = t.substr(k, nl - k);
      if (rec.find(key) != std::string::npos) {
        j += (first ? "" : ",") + rec;
        first = false;
      }
      k = nl + 1;
    }
    return "ok " + j + "]";
  }
  return "error unknown modem command " + c;
}
