// Expressions: precedence parsing that emits as it reads, instruction selection by operand type
// (int `l` forms, float `f` forms, generic forms for `var`, string forms), conversions,
// assignments and calls of script functions.
#include <cstdio>
#include <cstdlib>

#include "src/compiler/zclcodegen.h"
#include "src/compiler/zclconstant.h"
#include "src/compiler/zclexplain.h"
#include "src/compiler/zclgen.h"

namespace {

bool isInt(const ZCLVar* v) { return v->type.type == ZIL_TYPE_INT; }
bool isFloat(const ZCLVar* v) { return v->type.type == ZIL_TYPE_FLOAT; }
bool isNumeric(const ZCLVar* v) { return isInt(v) || isFloat(v); }
bool isValueType(const ZCLTypeDesc& t) { return t.type == ZIL_TYPE_INT || t.type == ZIL_TYPE_FLOAT; }

ZILError parseAssign(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want);
ZILError parseUnary(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want);
ZILError emitCall(ZCLGen* g, ZCLClass* where, ZCLFunc* f, ZCLVar* object, std::vector<ZCLVar*>& args, ZCLVar** out);
ZILError emitConstruct(ZCLGen* g, ZCLClass* c, ZCLFunc* f, std::vector<ZCLVar*>& args, ZCLVar** out);
ZILError parseVariableCall(ZCLGen* g, ZCLVar* v, size_t pos, ZCLVar** out);
ZILError referenceFunction(ZCLGen* g, ZCLClass* where, const std::string& name, size_t pos, ZCLVar* object,
                           ZCLVar** out, const ZCLTypeDesc* want);

// Brings both operands to a common numeric type (int or float, or var when either is var).
ZILError unify(ZCLGen* g, ZCLVar** a, ZCLVar** b, int* type)
{
    ZILError err = ZCL_OK;
    if (isNumeric(*a) && isNumeric(*b)) {
        if (isFloat(*a) || isFloat(*b)) {
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
ZILError emitInPlace(ZCLGen* g, ZILFamily family, ZCLVar* src, ZCLVar* dst)
{
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

ZILError binaryArith(ZCLGen* g, int op, ZCLVar* a, ZCLVar* b, ZCLVar** out)
{
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
    case kTokBitAnd: base = ZFAM_AND; intOnly = true; break;
    case kTokBitOr: base = ZFAM_OR; intOnly = true; break;
    case kTokXor: base = ZFAM_XOR; intOnly = true; break;
    case kTokShl: base = ZFAM_ASL; intOnly = true; break;
    case kTokShr: base = ZFAM_ASR; intOnly = true; break;
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

ZILError compare(ZCLGen* g, int op, ZCLVar* a, ZCLVar* b, ZCLVar** out)
{
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
    const ZILFamily base = kCompares[op == kTokEq ? 0 : op == kTokGt ? 1 : op == kTokGe ? 2 : op == kTokLt ? 3 : op == kTokLe ? 4 : 5];
    ZILFamily family = ZFAM_NOP;
    if (a->type.type == ZIL_TYPE_STRING && b->type.type == ZIL_TYPE_STRING && (op == kTokEq || op == kTokNe)) {
        family = op == kTokEq ? ZFAM_STREQ : ZFAM_STRNE;
    } else if (isNumeric(a) || isNumeric(b) || a->type.type == ZIL_TYPE_VAR || b->type.type == ZIL_TYPE_VAR) {
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
int levelOf(int tok)
{
    switch (tok) {
    case kTokBitOr: return 0;
    case kTokXor: return 1;
    case kTokBitAnd: return 2;
    case kTokEq: case kTokNe: return 3;
    case kTokLt: case kTokLe: case kTokGt: case kTokGe: return 4;
    case kTokShl: case kTokShr: return 5;
    case kTokPlus: case kTokMinus: return 6;
    case kTokMul: case kTokDiv: case kTokMod: return 7;
    default: return -1;
    }
}

ZILError parseBinary(ZCLGen* g, int level, ZCLVar** out, const ZCLTypeDesc* want)
{
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
            err = binaryArith(g, op, a, b, &a);
        if (err)
            return err;
    }
    *out = a;
    return ZCL_OK;
}

// && and ||: the right operand is skipped when the left decides.
ZILError parseLogical(ZCLGen* g, bool isOr, ZCLVar** out, const ZCLTypeDesc* want)
{
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

ZILError lookupName(ZCLGen* g, const std::string& name, bool globalOnly, ZCLVar** out)
{
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
    ZCLClass* global = ZCLClassAt(g->st, 16);
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

bool hasFunction(ZCLClass* cls, const std::string& name);
bool findVariable(ZCLGen* g, const std::string& name, ZCLVar** out);
ZCLClass* functionHome(ZCLGen* g, const std::string& name);
ZILError parseCall(ZCLGen* g, const std::string& name, size_t namePos, ZCLVar** out, const ZCLTypeDesc* want);
ZILError parseFunctionLiteral(ZCLGen* g, bool isMethod, ZCLVar** out, const ZCLTypeDesc* want);
int compoundOp(int tok);

// An argument that is only the name of an overloaded function (of the class or the global
// space): read and returned as a pending reference typed `var`; otherwise null, nothing read.
ZCLVar* overloadedReference(ZCLGen* g)
{
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
    ZCLClass* where = functionHome(g, name);
    size_t overloads = 0;
    if (where)
        overloads = ZCLFunctionsNamed(where, name).size();
    if ((next != kTokComma && next != kTokRParen) || overloads < 2 || findVariable(g, name, &found)) {
        ZCLFileSetPosition(st->file, at);
        return nullptr;
    }
    ZCLVar* v = ZCLNewVar(g, ZCLMakeType(ZIL_TYPE_VAR));
    v->name = name;
    v->functionRef = true;
    v->refPos = pos;
    return v;
}

// Reads `( args )`: each argument into a register.
ZILError parseArgs(ZCLGen* g, std::vector<ZCLVar*>* args, std::vector<ZCLTypeDesc>* types)
{
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
            if ((err = parseAssign(g, &a, nullptr)))
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
// or for a static function). The result (or null) into a new temporary.
// The signature a call passes arguments by and reads its result by.
struct ZCLSignature {
    std::vector<ZCLArg> args;
    bool hasResult = false;
    ZCLTypeDesc result;
};

bool isDelegate(ZCLGen* g, const ZCLVar* v)
{
    ZCLClass* c = ZCLClassAt(g->st, v->type.type);
    return c && c->family == ZIL_FAMILY_DELEGATE;
}

// Calls f of class `where` (object: the object of a method call, null to use the current `this`
// or for a static function), or with callee set, calls the delegate or resumes the cofunction
// thread in it. A thread class starts a new cofunction. The result (or null) into a new temporary.
ZILError emitCallAs(ZCLGen* g, ZCLClass* where, ZCLFunc* f, ZCLVar* callee, const ZCLSignature& sig, ZCLVar* object,
                    std::vector<ZCLVar*>& args, ZCLVar** out)
{
    ZILError err = ZCL_OK;
    bool method = f && (f->flags & kZCLFuncFunction) == 0 && where->family != ZIL_FAMILY_THREAD;
    for (size_t i = 0; i < args.size() && i < sig.args.size(); i++) {
        if (args[i]->pendingLiteral) {
            ZCLState* st = g->st;
            const size_t resume = ZCLFileGetPosition(st->file);
            ZCLFileSetPosition(st->file, args[i]->refPos);
            ZCLNext(st);
            err = parseFunctionLiteral(g, st->tokId == kTokMethod, &args[i], &sig.args[i].type);
            ZCLFileSetPosition(st->file, resume);
            if (err)
                return err;
            continue;
        }
        if (args[i]->functionRef) {
            if ((err = referenceFunction(g, functionHome(g, args[i]->name), args[i]->name, args[i]->refPos, nullptr, &args[i], &sig.args[i].type)))
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
        if (isValueType(sig.args[i].type) && !nativeReadsOnly && (err = ZCLToWritable(g, args[i], &args[i])))
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
        err = ZCLEmit(g, ZFAM_NEWCTX, {ZCLTypeOp(where->typeId), ZCLImm(f->handle), ZCLImm(static_cast<ZILLong>(args.size())), ZCLReg(1)});
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
    const bool number = sig.hasResult && isValueType(rt);
    if (result && (err = ZCLEmit(g, number ? ZFAM_COPY : ZFAM_MOVE, {ZCLReg(1), ZCLOp(g, t)})))
        return err;
    t->shared = !number;
    t->type.isConst = 0;
    *out = t;
    return ZCL_OK;
}

ZILError emitCall(ZCLGen* g, ZCLClass* where, ZCLFunc* f, ZCLVar* object, std::vector<ZCLVar*>& args, ZCLVar** out)
{
    ZCLSignature sig;
    sig.args = f->args;
    sig.hasResult = f->hasResult;
    sig.result = f->result;
    return emitCallAs(g, where, f, nullptr, sig, object, args, out);
}

ZILError resolve(ZCLGen* g, ZCLClass* cls, const std::string& name, size_t pos, const std::vector<ZCLTypeDesc>& types,
                 const ZCLTypeDesc* want, ZCLFunc** f)
{
    ZCLTypeDesc none;
    ZILError err = ZCLResolveOverload(g->st, cls, name, types, want != nullptr, want ? *want : none, f);
    if (err == ZCL_ERR_No_Matching_Function && want)   // the result may be left unused
        err = ZCLResolveOverload(g->st, cls, name, types, false, none, f);
    if (err)
        return ZCLErrorAt(g->st, pos, name.c_str(), err, ZCLCallDetail(g->st, cls, name, types));
    return ZCL_OK;
}

bool hasFunction(ZCLClass* cls, const std::string& name)
{
    return cls && !ZCLFunctionsNamed(cls, name).empty();
}

// The class whose function `name` a bare name means: the current class, the global space, then
// the classes named by `using` (the global space when none has it).
ZCLClass* functionHome(ZCLGen* g, const std::string& name)
{
    ZCLState* st = g->st;
    if (g->cls && g->cls->typeId != 16 && hasFunction(g->cls, name))
        return g->cls;
    ZCLClass* global = ZCLClassAt(st, 16);
    if (hasFunction(global, name))
        return global;
    for (int id : ZCLOptions(st).usingList)
        if (ZCLClass* used = ZCLClassAt(st, id); used && hasFunction(used, name))
            return used;
    return global;
}

// name ( args ): a function of the current class, of the global space or of a used class.
ZILError parseCall(ZCLGen* g, const std::string& name, size_t namePos, ZCLVar** out, const ZCLTypeDesc* want)
{
    ZCLState* st = g->st;
    std::vector<ZCLVar*> args;
    std::vector<ZCLTypeDesc> types;
    ZILError err = parseArgs(g, &args, &types);
    if (err)
        return err;
    ZCLTypeDesc threadType;
    if (ZCLLookupTypeName(st, name, &threadType)) {
        ZCLClass* thread = ZCLClassAt(st, threadType.type);
        if (thread && thread->family == ZIL_FAMILY_THREAD) {
            ZCLFunc* f = nullptr;
            if ((err = resolve(g, thread, name.substr(name.rfind(':') == std::string::npos ? 0 : name.rfind(':') + 1),
                               namePos, types, nullptr, &f)))
                return err;
            return emitCall(g, thread, f, nullptr, args, out);
        }
    }
    ZCLClass* where = functionHome(g, name);
    ZCLFunc* f = nullptr;
    if (ZCLTypeDesc type; !hasFunction(where, name) && ZCLLookupTypeName(st, name, &type))
        if (ZCLClass* c = ZCLClassAt(st, type.type); c && c->family == ZIL_FAMILY_CLASS)
            return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Cannot_Call_Constructor);
    if (!where)
        return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Undefined_Identifier);
    if ((err = resolve(g, where, name, namePos, types, want, &f)))
        return err;
    if (f->flags & kZCLFuncConstructor)
        return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Cannot_Call_Constructor);
    if ((f->flags & kZCLFuncFunction) == 0 && !g->isMethod)
        return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Method_From_Function);
    if ((f->flags & kZCLFuncFunction) == 0 && where != g->cls)
        return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Method_Without_Object);
    return emitCall(g, where, f, nullptr, args, out);
}

// { a, b, c }: a new array filled element by element.
ZILError parseArrayLiteral(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want)
{
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
        if ((err = parseAssign(g, &v, &elem)))
            return err;
        ZCLPendingLiteral lit{};
        lit.kind = 1;
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
ZILError emitConstruct(ZCLGen* g, ZCLClass* c, ZCLFunc* f, std::vector<ZCLVar*>& args, ZCLVar** out)
{
    ZCLVar* obj = nullptr;
    ZILError err = ZCLMakeTempVar(g, ZCLMakeType(c->typeId), &obj);
    if (err)
        return err;
    if ((err = ZCLEmit(g, c->isNative ? ZFAM_ALLOCN : ZFAM_ALLOC, {ZCLTypeOp(c->typeId), ZCLOp(g, obj)})))
        return err;
    if (f) {
        ZCLVar* ignored = nullptr;
        if ((err = emitCall(g, c, f, obj, args, &ignored)))
            return err;
        ZCLRelease(g, ignored);
    }
    obj->shared = false;
    *out = obj;
    return ZCL_OK;
}

} // namespace

ZILError ZCLConstructDefault(ZCLGen* g, ZCLClass* c, ZCLVar** out)
{
    ZCLFunc* f = nullptr;
    if (!c->isNative)
        for (auto& fn : c->funcs)
            if ((fn->flags & kZCLFuncConstructor) && fn->args.empty())
                f = fn.get();
    std::vector<ZCLVar*> none;
    return emitConstruct(g, c, f, none, out);
}

namespace {

// new Class ( args ): allocation and the constructor call with the object in r0.
ZILError parseNew(ZCLGen* g, ZCLVar** out)
{
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
    if (ZCLPeek(st) == kTokLParen && (err = parseArgs(g, &args, &types)))
        return err;
    ZCLFunc* f = nullptr;
    if (hasFunction(c, c->name) && (!c->isNative || !args.empty())) {
        if ((err = resolve(g, c, c->name, pos, types, nullptr, &f)))
            return err;
    } else if (!args.empty()) {
        return ZCLErrorAt(st, pos, c->name.c_str(), ZCL_ERR_No_Matching_Function,
                          "called as " + ZCLCallText(st, c->name, types) + "; " + c->name + " has no constructor taking arguments");
    }
    return emitConstruct(g, c, f, args, out);
}

// Class :: name: a static function called or referenced, a constant, a cofunction started.
ZILError parseQualified(ZCLGen* g, ZCLClass* c, ZCLVar** out, const ZCLTypeDesc* want)
{
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
            return parseCall(g, c->name + "::" + name, pos, out, want);
    }
    for (auto& m : c->members)
        if (m.name == name) {
            if (m.constKind && m.type.isConst)
                return ZCLEmitConstant(g, m, out);
            return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Method_Without_Object);
        }
    if (!hasFunction(c, name))
        return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Undefined_Identifier);
    if (ZCLPeek(st) != kTokLParen)
        return referenceFunction(g, c, name, pos, nullptr, out, want);
    std::vector<ZCLVar*> args;
    std::vector<ZCLTypeDesc> types;
    if ((err = parseArgs(g, &args, &types)))
        return err;
    ZCLFunc* f = nullptr;
    if ((err = resolve(g, c, name, pos, types, want, &f)))
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
    return emitCall(g, c, f, nullptr, args, out);
}

// An accessor of class c used on obj: `obj.name = v` calls the setter with v (the value of the
// whole assignment is v), `obj.name` the getter.
ZILError useAccessor(ZCLGen* g, ZCLClass* c, ZCLVar* obj, const std::string& name, size_t pos, ZCLFunc* getter,
                     ZCLFunc* setter, ZCLVar** out)
{
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
        if ((err = parseAssign(g, &value, &setter->args[0].type)))
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
        if ((err = emitCall(g, c, setter, object, args, &ignored)))
            return err;
        ZCLRelease(g, ignored);
        ZCLRelease(g, object);
        *out = kept;
        return ZCL_OK;
    }
    if (!getter)
        return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_No_Accessor);
    const int compound = ZCLPeek(st);
    if (compoundOp(compound)) {
        // obj.name op= v: the getter's value, the operation, then the setter with the result.
        ZCLNext(st);
        if (!setter)
            return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_No_Accessor);
        ZCLVar* current = nullptr;
        ZCLVar* value = nullptr;
        ZCLVar* result = nullptr;
        if ((err = emitCall(g, c, getter, object, args, &current)) ||
            (err = parseAssign(g, &value, &setter->args[0].type)) ||
            (err = binaryArith(g, compoundOp(compound), current, value, &result)) ||
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
        if ((err = emitCall(g, c, setter, object, setArgs, &ignored)))
            return err;
        ZCLRelease(g, ignored);
        ZCLRelease(g, object);
        *out = kept;
        return ZCL_OK;
    }
    err = emitCall(g, c, getter, object, args, out);
    ZCLRelease(g, object);
    return err;
}

// obj . name [ ( args ) ]: a member variable, an accessor or a method.
ZILError parseMember(ZCLGen* g, ZCLVar* obj, ZCLVar** out, const ZCLTypeDesc* want)
{
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
            return parseVariableCall(g, v, pos, out);
        *out = v;
        return ZCL_OK;
    }
    std::vector<ZCLVar*> args;
    std::vector<ZCLTypeDesc> types;
    if (ZCLPeek(st) == kTokLParen) {
        if ((err = parseArgs(g, &args, &types)))
            return err;
    } else {
        // An accessor: `obj.name = v` calls the setter with v, `obj.name` the getter.
        ZCLFunc *getter = nullptr, *setter = nullptr;
        for (auto& f : c->funcs)
            if (f->name == name && (f->flags & kZCLFuncAccessor))
                (f->args.empty() ? getter : setter) = f.get();
        if (!getter && !setter) {
            if (!hasFunction(c, name))
                return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Undefined_Identifier);
            // obj.name as a value: a delegate bound to the object (a static function: unbound).
            ZCLVar* object = nullptr;
            if ((err = ZCLToRegister(g, obj, &object)))
                return err;
            err = referenceFunction(g, c, name, pos, object, out, want);
            ZCLRelease(g, object);
            return err;
        }
        return useAccessor(g, c, obj, name, pos, getter, setter, out);
    }
    if (!hasFunction(c, name))
        return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Undefined_Identifier);
    ZCLFunc* f = nullptr;
    if ((err = resolve(g, c, name, pos, types, want, &f)))
        return err;
    ZCLVar* object = nullptr;
    if ((err = ZCLToRegister(g, obj, &object)))
        return err;
    err = emitCall(g, c, f, (f->flags & kZCLFuncFunction) ? nullptr : object, args, out);
    ZCLRelease(g, object);
    return err;
}

