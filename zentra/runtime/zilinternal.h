// zilinternal.h - helpers shared by the runtime's own files and not part of its interface.
// The hot ones (taking a handle from the free stack, storing a counted handle into a slot)
// are inline so the interpreter's handlers compile to straight-line code.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>

#include "zilapi.h"

// Checked builds test the interpreter's invariants as it runs (see zilinterp.cpp) and report
// code that breaks one. Debug builds are checked, and so are the sanitizer builds, whose test
// runs are where a broken invariant should show; release builds are not.
#if !defined(NDEBUG) || defined(__SANITIZE_ADDRESS__) || defined(SONABEL_ZIL_CHECKED)
#define ZIL_CHECKED 1
#else
#define ZIL_CHECKED 0
#endif

// ---------------------------------------------------------------------------------------------
// The runtime's own part of the state. ZILInitialize allocates this record, whose first member
// is the public ZILState, so the state pointer a host holds converts back to it.

// Strings are one block each: the record followed by ZIL_STRING_INLINE bytes of text, so every
// string of up to 31 bytes needs a single allocation. Freed blocks wait in a per-state list
// (at most ZIL_STRING_CACHE_LIMIT of them) for the next string; the state frees them at the end.
enum {
  ZIL_STRING_INLINE = 32,
  ZIL_STRING_CACHE_LIMIT = 1024
};
struct ZILStringBlockCache {
  void* first;  // free blocks, linked through their first word
  ZILLong count;
  ZILFreeProc owner;  // the free proc of the allocator that made them
};

struct ZILStateInternal {
  ZILState state;
  ZILStringBlockCache stringBlocks;
  ZILLong constantsChangedInPlace;  // checked builds: in-place writes to a constant seen so far
  ZILSegment lines;                 // ZILLineEntry records by address; made with the first entry
};
static_assert(std::is_standard_layout_v<ZILStateInternal> && offsetof(ZILStateInternal, state) == 0,
              "the public state is the first member");

// Handle flag of the runtime handle made from a data constant (beside the public flag bits):
// many slots share it, so nothing may change its value in place.
constexpr uint16_t ZIL_HANDLE_CONSTANT = 8;

inline ZILStateInternal* ZILInternal(ZILState* ps) { return reinterpret_cast<ZILStateInternal*>(ps); }

// The text room inside a string's own block; s->text points here while the text fits.
inline ZILChar* ZILStringInlineText(ZILString* s) { return reinterpret_cast<ZILChar*>(s + 1); }

// Gives every cached string block back to the allocator that made it (teardown, allocator switch).
void ZILStringCacheFlush(ZILState* ps);

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

// Argument n of the running native call (the data stack from sp on); none outside the stack.
// The NTLGetArg* helpers read through it; the built-in classes use it inline in their hot paths.
inline ZILHandle* ZILNativeArg(ZILState* ps, ZILLong n) {
  ZILContext* ctx = ps ? (ps->current ? ps->current : ps->root) : nullptr;
  if (!ctx || n < 0)
    return nullptr;
  int64_t at = static_cast<int64_t>(ctx->sp) + n;
  if (at >= ctx->dataSize)
    return nullptr;
  return ctx->dataStack[at];
}

// NTLGetArgInt's answer: the int argument, 0 for any other value.
inline ZILLong ZILNativeArgInt(ZILState* ps, ZILLong n) {
  ZILHandle* h = ZILNativeArg(ps, n);
  return h && h->type == ZIL_TYPE_INT ? h->payload.l : 0;
}

// Segment growth: makes room for extra more elements; ZIL_EXC_Allocation_Fail when memory is
// exhausted.
ZILError ZILSegmentReserve(ZILState* ps, ZILSegment* seg, ZILLong extra, ZILLong padding);
ZILError ZILSegmentCreate(ZILState* ps, ZILSegment* seg, ZILLong elementSize, ZILLong capacity);
void ZILSegmentFree(ZILState* ps, ZILSegment* seg);

// Built-in type records and the built-in native procs (string, array, list, iterator, table).
ZILError ZILCreateBuiltinTypes(ZILState* ps);
ZILError ZILRegisterBuiltinTypes(ZILState* ps);
NTLTypeProc ZILFindNativeType(ZILState* ps, const ZILChar* name);

