// The simulator as a DTE sees it: a real modemsim process, its pty opened through the link.
#include "SimFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <termios.h>
#include <unistd.h>

namespace {
const std::string Ok = "\r\nOK\r\n", Error = "\r\nERROR\r\n";

struct Modem {
  explicit Modem(const std::string& profile = "generic", std::vector<std::string> args = {}) : Sim(args) {
    EXPECT_TRUE(Sim.Ready);
    Sim.Ok("port add com3 " + profile);
    Line = std::make_unique<Dte>(Sim.Dir, "com3");
    EXPECT_TRUE(Line->Valid());
    EXPECT_EQ(Sim.Cmd("wait-open com3 5000"), "ok");
  }
  // Echo off, class 8, off-hook, the given compression.
  void ToVoice(const std::string& vsm = "1,8000,0,0") {
    ASSERT_EQ(Line->At("atE0"), "atE0\r" + Ok);
    ASSERT_EQ(Line->At("at+fclass=8"), Ok);
    ASSERT_EQ(Line->At("at+vsm=" + vsm), Ok);
    ASSERT_EQ(Line->At("at+vls=1"), Ok);
  }
  // +VRX; returns what follows CONNECT within the first read.
  std::string StartReceive() {
    std::string r = Line->At("at+vrx");
    size_t at = r.find("\r\nCONNECT\r\n");
    EXPECT_NE(at, std::string::npos) << r;
    return at == std::string::npos ? "" : r.substr(at + 11);
  }
  SimProcess Sim;
  std::unique_ptr<Dte> Line;
};

// The program's own line-state measures on 1536-sample frames of 8-bit unsigned samples.
double Sd(const std::vector<double>& v) {
  double m = 0, s = 0;
  for (double x : v) m += x;
  m /= double(v.size());
  for (double x : v) s += (x - m) * (x - m);
  return std::sqrt(s / double(v.size() - 1));
}

bool Periodic(const std::string& frame) {
  std::vector<double> at;
  for (size_t i = 1; i + 1 < frame.size(); ++i) {
    if ((unsigned char)frame[i - 1] < 127 && (unsigned char)frame[i + 1] > 127) {
      at.push_back(double(i));
      i += 11;
    }
  }
  if (at.size() < 13) return false;
  std::vector<double> gaps;
  for (size_t k = 1; k + 1 < at.size(); ++k) gaps.push_back(at[k] - at[k - 1]);
  double sd = Sd(gaps);
  return sd > 0 && sd <= 1.0;
}

bool Quiet(const std::string& frame) {
  std::vector<double> v(frame.begin(), frame.end());
  for (auto& x : v) x = double((unsigned char)x);
  return Sd(v) < 1.0;
}
}  // namespace

TEST(Commands, EchoResultCodesAndLineAssembly) {
  Modem m;
  Dte& d = *m.Line;
  EXPECT_EQ(d.At("AT"), "AT\r" + Ok);
  EXPECT_EQ(d.At("atE0"), "atE0\r" + Ok);  // still echoed: E0 works from its own reply on
  EXPECT_EQ(d.At("aT"), Ok);
  d.Write("\r");  // the bare CR the program sends for an empty command: no reply
  d.Write("hello\r");
  EXPECT_EQ(d.Read(200), "");
  EXPECT_EQ(d.At("ATE0V1"), Ok);  // several commands on one line
  EXPECT_EQ(d.At("ATE0Y7V1"), Error);  // an unknown one spoils the line
  EXPECT_EQ(d.At("at\n"), Ok);          // LF is ignored
  d.Write("atx\x08\r");                   // BS deletes
  EXPECT_EQ(d.Read(300), Ok);
  EXPECT_EQ(d.At("at" + std::string(300, 'e')), Error);  // longer than 255
  d.Write("atv0\r");
  EXPECT_EQ(d.Read(300), "0\r");
  d.Write("at+vid\r");
  EXPECT_EQ(d.Read(300), "4\r");
  d.Write("atv1q1\r");
  EXPECT_EQ(d.Read(200), "");
  EXPECT_EQ(d.At("atq0"), Ok);
  EXPECT_EQ(d.At("ats0=2"), Ok);
  EXPECT_EQ(d.At("ats0?"), "\r\n002\r\n" + Ok);
  // ATZ: E1 again, after about 200 ms.
  double t = Clock();
  EXPECT_EQ(d.At("atz"), Ok);
  EXPECT_GE(Clock() - t, 0.15);
  EXPECT_EQ(d.At("at"), "at\r" + Ok);
  EXPECT_EQ(d.At("ats0?"), "ats0?\r\r\n000\r\n" + Ok);
}

