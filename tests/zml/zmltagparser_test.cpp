// Tests of the ZML tag level: the root tag, comments, attributes and quoting, entities and
// variable references, text elements, end tags, error positions, and hostile input.
#include <gtest/gtest.h>

#include <string>

#include "zml/zmlvalue.h"
#include "ztools/base/zstringparser.h"
#include "zmltestsupport.h"

namespace {

using namespace ZTools;
using ZMLTest::ExpectParseCodes;
using ZMLTest::Fixture;
using ZMLTest::ParseErrorText;

TEST(ZMLTagParser, RootTagRules) {
  ExpectParseCodes({
      {"<zml></zml>", 0},
      {"<ZML></Zml>", 0},
      {"  \r\n<zml>\n</zml >", 0},
      {"<?xml version='1.0'?><!-- a skin --><zml><!-- x --></zml>trailing text is never read", 0},
      {"<zml a='1'></zml>", kZErrSyntax},
      {"<zml/>", kZErrNotZmlRoot},
      {"<box/>", kZErrNotZmlRoot},
      {"no tag at all", kZErrNotZmlRoot},
      {"", kZErrNotZmlRoot},
      {"<!-- never closed <zml></zml>", kZErrNotZmlRoot},
      {"<zml", kZErrSyntax},
      {"<zml>", kZErrMissingEndTag},
      {"<zml><box></box>", kZErrMissingEndTag},
      {"<zml></zmlx>", kZErrNotZmlRoot},
      {"<zml></ zml>", 0},
      {"<zml>text between tags</zml>", kZErrSyntax},
      {"<zml><!-- unterminated </zml>", kZErrSyntax},
      {"<zml><?xml never closed </zml>", kZErrSyntax},
  });
}

TEST(ZMLTagParser, AttributesQuotingAndEntities) {
  Fixture f;
  ASSERT_EQ(f.Parse("<zml><Box TEXT=\"it's\" Pos = '1,\n2'/><box name='b2' text='say \"hi\"'/>"
                    "<box name='b3' text='&quot;&lt;&gt;&amp;lt;'/></zml>"),
            0)
      << f.LastBox();
  const std::vector<std::string> expected = {
      "box: Create Interface='interface_zpane' Type='box' Name='box'",
      "box: BeginInitialize",
      "box: SetProperty Property='pos' Value='1,\n2'",
      "box: SetProperty Property='text' Value='it's'",
      "box: EndInitialize",
      "box: Finish",
  };
  ASSERT_GE(f.log.lines.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(f.log.lines.begin(), f.log.lines.begin() + 6), expected);
  EXPECT_TRUE(f.Logged("b2: SetProperty Property='text' Value='say \"hi\"'"));
  EXPECT_TRUE(f.Logged("b3: SetProperty Property='text' Value='\"<>&lt;'"))
      << "entities are replaced in one fixed order, &amp; last";

  ExpectParseCodes({
      {"<zml><box text=''/></zml>", kZErrSyntax},
      {"<zml><box text/></zml>", kZErrSyntax},
      {"<zml><box text=x/></zml>", kZErrSyntax},
      {"<zml><box text='x/></zml>", kZErrSyntax},
      {"<zml><box text='x' / ></zml>", 0},
      {"<zml><box text='x' /x></zml>", kZErrSyntax},
      {"<zml><box ='x'/></zml>", kZErrSyntax},
      {"<zml><box nope='x'/></zml>", kZErrUnknownProperty},
      {"<zml><box text='x' text='y'/></zml>", kZErrPropertyAlreadyDefined},
      {"<zml><box name='a' name='b'/></zml>", kZErrPropertyAlreadyDefined},
      {"<zml><box text='1'", kZErrSyntax},
      {"<zml><box text=", kZErrSyntax},
      {"<zml><box", kZErrSyntax},
      {"<zml><nothing/></zml>", kZErrTypeNotRegistered},
      {"<zml><-box/></zml>", kZErrSyntax},
  });
}

TEST(ZMLTagParser, VariableReferences) {
  Fixture f;
  ASSERT_EQ(f.host->DefineVariable("w", "10", false), 0);
  ASSERT_EQ(f.host->DefineVariable("n", "1", false), 0);
  ASSERT_EQ(f.host->DefineVariable("name1", "W", false), 0);
  ASSERT_EQ(f.host->DefineVariable("open", "$(", false), 0);
  auto process = [&](const char* in) {
    ZString value(in);
    const int32_t code = f.host->ProcessValue(value);
    return code == 0 ? std::string(value.CStr()) : "error " + std::to_string(code);
  };
  EXPECT_EQ(process("$(w)px"), "10px");
  EXPECT_EQ(process("$(W)"), "10");
  EXPECT_EQ(process("$(nope)"), "error -1043");
  EXPECT_EQ(process("$()"), "error -1043");
  EXPECT_EQ(process("cost $(5"), "cost $(5");
  EXPECT_EQ(process("a $(w) b $("), "a 10 b $(");
  EXPECT_EQ(process("$(name$(n))"), "W") << "inner references first";
  EXPECT_EQ(process("$($(name$(n)))"), "10") << "the inner result names the outer variable";
  EXPECT_EQ(process("$(open)w)"), "10") << "a variable's text holding \"$(\" is expanded in turn";
  EXPECT_EQ(process("&amp;$(w)&lt;"), "&10<");
  EXPECT_EQ(process("$(w)$(w)$(w)"), "101010");
  EXPECT_EQ(process(")$(w))"), ")10)");
  EXPECT_EQ(process("$(a $(w)"), "$(a 10") << "the inner reference is replaced, the outer never closes";
  EXPECT_EQ(process("$$(w)(("), "$10((");

  // Deeply nested references stay linear: each level names a variable whose text is its name.
  ASSERT_EQ(f.host->DefineVariable("a", "a", false), 0);
  const size_t depth = kZMLMaxReferencesPerValue;
  std::string deep;
  deep.reserve(depth * 3 + 1);
  for (size_t i = 0; i < depth; ++i)
    deep += "$(";
  deep += "a";
  deep.append(depth, ')');
  EXPECT_EQ(process(deep.c_str()), "a");

  // Values whose texts rebuild references cannot run away.
  ASSERT_EQ(f.host->DefineVariable("loop", "$(loop)", false), 0);
  EXPECT_EQ(process("$(loop)"), "error -1042");
  ASSERT_EQ(f.host->DefineVariable("grow", "$(grow)$(grow)", false), 0);
  EXPECT_EQ(process("$(grow)"), "error -1042");

  // Many references in one long value stay linear, up to the limit.
  std::string many;
  for (size_t i = 0; i < kZMLMaxReferencesPerValue; ++i)
    many += "$(w)";
  ZString value(many);
  ASSERT_EQ(f.host->ProcessValue(value), 0);
  EXPECT_EQ(value.Length(), 2 * kZMLMaxReferencesPerValue);
  value = many + "$(w)";
  EXPECT_EQ(f.host->ProcessValue(value), kZErrVariableSyntax);
}

TEST(ZMLTagParser, TextElements) {
  Fixture f;
  ASSERT_EQ(f.Parse("<zml><box><text>  Hello\n   world <!-- dropped --> &lt;3  </TEXT ></box></zml>"), 0)
      << f.LastBox();
  EXPECT_TRUE(f.Logged("box: SetProperty Property='text' Value='Hello world <3'"));

  ExpectParseCodes({
      {"<zml><text>x</text></zml>", kZErrTypeNotRegistered},  // no enclosing object
      {"<zml><box><text>x</txt></box></zml>", kZErrSyntax},
      {"<zml><box><text>x</text</box></zml>", kZErrSyntax},
      {"<zml><box><text>x <b> y</text></box></zml>", kZErrSyntax},
      {"<zml><box><text>x <!-- y</text></box></zml>", kZErrSyntax},
      {"<zml><box><text x='1'>x</text></box></zml>", kZErrSyntax},
      {"<zml><box><text>never ends", kZErrSyntax},
      {"<zml><box><text></text></box></zml>", 0},
      {"<zml><box><text>a</text><text>b</text></box></zml>", kZErrPropertyAlreadyDefined},
      {"<zml><box><var name='v' value='1'><text>x</text></var></box></zml>", kZErrTypeNotRegistered},
  });
}

TEST(ZMLTagParser, EndTagsMustMatch) {
  ExpectParseCodes({{"<zml><box><item></box></item></zml>", kZErrMismatchingEndTag},
                    {"<zml><box></box  ></zml>", 0},
                    {"<zml><box></ box></zml>", kZErrSyntax},
                    {"<zml><box></box", kZErrSyntax}});
}

TEST(ZMLTagParser, ErrorBoxNamesLineAndColumn) {
  Fixture f;
  // The error stands on the third line, four characters after its line break.
  ASSERT_EQ(f.Parse("<zml>\n\n<xyz/></zml>"), kZErrTypeNotRegistered);
  ASSERT_EQ(f.boxes.Boxes().size(), 1u);
  EXPECT_EQ(f.boxes.Boxes()[0].caption, "ZMLScriptHost Script Parsing Error");
  EXPECT_EQ(f.boxes.Boxes()[0].text, ParseErrorText(3, 4, kZErrTypeNotRegistered));

  // CR LF and LF CR count as one break each; before the first break the column is the position.
  Fixture g;
  ASSERT_EQ(g.Parse("<zml>\r\n\n\r<xyz/></zml>"), kZErrTypeNotRegistered);
  EXPECT_EQ(g.LastBox(), ParseErrorText(3, 4, kZErrTypeNotRegistered));
  Fixture h;
  ASSERT_EQ(h.Parse("<zml><xyz/></zml>"), kZErrTypeNotRegistered);
  EXPECT_EQ(h.LastBox(), ParseErrorText(1, 9, kZErrTypeNotRegistered));
  ASSERT_EQ(h.host->Diagnostics().size(), 1u);
  EXPECT_EQ(h.host->Diagnostics()[0].line, 1);
  EXPECT_EQ(h.host->Diagnostics()[0].column, 9);
}

TEST(ZMLTagParser, NodesRememberWhereTheirTagsBegan) {
  // Every mix of line breaks, compared with the scanner's own count.
  const std::string text =
      "<zml>\r\n<box name='a'/>\n\r<box name='b'/>\r\r<box name='c'/>\n\n  <box name='d'/>"
      "\r\n\r\n<!-- x\n -->\n\r\n<box name='e'/></zml>";
  Fixture f;
  ASSERT_EQ(f.Parse(text), 0) << f.LastBox();
  const ZStringParser scanner(text);
  for (const char* name : {"a", "b", "c", "d", "e"}) {
    const ZMLNode* node = f.host->FindNode(name);
    ASSERT_NE(node, nullptr);
    const auto expected = scanner.LocationOf(text.find(std::string("<box name='") + name));
    EXPECT_EQ(node->Line(), expected.line) << name;
    EXPECT_EQ(node->Column(), expected.column) << name;
  }
  EXPECT_EQ(f.host->FindNode("d")->Line(), 7);
  EXPECT_EQ(f.host->FindNode("d")->Column(), 2);

  // A million lines without a CR between two tags are counted once, not once per line.
  Fixture g;
  ASSERT_EQ(g.Parse("<zml><box/><!--" + std::string(1000000, '\n') + "--><box name='z'/></zml>"), 0);
  EXPECT_EQ(g.host->FindNode("z")->Line(), 1000001);
}

TEST(ZMLTagParser, EveryTruncationFailsCleanly) {
  const std::string document =
      "<?xml version='1.0'?>\n<zml>\n  <!-- comment -->\n  <var name='w' value='$(x)1'/>\n"
      "  <box name='outer' pos='1,2'>\n    <text> some &amp; text </text>\n"
      "    <item value='&quot;v&quot;'/>\n  </box>\n</zml>\n";
  {
    Fixture f;
    ASSERT_EQ(f.host->DefineVariable("x", "0", false), 0);
    ASSERT_EQ(f.Parse(document), 0) << f.LastBox();
  }
  const size_t end = document.find("</zml>") + 5;  // the last character that is read
  for (size_t length = 0; length < end; ++length) {
    Fixture f;
    ASSERT_EQ(f.host->DefineVariable("x", "0", false), 0);
    const int32_t code = f.Parse(document.substr(0, length));
    EXPECT_NE(code, 0) << "prefix of " << length;
    EXPECT_EQ(f.boxes.Boxes().size(), 1u) << "prefix of " << length;
    EXPECT_EQ(f.log.alive, 0) << "nothing is built from a failed parse";
  }
}

TEST(ZMLTagParser, HugeValuesAndContent) {
  Fixture f;
  const std::string big(8 << 20, 'x');
  ASSERT_EQ(f.Parse("<zml><box text='" + big + "'/><item><value>" + big + "</value></item></zml>"), 0);
  size_t bigValues = 0;
  for (const std::string& line : f.log.lines)
    if (line.size() > big.size())
      ++bigValues;
  EXPECT_EQ(bigValues, 2u);
}

}  // namespace
