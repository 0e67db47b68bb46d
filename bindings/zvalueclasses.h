// The value classes Color, Point and Rect: their records, type procs, and the helpers other
// script classes use to make such objects from C++ and to read them from handles and arguments.
// Each object owns its record; a copy of an object copies the record.
#pragma once

#include <cstdint>
#include <new>

#include "bindings/zscriptclassinfo.h"
#include "ztools/zbitmap.h"
#include "zilapi.h"
#include "ziltools.h"

namespace ZTools {

// Channels stay within 0..255. The HSL values are a cache of the channels, recomputed on the
// next read when `stale` is set.
struct ZColorValue {
  int32_t red = 0, green = 0, blue = 0;
  bool stale = false;
  float hue = 0, saturation = 0, luminance = 0;  // degrees 0..360, 0..1, 0..1
};

struct ZPointValue {
  int32_t x = 0, y = 0;
};

// Empty when left >= right or top >= bottom; points inside are left <= x < right, top <= y < bottom.
struct ZRectValue {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// A loaded image; its hit threshold (0..255) lives in the bitmap.
struct ZBitmapValue {
  ZBitmap bitmap;
};

ZILError ColorTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError PointTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError RectTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError BitmapTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);

// New script objects (owned by the caller); null when the class is not in the runtime or memory ran out.
ZILHandle* NewColorObject(ZILState* ps, const ZColorValue& value);
ZILHandle* NewPointObject(ZILState* ps, const ZPointValue& value);
ZILHandle* NewRectObject(ZILState* ps, const ZRectValue& value);

// The record a handle holds, or null when it holds no object of that class.
ZColorValue* ColorFromHandle(ZILState* ps, ZILHandle* h);
ZPointValue* PointFromHandle(ZILState* ps, ZILHandle* h);
ZRectValue* RectFromHandle(ZILState* ps, ZILHandle* h);
ZBitmapValue* BitmapFromHandle(ZILState* ps, ZILHandle* h);
// The record of argument n of the running native call (kept alive by the data stack), or null.
ZColorValue* ColorArg(ZILState* ps, ZILLong n);
ZPointValue* PointArg(ZILState* ps, ZILLong n);
ZRectValue* RectArg(ZILState* ps, ZILLong n);
ZBitmapValue* BitmapArg(ZILState* ps, ZILLong n);

// The record of class `className` a handle holds, or null.
template <class T>
T* ValueRecordOf(ZILState* ps, const char* className, ZILHandle* h) {
  const ZILLong type = NTLTypeNameToTypeID(ps, className);
  if (type < ZIL_FIRST_USER_TYPE || !h)
    return nullptr;
  return static_cast<T*>(NTLHandleToObject(ps, type, h));
}

// The argument's handle stays on the data stack for the whole call, so its record outlives the
// reference taken here.
template <class T>
T* ValueArgRecord(ZILState* ps, const char* className, ZILLong n) {
  ZILHandle* h = NTLGetArgHandle(ps, n);
  T* record = ValueRecordOf<T>(ps, className, h);
  NTLFreeHandle(ps, h);
  return record;
}

// Script ints are 32 bits and wrap; sums and differences are formed in 64 bits and wrapped back,
// so no script value makes the arithmetic undefined.
inline int32_t WrapInt(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

// A double as a channel: truncated, limited to 0..255; NaN gives 0.
inline int32_t ChannelFromDouble(double v) {
  if (!(v > 0))
    return 0;
  if (v >= 255)
    return 255;
  return static_cast<int32_t>(v);
}

// The type proc of a value class: objects are made empty for `new` and for copies, then filled
// by a constructor; `member` receives the object, `statics` the class's static functions.
template <class T>
ZILError AnswerValueClass(const ZScriptClassInfo& info, ZILError (*member)(ZILState*, ZILLong, T*),
                          ZILError (*statics)(ZILState*, ZILLong, ZILLong), NTLInstance* inst, ZILLong msg,
                          ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  ZILState* ps = NTLInstanceGetVM(inst);
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister:
    case NTL_MarkHandles: return 0;
    case NTL_NewObject: {
      if (!ps || !out)
        return ZIL_ERR_Illegal_Argument;
      T* record = NewInRuntime<T>(ps);
      *out = record;
      return record ? 0 : ZIL_EXC_Allocation_Fail;
    }
    case NTL_CallStatic: return ps ? statics(ps, NTLInstanceTypeID(inst), param) : ZIL_ERR_Illegal_Argument;
    case NTL_CallMember: return ps && in ? member(ps, param, static_cast<T*>(in)) : ZIL_ERR_Illegal_Argument;
    case NTL_DestroyObject:
      if (!ps)
        return ZIL_ERR_Illegal_Argument;
      DeleteInRuntime(ps, static_cast<T*>(in));
      return 0;
    default: return AnswerScriptClassInfo(info, msg, out);
  }
}

}  // namespace ZTools
