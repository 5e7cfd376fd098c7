// The engine on a pty under Wine, the modem simulator at the other end.
#include "Compression.h"
#include "EngineFixture.h"
#include "MessagePump.h"
#include "ModemParams.h"
#include "ModemSim.h"
#include "Parse.h"
#include "Timer.h"
#include "QueryModemForm.h"
#include "ScomTestEnv.h"
#include "UiTest.h"
#include <gtest/gtest.h>
#include <cstdio>

namespace {

constexpr int Com = 5;

// The stop action as the main window runs it: voice receive ends with the port's close.
class SimHost : public FakeHost {
public:
  TfmModem* modem = nullptr;
  void StopRecording() override {
    FakeHost::StopRecording();
    modem->ClosePort();
  }
  void ModemArmed(bool on) override { armed.push_back(on); }
  std::vector<bool> armed;
};

class EngineSim : public ::testing::Test, public EngineFixture {
protected:
  void SetUp() override {
    sim.AddPort(Com, "generic");
    LiveSettings.FlowControlIndex = 2;  // None: the voice stream holds XON and XOFF codes
    ModemParams = TModemParams();
    SetDefaultCommands(ModemParams);
    ini->WriteFormat("Modem compression", Pcm8k());
    CurrentCompression.Clear();
    CurrentCompression.Description.Set("UNSIGNED PCM");
    CurrentCompression.bps.Set("8");
    CurrentCompression.vsr.Set("8000");
    engine = new TfmModem(nullptr);
    engine->Host = &host;
    engine->CallerView = &host;
    host.modem = engine;
    RecordWriter = &writer;
    ASSERT_TRUE(engine->OpenPort(Com, true));
  }
  void TearDown() override {
    RecordWriter = nullptr;
    delete engine;
    sim.RemovePort(Com);
  }
  std::string Sim(const std::string& command) { return sim.Command(command); }
  bool Pump(const std::function<bool()>& done, DWORD ms) { return PumpUntil(done, ms); }
  // The commands the modem received, as the simulator lists them.
  std::string Commands() { return Sim("cmds? com5"); }

  // The record action's start of voice receive: 8-bit unsigned at 8000 Hz, telephone line.
  void StartRecording() {
    ASSERT_EQ(TSendResult::Expected, engine->SendCommand("at+fclass=8", "voice mode..", "ok"));
    ASSERT_EQ(TSendResult::Expected, engine->SendCommand("at+vsm=1,8000,0,0", "compression..", "ok"));
    ASSERT_EQ(TSendResult::Expected, engine->SendCommand("at+vls=1", "line..", "ok"));
    ASSERT_TRUE(engine->SendNoWait("at+vrx", "voice receive.."));
    engine->StartVoiceReceive();
  }
  // A field of the simulator's last vrx_end record.
  long VrxEnd(const std::string& field) {
    std::string log = Sim("log? com5");
    size_t at = log.rfind("\"ev\":\"vrx_end\"");
    if (at == std::string::npos) return -1;
    size_t f = log.find("\"" + field + "\":", at);
    return f == std::string::npos ? -1 : std::stol(log.substr(f + field.size() + 3));
  }

  TModemSim sim;
  SimHost host;
  TfmModem* engine = nullptr;
  CaptureWriter writer;
};

}  // namespace

TEST_F(EngineSim, InitOrder) {
  EXPECT_EQ("[\"atz\",\"atE0\",\"ats0=0\",\"at+vcid=1\"]", Commands());
  struct Case {
    bool callerId;
    const char* dis;
    const char* expected;
  } cases[] = {{false, "at+vcid=0", "[\"atz\",\"atE0\",\"ats0=0\",\"at+vcid=0\"]"},
               {false, "none", "[\"atz\",\"atE0\",\"ats0=0\"]"}};
  for (const Case& c : cases) {
    LiveSettings.CallerID = c.callerId;
    ModemParams.DisCallerId = c.dis;
    ASSERT_TRUE(engine->ClosePort());
    Sim("cmds-clear com5");
    ASSERT_TRUE(engine->OpenPort(Com, true));
    EXPECT_EQ(c.expected, Commands());
  }
  EXPECT_TRUE(HasLine("Com port 5 opened..."));
  EXPECT_TRUE(HasLine("Enable caller ID.."));
  EXPECT_TRUE(HasLine("Setting autoanswer off.."));
}