TEST(Commands, ProfileReplyTables) {
  struct Case {
    const char* Profile;
    const char* Setup;  // sent first, reply not checked
    const char* Command;
    std::string Reply;
  };
  const std::string vsm =
      "\r\n1,\"UNSIGNED PCM\",8,0,(7200,8000,11025),(0),(0)\r\n\r\n128,\"8-BIT LINEAR\",8,0,(7200,8000,11025),(0),(0)\r\n"
      "\r\n129,\"ADPCM\",4,0,(7200,8000),(0),(0)\r\n\r\n131,\"ULAW\",8,0,(8000),(0),(0)\r\n"
      "\r\n132,\"ALAW\",8,0,(8000),(0),(0)\r\n\r\n133,\"LINEAR\",16,0,(7200,8000),(0),(0)\r\n" + Ok;
  const std::string vls = "\r\n0,\"\",B0804100,B0804100,B0804100\r\n\r\n1,\"T\",0B8433C1,0FE431C1,0B8431C1\r\n"
                          "\r\n3,\"LT\",0B8433C1,0FE431C1,0B8431C1\r\n" + Ok;
  const std::string hsf = "\r\n1,\"UNSIGNED PCM\",8,0,8000,0,0\r\n\r\n129,\"IMA ADPCM\",4,0,8000,0,0\r\n"
                          "\r\n130,\"UNSIGNED PCM\",8,0,8000,0,00\r\n\r\n140,\"2 Bit ADPCM\",2,0,8000,0,0\r\n"
                          "\r\n141,\"4 Bit ADPCM\",4,0,8000,0,0\r\n" + Ok;
  const Case cases[] = {
      {"generic", "", "AT+GMM?", "\r\nVSIM 56K Voice\r\n" + Ok},
      {"generic", "", "AT+GMI?", "\r\nVSIM\r\n" + Ok},
      {"generic", "", "AT+GMR?", "\r\n1.00\r\n" + Ok},
      {"generic", "", "AT+FMM?", "\r\nVSIM 56K Voice\r\n" + Ok},
      {"generic", "", "at+fclass=8", Ok},
      {"generic", "", "at+fclass=12", Error},
      {"generic", "", "at+fclass=?", "\r\n0,1,1.0,8\r\n" + Ok},
      {"generic", "", "at+vcid=1", Ok},  // caller ID and +VDR work in class 0
      {"generic", "", "at+vdr=0", Ok},
      {"generic", "", "at+vsm=?", Error},  // the class rule
      {"generic", "", "at+vls=0", Error},
      {"generic", "at+fclass=8", "at+vls=0", Ok},
      {"generic", "at+fclass=8", "at+vid", Error},
      {"generic", "at+fclass=8", "at+vsm=?", vsm},
      {"generic", "at+fclass=8", "at+vls=?", vls},
      {"generic", "at+fclass=8", "at+VGR=?", "\r\n(0-255)\r\n" + Ok},
      {"generic", "at+fclass=8", "at+VGT=?", "\r\n(0-255)\r\n" + Ok},
      {"generic", "at+fclass=8", "at+vgr=127", Ok},
      {"generic", "at+fclass=8", "at+vgr=256", Error},
      {"generic", "at+fclass=8", "at+vsp=1", Error},
      {"generic", "at+fclass=8", "at+vgm=128", Error},
      {"generic", "at+fclass=8", "at+vsm=1,8000,0,0", Ok},
      {"generic", "at+fclass=8", "at+vsm=128,8000,0,0", Ok},
      {"generic", "at+fclass=8", "at+vsm=131,11025,0,0", Error},
      {"generic", "at+fclass=8", "at+vsm=128", Ok},  // the rate kept
      {"generic", "at+fclass=8", "at+vsm=", Error},
      {"generic", "at+fclass=8", "at+vsm=2,8000,0,0", Error},
      {"generic", "at+fclass=8", "at+vrx", Error},  // on-hook
      {"generic", "at+fclass=8", "at+VSD=?", "\r\n(128),(0-255)\r\n" + Ok},
      {"generic", "at+fclass=8", "at+VTS=?", "\r\n(200-3300),(200-3300),(0-50)\r\n" + Ok},
      {"generic", "at+fclass=8", "at+VXT=?", Error},
      {"generic", "at+fclass=8", "at+VDR=?", "\r\n(0,1),(0-255)\r\n" + Ok},
      {"generic", "at+fclass=8", "at+VBT=?", "\r\n(0-255),(0-255)\r\n" + Ok},
      {"generic", "at+fclass=8", "at+VPR=?", "\r\n(0-7)\r\n" + Ok},
      {"generic", "", "ati0", "\r\n56000\r\n" + Ok},
      {"generic", "", "ati2", Ok},
      {"generic", "", "ati4", "\r\nVSIM 56K Voice\r\n" + Ok},
      {"generic", "", "ati8", Error},
      {"generic", "", "ati10", Error},
      {"strict", "", "AT+GMM?", Error},
      {"strict", "", "AT+FMM?", Error},
      {"strict", "", "AT+GMM", "\r\nVSIM 56K Voice\r\n" + Ok},
      {"strict", "", "ATI4", "\r\nVSIM 56K Voice\r\n" + Ok},
      {"speakerphone", "at+fclass=8", "at+vsp=1", Ok},
      {"speakerphone", "at+fclass=8", "at+vgs=128", Ok},
      {"nonvoice", "", "at+fclass=?", "\r\n0,1,1.0\r\n" + Ok},
      {"nonvoice", "", "at+fclass=8", Error},
      {"nonvoice", "", "at+vcid=1", Error},
      {"nonvoice", "", "AT", Ok},
      {"hsf", "at+fclass=8", "at+vsm=?", hsf},
      {"hsf", "at+fclass=8", "at+vsm=130,8000,0,00", Ok},
      {"example", "at+fclass=8", "at+vsm=128,8000,0,0", Ok},
      {"example", "at+fclass=8", "at+vsm=134,9600,0,0", Ok},  // a rate inside "(4000-12000)"
      {"example", "at+fclass=8", "at+vsm=134,16000,0,0", Error},
  };
  std::string current;
  std::unique_ptr<Modem> m;
  for (const Case& c : cases) {
    if (current != c.Profile) {
      m.reset();
      m = std::make_unique<Modem>(c.Profile);
      m->Sim.Ok("set com3 reset_delay=20");  // the table resets after each case
      current = c.Profile;
      ASSERT_EQ(m->Line->At("atE0"), "atE0\r" + Ok);
    }
    if (*c.Setup) m->Line->At(c.Setup);
    EXPECT_EQ(m->Line->At(c.Command), c.Reply) << c.Profile << ": " << c.Command;
    m->Line->At("atz");
    m->Line->At("atE0");
  }
  // A dead modem: the port opens, nothing answers.
  Modem dead("dead");
  dead.Line->Write("AT\r");
  EXPECT_EQ(dead.Line->Read(400), "");
  EXPECT_NE(dead.Sim.Ok("cmds? com3").find("\"AT\""), std::string::npos);
}

