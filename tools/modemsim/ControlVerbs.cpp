// The control line's verbs for a modem port: a table of names and handlers.
#include "Hex.h"
#include "Log.h"
#include "ModemDevice.h"
#include "Pty.h"

#include <cctype>

namespace {
using Words = std::vector<std::string>;
using Options = std::map<std::string, std::string>;

// key=value words (escapes undone); a word without "=" is a key with an empty value.
Options OptionsOf(const Words& w, size_t from) {
  Options o;
  for (size_t i = from; i < w.size(); ++i) {
    size_t eq = w[i].find('=');
    if (eq == std::string::npos) o[w[i]] = "";
    else o[w[i].substr(0, eq)] = Unescape(w[i].substr(eq + 1));
  }
  return o;
}

std::string Unknown(const std::string& verb) { return "error unknown modem command " + verb; }

const char* ModeName(ModemMode m) {
  return m == ModemMode::Receive ? "receive" : m == ModemMode::Transmit ? "transmit" : "command";
}

std::string Garbage(const std::string& kind, long n, bool& known) {
  std::string g;
  unsigned x = 12345;
  known = true;
  for (long k = 0; k < n; ++k) {
    x = x * 1103515245u + 12345u;
    if (kind == "random") g += char(x >> 16);
    else if (kind == "longline") g += char('A' + (k % 26));
    else if (kind == "storm") g += (x >> 16) & 1 ? '\r' : '\n';
    else if (kind == "junk") g += std::string("XXRINGXX OK CONNECTION ")[size_t(k) % 23];
    else if (kind == "voice") g += char(0x80 + int((x >> 16) % 9) - 4);
    else return known = false, "";
  }
  return g;
}

// "(120-136)", "0-255", "(128)": the lowest and highest gain.
void GainRange(const std::string& text, int& lo, int& hi) {
  std::string digits;
  for (char ch : text) digits += isdigit((unsigned char)ch) ? ch : ' ';
  auto parts = SplitWords(digits);
  long a = 0, b = 0;
  if (parts.empty() || !ParseLong(parts[0], a)) return;
  b = a;
  if (parts.size() >= 2 && text.find('-') != std::string::npos) ParseLong(parts[1], b);
  lo = int(a);
  hi = int(b);
}
}  // namespace

