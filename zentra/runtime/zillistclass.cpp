// zillistclass.cpp - the type proc of the built-in `list` class: a doubly linked list of
// key/value pairs (keys are int, float or string values) with its 19 methods, among them the
// insertion sort with its modes and comparator. Lookups walk from the first node and take the
// first node whose key has the same type and value. Methods that call script code hold the list
// open (busy), so a list dropped by that code is freed only when they return.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "zilinternal.h"
#include "ziltools.h"

namespace {

const ZILChar kDeclaration[] =
    "delegate\t\t\tenumerator(const var key, var value, var args);"
    "delegate int\t\tcomparator(const var value1, const var value2);method\t\t\t\tlist();"
    "method\t\t\t\tlist(const list);accessor int\t\tlength();method\t\t\t\tadd(const var key, var val);"
    "method\t\t\t\taddOrSet(const var key, var val);"
    "method\t\t\t\tinsert(const var key, const var newKey, var newVal);"
    "method\t\t\t\tinsertAfter(const var key, const var newKey, var newVal);"
    "method\t\t\t\tswap(const var key1, const var key2);method\t\t\t\tmoveToFirst(const var key);"
    "method\t\t\t\tmoveToLast(const var key);method\t\t\t\tremove(const var key);method\t\t\t\tclear();"
    "method\t\t\t\tsort(const int mode, comparator fn);method var\t\t\tvalue(const var key);"
    "method var\t\t\tvalueFromIndex(const int index);method const var\tkeyFromIndex(const int index);"
    "method int\t\t\tkeyExists(const var key);method\t\t\t\tenumerate(enumerator fn, var args);"
    "method list\t\tdeepCopy();";

const ZILBuiltinClassData kClassData = {"list", "28.01.2006", "A list class for ZentraScript.", kDeclaration};

enum {
  kConstruct,
  kCopyConstruct,
  kLength,
  kAdd,
  kAddOrSet,
  kInsert,
  kInsertAfter,
  kSwap,
  kMoveToFirst,
  kMoveToLast,
  kRemove,
  kClear,
  kSort,
  kValue,
  kValueFromIndex,
  kKeyFromIndex,
  kKeyExists,
  kEnumerate,
  kDeepCopy,
};

enum {
  kSortDescending = 1,
  kSortValuesFirst = 2
};

// Arguments read once and released together.
struct Args {
  ZILState* ps;
  ZILHandle* h[3] = {nullptr, nullptr, nullptr};
  Args(ZILState* state, int count) : ps(state) {
    for (int i = 0; i < count; ++i)
      h[i] = NTLGetArgHandle(ps, i);
  }
  ~Args() {
    for (ZILHandle* a : h)
      NTLFreeHandle(ps, a);
  }
  Args(const Args&) = delete;
  Args& operator=(const Args&) = delete;
};

// Keys are stored as copies: an int, float or string the script changes in place later must not
// move the node's key.
ZILError keyCopy(ZILState* ps, ZILHandle* key, ZILHandle** pOut) {
  if (!ZILListKeyTypeValid(key))
    return ZIL_EXC_Unsupported_Type;
  return ZILCopyValue(ps, key, pOut);
}

// A new node for key/value placed before `before`, after `after`, or at the end.
ZILError addNode(ZILList* list, ZILHandle* key, ZILHandle* value, ZILListNode* before, ZILListNode* after) {
  ZILState* ps = list->state;
  ZILHandle* k = nullptr;
  ZILError e = keyCopy(ps, key, &k);
  if (e)
    return e;
  ZILHandle* v = ZILValueOut(ps, value);
  if (!v) {
    ZILRelease(ps, k);
    return ZIL_EXC_Allocation_Fail;
  }
  ZILListNode* n = ZILListNodeNew(list, k, v);
  if (!n)
    return ZIL_EXC_Allocation_Fail;
  if (after)
    ZILListLinkAfter(list, n, after);
  else
    ZILListLinkBefore(list, n, before);
  return 0;
}

ZILError setValue(ZILState* ps, ZILListNode* n, ZILHandle* value) {
  ZILHandle* v = ZILValueOut(ps, value);
  if (!v)
    return ZIL_EXC_Allocation_Fail;
  ZILHandle* old = n->value;
  n->value = v;
  if (old)
    ZILRelease(ps, old);
  return 0;
}

// ----------------------------------------------------------------------------------------------
// Sort

struct Pair {
  ZILHandle* key;
  ZILHandle* value;
};

int compareBytes(const ZILHandle* a, const ZILHandle* b) {
  const ZILString* sa = static_cast<const ZILString*>(a->payload.p);
  const ZILString* sb = static_cast<const ZILString*>(b->payload.p);
  ZILLong la = sa && sa->text ? sa->length : 0;
  ZILLong lb = sb && sb->text ? sb->length : 0;
  ZILLong common = la < lb ? la : lb;
  int c = common > 0 ? memcmp(sa->text, sb->text, static_cast<size_t>(common)) : 0;
  if (c == 0)
    c = la < lb ? -1 : (la > lb ? 1 : 0);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Lower type ids first; ints and floats by value, strings by unsigned bytes, anything else by
// the comparator (0 without one, for a result that is no int, and for an error value).
ZILError compareValues(ZILState* ps, ZILHandle* fn, ZILHandle* a, ZILHandle* b, int* pResult) {
  *pResult = 0;
  if (a->type != b->type) {
    *pResult = a->type < b->type ? -1 : 1;
    return 0;
  }
  switch (a->type) {
    case ZIL_TYPE_INT: *pResult = a->payload.l < b->payload.l ? -1 : (a->payload.l > b->payload.l ? 1 : 0); return 0;
    case ZIL_TYPE_FLOAT: *pResult = a->payload.f < b->payload.f ? -1 : (a->payload.f > b->payload.f ? 1 : 0); return 0;
    case ZIL_TYPE_STRING: *pResult = compareBytes(a, b); return 0;
    default: break;
  }
  if (!fn || fn->type == ZIL_TYPE_NULL)
    return 0;
  ZILHandle* args[2] = {a, b};
  ZILHandle* r = nullptr;
  ZILError code = 0;
  ZILError e = ZILCallForValue(ps, fn, 2, args, &r, &code);
  if (!e && !code && r->type == ZIL_TYPE_INT)
    *pResult = r->payload.l < 0 ? -1 : (r->payload.l > 0 ? 1 : 0);
  if (r)
    ZILRelease(ps, r);
  return e;
}

ZILError comparePairs(ZILState* ps, ZILHandle* fn, ZILLong mode, const Pair& a, const Pair& b, int* pResult) {
  bool valuesFirst = (mode & kSortValuesFirst) != 0;
  ZILError e = compareValues(ps, fn, valuesFirst ? a.value : a.key, valuesFirst ? b.value : b.key, pResult);
  if (!e && *pResult == 0)
    e = compareValues(ps, fn, valuesFirst ? a.key : a.value, valuesFirst ? b.key : b.value, pResult);
  if (mode & kSortDescending)
    *pResult = -*pResult;
  return e;
}

// Insertion sort of the pairs, exchanging neighbours while the later one belongs before the
// earlier; equal pairs keep their order. The comparator may run script code that changes the
// list, so the pairs are sorted on the side (each held) and written back into the nodes, in
// their places, only when the list was left alone meanwhile.
ZILError sortList(ZILState* ps, ZILList* list, ZILLong mode, ZILHandle* fn) {
  std::vector<Pair> pairs;
  pairs.reserve(static_cast<size_t>(list->count));
  for (ZILListNode* n = list->first; n; n = n->next) {
    ZILAddRef(n->key);
    ZILAddRef(n->value);
    pairs.push_back({n->key, n->value});
  }
  ZILLong changes = list->changes;
  ZILError e = 0;
  for (size_t i = 1; i < pairs.size() && !e; ++i) {
    for (size_t j = i; j > 0; --j) {
      int c = 0;
      e = comparePairs(ps, fn, mode, pairs[j], pairs[j - 1], &c);
      if (e || c >= 0)
        break;
      std::swap(pairs[j], pairs[j - 1]);
    }
  }
  if (!e && !list->doomed && list->changes == changes) {
    size_t i = 0;
    for (ZILListNode* n = list->first; n && i < pairs.size(); n = n->next, ++i) {
      std::swap(n->key, pairs[i].key);
      std::swap(n->value, pairs[i].value);
    }
  }
  for (Pair& p : pairs) {
    ZILRelease(ps, p.key);
    ZILRelease(ps, p.value);
  }
  return e;
}

// ----------------------------------------------------------------------------------------------

ZILError enumerateList(ZILState* ps, ZILList* list, ZILHandle* fn, ZILHandle* args) {
  ZILListNode* n = list->first;
  if (n)
    ZILListNodeRetain(n);
  ZILError e = 0;
  while (n && !e && !list->doomed) {
    if (n->list == list) {
      ZILHandle* callArgs[3] = {n->key, n->value, args};
      ZILHandle* r = nullptr;
      ZILError code = 0;
      e = ZILCallForValue(ps, fn, 3, callArgs, &r, &code);
      if (r)
        ZILRelease(ps, r);
      if (!e)
        e = code;
    }
    ZILListNode* next = ZILListNextOf(n);
    if (next)
      ZILListNodeRetain(next);
    ZILListNodeRelease(ps, n);
    n = next;
  }
  if (n)
    ZILListNodeRelease(ps, n);
  return e;
}

// Copies other's pairs into list: values shared, or copied for deepCopy (which may run copy
// constructors, hence the walk on held nodes).
ZILError copyPairs(ZILState* ps, ZILList* list, ZILList* other, bool deep) {
  ZILListNode* n = other->first;
  if (n)
    ZILListNodeRetain(n);
  ZILError e = 0;
  while (n && !e) {
    if (n->list == other) {
      ZILHandle* value = nullptr;
      if (deep)
        e = ZILCopyValue(ps, n->value, &value);
      if (!e)
        e = addNode(list, n->key, deep ? value : n->value, nullptr, nullptr);
      if (value)
        ZILRelease(ps, value);
    }
    ZILListNode* next = ZILListNextOf(n);
    if (next)
      ZILListNodeRetain(next);
    ZILListNodeRelease(ps, n);
    n = next;
  }
  if (n)
    ZILListNodeRelease(ps, n);
  return e;
}

ZILList* listOf(ZILHandle* h) { return h && h->type == ZIL_TYPE_LIST ? static_cast<ZILList*>(h->payload.p) : nullptr; }

// A new handle holding a new empty list; none when memory is exhausted.
ZILHandle* newList(ZILState* ps) {
  ZILList* list = ZILListCreate(ps);
  ZILHandle* h = list ? ZILNewHandle(ps) : nullptr;
  if (!h) {
    ZILFree(ps, list);
    return nullptr;
  }
  h->type = ZIL_TYPE_LIST;
  h->payload.p = list;
  return h;
}

// Methods that may run script code; the caller holds the list open around them.
ZILError callScripted(ZILState* ps, ZILLong function, ZILList* self) {
  switch (function) {
    case kSort: {
      Args a(ps, 2);
      return sortList(ps, self, NTLGetArgInt(ps, 0), a.h[1]);
    }
    case kEnumerate: {
      Args a(ps, 2);
      return enumerateList(ps, self, a.h[0], a.h[1]);
    }
    case kDeepCopy: {
      ZILHandle* h = newList(ps);
      if (!h)
        return ZIL_EXC_Allocation_Fail;
      ZILList* out = listOf(h);
      ZILError e = copyPairs(ps, out, self, true);
      if (!e)
        e = NTLReturnHandle(ps, h);
      ZILRelease(ps, h);
      return e;
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError callMember(ZILState* ps, ZILLong function, ZILList* self) {
  if (!self)
    return ZIL_EXC_Null_Reference;
  switch (function) {
    case kConstruct: return 0;
    case kCopyConstruct: {
      Args a(ps, 1);
      ZILList* other = listOf(a.h[0]);
      if (!other || other == self)
        return 0;
      ZILListClear(self);
      return copyPairs(ps, self, other, false);
    }
    case kLength: return NTLReturnInt(ps, self->count);
    case kAdd:
    case kAddOrSet: {
      Args a(ps, 2);
      if (!ZILListKeyTypeValid(a.h[0]))
        return ZIL_EXC_Unsupported_Type;
      if (function == kAddOrSet)
        if (ZILListNode* n = ZILListFind(self, a.h[0]))
          return setValue(ps, n, a.h[1]);
      return addNode(self, a.h[0], a.h[1], nullptr, nullptr);
    }
    case kInsert:
    case kInsertAfter: {
      Args a(ps, 3);
      if (!ZILListKeyTypeValid(a.h[0]) || !ZILListKeyTypeValid(a.h[1]))
        return ZIL_EXC_Unsupported_Type;
      ZILListNode* at = ZILListFind(self, a.h[0]);
      if (!at)
        return 0;
      return function == kInsert ? addNode(self, a.h[1], a.h[2], at, nullptr)
                                 : addNode(self, a.h[1], a.h[2], nullptr, at);
    }
    case kSwap: {
      Args a(ps, 2);
      if (!ZILListKeyTypeValid(a.h[0]) || !ZILListKeyTypeValid(a.h[1]))
        return ZIL_EXC_Unsupported_Type;
      ZILListNode* n1 = ZILListFind(self, a.h[0]);
      ZILListNode* n2 = ZILListFind(self, a.h[1]);
      if (n1 && n2 && n1 != n2) {
        std::swap(n1->key, n2->key);
        std::swap(n1->value, n2->value);
      }
      return 0;
    }
    case kMoveToFirst:
    case kMoveToLast:
    case kRemove: {
      Args a(ps, 1);
      if (!ZILListKeyTypeValid(a.h[0]))
        return ZIL_EXC_Unsupported_Type;
      ZILListNode* n = ZILListFind(self, a.h[0]);
      if (!n)
        return 0;
      if (function == kRemove) {
        ZILListRemove(self, n);
      } else {
        ZILListUnlink(self, n);
        ZILListLinkBefore(self, n, function == kMoveToFirst ? self->first : nullptr);
      }
      return 0;
    }
    case kClear: ZILListClear(self); return 0;
    case kValue:
    case kKeyExists: {
      Args a(ps, 1);
      if (!ZILListKeyTypeValid(a.h[0]))
        return ZIL_EXC_Unsupported_Type;
      ZILListNode* n = ZILListFind(self, a.h[0]);
      return function == kValue ? ZILReturnValue(ps, n ? n->value : nullptr) : NTLReturnInt(ps, n ? 1 : 0);
    }
    case kValueFromIndex:
    case kKeyFromIndex: {
      ZILListNode* n = ZILListNodeAt(self, NTLGetArgInt(ps, 0));
      return ZILReturnValue(ps, n ? (function == kValueFromIndex ? n->value : n->key) : nullptr);
    }
    case kSort:
    case kEnumerate:
    case kDeepCopy: {
      ++self->busy;
      ZILError e = callScripted(ps, function, self);
      if (--self->busy == 0 && self->doomed)
        ZILListDestroy(self);
      return e;
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError ZILListTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn, ZILUnknown** ppDataOut) {
  switch (msg) {
    case NTL_NewObject: {
      ZILList* list = ZILListCreate(inst->state);
      *ppDataOut = list;
      return list ? 0 : ZIL_EXC_Allocation_Fail;
    }
    case NTL_DestroyObject: {
      ZILList* list = static_cast<ZILList*>(pDataIn);
      if (list && list->busy > 0) {
        // A method of this list is calling script code; it frees the list when it returns.
        list->doomed = 1;
        ZILListClear(list);
        return 0;
      }
      ZILListDestroy(list);
      return 0;
    }
    case NTL_MarkHandles: {
      ZILList* list = static_cast<ZILList*>(pDataIn);
      for (ZILListNode* n = list ? list->first : nullptr; n; n = n->next) {
        ZILError e = NTLMarkHandle(inst->state, n->key);
        if (!e)
          e = NTLMarkHandle(inst->state, n->value);
        if (e)
          return e;
      }
      return 0;
    }
    case NTL_CallMember: try { return callMember(inst->state, param, static_cast<ZILList*>(pDataIn));
      } catch (const std::bad_alloc&) {
        return ZIL_EXC_Allocation_Fail;
      }
    default: return ZILBuiltinClassQuery(kClassData, inst, msg, ppDataOut);
  }
}
