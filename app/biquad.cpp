// Cookbook design of the equalizer's biquads, computed in single precision with fixed float
// constants for 2*pi and ln(2)/2 so every build produces the same coefficients.
#include "app/biquad.h"

#include <cmath>

namespace ZTools {

void BiquadDesign(Biquad& f, int32_t type, float gainDb, float freq, float rate, float bw) {
  if (rate != f.rate || type != f.type) {
    f.ClearState();
    f.type = type;
    f.rate = rate;
  }
  const float kTwoPi = 6.2831854820251465f;
  const float kHalfLn2 = 0.3465735912322998f;
  float A = std::pow(10.0f, gainDb / 40.0f);
  float w0 = kTwoPi * freq / rate;
  float sn = std::sin(w0);
  float cs = std::cos(w0);
  float alpha = sn * std::sinh(kHalfLn2 * bw * w0 / sn);
  float beta = std::sqrt(A + A);
  float b0, b1, b2, a0, a1, a2;
  switch (type) {
    case kBiquadPeaking:
      b0 = 1 + alpha * A;
      b1 = -2 * cs;
      b2 = 1 - alpha * A;
      a0 = 1 + alpha / A;
      a1 = -2 * cs;
      a2 = 1 - alpha / A;
      break;
    case kBiquadLowShelf:
      b0 = A * ((A + 1) - (A - 1) * cs + beta * sn);
      b1 = 2 * A * ((A - 1) - (A + 1) * cs);
      b2 = A * ((A + 1) - (A - 1) * cs - beta * sn);
      a0 = (A + 1) + (A - 1) * cs + beta * sn;
      a1 = -2 * ((A - 1) + (A + 1) * cs);
      a2 = (A + 1) + (A - 1) * cs - beta * sn;
      break;
    case kBiquadHighShelf:
      b0 = A * ((A + 1) + (A - 1) * cs + beta * sn);
      b1 = -2 * A * ((A - 1) + (A + 1) * cs);
      b2 = A * ((A + 1) + (A - 1) * cs - beta * sn);
      a0 = (A + 1) - (A - 1) * cs + beta * sn;
      a1 = 2 * ((A - 1) - (A + 1) * cs);
      a2 = (A + 1) - (A - 1) * cs - beta * sn;
      break;
    default: return;
  }
  float c[5] = {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
  for (float v : c)
    if (!std::isfinite(v))
      return;  // e.g. a gain of thousands of dB: keep the last good design
  f.c0 = c[0];
  f.c1 = c[1];
  f.c2 = c[2];
  f.c3 = c[3];
  f.c4 = c[4];
}

}  // namespace ZTools
