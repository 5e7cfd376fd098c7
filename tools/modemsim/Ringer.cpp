#include "Ringer.h"
#include "Hex.h"
#include "Log.h"
#include "ModemDevice.h"
#include "Pty.h"

#include <algorithm>
#include <limits>

namespace {
const char DLE = 0x10;

std::string Get(const std::map<std::string, std::string>& o, const std::string& key, const std::string& fallback) {
  auto it = o.find(key);
  return it != o.end() ? it->second : fallback;
}

// The ring's on time and period for a cadence name; false if unknown.
bool Cadence(const std::string& name, double& on, double& period) {
  if (name == "NA") on = 2, period = 6;
  else if (name == "EU" || name == "DE") on = 1, period = 5;
  else if (name == "UK") on = 1, period = 3;
  else if (name == "fast") on = 0.5, period = 2;
  else return false;
  return true;
}
}  // namespace

bool Ringer::Start(const std::map<std::string, std::string>& o, double now, std::string& error) {
  Active = false;
  Count = -1;
  Sent = 0;
  Cid.clear();
  CidAt = -1;
  std::string cadence = Get(o, "cadence", D.P.Country);
  double on = 1.0, period = 5.0;
  if (!Cadence(cadence, on, period)) {
    error = "bad cadence " + cadence;
    return false;
  }
  long n = 0;
  if (o.count("every")) {
    if (!ParseLong(o.at("every"), n) || n < 100) {
      error = "bad every";
      return false;
    }
    period = n / 1000.0;
    on = std::min(on, period / 3);
  }
  Gaps = {period};
  if (cadence == "UK" && Get(o, "ukpair", "0") == "1") Gaps = {0.6, period - 0.6};
  if (o.count("count")) {
    if (!ParseLong(o.at("count"), n) || n < 1) {
      error = "bad count";
      return false;
    }
    Count = int(n);
  }
  std::string cid = Get(o, "cid", "between");
  double first = now;
  if (o.count("first") && ParseLong(o.at("first"), n) && n >= 0) first += n / 1000.0;
  for (auto& kv : o)
    if (kv.first.compare(0, 4, "cid.") == 0) Cid[kv.first.substr(4)] = kv.second;
  if (cid == "before") {
    CidAt = first;
    first += 0.8;
  } else if (cid == "between") {
    CidAt = first + std::min(on + 0.5, 0.6 * Gaps[0]);
  } else if (cid != "none") {
    error = "bad cid timing " + cid;
    return false;
  }
  CidCoalesce = Get(o, "cid.write", "") == "coalesce";
  Next = first;
  Active = true;
  D.SetCall(CallState::Ringing, "ring");
  return true;
}

std::string Ringer::CidBlock(const std::map<std::string, std::string>& o) const {
  std::string date = Get(o, "date", "0321"), time = Get(o, "time", "1405"), nmbr = Get(o, "nmbr", "5551234567"),
              name = Get(o, "name", "DOE JOHN");
  if (Get(o, "bad", "0") == "1") return "";  // a checksum error: real modems print nothing
  if (D.Reg.Vcid == 2) {
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
  std::string eq = Get(o, "form", "spaces") == "tight" ? "=" : " = ";
  std::string b = "\r\nDATE" + eq + date + "\r\nTIME" + eq + time + "\r\n";
  if (o.count("errm")) b += "ERRM" + eq + o.at("errm") + "\r\n";
  if (Get(o, "nmbr", "x") != "") b += "NMBR" + eq + nmbr + "\r\n";
  if (Get(o, "name", "x") != "") b += "NAME" + eq + name + "\r\n";
  if (o.count("mesg")) b += "MESG" + eq + o.at("mesg") + "\r\n";
  return b;
}

void Ringer::SendCid(const std::map<std::string, std::string>& o, double now, const std::string& extra) {
  if (D.Reg.Vcid == 0 || !D.CanReport()) {
    D.Events.Event(D.Name, "cid", "\"sent\":false");
    if (!extra.empty()) D.Line.Write(extra);
    return;
  }
  std::string block = CidBlock(o);
  D.Events.Event(D.Name, "cid",
                 "\"sent\":" + std::string(block.empty() ? "false" : "true") + ",\"text\":" + Log::Quote(block));
  if (Get(o, "write", "") == "split") {
    for (size_t k = 0; k < block.size(); ++k) D.Schedule(now + 0.004 * double(k), block.substr(k, 1), "");
    if (!extra.empty()) D.Schedule(now + 0.004 * double(block.size()), extra, "");
    return;
  }
  D.Line.Write(block + extra);
}

void Ringer::Tick(double now) {
  if (!Active) return;
  if (CidAt >= 0 && now >= CidAt && !CidCoalesce) {
    CidAt = -1;
    SendCid(Cid, now);
  }
  if (now < Next) return;
  ++Sent;
  ++Total;
  std::string ring;
  bool dleRing = D.P.DleRing && D.Reg.Fclass == "8";
  if (D.CanReport() && !D.Reg.Quiet) {
    if (D.P.RingText || !dleRing) ring = D.At.Code("RING");
    if (dleRing) ring += std::string{DLE, 'R'};
  }
  D.Events.Event(D.Name, "ring",
                 "\"n\":" + std::to_string(Sent) + ",\"reported\":" + (ring.empty() ? "false" : "true"));
  if (CidAt >= 0 && CidCoalesce && Sent >= 2) {
    CidAt = -1;
    SendCid(Cid, now, ring);
  } else {
    D.Line.Write(ring);
  }
  Next += Gaps[size_t(Sent - 1) % Gaps.size()];
  if (Count > 0 && Sent >= Count) {
    Active = false;
    D.Events.Event(D.Name, "ring_end", "\"rings\":" + std::to_string(Sent));
    D.Emit("ring_end");
    if (D.Call == CallState::Ringing) D.SetCall(CallState::Idle, "rings_ended");
  }
}

double Ringer::NextDue() const {
  if (!Active) return std::numeric_limits<double>::infinity();
  return CidAt >= 0 && !CidCoalesce ? std::min(Next, CidAt) : Next;
}
