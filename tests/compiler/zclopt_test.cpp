// The optimizer's passes on hand-built code: the branch-keeping edits, each peephole pass with
// the neighbours that must stop it (branch targets, non-commutative operations, values still
// needed), register reuse and save trimming, and the statistics of a known run.
#include <gtest/gtest.h>

#include <string>

#include "zentra/compiler/zclopt.h"
#include "zilopcodes.h"

namespace {

// The code as "mnemonic operands; ..." for readable expectations.
std::string dis(const ZCLCode& code) {
  std::string out;
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len) {
    if (!out.empty())
      out += "; ";
    out += ZILGetOpcodeInfo(code[pc])->mnemonic;
    ZCLSlot s[4];
    const int n = ZCLDecode(code, pc, s);
    for (int i = 0; i < n; i++) {
      out += i ? "," : " ";
      switch (s[i].kind) {
        case ZILK_R: out += "r" + std::to_string(s[i].a); break;
        case ZILK_RD: out += "(r" + std::to_string(s[i].a) + "+" + std::to_string(s[i].b) + ")"; break;
        case ZILK_RR: out += "(r" + std::to_string(s[i].a) + "+r" + std::to_string(s[i].b) + ")"; break;
        case ZILK_SD: out += "(sp+" + std::to_string(s[i].a) + ")"; break;
        case ZILK_REGS: out += "r" + std::to_string(s[i].a) + "-r" + std::to_string(s[i].a + s[i].b - 1); break;
        case ZILK_OFS: out += "to " + std::to_string(static_cast<ZILLong>(pc) + s[i].a); break;
        default: out += std::to_string(s[i].a); break;
      }
    }
  }
  return out;
}

template <typename Pass>
std::string runPass(Pass pass, ZCLCode code, ZCLOptStats* statsOut = nullptr, bool* changedOut = nullptr) {
  ZCLOptStats stats;
  bool changed = false;
  EXPECT_EQ(pass(code, stats, changed), 0);
  if (statsOut)
    *statsOut = stats;
  if (changedOut)
    *changedOut = changed;
  return dis(code);
}

}  // namespace

TEST(OptimizerEdits, BranchesKeepTheirInstructionAcrossEdits) {
  // 0 bra to 7; 2 nop; 3 tsteq r3 to 0; 6 nop; 7 ret
  ZCLCode code = {ZOP_BRA_OFS, 7, ZOP_NOP, ZOP_TSTEQ_R_OFS, 3, -3, ZOP_NOP, ZOP_RET};
  ZCLDeleteWords(code, 2, 1);  // the nop between
  EXPECT_EQ(dis(code), "bra to 6; tsteq r3,to 0; nop; ret");
  const ZILLong three[3] = {ZOP_NOP, ZOP_NOP, ZOP_NOP};
  ZCLInsertWords(code, 5, three, 3);  // before the second nop
  EXPECT_EQ(dis(code), "bra to 9; tsteq r3,to 0; nop; nop; nop; nop; ret");
  // A branch into removed words goes to the first word after the edit.
  ZCLCode into = {ZOP_BRA_OFS, 3, ZOP_NOP, ZOP_NOP, ZOP_RET};
  ZCLDeleteWords(into, 2, 2);
  EXPECT_EQ(dis(into), "bra to 2; ret");
  // Replacing: a branch to the first replaced word stays on the replacement.
  ZCLCode repl = {ZOP_NOP, ZOP_NOP, ZOP_NOP, ZOP_BRA_OFS, -3};
  const ZILLong one = ZOP_RET;
  ZCLReplaceWords(repl, 0, 1, &one, 1);
  EXPECT_EQ(dis(repl), "ret; nop; nop; bra to 0");
  EXPECT_EQ(ZCLInstrLength({ZOP_BRA_OFS}, 0), 0u);  // cut short: the walk stops
  EXPECT_EQ(ZCLInstrLength({ZIL_OPCODE_COUNT}, 0), 0u);
}

TEST(OptimizerPasses, PushAndPopRunsMergeButNotAcrossBranchTargets) {
  ZCLOptStats stats;
  EXPECT_EQ(runPass(ZCLPassMergePushPop, {ZOP_PUSH, ZOP_PUSH, ZOP_PUSH, ZOP_POP, ZOP_POPM_IMM, 2, ZOP_RET}, &stats),
            "pushm 3; popm 3; ret");
  EXPECT_EQ(stats.removed, 5);
  EXPECT_EQ(stats.written, 2);
  // The third push is a branch target: it starts a run of its own (of one, left alone).
  EXPECT_EQ(runPass(ZCLPassMergePushPop, {ZOP_PUSH, ZOP_PUSH, ZOP_PUSH, ZOP_TSTEQ_R_OFS, 3, -1, ZOP_RET}),
            "pushm 2; push; tsteq r3,to 2; ret");
  bool changed = true;
  EXPECT_EQ(runPass(ZCLPassMergePushPop, {ZOP_PUSH, ZOP_PUSH_R, 3, ZOP_PUSH, ZOP_RET}, nullptr, &changed),
            "push; push r3; push; ret");
  EXPECT_FALSE(changed);
}

TEST(OptimizerPasses, LoadsFoldIntoTheFollowingMoveOrCopy) {
  ZCLOptStats stats;
  // A register moved back onto itself: both instructions go.
  EXPECT_EQ(runPass(ZCLPassLoadMove, {ZOP_MOVE_R_R, 3, 5, ZOP_MOVE_R_R, 5, 3, ZOP_RET}, &stats), "ret");
  EXPECT_EQ(stats.saved(), 2);
  EXPECT_EQ(runPass(ZCLPassLoadMove, {ZOP_MOVE_RD_R, 2, 1, 5, ZOP_COPY_R_SD, 5, 0, ZOP_RET}),
            "copy (r2+1),(sp+0); ret");
  EXPECT_EQ(runPass(ZCLPassLoadMove, {ZOP_MOVEH_DH_R, 4, 5, ZOP_COPY_R_SD, 5, 0, ZOP_RET}), "copyh 4,(sp+0); ret");
  EXPECT_EQ(runPass(ZCLPassLoadMove, {ZOP_COPYH_DH_R, 4, 5, ZOP_MOVE_R_RD, 5, 2, 3, ZOP_RET}), "copyh 4,(r2+3); ret");
  // No weak form of a constant. A copy of a fresh copy is one copy.
  EXPECT_EQ(runPass(ZCLPassLoadMove, {ZOP_MOVEH_DH_R, 4, 5, ZOP_WREF_R_R, 5, 6, ZOP_RET}),
            "moveh 4,r5; wref r5,r6; ret");
  EXPECT_EQ(runPass(ZCLPassLoadMove, {ZOP_COPY_R_R, 3, 5, ZOP_COPY_R_R, 5, 6, ZOP_RET}), "copy r3,r6; ret");
  EXPECT_EQ(runPass(ZCLPassLoadMove, {ZOP_COPYH_DH_R, 4, 5, ZOP_COPY_R_SD, 5, 0, ZOP_RET}), "copyh 4,(sp+0); ret");
  EXPECT_EQ(runPass(ZCLPassLoadMove, {ZOP_COPY_R_R, 3, 5, ZOP_WREF_R_R, 5, 6, ZOP_RET}), "copy r3,r5; wref r5,r6; ret");
  // The second instruction is a branch target; the temporary is read again later; r1 has a role.
  EXPECT_EQ(runPass(ZCLPassLoadMove, {ZOP_MOVE_R_R, 3, 5, ZOP_MOVE_R_R, 5, 6, ZOP_BRA_OFS, -3}),
            "move r3,r5; move r5,r6; bra to 3");
  EXPECT_EQ(runPass(ZCLPassLoadMove, {ZOP_MOVE_R_R, 3, 5, ZOP_MOVE_R_R, 5, 6, ZOP_ADDL_R_R, 5, 6, ZOP_RET}),
            "move r3,r5; move r5,r6; addl r5,r6; ret");
  EXPECT_EQ(runPass(ZCLPassLoadMove, {ZOP_MOVE_R_R, 3, 1, ZOP_MOVE_R_R, 1, 6, ZOP_RET}), "move r3,r1; move r1,r6; ret");
  // A value still needed on a loop path back is kept too.
  EXPECT_EQ(runPass(ZCLPassLoadMove,
                    {ZOP_ADDL_R_R, 5, 6, ZOP_MOVE_R_R, 3, 5, ZOP_MOVE_R_R, 5, 6, ZOP_TSTNE_R_OFS, 6, -9, ZOP_RET}),
            "addl r5,r6; move r3,r5; move r5,r6; tstne r6,to 0; ret");
}

