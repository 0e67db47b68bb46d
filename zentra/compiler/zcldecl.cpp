// The declaration parser: top-level items, classes, interfaces, functions of every kind,
// delegates, aliases, variables and constants, `using`, `option`, `import` and self tests.
// Pass 0 creates types, functions (registered with the runtime at once) and variables and checks
// them; pass 1 reads the same text again, finds each declaration by name and hands function
// bodies to the code generator.
#include <cstdlib>

#include "zentra/compiler/zclcodegen.h"
#include "zentra/compiler/zclconstant.h"
#include "zentra/compiler/zcldecl.h"

namespace {

constexpr int kMaxNesting = 64;  // imports and self tests inside each other

// True while the text of the native type `name` (made from its declaration) is being parsed.
bool nativeImportInProgress(const ZCLState* st, const std::string& name) {
  auto found = st->importIndex.find(name);
  return found != st->importIndex.end() && st->imports[found->second].native && !st->imports[found->second].done;
}

ZILError parseMembers(ZCLState* st, ZCLClass* cls);

ZILError parseItem(ZCLState* st, ZCLClass* scope);

// Pass 0: the class takes a copy of every function of its interface, in the interface's order.
ZILError copyInterface(ZCLState* st, ZCLClass* cls, ZCLClass* iface) {
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
ZILError addHybridMembers(ZCLState* st, ZCLClass* cls, ZCLClass* base) {
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
      continue;  // an overload of a name already bound
    ZCLMember m;
    m.name = f->name;
    m.type = ZCLMakeType(dg);
    cls->members.push_back(std::move(m));
  }
  return ZCL_OK;
}

ZILError parseClass(ZCLState* st, int modifiers, bool isInterface) {
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
      return ZCLErrorAt(st, namePos, name.c_str(),
                        isInterface ? ZCL_ERR_Identifier_Already_Defined : ZCL_ERR_Not_A_Class);
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
      if (ZCLIsNativeClass(iface) && !ZCLIsNativeClass(cls) && !(modifiers & kZCLModNative))
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
    return ZCLParseTag(st, &cls->tag);
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
    if (!isInterface && !ZCLIsNativeClass(cls) && (cls->hasMethods || !cls->members.empty()) && !cls->hasConstructor)
      return ZCLErrorAt(st, namePos, name.c_str(), ZCL_ERR_No_Constructor);
    cls->hasBody = true;
  }
  return ZCLParseTag(st, &cls->tag);
}

