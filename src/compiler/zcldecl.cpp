// The declaration parser: top-level items, classes, interfaces, functions of every kind,
// delegates, aliases, variables and constants, `using`, `option`, `import` and self tests.
// Pass 0 creates types, functions (registered with the runtime at once) and variables and checks
// them; pass 1 reads the same text again, finds each declaration by name and hands function
// bodies to the code generator.
#include <cstdlib>

#include "src/compiler/zclcodegen.h"
#include "src/compiler/zclconstant.h"
#include "src/compiler/zclparse.h"

namespace {

constexpr int kKindMask = kZCLFuncFunction | kZCLFuncMethod | kZCLFuncAccessor | kZCLFuncCofunction | kZCLFuncExplicit;
constexpr int kMaxNesting = 64;   // imports and self tests inside each other

bool isNativeClass(const ZCLClass* cls) { return cls->isNative || (cls->modifiers & kZCLModNative); }

// True while the text of the native type `name` (made from its declaration) is being parsed.
bool nativeImportInProgress(const ZCLState* st, const std::string& name)
{
    auto found = st->importIndex.find(name);
    return found != st->importIndex.end() && st->imports[found->second].native && !st->imports[found->second].done;
}

std::string qualified(const ZCLClass* scope, const std::string& name)
{
    return scope->typeId == 16 ? name : scope->name + "::" + name;
}

// `[ "text" ]` after a declaration; sets *tag in pass 0.
ZILError parseTag(ZCLState* st, std::string* tag)
{
    if (ZCLPeek(st) != kTokLBracket)
        return ZCL_OK;
    ZCLNext(st);
    ZILError err = ZCLNext(st);
    if (err)
        return err;
    if (st->tokId != kTokStringLiteral)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    if (st->pass == 0 && tag)
        *tag = st->tok;
    return ZCLExpect(st, kTokRBracket);
}

// Reads `;`, reporting 1242 on whatever stands there instead.
ZILError expectSemicolon(ZCLState* st)
{
    ZILError err = ZCLNextAfterStatement(st);
    if (err)
        return err;
    if (st->tokId != kTokSemicolon)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Missing_Semicolon);
    return ZCL_OK;
}

bool argsMatch(const std::vector<ZCLArg>& a, const std::vector<ZCLArg>& b)
{
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
                      const ZCLTypeDesc* convertorResult)
{
    for (ZCLFunc* f : ZCLFunctionsNamed(cls, name))
        if (argsMatch(f->args, args) &&
            (!convertorResult || (f->hasResult && f->result.type == convertorResult->type &&
                                  f->result.elemType == convertorResult->elemType)))
            return f;
    return nullptr;
}

