// The main window's recording road on a pty under Wine, the modem simulator at the other end:
// an answered call recorded and filed, a recording by hand, refused starts and their recovery.
#include "Action.h"
#include "AudioStreams.h"
#include "CallLogTestUtil.h"
#include "Compression.h"
#include "MainFormU.h"
#include "ToolBar.h"
#include "MessagePump.h"
#include "ModemEngine.h"
#include "ModemParams.h"
#include "FileUtils.h"
#include "ModemSim.h"
#include "ScomTestEnv.h"
#include "SpecModemForm.h"
#include "SettingsFile.h"
#include "TreeU.h"
#include "UiTest.h"
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

namespace {

constexpr int Com = 5;

class MainWindowSim : public ::testing::Test {
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
    ModemParams.Model = "VSIM 56K Voice";
    ModemParams.RecGain = "at+vgr=127";
    ModemParams.VoiceCompression = "at+vsm=1,8000,0,0";
    ModemParams.UseLine = "at+vls=1";
    ModemParams.UseLineRes = "ok";
    VoiceFeatures = true;
    CurrentCompression.Clear();
    CurrentCompression.Description.Set("UNSIGNED PCM");
    CurrentCompression.bps.Set("8");
    CurrentCompression.vsr.Set("8000");
    {
      TBoxWatcher boxes;  // the sound-card warning, where the machine has none
      form = NewForm<TfmQdx>(nullptr);
    }
    fmQdx = form;
    auto* modem = new TfmModem(form);
    fmModem = modem;
    modem->Host = form;
    ASSERT_TRUE(modem->OpenPort(Com, true));
    modem->EnableAutoRecord();
    Started = true;
  }
  void TearDown() override {
    Started = false;
    if (fmModem) fmModem->ClosePort();
    form->Free();  // frees the engine and g_Ini
    fmQdx = nullptr;
    fmModem = nullptr;
    sim.RemovePort(Com);
    SetCurrentDirectoryA(savedCwd_.c_str());
  }
  std::string Sim(const std::string& command) { return sim.Command(command); }
  // Pumps, running the idle handler as the loop would, until done.
  bool Run(const std::function<bool()>& done, DWORD ms) {
    return PumpFor([&] {
      bool idleDone = true;
      form->apEventsIdle(nullptr, idleDone);
      return done();
    }, ms);
  }
  size_t Rows() { return form->Log.AllCalls().size(); }
  // [Modem compression] as a case wants it: "pcm", "missing", "desc" (no Bin), "zeros" (a Bin
  // of no format) or "unconvertible" (a format no codec takes).
  void ModemFormat(const std::string& how) {
    g_Ini->EraseSection("Modem compression");
    TdeWaveFormat format = Pcm8k();
    if (how == "unconvertible") format.SetFormatTag(0x7777);
    if (how == "pcm" || how == "unconvertible") g_Ini->WriteFormat("Modem compression", format);
    if (how == "desc" || how == "zeros") g_Ini->WriteString("Modem compression", "Desc", "PCM");
    if (how == "zeros") g_Ini->WriteString("Modem compression", "Bin", std::string(256, '0'));
  }
  // A recording by hand of a ramp, running until the writer holds bytes.
  void RecordRamp(int32_t bytes) {
    Sim("stream com5 pattern ramp 2s");
    Sim("stream com5 silence forever");
    form->acRecord->Execute();
    ASSERT_TRUE(Run([&] { return RecordWriter && RecordWriter->DataSize() >= bytes; }, 30000));
  }

  AppFolder dir;
  TModemSim sim;
  TfmQdx* form = nullptr;

private:
  std::string savedCwd_;
};

// From a helper thread: what the simulator answers to queries once the main thread shows a box
// (the box must wait long enough: TBoxWatcher's delay).
class TWhenTold {
public:
  TWhenTold(TModemSim& sim, std::vector<std::string> queries)
      : thread_(GetCurrentThreadId()), worker_([this, &sim, queries] {
          for (int i = 0; i < 1500 && !stop_; ++i, Sleep(20)) {
            if (DialogBoxesOf(thread_).empty()) continue;
            for (const std::string& q : queries) answers_.push_back(sim.Command(q));
            return;
          }
        }) {}
  ~TWhenTold() { Join(); }
  // Empty when no box came.
  std::vector<std::string> Answers() {
    Join();
    return answers_;
  }

private:
  void Join() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
  }
  DWORD thread_;
  std::atomic<bool> stop_{false};
  std::vector<std::string> answers_;
  std::thread worker_;
};

