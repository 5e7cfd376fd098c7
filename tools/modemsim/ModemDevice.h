#pragma once
#include "Audio.h"
#include "Device.h"
#include "Profile.h"

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A V.253 voice modem on one pty: the AT interpreter, the line with its rings and caller ID, and
// the DLE-shielded voice stream after +VRX.
class ModemDevice : public Device {
public:
  ModemDevice(Pty& pty, Log& log, std::string name, const Profile& profile, double speed, std::string dumpDir);
  ~ModemDevice() override;

  void Opened(double now) override;
  std::string Closed(double now) override;
  void Received(const std::string& bytes, double now) override;
  void Tick(double now) override;
  double NextDue(double now) const override;
  std::string Control(const std::vector<std::string>& words, double now) override;

  // What a scenario may react to: "cmd" (with the line) and "vrx".
  std::function<void(const std::string& kind, const std::string& text)> OnEvent;
  // Lines the DTE sent, in order (for "expect ... cmd").
  const std::vector<std::string>& Commands() const { return Lines; }

private:
  enum class Mode { Command, Receive, Transmit };
  enum class Call { Idle, Ringing, Connected, FarHungUp };
  struct Result {
    std::vector<std::string> Info;
    std::string Code = "OK";  // OK, ERROR, CONNECT, VCON, or "" for none
    double Delay = -1;
  };
  struct Override {
    std::string Pattern, Spec;
  };
  struct Ringer {
    bool Active = false;
    int Count = -1, Sent = 0;
    double Next = 0;
    std::vector<double> Gaps;  // from one RING to the next, cycled
    std::map<std::string, std::string> Cid;
    double CidAt = -1;
    bool CidCoalesce = false;
  };

  // Commands.
  void ProcessInput(double now);
  void CommandByte(unsigned char b, double now);
  void ExecuteLine(const std::string& line, double now);
  bool Basic(const std::string& body, size_t& i, Result& r);
  bool Extended(const std::string& name, const std::string& form, const std::string& args, Result& r, double now);
  void Reset();
  void SendResult(const Result& r, double now, const std::string& overrideSpec);
  std::string Code(const std::string& code) const;
  std::string InfoText(const std::string& text) const;
  void Schedule(double at, const std::string& bytes, const std::string& logText);
  void FlushTimed(double upTo = 1e300);  // writes what is scheduled up to then

  // Line and calls.
  void OffHook(double now);
  void OnHook(double now);
  bool CanReport() const;
  void StartRing(const std::map<std::string, std::string>& o, double now, std::string& error);
  void RingTick(double now);
  std::string CidBlock(const std::map<std::string, std::string>& o) const;
  void SendCid(const std::map<std::string, std::string>& o, double now, const std::string& extra = "");
  void SetCall(Call c, const std::string& why);

  // Voice stream.
  void StartStream(double at, double now);
  void StreamTick(double now);
  void StreamChunk(int samples);
  Segment& CurrentSegment();
  bool StreamInput(unsigned char b, double now);  // true: the DTE aborted the stream
  void StopStream(const std::string& why, double now);
  void EndStream(const std::map<std::string, std::string>& o, double now);
  long long StreamRate() const { return (long long)Rate; }

  Profile P;
  double GlobalSpeed;
  std::string DumpDir;
  // AT state.
  bool Echo = true, Verbose = true, Quiet = false, EchoStuck = false;
  std::map<int, int> S;
  std::string Fclass = "0";
  int Vcid = 0, VdrA = 0, VdrB = 0, Vnh = 0, Vls = 0, Vgr = 128, Vgt = 128, Sds = 128, Sdi = 0, Vit = 0;
  int Vra = 50, Vrn = 10, Vtd = 100, VbtA = 0, VbtB = 0, Vpp = 0, Vpr = 0, Flo = 0;
  int Cml = 1, Rate = 8000;
  bool OffHookState = false;
  Mode M = Mode::Command;
  std::string Input, LineBuf;
  bool Overlong = false, DleSeen = false;
  double BusyUntil = 0;
  std::multimap<double, std::pair<std::string, std::string>> Timed;  // bytes, log text
  std::vector<Override> Overrides;
  std::vector<std::string> Lines;
  std::string LineAtCommand;  // the line settings when the last command line came
  // Line.
  Call CallState = Call::Idle;
  Ringer R;
  int RingsTotal = 0;
  double AnsweredAt = -1;
  // Stream.
  double StreamStart = 0;
  long long SamplesSent = 0, RawBytes = 0, OutBytes = 0, Dropped = 0;
  long long QuietRun = 0, SegPos = 0, NextAutoEvent = 0;
  bool VoiceSeen = false, SilenceSent = false, EndOfMessageSent = false, OverrunShown = false;
  std::deque<std::unique_ptr<Segment>> Timeline;
  std::unique_ptr<Segment> Current;
  std::string PendingEvents;
  FILE* DumpRaw = nullptr;
  FILE* DumpOut = nullptr;
  int Streams = 0;
};
