// zclcalls.cpp - calls: argument lists, overload resolution, the call of a function, delegate
// or cofunction with its signature, array literals, construction with `new` and by default, and
// `hybrid` in a hybrid class's constructor.
#include <cstdio>
#include <cstdlib>

#include "zentra/compiler/zclcodegen.h"
#include "zentra/compiler/zclconstant.h"
#include "zentra/compiler/zclexplain.h"
#include "zentra/compiler/zclexpr.h"

namespace {

// An argument that is only the name of an overloaded function (of the class or the global
// space): read and returned as a pending reference typed `var`; otherwise null, nothing read.
ZCLVar* overloadedReference(ZCLGen* g) {
  ZCLState* st = g->st;
  const int first = ZCLPeek(st);
  if (first == kTokFunction || first == kTokMethod) {
    // A literal: read over `function ( names ) { body }`, compiled when the call is emitted.
    const size_t at = ZCLFileGetPosition(st->file);
    ZCLNext(st);
    const size_t pos = st->tokStart;
    if (ZCLNext(st) != ZCL_OK || st->tokId != kTokLParen) {
      ZCLFileSetPosition(st->file, at);
      return nullptr;
    }
    for (;;) {
      if (ZCLNext(st) != ZCL_OK || st->tokId == kTokNone) {
        ZCLFileSetPosition(st->file, at);
        return nullptr;
      }
      if (st->tokId == kTokRParen)
        break;
    }
    if (ZCLPeek(st) != kTokLBrace) {
      ZCLFileSetPosition(st->file, at);
      return nullptr;
    }
    ZCLFileSetPosition(st->file, ZCLNextTokenStart(st->file));
    if (ZCLSkipBlock(st->file) != ZCL_OK) {
      ZCLFileSetPosition(st->file, at);
      return nullptr;
    }
    ZCLVar* v = ZCLNewVar(g, ZCLMakeType(ZIL_TYPE_VAR));
    v->pendingLiteral = true;
    v->refPos = pos;
    v->name = first == kTokMethod ? "method" : "function";
    return v;
  }
  if (first != kTokIdentifier)
    return nullptr;
  const size_t at = ZCLFileGetPosition(st->file);
  ZCLNext(st);
  const std::string name = st->tok;
  const size_t pos = st->tokStart;
  const int next = ZCLPeek(st);
  ZCLVar* found = nullptr;
  ZCLClass* where = ZCLFunctionHome(g, name);
  size_t overloads = 0;
  if (where)
    overloads = ZCLFunctionsNamed(where, name).size();
  if ((next != kTokComma && next != kTokRParen) || overloads < 2 || ZCLFindVariable(g, name, &found)) {
    ZCLFileSetPosition(st->file, at);
    return nullptr;
  }
  ZCLVar* v = ZCLNewVar(g, ZCLMakeType(ZIL_TYPE_VAR));
  v->name = name;
  v->functionRef = true;
  v->refPos = pos;
  return v;
}

bool isDelegate(ZCLGen* g, const ZCLVar* v) {
  ZCLClass* c = ZCLClassAt(g->st, v->type.type);
  return c && c->family == ZIL_FAMILY_DELEGATE;
}

}  // namespace

// Reads `( args )`: each argument into a register.
ZILError ZCLParseArgs(ZCLGen* g, std::vector<ZCLVar*>* args, std::vector<ZCLTypeDesc>* types) {
  ZCLState* st = g->st;
  ZILError err = ZCLExpect(st, kTokLParen);
  if (err)
    return err;
  if (ZCLPeek(st) == kTokRParen) {
    ZCLNext(st);
    return ZCL_OK;
  }
  for (;;) {
    if (ZCLVar* ref = overloadedReference(g)) {
      args->push_back(ref);
      types->push_back(ref->type);
    } else {
      ZCLVar* a = nullptr;
      if ((err = ZCLParseAssign(g, &a, nullptr)))
        return err;
      ZCLVar* r = nullptr;
      if ((err = ZCLToRegister(g, a, &r)))
        return err;
      args->push_back(r);
      types->push_back(r->type);
    }
    if ((err = ZCLNext(st)))
      return err;
    if (st->tokId == kTokRParen)
      return ZCL_OK;
    if (st->tokId != kTokComma)
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  }
}

