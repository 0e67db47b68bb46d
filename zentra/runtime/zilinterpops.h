// zilinterpops.h - the work of the interpreter's handler families: what an instruction computes,
// in functions every handler inlines, so that a debugger can stop on a line of them. Only
// zilinterp.cpp includes it; the handlers there decode operands and steer control.
#pragma once

#include <cmath>

#include "zilinterpvalues.h"

namespace ZILInterp {

// ------------------------------------------------------------------------------------------------
// The work of the handler families. The handlers below decode operands and steer control; what
// an instruction computes happens here, in functions every handler inlines, so that a debugger
// can stop on a line of them. Each returns what its handler needs: 0 or an exception code, a
// value, a condition. The operation structs give one family its operations: a is the
// destination's (or first operand's) value, b the source's.

struct AddOp {
  static constexpr bool kDivides = false;
  static ZILLong onInts(ZILLong a, ZILLong b) { return wrapAdd(a, b); }
  static ZILFloat onFloats(ZILFloat a, ZILFloat b) { return a + b; }
};
struct SubOp {
  static constexpr bool kDivides = false;
  static ZILLong onInts(ZILLong a, ZILLong b) { return wrapSub(a, b); }
  static ZILFloat onFloats(ZILFloat a, ZILFloat b) { return a - b; }
};
struct MulOp {
  static constexpr bool kDivides = false;
  static ZILLong onInts(ZILLong a, ZILLong b) { return wrapMul(a, b); }
  static ZILFloat onFloats(ZILFloat a, ZILFloat b) { return a * b; }
};
struct DivOp {
  static constexpr bool kDivides = true;
  static ZILLong onInts(ZILLong a, ZILLong b) { return wrapDiv(a, b); }
  static ZILFloat onFloats(ZILFloat a, ZILFloat b) { return a / b; }
};
struct ModOp {
  static constexpr bool kDivides = true;
  static ZILLong onInts(ZILLong a, ZILLong b) { return wrapMod(a, b); }
  static ZILFloat onFloats(ZILFloat a, ZILFloat b) { return fmod(a, b); }
};
struct AndOp {
  static constexpr bool kDivides = false;
  static ZILLong onInts(ZILLong a, ZILLong b) { return a & b; }
};
struct OrOp {
  static constexpr bool kDivides = false;
  static ZILLong onInts(ZILLong a, ZILLong b) { return a | b; }
};
struct XorOp {
  static constexpr bool kDivides = false;
  static ZILLong onInts(ZILLong a, ZILLong b) { return a ^ b; }
};
struct ShiftLeftOp {
  static constexpr bool kDivides = false;
  static ZILLong onInts(ZILLong a, ZILLong b) { return shiftLeft(a, b); }
};
struct ShiftRightArithOp {
  static constexpr bool kDivides = false;
  static ZILLong onInts(ZILLong a, ZILLong b) { return shiftRightArith(a, b); }
};
struct ShiftRightLogicOp {
  static constexpr bool kDivides = false;
  static ZILLong onInts(ZILLong a, ZILLong b) { return shiftRightLogic(a, b); }
};

// `add` ... `mod`: both ints or both floats; d changes in place.
template <class Op>
__attribute__((always_inline)) inline ZILError arithNumbers([[maybe_unused]] ZILState* ps,
                                                            [[maybe_unused]] const ZILLong* ip, const ZILHandle* s,
                                                            ZILHandle* d) {
  if (s->type == ZIL_TYPE_INT && d->type == ZIL_TYPE_INT) {
    CHECK_IN_PLACE(d);
    ZILLong a = d->payload.l, b = s->payload.l;
    if (Op::kDivides && b == 0)
      return ZIL_EXC_Division_By_Zero;
    d->payload.l = Op::onInts(a, b);
    return 0;
  }
  if (s->type == ZIL_TYPE_FLOAT && d->type == ZIL_TYPE_FLOAT) {
    CHECK_IN_PLACE(d);
    ZILFloat a = d->payload.f, b = s->payload.f;
    if (Op::kDivides && b == 0.0)
      return ZIL_EXC_Division_By_Zero;
    d->payload.f = Op::onFloats(a, b);
    return 0;
  }
  return ZIL_EXC_Unsupported_Type;
}

// `addl` ... `modl`: only the destination's type is checked; the source is taken as an int.
template <class Op>
__attribute__((always_inline)) inline ZILError arithInts([[maybe_unused]] ZILState* ps,
                                                         [[maybe_unused]] const ZILLong* ip, const ZILHandle* s,
                                                         ZILHandle* d) {
  if (d->type != ZIL_TYPE_INT)
    return ZIL_EXC_Unsupported_Type;
  CHECK_IN_PLACE(d);
  ZILLong a = d->payload.l, b = s->payload.l;
  if (Op::kDivides && b == 0)
    return ZIL_EXC_Division_By_Zero;
  d->payload.l = Op::onInts(a, b);
  return 0;
}

// `addf` ... `modf`, likewise for floats.
template <class Op>
__attribute__((always_inline)) inline ZILError arithFloats([[maybe_unused]] ZILState* ps,
                                                           [[maybe_unused]] const ZILLong* ip, const ZILHandle* s,
                                                           ZILHandle* d) {
  if (d->type != ZIL_TYPE_FLOAT)
    return ZIL_EXC_Unsupported_Type;
  CHECK_IN_PLACE(d);
  ZILFloat a = d->payload.f, b = s->payload.f;
  if (Op::kDivides && b == 0.0)
    return ZIL_EXC_Division_By_Zero;
  d->payload.f = Op::onFloats(a, b);
  return 0;
}

// `and` ... `lsr`: both operands must be ints.
template <class Op>
__attribute__((always_inline)) inline ZILError arithBits([[maybe_unused]] ZILState* ps,
                                                         [[maybe_unused]] const ZILLong* ip, const ZILHandle* s,
                                                         ZILHandle* d) {
  if (d->type != ZIL_TYPE_INT || s->type != ZIL_TYPE_INT)
    return ZIL_EXC_Unsupported_Type;
  CHECK_IN_PLACE(d);
  d->payload.l = Op::onInts(d->payload.l, s->payload.l);
  return 0;
}

// Three-address forms: the value is computed before the destination is written, so a failure
// leaves every register as it was.
template <class Op>
__attribute__((always_inline)) inline ZILError arithInts3(ZILState* ps, const ZILHandle* x, const ZILHandle* y,
                                                          ZILHandle** dst) {
  if (x->type != ZIL_TYPE_INT)
    return ZIL_EXC_Unsupported_Type;
  ZILLong a = x->payload.l, b = y->payload.l;
  if (Op::kDivides && b == 0)
    return ZIL_EXC_Division_By_Zero;
  return setInt(ps, dst, Op::onInts(a, b)) ? 0 : ZIL_EXC_Allocation_Fail;
}

template <class Op>
__attribute__((always_inline)) inline ZILError arithFloats3(ZILState* ps, const ZILHandle* x, const ZILHandle* y,
                                                            ZILHandle** dst) {
  if (x->type != ZIL_TYPE_FLOAT)
    return ZIL_EXC_Unsupported_Type;
  ZILFloat a = x->payload.f, b = y->payload.f;
  if (Op::kDivides && b == 0.0)
    return ZIL_EXC_Division_By_Zero;
  return setFloat(ps, dst, Op::onFloats(a, b)) ? 0 : ZIL_EXC_Allocation_Fail;
}

struct IncOp {
  static ZILLong onInt(ZILLong v) { return wrapAdd(v, 1); }
  static ZILFloat onFloat(ZILFloat v) { return v + 1.0; }
};
struct DecOp {
  static ZILLong onInt(ZILLong v) { return wrapSub(v, 1); }
  static ZILFloat onFloat(ZILFloat v) { return v - 1.0; }
};
struct NegOp {
  static ZILLong onInt(ZILLong v) { return wrapNeg(v); }
  static ZILFloat onFloat(ZILFloat v) { return -v; }
};
struct NotOp {
  static ZILLong onInt(ZILLong v) { return ~v; }
};
struct LogicalNotOp {
  static ZILLong onInt(ZILLong v) { return v == 0 ? 1 : 0; }
};

// `inc`, `dec`, `neg`: in place on an int or a float.
template <class Op>
__attribute__((always_inline)) inline ZILError unaryNumber([[maybe_unused]] ZILState* ps,
                                                           [[maybe_unused]] const ZILLong* ip, ZILHandle* h) {
  if (h->type == ZIL_TYPE_INT) {
    CHECK_IN_PLACE(h);
    h->payload.l = Op::onInt(h->payload.l);
    return 0;
  }
  if (h->type == ZIL_TYPE_FLOAT) {
    CHECK_IN_PLACE(h);
    h->payload.f = Op::onFloat(h->payload.f);
    return 0;
  }
  return ZIL_EXC_Unsupported_Type;
}

// `not`, `unot` and the l forms; the loop step's increment too.
template <class Op>
__attribute__((always_inline)) inline ZILError unaryInt([[maybe_unused]] ZILState* ps,
                                                        [[maybe_unused]] const ZILLong* ip, ZILHandle* h) {
  if (h->type != ZIL_TYPE_INT)
    return ZIL_EXC_Unsupported_Type;
  CHECK_IN_PLACE(h);
  h->payload.l = Op::onInt(h->payload.l);
  return 0;
}

template <class Op>
__attribute__((always_inline)) inline ZILError unaryFloat([[maybe_unused]] ZILState* ps,
                                                          [[maybe_unused]] const ZILLong* ip, ZILHandle* h) {
  if (h->type != ZIL_TYPE_FLOAT)
    return ZIL_EXC_Unsupported_Type;
  CHECK_IN_PLACE(h);
  h->payload.f = Op::onFloat(h->payload.f);
  return 0;
}

// Relations, asked as "b op a" like the instructions state them.
struct EqualTest {
  template <class T>
  static bool holds(T b, T a) {
    return b == a;
  }
};
struct NotEqualTest {
  template <class T>
  static bool holds(T b, T a) {
    return b != a;
  }
};
struct GreaterTest {
  template <class T>
  static bool holds(T b, T a) {
    return b > a;
  }
};
struct GreaterEqualTest {
  template <class T>
  static bool holds(T b, T a) {
    return b >= a;
  }
};
struct LessTest {
  template <class T>
  static bool holds(T b, T a) {
    return b < a;
  }
};
struct LessEqualTest {
  template <class T>
  static bool holds(T b, T a) {
    return b <= a;
  }
};

// `cseq` ... `csle`: both ints or both floats.
template <class Rel>
__attribute__((always_inline)) inline ZILError compareNumbers(const ZILHandle* a, const ZILHandle* b, ZILLong* result) {
  if (a->type == ZIL_TYPE_INT && b->type == ZIL_TYPE_INT) {
    *result = Rel::holds(b->payload.l, a->payload.l);
    return 0;
  }
  if (a->type == ZIL_TYPE_FLOAT && b->type == ZIL_TYPE_FLOAT) {
    *result = Rel::holds(b->payload.f, a->payload.f);
    return 0;
  }
  return ZIL_EXC_Unsupported_Type;
}

// The l and f compares read the payloads without a type check.
template <class Rel>
__attribute__((always_inline)) inline ZILLong compareInts(const ZILHandle* a, const ZILHandle* b) {
  return Rel::holds(b->payload.l, a->payload.l);
}
template <class Rel>
__attribute__((always_inline)) inline ZILLong compareFloats(const ZILHandle* a, const ZILHandle* b) {
  return Rel::holds(b->payload.f, a->payload.f);
}

__attribute__((always_inline)) inline ZILError compareStrings(const ZILHandle* a, const ZILHandle* b, bool wantEqual,
                                                              ZILLong* result) {
  ZILError e = 0;
  bool equal = stringsEqual(a, b, &e);
  if (e)
    return e;
  *result = equal == wantEqual;
  return 0;
}

// `size`: the length of a string or an array; false for anything else.
__attribute__((always_inline)) inline bool sizeOf(const ZILHandle* h, ZILLong* n) {
  if (h->type == ZIL_TYPE_STRING && h->payload.p) {
    *n = static_cast<const ZILString*>(h->payload.p)->length;
    return true;
  }
  if (h->type == ZIL_TYPE_ARRAY && h->payload.p) {
    *n = static_cast<const ZILArray*>(h->payload.p)->length;
    return true;
  }
  return false;
}

// `copy` of anything but an int or a float. The source is held meanwhile: a copy constructor
// may run script code that drops it.
__attribute__((always_inline)) inline ZILError copyHeldValue(ZILState* ps, ZILHandle* s, ZILHandle** out) {
  ZILAddRef(s);
  ZILError e = ZILCopyValue(ps, s, out);
  releaseHandle(ps, s);
  return e;
}

// `madf3 a, b, c, d`: a * b + c, the product rounded first, exactly as `mulf3` and then `addf`
// compute it (the build targets no fused multiply-add, so the two roundings stay). a and c must
// be floats: they stand where `mulf3` and `addf` check their operand.
__attribute__((always_inline)) inline ZILError multiplyAddFloats(const ZILHandle* a, const ZILHandle* b,
                                                                 const ZILHandle* c, ZILFloat* out) {
  if (a->type != ZIL_TYPE_FLOAT || c->type != ZIL_TYPE_FLOAT)
    return ZIL_EXC_Unsupported_Type;
  const ZILFloat product = a->payload.f * b->payload.f;
  *out = product + c->payload.f;
  return 0;
}

}  // namespace ZILInterp
