// The port component against the simulator's raw peer on a real pseudo-terminal under Wine.
#include "MessagePump.h"
#include "ModemSim.h"
#include "ScomComPort.h"
#include "ScomException.h"
#include "ScomTestEnv.h"
#include <windows.h>
#include <tlhelp32.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
constexpr int kPortA = 1, kPortB = 2, kPortC = 3;

std::string Pattern(size_t n, size_t from = 0) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((from + i) & 0xFF);
  return s;
}

int ThreadCount() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 te = {};
  te.dwSize = sizeof te;
  int n = 0;
  const DWORD self = GetCurrentProcessId();
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
    if (te.th32OwnerProcessID == self) ++n;
  CloseHandle(snap);
  return n;
}

DWORD HandleCount() {
  DWORD n = 0;
  GetProcessHandleCount(GetCurrentProcess(), &n);
  return n;
}

bool WaitFor(const std::function<bool()>& done, DWORD ms) { return PumpUntil(done, ms); }

class Pty : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    sim = new TModemSim;
    for (int n : {kPortA, kPortB, kPortC}) sim->AddPort(n, "raw");
  }
  static void TearDownTestSuite() {
    delete sim;
    sim = nullptr;
  }
  void SetUp() override {
    for (int n : {kPortA, kPortB, kPortC}) sim->Clear(n);
    port = std::make_unique<TScomComPort>(nullptr);
    Configure(*port, kPortA);
  }
  void TearDown() override {
    port.reset();
    for (int n : {kPortA, kPortB, kPortC}) EXPECT_TRUE(sim->WaitClosed(n, 5000)) << n;
  }
  static void Configure(TScomComPort& p, int com) {
    p.SetComNumber(static_cast<WORD>(com));
    p.SetBaud(115200);
    p.SetPromptForPort(false);
    p.SetInSize(2048);
    p.SetOutSize(2048);
    p.SetAutoOpen(false);
  }
  // Collects every byte the data-available handler is told of, reading exactly Count bytes.
  void Collect(TScomComPort& p, std::string& into) {
    p.SetOnTriggerAvail([&p, &into, this](TComponent*, WORD count) {
      handlerThread = GetCurrentThreadId();
      for (WORD i = 0; i < count; ++i) into += p.GetChar();
    });
  }
  bool WaitReceived(int com, size_t n, DWORD ms) {
    return WaitFor([&] { return sim->ReceivedCount(com) >= n; }, ms);
  }

  static TModemSim* sim;
  std::unique_ptr<TScomComPort> port;
  DWORD handlerThread = 0;
};
TModemSim* Pty::sim = nullptr;
}

TEST_F(Pty, OpenIsSynchronousAndBytesReachThePeerExactly) {
  int opened = 0;
  port->SetOnPortOpen([&](TComponent*) { ++opened; });
  port->SetOpen(true);
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(port->Open());
  EXPECT_TRUE(sim->WaitOpen(kPortA, 5000));
  port->PutString("AT\r");
  ASSERT_TRUE(WaitReceived(kPortA, 3, 10000));
  Sleep(100);
  EXPECT_EQ(sim->Received(kPortA), "AT\r");
}

TEST_F(Pty, ReplyReachesTheHandlerOnTheMainThread) {
  std::string got;
  Collect(*port, got);
  port->SetOpen(true);
  ASSERT_TRUE(sim->WaitOpen(kPortA, 5000));
  sim->Send(kPortA, "\r\nOK\r\n");
  ASSERT_TRUE(WaitFor([&] { return got.size() >= 6; }, 10000)) << got.size();
  EXPECT_EQ(got, "\r\nOK\r\n");
  EXPECT_EQ(handlerThread, GetCurrentThreadId());
  // What the handler read leaves the ring once it has returned.
  EXPECT_TRUE(WaitFor([&] { return port->Dispatcher()->InBuffUsed() == 0; }, 2000));
}

