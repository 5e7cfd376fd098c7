// The whole chain a modem test stands on: Wine's \\.\COMn -> the runner's link -> the
// simulator's pty, and the control line back to the simulator.
#include "Exception.h"
#include "ModemSim.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <string>

namespace {
const int ComA = 9, ComB = 10;

class Handle {
public:
  explicit Handle(HANDLE h) : H(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return H; }
  bool Valid() const { return H != INVALID_HANDLE_VALUE; }
  void Close() {
    if (Valid()) CloseHandle(H);
    H = INVALID_HANDLE_VALUE;
  }

private:
  HANDLE H;
};

std::string DeviceName(int com) { return "\\\\.\\COM" + std::to_string(com); }

HANDLE OpenCom(int com) {
  HANDLE h = CreateFileA(DeviceName(com).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return h;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(h, &dcb);
  dcb.BaudRate = CBR_115200;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fOutX = dcb.fInX = FALSE;  // 0x11 and 0x13 must pass
  dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  EXPECT_TRUE(SetCommState(h, &dcb)) << GetLastError();
  COMMTIMEOUTS t{MAXDWORD, 0, 0, 0, 5000};  // reads return at once; we only read what is queued
  EXPECT_TRUE(SetCommTimeouts(h, &t)) << GetLastError();
  return h;
}

void WriteAll(HANDLE h, const std::string& bytes) {
  DWORD done = 0;
  ASSERT_TRUE(WriteFile(h, bytes.data(), DWORD(bytes.size()), &done, nullptr)) << GetLastError();
  ASSERT_EQ(done, bytes.size());
}

// Reads exactly n bytes, or what came within the bound.
std::string ReadBytes(HANDLE h, size_t n, DWORD boundMs = 20000) {
  std::string got;
  DWORD start = GetTickCount();
  while (got.size() < n && GetTickCount() - start < boundMs) {
    DWORD errors = 0;
    COMSTAT st{};
    if (!ClearCommError(h, &errors, &st)) break;
    if (st.cbInQue == 0) {
      Sleep(2);
      continue;
    }
    char buf[8192];
    DWORD want = st.cbInQue;
    if (want > sizeof buf) want = sizeof buf;
    if (want > n - got.size()) want = DWORD(n - got.size());
    DWORD read = 0;
    if (!ReadFile(h, buf, want, &read, nullptr)) break;
    got.append(buf, read);
  }
  return got;
}

std::string AllBytes() {
  std::string s;
  for (int i = 0; i < 256; ++i) s += char(i);
  return s;
}

bool WaitCount(TModemSim& sim, int com, size_t n) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 20000) {
    if (sim.ReceivedCount(com) >= n) return true;
    Sleep(10);
  }
  return false;
}

class Harness : public ::testing::Test {
protected:
  void SetUp() override {
    sim.AddPort(ComA);
    sim.AddPort(ComB);
  }
  void TearDown() override {
    sim.RemovePort(ComA);
    sim.RemovePort(ComB);
  }
  TModemSim sim;
};
}  // namespace

TEST_F(Harness, BytesBothWaysAndOpenCloseEdges) {
  EXPECT_EQ(sim.Command("state com9"), "closed opens=0 closes=0");
  Handle port(OpenCom(ComA));
  ASSERT_TRUE(port.Valid()) << GetLastError();
  ASSERT_TRUE(sim.WaitOpen(ComA, 10000));
  // A pty has no DTR line: the call may fail, and the port must work on regardless.
  EscapeCommFunction(port.Get(), SETDTR);

  // DTE to modem: every byte value, CR and LF untouched (raw mode, no ICRNL).
  const std::string all = AllBytes() + "AT\r\n\r";
  WriteAll(port.Get(), all);
  ASSERT_TRUE(WaitCount(sim, ComA, all.size()));
  EXPECT_EQ(sim.Received(ComA), all);
  sim.Clear(ComA);
  EXPECT_EQ(sim.ReceivedCount(ComA), 0u);

  // Modem to DTE: a send, an echo, and a 64 KB counting pattern, bit-exact.
  sim.Send(ComA, "\r\nOK\r\n");
  EXPECT_EQ(ReadBytes(port.Get(), 6), "\r\nOK\r\n");
  sim.Echo(ComA, true);
  WriteAll(port.Get(), all);
  EXPECT_EQ(ReadBytes(port.Get(), all.size()), all);
  sim.Echo(ComA, false);
  sim.Pattern(ComA, 65536, 0);
  std::string pattern = ReadBytes(port.Get(), 65536);
  ASSERT_EQ(pattern.size(), 65536u);
  for (size_t i = 0; i < pattern.size(); ++i) ASSERT_EQ((unsigned char)pattern[i], i % 256) << "at " << i;
  EXPECT_EQ(sim.Command("raw com9 sent"), "65536");

  port.Close();
  ASSERT_TRUE(sim.WaitClosed(ComA, 10000));
  std::string state = sim.Command("state com9");
  EXPECT_EQ(state.substr(0, 7), "closed ") << state;
  EXPECT_EQ(state.find("closes=0"), std::string::npos) << state;
}

TEST_F(Harness, PacedPatternAndReopen) {
  for (int round = 0; round < 2; ++round) {
    Handle port(OpenCom(ComA));
    ASSERT_TRUE(port.Valid()) << GetLastError();
    ASSERT_TRUE(sim.WaitOpen(ComA, 10000));
    // 1600 bytes at 8000 bytes/s take about 0.2 s: paced by the simulator's clock.
    DWORD start = GetTickCount();
    sim.Pattern(ComA, 1600, 8000);
    EXPECT_EQ(ReadBytes(port.Get(), 1600).size(), 1600u);
    EXPECT_GE(GetTickCount() - start, 150u);
    port.Close();
    ASSERT_TRUE(sim.WaitClosed(ComA, 10000));
  }
}

