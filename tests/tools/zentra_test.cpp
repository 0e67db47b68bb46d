// The `zentra` program end to end: scripts are written to a temporary folder and run through the
// built binary; exit statuses, standard output and standard error are checked. The benchmark
// programs of bench/scripts run at small sizes with their known checksums, so they stay correct,
// and examples/radio.zc plays from the audio tests' radio server on the no-sound device.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/audio/audio_test_support.h"
#include "tests/ztools/resourcetestfiles.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text)
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class ZentraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zentra_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    ASSERT_TRUE(fs::exists(binary)) << binary << " is not built";
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path script(const std::string& name, const std::string& text) {
    fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // Runs zentra with the arguments (each quoted for the shell), input on standard input.
  Outcome zentra(const std::string& args, const std::string& input = "") {
    fs::path in = dir / "stdin", out = dir / "stdout", err = dir / "stderr";
    std::ofstream(in, std::ios::binary) << input;
    std::string command = quoted(binary) + " " + args + " <" + quoted(in) + " >" + quoted(out) + " 2>" + quoted(err);
    int raw = std::system(command.c_str());
    Outcome o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = ResourceTest::ReadFile(out);
    o.err = ResourceTest::ReadFile(err);
    return o;
  }

  Outcome runScript(const std::string& text, const std::string& args = "", const std::string& input = "") {
    return zentra("run " + quoted(script("s.zc", text)) + (args.empty() ? "" : " " + args), input);
  }

  // The tests that print first make sure that Console's functions can be called at all.
  bool canPrint() {
    Outcome o = runScript("function main() { Console::println(1); }");
    return o.status == 0 && o.out == "1\n";
  }

  fs::path dir;
  const std::string binary = SONABEL_BINARY_DIR "/zentra";
};

#define REQUIRE_PRINTING() ASSERT_TRUE(canPrint()) << "Console::println(1) does not print"

TEST_F(ZentraTest, ExitStatusComesFromMainsIntResult) {
  EXPECT_EQ(runScript("function int main() { return 7; }").status, 7);
  EXPECT_EQ(runScript("function int main(const string[] args) { return 0; }").status, 0);
  // No result, no main at all: 0, whatever the last value in r1 was.
  EXPECT_EQ(runScript("function int f() { return 9; }\nfunction main() { int x = f(); }").status, 0);
  EXPECT_EQ(runScript("int g = 5;").status, 0);
  // A main of another form is refused rather than called with wrong arguments.
  Outcome o = runScript("function int main(int n) { return n; }");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("main"), std::string::npos) << o.err;
}

TEST_F(ZentraTest, MainReceivesTheArgumentsAfterTheScript) {
  EXPECT_EQ(
      runScript("function int main(const string[] args) { string a = args[1]; return (int) a + 1; }", "x 41").status,
      42);
  REQUIRE_PRINTING();
  Outcome o = runScript("using Console;\nfunction main(const string[] args) { println(args); }", "a 'b c' -v");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "ab c-v\n");
}

TEST_F(ZentraTest, CompileErrorsGoToStandardErrorInEachFormat) {
  fs::path bad = script("bad.zc", "function main() {\n  x = 1;\n}\n");
  for (const char* command : {"run", "check", "list"}) {
    Outcome o = zentra(std::string(command) + " " + quoted(bad));
    EXPECT_EQ(o.status, 2) << command;
    EXPECT_NE(o.err.find("Error 1213: 'x' - Undefined identifier in " + bad.string() + " (2,3)"), std::string::npos)
        << o.err;
    EXPECT_EQ(o.out, "") << command;
  }
  const std::pair<const char*, std::string> formats[] = {
      {"--error-format ms", bad.string() + "(2): Error 1213: 'x' - Undefined identifier\n"},
      {"--error-format=gnu", bad.string() + ":2:3: error 1213: 'x' - Undefined identifier\n"},
  };
  for (const auto& [option, line] : formats) {
    Outcome o = zentra(std::string("check ") + option + " " + quoted(bad));
    EXPECT_EQ(o.status, 2) << option;
    EXPECT_EQ(o.err, line) << option;
  }
  // A function declared strict and never defined fails at link time.
  Outcome link = runScript("strict function int f();\nfunction int main() { return f(); }");
  EXPECT_EQ(link.status, 2);
  EXPECT_NE(link.err.find("1218"), std::string::npos) << link.err;
}

