// Code generation end to end: small scripts are compiled, linked and run in the runtime, and the
// value a function leaves in r1 is checked; plus diagnostics and instruction selection checks.
#include "tests/compiler/zclcodegen_fixture.h"

namespace {

TEST_F(CodegenTest, IntArithmeticAndPrecedence) {
  EXPECT_EQ(runInt("function int main() { int a = 7; int b = 3; return a * b + a / b - a % b + -2; }"),
            7 * 3 + 7 / 3 - 7 % 3 - 2);
  EXPECT_TRUE(uses("main", "mull"));
  EXPECT_TRUE(uses("main", "divl"));
  EXPECT_FALSE(uses("main", "mul"));
}

TEST_F(CodegenTest, BitwiseShiftsAndCompoundAssignments) {
  EXPECT_EQ(runInt("function int main() { int a = 12; a |= 3; a &= 13; a ^= 1; a <<= 2; a >>= 1;"
                   " a += 5; a -= 1; a *= 3; return (a | 0x100) & ~1; }"),
            ((((((((12 | 3) & 13) ^ 1) << 2) >> 1) + 5 - 1) * 3) | 0x100) & ~1);
}

TEST_F(CodegenTest, FloatAndMixedArithmetic) {
  EXPECT_DOUBLE_EQ(runFloat("function float main() { float x = 1.5; int n = 2; return x * n + 1; }"), 4.0);
  EXPECT_TRUE(uses("main", "cvf"));
  EXPECT_TRUE(uses("main", "mulf"));
}

TEST_F(CodegenTest, VarOperandsUseGenericForms) {
  EXPECT_EQ(runInt("function int main() { var a = 5; var b = 6; int c = a * b; return c; }"), 30);
  EXPECT_TRUE(uses("main", "mul"));
  EXPECT_TRUE(uses("main", "rtchk"));
}

TEST_F(CodegenTest, LocalsKeepTheirValuesWhenCopiedAndChanged) {
  // Ints are copied: changing b or the argument must not change a.
  EXPECT_EQ(runInt("function int bump(int x) { x += 10; return x; }\n"
                   "function int main() { int a = 1; int b = a; b++; int c = bump(a); return a * 100 + b * 10 + c; }"),
            100 + 20 + 11);
  // A literal's data handle is never changed in place.
  EXPECT_EQ(runInt("function int f() { int k = 5; k++; return k; }\n"
                   "function int main() { int s = f(); s = s + f(); return s; }"),
            12);
}

TEST_F(CodegenTest, ComparesAndShortCircuit) {
  EXPECT_EQ(runInt("function int main() { int a = 2; int b = 3; return (a < b) * 1 + (a > b) * 2 + (a <= 2) * 4"
                   " + (b >= 4) * 8 + (a == 2) * 16 + (a != 2) * 32; }"),
            1 + 4 + 16);
  // The right operand must not run when the left decides.
  EXPECT_EQ(runInt("int hits;\n"
                   "function int hit(int v) { hits += 1; return v; }\n"
                   "function int main() { hits = 0; int r = 0;\n"
                   " if (hit(0) && hit(1)) r = 100;\n"
                   " if (hit(1) || hit(1)) r += 1;\n"
                   " if (hit(1) and hit(1)) r += 10;\n"
                   " return r * 1000 + hits; }"),
            11 * 1000 + 4);
}

TEST_F(CodegenTest, LoopsAndBreak) {
  EXPECT_EQ(runInt("function int main() { int s = 0; int i = 0; while (i < 10) { s += i; i++; } return s; }"), 45);
  EXPECT_EQ(runInt("function int main() { int s = 0; for (int i = 0; i < 100; i++) { if (i == 5) break; s += i; }"
                   " return s; }"),
            10);
  EXPECT_EQ(runInt("function int main() { int n = 0; do { n++; } while (n < 7); return n; }"), 7);
  // break out of a nested block drops the block's locals.
  EXPECT_EQ(runInt("function int main() { int s = 0; while (1) { int a = 3; { int b = 4; s = a + b; break; } }"
                   " return s; }"),
            7);
}

TEST_F(CodegenTest, RecursionAndRegisterSaving) {
  EXPECT_EQ(runInt("function int fib(int n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n"
                   "function int main() { return fib(15); }"),
            610);
  // Temporaries live across a call survive it.
  EXPECT_EQ(runInt("function int two() { int a = 1; int b = 1; return a + b; }\n"
                   "function int main() { int x = 5; return x * 10 + two() * (x + two()); }"),
            50 + 2 * 7);
}

TEST_F(CodegenTest, StringsAndGlobals) {
  EXPECT_EQ(runString("string g = \"ab\";\n"
                      "function string main() { string s = g + \"cd\"; s += \"!\"; if (s == \"abcd!\") s += \"?\";"
                      " return s + \"/\" + g; }"),
            "abcd!?/ab");
}

TEST_F(CodegenTest, StackLocalsOptionPlacesLocals) {
  const char* text =
      "option \"stack-locals=off\";\n"
      "function int main() { int a = 1; int b = 2; int c = 3; int d = 4; int e = 5; int f = 6;"
      " return a + b + c + d + e + f * 10; }";
  EXPECT_EQ(runInt(text), 1 + 2 + 3 + 4 + 5 + 60);
  // Five register locals, the sixth on the stack.
  auto m = mnemonics("main");
  EXPECT_EQ(std::count(m.begin(), m.end(), "push"), 1);
  // register-locals raises the limit: all six in registers, with the same result.
  EXPECT_EQ(runInt(std::string("option \"register-locals=6\";\n") + text), 1 + 2 + 3 + 4 + 5 + 60);
  m = mnemonics("main");
  EXPECT_EQ(std::count(m.begin(), m.end(), "push"), 0);
}

TEST_F(CodegenTest, StatementErrorsAndWarnings) {
  EXPECT_EQ(compile("function int f() { return; }"), ZCL_ERR_Function_Must_Return_Value);
  EXPECT_NE(log.find("1207"), std::string::npos) << log;
  EXPECT_EQ(compile("function g() { return 1; }"), ZCL_ERR_Function_Cannot_Return_Value);
  EXPECT_EQ(compile("function h() { break; }"), ZCL_ERR_Break_Outside_Loop);
  EXPECT_EQ(compile("function int k(int a) { if (a) return 1; }"), ZCL_ERR_Not_All_Paths_Return);
  EXPECT_EQ(compile("function m() { int a; a = b; }"), ZCL_ERR_Undefined_Identifier);
  EXPECT_EQ(compile("function n() { const int a = 1; a = 2; }"), ZCL_ERR_LValue_Is_Constant);
  EXPECT_EQ(compile("function p() { 1 = 2; }"), ZCL_ERR_Not_An_LValue);
  EXPECT_EQ(compile("function q() { int a; ++a; }"), ZCL_ERR_Unexpected_Token);
}

TEST_F(CodegenTest, UnreachableStatementWarnsAndEmitsNothing) {
  EXPECT_EQ(runInt("function int main() { return 3; int x = 4; x++; }"), 3);
  EXPECT_NE(log.find("1510"), std::string::npos) << log;
  auto m = mnemonics("main");
  EXPECT_EQ(m.back(), "ret");
  EXPECT_EQ(std::count(m.begin(), m.end(), "ret"), 1);
}

TEST_F(CodegenTest, TypelessToTypedWarnsAndChecksAtRunTime) {
  ZILHandle* h = run("function int main() { var v = \"text\"; int x = 0; x = v; return x; }");
  (void)h;
  EXPECT_NE(log.find("1500"), std::string::npos) << log;
  EXPECT_EQ(runError, ZIL_EXC_Type_Mismatch);
}

TEST_F(CodegenTest, ThrowLeavesTheScript) {
  run("class Oops : exception { int code;\n"
      " method Oops() { code = 0; } method Oops(int error) { code = error; } method int getError() { return code; } }\n"
      "function main() { throw new Oops(42); }");
  EXPECT_EQ(runError, ZIL_EXC_Software);
  ASSERT_NE(ps->thrown, nullptr);
  EXPECT_EQ(ZILTypes(ps)[ps->thrown->type].typeID, typeOf("Oops"));
  EXPECT_EQ(compile("function f() { throw \"text\"; }"), ZCL_ERR_Not_An_Exception);
}

}  // namespace

