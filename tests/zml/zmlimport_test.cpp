// Tests of parsing files through the resource layer: imports by file and by folder with depth,
// import cycles, and files that cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ztools/base/zresourcesource.h"
#include "zmltestsupport.h"

namespace {

using namespace ZTools;
using ZMLTest::Fixture;

// A skin folder made for one test and opened as the resource source.
class SkinFolder {
 public:
  SkinFolder() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::filesystem::path(testing::TempDir()) / (std::string("zml_") + info->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  ~SkinFolder() {
    ZCloseResourceSource();
    std::filesystem::remove_all(root_);
  }
  void Write(const std::string& name, const std::string& text) {
    const auto path = root_ / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  void Open() { ASSERT_NE(ZOpenResourceSource(nullptr, root_.c_str()), nullptr); }

 private:
  std::filesystem::path root_;
};

std::string Names(const ZMLNode* node) {
  std::string out;
  for (const ZMLNode* child : node->Children())
    out += std::string(child->Name().CStr()) + " ";
  return out;
}

TEST(ZMLImport, FileImportsParseInPlace) {
  SkinFolder skin;
  skin.Write("main.zml",
             "<zml>\n<box name='outer'>\n  <import file='Parts\\Inner.zml'/>\n</box>\n"
             "<import file='parts/inner2.zml'/></zml>");
  skin.Write("parts/inner.zml", "<zml><var name='v' value='from inner'/><item name='a'/><item name='b'/></zml>");
  skin.Write("parts/inner2.zml", "<zml><box name='c' text='$(v)'/></zml>");
  skin.Open();
  Fixture f;
  ASSERT_EQ(f.host->ParseFile("main.zml"), 0) << f.LastBox();
  EXPECT_EQ(Names(f.host->FindNode("outer")), "a b ");
  EXPECT_EQ(Names(f.host->Root()), "outer c ");
  EXPECT_TRUE(f.Logged("c: SetProperty Property='text' Value='from inner'"));
  EXPECT_EQ(f.host->StreamOf(*f.host->FindNode("a")), "Parts\\Inner.zml");
  EXPECT_EQ(f.host->FindNode("c")->Line(), 1);
}

TEST(ZMLImport, CyclesAreRefused) {
  SkinFolder skin;
  skin.Write("self.zml", "<zml>\n <import file='SELF.zml'/></zml>");
  skin.Write("a.zml", "<zml><import file='b.zml'/></zml>");
  skin.Write("b.zml", "<zml><import file='./a.zml'/></zml>");
  skin.Open();
  {
    Fixture f;
    EXPECT_EQ(f.host->ParseFile("self.zml"), kZErrImportRecursion);
    ASSERT_EQ(f.boxes.Boxes().size(), 1u);
    EXPECT_EQ(f.LastBox(),
              "An error was detected while parsing the script:\n\nFile:\tself.zml\nLine:\t2\nColumn:\t26\n"
              "Error:\tScript import recursion detected");
  }
  {
    Fixture f;
    EXPECT_EQ(f.host->ParseFile("a.zml"), kZErrImportRecursion);
    ASSERT_EQ(f.host->Diagnostics().size(), 2u) << "the inner file's error, then the outer's";
    EXPECT_EQ(f.host->Diagnostics()[0].stream, "b.zml");
    EXPECT_EQ(f.host->Diagnostics()[1].stream, "a.zml");
  }
}

TEST(ZMLImport, FailingImports) {
  SkinFolder skin;
  skin.Write("missing.zml", "<zml><import file='nowhere.zml'/></zml>");
  skin.Write("broken.zml", "<zml><import file='bad.zml'/></zml>");
  skin.Write("bad.zml", "<zml><box></zml>");
  skin.Write("misplaced.zml", "<zml><var name='x' value='1'><import file='bad.zml'/></var></zml>");
  skin.Write("noattr.zml", "<zml><import/></zml>");
  skin.Open();
  const struct {
    const char* file;
    int32_t code;
    size_t boxes;
  } cases[] = {
      {"missing.zml", kZErrImportFailed, 2},         {"broken.zml", kZErrImportFailed, 2},
      {"misplaced.zml", kZErrCannotAttachObject, 1}, {"noattr.zml", kZErrRequiredPropertyMissing, 1},
      {"not-there.zml", kZErrFileOpenFailed, 1},
  };
  for (const auto& c : cases) {
    Fixture f;
    EXPECT_EQ(f.host->ParseFile(c.file), c.code) << c.file;
    EXPECT_EQ(f.boxes.Boxes().size(), c.boxes) << c.file;
  }
  Fixture f;
  EXPECT_EQ(f.host->ParseFile("not-there.zml"), kZErrFileOpenFailed);
  EXPECT_EQ(f.LastBox(),
            "An error was detected while parsing the script:\n\nFile:\tnot-there.zml\nLine:\t0\n"
            "Column:\t0\nError:\tFile open failed");
}

TEST(ZMLImport, ImportChainsAndTreesStopAtTheirLimits) {
  // A chain longer than the nesting limit; files that each import the next one twice (2^30 parses
  // unless the total is bounded).
  const struct { int files, importsEach; } cases[] = {{int(ZMLScriptHost::kMaxImportNesting) + 5, 1}, {30, 2}};
  for (const auto& c : cases) {
    SkinFolder skin;
    for (int i = 0; i < c.files; ++i) {
      std::string text = "<zml>";
      for (int k = 0; k < c.importsEach; ++k)
        text += "<import file='f" + std::to_string(i + 1) + ".zml'/>";
      skin.Write("f" + std::to_string(i) + ".zml", text + "</zml>");
    }
    skin.Write("f" + std::to_string(c.files) + ".zml", "<zml></zml>");
    skin.Open();
    Fixture f;
    EXPECT_EQ(f.host->ParseFile("f0.zml"), kZErrImportFailed) << c.files << " files";
  }
}

TEST(ZMLImport, FolderImportsWithDepth) {
  SkinFolder skin;
  skin.Write("main.zml", "<zml></zml>");
  skin.Write("parts/b.zml", "<zml><item name='b'/></zml>");
  skin.Write("parts/A.ZML", "<zml><item name='a'/></zml>");
  skin.Write("parts/notes.txt", "not markup");
  skin.Write("parts/sub/c.zml", "<zml><item name='c'/></zml>");
  skin.Write("parts/sub/deeper/d.zml", "<zml><item name='d'/></zml>");
  skin.Write("partsx/e.zml", "<zml><item name='e'/></zml>");
  skin.Open();
  const struct {
    const char* text;
    int32_t code;
    const char* names;
  } cases[] = {
      {"<zml><import path='parts'/></zml>", 0, "a b "},
      {"<zml><import path='Parts/' depth='2'/></zml>", 0, "a b c "},
      {"<zml><import path='parts' depth='9'/></zml>", 0, "a b c d "},
      {"<zml><box name='x'><import path='parts\\sub' depth='2'/></box></zml>", 0, "x "},
      {"<zml><import path='parts' depth='0'/></zml>", kZErrIllegalPropertyValue, ""},
      {"<zml><import path='parts' depth='two'/></zml>", kZErrIllegalPropertyValue, ""},
      {"<zml><import path='parts/../..'/></zml>", kZErrImportFailed, ""},
  };
  for (const auto& c : cases) {
    Fixture f;
    EXPECT_EQ(f.Parse(c.text), c.code) << c.text;
    if (c.code == 0) {
      EXPECT_EQ(Names(f.host->Root()), c.names) << c.text;
    }
  }
  Fixture f;
  ASSERT_EQ(f.Parse("<zml><box name='x'><import path='parts\\sub' depth='2'/></box></zml>"), 0);
  EXPECT_EQ(Names(f.host->FindNode("x")), "c d ");
}

}  // namespace
