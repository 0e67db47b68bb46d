// The sonabel-skin program run as a user runs it: "ls" and "cat" on packages made by 7-Zip and on
// skin folders, "draw-test" and a skin that loads its sheet, "check" on hand-broken documents in
// a folder and in a package (error lines with code, line and column; exit status), "tree" with
// pane frames, "render" compared pixel by pixel with pictures painted from the layout rules,
// "params" with script hooks, and one-line errors with exit status 1 for what it cannot read.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/ztools/resourcetestfiles.h"
#include "ztools/zpng.h"

using ResourceTest::MakePackage;
using ResourceTest::ReadFile;
using ResourceTest::TempFolder;
using ResourceTest::WriteFile;

namespace {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

// Runs sonabel-skin with the given arguments (each quoted for the shell).
ToolRun RunTool(const TempFolder& temp, const std::vector<std::string>& arguments) {
  std::string command = "SONABEL_NO_DIALOGS=1 '" SONABEL_BINARY_DIR "/sonabel-skin'";
  for (const std::string& argument : arguments)
    command += " '" + argument + "'";
  command += " >'" + temp / "stdout" + "' 2>'" + temp / "stderr" + "'";
  const int raw = std::system(command.c_str());
  ToolRun result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFile(temp / "stdout");
  result.err = ReadFile(temp / "stderr");
  return result;
}

// The picture a PNG file holds; 0 x 0 when the file is not one.
ZTools::ZDecodedImage ReadPng(const std::string& path) {
  ZTools::ZDecodedImage image;
  const std::string png = ReadFile(path);
  if (ZTools::ZDecodePNG(reinterpret_cast<const uint8_t*>(png.data()), png.size(), image) != 0)
    image.Clear();
  return image;
}

uint32_t Pixel(const ZTools::ZDecodedImage& image, int x, int y) {
  return image.pixels[size_t(y) * size_t(image.width) + size_t(x)] & 0xffffff;
}

// The hooks a script control must have, doing nothing.
const char* const kControlStubs =
    " method Open() { } method Close() { } method Idle() { } method OnStopDrag() { }"
    " method int OnClick(int b, int x, int y) { return 0; } method int OnStartDrag(int b, int x, int y) { return 0; }"
    " method int OnDrag(int b, int x, int y) { return 0; } method int OnWheel(int b, int x, int y, float d) { return "
    "0; }"
    " method OnMouseEnter() { } method OnMouseLeave() { } method int OnKey(int key) { return 0; }"
    " method TakeFocus() { } method RemoveFocus() { } method int ParameterChanged(Parameter p) { return 0; } }";

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
    ToolRun ls = RunTool(temp, {"ls", temp / source});
    EXPECT_EQ(ls.status, 0) << ls.err;
    EXPECT_EQ(ls.out, "      3004  Images/Knob.PNG\n        12  main.zml\n");
    EXPECT_EQ(ls.err, "");

    ToolRun cat = RunTool(temp, {"cat", temp / source, "images\\knob.png"});
    EXPECT_EQ(cat.status, 0) << cat.err;
    EXPECT_EQ(cat.out, binary);
    EXPECT_EQ(RunTool(temp, {"cat", temp / source, "main.zml"}).out, "<zml></zml>\n");
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
    ToolRun run = RunTool(temp, arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.rfind("sonabel-skin: ", 0), 0u) << run.err;
  }

  EXPECT_EQ(RunTool(temp, {}).status, 2);
  EXPECT_EQ(RunTool(temp, {"ls"}).status, 2);
  EXPECT_EQ(RunTool(temp, {"frobnicate", temp / "skin"}).status, 2);
  EXPECT_EQ(RunTool(temp, {"draw-test"}).status, 2);
  EXPECT_EQ(RunTool(temp, {"render", temp / "skin", temp / "out.png", "--size"}).status, 2);
  ToolRun help = RunTool(temp, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("sonabel-skin cat SOURCE NAME"), std::string::npos);
}

