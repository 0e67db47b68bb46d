// Two arithmetic clean-ups (optimize level 3): adding or subtracting the int constant 1 or 2
// becomes one or two `incl`/`decl`, and a result computed in a temporary and then stored into a
// register is computed in that register directly.
#include "zentra/compiler/zclopt.h"
#include "zilopcodes.h"

namespace {

// Int and float operations with a source that change their destination in place and fail only on a type
// their operands cannot have here (no division, no generic forms).
bool safeInPlace(ZILLong op) {
  return ZCLOpIn(op, ZOP_ADDL_R_R, ZOP_MULL_SD_R) || ZCLOpIn(op, ZOP_ADDF_R_R, ZOP_MULF_SD_R);
}

bool divides(ZILLong op) {
  return ZCLOpIn(op, ZOP_DIVL_R_R, ZOP_MODL_SD_R) || ZCLOpIn(op, ZOP_DIVF_R_R, ZOP_MODF_SD_R);
}

bool compares(ZILLong op) {
  return ZCLOpIn(op, ZOP_CSEQL_R_R_R, ZOP_CSLEL_SD_R_R) || ZCLOpIn(op, ZOP_CSEQF_R_R_R, ZOP_CSLEF_SD_R_R);
}

// What the instruction at pc does to the handle in register r: 1 replaces it by a fresh copy
// that only r holds, 0 leaves it r's own (changes it in place, or only reads its value), -1
// may share it or put another handle there.
int ownership(const ZCLCode& code, size_t pc, int r) {
  const ZILLong op = code[pc];
  ZCLSlot s[4];
  const int n = ZCLDecode(code, pc, s);
  auto is = [&](int i) {
    return i < n && s[i].kind == ZILK_R && s[i].a == r;
  };
  if ((ZCLOpIn(op, ZOP_COPY_R_R, ZOP_COPY_SD_SD) || op == ZOP_COPYH_DH_R) && is(1) && !s[0].mentions(r))
    return 1;
  if ((safeInPlace(op) || divides(op)) && is(1) && !s[0].mentions(r))
    return 0;
  if ((op == ZOP_INCL_R || op == ZOP_DECL_R) && is(0))
    return 0;
  if ((ZCLOpIn(op, ZOP_COPY_R_R, ZOP_COPY_SD_SD) || safeInPlace(op) || divides(op)) && is(0) && !s[1].mentions(r))
    return 0;
  if (compares(op) && (is(0) || is(1)) && !s[2].mentions(r) && (is(0) || !s[0].mentions(r)) &&
      (is(1) || !s[1].mentions(r)))
    return 0;
  return -1;
}

}  // namespace

ZILError ZCLPassUnitSteps(ZCLCode& code, ZCLOptStats& stats, bool& changed, const ZCLIntConstant& intConstant) {
  std::vector<unsigned char> targets;  // found when first needed, and again after an edit
  for (size_t a = 0, la; (la = ZCLInstrLength(code, a)) != 0; a += la) {
    ZILLong value = 0;
    if (code[a] != ZOP_MOVEH_DH_R || code[a + 2] < 3 || !intConstant(code[a + 1], &value) || value < 1 || value > 2)
      continue;
    if (targets.empty())
      targets = ZCLBranchTargets(code);
    const int rC = static_cast<int>(code[a + 2]);
    // The add or subtract that reads the constant, on the straight path after the load.
    size_t b = a + la, lb = 0;
    bool found = false;
    while ((lb = ZCLInstrLength(code, b)) != 0 && !targets[b]) {
      const ZILLong op = code[b];
      if (ZCLMentions(code, b, rC)) {
        found = ZCLOpIn(op, ZOP_ADDL_R_R, ZOP_ADDL_R_SD) || ZCLOpIn(op, ZOP_SUBL_R_R, ZOP_SUBL_R_SD);
        break;
      }
      if (ZCLIsBranch(op) || ZCLLeavesFunction(op))
        break;
      b += lb;
    }
    if (!found || code[b + 1] != rC)
      continue;
    ZCLSlot s[4];
    ZCLDecode(code, b, s);
    if (s[1].mentions(rC) || ZCLRegisterLiveAfter(code, b, rC))
      continue;
    const ZILLong step = ZCLFormFor(ZCLOpIn(code[b], ZOP_ADDL_R_R, ZOP_ADDL_R_SD) ? ZOP_INCL_R : ZOP_DECL_R, s + 1, 1);
    if (step < 0)
      continue;
    ZCLCode words;
    for (ZILLong i = 0; i < value; i++)
      ZCLEncode(words, step, s + 1, 1);
    ZCLReplaceWords(code, b, lb, words.data(), words.size());
    ZCLDeleteWords(code, a, la);
    stats.removed += 2;
    stats.written += static_cast<int>(value);
    changed = true;
    targets.clear();
    la = 0;  // the instruction now at a is looked at next
  }
  return ZCL_OK;
}

