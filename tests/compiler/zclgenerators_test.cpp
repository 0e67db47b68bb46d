// The generators on a small declared program whose tags try to break out of where they land:
// the type export read back with an XML parser, each binding skeleton compiled by g++ against a
// stub header, the documentation pages checked for escaping, anchors and links; failed writes,
// a class named like the index page, reproducible dates, and the runtime class's entry.
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/compiler/zclfixture.h"
#include "ziltools.h"

namespace fs = std::filesystem;

namespace {

// Tags hold what each target must escape: quotes, a backslash, markup, a line break followed by a
// preprocessor line, a C++ statement closing the literal, a control byte and a byte that is not
// UTF-8.
const char kProgram[] = R"zc(
import runtime;
native class Counter {
    method Counter();
    method Counter(const int start);
    method int add(const int n); ["adds \"n\" \\ <script>alert(1)</script> &amp;
#error injected
see Shape and Counter::add, http://example.org/a?b=1&c=2."]
    function string describe(string[] parts, var extra); ["\"); static_assert(false, \"injected\"); TAG(\""]
    accessor float ratio();
    accessor ratio(const float r);
    method Counter twin(Counter other);
    method int union();
    const int kLimit = 1000;
    const string kName = "a\"b\\c";
} ["Counts up.\x01 \xff ]]> <b>"]
interface Shape { method float area(); } ["A shape @define application Demo"]
delegate int Visitor(const int x); ["@define application Demo App\nCalled per item."]
class Box : Shape { float side; method Box() { side = 2.0; } method float area() { return side * side; } }
function int main() { return 0; } ["Starts <here>."]
)zc";

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class GeneratorTest : public CompilerFixture {
 protected:
  void SetUp() override {
    CompilerFixture::SetUp();
    dir = fs::temp_directory_path() / ("zclgen-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    ASSERT_EQ(compile(kProgram), 0) << log;
    ASSERT_EQ(ZCLLink(ps), 0) << log;
  }
  void TearDown() override {
    CompilerFixture::TearDown();
    fs::remove_all(dir);
    unsetenv("SOURCE_DATE_EPOCH");
  }
  fs::path dir;
};

TEST_F(GeneratorTest, TypeExportIsWellFormedXmlInTypeIdOrderWithTagsIntact) {
  ASSERT_EQ(ZCLExportTypeInfo(ps, (dir / "out").c_str()), 0) << log;  // the folder is made
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_file((dir / "out" / "types.xml").c_str());
  ASSERT_TRUE(parsed) << parsed.description();
  int expectedId = 0;
  pugi::xml_node counter;
  for (pugi::xml_node type : doc.child("xml").children("type")) {
    EXPECT_EQ(type.attribute("typeid").as_int(), expectedId++) << "types in type-id order";
    if (std::string(type.attribute("name").value()) == "Counter")
      counter = type;
  }
  EXPECT_EQ(static_cast<size_t>(expectedId), st->classes.size());
  ASSERT_TRUE(counter);
  EXPECT_STREQ(counter.attribute("family").value(), "class");
  EXPECT_STREQ(counter.attribute("mode").value(), "native ");
  EXPECT_STREQ(counter.attribute("isnative").value(), "false");
  EXPECT_EQ(std::string(counter.child("tag").text().get()), "Counts up.\xEF\xBF\xBD \xEF\xBF\xBD ]]> <b>")
      << "a control byte and a stray byte become U+FFFD, the rest reads back as written";
  pugi::xml_node add = counter.child("functions").find_child_by_attribute("function", "name", "add");
  ASSERT_TRUE(add);
  EXPECT_STREQ(add.attribute("type").value(), "method");
  EXPECT_EQ(add.attribute("index").as_int(), 2);
  EXPECT_STREQ(add.child("result").child("var").attribute("type").value(), "int");
  EXPECT_STREQ(add.child("args").child("var").attribute("mode").value(), "const ");
  EXPECT_EQ(std::string(add.child("tag").text().get()).substr(0, 49),
            "adds \"n\" \\ <script>alert(1)</script> &amp;\n#error");
  pugi::xml_node describe = counter.child("functions").find_child_by_attribute("function", "name", "describe");
  EXPECT_STREQ(describe.attribute("type").value(), "function");
  EXPECT_STREQ(describe.child("args").child("var").attribute("type").value(), "string[]");
  pugi::xml_node visitor = doc.child("xml").find_child_by_attribute("type", "name", "Visitor");
  ASSERT_TRUE(visitor);
  EXPECT_STREQ(visitor.child("signature").child("args").child("var").attribute("type").value(), "int");
  EXPECT_STREQ(doc.child("xml").find_child_by_attribute("type", "name", "Box").attribute("baseid").value(),
               std::to_string(typeOf("Shape")).c_str());
}

TEST_F(GeneratorTest, SkeletonCompilesAsItIsAgainstTheClassHeader) {
  ASSERT_EQ(ZCLGenerateBindings(ps, dir.c_str()), 0) << log;
  EXPECT_FALSE(fs::exists(dir / "bind_Box.cpp")) << "only classes declared native get a skeleton";
  const std::string code = readText(dir / "bind_Counter.cpp");
  EXPECT_NE(
      code.find("ZILEXTERN ZILError bind_Counter_proc(NTLInstance*, ZILLong, ZILLong, ZILUnknown*, ZILUnknown**);"),
      std::string::npos);
  EXPECT_NE(code.find("\"method int add (const int n);\" TAG(\"adds \\\"n\\\" \\\\ <script>"), std::string::npos)
      << code;
  // The class the embedder writes, as the skeleton expects it; -Werror: the skeleton adds no warning.
  std::ofstream(dir / "Counter.h")
      << "#pragma once\nstruct Counter {\n"
         "  Counter(); explicit Counter(ZILLong);\n"
         "  ZILLong add(ZILLong); static std::string describe(ZILArray*, ZILHandle*);\n"
         "  ZILFloat ratio(); void ratio(ZILFloat); Counter* twin(Counter*); ZILLong union_();\n"
         "};\n";
  const std::string command =
      "g++ -std=c++20 -fsyntax-only -Wall -Wextra -Werror -I '" SONABEL_SOURCE_DIR "/zentra/include' -I '" +
      dir.string() + "' '" + (dir / "bind_Counter.cpp").string() + "' 2>'" + (dir / "errors.txt").string() + "'";
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readText(dir / "errors.txt") << code;
}

TEST_F(GeneratorTest, DocumentationPagesEscapeScriptTextAndLinkOnlyPages) {
  ASSERT_EQ(ZCLGenerateDocs(ps, dir.c_str()), 0) << log;
  for (const char* page :
       {"index.html", "Counter.html", "Shape.html", "Visitor.html", "__global.html", "string.html", "runtime.html"})
    EXPECT_TRUE(fs::exists(dir / page)) << page << ": tagged classes and the runtime's classes are documented";
  EXPECT_FALSE(fs::exists(dir / "Box.html")) << "an untagged script class is not";
  const std::string counter = readText(dir / "Counter.html");
  EXPECT_NE(counter.find("<title>ZentraScript class Counter Documentation</title>"), std::string::npos);
  EXPECT_NE(counter.find("<a name=\"A0002\"></a>"), std::string::npos);
  EXPECT_NE(counter.find("<a href=\"Shape.html\">Shape</a> and <a href=\"Counter.html#A0002\">Counter::add</a>"),
            std::string::npos)
      << counter;
  EXPECT_NE(counter.find("<a href=\"http://example.org/a?b=1&amp;c=2\">"), std::string::npos)
      << "the address ends before the full stop";
  EXPECT_NE(counter.find("&lt;script&gt;alert(1)&lt;/script&gt; &amp;amp;"), std::string::npos);
  EXPECT_NE(counter.find("Demo App class documentation</a> generated on"), std::string::npos) << "@define application";
  const std::string index = readText(dir / "index.html");
  EXPECT_NE(index.find("<title>Demo App Class Documentation</title>"), std::string::npos);
  EXPECT_NE(index.find("<a href=\"Visitor.html\">Visitor</a>"), std::string::npos);
  EXPECT_NE(index.find("Provides access to the ZentraScript compiler and <a href=\"runtime.html\">runtime</a>."),
            std::string::npos)
      << "a native class without a tag is described by its type proc";
  // Every link target is a page here (with an anchor) or a web address: nothing a tag wrote.
  const auto safeTarget = [](const std::string& target) {
    const size_t hash = target.find('#');
    for (size_t i = 0; i < std::min(hash, target.size()); i++)
      if (!std::isalnum(static_cast<unsigned char>(target[i])) && target[i] != '_' && target[i] != '.')
        return false;
    return hash == std::string::npos || (target.size() == hash + 6 && target[hash + 1] == 'A' &&
                                         target.find_first_not_of("0123456789", hash + 2) == std::string::npos);
  };
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string page = readText(entry.path());
    EXPECT_EQ(page.find("<script"), std::string::npos) << entry.path();
    EXPECT_EQ(page.find("<b>"), std::string::npos) << entry.path();
    for (size_t p = page.find("href=\""); p != std::string::npos; p = page.find("href=\"", p + 1)) {
      const std::string target = page.substr(p + 6, page.find('"', p + 6) - p - 6);
      const bool web = target.rfind("http://", 0) == 0;
      EXPECT_TRUE(web || safeTarget(target)) << entry.path() << ": " << target;
      if (!web && target.find(".html") != std::string::npos) {
        EXPECT_TRUE(fs::exists(dir / target.substr(0, target.find('#')))) << "broken link " << target;
      }
    }
  }
}

TEST_F(GeneratorTest, FailedWritesAndAnIndexClassGive1258) {
  // A folder that cannot be made (its parent is a file), and files that cannot be written out
  // whole (a full device behind each name).
  fs::create_directories(dir);
  std::ofstream(dir / "file") << "x";
  const std::string blocked = (dir / "file" / "out").string();
  EXPECT_EQ(ZCLExportTypeInfo(ps, blocked.c_str()), 1258);
  EXPECT_EQ(ZCLGenerateBindings(ps, blocked.c_str()), 1258);
  EXPECT_EQ(ZCLGenerateDocs(ps, blocked.c_str()), 1258);
  EXPECT_NE(log.find("Error while running native binding code generator"), std::string::npos) << log;
  const fs::path full = dir / "full";
  fs::create_directories(full);
  for (const char* name : {"types.xml", "bind_Counter.cpp", "index.html"})
    fs::create_symlink("/dev/full", full / name);
  EXPECT_EQ(ZCLExportTypeInfo(ps, full.c_str()), 1258);
  EXPECT_EQ(ZCLGenerateBindings(ps, full.c_str()), 1258);
  EXPECT_EQ(ZCLGenerateDocs(ps, full.c_str()), 1258);

  ASSERT_EQ(compile("class index { method index() {} } [\"would be the index page\"]"), 0) << log;
  const fs::path refused = dir / "refused";
  EXPECT_EQ(ZCLGenerateDocs(ps, refused.c_str()), 1258);
  EXPECT_FALSE(fs::exists(refused / "index.html"));
  EXPECT_EQ(ZCLExportTypeInfo(ps, nullptr), 1101);
}

TEST_F(GeneratorTest, OutputIsReproducibleUnderSourceDateEpoch) {
  setenv("SOURCE_DATE_EPOCH", "86400", 1);
  for (const char* run : {"a", "b"}) {
    ASSERT_EQ(ZCLExportTypeInfo(ps, (dir / run).c_str()), 0);
    ASSERT_EQ(ZCLGenerateBindings(ps, (dir / run).c_str()), 0);
    ASSERT_EQ(ZCLGenerateDocs(ps, (dir / run).c_str()), 0);
  }
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(dir / "a")) {
    files++;
    EXPECT_EQ(readText(entry.path()), readText(dir / "b" / entry.path().filename())) << entry.path().filename();
  }
  EXPECT_GT(files, 5u);
  EXPECT_NE(readText(dir / "a" / "index.html").find("generated on 1970-01-02T00:00:00Z"), std::string::npos);
  EXPECT_NE(readText(dir / "a" / "bind_Counter.cpp").find("kTimeStamp = \"1970-01-02\";"), std::string::npos);
}