// draw-test writes a real PNG that a skin can load as a bitmap; "check" and "tree" read the same
// skin from its folder and from a package.
TEST(SonabelSkinMarkup, CheckReportsCodeLineAndColumn) {
  TempFolder temp;
  EXPECT_EQ(RunTool(temp, {"draw-test", temp / "skin/Images/Sheet.png"}).status, 1)
      << "the folder does not exist yet, so the file cannot be written";
  WriteFile(temp.Path() / "skin/images/keep", "");
  ASSERT_EQ(RunTool(temp, {"draw-test", temp / "skin/images/sheet.png"}).status, 0);
  const std::string png = ReadFile(temp / "skin/images/sheet.png");
  ASSERT_GT(png.size(), 1000u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  WriteFile(temp.Path() / "skin/main.zml",
            "<zml>\n  <bitmaps>\n    <import file='Parts\\more.zml'/>\n  </bitmaps>\n</zml>\n");
  WriteFile(temp.Path() / "skin/parts/more.zml", "<zml>\r\n<scalers></bitmaps></zml>");
  WriteFile(temp.Path() / "skin/good.zml", "<zml><scalers name='s'/><bitmaps/></zml>");
  WriteFile(temp.Path() / "skin/open.zml", "<zml>\n<scalers>\n");
  WriteFile(temp.Path() / "skin/sheet.zml",
            "<zml><bitmaps><bitmap name='sheet' file='Images\\Sheet.PNG'/></bitmaps></zml>");
  WriteFile(temp.Path() / "skin/gone.zml",
            "<zml><bitmaps><bitmap name='gone' file='images/none.png'/></bitmaps></zml>");
  MakePackage(temp.Path() / "skin", temp / "skin.zpac", "-m0=LZMA");

  const struct {
    const char* command;
    const char* file;  // "" for main.zml
    int status;
    const char* out;
  } rows[] = {
      {"check", "", 1,
       "Parts\\more.zml(2,19): error -1031: Mismatching end-tag\n"
       "main.zml(3,35): error -1056: Error importing script file\n"},
      {"check", "open.zml", 1, "open.zml(3,0): error -1032: Missing end-tag\n"},
      {"check", "good.zml", 0, ""},
      {"tree", "good.zml", 0, "scalers #s\nbitmaps #bitmaps\n"},
      {"check", "nothing.zml", 1, "nothing.zml(0,0): error -11: File open failed\n"},
      {"check", "sheet.zml", 0, ""},
      {"check", "gone.zml", 1, "gone.zml(1,14): error -11: File open failed\n"},
  };
  for (const char* source : {"skin", "skin.zpac"})
    for (const auto& r : rows) {
      SCOPED_TRACE(std::string(source) + " " + r.command + " " + r.file);
      std::vector<std::string> arguments = {r.command, temp / source};
      if (*r.file)
        arguments.push_back(r.file);
      ToolRun run = RunTool(temp, arguments);
      EXPECT_EQ(run.status, r.status);
      EXPECT_EQ(run.out, r.out);
      EXPECT_EQ(run.err, "") << "no message box text leaks out";
    }
  EXPECT_EQ(RunTool(temp, {"check"}).status, 2);
  EXPECT_EQ(RunTool(temp, {"check", temp / "nowhere"}).status, 1);
}

namespace {

// Nested, aligned boxes of solid colours on two surfaces.
const char* kAlignedSkin =
    "<zml><const name='initialwindowsize' value='64,48'/><surfaces><surface><views>"
    "<colorbox name='root' size='64,48' color='#102030'>"
    "  <colorbox name='bar' size='64,8' align='hresizeabs' color='#ff0000'/>"
    "  <colorbox name='foot' pos='0,40' size='64,8' align='bottom' color='#00ff00'>"
    "    <colorbox name='dot' pos='28,2' size='8,4' color='#0000ff'/>"
    "  </colorbox>"
    "  <colorbox name='mid' pos='24,16' size='16,16' align='center' color='#ffff00'/>"
    "  <colorbox name='over' pos='56,0' size='8,8' align='right' color='#ffffff'/>"
    "</colorbox></views></surface>"
    "<surface><views><colorbox size='10,10' color='#808080'/></views></surface></surfaces></zml>";

struct Box {
  int32_t left, top, right, bottom;
  uint32_t rgb;
};

// Compares a written PNG with boxes painted in order onto black; answers the first difference.
std::string CompareWithBoxes(const std::string& file, int32_t w, int32_t h, const std::vector<Box>& boxes) {
  const ZTools::ZDecodedImage image = ReadPng(file);
  if (image.width != w || image.height != h)
    return "size " + std::to_string(image.width) + "x" + std::to_string(image.height);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint32_t want = 0;
      for (const Box& b : boxes)
        if (x >= b.left && x < b.right && y >= b.top && y < b.bottom)
          want = b.rgb;
      const uint32_t got = Pixel(image, x, y);
      if (got != want) {
        char text[96];
        std::snprintf(text, sizeof text, "pixel %d,%d is %06x, not %06x", x, y, got, want);
        return text;
      }
    }
  }
  return "";
}

}  // namespace

