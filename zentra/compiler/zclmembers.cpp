// zclmembers.cpp - names and what they reach: locals, arguments, members and globals by name,
// `Class::name`, member access with accessors and methods, calls through a delegate or
// cofunction held in a variable, and functions as values (references and function literals).
#include <cstdio>
#include <cstdlib>

#include "zentra/compiler/zclcodegen.h"
#include "zentra/compiler/zclconstant.h"
#include "zentra/compiler/zclexplain.h"
#include "zentra/compiler/zclexpr.h"

namespace {

bool signatureMatches(ZCLState* st, ZCLFunc* f, ZCLClass* dg) {
  if (f->args.size() != dg->dgArgs.size() || f->hasResult != dg->dgHasResult)
    return false;
  if (f->hasResult && !ZCLTypeIdentical(st, dg->dgResult, f->result))
    return false;
  for (size_t i = 0; i < f->args.size(); i++)
    if (!ZCLTypeIdentical(st, dg->dgArgs[i].type, f->args[i].type))
      return false;
  return true;
}

}  // namespace

ZILError ZCLLookupName(ZCLGen* g, const std::string& name, bool globalOnly, ZCLVar** out) {
  if (!globalOnly) {
    for (auto s = g->scopes.rbegin(); s != g->scopes.rend(); ++s)
      for (ZCLVar* v : *s)
        if (v->name == name) {
          *out = v;
          return ZCL_OK;
        }
    for (ZCLVar* v : g->args)
      if (v->name == name) {
        *out = v;
        return ZCL_OK;
      }
    if (g->isMethod && g->cls)
      for (size_t i = 0; i < g->cls->members.size(); i++)
        if (g->cls->members[i].name == name) {
          ZCLVar* v = ZCLNewVar(g, g->cls->members[i].type);
          v->mode = kZCLModeMember;
          v->reg = 0;
          v->member = static_cast<int>(i);
          v->lvalue = true;
          v->constant = g->cls->members[i].type.isConst != 0;
          *out = v;
          return ZCL_OK;
        }
  }
  ZCLClass* global = ZCLClassAt(g->st, kZCLGlobalClassId);
  if (global)
    for (size_t i = 0; i < global->members.size(); i++)
      if (global->members[i].name == name) {
        ZCLVar* v = ZCLNewVar(g, global->members[i].type);
        v->mode = kZCLModeMember;
        v->reg = 2;
        v->member = static_cast<int>(i);
        v->lvalue = true;
        v->constant = global->members[i].type.isConst != 0;
        *out = v;
        return ZCL_OK;
      }
  return ZCLError(g->st, name.c_str(), ZCL_ERR_Undefined_Identifier);
}

// Class :: name: a static function called or referenced, a constant, a cofunction started.
ZILError ZCLParseQualified(ZCLGen* g, ZCLClass* c, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  ZILError err = ZCLExpect(st, kTokIdentifier);
  if (err)
    return err;
  const std::string name = st->tok;
  const size_t pos = st->tokStart;
  ZCLTypeDesc thread;
  if (ZCLPeek(st) == kTokLParen && ZCLLookupTypeName(st, c->name + "::" + name, &thread)) {
    ZCLClass* tc = ZCLClassAt(st, thread.type);
    if (tc && tc->family == ZIL_FAMILY_THREAD)
      return ZCLParseCall(g, c->name + "::" + name, pos, out, want);
  }
  for (auto& m : c->members)
    if (m.name == name) {
      if (m.constKind && m.type.isConst)
        return ZCLEmitConstant(g, m, out);
      return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Method_Without_Object);
    }
  if (!ZCLHasFunction(c, name))
    return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Undefined_Identifier);
  if (ZCLPeek(st) != kTokLParen)
    return ZCLReferenceFunction(g, c, name, pos, nullptr, out, want);
  std::vector<ZCLVar*> args;
  std::vector<ZCLTypeDesc> types;
  if ((err = ZCLParseArgs(g, &args, &types)))
    return err;
  ZCLFunc* f = nullptr;
  if ((err = ZCLResolveCall(g, c, name, pos, types, want, &f)))
    return err;
  if (f->flags & kZCLFuncConstructor)
    return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Cannot_Call_Constructor);
  if (!(f->flags & kZCLFuncFunction)) {
    // A method by its class's name works on `this` when the class is the current one.
    if (c != g->cls)
      return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Method_Without_Object);
    if (!g->isMethod)
      return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Method_From_Function);
  }
  return ZCLEmitCall(g, c, f, nullptr, args, out);
}