namespace {

class CodegenObjectsTest : public CodegenTest {};

TEST_F(CodegenObjectsTest, ClassesWithConstructorsMembersAndMethods) {
  EXPECT_EQ(runInt("class Counter {\n"
                   " int count; int step;\n"
                   " method Counter(int s) { count = 0; step = s; }\n"
                   " method add() { count += step; }\n"
                   " method int twice() { add(); add(); return count; }\n"
                   "}\n"
                   "function int main() { Counter c = new Counter(3); c.add(); int t = c.twice();"
                   " c.step = 100; c.add(); return t * 1000 + c.count; }"),
            9 * 1000 + 109);
}

TEST_F(CodegenObjectsTest, ObjectsAreReferencesIntsAreCopied) {
  EXPECT_EQ(runInt("class Box { int v; method Box() { v = 1; } }\n"
                   "function int main() { Box a = new Box(); Box b = a; b.v = 5; int x = a.v; x++;"
                   " return a.v * 10 + x; }"),
            56);
}

TEST_F(CodegenObjectsTest, SwitchFallsThroughAndBreaks) {
  const char* fn =
      "function int pick(int v) { int r = 0;\n"
      " switch (v) { case 1: r += 1; case 2: r += 10; break; case 3: r += 100; break;"
      " default: r = -1; }\n"
      " return r; }\n";
  EXPECT_EQ(runInt(std::string(fn) + "function int main() { return pick(1) * 1000000 + pick(2) * 1000 + pick(3); }"),
            11 * 1000000 + 10 * 1000 + 100);
  EXPECT_EQ(runInt(std::string(fn) + "function int main() { return pick(7); }"), -1);
  EXPECT_EQ(compile("function f(int v) { switch (v) { default: break; case 1: break; } }"), ZCL_ERR_Default_Not_Last);
  EXPECT_EQ(compile("function g(int v) { int k = 1; switch (v) { case k: break; } }"), ZCL_ERR_Case_Not_Constant);
}

TEST_F(CodegenObjectsTest, ArraysAndArrayLiterals) {
  EXPECT_EQ(runInt("function int main() { int[] a = { 3, 4, 5 }; a[3] = 6; int s = 0;"
                   " for (int i = 0; i < 4; i++) s += a[i]; return s; }"),
            18);
}

}  // namespace

