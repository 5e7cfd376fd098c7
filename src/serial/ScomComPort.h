#pragma once
#include "Component.h"
#include "ScomDispatcher.h"
#include <windows.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TMessageWindow;

using TTriggerEvent = std::function<void(TComponent* sender, WORD msg, WORD triggerHandle, WORD data)>;
using TTriggerAvailEvent = std::function<void(TComponent* cp, WORD count)>;
using TTriggerHandleEvent = std::function<void(TComponent* sender, WORD triggerHandle)>;
using TTriggerLineErrorEvent = std::function<void(TComponent* sender, WORD error, bool lineBreak)>;
using TPortLostEvent = std::function<void(TComponent* sender, DWORD error)>;

enum TDeviceLayer { dlWin16, dlFossil, dlWin32, dlWinsock };
enum TParity { pNone, pOdd, pEven, pMark, pSpace };
// HWFlowOptions is a set of these bits.
enum : unsigned { hwfUseDTR = 1, hwfUseRTS = 2, hwfRequireDSR = 4, hwfRequireCTS = 8 };
enum TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };
enum TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum TTapiMode { tmNone, tmAuto, tmOn, tmOff };

class TScomBaseComponent : public TComponent {
public:
  using TComponent::TComponent;
  std::string Version() const { return "v4.00"; }
};

// A serial port: its settings, opening and closing through a dispatcher, the byte operations,
// and the trigger messages delivered as events on the main thread through a hidden window.
class TScomCustomComPort : public TScomBaseComponent {
public:
  explicit TScomCustomComPort(TComponent* owner);
  ~TScomCustomComPort() override;

  void Assign(const TComponent& source) override;
  void Loaded() override;

  // Properties.
  TDeviceLayer DeviceLayer() const { return deviceLayer_; }
  void SetDeviceLayer(TDeviceLayer value);
  WORD ComNumber() const { return comNumber_; }
  void SetComNumber(WORD value);
  int Baud() const { return baud_; }
  void SetBaud(int value);
  bool PromptForPort() const { return promptForPort_; }
  void SetPromptForPort(bool value) { promptForPort_ = value; }
  TParity Parity() const { return parity_; }
  void SetParity(TParity value);
  WORD DataBits() const { return dataBits_; }
  void SetDataBits(WORD value);
  WORD StopBits() const { return stopBits_; }
  void SetStopBits(WORD value);
  WORD InSize() const { return inSize_; }
  void SetInSize(WORD value);
  WORD OutSize() const { return outSize_; }
  void SetOutSize(WORD value);
  bool AutoOpen() const { return autoOpen_; }
  void SetAutoOpen(bool value) { autoOpen_ = value; }
  bool Open() const { return open_; }
  void SetOpen(bool value);
  bool DTR() const { return dtr_; }
  void SetDTR(bool value);
  bool RTS() const { return rts_; }
  void SetRTS(bool value);
  unsigned HWFlowOptions() const { return hwFlow_; }
  void SetHWFlowOptions(unsigned value);
  TSWFlowOptions SWFlowOptions() const { return swFlow_; }
  void SetSWFlowOptions(TSWFlowOptions value);
  char XOnChar() const { return xon_; }
  void SetXOnChar(char value);
  char XOffChar() const { return xoff_; }
  void SetXOffChar(char value);
  WORD BufferFull() const { return bufferFull_; }
  void SetBufferFull(WORD value);
  WORD BufferResume() const { return bufferResume_; }
  void SetBufferResume(WORD value);
  TTraceLogState Tracing() const { return tracing_; }
  void SetTracing(TTraceLogState value);
  uint32_t TraceSize() const { return traceSize_; }
  void SetTraceSize(uint32_t value);
  std::string TraceName = "SCOM.TRC";
  bool TraceHex = true;
  bool TraceAllHex = false;
  TTraceLogState Logging() const { return logging_; }
  void SetLogging(TTraceLogState value);
  uint32_t LogSize() const { return logSize_; }
  void SetLogSize(uint32_t value);
  std::string LogName = "SCOM.LOG";
  bool LogHex = true;
  bool LogAllHex = false;
  bool UseMSRShadow() const { return useMSRShadow_; }
  void SetUseMSRShadow(bool value) { useMSRShadow_ = value; }
  bool UseEventWord() const { return useEventWord_; }
  void SetUseEventWord(bool value);
  WORD CommNotificationLevel() const { return commNotificationLevel_; }
  void SetCommNotificationLevel(WORD value) { commNotificationLevel_ = value; }
  TTapiMode TapiMode() const { return tapiMode_; }
  void SetTapiMode(TTapiMode value) { tapiMode_ = value; }
  bool RS485Mode() const { return rs485_; }
  void SetRS485Mode(bool value);