TEST(OptimizerPasses, SelfCopyBecomesACopyingLoad) {
  EXPECT_EQ(runPass(ZCLPassSelfCopy, {ZOP_MOVEH_DH_R, 7, 4, ZOP_NOP, ZOP_COPY_R_R, 4, 4, ZOP_RET}),
            "copyh 7,r4; nop; ret");
  EXPECT_EQ(runPass(ZCLPassSelfCopy, {ZOP_MOVE_SD_R, 1, 4, ZOP_COPY_R_R, 4, 4, ZOP_RET}), "copy (sp+1),r4; ret");
  // Something else touches the register first, or the copy is a branch target.
  EXPECT_EQ(runPass(ZCLPassSelfCopy, {ZOP_MOVEH_DH_R, 7, 4, ZOP_INCL_R, 4, ZOP_COPY_R_R, 4, 4, ZOP_RET}),
            "moveh 7,r4; incl r4; copy r4,r4; ret");
  EXPECT_EQ(runPass(ZCLPassSelfCopy, {ZOP_MOVEH_DH_R, 7, 4, ZOP_COPY_R_R, 4, 4, ZOP_BRA_OFS, -3}),
            "moveh 7,r4; copy r4,r4; bra to 3");
}

TEST(OptimizerPasses, LoadsFoldIntoArithmeticOnlyWhereTheFormExists) {
  EXPECT_EQ(runPass(ZCLPassLoadUse, {ZOP_MOVE_RD_R, 2, 4, 5, ZOP_ADD_R_R, 5, 6, ZOP_RET}), "add (r2+4),r6; ret");
  EXPECT_EQ(runPass(ZCLPassLoadUse, {ZOP_MOVE_SD_R, 0, 5, ZOP_SUBL_R_RD, 5, 3, 1, ZOP_RET}),
            "move (sp+0),r5; subl r5,(r3+1); ret");  // no (sp+d), (r+d) form
  EXPECT_EQ(runPass(ZCLPassLoadUse, {ZOP_MOVE_R_R, 3, 5, ZOP_SUBL_R_RD, 5, 3, 1, ZOP_RET}), "subl r3,(r3+1); ret");
  // Logical, shift and compare families are not folded; moveh is not taken.
  EXPECT_EQ(runPass(ZCLPassLoadUse, {ZOP_MOVE_R_R, 3, 5, ZOP_AND_R_R, 5, 6, ZOP_RET}), "move r3,r5; and r5,r6; ret");
  EXPECT_EQ(runPass(ZCLPassLoadUse, {ZOP_MOVEH_DH_R, 3, 5, ZOP_ADD_R_R, 5, 6, ZOP_RET}), "moveh 3,r5; add r5,r6; ret");
  // String append takes only the two-register form.
  EXPECT_EQ(runPass(ZCLPassLoadUse, {ZOP_MOVE_SD_R, 2, 5, ZOP_STRADD_R_R, 5, 6, ZOP_RET}), "stradd (sp+2),r6; ret");
  EXPECT_EQ(runPass(ZCLPassLoadUse, {ZOP_MOVE_R_R, 3, 5, ZOP_STRADD_R_SD, 5, 0, ZOP_RET}),
            "move r3,r5; stradd r5,(sp+0); ret");
}

TEST(OptimizerPasses, CopiedLoadsFoldIntoArithmeticOnly) {
  EXPECT_EQ(runPass(ZCLPassLoadUse, {ZOP_COPY_SD_R, 2, 5, ZOP_ADDL_R_R, 5, 6, ZOP_RET}), "addl (sp+2),r6; ret");
  EXPECT_EQ(runPass(ZCLPassLoadUse, {ZOP_COPY_R_R, 1, 5, ZOP_MULF_R_R, 5, 6, ZOP_RET}), "mulf r1,r6; ret");
  // Appends keep the copy: a copied value and the original are not shared alike.
  EXPECT_EQ(runPass(ZCLPassLoadUse, {ZOP_COPY_R_R, 3, 5, ZOP_STRADD_R_R, 5, 6, ZOP_RET}),
            "copy r3,r5; stradd r5,r6; ret");
  EXPECT_EQ(runPass(ZCLPassLoadUse, {ZOP_COPY_R_R, 3, 5, ZOP_ARRMV_R_R, 5, 6, ZOP_RET}),
            "copy r3,r5; arrmv r5,r6; ret");
}

