// zilinterp.cpp - the interpreter loop: one computed-goto dispatch per instruction, with every
// handler expanded from the instruction table in zilopcodes.h and decoding its operands inline.
// All handlers expand on one source line, so what a family computes (arithmetic, compares,
// conditions, copies) is written in always-inlined functions a debugger can stop in
// (zilinterpops.h, on the value primitives of zilinterpvalues.h): a breakpoint on such a
// function's first line stops in every handler that uses it.
//
// Invariants the handlers rely on:
// - pc is checked against the code size after every jump and by `nop`; straight-line execution
//   that runs off the end reaches the zeroed padding after it, which decodes as `nop`, so the
//   operand words of a truncated last instruction are still readable and the next fetch fails.
// - Register numbers are taken modulo 32; (sp+d) slots must lie between sp and the stack's end;
//   (r+d) needs a script instance and a member index inside it; (r+r) needs an array and an int
//   index >= 0 (ZIL_EXC_Invalid_Operand otherwise) and grows the array to index+1
//   (ZIL_EXC_Allocation_Fail when that is too large).
// - Every push checks for room (ZIL_EXC_Stack_Overflow) and every pop for something to pop, on
//   both stacks.
// - Source handles are read out of their slots before the destination slot is decoded, because
//   decoding an (r+r) destination may reallocate the array the source slot lives in.
// - Int arithmetic wraps (32-bit two's complement), never traps; INT_MIN / -1 gives INT_MIN.
// - In-place writes: an instruction writes a value into its destination's handle only when that
//   handle is not shared (one reference, not weak); otherwise the slot gets a fresh handle and
//   the shared one keeps its value. Handlers that produce a value (`ldz`, `copy`, `copyh`,
//   `moveh`, compares, `cvf`, `size`, ...) make that choice themselves (setInt, setFloat). The
//   arithmetic families (`add` ... `lsr`, `inc`, `dec`, `neg`, `not`, `unot` and their l/f forms)
//   change the destination's payload without looking, for speed: they rely on the compiler,
//   which copies ints and floats into every variable, argument, member and r1. (A copy may still
//   be held by a scratch register the code no longer reads, such as the one an argument was
//   pushed from; changing it is harmless, so only the interpreter cannot tell the cases apart.)
//   Checked builds (ZIL_CHECKED) look for the one sharing the interpreter can see to be wrong:
//   an in-place write to a data constant's handle, which changes the literal for every later
//   use. They count and log it (ZILStateInternal::constantsChangedInPlace); release builds do
//   not look.
#include <cmath>
#include <cstring>

#include "zilinterpops.h"
#include "zilinterpvalues.h"

using namespace ZILInterp;

