// zclexpr.cpp - expressions: precedence parsing that emits as it reads, the operators with their
// instruction chosen by operand type (int `l` forms, float `f` forms, generic forms for `var`,
// string forms), primaries, postfix and unary operators, and assignment with compound operators.
#include <cstdio>
#include <cstdlib>

#include "zentra/compiler/zclcodegen.h"
#include "zentra/compiler/zclconstant.h"
#include "zentra/compiler/zclexplain.h"
#include "zentra/compiler/zclexpr.h"

namespace {

ZILError parseUnary(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want);

// Brings both operands to a common numeric type (int or float, or var when either is var).
ZILError unify(ZCLGen* g, ZCLVar** a, ZCLVar** b, int* type) {
  ZILError err = ZCL_OK;
  if (ZCLIsNumeric(*a) && ZCLIsNumeric(*b)) {
    if (ZCLIsFloat(*a) || ZCLIsFloat(*b)) {
      *type = ZIL_TYPE_FLOAT;
      if ((err = ZCLConvert(g, *a, ZCLMakeType(ZIL_TYPE_FLOAT), a)))
        return err;
      return ZCLConvert(g, *b, ZCLMakeType(ZIL_TYPE_FLOAT), b);
    }
    *type = ZIL_TYPE_INT;
    return ZCL_OK;
  }
  if ((*a)->type.type == ZIL_TYPE_VAR || (*b)->type.type == ZIL_TYPE_VAR) {
    *type = ZIL_TYPE_VAR;
    return ZCL_OK;
  }
  return ZCLError(g->st, g->st->tok.c_str(), ZCL_ERR_Incompatible_Type);
}

// dst = dst op src with dst a register; the source may be in any slot kind.
ZILError emitInPlace(ZCLGen* g, ZILFamily family, ZCLVar* src, ZCLVar* dst) {
  if (src->mode != kZCLModeRegister && dst->mode != kZCLModeRegister) {
    ZCLVar* r = nullptr;
    ZILError err = ZCLToRegister(g, src, &r);
    if (err)
      return err;
    src = r;
  }
  ZILError err = ZCLEmit(g, family, {ZCLOp(g, src), ZCLOp(g, dst)});
  ZCLRelease(g, src);
  return err;
}

ZILError compare(ZCLGen* g, int op, ZCLVar* a, ZCLVar* b, ZCLVar** out) {
  ZILError err = ZCL_OK;
  ZCLVar* t = nullptr;
  if (b->isNull && (op == kTokEq || op == kTokNe)) {
    ZCLVar* r = nullptr;
    if ((err = ZCLToRegister(g, a, &r)) || (err = ZCLMakeTempVar(g, ZCLMakeType(ZIL_TYPE_INT), &t)))
      return err;
    err = ZCLEmit(g, op == kTokEq ? ZFAM_SNUL : ZFAM_SNNUL, {ZCLOp(g, r), ZCLOp(g, t)});
    ZCLRelease(g, r);
    *out = t;
    return err;
  }
  static const ZILFamily kCompares[] = {ZFAM_CSEQ, ZFAM_CSGT, ZFAM_CSGE, ZFAM_CSLT, ZFAM_CSLE, ZFAM_CSNE};
  const ZILFamily base = kCompares[op == kTokEq   ? 0
                                   : op == kTokGt ? 1
                                   : op == kTokGe ? 2
                                   : op == kTokLt ? 3
                                   : op == kTokLe ? 4
                                                  : 5];
  ZILFamily family = ZFAM_NOP;
  if (a->type.type == ZIL_TYPE_STRING && b->type.type == ZIL_TYPE_STRING && (op == kTokEq || op == kTokNe)) {
    family = op == kTokEq ? ZFAM_STREQ : ZFAM_STRNE;
  } else if (ZCLIsNumeric(a) || ZCLIsNumeric(b) || a->type.type == ZIL_TYPE_VAR || b->type.type == ZIL_TYPE_VAR) {
    int type = 0;
    if ((err = unify(g, &a, &b, &type)))
      return err;
    family = ZCLTypedFamily(base, type);
  } else if (op == kTokEq || op == kTokNe) {
    // References of other types compare by identity.
    ZCLVar *ra = nullptr, *rb = nullptr;
    if ((err = ZCLToRegister(g, a, &ra)) || (err = ZCLToRegister(g, b, &rb)) ||
        (err = ZCLMakeTempVar(g, ZCLMakeType(ZIL_TYPE_INT), &t)))
      return err;
    err = ZCLEmit(g, ZFAM_CMPREF, {ZCLOp(g, ra), ZCLOp(g, rb), ZCLOp(g, t)});
    ZCLRelease(g, ra);
    ZCLRelease(g, rb);
    if (!err && op == kTokNe)
      err = ZCLEmit(g, ZFAM_UNOT, {ZCLOp(g, t)});
    *out = t;
    return err;
  } else {
    return ZCLError(g->st, g->st->tok.c_str(), ZCL_ERR_Incompatible_Type);
  }
  // cs.. a, b, dst compares b with a: the left operand goes second.
  ZCLVar* left = nullptr;
  if ((err = ZCLToRegister(g, a, &left)))
    return err;
  ZCLVar* right = b;
  if ((err = ZCLMakeTempVar(g, ZCLMakeType(ZIL_TYPE_INT), &t)))
    return err;
  err = ZCLEmit(g, family, {ZCLOp(g, right), ZCLOp(g, left), ZCLOp(g, t)});
  ZCLRelease(g, left);
  ZCLRelease(g, right);
  *out = t;
  return err;
}

// Binary levels from `|` (0) to `*` (6).
int levelOf(int tok) {
  switch (tok) {
    case kTokBitOr: return 0;
    case kTokXor: return 1;
    case kTokBitAnd: return 2;
    case kTokEq:
    case kTokNe: return 3;
    case kTokLt:
    case kTokLe:
    case kTokGt:
    case kTokGe: return 4;
    case kTokShl:
    case kTokShr: return 5;
    case kTokPlus:
    case kTokMinus: return 6;
    case kTokMul:
    case kTokDiv:
    case kTokMod: return 7;
    default: return -1;
  }
}

ZILError parseBinary(ZCLGen* g, int level, ZCLVar** out, const ZCLTypeDesc* want) {
  if (level > 7)
    return parseUnary(g, out, want);
  ZCLVar* a = nullptr;
  ZILError err = parseBinary(g, level + 1, &a, want);
  if (err)
    return err;
  for (;;) {
    int op = ZCLPeek(g->st);
    if (levelOf(op) != level)
      break;
    ZCLNext(g->st);
    ZCLVar* b = nullptr;
    if ((err = parseBinary(g, level + 1, &b, level == 3 ? nullptr : want)))
      return err;
    if (level == 3 || level == 4)
      err = compare(g, op, a, b, &a);
    else
      err = ZCLBinaryArith(g, op, a, b, &a);
    if (err)
      return err;
  }
  *out = a;
  return ZCL_OK;
}

// && and ||: the right operand is skipped when the left decides.
ZILError parseLogical(ZCLGen* g, bool isOr, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLVar* a = nullptr;
  ZILError err = isOr ? parseLogical(g, false, &a, want) : parseBinary(g, 0, &a, want);
  if (err)
    return err;
  while (ZCLPeek(g->st) == (isOr ? kTokOr : kTokAnd)) {
    ZCLNext(g->st);
    ZCLVar* t = nullptr;
    if ((err = ZCLToWritable(g, a, &t)))
      return err;
    if (!t->temp)
      return ZCLGenFatal(g, "First operand is not a temp-var!", "cg_logical");
    size_t at = 0;
    if ((err = ZCLEmit(g, isOr ? ZFAM_TSTNE : ZFAM_TSTEQ, {ZCLOp(g, t), ZCLOfs(0)}, &at)))
      return err;
    size_t word = g->func->code.size() - 1;
    ZCLVar* b = nullptr;
    if ((err = isOr ? parseLogical(g, false, &b, want) : parseBinary(g, 0, &b, want)))
      return err;
    if ((err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, b), ZCLOp(g, t)})))
      return err;
    ZCLRelease(g, b);
    t->shared = true;
    t->type = ZCLMakeType(ZIL_TYPE_INT);
    ZCLPatchBranch(g, at, word, g->func->code.size());
    a = t;
  }
  *out = a;
  return ZCL_OK;
}

