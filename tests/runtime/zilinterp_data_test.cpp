// zilinterp_data_test.cpp - instructions that move, copy and build values: move/copy/moveh/copyh,
// the stack, strings, arrays and their element slots, allocation, type tests and weak references.
#include "zil_test_support.h"

using namespace ziltest;

namespace {

class ZILData : public ZILFixture {
 protected:
  void SetUp() override {
    ZILFixture::SetUp();
    prepare();
  }
  ZILError runCode(Assembler& a) {
    ZILError e = run(a);
    if (e)
      recover();
    return e;
  }
  ZILError one(const std::string& mnemonic, std::vector<Operand> ops = {}) {
    Assembler a(ps);
    a.op(mnemonic, std::move(ops)).op("ret");
    return runCode(a);
  }
};

TEST_F(ZILData, MoveSharesAndCopyDuplicates) {
  setString(1, "text");
  ASSERT_EQ(one("move", {r(1), r(2)}), 0);
  EXPECT_EQ(reg(2), reg(1));
  EXPECT_EQ(reg(1)->refCount, 2);
  ASSERT_EQ(one("cmpref", {r(1), r(2), r(3)}), 0);
  EXPECT_EQ(intOf(3), 1);
  ASSERT_EQ(one("copy", {r(1), r(4)}), 0);
  EXPECT_NE(reg(4)->payload.p, reg(1)->payload.p);
  EXPECT_EQ(stringOf(reg(4)), "text");
  ASSERT_EQ(one("cmpref", {r(1), r(4), r(3)}), 0);
  EXPECT_EQ(intOf(3), 0);
  // Moving a register onto itself keeps the value alive.
  ASSERT_EQ(one("move", {r(4), r(4)}), 0);
  EXPECT_EQ(stringOf(reg(4)), "text");

  ZILLong k, s;
  ASSERT_EQ(ZILAddConstantInt(ps, 9, &k), 0);
  ASSERT_EQ(ZILAddConstantString(ps, "const", &s), 0);
  ASSERT_EQ(one("moveh", {dh(k), r(5)}), 0);
  ASSERT_EQ(one("moveh", {dh(k), r(6)}), 0);
  EXPECT_EQ(reg(5), reg(6)) << "moveh shares the constant's handle";
  ASSERT_EQ(one("copyh", {dh(s), r(7)}), 0);
  ASSERT_EQ(one("copyh", {dh(s), r(8)}), 0);
  EXPECT_NE(reg(7), reg(8));
  EXPECT_EQ(stringOf(reg(8)), "const");
  EXPECT_EQ(one("moveh", {dh(99), r(5)}), ZIL_EXC_Invalid_Operand);
  ASSERT_EQ(one("ldz", {r(5)}), 0);
  EXPECT_EQ(intOf(5), 0);
  EXPECT_EQ(reg(6)->payload.l, 9) << "ldz replaced the register, it did not zero the constant";
}

TEST_F(ZILData, StackOperationsKeepOrderAndCheckBounds) {
  for (int i = 1; i <= 4; ++i)
    setInt(i, i * 10);
  ZILLong sp = ps->root->sp;
  Assembler a(ps);
  a.op("pushr", {regs(1, 3)})  // pushes r1, r2, r3: r3 on top
      .op("push", {r(4)})
      .op("push")  // null
      .op("pushm", {imm(2)})
      .op("popm", {imm(2)})
      .op("pop")
      .op("pop", {r(10)})         // 40
      .op("popr", {regs(11, 3)})  // last register first: r13 = 30, r12 = 20, r11 = 10
      .op("ret");
  ASSERT_EQ(runCode(a), 0);
  EXPECT_EQ(ps->root->sp, sp);
  EXPECT_EQ(intOf(10), 40);
  EXPECT_EQ(intOf(11), 10);
  EXPECT_EQ(intOf(12), 20);
  EXPECT_EQ(intOf(13), 30);

  // Nothing to pop: 1001, and the registers above the stack are untouched.
  EXPECT_EQ(one("pop", {r(1)}), ZIL_EXC_Stack_Overflow);
  EXPECT_EQ(one("pop"), ZIL_EXC_Stack_Overflow);
  EXPECT_EQ(one("popm", {imm(1)}), ZIL_EXC_Stack_Overflow);
  EXPECT_EQ(one("popr", {regs(0, 1)}), ZIL_EXC_Stack_Overflow);
  EXPECT_EQ(intOf(1), 10);
  EXPECT_EQ(one("pushr", {regs(30, 3)}), ZIL_EXC_Invalid_Operand) << "range past r31";
  EXPECT_EQ(one("pushm", {imm(-1)}), ZIL_EXC_Stack_Overflow);
  EXPECT_EQ(one("move", {sd(0), r(1)}), 0) << "(sp+0) with an empty stack is r0";
  EXPECT_EQ(one("move", {sd(32), r(1)}), ZIL_EXC_Invalid_Operand) << "past the end of the stack";
  EXPECT_EQ(one("move", {sd(-1), r(1)}), ZIL_EXC_Invalid_Operand) << "below the stack pointer";
  EXPECT_EQ(ps->root->sp, sp);
}

TEST_F(ZILData, DataStackOverflowRaisesBeforeWritingOutsideTheStack) {
  ZILLong usable = ps->root->sp;
  Assembler a(ps);
  a.label("again").op("push", {r(1)}).op("bra", {to("again")});
  ZILLong address = a.commit();
  EXPECT_EQ(ZILRunAddress(ps, address), ZIL_EXC_Stack_Overflow);
  EXPECT_EQ(ps->root->sp, 0);
  EXPECT_EQ(ps->exceptionPC, address) << "raised at the push that found no room";
  EXPECT_EQ(reg(1)->refCount, 1 + 32 + usable) << "every pushed copy is counted";
  recover();
  Assembler b(ps);
  b.op("pushm", {imm(1)}).op("ret");
  EXPECT_EQ(runCode(b), ZIL_EXC_Stack_Overflow);
  ps->root->sp = usable + 0;
  // The stack is put back by releasing what was pushed.
  for (ZILLong i = 0; i < usable; ++i)
    ZILRelease(ps, ps->root->dataStack[i]);
}

TEST_F(ZILData, StringsConcatenateAndCompareByContent) {
  setString(1, "abc");
  setString(2, "def");
  ASSERT_EQ(one("stradd", {r(2), r(1)}), 0);
  EXPECT_EQ(stringOf(reg(1)), "abcdef");
  ASSERT_EQ(one("stradd", {r(1), r(1)}), 0) << "appending a string to itself";
  EXPECT_EQ(stringOf(reg(1)), "abcdefabcdef");
  ASSERT_EQ(one("stradd", {r(0), r(1)}), 0) << "null appends nothing";
  EXPECT_EQ(stringOf(reg(1)), "abcdefabcdef");
  ZILString* s = static_cast<ZILString*>(reg(1)->payload.p);
  EXPECT_EQ(s->capacity, 32);

  setString(3, "abcdefabcdef");
  ASSERT_EQ(one("streq", {r(1), r(3), r(4)}), 0);
  EXPECT_EQ(intOf(4), 1);
  ASSERT_EQ(one("strne", {r(1), r(3), r(4)}), 0);
  EXPECT_EQ(intOf(4), 0);
  ASSERT_EQ(one("streq", {r(1), r(2), r(4)}), 0);
  EXPECT_EQ(intOf(4), 0);
  setString(5, "");
  ASSERT_EQ(one("streq", {r(0), r(5), r(4)}), 0);
  EXPECT_EQ(intOf(4), 1) << "null reads as empty text";
  ASSERT_EQ(one("size", {r(1), r(6)}), 0);
  EXPECT_EQ(intOf(6), 12);

  setInt(7, 5);
  EXPECT_EQ(one("stradd", {r(7), r(1)}), ZIL_EXC_Unsupported_Type);
  EXPECT_EQ(one("stradd", {r(1), r(0)}), ZIL_EXC_Null_Reference);
  EXPECT_EQ(one("streq", {r(7), r(1), r(4)}), ZIL_EXC_Unsupported_Type);
  EXPECT_EQ(one("size", {r(7), r(6)}), ZIL_EXC_Unsupported_Type);
}

TEST_F(ZILData, ElementSlotsGrowTheArray) {
  setReg(1, newArrayOfInts({1, 2, 3}));
  setInt(2, 3);  // index = length
  setInt(3, 99);
  ASSERT_EQ(one("move", {r(3), rr(1, 2)}), 0);
  ZILArray* a = arrayOf(reg(1));
  ASSERT_EQ(a->length, 4);
  EXPECT_EQ(a->slots[3], reg(3));
  setInt(2, 40);
  ASSERT_EQ(one("move", {rr(1, 2), r(4)}), 0) << "reading past the end grows too";
  EXPECT_EQ(a->length, 41);
  EXPECT_EQ(a->capacity, 64);
  EXPECT_EQ(reg(4), ps->nullHandle);
  EXPECT_EQ(a->slots[20], ps->nullHandle) << "new slots hold null";
  ASSERT_EQ(one("size", {r(1), r(5)}), 0);
  EXPECT_EQ(intOf(5), 41);

  setInt(2, -1);
  EXPECT_EQ(one("move", {r(3), rr(1, 2)}), ZIL_EXC_Invalid_Operand);
  setInt(2, ZIL_ARRAY_MAX_LENGTH);
  EXPECT_EQ(one("move", {r(3), rr(1, 2)}), ZIL_EXC_Allocation_Fail);
  setInt(2, INT32_MAX);
  EXPECT_EQ(one("move", {r(3), rr(1, 2)}), ZIL_EXC_Allocation_Fail);
  EXPECT_EQ(a->length, 41) << "a failed growth changes nothing";
  setFloat(2, 1.0);
  EXPECT_EQ(one("move", {r(3), rr(1, 2)}), ZIL_EXC_Unsupported_Type) << "index must be an int";
  setInt(2, 0);
  EXPECT_EQ(one("move", {r(3), rr(0, 2)}), ZIL_EXC_Null_Reference);
  EXPECT_EQ(one("move", {r(3), rr(2, 2)}), ZIL_EXC_Unsupported_Type);
  // Member slots check their index against the instance.
  ZILLong cls = addClass("Pair", 2);
  ZILHandle* pair = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, cls, &pair), 0);
  setReg(6, pair);
  EXPECT_EQ(one("move", {r(3), rd(6, 1)}), 0);
  EXPECT_EQ(one("move", {r(3), rd(6, 2)}), ZIL_EXC_Invalid_Operand);
  EXPECT_EQ(one("move", {r(3), rd(6, -1)}), ZIL_EXC_Invalid_Operand);
  EXPECT_EQ(one("move", {r(3), rd(0, 0)}), ZIL_EXC_Null_Reference);
  EXPECT_EQ(one("move", {r(3), rd(1, 0)}), ZIL_EXC_Unsupported_Type);
}

