// Cofunctions: threads made by calling a cofunction, resumed by calling the thread, yielding
// values, reaching globals and objects from their own context, and null forever after the end.
#include "tests/compiler/zclcodegen_fixture.h"

namespace {

class CodegenCofuncTest : public CodegenTest {};

TEST_F(CodegenCofuncTest, CofunctionsReadAndWriteGlobals) {
  EXPECT_EQ(
      runInt("int total = 100; string tag = \"t\";\n"
             "cofunction int gen(int n) { int i = 0; while (i < n) { total += i; tag += \"x\"; yield total; i++; } }\n"
             "function int main() { gen g = gen(3); int a = g(); int b = g(); int c = g();\n"
             " return a * 1000000 + b * 1000 + c + (tag == \"txxx\") * 100000000 + total * 0; }"),
      100 * 1000000 + 101 * 1000 + 103 + 100000000);
}

TEST_F(CodegenCofuncTest, ThreadsAreIndependentAndEndWithNull) {
  EXPECT_EQ(runInt("cofunction int upto(int n) { int i = 1; while (i <= n) { yield i * 10; i++; } }\n"
                   "function int main() { upto a = upto(2); upto b = upto(5);\n"
                   " int s = a() + b() + a() + b();\n"
                   " var end = a(); var again = a(); int more = b();\n"
                   " return s * 100 + (end == null) * 10 + (again == null) + more * 0; }"),
            (10 + 10 + 20 + 20) * 100 + 11);
}

TEST_F(CodegenCofuncTest, CofunctionsWithoutResultAndThreadsInMembers) {
  EXPECT_EQ(runInt("int seen = 0;\n"
                   "cofunction tick() { seen += 1; yield; seen += 10; yield; seen += 100; }\n"
                   "class Owner { tick t; method Owner() { t = tick(); } method step() { t(); } }\n"
                   "function int main() { Owner o = new Owner(); o.step(); o.step(); o.step(); o.step(); o.step();"
                   " return seen; }"),
            111);
}

}  // namespace
