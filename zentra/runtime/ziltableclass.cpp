// ziltableclass.cpp - the type proc of the built-in `table` class: values stored under non-empty
// string keys in a byte trie (ziltrie.cpp), two trie steps per key byte and no hashing. The
// table marks its values for the collector, so cycles through tables are collected like any
// other. Enumeration visits a node's longer keys before the node's own value.
#include <new>

#include "zilinternal.h"
#include "ziltools.h"

namespace {

const ZILChar kDeclaration[] =
    "delegate\t\tenumerator(var element, var args);method\t\t\ttable();method\t\t\ttable(const table);"
    "method\t\t\ttable(const array);method\tvar\t\tget(const string key);"
    "method\t\t\tset(const string key, var value);method table\tdeepCopy();"
    "method\t\t\tenumerate(enumerator fn, var args);";

const ZILBuiltinClassData kClassData = {"table", "15.02.2007", "A hash-table class for ZentraScript.", kDeclaration};

enum {
  kConstruct,
  kCopyConstruct,
  kFromArray,
  kGet,
  kSet,
  kDeepCopy,
  kEnumerate
};

ZILTable* tableOf(ZILHandle* h) {
  return h && h->type == ZIL_TYPE_TABLE ? static_cast<ZILTable*>(h->payload.p) : nullptr;
}

// Stores a value under the key bytes; the table takes over v's reference.
ZILError store(ZILTable* t, const ZILChar* key, ZILLong length, ZILHandle* v) {
  if (!v)
    return ZIL_EXC_Allocation_Fail;
  ZILError e = ZILTableSet(t, key, length, v);
  if (e)
    ZILRelease(t->state, v);
  return e;
}

// Copies every entry of from into to, node by node along the trie's shape: values shared, or
// copied for deep copies (copy constructors may run script code; nodes are never removed, so the
// walk stays valid while the source grows).
ZILError copyEntries(ZILState* ps, ZILTable* to, ZILTable* from, bool deep) {
  struct Step {
    ZILTrieNode* from;
    ZILTrieNode* to;
  };
  Step* stack = nullptr;
  size_t depth = 0, capacity = 0;
  ZILError e = 0;
  auto push = [&](ZILTrieNode* f, ZILTrieNode* t) {
    if (depth == capacity) {
      size_t grown = capacity ? capacity * 2 : 64;
      Step* s = static_cast<Step*>(ZILAlloc(ps, sizeof(Step) * grown));
      if (!s)
        return false;
      for (size_t i = 0; i < depth; ++i)
        s[i] = stack[i];
      ZILFree(ps, stack);
      stack = s;
      capacity = grown;
    }
    stack[depth++] = {f, t};
    return true;
  };
  if (!push(from->root, to->root))
    return ZIL_EXC_Allocation_Fail;
  while (depth > 0 && !e) {
    Step s = stack[--depth];
    if (ZILHandle* v = static_cast<ZILHandle*>(s.from->value)) {
      ZILHandle* c = nullptr;
      if (deep)
        e = ZILCopyValue(ps, v, &c);
      else if (!(c = ZILValueOut(ps, v)))
        e = ZIL_EXC_Allocation_Fail;
      if (e)
        break;
      if (ZILHandle* old = static_cast<ZILHandle*>(s.to->value))
        ZILRelease(ps, old);
      s.to->value = c;
    }
    for (int i = 15; i >= 0 && !e; --i) {
      ZILTrieNode* child = s.from->child[i];
      if (!child)
        continue;
      ZILTrieNode* target = ZILTableChild(to, s.to, i);
      if (!target || !push(child, target))
        e = ZIL_EXC_Allocation_Fail;
    }
  }
  ZILFree(ps, stack);
  return e;
}

ZILError newTableHandle(ZILState* ps, ZILHandle** pOut) {
  ZILTable* t = ZILTableCreate(ps, ZIL_TABLE_HANDLES);
  ZILHandle* h = t ? ZILNewHandle(ps) : nullptr;
  if (!h) {
    ZILTableDestroy(t);
    return ZIL_EXC_Allocation_Fail;
  }
  h->type = ZIL_TYPE_TABLE;
  h->payload.p = t;
  *pOut = h;
  return 0;
}

ZILError enumerateTable(ZILState* ps, ZILTable* t, ZILHandle* fn, ZILHandle* args) {
  ZILTrieWalk walk;
  ZILTrieWalkBegin(&walk, t);
  ZILError e = 0;
  while (!e && !t->doomed) {
    ZILTrieNode* n = ZILTrieWalkNext(&walk, &e);
    if (!n)
      break;
    ZILHandle* v = static_cast<ZILHandle*>(n->value);
    ZILAddRef(v);  // the delegate may replace it
    ZILHandle* callArgs[2] = {v, args};
    ZILHandle* r = nullptr;
    ZILError code = 0;
    e = ZILCallForValue(ps, fn, 2, callArgs, &r, &code);
    if (r)
      ZILRelease(ps, r);
    ZILRelease(ps, v);
    if (!e)
      e = code;
  }
  ZILTrieWalkEnd(&walk);
  return e;
}

ZILError fromArray(ZILState* ps, ZILTable* self, ZILHandle* arg) {
  if (arg->type != ZIL_TYPE_ARRAY || !arg->payload.p)
    return 0;
  ZILArray* a = static_cast<ZILArray*>(arg->payload.p);
  // Copies may run copy constructors that change the array: its length is read every time.
  for (ZILLong i = 0; i < a->length; i += 2) {
    ZILHandle* key = a->slots[i];
    const ZILString* s = key->type == ZIL_TYPE_STRING ? static_cast<const ZILString*>(key->payload.p) : nullptr;
    if (!s || !s->text || s->length == 0)
      return ZIL_ERR_Illegal_Argument;
    ZILAddRef(key);
    ZILHandle* v = nullptr;
    ZILError e = i + 1 < a->length ? ZILCopyValue(ps, a->slots[i + 1], &v) : (v = ZILNullRef(ps), 0);
    if (!e)
      e = store(self, s->text, s->length, v);
    ZILRelease(ps, key);
    if (e)
      return e;
  }
  return 0;
}

ZILError callScripted(ZILState* ps, ZILLong function, ZILTable* self) {
  switch (function) {
    case kCopyConstruct:
    case kFromArray: {
      ZILHandle* arg = NTLGetArgHandle(ps, 0);
      ZILError e = 0;
      if (function == kFromArray) {
        e = fromArray(ps, self, arg);
      } else if (ZILTable* other = tableOf(arg)) {
        if (other != self)
          e = copyEntries(ps, self, other, false);
      }
      NTLFreeHandle(ps, arg);
      return e;
    }
    case kDeepCopy: {
      ZILHandle* h = nullptr;
      ZILError e = newTableHandle(ps, &h);
      if (e)
        return e;
      e = copyEntries(ps, static_cast<ZILTable*>(h->payload.p), self, true);
      if (!e)
        e = NTLReturnHandle(ps, h);
      ZILRelease(ps, h);
      return e;
    }
    case kEnumerate: {
      ZILHandle* fn = NTLGetArgHandle(ps, 0);
      ZILHandle* args = NTLGetArgHandle(ps, 1);
      ZILError e = enumerateTable(ps, self, fn, args);
      NTLFreeHandle(ps, fn);
      NTLFreeHandle(ps, args);
      return e;
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError callMember(ZILState* ps, ZILLong function, ZILTable* self) {
  if (!self)
    return ZIL_EXC_Null_Reference;
  switch (function) {
    case kConstruct: return 0;
    case kGet:
      return ZILReturnValue(
          ps, static_cast<ZILHandle*>(ZILTableGet(self, NTLGetArgString(ps, 0), NTLGetArgStringLength(ps, 0))));
    case kSet: {
      ZILLong length = NTLGetArgStringLength(ps, 0);
      if (length <= 0)
        return 0;
      ZILHandle* arg = NTLGetArgHandle(ps, 1);
      ZILError e = store(self, NTLGetArgString(ps, 0), length, ZILValueOut(ps, arg));
      NTLFreeHandle(ps, arg);
      return e;
    }
    case kCopyConstruct:
    case kFromArray:
    case kDeepCopy:
    case kEnumerate: {
      ++self->busy;
      ZILError e = callScripted(ps, function, self);
      if (--self->busy == 0 && self->doomed)
        ZILTableDestroy(self);
      return e;
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError markValue(void* context, ZILTrieNode* node) {
  return NTLMarkHandle(static_cast<ZILState*>(context), static_cast<ZILHandle*>(node->value));
}

}  // namespace

ZILError ZILTableTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn, ZILUnknown** ppDataOut) {
  switch (msg) {
    case NTL_NewObject: {
      ZILTable* t = ZILTableCreate(inst->state, ZIL_TABLE_HANDLES);
      *ppDataOut = t;
      return t ? 0 : ZIL_EXC_Allocation_Fail;
    }
    case NTL_DestroyObject: {
      ZILTable* t = static_cast<ZILTable*>(pDataIn);
      if (t && t->busy > 0)
        t->doomed = 1;  // a method of this table is calling script code; it frees the table
      else
        ZILTableDestroy(t);
      return 0;
    }
    case NTL_MarkHandles: return pDataIn ? ZILTableForEach(static_cast<ZILTable*>(pDataIn), markValue, inst->state) : 0;
    case NTL_CallMember: try { return callMember(inst->state, param, static_cast<ZILTable*>(pDataIn));
      } catch (const std::bad_alloc&) {
        return ZIL_EXC_Allocation_Fail;
      }
    default: return ZILBuiltinClassQuery(kClassData, inst, msg, ppDataOut);
  }
}
