#include "ModemEngine.h"
#include "AudioConvertor.h"
#include "AudioStreams.h"
#include "Compression.h"
#include "EventLog.h"
#include "Exception.h"
#include "FileUtils.h"
#include "LiveSettings.h"
#include "MessagePump.h"
#include "MessageWindow.h"
#include "ModemParams.h"
#include "ProgramDir.h"
#include "SettingsFile.h"
#include "SysUtils.h"
#include <cfenv>
#include <cmath>
#include <cstring>

TdeAbstractAudioWriter* RecordWriter = nullptr;
TfmModem* fmModem = nullptr;

namespace {
constexpr UINT WM_RUNSTOP = WM_APP + 1;
constexpr UINT WM_PORTLOST = WM_APP + 2;
constexpr DWORD PortWaitMs = 10000;
const char* const ModemCompressionFile = "ModemCompression.cpn";
}  // namespace

bool ReadModemCompression(TdeWaveFormat& format) {
  TdeWaveFormat read;
  if (!g_Ini || !g_Ini->ReadFormat("Modem compression", read)) return false;
  if (!read.ShapeFault().empty()) return false;
  format = read;
  return true;
}

bool ModemFormatKnown() {
  TdeWaveFormat format;
  return FileExists(ProgramPath(ModemCompressionFile)) || ReadModemCompression(format);
}

TfmModem::TfmModem(TComponent* owner)
    : TfmModem(owner, NewScomModemPort(), NewWindowTimer(), NewWindowTimer(), NewHiTimer(),
               NewWindowTimer()) {}

TfmModem::TfmModem(TComponent* owner, std::unique_ptr<TModemPort> port,
                   std::unique_ptr<TModemTimer> cmdTimeout, std::unique_ptr<TModemTimer> ringSpan,
                   std::unique_ptr<TModemTimer> tick, std::unique_ptr<TModemTimer> voiceWatch)
    : TComponent(owner),
      port_(std::move(port)),
      cmdTimeout_(std::move(cmdTimeout)),
      ringSpan_(std::move(ringSpan)),
      tick_(std::move(tick)),
      voiceWatch_(std::move(voiceWatch)) {
  Setup();
  if (!fmModem) fmModem = this;
}

TfmModem::~TfmModem() {
  port_->OnTriggerAvail = nullptr;
  port_->OnPortOpen = nullptr;
  port_->OnPortClose = nullptr;
  port_->OnPortLost = nullptr;
  if (fmModem == this) fmModem = nullptr;
}

void TfmModem::Setup() {
  port_->OnTriggerAvail = [this](int count) { ComPort1TriggerAvail(count); };
  port_->OnPortOpen = [this] { ComPort1PortOpen(); };
  port_->OnPortClose = [this] { ComPort1PortClose(); };
  port_->OnPortLost = [this](const std::string& reason) { ComPort1PortLost(reason); };
  rearm_ = NewWindowTimer();
  rearm_->SetEnabled(false);
  rearm_->SetInterval(RearmInterval);
  rearm_->OnTimer = [this] { tmRearmTimer(); };
  for (TModemTimer* t : {cmdTimeout_.get(), ringSpan_.get(), voiceWatch_.get()}) t->SetEnabled(false);
  tick_->SetEnabled(false);
  tick_->SetInterval(100);
  cmdTimeout_->OnTimer = [this] { tmCmdTimeoutTimer(); };
  ringSpan_->OnTimer = [this] { tmRingSpanTimer(); };
  tick_->OnTimer = [this] { timer1Timer(); };
  voiceWatch_->OnTimer = [this] { tmVoiceWatchTimer(); };
  voiceWatch_->SetInterval(VoiceSilenceLimit);

  window_ = std::make_unique<TMessageWindow>(
      "TfmModem", [this](UINT msg, WPARAM w, LPARAM l, LRESULT& r) { return OnMessage(msg, w, l, r); });

  cnvWav = new TdeAudioConvertor(this);
  cnvWav->OnAudioConverted = [this](TComponent*, const void* data, int size, bool&) {
    cnvWavAudioConverted(data, size);
  };
  DisplayConvert = new TdeAudioConvertor(this);
  TdeWaveFormat trace;
  trace.SetFormatTag(WAVE_FORMAT_PCM);
  trace.SetChannels(1);
  trace.SetSamplesPerSec(TraceRate);
  trace.SetBitsPerSample(8);
  trace.SetBlockAlign(1);
  trace.SetAvgBytesPerSec(TraceRate);
  DisplayConvert->SetFormatOut(trace);
  DisplayConvert->OnAudioConverted = [this](TComponent*, const void* data, int size, bool&) {
    DisplayConvertAudioConverted(data, size);
  };

  ConvertedBlock.assign(10001, 0);
  TraceFrame.assign(TraceFrameSize + 1, 0);
  Voice.OnWavBlock = [this](uint8_t* block, int size) { WavBlock(block, size); };
  Voice.OnTraceBlock = [this](uint8_t* block, int size) { TraceBlock(block, size); };
  Voice.OnEvent = [this](uint8_t code) { VoiceEvent(code); };
  Detector.OnLine = [](const std::string& line) { AddEvent(line); };

  int ms = 0;
  RingPeriodKnown = g_Ini && g_Ini->ReadRingTimeOut(ms);
  if (RingPeriodKnown) RingTimeOut = ms;
}

