// zclloops.cpp - while, do and for. `while` and `for` are rotated: a `bra` to the condition,
// the body (and step), then the condition branching back to the body while it holds, so each
// round runs one branch. The condition and the step are compiled where they stand in the source
// and moved after the body.
#include <utility>

#include "zentra/compiler/zclstmt.h"

namespace {

// Whether c is an int literal other than 0 (`while (1)`, `while (true)`): a loop on it is left
// only by `break` or `return`.
bool alwaysTrue(const ZCLGen* g, const ZCLVar* c) {
  if (!c->literal || !c->temp || g->literals.empty())
    return false;
  const ZCLPendingLiteral& l = g->literals.back();
  return l.kind == kZCLLiteralInt && l.l != 0 && l.pos + 2 == g->func->code.size() && c->type.type == ZIL_TYPE_INT;
}

// Code compiled in source order but placed elsewhere (a loop's condition and step go after its
// body), with the literals and argument operands recorded in it.
struct CodeChunk {
  std::vector<ZILLong> words;
  std::vector<ZCLLineMark> lines;
  std::vector<ZCLPendingLiteral> literals;
  std::vector<size_t> argOperands;
};

// Takes the code from `start` to the end out of the function.
CodeChunk takeCode(ZCLGen* g, size_t start) {
  CodeChunk c;
  const std::vector<ZILLong>& code = g->func->code;
  c.words.assign(code.begin() + static_cast<long>(start), code.end());
  for (const ZCLPendingLiteral& l : g->literals)
    if (l.pos >= start) {
      c.literals.push_back(l);
      c.literals.back().pos -= start;
    }
  for (size_t pos : g->argOperands)
    if (pos >= start)
      c.argOperands.push_back(pos - start);
  ZCLTakeLines(g, start, &c.lines);
  ZCLCutCode(g, start);
  return c;
}

// Appends a taken chunk; returns where it starts.
size_t placeCode(ZCLGen* g, const CodeChunk& c) {
  const size_t at = g->func->code.size();
  g->func->code.insert(g->func->code.end(), c.words.begin(), c.words.end());
  ZCLPlaceLines(g, at, c.lines);
  for (ZCLPendingLiteral l : c.literals) {
    l.pos += at;
    g->literals.push_back(std::move(l));
  }
  for (size_t pos : c.argOperands)
    g->argOperands.push_back(pos + at);
  return at;
}

// A loop condition, compiled where it stands in the source and taken out to be placed after the
// body: its code ends with a `tstne` (at `branchAt`, offset word `branchWord`, both relative to
// the chunk) back to the body. An always-true condition (`endless`: the loop is left by `break`
// or `return` only) that is a bare literal gives no code (`none`).
struct LoopCondition {
  CodeChunk code;
  size_t branchAt = 0, branchWord = 0;
  bool endless = false;
  bool none = false;
};

ZILError takeCondition(ZCLGen* g, LoopCondition* cond) {
  const size_t start = g->func->code.size();
  ZCLVar* c = nullptr;
  ZILError err = ZCLParseExpression(g, &c);
  if (err)
    return err;
  cond->endless = alwaysTrue(g, c);
  cond->none = cond->endless && g->literals.back().pos == start + 1;
  if (c->isNull)
    return ZCLError(g->st, "null", ZCL_ERR_Incompatible_Type);
  size_t at = 0;
  if (!cond->none && (err = ZCLEmit(g, ZFAM_TSTNE, {ZCLOp(g, c), ZCLOfs(0)}, &at)))
    return err;
  ZCLRelease(g, c);
  if (cond->none) {
    ZCLCutCode(g, start);
    return ZCL_OK;
  }
  cond->branchAt = at - start;
  cond->branchWord = g->func->code.size() - 1 - start;
  cond->code = takeCode(g, start);
  return ZCL_OK;
}

// The end of a rotated loop: the condition (entered once from the `bra` before the body at
// `entry`, offset word `entryWord`) branching back to `body`, or without one a `bra` back to it.
ZILError closeLoopCondition(ZCLGen* g, const LoopCondition& cond, size_t entry, size_t entryWord, size_t body) {
  if (cond.none) {
    size_t braAt = 0, braWord = 0;
    ZILError err = ZCLEmitForwardBranch(g, &braAt, &braWord);
    ZCLPatchBranch(g, braAt, braWord, body);
    return err;
  }
  const size_t at = g->func->code.size();
  ZCLPatchBranch(g, entry, entryWord, at);
  placeCode(g, cond.code);
  ZCLPatchBranch(g, at + cond.branchAt, at + cond.branchWord, body);
  return ZCL_OK;
}

}  // namespace

