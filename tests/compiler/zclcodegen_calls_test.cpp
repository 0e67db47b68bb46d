// Calls and the calling convention: the registers a function saves at entry and restores before
// leaving, `this` kept across calls that change r0, and the call forms of expressions.
#include "tests/compiler/zclcodegen_fixture.h"

namespace {

class CodegenCallsTest : public CodegenTest {
 protected:
  // Words of a global function's code.
  const std::vector<ZILLong>& code(const char* fn) { return funcs("__global", fn)[0]->code; }
  // Addresses of the instructions with this mnemonic.
  std::vector<size_t> where(const char* fn, const char* mnemonic) {
    std::vector<size_t> out;
    const std::vector<ZILLong>& c = code(fn);
    for (size_t pc = 0; pc < c.size();) {
      const ZILOpcodeInfo* info = ZILGetOpcodeInfo(c[pc]);
      if (!info)
        break;
      if (std::strcmp(info->mnemonic, mnemonic) == 0)
        out.push_back(pc);
      pc += static_cast<size_t>(info->length);
    }
    return out;
  }
};

TEST_F(CodegenCallsTest, FunctionsSaveTheRegistersTheyWriteAndRestoreThemBeforeLeaving) {
  // (At optimize level 3 the saves would move behind the early return.)
  EXPECT_EQ(runInt("option \"optimize=2\";\n"
                   "function int pick(int a, int b) { if (a > b) return a * 2; int c = b - a; return c + a; }\n"
                   "function int main() { int x = 3; return x * 1000 + pick(9, 4) * 10 + pick(2, 5); }"),
            3000 + 180 + 5);
  const std::vector<ZILLong>& c = code("pick");
  ASSERT_GE(c.size(), 3u);
  EXPECT_EQ(c[0], ZOP_PUSHR_REGS);
  EXPECT_EQ(c[1], 3);
  ZCLFunc* pick = funcs("__global", "pick")[0];
  EXPECT_EQ(c[2], pick->savedRegisters);
  EXPECT_GE(pick->savedRegisters, 1);
  // Every way out restores the same range first.
  auto rets = where("pick", "ret");
  auto restores = where("pick", "popr");
  ASSERT_EQ(rets.size(), 2u);
  ASSERT_EQ(restores.size(), 2u);
  for (size_t i = 0; i < rets.size(); i++) {
    EXPECT_EQ(restores[i] + 3, rets[i]);
    EXPECT_EQ(c[restores[i] + 1], 3);
    EXPECT_EQ(c[restores[i] + 2], pick->savedRegisters);
  }
  // The recorded argument operands are (sp+d) words that reach past the saved slots.
  ASSERT_FALSE(pick->argOperands.empty());
  for (size_t word : pick->argOperands) {
    ASSERT_LT(word, c.size());
    EXPECT_GE(c[word], pick->savedRegisters);
  }
}

TEST_F(CodegenCallsTest, ABodyWithoutTemporariesSavesNothingAndKeepsItsBranches) {
  // `if (a)` tests the argument in place and `return a` copies it straight into r1: no register
  // from r3 up is written, so the entry and both exits carry no save or restore, and the branch
  // over the first exit still lands on the second.
  const char* text =
      "function int first(int a, int b) { if (a) return a; return b; }\n"
      "function int main() { return first(0, 7) * 10 + first(4, 9); }";
  EXPECT_EQ(runInt(text), 74);
  EXPECT_TRUE(where("first", "pushr").empty());
  EXPECT_TRUE(where("first", "popr").empty());
  EXPECT_EQ(funcs("__global", "first")[0]->savedRegisters, 0);
  EXPECT_TRUE(funcs("__global", "first")[0]->argOperands.empty());
  EXPECT_EQ(runInt("function empty() { }\nfunction int main() { empty(); return 1; }"), 1);
  EXPECT_TRUE(where("empty", "pushr").empty());
}

TEST_F(CodegenCallsTest, ArgumentsStayAddressableWhereverTheirCodeEnds) {
  // The loop step reads an argument and is moved behind the body; a failing self test that
  // returns is rolled back; the throw path restores too.
  EXPECT_EQ(runInt("function int walk(int n, int limit) { int s = 0;\n"
                   " __selftest 1213 { return undefined; }\n"
                   " for (int i = 0; i < limit; n += 2) { s = s * 10 + n; i++; } return s; }\n"
                   "function int main() { return walk(1, 4); }"),
            1357);
  EXPECT_EQ(runInt("class Bad : exception { int c; method Bad() { c = 0; } method Bad(int v) { c = v; } method int "
                   "getError() { return c; } }\n"
                   "function int check(int v, int limit) { if (v > limit) throw new Bad(v); return v + 1; }\n"
                   "function int main() { return check(1, 5); }"),
            2);
  ZCLFunc* check = funcs("__global", "check")[0];
  auto c = check->code;
  size_t throws = 0;
  for (size_t pc = 0; pc < c.size();) {
    const ZILOpcodeInfo* info = ZILGetOpcodeInfo(c[pc]);
    ASSERT_NE(info, nullptr);
    if (std::strcmp(info->mnemonic, "throw") == 0) {
      throws++;
      // The restore: a range, or the one register left saved.
      ASSERT_GE(pc, 3u);
      EXPECT_TRUE(c[pc - 3] == ZOP_POPR_REGS || c[pc - 2] == ZOP_POP_R);
    }
    pc += static_cast<size_t>(info->length);
  }
  EXPECT_EQ(throws, 1u);
}

TEST_F(CodegenCallsTest, ThisSurvivesCallsThatChangeTheObjectRegister) {
  EXPECT_EQ(runInt("delegate int getter();\n"
                   "class Other { int k; method Other() { k = 5; } method int get() { return k; } }\n"
                   "function int helper() { Other o = new Other(); return o.get(); }\n"
                   "class Host { int v; Other other;\n"
                   " method Host() { v = 100; other = new Other(); }\n"
                   " method int viaStatic() { int a = helper(); return a + v; }\n"
                   " method int viaOther() { int a = other.get(); return a + v; }\n"
                   " method int viaDelegate() { getter g = other.get; int a = g(); return a + v; }\n"
                   " method int viaNew() { Other t = new Other(); return t.k + v; }\n"
                   " method int viaString() { string s = \"abc\"; int n = s.length; return n + v; } }\n"
                   "function int main() { Host h = new Host();\n"
                   " return h.viaStatic() + h.viaOther() + h.viaDelegate() + h.viaNew() + h.viaString(); }"),
            105 * 4 + 103);
}

TEST_F(CodegenCallsTest, DeepRecursionKeepsEveryFramesTemporaries) {
  // Each level holds temporaries across both calls; a mix-up of saved ranges shows in the sum.
  EXPECT_EQ(runInt("function int tree(int d, int k) { if (d == 0) return k;\n"
                   " return k * 3 + tree(d - 1, k + 1) * 2 - tree(d - 1, k + 2); }\n"
                   "function int main() { return tree(6, 1); }"),
            [] {
              std::function<int(int, int)> tree = [&](int d, int k) {
                return d == 0 ? k : k * 3 + tree(d - 1, k + 1) * 2 - tree(d - 1, k + 2);
              };
              return tree(6, 1);
            }());
}

}  // namespace