void TfmModem::Pause(unsigned ms) { Sleep(ms); }

DWORD TfmModem::TickCount() { return GetTickCount(); }

bool TfmModem::WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  return PumpUntil(done, timeoutMs);
}

bool TfmModem::Wait(const std::function<bool()>& done, DWORD timeoutMs) {
  ++waiting_;
  struct Leave {
    TfmModem& m;
    ~Leave() {
      if (--m.waiting_ == 0 && m.lostPending_) PostMessageA(m.window_->Handle(), WM_PORTLOST, 0, 0);
    }
  } leave{*this};
  return WaitFor(done, timeoutMs);
}

void TfmModem::Note(const std::string& line) {
  if (!quiet_) AddEvent(line);
}

// ---- Command dialogue ----

bool TfmModem::SendLine(const std::string& command, const std::string* description) {
  std::string line = command + '\r';
  Pause(100);
  if (portLost_) return false;  // its device is gone: nothing can be sent
  try {
    port_->FlushInBuffer();
    if (port_->OutBuffFree() < static_cast<int>(line.size())) return false;
    ReplyArrived = false;
    ReplyKeyword.clear();
    RawReply.Clear();
    port_->PutString(line);
  } catch (const std::exception& e) {
    Note(e.what());  // a port that went away: nothing was sent
    return false;
  }
  if (description) Note(*description);
  cmdTimeout_->SetEnabled(false);
  // A time-out below a second would never end the wait (a timer of 0 ms does not run).
  cmdTimeout_->SetInterval(static_cast<unsigned>(LiveSettings.TimeOut < 1 ? 1 : LiveSettings.TimeOut) * 1000);
  cmdTimeout_->SetEnabled(true);
  Wait([this] { return ReplyArrived; }, INFINITE);
  cmdTimeout_->SetEnabled(false);
  return true;
}

TSendResult TfmModem::SendQuery(const std::string& command, std::string& reply) {
  if (!SendLine(command, nullptr)) return TSendResult::NotSent;
  if (ReplyKeyword == "ok") {
    reply = RawReply.QueryText();
    return TSendResult::Expected;
  }
  if (ReplyKeyword == "error") {
    reply = "error";
    return TSendResult::ErrorReply;
  }
  if (ReplyKeyword == "time out") {
    reply = "time out";
    return TSendResult::TimedOut;
  }
  reply = RawReply.QueryText();
  return TSendResult::OtherReply;
}

TSendResult TfmModem::SendCommand(const std::string& command, const std::string& description,
                                  const std::string& expected) {
  if (!SendLine(command, &description)) return TSendResult::NotSent;
  if (UpperCase(ReplyKeyword) == UpperCase(expected)) {
    Note(expected);
    return TSendResult::Expected;
  }
  if (ReplyKeyword == "error") {
    Note("error");
    return TSendResult::ErrorReply;
  }
  if (ReplyKeyword == "time out") {
    Note("time out");
    return TSendResult::TimedOut;
  }
  return TSendResult::OtherReply;
}

