#include "ScomComPort.h"
#include "MessagePump.h"
#include "MessageWindow.h"
#include "ScomException.h"
#include "ScomPortSelect.h"
#include "ScomSystem.h"
#include "ScomUtil.h"
#include "ScomWin32Dispatcher.h"
#include <cmath>

namespace {
WORD RoundTo(double v) { return static_cast<WORD>(std::lround(v)); }

// Runs f; an exception it raises is kept for later so that the caller can finish first.
template <class F>
void Keep(std::exception_ptr& first, F f) {
  try {
    f();
  } catch (...) {
    if (!first) first = std::current_exception();
  }
}
}

TScomCustomComPort::TScomCustomComPort(TComponent* owner) : TScomBaseComponent(owner) {}

TScomCustomComPort::~TScomCustomComPort() {
  try {
    if (state_ == psOpen) ClosePort();
  } catch (...) {
    HandleCallbackException(std::current_exception());
  }
  if (dispatcher_) {
    // A close still pending: the threads end on their own within a few seconds.
    if (window_) dispatcher_->DeregisterWindowHandler(window_->Handle());
    ReleaseDispatcher();
  }
  window_.reset();
}

void TScomCustomComPort::Check(int code) const { CheckException(this, code); }

void TScomCustomComPort::Assign(const TComponent& source) {
  const auto* src = dynamic_cast<const TScomCustomComPort*>(&source);
  if (!src) {
    TComponent::Assign(source);
    return;
  }
  deviceLayer_ = src->deviceLayer_;
  comNumber_ = src->comNumber_;
  baud_ = src->baud_;
  promptForPort_ = src->promptForPort_;
  parity_ = src->parity_;
  dataBits_ = src->dataBits_;
  stopBits_ = src->stopBits_;
  inSize_ = src->inSize_;
  outSize_ = src->outSize_;
  autoOpen_ = src->autoOpen_;
  dtr_ = src->dtr_;
  rts_ = src->rts_;
  hwFlow_ = src->hwFlow_;
  swFlow_ = src->swFlow_;
  xon_ = src->xon_;
  xoff_ = src->xoff_;
  bufferFull_ = src->bufferFull_;
  bufferResume_ = src->bufferResume_;
  tracing_ = src->tracing_ == tlOn ? tlOn : tlOff;
  traceSize_ = src->traceSize_;
  TraceName = src->TraceName;
  TraceHex = src->TraceHex;
  TraceAllHex = src->TraceAllHex;
  logging_ = src->logging_ == tlOn ? tlOn : tlOff;
  logSize_ = src->logSize_;
  LogName = src->LogName;
  LogHex = src->LogHex;
  LogAllHex = src->LogAllHex;
  useMSRShadow_ = src->useMSRShadow_;
  useEventWord_ = src->useEventWord_;
  commNotificationLevel_ = src->commNotificationLevel_;
  tapiMode_ = src->tapiMode_;
  rs485_ = src->rs485_;
  Tag = src->Tag;
  onTrigger_ = src->onTrigger_;
  onTriggerAvail_ = src->onTriggerAvail_;
  onTriggerData_ = src->onTriggerData_;
  onTriggerStatus_ = src->onTriggerStatus_;
  onTriggerTimer_ = src->onTriggerTimer_;
  onPortOpen_ = src->onPortOpen_;
  onPortClose_ = src->onPortClose_;
  if (src->dispatcher_ && src->state_ == psOpen) {
    src->dispatcher_->SaveHandlers(saved_);
    savedValid_ = true;
  }
  UpdateHandlerWish();
}

void TScomCustomComPort::Loaded() {
  TScomBaseComponent::Loaded();
  if (Designing()) return;
  if (openOnLoad_) open_ = true;
  if (open_) {
    openOnLoad_ = false;
    open_ = false;
    DoOpen();
  }
}

// Opening and closing.

void TScomCustomComPort::SetOpen(bool value) {
  if (!value) openAfterClose_ = false;
  if (value == open_) return;
  if (Designing() || Loading()) {
    open_ = value;
    if (value) openOnLoad_ = true;
    return;
  }
  if (!value) ClosePort();
  else if (state_ == psClosing) openAfterClose_ = true;
  else DoOpen();
}