// A local, argument, member or global of this name (no report when there is none).
bool findVariable(ZCLGen* g, const std::string& name, ZCLVar** out)
{
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
    if ((g->isMethod && member(g->cls)) || member(ZCLClassAt(g->st, 16)))
        return lookupName(g, name, false, out) == ZCL_OK;
    return false;
}

// v ( args ): calls the delegate or resumes the cofunction thread held in v.
ZILError parseVariableCall(ZCLGen* g, ZCLVar* v, size_t pos, ZCLVar** out)
{
    ZCLState* st = g->st;
    ZCLClass* c = ZCLClassAt(st, v->type.type);
    bool thread = c && c->family == ZIL_FAMILY_THREAD;
    if (!(c && (thread || c->family == ZIL_FAMILY_DELEGATE)))
        return ZCLErrorAt(st, pos, v->name.c_str(), ZCL_ERR_Not_A_Delegate);
    std::vector<ZCLVar*> args;
    std::vector<ZCLTypeDesc> types;
    ZILError err = parseArgs(g, &args, &types);
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
    err = emitCallAs(g, nullptr, nullptr, v, sig, nullptr, args, out);
    ZCLRelease(g, v);
    return err;
}

bool signatureMatches(ZCLState* st, ZCLFunc* f, ZCLClass* dg)
{
    if (f->args.size() != dg->dgArgs.size() || f->hasResult != dg->dgHasResult)
        return false;
    if (f->hasResult && !ZCLTypeIdentical(st, dg->dgResult, f->result))
        return false;
    for (size_t i = 0; i < f->args.size(); i++)
        if (!ZCLTypeIdentical(st, dg->dgArgs[i].type, f->args[i].type))
            return false;
    return true;
}