bool TfmModem::SendNoWait(const std::string& command, const std::string& description) {
  std::string line = command + '\r';
  Pause(100);
  if (portLost_) return false;
  try {
    if (port_->OutBuffFree() < static_cast<int>(line.size())) return false;
    port_->PutString(line);
  } catch (const std::exception& e) {
    AddEvent(e.what());
    return false;
  }
  AddEvent(description);
  return true;
}

bool TfmModem::InitModem() {
  if (portLost_) return false;  // told already; nothing can be sent
  auto answers = [this](const std::string& command, const std::string& description) {
    return SendCommand(command, description, "ok") == TSendResult::Expected;
  };
  // Each command is sent even after one failed: a modem may refuse one and take the rest.
  bool answered = answers("atz", "Modem Reset..");
  answered = answers("atE0", "echo off..") && answered;
  answered = answers("ats0=0", "Setting autoanswer off..") && answered;
  if (LiveSettings.CallerID) {
    if (!IsRefused(ModemParams.ForCallerId)) {
      answered = answers(ModemParams.ForCallerId, "Enable caller ID..") && answered;
      CallerNumber.clear();
    }
  } else if (!IsRefused(ModemParams.DisCallerId)) {
    answered = answers(ModemParams.DisCallerId, "Disable caller ID..") && answered;
  }
  if (!answered) Note("modem on COM" + IntToStr(port_->ComNumber()) + " does not answer");
  return answered;
}

bool TfmModem::OpenPort(int port, bool initialise) {
  return OpenWith([&] { port_->Open(port, LiveSettings.Baudrate(), LiveSettings.FlowControl()); }, initialise);
}

bool TfmModem::OpenPortAsIs(int port) {
  return OpenWith([&] { port_->OpenAsIs(port); }, false);
}

bool TfmModem::OpenWith(const std::function<void()>& open, bool initialise) {
  if (PortOpened) return true;
  try {
    PortOpened = false;
    open();
    Wait([this] { return PortOpened; }, PortWaitMs);
  } catch (const std::exception& e) {
    Note(e.what());
    return false;
  }
  if (!PortOpened) return false;
  if (initialise) InitModem();
  return true;
}

bool TfmModem::ClosePort() {
  voiceWatch_->SetEnabled(false);
  if (!PortOpened) {
    VoiceReceiving = false;
    return true;
  }
  try {
    port_->Close();
    Wait([this] { return !PortOpened; }, PortWaitMs);
  } catch (const std::exception& e) {
    Note(e.what());
    return false;
  }
  VoiceReceiving = false;
  return true;
}

void TfmModem::SendVoiceData(const std::string& bytes) {
  for (char c : bytes) {
    while (PortOpened && port_->OutBuffFree() <= 1000) Pause(100);
    if (!PortOpened) return;
    port_->PutChar(c);
  }
}

void TfmModem::ComPort1PortOpen() {
  PortOpened = true;
  portLost_ = false;
  Note("Com port " + IntToStr(port_->ComNumber()) + " opened...");
  if (Host) Host->ModemPortChanged(true);
}

void TfmModem::ComPort1PortClose() {
  PortOpened = false;
  Armed = false;
  Note("Com port " + IntToStr(port_->ComNumber()) + " closed...");
  if (Host) Host->ModemPortChanged(false);
}

void TfmModem::ComPort1PortLost(const std::string& reason) {
  if (!PortOpened || portLost_) return;
  portLost_ = true;
  Note("Com port " + IntToStr(port_->ComNumber()) + " lost: " + reason);
  // A command waiting for its reply gets none; no call is watched on a port that is gone.
  ReplyKeyword = "port lost";
  ReplyArrived = true;
  StopCallWatch();
  // Handled once no wait runs: the handling closes the port, which waits itself.
  lostPending_ = true;
  if (waiting_ == 0) PostMessageA(window_->Handle(), WM_PORTLOST, 0, 0);
}

