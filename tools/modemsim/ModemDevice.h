#pragma once
#include "AtInterpreter.h"
#include "Device.h"
#include "Profile.h"
#include "Ringer.h"
#include "VoiceStreamer.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

enum class ModemMode { Command, Receive, Transmit };
enum class CallState { Idle, Ringing, Connected, FarHungUp };

// A V.253 voice modem on one pty. The device holds what its pieces share (the profile, the
// registers, the hook, the call, the timed output) and hands the port's events to them: the AT
// interpreter, the ringer with caller ID, and the voice streamer after +VRX. Its control verbs are
// in ControlVerbs.cpp.
class ModemDevice : public Device {
public:
  ModemDevice(Pty& pty, Log& log, std::string name, const Profile& profile, double speed, std::string dumpDir);

  void Opened(double now) override;
  std::string Closed(double now) override;
  void Received(const std::string& bytes, double now) override;
  void Tick(double now) override;
  double NextDue(double now) const override;
  std::string Control(const std::vector<std::string>& words, double now) override;

  // What a scenario may react to: "cmd" (with the line), "vrx" and "ring_end".
  std::function<void(const std::string& kind, const std::string& text)> OnEvent;
  // Lines the DTE sent, in order (for "expect ... cmd").
  const std::vector<std::string>& Commands() const { return At.Lines; }

private:
  friend class AtInterpreter;
  friend class Ringer;
  friend class VoiceStreamer;

  // Factory settings of the registers; the line goes on-hook.
  void Reset();
  void OffHook(double now);
  void OnHook(double now);
  void SetCall(CallState c, const std::string& why);
  // Unsolicited reports (RING, caller ID) reach the DTE only now.
  bool CanReport() const;
  void Emit(const std::string& kind, const std::string& text = "");
  // Bytes written at a later time, in order of time.
  void Schedule(double at, const std::string& bytes, const std::string& logText);
  void FlushTimed(double upTo = 1e300);
  double StreamSpeed() const { return P.Speed * GlobalSpeed; }

  Profile P;
  double GlobalSpeed;
  std::string DumpDir;  // where each stream's bytes are written, when set
  AtRegisters Reg;
  ModemMode Mode = ModemMode::Command;
  bool OffHookState = false;
  CallState Call = CallState::Idle;
  double AnsweredAt = -1;
  double BusyUntil = 0;  // a reply is being made until then: later input waits
  std::multimap<double, std::pair<std::string, std::string>> Timed;  // bytes, log text

  AtInterpreter At;
  Ringer Ring;
  VoiceStreamer Voice;
};