// The first difference between a declaration and an earlier one of the same signature.
ZILError compareDeclarations(const ZCLFunc* old, int flags, bool hasResult, const ZCLTypeDesc& result,
                             const std::vector<ZCLArg>& args)
{
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

// A type where a declaration needs one: 1213 for an unknown name, 1201 for anything else.
ZILError parseRequiredType(ZCLState* st, ZCLTypeDesc* out)
{
    std::string unknown;
    ZILError err = ZCLParseType(st, out, &unknown);
    if (err != ZCL_ERR_Not_A_Type_Declaration)
        return err;
    if (!unknown.empty())
        return ZCLErrorAt(st, st->unknownPos, unknown.c_str(), ZCL_ERR_Undefined_Identifier);
    err = ZCLNext(st);
    if (err)
        return err;
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
}

// `( [type [name]] {, type [name]} )`
ZILError parseParameters(ZCLState* st, std::vector<ZCLArg>* args)
{
    ZILError err = ZCLExpect(st, kTokLParen);
    if (err)
        return err;
    if (ZCLPeek(st) == kTokRParen) {
        ZCLNext(st);
        return ZCL_OK;
    }
    for (;;) {
        ZCLArg arg;
        err = parseRequiredType(st, &arg.type);
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

bool isNameToken(int id)
{
    return id == kTokIdentifier || id == kTokConvertor || id == kTokString || id == kTokArray;
}

ZILError parseMembers(ZCLState* st, ZCLClass* cls);
ZILError parseItem(ZCLState* st, ZCLClass* scope);

// Pass 0: the class takes a copy of every function of its interface, in the interface's order.
ZILError copyInterface(ZCLState* st, ZCLClass* cls, ZCLClass* iface)
{
    std::vector<const ZCLFunc*> source;
    for (auto& f : iface->funcs)
        source.push_back(f.get());
    for (const ZCLFunc* f : source) {
        auto copy = std::make_unique<ZCLFunc>(st);
        copy->flags = f->flags | ((cls->modifiers & kZCLModStrict) ? kZCLFuncStrict : 0);
        copy->name = (f->flags & kZCLFuncConstructor) ? cls->name : f->name;
        copy->hasResult = f->hasResult;
        copy->result = f->result;
        copy->args = f->args;
        if ((f->flags & kZCLFuncConstructor) && copy->args.size() == 1 && copy->args[0].type.type == iface->typeId)
            copy->args[0].type.type = cls->typeId;
        copy->inherited = true;
        copy->tag = f->tag;
        ZILError err = ZCLAddFunction(st, cls, std::move(copy), nullptr);
        if (err)
            return err;
    }
    return ZCL_OK;
}

// Pass 0: one delegate member per plain method of the hybrid base.
ZILError addHybridMembers(ZCLState* st, ZCLClass* cls, ZCLClass* base)
{
    std::vector<const ZCLFunc*> methods;
    for (auto& f : base->funcs)
        if ((f->flags & kZCLFuncMethod) &&
            !(f->flags & (kZCLFuncConstructor | kZCLFuncConvertor | kZCLFuncAccessor | kZCLFuncCofunction)))
            methods.push_back(f.get());
    for (const ZCLFunc* f : methods) {
        int dg = 0;
        ZILError err = ZCLFindOrMakeDelegate(st, base->name + "::" + f->name, f->hasResult, f->result, f->args, &dg);
        if (err)
            return err;
        bool present = false;
        for (auto& m : cls->members)
            present = present || m.name == f->name;
        if (present)
            continue;   // an overload of a name already bound
        ZCLMember m;
        m.name = f->name;
        m.type = ZCLMakeType(dg);
        cls->members.push_back(std::move(m));
    }
    return ZCL_OK;
}

ZILError parseClass(ZCLState* st, int modifiers, bool isInterface)
{
    ZILError err = ZCLNext(st);
    if (err)
        return err;
    if (st->tokId != kTokIdentifier && !(st->tokId == kTokString || st->tokId == kTokArray))
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    const std::string name = st->tok;
    const size_t namePos = st->tokStart;
    ZCLClass* cls = nullptr;
    bool createdHere = false;
    ZCLTypeDesc existing;
    bool known = ZCLLookupTypeName(st, name, &existing);
    if (known && st->aliases.count(name) == 0)
        cls = ZCLClassAt(st, existing.type);
    if (st->pass == 0) {
        if (known && !cls)
            return ZCLErrorAt(st, namePos, name.c_str(), isInterface ? ZCL_ERR_Identifier_Already_Defined : ZCL_ERR_Not_A_Class);
        if (cls) {
            int wanted = isInterface ? ZIL_FAMILY_INTERFACE : ZIL_FAMILY_CLASS;
            if (cls->family != wanted) {
                if (cls->family == ZIL_FAMILY_CLASS || cls->family == ZIL_FAMILY_INTERFACE)
                    return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Class_Interface_Mix);
                return ZCLErrorAt(st, namePos, name.c_str(),
                                  isInterface ? ZCL_ERR_Identifier_Already_Defined : ZCL_ERR_Not_A_Class);
            }
        } else {
            int id = 0;
            err = ZCLCreateType(st, name, isInterface ? ZIL_FAMILY_INTERFACE : ZIL_FAMILY_CLASS,
                                ZCLFindNativeProc(st, name.c_str()) != nullptr, &id);
            if (err)
                return err;
            cls = st->classes[id].get();
            createdHere = true;
        }
    } else if (!cls) {
        return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Undefined_Identifier);
    }

    ZCLClass* iface = nullptr;
    ZCLClass* hybrid = nullptr;
    if (!isInterface && ZCLPeek(st) == kTokColon) {
        ZCLNext(st);
        if ((err = ZCLNext(st)))
            return err;
        ZCLTypeDesc d;
        if (!ZCLLookupTypeName(st, st->tok, &d))
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Undefined_Identifier);
        iface = ZCLClassAt(st, d.type);
        if (st->pass == 0) {
            if (!iface || iface->family != ZIL_FAMILY_INTERFACE)
                return ZCLError(st, st->tok.c_str(), ZCL_ERR_Not_An_Interface);
            if (!iface->hasBody)
                return ZCLError(st, st->tok.c_str(), ZCL_ERR_Class_Has_No_Body);
            if (isNativeClass(iface) && !isNativeClass(cls) && !(modifiers & kZCLModNative))
                return ZCLError(st, st->tok.c_str(), ZCL_ERR_Pure_Native_Interface);
        }
    }
    if (!isInterface && ZCLPeek(st) == kTokHybrid) {
        ZCLNext(st);
        if ((err = ZCLNext(st)))
            return err;
        ZCLTypeDesc d;
        if (!ZCLLookupTypeName(st, st->tok, &d))
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Undefined_Identifier);
        hybrid = ZCLClassAt(st, d.type);
        if (st->pass == 0) {
            if (!hybrid || (hybrid->family != ZIL_FAMILY_CLASS && hybrid->family != ZIL_FAMILY_INTERFACE))
                return ZCLError(st, st->tok.c_str(), ZCL_ERR_Not_A_Class);
            if (hybrid == cls)
                return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
            if (!hybrid->hasBody)
                return ZCLError(st, st->tok.c_str(), ZCL_ERR_Class_Has_No_Body);
        }
    }

    if ((err = ZCLNext(st)))
        return err;
    if (st->tokId == kTokSemicolon) {
        if (st->pass == 0 && !cls->hasBody)
            cls->modifiers |= modifiers;
        return parseTag(st, &cls->tag);
    }
    if (st->tokId != kTokLBrace)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    if (st->pass == 0) {
        if (cls->hasBody)
            return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Identifier_Already_Defined);
        // A script's own class may share its name with a native type the script never imported
        // (a `Point` of its own where the host registers one): it is a script class then.
        if (createdHere && cls->isNative && !nativeImportInProgress(st, name)) {
            cls->isNative = false;
            ZILTypes(st->ps)[cls->typeId].isNative = 0;
        }
        cls->modifiers |= modifiers;
        if (iface) {
            cls->baseId = iface->typeId;
            ZILTypes(st->ps)[cls->typeId].baseType = iface->typeId;
            if ((err = copyInterface(st, cls, iface)))
                return err;
        }
        if (hybrid) {
            cls->hybridId = hybrid->typeId;
            if ((err = addHybridMembers(st, cls, hybrid)))
                return err;
        }
    }
    int savedClass = st->currentClass;
    st->currentClass = cls->typeId;
    err = parseMembers(st, cls);
    st->currentClass = savedClass;
    if (err)
        return err;
    if (st->pass == 0) {
        if (!isInterface && !isNativeClass(cls) && (cls->hasMethods || !cls->members.empty()) && !cls->hasConstructor)
            return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_No_Constructor);
        cls->hasBody = true;
    }
    return parseTag(st, &cls->tag);
}

