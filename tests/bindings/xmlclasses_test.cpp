// The XML classes as scripts see them: texts that must survive ToString and FromString, paths,
// malformed input, nodes and iterators left over from a replaced tree, changes made while
// Enumerate walks, iterator moves and edits, and the names and texts a tree refuses.
#include <gtest/gtest.h>

#include <string>

#include "bindings/zxmlclasses.h"
#include "tests/bindings/testscript.h"

namespace ZTools {
namespace {

// A runtime with the XML classes, running one script whose global functions take strings.
class Script : public TestScript {
 public:
  explicit Script(const std::string& text) : TestScript({XmlDocumentTypeProc}, "import XmlDocument;\n" + text) {}

  // Calls a global function with up to three string arguments; its result as text.
  std::string operator()(const char* name, const char* a = "", const char* b = "", const char* c = "", int argc = -1) {
    if (code)
      return "not compiled";
    if (argc < 0)
      argc = !*a ? 0 : !*b ? 1 : !*c ? 2 : 3;
    ZILHandle* r = Call(name, argc, ZIL_ARG_STRING, a, ZIL_ARG_STRING, b, ZIL_ARG_STRING, c);
    return r ? Text(r) : "no function";
  }
  // One string argument that may hold any bytes, empty included.
  std::string With(const char* name, const std::string& a) { return (*this)(name, a.c_str(), "", "", 1); }
  ZILLong Collect() { return ZILCollectGarbage(ps); }
};

std::string Nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i)
    text += "<a>";
  for (int i = 0; i < depth; ++i)
    text += "</a>";
  return text;
}

TEST(XmlClasses, ClassDataAndNodeConstants) {
  struct Row {
    NTLTypeProc proc;
    const char* name;
    const char* packages;
  } rows[] = {
      {XmlDocumentTypeProc, "XmlDocument", "XmlAttrIterator, XmlNodeIterator, XmlNode"},
      {XmlNodeTypeProc, "XmlNode", "XmlAttrIterator, XmlNodeIterator"},
      {XmlNodeIteratorTypeProc, "XmlNodeIterator", "XmlNode"},
      {XmlAttrIteratorTypeProc, "XmlAttrIterator", ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ClassText(r.proc, NTL_GetClassName), r.name);
    EXPECT_EQ(ClassText(r.proc, NTL_GetPackageString), r.packages) << r.name;
    EXPECT_EQ(ClassText(r.proc, NTL_GetBuildTimeStamp), "03.03.2011") << r.name;
    EXPECT_EQ(r.proc(nullptr, NTL_CallStatic, 0, nullptr, nullptr), ZIL_ERR_Invalid_Function_Index) << r.name;
  }
  // The node types follow XmlNode's body in the declaration.
  Script s("function int Types() { return XmlNode::kNode * 100 + XmlNode::kComment * 10 + XmlNode::kCData; }");
  ASSERT_EQ(s.code, 0) << s.log;
  EXPECT_EQ(s("Types"), "12");
}

