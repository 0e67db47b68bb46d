// zilgc.cpp - the mark-and-sweep collector that frees what reference counting cannot (cycles),
// the marking of handles by type, and the list of GC event handlers through which native
// components mark the handles they keep. Marking uses a work list instead of recursion, so long
// chains of objects cannot exhaust the native stack.
#include <ctime>
#include <new>
#include <vector>

#include "zilinternal.h"
#include "ziltools.h"

namespace {

using MarkList = std::vector<ZILHandle*>;

// Marks what h refers to (h itself is marked already).
ZILError markChildren(ZILState* ps, ZILHandle* h) {
  if ((h->flags & ZIL_HANDLE_WEAK) || !h->payload.p || h->type <= ZIL_TYPE_FLOAT || !ZILTypeValid(ps, h->type))
    return 0;
  ZILTypeInfo* ti = ZILTypes(ps) + h->type;
  if (ti->isNative) {
    if (!ti->typeProc)
      return 0;
    ti->instance.typeName = ZILNameAt(ps, ti->pName);
    return ZILTypeProcCall(ti->typeProc, &ti->instance, NTL_MarkHandles, 0, h->payload.p, nullptr);
  }
  switch (ti->family) {
    case ZIL_FAMILY_CLASS: {
      ZILInstance* inst = static_cast<ZILInstance*>(h->payload.p);
      ZILHandle** m = ZILInstanceMembers(inst);
      for (ZILLong i = 0; i < inst->count; ++i) {
        ZILError e = NTLMarkHandle(ps, m[i]);
        if (e)
          return e;
      }
      return 0;
    }
    case ZIL_FAMILY_THREAD: {
      ZILContext* ctx = static_cast<ZILContext*>(h->payload.p);
      for (ZILLong i = ctx->sp; i < ctx->dataSize; ++i) {
        ZILError e = NTLMarkHandle(ps, ctx->dataStack[i]);
        if (e)
          return e;
      }
      return 0;
    }
    case ZIL_FAMILY_DELEGATE: return NTLMarkHandle(ps, static_cast<ZILDelegate*>(h->payload.p)->object);
    default: return 0;
  }
}

ZILError drain(ZILState* ps, MarkList& work) {
  while (!work.empty()) {
    ZILHandle* h = work.back();
    work.pop_back();
    ZILError e = markChildren(ps, h);
    if (e)
      return e;
  }
  return 0;
}

ZILError markRoot(ZILState* ps, MarkList& work, ZILHandle* h) {
  ZILError e = NTLMarkHandle(ps, h);
  return e ? e : drain(ps, work);
}

ZILError markRoots(ZILState* ps, MarkList& work) {
  for (ZILLong i = 0; i < ps->constantsMaterialized && i < ps->data.count; ++i) {
    ZILLong index = ZILDataHandles(ps)[i].refCount;  // a materialised constant's handle index
    if (index > 0 && index < ps->handleCapacity) {
      ZILError e = markRoot(ps, work, ps->handles[index]);
      if (e)
        return e;
    }
  }
  ZILError e = markRoot(ps, work, ps->thrown);
  if (e)
    return e;
  if (ZILContext* ctx = ps->root) {
    for (ZILLong i = ctx->sp; i < ctx->dataSize; ++i) {
      e = markRoot(ps, work, ctx->dataStack[i]);
      if (e)
        return e;
    }
  }
  for (ZILGCHandler* g = ps->gcHandlers; g; g = g->next) {
    e = ZILGuardedCall([&] { return g->handler(ps, ZIL_GC_EVENT_MARK, g->owner); });
    if (!e)
      e = drain(ps, work);
    if (e)
      return e;
  }
  return 0;
}

void clearMarks(ZILState* ps) {
  for (ZILLong i = 0; i < ps->handleCapacity; ++i)
    ps->handles[i]->flags &= ~ZIL_HANDLE_MARK;
}

}  // namespace