// The audio bytes of a WAV file.
std::string WavData(const std::string& fileName, TdeWaveFormat* format = nullptr) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyNone);
  TdeRIFFAudioReader reader(f);
  std::string data(size_t(reader.DataSize()), '\0');
  if (!data.empty()) reader.ReadData(0, &data[0], int(data.size()));
  if (format) format->Assign(reader.GetFormat());
  return data;
}

}  // namespace

TEST_F(MainWindowSim, AnsweredCallIsRecordedFiledAndTheModemReArmed) {
  Sim("stream com5 speech synth 5s");
  Sim("stream com5 busy dle=off forever");  // heard, not reported by the modem
  Sim("ring com5 cadence=fast count=3 cid=between cid.nmbr=5550100 cid.name=CONNECTICUT");
  ASSERT_TRUE(Run([&] { return form->RecSb1->Down(); }, 30000)) << "no recording started";
  ASSERT_TRUE(Run([&] { return !form->RecSb1->Down() && Rows() == 1; }, 40000)) << "not filed";
  auto rows = form->Log.AllCalls();
  EXPECT_EQ(rows[0].Comment, "5550100");
  EXPECT_EQ(rows[0].Channel, 1);
  EXPECT_EQ(rows[0].FolderId, form->Log.FolderIdByName("General"));
  int seconds = DurationSeconds(rows[0].Duration);
  EXPECT_GE(seconds, 7) << rows[0].Duration;
  EXPECT_LE(seconds, 11) << rows[0].Duration;
  std::string name = MakeRecordingName(1, rows[0].DateS, rows[0].TimeS);
  EXPECT_EQ(dir.WavListing(), name + ".wav");
  TdeWaveFormat format;
  std::string data = WavData(dir.Wav(name + ".wav"), &format);
  EXPECT_EQ(format.GetFormatTag(), WAVE_FORMAT_PCM);
  EXPECT_EQ(format.GetSamplesPerSec(), 8000u);
  EXPECT_NEAR(int(data.size()), seconds * 8000, 8000);
  EXPECT_TRUE(fmModem->PortOpened);
  EXPECT_TRUE(fmModem->AutoRecordMode);
  EXPECT_TRUE(form->acRecord->Enabled());
  EXPECT_EQ(form->Status(0), " Modem on");
  // The table on disk holds the row.
  TZorudTable back;
  back.SetTableName(dir / "Recordings.d");
  back.Open();
  EXPECT_EQ(back.RecordCount(), 1);
}

TEST_F(MainWindowSim, RecordingByHandIsBitExactAndStopsByHand) {
  Sim("stream com5 pattern ramp 3s");
  Sim("stream com5 silence forever");
  form->acRecord->Execute();
  ASSERT_TRUE(form->RecSb1->Down());
  ASSERT_TRUE(Run([&] { return RecordWriter && RecordWriter->DataSize() >= 24000; }, 30000));
  std::string commands = Sim("cmds? com5");
  EXPECT_NE(commands.find("\"at+fclass=8\",\"at+vgr=127\",\"at+vsd=127,255\",\"at+vsm=1,8000,0,0\",\"at+vls=1\",\"at+vrx\""),
            std::string::npos) << commands;
  PumpMs(300);  // the trace and the engine run for a moment: nothing stops a call by hand
  EXPECT_TRUE(form->RecSb1->Down());
  form->acStop->Execute();
  EXPECT_FALSE(form->RecSb1->Down());
  ASSERT_EQ(Rows(), 1u);
  auto rows = form->Log.AllCalls();
  EXPECT_EQ(rows[0].Comment, " ");
  std::string data = WavData(dir.Wav(MakeRecordingName(1, rows[0].DateS, rows[0].TimeS) + ".wav"));
  ASSERT_GE(data.size(), 24000u);
  for (size_t i = 0; i < 24000; ++i) ASSERT_EQ(i % 256, static_cast<unsigned char>(data[i])) << "at " << i;
  // Then the stream's silence, up to the last byte received (the last block partly filled).
  for (size_t i = 24000; i < data.size(); ++i) ASSERT_EQ(0x80, static_cast<unsigned char>(data[i])) << "at " << i;
  EXPECT_TRUE(fmModem->PortOpened);
}

