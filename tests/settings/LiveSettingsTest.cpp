#include "LiveSettings.h"
#include "EventLog.h"
#include "Exception.h"
#include "FileUtils.h"
#include "SysUtils.h"
#include "SettingsFile.h"
#include "SettingsTestUtil.h"
#include <gtest/gtest.h>
#include <sstream>

namespace {
const std::string PcmBin = "01000100401F0000401F0000010008000000" + std::string(220, '0');

// IMA ADPCM, 1 channel, 8000 Hz, 4 bits, 505 samples per block.
TdeWaveFormat ImaAdpcm() {
  TdeWaveFormat f;
  BYTE b[128] = {0x11, 0, 1, 0, 0x40, 0x1F, 0, 0, 0xD7, 0x0F, 0, 0, 0, 1, 4, 0, 2, 0, 0xF9, 0x01};
  f.LoadFromBuffer(b, sizeof b);
  return f;
}

std::string Hex(const TdeWaveFormat& f) {
  std::string s;
  for (unsigned i = 0; i < TdeWaveFormat::BufferSize; ++i) s += IntToHex(f.Bytes()[i], 2);
  return s;
}

// What a load of an empty folder writes, in the dialog's order, ending with this compression.
std::string DefaultFile(const std::string& desc, const std::string& bin) {
  return Crlf({"[Monitor]", "PlayTrace=1", "RecordTrace=1", "Points=3", "BackColor=0", "TraceColor=65280",
               "[Params]", "AutoRecord=1", "DiscTime=10", "RejectCall=1", "RejectRings=6", "Timeout=4",
               "StartUp=0", "CallerID=1",
               "[Fonts]", "FontName=Tahoma", "FontSize=8", "FontColor=0",
               "[File compression]"}) +
         "Desc=" + desc + "\r\nBin=" + bin + "\r\n";
}

// The values a load leaves (but the compression), as name=value words.
std::string Values(const TLiveSettings& l) {
  std::ostringstream s;
  s << "PlayTrace=" << l.PlayTrace << " RecordTrace=" << l.RecordTrace << " Points=" << l.Points()
    << " BackColor=" << l.BackColor << " TraceColor=" << l.TraceColor << " AutoRecord=" << l.AutoRecord
    << " DiscTime=" << l.DiscTime << " RejectCall=" << l.RejectCall << " RejectRings=" << l.RejectRings
    << " Timeout=" << l.TimeOut << " StartUp=" << l.StartUp << " CallerID=" << l.CallerID
    << " FontName=" << l.FontName << " FontSize=" << l.FontSize << " FontColor=" << l.FontColor
    << " Baudrate=" << l.Baudrate() << " FlowControl=" << l.FlowControl() << " ExtPlayer=" << l.ExtPlayer;
  return s.str();
}
}

TEST(LiveSettings, AFreshFolderGetsTheDefaultsWrittenInTheDialogsOrder) {
  ProgramFolder dir;
  TSettingsFile ini;
  EXPECT_EQ(ini.FileName(), dir.Ini());
  TLiveSettings live;
  live.Load(ini);

  EXPECT_EQ(ReadWholeFile(dir.Ini()), DefaultFile("PCM: 8000 Hz; 8 bits; Mono", PcmBin));
  EXPECT_EQ(Values(live),
            "PlayTrace=1 RecordTrace=1 Points=1800 BackColor=0 TraceColor=65280 AutoRecord=1 DiscTime=10 "
            "RejectCall=1 RejectRings=6 Timeout=4 StartUp=0 CallerID=1 FontName=Tahoma FontSize=8 FontColor=0 "
            "Baudrate=115200 FlowControl=Hardware ExtPlayer=0");
  EXPECT_TRUE(live.FormatOut.Equals(TLiveSettings::DefaultFormat()));
  EXPECT_EQ(EventLog().Count(), 0);

  // A second load finds every key and writes nothing.
  std::string before = ReadWholeFile(dir.Ini());
  TLiveSettings again;
  again.Load(ini);
  EXPECT_EQ(ReadWholeFile(dir.Ini()), before);
  EXPECT_TRUE(again.FormatOut.Equals(TLiveSettings::DefaultFormat()));
}

