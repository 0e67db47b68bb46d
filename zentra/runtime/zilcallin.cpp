// zilcallin.cpp - calls from native code into script code: looking up global functions,
// calling a delegate with tagged arguments (the root context's registers and stack positions are
// saved and restored around each call), and the member delegates of a script object.
#include <cstdarg>
#include <cstring>

#include "zilinternal.h"
#include "ziltools.h"

namespace {

bool inDelegateFamily(ZILState* ps, const ZILHandle* h) {
  return ZILTypeValid(ps, h->type) && ZILTypes(ps)[h->type].family == ZIL_FAMILY_DELEGATE &&
         !ZILTypes(ps)[h->type].isNative && h->payload.p;
}

ZILError runScript(ZILState* ps, ZILContext* ctx, ZILLong f) {
  ZILLong address = ZILFuncs(ps)[f].codeAddress;
  if (address < 0 || address >= ps->code.count)
    return ZIL_EXC_Invalid_Code_Address;
  return ZILRunNested(ps, ctx, address);
}

ZILError callDelegate(ZILState* ps, ZILContext* ctx, ZILHandle* fn) {
  if (!fn || fn->type == ZIL_TYPE_NULL) {
    ZILStoreSlot(ps, ctx->regs + 1, ZILNullRef(ps));
    return 0;
  }
  if (!inDelegateFamily(ps, fn))
    return ZIL_ERR_Invalid_Handle_Type;
  ZILDelegate* d = static_cast<ZILDelegate*>(fn->payload.p);
  if (ZILHandle* obj = d->object) {
    if (!ZILTypeValid(ps, obj->type) || ZILTypes(ps)[obj->type].family != ZIL_FAMILY_CLASS || !obj->payload.p)
      return ZIL_ERR_Invalid_Handle_Type;
    const ZILTypeInfo& ti = ZILTypes(ps)[obj->type];
    if (ti.isNative)
      return ZILCallNative(ps, ctx, ctx->pc, obj->type, NTL_CallMember, d->index, obj->payload.p);
    ZILLong f = d->index >= 0 && d->index < ti.methodCount ? ZILMethodFunction(ps, obj->type, d->index) : -1;
    if (f < 0 || f >= ps->funcs.count)
      return ZIL_ERR_Invalid_Member_Index;
    ZILAddRef(obj);
    ZILStoreSlot(ps, ctx->regs, obj);
    return runScript(ps, ctx, f);
  }
  if (d->index < 0 || d->index >= ps->funcs.count)
    return ZIL_ERR_Invalid_Function_Index;
  const ZILFuncInfo& fi = ZILFuncs(ps)[d->index];
  if (ZILTypeValid(ps, fi.typeID) && ZILTypes(ps)[fi.typeID].isNative)
    return ZILCallNative(ps, ctx, ctx->pc, fi.typeID, NTL_CallStatic, fi.memberIndex, nullptr);
  return runScript(ps, ctx, d->index);
}

ZILHandle* errorValue(ZILState* ps, ZILError code) {
  ZILHandle* h = ZILNewHandle(ps);
  if (h) {
    h->type = ZIL_TYPE_EXCEPTION;
    h->payload.p = nullptr;
    h->payload.l = code;
  }
  return h;
}

}  // namespace

ZILError ZILInvokeDelegate(ZILState* ps, ZILHandle* fn, ZILLong argc, ZILHandle* const* args, ZILHandle** pResult) {
  if (!ps || argc < 0 || (argc > 0 && !args))
    return ZIL_ERR_Illegal_Argument;
  if (ps->blocked)
    return ZIL_ERR_Runtime_Blocked;
  ZILError e = ZILPrepareRun(ps);
  if (e)
    return e;
  ZILContext* ctx = ps->current ? ps->current : ps->root;
  if (ctx->sp - argc < 0)
    return ZIL_EXC_Stack_Overflow;
  ZILHandle* savedThis = ctx->regs[0];
  ZILHandle* savedResult = ctx->regs[1];
  ZILAddRef(savedThis);
  ZILAddRef(savedResult);
  ZILLong savedPC = ctx->pc;
  ZILLong savedSP = ctx->sp;
  ZILLong savedCSP = ctx->csp;
  ctx->sp -= argc;
  for (ZILLong i = 0; i < argc; ++i) {
    ZILHandle* a = args[i] ? args[i] : ps->nullHandle;
    ZILAddRef(a);
    ctx->dataStack[ctx->sp + i] = a;
  }
  if (fn)
    ZILAddRef(fn);  // the delegate may drop the last other reference to itself
  e = callDelegate(ps, ctx, fn);
  if (fn)
    ZILRelease(ps, fn);
  if (!e && pResult) {
    *pResult = ctx->regs[1];
    ZILAddRef(*pResult);
  }
  ZILStoreSlot(ps, ctx->regs, savedThis);
  ZILStoreSlot(ps, ctx->regs + 1, savedResult);
  while (ctx->sp < savedSP)
    ZILRelease(ps, ctx->dataStack[ctx->sp++]);
  ctx->sp = savedSP;
  ctx->csp = savedCSP;
  ctx->pc = savedPC;
  return e;
}

