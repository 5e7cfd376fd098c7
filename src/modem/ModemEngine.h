#pragma once
#include "Component.h"
#include "LineState.h"
#include "ModemHost.h"
#include "ModemPort.h"
#include "ModemReply.h"
#include "VoiceStream.h"
#include <windows.h>
#include <functional>
#include <memory>
#include <string>

class TdeAudioConvertor;
class TdeAbstractAudioWriter;
class TdeWaveFormat;
class TMessageWindow;

// The recording in progress: made by the record action, fed by the engine.
extern TdeAbstractAudioWriter* RecordWriter;

// The outcome of a command or a query.
enum class TSendResult {
  Expected,    // the expected reply came ("ok" for a query)
  NotSent,     // no room in the output buffer, or the port is gone: nothing was sent
  TimedOut,    // no reply within the time-out
  ErrorReply,  // the modem answered "error"
  OtherReply,  // any other outcome
};

// The call handler and the command dialogue: turns the modem's bytes into command replies,
// caller ID, rings and the answered-call decision, and, in voice receive, into the recording,
// the trace frames and the hang-up decision. Never shown; everything runs on the main thread.
class TfmModem : public TComponent {
public:
  // The real port, window timers and the high-resolution tick.
  explicit TfmModem(TComponent* owner);
  // The given port and timers (owned), for tests.
  TfmModem(TComponent* owner, std::unique_ptr<TModemPort> port, std::unique_ptr<TModemTimer> cmdTimeout,
           std::unique_ptr<TModemTimer> ringSpan, std::unique_ptr<TModemTimer> tick,
           std::unique_ptr<TModemTimer> voiceWatch);
  ~TfmModem() override;

  TModemHost* Host = nullptr;
  TCallerIdView* CallerView = nullptr;  // null until the pop-up exists

  TSendResult SendQuery(const std::string& command, std::string& reply);
  TSendResult SendCommand(const std::string& command, const std::string& description, const std::string& expected);
  bool SendNoWait(const std::string& command, const std::string& description);
  // True when the modem answered every command; else "modem on COMn does not answer" is written.
  bool InitModem();
  bool OpenPort(int port, bool initialise);
  // Opens without initialisation and without applying the live speed and flow control.
  bool OpenPortAsIs(int port);
  bool ClosePort();
  void SendVoiceData(const std::string& bytes);

  // Opens the port when it is closed and initialises the modem; when every reply came, ring
  // watching is set as the settings say and the host told. Otherwise the recorder is not armed:
  // StartRearm. OpenFailed tells whether the port itself did not open.
  bool Arm(int port);
  // Not armed: the port is closed (the line released), ring watching stops, the host is told,
  // and the port is opened and initialised again every RearmInterval ms until the modem answers.
  void StartRearm();
  // No more tries (the program ends).
  void StopRearm();
  bool Armed = false;
  bool OpenFailed = false;
  static constexpr unsigned RearmInterval = 5000;

  bool EnableAutoRecord();
  bool DisableAutoRecord();
  void StartVoiceReceive();
  // Writes what the stream and the recording converter still hold into the recording; the stop
  // action calls it before it closes the converters.
  void EndVoiceReceive();

  // Port events.
  void ComPort1TriggerAvail(int count);
  void ComPort1PortOpen();
  void ComPort1PortClose();
  void ComPort1PortLost(const std::string& reason);
  // Timer events.
  void tmRingSpanTimer();
  void tmCmdTimeoutTimer();
  void timer1Timer();
  void tmVoiceWatchTimer();
  void tmRearmTimer();

  void HandleRing();
  void cnvWavAudioConverted(const void* data, int size);
  void DisplayConvertAudioConverted(const void* data, int size);
  int DetectLineState(const uint8_t* frame) { return Detector.DetectLineState(frame); }

  TModemPort& Port() { return *port_; }
  TdeAudioConvertor* cnvWav = nullptr;
  TdeAudioConvertor* DisplayConvert = nullptr;