namespace {

class CodegenCallablesTest : public CodegenTest {};

TEST_F(CodegenCallablesTest, CofunctionsYieldSequencesThenNullForever) {
  EXPECT_EQ(runInt("cofunction int count(int from) { int i = from; while (i < from + 3) { yield i; i++; } }\n"
                   "function int main() { count c = count(5); int a = c(); int b = c(); int d = c();"
                   " var e = c(); var f = c(); return a * 10000 + b * 100 + d + (e == null) * 1000000"
                   " + (f == null) * 10000000; }"),
            11000000 + 50000 + 600 + 7);
  EXPECT_EQ(compile("function f() { yield 1; }"), ZCL_ERR_Yield_Outside_Cofunction);
  EXPECT_EQ(compile("cofunction int g() { return 1; }"), ZCL_ERR_Return_In_Cofunction);
}

TEST_F(CodegenCallablesTest, DelegatesAndFunctionLiterals) {
  EXPECT_EQ(runInt("delegate int op(int a, int b);\n"
                   "function int add(int a, int b) { return a + b; }\n"
                   "function int apply(op f, int x) { return f(x, 10); }\n"
                   "function int main() { op d = add; op m = function (a, b) { return a * b; };"
                   " return apply(d, 1) * 1000 + m(3, 4) + apply(m, 2); }"),
            11 * 1000 + 12 + 20);
  // The literal became a global function named by its index in hexadecimal.
  size_t literals = 0;
  for (auto& f : cls("__global")->funcs)
    if (f->name.rfind("__anonymous_function_", 0) == 0) {
      literals++;
      char expected[48];
      std::snprintf(expected, sizeof expected, "__anonymous_function_%x", static_cast<unsigned>(f->index));
      EXPECT_EQ(f->name, expected);
    }
  EXPECT_EQ(literals, 1u);
  EXPECT_EQ(compile("delegate int op2(int a);\nfunction f() { op2 d = function (a, b) { return a; }; }"),
            ZCL_ERR_Delegate_Argument_Names);
  EXPECT_EQ(compile("function g() { int k = 1; k(2); }"), ZCL_ERR_Not_A_Delegate);
}

TEST_F(CodegenCallablesTest, MethodDelegatesBindTheirObject) {
  EXPECT_EQ(runInt("delegate int getter();\n"
                   "class Holder { int v; method Holder(int x) { v = x; } method int get() { return v; }\n"
                   " method getter bound() { getter g = get; return g; } }\n"
                   "function int main() { Holder h = new Holder(7); getter g = h.bound(); h.v = 9; return g(); }"),
            9);
}

TEST_F(CodegenCallablesTest, TypeofSamerefAndRtchk) {
  EXPECT_EQ(runInt("class A { int x; method A() { x = 1; } }\n"
                   "function int main() { A a = new A(); A b = a; A c = new A(); string s = \"\";"
                   " return sameref(a, b) * 100 + sameref(a, c) * 10 + (typeof(s) == 3); }"),
            101);
  EXPECT_EQ(compile("function f() { var v; int t = typeof(v); }"), ZCL_ERR_Typeof_Var);
}

}  // namespace

