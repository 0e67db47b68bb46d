// The XML type export: every class the compiler knows, in type-id order, with its functions,
// member variables, aliases, delegate signature and documentation tags, in one file "types.xml".
// Each element and attribute stands on a line of its own; names and tags are escaped, so the file
// is well-formed XML whatever a script's tags hold.
#include "zentra/compiler/zclgenfile.h"
#include "zilcompiler.h"

namespace {

const char* familyName(int family) {
  switch (family) {
    case ZIL_FAMILY_INTEGRAL: return "integral";
    case ZIL_FAMILY_CLASS: return "class";
    case ZIL_FAMILY_INTERFACE: return "interface";
    case ZIL_FAMILY_THREAD: return "thread";
    case ZIL_FAMILY_DELEGATE: return "delegate";
    default: return "";
  }
}

const char* functionKind(int flags) {
  if (flags & kZCLFuncAccessor)
    return "accessor";
  if (flags & kZCLFuncConstructor)
    return "constructor";
  if (flags & kZCLFuncConvertor)
    return "convertor";
  if (flags & kZCLFuncMethod)
    return "method";
  if (flags & kZCLFuncCofunction)
    return "cofunction";
  return "function";
}

struct XmlWriter {
  ZCLState* st;
  std::string out;

  void line(const std::string& text) { out += text + "\n"; }
  void attribute(const char* name, const std::string& value) {
    out += name;
    out += "=\"" + ZCLXmlAttribute(value) + "\"\n";
  }
  void tag(const std::string& text) { out += "<tag>" + ZCLXmlText(text) + "</tag>\n"; }

  void var(const ZCLTypeDesc& type, const std::string& name) {
    line("<var");
    attribute("type", ZCLGenDescName(st, type));
    attribute("name", name);
    attribute("mode", std::string(type.isConst ? "const " : "") + (type.isWeak ? "weak " : ""));
    line("/>");
  }
  // A function's or a delegate's result: "null" when it returns nothing.
  void result(bool hasResult, const ZCLTypeDesc& type) {
    line("<result>");
    var(hasResult ? type : ZCLMakeType(ZIL_TYPE_NULL), "");
    line("</result>");
  }
  void args(const std::vector<ZCLArg>& args) {
    line("<args>");
    for (const ZCLArg& a : args)
      var(a.type, a.name);
    line("</args>");
  }

  void function(const ZCLFunc& f) {
    line("<function");
    attribute("type", functionKind(f.flags));
    attribute("name", f.name);
    attribute("mode",
              std::string(f.flags & kZCLFuncStrict ? "strict " : "") + (f.flags & kZCLFuncExplicit ? "explicit " : ""));
    attribute("index", std::to_string(f.index));
    line(">");
    result(f.hasResult, f.result);
    args(f.args);
    tag(f.tag);
    line("</function>");
  }

  void type(const ZCLClass& c) {
    line("<type");
    attribute("family", familyName(c.family));
    attribute("name", c.name);
    attribute("typeid", std::to_string(c.typeId));
    attribute("baseid", std::to_string(c.baseId));
    attribute("hybridid", std::to_string(c.hybridId));
    attribute("mode", std::string(c.modifiers & kZCLModStrict ? "strict " : "") +
                          (c.modifiers & kZCLModNative ? "native " : "") +
                          (c.modifiers & kZCLModExtern ? "extern " : ""));
    attribute("isnative", c.isNative ? "true" : "false");
    line(">");
    line("<functions>");
    for (const auto& f : c.funcs)
      function(*f);
    line("</functions>");
    line("<variables>");
    for (const ZCLMember& m : c.members)
      var(m.type, m.name);
    line("</variables>");
    line("<aliases>");
    for (const std::string& alias : c.aliases) {
      line("<alias");
      attribute("name", alias);
      line("/>");
    }
    line("</aliases>");
    if (c.family == ZIL_FAMILY_DELEGATE) {
      line("<signature>");
      result(c.dgHasResult, c.dgResult);
      args(c.dgArgs);
      line("</signature>");
    }
    tag(c.tag);
    line("</type>");
  }
};

}  // namespace

ZILError ZCLExportTypeInfo(ZILState* ps, const ZILChar* path) {
  return ZCLRunGenerator(ps, "Exporting all type definitions to XML...\n", [&](ZCLState* st) -> ZILError {
    if (!path || !*path)
      return ZIL_ERR_Illegal_Argument;
    if (!ZCLMakeFolder(path))
      return ZCLGeneratorFailed(st, std::string("cannot make the folder ") + path);
    XmlWriter xml{st, "<xml>\n"};
    for (const auto& c : st->classes)
      xml.type(*c);
    xml.line("</xml>");
    const std::string file = ZCLJoinPath(path, "types.xml");
    if (!ZCLWriteFile(file, xml.out))
      return ZCLGeneratorFailed(st, "cannot write " + file);
    return ZILError(ZCL_OK);
  });
}