void TfmModem::HandleLost() {
  lostPending_ = false;
  if (!portLost_ || !PortOpened) return;  // closed or opened anew meanwhile
  // A recording is filed first; the stop then finds the port gone and re-arms.
  if (VoiceReceiving && Host) Host->StopRecording();
  else StartRearm();
}

void TfmModem::StopCallWatch() {
  AutoRecordMode = false;
  ringSpan_->SetEnabled(false);
  tick_->SetEnabled(false);
  CallAnswered = false;
  CallRejected = false;
  RingCount = 0;
  HideCaller();
}

bool TfmModem::Arm(int port) {
  armPort_ = port;
  OpenFailed = !PortOpened && !OpenPort(port, false);
  if (OpenFailed || !InitModem()) {
    StartRearm();
    return false;
  }
  Armed = true;
  rearm_->SetEnabled(false);
  if (rearming_) AddEvent("Modem on COM" + IntToStr(port) + " answers again: armed");
  rearming_ = false;
  if (LiveSettings.AutoRecord) EnableAutoRecord();
  else DisableAutoRecord();
  if (Host) Host->ModemArmed(true);
  return true;
}

void TfmModem::StartRearm() {
  StopCallWatch();
  ClosePort();
  Armed = false;
  rearming_ = true;
  if (Host) Host->ModemArmed(false);
  rearm_->SetEnabled(false);
  rearm_->SetInterval(RearmInterval);
  rearm_->SetEnabled(true);
}

void TfmModem::StopRearm() {
  rearming_ = false;
  rearm_->SetEnabled(false);
}

void TfmModem::tmRearmTimer() {
  // Never inside another dialogue with the modem, nor during a call: the next tick.
  if (waiting_ > 0 || VoiceReceiving || Armed || !rearming_) return;
  rearm_->SetEnabled(false);
  quiet_ = true;
  struct Loud {
    bool& q;
    ~Loud() { q = false; }
  } loud{quiet_};
  Arm(armPort_);
}

// ---- Call handler ----

bool TfmModem::EnableAutoRecord() {
  CallAnswered = false;
  RingCount = 0;
  CallerNumber.clear();
  RawReply.Clear();
  AutoRecordMode = true;
  AddEvent("Enabling autoRecord mode");
  return true;
}

bool TfmModem::DisableAutoRecord() {
  RawReply.Clear();
  AutoRecordMode = false;
  AddEvent("Disabling autoRecord mode");
  return true;
}

void TfmModem::ComPort1TriggerAvail(int count) {
  std::string batch;
  batch.reserve(count > 0 ? static_cast<size_t>(count) : 0);
  try {
    for (int i = 0; i < count; ++i) batch += port_->GetChar();
  } catch (const std::exception&) {
    // Fewer bytes than reported (the buffer was flushed meanwhile): take what came.
  }
  if (VoiceReceiving) VoiceBatch(batch);
  else CommandBatch(batch);
}

void TfmModem::CommandBatch(const std::string& batch) {
  TReplyScan scan = RawReply.Append(batch);
  const char* keyword = scan.Ok ? "ok" : scan.Error ? "error" : scan.Connect ? "connect" : nullptr;
  if (keyword) {
    ReplyKeyword = keyword;
    ReplyArrived = true;
    return;
  }
  if (LiveSettings.CallerID && scan.CallerId) {
    CallerNumber = scan.CallerNumber;
    RawReply.ClearLines();
    AddEvent(CallerLogText(CallerNumber));
    ShowCaller(CallerNumber);
    return;
  }
  if (AutoRecordMode && scan.Ring) {
    if (!SameRing()) {
      HandleRing();
    } else if (ringSpan_->Enabled()) {
      // Not counted, but the line still rings: the ringing ends a span after it.
      ringSpan_->SetEnabled(false);
      ringSpan_->SetEnabled(true);
    }
    RawReply.ClearLines();
  }
}

bool TfmModem::SameRing() {
  DWORD now = TickCount();
  bool same = ringHeard_ && now - lastRing_ < SameRingMs;
  ringHeard_ = true;
  lastRing_ = now;
  return same;
}

