// The dispatcher's ring, report and output buffer over a fake device layer: the driver queue is
// a string the test fills, and the report goes to a message-only window of this thread.
#include "FakeLines.h"
#include "MessageWindow.h"
#include "ScomDispatcher.h"
#include "ScomException.h"
#include "ScomTestEnv.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace {
class TFakeDispatcher : public TFakeLines<TScomBaseDispatcher> {
public:
  TFakeDispatcher() : TFakeLines(nullptr) {}
  ~TFakeDispatcher() override { DonePort(); }

  std::string driverIn;  // bytes waiting in the driver

  int Pending() {
    TScomGuard out(outLock_);
    return OutPending();
  }

protected:
  int FlushCom(int which) override {
    if (which == 1) driverIn.clear();
    else {
      TScomGuard out(outLock_);
      put_ = send_ = 0;
      outFull_ = false;
    }
    return 0;
  }
  int GetComError(COMSTAT& status, bool output) override {
    status = {};
    status.cbInQue = static_cast<DWORD>(driverIn.size());
    if (output) {
      TScomGuard out(outLock_);
      status.cbOutQue = static_cast<DWORD>(OutPending());
    }
    return 0;
  }
  int ReadCom(void* buffer, int count) override {
    int n = std::min<int>(count, static_cast<int>(driverIn.size()));
    std::memcpy(buffer, driverIn.data(), n);
    driverIn.erase(0, n);
    return n;
  }
  int WriteCom(const void* buffer, int count) override { return AppendOutput(buffer, count); }
  void StartDispatcher() override {}
  void StopDispatcher() override {}
  int OpenCom(const std::string&, int, int) override {
    device_ = reinterpret_cast<HANDLE>(1);
    return 0;
  }
  int CloseCom() override {
    device_ = INVALID_HANDLE_VALUE;
    return 0;
  }
};

std::string Bytes(int n, int from = 0) {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>((from + i) & 0xFF);
  return s;
}

class Dispatcher : public ::testing::Test {
protected:
  void SetUp() override {
    fake.block.DCBlength = sizeof(DCB);
    fake.block.BaudRate = 9600;
    fake.block.ByteSize = 8;
    ASSERT_EQ(fake.InitPort("COM9", 115200, 0, 8, 1, 2048, 2048, ipDTR | ipRTS), 0);
  }
  TFakeDispatcher fake;
};

// A window that takes `take` bytes of each report it is sent, then runs `then` once.
class Handler {
public:
  Handler(TFakeDispatcher& d, int take) : d_(d), take_(take) {
    window_ = std::make_unique<TMessageWindow>("ScomTestHandler", [this](UINT m, WPARAM w, LPARAM, LRESULT& r) {
      if (m != APW_TRIGGERAVAIL) return false;
      reports.push_back(static_cast<int>(w));
      for (int i = 0; i < take_; ++i) {
        uint8_t c;
        int code = d_.GetChar(c);
        if (code == 0) got += static_cast<char>(c);
        else lastError = code;
      }
      if (then) std::exchange(then, nullptr)();
      r = 0;
      return true;
    });
    d_.RegisterWindowHandler(window_->Handle());
    d_.UpdateHandlerFlags(1);
    d_.SetTriggerAvail(1);
  }
  ~Handler() { d_.DeregisterWindowHandler(window_->Handle()); }
  std::vector<int> reports;
  std::string got;
  int lastError = 0;
  std::function<void()> then;

private:
  TFakeDispatcher& d_;
  int take_;
  std::unique_ptr<TMessageWindow> window_;
};
}