// A function of `where` named `name` as a value: a delegate of the destination's delegate type
// (the overload whose signature it is), or with no delegate destination the one function of the
// name and a delegate type made for its signature. Methods are bound to `object` (null: `this`).
ZILError referenceFunction(ZCLGen* g, ZCLClass* where, const std::string& name, size_t pos, ZCLVar* object,
                           ZCLVar** out, const ZCLTypeDesc* want)
{
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
        ZILError err = ZCLFindOrMakeDelegate(st, where->typeId == 16 ? name : where->name + "::" + name, chosen->hasResult,
                                             chosen->result, chosen->args, &id);
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
        err = ZCLEmit(g, ZFAM_NEWDGM, {ZCLTypeOp(dg->typeId), ZCLImm(chosen->memberIndex),
                                    object ? ZCLOp(g, object) : ZCLReg(0), ZCLOp(g, t)});
    *out = t;
    return err;
}

// A function name as a value: of the current class, else of the global space.
ZILError functionReference(ZCLGen* g, const std::string& name, size_t pos, ZCLVar** out, const ZCLTypeDesc* want)
{
    return referenceFunction(g, functionHome(g, name), name, pos, nullptr, out, want);
}

// function ( params ) { body } / method ( params ) { body }: a new function with the destination
// delegate type's signature, compiled right away from its body; a delegate to it.
ZILError parseFunctionLiteral(ZCLGen* g, bool isMethod, ZCLVar** out, const ZCLTypeDesc* want)
{
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
    ZCLClass* owner = isMethod ? g->cls : ZCLClassAt(st, 16);
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

// typeof ( x ), sameref ( a, b ), __rtchk ( lvalue ).
ZILError parseBuiltin(ZCLGen* g, int id, ZCLVar** out)
{
    ZCLState* st = g->st;
    size_t pos = st->tokStart;
    ZILError err = ZCLExpect(st, kTokLParen);
    ZCLVar* a = nullptr;
    if (err || (err = parseAssign(g, &a, nullptr)))
        return err;
    ZCLVar* t = nullptr;
    if (id == kTokTypeof) {
        if (a->type.type == ZIL_TYPE_VAR)
            return ZCLErrorAt(st, pos, "typeof", ZCL_ERR_Typeof_Var);
        ZCLRelease(g, a);
        ZCLPendingLiteral lit{};
        lit.kind = 1;
        lit.l = a->type.type;
        if ((err = ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_INT), &t)))
            return err;
    } else if (id == kTokSameref) {
        ZCLVar* b = nullptr;
        if ((err = ZCLExpect(st, kTokComma)) || (err = parseAssign(g, &b, nullptr)))
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

ZILError parsePrimary(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want)
{
    ZCLState* st = g->st;
    ZILError err = ZCLNext(st);
    if (err)
        return err;
    ZCLPendingLiteral lit{};
    switch (st->tokId) {
    case kTokIntLiteral:
    case kTokCharLiteral: {
        int32_t v = 0;
        if (st->tokId == kTokCharLiteral) {
            if (ZCLCharLiteralValue(st->tok, &v))
                return ZCLError(st, st->tok.c_str(), ZCL_ERR_Invalid_Character_Literal);
        } else {
            v = static_cast<int32_t>(std::strtoll(st->tok.c_str(), nullptr, 10));
        }
        if (want && want->type == ZIL_TYPE_FLOAT) {
            lit.kind = 2;
            lit.f = v;
            return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_FLOAT), out);
        }
        lit.kind = 1;
        lit.l = v;
        return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_INT), out);
    }
    case kTokTrue:
    case kTokFalse:
        lit.kind = 1;
        lit.l = st->tokId == kTokTrue ? 1 : 0;
        return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_INT), out);
    case kTokFloatLiteral:
        lit.kind = 2;
        lit.f = ZCLFloatLiteralValue(st->tok);
        return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_FLOAT), out);
    case kTokStringLiteral:
        lit.kind = 3;
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
    case kTokLParen: {
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
        if ((err = parseAssign(g, out, want)))
            return err;
        return ZCLExpect(st, kTokRParen);
    }
    case kTokNew:
        return parseNew(g, out);
    case kTokFunction:
    case kTokMethod:
        return parseFunctionLiteral(g, st->tokId == kTokMethod, out, want);
    case kTokTypeof:
    case kTokSameref:
    case kTokRtchk:
        return parseBuiltin(g, st->tokId, out);
    case kTokLBrace:
        return parseArrayLiteral(g, out, want);
    case kTokScope: {
        if ((err = ZCLExpect(st, kTokIdentifier)))
            return err;
        return lookupName(g, st->tok, true, out);
    }
    case kTokString:
    case kTokArray:
        // Built-in classes whose names are keywords, qualified: `string::format(...)`.
        if (ZCLPeek(st) != kTokScope)
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
        [[fallthrough]];
    case kTokIdentifier: {
        std::string name = st->tok;
        size_t pos = st->tokStart;
        ZCLTypeDesc scope;
        if (ZCLPeek(st) == kTokScope && ZCLLookupTypeName(st, name, &scope)) {
            ZCLNext(st);
            ZCLClass* c = ZCLClassAt(st, scope.type);
            if (!c || (c->family != ZIL_FAMILY_CLASS && c->family != ZIL_FAMILY_INTERFACE))
                return ZCLErrorAt(st, pos, name.c_str(), ZCL_ERR_Not_A_Class);
            return parseQualified(g, c, out, want);
        }
        if (ZCLPeek(st) == kTokLParen) {
            ZCLVar* callee = nullptr;
            if (findVariable(g, name, &callee))
                return parseVariableCall(g, callee, pos, out);
            return parseCall(g, name, pos, out, want);
        }
        if (ZCLVar* v = nullptr; findVariable(g, name, &v)) {
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
                return useAccessor(g, g->cls, self, name, pos, getter, setter, out);
            }
        }
        if (hasFunction(functionHome(g, name), name))
            return functionReference(g, name, pos, out, want);
        return lookupName(g, name, false, out);
    }
    default:
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    }
}

