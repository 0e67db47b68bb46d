// Peephole passes 1 to 6: merging stack pushes and pops, folding a load into the move, copy,
// arithmetic or compare that consumes it, and writing a commutative result straight back into
// its source slot. A fold never joins an instruction with a following branch target, and never
// drops a register load whose value some later instruction (on any path) still reads.
#include "zentra/compiler/zclopt.h"
#include "zilopcodes.h"

namespace {

bool isRegisterLoad(ZILLong op) {
  return op == ZOP_MOVE_R_R || op == ZOP_MOVE_RD_R || op == ZOP_MOVE_RR_R || op == ZOP_MOVE_SD_R;
}

bool isMove(ZILLong op) { return op >= ZOP_MOVE_R_R && op <= ZOP_MOVE_SD_SD; }
bool isCopy(ZILLong op) { return op >= ZOP_COPY_R_R && op <= ZOP_COPY_SD_SD; }
bool isWref(ZILLong op) { return op >= ZOP_WREF_R_R && op <= ZOP_WREF_SD_SD; }

// Registers with fixed roles (this, result, global object) are never folded away.
constexpr int kFirstTemporary = 3;

// The register's value is not needed after the instruction at pos.
bool deadAfter(const ZCLCode& code, size_t pos, int r) {
  return ZCLResultRegister(code, pos) == r || !ZCLRegisterLiveAfter(code, pos, r);
}

// The branch targets of a function, found when first asked for (most walks never need them)
// and kept right, with the branches' addresses, across the edits made through replace().
class TargetCache {
 public:
  explicit TargetCache(const ZCLCode& code) : code_(code) {}
  bool operator()(size_t pos) {
    if (!valid_) {
      targets_ = ZCLBranchTargets(code_);
      branches_ = ZCLBranches(code_);
      valid_ = true;
    }
    return pos < targets_.size() && targets_[pos];
  }
  // ZCLReplaceWords, with the flags moved as the edit moves the branches: a target inside the
  // replaced words lands on the first word after them, the first word keeps its flag.
  void replace(ZCLCode& code, size_t pos, size_t n, const ZILLong* words, size_t m) {
    if (!valid_) {
      ZCLReplaceWords(code, pos, n, words, m);
      return;
    }
    ZCLReplaceWordsAmong(code, pos, n, words, m, branches_);
    const unsigned char first = n > 0 ? targets_[pos] : 0;
    unsigned char inside = 0;
    for (size_t i = pos + 1; i < pos + n; i++)
      inside |= targets_[i];
    targets_.erase(targets_.begin() + static_cast<long>(pos), targets_.begin() + static_cast<long>(pos + n));
    targets_.insert(targets_.begin() + static_cast<long>(pos), m, 0);
    targets_[pos + m] |= inside;
    targets_[pos] |= first;
  }

 private:
  const ZCLCode& code_;
  std::vector<unsigned char> targets_;
  std::vector<size_t> branches_;
  bool valid_ = false;
};

// Replaces the words [pos, end) by one instruction.
void replaceBy(ZCLCode& code, TargetCache& isTarget, size_t pos, size_t end, ZILLong opcode, const ZCLSlot* slots,
               int count) {
  ZCLCode words;
  ZCLEncode(words, opcode, slots, count);
  isTarget.replace(code, pos, end - pos, words.data(), words.size());
}

// Walks instruction pairs (a, b); `fold(a, b, isTarget)` checks its pattern, asks isTarget
// last (a fold never joins an instruction with a following branch target) and returns true
// after it edited the code at a (the walk goes on from a).
template <typename Fold>
void walkPairs(ZCLCode& code, bool& changed, Fold fold) {
  TargetCache isTarget(code);
  size_t a = 0, la = 0;
  while ((la = ZCLInstrLength(code, a)) != 0) {
    size_t b = a + la;
    if (ZCLInstrLength(code, b) != 0 && fold(a, b, isTarget)) {
      changed = true;
      continue;
    }
    a = b;
  }
}

}  // namespace

