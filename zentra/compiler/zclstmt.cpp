// Statements and function bodies: the statement dispatch, blocks with scoped locals, local
// declarations, if, break, return, yield, throw, __brk, __selftest and empty statements, with the
// reachability of each path and the members a constructor has given a value on it. Loops are in
// zclloops.cpp, switch in zclswitch.cpp.
#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "zentra/compiler/zclconstant.h"
#include "zentra/compiler/zclstmt.h"

namespace {

// Condition into a var and a conditional branch (tsteq) to be patched; *word: its offset word.
ZILError parseCondition(ZCLGen* g, size_t* at, size_t* word) {
  ZILError err = ZCLExpect(g->st, kTokLParen);
  ZCLVar* c = nullptr;
  if (err || (err = ZCLParseExpression(g, &c)))
    return err;
  if (c->isNull)
    return ZCLError(g->st, "null", ZCL_ERR_Incompatible_Type);
  if ((err = ZCLExpect(g->st, kTokRParen)) || (err = ZCLEmit(g, ZFAM_TSTEQ, {ZCLOp(g, c), ZCLOfs(0)}, at)))
    return err;
  *word = g->func->code.size() - 1;
  ZCLRelease(g, c);
  return ZCL_OK;
}

// A constructor leaving by `return` must have given every member a value.
ZILError checkMembersSet(ZCLGen* g, size_t pos) {
  ZCLClass* owner = ZCLClassAt(g->st, g->func->classId);
  for (size_t i = 0; i < g->membersSet.size(); i++)
    if (!g->membersSet[i] && owner && i < owner->members.size())
      return ZCLErrorAt(g->st, pos, owner->members[i].name.c_str(), ZCL_ERR_Member_Not_Initialized);
  return ZCL_OK;
}

ZILError parseLocalDeclaration(ZCLGen* g, const ZCLTypeDesc& type) {
  ZCLState* st = g->st;
  for (;;) {
    ZILError err = ZCLExpect(st, kTokIdentifier);
    if (err)
      return err;
    ZCLVar* v = nullptr;
    if ((err = ZCLMakeLocalVar(g, st->tok, type, &v)))
      return err;
    if (ZCLPeek(st) == kTokAssign) {
      ZCLNext(st);
      ZCLVar* value = nullptr;
      if ((err = ZCLParseExpression(g, &value, &v->type)) || (err = ZCLAssignInto(g, v, value, true)))
        return err;
    } else if (ZCLClass* c = ZCLClassAt(st, type.type); c && c->family == ZIL_FAMILY_CLASS &&
                                                        c->typeId > ZIL_TYPE_FLOAT && c->typeId != ZIL_TYPE_ARRAY &&
                                                        !type.isWeak) {
      // A class-typed local without a value starts as a new object.
      ZCLVar* obj = nullptr;
      if ((err = ZCLConstructDefault(g, c, &obj)) || (err = ZCLAssignInto(g, v, obj, true)))
        return err;
    } else if (type.type == ZIL_TYPE_INT && !type.isRef) {
      // ldz writes a register: the local starts at int 0 through a temporary.
      ZCLVar* t = nullptr;
      if ((err = ZCLMakeTempVar(g, type, &t)) || (err = ZCLEmit(g, ZFAM_LDZ, {ZCLOp(g, t)})) ||
          (err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, t), ZCLOp(g, v)})))
        return err;
      ZCLRelease(g, t);
    } else if (type.type == ZIL_TYPE_FLOAT) {
      ZCLPendingLiteral lit{};
      lit.kind = kZCLLiteralFloat;
      ZCLVar* t = nullptr;
      if ((err = ZCLEmitLiteral(g, lit, type, &t)) || (err = ZCLEmit(g, ZFAM_COPY, {ZCLOp(g, t), ZCLOp(g, v)})))
        return err;
      ZCLRelease(g, t);
    }
    ZCLFreeStatementTemps(g);
    if ((err = ZCLNextAfterStatement(st)))
      return err;
    if (st->tokId == kTokSemicolon)
      return ZCL_OK;
    if (st->tokId != kTokComma)
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Missing_Semicolon);
  }
}

// Whether values of this type may be thrown: classes implementing `exception`, the exception
// type itself and typeless values.
bool implementsException(ZCLState* st, int type) {
  if (type == ZIL_TYPE_EXCEPTION || type == ZIL_TYPE_VAR)
    return true;
  for (int depth = 0; depth < 64; depth++) {
    ZCLClass* c = ZCLClassAt(st, type);
    if (!c || c->baseId == 0)
      return false;
    if (c->baseId == ZIL_TYPE_EXCEPTION)
      return true;
    type = c->baseId;
  }
  return false;
}