// Calls f of class `where` (object: the object of a method call, null to use the current `this`
// or for a static function), or with callee set, calls the delegate or resumes the cofunction
// thread in it. A thread class starts a new cofunction. The result (or null) into a new temporary.
ZILError ZCLEmitCallAs(ZCLGen* g, ZCLClass* where, ZCLFunc* f, ZCLVar* callee, const ZCLSignature& sig, ZCLVar* object,
                       std::vector<ZCLVar*>& args, ZCLVar** out) {
  ZILError err = ZCL_OK;
  bool method = f && (f->flags & kZCLFuncFunction) == 0 && where->family != ZIL_FAMILY_THREAD;
  for (size_t i = 0; i < args.size() && i < sig.args.size(); i++) {
    if (args[i]->pendingLiteral) {
      ZCLState* st = g->st;
      const size_t resume = ZCLFileGetPosition(st->file);
      ZCLFileSetPosition(st->file, args[i]->refPos);
      ZCLNext(st);
      err = ZCLParseFunctionLiteral(g, st->tokId == kTokMethod, &args[i], &sig.args[i].type);
      ZCLFileSetPosition(st->file, resume);
      if (err)
        return err;
      continue;
    }
    if (args[i]->functionRef) {
      if ((err = ZCLReferenceFunction(g, ZCLFunctionHome(g, args[i]->name), args[i]->name, args[i]->refPos, nullptr,
                                      &args[i], &sig.args[i].type)))
        return err;
      continue;
    }
    if ((err = ZCLConvert(g, args[i], sig.args[i].type, &args[i])))
      return err;
    if (args[i]->mode == kZCLModeRegister && args[i]->reg == 0 && method && object) {
      // `this` as an argument of a call on another object: r0 changes before the push.
      ZCLVar* t = nullptr;
      if ((err = ZCLMakeTempVar(g, args[i]->type, &t)) || (err = ZCLEmit(g, ZFAM_MOVE, {ZCLReg(0), ZCLOp(g, t)})))
        return err;
      t->shared = true;
      args[i] = t;
    }
    // A value argument is passed as a copy the callee may change; a native static function
    // reads a `const` one and lets go of it, so it gets the variable itself (a method call
    // may not: r0 changes before the pushes, and a member operand would move with it).
    const bool nativeReadsOnly = where && where->isNative && !callee && !method && sig.args[i].type.isConst;
    if (ZCLIsValueType(sig.args[i].type) && !nativeReadsOnly && (err = ZCLToWritable(g, args[i], &args[i])))
      return err;
  }
  // Called functions save the registers from r3 up that they write, and leave r1 (the result)
  // and r2 (the global object) alone. `this` (r0) is kept by the caller: a function with an
  // object saves it around every call that may leave another object there (a method call on
  // another object, a static or native function, a delegate); a cofunction thread runs in a
  // context of its own.
  bool changesThis = (method && object && !(object->mode == kZCLModeRegister && object->reg == 0)) ||
                     (!method && !(where && where->family == ZIL_FAMILY_THREAD) &&
                      !(callee && !isDelegate(g, callee) && callee->type.type != ZIL_TYPE_VAR));
  bool saveThis = g->isMethod && changesThis;
  if (saveThis && ((err = ZCLEmit(g, ZFAM_PUSH, {ZCLReg(0)})) || (err = ZCLSimStackPush(g, nullptr))))
    return err;
  if (method && object) {
    if (object->isNull || object->type.type == ZIL_TYPE_INT || object->type.type == ZIL_TYPE_FLOAT)
      return ZCLGenFatal(g, "Trying to change context to non-object variable", "cg_change_context");
    if (!(object->mode == kZCLModeRegister && object->reg == 0) &&
        (err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, object), ZCLReg(0)})))
      return err;
  }
  for (size_t i = args.size(); i-- > 0;) {
    if ((err = ZCLEmit(g, ZFAM_PUSH, {ZCLOp(g, args[i])})))
      return err;
    ZCLRelease(g, args[i]);
    if ((err = ZCLSimStackPush(g, nullptr)))
      return err;
  }
  if (callee) {
    err = ZCLEmit(g, callee->type.type == ZIL_TYPE_VAR || isDelegate(g, callee) ? ZFAM_CALLDG : ZFAM_RESUME,
                  {ZCLOp(g, callee)});
  } else if (where->family == ZIL_FAMILY_THREAD) {
    err = ZCLEmit(g, ZFAM_NEWCTX,
                  {ZCLTypeOp(where->typeId), ZCLImm(f->handle), ZCLImm(static_cast<ZILLong>(args.size())), ZCLReg(1)});
  } else if (method)
    err = ZCLEmit(g, ZFAM_CALLM, {ZCLTypeOp(where->typeId), ZCLImm(f->memberIndex)});
  else if (where->isNative)
    err = ZCLEmit(g, ZFAM_CALLN, {ZCLTypeOp(where->typeId), ZCLImm(f->memberIndex)});
  else
    err = ZCLEmit(g, ZFAM_CALLS, {ZCLImm(f->handle)});
  if (err || (err = ZCLEmitDrop(g, static_cast<int>(args.size()))) ||
      (err = ZCLSimStackPop(g, static_cast<int>(args.size()))))
    return err;
  if (saveThis && ((err = ZCLEmit(g, ZFAM_POP, {ZCLReg(0)})) || (err = ZCLSimStackPop(g, 1))))
    return err;
  ZCLVar* t = nullptr;
  bool result = sig.hasResult || (where && where->family == ZIL_FAMILY_THREAD && !callee);
  ZCLTypeDesc rt = sig.hasResult ? sig.result : ZCLMakeType(ZIL_TYPE_VAR);
  if (where && where->family == ZIL_FAMILY_THREAD && !callee)
    rt = ZCLMakeType(where->typeId);
  if ((err = ZCLMakeTempVar(g, rt, &t)))
    return err;
  // An int or float result is copied out of r1: the temporary then owns its handle (no copy
  // before changing it in place), and r1 keeps its own for the next result.
  const bool number = sig.hasResult && ZCLIsValueType(rt);
  if (result && (err = ZCLEmit(g, number ? ZFAM_COPY : ZFAM_MOVE, {ZCLReg(1), ZCLOp(g, t)})))
    return err;
  t->shared = !number;
  t->type.isConst = 0;
  *out = t;
  return ZCL_OK;
}

