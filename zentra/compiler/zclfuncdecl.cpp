// zclfuncdecl.cpp - function and delegate declarations: kind, result, name and parameters, the
// checks of pass 0, cofunctions as thread types of their own, a declaration matched with its
// earlier one, and the body read over (pass 0) or compiled (pass 1).
#include <memory>

#include "zentra/compiler/zclcodegen.h"
#include "zentra/compiler/zcldecl.h"

namespace {

constexpr int kKindMask = kZCLFuncFunction | kZCLFuncMethod | kZCLFuncAccessor | kZCLFuncCofunction | kZCLFuncExplicit;

bool argsMatch(const std::vector<ZCLArg>& a, const std::vector<ZCLArg>& b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); i++) {
    const ZCLTypeDesc& x = a[i].type;
    const ZCLTypeDesc& y = b[i].type;
    if (x.type == ZIL_TYPE_VAR || y.type == ZIL_TYPE_VAR)
      continue;
    if (x.type != y.type || (x.type == ZIL_TYPE_ARRAY && x.elemType != y.elemType))
      return false;
  }
  return true;
}

// The earlier declaration of a function: same name and argument types; convertors, which all
// share one name and take nothing, are told apart by their result.
ZCLFunc* findFunction(ZCLClass* cls, const std::string& name, const std::vector<ZCLArg>& args,
                      const ZCLTypeDesc* convertorResult) {
  for (ZCLFunc* f : ZCLFunctionsNamed(cls, name))
    if (argsMatch(f->args, args) && (!convertorResult || (f->hasResult && f->result.type == convertorResult->type &&
                                                          f->result.elemType == convertorResult->elemType)))
      return f;
  return nullptr;
}

// The first difference between a declaration and an earlier one of the same signature.
ZILError compareDeclarations(const ZCLFunc* old, int flags, bool hasResult, const ZCLTypeDesc& result,
                             const std::vector<ZCLArg>& args) {
  if ((old->flags & kKindMask) != (flags & kKindMask))
    return ZCL_ERR_Function_Redefined_Kind;
  std::vector<std::pair<ZCLTypeDesc, ZCLTypeDesc>> pairs;
  if (old->hasResult != hasResult)
    return ZCL_ERR_Function_Redefined_Similar;
  if (hasResult)
    pairs.push_back({old->result, result});
  for (size_t i = 0; i < args.size(); i++)
    pairs.push_back({old->args[i].type, args[i].type});
  for (auto& [a, b] : pairs) {
    if ((a.type == ZIL_TYPE_VAR) != (b.type == ZIL_TYPE_VAR))
      return ZCL_ERR_Function_Redefined_Var_Conflict;
    if (a.type != b.type)
      return ZCL_ERR_Function_Redefined_Similar;
    if (a.isConst != b.isConst)
      return ZCL_ERR_Function_Redefined_Const;
    if (a.isRef != b.isRef)
      return ZCL_ERR_Function_Redefined_Reference;
    if (a.isWeak != b.isWeak)
      return ZCL_ERR_Function_Redefined_Weak;
    if (a.type != b.type || a.elemType != b.elemType)
      return ZCL_ERR_Function_Redefined_Similar;
  }
  return ZCL_OK;
}

// `( [type [name]] {, type [name]} )`
ZILError parseParameters(ZCLState* st, std::vector<ZCLArg>* args) {
  ZILError err = ZCLExpect(st, kTokLParen);
  if (err)
    return err;
  if (ZCLPeek(st) == kTokRParen) {
    ZCLNext(st);
    return ZCL_OK;
  }
  for (;;) {
    ZCLArg arg;
    err = ZCLParseRequiredType(st, &arg.type);
    if (err)
      return err;
    if (ZCLPeek(st, &arg.name) == kTokIdentifier)
      ZCLNext(st);
    else
      arg.name.clear();
    args->push_back(std::move(arg));
    err = ZCLNext(st);
    if (err)
      return err;
    if (st->tokId == kTokRParen)
      return ZCL_OK;
    if (st->tokId != kTokComma)
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  }
}