TEST(Commands, FaultsByPattern) {
  Modem m;
  Dte& d = *m.Line;
  d.At("atE0");
  m.Sim.Ok("reply com3 at+vcid=1 ERROR");
  m.Sim.Ok("reply com3 AT+GMM? none");
  m.Sim.Ok("reply com3 ati4 text=\\r\\nOK-MODEL\\r\\n\\r\\nOK\\r\\n");
  m.Sim.Ok("reply com3 at delay=400");
  EXPECT_EQ(d.At("at+vcid=1"), Error);
  d.Write("AT+GMM?\r");
  EXPECT_EQ(d.Read(300), "");
  EXPECT_EQ(d.At("ati4"), "\r\nOK-MODEL\r\n" + Ok);
  double t = Clock();
  EXPECT_EQ(d.At("at"), Ok);
  EXPECT_GE(Clock() - t, 0.35);
  m.Sim.Ok("reply com3 at clear");
  m.Sim.Ok("set com3 vls_vcon=1");
  d.At("at+fclass=8");
  EXPECT_EQ(d.At("at+vls=1"), "\r\nVCON\r\n");
  double t0 = Clock();
  m.Sim.Ok("send com3 gap=100 \"\\r\\nNM\" \"BR = 555\" \"1234\\r\\n\"");
  EXPECT_EQ(d.ReadUntil("1234\r\n", 2000), "\r\nNMBR = 5551234\r\n");
  EXPECT_GE(Clock() - t0, 0.18);
  m.Sim.Ok("garbage com3 junk 46");
  EXPECT_EQ(d.Read(300).size(), 46u);
  EXPECT_EQ(m.Sim.Cmd("set com3 nonsense=1").substr(0, 5), "error");
}

