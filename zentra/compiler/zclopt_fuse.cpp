// Level 3, last: the instructions beyond the base set. Three-address arithmetic takes the copy
// in front of an int or float operation into the operation, and an int compare whose result only
// the following test reads becomes one compare-and-branch. Liveness counts a call as replacing
// r1, not reading it: arguments go on the stack and the call returns its value in r1.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "zentra/compiler/zclopt.h"
#include "zilopcodes.h"

namespace {

// The int and float operations on two registers and their three-address forms.
struct ThreeAddress {
  ZILLong twoOperand, threeOperand;
  bool divides;  // may fail (division by zero)
};
constexpr ThreeAddress kThreeAddress[] = {
    {ZOP_ADDL_R_R, ZOP_ADDL3_R_R_R, false}, {ZOP_SUBL_R_R, ZOP_SUBL3_R_R_R, false},
    {ZOP_MULL_R_R, ZOP_MULL3_R_R_R, false}, {ZOP_DIVL_R_R, ZOP_DIVL3_R_R_R, true},
    {ZOP_MODL_R_R, ZOP_MODL3_R_R_R, true},  {ZOP_ADDF_R_R, ZOP_ADDF3_R_R_R, false},
    {ZOP_SUBF_R_R, ZOP_SUBF3_R_R_R, false}, {ZOP_MULF_R_R, ZOP_MULF3_R_R_R, false},
    {ZOP_DIVF_R_R, ZOP_DIVF3_R_R_R, true},  {ZOP_MODF_R_R, ZOP_MODF3_R_R_R, true},
};

const ThreeAddress* threeAddressOf(ZILLong op) {
  for (const ThreeAddress& t : kThreeAddress)
    if (t.twoOperand == op)
      return &t;
  return nullptr;
}

// An int compare family: its first form, the branch taken when it holds and when it fails.
struct CompareBranch {
  ZILLong compare, whenTrue, whenFalse;
};
constexpr CompareBranch kCompareBranch[] = {
    {ZOP_CSEQL_R_R_R, ZOP_BEQL_R_R_OFS, ZOP_BNEL_R_R_OFS}, {ZOP_CSNEL_R_R_R, ZOP_BNEL_R_R_OFS, ZOP_BEQL_R_R_OFS},
    {ZOP_CSGTL_R_R_R, ZOP_BGTL_R_R_OFS, ZOP_BLEL_R_R_OFS}, {ZOP_CSGEL_R_R_R, ZOP_BGEL_R_R_OFS, ZOP_BLTL_R_R_OFS},
    {ZOP_CSLTL_R_R_R, ZOP_BLTL_R_R_OFS, ZOP_BGEL_R_R_OFS}, {ZOP_CSLEL_R_R_R, ZOP_BLEL_R_R_OFS, ZOP_BGTL_R_R_OFS},
};
// The forms of an int compare family lie together in the table, R_R_R first and SD_R_R last.
constexpr ZILLong kCompareForms = ZOP_CSLTL_SD_R_R - ZOP_CSLTL_R_R_R + 1;

const CompareBranch* compareBranchOf(ZILLong op) {
  for (const CompareBranch& c : kCompareBranch)
    if (op >= c.compare && op < c.compare + kCompareForms)
      return &c;
  return nullptr;
}

bool isTest(ZILLong op) { return op == ZOP_TSTNE_R_OFS || op == ZOP_TSTEQ_R_OFS; }

// Replaces the words [pos, end) by one instruction; a branch among them names its target by
// absolute address, which is turned into the offset the instruction has after the edit.
void replaceBy(ZCLCode& code, size_t pos, size_t end, std::initializer_list<ZILLong> words, ZILLong target = -1) {
  std::vector<ZILLong> w(words);
  if (target >= 0) {
    const ZILLong delta = static_cast<ZILLong>(w.size()) - static_cast<ZILLong>(end - pos);
    w.back() = (target >= static_cast<ZILLong>(end) ? target + delta : target) - static_cast<ZILLong>(pos);
  }
  ZCLReplaceWords(code, pos, end - pos, w.data(), w.size());
}

}  // namespace

