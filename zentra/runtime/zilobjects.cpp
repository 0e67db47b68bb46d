// zilobjects.cpp - the objects the interpreter handles without a type proc: the string and
// array cores, script class instances and delegates, and the value copy that `copy`, `copyh`
// and `arrcp` use. Array slots past the length always hold the null handle, so growing an array
// never exposes an old element. The string and array classes build their methods on these.
#include <algorithm>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

#include "zilinternal.h"

namespace {

// Deeper nesting than this in a value copy is taken for a cycle (an array holding itself).
constexpr int kMaxCopyDepth = 1000;

ZILLong stringCapacity(ZILLong length) { return ((length + 1) / 32 + 1) * 32; }

ZILLong arrayCapacity(ZILLong length) { return length > 0 ? (length / 32 + 1) * 32 : 0; }

// Small strings and arrays grow in exact steps of 32. From this capacity on they grow by half of
// what they have, so building one by many small appends costs linear rather than quadratic time
// (a megabyte string built three bytes at a time would otherwise be copied 300,000 times).
constexpr ZILLong kGeometricFrom = 4096;

// The capacity to allocate for needed (already an exact step) when the container has current.
int64_t grownCapacity(int64_t needed, int64_t current) {
  if (needed <= kGeometricFrom || needed <= current)
    return needed;
  int64_t half = current + current / 2;
  return half > needed ? (half / 32 + 1) * 32 : needed;
}

}  // namespace

// ----------------------------------------------------------------------------------------------
// Strings

namespace {

constexpr size_t kStringBlockBytes = sizeof(ZILString) + ZIL_STRING_INLINE;

// A cached block is poisoned for the address sanitizer, so a string used after it was destroyed
// is still reported although its memory was not given back.
void poisonBlock(void* block) {
#if defined(__SANITIZE_ADDRESS__)
  ASAN_POISON_MEMORY_REGION(block, kStringBlockBytes);
#else
  (void)block;
#endif
}

void unpoisonBlock(void* block) {
#if defined(__SANITIZE_ADDRESS__)
  ASAN_UNPOISON_MEMORY_REGION(block, kStringBlockBytes);
#else
  (void)block;
#endif
}

// Blocks made by another allocator than the current one (a host switched it) are given back
// first, so every block always returns to the allocator that made it.
ZILStringBlockCache* stringCache(ZILState* ps) {
  ZILStringBlockCache* cache = &ZILInternal(ps)->stringBlocks;
  if (cache->owner != ps->free) {
    ZILStringCacheFlush(ps);
    cache->owner = ps->free;
  }
  return cache;
}

void* takeStringBlock(ZILState* ps) {
  ZILStringBlockCache* cache = stringCache(ps);
  void* block = cache->first;
  if (!block)
    return ZILAlloc(ps, kStringBlockBytes);
  unpoisonBlock(block);
  memcpy(&cache->first, block, sizeof(void*));
  --cache->count;
  return block;
}

void giveStringBlock(ZILState* ps, void* block) {
  ZILStringBlockCache* cache = stringCache(ps);
  if (cache->count >= ZIL_STRING_CACHE_LIMIT) {
    ZILFree(ps, block);
    return;
  }
  memcpy(block, &cache->first, sizeof(void*));
  poisonBlock(block);
  cache->first = block;
  ++cache->count;
}

}  // namespace

void ZILStringCacheFlush(ZILState* ps) {
  ZILStringBlockCache* cache = &ZILInternal(ps)->stringBlocks;
  while (void* block = cache->first) {
    unpoisonBlock(block);
    memcpy(&cache->first, block, sizeof(void*));
    cache->owner(ps, block);
  }
  cache->count = 0;
}

