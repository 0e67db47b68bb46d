// zilarrayclass.cpp - the type proc of the built-in `array` class: its declaration text and its
// 16 methods (copies, insert/remove/subArray ranges, swap, formatting, process and enumerate
// with delegates, push/pop). The interpreter handles length, element slots and appends itself;
// this file holds what scripts reach through method calls. Indexes a script passes are clamped
// or ignored, never used to reach outside the slots.
#include <charconv>
#include <new>
#include <string>

#include "zilinternal.h"
#include "ziltools.h"

namespace {

const ZILChar kDeclaration[] =
    "delegate\t\t\tenumerator(var element, var args);"
    "delegate var\t\tprocessor(const var element, var args);method\t\t\t\tarray();"
    "explicit string\tconvertor();accessor int\t\tlength();accessor var\t\ttop();"
    "method array\t\tdeepCopy();method array\t\tinsert(const array src, const int index);"
    "method array\t\tinsertItem(var item, const int index);"
    "method array\t\tremove(const int index, const int length);"
    "method array\t\tsubArray(const int index, const int length);"
    "method\t\t\t\tswap(const int index1, const int index2);method string\t\tformat(const string format);"
    "method string\t\ttoString();method array\t\tprocess(processor fn, var args);"
    "method\t\t\t\tenumerate(enumerator fn, var args);method\t\t\t\tpush(var item);"
    "method\tvar\t\t\tpop();";

const ZILBuiltinClassData kClassData = {"array", "15.06.2005", "Built-in array class for ZentraScript.", kDeclaration};

// Nested arrays deeper than this are taken for an array that holds itself.
constexpr int kMaxDepth = 1000;

enum {
  kConstruct,
  kConvertor,
  kLength,
  kTop,
  kDeepCopy,
  kInsert,
  kInsertItem,
  kRemove,
  kSubArray,
  kSwap,
  kFormat,
  kToString,
  kProcess,
  kEnumerate,
  kPush,
  kPop,
};

ZILArray* arrayOf(ZILHandle* h) {
  return h && h->type == ZIL_TYPE_ARRAY ? static_cast<ZILArray*>(h->payload.p) : nullptr;
}

// Appends a stored value (ints and floats copied, the rest shared).
ZILError appendValue(ZILArray* a, ZILHandle* v) {
  ZILHandle* c = ZILValueOut(a->state, v);
  return c ? ZILArrayAppend(a, c) : ZIL_EXC_Allocation_Fail;
}

ZILError appendRange(ZILArray* to, const ZILArray* from, ZILLong begin, ZILLong end) {
  for (ZILLong i = begin; i < end && i < from->length; ++i) {
    ZILError e = appendValue(to, from->slots[i]);
    if (e)
      return e;
  }
  return 0;
}

// Appends as `arrmv` does: an array contributes its elements (nested arrays copied), anything
// else is appended itself.
ZILError appendMoved(ZILState* ps, ZILArray* to, ZILHandle* v) {
  ZILArray* from = arrayOf(v);
  if (!from)
    return appendValue(to, v);
  ZILLong count = from->length;  // read once: appending an array to itself doubles it
  for (ZILLong i = 0; i < count && i < from->length; ++i) {
    ZILHandle* element = from->slots[i];
    if (element->type == ZIL_TYPE_ARRAY) {
      ZILHandle* c = nullptr;
      ZILError e = ZILCopyValue(ps, element, &c);
      if (!e)
        e = ZILArrayAppend(to, c);
      if (e)
        return e;
    } else if (ZILError e = appendValue(to, element)) {
      return e;
    }
  }
  return 0;
}

// r1 = the new array h (the reference is given up).
ZILError returnArray(ZILState* ps, ZILHandle* h, ZILError e) {
  if (!e)
    e = NTLReturnHandle(ps, h);
  ZILRelease(ps, h);
  return e;
}

ZILError newArray(ZILState* ps, ZILHandle** h, ZILArray** a) {
  ZILError e = ZILNewArray(ps, h);
  *a = e ? nullptr : static_cast<ZILArray*>((*h)->payload.p);
  return e;
}

ZILError appendText(ZILState* ps, const ZILArray* a, std::string& out, int depth) {
  if (depth > kMaxDepth)
    return ZIL_EXC_Stack_Overflow;
  ZILChar buffer[64];
  for (ZILLong i = 0; i < a->length; ++i) {
    ZILHandle* v = a->slots[i];
    switch (v->type) {
      case ZIL_TYPE_INT:
        out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, v->payload.l).ptr);  // as "%d"
        break;
      case ZIL_TYPE_FLOAT:
        out.append(buffer, static_cast<size_t>(snprintf(buffer, sizeof buffer, "%g", v->payload.f)));
        break;
      case ZIL_TYPE_STRING:
        if (const ZILString* s = static_cast<const ZILString*>(v->payload.p))
          out.append(ZILStringText(s), s->text ? static_cast<size_t>(s->length) : 0);
        break;
      case ZIL_TYPE_ARRAY:
        if (const ZILArray* nested = arrayOf(v))
          if (ZILError e = appendText(ps, nested, out, depth + 1))
            return e;
        break;
      default: break;
    }
    if (out.size() > ZIL_STRING_MAX_LENGTH)
      return ZIL_EXC_Allocation_Fail;
  }
  return 0;
}

