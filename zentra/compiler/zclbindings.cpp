// The native binding generator: for every class a script declares `native class`, a C++ file
// "bind_NAME.cpp" with the class's type proc, its declaration text and one call per function,
// written against a C++ class of the same name that the embedder declares in "NAME.h" (with a
// default constructor: the runtime makes native objects before any constructor runs). Every
// generated name starts with "bind_NAME_", so skeletons of several classes link together.
// Script text reaches the file only inside string literals (escaped) or as identifiers the
// tokenizer made; identifiers that C++ reserves get a trailing '_' as C++ member names.
#include <cmath>
#include <cstdio>
#include <set>

#include "zentra/compiler/zclgenfile.h"
#include "zilcompiler.h"

namespace {

bool isCppIdentifier(const std::string& name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9'))
    return false;
  for (char c : name)
    if (!(c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
      return false;
  return true;
}

// C++ keywords, alternative tokens, and macros a skeleton's includes define.
bool isReserved(const std::string& name) {
  static const std::set<std::string> words = {
      "alignas",     "alignof",   "and",        "and_eq",    "asm",      "auto",         "bitand",
      "bitor",       "bool",      "break",      "case",      "catch",    "char",         "char8_t",
      "char16_t",    "char32_t",  "class",      "compl",     "concept",  "const",        "consteval",
      "constexpr",   "constinit", "const_cast", "continue",  "co_await", "co_return",    "co_yield",
      "decltype",    "default",   "delete",     "do",        "double",   "dynamic_cast", "else",
      "enum",        "explicit",  "export",     "extern",    "false",    "float",        "for",
      "friend",      "goto",      "if",         "inline",    "int",      "long",         "mutable",
      "namespace",   "new",       "noexcept",   "not",       "not_eq",   "nullptr",      "operator",
      "or",          "or_eq",     "private",    "protected", "public",   "register",     "reinterpret_cast",
      "requires",    "return",    "short",      "signed",    "sizeof",   "static",       "static_assert",
      "static_cast", "struct",    "switch",     "template",  "this",     "thread_local", "throw",
      "true",        "try",       "typedef",    "typeid",    "typename", "union",        "unsigned",
      "using",       "virtual",   "void",       "volatile",  "wchar_t",  "while",        "xor",
      "xor_eq",      "TAG",       "ZILEXTERN",  "NULL",      "EOF",      "errno",        "assert",
      "offsetof",    "stdin",     "stdout",     "stderr",    "std",
  };
  return words.count(name) != 0;
}

// A script name as a C++ member name.
std::string memberName(const std::string& name) {
  std::string out;
  for (char c : name)
    out += isCppIdentifier(std::string(1, c)) || (c >= '0' && c <= '9') ? c : '_';
  return isReserved(out) ? out + "_" : out;
}

// How a script type crosses into C++: the C++ type, and for handles the type id expression that
// NTLHandleToObject and NTLNewHandleForObject need.
struct CppType {
  enum Kind {
    Int,
    Float,
    String,
    Object,
    Handle
  } kind;
  std::string cpp;
  std::string typeId;
};

CppType cppType(ZCLState* st, const ZCLTypeDesc& t) {
  switch (t.type) {
    case ZIL_TYPE_INT: return {CppType::Int, "ZILLong", ""};
    case ZIL_TYPE_FLOAT: return {CppType::Float, "ZILFloat", ""};
    case ZIL_TYPE_STRING: return {CppType::String, "const ZILChar*", ""};
    case ZIL_TYPE_ARRAY: return {CppType::Object, "ZILArray*", "ZIL_TYPE_ARRAY"};
    case ZIL_TYPE_LIST: return {CppType::Object, "ZILList*", "ZIL_TYPE_LIST"};
    case ZIL_TYPE_ITERATOR: return {CppType::Object, "ZILIterator*", "ZIL_TYPE_ITERATOR"};
    case ZIL_TYPE_TABLE: return {CppType::Object, "ZILTable*", "ZIL_TYPE_TABLE"};
    default: break;
  }
  const ZCLClass* c = ZCLClassAt(st, t.type);
  // Objects of native classes are C++ objects; a script class's are not, so they stay handles.
  if (c && c->family == ZIL_FAMILY_CLASS && (c->isNative || (c->modifiers & kZCLModNative)) &&
      isCppIdentifier(c->name) && !isReserved(c->name))
    return {CppType::Object, c->name + "*", "NTLTypeNameToTypeID(pVM, \"" + c->name + "\")"};
  return {CppType::Handle, "ZILHandle*", ""};
}

struct Skeleton {
  ZCLState* st;
  const ZCLClass& cls;
  std::string prefix;  // "bind_NAME_"
  std::string out;

  void put(const std::string& text) { out += text; }

  std::string enumerator(const ZCLFunc& f) const { return prefix + memberName(f.name) + "_" + std::to_string(f.index); }
  bool pureStatic() const {
    for (const auto& f : cls.funcs)
      if (!(f->flags & kZCLFuncFunction))
        return false;
    return true;
  }

  void banner(const std::string& fileName) {
    const std::string rule =
        "// ------------------------------------------------------------------------------------------\n";
    put(rule);
    put("// File: " + fileName + "\n");
    put(rule);
    put("// This is an automatically created binding code file for ZentraScript.\n"
        "// It connects the script class " +
        cls.name +
        " to a C++ class of the same name, which this file\n"
        "// expects in \"" +
        cls.name +
        ".h\" with one member function per script function, named as in the\n"
        "// script. Fill in that class, set the author's constants below, build this file into the host\n"
        "// and register the type proc before the first compile.\n"
        "// Generated on " +
        ZCLGeneratedDate(true) + ".\n");
    put(rule);
  }

  void declarations() {
    put("#include <string>\n#include \"zilapi.h\"\n#include \"ziltools.h\"\n");
    put("// The C++ class " + cls.name + " is assumed to be declared in this header:\n");
    put("#include \"" + cls.name + ".h\"\n\n");
    put("ZILEXTERN ZILError " + prefix + "proc(NTLInstance*, ZILLong, ZILLong, ZILUnknown*, ZILUnknown**);\n");
    put("// Register the class with the runtime before compiling scripts that use it:\n");
    put("// ZILError err = ZILRegisterNativeType( pVM, " + prefix + "proc );\n\n");
    put("// function enumeration - this must be kept in sync with the class declaration below.\n");
    put("enum {\n");
    for (const auto& f : cls.funcs)
      put("\t" + enumerator(*f) + " = " + std::to_string(f->index) + ",  // " +
          (f->inherited ? "from the interface: " : "") + ZCLCppString(ZCLFunctionDeclaration(st, *f)) + "\n");
    put("};\n\n");
    put("static const char* kClassDeclaration =\n");
    put("\tTAG(\"" + ZCLCppString(cls.tag.empty() ? "Please fill in the documentation of this class." : cls.tag) +
        "\")\n");
    for (const auto& f : cls.funcs)
      if (!f->inherited)  // the interface declares those
        put("\t\"" + ZCLCppString(ZCLFunctionDeclaration(st, *f)) + ";\" TAG(\"" + ZCLCppString(f->tag) + "\")\n");
    put("\t;\n\n");
    const ZCLClass* base = ZCLClassAt(st, cls.baseId);
    put("static const char* kClassName = \"" + cls.name + "\";\n");
    put("static const char* kBaseName = \"" + ZCLCppString(cls.baseId && base ? base->name : "") + "\";\n");
    put("static const char* kPackageList = \"\";  // classes to import with this one, comma-separated\n");
    put("static const char* kAuthorName = \"Your Name\";\n");
    put("static const char* kAuthorString = \"A native " + cls.name + " class for ZentraScript.\";\n");
    put("static const char* kTimeStamp = \"" + ZCLGeneratedDate(false) + "\";\n");
    put("static const ZILLong kAuthorVersion = 0x00010000;\n\n");
    put("static ZILError " + prefix + "Register(ZILLong interfaceVersion);\n");
    put("static ZILError " + prefix + "GetDecl(NTLDeclBuffer* pDecl);\n");
    put("static ZILError " + prefix + "New(ZILState* pVM, ZILUnknown** ppObject);\n");
    put("static ZILError " + prefix + "Delete(ZILState* pVM, " + cls.name + "* pObj);\n");
    put("static ZILError " + prefix + "Mark(ZILState* pVM, " + cls.name + "* pObj);\n");
    put("static ZILError " + prefix + "CallStatic(ZILState* pVM, ZILLong funcID);\n");
    put("static ZILError " + prefix + "CallMember(ZILState* pVM, ZILLong funcID, " + cls.name + "* pObj);\n\n");
  }

  void typeProc() {
    const std::string object = "static_cast<" + cls.name + "*>(pDataIn)";
    put("ZILEXTERN ZILError " + prefix +
        "proc(NTLInstance* pInst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn, ZILUnknown** ppDataOut)\n{\n");
    put("\tZILState* pVM = NTLInstanceGetVM(pInst);\n");
    put("\tconst ZILChar* text = nullptr;\n");
    put("\tswitch( msg )\n\t{\n");
    put("\t\tcase NTL_Register: return " + prefix + "Register(param);\n");
    put("\t\tcase NTL_Initialize: return 0;\n");
    put("\t\tcase NTL_NewObject: return " + prefix + "New(pVM, ppDataOut);\n");
    put("\t\tcase NTL_DestroyObject: return " + prefix + "Delete(pVM, " + object + ");\n");
    put("\t\tcase NTL_MarkHandles: return " + prefix + "Mark(pVM, " + object + ");\n");
    put("\t\tcase NTL_CallStatic: return " + prefix + "CallStatic(pVM, param);\n");
    put("\t\tcase NTL_CallMember: return " + prefix + "CallMember(pVM, param, " + object + ");\n");
    put("\t\tcase NTL_Terminate: return 0;\n");
    put("\t\tcase NTL_Unregister: return 0;\n");
    put("\t\tcase NTL_GetInterfaceVersion: return 0x01000302;\n");
    put("\t\tcase NTL_GetAuthorVersion: return kAuthorVersion;\n");
    put("\t\tcase NTL_GetClassName: text = kClassName; break;\n");
    put("\t\tcase NTL_GetBaseName: text = kBaseName; break;\n");
    put("\t\tcase NTL_GetPackageString: text = kPackageList; break;\n");
    put("\t\tcase NTL_GetDeclString: return " + prefix + "GetDecl(static_cast<NTLDeclBuffer*>(pDataIn));\n");
    put("\t\tcase NTL_GetBuildTimeStamp: text = kTimeStamp; break;\n");
    put("\t\tcase NTL_GetAuthorName: text = kAuthorName; break;\n");
    put("\t\tcase NTL_GetAuthorString: text = kAuthorString; break;\n");
    put("\t\tdefault: return ZIL_ERR_Unsupported_Native_Call;\n");
    put("\t}\n");
    put("\tif (!ppDataOut)\n\t\treturn ZIL_ERR_Illegal_Argument;\n");
    put("\t*ppDataOut = const_cast<ZILChar*>(text);\n\treturn 0;\n}\n\n");
  }

  void constant(const ZCLMember& m) {
    char number[64];
    switch (m.constKind) {
      case 1:
        put("\tif (ZILError err = NTLDeclareConstantInt(pDecl, ZIL_TYPE_INT, \"" + m.name + "\", " +
            std::to_string(m.intValue) + "))\n\t\treturn err;\n");
        return;
      case 2:
        if (std::isfinite(m.floatValue))
          std::snprintf(number, sizeof number, "%.17g", m.floatValue);
        else
          std::snprintf(number, sizeof number, "%s",
                        std::isnan(m.floatValue) ? "__builtin_nan(\"\")"
                        : m.floatValue > 0       ? "__builtin_inf()"
                                                 : "-__builtin_inf()");
        put("\tif (ZILError err = NTLDeclareConstantFloat(pDecl, ZIL_TYPE_FLOAT, \"" + m.name + "\", " + number +
            "))\n\t\treturn err;\n");
        return;
      case 3:
        put("\tif (ZILError err = NTLDeclareConstantString(pDecl, ZIL_TYPE_STRING, \"" + m.name + "\", \"" +
            ZCLCppString(m.stringValue) + "\"))\n\t\treturn err;\n");
        return;
      default: put("\t// " + m.name + ": a native class declares constants only; keep its value in the C++ object.\n");
    }
  }

  void internalFunctions() {
    const std::string& name = cls.name;
    put("static ZILError " + prefix + "Register(ZILLong interfaceVersion)\n{\n");
    put("\t// The runtime tells its type interface version; refuse one this class cannot work with here.\n");
    put("\t(void)interfaceVersion;\n\treturn 0;\n}\n\n");
    put("static ZILError " + prefix + "GetDecl(NTLDeclBuffer* pDecl)\n{\n");
    put("\tif (ZILError err = NTLDeclareVerbatim(pDecl, kClassDeclaration))\n\t\treturn err;\n");
    for (const ZCLMember& m : cls.members)
      constant(m);
    put("\treturn 0;\n}\n\n");
    put("static ZILError " + prefix + "New(ZILState* pVM, ZILUnknown** ppObject)\n{\n");
    if (pureStatic()) {
      put("\t// " + name + " is pure static: scripts make no objects of it.\n");
      put("\t(void)pVM;\n\t(void)ppObject;\n\treturn ZIL_ERR_Unsupported_Native_Call;\n}\n\n");
    } else {
      put("\tif (!ppObject)\n\t\treturn ZIL_ERR_Illegal_Argument;\n");
      put("\tvoid* pMemory = ZILAlloc(pVM, sizeof(" + name + "));\n");
      put("\tif (!pMemory)\n\t\treturn ZIL_EXC_Allocation_Fail;\n");
      // `new NAME()` in a script runs no constructor of a native class: the object made here
      // is the default one, and a constructor with arguments makes it again in place.
      put("\t*ppObject = new (pMemory) " + name + "();\n\treturn 0;\n}\n\n");
    }
    put("static ZILError " + prefix + "Delete(ZILState* pVM, " + name + "* pObj)\n{\n");
    put("\tpObj->~" + name + "();\n\tZILFree(pVM, pObj);\n\treturn 0;\n}\n\n");
    put("static ZILError " + prefix + "Mark(ZILState* pVM, " + name + "* pObj)\n{\n");
    put("\t// Mark every script value the object keeps, so the garbage collector does not free it:\n");
    put("\t// NTLMarkHandle(pVM, pObj->m_hValue);\n");
    put("\t(void)pVM;\n\t(void)pObj;\n\treturn 0;\n}\n\n");
  }

  // One case: fetch the arguments, call, give back argument handles, return the result.
  void call(const ZCLFunc& f) {
    put("\t\tcase " + enumerator(f) + ": // " + ZCLCppString(ZCLFunctionDeclaration(st, f)) + "\n\t\t{\n");
    std::string args, release;
    for (size_t i = 0; i < f.args.size(); i++) {
      const std::string n = std::to_string(i);
      const CppType t = cppType(st, f.args[i].type);
      switch (t.kind) {
        case CppType::Int: put("\t\t\tZILLong a" + n + " = NTLGetArgInt(pVM, " + n + ");\n"); break;
        case CppType::Float: put("\t\t\tZILFloat a" + n + " = NTLGetArgFloat(pVM, " + n + ");\n"); break;
        case CppType::String: put("\t\t\tconst ZILChar* a" + n + " = NTLGetArgString(pVM, " + n + ");\n"); break;
        case CppType::Handle:
          put("\t\t\tZILHandle* a" + n + " = NTLGetArgHandle(pVM, " + n + ");\n");
          release += "\t\t\tNTLFreeHandle(pVM, a" + n + ");\n";
          break;
        case CppType::Object:
          put("\t\t\tZILHandle* h" + n + " = NTLGetArgHandle(pVM, " + n + ");\n");
          put("\t\t\t" + t.cpp + " a" + n + " = static_cast<" + t.cpp + ">(NTLHandleToObject(pVM, " + t.typeId + ", h" +
              n + "));\n");
          release += "\t\t\tNTLFreeHandle(pVM, h" + n + ");\n";
          break;
      }
      args += (i ? ", a" : "a") + n;
    }
    const std::string member = memberName(f.name);
    std::string expr;
    if (f.flags & kZCLFuncConstructor) {
      if (f.args.empty())
        put("\t\t\t// New made the default object already.\n");
      else
        put("\t\t\tpObj->~" + cls.name + "();\n\t\t\tnew (pObj) " + cls.name + "(" + args + ");\n");
      put(release + "\t\t\treturn 0;\n\t\t}\n");
      return;
    }
    if (f.flags & kZCLFuncConvertor) {
      put("\t\t\t// The class must provide this convertor.\n");
      expr = "pObj->convertor_" + memberName(ZCLGenDescName(st, f.result)) + "()";
      for (char& c : expr)
        if (c == '[' || c == ']')
          c = '_';
    } else if (f.flags & kZCLFuncFunction) {
      expr = cls.name + "::" + member + "(" + args + ")";
    } else {
      expr = "pObj->" + member + "(" + args + ")";
    }
    if (!f.hasResult) {
      put("\t\t\t" + expr + ";\n" + release + "\t\t\treturn 0;\n\t\t}\n");
      return;
    }
    const CppType r = cppType(st, f.result);
    switch (r.kind) {
      case CppType::Int:
        put("\t\t\tZILLong r = " + expr + ";\n" + release + "\t\t\treturn NTLReturnInt(pVM, r);\n");
        break;
      case CppType::Float:
        put("\t\t\tZILFloat r = " + expr + ";\n" + release + "\t\t\treturn NTLReturnFloat(pVM, r);\n");
        break;
      case CppType::String:
        put("\t\t\tstd::string r = " + expr + ";\n" + release + "\t\t\treturn NTLReturnString(pVM, r.c_str());\n");
        break;
      case CppType::Handle:
        put("\t\t\t// The result is a counted handle the call made; the return takes its own reference.\n");
        put("\t\t\tZILHandle* r = " + expr + ";\n" + release);
        put("\t\t\tZILError err = NTLReturnHandle(pVM, r);\n\t\t\tif (r)\n\t\t\t\tNTLFreeHandle(pVM, r);\n\t\t\treturn "
            "err;\n");
        break;
      case CppType::Object:
        put("\t\t\t// A new object (allocated with ZILAlloc) that its new handle owns, or none.\n");
        put("\t\t\t" + r.cpp + " r = " + expr + ";\n" + release);
        put("\t\t\tif (!r)\n\t\t\t\treturn NTLReturnHandle(pVM, nullptr);\n");
        put("\t\t\tZILHandle* hr = NTLNewHandleForObject(pVM, " + r.typeId + ", r);\n");
        put("\t\t\tZILError err = NTLReturnHandle(pVM, hr);\n\t\t\tNTLFreeHandle(pVM, hr);\n\t\t\treturn err;\n");
        break;
    }
    put("\t\t}\n");
  }

  void dispatch(bool statics) {
    if (statics)
      put("static ZILError " + prefix + "CallStatic(ZILState* pVM, ZILLong funcID)\n{\n");
    else
      put("static ZILError " + prefix + "CallMember(ZILState* pVM, ZILLong funcID, " + cls.name + "* pObj)\n{\n");
    put(statics ? "\t(void)pVM;\n" : "\t(void)pVM;\n\t(void)pObj;\n");
    put("\tswitch( funcID )\n\t{\n");
    for (const auto& f : cls.funcs)
      if (((f->flags & kZCLFuncFunction) != 0) == statics)
        call(*f);
    put("\t\tdefault: return ZIL_ERR_Invalid_Function_Index;\n\t}\n}\n");
    if (statics)
      put("\n");
  }
};

ZILError generateOne(ZCLState* st, const ZCLClass& cls, const std::string& folder) {
  if (!isCppIdentifier(cls.name) || isReserved(cls.name))
    return ZCLGeneratorFailed(st, "the class name " + cls.name + " is not a C++ class name");
  const std::string fileName = "bind_" + cls.name + ".cpp";
  Skeleton s{st, cls, "bind_" + cls.name + "_", {}};
  s.banner(fileName);
  s.declarations();
  s.typeProc();
  s.internalFunctions();
  s.dispatch(true);
  s.dispatch(false);
  const std::string path = ZCLJoinPath(folder, fileName);
  if (!ZCLWriteFile(path, s.out))
    return ZCLGeneratorFailed(st, "cannot write " + path);
  return ZILError(ZCL_OK);
}

}  // namespace

ZILError ZCLGenerateBindings(ZILState* ps, const ZILChar* path) {
  return ZCLRunGenerator(ps, "Generating C++ binding code...\n", [&](ZCLState* st) {
    if (!path || !*path)
      return ZILError(ZIL_ERR_Illegal_Argument);
    if (!ZCLMakeFolder(path))
      return ZCLGeneratorFailed(st, std::string("cannot make the folder ") + path);
    for (const auto& c : st->classes) {
      if (c->family != ZIL_FAMILY_CLASS || !(c->modifiers & kZCLModNative))
        continue;
      if (ZILError err = generateOne(st, *c, path))
        return err;
    }
    return ZILError(ZCL_OK);
  });
}
