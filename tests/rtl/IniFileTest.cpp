#include "Exception.h"
#include "FileUtils.h"
#include "IniFile.h"
#include "Stream.h"
#include "StringList.h"
#include "TempDir.h"
#include <gtest/gtest.h>

namespace {
std::string Join(const TStringList& l) {
  std::string r;
  for (int i = 0; i < l.Count(); ++i) r += (i ? "|" : "") + l[i];
  return r;
}
}

TEST(IniFile, WritesEveryTypeStraightToTheFile) {
  TempDir dir;
  TIniFile ini(dir / "qdx.ini");
  ini.WriteBool("Monitor", "PlayTrace", true);
  ini.WriteInteger("Monitor", "TraceColor", 65280);
  ini.WriteString("Params", "Player", "wmPlayer.exe");
  ini.WriteBool("Params", "StartUp", false);
  ini.WriteInteger("params", "MainTop", -4);
  ini.WriteString("Modem", "ForCallerId", "none");
  EXPECT_EQ(ReadWholeFile(dir / "qdx.ini"),
            "[Monitor]\r\nPlayTrace=1\r\nTraceColor=65280\r\n"
            "[Params]\r\nPlayer=wmPlayer.exe\r\nStartUp=0\r\nMainTop=-4\r\n"
            "[Modem]\r\nForCallerId=none\r\n");
  EXPECT_EQ(ini.ReadInteger("PARAMS", "maintop", 0), -4);
  EXPECT_TRUE(ini.ReadBool("monitor", "playtrace", false));
  EXPECT_FALSE(ini.ReadBool("Params", "StartUp", true));
  EXPECT_EQ(ini.ReadString("modem", "FORCALLERID", ""), "none");
}

TEST(IniFile, DefaultsForMissingOrMistypedValues) {
  TempDir dir;
  TIniFile missing(dir / "none.ini");
  EXPECT_EQ(missing.ReadString("Params", "Player", "wmPlayer.exe"), "wmPlayer.exe");
  EXPECT_EQ(missing.ReadInteger("Params", "DiscTime", 10), 10);
  EXPECT_TRUE(missing.ReadBool("Params", "AutoRecord", true));
  EXPECT_FALSE(missing.SectionExists("Modem"));
  EXPECT_FALSE(FileExists(dir / "none.ini"));  // reading makes no file

  WriteWholeFile(dir / "t.ini",
                 "[Params]\r\nPoints=abc\r\nAutoRecord=True\r\nDiscTime=\r\nHex=$1F\r\nHex2=0x10\r\n"
                 "Blanks=  12  \r\nQuoted=\"a b\"\r\nEmpty=\r\nBig=99999999999\r\nNeg=-3\r\n");
  TIniFile ini(dir / "t.ini");
  EXPECT_EQ(ini.ReadInteger("Params", "Points", 3), 3);
  EXPECT_TRUE(ini.ReadBool("Params", "AutoRecord", true));
  EXPECT_FALSE(ini.ReadBool("Params", "AutoRecord", false));
  EXPECT_EQ(ini.ReadInteger("Params", "DiscTime", 10), 10);
  EXPECT_EQ(ini.ReadInteger("Params", "Hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("Params", "Hex2", 0), 16);
  EXPECT_EQ(ini.ReadInteger("Params", "Blanks", 0), 12);
  EXPECT_EQ(ini.ReadInteger("Params", "Big", 7), 7);
  EXPECT_TRUE(ini.ReadBool("Params", "Neg", false));
  EXPECT_EQ(ini.ReadString("Params", "Blanks", ""), "12");
  EXPECT_EQ(ini.ReadString("Params", "Quoted", ""), "a b");
  EXPECT_EQ(ini.ReadString("Params", "Empty", "default"), "");  // there, but empty
  EXPECT_EQ(ini.ReadString("Params", "Missing", "  No modem  "), "  No modem  ");
}

TEST(IniFile, BinaryValuesAreUpperCaseHex) {
  TempDir dir;
  TIniFile ini(dir / "b.ini");
  TMemoryStream format;
  for (int i = 0; i < 128; ++i) {
    unsigned char b = static_cast<unsigned char>(i * 2 + 1);
    format.WriteBuffer(&b, 1);
  }
  format.SetPosition(0);
  ini.WriteBinaryStream("File compression", "Bin", format);
  std::string text = ini.ReadString("file COMPRESSION", "bin", "");
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(text.substr(0, 8), "01030507");
  EXPECT_EQ(text.substr(248), "F9FBFDFF");
  EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);

  TMemoryStream back;
  back.WriteBuffer("xy", 2);
  EXPECT_EQ(ini.ReadBinaryStream("File compression", "Bin", back), 128);
  EXPECT_EQ(back.Position(), 2);  // at the start of what was read
  EXPECT_EQ(back.Size(), 130);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back.Memory()) + 2, 128),
            std::string(reinterpret_cast<char*>(format.Memory()), 128));

  // Written from the position to the end; lower case is read too.
  format.SetPosition(126);
  ini.WriteBinaryStream("x", "tail", format);
  EXPECT_EQ(ini.ReadString("x", "tail", ""), "FDFF");
  ini.WriteString("x", "lower", "0aff");
  TMemoryStream m;
  EXPECT_EQ(ini.ReadBinaryStream("x", "lower", m), 2);
  EXPECT_EQ(m.Memory()[0], 0x0A);
  EXPECT_EQ(m.Memory()[1], 0xFF);

  for (const char* bad : {"ABC", "GG", "12 34", "0x12"}) {
    ini.WriteString("x", "bad", bad);
    TMemoryStream untouched;
    EXPECT_EQ(ini.ReadBinaryStream("x", "bad", untouched), 0) << bad;
    EXPECT_EQ(untouched.Size(), 0) << bad;
  }
  TMemoryStream none;
  EXPECT_EQ(ini.ReadBinaryStream("x", "missing", none), 0);
  TMemoryStream empty;
  ini.WriteBinaryStream("x", "empty", empty);
  EXPECT_TRUE(ini.ValueExists("x", "empty"));
  EXPECT_EQ(ini.ReadBinaryStream("x", "empty", none), 0);
}

