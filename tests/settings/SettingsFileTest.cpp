#include "SettingsFile.h"
#include "Exception.h"
#include "FileUtils.h"
#include "SettingsTestUtil.h"
#include "SysUtils.h"
#include "WaveFormat.h"
#include <functional>
#include <gtest/gtest.h>

TEST(SettingsFile, BinRoundTripKeepsAll128Bytes) {
  ProgramFolder dir;
  TSettingsFile ini;
  TdeWaveFormat f;
  BYTE bytes[128];
  for (int i = 0; i < 128; ++i) bytes[i] = static_cast<BYTE>(255 - i);
  bytes[0] = 1, bytes[1] = 0;  // PCM, so the whole block is a usable format
  f.LoadFromBuffer(bytes, 128);
  ini.WriteFormat("Modem compression", f);
  std::string bin = ini.ReadString("Modem compression", "Bin", "");
  ASSERT_EQ(bin.size(), 256u);
  EXPECT_EQ(bin.substr(0, 8), "0100FDFC");

  TdeWaveFormat back;
  ASSERT_TRUE(ini.ReadFormat("modem COMPRESSION", back));
  EXPECT_TRUE(back.Equals(f));

  // Lower-case digits are read too; a short value is no value and leaves the format alone.
  std::string lower = LowerCase(bin);
  ini.WriteString("Modem compression", "Bin", lower);
  TdeWaveFormat again;
  ASSERT_TRUE(ini.ReadFormat("Modem compression", again));
  EXPECT_TRUE(again.Equals(f));
  ini.WriteString("Modem compression", "Bin", bin.substr(2));
  TdeWaveFormat untouched;
  EXPECT_FALSE(ini.ReadFormat("Modem compression", untouched));
  EXPECT_TRUE(untouched.Equals(TdeWaveFormat()));
  EXPECT_FALSE(ini.ReadFormat("No such section", untouched));
}

TEST(SettingsFile, RangeRulesOfTheOtherReaders) {
  ProgramFolder dir;
  TSettingsFile ini;
  struct IntCase { const char* section; const char* key; const char* value; std::function<int()> read; int want; };
  IntCase cases[] = {
      {"params", "Volume", "16", [&] { return ini.ReadVolume(); }, 16},
      {"params", "Volume", "17", [&] { return ini.ReadVolume(); }, 16},
      {"params", "Volume", "-3", [&] { return ini.ReadVolume(); }, 0},
      {"params", "Volume", "loud", [&] { return ini.ReadVolume(); }, 8},
      {"params", "Splitter", "-20", [&] { return ini.ReadWidth("params", "Splitter", 185); }, 10},
      {"params", "Splitter", "240", [&] { return ini.ReadWidth("params", "Splitter", 185); }, 240},
      {"Params", "Date", "3", [&] { return ini.ReadWidth("Params", "Date", 75); }, 10},
      {"Params", "Compression", "2", [&] { return ini.ReadCompression(3); }, 2},
      {"Params", "Compression", "3", [&] { return ini.ReadCompression(3); }, -1},
      {"Params", "Compression", "-1", [&] { return ini.ReadCompression(3); }, -1},
      {"Params", "Compression", "0", [&] { return ini.ReadCompression(0); }, -1},
      {"Params", "Timeout", "5", [&] { return ini.ReadTimeOut(2); }, 5},
      {"Params", "Timeout", "9", [&] { return ini.ReadTimeOut(2); }, 4},
  };
  for (const IntCase& c : cases) {
    ini.WriteString(c.section, c.key, c.value);
    EXPECT_EQ(c.read(), c.want) << c.key << "=" << c.value;
  }
  ini.DeleteKey("Params", "Timeout");
  EXPECT_EQ(ini.ReadTimeOut(2), 2) << "a missing value takes the reader's default";
  ini.DeleteKey("params", "Volume");
  EXPECT_EQ(ini.ReadVolume(), 8);

  int min = -7, max = -7;
  ini.ReadGainRange("vgt", min, max);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 255);
  ini.WriteInteger("Modem", "vgrMin", -1);
  ini.WriteInteger("Modem", "vgrMax", -1);
  ini.ReadGainRange("vgr", min, max);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 255);
  ini.WriteInteger("Modem", "vgrMin", 0);
  ini.WriteInteger("Modem", "vgrMax", 31);
  ini.ReadGainRange("vgr", min, max);
  EXPECT_EQ(max, 31);

  int position = 5;
  EXPECT_TRUE(ini.ReadGainPosition("SpeakerVol", "128", 0, 255, position));
  EXPECT_EQ(position, 128);
  ini.WriteString("Modem", "RecGain", "at+vgr=200");
  EXPECT_TRUE(ini.ReadGainPosition("RecGain", "128", 0, 31, position));
  EXPECT_EQ(position, 31);
  ini.WriteString("Modem", "RecGain", "none");
  EXPECT_FALSE(ini.ReadGainPosition("RecGain", "128", 0, 31, position));
  EXPECT_EQ(position, 31);
}