TEST_F(Pty, SixtyFourKiBPacedArriveIntactAndInOrder) {
  std::string got;
  Collect(*port, got);
  port->SetOpen(true);
  ASSERT_TRUE(sim->WaitOpen(kPortA, 5000));
  sim->Pattern(kPortA, 65536, 8000);
  ASSERT_TRUE(WaitFor([&] { return got.size() >= 65536; }, 40000)) << got.size();
  EXPECT_EQ(got.size(), 65536u);
  EXPECT_TRUE(got == Pattern(65536)) << "bytes out of order or changed";
}

TEST_F(Pty, FiftyKiBThroughASmallOutputBufferToASlowReader) {
  port->SetOpen(true);
  ASSERT_TRUE(sim->WaitOpen(kPortA, 5000));
  const std::string data = Pattern(50 * 1024);
  sim->Pause(kPortA, 1000);
  size_t sent = 0;
  const ULONGLONG start = GetTickCount64();
  while (sent < data.size() && GetTickCount64() - start < 30000) {
    size_t room = port->OutBuffFree();
    if (room == 0) {
      WaitFor([] { return false; }, 5);
      continue;
    }
    size_t n = std::min(room, data.size() - sent);
    port->PutString(data.substr(sent, n));
    sent += n;
  }
  ASSERT_EQ(sent, data.size());
  ASSERT_TRUE(WaitReceived(kPortA, data.size(), 30000)) << sim->ReceivedCount(kPortA);
  Sleep(200);
  std::string received = sim->Received(kPortA);
  EXPECT_EQ(received.size(), data.size());
  EXPECT_TRUE(received == data) << "bytes lost, doubled or out of order";
}

TEST_F(Pty, FlushWhileAWriteIsPendingLeavesNoStaleBytes) {
  port->SetOpen(true);
  ASSERT_TRUE(sim->WaitOpen(kPortA, 5000));
  sim->Pause(kPortA, 4000);
  // Fill the pseudo-terminal until a write stays pending.
  std::string stream;
  const ULONGLONG start = GetTickCount64();
  ULONGLONG fullSince = 0;
  while (GetTickCount64() - start < 3000) {
    size_t room = port->OutBuffFree();
    if (room > 0) {
      std::string chunk = Pattern(room, stream.size());
      port->PutString(chunk);
      stream += chunk;
      fullSince = 0;
    } else if (!fullSince) {
      fullSince = GetTickCount64();
    } else if (GetTickCount64() - fullSince > 300) {
      break;
    }
    Sleep(5);
  }
  ASSERT_EQ(port->OutBuffFree(), 0) << "the peer never held a write";
  ASSERT_EQ(port->Dispatcher()->FlushOutBuffer(), 0);
  EXPECT_EQ(port->OutBuffFree(), 2048);
  port->PutString("END!");
  ASSERT_TRUE(WaitFor(
      [&] {
        std::string r = sim->Received(kPortA);
        return r.size() >= 4 && r.compare(r.size() - 4, 4, "END!") == 0;
      },
      20000));
  Sleep(300);
  std::string received = sim->Received(kPortA);
  ASSERT_GE(received.size(), 4u);
  EXPECT_EQ(received.compare(received.size() - 4, 4, "END!"), 0) << "bytes after the marker";
  std::string before = received.substr(0, received.size() - 4);
  EXPECT_LT(before.size(), stream.size());
  EXPECT_TRUE(stream.compare(0, before.size(), before) == 0) << "what came before the marker is not a prefix";
}