TEST(Commands, LineSettingsAsTheLastCommandFoundThem) {
  Modem m;
  EXPECT_EQ(m.Sim.Cmd("line? com3").substr(0, 5), "error");
  termios tio{};
  ASSERT_EQ(tcgetattr(m.Line->Fd, &tio), 0);
  cfsetspeed(&tio, B57600);
  tio.c_cflag |= CRTSCTS;
  ASSERT_EQ(tcsetattr(m.Line->Fd, TCSANOW, &tio), 0);
  m.Line->At("AT");
  cfsetspeed(&tio, B115200);
  tio.c_cflag &= ~CRTSCTS;
  tio.c_iflag |= IXON | IXOFF;
  ASSERT_EQ(tcsetattr(m.Line->Fd, TCSANOW, &tio), 0);
  EXPECT_EQ(m.Sim.Ok("line? com3"), "baud=57600 rtscts=1 ixon=0 ixoff=0");
  m.Line->At("AT");
  EXPECT_EQ(m.Sim.Ok("line? com3"), "baud=115200 rtscts=0 ixon=1 ixoff=1");
}

TEST(Voice, RampIsBitExactAndEqualsTheDump) {
  Modem m("generic", {"--speed", "8"});
  m.ToVoice();
  m.Sim.Ok("stream com3 pattern ramp 8s");  // 64000 bytes, every value, 0x10 among them
  m.Sim.Ok("stream com3 silence forever");
  std::string got = m.StartReceive();
  got += m.Line->Read(2500);
  std::string events;
  std::string data = Unshield(got, &events);
  ASSERT_GE(data.size(), 64000u);
  for (size_t i = 0; i < 64000; ++i) ASSERT_EQ((unsigned char)data[i], i % 256) << "at " << i;
  EXPECT_EQ((unsigned char)data[64000], 0x80);  // then the silence code
  EXPECT_EQ(events, "");
  m.Line->Write("\x10!");
  std::string end = m.Line->ReadUntil("\x10\x03" + Ok, 3000);
  EXPECT_NE(end.find("\x10\x03" + Ok), std::string::npos);
  // The dump holds exactly what was streamed, before and after shielding.
  std::string shielded = got + end.substr(0, end.find("\x10\x03"));
  std::string dle = ReadFile(m.Sim.Dir + "/com3.1.dle"), raw = ReadFile(m.Sim.Dir + "/com3.1.raw");
  EXPECT_EQ(Unshield(dle), raw);
  EXPECT_EQ(raw.substr(0, 64000), data.substr(0, 64000));
  EXPECT_EQ(dle.substr(0, shielded.size()), shielded);
  EXPECT_EQ(m.Sim.Ok("state? com3").substr(0, 25), "hook=off class=8 vls=1 vc");
  EXPECT_EQ(m.Line->At("at"), Ok);  // voice command state, off-hook
}

TEST(Voice, ClosingDuringTheStreamIsADtrDrop) {
  Modem m;
  m.ToVoice();
  m.Sim.Ok("stream com3 noise -20 forever");
  m.StartReceive();
  EXPECT_GT(m.Line->Read(300).size(), 1000u);
  m.Line->Close();
  EXPECT_EQ(m.Sim.Cmd("wait-closed com3 5000"), "ok");
  std::string state = m.Sim.Ok("state? com3");
  EXPECT_NE(state.find("hook=on class=0 vls=0"), std::string::npos) << state;
  EXPECT_NE(state.find("mode=command"), std::string::npos) << state;
  usleep(300000);
  std::string log = ReadFile(m.Sim.Log);
  EXPECT_NE(log.find("\"ev\":\"close\",\"closes\":1,\"stream_bytes\":"), std::string::npos);
  EXPECT_NE(log.find("\"why\":\"dtr_drop\""), std::string::npos);
  // Reopened: a working command state, echo kept off (a DTR drop is no ATZ).
  Dte again(m.Sim.Dir, "com3");
  EXPECT_EQ(m.Sim.Cmd("wait-open com3 5000"), "ok");
  EXPECT_EQ(again.Read(200), "");  // nothing of the old stream
  EXPECT_EQ(again.At("at"), Ok);
  EXPECT_EQ(again.At("at+vsm=?"), Error);  // class 0 again
}