ZILHandle* ZILCallFunction(ZILState* ps, ZILHandle* function, ZILLong argc, ...) {
  if (!ps || !ps->initialized)
    return nullptr;
  if (ps->depth == 0) {
    // Leftovers of an earlier call that ended in an exception.
    ps->pendingException = 0;
    if (ps->thrown) {
      ZILRelease(ps, ps->thrown);
      ps->thrown = nullptr;
    }
  }
  if (argc < 0 || argc > ps->dataStackSize)
    return errorValue(ps, ZIL_ERR_Illegal_Argument);
  ZILHandle** args =
      argc > 0 ? static_cast<ZILHandle**>(ZILAlloc(ps, sizeof(ZILHandle*) * static_cast<size_t>(argc))) : nullptr;
  if (argc > 0 && !args)
    return errorValue(ps, ZIL_EXC_Allocation_Fail);
  ZILError e = 0;
  va_list list;
  va_start(list, argc);
  for (ZILLong i = 0; i < argc; ++i) {
    ZILHandle* h = nullptr;
    if (!e) {
      switch (va_arg(list, int)) {
        case ZIL_ARG_INT: h = ZILNewInt(ps, va_arg(list, ZILLong)); break;
        case ZIL_ARG_FLOAT: h = ZILNewFloat(ps, va_arg(list, ZILFloat)); break;
        case ZIL_ARG_STRING: {
          const ZILChar* text = va_arg(list, const ZILChar*);
          if (ZILNewString(ps, text, text ? static_cast<ZILLong>(strlen(text)) : 0, &h) != 0)
            h = nullptr;
          break;
        }
        case ZIL_ARG_HANDLE:
          h = va_arg(list, ZILHandle*);
          if (h && h->refCount > 0)
            ZILAddRef(h);
          else
            h = ZILNullRef(ps);
          break;
        default:
          e = ZIL_ERR_Illegal_Argument;  // the values after an unknown tag cannot be read
          break;
      }
      if (!h && !e)
        e = ZIL_EXC_Allocation_Fail;
    }
    args[i] = h ? h : ZILNullRef(ps);
  }
  va_end(list);
  ZILHandle* result = nullptr;
  if (!e)
    e = ZILInvokeDelegate(ps, function, argc, args, &result);
  for (ZILLong i = 0; i < argc; ++i)
    ZILRelease(ps, args[i]);
  ZILFree(ps, args);
  if (e == 0 || e == ZIL_EXC_Software) {
    if (ps->thrown) {
      if (result)
        ZILRelease(ps, result);
      result = ps->thrown;
      ZILAddRef(result);
    }
    if (result)
      return result;
    if (e == 0)
      return ZILNullRef(ps);
  }
  if (result)
    ZILRelease(ps, result);
  return errorValue(ps, e);
}

ZILHandle* ZILGetFunction(ZILState* ps, const ZILChar* name) {
  if (!ps || !name)
    return nullptr;
  ZILLong global = NTLTypeNameToTypeID(ps, "__global");
  if (global == 0)
    return nullptr;
  for (ZILLong f = 0; f < ps->funcs.count; ++f) {
    const ZILFuncInfo& fi = ZILFuncs(ps)[f];
    if (fi.typeID == global && !fi.isMethod && strcmp(ZILNameAt(ps, fi.name), name) == 0) {
      ZILHandle* h = nullptr;
      return ZILNewDelegate(ps, ZIL_TYPE_DELEGATE, f, nullptr, &h) == 0 ? h : nullptr;
    }
  }
  return nullptr;
}

ZILDelegateTable* ZILGetObjectDelegates(ZILState* ps, ZILHandle* object) {
  if (!ps || !object || object->refCount <= 0 || !ZILTypeValid(ps, object->type))
    return nullptr;
  const ZILTypeInfo& ti = ZILTypes(ps)[object->type];
  if (ti.family != ZIL_FAMILY_CLASS || ti.isNative)
    return nullptr;
  ZILLong count = 0;
  for (ZILLong f = 0; f < ps->funcs.count; ++f) {
    const ZILFuncInfo& fi = ZILFuncs(ps)[f];
    if (fi.typeID == object->type && fi.memberIndex >= count && fi.memberIndex < (1 << 20))
      count = fi.memberIndex + 1;
  }
  auto* table = static_cast<ZILDelegateTable*>(ZILAlloc(ps, sizeof(ZILDelegateTable)));
  ZILHandle** handles =
      count > 0 ? static_cast<ZILHandle**>(ZILAlloc(ps, sizeof(ZILHandle*) * static_cast<size_t>(count))) : nullptr;
  if (!table || (count > 0 && !handles)) {
    ZILFree(ps, table);
    ZILFree(ps, handles);
    return nullptr;
  }
  table->count = count;
  table->handles = handles;
  for (ZILLong i = 0; i < count; ++i)
    handles[i] = ZILNullRef(ps);
  for (ZILLong f = 0; f < ps->funcs.count; ++f) {
    const ZILFuncInfo& fi = ZILFuncs(ps)[f];
    if (fi.typeID != object->type || fi.memberIndex < 0 || fi.memberIndex >= count)
      continue;
    ZILHandle* h = nullptr;
    ZILError e = fi.isMethod ? ZILNewDelegate(ps, ZIL_TYPE_DELEGATE, fi.memberIndex, object, &h)
                             : ZILNewDelegate(ps, ZIL_TYPE_DELEGATE, f, nullptr, &h);
    if (!e)
      ZILStoreSlot(ps, handles + fi.memberIndex, h);
  }
  return table;
}

void ZILFreeObjectDelegates(ZILState* ps, ZILDelegateTable* table) {
  if (!ps || !table)
    return;
  for (ZILLong i = 0; i < table->count; ++i)
    ZILRelease(ps, table->handles[i]);
  ZILFree(ps, table->handles);
  ZILFree(ps, table);
}
