#include "ScomDispatcher.h"
#include "ScomException.h"
#include "ScomSystem.h"
#include "ScomUtil.h"
#include <algorithm>
#include <cstring>

namespace {
constexpr int kRing = TScomBaseDispatcher::kRingSize;
}

TScomBaseDispatcher::TScomBaseDispatcher(TComponent* owner) : owner_(owner) {
  handle_ = TScomDispatcherList::Add(this);
}

TScomBaseDispatcher::~TScomBaseDispatcher() { TScomDispatcherList::Remove(handle_); }

bool TScomBaseDispatcher::CreateEvents() {
  return comEvent_.Create(false) && readyEvent_.Create(false) && generalEvent_.Create(false) &&
         outputEvent_.Create(false) && sentEvent_.Create(true) && outFlushEvent_.Create(false) &&
         flushAckEvent_.Create(false);
}

void TScomBaseDispatcher::CloseEvents() {
  comEvent_.Close();
  readyEvent_.Close();
  generalEvent_.Close();
  outputEvent_.Close();
  sentEvent_.Close();
  outFlushEvent_.Close();
  flushAckEvent_.Close();
}

int TScomBaseDispatcher::InitPort(const std::string& name, int baud, int parity, int dataBits, int stopBits,
                                  int inSize, int outSize, unsigned flags) {
  {
    TScomGuard out(outLock_);
    put_ = send_ = 0;
    outFull_ = false;
  }
  insideDispatch_ = false;
  closeRequested_ = false;
  kill_ = false;
  primDone_ = 0;
  portClosed_ = false;
  lostError_ = 0;
  if (!CreateEvents()) {
    CloseEvents();
    return ecOutOfMemory;
  }
  inSize_ = inSize;
  outSize_ = outSize;

  int result = OpenCom(name, inSize, outSize);
  if (result < 0) {
    int code = result == ecOutOfMemory ? ecOutOfMemory : -static_cast<int>(GetLastError());
    if (code == 0) code = -1;
    DonePort();
    return code;
  }
  if (!SetupCom(inSize, outSize)) {
    int code = -static_cast<int>(GetLastError());
    if (code == 0) code = -1;
    DonePort();
    return code;
  }
  {
    TScomGuard recv(recvLock_);
    ring_.assign(kRing, 0);
    head_ = tail_ = 0;
    ringFull_ = false;
    received_ = lastReported_ = 0;
    peekMode_ = false;
    peekCount_ = mostConsumed_ = 0;
  }
  {
    TScomGuard out(outLock_);
    outBuf_.assign(std::max(outSize, 0), 0);
    put_ = send_ = 0;
    outFull_ = false;
    dataWritten_ = false;
  }
  GetComState(dcb_);

  if (flags & ipDTRFlow) dtrFlow_ = true;
  else SetDTR(flags & ipDTR);
  if (flags & ipRTSFlow) rtsFlow_ = true;
  else SetRTS(flags & ipRTS);

  {
    TScomGuard main(mainLock_);
    availThreshold_ = 0;
  }
  RefreshModemStatus();
  {
    TScomGuard main(mainLock_);
    modemStatus_ &= 0xF0;
  }
  baud_ = 115200;

  result = SetLine(baud, parity, stopBits, dataBits);
  if (result < 0) {
    DonePort();
    return result;
  }
  RefreshErrorBits();
  {
    TScomGuard main(mainLock_);
    trace_.reset();
    log_.reset();
  }
  timeBase_ = ClockMs();
  StartDispatcher();
  return 0;
}

void TScomBaseDispatcher::DonePort() {
  if (DeviceOpen()) {
    FlushOutBuffer();
    FlushInBuffer();
    CloseCom();
    portClosed_ = true;
  }
  if (insideDispatch_) closeRequested_ = true;
  else FinishPort();
}

void TScomBaseDispatcher::FinishPort() {
  if (InterlockedExchange(&primDone_, 1)) return;
  DonePortPrim();
}

