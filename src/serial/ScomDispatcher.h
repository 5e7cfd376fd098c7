#pragma once
#include "ScomLock.h"
#include "ScomTrace.h"
#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TComponent;

// Trigger messages sent to the registered windows; lParam = (Handle << 16) + data.
enum : UINT {
  APW_TRIGGERAVAIL = 0x7E01,
  APW_TRIGGERDATA = 0x7E02,
  APW_TRIGGERTIMER = 0x7E03,
  APW_TRIGGERSTATUS = 0x7E04,
  APW_PORTOPEN = 0x7E08,
  APW_PORTCLOSE = 0x7E09,
  APW_CLOSEPENDING = 0x7E0A,
  // The device went away (wParam: the system's error code); posted once per open.
  APW_PORTLOST = 0x7E0B,
};

// InitPort flags.
enum : unsigned { ipDTR = 1, ipRTS = 2, ipDTRFlow = 16, ipRTSFlow = 32 };

// What a component keeps across a close and reopen.
struct TScomSavedHandlers {
  int AvailThreshold = 0;
};

// The engine behind one open port: device handle, line settings, the 8192-byte receive ring, the
// output buffer, the data-available report and the windows that receive it. The device
// primitives are virtual (the Win32 layer implements them). Every operation returns 0 or a
// negative result code.
class TScomBaseDispatcher {
public:
  static constexpr int kRingSize = 8192;

  explicit TScomBaseDispatcher(TComponent* owner);
  virtual ~TScomBaseDispatcher();
  TScomBaseDispatcher(const TScomBaseDispatcher&) = delete;
  TScomBaseDispatcher& operator=(const TScomBaseDispatcher&) = delete;

  int Handle() const { return handle_; }
  TComponent* Owner() const { return owner_; }
  std::string DeviceName;

  int InitPort(const std::string& name, int baud, int parity, int dataBits, int stopBits, int inSize,
               int outSize, unsigned flags);
  void DonePort();

  int SetLine(int baud, int parity, int stopBits, int dataBits);
  void GetLine(int& baud, int& parity, int& stopBits, int& dataBits);
  int SetDTR(bool on);
  int SetRTS(bool on);
  uint8_t GetModemStatus(uint8_t mask);
  int GetLineError();
  bool CheckLineBreak();

  int GetChar(uint8_t& c);
  int PeekChar(uint8_t& c, int n);
  int PutChar(uint8_t c);
  int PutBlock(const void* buffer, int length);
  int InBuffUsed();
  int OutBuffUsed();
  int OutBuffFree();
  int FlushOutBuffer();
  int FlushInBuffer();

  int SetHardwareFlowControl(int full, int resume, unsigned options);
  int SetSoftwareFlowControl(int full, int resume, unsigned options);
  int SWFlowDisable();
  int SetFlowChars(char xon, char xoff);
  int GetFlowOptions(unsigned& hw, unsigned& sw, char& xon, char& xoff);

  void SetTriggerAvail(int count);
  void RegisterWindowHandler(HWND window);
  void DeregisterWindowHandler(HWND window);
  void SaveHandlers(TScomSavedHandlers& saved);
  void RestoreHandlers(const TScomSavedHandlers& saved);
  void SetEventFlags(unsigned mask);
  void ClearEventFlags(unsigned mask);
  unsigned EventFlags() const { return eventFlags_; }

  // Sends msg to every registered window (3 s each); in peek mode the bytes the handlers took
  // leave the ring afterwards. False when a close was asked meanwhile.
  bool DispatchEvent(UINT msg, WPARAM trigger, WORD data);

  virtual void SetRS485Mode(bool on);
  virtual void SetThreadBoost(int boost) { threadBoost_ = boost; }
  virtual void UpdateHandlerFlags(int action);

  bool InsideDispatch() const { return insideDispatch_; }
  bool CloseRequested() const { return closeRequested_; }
  // True while any worker thread still runs.
  bool ThreadsRunning() const { return runningThreads_ > 0; }
  bool DeviceOpen() const { return device_ != INVALID_HANDLE_VALUE && !portClosed_; }
  // The error of the failure that showed the device gone; 0 while it works.
  DWORD LostError() const { return static_cast<DWORD>(lostError_); }
  int OutSize() const { return outSize_; }
  // New driver queue sizes for an open port.
  int ResizeQueues(int inSize, int outSize) { return SetupCom(inSize, outSize) ? 0 : -static_cast<int>(GetLastError()); }
  int InSize() const { return inSize_; }

  // Moves what the driver holds into the ring (the dispatch thread's read); returns the count.
  int ReadIntoRing();
  // One data-available report: 1 reported, 0 nothing to report, -1 a close was asked.
  int ReportAvail();