TEST_F(ZentraTest, ImportsAreFoundBesideTheScriptAndInImportFolders) {
  fs::create_directories(dir / "app");
  fs::create_directories(dir / "lib");
  script("app/helper.zc", "function int helped() { return 40; }");
  script("lib/shared.zc", "import broken;\nfunction int shared() { return 5; }");
  script("lib/broken.zc", "int fine = 1;\nint bad = missing;");
  fs::path main = script("app/main.zc", "import helper;\nfunction int main() { return helped() + 2; }");
  // Run from another folder: the script's own folder is searched first.
  EXPECT_EQ(zentra("run " + quoted(main)).status, 42);
  // Without -I the file is not found, and the message names the places looked at.
  fs::path uses = script("app/uses.zc", "import shared;\nfunction int main() { return shared(); }");
  Outcome o = zentra("check " + quoted(uses));
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("'shared' - Unable to resolve specified import (no native type of this name and no file " +
                       (dir / "app/shared.zc").string() + ", shared.zc)"),
            std::string::npos)
      << o.err;
  // An error inside an imported file names that file, in every format.
  const fs::path broken = dir / "lib/broken.zc";
  const std::pair<const char*, std::string> formats[] = {
      {"", "Error 1213: 'missing' - Undefined identifier in " + broken.string() + " (2,11)"},
      {"--error-format ms", broken.string() + "(2): Error 1213:"},
      {"--error-format gnu", broken.string() + ":2:11: error 1213:"},
  };
  for (const auto& [option, text] : formats) {
    o = zentra(std::string("check ") + option + " -I " + quoted((dir / "lib").string()) + " " + quoted(uses));
    EXPECT_EQ(o.status, 2) << option;
    EXPECT_NE(o.err.find(text), std::string::npos) << option << "\n" << o.err;
  }
  script("lib/broken.zc", "int fine = 1;");
  EXPECT_EQ(zentra("run -I" + quoted((dir / "lib").string()) + " " + quoted(uses)).status, 5);
}

TEST_F(ZentraTest, MessagesHintAtTheUsualFix) {
  const std::pair<const char*, const char*> cases[] = {
      {"function main() { println(1); }",
       "(println is a function of class Console: add `using Console;` or call "
       "Console::println)"},
      {"function main() { Bass::Init(-1, 44100, 0); }",
       "(Bass is one of the player's audio classes: run with `--with audio`)"},
      {"import Channel;", "Channel is one of the player's audio classes: run with `--with audio`)"},
  };
  for (const auto& [text, hint] : cases) {
    Outcome o = zentra("check " + quoted(script("h.zc", text)));
    EXPECT_EQ(o.status, 2) << text;
    EXPECT_NE(o.err.find(hint), std::string::npos) << text << "\n" << o.err;
  }
}

TEST_F(ZentraTest, WarningsFollowTheWarningLevel) {
  fs::path warn = script("warn.zc", "function int f() { return 1; int y = 2; }\n");
  Outcome o = zentra("check " + quoted(warn));
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.err.find("Warning 1510"), std::string::npos) << o.err;
  o = zentra("check -W 0 " + quoted(warn));
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  o = zentra("check -v " + quoted(warn));
  EXPECT_NE(o.err.find("Linking...\n"), std::string::npos) << o.err;
}

