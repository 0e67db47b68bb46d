// The utility classes scripts import by name: Math (functions and constants only), Random with
// the noise generators it registers, and Timer with the Delay and StopWatch it registers.
#pragma once

#include <cstdint>

#include "zilapi.h"

namespace ZTools {

ZILError MathTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError RandomTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError LinearNoiseTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError QuadraticNoiseTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError GaussianNoiseTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError TimerTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError DelayTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError StopWatchTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);

// The generators behind the noise classes: a linear congruential step over one 32-bit word;
// every value lies in [0, 1].
class ZNoiseGenerator {
 public:
  virtual ~ZNoiseGenerator() = default;
  virtual ZILFloat Next() = 0;
};

class ZLinearNoise : public ZNoiseGenerator {
 public:
  explicit ZLinearNoise(uint32_t state = 0) : state_(state) {}
  ZILFloat Next() override { return Step(); }
  void Seed(uint32_t state) { state_ = state; }

 protected:
  ZILFloat Step() {
    state_ = state_ * 196314165u + 907633515u;
    return ZILFloat(state_) / 4294967295.0;
  }

 private:
  uint32_t state_;
};

class ZQuadraticNoise : public ZLinearNoise {
 public:
  using ZLinearNoise::ZLinearNoise;
  ZILFloat Next() override;
};

class ZGaussianNoise : public ZLinearNoise {
 public:
  using ZLinearNoise::ZLinearNoise;
  ZILFloat Next() override;
};

// A script's float seed as the generator's state: the value truncated toward zero, taken modulo
// 2^32 (the low 32 bits of the integer); NaN and infinities give 0.
uint32_t NoiseSeed(ZILFloat seed);

// The generator of a LinearNoise, QuadraticNoise or GaussianNoise object; null for anything else.
ZNoiseGenerator* NoiseGeneratorOf(ZILState* ps, ZILHandle* object);

// A float truncated toward zero into an int, saturating at the int's limits; NaN gives 0.
ZILLong TruncateToInt(ZILFloat value);

}  // namespace ZTools
