// Two level-3 passes that spare a function its register saves. A temporary whose whole life is a
// few straight-line instructions without a call moves into r1, which the function need not save
// (calls replace it anyway); and when a function's first branch leaves it on a path that needs
// no saved register (`if (k < 2) return k;`), the saves move behind that path.
#include "zentra/compiler/zclopt.h"
#include "zilopcodes.h"

namespace {

constexpr int kMaxWindow = 12;  // instructions a temporary may live for to move into r1

// The last instruction of the life of the value that instruction i puts into register t: the
// read after which t is dead, reached on a straight path of at most kMaxWindow instructions that
// no branch enters, that names no r1 and calls nothing. 0 when there is none.
size_t lifeEnd(const ZCLCode& code, const ZCLLiveness& live, const std::vector<unsigned char>& targets, size_t i,
               int t) {
  const uint32_t bit = 1u << t;
  for (size_t k = i + 1; k < live.at.size() && k <= i + kMaxWindow; k++) {
    const size_t pc = live.at[k];
    const ZILLong op = code[pc];
    if (targets[pc] || ZCLLeavesFunction(op))
      return 0;
    const uint32_t reads = live.reads[k], replaces = live.replaces[k];
    if ((reads | replaces) & 2)
      return 0;
    if (replaces & bit)
      return 0;  // replaced before this value was read
    if ((reads & bit) && !(live.liveOut[k] & bit))
      return pc;
    if (ZCLIsBranch(op))
      return 0;
  }
  return 0;
}

struct Saves {
  size_t at = 0, length = 0;  // the prologue's words
  int first = 0, count = 0;   // a `pushr` range, or the single register of `push r`
};

// The restore of `saves` that starts at pc, or 0 words when there is none.
size_t restoreLength(const ZCLCode& code, size_t pc, const Saves& saves) {
  if (ZCLInstrLength(code, pc) == 0)
    return 0;
  if (saves.length == 3)
    return code[pc] == ZOP_POPR_REGS && code[pc + 1] == saves.first && code[pc + 2] == saves.count ? 3 : 0;
  return code[pc] == ZOP_POP_R && code[pc + 1] == saves.first ? 2 : 0;
}

// Whether the operands of the instruction at pc name none of the saved registers and address
// no stack slot but an argument's.
bool operandsUnsaved(const ZCLCode& code, size_t pc, const Saves& saves) {
  ZCLSlot s[4];
  const int n = ZCLDecode(code, pc, s);
  for (int i = 0; i < n; i++) {
    if (s[i].kind == ZILK_SD && s[i].a < kZCLArgumentBias / 2)
      return false;
    for (int r = saves.first; r < saves.first + saves.count; r++)
      if (s[i].mentions(r))
        return false;
  }
  return true;
}

// Whether the instruction at pc may run before the registers are saved: besides its operands,
// it moves no stack, calls nothing and branches nowhere.
bool runsUnsaved(const ZCLCode& code, size_t pc, const Saves& saves) {
  const ZILLong op = code[pc];
  if (ZCLLeavesFunction(op) || ZCLIsBranch(op) || op == ZOP_PUSH || op == ZOP_POP ||
      ZCLOpIn(op, ZOP_POP_R, ZOP_PUSH_SD) || ZCLOpIn(op, ZOP_POPM_IMM, ZOP_PUSHR_REGS))
    return false;
  return operandsUnsaved(code, pc, saves);
}

// Argument operands of the instruction at pc as they read with no saved register in between;
// they are final (no later pass moves them).
void unbiasUnsaved(ZCLCode& code, size_t pc, int savedCount) {
  const ZILOpcodeInfo* info = ZILGetOpcodeInfo(code[pc]);
  size_t w = pc + 1;
  for (ZILLong i = 0; i < info->operandCount; i++) {
    const ZILLong kind = info->kinds[i];
    if (kind == ZILK_SD)
      code[w] -= kZCLArgumentBias + savedCount;
    w += (kind == ZILK_RD || kind == ZILK_RR || kind == ZILK_REGS) ? 2 : 1;
  }
}

// One early exit after the saves at saves.at: `(unsaved code) test; (unsaved code); restore;
// ret` followed by the test's target. Moves the saves to that target and drops the exit's
// restore; returns where the saves are now, 0 when nothing fits.
size_t saveAfterEarlyExit(ZCLCode& code, const Saves& saves, ZCLOptStats& stats) {
  const size_t bodyStart = saves.at + saves.length;
  size_t b = bodyStart, len = 0;
  for (; (len = ZCLInstrLength(code, b)) != 0 && !ZCLIsBranch(code[b]); b += len)
    if (!runsUnsaved(code, b, saves))
      return 0;
  if (len == 0 || code[b] == ZOP_BRA_OFS || !operandsUnsaved(code, b, saves))
    return 0;
  const size_t exitStart = b + len;
  size_t restore = exitStart;
  for (; (len = ZCLInstrLength(code, restore)) != 0 && restoreLength(code, restore, saves) == 0; restore += len)
    if (!runsUnsaved(code, restore, saves))
      return 0;
  const size_t restoreLen = restoreLength(code, restore, saves);
  const size_t ret = restore + restoreLen;
  if (restoreLen == 0 || ZCLInstrLength(code, ret) == 0 || code[ret] != ZOP_RET)
    return 0;
  const size_t target = ret + 1;
  if (static_cast<ZILLong>(b) + code[b + ZCLInstrLength(code, b) - 1] != static_cast<ZILLong>(target))
    return 0;
  // Branches before the saves go at most to them; the test is the only one into the body's
  // start, and the body never branches back before it.
  for (size_t pc = 0, l; (l = ZCLInstrLength(code, pc)) != 0; pc += l) {
    if (!ZCLIsBranch(code[pc]) || pc == b)
      continue;
    const ZILLong to = static_cast<ZILLong>(pc) + code[pc + l - 1];
    if (pc < saves.at ? to > static_cast<ZILLong>(saves.at) : to <= static_cast<ZILLong>(target))
      return 0;
  }
  // New layout: before | test and exit without the restore | saves | body. Branches before the
  // saves keep their targets (the saves' place now holds the test's path); those in the body
  // move with their targets.
  for (size_t pc = bodyStart; pc < restore; pc += ZCLInstrLength(code, pc))
    unbiasUnsaved(code, pc, saves.count);
  ZCLCode out;
  const bool marks = code.tracksLines();
  auto take = [&](size_t from, size_t to) {
    out.insert(out.end(), code.begin() + static_cast<long>(from), code.begin() + static_cast<long>(to));
    if (marks)
      out.lines.insert(out.lines.end(), code.lines.begin() + static_cast<long>(from),
                       code.lines.begin() + static_cast<long>(to));
  };
  take(0, saves.at);
  take(bodyStart, restore);
  take(ret, ret + 1);
  const size_t newSaves = out.size();
  take(saves.at, bodyStart);
  take(target, code.size());
  const size_t newB = b - saves.length;
  out[newB + ZCLInstrLength(out, newB) - 1] = static_cast<ZILLong>(newSaves) - static_cast<ZILLong>(newB);
  static_cast<std::vector<ZILLong>&>(code).swap(out);
  code.lines.swap(out.lines);
  stats.removed++;
  return newSaves;
}

}  // namespace

