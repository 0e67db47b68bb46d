// zilinterp_arith_test.cpp - arithmetic, logic, compare and conversion instructions: the generic
// families choose int or float by type, the l and f families work on one type, division by zero
// keeps the destination, int arithmetic wraps, and every operand kind reaches the right slot.
#include <cmath>
#include <limits>

#include "zil_test_support.h"

using namespace ziltest;

namespace {

class ZILArith : public ZILFixture {
 protected:
  void SetUp() override {
    ZILFixture::SetUp();
    prepare();
  }
  // Runs one instruction; returns its result.
  ZILError one(const std::string& mnemonic, std::vector<Operand> ops) {
    Assembler a(ps);
    a.op(mnemonic, std::move(ops)).op("ret");
    ZILError e = run(a);
    if (e)
      recover();
    return e;
  }
};

TEST_F(ZILArith, GenericArithmeticFollowsTheOperandType) {
  struct Case {
    const char* op;
    ZILLong src, dst, expected;
  } ints[] = {{"add", 3, 4, 7},
              {"sub", 3, 10, 7},
              {"mul", -3, 5, -15},
              {"div", 2, 7, 3},
              {"div", -2, 7, -3},
              {"mod", 3, 7, 1},
              {"mod", 3, -7, -1},
              {"and", 6, 3, 2},
              {"or", 6, 3, 7},
              {"xor", 6, 3, 5},
              {"asl", 4, 1, 16},
              {"lsl", 33, 1, 2},
              {"asr", 1, -8, -4},
              {"lsr", 28, -8, 15},
              {"asr", 32, -8, -8},
              {"addl", 1, INT32_MAX, INT32_MIN},
              {"subl", 1, INT32_MIN, INT32_MAX},
              {"mull", 2, INT32_MIN, 0},
              {"divl", -1, INT32_MIN, INT32_MIN},
              {"modl", -1, INT32_MIN, 0}};
  for (const Case& c : ints) {
    setInt(1, c.src);
    setInt(2, c.dst);
    ASSERT_EQ(one(c.op, {r(1), r(2)}), 0) << c.op;
    EXPECT_EQ(intOf(2), c.expected) << c.op << " " << c.src << ", " << c.dst;
    EXPECT_EQ(intOf(1), c.src) << "the source is not changed";
  }
  struct FCase {
    const char* op;
    ZILFloat src, dst, expected;
  } floats[] = {{"add", 0.5, 1.0, 1.5},  {"sub", 0.5, 1.0, 0.5},   {"mul", 2.0, 1.5, 3.0},  {"div", 4.0, 1.0, 0.25},
                {"mod", 2.0, 7.5, 1.5},  {"addf", 1.0, 1.0, 2.0},  {"subf", 1.0, 1.0, 0.0}, {"mulf", 3.0, 3.0, 9.0},
                {"divf", 2.0, 1.0, 0.5}, {"modf", 2.0, -7.0, -1.0}};
  for (const FCase& c : floats) {
    setFloat(1, c.src);
    setFloat(2, c.dst);
    ASSERT_EQ(one(c.op, {r(1), r(2)}), 0) << c.op;
    EXPECT_DOUBLE_EQ(floatOf(2), c.expected) << c.op;
  }
}

TEST_F(ZILArith, ArithmeticInPlaceKeepsTheHandle) {
  setInt(1, 5);
  setInt(2, 6);
  ZILHandle* dst = reg(2);
  ZILLong inUse = ps->handlesInUse;
  ASSERT_EQ(one("addl", {r(1), r(2)}), 0);
  EXPECT_EQ(reg(2), dst);
  EXPECT_EQ(ps->handlesInUse, inUse) << "no handle is taken for int arithmetic";
}

TEST_F(ZILArith, WrongTypesRaiseUnsupportedType) {
  setInt(1, 1);
  setFloat(2, 1.0);
  setString(3, "x");
  EXPECT_EQ(one("add", {r(1), r(2)}), ZIL_EXC_Unsupported_Type) << "int into float";
  EXPECT_EQ(one("add", {r(3), r(3)}), ZIL_EXC_Unsupported_Type) << "strings";
  EXPECT_EQ(one("and", {r(2), r(1)}), ZIL_EXC_Unsupported_Type) << "bit operations need ints";
  EXPECT_EQ(one("inc", {r(3)}), ZIL_EXC_Unsupported_Type);
  EXPECT_EQ(one("neg", {r(0)}), ZIL_EXC_Unsupported_Type) << "null";
  EXPECT_EQ(one("not", {r(2)}), ZIL_EXC_Unsupported_Type);
  // The one-type families check only that their destination holds that type, so a payload
  // that is a pointer is never overwritten.
  EXPECT_EQ(one("addl", {r(1), r(3)}), ZIL_EXC_Unsupported_Type);
  EXPECT_EQ(one("addf", {r(2), r(3)}), ZIL_EXC_Unsupported_Type);
  EXPECT_EQ(one("incl", {r(3)}), ZIL_EXC_Unsupported_Type);
  EXPECT_EQ(stringOf(reg(3)), "x");
  EXPECT_EQ(one("cslt", {r(1), r(2), r(4)}), ZIL_EXC_Unsupported_Type) << "int against float";
}

TEST_F(ZILArith, DivisionByZeroRaisesAndKeepsTheDestination) {
  for (const char* op : {"div", "mod", "divl", "modl"}) {
    setInt(1, 0);
    setInt(2, 42);
    EXPECT_EQ(one(op, {r(1), r(2)}), ZIL_EXC_Division_By_Zero) << op;
    EXPECT_EQ(intOf(2), 42) << op;
  }
  for (const char* op : {"div", "mod", "divf", "modf"}) {
    setFloat(1, 0.0);
    setFloat(2, 4.5);
    EXPECT_EQ(one(op, {r(1), r(2)}), ZIL_EXC_Division_By_Zero) << op;
    EXPECT_EQ(floatOf(2), 4.5) << op;
  }
}

TEST_F(ZILArith, UnaryFamiliesWorkInPlace) {
  setInt(1, 5);
  setFloat(2, 1.5);
  ASSERT_EQ(one("inc", {r(1)}), 0);
  ASSERT_EQ(one("dec", {r(2)}), 0);
  EXPECT_EQ(intOf(1), 6);
  EXPECT_EQ(floatOf(2), 0.5);
  ASSERT_EQ(one("neg", {r(1)}), 0);
  ASSERT_EQ(one("neg", {r(2)}), 0);
  EXPECT_EQ(intOf(1), -6);
  EXPECT_EQ(floatOf(2), -0.5);
  ASSERT_EQ(one("not", {r(1)}), 0);
  EXPECT_EQ(intOf(1), 5);
  ASSERT_EQ(one("unot", {r(1)}), 0);
  EXPECT_EQ(intOf(1), 0);
  ASSERT_EQ(one("unot", {r(1)}), 0);
  EXPECT_EQ(intOf(1), 1);
  setInt(1, INT32_MIN);
  ASSERT_EQ(one("negl", {r(1)}), 0);
  EXPECT_EQ(intOf(1), INT32_MIN) << "wraps";
  ASSERT_EQ(one("decl", {r(1)}), 0);
  EXPECT_EQ(intOf(1), INT32_MAX);
  ASSERT_EQ(one("incl", {r(1)}), 0);
  EXPECT_EQ(intOf(1), INT32_MIN);
  ASSERT_EQ(one("incf", {r(2)}), 0);
  ASSERT_EQ(one("negf", {r(2)}), 0);
  ASSERT_EQ(one("decf", {r(2)}), 0);
  EXPECT_EQ(floatOf(2), -1.5);
}

TEST_F(ZILArith, ComparesYieldOneWhenTheSecondOperandStandsInRelationToTheFirst) {
  struct Case {
    const char* op;
    ZILLong a, b, expected;
  } cases[] = {{"csgt", 1, 2, 1},  {"csgt", 2, 1, 0},  {"cslt", 2, 1, 1},  {"cslt", 1, 2, 0},  {"csge", 2, 2, 1},
               {"csle", 2, 3, 0},  {"cseq", 4, 4, 1},  {"csne", 4, 4, 0},  {"csgtl", 1, 2, 1}, {"csgel", 3, 2, 0},
               {"csltl", 5, 4, 1}, {"cslel", 4, 4, 1}, {"cseql", 1, 2, 0}, {"csnel", 1, 2, 1}};
  for (const Case& c : cases) {
    setInt(1, c.a);
    setInt(2, c.b);
    ASSERT_EQ(one(c.op, {r(1), r(2), r(3)}), 0) << c.op;
    EXPECT_EQ(intOf(3), c.expected) << c.op << " a=" << c.a << " b=" << c.b;
  }
  struct FCase {
    const char* op;
    ZILFloat a, b;
    ZILLong expected;
  } fcases[] = {{"csgt", 1.0, 2.0, 1},  {"csgtf", 2.0, 1.0, 0}, {"csltf", 2.0, 1.0, 1}, {"csgef", 1.0, 1.0, 1},
                {"cslef", 1.0, 1.5, 0}, {"cseqf", 0.5, 0.5, 1}, {"csnef", 0.5, 0.5, 0}};
  for (const FCase& c : fcases) {
    setFloat(1, c.a);
    setFloat(2, c.b);
    ASSERT_EQ(one(c.op, {r(1), r(2), r(3)}), 0) << c.op;
    EXPECT_EQ(intOf(3), c.expected) << c.op;
  }
  // The result replaces what the destination held, also when that was shared.
  setInt(1, 1);
  setInt(2, 2);
  ZILHandle* shared = ZILNewInt(ps, 77);
  ZILAddRef(shared);
  setReg(3, shared);
  ASSERT_EQ(one("csgt", {r(1), r(2), r(3)}), 0);
  EXPECT_EQ(shared->payload.l, 77) << "a shared handle is not overwritten";
  EXPECT_EQ(intOf(3), 1);
  ZILRelease(ps, shared);
}

TEST_F(ZILArith, ConversionsTruncateAndSaturate) {
  setInt(1, -7);
  ASSERT_EQ(one("cvf", {r(1), r(2)}), 0);
  EXPECT_EQ(floatOf(2), -7.0);
  struct Case {
    ZILFloat in;
    ZILLong out;
  } cases[] = {{2.9, 2}, {-2.9, -2}, {1e12, INT32_MAX}, {-1e12, INT32_MIN}, {std::nan(""), 0}};
  for (const Case& c : cases) {
    setFloat(1, c.in);
    ASSERT_EQ(one("cvl", {r(1), r(2)}), 0);
    EXPECT_EQ(intOf(2), c.out) << c.in;
  }
}

TEST_F(ZILArith, EveryOperandKindReachesItsSlot) {
  // r7 holds an instance with 3 members, r8 an array of 4 ints, r9 the index 2; the data stack
  // holds two ints. Each addl variant adds 1 to a different place.
  ZILLong cls = addClass("Box", 3);
  ZILHandle* box = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, cls, &box), 0);
  setReg(7, box);
  ZILHandle** members = ZILInstanceMembers(static_cast<ZILInstance*>(box->payload.p));
  for (int i = 0; i < 3; ++i) {
    ZILRelease(ps, members[i]);
    members[i] = ZILNewInt(ps, 100 + i);
  }
  setReg(8, newArrayOfInts({10, 11, 12, 13}));
  setInt(9, 2);
  setInt(1, 1);
  ZILLong c0;
  ASSERT_EQ(ZILAddConstantInt(ps, 1000, &c0), 0);
  Assembler b(ps);
  b.op("pushm", {imm(2)})
      .op("copyh", {dh(c0), sd(0)})
      .op("copyh", {dh(c0), sd(1)})
      .op("addl", {r(1), rd(7, 1)})  // member 1 += 1
      .op("addl", {r(1), rr(8, 9)})  // element 2 += 1
      .op("addl", {r(1), sd(1)})     // stack slot 1 += 1
      .op("addl", {rd(7, 2), r(2)})  // r2 = 0 + member 2
      .op("addl", {rr(8, 9), r(3)})  // r3 = 0 + element 2
      .op("addl", {sd(0), r(4)})     // r4 = 0 + stack slot 0
      .op("pop", {r(5)})
      .op("pop", {r(6)})
      .op("ret");
  setInt(2, 0);
  setInt(3, 0);
  setInt(4, 0);
  ASSERT_EQ(run(b), 0);
  EXPECT_EQ(members[1]->payload.l, 102);
  EXPECT_EQ(arrayOf(reg(8))->slots[2]->payload.l, 13);
  EXPECT_EQ(intOf(5), 1000);
  EXPECT_EQ(intOf(6), 1001);
  EXPECT_EQ(intOf(2), 102);
  EXPECT_EQ(intOf(3), 13);
  EXPECT_EQ(intOf(4), 1000);
}

}  // namespace

