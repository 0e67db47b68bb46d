// The errors and warnings of code generation, each with the position it is reported at: the
// token the author has to look at.
#include "tests/compiler/zclcodegen_fixture.h"

namespace {

class CodegenDiagTest : public CodegenTest {
 protected:
  // Compiles text in a fresh runtime; the first line of the log.
  std::string firstMessage(const std::string& text, ZILError* err) {
    Restart();
    *err = compile(text);
    return log.substr(0, log.find('\n'));
  }
};

struct Case {
  const char* text;
  ZILError code;
  const char* where;  // "(line,column)" in the message
};

TEST_F(CodegenDiagTest, ErrorsNameTheirPlace) {
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
      {"function g(int a) { }\nfunction g(float a) { }\nfunction f() {\n  var v = g; }",
       ZCL_ERR_Ambiguous_Function_Reference, "(4,11)"},
      {"class C { int k; method C() { k = 0; } }\ndelegate dg();\nfunction f() {\n  dg d = C; }",
       ZCL_ERR_Undefined_Identifier, "(4,10)"},
      {"delegate dg();\nclass C { int k; method C() { k = 0; }\n  method dg get() {\n  dg d = C; return d; } }",
       ZCL_ERR_Function_Reference_Not_Allowed, "(4,10)"},
      {"delegate string sd(string s);\nfunction int k(int a) { return a; }\nfunction f() {\n  sd d = k; }",
       ZCL_ERR_No_Matching_Delegate, "(4,10)"},
      {"function f() { int k = 1;\n  k(2); }", ZCL_ERR_Not_A_Delegate, "(2,3)"},
      {"class B1 { int n; method B1() { n = 0; } method int get() { return n; } }\n"
       "class D1 hybrid B1 { int k;\n  method D1() { k = 1; } }",
       ZCL_ERR_Expected_Hybrid, "(3,17)"},
      {"delegate int op(int a);\nfunction f() {\n  op d = function (a, b) { return a; }; }",
       ZCL_ERR_Delegate_Argument_Names, "(3,10)"},
      {"delegate int op(int a, int b);\nfunction f() {\n  op d = function (int a, int b, int c) { return a; }; }",
       ZCL_ERR_Delegate_Argument_Names, "(3,10)"},
      // A literal's parameter types, when given, are its delegate's; the message names the type.
      {"delegate int op(int a, int b);\nfunction f() {\n  op d = function (int a, float b) { return a; }; }",
       ZCL_ERR_No_Matching_Delegate, "'float' - No delegate defined that matches function signature in a.zc (3,27)"},
      {"delegate int op(int a);\nfunction f() {\n  op d = function (var a) { return 1; }; }",
       ZCL_ERR_No_Matching_Delegate, "'var'"},
      {"delegate op(int[] a);\nfunction f() {\n  op d = function (string[] a) { }; }", ZCL_ERR_No_Matching_Delegate,
       "'string[]'"},
      {"delegate op(int a);\nfunction f() {\n  op d = function (Nothing a) { }; }", ZCL_ERR_Undefined_Identifier,
       "'Nothing' - Undefined identifier in a.zc (3,20)"},
      {"function f() {\n  int a; ++a; }", ZCL_ERR_Unexpected_Token, "(2,10)"},
      {"function f() { int a = 1;\n  int a = 2; }", ZCL_ERR_Identifier_Already_Defined, "(2,7)"},
      {"class C { int k; method C() { k = 0; } }\nfunction f() {\n  C(); }", ZCL_ERR_Cannot_Call_Constructor, "(3,3)"},
      {"class C { int k; method C() { k = 0; } method m() { }\n  function f() {\n  m(); } }",
       ZCL_ERR_Method_From_Function, "(3,3)"},
      {"function f() { int a = 1;\n  a.x = 2; }", ZCL_ERR_Need_Object_Before_Dot, "(2,5)"},
      {"function f() {\n  this.x = 1; }", ZCL_ERR_Method_Without_Object, "(2,3)"},
      {"native class N {\n  cofunction int c(); }", ZCL_ERR_Native_Cofunction, "(2,18)"},
      {"function int f(int v) { switch (v) { case 1: return 1; default: break; } }", ZCL_ERR_Not_All_Paths_Return,
       "(1,74)"},
      // A missing `;` is shown where the statement ends, not at the next line's first token.
      {"function f() { int a = 1\n  int b = 2; }", ZCL_ERR_Missing_Semicolon,
       "'int' - Missing ';' at end of statement in a.zc (1,24)"},
      {"function f() { int a;\n  a = 2\n  a = 3; }", ZCL_ERR_Missing_Semicolon, "(2,7)"},
      {"int g = 1 // the last line\n", ZCL_ERR_Missing_Semicolon,
       "Error 1242: Missing ';' at end of statement in a.zc (1,9)"},
      // Pass 0 reads over bodies: what stops it there is shown where it is, not at the body's `{`.
      {"function f() {\n  string s = \"abc;\n}", ZCL_ERR_Unexpected_EOF,
       "Unexpected End of file (the string literal that starts here is not closed) in a.zc (2,14)"},
      {"function f() {\n  int a = 1 @ 2; }", ZCL_ERR_Unexpected_Token, "'@' - Unexpected token in a.zc (2,13)"},
      {"function f() {\n  int a = 1;\n", ZCL_ERR_Unexpected_EOF,
       "(the '{' at line 1, column 14 is not closed) in a.zc (3,1)"},
      {"string s = 'ab;", ZCL_ERR_Unexpected_EOF,
       "(the character literal that starts here is not closed) in a.zc (1,12)"},
  };
  for (const Case& c : cases) {
    ZILError err = 0;
    std::string first = firstMessage(c.text, &err);
    EXPECT_EQ(err, c.code) << c.text << "\n" << log;
    EXPECT_NE(first.find(std::to_string(c.code)), std::string::npos) << c.text << "\n" << log;
    EXPECT_NE(first.find(c.where), std::string::npos) << c.text << "\n" << log;
  }
}