ZILError parsePostfix(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want)
{
    ZCLVar* v = nullptr;
    ZILError err = parsePrimary(g, &v, want);
    if (err)
        return err;
    for (;;) {
        int id = ZCLPeek(g->st);
        if (id == kTokDot) {
            ZCLNext(g->st);
            if ((err = parseMember(g, v, &v, want)))
                return err;
            continue;
        }
        if (id == kTokLParen) {
            // A call of a computed value: (expr)(...), a[i](...), f()(...).
            ZCLClass* c = ZCLClassAt(g->st, v->type.type);
            if (!c || (c->family != ZIL_FAMILY_DELEGATE && c->family != ZIL_FAMILY_THREAD))
                return ZCLErrorAt(g->st, ZCLNextTokenStart(g->st->file), v->name.c_str(), ZCL_ERR_Not_A_Delegate);
            if ((err = parseVariableCall(g, v, ZCLNextTokenStart(g->st->file), &v)))
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
            if ((err = ZCLToRegister(g, v, &arr)) || (err = parseAssign(g, &index, &intType)) ||
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

ZILError parseUnary(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want)
{
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
            lit.kind = 2;
            lit.f = static_cast<double>(v);
            return ZCLEmitLiteral(g, lit, ZCLMakeType(ZIL_TYPE_FLOAT), out);
        }
        lit.kind = 1;
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
        if (!isNumeric(t) && t->type.type != ZIL_TYPE_VAR)
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Incompatible_Type);
        family = ZCLTypedFamily(ZFAM_NEG, t->type.type);
    } else {
        if (!isInt(t) && t->type.type != ZIL_TYPE_VAR)
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Incompatible_Type);
        family = id == kTokNot ? ZFAM_UNOT : ZFAM_NOT;
        t->type = ZCLMakeType(ZIL_TYPE_INT);
    }
    if ((err = ZCLEmit(g, family, {ZCLOp(g, t)})))
        return err;
    *out = t;
    return ZCL_OK;
}