// typeof ( x ), sameref ( a, b ), __rtchk ( lvalue ).
ZILError parseBuiltin(ZCLGen* g, int id, ZCLVar** out) {
  ZCLState* st = g->st;
  size_t pos = st->tokStart;
  ZILError err = ZCLExpect(st, kTokLParen);
  ZCLVar* a = nullptr;
  if (err || (err = ZCLParseAssign(g, &a, nullptr)))
    return err;
  ZCLVar* t = nullptr;
  if (id == kTokTypeof) {
    if (a->type.type == ZIL_TYPE_VAR)
      return ZCLErrorAt(st, pos, "typeof", ZCL_ERR_Typeof_Var);
    ZCLRelease(g, a);
    ZCLPendingLiteral lit{};
    lit.kind = kZCLLiteralInt;
    lit.l = a->type.type;
    if ((err = ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_INT), &t)))
      return err;
  } else if (id == kTokSameref) {
    ZCLVar* b = nullptr;
    if ((err = ZCLExpect(st, kTokComma)) || (err = ZCLParseAssign(g, &b, nullptr)))
      return err;
    ZCLVar *ra = nullptr, *rb = nullptr;
    if ((err = ZCLToRegister(g, a, &ra)) || (err = ZCLToRegister(g, b, &rb)) ||
        (err = ZCLMakeTempVar(g, ZCLMakeType(ZIL_TYPE_INT), &t)) ||
        (err = ZCLEmit(g, ZFAM_CMPREF, {ZCLOp(g, ra), ZCLOp(g, rb), ZCLOp(g, t)})))
      return err;
    ZCLRelease(g, ra);
    ZCLRelease(g, rb);
  } else {
    if (!a->lvalue)
      return ZCLErrorAt(st, pos, "__rtchk", ZCL_ERR_Not_An_LValue);
    if ((err = ZCLEmit(g, ZFAM_RTCHK, {ZCLTypeOp(a->type.type), ZCLOp(g, a)})))
      return err;
    t = a;
  }
  if ((err = ZCLExpect(st, kTokRParen)))
    return err;
  *out = t;
  return ZCL_OK;
}

