// The link step end to end: programs give the same results at every optimize level, functions
// without a body get default code or fail the link, static calls become jumps, compile and
// link repeat, and the verbose statistics describe what the optimizer did.
#include <string>

#include "tests/compiler/zclfixture.h"
#include "zilopcodes.h"

namespace {

class LinkTest : public CompilerFixture {
 protected:
  // Compiles at an optimize level, links, runs the initialisation and `main`; r1 afterwards.
  ZILHandle* runAt(int level, const std::string& text) {
    Restart();
    st->options[0].optimize = level;
    if (level == 3)
      st->options[0].stackLocals = 2;
    EXPECT_EQ(compile(text), 0) << log;
    EXPECT_EQ(ZCLLink(ps), 0) << log;
    EXPECT_EQ(ZILRun(ps), 0);
    return callMain();
  }
  ZILHandle* callMain() {
    auto mains = funcs("__global", "main");
    if (mains.empty())
      return nullptr;
    runError = ZILRunAddress(ps, mains[0]->linkAddress);
    return ps->root->regs[1];
  }
  // The int `main` returns at each level (all must agree); -999999 when not an int.
  void expectSameAtEveryLevel(const std::string& text, ZILLong expected) {
    for (int level = 0; level <= 3; level++) {
      ZILHandle* h = runAt(level, text);
      EXPECT_EQ(runError, 0) << "optimize " << level;
      ZILLong got = h && h->type == ZIL_TYPE_INT ? h->payload.l : -999999;
      EXPECT_EQ(got, expected) << "optimize " << level << "\n" << text;
    }
  }
  // Counts an opcode in the runtime's code segment.
  int countInCode(ZILLong opcode) {
    int n = 0;
    ZILLong* code = ZILCode(ps);
    for (ZILLong pc = 0; pc < ps->code.count;) {
      const ZILOpcodeInfo* info = ZILGetOpcodeInfo(code[pc]);
      if (!info)
        break;
      n += code[pc] == opcode;
      pc += info->length;
    }
    return n;
  }
  ZILError runError = 0;
};

TEST_F(LinkTest, ProgramsGiveTheSameResultsAtEveryOptimizeLevel) {
  // Loops, compares, compound assignments and calls with arguments below saved registers.
  expectSameAtEveryLevel(
      "function int mix(int a, int b, int c) { int t = a * b; t += c; return t - a; }\n"
      "function int main() { int s = 0; int i = 0;\n"
      " while (i < 200) { s += (i * i) % 7; if (i > 100 && s % 2 == 0) s = s + 1; i++; }\n"
      " for (int k = 0; k < 10; k++) s += mix(k, k + 1, 3);\n"
      " return s; }",
      [] {
        int s = 0;
        for (int i = 0; i < 200; i++) {
          s += (i * i) % 7;
          if (i > 100 && s % 2 == 0)
            s = s + 1;
        }
        for (int k = 0; k < 10; k++)
          s += k * (k + 1) + 3 - k;
        return s;
      }());
  // Recursion and nested calls in one expression.
  expectSameAtEveryLevel(
      "function int fib(int n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n"
      "function int main() { int x = 5; return fib(15) * 10 + fib(x) * (x + fib(3)); }",
      610 * 10 + 5 * 7);
  // Objects, members and methods; floats and conversions; strings.
  expectSameAtEveryLevel(
      "class P { int x; float f; method P(int v) { x = v; f = 0.5; }\n"
      " method int scaled(int k) { f = f * 2.0; return x * k + (int) f; } }\n"
      "function int main() { P a = new P(3); P b = a; b.x = b.x + 4; int r = 0;\n"
      " for (int i = 0; i < 3; i++) r += a.scaled(i);\n"
      " string s = \"ab\"; s += \"cd\"; if (s == \"abcd\") r += 1000;\n"
      " float g = 1.5; g = g * 4; return r + (int) g; }",
      (7 * 0 + 1) + (7 * 1 + 2) + (7 * 2 + 4) + 1000 + 6);
  // Arrays, switch, globals changed by functions, var values.
  expectSameAtEveryLevel(
      "int total; int[] seen;\n"
      "function add(int v) { total += v; seen[seen.length] = v; }\n"
      "function int main() { total = 0; seen = { 1 };\n"
      " for (int i = 0; i < 6; i++) { switch (i % 3) { case 0: add(i); break; case 1: add(10);"
      " default: add(100); } }\n"
      " var v = 4; var w = 5; int m = v * w; int s = 0;\n"
      " for (int k = 0; k < seen.length; k++) s += seen[k];\n"
      " return total * 100 + s + m; }",
      (0 + 10 + 100 + 100 + 3 + 10 + 100 + 100) * 100 + (1 + 423) + 20);
  // var values share their handle on assignment: a result must not be written into it in place.
  expectSameAtEveryLevel(
      "function int main() { var a = 1; var b = a; b = 5 + b; var c = 12; var d = c; d = 3 & d;"
      " var e = 2; var f = e; f = f * 3; int x = 4; int y = x; y = 2 + y;\n"
      " return a * 100000 + b * 10000 + c * 100 + d * 10 + e + f * 1000000 + (x + y * 10) * 10000000; }",
      100000 + 60000 + 1200 + 0 + 2 + 6000000 + (4 + 60) * 10000000);
  // Cofunctions keep their state between resumes.
  expectSameAtEveryLevel(
      "cofunction int count(int from) { int i = from; while (i < from + 3) { yield i; i++; } }\n"
      "function int main() { count c = count(5); int a = c(); int b = c(); int d = c();"
      " var e = c(); return a * 10000 + b * 100 + d + (e == null) * 1000000; }",
      1000000 + 50000 + 600 + 7);
}

TEST_F(LinkTest, UndefinedFunctionsGetDefaultCodeUnlessStrict) {
  // Not strict: warning 1517, and calls return null.
  ZILHandle* h = runAt(3,
                       "function int later(int a);\n"
                       "cofunction int gen();\n"
                       "function int main() { var v = later(2); gen g = gen(); var y = g(); var z = g();"
                       " return (v == null) + (y == null) * 10 + (z == null) * 100; }");
  EXPECT_NE(log.find("Warning 1517"), std::string::npos) << log;
  EXPECT_NE(log.find("'later' - Function declared but not defined, generating default code"), std::string::npos);
  EXPECT_NE(log.find("'gen' - Function declared but not defined"), std::string::npos) << log;
  EXPECT_EQ(runError, 0);
  ASSERT_TRUE(h && h->type == ZIL_TYPE_INT);
  EXPECT_EQ(h->payload.l, 111);

  // Strict: the link fails with 1218; a strict interface's method left out: 1245.
  Restart();
  ASSERT_EQ(compile("class K { int n; method K() { n = 0; } strict method int size(); }"), 0) << log;
  EXPECT_EQ(ZCLLink(ps), ZCL_ERR_Function_Not_Defined);
  EXPECT_NE(log.find("'K::size' - Function declared but not defined\n"), std::string::npos) << log;
  Restart();
  ASSERT_EQ(compile("class E : exception { method E() {} method int getError() { return 1; } }"), 0) << log;
  EXPECT_EQ(ZCLLink(ps), ZCL_ERR_Inherited_Method_Not_Implemented);
  EXPECT_NE(log.find("Inherited method not implemented"), std::string::npos) << log;
}

TEST_F(LinkTest, StaticCallsBecomeJumpsAndLinkingRepeats) {
  Restart();
  ASSERT_EQ(compile("int base = 40;\nfunction int two() { return 2; }\n"
                    "function int main() { return base + two(); }"),
            0)
      << log;
  ASSERT_EQ(ZCLLink(ps), 0) << log;
  EXPECT_EQ(countInCode(ZOP_CALLS_IMM), 0);
  EXPECT_GE(countInCode(ZOP_JSR_IMM), 1);
  ASSERT_EQ(ZILRun(ps), 0);
  ZILHandle* h = callMain();
  ASSERT_TRUE(h && h->type == ZIL_TYPE_INT);
  EXPECT_EQ(h->payload.l, 42);
  const ZILLong mainAt = funcs("__global", "main")[0]->linkAddress;

  // More text after the link: its functions call the earlier ones, its globals are added to
  // the initialisation, and what was linked before keeps its place.
  ASSERT_EQ(compile("int more = 100;\nfunction int main2() { return main() + more + two(); }", "b.zc"), 0) << log;
  ASSERT_EQ(ZCLLink(ps), 0) << log;
  EXPECT_EQ(funcs("__global", "main")[0]->linkAddress, mainAt);
  EXPECT_EQ(countInCode(ZOP_CALLS_IMM), 0);
  ASSERT_EQ(ZILRun(ps), 0);
  ASSERT_EQ(ZILRunAddress(ps, funcs("__global", "main2")[0]->linkAddress), 0);
  h = ps->root->regs[1];
  ASSERT_TRUE(h && h->type == ZIL_TYPE_INT);
  EXPECT_EQ(h->payload.l, 42 + 100 + 2);

  // A third round with nothing new links again without errors.
  ASSERT_EQ(compile("", "c.zc"), 0);
  EXPECT_EQ(ZCLLink(ps), 0) << log;
}

TEST_F(LinkTest, VerboseStatisticsDescribeTheOptimizer) {
  const std::string text = "function int main() { int a = 1; int b = 2; int c = a + b; return c * 3; }";
  Restart();
  st->options[0].optimize = 0;
  st->options[0].verbose = 1;
  ASSERT_EQ(compile(text), 0);
  ASSERT_EQ(ZCLLink(ps), 0);
  const std::string plain = log;
  EXPECT_EQ(plain.find("Optimizing"), std::string::npos) << plain;
  int bytes = 0;
  ASSERT_NE(plain.find("Created "), std::string::npos) << plain;
  ASSERT_EQ(sscanf(plain.c_str() + plain.find("Created "), "Created %d bytes of code in total.\n", &bytes), 1);
  EXPECT_EQ(bytes, static_cast<int>(ps->code.count) * 4);

  Restart();
  st->options[0].verbose = 1;
  ASSERT_EQ(compile(text), 0);
  ASSERT_EQ(ZCLLink(ps), 0);
  EXPECT_NE(log.find("Optimizing main ...\n"), std::string::npos) << log;
  int saved = 0, changing = 0, run = 0, before = 0, after = 0;
  const size_t at = log.find("Saved ");
  ASSERT_NE(at, std::string::npos) << log;
  ASSERT_EQ(
      sscanf(log.c_str() + at, "Saved %d instructions in %d of %d passes.\nCode size reduced from %d to %d bytes.\n",
             &saved, &changing, &run, &before, &after),
      5)
      << log;
  EXPECT_GT(saved, 0);
  EXPECT_GE(run, 8);
  EXPECT_LE(changing, run);
  EXPECT_EQ(before, bytes - 4 * 4);  // the same function unoptimized (without __init's 4 words)
  EXPECT_LT(after, before);
  int totalSaved = 0, totalBefore = 0, totalAfter = 0;
  ASSERT_NE(log.find("Saved " + std::to_string(saved) + " instructions in total.\n"), std::string::npos) << log;
  const size_t totalAt = log.find("Code size reduced from", log.find("instructions in total.\n"));
  ASSERT_NE(totalAt, std::string::npos) << log;
  ASSERT_EQ(
      sscanf(log.c_str() + totalAt, "Code size reduced from %d to %d bytes in total.\n", &totalBefore, &totalAfter), 2);
  totalSaved = saved;
  EXPECT_EQ(totalBefore, bytes);
  EXPECT_EQ(totalAfter, static_cast<int>(ps->code.count) * 4);
  EXPECT_GT(totalSaved, 0);
}

}  // namespace
