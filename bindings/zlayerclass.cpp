// The members every layer shares (the Layer interface), the type procedure of the three layer
// classes and the helpers they share.
#include <algorithm>

#include "bindings/zlayerclasses.h"
#include "bindings/zlayertypeproc.h"
#include "bindings/zscriptclasses.h"

namespace ZTools {
namespace {

constexpr int64_t kCoordinateLimit = int64_t(1) << 29;
int32_t Limit(int64_t v) { return int32_t(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)); }

ZILError CallShared(ZILState* ps, ZILLong index, ZScriptLayer* l) {
  switch (index) {
    case 0: return NTLReturnInt(ps, l->x);
    case 1: return NTLReturnInt(ps, l->y);
    case 2: return NTLReturnInt(ps, l->width);
    case 3: return NTLReturnInt(ps, l->height);
    case 4: return NTLReturnInt(ps, l->visible ? 1 : 0);
    case 5: return NTLReturnInt(ps, l->index);
    case 6: l->index = NTLGetArgInt(ps, 0); return 0;
    case 7: return NTLReturnInt(ps, l->groupID);
    case 8: l->groupID = NTLGetArgInt(ps, 0); return 0;
    case 9: l->visible = true; return 0;
    case 10: l->visible = false; return 0;
    case 11: l->x = NTLGetArgInt(ps, 0), l->y = NTLGetArgInt(ps, 1); return 0;
    case 12:
      l->x = WrapInt(int64_t(l->x) + NTLGetArgInt(ps, 0));
      l->y = WrapInt(int64_t(l->y) + NTLGetArgInt(ps, 1));
      return 0;
    case 13: l->width = NTLGetArgInt(ps, 0), l->height = NTLGetArgInt(ps, 1); return 0;
    case 14:
      l->width = WrapInt(int64_t(l->width) + NTLGetArgInt(ps, 0));
      l->height = WrapInt(int64_t(l->height) + NTLGetArgInt(ps, 1));
      return 0;
    case 15: return NTLReturnHandle(ps, l->user);
    case 16: {
      ZILHandle* value = NTLGetArgHandle(ps, 0);
      if (l->user)
        NTLFreeHandle(ps, l->user);
      l->user = value;
      return 0;
    }
    case 17: {
      ZILHandle* h =
          NewRectObject(ps, {l->x, l->y, WrapInt(int64_t(l->x) + l->width), WrapInt(int64_t(l->y) + l->height)});
      return h ? ReturnNewObject(ps, h) : ZIL_EXC_Allocation_Fail;
    }
    case 18: {
      const ZRectValue* r = RectArg(ps, 0);
      if (!r)
        return ZIL_ERR_Illegal_Argument;
      l->x = r->left, l->y = r->top;
      l->width = WrapInt(int64_t(r->right) - r->left);
      l->height = WrapInt(int64_t(r->bottom) - r->top);
      return 0;
    }
    default: return l->CallOwn(ps, index);
  }
}

}  // namespace

ZRect ZScriptLayer::Bounds() const {
  return {Limit(x), Limit(y), Limit(int64_t(x) + width), Limit(int64_t(y) + height)};
}

ZILError ZScriptLayer::MarkHandles(ZILState* ps) { return user ? NTLMarkHandle(ps, user) : 0; }

void ZScriptLayer::ReleaseHandles(ZILState* ps) {
  if (user)
    NTLFreeHandle(ps, user);
  user = nullptr;
}

ZILError CallLayerMember(ZILState* ps, ZILLong index, ZScriptLayer* layer) {
  if (!layer)
    return ZIL_EXC_Null_Reference;
  return CallShared(ps, index, layer);
}

ZScriptLayer* LayerFromHandle(ZILState* ps, ZILHandle* h) {
  if (!h)
    return nullptr;
  for (const char* name : {"RectLayer", "TextLayer", "BitmapLayer"}) {
    const ZILLong type = NTLTypeNameToTypeID(ps, name);
    if (type < ZIL_FIRST_USER_TYPE)
      continue;
    if (void* p = NTLHandleToObject(ps, type, h))
      return static_cast<ZScriptLayer*>(p);
  }
  return nullptr;
}

int32_t ClampInt(ZILLong v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : int32_t(v); }

ZColor ToZColor(const ZColorValue& c) {
  return ZColor(uint8_t(ClampInt(c.red, 0, 255)), uint8_t(ClampInt(c.green, 0, 255)),
                uint8_t(ClampInt(c.blue, 0, 255)));
}

ZColorValue FromZColor(ZColor c) {
  ZColorValue v;
  v.red = c.r, v.green = c.g, v.blue = c.b;
  v.stale = true;
  return v;
}

ZILError ReturnColor(ZILState* ps, ZColor c) {
  ZILHandle* h = NewColorObject(ps, FromZColor(c));
  return h ? ReturnNewObject(ps, h) : ZIL_EXC_Allocation_Fail;
}

ZILError ReturnPoint(ZILState* ps, ZPoint p) {
  ZILHandle* h = NewPointObject(ps, {p.x, p.y});
  return h ? ReturnNewObject(ps, h) : ZIL_EXC_Allocation_Fail;
}

}  // namespace ZTools