TEST_F(ZentraTest, RuntimeExceptionsPrintTheMachineExceptionAndTrace) {
  const fs::path divide = script("divide.zc",
                                 "function int divide(int a, int b) {\n"
                                 "    return a / b;\n"
                                 "}\n"
                                 "function int main() { return divide(1, 0); }\n");
  const std::string at = " at " + divide.string() + ":";
  for (const char* level : {"-O 0", "-O 3"}) {
    Outcome o = zentra(std::string("run ") + level + " " + quoted(divide));
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("VIRTUAL MACHINE EXCEPTION AT "), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(": 1007 DIVISION BY ZERO EXCEPTION\nTracing back last 2 calls on callstack:\n"),
              std::string::npos)
        << o.err;
    EXPECT_NE(o.err.find("   0: divide()" + at + "2\n   1: main()" + at + "4\n   2: native_entry_point()"),
              std::string::npos)
        << level << ": the faulting line and its caller's\n"
        << o.err;
  }

  Outcome o;

  o = runScript(
      "class Oops : exception { int code;\n"
      " method Oops() { code = 1; } method Oops(int error) { code = error; }\n"
      " method int getError() { return code; } }\n"
      "function fail() { throw new Oops(42); }\n"
      "function int main() { fail(); return 1; }");
  EXPECT_EQ(o.status, 3);
  EXPECT_NE(o.err.find(": 1008 SOFTWARE EXCEPTION\n"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("   0: fail() at " + (dir / "s.zc").string() + ":4\n"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("<Oops>, error 42"), std::string::npos) << o.err;

  // The global initialisation code fails before main runs.
  o = runScript("int zero = 0;\nint g = 1 / zero;\nfunction int main() { return 5; }");
  EXPECT_EQ(o.status, 3);
  EXPECT_NE(o.err.find("1007"), std::string::npos) << o.err;
}

TEST_F(ZentraTest, CommandLineMistakesAreOneLineAndStatus2) {
  const std::string ok = quoted(script("ok.zc", "function main() { }"));
  const std::pair<std::string, const char*> mistakes[] = {
      {"", "missing script file"},
      {"run", "missing script file"},
      {"frobnicate " + ok, "unknown command 'frobnicate'"},
      {"run --frobnicate " + ok, "unknown option '--frobnicate'"},
      {"run -O 4 " + ok, "option -O takes a level from 0 to 3, not '4'"},
      {"run -W9 " + ok, "option -W takes a level from 0 to 3, not '9'"},
      {"run -O", "option -O needs a value"},
      {"run -I", "option -I needs a value"},
      {"run --error-format xml " + ok, "option --error-format takes default, ms or gnu, not 'xml'"},
      {"run --error-format= " + ok, "option --error-format takes default, ms or gnu, not ''"},
      {"run --with=video " + ok, "option --with takes audio, not 'video'"},
      {"check " + ok + " extra", "only `zentra run` passes arguments to the script"},
  };
  for (const auto& [args, error] : mistakes) {
    Outcome o = zentra(args);
    EXPECT_EQ(o.status, 2) << args;
    EXPECT_EQ(o.err, std::string("zentra: ") + error + "\nTry 'zentra --help'.\n") << args;
    EXPECT_EQ(o.out, "") << args;
  }
  // Spaced and joined values alike; without a command a script file (or options before it) means run.
  for (const std::string& args :
       {"run -O 0 -W 2 --error-format ms " + ok, "run -O3 -W0 --error-format=gnu -Ilib " + ok, "-O 0 " + ok, ok})
    EXPECT_EQ(zentra(args).status, 0) << args;
  EXPECT_EQ(zentra(quoted(script("seven.zc", "function int main() { return 7; }"))).status, 7);
  Outcome help = zentra("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--error-format FORMAT"), std::string::npos) << help.out;
  Outcome version = zentra("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("zentra 1.", 0), 0u) << version.out;
}

TEST_F(ZentraTest, AScriptThatCannotBeReadAsTextFailsWithItsReason) {
  fs::create_directories(dir / "folder.zc");
  std::ofstream(dir / "nul.zc", std::ios::binary) << std::string("int a;\0int b;", 14);
  const std::pair<fs::path, std::string> cases[] = {
      {dir / "folder.zc", "zentra: cannot read '" + (dir / "folder.zc").string() + "': Is a directory\n"},
      {dir, "zentra: cannot read '" + dir.string() + "': Is a directory\n"},
      {dir / "none.zc", "zentra: cannot read '" + (dir / "none.zc").string() + "': No such file or directory\n"},
      {dir / "nul.zc", "zentra: '" + (dir / "nul.zc").string() + "' is not a text file\n"},
  };
  for (const auto& [path, error] : cases)
    for (const char* command : {"run ", "check "}) {
      Outcome o = zentra(command + quoted(path.string()));
      EXPECT_EQ(o.status, 1) << command << path;
      EXPECT_EQ(o.err, error) << command << path;
    }
}

TEST_F(ZentraTest, ListPrintsTheLinkedCode) {
  const fs::path listed = script("l.zc",
                                 "int start = 2;\n"
                                 "function int main() {\n"
                                 "    return start + 1;\n"
                                 "}\n");
  Outcome o = zentra("list " + quoted(listed));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("__init:\n0       alloc           class __global,r2\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("\n; " + listed.string() + ":1: int start = 2;\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("\nmain:\n"), std::string::npos) << "functions are labelled\n" << o.out;
  EXPECT_NE(o.out.find("\n; " + listed.string() + ":3: return start + 1;\n"), std::string::npos) << o.out;
}

TEST_F(ZentraTest, ConsolePrintsEachKindOfValue) {
  REQUIRE_PRINTING();
  Outcome o = runScript(
      "using Console;\n"
      "class Point { int x; method Point() { x = 0; } }\n"
      "function main() {\n"
      " println(-12); println(1.5); println(1e20); println(\"text\");\n"
      " var nested = { 1, \"a\", 2.5 }; var outer = { nested, 7 }; println(outer);\n"
      " println(null); println(new Point());\n"
      " print(\"no line feed\"); Console::print(\"|\"); Console::println(\"\"); }");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "-12\n1.5\n1e+20\ntext\n1a2.57\nnull\n<Point>\nno line feed|\n");
}

