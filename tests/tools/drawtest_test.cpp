// sonabel-skin draw-test writes a real PNG, and a skin whose markup loads that PNG as a bitmap
// (and a missing one) passes and fails "check" in a folder and in a package.
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

int RunTool(const TempFolder& temp, const std::vector<std::string>& arguments, std::string* out) {
  std::string command = "SONABEL_NO_DIALOGS=1 '" SONABEL_BINARY_DIR "/sonabel-skin'";
  for (const std::string& argument : arguments)
    command += " '" + argument + "'";
  command += " >'" + temp / "stdout" + "' 2>'" + temp / "stderr" + "'";
  const int raw = std::system(command.c_str());
  *out = ReadFile(temp / "stdout") + ReadFile(temp / "stderr");
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace

TEST(SonabelSkinDraw, TestSheetIsAPngThatSkinsCanLoad) {
  TempFolder temp;
  std::string out;
  ASSERT_EQ(RunTool(temp, {"draw-test", temp / "skin/Images/Sheet.png"}, &out), 1)
      << "the folder does not exist yet, so the file cannot be written";
  WriteFile(temp.Path() / "skin/images/keep", "");
  ASSERT_EQ(RunTool(temp, {"draw-test", temp / "skin/images/sheet.png"}, &out), 0) << out;
  const std::string png = ReadFile(temp / "skin/images/sheet.png");
  ASSERT_GT(png.size(), 1000u);
  EXPECT_EQ(png.substr(1, 3), "PNG");

  WriteFile(temp.Path() / "skin/main.zml",
            "<zml><bitmaps><bitmap name='sheet' file='Images\\Sheet.PNG'/></bitmaps></zml>");
  WriteFile(temp.Path() / "skin/broken.zml",
            "<zml><bitmaps><bitmap name='gone' file='images/none.png'/></bitmaps></zml>");
  MakePackage(temp.Path() / "skin", temp / "skin.zpac", "-m0=LZMA");
  for (const char* source : {"skin", "skin.zpac"}) {
    SCOPED_TRACE(source);
    EXPECT_EQ(RunTool(temp, {"check", temp / source}, &out), 0) << out;
    EXPECT_EQ(RunTool(temp, {"check", temp / source, "broken.zml"}, &out), 1);
    EXPECT_NE(out.find("error -11"), std::string::npos) << out;
  }
}