void TScomCustomComPort::ValidatePort() {
  if (comNumber_ != 0) return;
  int chosen = 0;
  if (!promptForPort_ || !PromptForPortNumber(chosen) || chosen <= 0 || chosen > 65535)
    CheckException(nullptr, ecNoPortSelected);
  comNumber_ = static_cast<WORD>(chosen);
}

std::unique_ptr<TScomBaseDispatcher> TScomCustomComPort::CreateDispatcher() {
  if (deviceLayer_ != dlWin32) CheckException(nullptr, ecNullApi);
  // Opening through a telephony-supplied handle needs a telephony layer this program lacks.
  if (tapiMode_ == tmOn) CheckException(nullptr, -2012);
  return std::make_unique<TScomWin32Dispatcher>(this);
}

int TScomCustomComPort::OpenPort() {
  unsigned flags = 0;
  if (dtr_) flags |= ipDTR;
  if (rts_) flags |= ipRTS;
  if (hwFlow_ & hwfUseDTR) flags |= ipDTRFlow;
  if (hwFlow_ & hwfUseRTS) flags |= ipRTSFlow;
  int r = dispatcher_->InitPort("\\\\.\\COM" + std::to_string(comNumber_), baud_, parity_, dataBits_, stopBits_,
                                inSize_, outSize_, flags);
  if (r == -5) r = ecAlreadyOpen;
  if (r == -2 || r == -3) r = ecBadId;
  return r;
}

void TScomCustomComPort::DoOpen() {
  if (tapiMode_ != tmOn) ValidatePort();
  dispatcher_ = CreateDispatcher();
  dispatcher_->DeviceName = "COM" + std::to_string(comNumber_);
  try {
    int r = OpenPort();
    if (r != 0) CheckException(nullptr, r < 0 ? r : -1);
    state_ = psOpen;
    UpdateHandlerWish();
    ReapplyAll();
    open_ = true;
    if (!PortWindow(true)) CheckException(nullptr, -1006);
    if (savedValid_) dispatcher_->RestoreHandlers(saved_);
  } catch (...) {
    // A failed open is undone completely and leaves the state closed.
    applying_ = false;
    if (window_ && dispatcher_) dispatcher_->DeregisterWindowHandler(window_->Handle());
    if (dispatcher_) dispatcher_->DonePort();
    ReleaseDispatcher();
    state_ = psClosed;
    open_ = false;
    throw;
  }
  PortOpen();
}

void TScomCustomComPort::ReapplyAll() {
  applying_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{applying_};
  SetTracing(tracing_);
  SetLogging(logging_);
  SetHWFlowOptions(hwFlow_);
  SetSWFlowOptions(swFlow_);
  SetXOnChar(xon_);
  SetXOffChar(xoff_);
  dispatcher_->SetTriggerAvail(availThreshold_);
  SetDTR(dtr_);
  if (deviceLayer_ != dlFossil) SetRTS(rts_);
  SetUseMSRShadow(useMSRShadow_);
  SetUseEventWord(useEventWord_);
  SetCommNotificationLevel(commNotificationLevel_);
  SetRS485Mode(rs485_);
  dispatcher_->SetThreadBoost(threadBoost_);
}

bool TScomCustomComPort::PortWindow(bool create) {
  if (create) {
    if (!window_)
      window_ = std::make_unique<TMessageWindow>(
          "ScomComWindow", [this](UINT msg, WPARAM w, LPARAM l, LRESULT& result) { return WindowProc(msg, w, l, result); });
    if (dispatcher_) dispatcher_->RegisterWindowHandler(window_->Handle());
    return window_->Handle() != nullptr;
  }
  if (window_ && dispatcher_) dispatcher_->DeregisterWindowHandler(window_->Handle());
  // Never destroyed from inside its own procedure; it is kept for the next open then.
  if (windowDepth_ == 0) window_.reset();
  return true;
}

