// bench-links: zbindings
// What scripts cost a skin. Build: a skin of 200 panes read from a .zpac package, built by the
// script-enabled pane manager and drawn once, with a script of 2,000 lines against the same skin
// without it (target: scripts add under 20 ms). Idle: one idle tick of a script that reads 20
// parameters and moves 10 panes (target: under 50 µs).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bindings/zsspanemanager.h"
#include "platform/dialog.h"
#include "ztools/base/zresourcesource.h"
#include "ztools/zdrawcontext.h"

using namespace ZTools;

namespace {

constexpr int kPanes = 200, kParameters = 20, kMoved = 10;

std::string Markup(bool scripted) {
  std::string text = "<zml><parameters>";
  for (int i = 0; i < kParameters; i++)
    text += "<float name='p" + std::to_string(i) + "' range='0,100'/>";
  text += "</parameters>";
  if (scripted)
    text += "<scripts><script file='skin.zs'/></scripts>";
  text += "<surfaces><surface><views><colorbox name='root' size='800,600' color='#102030'>";
  for (int i = 0; i < kPanes - 1; i++)
    text += "<colorbox name='c" + std::to_string(i) + "' pos='" + std::to_string(i % 20 * 40) + "," +
            std::to_string(i / 20 * 40) + "' size='36,36' color='#3060a0' style='raised,smalledge'" +
            " flags='default,canmove'/>";
  return text + "</colorbox></views></surface></surfaces></zml>";
}

// 2,000 lines: the idle hook and a helper per group of lines that the skin never calls.
std::string Script() {
  std::string text = "import Application;\nint ticks = 0;\n";
  for (int i = 0; i < kMoved; i++)
    text += "View v" + std::to_string(i) + ";\n";
  text += "function Open(Application app) {\n";
  for (int i = 0; i < kMoved; i++)
    text += "  v" + std::to_string(i) + " = app.FindView(\"c" + std::to_string(i) + "\");\n";
  text += "}\nfunction Idle(Application app) {\n  float sum = 0.0;\n";
  for (int i = 0; i < kParameters; i++)
    text += "  sum += app.GetParameterByIndex(" + std::to_string(i) + ").floatValue;\n";
  text += "  int step = 1; if (ticks % 2 == 1) step = -1; ticks++;\n";
  for (int i = 0; i < kMoved; i++)
    text += "  v" + std::to_string(i) + ".MoveBy(step, 0);\n";
  text += "}\n";
  int lines = 10 + 3 * kMoved + kParameters;
  for (int f = 0; lines < 2000; f++) {
    text += "function int helper" + std::to_string(f) + "(int a) {\n";
    for (int k = 0; k < 8; k++)
      text += "  a = a * 3 + " + std::to_string(k) + ";\n";
    text += "  return a;\n}\n";
    lines += 10;
  }
  return text;
}

std::string MakePackage(bool scripted) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("sonabel-bench-scripts-" + std::to_string(getpid()) + (scripted ? "s" : "p"));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "main.zml") << Markup(scripted);
  if (scripted)
    std::ofstream(dir / "skin.zs") << Script();
  const std::string package = dir.string() + ".zpac";
  std::filesystem::remove(package);
  const std::string command = "cd '" + dir.string() + "' && (7zz a -t7z -bd -y '" + package +
                              "' * || 7z a -t7z -bd -y '" + package + "' *) >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0)
    return "";
  std::filesystem::remove_all(dir);
  return package;
}

void BuildAndDraw(benchmark::State& state, bool scripted) {
  const std::string package = MakePackage(scripted);
  if (package.empty()) {
    state.SkipWithError("7-Zip is needed to make the package");
    return;
  }
  Platform::DialogCapture quiet;
  ZDrawContext context;
  context.Resize(800, 600);
  for (auto _ : state) {
    ZSetResourceSource(ZResourceSource::OpenPackage(package.c_str()));
    ZSSPaneManager m;
    if (m.Initialize() || m.LoadSkin("main.zml") || m.Create()) {
      state.SkipWithError("the skin did not build");
      break;
    }
    m.ResizeRootArea(800, 600);
    m.Open();
    m.DrawInvalid(context);
  }
  ZCloseResourceSource();
  std::filesystem::remove(package);
}

void BM_BuildWithoutScript(benchmark::State& state) { BuildAndDraw(state, false); }
void BM_BuildWithScript(benchmark::State& state) { BuildAndDraw(state, true); }

void BM_IdleTick(benchmark::State& state) {
  const std::string package = MakePackage(true);
  if (package.empty()) {
    state.SkipWithError("7-Zip is needed to make the package");
    return;
  }
  Platform::DialogCapture quiet;
  ZSetResourceSource(ZResourceSource::OpenPackage(package.c_str()));
  {
    ZSSPaneManager m;
    if (m.Initialize() || m.LoadSkin("main.zml") || m.Create()) {
      state.SkipWithError("the skin did not build");
      return;
    }
    m.ResizeRootArea(800, 600);
    m.Open();
    uint64_t now = 0;
    for (auto _ : state)
      m.Idle(now += 20);
  }
  ZCloseResourceSource();
  std::filesystem::remove(package);
}

BENCHMARK(BM_BuildWithoutScript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildWithScript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleTick)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