ZILError NTLMarkHandle(ZILState* ps, ZILHandle* h) {
  if (!ps || !h || (h->flags & ZIL_HANDLE_MARK) || h->refCount <= 0)
    return 0;
  h->flags |= ZIL_HANDLE_MARK;
  if (ps->markStack) {
    try {
      static_cast<MarkList*>(ps->markStack)->push_back(h);
    } catch (const std::bad_alloc&) {
      return ZIL_EXC_Allocation_Fail;
    }
    return 0;
  }
  // Called outside a collection: mark everything reachable now.
  MarkList work;
  ps->markStack = &work;
  ZILError e = markChildren(ps, h);
  if (!e)
    e = drain(ps, work);
  ps->markStack = nullptr;
  return e;
}

ZILLong ZILCollectGarbage(ZILState* ps) {
  clock_t start = clock();
  if (!ps || ps->running || !ps->handles || ps->markStack)
    return 0;
  MarkList work;
  ZILError e;
  try {
    work.reserve(1024);
    ps->markStack = &work;
    e = markRoots(ps, work);
  } catch (const std::bad_alloc&) {
    e = ZIL_EXC_Allocation_Fail;
  }
  ps->markStack = nullptr;
  if (e) {
    // Marks left behind would hide their children from the next collection.
    clearMarks(ps);
    ZILLog(ps, "GC MARK ERROR: %d (%s)\n", e, ZILGetExceptionString(e));
    return 0;
  }
  // Handles freed through reference counts while a collected object goes count as well.
  ZILLong inUseBefore = ps->handlesInUse;
  for (ZILLong i = 0; i < ps->handleCapacity; ++i) {
    ZILHandle* h = ps->handles[i];
    if (h == ps->nullHandle || h->refCount < 1 || (h->flags & ZIL_HANDLE_MARK)) {
      h->flags &= ~ZIL_HANDLE_MARK;
      continue;
    }
    if (ps->logGarbage)
      ZILLog(ps, "Collecting handle %d, refCount = %d, type = %s\n", i, h->refCount, ZILGetTypeName(ps, h->type));
    // Count 0 first: releases reaching this handle again while its object goes are ignored.
    h->refCount = 0;
    ZILDestroyHandle(ps, h);
    h->type = ZIL_TYPE_NULL;
    h->payload.p = nullptr;
    ps->freeStack[--ps->handlesInUse] = h;
  }
  ZILLong collected = inUseBefore - ps->handlesInUse;
  clock_t end = clock();
  ps->lastCollectionTime = static_cast<double>(end) / CLOCKS_PER_SEC;
  if (collected > 0) {
    ps->collectedTotal += collected;
    ZILLog(ps, "--- GC collected %d handles in %g seconds ---\n", collected,
           static_cast<double>(end - start) / CLOCKS_PER_SEC);
  }
  return collected;
}

ZILError ZILAttachGCEventHandler(ZILState* ps, void* owner, ZILGCHandlerProc handler) {
  if (!ps || !handler)
    return ZIL_ERR_Illegal_Argument;
  for (ZILGCHandler* g = ps->gcHandlers; g; g = g->next)
    if (g->owner == owner)
      return ZIL_ERR_Illegal_Argument;
  ZILGCHandler* g = static_cast<ZILGCHandler*>(ZILAlloc(ps, sizeof(ZILGCHandler)));
  if (!g)
    return ZIL_EXC_Allocation_Fail;
  g->owner = owner;
  g->handler = handler;
  g->next = ps->gcHandlers;
  ps->gcHandlers = g;
  return 0;
}

ZILError ZILDetachGCEventHandler(ZILState* ps, void* owner) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  for (ZILGCHandler** link = &ps->gcHandlers; *link; link = &(*link)->next) {
    if ((*link)->owner == owner) {
      ZILGCHandler* g = *link;
      *link = g->next;
      ZILFree(ps, g);
      return 0;
    }
  }
  return ZIL_ERR_Illegal_Argument;
}
