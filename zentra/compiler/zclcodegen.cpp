// The entry points the declaration parser calls for code: function bodies (arguments placed on
// the simulated stack, the block, the end of the function or cofunction), global initial values
// compiled into the global initialisation function, and that function's opening. Member values
// of other classes are read over here; constructors give members their values.
#include "zentra/compiler/zclcodegen.h"

#include "zentra/compiler/zclcalltype.h"
#include "zentra/compiler/zclgen.h"
#include "zentra/compiler/zclparse.h"

namespace {

// The method table of a script class (function index by method number), made once its methods
// are all declared: with the first body compiled in pass 1.
ZILError ensureMethodTable(ZCLState* st, ZCLClass* cls) {
  if (!cls || cls->typeId == kZCLGlobalClassId || cls->isNative || cls->family != ZIL_FAMILY_CLASS)
    return ZCL_OK;
  ZILTypeInfo* ti = ZILTypes(st->ps) + cls->typeId;
  if (ti->offsetVtab >= 0 && ti->methodCount == static_cast<ZILLong>(cls->funcs.size()))
    return ZCL_OK;
  std::vector<ZILLong> table(cls->funcs.size(), -1);
  for (auto& f : cls->funcs)
    if (f->memberIndex >= 0 && static_cast<size_t>(f->memberIndex) < table.size())
      table[static_cast<size_t>(f->memberIndex)] = f->handle;
  ZILLong offset = -1;
  if (!table.empty()) {
    ZILError err = ZILAddNameBytes(st->ps, table.data(), static_cast<ZILLong>(table.size() * sizeof(ZILLong)), &offset);
    if (err)
      return ZCLError(st, cls->name.c_str(), err);
  }
  ti = ZILTypes(st->ps) + cls->typeId;
  ti->offsetVtab = offset;
  ti->methodCount = static_cast<ZILLong>(table.size());
  ti->instanceSize = static_cast<ZILLong>(cls->members.size());
  return ZCL_OK;
}

// The initial values written with a class's member variables, at the start of a constructor.
// Each is read from its own text, whose positions are those of the declaration.
ZILError compileMemberValues(ZCLGen* g, ZCLClass* cls) {
  ZCLState* st = g->st;
  g->scopes.emplace_back();
  for (size_t i = 0; i < cls->members.size(); i++) {
    const ZCLMember& m = cls->members[i];
    if (m.initText.empty())
      continue;
    ZCLFile text;
    ZCLFileOpen(&text, m.initFile.c_str(), m.initText.data(), m.initText.size());
    text.lcLine = m.initLine;
    text.lineBase = m.initLine - 1;
    text.lcColumn = m.initColumn;
    text.pass = st->pass;
    ZCLFile* previous = st->file;
    const size_t previousTokStart = st->tokStart;
    st->file = &text;
    ZCLVar* dst = ZCLNewVar(g, m.type);
    dst->mode = kZCLModeMember;
    dst->reg = 0;
    dst->member = static_cast<int>(i);
    dst->lvalue = true;
    ZCLVar* value = nullptr;
    ZILError err = ZCLParseExpression(g, &value, &dst->type);
    if (!err)
      err = ZCLAssignInto(g, dst, value, true);
    if (!err && ZCLPeek(st) != kTokNone) {
      ZCLNext(st);
      err = ZCLError(st, st->tok.c_str(), ZCL_ERR_Missing_Semicolon);
    }
    for (int r = 3; r < ZIL_REGISTER_COUNT; r++)
      if (g->regs[r] && g->regs[r]->temp)
        ZCLFreeTempVar(g, g->regs[r]);
    st->file = previous;
    st->tokStart = previousTokStart;
    ZCLFileClose(&text);
    if (err)
      return err;
  }
  g->scopes.pop_back();
  return ZCL_OK;
}

}  // namespace

