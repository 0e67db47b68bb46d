// zclvaluecopy_test.cpp - copies of values made by compiled scripts: every path that copies (the
// containers' deep copies, the table built from an array, appending to an array) runs a script
// class's copy constructor on the new object, copies a class without one member by member and
// refuses a native object that has none; an exception in a copy constructor ends the copy
// cleanly; and arithmetic in place never changes a constant or another variable.
#include "zentra/runtime/zilinternal.h"
#include "tests/compiler/zclcodegen_fixture.h"
#include "ziltools.h"

namespace {

// P counts its copies and marks them (v + 100); Q has no copy constructor. Both hold an Inner,
// which a copy shares.
const char* kClasses =
    "int copies = 0;\n"
    "class Inner { int n; method Inner() { n = 0; } }\n"
    "class P { int v; Inner inner;\n"
    "  method P() { v = 1; inner = new Inner(); }\n"
    "  method P(const P other) { v = other.v + 100; inner = other.inner; copies++; } }\n"
    "class Q { int v; Inner inner; method Q() { v = 2; inner = new Inner(); } }\n";

class ValueCopyTest : public CodegenTest {};

TEST_F(ValueCopyTest, EveryCopyPathRunsTheCopyConstructor) {
  // Each body makes c, a copy of p through one path; main answers how many copy constructors
  // ran, the copy's mark, that p kept its own, and that the copy shares p's Inner.
  struct Row {
    const char* path;
    const char* body;
  } rows[] = {
      {"array deepCopy", "var[] a = { p }; int before = copies; array b = a.deepCopy(); P c = b[0];"},
      {"nested arrays",
       "var[] nest = { p }; var[] outer = { nest }; int before = copies;\n"
       " array b = outer.deepCopy(); array bi = b[0]; P c = bi[0];"},
      {"list deepCopy",
       "list l = new list(); l.add(1, p); int before = copies; list m = l.deepCopy();\n"
       " P c = m.value(1);"},
      {"table deepCopy",
       "table t = new table(); t.set(\"k\", p); int before = copies;\n"
       " table u = t.deepCopy(); P c = u.get(\"k\");"},
      {"table from an array",
       "var[] kv = { \"k\", p }; int before = copies; table u = new table(kv);\n"
       " P c = u.get(\"k\");"},
      {"appending to an array", "var[] a = { }; int before = copies; a += p; P c = a[0];"},
  };
  for (const Row& row : rows) {
    std::string text = std::string(kClasses) + "function int main() { P p = new P();\n " + row.body +
                       "\n int same = 0; if (c.inner == p.inner) same = 2; if (c == p) same += 4;\n"
                       " return (copies - before) * 1000 + c.v * 10 + p.v + same; }";
    EXPECT_EQ(runInt(text), 1000 + 1010 + 1 + 2) << row.path << "\n" << log;
  }
}

TEST_F(ValueCopyTest, ClassesWithoutACopyConstructorCopyTheirMembers) {
  // Ints are copied (changing the copy leaves q alone), objects shared; the copy is a new object.
  EXPECT_EQ(runInt(std::string(kClasses) +
                   "function int main() { Q q = new Q(); q.v = 7; var[] a = { q }; array b = a.deepCopy();\n"
                   " Q c = b[0]; c.v = 9; int same = 0; if (c.inner == q.inner) same = 2; if (c == q) same += 4;\n"
                   " return q.v * 100 + c.v * 10 + same; }"),
            792);
  // A native object whose class has no copy constructor cannot be copied.
  run(std::string(kClasses) + "function int main() { var[] a = { new list() }; array b = a.deepCopy(); return 1; }");
  EXPECT_EQ(runError, ZIL_ERR_Unsupported_Native_Call);
}

TEST_F(ValueCopyTest, AnExceptionInACopyConstructorEndsTheCopyCleanly) {
  run("class Boom : exception { int code;\n"
      " method Boom() { code = 7; } method Boom(int e) { code = e; } method int getError() { return code; } }\n"
      "class P { int v; method P() { v = 1; } method P(const P other) { throw new Boom(); } }\n"
      "var[] held = { };\n"
      "function int copyAll() { P p = new P(); var[] a = { p, p }; held = a; array b = a.deepCopy(); return 5; }\n"
      "function int ok() { return 3; }\n"
      "function main() { }");
  ASSERT_EQ(runError, 0) << log;
  ZILHandle* copyAll = ZILGetFunction(ps, "copyAll");
  ZILHandle* ok = ZILGetFunction(ps, "ok");
  ASSERT_TRUE(copyAll && ok);
  ZILContext* root = ps->root;
  const ZILLong sp = root->sp, csp = root->csp;
  ZILLong inUse = 0;
  for (int call = 0; call < 3; call++) {
    ZILHandle* result = ZILCallFunction(ps, copyAll, 0);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(NTLHandleToError(ps, result), 7) << "the thrown Boom comes back";
    NTLFreeHandle(ps, result);
    EXPECT_EQ(root->sp, sp);
    EXPECT_EQ(root->csp, csp);
    EXPECT_EQ(ps->depth, 0);
    if (call == 0)
      inUse = ps->handlesInUse;
    EXPECT_EQ(ps->handlesInUse, inUse) << "call " << call << ": a failed copy holds nothing";
  }
  ZILHandle* three = ZILCallFunction(ps, ok, 0);
  ASSERT_NE(three, nullptr);
  EXPECT_EQ(three->type, ZIL_TYPE_INT);
  EXPECT_EQ(three->payload.l, 3);
  for (ZILHandle* h : {three, copyAll, ok})
    NTLFreeHandle(ps, h);
}

TEST_F(ValueCopyTest, ArithmeticInPlaceLeavesConstantsAndOtherVariablesAlone) {
  // The literals 5 and 1.5 each stand for one shared constant; every variable that starts from
  // one must change on its own. main runs twice, so a changed constant would show the second
  // time; checked builds also count every in-place write to a constant's handle.
  const std::string text =
      "int g = 5;\n"
      "class Box { int n; method Box() { n = 5; } }\n"
      "class Cell { var v; method Cell() { v = 5; } }\n"
      "function int bump(int x) { x += 1; x++; return x; }\n"
      "function int main() {\n"
      " int a = 5; int b = 5; a += 3; a++; a *= 2; int c = a; c--; c <<= 1;\n"
      " float f = 1.5; float h = 1.5; f += 1.0; f *= 2.0;\n"
      " int k = bump(b); Box x = new Box(); x.n += 1; int[] arr = { 5, 5 }; arr[0] -= 1; g++;\n"
      " int s = 5; s = -s; s = ~s;\n"
      " Cell cell = new Cell(); cell.v++; var w = 5; w += 2; var u = b; u++;\n"
      " if (b != 5 || h != 1.5 || f != 5.0 || c != 34 || s != 4 || cell.v != 6 || w != 7 || u != 6) return -1;\n"
      " return a * 1000000 + k * 10000 + x.n * 1000 + arr[0] * 100 + arr[1] * 10 + (g - 5); }";
  for (int level : {0, 3}) {
    Restart();
    st->options[0].optimize = level;
    st->options[0].stackLocals = level == 3 ? 2 : 0;
    ASSERT_EQ(compile(text), 0) << log;
    ASSERT_EQ(ZCLLink(ps), 0) << log;
    ASSERT_EQ(ZILRun(ps), 0);
    ZILHandle* main = ZILGetFunction(ps, "main");
    ASSERT_NE(main, nullptr);
    for (int round = 1; round <= 2; round++) {
      ZILHandle* result = ZILCallFunction(ps, main, 0);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(result->type, ZIL_TYPE_INT);
      EXPECT_EQ(result->payload.l, 18000000 + 70000 + 6000 + 400 + 50 + round)
          << "optimize " << level << ", round " << round;
      NTLFreeHandle(ps, result);
    }
    NTLFreeHandle(ps, main);
#if ZIL_CHECKED
    EXPECT_EQ(ZILInternal(ps)->constantsChangedInPlace, 0) << "optimize " << level << "\n" << log;
#endif
  }
}

}  // namespace