namespace {

TEST_F(CodegenCallsTest, ComputedValuesCanBeCalled) {
  EXPECT_EQ(runInt("delegate int op(int a);\n"
                   "function int twice(int a) { return a * 2; }\n"
                   "function op pick() { return twice; }\n"
                   "class Box { op f; method Box() { f = twice; } method op get() { return f; } }\n"
                   "function int main() { op d = twice; Box b = new Box(); op[] list = { twice };\n"
                   " return (d)(1) + pick()(10) + b.get()(100) + list[0](1000); }"),
            2 + 20 + 200 + 2000);
  EXPECT_EQ(compile("function int one() { return 1; }\nfunction f() { int x = (one())(2); }"), ZCL_ERR_Not_A_Delegate);
}

TEST_F(CodegenCallsTest, OverloadedFunctionsAsDelegatesFollowTheDestinationType) {
  EXPECT_EQ(runInt("delegate int unary(int a);\n"
                   "delegate int binary(int a, int b);\n"
                   "function int f(int a) { return a + 1; }\n"
                   "function int f(int a, int b) { return a * b; }\n"
                   "function int use(binary g) { return g(6, 7); }\n"
                   "function unary give() { return f; }\n"
                   "function int main() { unary u = f; binary b; b = f; return u(1) * 1000 + b(3, 4) * 10"
                   " + give()(0) * 0 + use(f) * 100000; }"),
            42 * 100000 + 2 * 1000 + 120);
  EXPECT_EQ(compile("function int g(int a) { return a; }\nfunction int g(float a) { return 1; }\n"
                    "function h() { var v = g; }"),
            ZCL_ERR_Ambiguous_Function_Reference);
  EXPECT_EQ(compile("delegate string sd(string s);\nfunction int k(int a) { return a; }\nfunction m() { sd d = k; }"),
            ZCL_ERR_No_Matching_Delegate);
}

}  // namespace

