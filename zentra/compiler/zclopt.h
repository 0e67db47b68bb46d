// The peephole optimizer of the link step: a function's code words are rewritten in place by a
// fixed sequence of passes. Every pass walks the code by the instruction-length table and edits
// it through the primitives below, which keep every branch pointing at the same instruction.
// Passes see only the word list, so they can be run (and tested) on hand-built code.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include <cstdint>

#include "zentra/compiler/zclerrors.h"
#include "zentra/compiler/zclfile.h"
#include "zilapi.h"
#include "zilopcodes.h"

struct ZCLState;
struct ZCLClass;
struct ZCLFunc;

// One optimizer run. Saved instructions = removed - written.
struct ZCLOptStats {
  int removed = 0;       // instructions taken out
  int written = 0;       // instructions written in their place
  int lengthBefore = 0;  // words
  int lengthAfter = 0;   // words
  int changingPasses = 0;
  int passesRun = 0;
  int saved() const { return removed - written; }
};

// A function's code words as the optimizer edits them. When `lines` holds one line mark per
// word (a function's ZCLFunc::lines), the editing primitives keep every mark beside its word:
// words written in place of others take the mark of the first word they replace (the
// statement they were made from), inserted words the mark of the word they are put before. An
// empty `lines` (code built by hand) is left alone.
struct ZCLCode : std::vector<ZILLong> {
  using std::vector<ZILLong>::vector;
  std::vector<ZCLLineMark> lines;
  bool tracksLines() const { return !lines.empty() && lines.size() == size(); }
};

// Saved registers lie on the data stack between a function's arguments and its locals, so the
// (sp+d) operands that address an argument count them. While the optimizer runs, those operand
// words carry this bias: passes compare them like any other slot, and when register save
// trimming drops a saved register it lowers every biased operand by one.
constexpr ZILLong kZCLArgumentBias = 1 << 24;

// ---------------------------------------------------------------------------------------------
// Decoding (zclopt_code.cpp).

// Instruction lengths in words by opcode, from the runtime's instruction table.
inline constexpr unsigned char kZCLInstrLengths[ZIL_OPCODE_COUNT] = {
#define ZCL_LENGTH_OF(op, name, fam, mn, n, k1, k2, k3, k4, len) len,
    ZIL_OPCODE_LIST(ZCL_LENGTH_OF)
#undef ZCL_LENGTH_OF
};

// Length in words of the instruction at pos; 0 for an unknown opcode, a zero length or an
// instruction that would run past the end of the code (the walk stops there).
inline size_t ZCLInstrLength(const std::vector<ZILLong>& code, size_t pos) {
  if (pos >= code.size() || static_cast<uint32_t>(code[pos]) >= ZIL_OPCODE_COUNT)
    return 0;
  const size_t len = kZCLInstrLengths[code[pos]];
  return pos + len <= code.size() ? len : 0;
}

// One operand slot of an instruction: its kind (ZILK_*), first and second word.
struct ZCLSlot {
  int kind = 0;
  ZILLong a = 0, b = 0;
  bool operator==(const ZCLSlot& o) const { return kind == o.kind && a == o.a && (b == o.b || !twoWords()); }
  bool twoWords() const;
  // Whether the slot names register r (as the register itself, an object or array base, an
  // index register or part of a range).
  bool mentions(int r) const;
};

// The operands of the instruction at pos (at most 4); returns their count.
int ZCLDecode(const ZCLCode& code, size_t pos, ZCLSlot out[4]);
// Appends an instruction: opcode and its operands (one or two words each).
void ZCLEncode(ZCLCode& out, ZILLong opcode, const ZCLSlot* slots, int count);
// The opcode of the same family as `sample` whose operands have these kinds, -1 when the
// instruction set lacks that form.
ZILLong ZCLFindForm(ZILLong sample, const int* kinds, int count);

// The opcode of the same family as `sample` for these operand slots, -1 when none exists.
ZILLong ZCLFormFor(ZILLong sample, const ZCLSlot* slots, int count);
// Whether any operand of the instruction at pos names register r.
bool ZCLMentions(const ZCLCode& code, size_t pos, int r);
// Whether an opcode lies in the run [lo, hi] of the instruction table.
constexpr bool ZCLOpIn(ZILLong op, ZILLong lo, ZILLong hi) { return op >= lo && op <= hi; }
// Rewrites every operand naming register r (itself, as a base or as an index) of the
// instruction at pc to name s; register ranges stay.
void ZCLRenameRegister(ZCLCode& code, size_t pc, int r, int s);
// The same for every register at once: register r becomes nameOf[r].
void ZCLRenameRegisters(ZCLCode& code, size_t pc, const int nameOf[ZIL_REGISTER_COUNT]);
// Moves every (sp+d) operand that addresses an argument (those carrying kZCLArgumentBias) by
// delta: the number of saved registers between the arguments and the locals changed by that.
void ZCLShiftArgumentOperands(ZCLCode& code, ZILLong delta);

