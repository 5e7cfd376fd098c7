// The recording lifecycle without a window: the engine on a pty under Wine with the modem
// simulator at the other end, a real call log in a temporary program folder, and a host that
// records what the main window would have shown.
#include "CallLogTestUtil.h"
#include "CallRecorder.h"
#include "Compression.h"
#include "ModemEngine.h"
#include "ModemParams.h"
#include "ModemProbe.h"
#include "ModemSim.h"
#include "RecordingNote.h"
#include "ScomTestEnv.h"
#include "SettingsFile.h"
#include "UiTest.h"
#include <gtest/gtest.h>

namespace {

constexpr int Com = 6;

// The main window as the recorder and the engine see it.
class TRecordedHost : public TCallRecorderHost, public TModemHost {
public:
  TfmModem* Modem() override { return modem; }
  void RecordPressed() override { shown.push_back("pressed"); }
  void StartShown() override { shown.push_back("starting"); }
  void RecordingShown(bool running) override { shown.push_back(running ? "running" : "ended"); }
  void SetControlsState() override {
    shown.push_back("idle");
    recordEnabled = true;
  }
  void SetRecordControls(bool enabled) override { recordEnabled = enabled; }
  void ShowCalls() override { shown.push_back("calls"); }
  void Filed(const std::string& recordingName) override { filed.push_back(recordingName); }
  void Tell(const std::string& message) override {
    told.push_back(message);
    if (onTell) onTell();
  }
  void Balloon(const std::string& message) override { balloons.push_back(message); }

  // The engine's side: a call that ends is stopped as the stop action does it.
  void ModemPortChanged(bool) override {}
  void StopRecording() override { recorder->Stop(true); }
  void DisplayData(const TDisp&) override {}
  void RecordingWriteFailed(const std::string& message) override { recorder->WriteFailed(message); }

  TfmModem* modem = nullptr;
  TCallRecorder* recorder = nullptr;
  std::vector<std::string> shown, filed, told, balloons;
  bool recordEnabled = true;
  std::function<void()> onTell;
};

class CallRecorderSim : public ::testing::Test {
protected:
  void SetUp() override {
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    savedCwd_ = cwd;
    SetCurrentDirectoryA(dir.Path().c_str());
    sim.AddPort(Com, "generic");
    g_Ini = new TSettingsFile(dir / "qdx.ini");
    g_Ini->WriteFormat("Modem compression", Pcm8k());
    LiveSettings = TLiveSettings();
    LiveSettings.FlowControlIndex = 2;  // None: the voice stream holds XON and XOFF codes
    LiveSettings.TimeOut = 2;
    LiveSettings.FormatOut = Pcm8k();
    ModemParams = TModemParams();
    SetDefaultCommands(ModemParams);
    ModemParams.port = Com;
    ModemParams.RecGain = "at+vgr=127";
    ModemParams.VoiceCompression = "at+vsm=1,8000,0,0";
    ModemParams.UseLine = "at+vls=1";
    ModemParams.UseLineRes = "ok";
    VoiceFeatures = true;
    CurrentCompression.Clear();
    CurrentCompression.Description.Set("UNSIGNED PCM");
    CurrentCompression.bps.Set("8");
    CurrentCompression.vsr.Set("8000");
    log.OpenDatabase();
    engine = new TfmModem(nullptr);
    engine->Host = &host;
    host.modem = engine;
    host.recorder = &recorder;
    ASSERT_TRUE(engine->Arm(Com));
  }
  void TearDown() override {
    engine->ClosePort();
    delete engine;
    delete g_Ini;
    g_Ini = nullptr;
    sim.RemovePort(Com);
    SetCurrentDirectoryA(savedCwd_.c_str());
  }
  std::string Sim(const std::string& command) { return sim.Command(command); }
  // Pumps, with the idle moment the program's loop gives, until done.
  bool Run(const std::function<bool()>& done, DWORD ms) {
    return PumpFor([&] {
      recorder.RecordAnsweredCall();
      return done();
    }, ms);
  }
  // A recording by hand of a ramp, running until the writer holds bytes.
  void RecordRamp(int32_t bytes) {
    Sim("stream com6 pattern ramp 2s");
    Sim("stream com6 silence forever");
    recorder.Record();
    ASSERT_TRUE(recorder.Receiving());
    ASSERT_TRUE(Run([&] { return RecordWriter && RecordWriter->DataSize() >= bytes; }, 30000));
  }
  // When told: the line is free and the modem was initialised again.
  void ExpectArmedWhenTold() {
    host.onTell = [this] {
      EXPECT_NE(Sim("state? com6").find("hook=on"), std::string::npos);
      EXPECT_TRUE(engine->PortOpened);
      EXPECT_TRUE(engine->AutoRecordMode);
    };
  }
  std::string RowFile(const TCallLog::TCallRow& row) { return dir.Wav(MakeRecordingName(row.Channel, row.DateS, row.TimeS) + ".wav"); }