void TScomBaseDispatcher::DonePortPrim() {
  StopDispatcher();
  {
    TScomGuard recv(recvLock_);
    ring_.clear();
    head_ = tail_ = 0;
    ringFull_ = false;
  }
  {
    TScomGuard out(outLock_);
    outBuf_.clear();
    put_ = send_ = 0;
    outFull_ = false;
  }
}

int TScomBaseDispatcher::TranslateBaud(int baud) {
  if (baud == 0xFEFF) return 115200;
  static const int coded[] = {110, 300,   600, 1200, 2400, 4800, 9600, 14400, 19200, 0, 0,  38400,
                              0,   0,     0,   56000, 0,   0,    0,    128000, 0,   0, 0, 256000};
  if (baud >= 0xFF10 && baud < 0xFF10 + static_cast<int>(std::size(coded)) && coded[baud - 0xFF10])
    return coded[baud - 0xFF10];
  return baud;
}

int TScomBaseDispatcher::SetLine(int baud, int parity, int stopBits, int dataBits) {
  DCB block;
  {
    TScomGuard main(mainLock_);
    int r = GetComState(block);
    if (r < 0) return r;
    DCB current = block;
    block.fBinary = 1;
    block.fParity = 0;
    block.fDsrSensitivity = 0;
    block.fTXContinueOnXoff = 1;
    block.fNull = 0;
    baud = TranslateBaud(baud);
    if (baud != 0) block.BaudRate = baud;
    if (parity != 5) block.Parity = static_cast<BYTE>(parity);
    if (dataBits != 9) block.ByteSize = static_cast<BYTE>(dataBits);
    if (stopBits != 3) {
      int bits = stopBits <= 1 ? 1 : 2;
      block.StopBits = bits == 1 ? ONESTOPBIT : TWOSTOPBITS;
      if (block.ByteSize == 5) block.StopBits = ONE5STOPBITS;
    }
    if (std::memcmp(&block, &current, sizeof block) == 0) {
      dcb_ = block;
      return 0;
    }
  }
  // Let what is queued leave at the old settings first.
  for (int i = 0; i < 5000 && OutBuffUsed() > 0; ++i) Sleep(2);
  if (block.BaudRate > 0) {
    int bits = block.ByteSize + 2 + (block.Parity != NOPARITY ? 1 : 0) + (block.StopBits != ONESTOPBIT ? 1 : 0);
    long long t = static_cast<long long>(10000000 / block.BaudRate) * bits * 18;
    if (t < 10000) t *= 2;
    Sleep(static_cast<DWORD>((t + 9999) / 10000));
  }
  {
    TScomGuard main(mainLock_);
    dcb_ = block;
  }
  return WriteControlBlock();
}

int TScomBaseDispatcher::WriteControlBlock() {
  {
    TScomGuard main(mainLock_);
    if (!dtrFlow_) dcb_.fDtrControl = dtr_ ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    if (!rtsFlow_) dcb_.fRtsControl = RtsControl();
    int r = SetComState(dcb_);
    if (r < 0) return r;
    baud_ = static_cast<int>(dcb_.BaudRate);
  }
  SetDTR(dtr_);
  if (!rs485_) SetRTS(rts_);
  return 0;
}

void TScomBaseDispatcher::GetLine(int& baud, int& parity, int& stopBits, int& dataBits) {
  TScomGuard main(mainLock_);
  DCB block;
  if (GetComState(block) >= 0) dcb_ = block;
  baud = static_cast<int>(dcb_.BaudRate);
  parity = dcb_.Parity;
  dataBits = dcb_.ByteSize;
  stopBits = dcb_.StopBits == TWOSTOPBITS ? 2 : 1;
}

int TScomBaseDispatcher::SetDTR(bool on) {
  if (dtrFlow_) return 1;
  if (EscapeComFunction(on ? SETDTR : CLRDTR) < 0) return ecBadArgument;
  dtr_ = on;
  return 0;
}