TEST_F(MainWindowSim, RefusedStartsRecoverAndLeaveNothingBehind) {
  const char* const noCodec = "None Codec found to match modem compression";
  const char* const noRate = "Voice compression codec can not be recognized";
  struct Case {
    const char* fault;    // a command the modem answers ERROR to
    const char* vsr;      // the rate of the compression in force
    const char* format;   // [Modem compression], as ModemFormat makes it
    const char* message;
    const char* notSent;  // a command the refused start never sends
    bool vrxSent;
  } cases[] = {
      {"at+vsm=1,8000,0,0", "8000", "pcm", "Error setting voice compession..", "at+vls=1", false},
      {"at+fclass=8", "8000", "pcm", "Error Setting modem in voice mode..", "at+vgr=127", false},
      {"at+vgr=127", "8000", "pcm", "Error setting Rec gain..", "at+vsm=1,8000,0,0", false},
      {"at+vls=1", "8000", "pcm", "Error setting line..", "at+vrx", false},
      {nullptr, "0", "pcm", noRate, "at+vls=1", false},
      {nullptr, "", "pcm", noRate, "at+vls=1", false},  // the compression number was past the file
      {nullptr, "8000", "missing", noCodec, "at+fclass=8", false},
      {nullptr, "8000", "desc", noCodec, "at+fclass=8", false},
      {nullptr, "8000", "zeros", noCodec, "at+fclass=8", false},
      {nullptr, "8000", "unconvertible", "Error Receiving data..", nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.message) + " " + c.format + " " + c.vsr);
    Sim("cmds-clear com5");
    if (c.fault) Sim(std::string("reply com5 ") + c.fault + " ERROR");
    CurrentCompression.vsr.Set(c.vsr);
    ModemFormat(c.format);
    std::vector<std::string> whenTold;
    {
      TBoxWatcher boxes(IDOK, 1500);
      TWhenTold peek(sim, {"cmds? com5", "state? com5"});
      form->acRecord->Execute();
      whenTold = peek.Answers();
      EXPECT_EQ(boxes.Texts(), std::vector<std::string>{c.message});
    }
    // Told only once the line is free and the modem initialised again.
    ASSERT_EQ(whenTold.size(), 2u);
    EXPECT_NE(whenTold[0].find("\"atz\""), std::string::npos) << whenTold[0];
    EXPECT_NE(whenTold[1].find("hook=on"), std::string::npos) << whenTold[1];
    if (c.fault) Sim(std::string("reply com5 ") + c.fault + " clear");
    ModemFormat("pcm");
    EXPECT_FALSE(form->RecSb1->Down());
    EXPECT_TRUE(form->GridEventsEnabled());
    EXPECT_EQ(RecordWriter, nullptr);
    EXPECT_EQ(dir.WavListing(), "");
    EXPECT_EQ(Rows(), 0u);
    EXPECT_TRUE(fmModem->PortOpened);
    EXPECT_TRUE(fmModem->AutoRecordMode);
    std::string commands = Sim("cmds? com5");
    EXPECT_EQ(commands.find("at+vrx") != std::string::npos, c.vrxSent) << commands;
    if (c.notSent) {
      EXPECT_EQ(commands.find(std::string("\"") + c.notSent + "\""), std::string::npos) << commands;
    }
  }
}