ZILError parseAlias(ZCLState* st, ZCLClass* scope) {
  ZCLNext(st);  // `alias`
  ZCLTypeDesc d;
  ZILError err = ZCLParseRequiredType(st, &d);
  if (err || (err = ZCLNext(st)))
    return err;
  if (st->tokId != kTokIdentifier)
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  const std::string name = ZCLQualifiedName(scope, st->tok);
  const size_t namePos = st->tokStart;
  if ((err = ZCLExpectSemicolon(st)))
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
void readConstantValue(ZCLState* st, const ZCLClass* cls, ZCLMember* m) {
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

ZILError parseVariables(ZCLState* st, ZCLClass* cls) {
  ZCLTypeDesc d;
  std::string unknown;
  ZILError err = ZCLParseType(st, &d, &unknown);
  if (err == ZCL_ERR_Not_A_Type_Declaration) {
    if ((err = ZCLNext(st)))
      return err;
    return ZCLError(
        st, st->tok.c_str(),
        !unknown.empty() && ZCLPeek(st) == kTokIdentifier ? ZCL_ERR_Undefined_Identifier : ZCL_ERR_Unexpected_Token);
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
      if (ZCLIsNativeClass(cls) && !d.isConst && cls->typeId != kZCLGlobalClassId)
        return ZCLError(st, name.c_str(), ZCL_ERR_Native_Variable);
      if (d.isConst && !hasInit)
        return ZCLError(st, name.c_str(), ZCL_ERR_Constant_Needs_Initializer);
      if (!hasInit && cls->typeId == kZCLGlobalClassId) {
        ZCLClass* type = ZCLClassAt(st, d.type);
        if (type && d.type != ZIL_TYPE_ARRAY && !ZCLIsNativeClass(type)) {
          if (type->family == ZIL_FAMILY_INTERFACE || (type->family == ZIL_FAMILY_CLASS && !type->hasBody))
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
  if ((err = ZCLParseTag(st, &tag)))
    return err;
  if (st->pass == 0 && !tag.empty())
    for (size_t i : declared)
      cls->members[i].tag = tag;
  return ZCL_OK;
}

ZILError parseUsing(ZCLState* st) {
  ZCLNext(st);  // `using`
  for (;;) {
    ZILError err = ZCLNext(st);
    if (err)
      return err;
    ZCLTypeDesc d;
    if (st->tokId != kTokIdentifier && st->tokId != kTokString && st->tokId != kTokArray && st->tokId != kTokInt &&
        st->tokId != kTokFloat && st->tokId != kTokVar)
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

ZILError parseOption(ZCLState* st) {
  ZCLNext(st);  // `option`
  ZILError err = ZCLNext(st);
  if (err)
    return err;
  if (st->tokId != kTokStringLiteral)
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  std::string text = st->tok;
  const size_t textPos = st->tokStart;
  if ((err = ZCLExpectSemicolon(st)))
    return err;
  st->tokStart = textPos;  // warnings point at the option text
  return ZCLApplyOptionStatement(st, text, st->pass == 0);
}

ZILError parseImport(ZCLState* st, ZCLClass* scope) {
  ZCLNext(st);  // `import`
  if (scope->typeId != kZCLGlobalClassId)
    return ZCLError(st, st->tok.c_str(), ZCLIsNativeClass(scope) ? ZCL_ERR_Native_Import : ZCL_ERR_Unexpected_Token);
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
  st->tokStart = namePos;  // import failures point at the name
  return ZCLImport(st, name);
}

// `__selftest code { items }` at the top level.
ZILError parseSelfTest(ZCLState* st) {
  ZCLNext(st);  // `__selftest`
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

ZILError parseItem(ZCLState* st, ZCLClass* scope) {
  const bool global = scope->typeId == kZCLGlobalClassId;
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
        return ZCLParseFunction(st, scope, flags);
      }
      (void)at;
      ZCLNext(st);
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    }
    case kTokFunction:
    case kTokMethod:
    case kTokAccessor:
    case kTokCofunction:
    case kTokExplicit: return ZCLParseFunction(st, scope, (scope->modifiers & kZCLModStrict) ? kZCLFuncStrict : 0);
    case kTokDelegate: return ZCLParseDelegate(st, scope);
    case kTokAlias: return parseAlias(st, scope);
    case kTokImport: return parseImport(st, scope);
    case kTokUsing:
    case kTokOption:
    case kTokSelftest:
      if (!global) {
        ZCLNext(st);
        return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
      }
      return id == kTokUsing ? parseUsing(st) : id == kTokOption ? parseOption(st) : parseSelfTest(st);
    case kTokNone: {
      ZILError err = ZCLNext(st);  // reports the tokenizer's error
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

ZILError parseMembers(ZCLState* st, ZCLClass* cls) {
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

}  // namespace

bool ZCLIsNativeClass(const ZCLClass* cls) { return cls->isNative || (cls->modifiers & kZCLModNative); }

std::string ZCLQualifiedName(const ZCLClass* scope, const std::string& name) {
  return scope->typeId == kZCLGlobalClassId ? name : scope->name + "::" + name;
}

ZILError ZCLParseTag(ZCLState* st, std::string* tag) {
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

ZILError ZCLExpectSemicolon(ZCLState* st) {
  ZILError err = ZCLNextAfterStatement(st);
  if (err)
    return err;
  if (st->tokId != kTokSemicolon)
    return ZCLError(st, st->tok.c_str(), ZCL_ERR_Missing_Semicolon);
  return ZCL_OK;
}

ZILError ZCLParseRequiredType(ZCLState* st, ZCLTypeDesc* out) {
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

bool ZCLIsNameToken(int id) {
  return id == kTokIdentifier || id == kTokConvertor || id == kTokString || id == kTokArray;
}

ZILError ZCLParseTopLevel(ZCLState* st, bool enclosed) {
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
        return ZCL_OK;     // the normal end of a text
      return ZCLNext(st);  // reports ZCL_ERR_Unexpected_EOF
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

ZILError ZCLParseFile(ZCLState* st, ZCLFile* file) {
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
