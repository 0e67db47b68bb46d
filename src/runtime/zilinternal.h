// zilinternal.h - helpers shared by the runtime's own files and not part of its interface.
// The hot ones (taking a handle from the free stack, storing a counted handle into a slot)
// are inline so the interpreter's handlers compile to straight-line code.
#pragma once

#include "zilapi.h"

// Grows the handle pool by one block; 0 on success.
ZILError ZILGrowHandlePool(ZILState* ps);

inline ZILHandle* ZILTakeHandle(ZILState* ps) {
  if (ps->handlesInUse == ps->handleCapacity && ZILGrowHandlePool(ps) != 0)
    return nullptr;
  ZILHandle* h = ps->freeStack[ps->handlesInUse++];
  h->type = ZIL_TYPE_NULL;
  h->flags &= ZIL_HANDLE_BLOCK_START;
  h->refCount = 1;
  return h;
}

// Stores h (whose reference the slot takes over) into slot and releases what it held.
inline void ZILStoreSlot(ZILState* ps, ZILHandle** slot, ZILHandle* h) {
  ZILHandle* old = *slot;
  *slot = h;
  ZILRelease(ps, old);
}

inline ZILHandle* ZILNullRef(ZILState* ps) {
  ++ps->nullHandle->refCount;
  return ps->nullHandle;
}

inline bool ZILTypeValid(ZILState* ps, ZILLong typeID) {
  return static_cast<uint32_t>(typeID) < static_cast<uint32_t>(ps->types.count);
}

// Segment growth: makes room for extra more elements; 1012 when memory is exhausted.
ZILError ZILSegmentReserve(ZILState* ps, ZILSegment* seg, ZILLong extra, ZILLong padding);
ZILError ZILSegmentCreate(ZILState* ps, ZILSegment* seg, ZILLong elementSize, ZILLong capacity);
void ZILSegmentFree(ZILState* ps, ZILSegment* seg);

// Built-in type records and the built-in native procs (string, array, list, iterator, table).
ZILError ZILCreateBuiltinTypes(ZILState* ps);
ZILError ZILRegisterBuiltinTypes(ZILState* ps);
NTLTypeProc ZILFindNativeType(ZILState* ps, const ZILChar* name);

// Calls a native type's proc for an object or a static function; stores the caller's pc first.
ZILError ZILCallNative(ZILState* ps, ZILContext* ctx, ZILLong pc, ZILLong typeID, ZILLong msg,
                       ZILLong param, void* object);

// Teardown: frees the pool's blocks and arrays after every object was destroyed.
void ZILFreeHandlePool(ZILState* ps);
ZILError ZILCreateHandlePool(ZILState* ps);
// Destroys an object without releasing the handles it refers to (teardown, where every handle
// is being freed anyway).
void ZILDestroyShallow(ZILState* ps, ZILHandle* h);

// Runs the script function at address on ctx as a nested call (-1 pushed as return address).
ZILError ZILRunNested(ZILState* ps, ZILContext* ctx, ZILLong address);

// Weak handles: registered when made, unregistered when released, turned null when their
// object is destroyed.
bool ZILWeakAttach(ZILState* ps, ZILHandle* weak);
void ZILWeakDetach(ZILState* ps, ZILHandle* weak);
void ZILWeakObjectGone(ZILState* ps, void* object);
void ZILWeakFreeTable(ZILState* ps);

// ---------------------------------------------------------------------------------------------
// Runtime services: collector, pools, string and runtime classes, calls into script code.

// Longest text a string method builds; longer results fail with 1012.
enum { ZIL_STRING_MAX_LENGTH = 1 << 28 };
// Formats v with one checked conversion specification into out (ZIL_FORMAT_BUFFER bytes);
// returns the number of bytes written (zero bytes from %c included).
ZILLong ZILFormatValueBytes(ZILState* ps, const ZILChar* format, ZILHandle* v, ZILChar* out);
ZILError ZILStringTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn, ZILUnknown** ppDataOut);
ZILError ZILRuntimeTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn, ZILUnknown** ppDataOut);
// Calls the delegate fn with argc arguments (shared) on the active context; *pResult receives
// r1 (counted) on success. The context's registers and stack are restored afterwards.
ZILError ZILInvokeDelegate(ZILState* ps, ZILHandle* fn, ZILLong argc, ZILHandle* const* args, ZILHandle** pResult);
// Frees the pools at the very end of teardown; reports full buckets as leaks.
void ZILDeleteFixMem(ZILState* ps);