TEST(LiveSettings, FileCompressionCpnIsImportedOnceThenDeleted) {
  ProgramFolder dir;
  TdeWaveFormat ima = ImaAdpcm();
  BYTE bytes[128];
  ima.SaveToBuffer(bytes);
  WriteWholeFile(dir / "FileCompression.cpn", std::string(reinterpret_cast<char*>(bytes), 128));

  TSettingsFile ini;
  TLiveSettings live;
  live.Load(ini);
  EXPECT_TRUE(live.FormatOut.Equals(ima));
  EXPECT_FALSE(FileExists(dir / "FileCompression.cpn"));
  std::string desc = ima.GetFormatDescription();
  EXPECT_NE(desc.find("8000 Hz"), std::string::npos) << desc;
  EXPECT_EQ(ReadWholeFile(dir.Ini()), DefaultFile(desc, Hex(ima)));
}

TEST(LiveSettings, AFileWithEveryKeySetReadsBackExactly) {
  ProgramFolder dir;
  TdeWaveFormat ima = ImaAdpcm();
  std::string file =
      Crlf({"[Monitor]", "PlayTrace=0", "RecordTrace=0", "Points=9", "BackColor=255", "TraceColor=16711680",
            "[Params]", "AutoRecord=0", "DiscTime=30", "RejectCall=0", "RejectRings=20", "Timeout=6",
            "StartUp=1", "CallerID=0", "ExtPlayer=1", "Player=vlc.exe",
            "[Fonts]", "FontName=Courier New", "FontSize=12", "FontColor=128",
            "[Modem]", "baudrate=3", "FlowControl=2", "ForCallerId=at+vcid=1",
            "[File compression]", "Desc=IMA"}) +
      "Bin=" + Hex(ima) + "\r\n";
  WriteWholeFile(dir.Ini(), file);
  TSettingsFile ini;
  TLiveSettings live;
  live.Load(ini);
  EXPECT_EQ(ReadWholeFile(dir.Ini()), file) << "nothing is written back";
  // The dialog's creation load leaves the player to the start-up settings load: ExtPlayer=0.
  EXPECT_EQ(Values(live),
            "PlayTrace=0 RecordTrace=0 Points=3000 BackColor=255 TraceColor=16711680 AutoRecord=0 DiscTime=30 "
            "RejectCall=0 RejectRings=20 Timeout=6 StartUp=1 CallerID=0 FontName=Courier New FontSize=12 "
            "FontColor=128 Baudrate=256000 FlowControl=None ExtPlayer=0");
  EXPECT_TRUE(live.FormatOut.Equals(ima));
}

TEST(LiveSettings, MistypedAndOutOfRangeValuesReadAsTheirDefaults) {
  struct Case { const char* section; const char* key; const char* value; } cases[] = {
      {"Monitor", "Points", "10"}, {"Monitor", "Points", "-1"}, {"Monitor", "Points", "three"},
      {"Params", "DiscTime", "0"}, {"Params", "DiscTime", "-5"}, {"Params", "DiscTime", "31"},
      {"Params", "RejectRings", "1"}, {"Params", "RejectRings", "21"}, {"Params", "RejectRings", "6x"},
      {"Params", "Timeout", "0"}, {"Params", "Timeout", "7"}, {"Params", "Timeout", "-1"},
      {"Modem", "baudrate", "4"}, {"Modem", "baudrate", "-1"}, {"Modem", "baudrate", ""},
      {"Modem", "FlowControl", "3"}, {"Modem", "FlowControl", "x"},
      {"Fonts", "FontSize", "0"}, {"Fonts", "FontSize", "401"}, {"Fonts", "FontSize", "-8"},
      {"File compression", "Bin", "0100"},
  };
  for (const Case& c : cases) {
    ProgramFolder dir;
    WriteWholeFile(dir.Ini(), Crlf({"[Params]", "AutoRecord=1", "[Fonts]", "FontName=Arial"}) + "[" + c.section +
                                  "]\r\n" + c.key + "=" + c.value + "\r\n");
    TSettingsFile ini;
    TLiveSettings live;
    live.Load(ini);
    SCOPED_TRACE(std::string(c.section) + " " + c.key + "=" + c.value);
    EXPECT_EQ(live.Points(), 1800);
    EXPECT_EQ(live.DiscTime, 10);
    EXPECT_EQ(live.RejectRings, 6);
    EXPECT_EQ(live.TimeOut, 4);
    EXPECT_EQ(live.Baudrate(), 115200);
    EXPECT_EQ(live.FlowControl(), "Hardware");
    EXPECT_EQ(live.FontSize, 8);
    EXPECT_TRUE(live.FormatOut.Equals(TLiveSettings::DefaultFormat()));
  }
}