TEST_F(ZentraTest, ConsoleReadsLinesAndSleeps) {
  REQUIRE_PRINTING();
  const char* text =
      "using Console;\n"
      "function main() { string a = readLine(); string b = readLine(); string c = readLine();\n"
      " sleep(1); sleep(-5); println(a + \"|\" + b + \"|\" + c + \"|\"); }";
  EXPECT_EQ(runScript(text, "", "one\r\ntwo").out, "one|two||\n");
  EXPECT_EQ(runScript(text, "", "").out, "|||\n");
}

struct BenchmarkCase {
  const char* name;
  const char* sizes;
  const char* checksum;
};

// Checksums at these sizes, as lua5.4 prints them for the Lua twin of each program.
const BenchmarkCase kBenchmarks[] = {
    {"fib", "20 3", "20295"},          {"loop", "1000 10", "20010"},   {"float", "100000", "12499"},
    {"strings", "2000 3", "19200"},    {"objects", "10000", "525000"}, {"arrays", "10000 3", "1485297"},
    {"coroutines", "1000 3", "13500"}, {"closures", "10000", "30000"}, {"mathcalls", "20000", "270"},
    {"colors", "20000", "906161"},
};

TEST_F(ZentraTest, BenchmarkProgramsPrintTheirChecksums) {
  REQUIRE_PRINTING();
  for (const BenchmarkCase& b : kBenchmarks) {
    fs::path path = fs::path(SONABEL_SOURCE_DIR) / "bench" / "scripts" / (std::string(b.name) + ".zc");
    // Locals in registers (the default) and on the data stack.
    for (const char* placement : {"", "--stack-locals "}) {
      Outcome o = zentra(std::string("run ") + placement + quoted(path) + " " + b.sizes);
      EXPECT_EQ(o.status, 0) << b.name << " " << placement << ": " << o.err;
      EXPECT_EQ(o.out, std::string(b.checksum) + "\n") << b.name << " " << placement << ": " << o.err;
    }
  }
}

TEST_F(ZentraTest, VerboseRunCountsTheExecutedInstructions) {
  Outcome o =
      zentra("-v " + quoted(script(
                         "c.zc", "function int main() { int s = 0; for (int i = 0; i < 10; i++) s += i; return s; }")));
  EXPECT_EQ(o.status, 45) << o.err;
  EXPECT_NE(o.err.find(" instructions executed\n"), std::string::npos) << o.err;
  EXPECT_EQ(zentra(quoted(script("q.zc", "function int main() { return 2; }"))).err, "");
}

}  // namespace