TEST_F(EngineSim, SpeedAndFlowControlReachTheLine) {
  struct Case {
    int baudIndex, flowIndex;
    const char* line;
  } cases[] = {{0, 0, "baud=57600 rtscts=1 ixon=0 ixoff=0"},
               {1, 1, "baud=115200 rtscts=0 ixon=1 ixoff=1"},
               {1, 2, "baud=115200 rtscts=0 ixon=0 ixoff=0"}};
  for (const Case& c : cases) {
    LiveSettings.BaudrateIndex = c.baudIndex;
    LiveSettings.FlowControlIndex = c.flowIndex;
    ASSERT_TRUE(engine->ClosePort());
    ASSERT_TRUE(engine->OpenPort(Com, false));
    ASSERT_EQ(TSendResult::Expected, engine->SendCommand("AT", "at", "ok"));
    EXPECT_EQ(c.line, Sim("line? com5"));
  }
  // Opened as it is: what the last open set stays, whatever the settings say now.
  LiveSettings.BaudrateIndex = 0;
  LiveSettings.FlowControlIndex = 0;
  ASSERT_TRUE(engine->ClosePort());
  ASSERT_TRUE(engine->OpenPortAsIs(Com));
  ASSERT_EQ(TSendResult::Expected, engine->SendCommand("AT", "at", "ok"));
  EXPECT_EQ(cases[2].line, Sim("line? com5"));
}

TEST_F(EngineSim, AnsweredCallWithCallerId) {
  engine->EnableAutoRecord();
  Sim("ring com5 cadence=fast count=3 cid=between cid.nmbr=5550100 cid.name=CONNECTICUT");
  ASSERT_TRUE(Pump([&] { return engine->CallAnswered; }, 30000));
  EXPECT_EQ("5550100", engine->CallerNumber);
  EXPECT_EQ(3, engine->RingCount);
  EXPECT_TRUE(engine->WatchDisconnect);
  EXPECT_TRUE(engine->RingPeriodKnown);
  EXPECT_NEAR(2600, engine->RingTimeOut, 400);  // 1.3 x the 2 s cadence
  ASSERT_FALSE(host.shown.empty());
  EXPECT_EQ("5550100", host.shown.back());
  EXPECT_FALSE(host.visible);
}

TEST_F(EngineSim, RejectedCallIsNotAnswered) {
  LiveSettings.RejectCall = true;
  LiveSettings.RejectRings = 2;
  engine->EnableAutoRecord();
  Sim("ring com5 cadence=fast count=4");
  ASSERT_TRUE(Pump([&] { return HasLine("Calling party hung up"); }, 30000));
  EXPECT_FALSE(engine->CallAnswered);
  EXPECT_FALSE(engine->WatchDisconnect);
  EXPECT_EQ(1, CountLines("Call recording rejected..."));
}

TEST_F(EngineSim, GarbageAndAnEndlessLineLeaveRingsHeard) {
  engine->EnableAutoRecord();
  Sim("garbage com5 random 4096");
  Sim("garbage com5 junk 460");
  Sim("garbage com5 longline 65536");
  Sim("send com5 \\r\\n");
  Sim("ring com5 cadence=fast count=1 cid=none");
  ASSERT_TRUE(Pump([&] { return engine->RingCount == 1; }, 30000));
  EXPECT_LE(engine->RawReply.Text().size(), TModemReply::MaxText);
}

