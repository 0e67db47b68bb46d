// Tokenizer tests: token classification, literals and their continuation, number bases and
// clamping, comments, positions, and hostile input that must end in 1200/1201, never a crash.
#include <gtest/gtest.h>

#include <cfloat>
#include <string>
#include <vector>

#include "zentra/compiler/zcltoken.h"

namespace {

struct Tok {
  int id;
  std::string text;
  bool operator==(const Tok&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Tok& t) { return os << "{" << t.id << ", \"" << t.text << "\"}"; }

// All tokens of a text up to the first failure; *last gets the failing code (1200 at the end).
std::vector<Tok> lex(const std::string& src, ZILError* last = nullptr) {
  ZCLFile f;
  ZCLFileOpen(&f, "t.zc", src.data(), src.size());
  std::vector<Tok> out;
  std::string text;
  int id = 0;
  ZILError err;
  while ((err = ZCLGetToken(&f, &text, &id)) == ZCL_OK)
    out.push_back({id, text});
  if (last)
    *last = err;
  return out;
}

// The single token of `src`. A terminator follows it, since a literal never ends a text.
Tok one(const std::string& src) {
  ZILError err = ZCL_OK;
  auto toks = lex(src + " ;", &err);
  EXPECT_EQ(err, ZCL_ERR_Unexpected_EOF) << src;
  EXPECT_EQ(toks.size(), 2u) << src;
  if (toks.size() != 2)
    return Tok{0, ""};
  EXPECT_EQ(toks[1].id, kTokSemicolon) << src;
  return toks[0];
}

}  // namespace

int ZCLFuzzText(const uint8_t* data, size_t size);  // zclfuzz.cpp

TEST(Tokenizer, KeywordsIdentifiersAndSharedOperatorIds) {
  EXPECT_EQ(one("__selftest"), (Tok{kTokSelftest, "__selftest"}));
  // Case matters, prefixes and extensions of keywords are identifiers.
  EXPECT_EQ(one("Class"), (Tok{kTokIdentifier, "Class"}));
  EXPECT_EQ(one("classes").id, kTokIdentifier);
  EXPECT_EQ(one("in").id, kTokIdentifier);
  EXPECT_EQ(one("continue").id, kTokIdentifier);
  EXPECT_EQ(one("_x9").id, kTokIdentifier);
  EXPECT_EQ(one("__brkx").id, kTokIdentifier);
  // Every keyword reads back as its own id.
  for (int id = 1; id <= 49; id++)
    EXPECT_EQ(one(ZCLTokenSpelling(id)).id, id) << ZCLTokenSpelling(id);

  std::vector<int> words, symbols;
  for (const Tok& t : lex("a and b or not c"))
    words.push_back(t.id);
  for (const Tok& t : lex("a && b || ! c"))
    symbols.push_back(t.id);
  EXPECT_EQ(words, symbols);
  EXPECT_EQ(words, (std::vector<int>{kTokIdentifier, kTokAnd, kTokIdentifier, kTokOr, kTokNot, kTokIdentifier}));
}

TEST(Tokenizer, OperatorsTakeTheLongestMatch) {
  std::vector<Tok> toks = lex("a<<=b>>c+++d--=e!==f");
  std::vector<int> ids;
  for (const Tok& t : toks)
    ids.push_back(t.id);
  EXPECT_EQ(
      ids, (std::vector<int>{kTokIdentifier, kTokShlAssign, kTokIdentifier, kTokShr, kTokIdentifier, kTokInc, kTokPlus,
                             kTokIdentifier, kTokDec, kTokAssign, kTokIdentifier, kTokNe, kTokAssign, kTokIdentifier}));
  // A minus is always an operator, never part of a number.
  toks = lex("-5");
  ASSERT_EQ(toks.size(), 2u);
  EXPECT_EQ(toks[0].id, kTokMinus);
  EXPECT_EQ(toks[1], (Tok{kTokIntLiteral, "5"}));
  // Every operator and punctuation spelling reads back as its own id.
  for (int id = kTokPlus; id <= kTokRBracket; id++) {
    if (ZCLTokenSpelling(id)) {
      EXPECT_EQ(one(ZCLTokenSpelling(id)).id, id) << ZCLTokenSpelling(id);
    }
  }
}

TEST(Tokenizer, PunctuationRuns) {
  auto ids = [](const std::string& s) {
    std::vector<int> v;
    for (const Tok& t : lex(s))
      v.push_back(t.id);
    return v;
  };
  EXPECT_EQ(ids("a::b"), (std::vector<int>{kTokIdentifier, kTokScope, kTokIdentifier}));
  EXPECT_EQ(ids("x.y"), (std::vector<int>{kTokIdentifier, kTokDot, kTokIdentifier}));
  EXPECT_EQ(ids("f(a, b)...;"), (std::vector<int>{kTokIdentifier, kTokLParen, kTokIdentifier, kTokComma, kTokIdentifier,
                                                  kTokRParen, kTokEllipsis, kTokSemicolon}));
  EXPECT_EQ(ids("{[]}:"), (std::vector<int>{kTokLBrace, kTokLBracket, kTokRBracket, kTokRBrace, kTokColon}));

  // Runs that are not in the table are errors; the position stays at the run.
  for (const char* bad : {"a ,. b", "a .. b", "a :::: b", "a .... b", "a ,, b"}) {
    ZILError err = ZCL_OK;
    auto toks = lex(bad, &err);
    EXPECT_EQ(err, ZCL_ERR_Unexpected_Token) << bad;
    EXPECT_EQ(toks.size(), 1u) << bad;
  }
  ZCLFile f;
  ZCLFileOpen(&f, nullptr, "a ,. b");
  std::string text;
  int id;
  ASSERT_EQ(ZCLGetToken(&f, &text, &id), ZCL_OK);
  EXPECT_EQ(ZCLGetToken(&f, &text, &id), ZCL_ERR_Unexpected_Token);
  EXPECT_EQ(text, ",.");
  EXPECT_EQ(ZCLFileGetPosition(&f), 2u);
  // Characters that start no token.
  for (const char* bad : {"$", "@", "`", "\\", "\x80", "\xff"}) {
    ZILError err = ZCL_OK;
    EXPECT_TRUE(lex(bad, &err).empty());
    EXPECT_EQ(err, ZCL_ERR_Unexpected_Token) << bad;
  }
}

TEST(Tokenizer, IntegerLiteralsInAllBasesWithClamping) {
  EXPECT_EQ(one("0"), (Tok{kTokIntLiteral, "0"}));
  EXPECT_EQ(one("0x1F"), (Tok{kTokIntLiteral, "31"}));
  EXPECT_EQ(one("0xaBc").text, "2748");
  EXPECT_EQ(one("0b101"), (Tok{kTokIntLiteral, "5"}));
  EXPECT_EQ(one("0n13"), (Tok{kTokIntLiteral, "7"}));
  EXPECT_EQ(one("0o777"), (Tok{kTokIntLiteral, "511"}));
  EXPECT_EQ(one("007"), (Tok{kTokIntLiteral, "7"}));  // a leading 0 alone is decimal
  EXPECT_EQ(one("2147483647"), (Tok{kTokIntLiteral, "2147483647"}));
  // Beyond the signed range: clamped, never wrapped to a negative value.
  EXPECT_EQ(one("2147483648"), (Tok{kTokIntLiteral, "2147483647"}));
  EXPECT_EQ(one("0xFFFFFFFF"), (Tok{kTokIntLiteral, "2147483647"}));
  EXPECT_EQ(one("0b" + std::string(100, '1')), (Tok{kTokIntLiteral, "2147483647"}));
  EXPECT_EQ(one(std::string(5000, '9')), (Tok{kTokIntLiteral, "2147483647"}));

  // Upper-case base letters are not base prefixes; digits outside the base end the literal.
  EXPECT_EQ(lex("0X1F"), (std::vector<Tok>{{kTokIntLiteral, "0"}, {kTokIdentifier, "X1F"}}));
  EXPECT_EQ(lex("0b12"), (std::vector<Tok>{{kTokIntLiteral, "1"}, {kTokIntLiteral, "2"}}));
  EXPECT_EQ(lex("0o8"), (std::vector<Tok>{{kTokIntLiteral, "0"}, {kTokIntLiteral, "8"}}));
  EXPECT_EQ(lex("0xg"), (std::vector<Tok>{{kTokIntLiteral, "0"}, {kTokIdentifier, "g"}}));
  EXPECT_EQ(lex("12ab"), (std::vector<Tok>{{kTokIntLiteral, "12"}, {kTokIdentifier, "ab"}}));
}

TEST(Tokenizer, FloatLiterals) {
  EXPECT_EQ(one(".5"), (Tok{kTokFloatLiteral, ".5"}));
  EXPECT_EQ(one("1."), (Tok{kTokFloatLiteral, "1."}));
  EXPECT_EQ(one("2e10"), (Tok{kTokFloatLiteral, "2e10"}));
  EXPECT_EQ(one("1.5E-3"), (Tok{kTokFloatLiteral, "1.5E-3"}));
  EXPECT_EQ(one("3.25e+2"), (Tok{kTokFloatLiteral, "3.25e+2"}));
  // An 'e' without exponent digits is not part of the literal.
  EXPECT_EQ(lex("1e"), (std::vector<Tok>{{kTokFloatLiteral, "1"}, {kTokIdentifier, "e"}}));
  EXPECT_EQ(lex("1.5.3"), (std::vector<Tok>{{kTokFloatLiteral, "1.5"}, {kTokFloatLiteral, ".3"}}));
  EXPECT_EQ(lex("1e+"), (std::vector<Tok>{{kTokFloatLiteral, "1"}, {kTokIdentifier, "e"}, {kTokPlus, "+"}}));

  EXPECT_DOUBLE_EQ(ZCLFloatLiteralValue(".5"), 0.5);
  EXPECT_DOUBLE_EQ(ZCLFloatLiteralValue("1."), 1.0);
  EXPECT_DOUBLE_EQ(ZCLFloatLiteralValue("1.5E-3"), 0.0015);
  EXPECT_DOUBLE_EQ(ZCLFloatLiteralValue("1e999"), DBL_MAX);
  EXPECT_DOUBLE_EQ(ZCLFloatLiteralValue(std::string(400, '9') + "."), DBL_MAX);
  EXPECT_DOUBLE_EQ(ZCLFloatLiteralValue("1e-999"), 0.0);
}

TEST(Tokenizer, StringLiteralEscapes) {
  EXPECT_EQ(one(R"("abc")"), (Tok{kTokStringLiteral, "abc"}));
  EXPECT_EQ(one(R"("")"), (Tok{kTokStringLiteral, ""}));
  EXPECT_EQ(one(R"("\"\'\\")").text, "\"'\\");
  EXPECT_EQ(one(R"("\a\b\f\n\r\t\v")").text, "\a\b\f\n\r\t\v");
  EXPECT_EQ(one(R"("\0101")").text, "A");  // the 0 is an octal digit
  EXPECT_EQ(one(R"("\0")").text, std::string(1, '\0'));
  EXPECT_EQ(one(R"("\01018")").text, "A8");
  EXPECT_EQ(one(R"("\x41\x4a\x4A")").text, "AJJ");
  EXPECT_EQ(one(R"("\x141")").text, "A");  // only the low byte is kept
  EXPECT_EQ(one(R"("\q\1")").text, "q1");  // other characters stand for themselves
  EXPECT_EQ(one("\"line\nbreak\"").text, "line\nbreak");
  EXPECT_EQ(one(R"("a'b")").text, "a'b");
}

TEST(Tokenizer, AdjacentLiteralsConcatenate) {
  EXPECT_EQ(one(R"("ab" "cd")"), (Tok{kTokStringLiteral, "abcd"}));
  EXPECT_EQ(one("\"ab\" // comment\n /* more */ \"cd\" # x\n\"ef\""), (Tok{kTokStringLiteral, "abcdef"}));
  // A verbatim literal keeps backslashes and line breaks; a lone quote is part of it.
  EXPECT_EQ(one(R"("ab" /"c\d"/)"), (Tok{kTokStringLiteral, "abc\\d"}));
  EXPECT_EQ(one("/\"a\"b\nc\"/"), (Tok{kTokStringLiteral, "a\"b\nc"}));
  EXPECT_EQ(one(R"(/"x"/ "\n" /"y"/)").text, "x\ny");
  EXPECT_EQ(one(R"(/""/)").text, "");
  // The literal ends before the next token, which is read normally.
  EXPECT_EQ(
      lex(R"("a" + "b";)"),
      (std::vector<Tok>{{kTokStringLiteral, "a"}, {kTokPlus, "+"}, {kTokStringLiteral, "b"}, {kTokSemicolon, ";"}}));
  EXPECT_EQ(
      lex(R"("a" / "b";)"),
      (std::vector<Tok>{{kTokStringLiteral, "a"}, {kTokDiv, "/"}, {kTokStringLiteral, "b"}, {kTokSemicolon, ";"}}));
  // Character literals continue with character literals only.
  EXPECT_EQ(one("'a' 'b'"), (Tok{kTokCharLiteral, "ab"}));
  EXPECT_EQ(lex(R"('a' "b";)"),
            (std::vector<Tok>{{kTokCharLiteral, "a"}, {kTokStringLiteral, "b"}, {kTokSemicolon, ";"}}));
}

TEST(Tokenizer, CharacterLiterals) {
  EXPECT_EQ(one(R"('\n')"), (Tok{kTokCharLiteral, "\n"}));
  EXPECT_EQ(one(R"('"')").text, "\"");
  EXPECT_EQ(one(R"('\'')").text, "'");

  int32_t v = 0;
  EXPECT_EQ(ZCLCharLiteralValue("a", &v), ZCL_OK);
  EXPECT_EQ(v, 97);
  EXPECT_EQ(ZCLCharLiteralValue("ab", &v), ZCL_OK);
  EXPECT_EQ(v, 24930);
  EXPECT_EQ(ZCLCharLiteralValue("\n", &v), ZCL_OK);
  EXPECT_EQ(v, 10);
  EXPECT_EQ(ZCLCharLiteralValue("abcd", &v), ZCL_OK);
  EXPECT_EQ(v, 0x61626364);
  EXPECT_EQ(ZCLCharLiteralValue("\xff\xff\xff\xff", &v), ZCL_OK);
  EXPECT_EQ(v, -1);
  EXPECT_EQ(ZCLCharLiteralValue("\xe9", &v), ZCL_OK);
  EXPECT_EQ(v, 0xe9);  // bytes are unsigned
  EXPECT_EQ(ZCLCharLiteralValue("", &v), ZCL_ERR_Invalid_Character_Literal);
  EXPECT_EQ(ZCLCharLiteralValue("abcde", &v), ZCL_ERR_Invalid_Character_Literal);
}

TEST(Tokenizer, CommentsAndEndOfText) {
  ZILError err = ZCL_OK;
  for (const char* src : {"", "   \t\r\n", "// only a comment", "# hash comment\n  ", "/* block */ // line\n# hash",
                          "/* never closed", "/* a /* b */", "/*/"}) {
    EXPECT_TRUE(lex(src, &err).empty()) << src;
    EXPECT_EQ(err, ZCL_ERR_Unexpected_EOF) << src;
  }
  // Block comments do not nest: the first */ closes, the rest is code.
  EXPECT_EQ(lex("/* a /* b */ c */"), (std::vector<Tok>{{kTokIdentifier, "c"}, {kTokMul, "*"}, {kTokDiv, "/"}}));
  EXPECT_EQ(
      lex("a // b\nc # d\ne/**/f"),
      (std::vector<Tok>{{kTokIdentifier, "a"}, {kTokIdentifier, "c"}, {kTokIdentifier, "e"}, {kTokIdentifier, "f"}}));
  // Every byte up to 32, NUL included, is white space.
  std::string withNul(
      "a\0b\x01\x1f"
      "c",
      6);
  EXPECT_EQ(lex(withNul), (std::vector<Tok>{{kTokIdentifier, "a"}, {kTokIdentifier, "b"}, {kTokIdentifier, "c"}}));
}

TEST(Tokenizer, TruncatedLiteralsFailWithEndOfFile) {
  // Cut-off literals, a dangling escape, and a literal as the very last token.
  for (const char* src : {"\"abc", "\"abc\\", "\"abc\\\"", "'a", "/\"abc", "/\"abc\"", "\"ab\" \"cd", "\"ab\" /\"cd",
                          "\"done\"", "'x'", "/\"v\"/", "\"a\" /* open", "\"\\x", "\"\\0"}) {
    ZCLFile f;
    ZCLFileOpen(&f, nullptr, src);
    std::string text;
    int id = -1;
    EXPECT_EQ(ZCLGetToken(&f, &text, &id), ZCL_ERR_Unexpected_EOF) << src;
    EXPECT_EQ(id, kTokNone) << src;
    // The position stays at the literal, so this is told apart from the normal end.
    EXPECT_EQ(ZCLFileGetPosition(&f), 0u) << src;
    EXPECT_FALSE(ZCLFileAtEnd(&f)) << src;
  }
  ZCLFile f;
  ZCLFileOpen(&f, nullptr, "x /* trailing");
  std::string text;
  int id;
  ASSERT_EQ(ZCLGetToken(&f, &text, &id), ZCL_OK);
  EXPECT_TRUE(ZCLFileAtEnd(&f));
  EXPECT_EQ(ZCLGetToken(&f, &text, &id), ZCL_ERR_Unexpected_EOF);
}

TEST(Tokenizer, PeekAndPositions) {
  ZCLFile f;
  ZCLFileOpen(&f, nullptr, "alpha beta");
  EXPECT_EQ(f.name, kZCLAnonymousName);
  std::string text;
  int id;
  ASSERT_EQ(ZCLPeekToken(&f, &text, &id), ZCL_OK);
  EXPECT_EQ(text, "alpha");
  EXPECT_EQ(ZCLFileGetPosition(&f), 0u);
  ASSERT_EQ(ZCLGetToken(&f, &text, &id), ZCL_OK);
  EXPECT_EQ(text, "alpha");
  size_t mark = ZCLFileGetPosition(&f);
  ASSERT_EQ(ZCLGetToken(&f, &text, &id), ZCL_OK);
  EXPECT_EQ(text, "beta");
  EXPECT_EQ(ZCLPeekToken(&f, &text, &id), ZCL_ERR_Unexpected_EOF);
  EXPECT_TRUE(text.empty());  // every read clears the text
  ZCLFileSetPosition(&f, mark);
  ASSERT_EQ(ZCLGetToken(&f, &text, &id), ZCL_OK);
  EXPECT_EQ(text, "beta");
  ZCLFileSetPosition(&f, size_t(-1));  // clamped to the end
  EXPECT_EQ(ZCLFileGetPosition(&f), 10u);
  EXPECT_EQ(ZCLGetToken(&f, &text, &id), ZCL_ERR_Unexpected_EOF);
  // A position set out of range directly is clamped before reading.
  f.pos = 1000;
  EXPECT_EQ(ZCLGetToken(&f, &text, &id), ZCL_ERR_Unexpected_EOF);
}

TEST(Tokenizer, LineAndColumn) {
  auto at = [](const std::string& src, size_t pos) {
    ZCLFile f;
    ZCLFileOpen(&f, nullptr, src.data(), src.size());
    int line = 0, col = 0;
    ZCLFileLineColumn(&f, pos, &line, &col);
    return std::pair<int, int>(line, col);
  };
  using P = std::pair<int, int>;
  EXPECT_EQ(at("abc", 0), P(1, 1));
  EXPECT_EQ(at("\tx", 1), P(1, 5));      // tab at column 1 -> column 5
  EXPECT_EQ(at("ab\tx", 3), P(1, 5));    // tab at column 3 -> column 5
  EXPECT_EQ(at("abcd\tx", 5), P(1, 9));  // tab at column 5 -> column 9
  // LF, CR, CR LF and LF CR are one break each; LF LF and CR CR are two.
  EXPECT_EQ(at("a\nb", 2), P(2, 1));
  EXPECT_EQ(at("a\rb", 2), P(2, 1));
  EXPECT_EQ(at("a\r\nb", 3), P(2, 1));
  EXPECT_EQ(at("a\n\rb", 3), P(2, 1));
  EXPECT_EQ(at("a\n\nb", 3), P(3, 1));
  EXPECT_EQ(at("a\r\rb", 3), P(3, 1));
  EXPECT_EQ(at("a\r\n\r\nb", 5), P(3, 1));
  EXPECT_EQ(at("a\n\r\nb", 4), P(3, 1));
  EXPECT_EQ(at("x\n\n\n  \tfoo", 7), P(4, 5));
  EXPECT_EQ(at("ab", 99), P(1, 3));  // clamped to the end

  // Lookups on one file in any order (resuming from the previous one) agree with fresh ones,
  // also when a lookup ends between the two bytes of a CR LF pair.
  const std::string mixed = "a\r\nb\n\rc\r\rd\n\ne\tf\r\n\r\ng\n";
  ZCLFile f;
  ZCLFileOpen(&f, nullptr, mixed.data(), mixed.size());
  for (int round = 0; round < 2; round++) {
    for (size_t i = 0; i <= mixed.size(); i++) {
      size_t pos = round == 0 ? i : mixed.size() - i;
      int line, col;
      ZCLFileLineColumn(&f, pos, &line, &col);
      EXPECT_EQ(P(line, col), at(mixed, pos)) << pos;
    }
  }
}

TEST(Tokenizer, SkipBlockMatchesBraces) {
  ZCLFile f;
  const char* src = "{ a { \"}\" '}' /* } */ // }\n { } } } tail";
  ZCLFileOpen(&f, nullptr, src);
  ASSERT_EQ(ZCLSkipBlock(&f), ZCL_OK);
  std::string text;
  int id;
  ASSERT_EQ(ZCLGetToken(&f, &text, &id), ZCL_OK);
  EXPECT_EQ(text, "tail");

  ZCLFileOpen(&f, nullptr, "{ { }");
  EXPECT_EQ(ZCLSkipBlock(&f), ZCL_ERR_Unexpected_EOF);
  ZCLFileOpen(&f, nullptr, "x { }");
  EXPECT_EQ(ZCLSkipBlock(&f), ZCL_ERR_Unexpected_Token);
  ZCLFileOpen(&f, nullptr, "{ $ }");
  EXPECT_EQ(ZCLSkipBlock(&f), ZCL_ERR_Unexpected_Token);
  // Deep nesting needs no recursion.
  std::string deep = std::string(100000, '{') + std::string(100000, '}');
  ZCLFileOpen(&f, nullptr, deep.c_str());
  EXPECT_EQ(ZCLSkipBlock(&f), ZCL_OK);
  EXPECT_TRUE(ZCLFileAtEnd(&f));
}

TEST(Tokenizer, RandomBytesNeverCrashOrStall) {
  // Every read either advances or fails; a failing read is final for a parser, so stop there.
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 24;
  };
  const char alphabet[] = "\"'/\\*#\n\r\t {}()[];:,.0123456789abexnoXE_+-<>=!&|^~%$\0";
  for (int round = 0; round < 3000; round++) {
    std::string src;
    size_t len = next() % 64;
    for (size_t i = 0; i < len; i++)
      src.push_back(next() % 4 == 0 ? char(next()) : alphabet[next() % (sizeof alphabet)]);
    ZCLFile f;
    ZCLFileOpen(&f, nullptr, src.data(), src.size());
    std::string text;
    int id;
    size_t before = 0;
    int reads = 0;
    while (ZCLGetToken(&f, &text, &id) == ZCL_OK) {
      ASSERT_GT(ZCLFileGetPosition(&f), before) << src;
      ASSERT_LE(ZCLFileGetPosition(&f), src.size());
      before = ZCLFileGetPosition(&f);
      ASSERT_LT(++reads, 100) << src;
    }
    ZCLFuzzText(reinterpret_cast<const uint8_t*>(src.data()), src.size());
  }
}

// The brace skipper passes over names and punctuation without reading them as tokens; it must
// still end, fail and leave the read position exactly as reading token by token does.
TEST(Tokenizer, SkipBlockAgreesWithReadingEveryToken) {
  auto skipByTokens = [](ZCLFile* f) -> ZILError {
    std::string text;
    int id = kTokNone;
    ZILError err = ZCLGetToken(f, &text, &id);
    if (err != ZCL_OK)
      return err;
    if (id != kTokLBrace)
      return ZCL_ERR_Unexpected_Token;
    for (size_t depth = 1; depth > 0;) {
      if ((err = ZCLGetToken(f, &text, &id)) != ZCL_OK)
        return err;
      depth += id == kTokLBrace;
      depth -= id == kTokRBrace;
    }
    return ZCL_OK;
  };
  uint32_t seed = 777;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 24;
  };
  const char* pieces[] = {"{",    "}",     "{",     "}",   " ",       "a1",         "_x",      "if",     "(",
                          ")",    ";",     "\"}\"", "'{'", "/\"}\"/", "\"a\\\"}\"", "/* } */", "// }\n", "# {\n",
                          "0x1F", "1.5e3", ".5",    "::",  ",,",      "...",        "<<=",     "/",      "*",
                          "\"",   "'",     "$",     "\n",  "\t",      "=="};
  for (int round = 0; round < 4000; round++) {
    std::string src = "{";
    const size_t count = next() % 24;
    for (size_t i = 0; i < count; i++)
      src += next() % 16 == 0 ? std::string(1, char(next())) : pieces[next() % std::size(pieces)];
    if (round % 2)
      src += "} tail";
    const size_t from = round % 3 == 0 ? 0 : next() % (src.size() + 1);
    ZCLFile fast, slow;
    ZCLFileOpen(&fast, nullptr, src.data(), src.size());
    ZCLFileOpen(&slow, nullptr, src.data(), src.size());
    ZCLFileSetPosition(&fast, from);
    ZCLFileSetPosition(&slow, from);
    ASSERT_EQ(ZCLSkipBlock(&fast), skipByTokens(&slow)) << src << " from " << from;
    ASSERT_EQ(ZCLFileGetPosition(&fast), ZCLFileGetPosition(&slow)) << src << " from " << from;
  }
}
