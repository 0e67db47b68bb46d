// ZStringParser: the scanner operations the markup parser is built on, their behaviour at the
// end of the text, and line/column reporting with every kind of line break.
#include "ztools/base/zstringparser.h"

#include <gtest/gtest.h>

using namespace ZTools;
using namespace std::string_view_literals;

namespace {
constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::string_view kNameChars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_";
}  // namespace

TEST(ZStringParserTest, ScansATagTheWayTheMarkupParserDoes) {
  ZStringParser p("  <Button text='it\"s'  w=\"a'b\"/>");
  ZString word;
  EXPECT_EQ(p.Skip(kBlanks), 2u);
  ASSERT_EQ(p.Peek(), '<');
  EXPECT_EQ(p.Advance(), 1u);
  EXPECT_EQ(p.ReadWhile(kNameChars, word), 6u);
  EXPECT_EQ(word, "Button");
  p.Skip(kBlanks);
  EXPECT_EQ(p.ReadUntil(" \t\r\n='>", word), 4u);
  EXPECT_EQ(word, "text");
  EXPECT_EQ(p.Peek(), '=');
  p.Advance();
  EXPECT_EQ(p.ReadEnclosed('\'', '\'', word), 4);
  EXPECT_EQ(word, "it\"s");
  p.Skip(kBlanks);
  p.ReadUntil("=", word);
  p.Advance();
  EXPECT_EQ(p.ReadEnclosed('"', '"', word), 3);
  EXPECT_EQ(word, "a'b");
  EXPECT_TRUE(p.TestLiteral("/>"));
  EXPECT_EQ(p.Consumed(), "  <Button text='it\"s'  w=\"a'b\""sv);
  EXPECT_EQ(p.Advance(5), 2u);  // stops at the end and says so
  EXPECT_TRUE(p.AtEnd());
}

TEST(ZStringParserTest, EveryOperationStopsSafelyAtTheEnd) {
  ZStringParser empty("");
  ZString out("unchanged");
  EXPECT_TRUE(empty.AtEnd());
  EXPECT_EQ(empty.Peek(), '\0');
  EXPECT_EQ(empty.Peek(100), '\0');
  EXPECT_EQ(empty.Advance(3), 0u);
  EXPECT_EQ(empty.Skip(kBlanks), 0u);
  EXPECT_EQ(empty.ReadEnclosed('"', '"', out), -1);
  EXPECT_EQ(out, "unchanged");
  EXPECT_EQ(empty.ReadWhile(kNameChars, out), 0u);
  EXPECT_EQ(out, "");
  EXPECT_FALSE(empty.TestLiteral("x"));
  EXPECT_TRUE(empty.TestLiteral(""));
  EXPECT_EQ(empty.FindLiteral("-->"), -1);

  ZStringParser p("ab  ");
  EXPECT_EQ(p.Peek(3), ' ');
  EXPECT_EQ(p.Peek(4), '\0');
  EXPECT_EQ(p.ReadUntil("<", out), 4u);  // no stop character: reads to the end
  EXPECT_EQ(out, "ab  ");
  EXPECT_TRUE(p.AtEnd());
  p.SetPosition(99);
  EXPECT_EQ(p.Position(), 4u);
}

TEST(ZStringParserTest, EnclosedTextAndLiterals) {
  ZStringParser p("'abc");
  ZString out("old");
  EXPECT_EQ(p.ReadEnclosed('\'', '\'', out), -1);  // closing quote missing
  EXPECT_EQ(p.Position(), 0u);
  EXPECT_EQ(out, "old");
  EXPECT_EQ(p.ReadEnclosed('"', '"', out), -1);  // a different opening character
  p.SetText("''x");
  EXPECT_EQ(p.ReadEnclosed('\'', '\'', out), 0);  // empty text; the caller decides if that is allowed
  EXPECT_EQ(out, "");
  EXPECT_EQ(p.Peek(), 'x');
  p.SetText("(a(b)c)");
  EXPECT_EQ(p.ReadEnclosed('(', ')', out), 3);  // no nesting: ends at the first ')'
  EXPECT_EQ(out, "a(b");

  p.SetText("<!-- a -- b -->rest");
  p.Advance();
  EXPECT_TRUE(p.TestLiteral("!--"));
  EXPECT_TRUE(p.TestLiteral("!--"sv.substr(0, 1)));
  EXPECT_FALSE(p.TestLiteral("!--x-->rest-and-more"));
  EXPECT_EQ(p.FindLiteral("-->"), 11);
  EXPECT_EQ(p.FindLiteral(""), 0);
  EXPECT_EQ(p.Position(), 1u);  // neither test nor find moves
  p.SetText("<ZmL>");
  p.Advance();
  EXPECT_FALSE(p.TestLiteral("zml"));
  EXPECT_TRUE(p.TestLiteral("zml", true));
}