int TScomBaseDispatcher::SetRTS(bool on) {
  if (rtsFlow_) return 1;
  if (EscapeComFunction(on ? SETRTS : CLRRTS) < 0) return ecBadArgument;
  rts_ = on;
  return 0;
}

void TScomBaseDispatcher::RefreshModemStatus() {
  DWORD line = 0;
  GetComModemStatus(line);
  TScomGuard main(mainLock_);
  uint8_t now = static_cast<uint8_t>(line & 0xF0);
  uint8_t changes = static_cast<uint8_t>((modemStatus_ & 0x0F) | ((now ^ (modemStatus_ & 0xF0)) >> 4));
  modemStatus_ = now | changes;
}

uint8_t TScomBaseDispatcher::GetModemStatus(uint8_t mask) {
  RefreshModemStatus();
  TScomGuard main(mainLock_);
  if (InterlockedExchange(&ringSeen_, 0)) modemStatus_ |= 0x04;
  uint8_t status = modemStatus_ & mask;
  modemStatus_ &= static_cast<uint8_t>(~(mask & 0x0F));  // change bits are kept until read
  return status;
}

void TScomBaseDispatcher::ReportLost(DWORD error) {
  if (kill_ || portClosed_ || closeRequested_) return;
  if (error == 0) error = ERROR_GEN_FAILURE;
  if (InterlockedCompareExchange(&lostError_, static_cast<LONG>(error), 0) != 0) return;
  std::vector<HWND> windows;
  {
    TScomGuard main(mainLock_);
    for (const auto& h : handlers_)
      if (!h.deleted) windows.push_back(h.window);
  }
  for (HWND window : windows) PostMessageA(window, APW_PORTLOST, error, MAKELPARAM(0, handle_));
}

void TScomBaseDispatcher::RefreshErrorBits() {
  COMSTAT status = {};
  GetComError(status, true);
}

int TScomBaseDispatcher::GetLineError() {
  TScomGuard main(mainLock_);
  int result = 0;
  if (errors_ & 1) result = 1;
  else if (errors_ & 2) result = 2;
  else if (errors_ & 4) result = 3;
  else if (errors_ & 8) result = 4;
  else if (errors_ & 16) result = 9;
  errors_ &= ~0x0Fu;
  return result;
}

bool TScomBaseDispatcher::CheckLineBreak() {
  TScomGuard main(mainLock_);
  bool seen = errors_ & 16;
  errors_ &= ~16u;
  return seen;
}

int TScomBaseDispatcher::UsedLocked() const {
  if (head_ > tail_) return head_ - tail_;
  if (head_ < tail_) return head_ + kRing - tail_;
  return ringFull_ ? kRing : 0;
}

bool TScomBaseDispatcher::RingFull() {
  TScomGuard recv(recvLock_);
  return ringFull_;
}

int TScomBaseDispatcher::GetChar(uint8_t& c) {
  TScomGuard recv(recvLock_);
  if (ring_.empty()) return ecBufferIsEmpty;
  int used = UsedLocked();
  if (peekMode_) {
    if (peekCount_ >= used) return ecBufferIsEmpty;
    ++peekCount_;
    c = ring_[(tail_ + peekCount_ - 1) % kRing];
  } else {
    if (used == 0) return ecBufferIsEmpty;
    c = ring_[tail_];
    tail_ = (tail_ + 1) % kRing;
    ringFull_ = false;
  }
  AddTraceEntry('R', c);
  return 0;
}

int TScomBaseDispatcher::PeekChar(uint8_t& c, int n) {
  TScomGuard recv(recvLock_);
  if (ring_.empty() || n < 1 || n > UsedLocked()) return ecBufferIsEmpty;
  c = ring_[(tail_ + n - 1) % kRing];
  return 0;
}