ZILError ZCLPassScratchResult(ZCLCode& code, ZCLOptStats&, bool& changed) {
  // Renaming moves nothing, and changes no register's liveness outside the renamed stretches:
  // the liveness and the branch targets are found once. A stretch keeps r1 busy up to its last
  // read; the next one may start there.
  const ZCLLiveness live = ZCLComputeLiveness(code, true);
  std::vector<unsigned char> targets;
  size_t busyUntil = 0;
  for (size_t i = 0; i < live.at.size(); i++) {
    const size_t def = live.at[i];
    // A temporary replaced as a whole while r1 holds nothing needed.
    if (!(live.replaces[i] & ~7u) || def < busyUntil || (live.liveOut[i] & 2))
      continue;
    const int t = ZCLResultRegister(code, def);
    // Not a restore, not reading the old value; and a copy out of r1 stays (renamed it would
    // copy r1 onto itself).
    if (t < 3 || code[def] == ZOP_POP_R || (live.reads[i] & (1u << t)) ||
        ((live.reads[i] & 2) &&
         (ZCLOpIn(code[def], ZOP_MOVE_R_R, ZOP_MOVE_SD_SD) || ZCLOpIn(code[def], ZOP_COPY_R_R, ZOP_COPY_SD_SD))))
      continue;
    if (targets.empty())
      targets = ZCLBranchTargets(code);
    const size_t end = lifeEnd(code, live, targets, i, t);
    if (end == 0)
      continue;
    for (size_t pc = def; pc <= end; pc += ZCLInstrLength(code, pc))
      ZCLRenameRegister(code, pc, t, 1);
    busyUntil = end;
    changed = true;
  }
  return ZCL_OK;
}

ZILError ZCLPassSaveLate(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  if (ZCLInstrLength(code, 0) == 0)
    return ZCL_OK;
  Saves saves;
  if (code[0] == ZOP_PUSHR_REGS) {
    saves = {0, 3, static_cast<int>(code[1]), static_cast<int>(code[2])};
  } else if (code[0] == ZOP_PUSH_R && code[1] > 2 && code[1] < ZIL_REGISTER_COUNT &&
             (ZCLInstrLength(code, 2) == 0 || code[2] != ZOP_PUSH_R)) {
    saves = {0, 2, static_cast<int>(code[1]), 1};
  } else {
    return ZCL_OK;
  }
  if (saves.first < 3 || saves.count < 1 || saves.first + saves.count > ZIL_REGISTER_COUNT)
    return ZCL_OK;
  // Each early exit moves the saves further down.
  for (size_t at; (at = saveAfterEarlyExit(code, saves, stats)) != 0;) {
    saves.at = at;
    changed = true;
  }
  return ZCL_OK;
}
