// Type expressions and the type rules: identity (same type, typeless `var`, any delegate to
// `__delegate`, a class to the interface it implements), compatibility (identity, int<->float,
// convertors and one-argument constructors) and overload resolution by cost.
#include <cstring>

#include "zentra/compiler/zclparse.h"

namespace {

bool isValueType(int type) { return type == ZIL_TYPE_INT || type == ZIL_TYPE_FLOAT; }

int familyOf(ZCLState* st, int type) {
  ZCLClass* cls = ZCLClassAt(st, type);
  return cls ? cls->family : ZIL_FAMILY_NONE;
}

// Whether class `source` implements interface or derives from `target` through its base links.
bool implements(ZCLState* st, int source, int target) {
  for (size_t guard = 0; guard <= st->classes.size(); guard++) {
    ZCLClass* cls = ZCLClassAt(st, source);
    if (!cls)
      return false;
    if (cls->baseId == target || cls->hybridId == target)
      return true;
    int next = cls->baseId ? cls->baseId : cls->hybridId;
    if (!next || next == source)
      return false;
    source = next;
  }
  return false;
}

bool sameDesc(const ZCLTypeDesc& a, const ZCLTypeDesc& b) {
  return a.type == b.type && a.isConst == b.isConst && a.isRef == b.isRef && a.isWeak == b.isWeak &&
         a.elemType == b.elemType && a.elemRef == b.elemRef;
}

// A function of `cls` (convertor or one-argument constructor) converting into or from the other
// type: 0 none, 1 implicit, 2 explicit only.
int convertorTo(ZCLState* st, ZCLClass* cls, const ZCLTypeDesc& target) {
  int found = 0;
  for (auto& f : cls->funcs)
    if ((f->flags & kZCLFuncConvertor) && f->hasResult && ZCLTypeIdentical(st, target, f->result)) {
      if (!(f->flags & kZCLFuncExplicit))
        return 1;
      found = 2;
    }
  return found;
}

int constructorFrom(ZCLState* st, ZCLClass* cls, const ZCLTypeDesc& source) {
  int found = 0;
  for (auto& f : cls->funcs)
    if ((f->flags & kZCLFuncConstructor) && f->args.size() == 1 && ZCLTypeIdentical(st, f->args[0].type, source)) {
      if (!(f->flags & kZCLFuncExplicit))
        return 1;
      found = 2;
    }
  return found;
}

bool isClassLike(int family) { return family == ZIL_FAMILY_CLASS || family == ZIL_FAMILY_INTERFACE; }

}  // namespace