int TScomBaseDispatcher::InBuffUsed() {
  TScomGuard recv(recvLock_);
  return ring_.empty() ? 0 : UsedLocked();
}

int TScomBaseDispatcher::OutPending() const {
  if (outFull_) return outSize_;
  if (put_ > send_) return put_ - send_;
  if (put_ < send_) return outSize_ - send_ + put_;
  return 0;
}

int TScomBaseDispatcher::AppendOutput(const void* buffer, int count) {
  TScomGuard out(outLock_);
  if (outSize_ <= 0 || count <= 0 || outBuf_.empty() || count > outSize_ - OutPending()) return 0;
  const auto* p = static_cast<const uint8_t*>(buffer);
  int first = std::min(count, outSize_ - put_);
  std::memcpy(&outBuf_[put_], p, first);
  if (count > first) std::memcpy(&outBuf_[0], p + first, count - first);
  put_ = (put_ + count) % outSize_;
  if (put_ == send_) outFull_ = true;
  return count;
}

int TScomBaseDispatcher::RefreshStatus() {
  COMSTAT status = {};
  return GetComError(status, true);
}

int TScomBaseDispatcher::OutBuffUsed() {
  COMSTAT status = {};
  GetComError(status, true);
  return static_cast<int>(status.cbOutQue);
}

int TScomBaseDispatcher::OutBuffFree() { return outSize_ - OutBuffUsed(); }

int TScomBaseDispatcher::PutChar(uint8_t c) { return PutBlock(&c, 1); }

int TScomBaseDispatcher::PutBlock(const void* buffer, int length) {
  if (length == 0) return 0;
  if (length < 0 || !buffer) return ecBadArgument;
  int written;
  {
    TScomGuard out(outLock_);
    COMSTAT status = {};
    GetComError(status, true);
    int freeSpace = outSize_ - static_cast<int>(status.cbOutQue);
    if (outBuf_.empty() || length > freeSpace) return ecOutputBufferTooSmall;
    written = WriteCom(buffer, length);
  }
  if (written <= 0) return ecPutBlockFail;
  dataWritten_ = true;
  AddDispatchEntry(1, 2, static_cast<uint32_t>(length), buffer, static_cast<uint32_t>(length));
  {
    TScomGuard main(mainLock_);
    if (trace_) {
      const auto* p = static_cast<const uint8_t*>(buffer);
      for (int i = 0; i < length; ++i) trace_->Add('T', p[i]);
    }
  }
  return 0;
}

int TScomBaseDispatcher::FlushOutBuffer() { return FlushCom(0); }

int TScomBaseDispatcher::FlushInBuffer() {
  TScomGuard recv(recvLock_);
  int r = FlushCom(1);
  if (peekMode_) peekCount_ = UsedLocked();
  else {
    tail_ = head_;
    peekCount_ = 0;
  }
  ringFull_ = false;
  return r;
}

// In RS-485 mode the driver raises RTS for each send and drops it after, also across a change of
// the line settings.
DWORD TScomBaseDispatcher::RtsControl() const {
  if (rs485_) return RTS_CONTROL_TOGGLE;
  return rts_ ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
}

int TScomBaseDispatcher::SetHardwareFlowControl(int full, int resume, unsigned options) {
  if (resume > full || full > inSize_) return ecBadArgument;
  {
    TScomGuard main(mainLock_);
    dtrFlow_ = options & 1;
    rtsFlow_ = options & 2;
    dcb_.fDtrControl = dtrFlow_ ? DTR_CONTROL_HANDSHAKE : (dtr_ ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE);
    dcb_.fRtsControl = rtsFlow_ ? RTS_CONTROL_HANDSHAKE : RtsControl();
    dcb_.fOutxDsrFlow = (options & 4) != 0;
    dcb_.fOutxCtsFlow = (options & 8) != 0;
    dcb_.XoffLim = static_cast<WORD>(inSize_ - full);
    dcb_.XonLim = static_cast<WORD>(resume);
    int r = SetComState(dcb_);
    if (r < 0) return r;
  }
  return 0;
}