void TfmModem::HandleRing() {
  ++RingCount;
  ringSpan_->SetEnabled(false);
  if (LiveSettings.RejectCall && LiveSettings.RejectRings == RingCount) {
    HideCaller();
    AddEvent("Call recording rejected...");
    CallRejected = true;
  }
  unsigned span = FirstRingSpan;
  if (RingPeriodKnown) {
    span = static_cast<unsigned>(RingTimeOut);
  } else if (!tick_->Enabled()) {
    RingTicks = 0;
    tick_->SetEnabled(true);
  } else {
    int64_t measured = static_cast<int64_t>(RingTicks) * tick_->Interval();
    if (measured >= 1000 && measured <= 12000) {
      tick_->SetEnabled(false);
      std::fesetround(FE_TONEAREST);
      RingTimeOut = static_cast<int>(std::nearbyint(static_cast<double>(measured) * 1.3));
      RingPeriodKnown = true;
      span = static_cast<unsigned>(RingTimeOut);
      try {
        if (g_Ini) g_Ini->WriteRingTimeOut(RingTimeOut);
      } catch (const std::exception&) {
        // The settings file logged it; the period still holds for this run.
      }
    } else {
      RingTicks = 0;  // not a ring period: measure again from this ring
    }
  }
  ringSpan_->SetInterval(span);
  ringSpan_->SetEnabled(true);
  AddEvent("ring");
}

void TfmModem::tmRingSpanTimer() {
  HideCaller();
  ringSpan_->SetEnabled(false);
  if (CallRejected) {
    CallRejected = false;
    AddEvent("Calling party hung up");
    EnableAutoRecord();
  } else {
    CallAnswered = true;
    WatchDisconnect = true;
  }
}

void TfmModem::tmCmdTimeoutTimer() {
  ReplyArrived = true;
  ReplyKeyword = "time out";
}

void TfmModem::timer1Timer() { ++RingTicks; }

void TfmModem::ShowCaller(const std::string& number) {
  if (CallerView) CallerView->ShowCaller(number);
}

void TfmModem::HideCaller() {
  if (CallerView) CallerView->HideCaller();
}

// ---- Voice receive ----

void TfmModem::StartVoiceReceive() {
  TraceFrameFill = 0;
  VoiceReceiving = true;
  LineStateCount = 0;
  RawReply.Clear();
  try {
    OpenVoiceStream();
  } catch (...) {
    VoiceReceiving = false;  // no stream without its converters
    throw;
  }
}

void TfmModem::OpenVoiceStream() {
  StrToInt(CurrentCompression.vsr.Get());  // a rate that is no number starts no stream
  // The detector sees trace frames, at the trace rate whatever the modem's.
  Detector.Start(::FramesInDiscTime(LiveSettings.DiscTime, TraceRate));
  compressionName_ = CurrentCompression.Description.Get();
  bits8_ = CurrentCompression.bps.Get() == "8";

  // A converter left open by an earlier stream takes no new formats.
  if (DisplayConvert->Active()) DisplayConvert->Close();
  if (cnvWav->Active()) cnvWav->Close();
  const std::string modemCompressionFile = ProgramPath(ModemCompressionFile);
  if (FileExists(modemCompressionFile)) {
    DisplayConvert->FormatIn().LoadFromFile(modemCompressionFile);
    // Stored before the file goes: a stop between the two must not lose the modem's format.
    if (g_Ini) g_Ini->WriteFormat("Modem compression", DisplayConvert->FormatIn());
    if (!DeleteFileA(modemCompressionFile.c_str()))
      AddEvent("ModemCompression.cpn could not be deleted: " + SysErrorMessage(GetLastError()));
  } else if (!ReadModemCompression(DisplayConvert->FormatIn())) {
    throw Exception("The modem's audio format is not known.");
  }
  cnvWav->SetFormatIn(DisplayConvert->FormatIn());
  cnvWav->SetFormatOut(LiveSettings.FormatOut);

  Voice.Start();
  writeFailed_ = false;
  traceFailed_ = false;
  stopPosted_ = false;
  ++streamSerial_;
  DisplayConvert->Open();
  cnvWav->Open();
  voiceWatch_->SetEnabled(false);
  voiceWatch_->SetEnabled(true);
}