ZILError parseFunction(ZCLState* st, ZCLClass* scope, int extraFlags)
{
    ZILError err = ZCLNext(st);   // the kind
    if (err)
        return err;
    const int kindToken = st->tokId;
    const size_t kindPos = st->tokStart;
    int flags = extraFlags;
    switch (kindToken) {
    case kTokFunction: flags |= kZCLFuncFunction; break;
    case kTokMethod: flags |= kZCLFuncMethod; break;
    case kTokAccessor: flags |= kZCLFuncAccessor; break;
    case kTokCofunction: flags |= kZCLFuncCofunction; break;
    case kTokExplicit: flags |= kZCLFuncMethod | kZCLFuncExplicit; break;
    default: return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    }

    // Optional result type: a type followed by the name.
    bool hasResult = false;
    ZCLTypeDesc result;
    std::string unknown;
    {
        size_t at = ZCLFileGetPosition(st->file);
        ZCLTypeDesc d;
        err = ZCLParseType(st, &d, &unknown);
        if (err == ZCL_OK) {
            if (isNameToken(ZCLPeek(st))) {
                hasResult = true;
                result = d;
            } else {
                ZCLFileSetPosition(st->file, at);
            }
        } else if (err != ZCL_ERR_Not_A_Type_Declaration) {
            return err;
        }
    }
    if ((err = ZCLNext(st)))
        return err;
    if (!isNameToken(st->tokId))
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    std::string name = st->tok;
    size_t namePos = st->tokStart;
    ZCLClass* owner = scope;
    if (ZCLPeek(st) == kTokScope) {
        if (scope->typeId != 16)
            return ZCLError(st, name.c_str(), ZCL_ERR_Unexpected_Token);
        ZCLTypeDesc d;
        bool found = ZCLLookupTypeName(st, name, &d) && st->aliases.count(name) == 0;
        owner = found ? ZCLClassAt(st, d.type) : nullptr;
        if (!owner)
            return ZCLError(st, name.c_str(), ZCL_ERR_Undefined_Identifier);
        if (owner->family != ZIL_FAMILY_CLASS)
            return ZCLError(st, name.c_str(), ZCL_ERR_Method_Definition_Not_Allowed);
        if (!owner->hasBody)
            return ZCLError(st, name.c_str(), ZCL_ERR_Class_Has_No_Body);
        ZCLNext(st);
        if ((err = ZCLNext(st)))
            return err;
        if (!isNameToken(st->tokId))
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
        name = st->tok;
        namePos = st->tokStart;
    }
    if (ZCLPeek(st) != kTokLParen && !unknown.empty() && !hasResult) {
        st->tokStart = ZCLNextTokenStart(st->file);
        return ZCLErrorAt(st, namePos, unknown.c_str(), ZCL_ERR_Undefined_Identifier);
    }
    std::vector<ZCLArg> args;
    if ((err = parseParameters(st, &args)))
        return err;
    if ((err = ZCLNextAfterStatement(st)))
        return err;
    bool hasBody = st->tokId == kTokLBrace;
    if (!hasBody && st->tokId != kTokSemicolon)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Missing_Semicolon);
    const size_t bodyPos = st->tokStart;

    const bool inClass = owner->typeId != 16;
    const bool nativeOwner = inClass && isNativeClass(owner);
    const bool isCtor = inClass && name == owner->name;
    const bool isConvertor = name == "convertor";
    if (isCtor)
        flags |= kZCLFuncConstructor;
    if (isConvertor)
        flags |= kZCLFuncConvertor;

    if (st->pass == 0) {
        auto fail = [&](ZILError code) { return ZCLErrorAt(st, namePos, name.c_str(), code); };
        if (!inClass && (flags & (kZCLFuncMethod | kZCLFuncAccessor)))
            return ZCLErrorAt(st, kindPos, name.c_str(), ZCL_ERR_Member_Function_Outside_Class);
        if (isCtor && !(flags & kZCLFuncMethod))
            return fail(ZCL_ERR_Constructor_Not_Method);
        if (isConvertor && !(flags & kZCLFuncMethod))
            return fail(ZCL_ERR_Convertor_Not_Method);
        if ((flags & kZCLFuncExplicit) && !isCtor && !isConvertor)
            return fail(ZCL_ERR_Explicit_Misused);
        if (isCtor && hasResult)
            return fail(ZCL_ERR_Constructor_Returns_Value);
        if (isConvertor && !hasResult)
            return fail(ZCL_ERR_Convertor_Needs_Result);
        if (isConvertor && !args.empty())
            return fail(ZCL_ERR_Convertor_Has_Arguments);
        if ((flags & kZCLFuncAccessor) && !((args.empty() && hasResult) || (args.size() == 1 && !hasResult)))
            return fail(ZCL_ERR_Bad_Accessor_Signature);
        if ((flags & kZCLFuncCofunction) && nativeOwner)
            return fail(ZCL_ERR_Native_Cofunction);
        if (hasBody && nativeOwner)
            return fail(ZCL_ERR_Reimplement_Native_Function);
        if (hasBody && owner->family == ZIL_FAMILY_INTERFACE)
            return fail(ZCL_ERR_Method_Definition_Not_Allowed);
        if (isCtor && !nativeOwner && owner->family == ZIL_FAMILY_CLASS)
            flags |= kZCLFuncStrict;
    }

    // A cofunction is a thread type of its own whose one function is the cofunction's code.
    if (flags & kZCLFuncCofunction) {
        const std::string typeName = qualified(owner, name);
        ZCLTypeDesc d;
        bool exists = ZCLLookupTypeName(st, typeName, &d);
        ZCLClass* thread = exists ? ZCLClassAt(st, d.type) : nullptr;
        if (st->pass == 0) {
            if (exists && (!thread || thread->family != ZIL_FAMILY_THREAD))
                return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Identifier_Already_Defined);
            if (!thread) {
                int id = 0;
                if ((err = ZCLCreateType(st, typeName, ZIL_FAMILY_THREAD, false, &id)))
                    return err;
                thread = st->classes[id].get();
                thread->hasBody = true;
            }
        } else if (!thread) {
            return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Undefined_Identifier);
        }
        owner = thread;
    }

    ZCLFunc* func = findFunction(owner, name, args, isConvertor && hasResult ? &result : nullptr);
    if (st->pass == 0) {
        if (func) {
            if (hasBody && func->defined)
                return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Function_Already_Defined);
            int kinds = flags & ~kZCLFuncStrict & ~kZCLFuncConstructor & ~kZCLFuncConvertor;
            int oldKinds = func->flags & ~kZCLFuncStrict & ~kZCLFuncConstructor & ~kZCLFuncConvertor;
            if ((kinds & kKindMask) != (oldKinds & kKindMask))
                return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Function_Redefined_Kind);
            ZILError diff = compareDeclarations(func, func->flags, hasResult, result, args);
            if (diff)
                return ZCLErrorAt(st, namePos, name.c_str(), diff);
            func->flags |= flags & kZCLFuncStrict;
        } else {
            auto f = std::make_unique<ZCLFunc>(st);
            f->name = name;
            f->flags = flags;
            f->hasResult = hasResult;
            f->result = result;
            f->args = std::move(args);
            f->optimizeLevel = ZCLOptions(st).optimize;
            if ((err = ZCLAddFunction(st, owner, std::move(f), &func)))
                return err;
        }
        if (hasBody || nativeOwner)
            func->defined = true;
    } else if (!func) {
        return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Undefined_Identifier);
    }

    if (hasBody) {
        ZCLFileSetPosition(st->file, bodyPos);
        if (st->pass == 0) {
            if ((err = ZCLSkipBody(st)))
                return err;
        } else {
            // The body sees the names of its own definition, not those of an earlier declaration
            // (or of the interface the function was copied from).
            for (size_t i = 0; i < args.size() && i < func->args.size(); i++)
                func->args[i].name = args[i].name;
            int savedClass = st->currentClass, savedFunc = st->currentFunction;
            st->currentClass = owner->typeId;
            st->currentFunction = func->index;
            err = ZCLCompileFunctionBody(st, func);
            st->currentClass = savedClass;
            st->currentFunction = savedFunc;
            if (err)
                return err;
        }
    }
    return parseTag(st, &func->tag);
}