ZILError ZCLParseType(ZCLState* st, ZCLTypeDesc* out, std::string* unknown) {
  ZCLFile* file = st->file;
  const size_t start = ZCLFileGetPosition(file);
  if (unknown)
    unknown->clear();
  ZCLTypeDesc d;
  int isConst = 0, isWeak = 0;
  std::string text;
  int id = ZCLPeek(st, &text);
  if (id == kTokConst) {
    isConst = 1;
    ZCLNext(st);
    id = ZCLPeek(st, &text);
  }
  if (id == kTokWeak) {
    isWeak = 1;
    ZCLNext(st);
    id = ZCLPeek(st, &text);
  }
  int type = -1;
  size_t nameStart = ZCLNextTokenStart(file);
  switch (id) {
    case kTokInt: type = ZIL_TYPE_INT; break;
    case kTokFloat: type = ZIL_TYPE_FLOAT; break;
    case kTokArray: type = ZIL_TYPE_ARRAY; break;
    case kTokVar: type = ZIL_TYPE_VAR; break;
    case kTokString:
    case kTokIdentifier: {
      ZCLTypeDesc found;
      std::string name = text;
      ZCLNext(st);
      if (ZCLPeek(st) == kTokScope) {
        size_t afterName = ZCLFileGetPosition(file);
        ZCLNext(st);
        std::string member;
        int memberId = ZCLPeek(st, &member);
        if (memberId == kTokIdentifier && ZCLLookupTypeName(st, name + "::" + member, &found)) {
          ZCLNext(st);
          d = found;
          type = found.type;
          break;
        }
        ZCLFileSetPosition(file, afterName);
        ZCLFileSetPosition(file, start);
        return ZCL_ERR_Not_A_Type_Declaration;  // a qualified expression or definition
      }
      // Inside a class its own nested names (delegates, aliases) need no qualification.
      ZCLClass* scope = st->currentClass != kZCLGlobalClassId ? ZCLClassAt(st, st->currentClass) : nullptr;
      if (!ZCLLookupTypeName(st, name, &found) &&
          !(scope && ZCLLookupTypeName(st, scope->name + "::" + name, &found))) {
        if (unknown && id == kTokIdentifier) {
          *unknown = name;
          st->unknownPos = nameStart;
        }
        ZCLFileSetPosition(file, start);
        return ZCL_ERR_Not_A_Type_Declaration;
      }
      d = found;
      type = found.type;
      break;
    }
    default: ZCLFileSetPosition(file, start); return ZCL_ERR_Not_A_Type_Declaration;
  }
  if (id != kTokString && id != kTokIdentifier) {
    ZCLNext(st);
    d = ZCLMakeType(type);
  }
  int next = ZCLPeek(st);
  if (next == kTokLParen || next == kTokScope) {
    ZCLFileSetPosition(file, start);
    return ZCL_ERR_Not_A_Type_Declaration;
  }
  // Array suffixes: `[]` or the word `array`; a second one would make an array of arrays.
  for (int suffixes = 0;; suffixes++) {
    bool bracket = false;
    const size_t suffixPos = ZCLNextTokenStart(file);
    if (next == kTokLBracket) {
      size_t at = ZCLFileGetPosition(file);
      ZCLNext(st);
      if (ZCLPeek(st) != kTokRBracket) {
        ZCLFileSetPosition(file, at);  // a documentation tag or an index, not a type suffix
        break;
      }
      bracket = true;
    } else if (next != kTokArray) {
      break;
    }
    if (suffixes > 0 || d.type == ZIL_TYPE_ARRAY) {
      ZCLNext(st);
      st->tokStart = suffixPos;
      return ZCLError(st, nullptr, ZCL_ERR_Array_Of_Array);
    }
    ZCLNext(st);
    (void)bracket;
    ZCLTypeDesc arr = ZCLMakeType(ZIL_TYPE_ARRAY);
    arr.elemType = d.type;
    arr.elemRef = isValueType(d.type) ? 0 : 1;
    d = arr;
    next = ZCLPeek(st);
  }
  if (isWeak && !d.isRef) {
    st->tokStart = nameStart;
    return ZCLError(st, nullptr, ZCL_ERR_Weak_Value_Type);
  }
  if (isConst && familyOf(st, d.type) == ZIL_FAMILY_THREAD) {
    st->tokStart = nameStart;
    return ZCLError(st, nullptr, ZCL_ERR_Const_Thread);
  }
  d.isConst = isConst || d.isConst;
  d.isWeak = isWeak || d.isWeak;
  *out = d;
  return ZCL_OK;
}

bool ZCLTypeIdentical(ZCLState* st, const ZCLTypeDesc& target, const ZCLTypeDesc& source) {
  if (target.type == source.type) {
    if (target.type == ZIL_TYPE_ARRAY)
      return target.elemType == source.elemType || target.elemType == ZIL_TYPE_VAR;
    return true;
  }
  if (target.type == ZIL_TYPE_VAR || source.type == ZIL_TYPE_VAR)
    return true;
  if (target.type == ZIL_TYPE_DELEGATE && familyOf(st, source.type) == ZIL_FAMILY_DELEGATE)
    return true;
  if (isClassLike(familyOf(st, target.type)) && isClassLike(familyOf(st, source.type)))
    return implements(st, source.type, target.type);
  return false;
}