int TScomBaseDispatcher::SetSoftwareFlowControl(int full, int resume, unsigned options) {
  if (resume > full || full > inSize_) return ecBadArgument;
  TScomGuard main(mainLock_);
  dcb_.fInX = (options & 2) != 0;
  dcb_.fOutX = (options & 1) != 0;
  dcb_.XonChar = 0x11;
  dcb_.XoffChar = 0x13;
  dcb_.XoffLim = static_cast<WORD>(inSize_ - full);
  dcb_.XonLim = static_cast<WORD>(resume);
  int r = SetComState(dcb_);
  return r < 0 ? r : 0;
}

int TScomBaseDispatcher::SWFlowDisable() {
  TScomGuard main(mainLock_);
  dcb_.fInX = 0;
  dcb_.fOutX = 0;
  int r = SetComState(dcb_);
  return r < 0 ? r : 0;
}

int TScomBaseDispatcher::SetFlowChars(char xon, char xoff) {
  TScomGuard main(mainLock_);
  dcb_.XonChar = xon;
  dcb_.XoffChar = xoff;
  int r = SetComState(dcb_);
  return r < 0 ? r : 0;
}

int TScomBaseDispatcher::GetFlowOptions(unsigned& hw, unsigned& sw, char& xon, char& xoff) {
  TScomGuard main(mainLock_);
  hw = (dcb_.fDtrControl == DTR_CONTROL_HANDSHAKE ? 1 : 0) | (dcb_.fRtsControl == RTS_CONTROL_HANDSHAKE ? 2 : 0) |
       (dcb_.fOutxDsrFlow ? 4 : 0) | (dcb_.fOutxCtsFlow ? 8 : 0);
  sw = (dcb_.fInX ? 2 : 0) | (dcb_.fOutX ? 1 : 0);
  xon = dcb_.XonChar;
  xoff = dcb_.XoffChar;
  return 0;
}

void TScomBaseDispatcher::SetTriggerAvail(int count) {
  {
    TScomGuard main(mainLock_);
    availThreshold_ = count;
  }
  AddDispatchEntry(9, 16, static_cast<uint32_t>(count), nullptr, 0);
}

void TScomBaseDispatcher::RegisterWindowHandler(HWND window) {
  {
    TScomGuard main(mainLock_);
    handlers_.push_back({window, false});
    handlersWanted_ = true;
  }
  // Window handles stay 32-bit significant on 64-bit Windows, so the 32-bit log field holds one.
  AddDispatchEntry(7, 17, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)), nullptr, 0);
}

void TScomBaseDispatcher::DeregisterWindowHandler(HWND window) {
  bool found = false;
  {
    TScomGuard main(mainLock_);
    for (size_t i = 0; i < handlers_.size(); ++i)
      if (handlers_[i].window == window && !handlers_[i].deleted) {
        if (insideDispatch_) {
          handlers_[i].deleted = true;
          listChanged_ = true;
        } else {
          handlers_.erase(handlers_.begin() + i);
        }
        found = true;
        break;
      }
    if (found) UpdateHandlerFlags(0);
  }
  if (found) AddDispatchEntry(8, 17, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)), nullptr, 0);
}

void TScomBaseDispatcher::UpdateHandlerFlags(int action) {
  TScomGuard main(mainLock_);
  int live = 0;
  for (const auto& h : handlers_)
    if (!h.deleted) ++live;
  bool any = live >= 2;
  switch (action) {
    case 0: handlersWanted_ = any || componentWantsEvents_; break;
    case 1: componentWantsEvents_ = true; handlersWanted_ = true; break;
    case 2: componentWantsEvents_ = false; handlersWanted_ = any; break;
  }
}