ZILError ZCLPassMergePushPop(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  TargetCache isTarget(code);
  size_t pc = 0, len = 0;
  while ((len = ZCLInstrLength(code, pc)) != 0) {
    const ZILLong op = code[pc];
    const bool push = op == ZOP_PUSH || op == ZOP_PUSHM_IMM;
    const bool pop = op == ZOP_POP || op == ZOP_POPM_IMM;
    if (!push && !pop) {
      pc += len;
      continue;
    }
    const ZILLong single = push ? ZOP_PUSH : ZOP_POP, multi = push ? ZOP_PUSHM_IMM : ZOP_POPM_IMM;
    ZILLong total = 0;
    int count = 0;
    size_t end = pc;
    for (size_t l; (l = ZCLInstrLength(code, end)) != 0 && (code[end] == single || code[end] == multi) &&
                   (end == pc || !isTarget(end));
         end += l) {
      total += code[end] == single ? 1 : code[end + 1];
      count++;
    }
    if (count >= 2) {
      const ZILLong words[2] = {multi, total};
      isTarget.replace(code, pc, end - pc, words, 2);
      stats.removed += count;
      stats.written += 1;
      changed = true;
      pc += 2;
    } else {
      pc = end;
    }
  }
  return ZCL_OK;
}

ZILError ZCLPassLoadMove(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  walkPairs(code, changed, [&](size_t a, size_t b, TargetCache& isTarget) {
    const ZILLong opA = code[a], opB = code[b];
    const bool loadA = isRegisterLoad(opA) || opA == ZOP_MOVEH_DH_R || opA == ZOP_COPYH_DH_R ||
                       (isCopy(opA) && ZCLResultRegister(code, a) >= 0);
    if (!loadA || !(isMove(opB) || isCopy(opB) || isWref(opB)))
      return false;
    ZCLSlot sa[4], sb[4];
    ZCLDecode(code, a, sa);
    ZCLDecode(code, b, sb);
    const int rT = static_cast<int>(sa[1].a);
    if (sa[1].kind != ZILK_R || rT < kFirstTemporary || sb[0].kind != ZILK_R || sb[0].a != rT || sb[1].mentions(rT) ||
        isTarget(b) || !deadAfter(code, b, rT))
      return false;
    ZCLSlot out[2] = {sa[0], sb[1]};
    ZILLong op = -1;
    if (isRegisterLoad(opA))
      op = ZCLFormFor(opB, out, 2);  // move X, D / copy X, D / wref X, D
    else if (opA == ZOP_MOVEH_DH_R)
      op = isMove(opB) ? ZCLFormFor(ZOP_MOVEH_DH_R, out, 2) : isCopy(opB) ? ZCLFormFor(ZOP_COPYH_DH_R, out, 2) : -1;
    else if (isMove(opB) || isCopy(opB))
      op = ZCLFormFor(opA, out, 2);  // copy X, D / copyh dh, D (a copy of a fresh copy is a copy)
    if (op < 0)
      return false;
    const size_t end = b + ZCLInstrLength(code, b);
    stats.removed += 2;
    if (op == ZOP_MOVE_R_R && out[0].a == out[1].a) {
      isTarget.replace(code, a, end - a, nullptr, 0);  // a register moved onto itself
    } else {
      replaceBy(code, isTarget, a, end, op, out, 2);
      stats.written += 1;
    }
    return true;
  });
  return ZCL_OK;
}

ZILError ZCLPassSelfCopy(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  TargetCache isTarget(code);
  for (size_t a = 0, la; (la = ZCLInstrLength(code, a)) != 0; a += la) {
    const ZILLong op = code[a];
    if (op != ZOP_MOVEH_DH_R && !isRegisterLoad(op))
      continue;
    const int r = ZCLResultRegister(code, a);
    // The next instruction that touches r, on the straight path from the load.
    size_t q = a + la, lq = 0;
    bool found = false;
    while ((lq = ZCLInstrLength(code, q)) != 0 && !isTarget(q)) {
      const ZILLong opQ = code[q];
      if (ZCLMentions(code, q, r)) {
        found = opQ == ZOP_COPY_R_R && code[q + 1] == r && code[q + 2] == r;
        break;
      }
      if (ZCLIsBranch(opQ) || ZCLLeavesFunction(opQ))
        break;
      q += lq;
    }
    if (!found)
      continue;
    isTarget.replace(code, q, lq, nullptr, 0);
    code[a] = op == ZOP_MOVEH_DH_R ? ZOP_COPYH_DH_R : op + (ZOP_COPY_R_R - ZOP_MOVE_R_R);
    stats.removed += 2;
    stats.written += 1;
    changed = true;
  }
  return ZCL_OK;
}

