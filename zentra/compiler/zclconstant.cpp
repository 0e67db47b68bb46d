// Constant values known while compiling: literals and named constants, read where a value must
// be known before the program runs (`case`, the value of another constant). Only the
// declaration of a constant gives it a known value, so reading one never runs code; a name that
// is no constant leaves the reading to the expression compiler.
#include "zentra/compiler/zclconstant.h"

#include <cstdlib>

namespace {

// The member `name` of c: nullptr when c has none; *found tells whether it has one at all.
const ZCLMember* memberNamed(const ZCLClass* c, const std::string& name, bool* found) {
  if (c)
    for (const ZCLMember& m : c->members)
      if (m.name == name) {
        *found = true;
        return m.constKind && m.type.isConst ? &m : nullptr;
      }
  return nullptr;
}

bool isLocalOrArgument(const ZCLGen* g, const std::string& name) {
  if (!g)
    return false;
  for (const auto& scope : g->scopes)
    for (const ZCLVar* v : scope)
      if (v->name == name)
        return true;
  for (const ZCLVar* v : g->args)
    if (v->name == name)
      return true;
  return false;
}

// The constant a name (read as the last token) denotes, or nullptr.
const ZCLMember* namedConstant(ZCLState* st, const ZCLGen* g, const ZCLClass* scope, bool globalOnly) {
  const std::string name = st->tok;
  if (!globalOnly && ZCLPeek(st) == kTokScope) {
    ZCLTypeDesc type;
    if (!ZCLLookupTypeName(st, name, &type))
      return nullptr;
    ZCLNext(st);
    if (ZCLPeek(st) != kTokIdentifier)
      return nullptr;
    ZCLNext(st);
    bool found = false;
    return memberNamed(ZCLClassAt(st, type.type), st->tok, &found);
  }
  bool found = false;
  if (!globalOnly) {
    if (isLocalOrArgument(g, name))
      return nullptr;
    const ZCLMember* m = memberNamed(scope, name, &found);
    if (found)
      return m;
  }
  return memberNamed(ZCLGlobalScope(st), name, &found);
}

}  // namespace

bool ZCLReadConstant(ZCLState* st, const ZCLGen* g, const ZCLClass* scope, ZCLMember* value) {
  const size_t at = ZCLFileGetPosition(st->file);
  bool negative = false;
  if (ZCLPeek(st) == kTokMinus) {
    negative = true;
    ZCLNext(st);
  }
  value->constKind = 0;
  // Tokens are peeked before they are read: a bad or missing one is left for the expression
  // compiler to report.
  if (ZCLPeek(st) != kTokNone && ZCLNext(st) == ZCL_OK) {
    switch (st->tokId) {
      case kTokIntLiteral: {
        const long long v = std::strtoll(st->tok.c_str(), nullptr, 10);
        value->constKind = 1;
        value->intValue = static_cast<int32_t>(negative ? -v : v);
        break;
      }
      case kTokCharLiteral:
        if (!negative && ZCLCharLiteralValue(st->tok, &value->intValue) == ZCL_OK)
          value->constKind = 1;
        break;
      case kTokTrue:
      case kTokFalse:
        if (!negative) {
          value->constKind = 1;
          value->intValue = st->tokId == kTokTrue;
        }
        break;
      case kTokFloatLiteral: {
        const double v = ZCLFloatLiteralValue(st->tok);
        value->constKind = 2;
        value->floatValue = negative ? -v : v;
        break;
      }
      case kTokStringLiteral:
        if (!negative) {
          value->constKind = 3;
          value->stringValue = st->tok;
        }
        break;
      case kTokScope:
      case kTokIdentifier: {
        const bool globalOnly = st->tokId == kTokScope;
        if (globalOnly && (ZCLPeek(st) != kTokIdentifier || ZCLNext(st) != ZCL_OK))
          break;
        const ZCLMember* m = namedConstant(st, g, scope, globalOnly);
        if (!m || (negative && m->constKind == 3))
          break;
        value->constKind = m->constKind;
        value->intValue = negative ? static_cast<int32_t>(-static_cast<int64_t>(m->intValue)) : m->intValue;
        value->floatValue = negative ? -m->floatValue : m->floatValue;
        value->stringValue = m->stringValue;
        break;
      }
      default: break;
    }
  }
  if (!value->constKind)
    ZCLFileSetPosition(st->file, at);
  return value->constKind != 0;
}

ZILError ZCLEmitConstant(ZCLGen* g, const ZCLMember& m, ZCLVar** out) {
  ZCLPendingLiteral lit{};
  lit.kind = m.constKind;
  lit.l = m.intValue;
  lit.f = m.floatValue;
  lit.s = m.stringValue;
  ZCLTypeDesc type = ZCLMakeType(m.constKind == 1 ? ZIL_TYPE_INT : m.constKind == 2 ? ZIL_TYPE_FLOAT : ZIL_TYPE_STRING);
  return ZCLEmitLiteral(g, lit, type, out);
}

ZILError ZCLParseCaseValue(ZCLGen* g, const ZCLTypeDesc* want, ZCLVar** out) {
  ZCLState* st = g->st;
  const size_t at = ZCLFileGetPosition(st->file);
  ZCLMember value;
  if (ZCLReadConstant(st, g, g->isMethod ? g->cls : nullptr, &value)) {
    if (ZCLPeek(st) == kTokColon) {
      if (value.constKind == 1 && want && want->type == ZIL_TYPE_FLOAT) {
        value.constKind = 2;
        value.floatValue = value.intValue;
      }
      return ZCLEmitConstant(g, value, out);
    }
    ZCLFileSetPosition(st->file, at);  // the start of a longer expression
  }
  return ZCLParseExpression(g, out, want);
}
