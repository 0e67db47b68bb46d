// zilinterp_fuzz_test.cpp - random instructions with hostile operands (zilinterp_fuzz_program.h)
// run with vectors that clear every fault, so each instruction's checks are reached. Run under
// the sanitizers, this shows the interpreter stays in bounds.
#include <random>

#include "zil_test_support.h"
#include "zilinterp_fuzz_program.h"

using namespace ziltest;

namespace {

class ZILFuzz : public ZILFixture {};

TEST_F(ZILFuzz, RandomInstructionsNeverLeaveTheirBounds) {
  ASSERT_EQ(zilfuzz::PrepareRuntime(ps), 0);
  const std::vector<ZILLong> usable = zilfuzz::UsableOpcodes();
  std::mt19937 rng(20261206);
  auto pick = [&](ZILLong lo, ZILLong hi) {
    return std::uniform_int_distribution<ZILLong>(lo, hi)(rng);
  };
  for (int round = 0; round < 2000; ++round) {
    std::vector<ZILLong> words = zilfuzz::RandomProgram(ps, usable, pick, 120);
    ZILLong address = -1;
    ASSERT_EQ(ZILAppendCode(ps, words.data(), static_cast<ZILLong>(words.size()), &address), 0);
    ZILError e = ZILRunAddress(ps, address);
    EXPECT_TRUE(zilfuzz::ExpectedEnd(e)) << "round " << round << ": " << e;
    zilfuzz::ResetRoot(ps);
    EXPECT_EQ(ps->depth, 0);
    EXPECT_EQ(ps->current, ps->root);
  }
}

// The handle's type decides how its payload is freed: an object made under a type of another
// family would later be freed as the wrong kind of object.
TEST_F(ZILFuzz, ObjectsAreOnlyMadeUnderATypeOfTheirFamily) {
  prepare();
  Assembler f(ps);
  f.op("ret");
  addFunction("tiny", ZIL_TYPE_NULL, f.commit());
  setInt(1, 1);
  struct Case {
    const char* mnemonic;
    std::vector<Operand> ops;
  } cases[] = {
      {"newctx", {type(ZIL_TYPE_STRING), imm(0), imm(0), r(2)}},
      {"newctx", {type(ZIL_TYPE_DELEGATE), imm(0), imm(0), r(2)}},
      {"newdg", {type(ZIL_TYPE_STRING), imm(0), r(2)}},
      {"newdg", {type(ZIL_TYPE_INT), imm(0), r(2)}},
      {"newdgm", {type(ZIL_TYPE_ARRAY), imm(0), r(1), r(2)}},
      {"alloc", {type(ZIL_TYPE_STRING), r(2)}},
  };
  for (Case& c : cases) {
    Assembler a(ps);
    a.op(c.mnemonic, c.ops).op("ret");
    EXPECT_EQ(run(a), ZIL_EXC_Invalid_Operand) << c.mnemonic;
    recover();
    EXPECT_EQ(reg(2), ps->nullHandle) << c.mnemonic;
  }
}

}  // namespace
