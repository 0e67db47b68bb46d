// zilntl.cpp - the helpers native type procs use: reading arguments from the running context's
// data stack, writing results to r1, making and converting handles, type lookup by name,
// exception values and the declaration text buffer.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "zilinternal.h"
#include "ziltools.h"

namespace {

ZILContext* activeContext(ZILState* ps) { return ps ? (ps->current ? ps->current : ps->root) : nullptr; }

ZILHandle* argAt(ZILState* ps, ZILLong n) { return ZILNativeArg(ps, n); }

// r1 takes over h's reference.
ZILError storeResult(ZILState* ps, ZILHandle* h) {
  ZILContext* ctx = activeContext(ps);
  if (!h)
    return ZIL_EXC_Allocation_Fail;
  if (!ctx) {
    ZILRelease(ps, h);
    return ZIL_ERR_Code_Not_Initialized;
  }
  ZILStoreSlot(ps, ctx->regs + 1, h);
  return 0;
}

ZILError declAppend(NTLDeclBuffer* decl, const ZILChar* text, size_t length) {
  if (!decl || !text)
    return ZIL_ERR_Illegal_Argument;
  if (length == 0)
    return 0;
  size_t needed = static_cast<size_t>(decl->length) + length + 1;
  if (needed >= INT32_MAX)
    return ZIL_EXC_Allocation_Fail;
  if (needed > static_cast<size_t>(decl->capacity)) {
    size_t capacity = (needed / 256 + 1) * 256;
    ZILChar* grown = static_cast<ZILChar*>(ZILAlloc(decl->state, capacity));
    if (!grown)
      return ZIL_EXC_Allocation_Fail;
    if (decl->text)
      memcpy(grown, decl->text, static_cast<size_t>(decl->length));
    ZILFree(decl->state, decl->text);
    decl->text = grown;
    decl->capacity = static_cast<ZILLong>(capacity);
  }
  memcpy(decl->text + decl->length, text, length);
  decl->length += static_cast<ZILLong>(length);
  decl->text[decl->length] = 0;
  return 0;
}

}  // namespace

ZILLong NTLGetArgInt(ZILState* ps, ZILLong n) { return ZILNativeArgInt(ps, n); }

ZILFloat NTLGetArgFloat(ZILState* ps, ZILLong n) {
  ZILHandle* h = argAt(ps, n);
  return h && h->type == ZIL_TYPE_FLOAT ? h->payload.f : 0.0;
}

const ZILChar* NTLGetArgString(ZILState* ps, ZILLong n) {
  ZILHandle* h = argAt(ps, n);
  return h && h->type == ZIL_TYPE_STRING ? ZILStringText(static_cast<ZILString*>(h->payload.p)) : "";
}

ZILLong NTLGetArgStringLength(ZILState* ps, ZILLong n) {
  ZILHandle* h = argAt(ps, n);
  if (!h || h->type != ZIL_TYPE_STRING || !h->payload.p)
    return 0;
  return static_cast<ZILString*>(h->payload.p)->length;
}

ZILHandle* NTLGetArgHandle(ZILState* ps, ZILLong n) {
  ZILHandle* h = argAt(ps, n);
  if (!h)
    return ps && ps->nullHandle ? ZILNullRef(ps) : nullptr;
  ZILAddRef(h);
  return h;
}

namespace {

// The handle in r1 when r1 alone holds it (one reference, not weak), so a result of its type can
// be written into it instead of replacing it with a new handle, as the interpreter does with ints.
ZILHandle* unsharedResult(ZILContext* ctx, ZILLong type) {
  ZILHandle* r = ctx ? ctx->regs[1] : nullptr;
  return r && r->refCount == 1 && r->type == type && !(r->flags & ZIL_HANDLE_WEAK) ? r : nullptr;
}

// Rewrites the short string r1 alone holds; false when the result needs a new string. Weak handles
// may point at r1's string (they must turn null, not see new text), and text may lie inside it.
bool reuseStringResult(ZILState* ps, const ZILChar* text, ZILLong length) {
  if (length >= ZIL_STRING_INLINE || (ps->weakRefs && ps->weakRefs->count > 0))
    return false;
  ZILHandle* r = unsharedResult(activeContext(ps), ZIL_TYPE_STRING);
  ZILString* s = r ? static_cast<ZILString*>(r->payload.p) : nullptr;
  if (!s || s->text != ZILStringInlineText(s))
    return false;
  auto at = reinterpret_cast<uintptr_t>(text);
  auto room = reinterpret_cast<uintptr_t>(s->text);
  if (length > 0 && at + static_cast<uintptr_t>(length) > room && at < room + ZIL_STRING_INLINE)
    return false;
  if (length > 0)
    memcpy(s->text, text, static_cast<size_t>(length));
  s->text[length] = 0;
  s->length = length;
  return true;
}

}  // namespace