void TScomBaseDispatcher::SaveHandlers(TScomSavedHandlers& saved) {
  TScomGuard main(mainLock_);
  saved.AvailThreshold = availThreshold_;
}

void TScomBaseDispatcher::RestoreHandlers(const TScomSavedHandlers& saved) {
  TScomGuard main(mainLock_);
  availThreshold_ = saved.AvailThreshold;
}

void TScomBaseDispatcher::SetEventFlags(unsigned mask) {
  TScomGuard main(mainLock_);
  eventFlags_ |= mask;
}

void TScomBaseDispatcher::ClearEventFlags(unsigned mask) {
  TScomGuard main(mainLock_);
  eventFlags_ &= ~mask;
}

void TScomBaseDispatcher::SetRS485Mode(bool on) {
  TScomGuard main(mainLock_);
  rs485_ = on;
}

bool TScomBaseDispatcher::DispatchEvent(UINT msg, WPARAM trigger, WORD data) {
  if (!handlersWanted_) return true;
  bool walk;
  {
    TScomGuard main(mainLock_);
    insideDispatch_ = true;
    walk = handlers_.size() > 1 || componentWantsEvents_;
  }
  const bool peek = msg == APW_TRIGGERAVAIL || msg == APW_TRIGGERDATA;
  {
    TScomGuard recv(recvLock_);
    mostConsumed_ = 0;
    peekCount_ = 0;
    peekMode_ = peek;
  }
  bool stopped = false;
  for (size_t i = 0; walk; ++i) {
    HWND window;
    {
      TScomGuard main(mainLock_);
      if (i >= handlers_.size()) break;
      if (handlers_[i].deleted) continue;
      window = handlers_[i].window;
    }
    {
      TScomGuard recv(recvLock_);
      peekCount_ = 0;
    }
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, msg, trigger, MAKELPARAM(data, handle_), SMTO_BLOCK, 3000, &answer);
    if (closeRequested_ || kill_) {
      stopped = true;
      break;
    }
    TScomGuard recv(recvLock_);
    mostConsumed_ = std::max(mostConsumed_, peekCount_);
  }
  bool result = !stopped;
  {
    TScomGuard recv(recvLock_);
    if (peek && !stopped && !ring_.empty()) {
      int consumed = std::min(mostConsumed_, UsedLocked());
      tail_ = (tail_ + consumed) % kRing;
      if (consumed > 0) ringFull_ = false;
      if (msg == APW_TRIGGERAVAIL && consumed != static_cast<int>(trigger)) result = false;
    }
    peekMode_ = false;
    peekCount_ = 0;
  }
  {
    TScomGuard main(mainLock_);
    insideDispatch_ = false;
    if (listChanged_) {
      handlers_.erase(std::remove_if(handlers_.begin(), handlers_.end(), [](const WindowHandler& h) { return h.deleted; }),
                      handlers_.end());
      listChanged_ = false;
      UpdateHandlerFlags(0);
    }
  }
  return result;
}

int TScomBaseDispatcher::ReadIntoRing() {
  int total = 0;
  {
    TScomGuard recv(recvLock_);
    if (ring_.empty() || ringFull_) return 0;
    COMSTAT status = {};
    GetComError(status, false);
    int want = std::min(static_cast<int>(status.cbInQue), kRing - UsedLocked());
    const int start = head_;
    while (want > 0) {
      int piece = std::min(want, kRing - head_);
      int got = ReadCom(&ring_[head_], piece);
      if (got <= 0) break;
      got = std::min(got, piece);
      head_ = (head_ + got) % kRing;
      total += got;
      want -= got;
      if (got < piece) break;
    }
    if (total > 0 && head_ == tail_) ringFull_ = true;
    received_ += total;
    if (total > 0 && LoggingOn()) {
      std::string bytes;
      for (int i = 0; i < total; ++i) bytes += static_cast<char>(ring_[(start + i) % kRing]);
      AddDispatchEntry(1, 1, static_cast<uint32_t>(total), bytes.data(), static_cast<uint32_t>(total));
    }
  }
  RefreshStatus();
  return total;
}

