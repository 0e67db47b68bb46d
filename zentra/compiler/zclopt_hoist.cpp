// Loop constant hoisting (optimize level 3, the last pass, after register save trimming). A constant that a loop
// loads with `moveh` on every round and then only reads moves into a register of its own, loaded
// once before the loop. The loops taken are those the generator lays out with the test at the
// bottom: `bra test` right before the loop's first instruction, a backward branch at its end,
// and no other way in. The new registers join the function's saved range.
#include <algorithm>
#include <map>

#include "zentra/compiler/zclopt.h"
#include "zilopcodes.h"

namespace {

// Two-operand families whose first operand is only read (arithmetic, logic, string and array
// appends) and compares whose first two operands are only read.
bool readsFirstOnly(ZILLong op) {
  return ZCLOpIn(op, ZOP_ADD_R_R, ZOP_XOR_SD_R) || ZCLOpIn(op, ZOP_STRADD_R_R, ZOP_MODL_SD_R) ||
         ZCLOpIn(op, ZOP_ADDF_R_R, ZOP_MODF_SD_R);
}
bool readsFirstTwo(ZILLong op) {
  return ZCLOpIn(op, ZOP_CSEQ_R_R_R, ZOP_CSLE_SD_R_R) || ZCLOpIn(op, ZOP_STREQ_R_R_R, ZOP_STRNE_SD_R_R) ||
         ZCLOpIn(op, ZOP_CSEQL_R_R_R, ZOP_CSLEL_SD_R_R) || ZCLOpIn(op, ZOP_CSEQF_R_R_R, ZOP_CSLEF_SD_R_R) ||
         op == ZOP_CMPREF_R_R_R;
}

// Whether the instruction at pc touches register r only by reading its value, so that the
// value may live on unchanged across rounds. Moves and pushes that would share the handle with
// a slot that might be changed in place do not count; neither do the fixed-role registers.
bool onlyReads(const ZCLCode& code, size_t pc, int r) {
  const ZILLong op = code[pc];
  if (ZCLLeavesFunction(op) || op == ZOP_PUSHR_REGS || op == ZOP_POPR_REGS)
    return false;
  ZCLSlot s[4];
  const int n = ZCLDecode(code, pc, s);
  for (int i = 0; i < n; i++) {
    if (!s[i].mentions(r))
      continue;
    if (s[i].kind == ZILK_RD || s[i].kind == ZILK_RR)
      continue;  // the base or index of a member or element slot is only read
    if (s[i].kind != ZILK_R)
      return false;
    const bool read =
        (i == 0 && (readsFirstOnly(op) || readsFirstTwo(op) || ZCLOpIn(op, ZOP_COPY_R_R, ZOP_COPY_SD_SD) ||
                    op == ZOP_TSTEQ_R_OFS || op == ZOP_TSTNE_R_OFS || op == ZOP_CVF_R_R || op == ZOP_CVL_R_R ||
                    op == ZOP_SIZE_R_R || op == ZOP_TYPE_R_R)) ||
        (i == 1 && readsFirstTwo(op));
    if (!read)
      return false;
  }
  return true;
}

struct Instr {
  size_t pos, len;
};

std::vector<Instr> instructions(const ZCLCode& code) {
  std::vector<Instr> list;
  list.reserve(code.size() / 2);
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len)
    list.push_back({pc, len});
  return list;
}

ZILLong branchTarget(const ZCLCode& code, const Instr& in) {
  return static_cast<ZILLong>(in.pos) + code[in.pos + in.len - 1];
}

// One hoisted load: the moveh at `at` into `reg`, and the reads of it that follow.
struct Load {
  size_t at;
  int reg;
  ZILLong dh;
  std::vector<size_t> uses;
};

// The reads of the value that the moveh at index k of the list loads, on the straight path
// after it; false when the value cannot stay unchanged in a register of its own.
bool followUses(const ZCLCode& code, const std::vector<Instr>& list, const std::vector<unsigned char>& targets,
                size_t k, size_t loopEnd, Load* load) {
  const int r = load->reg;
  size_t j = k + 1;
  for (; j < list.size() && list[j].pos < loopEnd; j++) {
    const size_t pc = list[j].pos;
    if (targets[pc])
      break;
    ZCLSlot s[4];
    const int n = ZCLDecode(code, pc, s);
    int mentions = 0;
    for (int i = 0; i < n; i++)
      mentions += s[i].mentions(r) ? 1 : 0;
    if (ZCLResultRegister(code, pc) == r) {
      // Replaced here, and not read by the same instruction: the value's reads end.
      return mentions == 1 && !load->uses.empty();
    }
    if (mentions) {
      if (!onlyReads(code, pc, r))
        return false;
      load->uses.push_back(pc);
    }
    if (ZCLIsBranch(code[pc]) || ZCLLeavesFunction(code[pc]))
      break;
  }
  if (load->uses.empty())
    return false;
  // The register itself must not be needed any more where the reads end.
  const size_t last = load->uses.back();
  return !ZCLRegisterLiveAfter(code, last, r);
}

