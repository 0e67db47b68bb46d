// The script class Random: numbers in ranges from a noise generator, either its own LinearNoise or
// that of a noise object the script passes (whose handle it then holds). It registers the three
// noise classes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <new>

#include "bindings/zscriptclassinfo.h"
#include "bindings/zutilityclasses.h"
#include "ziltools.h"

namespace ZTools {

ZILLong TruncateToInt(ZILFloat value) {
  if (std::isnan(value))
    return 0;
  if (value <= ZILFloat(INT32_MIN))
    return INT32_MIN;
  if (value >= ZILFloat(INT32_MAX))
    return INT32_MAX;
  return ZILLong(value);
}

namespace {

constexpr ZScriptClassInfo kInfo = {
    "Random", "GaussianNoise,LinearNoise,QuadraticNoise", "01.01.2010", "A native Random class for ZentraScript.",
    "method Random ();method Random (float seed);method Random (NoiseGenerator p);method float GetDouble ();method "
    "float GetDoubleRange (float n);method float GetDoubleMinMax (float min, float max);method int GetIntRange (int "
    "n);method int GetIntMinMax (int min, int max);method int Chance(int percent);"};

// Invariant: `generator` is never null once the object exists; when `owned` is false it belongs to
// the noise object `source`, which the record holds.
struct RandomRecord {
  ZNoiseGenerator* generator = nullptr;
  bool owned = false;
  ZILHandle* source = nullptr;
};

void Release(ZILState* ps, RandomRecord* r) {
  if (r->owned)
    DeleteInRuntime(ps, r->generator);
  if (r->source)
    NTLFreeHandle(ps, r->source);
  *r = RandomRecord{};
}

ZILError UseOwn(ZILState* ps, RandomRecord* r, uint32_t state) {
  auto* own = NewInRuntime<ZLinearNoise>(ps, state);
  if (!own)
    return ZIL_EXC_Allocation_Fail;
  Release(ps, r);
  r->generator = own;
  r->owned = true;
  return 0;
}

ZILError UseSource(ZILState* ps, RandomRecord* r) {
  ZILHandle* source = NTLGetArgHandle(ps, 0);
  ZNoiseGenerator* generator = NoiseGeneratorOf(ps, source);
  if (!generator) {
    NTLFreeHandle(ps, source);
    return UseOwn(ps, r, 0);
  }
  Release(ps, r);
  *r = RandomRecord{generator, false, source};
  return 0;
}

ZILError CallMember(ZILState* ps, ZILLong function, RandomRecord* r) {
  if (!r)
    return ZIL_EXC_Null_Reference;
  switch (function) {
    case 0: return UseOwn(ps, r, 0);
    case 1: return UseOwn(ps, r, NoiseSeed(NTLGetArgFloat(ps, 0)));
    case 2: return UseSource(ps, r);
    default: break;
  }
  if (function > 8)
    return ZIL_ERR_Invalid_Function_Index;
  if (!r->generator)
    return ZIL_EXC_Null_Reference;
  const ZILFloat u = r->generator->Next();
  switch (function) {
    case 3: return NTLReturnFloat(ps, u);
    case 4: return NTLReturnFloat(ps, u * NTLGetArgFloat(ps, 0));
    case 5: {
      const ZILFloat min = NTLGetArgFloat(ps, 0), max = NTLGetArgFloat(ps, 1);
      return NTLReturnFloat(ps, u * (max - min) + min);
    }
    case 6: return NTLReturnInt(ps, TruncateToInt(u * ZILFloat(NTLGetArgInt(ps, 0))));
    case 7: {
      // In floating point: max - min of two ints need not fit an int.
      const ZILFloat min = NTLGetArgInt(ps, 0), max = NTLGetArgInt(ps, 1);
      return NTLReturnInt(ps, TruncateToInt(u * (max - min) + min));
    }
    default: {
      const ZILLong percent = std::clamp<ZILLong>(NTLGetArgInt(ps, 0), 0, 100);
      return NTLReturnInt(ps, TruncateToInt(u * 99.0) < percent ? 1 : 0);
    }
  }
}

}  // namespace

ZILError RandomTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  ZILState* ps = inst ? NTLInstanceGetVM(inst) : nullptr;
  auto* r = static_cast<RandomRecord*>(in);
  switch (msg) {
    case NTL_Register: {
      auto* state = static_cast<ZILState*>(in);
      for (NTLTypeProc proc : {GaussianNoiseTypeProc, LinearNoiseTypeProc, QuadraticNoiseTypeProc})
        if (ZILError e = ZILRegisterNativeType(state, proc))
          return e;
      return 0;
    }
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister: return 0;
    case NTL_NewObject: {
      // A generator from the start, so that calls on an object whose constructor did not run
      // are still sound.
      if (!ps || !out)
        return ZIL_ERR_Illegal_Argument;
      RandomRecord* created = NewInRuntime<RandomRecord>(ps);
      if (created && UseOwn(ps, created, 0)) {
        DeleteInRuntime(ps, created);
        created = nullptr;
      }
      *out = created;
      return created ? 0 : ZIL_EXC_Allocation_Fail;
    }
    case NTL_MarkHandles: return r && r->source ? NTLMarkHandle(ps, r->source) : 0;
    case NTL_DestroyObject:
      if (ps && r) {
        Release(ps, r);
        DeleteInRuntime(ps, r);
      }
      return 0;
    case NTL_CallMember: return ps ? CallMember(ps, param, r) : ZIL_ERR_Illegal_Argument;
    case NTL_CallStatic: return ZIL_ERR_Invalid_Function_Index;
    default: return AnswerScriptClassInfo(kInfo, msg, out);
  }
}

}  // namespace ZTools