void TfmModem::VoiceBatch(const std::string& batch) {
  tick_->SetEnabled(false);
  if (!batch.empty() && !Voice.Ended()) {
    voiceWatch_->SetEnabled(false);
    voiceWatch_->SetEnabled(true);
    Voice.Feed(reinterpret_cast<const uint8_t*>(batch.data()), static_cast<int>(batch.size()));
    if (Voice.Ended()) {
      voiceWatch_->SetEnabled(false);
      if (WatchDisconnect) HangUp();
      return;
    }
  }
  if (WatchDisconnect && LineStateCount >= TLineStateDetector::HangUpCount) HangUp();
}

void TfmModem::VoiceEvent(uint8_t code) {
  // The modem's own word for the tone that follows a hang-up: busy or dial tone.
  if ((code == 'b' || code == 'd') && VoiceReceiving && WatchDisconnect) HangUp();
}

void TfmModem::EndVoiceReceive() {
  if (!cnvWav->Active()) return;
  Voice.FlushWav();
  if (writeFailed_) return;
  try {
    cnvWav->Flush();
  } catch (const std::exception& e) {
    WriteFailed(e.what());
  }
}

void TfmModem::tmVoiceWatchTimer() {
  voiceWatch_->SetEnabled(false);
  if (VoiceReceiving && WatchDisconnect) HangUp();
}

void TfmModem::HangUp() {
  AddEvent("Disconnect line...");
  Detector.Clear();
  WatchDisconnect = false;
  voiceWatch_->SetEnabled(false);
  PostStop();
}

void TfmModem::PostStop() {
  if (stopPosted_) return;
  stopPosted_ = PostMessageA(window_->Handle(), WM_RUNSTOP, streamSerial_, 0) != 0;
}

bool TfmModem::OnMessage(UINT msg, WPARAM serial, LPARAM, LRESULT& result) {
  if (msg == WM_PORTLOST) {
    result = 0;
    if (waiting_ == 0 && lostPending_) HandleLost();
    return true;
  }
  if (msg != WM_RUNSTOP) return false;
  result = 0;
  if (serial != streamSerial_) return true;  // for a stream that has gone
  stopPosted_ = false;
  if (VoiceReceiving && Host) Host->StopRecording();
  return true;
}

void TfmModem::WavBlock(uint8_t* block, int size) {
  if (writeFailed_) return;
  if (bits8_) FlipSign(block, size, compressionName_);
  try {
    cnvWav->Convert(block, size);
  } catch (const std::exception& e) {
    WriteFailed(e.what());
  }
}

void TfmModem::WriteFailed(const std::string& message) {
  writeFailed_ = true;
  AddEvent(message);
  if (Host) Host->RecordingWriteFailed(message);
}

void TfmModem::TraceBlock(uint8_t* block, int size) {
  if (bits8_) FlipSign(block, size, compressionName_);
  if (!LiveSettings.RecordTrace || traceFailed_) return;
  try {
    DisplayConvert->Convert(block, size);
  } catch (const std::exception& e) {
    traceFailed_ = true;  // the recording goes on without trace and line-state watch
    AddEvent(e.what());
  }
}

void TfmModem::cnvWavAudioConverted(const void* data, int size) {
  if (RecordWriter) RecordWriter->WriteAudio(data, size);
}

void TfmModem::DisplayConvertAudioConverted(const void* data, int size) {
  const int room = static_cast<int>(ConvertedBlock.size());
  int n = size < 0 ? 0 : size > room ? room : size;
  std::memcpy(ConvertedBlock.data(), data, static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    if (TraceFrameFill == TraceFrameSize) {
      if (LiveSettings.AutoRecord) {
        Detector.DetectLineState(TraceFrame.data());
        LineStateCount = Detector.LineStateCount();
      }
      if (Host) Host->DisplayData(TraceFrame);
      TraceFrameFill = 0;
    } else {
      TraceFrame[static_cast<size_t>(++TraceFrameFill)] = ConvertedBlock[static_cast<size_t>(i)];
    }
  }
}
