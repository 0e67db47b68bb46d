// Words for messages: type names, calls, overload lists and hints, built only when a message is
// reported, so nothing here is on the path of a compile that succeeds.
#include "zentra/compiler/zclexplain.h"

#include <algorithm>

namespace {

std::string className(ZCLState* st, int type) {
  switch (type) {
    case ZIL_TYPE_NULL: return "null";
    case ZIL_TYPE_VAR: return "var";
    default: break;
  }
  const ZCLClass* c = ZCLClassAt(st, type);
  return c && !c->name.empty() ? c->name : "type " + std::to_string(type);
}

std::string argumentsText(ZCLState* st, const std::vector<ZCLArg>& args) {
  std::string text;
  for (const ZCLArg& a : args) {
    if (!text.empty())
      text += ", ";
    text += ZCLTypeName(st, a.type);
    if (!a.name.empty())
      text += " " + a.name;
  }
  return text;
}

}  // namespace

std::string ZCLTypeName(ZCLState* st, const ZCLTypeDesc& type) {
  std::string text;
  if (type.isConst)
    text += "const ";
  if (type.isWeak)
    text += "weak ";
  if (type.type == ZIL_TYPE_ARRAY)
    text += type.elemType == ZIL_TYPE_VAR ? "array" : className(st, type.elemType) + "[]";
  else
    text += className(st, type.type);
  return text;
}

std::string ZCLCallText(ZCLState* st, const std::string& name, const std::vector<ZCLTypeDesc>& args) {
  std::string text = name + "(";
  for (size_t i = 0; i < args.size(); i++)
    text += (i ? ", " : "") + ZCLTypeName(st, args[i]);
  return text + ")";
}

std::string ZCLOverloadsText(ZCLState* st, const ZCLClass* cls, const std::string& name, size_t limit) {
  if (!cls)
    return {};
  const std::vector<ZCLFunc*>& named = ZCLFunctionsNamed(cls, name);
  std::string text;
  for (size_t i = 0; i < named.size() && i < limit; i++)
    text += (i ? ", " : "") + name + "(" + argumentsText(st, named[i]->args) + ")";
  if (named.size() > limit)
    text += ", ...";
  return text;
}

std::string ZCLCallDetail(ZCLState* st, const ZCLClass* cls, const std::string& name,
                          const std::vector<ZCLTypeDesc>& args) {
  const std::string overloads = ZCLOverloadsText(st, cls, name);
  if (overloads.empty())
    return ZCLNameHint(st, name);
  return "called as " + ZCLCallText(st, name, args) + "; declared: " + overloads;
}

std::string ZCLConversionText(ZCLState* st, const ZCLTypeDesc& from, const ZCLTypeDesc& to) {
  return "from '" + ZCLTypeName(st, from) + "' to '" + ZCLTypeName(st, to) + "'";
}

std::string ZCLCastDetail(ZCLState* st, const ZCLTypeDesc& from, const ZCLTypeDesc& to) {
  ZCLTypeDesc plain = to;
  plain.isConst = 0;
  plain.isWeak = 0;
  return ZCLConversionText(st, from, to) + "; write (" + ZCLTypeName(st, plain) + ") before the value";
}

std::string ZCLNameHint(ZCLState* st, const std::string& name) {
  if (name.empty())
    return {};
  auto hint = st->nameHints.find(name);
  if (hint != st->nameHints.end())
    return hint->second;
  // A static function of a class the bare name was not looked up in.
  const std::vector<int>& used = ZCLOptions(st).usingList;
  for (const auto& c : st->classes) {
    if (!c || c->typeId == kZCLGlobalClassId || std::find(used.begin(), used.end(), c->typeId) != used.end())
      continue;
    for (const ZCLFunc* f : ZCLFunctionsNamed(c.get(), name))
      if (f->flags & kZCLFuncFunction)
        return name + " is a function of class " + c->name + ": add `using " + c->name + ";` or call " + c->name +
               "::" + name;
  }
  return {};
}