TEST_F(Pty, EveryFlowSettingCarriesTheDialogue) {
  struct Setting {
    const char* name;
    unsigned hw;
    TSWFlowOptions sw;
  };
  for (const Setting& s : {Setting{"hardware", hwfUseRTS | hwfRequireCTS, swfNone}, Setting{"none", 0, swfNone},
                           Setting{"software", 0, swfBoth}}) {
    SCOPED_TRACE(s.name);
    TScomComPort p(nullptr);
    Configure(p, kPortB);
    p.SetHWFlowOptions(s.hw);
    p.SetSWFlowOptions(s.sw);
    std::string got;
    Collect(p, got);
    sim->Clear(kPortB);
    p.SetOpen(true);
    ASSERT_TRUE(sim->WaitOpen(kPortB, 5000));
    p.PutString("AT\r");
    ASSERT_TRUE(WaitReceived(kPortB, 3, 10000));
    EXPECT_EQ(sim->Received(kPortB), "AT\r");
    sim->Send(kPortB, "\r\nOK\r\n");
    ASSERT_TRUE(WaitFor([&] { return got.size() >= 6; }, 10000));
    EXPECT_EQ(got, "\r\nOK\r\n");
    p.SetOpen(false);
    ASSERT_TRUE(sim->WaitClosed(kPortB, 5000));
  }
}

TEST_F(Pty, OpenAndCloseTwentyTimesEndsEveryThread) {
  port->SetOpen(true);
  port->SetOpen(false);
  ASSERT_TRUE(sim->WaitClosed(kPortA, 5000));
  const int threads = ThreadCount();
  const DWORD handles = HandleCount();
  int opened = 0, closed = 0;
  port->SetOnPortOpen([&](TComponent*) { ++opened; });
  port->SetOnPortClose([&](TComponent*) { ++closed; });
  for (int i = 0; i < 20; ++i) {
    port->SetOpen(true);
    ASSERT_TRUE(port->Open());
    port->PutString("x");
    ASSERT_TRUE(WaitReceived(kPortA, i + 1, 5000)) << i;  // a close drops what is still queued
    port->SetOpen(false);
    ASSERT_FALSE(port->Open());
  }
  EXPECT_EQ(opened, 20);
  EXPECT_EQ(closed, 20);
  EXPECT_TRUE(WaitFor([&] { return ThreadCount() <= threads; }, 5000)) << ThreadCount() << " vs " << threads;
  EXPECT_LE(HandleCount(), handles + 2);
  EXPECT_TRUE(sim->WaitClosed(kPortA, 5000));
}

TEST_F(Pty, CloseAndReopenInsideTheHandler) {
  std::string got;
  int opened = 0, closed = 0, closedInHandler = 0;
  bool reopenAsked = false;
  port->SetOnPortOpen([&](TComponent*) { ++opened; });
  port->SetOnPortClose([&](TComponent*) { ++closed; });
  port->SetOnTriggerAvail([&](TComponent*, WORD count) {
    for (WORD i = 0; i < count; ++i) got += port->GetChar();
    if (!reopenAsked) {
      reopenAsked = true;
      port->SetOpen(false);
      closedInHandler = closed;
      EXPECT_FALSE(port->Open());
      port->SetOpen(true);  // opens once the close has finished, which may be at once
    }
  });
  port->SetOpen(true);
  ASSERT_TRUE(sim->WaitOpen(kPortA, 5000));
  sim->Send(kPortA, "RING\r\n");
  ASSERT_TRUE(WaitFor([&] { return opened == 2; }, 10000)) << opened;
  EXPECT_EQ(closedInHandler, 1);
  EXPECT_EQ(got, "RING\r\n");
  EXPECT_TRUE(port->Open());

  // The peer drops what it sends while it believes the port closed, and it may notice the short
  // close late: send until something arrives.
  for (int attempt = 0; attempt < 10 && got.size() < 12; ++attempt) {
    ASSERT_TRUE(sim->WaitOpen(kPortA, 5000));
    sim->Send(kPortA, "\r\nOK\r\n");
    WaitFor([&] { return got.size() >= 12; }, 1000);
  }
  ASSERT_GE(got.size(), 12u);
  EXPECT_EQ(got.substr(0, 12), "RING\r\n\r\nOK\r\n");
  EXPECT_EQ(got.size() % 6, 0u) << got;
  port->PutString("ATA\r");
  ASSERT_TRUE(WaitReceived(kPortA, 4, 10000));
  EXPECT_EQ(sim->Received(kPortA), "ATA\r");
}