TEST_F(MainWindowSim, APortThatDoesNotOpenAtTheStartIsToldAndNothingIsLeft) {
  fmModem->ClosePort();
  sim.RemovePort(Com);
  {
    TBoxWatcher boxes;
    form->acRecord->Execute();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Error during opening com port 5"});
  }
  sim.AddPort(Com, "generic");
  EXPECT_FALSE(form->RecSb1->Down());
  EXPECT_TRUE(form->acRecord->Enabled());
  EXPECT_TRUE(form->GridEventsEnabled());
  EXPECT_EQ(RecordWriter, nullptr);
  EXPECT_EQ(dir.WavListing(), "");
  EXPECT_FALSE(fmModem->WatchDisconnect);
}

TEST_F(MainWindowSim, StopsThatLeaveTheRecordControlsOff) {
  struct Case {
    bool reopenFails;
    bool voiceFeatures;
    std::vector<std::string> told;
  } cases[] = {{true, true, {}}, {false, false, {}}};
  size_t filed = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reopenFails ? "reopen fails" : "no voice features");
    VoiceFeatures = c.voiceFeatures;
    ASSERT_NO_FATAL_FAILURE(RecordRamp(4096));
    if (c.reopenFails) sim.RemovePort(Com);
    {
      TBoxWatcher boxes;
      form->acStop->Execute();
      EXPECT_EQ(boxes.Texts(), c.told);
    }
    if (c.reopenFails) sim.AddPort(Com, "generic");
    EXPECT_FALSE(form->RecSb1->Down());
    EXPECT_FALSE(form->acRecord->Enabled());
    EXPECT_EQ(fmModem->PortOpened, !c.reopenFails);
    // No box waits for a person: the port is tried again on its own.
    EXPECT_EQ(fmModem->tmRearm().Enabled(), c.reopenFails);
    EXPECT_EQ(form->Status(0) == " Not armed", c.reopenFails) << form->Status(0);
    // The call is filed whole all the same.
    ASSERT_EQ(Rows(), ++filed);
    auto row = form->Log.AllCalls().back();
    EXPECT_GE(WavData(dir.Wav(MakeRecordingName(1, row.DateS, row.TimeS) + ".wav")).size(), 4096u);
    VoiceFeatures = true;
    form->SetControlsState();
    if (!fmModem->PortOpened) {
      ASSERT_TRUE(fmModem->Arm(Com));
    }
    PumpMs(1100);  // the next recording gets a name of its own
  }
}

TEST_F(MainWindowSim, AFailedAutomaticStartLeavesNoHangUpWatchForARecordingByHand) {
  Sim("reply com5 at+fclass=8 ERROR");
  {
    TBoxWatcher boxes;
    Sim("ring com5 cadence=fast count=3");
    ASSERT_TRUE(Run([&] { return !boxes.Texts().empty(); }, 30000)) << "no automatic start";
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Error Setting modem in voice mode.."});
  }
  Sim("reply com5 at+fclass=8 clear");
  EXPECT_FALSE(fmModem->WatchDisconnect);
  // A busy tone ends only calls the engine answered: this recording runs until stopped.
  Sim("set com5 speed=4");
  Sim("stream com5 busy forever");
  form->acRecord->Execute();
  ASSERT_TRUE(Run([&] { return !RecordWriter || RecordWriter->DataSize() >= 8000 * 5; }, 30000));
  PumpMs(300);
  EXPECT_TRUE(form->RecSb1->Down()) << "ended by the hang-up watch";
  form->acStop->Execute();
  EXPECT_EQ(Rows(), 1u);
}

TEST_F(MainWindowSim, AFailedWriteStopsTheCallAndFilesWhatWasWritten) {
  ASSERT_NO_FATAL_FAILURE(RecordRamp(8192));
  Sim("cmds-clear com5");
  TBoxWatcher boxes(IDOK, 3000);  // nobody answers the box for a while
  std::string whileTold;
  std::thread peek([&] {
    Sleep(2000);
    whileTold = Sim("cmds? com5");
  });
  form->RecordingWriteFailed(SysErrorMessage(ERROR_DISK_FULL));
  ASSERT_TRUE(Run([&] { return !form->RecSb1->Down(); }, 10000));
  PumpMs(200);
  peek.join();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"The disk is full: the recording was stopped; its first 1 s were saved."});
  EXPECT_EQ(Rows(), 1u);
  EXPECT_NE(whileTold.find("\"atz\""), std::string::npos) << "the modem waits for calls before the user is told: " << whileTold;
}