namespace {

constexpr int W_NONE = 0, W_IMM = 1, W_DH = 1, W_TYPE = 1, W_OFS = 1, W_R = 1, W_RD = 2, W_RR = 2, W_SD = 1, W_REGS = 2;

constexpr uint8_t kLength[ZIL_OPCODE_COUNT] = {
#define ZIL_LENGTH_OF(op, name, fam, mn, n, k1, k2, k3, k4, len) len,
    ZIL_OPCODE_LIST(ZIL_LENGTH_OF)
#undef ZIL_LENGTH_OF
};

constexpr int longestInstruction() {
  int longest = 0;
  for (uint8_t length : kLength)
    longest = length > longest ? length : longest;
  return longest;
}
static_assert(longestInstruction() < ZIL_CODE_PADDING && ZOP_NOP == 0,
              "straight-line execution must stop in the padding");

ZILError appendString(ZILHandle* src, ZILHandle* dst) {
  if (dst->type == ZIL_TYPE_NULL)
    return ZIL_EXC_Null_Reference;
  const ZILChar* text;
  ZILLong length;
  if (!isString(dst) || !dst->payload.p || !stringOperand(src, &text, &length))
    return ZIL_EXC_Unsupported_Type;
  return ZILStringAppend(static_cast<ZILString*>(dst->payload.p), text, length);
}

// Appends src to the array in dst: `arrcp` copies every value, `arrmv` shares all but ints,
// floats and nested arrays.
ZILError appendArray(ZILState* ps, ZILHandle* src, ZILHandle* dst, bool copyAll) {
  if (dst->type == ZIL_TYPE_NULL)
    return ZIL_EXC_Null_Reference;
  if (dst->type != ZIL_TYPE_ARRAY || !dst->payload.p)
    return ZIL_EXC_Unsupported_Type;
  ZILArray* to = static_cast<ZILArray*>(dst->payload.p);
  auto appendOne = [&](ZILHandle* v) -> ZILError {
    ZILHandle* c = nullptr;
    if (copyAll || v->type == ZIL_TYPE_ARRAY) {
      ZILError e = ZILCopyValue(ps, v, &c);
      if (e)
        return e;
    } else {
      c = ZILStoreCopy(ps, v);
      if (!c)
        return ZIL_EXC_Allocation_Fail;
    }
    return ZILArrayAppend(to, c);
  };
  if (src->type != ZIL_TYPE_ARRAY || !src->payload.p)
    return copyAll ? appendOne(src) : (ZILAddRef(src), ZILArrayAppend(to, src));
  ZILArray* from = static_cast<ZILArray*>(src->payload.p);
  ZILAddRef(src);  // the copies may run script code that drops the source
  ZILError e = 0;
  // The length is read once: appending an array to itself doubles it.
  ZILLong count = from->length;
  for (ZILLong i = 0; i < count && i < from->length && !e; ++i)
    e = appendOne(from->slots[i]);
  releaseHandle(ps, src);
  return e;
}

ZILError newArrayLevels(ZILState* ps, ZILContext* ctx, ZILLong elementType, const ZILLong* lengths, ZILLong levels,
                        ZILHandle** pOut) {
  ZILHandle* h = nullptr;
  ZILError e = ZILNewArray(ps, &h);
  if (e)
    return e;
  ZILArray* a = static_cast<ZILArray*>(h->payload.p);
  e = ZILArraySetLength(a, lengths[0]);
  for (ZILLong i = 0; !e && i < lengths[0]; ++i) {
    ZILHandle* element = nullptr;
    if (levels > 1) {
      e = newArrayLevels(ps, ctx, elementType, lengths + 1, levels - 1, &element);
    } else if (elementType == ZIL_TYPE_INT) {
      element = ZILNewInt(ps, 0);
    } else if (elementType == ZIL_TYPE_FLOAT) {
      element = ZILNewFloat(ps, 0.0);
    } else if (elementType == ZIL_TYPE_STRING) {
      e = ZILNewString(ps, nullptr, 0, &element);
    } else {
      element = ZILNullRef(ps);
    }
    if (!e && !element)
      e = ZIL_EXC_Allocation_Fail;
    if (!e)
      storeSlot(ps, a->slots + i, element);
  }
  if (e) {
    releaseHandle(ps, h);
    return e;
  }
  *pOut = h;
  return 0;
}

// `alloca`: the length of level k is the int at sp+levels-1-k; level 0 is the outermost.
ZILError allocArray(ZILState* ps, ZILContext* ctx, ZILLong elementType, ZILLong levels, ZILHandle** pOut) {
  constexpr ZILLong kMaxLevels = 64;
  if (levels < 1 || levels > kMaxLevels || levels > ctx->dataSize - ZIL_REGISTER_COUNT - ctx->sp)
    return ZIL_EXC_Invalid_Operand;
  ZILLong lengths[kMaxLevels];
  int64_t total = 1;
  for (ZILLong k = 0; k < levels; ++k) {
    ZILHandle* h = ctx->dataStack[ctx->sp + levels - 1 - k];
    if (h->type != ZIL_TYPE_INT || h->payload.l < 0)
      return ZIL_EXC_Invalid_Operand;
    lengths[k] = h->payload.l;
    total *= lengths[k] > 0 ? lengths[k] : 1;
    if (total > ZIL_ARRAY_MAX_LENGTH)
      return ZIL_EXC_Allocation_Fail;
  }
  return newArrayLevels(ps, ctx, elementType, lengths, levels, pOut);
}

// The handle's type decides how its payload is freed, so a type operand of another family than
// the object made would be a type confusion: refused with ZIL_EXC_Invalid_Operand.
bool typeOfFamily(ZILState* ps, ZILLong type, ZILLong family) {
  return ZILTypeValid(ps, type) && ZILTypes(ps)[type].family == family && !ZILTypes(ps)[type].isNative;
}

ZILError newCofunction(ZILState* ps, ZILContext* ctx, ZILLong type, ZILLong f, ZILLong n, ZILHandle** pOut) {
  if (!typeOfFamily(ps, type, ZIL_FAMILY_THREAD) ||
      static_cast<uint32_t>(f) >= static_cast<uint32_t>(ps->funcs.count) || n < 0)
    return ZIL_EXC_Invalid_Operand;
  if (n > ctx->dataSize - ZIL_REGISTER_COUNT - ctx->sp)
    return ZIL_EXC_Stack_Overflow;
  ZILContext* co = nullptr;
  ZILError e = ZILNewContext(ps, &co);
  if (e)
    return e;
  if (n > co->sp) {
    ZILFreeContext(ps, co);
    return ZIL_EXC_Stack_Overflow;
  }
  co->sp -= n;
  for (ZILLong i = 0; i < n; ++i) {
    ZILHandle* arg = ctx->dataStack[ctx->sp + i];
    ZILAddRef(arg);
    co->dataStack[co->sp + i] = arg;
  }
  co->pc = ZILFuncs(ps)[f].codeAddress;
  ZILHandle* h = ZILTakeHandle(ps);
  if (!h) {
    ZILFreeContext(ps, co);
    return ZIL_EXC_Allocation_Fail;
  }
  h->type = static_cast<uint16_t>(type);
  h->payload.p = co;
  *pOut = h;
  return 0;
}

ZILContext* cofunctionOf(ZILState* ps, ZILHandle* h) {
  if (!ZILTypeValid(ps, h->type) || ZILTypes(ps)[h->type].family != ZIL_FAMILY_THREAD || ZILTypes(ps)[h->type].isNative)
    return nullptr;
  return static_cast<ZILContext*>(h->payload.p);
}

// The guarded proc call, kept out of line so that the interpreter loop itself has no exception
// handling code.
__attribute__((noinline)) ZILError callTypeProc(ZILTypeInfo* ti, ZILLong msg, void* in, void** out) {
  return ZILTypeProcCall(ti->typeProc, &ti->instance, msg, 0, in, out);
}

bool isDelegate(ZILState* ps, const ZILHandle* h) {
  return ZILTypeValid(ps, h->type) && ZILTypes(ps)[h->type].family == ZIL_FAMILY_DELEGATE && h->payload.p;
}

}  // namespace

// ------------------------------------------------------------------------------------------------
// Operand decoding. SLOT(kind, word offset, var) declares var as the slot the operand denotes.

#define RAISE(code) \
  do { \
    err = (code); \
    goto raise; \
  } while (0)

#define SLOT(K, off, var) \
  ZILHandle** var; \
  SLOT_##K(off, var)
#define SLOT_R(off, var) var = R + (ip[(off)] & 31);
#define SLOT_RD(off, var) \
  { \
    ZILError e_ = 0; \
    var = memberSlot(ps, R[ip[(off)] & 31], ip[(off) + 1], &e_); \
    if (!var) \
      RAISE(e_); \
  }
#define SLOT_RR(off, var) \
  { \
    ZILError e_ = 0; \
    var = elementSlot(R[ip[(off)] & 31], R[ip[(off) + 1] & 31], &e_); \
    if (!var) \
      RAISE(e_); \
  }
#define SLOT_SD(off, var) \
  { \
    ZILLong d_ = ip[(off)]; \
    if (static_cast<uint32_t>(d_) >= static_cast<uint32_t>(ctx->dataSize - ctx->sp)) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    var = ctx->dataStack + ctx->sp + d_; \
  }

#define OFF2(k1) (1 + W_##k1)
#define OFF3(k1, k2) (1 + W_##k1 + W_##k2)

// ip points at the running instruction's opcode word. Only the pointer is kept: the code base and
// size are read from the state when a jump needs them, and native code (which may add code and so
// move the segment) is always called with the address saved and ip rebuilt from it afterwards.
#define PC() static_cast<ZILLong>(ip - ZILCode(ps))
#define RELOAD_AT(address) ip = ZILCode(ps) + (address)
#define FLUSH_COUNTER() \
  ps->instructionCounter += icount; \
  icount = 0

// Continues at a code address; every jump checks that it lands inside the code.
#define JUMP(address) \
  do { \
    ZILLong to_ = (address); \
    if (static_cast<uint32_t>(to_) >= static_cast<uint32_t>(ps->code.count)) { \
      badAddress = to_; \
      goto bad_address; \
    } \
    RELOAD_AT(to_); \
    NEXT_SEQUENTIAL(); \
  } while (0)