TEST(SonabelSkinRender, DrawsNestedAlignedPanesAtTheSkinSizeAndAtAnother) {
  TempFolder temp;
  WriteFile(temp.Path() / "skin/main.zml", kAlignedSkin);
  ToolRun small = RunTool(temp, {"render", temp / "skin", temp / "small.png"});
  ASSERT_EQ(small.status, 0) << small.err << small.out;
  EXPECT_EQ(CompareWithBoxes(temp / "small.png", 64, 48,
                             {{0, 0, 64, 48, 0x102030},
                              {0, 0, 64, 8, 0xff0000},
                              {0, 40, 64, 48, 0x00ff00},
                              {28, 42, 36, 46, 0x0000ff},
                              {24, 16, 40, 32, 0xffff00},
                              {56, 0, 64, 8, 0xffffff}}),
            "");
  ToolRun large = RunTool(temp, {"render", temp / "skin", temp / "large.png", "--size", "100x60"});
  ASSERT_EQ(large.status, 0) << large.err;
  EXPECT_EQ(CompareWithBoxes(temp / "large.png", 100, 60,
                             {{0, 0, 100, 60, 0x102030},
                              {0, 0, 100, 8, 0xff0000},
                              {0, 52, 64, 60, 0x00ff00},
                              {28, 54, 36, 58, 0x0000ff},
                              {42, 22, 58, 38, 0xffff00},
                              {92, 0, 100, 8, 0xffffff}}),
            "");
  ToolRun second = RunTool(temp, {"render", temp / "skin", temp / "second.png", "--surface", "1", "--size", "20x10"});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(CompareWithBoxes(temp / "second.png", 20, 10, {{0, 0, 20, 10, 0x808080}}), "");

  ToolRun tree = RunTool(temp, {"tree", temp / "skin"});
  EXPECT_NE(tree.out.find("colorbox #mid align='center' size='16,16' pos='24,16' color='#ffff00' "
                          "[frame=24,16,40,32 flags=default align=center]"),
            std::string::npos)
      << tree.out;
}

TEST(SonabelSkinRender, SaysWhatIsWrongAndExitsWithOne) {
  TempFolder temp;
  WriteFile(temp.Path() / "skin/main.zml", kAlignedSkin);
  WriteFile(temp.Path() / "skin/bad.zml",
            "<zml><surfaces><surface><views><view pos='10'/></views></surface></surfaces></zml>");
  WriteFile(temp.Path() / "skin/empty.zml", "<zml></zml>");
  struct Case {
    std::vector<std::string> arguments;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {{"bad.zml"}, 1, "error -1038"},
      {{"empty.zml"}, 1, "no surface"},
      {{"main.zml", "--surface", "2"}, 1, "no surface 2"},
      {{"main.zml", "--size", "0x5"}, 2, "--size"},
      {{"main.zml", "--param", "volume=1"}, 1, "volume=1"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"render", temp / "skin", temp / "out.png", "--file"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    ToolRun run = RunTool(temp, arguments);
    SCOPED_TRACE(c.says);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.out << run.err;
  }
}

TEST(SonabelSkinScripts, HooksRunBeforeDrawingAndPrintingAndScriptErrorsReachTheTerminal) {
  TempFolder temp;
  const std::string example = SONABEL_SOURCE_DIR "/skins/examples/scripted";
  ToolRun params = RunTool(temp, {"params", example, "--idle", "3"});
  ASSERT_EQ(params.status, 0) << params.err;
  EXPECT_EQ(params.out, "level\t64\t0.64\t64\nstatus\t0\t0\tidle 3\n");
  // Open sized the bar from the level; three idle ticks moved the dot 24 pixels.
  ToolRun render = RunTool(temp, {"render", example, temp / "out.png", "--idle", "3"});
  ASSERT_EQ(render.status, 0) << render.err;
  const ZTools::ZDecodedImage image = ReadPng(temp / "out.png");
  ASSERT_EQ(image.width, 240);
  const struct {
    int x, y;
    uint32_t rgb;
  } probes[] = {{80, 43, 0x3fb950}, {148, 43, 0x3fb950}, {160, 43, 0x0d1117}, {44, 72, 0xf0883e}, {20, 72, 0x1b2430}};
  for (const auto& p : probes)
    EXPECT_EQ(Pixel(image, p.x, p.y), p.rgb) << p.x << "," << p.y;

  WriteFile(temp.Path() / "broken/main.zml", "<zml><scripts><script text='int x = ;'/></scripts></zml>");
  WriteFile(temp.Path() / "throws/main.zml",
            "<zml><scripts><script text='function Open(Application app) { int z = 0; z = 1 / z; }'/></scripts>"
            "<surfaces><surface><views><view size='4,4'/></views></surface></surfaces></zml>");
  ToolRun broken = RunTool(temp, {"params", temp / "broken"});
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find("[ZentraScript Compiler Error]\nError"), std::string::npos) << broken.err;
  ToolRun throws = RunTool(temp, {"render", temp / "throws", temp / "t.png"});
  EXPECT_EQ(throws.status, 0) << "a script exception does not stop the skin";
  EXPECT_NE(throws.err.find("[ZIL Runtime Error]\nVIRTUAL MACHINE EXCEPTION AT"), std::string::npos) << throws.err;
}

