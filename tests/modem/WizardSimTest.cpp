// The modem search, the set-up wizard and the start-up check under Wine, with simulated modems
// on COM1..COM8. The direct probe walks all of COM1..COM8: this executable runs alone.
#include "Application.h"
#include "Compression.h"
#include "EngineFixture.h"
#include "InitQDX.h"
#include "KitSysModemInfo.h"
#include "Button.h"
#include "ListBox.h"
#include "ModemParams.h"
#include "ModemSim.h"
#include "Parse.h"
#include "ProgressForm.h"
#include "QueryModemForm.h"
#include "ScomTestEnv.h"
#include "Memo.h"
#include "SettingsHost.h"
#include "SpecModemForm.h"
#include "UiTest.h"
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

namespace {

const std::string ClassKey = std::string(KitModemClassKey).substr(1);

// Answers the wizard from another thread: for each pick, once the wizard is shown with its OK
// button enabled and no message box open, selects that list entry and clicks OK.
class TWizardUser {
public:
  explicit TWizardUser(std::vector<int> picks)
      : thread_(GetCurrentThreadId()), picks_(std::move(picks)), worker_([this] { Run(); }) {}
  ~TWizardUser() {
    stop_ = true;
    worker_.join();
  }
  int Clicks() const { return clicks_; }

private:
  void Run() {
    size_t next = 0;
    for (int i = 0; i < 3000 && !stop_ && next < picks_.size(); ++i, Sleep(20)) {
      HWND form = FindWindowA("TSpecModemForm", nullptr);
      if (!form || !IsWindowVisible(form) || GetWindowThreadProcessId(form, nullptr) != thread_) continue;
      if (!DialogBoxesOf(thread_).empty()) continue;
      HWND ok = FindWindowExA(form, nullptr, "Button", "OK");
      HWND list = FindWindowExA(form, nullptr, "ListBox", nullptr);
      if (!ok || !list || !IsWindowEnabled(ok)) continue;
      DWORD_PTR unused = 0;
      SendMessageTimeoutA(list, LB_SETCURSEL, static_cast<WPARAM>(picks_[next]), 0, SMTO_BLOCK, 5000, &unused);
      PostMessageA(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(ok), BN_CLICKED), reinterpret_cast<LPARAM>(ok));
      ++next;
      ++clicks_;
      for (int j = 0; j < 1000 && !stop_ && IsWindowVisible(form) && IsWindowEnabled(ok); ++j) Sleep(10);
    }
    // A wizard still open long after: closed, so that no test hangs on it.
    for (int i = 0; !stop_; ++i, Sleep(20)) {
      HWND form = FindWindowA("TSpecModemForm", nullptr);
      if (i > 4500 && i % 50 == 0 && form && GetWindowThreadProcessId(form, nullptr) == thread_)
        PostMessageA(form, WM_CLOSE, 0, 0);
    }
  }

  DWORD thread_;
  std::vector<int> picks_;
  std::atomic<bool> stop_{false};
  std::atomic<int> clicks_{0};
  std::thread worker_;
};

// The main window as the settings load sees it.
class TestSettingsHost : public TSettingsHost {
public:
  void SetVolume(int position) override { volume = position; }
  void SetListFont(const std::string& name, int size, unsigned color) override {
    fontName = name;
    fontSize = size;
    fontColor = color;
  }
  int SplitterWidth() const override { return 185; }
  void SetSplitterWidth(int width) override { splitter = width; }
  void SetColumnWidths(int d, int t, int du) override { widths = {d, t, du}; }
  void EnableRecordControls(bool enabled) override { record.push_back(enabled); }
  void DisableNavigation() override { ++navigationOff; }
  bool FirstCall() override { return rows; }
  void EnableDelete() override { ++deleteOn; }
  void DisableCallControls() override { ++callControlsOff; }

  int volume = -1, fontSize = -1, splitter = -1, navigationOff = 0, deleteOn = 0, callControlsOff = 0;
  unsigned fontColor = 1;
  std::string fontName;
  std::vector<int> widths;
  std::vector<bool> record;
  bool rows = false;
};