ZILError ZCLEmitCall(ZCLGen* g, ZCLClass* where, ZCLFunc* f, ZCLVar* object, std::vector<ZCLVar*>& args, ZCLVar** out) {
  ZCLSignature sig;
  sig.args = f->args;
  sig.hasResult = f->hasResult;
  sig.result = f->result;
  return ZCLEmitCallAs(g, where, f, nullptr, sig, object, args, out);
}

ZILError ZCLResolveCall(ZCLGen* g, ZCLClass* cls, const std::string& name, size_t pos,
                        const std::vector<ZCLTypeDesc>& types, const ZCLTypeDesc* want, ZCLFunc** f) {
  ZCLTypeDesc none;
  ZILError err = ZCLResolveOverload(g->st, cls, name, types, want != nullptr, want ? *want : none, f);
  if (err == ZCL_ERR_No_Matching_Function && want)  // the result may be left unused
    err = ZCLResolveOverload(g->st, cls, name, types, false, none, f);
  if (err)
    return ZCLErrorAt(g->st, pos, name.c_str(), err, ZCLCallDetail(g->st, cls, name, types));
  return ZCL_OK;
}

bool ZCLHasFunction(ZCLClass* cls, const std::string& name) { return cls && !ZCLFunctionsNamed(cls, name).empty(); }

// The class whose function `name` a bare name means: the current class, the global space, then
// the classes named by `using` (the global space when none has it).
ZCLClass* ZCLFunctionHome(ZCLGen* g, const std::string& name) {
  ZCLState* st = g->st;
  if (g->cls && g->cls->typeId != kZCLGlobalClassId && ZCLHasFunction(g->cls, name))
    return g->cls;
  ZCLClass* global = ZCLClassAt(st, kZCLGlobalClassId);
  if (ZCLHasFunction(global, name))
    return global;
  for (int id : ZCLOptions(st).usingList)
    if (ZCLClass* used = ZCLClassAt(st, id); used && ZCLHasFunction(used, name))
      return used;
  return global;
}