// The highest register any instruction names (the ranges of pushr and popr included), 2 at least.
int highestRegister(const ZCLCode& code) {
  int highest = 2;
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len) {
    ZCLSlot s[4];
    const int n = ZCLDecode(code, pc, s);
    for (int i = 0; i < n; i++) {
      ZILLong r = -1;
      if (s[i].kind == ZILK_R || s[i].kind == ZILK_RD)
        r = s[i].a;
      else if (s[i].kind == ZILK_RR)
        r = std::max(s[i].a, s[i].b);
      else if (s[i].kind == ZILK_REGS)
        r = s[i].a + s[i].b - 1;
      if (r > highest)
        highest = r > 31 ? 31 : static_cast<int>(r);
    }
  }
  return highest;
}

// What the walk over a function's loops knows of its code, found again after each edit.
struct Walk {
  std::vector<Instr> list;
  std::vector<size_t> branches;        // indices into list
  std::vector<unsigned char> targets;  // found when first needed
  int next = -1;                       // first register above all the function names; -1: not known yet

  void refresh(const ZCLCode& code) {
    list = instructions(code);
    branches.clear();
    for (size_t i = 0; i < list.size(); i++)
      if (ZCLIsBranch(code[list[i].pos]))
        branches.push_back(i);
    targets.clear();
  }
};

// Hoists the constants of the loop that ends with the branch at index b of the list; true when
// it changed the code.
bool hoistLoop(ZCLCode& code, Walk& walk, size_t b, ZCLOptStats& stats) {
  const std::vector<Instr>& list = walk.list;
  const ZILLong top = branchTarget(code, list[b]);
  const size_t end = list[b].pos + list[b].len;
  const size_t t = static_cast<size_t>(
      std::lower_bound(list.begin(), list.begin() + static_cast<long>(b), top,
                       [](const Instr& in, ZILLong pos) { return static_cast<ZILLong>(in.pos) < pos; }) -
      list.begin());
  if (t == 0 || t >= b || static_cast<ZILLong>(list[t].pos) != top)
    return false;
  // Most loops load no constant: nothing more to look at. A loop that saves registers of its
  // own is left alone.
  bool anyLoad = false;
  for (size_t k = t; k <= b; k++) {
    const ZILLong op = code[list[k].pos];
    if (op == ZOP_PUSHR_REGS || op == ZOP_POPR_REGS)
      return false;
    anyLoad = anyLoad || (op == ZOP_MOVEH_DH_R && code[list[k].pos + 2] > 2);
  }
  if (!anyLoad)
    return false;
  // The way in: `bra` right before the top, into the loop.
  const Instr entry = list[t - 1];
  const ZILLong in = code[entry.pos] == ZOP_BRA_OFS ? branchTarget(code, entry) : -1;
  if (in <= top || in >= static_cast<ZILLong>(end))
    return false;
  // No other branch from outside lands inside.
  for (size_t i : walk.branches) {
    if ((i >= t && i <= b) || i == t - 1)
      continue;
    const ZILLong target = branchTarget(code, list[i]);
    if (target >= top && target < static_cast<ZILLong>(end))
      return false;
  }

  if (walk.next < 0)
    walk.next = highestRegister(code) + 1;
  int next = walk.next;
  if (walk.targets.empty())
    walk.targets = ZCLBranchTargets(code);
  const std::vector<unsigned char>& targets = walk.targets;
  std::vector<Load> loads;
  std::map<ZILLong, int> registerOf;  // one register per constant
  for (size_t k = t; k <= b; k++) {
    const size_t pc = list[k].pos;
    if (code[pc] != ZOP_MOVEH_DH_R || code[pc + 2] <= 2)
      continue;
    Load load{pc, static_cast<int>(code[pc + 2]), code[pc + 1], {}};
    if (!followUses(code, list, targets, k, end, &load))
      continue;
    if (!registerOf.count(load.dh)) {
      if (next > 31)
        continue;
      registerOf[load.dh] = next++;
    }
    loads.push_back(std::move(load));
  }
  if (loads.empty())
    return false;

  // Reads move to the new registers, the loads in the loop go, and one load per constant
  // goes before the way in (deletions from the back, so earlier positions stay valid).
  for (const Load& load : loads)
    for (size_t pc : load.uses) {
      const ZILOpcodeInfo* info = ZILGetOpcodeInfo(code[pc]);
      size_t w = pc + 1;
      for (ZILLong i = 0; i < info->operandCount; i++) {
        const ZILLong kind = info->kinds[i];
        if ((kind == ZILK_R || kind == ZILK_RD || kind == ZILK_RR) && code[w] == load.reg)
          code[w] = registerOf[load.dh];
        if (kind == ZILK_RR && code[w + 1] == load.reg)
          code[w + 1] = registerOf[load.dh];
        w += (kind == ZILK_RD || kind == ZILK_RR || kind == ZILK_REGS) ? 2 : 1;
      }
    }
  for (auto it = loads.rbegin(); it != loads.rend(); ++it) {
    ZCLDeleteWords(code, it->at, 3);
    stats.removed++;
  }
  ZCLCode words;
  for (const auto& [dh, reg] : registerOf) {
    words.push_back(ZOP_MOVEH_DH_R);
    words.push_back(dh);
    words.push_back(reg);
    stats.written++;
  }
  ZCLInsertWords(code, entry.pos, words.data(), words.size());
  walk.next = next;
  return true;
}