const char* compoundBase(int tok)
{
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

int compoundOp(int tok)
{
    static const int map[][2] = {{kTokAddAssign, kTokPlus}, {kTokSubAssign, kTokMinus}, {kTokMulAssign, kTokMul},
                                 {kTokDivAssign, kTokDiv},  {kTokModAssign, kTokMod},   {kTokAndAssign, kTokBitAnd},
                                 {kTokOrAssign, kTokBitOr}, {kTokXorAssign, kTokXor},   {kTokShlAssign, kTokShl},
                                 {kTokShrAssign, kTokShr}};
    for (auto& m : map)
        if (m[0] == tok)
            return m[1];
    return 0;
}

ZILError parseAssign(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want)
{
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
    if ((err = parseAssign(g, &rhs, &lhs->type)))
        return err;
    if (id == kTokAssign) {
        if ((err = ZCLAssignInto(g, lhs, rhs, false)))
            return err;
        *out = lhs;
        return ZCL_OK;
    }
    int op = compoundOp(id);
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
    } else if (isNumeric(lhs) || lhs->type.type == ZIL_TYPE_VAR) {
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
        else if (isFloat(lhs))
            return ZCLErrorAt(st, opPos, opText.c_str(), ZCL_ERR_Incompatible_Type);
        if ((err = emitInPlace(g, family, r, lhs)))
            return err;
    } else {
        return ZCLErrorAt(st, opPos, opText.c_str(), ZCL_ERR_Incompatible_Type);
    }
    *out = lhs;
    return ZCL_OK;
}

} // namespace

