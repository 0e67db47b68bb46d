// Declarations: the errors a script author meets most, each with its line and column in both
// message formats; forward declarations, interface copies sharing indices, structural
// delegates, type expressions, redefinitions, hybrid classes, cofunctions and self tests.
#include "tests/compiler/zclfixture.h"

namespace {

class Declarations : public CompilerFixture {};

struct ErrorCase {
  const char* text;
  ZILError code;
  const char* defaultLine;  // expected in the default format
  const char* msLine;       // expected in the "ms" format
};

TEST_F(Declarations, CommonErrorsInBothFormatsWithLineAndColumn) {
  const ErrorCase cases[] = {
      {"class A { method A(); }\nclass A { method A(); }", 1206,
       "Error 1206: 'A' - Identifier already defined in a.zc (2,7)\n",
       "a.zc(2): Error 1206: 'A' - Identifier already defined\n"},
      {"int x;\n    Foo y;", 1213, "Error 1213: 'Foo' - Undefined identifier in a.zc (2,5)\n",
       "a.zc(2): Error 1213: 'Foo' - Undefined identifier\n"},
      {"function f(int a) {}\nfunction g(Missing m);", 1213,
       "Error 1213: 'Missing' - Undefined identifier in a.zc (2,12)\n", nullptr},
      {"class P {\n  int x;\n}", 1243, "Error 1243: 'P' - Class does not define any constructor in a.zc (1,7)\n",
       "a.zc(1): Error 1243: 'P' - Class does not define any constructor\n"},
      {"class B;\ninterface B;", 1244,
       "Error 1244: 'B' - Mixing usage of 'class' and 'interface' keywords in a.zc (2,11)\n", nullptr},
      {"interface I;\n\tclass I { method I(); }", 1244,
       "Error 1244: 'I' - Mixing usage of 'class' and 'interface' keywords in a.zc (2,11)\n", nullptr},
      {"weak int x;", 1263, "Error 1263: Modifier 'weak' requires reference type in a.zc (1,6)\n",
       "a.zc(1): Error 1263: Modifier 'weak' requires reference type\n"},
      {"int array array a;", 1273, "Error 1273: Element type of an array cannot be 'array' in a.zc (1,11)\n", nullptr},
      {"array[] a;", 1273, "Error 1273: Element type of an array cannot be 'array' in a.zc (1,6)\n", nullptr},
      {"const int k;", 1268, "Error 1268: 'k' - Constant requires explicit initialization in a.zc (1,11)\n", nullptr},
      {"function f(int a); function f(float a);\nint x = f(\"s\");", 1214,
       "Error 1214: 'f' - Function undefined or no overload accepts the specified arguments (called as f(string); "
       "declared: f(int a), f(float a)) in a.zc (2,9)\n",
       "a.zc(2): Error 1214: 'f' - Function undefined or no overload accepts the specified arguments (called as "
       "f(string); declared: f(int a), f(float a))\n"},
      {"class Both { method Both(); method int convertor(); method float convertor(); }\n"
       "function f(int a); function f(float a);\nBoth b = new Both();\nint y =  f(b);",
       1257,
       "Error 1257: 'f' - Ambiguous function call (called as f(Both); declared: f(int a), f(float a)) in a.zc (4,10)\n",
       "a.zc(4): Error 1257: 'f' - Ambiguous function call (called as f(Both); declared: f(int a), f(float a))\n"},
      {"method m();", 1220, "Error 1220: 'm' - Class member function needs to be declared in a class in a.zc (1,1)\n",
       nullptr},
  };
  for (const ErrorCase& c : cases) {
    for (int format = 1; format <= 2; format++) {
      if (format == 2 && !c.msLine)
        continue;
      Restart();  // a fresh runtime per text
      st->options[0].errorFormat = format;
      EXPECT_EQ(compile(c.text), c.code) << c.text;
      EXPECT_EQ(log, format == 1 ? c.defaultLine : c.msLine) << c.text;
      EXPECT_EQ(st->diag.errors, 1) << c.text;
    }
  }
}

TEST_F(Declarations, KindAndSignatureErrors) {
  const std::pair<const char*, ZILError> cases[] = {
      {"class C { function C(); }", 1222},
      {"class C { method C(); method int convertor(int a); }", 1235},
      {"class C { method C(); function int convertor(); }", 1234},
      {"class C { method C(); method convertor(); }", 1233},
      {"class C { method int C(); }", 1219},
      {"class C { method C(); explicit int other(); }", 1270},
      {"class C { method C(); accessor int a(int x); }", 1252},
      {"class C { method C(); accessor a(); }", 1252},
      {"function f() {} function f() {}", 1203},
      {"function int f(); method f();", 1220},
      {"class C { method C(); method f(int a); function f(int b); }", 1254},
      {"function f(const int a); function f(int a) {}", 1205},
      {"function f(var a); function f(int a) {}", 1204},
      {"function string f(); function int f() {}", 1249},
      {"function f(string a); function f(weak string a) {}", 1264},
      {"class D; function D::f() {}", 1239},
      {"interface J { method f(); } function J::f() {}", 1246},
      {"function Nowhere::f() {}", 1213},
      {"class C : Unknown { }", 1213},
      {"class K { method K(); } class C : K { method C(); }", 1274},
      {"interface L; class C : L { method C(); }", 1239},
      {"class C hybrid C { }", 1201},
      {"class C hybrid int { }", 1247},
      {"alias int x; alias float x;", 1206},
      {"using Nope;", 1213},
      {"using int;", 1247},
      {"delegate int F(int a); alias float F;", 1206},
      {"interface I { int x; }", 1201},
      {"interface I { method f() {} }", 1246},
      {"class C { method C(); import x; }", 1201},
      {"native extern function f();", 1201},
      {"int x, x;", 1206},
      {"function f(", 1200},
      {"int f(", 1242},
      {"class C { method C(); ", 1200},
      {"cofunction const int gen2(); cofunction int gen(); const gen g;", 1261},
      {"function f() { \"unterminated }", 1200},
      {"@", 1201},
      {"class C { method C(); } C c1; class E { method E(int a); } E e;", 1267},
      {"class F; F f;", 1266},
      {"strict int x;", 1201},
      {"class S { method S(); } S s = 5;", 1209},
      {"class S { method S(); explicit S(int v); } S s = 5;", 1271},
      {"int z = nope;", 1213},
      {"int z = nope(1);", 1213},
      {"class S { method S(); } int z = S::make();", 1213},
      {"[\"tag\"]", 1201},
      {"function f(); [ 12 ]", 1201},
  };
  for (auto& [text, code] : cases) {
    Restart();
    EXPECT_EQ(compile(text), code) << text << "\n" << log;
    EXPECT_EQ(st->diag.errors, 1) << text;
  }
}

TEST_F(Declarations, ForwardDeclarationsAndOutOfClassDefinitions) {
  ASSERT_EQ(compile("class A; class A; class B { method B(); method A make(); }\n"
                    "class A { method A(); method A(B from); method int value(); } class A;\n"
                    "method int A::value() { return 1; }\n"
                    "method A::A() {}\n"
                    "method B::B() {} method A B::make() { return new A(); }\n"
                    "function A build(B b);"),
            0)
      << log;
  ZCLClass* a = cls("A");
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(a->hasBody);
  ASSERT_EQ(a->funcs.size(), 3u);
  EXPECT_TRUE(a->funcs[0]->defined);
  EXPECT_FALSE(a->funcs[1]->defined);
  EXPECT_TRUE(a->funcs[2]->defined);
  EXPECT_TRUE(a->funcs[0]->flags & kZCLFuncStrict);  // script constructors are strict
  EXPECT_EQ(funcs("B", "make")[0]->result.type, a->typeId);
  EXPECT_EQ(compile("method int A::value() { return 2; }"), ZCL_ERR_Function_Already_Defined);
}

TEST_F(Declarations, InterfaceCopiesShareIndices) {
  ASSERT_EQ(compile("interface Shape { method Shape(); method Shape(Shape other); method float area();"
                    " method string name(); }\n"
                    "strict class Circle : Shape { method Circle() {} method float area() { return 1.0; }"
                    " method extra(); }\n"
                    "class Square : Shape { method string name() { return \"sq\"; } }"),
            0)
      << log;
  ZCLClass* shape = cls("Shape");
  for (const char* name : {"Circle", "Square"}) {
    ZCLClass* c = cls(name);
    ASSERT_GE(c->funcs.size(), 4u) << name;
    EXPECT_EQ(c->baseId, shape->typeId);
    EXPECT_EQ(ZILTypes(ps)[c->typeId].baseType, shape->typeId);
    for (size_t i = 0; i < 4; i++) {
      EXPECT_TRUE(c->funcs[i]->inherited);
      EXPECT_EQ(static_cast<size_t>(c->funcs[i]->index), i);
    }
    EXPECT_EQ(c->funcs[0]->name, name);                    // the copied constructors take the class name
    EXPECT_EQ(c->funcs[1]->args[0].type.type, c->typeId);  // and the copy constructor its type
    EXPECT_EQ(c->funcs[2]->name, "area");
  }
  ZCLClass* circle = cls("Circle");
  EXPECT_EQ(circle->funcs.size(), 5u);
  EXPECT_TRUE(circle->funcs[2]->defined);
  EXPECT_TRUE(circle->funcs[3]->flags & kZCLFuncStrict);
  EXPECT_FALSE(cls("Square")->funcs[3]->flags & kZCLFuncStrict);
  // A class implements its interface for type identity.
  EXPECT_TRUE(ZCLTypeIdentical(st, ZCLMakeType(shape->typeId), ZCLMakeType(circle->typeId)));
  EXPECT_FALSE(ZCLTypeIdentical(st, ZCLMakeType(circle->typeId), ZCLMakeType(shape->typeId)));

  EXPECT_EQ(compile("native interface Pure { method f(); } class X : Pure { method X(); }"),
            ZCL_ERR_Pure_Native_Interface);
  EXPECT_EQ(compile("native class Y : Pure { }"), 0) << log;
}

TEST_F(Declarations, DelegatesAreStructural) {
  ASSERT_EQ(compile("delegate int F(int a); delegate int G(int b); delegate int H(float a);\n"
                    "delegate I(int a); class K { method K(); delegate int cb(int x); }"),
            0)
      << log;
  EXPECT_EQ(typeOf("F"), typeOf("G"));
  EXPECT_NE(typeOf("F"), typeOf("H"));
  EXPECT_NE(typeOf("F"), typeOf("I"));
  EXPECT_EQ(typeOf("K::cb"), typeOf("F"));
  EXPECT_EQ(std::string(ZILGetTypeName(ps, typeOf("G"))), "F");
  EXPECT_EQ(ZILTypes(ps)[typeOf("F")].family, ZIL_FAMILY_DELEGATE);
  ZCLTypeDesc dg = ZCLMakeType(typeOf("G"));
  EXPECT_TRUE(ZCLTypeIdentical(st, ZCLMakeType(typeOf("F")), dg));
  EXPECT_TRUE(ZCLTypeIdentical(st, ZCLMakeType(ZIL_TYPE_DELEGATE), dg));
  EXPECT_FALSE(ZCLTypeIdentical(st, dg, ZCLMakeType(ZIL_TYPE_DELEGATE)));
  EXPECT_FALSE(ZCLTypeIdentical(st, dg, ZCLMakeType(typeOf("H"))));
}

TEST_F(Declarations, TypeExpressionsAndVariables) {
  ASSERT_EQ(
      compile("int array a; int[] b; const string s = \"x\" \"y\"; weak string w; bool flag;\n"
              "char c = 'ab'; const float pi = -3.5; var v; array any; const int k = -7;\n"
              "class Node { method Node(); Node next; delegate int cb(int a); } Node first = new Node(); Node::cb p;"),
      0)
      << log;
  auto& m = cls("__global")->members;
  ASSERT_EQ(m.size(), 12u);
  EXPECT_EQ(m[0].type.type, ZIL_TYPE_ARRAY);
  EXPECT_EQ(m[0].type.elemType, ZIL_TYPE_INT);
  EXPECT_EQ(m[0].type.elemRef, 0);
  EXPECT_TRUE(ZCLTypeIdentical(st, m[0].type, m[1].type));
  EXPECT_EQ(m[2].constKind, 3);
  EXPECT_EQ(m[2].stringValue, "xy");
  EXPECT_EQ(m[3].type.isWeak, 1);
  EXPECT_EQ(m[4].type.type, ZIL_TYPE_INT);
  EXPECT_EQ(m[4].type.isRef, 0);
  EXPECT_EQ(m[6].floatValue, -3.5);
  EXPECT_EQ(m[7].type.type, ZIL_TYPE_VAR);
  EXPECT_EQ(m[8].type.elemType, ZIL_TYPE_VAR);
  EXPECT_EQ(m[9].intValue, -7);
  EXPECT_EQ(m[10].type.type, typeOf("Node"));
  EXPECT_EQ(m[11].type.type, typeOf("Node::cb"));
}

TEST_F(Declarations, SimpleInitialValuesAreCheckedWithTheDeclarations) {
  ASSERT_EQ(compile("function int twice(int a); function string name(int a);\n"
                    "class Meters { method Meters(); method Meters(float v); function Meters zero(); }\n"
                    "int a = twice(1), b = -2; float c = a; string s = name(twice(a));\n"
                    "Meters m = 2.5; Meters o = new Meters(c);\n"
                    "int sum = twice(1) + b;"),
            0)
      << log;
  EXPECT_EQ(cls("__global")->members.size(), 7u);
}

TEST_F(Declarations, HybridClassesBindBaseMethodsAsDelegates) {
  ASSERT_EQ(compile("class Base { method Base(); method int area(int scale); method name(); accessor int size();"
                    " function int count(); }\n"
                    "class Derived hybrid Base { method Derived(); }"),
            0)
      << log;
  ZCLClass* d = cls("Derived");
  EXPECT_EQ(d->hybridId, typeOf("Base"));
  ASSERT_EQ(d->members.size(), 2u);
  EXPECT_EQ(d->members[0].name, "area");
  EXPECT_EQ(st->classes[d->members[0].type.type]->family, ZIL_FAMILY_DELEGATE);
  EXPECT_EQ(d->members[1].name, "name");
}

TEST_F(Declarations, CofunctionsAreThreadTypes) {
  ASSERT_EQ(compile("cofunction int counter(int from) { yield from; }\n"
                    "class Host { method Host(); cofunction string lines(); }"),
            0)
      << log;
  ZCLClass* co = cls("counter");
  ASSERT_NE(co, nullptr);
  EXPECT_EQ(co->family, ZIL_FAMILY_THREAD);
  ASSERT_EQ(co->funcs.size(), 1u);
  EXPECT_TRUE(co->funcs[0]->defined);
  EXPECT_EQ(cls("Host::lines")->family, ZIL_FAMILY_THREAD);
  EXPECT_EQ(compile("const counter d;"), ZCL_ERR_Const_Thread);
}

TEST_F(Declarations, DocumentationTagsAndUsing) {
  ASSERT_EQ(compile("class T { method T(); function int f(); [\"makes f\"] } [\"the T\"]\n"
                    "int g; [\"a global\"]\nusing T, T;\n"),
            0)
      << log;
  EXPECT_EQ(cls("T")->tag, "the T");
  EXPECT_EQ(funcs("T", "f")[0]->tag, "makes f");
  EXPECT_EQ(cls("__global")->members[0].tag, "a global");
  EXPECT_EQ(ZCLOptions(st).usingList, std::vector<int>{typeOf("T")});
}

TEST_F(Declarations, SelfTestsCheckExpectedErrorsWithoutCountingThem) {
  ASSERT_EQ(compile("__selftest 1213 { Nope n; }\n"
                    "__selftest 0 { int fine; }\n"
                    "__selftest 1206 { int other; }\n"
                    "  __selftest 1244 { class Q; interface Q; }"),
            0)
      << log;
  EXPECT_EQ(st->diag.errors, 0);
  EXPECT_NE(log.find("COMPILER SELF TEST 1213(1213): PASS in a.zc (1,16)"), std::string::npos) << log;
  EXPECT_NE(log.find("COMPILER SELF TEST 0(0): PASS in a.zc (2,13)"), std::string::npos) << log;
  EXPECT_NE(log.find("COMPILER SELF TEST 0(1206): FAIL in a.zc (3,16)"), std::string::npos) << log;
  EXPECT_NE(log.find("COMPILER SELF TEST 1244(1244): PASS in a.zc (4,18)"), std::string::npos) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  EXPECT_NE(typeOf("fine"), 0);  // a passing block keeps its declarations
  EXPECT_EQ(cls("__global")->members.size(), 2u);
  EXPECT_EQ(compile("__selftest 1201 { int x; "), ZCL_ERR_Unexpected_EOF);
}

TEST_F(Declarations, TextsMayBeWrappedInBracesAndEndAnywhere) {
  EXPECT_EQ(compile("{ int a; function f(); }"), 0) << log;
  EXPECT_EQ(compile("// only a comment"), 0);
  EXPECT_EQ(compile(""), 0);
  EXPECT_EQ(compile("{ int b; "), ZCL_ERR_Unexpected_EOF);
  EXPECT_EQ(compile("int c; }"), ZCL_ERR_Unexpected_Token);
}

}  // namespace
