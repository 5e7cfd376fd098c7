// The port component's errors and settings that need no peer, and the non-visual port selection.
#include "RaisedText.h"
#include "ScomComPort.h"
#include "ScomException.h"
#include "ScomPortSelect.h"
#include "ScomTestEnv.h"
#include "ScomTrace.h"
#include <gtest/gtest.h>
#include <cstdlib>

namespace {
int NoPort() {
  const char* n = std::getenv("VL_NO_SUCH_PORT");
  return n ? std::atoi(n) : 0;
}

// A registered number that no simulator serves in this executable.
constexpr int kIdlePort = 4;
}

TEST(ComPort, OpenWithoutANumberIsRefused) {
  TScomComPort port(nullptr);
  port.SetPromptForPort(false);
  EXPECT_EQ(RaisedText<ENoPortSelected>([&] { port.SetOpen(true); }),
            "The ComNumber property of the TScomComPort has not been set");
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.Dispatcher(), nullptr);

  // With the prompt: Cancel, an unparsable choice, or no dialog at all refuse the open alike.
  port.SetPromptForPort(true);
  int asked = 0;
  for (int answer : {-1, 0}) {
    SetPortPrompt([&](int& n) {
      ++asked;
      n = answer < 0 ? 3 : SelectedComPort("");
      return answer >= 0;
    });
    EXPECT_EQ(RaisedText<ENoPortSelected>([&] { port.SetOpen(true); }),
              "The ComNumber property of the TScomComPort has not been set");
  }
  EXPECT_EQ(asked, 2);
  SetPortPrompt(nullptr);
  EXPECT_EQ(RaisedText<ENoPortSelected>([&] { port.SetOpen(true); }),
            "The ComNumber property of the TScomComPort has not been set");
  EXPECT_EQ(port.ComNumber(), 0);
  EXPECT_FALSE(port.Open());
}

TEST(ComPort, AbsentPortIsBadIdAndLeavesTheStateClosed) {
  ASSERT_GT(NoPort(), 50);
  TScomComPort port(nullptr);
  port.SetComNumber(static_cast<WORD>(NoPort()));
  int opened = 0, closed = 0;
  port.SetOnPortOpen([&](TComponent*) { ++opened; });
  port.SetOnPortClose([&](TComponent*) { ++closed; });
  EXPECT_EQ(RaisedText<EBadId>([&] { port.SetOpen(true); }), "ie_BadId - Specified comport doesn't exist");
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.Dispatcher(), nullptr);
  EXPECT_EQ(opened + closed, 0);
}

TEST(ComPort, ClosedPortOperations) {
  TScomComPort port(nullptr);
  port.SetComNumber(kIdlePort);
  port.SetAutoOpen(false);
  port.SetOutSize(2048);
  EXPECT_EQ(port.OutBuffFree(), 2048);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(RaisedText<ECommNotOpen>([&] { port.GetChar(); }), "ie_NOpen - device not open");
  EXPECT_EQ(RaisedText<ECommNotOpen>([&] { port.PutString("AT\r"); }), "ie_NOpen - device not open");
  EXPECT_EQ(port.Version(), "v4.00");
}

TEST(ComPort, FlowOptionsFillTheLimits) {
  TScomComPort hw(nullptr);
  hw.SetInSize(2048);
  hw.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  EXPECT_EQ(hw.BufferFull(), 1843);
  EXPECT_EQ(hw.BufferResume(), 205);
  TScomComPort sw(nullptr);
  sw.SetInSize(2048);
  sw.SetSWFlowOptions(swfBoth);
  EXPECT_EQ(sw.BufferFull(), 1536);
  EXPECT_EQ(sw.BufferResume(), 512);
  sw.SetBufferFull(5000);
  EXPECT_EQ(sw.BufferFull(), 1843);
  sw.SetBufferResume(3000);
  EXPECT_EQ(sw.BufferResume(), 184);

  TScomComPort rs(nullptr);
  rs.SetRS485Mode(true);
  rs.SetHWFlowOptions(hwfUseRTS);
  EXPECT_FALSE(rs.RS485Mode());
}

TEST(ComPort, LoadingStoresOpenAndOpensAtLoaded) {
  TScomComPort port(nullptr);
  port.BeginLoading();
  port.SetComNumber(static_cast<WORD>(NoPort()));
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(port.Dispatcher(), nullptr);
  EXPECT_EQ(RaisedText<EBadId>([&] { port.EndLoading(); }), "ie_BadId - Specified comport doesn't exist");
  EXPECT_FALSE(port.Open());
}

