// The script class Math: the standard functions on floats, two constants and element-wise
// functions on float arrays. It has no objects; every function is global.
#include <algorithm>
#include <cmath>
#include <iterator>

#include "bindings/zscriptclassinfo.h"
#include "bindings/zutilityclasses.h"
#include "ziltools.h"

namespace ZTools {
namespace {

constexpr ZScriptClassInfo kInfo = {
    "Math", "", "03.03.2011", "Static class containing common mathematical functions.",
    "delegate float user (const float x, const float y);function float Abs (const float x);function float Acos "
    "(const float x);function float Asin (const float x);function float Atan (const float x);function float Atan2 "
    "(const float x, const float y);function float Cos (const float x);function float Cosh (const float x);function "
    "float Exp (const float x);function float Log (const float x);function float Log10 (const float x);function "
    "float Pow (const float x, const float y);function float Sin (const float x);function float Sinh (const float "
    "x);function float Tan (const float x);function float Tanh (const float x);function float Sqrt (const float "
    "x);function float Ceil (const float x);function float Floor (const float x);function float Integer (const "
    "float x);function float Frac (const float x);function float Sgn (const float x);function float Min (const "
    "float x, const float y);function float Max (const float x, const float y);function float Lin (const float x, "
    "const float y, const float z);function float Sum (const float[] x);function float Prod (const float[] "
    "x);function float[] Add (const float[] x, const float[] y);function float[] Mul (const float[] x, const "
    "float[] y);function float[] Proc (const float[] x, const float[] y, user fn);const float PI = "
    "3.141592653589793;const float E  = 2.718281828459045;"};

enum Function {
  kAbs,
  kAcos,
  kAsin,
  kAtan,
  kAtan2,
  kCos,
  kCosh,
  kExp,
  kLog,
  kLog10,
  kPow,
  kSin,
  kSinh,
  kTan,
  kTanh,
  kSqrt,
  kCeil,
  kFloor,
  kInteger,
  kFrac,
  kSgn,
  kMin,
  kMax,
  kLin,
  kSum,
  kProd,
  kAdd,
  kMul,
  kProc
};

using Unary = double (*)(double);
constexpr Unary kUnary[] = {std::fabs, std::acos, std::asin,  std::atan,  nullptr,   std::cos,  std::cosh,
                            std::exp,  std::log,  std::log10, nullptr,    std::sin,  std::sinh, std::tan,
                            std::tanh, std::sqrt, std::ceil,  std::floor, std::trunc};

// An array argument, held while the function runs; an argument that is no array reads as empty.
class ArrayArg {
 public:
  ArrayArg(ZILState* ps, ZILLong n)
      : ps_(ps), h_(NTLGetArgHandle(ps, n)), a_(static_cast<ZILArray*>(NTLHandleToObject(ps, ZIL_TYPE_ARRAY, h_))) {}
  ~ArrayArg() { NTLFreeHandle(ps_, h_); }
  ArrayArg(const ArrayArg&) = delete;
  ArrayArg& operator=(const ArrayArg&) = delete;

  ZILLong Length() const { return a_ ? a_->length : 0; }
  bool IsFloat(ZILLong i) const { return i >= 0 && i < Length() && a_->slots[i]->type == ZIL_TYPE_FLOAT; }
  ZILFloat At(ZILLong i) const { return IsFloat(i) ? a_->slots[i]->payload.f : 0.0; }
  // Element i of the array repeated from its start; an empty array gives 0.0. The length is read
  // again each time, because a script called in between may have changed the array.
  ZILFloat Cyclic(ZILLong i) const { return Length() > 0 ? At(i % Length()) : 0.0; }

