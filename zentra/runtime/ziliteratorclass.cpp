// ziliteratorclass.cpp - the type proc of the built-in `iterator` class: a position in a list
// with reference semantics (moving never copies nodes). The iterator holds its list's handle and
// the node it is on, both counted, so a node removed from the list stays alive (with its key and
// value) while an iterator is on it, and the iterator can still step to its old neighbours.
#include <new>

#include "zilinternal.h"
#include "ziltools.h"

namespace {

const ZILChar kDeclaration[] =
    "method\t\t\t\t\titerator(list);method\t\t\t\t\titerator(const iterator);method\t\t\t\t\tfirst();"
    "method\t\t\t\t\tlast();method\t\t\t\t\tprev();method\t\t\t\t\tnext();"
    "method\t\t\t\t\tinsert(const var key, var value);method\t\t\t\t\tdelete();"
    "accessor const var\t\tkey();accessor var\t\t\tvalue();accessor \t\t\t\tvalue(var value);"
    "accessor int\t\t\tvalid();accessor int\t\t\tisFirst();accessor int\t\t\tisLast();";

const ZILBuiltinClassData kClassData = {"iterator", "17.02.2006", "An iterator class for ZentraScript.", kDeclaration};

enum {
  kConstruct,
  kCopyConstruct,
  kFirst,
  kLast,
  kPrev,
  kNext,
  kInsert,
  kDelete,
  kKey,
  kValue,
  kSetValue,
  kValid,
  kIsFirst,
  kIsLast,
};

ZILList* listOf(const ZILIterator* it) {
  ZILHandle* h = it->list;
  return h && h->type == ZIL_TYPE_LIST && h->refCount > 0 ? static_cast<ZILList*>(h->payload.p) : nullptr;
}

// Puts the iterator on node (none: on no node); moving clears the deleted flag.
void moveTo(ZILState* ps, ZILIterator* it, ZILListNode* node) {
  if (node)
    ZILListNodeRetain(node);
  ZILListNode* old = it->node;
  it->node = node;
  it->deleted = 0;
  ZILListNodeRelease(ps, old);
}

void setList(ZILState* ps, ZILIterator* it, ZILHandle* list) {
  ZILHandle* old = it->list;
  it->list = list;
  if (list)
    ZILAddRef(list);
  if (old)
    ZILRelease(ps, old);
}

// The iterator's node while it is in the iterator's list.
ZILListNode* liveNode(const ZILIterator* it) {
  ZILList* list = listOf(it);
  return it->node && list && it->node->list == list ? it->node : nullptr;
}

ZILError callMember(ZILState* ps, ZILLong function, ZILIterator* self) {
  if (!self)
    return ZIL_EXC_Null_Reference;
  switch (function) {
    case kConstruct: {
      ZILHandle* h = NTLGetArgHandle(ps, 0);
      bool isList = h->type == ZIL_TYPE_LIST && h->payload.p;
      setList(ps, self, isList ? h : nullptr);
      moveTo(ps, self, isList ? static_cast<ZILList*>(h->payload.p)->first : nullptr);
      NTLFreeHandle(ps, h);
      return 0;
    }
    case kCopyConstruct: {
      ZILHandle* h = NTLGetArgHandle(ps, 0);
      if (h->type == ZIL_TYPE_ITERATOR && h->payload.p) {
        ZILIterator* other = static_cast<ZILIterator*>(h->payload.p);
        if (other != self) {
          setList(ps, self, other->list);
          moveTo(ps, self, other->node);
          self->deleted = other->deleted;
        }
      }
      NTLFreeHandle(ps, h);
      return 0;
    }
    case kFirst:
    case kLast: {
      ZILList* list = listOf(self);
      moveTo(ps, self, list ? (function == kFirst ? list->first : list->last) : nullptr);
      return 0;
    }
    case kPrev:
    case kNext: moveTo(ps, self, function == kPrev ? ZILListPrevOf(self->node) : ZILListNextOf(self->node)); return 0;
    case kInsert: {
      ZILList* list = listOf(self);
      if (!list)
        return ZIL_EXC_Null_Reference;
      ZILHandle* key = NTLGetArgHandle(ps, 0);
      ZILHandle* value = NTLGetArgHandle(ps, 1);
      ZILHandle* k = nullptr;
      ZILError e = ZILListKeyTypeValid(key) ? ZILCopyValue(ps, key, &k) : ZIL_EXC_Unsupported_Type;
      ZILHandle* v = e ? nullptr : ZILValueOut(ps, value);
      if (!e && !v) {
        ZILRelease(ps, k);
        e = ZIL_EXC_Allocation_Fail;
      }
      if (!e) {
        ZILListNode* n = ZILListNodeNew(list, k, v);
        if (n)
          ZILListLinkBefore(list, n, liveNode(self));
        else
          e = ZIL_EXC_Allocation_Fail;
      }
      NTLFreeHandle(ps, key);
      NTLFreeHandle(ps, value);
      return e;
    }
    case kDelete:
      if (ZILListNode* n = self->deleted ? nullptr : liveNode(self)) {
        ZILListRemove(n->list, n);
        self->deleted = 1;
      }
      return 0;
    case kKey:
    case kValue:
      return ZILReturnValue(ps, self->node ? (function == kKey ? self->node->key : self->node->value) : nullptr);
    case kSetValue:
      if (self->node && self->node->value) {
        ZILHandle* arg = NTLGetArgHandle(ps, 0);
        ZILHandle* v = ZILValueOut(ps, arg);
        NTLFreeHandle(ps, arg);
        if (!v)
          return ZIL_EXC_Allocation_Fail;
        ZILHandle* old = self->node->value;
        self->node->value = v;
        ZILRelease(ps, old);
      }
      return 0;
    case kValid: return NTLReturnInt(ps, !self->deleted && liveNode(self) ? 1 : 0);
    case kIsFirst:
    case kIsLast: {
      ZILListNode* n = liveNode(self);
      return NTLReturnInt(ps, n && (function == kIsFirst ? n->list->first == n : n->list->last == n) ? 1 : 0);
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILIterator* newIterator(ZILState* ps) {
  ZILIterator* it = static_cast<ZILIterator*>(ZILAlloc(ps, sizeof(ZILIterator)));
  if (it) {
    it->node = nullptr;
    it->list = nullptr;
    it->spare = 0;
    it->deleted = 0;
  }
  return it;
}

}  // namespace

ZILError ZILIteratorTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn,
                             ZILUnknown** ppDataOut) {
  switch (msg) {
    case NTL_NewObject: {
      ZILIterator* it = newIterator(inst->state);
      *ppDataOut = it;
      return it ? 0 : ZIL_EXC_Allocation_Fail;
    }
    case NTL_DestroyObject: {
      ZILIterator* it = static_cast<ZILIterator*>(pDataIn);
      if (!it)
        return 0;
      ZILState* ps = inst->state;
      ZILListNode* node = it->node;
      ZILHandle* list = it->list;
      ZILFree(ps, it);
      ZILListNodeRelease(ps, node);
      if (list)
        ZILRelease(ps, list);
      return 0;
    }
    case NTL_MarkHandles: {
      ZILIterator* it = static_cast<ZILIterator*>(pDataIn);
      if (!it)
        return 0;
      ZILError e = NTLMarkHandle(inst->state, it->list);
      // A node removed from the list is reachable only through its iterators.
      if (!e && it->node)
        e = NTLMarkHandle(inst->state, it->node->key);
      if (!e && it->node)
        e = NTLMarkHandle(inst->state, it->node->value);
      return e;
    }
    case NTL_CallMember: try { return callMember(inst->state, param, static_cast<ZILIterator*>(pDataIn));
      } catch (const std::bad_alloc&) {
        return ZIL_EXC_Allocation_Fail;
      }
    default: return ZILBuiltinClassQuery(kClassData, inst, msg, ppDataOut);
  }
}
