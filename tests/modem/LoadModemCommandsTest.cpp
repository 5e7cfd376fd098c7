#include "IniFile.h"
#include "ModemParams.h"
#include "TempDir.h"
#include <gtest/gtest.h>

TEST(LoadModemCommands, WithoutAModemSectionPortIsOneAndEveryCommandEmpty) {
  TempDir dir;
  WriteWholeFile(dir / "qdx.ini", "[Params]\r\nAutoRecord=1\r\n");
  ModemParams = TModemParams();
  SetDefaultCommands(ModemParams);
  ModemParams.PortName = "COM7";
  LoadModemCommands(TIniFile(dir / "qdx.ini"));
  TModemParams want;
  want.port = 1;
  want.PortName = "COM7";
  EXPECT_EQ(ModemParams, want);
}

TEST(LoadModemCommands, EveryKeyReachesItsOwnField) {
  TempDir dir;
  std::string file = "[modem]\r\n";
  for (const TModemKey& k : ModemKeys)
    if (std::string(k.Section) == "Modem") file += std::string(k.Key) + "=" + (k.Field ? std::string("v ") + k.Key : "12") + "\r\n";
  file += "[PARAMS]\r\nUseLine=v UseLine\r\nuselineres=v UseLineRes\r\n";
  WriteWholeFile(dir / "qdx.ini", file);
  ModemParams = TModemParams();
  LoadModemCommands(TIniFile(dir / "qdx.ini"));

  const TModemParams& p = ModemParams;
  EXPECT_EQ(p.port, 12);
  std::pair<const std::string*, const char*> fields[] = {
      {&p.DriverDate, "DriverDate"}, {&p.Manufacturer, "Manufacturer"}, {&p.DeviceDesc, "DeviceDesc"},
      {&p.Model, "Model"}, {&p.Reset, "Reset"}, {&p.answer, "answer"}, {&p.monitor, "monitor"},
      {&p.VoiceMode, "VoiceMode"}, {&p.InitVoice, "InitVoice"}, {&p.DisCallerId, "DisCallerId"},
      {&p.ForCallerId, "ForCallerId"}, {&p.UnfCallerId, "UnfCallerId"}, {&p.Distinctive, "Distinctive"},
      {&p.SpeakerVol, "SpeakerVol"}, {&p.LineSel_T, "LineSel_T"}, {&p.LineSel_TRes, "LineSel_T#"},
      {&p.BeepTone, "BeepTone"}, {&p.SilenceTimer, "SilenceTimer"}, {&p.ToneGeneration, "ToneGeneration"},
      {&p.VoiceProcess, "VoiceProcess"}, {&p.VoiceTrx, "VoiceTrx"}, {&p.VoiceRec, "VoiceRec"},
      {&p.VoiceCompression, "VoiceCompression"}, {&p.RecGain, "RecGain"}, {&p.SpeakerOn, "SpeakerOn"},
      {&p.SpeakerOff, "SpeakerOff"}, {&p.MicGain, "MicGain"}, {&p.SpeakerGain, "SpeakerGain"},
      {&p.UseLine, "UseLine"}, {&p.UseLineRes, "UseLineRes"},
  };
  for (auto& f : fields) EXPECT_EQ(*f.first, std::string("v ") + f.second);
  EXPECT_EQ(p.PortName, "");
}

TEST(LoadModemCommands, ReadsInTheStartUpOrder) {
  const char* order[] = {"DriverDate", "Manufacturer", "DeviceDesc", "Model", "Reset", "answer", "monitor",
                         "port", "VoiceMode", "InitVoice", "DisCallerId", "ForCallerId", "UnfCallerId",
                         "Distinctive", "SpeakerVol", "VoiceCompression", "LineSel_T", "LineSel_T#",
                         "BeepTone", "SilenceTimer", "ToneGeneration", "VoiceProcess", "VoiceTrx",
                         "VoiceRec", "RecGain", "SpeakerOn", "SpeakerOff", "MicGain", "SpeakerGain",
                         "UseLine", "UseLineRes"};
  ASSERT_EQ(std::size(order), std::size(ModemKeys));
  for (size_t i = 0; i < std::size(order); ++i) {
    EXPECT_STREQ(ModemKeys[i].Key, order[i]);
    EXPECT_STREQ(ModemKeys[i].Section, i < 29 ? "Modem" : "Params");
  }
}

TEST(LoadModemCommands, RefusedCommandsStayAsWrittenAndAreKnownAsRefused) {
  TempDir dir;
  WriteWholeFile(dir / "qdx.ini",
                 "[Modem]\r\nport=3\r\nForCallerId=none\r\nDisCallerId=NONE\r\nSilenceTimer=None\r\n"
                 "VoiceCompression=at+vsm=none\r\nVoiceMode=at+fclass=8\r\nport=x\r\n");
  LoadModemCommands(TIniFile(dir / "qdx.ini"));
  EXPECT_EQ(ModemParams.port, 3);
  EXPECT_EQ(ModemParams.ForCallerId, "none");
  for (const std::string* c : {&ModemParams.ForCallerId, &ModemParams.DisCallerId, &ModemParams.SilenceTimer,
                               &ModemParams.VoiceCompression})
    EXPECT_TRUE(IsRefused(*c)) << *c;
  EXPECT_FALSE(IsRefused(ModemParams.VoiceMode));
  EXPECT_FALSE(IsRefused(ModemParams.UnfCallerId)) << "an empty command is not refused";

  WriteWholeFile(dir / "other.ini", "[Modem]\r\nport=COM3\r\n");
  LoadModemCommands(TIniFile(dir / "other.ini"));
  EXPECT_EQ(ModemParams.port, 1) << "a port that is not a number reads as the default";
}
