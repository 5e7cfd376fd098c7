#include "FoundModems.h"
#include "ModemParams.h"
#include "Exception.h"
#include <gtest/gtest.h>
#include <set>
#include <vector>

TEST(ModemParams, RefusedCommandsAreNoneInAnyCase) {
  struct Case { const char* command; bool refused; } cases[] = {
      {"none", true}, {"NONE", true}, {"None", true}, {"at+vsm=none", true},
      {"", false}, {"at+vcid=1", false}, {"non", false}, {"n one", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsRefused(c.command), c.refused) << c.command;
}

TEST(ModemParams, DefaultCommandsLeaveIdentityPortAndLineSelectionReply) {
  TModemParams e;
  e.DriverDate = "d";
  e.Manufacturer = "m";
  e.DeviceDesc = "dd";
  e.Model = "mo";
  e.PortName = "COM3";
  e.port = 3;
  e.monitor = "mon";
  e.LineSel_TRes = "ok";
  e.UseLine = "at+vls=1";
  e.UseLineRes = "ok";
  TModemParams before = e;
  SetDefaultCommands(e);

  EXPECT_EQ(e.VoiceMode, "at+fclass=8");
  EXPECT_EQ(e.InitVoice, "at+vid");
  EXPECT_EQ(e.Reset, "atz");
  EXPECT_EQ(e.answer, "ats0=0");
  EXPECT_EQ(e.DisCallerId, "at+vcid=0");
  EXPECT_EQ(e.ForCallerId, "at+vcid=1");
  EXPECT_EQ(e.UnfCallerId, "at+vcid=2");
  EXPECT_EQ(e.Distinctive, "at+vdr=0");
  EXPECT_EQ(e.SpeakerVol, "at+vgt=128");
  EXPECT_EQ(e.RecGain, "at+vgr=128");
  EXPECT_EQ(e.LineSel_T, "at+vls=1");
  EXPECT_EQ(e.BeepTone, "at+vtd=100");
  EXPECT_EQ(e.SilenceTimer, "at+vsd=127,255");
  EXPECT_EQ(e.ToneGeneration, "at+vts=");
  EXPECT_EQ(e.VoiceProcess, "at+vtr");
  EXPECT_EQ(e.VoiceTrx, "at+vtx");
  EXPECT_EQ(e.VoiceRec, "at+vrx");
  EXPECT_EQ(e.VoiceCompression, "at+vsm=128");
  EXPECT_EQ(e.SpeakerOn, "at+vsp=1");
  EXPECT_EQ(e.SpeakerOff, "at+vsp=0");
  EXPECT_EQ(e.MicGain, "at+vgm=128");
  EXPECT_EQ(e.SpeakerGain, "at+vgs=128");

  EXPECT_EQ(e.DriverDate, before.DriverDate);
  EXPECT_EQ(e.Manufacturer, before.Manufacturer);
  EXPECT_EQ(e.DeviceDesc, before.DeviceDesc);
  EXPECT_EQ(e.Model, before.Model);
  EXPECT_EQ(e.PortName, before.PortName);
  EXPECT_EQ(e.port, 3);
  EXPECT_EQ(e.monitor, "mon");
  EXPECT_EQ(e.LineSel_TRes, "ok");
  EXPECT_EQ(e.UseLine, "at+vls=1");
  EXPECT_EQ(e.UseLineRes, "ok");
}

TEST(ModemParams, KeyTableCoversEveryStoredFieldOnce) {
  std::vector<std::string TModemParams::*> fields;
  std::set<std::string> keys;
  int ports = 0;
  for (const TModemKey& k : ModemKeys) {
    if (k.Field) fields.push_back(k.Field); else ++ports;
    keys.insert(std::string(k.Section) + "/" + k.Key);
  }
  EXPECT_EQ(ports, 1);
  EXPECT_EQ(keys.size(), 31u);
  // Every string field but PortName, each once: fill each through the table, none may collide.
  TModemParams p;
  for (auto f : fields) p.*f += "x";
  int filled = 0;
  for (auto f : fields) {
    EXPECT_EQ(p.*f, "x");
    filled += p.*f == "x";
  }
  EXPECT_EQ(filled, 30);
  EXPECT_EQ(p.PortName, "");
}

TEST(FoundModems, TableHasSeventeenEntriesAndChoosingCopiesTheWholeEntry) {
  TFoundModems t;
  for (int i : {0, 16}) EXPECT_NO_THROW(t.SetDefaultCommands(i));
  for (int i : {-1, 17}) EXPECT_THROW(t.SetDefaultCommands(i), Exception);
  EXPECT_EQ(t.FoundModems[16].VoiceMode, "at+fclass=8");
  EXPECT_EQ(t.FoundModems[1].VoiceMode, "");

  ModemParams = TModemParams();
  ModemParams.Model = "old";
  ModemParams.SilenceTimer = "old";
  t.FoundModems[2].Model = "second";
  t.FoundModems[2].PortName = "COM5";
  t.FoundModems[2].port = 5;
  t.Choose(1);
  EXPECT_EQ(ModemParams, t.FoundModems[2]);
  EXPECT_EQ(ModemParams.SilenceTimer, "");
  EXPECT_THROW(t.Choose(16), Exception);
}
