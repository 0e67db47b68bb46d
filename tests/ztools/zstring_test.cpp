// ZString: buffer growth, empty strings, embedded NULs, case rules, editing at the edges,
// aliasing (arguments that point into the string itself) and formatting.
#include "ztools/base/zstring.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <unordered_set>

using namespace ZTools;
using namespace std::string_literals;
using namespace std::string_view_literals;

TEST(ZStringTest, EmptyStringHasNoBufferAndReadsAsEmptyText) {
  ZString s;
  EXPECT_EQ(s.Capacity(), 0u);
  EXPECT_STREQ(s.CStr(), "");
  EXPECT_EQ(s.At(0), '\0');
  EXPECT_EQ(ZString(nullptr).Capacity(), 0u);
  EXPECT_EQ(ZString("").Capacity(), 0u);
  EXPECT_EQ(ZString("abc").Substring(7), "");
  ZString moved("abc");
  ZString target(std::move(moved));
  EXPECT_STREQ(moved.CStr(), "");  // NOLINT: a moved-from string reads as empty
  EXPECT_EQ(target, "abc");
}

TEST(ZStringTest, CapacityGrowsInStepsOf32) {
  // (length + 1) rounded up to the next multiple of 32, plus 32 when already a multiple.
  const std::pair<size_t, size_t> cases[] = {{1, 32}, {30, 32}, {31, 64}, {32, 64}, {62, 64}, {63, 96}, {100, 128}};
  for (auto [length, capacity] : cases)
    EXPECT_EQ(ZString(length, 'x').Capacity(), capacity) << length;
  ZString s;
  for (int i = 0; i < 31; ++i)
    s.Append('a');
  EXPECT_EQ(s.Capacity(), 64u);
  s.Clear();  // the buffer is kept for reuse
  EXPECT_EQ(s.Capacity(), 64u);
  EXPECT_STREQ(s.CStr(), "");
}

TEST(ZStringTest, EmbeddedNulsAreKeptByEveryOperation) {
  ZString s("a\0b\0c"sv);
  EXPECT_EQ(s.Length(), 5u);
  EXPECT_EQ(s.Find('c'), 4u);
  EXPECT_EQ(s.Find("\0c"sv), 3u);
  EXPECT_EQ(s.ReplaceAll("\0"sv, "--"), 2u);
  EXPECT_EQ(s, "a--b--c");
  ZString t("x\0Y"sv);
  EXPECT_TRUE(t.Equals("X\0y"sv));
  EXPECT_FALSE(t.Equals("X"));
  EXPECT_EQ(t.Lower().View(), "x\0y"sv);
  t.Append("\0"sv);
  EXPECT_EQ(t.Length(), 4u);
  EXPECT_EQ(t.Substring(1, 2).View(), "\0Y"sv);
}

TEST(ZStringTest, ComparisonIgnoresAsciiCaseUnlessAsked) {
  ZString s("Main.ZML");
  EXPECT_TRUE(s.Equals("main.zml"));
  EXPECT_FALSE(s.Equals("main.zml", true));
  EXPECT_EQ(s.Compare("MAIN.zml"), 0);
  EXPECT_LT(ZString("abc").Compare("ABD"), 0);
  EXPECT_GT(ZString("abcd").Compare("ABC"), 0);
  EXPECT_LT(ZString("B").Compare("a", true), 0);  // exact: 'B' < 'a'
  EXPECT_LT(ZString("[").Compare("a"), 0);        // '[' sits between 'Z' and 'a'
  // Bytes above 0x7f are compared as they are, never folded.
  EXPECT_FALSE(ZString("\xc3\x84").Equals("\xc3\xa4"));
  EXPECT_NE(ZString("A"), ZString("a"));  // operators compare exactly

  std::map<ZString, int, ZStringLessNoCase> byName;
  byName["Volume"] = 1;
  byName["VOLUME"] = 2;
  EXPECT_EQ(byName.size(), 1u);
  EXPECT_EQ(byName.find("volume"sv)->second, 2);
  std::unordered_set<ZString, ZStringHashNoCase, ZStringEqualNoCase> names{"Station", "STATION", "entry"};
  EXPECT_EQ(names.size(), 2u);
}

