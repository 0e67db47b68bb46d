// The script class Rect (left, top, right, bottom): tests, clipping, moving, centring, sizing and
// combining rectangles, and its corners as new Points.
#include <algorithm>

#include "bindings/zscriptclasses.h"
#include "bindings/zvalueclasses.h"

namespace ZTools {
namespace {

constexpr ZScriptClassInfo kInfo = {
    "Rect", "Point", "01.02.2010", "A rectangle: left, top, right and bottom.",
    "function Rect FromPoint (const Point pt, int w, int h);function Rect FromSize (const int w, const int h);"
    "method Rect ();method Rect (const Rect src);method Rect (const Point tl, const Point br);"
    "method Rect (const int l, const int t, const int r, const int b);method int IsEqual (const Rect src);"
    "method int IsInside (const Rect src);method int IsOverlapping (const Rect src);"
    "method int ClipInside (const Rect src);method int ClipDestination (Rect dest, Point src);"
    "method MoveTo (const Point src);method Offset (const int x, const int y);method CenterIn (const Rect src);"
    "method HCenterIn (const Rect src);method VCenterIn (const Rect src);method Resize (const int w, const int h);"
    "method ResizeBy (const int dx, const int dy);method Scale (const int dx, const int dy);"
    "method AddPoint (const Point src);method SubPoint (const Point src);method AddRect (const Rect src);"
    "method SubRect (const Rect src);method Combine (const Rect src);accessor int left ();accessor int top ();"
    "accessor int right ();accessor int bottom ();accessor left (const int);accessor top (const int);"
    "accessor right (const int);accessor bottom (const int);accessor int width ();accessor int height ();"
    "accessor Point topLeft ();accessor Point bottomRight ();accessor int empty ();"};

int64_t Width(const ZRectValue& r) { return int64_t(r.right) - r.left; }
int64_t Height(const ZRectValue& r) { return int64_t(r.bottom) - r.top; }
bool Empty(const ZRectValue& r) { return r.left >= r.right || r.top >= r.bottom; }
bool Overlapping(const ZRectValue& a, const ZRectValue& b) {
  return a.top < b.bottom && a.left < b.right && b.top < a.bottom && b.left < a.right;
}
ZRectValue Intersection(const ZRectValue& a, const ZRectValue& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

void Move(ZRectValue* r, int64_t dx, int64_t dy) {
  *r = {WrapInt(r->left + dx), WrapInt(r->top + dy), WrapInt(r->right + dx), WrapInt(r->bottom + dy)};
}

// Moves by half the difference of the sizes; where src lies does not enter.
void Center(ZRectValue* r, const ZRectValue& src, bool horizontal, bool vertical) {
  Move(r, horizontal ? (Width(src) - Width(*r)) / 2 : 0, vertical ? (Height(src) - Height(*r)) / 2 : 0);
}

// Clips dest to the clip rectangle and moves the source point by as much as dest's corner moved.
int ClipDestination(const ZRectValue& clip, ZRectValue* dest, ZPointValue* src) {
  if (Empty(clip) || Empty(*dest) || !Overlapping(clip, *dest))
    return 0;
  const ZRectValue clipped = Intersection(clip, *dest);
  src->x = WrapInt(src->x + (int64_t(clipped.left) - dest->left));
  src->y = WrapInt(src->y + (int64_t(clipped.top) - dest->top));
  *dest = clipped;
  return 1;
}

ZILError RectOp(ZILState* ps, ZILLong index, ZRectValue* r) {
  const ZRectValue* s = RectArg(ps, 0);
  if (!s)
    return ZIL_ERR_Illegal_Argument;
  switch (index) {
    case 3: *r = *s; return 0;
    case 6:
      return NTLReturnInt(ps, r->left == s->left && r->top == s->top && r->right == s->right && r->bottom == s->bottom);
    case 7:
      return NTLReturnInt(ps, r->left >= s->left && r->top >= s->top && r->right <= s->right && r->bottom <= s->bottom);
    case 8: return NTLReturnInt(ps, Overlapping(*r, *s));
    case 9: {
      const bool keep = !Empty(*r) && !Empty(*s) && Overlapping(*r, *s);
      *r = keep ? Intersection(*r, *s) : ZRectValue{};
      return NTLReturnInt(ps, keep);
    }
    case 13: Center(r, *s, true, true); return 0;
    case 14: Center(r, *s, true, false); return 0;
    case 15: Center(r, *s, false, true); return 0;
    case 21:
      *r = {WrapInt(int64_t(r->left) + s->left), WrapInt(int64_t(r->top) + s->top),
            WrapInt(int64_t(r->right) + s->right), WrapInt(int64_t(r->bottom) + s->bottom)};
      return 0;
    case 22:
      *r = {WrapInt(int64_t(r->left) - s->left), WrapInt(int64_t(r->top) - s->top),
            WrapInt(int64_t(r->right) - s->right), WrapInt(int64_t(r->bottom) - s->bottom)};
      return 0;
    case 23:
      *r = {std::min(r->left, s->left), std::min(r->top, s->top), std::max(r->right, s->right),
            std::max(r->bottom, s->bottom)};
      return 0;
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError PointOp(ZILState* ps, ZILLong index, ZRectValue* r) {
  const ZPointValue* p = PointArg(ps, 0);
  if (!p)
    return ZIL_ERR_Illegal_Argument;
  switch (index) {
    case 4: {
      const ZPointValue* br = PointArg(ps, 1);
      if (!br)
        return ZIL_ERR_Illegal_Argument;
      *r = {p->x, p->y, br->x, br->y};
      return 0;
    }
    case 11: Move(r, int64_t(p->x) - r->left, int64_t(p->y) - r->top); return 0;
    case 19: Move(r, p->x, p->y); return 0;
    case 20: Move(r, -int64_t(p->x), -int64_t(p->y)); return 0;
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError CallMember(ZILState* ps, ZILLong index, ZRectValue* r) {
  auto arg = [ps](ZILLong n) -> int64_t {
    return NTLGetArgInt(ps, n);
  };
  switch (index) {
    case 2: *r = {}; return 0;
    case 3:
    case 6:
    case 7:
    case 8:
    case 9:
    case 13:
    case 14:
    case 15:
    case 21:
    case 22:
    case 23: return RectOp(ps, index, r);
    case 4:
    case 11:
    case 19:
    case 20: return PointOp(ps, index, r);
    case 5: *r = {NTLGetArgInt(ps, 0), NTLGetArgInt(ps, 1), NTLGetArgInt(ps, 2), NTLGetArgInt(ps, 3)}; return 0;
    case 10: {
      ZRectValue* dest = RectArg(ps, 0);
      ZPointValue* src = PointArg(ps, 1);
      if (!dest || !src)
        return ZIL_ERR_Illegal_Argument;
      return NTLReturnInt(ps, ClipDestination(*r, dest, src));
    }
    case 12: Move(r, arg(0), arg(1)); return 0;
    case 16:
      r->right = WrapInt(r->left + arg(0));
      r->bottom = WrapInt(r->top + arg(1));
      return 0;
    case 17:
      r->right = WrapInt(r->right + arg(0));
      r->bottom = WrapInt(r->bottom + arg(1));
      return 0;
    case 18:
      *r = {WrapInt(r->left - arg(0)), WrapInt(r->top - arg(1)), WrapInt(r->right + arg(0)),
            WrapInt(r->bottom + arg(1))};
      return 0;
    case 24: return NTLReturnInt(ps, r->left);
    case 25: return NTLReturnInt(ps, r->top);
    case 26: return NTLReturnInt(ps, r->right);
    case 27: return NTLReturnInt(ps, r->bottom);
    case 28: r->left = NTLGetArgInt(ps, 0); return 0;
    case 29: r->top = NTLGetArgInt(ps, 0); return 0;
    case 30: r->right = NTLGetArgInt(ps, 0); return 0;
    case 31: r->bottom = NTLGetArgInt(ps, 0); return 0;
    case 32: return NTLReturnInt(ps, WrapInt(Width(*r)));
    case 33: return NTLReturnInt(ps, WrapInt(Height(*r)));
    case 34: return ReturnNewObject(ps, NewPointObject(ps, {r->left, r->top}));
    case 35: return ReturnNewObject(ps, NewPointObject(ps, {r->right, r->bottom}));
    case 36: return NTLReturnInt(ps, Empty(*r));
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError CallStatic(ZILState* ps, ZILLong type, ZILLong index) {
  ZRectValue r;
  if (index == 0) {
    const ZPointValue* p = PointArg(ps, 0);
    if (!p)
      return ZIL_ERR_Illegal_Argument;
    r = {p->x, p->y, WrapInt(int64_t(p->x) + NTLGetArgInt(ps, 1)), WrapInt(int64_t(p->y) + NTLGetArgInt(ps, 2))};
  } else if (index == 1) {
    r = {0, 0, NTLGetArgInt(ps, 0), NTLGetArgInt(ps, 1)};
  } else {
    return ZIL_ERR_Invalid_Function_Index;
  }
  ZILHandle* h = NewRecordObject<ZRectValue>(ps, type, r);
  return h ? ReturnNewObject(ps, h) : ZIL_EXC_Allocation_Fail;
}

}  // namespace

ZILError RectTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerValueClass<ZRectValue>(kInfo, CallMember, CallStatic, inst, msg, param, in, out);
}

ZILHandle* NewRectObject(ZILState* ps, const ZRectValue& value) {
  return NewRecordObject<ZRectValue>(ps, NTLTypeNameToTypeID(ps, "Rect"), value);
}

}  // namespace ZTools