ZILString* ZILStringCreate(ZILState* ps, const ZILChar* text, ZILLong length) {
  ZILString* s = static_cast<ZILString*>(takeStringBlock(ps));
  if (!s)
    return nullptr;
  s->length = 0;
  s->capacity = ZIL_STRING_INLINE;
  s->text = ZILStringInlineText(s);
  s->text[0] = 0;
  s->state = ps;
  if (length > 0 && length < ZIL_STRING_INLINE && text) {
    memcpy(s->text, text, static_cast<size_t>(length));
    s->text[length] = 0;
    s->length = length;
  } else if (length > 0 && ZILStringAppend(s, text, length) != 0) {
    ZILStringDestroy(s);
    return nullptr;
  }
  return s;
}

void ZILStringDestroy(ZILString* s) {
  if (!s)
    return;
  ZILState* ps = s->state;
  if (s->text != ZILStringInlineText(s))
    ZILFree(ps, s->text);
  giveStringBlock(ps, s);
}

ZILError ZILStringAppend(ZILString* s, const ZILChar* text, ZILLong length) {
  if (length <= 0 || !text)
    return 0;
  int64_t total = static_cast<int64_t>(s->length) + length;
  if (total >= INT32_MAX - 64)
    return ZIL_EXC_Allocation_Fail;
  if (total + 1 > s->capacity) {
    int64_t wanted = grownCapacity(stringCapacity(static_cast<ZILLong>(total)), s->capacity);
    ZILLong capacity =
        static_cast<ZILLong>(wanted < INT32_MAX - 32 ? wanted : stringCapacity(static_cast<ZILLong>(total)));
    ZILChar* grown = static_cast<ZILChar*>(ZILAlloc(s->state, static_cast<size_t>(capacity)));
    if (!grown)
      return ZIL_EXC_Allocation_Fail;
    if (s->text)
      memcpy(grown, s->text, static_cast<size_t>(s->length));
    // The appended text may be this string's own: copy it before the old buffer goes.
    memcpy(grown + s->length, text, static_cast<size_t>(length));
    if (s->text != ZILStringInlineText(s))
      ZILFree(s->state, s->text);
    s->text = grown;
    s->capacity = capacity;
  } else {
    memmove(s->text + s->length, text, static_cast<size_t>(length));
  }
  s->length = static_cast<ZILLong>(total);
  s->text[s->length] = 0;
  return 0;
}

ZILError ZILNewString(ZILState* ps, const ZILChar* text, ZILLong length, ZILHandle** pOut) {
  ZILString* s = ZILStringCreate(ps, text, length);
  if (!s)
    return ZIL_EXC_Allocation_Fail;
  ZILHandle* h = ZILTakeHandle(ps);
  if (!h) {
    ZILStringDestroy(s);
    return ZIL_EXC_Allocation_Fail;
  }
  h->type = ZIL_TYPE_STRING;
  h->payload.p = s;
  *pOut = h;
  return 0;
}

// ----------------------------------------------------------------------------------------------
// Arrays

ZILArray* ZILArrayCreate(ZILState* ps) {
  ZILArray* a = static_cast<ZILArray*>(ZILAlloc(ps, sizeof(ZILArray)));
  if (a) {
    a->length = 0;
    a->capacity = 0;
    a->slots = nullptr;
    a->state = ps;
  }
  return a;
}

void ZILArrayDestroy(ZILArray* a) {
  if (!a)
    return;
  ZILState* ps = a->state;
  ZILHandle** slots = a->slots;
  ZILLong capacity = a->capacity;
  a->slots = nullptr;
  a->length = a->capacity = 0;
  for (ZILLong i = 0; i < capacity; ++i)
    ZILRelease(ps, slots[i]);
  ZILFree(ps, slots);
  ZILFree(ps, a);
}