// Host code the runtime calls (type procs, the allocation, log and GC callbacks, exception
// vectors) may be C++ that throws, and the runtime's interface is C. Each such call goes through
// this guard, which turns an exception into a code at the call: ZIL_EXC_Allocation_Fail when
// memory ran out, ZIL_ERR_Unspecified for anything else. Nothing unwinds through the runtime, so
// its contexts and stacks stay as the returned code finds them.
template <class Call>
__attribute__((always_inline)) inline ZILError ZILGuardedCall(Call&& call) noexcept {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return ZIL_EXC_Allocation_Fail;
  } catch (...) {
    return ZIL_ERR_Unspecified;
  }
}
__attribute__((always_inline)) inline ZILError ZILTypeProcCall(NTLTypeProc proc, NTLInstance* inst, ZILLong msg,
                                                               ZILLong param, ZILUnknown* in,
                                                               ZILUnknown** out) noexcept {
  return ZILGuardedCall([&]() __attribute__((always_inline)) { return proc(inst, msg, param, in, out); });
}

// Calls a native type's proc for an object or a static function; stores the caller's pc first.
// Inline: it is on the path of every native call the interpreter makes.
inline ZILError ZILCallNative(ZILState* ps, ZILContext* ctx, ZILLong pc, ZILLong typeID, ZILLong msg, ZILLong param,
                              void* object) {
  ctx->pc = pc;
  ps->nativePC = pc;
  if (!ZILTypeValid(ps, typeID))
    return ZIL_EXC_Call_To_Non_Function;
  ZILTypeInfo* ti = ZILTypes(ps) + typeID;
  if (!ti->typeProc)
    return ZIL_EXC_Call_To_Non_Function;
  ti->instance.typeName = ZILNameAt(ps, ti->pName);  // the name segment may have moved
  return ZILTypeProcCall(ti->typeProc, &ti->instance, msg, param, object, nullptr);
}

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
struct ZILWeakTable {
  ZILLong capacity;  // power of two
  ZILLong count;
  struct Entry {
    void* object;  // none: empty slot
    ZILHandle* weak;
  } * entries;
};
void ZILWeakObjectGoneSlow(ZILState* ps, void* object);
// Called for every object destroyed; the table is only searched while weak handles exist.
inline void ZILWeakObjectGone(ZILState* ps, void* object) {
  if (ps->weakRefs && ps->weakRefs->count > 0)
    ZILWeakObjectGoneSlow(ps, object);
}
void ZILWeakFreeTable(ZILState* ps);

// ---------------------------------------------------------------------------------------------
// Runtime services: collector, pools, string and runtime classes, calls into script code.

// Longest text a string method builds; longer results fail with ZIL_EXC_Allocation_Fail.
enum {
  ZIL_STRING_MAX_LENGTH = 1 << 28
};
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

// ---------------------------------------------------------------------------------------------
// Built-in container classes: array, list, iterator, table.

ZILError ZILArrayTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn, ZILUnknown** ppDataOut);
ZILError ZILListTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn, ZILUnknown** ppDataOut);
ZILError ZILIteratorTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn,
                             ZILUnknown** ppDataOut);
ZILError ZILTableTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn, ZILUnknown** ppDataOut);

// The class data every built-in class answers the same way (register, versions, names, texts).
struct ZILBuiltinClassData {
  const ZILChar* name;
  const ZILChar* timeStamp;
  const ZILChar* description;
  const ZILChar* declaration;
};
ZILError ZILBuiltinClassQuery(const ZILBuiltinClassData& data, NTLInstance* inst, ZILLong msg, ZILUnknown** ppDataOut);

// Calls fn(args...) for a container method: *pResult receives the result (counted) and *pCode the
// error code of an error value (0 for any other result). The return value is the call's own
// failure (the delegate raised, the runtime is blocked, ...).
ZILError ZILCallForValue(ZILState* ps, ZILHandle* fn, ZILLong argc, ZILHandle* const* args, ZILHandle** pResult,
                         ZILError* pCode);
// The handle r1 should receive for a stored value: ints and floats copied (the interpreter changes
// them in place), everything else shared. None when memory is exhausted.
inline ZILHandle* ZILValueOut(ZILState* ps, ZILHandle* h) { return ZILStoreCopy(ps, h ? h : ps->nullHandle); }
// Returns a stored value through r1 as ZILValueOut gives it.
ZILError ZILReturnValue(ZILState* ps, ZILHandle* h);

