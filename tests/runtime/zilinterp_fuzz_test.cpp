// zilinterp_fuzz_test.cpp - random instructions with hostile operands (register numbers past 31,
// negative and oversized member, stack, constant and type indexes, random opcode words) run
// with vectors that clear every fault, so each instruction's checks are reached. Branches and
// calls are left out so every program ends (a faulting instruction is skipped whole); instructions that multiply sizes (strings or arrays
// appended to themselves, multiplications and left shifts feeding array indexes) are left out
// so memory stays small. Run under the sanitizers, this shows the interpreter stays in bounds.
#include <random>
#include <set>

#include "zil_test_support.h"

using namespace ziltest;

namespace {

class ZILFuzz : public ZILFixture {};

void clearingVector(ZILState* ps) { ps->pendingException = 0; }

TEST_F(ZILFuzz, RandomInstructionsNeverLeaveTheirBounds) {
  prepare();
  for (ZILExceptionVector& v : ps->vectors)
    v = clearingVector;
  ZILLong cls = addClass("Fuzz", 3);
  ZILLong coType = addTypeOfFamily("fuzzco", ZIL_FAMILY_THREAD);
  ZILLong dgType = addTypeOfFamily("fuzzdg", ZIL_FAMILY_DELEGATE);
  (void)coType;
  (void)dgType;
  for (ZILLong v : {0, 1, 2, 3, -1})
    ZILAddConstantInt(ps, v, nullptr);
  for (ZILFloat v : {0.0, 1.5, -2.0})
    ZILAddConstantFloat(ps, v, nullptr);
  ZILAddConstantString(ps, "", nullptr);
  ZILAddConstantString(ps, "ab", nullptr);
  // A function for newctx and newdg to name: it returns at once.
  Assembler f(ps);
  f.op("ret");
  addFunction("tiny", cls, f.commit());

  const std::set<std::string> excluded = {"bra",  "tsteq", "tstne",  "jsr",    "calls", "callm", "calldg",
                                          "ret",  "resume", "yield", "stradd", "arrcp", "arrmv", "mul",
                                          "mull", "mulf",  "asl",    "lsl",    "lsr",   "add",   "addl",
                                          "sub",  "subl"};
  std::vector<ZILLong> usable;
  for (ZILLong op = 0; op < ZIL_OPCODE_COUNT; ++op)
    if (!excluded.count(ZILGetOpcodeInfo(op)->mnemonic))
      usable.push_back(op);

  std::mt19937 rng(20261206);
  auto pick = [&](ZILLong lo, ZILLong hi) { return std::uniform_int_distribution<ZILLong>(lo, hi)(rng); };
  for (int round = 0; round < 2000; ++round) {
    std::vector<ZILLong> words;
    for (int n = 0; n < 120; ++n) {
      if (pick(0, 50) == 0) {
        // No opcode at all: skipped as one word, so the code stays aligned (an operand read
        // as an opcode could be a branch, and the program might never end).
        ZILLong raw = pick(-3, 120);
        words.push_back(raw < 0 ? raw : ZIL_OPCODE_COUNT + raw);
        continue;
      }
      const ZILOpcodeInfo* info = ZILGetOpcodeInfo(usable[pick(0, static_cast<ZILLong>(usable.size()) - 1)]);
      words.push_back(info->opcode);
      for (ZILLong k = 0; k < info->operandCount; ++k) {
        switch (info->kinds[k]) {
          case ZILK_R:
            words.push_back(pick(0, 40));
            break;
          case ZILK_RD:
            words.push_back(pick(0, 33));
            words.push_back(pick(-2, 4));
            break;
          case ZILK_RR:
            words.push_back(pick(0, 33));
            words.push_back(pick(0, 33));
            break;
          case ZILK_SD:
            words.push_back(pick(-2, 40));
            break;
          case ZILK_DH:
            words.push_back(pick(-1, ps->data.count + 1));
            break;
          case ZILK_TYPE:
            words.push_back(pick(-1, ps->types.count + 1));
            break;
          case ZILK_REGS:
            words.push_back(pick(-1, 33));
            words.push_back(pick(-1, 5));
            break;
          default:  // counts, levels, function indexes
            words.push_back(info->opcode == ZOP_ALLOCA_TYPE_IMM_R ? pick(0, 2) : pick(-2, 6));
            break;
        }
      }
    }
    words.push_back(ZOP_RET);
    ZILLong address = -1;
    ASSERT_EQ(ZILAppendCode(ps, words.data(), static_cast<ZILLong>(words.size()), &address), 0);
    ZILError e = ZILRunAddress(ps, address);
    EXPECT_TRUE(e == 0 || e == ZIL_EXC_Invalid_Code_Address || e == ZIL_EXC_Stack_Overflow) << "round " << round << ": " << e;
    ZILClearException(ps);
    // Put the root context back for the next program.
    ZILContext* root = ps->root;
    root->csp = root->callSize;
    while (root->sp < root->dataSize - ZIL_REGISTER_COUNT)
      ZILRelease(ps, root->dataStack[root->sp++]);
    EXPECT_EQ(ps->depth, 0);
    EXPECT_EQ(ps->current, root);
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
