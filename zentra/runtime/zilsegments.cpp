// zilsegments.cpp - the five growable segments (code, data, functions, names, types), the
// functions that append to them, and materialisation of data constants into runtime handles.
// All memory goes through the state's allocation callbacks. The code segment keeps zeroed
// padding words after its end so that decoding a truncated last instruction stays inside it.
#include <cstdarg>
#include <cstring>

#include "zilinternal.h"

// A host allocator that throws (std::bad_alloc from a C++ allocator) fails like one that
// returns none.
void* ZILAlloc(ZILState* ps, size_t size) {
  void* p = nullptr;
  ZILGuardedCall([&] {
    p = ps->alloc(ps, size);
    return ZILError{0};
  });
  return p;
}

void ZILFree(ZILState* ps, void* p) {
  if (p)
    ZILGuardedCall([&] {
      ps->free(ps, p);
      return ZILError{0};
    });
}

void ZILLog(ZILState* ps, const ZILChar* format, ...) {
  if (!ps || !ps->log)
    return;
  ZILChar line[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  ZILGuardedCall([&] {
    ps->log(ps, line);
    return ZILError{0};
  });
}

ZILError ZILSegmentCreate(ZILState* ps, ZILSegment* seg, ZILLong elementSize, ZILLong capacity) {
  seg->elementSize = elementSize;
  seg->count = 0;
  seg->capacity = capacity;
  seg->base = ZILAlloc(ps, static_cast<size_t>(elementSize) * static_cast<size_t>(capacity));
  if (!seg->base)
    return ZIL_EXC_Allocation_Fail;
  memset(seg->base, 0, static_cast<size_t>(elementSize) * static_cast<size_t>(capacity));
  return 0;
}

void ZILSegmentFree(ZILState* ps, ZILSegment* seg) {
  ZILFree(ps, seg->base);
  seg->base = nullptr;
  seg->count = seg->capacity = 0;
}

ZILError ZILSegmentReserve(ZILState* ps, ZILSegment* seg, ZILLong extra, ZILLong padding) {
  if (extra < 0)
    return ZIL_ERR_Illegal_Argument;
  int64_t needed = static_cast<int64_t>(seg->count) + extra + padding;
  if (needed <= seg->capacity)
    return 0;
  int64_t capacity = seg->capacity > 0 ? seg->capacity : 256;
  while (capacity < needed)
    capacity *= 2;
  if (capacity > INT32_MAX / 2)
    return ZIL_EXC_Allocation_Fail;
  size_t oldBytes = static_cast<size_t>(seg->capacity) * static_cast<size_t>(seg->elementSize);
  size_t newBytes = static_cast<size_t>(capacity) * static_cast<size_t>(seg->elementSize);
  void* grown = ZILAlloc(ps, newBytes);
  if (!grown)
    return ZIL_EXC_Allocation_Fail;
  if (seg->base)
    memcpy(grown, seg->base, oldBytes);
  memset(static_cast<char*>(grown) + oldBytes, 0, newBytes - oldBytes);
  ZILFree(ps, seg->base);
  seg->base = grown;
  seg->capacity = static_cast<ZILLong>(capacity);
  return 0;
}

ZILError ZILAddNameBytes(ZILState* ps, const void* bytes, ZILLong size, ZILLong* pOffset) {
  ZILLong aligned = (ps->names.count + 3) & ~3;
  ZILError e = ZILSegmentReserve(ps, &ps->names, aligned - ps->names.count + size, 0);
  if (e)
    return e;
  char* base = static_cast<char*>(ps->names.base);
  memset(base + ps->names.count, 0, static_cast<size_t>(aligned - ps->names.count));
  if (size > 0)
    memcpy(base + aligned, bytes, static_cast<size_t>(size));
  ps->names.count = aligned + size;
  if (pOffset)
    *pOffset = aligned;
  return 0;
}

ZILError ZILAddName(ZILState* ps, const ZILChar* text, ZILLong* pOffset) {
  if (!text)
    return ZIL_ERR_Illegal_Argument;
  size_t length = strlen(text) + 1;
  if (length > INT32_MAX / 4)
    return ZIL_ERR_Illegal_Argument;
  ZILError e = ZILSegmentReserve(ps, &ps->names, static_cast<ZILLong>(length), 0);
  if (e)
    return e;
  memcpy(static_cast<char*>(ps->names.base) + ps->names.count, text, length);
  if (pOffset)
    *pOffset = ps->names.count;
  ps->names.count += static_cast<ZILLong>(length);
  return 0;
}

ZILError ZILAddType(ZILState* ps, const ZILTypeInfo* info, ZILLong* pTypeID) {
  if (!info)
    return ZIL_ERR_Illegal_Argument;
  if (ps->types.count >= 65535)  // handle type ids are 16 bits
    return ZIL_ERR_Illegal_Argument;
  ZILError e = ZILSegmentReserve(ps, &ps->types, 1, 0);
  if (e)
    return e;
  ZILTypeInfo* ti = ZILTypes(ps) + ps->types.count;
  *ti = *info;
  ti->typeID = ps->types.count;
  ti->instance.typeID = ti->typeID;
  ti->instance.state = ps;
  ti->instance.typeName = ZILNameAt(ps, ti->pName);
  if (pTypeID)
    *pTypeID = ti->typeID;
  ++ps->types.count;
  return 0;
}

ZILError ZILAddFunction(ZILState* ps, const ZILFuncInfo* info, ZILLong* pIndex) {
  if (!info)
    return ZIL_ERR_Illegal_Argument;
  ZILError e = ZILSegmentReserve(ps, &ps->funcs, 1, 0);
  if (e)
    return e;
  ZILFuncs(ps)[ps->funcs.count] = *info;
  if (pIndex)
    *pIndex = ps->funcs.count;
  ++ps->funcs.count;
  return 0;
}

ZILError ZILAppendCode(ZILState* ps, const ZILLong* words, ZILLong count, ZILLong* pAddress) {
  if (count < 0 || (count > 0 && !words))
    return ZIL_ERR_Illegal_Argument;
  ZILError e = ZILSegmentReserve(ps, &ps->code, count, ZIL_CODE_PADDING);
  if (e)
    return e;
  ZILLong* code = ZILCode(ps);
  if (count > 0)
    memcpy(code + ps->code.count, words, sizeof(ZILLong) * static_cast<size_t>(count));
  if (pAddress)
    *pAddress = ps->code.count;
  ps->code.count += count;
  return 0;
}

static ZILError addConstant(ZILState* ps, const ZILHandle& value, ZILLong* pIndex) {
  ZILError e = ZILSegmentReserve(ps, &ps->data, 1, 0);
  if (e)
    return e;
  ZILDataHandles(ps)[ps->data.count] = value;
  if (pIndex)
    *pIndex = ps->data.count;
  ++ps->data.count;
  return 0;
}

ZILError ZILAddConstantInt(ZILState* ps, ZILLong v, ZILLong* pIndex) {
  ZILHandle h{};
  h.type = ZIL_TYPE_INT;
  h.payload.l = v;
  return addConstant(ps, h, pIndex);
}

ZILError ZILAddConstantFloat(ZILState* ps, ZILFloat v, ZILLong* pIndex) {
  ZILHandle h{};
  h.type = ZIL_TYPE_FLOAT;
  h.payload.f = v;
  return addConstant(ps, h, pIndex);
}

ZILError ZILAddConstantString(ZILState* ps, const ZILChar* text, ZILLong* pIndex) {
  ZILLong offset = 0;
  ZILError e = ZILAddName(ps, text, &offset);
  if (e)
    return e;
  ZILHandle h{};
  h.type = ZIL_TYPE_STRING;
  h.payload.l = offset;
  return addConstant(ps, h, pIndex);
}

// A data handle's reference-count word holds, once materialised, the pool index of the runtime
// handle made from it.
ZILError ZILMaterializeConstants(ZILState* ps) {
  while (ps->constantsMaterialized < ps->data.count) {
    ZILHandle* d = ZILDataHandles(ps) + ps->constantsMaterialized;
    ZILHandle* h = nullptr;
    switch (d->type) {
      case ZIL_TYPE_INT: h = ZILNewInt(ps, d->payload.l); break;
      case ZIL_TYPE_FLOAT: h = ZILNewFloat(ps, d->payload.f); break;
      case ZIL_TYPE_STRING: {
        const ZILChar* text = ZILNameAt(ps, d->payload.l);
        ZILError e = ZILNewString(ps, text, static_cast<ZILLong>(strlen(text)), &h);
        if (e)
          return e;
        break;
      }
      default: return ZIL_EXC_Unsupported_Type;
    }
    if (!h)
      return ZIL_EXC_Allocation_Fail;
    h->flags |= ZIL_HANDLE_CONSTANT;
    d->refCount = ZILHandleIndex(ps, h);
    ++ps->constantsMaterialized;
  }
  return 0;
}

const ZILChar* ZILGetTypeName(ZILState* ps, ZILLong typeID) {
  if (!ps || !ZILTypeValid(ps, typeID))
    return "INVALID TYPE ID";
  return ZILNameAt(ps, ZILTypes(ps)[typeID].pName);
}

ZILLong ZILMethodFunction(ZILState* ps, ZILLong typeID, ZILLong method) {
  if (!ZILTypeValid(ps, typeID))
    return -1;
  const ZILTypeInfo& ti = ZILTypes(ps)[typeID];
  if (method < 0 || method >= ti.methodCount || ti.offsetVtab < 0 ||
      static_cast<int64_t>(ti.offsetVtab) + 4 * (static_cast<int64_t>(method) + 1) > ps->names.count)
    return -1;
  ZILLong f;
  memcpy(&f, static_cast<const char*>(ps->names.base) + ti.offsetVtab + 4 * method, sizeof f);
  return f;
}