std::string ModemDevice::Control(const Words& w, double now) {
  if (w.empty()) return "error missing command";
  using Handler = std::string (*)(ModemDevice&, const Words&, const Options&, double);
  struct Verb {
    const char* Name;
    Handler Run;
  };
  static const Verb verbs[] = {
      {"ring",
       [](ModemDevice& d, const Words&, const Options& o, double now) {
         std::string error;
         if (!d.Ring.Start(o, now, error)) return "error " + error;
         d.Tick(now);
         return std::string("ok");
       }},
      {"cid",
       [](ModemDevice& d, const Words&, const Options& o, double now) {
         Options cid;
         for (auto& kv : o) cid[kv.first.compare(0, 4, "cid.") == 0 ? kv.first.substr(4) : kv.first] = kv.second;
         d.Ring.SendCid(cid, now);
         return std::string("ok");
       }},
      {"answer",
       [](ModemDevice& d, const Words&, const Options&, double now) {
         if (d.Ring.Ringing()) d.Emit("ring_end");
         d.Ring.Stop();
         d.AnsweredAt = now;
         d.SetCall(CallState::Connected, "answer");
         return std::string("ok");
       }},
      {"abandon",
       [](ModemDevice& d, const Words&, const Options&, double) {
         if (d.Ring.Ringing()) d.Emit("ring_end");
         d.Ring.Stop();
         d.AnsweredAt = -1;
         d.SetCall(CallState::Idle, "abandon");
         return std::string("ok");
       }},
      {"hangup-far",
       [](ModemDevice& d, const Words&, const Options&, double) {
         d.SetCall(CallState::FarHungUp, "far_end");
         d.Voice.FarHangup();
         return std::string("ok");
       }},
      {"stream",
       [](ModemDevice& d, const Words& w, const Options&, double) {
         if (w.size() == 2 && w[1] == "hangup-far") {
           auto mark = Silence();
           mark->Remaining = 0;
           mark->FarHangup = true;
           mark->Text = "hangup-far";
           d.Voice.Queue(std::move(mark));
           return std::string("ok");
         }
         std::string error;
         auto s = ParseSegment(Words(w.begin() + 1, w.end()), d.P.Country, d.Reg.Rate, error);
         if (!s) return "error " + error;
         d.Voice.Queue(std::move(s));
         return std::string("ok");
       }},
      {"end-stream",
       [](ModemDevice& d, const Words&, const Options& o, double now) {
         if (d.Mode != ModemMode::Receive) return std::string("error no stream");
         d.Voice.End(o, now);
         return std::string("ok");
       }},
      {"event",
       [](ModemDevice& d, const Words& w, const Options&, double) {
         if (w.size() != 2 || w[1].size() != 1) return Unknown(w[0]);
         if (d.Mode != ModemMode::Receive) return std::string("error no stream");
         d.Voice.AddEvent(w[1][0]);
         return std::string("ok");
       }},
      {"reply",
       [](ModemDevice& d, const Words& w, const Options&, double) {
         if (w.size() != 3) return Unknown(w[0]);
         d.At.ForceReply(w[1], w[2]);
         return std::string("ok");
       }},
      {"send",
       [](ModemDevice& d, const Words& w, const Options&, double now) {
         if (w.size() < 2) return Unknown(w[0]);
         if (w.size() >= 3 && w[1].compare(0, 4, "gap=") == 0) {
           // Pieces written apart, e.g. send com3 gap=50 "\r\nNM" "BR = 555" "1234\r\n".
           long gap = 0;
           if (!ParseLong(w[1].substr(4), gap) || gap < 0) return std::string("error bad gap");
           for (size_t k = 2; k < w.size(); ++k) {
             std::string piece = Unescape(w[k]);
             d.Schedule(now + double(k - 2) * gap / 1000.0, piece, piece);
           }
           d.Tick(now);
           return std::string("ok");
         }
         std::string text;
         for (size_t k = 1; k < w.size(); ++k) text += (k > 1 ? " " : "") + w[k];
         std::string bytes = Unescape(text);
         d.Line.Write(bytes);
         d.Events.Event(d.Name, "tx", "\"text\":" + Log::Quote(bytes) + ",\"scripted\":true");
         return std::string("ok");
       }},
      {"garbage",
       [](ModemDevice& d, const Words& w, const Options&, double) {
         if (w.size() != 3) return Unknown(w[0]);
         long n = 0;
         if (!ParseLong(w[2], n) || n < 0 || n > (16L << 20)) return std::string("error bad count");
         bool known = false;
         std::string g = Garbage(w[1], n, known);
         if (!known) return std::string("error unknown garbage");
         d.Line.Write(g);
         d.Events.Event(d.Name, "garbage", "\"kind\":" + Log::Quote(w[1]) + ",\"bytes\":" + std::to_string(n));
         return std::string("ok");
       }},
      {"set",
       [](ModemDevice& d, const Words&, const Options& o, double) {
         std::string error;
         for (auto& kv : o) {
           if (kv.first == "echo_stuck") d.Reg.EchoStuck = kv.second == "1";
           else if (!d.P.Set(kv.first, kv.second, error)) return "error " + error;
           // The accepted gains follow the advertised range.
           if (kv.first == "vgr_range" || kv.first == "vgt_range") GainRange(kv.second, d.P.GainMin, d.P.GainMax);
         }
         return std::string("ok");
       }},
      {"state?",
       [](ModemDevice& d, const Words&, const Options&, double) {
         static const char* calls[] = {"idle", "ringing", "connected", "far_hung_up"};
         const AtRegisters& r = d.Reg;
         return std::string("ok hook=") + (d.OffHookState ? "off" : "on") + " class=" + r.Fclass + " vls=" +
                std::to_string(r.Vls) + " vcid=" + std::to_string(r.Vcid) + " echo=" + (r.Echo ? "1" : "0") +
                " mode=" + ModeName(d.Mode) + " call=" + calls[int(d.Call)] + " rings=" +
                std::to_string(d.Ring.RingsTotal()) + " stream_bytes=" + std::to_string(d.Voice.StreamBytes()) +
                " samples=" + std::to_string(d.Voice.Samples()) + " vsm=" + std::to_string(r.Cml) + "," +
                std::to_string(r.Rate);
       }},
      {"cmds?",
       [](ModemDevice& d, const Words&, const Options&, double) {
         std::string j = "[";
         for (size_t k = 0; k < d.At.Lines.size(); ++k) j += (k ? "," : "") + Log::Quote(d.At.Lines[k]);
         return "ok " + j + "]";
       }},
      {"line?",
       [](ModemDevice& d, const Words&, const Options&, double) {
         return d.At.LineAtCommand.empty() ? std::string("error no command yet") : "ok " + d.At.LineAtCommand;
       }},
      {"cmds-clear",
       [](ModemDevice& d, const Words&, const Options&, double) {
         d.At.Lines.clear();
         return std::string("ok");
       }},
      {"log?",
       [](ModemDevice& d, const Words&, const Options&, double) {
         std::string j = "[", key = "\"port\":" + Log::Quote(d.Name) + ",";
         const std::string& t = d.Events.Tail();
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
       }},
  };
  for (const Verb& v : verbs)
    if (w[0] == v.Name) return v.Run(*this, w, OptionsOf(w, 1), now);
  return Unknown(w[0]);
}
