// zclassign.cpp - conversions and assignment: values into registers and writable temporaries,
// conversions between types (with casts), and the store of a value into a variable by move,
// copy or weak reference.
#include <cstdio>
#include <cstdlib>

#include "zentra/compiler/zclcodegen.h"
#include "zentra/compiler/zclconstant.h"
#include "zentra/compiler/zclexplain.h"
#include "zentra/compiler/zclexpr.h"

ZILError ZCLToRegister(ZCLGen* g, ZCLVar* v, ZCLVar** out) {
  if (v->mode == kZCLModeRegister) {
    *out = v;
    return ZCL_OK;
  }
  ZCLVar* t = nullptr;
  ZILError err = ZCLMakeTempVar(g, v->type, &t);
  if (err)
    return err;
  if (v->isNull) {
    // push puts the null handle on the stack; pop takes it into the register.
    if ((err = ZCLEmit(g, ZFAM_PUSH, {})) || (err = ZCLEmit(g, ZFAM_POP, {ZCLOp(g, t)})))
      return err;
  } else if ((err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, v), ZCLOp(g, t)}))) {
    return err;
  }
  t->shared = !v->isNull;
  t->literal = v->literal;
  t->isNull = v->isNull;
  ZCLRelease(g, v);
  *out = t;
  return ZCL_OK;
}

ZILError ZCLToWritable(ZCLGen* g, ZCLVar* v, ZCLVar** out) {
  if (v->temp && v->mode == kZCLModeRegister && !v->shared) {
    *out = v;
    return ZCL_OK;
  }
  ZCLVar* src = v;
  ZILError err = ZCL_OK;
  if (v->isNull && (err = ZCLToRegister(g, v, &src)))
    return err;
  ZCLVar* t = nullptr;
  if ((err = ZCLMakeTempVar(g, src->type, &t)))
    return err;
  if ((err = ZCLEmit(g, ZFAM_COPY, {ZCLOp(g, src), ZCLOp(g, t)})))
    return err;
  t->type.isConst = 0;
  ZCLRelease(g, src);
  *out = t;
  return ZCL_OK;
}

ZILError ZCLConvert(ZCLGen* g, ZCLVar* v, const ZCLTypeDesc& to, ZCLVar** out) {
  return ZCLConvertAs(g, v, to, false, out);
}

ZILError ZCLConvertAs(ZCLGen* g, ZCLVar* v, const ZCLTypeDesc& to, bool cast, ZCLVar** out) {
  ZCLState* st = g->st;
  *out = v;
  if (v->isNull || to.type == ZIL_TYPE_VAR || to.type == v->type.type)
    return ZCL_OK;
  ZILError err = ZCL_OK;
  if ((to.type == ZIL_TYPE_FLOAT && ZCLIsInt(v)) || (to.type == ZIL_TYPE_INT && ZCLIsFloat(v))) {
    ZCLVar* r = nullptr;
    ZCLVar* t = nullptr;
    if ((err = ZCLToRegister(g, v, &r)) || (err = ZCLMakeTempVar(g, ZCLMakeType(to.type), &t)))
      return err;
    if (!cast)
      ZCLWarning(st, nullptr, to.type == ZIL_TYPE_INT ? ZCL_WARN_Float_To_Int : ZCL_WARN_Int_To_Float);
    err = ZCLEmit(g, to.type == ZIL_TYPE_FLOAT ? ZFAM_CVF : ZFAM_CVL, {ZCLOp(g, r), ZCLOp(g, t)});
    ZCLRelease(g, r);
    *out = t;
    return err;
  }
  if (v->type.type == ZIL_TYPE_VAR)
    return ZCL_OK;  // checked where it is stored
  ZCLCompat c = ZCLTypeCompatible(st, to, v->type);
  if (c == kZCLIdentical)
    return ZCL_OK;
  if (c == kZCLExplicitOnly && !cast)
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Needs_Type_Cast, ZCLCastDetail(st, v->type, to));
  if (c == kZCLIncompatible)
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Incompatible_Type, ZCLConversionText(st, v->type, to));
  // Through the source's convertor to the target type, else the target's constructor.
  ZCLClass* src = ZCLClassAt(st, v->type.type);
  ZCLClass* dst = ZCLClassAt(st, to.type);
  if (src)
    for (auto& f : src->funcs)
      if ((f->flags & kZCLFuncConvertor) && f->hasResult && ZCLTypeIdentical(st, to, f->result) &&
          (cast || !(f->flags & kZCLFuncExplicit))) {
        ZCLVar* object = nullptr;
        if ((err = ZCLToRegister(g, v, &object)))
          return err;
        std::vector<ZCLVar*> none;
        err = ZCLEmitCall(g, src, f.get(), object, none, out);
        ZCLRelease(g, object);
        return err;
      }
  if (dst)
    for (auto& f : dst->funcs)
      if ((f->flags & kZCLFuncConstructor) && f->args.size() == 1 && (cast || !(f->flags & kZCLFuncExplicit))) {
        ZCLCompat a = ZCLTypeCompatible(st, f->args[0].type, v->type);
        if (a != kZCLIdentical)
          continue;
        std::vector<ZCLVar*> args{v};
        return ZCLEmitConstruct(g, dst, f.get(), args, out);
      }
  return ZCLError(st, st->tok.c_str(), ZCL_ERR_Incompatible_Type, ZCLConversionText(st, v->type, to));
}