TEST_F(GeneratorTest, RuntimeClassRunsTheGeneratorsUnlessTheHostForbidsFiles) {
  const std::string script =
      "import runtime; function int generate(string path) { return runtime::generateDocs(path) * 10000 + "
      "runtime::generateBindings(path); }";
  ASSERT_EQ(compile(script, "b.zc"), 0) << log;
  ASSERT_EQ(ZCLLink(ps), 0) << log;
  ASSERT_EQ(ZILRun(ps), 0);
  ZILHandle* fn = ZILGetFunction(ps, "generate");
  ASSERT_NE(fn, nullptr);
  const auto call = [&] {
    ZILHandle* r = ZILCallFunction(ps, fn, 1, ZIL_ARG_STRING, dir.c_str());
    const ZILLong value = r && r->type == ZIL_TYPE_INT ? r->payload.l : -1;
    NTLFreeHandle(ps, r);
    return value;
  };
  EXPECT_EQ(call(), 0);
  EXPECT_TRUE(fs::exists(dir / "index.html") && fs::exists(dir / "bind_Counter.cpp"));
  ps->runtimeFlags |= ZIL_FLAG_NO_FILE_OUTPUT;
  EXPECT_EQ(call(), 1106 * 10000 + 1106);
  NTLFreeHandle(ps, fn);
}

}  // namespace