TEST_F(EngineSim, VoicePathIsBitExact) {
  Sim("stream com5 pattern ramp 8s");  // 64000 bytes, 0x10 among them shielded
  Sim("stream com5 silence forever");
  StartRecording();
  ASSERT_TRUE(Pump([&] { return writer.bytes.size() >= 31 * 2048; }, 30000));
  ASSERT_TRUE(engine->ClosePort());
  for (int size : writer.blocks) EXPECT_EQ(2048, size);
  for (size_t i = 0; i < writer.bytes.size() && i < 64000; ++i)
    ASSERT_EQ(i % 256, static_cast<unsigned char>(writer.bytes[i])) << "at " << i;
  EXPECT_EQ(0, host.stops);
}

namespace {
// A busy tone after speech ends the call: heard when the modem does not report it, or at the
// modem's <DLE>b, about a second into the tone, before it is heard. The seconds of tone are
// counted in samples the simulator sent; the close after the stop adds a little.
struct BusyToneCase {
  const char* name;
  const char* stream;
  double fromSeconds, toSeconds;
};

class EngineSimBusyTone : public EngineSim, public ::testing::WithParamInterface<BusyToneCase> {};
}  // namespace

TEST_P(EngineSimBusyTone, AfterSpeechEndsTheCall) {
  const BusyToneCase& c = GetParam();
  engine->WatchDisconnect = true;
  Sim("stream com5 speech synth 6s");
  Sim(c.stream);
  StartRecording();
  ASSERT_TRUE(Pump([&] { return host.stops > 0; }, 40000));
  EXPECT_TRUE(HasLine("Disconnect line..."));
  ASSERT_TRUE(Pump([&] { return VrxEnd("samples") >= 0; }, 5000));
  double busy = (VrxEnd("samples") - 6 * 8000) / 8000.0;
  std::printf("busy tone heard: %.2f s\n", busy);
  EXPECT_GE(busy, c.fromSeconds);
  EXPECT_LE(busy, c.toSeconds);
  EXPECT_EQ(1, host.stops);
}

INSTANTIATE_TEST_SUITE_P(
    EngineSim, EngineSimBusyTone,
    ::testing::Values(BusyToneCase{"HeardNotReported", "stream com5 busy dle=off forever", 3.0, 5.5},
                      BusyToneCase{"ReportedByTheModem", "stream com5 busy dle=auto forever", 0.9, 2.5}),
    [](const ::testing::TestParamInfo<BusyToneCase>& info) { return std::string(info.param.name); });

TEST_F(EngineSim, SilenceEndsTheCallAfterTheDisconnectTime) {
  LiveSettings.DiscTime = 2;
  engine->WatchDisconnect = true;
  Sim("stream com5 speech synth 1s");
  Sim("stream com5 silence forever");
  StartRecording();
  ASSERT_TRUE(Pump([&] { return host.stops > 0; }, 30000));
  EXPECT_TRUE(HasLine("Silence..."));
  ASSERT_TRUE(Pump([&] { return VrxEnd("samples") >= 0; }, 5000));
  double silence = (VrxEnd("samples") - 8000) / 8000.0;
  std::printf("silence heard: %.2f s\n", silence);
  EXPECT_GE(silence, 1.9);
  EXPECT_LE(silence, 3.2);
}

TEST_F(EngineSim, DleEtxEndsTheCall) {
  engine->WatchDisconnect = true;
  Sim("stream com5 speech synth forever");
  StartRecording();
  ASSERT_TRUE(Pump([&] { return writer.bytes.size() >= 2048; }, 30000));
  Sim("end-stream com5 event=l result=nocarrier hook=on");
  ASSERT_TRUE(Pump([&] { return host.stops > 0; }, 30000));
  EXPECT_TRUE(HasLine("Disconnect line..."));
  EXPECT_FALSE(engine->VoiceReceiving);
}

