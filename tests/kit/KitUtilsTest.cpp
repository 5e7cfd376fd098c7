#include "KitIniCtrl.h"
#include "KitSysIn.h"
#include "KitUtils.h"
#include <gtest/gtest.h>
#include <windows.h>

TEST(KitUtils, BlankAndSlashes) {
  struct Case { const char* text; bool blank; const char* added; const char* removed; };
  const Case cases[] = {
      {"", true, "\\", ""},
      {"   ", true, "   \\", "   "},
      {"\t", false, "\t\\", "\t"},
      {"C:\\x", false, "C:\\x\\", "C:\\x"},
      {"C:\\x\\", false, "C:\\x\\", "C:\\x"},
      {"\\", false, "\\", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IsBlank(c.text), c.blank);
    EXPECT_EQ(SlashAdd(c.text), c.added);
    EXPECT_EQ(SlashRemove(c.text), c.removed);
  }
  EXPECT_EQ(KitSysIn::PrefixPath(ppFixed, true), "\\");
  EXPECT_EQ(KitSysIn::PrefixPath(ppFixed, false), "");
  EXPECT_EQ(KitSysIn::PrefixPath(ppProgram, true), KitSysIn::ProgramDir());
  EXPECT_EQ(KitSysIn::PrefixPath(ppWindows, false), KitSysIn::WindowsDir());
  EXPECT_EQ(KitSysIn::ProgramDir().back(), '\\');
}

TEST(KitUtils, EncryptionRoundTripsEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (uint16_t key : {uint16_t(0), uint16_t(50273), uint16_t(65535)}) {
    std::string enc = EncryptText(all, key);
    EXPECT_EQ(enc.size(), all.size());
    EXPECT_NE(enc, all);
    EXPECT_EQ(DecryptText(enc, key), all);
  }
  // The first byte is xored with the key's high byte.
  EXPECT_EQ(EncryptText("A", 0x4100), std::string(1, '\0'));
}

TEST(KitUtils, PackTextIsPrintableAndUnpacks) {
  std::string abc = PackText("abc");
  EXPECT_EQ(abc.substr(0, 2), "3:");
  EXPECT_EQ(abc.size(), 6u);
  EXPECT_EQ(UnpackText(abc), "abc");
  std::string four = PackText(std::string("\0\xff\x80z", 4));
  EXPECT_EQ(four.substr(0, 2), "4:");
  EXPECT_EQ(four.size(), 2u + 8u);
  for (char c : four.substr(2)) EXPECT_TRUE(c >= '0' && c <= 'o') << int(c);
  EXPECT_EQ(UnpackText(four), std::string("\0\xff\x80z", 4));
  EXPECT_EQ(PackText(""), "0:");
  EXPECT_EQ(UnpackText("0:"), "");
  // Broken input gives what it can, never a crash.
  EXPECT_EQ(UnpackText("no colon"), "");
  EXPECT_EQ(UnpackText("x:abcd"), "");
  EXPECT_EQ(UnpackText("3:" + abc.substr(2) + "12"), "abc");
  EXPECT_EQ(UnpackText("9:" + abc.substr(2)), "abc");
}

TEST(KitIniCtrl, WritersAndDefaults) {
  TKitIniCtrl ini(nullptr);
  EXPECT_FALSE(ini.AlphaCounter());
  EXPECT_TRUE(ini.Common);
  EXPECT_EQ(ini.IniPrefix, ppWindows);
  EXPECT_EQ(ini.MaxEntries(), 16);
  EXPECT_EQ(ini.RegRoot, rpCurrentUser);
  EXPECT_EQ(ini.Target(), itAuto);
  EXPECT_EQ(ini.EffectiveTarget(), itRegistry);
  EXPECT_EQ(ini.EncKey, 50273);
  EXPECT_EQ(ini.CryptMode, icmKey);

  ini.SetIniFile("settings");
  EXPECT_EQ(ini.IniFile(), "settings.INI");
  ini.SetIniFile("a.cfg");
  EXPECT_EQ(ini.IniFile(), "a.cfg");
  ini.SetIniFile("dir.x\\plain");
  EXPECT_EQ(ini.IniFile(), "dir.x\\plain.INI");

  ini.SetMaxEntries(40);
  ini.SetAlphaCounter(true);
  EXPECT_EQ(ini.MaxEntries(), 26);
  ini.SetMaxEntries(30);
  EXPECT_EQ(ini.MaxEntries(), 26);
  ini.SetMaxEntries(5);
  EXPECT_EQ(ini.MaxEntries(), 5);

  ini.SetTarget(itIniFile);
  EXPECT_EQ(ini.EffectiveTarget(), itIniFile);
  ini.SetTarget(itAuto);
  EXPECT_EQ(ini.EffectiveTarget(), itRegistry);

  ini.SetNetUser(true);
  EXPECT_EQ(ini.User, KitSysIn::GetLogonUserName());
  EXPECT_FALSE(ini.User.empty());
  char name[64];
  if (DWORD n = GetEnvironmentVariableA("USERNAME", name, sizeof name); n && n < sizeof name) {
    EXPECT_EQ(ini.User, std::string(name, n));
  }
}

TEST(KitIniCtrl, EncodingModesRoundTrip) {
  TKitIniCtrl ini(nullptr);
  const std::string text("C:\\wav\\call \x01\xfe", 14);
  for (TKitIniCryptMode mode : {icmKey, icmTextKey}) {
    ini.CryptMode = mode;
    std::string enc, dec;
    ini.EncodeString(text, enc);
    ini.DecodeString(enc, dec);
    EXPECT_EQ(dec, text);
    if (mode == icmTextKey) {
      EXPECT_EQ(enc, PackText(EncryptText(text, ini.EncKey)));
    }
  }
  ini.CryptMode = icmCustom;
  std::string out;
  ini.EncodeString("same", out);
  EXPECT_EQ(out, "same");  // no handler: unchanged
  ini.OnEncodeString = [](TComponent*, std::string& s) { s = "<" + s + ">"; };
  ini.OnDecodeString = [](TComponent*, std::string& s) { s = s.substr(1, s.size() - 2); };
  ini.EncodeString("v", out);
  EXPECT_EQ(out, "<v>");
  ini.DecodeString(out, out);
  EXPECT_EQ(out, "v");
}