void TScomCustomComPort::ClosePort() {
  open_ = false;
  if (state_ != psOpen) return;
  std::exception_ptr error;
  Keep(error, [this] { SetTracing(tlDump); });
  Keep(error, [this] { SetLogging(tlDump); });
  state_ = psClosing;
  Keep(error, [this] { PortClose(); });
  dispatcher_->SaveHandlers(saved_);
  savedValid_ = true;
  dispatcher_->DonePort();
  if (dispatcher_->CloseRequested()) {
    // Inside a data-available handler: the dispatch thread is released now and ends once the
    // handler returns; the close is finished by the window on APW_CLOSEPENDING.
    PostMessageA(window_->Handle(), APW_CLOSEPENDING, 0, MAKELPARAM(0, dispatcher_->Handle()));
    if (InSendMessage()) ReplyMessage(0);
    DispatchOneMessage(qmRequeue);
  } else {
    FinishClose();
  }
  if (error) std::rethrow_exception(error);
}

void TScomCustomComPort::FinishClose() {
  PortWindow(false);
  ReleaseDispatcher();
  state_ = psClosed;
}

void TScomCustomComPort::ReleaseDispatcher() {
  // Taken out first: a message of this port pumped below (a pending close that would finish, or
  // reopen, the port) finds no dispatcher instead of freeing this one under the loop.
  std::unique_ptr<TScomBaseDispatcher> dispatcher = std::move(dispatcher_);
  if (!dispatcher) return;
  const auto ended = [&dispatcher] { return !dispatcher->ThreadsRunning(); };
  if (!ended()) PumpUntil(ended, 10000, qmRequeue);
  // A worker that never ended still uses its dispatcher: it is left to it rather than freed.
  if (dispatcher->ThreadsRunning()) dispatcher.release();
}

void TScomCustomComPort::ClosePending(LPARAM lParam) {
  if (!dispatcher_ || state_ != psClosing) return;
  if (dispatcher_->ThreadsRunning()) {
    Sleep(1);
    PostMessageA(window_->Handle(), APW_CLOSEPENDING, 0, lParam);
    return;
  }
  FinishClose();
  if (openAfterClose_) {
    openAfterClose_ = false;
    DoOpen();
  }
}

bool TScomCustomComPort::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg < APW_TRIGGERAVAIL || (msg > APW_TRIGGERSTATUS && msg != APW_CLOSEPENDING && msg != APW_PORTLOST))
    return false;
  result = 0;
  struct Depth {
    int& d;
    ~Depth() { --d; }
  } depth{++windowDepth_};
  TScomBaseDispatcher* found;
  {
    TScomDispatcherList::Lock lock;
    found = TScomDispatcherList::At(HIWORD(lParam));
  }
  if (!found || found != dispatcher_.get() || found->Owner() != this) return true;
  if (msg == APW_CLOSEPENDING) {
    ClosePending(lParam);
    return true;
  }
  if (state_ != psOpen) return true;
  if (msg == APW_PORTLOST) {
    PortLost(static_cast<DWORD>(wParam));
    return true;
  }
  const WORD trigger = static_cast<WORD>(wParam);
  TriggerEvent(msg, trigger, msg == APW_TRIGGERAVAIL ? trigger : LOWORD(lParam));
  if (state_ != psOpen) return true;
  switch (msg) {
    case APW_TRIGGERAVAIL: TriggerAvail(trigger); break;
    case APW_TRIGGERDATA: TriggerData(trigger); break;
    case APW_TRIGGERTIMER: TriggerTimer(trigger); break;
    case APW_TRIGGERSTATUS:
      switch (trigger & 7) {
        case 0: TriggerStatus(trigger); break;
        case 1: TriggerModemStatus(); break;
        case 2: {
          WORD error = static_cast<WORD>(dispatcher_->GetLineError());
          TriggerLineError(error, dispatcher_->CheckLineBreak());
          break;
        }
        case 3: TriggerOutbuffFree(); break;
        case 4: TriggerOutbuffUsed(); break;
        case 5: TriggerOutSent(); break;
      }
      break;
  }
  return true;
}