ZILError ZILArraySetLength(ZILArray* a, ZILLong length) {
  ZILState* ps = a->state;
  if (length < 0)
    return ZIL_ERR_Illegal_Argument;
  if (length > ZIL_ARRAY_MAX_LENGTH)
    return ZIL_EXC_Allocation_Fail;
  ZILLong capacity = arrayCapacity(length);
  // A large array keeps its slots while the length stays above a quarter of them.
  bool keepSlots = capacity == a->capacity ||
                   (a->capacity > kGeometricFrom && length > 0 && capacity < a->capacity && capacity > a->capacity / 4);
  if (keepSlots) {
    // Same slots: a shrink turns the dropped elements into null; a growth finds null there.
    for (ZILLong i = length; i < a->length; ++i) {
      ZILHandle* old = a->slots[i];
      a->slots[i] = ZILNullRef(ps);
      ZILRelease(ps, old);
    }
    a->length = length;
    return 0;
  }
  if (capacity > a->capacity)
    capacity = static_cast<ZILLong>(std::min<int64_t>(grownCapacity(capacity, a->capacity),
                                                      std::max(capacity, arrayCapacity(ZIL_ARRAY_MAX_LENGTH))));
  ZILHandle** slots = nullptr;
  if (capacity > 0) {
    slots = static_cast<ZILHandle**>(ZILAlloc(ps, sizeof(ZILHandle*) * static_cast<size_t>(capacity)));
    if (!slots)
      return ZIL_EXC_Allocation_Fail;
  }
  ZILLong kept = length < a->length ? length : a->length;
  if (kept > 0)
    memcpy(slots, a->slots, sizeof(ZILHandle*) * static_cast<size_t>(kept));
  for (ZILLong i = kept; i < capacity; ++i)
    slots[i] = ZILNullRef(ps);
  ZILHandle** old = a->slots;
  ZILLong oldCapacity = a->capacity;
  a->slots = slots;
  a->capacity = capacity;
  a->length = length;
  // Release the dropped slots only once the array is consistent again: a destructor run by a
  // release may look at it.
  for (ZILLong i = kept; i < oldCapacity; ++i)
    ZILRelease(ps, old[i]);
  ZILFree(ps, old);
  return 0;
}

ZILError ZILArrayAppend(ZILArray* a, ZILHandle* h) {
  ZILError e = ZILArraySetLength(a, a->length + 1);
  if (e) {
    ZILRelease(a->state, h);
    return e;
  }
  ZILStoreSlot(a->state, a->slots + a->length - 1, h);
  return 0;
}

ZILError ZILNewArray(ZILState* ps, ZILHandle** pOut) {
  ZILArray* a = ZILArrayCreate(ps);
  if (!a)
    return ZIL_EXC_Allocation_Fail;
  ZILHandle* h = ZILTakeHandle(ps);
  if (!h) {
    ZILFree(ps, a);
    return ZIL_EXC_Allocation_Fail;
  }
  h->type = ZIL_TYPE_ARRAY;
  h->payload.p = a;
  *pOut = h;
  return 0;
}

// ----------------------------------------------------------------------------------------------
// Instances and delegates

ZILError ZILNewInstance(ZILState* ps, ZILLong typeID, ZILHandle** pOut) {
  if (!ZILTypeValid(ps, typeID))
    return ZIL_ERR_Invalid_Handle_Type;
  const ZILTypeInfo& ti = ZILTypes(ps)[typeID];
  if (ti.family != ZIL_FAMILY_CLASS || ti.isNative || ti.instanceSize < 0 || ti.instanceSize > (1 << 24))
    return ZIL_ERR_Invalid_Handle_Type;
  ZILLong count = ti.instanceSize;
  ZILInstance* inst =
      static_cast<ZILInstance*>(ZILAlloc(ps, sizeof(ZILInstance) + sizeof(ZILHandle*) * static_cast<size_t>(count)));
  ZILHandle* h = inst ? ZILTakeHandle(ps) : nullptr;
  if (!h) {
    ZILFree(ps, inst);
    return ZIL_EXC_Allocation_Fail;
  }
  inst->count = count;
  inst->spare = 0;
  ZILHandle** m = ZILInstanceMembers(inst);
  for (ZILLong i = 0; i < count; ++i)
    m[i] = ZILNullRef(ps);
  h->type = static_cast<uint16_t>(typeID);
  h->payload.p = inst;
  *pOut = h;
  return 0;
}

