// The built-in classes as scripts see them: the container classes' delegate types (declared by
// the runtime's declaration texts and adopted at their fixed ids) given function literals and
// functions; their static functions by qualified name; and the call errors that depend on the
// arguments' compiled types.
#include "tests/compiler/zclcodegen_fixture.h"

namespace {

class CodegenBuiltinTest : public CodegenTest {};

TEST_F(CodegenBuiltinTest, ContainerDelegateTypesKeepTheirFixedIdsAndSignatures) {
  struct Expected {
    int id;
    const char* name;
    size_t args;
    bool result;
  } expected[] = {{4, "string::processor", 2, true},
                  {6, "array::enumerator", 2, false},
                  {7, "array::processor", 2, true},
                  {9, "list::enumerator", 3, false},
                  {10, "list::comparator", 2, true}};
  for (const Expected& e : expected) {
    ZCLClass* c = st->classes[static_cast<size_t>(e.id)].get();
    EXPECT_EQ(c->family, ZIL_FAMILY_DELEGATE) << e.name;
    EXPECT_EQ(c->dgArgs.size(), e.args) << e.name;
    EXPECT_EQ(c->dgHasResult, e.result) << e.name;
    EXPECT_EQ(typeOf(e.name), e.id) << e.name;
  }
}

TEST_F(CodegenBuiltinTest, ContainersCallScriptDelegates) {
  // Objects are ordered by the comparator (ints and strings the list orders itself).
  EXPECT_EQ(runInt("class Box { int v; method Box(int x) { v = x; } }\n"
                   "function int byValue(const var a, const var b) { Box x = a; Box y = b; return x.v - y.v; }\n"
                   "function int main() { list l = new list();\n"
                   " l.add(\"a\", new Box(30)); l.add(\"b\", new Box(10)); l.add(\"c\", new Box(20));\n"
                   " l.sort(2, byValue);\n"
                   " Box first = l.valueFromIndex(0); Box last = l.valueFromIndex(2);\n"
                   " int[] a = { 1, 2, 3 };\n"
                   " array doubled = a.process(function (e, args) { int v = e; return v * 2; }, null);\n"
                   " int d2 = doubled[2];\n"
                   " a.enumerate(function (e, args) { ::total += e; }, null);\n"
                   " return first.v * 10000 + last.v * 100 + d2 * 10 + total; }\n"
                   "int total = 0;"),
            10 * 10000 + 30 * 100 + 60 + 6);
}

TEST_F(CodegenBuiltinTest, StaticFunctionsOfKeywordNamedClassesByQualifiedName) {
  EXPECT_EQ(runString("string g = string::fill('-', 2) + string::ascii(66);\n"
                      "function string main() { string::fill('y', 1);\n"
                      " return g + string::fill('x', 3) + string::ascii(65) + string::format(\"%3d\", 42)\n"
                      "  + string::format(\"%d/%s\", { 7, \"z\" }); }"),
            "--BxxxA 427/z");
  const struct {
    const char* text;
    ZILError code;
  } errors[] = {
      {"function f() { string::nothing(1); }", ZCL_ERR_Undefined_Identifier},
      {"function f() { string::trim(); }", ZCL_ERR_Method_Without_Object},
      {"function f() { string::fill(1); }", ZCL_ERR_No_Matching_Function},
      {"function f() { array::swap(1, 2); }", ZCL_ERR_Method_Without_Object},
      {"function f() { int n = string + 1; }", ZCL_ERR_Unexpected_Token},
  };
  for (const auto& e : errors) {
    Restart();
    EXPECT_EQ(compile(e.text), e.code) << e.text << "\n" << log;
  }
}

TEST_F(CodegenBuiltinTest, CallErrorsOfArgumentTypesPointAtTheName) {
  const char* convertible =
      "class Both { int v; method Both() { v = 1; }\n"
      " method int convertor() { return v; } method float convertor() { return 0.5; } }\n";
  EXPECT_EQ(compile("function f(int a) { }\nfunction f(float a) { }\nfunction g() {\n  f(\"text\"); }"),
            ZCL_ERR_No_Matching_Function);
  EXPECT_NE(log.find("'f'"), std::string::npos) << log;
  EXPECT_NE(log.find("(4,3)"), std::string::npos) << log;
  Restart();
  EXPECT_EQ(compile(std::string(convertible) +
                    "function f(int a) { }\nfunction f(float a) { }\nfunction g() { Both b = new Both();\n   f(b); }"),
            ZCL_ERR_Ambiguous_Call);
  EXPECT_NE(log.find("(6,4)"), std::string::npos) << log;
  // Methods, constructors and static functions of a class take part the same way.
  Restart();
  EXPECT_EQ(compile("class P { int v; method P(int a) { v = a; } method P(float a) { v = 0; } }\n"
                    "function g() { P p = new P(\"x\"); }"),
            ZCL_ERR_No_Matching_Function);
  EXPECT_NE(log.find("(2,26)"), std::string::npos) << log;
  Restart();
  EXPECT_EQ(compile("class Q { int v; method Q() { v = 0; } method put(int a) { } method put(float a) { } }\n"
                    "function g() { Q q = new Q(); q.put(q); }"),
            ZCL_ERR_No_Matching_Function);
  EXPECT_NE(log.find("(2,33)"), std::string::npos) << log;
}

TEST_F(CodegenBuiltinTest, ConstructorsCopiedFromAnInterfaceUseTheirDefinitionsNames) {
  EXPECT_EQ(runInt("interface Shape { method Shape(int size); method int area(); }\n"
                   "class Square : Shape { int side;\n"
                   " method Square(int edge) { side = edge; }\n"
                   " method int area() { return side * side; } }\n"
                   "function int main() { Square s = new Square(7); return s.area(); }"),
            49);
  EXPECT_EQ(compile("interface Shape2 { method Shape2(int size); }\n"
                    "class Tri : Shape2 { int s; method Tri(int edge) { s = size; } }"),
            ZCL_ERR_Undefined_Identifier);
}

}  // namespace