// The register an instruction replaces as a whole with a new handle (a load, move, copy, weak
// reference, allocation, conversion, size, type, ldz, compare or reference-compare result,
// newctx, newdg, newdgm, pop r), -1 when none.
int ZCLResultRegister(const ZCLCode& code, size_t pos);

// ---------------------------------------------------------------------------------------------
// Editing (zclopt_code.cpp). Each edit adjusts every branch whose target lies across it; a
// branch into removed words points at the first word after the edit (a branch to the edit's
// first word keeps pointing there).

void ZCLReplaceWords(ZCLCode& code, size_t pos, size_t n, const ZILLong* words, size_t m);
inline void ZCLDeleteWords(ZCLCode& code, size_t pos, size_t n) { ZCLReplaceWords(code, pos, n, nullptr, 0); }
inline void ZCLInsertWords(ZCLCode& code, size_t pos, const ZILLong* words, size_t m) {
  ZCLReplaceWords(code, pos, 0, words, m);
}

// The same for a caller that keeps the addresses of the function's branches (ZCLBranches): only
// those are looked at, and they are moved with the edit.
void ZCLReplaceWordsAmong(ZCLCode& code, size_t pos, size_t n, const ZILLong* words, size_t m,
                          std::vector<size_t>& branches);
std::vector<size_t> ZCLBranches(const ZCLCode& code);

// Branch targets of a function, one flag per word.
std::vector<unsigned char> ZCLBranchTargets(const ZCLCode& code);

// Whether the value in register r may still be read after the instruction at pos (following
// fall-through and branches). A call, return, throw or yield reads r0 to r2; with
// callsReplaceResult, a call that names no r1 replaces r1 instead (it returns its value there).
bool ZCLRegisterLiveAfter(const ZCLCode& code, size_t pos, int r, bool callsReplaceResult = false);
// The same, before the instruction at pos runs.
bool ZCLRegisterLiveAt(const ZCLCode& code, size_t pos, int r, bool callsReplaceResult = false);
// The registers the instruction at pc reads (or changes in place) and those it replaces as a
// whole, as bit masks (bit r for register r), in the view of the liveness questions above.
void ZCLRegisterMasks(const ZCLCode& code, size_t pc, bool callsReplaceResult, uint32_t* reads, uint32_t* replaces);
// Every register's liveness at once, for passes that ask about many places: the instructions'
// addresses in order and, for each, the registers whose value may be read after it.
struct ZCLLiveness {
  std::vector<size_t> at;
  std::vector<uint32_t> reads, replaces;  // ZCLRegisterMasks of each instruction
  std::vector<uint32_t> liveOut;
};
ZCLLiveness ZCLComputeLiveness(const ZCLCode& code, bool callsReplaceResult);
// Whether the instruction at pos is a branch (bra, tsteq, tstne, the compare-and-branch forms and
// loop steps: the last word is an offset).
constexpr bool ZCLIsBranch(ZILLong op) {
  return op == ZOP_BRA_OFS || (op >= ZOP_TSTEQ_R_OFS && op <= ZOP_TSTNE_SD_OFS) ||
         (op >= ZOP_BEQL_R_R_OFS && op <= ZOP_IBLEL_IMM_R_OFS);
}
// Whether an instruction hands control to other code (a call, return, throw, yield, resume);
// such code may read or replace the registers with fixed roles, r0 to r2.
bool ZCLLeavesFunction(ZILLong opcode);

// ---------------------------------------------------------------------------------------------
// Passes. Each returns 0 (an error code would end the optimizer); `changed` tells whether it
// rewrote something. Passes 2 and 6 are single walks; the driver repeats them.