TEST(Voice, XoffPausesAndXonResumes) {
  Modem m;
  m.ToVoice();
  m.Sim.Ok("stream com3 silence forever");
  m.StartReceive();
  m.Line->Read(200);
  m.Line->Write("\x13");
  m.Line->Read(300);  // what was in flight
  EXPECT_EQ(m.Line->Read(300).size(), 0u);
  m.Line->Write("\x11");
  EXPECT_GT(m.Line->Read(300).size(), 1000u);
  m.Line->Write("\x10!");
  EXPECT_NE(m.Line->ReadUntil("\x10\x03", 3000).find("\x10\x03"), std::string::npos);
}

TEST(Voice, EncodingsPacingAndEvents) {
  struct Case {
    const char* Vsm;
    size_t BytesPerSecond;
    std::string Zero;
  };
  const Case cases[] = {{"1,8000,0,0", 8000, "\x80"},
                        {"131,8000,0,0", 8000, "\xff"},
                        {"132,8000,0,0", 8000, "\xd5"},
                        {"133,8000,0,0", 16000, std::string("\0\0", 2)},
                        {"1,11025,0,0", 11025, "\x80"}};
  for (const Case& c : cases) {
    Modem m;
    m.ToVoice(c.Vsm);
    m.Sim.Ok("stream com3 silence forever");
    std::string got = m.StartReceive();
    double t = Clock();
    got += m.Line->Read(1000);
    double secs = Clock() - t;
    // Paced by sample count: about one second's bytes in one second.
    EXPECT_NEAR(double(got.size()), c.BytesPerSecond * secs, c.BytesPerSecond * 0.15) << c.Vsm;
    EXPECT_EQ(got.substr(0, c.Zero.size()), c.Zero) << c.Vsm;
  }
  // Busy tone: <DLE>b about 1 s in, then every 4 s; silence with +VSD: <DLE>s once.
  Modem m("generic", {"--speed", "10"});
  m.ToVoice();
  EXPECT_EQ(m.Line->At("at+vsd=128,20"), Ok);
  m.Sim.Ok("stream com3 silence 3s");
  m.Sim.Ok("stream com3 busy 10s");
  m.Sim.Ok("stream com3 silence forever");
  std::string got = m.StartReceive();
  got += m.Line->Read(2000);
  std::string events;
  std::string data = Unshield(got, &events);
  EXPECT_EQ(events, "sbbbq") << data.size();
}

TEST(Voice, SourcesLookToTheProgramAsTheyShould) {
  // Busy tones are periodic, speech is neither quiet nor periodic, silence is quiet.
  struct Case {
    const char* Source;
    const char* Country;
    int MinPeriodic, MaxPeriodic, MinQuiet, MaxQuiet;  // of 20 frames
  };
  const Case cases[] = {
      {"busy 5s", "EU", 6, 20, 0, 10},   {"dial 5s", "EU", 18, 20, 0, 0}, {"busy 5s", "UK", 6, 20, 0, 10},
      {"speech synth 5s", "EU", 0, 0, 0, 4}, {"silence 5s", "EU", 0, 0, 20, 20}, {"noise -30 5s", "EU", 0, 0, 0, 0},
      {"speech " SPEECH_WAV, "EU", 0, 1, 0, 6}, {"silence dither=1 5s", "EU", 0, 0, 20, 20},
  };
  for (const Case& c : cases) {
    Modem m("generic", {"--speed", "10"});
    m.Sim.Ok(std::string("set com3 country=") + c.Country);
    m.ToVoice();
    m.Sim.Ok(std::string("stream com3 ") + c.Source + " dle=off");
    std::string got = m.StartReceive();
    got += m.Line->ReadCount(1536 * 22, 5000);
    std::string data = Unshield(got);
    ASSERT_GE(data.size(), 1536u * 20) << c.Source;
    int periodic = 0, quiet = 0;
    for (int f = 0; f < 20; ++f) {
      std::string frame = data.substr(size_t(f) * 1536, 1536);
      periodic += Periodic(frame);
      quiet += Quiet(frame);
    }
    EXPECT_GE(periodic, c.MinPeriodic) << c.Source << " " << c.Country;
    EXPECT_LE(periodic, c.MaxPeriodic) << c.Source << " " << c.Country;
    EXPECT_GE(quiet, c.MinQuiet) << c.Source << " " << c.Country;
    EXPECT_LE(quiet, c.MaxQuiet) << c.Source << " " << c.Country;
  }
}