// What a function declaration says before its body: its kind, result, name, the class it
// belongs to (a cofunction's thread type once the thread is known) and its parameters.
struct FunctionHead {
  int flags = 0;
  size_t kindPos = 0;
  bool hasResult = false;
  ZCLTypeDesc result;
  std::string unknown;  // a leading identifier that names no type
  std::string name;
  size_t namePos = 0;
  ZCLClass* owner = nullptr;
  std::vector<ZCLArg> args;
  bool hasBody = false;
  size_t bodyPos = 0;
  bool nativeOwner = false;
  bool isCtor = false;
  bool isConvertor = false;
};

// The kind keyword and an optional result type (a type followed by the name).
ZILError readKindAndResult(ZCLState* st, FunctionHead* h) {
  ZILError err = ZCLNext(st);  // the kind
  if (err)
    return err;
  h->kindPos = st->tokStart;
  switch (st->tokId) {
    case kTokFunction: h->flags |= kZCLFuncFunction; break;
    case kTokMethod: h->flags |= kZCLFuncMethod; break;
    case kTokAccessor: h->flags |= kZCLFuncAccessor; break;
    case kTokCofunction: h->flags |= kZCLFuncCofunction; break;
    case kTokExplicit: h->flags |= kZCLFuncMethod | kZCLFuncExplicit; break;
    default: return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  }
  const size_t at = ZCLFileGetPosition(st->file);
  ZCLTypeDesc d;
  err = ZCLParseType(st, &d, &h->unknown);
  if (err == ZCL_OK) {
    if (ZCLIsNameToken(ZCLPeek(st))) {
      h->hasResult = true;
      h->result = d;
    } else {
      ZCLFileSetPosition(st->file, at);
    }
  } else if (err != ZCL_ERR_Not_A_Type_Declaration) {
    return err;
  }
  return ZCL_OK;
}

// The name, `Class::name` for a method defined outside its class.
ZILError readName(ZCLState* st, ZCLClass* scope, FunctionHead* h) {
  ZILError err = ZCLNext(st);
  if (err)
    return err;
  if (!ZCLIsNameToken(st->tokId))
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  h->name = st->tok;
  h->namePos = st->tokStart;
  h->owner = scope;
  if (ZCLPeek(st) != kTokScope)
    return ZCL_OK;
  const std::string& name = h->name;
  if (scope->typeId != kZCLGlobalClassId)
    return ZCLError(st, name.c_str(), ZCL_ERR_Unexpected_Token);
  ZCLTypeDesc d;
  const bool found = ZCLLookupTypeName(st, name, &d) && st->aliases.count(name) == 0;
  h->owner = found ? ZCLClassAt(st, d.type) : nullptr;
  if (!h->owner)
    return ZCLError(st, name.c_str(), ZCL_ERR_Undefined_Identifier);
  if (h->owner->family != ZIL_FAMILY_CLASS)
    return ZCLError(st, name.c_str(), ZCL_ERR_Method_Definition_Not_Allowed);
  if (!h->owner->hasBody)
    return ZCLError(st, name.c_str(), ZCL_ERR_Class_Has_No_Body);
  ZCLNext(st);
  if ((err = ZCLNext(st)))
    return err;
  if (!ZCLIsNameToken(st->tokId))
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  h->name = st->tok;
  h->namePos = st->tokStart;
  return ZCL_OK;
}

ZILError readHead(ZCLState* st, ZCLClass* scope, FunctionHead* h) {
  ZILError err = ZCL_OK;
  if ((err = readKindAndResult(st, h)) || (err = readName(st, scope, h)))
    return err;
  if (ZCLPeek(st) != kTokLParen && !h->unknown.empty() && !h->hasResult) {
    st->tokStart = ZCLNextTokenStart(st->file);
    return ZCLErrorAt(st, h->namePos, h->unknown.c_str(), ZCL_ERR_Undefined_Identifier);
  }
  if ((err = parseParameters(st, &h->args)) || (err = ZCLNextAfterStatement(st)))
    return err;
  h->hasBody = st->tokId == kTokLBrace;
  if (!h->hasBody && st->tokId != kTokSemicolon)
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Missing_Semicolon);
  h->bodyPos = st->tokStart;
  const bool inClass = h->owner->typeId != kZCLGlobalClassId;
  h->nativeOwner = inClass && ZCLIsNativeClass(h->owner);
  h->isCtor = inClass && h->name == h->owner->name;
  h->isConvertor = h->name == "convertor";
  if (h->isCtor)
    h->flags |= kZCLFuncConstructor;
  if (h->isConvertor)
    h->flags |= kZCLFuncConvertor;
  return ZCL_OK;
}