TEST(ZStringParserTest, NulsInsideTheTextAndInSetsAreOrdinaryCharacters) {
  ZStringParser p("a\0b\0<"sv);
  ZString out;
  EXPECT_EQ(p.ReadUntil("<", out), 4u);
  EXPECT_EQ(out.View(), "a\0b\0"sv);
  p.SetPosition(0);
  EXPECT_EQ(p.ReadWhile("ab\0"sv, out), 4u);
  EXPECT_EQ(p.Peek(), '<');
  p.SetPosition(0);
  EXPECT_EQ(p.FindLiteral("\0<"sv), 3);
}

TEST(ZStringParserTest, LineAndColumnCountEveryKindOfBreakOnce) {
  const struct {
    std::string_view text;
    int32_t line, column;
  } cases[] = {
      {"<zml>\n  <a>\n    X", 3, 4},  // third line, four characters after its line break
      {"abcX", 1, 3},                 // before the first break the column is the position
      {"a\r\nbX", 2, 1},              // CR LF is one break
      {"a\n\rbX", 2, 1},              // LF CR is one break
      {"a\rbX", 2, 1},                // a lone CR
      {"a\n\nX", 3, 0},               // LF LF is two breaks
      {"a\r\n\r\nX", 3, 0},           // two CR LF pairs
      {"a\r\r\nX", 3, 0},             // CR, then CR LF
      {"\nX", 2, 0},
  };
  for (const auto& c : cases) {
    ZStringParser q(c.text);
    q.SetPosition(c.text.find('X'));
    EXPECT_EQ(q.CurrentLocation().line, c.line) << c.text;
    EXPECT_EQ(q.CurrentLocation().column, c.column) << c.text;
    EXPECT_EQ(q.LocationOf(q.Position()).line, c.line) << c.text;
    EXPECT_EQ(q.LocationOf(q.Position()).column, c.column) << c.text;
  }
  // A position between CR and LF: the break is counted, the column is 0; past the end clamps.
  ZStringParser q("ab\r\ncd");
  EXPECT_EQ(q.LocationOf(3).line, 2);
  EXPECT_EQ(q.LocationOf(3).column, 0);
  EXPECT_EQ(q.LocationOf(99).column, 2);
}

TEST(ZStringParserTest, RandomOperationsKeepThePositionInsideTheText) {
  // Hostile texts (NULs, quotes, breaks) and random operation sequences: every answer must
  // agree with the text and the position must never leave it (the sanitizer build checks reads).
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % range;
  };
  constexpr std::string_view kAlphabet = "ab \t\r\n<>='\"\0-!"sv;
  ZString out;
  for (int round = 0; round < 300; ++round) {
    ZString text;
    for (uint32_t n = next(40); n > 0; --n)
      text.Append(kAlphabet[next(static_cast<uint32_t>(kAlphabet.size()))]);
    ZStringParser p(text);
    for (int step = 0; step < 30; ++step) {
      const size_t before = p.Position();
      switch (next(7)) {
        case 0: EXPECT_LE(p.Advance(next(5)), text.Length() - before); break;
        case 1: p.Skip(" \t\r\n"); break;
        case 2: {
          const size_t n = p.ReadUntil("<>'\0"sv, out);
          EXPECT_EQ(out.View(), text.View().substr(before, n));
          EXPECT_TRUE(p.AtEnd() || ZString("<>'\0"sv).Find(p.Peek()) != ZString::npos);
          break;
        }
        case 3: {
          const ptrdiff_t n = p.ReadEnclosed('\'', '\'', out);
          const size_t expected = n < 0 ? before : before + static_cast<size_t>(n) + 2;
          EXPECT_EQ(p.Position(), expected);
          break;
        }
        case 4: {
          const ptrdiff_t at = p.FindLiteral("-->");
          if (at >= 0) {
            EXPECT_EQ(text.View().substr(before + static_cast<size_t>(at), 3), "-->");
          }
          break;
        }
        case 5: p.ReadWhile("ab\0"sv, out); break;
        default: p.SetPosition(next(50)); break;
      }
      ASSERT_LE(p.Position(), text.Length());
      EXPECT_EQ(p.Consumed().size() + p.Remaining().size(), text.Length());
      const auto where = p.CurrentLocation();
      EXPECT_GE(where.line, 1);
      EXPECT_LE(static_cast<size_t>(where.column), p.Position());
    }
  }
}