// An accessor of class c used on obj: `obj.name = v` calls the setter with v (the value of the
// whole assignment is v), `obj.name` the getter.
ZILError ZCLUseAccessor(ZCLGen* g, ZCLClass* c, ZCLVar* obj, const std::string& name, size_t pos, ZCLFunc* getter,
                        ZCLFunc* setter, ZCLVar** out) {
  ZCLState* st = g->st;
  ZILError err = ZCL_OK;
  std::vector<ZCLVar*> args;
  ZCLVar* object = nullptr;
  if ((err = ZCLToRegister(g, obj, &object)))
    return err;
  if (ZCLPeek(st) == kTokAssign) {
    ZCLNext(st);
    if (!setter)
      return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_No_Accessor);
    ZCLVar* value = nullptr;
    if ((err = ZCLParseAssign(g, &value, &setter->args[0].type)))
      return err;
    ZCLVar* kept = nullptr;
    if ((err = ZCLToRegister(g, value, &kept)))
      return err;
    ZCLVar* copy = nullptr;
    if ((err = ZCLMakeTempVar(g, kept->type, &copy)) || (err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, kept), ZCLOp(g, copy)})))
      return err;
    copy->shared = true;
    args.push_back(copy);
    ZCLVar* ignored = nullptr;
    if ((err = ZCLEmitCall(g, c, setter, object, args, &ignored)))
      return err;
    ZCLRelease(g, ignored);
    ZCLRelease(g, object);
    *out = kept;
    return ZCL_OK;
  }
  if (!getter)
    return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_No_Accessor);
  const int compound = ZCLPeek(st);
  if (ZCLCompoundOp(compound)) {
    // obj.name op= v: the getter's value, the operation, then the setter with the result.
    ZCLNext(st);
    if (!setter)
      return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_No_Accessor);
    ZCLVar* current = nullptr;
    ZCLVar* value = nullptr;
    ZCLVar* result = nullptr;
    if ((err = ZCLEmitCall(g, c, getter, object, args, &current)) ||
        (err = ZCLParseAssign(g, &value, &setter->args[0].type)) ||
        (err = ZCLBinaryArith(g, ZCLCompoundOp(compound), current, value, &result)) ||
        (err = ZCLConvert(g, result, setter->args[0].type, &result)))
      return err;
    ZCLVar* kept = nullptr;
    if ((err = ZCLToRegister(g, result, &kept)))
      return err;
    ZCLVar* copy = nullptr;
    if ((err = ZCLMakeTempVar(g, kept->type, &copy)) || (err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, kept), ZCLOp(g, copy)})))
      return err;
    copy->shared = true;
    std::vector<ZCLVar*> setArgs{copy};
    ZCLVar* ignored = nullptr;
    if ((err = ZCLEmitCall(g, c, setter, object, setArgs, &ignored)))
      return err;
    ZCLRelease(g, ignored);
    ZCLRelease(g, object);
    *out = kept;
    return ZCL_OK;
  }
  err = ZCLEmitCall(g, c, getter, object, args, out);
  ZCLRelease(g, object);
  return err;
}