TEST_F(ZILData, MovingBetweenElementsOfTheSameArraySurvivesItsGrowth) {
  // The destination's growth moves the slot array the source slot points into.
  setReg(1, newArrayOfInts({5}));
  setInt(2, 0);
  setInt(3, 100);
  ASSERT_EQ(one("move", {rr(1, 2), rr(1, 3)}), 0);
  ZILArray* a = arrayOf(reg(1));
  ASSERT_EQ(a->length, 101);
  EXPECT_EQ(a->slots[100], a->slots[0]);
  ASSERT_EQ(one("copy", {rr(1, 2), rr(1, 3)}), 0);
  EXPECT_NE(a->slots[100], a->slots[0]);
  EXPECT_EQ(a->slots[100]->payload.l, 5);
}

TEST_F(ZILData, ArrayAppendsCopyOrShareTheirElements) {
  setReg(1, newArrayOfInts({}));
  setReg(2, newArrayOfInts({1, 2}));
  ZILArrayAppend(arrayOf(reg(2)), newArrayOfInts({3}));
  ZILHandle* str = nullptr;
  ASSERT_EQ(ZILNewString(ps, "s", 1, &str), 0);
  ZILArrayAppend(arrayOf(reg(2)), str);
  ZILArray* src = arrayOf(reg(2));

  ASSERT_EQ(one("arrmv", {r(2), r(1)}), 0);
  ZILArray* dst = arrayOf(reg(1));
  ASSERT_EQ(dst->length, 4);
  EXPECT_NE(dst->slots[0], src->slots[0]) << "ints are copied";
  EXPECT_NE(dst->slots[2], src->slots[2]) << "nested arrays are copied";
  EXPECT_EQ(dst->slots[3], src->slots[3]) << "other values are shared";

  ASSERT_EQ(one("arrcp", {r(2), r(1)}), 0);
  ASSERT_EQ(dst->length, 8);
  EXPECT_NE(dst->slots[7], src->slots[3]) << "arrcp copies strings too";
  EXPECT_EQ(stringOf(dst->slots[7]), "s");

  setInt(3, 7);
  ASSERT_EQ(one("arrmv", {r(3), r(1)}), 0);
  ASSERT_EQ(one("arrcp", {r(3), r(1)}), 0);
  ASSERT_EQ(dst->length, 10);
  EXPECT_EQ(dst->slots[9]->payload.l, 7);
  ASSERT_EQ(one("arrmv", {r(1), r(1)}), 0) << "appending an array to itself doubles it";
  EXPECT_EQ(dst->length, 20);
  EXPECT_EQ(one("arrmv", {r(3), r(3)}), ZIL_EXC_Unsupported_Type);
  EXPECT_EQ(one("arrcp", {r(3), r(0)}), ZIL_EXC_Null_Reference);
}