TEST(LiveSettings, ABrokenBinTakesTheMissingPathAndIsRewritten) {
  std::string bad[] = {PcmBin.substr(0, 254), PcmBin + "00", PcmBin.substr(0, 255) + "Z", "garbage"};
  for (const std::string& bin : bad) {
    ProgramFolder dir;
    TdeWaveFormat ima = ImaAdpcm();
    BYTE bytes[128];
    ima.SaveToBuffer(bytes);
    WriteWholeFile(dir / "FileCompression.cpn", std::string(reinterpret_cast<char*>(bytes), 128));
    WriteWholeFile(dir.Ini(), "[File compression]\r\nDesc=x\r\nBin=" + bin + "\r\n");
    TSettingsFile ini;
    TLiveSettings live;
    live.Load(ini);
    EXPECT_TRUE(live.FormatOut.Equals(ima)) << bin.size();
    EXPECT_EQ(ini.ReadString("File compression", "Bin", ""), Hex(ima));
    EXPECT_FALSE(FileExists(dir / "FileCompression.cpn"));
  }
}

TEST(LiveSettings, CallerIdIsOffWheneverTheModemHasNone) {
  struct Case { const char* forCallerId; const char* stored; bool live; const char* written; } cases[] = {
      {nullptr, nullptr, true, "1"},       {"at+vcid=1", nullptr, true, "1"},
      {"none", nullptr, false, "0"},       {"NONE", nullptr, false, "0"},
      {"None", "1", false, "1"},           {"at+vcid=1", "0", false, "0"},
      {"at+vcid=1", "1", true, "1"},       {"", nullptr, true, "1"},
  };
  for (const Case& c : cases) {
    ProgramFolder dir;
    std::string file;
    if (c.forCallerId) file += std::string("[Modem]\r\nForCallerId=") + c.forCallerId + "\r\n";
    if (c.stored) file += std::string("[Params]\r\nCallerID=") + c.stored + "\r\n";
    if (!file.empty()) WriteWholeFile(dir.Ini(), file);
    TSettingsFile ini;
    TLiveSettings live;
    live.Load(ini);
    SCOPED_TRACE(std::string(c.forCallerId ? c.forCallerId : "<missing>") + " / " + (c.stored ? c.stored : "<missing>"));
    EXPECT_EQ(live.CallerID, c.live);
    EXPECT_EQ(ini.ReadString("Params", "CallerID", "?"), c.written);
  }
}

TEST(LiveSettings, SectionsMatchWithoutRegardToCase) {
  ProgramFolder dir;
  WriteWholeFile(dir.Ini(), Crlf({"[params]", "autorecord=0", "DISCTIME=20", "[MONITOR]", "points=5"}));
  TSettingsFile ini;
  TLiveSettings live;
  live.Load(ini);
  EXPECT_FALSE(live.AutoRecord);
  EXPECT_EQ(live.DiscTime, 20);
  EXPECT_EQ(live.Points(), 2200);
  std::string text = ReadWholeFile(dir.Ini());
  EXPECT_EQ(text.find("[Params]"), std::string::npos) << text;
  EXPECT_EQ(text.find("[Monitor]"), std::string::npos) << text;
  EXPECT_NE(text.find("[params]\r\nautorecord=0\r\nDISCTIME=20\r\nStartUp=0\r\nCallerID=1\r\n"), std::string::npos) << text;
}