ZILError NTLReturnInt(ZILState* ps, ZILLong v) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (ZILHandle* r = unsharedResult(activeContext(ps), ZIL_TYPE_INT)) {
    r->payload.p = nullptr;
    r->payload.l = v;
    return 0;
  }
  return storeResult(ps, ZILNewInt(ps, v));
}

ZILError NTLReturnFloat(ZILState* ps, ZILFloat v) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (ZILHandle* r = unsharedResult(activeContext(ps), ZIL_TYPE_FLOAT)) {
    r->payload.f = v;
    return 0;
  }
  return storeResult(ps, ZILNewFloat(ps, v));
}

ZILError NTLReturnStringBytes(ZILState* ps, const ZILChar* text, ZILLong length) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (!text || length < 0)
    length = 0;
  if (reuseStringResult(ps, text, length))
    return 0;
  ZILHandle* h = nullptr;
  ZILError e = ZILNewString(ps, text, length, &h);
  return e ? e : storeResult(ps, h);
}

ZILError NTLReturnString(ZILState* ps, const ZILChar* text) {
  return NTLReturnStringBytes(ps, text, text ? static_cast<ZILLong>(strnlen(text, INT32_MAX - 128)) : 0);
}

ZILError NTLReturnHandle(ZILState* ps, ZILHandle* h) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (!h)
    return storeResult(ps, ZILNullRef(ps));
  ZILAddRef(h);
  return storeResult(ps, h);
}

void NTLFreeHandle(ZILState* ps, ZILHandle* h) {
  if (ps && h && h->refCount > 0)
    ZILRelease(ps, h);
}

ZILHandle* NTLNewHandleForObject(ZILState* ps, ZILLong typeID, void* pObject) {
  if (!ps)
    return nullptr;
  if (!pObject || !ZILTypeValid(ps, typeID))
    return ZILNullRef(ps);
  const ZILTypeInfo& ti = ZILTypes(ps)[typeID];
  bool wraps = typeID == ZIL_TYPE_STRING || typeID == ZIL_TYPE_ARRAY || ti.isNative || ti.family == ZIL_FAMILY_CLASS ||
               ti.family == ZIL_FAMILY_DELEGATE;
  if (typeID == ZIL_TYPE_INT)
    return ZILNewInt(ps, *static_cast<ZILLong*>(pObject));
  if (typeID == ZIL_TYPE_FLOAT)
    return ZILNewFloat(ps, *static_cast<ZILFloat*>(pObject));
  if (!wraps)
    return ZILNullRef(ps);
  ZILHandle* h = ZILNewHandle(ps);
  if (h) {
    h->type = static_cast<uint16_t>(typeID);
    h->payload.p = pObject;
  }
  return h;
}

void* NTLHandleToObject(ZILState* ps, ZILLong typeID, ZILHandle* h) {
  if (!ps || !h || h->type != typeID || h->refCount <= 0)
    return nullptr;
  if (typeID == ZIL_TYPE_INT)
    return &h->payload.l;
  if (typeID == ZIL_TYPE_FLOAT)
    return &h->payload.f;
  if (!ZILTypeValid(ps, typeID))
    return nullptr;
  const ZILTypeInfo& ti = ZILTypes(ps)[typeID];
  if (typeID == ZIL_TYPE_STRING || typeID == ZIL_TYPE_ARRAY || ti.isNative || ti.family == ZIL_FAMILY_CLASS ||
      ti.family == ZIL_FAMILY_DELEGATE)
    return h->payload.p;
  return nullptr;
}

