// zilhandles.cpp - the handle pool: blocks of 1024 handles that never move, the free stack
// that recycles them in constant time, and destruction of the object a handle owns when its
// last reference goes. Handle 0 of the pool is the shared null handle and is never destroyed.
#include <cstring>
#include <new>
#include <vector>

#include "zilinternal.h"

namespace {

// The handle and free-stack arrays are sized in powers of two of blocks, so growing the pool
// one block at a time copies them only now and then.
int64_t arraySlots(int64_t capacity, int64_t growth) {
  int64_t slots = growth;
  while (slots < capacity)
    slots *= 2;
  return slots;
}

}  // namespace

ZILError ZILGrowHandlePool(ZILState* ps) {
  int64_t newCapacity = static_cast<int64_t>(ps->handleCapacity) + ps->handleGrowth;
  if (newCapacity > INT32_MAX)
    return ZIL_EXC_Allocation_Fail;
  ZILHandle* block = static_cast<ZILHandle*>(ZILAlloc(ps, sizeof(ZILHandle) * static_cast<size_t>(ps->handleGrowth)));
  if (!block)
    return ZIL_EXC_Allocation_Fail;
  int64_t slots = arraySlots(newCapacity, ps->handleGrowth);
  if (ps->handleCapacity == 0 || slots != arraySlots(ps->handleCapacity, ps->handleGrowth)) {
    size_t arrayBytes = sizeof(ZILHandle*) * static_cast<size_t>(slots);
    ZILHandle** handles = static_cast<ZILHandle**>(ZILAlloc(ps, arrayBytes));
    ZILHandle** freeStack = static_cast<ZILHandle**>(ZILAlloc(ps, arrayBytes));
    if (!handles || !freeStack) {
      ZILFree(ps, handles);
      ZILFree(ps, freeStack);
      ZILFree(ps, block);
      return ZIL_EXC_Allocation_Fail;
    }
    if (ps->handleCapacity > 0) {
      memcpy(handles, ps->handles, sizeof(ZILHandle*) * static_cast<size_t>(ps->handleCapacity));
      memcpy(freeStack, ps->freeStack, sizeof(ZILHandle*) * static_cast<size_t>(ps->handleCapacity));
    }
    ZILFree(ps, ps->handles);
    ZILFree(ps, ps->freeStack);
    ps->handles = handles;
    ps->freeStack = freeStack;
  }
  memset(block, 0, sizeof(ZILHandle) * static_cast<size_t>(ps->handleGrowth));
  block[0].flags = ZIL_HANDLE_BLOCK_START;
  for (ZILLong i = 0; i < ps->handleGrowth; ++i) {
    ps->handles[ps->handleCapacity + i] = block + i;
    ps->freeStack[ps->handleCapacity + i] = block + i;
  }
  ps->handleCapacity = static_cast<ZILLong>(newCapacity);
  return 0;
}

ZILError ZILCreateHandlePool(ZILState* ps) {
  ps->handleGrowth = 1024;
  ZILError e = ZILGrowHandlePool(ps);
  if (e)
    return e;
  // The first handle of the first block is the null handle; the state holds one reference.
  ps->nullHandle = ZILTakeHandle(ps);
  return 0;
}

void ZILFreeHandlePool(ZILState* ps) {
  for (ZILLong i = 0; i < ps->handleCapacity; i += ps->handleGrowth) {
    ZILHandle* block = ps->handles[i];
    if (!(block->flags & ZIL_HANDLE_BLOCK_START)) {
      ZILLog(ps, "Bucket expected, but handle not marked!\n");
      continue;
    }
    ZILFree(ps, block);
  }
  ZILFree(ps, ps->handles);
  ZILFree(ps, ps->freeStack);
  ps->handles = ps->freeStack = nullptr;
  ps->handleCapacity = ps->handlesInUse = 0;
  ps->nullHandle = nullptr;
}

ZILHandle* ZILNewHandle(ZILState* ps) { return ZILTakeHandle(ps); }

ZILLong ZILHandleIndex(ZILState* ps, ZILHandle* h) {
  for (ZILLong i = 0; i < ps->handleCapacity; i += ps->handleGrowth) {
    ZILHandle* block = ps->handles[i];
    if (h >= block && h < block + ps->handleGrowth)
      return i + static_cast<ZILLong>(h - block);
  }
  return -1;
}

static_assert(ZIL_TYPE_NULL < ZIL_TYPE_STRING && ZIL_TYPE_INT < ZIL_TYPE_STRING && ZIL_TYPE_FLOAT < ZIL_TYPE_STRING,
              "the types below string are the plain values");

// Destroying an object releases what it holds, which may destroy more objects. Those nested
// releases only queue their handles and the outermost call destroys them one after another,
// so a chain of any length (a long linked list a script built) never recurses on the C stack.
// A queued handle has count 0 but is not on the free stack yet, so it cannot be handed out.
// Kept out of line so the common release below stays a leaf call.
[[gnu::noinline]] static void releaseObject(ZILState* ps, ZILHandle* h) {
  if (ps->releaseQueue) {
    try {
      static_cast<std::vector<ZILHandle*>*>(ps->releaseQueue)->push_back(h);
      return;
    } catch (const std::bad_alloc&) {
      // No memory to queue it: destroy it here instead, one level deeper.
    }
    ZILDestroyHandle(ps, h);
    ps->freeStack[--ps->handlesInUse] = h;
    return;
  }
  std::vector<ZILHandle*> queue;
  ps->releaseQueue = &queue;
  for (;;) {
    ZILDestroyHandle(ps, h);
    ps->freeStack[--ps->handlesInUse] = h;
    if (queue.empty())
      break;
    h = queue.back();
    queue.pop_back();
  }
  ps->releaseQueue = nullptr;
}