TEST(LiveSettings, ARefusedWriteBackIsReportedAndTheLoadStillCompletes) {
  ProgramFolder dir;
  WriteWholeFile(dir.Ini(), "");
  // Another program holds qdx.ini open without sharing: every profile call fails.
  HANDLE lock = CreateFileA(dir.Ini().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  TSettingsFile ini;
  TLiveSettings live;
  live.AutoRecord = false;
  try {
    live.Load(ini);
    ADD_FAILURE() << "a refused write must not pass as success";
  } catch (const EIniFileException& e) {
    EXPECT_NE(e.Message.find("Unable to write to " + dir.Ini() + " ([Monitor] PlayTrace)"), std::string::npos) << e.Message;
  }
  CloseHandle(lock);
  EXPECT_TRUE(live.AutoRecord);
  EXPECT_TRUE(live.FormatOut.Equals(TLiveSettings::DefaultFormat()));
  std::vector<std::string> lines = EventLog().Lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_NE(lines[0].find("([Monitor] PlayTrace)"), std::string::npos) << lines[0];
  EXPECT_EQ(ReadWholeFile(dir.Ini()), "");
}

TEST(LiveSettings, ACpnThatIsNotAFormatIsKeptAndReported) {
  ProgramFolder dir;
  std::string junk(128, '\x7F');  // a compressed tag whose extra size claims 32639 bytes
  WriteWholeFile(dir / "FileCompression.cpn", junk);
  TSettingsFile ini;
  TLiveSettings live;
  EXPECT_THROW(live.Load(ini), EInOutError);
  EXPECT_TRUE(live.FormatOut.Equals(TLiveSettings::DefaultFormat()));
  EXPECT_EQ(ini.ReadString("File compression", "Bin", ""), PcmBin);
  EXPECT_TRUE(FileExists(dir / "FileCompression.cpn"));
  ASSERT_EQ(EventLog().Count(), 1);
  EXPECT_NE(EventLog().Lines()[0].find("FileCompression.cpn"), std::string::npos);
}

TEST(LiveSettings, BeforeAnyLoadTheDialogsDesignedValuesHold) {
  TLiveSettings live;
  EXPECT_EQ(live.TimeOut, 2);
  EXPECT_EQ(live.Player, "wmplayer.exe");
  EXPECT_TRUE(live.FormatOut.Equals(ImaAdpcm()));
  // Values are set directly, as the settings dialog (or a test) does, and read at once.
  live.PointsIndex = 0;
  live.BaudrateIndex = 2;
  live.FlowControlIndex = 1;
  EXPECT_EQ(live.Points(), 1200);
  EXPECT_EQ(live.Baudrate(), 128000);
  EXPECT_EQ(live.FlowControl(), "Software");
}

TEST(LiveSettings, AStoredFormatThatCannotBeRecordedWithIsSaidAndChosenAgain) {
  TdeWaveFormat pcm = TLiveSettings::DefaultFormat();
  struct Case { const char* fault; void (*damage)(TdeWaveFormat&); } cases[] = {
      {"it has 0 channels", [](TdeWaveFormat& f) { f.SetChannels(0); }},
      {"no codec knows it (format tag 4660)", [](TdeWaveFormat& f) { f.SetFormatTag(0x1234); }},
      {"its rate is 4000000000 Hz", [](TdeWaveFormat& f) { f.SetSamplesPerSec(4000000000u); }},
  };
  for (const Case& c : cases) {
    ProgramFolder dir;
    TdeWaveFormat bad = ImaAdpcm();
    c.damage(bad);
    {
      TSettingsFile ini;
      ini.WriteFormat("File compression", bad);
    }
    TSettingsFile ini;
    TLiveSettings live;
    live.Load(ini);
    EXPECT_TRUE(live.FormatOut.Equals(pcm)) << c.fault;
    EXPECT_EQ(ini.ReadString("File compression", "Bin", ""), Hex(pcm)) << c.fault;
    std::vector<std::string> lines = EventLog().Lines();
    EXPECT_EQ(lines, std::vector<std::string>{std::string("qdx.ini [File compression] Bin ") + c.fault +
                                              ": the recording format is chosen again"});
  }
}