TEST_F(Pty, ComNumberChangeMovesTheOpenPort) {
  port->SetOpen(true);
  ASSERT_TRUE(sim->WaitOpen(kPortA, 5000));
  port->SetComNumber(kPortB);
  EXPECT_TRUE(port->Open());
  EXPECT_TRUE(sim->WaitClosed(kPortA, 5000));
  EXPECT_TRUE(sim->WaitOpen(kPortB, 5000));
  std::string got;
  Collect(*port, got);
  sim->Send(kPortB, "OK\r\n");
  ASSERT_TRUE(WaitFor([&] { return got.size() >= 4; }, 10000));
  EXPECT_EQ(got, "OK\r\n");
}

TEST_F(Pty, TooLongAStringIsRefusedWholeAndTheHandlerFillsNothingElse) {
  port->SetOpen(true);
  EXPECT_THROW(port->PutString(std::string(2049, 'a')), EOutputBufferTooSmall);
  EXPECT_EQ(port->OutBuffFree(), 2048);
  EXPECT_THROW(port->GetChar(), EBufferIsEmpty);
  port->PutString("Z");
  ASSERT_TRUE(WaitReceived(kPortA, 1, 10000));
  Sleep(200);
  EXPECT_EQ(sim->Received(kPortA), "Z");
}

namespace {
// A port whose hidden window cannot be made: the open fails after the threads have started.
class TWindowlessPort : public TScomComPort {
public:
  using TScomComPort::TScomComPort;

protected:
  bool PortWindow(bool create) override { return create ? false : TScomComPort::PortWindow(create); }
};
}

TEST_F(Pty, OpenThatFailsLateIsUndoneCompletely) {
  const int threads = ThreadCount();
  TWindowlessPort failing(nullptr);
  Configure(failing, kPortB);
  int events = 0;
  failing.SetOnPortOpen([&](TComponent*) { ++events; });
  failing.SetOnPortClose([&](TComponent*) { ++events; });
  failing.SetOnTriggerAvail([](TComponent*, WORD) {});
  EXPECT_THROW(failing.SetOpen(true), EInternal);
  EXPECT_FALSE(failing.Open());
  EXPECT_EQ(failing.Dispatcher(), nullptr);
  EXPECT_EQ(events, 0);
  EXPECT_TRUE(sim->WaitClosed(kPortB, 5000));
  EXPECT_TRUE(WaitFor([&] { return ThreadCount() <= threads; }, 5000));
  // The number is free again for a port that opens normally.
  TScomComPort good(nullptr);
  Configure(good, kPortB);
  good.SetOpen(true);
  EXPECT_TRUE(sim->WaitOpen(kPortB, 5000));
  good.PutString("AT\r");
  EXPECT_TRUE(WaitReceived(kPortB, 3, 10000));
}