TEST_F(ZILArith, ThreeAddressFormsComputeIntoTheirOwnDestination) {
  struct Case {
    const char* op;
    ZILLong a, b, expected;
  } ints[] = {{"addl3", INT32_MAX, 1, INT32_MIN},
              {"subl3", 10, 3, 7},
              {"mull3", -3, 5, -15},
              {"divl3", 7, -2, -3},
              {"modl3", -7, 3, -1}};
  for (const Case& c : ints) {
    setInt(1, c.a);
    setInt(2, c.b);
    ASSERT_EQ(one(c.op, {r(1), r(2), r(3)}), 0) << c.op;
    EXPECT_EQ(intOf(3), c.expected) << c.op;
    EXPECT_TRUE(intOf(1) == c.a && intOf(2) == c.b) << c.op << ": the operands keep their values";
  }
  struct FCase {
    const char* op;
    ZILFloat a, b, expected;
  } floats[] = {{"addf3", 1.0, 0.5, 1.5},
                {"subf3", 1.0, 0.5, 0.5},
                {"mulf3", 1.5, 2.0, 3.0},
                {"divf3", 1.0, 4.0, 0.25},
                {"modf3", -7.0, 2.0, -1.0}};
  for (const FCase& c : floats) {
    setFloat(1, c.a);
    setFloat(2, c.b);
    ASSERT_EQ(one(c.op, {r(1), r(2), r(3)}), 0) << c.op;
    EXPECT_DOUBLE_EQ(floatOf(3), c.expected) << c.op;
  }
  // A shared destination is replaced, not overwritten; a failure leaves the destination alone.
  setInt(1, 1);
  setInt(2, 2);
  ZILHandle* shared = ZILNewInt(ps, 77);
  ZILAddRef(shared);
  setReg(3, shared);
  ASSERT_EQ(one("addl3", {r(1), r(2), r(3)}), 0);
  EXPECT_EQ(shared->payload.l, 77);
  EXPECT_EQ(intOf(3), 3);
  ZILRelease(ps, shared);
  setInt(2, 0);
  EXPECT_EQ(one("modl3", {r(1), r(2), r(3)}), ZIL_EXC_Division_By_Zero);
  EXPECT_EQ(intOf(3), 3);
  setFloat(1, 1.0);
  EXPECT_EQ(one("addl3", {r(1), r(2), r(3)}), ZIL_EXC_Unsupported_Type) << "the first operand's type is checked";
}