TEST_F(ZILData, AllocationBuildsInstancesAndNestedArrays) {
  ZILLong cls = addClass("Thing", 3);
  ASSERT_EQ(one("alloc", {type(cls), r(1)}), 0);
  ASSERT_EQ(reg(1)->type, cls);
  auto* inst = static_cast<ZILInstance*>(reg(1)->payload.p);
  ASSERT_EQ(inst->count, 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(ZILInstanceMembers(inst)[i], ps->nullHandle);
  EXPECT_EQ(one("alloc", {type(ZIL_TYPE_INT), r(1)}), ZIL_EXC_Invalid_Operand);

  // int a[2][3]: level 0 (outermost, 2) was pushed first.
  ZILLong two, three;
  ASSERT_EQ(ZILAddConstantInt(ps, 2, &two), 0);
  ASSERT_EQ(ZILAddConstantInt(ps, 3, &three), 0);
  Assembler a(ps);
  a.op("pushm", {imm(2)})
      .op("copyh", {dh(two), sd(1)})
      .op("copyh", {dh(three), sd(0)})
      .op("alloca", {type(ZIL_TYPE_INT), imm(2), r(2)})
      .op("alloca", {type(ZIL_TYPE_STRING), imm(1), r(3)})  // length 3, from sp
      .op("popm", {imm(2)})
      .op("ret");
  ASSERT_EQ(runCode(a), 0);
  ZILArray* outer = arrayOf(reg(2));
  ASSERT_EQ(outer->length, 2);
  ZILArray* inner = arrayOf(outer->slots[1]);
  ASSERT_EQ(inner->length, 3);
  EXPECT_EQ(inner->slots[2]->type, ZIL_TYPE_INT);
  EXPECT_NE(inner->slots[2], inner->slots[1]) << "every element is its own int";
  ZILArray* strings = arrayOf(reg(3));
  ASSERT_EQ(strings->length, 3);
  EXPECT_EQ(stringOf(strings->slots[0]), "");
  EXPECT_EQ(one("alloca", {type(ZIL_TYPE_INT), imm(1), r(2)}), ZIL_EXC_Invalid_Operand) << "no length on the stack";
}

TEST_F(ZILData, TypeInstructionsAndRuntimeChecks) {
  ZILLong dgType = addTypeOfFamily("callback", ZIL_FAMILY_DELEGATE);
  setInt(1, 3);
  ASSERT_EQ(one("type", {r(1), r(2)}), 0);
  EXPECT_EQ(intOf(2), ZIL_TYPE_INT);
  ASSERT_EQ(one("snul", {r(0), r(2)}), 0);
  EXPECT_EQ(intOf(2), 1);
  ASSERT_EQ(one("snnul", {r(0), r(2)}), 0);
  EXPECT_EQ(intOf(2), 0);
  ASSERT_EQ(one("snnul", {r(1), r(2)}), 0);
  EXPECT_EQ(intOf(2), 1);

  EXPECT_EQ(one("rtchk", {type(ZIL_TYPE_INT), r(1)}), 0);
  EXPECT_EQ(one("rtchk", {type(ZIL_TYPE_STRING), r(0)}), 0) << "null passes";
  EXPECT_EQ(one("rtchk", {type(ZIL_TYPE_FLOAT), r(1)}), ZIL_EXC_Type_Mismatch);
  ZILHandle* dg = nullptr;
  ASSERT_EQ(ZILNewDelegate(ps, ZIL_TYPE_DELEGATE, 0, nullptr, &dg), 0);
  setReg(3, dg);
  EXPECT_EQ(one("rtchk", {type(dgType), r(3)}), 0) << "a __delegate passes for any delegate type";
  EXPECT_EQ(one("rtchk", {type(ZIL_TYPE_ARRAY), r(3)}), ZIL_EXC_Type_Mismatch);
}

TEST_F(ZILData, WeakReferencesShareThePayloadAndTurnNullWhenTheObjectGoes) {
  setString(1, "target");
  ASSERT_EQ(one("wref", {r(1), r(2)}), 0);
  EXPECT_NE(reg(2), reg(1));
  EXPECT_TRUE(reg(2)->flags & ZIL_HANDLE_WEAK);
  EXPECT_EQ(reg(2)->payload.p, reg(1)->payload.p);
  EXPECT_EQ(reg(1)->refCount, 1);
  ASSERT_EQ(one("ldz", {r(2)}), 0);  // drops the weak handle
  EXPECT_EQ(stringOf(reg(1)), "target");

  // When the object goes, its weak handles read null instead of freed memory.
  ZILLong cls = addClass("Holder", 1);
  ASSERT_EQ(one("alloc", {type(cls), r(3)}), 0);
  ASSERT_EQ(one("wref", {r(3), r(4)}), 0);
  ASSERT_EQ(one("move", {r(4), r(5)}), 0);
  ASSERT_EQ(one("wref", {r(1), rd(3, 0)}), 0);
  ASSERT_EQ(one("ldz", {r(1)}), 0);  // the string goes
  ASSERT_EQ(one("move", {rd(3, 0), r(7)}), 0);
  ASSERT_EQ(one("snul", {r(7), r(6)}), 0);
  EXPECT_EQ(intOf(6), 1);
  ASSERT_EQ(one("ldz", {r(3)}), 0);  // the instance goes
  EXPECT_EQ(reg(4)->type, ZIL_TYPE_NULL);
  EXPECT_EQ(reg(4), reg(5)) << "both slots share the weak handle, now null";
  EXPECT_EQ(one("move", {r(3), rd(4, 0)}), ZIL_EXC_Null_Reference);
}

}  // namespace