TEST_F(Pty, ClosingWritesTheTraceAndTheLog) {
  char dir[MAX_PATH];
  ASSERT_GT(GetTempPathA(MAX_PATH, dir), 0u);
  const std::string trace = std::string(dir) + "vl_serial_test.trc", log = std::string(dir) + "vl_serial_test.log";
  DeleteFileA(trace.c_str());
  DeleteFileA(log.c_str());
  port->TraceName = trace;
  port->LogName = log;
  port->SetTracing(tlOn);
  port->SetLogging(tlOn);
  std::string got;
  Collect(*port, got);
  port->SetOpen(true);
  ASSERT_TRUE(sim->WaitOpen(kPortA, 5000));
  port->PutString("AT");
  ASSERT_TRUE(WaitReceived(kPortA, 2, 10000));
  sim->Send(kPortA, "OK\r\n");
  ASSERT_TRUE(WaitFor([&] { return got.size() >= 4; }, 10000));
  port->SetOpen(false);
  EXPECT_EQ(port->Tracing(), tlOff);
  auto read = [](const std::string& name) {
    std::string text;
    if (FILE* f = std::fopen(name.c_str(), "rb")) {
      char buf[4096];
      for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
      std::fclose(f);
    }
    return text;
  };
  EXPECT_EQ(read(trace), "Transmit: AT\r\nReceive: OK[0D][0A]");
  std::string table = read(log);
  EXPECT_NE(table.find("Device: COM1\r\n"), std::string::npos) << table;
  EXPECT_NE(table.find("WriteCom"), std::string::npos) << table;
  EXPECT_NE(table.find("ReadCom"), std::string::npos) << table;
  DeleteFileA(trace.c_str());
  DeleteFileA(log.c_str());
}

TEST_F(Pty, VanishedPortNeitherHangsNorSpins) {
  TScomComPort gone(nullptr);
  Configure(gone, kPortC);
  gone.SetOnTriggerAvail([](TComponent*, WORD) {});
  gone.SetOpen(true);
  ASSERT_TRUE(sim->WaitOpen(kPortC, 5000));
  sim->RemovePort(kPortC);
  gone.PutString("AT\r");
  WaitFor([] { return false; }, 300);
  const ULONGLONG start = GetTickCount64();
  gone.SetOpen(false);
  EXPECT_LT(GetTickCount64() - start, 5000u);
  EXPECT_FALSE(gone.Open());
  sim->AddPort(kPortC, "raw");
}

TEST_F(Pty, VanishedPortIsToldOnceOnTheMainThreadAndStaysOpenForItsOwner) {
  TScomComPort gone(nullptr);
  Configure(gone, kPortC);
  std::vector<DWORD> lost;
  DWORD thread = 0;
  gone.SetOnTriggerAvail([](TComponent*, WORD) {});
  gone.SetOnPortLost([&](TComponent*, DWORD error) {
    lost.push_back(error);
    thread = GetCurrentThreadId();
  });
  gone.SetOpen(true);
  ASSERT_TRUE(sim->WaitOpen(kPortC, 5000));
  gone.PutString("AT\r");
  ASSERT_TRUE(WaitReceived(kPortC, 3, 5000));
  WaitFor([] { return false; }, 300);
  EXPECT_TRUE(lost.empty()) << "a quiet port that works is not lost";
  sim->RemovePort(kPortC);
  EXPECT_TRUE(WaitFor([&] { return !lost.empty(); }, 5000));
  gone.PutString("AT\r");  // fails on the device: told no second time
  WaitFor([] { return false; }, 500);
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_NE(lost[0], 0u);
  EXPECT_EQ(thread, GetCurrentThreadId());
  EXPECT_TRUE(gone.Open());
  gone.SetOpen(false);
  EXPECT_FALSE(gone.Open());
  sim->AddPort(kPortC, "raw");
}

TEST_F(Pty, SilentOpenPortCostsAlmostNoProcessor) {
  TScomComPort second(nullptr);
  Configure(second, kPortC);
  second.SetOnTriggerAvail([](TComponent*, WORD) {});
  port->SetOnTriggerAvail([](TComponent*, WORD) {});
  port->SetOpen(true);
  second.SetOpen(true);
  auto cpu = [] {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto v = [](const FILETIME& f) { return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return v(kernel) + v(user);  // 100-ns units
  };
  const ULONGLONG before = cpu();
  const ULONGLONG wallStart = GetTickCount64();
  WaitFor([] { return false; }, 2000);
  const ULONGLONG wall = GetTickCount64() - wallStart;
  const ULONGLONG used = (cpu() - before) / 10000;  // ms
  EXPECT_LT(used, wall / 4) << used << " ms of processor in " << wall << " ms";
}