TEST(OptimizerPasses, CompareOperandsFoldOneLoad) {
  ZCLOptStats stats;
  // B's move source goes into the compare.
  EXPECT_EQ(
      runPass(ZCLPassCompare, {ZOP_MOVEH_DH_R, 9, 3, ZOP_MOVE_SD_R, 1, 4, ZOP_CSLTL_R_R_R, 4, 3, 5, ZOP_RET}, &stats),
      "moveh 9,r3; csltl (sp+1),r3,r5; ret");
  EXPECT_EQ(stats.saved(), 1);
  // B a constant, A a move: A's source becomes the second operand.
  EXPECT_EQ(runPass(ZCLPassCompare, {ZOP_MOVE_RD_R, 2, 0, 3, ZOP_MOVEH_DH_R, 9, 4, ZOP_CSEQ_R_R_R, 4, 3, 5, ZOP_RET}),
            "moveh 9,r4; cseq r4,(r2+0),r5; ret");
  // The loads feeding the operands in the other order (a constant loaded before the left
  // operand): the later load still folds, into the second operand.
  EXPECT_EQ(runPass(ZCLPassCompare, {ZOP_MOVE_R_R, 6, 3, ZOP_MOVE_R_R, 7, 4, ZOP_CSEQ_R_R_R, 3, 4, 5, ZOP_RET}),
            "move r6,r3; cseq r3,r7,r5; ret");
  EXPECT_EQ(runPass(ZCLPassCompare, {ZOP_MOVEH_DH_R, 9, 3, ZOP_MOVE_SD_R, 3, 4, ZOP_CSLTL_R_R_R, 3, 4, 5, ZOP_RET}),
            "moveh 9,r3; csltl r3,(sp+3),r5; ret");
  EXPECT_EQ(runPass(ZCLPassCompare, {ZOP_MOVE_SD_R, 3, 3, ZOP_MOVEH_DH_R, 9, 4, ZOP_CSLTL_R_R_R, 4, 3, 5, ZOP_RET}),
            "moveh 9,r4; csltl r4,(sp+3),r5; ret");
  // Two constants, a compare of other registers, or a source that reads A's register: unchanged.
  EXPECT_EQ(runPass(ZCLPassCompare, {ZOP_MOVEH_DH_R, 8, 3, ZOP_MOVEH_DH_R, 9, 4, ZOP_CSEQ_R_R_R, 4, 3, 5, ZOP_RET}),
            "moveh 8,r3; moveh 9,r4; cseq r4,r3,r5; ret");
  EXPECT_EQ(runPass(ZCLPassCompare, {ZOP_MOVE_R_R, 6, 3, ZOP_MOVE_R_R, 7, 4, ZOP_CSEQ_R_R_R, 3, 6, 5, ZOP_RET}),
            "move r6,r3; move r7,r4; cseq r3,r6,r5; ret");
  EXPECT_EQ(runPass(ZCLPassCompare, {ZOP_MOVE_R_R, 6, 3, ZOP_MOVE_RD_R, 3, 0, 4, ZOP_CSEQ_R_R_R, 4, 3, 5, ZOP_RET}),
            "move r6,r3; move (r3+0),r4; cseq r4,r3,r5; ret");
}

TEST(OptimizerPasses, OnlyCommutativeResultsAreWrittenBack) {
  EXPECT_EQ(runPass(ZCLPassWriteBack, {ZOP_ADDL_R_R, 7, 5, ZOP_MOVE_R_R, 5, 7, ZOP_RET}), "addl r5,r7; ret");
  EXPECT_EQ(runPass(ZCLPassWriteBack, {ZOP_ADDF_RD_R, 2, 0, 5, ZOP_MOVE_R_RD, 5, 2, 0, ZOP_RET}),
            "addf r5,(r2+0); ret");
  EXPECT_EQ(runPass(ZCLPassWriteBack, {ZOP_MULL_SD_R, 1, 5, ZOP_MOVE_R_SD, 5, 1, ZOP_RET}), "mull r5,(sp+1); ret");
  EXPECT_EQ(runPass(ZCLPassWriteBack, {ZOP_SUB_R_R, 7, 5, ZOP_MOVE_R_R, 5, 7, ZOP_RET}), "sub r7,r5; move r5,r7; ret");
  EXPECT_EQ(runPass(ZCLPassWriteBack, {ZOP_SUBL_R_R, 7, 5, ZOP_MOVE_R_R, 5, 7, ZOP_RET}),
            "subl r7,r5; move r5,r7; ret");
  // The generic forms also serve var slots, whose handle another variable may share.
  EXPECT_EQ(runPass(ZCLPassWriteBack, {ZOP_ADD_R_R, 7, 5, ZOP_MOVE_R_R, 5, 7, ZOP_RET}), "add r7,r5; move r5,r7; ret");
  EXPECT_EQ(runPass(ZCLPassWriteBack, {ZOP_ASL_R_R, 7, 5, ZOP_MOVE_R_R, 5, 7, ZOP_RET}), "asl r7,r5; move r5,r7; ret");
  // The result stored elsewhere, or still needed in the temporary.
  EXPECT_EQ(runPass(ZCLPassWriteBack, {ZOP_ADDL_R_R, 7, 5, ZOP_MOVE_R_R, 5, 6, ZOP_RET}),
            "addl r7,r5; move r5,r6; ret");
  EXPECT_EQ(runPass(ZCLPassWriteBack, {ZOP_ADDL_R_R, 7, 5, ZOP_MOVE_R_R, 5, 7, ZOP_MOVE_R_R, 5, 1, ZOP_RET}),
            "addl r7,r5; move r5,r7; move r5,r1; ret");
}

TEST(OptimizerPasses, SaveTrimmingDropsRegistersNothingWrites) {
  const ZILLong arg = kZCLArgumentBias + 3;  // an argument below the saved slots
  ZCLOptStats stats;
  // r3 and r4 saved, only r3 written: push r3 / pop r3, the argument one slot nearer.
  EXPECT_EQ(runPass(ZCLPassTrimSaves,
                    {ZOP_PUSHR_REGS, 3, 2, ZOP_MOVE_SD_R, arg, 3, ZOP_TSTEQ_R_OFS, 3, 7, ZOP_POPR_REGS, 3, 2, ZOP_RET,
                     ZOP_POPR_REGS, 3, 2, ZOP_RET},
                    &stats),
            "push r3; move (sp+" + std::to_string(arg - 1) + "),r3; tsteq r3,to 11; pop r3; ret; pop r3; ret");
  EXPECT_EQ(stats.removed, 3);
  EXPECT_EQ(stats.written, 3);
  // Neither written: the save and its restores go.
  EXPECT_EQ(runPass(ZCLPassTrimSaves, {ZOP_PUSHR_REGS, 3, 2, ZOP_ADDL_R_R, 3, 4, ZOP_POPR_REGS, 3, 2, ZOP_RET}, &stats),
            "addl r3,r4; ret");
  EXPECT_EQ(stats.saved(), 2);
  // r3 free, r4 and r5 written: r5 takes the number 3 and the range shrinks to r3-r4.
  EXPECT_EQ(
      runPass(ZCLPassTrimSaves, {ZOP_PUSHR_REGS, 3, 3, ZOP_LDZ_R, 4, ZOP_MOVE_R_R, 4, 5, ZOP_POPR_REGS, 3, 3, ZOP_RET}),
      "pushr r3-r4; ldz r4; move r4,r3; popr r3-r4; ret");
  // A leading run of push r: the unwritten register's save and restore go; a null loaded into
  // a register by push/pop counts as a write.
  EXPECT_EQ(runPass(ZCLPassTrimSaves,
                    {ZOP_PUSH_R, 3, ZOP_PUSH_R, 4, ZOP_PUSH, ZOP_POP_R, 4, ZOP_POP_R, 4, ZOP_POP_R, 3, ZOP_RET}),
            "push r4; push; pop r4; pop r4; ret");
  // The arguments move one slot nearer for each save that goes.
  EXPECT_EQ(runPass(ZCLPassTrimSaves, {ZOP_PUSH_R, 3, ZOP_COPY_SD_R, arg, 1, ZOP_INCL_R, 1, ZOP_POP_R, 3, ZOP_RET}),
            "copy (sp+" + std::to_string(arg - 1) + "),r1; incl r1; ret");
  // Another save of the same registers inside the body: left alone.
  EXPECT_EQ(runPass(ZCLPassTrimSaves,
                    {ZOP_PUSHR_REGS, 3, 2, ZOP_PUSHR_REGS, 3, 2, ZOP_POPR_REGS, 3, 2, ZOP_POPR_REGS, 3, 2, ZOP_RET}),
            "pushr r3-r4; pushr r3-r4; popr r3-r4; popr r3-r4; ret");
}

