// ZStringList: splitting list-valued properties and lines, and the list operations.
#include "ztools/base/zstringlist.h"

#include <gtest/gtest.h>

using namespace ZTools;
using namespace std::string_view_literals;

TEST(ZStringListTest, SplitAtCommasTrimsBlanksAndKeepsPositions) {
  EXPECT_EQ(ZStringList::SplitAtCommas(" wantdraw ,\twantclick,canmove "),
            (ZStringList{"wantdraw", "wantclick", "canmove"}));
  EXPECT_EQ(ZStringList::SplitAtCommas("a,,b,"), (ZStringList{"a", "", "b", ""}));
  EXPECT_EQ(ZStringList::SplitAtCommas("single"), (ZStringList{"single"}));
  EXPECT_TRUE(ZStringList::SplitAtCommas("").IsEmpty());
  EXPECT_TRUE(ZStringList::SplitAtCommas(" \t ").IsEmpty());
  EXPECT_EQ(ZStringList::SplitAtCommas(",").Count(), 2u);
  EXPECT_EQ(ZStringList::SplitAtCommas("10,20,300,400").Count(), 4u);
}

TEST(ZStringListTest, SplitAtAnyCharacterOfASet) {
  const auto lines = ZStringList::SplitAtAny("[playlist]\r\nFile1=x\n\nTitle1=y\r", "\r\n", false, true);
  EXPECT_EQ(lines, (ZStringList{"[playlist]", "File1=x", "Title1=y"}));
  EXPECT_EQ(ZStringList::SplitAtAny("a b\tc", " \t"), (ZStringList{"a", "b", "c"}));
  EXPECT_EQ(ZStringList::SplitAtAny("a  b", " "), (ZStringList{"a", "", "b"}));
  EXPECT_EQ(ZStringList::SplitAtAny("x\0y"sv, "\0"sv), (ZStringList{"x", "y"}));
  EXPECT_EQ(ZStringList::SplitAtAny("abc", ""), (ZStringList{"abc"}));
  EXPECT_TRUE(ZStringList::SplitAtAny("", ",").IsEmpty());
  EXPECT_TRUE(ZStringList::SplitAtAny(",,", ",", false, true).IsEmpty());
}

TEST(ZStringListTest, ListOperations) {
  ZStringList list{"One", "two"};
  list.Insert(1, "middle");
  list.Insert(99, "end");
  list.Add("last");
  EXPECT_EQ(list.Join("|"), "One|middle|two|end|last");
  EXPECT_EQ(list.IndexOf("ONE"), 0);
  EXPECT_EQ(list.IndexOf("ONE", true), -1);
  EXPECT_TRUE(list.Contains("End"));
  list.RemoveAt(1);
  list.RemoveAt(99);
  EXPECT_EQ(list.Count(), 4u);
  EXPECT_EQ(list[1], "two");
  EXPECT_EQ(list.At(99), "");
  list[1] = "2";
  EXPECT_EQ(list.Join(", "), "One, 2, end, last");
  list.Clear();
  EXPECT_EQ(list.Join(","), "");
}