TEST(SettingsFile, RingPeriodOutsideItsRangeIsUnmeasuredAndNeverWritten) {
  ProgramFolder dir;
  TSettingsFile ini;
  int ms = -1;
  EXPECT_FALSE(ini.ReadRingTimeOut(ms));
  for (int bad : {0, 5, 1299, 15601, 600000}) {
    EXPECT_FALSE(ini.WriteRingTimeOut(bad)) << bad;
    EXPECT_FALSE(ini.ValueExists("General", "RingTimeOut")) << bad;
  }
  EXPECT_TRUE(ini.WriteRingTimeOut(5120));
  EXPECT_TRUE(ini.ReadRingTimeOut(ms));
  EXPECT_EQ(ms, 5120);
  for (const char* stored : {"3", "1299", "15601", "-5120", "abc"}) {
    ini.WriteString("General", "RingTimeOut", stored);
    ms = -1;
    EXPECT_FALSE(ini.ReadRingTimeOut(ms)) << stored;
    EXPECT_EQ(ms, -1);
  }
  ini.WriteString("General", "RingTimeOut", "15600");
  EXPECT_TRUE(ini.ReadRingTimeOut(ms));
  EXPECT_EQ(ms, 15600);
}

TEST(SettingsFile, MainWindowBoundsOffTheWorkAreaGiveTheDesignedOnes) {
  ProgramFolder dir;
  TSettingsFile ini;
  RECT designed = {150, 360, 650, 880};
  RECT got = ini.ReadMainBounds(designed);
  EXPECT_TRUE(EqualRect(&got, &designed));
  ini.WriteInteger("params", "MainLeft", 20);
  ini.WriteInteger("params", "MainTop", 30);
  ini.WriteInteger("params", "MainWid", 600);
  ini.WriteInteger("params", "MainHeight", 500);
  got = ini.ReadMainBounds(designed);
  RECT stored = {20, 30, 620, 530};
  EXPECT_TRUE(EqualRect(&got, &stored));
  ini.WriteInteger("params", "MainLeft", -32000);
  ini.WriteInteger("params", "MainTop", -32000);
  got = ini.ReadMainBounds(designed);
  EXPECT_TRUE(EqualRect(&got, &designed));
}

TEST(SettingsFile, ARefusedWriteAddsAnEventLineAndRaises) {
  ProgramFolder dir;
  CreateDirectoryA(dir.Ini().c_str(), nullptr);  // a folder where the file should be
  TSettingsFile ini;
  try {
    ini.WriteInteger("Params", "Timeout", 4);
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message.rfind("Unable to write to " + dir.Ini() + " ([Params] Timeout): ", 0), 0u) << e.Message;
    EXPECT_GT(e.ErrorCode, 0);
    ASSERT_EQ(EventLog().Count(), 1);
    EXPECT_EQ(EventLog().Lines()[0], e.Message);
  }
  EXPECT_THROW(ini.WriteString("Modem", "Model", "x"), EIniFileException);
  EXPECT_THROW(ini.WriteBool("Params", "StartUp", false), EIniFileException);
  EXPECT_THROW(ini.WriteFormat("File compression", TdeWaveFormat()), EIniFileException);
  EXPECT_EQ(EventLog().Count(), 4);
  RemoveDirectoryA(dir.Ini().c_str());
}