class WizardSim : public ::testing::Test, public EngineFixture {
protected:
  void SetUp() override {
    Application.Initialize();
    LiveSettings.FlowControlIndex = 2;
    LiveSettings.CallerID = true;
    LiveSettings.AutoRecord = true;
    ModemParams = TModemParams();
    CurrentCompression.Clear();
    VoiceFeatures = false;
    fmModem = nullptr;
    engine = new TfmModem(nullptr);
    fmQueryModem = NewForm<TfmQueryModem>(nullptr);
    parse.Modem = engine;
    parse.QueryMemo = fmQueryModem->Memo1;
    fmParse = &parse;
    ProgressForm = NewForm<TProgressForm>(nullptr);
    ASSERT_EQ(0, SystemModemCount()) << "the prefix already lists modems";
  }
  void TearDown() override {
    if (SpecModemForm) SpecModemForm->Free();
    SpecModemForm = nullptr;
    if (ProgressForm) ProgressForm->Free();
    ProgressForm = nullptr;
    fmParse = nullptr;
    if (fmQueryModem) fmQueryModem->Free();
    fmQueryModem = nullptr;
    delete engine;
    for (int com : ports) sim.RemovePort(com);
    for (const std::string& name : made) RegDeleteKeyA(HKEY_LOCAL_MACHINE, (ClassKey + "\\" + name).c_str());
    RemoveDirectoryA((dir / "wav").c_str());
  }

  void Port(int com, const std::string& profile) {
    sim.AddPort(com, profile);
    ports.push_back(com);
  }
  std::string Sim(const std::string& command) { return sim.Command(command); }

  static int SystemModemCount() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ClassKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD subkeys = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return static_cast<int>(subkeys);
  }
  void AddSystemModem(const std::string& subkey, const std::string& name, const std::string& attachedTo) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (ClassKey + "\\" + subkey).c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    made.push_back(subkey);
    for (auto [value, text] : {std::pair{"FriendlyName", name}, std::pair{"AttachedTo", attachedTo}})
      EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                              static_cast<DWORD>(text.size() + 1)));
    RegCloseKey(key);
  }

  // The wizard as the start-up check finds it (made after the registry is prepared).
  TSpecModemForm& Wizard() {
    if (!SpecModemForm) SpecModemForm = NewForm<TSpecModemForm>(nullptr);
    return *SpecModemForm;
  }
  // The start-up work with the wizard answered by picks; returns the message boxes' texts.
  std::vector<std::string> StartUp(std::vector<int> picks) {
    Wizard();
    TBoxWatcher boxes(IDOK, 100);
    {
      TWizardUser user(std::move(picks));
      TfmInitQDX* init = NewForm<TfmInitQDX>(nullptr, &host);
      init->Free();
    }
    return boxes.Texts();
  }

  std::string Key(const char* section, const char* key) { return ini->ReadString(section, key, "<missing>"); }
  bool IniHas(const char* section) { return ini->SectionExists(section); }
  long FileSize(const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA((dir / name).c_str(), GetFileExInfoStandard, &a)) return -1;
    return static_cast<long>(a.nFileSizeLow);
  }
  int Index(const std::string& line) const {
    std::vector<std::string> lines = EventLog().Lines();
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i] == line) return static_cast<int>(i);
    return -1;
  }

  TModemSim sim;
  TfmModem* engine = nullptr;
  TfmParse parse;
  TestSettingsHost host;
  std::vector<int> ports;
  std::vector<std::string> made;
};

const char* const CommandKeys[] = {"VoiceMode",    "InitVoice",      "DisCallerId",  "ForCallerId", "UnfCallerId",
                                   "Distinctive",  "SpeakerVol",     "LineSel_T",    "LineSel_T#",  "BeepTone",
                                   "SilenceTimer", "ToneGeneration", "VoiceProcess", "VoiceTrx",    "VoiceRec",
                                   "RecGain",      "SpeakerOn",      "SpeakerOff",   "MicGain",     "SpeakerGain"};

}  // namespace