TEST_F(Harness, TwoPortsStayApart) {
  Handle a(OpenCom(ComA)), b(OpenCom(ComB));
  ASSERT_TRUE(a.Valid() && b.Valid()) << GetLastError();
  ASSERT_TRUE(sim.WaitOpen(ComA, 10000));
  ASSERT_TRUE(sim.WaitOpen(ComB, 10000));
  WriteAll(a.Get(), "to a");
  WriteAll(b.Get(), "to b");
  ASSERT_TRUE(WaitCount(sim, ComA, 4));
  ASSERT_TRUE(WaitCount(sim, ComB, 4));
  EXPECT_EQ(sim.Received(ComA), "to a");
  EXPECT_EQ(sim.Received(ComB), "to b");
  sim.Send(ComB, "from b");
  EXPECT_EQ(ReadBytes(b.Get(), 6), "from b");
  EXPECT_EQ(ReadBytes(a.Get(), 1, 300), "");
  b.Close();
  EXPECT_TRUE(sim.WaitClosed(ComB, 10000));
  EXPECT_EQ(sim.Command("state com9").substr(0, 4), "open");
}

TEST_F(Harness, PauseHoldsTheBytesBack) {
  Handle port(OpenCom(ComA));
  ASSERT_TRUE(port.Valid());
  ASSERT_TRUE(sim.WaitOpen(ComA, 10000));
  sim.Pause(ComA, 500);
  WriteAll(port.Get(), "held");
  Sleep(200);
  EXPECT_EQ(sim.ReceivedCount(ComA), 0u);
  ASSERT_TRUE(WaitCount(sim, ComA, 4));
  EXPECT_EQ(sim.Received(ComA), "held");
}

TEST(HarnessErrors, ControlLineErrorsAndNoSuchPort) {
  TModemSim sim;
  EXPECT_THROW(sim.Command("raw com9 count"), Exception);  // no such port yet
  EXPECT_THROW(sim.AddPort(ComA, "no-such-profile"), Exception);
  EXPECT_THROW(sim.WaitOpen(ComA, 10), Exception);
  int none = NoSuchPort();
  EXPECT_GT(none, 50);
  HANDLE h = CreateFileA(DeviceName(none).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

namespace {
std::string ReadUntil(HANDLE h, const std::string& end, DWORD boundMs = 10000) {
  std::string got;
  DWORD start = GetTickCount();
  while (got.find(end) == std::string::npos && GetTickCount() - start < boundMs) got += ReadBytes(h, 1, 50);
  return got;
}

std::string Unshield(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == 0x10 && i + 1 < s.size()) {
      if (s[++i] == 0x10) out += char(0x10);
    } else {
      out += s[i];
    }
  }
  return out;
}

struct PortGuard {
  PortGuard(TModemSim& s, int c, const std::string& profile) : Sim(s), Com(c) { Sim.AddPort(Com, profile); }
  ~PortGuard() {
    try {
      Sim.RemovePort(Com);
    } catch (const Exception&) {
    }
  }
  TModemSim& Sim;
  int Com;
};
}  // namespace

// The voice modem through Wine: commands, then 64 KB of every byte value DLE-shielded, then close.
TEST(ModemSmoke, CommandsAndABitExactVoiceStream) {
  TModemSim sim;
  PortGuard guard(sim, ComB, "generic");
  sim.Command("set com10 speed=8");
  Handle port(OpenCom(ComB));
  ASSERT_TRUE(port.Valid()) << GetLastError();
  ASSERT_TRUE(sim.WaitOpen(ComB, 10000));
  EscapeCommFunction(port.Get(), CLRDTR);  // fails on a pty; the port works on

  WriteAll(port.Get(), "AT\r");
  EXPECT_EQ(ReadUntil(port.Get(), "OK\r\n"), "AT\r\r\nOK\r\n");
  for (const char* c : {"atE0\r", "at+fclass=8\r", "at+vsm=1,8000,0,0\r", "at+vls=1\r"}) {
    WriteAll(port.Get(), c);
    std::string reply;
    DWORD start = GetTickCount();
    while (reply.find("OK\r\n") == std::string::npos && reply.find("ERROR\r\n") == std::string::npos &&
           GetTickCount() - start < 10000)
      reply += ReadBytes(port.Get(), 1, 50);
    EXPECT_NE(reply.find("\r\nOK\r\n"), std::string::npos) << c << reply;
  }
  sim.Command("stream com10 pattern ramp 8192ms");
  sim.Command("stream com10 silence forever");
  WriteAll(port.Get(), "at+vrx\r");
  std::string got = ReadUntil(port.Get(), "\r\nCONNECT\r\n");
  ASSERT_NE(got.find("\r\nCONNECT\r\n"), std::string::npos) << got;
  got.erase(0, got.find("\r\nCONNECT\r\n") + 11);
  // 65536 data bytes, each 0x10 doubled.
  got += ReadBytes(port.Get(), 65536 + 256 - got.size(), 30000);
  std::string data = Unshield(got);
  ASSERT_EQ(data.size(), 65536u);
  for (size_t i = 0; i < data.size(); ++i) ASSERT_EQ((unsigned char)data[i], i % 256) << "at " << i;

  port.Close();
  ASSERT_TRUE(sim.WaitClosed(ComB, 10000));
  std::string log = sim.Command("log? com10");
  EXPECT_NE(log.find("\"ev\":\"close\""), std::string::npos);
  EXPECT_NE(log.find("\"why\":\"dtr_drop\""), std::string::npos);
  EXPECT_NE(sim.Command("state? com10").find("hook=on class=0"), std::string::npos);
}