ZILError ZILNewDelegate(ZILState* ps, ZILLong typeID, ZILLong index, ZILHandle* object, ZILHandle** pOut) {
  if (!ZILTypeValid(ps, typeID) || ZILTypes(ps)[typeID].family != ZIL_FAMILY_DELEGATE || ZILTypes(ps)[typeID].isNative)
    return ZIL_ERR_Invalid_Handle_Type;
  ZILDelegate* d = static_cast<ZILDelegate*>(ZILAlloc(ps, sizeof(ZILDelegate)));
  ZILHandle* h = d ? ZILTakeHandle(ps) : nullptr;
  if (!h) {
    ZILFree(ps, d);
    return ZIL_EXC_Allocation_Fail;
  }
  d->index = index;
  d->object = object;
  if (object)
    ZILAddRef(object);
  h->type = static_cast<uint16_t>(typeID);
  h->payload.p = d;
  *pOut = h;
  return 0;
}

// ----------------------------------------------------------------------------------------------
// Value copy

static ZILError copyValue(ZILState* ps, ZILHandle* src, ZILHandle** pOut, int depth);

static ZILError copyArray(ZILState* ps, ZILHandle* src, ZILHandle** pOut, int depth) {
  ZILArray* from = static_cast<ZILArray*>(src->payload.p);
  ZILHandle* h = nullptr;
  ZILError e = ZILNewArray(ps, &h);
  if (e)
    return e;
  ZILArray* to = static_cast<ZILArray*>(h->payload.p);
  ZILLong length = from ? from->length : 0;
  e = ZILArraySetLength(to, length);
  for (ZILLong i = 0; !e && i < length && i < from->length; ++i) {
    ZILHandle* element = nullptr;
    e = copyValue(ps, from->slots[i], &element, depth + 1);
    if (!e)
      ZILStoreSlot(ps, to->slots + i, element);
  }
  if (e) {
    ZILRelease(ps, h);
    return e;
  }
  *pOut = h;
  return 0;
}

static ZILError copyNative(ZILState* ps, ZILHandle* src, ZILHandle** pOut) {
  ZILTypeInfo* ti = ZILTypes(ps) + src->type;
  if (ti->copyConstructor < 0)
    return ZIL_ERR_Unsupported_Native_Call;
  ZILContext* ctx = ps->current ? ps->current : ps->root;
  if (!ctx || !ti->typeProc)
    return ZIL_ERR_Unsupported_Native_Call;
  void* object = nullptr;
  ZILError e = ZILTypeProcCall(ti->typeProc, &ti->instance, NTL_NewObject, 0, nullptr, &object);
  if (e || !object)
    return e ? e : ZIL_EXC_Allocation_Fail;
  ZILHandle* h = ZILTakeHandle(ps);
  if (!h) {
    ZILTypeProcCall(ti->typeProc, &ti->instance, NTL_DestroyObject, 0, object, nullptr);
    return ZIL_EXC_Allocation_Fail;
  }
  h->type = src->type;
  h->payload.p = object;
  if (ctx->sp <= 0) {
    ZILRelease(ps, h);
    return ZIL_EXC_Stack_Overflow;
  }
  ZILAddRef(src);
  ctx->dataStack[--ctx->sp] = src;
  e = ZILCallNative(ps, ctx, ctx->pc, src->type, NTL_CallMember, ZILTypes(ps)[src->type].copyConstructor, object);
  ZILRelease(ps, ctx->dataStack[ctx->sp++]);
  if (e) {
    ZILRelease(ps, h);
    return e;
  }
  *pOut = h;
  return 0;
}

