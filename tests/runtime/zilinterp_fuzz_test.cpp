// zilinterp_fuzz_test.cpp - random instructions with hostile operands (register numbers past 31,
// negative and oversized member, stack, constant and type indexes, random opcode words) run
// with vectors that clear every fault, so each instruction's checks are reached. Branches only
// jump forward, so every program ends (a faulting instruction is skipped whole); instructions
// that multiply sizes (strings or arrays appended to themselves, multiplications and left
// shifts feeding array indexes) are left out so memory stays small. Run under the sanitizers,
// this shows the interpreter stays in bounds.
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

  // jsr jumps to an address taken from a value and could loop; the rest of the control
  // transfers are kept: branches jump forward to an instruction boundary, calls reach the
  // function above, which returns at once.
  const std::set<std::string> excluded = {"jsr",  "stradd", "arrcp", "arrmv", "mul", "mull", "mulf", "asl",
                                          "lsl",  "lsr",    "add",   "addl",  "sub", "subl"};
  std::vector<ZILLong> usable;
  for (ZILLong op = 0; op < ZIL_OPCODE_COUNT; ++op)
    if (!excluded.count(ZILGetOpcodeInfo(op)->mnemonic))
      usable.push_back(op);

  std::mt19937 rng(20261206);
  auto pick = [&](ZILLong lo, ZILLong hi) { return std::uniform_int_distribution<ZILLong>(lo, hi)(rng); };
  for (int round = 0; round < 2000; ++round) {
    struct Instruction {
      std::vector<ZILLong> words;
      int branchWord = -1;  // index of an ofs operand
    };
    std::vector<Instruction> program;
    for (int n = 0; n < 120; ++n) {
      Instruction in;
      if (pick(0, 50) == 0) {
        // No opcode at all: skipped as one word.
        ZILLong raw = pick(-3, 120);
        in.words.push_back(raw < 0 ? raw : ZIL_OPCODE_COUNT + raw);
        program.push_back(in);
        continue;
      }
      const ZILOpcodeInfo* info = ZILGetOpcodeInfo(usable[pick(0, static_cast<ZILLong>(usable.size()) - 1)]);
      in.words.push_back(info->opcode);
      for (ZILLong k = 0; k < info->operandCount; ++k) {
        switch (info->kinds[k]) {
          case ZILK_R:
            in.words.push_back(pick(0, 40));
            break;
          case ZILK_RD:
            in.words.push_back(pick(0, 33));
            in.words.push_back(pick(-2, 4));
            break;
          case ZILK_RR:
            in.words.push_back(pick(0, 33));
            in.words.push_back(pick(0, 33));
            break;
          case ZILK_SD:
            in.words.push_back(pick(-2, 40));
            break;
          case ZILK_DH:
            in.words.push_back(pick(-1, ps->data.count + 1));
            break;
          case ZILK_TYPE:
            in.words.push_back(pick(-1, ps->types.count + 1));
            break;
          case ZILK_REGS:
            in.words.push_back(pick(-1, 33));
            in.words.push_back(pick(-1, 5));
            break;
          case ZILK_OFS:
            in.branchWord = static_cast<int>(in.words.size());
            in.words.push_back(0);
            break;
          default:  // counts, levels, function indexes
            in.words.push_back(info->opcode == ZOP_ALLOCA_TYPE_IMM_R ? pick(0, 2) : pick(-2, 6));
            break;
        }
      }
      program.push_back(in);
    }
    Instruction end;
    end.words.push_back(ZOP_RET);
    program.push_back(end);
    std::vector<ZILLong> offsets;  // of each instruction from the program's start
    ZILLong at = 0;
    for (const Instruction& in : program) {
      offsets.push_back(at);
      at += static_cast<ZILLong>(in.words.size());
    }
    std::vector<ZILLong> words;
    for (size_t i = 0; i < program.size(); ++i) {
      Instruction& in = program[i];
      if (in.branchWord >= 0) {
        size_t target = static_cast<size_t>(pick(static_cast<ZILLong>(i) + 1, static_cast<ZILLong>(program.size()) - 1));
        in.words[in.branchWord] = offsets[target] - offsets[i];
      }
      words.insert(words.end(), in.words.begin(), in.words.end());
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