namespace {

class CodegenMoreTest : public CodegenTest {};

TEST_F(CodegenMoreTest, AccessorsOfScriptAndNativeClasses) {
  EXPECT_EQ(runInt("class Temp { float c;\n"
                   " method Temp() { c = 0.0; }\n"
                   " accessor int whole() { return (int) c; }\n"
                   " accessor whole(int v) { c = v; } }\n"
                   "function int main() { Temp t = new Temp(); t.whole = 21; string s = \"hello\";"
                   " return t.whole * 100 + s.length; }"),
            2105);
}

TEST_F(CodegenMoreTest, TwentyNineLiveTemporariesFitAndOneMoreIsFatal) {
  auto nested = [](int depth) {
    std::string e = "1";
    for (int i = 1; i < depth; i++)
      e = "1 + (" + e + ")";
    return "function int main() { return " + e + "; }";
  };
  // 28 literals held while the innermost sum needs a copy of its left operand: 29 registers.
  EXPECT_EQ(runInt(nested(28)), 28);
  TearDown();
  SetUp();
  EXPECT_EQ(compile(nested(29)), ZCL_ERR_Fatal);
  EXPECT_NE(log.find("No free temporary register found"), std::string::npos) << log;
}

}  // namespace

namespace {

TEST_F(CodegenMoreTest, ConversionsThroughConvertorsAndConstructors) {
  EXPECT_EQ(runInt("class Meters { int v; method Meters() { v = 0; } method Meters(int x) { v = x; }\n"
                   " method int convertor() { return v * 100; } }\n"
                   "function int cm(int c) { return c; }\n"
                   "function int main() { Meters m = 3; Meters d; int back = m; return back + cm(m) + d.v; }"),
            600);
  EXPECT_EQ(runString("function string main() { string s = 42; string t; t += \"x\"; t += 7;"
                      " return s + t + \"/\" + 1.5; }"),
            "42x7/1.5");
}

}  // namespace

