#include "KitSysBaseComponent.h"
#include "KitSysChangeList.h"
#include "KitSysCollection.h"
#include "KitSysLog.h"
#include "KitSysObject.h"
#include "ListBox.h"
#include "Memo.h"
#include "StringList.h"
#include "SysUtils.h"
#include <gtest/gtest.h>
#include <memory>
#include <tuple>
#include <vector>

namespace {

class TSubInfo : public TKitSysPersistent {
public:
  std::string ClassName() const override { return "TSubInfo"; }
  void GetProperties(TKitSysProperties& p) const override { p.AddInteger("Depth", 2); }
};

// A kind of information with every sort of published property.
class TTestInfo : public TKitSysObject {
public:
  TTestInfo() { BuildDescriptors(); }

  std::string ClassName() const override { return "TTestInfo"; }
  void GetProperties(TKitSysProperties& p) const override {
    p.AddInteger("Count", Count);
    p.AddString("Title", Title);
    p.AddEnum("Mode", "TTestMode", "tmFast");
    p.AddBoolean("Enabled", true);
    p.AddFloat("Ratio", 1.5);
    p.AddSet("DisplayInfo", "TTestDisplayInfos", DisplayInfo, {"tidCount", "tidTitle"});
    p.AddSet("Flags", "TTestFlags", Flags, {"tfA", "tfB", "tfC"});
    p.AddStrings("Lines", &Lines);
    p.AddObject("Sub", "TSubInfo", &Sub);
    p.AddObject("Missing", "TSubInfo", nullptr);
    p.AddUnknown("OnChange", "TNotifyEvent");
  }
  void BuildDescriptors() override { BuildDescriptorsFrom(Texts, DisplayInfo); }
  void ReadInfo() override {
    TKitSysObject::ReadInfo();
    ++Reads;
  }
  void Retrieve() override {
    RetrieveValues("Test", DisplayInfo, [this](int id) { return id == 0 ? IntToStr(Count) : Title; });
  }
  void Apply() override {}

  int Count = 7;
  std::string Title = "a b";
  TKitSysIdSet DisplayInfo{0, 1};
  TKitSysIdSet Flags;
  TStringList Lines;
  TSubInfo Sub;
  int Reads = 0;
  using TKitSysObject::CloseRegistryKey;
  using TKitSysObject::FreeRegistry;
  using TKitSysObject::MakeRegistry;
  using TKitSysObject::OpenRegistryKey;
  using TKitSysObject::Registry;
  using TKitSysObject::SetRegistryRoot;
  const std::vector<TKitSysPropertyText> Texts = {{"Count", "How many"}, {"Title", ""}};
};

class TTestComponent : public TKitSysBaseComponent {
public:
  explicit TTestComponent(TComponent* owner) : TKitSysBaseComponent(owner) {
    Attach(std::make_unique<TTestInfo>());
  }
  TTestInfo& Info() { return static_cast<TTestInfo&>(*InfoObject()); }
};

std::vector<std::string> Lines(const TStringList& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list[i]);
  return lines;
}

using Progress = std::tuple<std::string, int, int>;

}  // namespace

TEST(KitSysObject, ListsPublishedPropertiesByKind) {
  TTestInfo info;
  info.Lines.Add("one");
  info.Lines.Add("two words");
  info.Flags = {0, 2};
  TStringList text;
  info.GetPropertiesText(text);
  EXPECT_EQ(Lines(text), (std::vector<std::string>{
                             "Count = 7", "Title = a b", "Mode = tmFast", "Enabled = True", "Ratio = 1.5",
                             "Flags = [tfA,tfC]", "Lines = one,\"two words\"", "Sub.Depth = 2",
                             "OnChange = UNKNOWN"}));

  TStringList typed;
  info.Flags = {};
  info.GetPropertiesTextWithTypes(typed);
  EXPECT_EQ(typed[0], "Count: Integer = 7");
  EXPECT_EQ(typed[5], "Flags: TTestFlags = []");
  EXPECT_EQ(typed[7], "Sub.Depth: Integer = 2");
}

TEST(KitSysObject, EmptyDisplayInfoHasNoDescriptorsButStillLists) {
  TTestInfo info;
  info.DisplayInfo = {};
  info.BuildDescriptors();
  EXPECT_EQ(info.GetPropertyCount(), 0);
  TStringList text;
  info.GetPropertiesText(text);
  EXPECT_EQ(text.Count(), 9);
  EXPECT_EQ(text.IndexOf("Count = 7"), 0);
  for (int i = 0; i < text.Count(); ++i) EXPECT_NE(text[i].rfind("DisplayInfo", 0), 0u) << text[i];
}

