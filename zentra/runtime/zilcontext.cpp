// zilcontext.cpp - execution contexts: one allocation holding the header, the call stack and the
// data stack, whose top 32 slots are the registers. The main program runs in the root context;
// each cofunction instance has its own. Also the nested run used when native code or a copy
// constructor calls back into script code.
#include <cstring>

#include "zilinternal.h"

ZILError ZILNewContext(ZILState* ps, ZILContext** pOut) {
  ZILLong dataSize = ps->dataStackSize;
  ZILLong callSize = ps->callStackSize;
  if (dataSize <= ZIL_REGISTER_COUNT || callSize <= 0)
    return ZIL_ERR_Illegal_Argument;
  size_t callBytes = sizeof(ZILLong) * static_cast<size_t>(callSize);
  callBytes = (callBytes + 7) & ~static_cast<size_t>(7);
  size_t bytes = sizeof(ZILContext) + callBytes + sizeof(ZILHandle*) * static_cast<size_t>(dataSize);
  char* block = static_cast<char*>(ZILAlloc(ps, bytes));
  if (!block)
    return ZIL_EXC_Allocation_Fail;
  memset(block, 0, bytes);
  ZILContext* ctx = reinterpret_cast<ZILContext*>(block);
  ctx->callStack = reinterpret_cast<ZILLong*>(block + sizeof(ZILContext));
  ctx->dataStack = reinterpret_cast<ZILHandle**>(block + sizeof(ZILContext) + callBytes);
  ctx->dataSize = dataSize;
  ctx->callSize = callSize;
  ctx->sp = dataSize - ZIL_REGISTER_COUNT;
  ctx->csp = callSize;
  ctx->regs = ctx->dataStack + ctx->sp;
  for (int i = 0; i < ZIL_REGISTER_COUNT; ++i)
    ctx->regs[i] = ZILNullRef(ps);
  if (ps->root) {
    ZILHandle* global = ZILWeakCopy(ps, ps->root->regs[2]);
    if (!global) {
      ZILFreeContext(ps, ctx);
      return ZIL_EXC_Allocation_Fail;
    }
    ZILStoreSlot(ps, ctx->regs + 2, global);
  }
  *pOut = ctx;
  return 0;
}

void ZILFreeContext(ZILState* ps, ZILContext* ctx) {
  if (!ctx)
    return;
  for (ZILLong i = ctx->sp; i < ctx->dataSize; ++i)
    if (ctx->dataStack[i])
      ZILRelease(ps, ctx->dataStack[i]);
  if (ctx->running)
    ZILRelease(ps, ctx->running);
  ZILFree(ps, ctx);
}

ZILError ZILRunNested(ZILState* ps, ZILContext* ctx, ZILLong address) {
  if (ctx->csp <= 0)
    return ZIL_EXC_Stack_Overflow;
  ZILLong savedPC = ctx->pc;
  ZILLong savedSP = ctx->sp;
  ZILLong savedCSP = ctx->csp;
  ctx->callStack[--ctx->csp] = -1;
  ctx->pc = address;
  ZILError e = ZILExecute(ps, ctx);
  if (e) {
    // Drop whatever the failed call left on the stacks.
    while (ctx->sp < savedSP)
      ZILRelease(ps, ctx->dataStack[ctx->sp++]);
    ctx->csp = savedCSP;
  }
  ctx->pc = savedPC;
  return e;
}