ZCLCompat ZCLTypeCompatible(ZCLState* st, const ZCLTypeDesc& target, const ZCLTypeDesc& source) {
  // `null` (and the no-value of a call without result) is a null reference of whatever
  // reference type is expected: a delegate, an object, a string, an array. It is not counted
  // identical to any of them, so an overload taking `var` keeps being the one it chooses.
  if (source.type == ZIL_TYPE_NULL)
    return isValueType(target.type) ? kZCLIncompatible : target.type == ZIL_TYPE_VAR ? kZCLIdentical : kZCLConvertible;
  if (ZCLTypeIdentical(st, target, source))
    return kZCLIdentical;
  if (isValueType(target.type) && isValueType(source.type))
    return kZCLConvertible;
  ZCLClass* src = ZCLClassAt(st, source.type);
  ZCLClass* dst = ZCLClassAt(st, target.type);
  int viaConvertor = src && isClassLike(src->family) ? convertorTo(st, src, target) : 0;
  int viaConstructor = dst && dst->family == ZIL_FAMILY_CLASS ? constructorFrom(st, dst, source) : 0;
  if (viaConvertor == 1 || viaConstructor == 1)
    return kZCLConvertible;
  if (viaConvertor == 2 || viaConstructor == 2)
    return kZCLExplicitOnly;
  return kZCLIncompatible;
}

bool ZCLSameSignature(const ZCLTypeDesc& a, const ZCLTypeDesc& b) { return sameDesc(a, b); }

ZILError ZCLResolveOverload(ZCLState* st, ZCLClass* cls, const std::string& name, const std::vector<ZCLTypeDesc>& args,
                            bool wantResult, const ZCLTypeDesc& want, ZCLFunc** winner, int* costOut) {
  ZCLFunc* best = nullptr;
  int bestCost = 0, sharing = 0;
  for (ZCLFunc* f : ZCLFunctionsNamed(cls, name)) {
    if (f->args.size() != args.size())
      continue;
    int cost = 0;
    if (!wantResult) {
      if (f->hasResult)
        cost += 1;
    } else {
      if (!f->hasResult)
        continue;
      ZCLCompat c = ZCLTypeCompatible(st, want, f->result);
      if (c != kZCLIdentical && c != kZCLConvertible)
        continue;
      if (c != kZCLIdentical)
        cost += 2;
    }
    bool fits = true;
    for (size_t i = 0; i < args.size() && fits; i++) {
      ZCLCompat c = ZCLTypeCompatible(st, f->args[i].type, args[i]);
      if (c != kZCLIdentical && c != kZCLConvertible)
        fits = false;
      else if (c != kZCLIdentical)
        cost += 2;
    }
    if (!fits)
      continue;
    if (!best || cost < bestCost) {
      best = f;
      bestCost = cost;
      sharing = 1;
    } else if (cost == bestCost) {
      sharing++;
    }
  }
  if (!best)
    return ZCL_ERR_No_Matching_Function;
  *winner = best;
  if (costOut)
    *costOut = bestCost;
  return sharing > 1 ? ZCL_ERR_Ambiguous_Call : ZCL_OK;
}

ZILError ZCLFindOrMakeDelegate(ZCLState* st, const std::string& name, bool hasResult, const ZCLTypeDesc& result,
                               const std::vector<ZCLArg>& args, int* typeId) {
  for (auto& cls : st->classes) {
    if (cls->placeholder || cls->family != ZIL_FAMILY_DELEGATE || cls->typeId == ZIL_TYPE_DELEGATE)
      continue;
    if (cls->dgHasResult != hasResult || cls->dgArgs.size() != args.size())
      continue;
    if (hasResult && !sameDesc(cls->dgResult, result))
      continue;
    bool same = true;
    for (size_t i = 0; i < args.size() && same; i++)
      same = sameDesc(cls->dgArgs[i].type, args[i].type);
    if (same) {
      *typeId = cls->typeId;
      return ZCL_OK;
    }
  }
  int id = 0;
  ZILError err = ZCLCreateType(st, name, ZIL_FAMILY_DELEGATE, false, &id);
  if (err)
    return err;
  ZCLClass* cls = st->classes[id].get();
  cls->dgHasResult = hasResult;
  cls->dgResult = result;
  cls->dgArgs = args;
  cls->hasBody = true;
  *typeId = id;
  return ZCL_OK;
}