ZILError ZCLCompileFunctionBody(ZCLState* st, ZCLFunc* func) {
  if (ZILError err = ensureMethodTable(st, ZCLClassAt(st, func->classId)))
    return err;
  auto g = std::make_unique<ZCLGen>();
  g->st = st;
  g->func = func;
  g->cls = ZCLClassAt(st, func->classId);
  g->isCofunction = (func->flags & kZCLFuncCofunction) != 0;
  g->isMethod = (func->flags & kZCLFuncFunction) == 0 && !g->isCofunction;
  func->code.clear();
  func->code.reserve(64);  // short bodies never regrow while emitting
  func->lines.clear();
  ZILError err0 = ZCL_OK;
  // Arguments: argument 0 on top of the stack.
  for (size_t i = func->args.size(); i-- > 0;) {
    ZCLVar* v = ZCLNewVar(g.get(), func->args[i].type);
    v->name = func->args[i].name;
    v->lvalue = true;
    v->initialised = true;
    v->constant = func->args[i].type.isConst != 0;
    ZILError err = ZCLSimStackPush(g.get(), v);
    if (err)
      return err;
    g->args.insert(g->args.begin(), v);
  }
  g->argTop = g->sp;
  // Registers the body writes are saved at entry; the range is fixed at the end.
  g->savesRegisters = !g->isCofunction;
  if (g->savesRegisters && (err0 = ZCLEmit(g.get(), ZFAM_PUSHR, {{ZILK_REGS, 3, 1}})))
    return err0;
  ZCLClass* owner = ZCLClassAt(st, func->classId);
  g->needHybrid = (func->flags & kZCLFuncConstructor) && owner && owner->hybridId != 0;
  g->isConstructor = (func->flags & kZCLFuncConstructor) && owner && !owner->isNative;
  ZILError err = ZCL_OK;
  if (g->isConstructor) {
    g->membersSet.assign(owner->members.size(), false);
    if ((err = compileMemberValues(g.get(), owner)))
      return err;
  }
  err = ZCLParseBlock(g.get());
  if (err)
    return err;
  if (g->needHybrid)
    return ZCLError(st, func->name.c_str(), ZCL_ERR_Expected_Hybrid);
  // A constructor gives every member variable a value.
  for (size_t i = 0; i < g->membersSet.size() && !g->returned; i++)
    if (!g->membersSet[i])
      return ZCLError(st, owner->members[i].name.c_str(), ZCL_ERR_Member_Not_Initialized);
  if (g->isCofunction) {
    // The end of a cofunction yields null to every further resume.
    if (func->hasResult) {
      ZCLVar* r1 = ZCLNewVar(g.get(), ZCLMakeType(ZIL_TYPE_VAR));
      if ((err = ZCLSimRegisterSet(g.get(), 1, r1)) || (err = ZCLEmit(g.get(), ZFAM_PUSH, {})) ||
          (err = ZCLEmit(g.get(), ZFAM_POP, {ZCLReg(1)})))
        return err;
      ZCLSimRegisterUnset(g.get(), 1);
    }
    if ((err = ZCLEmit(g.get(), ZFAM_YIELD, {})) || (err = ZCLEmit(g.get(), ZFAM_BRA, {ZCLOfs(-1)})))
      return err;
  } else if (!g->returned) {
    if (func->hasResult)
      return ZCLError(st, func->name.c_str(), ZCL_ERR_Not_All_Paths_Return);
    if ((err = ZCLEmitRestore(g.get())) || (err = ZCLEmit(g.get(), ZFAM_RET, {})))
      return err;
  }
  if ((err = ZCLSimStackPop(g.get(), 1024 - g->sp)))
    return err;
  for (int r = 0; r < ZIL_REGISTER_COUNT; r++)
    if (g->regs[r])
      return ZCLFatal(st, "zclcodegen", __LINE__, "Simulated register not clean", "cg_function_end");
  if ((err = ZCLFinishSavedRegisters(g.get())))
    return err;
  return ZCLResolveLiterals(g.get());
}

namespace {

ZILError compileGlobalValue(ZCLState* st, ZCLClass* cls, size_t member) {
  auto g = std::make_unique<ZCLGen>();
  g->st = st;
  g->func = cls->funcs[0].get();
  g->cls = cls;
  g->globalInit = true;
  g->scopes.emplace_back();
  ZCLVar* global = ZCLNewVar(g.get(), ZCLMakeType(kZCLGlobalClassId));
  ZILError err = ZCLSimRegisterSet(g.get(), 2, global);
  ZCLVar* dst = ZCLNewVar(g.get(), cls->members[member].type);
  dst->mode = kZCLModeMember;
  dst->reg = 2;
  dst->member = static_cast<int>(member);
  dst->lvalue = true;
  ZCLVar* value = nullptr;
  if (!err)
    err = ZCLParseExpression(g.get(), &value, &dst->type);
  if (!err)
    err = ZCLAssignInto(g.get(), dst, value, true);
  if (!err)
    err = ZCLResolveLiterals(g.get());
  return err;
}

}  // namespace

