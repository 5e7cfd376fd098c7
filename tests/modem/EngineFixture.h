#pragma once
#include "AudioStreams.h"
#include "EventLog.h"
#include "Exception.h"
#include "FileUtils.h"
#include "LiveSettings.h"
#include "ModemEngine.h"
#include "ProgramDir.h"
#include "SettingsFile.h"
#include "Stream.h"
#include "TempDir.h"
#include <deque>
#include <string>
#include <vector>

// A port whose batches the test chooses.
class FakePort : public TModemPort {
public:
  void Open(int comNumber, int baud, const std::string& flow) override {
    lastBaud = baud;
    lastFlow = flow;
    OpenAsIs(comNumber);
  }
  void OpenAsIs(int comNumber) override {
    com = comNumber;
    ++opens;
    if (failOpen) throw std::runtime_error("port refused");
    if (OnPortOpen) OnPortOpen();
  }
  void Close() override { if (OnPortClose) OnPortClose(); }
  int ComNumber() const override { return com; }
  char GetChar() override {
    if (rx.empty()) return 0;
    char c = rx.front();
    rx.pop_front();
    return c;
  }
  void PutChar(char c) override { sent += c; }
  void PutString(const std::string& text) override { sent += text; }
  void FlushInBuffer() override { rx.clear(); ++flushes; }
  int OutBuffFree() override { return outFree; }

  // One batch as the trigger would hand it over.
  void Deliver(const std::string& bytes) {
    rx.insert(rx.end(), bytes.begin(), bytes.end());
    if (OnTriggerAvail) OnTriggerAvail(static_cast<int>(bytes.size()));
  }

  int com = 0;
  bool failOpen = false;
  int opens = 0;
  int lastBaud = 0;  // of the last open that applied settings
  std::string lastFlow;
  std::deque<char> rx;
  std::string sent;
  int outFree = 2048;
  int flushes = 0;
};

class FakeTimer : public TModemTimer {
public:
  void SetInterval(unsigned ms) override { interval = ms; }
  unsigned Interval() const override { return interval; }
  void SetEnabled(bool on) override { enabled = on; }
  bool Enabled() const override { return enabled; }
  void Fire() { if (enabled && OnTimer) OnTimer(); }
  unsigned interval = 1000;
  bool enabled = false;
};

class FakeHost : public TModemHost, public TCallerIdView {
public:
  void ModemPortChanged(bool opened) override { portStates.push_back(opened); }
  void StopRecording() override {
    ++stops;
    if (onStop) onStop();
  }
  void DisplayData(const TDisp& frame) override {
    ++frames;
    lastFrame = frame;
  }
  void RecordingWriteFailed(const std::string& message) override { failures.push_back(message); }
  void ShowCaller(const std::string& number) override { shown.push_back(number); visible = true; }
  void HideCaller() override { ++hides; visible = false; }

  std::vector<bool> portStates;
  int stops = 0;
  std::function<void()> onStop;
  int frames = 0;
  TDisp lastFrame;
  std::vector<std::string> failures;
  std::vector<std::string> shown;
  int hides = 0;
  bool visible = false;
};

// The engine with its waits replaced: each pass of a wait runs the next scripted step
// (a batch from the modem, or a timer firing); with no step left, the command time-out fires.
class TestModem : public TfmModem {
public:
  TestModem(FakePort* port, FakeTimer* cmd, FakeTimer* ring, FakeTimer* tick, FakeTimer* watch)
      : TfmModem(nullptr, std::unique_ptr<TModemPort>(port), std::unique_ptr<TModemTimer>(cmd),
                 std::unique_ptr<TModemTimer>(ring), std::unique_ptr<TModemTimer>(tick),
                 std::unique_ptr<TModemTimer>(watch)) {}
  std::deque<std::function<void()>> script;
  std::function<void()> noScript;
  int waits = 0;
  // Each look at the clock moves it by clockStep: rings a second apart unless a test says.
  DWORD clock = 0;
  DWORD clockStep = 1000;

protected:
  void Pause(unsigned) override {}
  DWORD TickCount() override { return clock += clockStep; }
  bool WaitFor(const std::function<bool()>& done, DWORD) override {
    ++waits;
    for (int pass = 0; pass < 1000 && !done(); ++pass) {
      if (!script.empty()) {
        auto step = script.front();
        script.pop_front();
        step();
      } else if (noScript) {
        noScript();
      } else {
        break;
      }
    }
    return done();
  }
};

// Captures what the engine writes; fails on demand like a full disk.
struct CaptureStream {
  TMemoryStream memory;
};
class CaptureWriter : private CaptureStream, public TdeAbstractAudioWriter {
public:
  CaptureWriter() : TdeAbstractAudioWriter(memory) {}
  std::string bytes;
  std::vector<int> blocks;
  bool fail = false;

protected:
  void WriteData(const void* buffer, int size) override {
    if (fail) throw EInOutError("There is not enough space on the disk.", ERROR_DISK_FULL);
    bytes.append(static_cast<const char*>(buffer), static_cast<size_t>(size));
    blocks.push_back(size);
  }
};

// A program folder with qdx.ini, the engine on fakes, and a host that records what it was told.
class EngineFixture {
public:
  EngineFixture() : savedDir_(ProgramDir) {
    ProgramDir = dir.Path();
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    savedCwd_ = cwd;
    SetCurrentDirectoryA(dir.Path().c_str());
    EventLog().Clear();
    ini = new TSettingsFile(dir / "qdx.ini");
    g_Ini = ini;
    LiveSettings = TLiveSettings();
    LiveSettings.AutoRecord = true;
    LiveSettings.CallerID = true;
    LiveSettings.RecordTrace = true;
    LiveSettings.TimeOut = 2;
    LiveSettings.DiscTime = 10;
    LiveSettings.FormatOut = Pcm8k();
  }
  ~EngineFixture() {
    RecordWriter = nullptr;
    delete modem;
    g_Ini = nullptr;
    delete ini;
    SetCurrentDirectoryA(savedCwd_.c_str());
    ProgramDir = savedDir_;
  }

  TestModem& Make() {
    port = new FakePort;
    cmd = new FakeTimer;
    ring = new FakeTimer;
    tick = new FakeTimer;
    watch = new FakeTimer;
    modem = new TestModem(port, cmd, ring, tick, watch);
    modem->Host = &host;
    modem->CallerView = &host;
    return *modem;
  }

  static TdeWaveFormat Pcm8k() {
    TdeWaveFormat f;
    f.SetFormatTag(WAVE_FORMAT_PCM);
    f.SetChannels(1);
    f.SetSamplesPerSec(8000);
    f.SetBitsPerSample(8);
    f.SetBlockAlign(1);
    f.SetAvgBytesPerSec(8000);
    f.SetExtraSize(0);
    return f;
  }

  bool HasLine(const std::string& line) const {
    for (const auto& l : EventLog().Lines())
      if (l == line) return true;
    return false;
  }
  int CountLines(const std::string& line) const {
    int n = 0;
    for (const auto& l : EventLog().Lines()) n += l == line;
    return n;
  }

  TempDir dir;
  TSettingsFile* ini = nullptr;
  FakeHost host;
  FakePort* port = nullptr;
  FakeTimer *cmd = nullptr, *ring = nullptr, *tick = nullptr, *watch = nullptr;
  TestModem* modem = nullptr;

private:
  std::string savedDir_, savedCwd_;
};