// obj . name [ ( args ) ]: a member variable, an accessor or a method.
ZILError ZCLParseMember(ZCLGen* g, ZCLVar* obj, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  ZILError err = ZCLExpect(st, kTokIdentifier);
  if (err)
    return err;
  std::string name = st->tok;
  size_t pos = st->tokStart;
  ZCLClass* c = ZCLClassAt(st, obj->type.type);
  if (!c || obj->isNull || c->family == ZIL_FAMILY_INTEGRAL)
    return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Need_Object_Before_Dot);
  // A member variable; followed by `(` only a delegate or cofunction thread member, which is
  // then called (the inherited methods of a hybrid class are such members).
  bool call = ZCLPeek(st) == kTokLParen;
  for (size_t i = 0; i < c->members.size(); i++) {
    if (c->members[i].name != name)
      continue;
    if (c->isNative && c->members[i].constKind && c->members[i].type.isConst && !call) {
      // A native class's constants have no slot in its objects.
      ZCLRelease(g, obj);
      return ZCLEmitConstant(g, c->members[i], out);
    }
    ZCLClass* mc = ZCLClassAt(st, c->members[i].type.type);
    if (call && (!mc || (mc->family != ZIL_FAMILY_DELEGATE && mc->family != ZIL_FAMILY_THREAD)))
      continue;
    ZCLVar* base = nullptr;
    if ((err = ZCLToRegister(g, obj, &base)))
      return err;
    ZCLVar* v = ZCLNewVar(g, c->members[i].type);
    v->mode = kZCLModeMember;
    v->reg = base->reg;
    v->member = static_cast<int>(i);
    v->lvalue = true;
    v->constant = c->members[i].type.isConst != 0;
    v->shared = true;
    v->name = name;
    if (base->temp) {
      v->temp = true;
      v->base = base;
    }
    if (call)
      return ZCLParseVariableCall(g, v, pos, out);
    *out = v;
    return ZCL_OK;
  }
  std::vector<ZCLVar*> args;
  std::vector<ZCLTypeDesc> types;
  if (ZCLPeek(st) == kTokLParen) {
    if ((err = ZCLParseArgs(g, &args, &types)))
      return err;
  } else {
    // An accessor: `obj.name = v` calls the setter with v, `obj.name` the getter.
    ZCLFunc *getter = nullptr, *setter = nullptr;
    for (auto& f : c->funcs)
      if (f->name == name && (f->flags & kZCLFuncAccessor))
        (f->args.empty() ? getter : setter) = f.get();
    if (!getter && !setter) {
      if (!ZCLHasFunction(c, name))
        return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Undefined_Identifier);
      // obj.name as a value: a delegate bound to the object (a static function: unbound).
      ZCLVar* object = nullptr;
      if ((err = ZCLToRegister(g, obj, &object)))
        return err;
      err = ZCLReferenceFunction(g, c, name, pos, object, out, want);
      ZCLRelease(g, object);
      return err;
    }
    return ZCLUseAccessor(g, c, obj, name, pos, getter, setter, out);
  }
  if (!ZCLHasFunction(c, name))
    return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Undefined_Identifier);
  ZCLFunc* f = nullptr;
  if ((err = ZCLResolveCall(g, c, name, pos, types, want, &f)))
    return err;
  ZCLVar* object = nullptr;
  if ((err = ZCLToRegister(g, obj, &object)))
    return err;
  err = ZCLEmitCall(g, c, f, (f->flags & kZCLFuncFunction) ? nullptr : object, args, out);
  ZCLRelease(g, object);
  return err;
}

// A local, argument, member or global of this name (no report when there is none).
bool ZCLFindVariable(ZCLGen* g, const std::string& name, ZCLVar** out) {
  for (auto s = g->scopes.rbegin(); s != g->scopes.rend(); ++s)
    for (ZCLVar* v : *s)
      if (v->name == name) {
        *out = v;
        return true;
      }
  for (ZCLVar* v : g->args)
    if (v->name == name) {
      *out = v;
      return true;
    }
  auto member = [&](ZCLClass* c) {
    if (c)
      for (auto& m : c->members)
        if (m.name == name)
          return true;
    return false;
  };
  if ((g->isMethod && member(g->cls)) || member(ZCLClassAt(g->st, kZCLGlobalClassId)))
    return ZCLLookupName(g, name, false, out) == ZCL_OK;
  return false;
}