// name ( args ): a function of the current class, of the global space or of a used class.
ZILError ZCLParseCall(ZCLGen* g, const std::string& name, size_t namePos, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  std::vector<ZCLVar*> args;
  std::vector<ZCLTypeDesc> types;
  ZILError err = ZCLParseArgs(g, &args, &types);
  if (err)
    return err;
  ZCLTypeDesc threadType;
  if (ZCLLookupTypeName(st, name, &threadType)) {
    ZCLClass* thread = ZCLClassAt(st, threadType.type);
    if (thread && thread->family == ZIL_FAMILY_THREAD) {
      ZCLFunc* f = nullptr;
      if ((err = ZCLResolveCall(g, thread, name.substr(name.rfind(':') == std::string::npos ? 0 : name.rfind(':') + 1),
                                namePos, types, nullptr, &f)))
        return err;
      return ZCLEmitCall(g, thread, f, nullptr, args, out);
    }
  }
  ZCLClass* where = ZCLFunctionHome(g, name);
  ZCLFunc* f = nullptr;
  if (ZCLTypeDesc type; !ZCLHasFunction(where, name) && ZCLLookupTypeName(st, name, &type))
    if (ZCLClass* c = ZCLClassAt(st, type.type); c && c->family == ZIL_FAMILY_CLASS)
      return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Cannot_Call_Constructor);
  if (!where)
    return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Undefined_Identifier);
  if ((err = ZCLResolveCall(g, where, name, namePos, types, want, &f)))
    return err;
  if (f->flags & kZCLFuncConstructor)
    return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Cannot_Call_Constructor);
  if ((f->flags & kZCLFuncFunction) == 0 && !g->isMethod)
    return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Method_From_Function);
  if ((f->flags & kZCLFuncFunction) == 0 && where != g->cls)
    return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Method_Without_Object);
  return ZCLEmitCall(g, where, f, nullptr, args, out);
}

// { a, b, c }: a new array filled element by element.
ZILError ZCLParseArrayLiteral(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want) {
  ZCLState* st = g->st;
  ZCLTypeDesc type = ZCLMakeType(ZIL_TYPE_ARRAY);
  if (want && want->type == ZIL_TYPE_ARRAY)
    type = *want;
  type.isConst = 0;
  ZCLTypeDesc elem = ZCLMakeType(type.elemType);
  ZCLVar* arr = nullptr;
  ZILError err = ZCLMakeTempVar(g, type, &arr);
  if (err)
    return err;
  // One level of length 0: the length is read from the stack.
  ZCLVar* zero = nullptr;
  if ((err = ZCLMakeTempVar(g, ZCLMakeType(ZIL_TYPE_INT), &zero)) || (err = ZCLEmit(g, ZFAM_LDZ, {ZCLOp(g, zero)})) ||
      (err = ZCLEmit(g, ZFAM_PUSH, {ZCLOp(g, zero)})) ||
      (err = ZCLEmit(g, ZFAM_ALLOCA, {ZCLTypeOp(type.elemType), ZCLImm(1), ZCLOp(g, arr)})) ||
      (err = ZCLEmit(g, ZFAM_POP, {})))
    return err;
  ZCLRelease(g, zero);
  if (ZCLPeek(st) == kTokRBrace) {
    ZCLNext(st);
    *out = arr;
    return ZCL_OK;
  }
  for (ZILLong n = 0;; n++) {
    ZCLVar* v = nullptr;
    if ((err = ZCLParseAssign(g, &v, &elem)))
      return err;
    ZCLPendingLiteral lit{};
    lit.kind = kZCLLiteralInt;
    lit.l = n;
    ZCLVar* index = nullptr;
    if ((err = ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_INT), &index)))
      return err;
    ZCLVar slot;
    slot.type = elem;
    slot.mode = kZCLModeElement;
    slot.reg = arr->reg;
    slot.index = index;
    slot.lvalue = true;
    if ((err = ZCLAssignInto(g, &slot, v, true)))
      return err;
    ZCLRelease(g, index);
    if ((err = ZCLNext(st)))
      return err;
    if (st->tokId == kTokRBrace)
      break;
    if (st->tokId != kTokComma)
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  }
  *out = arr;
  return ZCL_OK;
}

// A new object of class c (alloc or allocn) and, when given, its constructor f called on it.
ZILError ZCLEmitConstruct(ZCLGen* g, ZCLClass* c, ZCLFunc* f, std::vector<ZCLVar*>& args, ZCLVar** out) {
  ZCLVar* obj = nullptr;
  ZILError err = ZCLMakeTempVar(g, ZCLMakeType(c->typeId), &obj);
  if (err)
    return err;
  if ((err = ZCLEmit(g, c->isNative ? ZFAM_ALLOCN : ZFAM_ALLOC, {ZCLTypeOp(c->typeId), ZCLOp(g, obj)})))
    return err;
  if (f) {
    ZCLVar* ignored = nullptr;
    if ((err = ZCLEmitCall(g, c, f, obj, args, &ignored)))
      return err;
    ZCLRelease(g, ignored);
  }
  obj->shared = false;
  *out = obj;
  return ZCL_OK;
}