// Falling through to the next instruction needs no address check: an instruction that starts
// inside the code ends at most ZIL_CODE_PADDING - 1 words past its end, where the padding's zero
// words decode as `nop`, and `nop` checks the address. Every jump checks its target (JUMP).
#define NEXT_SEQUENTIAL() \
  do { \
    ++icount; \
    op = static_cast<uint32_t>(*ip); \
    if (op >= ZIL_OPCODE_COUNT) \
      goto illegal; \
    goto* kDispatch[op]; \
  } while (0)

#define STEP(len) \
  ip += (len); \
  NEXT_SEQUENTIAL()

#define SET_INT(slot, v) \
  if (!setInt(ps, (slot), (v))) \
  RAISE(ZIL_EXC_Allocation_Fail)
#define SET_FLOAT(slot, v) \
  if (!setFloat(ps, (slot), (v))) \
  RAISE(ZIL_EXC_Allocation_Fail)

#define PUSH_RETURN(address) \
  if (ctx->csp <= 0) \
    RAISE(ZIL_EXC_Stack_Overflow); \
  ctx->callStack[--ctx->csp] = (address)

#define CALL_NATIVE(type, msg, param, object) \
  { \
    ZILLong at_ = PC(); \
    FLUSH_COUNTER(); \
    err = ZILCallNative(ps, ctx, at_, (type), (msg), (param), (object)); \
    RELOAD_AT(at_); \
    if (err) \
      RAISE(err); \
  }

#define JUMP_FUNCTION(f, retLen) \
  { \
    ZILLong f_ = (f); \
    if (static_cast<uint32_t>(f_) >= static_cast<uint32_t>(ps->funcs.count)) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    const ZILFuncInfo& fi_ = ZILFuncs(ps)[f_]; \
    if (ZILTypeValid(ps, fi_.typeID) && ZILTypes(ps)[fi_.typeID].isNative) { \
      CALL_NATIVE(fi_.typeID, NTL_CallStatic, fi_.memberIndex, nullptr); \
      STEP(retLen); \
    } \
    PUSH_RETURN(PC() + (retLen)); \
    JUMP(fi_.codeAddress); \
  }

// ------------------------------------------------------------------------------------------------
// Handlers by family; each takes the operand kinds and the length of its member.

#define H_NOP(k1, k2, k3, k4, len) \
  { JUMP(PC() + (len)); }

#define H_ALLOC(k1, k2, k3, k4, len) \
  { \
    SLOT(k2, 2, d); \
    ZILHandle* h = nullptr; \
    ZILError e = ZILNewInstance(ps, ip[1], &h); \
    if (e) \
      RAISE(e == ZIL_ERR_Invalid_Handle_Type ? ZIL_EXC_Invalid_Operand : e); \
    storeSlot(ps, d, h); \
    STEP(len); \
  }

#define H_ALLOCA(k1, k2, k3, k4, len) \
  { \
    ZILHandle* h = nullptr; \
    ZILError e = allocArray(ps, ctx, ip[1], ip[2], &h); \
    if (e) \
      RAISE(e); \
    storeSlot(ps, R + (ip[3] & 31), h); \
    STEP(len); \
  }

#define H_ALLOCN(k1, k2, k3, k4, len) \
  { \
    ZILLong t = ip[1]; \
    if (!ZILTypeValid(ps, t) || !ZILTypes(ps)[t].isNative) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    ZILTypeInfo* ti = ZILTypes(ps) + t; \
    void* object = nullptr; \
    ZILLong at = PC(); \
    FLUSH_COUNTER(); \
    ctx->pc = at; \
    ps->nativePC = at; \
    ZILError e = ti->typeProc ? callTypeProc(ti, NTL_NewObject, nullptr, &object) : ZIL_EXC_Allocation_Fail; \
    RELOAD_AT(at); \
    if (e || !object) \
      RAISE(ZIL_EXC_Allocation_Fail); \
    ZILHandle* h = ZILTakeHandle(ps); \
    if (!h) { \
      callTypeProc(ZILTypes(ps) + t, NTL_DestroyObject, object, nullptr); \
      RAISE(ZIL_EXC_Allocation_Fail); \
    } \
    h->type = static_cast<uint16_t>(t); \
    h->payload.p = object; \
    storeSlot(ps, R + (ip[2] & 31), h); \
    STEP(len); \
  }

#define H_BRA(k1, k2, k3, k4, len) \
  { JUMP(wrapAdd(PC(), ip[1])); }

#define H_BRK(k1, k2, k3, k4, len) \
  { RAISE(ZIL_EXC_Break); }

#define H_CALLM(k1, k2, k3, k4, len) \
  { \
    ZILHandle* self = R[0]; \
    if (self->type == ZIL_TYPE_NULL) \
      RAISE(ZIL_EXC_Null_Reference); \
    if (!ZILTypeValid(ps, self->type)) \
      RAISE(ZIL_EXC_Unsupported_Type); \
    ZILLong m = ip[2]; \
    if (ZILTypes(ps)[self->type].isNative) { \
      ZILAddRef(self); \
      ZILLong at = PC(); \
      FLUSH_COUNTER(); \
      err = ZILCallNative(ps, ctx, at, self->type, NTL_CallMember, m, self->payload.p); \
      RELOAD_AT(at); \
      releaseHandle(ps, self); \
      if (err) \
        RAISE(err); \
      STEP(len); \
    } \
    ZILLong f = ZILMethodFunction(ps, self->type, m); \
    if (static_cast<uint32_t>(f) >= static_cast<uint32_t>(ps->funcs.count)) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    PUSH_RETURN(PC() + (len)); \
    JUMP(ZILFuncs(ps)[f].codeAddress); \
  }

#define H_CALLS(k1, k2, k3, k4, len) JUMP_FUNCTION(ip[1], len)

#define H_CALLN(k1, k2, k3, k4, len) \
  { \
    CALL_NATIVE(ip[1], NTL_CallStatic, ip[2], nullptr); \
    STEP(len); \
  }

#define H_CVF(k1, k2, k3, k4, len) \
  { \
    ZILLong v = R[ip[1] & 31]->payload.l; \
    SET_FLOAT(R + (ip[2] & 31), static_cast<ZILFloat>(v)); \
    STEP(len); \
  }

#define H_CVL(k1, k2, k3, k4, len) \
  { \
    ZILFloat v = R[ip[1] & 31]->payload.f; \
    SET_INT(R + (ip[2] & 31), floatToLong(v)); \
    STEP(len); \
  }

