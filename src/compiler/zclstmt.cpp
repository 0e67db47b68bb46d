// Statements and function bodies: local declarations, blocks with scoped locals, if, while, do,
// for, break, return, throw, __brk and empty statements, with the reachability of each path.
#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "src/compiler/zclconstant.h"
#include "src/compiler/zclgen.h"

namespace {

ZILError freeStatementTemps(ZCLGen* g)
{
    for (int r = 3; r < 32; r++)
        if (g->regs[r] && g->regs[r]->temp)
            ZCLFreeTempVar(g, g->regs[r]);
    return ZCL_OK;
}

// Whether c is an int literal other than 0 (`while (1)`, `while (true)`): a loop on it is left
// only by `break` or `return`.
bool alwaysTrue(const ZCLGen* g, const ZCLVar* c)
{
    if (!c->literal || !c->temp || g->literals.empty())
        return false;
    const ZCLPendingLiteral& l = g->literals.back();
    return l.kind == 1 && l.l != 0 && l.pos + 2 == g->func->code.size() && c->type.type == ZIL_TYPE_INT;
}

// Condition into a var and a conditional branch (tsteq) to be patched; *word: its offset word.
ZILError parseCondition(ZCLGen* g, size_t* at, size_t* word)
{
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

ZILError emitBra(ZCLGen* g, size_t* at, size_t* word)
{
    ZILError err = ZCLEmit(g, ZFAM_BRA, {ZCLOfs(0)}, at);
    *word = g->func->code.size() - 1;
    return err;
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
CodeChunk takeCode(ZCLGen* g, size_t start)
{
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
size_t placeCode(ZCLGen* g, const CodeChunk& c)
{
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

ZILError takeCondition(ZCLGen* g, LoopCondition* cond)
{
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
ZILError closeLoopCondition(ZCLGen* g, const LoopCondition& cond, size_t entry, size_t entryWord, size_t body)
{
    if (cond.none) {
        size_t braAt = 0, braWord = 0;
        ZILError err = emitBra(g, &braAt, &braWord);
        ZCLPatchBranch(g, braAt, braWord, body);
        return err;
    }
    const size_t at = g->func->code.size();
    ZCLPatchBranch(g, entry, entryWord, at);
    placeCode(g, cond.code);
    ZCLPatchBranch(g, at + cond.branchAt, at + cond.branchWord, body);
    return ZCL_OK;
}

ZILError openLoop(ZCLGen* g)
{
    g->loops.push_back({{}, {}, g->sp, {}});
    return ZCL_OK;
}

// The members given a value on the current path; all of them once the path has left.
std::vector<bool> pathMembers(const ZCLGen* g)
{
    if (g->returned)
        return std::vector<bool>(g->membersSet.size(), true);
    return g->membersSet;
}

// Where two paths join: the members both gave.
void joinMembers(std::vector<bool>* into, const std::vector<bool>& other)
{
    for (size_t i = 0; i < into->size() && i < other.size(); i++)
        (*into)[i] = (*into)[i] && other[i];
}

// A constructor leaving by `return` must have given every member a value.
ZILError checkMembersSet(ZCLGen* g, size_t pos)
{
    ZCLClass* owner = ZCLClassAt(g->st, g->func->classId);
    for (size_t i = 0; i < g->membersSet.size(); i++)
        if (!g->membersSet[i] && owner && i < owner->members.size())
            return ZCLErrorAt(g->st, pos, owner->members[i].name.c_str(), ZCL_ERR_Member_Not_Initialized);
    return ZCL_OK;
}

void closeLoop(ZCLGen* g)
{
    ZCLGen::Loop& l = g->loops.back();
    for (size_t i = 0; i < l.breaks.size(); i++)
        ZCLPatchBranch(g, l.branchAt[i], l.breaks[i], g->func->code.size());
    g->loops.pop_back();
}

ZILError parseLocalDeclaration(ZCLGen* g, const ZCLTypeDesc& type)
{
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
        } else if (ZCLClass* c = ZCLClassAt(st, type.type);
                   c && c->family == ZIL_FAMILY_CLASS && c->typeId > ZIL_TYPE_FLOAT && c->typeId != ZIL_TYPE_ARRAY &&
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
            lit.kind = 2;
            ZCLVar* t = nullptr;
            if ((err = ZCLEmitLiteral(g, lit, type, &t)) || (err = ZCLEmit(g, ZFAM_COPY, {ZCLOp(g, t), ZCLOp(g, v)})))
                return err;
            ZCLRelease(g, t);
        }
        freeStatementTemps(g);
        if ((err = ZCLNextAfterStatement(st)))
            return err;
        if (st->tokId == kTokSemicolon)
            return ZCL_OK;
        if (st->tokId != kTokComma)
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Missing_Semicolon);
    }
}

// switch (v) { case k: ... default: ... }: the value is kept in a stack slot of its own; each
// case tests it and branches to the next test, and the statements of a case fall through to
// the next case's statements over its test.
ZILError parseSwitch(ZCLGen* g)
{
    ZCLState* st = g->st;
    ZILError err = ZCLExpect(st, kTokLParen);
    ZCLVar* value = nullptr;
    if (err || (err = ZCLParseExpression(g, &value)) || (err = ZCLExpect(st, kTokRParen)))
        return err;
    if (value->isNull)
        return ZCLError(st, "null", ZCL_ERR_Incompatible_Type);
    g->scopes.emplace_back();
    int scopeSp = g->sp;
    ZCLVar* slot = ZCLNewVar(g, value->type);
    slot->type.isConst = 0;
    if ((err = ZCLEmitPush(g, 1)) || (err = ZCLSimStackPush(g, slot)) ||
        (err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, value), ZCLOp(g, slot)})))
        return err;
    ZCLRelease(g, value);
    if ((err = ZCLExpect(st, kTokLBrace)) || (err = openLoop(g)))
        return err;
    const std::vector<bool> entryMembers = g->membersSet;
    long falseAt = -1, falseWord = -1;   // the last test's branch to the next test
    long fallAt = -1, fallWord = -1;     // the branch from a case's statements over the next test
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
                if ((err = emitBra(g, &at, &word)))
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
                const ZILFamily family = slot->type.type == ZIL_TYPE_STRING
                                             ? ZFAM_STREQ
                                             : ZCLTypedFamily(ZFAM_CSEQ, slot->type.type);
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
    std::vector<bool> after = inBody ? pathMembers(g) : entryMembers;
    for (const auto& b : g->loops.back().breakMembers)
        joinMembers(&after, b);
    if (!seenDefault)
        joinMembers(&after, entryMembers);
    g->membersSet = after;
    // With a default and no break, every path ends where the last case's statements end.
    const bool allReturn = seenDefault && inBody && g->returned && g->loops.back().breaks.empty();
    closeLoop(g);
    g->returned = allReturn;
    // Every path leaves through here: the case locals and the value's slot go.
    if ((err = ZCLEmitDrop(g, scopeSp - g->sp)) || (err = ZCLSimStackPop(g, scopeSp - g->sp)))
        return err;
    for (ZCLVar* v : g->scopes.back())
        if (v->mode == kZCLModeRegister) {
            ZCLSimRegisterUnset(g, v->reg);
            g->registerLocals--;
        }
    g->scopes.pop_back();
    return ZCL_OK;
}