ZILError ZCLConstructDefault(ZCLGen* g, ZCLClass* c, ZCLVar** out) {
  ZCLFunc* f = nullptr;
  if (!c->isNative)
    for (auto& fn : c->funcs)
      if ((fn->flags & kZCLFuncConstructor) && fn->args.empty())
        f = fn.get();
  std::vector<ZCLVar*> none;
  return ZCLEmitConstruct(g, c, f, none, out);
}

// new Class ( args ): allocation and the constructor call with the object in r0.
ZILError ZCLParseNew(ZCLGen* g, ZCLVar** out) {
  ZCLState* st = g->st;
  size_t pos = ZCLNextTokenStart(st->file);
  ZCLTypeDesc type;
  ZILError err = ZCLNext(st);
  if (err)
    return err;
  if ((st->tokId != kTokIdentifier && st->tokId != kTokString) || !ZCLLookupTypeName(st, st->tok, &type))
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Not_A_Class);
  ZCLClass* c = ZCLClassAt(st, type.type);
  if (!c || c->family != ZIL_FAMILY_CLASS || type.type == ZIL_TYPE_INT || type.type == ZIL_TYPE_FLOAT)
    return ZCLErrorAt(st, pos, c ? c->name.c_str() : nullptr, ZCL_ERR_Not_A_Class);
  std::vector<ZCLVar*> args;
  std::vector<ZCLTypeDesc> types;
  if (ZCLPeek(st) == kTokLParen && (err = ZCLParseArgs(g, &args, &types)))
    return err;
  ZCLFunc* f = nullptr;
  if (ZCLHasFunction(c, c->name) && (!c->isNative || !args.empty())) {
    if ((err = ZCLResolveCall(g, c, c->name, pos, types, nullptr, &f)))
      return err;
  } else if (!args.empty()) {
    return ZCLErrorAt(
        st, pos, c->name.c_str(), ZCL_ERR_No_Matching_Function,
        "called as " + ZCLCallText(st, c->name, types) + "; " + c->name + " has no constructor taking arguments");
  }
  return ZCLEmitConstruct(g, c, f, args, out);
}

ZILError ZCLParseHybrid(ZCLGen* g) {
  ZCLState* st = g->st;
  size_t pos = st->tokStart;
  ZCLClass* base = g->cls ? ZCLClassAt(st, g->cls->hybridId) : nullptr;
  if (!base || !g->needHybrid)
    return ZCLErrorAt(st, pos, "hybrid", ZCL_ERR_Unexpected_Token);
  g->needHybrid = false;
  std::vector<ZCLVar*> args;
  std::vector<ZCLTypeDesc> types;
  ZILError err = ZCLParseArgs(g, &args, &types);
  if (err)
    return err;
  ZCLFunc* ctor = nullptr;
  if (ZCLHasFunction(base, base->name) && (!base->isNative || !args.empty())) {
    if ((err = ZCLResolveCall(g, base, base->name, pos, types, nullptr, &ctor)))
      return err;
  } else if (!args.empty()) {
    return ZCLErrorAt(
        st, pos, base->name.c_str(), ZCL_ERR_No_Matching_Function,
        "called as " + ZCLCallText(st, base->name, types) + "; " + base->name + " has no constructor taking arguments");
  }
  ZCLVar* obj = nullptr;
  if ((err = ZCLEmitConstruct(g, base, ctor, args, &obj)))
    return err;
  // Each inherited method's member delegate is bound to the base object.
  for (size_t i = 0; i < g->cls->members.size(); i++) {
    const ZCLMember& m = g->cls->members[i];
    ZCLFunc* method = nullptr;
    for (auto& f : base->funcs)
      if (f->name == m.name && (f->flags & kZCLFuncMethod) &&
          !(f->flags & (kZCLFuncConstructor | kZCLFuncConvertor | kZCLFuncAccessor | kZCLFuncCofunction))) {
        method = f.get();
        break;
      }
    ZCLClass* dg = ZCLClassAt(st, m.type.type);
    if (!method || !dg || dg->family != ZIL_FAMILY_DELEGATE)
      continue;
    ZCLVar* t = nullptr;
    if ((err = ZCLMakeTempVar(g, m.type, &t)) ||
        (err = ZCLEmit(g, ZFAM_NEWDGM,
                       {ZCLTypeOp(dg->typeId), ZCLImm(method->memberIndex), ZCLOp(g, obj), ZCLOp(g, t)})) ||
        (err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, t), {ZILK_RD, 0, static_cast<ZILLong>(i)}})))
      return err;
    if (i < g->membersSet.size())
      g->membersSet[i] = true;
    ZCLRelease(g, t);
  }
  ZCLRelease(g, obj);
  return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
}
