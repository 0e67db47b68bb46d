// zilinterpvalues.h - the interpreter's value primitives: wrapping int arithmetic, float to int,
// releasing and storing handles, int and float results that reuse a handle only one slot holds
// (setInt, setFloat), member, element and constant slots, string operands. Only zilinterp.cpp
// includes it; everything here inlines into the interpreter loop.
#pragma once

#include <cstring>

#include "zilinternal.h"

namespace ZILInterp {

inline ZILLong wrapAdd(ZILLong a, ZILLong b) {
  return static_cast<ZILLong>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline ZILLong wrapSub(ZILLong a, ZILLong b) {
  return static_cast<ZILLong>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline ZILLong wrapMul(ZILLong a, ZILLong b) {
  return static_cast<ZILLong>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline ZILLong wrapNeg(ZILLong a) { return static_cast<ZILLong>(0u - static_cast<uint32_t>(a)); }
inline ZILLong wrapDiv(ZILLong a, ZILLong b) { return b == -1 ? wrapNeg(a) : a / b; }
inline ZILLong wrapMod(ZILLong a, ZILLong b) { return b == -1 ? 0 : a % b; }
inline ZILLong shiftLeft(ZILLong a, ZILLong b) { return static_cast<ZILLong>(static_cast<uint32_t>(a) << (b & 31)); }
inline ZILLong shiftRightArith(ZILLong a, ZILLong b) { return a >> (b & 31); }
inline ZILLong shiftRightLogic(ZILLong a, ZILLong b) {
  return static_cast<ZILLong>(static_cast<uint32_t>(a) >> (b & 31));
}

// Float to int, truncated toward zero; NaN gives 0 and values out of range saturate.
inline ZILLong floatToLong(ZILFloat f) {
  if (!(f == f))
    return 0;
  if (f >= 2147483647.0)
    return INT32_MAX;
  if (f <= -2147483648.0)
    return INT32_MIN;
  return static_cast<ZILLong>(f);
}

// Releases one reference. Plain ints and floats own nothing, so their last release puts the
// handle straight back on the free stack without the general destruction path.
__attribute__((always_inline)) inline void releaseHandle(ZILState* ps, ZILHandle* h) {
  if (h->refCount > 1) {
    --h->refCount;
    return;
  }
  if (__builtin_expect(
          h->refCount == 1 && (h->type == ZIL_TYPE_INT || h->type == ZIL_TYPE_FLOAT) && !(h->flags & ZIL_HANDLE_WEAK),
          1)) {
    h->refCount = 0;
    ps->freeStack[--ps->handlesInUse] = h;
    return;
  }
  ZILReleaseSlow(ps, h);
}

// Stores h (whose reference the slot takes over) into slot and releases what it held.
inline void storeSlot(ZILState* ps, ZILHandle** slot, ZILHandle* h) {
  ZILHandle* old = *slot;
  *slot = h;
  releaseHandle(ps, old);
}

// A handle of this type that only one slot holds, so its payload may change in place.
inline bool ownedValue(const ZILHandle* h, uint16_t type) {
  return h->refCount == 1 && h->type == type && !(h->flags & ZIL_HANDLE_WEAK);
}

#if ZIL_CHECKED
// The in-place check (see the invariants above): the code changed a data constant's value. The
// instruction still runs as in a release build; the break is counted and logged.
__attribute__((noinline, cold)) inline void constantChangedInPlace(ZILState* ps, const ZILLong* ip) {
  ++ZILInternal(ps)->constantsChangedInPlace;
  const ZILOpcodeInfo* info = ZILGetOpcodeInfo(*ip);
  ZILLog(ps, "ZIL: `%s` at %d changes a constant in place\n", info ? info->mnemonic : "?",
         static_cast<int>(ip - ZILCode(ps)));
}
#define CHECK_IN_PLACE(h) \
  if (__builtin_expect((h)->flags & ZIL_HANDLE_CONSTANT, 0)) \
  constantChangedInPlace(ps, ip)
#else
#define CHECK_IN_PLACE(h) ((void)0)
#endif

// A new handle for an int or float value: the free stack's top, with the pool's growth (and
// its failure) left to the general call.
__attribute__((always_inline)) inline ZILHandle* takeValueHandle(ZILState* ps) {
  if (__builtin_expect(ps->handlesInUse < ps->handleCapacity, 1)) {
    ZILHandle* h = ps->freeStack[ps->handlesInUse++];
    h->flags &= ZIL_HANDLE_BLOCK_START;
    h->refCount = 1;
    return h;
  }
  return ZILTakeHandle(ps);
}

// dst = new int v; an int handle that only this slot holds is reused in place.
__attribute__((always_inline)) inline bool setInt(ZILState* ps, ZILHandle** slot, ZILLong v) {
  ZILHandle* h = *slot;
  if (__builtin_expect(ownedValue(h, ZIL_TYPE_INT), 1)) {
    h->payload.l = v;
    return true;
  }
  ZILHandle* n = takeValueHandle(ps);
  if (!n)
    return false;
  n->type = ZIL_TYPE_INT;
  n->payload.p = nullptr;
  n->payload.l = v;
  *slot = n;
  releaseHandle(ps, h);
  return true;
}

__attribute__((always_inline)) inline bool setFloat(ZILState* ps, ZILHandle** slot, ZILFloat v) {
  ZILHandle* h = *slot;
  if (__builtin_expect(ownedValue(h, ZIL_TYPE_FLOAT), 1)) {
    h->payload.f = v;
    return true;
  }
  ZILHandle* n = takeValueHandle(ps);
  if (!n)
    return false;
  n->type = ZIL_TYPE_FLOAT;
  n->payload.f = v;
  *slot = n;
  releaseHandle(ps, h);
  return true;
}

__attribute__((always_inline)) inline ZILHandle** memberSlot(ZILState* ps, ZILHandle* obj, ZILLong d, ZILError* err) {
  if (obj->type == ZIL_TYPE_NULL) {
    *err = ZIL_EXC_Null_Reference;
    return nullptr;
  }
  const ZILTypeInfo* ti = ZILTypeValid(ps, obj->type) ? ZILTypes(ps) + obj->type : nullptr;
  if (!ti || ti->family != ZIL_FAMILY_CLASS || ti->isNative || !obj->payload.p) {
    *err = ZIL_EXC_Unsupported_Type;
    return nullptr;
  }
  ZILInstance* inst = static_cast<ZILInstance*>(obj->payload.p);
  if (static_cast<uint32_t>(d) >= static_cast<uint32_t>(inst->count)) {
    *err = ZIL_EXC_Invalid_Operand;
    return nullptr;
  }
  return ZILInstanceMembers(inst) + d;
}

__attribute__((noinline)) inline ZILHandle** elementSlotSlow(ZILHandle* arr, ZILHandle* index, ZILError* err) {
  if (arr->type == ZIL_TYPE_NULL) {
    *err = ZIL_EXC_Null_Reference;
    return nullptr;
  }
  if (arr->type != ZIL_TYPE_ARRAY || !arr->payload.p || index->type != ZIL_TYPE_INT) {
    *err = ZIL_EXC_Unsupported_Type;
    return nullptr;
  }
  ZILLong i = index->payload.l;
  if (i < 0) {
    *err = ZIL_EXC_Invalid_Operand;
    return nullptr;
  }
  ZILArray* a = static_cast<ZILArray*>(arr->payload.p);
  if (i >= a->length) {
    ZILError e = i >= ZIL_ARRAY_MAX_LENGTH ? ZIL_EXC_Allocation_Fail : ZILArraySetLength(a, i + 1);
    if (e) {
      *err = e;
      return nullptr;
    }
  }
  return a->slots + i;
}

// The element slot of an (r+r) operand; the common case, an int index inside the array, inline.
__attribute__((always_inline)) inline ZILHandle** elementSlot(ZILHandle* arr, ZILHandle* index, ZILError* err) {
  if (__builtin_expect(arr->type == ZIL_TYPE_ARRAY && index->type == ZIL_TYPE_INT && arr->payload.p, 1)) {
    ZILArray* a = static_cast<ZILArray*>(arr->payload.p);
    if (static_cast<uint32_t>(index->payload.l) < static_cast<uint32_t>(a->length))
      return a->slots + index->payload.l;
  }
  return elementSlotSlow(arr, index, err);
}

inline ZILHandle* constantHandle(ZILState* ps, ZILLong index) {
  if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(ps->data.count))
    return nullptr;
  if (__builtin_expect(index >= ps->constantsMaterialized, 0) && ZILMaterializeConstants(ps) != 0)
    return nullptr;
  ZILLong h = ZILDataHandles(ps)[index].refCount;
  if (static_cast<uint32_t>(h) >= static_cast<uint32_t>(ps->handleCapacity))
    return nullptr;
  return ps->handles[h];
}

inline bool isString(const ZILHandle* h) { return h->type == ZIL_TYPE_STRING; }

// Text of a string operand; null reads as empty text. False for any other type.
inline bool stringOperand(const ZILHandle* h, const ZILChar** text, ZILLong* length) {
  if (h->type == ZIL_TYPE_NULL) {
    *text = "";
    *length = 0;
    return true;
  }
  if (!isString(h))
    return false;
  const ZILString* s = static_cast<const ZILString*>(h->payload.p);
  *text = ZILStringText(s);
  *length = s ? s->length : 0;
  return true;
}

inline bool stringsEqual(const ZILHandle* a, const ZILHandle* b, ZILError* err) {
  const ZILChar *ta, *tb;
  ZILLong la, lb;
  if (!stringOperand(a, &ta, &la) || !stringOperand(b, &tb, &lb)) {
    *err = ZIL_EXC_Unsupported_Type;
    return false;
  }
  return la == lb && memcmp(ta, tb, static_cast<size_t>(la)) == 0;
}

}  // namespace ZILInterp