static ZILError copyInstance(ZILState* ps, ZILHandle* src, ZILHandle** pOut) {
  const ZILTypeInfo& ti = ZILTypes(ps)[src->type];
  ZILHandle* h = nullptr;
  ZILError e = ZILNewInstance(ps, src->type, &h);
  if (e)
    return e;
  ZILInstance* from = static_cast<ZILInstance*>(src->payload.p);
  ZILInstance* to = static_cast<ZILInstance*>(h->payload.p);
  if (ti.copyConstructor < 0) {
    ZILLong count = from->count < to->count ? from->count : to->count;
    for (ZILLong i = 0; i < count; ++i) {
      ZILHandle* member = ZILStoreCopy(ps, ZILInstanceMembers(from)[i]);
      if (!member) {
        ZILRelease(ps, h);
        return ZIL_EXC_Allocation_Fail;
      }
      ZILStoreSlot(ps, ZILInstanceMembers(to) + i, member);
    }
    *pOut = h;
    return 0;
  }
  // The copy constructor runs on the new instance (r0) with the source as its argument.
  ZILLong f = ZILMethodFunction(ps, src->type, ti.copyConstructor);
  ZILContext* ctx = ps->current ? ps->current : ps->root;
  if (f < 0 || f >= ps->funcs.count || !ctx) {
    ZILRelease(ps, h);
    return ZIL_EXC_Object_Copy_Fail;
  }
  if (ctx->sp <= 0) {
    ZILRelease(ps, h);
    return ZIL_EXC_Stack_Overflow;
  }
  ZILAddRef(src);
  ctx->dataStack[--ctx->sp] = src;
  // The copy runs inside one instruction, so the code around it keeps its r0 and r1.
  ZILHandle* savedThis = ctx->regs[0];
  ZILHandle* savedResult = ctx->regs[1];
  ZILAddRef(savedResult);
  ZILAddRef(h);
  ctx->regs[0] = h;
  e = ZILRunNested(ps, ctx, ZILFuncs(ps)[f].codeAddress);
  ZILStoreSlot(ps, ctx->regs, savedThis);
  ZILStoreSlot(ps, ctx->regs + 1, savedResult);
  ZILRelease(ps, ctx->dataStack[ctx->sp++]);
  if (e) {
    ZILRelease(ps, h);
    return e;
  }
  *pOut = h;
  return 0;
}

static ZILError copyValue(ZILState* ps, ZILHandle* src, ZILHandle** pOut, int depth) {
  if (depth > kMaxCopyDepth)
    return ZIL_EXC_Object_Copy_Fail;
  switch (src->type) {
    case ZIL_TYPE_NULL: *pOut = ZILNullRef(ps); return 0;
    case ZIL_TYPE_INT:
    case ZIL_TYPE_FLOAT: *pOut = ZILStoreCopy(ps, src); return *pOut ? 0 : ZIL_EXC_Allocation_Fail;
    case ZIL_TYPE_STRING: {
      ZILString* s = static_cast<ZILString*>(src->payload.p);
      return ZILNewString(ps, ZILStringText(s), s ? s->length : 0, pOut);
    }
    case ZIL_TYPE_ARRAY: return copyArray(ps, src, pOut, depth);
    default: break;
  }
  if (!ZILTypeValid(ps, src->type))
    return ZIL_EXC_Unsupported_Type;
  const ZILTypeInfo& ti = ZILTypes(ps)[src->type];
  if (ti.isNative)
    return copyNative(ps, src, pOut);
  if (ti.family == ZIL_FAMILY_CLASS)
    return copyInstance(ps, src, pOut);
  if (ti.family == ZIL_FAMILY_DELEGATE) {
    ZILDelegate* d = static_cast<ZILDelegate*>(src->payload.p);
    if (!d)
      return ZIL_EXC_Unsupported_Type;
    return ZILNewDelegate(ps, src->type, d->index, d->object, pOut);
  }
  return ZIL_EXC_Unsupported_Type;
}

ZILError ZILCopyValue(ZILState* ps, ZILHandle* src, ZILHandle** pOut) { return copyValue(ps, src, pOut, 0); }