// An int or char literal read: an int constant, or a float one where a float is wanted.
ZILError parseIntLiteral(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  ZCLPendingLiteral lit{};
  int32_t v = 0;
  if (st->tokId == kTokCharLiteral) {
    if (ZCLCharLiteralValue(st->tok, &v))
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Invalid_Character_Literal);
  } else {
    v = static_cast<int32_t>(std::strtoll(st->tok.c_str(), nullptr, 10));
  }
  if (want && want->type == ZIL_TYPE_FLOAT) {
    lit.kind = kZCLLiteralFloat;
    lit.f = v;
    return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_FLOAT), out);
  }
  lit.kind = kZCLLiteralInt;
  lit.l = v;
  return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_INT), out);
}

// After `(`: a cast `(type) value`, or an expression in parentheses.
ZILError parseParenthesised(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  ZILError err = ZCL_OK;
  size_t at = ZCLFileGetPosition(st->file);
  ZCLTypeDesc cast;
  err = ZCLParseType(st, &cast);
  if (err == ZCL_OK && ZCLPeek(st) == kTokRParen) {
    ZCLNext(st);
    ZCLVar* v = nullptr;
    if ((err = parseUnary(g, &v, &cast)))
      return err;
    if (v->type.type == ZIL_TYPE_VAR) {
      ZCLVar* r = nullptr;
      if ((err = ZCLToRegister(g, v, &r)))
        return err;
      r->type = cast;
      *out = r;
      return ZCL_OK;
    }
    return ZCLConvertAs(g, v, cast, true, out);
  }
  if (err != ZCL_OK && err != ZCL_ERR_Not_A_Type_Declaration)
    return err;
  ZCLFileSetPosition(st->file, at);
  if ((err = ZCLParseAssign(g, out, want)))
    return err;
  return ZCLExpect(st, kTokRParen);
}