int TScomBaseDispatcher::ReportAvail() {
  int threshold;
  {
    TScomGuard main(mainLock_);
    threshold = availThreshold_;
  }
  if (threshold <= 0) return 0;
  int used;
  {
    TScomGuard recv(recvLock_);
    if (ring_.empty()) return 0;
    used = UsedLocked();
    if (received_ == lastReported_ || used < threshold) return 0;
    lastReported_ = received_;
  }
  AddDispatchEntry(2, 5, static_cast<uint32_t>(used), nullptr, 0);
  DispatchEvent(APW_TRIGGERAVAIL, static_cast<WPARAM>(used), 0);
  return closeRequested_ || kill_ ? -1 : 1;
}

// Tracing and the dispatch log.

void TScomBaseDispatcher::InitTracing(uint32_t entries) {
  TScomGuard main(mainLock_);
  trace_ = std::make_unique<TScomTrace>(entries);
}
void TScomBaseDispatcher::StopTracing() {
  TScomGuard main(mainLock_);
  trace_.reset();
}
void TScomBaseDispatcher::ClearTracing() {
  TScomGuard main(mainLock_);
  if (trace_) trace_->Clear();
}
void TScomBaseDispatcher::StartTracing() {
  TScomGuard main(mainLock_);
  if (trace_) trace_->Paused = false;
}
void TScomBaseDispatcher::PauseTracing() {
  TScomGuard main(mainLock_);
  if (trace_) trace_->Paused = true;
}
bool TScomBaseDispatcher::TracingOn() {
  TScomGuard main(mainLock_);
  return trace_ != nullptr;
}
void TScomBaseDispatcher::AddTraceEntry(char kind, uint8_t byte) {
  TScomGuard main(mainLock_);
  if (trace_) trace_->Add(kind, byte);
}
int TScomBaseDispatcher::DumpTrace(const std::string& fileName, bool hex, bool allHex, bool append) {
  std::string text;
  {
    TScomGuard main(mainLock_);
    if (!trace_) return -3008;
    text = trace_->Text(hex, allHex);
    trace_.reset();
  }
  return WriteTextFile(fileName, text, append);
}

void TScomBaseDispatcher::InitDispatchLogging(uint32_t bytes) {
  TScomGuard main(mainLock_);
  log_ = std::make_unique<TScomDispatchLog>(bytes, timeBase_);
}
void TScomBaseDispatcher::StopDispatchLogging() {
  TScomGuard main(mainLock_);
  log_.reset();
}
void TScomBaseDispatcher::ClearDispatchLogging() {
  TScomGuard main(mainLock_);
  if (log_) log_->Clear();
}
void TScomBaseDispatcher::StartDispatchLogging() {
  TScomGuard main(mainLock_);
  if (log_) log_->Paused = false;
}
void TScomBaseDispatcher::PauseDispatchLogging() {
  TScomGuard main(mainLock_);
  if (log_) log_->Paused = true;
}
bool TScomBaseDispatcher::LoggingOn() {
  TScomGuard main(mainLock_);
  return log_ != nullptr;
}
void TScomBaseDispatcher::AddDispatchEntry(uint8_t type, uint8_t subType, uint32_t data, const void* bytes,
                                           uint32_t count) {
  TScomGuard main(mainLock_);
  if (log_) log_->Add(type, subType, data, bytes, count);
}
int TScomBaseDispatcher::DumpDispatchLog(const std::string& fileName, bool hex, bool allHex, bool append) {
  std::string text;
  {
    TScomGuard main(mainLock_);
    if (!log_) return -3009;
    text = log_->Text(DeviceName, hex, allHex);
    log_.reset();
  }
  return WriteTextFile(fileName, text, append);
}