// __selftest code { statements }: the block is compiled; when its result differs from 0 the code,
// the simulation and the messages are rolled back and the block is read over. A line tells
// whether the result was the expected one; a failing block is no error.
ZILError parseSelfTest(ZCLGen* g) {
  ZCLState* st = g->st;
  ZILError err = ZCLNext(st);
  if (err)
    return err;
  bool negative = st->tokId == kTokMinus;
  if (negative && (err = ZCLNext(st)))
    return err;
  if (st->tokId != kTokIntLiteral)
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  ZILError expected = static_cast<ZILError>(std::strtol(st->tok.c_str(), nullptr, 10)) * (negative ? -1 : 1);
  ZCLFile* file = st->file;
  const size_t at = ZCLFileGetPosition(file);
  int line = 1, column = 1;
  ZCLFileLineColumn(file, at, &line, &column);
  const size_t codeAt = g->func->code.size(), litAt = g->literals.size();
  const size_t scopes = g->scopes.size(), loops = g->loops.size();
  const int sp = g->sp, registerLocals = g->registerLocals;
  const bool returned = g->returned;
  const std::vector<bool> membersSet = g->membersSet;
  ZCLVar* regs[ZIL_REGISTER_COUNT];
  std::copy(std::begin(g->regs), std::end(g->regs), regs);
  ZCLDiagSnapshot snapshot = ZCLDiagSave(&st->diag);
  ZILError result = ZCLParseBlock(g);
  if (result != ZCL_OK) {
    if (st->diag.fatal)
      return result;
    ZCLDiagRestore(&st->diag, snapshot);
    ZCLCutCode(g, codeAt);
    g->literals.resize(std::min(litAt, g->literals.size()));
    ZCLSimStackPop(g, sp - g->sp);
    for (int r = 0; r < ZIL_REGISTER_COUNT; r++)
      if (g->regs[r] != regs[r]) {
        ZCLSimRegisterUnset(g, r);
        if (regs[r])
          ZCLSimRegisterSet(g, r, regs[r]);
      }
    g->scopes.resize(scopes);
    g->loops.resize(loops);
    g->registerLocals = registerLocals;
    g->returned = returned;
    g->membersSet = membersSet;
    ZCLFileSetPosition(file, at);
    if ((err = ZCLSkipBody(st)))
      return err;
  }
  ZCLSelfTestReport(&st->diag, file->name.c_str(), line, column, result, expected);
  return ZCL_OK;
}

// Drops locals above `sp` (code only) and returns.
ZILError emitLeave(ZCLGen* g) {
  ZILError err = ZCLEmitDrop(g, g->argTop - g->sp);
  if (!err)
    err = ZCLEmitRestore(g);
  if (!err)
    err = ZCLEmit(g, ZFAM_RET, {});
  return err;
}

// Assigns a statement's value to the result register r1 (as `type`).
ZILError assignResult(ZCLGen* g, ZCLVar* v, const ZCLTypeDesc& type) {
  ZCLVar result;
  result.type = type;
  result.type.isConst = 0;
  result.mode = kZCLModeRegister;
  result.reg = 1;
  result.lvalue = true;
  return ZCLAssignInto(g, &result, v, true);
}

ZILError parseIf(ZCLGen* g) {
  ZCLState* st = g->st;
  size_t at = 0, word = 0;
  ZILError err = parseCondition(g, &at, &word);
  if (err)
    return err;
  const std::vector<bool> before = g->membersSet;
  if ((err = ZCLParseStatement(g)))
    return err;
  const bool thenReturned = g->returned;
  std::vector<bool> after = ZCLPathMembers(g);
  g->returned = false;
  g->membersSet = before;
  if (ZCLPeek(st) == kTokElse) {
    ZCLNext(st);
    size_t braAt = 0, braWord = 0;
    if ((err = ZCLEmitForwardBranch(g, &braAt, &braWord)))
      return err;
    ZCLPatchBranch(g, at, word, g->func->code.size());
    if ((err = ZCLParseStatement(g)))
      return err;
    ZCLPatchBranch(g, braAt, braWord, g->func->code.size());
    ZCLJoinMembers(&after, ZCLPathMembers(g));
    g->returned = thenReturned && g->returned;
  } else {
    ZCLPatchBranch(g, at, word, g->func->code.size());
    ZCLJoinMembers(&after, before);
  }
  g->membersSet = after;
  return ZCL_OK;
}