TEST_F(WizardSim, FirstStartFindsTheModemProbesItAndArmsIt) {
  Port(2, "dead");
  Port(3, "generic");
  std::vector<std::string> boxes = StartUp({0});
  EXPECT_TRUE(boxes.empty()) << boxes.front();

  // The search: every port of COM1..COM8 tried once, the silent one asked once.
  for (int n : {1, 4, 5, 6, 7, 8}) EXPECT_TRUE(HasLine("Port " + std::to_string(n) + " failed to open")) << n;
  EXPECT_EQ("[\"AT\"]", Sim("cmds? com2"));
  EXPECT_EQ(1, Wizard().FoundCount);
  EXPECT_TRUE(Wizard().ProbedDirectly);
  EXPECT_EQ("com3", Wizard().FoundModems[1].PortName);
  EXPECT_EQ(3, Wizard().FoundModems[1].port);
  EXPECT_LT(Index("----- finding modems -----"), Index("----- finding modems finished -----"));

  struct Expected {
    const char *section, *key, *value;
  } expected[] = {
      {"Modem", "port", "3"},
      {"Modem", "Model", "VSIM 56K Voice"},
      {"Modem", "Manufacturer", "VSIM"},
      {"Modem", "DriverDate", "1.00"},
      {"Modem", "VoiceMode", "at+fclass=8"},
      {"Modem", "InitVoice", "none"},
      {"Modem", "DisCallerId", "at+vcid=0"},
      {"Modem", "ForCallerId", "at+vcid=1"},
      {"Modem", "UnfCallerId", "at+vcid=2"},
      {"Modem", "Distinctive", "at+vdr=0"},
      {"Modem", "VoiceCompression", "at+vsm=1,8000,0,0"},
      {"Modem", "LineSel_T", "at+vls=1"},
      {"Modem", "LineSel_T#", "ok"},
      {"Modem", "SilenceTimer", "none"},
      {"Modem", "RecGain", "at+vgr=127"},
      {"Modem", "SpeakerVol", "at+vgt=127"},
      {"Modem", "vgrMin", "0"},
      {"Modem", "vgrMax", "255"},
      {"Modem", "vgtMin", "0"},
      {"Modem", "vgtMax", "255"},
      {"Modem", "SpeakerOn", "none"},
      {"Modem", "SpeakerOff", "none"},
      {"Modem", "MicGain", "none"},
      {"Modem", "SpeakerGain", "none"},
      {"Modem", "VoiceRec", "at+vrx"},
      {"Modem", "BeepTone", "<missing>"},
      {"Params", "Voicefeatures", "1"},
      {"Params", "Compression", "0"},
      {"Params", "UseLine", "at+vls=1"},
      {"Params", "UseLineRes", "ok"},
      {"Params", "Timeout", "4"},
  };
  for (const Expected& e : expected) EXPECT_EQ(e.value, Key(e.section, e.key)) << e.section << " " << e.key;

  EXPECT_EQ(5 * 279, FileSize("Compressions.d"));
  TdeWaveFormat bin;
  ASSERT_TRUE(ini->ReadFormat("Modem compression", bin));
  EXPECT_EQ(WAVE_FORMAT_PCM, bin.GetFormatTag());
  EXPECT_EQ(8000u, bin.GetSamplesPerSec());
  EXPECT_EQ(8, bin.GetBitsPerSample());
  EXPECT_EQ(1, bin.GetChannels());

  // The start-up load: the command set, the compression in force, the port armed.
  EXPECT_EQ("VSIM 56K Voice", ModemParams.Model);
  EXPECT_EQ(3, ModemParams.port);
  EXPECT_TRUE(VoiceFeatures);
  EXPECT_EQ("UNSIGNED PCM", CurrentCompression.Description.Get());
  EXPECT_EQ("8000", CurrentCompression.vsr.Get());
  EXPECT_TRUE(engine->PortOpened);
  EXPECT_EQ(std::vector<bool>{true}, host.record);
  EXPECT_TRUE(HasLine("Enabling autoRecord mode"));
  std::string commands = Sim("cmds? com3");
  EXPECT_NE(std::string::npos, commands.find("\"at+vsm=?\",\"at+vls=?\",\"at+VGR=?\",\"at+VGT=?\"")) << commands;
  const std::string init = "\"atz\",\"atE0\",\"ats0=0\",\"at+vcid=1\"]";
  EXPECT_EQ(commands.size() - init.size(), commands.rfind(init)) << "the start-up init comes last: " << commands;
}

