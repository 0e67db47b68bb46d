// Two arithmetic clean-ups (optimize level 3): adding or subtracting the int constant 1 becomes
// `incl`/`decl`, and a result computed in a temporary and then stored into a register is
// computed in that register directly.
#include "src/compiler/zclopt.h"
#include "zilopcodes.h"

namespace {

bool inRange(ZILLong op, ZILLong lo, ZILLong hi) { return op >= lo && op <= hi; }

// Int and float operations that change their destination in place and fail only on a type
// their operands cannot have here (no division, no generic forms).
bool safeInPlace(ZILLong op)
{
    return inRange(op, ZOP_ADDL_R_R, ZOP_MULL_SD_R) || inRange(op, ZOP_ADDF_R_R, ZOP_MULF_SD_R);
}

ZILLong formOf(ZILLong sample, const ZCLSlot* slots, int count)
{
    int kinds[4] = {};
    for (int i = 0; i < count; i++)
        kinds[i] = slots[i].kind;
    return ZCLFindForm(sample, kinds, count);
}

bool mentions(const ZCLCode& code, size_t pc, int r)
{
    ZCLSlot s[4];
    const int n = ZCLDecode(code, pc, s);
    for (int i = 0; i < n; i++)
        if (s[i].mentions(r))
            return true;
    return false;
}

} // namespace

ZILError ZCLPassUnitSteps(ZCLCode& code, ZCLOptStats& stats, bool& changed, const ZCLIntConstant& intConstant)
{
    std::vector<unsigned char> targets;   // found when first needed, and again after an edit
    for (size_t a = 0, la; (la = ZCLInstrLength(code, a)) != 0; a += la) {
        ZILLong value = 0;
        if (code[a] != ZOP_MOVEH_DH_R || code[a + 2] < 3 || !intConstant(code[a + 1], &value) || value != 1)
            continue;
        if (targets.empty())
            targets = ZCLBranchTargets(code);
        const int rC = static_cast<int>(code[a + 2]);
        // The add or subtract that reads the constant, on the straight path after the load.
        size_t b = a + la, lb = 0;
        bool found = false;
        while ((lb = ZCLInstrLength(code, b)) != 0 && !targets[b]) {
            const ZILLong op = code[b];
            if (mentions(code, b, rC)) {
                found = inRange(op, ZOP_ADDL_R_R, ZOP_ADDL_R_SD) || inRange(op, ZOP_SUBL_R_R, ZOP_SUBL_R_SD);
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
        const ZILLong step = formOf(inRange(code[b], ZOP_ADDL_R_R, ZOP_ADDL_R_SD) ? ZOP_INCL_R : ZOP_DECL_R, s + 1, 1);
        if (step < 0)
            continue;
        ZCLCode words;
        ZCLEncode(words, step, s + 1, 1);
        ZCLReplaceWords(code, b, lb, words.data(), words.size());
        ZCLDeleteWords(code, a, la);
        stats.removed += 2;
        stats.written += 1;
        changed = true;
        targets.clear();
        la = 0;   // the instruction now at a is looked at next
    }
    return ZCL_OK;
}

ZILError ZCLPassResultInPlace(ZCLCode& code, ZCLOptStats& stats, bool& changed)
{
    std::vector<unsigned char> targets;   // found when first needed, and again after an edit
    for (size_t a = 0, la; (la = ZCLInstrLength(code, a)) != 0; a += la) {
        if (!inRange(code[a], ZOP_COPY_R_R, ZOP_COPY_SD_SD))
            continue;
        const size_t b = a + la, lb = ZCLInstrLength(code, b);
        const size_t c = b + lb, lc = lb ? ZCLInstrLength(code, c) : 0;
        if (lc == 0 || !safeInPlace(code[b]) || !(code[c] == ZOP_MOVE_R_R || code[c] == ZOP_COPY_R_R))
            continue;
        if (targets.empty())
            targets = ZCLBranchTargets(code);
        if (targets[b] || targets[c])
            continue;
        ZCLSlot sa[4], sb[4], sc[4];
        ZCLDecode(code, a, sa);
        ZCLDecode(code, b, sb);
        ZCLDecode(code, c, sc);
        const int rT = static_cast<int>(sa[1].a);
        const int d = static_cast<int>(sc[1].a);
        // copy X, rT; op Y, rT; move rT, D  ->  copy X, D; op Y, D  (D a register with no fixed
        // role but the result's, Y not reading D, the temporary not needed afterwards)
        if (sa[1].kind != ZILK_R || rT < 3 || sb[1].kind != ZILK_R || sb[1].a != rT || sb[0].mentions(rT) ||
            sc[0].a != rT || d == rT || d == 0 || d == 2 || sb[0].mentions(d) || ZCLRegisterLiveAfter(code, c, rT))
            continue;
        ZCLSlot outA[2] = {sa[0], sc[1]}, outB[2] = {sb[0], sc[1]};
        const ZILLong opA = formOf(code[a], outA, 2), opB = formOf(code[b], outB, 2);
        if (opA < 0 || opB < 0)
            continue;
        ZCLCode words;
        ZCLEncode(words, opA, outA, 2);
        ZCLEncode(words, opB, outB, 2);
        ZCLReplaceWords(code, a, c + lc - a, words.data(), words.size());
        stats.removed += 3;
        stats.written += 2;
        changed = true;
        targets.clear();
    }
    return ZCL_OK;
}