// v ( args ): calls the delegate or resumes the cofunction thread held in v.
ZILError ZCLParseVariableCall(ZCLGen* g, ZCLVar* v, size_t pos, ZCLVar** out) {
  ZCLState* st = g->st;
  ZCLClass* c = ZCLClassAt(st, v->type.type);
  bool thread = c && c->family == ZIL_FAMILY_THREAD;
  if (!(c && (thread || c->family == ZIL_FAMILY_DELEGATE)))
    return ZCLErrorAt(st, pos, v->name.c_str(), ZCL_ERR_Not_A_Delegate);
  std::vector<ZCLVar*> args;
  std::vector<ZCLTypeDesc> types;
  ZILError err = ZCLParseArgs(g, &args, &types);
  if (err)
    return err;
  ZCLSignature sig;
  if (thread) {
    if (!args.empty())
      return ZCLErrorAt(st, pos, v->name.c_str(), ZCL_ERR_No_Matching_Function,
                        "called as " + ZCLCallText(st, v->name, types) + "; resuming a cofunction takes no arguments");
    ZCLFunc* f = c->funcs.empty() ? nullptr : c->funcs[0].get();
    sig.hasResult = f && f->hasResult;
    if (f)
      sig.result = f->result;
  } else {
    if (args.size() != c->dgArgs.size()) {
      std::vector<ZCLTypeDesc> declared;
      for (const ZCLArg& a : c->dgArgs)
        declared.push_back(a.type);
      return ZCLErrorAt(st, pos, v->name.c_str(), ZCL_ERR_No_Matching_Function,
                        "called as " + ZCLCallText(st, v->name, types) + "; its delegate " + c->name + " takes " +
                            ZCLCallText(st, "", declared));
    }
    sig.args = c->dgArgs;
    sig.hasResult = c->dgHasResult;
    sig.result = c->dgResult;
  }
  err = ZCLEmitCallAs(g, nullptr, nullptr, v, sig, nullptr, args, out);
  ZCLRelease(g, v);
  return err;
}

// A function of `where` named `name` as a value: a delegate of the destination's delegate type
// (the overload whose signature it is), or with no delegate destination the one function of the
// name and a delegate type made for its signature. Methods are bound to `object` (null: `this`).
ZILError ZCLReferenceFunction(ZCLGen* g, ZCLClass* where, const std::string& name, size_t pos, ZCLVar* object,
                              ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  std::vector<ZCLFunc*> named;
  for (auto& f : where->funcs)
    if (f->name == name)
      named.push_back(f.get());
  ZCLClass* dg = want ? ZCLClassAt(st, want->type) : nullptr;
  ZCLFunc* chosen = nullptr;
  if (dg && dg->family == ZIL_FAMILY_DELEGATE && dg->typeId != ZIL_TYPE_DELEGATE) {
    for (ZCLFunc* f : named)
      if (signatureMatches(st, f, dg)) {
        if (chosen)
          return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Ambiguous_Function_Reference);
        chosen = f;
      }
    if (!chosen)
      return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_No_Matching_Delegate);
  } else {
    if (named.size() != 1)
      return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Ambiguous_Function_Reference);
    chosen = named[0];
    if (chosen->flags & (kZCLFuncConstructor | kZCLFuncConvertor | kZCLFuncAccessor | kZCLFuncCofunction))
      return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Function_Reference_Not_Allowed);
    int id = 0;
    ZILError err = ZCLFindOrMakeDelegate(st, where->typeId == kZCLGlobalClassId ? name : where->name + "::" + name,
                                         chosen->hasResult, chosen->result, chosen->args, &id);
    if (err)
      return err;
    dg = ZCLClassAt(st, id);
  }
  if (chosen->flags & (kZCLFuncConstructor | kZCLFuncConvertor | kZCLFuncAccessor | kZCLFuncCofunction))
    return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Function_Reference_Not_Allowed);
  if (!(chosen->flags & kZCLFuncFunction) && !object && !g->isMethod)
    return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Method_From_Function);
  ZCLVar* t = nullptr;
  ZILError err = ZCLMakeTempVar(g, ZCLMakeType(dg->typeId), &t);
  if (err)
    return err;
  if (chosen->flags & kZCLFuncFunction)
    err = ZCLEmit(g, ZFAM_NEWDG, {ZCLTypeOp(dg->typeId), ZCLImm(chosen->handle), ZCLOp(g, t)});
  else
    err = ZCLEmit(
        g, ZFAM_NEWDGM,
        {ZCLTypeOp(dg->typeId), ZCLImm(chosen->memberIndex), object ? ZCLOp(g, object) : ZCLReg(0), ZCLOp(g, t)});
  *out = t;
  return err;
}

