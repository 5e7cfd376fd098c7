#include "VoiceStreamer.h"
#include "Hex.h"
#include "Log.h"
#include "ModemDevice.h"
#include "Pty.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {
const char DLE = 0x10, ETX = 0x03;

std::string Get(const std::map<std::string, std::string>& o, const std::string& key, const std::string& fallback) {
  auto it = o.find(key);
  return it != o.end() ? it->second : fallback;
}
}  // namespace

VoiceStreamer::~VoiceStreamer() { CloseDumps(); }

void VoiceStreamer::CloseDumps() {
  if (DumpRaw) fclose(DumpRaw);
  if (DumpOut) fclose(DumpOut);
  DumpRaw = DumpOut = nullptr;
}

void VoiceStreamer::Start(double at) {
  const AtRegisters& reg = D.Reg;
  StreamStart = at;
  SamplesSent = RawBytes = OutBytes = Dropped = QuietRun = 0;
  DleSeen = VoiceSeen = SilenceSent = EndOfMessageSent = OverrunShown = false;
  Current.reset();
  PendingEvents.clear();
  ++Streams;
  const Compression* c = D.P.Find(reg.Cml);
  D.Events.Event(D.Name, "vrx_start", "\"cml\":" + std::to_string(reg.Cml) + ",\"rate\":" + std::to_string(reg.Rate) +
                                          ",\"encoding\":" + std::to_string(c ? int(c->Enc) : 0));
  if (!D.DumpDir.empty()) {
    std::string base = D.DumpDir + "/" + D.Name + "." + std::to_string(Streams);
    DumpRaw = fopen((base + ".raw").c_str(), "wb");
    DumpOut = fopen((base + ".dle").c_str(), "wb");
    if (!DumpRaw || !DumpOut) D.Events.Event(D.Name, "dump_error", "\"path\":" + Log::Quote(base));
  }
  D.Emit("vrx");
  if (D.P.TimelineFromAnswer && D.Call == CallState::Connected && D.AnsweredAt >= 0 && at > D.AnsweredAt)
    SkipToAnswer(at);
}

void VoiceStreamer::SkipToAnswer(double at) {
  long long skip = (long long)((at - D.AnsweredAt) * D.Reg.Rate);
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
  D.Events.Event(D.Name, "timeline_skip", "\"seconds\":" + std::to_string(at - D.AnsweredAt));
}

void VoiceStreamer::FarHangup() {
  Timeline.clear();
  if (D.Mode == ModemMode::Receive) Current.reset();
}

Segment& VoiceStreamer::CurrentSegment() {
  int rate = D.Reg.Rate;
  while (!Current || Current->Remaining == 0) {
    SegPos = 0;
    NextAutoEvent = rate;  // about 1 s after a tone starts, then every 4 s
    if (!Timeline.empty()) {
      Current = std::move(Timeline.front());
      Timeline.pop_front();
      if (Current->FarHangup) {
        D.SetCall(CallState::FarHungUp, "far_end");
        continue;  // a mark, no samples: the hang-up tone follows once the timeline is empty
      }
    } else if (D.Call == CallState::FarHungUp) {
      auto tones = HangupTone(D.P.Country, rate);
      Current = std::move(tones.front());
      for (size_t k = 1; k < tones.size(); ++k) Timeline.push_back(std::move(tones[k]));
    } else if (D.Call == CallState::Idle) {
      Current = DialTone(D.P.Country, rate);  // off-hook on an idle line
    } else {
      std::string error;
      Current = ParseSegment(SplitWords(D.P.AfterScript), D.P.Country, rate, error);
      if (!Current) Current = Silence();
    }
    D.Events.Event(D.Name, "segment", "\"source\":" + Log::Quote(Current->Text.empty() ? "default" : Current->Text));
  }
  return *Current;
}