// A name read: `Class::name`, a call, a variable, an accessor of `this`, a function as a value,
// or a constant.
ZILError parseName(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  std::string name = st->tok;
  size_t pos = st->tokStart;
  ZCLTypeDesc scope;
  if (ZCLPeek(st) == kTokScope && ZCLLookupTypeName(st, name, &scope)) {
    ZCLNext(st);
    ZCLClass* c = ZCLClassAt(st, scope.type);
    if (!c || (c->family != ZIL_FAMILY_CLASS && c->family != ZIL_FAMILY_INTERFACE))
      return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Not_A_Class);
    return ZCLParseQualified(g, c, out, want);
  }
  if (ZCLPeek(st) == kTokLParen) {
    ZCLVar* callee = nullptr;
    if (ZCLFindVariable(g, name, &callee))
      return ZCLParseVariableCall(g, callee, pos, out);
    return ZCLParseCall(g, name, pos, out, want);
  }
  if (ZCLVar* v = nullptr; ZCLFindVariable(g, name, &v)) {
    *out = v;
    return ZCL_OK;
  }
  if (g->isMethod && g->cls) {
    // An accessor of the class by its bare name works on `this`.
    ZCLFunc *getter = nullptr, *setter = nullptr;
    for (auto& f : g->cls->funcs)
      if (f->name == name && (f->flags & kZCLFuncAccessor))
        (f->args.empty() ? getter : setter) = f.get();
    if (getter || setter) {
      ZCLVar* self = ZCLNewVar(g, ZCLMakeType(g->cls->typeId));
      self->mode = kZCLModeRegister;
      self->reg = 0;
      return ZCLUseAccessor(g, g->cls, self, name, pos, getter, setter, out);
    }
  }
  if (ZCLHasFunction(ZCLFunctionHome(g, name), name))
    return ZCLFunctionReference(g, name, pos, out, want);
  return ZCLLookupName(g, name, false, out);
}

ZILError parsePrimary(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  ZILError err = ZCLNext(st);
  if (err)
    return err;
  ZCLPendingLiteral lit{};
  switch (st->tokId) {
    case kTokIntLiteral:
    case kTokCharLiteral: return parseIntLiteral(g, out, want);
    case kTokTrue:
    case kTokFalse:
      lit.kind = kZCLLiteralInt;
      lit.l = st->tokId == kTokTrue ? 1 : 0;
      return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_INT), out);
    case kTokFloatLiteral:
      lit.kind = kZCLLiteralFloat;
      lit.f = ZCLFloatLiteralValue(st->tok);
      return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_FLOAT), out);
    case kTokStringLiteral:
      lit.kind = kZCLLiteralString;
      lit.s = st->tok;
      return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_STRING), out);
    case kTokNull: {
      ZCLVar* v = ZCLNewVar(g, want ? *want : ZCLMakeType(ZIL_TYPE_NULL));
      v->isNull = true;
      *out = v;
      return ZCL_OK;
    }
    case kTokThis: {
      if (!g->isMethod)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Method_Without_Object);
      ZCLVar* v = ZCLNewVar(g, ZCLMakeType(g->cls->typeId));
      v->mode = kZCLModeRegister;
      v->reg = 0;
      *out = v;
      return ZCL_OK;
    }
    case kTokLParen: return parseParenthesised(g, out, want);
    case kTokNew: return ZCLParseNew(g, out);
    case kTokFunction:
    case kTokMethod: return ZCLParseFunctionLiteral(g, st->tokId == kTokMethod, out, want);
    case kTokTypeof:
    case kTokSameref:
    case kTokRtchk: return parseBuiltin(g, st->tokId, out);
    case kTokLBrace: return ZCLParseArrayLiteral(g, out, want);
    case kTokScope: {
      if ((err = ZCLExpect(st, kTokIdentifier)))
        return err;
      return ZCLLookupName(g, st->tok, true, out);
    }
    case kTokString:
    case kTokArray:
      // Built-in classes whose names are keywords, qualified: `string::format(...)`.
      if (ZCLPeek(st) != kTokScope)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
      [[fallthrough]];
    case kTokIdentifier: return parseName(g, out, want);
    default: return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  }
}