TEST_F(WizardSim, FirstStartWithoutCallerIdArmsWithCallerIdOff) {
  Port(3, "generic");
  Sim("reply com3 at+vcid=1 ERROR");
  std::vector<std::string> boxes = StartUp({0});
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  EXPECT_EQ("none", Key("Modem", "ForCallerId"));
  EXPECT_FALSE(LiveSettings.CallerID);
  std::string commands = Sim("cmds? com3");
  const std::string init = "\"atz\",\"atE0\",\"ats0=0\",\"at+vcid=0\"]";
  EXPECT_EQ(commands.size() - init.size(), commands.rfind(init)) << "the arming init turns caller ID off: " << commands;
}

TEST_F(WizardSim, ModemWithoutVoiceAndModemWithoutCompressions) {
  Port(1, "nonvoice");
  Port(3, "generic");
  std::vector<std::string> boxes = StartUp({0});
  EXPECT_EQ(std::vector<std::string>{"Your modem does not support V.253/IS-101 standard"}, boxes);
  EXPECT_EQ(2, Wizard().FoundCount);
  EXPECT_EQ("1", Key("Modem", "port"));
  for (const char* key : CommandKeys) EXPECT_EQ("none", Key("Modem", key)) << key;
  EXPECT_EQ("<missing>", Key("Modem", "VoiceCompression"));
  EXPECT_EQ("0", Key("Params", "Voicefeatures"));
  EXPECT_EQ("4", Key("Params", "Timeout"));
  EXPECT_FALSE(VoiceFeatures);
  EXPECT_EQ(std::vector<bool>{false}, host.record);
  EXPECT_TRUE(engine->PortOpened) << "a modem without voice still reports rings and caller ID";

  // The second entry, whose modem refuses the compression list.
  engine->ClosePort();
  EventLog().Clear();
  Sim("reply com3 at+vsm=? ERROR");
  Wizard().FindModems();
  TBoxWatcher watcher(IDOK, 100);
  {
    TWizardUser user({1});
    Wizard().ShowModal();
  }
  EXPECT_EQ(std::vector<std::string>{"None modem compression can be recognized"}, watcher.Texts());
  EXPECT_EQ("3", Key("Modem", "port"));
  EXPECT_EQ("at+vsm=none", Key("Modem", "VoiceCompression"));
  EXPECT_EQ("", Key("Params", "Compression"));
  EXPECT_EQ("1", Key("Params", "Voicefeatures"));
  EXPECT_EQ(0, FileSize("Compressions.d"));
  EXPECT_FALSE(IniHas("Modem compression"));
  EXPECT_EQ("at+vls=1", Key("Params", "UseLine"));
  EXPECT_FALSE(engine->PortOpened) << "the wizard leaves the port closed";
}

TEST_F(WizardSim, FirstStartWithoutCompressionsSaysSoTwiceAndStillArms) {
  Port(3, "generic");
  Sim("reply com3 at+vsm=? ERROR");
  std::vector<std::string> boxes = StartUp({0});
  EXPECT_EQ((std::vector<std::string>{"None modem compression can be recognized",
                                      "The voice compression cannot be read from Compressions.d: it holds no "
                                      "records.\nRun the modem set-up again."}),
            boxes);
  EXPECT_EQ("at+vsm=none", Key("Modem", "VoiceCompression"));
  EXPECT_EQ(0, FileSize("Compressions.d"));
  EXPECT_EQ("", CurrentCompression.Description.Get());
  EXPECT_TRUE(VoiceFeatures);
  EXPECT_TRUE(engine->PortOpened);
}