TEST(IniFile, SectionsKeysAndErasing) {
  TempDir dir;
  TIniFile ini(dir / "s.ini");
  ini.WriteString("Tree", "Node0", "General");
  ini.WriteString("Tree", "Node1", "#Child");
  ini.WriteString("Tree", "Node2", "##Grandchild");
  ini.WriteBool("Expanded", "Node0", true);
  ini.WriteString("Modem compressions", "0", "SIGNED PCM,1,8");

  TStringList l;
  ini.ReadSection("tree", l);
  EXPECT_EQ(Join(l), "Node0|Node1|Node2");
  ini.ReadSections(l);
  EXPECT_EQ(Join(l), "Tree|Expanded|Modem compressions");
  ini.ReadSectionValues("Tree", l);
  EXPECT_EQ(Join(l), "Node0=General|Node1=#Child|Node2=##Grandchild");
  EXPECT_TRUE(ini.SectionExists("EXPANDED"));
  EXPECT_TRUE(ini.ValueExists("Tree", "node2"));
  EXPECT_FALSE(ini.ValueExists("Tree", "Node3"));

  ini.DeleteKey("Tree", "Node1");
  ini.DeleteKey("Tree", "NoSuchKey");
  ini.EraseSection("modem COMPRESSIONS");
  ini.EraseSection("No such section");
  ini.UpdateFile();
  EXPECT_FALSE(ini.SectionExists("Modem compressions"));
  EXPECT_EQ(ReadWholeFile(dir / "s.ini"), "[Tree]\r\nNode0=General\r\nNode2=##Grandchild\r\n[Expanded]\r\nNode0=1\r\n");
}

TEST(IniFile, AValueCannotAddLines) {
  TempDir dir;
  TIniFile ini(dir / "v.ini");
  ini.WriteString("Modem", "Model", "VSIM\r\n[Params]\r\nAutoRecord=0");
  TStringList l;
  ini.ReadSections(l);
  EXPECT_EQ(Join(l), "Modem");
  EXPECT_EQ(ini.ReadString("Modem", "Model", ""), "VSIM  [Params]  AutoRecord=0");
}

TEST(IniFile, ARefusedWriteRaises) {
  TempDir dir;
  TIniFile ini(dir / "no\\such\\folder\\x.ini");
  try {
    ini.WriteString("Params", "Timeout", "4");
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message, "Unable to write to " + (dir / "no\\such\\folder\\x.ini"));
  }
  EXPECT_THROW(ini.WriteInteger("Params", "Timeout", 4), EInOutError);
  EXPECT_THROW(ini.WriteBool("Params", "AutoRecord", true), EInOutError);
  TMemoryStream m;
  m.WriteBuffer("\x01", 1);
  m.SetPosition(0);
  EXPECT_THROW(ini.WriteBinaryStream("x", "Bin", m), EInOutError);
  EXPECT_EQ(ini.ReadInteger("Params", "Timeout", 4), 4);
}

TEST(IniFile, ARelativeNameIsTakenFromTheCurrentFolder) {
  TempDir dir;
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  SetCurrentDirectoryA(dir.Path().c_str());
  TIniFile ini("Tree.ini");
  SetCurrentDirectoryA(saved);
  EXPECT_EQ(ini.FileName(), dir / "Tree.ini");
  ini.WriteString("Tree", "Node0", "General");
  EXPECT_TRUE(FileExists(dir / "Tree.ini"));
}