TEST_F(EngineSim, CompressionQueryAgainstTheModemsReplyShapes) {
  struct Case {
    const char* profile;
    std::vector<const char*> commands;
  } cases[] = {
      {"generic", {"at+vsm=1,8000,0,0", "at+vsm=128,8000,0,0", "at+vsm=131,8000,0,0", "at+vsm=132,8000,0,0",
                   "at+vsm=133,7200,0,0"}},
      {"example", {"at+vsm=128,8000,0,0", "at+vsm=130,8000", "at+vsm=131,8000", "at+vsm=134,0,0"}},
      {"hsf", {"at+vsm=1,8000,0,0", "at+vsm=130,8000,0,00"}},  // bare rates, ADPCM left out
  };
  TfmQueryModem* memoForm = NewForm<TfmQueryModem>(nullptr);
  TfmParse parse;
  parse.Modem = engine;
  parse.QueryMemo = memoForm->Memo1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.profile);
    ASSERT_TRUE(engine->ClosePort());
    sim.RemovePort(Com);
    sim.AddPort(Com, c.profile);
    ASSERT_TRUE(engine->OpenPort(Com, true));
    ASSERT_EQ(TSendResult::Expected, engine->SendCommand("at+fclass=8", "voice mode..", "ok"));
    ASSERT_TRUE(parse.QueryCompressions(false));
    std::vector<TCompressionRec> recs = ReadCompressions("Compressions.d");
    ASSERT_EQ(c.commands.size(), recs.size());
    for (size_t i = 0; i < recs.size(); ++i) {
      EXPECT_EQ(c.commands[i], recs[i].VsmCommand.Get());
      EXPECT_EQ(CompressionIniValue(recs[i]), ini->ReadString("Modem compressions", std::to_string(i), ""));
    }
    EXPECT_EQ("", ini->ReadString("Modem compressions", std::to_string(recs.size()), ""));
  }
  // A modem that answers ERROR: no records, the compression marked as refused.
  ASSERT_EQ(TSendResult::Expected, engine->SendCommand("at+fclass=0", "data mode..", "ok"));
  TBoxWatcher boxes;
  EXPECT_FALSE(parse.QueryCompressions(false));
  EXPECT_EQ(std::vector<std::string>{"None modem compression can be recognized"}, boxes.Texts());
  EXPECT_EQ("at+vsm=none", ModemParams.VoiceCompression);
  EXPECT_EQ("at+vsm=none", ini->ReadString("Modem", "VoiceCompression", ""));
  EXPECT_TRUE(ReadCompressions("Compressions.d").empty());
  EXPECT_EQ("", ini->ReadString("Modem compressions", "0", ""));
  memoForm->Free();
}

TEST_F(EngineSim, ScriptedCallReachesTheStopWithItsRecordingAndCaller) {
  std::string filed;
  host.onStop = [&] { filed = engine->CallerNumber; };
  engine->EnableAutoRecord();
  Sim("ring com5 cadence=fast count=2 cid=between cid.nmbr=5550142");
  ASSERT_TRUE(Pump([&] { return engine->CallAnswered; }, 30000));
  Sim("stream com5 pattern ramp 3s");
  Sim("stream com5 busy forever");
  StartRecording();
  ASSERT_TRUE(Pump([&] { return host.stops > 0; }, 40000));
  EXPECT_EQ("5550142", filed);
  ASSERT_GE(writer.bytes.size(), 24000u);
  for (size_t i = 0; i < 24000; ++i) ASSERT_EQ(i % 256, static_cast<unsigned char>(writer.bytes[i])) << i;
  EXPECT_EQ(0u, writer.bytes.size() % 2048);
}

namespace {
int LinesLike(const std::string& start) {
  int n = 0;
  for (const std::string& line : EventLog().Lines()) n += line.rfind(start, 0) == 0 ? 1 : 0;
  return n;
}
}  // namespace

