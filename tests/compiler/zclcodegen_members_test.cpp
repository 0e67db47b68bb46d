// Objects and their members: initial values written with member declarations, accessors used
// by their bare name inside their class, and the rule that a constructor gives every member a
// value on every path that leaves it.
#include "tests/compiler/zclcodegen_fixture.h"

namespace {

class CodegenMembersTest : public CodegenTest {};

TEST_F(CodegenMembersTest, MemberInitialValuesAreGivenByEveryConstructor) {
  EXPECT_EQ(runInt("int base = 7;\n"
                   "class Point { int x = base * 2, y = 3; string name = \"p\" + x; float f = 1;\n"
                   " method Point() { }\n"
                   " method Point(int v) { y = v; } }\n"
                   "function int main() { Point a = new Point(); Point b = new Point(40);\n"
                   " return a.x * 10000 + a.y * 1000 + b.y + (a.name == \"p14\") * 100 + (int) (b.f * 5); }"),
            14 * 10000 + 3 * 1000 + 40 + 100 + 5);
  // Each object gets values of its own, not one shared handle.
  EXPECT_EQ(runInt("class C { int n = 1; method C() { } method bump() { n += 1; } }\n"
                   "function int main() { C a = new C(); C b = new C(); a.bump(); a.bump(); return a.n * 10 + b.n; }"),
            31);
}

TEST_F(CodegenMembersTest, ErrorsInMemberValuesPointAtTheDeclaration) {
  EXPECT_EQ(compile("class C {\n"
                    "  int ok = 1;\n"
                    "  int bad = missing + 1;\n"
                    "  method C() { } }"),
            ZCL_ERR_Undefined_Identifier);
  EXPECT_NE(log.find("'missing'"), std::string::npos) << log;
  EXPECT_NE(log.find("(3,13)"), std::string::npos) << log;
}

TEST_F(CodegenMembersTest, AccessorsByBareNameInsideTheirClass) {
  EXPECT_EQ(
      runInt("class Temp { float c;\n"
             " method Temp() { c = 0.0; }\n"
             " accessor int whole() { return (int) c; }\n"
             " accessor whole(int v) { c = v; }\n"
             " method int twice(int v) { whole = v; int w = whole; whole = whole * 2; return w * 1000 + whole; } }\n"
             "function int main() { Temp t = new Temp(); return t.twice(21); }"),
      21042);
  // Compound assignments read with the getter and write with the setter.
  EXPECT_EQ(runInt("class Vol { int raw; method Vol() { raw = 0; }\n"
                   " accessor int level() { return raw; } accessor level(int v) { if (v > 100) v = 100; raw = v; }\n"
                   " method up() { level += 7; } }\n"
                   "function int main() { Vol v = new Vol(); v.level = 50; v.level += 30; v.up(); int a = v.level;"
                   " v.level -= 20; v.level *= 3; return a * 1000 + v.level; }"),
            87 * 1000 + 100);
}

TEST_F(CodegenMembersTest, EveryPathOutOfAConstructorGivesEveryMember) {
  // Given on both branches, in every case of a switch with default, before a return: fine.
  EXPECT_EQ(
      runInt(
          "class A { int a; int b;\n"
          " method A(int k) { if (k > 0) { a = 1; } else { a = 2; }\n"
          "  switch (k) { case 1: b = 10; break; default: b = 20; }\n"
          "  if (k == 5) { return; } }\n"
          " method A() { a = 0; if (a == 0) { b = 1; return; } b = 2; } }\n"
          "function int main() { A x = new A(1); A y = new A(5); A z = new A(); return x.a + x.b + y.a + y.b + z.b; }"),
      11 + 21 + 1);
  // Only on one branch, only in a loop, in a switch without default, or missing at a return.
  const char* bad[] = {
      "class B { int a; method B(int k) { if (k) a = 1; } }",
      "class B { int a; method B(int k) { while (k) { a = 1; k = 0; } } }",
      "class B { int a; method B(int k) { for (int i = 0; i < k; i++) a = i; } }",
      "class B { int a; method B(int k) { switch (k) { case 1: a = 1; break; case 2: a = 2; } } }",
      "class B { int a; method B(int k) { if (k) return; a = 1; } }",
      "class B { int a; method B(int k) { do { if (k) break; a = 1; } while (0); } }",
  };
  for (const char* text : bad) {
    Restart();
    EXPECT_EQ(compile(text), ZCL_ERR_Member_Not_Initialized) << text << "\n" << log;
    EXPECT_NE(log.find("'a'"), std::string::npos) << log;
  }
  // The error of a return names its position.
  Restart();
  EXPECT_EQ(compile("class B { int a;\n method B(int k) {\n  if (k) return;\n  a = 1; } }"),
            ZCL_ERR_Member_Not_Initialized);
  EXPECT_NE(log.find("(3,10)"), std::string::npos) << log;
}

}  // namespace