ZILError parseDelegate(ZCLState* st, ZCLClass* scope)
{
    ZCLNext(st);   // `delegate`
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
    const std::string name = qualified(scope, st->tok);
    const size_t namePos = st->tokStart;
    std::vector<ZCLArg> args;
    if ((err = parseParameters(st, &args)) || (err = expectSemicolon(st)))
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
        return parseTag(st, &dg->tag);
    }
    return parseTag(st, nullptr);
}

ZILError parseAlias(ZCLState* st, ZCLClass* scope)
{
    ZCLNext(st);   // `alias`
    ZCLTypeDesc d;
    ZILError err = parseRequiredType(st, &d);
    if (err || (err = ZCLNext(st)))
        return err;
    if (st->tokId != kTokIdentifier)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    const std::string name = qualified(scope, st->tok);
    const size_t namePos = st->tokStart;
    if ((err = expectSemicolon(st)))
        return err;
    if (st->pass == 0) {
        ZCLTypeDesc existing;
        if (ZCLLookupTypeName(st, name, &existing))
            return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_Identifier_Already_Defined);
        st->aliases[name] = d;
        if (ZCLClass* cls = ZCLClassAt(st, d.type))
            cls->aliases.push_back(name);
    }
    return ZCL_OK;
}

// The value of a constant's initial value when it is a literal or another constant (constKind
// stays 0 otherwise and the code generator computes it). The read position is restored.
void readConstantValue(ZCLState* st, const ZCLClass* cls, ZCLMember* m)
{
    size_t at = ZCLFileGetPosition(st->file);
    ZCLMember value;
    if (ZCLReadConstant(st, nullptr, cls, &value) && (ZCLPeek(st) == kTokComma || ZCLPeek(st) == kTokSemicolon)) {
        m->constKind = value.constKind;
        m->intValue = value.intValue;
        m->floatValue = value.floatValue;
        m->stringValue = std::move(value.stringValue);
    }
    ZCLFileSetPosition(st->file, at);
}

