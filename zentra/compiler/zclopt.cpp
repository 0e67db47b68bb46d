// The optimizer driver: runs the passes of a function's optimize level in their fixed order,
// repeating the passes that can enable themselves, and keeps the statistics of the run and the
// compiler state's totals with their verbose log lines.
#include "zentra/compiler/zclopt.h"

#include <cstdio>

#include "zentra/compiler/zcllines.h"
#include "zentra/compiler/zclstate.h"
#include "zilopcodes.h"

namespace {

typedef ZILError (*Pass)(ZCLCode&, ZCLOptStats&, bool&);

ZILError runOnce(Pass pass, ZCLCode& code, ZCLOptStats& stats, bool* changed = nullptr) {
  bool c = false;
  ZILError err = pass(code, stats, c);
  stats.passesRun++;
  if (c)
    stats.changingPasses++;
  if (changed)
    *changed = c;
  return err;
}

// Walks again until a walk changes nothing; each walk counts as a pass run.
ZILError runRepeated(Pass pass, ZCLCode& code, ZCLOptStats& stats) {
  for (bool changed = true; changed;)
    if (ZILError err = runOnce(pass, code, stats, &changed))
      return err;
  return ZCL_OK;
}

// Marks the argument operands the generator recorded (see kZCLArgumentBias).
void biasArguments(ZCLFunc* func) {
  for (size_t word : func->argOperands)
    if (word < func->code.size())
      func->code[word] += kZCLArgumentBias;
}

// Takes the marks off again and records where the argument operands are now.
void unbiasArguments(ZCLFunc* func) {
  if (func->argOperands.empty())
    return;
  func->argOperands.clear();
  std::vector<ZILLong>& code = func->code;
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len) {
    const ZILOpcodeInfo* info = ZILGetOpcodeInfo(code[pc]);
    size_t w = pc + 1;
    for (ZILLong i = 0; i < info->operandCount; i++) {
      const ZILLong kind = info->kinds[i];
      if (kind == ZILK_SD && code[w] >= kZCLArgumentBias / 2) {
        code[w] -= kZCLArgumentBias;
        func->argOperands.push_back(w);
      }
      w += (kind == ZILK_RD || kind == ZILK_RR || kind == ZILK_REGS) ? 2 : 1;
    }
  }
}

int savedRegisterCount(const std::vector<ZILLong>& code) {
  if (ZCLInstrLength(code, 0) == 0)
    return 0;
  if (code[0] == ZOP_PUSHR_REGS)
    return static_cast<int>(code[2]);
  return code[0] == ZOP_PUSH_R ? 1 : 0;
}

}  // namespace

ZILError ZCLOptimizeCode(ZCLCode& code, int level, bool stackLocals, ZCLOptStats& stats,
                         const ZCLIntConstant* intConstant) {
  stats.lengthBefore = static_cast<int>(code.size());
  ZILError err = ZCL_OK;
  if (level >= 1 && !code.empty()) {
    if (!err)
      err = runOnce(ZCLPassMergePushPop, code, stats);
    if (!err)
      err = runRepeated(ZCLPassLoadMove, code, stats);
    if (level >= 2) {
      if (!err)
        err = runOnce(ZCLPassSelfCopy, code, stats);
      if (!err)
        err = runOnce(ZCLPassLoadUse, code, stats);
      if (!err)
        err = runOnce(ZCLPassCompare, code, stats);
      if (!err)
        err = runRepeated(ZCLPassWriteBack, code, stats);
    }
    if (level >= 3) {
      if (!err && intConstant) {
        bool c = false;
        err = ZCLPassUnitSteps(code, stats, c, *intConstant);
        stats.passesRun++;
        stats.changingPasses += c ? 1 : 0;
      }
      if (!err)
        err = runOnce(ZCLPassResultInPlace, code, stats);
      if (!err && stackLocals)
        err = runOnce(ZCLPassRegisterReuse, code, stats);
      if (!err)
        err = runOnce(ZCLPassTrimSaves, code, stats);
      if (!err)
        err = runOnce(ZCLPassHoistConstants, code, stats);
      bool scratch = false;
      if (!err)
        err = runOnce(ZCLPassScratchResult, code, stats, &scratch);
      if (!err && scratch)
        err = runOnce(ZCLPassCopyBack, code, stats);
      if (!err && scratch)
        err = runOnce(ZCLPassTrimSaves, code, stats);
      if (!err)
        err = runOnce(ZCLPassSaveLate, code, stats);
      if (!err)
        err = runOnce(ZCLPassThreeAddress, code, stats);
      if (!err)
        err = runOnce(ZCLPassMultiplyAdd, code, stats);
      if (!err && intConstant) {
        bool c = false;
        err = ZCLPassCompareBranch(code, stats, c, *intConstant);
        stats.passesRun++;
        stats.changingPasses += c ? 1 : 0;
      }
      if (!err)
        err = runOnce(ZCLPassLoopStep, code, stats);
    }
  }
  stats.lengthAfter = static_cast<int>(code.size());
  return err;
}

void ZCLFullName(const ZCLClass* cls, const ZCLFunc* func, char* buffer, size_t size) {
  // Global functions and cofunctions (each its own thread class) go by their plain name.
  if (!cls || cls->typeId == kZCLGlobalClassId || cls->family == ZIL_FAMILY_THREAD)
    std::snprintf(buffer, size, "%s", func->name.c_str());
  else
    std::snprintf(buffer, size, "%s::%s", cls->name.c_str(), func->name.c_str());
}

ZILError ZCLOptimizeFunction(ZCLState* st, ZCLClass* cls, ZCLFunc* func) {
  const int before = static_cast<int>(func->code.size()) * 4;
  st->sizeBefore += before;
  const int level = func->optimizeLevel;
  if (level <= 0 || func->code.empty()) {
    st->sizeAfter += before;
    return ZCL_OK;
  }
  char name[512];
  ZCLFullName(cls, func, name, sizeof name);
  ZCLVerbose(st, "Optimizing %s ...\n", name);
  ZCLOptStats stats;
  biasArguments(func);
  ZILState* ps = st->ps;
  const ZCLIntConstant intConstant = [ps](ZILLong dh, ZILLong* value) {
    if (dh < 0 || dh >= ps->data.count || ZILDataHandles(ps)[dh].type != ZIL_TYPE_INT)
      return false;
    *value = ZILDataHandles(ps)[dh].payload.l;
    return true;
  };
  // The passes edit the code with one line mark per word beside it; the runs come back.
  ZCLCode code;
  static_cast<std::vector<ZILLong>&>(code).swap(func->code);
  if (!func->lines.empty())
    ZCLLinesSpread(func->lines, code.size(), &code.lines);
  ZILError err = ZCLOptimizeCode(code, level, ZCLOptions(st).stackLocals != 0, stats, &intConstant);
  if (code.tracksLines())
    ZCLLinesGather(code.lines, &func->lines);
  else
    func->lines.clear();  // never a wrong line
  static_cast<std::vector<ZILLong>&>(code).swap(func->code);
  unbiasArguments(func);
  if (func->savedRegisters > 0)
    func->savedRegisters = savedRegisterCount(func->code);
  const int after = static_cast<int>(func->code.size()) * 4;
  if (stats.saved() != 0 || stats.lengthAfter != stats.lengthBefore) {
    ZCLVerbose(st, "Saved %d instructions in %d of %d passes.\nCode size reduced from %d to %d bytes.\n", stats.saved(),
               stats.changingPasses, stats.passesRun, before, after);
    st->savedInstructions += stats.saved();
  }
  st->sizeAfter += after;
  return err;
}
