// The modem search and probe without the wizard's window, against simulated modems; the
// search walks COM1..COM8, so this runs in the wizard's executable, alone.
#include "Application.h"
#include "EngineFixture.h"
#include "KitSysModemInfo.h"
#include "ModemParams.h"
#include "ModemProbe.h"
#include "ModemSim.h"
#include "Parse.h"
#include "QueryModemForm.h"
#include "ScomTestEnv.h"
#include <gtest/gtest.h>

namespace {

// What the probe showed, in order.
class TRecordedView : public TModemProbeView {
public:
  void SearchShown(bool shown) override { shows.push_back(shown ? "search shown" : "search hidden"); }
  void SearchProgress(int percent) override { search.push_back(percent); }
  void ModemListed(const std::string& name) override { listed.push_back(name); }
  void ProbeShown(bool shown) override { shows.push_back(shown ? "probe shown" : "probe hidden"); }
  void ProbeProgress(int percent) override { probe.push_back(percent); }
  void ChoiceOpen() override { ++choiceOpened; }
  void Tell(const std::string& message) override { told.push_back(message); }

  std::vector<std::string> shows, listed, told;
  std::vector<int> search, probe;
  int choiceOpened = 0;
};

class ModemProbeSim : public ::testing::Test, public EngineFixture {
protected:
  void SetUp() override {
    Application.Initialize();
    LiveSettings.FlowControlIndex = 2;
    ModemParams = TModemParams();
    CurrentCompression.Clear();
    VoiceFeatures = false;
    fmModem = nullptr;
    engine = new TfmModem(nullptr);
    parse.Modem = engine;
    memoForm = NewForm<TfmQueryModem>(nullptr);
    parse.QueryMemo = memoForm->Memo1;  // the compression list is read from it
  }
  void TearDown() override {
    memoForm->Free();
    delete engine;
    for (int com : ports) sim.RemovePort(com);
  }
  void Port(int com, const std::string& profile) {
    sim.AddPort(com, profile);
    ports.push_back(com);
  }
  std::string Key(const char* section, const char* key) { return ini->ReadString(section, key, "<missing>"); }
  TModemProbe Probe() { return TModemProbe(table, view, engine, &parse); }
  // The table's entry sel chosen and probed.
  bool ProbeEntry(TModemProbe& probe, int sel) {
    table.Choose(sel - 1);
    return probe.ProbeModem(sel);
  }

  TModemSim sim;
  TfmModem* engine = nullptr;
  TfmParse parse;
  TfmQueryModem* memoForm = nullptr;
  std::vector<int> ports;
  TFoundModems table;
  TRecordedView view;
};

}  // namespace

TEST_F(ModemProbeSim, SearchesThePortsAndProbesEachModemFound) {
  Port(3, "generic");
  Port(5, "nonvoice");
  TModemProbe probe = Probe();
  probe.FindModems({});
  EXPECT_TRUE(table.ProbedDirectly);
  ASSERT_EQ(2, table.FoundCount);
  EXPECT_EQ((std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}), view.search);
  ASSERT_EQ(2u, view.listed.size());
  EXPECT_EQ("VSIM 56K Voice", view.listed[0]);
  EXPECT_EQ(5, table.FoundModems[2].port);

  ASSERT_TRUE(ProbeEntry(probe, 1));
  EXPECT_EQ((std::vector<int>{0, 8, 15, 23, 31, 38, 46, 54, 62, 69, 77, 85, 92, 100}), view.probe);
  EXPECT_EQ((std::vector<std::string>{"search shown", "search hidden", "probe shown", "probe hidden"}), view.shows);
  EXPECT_EQ(1, view.choiceOpened);
  EXPECT_TRUE(view.told.empty()) << view.told.front();
  EXPECT_TRUE(VoiceFeatures);
  EXPECT_EQ("VSIM 56K Voice", Key("Modem", "Model"));
  EXPECT_EQ("3", Key("Modem", "port"));
  EXPECT_EQ("at+vsm=1,8000,0,0", Key("Modem", "VoiceCompression"));
  EXPECT_FALSE(engine->PortOpened);

  // Without voice: no probe progress, every voice command "none".
  view.probe.clear();
  ASSERT_TRUE(ProbeEntry(probe, 2));
  EXPECT_TRUE(view.probe.empty());
  EXPECT_FALSE(VoiceFeatures);
  EXPECT_EQ("5", Key("Modem", "port"));
  EXPECT_EQ("none", Key("Modem", "RecGain"));
  EXPECT_EQ(2, view.choiceOpened);
  EXPECT_FALSE(engine->PortOpened);
}

TEST_F(ModemProbeSim, ChosenModemThatCannotBeProbedIsTold) {
  Port(3, "generic");
  sim.Command("reply com3 at ERROR");
  struct Case {
    TKitSystemModem modem;
    bool closesWizard;
    int choiceOpened;
    const char* told;
  } cases[] = {
      {{"Far Modem", "COM17", 0}, false, 1,
       "Error detected opening Com0\nPossible cause\nYour modem is bound to another software such as a fax software"},
      {{"Registry Voice Modem", "COM3", 3}, true, 0,
       "Error detected\nPossible cause\nYour modem is not connected to port"},
  };
  for (const Case& c : cases) {
    view = TRecordedView();
    TModemProbe probe = Probe();
    probe.FindModems({c.modem});
    EXPECT_FALSE(table.ProbedDirectly);
    EXPECT_EQ(std::vector<std::string>{c.modem.Name}, view.listed);
    EXPECT_EQ(c.closesWizard, ProbeEntry(probe, 1)) << c.modem.Name;
    EXPECT_EQ(std::vector<std::string>{c.told}, view.told);
    EXPECT_EQ(c.choiceOpened, view.choiceOpened) << c.modem.Name;
    EXPECT_EQ("0", Key("Params", "Voicefeatures"));
    EXPECT_EQ("<missing>", Key("Modem", "port"));
    EXPECT_FALSE(engine->PortOpened);
  }
  EXPECT_TRUE(view.search.empty()) << "a system list is taken as it is";
}

TEST(ModemProbe, StepsThatNeedTheEngineSaySoWithoutIt) {
  TFoundModems table;
  TRecordedView view;
  TModemProbe probe(table, view, nullptr, nullptr);
  EXPECT_THROW(probe.ProbeModem(1), Exception);
}