ZILError parseVariables(ZCLState* st, ZCLClass* cls)
{
    ZCLTypeDesc d;
    std::string unknown;
    ZILError err = ZCLParseType(st, &d, &unknown);
    if (err == ZCL_ERR_Not_A_Type_Declaration) {
        if ((err = ZCLNext(st)))
            return err;
        return ZCLError(st, st->tok.c_str(),
                        !unknown.empty() && ZCLPeek(st) == kTokIdentifier ? ZCL_ERR_Undefined_Identifier
                                                                          : ZCL_ERR_Unexpected_Token);
    }
    if (err)
        return err;
    std::vector<size_t> declared;
    for (;;) {
        if ((err = ZCLNext(st)))
            return err;
        if (st->tokId != kTokIdentifier)
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
        const std::string name = st->tok;
        size_t index = 0;
        bool found = false;
        for (size_t i = 0; i < cls->members.size() && !found; i++)
            if (cls->members[i].name == name) {
                index = i;
                found = true;
            }
        bool hasInit = ZCLPeek(st) == kTokAssign;
        if (st->pass == 0) {
            if (found)
                return ZCLError(st, name.c_str(), ZCL_ERR_Identifier_Already_Defined);
            for (auto& f : cls->funcs)
                if (f->name == name)
                    return ZCLError(st, name.c_str(), ZCL_ERR_Identifier_Already_Defined);
            if (isNativeClass(cls) && !d.isConst && cls->typeId != 16)
                return ZCLError(st, name.c_str(), ZCL_ERR_Native_Variable);
            if (d.isConst && !hasInit)
                return ZCLError(st, name.c_str(), ZCL_ERR_Constant_Needs_Initializer);
            if (!hasInit && cls->typeId == 16) {
                ZCLClass* type = ZCLClassAt(st, d.type);
                if (type && d.type != ZIL_TYPE_ARRAY && !isNativeClass(type)) {
                    if (type->family == ZIL_FAMILY_INTERFACE ||
                        (type->family == ZIL_FAMILY_CLASS && !type->hasBody))
                        return ZCLError(st, name.c_str(), ZCL_ERR_Explicit_Initialization);
                    if (type->family == ZIL_FAMILY_CLASS && type->hasConstructor) {
                        bool defaultCtor = false;
                        for (auto& f : type->funcs)
                            defaultCtor = defaultCtor || ((f->flags & kZCLFuncConstructor) && f->args.empty());
                        if (!defaultCtor)
                            return ZCLError(st, name.c_str(), ZCL_ERR_No_Default_Constructor);
                    }
                }
            }
            ZCLMember m;
            m.name = name;
            m.type = d;
            cls->members.push_back(std::move(m));
            index = cls->members.size() - 1;
            declared.push_back(index);
        } else if (!found) {
            return ZCLError(st, name.c_str(), ZCL_ERR_Undefined_Identifier);
        } else {
            declared.push_back(index);
        }
        if (hasInit) {
            ZCLNext(st);
            if (st->pass == 0 && d.isConst)
                readConstantValue(st, cls, &cls->members[index]);
            if ((err = ZCLCompileInitializer(st, cls, index)))
                return err;
        }
        if ((err = ZCLNextAfterStatement(st)))
            return err;
        if (st->tokId == kTokSemicolon)
            break;
        if (st->tokId != kTokComma)
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Missing_Semicolon);
    }
    std::string tag;
    if ((err = parseTag(st, &tag)))
        return err;
    if (st->pass == 0 && !tag.empty())
        for (size_t i : declared)
            cls->members[i].tag = tag;
    return ZCL_OK;
}