TEST_F(ZentraTest, TheStandardClassesNeedNoSetup) {
  REQUIRE_PRINTING();
  // A 3x2 24-bit BMP next to the script: relative names are read from the script's folder,
  // whatever the current one is.
  std::string bmp = "BM" + std::string(52, '\0') + std::string(24, '\x7f');
  auto put = [&bmp](size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++)
      bmp[at + i] = char(v >> (8 * i));
  };
  put(2, uint32_t(bmp.size())), put(10, 54), put(14, 40), put(18, 3), put(22, 2), put(26, 1 | (24 << 16));
  script("img.bmp", bmp);
  Outcome o = runScript(
      "import Math; import Random; import Bitmap; import Color;\n"
      "function main() { Bitmap b = new Bitmap(\"img.bmp\", 0);\n"
      " Console::println(\"\" + b.width + \"x\" + b.height + \" \" + b.mode);\n"
      " b.threshold = 300; Console::println(b.threshold); b.threshold = -4;\n"
      " Console::println(\"\" + b.threshold + b.HitAt(2, 1) + b.HitAt(3, 0) + b.HitAt(0, -1));\n"
      " Console::println(Math::Sqrt(16.0)); Console::println(new Color(300, 0, 0).red);\n"
      " Random r = new Random(new LinearNoise(0.0)); Console::println(r.GetIntRange(1000000)); }");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "3x2 0\n255\n0100\n4\n255\n211324\n");

  o = runScript("import Bitmap; function main() { Bitmap b = new Bitmap(\"nowhere.png\", 1); }");
  EXPECT_EQ(o.status, 3);
  EXPECT_NE(o.err.find("Bitmap: cannot load 'nowhere.png'"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find(": 1125 "), std::string::npos) << o.err;

  // A script's own class may take a library class's name, unless it imports that class too.
  o = runScript("class Rect { int w; method Rect() { w = 4; } }\nfunction int main() { return new Rect().w; }");
  EXPECT_EQ(o.status, 4) << o.err;
  o = runScript("class Point { int x; method Point() { x = 1; } }\nimport Rect;\nfunction main() {}");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("1206"), std::string::npos) << o.err;
}

// `zentra --with audio examples/radio.zc URL SECONDS [LOW MID HIGH]`: the title lines as the
// station changes its title, and "error: CODE" with status 1 for a stream that cannot be opened.
TEST_F(ZentraTest, RadioExamplePrintsTitlesAsTheyChangeAndErrorsOfUnopenableStreams) {
  audiotest::makeRadioMp3();
  audiotest::TestServer station;
  ASSERT_TRUE(station.start(audiotest::dataDir())) << "the radio server did not start";
  setenv("SONABEL_AUDIO_DEVICE", "0", 1);
  const std::string radio = "--with audio " + quoted(SONABEL_SOURCE_DIR "/examples/radio.zc") + " ";
  // Titles change every 0.8 s of stream time; two seconds of playing see both.
  Outcome played = zentra(
      radio +
      quoted(station.url("/live?file=radio.mp3&titles=First%20Song|Second%20Song&interval=0.8&burst=1&metaint=2000")) +
      " 2 -6 0 6");
  EXPECT_EQ(played.status, 0) << played.err;
  EXPECT_EQ(played.out.rfind("title: First Song\ntitle: Second Song\n", 0), 0u) << played.out << played.err;

  Outcome refused = zentra(radio + quoted(station.url("/status?code=404")) + " 1");
  EXPECT_EQ(refused.status, 1) << refused.err;
  int code = 0;
  EXPECT_EQ(std::sscanf(refused.out.c_str(), "error: %d\n", &code), 1) << refused.out;
  EXPECT_NE(code, 0) << refused.out;
  unsetenv("SONABEL_AUDIO_DEVICE");
}