ZILError parsePostfix(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLVar* v = nullptr;
  ZILError err = parsePrimary(g, &v, want);
  if (err)
    return err;
  for (;;) {
    int id = ZCLPeek(g->st);
    if (id == kTokDot) {
      ZCLNext(g->st);
      if ((err = ZCLParseMember(g, v, &v, want)))
        return err;
      continue;
    }
    if (id == kTokLParen) {
      // A call of a computed value: (expr)(...), a[i](...), f()(...).
      ZCLClass* c = ZCLClassAt(g->st, v->type.type);
      if (!c || (c->family != ZIL_FAMILY_DELEGATE && c->family != ZIL_FAMILY_THREAD))
        return ZCLErrorAt(g->st, ZCLNextTokenStart(g->st->file), v->name.c_str(), ZCL_ERR_Not_A_Delegate);
      if ((err = ZCLParseVariableCall(g, v, ZCLNextTokenStart(g->st->file), &v)))
        return err;
      continue;
    }
    if (id == kTokLBracket) {
      ZCLNext(g->st);
      if (v->type.type != ZIL_TYPE_ARRAY && v->type.type != ZIL_TYPE_VAR)
        return ZCLError(g->st, g->st->tok.c_str(), ZCL_ERR_Not_An_Array);
      ZCLVar* arr = nullptr;
      ZCLVar* index = nullptr;
      ZCLTypeDesc intType = ZCLMakeType(ZIL_TYPE_INT);
      if ((err = ZCLToRegister(g, v, &arr)) || (err = ZCLParseAssign(g, &index, &intType)) ||
          (err = ZCLToRegister(g, index, &index)) || (err = ZCLExpect(g->st, kTokRBracket)))
        return err;
      ZCLTypeDesc et = ZCLMakeType(v->type.type == ZIL_TYPE_ARRAY ? v->type.elemType : ZIL_TYPE_VAR);
      ZCLVar* e = ZCLNewVar(g, et);
      e->mode = kZCLModeElement;
      e->reg = arr->reg;
      e->index = index;
      e->lvalue = true;
      e->temp = true;
      e->shared = true;
      if (arr->temp)
        e->base = arr;
      v = e;
      continue;
    }
    if (id == kTokInc || id == kTokDec) {
      ZCLNext(g->st);
      if (!v->lvalue)
        return ZCLError(g->st, g->st->tok.c_str(), ZCL_ERR_Not_An_LValue);
      if (v->constant)
        return ZCLError(g->st, g->st->tok.c_str(), ZCL_ERR_LValue_Is_Constant);
      ZCLVar* before = nullptr;
      size_t copyAt = 0, stepAt = 0;
      if ((err = ZCLMakeTempVar(g, v->type, &before)) ||
          (err = ZCLEmit(g, ZFAM_COPY, {ZCLOp(g, v), ZCLOp(g, before)}, &copyAt)))
        return err;
      const ZILFamily family = ZCLTypedFamily(id == kTokInc ? ZFAM_INC : ZFAM_DEC, v->type.type);
      if ((err = ZCLEmit(g, family, {ZCLOp(g, v)}, &stepAt)))
        return err;
      g->postfixOld = before;
      g->postfixCopyAt = copyAt;
      g->postfixStepAt = stepAt;
      ZCLRelease(g, v);
      v = before;
      continue;
    }
    break;
  }
  *out = v;
  return ZCL_OK;
}

ZILError parseUnary(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  ZCLDepthGuard guard(g);
  if (guard.tooDeep()) {
    ZCLNext(st);
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_General_Parser_Error);
  }
  int id = ZCLPeek(st);
  if (id == kTokInc || id == kTokDec || id == kTokPlus) {
    ZCLNext(st);
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  }
  if (id != kTokMinus && id != kTokNot && id != kTokBitNot)
    return parsePostfix(g, out, want);
  ZCLNext(st);
  if (id == kTokMinus && ZCLPeek(st) == kTokIntLiteral) {
    // A negative integer literal is folded.
    ZCLNext(st);
    ZCLPendingLiteral lit{};
    int64_t v = -std::strtoll(st->tok.c_str(), nullptr, 10);
    if (want && want->type == ZIL_TYPE_FLOAT) {
      lit.kind = kZCLLiteralFloat;
      lit.f = static_cast<double>(v);
      return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_FLOAT), out);
    }
    lit.kind = kZCLLiteralInt;
    lit.l = static_cast<int32_t>(v);
    return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_INT), out);
  }
  ZCLVar* v = nullptr;
  ZILError err = parseUnary(g, &v, want);
  if (err)
    return err;
  ZCLVar* t = nullptr;
  if ((err = ZCLToWritable(g, v, &t)))
    return err;
  ZILFamily family = ZFAM_NOP;
  if (id == kTokMinus) {
    if (!ZCLIsNumeric(t) && t->type.type != ZIL_TYPE_VAR)
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Incompatible_Type);
    family = ZCLTypedFamily(ZFAM_NEG, t->type.type);
  } else {
    if (!ZCLIsInt(t) && t->type.type != ZIL_TYPE_VAR)
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Incompatible_Type);
    family = id == kTokNot ? ZFAM_UNOT : ZFAM_NOT;
    t->type = ZCLMakeType(ZIL_TYPE_INT);
  }
  if ((err = ZCLEmit(g, family, {ZCLOp(g, t)})))
    return err;
  *out = t;
  return ZCL_OK;
}