 private:
  ZILState* ps_;
  ZILHandle* h_;
  const ZILArray* a_;
};

ZILError Sum(ZILState* ps) {
  ArrayArg x(ps, 0);
  ZILFloat sum = 0.0;
  for (ZILLong i = 0; i < x.Length(); ++i)
    sum += x.At(i);
  return NTLReturnFloat(ps, sum);
}

// The product of the float elements; an array without float elements gives 0.0.
ZILError Prod(ZILState* ps) {
  ArrayArg x(ps, 0);
  ZILFloat product = 1.0;
  bool any = false;
  for (ZILLong i = 0; i < x.Length(); ++i) {
    if (!x.IsFloat(i))
      continue;
    product *= x.At(i);
    any = true;
  }
  return NTLReturnFloat(ps, any ? product : 0.0);
}

// A new float array r1 of max(length x, length y) elements, element i made by combine.
template <class Combine>
ZILError ElementWise(ZILState* ps, Combine combine) {
  ArrayArg x(ps, 0), y(ps, 1);
  const ZILLong length = std::max(x.Length(), y.Length());
  ZILHandle* h = nullptr;
  if (ZILError e = ZILNewArray(ps, &h))
    return e;
  auto* out = static_cast<ZILArray*>(h->payload.p);
  ZILError e = 0;
  for (ZILLong i = 0; !e && i < length; ++i) {
    bool stop = false;
    e = combine(out, x.Cyclic(i), y.Cyclic(i), stop);
    if (stop)
      break;
  }
  if (!e)
    e = NTLReturnHandle(ps, h);
  NTLFreeHandle(ps, h);
  return e;
}

ZILError AppendFloat(ZILState* ps, ZILArray* out, ZILFloat v) {
  ZILHandle* f = ZILNewFloat(ps, v);
  return f ? ZILArrayAppend(out, f) : ZIL_EXC_Allocation_Fail;
}

// Calls the script's fn for each pair; an error value ends the array where it is.
ZILError Proc(ZILState* ps) {
  ZILHandle* fn = NTLGetArgHandle(ps, 2);
  ZILError e = ElementWise(ps, [ps, fn](ZILArray* out, ZILFloat a, ZILFloat b, bool& stop) -> ZILError {
    ZILHandle* r = ZILCallFunction(ps, fn, 2, ZIL_ARG_FLOAT, a, ZIL_ARG_FLOAT, b);
    stop = !r || r->type == ZIL_TYPE_EXCEPTION;
    ZILError appended = 0;
    if (!stop)
      appended = AppendFloat(ps, out,
                             r->type == ZIL_TYPE_FLOAT ? r->payload.f
                             : r->type == ZIL_TYPE_INT ? ZILFloat(r->payload.l)
                                                       : 0.0);
    if (r)
      NTLFreeHandle(ps, r);
    return appended;
  });
  NTLFreeHandle(ps, fn);
  return e;
}

ZILError CallStatic(ZILState* ps, ZILLong function) {
  if (function < 0 || function > kProc)
    return ZIL_ERR_Invalid_Function_Index;
  const ZILFloat x = NTLGetArgFloat(ps, 0);
  if (function < ZILLong(std::size(kUnary)) && kUnary[function])
    return NTLReturnFloat(ps, kUnary[function](x));
  const ZILFloat y = NTLGetArgFloat(ps, 1);
  switch (function) {
    case kAtan2: return NTLReturnFloat(ps, std::atan2(x, y));
    case kPow: return NTLReturnFloat(ps, std::pow(x, y));
    case kFrac: return NTLReturnFloat(ps, x - std::trunc(x));
    case kSgn: return NTLReturnFloat(ps, x >= 0.0 ? 1.0 : -1.0);
    case kMin: return NTLReturnFloat(ps, y < x ? y : x);
    case kMax: return NTLReturnFloat(ps, y > x ? y : x);
    case kLin: return NTLReturnFloat(ps, NTLGetArgFloat(ps, 2) * (y - x) + x);
    case kSum: return Sum(ps);
    case kProd: return Prod(ps);
    case kAdd:
      return ElementWise(ps,
                         [ps](ZILArray* out, ZILFloat a, ZILFloat b, bool&) { return AppendFloat(ps, out, a + b); });
    case kMul:
      return ElementWise(ps,
                         [ps](ZILArray* out, ZILFloat a, ZILFloat b, bool&) { return AppendFloat(ps, out, a * b); });
    case kProc: return Proc(ps);
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError MathTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown*, ZILUnknown** out) {
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister: return 0;
    case NTL_CallStatic: return inst ? CallStatic(NTLInstanceGetVM(inst), param) : ZIL_ERR_Illegal_Argument;
    default:  // no objects
      return AnswerScriptClassInfo(kInfo, msg, out);
  }
}

}  // namespace ZTools