TEST_F(ZILArith, CompareAndBranchJumpsWhenTheCompareHolds) {
  struct Case {
    const char* op;
    ZILLong a, b;
    bool taken;
  } cases[] = {{"bltl", 5, 4, true},  {"bltl", 4, 4, false}, {"blel", 4, 4, true},  {"bgtl", 1, 2, true},
               {"bgel", 3, 2, false}, {"beql", 1, 1, true},  {"bnel", 1, 1, false}, {"bnel", -1, 1, true}};
  // a and b as registers, stack slots (pushed: b at sp+0, a at sp+1) or a as an immediate.
  struct Form {
    bool aImm, aStack, bStack;
  } forms[] = {
      {false, false, false}, {false, false, true}, {false, true, false}, {true, false, false}, {true, false, true}};
  for (const Case& c : cases) {
    for (const Form& f : forms) {
      setInt(1, c.a);
      setInt(2, c.b);
      Assembler a(ps);
      a.op("push", {r(1)}).op("push", {r(2)});
      Operand first = f.aImm ? imm(c.a) : f.aStack ? sd(1) : r(1);
      a.op(c.op, {first, f.bStack ? sd(0) : r(2), to("yes")})
          .op("ldz", {r(3)})
          .op("bra", {to("end")})
          .label("yes")
          .op("ldz", {r(3)})
          .op("incl", {r(3)})
          .label("end")
          .op("popm", {imm(2)})
          .op("ret");
      ASSERT_EQ(run(a), 0) << c.op;
      EXPECT_EQ(intOf(3), c.taken ? 1 : 0)
          << c.op << " " << c.a << "," << c.b << " forms " << f.aImm << f.aStack << f.bStack;
    }
  }
}