namespace {

TEST_F(CodegenCallsTest, UsedClassesLendTheirStaticFunctionsToBareNames) {
  EXPECT_EQ(runInt("delegate int unary(int v);\n"
                   "class Util { function int sq(int v) { return v * v; } function int neg(int v) { return -v; } }\n"
                   "using Util;\n"
                   "function int neg(int v) { return 1000; }\n"
                   "function int main() { unary f = sq; Util::neg(2); unary g = Util::neg;\n"
                   " return sq(3) + f(4) + neg(1) + Util::neg(5) * 100000 + g(7) * 10000000; }"),
            9 + 16 + 1000 - 500000 - 70000000);
  EXPECT_EQ(compile("class Obj { int k; method Obj() { k = 0; } method int get() { return k; } }\n"
                    "using Obj;\nfunction f() { int x = get(); }"),
            ZCL_ERR_Method_From_Function);
}

}  // namespace

namespace {

// A native class that declares only constants.
ZILError flagsProc(NTLInstance*, ZILLong msg, ZILLong, ZILUnknown*, ZILUnknown** out) {
  switch (msg) {
    case NTL_GetClassName: *out = const_cast<char*>("Flags"); return 0;
    case NTL_GetInterfaceVersion: return 0x01000302;
    case NTL_GetDeclString:
      *out = const_cast<char*>(
          "const int kOne = 1; const int kBig = -70000; const float kHalf = 0.5;"
          " const string kName = \"flags\";");
      return 0;
    case NTL_Register:
    case NTL_Unregister:
    case NTL_Initialize:
    case NTL_Terminate: return 0;
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}

TEST_F(CodegenCallsTest, ConstantsOfNativeClassesByQualifiedNameAlsoAsCaseValues) {
  ASSERT_EQ(ZILRegisterNativeType(ps, flagsProc), 0);
  used = false;  // keep this runtime, with the class registered
  ZILHandle* h =
      run("import Flags;\n"
          "function int pick(int v) { switch (v) { case Flags::kBig: return 2; case Flags::kOne: return 1; default: "
          "return 0; } }\n"
          "function string main() { float h = Flags::kHalf * 4;\n"
          " return Flags::kName + (Flags::kOne + Flags::kBig) + \"/\" + h + pick(1) + pick(-70000) + pick(2); }");
  ASSERT_TRUE(h && h->type == ZIL_TYPE_STRING);
  EXPECT_STREQ(ZILStringText(static_cast<ZILString*>(h->payload.p)), "flags-69999/2120");
}

}  // namespace

namespace {

TEST_F(CodegenCallsTest, ThisGivenToAMethodOfAnotherObject) {
  EXPECT_EQ(runInt("class Peer { int id; Peer seen; method Peer(int v) { id = v; seen = null; }\n"
                   " method meet(Peer other) { seen = other; }\n"
                   " method greet(Peer other) { other.meet(this); } }\n"
                   "function int main() { Peer a = new Peer(1); Peer b = new Peer(2); a.greet(b); return b.seen.id; }"),
            1);
}

}  // namespace