ZILError ZCLPassMergePushPop(ZCLCode& code, ZCLOptStats& stats, bool& changed);   // 1
ZILError ZCLPassLoadMove(ZCLCode& code, ZCLOptStats& stats, bool& changed);       // 2
ZILError ZCLPassSelfCopy(ZCLCode& code, ZCLOptStats& stats, bool& changed);       // 3
ZILError ZCLPassLoadUse(ZCLCode& code, ZCLOptStats& stats, bool& changed);        // 4
ZILError ZCLPassCompare(ZCLCode& code, ZCLOptStats& stats, bool& changed);        // 5
ZILError ZCLPassWriteBack(ZCLCode& code, ZCLOptStats& stats, bool& changed);      // 6
ZILError ZCLPassRegisterReuse(ZCLCode& code, ZCLOptStats& stats, bool& changed);  // 7
ZILError ZCLPassTrimSaves(ZCLCode& code, ZCLOptStats& stats, bool& changed);      // 8
// Level 3, last: constants loaded on every round of a loop and only read are loaded once
// before it, into registers of their own (zclopt_hoist.cpp).
ZILError ZCLPassHoistConstants(ZCLCode& code, ZCLOptStats& stats, bool& changed);

// Level 3, after the others (zclopt_scratch.cpp): a temporary that lives for a few
// straight-line instructions without a call moves into r1; and the register saves move behind
// early exits that need none of them.
ZILError ZCLPassScratchResult(ZCLCode& code, ZCLOptStats& stats, bool& changed);
ZILError ZCLPassSaveLate(ZCLCode& code, ZCLOptStats& stats, bool& changed);

// The int value of a data constant, for passes that look at small constants; false when the
// constant is not an int (or unknown).
using ZCLIntConstant = std::function<bool(ZILLong dh, ZILLong* value)>;
// Level 3 (zclopt_steps.cpp): adding or subtracting the int constant 1 or 2 becomes one or two
// incl/decl; and `copy X, rT; op Y, rT; move rT, D` becomes `copy X, D; op Y, D` for int and
// float ops (for division and remainder only when D is r1).
ZILError ZCLPassUnitSteps(ZCLCode& code, ZCLOptStats& stats, bool& changed, const ZCLIntConstant& intConstant);
ZILError ZCLPassResultInPlace(ZCLCode& code, ZCLOptStats& stats, bool& changed);
// Level 3, after temporaries moved into r1: `copy rA, rB; copy rB, rA` loses the second copy
// when rA holds a copy of its own (made by a copy and changed only in place since).
ZILError ZCLPassCopyBack(ZCLCode& code, ZCLOptStats& stats, bool& changed);
// Level 3, last (zclopt_fuse.cpp), the only passes that write instructions beyond the base set:
// a copy into a register and the int or float operation on it become one three-address
// instruction, and an int compare whose result only a test reads becomes a compare-and-branch
// (with an int constant loaded just before it as its immediate).
ZILError ZCLPassThreeAddress(ZCLCode& code, ZCLOptStats& stats, bool& changed);
// After it: a float product that is added right away becomes one `madf3`.
ZILError ZCLPassMultiplyAdd(ZCLCode& code, ZCLOptStats& stats, bool& changed);
ZILError ZCLPassCompareBranch(ZCLCode& code, ZCLOptStats& stats, bool& changed, const ZCLIntConstant& intConstant);
// After it: a loop entered by a branch to its test `incl ri; bltl a, ri, to BODY` tests on entry
// with the opposite branch instead, and the step and test become one `ibltl` (`iblel`).
ZILError ZCLPassLoopStep(ZCLCode& code, ZCLOptStats& stats, bool& changed);

// Runs the passes of an optimize level (0 to 3) over code; pass 7 only with stack locals on.
ZILError ZCLOptimizeCode(ZCLCode& code, int level, bool stackLocals, ZCLOptStats& stats,
                         const ZCLIntConstant* intConstant = nullptr);

// ---------------------------------------------------------------------------------------------
// Link-step finishing (zclopt.cpp, zcllink.cpp, zclpostlink.cpp).

// Runs the optimizer on one function, writes its verbose lines and adds to the state's totals.
ZILError ZCLOptimizeFunction(ZCLState* st, ZCLClass* cls, ZCLFunc* func);
// Gives default code to a function declared without a body (ZCL_WARN_Default_Code), then optimizes it.
// A strict function without code is left empty for the caller to report.
ZILError ZCLFinishFunction(ZCLState* st, ZCLClass* cls, ZCLFunc* func);
// "Class::name", or the plain name for global functions and cofunctions.
void ZCLFullName(const ZCLClass* cls, const ZCLFunc* func, char* buffer, size_t size);
// Turns every `calls handle` in the runtime's code into `jsr address`.
ZILError ZCLPostLink(ZILState* ps);