ZILError parseBreak(ZCLGen* g) {
  ZCLState* st = g->st;
  if (g->loops.empty())
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Break_Outside_Loop);
  size_t at = 0, word = 0;
  ZILError err = ZCL_OK;
  if ((err = ZCLEmitDrop(g, g->loops.back().sp - g->sp)) || (err = ZCLEmitForwardBranch(g, &at, &word)))
    return err;
  g->loops.back().breaks.push_back(word);
  g->loops.back().branchAt.push_back(at);
  g->loops.back().breakMembers.push_back(g->membersSet);
  return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
}

ZILError parseReturn(ZCLGen* g) {
  ZCLState* st = g->st;
  const size_t pos = st->tokStart;
  if (g->isCofunction)
    return ZCLErrorAt(st, pos, "return", ZCL_ERR_Return_In_Cofunction);
  ZILError err = ZCL_OK;
  if (ZCLPeek(st) == kTokSemicolon) {
    ZCLNext(st);
    if (g->func->hasResult)
      return ZCLErrorAt(st, pos, "return", ZCL_ERR_Function_Must_Return_Value);
  } else {
    if (!g->func->hasResult)
      return ZCLErrorAt(st, pos, "return", ZCL_ERR_Function_Cannot_Return_Value);
    ZCLVar* v = nullptr;
    if ((err = ZCLParseExpression(g, &v, &g->func->result)) || (err = assignResult(g, v, g->func->result)) ||
        (err = ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon)))
      return err;
  }
  if ((err = checkMembersSet(g, pos)) || (err = emitLeave(g)))
    return err;
  g->returned = true;
  return ZCL_OK;
}

ZILError parseYield(ZCLGen* g) {
  ZCLState* st = g->st;
  if (!g->isCofunction)
    return ZCLErrorAt(st, st->tokStart, "yield", ZCL_ERR_Yield_Outside_Cofunction);
  ZILError err = ZCL_OK;
  if (ZCLPeek(st) != kTokSemicolon) {
    ZCLVar* v = nullptr;
    const ZCLTypeDesc* want = g->func->hasResult ? &g->func->result : nullptr;
    if ((err = ZCLParseExpression(g, &v, want)) || (err = assignResult(g, v, want ? *want : ZCLMakeType(ZIL_TYPE_VAR))))
      return err;
  }
  if ((err = ZCLEmit(g, ZFAM_YIELD, {})))
    return err;
  g->returned = true;
  return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
}

ZILError parseThrow(ZCLGen* g) {
  ZCLState* st = g->st;
  const size_t valuePos = ZCLNextTokenStart(st->file);
  ZCLVar* v = nullptr;
  ZILError err = ZCLParseExpression(g, &v);
  if (err)
    return err;
  if (!implementsException(st, v->type.type))
    return ZCLErrorAt(st, valuePos, nullptr, ZCL_ERR_Not_An_Exception);
  if ((err = assignResult(g, v, ZCLMakeType(ZIL_TYPE_VAR))) || (err = ZCLEmitDrop(g, g->argTop - g->sp)) ||
      (err = ZCLEmitRestore(g)) || (err = ZCLEmit(g, ZFAM_THROW, {})))
    return err;
  g->returned = true;
  return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
}

ZILError parseBrk(ZCLGen* g) {
  ZILError err = ZCLEmit(g, ZFAM_BRK, {});
  return err ? err : ZCLExpect(g->st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
}

// A declaration when a type comes first, else an expression.
ZILError parseDeclarationOrExpression(ZCLGen* g) {
  ZCLState* st = g->st;
  const size_t at = ZCLFileGetPosition(st->file);
  ZCLTypeDesc type;
  ZILError err = ZCLParseType(st, &type);
  if (err == ZCL_OK) {
    if (ZCLPeek(st) == kTokIdentifier)
      return parseLocalDeclaration(g, type);
    ZCLFileSetPosition(st->file, at);
  } else if (err != ZCL_ERR_Not_A_Type_Declaration) {
    return err;
  }
  ZCLVar* v = nullptr;
  g->postfixOld = nullptr;
  if ((err = ZCLParseExpression(g, &v)))
    return err;
  ZCLDiscardValue(g, v);
  ZCLRelease(g, v);
  return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
}

ZILError parseStatementInner(ZCLGen* g) {
  ZCLState* st = g->st;
  ZILError (*parse)(ZCLGen*) = nullptr;
  switch (ZCLPeek(st)) {
    case kTokLBrace: return ZCLParseBlock(g);
    case kTokSemicolon: ZCLNext(st); return ZCL_OK;
    case kTokSelftest: parse = parseSelfTest; break;
    case kTokBrk: parse = parseBrk; break;
    case kTokIf: parse = parseIf; break;
    case kTokWhile: parse = ZCLParseWhile; break;
    case kTokDo: parse = ZCLParseDo; break;
    case kTokFor: parse = ZCLParseFor; break;
    case kTokSwitch: parse = ZCLParseSwitch; break;
    case kTokBreak: parse = parseBreak; break;
    case kTokReturn: parse = parseReturn; break;
    case kTokYield: parse = parseYield; break;
    case kTokThrow: parse = parseThrow; break;
    default: return parseDeclarationOrExpression(g);
  }
  ZCLNext(st);  // the keyword
  return parse(g);
}

}  // namespace