void ZILReleaseSlow(ZILState* ps, ZILHandle* h) {
  if (h->refCount != 1) {
    // Already free: happens at teardown, where every handle's count is cleared first.
    return;
  }
  if (h == ps->nullHandle)
    return;  // the state's own reference keeps it
  h->refCount = 0;
  // Plain values and strings hold no handles, so destroying them releases nothing further: they
  // skip the queue. Weak handles take the general path (they leave the weak table).
  if (h->type > ZIL_TYPE_STRING || (h->flags & ZIL_HANDLE_WEAK)) {
    releaseObject(ps, h);
    return;
  }
  if (h->type == ZIL_TYPE_STRING) {
    ZILWeakObjectGone(ps, h->payload.p);
    ZILStringDestroy(static_cast<ZILString*>(h->payload.p));
    h->payload.p = nullptr;
  }
  ps->freeStack[--ps->handlesInUse] = h;
}

static void destroyObject(ZILState* ps, ZILHandle* h, bool releaseChildren) {
  if (h->flags & ZIL_HANDLE_WEAK) {
    ZILWeakDetach(ps, h);
    h->flags &= ~ZIL_HANDLE_WEAK;
    return;
  }
  void* p = h->payload.p;
  switch (h->type) {
    case ZIL_TYPE_NULL:
    case ZIL_TYPE_INT:
    case ZIL_TYPE_FLOAT: return;
    case ZIL_TYPE_STRING:
      ZILWeakObjectGone(ps, p);
      ZILStringDestroy(static_cast<ZILString*>(p));
      break;
    case ZIL_TYPE_ARRAY: {
      ZILArray* a = static_cast<ZILArray*>(p);
      if (!a)
        break;
      ZILWeakObjectGone(ps, p);
      if (releaseChildren) {
        ZILArrayDestroy(a);
      } else {
        ZILFree(ps, a->slots);
        ZILFree(ps, a);
      }
      break;
    }
    default: {
      if (!ZILTypeValid(ps, h->type) || !p)
        return;
      ZILTypeInfo* ti = ZILTypes(ps) + h->type;
      if (ti->isNative || ti->family == ZIL_FAMILY_CLASS || ti->family == ZIL_FAMILY_THREAD ||
          ti->family == ZIL_FAMILY_DELEGATE)
        ZILWeakObjectGone(ps, p);
      if (ti->isNative) {
        if (ti->typeProc)
          ZILTypeProcCall(ti->typeProc, &ti->instance, NTL_DestroyObject, 0, p, nullptr);
        break;
      }
      switch (ti->family) {
        case ZIL_FAMILY_CLASS: {
          ZILInstance* inst = static_cast<ZILInstance*>(p);
          if (releaseChildren) {
            ZILHandle** m = ZILInstanceMembers(inst);
            for (ZILLong i = 0; i < inst->count; ++i)
              ZILRelease(ps, m[i]);
          }
          ZILFree(ps, inst);
          break;
        }
        case ZIL_FAMILY_THREAD: {
          ZILContext* ctx = static_cast<ZILContext*>(p);
          if (!releaseChildren)
            ctx->sp = ctx->dataSize;  // nothing to release
          ZILFreeContext(ps, ctx);
          break;
        }
        case ZIL_FAMILY_DELEGATE: {
          ZILDelegate* d = static_cast<ZILDelegate*>(p);
          if (releaseChildren && d->object)
            ZILRelease(ps, d->object);
          ZILFree(ps, d);
          break;
        }
        default: return;  // interface values (exception codes) hold an int
      }
    }
  }
  h->payload.p = nullptr;
}

void ZILDestroyHandle(ZILState* ps, ZILHandle* h) { destroyObject(ps, h, true); }

void ZILDestroyShallow(ZILState* ps, ZILHandle* h) { destroyObject(ps, h, false); }

ZILHandle* ZILNewInt(ZILState* ps, ZILLong v) {
  ZILHandle* h = ZILTakeHandle(ps);
  if (h) {
    h->type = ZIL_TYPE_INT;
    h->payload.p = nullptr;
    h->payload.l = v;
  }
  return h;
}

ZILHandle* ZILNewFloat(ZILState* ps, ZILFloat v) {
  ZILHandle* h = ZILTakeHandle(ps);
  if (h) {
    h->type = ZIL_TYPE_FLOAT;
    h->payload.f = v;
  }
  return h;
}

ZILHandle* ZILStoreCopy(ZILState* ps, ZILHandle* h) {
  if (h->type == ZIL_TYPE_INT)
    return ZILNewInt(ps, h->payload.l);
  if (h->type == ZIL_TYPE_FLOAT)
    return ZILNewFloat(ps, h->payload.f);
  ZILAddRef(h);
  return h;
}

ZILHandle* ZILWeakCopy(ZILState* ps, ZILHandle* h) {
  ZILHandle* w = ZILTakeHandle(ps);
  if (!w)
    return nullptr;
  w->type = h->type;
  w->payload = h->payload;
  w->flags |= ZIL_HANDLE_WEAK;
  if (!ZILWeakAttach(ps, w)) {
    w->flags &= ~ZIL_HANDLE_WEAK;
    w->type = ZIL_TYPE_NULL;
    ZILRelease(ps, w);
    return nullptr;
  }
  return w;
}