namespace {

// The arithmetic families whose register-source forms take a folded load.
bool foldableArithmetic(ZILLong op, bool* twoRegistersOnly) {
  static const ZILLong kFamilies[] = {ZOP_ADD_R_R,  ZOP_SUB_R_R,  ZOP_MUL_R_R,  ZOP_DIV_R_R,  ZOP_MOD_R_R,
                                      ZOP_ADDL_R_R, ZOP_SUBL_R_R, ZOP_MULL_R_R, ZOP_DIVL_R_R, ZOP_MODL_R_R,
                                      ZOP_ADDF_R_R, ZOP_SUBF_R_R, ZOP_MULF_R_R, ZOP_DIVF_R_R, ZOP_MODF_R_R};
  for (ZILLong first : kFamilies)
    if (op >= first && op <= first + 3) {
      *twoRegistersOnly = false;
      return true;
    }
  *twoRegistersOnly = true;
  return op == ZOP_STRADD_R_R || op == ZOP_ARRCP_R_R || op == ZOP_ARRMV_R_R;
}

bool registerCompare(ZILLong op) {
  static const ZILLong kFirst[] = {ZOP_CSEQ_R_R_R,  ZOP_CSNE_R_R_R,  ZOP_CSGT_R_R_R,  ZOP_CSGE_R_R_R,  ZOP_CSLT_R_R_R,
                                   ZOP_CSLE_R_R_R,  ZOP_STREQ_R_R_R, ZOP_STRNE_R_R_R, ZOP_CSEQL_R_R_R, ZOP_CSNEL_R_R_R,
                                   ZOP_CSGTL_R_R_R, ZOP_CSGEL_R_R_R, ZOP_CSLTL_R_R_R, ZOP_CSLEL_R_R_R, ZOP_CSEQF_R_R_R,
                                   ZOP_CSNEF_R_R_R, ZOP_CSGTF_R_R_R, ZOP_CSGEF_R_R_R, ZOP_CSLTF_R_R_R, ZOP_CSLEF_R_R_R};
  for (ZILLong first : kFirst)
    if (op == first)
      return true;
  return false;
}

// Commutative operations whose result may go straight into the source slot. Only the int and
// float forms: an int or float variable always owns its handle, while the generic forms (add,
// mul, and, or, xor) also serve `var` slots, which may share their handle with another
// variable that an in-place change would alter too.
bool commutative(ZILLong op) {
  static const ZILLong kFamilies[] = {ZOP_ADDL_R_R, ZOP_MULL_R_R, ZOP_ADDF_R_R, ZOP_MULF_R_R};
  for (ZILLong first : kFamilies)
    if (op >= first && op <= first + 6)
      return true;
  return false;
}

}  // namespace

ZILError ZCLPassLoadUse(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  walkPairs(code, changed, [&](size_t a, size_t b, TargetCache& isTarget) {
    bool twoRegisters = false;
    if (!foldableArithmetic(code[b], &twoRegisters))
      return false;
    // A copy into the temporary folds too when the operation only reads it as a number:
    // reading a fresh copy and reading the original give the same value.
    const bool copyLoad = !twoRegisters && (code[a] == ZOP_COPY_R_R || code[a] == ZOP_COPY_RD_R ||
                                            code[a] == ZOP_COPY_RR_R || code[a] == ZOP_COPY_SD_R);
    if (!isRegisterLoad(code[a]) && !copyLoad)
      return false;
    ZCLSlot sa[4], sb[4];
    ZCLDecode(code, a, sa);
    ZCLDecode(code, b, sb);
    const int rT = static_cast<int>(sa[1].a);
    if (rT < kFirstTemporary || sb[0].kind != ZILK_R || sb[0].a != rT || sb[1].mentions(rT) ||
        (twoRegisters && sb[1].kind != ZILK_R) || isTarget(b) || !deadAfter(code, b, rT))
      return false;
    ZCLSlot out[2] = {sa[0], sb[1]};
    const ZILLong op = ZCLFormFor(code[b], out, 2);
    if (op < 0)
      return false;
    replaceBy(code, isTarget, a, b + ZCLInstrLength(code, b), op, out, 2);
    stats.removed += 2;
    stats.written += 1;
    return true;
  });
  return ZCL_OK;
}

