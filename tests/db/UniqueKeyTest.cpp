#include <gtest/gtest.h>
#include "UniqueKey.h"

namespace {
// Each list is one fresh process: the counter starts again.
std::vector<std::string> Keys(const std::vector<TUniqueKeyClock>& calls, int counter = 0, bool started = false) {
  std::vector<std::string> keys;
  for (const auto& at : calls) keys.push_back(CreateUniqueKeyAt(at, counter, started));
  return keys;
}
}  // namespace

TEST(UniqueKey, Vectors) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Keys({{2000, 11, 1, 0, 0, 0, 0}, {2000, 11, 1, 0, 0, 0, 5}}), (V{"00000000", "00000001"}));
  EXPECT_EQ(Keys({{2000, 11, 1, 9, 30, 0, 0}}), (V{"009T209C"}));
  EXPECT_EQ(Keys({{2024, 3, 7, 9, 5, 2, 340}, {2024, 3, 7, 9, 5, 2, 349}, {2024, 3, 7, 9, 5, 3, 0}}),
            (V{"rEv4sH8n", "rEv4sH8o", "rEv4t08p"}));
  EXPECT_EQ(Keys({{2024, 3, 7, 23, 59, 59, 999}}), (V{"rF9w3nsD"}));
  EXPECT_EQ(Keys({{2001, 1, 1, 0, 0, 0, 0}}), (V{"0Nc00000"}));
  EXPECT_EQ(Keys({{2028, 1, 9, 7, 59, 59, 990}, {2028, 1, 9, 8, 0, 0, 0}}), (V{"zzzw3ncj", "0000007k"}));
  EXPECT_EQ(Keys({{2010, 5, 5, 12, 0, 0, 0}}, 3843, true), (V{"LgC00000"}));
  EXPECT_EQ(Keys({{2055, 3, 18, 15, 59, 59, 0}}), (V{"zzzw30FT"}));
}

TEST(UniqueKey, StaysEightDigitsOutsideItsYears) {
  for (TUniqueKeyClock at : {TUniqueKeyClock{2055, 3, 18, 16, 0, 0, 0}, TUniqueKeyClock{2099, 12, 31, 23, 59, 59, 999},
                             TUniqueKeyClock{1990, 1, 1, 0, 0, 0, 0}}) {
    std::string key = Keys({at})[0];
    EXPECT_EQ(key.size(), 8u);
    EXPECT_EQ(key.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
              std::string::npos)
        << key;
  }
  EXPECT_EQ(Keys({{2055, 3, 18, 16, 0, 0, 0}})[0].substr(0, 3), "000");
}

TEST(UniqueKey, FromTheClockKeysDifferAndSortInOrder) {
  std::string a = CreateUniqueKey(), b = CreateUniqueKey();
  EXPECT_EQ(a.size(), 8u);
  EXPECT_NE(a, b);
}