TEST_F(Dispatcher, RingHoldsExactly8192AndTakesNoMoreUntilRead) {
  fake.driverIn = Bytes(10000);
  EXPECT_EQ(fake.ReadIntoRing(), 8192);
  EXPECT_EQ(fake.InBuffUsed(), 8192);
  EXPECT_EQ(fake.ReadIntoRing(), 0);
  EXPECT_EQ(fake.driverIn.size(), 10000u - 8192u);
  uint8_t c;
  ASSERT_EQ(fake.GetChar(c), 0);
  EXPECT_EQ(c, 0);
  EXPECT_EQ(fake.ReadIntoRing(), 1);
  // Everything comes out in order across the wrap.
  std::string out;
  while (fake.GetChar(c) == 0) out += static_cast<char>(c);
  EXPECT_EQ(out, Bytes(8192, 1));
  EXPECT_EQ(fake.ReadIntoRing(), 10000 - 8193);
  out.clear();
  while (fake.GetChar(c) == 0) out += static_cast<char>(c);
  EXPECT_EQ(out, Bytes(10000 - 8193, 8193));
  EXPECT_EQ(fake.GetChar(c), ecBufferIsEmpty);
}

TEST_F(Dispatcher, HandlerThatReadsFewerLeavesTheRestAndIsNotToldAgainUntilMoreArrive) {
  Handler handler(fake, 3);
  fake.driverIn = Bytes(10);
  fake.ReadIntoRing();
  EXPECT_EQ(fake.ReportAvail(), 1);
  ASSERT_EQ(handler.reports, std::vector<int>({10}));
  EXPECT_EQ(handler.got, Bytes(3));
  EXPECT_EQ(fake.InBuffUsed(), 7);
  EXPECT_EQ(fake.ReportAvail(), 0);
  EXPECT_EQ(handler.reports.size(), 1u);

  fake.driverIn = Bytes(1, 10);
  fake.ReadIntoRing();
  EXPECT_EQ(fake.ReportAvail(), 1);
  EXPECT_EQ(handler.reports, std::vector<int>({10, 8}));
  EXPECT_EQ(handler.got, Bytes(6));
  EXPECT_EQ(fake.InBuffUsed(), 5);
}

TEST_F(Dispatcher, HandlerReadingPastTheRingGetsBufferEmptyAndTheRingStaysSound) {
  Handler handler(fake, 12);
  fake.driverIn = Bytes(10);
  fake.ReadIntoRing();
  EXPECT_EQ(fake.ReportAvail(), 1);
  EXPECT_EQ(handler.got, Bytes(10));
  EXPECT_EQ(handler.lastError, ecBufferIsEmpty);
  EXPECT_EQ(fake.InBuffUsed(), 0);
  fake.driverIn = Bytes(2, 10);
  fake.ReadIntoRing();
  EXPECT_EQ(fake.InBuffUsed(), 2);
  uint8_t c;
  ASSERT_EQ(fake.GetChar(c), 0);
  EXPECT_EQ(c, 10);
}

TEST_F(Dispatcher, FlushOutsideAHandlerEmptiesTheRing) {
  Handler handler(fake, 0);
  fake.driverIn = Bytes(5);
  fake.ReadIntoRing();
  EXPECT_EQ(fake.InBuffUsed(), 5);
  EXPECT_EQ(fake.FlushInBuffer(), 0);
  EXPECT_EQ(fake.InBuffUsed(), 0);
}

TEST_F(Dispatcher, FlushInsideTheHandlerEmptiesTheRing) {
  // What the handler took before the flush, and a full ring, go alike.
  struct Case {
    int arrived, takenFirst;
  };
  for (const Case& c : {Case{5, 0}, Case{5, 2}, Case{8192, 0}, Case{8192, 3}, Case{10000, 1}}) {
    SCOPED_TRACE(c.arrived);
    SCOPED_TRACE(c.takenFirst);
    Handler handler(fake, 0);
    handler.then = [&] {
      uint8_t b;
      for (int i = 0; i < c.takenFirst; ++i) ASSERT_EQ(fake.GetChar(b), 0);
      EXPECT_EQ(fake.FlushInBuffer(), 0);
      EXPECT_EQ(fake.GetChar(b), ecBufferIsEmpty);
    };
    fake.driverIn = Bytes(c.arrived);
    fake.ReadIntoRing();
    EXPECT_EQ(fake.ReportAvail(), 1);
    EXPECT_EQ(handler.reports, std::vector<int>({std::min(c.arrived, 8192)}));
    EXPECT_EQ(fake.InBuffUsed(), 0);
    EXPECT_TRUE(fake.driverIn.empty()) << "the driver's queue is flushed too";
    EXPECT_EQ(fake.ReportAvail(), 0);

    // What comes next is reported alone and read in order.
    fake.driverIn = "OK\r\n";
    EXPECT_EQ(fake.ReadIntoRing(), 4);
    EXPECT_EQ(fake.ReportAvail(), 1);
    EXPECT_EQ(handler.reports.back(), 4);
    std::string next;
    for (uint8_t b; fake.GetChar(b) == 0;) next += static_cast<char>(b);
    EXPECT_EQ(next, "OK\r\n");
  }
}

