// The sonabel-skin program run as a user runs it: "ls" and "cat" on packages made by 7-Zip and
// on skin folders, and its one-line errors with exit status 1 for what it cannot read.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/ztools/resourcetestfiles.h"

using ResourceTest::MakePackage;
using ResourceTest::ReadFile;
using ResourceTest::TempFolder;
using ResourceTest::WriteFile;

namespace {

struct RunResult {
  int status = -1;
  std::string out, err;
};

// Runs sonabel-skin with the given arguments (each quoted for the shell).
RunResult RunSkinTool(const TempFolder& temp, const std::vector<std::string>& arguments) {
  std::string command = "'" SONABEL_BINARY_DIR "/sonabel-skin'";
  for (const std::string& argument : arguments)
    command += " '" + argument + "'";
  command += " >'" + temp / "stdout" + "' 2>'" + temp / "stderr" + "'";
  int raw = std::system(command.c_str());
  RunResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFile(temp / "stdout");
  result.err = ReadFile(temp / "stderr");
  return result;
}

size_t CountLines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

TEST(SonabelSkinTool, ListsAndPrintsFilesOfPackagesAndFolders) {
  TempFolder temp;
  const std::string binary = ResourceTest::NoiseBytes(3000, 9) + std::string("\0\r\n\x1a", 4);
  WriteFile(temp.Path() / "skin/main.zml", "<zml></zml>\n");
  WriteFile(temp.Path() / "skin/Images/Knob.PNG", binary);
  MakePackage(temp.Path() / "skin", temp / "lzma.zpac", "-m0=LZMA -ms=on");
  MakePackage(temp.Path() / "skin", temp / "bcj2.zpac",
              "-m0=BCJ2 -m1=LZMA -m2=LZMA -m3=LZMA -mb0s0:1 -mb0s1:2 -mb0s2:3");

  for (const char* source : {"lzma.zpac", "bcj2.zpac", "skin"}) {
    SCOPED_TRACE(source);
    RunResult ls = RunSkinTool(temp, {"ls", temp / source});
    EXPECT_EQ(ls.status, 0) << ls.err;
    EXPECT_EQ(ls.out, "      3004  Images/Knob.PNG\n        12  main.zml\n");
    EXPECT_EQ(ls.err, "");

    RunResult cat = RunSkinTool(temp, {"cat", temp / source, "images\\knob.png"});
    EXPECT_EQ(cat.status, 0) << cat.err;
    EXPECT_EQ(cat.out, binary);
    EXPECT_EQ(RunSkinTool(temp, {"cat", temp / source, "main.zml"}).out, "<zml></zml>\n");
  }
}

TEST(SonabelSkinTool, FailsWithOneLineErrorAndStatusOne) {
  TempFolder temp;
  WriteFile(temp.Path() / "skin/main.zml", ResourceTest::SampleText(5000, 3));
  WriteFile(temp.Path() / "outside.txt", "secret");
  MakePackage(temp.Path() / "skin", temp / "good.zpac", "-m0=LZMA");
  std::string good = ReadFile(temp / "good.zpac");
  WriteFile(temp.Path() / "truncated.zpac", good.substr(0, good.size() / 2));
  std::string flipped = good;
  flipped[40] = static_cast<char>(flipped[40] ^ 0x08);  // inside the compressed data
  WriteFile(temp.Path() / "flipped.zpac", flipped);
  WriteFile(temp.Path() / "text.zpac", "not a package\n");

  const std::vector<std::vector<std::string>> failing = {
      {"ls", temp / "truncated.zpac"},
      {"ls", temp / "text.zpac"},
      {"ls", temp / "missing.zpac"},
      {"ls", temp / "flipped.zpac"},
      {"cat", temp / "truncated.zpac", "main.zml"},
      {"cat", temp / "flipped.zpac", "main.zml"},
      {"cat", temp / "good.zpac", "missing.zml"},
      {"cat", temp / "skin", "../outside.txt"},
      {"cat", temp / "skin", "."},
  };
  for (const auto& arguments : failing) {
    SCOPED_TRACE(arguments[0] + " " + arguments[1] + (arguments.size() > 2 ? " " + arguments[2] : ""));
    RunResult run = RunSkinTool(temp, arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(CountLines(run.err), 1u) << run.err;
    EXPECT_EQ(run.err.rfind("sonabel-skin: ", 0), 0u) << run.err;
  }

  EXPECT_EQ(RunSkinTool(temp, {}).status, 2);
  EXPECT_EQ(RunSkinTool(temp, {"ls"}).status, 2);
  EXPECT_EQ(RunSkinTool(temp, {"frobnicate", temp / "skin"}).status, 2);
  EXPECT_EQ(RunSkinTool(temp, {"draw-test"}).status, 2);
  EXPECT_EQ(RunSkinTool(temp, {"render", temp / "skin", temp / "out.png", "--size"}).status, 2);
  RunResult help = RunSkinTool(temp, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("sonabel-skin cat SOURCE NAME"), std::string::npos);
}