TEST(PortSelect, ListAndSelectedText) {
  auto all = AvailablePorts([](int) { return true; });
  ASSERT_EQ(all.size(), 50u);
  EXPECT_EQ(all.front(), "COM1");
  EXPECT_EQ(all[11], "COM12");
  EXPECT_EQ(all.back(), "COM50");
  auto some = AvailablePorts([](int n) { return n == 3 || n == 17; });
  EXPECT_EQ(some, (std::vector<std::string>{"COM3", "COM17"}));
  EXPECT_TRUE(AvailablePorts([](int) { return false; }).empty());

  struct Case {
    const char* text;
    int number;
  };
  for (const Case& c : {Case{"COM12", 12}, Case{"COM1", 1}, Case{"COM50", 50}, Case{"", 0}, Case{"COM", 0},
                        Case{"COMx", 0}, Case{"COM1a", 0}, Case{"LPT1", 0}, Case{"COM99999999", 0}})
    EXPECT_EQ(SelectedComPort(c.text), c.number) << c.text;
}

TEST(PortSelect, Availability) {
  EXPECT_FALSE(IsPortAvailable(0));
  EXPECT_FALSE(IsPortAvailable(NoPort()));
  // A registered number opens even while nothing serves it.
  EXPECT_TRUE(IsPortAvailable(kIdlePort));
}

TEST(Trace, TextOfSentAndReceivedBytes) {
  TScomTrace trace(100);
  for (char c : std::string("AT")) trace.Add('T', c);
  for (char c : std::string("OK\r\n")) trace.Add('R', c);
  EXPECT_EQ(trace.Text(true, false), "Transmit: AT\r\nReceive: OK[0D][0A]");
  EXPECT_EQ(trace.Text(false, false), "Transmit: AT\r\nReceive: OK[13][10]");
  EXPECT_EQ(trace.Text(false, true), "Transmit: [41][54]\r\nReceive: [4F][4B][0D][0A]");
  TScomTrace blank(10);
  blank.Add('T', ' ');
  EXPECT_EQ(blank.Text(true, false), "Transmit: [20]");
  EXPECT_EQ(blank.Text(false, false), "Transmit:  ");

  // The oldest entries go first once the ring wraps; lines wrap at 78 columns.
  TScomTrace small(3);
  for (char c : std::string("abcde")) small.Add('R', c);
  EXPECT_EQ(small.Text(true, false), "Receive: cde");
  TScomTrace wide(200);
  for (int i = 0; i < 100; ++i) wide.Add('R', 0);
  std::string text = wide.Text(true, false);
  size_t start = 0;
  for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) EXPECT_LE(at - start, 78u);
  EXPECT_LE(text.size() - start, 78u);
}

TEST(Trace, DispatchLogTable) {
  TScomDispatchLog log(1000, 0);
  log.Add(1, 2, 2, "AT", 2);
  log.Add(2, 8, 3, nullptr, 0);
  std::string text = log.Text("COM3", true, false);
  EXPECT_EQ(text.rfind("SCOM v4.00\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("Device: COM3\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  Dispatch  WriteCom      00000002  \r\nAT\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Trigger   Status        00000003  (Output buffer free)"), std::string::npos) << text;
  // Old records make room for new ones.
  TScomDispatchLog tiny(40, 0);
  tiny.Add(1, 1, 10, "0123456789", 10);
  tiny.Add(1, 1, 10, "abcdefghij", 10);
  std::string t = tiny.Text("COM1", true, false);
  EXPECT_EQ(t.find("0123456789"), std::string::npos);
  EXPECT_NE(t.find("abcdefghij"), std::string::npos);
}

TEST(ComPort, PortThatNobodyServesFailsAndStaysClosed) {
  TScomComPort port(nullptr);
  port.SetComNumber(kIdlePort);
  port.SetPromptForPort(false);
  int events = 0;
  port.SetOnPortOpen([&](TComponent*) { ++events; });
  port.SetOnPortClose([&](TComponent*) { ++events; });
  EXPECT_THROW(port.SetOpen(true), EScomException);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.Dispatcher(), nullptr);
  EXPECT_EQ(events, 0);
  // AutoOpen tries again on use, and fails the same way.
  EXPECT_THROW(port.GetChar(), EScomException);
  EXPECT_FALSE(port.Open());
}