namespace {
ZILError skipValue(ZCLState* st);
}  // namespace

ZILError ZCLCompileInitializer(ZCLState* st, ZCLClass* cls, size_t member) {
  if (st->pass == 0 && cls->typeId == kZCLGlobalClassId && member < cls->members.size()) {
    size_t valueAt = ZCLFileGetPosition(st->file);
    bool judged = false;
    ZILError err = ZCLCheckSimpleInitializer(st, cls->members[member].type, &judged);
    if (err)
      return err;
    if (!cls->funcs.empty()) {
      // The value is compiled into the global initialisation function, where r2 holds
      // the global object.
      ZCLFileSetPosition(st->file, valueAt);
      return compileGlobalValue(st, cls, member);
    }
    if (judged)
      return ZCL_OK;
  }
  // Reads up to the `,` or `;` outside brackets that ends the value.
  const size_t valueAt = ZCLFileGetPosition(st->file);
  ZILError err = skipValue(st);
  if (!err && st->pass == 0 && cls->typeId != kZCLGlobalClassId && cls->family == ZIL_FAMILY_CLASS && !cls->isNative &&
      member < cls->members.size()) {
    ZCLMember& m = cls->members[member];
    size_t end = ZCLFileGetPosition(st->file);
    m.initText = st->file->text.substr(valueAt, end - valueAt);
    m.initFile = st->file->name;
    ZCLFileLineColumn(st->file, valueAt, &m.initLine, &m.initColumn);
  }
  return err;
}

namespace {

ZILError skipValue(ZCLState* st) {
  int depth = 0;
  size_t tokens = 0;
  for (;;) {
    int id = ZCLPeek(st);
    if (depth == 0 && (id == kTokComma || id == kTokSemicolon)) {
      if (tokens == 0) {
        ZCLNext(st);
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Syntax_Error);
      }
      return ZCL_OK;
    }
    ZILError err = ZCLNext(st);
    if (err)
      return err;
    tokens++;
    if (st->tokId == kTokLParen || st->tokId == kTokLBracket || st->tokId == kTokLBrace) {
      depth++;
    } else if (st->tokId == kTokRParen || st->tokId == kTokRBracket || st->tokId == kTokRBrace) {
      if (depth == 0)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
      depth--;
    }
  }
}

}  // namespace

ZILError ZCLCompilePendingLiterals(ZCLState*) { return ZCL_OK; }

ZILError ZCLBeginIntro(ZCLState* st) {
  int id = 0;
  ZILError err = ZCLCreateType(st, "__global", ZIL_FAMILY_CLASS, false, &id);
  if (err)
    return err;
  if (id != kZCLGlobalClassId)
    return ZCLFatal(st, "zclstate", __LINE__, "Runtime returned a typeID that does not match 'type_global'",
                    "cg_begin_intro");
  ZCLClass* global = st->classes[kZCLGlobalClassId].get();
  global->linked = true;
  global->hasBody = true;
  global->tag = "This class is maintained by the runtime and represents the global space.";
  auto init = std::make_unique<ZCLFunc>(st);
  init->name = "__init";
  init->flags = kZCLFuncFunction;
  init->defined = true;
  init->tag = "The runtime automatically creates and calls this function to intialize all global objects.";
  ZCLFunc* f = nullptr;
  err = ZCLAddFunction(st, global, std::move(init), &f);
  if (err)
    return err;
  global->hasMethods = false;
  st->currentClass = kZCLGlobalClassId;
  st->currentFunction = 0;
  // alloc __global, r2: the global object lives in r2 while global code runs.
  f->code.push_back(ZOP_ALLOC_TYPE_R);
  f->code.push_back(kZCLGlobalClassId);
  f->code.push_back(2);
  st->initClosed = false;
  return ZCL_OK;
}
