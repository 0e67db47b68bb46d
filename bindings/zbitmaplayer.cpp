// BitmapLayer: a Bitmap object's image drawn from an offset into it, with a blend mode, an
// opacity and a tint colour. The layer holds the Bitmap object, so its image stays alive.
#include "bindings/zlayerclasses.h"
#include "bindings/zlayertypeproc.h"

namespace ZTools {
namespace {

constexpr ZScriptClassInfo kInfo = {
    "BitmapLayer", "Bitmap,Color,Point", "26.06.2005", "A layer that draws a bitmap.",
    "method\t\t\t\tBitmapLayer();method Bitmap\t\tGetBitmap();method\t\t\t\tSetBitmap(Bitmap bm);"
    "method Point\t\tGetOffset();method\t\t\t\tSetOffset(const Point pt);accessor int\t\tblendMode();"
    "accessor\t\t\tblendMode(const int mode);accessor int\t\topacity();accessor\t\t\topacity(const int level);"
    "method Color\t\tGetColor();method\t\t\t\tSetColor(const Color c);"};

constexpr int32_t kOffsetLimit = 1 << 29;  // with a width of up to 2^30, offset + width fits an int

}  // namespace

void ZBitmapLayer::Draw(ZDrawContext& dc) {
  const ZRect r = Bounds();
  if (!visible || !image || image->IsEmpty() || r.IsEmpty() || opacity == 0)
    return;
  ZLayerDrawState saved(dc);
  // An opaque layer that is not fully opaque is mixed in by its opacity.
  dc.SetBlendMode(blendMode == kBlendOpaque && opacity < 255 ? kBlendAlpha : blendMode);
  dc.SetAmount(opacity);
  dc.SetColor(color);
  const ZRect part =
      ZRect{offset.x, offset.y, offset.x + r.Width(), offset.y + r.Height()}.Intersection(image->Bounds());
  if (part.IsEmpty())
    return;
  dc.DrawBitmap(*image, part, {r.left + (part.left - offset.x), r.top + (part.top - offset.y)});
}

ZILError ZBitmapLayer::MarkHandles(ZILState* ps) {
  if (ZILError e = ZScriptLayer::MarkHandles(ps))
    return e;
  return bitmap ? NTLMarkHandle(ps, bitmap) : 0;
}

void ZBitmapLayer::ReleaseHandles(ZILState* ps) {
  ZScriptLayer::ReleaseHandles(ps);
  if (bitmap)
    NTLFreeHandle(ps, bitmap);
  bitmap = nullptr;
  image = nullptr;
}

ZILError ZBitmapLayer::CallOwn(ZILState* ps, ZILLong index) {
  switch (index - kLayerInterfaceMembers) {
    case 0: return 0;
    case 1: return NTLReturnHandle(ps, bitmap);
    case 2: {
      ZILHandle* h = NTLGetArgHandle(ps, 0);
      ZBitmapValue* b = BitmapFromHandle(ps, h);
      if (!b) {
        NTLFreeHandle(ps, h);
        return 0;
      }
      if (bitmap)
        NTLFreeHandle(ps, bitmap);
      bitmap = h;
      image = &b->bitmap;
      width = image->Width(), height = image->Height();
      return 0;
    }
    case 3: return ReturnPoint(ps, offset);
    case 4: {
      const ZPointValue* p = PointArg(ps, 0);
      if (!p)
        return ZIL_ERR_Illegal_Argument;
      offset = {ClampInt(p->x, -kOffsetLimit, kOffsetLimit), ClampInt(p->y, -kOffsetLimit, kOffsetLimit)};
      return 0;
    }
    case 5: return NTLReturnInt(ps, blendMode);
    case 6: blendMode = ClampInt(NTLGetArgInt(ps, 0), 0, 14); return 0;
    case 7: return NTLReturnInt(ps, opacity);
    case 8: opacity = ClampInt(NTLGetArgInt(ps, 0), 0, 255); return 0;
    case 9: return ReturnColor(ps, color);
    case 10: {
      const ZColorValue* c = ColorArg(ps, 0);
      if (!c)
        return ZIL_ERR_Illegal_Argument;
      color = ToZColor(*c);
      return 0;
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError BitmapLayerTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerLayerClass<ZBitmapLayer>(kInfo, inst, msg, param, in, out);
}

}  // namespace ZTools