TEST(XmlClasses, TextsSurviveToStringAndFromString) {
  Script s(
      "function string Again(XmlDocument d) { XmlDocument e = new XmlDocument(d.ToString()); return e.ToString(); }\n"
      "function string Attribute(const string v) { XmlDocument d = new XmlDocument(\"<a/>\");\n"
      "  d.SetAttribute(\"a\", \"v\", v); XmlDocument e = new XmlDocument((string) d);\n"
      "  if (Again(e).compare(e.ToString()) != 0) return \"unstable\"; return e.GetAttribute(\"a\", \"v\"); }\n"
      "function string Text(const string v) { XmlDocument d = new XmlDocument(\"<a><b/></a>\");\n"
      "  XmlNodeIterator it = d.GetNode(\"a\").GetNodeIterator(); it.InsertNode(XmlNode::kCData, v);\n"
      "  XmlDocument e = new XmlDocument(d.ToString()); return e.GetNodeCData(\"a\"); }\n"
      "function string Parsed(const string xml, const string path, const string name) {\n"
      "  XmlDocument d = new XmlDocument(xml); if (name.length == 0) return d.GetNodeCData(path);\n"
      "  return d.GetAttribute(path, name); }\n");
  ASSERT_EQ(s.code, 0) << s.log;
  const char* values[] = {
      "plain",
      "\"double\" 'single'",
      "<tag> & </tag>",
      "line\nbreak",
      "tab\there",
      "  spaces around  ",
      "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5",
      "]]> and <![CDATA[",
      "&amp; stays literal",
      "\x01\x1f controls",
      "-- not a comment --",
      "=/?:;",
  };
  for (const char* v : values) {
    EXPECT_EQ(s("Attribute", v), v) << "attribute value " << v;
    EXPECT_EQ(s("Text", v), v) << "text " << v;
  }
  EXPECT_EQ(s("Attribute", "cr\r\nlf\r"), "cr\r\nlf\r") << "attribute values keep carriage returns; text does not";
  struct Parse {
    const char* xml;
    const char* path;
    const char* name;
    const char* expected;
  } parses[] = {
      {"<a v='&lt;&gt;&amp;&quot;&apos;'/>", "a", "v", "<>&\"'"},
      {"<a v='&#233;&#x20AC;'/>", "a", "v", "\xC3\xA9\xE2\x82\xAC"},
      {"<a>x<![CDATA[<raw> & ]]>y<!--gap-->z</a>", "a", "", "x<raw> & yz"},
      {"\xEF\xBB\xBF<?xml version=\"1.0\"?><!DOCTYPE a><a>bom</a>", "a", "", "bom"},
      {"<a>one\r\ntwo</a>", "a", "", "one\ntwo"},
      {"<a> </a>", "a", "", " "},
      {"<a> <b/> </a>", "a", "", ""},
  };
  for (const Parse& p : parses)
    EXPECT_EQ(s("Parsed", p.xml, p.path, p.name, 3), p.expected) << p.xml;
}

TEST(XmlClasses, MalformedInputGivesAnEmptyDocumentAndALogLine) {
  Script s(
      "function string Load(const string xml) { XmlDocument d = new XmlDocument(\"<old/>\"); d.FromString(xml);\n"
      "  return d.ToString(); }\n"
      "function string WithZero() { return Load(\"<a>\" + string::ascii(0) + \"</a>\"); }\n");
  ASSERT_EQ(s.code, 0) << s.log;
  struct Row {
    std::string xml;
    const char* reason;  // part of the log line; null: no line
  } rows[] = {
      {"", nullptr},
      {"<a>", "offset"},
      {"<a></b>", "offset"},
      {"<a><b x='1' x='2'/></a>", "an attribute given twice"},
      {"<a/><b/>", "more than one document element"},
      {"<!--only a comment-->", "offset"},
      {"<a>\xFF</a>", "invalid UTF-8 at offset 3"},
      {"<a x='\xC3'/>", "invalid UTF-8"},
      {"<a>\xED\xA0\x80</a>", "invalid UTF-8"},
      {"<a>\xC0\xAF</a>", "invalid UTF-8"},
      {"<a>&#xD800;</a>", "a character reference outside Unicode"},
      {"<a v='&#x110000;'/>", "a character reference outside Unicode"},
      {Nested(257), "elements nested too deep"},
      {Nested(200000), "elements nested too deep"},
  };
  for (const Row& r : rows) {
    s.log.clear();
    EXPECT_EQ(s.With("Load", r.xml).substr(0, 40), "") << r.xml.substr(0, 40);
    if (r.reason) {
      EXPECT_NE(s.log.find(r.reason), std::string::npos) << r.xml.substr(0, 40) << " logged: " << s.log;
    } else {
      EXPECT_EQ(s.log, "") << r.xml;
    }
  }
  EXPECT_EQ(s("WithZero"), "");
  EXPECT_NE(s.log.find("a zero byte at offset 3"), std::string::npos) << s.log;
  EXPECT_EQ(s.With("Load", Nested(256)).substr(0, 8), "<a>\n\t<a>") << "the deepest nesting allowed";
}