TEST(KitSysObject, DescriptorsFollowTheSelectionAndItsBounds) {
  TTestInfo info;
  info.DisplayInfo = {1};
  info.BuildDescriptors();
  ASSERT_EQ(info.GetPropertyCount(), 1);
  EXPECT_EQ(info.GetPropertyCaption(0), "Title");
  EXPECT_FALSE(info.GetPropertyHasValue(0));
  info.Retrieve();
  EXPECT_TRUE(info.GetPropertyHasValue(0));
  EXPECT_EQ(info.GetPropertyValue(0), "a b");
  for (int index : {-1, 1, 100}) {
    EXPECT_FALSE(info.GetPropertyHasValue(index));
    EXPECT_EQ(info.GetPropertyValue(index), "");
    EXPECT_EQ(info.GetPropertyCaption(index), "");
    EXPECT_EQ(info.GetPropertyDescription(index), "");
  }
  EXPECT_EQ(info.DefaultFileName(), "TTestInfo.lsi");
  EXPECT_EQ(TKitSysObject::BoolToText(true), "true");
  EXPECT_EQ(TKitSysObject::BoolToText(false), "false");
}

TEST(KitSysObject, RegistryIsMadeOnDemand) {
  TTestInfo info;
  EXPECT_FALSE(info.OpenRegistryKey("Software"));
  TKitSysRegistry& registry = info.MakeRegistry(true);
  EXPECT_EQ(&info.MakeRegistry(false), &registry);
  info.SetRegistryRoot(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(info.OpenRegistryKey("\\Software\\Wine"));
  EXPECT_TRUE(info.Registry()->KeyOpen());
  EXPECT_FALSE(info.OpenRegistryKey("Software\\No Such Key Of Ours"));
  EXPECT_FALSE(info.Registry()->KeyOpen());
  info.CloseRegistryKey();
  info.FreeRegistry();
  EXPECT_EQ(info.Registry(), nullptr);
}

TEST(KitSysComponent, ReadsOnceRefreshesAndReportsProgress) {
  TTestComponent component(nullptr);
  TTestInfo& info = component.Info();
  EXPECT_EQ(info.Reads, 1);
  EXPECT_EQ(info.Owner(), &component);
  EXPECT_EQ(component.GetObject(5), &info);
  EXPECT_EQ(component.GetCaption(), "System Information Center");

  std::vector<std::string> events;
  std::vector<Progress> progress;
  component.OnRefresh = [&](TComponent*) { events.push_back(component.GetRetrieved() ? "refresh!" : "refresh"); };
  component.OnAfterRefresh = [&](TComponent*) { events.push_back(component.GetRetrieved() ? "after" : "after?"); };
  component.OnProgress = [&](TComponent* sender, const std::string& caption, int max, int position) {
    EXPECT_EQ(sender, &component);
    progress.emplace_back(caption, max, position);
  };
  component.Refresh();
  component.Refresh();
  EXPECT_EQ(info.Reads, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"refresh", "after", "refresh!", "after"}));
  ASSERT_EQ(progress.size(), 6u);
  EXPECT_EQ(progress[0], Progress("Test", 100, 0));
  EXPECT_EQ(progress[1], Progress("Test", 100, 100));
  EXPECT_EQ(progress[2], Progress("", 100, 0));
  ASSERT_EQ(info.GetPropertyCount(), 2);
  EXPECT_EQ(info.GetPropertyDescription(0), "How many");
  EXPECT_EQ(info.GetPropertyValue(0), "7");
}

TEST(KitSysComponent, AutoRetrieveRefreshesOnceLoaded) {
  TComponent form(nullptr);
  auto* component = new TTestComponent(&form);
  form.BeginLoading();
  component->AutoRetrieve = true;
  EXPECT_FALSE(component->GetRetrieved());
  form.EndLoading();
  EXPECT_TRUE(component->GetRetrieved());
  EXPECT_TRUE(component->Info().GetPropertyHasValue(1));

  auto* plain = new TTestComponent(&form);
  plain->BeginLoading();
  plain->EndLoading();
  EXPECT_FALSE(plain->GetRetrieved());
}