#define H_POPM(k1, k2, k3, k4, len) \
  { \
    ZILLong n = ip[1]; \
    if (n < 0 || n > ctx->dataSize - ZIL_REGISTER_COUNT - ctx->sp) \
      RAISE(ZIL_EXC_Stack_Overflow); \
    ZILLong sp_ = ctx->sp; \
    ZILHandle** const stack_ = ctx->dataStack; \
    for (ZILLong i = 0; i < n; ++i) { \
      ZILHandle* h_ = stack_[sp_++]; \
      ctx->sp = sp_; \
      releaseHandle(ps, h_); \
    } \
    STEP(len); \
  }

#define H_PUSHM(k1, k2, k3, k4, len) \
  { \
    ZILLong n = ip[1]; \
    if (n < 0 || n > ctx->sp) \
      RAISE(ZIL_EXC_Stack_Overflow); \
    for (ZILLong i = 0; i < n; ++i) \
      ctx->dataStack[--ctx->sp] = ZILNullRef(ps); \
    STEP(len); \
  }

#define H_POPR(k1, k2, k3, k4, len) \
  { \
    ZILLong first = ip[1], count = ip[2]; \
    if (first < 0 || count < 0 || first + count > ZIL_REGISTER_COUNT) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    ZILLong sp_ = ctx->sp; \
    if (count > ctx->dataSize - ZIL_REGISTER_COUNT - sp_) \
      RAISE(ZIL_EXC_Stack_Overflow); \
    /* sp is kept in a local and stored after each pop, never read back: a release that runs */ \
    /* code finds the stack as it should be, and the loop does not wait on its own stores.  */ \
    ZILHandle** const stack_ = ctx->dataStack; \
    for (ZILLong i = count - 1; i >= 0; --i) { \
      ZILHandle* h_ = stack_[sp_++]; \
      ctx->sp = sp_; \
      if (R[first + i] == h_) /* unchanged since the save: only the saved reference goes */ \
        --h_->refCount; \
      else \
        storeSlot(ps, R + first + i, h_); \
    } \
    STEP(len); \
  }

#define H_PUSHR(k1, k2, k3, k4, len) \
  { \
    ZILLong first = ip[1], count = ip[2]; \
    if (first < 0 || count < 0 || first + count > ZIL_REGISTER_COUNT) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    ZILLong sp_ = ctx->sp; \
    if (count > sp_) \
      RAISE(ZIL_EXC_Stack_Overflow); \
    ZILHandle** const stack_ = ctx->dataStack; \
    for (ZILLong i = 0; i < count; ++i) { \
      ZILHandle* h_ = R[first + i]; \
      ZILAddRef(h_); \
      stack_[--sp_] = h_; \
    } \
    ctx->sp = sp_; \
    STEP(len); \
  }

#define H_RET(k1, k2, k3, k4, len) \
  { \
    if (ctx->csp >= ctx->callSize) { \
      if (!ctx->resumer) \
        RAISE(ZIL_EXC_Stack_Overflow); \
      ctx->finished = 1; \
      goto switch_to_resumer; \
    } \
    ZILLong target = ctx->callStack[ctx->csp++]; \
    if (target == -1) { \
      ctx->pc = PC() + 1; \
      err = 0; \
      goto leave; \
    } \
    JUMP(target); \
  }

#define H_SIZE(k1, k2, k3, k4, len) \
  { \
    ZILHandle* s = R[ip[1] & 31]; \
    ZILLong n; \
    if (!sizeOf(s, &n)) \
      RAISE(ZIL_EXC_Unsupported_Type); \
    SET_INT(R + (ip[2] & 31), n); \
    STEP(len); \
  }

#define H_TYPE(k1, k2, k3, k4, len) \
  { \
    ZILLong t = R[ip[1] & 31]->type; \
    SET_INT(R + (ip[2] & 31), t); \
    STEP(len); \
  }

// One operand, in place.
#define H_UNARY(k1, len, FAMILY, OP) \
  { \
    SLOT(k1, 1, s); \
    ZILError e_ = FAMILY<OP>(ps, ip, *s); \
    if (e_) \
      RAISE(e_); \
    STEP(len); \
  }
#define H_DEC(k1, k2, k3, k4, len) H_UNARY(k1, len, unaryNumber, DecOp)
#define H_INC(k1, k2, k3, k4, len) H_UNARY(k1, len, unaryNumber, IncOp)
#define H_NEG(k1, k2, k3, k4, len) H_UNARY(k1, len, unaryNumber, NegOp)
#define H_NOT(k1, k2, k3, k4, len) H_UNARY(k1, len, unaryInt, NotOp)
#define H_UNOT(k1, k2, k3, k4, len) H_UNARY(k1, len, unaryInt, LogicalNotOp)
#define H_DECL(k1, k2, k3, k4, len) H_UNARY(k1, len, unaryInt, DecOp)
#define H_INCL(k1, k2, k3, k4, len) H_UNARY(k1, len, unaryInt, IncOp)
#define H_NEGL(k1, k2, k3, k4, len) H_UNARY(k1, len, unaryInt, NegOp)
#define H_DECF(k1, k2, k3, k4, len) H_UNARY(k1, len, unaryFloat, DecOp)
#define H_INCF(k1, k2, k3, k4, len) H_UNARY(k1, len, unaryFloat, IncOp)
#define H_NEGF(k1, k2, k3, k4, len) H_UNARY(k1, len, unaryFloat, NegOp)

// An int or float constant is written into a handle the destination owns instead of being
// shared: the value is the same, and the next in-place operation needs no new handle.
// The value comes straight from the constant's data record, which holds an int's or float's
// payload itself; the runtime handle made from it is needed only when the slot takes a handle.
#define H_MOVEH(k1, k2, k3, k4, len) \
  { \
    ZILLong ci = ip[1]; \
    if (static_cast<uint32_t>(ci) >= static_cast<uint32_t>(ps->data.count)) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    const ZILHandle* rec = ZILDataHandles(ps) + ci; \
    SLOT(k2, 2, d); \
    if ((rec->type == ZIL_TYPE_INT || rec->type == ZIL_TYPE_FLOAT) && ownedValue(*d, rec->type)) { \
      (*d)->payload = rec->payload; \
      STEP(len); \
    } \
    /* Otherwise the slot shares the constant's runtime handle; once made, the record's */ \
    /* reference-count word holds its pool index. */ \
    ZILHandle* c = __builtin_expect(ci < ps->constantsMaterialized && static_cast<uint32_t>(rec->refCount) < \
                                                                          static_cast<uint32_t>(ps->handleCapacity), \
                                    1) \
                       ? ps->handles[rec->refCount] \
                       : constantHandle(ps, ci); \
    if (!c) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    ZILAddRef(c); \
    storeSlot(ps, d, c); \
    STEP(len); \
  }