TEST(SettingsFile, AnUnreadableFileIsKeptAsQdxBadAndSaid) {
  const std::string good = Crlf({"[Modem]", "port=3", "Model=VSIM 56K Voice", "[Params]", "Voicefeatures=1"});
  struct Case { const char* name; std::string text; const char* fault; } cases[] = {
      {"empty", "", "it is empty"},
      {"truncated", good.substr(0, 25), "it ends in the middle of a line"},
      {"garbage", std::string("\x7f" "ELF\x01\x01\x00\x00\r\n", 10), "it holds bytes that are not text"},
      {"text", "Dear Sir,\r\nplease find enclosed\r\n", "line 1 is not a setting"},
  };
  for (const Case& c : cases) {
    ProgramFolder dir;
    WriteWholeFile(dir.Ini(), c.text);
    std::string told;
    ASSERT_TRUE(SetAsideUnreadableSettings(dir.Ini(), told)) << c.name;
    EXPECT_FALSE(FileExists(dir.Ini())) << c.name;
    EXPECT_EQ(ReadWholeFile(dir / "qdx.bad"), c.text) << c.name;
    const std::string line = std::string("qdx.ini cannot be read (") + c.fault + "): kept as qdx.bad";
    EXPECT_EQ(EventLog().Lines(), std::vector<std::string>{line}) << c.name;
    EXPECT_NE(told.find(c.fault), std::string::npos) << told;
    EXPECT_NE(told.find("qdx.bad"), std::string::npos) << told;
  }
  // A readable or missing file stays; a second bad one does not replace the first.
  ProgramFolder dir;
  std::string told;
  EXPECT_FALSE(SetAsideUnreadableSettings(dir.Ini(), told));
  WriteWholeFile(dir.Ini(), good);
  EXPECT_FALSE(SetAsideUnreadableSettings(dir.Ini(), told));
  EXPECT_EQ(ReadWholeFile(dir.Ini()), good);
  WriteWholeFile(dir / "qdx.bad", "older");
  WriteWholeFile(dir.Ini(), "");
  EXPECT_TRUE(SetAsideUnreadableSettings(dir.Ini(), told));
  EXPECT_EQ(ReadWholeFile(dir / "qdx.bad"), "older");
  EXPECT_EQ(ReadWholeFile(dir / "qdx_2.bad"), "");
}

TEST(SettingsFile, AStoredFormatIsValidOrSaysWhyNot) {
  ProgramFolder dir;
  TSettingsFile ini;
  TdeWaveFormat pcm = TLiveSettings::DefaultFormat(), read;
  std::string fault;
  EXPECT_FALSE(ini.ReadValidFormat("Modem compression", read, fault));
  EXPECT_EQ(fault, "");  // none stored
  ini.WriteString("Modem compression", "Bin", "0100");
  EXPECT_FALSE(ini.ReadValidFormat("Modem compression", read, fault));
  EXPECT_EQ(fault, "is not 128 bytes in hexadecimal");
  TdeWaveFormat mono0 = pcm;
  mono0.SetChannels(0);
  ini.WriteFormat("Modem compression", mono0);
  EXPECT_FALSE(ini.ReadValidFormat("Modem compression", read, fault));
  EXPECT_EQ(fault, "it has 0 channels");
  EXPECT_TRUE(read.Equals(TdeWaveFormat()));  // left alone
  ini.WriteFormat("Modem compression", pcm);
  EXPECT_TRUE(ini.ReadValidFormat("Modem compression", read, fault));
  EXPECT_TRUE(read.Equals(pcm));
}
