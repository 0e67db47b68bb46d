// The link step: closes the global initialisation function, finishes every compiled function
// of the script classes (default code for bodies never given, the optimizer) and lays its code
// into the runtime's code segment, turns static calls into direct jumps, and prints the code-size
// statistics. Compile and link may repeat: functions laid out before keep their place, and only
// code that is new or changed (the reopened initialisation function) is laid out again. Each
// function laid out gives the runtime the source lines of its instructions.
#include "zilcompiler.h"

#include "zentra/compiler/zcllines.h"
#include "zentra/compiler/zclguard.h"
#include "zentra/compiler/zclopt.h"
#include "zentra/compiler/zclstate.h"
#include "zilopcodes.h"

namespace {

void closeInit(ZCLState* st) {
  ZCLFunc* init = st->classes[kZCLGlobalClassId]->funcs[0].get();
  ZILTypes(st->ps)[kZCLGlobalClassId].instanceSize =
      static_cast<ZILLong>(st->classes[kZCLGlobalClassId]->members.size());
  if (!st->initClosed) {
    init->code.push_back(ZOP_RET);
    st->initClosed = true;
  }
  init->optimizeLevel = ZCLOptions(st).optimize;
}

// Null into r1 and return; a cofunction yields null forever. (The data segment holds no null
// constant, so null comes from the stack: `push` puts the null handle there.)
void giveDefaultCode(ZCLFunc* f) {
  if (f->flags & kZCLFuncCofunction)
    f->code = {ZOP_PUSH, ZOP_POP_R, 1, ZOP_YIELD, ZOP_BRA_OFS, -1};
  else
    f->code = {ZOP_PUSH, ZOP_POP_R, 1, ZOP_RET};
  f->lines.clear();  // no source line: the function was never written
}

// Tells the runtime the source lines of a function laid out at address: an entry for each run
// of its line marks (one at the start, for code before the first run), and one after the code,
// so that what follows never takes this function's lines.
ZILError recordLines(ZCLState* st, const ZCLFunc* f, ZILLong address) {
  ZILState* ps = st->ps;
  ZILLineEntry entries[64];
  ZILLong count = 0;
  auto add = [&](size_t at, ZCLLineMark mark) -> ZILError {
    if (count == 64) {
      if (ZILError err = ZILAddLineEntries(ps, entries, count))
        return err;
      count = 0;
    }
    ZILLong file = -1, line = 0;
    ZCLResolveLineMark(st, mark, &file, &line);
    entries[count++] = {address + static_cast<ZILLong>(at), file, line};
    return ZCL_OK;
  };
  const size_t size = f->code.size();
  ZILError err = f->lines.empty() || f->lines[0].at > 0 ? add(0, 0) : ZCL_OK;
  for (size_t i = 0; !err && i < f->lines.size() && f->lines[i].at < size; i++)
    err = add(f->lines[i].at, f->lines[i].mark);
  if (!err)
    err = add(size, 0);
  return err ? err : ZILAddLineEntries(ps, entries, count);
}

// Lays one finished function into the code segment and records where it went.
ZILError layOut(ZCLState* st, ZCLClass* cls, ZCLFunc* f) {
  ZILState* ps = st->ps;
  if (f->handle < 0 || f->handle >= ps->funcs.count)
    return ZIL_ERR_Invalid_Function_Index;
  ZILLong address = 0;
  if (ZILError err = ZILAppendCode(ps, f->code.data(), static_cast<ZILLong>(f->code.size()), &address))
    return err;
  ZILFuncInfo* fi = ZILFuncs(ps) + f->handle;
  fi->codeAddress = address;
  fi->codeSize = static_cast<ZILLong>(f->code.size());
  f->linkAddress = address;
  if (ZILError err = recordLines(st, f, address))
    return err;
  // Only the initialisation function is laid out again (it grows with every compile); the
  // others' marks are in the runtime's table now.
  if (!(cls->typeId == kZCLGlobalClassId && f->index == 0))
    std::vector<ZCLLineRun>().swap(f->lines);
  if (cls->typeId == kZCLGlobalClassId && f->index == 0)
    ps->initCodeAddress = address;
  return ZCL_OK;
}

// The method number of the class's copy constructor (a constructor whose one argument is the
// class itself), -1 when it has none. The runtime's value copy runs it on every copy of an object.
ZILLong copyConstructorOf(const ZCLClass* cls) {
  for (const auto& f : cls->funcs)
    if ((f->flags & kZCLFuncConstructor) && f->args.size() == 1 && f->args[0].type.type == cls->typeId)
      return f->memberIndex;
  return -1;
}

ZILError linkClass(ZCLState* st, ZCLClass* cls) {
  ZILState* ps = st->ps;
  if (!cls->linked) {
    cls->linked = true;
    ZILTypeInfo* ti = ZILTypes(ps) + cls->typeId;
    if (cls->isNative) {
      if (ti->family != ZIL_FAMILY_CLASS)
        return ZIL_ERR_Illegal_Argument;
      ti->methodCount = static_cast<ZILLong>(cls->funcs.size());
    } else if (cls->family == ZIL_FAMILY_CLASS) {
      ti->instanceSize = static_cast<ZILLong>(cls->members.size());
    }
  }
  if (cls->isNative)
    return ZCL_OK;  // implemented by the type proc; no code
  for (auto& f : cls->funcs) {
    if (f->optimized && f->linkAddress >= 0)
      continue;  // laid out by an earlier link and unchanged since
    if (ZILError err = ZCLFinishFunction(st, cls, f.get()))
      return err;
    if (f->code.empty()) {
      if (f->defined)
        continue;  // no code generated for it (yet): stays unlinked
      char name[512];
      ZCLFullName(cls, f.get(), name, sizeof name);
      return ZCLError(st, name, f->inherited ? ZCL_ERR_Inherited_Method_Not_Implemented : ZCL_ERR_Function_Not_Defined);
    }
    if (ZILError err = layOut(st, cls, f.get()))
      return err;
  }
  if (cls->family == ZIL_FAMILY_CLASS && cls->typeId != kZCLGlobalClassId) {
    ZILTypeInfo* ti = ZILTypes(ps) + cls->typeId;
    if (ti->family != ZIL_FAMILY_CLASS)
      return ZIL_ERR_Illegal_Argument;
    if (cls->methodWords[1] < 0)
      cls->methodWords[1] = copyConstructorOf(cls);
    ti->compilerWord1 = cls->methodWords[0];
    ti->copyConstructor = cls->methodWords[1];
    ti->compilerWord2 = cls->methodWords[2];
  }
  return ZCL_OK;
}

ZILError linkAll(ZCLState* st) {
  ZILState* ps = st->ps;
  ZCLVerbose(st, "Linking...\n");
  closeInit(st);
  st->savedInstructions = st->sizeBefore = st->sizeAfter = 0;
  ZILError err = ZCL_OK;
  for (auto& cls : st->classes) {
    if (cls->placeholder || (cls->family != ZIL_FAMILY_CLASS && cls->family != ZIL_FAMILY_THREAD) ||
        (cls->modifiers & kZCLModNative))
      continue;
    if ((err = linkClass(st, cls.get())))
      break;
  }
  if (!err)
    err = ZCLPostLink(ps);
  ZCLFlushMessages(&st->diag);
  if (st->savedInstructions > 0) {
    ZCLVerbose(st, "Saved %d instructions in total.\n", st->savedInstructions);
    ZCLVerbose(st, "Code size reduced from %d to %d bytes in total.\n", st->sizeBefore, st->sizeAfter);
  } else {
    ZCLVerbose(st, "Created %d bytes of code in total.\n", st->sizeBefore);
  }
  ZCLVerbose(st, "%d Files, %d Errors, %d Warnings, %g seconds.\n", st->filesCompiled, st->diag.errors,
             st->diag.warnings, (ZCLClockMs() - st->startTime) / 1000.0);
  return err;
}

}  // namespace

ZILError ZCLFinishFunction(ZCLState* st, ZCLClass* cls, ZCLFunc* func) {
  if (func->optimized)
    return ZCL_OK;
  if (func->code.empty() && !func->defined) {
    if (func->flags & kZCLFuncStrict)
      return ZCL_OK;  // the caller reports it
    char name[512];
    ZCLFullName(cls, func, name, sizeof name);
    ZCLWarning(st, name, ZCL_WARN_Default_Code);
    giveDefaultCode(func);
    func->defined = true;
  }
  // Literals were added to the data segment when the body was finished; nothing is pending.
  ZILError err = ZCLOptimizeFunction(st, cls, func);
  if (!err)
    func->optimized = true;
  return err;
}

ZILError ZCLLink(ZILState* ps) {
  ZCLState* st = ZCLGetState(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  if (st->diag.fatal)
    return ZCL_ERR_Fatal;
  if (st->classes.size() <= kZCLGlobalClassId || st->classes[kZCLGlobalClassId]->funcs.empty())
    return ZIL_ERR_Initialize_Failed;
  return ZCLGuarded(st, "ZCLLink", [st] { return linkAll(st); });
}