#define H_COPYH(k1, k2, k3, k4, len) \
  { \
    ZILLong ci = ip[1]; \
    if (static_cast<uint32_t>(ci) < static_cast<uint32_t>(ps->data.count)) { \
      const ZILHandle* rec = ZILDataHandles(ps) + ci; \
      if (rec->type == ZIL_TYPE_INT) { \
        ZILLong iv = rec->payload.l; \
        SLOT(k2, 2, dInt); \
        SET_INT(dInt, iv); \
        STEP(len); \
      } \
      if (rec->type == ZIL_TYPE_FLOAT) { \
        ZILFloat fv = rec->payload.f; \
        SLOT(k2, 2, dFloat); \
        SET_FLOAT(dFloat, fv); \
        STEP(len); \
      } \
    } \
    ZILHandle* c = constantHandle(ps, ci); \
    if (!c) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    ZILHandle* v = nullptr; \
    ZILError e = ZILCopyValue(ps, c, &v); \
    if (e) \
      RAISE(e); \
    pendingCopy = v; \
    SLOT(k2, 2, dSlot); \
    pendingCopy = nullptr; \
    storeSlot(ps, dSlot, v); \
    STEP(len); \
  }

#define H_TEST(k1, len, COND) \
  { \
    SLOT(k1, 1, s); \
    ZILLong v = (*s)->payload.l; \
    if (COND) \
      JUMP(wrapAdd(PC(), ip[OFF2(k1)])); \
    STEP(len); \
  }
#define H_TSTEQ(k1, k2, k3, k4, len) H_TEST(k1, len, v == 0)
#define H_TSTNE(k1, k2, k3, k4, len) H_TEST(k1, len, v != 0)

// Two operands, source first; the destination is changed in place.
#define H_BINARY(k1, k2, len, BODY) \
  { \
    SLOT(k1, 1, sSlot); \
    ZILHandle* s = *sSlot; \
    SLOT(k2, OFF2(k1), dSlot); \
    ZILHandle* d = *dSlot; \
    BODY; \
    STEP(len); \
  }

#define ARITH(FAMILY, OP) \
  { \
    ZILError e_ = FAMILY<OP>(ps, ip, s, d); \
    if (e_) \
      RAISE(e_); \
  }
#define H_ADD(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithNumbers, AddOp))
#define H_SUB(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithNumbers, SubOp))
#define H_MUL(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithNumbers, MulOp))
#define H_DIV(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithNumbers, DivOp))
#define H_MOD(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithNumbers, ModOp))
#define H_AND(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithBits, AndOp))
#define H_OR(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithBits, OrOp))
#define H_XOR(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithBits, XorOp))
#define H_ASL(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithBits, ShiftLeftOp))
#define H_LSL(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithBits, ShiftLeftOp))
#define H_ASR(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithBits, ShiftRightArithOp))
#define H_LSR(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithBits, ShiftRightLogicOp))
#define H_ADDL(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithInts, AddOp))
#define H_SUBL(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithInts, SubOp))
#define H_MULL(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithInts, MulOp))
#define H_DIVL(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithInts, DivOp))
#define H_MODL(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithInts, ModOp))
#define H_ADDF(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithFloats, AddOp))
#define H_SUBF(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithFloats, SubOp))
#define H_MULF(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithFloats, MulOp))
#define H_DIVF(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithFloats, DivOp))
#define H_MODF(k1, k2, k3, k4, len) H_BINARY(k1, k2, len, ARITH(arithFloats, ModOp))

// Three-address arithmetic (level 3): d = a op b, all registers.
#define H_THREE(len, FAMILY, OP) \
  { \
    ZILError e_ = FAMILY<OP>(ps, R[ip[1] & 31], R[ip[2] & 31], R + (ip[3] & 31)); \
    if (e_) \
      RAISE(e_); \
    STEP(len); \
  }
#define H_ADDL3(k1, k2, k3, k4, len) H_THREE(len, arithInts3, AddOp)
#define H_SUBL3(k1, k2, k3, k4, len) H_THREE(len, arithInts3, SubOp)
#define H_MULL3(k1, k2, k3, k4, len) H_THREE(len, arithInts3, MulOp)
#define H_DIVL3(k1, k2, k3, k4, len) H_THREE(len, arithInts3, DivOp)
#define H_MODL3(k1, k2, k3, k4, len) H_THREE(len, arithInts3, ModOp)
#define H_ADDF3(k1, k2, k3, k4, len) H_THREE(len, arithFloats3, AddOp)
#define H_SUBF3(k1, k2, k3, k4, len) H_THREE(len, arithFloats3, SubOp)
#define H_MULF3(k1, k2, k3, k4, len) H_THREE(len, arithFloats3, MulOp)
#define H_DIVF3(k1, k2, k3, k4, len) H_THREE(len, arithFloats3, DivOp)
#define H_MODF3(k1, k2, k3, k4, len) H_THREE(len, arithFloats3, ModOp)

// Int compare-and-branch (level 3): to the offset when b op a; a is a register, a stack slot or
// an immediate. Like the int compares, the payloads are read without a type check.
#define INT_OPERAND(K, off, var) \
  ZILLong var; \
  INT_OPERAND_##K(off, var)
#define INT_OPERAND_IMM(off, var) var = ip[(off)];
#define INT_OPERAND_R(off, var) var = R[ip[(off)] & 31]->payload.l;
#define INT_OPERAND_SD(off, var) \
  { \
    ZILHandle** s_; \
    SLOT_SD(off, s_) var = (*s_)->payload.l; \
  }
#define H_BRANCH_L(k1, k2, len, REL) \
  { \
    INT_OPERAND(k1, 1, a); \
    INT_OPERAND(k2, 2, b); \
    if (REL::holds(b, a)) \
      JUMP(wrapAdd(PC(), ip[3])); \
    STEP(len); \
  }
#define H_BEQL(k1, k2, k3, k4, len) H_BRANCH_L(k1, k2, len, EqualTest)
#define H_BNEL(k1, k2, k3, k4, len) H_BRANCH_L(k1, k2, len, NotEqualTest)
#define H_BGTL(k1, k2, k3, k4, len) H_BRANCH_L(k1, k2, len, GreaterTest)
#define H_BGEL(k1, k2, k3, k4, len) H_BRANCH_L(k1, k2, len, GreaterEqualTest)
#define H_BLTL(k1, k2, k3, k4, len) H_BRANCH_L(k1, k2, len, LessTest)
#define H_BLEL(k1, k2, k3, k4, len) H_BRANCH_L(k1, k2, len, LessEqualTest)