// A function name as a value: of the current class, else of the global space.
ZILError ZCLFunctionReference(ZCLGen* g, const std::string& name, size_t pos, ZCLVar** out, const ZCLTypeDesc* want) {
  return ZCLReferenceFunction(g, ZCLFunctionHome(g, name), name, pos, nullptr, out, want);
}

// function ( params ) { body } / method ( params ) { body }: a new function with the destination
// delegate type's signature, compiled right away from its body; a delegate to it.
ZILError ZCLParseFunctionLiteral(ZCLGen* g, bool isMethod, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  size_t pos = st->tokStart;
  ZCLClass* dg = want ? ZCLClassAt(st, want->type) : nullptr;
  if (!dg || dg->family != ZIL_FAMILY_DELEGATE || dg->typeId == ZIL_TYPE_DELEGATE)
    return ZCLErrorAt(st, pos, st->tok.c_str(), ZCL_ERR_No_Matching_Delegate);
  if (isMethod && (!g->isMethod || !g->cls))
    return ZCLErrorAt(st, pos, st->tok.c_str(), ZCL_ERR_Method_From_Function);
  std::vector<ZCLArg> params;
  ZILError err = ZCLParseLiteralParameters(st, dg, &params);
  if (err)
    return err;
  if (params.size() != dg->dgArgs.size())
    return ZCLErrorAt(st, pos, nullptr, ZCL_ERR_Delegate_Argument_Names);
  ZCLClass* owner = isMethod ? g->cls : ZCLClassAt(st, kZCLGlobalClassId);
  char name[48];
  std::snprintf(name, sizeof name, "__anonymous_function_%x", static_cast<unsigned>(owner->funcs.size()));
  auto func = std::make_unique<ZCLFunc>(st);
  func->name = name;
  func->flags = isMethod ? kZCLFuncMethod : kZCLFuncFunction;
  func->hasResult = dg->dgHasResult;
  func->result = dg->dgResult;
  func->args = std::move(params);
  func->defined = true;
  func->optimizeLevel = ZCLOptions(st).optimize;
  ZCLFunc* f = nullptr;
  if ((err = ZCLAddFunction(st, owner, std::move(func), &f)))
    return err;
  int savedClass = st->currentClass, savedFunc = st->currentFunction;
  st->currentClass = owner->typeId;
  st->currentFunction = f->index;
  err = ZCLCompileFunctionBody(st, f);
  st->currentClass = savedClass;
  st->currentFunction = savedFunc;
  if (err)
    return err;
  ZCLVar* t = nullptr;
  if ((err = ZCLMakeTempVar(g, ZCLMakeType(dg->typeId), &t)))
    return err;
  if (isMethod)
    err = ZCLEmit(g, ZFAM_NEWDGM, {ZCLTypeOp(dg->typeId), ZCLImm(f->memberIndex), ZCLReg(0), ZCLOp(g, t)});
  else
    err = ZCLEmit(g, ZFAM_NEWDG, {ZCLTypeOp(dg->typeId), ZCLImm(f->handle), ZCLOp(g, t)});
  *out = t;
  return err;
}