ZILError ZCLParseWhile(ZCLGen* g) {
  ZCLState* st = g->st;
  LoopCondition cond;
  ZILError err = ZCL_OK;
  if ((err = ZCLExpect(st, kTokLParen)) || (err = takeCondition(g, &cond)) || (err = ZCLExpect(st, kTokRParen)))
    return err;
  size_t entry = 0, word = 0;
  if (!cond.none && (err = ZCLEmitForwardBranch(g, &entry, &word)))
    return err;
  const size_t body = g->func->code.size();
  ZCLOpenBreakable(g);
  const std::vector<bool> before = g->membersSet;  // the body may not run at all
  if ((err = ZCLParseStatement(g)))
    return err;
  g->membersSet = before;
  if ((err = closeLoopCondition(g, cond, entry, word, body)))
    return err;
  g->returned = cond.endless && g->loops.back().breaks.empty();
  ZCLCloseBreakable(g);
  return ZCL_OK;
}

ZILError ZCLParseDo(ZCLGen* g) {
  ZCLState* st = g->st;
  const size_t top = g->func->code.size();
  ZCLOpenBreakable(g);
  ZILError err = ZCL_OK;
  if ((err = ZCLParseStatement(g)) || (err = ZCLExpect(st, kTokWhile)))
    return err;
  g->returned = false;
  if ((err = ZCLExpect(st, kTokLParen)))
    return err;
  ZCLVar* c = nullptr;
  size_t at = 0;
  if ((err = ZCLParseExpression(g, &c)) || (err = ZCLExpect(st, kTokRParen)) ||
      (err = ZCLEmit(g, ZFAM_TSTNE, {ZCLOp(g, c), ZCLOfs(0)}, &at)))
    return err;
  ZCLPatchBranch(g, at, g->func->code.size() - 1, top);
  ZCLRelease(g, c);
  for (const auto& b : g->loops.back().breakMembers)
    ZCLJoinMembers(&g->membersSet, b);
  ZCLCloseBreakable(g);
  return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
}

ZILError ZCLParseFor(ZCLGen* g) {
  ZCLState* st = g->st;
  ZILError err = ZCLExpect(st, kTokLParen);
  if (err)
    return err;
  const int scopeSp = ZCLOpenScope(g);
  if ((err = ZCLParseStatement(g)))  // init: a declaration or an expression statement
    return err;
  LoopCondition cond;
  cond.endless = cond.none = true;
  if (ZCLPeek(st) != kTokSemicolon && (err = takeCondition(g, &cond)))
    return err;
  const std::vector<bool> before = g->membersSet;  // the body and step may not run
  if ((err = ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon)))
    return err;
  CodeChunk step;
  if (ZCLPeek(st) != kTokRParen) {
    const size_t stepStart = g->func->code.size();
    ZCLVar* s = nullptr;
    g->postfixOld = nullptr;
    if ((err = ZCLParseExpression(g, &s)))
      return err;
    ZCLDiscardValue(g, s);
    ZCLFreeStatementTemps(g);
    step = takeCode(g, stepStart);
  }
  if ((err = ZCLExpect(st, kTokRParen)))
    return err;
  size_t entry = 0, word = 0;
  if (!cond.none && (err = ZCLEmitForwardBranch(g, &entry, &word)))
    return err;
  const size_t body = g->func->code.size();
  ZCLOpenBreakable(g);
  if ((err = ZCLParseStatement(g)))
    return err;
  placeCode(g, step);
  if ((err = closeLoopCondition(g, cond, entry, word, body)))
    return err;
  const bool leftOnlyByReturn = cond.endless && g->loops.back().breaks.empty();
  ZCLCloseBreakable(g);
  g->membersSet = before;
  if ((err = ZCLCloseScope(g, scopeSp, true)))
    return err;
  g->returned = leftOnlyByReturn;
  return ZCL_OK;
}