// The loop step (level 3): the int in the second operand goes up by one in place, as with `incl`,
// then the branch is taken when it stands in relation to the first.
#define H_STEP_BRANCH_L(k1, len, REL) \
  { \
    ZILHandle* i_ = R[ip[2] & 31]; \
    ZILError e_ = unaryInt<IncOp>(ps, ip, i_); \
    if (e_) \
      RAISE(e_); \
    const ZILLong b = i_->payload.l; \
    INT_OPERAND(k1, 1, a); \
    if (REL::holds(b, a)) \
      JUMP(wrapAdd(PC(), ip[3])); \
    STEP(len); \
  }
#define H_IBLTL(k1, k2, k3, k4, len) H_STEP_BRANCH_L(k1, len, LessTest)
#define H_IBLEL(k1, k2, k3, k4, len) H_STEP_BRANCH_L(k1, len, LessEqualTest)

// Multiply and add (level 3): d = a * b + c, computed before d is written.
#define H_MADF3(k1, k2, k3, k4, len) \
  { \
    ZILFloat v_ = 0; \
    const ZILError e_ = multiplyAddFloats(R[ip[1] & 31], R[ip[2] & 31], R[ip[3] & 31], &v_); \
    if (e_) \
      RAISE(e_); \
    SET_FLOAT(R + (ip[4] & 31), v_); \
    STEP(len); \
  }

#define H_STRADD(k1, k2, k3, k4, len) \
  H_BINARY(k1, k2, len, { \
    ZILError e = appendString(s, d); \
    if (e) \
      RAISE(e); \
  })
#define H_ARRCP(k1, k2, k3, k4, len) \
  H_BINARY(k1, k2, len, { \
    ZILError e = appendArray(ps, s, d, true); \
    if (e) \
      RAISE(e); \
  })
#define H_ARRMV(k1, k2, k3, k4, len) \
  H_BINARY(k1, k2, len, { \
    ZILError e = appendArray(ps, s, d, false); \
    if (e) \
      RAISE(e); \
  })

// Compares: a, b, dst; dst = new int (b op a).
#define H_COMPARE(k1, k2, k3, len, EXPR) \
  { \
    SLOT(k1, 1, aSlot); \
    ZILHandle* a = *aSlot; \
    SLOT(k2, OFF2(k1), bSlot); \
    ZILHandle* b = *bSlot; \
    SLOT(k3, OFF3(k1, k2), dSlot); \
    ZILLong result; \
    EXPR; \
    SET_INT(dSlot, result); \
    TEST_FOLLOWS(len, ip[OFF3(k1, k2)], result); \
    STEP(len); \
  }

// A compare is nearly always followed by a test of its result register. That test runs right
// here, saving a dispatch; it is counted and behaves exactly as when it runs by itself. The words
// after a compare are readable: they are code or the zero padding (which is not a test).
#define TEST_FOLLOWS(len, reg, result) \
  { \
    ZILLong next_ = ip[len]; \
    if ((next_ == ZOP_TSTNE_R_OFS || next_ == ZOP_TSTEQ_R_OFS) && ((ip[(len) + 1] ^ (reg)) & 31) == 0) { \
      ++icount; \
      if ((next_ == ZOP_TSTNE_R_OFS) == ((result) != 0)) \
        JUMP(wrapAdd(PC() + (len), ip[(len) + 2])); \
      STEP((len) + 3); \
    } \
  }
#define COMPARE_OR_RAISE(CALL) \
  { \
    ZILError e_ = CALL; \
    if (e_) \
      RAISE(e_); \
  }
#define H_CSEQ(k1, k2, k3, k4, len) \
  H_COMPARE(k1, k2, k3, len, COMPARE_OR_RAISE(compareNumbers<EqualTest>(a, b, &result)))
#define H_CSNE(k1, k2, k3, k4, len) \
  H_COMPARE(k1, k2, k3, len, COMPARE_OR_RAISE(compareNumbers<NotEqualTest>(a, b, &result)))
#define H_CSGT(k1, k2, k3, k4, len) \
  H_COMPARE(k1, k2, k3, len, COMPARE_OR_RAISE(compareNumbers<GreaterTest>(a, b, &result)))
#define H_CSGE(k1, k2, k3, k4, len) \
  H_COMPARE(k1, k2, k3, len, COMPARE_OR_RAISE(compareNumbers<GreaterEqualTest>(a, b, &result)))
#define H_CSLT(k1, k2, k3, k4, len) \
  H_COMPARE(k1, k2, k3, len, COMPARE_OR_RAISE(compareNumbers<LessTest>(a, b, &result)))
#define H_CSLE(k1, k2, k3, k4, len) \
  H_COMPARE(k1, k2, k3, len, COMPARE_OR_RAISE(compareNumbers<LessEqualTest>(a, b, &result)))
#define H_CSEQL(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareInts<EqualTest>(a, b))
#define H_CSNEL(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareInts<NotEqualTest>(a, b))
#define H_CSGTL(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareInts<GreaterTest>(a, b))
#define H_CSGEL(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareInts<GreaterEqualTest>(a, b))
#define H_CSLTL(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareInts<LessTest>(a, b))
#define H_CSLEL(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareInts<LessEqualTest>(a, b))
#define H_CSEQF(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareFloats<EqualTest>(a, b))
#define H_CSNEF(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareFloats<NotEqualTest>(a, b))
#define H_CSGTF(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareFloats<GreaterTest>(a, b))
#define H_CSGEF(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareFloats<GreaterEqualTest>(a, b))
#define H_CSLTF(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareFloats<LessTest>(a, b))
#define H_CSLEF(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = compareFloats<LessEqualTest>(a, b))
#define H_STREQ(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, COMPARE_OR_RAISE(compareStrings(a, b, true, &result)))
#define H_STRNE(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, COMPARE_OR_RAISE(compareStrings(a, b, false, &result)))
#define H_CMPREF(k1, k2, k3, k4, len) H_COMPARE(k1, k2, k3, len, result = a == b)

#define H_LDZ(k1, k2, k3, k4, len) \
  { \
    SLOT(k1, 1, dSlot); \
    SET_INT(dSlot, 0); \
    STEP(len); \
  }

#define H_SNUL(k1, k2, k3, k4, len) \
  { \
    ZILLong isNull = R[ip[1] & 31]->type == ZIL_TYPE_NULL; \
    SET_INT(R + (ip[2] & 31), isNull); \
    STEP(len); \
  }
#define H_SNNUL(k1, k2, k3, k4, len) \
  { \
    ZILLong notNull = R[ip[1] & 31]->type != ZIL_TYPE_NULL; \
    SET_INT(R + (ip[2] & 31), notNull); \
    STEP(len); \
  }