TEST(OptimizerPasses, RegisterReuseRenamesOntoAFinishedSavedRegister) {
  // r3 is saved, written and finished before r5 is first written: r5 becomes r3, and then
  // trimming finds r4 and r5 unwritten.
  ZCLCode code = {ZOP_PUSHR_REGS, 3, 3, ZOP_LDZ_R,     3, ZOP_INCL_R, 3,      ZOP_MOVE_R_SD, 3, 0, ZOP_LDZ_R, 5,
                  ZOP_MOVE_R_SD,  5, 1, ZOP_POPR_REGS, 3, 3,          ZOP_RET};
  EXPECT_EQ(runPass(ZCLPassRegisterReuse, code),
            "pushr r3-r5; ldz r3; incl r3; move r3,(sp+0); ldz r3; move r3,(sp+1); popr r3-r5; ret");
  ZCLOptStats stats;
  EXPECT_EQ(ZCLOptimizeCode(code, 3, true, stats), 0);
  EXPECT_EQ(dis(code), "push r3; ldz r3; incl r3; move r3,(sp+0); ldz r3; move r3,(sp+1); pop r3; ret");
  // Still read later, or needed on the way back round a loop: no renaming.
  EXPECT_EQ(runPass(ZCLPassRegisterReuse, {ZOP_PUSHR_REGS, 3, 3, ZOP_LDZ_R, 3, ZOP_LDZ_R, 5, ZOP_ADDL_R_R, 3, 5,
                                           ZOP_POPR_REGS, 3, 3, ZOP_RET}),
            "pushr r3-r5; ldz r3; ldz r5; addl r3,r5; popr r3-r5; ret");
  EXPECT_EQ(runPass(ZCLPassRegisterReuse, {ZOP_PUSHR_REGS, 3, 3, ZOP_LDZ_R, 3, ZOP_INCL_R, 3, ZOP_LDZ_R, 5,
                                           ZOP_TSTNE_R_OFS, 5, -4, ZOP_POPR_REGS, 3, 3, ZOP_RET}),
            "pushr r3-r5; ldz r3; incl r3; ldz r5; tstne r5,to 5; popr r3-r5; ret");
}

TEST(OptimizerDriver, LevelsStatisticsAndRepeatedPasses) {
  // Pass 1 merges three pushes, pass 4 folds one load: 5 taken out, 2 written, 3 saved.
  const ZCLCode original = {ZOP_PUSH, ZOP_PUSH, ZOP_PUSH, ZOP_MOVE_RD_R, 2, 4, 5, ZOP_ADDL_R_R, 5, 6, ZOP_RET};
  ZCLCode code = original;
  ZCLOptStats stats;
  ASSERT_EQ(ZCLOptimizeCode(code, 2, true, stats), 0);
  EXPECT_EQ(dis(code), "pushm 3; addl (r2+4),r6; ret");
  EXPECT_EQ(stats.removed, 5);
  EXPECT_EQ(stats.written, 2);
  EXPECT_EQ(stats.saved(), 3);
  EXPECT_EQ(stats.lengthBefore, 11);
  EXPECT_EQ(stats.lengthAfter, 7);
  // Passes 1 to 6 ran once each (pass 2 changed nothing, so it did not walk again).
  EXPECT_EQ(stats.passesRun, 6);
  EXPECT_EQ(stats.changingPasses, 2);

  ZCLCode untouched = original;
  ZCLOptStats none;
  ASSERT_EQ(ZCLOptimizeCode(untouched, 0, true, none), 0);
  EXPECT_EQ(untouched, original);
  EXPECT_EQ(none.passesRun, 0);

  // Level 1 merges but does not fold into arithmetic; a changing pass 2 walks again.
  ZCLCode levelOne = {ZOP_PUSH, ZOP_PUSH, ZOP_MOVE_R_R, 3, 5, ZOP_MOVE_R_R, 5, 6, ZOP_MOVE_RD_R, 2,
                      4,        7,        ZOP_ADDL_R_R, 7, 6, ZOP_RET};
  ZCLOptStats one;
  ASSERT_EQ(ZCLOptimizeCode(levelOne, 1, true, one), 0);
  EXPECT_EQ(dis(levelOne), "pushm 2; move r3,r6; move (r2+4),r7; addl r7,r6; ret");
  EXPECT_EQ(one.passesRun, 3);
  EXPECT_EQ(one.changingPasses, 2);
}

namespace {

// A loop laid out as the generator does it, around `body`: pushr r3-r4; ldz r3; bra to the test;
// body; csltl r3,(sp+argument),r4; tstne r4 back to the body; popr r3-r4; ret.
ZCLCode loopAround(const ZCLCode& body, const ZCLCode& before = {}) {
  ZCLCode code = {ZOP_PUSHR_REGS, 3, 2, ZOP_LDZ_R, 3};
  code.insert(code.end(), before.begin(), before.end());
  const ZILLong top = static_cast<ZILLong>(code.size()) + 2;
  const ZILLong test = top + static_cast<ZILLong>(body.size());
  code.push_back(ZOP_BRA_OFS);
  code.push_back(test - (top - 2));
  code.insert(code.end(), body.begin(), body.end());
  const ZILLong tail[] = {
      ZOP_CSLTL_R_SD_R, 3, kZCLArgumentBias + 2, 4, ZOP_TSTNE_R_OFS, 4, top - (test + 4), ZOP_POPR_REGS, 3, 2, ZOP_RET};
  code.insert(code.end(), std::begin(tail), std::end(tail));
  return code;
}

const std::string kArgumentAfterOneMore = std::to_string(kZCLArgumentBias + 3);

}  // namespace

