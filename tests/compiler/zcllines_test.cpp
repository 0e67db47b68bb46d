// Source lines of compiled code: a run that fails names the file and line of the faulting
// statement and of every caller, at every optimize level and with locals on the stack or in
// registers, for code the compiler moves (loop conditions and steps), code read from a member's
// initial value or an imported file, a cofunction and the global initialisation.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "tests/compiler/zclfixture.h"

namespace {

class LineTableTest : public CompilerFixture {
 protected:
  // Compiles `options` and the script (options on the script's first line, so the line numbers
  // stay), links, runs the global initialisation and, when that succeeds, main(); the trace of
  // the fault, or "no fault".
  std::string faultTrace(const std::string& options, const std::string& script) {
    Restart();
    ps->fileInput = serveFiles;
    ps->user = this;
    const std::string text = "option \"" + options + "\"; " + script;
    if (compile(text) != 0 || ZCLLink(ps) != 0)
      return "compile error: " + log;
    // The trace is taken in the exception vector, as hosts do, while the faulting context
    // (and the one that resumed a cofunction) is current.
    trace = "no fault";
    ps->vectors[ZIL_VECTOR_MACHINE] = [](ZILState* s) {
      static_cast<LineTableTest*>(s->user)->trace = exceptionTrace(s);
    };
    ZILError err = ZILRun(ps);
    if (err == 0) {
      for (auto& f : st->classes[ZIL_FIRST_USER_TYPE]->funcs)
        if (f->name == "main")
          err = ZILRunAddress(ps, f->linkAddress);
    }
    return trace;
  }

  static std::string exceptionTrace(ZILState* s) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&buffer, &size);
    ZILListExceptionTrace(s, out, ZIL_TRACE_FRAMES);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
  }

  // Imports read from `files` instead of the disk.
  static ZILError serveFiles(ZILState* ps, ZILLong op, const ZILChar* name, void* buffer, ZILLong size, void** pFile,
                             ZILLong* pDone) {
    auto* self = static_cast<LineTableTest*>(ps->user);
    if (op == 0) {
      auto found = self->files.find(name);
      if (found == self->files.end())
        return ZIL_ERR_Unspecified;
      self->readAt = 0;
      *pFile = &found->second;
      return 0;
    }
    if (op == 1) {
      const std::string& text = *static_cast<std::string*>(*pFile);
      const size_t n = std::min(text.size() - self->readAt, static_cast<size_t>(size));
      std::memcpy(buffer, text.data() + self->readAt, n);
      self->readAt += n;
      *pDone = static_cast<ZILLong>(n);
    }
    return 0;
  }

  std::map<std::string, std::string> files;
  size_t readAt = 0;
  std::string trace;
};

TEST_F(LineTableTest, FaultsNameTheirLineAndEveryCallersAtEveryOptimizeLevel) {
  files["lib/util.zc"] =
      "// helpers\n"
      "function int ratio(int a, int b) {\n"
      "    return a / b;\n"
      "}\n";
  struct Case {
    const char* what;
    const char* script;
    const char* trace;
  } cases[] = {
      {"a third-level call",
       "function int level3(int a, int b) {\n"
       "    int c = a + 1;\n"
       "    return c / b;\n"
       "}\n"
       "function int level2(int a, int b) {\n"
       "    int x = a * 2;\n"
       "    return level3(x, b) + 1;\n"
       "}\n"
       "function int level1(int a) { return level2(a, 0); }\n"
       "function int main() {\n"
       "    int r = level1(5);\n"
       "    return r;\n"
       "}\n",
       "   0: level3() at a.zc:3\n"
       "   1: level2() at a.zc:7\n"
       "   2: level1() at a.zc:9\n"
       "   3: main() at a.zc:11\n"},
      {"a loop condition, placed after the loop's body",
       "function int f(int n, int d) {\n"
       "    int i = 0, s = 0;\n"
       "    while (i < n / d) {\n"
       "        s = s + i;\n"
       "        i++;\n"
       "    }\n"
       "    return s;\n"
       "}\n"
       "function int main() { return f(4, 0); }\n",
       "   0: f() at a.zc:3\n"
       "   1: main() at a.zc:9\n"},
      {"a for loop's step on a line of its own",
       "function int main() {\n"
       "    int s = 0, d = 0;\n"
       "    for (int k = 0; k < 3;\n"
       "         k = k + 6 / d) {\n"
       "        s = s + k;\n"
       "    }\n"
       "    return s;\n"
       "}\n",
       "   0: main() at a.zc:4\n"},
      {"a member's initial value and a method",
       "class Box {\n"
       "    int zero = 0;\n"
       "    int v = 7 / zero;\n"
       "    method Box() { }\n"
       "    method int get() { return v; }\n"
       "}\n"
       "function int main() {\n"
       "    Box b = new Box();\n"
       "    return b.get();\n"
       "}\n",
       "   0: Box::Box() at a.zc:3\n"
       "   1: main() at a.zc:8\n"},
      {"an imported file",
       "import lib.util;\n"
       "function int main() {\n"
       "    return ratio(1, 0);\n"
       "}\n",
       "   0: ratio() at lib/util.zc:3\n"
       "   1: main() at a.zc:3\n"},
      {"a cofunction, resumed by its caller",
       "cofunction int counter(int d) {\n"
       "    int i = 0;\n"
       "    while (1) {\n"
       "        yield i / d;\n"
       "        i++;\n"
       "    }\n"
       "}\n"
       "function int main() {\n"
       "    counter c = counter(0);\n"
       "    return c();\n"
       "}\n",
       "   0: counter::counter() at a.zc:4\n"
       "   1: main() at a.zc:10\n"},
      {"the global initialisation",
       "int zero = 0;\n"
       "int g = 1 / zero;\n",
       "   0: __init() at a.zc:2\n"},
  };
  for (const char* options : {"optimize = 0", "optimize = 1", "optimize = 2", "optimize = 3",
                              "optimize = 3; stack-locals = 0; register-locals = 12"})
    for (const Case& c : cases) {
      const std::string trace = faultTrace(options, c.script);
      EXPECT_NE(trace.find(std::string(":\n") + c.trace), std::string::npos) << c.what << " with " << options << ":\n"
                                                                             << trace;
    }
}

TEST_F(LineTableTest, LinesStayRightWhenMoreIsCompiledAndLinked) {
  ASSERT_EQ(compile("int seed = 1;\n"
                    "function int f(int d) {\n"
                    "    return seed / d;\n"
                    "}\n"),
            0)
      << log;
  ASSERT_EQ(ZCLLink(ps), 0) << log;
  ASSERT_EQ(ZILRun(ps), 0);
  // The initialisation function grows with the second text and is laid out again.
  ASSERT_EQ(compile("int other = 2;\n"
                    "int g = f(0);\n",
                    "b.zc"),
            0)
      << log;
  ASSERT_EQ(ZCLLink(ps), 0) << log;
  ASSERT_EQ(ZILRun(ps), ZIL_EXC_Division_By_Zero);
  const std::string trace = exceptionTrace(ps);
  EXPECT_NE(trace.find("   0: f() at a.zc:3\n   1: __init() at b.zc:2\n"), std::string::npos) << trace;
}

}  // namespace