  // Tracing and the dispatch log (both off unless switched on).
  void InitTracing(uint32_t entries);
  void StopTracing();
  void ClearTracing();
  void StartTracing();
  void PauseTracing();
  bool TracingOn();
  void AddTraceEntry(char kind, uint8_t byte);
  int DumpTrace(const std::string& fileName, bool hex, bool allHex, bool append);
  void InitDispatchLogging(uint32_t bytes);
  void StopDispatchLogging();
  void ClearDispatchLogging();
  void StartDispatchLogging();
  void PauseDispatchLogging();
  bool LoggingOn();
  void AddDispatchEntry(uint8_t type, uint8_t subType, uint32_t data, const void* bytes, uint32_t count);
  int DumpDispatchLog(const std::string& fileName, bool hex, bool allHex, bool append);

protected:
  // Device primitives.
  virtual int EscapeComFunction(int function) = 0;
  virtual int FlushCom(int which) = 0;
  // The error bits of ClearCommError; with output, the output count is the output buffer's.
  virtual int GetComError(COMSTAT& status, bool output) = 0;
  virtual int GetComModemStatus(DWORD& status) = 0;
  virtual int GetComState(DCB& dcb) = 0;
  virtual int ReadCom(void* buffer, int count) = 0;
  virtual int SetComState(DCB& dcb) = 0;
  virtual int WriteCom(const void* buffer, int count) = 0;
  virtual bool SetupCom(int inSize, int outSize) = 0;
  // Stops the threads and frees the buffers; FinishPort runs it once per open.
  virtual void DonePortPrim();
  void FinishPort();
  virtual void StartDispatcher() = 0;
  virtual void StopDispatcher() = 0;
  virtual int OpenCom(const std::string& name, int inSize, int outSize) = 0;
  virtual int CloseCom() = 0;
  virtual int CheckPort() {
    Sleep(0);
    return 0;
  }

  int WriteControlBlock();
  int RefreshStatus();
  int OutPending() const;  // under outLock_
  bool RingFull();
  // Copies bytes into the output buffer at put (wrapping); the caller checked the room.
  int AppendOutput(const void* buffer, int count);
  void RefreshModemStatus();
  void RefreshErrorBits();
  // A wait, read, write or status call failed as it does on a device that went away: the
  // registered windows are told once (APW_PORTLOST). Nothing during a close.
  void ReportLost(DWORD error);

  TComponent* owner_;
  int handle_ = -1;
  HANDLE device_ = INVALID_HANDLE_VALUE;
  // Set by CloseCom; the handle itself may be closed later, once the threads have ended.
  volatile bool portClosed_ = false;

  TScomLock mainLock_, outLock_, recvLock_;
  // Made at open: ComEvent, ReadyEvent, GeneralEvent, OutputEvent (auto), SentEvent (manual),
  // OutFlushEvent (auto), and FlushAckEvent (auto) on which the output thread answers a flush.
  TScomEvent comEvent_, readyEvent_, generalEvent_, outputEvent_, sentEvent_, outFlushEvent_, flushAckEvent_;
  bool CreateEvents();
  void CloseEvents();

  // Status.
  unsigned errors_ = 0;
  COMSTAT status_ = {};
  uint8_t modemStatus_ = 0;
  volatile LONG ringSeen_ = 0;

  // Line settings.
  DCB dcb_ = {};
  int baud_ = 115200;
  bool dtr_ = false, dtrFlow_ = false, rts_ = false, rtsFlow_ = false;
  bool rs485_ = false;
  int threadBoost_ = 0;

  // Buffers.
  int inSize_ = 0, outSize_ = 0;
  std::vector<uint8_t> ring_;
  int head_ = 0, tail_ = 0;
  bool ringFull_ = false;
  uint64_t received_ = 0, lastReported_ = 0;
  int availThreshold_ = 0;
  bool peekMode_ = false;
  int peekCount_ = 0, mostConsumed_ = 0;

  std::vector<uint8_t> outBuf_;
  int put_ = 0, send_ = 0;
  bool outFull_ = false;
  bool dataWritten_ = false;

  // Handlers.
  struct WindowHandler {
    HWND window;
    bool deleted;
  };
  std::vector<WindowHandler> handlers_;
  bool componentWantsEvents_ = false;
  volatile bool handlersWanted_ = false;
  volatile bool insideDispatch_ = false;
  bool listChanged_ = false;
  volatile bool closeRequested_ = false;
  unsigned eventFlags_ = 0;

  // Threads.
  volatile bool kill_ = false;
  volatile bool started_ = false;
  volatile LONG runningThreads_ = 0;
  volatile LONG primDone_ = 0;
  volatile LONG lostError_ = 0;

  std::unique_ptr<TScomTrace> trace_;
  std::unique_ptr<TScomDispatchLog> log_;
  uint32_t timeBase_ = 0;

private:
  int UsedLocked() const;
  // The RTS control while RTS is not flow-driven (under mainLock_).
  DWORD RtsControl() const;
  static int TranslateBaud(int baud);
};