// Pass 0: what the kind, name and signature allow together.
ZILError checkHead(ZCLState* st, FunctionHead* h) {
  const int flags = h->flags;
  auto fail = [&](ZILError code) {
    return ZCLErrorAt(st, h->namePos, h->name.c_str(), code);
  };
  if (h->owner->typeId == kZCLGlobalClassId && (flags & (kZCLFuncMethod | kZCLFuncAccessor)))
    return ZCLErrorAt(st, h->kindPos, h->name.c_str(), ZCL_ERR_Member_Function_Outside_Class);
  if (h->isCtor && !(flags & kZCLFuncMethod))
    return fail(ZCL_ERR_Constructor_Not_Method);
  if (h->isConvertor && !(flags & kZCLFuncMethod))
    return fail(ZCL_ERR_Convertor_Not_Method);
  if ((flags & kZCLFuncExplicit) && !h->isCtor && !h->isConvertor)
    return fail(ZCL_ERR_Explicit_Misused);
  if (h->isCtor && h->hasResult)
    return fail(ZCL_ERR_Constructor_Returns_Value);
  if (h->isConvertor && !h->hasResult)
    return fail(ZCL_ERR_Convertor_Needs_Result);
  if (h->isConvertor && !h->args.empty())
    return fail(ZCL_ERR_Convertor_Has_Arguments);
  const size_t n = h->args.size();
  if ((flags & kZCLFuncAccessor) && !((n == 0 && h->hasResult) || (n == 1 && !h->hasResult)))
    return fail(ZCL_ERR_Bad_Accessor_Signature);
  if ((flags & kZCLFuncCofunction) && h->nativeOwner)
    return fail(ZCL_ERR_Native_Cofunction);
  if (h->hasBody && h->nativeOwner)
    return fail(ZCL_ERR_Reimplement_Native_Function);
  if (h->hasBody && h->owner->family == ZIL_FAMILY_INTERFACE)
    return fail(ZCL_ERR_Method_Definition_Not_Allowed);
  if (h->isCtor && !h->nativeOwner && h->owner->family == ZIL_FAMILY_CLASS)
    h->flags |= kZCLFuncStrict;
  return ZCL_OK;
}

// A cofunction is a thread type of its own whose one function is the cofunction's code: the
// type becomes the owner (made in pass 0).
ZILError ownCofunction(ZCLState* st, FunctionHead* h) {
  const std::string typeName = ZCLQualifiedName(h->owner, h->name);
  ZCLTypeDesc d;
  const bool exists = ZCLLookupTypeName(st, typeName, &d);
  ZCLClass* thread = exists ? ZCLClassAt(st, d.type) : nullptr;
  if (st->pass == 0) {
    if (exists && (!thread || thread->family != ZIL_FAMILY_THREAD))
      return ZCLErrorAt(st, h->namePos, h->name.c_str(), ZCL_ERR_Identifier_Already_Defined);
    if (!thread) {
      int id = 0;
      ZILError err = ZCLCreateType(st, typeName, ZIL_FAMILY_THREAD, false, &id);
      if (err)
        return err;
      thread = st->classes[id].get();
      thread->hasBody = true;
    }
  } else if (!thread) {
    return ZCLErrorAt(st, h->namePos, h->name.c_str(), ZCL_ERR_Undefined_Identifier);
  }
  h->owner = thread;
  return ZCL_OK;
}