ZILError ZCLToRegister(ZCLGen* g, ZCLVar* v, ZCLVar** out)
{
    if (v->mode == kZCLModeRegister) {
        *out = v;
        return ZCL_OK;
    }
    ZCLVar* t = nullptr;
    ZILError err = ZCLMakeTempVar(g, v->type, &t);
    if (err)
        return err;
    if (v->isNull) {
        // push puts the null handle on the stack; pop takes it into the register.
        if ((err = ZCLEmit(g, ZFAM_PUSH, {})) || (err = ZCLEmit(g, ZFAM_POP, {ZCLOp(g, t)})))
            return err;
    } else if ((err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, v), ZCLOp(g, t)}))) {
        return err;
    }
    t->shared = !v->isNull;
    t->literal = v->literal;
    t->isNull = v->isNull;
    ZCLRelease(g, v);
    *out = t;
    return ZCL_OK;
}

ZILError ZCLToWritable(ZCLGen* g, ZCLVar* v, ZCLVar** out)
{
    if (v->temp && v->mode == kZCLModeRegister && !v->shared) {
        *out = v;
        return ZCL_OK;
    }
    ZCLVar* src = v;
    ZILError err = ZCL_OK;
    if (v->isNull && (err = ZCLToRegister(g, v, &src)))
        return err;
    ZCLVar* t = nullptr;
    if ((err = ZCLMakeTempVar(g, src->type, &t)))
        return err;
    if ((err = ZCLEmit(g, ZFAM_COPY, {ZCLOp(g, src), ZCLOp(g, t)})))
        return err;
    t->type.isConst = 0;
    ZCLRelease(g, src);
    *out = t;
    return ZCL_OK;
}