TEST(ZStringTest, FindingTextAndCharacters) {
  ZString s("one Two one");
  EXPECT_EQ(s.Find("one"), 0u);
  EXPECT_EQ(s.Find("one", 1), 8u);
  EXPECT_EQ(s.Find("two"), ZString::npos);
  EXPECT_EQ(s.Find("two", 0, true), 4u);
  EXPECT_EQ(s.Find("one", 99), ZString::npos);
  EXPECT_EQ(s.Find("", 11), 11u);
  EXPECT_EQ(s.Find("one two one!"), ZString::npos);
  EXPECT_EQ(s.FindLast("one"), 8u);
  EXPECT_EQ(s.FindLast('o'), 8u);
  EXPECT_EQ(s.FindAnyOf("wT"), 4u);
  EXPECT_TRUE(s.StartsWith("ONE", true));
  EXPECT_FALSE(s.StartsWith("ONE"));
  EXPECT_TRUE(s.EndsWith(" one"));
  EXPECT_FALSE(ZString("ne").EndsWith("one"));
  EXPECT_EQ(ZString().Find("x"), ZString::npos);
  EXPECT_EQ(ZString().FindLast('x'), ZString::npos);
}

TEST(ZStringTest, ReplaceAllScansLeftToRightAndNeverRescansItsOutput) {
  ZString s("aaa");
  EXPECT_EQ(s.ReplaceAll("a", "aa"), 3u);
  EXPECT_EQ(s, "aaaaaa");
  EXPECT_EQ(s.ReplaceAll("aa", "a"), 3u);
  EXPECT_EQ(s, "aaa");
  EXPECT_EQ(s.ReplaceAll("", "x"), 0u);
  EXPECT_EQ(s, "aaa");
  EXPECT_EQ(s.ReplaceAll("A", "", true), 3u);
  EXPECT_STREQ(s.CStr(), "");
  ZString entities("&amp;lt;");
  entities.ReplaceAll("&lt;", "<");
  entities.ReplaceAll("&amp;", "&");
  EXPECT_EQ(entities, "&lt;");
  ZString mixed("Jazz.PLS and .pls");
  EXPECT_EQ(mixed.ReplaceAll(".pls", ""), 1u);
  EXPECT_EQ(mixed, "Jazz.PLS and ");
  EXPECT_EQ(mixed.ReplaceAll(".PLS", "", true), 1u);
  EXPECT_EQ(mixed, "Jazz and ");
}

TEST(ZStringTest, InsertRemoveAndSubstringClampToTheText) {
  ZString s("held");
  s.Insert(2, "llo wor");
  EXPECT_EQ(s, "hello world");
  s.Insert(999, "!");
  EXPECT_EQ(s, "hello world!");
  s.Insert(0, "");
  s.Remove(5, 6);
  EXPECT_EQ(s, "hello!");
  s.Remove(5);
  EXPECT_EQ(s, "hello");
  s.Remove(99, 3);
  s.Remove(3, ZString::npos);
  EXPECT_EQ(s, "hel");
  EXPECT_EQ(s.Substring(1), "el");
  EXPECT_EQ(s.Substring(1, 99), "el");
  EXPECT_EQ(s.Left(9), "hel");
  EXPECT_EQ(s.Right(2), "el");
  EXPECT_EQ(s.Right(9), "hel");
  s.SetAt(0, 'H');
  s.SetAt(50, 'x');
  EXPECT_EQ(s, "Hel");
}