TEST_F(WizardSim, StrictModemIdentityFromAti4IsOneCleanLine) {
  Port(3, "strict");
  Sim("set com3 vgr_range=(200-100) vgt_range=(128)");  // a range backwards, and none at all
  Sim("set com3 ati4=\\r\\n\\x00\\r\\nVSIM\\x00\\s56K\\x80\\sStrict\\xff\\x07\\nsecond\\sline");
  Wizard().FindModems();
  ASSERT_EQ(1, Wizard().FoundCount);
  const TModemParams& found = Wizard().FoundModems[1];
  EXPECT_EQ("VSIM 56K Strict", found.Model);
  EXPECT_EQ("Unspecified manufacturer", found.Manufacturer);
  EXPECT_EQ("Unspecified driver", found.DriverDate);
  std::string commands = Sim("cmds? com3");
  EXPECT_NE(std::string::npos, commands.find("\"AT+GMM?\",\"AT+FMM?\",\"ATI4\",\"AT+GMI?\",\"AT+FMI?\"")) << commands;

  TBoxWatcher watcher(IDOK, 100);
  {
    TWizardUser user({0});
    Wizard().ShowModal();
  }
  EXPECT_TRUE(watcher.Texts().empty());
  EXPECT_EQ("VSIM 56K Strict", Key("Modem", "Model"));
  EXPECT_EQ("Unspecified manufacturer", Key("Modem", "Manufacturer"));
  EXPECT_EQ("1", Key("Params", "Voicefeatures"));
  EXPECT_EQ("none", Key("Modem", "RecGain"));
  EXPECT_EQ("none", Key("Modem", "SpeakerVol"));
  EXPECT_FALSE(ini->ValueExists("Modem", "vgrMin"));
  EXPECT_FALSE(ini->ValueExists("Modem", "vgtMax"));
}

TEST_F(WizardSim, SystemModemListIsTakenWithoutProbingPorts) {
  Port(3, "generic");
  AddSystemModem("0000", "Registry Voice Modem", "COM3");
  AddSystemModem("0001", "Far Modem", "COM17");
  Wizard().FindModems();
  EXPECT_FALSE(Wizard().ProbedDirectly);
  ASSERT_EQ(2, Wizard().FoundCount);
  EXPECT_EQ((std::vector<std::string>{"Registry Voice Modem", "Far Modem"}), Wizard().lboxModems->Items());
  EXPECT_EQ(3, Wizard().FoundModems[1].port);
  EXPECT_EQ("COM3", Wizard().FoundModems[1].PortName);
  EXPECT_EQ(0, Wizard().FoundModems[2].port);
  EXPECT_EQ("closed opens=0 closes=0", Sim("state com3"));
  EXPECT_EQ(-1, Index("----- finding modems -----"));

  // COM17 has no number: its port fails to open and the wizard stays for another choice.
  TBoxWatcher watcher(IDOK, 100);
  TWizardUser user({1, 0});
  Wizard().ShowModal();
  EXPECT_EQ(2, user.Clicks());
  EXPECT_EQ(std::vector<std::string>{"Error detected opening Com0\nPossible cause\n"
                                     "Your modem is bound to another software such as a fax software"},
            watcher.Texts());
  EXPECT_EQ("3", Key("Modem", "port"));
  EXPECT_EQ("Registry Voice Modem", Key("Modem", "Model"));
  EXPECT_EQ("1", Key("Params", "Voicefeatures"));
  EXPECT_EQ("at+vsm=1,8000,0,0", Key("Modem", "VoiceCompression"));
}