  AppFolder dir;
  TModemSim sim;
  TCallLog log;
  TRecordedHost host;
  TCallRecorder recorder{log, host};
  TfmModem* engine = nullptr;

private:
  std::string savedCwd_;
};

bool HasEvent(const std::string& line) {
  for (const std::string& l : EventLog().Lines())
    if (l == line) return true;
  return false;
}

}  // namespace

TEST_F(CallRecorderSim, AnAnsweredCallIsNotedRecordedFiledAndTheModemReArmed) {
  Sim("stream com6 speech synth 3s");
  Sim("stream com6 busy dle=off forever");
  Sim("ring com6 cadence=fast count=3 cid=between cid.nmbr=5550100");
  ASSERT_TRUE(Run([&] { return recorder.Receiving(); }, 30000)) << "no recording started";
  EXPECT_FALSE(recorder.GridEventsEnabled());
  // What the row needs is on disk from the moment the call is answered.
  TRecordingNote note;
  std::string why;
  ASSERT_TRUE(note.Load(RecordingNotePath(), why)) << why;
  EXPECT_EQ(note.CallerNumber, "5550100");
  EXPECT_EQ(note.FolderId, log.FolderIdByName("General"));
  EXPECT_EQ(note.Start, recorder.RecordStartTime);

  ASSERT_TRUE(Run([&] { return !recorder.UnderWay(); }, 40000)) << "the busy tone did not end the call";
  EXPECT_EQ(host.shown, (std::vector<std::string>{"pressed", "starting", "running", "ended", "calls", "idle"}));
  auto rows = log.AllCalls();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Comment, "5550100");
  EXPECT_EQ(recorder.CallerNumber, "5550100");
  std::string name = MakeRecordingName(1, rows[0].DateS, rows[0].TimeS);
  EXPECT_EQ(host.filed, std::vector<std::string>{name});
  EXPECT_EQ(DurationSeconds(rows[0].Duration), recorder.RecordSeconds);
  EXPECT_EQ(dir.WavListing(), name + ".wav");  // the working file renamed, its note gone
  EXPECT_TRUE(recorder.GridEventsEnabled());
  EXPECT_EQ(RecordWriter, nullptr);
  EXPECT_TRUE(host.told.empty());
  EXPECT_TRUE(host.recordEnabled);
  EXPECT_TRUE(engine->PortOpened);
  EXPECT_TRUE(engine->AutoRecordMode);
  EXPECT_TRUE(HasEvent("-- Recording started"));
  EXPECT_TRUE(HasEvent("-- Recording stopped"));
}

TEST_F(CallRecorderSim, OnlyAnAnsweredCallInAutomaticModeIsTakenAtTheIdleMoment) {
  LiveSettings.AutoRecord = false;
  engine->CallAnswered = true;
  recorder.RecordAnsweredCall();
  EXPECT_FALSE(recorder.UnderWay());
  EXPECT_TRUE(engine->CallAnswered);

  LiveSettings.AutoRecord = true;
  ASSERT_NO_FATAL_FAILURE(RecordRamp(1000));
  // A second answer while recording is cleared, and so is a second record request.
  engine->CallAnswered = true;
  recorder.RecordAnsweredCall();
  recorder.Record();
  EXPECT_FALSE(engine->CallAnswered);
  EXPECT_EQ(host.shown, (std::vector<std::string>{"pressed", "starting", "running"}));
  recorder.Stop(true);
  EXPECT_EQ(log.AllCalls().size(), 1u);
}

TEST_F(CallRecorderSim, ARefusedStartIsUndoneAndToldOnceTheModemWaitsForCalls) {
  struct Case {
    const char* fault;   // a command the modem answers ERROR to
    const char* format;  // [Modem compression]: "pcm" or "missing"
    const char* message;
    const char* notSent;  // a command the refused start never sends
  } cases[] = {
      {"at+fclass=8", "pcm", "Error Setting modem in voice mode..", "at+vgr=127"},
      {"at+vls=1", "pcm", "Error setting line..", "at+vrx"},
      {nullptr, "missing", "None Codec found to match modem compression", "at+fclass=8"},
  };
  ExpectArmedWhenTold();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    host.shown.clear();
    host.told.clear();
    Sim("cmds-clear com6");
    if (c.fault) Sim(std::string("reply com6 ") + c.fault + " ERROR");
    if (std::string(c.format) == "missing") g_Ini->EraseSection("Modem compression");
    recorder.Record();
    if (c.fault) Sim(std::string("reply com6 ") + c.fault + " clear");
    g_Ini->WriteFormat("Modem compression", Pcm8k());
    EXPECT_EQ(host.told, std::vector<std::string>{c.message});
    EXPECT_EQ(host.shown, (std::vector<std::string>{"pressed", "starting", "idle"}));
    EXPECT_FALSE(recorder.UnderWay());
    EXPECT_TRUE(recorder.GridEventsEnabled());
    EXPECT_EQ(RecordWriter, nullptr);
    EXPECT_EQ(dir.WavListing(), "");
    EXPECT_EQ(log.AllCalls().size(), 0u);
    EXPECT_FALSE(engine->WatchDisconnect);
    std::string commands = Sim("cmds? com6");
    EXPECT_NE(commands.find("\"atz\""), std::string::npos) << commands;
    EXPECT_EQ(commands.find(std::string("\"") + c.notSent + "\""), std::string::npos) << commands;
  }
}