#define H_MOVE(k1, k2, k3, k4, len) \
  H_BINARY(k1, k2, len, { \
    ZILAddRef(s); \
    storeSlot(ps, dSlot, s); \
    (void)d; \
  })

#define H_WREF(k1, k2, k3, k4, len) \
  H_BINARY(k1, k2, len, { \
    ZILHandle* w = ZILWeakCopy(ps, s); \
    if (!w) \
      RAISE(ZIL_EXC_Allocation_Fail); \
    storeSlot(ps, dSlot, w); \
    (void)d; \
  })

// The copy may run a copy constructor, which may change the destination's container: the
// destination slot is decoded only after the copy exists.
#define H_COPY(k1, k2, k3, k4, len) \
  { \
    SLOT(k1, 1, sSlot); \
    ZILHandle* s = *sSlot; \
    if (s->type == ZIL_TYPE_INT) { \
      ZILLong iv = s->payload.l; \
      SLOT(k2, OFF2(k1), dInt); \
      SET_INT(dInt, iv); \
      STEP(len); \
    } \
    if (s->type == ZIL_TYPE_FLOAT) { \
      ZILFloat fv = s->payload.f; \
      SLOT(k2, OFF2(k1), dFloat); \
      SET_FLOAT(dFloat, fv); \
      STEP(len); \
    } \
    ZILHandle* v = nullptr; \
    ZILLong at = PC(); \
    FLUSH_COUNTER(); \
    ctx->pc = at; \
    ZILError e = copyHeldValue(ps, s, &v); \
    RELOAD_AT(at); \
    if (e) \
      RAISE(e); \
    pendingCopy = v; \
    SLOT(k2, OFF2(k1), dSlot); \
    pendingCopy = nullptr; \
    storeSlot(ps, dSlot, v); \
    STEP(len); \
  }

#define H_POP(k1, k2, k3, k4, len) \
  { \
    if (ctx->sp >= ctx->dataSize - ZIL_REGISTER_COUNT) \
      RAISE(ZIL_EXC_Stack_Overflow); \
    ZILHandle* popped = ctx->dataStack[ctx->sp++]; \
    pendingCopy = popped; \
    SLOT(k1, 1, dSlot); \
    storeSlot(ps, dSlot, popped); \
    pendingCopy = nullptr; \
    STEP(len); \
  }

#define H_PUSH(k1, k2, k3, k4, len) \
  { \
    SLOT(k1, 1, sSlot); \
    if (ctx->sp <= 0) \
      RAISE(ZIL_EXC_Stack_Overflow); \
    ZILHandle* s = *sSlot; \
    ZILAddRef(s); \
    ctx->dataStack[--ctx->sp] = s; \
    STEP(len); \
  }

#define H_POP0(k1, k2, k3, k4, len) \
  { \
    if (ctx->sp >= ctx->dataSize - ZIL_REGISTER_COUNT) \
      RAISE(ZIL_EXC_Stack_Overflow); \
    releaseHandle(ps, ctx->dataStack[ctx->sp++]); \
    STEP(len); \
  }

#define H_PUSH0(k1, k2, k3, k4, len) \
  { \
    if (ctx->sp <= 0) \
      RAISE(ZIL_EXC_Stack_Overflow); \
    ctx->dataStack[--ctx->sp] = ZILNullRef(ps); \
    STEP(len); \
  }

#define H_RTCHK(k1, k2, k3, k4, len) \
  { \
    SLOT(k2, 2, s); \
    ZILLong t = ip[1]; \
    ZILLong actual = (*s)->type; \
    if (!(actual == ZIL_TYPE_NULL || actual == t || \
          (actual == ZIL_TYPE_DELEGATE && ZILTypeValid(ps, t) && ZILTypes(ps)[t].family == ZIL_FAMILY_DELEGATE))) \
      RAISE(ZIL_EXC_Type_Mismatch); \
    STEP(len); \
  }

#define H_JSR(k1, k2, k3, k4, len) JSR_##k1(len)
#define JSR_IMM(len) \
  { \
    PUSH_RETURN(PC() + (len)); \
    JUMP(ip[1]); \
  }
#define JSR_SLOT(K, len) \
  { \
    SLOT(K, 1, s); \
    ZILLong target = (*s)->payload.l; \
    PUSH_RETURN(PC() + (len)); \
    JUMP(target); \
  }
#define JSR_R(len) JSR_SLOT(R, len)
#define JSR_RD(len) JSR_SLOT(RD, len)
#define JSR_RR(len) JSR_SLOT(RR, len)
#define JSR_SD(len) JSR_SLOT(SD, len)

#define H_NEWCTX(k1, k2, k3, k4, len) \
  { \
    ZILHandle* h = nullptr; \
    ZILError e = newCofunction(ps, ctx, ip[1], ip[2], ip[3], &h); \
    if (e) \
      RAISE(e); \
    storeSlot(ps, R + (ip[4] & 31), h); \
    STEP(len); \
  }

#define H_RESUME(k1, k2, k3, k4, len) \
  { \
    SLOT(k1, 1, s); \
    ZILHandle* h = *s; \
    if (h->type == ZIL_TYPE_NULL) \
      RAISE(ZIL_EXC_Null_Reference); \
    ZILContext* co = cofunctionOf(ps, h); \
    if (!co) \
      RAISE(ZIL_EXC_Unsupported_Type); \
    for (ZILContext* c = ctx; c; c = c->resumer) \
      if (c == co) \
        RAISE(ZIL_EXC_Invalid_Operand); \
    if (co->finished) { \
      storeSlot(ps, R + 1, ZILNullRef(ps)); \
      STEP(len); \
    } \
    ctx->pc = PC() + (len); \
    co->resumer = ctx; \
    ZILAddRef(h); \
    co->running = h; \
    ctx = co; \
    ps->current = ctx; \
    R = ctx->regs; \
    JUMP(ctx->pc); \
  }

#define H_YIELD(k1, k2, k3, k4, len) \
  { \
    if (!ctx->resumer) \
      RAISE(ZIL_EXC_Illegal_Instruction); \
    ctx->pc = PC() + 1; \
    goto switch_to_resumer; \
  }

#define H_NEWDG(k1, k2, k3, k4, len) \
  { \
    ZILLong t = ip[1], f = ip[2]; \
    if (!typeOfFamily(ps, t, ZIL_FAMILY_DELEGATE) || \
        static_cast<uint32_t>(f) >= static_cast<uint32_t>(ps->funcs.count)) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    ZILHandle* h = nullptr; \
    ZILError e = ZILNewDelegate(ps, t, f, nullptr, &h); \
    if (e) \
      RAISE(e); \
    storeSlot(ps, R + (ip[3] & 31), h); \
    STEP(len); \
  }