ZILError parseUsing(ZCLState* st)
{
    ZCLNext(st);   // `using`
    for (;;) {
        ZILError err = ZCLNext(st);
        if (err)
            return err;
        ZCLTypeDesc d;
        if (st->tokId != kTokIdentifier && st->tokId != kTokString && st->tokId != kTokArray &&
            st->tokId != kTokInt && st->tokId != kTokFloat && st->tokId != kTokVar)
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
        if (!ZCLLookupTypeName(st, st->tok, &d))
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Undefined_Identifier);
        ZCLClass* cls = ZCLClassAt(st, d.type);
        if (!cls || cls->family != ZIL_FAMILY_CLASS)
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Not_A_Class);
        std::vector<int>& list = st->options.back().usingList;
        bool present = false;
        for (int id : list)
            present = present || id == cls->typeId;
        if (!present)
            list.push_back(cls->typeId);
        if ((err = ZCLNextAfterStatement(st)))
            return err;
        if (st->tokId == kTokSemicolon)
            return ZCL_OK;
        if (st->tokId != kTokComma)
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Missing_Semicolon);
    }
}

ZILError parseOption(ZCLState* st)
{
    ZCLNext(st);   // `option`
    ZILError err = ZCLNext(st);
    if (err)
        return err;
    if (st->tokId != kTokStringLiteral)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    std::string text = st->tok;
    const size_t textPos = st->tokStart;
    if ((err = expectSemicolon(st)))
        return err;
    st->tokStart = textPos;   // warnings point at the option text
    return ZCLApplyOptionStatement(st, text, st->pass == 0);
}

ZILError parseImport(ZCLState* st, ZCLClass* scope)
{
    ZCLNext(st);   // `import`
    if (scope->typeId != 16)
        return ZCLError(st, st->tok.c_str(), isNativeClass(scope) ? ZCL_ERR_Native_Import : ZCL_ERR_Unexpected_Token);
    std::string name;
    size_t namePos = 0;
    for (;;) {
        ZILError err = ZCLNext(st);
        if (err)
            return err;
        if (name.empty())
            namePos = st->tokStart;
        if (st->tokId != kTokIdentifier && !(st->tokId >= kTokAccessor && st->tokId <= kTokSelftest))
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
        name += st->tok;
        if ((err = ZCLNext(st)))
            return err;
        if (st->tokId == kTokSemicolon)
            break;
        if (st->tokId != kTokDot)
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Missing_Semicolon);
        name += '.';
    }
    st->tokStart = namePos;   // import failures point at the name
    return ZCLImport(st, name);
}