TEST_F(CallRecorderSim, AWavFolderWithoutRoomForAMinuteRefusesTheCallBeforeTheLineIsTaken) {
  // A format whose minute no disk holds.
  LiveSettings.FormatOut.SetAvgBytesPerSec(0xFFFFFFFFu);
  Sim("cmds-clear com6");
  recorder.Record();
  ASSERT_EQ(host.balloons.size(), 1u);
  const std::string& refusal = host.balloons[0];
  EXPECT_EQ(refusal.rfind("The disk is full: the wav folder has room for less than a minute of recording (", 0), 0u) << refusal;
  EXPECT_NE(refusal.find(" KB free); the call was not taken."), std::string::npos) << refusal;
  EXPECT_TRUE(HasEvent("-- " + refusal));
  EXPECT_TRUE(host.told.empty()) << "a box would wait for nobody";
  EXPECT_FALSE(recorder.UnderWay());
  EXPECT_EQ(dir.WavListing(), "");
  std::string commands = Sim("cmds? com6");
  EXPECT_EQ(commands.find("at+fclass=8"), std::string::npos) << commands;
  EXPECT_NE(commands.find("\"atz\""), std::string::npos) << commands;
  EXPECT_TRUE(engine->PortOpened);
  EXPECT_TRUE(engine->AutoRecordMode);
}

TEST_F(CallRecorderSim, AStopThatCannotReopenThePortFilesTheCallAndTheModemIsTriedAgain) {
  ASSERT_NO_FATAL_FAILURE(RecordRamp(4096));
  sim.RemovePort(Com);
  recorder.Stop(true);
  ASSERT_EQ(log.AllCalls().size(), 1u);
  EXPECT_GE(ReadWholeFile(RowFile(log.AllCalls()[0])).size(), 4096u);
  EXPECT_TRUE(host.told.empty());
  EXPECT_FALSE(recorder.UnderWay());
  EXPECT_FALSE(host.recordEnabled);
  EXPECT_FALSE(engine->PortOpened);
  EXPECT_TRUE(engine->tmRearm().Enabled());
  // Once the modem is back, the next try arms it without anyone asking.
  sim.AddPort(Com, "generic");
  EXPECT_TRUE(PumpFor([&] { return engine->Armed; }, 4 * TfmModem::RearmInterval));
  EXPECT_TRUE(engine->PortOpened);
}

TEST_F(CallRecorderSim, AFailedWriteIsToldWithWhatWasSavedOnceTheModemWaitsForCalls) {
  ASSERT_NO_FATAL_FAILURE(RecordRamp(8192));
  ExpectArmedWhenTold();
  recorder.WriteFailed(SysErrorMessage(ERROR_DISK_FULL));
  recorder.Stop(true);
  EXPECT_EQ(host.told, std::vector<std::string>{"The disk is full: the recording was stopped; its first 1 s were saved."});
  EXPECT_EQ(log.AllCalls().size(), 1u);
}

TEST_F(CallRecorderSim, AnEndingSessionFilesTheCallWithoutReopeningAndOneThatDoesNotComeReArms) {
  ASSERT_NO_FATAL_FAILURE(RecordRamp(4096));
  recorder.SessionEnding();
  EXPECT_FALSE(recorder.UnderWay());
  ASSERT_EQ(log.AllCalls().size(), 1u);
  EXPECT_GE(ReadWholeFile(RowFile(log.AllCalls()[0])).size(), 4096u);
  EXPECT_FALSE(engine->PortOpened);
  Sim("cmds-clear com6");
  recorder.SessionGoesOn();
  EXPECT_TRUE(engine->PortOpened);
  EXPECT_TRUE(engine->AutoRecordMode);
  EXPECT_NE(Sim("cmds? com6").find("\"atz\""), std::string::npos);
  // Only once: a second word that the session goes on finds nothing to re-arm.
  engine->ClosePort();
  recorder.SessionGoesOn();
  EXPECT_FALSE(engine->PortOpened);
}