// Byte trie (the table class's store and the type-name index). Keys are non-empty byte strings.
ZILTable* ZILTableCreate(ZILState* ps, ZILLong mode);
// Releases every value (through the release callback) and frees nodes and table.
void ZILTableDestroy(ZILTable* t);
// The node for key; created with its path when create is set (none when memory is exhausted),
// else none when the key has no node. Empty keys have no node.
ZILTrieNode* ZILTableNode(ZILTable* t, const ZILChar* key, ZILLong length, bool create);
// Stores value for key, releasing the previous one; ZIL_ERR_Illegal_Argument for an empty key and
// ZIL_EXC_Allocation_Fail when memory is exhausted (the value is then not taken).
ZILError ZILTableSet(ZILTable* t, const ZILChar* key, ZILLong length, void* value);
void* ZILTableGet(ZILTable* t, const ZILChar* key, ZILLong length);
// Child i of node n, created when missing; none when memory is exhausted.
ZILTrieNode* ZILTableChild(ZILTable* t, ZILTrieNode* n, int i);
// Calls visit for every stored value, in node-allocation order (marking, copying).
ZILError ZILTableForEach(ZILTable* t, ZILError (*visit)(void* context, ZILTrieNode* node), void* context);

// Enumeration order walk: children 0..15 before the node's own value, so keys come in ascending
// byte order except that a key follows every longer key that begins with it.
struct ZILTrieWalk {
  ZILState* state;
  ZILTrieNode** nodes;
  uint8_t* nextChild;
  ZILLong depth;
  ZILLong capacity;
};
void ZILTrieWalkBegin(ZILTrieWalk* w, ZILTable* t);
// The next node holding a value; none at the end. *pError is ZIL_EXC_Allocation_Fail when the walk
// ran out of memory.
ZILTrieNode* ZILTrieWalkNext(ZILTrieWalk* w, ZILError* pError);
void ZILTrieWalkEnd(ZILTrieWalk* w);

// Frees the type-name index at teardown.
void ZILTypeIndexFree(ZILState* ps);

// List nodes (zillistnodes.cpp). A node leaves its list through ZILListRemove; while iterators
// hold it, it keeps its key and value and counted links to the neighbours it had, so an iterator
// on it can still step to the nodes that followed and preceded it.
ZILList* ZILListCreate(ZILState* ps);
// Removes every node and frees the list (nodes held by iterators live on without it).
void ZILListDestroy(ZILList* list);
inline bool ZILListKeyTypeValid(const ZILHandle* key) {
  return key && (key->type == ZIL_TYPE_INT || key->type == ZIL_TYPE_FLOAT || key->type == ZIL_TYPE_STRING);
}
// Same type and same value (ints and floats by value, strings by content).
bool ZILListKeysEqual(const ZILHandle* a, const ZILHandle* b);
ZILListNode* ZILListFind(ZILList* list, const ZILHandle* key);
// A new node for list, not linked yet, taking over the caller's key and value references.
ZILListNode* ZILListNodeNew(ZILList* list, ZILHandle* key, ZILHandle* value);
// Links an unlinked node before `before` (none: at the end) or after `after` (none: at the front).
void ZILListLinkBefore(ZILList* list, ZILListNode* node, ZILListNode* before);
void ZILListLinkAfter(ZILList* list, ZILListNode* node, ZILListNode* after);
// Takes a node out of the chain without removing it from the list (moves).
void ZILListUnlink(ZILList* list, ZILListNode* node);
void ZILListRemove(ZILList* list, ZILListNode* node);
void ZILListClear(ZILList* list);
inline void ZILListNodeRetain(ZILListNode* node) { ++node->refCount; }
void ZILListNodeRelease(ZILState* ps, ZILListNode* node);
// The live neighbour a node leads to (a removed node leads to where it was); none at the ends.
ZILListNode* ZILListNextOf(ZILListNode* node);
ZILListNode* ZILListPrevOf(ZILListNode* node);
ZILListNode* ZILListNodeAt(ZILList* list, ZILLong index);  // none outside