TEST(OptimizerPasses, LoopConstantsAreLoadedOnceBeforeTheLoop) {
  ZCLOptStats stats;
  bool changed = false;
  // The constant only read by the loop: one load before the way in, into r5, which the saved
  // range now includes; the argument operand moves by the extra saved slot.
  EXPECT_EQ(runPass(ZCLPassHoistConstants, loopAround({ZOP_MOVEH_DH_R, 9, 4, ZOP_ADDL_R_R, 4, 3}), &stats, &changed),
            "pushr r3-r5; ldz r3; moveh 9,r5; bra to 13; addl r5,r3; csltl r3,(sp+" + kArgumentAfterOneMore +
                "),r4; tstne r4,to 10; popr r3-r5; ret");
  EXPECT_TRUE(changed);
  EXPECT_EQ(stats.saved(), 0);  // one load out of the loop, one before it
  // Two loads of one constant share a register; two constants get one each.
  EXPECT_EQ(runPass(ZCLPassHoistConstants, loopAround({ZOP_MOVEH_DH_R, 9, 4, ZOP_ADDL_R_R, 4, 3, ZOP_MOVEH_DH_R, 8, 4,
                                                       ZOP_MULL_R_R, 4, 3, ZOP_MOVEH_DH_R, 9, 4, ZOP_SUBL_R_R, 4, 3})),
            "pushr r3-r6; ldz r3; moveh 8,r6; moveh 9,r5; bra to 22; addl r5,r3; mull r6,r3; subl r5,r3; "
            "csltl r3,(sp+" +
                std::to_string(kZCLArgumentBias + 4) + "),r4; tstne r4,to 13; popr r3-r6; ret");
}

TEST(OptimizerPasses, LoopConstantsStayWhenTheirRegisterChangesOrEscapes) {
  // Changed in place, shared by a push or a move, or read again after the straight path.
  for (const ZCLCode& body :
       {ZCLCode{ZOP_MOVEH_DH_R, 9, 4, ZOP_INCL_R, 4, ZOP_ADDL_R_R, 4, 3},
        ZCLCode{ZOP_MOVEH_DH_R, 9, 4, ZOP_PUSH_R, 4, ZOP_POP}, ZCLCode{ZOP_MOVEH_DH_R, 9, 4, ZOP_MOVE_R_R, 4, 3},
        ZCLCode{ZOP_MOVEH_DH_R, 9, 4, ZOP_ADDL_R_R, 3, 4}}) {
    bool changed = true;
    const ZCLCode code = loopAround(body);
    const std::string before = dis(code);
    EXPECT_EQ(runPass(ZCLPassHoistConstants, code, nullptr, &changed), before);
    EXPECT_FALSE(changed) << before;
  }
  // r4 still needed where the test reads it.
  ZCLCode live = loopAround({ZOP_MOVEH_DH_R, 9, 4, ZOP_ADDL_R_R, 4, 3});
  live[live.size() - 10] = 4;  // the test compares against r4
  EXPECT_EQ(runPass(ZCLPassHoistConstants, live), dis(live));
  // Another way into the loop than the branch before it.
  const ZCLCode jumpIn = loopAround({ZOP_MOVEH_DH_R, 9, 4, ZOP_ADDL_R_R, 4, 3}, {ZOP_TSTEQ_R_OFS, 3, 9});
  EXPECT_EQ(dis(jumpIn).substr(0, 45), "pushr r3-r4; ldz r3; tsteq r3,to 14; bra to 1");
  EXPECT_EQ(runPass(ZCLPassHoistConstants, jumpIn), dis(jumpIn));
}

TEST(OptimizerPasses, AddingOrSubtractingOneBecomesAStep) {
  // Constant 7 holds the int 1, constant 8 the int 2, constant 9 the int 3.
  const ZCLIntConstant ints = [](ZILLong dh, ZILLong* v) {
    if (dh < 7 || dh > 9)
      return false;
    *v = dh - 6;
    return true;
  };
  auto run = [&](ZCLCode code) {
    ZCLOptStats stats;
    bool changed = false;
    EXPECT_EQ(ZCLPassUnitSteps(code, stats, changed, ints), 0);
    return dis(code);
  };
  EXPECT_EQ(run({ZOP_MOVEH_DH_R, 7, 3, ZOP_COPY_SD_R, 3, 4, ZOP_SUBL_R_R, 3, 4, ZOP_RET}),
            "copy (sp+3),r4; decl r4; ret");
  EXPECT_EQ(run({ZOP_MOVEH_DH_R, 7, 5, ZOP_ADDL_R_SD, 5, 2, ZOP_RET}), "incl (sp+2); ret");
  EXPECT_EQ(run({ZOP_MOVEH_DH_R, 8, 3, ZOP_SUBL_R_R, 3, 4, ZOP_RET}), "decl r4; decl r4; ret");
  // Another constant, the constant still needed, a branch target or another use in between.
  EXPECT_EQ(run({ZOP_MOVEH_DH_R, 9, 3, ZOP_SUBL_R_R, 3, 4, ZOP_RET}), "moveh 9,r3; subl r3,r4; ret");
  EXPECT_EQ(run({ZOP_MOVEH_DH_R, 7, 3, ZOP_SUBL_R_R, 3, 4, ZOP_PUSH_R, 3, ZOP_RET}),
            "moveh 7,r3; subl r3,r4; push r3; ret");
  EXPECT_EQ(run({ZOP_MOVEH_DH_R, 7, 3, ZOP_SUBL_R_R, 3, 4, ZOP_BRA_OFS, -3}), "moveh 7,r3; subl r3,r4; bra to 3");
  EXPECT_EQ(run({ZOP_MOVEH_DH_R, 7, 3, ZOP_MULL_R_R, 3, 4, ZOP_ADDL_R_R, 3, 4, ZOP_RET}),
            "moveh 7,r3; mull r3,r4; addl r3,r4; ret");
}

TEST(OptimizerPasses, ResultsAreComputedInTheirDestinationRegister) {
  EXPECT_EQ(runPass(ZCLPassResultInPlace, {ZOP_COPY_R_R, 3, 5, ZOP_ADDL_R_R, 4, 5, ZOP_MOVE_R_R, 5, 1, ZOP_RET}),
            "copy r3,r1; addl r4,r1; ret");
  EXPECT_EQ(runPass(ZCLPassResultInPlace, {ZOP_COPY_SD_R, 2, 5, ZOP_MULF_SD_R, 1, 5, ZOP_COPY_R_R, 5, 6, ZOP_RET}),
            "copy (sp+2),r6; mulf (sp+1),r6; ret");
  // The operand reads the destination, division (which may fail half-way), or the temporary
  // still needed: unchanged.
  EXPECT_EQ(runPass(ZCLPassResultInPlace, {ZOP_COPY_R_R, 3, 5, ZOP_SUBL_R_R, 6, 5, ZOP_MOVE_R_R, 5, 6, ZOP_RET}),
            "copy r3,r5; subl r6,r5; move r5,r6; ret");
  EXPECT_EQ(runPass(ZCLPassResultInPlace, {ZOP_COPY_R_R, 3, 5, ZOP_DIVL_R_R, 4, 5, ZOP_MOVE_R_R, 5, 6, ZOP_RET}),
            "copy r3,r5; divl r4,r5; move r5,r6; ret");
  // Several operations, with a constant loaded between them; anything else in between stops it.
  EXPECT_EQ(runPass(ZCLPassResultInPlace, {ZOP_COPY_SD_R, 2, 3, ZOP_ADDL_RD_R, 0, 0, 3, ZOP_MOVEH_DH_R, 8, 4,
                                           ZOP_MODL_R_R, 4, 3, ZOP_MOVE_R_R, 3, 1, ZOP_RET}),
            "copy (sp+2),r1; addl (r0+0),r1; moveh 8,r4; modl r4,r1; ret");
  EXPECT_EQ(runPass(ZCLPassResultInPlace,
                    {ZOP_COPY_R_R, 3, 5, ZOP_ADDL_R_R, 4, 5, ZOP_PUSH_R, 4, ZOP_MOVE_R_R, 5, 1, ZOP_RET}),
            "copy r3,r5; addl r4,r5; push r4; move r5,r1; ret");
  // Steps by one count as operations in place.
  EXPECT_EQ(runPass(ZCLPassResultInPlace, {ZOP_COPY_SD_R, 2, 3, ZOP_INCL_R, 3, ZOP_MOVE_R_R, 3, 1, ZOP_RET}),
            "copy (sp+2),r1; incl r1; ret");
  // Into the result register r1, division folds too.
  EXPECT_EQ(runPass(ZCLPassResultInPlace, {ZOP_COPY_SD_R, 2, 4, ZOP_MODL_R_R, 3, 4, ZOP_MOVE_R_R, 4, 1, ZOP_RET}),
            "copy (sp+2),r1; modl r3,r1; ret");
  EXPECT_EQ(runPass(ZCLPassResultInPlace,
                    {ZOP_COPY_R_R, 3, 5, ZOP_ADDL_R_R, 4, 5, ZOP_MOVE_R_R, 5, 1, ZOP_PUSH_R, 5, ZOP_RET}),
            "copy r3,r5; addl r4,r5; move r5,r1; push r5; ret");
}