ZILHandle* NTLNewObject(ZILState* ps, ZILLong typeID) {
  if (!ps || !ZILTypeValid(ps, typeID))
    return nullptr;
  ZILTypeInfo* ti = ZILTypes(ps) + typeID;
  if (ti->isNative) {
    if (!ti->typeProc)
      return nullptr;
    void* object = nullptr;
    if (ZILTypeProcCall(ti->typeProc, &ti->instance, NTL_NewObject, 0, nullptr, &object) != 0 || !object)
      return nullptr;
    ZILHandle* h = ZILNewHandle(ps);
    if (!h) {
      ZILTypeProcCall(ti->typeProc, &ti->instance, NTL_DestroyObject, 0, object, nullptr);
      return nullptr;
    }
    h->type = static_cast<uint16_t>(typeID);
    h->payload.p = object;
    return h;
  }
  if (ti->family != ZIL_FAMILY_CLASS)
    return nullptr;
  ZILHandle* h = nullptr;
  return ZILNewInstance(ps, typeID, &h) == 0 ? h : nullptr;
}

namespace {

// The type-name index: a byte trie in pointer mode holding id + 1 per name. Types are only ever
// appended, so the index catches up with new ones on demand; it is rebuilt when the type segment
// shrank or the records know a name the index missed.
struct TypeIndex {
  ZILTable* trie;
  ZILLong indexed;  // types 0 .. indexed-1 are entered
};

TypeIndex* typeIndex(ZILState* ps, bool rebuild) {
  TypeIndex* index = static_cast<TypeIndex*>(ps->typeNames);
  if (index && (rebuild || index->indexed > ps->types.count)) {
    ZILTypeIndexFree(ps);
    index = nullptr;
  }
  if (!index) {
    index = static_cast<TypeIndex*>(ZILAlloc(ps, sizeof(TypeIndex)));
    if (!index)
      return nullptr;
    index->trie = ZILTableCreate(ps, ZIL_TABLE_POINTERS);
    index->indexed = 0;
    if (!index->trie) {
      ZILFree(ps, index);
      return nullptr;
    }
    ps->typeNames = index;
  }
  for (; index->indexed < ps->types.count; ++index->indexed) {
    const ZILChar* name = ZILNameAt(ps, ZILTypes(ps)[index->indexed].pName);
    ZILTrieNode* n = ZILTableNode(index->trie, name, static_cast<ZILLong>(strlen(name)), true);
    if (!n)
      return nullptr;
    if (!n->value)  // the first type of a name wins
      n->value = reinterpret_cast<void*>(static_cast<intptr_t>(index->indexed) + 1);
  }
  return index;
}

ZILLong lookupType(TypeIndex* index, const ZILChar* name) {
  void* v = index ? ZILTableGet(index->trie, name, static_cast<ZILLong>(strlen(name))) : nullptr;
  return v ? static_cast<ZILLong>(reinterpret_cast<intptr_t>(v) - 1) : -1;
}

}  // namespace

void ZILTypeIndexFree(ZILState* ps) {
  TypeIndex* index = ps ? static_cast<TypeIndex*>(ps->typeNames) : nullptr;
  if (!index)
    return;
  ps->typeNames = nullptr;
  ZILTableDestroy(index->trie);
  ZILFree(ps, index);
}

ZILLong NTLTypeNameToTypeID(ZILState* ps, const ZILChar* name) {
  if (!ps || !name || !*name || !ps->types.base)
    return 0;
  ZILLong id = lookupType(typeIndex(ps, false), name);
  if (id >= 0 && id < ps->types.count && strcmp(ZILNameAt(ps, ZILTypes(ps)[id].pName), name) == 0)
    return id;
  // A miss or a stale hit: the type records changed behind the index (a compile that was rolled
  // back and declared other types in their places). The records decide; the index is rebuilt
  // when they know the name.
  for (ZILLong i = 0; i < ps->types.count; ++i) {
    if (strcmp(ZILNameAt(ps, ZILTypes(ps)[i].pName), name) == 0) {
      typeIndex(ps, true);
      return i;
    }
  }
  return 0;
}

