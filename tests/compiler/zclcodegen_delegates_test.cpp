// Delegate values at their edges: `null` given where a delegate (or any reference) is expected,
// and function literals whose parameter lists repeat the delegate's types.
#include "tests/compiler/zclcodegen_fixture.h"

namespace {

class CodegenDelegatesTest : public CodegenTest {};

struct RunCase {
  const char* what;
  const char* text;
  ZILLong expected;
};

TEST_F(CodegenDelegatesTest, NullStandsForAnyDelegate) {
  const char* decls =
      "delegate int Cmp(int a, int b);\n"
      "class Box { int v; method Box(int x) { v = x; }\n"
      " method int use(Cmp c) { if (c == null) return v; return c(v, 1); } }\n"
      "function int apply(Cmp c) { if (c == null) return -1; return c(2, 3); }\n"
      "function Cmp pick(int k) { if (k) return function (a, b) { return a * b; }; return null; }\n";
  const RunCase cases[] = {
      {"a script function's argument", "function int main() { return apply(null); }", -1},
      {"a method's argument", "function int main() { return new Box(5).use(null); }", 5},
      {"a local's value", "function int main() { Cmp c = null; return c == null; }", 1},
      {"a global's value", "Cmp g = null;\nfunction int main() { return g == null; }", 1},
      {"a returned value", "function int main() { return (pick(0) == null) * 10 + pick(1)(2, 3); }", 16},
      // With no comparator, values of one class compare equal and the keys decide.
      {"a native method's argument",
       "function int main() { list l = new list();\n"
       " l.add(\"b\", new Box(1)); l.add(\"a\", new Box(2)); l.add(0, new Box(3));\n"
       " l.sort(2, null); Box first = l.valueFromIndex(0); Box last = l.valueFromIndex(2);\n"
       " string s = \"abc\".process(null, null);\n"
       " return first.v * 10 + last.v; }",
       31},
  };
  for (const RunCase& c : cases)
    EXPECT_EQ(runInt(std::string(decls) + c.text), c.expected) << c.what << "\n" << log;
}

TEST_F(CodegenDelegatesTest, NullArgumentsChooseAmongOverloads) {
  // Any reference type takes null; value types do not, and two reference types tie.
  EXPECT_EQ(runInt("class Box { int v; method Box() { v = 0; } }\n"
                   "function int g(int x) { return 1; }\nfunction int g(Box b) { return 2; }\n"
                   "function int main() { return g(null); }"),
            2);
  Restart();
  EXPECT_EQ(compile("class Box { int v; method Box() { v = 0; } }\n"
                    "function f(string s) { }\nfunction f(Box b) { }\nfunction g() { f(null); }"),
            ZCL_ERR_Ambiguous_Call);
  Restart();
  EXPECT_EQ(compile("function f(int v) { }\nfunction g() { f(null); }"), ZCL_ERR_No_Matching_Function);
}

TEST_F(CodegenDelegatesTest, FunctionLiteralsMayRepeatTheDelegatesParameterTypes) {
  const char* decls =
      "delegate int BinOp(int a, int b);\n"
      "delegate int Join(const string s, int[] list);\n"
      "class Box { int v; method Box(int x) { v = x; } }\n"
      "delegate int OnBox(Box b);\n"
      "function int twice(BinOp f, int x) { return f(x, x); }\n";
  const RunCase cases[] = {
      {"types and names",
       "function int main() { BinOp f = function (int a, int b) { return a - b; }; return f(5, 3); }", 2},
      {"one typed, one named",
       "function int main() { BinOp f = function (a, int b) { return a - b; }; return f(9, 3); }", 6},
      {"an argument of a call", "function int main() { return twice(function (int a, int b) { return a * b; }, 7); }",
       49},
      {"const left out, arrays",
       "function int main() { Join j = function (string s, int[] l) { return s.length + l[0]; }; return j(\"1\", {2}); "
       "}",
       3},
      {"a name that is also a type's",
       "function int main() { OnBox o = function (Box) { return Box.v; }; return o(new Box(4)); }", 4},
      {"a class type", "function int main() { OnBox o = function (Box b) { return b.v; }; return o(new Box(8)); }", 8},
  };
  for (const RunCase& c : cases)
    EXPECT_EQ(runInt(std::string(decls) + c.text), c.expected) << c.what << "\n" << log;
  // `const` added to a parameter holds in the body.
  Restart();
  EXPECT_EQ(compile("delegate int BinOp(int a, int b);\n"
                    "function f() { BinOp g = function (const int a, int b) { a = 2; return b; }; }"),
            ZCL_ERR_LValue_Is_Constant);
}

}  // namespace