void VoiceStreamer::Chunk(int samples) {
  int rate = D.Reg.Rate;
  const Compression* c = D.P.Find(D.Reg.Cml);
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
    bool autoEvents = D.P.DleEvents && s.EventsOn;
    if (s.Silent()) {
      QuietRun += n;
    } else {
      VoiceSeen = true;
      QuietRun = 0;
    }
    SegPos += n;
    if (autoEvents && s.AutoEvent() && SegPos >= NextAutoEvent) {
      events += std::string{DLE, s.AutoEvent()};
      NextAutoEvent += 4LL * rate;
    }
    for (auto& d : s.TakeDigits())
      if (autoEvents) events += std::string{DLE, d.second};
    if (s.Remaining > 0) s.Remaining -= n;
    left -= n;
  }
  // +VSD: silence from the start is a presumed hang-up (s), silence after voice the end of a
  // message (q); each is told once.
  if (D.Reg.Sdi > 0 && D.P.DleEvents && QuietRun >= (long long)D.Reg.Sdi * rate / 10) {
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
    if (b == DLE && D.P.Shield) out += DLE;
  }
  out += events;
  for (size_t k = 0; k + 1 < events.size(); k += 2)
    D.Events.Event(D.Name, "dle", "\"code\":" + Log::Quote(std::string(1, events[k + 1])));

  // A modem-sized buffer (2 s of data, in paced time): beyond it data is dropped.
  size_t limit = size_t(2.0 * rate * BytesPerSample(enc) * std::max(1.0, D.StreamSpeed()));
  if (D.Line.Queued() + out.size() > limit) {
    Dropped += (long long)raw.size();
    if (!OverrunShown) {
      OverrunShown = true;
      D.Events.Event(D.Name, "overrun", "\"queued\":" + std::to_string(D.Line.Queued()));
      if (D.P.Overrun) D.Line.Write(std::string{DLE, 'o'});
    }
    return;
  }
  OverrunShown = false;
  if (DumpRaw && fwrite(raw.data(), 1, raw.size(), DumpRaw) != raw.size()) D.Events.Event(D.Name, "dump_error");
  if (DumpOut && fwrite(out.data(), 1, out.size(), DumpOut) != out.size()) D.Events.Event(D.Name, "dump_error");
  RawBytes += (long long)raw.size();
  OutBytes += (long long)out.size();
  D.Line.Write(out);
}

void VoiceStreamer::Tick(double now) {
  if (D.Mode != ModemMode::Receive || now < StreamStart) return;
  int rate = D.Reg.Rate;
  long long due = (long long)((now - StreamStart) * rate * D.StreamSpeed());
  int chunk = std::max(1, rate / 50);  // 20 ms
  for (int k = 0; k < 200 && SamplesSent + chunk <= due && D.Mode == ModemMode::Receive; ++k) Chunk(chunk);
}

double VoiceStreamer::NextDue() const {
  if (D.Mode != ModemMode::Receive) return std::numeric_limits<double>::infinity();
  int rate = D.Reg.Rate;
  int chunk = std::max(1, rate / 50);
  return StreamStart + double(SamplesSent + chunk) / (rate * D.StreamSpeed());
}

bool VoiceStreamer::Input(unsigned char b, double) {
  bool abort = (DleSeen && b == '!') || (D.P.Is101Abort && b != DLE && !(DleSeen && b == DLE));
  DleSeen = !DleSeen && b == DLE;
  if (!abort) return false;  // swallowed, as real modems do
  Stop("dte_abort");
  D.Line.DropQueue();
  D.FlushTimed();  // a CONNECT not yet written still goes first
  D.Line.Write(std::string{DLE, ETX} + D.At.Code(D.P.AbortVcon ? "VCON" : "OK"));
  return true;
}

void VoiceStreamer::Stop(const std::string& why) {
  if (D.Mode != ModemMode::Receive) return;
  D.Mode = ModemMode::Command;
  DleSeen = false;
  D.Line.Hold(false);
  D.Events.Event(D.Name, "vrx_end", "\"why\":" + Log::Quote(why) + ",\"samples\":" + std::to_string(SamplesSent) +
                                        ",\"raw_bytes\":" + std::to_string(RawBytes) + ",\"stream_bytes\":" +
                                        std::to_string(OutBytes) + ",\"dropped\":" + std::to_string(Dropped));
  CloseDumps();
  Current.reset();
}

void VoiceStreamer::End(const std::map<std::string, std::string>& o, double now) {
  std::string ev = Get(o, "event", ""), result = Get(o, "result", "ok"), hook = Get(o, "hook", "off");
  std::string out;
  if (!ev.empty()) out += std::string{DLE, ev[0]};
  out += std::string{DLE, ETX};
  if (result == "ok") out += D.At.Code("OK");
  else if (result == "nocarrier") out += D.At.Code("NO CARRIER");
  Stop("dce_end");
  D.FlushTimed();
  D.Line.Write(out);
  if (hook == "on") {
    D.Reg.Vls = 0;
    D.OnHook(now);
  }
}