ZILError ZCLConvert(ZCLGen* g, ZCLVar* v, const ZCLTypeDesc& to, ZCLVar** out)
{
    return ZCLConvertAs(g, v, to, false, out);
}

ZILError ZCLConvertAs(ZCLGen* g, ZCLVar* v, const ZCLTypeDesc& to, bool cast, ZCLVar** out)
{
    ZCLState* st = g->st;
    *out = v;
    if (v->isNull || to.type == ZIL_TYPE_VAR || to.type == v->type.type)
        return ZCL_OK;
    ZILError err = ZCL_OK;
    if ((to.type == ZIL_TYPE_FLOAT && isInt(v)) || (to.type == ZIL_TYPE_INT && isFloat(v))) {
        ZCLVar* r = nullptr;
        ZCLVar* t = nullptr;
        if ((err = ZCLToRegister(g, v, &r)) || (err = ZCLMakeTempVar(g, ZCLMakeType(to.type), &t)))
            return err;
        if (!cast)
            ZCLWarning(st, nullptr, to.type == ZIL_TYPE_INT ? ZCL_WARN_Float_To_Int : ZCL_WARN_Int_To_Float);
        err = ZCLEmit(g, to.type == ZIL_TYPE_FLOAT ? ZFAM_CVF : ZFAM_CVL, {ZCLOp(g, r), ZCLOp(g, t)});
        ZCLRelease(g, r);
        *out = t;
        return err;
    }
    if (v->type.type == ZIL_TYPE_VAR)
        return ZCL_OK;   // checked where it is stored
    ZCLCompat c = ZCLTypeCompatible(st, to, v->type);
    if (c == kZCLIdentical)
        return ZCL_OK;
    if (c == kZCLExplicitOnly && !cast)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Needs_Type_Cast, ZCLCastDetail(st, v->type, to));
    if (c == kZCLIncompatible)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Incompatible_Type, ZCLConversionText(st, v->type, to));
    // Through the source's convertor to the target type, else the target's constructor.
    ZCLClass* src = ZCLClassAt(st, v->type.type);
    ZCLClass* dst = ZCLClassAt(st, to.type);
    if (src)
        for (auto& f : src->funcs)
            if ((f->flags & kZCLFuncConvertor) && f->hasResult && ZCLTypeIdentical(st, to, f->result) &&
                (cast || !(f->flags & kZCLFuncExplicit))) {
                ZCLVar* object = nullptr;
                if ((err = ZCLToRegister(g, v, &object)))
                    return err;
                std::vector<ZCLVar*> none;
                err = emitCall(g, src, f.get(), object, none, out);
                ZCLRelease(g, object);
                return err;
            }
    if (dst)
        for (auto& f : dst->funcs)
            if ((f->flags & kZCLFuncConstructor) && f->args.size() == 1 && (cast || !(f->flags & kZCLFuncExplicit))) {
                ZCLCompat a = ZCLTypeCompatible(st, f->args[0].type, v->type);
                if (a != kZCLIdentical)
                    continue;
                std::vector<ZCLVar*> args{v};
                return emitConstruct(g, dst, f.get(), args, out);
            }
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Incompatible_Type, ZCLConversionText(st, v->type, to));
}