ZILError ZCLPassCopyBack(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  std::vector<unsigned char> targets;  // found when first needed, and again after an edit
  std::vector<size_t> starts;          // the instructions walked so far
  for (size_t a = 0, la; (la = ZCLInstrLength(code, a)) != 0; a += la) {
    starts.push_back(a);
    // `copy rA, rB; copy rB, rA`.
    const size_t b = a + la;
    if (code[a] != ZOP_COPY_R_R || ZCLInstrLength(code, b) == 0 || code[b] != ZOP_COPY_R_R)
      continue;
    const int rA = static_cast<int>(code[a + 1]);
    if (code[b + 1] != code[a + 2] || code[b + 2] != rA || rA == code[a + 2] || rA < 1 || rA == 2 ||
        rA >= ZIL_REGISTER_COUNT)
      continue;
    if (targets.empty())
      targets = ZCLBranchTargets(code);
    if (targets[b])
      continue;
    // rA must hold a copy of its own: back on the straight path to the copy that made it,
    // only in-place work on rA and reads of its value.
    bool own = false;
    for (size_t k = starts.size() - 1; k-- > 0 && !targets[starts[k + 1]];) {
      const size_t p = starts[k];
      if (ZCLLeavesFunction(code[p]) || ZCLIsBranch(code[p]))
        break;
      if (!ZCLMentions(code, p, rA))
        continue;
      const int o = ownership(code, p, rA);
      own = o > 0;
      if (o != 0)
        break;
    }
    if (!own)
      continue;
    // rA has that value already.
    ZCLDeleteWords(code, b, ZCLInstrLength(code, b));
    stats.removed++;
    changed = true;
    targets.clear();
  }
  return ZCL_OK;
}

ZILError ZCLPassResultInPlace(ZCLCode& code, ZCLOptStats& stats, bool& changed) {
  constexpr int kMaxSteps = 6;
  std::vector<unsigned char> targets;  // found when first needed, and again after an edit
  for (size_t a = 0, la; (la = ZCLInstrLength(code, a)) != 0; a += la) {
    if (!ZCLOpIn(code[a], ZOP_COPY_R_R, ZOP_COPY_SD_SD))
      continue;
    ZCLSlot sa[4];
    ZCLDecode(code, a, sa);
    const int rT = static_cast<int>(sa[1].a);
    if (sa[1].kind != ZILK_R || rT < 3 || sa[0].mentions(rT))
      continue;
    // copy X, rT; (in-place ops on rT, constant loads into other registers)...; move rT, D
    // becomes the same with D for rT and without the move.
    std::vector<size_t> ops, others;
    size_t c = 0, q = a + la, lq = 0;
    bool divide = false;
    for (int n = 0; n <= kMaxSteps && (lq = ZCLInstrLength(code, q)) != 0; n++, q += lq) {
      const ZILLong op = code[q];
      if ((op == ZOP_MOVE_R_R || op == ZOP_COPY_R_R) && code[q + 1] == rT) {
        c = q;
        break;
      }
      ZCLSlot s[4];
      ZCLDecode(code, q, s);
      if ((op == ZOP_INCL_R || op == ZOP_DECL_R) && s[0].a == rT) {
        ops.push_back(q);
      } else if ((safeInPlace(op) || divides(op)) && s[1].kind == ZILK_R && s[1].a == rT && !s[0].mentions(rT)) {
        ops.push_back(q);
        divide = divide || divides(op);
      } else if (op == ZOP_MOVEH_DH_R && code[q + 2] != rT) {
        others.push_back(q);
      } else {
        break;
      }
    }
    if (c == 0 || ops.empty())
      continue;
    const int d = static_cast<int>(code[c + 2]);
    // D a register without a fixed role but the result's; division only into r1 (if it fails,
    // the function is left with r1 holding the dividend instead of what it held before).
    if (d == rT || d == 0 || d == 2 || (divide && d != 1) || ZCLRegisterLiveAfter(code, c, rT))
      continue;
    bool clash = false;
    for (size_t p : ops) {
      ZCLSlot s[4];
      clash = clash || (ZCLDecode(code, p, s) == 2 && s[0].mentions(d));
    }
    for (size_t p : others)
      clash = clash || code[p + 2] == d;
    if (clash)
      continue;
    if (targets.empty())
      targets = ZCLBranchTargets(code);
    bool target = false;
    for (size_t p = a + la; p <= c; p += ZCLInstrLength(code, p))
      target = target || targets[p];
    if (target)
      continue;
    // The destination register is the last word of the copy and of each operation.
    code[a + la - 1] = d;
    for (size_t p : ops)
      code[p + ZCLInstrLength(code, p) - 1] = d;
    ZCLDeleteWords(code, c, ZCLInstrLength(code, c));
    stats.removed += 1;
    changed = true;
    targets.clear();
  }
  return ZCL_OK;
}