ZILError ZCLPassCompare(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  walkPairs(code, changed, [&](size_t a, size_t b, TargetCache& isTarget) {
    const size_t c = b + ZCLInstrLength(code, b);
    const ZILLong opA = code[a], opB = code[b];
    const bool loadA = opA == ZOP_MOVEH_DH_R || isRegisterLoad(opA);
    const bool loadB = opB == ZOP_MOVEH_DH_R || isRegisterLoad(opB);
    if (!loadA || !loadB || ZCLInstrLength(code, c) == 0 || !registerCompare(code[c]))
      return false;
    ZCLSlot sa[4], sb[4], sc[4];
    ZCLDecode(code, a, sa);
    ZCLDecode(code, b, sb);
    ZCLDecode(code, c, sc);
    const int rA = static_cast<int>(sa[1].a), rB = static_cast<int>(sb[1].a);
    // The two loads feed the two compared operands, in either order: the later load may be
    // the first operand (a left operand loaded last) or the second (a constant loaded early).
    const bool bFirst = sc[0].a == rB && sc[1].a == rA;
    if (rA < kFirstTemporary || rB < kFirstTemporary || rA == rB || !(bFirst || (sc[0].a == rA && sc[1].a == rB)) ||
        isTarget(b) || isTarget(c))
      return false;
    const int posA = bFirst ? 1 : 0, posB = bFirst ? 0 : 1;
    const size_t end = c + ZCLInstrLength(code, c);
    ZCLCode words;
    ZCLSlot out[3] = {sc[0], sc[1], sc[2]};
    if (isRegisterLoad(opB)) {
      // B's source goes into the compare; A stays.
      out[posB] = sb[0];
      const ZILLong op = ZCLFormFor(code[c], out, 3);
      if (op < 0 || sb[0].mentions(rA) || !deadAfter(code, c, rB))
        return false;
      words.assign(code.begin() + static_cast<long>(a), code.begin() + static_cast<long>(b));
      ZCLEncode(words, op, out, 3);
    } else if (isRegisterLoad(opA)) {
      // A's source goes into the compare; B stays.
      out[posA] = sa[0];
      const ZILLong op = ZCLFormFor(code[c], out, 3);
      if (op < 0 || sa[0].mentions(rB) || !deadAfter(code, c, rA))
        return false;
      words.assign(code.begin() + static_cast<long>(b), code.begin() + static_cast<long>(c));
      ZCLEncode(words, op, out, 3);
    } else {
      return false;  // two constants
    }
    isTarget.replace(code, a, end - a, words.data(), words.size());
    stats.removed += 3;
    stats.written += 2;
    return true;
  });
  return ZCL_OK;
}

ZILError ZCLPassWriteBack(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  walkPairs(code, changed, [&](size_t a, size_t b, TargetCache& isTarget) {
    if (!commutative(code[a]) || !isMove(code[b]))
      return false;
    ZCLSlot sa[4], sb[4];
    ZCLDecode(code, a, sa);
    ZCLDecode(code, b, sb);
    const int rT = static_cast<int>(sa[1].a);
    if (sa[1].kind != ZILK_R || rT < kFirstTemporary || sa[0].mentions(rT) || sb[0].kind != ZILK_R || sb[0].a != rT ||
        !(sb[1] == sa[0]) || isTarget(b) || !deadAfter(code, b, rT))
      return false;
    ZCLSlot out[2] = {sa[1], sa[0]};
    const ZILLong op = ZCLFormFor(code[a], out, 2);
    if (op < 0)
      return false;
    replaceBy(code, isTarget, a, b + ZCLInstrLength(code, b), op, out, 2);
    stats.removed += 2;
    stats.written += 1;
    return true;
  });
  return ZCL_OK;
}