TEST_F(WizardSim, OkProbesWithThePortsOwnSpeedAndFlowControl) {
  Port(3, "generic");
  AddSystemModem("0000", "Registry Voice Modem", "COM3");
  LiveSettings.BaudrateIndex = 0;     // 57600
  LiveSettings.FlowControlIndex = 0;  // Hardware
  Wizard().FindModems();
  TBoxWatcher watcher(IDOK, 100);
  {
    TWizardUser user({0});
    Wizard().ShowModal();
  }
  EXPECT_EQ("3", Key("Modem", "port"));
  EXPECT_EQ("baud=115200 rtscts=0 ixon=0 ixoff=0", Sim("line? com3")) << "as the port was made";
}

TEST_F(WizardSim, AtMostSixteenSystemModemsAndTheTableIsEmptiedForEachSearch) {
  for (int i = 0; i < 17; ++i) AddSystemModem("00" + std::to_string(10 + i), "Modem " + std::to_string(i), "COM5");
  Wizard().FoundModems[16].Model = "left over";
  Wizard().FoundModems[16].port = 9;
  Wizard().FindModems();
  EXPECT_EQ(16, Wizard().FoundCount);
  EXPECT_EQ(16, Wizard().lboxModems->Count());
  EXPECT_EQ("Modem 15", Wizard().FoundModems[16].Model);
  EXPECT_EQ(5, Wizard().FoundModems[16].port);
  EXPECT_EQ("", Wizard().FoundModems[0].Model);
}

TEST_F(WizardSim, StartUpWithAModemSetUpInitialisesAndArms) {
  Port(3, "generic");
  ini->WriteInteger("Modem", "port", 3);
  ini->WriteString("Modem", "Model", "VSIM 56K Voice");
  ini->WriteString("Modem", "ForCallerId", "at+vcid=1");
  ini->WriteString("Modem", "DisCallerId", "at+vcid=0");
  ini->WriteBool("Params", "Voicefeatures", true);
  ini->WriteInteger("Fonts", "FontSize", 10);
  ini->WriteInteger("Params", "Date", 90);
  std::vector<std::string> boxes = StartUp({});
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  EXPECT_EQ(-1, Index("----- finding modems -----"));
  EXPECT_EQ("[\"atz\",\"atE0\",\"ats0=0\",\"at+vcid=1\"]", Sim("cmds? com3"));
  int opened = Index("Com port 3 opened...");
  ASSERT_GE(opened, 0);
  EXPECT_LT(opened, Index("Modem Reset.."));
  EXPECT_LT(Index("Modem Reset.."), Index("echo off.."));
  EXPECT_LT(Index("echo off.."), Index("Setting autoanswer off.."));
  EXPECT_LT(Index("Setting autoanswer off.."), Index("Enable caller ID.."));
  EXPECT_LT(Index("Enable caller ID.."), Index("Enabling autoRecord mode"));
  EXPECT_EQ("VSIM 56K Voice", ModemParams.Model);
  EXPECT_EQ(8, host.volume);
  EXPECT_EQ("tahoma", host.fontName);
  EXPECT_EQ(10, host.fontSize);
  EXPECT_EQ(0u, host.fontColor);
  EXPECT_EQ(185, host.splitter);
  EXPECT_EQ((std::vector<int>{90, 70, 70}), host.widths);
  EXPECT_EQ(std::vector<bool>{true}, host.record);
  EXPECT_EQ(1, host.navigationOff);
  EXPECT_EQ(1, host.callControlsOff);
  EXPECT_EQ(0, host.deleteOn);
  EXPECT_TRUE(DirectoryExists(dir / "wav"));

  // Again, as after the settings dialog: caller ID off and auto mode off, one call filed.
  ASSERT_TRUE(engine->ClosePort());
  Sim("cmds-clear com3");
  LiveSettings.CallerID = false;
  LiveSettings.AutoRecord = false;
  host.rows = true;
  EXPECT_TRUE(StartUp({}).empty());
  EXPECT_EQ("[\"atz\",\"atE0\",\"ats0=0\",\"at+vcid=0\"]", Sim("cmds? com3"));
  EXPECT_TRUE(HasLine("Disabling autoRecord mode"));
  EXPECT_EQ(1, host.deleteOn);
}