// The function saves the new registers too: its range (entry and every restore) grows to the
// last of them, and the argument operands move past the added slots. Done once for all loops.
void saveNewRegisters(ZCLCode& code, int next) {
  const ZILLong oldCount = code[2];
  const ZILLong newCount = next - code[1];
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len)
    if ((code[pc] == ZOP_PUSHR_REGS || code[pc] == ZOP_POPR_REGS) && code[pc + 1] == code[1] &&
        code[pc + 2] == oldCount && (pc == 0 || code[pc] == ZOP_POPR_REGS))
      code[pc + 2] = newCount;
  ZCLShiftArgumentOperands(code, newCount - oldCount);
}

}  // namespace

ZILError ZCLPassHoistConstants(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  // Only a function that saves a range from r3 at entry and restores exactly that range.
  if (ZCLInstrLength(code, 0) == 0 || code[0] != ZOP_PUSHR_REGS || code[1] != 3)
    return ZCL_OK;
  for (size_t pc = 3, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len)
    if ((code[pc] == ZOP_PUSHR_REGS) ||
        (code[pc] == ZOP_POPR_REGS && (code[pc + 1] != code[1] || code[pc + 2] != code[2])))
      return ZCL_OK;
  // Loops from the last backward branch to the first, so an outer loop comes before the loops
  // inside it: its constants leave all of them at once. An edit moves only the code from the
  // loop's way in on, so the walk goes on with the instructions before that, unchanged.
  // Most functions have no loop that loads a constant: found without building anything.
  bool loop = false, load = false;
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0 && !(loop && load); pc += len) {
    loop = loop || (ZCLIsBranch(code[pc]) && code[pc + len - 1] < 0);
    load = load || code[pc] == ZOP_MOVEH_DH_R;
  }
  if (!loop || !load)
    return ZCL_OK;
  // The saved range and the argument operands are fixed once at the end: until then no step
  // looks at either.
  Walk walk;
  walk.refresh(code);
  bool hoisted = false;
  for (size_t k = walk.branches.size(); k-- > 0;) {
    const size_t b = walk.branches[k];
    const Instr& last = walk.list[b];
    const ZILLong top = branchTarget(code, last);
    if (top >= static_cast<ZILLong>(last.pos) || !hoistLoop(code, walk, b, stats))
      continue;
    hoisted = true;
    // Go on with the branches before the loop's way in (right before its top); the edit left
    // the instructions there where they were.
    while (k > 0 && static_cast<ZILLong>(walk.list[walk.branches[k - 1]].pos) >= top - 2)
      k--;
    if (k > 0)
      walk.refresh(code);
  }
  if (hoisted) {
    saveNewRegisters(code, walk.next);
    changed = true;
  }
  return ZCL_OK;
}
