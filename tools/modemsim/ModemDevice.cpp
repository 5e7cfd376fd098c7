#include "ModemDevice.h"
#include "Log.h"
#include "Pty.h"

#include <algorithm>

ModemDevice::ModemDevice(Pty& pty, Log& log, std::string name, const Profile& profile, double speed, std::string dumpDir)
    : Device(pty, log, std::move(name)), P(profile), GlobalSpeed(speed), DumpDir(std::move(dumpDir)), At(*this),
      Ring(*this), Voice(*this) {
  Reset();
}

void ModemDevice::Reset() {
  Reg.Echo = Reg.Verbose = true;
  Reg.Quiet = false;
  Reg.S = {{0, 0}, {3, 13}, {4, 10}, {5, 8}, {7, 50}};
  Reg.Fclass = "0";
  Reg.Vcid = Reg.VdrA = Reg.VdrB = Reg.Vnh = Reg.Vls = Reg.Vit = 0;
  Reg.Vgr = Reg.Vgt = 128;
  Reg.Sds = 128;
  Reg.Sdi = 0;
  Reg.Cml = P.DefaultCml;
  Reg.Rate = P.DefaultRate;
  OnHook(0);
}

// ---- the port ----

void ModemDevice::Received(const std::string& bytes, double now) {
  std::string rest;
  for (unsigned char b : bytes) {
    // Flow control from the DTE is never a command or an abort character. (During +VTX the
    // bytes are voice data.)
    if (b == 0x13 && Mode != ModemMode::Transmit) {
      Line.Hold(true);
    } else if (b == 0x11 && Mode != ModemMode::Transmit) {
      Line.Hold(false);
      Line.Flush();
    } else {
      rest += char(b);
    }
  }
  At.Received(rest, now);
}

void ModemDevice::Opened(double) {}

std::string ModemDevice::Closed(double now) {
  // The DTE closed the port: a DTR drop. Stop at once; nothing is written to a closed port.
  std::string fields = "\"stream_bytes\":" + std::to_string(Voice.StreamBytes()) + ",\"mode\":" +
                       Log::Quote(Mode == ModemMode::Receive    ? "receive"
                                  : Mode == ModemMode::Transmit ? "transmit"
                                                                : "command");
  if (Mode == ModemMode::Receive) Voice.Stop("dtr_drop");
  Mode = ModemMode::Command;
  At.Clear();
  Timed.clear();
  BusyUntil = 0;
  Reg.Vls = 0;
  OnHook(now);
  Reg.Fclass = "0";
  if (P.DtrResets) Reset();
  return fields;
}

// ---- hook and call ----

void ModemDevice::SetCall(CallState c, const std::string& why) {
  if (c == Call) return;
  Call = c;
  static const char* names[] = {"idle", "ringing", "connected", "far_hung_up"};
  Events.Event(Name, "call", "\"state\":" + Log::Quote(names[int(c)]) + ",\"why\":" + Log::Quote(why));
}

void ModemDevice::OffHook(double) {
  if (OffHookState) return;
  OffHookState = true;
  Events.Event(Name, "hook", "\"state\":\"off\"");
  if (Call == CallState::Ringing) {
    // The program should only have listened: the modem took a ringing call.
    Ring.Stop();
    Events.Event(Name, "answer_by_modem");
    Emit("ring_end");
    SetCall(CallState::Connected, "answer_by_modem");
  }
}

void ModemDevice::OnHook(double) {
  if (Mode == ModemMode::Receive) Voice.Stop("on_hook");
  if (!OffHookState) return;
  OffHookState = false;
  Events.Event(Name, "hook", "\"state\":\"on\"");
  if (Call == CallState::FarHungUp) SetCall(CallState::Idle, "on_hook");
}

bool ModemDevice::CanReport() const {
  return Line.IsOpen() && !OffHookState && Mode == ModemMode::Command && !P.Dead &&
         (Reg.Fclass == "0" || Reg.Fclass == "8");
}

void ModemDevice::Emit(const std::string& kind, const std::string& text) {
  if (OnEvent) OnEvent(kind, text);
}

// ---- timed output and the loop ----

void ModemDevice::Schedule(double at, const std::string& bytes, const std::string& logText) {
  Timed.emplace(at, std::make_pair(bytes, logText));
}

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
  if (At.HasInput()) At.ProcessInput(now);
  Ring.Tick(now);
  Voice.Tick(now);
}

double ModemDevice::NextDue(double now) const {
  double due = std::min({Device::NextDue(now), Ring.NextDue(), Voice.NextDue()});
  if (!Timed.empty()) due = std::min(due, Timed.begin()->first);
  if (At.HasInput()) due = std::min(due, BusyUntil);
  return due;
}