TEST_F(MainWindowSim, ALeftoverWorkingFileIsFiledBeforeANewRecordingTruncatesIt) {
  WriteUnfinishedWav(WorkingRecordingPath(), 8000 * 2, 0);
  Sim("stream com5 pattern ramp 2s");
  Sim("stream com5 silence forever");
  form->acRecord->Execute();
  ASSERT_TRUE(form->RecSb1->Down());
  ASSERT_EQ(Rows(), 1u);  // the leftover, filed as a row of its own
  ASSERT_TRUE(Run([&] { return RecordWriter && RecordWriter->DataSize() >= 4096; }, 30000));
  form->acStop->Execute();
  ASSERT_EQ(Rows(), 2u);
  auto rows = form->Log.AllCalls();
  EXPECT_EQ(rows[0].Duration, "00:02");
  EXPECT_EQ(WavData(dir.Wav(MakeRecordingName(rows[0].Channel, rows[0].DateS, rows[0].TimeS) + ".wav")).size(), 16000u);
}

TEST_F(MainWindowSim, EndingTheSessionDuringACallFilesItWithoutReopening) {
  ASSERT_NO_FATAL_FAILURE(RecordRamp(4096));
  EXPECT_EQ(SendMessageA(form->Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_FALSE(form->RecSb1->Down());
  ASSERT_EQ(Rows(), 1u);
  auto rows = form->Log.AllCalls();
  EXPECT_GE(WavData(dir.Wav(MakeRecordingName(1, rows[0].DateS, rows[0].TimeS) + ".wav")).size(), 4096u);
  EXPECT_FALSE(fmModem->PortOpened);
  SendMessageA(form->Handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(LoadTreeFromIni(dir / "Tree.ini").size(), 1u);
}

TEST_F(MainWindowSim, AnEndOfSessionThatDoesNotComeReArmsTheModem) {
  ASSERT_NO_FATAL_FAILURE(RecordRamp(4096));
  EXPECT_EQ(SendMessageA(form->Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  ASSERT_EQ(Rows(), 1u);
  EXPECT_FALSE(fmModem->PortOpened);
  Sim("cmds-clear com5");
  SendMessageA(form->Handle(), WM_ENDSESSION, FALSE, 0);  // another program refused the end
  EXPECT_TRUE(fmModem->PortOpened);
  EXPECT_TRUE(fmModem->AutoRecordMode);
  EXPECT_NE(Sim("cmds? com5").find("\"atz\""), std::string::npos) << Sim("cmds? com5");
  EXPECT_TRUE(form->acRecord->Enabled());
}

TEST_F(MainWindowSim, ARowWhoseSaveFailedIsSavedWhenTheSessionEnds) {
  ASSERT_NO_FATAL_FAILURE(RecordRamp(4096));
  {
    TBoxWatcher boxes;
    TSafeFileWriter::FailStep = 1;  // the call table's save
    form->acStop->Execute();
    TSafeFileWriter::FailStep = 0;
    PumpMs(200);
    ASSERT_EQ(boxes.Texts().size(), 1u);
  }
  ASSERT_EQ(Rows(), 1u);
  {
    TCallLog onDisk;
    onDisk.OpenDatabase();
    EXPECT_EQ(onDisk.AllCalls().size(), 0u);
  }
  SendMessageA(form->Handle(), WM_QUERYENDSESSION, 0, 0);
  SendMessageA(form->Handle(), WM_ENDSESSION, TRUE, 0);
  TCallLog onDisk;
  onDisk.OpenDatabase();
  ASSERT_EQ(onDisk.AllCalls().size(), 1u);
  EXPECT_TRUE(FileExists(RecordingPath(MakeRecordingName(1, onDisk.AllCalls()[0].DateS, onDisk.AllCalls()[0].TimeS))));
  EXPECT_TRUE(FileExists(dir / "Events.log"));
}
