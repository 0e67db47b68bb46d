// zilrun.cpp - getting code to run: the first-run initialisation (native type procs, root
// context, data constants), running the initialisation code or any address on the root context,
// and exception generation with its four vectors.
#include "zilinternal.h"

ZILError ZILPrepareRun(ZILState* ps) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (!ps->initialized) {
    for (ZILLong i = 0; i < ps->types.count; ++i) {
      ZILTypeInfo* ti = ZILTypes(ps) + i;
      ti->instance.typeID = i;
      ti->instance.state = ps;
      ti->instance.typeName = ZILNameAt(ps, ti->pName);
      if (!ti->isNative || ti->typeProc)
        continue;
      NTLTypeProc proc = ZILFindNativeType(ps, ti->instance.typeName);
      if (!proc)
        return ZIL_ERR_Undefined_Native_Type;
      uint32_t author = 0;
      ZILError e = ZILGuardedCall([&] {
        author = static_cast<uint32_t>(proc(nullptr, NTL_GetAuthorVersion, 0, nullptr, nullptr));
        return ZILError{0};
      });
      if (e)
        return e;
      if (static_cast<uint32_t>(ti->interfaceVersion) > static_cast<uint32_t>(ps->typeInterfaceVersion) ||
          static_cast<uint32_t>(ti->authorVersion) > author)
        return ZIL_ERR_Incompatible_Native_Type;
      ti->typeProc = proc;
      e = ZILTypeProcCall(proc, &ti->instance, NTL_Initialize, 0, nullptr, nullptr);
      if (e)
        return e;
    }
    if (!ps->root) {
      ZILError e = ZILNewContext(ps, &ps->root);
      if (e)
        return e;
    }
    if (!ps->current)
      ps->current = ps->root;
  }
  ZILError e = ZILMaterializeConstants(ps);
  if (e)
    return e;
  ps->initialized = 1;
  return 0;
}

ZILError ZILRunAddress(ZILState* ps, ZILLong address) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (ps->blocked)
    return ZIL_ERR_Runtime_Blocked;
  ZILError e = ZILPrepareRun(ps);
  if (e)
    return e;
  if (address < 0 || address >= ps->code.count)
    return ZIL_EXC_Invalid_Code_Address;
  ZILContext* ctx = ps->root;
  if (ctx->csp <= 0)
    return ZIL_EXC_Stack_Overflow;
  ctx->callStack[--ctx->csp] = -1;
  ctx->pc = address;
  return ZILExecute(ps, ctx);
}

ZILError ZILRun(ZILState* ps) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (ps->blocked)
    return ZIL_ERR_Runtime_Blocked;
  ZILError e = ZILPrepareRun(ps);
  if (e)
    return e;
  if (ps->initCodeAddress == ps->code.count)
    return 0;  // no initialisation code since the last run
  e = ZILRunAddress(ps, ps->initCodeAddress);
  ps->initCodeAddress = ps->root->pc;
  return e;
}

void ZILClearException(ZILState* ps) { ps->pendingException = 0; }

ZILError ZILGenerateException(ZILState* ps, ZILContext* ctx, ZILError code, ZILLong faultPC) {
  ps->exceptionPC = faultPC;
  if (ps->pendingException)
    return ps->pendingException;
  if (ps->inVector)
    return code;
  ps->pendingException = code;
  ps->exceptionSP = ctx->sp;
  ps->exceptionCSP = ctx->csp;
  ps->inVector = 1;
  ZILExceptionVector vector = nullptr;
  switch (code) {
    case ZIL_EXC_Software: vector = ps->vectors[ZIL_VECTOR_SOFTWARE]; break;
    case ZIL_EXC_Trace: vector = ps->vectors[ZIL_VECTOR_TRACE]; break;
    case ZIL_EXC_Break: vector = ps->vectors[ZIL_VECTOR_BREAK]; break;
    case ZIL_EXC_Abort: break;
    default: vector = ps->vectors[ZIL_VECTOR_MACHINE]; break;
  }
  if (vector)
    ZILGuardedCall([&] {  // a vector that throws leaves the code pending
      vector(ps);
      return ZILError{0};
    });
  ps->inVector = 0;
  return ps->pendingException;
}