ZILError toString(ZILState* ps, const ZILArray* a) {
  std::string out;
  ZILError e = appendText(ps, a, out, 0);
  return e ? e : NTLReturnStringBytes(ps, out.data(), static_cast<ZILLong>(out.size()));
}

// The delegate may change the array it walks: the length and slots are read again after every
// call, and the element passed is held for the call.
ZILError processInto(ZILState* ps, ZILArray* a, ZILHandle* fn, ZILHandle* args, ZILArray* out, int depth) {
  if (depth > kMaxDepth)
    return ZIL_EXC_Stack_Overflow;
  for (ZILLong i = 0; i < a->length; ++i) {
    ZILHandle* element = a->slots[i];
    ZILAddRef(element);
    ZILError e;
    if (ZILArray* nested = arrayOf(element)) {
      e = processInto(ps, nested, fn, args, out, depth + 1);
    } else {
      ZILHandle* callArgs[2] = {element, args};
      ZILHandle* r = nullptr;
      ZILError code = 0;
      e = ZILCallForValue(ps, fn, 2, callArgs, &r, &code);
      if (!e)
        e = code ? code : appendMoved(ps, out, r);
      if (r)
        ZILRelease(ps, r);
    }
    ZILRelease(ps, element);
    if (e)
      return e;
  }
  return 0;
}

struct WalkResult {
  ZILError failure;  // the walk itself failed (the delegate raised, too deep, ...)
  ZILError code;     // the delegate returned an error value
};

WalkResult enumerateArray(ZILState* ps, ZILArray* a, ZILHandle* fn, ZILHandle* args, int depth) {
  if (depth > kMaxDepth)
    return {ZIL_EXC_Stack_Overflow, 0};
  for (ZILLong i = 0; i < a->length; ++i) {
    ZILHandle* element = a->slots[i];
    ZILAddRef(element);
    WalkResult r{0, 0};
    if (ZILArray* nested = arrayOf(element)) {
      // A nested walk stopped by an error value ends only that walk.
      r.failure = enumerateArray(ps, nested, fn, args, depth + 1).failure;
    } else {
      ZILHandle* callArgs[2] = {element, args};
      ZILHandle* result = nullptr;
      r.failure = ZILCallForValue(ps, fn, 2, callArgs, &result, &r.code);
      if (result)
        ZILRelease(ps, result);
    }
    ZILRelease(ps, element);
    if (r.failure || r.code)
      return r;
  }
  return {0, 0};
}

// Index and length as remove and subArray clamp them: [*begin, *end), empty when nothing is
// selected.
void clampRange(const ZILArray* a, ZILLong index, ZILLong length, ZILLong* begin, ZILLong* end) {
  if (index < 0)
    index = 0;
  if (index >= a->length || length <= 0) {
    *begin = *end = a->length;
    return;
  }
  int64_t last = static_cast<int64_t>(index) + length;
  *begin = index;
  *end = last > a->length ? a->length : static_cast<ZILLong>(last);
}

ZILLong clampIndex(ZILLong index, ZILLong length) { return index < 0 ? 0 : (index > length ? length : index); }

