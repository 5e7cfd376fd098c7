#include <gtest/gtest.h>
#include "Rules.h"

namespace {
TBox MessageBoxLike() {
  TBox box;
  box.cls = "#32770";
  box.title = "Error";
  box.boxLike = true;
  box.texts = {"Port 4 failed to open"};
  box.buttons = {{"&Yes", 6, true, true}, {"&No", 7, false, true}};
  return box;
}

TBox Wizard() {
  TBox box;
  box.cls = "TSpecModemForm";
  box.title = "Modem initialization";
  box.boxLike = true;
  box.texts = {"Modems"};
  box.buttons = {{"OK", 0, false, false}};
  box.lists = {{"ListBox", 0, {"Standard Modem", "VSIM 56K Voice"}, 0}};
  return box;
}
}

TEST(WatcherRules, SplitsWordsWithQuotes) {
  EXPECT_EQ(SplitWords(R"(title="Modem initialization" press=OK)"),
            (std::vector<std::string>{"title=Modem initialization", "press=OK"}));
  EXPECT_EQ(SplitWords(R"(text~="say \"hi\" \\ now"  close)"),
            (std::vector<std::string>{R"(text~=say "hi" \ now)", "close"}));
  EXPECT_THROW(SplitWords(R"(title="open)"), ERuleError);
}

TEST(WatcherRules, ParsesEveryKind) {
  TRule r = ParseRule(R"(title="Modem initialization" select~=VSIM press=OK after=1000 times=2)");
  EXPECT_TRUE(r.title.set);
  EXPECT_FALSE(r.title.contains);
  EXPECT_TRUE(r.select.set && r.select.contains);
  EXPECT_EQ(r.action, TRule::acPress);
  EXPECT_EQ(r.after, 1000);
  EXPECT_EQ(r.times, 2);
  r = ParseRule("class=TInputForm edit=\"Calls 2026\" press=#1");
  EXPECT_EQ(r.pressId, 1);
  EXPECT_EQ(r.edit, "Calls 2026");
  EXPECT_TRUE(ParseRule("text~=failed press=default").pressDefault);
  EXPECT_EQ(ParseRule("class=TfmQdx ignore").action, TRule::acIgnore);
  EXPECT_EQ(ParseRule("title=X select=#2 close").selectIndex, 2);
  EXPECT_EQ(ParseRule("title=X press=OK again=0").again, 0);
  EXPECT_EQ(ParseRule("title=X press=OK").again, -1);
}

TEST(WatcherRules, RefusesWhatWouldBeIgnoredSilently) {
  for (const char* bad : {"press=OK", "title=X", "title=X press=OK close", "title=X press=OK after=-1",
                          "title=X press=OK after=soon", "title=X press=OK times=0", "titel=X press=OK",
                          "title=X title=Y press=OK", "title=X pres=OK", "title= press=OK",
                          "title=X ignore select=#1", "title=X press=OK after=1 after=2", "title=X press=OK extra",
                          "title=X press=OK again=-5"})
    EXPECT_THROW(ParseRule(bad), ERuleError) << bad;
}

TEST(WatcherRules, FileErrorsNameTheLine) {
  std::vector<TRule> rules = ParseRules("# answers\n\ntitle=A press=OK\r\n  # indented comment\ntitle=B close\n");
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[1].source, "title=B close");
  try {
    ParseRules("title=A press=OK\ntitle=B\n");
    FAIL();
  } catch (const ERuleError& e) {
    EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
  }
}

TEST(WatcherRules, MatchesBoxes) {
  struct TCase {
    const char* rule;
    bool matches;
  } cases[] = {
      {"title=Error press=Yes", true},
      {"title=error press=Yes", false},  // titles are exact
      {"title~=rro press=Yes", true},
      {"class=#32770 press=Yes", true},
      {"text=\"Port 4 failed to open\" press=Yes", true},
      {"text=\"Port 4 failed\" press=Yes", false},
      {"text~=\"failed to\" press=Yes", true},
      {"button=no press=No", true},  // captions: '&' removed, any case
      {"button=Cancel press=No", false},
      {"title=Error text~=Port button=yes press=Yes", true},
      {"title=Error text~=Modem press=Yes", false},
  };
  TBox box = MessageBoxLike();
  for (const TCase& c : cases) EXPECT_EQ(ParseRule(c.rule).Matches(box), c.matches) << c.rule;
}

TEST(WatcherRules, FirstRuleWithTimesLeftDecides) {
  std::vector<TRule> rules = ParseRules("title=Error press=No times=1\ntitle=Error press=Yes\ntitle~=E close\n");
  TBox box = MessageBoxLike();
  ASSERT_EQ(FindRule(rules, box), &rules[0]);
  rules[0].used = 1;
  EXPECT_EQ(FindRule(rules, box), &rules[1]);
  box.title = "Else";
  EXPECT_EQ(FindRule(rules, box), &rules[2]);
  box.title = "Other";
  EXPECT_EQ(FindRule(rules, box), nullptr);
}

TEST(WatcherRules, FindsButtonsAndEntries) {
  TBox box = MessageBoxLike();
  EXPECT_EQ(FindPressButton(ParseRule("title=Error press=no"), box), 1);
  EXPECT_EQ(FindPressButton(ParseRule("title=Error press=#6"), box), 0);
  EXPECT_EQ(FindPressButton(ParseRule("title=Error press=OK"), box), -1);
  EXPECT_EQ(FindPressButton(ParseRule("title=Error press=default"), box), 0);
  EXPECT_EQ(FindDefaultButton(box), 0);
  box.buttons = {{"Cancel", 2, false, true}, {"OK", 1, false, true}};
  EXPECT_EQ(FindDefaultButton(box), 1);  // no marked default: OK
  box.buttons = {{"Cancel", 2, false, true}, {"Retry", 4, false, true}};
  EXPECT_EQ(FindDefaultButton(box), -1);
  box.buttons = {{"Close", 2, false, true}};
  EXPECT_EQ(FindDefaultButton(box), 0);  // the only button

  TBox wizard = Wizard();
  EXPECT_EQ(FindSelectEntry(ParseRule("title=M select~=VSIM press=OK"), wizard), 1);
  EXPECT_EQ(FindSelectEntry(ParseRule("title=M select=VSIM press=OK"), wizard), -1);
  EXPECT_EQ(FindSelectEntry(ParseRule("title=M select=#1 press=OK"), wizard), 1);
  EXPECT_EQ(FindSelectEntry(ParseRule("title=M select=#2 press=OK"), wizard), -1);
  wizard.lists.clear();
  EXPECT_EQ(FindSelectEntry(ParseRule("title=M select=#0 press=OK"), wizard), -1);
}

TEST(WatcherRules, PlainCaptions) {
  EXPECT_EQ(PlainCaption("&OK"), "OK");
  EXPECT_EQ(PlainCaption("Save && close"), "Save & close");
  EXPECT_EQ(PlainCaption("End&"), "End");
}