TEST(KitSysChangeList, KeepsOneEntryPerPropertyUntilSetBackOrCommitted) {
  TKitSysChangeList changes;
  changes.AddChange("Modem:UserInit", "A", "B");
  changes.AddChange("Modem:UserInit", "B", "B");
  ASSERT_EQ(changes.Count(), 1);
  changes.AddChange("Modem:UserInit", "B", "C");
  ASSERT_EQ(changes.Count(), 1);
  EXPECT_EQ(changes[0].OldValue, "A");
  EXPECT_EQ(changes[0].NewValue, "C");
  changes.AddChange("Modem:UserInit", "C", "A");
  EXPECT_EQ(changes.Count(), 0);
  EXPECT_FALSE(changes.HasChange("Modem:UserInit"));

  changes.AddChange("Display:Wallpaper:Tile", "0", "1");
  changes.AddChange("Item:[0]", "x", "y", 0);
  changes.AddChange("Item:[0]", "p", "q", 1);  // another item's change of the same text
  EXPECT_EQ(changes.Count(), 3);
  EXPECT_TRUE(changes.HasChange("Item:[0]", 1));
  EXPECT_FALSE(changes.HasChange("Item:[0]"));

  changes.CommitChange("Display:Wallpaper:Tile");  // no handler: dropped without a report
  EXPECT_FALSE(changes.HasChange("Display:Wallpaper:Tile"));

  std::vector<std::string> reported;
  TDateTime before = Now();
  changes.LogHandler = [&](const std::string& d, const std::string& o, const std::string& n, TDateTime t) {
    reported.push_back(d + "|" + o + "|" + n);
    EXPECT_GE(t, before - 1.0 / 86400);
    EXPECT_LE(t, Now() + 1.0 / 86400);
  };
  changes.CommitChange("Nothing");
  changes.CommitChange("Item:[0]", 1);
  EXPECT_EQ(reported, (std::vector<std::string>{"Item:[0]|p|q"}));
  EXPECT_EQ(changes.Count(), 1);
}

TEST(KitSysLog, WritesOneLineToEveryTargetAndLetsDestroyedControlsGo) {
  TComponent form(nullptr);
  auto* log = new TKitSysLog(&form);
  auto* memo = new TMemo(&form);
  auto* listBox = new TListBox(&form);
  TStringList strings;
  log->SetMemo(memo);
  log->SetListBox(listBox);
  log->Strings = &strings;
  std::vector<std::string> fired;
  log->OnLog = [&](TComponent* sender, const std::string& d, const std::string& o, const std::string& n, TDateTime) {
    EXPECT_EQ(sender, log);
    fired.push_back(d + o + n);
  };
  TDateTime when = EncodeDate(2026, 3, 4) + EncodeTime(5, 6, 7, 0);
  const TFormatSettings& f = FormatSettings();
  std::string line = "Modem:UserInit:A - B " + FormatDateTime(f.ShortDateFormat + " " + f.LongTimeFormat, when);
  EXPECT_EQ(TKitSysLog::LineText("Modem:UserInit", "A", "B", when), line);

  log->AddLine("Modem:UserInit", "A", "B", when);
  EXPECT_EQ(fired, (std::vector<std::string>{"Modem:UserInitAB"}));
  EXPECT_EQ(memo->Lines(), (std::vector<std::string>{line}));
  EXPECT_EQ(listBox->Items(), (std::vector<std::string>{line}));
  EXPECT_EQ(Lines(strings), (std::vector<std::string>{line}));

  // A string list that refuses the line loses only that line.
  strings.SetSorted(true);
  strings.Duplicates = dupError;
  EXPECT_NO_THROW(log->AddLine("Modem:UserInit", "A", "B", when));
  EXPECT_EQ(strings.Count(), 1);
  EXPECT_EQ(memo->LineCount(), 2);

  delete memo;
  delete listBox;
  EXPECT_EQ(log->Memo(), nullptr);
  EXPECT_EQ(log->ListBox(), nullptr);
  EXPECT_NO_THROW(log->AddLine("X", "1", "2", when));
  EXPECT_EQ(strings.Count(), 2);
}

TEST(KitSysLog, ComponentForgetsADestroyedLog) {
  TComponent form(nullptr);
  auto* component = new TTestComponent(&form);
  auto* log = new TKitSysLog(&form);
  TStringList strings;
  log->Strings = &strings;
  component->SetSysLog(log);
  component->LogChange("Modem:UserInit", "A", "B", Now());
  EXPECT_EQ(strings.Count(), 1);
  delete log;
  EXPECT_EQ(component->SysLog(), nullptr);
  EXPECT_NO_THROW(component->LogChange("Modem:UserInit", "A", "B", Now()));
}
