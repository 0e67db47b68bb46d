// sonabel-skin's markup commands run as a user runs them: "check" on hand-broken documents in a
// folder and in a package (error lines with code, line and column; exit status), and "tree".
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "tests/ztools/resourcetestfiles.h"

using ResourceTest::MakePackage;
using ResourceTest::ReadFile;
using ResourceTest::TempFolder;
using ResourceTest::WriteFile;

namespace {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

ToolRun RunTool(const TempFolder& temp, const std::vector<std::string>& arguments) {
  std::string command = "SONABEL_NO_DIALOGS=1 '" SONABEL_BINARY_DIR "/sonabel-skin'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += " >'" + temp / "stdout" + "' 2>'" + temp / "stderr" + "'";
  const int raw = std::system(command.c_str());
  ToolRun result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFile(temp / "stdout");
  result.err = ReadFile(temp / "stderr");
  return result;
}

}  // namespace

TEST(SonabelSkinMarkup, CheckReportsCodeLineAndColumn) {
  TempFolder temp;
  WriteFile(temp.Path() / "skin/main.zml",
            "<zml>\n  <bitmaps>\n    <import file='Parts\\more.zml'/>\n  </bitmaps>\n</zml>\n");
  WriteFile(temp.Path() / "skin/parts/more.zml", "<zml>\r\n<scalers></bitmaps></zml>");
  WriteFile(temp.Path() / "skin/good.zml", "<zml><scalers name='s'/><bitmaps/></zml>");
  WriteFile(temp.Path() / "skin/open.zml", "<zml>\n<scalers>\n");
  MakePackage(temp.Path() / "skin", temp / "skin.zpac", "-m0=LZMA");

  for (const char* source : {"skin", "skin.zpac"}) {
    SCOPED_TRACE(source);
    ToolRun broken = RunTool(temp, {"check", temp / source});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.out,
              "Parts\\more.zml(2,19): error -1031: Mismatching end-tag\n"
              "main.zml(3,35): error -1056: Error importing script file\n");
    EXPECT_EQ(broken.err, "") << "no message box text leaks out";

    ToolRun open = RunTool(temp, {"check", temp / source, "open.zml"});
    EXPECT_EQ(open.status, 1);
    EXPECT_EQ(open.out, "open.zml(3,0): error -1032: Missing end-tag\n");

    ToolRun good = RunTool(temp, {"check", temp / source, "good.zml"});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.out, "");

    ToolRun tree = RunTool(temp, {"tree", temp / source, "good.zml"});
    EXPECT_EQ(tree.status, 0) << tree.err;
    EXPECT_EQ(tree.out, "scalers #s\nbitmaps #bitmaps\n");

    ToolRun missing = RunTool(temp, {"check", temp / source, "nothing.zml"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "nothing.zml(0,0): error -11: File open failed\n");
  }
  EXPECT_EQ(RunTool(temp, {"check"}).status, 2);
  EXPECT_EQ(RunTool(temp, {"check", temp / "nowhere"}).status, 1);
}
