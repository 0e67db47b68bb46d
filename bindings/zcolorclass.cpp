// The script class Color: red, green and blue channels with a cached hue, saturation and
// luminance, gamma correction, blending and inversion.
#include <cmath>

#include "bindings/zscriptclasses.h"
#include "bindings/zvalueclasses.h"

namespace ZTools {
namespace {

constexpr ZScriptClassInfo kInfo = {
    "Color", "", "01.02.2010", "A colour: red, green and blue, and its hue, saturation and luminance.",
    "method Color ();method Color (const Color src);method Color (const int r, const int g, const int b);"
    "method Invert ();method Gamma (float g);method Blend (const Color s, const Color d, float a);"
    "accessor int red ();accessor int green ();accessor int blue ();accessor red (const int);"
    "accessor green (const int);accessor blue (const int);accessor float hue ();accessor float saturation ();"
    "accessor float luminance ();accessor hue (const float);accessor saturation (const float);"
    "accessor luminance (const float);function Color FromHSL (const float hue, const float sat, const float lum);"};

constexpr ZILLong kFromHSL = 18;

int32_t Channel(ZILLong v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// Limited to lo..hi; NaN gives lo.
float Limit(double v, float lo, float hi) {
  if (!(v >= lo))
    return lo;
  return v > hi ? hi : static_cast<float>(v);
}

void SetChannels(ZColorValue* c, int32_t r, int32_t g, int32_t b) {
  c->red = r;
  c->green = g;
  c->blue = b;
  c->stale = true;
}

// In single precision; red wins a tie for the largest channel with green, green one with blue.
void RefreshHSL(ZColorValue* c) {
  if (!c->stale)
    return;
  c->stale = false;
  const float r = c->red / 255.0f, g = c->green / 255.0f, b = c->blue / 255.0f;
  const float max = std::fmax(r, std::fmax(g, b)), min = std::fmin(r, std::fmin(g, b));
  c->luminance = (max + min) / 2;
  if (max == min) {
    c->hue = c->saturation = 0;
    return;
  }
  const float d = max - min;
  c->saturation = c->luminance < 0.5f ? d / (max + min) : d / (2 - max - min);
  float h = max == r ? (g - b) / d : max == g ? 2 + (b - r) / d : 4 + (r - g) / d;
  h *= 60;
  if (h < 0)
    h += 360;
  c->hue = h;
}

// One channel of the HSL model at position t of the hue circle (wrapped into 0..1).
double HueChannel(double p, double q, double t) {
  if (t < 0)
    t += 1;
  if (t > 1)
    t -= 1;
  if (t < 1.0 / 6)
    return p + (q - p) * 6 * t;
  if (t < 1.0 / 2)
    return q;
  if (t < 2.0 / 3)
    return p + (q - p) * (2.0 / 3 - t) * 6;
  return p;
}

// Stores the (already limited) HSL values and the channels they give, rounded.
void SetHSL(ZColorValue* c, float hue, float sat, float lum) {
  const double h = hue / 360.0, s = sat, l = lum;
  const double q = l < 0.5 ? l * (1 + s) : l + s - l * s, p = 2 * l - q;
  auto channel = [](double v) {
    return ChannelFromDouble(v * 255 + 0.5);
  };
  c->red = channel(HueChannel(p, q, h + 1.0 / 3));
  c->green = channel(HueChannel(p, q, h));
  c->blue = channel(HueChannel(p, q, h - 1.0 / 3));
  c->hue = hue;
  c->saturation = sat;
  c->luminance = lum;
  c->stale = false;
}

void Gamma(ZColorValue* c, double g) {
  if (g == 0 || std::isnan(g))
    return;
  auto apply = [g](int32_t v) {
    return ChannelFromDouble(255 * std::pow(v / 255.0, 1 / g) + 0.5);
  };
  SetChannels(c, apply(c->red), apply(c->green), apply(c->blue));
}

// A NaN amount leaves the colour as it is; equal channels stay, whatever the amount.
void Blend(ZColorValue* c, const ZColorValue& s, const ZColorValue& d, double a) {
  if (std::isnan(a))
    return;
  auto mix = [a](int32_t from, int32_t to) {
    return from == to ? from : ChannelFromDouble(from + (to - from) * a);
  };
  SetChannels(c, mix(s.red, d.red), mix(s.green, d.green), mix(s.blue, d.blue));
}

ZILError CallMember(ZILState* ps, ZILLong index, ZColorValue* c) {
  switch (index) {
    case 0: *c = {}; return 0;
    case 1: {
      const ZColorValue* src = ColorArg(ps, 0);
      if (!src)
        return ZIL_ERR_Illegal_Argument;
      *c = *src;
      return 0;
    }
    case 2:
      SetChannels(c, Channel(NTLGetArgInt(ps, 0)), Channel(NTLGetArgInt(ps, 1)), Channel(NTLGetArgInt(ps, 2)));
      return 0;
    case 3: SetChannels(c, c->red ^ 255, c->green ^ 255, c->blue ^ 255); return 0;
    case 4: Gamma(c, NTLGetArgFloat(ps, 0)); return 0;
    case 5: {
      const ZColorValue* s = ColorArg(ps, 0);
      const ZColorValue* d = ColorArg(ps, 1);
      if (!s || !d)
        return ZIL_ERR_Illegal_Argument;
      Blend(c, *s, *d, NTLGetArgFloat(ps, 2));
      return 0;
    }
    case 6: return NTLReturnInt(ps, c->red);
    case 7: return NTLReturnInt(ps, c->green);
    case 8: return NTLReturnInt(ps, c->blue);
    case 9: SetChannels(c, Channel(NTLGetArgInt(ps, 0)), c->green, c->blue); return 0;
    case 10: SetChannels(c, c->red, Channel(NTLGetArgInt(ps, 0)), c->blue); return 0;
    case 11: SetChannels(c, c->red, c->green, Channel(NTLGetArgInt(ps, 0))); return 0;
    case 12: RefreshHSL(c); return NTLReturnFloat(ps, c->hue);
    case 13: RefreshHSL(c); return NTLReturnFloat(ps, c->saturation);
    case 14: RefreshHSL(c); return NTLReturnFloat(ps, c->luminance);
    case 15:
      RefreshHSL(c);
      SetHSL(c, Limit(NTLGetArgFloat(ps, 0), 0, 360), c->saturation, c->luminance);
      return 0;
    case 16:
      RefreshHSL(c);
      SetHSL(c, c->hue, Limit(NTLGetArgFloat(ps, 0), 0, 1), c->luminance);
      return 0;
    case 17:
      RefreshHSL(c);
      SetHSL(c, c->hue, c->saturation, Limit(NTLGetArgFloat(ps, 0), 0, 1));
      return 0;
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError CallStatic(ZILState* ps, ZILLong type, ZILLong index) {
  if (index != kFromHSL)
    return ZIL_ERR_Invalid_Function_Index;
  ZColorValue c;
  SetHSL(&c, Limit(NTLGetArgFloat(ps, 0), 0, 360), Limit(NTLGetArgFloat(ps, 1), 0, 1),
         Limit(NTLGetArgFloat(ps, 2), 0, 1));
  ZILHandle* h = NewRecordObject<ZColorValue>(ps, type, c);
  return h ? ReturnNewObject(ps, h) : ZIL_EXC_Allocation_Fail;
}

}  // namespace

ZILError ColorTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerValueClass<ZColorValue>(kInfo, CallMember, CallStatic, inst, msg, param, in, out);
}

ZILHandle* NewColorObject(ZILState* ps, const ZColorValue& value) {
  return NewRecordObject<ZColorValue>(ps, NTLTypeNameToTypeID(ps, "Color"), value);
}

}  // namespace ZTools
