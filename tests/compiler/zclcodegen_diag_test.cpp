// The errors and warnings of code generation, each with the position it is reported at: the
// token the author has to look at.
#include "tests/compiler/zclcodegen_fixture.h"

namespace {

class CodegenDiagTest : public CodegenTest {
protected:
    // Compiles text in a fresh runtime; the first line of the log.
    std::string firstMessage(const std::string& text, ZILError* err)
    {
        Restart();
        *err = compile(text);
        return log.substr(0, log.find('\n'));
    }
};

struct Case {
    const char* text;
    ZILError code;
    const char* where;   // "(line,column)" in the message
};

TEST_F(CodegenDiagTest, ErrorsNameTheirPlace)
{
    const Case cases[] = {
        {"function int f() {\n  return; }", ZCL_ERR_Function_Must_Return_Value, "(2,3)"},
        {"function f() {\n  return 1; }", ZCL_ERR_Function_Cannot_Return_Value, "(2,3)"},
        {"function f() {\n  1 = 2; }", ZCL_ERR_Not_An_LValue, "(2,5)"},
        {"function f() { int a = 1;\n  __rtchk(a + 1); }", ZCL_ERR_Not_An_LValue, "(2,3)"},
        {"function int f(int a) {\n  if (a) return 1; }", ZCL_ERR_Not_All_Paths_Return, "(2,20)"},
        {"function f() { const int a = 1;\n  a = 2; }", ZCL_ERR_LValue_Is_Constant, "(2,3)"},
        {"function f() {\n  break; }", ZCL_ERR_Break_Outside_Loop, "(2,3)"},
        {"function f(int v) { switch (v) {\n  default: break;\n  case 1: break; } }", ZCL_ERR_Default_Not_Last, "(3,3)"},
        {"function f(int v) { int k = 1; switch (v) {\n  case k: break; } }", ZCL_ERR_Case_Not_Constant, "(2,8)"},
        {"function f() { var v;\n  int t = typeof(v); }", ZCL_ERR_Typeof_Var, "(2,11)"},
        {"class P { int a; int b;\n  method P() { a = 1; } }", ZCL_ERR_Member_Not_Initialized, "(2,23)"},
        {"cofunction int g() {\n  return 1; }", ZCL_ERR_Return_In_Cofunction, "(2,3)"},
        {"function f() {\n  yield 1; }", ZCL_ERR_Yield_Outside_Cofunction, "(2,3)"},
        {"function f() {\n  throw \"text\"; }", ZCL_ERR_Not_An_Exception, "(2,9)"},
        {"function g(int a) { }\nfunction g(float a) { }\nfunction f() {\n  var v = g; }", ZCL_ERR_Ambiguous_Function_Reference, "(4,11)"},
        {"class C { int k; method C() { k = 0; } }\ndelegate dg();\nfunction f() {\n  dg d = C; }", ZCL_ERR_Undefined_Identifier, "(4,10)"},
        {"delegate dg();\nclass C { int k; method C() { k = 0; }\n  method dg get() {\n  dg d = C; return d; } }",
         ZCL_ERR_Function_Reference_Not_Allowed, "(4,10)"},
        {"delegate string sd(string s);\nfunction int k(int a) { return a; }\nfunction f() {\n  sd d = k; }", ZCL_ERR_No_Matching_Delegate, "(4,10)"},
        {"function f() { int k = 1;\n  k(2); }", ZCL_ERR_Not_A_Delegate, "(2,3)"},
        {"class B1 { int n; method B1() { n = 0; } method int get() { return n; } }\n"
         "class D1 hybrid B1 { int k;\n  method D1() { k = 1; } }", ZCL_ERR_Expected_Hybrid, "(3,17)"},
        {"delegate int op(int a);\nfunction f() {\n  op d = function (a, b) { return a; }; }", ZCL_ERR_Delegate_Argument_Names, "(3,10)"},
        {"delegate int op(int a, int b);\nfunction f() {\n  op d = function (int a, int b, int c) { return a; }; }",
         ZCL_ERR_Delegate_Argument_Names, "(3,10)"},
        // A literal's parameter types, when given, are its delegate's; the message names the type.
        {"delegate int op(int a, int b);\nfunction f() {\n  op d = function (int a, float b) { return a; }; }",
         ZCL_ERR_No_Matching_Delegate, "'float' - No delegate defined that matches function signature in a.zc (3,27)"},
        {"delegate int op(int a);\nfunction f() {\n  op d = function (var a) { return 1; }; }", ZCL_ERR_No_Matching_Delegate, "'var'"},
        {"delegate op(int[] a);\nfunction f() {\n  op d = function (string[] a) { }; }", ZCL_ERR_No_Matching_Delegate, "'string[]'"},
        {"delegate op(int a);\nfunction f() {\n  op d = function (Nothing a) { }; }", ZCL_ERR_Undefined_Identifier, "'Nothing' - Undefined identifier in a.zc (3,20)"},
        {"function f() {\n  int a; ++a; }", ZCL_ERR_Unexpected_Token, "(2,10)"},
        {"function f() { int a = 1;\n  int a = 2; }", ZCL_ERR_Identifier_Already_Defined, "(2,7)"},
        {"class C { int k; method C() { k = 0; } }\nfunction f() {\n  C(); }", ZCL_ERR_Cannot_Call_Constructor, "(3,3)"},
        {"class C { int k; method C() { k = 0; } method m() { }\n  function f() {\n  m(); } }", ZCL_ERR_Method_From_Function, "(3,3)"},
        {"function f() { int a = 1;\n  a.x = 2; }", ZCL_ERR_Need_Object_Before_Dot, "(2,5)"},
        {"function f() {\n  this.x = 1; }", ZCL_ERR_Method_Without_Object, "(2,3)"},
        {"native class N {\n  cofunction int c(); }", ZCL_ERR_Native_Cofunction, "(2,18)"},
        {"function int f(int v) { switch (v) { case 1: return 1; default: break; } }", ZCL_ERR_Not_All_Paths_Return, "(1,74)"},
    };
    for (const Case& c : cases) {
        ZILError err = 0;
        std::string first = firstMessage(c.text, &err);
        EXPECT_EQ(err, c.code) << c.text << "\n" << log;
        EXPECT_NE(first.find(std::to_string(c.code)), std::string::npos) << c.text << "\n" << log;
        EXPECT_NE(first.find(c.where), std::string::npos) << c.text << "\n" << log;
    }
}

TEST_F(CodegenDiagTest, WarningsNameTheirPlaceAndCompilingGoesOn)
{
    const Case cases[] = {
        {"function f() { var v = 1;\n  int x = v; }", ZCL_WARN_Typeless_To_Type, "(2,11)"},
        {"function f() { string s = \"a\";\n  weak string w = s + \"b\"; }", ZCL_WARN_Temporary_To_Weak, "(2,23)"},
        {"function int f() { return 1;\n  int x = 4; }", ZCL_WARN_Unreachable_Code, "(2,3)"},
        {"function f() { string s = \"x\"; weak string w = s;\n  string t = w; }", ZCL_WARN_Reference_From_Weak, "(2,14)"},
        {"function f() {\n  int x = null; }", ZCL_WARN_Null_To_Value, "(2,11)"},
    };
    for (const Case& c : cases) {
        ZILError err = 0;
        std::string all;
        Restart();
        err = compile(std::string("option \"warning-level=3\";\n") + c.text);
        EXPECT_EQ(err, 0) << c.text << "\n" << log;
        // The text starts on line 2 here.
        std::string where = c.where;
        int line = std::atoi(where.c_str() + 1) + 1;
        where = "(" + std::to_string(line) + where.substr(where.find(','));
        bool found = false;
        for (size_t at = 0; at < log.size();) {
            size_t end = log.find('\n', at);
            std::string msg = log.substr(at, end - at);
            if (msg.find(std::to_string(c.code)) != std::string::npos) {
                found = true;
                EXPECT_NE(msg.find(where), std::string::npos) << c.text << "\n" << log;
                break;
            }
            at = end == std::string::npos ? log.size() : end + 1;
        }
        EXPECT_TRUE(found) << c.code << " " << c.text << "\n" << log;
    }
}

} // namespace