TEST(Voice, FarEndHangsUpIntoTheCountryTone) {
  Modem m("generic", {"--speed", "10"});
  m.ToVoice();
  m.Sim.Ok("answer com3");
  m.Sim.Ok("stream com3 speech synth forever");
  m.StartReceive();
  m.Line->Read(300);
  m.Sim.Ok("hangup-far com3");
  m.Line->Read(100);
  std::string events;
  Unshield(m.Line->Read(1500), &events);
  EXPECT_NE(events.find('b'), std::string::npos);
  // A hang-up placed in the timeline comes by sample count, whatever the speed.
  m.Line->Write("\x10!");
  m.Line->ReadUntil("OK\r\n", 2000);
  m.Sim.Ok("answer com3");
  m.Sim.Ok("stream com3 silence 3s");
  m.Sim.Ok("stream com3 hangup-far");
  std::string tl = m.StartReceive();
  tl += m.Line->Read(1000);  // 10 s of audio at speed 10
  std::string tlEvents;
  std::string tlData = Unshield(tl, &tlEvents);
  EXPECT_EQ(tlEvents.substr(0, 1), "b");
  ASSERT_GE(tlData.size(), 24000u);
  EXPECT_EQ(tlData.substr(0, 24000), std::string(24000, '\x80'));
  EXPECT_NE(tlData.substr(24000, 8000), std::string(8000, '\x80'));
  // A scripted end: <DLE>l, <DLE><ETX>, NO CARRIER, on-hook.
  m.Sim.Ok("end-stream com3 event=l result=nocarrier hook=on");
  std::string end = m.Line->ReadUntil("NO CARRIER\r\n", 3000);
  EXPECT_NE(end.find("\x10l\x10\x03\r\nNO CARRIER\r\n"), std::string::npos);
  EXPECT_NE(m.Sim.Ok("state? com3").find("hook=on"), std::string::npos);
}

TEST(Line, RingsAndCallerIdOnTime) {
  Modem m;
  Dte& d = *m.Line;
  d.At("atE0");
  d.At("at+vcid=1");
  double t0 = Clock();
  m.Sim.Ok("ring com3 count=3 every=1500 cid=between cid.nmbr=5551234 cid.name=BROOKS");
  // Each piece as it arrives, with its time.
  std::vector<std::pair<double, std::string>> got;
  std::string all;
  while (Clock() - t0 < 4.0) {
    std::string s = d.Read(20);
    if (!s.empty()) got.push_back({Clock() - t0, s}), all += s;
  }
  const std::string ring = "\r\nRING\r\n";
  const std::string cid = "\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234\r\nNAME = BROOKS\r\n";
  EXPECT_EQ(all, ring + cid + ring + ring);
  ASSERT_EQ(got.size(), 4u);
  const double expected[] = {0.0, 0.9, 1.5, 3.0};
  for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(got[i].first, expected[i], 0.15) << i;
  std::string log = ReadFile(m.Sim.Log);
  EXPECT_NE(log.find("\"ev\":\"ring_end\",\"rings\":3"), std::string::npos);

  // Unformatted caller ID, and CID before the first ring; V0 gives "2\r".
  d.At("at+vcid=2");
  d.At("atv0");
  m.Sim.Ok("ring com3 count=1 cid=before cid.nmbr=5551234567 cid.name=\"DOE JOHN\"");
  std::string s = d.Read(1200);
  EXPECT_EQ(s.substr(0, 2), "\r\n");
  EXPECT_EQ(s.substr(2, 2), "80");
  EXPECT_NE(s.find("0108303332313134303502"), std::string::npos) << s;
  EXPECT_EQ(s.substr(s.size() - 2), "2\r");
  // No RING while off-hook; going off-hook on a ringing line answers it.
  d.At("atv1");
  d.At("at+vcid=0");
  d.At("at+fclass=8");
  m.Sim.Ok("ring com3 every=1200");
  EXPECT_EQ(d.ReadUntil(ring, 1500), ring);
  EXPECT_EQ(d.At("at+vls=1"), Ok);
  EXPECT_EQ(d.Read(1500), "");
  EXPECT_NE(ReadFile(m.Sim.Log).find("answer_by_modem"), std::string::npos);
}