// Events.

void TScomCustomComPort::PortOpen() {
  if (onPortOpen_) onPortOpen_(this);
}
void TScomCustomComPort::PortClose() {
  if (onPortClose_) onPortClose_(this);
}
void TScomCustomComPort::TriggerEvent(UINT msg, WORD triggerHandle, WORD data) {
  if (onTrigger_) onTrigger_(this, static_cast<WORD>(msg), triggerHandle, data);
}
void TScomCustomComPort::TriggerAvail(WORD count) {
  if (onTriggerAvail_) onTriggerAvail_(this, count);
}
void TScomCustomComPort::TriggerData(WORD h) {
  if (onTriggerData_) onTriggerData_(this, h);
}
void TScomCustomComPort::TriggerStatus(WORD h) {
  if (onTriggerStatus_) onTriggerStatus_(this, h);
}
void TScomCustomComPort::TriggerTimer(WORD h) {
  if (onTriggerTimer_) onTriggerTimer_(this, h);
}
void TScomCustomComPort::TriggerLineError(WORD error, bool lineBreak) {
  if (onTriggerLineError_) onTriggerLineError_(this, error, lineBreak);
}
void TScomCustomComPort::TriggerModemStatus() {
  if (onTriggerModemStatus_) onTriggerModemStatus_(this);
}
void TScomCustomComPort::TriggerOutbuffFree() {
  if (onTriggerOutbuffFree_) onTriggerOutbuffFree_(this);
}
void TScomCustomComPort::TriggerOutbuffUsed() {
  if (onTriggerOutbuffUsed_) onTriggerOutbuffUsed_(this);
}
void TScomCustomComPort::TriggerOutSent() {
  if (onTriggerOutSent_) onTriggerOutSent_(this);
}
void TScomCustomComPort::PortLost(DWORD error) {
  if (onPortLost_) onPortLost_(this, error);
}

void TScomCustomComPort::UpdateHandlerWish() {
  if (state_ != psOpen || !dispatcher_) return;
  bool any = onTrigger_ || onTriggerAvail_ || onTriggerData_ || onTriggerStatus_ || onTriggerTimer_ ||
             onTriggerLineError_ || onTriggerModemStatus_ || onTriggerOutbuffFree_ || onTriggerOutbuffUsed_ ||
             onTriggerOutSent_;
  dispatcher_->UpdateHandlerFlags(any ? 1 : 2);
}

void TScomCustomComPort::SetOnTriggerAvail(TTriggerAvailEvent h) { onTriggerAvail_ = std::move(h); UpdateHandlerWish(); }
void TScomCustomComPort::SetOnTrigger(TTriggerEvent h) { onTrigger_ = std::move(h); UpdateHandlerWish(); }
void TScomCustomComPort::SetOnTriggerData(TTriggerHandleEvent h) { onTriggerData_ = std::move(h); UpdateHandlerWish(); }
void TScomCustomComPort::SetOnTriggerStatus(TTriggerHandleEvent h) { onTriggerStatus_ = std::move(h); UpdateHandlerWish(); }
void TScomCustomComPort::SetOnTriggerTimer(TTriggerHandleEvent h) { onTriggerTimer_ = std::move(h); UpdateHandlerWish(); }
void TScomCustomComPort::SetOnTriggerLineError(TTriggerLineErrorEvent h) { onTriggerLineError_ = std::move(h); UpdateHandlerWish(); }
void TScomCustomComPort::SetOnTriggerModemStatus(TNotifyEvent h) { onTriggerModemStatus_ = std::move(h); UpdateHandlerWish(); }
void TScomCustomComPort::SetOnTriggerOutbuffFree(TNotifyEvent h) { onTriggerOutbuffFree_ = std::move(h); UpdateHandlerWish(); }
void TScomCustomComPort::SetOnTriggerOutbuffUsed(TNotifyEvent h) { onTriggerOutbuffUsed_ = std::move(h); UpdateHandlerWish(); }
void TScomCustomComPort::SetOnTriggerOutSent(TNotifyEvent h) { onTriggerOutSent_ = std::move(h); UpdateHandlerWish(); }