ZILError NTLHandleToError(ZILState* ps, ZILHandle* h) {
  if (!ps || !h || h->refCount <= 0)
    return 0;
  if (h->type == ZIL_TYPE_EXCEPTION)
    return h->payload.l;
  if (!ZILTypeValid(ps, h->type))
    return 0;
  const ZILTypeInfo& ti = ZILTypes(ps)[h->type];
  if (ti.family != ZIL_FAMILY_CLASS || ti.isNative || ti.baseType != ZIL_TYPE_EXCEPTION)
    return 0;
  // getError is method 2 of the exception interface.
  ZILLong f = ZILMethodFunction(ps, h->type, 2);
  ZILContext* ctx = activeContext(ps);
  if (f < 0 || f >= ps->funcs.count || !ctx)
    return 0;
  ZILHandle* savedThis = ctx->regs[0];
  ZILHandle* savedResult = ctx->regs[1];
  ZILAddRef(h);
  ctx->regs[0] = h;
  ctx->regs[1] = ZILNullRef(ps);
  ZILError result = 0;
  if (ZILRunNested(ps, ctx, ZILFuncs(ps)[f].codeAddress) == 0 && ctx->regs[1]->type == ZIL_TYPE_INT)
    result = ctx->regs[1]->payload.l;
  ZILStoreSlot(ps, ctx->regs, savedThis);
  ZILStoreSlot(ps, ctx->regs + 1, savedResult);
  return result;
}

void NTLDeclInit(NTLDeclBuffer* decl, ZILState* ps) {
  if (!decl)
    return;
  decl->text = nullptr;
  decl->length = decl->capacity = 0;
  decl->state = ps;
}

void NTLDeclRelease(NTLDeclBuffer* decl) {
  if (!decl)
    return;
  ZILFree(decl->state, decl->text);
  decl->text = nullptr;
  decl->length = decl->capacity = 0;
}

ZILError NTLDeclareVerbatim(NTLDeclBuffer* decl, const ZILChar* text) {
  if (!decl || !text)
    return ZIL_ERR_Illegal_Argument;
  return declAppend(decl, text, strlen(text));
}

ZILError NTLDeclareConstantInt(NTLDeclBuffer* decl, ZILLong, const ZILChar* name, ZILLong value) {
  if (!decl || !name)
    return ZIL_ERR_Illegal_Argument;
  ZILError e = declAppend(decl, "const int ", 10);
  if (!e)
    e = NTLDeclareVerbatim(decl, name);
  ZILChar number[32];
  int n = snprintf(number, sizeof number, " = %d;\n", value);
  return e ? e : declAppend(decl, number, static_cast<size_t>(n));
}

ZILError NTLDeclareConstantFloat(NTLDeclBuffer* decl, ZILLong, const ZILChar* name, ZILFloat value) {
  if (!decl || !name)
    return ZIL_ERR_Illegal_Argument;
  ZILError e = declAppend(decl, "const float ", 12);
  if (!e)
    e = NTLDeclareVerbatim(decl, name);
  ZILChar number[64];
  int n = snprintf(number, sizeof number, " = %g;\n", value);
  return e ? e : declAppend(decl, number, static_cast<size_t>(n));
}

ZILError NTLDeclareConstantString(NTLDeclBuffer* decl, ZILLong, const ZILChar* name, const ZILChar* value) {
  if (!decl || !name)
    return ZIL_ERR_Illegal_Argument;
  ZILError e = declAppend(decl, "const string ", 13);
  if (!e)
    e = NTLDeclareVerbatim(decl, name);
  if (!e)
    e = declAppend(decl, " = \"", 4);
  for (const ZILChar* p = value ? value : ""; !e && *p; ++p) {
    if (*p == '"' || *p == '\\')
      e = declAppend(decl, "\\", 1);
    if (!e)
      e = declAppend(decl, p, 1);
  }
  return e ? e : declAppend(decl, "\";\n", 3);
}
