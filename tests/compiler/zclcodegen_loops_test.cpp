// Loops end to end at every optimize level, with register and stack locals: zero rounds, break
// out of nested loops and switches, conditions with side effects and literals, steps of every
// kind; and postfix ++/-- whose value is discarded or used.
#include "tests/compiler/zclcodegen_fixture.h"

namespace {

class CodegenLoopsTest : public CodegenTest {
 protected:
  // The int that `main` returns, the same under every optimize level and local placement.
  void expectEverywhere(const std::string& text, ZILLong expected) {
    for (int level = 0; level <= 3; level++)
      for (const char* locals : {"off", "on"}) {
        const std::string options =
            "option \"optimize=" + std::to_string(level) + "\";\noption \"stack-locals=" + locals + "\";\n";
        EXPECT_EQ(runInt(options + text), expected) << "optimize " << level << ", stack-locals " << locals;
      }
  }
};

TEST_F(CodegenLoopsTest, LoopsThatRunNoRoundRunNeitherBodyNorStep) {
  expectEverywhere(
      "function int main() { int s = 0; int i = 5; int steps = 0;\n"
      " while (i < 5) { s += 100; i++; }\n"
      " for (int k = 3; k < 3; steps++) s += 1000;\n"
      " for (i = 0; i > 0; i--) s += 10000;\n"
      " do s += 1; while (false);\n"
      " return s * 10 + steps + i; }",
      10 + 0 + 0);
}

TEST_F(CodegenLoopsTest, BreakLeavesOnlyTheInnermostLoopOrSwitch) {
  expectEverywhere(
      "function int main() { int s = 0;\n"
      " for (int i = 0; i < 6; i++) {\n"
      "  if (i == 4) break;\n"
      "  int j = 0;\n"
      "  while (true) { int sq = j * j; if (sq >= i) break; s += 1; j++; }\n"
      "  for (int k = 0; ; k++) { switch (k) { case 2: break; default: s += 10; }\n"
      "   if (k >= i) break; }\n"
      "  do { s += 100; if (j > 0) break; j = 5; } while (true);\n"
      " }\n"
      " int n = 0; while (1) { n++; if (n == 7) break; }\n"
      " return s + n * 100000; }",
      // i = 0..3: inner while 0,1,2,2 rounds; for-k rounds i+1 minus the k == 2 case;
      // do: 2 rounds when j == 0 (i == 0), else 1.
      (0 + 1 + 2 + 2) + 10 * (1 + 2 + 2 + 3) + 100 * (2 + 1 + 1 + 1) + 700000);
}

TEST_F(CodegenLoopsTest, ConditionsAndStepsRunOncePerRoundAndKeepTheirOperands) {
  // The condition calls a function (counted) and uses an argument, a member, a global, a
  // string literal and && / ||; the step is an assignment, a call and a postfix on an element.
  expectEverywhere(
      "int calls = 0; string word = \"ab\";\n"
      "class Box { int n; method Box() { n = 3; } }\n"
      "function int limit(int n) { calls++; return n; }\n"
      "function int sum(int n, Box b, int[] a) { int s = 0; int i = 0;\n"
      " while (i < limit(n) && (word == \"ab\" || i < 0)) i++;\n"
      " s += i;\n"
      " for (int k = 0; k < b.n || k < 1; k += limit(1)) s += 10;\n"
      " for (a[0] = 0; a[0] < n; a[0]++) s += 100;\n"
      " while (n-- > 2) s += 1000;\n"
      " return s + a[0] * 100000; }\n"
      "function int main() { int[] a = { 9 }; int s = sum(4, new Box(), a); return s + calls * 1000000; }",
      4 + 30 + 400 + 2000 + 400000 + (5 + 3) * 1000000);
}

TEST_F(CodegenLoopsTest, LoopsInsideLoopsWithLocalsInTheirBodies) {
  expectEverywhere(
      "function int main() { int total = 0;\n"
      " for (int r = 0; r < 3; r++)\n"
      "  for (int i = 0; i < 4; i++) { int a = i * r; int b = a + 1;\n"
      "   int c = 0; while (c < b) { int d = c; c = d + 1; if (c == 3) break; }\n"
      "   total += a * 10 + c; }\n"
      " return total; }",
      // a = i * r; c = min(a + 1, 3).
      [] {
        int t = 0;
        for (int r = 0; r < 3; r++)
          for (int i = 0; i < 4; i++)
            t += i * r * 10 + std::min(i * r + 1, 3);
        return t;
      }());
}

TEST_F(CodegenLoopsTest, PostfixValuesDiscardedOrUsed) {
  // The old value where it is used; only the change where it is not, on every kind of place.
  expectEverywhere(
      "int g = 1;\n"
      "class Cell { int n; float f; var v; method Cell() { n = 5; f = 1.5; v = 7; } }\n"
      "function int bump(int p) { p++; p++; p--; return p; }\n"
      "function int main() { Cell c = new Cell(); int[] a = { 1, 2 }; int i = 0;\n"
      " c.n++; c.f--; c.v++; a[i++]++; a[1]--; g++; ::g++;\n"
      " int old = i++; int older = c.n--;\n"
      " return i * 100000000 + older * 10000000 + old * 1000000 + (bump(10) - 10) * 100000 + c.n * 10000\n"
      "  + (int) (c.f * 10) * 1000 + (int) c.v * 100 + (a[0] * 3 + a[1]) * 10 + g; }",
      261155873);
}

TEST_F(CodegenLoopsTest, DiscardedPostfixCopiesNothingAndLoopsBranchOncePerRound) {
  run("option \"optimize=0\";\n"
      "function int f(int n) { int s = 0; for (int i = 0; i < n; i++) s += i; n--; return s; }\n"
      "function int main() { return f(5); }");
  EXPECT_EQ(ps->root->regs[1]->payload.l, 10);
  auto m = mnemonics("f");
  for (size_t k = 1; k < m.size(); k++) {
    if (m[k] == "incl" || m[k] == "decl") {
      EXPECT_NE(m[k - 1], "copy") << k;
    }
  }
  // One `bra` into the condition, which branches back with `tstne`.
  EXPECT_EQ(std::count(m.begin(), m.end(), "bra"), 1);
  EXPECT_EQ(std::count(m.begin(), m.end(), "tstne"), 1);
  EXPECT_EQ(std::count(m.begin(), m.end(), "tsteq"), 0);
}

}  // namespace
