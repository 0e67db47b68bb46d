// The script class Point (x, y), and the handle and argument readers of the three value classes.
// Point and Rect form one module: each declaration names the other, so each imports the other.
#include "bindings/zscriptclasses.h"
#include "bindings/zvalueclasses.h"

namespace ZTools {
namespace {

constexpr ZScriptClassInfo kInfo = {
    "Point", "Rect", "01.02.2010", "A point: x and y.",
    "method Point ();method Point (const Point src);method Point (const int x, const int y);"
    "method int IsEqual (const Point src);method int IsInside (const Rect r);method ClipToRect (const Rect r);"
    "method Offset (const int x, const int y);method AddPoint (const Point src);method SubPoint (const Point src);"
    "accessor int x ();accessor int y ();accessor x (const int);accessor y (const int);"};

void Move(ZPointValue* p, int64_t dx, int64_t dy) {
  p->x = WrapInt(p->x + dx);
  p->y = WrapInt(p->y + dy);
}

ZILError CallMember(ZILState* ps, ZILLong index, ZPointValue* p) {
  switch (index) {
    case 0: *p = {}; return 0;
    case 1:
    case 3:
    case 7:
    case 8: {
      const ZPointValue* src = PointArg(ps, 0);
      if (!src)
        return ZIL_ERR_Illegal_Argument;
      if (index == 1)
        *p = *src;
      if (index == 3)
        return NTLReturnInt(ps, p->x == src->x && p->y == src->y);
      if (index == 7)
        Move(p, src->x, src->y);
      if (index == 8)
        Move(p, -int64_t(src->x), -int64_t(src->y));
      return 0;
    }
    case 2:
      p->x = NTLGetArgInt(ps, 0);
      p->y = NTLGetArgInt(ps, 1);
      return 0;
    case 4:
    case 5: {
      const ZRectValue* r = RectArg(ps, 0);
      if (!r)
        return ZIL_ERR_Illegal_Argument;
      if (index == 4)
        return NTLReturnInt(ps, r->left <= p->x && p->x < r->right && r->top <= p->y && p->y < r->bottom);
      if (p->x < r->left)
        p->x = r->left;
      else if (p->x >= r->right)
        p->x = WrapInt(int64_t(r->right) - 1);
      if (p->y < r->top)
        p->y = r->top;
      else if (p->y >= r->bottom)
        p->y = WrapInt(int64_t(r->bottom) - 1);
      return 0;
    }
    case 6: Move(p, NTLGetArgInt(ps, 0), NTLGetArgInt(ps, 1)); return 0;
    case 9: return NTLReturnInt(ps, p->x);
    case 10: return NTLReturnInt(ps, p->y);
    case 11: p->x = NTLGetArgInt(ps, 0); return 0;
    case 12: p->y = NTLGetArgInt(ps, 0); return 0;
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError CallStatic(ZILState*, ZILLong, ZILLong) { return ZIL_ERR_Invalid_Function_Index; }

}  // namespace

ZILError PointTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerValueClass<ZPointValue>(kInfo, CallMember, CallStatic, inst, msg, param, in, out);
}

ZILHandle* NewPointObject(ZILState* ps, const ZPointValue& value) {
  return NewRecordObject<ZPointValue>(ps, NTLTypeNameToTypeID(ps, "Point"), value);
}

ZColorValue* ColorFromHandle(ZILState* ps, ZILHandle* h) { return ValueRecordOf<ZColorValue>(ps, "Color", h); }
ZPointValue* PointFromHandle(ZILState* ps, ZILHandle* h) { return ValueRecordOf<ZPointValue>(ps, "Point", h); }
ZRectValue* RectFromHandle(ZILState* ps, ZILHandle* h) { return ValueRecordOf<ZRectValue>(ps, "Rect", h); }
ZColorValue* ColorArg(ZILState* ps, ZILLong n) { return ValueArgRecord<ZColorValue>(ps, "Color", n); }
ZPointValue* PointArg(ZILState* ps, ZILLong n) { return ValueArgRecord<ZPointValue>(ps, "Point", n); }
ZRectValue* RectArg(ZILState* ps, ZILLong n) { return ValueArgRecord<ZRectValue>(ps, "Rect", n); }

}  // namespace ZTools