// Byte operations.

TScomBaseDispatcher* TScomCustomComPort::ValidDispatcher() {
  if (!dispatcher_ && !Designing() && !Loading() && state_ != psOpen && autoOpen_) SetOpen(true);
  if (!dispatcher_) CheckException(nullptr, ecNotOpen);
  return dispatcher_.get();
}

char TScomCustomComPort::GetChar() {
  if (state_ == psClosing) return 0;
  uint8_t c = 0;
  Check(ValidDispatcher()->GetChar(c));
  return static_cast<char>(c);
}

void TScomCustomComPort::PutChar(char c) {
  if (state_ == psClosing) return;
  Check(ValidDispatcher()->PutChar(static_cast<uint8_t>(c)));
}

void TScomCustomComPort::PutString(const std::string& text) {
  if (state_ == psClosing) return;
  Check(ValidDispatcher()->PutBlock(text.data(), static_cast<int>(text.size())));
}

void TScomCustomComPort::FlushInBuffer() {
  if (state_ == psClosing) return;
  Check(ValidDispatcher()->FlushInBuffer());
}

WORD TScomCustomComPort::OutBuffFree() {
  if (state_ != psOpen || !dispatcher_) return outSize_;
  int n = dispatcher_->OutBuffFree();
  return static_cast<WORD>(n < 0 ? 0 : n);
}

// Property writers.

void TScomCustomComPort::SetDeviceLayer(TDeviceLayer value) {
  if (state_ == psClosed) deviceLayer_ = value;
}

void TScomCustomComPort::SetComNumber(WORD value) {
  if (value == comNumber_) return;
  if (state_ != psOpen) {
    comNumber_ = value;
    return;
  }
  TScomSavedHandlers saved;
  dispatcher_->SaveHandlers(saved);
  TTraceLogState tracing = tracing_, logging = logging_;
  SetOpen(false);
  comNumber_ = value;
  SetTracing(tracing);
  SetLogging(logging);
  SetOpen(true);
  if (dispatcher_ && state_ == psOpen) dispatcher_->RestoreHandlers(saved);
}

void TScomCustomComPort::ApplyLine(int baud, TParity parity, WORD stopBits, WORD dataBits) {
  if (state_ == psOpen && dispatcher_) Check(dispatcher_->SetLine(baud, parity, stopBits, dataBits));
}

void TScomCustomComPort::SetBaud(int value) {
  if (value == baud_ && !applying_) return;
  ApplyLine(value, parity_, stopBits_, dataBits_);
  baud_ = value;
}

void TScomCustomComPort::SetParity(TParity value) {
  if (value == parity_ && !applying_) return;
  ApplyLine(baud_, value, stopBits_, dataBits_);
  parity_ = value;
}

void TScomCustomComPort::SetDataBits(WORD value) {
  if (value == dataBits_ && !applying_) return;
  ApplyLine(baud_, parity_, stopBits_, value);
  dataBits_ = value;
}

void TScomCustomComPort::SetStopBits(WORD value) {
  if (value == stopBits_ && !applying_) return;
  ApplyLine(baud_, parity_, value, dataBits_);
  stopBits_ = value;
}

void TScomCustomComPort::SetInSize(WORD value) {
  if (value == inSize_) return;
  inSize_ = value;
  if (state_ == psOpen && dispatcher_) dispatcher_->ResizeQueues(inSize_, outSize_);
}

void TScomCustomComPort::SetOutSize(WORD value) {
  if (value == outSize_) return;
  outSize_ = value;
  if (state_ == psOpen && dispatcher_) dispatcher_->ResizeQueues(inSize_, outSize_);
}

void TScomCustomComPort::SetDTR(bool value) {
  if (value == dtr_ && !applying_) return;
  if (state_ == psOpen && dispatcher_) Check(dispatcher_->SetDTR(value));
  dtr_ = value;
}