TEST(ZStringTest, ArgumentsPointingIntoTheStringItself) {
  ZString s("abcdefghijklmnopqrstuvwxyz0123");  // fills its first buffer
  s.Append(s.View());                           // forces a reallocation while reading itself
  EXPECT_EQ(s, "abcdefghijklmnopqrstuvwxyz0123abcdefghijklmnopqrstuvwxyz0123");
  s.Assign(s.View().substr(3, 4));
  EXPECT_EQ(s, "defg");
  s.Insert(2, s.View());
  EXPECT_EQ(s, "dedefgfg");
  ZString r("xyx");
  r.ReplaceAll(r.View().substr(0, 1), r.View());
  EXPECT_EQ(r, "xyxyxyx");
  s = s;
  EXPECT_EQ(s, "dedefgfg");
}

TEST(ZStringTest, TrimAndCaseConversion) {
  EXPECT_EQ(ZString(" \t\r\n a b \n").Trim(), "a b");
  EXPECT_EQ(ZString("   ").Trim(), "");
  EXPECT_EQ(ZString("  x").TrimLeft(), "x");
  EXPECT_EQ(ZString("x  ").TrimRight(), "x");
  EXPECT_EQ(ZString().Trim(), "");
  EXPECT_EQ(ZString("MiXeD 09_\xc3\x84").Lower(), "mixed 09_\xc3\x84");
  EXPECT_EQ(ZString("MiXeD z").Upper(), "MIXED Z");
}

TEST(ZStringTest, PrintfStyleFormatting) {
  EXPECT_EQ(ZString::Formatted("%s=%d", "volume", 42), "volume=42");
  ZString s("keep");
  s.Format("%05.1f|%x", 3.14159, 255u);
  EXPECT_EQ(s, "003.1|ff");
  s.AppendFormat("|%c", 'z');
  EXPECT_EQ(s, "003.1|ff|z");
  // Output longer than the buffer grows it; the exact size boundary is the interesting case.
  for (size_t length : {30u, 31u, 32u, 63u, 64u, 1000u}) {
    ZString longText;
    longText.Format("%s", std::string(length, 'q').c_str());
    EXPECT_EQ(longText.Length(), length);
    EXPECT_EQ(longText.View(), std::string(length, 'q'));
  }
  // The arguments may be the string itself, short or long.
  ZString self("abc");
  self.Format("(%s)", self.CStr());
  EXPECT_EQ(self, "(abc)");
  self.AppendFormat("%s", self.CStr());
  EXPECT_EQ(self, "(abc)(abc)");
  ZString bigSelf(300, 'w');
  bigSelf.AppendFormat("-%s", bigSelf.CStr());
  EXPECT_EQ(bigSelf.View(), std::string(300, 'w') + "-" + std::string(300, 'w'));
  ZString empty("x");
  empty.Format("%s", "");
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_STREQ(empty.CStr(), "");
}

TEST(ZStringTest, ConversionsAndConcatenation) {
  std::string_view view = ZString("abc");  // converts; the temporary lives to the end of the statement
  (void)view;
  const std::string stdText = "std";
  ZString s = ZString("a") + "b" + 'c' + ZString("d") + std::string_view(stdText);
  EXPECT_EQ(s, "abcdstd");
  EXPECT_EQ("x" + ZString("y"), "xy");
  int32_t n = 7;
  EXPECT_TRUE(ZString(" -12 ").ToInt32(n));
  EXPECT_EQ(n, -12);
  EXPECT_TRUE(ZString("+5").ToInt32(n));
  EXPECT_EQ(n, 5);
  for (const char* bad : {"", " ", "12px", "2147483648", "+-1", "0x10", "1 2"}) {
    n = 7;
    EXPECT_FALSE(ZString(bad).ToInt32(n)) << bad;
    EXPECT_EQ(n, 7) << bad;
  }
  EXPECT_FALSE(ZString("1\0"sv).ToInt32(n));
  double d = 0;
  EXPECT_TRUE(ZString("2.5").ToDouble(d));
  EXPECT_EQ(d, 2.5);
  EXPECT_FALSE(ZString("2,5").ToDouble(d));
}
