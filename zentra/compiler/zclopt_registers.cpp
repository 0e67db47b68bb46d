// Register passes 7 and 8. A function saves the registers it uses at entry (`pushr` of a range,
// or a leading run of `push r`) and restores them before it leaves (`popr`, `pop r`). Pass 7
// renames a register onto a saved one whose value is no longer needed, so fewer distinct
// registers are written; pass 8 then drops every saved register that nothing writes.
#include "zentra/compiler/zclopt.h"
#include "zilopcodes.h"

namespace {

// The registers a function saves at entry and where its body starts.
struct Prologue {
  bool range = false;  // a `pushr` range, else a run of `push r`
  std::vector<int> saved;
  size_t bodyStart = 0;
};

Prologue findPrologue(const ZCLCode& code) {
  Prologue p;
  if (ZCLInstrLength(code, 0) != 0 && code[0] == ZOP_PUSHR_REGS) {
    p.range = true;
    for (ZILLong r = code[1]; r < code[1] + code[2] && r < ZIL_REGISTER_COUNT; r++)
      p.saved.push_back(static_cast<int>(r));
    p.bodyStart = 3;
    return p;
  }
  size_t pc = 0;
  for (size_t len; (len = ZCLInstrLength(code, pc)) != 0 && code[pc] == ZOP_PUSH_R && code[pc + 1] > 0 &&
                   code[pc + 1] < ZIL_REGISTER_COUNT;
       pc += len)
    p.saved.push_back(static_cast<int>(code[pc + 1]));
  p.bodyStart = pc;
  return p;
}

// A `pop r` right after a null `push` loads null into r (a write); other `pop r` of a saved
// register restore it.
bool loadsNull(const ZCLCode& code, size_t pc, size_t previous) {
  return code[pc] == ZOP_POP_R && previous != pc && code[previous] == ZOP_PUSH;
}

// Whether any operand in [from, end of code) names register r, ignoring the instructions
// `skip` accepts.
template <typename Skip>
bool mentionedFrom(const ZCLCode& code, size_t from, int r, Skip skip) {
  size_t previous = from;
  for (size_t pc = from, len; (len = ZCLInstrLength(code, pc)) != 0; previous = pc, pc += len) {
    if (!skip(pc, previous) && ZCLMentions(code, pc, r))
      return true;
  }
  return false;
}

// Rewrites every register operand r as s in [from, end), except in instructions `skip` accepts.
template <typename Skip>
void renameFrom(ZCLCode& code, size_t from, int r, int s, Skip skip) {
  size_t previous = from;
  for (size_t pc = from, len; (len = ZCLInstrLength(code, pc)) != 0; previous = pc, pc += len) {
    if (!skip(pc, previous))
      ZCLRenameRegister(code, pc, r, s);
  }
}

// A save of a register range in [from, end) that includes r (registers saved around a call).
bool savedAroundCall(const ZCLCode& code, size_t from, int r) {
  for (size_t pc = from, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len)
    if (code[pc] == ZOP_PUSHR_REGS && r >= code[pc + 1] && r < code[pc + 1] + code[pc + 2])
      return true;
  return false;
}

// A register that some instruction of [from, end) replaces as a whole. Restores of the saved
// registers (popr, and `pop r` of a push-saved register) do not count; calls replace r0 and r1.
bool writtenFrom(const ZCLCode& code, const Prologue& p, size_t from, int r) {
  size_t previous = from;
  for (size_t pc = from, len; (len = ZCLInstrLength(code, pc)) != 0; previous = pc, pc += len) {
    const ZILLong op = code[pc];
    if (r <= 1 && ZCLLeavesFunction(op))
      return true;
    if (ZCLResultRegister(code, pc) != r)
      continue;
    if (op == ZOP_POP_R && !p.range && !loadsNull(code, pc, previous))
      continue;
    return true;
  }
  return false;
}

}  // namespace

ZILError ZCLPassRegisterReuse(ZCLCode& code, ZCLOptStats&, bool& changed) {
  const Prologue p = findPrologue(code);
  if (p.saved.empty())
    return ZCL_OK;
  bool isSaved[ZIL_REGISTER_COUNT] = {}, written[ZIL_REGISTER_COUNT] = {};
  for (int s : p.saved)
    isSaved[s] = true;
  // Renaming moves no instruction, so the branches are found once.
  struct Branch {
    size_t at, target;
  };
  std::vector<Branch> branches;
  for (size_t q = 0, lq; (lq = ZCLInstrLength(code, q)) != 0; q += lq) {
    const ZILLong target = static_cast<ZILLong>(q) + code[q + lq - 1];
    if (ZCLIsBranch(code[q]) && target >= 0)
      branches.push_back({q, static_cast<size_t>(target)});
  }
  size_t previous = p.bodyStart;
  for (size_t pc = p.bodyStart, len; (len = ZCLInstrLength(code, pc)) != 0; previous = pc, pc += len) {
    const int r = ZCLResultRegister(code, pc);
    if (r <= 2 || r >= ZIL_REGISTER_COUNT || written[r])
      continue;
    if (code[pc] == ZOP_POP_R && isSaved[r] && !p.range && !loadsNull(code, pc, previous))
      continue;  // the restore of a push-saved register
    written[r] = true;
    if (savedAroundCall(code, pc, r))
      continue;
    // Paths that branch back before this instruction must not need r, nor the old s.
    auto neededBack = [&](int reg) {
      for (const Branch& b : branches)
        if (b.at >= pc && b.target < pc && ZCLRegisterLiveAt(code, b.target, reg))
          return true;
      return false;
    };
    if (neededBack(r))
      continue;
    for (int s : p.saved) {
      // r0 to r2 have fixed roles that calls use without naming them.
      if (s <= 2 || s == r || !written[s])
        continue;
      // s may still be restored from the stack at the end, nothing else.
      const bool used = mentionedFrom(code, pc, s, [&](size_t q, size_t prev) {
        return code[q] == ZOP_POPR_REGS || (code[q] == ZOP_POP_R && code[q + 1] == s && !loadsNull(code, q, prev));
      });
      if (used || neededBack(s))
        continue;
      // A push-saved r keeps its own restore.
      renameFrom(code, pc, r, s, [&](size_t q, size_t prev) {
        return code[q] == ZOP_POP_R && isSaved[r] && !p.range && !loadsNull(code, q, prev);
      });
      written[r] = false;
      changed = true;
      break;
    }
  }
  return ZCL_OK;
}