namespace {

TEST_F(CodegenMoreTest, HybridClassesCallTheirBaseThroughBoundDelegates) {
  EXPECT_EQ(runInt("class Base { int n; method Base(int v) { n = v; } method int get() { return n; }"
                   " method add(int d) { n += d; } }\n"
                   "class Derived hybrid Base { int own;\n"
                   " method Derived(int v) { hybrid(v * 2); own = 1; }\n"
                   " method int total() { add(5); return get() + own; } }\n"
                   "function int main() { Derived d = new Derived(10); d.add(100); return d.total() * 10 + d.get(); }"),
            1260 + 125);
  EXPECT_EQ(compile("class B1 { int n; method B1() { n = 0; } method int get() { return n; } }\n"
                    "class D1 hybrid B1 { int k; method D1() { k = 1; } }"),
            ZCL_ERR_Expected_Hybrid);
}

}  // namespace

namespace {

TEST_F(CodegenMoreTest, ConstructorMustGiveEveryMemberAValue) {
  EXPECT_EQ(compile("class P { int a; int b; method P() { a = 1; } }"), ZCL_ERR_Member_Not_Initialized);
  EXPECT_NE(log.find("'b'"), std::string::npos) << log;
}

}  // namespace

namespace {

TEST_F(CodegenMoreTest, SelfTestInsideABodyRollsBackAFailingBlock) {
  EXPECT_EQ(runInt("function int main() { int a = 4;\n"
                   " __selftest 1213 { int b = 2; x = 1; }\n"
                   " __selftest 0 { a += 1; }\n"
                   " return a; }"),
            5);
  EXPECT_NE(log.find("COMPILER SELF TEST 1213(1213): PASS"), std::string::npos) << log;
  EXPECT_NE(log.find("COMPILER SELF TEST 0(0): PASS"), std::string::npos) << log;
  ZCLStatistics stats{};
  ZCLGetStatistics(ps, &stats);
  EXPECT_EQ(stats.errors, 0);
}

}  // namespace

namespace {

TEST_F(CodegenMoreTest, DeeplyNestedTextIsRefusedNotCrashed) {
  const std::string deep(100000, '(');
  EXPECT_EQ(compile("function int f() { return " + deep + "1; }"), ZCL_ERR_General_Parser_Error);
  EXPECT_EQ(compile("function g() { " + std::string(100000, '{') + std::string(100000, '}') + " }"),
            ZCL_ERR_General_Parser_Error);
  std::string minus;
  for (int i = 0; i < 50000; i++)
    minus += "- ";
  EXPECT_EQ(compile("function int h() { return " + minus + "1; }"), ZCL_ERR_General_Parser_Error);
}

}  // namespace

TEST_F(CodegenTest, CallResultsChangedInPlaceLeaveTheirSourcesAlone) {
  // Results taken from r1 and changed in place: the global, the member and the cofunction's
  // own counter keep their values.
  EXPECT_EQ(runInt("int g = 5;\n"
                   "function int get() { return g; }\n"
                   "function int main() { int a = get(); a += 1; int b = get() + get(); b = b + get();"
                   " return a * 1000 + b * 10 + g; }"),
            6 * 1000 + 15 * 10 + 5);
  EXPECT_EQ(runInt("class Box { int v; method Box() { v = 4; } method int value() { return v; } }\n"
                   "function int main() { Box b = new Box(); int s = b.value() + b.value(); s = b.value() * s;"
                   " return s * 10 + b.v; }"),
            32 * 10 + 4);
  EXPECT_EQ(runInt("cofunction int count(int n) { int i = 0; while (i < n) { yield i; i++; } }\n"
                   "function int main() { count c = count(5); int t = 0; for (int k = 0; k < 5; k++) t = c() + t;"
                   " return t; }"),
            0 + 1 + 2 + 3 + 4);
}
