// zclswitch.cpp - switch (v) { case k: ... default: ... }: the value is kept in a stack slot of
// its own; each case tests it and branches to the next test, and the statements of a case fall
// through to the next case's statements over its test.
#include "zentra/compiler/zclconstant.h"
#include "zentra/compiler/zclstmt.h"

ZILError ZCLParseSwitch(ZCLGen* g) {
  ZCLState* st = g->st;
  ZILError err = ZCLExpect(st, kTokLParen);
  ZCLVar* value = nullptr;
  if (err || (err = ZCLParseExpression(g, &value)) || (err = ZCLExpect(st, kTokRParen)))
    return err;
  if (value->isNull)
    return ZCLError(st, "null", ZCL_ERR_Incompatible_Type);
  const int scopeSp = ZCLOpenScope(g);
  ZCLVar* slot = ZCLNewVar(g, value->type);
  slot->type.isConst = 0;
  if ((err = ZCLEmitPush(g, 1)) || (err = ZCLSimStackPush(g, slot)) ||
      (err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, value), ZCLOp(g, slot)})))
    return err;
  ZCLRelease(g, value);
  if ((err = ZCLExpect(st, kTokLBrace)))
    return err;
  ZCLOpenBreakable(g);
  const std::vector<bool> entryMembers = g->membersSet;
  long falseAt = -1, falseWord = -1;  // the last test's branch to the next test
  long fallAt = -1, fallWord = -1;    // the branch from a case's statements over the next test
  bool seenDefault = false, inBody = false;
  for (;;) {
    int id = ZCLPeek(st);
    if (id == kTokRBrace) {
      ZCLNext(st);
      break;
    }
    if (id == kTokNone) {
      ZCLNext(st);
      return ZCLError(st, nullptr, ZCL_ERR_Unexpected_EOF);
    }
    if (id == kTokCase || id == kTokDefault) {
      ZCLNext(st);
      if (seenDefault)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Default_Not_Last);
      size_t here = 0;
      if (inBody && id == kTokCase) {
        size_t at = 0, word = 0;
        if ((err = ZCLEmitForwardBranch(g, &at, &word)))
          return err;
        fallAt = static_cast<long>(at);
        fallWord = static_cast<long>(word);
      }
      here = g->func->code.size();
      if (falseAt >= 0)
        ZCLPatchBranch(g, static_cast<size_t>(falseAt), static_cast<size_t>(falseWord), here);
      falseAt = -1;
      if (id == kTokCase) {
        size_t kPos = ZCLNextTokenStart(st->file);
        ZCLVar* k = nullptr;
        if ((err = ZCLParseCaseValue(g, &slot->type, &k)))
          return err;
        if (!k->literal || !k->temp)
          return ZCLErrorAt(st, kPos, nullptr, ZCL_ERR_Case_Not_Constant);
        // The comparison is built as `slot == k`.
        ZCLVar* left = nullptr;
        ZCLVar* t = nullptr;
        if ((err = ZCLToRegister(g, slot, &left)) || (err = ZCLMakeTempVar(g, ZCLMakeType(ZIL_TYPE_INT), &t)))
          return err;
        const ZILFamily family =
            slot->type.type == ZIL_TYPE_STRING ? ZFAM_STREQ : ZCLTypedFamily(ZFAM_CSEQ, slot->type.type);
        size_t at = 0;
        if ((err = ZCLEmit(g, family, {ZCLOp(g, k), ZCLOp(g, left), ZCLOp(g, t)})) ||
            (err = ZCLEmit(g, ZFAM_TSTEQ, {ZCLOp(g, t), ZCLOfs(0)}, &at)))
          return err;
        falseAt = static_cast<long>(at);
        falseWord = static_cast<long>(g->func->code.size() - 1);
        ZCLRelease(g, k);
        ZCLRelease(g, left);
        ZCLRelease(g, t);
      } else {
        seenDefault = true;
      }
      if ((err = ZCLExpect(st, kTokColon)))
        return err;
      if (fallAt >= 0)
        ZCLPatchBranch(g, static_cast<size_t>(fallAt), static_cast<size_t>(fallWord), g->func->code.size());
      fallAt = -1;
      inBody = true;
      g->returned = false;
      // Reached from the test (the state at the switch) or by falling through (a superset).
      g->membersSet = entryMembers;
      continue;
    }
    if (!inBody) {
      ZCLNext(st);
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    }
    size_t stmtPos = ZCLNextTokenStart(st->file);
    const size_t localsBefore = g->scopes.back().size();
    if ((err = ZCLParseStatement(g)))
      return err;
    // A case's statements may be jumped over, so a local declared among them would not be
    // given its value on every path: locals of a case belong in a block of their own. The
    // switch's scope is counted, not the stack, so a local kept in a register counts too.
    if (g->scopes.back().size() != localsBefore)
      return ZCLErrorAt(st, stmtPos, nullptr, ZCL_ERR_Syntax_Error);
  }
  size_t end = g->func->code.size();
  if (falseAt >= 0)
    ZCLPatchBranch(g, static_cast<size_t>(falseAt), static_cast<size_t>(falseWord), end);
  // Left by a break, past the last case's statements, or with no case taken.
  std::vector<bool> after = inBody ? ZCLPathMembers(g) : entryMembers;
  for (const auto& b : g->loops.back().breakMembers)
    ZCLJoinMembers(&after, b);
  if (!seenDefault)
    ZCLJoinMembers(&after, entryMembers);
  g->membersSet = after;
  // With a default and no break, every path ends where the last case's statements end.
  const bool allReturn = seenDefault && inBody && g->returned && g->loops.back().breaks.empty();
  ZCLCloseBreakable(g);
  g->returned = allReturn;
  // Every path leaves through here: the case locals and the value's slot go.
  return ZCLCloseScope(g, scopeSp, true);
}