ZILError ZCLPassTrimSaves(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  const Prologue p = findPrologue(code);
  if (p.saved.empty())
    return ZCL_OK;
  if (!p.range) {
    // A leading run of `push r`: drop each save whose register nothing writes, with its
    // restores. A register also saved later in the body (around a call) stays.
    for (auto it = p.saved.rbegin(); it != p.saved.rend(); ++it) {
      const int r = *it;
      const Prologue now = findPrologue(code);
      if (writtenFrom(code, now, now.bodyStart, r) ||
          mentionedFrom(code, now.bodyStart, r, [&](size_t q, size_t) { return code[q] != ZOP_PUSH_R; }))
        continue;
      size_t pushAt = 0;
      while (pushAt < now.bodyStart && code[pushAt + 1] != r)
        pushAt += 2;
      if (pushAt >= now.bodyStart)
        continue;
      ZCLDeleteWords(code, pushAt, 2);
      ZCLShiftArgumentOperands(code, -1);  // one saved slot less
      stats.removed++;
      for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0;) {
        if (code[pc] == ZOP_POP_R && code[pc + 1] == r) {
          ZCLDeleteWords(code, pc, len);
          stats.removed++;
          continue;
        }
        pc += len;
      }
      changed = true;
    }
    return ZCL_OK;
  }

  const int first = p.saved.front();
  int last = p.saved.back();
  // Another save of an overlapping range in the body would no longer match its restores.
  for (size_t pc = 3, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len) {
    const ZILLong op = code[pc];
    if (op == ZOP_PUSHR_REGS && code[pc + 1] <= last && code[pc + 1] + code[pc + 2] > first)
      return ZCL_OK;
    if (op == ZOP_POPR_REGS && code[pc + 1] <= last && code[pc + 1] + code[pc + 2] > first &&
        (code[pc + 1] != first || code[pc + 2] != last - first + 1))
      return ZCL_OK;
  }
  // The registers the body replaces, found in one walk (see writtenFrom).
  uint32_t written = 0;
  for (size_t pc = 3, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len) {
    if (ZCLLeavesFunction(code[pc]))
      written |= 3;
    const int r = ZCLResultRegister(code, pc);
    if (r >= 0 && r < ZIL_REGISTER_COUNT)
      written |= 1u << r;
  }
  // Each free number is taken by the last register of the range, so the range stays
  // contiguous; the renames are planned first and written in one walk.
  int nameOf[ZIL_REGISTER_COUNT];
  for (int r = 0; r < ZIL_REGISTER_COUNT; r++)
    nameOf[r] = r;
  for (int r = last; r >= first; r--) {
    if (written & (1u << r))
      continue;
    if (r != last) {
      for (int& name : nameOf)
        name = name == last ? r : name;
      if (written & (1u << last))
        written = (written & ~(1u << last)) | (1u << r);
    }
    last--;
  }
  if (last == p.saved.back())
    return ZCL_OK;
  changed = true;
  for (size_t pc = 3, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len)
    if (code[pc] != ZOP_POPR_REGS)
      ZCLRenameRegisters(code, pc, nameOf);
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len)
    if ((pc == 0 || code[pc] == ZOP_POPR_REGS) && code[pc + 1] == first)
      code[pc + 2] = last - first + 1;
  ZCLShiftArgumentOperands(code, -(p.saved.back() - last));  // that many saved slots less
  if (last == p.saved.back())
    return ZCL_OK;
  const int count = last - first + 1;
  if (count >= 2)
    return ZCL_OK;
  // One register left: push r / pop r; none: the save and its restores go.
  const ZILLong save[2] = {ZOP_PUSH_R, first};
  ZCLReplaceWords(code, 0, 3, save, count == 1 ? 2 : 0);
  stats.removed++;
  stats.written += count;
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0;) {
    if (code[pc] != ZOP_POPR_REGS || code[pc + 1] != first || code[pc + 2] != count) {
      pc += len;
      continue;
    }
    const ZILLong restore[2] = {ZOP_POP_R, first};
    ZCLReplaceWords(code, pc, len, restore, count == 1 ? 2 : 0);
    stats.removed++;
    stats.written += count;
    pc += count == 1 ? 2 : 0;
  }
  return ZCL_OK;
}
