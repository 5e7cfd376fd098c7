#include "Exception.h"
#include "Stream.h"
#include "StringList.h"
#include "SysUtils.h"
#include <gtest/gtest.h>
#include <vector>

namespace {
std::vector<std::string> Items(const TStringList& l) {
  std::vector<std::string> r;
  for (int i = 0; i < l.Count(); ++i) r.push_back(l[i]);
  return r;
}
using V = std::vector<std::string>;
}

TEST(StringList, UnsortedKeepsOrderAndDuplicates) {
  TStringList l;
  l.Add("b");
  l.Add("a");
  l.Add("B");
  l.Insert(0, "z");
  EXPECT_EQ(Items(l), (V{"z", "b", "a", "B"}));
  EXPECT_EQ(l.IndexOf("B"), 1);  // letter case ignored by default
  l.SetCaseSensitive(true);
  EXPECT_EQ(l.IndexOf("B"), 3);
  EXPECT_EQ(l.IndexOf("q"), -1);
  l.Delete(0);
  l.Move(2, 0);
  EXPECT_EQ(Items(l), (V{"B", "b", "a"}));
  l.Exchange(0, 2);
  EXPECT_EQ(Items(l), (V{"a", "b", "B"}));
  EXPECT_THROW(l[3], EStringListError);
  EXPECT_THROW(l.Delete(-1), EStringListError);
  EXPECT_THROW(l.Insert(4, "x"), EStringListError);
}

TEST(StringList, SortedAddsInOrderAndAppliesDuplicates) {
  TStringList l;
  l.SetSorted(true);
  for (const char* s : {"pear", "Apple", "fig", "apple"}) l.Add(s);
  EXPECT_EQ(Items(l), (V{"Apple", "fig", "pear"}));  // dupIgnore: "apple" equals "Apple"
  EXPECT_EQ(l.Add("FIG"), 1);
  EXPECT_EQ(l.Count(), 3);
  int at;
  EXPECT_TRUE(l.Find("PEAR", at));
  EXPECT_EQ(at, 2);
  EXPECT_FALSE(l.Find("grape", at));
  EXPECT_EQ(at, 2);
  EXPECT_THROW(l.Insert(0, "x"), EStringListError);
  EXPECT_THROW(l.Put(0, "x"), EStringListError);

  l.Duplicates = dupError;
  EXPECT_THROW(l.Add("apple"), EStringListError);
  EXPECT_EQ(l.Count(), 3);

  l.Duplicates = dupAccept;
  int a = 0, b = 0;
  l.AddObject("fig", &a);
  l.AddObject("Fig", &b);
  EXPECT_EQ(Items(l), (V{"Apple", "fig", "fig", "Fig", "pear"}));
  EXPECT_EQ(l.Objects(2), &a);  // each duplicate after its equals
  EXPECT_EQ(l.Objects(3), &b);

  TStringList c;
  c.SetCaseSensitive(true);
  c.SetSorted(true);
  for (const char* s : {"b", "B", "a", "A"}) c.Add(s);
  EXPECT_EQ(Items(c), (V{"A", "B", "a", "b"}));
}

TEST(StringList, SortingCarriesObjects) {
  TStringList l;
  int x = 1, y = 2, z = 3;
  l.AddObject("c", &z);
  l.AddObject("a", &x);
  l.AddObject("b", &y);
  l.Sort();
  EXPECT_EQ(Items(l), (V{"a", "b", "c"}));
  EXPECT_EQ(l.Objects(0), &x);
  EXPECT_EQ(l.Objects(2), &z);
  EXPECT_EQ(l.IndexOfObject(&y), 1);
  l.CustomSort([](const TStringList& s, int i, int j) { return CompareStr(s[j], s[i]); });
  EXPECT_EQ(Items(l), (V{"c", "b", "a"}));
}