void ZCLFreeStatementTemps(ZCLGen* g) {
  for (int r = 3; r < ZIL_REGISTER_COUNT; r++)
    if (g->regs[r] && g->regs[r]->temp)
      ZCLFreeTempVar(g, g->regs[r]);
}

int ZCLOpenScope(ZCLGen* g) {
  g->scopes.emplace_back();
  return g->sp;
}

ZILError ZCLCloseScope(ZCLGen* g, int scopeSp, bool dropInCode) {
  ZILError err = ZCL_OK;
  if ((dropInCode && (err = ZCLEmitDrop(g, scopeSp - g->sp))) || (err = ZCLSimStackPop(g, scopeSp - g->sp)))
    return err;
  for (ZCLVar* v : g->scopes.back())
    if (v->mode == kZCLModeRegister) {
      ZCLSimRegisterUnset(g, v->reg);
      g->registerLocals--;
    }
  g->scopes.pop_back();
  return ZCL_OK;
}

ZILError ZCLEmitForwardBranch(ZCLGen* g, size_t* at, size_t* word) {
  ZILError err = ZCLEmit(g, ZFAM_BRA, {ZCLOfs(0)}, at);
  *word = g->func->code.size() - 1;
  return err;
}

std::vector<bool> ZCLPathMembers(const ZCLGen* g) {
  if (g->returned)
    return std::vector<bool>(g->membersSet.size(), true);
  return g->membersSet;
}

void ZCLJoinMembers(std::vector<bool>* into, const std::vector<bool>& other) {
  for (size_t i = 0; i < into->size() && i < other.size(); i++)
    (*into)[i] = (*into)[i] && other[i];
}

void ZCLOpenBreakable(ZCLGen* g) { g->loops.push_back({{}, {}, g->sp, {}}); }

void ZCLCloseBreakable(ZCLGen* g) {
  ZCLGen::Loop& l = g->loops.back();
  for (size_t i = 0; i < l.breaks.size(); i++)
    ZCLPatchBranch(g, l.branchAt[i], l.breaks[i], g->func->code.size());
  g->loops.pop_back();
}

ZILError ZCLParseStatement(ZCLGen* g) {
  ZCLState* st = g->st;
  ZCLDepthGuard guard(g);
  if (guard.tooDeep()) {
    ZCLNext(st);
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_General_Parser_Error);
  }
  if (g->needHybrid || ZCLPeek(st) == kTokHybrid) {
    ZCLNext(st);
    if (st->tokId != kTokHybrid)
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Expected_Hybrid);
    ZILError err = ZCLParseHybrid(g);
    ZCLFreeStatementTemps(g);
    return err;
  }
  if (g->returned && !g->isCofunction && ZCLPeek(st) != kTokRBrace) {
    // Unreachable: compiled for its checks, then its code is dropped.
    ZCLNext(st);
    ZCLWarning(st, nullptr, ZCL_WARN_Unreachable_Code);
    ZCLFileSetPosition(st->file, st->tokStart);
    size_t codeAt = g->func->code.size(), litAt = g->literals.size();
    ZILError err = parseStatementInner(g);
    ZCLCutCode(g, codeAt);
    g->literals.resize(std::min(litAt, g->literals.size()));
    ZCLFreeStatementTemps(g);
    g->returned = true;
    return err;
  }
  ZILError err = parseStatementInner(g);
  ZCLFreeStatementTemps(g);
  return err;
}

ZILError ZCLParseBlock(ZCLGen* g) {
  ZCLState* st = g->st;
  ZILError err = ZCLExpect(st, kTokLBrace);
  if (err)
    return err;
  const int scopeSp = ZCLOpenScope(g);
  while (ZCLPeek(st) != kTokRBrace) {
    if (ZCLPeek(st) == kTokNone) {
      ZCLNext(st);
      return ZCLError(st, nullptr, ZCL_ERR_Unexpected_EOF);
    }
    if ((err = ZCLParseStatement(g)))
      return err;
  }
  ZCLNext(st);
  return ZCLCloseScope(g, scopeSp, !g->returned);
}