void TScomCustomComPort::SetRTS(bool value) {
  if (value == rts_ && !applying_) return;
  if (state_ == psOpen && dispatcher_) Check(dispatcher_->SetRTS(value));
  rts_ = value;
}

void TScomCustomComPort::SetHWFlowOptions(unsigned value) {
  if (value == hwFlow_ && !applying_) return;
  unsigned options = value & (hwfUseDTR | hwfUseRTS | hwfRequireDSR | hwfRequireCTS);
  if (options) {
    if (bufferFull_ == 0 || bufferFull_ > inSize_) bufferFull_ = RoundTo(0.9 * inSize_);
    if (bufferResume_ == 0 || bufferResume_ > bufferFull_) bufferResume_ = RoundTo(0.1 * inSize_);
  }
  if (state_ == psOpen && dispatcher_) Check(dispatcher_->SetHardwareFlowControl(bufferFull_, bufferResume_, options));
  hwFlow_ = options;
  if (options & (hwfUseRTS | hwfRequireCTS)) {
    rs485_ = false;
    if (state_ == psOpen && dispatcher_) dispatcher_->SetRS485Mode(false);
  }
}

void TScomCustomComPort::SetSWFlowOptions(TSWFlowOptions value) {
  if (value == swFlow_ && !applying_) return;
  unsigned bits = value == swfReceive ? 2 : value == swfTransmit ? 1 : value == swfBoth ? 3 : 0;
  if (bits) {
    if (bufferFull_ == 0 || bufferFull_ > inSize_) bufferFull_ = RoundTo(0.75 * inSize_);
    if (bufferResume_ == 0 || bufferResume_ > bufferFull_) bufferResume_ = RoundTo(0.25 * inSize_);
  }
  if (state_ == psOpen && dispatcher_)
    Check(bits ? dispatcher_->SetSoftwareFlowControl(bufferFull_, bufferResume_, bits) : dispatcher_->SWFlowDisable());
  swFlow_ = value;
}

void TScomCustomComPort::SetXOnChar(char value) {
  if (value == xon_ && !applying_) return;
  xon_ = value;
  if (state_ == psOpen && dispatcher_) Check(dispatcher_->SetFlowChars(xon_, xoff_));
}

void TScomCustomComPort::SetXOffChar(char value) {
  if (value == xoff_ && !applying_) return;
  xoff_ = value;
  if (state_ == psOpen && dispatcher_) Check(dispatcher_->SetFlowChars(xon_, xoff_));
}

// Both flow settings again with the new limits, the writers forced to apply unchanged values.
void TScomCustomComPort::ReapplyFlowOptions() {
  bool was = applying_;
  applying_ = true;
  struct Restore {
    bool& flag;
    bool value;
    ~Restore() { flag = value; }
  } restore{applying_, was};
  SetHWFlowOptions(hwFlow_);
  SetSWFlowOptions(swFlow_);
}

void TScomCustomComPort::SetBufferFull(WORD value) {
  if (value > inSize_) value = RoundTo(0.9 * inSize_);
  bufferFull_ = value;
  ReapplyFlowOptions();
}

void TScomCustomComPort::SetBufferResume(WORD value) {
  if (value > bufferFull_) value = RoundTo(0.1 * bufferFull_);
  bufferResume_ = value;
  ReapplyFlowOptions();
}

void TScomCustomComPort::SetUseEventWord(bool value) {
  if (value == useEventWord_ && !applying_) return;
  useEventWord_ = value;
  if (state_ == psOpen && dispatcher_) {
    if (value) dispatcher_->SetEventFlags(4);
    else dispatcher_->ClearEventFlags(4);
  }
}

void TScomCustomComPort::SetRS485Mode(bool value) {
  if (value == rs485_ && !applying_) return;
  rs485_ = value;
  if (state_ != psOpen || !dispatcher_) return;
  dispatcher_->SetRS485Mode(value);
  if (value) hwFlow_ &= ~(hwfUseRTS | hwfRequireCTS);
  // Applied even when the options did not change: the RTS control follows the mode.
  ReapplyFlowOptions();
  if (value) SetRTS(false);
}