ZILError callMember(ZILState* ps, ZILLong function, ZILArray* self) {
  if (!self)
    return ZIL_EXC_Null_Reference;
  switch (function) {
    case kConstruct: return ZILArraySetLength(self, 0);
    case kConvertor:
    case kToString: return toString(ps, self);
    case kLength: return NTLReturnInt(ps, self->length);
    case kTop: return ZILReturnValue(ps, self->length > 0 ? self->slots[self->length - 1] : nullptr);
    case kDeepCopy: {
      ZILHandle* h = nullptr;
      ZILArray* out = nullptr;
      ZILError e = newArray(ps, &h, &out);
      if (e)
        return e;
      for (ZILLong i = 0; !e && i < self->length; ++i) {
        ZILHandle* c = nullptr;
        e = ZILCopyValue(ps, self->slots[i], &c);
        if (!e)
          e = ZILArrayAppend(out, c);
      }
      return returnArray(ps, h, e);
    }
    case kInsert:
    case kInsertItem: {
      ZILHandle* item = NTLGetArgHandle(ps, 0);
      ZILLong at = clampIndex(NTLGetArgInt(ps, 1), self->length);
      ZILHandle* h = nullptr;
      ZILArray* out = nullptr;
      ZILError e = newArray(ps, &h, &out);
      if (!e)
        e = appendRange(out, self, 0, at);
      if (!e && function == kInsertItem) {
        e = appendValue(out, item);
      } else if (!e) {
        if (const ZILArray* src = arrayOf(item))
          e = appendRange(out, src, 0, src->length);
      }
      if (!e)
        e = appendRange(out, self, at, self->length);
      NTLFreeHandle(ps, item);
      return h ? returnArray(ps, h, e) : e;
    }
    case kRemove:
    case kSubArray: {
      ZILLong begin, end;
      clampRange(self, NTLGetArgInt(ps, 0), NTLGetArgInt(ps, 1), &begin, &end);
      ZILHandle* h = nullptr;
      ZILArray* out = nullptr;
      ZILError e = newArray(ps, &h, &out);
      if (e)
        return e;
      if (function == kSubArray) {
        e = appendRange(out, self, begin, end);
      } else {
        e = appendRange(out, self, 0, begin);
        if (!e)
          e = appendRange(out, self, end, self->length);
      }
      return returnArray(ps, h, e);
    }
    case kSwap: {
      ZILLong i = NTLGetArgInt(ps, 0);
      ZILLong j = NTLGetArgInt(ps, 1);
      if (i >= 0 && j >= 0 && i < self->length && j < self->length) {
        ZILHandle* t = self->slots[i];
        self->slots[i] = self->slots[j];
        self->slots[j] = t;
      }
      return 0;
    }
    case kFormat: {
      ZILHandle* out = nullptr;
      ZILError e = ZILFormatArray(ps, NTLGetArgString(ps, 0), self, &out);
      return e ? e : returnArray(ps, out, 0);
    }
    case kProcess: {
      ZILHandle* fn = NTLGetArgHandle(ps, 0);
      ZILHandle* args = NTLGetArgHandle(ps, 1);
      ZILHandle* h = nullptr;
      ZILArray* out = nullptr;
      ZILError e = newArray(ps, &h, &out);
      if (!e)
        e = processInto(ps, self, fn, args, out, 0);
      NTLFreeHandle(ps, fn);
      NTLFreeHandle(ps, args);
      return h ? returnArray(ps, h, e) : e;
    }
    case kEnumerate: {
      ZILHandle* fn = NTLGetArgHandle(ps, 0);
      ZILHandle* args = NTLGetArgHandle(ps, 1);
      WalkResult r = enumerateArray(ps, self, fn, args, 0);
      NTLFreeHandle(ps, fn);
      NTLFreeHandle(ps, args);
      return r.failure ? r.failure : r.code;
    }
    case kPush: {
      ZILHandle* item = NTLGetArgHandle(ps, 0);
      ZILError e = appendValue(self, item);
      NTLFreeHandle(ps, item);
      return e;
    }
    case kPop: {
      if (self->length == 0)
        return NTLReturnHandle(ps, nullptr);
      ZILHandle* last = self->slots[self->length - 1];
      ZILAddRef(last);
      ZILError e = ZILArraySetLength(self, self->length - 1);
      if (!e)
        e = NTLReturnHandle(ps, last);
      ZILRelease(ps, last);
      return e;
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError ZILArrayTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn, ZILUnknown** ppDataOut) {
  switch (msg) {
    case NTL_NewObject: {
      ZILArray* a = ZILArrayCreate(inst->state);
      *ppDataOut = a;
      return a ? 0 : ZIL_EXC_Allocation_Fail;
    }
    case NTL_DestroyObject: ZILArrayDestroy(static_cast<ZILArray*>(pDataIn)); return 0;
    case NTL_MarkHandles: {
      ZILArray* a = static_cast<ZILArray*>(pDataIn);
      for (ZILLong i = 0; a && i < a->length; ++i)
        if (ZILError e = NTLMarkHandle(inst->state, a->slots[i]))
          return e;
      return 0;
    }
    case NTL_CallMember: try { return callMember(inst->state, param, static_cast<ZILArray*>(pDataIn));
      } catch (const std::bad_alloc&) {
        return ZIL_EXC_Allocation_Fail;
      }
    default:
      // NTL_CallStatic included: the class has no global functions.
      return ZILBuiltinClassQuery(kClassData, inst, msg, ppDataOut);
  }
}
