// zilinterp_fuzz_program.h - random programs for the interpreter's robustness checks: a runtime
// whose exception vectors clear every fault (a faulting instruction is skipped whole), with a
// class, a cofunction and a delegate type, constants and a function that returns at once for
// instructions to name; and a generator of instructions with hostile operands (register numbers
// past 31, negative and oversized member, stack, constant and type indexes, random opcode words).
// Branches only jump forward to an instruction boundary, so every program ends; jsr (an address
// taken from a value) and the instructions that multiply sizes (strings or arrays appended to
// themselves, multiplications and shifts feeding array indexes) are left out so memory stays small.
// The choices come from the caller: a seeded generator in zilinterp_fuzz_test.cpp, the fuzzer's
// input in fuzz/zil_interp.cpp.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "zilapi.h"

namespace zilfuzz {

inline std::vector<ZILLong> UsableOpcodes() {
  const std::set<std::string> excluded = {"jsr", "stradd", "arrcp", "arrmv", "mul",  "mull", "mulf",
                                          "asl", "lsl",    "lsr",   "add",   "addl", "sub",  "subl"};
  std::vector<ZILLong> usable;
  for (ZILLong op = 0; op < ZIL_OPCODE_COUNT; ++op)
    if (!excluded.count(ZILGetOpcodeInfo(op)->mnemonic))
      usable.push_back(op);
  return usable;
}

inline void ClearingVector(ZILState* ps) { ps->pendingException = 0; }

inline ZILError AddNamedType(ZILState* ps, const char* name, ZILLong family, ZILLong members, ZILLong* id) {
  ZILTypeInfo ti{};
  if (ZILError e = ZILAddName(ps, name, &ti.pName))
    return e;
  ti.family = family;
  ti.instanceSize = members;
  ti.copyConstructor = -1;
  ti.offsetVtab = -1;
  return ZILAddType(ps, &ti, id);
}

// Prepares a fresh runtime (from ZILInitialize) for random programs; 0 or the first failure.
inline ZILError PrepareRuntime(ZILState* ps) {
  ZILError e = ZILPrepareRun(ps);
  for (ZILExceptionVector& v : ps->vectors)
    v = ClearingVector;
  ZILLong cls = -1, other = -1;
  if (!e)
    e = AddNamedType(ps, "Fuzz", ZIL_FAMILY_CLASS, 3, &cls);
  if (!e)
    e = AddNamedType(ps, "fuzzco", ZIL_FAMILY_THREAD, 0, &other);
  if (!e)
    e = AddNamedType(ps, "fuzzdg", ZIL_FAMILY_DELEGATE, 0, &other);
  for (ZILLong v : {0, 1, 2, 3, -1})
    if (!e)
      e = ZILAddConstantInt(ps, v, nullptr);
  for (ZILFloat v : {0.0, 1.5, -2.0})
    if (!e)
      e = ZILAddConstantFloat(ps, v, nullptr);
  if (!e)
    e = ZILAddConstantString(ps, "", nullptr);
  if (!e)
    e = ZILAddConstantString(ps, "ab", nullptr);
  // A function for newctx and newdg to name: it returns at once.
  ZILFuncInfo fi{};
  fi.typeID = cls;
  fi.codeSize = 1;
  const ZILLong ret = ZOP_RET;
  if (!e)
    e = ZILAppendCode(ps, &ret, 1, &fi.codeAddress);
  if (!e)
    e = ZILAddName(ps, "tiny", &fi.name);
  ZILLong index = -1;
  if (!e)
    e = ZILAddFunction(ps, &fi, &index);
  return e;
}

// A program of `count` random instructions and a final ret; pick(lo, hi) chooses in [lo, hi].
template <class Pick>
std::vector<ZILLong> RandomProgram(ZILState* ps, const std::vector<ZILLong>& usable, Pick&& pick, int count) {
  struct Instruction {
    std::vector<ZILLong> words;
    int branchWord = -1;  // index of an ofs operand
  };
  std::vector<Instruction> program;
  for (int n = 0; n < count; ++n) {
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
        case ZILK_R: in.words.push_back(pick(0, 40)); break;
        case ZILK_RD:
          in.words.push_back(pick(0, 33));
          in.words.push_back(pick(-2, 4));
          break;
        case ZILK_RR:
          in.words.push_back(pick(0, 33));
          in.words.push_back(pick(0, 33));
          break;
        case ZILK_SD: in.words.push_back(pick(-2, 40)); break;
        case ZILK_DH: in.words.push_back(pick(-1, ps->data.count + 1)); break;
        case ZILK_TYPE: in.words.push_back(pick(-1, ps->types.count + 1)); break;
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
  return words;
}

// What a random program may end in: the vectors clear every other fault.
inline bool ExpectedEnd(ZILError e) {
  return e == 0 || e == ZIL_EXC_Invalid_Code_Address || e == ZIL_EXC_Stack_Overflow;
}

// Puts the root context back for the next program: the exception cleared, the call stack
// empty, the data stack down to the registers.
inline void ResetRoot(ZILState* ps) {
  ZILClearException(ps);
  ZILContext* root = ps->root;
  root->csp = root->callSize;
  while (root->sp < root->dataSize - ZIL_REGISTER_COUNT)
    ZILRelease(ps, root->dataStack[root->sp++]);
}

}  // namespace zilfuzz