const char* compoundBase(int tok) {
  switch (tok) {
    case kTokAddAssign: return "+";
    case kTokSubAssign: return "-";
    case kTokMulAssign: return "*";
    case kTokDivAssign: return "/";
    case kTokModAssign: return "%";
    case kTokAndAssign: return "&";
    case kTokOrAssign: return "|";
    case kTokXorAssign: return "^";
    case kTokShlAssign: return "<<";
    case kTokShrAssign: return ">>";
    default: return nullptr;
  }
}

}  // namespace

ZILError ZCLBinaryArith(ZCLGen* g, int op, ZCLVar* a, ZCLVar* b, ZCLVar** out) {
  ZILError err = ZCL_OK;
  if (op == kTokPlus && a->type.type == ZIL_TYPE_STRING) {
    // Other values are turned into strings first (by the string class's constructors).
    if (b->type.type != ZIL_TYPE_STRING && b->type.type != ZIL_TYPE_VAR &&
        (err = ZCLConvertAs(g, b, ZCLMakeType(ZIL_TYPE_STRING), true, &b)))
      return err;
    ZCLVar* t = nullptr;
    if ((err = ZCLToWritable(g, a, &t)))
      return err;
    if ((err = emitInPlace(g, ZFAM_STRADD, b, t)))
      return err;
    *out = t;
    return ZCL_OK;
  }
  ZILFamily base = ZFAM_NOP;
  bool intOnly = false;
  switch (op) {
    case kTokPlus: base = ZFAM_ADD; break;
    case kTokMinus: base = ZFAM_SUB; break;
    case kTokMul: base = ZFAM_MUL; break;
    case kTokDiv: base = ZFAM_DIV; break;
    case kTokMod: base = ZFAM_MOD; break;
    case kTokBitAnd:
      base = ZFAM_AND;
      intOnly = true;
      break;
    case kTokBitOr:
      base = ZFAM_OR;
      intOnly = true;
      break;
    case kTokXor:
      base = ZFAM_XOR;
      intOnly = true;
      break;
    case kTokShl:
      base = ZFAM_ASL;
      intOnly = true;
      break;
    case kTokShr:
      base = ZFAM_ASR;
      intOnly = true;
      break;
    default: return ZCLError(g->st, g->st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  }
  int type = 0;
  if ((err = unify(g, &a, &b, &type)))
    return err;
  if (intOnly && type == ZIL_TYPE_FLOAT)
    return ZCLError(g->st, g->st->tok.c_str(), ZCL_ERR_Incompatible_Type);
  ZCLVar* t = nullptr;
  if ((err = ZCLToWritable(g, a, &t)))
    return err;
  t->type = ZCLMakeType(type);
  if ((err = emitInPlace(g, intOnly ? base : ZCLTypedFamily(base, type), b, t)))
    return err;
  *out = t;
  return ZCL_OK;
}

int ZCLCompoundOp(int tok) {
  static const int map[][2] = {{kTokAddAssign, kTokPlus}, {kTokSubAssign, kTokMinus}, {kTokMulAssign, kTokMul},
                               {kTokDivAssign, kTokDiv},  {kTokModAssign, kTokMod},   {kTokAndAssign, kTokBitAnd},
                               {kTokOrAssign, kTokBitOr}, {kTokXorAssign, kTokXor},   {kTokShlAssign, kTokShl},
                               {kTokShrAssign, kTokShr}};
  for (auto& m : map)
    if (m[0] == tok)
      return m[1];
  return 0;
}

ZILError ZCLParseAssign(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  ZCLDepthGuard guard(g);
  if (guard.tooDeep()) {
    ZCLNext(st);
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_General_Parser_Error);
  }
  ZCLVar* lhs = nullptr;
  const size_t lhsPos = ZCLNextTokenStart(st->file);
  ZILError err = parseLogical(g, true, &lhs, want);
  if (err)
    return err;
  int id = ZCLPeek(st);
  if (id != kTokAssign && !compoundBase(id)) {
    *out = lhs;
    return ZCL_OK;
  }
  ZCLNext(st);
  size_t opPos = st->tokStart;
  std::string opText = st->tok;
  if (!lhs->lvalue)
    return ZCLErrorAt(st, opPos, opText.c_str(), ZCL_ERR_Not_An_LValue);
  if (lhs->constant)
    return ZCLErrorAt(st, lhsPos, lhs->name.c_str(), ZCL_ERR_LValue_Is_Constant);
  ZCLVar* rhs = nullptr;
  if ((err = ZCLParseAssign(g, &rhs, &lhs->type)))
    return err;
  if (id == kTokAssign) {
    if ((err = ZCLAssignInto(g, lhs, rhs, false)))
      return err;
    *out = lhs;
    return ZCL_OK;
  }
  int op = ZCLCompoundOp(id);
  if (op == kTokPlus && lhs->type.type == ZIL_TYPE_ARRAY) {
    // array += value appends: the elements of an array value, or the value itself. Values
    // others can see are appended as copies, a fresh temporary as it is.
    ZCLVar* r = nullptr;
    if ((err = ZCLToRegister(g, rhs, &r)))
      return err;
    if ((err = emitInPlace(g, r->shared || r->literal ? ZFAM_ARRCP : ZFAM_ARRMV, r, lhs)))
      return err;
    *out = lhs;
    return ZCL_OK;
  }
  if (op == kTokPlus && lhs->type.type == ZIL_TYPE_STRING) {
    if (rhs->type.type != ZIL_TYPE_STRING && rhs->type.type != ZIL_TYPE_VAR &&
        (err = ZCLConvertAs(g, rhs, ZCLMakeType(ZIL_TYPE_STRING), true, &rhs)))
      return err;
    if ((err = emitInPlace(g, ZFAM_STRADD, rhs, lhs)))
      return err;
  } else if (ZCLIsNumeric(lhs) || lhs->type.type == ZIL_TYPE_VAR) {
    ZCLVar* r = nullptr;
    if ((err = ZCLConvert(g, rhs, lhs->type, &r)))
      return err;
    ZILFamily family = ZFAM_NOP;
    switch (op) {
      case kTokPlus: family = ZFAM_ADD; break;
      case kTokMinus: family = ZFAM_SUB; break;
      case kTokMul: family = ZFAM_MUL; break;
      case kTokDiv: family = ZFAM_DIV; break;
      case kTokMod: family = ZFAM_MOD; break;
      case kTokBitAnd: family = ZFAM_AND; break;
      case kTokBitOr: family = ZFAM_OR; break;
      case kTokXor: family = ZFAM_XOR; break;
      case kTokShl: family = ZFAM_ASL; break;
      default: family = ZFAM_ASR; break;
    }
    bool arith = op == kTokPlus || op == kTokMinus || op == kTokMul || op == kTokDiv || op == kTokMod;
    if (arith)
      family = ZCLTypedFamily(family, lhs->type.type);
    else if (ZCLIsFloat(lhs))
      return ZCLErrorAt(st, opPos, opText.c_str(), ZCL_ERR_Incompatible_Type);
    if ((err = emitInPlace(g, family, r, lhs)))
      return err;
  } else {
    return ZCLErrorAt(st, opPos, opText.c_str(), ZCL_ERR_Incompatible_Type);
  }
  *out = lhs;
  return ZCL_OK;
}

ZILError ZCLParseExpression(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want) { return ZCLParseAssign(g, out, want); }