// Whether values of this type may be thrown: classes implementing `exception`, the exception
// type itself and typeless values.
bool implementsException(ZCLState* st, int type)
{
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
ZILError parseSelfTest(ZCLGen* g)
{
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
    ZCLVar* regs[32];
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
        for (int r = 0; r < 32; r++)
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
ZILError emitLeave(ZCLGen* g)
{
    ZILError err = ZCLEmitDrop(g, g->argTop - g->sp);
    if (!err)
        err = ZCLEmitRestore(g);
    if (!err)
        err = ZCLEmit(g, ZFAM_RET, {});
    return err;
}

ZILError parseStatementInner(ZCLGen* g)
{
    ZCLState* st = g->st;
    int id = ZCLPeek(st);
    ZILError err = ZCL_OK;
    size_t at = 0, word = 0;
    switch (id) {
    case kTokSemicolon:
        ZCLNext(st);
        return ZCL_OK;
    case kTokLBrace:
        return ZCLParseBlock(g);
    case kTokSelftest:
        ZCLNext(st);
        return parseSelfTest(g);
    case kTokBrk:
        ZCLNext(st);
        if ((err = ZCLEmit(g, ZFAM_BRK, {})))
            return err;
        return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
    case kTokIf: {
        ZCLNext(st);
        if ((err = parseCondition(g, &at, &word)))
            return err;
        const std::vector<bool> before = g->membersSet;
        if ((err = ZCLParseStatement(g)))
            return err;
        bool thenReturned = g->returned;
        std::vector<bool> after = pathMembers(g);
        g->returned = false;
        g->membersSet = before;
        if (ZCLPeek(st) == kTokElse) {
            ZCLNext(st);
            size_t braAt = 0, braWord = 0;
            if ((err = emitBra(g, &braAt, &braWord)))
                return err;
            ZCLPatchBranch(g, at, word, g->func->code.size());
            if ((err = ZCLParseStatement(g)))
                return err;
            ZCLPatchBranch(g, braAt, braWord, g->func->code.size());
            joinMembers(&after, pathMembers(g));
            g->returned = thenReturned && g->returned;
        } else {
            ZCLPatchBranch(g, at, word, g->func->code.size());
            joinMembers(&after, before);
        }
        g->membersSet = after;
        return ZCL_OK;
    }
    case kTokWhile: {
        // Rotated: a `bra` to the condition, the body, then the condition branching back to the
        // body while it holds, so each round runs one branch.
        ZCLNext(st);
        LoopCondition cond;
        if ((err = ZCLExpect(st, kTokLParen)) || (err = takeCondition(g, &cond)) ||
            (err = ZCLExpect(st, kTokRParen)))
            return err;
        size_t entry = 0;
        if (!cond.none && (err = emitBra(g, &entry, &word)))
            return err;
        const size_t body = g->func->code.size();
        if ((err = openLoop(g)))
            return err;
        const std::vector<bool> before = g->membersSet;   // the body may not run at all
        if ((err = ZCLParseStatement(g)))
            return err;
        g->membersSet = before;
        if ((err = closeLoopCondition(g, cond, entry, word, body)))
            return err;
        g->returned = cond.endless && g->loops.back().breaks.empty();
        closeLoop(g);
        return ZCL_OK;
    }
    case kTokDo: {
        ZCLNext(st);
        size_t top = g->func->code.size();
        if ((err = openLoop(g)) || (err = ZCLParseStatement(g)) || (err = ZCLExpect(st, kTokWhile)))
            return err;
        g->returned = false;
        if ((err = ZCLExpect(st, kTokLParen)))
            return err;
        ZCLVar* c = nullptr;
        if ((err = ZCLParseExpression(g, &c)) || (err = ZCLExpect(st, kTokRParen)) ||
            (err = ZCLEmit(g, ZFAM_TSTNE, {ZCLOp(g, c), ZCLOfs(0)}, &at)))
            return err;
        ZCLPatchBranch(g, at, g->func->code.size() - 1, top);
        ZCLRelease(g, c);
        for (const auto& b : g->loops.back().breakMembers)
            joinMembers(&g->membersSet, b);
        closeLoop(g);
        return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
    }
    case kTokFor: {
        ZCLNext(st);
        if ((err = ZCLExpect(st, kTokLParen)))
            return err;
        g->scopes.emplace_back();
        int scopeSp = g->sp;
        if ((err = ZCLParseStatement(g)))   // init: a declaration or an expression statement
            return err;
        // Rotated as `while`: the condition goes after the body and the step.
        LoopCondition cond;
        cond.endless = cond.none = true;
        if (ZCLPeek(st) != kTokSemicolon && (err = takeCondition(g, &cond)))
            return err;
        const std::vector<bool> before = g->membersSet;   // the body and step may not run
        if ((err = ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon)))
            return err;
        // The step is compiled here and moved after the body.
        CodeChunk step;
        if (ZCLPeek(st) != kTokRParen) {
            const size_t stepStart = g->func->code.size();
            ZCLVar* s = nullptr;
            g->postfixOld = nullptr;
            if ((err = ZCLParseExpression(g, &s)))
                return err;
            ZCLDiscardValue(g, s);
            freeStatementTemps(g);
            step = takeCode(g, stepStart);
        }
        if ((err = ZCLExpect(st, kTokRParen)))
            return err;
        size_t entry = 0;
        if (!cond.none && (err = emitBra(g, &entry, &word)))
            return err;
        const size_t body = g->func->code.size();
        if ((err = openLoop(g)) || (err = ZCLParseStatement(g)))
            return err;
        placeCode(g, step);
        if ((err = closeLoopCondition(g, cond, entry, word, body)))
            return err;
        const bool endless = cond.endless;
        const bool leftOnlyByReturn = endless && g->loops.back().breaks.empty();
        closeLoop(g);
        g->membersSet = before;
        if ((err = ZCLEmitDrop(g, scopeSp - g->sp)) || (err = ZCLSimStackPop(g, scopeSp - g->sp)))
            return err;
        for (ZCLVar* v : g->scopes.back())
            if (v->mode == kZCLModeRegister) {
                ZCLSimRegisterUnset(g, v->reg);
                g->registerLocals--;
            }
        g->scopes.pop_back();
        g->returned = leftOnlyByReturn;
        return ZCL_OK;
    }
    case kTokSwitch: {
        ZCLNext(st);
        return parseSwitch(g);
    }
    case kTokBreak: {
        ZCLNext(st);
        if (g->loops.empty())
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Break_Outside_Loop);
        if ((err = ZCLEmitDrop(g, g->loops.back().sp - g->sp)) || (err = emitBra(g, &at, &word)))
            return err;
        g->loops.back().breaks.push_back(word);
        g->loops.back().branchAt.push_back(at);
        g->loops.back().breakMembers.push_back(g->membersSet);
        return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
    }
    case kTokReturn: {
        ZCLNext(st);
        size_t pos = st->tokStart;
        if (g->isCofunction)
            return ZCLErrorAt(st, pos, "return", ZCL_ERR_Return_In_Cofunction);
        if (ZCLPeek(st) == kTokSemicolon) {
            ZCLNext(st);
            if (g->func->hasResult)
                return ZCLErrorAt(st, pos, "return", ZCL_ERR_Function_Must_Return_Value);
        } else {
            if (!g->func->hasResult)
                return ZCLErrorAt(st, pos, "return", ZCL_ERR_Function_Cannot_Return_Value);
            ZCLVar* v = nullptr;
            if ((err = ZCLParseExpression(g, &v, &g->func->result)))
                return err;
            ZCLVar result;
            result.type = g->func->result;
            result.type.isConst = 0;
            result.mode = kZCLModeRegister;
            result.reg = 1;
            result.lvalue = true;
            if ((err = ZCLAssignInto(g, &result, v, true)))
                return err;
            if ((err = ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon)))
                return err;
        }
        if ((err = checkMembersSet(g, pos)) || (err = emitLeave(g)))
            return err;
        g->returned = true;
        return ZCL_OK;
    }
    case kTokYield: {
        ZCLNext(st);
        size_t pos = st->tokStart;
        if (!g->isCofunction)
            return ZCLErrorAt(st, pos, "yield", ZCL_ERR_Yield_Outside_Cofunction);
        if (ZCLPeek(st) != kTokSemicolon) {
            ZCLVar* v = nullptr;
            const ZCLTypeDesc* want = g->func->hasResult ? &g->func->result : nullptr;
            if ((err = ZCLParseExpression(g, &v, want)))
                return err;
            ZCLVar result;
            result.type = want ? *want : ZCLMakeType(ZIL_TYPE_VAR);
            result.type.isConst = 0;
            result.mode = kZCLModeRegister;
            result.reg = 1;
            result.lvalue = true;
            if ((err = ZCLAssignInto(g, &result, v, true)))
                return err;
        }
        if ((err = ZCLEmit(g, ZFAM_YIELD, {})))
            return err;
        g->returned = true;
        return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
    }
    case kTokThrow: {
        ZCLNext(st);
        size_t valuePos = ZCLNextTokenStart(st->file);
        ZCLVar* v = nullptr;
        if ((err = ZCLParseExpression(g, &v)))
            return err;
        if (!implementsException(st, v->type.type))
            return ZCLErrorAt(st, valuePos, nullptr, ZCL_ERR_Not_An_Exception);
        ZCLVar result;
        result.mode = kZCLModeRegister;
        result.reg = 1;
        result.lvalue = true;
        if ((err = ZCLAssignInto(g, &result, v, true)) || (err = ZCLEmitDrop(g, g->argTop - g->sp)) ||
            (err = ZCLEmitRestore(g)) || (err = ZCLEmit(g, ZFAM_THROW, {})))
            return err;
        g->returned = true;
        return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
    }
    default:
        break;
    }
    // A declaration when a type comes first, else an expression.
    size_t at0 = ZCLFileGetPosition(st->file);
    ZCLTypeDesc type;
    err = ZCLParseType(st, &type);
    if (err == ZCL_OK) {
        if (ZCLPeek(st) == kTokIdentifier)
            return parseLocalDeclaration(g, type);
        ZCLFileSetPosition(st->file, at0);
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

} // namespace

