// Compile speed: a generated program of 50,000 lines (classes with members and methods, global
// functions with loops, branches and calls between them) is compiled and linked into a fresh
// runtime, several times; the best process CPU time gives the lines per second (target: at
// least 500,000). CPU time, not wall time, because the machine is shared. An optional argument
// sets the optimize level (default 3), to show what the optimizer costs.
// bench-links: zcl zil
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "zilcompiler.h"
#include "zilapi.h"

namespace {

constexpr int kLines = 50000;
constexpr int kRuns = 7;

std::string generateProgram(int level, int* lines) {
  std::string text = "option \"optimize = " + std::to_string(level) + "\";\n";
  int n = 1;
  char buffer[4096];
  for (int u = 0; n < kLines; u++) {
    const int written = std::snprintf(buffer, sizeof buffer,
                                      "// unit %d\n"
                                      "class Acc%d {\n"
                                      "    int total;\n"
                                      "    int step;\n"
                                      "    method Acc%d(int s) {\n"
                                      "        total = 0;\n"
                                      "        step = s;\n"
                                      "    }\n"
                                      "    method add(int v) {\n"
                                      "        total += v * step;\n"
                                      "    }\n"
                                      "    method int get() {\n"
                                      "        return total;\n"
                                      "    }\n"
                                      "}\n"
                                      "function int scale%d(int a, int b) {\n"
                                      "    int r = a * b + %d;\n"
                                      "    if (r > 1000 && b != 0) {\n"
                                      "        r = r %% 1000;\n"
                                      "    }\n"
                                      "    return r;\n"
                                      "}\n"
                                      "function int work%d(int n) {\n"
                                      "    Acc%d acc = new Acc%d(%d);\n"
                                      "    int i = 0;\n"
                                      "    float f = 0.5;\n"
                                      "    string s = \"unit\";\n"
                                      "    while (i < n) {\n"
                                      "        if (i %% 3 == 0) {\n"
                                      "            acc.add(scale%d(i, 2));\n"
                                      "        } else {\n"
                                      "            acc.add(i + 1);\n"
                                      "        }\n"
                                      "        f = f * 1.5 + i;\n"
                                      "        i++;\n"
                                      "    }\n"
                                      "    for (int k = 0; k < 4; k++) acc.add(k);\n"
                                      "    s += \"done\";\n"
                                      "    return acc.get() + scale%d(n, %d);\n"
                                      "}\n",
                                      u, u, u, u, u, u, u, u, u % 7 + 1, u, u > 0 ? u - 1 : 0, u % 5 + 2);
    text.append(buffer, static_cast<size_t>(written));
    n += 42;
  }
  text += "function int main() { return work0(10); }\n";
  *lines = n + 1;
  return text;
}

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Compile and link into a fresh runtime; returns the CPU seconds of both (runtime set-up and
// tear-down excluded), or a negative number when the program does not compile and link.
double compileAndLink(const std::string& text) {
  ZILState* ps = ZILInitialize();
  if (!ps || ZILInitializeCompiler(ps) != 0)
    return -1;
  const double start = cpuSeconds();
  ZILError err = ZCLCompile(ps, "generated.zc", text.c_str());
  if (!err)
    err = ZCLLink(ps);
  const double seconds = cpuSeconds() - start;
  if (err) {
    std::fprintf(stderr, "compile or link failed with %d\n", static_cast<int>(err));
    ZILTerminate(ps);
    return -1;
  }
  ZILTerminate(ps);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int level = argc > 1 ? std::atoi(argv[1]) : 3;
  int lines = 0;
  const std::string text = generateProgram(level, &lines);
  double best = 0;
  for (int run = 0; run < kRuns; run++) {
    const double seconds = compileAndLink(text);
    if (seconds < 0)
      return 1;
    std::printf("run %d: %.3f s CPU, %.0f lines/s\n", run + 1, seconds, lines / seconds);
    if (run == 0 || seconds < best)
      best = seconds;
  }
  std::printf("compile + link of %d lines (%zu bytes), optimize %d: best %.3f s CPU, %.0f lines/s (target 500000)\n",
              lines, text.size(), level, best, lines / best);
  return 0;
}