TEST(Scenario, RunsTheExampleAndChecksItsExpectations) {
  char dir[] = "/tmp/modemsim-scn.XXXXXX";
  std::string d = mkdtemp(dir);
  std::string path = d + "/call.scn";
  std::ofstream(path) << "port COM3 profile=generic country=EU\n"
                         "on COM3 cmd \"ats0=0\" then after 200 ms:   # armed\n"
                         "  ring count=2 every=1300 cid=between cid.nmbr=5551234 cid.name=\"DOE JOHN\"\n"
                         "  answer\n"
                         "on COM3 vrx:\n"
                         "  stream speech synth 1s\n"
                         "  stream busy 3s dle=auto\n"
                         "  stream silence forever\n"
                         "expect COM3 open within 5s\n"
                         "expect COM3 cmd \"at+vrx\" within 20s\n"
                         "expect COM3 close within 15s\n"
                         "quit\n";
  SimProcess sim({"--scenario", path});
  ASSERT_TRUE(sim.Ready);
  {
    Dte line(sim.Dir, "com3");
    for (const char* c : {"atz", "atE0", "ats0=0", "at+vcid=1"}) line.At(c);
    std::string rings = line.ReadUntil("RING\r\n\r\nDATE", 3000);
    rings += line.ReadUntil("NAME = DOE JOHN\r\n\r\nRING\r\n", 3000);
    EXPECT_NE(rings.find("NMBR = 5551234"), std::string::npos);
    EXPECT_EQ(line.Read(1600), "");  // answered: no more rings
    for (const char* c : {"at+fclass=8", "at+vsm=1,8000,0,0", "at+vls=1"}) EXPECT_EQ(line.At(c), Ok);
    line.At("at+vrx");
    std::string events;
    Unshield(line.Read(2500), &events);
    EXPECT_EQ(events, "b");
  }
  EXPECT_EQ(sim.WaitExit(5000), 0);
  std::string failing = d + "/fail.scn";
  std::ofstream(failing) << "port COM4\nexpect COM4 cmd \"atz\" within 300ms\n";
  SimProcess bad({"--scenario", failing});
  EXPECT_EQ(bad.WaitExit(5000), 3);
  EXPECT_EQ(system(("rm -rf '" + d + "'").c_str()), 0);
}

TEST(Line, CallerIdForms) {
  struct Case {
    int Vcid;
    const char* Options;
    std::string Block;
  };
  const std::string head = "\r\nDATE = 0321\r\nTIME = 1405\r\n";
  const Case cases[] = {
      {1, "", head + "NMBR = 5551234567\r\nNAME = DOE JOHN\r\n"},
      {1, "form=tight nmbr=P name=O", "\r\nDATE=0321\r\nTIME=1405\r\nNMBR=P\r\nNAME=O\r\n"},
      {1, "errm=\"BAD MESSAGE\" name=\"CONNECTICUT GAS\"", head + "ERRM = BAD MESSAGE\r\nNMBR = 5551234567\r\nNAME = CONNECTICUT GAS\r\n"},
      {1, "mesg=0A0B", head + "NMBR = 5551234567\r\nNAME = DOE JOHN\r\nMESG = 0A0B\r\n"},
      {1, "bad=1", ""},  // a checksum error: nothing at all
      {0, "", ""},
  };
  Modem m;
  Dte& d = *m.Line;
  d.At("atE0");
  for (const Case& c : cases) {
    d.At("at+vcid=" + std::to_string(c.Vcid));
    m.Sim.Ok(std::string("cid com3 ") + c.Options);
    EXPECT_EQ(d.Read(200), c.Block) << c.Options;
  }
  // Unformatted: upper-case hex of the whole message, whose bytes sum to 0 mod 256.
  d.At("at+vcid=2");
  m.Sim.Ok("cid com3 nmbr=5551234567");
  std::string line = d.Read(200);
  ASSERT_GT(line.size(), 8u);
  std::string hex = line.substr(2, line.size() - 4);
  unsigned sum = 0;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) sum += unsigned(std::stoul(hex.substr(i, 2), nullptr, 16));
  EXPECT_EQ(sum % 256, 0u) << hex;
  EXPECT_EQ(hex.substr(0, 2), "80");
  EXPECT_NE(hex.find("020A35353531323334353637"), std::string::npos) << hex;
}

