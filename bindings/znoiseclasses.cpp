// The script classes LinearNoise, QuadraticNoise and GaussianNoise: each object owns one noise
// generator; they implement the prelude's NoiseGenerator interface and are registered by Random.
#include <cmath>
#include <initializer_list>
#include <new>

#include "bindings/zscriptclassinfo.h"
#include "bindings/zutilityclasses.h"
#include "ziltools.h"

namespace ZTools {

ZILFloat ZQuadraticNoise::Next() {
  const ZILFloat u1 = Step(), u2 = Step();
  return ((2.0 * u1 - 1.0) * (2.0 * u2 - 1.0) + 1.0) * 0.5;
}

ZILFloat ZGaussianNoise::Next() {
  const ZILFloat u1 = Step(), u2 = Step(), u3 = Step();
  return (1.0 + ((2.0 * u1 - 1.0) + (2.0 * u2 - 1.0) + (2.0 * u3 - 1.0)) * 0.3333333333333333) * 0.5;
}

uint32_t NoiseSeed(ZILFloat seed) {
  if (!std::isfinite(seed))
    return 0;
  // fmod is exact, so this is the low word of the truncated integer, however large it is.
  ZILFloat low = std::fmod(std::trunc(seed), 4294967296.0);
  if (low < 0.0)
    low += 4294967296.0;
  return uint32_t(low);
}

namespace {

constexpr ZScriptClassInfo kLinear = {"LinearNoise", "", "03.03.2011",
                                      "Generates noise with an almost linear spectrum (white noise).",
                                      "method LinearNoise (float seed);method float Next ();"};
constexpr ZScriptClassInfo kQuadratic = {"QuadraticNoise", "", "03.03.2011",
                                         "A noise generator with quadratic spectrum.",
                                         "method QuadraticNoise (float seed);method float Next ();"};
constexpr ZScriptClassInfo kGaussian = {"GaussianNoise", "", "03.03.2011",
                                        "Generates an approximation of gaussian noise.",
                                        "method GaussianNoise (float seed);method float Next ();"};

ZILError CallMember(ZILState* ps, ZILLong function, ZLinearNoise* noise) {
  if (!noise)
    return ZIL_EXC_Null_Reference;
  switch (function) {
    case 0: noise->Seed(NoiseSeed(NTLGetArgFloat(ps, 0))); return 0;
    case 1: return NTLReturnFloat(ps, noise->Next());
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

// The object is the generator itself, so any of the three can be read as a ZNoiseGenerator.
template <class Noise>
ZILError AnswerNoiseClass(const ZScriptClassInfo& info, NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in,
                          ZILUnknown** out) {
  return AnswerObjectClass<Noise, ZNoiseGenerator>(info, CallMember, inst, msg, param, in, out,
                                                   {nullptr, nullptr, "NoiseGenerator"});
}

}  // namespace

ZILError LinearNoiseTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerNoiseClass<ZLinearNoise>(kLinear, inst, msg, param, in, out);
}
ZILError QuadraticNoiseTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerNoiseClass<ZQuadraticNoise>(kQuadratic, inst, msg, param, in, out);
}
ZILError GaussianNoiseTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerNoiseClass<ZGaussianNoise>(kGaussian, inst, msg, param, in, out);
}

ZNoiseGenerator* NoiseGeneratorOf(ZILState* ps, ZILHandle* object) {
  if (!ps || !object)
    return nullptr;
  for (const char* name : {"LinearNoise", "QuadraticNoise", "GaussianNoise"}) {
    const ZILLong type = NTLTypeNameToTypeID(ps, name);
    if (type < ZIL_FIRST_USER_TYPE)
      continue;
    if (void* p = NTLHandleToObject(ps, type, object))
      return static_cast<ZNoiseGenerator*>(p);
  }
  return nullptr;
}

}  // namespace ZTools