TEST(XmlClasses, PathsLeadToTheFirstMatchingElement) {
  Script s(
      "XmlDocument d = new XmlDocument(\"<cfg><st n='one'>A</st><st n='two'>B</st>\"\n"
      "  + \"<group n='g'><st n='three'>C</st></group></cfg>\");\n"
      "function string Of(XmlNode n) { if (n == null) return \"null\"; if (n.type != XmlNode::kNode) return \"?\";\n"
      "  if (n.name.length == 0) return \"document\"; return n.GetAttribute(\"n\"); }\n"
      "function string FromDocument(const string path) { return Of(d.GetNode(path)); }\n"
      "function string FromGroup(const string path) { return Of(d.GetNode(\"cfg/group\").GetNode(path)); }\n"
      "function string Data(const string path) { return d.GetNodeCData(path); }\n"
      "function string Has(const string path) { return (string) d.HasAttribute(path, \"n\"); }\n");
  ASSERT_EQ(s.code, 0) << s.log;
  struct Row {
    const char* function;
    const char* path;
    const char* expected;
  } rows[] = {
      {"FromDocument", "cfg/st", "one"},
      {"FromDocument", "/cfg/group/st", "three"},
      {"FromDocument", "cfg//group/st/", "three"},
      {"FromDocument", "", "document"},
      {"FromDocument", "/", "document"},
      {"FromDocument", "cfg/missing", "null"},
      {"FromDocument", "st", "null"},
      {"FromDocument", "cfg/st n", "null"},
      {"FromGroup", "", "g"},
      {"FromGroup", "st", "three"},
      {"FromGroup", "/cfg/st", "one"},
      {"FromGroup", "cfg", "null"},
      {"Data", "cfg/st", "A"},
      {"Data", "cfg/group", ""},
      {"Data", "cfg/none", ""},
      {"Has", "cfg/group", "1"},
      {"Has", "cfg", "0"},
      {"Has", "", "0"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(s(r.function, r.path), r.expected) << r.function << "(\"" << r.path << "\")";
}

TEST(XmlClasses, NodesAndIteratorsOfAReplacedTreeReadAsInvalid) {
  Script s(
      "XmlDocument d = new XmlDocument(\"<a k='v'><b/>text</a>\");\n"
      "XmlNode a = d.GetNode(\"a\"); XmlNodeIterator kids = a.GetNodeIterator();\n"
      "XmlAttrIterator attrs = a.GetAttrIterator();\n"
      "function string Before() { return \"\" + a.valid + kids.valid + attrs.valid + \" \" + a.name; }\n"
      "function string After() { d.FromString(\"<a k='new'/>\");\n"
      "  a.SetAttribute(\"k\", \"stale\"); a.name = \"renamed\"; kids.AddNode(XmlNode::kNode, \"x\");\n"
      "  attrs.AddAttribute(\"y\", \"1\"); attrs.value = \"stale\";\n"
      "  string r = \"\" + a.valid + a.type + kids.valid + kids.GotoFirst() + kids.type + attrs.valid\n"
      "    + attrs.GotoLast() + \" [\" + a.name + a.GetAttribute(\"k\") + a.GetCData() + kids.name + attrs.name\n"
      "    + attrs.value + \"] \";\n"
      "  if (a.AddNode(\"c\") == null && a.GetNode(\"\") == null && kids.GetNode() == null) r = r + \"null \";\n"
      "  return r + d.ToString(); }\n"
      // The document lives on in its node after every variable naming it has gone.
      "function XmlNode Orphan() { XmlDocument o = new XmlDocument(\"<r><kept/></r>\"); return o.GetNode(\"r/kept\"); "
      "}\n"
      "XmlNode orphan = null;\n"
      "function string MakeOrphan() { orphan = Orphan(); return \"\"; }\n"
      "function string ReadOrphan() { return \"\" + orphan.valid + orphan.name; }\n"
      "delegate XmlNode Lookup(const string path);\n"
      "function string ThroughDelegate() { XmlDocument o = new XmlDocument(\"<r><kept/></r>\"); Lookup l = o.GetNode;\n"
      "  orphan = l(\"r/kept\"); return orphan.name; }\n");
  ASSERT_EQ(s.code, 0) << s.log;
  EXPECT_EQ(s("Before"), "111 a");
  EXPECT_EQ(s("After"), "0000000 [] null <a k=\"new\" />\n");
  s("MakeOrphan");
  s.Collect();
  EXPECT_EQ(s("ReadOrphan"), "1kept");
  EXPECT_EQ(s("ThroughDelegate"), "kept") << s.log;
  s.Collect();
  EXPECT_EQ(s("ReadOrphan"), "1kept") << "a node made through a delegate holds the document too";
}

TEST(XmlClasses, EnumerateWalksTheChildrenItFoundFirst) {
  Script s(
      "XmlDocument d = null; int visits = 0; string seen = \"\";\n"
      "function Grow(XmlNode n, var args) { visits++; seen = seen + n.name; n.SetAttribute(\"seen\", \"1\");\n"
      "  d.GetNode(\"r\").AddNode(\"late\"); }\n"
      "function Replace(XmlNode n, var args) { visits++; d.FromString(\"<other/>\"); seen = seen + n.valid; }\n"
      "function Args(XmlNode n, var args) { visits++; seen = seen + n.type + (string) args; }\n"
      "function string Walk(const string how) { d = new XmlDocument(\"<r><a/><b/><c/></r>\"); visits = 0;\n"
      "  seen = \"\";\n"
      "  if (how.compare(\"grow\") == 0) d.Enumerate(\"r\", Grow, null);\n"
      "  if (how.compare(\"grow node\") == 0) d.GetNode(\"r\").Enumerate(Grow, null);\n"
      "  if (how.compare(\"replace\") == 0) d.Enumerate(\"/r\", Replace, null);\n"
      "  if (how.compare(\"replace node\") == 0) d.GetNode(\"r\").Enumerate(Replace, null);\n"
      "  if (how.compare(\"kinds\") == 0) { d.FromString(\"<r>t<!--c--><e/></r>\"); d.Enumerate(\"r\", Args, \"x\"); "
      "}\n"
      "  if (how.compare(\"missing\") == 0) d.Enumerate(\"nothing\", Grow, null);\n"
      "  return \"\" + visits + \" \" + seen + \" \" + d.ToString(); }\n");
  ASSERT_EQ(s.code, 0) << s.log;
  const std::string grown =
      "3 abc <r>\n\t<a seen=\"1\" />\n\t<b seen=\"1\" />\n\t<c seen=\"1\" />\n\t<late />\n\t<late />\n\t<late "
      "/>\n</r>\n";
  EXPECT_EQ(s("Walk", "grow"), grown);
  EXPECT_EQ(s("Walk", "grow node"), grown);
  EXPECT_EQ(s("Walk", "replace"), "1 0 <other />\n");
  EXPECT_EQ(s("Walk", "replace node"), "1 0 <other />\n");
  EXPECT_EQ(s("Walk", "kinds"), "3 2x1x0x <r>t<!--c-->\n\t<e />\n</r>\n");
  EXPECT_EQ(s("Walk", "missing"), "0  <r>\n\t<a />\n\t<b />\n\t<c />\n</r>\n");
}

TEST(XmlClasses, IteratorsMoveAndEdit) {
  Script s(
      "function string Kids(XmlNodeIterator it) { string r = \"\"; it.GotoFirst();\n"
      "  for (; it.valid; it.GotoNext()) r = r + it.type + it.name + \" \";\n"
      "  r = r + \"|\"; if (it.GotoLast()) do { r = r + \" \" + it.name; } while (it.GotoPrev());\n"
      "  return r + \" |\" + it.valid + it.GotoNext() + it.GotoPrev(); }\n"
      "function string Nodes() { XmlDocument d = new XmlDocument(\"<r>t<a/><!--c--></r>\");\n"
      "  XmlNodeIterator it = d.GetNode(\"r\").GetNodeIterator(); string r = it.name + \": \" + Kids(it);\n"
      "  it.GotoFirst(); it.GotoNext(); r = r + \" ~\" + it.InsertNode(XmlNode::kNode, \"in\") + it.name;\n"
      "  r = r + it.AddNode(XmlNode::kComment, \"end\") + it.name + it.GotoPrev() + it.GetNode().name;\n"
      "  XmlNodeIterator none = d.GetNode(\"r/a\").GetNodeIterator();\n"
      "  r = r + \" ~\" + none.valid + none.InsertNode(XmlNode::kCData, \"first\") + none.valid;\n"
      "  return r + \"\\n\" + d.ToString(); }\n"
      "function string Attrs() { XmlDocument d = new XmlDocument(\"<r a='1' b='2' c='3'/>\");\n"
      "  XmlAttrIterator it = d.GetNode(\"r\").GetAttrIterator(); string r = \"\";\n"
      "  for (; it.valid; it.GotoNext()) r = r + it.name + it.value; r = r + \" |\";\n"
      "  if (it.GotoLast()) do { r = r + it.name; } while (it.GotoPrev()); r = r + \" |\";\n"
      "  it.GotoFirst(); it.name = \"b\"; it.value = \"one\"; it.GotoNext(); it.name = \"bee\";\n"
      "  r = r + it.AddAttribute(\"c\", \"dup\") + it.name + it.AddAttribute(\"d\", \"4\") + it.name;\n"
      "  XmlAttrIterator text = d.GetNode(\"\").GetAttrIterator();\n"
      "  r = r + \" |\" + text.valid + text.AddAttribute(\"x\", \"1\");\n"
      "  return r + \"\\n\" + d.ToString(); }\n");
  ASSERT_EQ(s.code, 0) << s.log;
  EXPECT_EQ(s("Nodes"),
            "t: 2t 0a 1c | c a t |000 ~1in1end1c ~011\n"
            "<r>t<in />\n\t<a>first</a>\n\t<!--c-->\n\t<!--end-->\n</r>\n");
  EXPECT_EQ(s("Attrs"), "a1b2c3 |cba |0bee1d |00\n<r a=\"one\" bee=\"2\" c=\"3\" d=\"4\" />\n");
}

TEST(XmlClasses, InvalidNamesAndTextsAreRefused) {
  Script s(
      "function string Try(const string name) { XmlDocument d = new XmlDocument(\"<r k='v'><e/>t<!--c--></r>\");\n"
      "  XmlNode r = d.GetNode(\"r\"); XmlNodeIterator kids = r.GetNodeIterator();\n"
      "  XmlAttrIterator attrs = r.GetAttrIterator(); string out = \"\";\n"
      "  if (r.AddNode(name) == null) out = out + \"-\"; else out = out + \"+\";\n"
      "  out = out + kids.AddNode(XmlNode::kNode, name) + d.AddAttribute(\"r\", name, \"v\") + "
      "attrs.AddAttribute(name, \"v\");\n"
      "  d.SetAttribute(\"r\", name, \"v\"); r.SetAttribute(name, \"w\"); d.GetNode(\"r/e\").name = name;\n"
      "  attrs.GotoFirst(); attrs.name = name; return out + \" \" + d.ToString(); }\n"
      "function string Structure() { XmlDocument d = new XmlDocument(\"<r/>\"); XmlNode top = d.GetNode(\"\");\n"
      "  XmlNodeIterator it = top.GetNodeIterator(); XmlNode n = d.GetNode(\"r\"); string out = \"\";\n"
      "  if (top.AddNode(\"second\") == null) out = out + \"-\";\n"
      "  out = out + it.AddNode(XmlNode::kCData, \"loose\") + it.AddNode(XmlNode::kComment, \"a--b\")\n"
      "    + it.AddNode(XmlNode::kComment, \"ends-\") + it.AddNode(7, \"x\") + it.AddNode(XmlNode::kComment, \"ok\");\n"
      "  for (int i = 1; n != null; i++) { XmlNode next = n.AddNode(\"n\"); if (next == null) out = out + \" \" + i;\n"
      "    n = next; }\n"
      "  return out; }\n");
  ASSERT_EQ(s.code, 0) << s.log;
  const std::string untouched = " <r k=\"v\">\n\t<e />t<!--c-->\n</r>\n";
  const char* invalid[] = {"",    "1a",  "-a",  ".a",   "a b", "a<b", "a>b",  "a&b",         "a\"b",
                           "a'b", "a/b", "a=b", "a\tb", "a;b", "a!b", "\xFF", "\xC3\xA9\xC3"};
  for (const char* name : invalid) {
    s.log.clear();
    EXPECT_EQ(s.With("Try", name), "-000" + untouched) << "name \"" << name << "\"";
    EXPECT_NE(s.log.find("invalid"), std::string::npos) << "name \"" << name << "\"";
  }
  for (const char* name : {"_a", "x-1.y", "ns:tag", "\xC3\xA9t\xC3\xA9", "A9"}) {
    s.log.clear();
    EXPECT_EQ(s.With("Try", name).substr(0, 5), "+110 ") << "name \"" << name << "\"";
    EXPECT_EQ(s.log, "") << "name \"" << name << "\"";
  }
  // One document element, no text beside it, comments without "--", known node types, and
  // elements nested no deeper than the limit.
  EXPECT_EQ(s("Structure"), "-00001 256");
}

}  // namespace
}  // namespace ZTools