// `copy rA, rT; op rB, rT` becomes `op3 rA, rB, rT`, and `op rB, rT; copy rT, rX` becomes
// `op3 rT, rB, rX` when rT is not read afterwards or the next instruction is again an operation
// on rT (which then reads rX instead). A division may fail after the copy and leave rT changed,
// so it is only taken in when rT is r1, whose value a failure makes meaningless anyway.
ZILError ZCLPassThreeAddress(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  std::vector<unsigned char> targets = ZCLBranchTargets(code);
  for (size_t p = 0, lp; (lp = ZCLInstrLength(code, p)) != 0; p += lp) {
    const size_t q = p + lp;
    const size_t lq = ZCLInstrLength(code, q);
    if (lq == 0 || targets[q])
      continue;
    const ThreeAddress* second = threeAddressOf(code[q]);
    if (code[p] == ZOP_COPY_R_R && second && code[q + 2] == code[p + 2] && (!second->divides || code[p + 2] == 1)) {
      const ZILLong rA = code[p + 1], rT = code[p + 2], rB = code[q + 1];
      replaceBy(code, p, q + lq, {second->threeOperand, rA, rB == rT ? rA : rB, rT});
    } else if (const ThreeAddress* first = threeAddressOf(code[p]);
               first && code[q] == ZOP_COPY_R_R && code[q + 1] == code[p + 2] && code[q + 2] != code[p + 2]) {
      const ZILLong rB = code[p + 1], rT = code[p + 2], rX = code[q + 2];
      if (!ZCLRegisterLiveAfter(code, q, static_cast<int>(rT), true)) {
        replaceBy(code, p, q + lq, {first->threeOperand, rT, rB, rX});
      } else {
        const size_t r = q + lq;
        const size_t lr = ZCLInstrLength(code, r);
        const ThreeAddress* third = lr ? threeAddressOf(code[r]) : nullptr;
        if (!third || targets[r] || code[r + 2] != rT || (third->divides && rT != 1))
          continue;
        const ZILLong rC = code[r + 1] == rT ? rX : code[r + 1];
        const ZILLong words[] = {first->threeOperand, rT, rB, rX, third->threeOperand, rX, rC, rT};
        ZCLReplaceWords(code, p, r + lr - p, words, 8);
        stats.removed += 3;
        stats.written += 2;
        changed = true;
        targets = ZCLBranchTargets(code);
        lp = ZCLInstrLength(code, p);
        continue;
      }
    } else {
      continue;
    }
    stats.removed += 2;
    stats.written += 1;
    changed = true;
    targets = ZCLBranchTargets(code);
    lp = ZCLInstrLength(code, p);
  }
  return ZCL_OK;
}

// `csxxl a, b, rT; tstne rT, to L` becomes `bxxl a, b, to L` (the opposite branch for tsteq)
// when rT is not read afterwards; an int constant loaded into a just before, and read nowhere
// else, becomes the branch's immediate.
ZILError ZCLPassCompareBranch(ZCLCode& code, ZCLOptStats& stats, bool& changed, const ZCLIntConstant& intConstant) {
  std::vector<unsigned char> targets = ZCLBranchTargets(code);
  size_t previous = SIZE_MAX;  // the instruction before p
  for (size_t p = 0, lp; (lp = ZCLInstrLength(code, p)) != 0; previous = p, p += lp) {
    const CompareBranch* cb = compareBranchOf(code[p]);
    const size_t q = p + lp;
    const size_t lq = cb ? ZCLInstrLength(code, q) : 0;
    if (lq == 0 || !isTest(code[q]) || targets[q])
      continue;
    ZCLSlot s[4];
    ZCLDecode(code, p, s);
    const int rT = static_cast<int>(s[2].a);
    const bool kindsFit =
        (s[0].kind == ZILK_R || s[0].kind == ZILK_SD) && (s[1].kind == ZILK_R || s[1].kind == ZILK_SD);
    if (!kindsFit || code[q + 1] != rT || ZCLRegisterLiveAfter(code, q, rT, true))
      continue;
    const ZILLong branch = code[q] == ZOP_TSTNE_R_OFS ? cb->whenTrue : cb->whenFalse;
    const ZILLong target = static_cast<ZILLong>(q) + code[q + lq - 1];
    // The immediate form: `moveh int k, rC` right before, rC the compare's first operand only.
    ZILLong k = 0;
    if (previous != SIZE_MAX && code[previous] == ZOP_MOVEH_DH_R && !targets[p] && s[0].kind == ZILK_R &&
        code[previous + 2] == s[0].a && !s[1].mentions(static_cast<int>(s[0].a)) &&
        intConstant(code[previous + 1], &k) &&
        (s[0].a == rT || !ZCLRegisterLiveAfter(code, q, static_cast<int>(s[0].a), true))) {
      const int kinds[3] = {ZILK_IMM, s[1].kind, ZILK_OFS};
      const ZILLong op = ZCLFindForm(branch, kinds, 3);
      if (op >= 0) {
        replaceBy(code, previous, q + lq, {op, k, s[1].a, 0}, target);
        stats.removed += 3;
        stats.written += 1;
        changed = true;
        targets = ZCLBranchTargets(code);
        p = previous;
        lp = ZCLInstrLength(code, p);
        continue;
      }
    }
    const int kinds[3] = {s[0].kind, s[1].kind, ZILK_OFS};
    const ZILLong op = ZCLFindForm(branch, kinds, 3);
    if (op < 0)
      continue;
    replaceBy(code, p, q + lq, {op, s[0].a, s[1].a, 0}, target);
    stats.removed += 2;
    stats.written += 1;
    changed = true;
    targets = ZCLBranchTargets(code);
    lp = ZCLInstrLength(code, p);
  }
  return ZCL_OK;
}