TEST_F(WizardSim, StartUpWhoseModemPortFailsIsToldAndNotArmed) {
  ini->WriteInteger("Modem", "port", 6);
  ini->WriteBool("Params", "Voicefeatures", false);
  std::vector<std::string> boxes = StartUp({});
  EXPECT_EQ((std::vector<std::string>{"Your modem does not support V.253/IS-101 standard",
                                      "Error during opening com port 6"}),
            boxes);
  EXPECT_EQ((std::vector<bool>{false, false}), host.record);
  EXPECT_FALSE(engine->PortOpened);
  EXPECT_FALSE(engine->AutoRecordMode);
  EXPECT_EQ(-1, Index("Enabling autoRecord mode"));
  EXPECT_TRUE(engine->tmRearm().Enabled()) << "tried again on its own";
}

TEST_F(WizardSim, TheWavFolderIsMadeInTheProgramFolderWhateverTheCurrentOne) {
  ini->WriteInteger("Modem", "port", 6);
  TempDir elsewhere;
  SetCurrentDirectoryA(elsewhere.Path().c_str());
  StartUp({});
  SetCurrentDirectoryA(dir.Path().c_str());
  EXPECT_TRUE(DirectoryExists(dir / "wav"));
  EXPECT_FALSE(DirectoryExists(elsewhere / "wav"));
  RemoveDirectoryA((elsewhere / "wav").c_str());
}

TEST_F(WizardSim, NoModemAnywhereRunsTheSearchOnEveryStart) {
  ini->WriteInteger("Modem", "port", 0);  // a search that found nothing before
  std::vector<std::string> boxes = StartUp({0});
  EXPECT_EQ(std::vector<std::string>{"        No modem detected        "}, boxes);
  for (int n = 1; n <= 8; ++n) EXPECT_TRUE(HasLine("Port " + std::to_string(n) + " failed to open")) << n;
  EXPECT_EQ(0, Wizard().FoundCount);
  EXPECT_EQ("0", Key("Params", "Voicefeatures"));
  EXPECT_FALSE(IniHas("Modem"));
  EXPECT_FALSE(VoiceFeatures);
  EXPECT_FALSE(engine->PortOpened);
  EXPECT_TRUE(host.record.empty()) << "without a modem set up the record controls are left alone";
  EXPECT_EQ(1, host.callControlsOff);
  EXPECT_EQ(-1, Index("Enabling autoRecord mode"));

  // Shown anyway (from the settings dialog), the empty wizard says so and closes.
  TBoxWatcher watcher(IDOK, 100);
  Wizard().ShowModal();
  EXPECT_EQ(std::vector<std::string>{"        No modem detected        "}, watcher.Texts());
}

TEST_F(WizardSim, ModemThatDoesNotAnswerAtAfterTheOpenClosesTheWizard) {
  Port(3, "generic");
  Sim("reply com3 at ERROR");
  AddSystemModem("0000", "Registry Voice Modem", "COM3");
  Wizard().FindModems();
  TBoxWatcher watcher(IDOK, 100);
  {
    TWizardUser user({0});
    Wizard().ShowModal();
  }
  EXPECT_EQ(std::vector<std::string>{"Error detected\nPossible cause\nYour modem is not connected to port"},
            watcher.Texts());
  EXPECT_EQ("0", Key("Params", "Voicefeatures"));
  EXPECT_EQ("<missing>", Key("Modem", "port"));
  EXPECT_FALSE(engine->PortOpened);
  EXPECT_FALSE(Wizard().btnOk->Enabled()) << "until the next search";
  Wizard().FindModems();
  EXPECT_TRUE(Wizard().btnOk->Enabled());
}