// `__selftest code { items }` at the top level.
ZILError parseSelfTest(ZCLState* st)
{
    ZCLNext(st);   // `__selftest`
    ZILError err = ZCLNext(st);
    if (err)
        return err;
    bool negative = false;
    if (st->tokId == kTokMinus) {
        negative = true;
        if ((err = ZCLNext(st)))
            return err;
    }
    if (st->tokId != kTokIntLiteral)
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    ZILError expected = static_cast<ZILError>(std::strtol(st->tok.c_str(), nullptr, 10));
    if (negative)
        expected = -expected;
    ZCLFile* file = st->file;
    const size_t at = ZCLFileGetPosition(file);
    int line = 1, column = 1;
    ZCLFileLineColumn(file, at, &line, &column);
    const std::string key = file->name + '#' + std::to_string(at) + '#' + std::to_string(file->text.size());
    const bool pass0 = st->pass == 0;
    if (!pass0) {
        auto earlier = st->selfTests.find(key);
        if (earlier != st->selfTests.end() && earlier->second != ZCL_OK) {
            // Failed and rolled back in pass 0 (and reported there): only read over it.
            return ZCLSkipBody(st);
        }
    }
    ZCLDiagSnapshot snapshot = ZCLDiagSave(&st->diag);
    ZCLClass* global = ZCLGlobalScope(st);
    ZCLFunc* init = global->funcs.empty() ? nullptr : global->funcs[0].get();
    const size_t codeLength = init ? init->code.size() : 0;
    ZILError result;
    if (++st->nestDepth > kMaxNesting)
        result = ZCLError(st, nullptr, ZCL_ERR_General_Parser_Error);
    else
        result = ZCLParseTopLevel(st, true);
    st->nestDepth--;
    if (pass0)
        st->selfTests[key] = result;
    if (result != ZCL_OK) {
        ZCLDiagRestore(&st->diag, snapshot);
        if (init)
            init->code.resize(codeLength);
        ZCLFileSetPosition(file, at);
        if ((err = ZCLSkipBody(st)))
            return err;
    }
    // One line per test, from the pass that decides it: pass 0 when the block failed there,
    // otherwise pass 1, where bodies are compiled.
    bool report = !pass0 || result != ZCL_OK;
    if (report)
        ZCLSelfTestReport(&st->diag, file->name.c_str(), line, column, result, expected);
    return ZCL_OK;
}

ZILError parseItem(ZCLState* st, ZCLClass* scope)
{
    const bool global = scope->typeId == 16;
    std::string text;
    int id = ZCLPeek(st, &text);
    switch (id) {
    case kTokClass:
    case kTokInterface:
    case kTokNative:
    case kTokExtern: {
        int modifiers = 0;
        for (;;) {
            ZILError err = ZCLNext(st);
            if (err)
                return err;
            if (st->tokId == kTokNative)
                modifiers |= kZCLModNative;
            else if (st->tokId == kTokExtern)
                modifiers |= kZCLModExtern;
            else if (st->tokId == kTokStrict)
                modifiers |= kZCLModStrict;
            else
                break;
        }
        if ((st->tokId != kTokClass && st->tokId != kTokInterface) || !global)
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
        return parseClass(st, modifiers, st->tokId == kTokInterface);
    }
    case kTokStrict: {
        size_t at = ZCLFileGetPosition(st->file);
        ZCLNext(st);
        int next = ZCLPeek(st);
        if (next == kTokClass || next == kTokInterface) {
            if (!global) {
                ZCLNext(st);
                return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
            }
            ZCLNext(st);
            return parseClass(st, kZCLModStrict, next == kTokInterface);
        }
        if (next == kTokFunction || next == kTokMethod || next == kTokAccessor || next == kTokCofunction ||
            next == kTokExplicit) {
            int flags = kZCLFuncStrict;
            if (!global && (scope->modifiers & kZCLModStrict))
                flags |= kZCLFuncStrict;
            return parseFunction(st, scope, flags);
        }
        (void)at;
        ZCLNext(st);
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    }
    case kTokFunction:
    case kTokMethod:
    case kTokAccessor:
    case kTokCofunction:
    case kTokExplicit:
        return parseFunction(st, scope, (scope->modifiers & kZCLModStrict) ? kZCLFuncStrict : 0);
    case kTokDelegate:
        return parseDelegate(st, scope);
    case kTokAlias:
        return parseAlias(st, scope);
    case kTokImport:
        return parseImport(st, scope);
    case kTokUsing:
    case kTokOption:
    case kTokSelftest:
        if (!global) {
            ZCLNext(st);
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
        }
        return id == kTokUsing ? parseUsing(st) : id == kTokOption ? parseOption(st) : parseSelfTest(st);
    case kTokNone: {
        ZILError err = ZCLNext(st);   // reports the tokenizer's error
        return err ? err : ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    }
    default:
        if (scope->family == ZIL_FAMILY_INTERFACE) {
            ZCLNext(st);
            return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
        }
        return parseVariables(st, scope);
    }
}