TEST(SonabelSkinRender, ScriptControlsDrawTheirLayersInsideThePane) {
  TempFolder temp;
  // A red layer inside the control; a green one reaching past its right edge shows only inside.
  WriteFile(temp.Path() / "skin/main.zml",
            std::string(
                "<zml><const name='initialwindowsize' value='64,48'/><scripts><script name='s' text='import RectLayer;"
                "class Boxes : Control { method Boxes(NativeControl c) {"
                " RectLayer r = new RectLayer(); r.SetColor(new Color(255, 0, 0)); r.fill = 1;"
                " r.SetRect(new Rect(5, 5, 15, 15)); c.AddLayer(r);"
                " RectLayer g = new RectLayer(); g.SetColor(new Color(0, 255, 0)); g.fill = 1;"
                " g.SetRect(new Rect(30, 0, 50, 10)); c.AddLayer(g); }") +
                kControlStubs +
                "'/>"
                "</scripts><surfaces><surface><views><colorbox size='64,48' color='#102030'>"
                "<scriptcontrol pos='10,10' size='40,30' script='s' "
                "class='Boxes'/></colorbox></views></surface></surfaces></zml>");
  ToolRun run = RunTool(temp, {"render", temp / "skin", temp / "out.png"});
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  EXPECT_EQ(CompareWithBoxes(temp / "out.png", 64, 48,
                             {{0, 0, 64, 48, 0x102030}, {15, 15, 25, 25, 0xff0000}, {40, 10, 50, 20, 0x00ff00}}),
            "");
}

TEST(SonabelSkinRender, TheScriptControlsExampleRendersAndNamesItsVolume) {
  TempFolder temp;
  const std::string example = SONABEL_SOURCE_DIR "/skins/examples/scriptcontrols";
  ToolRun params = RunTool(temp, {"params", example, "--param", "volume=80"});
  ASSERT_EQ(params.status, 0) << params.err;
  EXPECT_EQ(params.out.substr(0, params.out.find('\n')), "volume\t80\t0.8\tloud 80");
  ToolRun render = RunTool(temp, {"render", example, temp / "out.png", "--idle", "5", "--param", "volume=80"});
  ASSERT_EQ(render.status, 0) << render.err;
  const ZTools::ZDecodedImage image = ReadPng(temp / "out.png");
  ASSERT_EQ(image.width, 320);
  auto at = [&](int x, int y) {
    return Pixel(image, x, y);
  };
  EXPECT_EQ(at(24, 61), 0x58a6ffu) << "the knob's first dot is lit";
  EXPECT_NE(at(100, 72), 0x0d1117u) << "the first bar stands";
}