ZILError ZCLAssignInto(ZCLGen* g, ZCLVar* dst, ZCLVar* src, bool initialising) {
  ZCLState* st = g->st;
  (void)initialising;
  ZILError err = ZCL_OK;
  if (g->isConstructor && dst->mode == kZCLModeMember && dst->reg == 0 && dst->member >= 0 &&
      static_cast<size_t>(dst->member) < g->membersSet.size())
    g->membersSet[static_cast<size_t>(dst->member)] = true;
  if (src->isNull) {
    if (ZCLIsValueType(dst->type))
      ZCLWarning(st, nullptr, ZCL_WARN_Null_To_Value);
    ZCLVar* r = nullptr;
    if ((err = ZCLToRegister(g, src, &r)) || (err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, r), ZCLOp(g, dst)})))
      return err;
    ZCLRelease(g, r);
    return ZCL_OK;
  }
  bool typeless = src->type.type == ZIL_TYPE_VAR && dst->type.type != ZIL_TYPE_VAR;
  if (typeless)
    ZCLWarning(st, nullptr, ZCL_WARN_Typeless_To_Type);
  if (src->type.isWeak && !dst->type.isWeak)
    ZCLWarning(st, nullptr, ZCL_WARN_Reference_From_Weak);
  if ((err = ZCLConvert(g, src, dst->type, &src)))
    return err;
  ZILFamily family = ZFAM_MOVE;
  if (dst->type.isWeak) {
    if (src->temp && !src->shared)
      ZCLWarning(st, nullptr, ZCL_WARN_Temporary_To_Weak);
    family = ZFAM_WREF;
  } else if (ZCLIsValueType(dst->type) || (typeless && ZCLIsValueType(dst->type))) {
    // Copied into a variable even from a temporary: the copy lands in the variable's own
    // handle, while a move would share the temporary's handle and make its next in-place
    // result take a new one. The result register r1 takes a temporary's handle as it is.
    bool intoResult = dst->mode == kZCLModeRegister && dst->reg == 1;
    family = src->temp && !src->shared && intoResult ? ZFAM_MOVE : ZFAM_COPY;
  } else if (dst->type.type == ZIL_TYPE_VAR && ZCLIsValueType(src->type) && !(src->temp && !src->shared)) {
    // A number stored into a var gets its own handle: the var's in-place arithmetic must not
    // change a constant or the variable it came from.
    family = ZFAM_COPY;
  } else if (src->literal && dst->type.type != ZIL_TYPE_VAR) {
    ZCLWarning(st, nullptr, ZCL_WARN_Constant_To_Reference);
    family = ZFAM_COPY;
  } else if (src->type.type == ZIL_TYPE_VAR && src->shared) {
    family = ZFAM_MOVE;
  }
  if (src->mode != kZCLModeRegister && dst->mode != kZCLModeRegister && dst->mode == kZCLModeElement &&
      src->mode == kZCLModeElement) {
    ZCLVar* r = nullptr;
    if ((err = ZCLToRegister(g, src, &r)))
      return err;
    src = r;
  }
  if ((err = ZCLEmit(g, family, {ZCLOp(g, src), ZCLOp(g, dst)})))
    return err;
  ZCLRelease(g, src);
  if (typeless && ZCLOptions(st).useRtchk) {
    ZCLClass* c = ZCLClassAt(st, dst->type.type);
    if (!c || c->family != ZIL_FAMILY_INTERFACE)
      err = ZCLEmit(g, ZFAM_RTCHK, {ZCLTypeOp(dst->type.type), ZCLOp(g, dst)});
  }
  dst->initialised = true;
  return err;
}
