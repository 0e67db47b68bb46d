// 3-D frames: rings of lines, lighter and darker shades of the current colour's lightness, from
// the outside in, each inner ring shaded less than the one around it.
#include <algorithm>

#include "ztools/zdrawcontext.h"

namespace ZTools {

void ZDrawContext::Draw3DRect(const ZRect& rect, uint32_t style) {
  if (rect.IsEmpty())
    return;
  // Work in 64 bits so that shrinking a huge rectangle cannot overflow.
  int64_t l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  auto line = [this](int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t pixel) {
    if (x1 <= x0 || y1 <= y0)
      return;
    auto clampI = [](int64_t v) {
      return int32_t(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
    };
    FillDevice(ToClippedDevice(ZRect(clampI(x0), clampI(y0), clampI(x1), clampI(y1))), pixel);
  };
  if (style & k3DRectOutline) {
    const uint32_t black = 0;
    line(l, t, r, t + 1, black);
    line(l, b - 1, r, b, black);
    line(l, t, l + 1, b, black);
    line(r - 1, t, r, b, black);
    ++l, ++t, --r, --b;
  }
  if (!(style & (k3DRectRaised | k3DRectSunken | k3DRectBrighten | k3DRectDarken)))
    return;

  const ZHSL hsl = RGBToHSL(color_.r, color_.g, color_.b);
  const int w = (style & k3DRectLargeEdge) ? 3 : (style & k3DRectMediumEdge) ? 2 : 1;
  double P = 1.375, Q = 0.625;
  if (style & k3DRectStrongestShading)
    P = 1.5, Q = 0.5;
  else if (style & k3DRectStrongShading)
    P = 1.375, Q = 0.625;
  else if (style & k3DRectMediumShading)
    P = 1.25, Q = 0.75;
  else if (style & k3DRectSoftShading)
    P = 1.125, Q = 0.875;
  const double p = (P - 1) / w, q = (Q - 1) / w;
  const bool topLeft = !(style & k3DRectBottomRightOnly) || (style & k3DRectTopLeftOnly);
  const bool bottomRight = !(style & k3DRectTopLeftOnly) || (style & k3DRectBottomRightOnly);

  for (int ring = 0; ring < w && r > l && b > t; ++ring) {
    double a, c;
    if (style & k3DRectRaised)
      a = hsl.l * P, c = hsl.l * Q;
    else if (style & k3DRectSunken)
      a = hsl.l * Q, c = hsl.l * P;
    else if (style & k3DRectBrighten)
      a = c = hsl.l * P;
    else
      a = c = hsl.l * Q;
    const uint32_t light = HSLToColor({hsl.h, hsl.s, float(std::min(a, 1.0))}).ToPixel();
    const uint32_t dark = HSLToColor({hsl.h, hsl.s, float(std::min(c, 1.0))}).ToPixel();
    // Top and left first; bottom and right are drawn over the two corners they share.
    if (topLeft) {
      line(l, t, r, t + 1, light);
      line(l, t, l + 1, b, light);
    }
    if (bottomRight) {
      line(l, b - 1, r, b, dark);
      line(r - 1, t, r, b, dark);
    }
    if (topLeft)
      ++l, ++t;
    if (bottomRight)
      --r, --b;
    P -= p;
    Q -= q;
  }
}

}  // namespace ZTools