  // Call-handler state.
  TModemReply RawReply;
  std::string ReplyKeyword;
  bool ReplyArrived = false;
  bool AutoRecordMode = false;
  int RingCount = 0;
  bool CallRejected = false;
  bool RingPeriodKnown = false;
  int RingTimeOut = 10233;
  int RingTicks = 0;
  bool CallAnswered = false;
  bool WatchDisconnect = false;
  bool VoiceReceiving = false;
  bool PortOpened = false;
  std::string CallerNumber;
  int LineStateCount = 0;

  // Voice receive.
  TVoiceStream Voice;
  TLineStateDetector Detector;
  TDisp TraceFrame;
  int TraceFrameFill = 0;
  std::vector<uint8_t> ConvertedBlock;

  static constexpr unsigned FirstRingSpan = 10233;
  static constexpr unsigned VoiceSilenceLimit = 5000;
  // A RING sooner than this after the previous one is part of the same ring (junk or a
  // repeat); the two bursts of a paired ring are at least 600 ms apart.
  static constexpr DWORD SameRingMs = 300;
  // The trace frames' sampling rate, whatever the modem's.
  static constexpr int TraceRate = 8000;

  TModemTimer& tmCmdTimeout() { return *cmdTimeout_; }
  TModemTimer& tmRingSpan() { return *ringSpan_; }
  TModemTimer& timer1() { return *tick_; }
  TModemTimer& tmVoiceWatch() { return *voiceWatch_; }
  TModemTimer& tmRearm() { return *rearm_; }

protected:
  // The short pause before each command.
  virtual void Pause(unsigned ms);
  // Pumps the message loop (no idle work) until done; gives up after timeoutMs (INFINITE: no
  // limit) and returns done().
  virtual bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs);
  // Milliseconds of a steady clock.
  virtual DWORD TickCount();

private:
  void Setup();
  bool OpenWith(const std::function<void()>& open, bool initialise);
  // WaitFor, counted: a lost port is handled once no wait runs.
  bool Wait(const std::function<bool()>& done, DWORD timeoutMs);
  // An events-monitor line of the command dialogue, kept back during a quiet try to re-arm.
  void Note(const std::string& line);
  void StopCallWatch();
  void HandleLost();
  // Sends command + CR and waits for the outcome: false when nothing could be sent, else true
  // with ReplyKeyword set (empty only when the wait was cut short by the end of the program).
  bool SendLine(const std::string& command, const std::string* description);
  void CommandBatch(const std::string& batch);
  bool SameRing();
  void OpenVoiceStream();
  void VoiceBatch(const std::string& batch);
  void WavBlock(uint8_t* block, int size);
  void TraceBlock(uint8_t* block, int size);
  void VoiceEvent(uint8_t code);
  void WriteFailed(const std::string& message);
  void HangUp();
  void PostStop();
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void ShowCaller(const std::string& number);
  void HideCaller();

  std::unique_ptr<TModemPort> port_;
  std::unique_ptr<TModemTimer> cmdTimeout_, ringSpan_, tick_, voiceWatch_, rearm_;
  std::unique_ptr<TMessageWindow> window_;
  bool stopPosted_ = false;
  bool ringHeard_ = false;
  DWORD lastRing_ = 0;
  int waiting_ = 0;
  bool portLost_ = false, lostPending_ = false;
  bool quiet_ = false;
  bool rearming_ = false;
  int armPort_ = 0;
  WPARAM streamSerial_ = 0;
  bool writeFailed_ = false;
  bool traceFailed_ = false;
  bool bits8_ = false;
  std::string compressionName_;
};

extern TfmModem* fmModem;

// The modem's audio format as [Modem compression] Bin holds it; false when Bin is missing or
// does not read as a usable format.
bool ReadModemCompression(TdeWaveFormat& format);
// Known when ModemCompression.cpn is there (taken at the next voice receive) or Bin is usable.
bool ModemFormatKnown();

// The port of the program: a TScomComPort with 2048-byte buffers, opened on demand.
std::unique_ptr<TModemPort> NewScomModemPort();
// A window timer, and the high-resolution timer at time-critical priority.
std::unique_ptr<TModemTimer> NewWindowTimer();
std::unique_ptr<TModemTimer> NewHiTimer();