// A counted loop as the generator lays it out:
//   E: bra to C;  B: body ...;  I: incl ri;  C: bltl a, ri, to B;  X: ...
// with no other branch to C. The entry tests instead (`bgel a, ri, to X`, into the body when the
// loop runs at all), which leaves C reached only from I, so the step and the test become one
// instruction at I (`ibltl a, ri, to B`; `blel` gives `iblel`). A `continue` branches to I and
// still steps; a `break` to X.
ZILError ZCLPassLoopStep(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  struct Step {
    ZILLong test, entry, fused;  // the loop's test (R_R form), the entry's opposite test, the step
  };
  constexpr Step kSteps[] = {{ZOP_BLTL_R_R_OFS, ZOP_BGEL_R_R_OFS, ZOP_IBLTL_R_R_OFS},
                             {ZOP_BLEL_R_R_OFS, ZOP_BGTL_R_R_OFS, ZOP_IBLEL_R_R_OFS}};
  for (size_t e = 0, le; (le = ZCLInstrLength(code, e)) != 0; e += le) {
    if (code[e] != ZOP_BRA_OFS || code[e + 1] <= 0)
      continue;
    const size_t c = e + static_cast<size_t>(code[e + 1]);
    const size_t lc = ZCLInstrLength(code, c);
    if (lc == 0 || !ZCLIsBranch(code[c]))
      continue;
    ZCLSlot s[4];
    if (ZCLDecode(code, c, s) != 3 || s[1].kind != ZILK_R || s[0].mentions(static_cast<int>(s[1].a)) ||
        static_cast<ZILLong>(c) + s[2].a != static_cast<ZILLong>(e + le))
      continue;
    const Step* step = nullptr;
    for (const Step& k : kSteps)
      if (ZCLFormFor(k.test, s, 3) == code[c])
        step = &k;
    // The instruction before C, and every branch to C.
    size_t i = SIZE_MAX, branchesToC = 0;
    for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len) {
      if (pc + len == c)
        i = pc;
      if (ZCLIsBranch(code[pc]) && static_cast<ZILLong>(pc) + code[pc + len - 1] == static_cast<ZILLong>(c))
        branchesToC++;
    }
    if (!step || i == SIZE_MAX || i <= e || code[i] != ZOP_INCL_R || code[i + 1] != s[1].a || branchesToC != 1)
      continue;
    const ZILLong entry = ZCLFormFor(step->entry, s, 3), fused = ZCLFormFor(step->fused, s, 3);
    if (entry < 0 || fused < 0)
      continue;
    replaceBy(code, e, e + le, {entry, s[0].a, s[1].a, 0}, static_cast<ZILLong>(c + lc));
    const size_t grown = 4 - le, body = e + 4;
    replaceBy(code, i + grown, c + grown + lc, {fused, s[0].a, s[1].a, 0}, static_cast<ZILLong>(body));
    stats.removed += 3;
    stats.written += 2;
    changed = true;
    le = 4;
  }
  return ZCL_OK;
}

// `mulf3 ra, rb, rt; addf rc, rt` becomes `madf3 ra, rb, rc, rt`, and `mulf3 ra, rb, rt;
// addf rt, rd` with rt not read afterwards becomes `madf3 ra, rb, rd, rd` (float addition is
// commutative, so rd + t and t + rd are the same number).
ZILError ZCLPassMultiplyAdd(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  std::vector<unsigned char> targets = ZCLBranchTargets(code);
  for (size_t p = 0, lp; (lp = ZCLInstrLength(code, p)) != 0; p += lp) {
    const size_t q = p + lp;
    const size_t lq = ZCLInstrLength(code, q);
    if (code[p] != ZOP_MULF3_R_R_R || lq == 0 || targets[q] || code[q] != ZOP_ADDF_R_R)
      continue;
    const ZILLong ra = code[p + 1], rb = code[p + 2], rt = code[p + 3], source = code[q + 1], dest = code[q + 2];
    ZILLong rc = -1, rd = -1;
    if (dest == rt && source != rt) {
      rc = source;
      rd = rt;
    } else if (source == rt && dest != rt && !ZCLRegisterLiveAfter(code, q, static_cast<int>(rt), true)) {
      rc = rd = dest;
    } else {
      continue;
    }
    replaceBy(code, p, q + lq, {ZOP_MADF3_R_R_R_R, ra, rb, rc, rd});
    stats.removed += 2;
    stats.written += 1;
    changed = true;
    targets = ZCLBranchTargets(code);
    lp = ZCLInstrLength(code, p);
  }
  return ZCL_OK;
}