TEST(OptimizerPasses, ShortLivedTemporariesMoveIntoTheResultRegister) {
  // Loaded, compared, tested; loaded, pushed for a call (which replaces r1 anyway).
  EXPECT_EQ(
      runPass(
          ZCLPassScratchResult,
          {ZOP_MOVEH_DH_R, 9, 3, ZOP_CSLTL_R_SD_R, 3, 2,          4, ZOP_TSTEQ_R_OFS, 4, 6,       ZOP_LDZ_R, 1, ZOP_RET,
           ZOP_COPY_SD_R,  2, 5, ZOP_DECL_R,       5, ZOP_PUSH_R, 5, ZOP_JSR_IMM,     0, ZOP_POP, ZOP_RET}),
      "moveh 9,r1; csltl r1,(sp+2),r1; tsteq r1,to 13; ldz r1; ret; copy (sp+2),r1; decl r1; push r1; "
      "jsr 0; pop; ret");
  // r1 still needed (the return reads it, or it is read after), the temporary living across a
  // call, a branch into its life or a branch out while it is needed, a copy out of r1: unchanged.
  const ZCLCode keep[] = {
      {ZOP_MOVEH_DH_R, 9, 3, ZOP_PUSH_R, 3, ZOP_RET},
      {ZOP_MOVEH_DH_R, 9, 3, ZOP_PUSH_R, 3, ZOP_COPY_R_R, 1, 4, ZOP_JSR_IMM, 0, ZOP_RET},
      {ZOP_LDZ_R, 1, ZOP_COPY_SD_R, 2, 3, ZOP_JSR_IMM, 0, ZOP_PUSH_R, 3, ZOP_JSR_IMM, 0, ZOP_RET},
      {ZOP_LDZ_R, 1, ZOP_COPY_SD_R, 2, 3, ZOP_NOP, ZOP_PUSH_R, 3, ZOP_BRA_OFS, -3},
      {ZOP_LDZ_R, 1, ZOP_COPY_SD_R, 2, 3, ZOP_TSTEQ_R_OFS, 3, 3, ZOP_PUSH_R, 3, ZOP_JSR_IMM, 0, ZOP_RET},
      {ZOP_JSR_IMM, 0, ZOP_COPY_R_R, 1, 3, ZOP_PUSH_R, 3, ZOP_JSR_IMM, 0, ZOP_RET},
  };
  for (const ZCLCode& code : keep) {
    bool changed = true;
    EXPECT_EQ(runPass(ZCLPassScratchResult, code, nullptr, &changed), dis(code));
    EXPECT_FALSE(changed) << dis(code);
  }
}

namespace {

// `if (k < 2) return k; <body>` as the passes before leave it, saving r3-r4 (or only r3), with
// the argument k behind the saved registers.
ZCLCode earlyExit(const ZCLCode& exitPath, const ZCLCode& body, int saved = 2) {
  const ZILLong k = kZCLArgumentBias + saved;
  ZCLCode save = {ZOP_PUSHR_REGS, 3, 2}, restore = {ZOP_POPR_REGS, 3, 2};
  if (saved == 1)
    save = {ZOP_PUSH_R, 3}, restore = {ZOP_POP_R, 3};
  ZCLCode code = save;
  code.insert(code.end(), {ZOP_MOVEH_DH_R, 9, 1, ZOP_CSLTL_R_SD_R, 1, k, 1, ZOP_TSTEQ_R_OFS, 1, 0});
  const size_t offsetWord = code.size() - 1;
  code.insert(code.end(), exitPath.begin(), exitPath.end());
  code.insert(code.end(), restore.begin(), restore.end());
  code.push_back(ZOP_RET);
  code[offsetWord] = static_cast<ZILLong>(code.size() - (offsetWord - 2));
  code.insert(code.end(), body.begin(), body.end());
  code.insert(code.end(), restore.begin(), restore.end());
  code.push_back(ZOP_RET);
  return code;
}

const ZCLCode kBody = {ZOP_COPY_SD_R, kZCLArgumentBias + 2, 3, ZOP_PUSH_R, 3, ZOP_JSR_IMM, 0, ZOP_POP};

}  // namespace

TEST(OptimizerPasses, RegisterSavesMoveBehindAnEarlyExit) {
  ZCLOptStats stats;
  bool changed = false;
  const std::string k = "(sp+" + std::to_string(kZCLArgumentBias + 2) + ")";
  const std::string body = "copy " + k + ",r3; push r3; jsr 0; pop; popr r3-r4; ret";
  const ZCLCode exitK = {ZOP_COPY_SD_R, kZCLArgumentBias + 2, 1};
  EXPECT_EQ(runPass(ZCLPassSaveLate, earlyExit(exitK, kBody), &stats, &changed),
            "moveh 9,r1; csltl r1,(sp+0),r1; tsteq r1,to 14; copy (sp+0),r1; ret; pushr r3-r4; " + body);
  EXPECT_TRUE(changed);
  EXPECT_EQ(stats.removed, 1);
  EXPECT_EQ(runPass(ZCLPassSaveLate, earlyExit({ZOP_COPY_SD_R, kZCLArgumentBias + 1, 1}, kBody, 1)),
            "moveh 9,r1; csltl r1,(sp+0),r1; tsteq r1,to 14; copy (sp+0),r1; ret; push r3; copy " + k +
                ",r3; push r3; jsr 0; pop; pop r3; ret");
  // Two early exits in a row: the saves move behind both.
  ZCLCode inner = earlyExit({ZOP_LDZ_R, 1}, kBody);
  inner.erase(inner.begin(), inner.begin() + 3);
  EXPECT_EQ(runPass(ZCLPassSaveLate, earlyExit(exitK, inner)),
            "moveh 9,r1; csltl r1,(sp+0),r1; tsteq r1,to 14; copy (sp+0),r1; ret; moveh 9,r1; "
            "csltl r1,(sp+0),r1; tsteq r1,to 27; ldz r1; ret; pushr r3-r4; " +
                body + "; popr r3-r4; ret");
  // The exit names a saved register, pushes or calls; the body branches back to the test or
  // before it: the saves stay first.
  const ZCLCode keep[] = {
      earlyExit({ZOP_COPY_R_R, 3, 1}, kBody),
      earlyExit({ZOP_PUSH_SD, kZCLArgumentBias + 2, ZOP_POP_R, 1}, kBody),
      earlyExit({ZOP_JSR_IMM, 0}, kBody),
      earlyExit({ZOP_LDZ_R, 1}, {ZOP_NOP, ZOP_BRA_OFS, -1}),
      earlyExit({ZOP_LDZ_R, 1}, {ZOP_NOP, ZOP_BRA_OFS, -10}),
  };
  for (const ZCLCode& code : keep)
    EXPECT_EQ(runPass(ZCLPassSaveLate, code), dis(code));
}

