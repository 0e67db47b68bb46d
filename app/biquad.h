// One second-order (biquad) filter in single precision: the cookbook design of peaking and
// shelving equalizers, and the per-sample direct-form I step with an alternating anti-denormal
// offset (+-1e-20) that keeps the recursive state out of denormal numbers on silence.
#pragma once

#include <cstdint>

namespace ZTools {

enum : int32_t {
  kBiquadPeaking = 4,
  kBiquadLowShelf = 5,
  kBiquadHighShelf = 6,
};

struct Biquad {
  float c0 = 0, c1 = 0, c2 = 0, c3 = 0, c4 = 0;  // b0/a0, b1/a0, b2/a0, a1/a0, a2/a0
  float x1 = 0, x2 = 0;                          // the last two inputs
  float y1 = 0, y2 = 0;                          // the last two outputs
  int32_t type = 0;                              // filter type of the current coefficients
  float rate = 1.0f;                             // sample rate of the current coefficients
  float offset = 1e-20f;                         // sign flips on every sample

  void ClearState() { x1 = x2 = y1 = y2 = 0; }
};

// Designs `f` as filter `type` with `gainDb` at `freq` Hz for `rate` Hz and bandwidth `bw`
// (octaves). A new type or rate clears the state; otherwise the state is kept so a gain change
// does not click. An unknown type, or a design that is not finite (an absurd gain), leaves the
// coefficients as they were.
void BiquadDesign(Biquad& f, int32_t type, float gainDb, float freq, float rate, float bw);

inline float BiquadStep(Biquad& f, float x) {
  f.offset = -f.offset;
  float y = f.c0 * x + f.c1 * f.x1 + f.c2 * f.x2 - f.c3 * f.y1 - f.c4 * f.y2;
  y = y + f.offset;
  f.x2 = f.x1;
  f.x1 = x;
  f.y2 = f.y1;
  f.y1 = y;
  return y;
}

}  // namespace ZTools