#define H_NEWDGM(k1, k2, k3, k4, len) \
  { \
    ZILLong t = ip[1], m = ip[2]; \
    ZILHandle* obj = R[ip[3] & 31]; \
    if (obj->type == ZIL_TYPE_NULL) \
      RAISE(ZIL_EXC_Null_Reference); \
    if (!typeOfFamily(ps, t, ZIL_FAMILY_DELEGATE)) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    ZILHandle* h = nullptr; \
    ZILError e = ZILNewDelegate(ps, t, m, obj, &h); \
    if (e) \
      RAISE(e); \
    storeSlot(ps, R + (ip[4] & 31), h); \
    STEP(len); \
  }

#define H_CALLDG(k1, k2, k3, k4, len) \
  { \
    SLOT(k1, 1, s); \
    ZILHandle* h = *s; \
    if (h->type == ZIL_TYPE_NULL) { \
      storeSlot(ps, R + 1, ZILNullRef(ps)); \
      STEP(len); \
    } \
    if (!isDelegate(ps, h)) \
      RAISE(ZIL_EXC_Unsupported_Type); \
    ZILDelegate* dg = static_cast<ZILDelegate*>(h->payload.p); \
    ZILHandle* obj = dg->object; \
    if (!obj) \
      JUMP_FUNCTION(dg->index, len); \
    if (obj->type == ZIL_TYPE_NULL) \
      RAISE(ZIL_EXC_Null_Reference); \
    if (!ZILTypeValid(ps, obj->type)) \
      RAISE(ZIL_EXC_Unsupported_Type); \
    if (ZILTypes(ps)[obj->type].isNative) { \
      ZILAddRef(h); \
      ZILLong at = PC(); \
      FLUSH_COUNTER(); \
      err = ZILCallNative(ps, ctx, at, obj->type, NTL_CallMember, dg->index, obj->payload.p); \
      RELOAD_AT(at); \
      releaseHandle(ps, h); \
      if (err) \
        RAISE(err); \
      STEP(len); \
    } \
    ZILLong f = ZILMethodFunction(ps, obj->type, dg->index); \
    if (static_cast<uint32_t>(f) >= static_cast<uint32_t>(ps->funcs.count)) \
      RAISE(ZIL_EXC_Invalid_Operand); \
    PUSH_RETURN(PC() + (len)); \
    ZILAddRef(obj); \
    storeSlot(ps, R, obj); \
    JUMP(ZILFuncs(ps)[f].codeAddress); \
  }

#define H_THROW(k1, k2, k3, k4, len) \
  { \
    ZILHandle* h = R[1]; \
    ZILAddRef(h); \
    if (ps->thrown) \
      releaseHandle(ps, ps->thrown); \
    ps->thrown = h; \
    RAISE(ZIL_EXC_Software); \
  }

// ------------------------------------------------------------------------------------------------

ZILError ZILExecute(ZILState* ps, ZILContext* ctx) {
  static void* const kDispatch[ZIL_OPCODE_COUNT] = {
#define ZIL_LABEL_ADDRESS(op, ...) &&L_##op,
      ZIL_OPCODE_LIST(ZIL_LABEL_ADDRESS)
#undef ZIL_LABEL_ADDRESS
  };

  ZILContext* const entry = ctx;
  ZILContext* const savedCurrent = ps->current;
  ps->current = ctx;
  ++ps->depth;
  ps->running = 1;

  const ZILLong* ip = nullptr;
  ZILLong badAddress = 0;
  ZILHandle** R = ctx->regs;
  uint64_t icount = 0;
  uint32_t op = 0;
  ZILError err = 0;
  // A handle held only by the running handler (popped or copied, not stored yet); released if
  // decoding its destination fails. Kept in memory (volatile): as a register variable the compiler
  // clears it on every dispatch.
  ZILHandle* volatile pendingCopy = nullptr;

  JUMP(ctx->pc);

#define ZIL_HANDLER(op, name, fam, mn, n, k1, k2, k3, k4, len) L_##op : H_##fam(k1, k2, k3, k4, len)
  ZIL_OPCODE_LIST(ZIL_HANDLER)
#undef ZIL_HANDLER

switch_to_resumer : {
  // Leaves the cofunction in ctx (yield, or its code returned) for the context that resumed it;
  // the resumer's r1 receives the cofunction's r1.
  ZILContext* co = ctx;
  ZILContext* back = co->resumer;
  ZILAddRef(co->regs[1]);
  storeSlot(ps, back->regs + 1, co->regs[1]);
  co->resumer = nullptr;
  ZILHandle* self = co->running;
  co->running = nullptr;
  ctx = back;
  ps->current = ctx;
  R = ctx->regs;
  if (self)
    releaseHandle(ps, self);  // may free co
  JUMP(ctx->pc);
}

illegal:
  err = ZIL_EXC_Illegal_Instruction;
  goto raise;

bad_address:
  FLUSH_COUNTER();
  ctx->pc = badAddress;
  ZILGenerateException(ps, ctx, ZIL_EXC_Invalid_Code_Address, badAddress);
  err = ZIL_EXC_Invalid_Code_Address;  // there is nowhere to continue
  goto leave;

raise : {
  FLUSH_COUNTER();
  if (pendingCopy) {
    releaseHandle(ps, pendingCopy);
    pendingCopy = nullptr;
  }
  // ip is inside the code here: every jump checked its target, and straight runs stop in the padding.
  ZILLong pc = PC();
  ZILLong length = static_cast<uint32_t>(*ip) < ZIL_OPCODE_COUNT ? kLength[*ip] : 1;
  ctx->pc = pc + length;
  err = ZILGenerateException(ps, ctx, err, pc);
  if (err == 0) {
    R = ctx->regs;
    JUMP(ctx->pc);
  }
  goto leave;
}

leave:
  FLUSH_COUNTER();
  // A run that ends inside a cofunction (an exception there) gives the cofunctions it passed
  // back to their handles: none of them is running any more.
  while (ctx != entry && ctx->resumer) {
    ZILContext* back = ctx->resumer;
    ZILHandle* self = ctx->running;
    ctx->resumer = nullptr;
    ctx->running = nullptr;
    ctx = back;
    if (self)
      releaseHandle(ps, self);
  }
  --ps->depth;
  ps->running = ps->depth > 0;
  ps->current = savedCurrent;
  return err;
}