// Pass 0 adds the function or checks it against its earlier declaration; pass 1 finds it.
ZILError declare(ZCLState* st, FunctionHead* h, ZCLFunc** out) {
  const std::string& name = h->name;
  ZCLFunc* func = findFunction(h->owner, name, h->args, h->isConvertor && h->hasResult ? &h->result : nullptr);
  if (st->pass != 0) {
    if (!func)
      return ZCLErrorAt(st, h->namePos, name.c_str(), ZCL_ERR_Undefined_Identifier);
    *out = func;
    return ZCL_OK;
  }
  if (func) {
    if (h->hasBody && func->defined)
      return ZCLErrorAt(st, h->namePos, name.c_str(), ZCL_ERR_Function_Already_Defined);
    const int ignored = kZCLFuncStrict | kZCLFuncConstructor | kZCLFuncConvertor;
    if ((h->flags & ~ignored & kKindMask) != (func->flags & ~ignored & kKindMask))
      return ZCLErrorAt(st, h->namePos, name.c_str(), ZCL_ERR_Function_Redefined_Kind);
    if (ZILError diff = compareDeclarations(func, func->flags, h->hasResult, h->result, h->args))
      return ZCLErrorAt(st, h->namePos, name.c_str(), diff);
    func->flags |= h->flags & kZCLFuncStrict;
  } else {
    auto f = std::make_unique<ZCLFunc>(st);
    f->name = name;
    f->flags = h->flags;
    f->hasResult = h->hasResult;
    f->result = h->result;
    f->args = h->args;
    f->optimizeLevel = ZCLOptions(st).optimize;
    if (ZILError err = ZCLAddFunction(st, h->owner, std::move(f), &func))
      return err;
  }
  if (h->hasBody || h->nativeOwner)
    func->defined = true;
  *out = func;
  return ZCL_OK;
}

// The body: read over in pass 0, compiled in pass 1.
ZILError readBody(ZCLState* st, const FunctionHead& h, ZCLFunc* func) {
  ZCLFileSetPosition(st->file, h.bodyPos);
  if (st->pass == 0)
    return ZCLSkipBody(st);
  // The body sees the names of its own definition, not those of an earlier declaration (or
  // of the interface the function was copied from).
  for (size_t i = 0; i < h.args.size() && i < func->args.size(); i++)
    func->args[i].name = h.args[i].name;
  const int savedClass = st->currentClass, savedFunc = st->currentFunction;
  st->currentClass = h.owner->typeId;
  st->currentFunction = func->index;
  ZILError err = ZCLCompileFunctionBody(st, func);
  st->currentClass = savedClass;
  st->currentFunction = savedFunc;
  return err;
}

}  // namespace

ZILError ZCLParseFunction(ZCLState* st, ZCLClass* scope, int extraFlags) {
  FunctionHead h;
  h.flags = extraFlags;
  ZILError err = readHead(st, scope, &h);
  if (!err && st->pass == 0)
    err = checkHead(st, &h);
  if (!err && (h.flags & kZCLFuncCofunction))
    err = ownCofunction(st, &h);
  ZCLFunc* func = nullptr;
  if (err || (err = declare(st, &h, &func)) || (h.hasBody && (err = readBody(st, h, func))))
    return err;
  return ZCLParseTag(st, &func->tag);
}

ZILError ZCLParseDelegate(ZCLState* st, ZCLClass* scope) {
  ZCLNext(st);  // `delegate`
  bool hasResult = false;
  ZCLTypeDesc result;
  size_t at = ZCLFileGetPosition(st->file);
  ZCLTypeDesc d;
  ZILError err = ZCLParseType(st, &d);
  if (err == ZCL_OK) {
    if (ZCLPeek(st) == kTokIdentifier) {
      hasResult = true;
      result = d;
    } else {
      ZCLFileSetPosition(st->file, at);
    }
  } else if (err != ZCL_ERR_Not_A_Type_Declaration) {
    return err;
  }
  if ((err = ZCLNext(st)))
    return err;
  if (st->tokId != kTokIdentifier)
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  const std::string name = ZCLQualifiedName(scope, st->tok);
  const size_t namePos = st->tokStart;
  std::vector<ZCLArg> args;
  if ((err = parseParameters(st, &args)) || (err = ZCLExpectSemicolon(st)))
    return err;
  int typeId = 0;
  if (st->pass == 0) {
    ZCLTypeDesc existing;
    if (ZCLLookupTypeName(st, name, &existing))
      return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Identifier_Already_Defined);
    if ((err = ZCLFindOrMakeDelegate(st, name, hasResult, result, args, &typeId)))
      return err;
    ZCLClass* dg = st->classes[typeId].get();
    if (dg->name != name) {
      st->aliases[name] = ZCLMakeType(typeId);
      dg->aliases.push_back(name);
    }
    return ZCLParseTag(st, &dg->tag);
  }
  return ZCLParseTag(st, nullptr);
}
