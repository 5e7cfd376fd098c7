#include "Exception.h"
#include "KitSysLog.h"
#include "KitSysModem.h"
#include "StringList.h"
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

const std::string ClassKey = std::string(KitModemClassKey).substr(1);  // without the leading "\"

// One registry value as a test writes it: any type, any bytes.
struct TValue {
  std::string name;
  DWORD type;
  std::string data;
};
TValue Sz(const std::string& name, const std::string& text) { return {name, REG_SZ, text + '\0'}; }
TValue Dword(const std::string& name, DWORD value) {
  return {name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value)};
}

// Modem entries under the modem class key of the test prefix, removed again afterwards (the
// class key too when the test made it).
class ModemRegistry : public ::testing::Test {
protected:
  void SetUp() override {
    HKEY key = nullptr;
    madeClassKey_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ClassKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS;
    if (key) {
      DWORD subkeys = 0;
      RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr);
      RegCloseKey(key);
      ASSERT_EQ(subkeys, 0u) << "the prefix already lists modems";
    }
  }

  void TearDown() override {
    for (const std::string& name : made_) RegDeleteKeyA(HKEY_LOCAL_MACHINE, (ClassKey + "\\" + name).c_str());
    if (madeClassKey_) RegDeleteKeyA(HKEY_LOCAL_MACHINE, ClassKey.c_str());
  }

  void AddModem(const std::string& subkey, const std::vector<TValue>& values) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (ClassKey + "\\" + subkey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    made_.push_back(subkey);
    for (const TValue& v : values)
      EXPECT_EQ(RegSetValueExA(key, v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                               static_cast<DWORD>(v.data.size())),
                ERROR_SUCCESS);
    RegCloseKey(key);
  }

  void MakeEmptyClassKey() {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, ClassKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  static std::string ReadUserInit(const std::string& subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (ClassKey + "\\" + subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return "<no key>";
    char buf[256] = {};
    DWORD size = sizeof buf - 1, type = 0;
    LONG rc = RegQueryValueExA(key, "UserInit", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string(buf) : "<none>";
  }

  const TKitModemItem* Find(const TKitModemInfo& modems, const std::string& key) {
    for (int i = 0; i < modems.Count(); ++i)
      if (modems.Items(i)->Key() == key) return modems.Items(i);
    ADD_FAILURE() << "no item for " << key;
    return nullptr;
  }

  bool madeClassKey_ = false;
  std::vector<std::string> made_;
};

using Progress = std::tuple<std::string, int, int>;

}  // namespace

TEST_F(ModemRegistry, NoClassKeyOrNoModemsGivesAnEmptyList) {
  TKitSysModem modem(nullptr);
  if (madeClassKey_) {
    EXPECT_NO_THROW(modem.Refresh());
    EXPECT_EQ(modem.Modems().Count(), 0);
  }
  MakeEmptyClassKey();
  EXPECT_NO_THROW(modem.Refresh());
  EXPECT_EQ(modem.Modems().Count(), 0);
  EXPECT_TRUE(KitSystemModems(modem.Modems()).empty());
}

TEST_F(ModemRegistry, ReadsEveryEntryAndTreatsWrongTypesAsMissing) {
  AddModem("0000", {Sz("FriendlyName", "VSIM 56K Voice"), Sz("AttachedTo", "COM3"), Sz("UserInit", "ATX"),
                    Dword("MaximumPortSpeed", 115200)});
  AddModem("0001", {Sz("FriendlyName", "No speed"), Sz("AttachedTo", "COM16")});
  AddModem("Other", {});
  AddModem("0002", {{"FriendlyName", REG_DWORD, std::string(4, '\1')},
                    {"AttachedTo", REG_BINARY, "COM4"},
                    {"UserInit", REG_MULTI_SZ, std::string("AT\0\0", 4)},
                    Sz("MaximumPortSpeed", "57600")});
  AddModem("0003", {{"FriendlyName", REG_EXPAND_SZ, std::string("Expand %X%\0", 11)},
                    {"AttachedTo", REG_SZ, "COM5"},  // stored without its terminating zero
                    {"MaximumPortSpeed", REG_DWORD, std::string("\1\2", 2)}});
  AddModem("0004", {Sz("FriendlyName", "Unattached"), Dword("MaximumPortSpeed", 0xFFFFFFFF)});

  TKitSysModem modem(nullptr);
  ASSERT_NO_THROW(modem.Refresh());
  const TKitModemInfo& modems = modem.Modems();
  ASSERT_EQ(modems.Count(), 6);

  struct Expect {
    const char* key;
    const char* name;
    const char* attachedTo;
    const char* userInit;
    int speed;
  };
  for (const Expect& e : std::vector<Expect>{{"0000", "VSIM 56K Voice", "COM3", "ATX", 115200},
                                            {"0001", "No speed", "COM16", "", 0},
                                            {"Other", "", "", "", 0},
                                            {"0002", "", "", "", 0},
                                            {"0003", "Expand %X%", "COM5", "", 0},
                                            {"0004", "Unattached", "", "", -1}}) {
    const TKitModemItem* item = Find(modems, e.key);
    if (!item) continue;
    SCOPED_TRACE(e.key);
    EXPECT_EQ(item->Name(), e.name);
    EXPECT_EQ(item->AttachedTo(), e.attachedTo);
    EXPECT_EQ(item->UserInit(), e.userInit);
    EXPECT_EQ(item->PortSpeed(), e.speed);
    ASSERT_EQ(item->GetPropertyCount(), 4);
    EXPECT_EQ(item->GetPropertyValue(0), e.name);
    EXPECT_EQ(item->GetPropertyValue(1), e.attachedTo);
    EXPECT_EQ(item->GetPropertyValue(2), e.userInit);
    EXPECT_EQ(item->GetPropertyValue(3), std::to_string(e.speed));
    EXPECT_TRUE(item->GetPropertyHasValue(3));
    EXPECT_EQ(item->GetPropertyCaption(3), "PortSpeed");
    EXPECT_EQ(item->GetPropertyDescription(3), "");
    EXPECT_EQ(item->GetCaption(), "Modem");
    EXPECT_EQ(item->GetKindIndex(), 52);
  }
  EXPECT_EQ(modems.GetCaption(), "Modems");
  EXPECT_EQ(modems.GetKindIndex(), 51);
  EXPECT_EQ(modem.GetObject(0), &modem.Modems());
}

TEST_F(ModemRegistry, SearchTakesSixteenModemsAndOnlyExactComPortNames) {
  struct Case {
    const char* attachedTo;  // nullptr: no AttachedTo value
    int port;
  };
  const std::vector<Case> cases = {{"COM1", 1},   {"COM16", 16}, {"COM17", 0}, {"COM", 0},  {"COM0", 0},
                                   {"COM03", 0},  {"com3", 0},   {" COM3", 0}, {"COM3 ", 0}, {"COM3x", 0},
                                   {"COM-1", 0},  {"LPT1", 0},   {"", 0},      {nullptr, 0}, {"COM8", 8},
                                   {"COM9", 9},   {"COM2", 2}};
  ASSERT_GT(cases.size(), size_t(KitMaxSystemModems));
  for (size_t i = 0; i < cases.size(); ++i) {
    std::vector<TValue> values = {Sz("FriendlyName", "Modem " + std::to_string(i))};
    if (cases[i].attachedTo) values.push_back(Sz("AttachedTo", cases[i].attachedTo));
    char key[8];
    snprintf(key, sizeof key, "%04u", static_cast<unsigned>(i));
    AddModem(key, values);
  }
  for (const Case& c : cases) EXPECT_EQ(KitModemPortNumber(c.attachedTo ? c.attachedTo : ""), c.port) << c.attachedTo;

  TKitSysModem modem(nullptr);
  modem.Refresh();
  const TKitModemInfo& modems = modem.Modems();
  ASSERT_EQ(modems.Count(), static_cast<int>(cases.size()));  // the list itself holds them all
  std::vector<TKitSystemModem> taken = KitSystemModems(modems);
  ASSERT_EQ(taken.size(), size_t(KitMaxSystemModems));
  for (int i = 0; i < KitMaxSystemModems; ++i) {
    const TKitModemItem& item = *modems.Items(i);
    EXPECT_EQ(taken[i].Name, item.Name());
    EXPECT_EQ(taken[i].AttachedTo, item.AttachedTo());
    EXPECT_EQ(taken[i].Port, KitModemPortNumber(item.AttachedTo()));
  }
}

TEST_F(ModemRegistry, ProgressAndDisplaySelection) {
  AddModem("0000", {Sz("FriendlyName", "A"), Sz("AttachedTo", "COM1")});
  AddModem("0001", {Sz("FriendlyName", "B")});
  AddModem("0002", {Sz("FriendlyName", "C")});

  TComponent form(nullptr);
  auto* modem = new TKitSysModem(&form);
  std::vector<Progress> progress;
  modem->OnProgress = [&](TComponent* sender, const std::string& caption, int max, int position) {
    EXPECT_EQ(sender, modem);
    progress.emplace_back(caption, max, position);
  };

  // Streamed with AutoRetrieve: read once the form has loaded, not before.
  form.BeginLoading();
  modem->AutoRetrieve = true;
  modem->SetDisplayInfo({mopidName});
  EXPECT_EQ(modem->Modems().Count(), 0);
  form.EndLoading();
  ASSERT_EQ(modem->Modems().Count(), 3);
  EXPECT_TRUE(modem->GetRetrieved());
  EXPECT_EQ(progress, (std::vector<Progress>{
                          {"Modems", 100, 0}, {"Modems", 100, 0}, {"Modems", 100, 33}, {"Modems", 100, 67},
                          {"", 100, 0}}));
  for (int i = 0; i < 3; ++i) {
    const TKitModemItem& item = *modem->Modems().Items(i);
    ASSERT_EQ(item.GetPropertyCount(), 1);
    EXPECT_EQ(item.Descriptors().Item(0)->ID, 0);
    EXPECT_EQ(item.GetPropertyCaption(0), "Name");
    EXPECT_EQ(item.GetPropertyValue(0), item.Name());
  }

  // A change at run time reads the whole list again at once; the same set does nothing.
  progress.clear();
  modem->SetDisplayInfo({mopidName});
  EXPECT_TRUE(progress.empty());
  modem->SetDisplayInfo({mopidAttachedTo, mopidPortSpeed});
  EXPECT_EQ(progress.size(), 5u);
  const TKitModemItem* first = Find(modem->Modems(), "0000");
  ASSERT_TRUE(first);
  ASSERT_EQ(first->GetPropertyCount(), 2);
  EXPECT_EQ(first->GetPropertyCaption(0), "AttachedTo");
  EXPECT_EQ(first->GetPropertyValue(0), "COM1");
  EXPECT_EQ(first->GetPropertyCaption(1), "PortSpeed");
  EXPECT_EQ(first->GetPropertyValue(1), "0");

  // A collection of no owner describes all four; of another owner none.
  TKitModemInfo loose(nullptr);
  loose.Retrieve();
  ASSERT_EQ(loose.Count(), 3);
  EXPECT_EQ(loose.Items(0)->GetPropertyCount(), 4);
  TComponent other(nullptr);
  TKitModemInfo foreign(&other);
  foreign.Retrieve();
  ASSERT_EQ(foreign.Count(), 3);
  EXPECT_EQ(foreign.Items(0)->GetPropertyCount(), 0);

  // The Modems writer copies the items.
  modem->SetModems(loose);
  ASSERT_EQ(modem->Modems().Count(), 3);
  EXPECT_EQ(modem->Modems().Items(1)->Name(), loose.Items(1)->Name());
  EXPECT_EQ(modem->Modems().Items(1)->GetPropertyCount(), 2);
}

TEST_F(ModemRegistry, ListsItemsAsText) {
  AddModem("0000", {Sz("FriendlyName", "VSIM 56K Voice"), Sz("AttachedTo", "COM3"), Sz("UserInit", "ATX"),
                    Dword("MaximumPortSpeed", 115200)});
  AddModem("0001", {Sz("FriendlyName", "Second")});
  TKitSysModem modem(nullptr);
  modem.Refresh();
  ASSERT_EQ(modem.Modems().Count(), 2);
  int first = modem.Modems().Items(0)->Key() == "0000" ? 0 : 1;
  TStringList text;
  modem.Modems().GetPropertiesText(text);
  ASSERT_EQ(text.Count(), 8);
  std::string p = "Item[" + std::to_string(first) + "].";
  EXPECT_EQ(text.IndexOf(p + "Name = VSIM 56K Voice"), first * 4);
  EXPECT_EQ(text[first * 4 + 1], p + "AttachedTo = COM3");
  EXPECT_EQ(text[first * 4 + 2], p + "UserInit = ATX");
  EXPECT_EQ(text[first * 4 + 3], p + "PortSpeed = 115200");
  std::string q = "Item[" + std::to_string(1 - first) + "].";
  EXPECT_EQ(text[(1 - first) * 4], q + "Name = Second");

  TStringList typed;
  modem.Modems().GetPropertiesTextWithTypes(typed);
  EXPECT_EQ(typed[first * 4 + 3], p + "PortSpeed: Integer = 115200");
}

TEST_F(ModemRegistry, UserInitChangesAreWrittenBackAndLogged) {
  AddModem("0000", {Sz("FriendlyName", "A"), Sz("UserInit", "ATX")});
  AddModem("0001", {Sz("FriendlyName", "B"), Sz("UserInit", "AT&F")});
  TComponent form(nullptr);
  auto* modem = new TKitSysModem(&form);
  auto* log = new TKitSysLog(&form);
  TStringList lines;
  log->Strings = &lines;
  modem->SetSysLog(log);
  modem->Refresh();
  TKitModemInfo& modems = modem->Modems();
  ASSERT_EQ(modems.Count(), 2);
  TKitModemItem& a = modems.Items(0)->Key() == "0000" ? *modems.Items(0) : *modems.Items(1);
  TKitModemItem& b = &a == modems.Items(0) ? *modems.Items(1) : *modems.Items(0);

  // The same text, and a change set back, leave nothing to write.
  a.SetUserInit("ATX");
  EXPECT_EQ(modems.Changes().Count(), 0);
  a.SetUserInit("atx");  // case counts
  EXPECT_EQ(modems.Changes().Count(), 1);
  a.SetUserInit("ATX");
  EXPECT_EQ(modems.Changes().Count(), 0);
  modems.ApplyAll();
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_EQ(ReadUserInit("0000"), "ATX");

  // Two modems' changes are kept apart and both written.
  a.SetUserInit("ATM0");
  a.SetUserInit("ATM1");
  b.SetUserInit("ATL0");
  EXPECT_EQ(modems.Changes().Count(), 2);
  modems.ApplyAll();
  EXPECT_EQ(modems.Changes().Count(), 0);
  EXPECT_EQ(ReadUserInit("0000"), "ATM1");
  EXPECT_EQ(ReadUserInit("0001"), "ATL0");
  ASSERT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines[0].rfind(a.Index() == 0 ? "Modem:UserInit:ATX - ATM1 " : "Modem:UserInit:AT&F - ATL0 ", 0), 0u)
      << lines[0];

  // A modem whose key has gone: nothing is written, nothing reported, the change stays.
  b.SetUserInit("ATL3");
  ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, (ClassKey + "\\0001").c_str()), ERROR_SUCCESS);
  EXPECT_NO_THROW(b.Apply());
  EXPECT_EQ(ReadUserInit("0001"), "<no key>");
  EXPECT_EQ(modems.Changes().Count(), 1);
  EXPECT_EQ(lines.Count(), 2);
}