TEST(StringList, NameValuePairs) {
  TStringList l;
  l.SetText("port=3\nModel=VSIM 56K\nnoequals\nLineSel_T#=ok\nurl=a=b\n");
  EXPECT_EQ(l.Values("PORT"), "3");
  EXPECT_EQ(l.Values("url"), "a=b");
  EXPECT_EQ(l.Values("missing"), "");
  EXPECT_EQ(l.Names(2), "");
  EXPECT_EQ(l.Names(3), "LineSel_T#");
  EXPECT_EQ(l.ValueFromIndex(1), "VSIM 56K");
  EXPECT_EQ(l.IndexOfName("model"), 1);
  EXPECT_EQ(l.IndexOfName("noequals"), -1);
  l.SetValue("Port", "4");
  EXPECT_EQ(l[0], "Port=4");
  l.SetValue("new", "x");
  EXPECT_EQ(l[5], "new=x");
  l.SetValue("model", "");
  EXPECT_EQ(l.IndexOfName("Model"), -1);
  EXPECT_EQ(l.Count(), 5);
}

TEST(StringList, CommaTextQuotesWhatNeedsIt) {
  struct Case {
    V items;
    const char* text;
  } cases[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"a"}, "a"},
      {{"a", ""}, "a,"},
      {{"", ""}, ","},
      {{"a", "", "b"}, "a,,b"},
      {{"a b", "c,d", "e\"f", "x\ty", "plain"}, "\"a b\",\"c,d\",\"e\"\"f\",\"x\ty\",plain"},
      {{"SIGNED PCM", "0", "8"}, "\"SIGNED PCM\",0,8"},
  };
  for (const Case& c : cases) {
    TStringList l;
    for (const auto& s : c.items) l.Add(s);
    EXPECT_EQ(l.CommaText(), c.text);
    TStringList back;
    back.SetCommaText(c.text);
    EXPECT_EQ(Items(back), c.items) << c.text;
  }
}

TEST(StringList, CommaTextReadingSplitsAtBlanksOutsideQuotes) {
  struct Case {
    const char* text;
    V items;
  } cases[] = {
      {"a b,c", {"a", "b", "c"}},
      {"  \"a \"\"q\"\" b\" , c  ", {"a \"q\" b", "c"}},
      {"\"ab\"cd", {"ab", "cd"}},
      {"\"open", {"open"}},
      {"a , , b", {"a", "", "b"}},
      {" \t ", {}},
  };
  for (const Case& c : cases) {
    TStringList l;
    l.SetCommaText(c.text);
    EXPECT_EQ(Items(l), c.items) << c.text;
  }
  TStringList l;
  l.Delimiter = ';';
  l.SetDelimitedText("id;FolderId");
  EXPECT_EQ(Items(l), (V{"id", "FolderId"}));
  EXPECT_EQ(l.DelimitedText(), "id;FolderId");
}

TEST(StringList, TextLines) {
  struct Case {
    const char* text;
    V items;
  } cases[] = {
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}}, {"a\r\n", {"a"}}, {"", {}}, {"\r\n", {""}},
      {"a\n\nb", {"a", "", "b"}},             {"\n\r", {"", ""}},
  };
  for (const Case& c : cases) {
    TStringList l;
    l.SetText(c.text);
    EXPECT_EQ(Items(l), c.items) << c.text;
  }
  TStringList l;
  l.SetText("x\ny");
  EXPECT_EQ(l.Text(), "x\r\ny\r\n");
  l.Clear();
  EXPECT_EQ(l.Text(), "");
}

TEST(StringList, StreamRoundTripFromThePosition) {
  TStringList l;
  l.SetText("one\ntwo\n\nfour");
  TMemoryStream m;
  m.WriteBuffer("HDR", 3);
  l.SaveToStream(m);
  EXPECT_EQ(m.Size(), 3 + 18);
  m.SetPosition(3);
  TStringList back;
  back.LoadFromStream(m);
  EXPECT_EQ(Items(back), (V{"one", "two", "", "four"}));
}

TEST(StringList, OnChangeOncePerUpdate) {
  TStringList l;
  int changes = 0;
  l.OnChange = [&] { ++changes; };
  l.Add("a");
  EXPECT_EQ(changes, 1);
  l.BeginUpdate();
  l.Add("b");
  l.Add("c");
  l.EndUpdate();
  EXPECT_EQ(changes, 2);
  l.SetCommaText("x,y,z");
  EXPECT_EQ(changes, 3);
  TStringList copy(l);
  EXPECT_EQ(Items(copy), (V{"x", "y", "z"}));
  EXPECT_FALSE(copy.OnChange);
}