// Tracing and the dispatch log.

// The trace and the dispatch log follow one state machine; these are their dispatcher operations.
struct TScomCustomComPort::TRecorderOps {
  void (TScomBaseDispatcher::*init)(uint32_t size);
  void (TScomBaseDispatcher::*stop)();
  void (TScomBaseDispatcher::*start)();
  void (TScomBaseDispatcher::*pause)();
  void (TScomBaseDispatcher::*clear)();
  bool (TScomBaseDispatcher::*on)();
  int (TScomBaseDispatcher::*dump)(const std::string& fileName, bool hex, bool allHex, bool append);
  uint32_t maxSize;
};

const TScomCustomComPort::TRecorderOps TScomCustomComPort::kTraceOps = {
    &TScomBaseDispatcher::InitTracing,  &TScomBaseDispatcher::StopTracing,
    &TScomBaseDispatcher::StartTracing, &TScomBaseDispatcher::PauseTracing,
    &TScomBaseDispatcher::ClearTracing, &TScomBaseDispatcher::TracingOn,
    &TScomBaseDispatcher::DumpTrace,    TScomTrace::kMaxEntries};

const TScomCustomComPort::TRecorderOps TScomCustomComPort::kLogOps = {
    &TScomBaseDispatcher::InitDispatchLogging,  &TScomBaseDispatcher::StopDispatchLogging,
    &TScomBaseDispatcher::StartDispatchLogging, &TScomBaseDispatcher::PauseDispatchLogging,
    &TScomBaseDispatcher::ClearDispatchLogging, &TScomBaseDispatcher::LoggingOn,
    &TScomBaseDispatcher::DumpDispatchLog,      TScomDispatchLog::kMaxBytes};

void TScomCustomComPort::SetRecorderState(TTraceLogState& state, TTraceLogState value,
                                          const TRecorderOps& ops, uint32_t size,
                                          const std::string& fileName, bool hex, bool allHex) {
  if (state_ != psOpen || !dispatcher_) {
    state = value == tlOn ? tlOn : tlOff;
    return;
  }
  if (value == state && !applying_) return;
  TScomBaseDispatcher& d = *dispatcher_;
  const bool active = state == tlOn || state == tlPause;
  switch (value) {
    case tlOff:
      if (active) (d.*ops.stop)();
      state = tlOff;
      break;
    case tlOn:
      if (state == tlPause && (d.*ops.on)()) (d.*ops.start)();
      else (d.*ops.init)(size);
      state = tlOn;
      break;
    case tlDump:
    case tlAppend: {
      int r = 0;
      if (active && (d.*ops.on)()) {
        (d.*ops.pause)();
        r = (d.*ops.dump)(fileName, hex, allHex, value == tlAppend);
      }
      state = tlOff;
      Check(r);
      break;
    }
    case tlClear:
      if (active) (d.*ops.clear)();
      break;
    case tlPause:
      if (state == tlOn) {
        (d.*ops.pause)();
        state = tlPause;
      }
      break;
  }
}

void TScomCustomComPort::SetRecorderSize(uint32_t& size, uint32_t value, TTraceLogState state,
                                         const TRecorderOps& ops) {
  value = std::min(value, ops.maxSize);
  if (value == size) return;
  size = value;
  if (state_ == psOpen && dispatcher_ && state == tlOn) (dispatcher_.get()->*ops.init)(size);
}

void TScomCustomComPort::SetTracing(TTraceLogState value) {
  SetRecorderState(tracing_, value, kTraceOps, traceSize_, TraceName, TraceHex, TraceAllHex);
}

void TScomCustomComPort::SetTraceSize(uint32_t value) { SetRecorderSize(traceSize_, value, tracing_, kTraceOps); }

void TScomCustomComPort::SetLogging(TTraceLogState value) {
  SetRecorderState(logging_, value, kLogOps, logSize_, LogName, LogHex, LogAllHex);
}

void TScomCustomComPort::SetLogSize(uint32_t value) { SetRecorderSize(logSize_, value, logging_, kLogOps); }