TEST(Line, RingVariants) {
  Modem m;
  Dte& d = *m.Line;
  d.At("atE0");
  d.At("at+fclass=8");
  m.Sim.Ok("set com3 dle_ring=1 ring_text=0");
  m.Sim.Ok("ring com3 count=1");
  EXPECT_EQ(d.Read(300), "\x10R");
  m.Sim.Ok("set com3 dle_ring=0 ring_text=1");
  // UK pairs: a RING for each burst, 0.6 s then 2.4 s apart.
  double t0 = Clock();
  m.Sim.Ok("ring com3 count=3 cadence=UK ukpair=1 cid=none");
  std::vector<double> at;
  while (Clock() - t0 < 3.5 && at.size() < 3)
    if (!d.ReadUntil("RING\r\n", 3500).empty()) at.push_back(Clock() - t0);
  ASSERT_EQ(at.size(), 3u);
  EXPECT_NEAR(at[1] - at[0], 0.6, 0.15);
  EXPECT_NEAR(at[2] - at[1], 2.4, 0.15);
  // CID and RING in one write.
  d.At("at+vcid=1");
  m.Sim.Ok("ring com3 count=2 every=1200 cid.write=coalesce");
  EXPECT_EQ(d.ReadUntil("RING\r\n", 1500), "\r\nRING\r\n");
  std::string both = d.ReadUntil("RING\r\n", 2000);
  EXPECT_EQ(both.substr(0, 8), "\r\nDATE =");
  EXPECT_EQ(both.substr(both.size() - 8), "\r\nRING\r\n");
}

TEST(Voice, DtmfSplitRepliesAndTheAnswerTimeline) {
  Modem m;
  m.ToVoice();
  m.Sim.Ok("stream com3 dtmf 12#");
  m.Sim.Ok("stream com3 silence forever");
  std::string got = m.StartReceive();
  got += m.Line->Read(900);
  std::string events;
  Unshield(got, &events);
  EXPECT_EQ(events, "12#");
  m.Line->Write("\x10!");
  m.Line->ReadUntil("OK\r\n", 2000);

  m.Sim.Ok("reply com3 at split");
  EXPECT_EQ(m.Line->At("at"), Ok);
  m.Sim.Ok("reply com3 at clear");

  // Audio from the answer on: what played before +VRX is gone.
  m.Sim.Ok("set com3 timeline=answer");
  m.Sim.Ok("answer com3");
  m.Sim.Ok("stream com3 pattern ramp 5s");
  usleep(500000);
  std::string rest = m.StartReceive();
  rest += m.Line->Read(300);
  std::string data = Unshield(rest);
  ASSERT_FALSE(data.empty());
  EXPECT_NE(ReadFile(m.Sim.Log).find("timeline_skip"), std::string::npos);
  // Skipped about 0.5 s = 4000 samples: the ramp does not start at 0 (nor at 4000 mod 256 exactly).
  EXPECT_FALSE(data[0] == 0 && data[1] == 1);
}

TEST(Voice, AbortInTheSameWriteAsVrxAndTransmit) {
  Modem m;
  m.ToVoice();
  m.Line->Write("at+vrx\r\x10!at\r");  // the rest of that write after the abort is dropped
  std::string got = m.Line->ReadUntil("\x10\x03\r\nOK\r\n", 3000);
  EXPECT_EQ(got.substr(0, 11), "\r\nCONNECT\r\n");
  EXPECT_EQ(got.substr(got.size() - 8), "\x10\x03\r\nOK\r\n");
  EXPECT_EQ(m.Line->Read(300), "");
  // +VTX takes voice data (XON/XOFF bytes included) until <DLE><ETX>.
  EXPECT_EQ(m.Line->At("at+vtx"), "\r\nCONNECT\r\n");
  m.Line->Write(std::string("\x80\x11\x13\x10\x10\x80", 6));
  m.Line->Write("\x10\x03");
  EXPECT_EQ(m.Line->ReadUntil("OK\r\n", 2000), Ok);
  EXPECT_EQ(m.Line->At("atz"), Ok);
  EXPECT_NE(m.Sim.Ok("state? com3").find("hook=on class=0 vls=0"), std::string::npos);
}