TEST_F(CodegenDiagTest, MessagesNameTheTypesAndFunctionsInvolved) {
  const char* kPoint = "class P { int v; method P() { v = 0; } explicit P(int a) { v = a; } }\n";
  const std::pair<std::string, const char*> cases[] = {
      {std::string(kPoint) + "function f() {\n  P p = 3; }", "(from 'int' to 'P'; write (P) before the value)"},
      {std::string(kPoint) + "const P g = 3;", "(from 'int' to 'const P'; write (P) before the value)"},
      {std::string(kPoint) + "function f() { string s = \"a\";\n  P p = s; }", "(from 'string' to 'P')"},
      {"function g(int a, string b) { }\nfunction g(int a) { }\nfunction f() { g(\"x\", 2, 3); }",
       "(called as g(string, int, int); declared: g(int a, string b), g(int a))"},
      {"delegate int op(int a);\nfunction f(op d) { d(1, 2); }",
       "(called as d(int, int); its delegate op takes (int))"},
      {"class Q { int v; method Q() { v = 0; } }\nfunction f() { Q q = new Q(1); }",
       "(called as Q(int); declared: Q())"},
  };
  for (const auto& [text, detail] : cases) {
    ZILError err = 0;
    std::string first = firstMessage(text, &err);
    EXPECT_NE(first.find(detail), std::string::npos) << text << "\n" << first;
  }
}

// A case may be jumped over, so a local declared directly among its statements would be read
// unset by a later case: refused wherever locals live, in registers or on the stack.
TEST_F(CodegenDiagTest, ALocalDirectlyUnderACaseIsRefusedWhereverLocalsLive) {
  const char* options[] = {"stack-locals=1", "stack-locals=0", "stack-locals=0, register-locals=12"};
  const std::pair<const char*, ZILError> bodies[] = {
      {"case 1: int x = 2; break;\n  case 2: return x;", ZCL_ERR_Syntax_Error},
      {"case 1: break;\n  default: string s = \"a\"; return 1;", ZCL_ERR_Syntax_Error},
      {"case 1: { int x = 2; return x; }\n  case 2: return 3;", ZCL_OK},
  };
  for (const char* option : options)
    for (const auto& [body, code] : bodies) {
      const std::string text = std::string("option \"") + option + "\";\nfunction int f(int v) {\n switch (v) {\n  " +
                               body + "\n }\n return 0;\n}";
      ZILError err = 0;
      std::string first = firstMessage(text, &err);
      EXPECT_EQ(err, code) << option << "\n" << body << "\n" << log;
      if (code) {
        EXPECT_NE(first.find("Error 1265: Syntax error in statement in a.zc ("), std::string::npos) << log;
      }
    }
}

TEST_F(CodegenDiagTest, WarningsNameTheirPlaceAndCompilingGoesOn) {
  const Case cases[] = {
      {"function f() { var v = 1;\n  int x = v; }", ZCL_WARN_Typeless_To_Type, "(2,11)"},
      {"function f() { string s = \"a\";\n  weak string w = s + \"b\"; }", ZCL_WARN_Temporary_To_Weak, "(2,23)"},
      {"function int f() { return 1;\n  int x = 4; }", ZCL_WARN_Unreachable_Code, "(2,3)"},
      {"function f() { string s = \"x\"; weak string w = s;\n  string t = w; }", ZCL_WARN_Reference_From_Weak,
       "(2,14)"},
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

}  // namespace