ZILError parseMembers(ZCLState* st, ZCLClass* cls)
{
    for (;;) {
        int id = ZCLPeek(st);
        if (id == kTokRBrace) {
            ZCLNext(st);
            return ZCL_OK;
        }
        if (id == kTokNone && ZCLFileAtEnd(st->file)) {
            ZCLNext(st);
            return ZCL_ERR_Unexpected_EOF;
        }
        ZILError err = parseItem(st, cls);
        if (err)
            return err;
    }
}

} // namespace

ZILError ZCLNext(ZCLState* st)
{
    ZILError err = ZCLGetToken(st->file, &st->tok, &st->tokId);
    st->tokStart = st->file->tokenStart;
    if (err == ZCL_ERR_Unexpected_EOF) {
        const char* literal = ZCLUnclosedLiteral(st->file, st->tokStart);
        return ZCLError(st, nullptr, err, literal ? std::string("the ") + literal + " that starts here is not closed" : "");
    }
    if (err)
        return ZCLError(st, st->tok.empty() ? nullptr : st->tok.c_str(), err);
    return ZCL_OK;
}

int ZCLPeek(ZCLState* st, std::string* text)
{
    if (!text)
        return ZCLPeekTokenId(st->file);
    int id = kTokNone;
    if (ZCLPeekToken(st->file, text, &id) != ZCL_OK)
        return kTokNone;
    return id;
}

ZILError ZCLNextAfterStatement(ZCLState* st)
{
    if (ZCLFileAtEnd(st->file))
        return ZCLErrorAt(st, st->file->text.size(), nullptr, ZCL_ERR_Missing_Semicolon);
    return ZCLNext(st);
}

ZILError ZCLSkipBody(ZCLState* st)
{
    ZCLFile* file = st->file;
    const size_t open = ZCLNextTokenStart(file);
    st->tokStart = open;
    ZILError err = ZCLSkipBlock(file);
    if (err == ZCL_OK)
        return ZCL_OK;
    // The message points where reading stopped: a bad token, a cut-off literal or the end.
    const size_t at = ZCLFileGetPosition(file);
    std::string detail;
    if (err == ZCL_ERR_Unexpected_EOF) {
        if (const char* literal = ZCLUnclosedLiteral(file, at)) {
            detail = std::string("the ") + literal + " that starts here is not closed";
        } else if (at >= file->text.size() && open < file->text.size() && file->text[open] == '{') {
            int line = 1, column = 1;
            ZCLFileLineColumn(file, open, &line, &column);
            detail = "the '{' at line " + std::to_string(line) + ", column " + std::to_string(column) + " is not closed";
        }
    }
    const std::string token = err == ZCL_ERR_Unexpected_Token && at < file->text.size() ? file->text.substr(at, 1) : "";
    return ZCLErrorAt(st, at, token.empty() ? nullptr : token.c_str(), err, detail);
}

ZILError ZCLExpect(ZCLState* st, int id, ZILError code)
{
    // A text that ends where a statement's `;` should be lacks the `;`, more to the point than
    // that it ends.
    if (code == ZCL_ERR_Missing_Semicolon && ZCLFileAtEnd(st->file))
        return ZCLErrorAt(st, st->file->text.size(), nullptr, code);
    ZILError err = ZCLNext(st);
    if (err)
        return err;
    if (st->tokId != id)
        return ZCLError(st, st->tok.c_str(), code);
    return ZCL_OK;
}

ZILError ZCLParseTopLevel(ZCLState* st, bool enclosed)
{
    ZCLClass* global = ZCLGlobalScope(st);
    ZCLFile* file = st->file;
    if (enclosed) {
        ZILError err = ZCLExpect(st, kTokLBrace);
        if (err)
            return err;
    } else if (ZCLPeek(st) == kTokLBrace) {
        ZCLNext(st);
        enclosed = true;
    }
    for (;;) {
        int id = ZCLPeek(st);
        if (id == kTokNone && ZCLFileAtEnd(file)) {
            if (!enclosed)
                return ZCL_OK;   // the normal end of a text
            return ZCLNext(st);  // reports 1200
        }
        if (id == kTokRBrace && enclosed) {
            ZCLNext(st);
            return ZCL_OK;
        }
        ZILError err = parseItem(st, global);
        if (!err)
            err = ZCLCompilePendingLiterals(st);
        if (err)
            return err;
    }
}

ZILError ZCLParseFile(ZCLState* st, ZCLFile* file)
{
    ZCLFile* previous = st->file;
    size_t previousTokStart = st->tokStart;
    st->file = file;
    ZCLFileSetPosition(file, 0);
    file->pass = st->pass;
    ZILError err = ZCLParseTopLevel(st, false);
    st->file = previous;
    st->tokStart = previousTokStart;
    return err;
}