TEST_F(Dispatcher, PutBlockOfTheFreeSpaceAndOneByteMore) {
  EXPECT_EQ(fake.OutBuffFree(), 2048);
  EXPECT_EQ(fake.PutBlock(Bytes(2049).data(), 2049), ecOutputBufferTooSmall);
  EXPECT_EQ(fake.OutBuffUsed(), 0);
  EXPECT_EQ(fake.PutBlock(Bytes(2000).data(), 2000), 0);
  EXPECT_EQ(fake.OutBuffFree(), 48);
  EXPECT_EQ(fake.PutBlock(Bytes(49).data(), 49), ecOutputBufferTooSmall);
  EXPECT_EQ(fake.OutBuffUsed(), 2000);
  EXPECT_EQ(fake.PutBlock(Bytes(48).data(), 48), 0);
  EXPECT_EQ(fake.OutBuffUsed(), 2048);
  EXPECT_EQ(fake.OutBuffFree(), 0);
  EXPECT_EQ(fake.PutChar('x'), ecOutputBufferTooSmall);
  EXPECT_EQ(fake.PutBlock(nullptr, 0), 0);
  EXPECT_EQ(fake.FlushOutBuffer(), 0);
  EXPECT_EQ(fake.OutBuffFree(), 2048);
}

TEST_F(Dispatcher, FlowLimitsAndLineSettings) {
  EXPECT_EQ(fake.SetHardwareFlowControl(100, 200, 2), ecBadArgument);
  EXPECT_EQ(fake.SetHardwareFlowControl(2049, 10, 2), ecBadArgument);
  EXPECT_EQ(fake.SetSoftwareFlowControl(100, 200, 3), ecBadArgument);
  EXPECT_EQ(fake.SetHardwareFlowControl(1843, 205, 2 | 8), 0);
  EXPECT_EQ(fake.block.XoffLim, 2048 - 1843);
  EXPECT_EQ(fake.block.XonLim, 205);
  EXPECT_EQ(fake.block.fRtsControl, unsigned(RTS_CONTROL_HANDSHAKE));
  EXPECT_TRUE(fake.block.fOutxCtsFlow);
  EXPECT_EQ(fake.SetSoftwareFlowControl(1536, 512, 3), 0);
  EXPECT_TRUE(fake.block.fInX && fake.block.fOutX);
  EXPECT_EQ(fake.SWFlowDisable(), 0);
  EXPECT_FALSE(fake.block.fInX || fake.block.fOutX);

  const int calls = fake.setStateCalls;
  EXPECT_EQ(fake.SetLine(115200, 0, 1, 8), 0);  // unchanged: nothing written
  EXPECT_EQ(fake.setStateCalls, calls);
  EXPECT_EQ(fake.SetLine(0, 5, 1, 5), 0);
  EXPECT_EQ(fake.block.ByteSize, 5);
  EXPECT_EQ(fake.block.StopBits, ONE5STOPBITS);
  EXPECT_EQ(fake.block.BaudRate, 115200u);
  EXPECT_EQ(fake.SetLine(0xFF10 + 6, 2, 2, 8), 0);  // the coded form of 9600
  EXPECT_EQ(fake.block.BaudRate, 9600u);
  EXPECT_EQ(fake.block.Parity, EVENPARITY);
  EXPECT_EQ(fake.block.StopBits, TWOSTOPBITS);
  EXPECT_TRUE(fake.block.fBinary);
}