  // Events.
  const TNotifyEvent& OnPortOpen() const { return onPortOpen_; }
  void SetOnPortOpen(TNotifyEvent handler) { onPortOpen_ = std::move(handler); }
  const TNotifyEvent& OnPortClose() const { return onPortClose_; }
  void SetOnPortClose(TNotifyEvent handler) { onPortClose_ = std::move(handler); }
  const TTriggerAvailEvent& OnTriggerAvail() const { return onTriggerAvail_; }
  void SetOnTriggerAvail(TTriggerAvailEvent handler);
  void SetOnTrigger(TTriggerEvent handler);
  void SetOnTriggerData(TTriggerHandleEvent handler);
  void SetOnTriggerStatus(TTriggerHandleEvent handler);
  void SetOnTriggerTimer(TTriggerHandleEvent handler);
  void SetOnTriggerLineError(TTriggerLineErrorEvent handler);
  void SetOnTriggerModemStatus(TNotifyEvent handler);
  void SetOnTriggerOutbuffFree(TNotifyEvent handler);
  void SetOnTriggerOutbuffUsed(TNotifyEvent handler);
  void SetOnTriggerOutSent(TNotifyEvent handler);
  // The open port's device went away (error: the system's code of the failed call); once per
  // open, on the main thread. The port stays open until its owner closes it.
  const TPortLostEvent& OnPortLost() const { return onPortLost_; }
  void SetOnPortLost(TPortLostEvent handler) { onPortLost_ = std::move(handler); }

  // Byte operations (the port opens itself first when AutoOpen is on).
  char GetChar();
  void PutChar(char c);
  void PutString(const std::string& text);
  void FlushInBuffer();
  WORD OutBuffFree();

  // The open port's dispatcher (null while closed).
  TScomBaseDispatcher* Dispatcher() const { return dispatcher_.get(); }

protected:
  enum TPortState { psClosed, psClosing, psOpen };

  virtual std::unique_ptr<TScomBaseDispatcher> CreateDispatcher();
  virtual int OpenPort();
  virtual bool PortWindow(bool create);
  virtual void ValidatePort();
  virtual void TriggerEvent(UINT msg, WORD triggerHandle, WORD data);
  virtual void TriggerAvail(WORD count);
  virtual void TriggerData(WORD triggerHandle);
  virtual void TriggerStatus(WORD triggerHandle);
  virtual void TriggerTimer(WORD triggerHandle);
  virtual void UpdateHandlerWish();
  virtual void TriggerLineError(WORD error, bool lineBreak);
  virtual void TriggerModemStatus();
  virtual void TriggerOutbuffFree();
  virtual void TriggerOutbuffUsed();
  virtual void TriggerOutSent();
  virtual void PortLost(DWORD error);
  virtual void ClosePort();
  virtual void PortOpen();
  virtual void PortClose();
  virtual void DoOpen();

  TPortState State() const { return state_; }

private:
  TScomBaseDispatcher* ValidDispatcher();
  bool WindowProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void ClosePending(LPARAM lParam);
  void FinishClose();
  void ReleaseDispatcher();
  void ReapplyAll();
  void ApplyLine(int baud, TParity parity, WORD stopBits, WORD dataBits);
  void Check(int code) const;

  TDeviceLayer deviceLayer_ = dlWin32;
  WORD comNumber_ = 0;
  int baud_ = 19200;
  bool promptForPort_ = true;
  TParity parity_ = pNone;
  WORD dataBits_ = 8, stopBits_ = 1;
  WORD inSize_ = 4096, outSize_ = 4096;
  bool autoOpen_ = true;
  bool open_ = false;
  bool dtr_ = true, rts_ = true;
  unsigned hwFlow_ = 0;
  TSWFlowOptions swFlow_ = swfNone;
  char xon_ = 17, xoff_ = 19;
  WORD bufferFull_ = 0, bufferResume_ = 0;
  void ReapplyFlowOptions();
  struct TRecorderOps;
  static const TRecorderOps kTraceOps, kLogOps;
  void SetRecorderState(TTraceLogState& state, TTraceLogState value, const TRecorderOps& ops,
                        uint32_t size, const std::string& fileName, bool hex, bool allHex);
  void SetRecorderSize(uint32_t& size, uint32_t value, TTraceLogState state, const TRecorderOps& ops);

  TTraceLogState tracing_ = tlOff, logging_ = tlOff;
  uint32_t traceSize_ = 10000, logSize_ = 10000;
  bool useMSRShadow_ = true, useEventWord_ = true;
  WORD commNotificationLevel_ = 10;
  TTapiMode tapiMode_ = tmAuto;
  bool rs485_ = false;

  TNotifyEvent onPortOpen_, onPortClose_;
  TTriggerEvent onTrigger_;
  TTriggerAvailEvent onTriggerAvail_;
  TTriggerHandleEvent onTriggerData_, onTriggerStatus_, onTriggerTimer_;
  TTriggerLineErrorEvent onTriggerLineError_;
  TNotifyEvent onTriggerModemStatus_, onTriggerOutbuffFree_, onTriggerOutbuffUsed_, onTriggerOutSent_;
  TPortLostEvent onPortLost_;

  TPortState state_ = psClosed;
  std::unique_ptr<TScomBaseDispatcher> dispatcher_;
  std::unique_ptr<TMessageWindow> window_;
  int windowDepth_ = 0;
  bool openOnLoad_ = false;
  bool openAfterClose_ = false;
  bool applying_ = false;
  int availThreshold_ = 1;
  TScomSavedHandlers saved_;
  bool savedValid_ = false;
  int threadBoost_ = 0;
};

// The port component the program uses; every property above is its published surface.
class TScomComPort : public TScomCustomComPort {
public:
  using TScomCustomComPort::TScomCustomComPort;
};