ZILError ZCLAssignInto(ZCLGen* g, ZCLVar* dst, ZCLVar* src, bool initialising)
{
    ZCLState* st = g->st;
    (void)initialising;
    ZILError err = ZCL_OK;
    if (g->isConstructor && dst->mode == kZCLModeMember && dst->reg == 0 && dst->member >= 0 &&
        static_cast<size_t>(dst->member) < g->membersSet.size())
        g->membersSet[static_cast<size_t>(dst->member)] = true;
    if (src->isNull) {
        if (isValueType(dst->type))
            ZCLWarning(st, nullptr, ZCL_WARN_Null_To_Value);
        ZCLVar* r = nullptr;
        if ((err = ZCLToRegister(g, src, &r)) || (err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, r), ZCLOp(g, dst)})))
            return err;
        ZCLRelease(g, r);
        return ZCL_OK;
    }
    bool typeless = src->type.type == ZIL_TYPE_VAR && dst->type.type != ZIL_TYPE_VAR;
    if (typeless)
        ZCLWarning(st, nullptr, ZCL_WARN_Typeless_To_Type);
    if (src->type.isWeak && !dst->type.isWeak)
        ZCLWarning(st, nullptr, ZCL_WARN_Reference_From_Weak);
    if ((err = ZCLConvert(g, src, dst->type, &src)))
        return err;
    ZILFamily family = ZFAM_MOVE;
    if (dst->type.isWeak) {
        if (src->temp && !src->shared)
            ZCLWarning(st, nullptr, ZCL_WARN_Temporary_To_Weak);
        family = ZFAM_WREF;
    } else if (isValueType(dst->type) || (typeless && isValueType(dst->type))) {
        // Copied into a variable even from a temporary: the copy lands in the variable's own
        // handle, while a move would share the temporary's handle and make its next in-place
        // result take a new one. The result register r1 takes a temporary's handle as it is.
        bool intoResult = dst->mode == kZCLModeRegister && dst->reg == 1;
        family = src->temp && !src->shared && intoResult ? ZFAM_MOVE : ZFAM_COPY;
    } else if (dst->type.type == ZIL_TYPE_VAR && isValueType(src->type) && !(src->temp && !src->shared)) {
        // A number stored into a var gets its own handle: the var's in-place arithmetic must not
        // change a constant or the variable it came from.
        family = ZFAM_COPY;
    } else if (src->literal && dst->type.type != ZIL_TYPE_VAR) {
        ZCLWarning(st, nullptr, ZCL_WARN_Constant_To_Reference);
        family = ZFAM_COPY;
    } else if (src->type.type == ZIL_TYPE_VAR && src->shared) {
        family = ZFAM_MOVE;
    }
    if (src->mode != kZCLModeRegister && dst->mode != kZCLModeRegister && dst->mode == kZCLModeElement &&
        src->mode == kZCLModeElement) {
        ZCLVar* r = nullptr;
        if ((err = ZCLToRegister(g, src, &r)))
            return err;
        src = r;
    }
    if ((err = ZCLEmit(g, family, {ZCLOp(g, src), ZCLOp(g, dst)})))
        return err;
    ZCLRelease(g, src);
    if (typeless && ZCLOptions(st).useRtchk) {
        ZCLClass* c = ZCLClassAt(st, dst->type.type);
        if (!c || c->family != ZIL_FAMILY_INTERFACE)
            err = ZCLEmit(g, ZFAM_RTCHK, {ZCLTypeOp(dst->type.type), ZCLOp(g, dst)});
    }
    dst->initialised = true;
    return err;
}

ZILError ZCLParseHybrid(ZCLGen* g)
{
    ZCLState* st = g->st;
    size_t pos = st->tokStart;
    ZCLClass* base = g->cls ? ZCLClassAt(st, g->cls->hybridId) : nullptr;
    if (!base || !g->needHybrid)
        return ZCLErrorAt(st, pos, "hybrid", ZCL_ERR_Unexpected_Token);
    g->needHybrid = false;
    std::vector<ZCLVar*> args;
    std::vector<ZCLTypeDesc> types;
    ZILError err = parseArgs(g, &args, &types);
    if (err)
        return err;
    ZCLFunc* ctor = nullptr;
    if (hasFunction(base, base->name) && (!base->isNative || !args.empty())) {
        if ((err = resolve(g, base, base->name, pos, types, nullptr, &ctor)))
            return err;
    } else if (!args.empty()) {
        return ZCLErrorAt(st, pos, base->name.c_str(), ZCL_ERR_No_Matching_Function,
                          "called as " + ZCLCallText(st, base->name, types) + "; " + base->name +
                              " has no constructor taking arguments");
    }
    ZCLVar* obj = nullptr;
    if ((err = emitConstruct(g, base, ctor, args, &obj)))
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
            (err = ZCLEmit(g, ZFAM_NEWDGM, {ZCLTypeOp(dg->typeId), ZCLImm(method->memberIndex), ZCLOp(g, obj), ZCLOp(g, t)})) ||
            (err = ZCLEmit(g, ZFAM_MOVE, {ZCLOp(g, t), {ZILK_RD, 0, static_cast<ZILLong>(i)}})))
            return err;
        if (i < g->membersSet.size())
            g->membersSet[i] = true;
        ZCLRelease(g, t);
    }
    ZCLRelease(g, obj);
    return ZCLExpect(st, kTokSemicolon, ZCL_ERR_Missing_Semicolon);
}

ZILError ZCLParseExpression(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want)
{
    return parseAssign(g, out, want);
}
