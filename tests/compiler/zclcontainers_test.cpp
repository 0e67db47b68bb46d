// zclcontainers_test.cpp - the built-in container classes used from compiled scripts: their
// declaration strings import, and array, list (with a script comparator), iterator and table
// methods run through the interpreter's native calls (the delegate calls themselves are covered
// by the built-in class tests of the code generator).
#include "tests/compiler/zclcodegen_fixture.h"

namespace {

class ContainerScriptTest : public CodegenTest {};

TEST_F(ContainerScriptTest, BuiltinClassesDeclareTheirFunctionsInOrder) {
  struct Expect {
    const char* cls;
    const char* fn;
    int number;
  };
  for (const Expect& e :
       {Expect{"array", "pop", 15}, Expect{"array", "format", 10}, Expect{"list", "deepCopy", 18},
        Expect{"list", "sort", 12}, Expect{"iterator", "isLast", 13}, Expect{"table", "enumerate", 6}}) {
    std::vector<ZCLFunc*> found = funcs(e.cls, e.fn);
    ASSERT_FALSE(found.empty()) << e.cls << "::" << e.fn;
    EXPECT_EQ(found[0]->memberIndex, e.number) << e.cls << "::" << e.fn;
  }
}

TEST_F(ContainerScriptTest, ArrayMethodsFromScript) {
  EXPECT_EQ(runString("function string main() { int[] a = { 1, 2 }; a.push(3);\n"
                      " array b = a.remove(-3, 2); return b.toString() + \"/\" + a.format(\"%d-%d\"); }"),
            "3/1-2");
}

TEST_F(ContainerScriptTest, ListSortAcrossTypesAndWithAScriptComparator) {
  EXPECT_EQ(
      runString(
          "function int byLength(const var a, const var b) { array x = a; array y = b; return x.length - y.length; }\n"
          "function string main() { list l = new list();\n"
          " l.add(3, \"c\"); l.add(1.5, \"f\"); l.add(\"a\", \"s\"); l.add(2, \"b\");\n"
          " l.sort(0, byLength);\n"
          " string s = \"\"; iterator it = new iterator(l);\n"
          " while (it.valid) { string v = it.value; s += v; it.next(); }\n"
          " list m = new list(); int[] p = { 1, 2 }; int[] q = { 7 };\n"
          " m.add(1, p); m.add(1, q); m.sort(0, byLength);\n"
          " array first = m.valueFromIndex(0); return s + \"/\" + first.toString(); }"),
      "bcfs/7");
  EXPECT_EQ(runError, 0);
}

TEST_F(ContainerScriptTest, TableEnumerationOrderFromScript) {
  EXPECT_EQ(runString("string acc;\n"
                      "function visit(var e, var args) { string s = e; acc += s; }\n"
                      "function string main() { acc = \"\"; table t = new table();\n"
                      " t.set(\"a\", \"A\"); t.set(\"ab\", \"B\"); t.set(\"b\", \"C\");\n"
                      " t.enumerate(visit, null); string g = t.get(\"ab\"); return acc + g; }"),
            "BACB");
}

}  // namespace
