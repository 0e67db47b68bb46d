// Tokenizing and declaring speed of the compiler on a generated text of 20,000 lines of
// declarations: classes with member variables, constructors and methods (bodies included, read
// over until code generation compiles them), delegates, aliases and globals. Each iteration
// compiles the text into a fresh runtime. Prints the lines per second.
// bench-links: zcl zil
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "zilcompiler.h"
#include "zilapi.h"

namespace {

constexpr int kLines = 20000;

std::string generateText(int* lines) {
  std::string text;
  int n = 0;
  char buffer[2048];
  for (int c = 0; n < kLines; c++) {
    std::snprintf(buffer, sizeof buffer,
                  "// shape number %d\n"
                  "class Shape%d {\n"
                  "    method Shape%d();\n"
                  "    method Shape%d(const Shape%d other);\n"
                  "    int left, top, right, bottom;\n"
                  "    float weight;\n"
                  "    string name; [\"the shown name\"]\n"
                  "    method int Width() { return right - left; }\n"
                  "    method int Height() { return bottom - top; }\n"
                  "    method float Area(int scale, float factor);\n"
                  "    accessor int size();\n"
                  "    function Shape%d Make(int w, int h) { return Shape%d(); }\n"
                  "    delegate int visitor(const Shape%d s);\n"
                  "}\n"
                  "alias Shape%d Figure%d;\n"
                  "delegate float Measure%d(const Shape%d s, int scale);\n"
                  "method float Shape%d::Area(int scale, float factor) { return weight * factor; }\n"
                  "int counter%d = %d;\n",
                  c, c, c, c, c, c, c, c, c, c, c, c, c, c, c);
    text += buffer;
    n += 18;
  }
  *lines = n;
  return text;
}

void BM_DeclareLines(benchmark::State& state) {
  int lines = 0;
  const std::string text = generateText(&lines);
  for (auto _ : state) {
    state.PauseTiming();
    ZILState* ps = ZILInitialize();
    ps->log = [](ZILState*, const ZILChar* line) {
      std::fputs(line, stderr);
    };
    ZILInitializeCompiler(ps);
    state.ResumeTiming();
    ZILError err = ZCLCompile(ps, "shapes.zc", text.c_str());
    state.PauseTiming();
    ZILTerminate(ps);
    if (err) {
      state.SkipWithError("the generated text does not compile");
      break;
    }
    state.ResumeTiming();
  }
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(lines) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["lines"] = lines;
}
BENCHMARK(BM_DeclareLines)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