TEST_F(EngineSim, ASilentModemIsNotArmedTriedQuietlyAndArmedOnceItAnswers) {
  LiveSettings.TimeOut = 1;
  ASSERT_TRUE(engine->ClosePort());
  sim.RemovePort(Com);
  sim.AddPort(Com, "dead");
  EventLog().Clear();
  EXPECT_FALSE(engine->Arm(Com));
  EXPECT_FALSE(engine->OpenFailed);
  EXPECT_FALSE(engine->PortOpened) << "the port of a silent modem is let go";
  EXPECT_FALSE(engine->AutoRecordMode);
  EXPECT_EQ(host.armed, std::vector<bool>{false});
  EXPECT_TRUE(engine->tmRearm().Enabled());
  EXPECT_EQ(engine->tmRearm().Interval(), 5000u);
  EXPECT_EQ(LinesLike("modem on COM5 does not answer"), 1);
  EXPECT_EQ(LinesLike("Enabling autoRecord mode"), 0);
  // The next try writes nothing.
  const int lines = EventLog().Count();
  ASSERT_TRUE(Pump([&] { return Sim("state com5").find("opens=2") != std::string::npos; }, 10000));
  ASSERT_TRUE(Pump([&] { return Sim("state com5").find("closed") != std::string::npos; }, 10000));
  EXPECT_EQ(EventLog().Count(), lines);
  sim.RemovePort(Com);
  sim.AddPort(Com, "generic");
  ASSERT_TRUE(Pump([&] { return engine->Armed; }, 15000));
  EXPECT_TRUE(engine->PortOpened);
  EXPECT_TRUE(engine->AutoRecordMode);
  EXPECT_FALSE(engine->tmRearm().Enabled());
  EXPECT_EQ(host.armed.back(), true);
  EXPECT_EQ(LinesLike("modem on COM5 does not answer"), 1);
  EXPECT_EQ(LinesLike("Modem on COM5 answers again: armed"), 1);
  EXPECT_EQ(EventLog().Lines().back(), "Enabling autoRecord mode");
}

TEST_F(EngineSim, ALostPortIsToldOnceLetGoAndTriedAgain) {
  ASSERT_TRUE(engine->Arm(Com));
  EXPECT_EQ(host.armed, std::vector<bool>{true});
  struct Case {
    const char* name;
    bool recording;
  } cases[] = {{"idle", false}, {"recording", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EventLog().Clear();
    host.armed.clear();
    const int stops = host.stops;
    if (c.recording) {
      ASSERT_NO_FATAL_FAILURE(StartRecording());
    }
    sim.RemovePort(Com);
    ASSERT_TRUE(Pump([&] { return !engine->PortOpened; }, 8000));
    Pump([] { return false; }, 300);
    ASSERT_EQ(LinesLike("Com port 5 lost: "), 1);
    for (const std::string& line : EventLog().Lines()) {
      if (line.rfind("Com port 5 lost: ", 0) == 0) {
        EXPECT_GT(line.size(), 20u) << "the system's reason: " << line;
      }
    }
    // A recording is stopped (and filed by the host); the host's stop re-arms.
    EXPECT_EQ(host.stops, stops + (c.recording ? 1 : 0));
    if (c.recording) {
      engine->StartRearm();
    }
    EXPECT_FALSE(engine->AutoRecordMode);
    EXPECT_TRUE(engine->tmRearm().Enabled());
    EXPECT_EQ(host.armed, std::vector<bool>{false});
    sim.AddPort(Com, "generic");
    ASSERT_TRUE(Pump([&] { return engine->Armed; }, 15000));
    EXPECT_TRUE(engine->AutoRecordMode);
    EXPECT_EQ(LinesLike("Modem on COM5 answers again: armed"), 1);
  }
}

TEST_F(EngineSim, ACommandWaitingForItsReplyEndsWhenThePortGoes) {
  LiveSettings.TimeOut = 30;
  Sim("reply com5 at delay=20000");
  // The wait pumps messages: the port goes from inside it.
  TTimer remove(nullptr);
  remove.SetInterval(500);
  remove.OnTimer = [&](TComponent*) {
    remove.SetEnabled(false);
    sim.RemovePort(Com);
  };
  remove.SetEnabled(true);
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(TSendResult::OtherReply, engine->SendCommand("AT", "at..", "ok"));
  EXPECT_LT(GetTickCount64() - start, 10000u) << "the wait ran into its time-out";
  ASSERT_TRUE(Pump([&] { return !engine->PortOpened; }, 8000));
  EXPECT_TRUE(engine->tmRearm().Enabled());
  sim.AddPort(Com, "generic");
}