ZILError ZCLParseStatement(ZCLGen* g)
{
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
        freeStatementTemps(g);
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
        freeStatementTemps(g);
        g->returned = true;
        return err;
    }
    ZILError err = parseStatementInner(g);
    freeStatementTemps(g);
    return err;
}

ZILError ZCLParseBlock(ZCLGen* g)
{
    ZCLState* st = g->st;
    ZILError err = ZCLExpect(st, kTokLBrace);
    if (err)
        return err;
    g->scopes.emplace_back();
    int scopeSp = g->sp;
    while (ZCLPeek(st) != kTokRBrace) {
        if (ZCLPeek(st) == kTokNone) {
            ZCLNext(st);
            return ZCLError(st, nullptr, ZCL_ERR_Unexpected_EOF);
        }
        if ((err = ZCLParseStatement(g)))
            return err;
    }
    ZCLNext(st);
    if (!g->returned && (err = ZCLEmitDrop(g, scopeSp - g->sp)))
        return err;
    if ((err = ZCLSimStackPop(g, scopeSp - g->sp)))
        return err;
    for (ZCLVar* v : g->scopes.back())
        if (v->mode == kZCLModeRegister) {
            ZCLSimRegisterUnset(g, v->reg);
            g->registerLocals--;
        }
    g->scopes.pop_back();
    return ZCL_OK;
}
