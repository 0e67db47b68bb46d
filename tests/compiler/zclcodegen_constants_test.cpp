// Named constants where a value must be known while compiling: `case` values, and constants
// declared with another constant's value. Names that are no constants stay refused.
#include "tests/compiler/zclcodegen_fixture.h"

namespace {

class CodegenConstantsTest : public CodegenTest {};

TEST_F(CodegenConstantsTest, NamedConstantsAreCaseValues) {
  const char* text =
      "const int SEVEN = 7, NINE = 9;\n"
      "const int ALSO_SEVEN = SEVEN;\n"
      "const char LETTER = 'q';\n"
      "const float HALF = 0.5;\n"
      "const string NAME = \"ann\";\n"
      "class K { const int EIGHT = 8; const int MINUS = -EIGHT; int k; method K() { k = 0; }\n"
      " method int inside(int v) { switch (v) { case EIGHT: return 1; case MINUS: return 2; default: return 0; } } }\n"
      "function int f(int v) { switch (v) {\n"
      " case SEVEN: return 1; case K::EIGHT: return 2; case -SEVEN: return 3; case ::NINE: return 4;\n"
      " case K::MINUS: return 5; case LETTER: return 6; default: return 0; } }\n"
      "function int named(string s) { switch (s) { case NAME: return 1; default: return 0; } }\n"
      "function int number(float x) { switch (x) { case HALF: return 1; case ALSO_SEVEN: return 2; default: return 0; "
      "} }\n"
      "function string main() { K k = new K();\n"
      " return \"\" + f(7) + f(8) + f(-7) + f(9) + f(-8) + f('q') + f(1) + \"/\" + k.inside(8) + k.inside(-8)\n"
      "  + named(\"ann\") + named(\"bob\") + number(0.5) + number(7.0) + number(1.0); }";
  EXPECT_EQ(runString(text), "1234560/1210120") << log;
}

TEST_F(CodegenConstantsTest, OtherNamesAreNoCaseValues) {
  const char* decls =
      "const int SEVEN = 7; int plain = 3; function int five() { return 5; }\n"
      "const int COMPUTED = five();\n"
      "class K { int k; method K() { k = 1; } }\n";
  const struct {
    const char* what;
    const char* body;
    ZILError code;
  } cases[] = {
      {"a local hiding a constant", "int SEVEN = 1; switch (v) { case SEVEN: break; }", ZCL_ERR_Case_Not_Constant},
      {"a variable", "switch (v) { case plain: break; }", ZCL_ERR_Case_Not_Constant},
      {"a constant computed at run time", "switch (v) { case COMPUTED: break; }", ZCL_ERR_Case_Not_Constant},
      {"an expression of constants", "switch (v) { case SEVEN + 1: break; }", ZCL_ERR_Case_Not_Constant},
      {"an unknown name", "switch (v) { case NOTHING: break; }", ZCL_ERR_Undefined_Identifier},
      {"a member variable", "switch (v) { case K::k: break; }", ZCL_ERR_Method_Without_Object},
  };
  for (const auto& c : cases) {
    Restart();
    EXPECT_EQ(compile(std::string(decls) + "function f(int v) { " + c.body + " }"), c.code) << c.what << "\n" << log;
  }
}

}  // namespace