namespace {

// Marks every word with line = 1 + the address of its instruction, so a mark tells which
// original instruction a word came from.
void markInstructions(ZCLCode& code) {
  code.lines.assign(code.size(), ZCLLineMark{});
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len)
    for (size_t w = pc; w < pc + len; w++)
      code.lines[w] = ZCLMakeLineMark(1, static_cast<int>(pc) + 1);
}

std::string lineList(const ZCLCode& code) {
  std::string text;
  for (const ZCLLineMark& m : code.lines)
    text += std::to_string(ZCLMarkLine(m)) + " ";
  return text;
}

}  // namespace

TEST(OptimizerEdits, LineMarksStayBesideTheirWords) {
  // 0 nop; 1 ldz r1; 3 nop; 4 ret
  const ZCLCode original = {ZOP_NOP, ZOP_LDZ_R, 1, ZOP_NOP, ZOP_RET};
  const ZILLong incl[2] = {ZOP_INCL_R, 1};
  struct Case {
    size_t pos, n, m;
    const char* lines;
    const char* why;
  } cases[] = {
      {1, 2, 0, "1 4 5 ", "removed words take their marks along"},
      {3, 0, 2, "1 2 2 4 4 4 5 ", "inserted words take the mark of the word they go before"},
      {5, 0, 2, "1 2 2 4 5 5 5 ", "at the end, the mark of the last word"},
      {1, 2, 2, "1 2 2 4 5 ", "a replacement keeps the mark of what it replaces"},
      {0, 4, 2, "1 1 5 ", "a merged instruction keeps the mark of the first it replaces"},
  };
  for (const Case& c : cases) {
    ZCLCode code = original;
    markInstructions(code);
    ZCLReplaceWords(code, c.pos, c.n, incl, c.m);
    EXPECT_EQ(lineList(code), c.lines) << c.why;
  }
  ZCLCode unmarked = original;
  ZCLDeleteWords(unmarked, 0, 1);
  EXPECT_TRUE(unmarked.lines.empty()) << "code without marks gets none";

  // A pass that rearranges the code moves each instruction's marks with it.
  ZCLCode code = earlyExit({ZOP_COPY_SD_R, kZCLArgumentBias + 2, 1}, kBody);
  markInstructions(code);
  const ZCLCode before = code;
  ZCLOptStats stats;
  bool changed = false;
  ASSERT_EQ(ZCLPassSaveLate(code, stats, changed), 0);
  ASSERT_TRUE(changed);
  ASSERT_EQ(code.lines.size(), code.size());
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len)
    for (size_t w = pc; w < pc + len; w++)
      EXPECT_EQ(before[static_cast<size_t>(ZCLMarkLine(code.lines[w])) - 1], code[pc])
          << "word " << w << ": " << dis(code);
}

TEST(OptimizerPasses, CopyingAValueBackIntoItsOwnCopyIsDropped) {
  ZCLOptStats stats;
  EXPECT_EQ(runPass(ZCLPassCopyBack,
                    {ZOP_COPY_R_R, 4, 1, ZOP_MULF_R_R, 9, 1, ZOP_COPY_R_R, 1, 4, ZOP_COPY_R_R, 4, 1, ZOP_ADDF_R_R, 1, 5,
                     ZOP_RET},
                    &stats),
            "copy r4,r1; mulf r9,r1; copy r1,r4; addf r1,r5; ret");
  EXPECT_EQ(stats.removed, 1);
  // r1 shares its handle (a move, a push, a call's result) or the copy back is a branch target:
  // the copy back stays, or the in-place step after it would change the shared value.
  const ZCLCode keep[] = {
      {ZOP_MOVE_R_R, 4, 1, ZOP_COPY_R_R, 1, 5, ZOP_COPY_R_R, 5, 1, ZOP_INCL_R, 1, ZOP_RET},
      {ZOP_COPY_R_R, 4, 1, ZOP_PUSH_R, 1, ZOP_COPY_R_R, 1, 5, ZOP_COPY_R_R, 5, 1, ZOP_INCL_R, 1, ZOP_RET},
      {ZOP_COPY_R_R, 4, 1, ZOP_JSR_IMM, 0, ZOP_COPY_R_R, 1, 5, ZOP_COPY_R_R, 5, 1, ZOP_INCL_R, 1, ZOP_RET},
      {ZOP_COPY_R_R, 4, 1, ZOP_COPY_R_R, 1, 5, ZOP_COPY_R_R, 5, 1, ZOP_INCL_R, 1, ZOP_BRA_OFS, -5},
  };
  for (const ZCLCode& code : keep)
    EXPECT_EQ(runPass(ZCLPassCopyBack, code), dis(code));
}