TEST(WizardIdentity, FirstLineAfterTheColonInPrintableAscii) {
  struct Case {
    std::string reply, identity;
  } cases[] = {
      {"MODEL: X", " X"},
      {"VSIM 56K Voice", "VSIM 56K Voice"},
      {"\r\n\r\n+GMM: first\r\nsecond: line", " first"},
      {"a:b:c", "b:c"},
      {std::string("\x01\r\nVS\0IM\x80\x9f\xff OK\x07", 15), "VSIM OK"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.identity, TSpecModemForm::IdentityText(c.reply)) << c.reply;
}

namespace {
TCompressionRec Record(const char* name, const char* bps, const char* vsr, const char* command) {
  TCompressionRec r;
  r.Description.Set(name);
  r.bps.Set(bps);
  r.vsr.Set(vsr);
  r.VsmCommand.Set(command);
  return r;
}
}  // namespace

TEST_F(WizardSim, CompressionChoiceFollowsThePassOrder) {
  struct Case {
    std::vector<TCompressionRec> records;
    const char* command;
    const char* number;
  } cases[] = {
      {{Record("ULAW", "8", "8000", "u"), Record("SIGNED PCM", "16", "8000", "s16"),
        Record("UNSIGNED PCM", "8", "8000", "u8")},
       "u8", "2"},
      {{Record("SIGNED PCM", "16", "8000", "s16"), Record("ALAW", "8", "8000", "a")}, "a", "1"},
      {{Record("UNSIGNED PCM", "16", "8000", "u16"), Record("SIGNED PCM", "16", "7200", "s16")}, "s16", "1"},
      {{Record("SOMETHING", "8", "8000", "x0"), Record("ELSE", "8", "8000", "x1")}, "x0", "0"},
      {{}, "<missing>", "<missing>"},
  };
  Wizard();
  for (const Case& c : cases) {
    ini->EraseSection("Modem");
    ini->EraseSection("Params");
    WriteCompressions(dir / "Compressions.d", c.records);
    Wizard().ChooseCompression();
    EXPECT_EQ(c.command, Key("Modem", "VoiceCompression"));
    EXPECT_EQ(c.number, Key("Params", "Compression"));
  }
}

TEST_F(WizardSim, CompressionFormatFromThePlatformCodecs) {
  WriteCompressions(dir / "Compressions.d", {Record("ULAW", "8", "8000", "at+vsm=131,8000"),
                                             Record("SIGNED PCM", "16", "7200", "at+vsm=133,7200"),
                                             Record("ALAW", "8", "6000", "at+vsm=132,6000")});
  struct Case {
    int number;
    WORD tag;
    DWORD rate;
    WORD bits;
  } cases[] = {{0, WAVE_FORMAT_MULAW, 8000, 8}, {1, WAVE_FORMAT_PCM, 7200, 16}};
  for (const Case& c : cases) {
    ini->WriteInteger("Params", "Compression", c.number);
    ASSERT_TRUE(Wizard().SetCompressionFormat()) << c.number;
    TdeWaveFormat bin;
    ASSERT_TRUE(ini->ReadFormat("Modem compression", bin));
    EXPECT_EQ(c.tag, bin.GetFormatTag());
    EXPECT_EQ(c.rate, bin.GetSamplesPerSec());
    EXPECT_EQ(c.bits, bin.GetBitsPerSample());
    EXPECT_EQ(1, bin.GetChannels());
    EXPECT_NE("", ini->ReadString("Modem compression", "Desc", ""));
  }

  // No codec has A-law at 6000 Hz; a number past the file is no record: qdx.ini stays.
  std::string bin = ini->ReadString("Modem compression", "Bin", "");
  TBoxWatcher watcher(IDOK, 100);
  for (int number : {2, 3}) {
    ini->WriteInteger("Params", "Compression", number);
    EXPECT_FALSE(Wizard().SetCompressionFormat());
  }
  EXPECT_EQ(bin, ini->ReadString("Modem compression", "Bin", ""));
  std::vector<std::string> texts = watcher.Texts();
  ASSERT_EQ(2u, texts.size());
  EXPECT_EQ("None Codec Format found to match modem compression\rChoose a different modem compression", texts[0]);
  EXPECT_NE(std::string::npos, texts[1].find("Compressions.d"));
}