TEST(SonabelSkinRender, TextAndBitmapLayersAlignBlendAndFade) {
  TempFolder temp;
  // A 4x4 blue BMP (24 bits, bottom-up rows of 12 bytes).
  std::string bmp = "BM" + std::string(52, '\0');
  auto put = [&bmp](size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++)
      bmp[at + i] = char(v >> (8 * i));
  };
  put(10, 54), put(14, 40), put(18, 4), put(22, 4), put(26, 1 | (24 << 16));
  for (int i = 0; i < 16; i++)
    bmp += std::string("\xff\x00\x00", 3);
  put(2, uint32_t(bmp.size()));
  WriteFile(temp.Path() / "skin/blue.bmp", bmp);
  WriteFile(
      temp.Path() / "skin/main.zml",
      std::string(
          "<zml><const name='initialwindowsize' value='64,40'/><scripts><script name='s' text='"
          "import RectLayer; import TextLayer; import BitmapLayer;"
          "class Show : Control { method Show(NativeControl c) {"
          " RectLayer r = new RectLayer(); r.SetColor(new Color(255, 0, 0)); r.fill = 1;"
          " r.SetRect(new Rect(0, 0, 64, 20)); c.AddLayer(r);"
          " Bitmap b = new Bitmap(\"blue.bmp\", 0);"
          " BitmapLayer faded = new BitmapLayer(); faded.SetBitmap(b); faded.opacity = 128; faded.MoveTo(4, 4);"
          " BitmapLayer dark = new BitmapLayer(); dark.SetBitmap(b); dark.blendMode = kBlendDarken; dark.MoveTo(12, 4);"
          " c.AddLayer(faded); c.AddLayer(dark);"
          " TextLayer t = new TextLayer(); t.text = \"II\"; t.SetColor(new Color(255, 255, 255));"
          " t.align = kTextAlignRight | kTextAlignSingleLine; t.SetRect(new Rect(0, 22, 64, 40)); c.AddLayer(t); }") +
          kControlStubs +
          "'/>"
          "</scripts><surfaces><surface><views><colorbox size='64,40' color='#000000'>"
          "<scriptcontrol size='64,40' script='s' class='Show'/></colorbox></views></surface></surfaces></zml>");
  ToolRun run = RunTool(temp, {"render", temp / "skin", temp / "out.png"});
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const ZTools::ZDecodedImage image = ReadPng(temp / "out.png");
  ASSERT_EQ(image.width, 64);
  auto at = [&](int x, int y) {
    return Pixel(image, x, y);
  };
  const uint32_t faded = at(5, 5);
  EXPECT_NEAR(double(faded >> 16), 127.0, 2.0) << std::hex << faded;
  EXPECT_NEAR(double(faded & 0xff), 128.0, 2.0) << std::hex << faded;
  EXPECT_EQ(at(13, 5), 0x000000u) << "darken keeps the smaller of each channel";
  EXPECT_EQ(at(9, 5), 0xff0000u);
  int firstInk = 64;
  for (int y = 22; y < 40; y++)
    for (int x = 0; x < 64; x++)
      if (at(x, y) != 0)
        firstInk = std::min(firstInk, x);
  EXPECT_GT(firstInk, 40) << "right-aligned text keeps to the right";
  EXPECT_LT(firstInk, 64) << "and is drawn";
}

// Every teaching skin and the default skin (both surfaces) build and draw without a word on
// standard error, scripts included.
TEST(SonabelSkinExamples, EveryShippedSkinChecksAndRenders) {
  TempFolder temp;
  std::vector<std::vector<std::string>> runs;
  for (const auto& entry : std::filesystem::directory_iterator(SONABEL_SOURCE_DIR "/skins/examples"))
    runs.push_back({entry.path().string()});
  runs.push_back({SONABEL_SOURCE_DIR "/skins/default"});
  runs.push_back({SONABEL_SOURCE_DIR "/skins/default", "--surface", "1", "--size", "360x330"});
  ASSERT_GE(runs.size(), 8u);
  for (const std::vector<std::string>& run : runs) {
    ToolRun check = RunTool(temp, {"check", run[0]});
    EXPECT_EQ(check.status, 0) << run[0] << check.err;
    std::vector<std::string> arguments = {"render", run[0], temp / "out.png", "--idle", "5"};
    arguments.insert(arguments.end(), run.begin() + 1, run.end());
    ToolRun render = RunTool(temp, arguments);
    EXPECT_EQ(render.status, 0) << run[0];
    EXPECT_EQ(render.err, "") << run[0];
    EXPECT_GT(ReadPng(temp / "out.png").width, 0) << run[0];
  }
}
