#include "ModemEngine.h"
#include <algorithm>
#include "KitTimer.h"
#include "ScomComPort.h"
#include "FileUtils.h"
#include "Timer.h"

namespace {

class TScomModemPort : public TModemPort {
public:
  TScomModemPort() : ComPort1(nullptr) {
    ComPort1.SetAutoOpen(false);
    ComPort1.SetPromptForPort(false);
    ComPort1.SetBaud(115200);
    ComPort1.SetInSize(2048);
    ComPort1.SetOutSize(2048);
    ComPort1.SetOnPortOpen([this](TComponent*) { if (OnPortOpen) OnPortOpen(); });
    ComPort1.SetOnPortClose([this](TComponent*) { if (OnPortClose) OnPortClose(); });
    ComPort1.SetOnTriggerAvail([this](TComponent*, WORD count) { if (OnTriggerAvail) OnTriggerAvail(count); });
    ComPort1.SetOnPortLost([this](TComponent*, DWORD error) { if (OnPortLost) OnPortLost(SysErrorMessage(static_cast<int>(error))); });
  }

  void Open(int comNumber, int baud, const std::string& flow) override {
    ComPort1.SetBaud(baud);
    if (flow == "Hardware") {
      ComPort1.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
      ComPort1.SetSWFlowOptions(swfNone);
    } else if (flow == "Software") {
      ComPort1.SetHWFlowOptions(0);
      ComPort1.SetSWFlowOptions(swfBoth);
    } else if (flow == "None") {
      ComPort1.SetHWFlowOptions(0);
      ComPort1.SetSWFlowOptions(swfNone);
    }
    OpenAsIs(comNumber);
  }
  void OpenAsIs(int comNumber) override {
    ComPort1.SetComNumber(static_cast<WORD>(comNumber));
    ComPort1.SetOpen(true);
  }
  void Close() override { ComPort1.SetOpen(false); }
  int ComNumber() const override { return ComPort1.ComNumber(); }
  char GetChar() override { return ComPort1.GetChar(); }
  void PutChar(char c) override { ComPort1.PutChar(c); }
  void PutString(const std::string& text) override { ComPort1.PutString(text); }
  void FlushInBuffer() override { ComPort1.FlushInBuffer(); }
  int OutBuffFree() override { return ComPort1.OutBuffFree(); }

  TScomComPort ComPort1;
};

class TWindowModemTimer : public TModemTimer {
public:
  TWindowModemTimer() : timer_(nullptr) {
    timer_.SetEnabled(false);
    timer_.OnTimer = [this](TComponent*) { if (OnTimer) OnTimer(); };
  }
  void SetInterval(unsigned ms) override { timer_.SetInterval(ms); }
  unsigned Interval() const override { return timer_.Interval(); }
  void SetEnabled(bool on) override { timer_.SetEnabled(on); }
  bool Enabled() const override { return timer_.Enabled(); }

private:
  TTimer timer_;
};

// The ring tick measures the ring period by its count. The kit's timer drops a tick that comes
// while the last one has not been run yet (no burst after a blocked main thread); here a late
// tick brings the ones it stands for, so that the count follows the clock under load too.
class THiModemTimer : public TModemTimer {
public:
  THiModemTimer() : timer_(nullptr, 100) {
    timer_.SetEnabled(false);
    timer_.SetThreadPriority(tpTimeCritical);
    timer_.SetOnTimer([this](TComponent*) { Tick(); });
  }
  void SetInterval(unsigned ms) override { timer_.SetInterval(ms); }
  unsigned Interval() const override { return timer_.Interval(); }
  void SetEnabled(bool on) override {
    if (on && !timer_.Enabled()) {
      started_ = GetTickCount64();
      delivered_ = 0;
    }
    timer_.SetEnabled(on);
  }
  bool Enabled() const override { return timer_.Enabled(); }

private:
  void Tick() {
    ULONGLONG due = (GetTickCount64() - started_) / std::max(1u, timer_.Interval());
    do {
      ++delivered_;
      if (OnTimer) OnTimer();
    } while (delivered_ < due && timer_.Enabled());
  }

  TKitHiTimer timer_;
  ULONGLONG started_ = 0, delivered_ = 0;
};

}  // namespace

std::unique_ptr<TModemPort> NewScomModemPort() { return std::make_unique<TScomModemPort>(); }
std::unique_ptr<TModemTimer> NewWindowTimer() { return std::make_unique<TWindowModemTimer>(); }
std::unique_ptr<TModemTimer> NewHiTimer() { return std::make_unique<THiModemTimer>(); }