TEST_F(ZILArith, LoopStepsCountAndBranchWhileBelowTheLimit) {
  struct Case {
    const char* op;
    bool limitOnStack, limitImmediate;
    ZILLong rounds;
  } cases[] = {{"ibltl", false, false, 5}, {"ibltl", true, false, 5}, {"ibltl", false, true, 5},
               {"iblel", false, false, 6}, {"iblel", true, false, 6}, {"iblel", false, true, 6}};
  for (const Case& c : cases) {
    setInt(1, 5);
    setInt(2, 0);
    setInt(3, 0);
    Assembler a(ps);
    a.op("push", {r(1)}).label("body").op("incl", {r(3)});
    a.op(c.op, {c.limitImmediate ? imm(5) : c.limitOnStack ? sd(0) : r(1), r(2), to("body")}).op("pop").op("ret");
    ASSERT_EQ(run(a), 0) << c.op;
    EXPECT_EQ(intOf(3), c.rounds) << c.op << " " << c.limitOnStack << c.limitImmediate;
    EXPECT_EQ(intOf(2), c.rounds) << "the counter is stepped in place";
  }
  setFloat(2, 0.0);
  EXPECT_EQ(one("ibltl", {imm(5), r(2), ofs(0)}), ZIL_EXC_Unsupported_Type);
}

TEST_F(ZILArith, MultiplyAddRoundsTheProductFirst) {
  setFloat(1, 1.5);
  setFloat(2, 2.0);
  setFloat(3, 0.25);
  ASSERT_EQ(one("madf3", {r(1), r(2), r(3), r(4)}), 0);
  EXPECT_EQ(floatOf(4), 3.25);
  // (1 + 2^-30)(1 - 2^-30) = 1 - 2^-60 rounds to 1; a fused multiply-add would give -2^-60.
  setFloat(1, 1.0 + std::ldexp(1.0, -30));
  setFloat(2, 1.0 - std::ldexp(1.0, -30));
  setFloat(3, -1.0);
  ASSERT_EQ(one("madf3", {r(1), r(2), r(3), r(4)}), 0);
  EXPECT_EQ(floatOf(4), 0.0);
  setInt(3, 1);
  EXPECT_EQ(one("madf3", {r(1), r(2), r(3), r(4)}), ZIL_EXC_Unsupported_Type);
  EXPECT_EQ(floatOf(4), 0.0) << "a failure leaves the destination alone";
}
