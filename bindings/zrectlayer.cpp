// RectLayer: a filled or framed rectangle with a colour, a 3-D style, an opacity and a shadow.
// A translucent one is drawn into an off-screen bitmap the size of its visible part only, then
// blended onto the surface.
#include "bindings/zlayerclasses.h"
#include "bindings/zlayertypeproc.h"

namespace ZTools {
namespace {

constexpr ZScriptClassInfo kInfo = {
    "RectLayer", "Color", "26.06.2005", "A layer that draws a filled or framed rectangle.",
    "method\t\t\tRectLayer();method Color\tGetColor();method\t\t\tSetColor(const Color c);accessor int\tstyle();"
    "accessor\t\tstyle(const int flags);accessor int\topacity();accessor\t\topacity(const int level);"
    "accessor int\tshadow();accessor\t\tshadow(const int level);accessor int\tfill();accessor\t\tfill(const int "
    "flag);"};

constexpr int32_t kShadowAmount = 96;  // how dark the shadow falls on what lies below

}  // namespace

void ZRectLayer::DrawOpaque(ZDrawContext& dc, const ZRect& r) const {
  dc.SetColor(color);
  dc.SetBlendMode(kBlendOpaque);
  if (fill)
    dc.FillRect(r);
  if (style)
    dc.Draw3DRect(r, uint32_t(style));
}

void ZRectLayer::Draw(ZDrawContext& dc) {
  const ZRect r = Bounds();
  if (!visible || r.IsEmpty() || opacity == 0)
    return;
  ZLayerDrawState saved(dc);
  if (opacity == 255) {
    DrawOpaque(dc, r);
    if (shadow > 0) {
      dc.SetColor(ZColor(0, 0, 0));
      dc.SetBlendMode(kBlendAlpha);
      dc.SetAmount(kShadowAmount);
      dc.FillRect({r.right, r.top + shadow, r.right + shadow, r.bottom + shadow});
      dc.FillRect({r.left + shadow, r.bottom, r.right, r.bottom + shadow});
    }
    return;
  }
  // Only the part that can show: a script may make a layer far larger than any screen.
  const ZRect visible = r.Intersection(dc.GetClipRect());
  if (visible.IsEmpty())
    return;
  ZDrawContext off;
  if (off.Resize(visible.Width(), visible.Height()))
    return;
  const ZPoint origin = dc.GetOrigin();
  dc.Blit(off, {0, 0, visible.Width(), visible.Height()}, {visible.left + origin.x, visible.top + origin.y});
  off.SetOrigin({-visible.left, -visible.top});
  DrawOpaque(off, r);
  dc.SetBlendMode(kBlendAlpha);
  dc.SetAmount(opacity);
  dc.DrawBitmap(off, visible.TopLeft());
}

ZILError ZRectLayer::CallOwn(ZILState* ps, ZILLong index) {
  switch (index - kLayerInterfaceMembers) {
    case 0: return 0;
    case 1: return ReturnColor(ps, color);
    case 2: {
      const ZColorValue* c = ColorArg(ps, 0);
      if (!c)
        return ZIL_ERR_Illegal_Argument;
      color = ToZColor(*c);
      return 0;
    }
    case 3: return NTLReturnInt(ps, style);
    case 4: style = NTLGetArgInt(ps, 0); return 0;
    case 5: return NTLReturnInt(ps, opacity);
    case 6: opacity = ClampInt(NTLGetArgInt(ps, 0), 0, 255); return 0;
    case 7: return NTLReturnInt(ps, shadow);
    case 8: shadow = ClampInt(NTLGetArgInt(ps, 0), 0, 16); return 0;
    case 9: return NTLReturnInt(ps, fill ? 1 : 0);
    case 10: fill = NTLGetArgInt(ps, 0) != 0; return 0;
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError RectLayerTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerLayerClass<ZRectLayer>(kInfo, inst, msg, param, in, out);
}

}  // namespace ZTools
