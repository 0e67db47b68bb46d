// Typing of simple initial values of global variables in pass 0: literals, names of globals and
// calls of global functions and `Class::function`, with arguments of the same
// kinds. Calls are resolved by overload (ZCL_ERR_No_Matching_Function, ZCL_ERR_Ambiguous_Call)
// and the value is checked against the variable's type (ZCL_ERR_Incompatible_Type,
// ZCL_ERR_Needs_Type_Cast). Anything else (operators, members, literals of functions) is not
// judged here; the expression compiler handles every form.
#include "zentra/compiler/zclcalltype.h"

#include "zentra/compiler/zclexplain.h"
#include "zentra/compiler/zclparse.h"

namespace {

constexpr int kMaxDepth = 32;

// 0: typed; kNotSimple: a form this reader does not judge (position restored by the caller);
// other codes: reported errors.
constexpr ZILError kNotSimple = -1;

ZILError typeValue(ZCLState* st, ZCLTypeDesc* out, int depth);

ZILError typeArguments(ZCLState* st, std::vector<ZCLTypeDesc>* args, int depth) {
  ZCLNext(st);  // `(`
  if (ZCLPeek(st) == kTokRParen) {
    ZCLNext(st);
    return ZCL_OK;
  }
  for (;;) {
    ZCLTypeDesc d;
    ZILError err = typeValue(st, &d, depth + 1);
    if (err)
      return err;
    args->push_back(d);
    if (ZCLNext(st))
      return kNotSimple;
    if (st->tokId == kTokRParen)
      return ZCL_OK;
    if (st->tokId != kTokComma)
      return kNotSimple;
  }
}

ZILError resolveCall(ZCLState* st, ZCLClass* cls, const std::string& name, size_t namePos,
                     const std::vector<ZCLTypeDesc>& args, ZCLTypeDesc* out) {
  ZCLFunc* f = nullptr;
  ZCLTypeDesc none;
  ZILError err = ZCLResolveOverload(st, cls, name, args, false, none, &f);
  if (err)
    return ZCLErrorAt(st, namePos, name.c_str(), err, ZCLCallDetail(st, cls, name, args));
  *out = (f->flags & kZCLFuncConstructor) ? ZCLMakeType(cls->typeId) : f->hasResult ? f->result : ZCLMakeType(0);
  return ZCL_OK;
}

bool hasFunction(ZCLClass* cls, const std::string& name) { return !ZCLFunctionsNamed(cls, name).empty(); }

ZILError typeValue(ZCLState* st, ZCLTypeDesc* out, int depth) {
  if (depth > kMaxDepth || ZCLNext(st))
    return kNotSimple;
  bool negative = false;
  if (st->tokId == kTokMinus) {
    negative = true;
    if (ZCLNext(st))
      return kNotSimple;
  }
  switch (st->tokId) {
    case kTokIntLiteral:
    case kTokCharLiteral:
    case kTokTrue:
    case kTokFalse: *out = ZCLMakeType(ZIL_TYPE_INT); break;
    case kTokFloatLiteral: *out = ZCLMakeType(ZIL_TYPE_FLOAT); break;
    case kTokStringLiteral: *out = ZCLMakeType(ZIL_TYPE_STRING); break;
    case kTokIdentifier: {
      if (negative)
        return kNotSimple;
      const std::string name = st->tok;
      const size_t namePos = st->tokStart;
      ZCLClass* global = ZCLGlobalScope(st);
      int next = ZCLPeek(st);
      ZCLTypeDesc typeDesc;
      const bool isType = ZCLLookupTypeName(st, name, &typeDesc) && st->aliases.count(name) == 0;
      if (next == kTokScope && isType) {
        ZCLNext(st);
        if (ZCLNext(st) || st->tokId != kTokIdentifier || ZCLPeek(st) != kTokLParen)
          return kNotSimple;
        const std::string member = st->tok;
        const size_t memberPos = st->tokStart;
        ZCLClass* cls = ZCLClassAt(st, typeDesc.type);
        if (!cls)
          return kNotSimple;
        std::vector<ZCLTypeDesc> args;
        ZILError err = typeArguments(st, &args, depth);
        if (err)
          return err;
        if (!hasFunction(cls, member))
          return ZCLErrorAt(st, memberPos, member.c_str(), ZCL_ERR_Undefined_Identifier);
        return resolveCall(st, cls, member, memberPos, args, out);
      }
      if (next == kTokLParen) {
        if (isType)
          return kNotSimple;  // a constructor called directly (ZCL_ERR_Cannot_Call_Constructor) or a cast
        std::vector<ZCLTypeDesc> args;
        ZILError err = typeArguments(st, &args, depth);
        if (err)
          return err;
        if (hasFunction(global, name))
          return resolveCall(st, global, name, namePos, args, out);
        for (int id : ZCLOptions(st).usingList)
          if (ZCLClass* used = ZCLClassAt(st, id); used && hasFunction(used, name))
            return resolveCall(st, used, name, namePos, args, out);
        for (auto& m : global->members)
          if (m.name == name)
            return kNotSimple;  // a delegate variable's call
        return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Undefined_Identifier);
      }
      for (auto& m : global->members)
        if (m.name == name) {
          *out = m.type;
          out->isConst = 0;
          return ZCL_OK;
        }
      if (isType || hasFunction(global, name))
        return kNotSimple;  // a function reference or a type used as a value
      return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Undefined_Identifier);
    }
    default: return kNotSimple;
  }
  if (negative && out->type == ZIL_TYPE_STRING)
    return kNotSimple;
  return ZCL_OK;
}

}  // namespace

ZILError ZCLCheckSimpleInitializer(ZCLState* st, const ZCLTypeDesc& target, bool* judged) {
  *judged = false;
  const size_t start = ZCLFileGetPosition(st->file);
  const size_t tokStart = st->tokStart;
  // What the look at the value reported (a token that does not read) is reported again by
  // the compile of the value that follows: once is enough.
  const ZCLDiagSnapshot messages = ZCLDiagSave(&st->diag);
  ZCLTypeDesc value;
  const size_t valuePos = ZCLNextTokenStart(st->file);
  ZILError err = typeValue(st, &value, 0);
  int next = ZCLPeek(st);
  if (err == ZCL_OK && !(next == kTokComma || next == kTokSemicolon))
    err = kNotSimple;
  if (err == kNotSimple) {
    ZCLDiagRestore(&st->diag, messages);
    ZCLFileSetPosition(st->file, start);
    st->tokStart = tokStart;
    return ZCL_OK;
  }
  if (err)
    return err;
  *judged = true;
  if (value.type == ZIL_TYPE_NULL)
    return ZCL_OK;
  ZCLCompat compat = ZCLTypeCompatible(st, target, value);
  if (compat == kZCLIncompatible)
    return ZCLErrorAt(st, valuePos, nullptr, ZCL_ERR_Incompatible_Type, ZCLConversionText(st, value, target));
  if (compat == kZCLExplicitOnly)
    return ZCLErrorAt(st, valuePos, nullptr, ZCL_ERR_Needs_Type_Cast, ZCLCastDetail(st, value, target));
  return ZCL_OK;
}