TEST(OptimizerPasses, CopiesFoldIntoThreeAddressOperations) {
  struct Case {
    ZCLCode code;
    const char* expected;
  } cases[] = {
      {{ZOP_COPY_R_R, 4, 1, ZOP_MULF_R_R, 9, 1, ZOP_RET}, "mulf3 r4,r9,r1; ret"},
      {{ZOP_COPY_R_R, 7, 1, ZOP_MULL_R_R, 1, 1, ZOP_RET}, "mull3 r7,r7,r1; ret"},
      // Stored back: into the variable directly, the temporary reloaded by the next operation.
      {{ZOP_ADDF_R_R, 10, 1, ZOP_COPY_R_R, 1, 4, ZOP_LDZ_R, 1, ZOP_RET}, "addf3 r1,r10,r4; ldz r1; ret"},
      {{ZOP_MODF_R_R, 11, 1, ZOP_COPY_R_R, 1, 4, ZOP_MULF_R_R, 8, 1, ZOP_ADDF_R_R, 1, 5, ZOP_RET},
       "modf3 r1,r11,r4; mulf3 r4,r8,r1; addf r1,r5; ret"},
      // Division into r1 only (a failure would leave a variable holding the copy).
      {{ZOP_COPY_R_R, 3, 1, ZOP_DIVL_R_R, 4, 1, ZOP_RET}, "divl3 r3,r4,r1; ret"},
      {{ZOP_COPY_R_R, 3, 5, ZOP_DIVL_R_R, 4, 5, ZOP_RET}, "copy r3,r5; divl r4,r5; ret"},
      // The temporary still read, a branch target between, or a form without three operands.
      {{ZOP_ADDL_R_R, 4, 1, ZOP_COPY_R_R, 1, 5, ZOP_PUSH_R, 1, ZOP_RET}, "addl r4,r1; copy r1,r5; push r1; ret"},
      {{ZOP_COPY_R_R, 3, 1, ZOP_ADDL_R_R, 4, 1, ZOP_BRA_OFS, -3}, "copy r3,r1; addl r4,r1; bra to 3"},
      {{ZOP_COPY_R_R, 3, 1, ZOP_AND_R_R, 4, 1, ZOP_RET}, "copy r3,r1; and r4,r1; ret"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(runPass(ZCLPassThreeAddress, c.code), c.expected);
}

TEST(OptimizerPasses, CompareAndTestBecomeOneBranch) {
  // Constant 7 holds the int 1.
  const ZCLIntConstant ints = [](ZILLong dh, ZILLong* v) {
    *v = 1;
    return dh == 7;
  };
  auto run = [&](ZCLCode code) {
    ZCLOptStats stats;
    bool changed = false;
    EXPECT_EQ(ZCLPassCompareBranch(code, stats, changed, ints), 0);
    return dis(code);
  };
  // A loop's test, taken when true; when false the branch is the opposite compare.
  EXPECT_EQ(run({ZOP_INCL_R, 6, ZOP_CSLTL_R_R_R, 3, 6, 1, ZOP_TSTNE_R_OFS, 1, -6, ZOP_LDZ_R, 1, ZOP_RET}),
            "incl r6; bltl r3,r6,to 0; ldz r1; ret");
  EXPECT_EQ(run({ZOP_CSLTL_R_SD_R, 3, 0, 1, ZOP_TSTEQ_R_OFS, 1, 6, ZOP_LDZ_R, 1, ZOP_RET, ZOP_LDZ_R, 1, ZOP_RET}),
            "bgel r3,(sp+0),to 7; ldz r1; ret; ldz r1; ret");
  // An int constant loaded just before becomes the immediate.
  EXPECT_EQ(run({ZOP_MOVEH_DH_R, 7, 1, ZOP_CSLTL_R_SD_R, 1, 0, 1, ZOP_TSTEQ_R_OFS, 1, 6, ZOP_LDZ_R, 1, ZOP_RET,
                 ZOP_LDZ_R, 1, ZOP_RET}),
            "bgel 1,(sp+0),to 7; ldz r1; ret; ldz r1; ret");
  // The result still read, or the test a branch target: unchanged.
  EXPECT_EQ(run({ZOP_CSLTL_R_R_R, 3, 6, 1, ZOP_TSTNE_R_OFS, 1, 3, ZOP_RET}), "csltl r3,r6,r1; tstne r1,to 7; ret");
  EXPECT_EQ(run({ZOP_CSLTL_R_R_R, 3, 6, 1, ZOP_TSTNE_R_OFS, 1, 3, ZOP_LDZ_R, 1, ZOP_BRA_OFS, -5}),
            "csltl r3,r6,r1; tstne r1,to 7; ldz r1; bra to 4");
}

TEST(OptimizerPasses, CountedLoopsStepAndTestInOneInstruction) {
  // bra to C; B: ldz r1; incl r6; C: bltl a, r6, to B; ret
  EXPECT_EQ(
      runPass(ZCLPassLoopStep, {ZOP_BRA_OFS, 6, ZOP_LDZ_R, 1, ZOP_INCL_R, 6, ZOP_BLTL_R_R_OFS, 3, 6, -4, ZOP_RET}),
      "bgel r3,r6,to 10; ldz r1; ibltl r3,r6,to 4; ret");
  EXPECT_EQ(
      runPass(ZCLPassLoopStep, {ZOP_BRA_OFS, 6, ZOP_LDZ_R, 1, ZOP_INCL_R, 6, ZOP_BLEL_IMM_R_OFS, 100, 6, -4, ZOP_RET}),
      "bgtl 100,r6,to 10; ldz r1; iblel 100,r6,to 4; ret");
  // Another branch to the test, a step of another register, or a test that reads the counter as
  // its limit: unchanged.
  EXPECT_EQ(runPass(ZCLPassLoopStep,
                    {ZOP_BRA_OFS, 7, ZOP_TSTNE_R_OFS, 1, 5, ZOP_INCL_R, 6, ZOP_BLTL_R_R_OFS, 3, 6, -5, ZOP_RET}),
            "bra to 7; tstne r1,to 7; incl r6; bltl r3,r6,to 2; ret");
  EXPECT_EQ(
      runPass(ZCLPassLoopStep, {ZOP_BRA_OFS, 6, ZOP_LDZ_R, 1, ZOP_INCL_R, 5, ZOP_BLTL_R_R_OFS, 3, 6, -4, ZOP_RET}),
      "bra to 6; ldz r1; incl r5; bltl r3,r6,to 2; ret");
  EXPECT_EQ(
      runPass(ZCLPassLoopStep, {ZOP_BRA_OFS, 6, ZOP_LDZ_R, 1, ZOP_INCL_R, 6, ZOP_BLTL_R_R_OFS, 6, 6, -4, ZOP_RET}),
      "bra to 6; ldz r1; incl r6; bltl r6,r6,to 2; ret");
}

TEST(OptimizerPasses, AProductAddedRightAwayBecomesAMultiplyAdd) {
  EXPECT_EQ(runPass(ZCLPassMultiplyAdd, {ZOP_MULF3_R_R_R, 4, 9, 1, ZOP_ADDF_R_R, 10, 1, ZOP_RET}),
            "madf3 r4,r9,r10,r1; ret");
  EXPECT_EQ(runPass(ZCLPassMultiplyAdd, {ZOP_MULF3_R_R_R, 4, 8, 1, ZOP_ADDF_R_R, 1, 5, ZOP_LDZ_R, 1, ZOP_RET}),
            "madf3 r4,r8,r5,r5; ldz r1; ret");
  // The product still read afterwards, or added to itself: unchanged.
  EXPECT_EQ(runPass(ZCLPassMultiplyAdd, {ZOP_MULF3_R_R_R, 4, 8, 1, ZOP_ADDF_R_R, 1, 5, ZOP_PUSH_R, 1, ZOP_RET}),
            "mulf3 r4,r8,r1; addf r1,r5; push r1; ret");
  EXPECT_EQ(runPass(ZCLPassMultiplyAdd, {ZOP_MULF3_R_R_R, 4, 8, 1, ZOP_ADDF_R_R, 1, 1, ZOP_RET}),
            "mulf3 r4,r8,r1; addf r1,r1; ret");
}
