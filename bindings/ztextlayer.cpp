// TextLayer: a text in the layer's rectangle with a font, colours, alignment and an offset;
// with auto-size the layer takes the size of its text whenever it is drawn.
#include "bindings/zlayerclasses.h"
#include "bindings/zlayertypeproc.h"

namespace ZTools {
namespace {

constexpr ZScriptClassInfo kInfo = {
    "TextLayer", "Color,Point", "26.06.2005", "A layer that draws a text.",
    "method\t\t\t\tTextLayer();method Color\t\tGetColor();method\t\t\t\tSetColor(const Color c);"
    "accessor string\t\ttext();accessor\t\t\ttext(const string s);accessor int\t\tfont();"
    "accessor\t\t\tfont(const int font);accessor int\t\tautoSize();accessor\t\t\tautoSize(const int flag);"
    "method Color\t\tGetBackColor();method\t\t\t\tSetBackColor(const Color c);accessor int\t\talign();"
    "accessor\t\t\talign(const int mode);accessor int\t\topaque();accessor\t\t\topaque(const int flag);"
    "method Point\t\tGetTextSize();method Point\t\tGetOffset();method\t\t\t\tSetOffset(const Point p);"};

// How far an auto-sized text may reach when it is measured.
constexpr int32_t kAutoSizeExtent = 32000;

}  // namespace

void ZTextLayer::Draw(ZDrawContext& dc) {
  if (!visible && !autoSize)
    return;
  ZLayerDrawState saved(dc);
  dc.SetFont(font);
  dc.SetColor(textColor);
  dc.SetBackColor(backColor);
  dc.SetTextMode(opaque ? kTextModeOpaque : kTextModeTransparent);
  ZRect r = Bounds();
  if (autoSize) {
    textSize =
        dc.MeasureText(text, {r.left, r.top, r.left + kAutoSizeExtent, r.top + kAutoSizeExtent}, uint32_t(align));
    width = textSize.x, height = textSize.y;
    r = Bounds();
  } else {
    textSize = dc.MeasureText(text, r, uint32_t(align));
  }
  if (!visible || r.IsEmpty())
    return;
  r.Offset(offset.x, offset.y);
  dc.DrawText(text, r, uint32_t(align));
}

ZILError ZTextLayer::CallOwn(ZILState* ps, ZILLong index) {
  switch (index - kLayerInterfaceMembers) {
    case 0: return 0;
    case 1: return ReturnColor(ps, textColor);
    case 2:
    case 10: {
      const ZColorValue* c = ColorArg(ps, 0);
      if (!c)
        return ZIL_ERR_Illegal_Argument;
      (index - kLayerInterfaceMembers == 2 ? textColor : backColor) = ToZColor(*c);
      return 0;
    }
    case 3: return NTLReturnStringBytes(ps, text.data(), ZILLong(text.size()));
    case 4: text.assign(NTLGetArgString(ps, 0), size_t(NTLGetArgStringLength(ps, 0))); return 0;
    case 5: return NTLReturnInt(ps, font);
    case 6: font = ClampInt(NTLGetArgInt(ps, 0), 0, 11); return 0;
    case 7: return NTLReturnInt(ps, autoSize ? 1 : 0);
    case 8: autoSize = NTLGetArgInt(ps, 0) != 0; return 0;
    case 9: return ReturnColor(ps, backColor);
    case 11: return NTLReturnInt(ps, align);
    case 12: align = NTLGetArgInt(ps, 0); return 0;
    case 13: return NTLReturnInt(ps, opaque ? 1 : 0);
    case 14: opaque = NTLGetArgInt(ps, 0) != 0; return 0;
    case 15: return ReturnPoint(ps, textSize);
    case 16: return ReturnPoint(ps, offset);
    case 17: {
      const ZPointValue* p = PointArg(ps, 0);
      if (!p)
        return ZIL_ERR_Illegal_Argument;
      offset = {ClampInt(p->x, -32000, 32000), ClampInt(p->y, -32000, 32000)};
      return 0;
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError TextLayerTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerLayerClass<ZTextLayer>(kInfo, inst, msg, param, in, out);
}

}  // namespace ZTools
