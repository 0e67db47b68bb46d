// The compiler driver: start-up types and ids, passes, option statements and their scope,
// imports of native types (declaration texts, package lists, base names) and of files through
// the runtime's file-input callback, linking of undefined functions, verbose lines and teardown.
#include <cstring>
#include <map>

#include "tests/compiler/zclfixture.h"
#include "ziltools.h"

namespace {

// A native type proc answering only the queries an import makes.
struct FakeNative {
  const char* name;
  const char* decl;      // set as the returned text
  const char* appended;  // appended to the declaration buffer instead
  const char* packages;
  const char* base;
};

FakeNative gNatives[] = {
    {"Gadget",
     "method Gadget(); method int size(); accessor int length(); accessor length(const int);"
     " function string describe(const string what, var v); explicit string convertor();"
     " delegate int processor(const int chr, var args); const int kMax = 10;",
     nullptr, "Part, Piece", nullptr},
    {"Part", "method Part(); method Part(const Part src);", nullptr, "", nullptr},
    // Built the way type procs build it: verbatim text, then a constant (below).
    {"Piece", nullptr, "method Piece();\n", nullptr, nullptr},
    {"Failing", nullptr, nullptr, nullptr, "exception"},
    {"Broken", "method int (;", nullptr, nullptr, nullptr},
    // The forms the built-in classes' declaration texts use, tabs included.
    {"Text",
     "method Text();\tmethod Text (const int);\n\tmethod Text (const Text src);\nexplicit string convertor();"
     " accessor int length(); accessor red (const int); delegate int processor(const int chr, var args);"
     " function string format(const string format, const var v); delegate int mapper(const int c, var a);"
     " method int[] codes(); method Text array split(const string at);",
     nullptr, nullptr, nullptr},
};

ZILError fakeProc(int which, ZILLong msg, ZILUnknown* in, ZILUnknown** out) {
  const FakeNative& n = gNatives[which];
  switch (msg) {
    case NTL_Register:
    case NTL_Unregister:
    case NTL_Initialize:
    case NTL_Terminate: return 0;
    case NTL_GetClassName: *out = const_cast<char*>(n.name); return 0;
    case NTL_GetInterfaceVersion: return 0x01000302;
    case NTL_GetAuthorVersion: return 0x00010000;
    case NTL_GetPackageString:
      if (!n.packages)
        return ZIL_ERR_Unsupported_Native_Call;
      *out = const_cast<char*>(n.packages);
      return 0;
    case NTL_GetBaseName:
      if (!n.base)
        return ZIL_ERR_Unsupported_Native_Call;
      *out = const_cast<char*>(n.base);
      return 0;
    case NTL_GetDeclString:
      if (n.decl) {
        *out = const_cast<char*>(n.decl);
      } else if (n.appended) {
        NTLDeclBuffer* buffer = static_cast<NTLDeclBuffer*>(in);
        if (NTLDeclareVerbatim(buffer, n.appended) != 0 || NTLDeclareConstantInt(buffer, 0, "kCount", 3) != 0)
          return ZIL_ERR_Unspecified;
      }
      return 0;
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}

template <int N>
ZILError proc(NTLInstance*, ZILLong msg, ZILLong, ZILUnknown* in, ZILUnknown** out) {
  return fakeProc(N, msg, in, out);
}

// Files served to the compiler through the file-input callback.
std::map<std::string, std::string> gFiles;
std::vector<std::string> gOpened;

ZILError fileInput(ZILState*, ZILLong op, const ZILChar* name, void* buffer, ZILLong size, void** file, ZILLong* done) {
  struct Open {
    std::string text;
    size_t pos = 0;
  };
  if (op == 0) {
    gOpened.push_back(name);
    auto it = gFiles.find(name);
    if (it == gFiles.end())
      return ZIL_ERR_Unspecified;
    *file = new Open{it->second, 0};
    return 0;
  }
  Open* f = static_cast<Open*>(*file);
  if (op == 1) {
    size_t n = std::min(static_cast<size_t>(size), f->text.size() - f->pos);
    memcpy(buffer, f->text.data() + f->pos, n);
    f->pos += n;
    *done = static_cast<ZILLong>(n);
    return 0;
  }
  delete f;
  *file = nullptr;
  return 0;
}

class CompilerDriver : public CompilerFixture {
 protected:
  void SetUp() override {
    gFiles.clear();
    gOpened.clear();
    CompilerFixture::SetUp();
  }
  void registerNatives() {
    ASSERT_EQ(ZILRegisterNativeType(ps, proc<0>), 0);
    ASSERT_EQ(ZILRegisterNativeType(ps, proc<1>), 0);
    ASSERT_EQ(ZILRegisterNativeType(ps, proc<2>), 0);
    ASSERT_EQ(ZILRegisterNativeType(ps, proc<3>), 0);
    ASSERT_EQ(ZILRegisterNativeType(ps, proc<4>), 0);
    ASSERT_EQ(ZILRegisterNativeType(ps, proc<5>), 0);
  }
};

TEST_F(CompilerDriver, StartUpCreatesBuiltinTypesWithFixedIds) {
  const std::pair<const char*, int> expected[] = {
      {"null", 0}, {"int", 1},       {"float", 2},  {"string", 3},     {"array", 5},
      {"list", 8}, {"iterator", 11}, {"table", 12}, {"exception", 13}, {"__delegate", 14},
      {"var", 15}, {"__global", 16}, {"bool", 1},   {"char", 1}};
  for (auto& [name, id] : expected)
    EXPECT_EQ(typeOf(name), id) << name;
  ASSERT_EQ(static_cast<ZILLong>(st->classes.size()), ps->types.count);
  for (size_t i = 0; i < st->classes.size(); i++)
    EXPECT_EQ(st->classes[i]->typeId, static_cast<int>(i));

  ZCLClass* ex = cls("exception");
  EXPECT_EQ(ex->family, ZIL_FAMILY_INTERFACE);
  EXPECT_TRUE(ex->modifiers & kZCLModStrict);
  ASSERT_EQ(ex->funcs.size(), 3u);
  EXPECT_TRUE(ex->funcs[0]->flags & kZCLFuncConstructor);
  EXPECT_EQ(ex->funcs[1]->args.size(), 1u);
  EXPECT_EQ(ex->funcs[2]->name, "getError");
  EXPECT_TRUE(cls("string")->isNative);

  ZCLClass* global = cls("__global");
  ASSERT_EQ(global->funcs.size(), 1u);
  EXPECT_EQ(global->funcs[0]->name, "__init");
  const std::vector<ZILLong> intro = {ZOP_ALLOC_TYPE_R, 16, 2};
  EXPECT_EQ(global->funcs[0]->code, intro);
  EXPECT_EQ(ZILFuncs(ps)[global->funcs[0]->handle].typeID, 16);
  EXPECT_EQ(st->filesCompiled, 0);
}

TEST_F(CompilerDriver, DeclarationsReachTheRuntimeTables) {
  ASSERT_EQ(compile("class Point { method Point(); method Point(int x, int y); method int X(); int x, y; }\n"
                    "function int twice(int v) { return v * 2; }\n"
                    "interface Shape { method float area(); }\n"
                    "int counter = 3;\n"),
            0)
      << log;
  ZCLClass* point = cls("Point");
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(std::string(ZILGetTypeName(ps, point->typeId)), "Point");
  EXPECT_EQ(ZILTypes(ps)[point->typeId].family, ZIL_FAMILY_CLASS);
  EXPECT_EQ(ZILTypes(ps)[typeOf("Shape")].family, ZIL_FAMILY_INTERFACE);
  ASSERT_EQ(point->funcs.size(), 3u);
  EXPECT_EQ(point->members.size(), 2u);
  for (auto& f : point->funcs) {
    const ZILFuncInfo& fi = ZILFuncs(ps)[f->handle];
    EXPECT_EQ(fi.typeID, point->typeId);
    EXPECT_EQ(fi.isMethod, 1);
    EXPECT_EQ(fi.memberIndex, f->index);
  }
  EXPECT_EQ(std::string(ZILNameAt(ps, ZILFuncs(ps)[point->funcs[2]->handle].name)), "Point::X");
  auto twice = funcs("__global", "twice");
  ASSERT_EQ(twice.size(), 1u);
  EXPECT_EQ(ZILFuncs(ps)[twice[0]->handle].isMethod, 0);
  EXPECT_TRUE(twice[0]->defined);
  EXPECT_EQ(cls("__global")->members.size(), 1u);
}

TEST_F(CompilerDriver, OptionStatementsApplyLeftToRightAndWarn) {
  ASSERT_EQ(compile("option \"optimize = 3, stack-locals = off\";\noption \"warning-level=5; bogus=1\";\n"), 0);
  EXPECT_EQ(ZCLOptions(st).stackLocals, 0);
  EXPECT_EQ(ZCLOptions(st).optimize, 3);
  EXPECT_EQ(ZCLOptions(st).warningLevel, 3);
  EXPECT_NE(log.find("Warning 1504(3): 'warning-level=5' - Ignoring invalid option value in a.zc (2,8)"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Warning 1503(3): 'bogus' - Ignoring unknown compiler option"), std::string::npos) << log;
  EXPECT_EQ(st->diag.warnings, 2);  // reported in pass 0 only

  // Runtime options fall through to the runtime.
  ASSERT_EQ(compile("option \"call-stack-size = 64\";"), 0);
  EXPECT_EQ(ps->callStackSize, 64);
}

TEST_F(CompilerDriver, NativeImportsFollowPackageListsAndDeclarationTexts) {
  registerNatives();
  ASSERT_EQ(compile("import Gadget; import Gadget;"), 0) << log;
  // The package list comes first, so its classes get the lower ids.
  ASSERT_GT(typeOf("Part"), 16);
  EXPECT_LT(typeOf("Part"), typeOf("Piece"));
  EXPECT_LT(typeOf("Gadget"), typeOf("Part"));  // created before its packages
  ZCLClass* g = cls("Gadget");
  EXPECT_TRUE(g->isNative);
  EXPECT_TRUE(g->hasBody);
  ASSERT_EQ(g->funcs.size(), 6u);
  const char* names[] = {"Gadget", "size", "length", "length", "describe", "convertor"};
  for (size_t i = 0; i < 6; i++) {
    EXPECT_EQ(g->funcs[i]->name, names[i]);
    EXPECT_EQ(ZILFuncs(ps)[g->funcs[i]->handle].memberIndex, static_cast<ZILLong>(i));
    EXPECT_TRUE(g->funcs[i]->defined);
  }
  EXPECT_TRUE(g->funcs[5]->flags & kZCLFuncExplicit);
  // Delegate types are shared by signature, also with the built-in string class's.
  EXPECT_EQ(typeOf("Gadget::processor"), typeOf("string::processor"));
  EXPECT_EQ(typeOf("string::processor"), ZIL_TYPE_STRING_PROCESSOR);
  ASSERT_EQ(g->members.size(), 1u);
  EXPECT_EQ(g->members[0].intValue, 10);
  ASSERT_EQ(cls("Piece")->members.size(), 1u);  // from the declaration buffer
  EXPECT_EQ(cls("Piece")->members[0].name, "kCount");
  EXPECT_EQ(cls("Piece")->members[0].intValue, 3);
  EXPECT_EQ(ZILTypes(ps)[g->typeId].authorVersion, 0x00010000);

  ASSERT_EQ(compile("import Failing;"), 0) << log;
  EXPECT_EQ(cls("Failing")->baseId, 13);
  EXPECT_EQ(cls("Failing")->funcs.size(), 3u);  // the interface's copies

  EXPECT_EQ(compile("import Broken;"), ZCL_ERR_Unexpected_Token);
  EXPECT_NE(log.find("in Broken ("), std::string::npos) << log;
}

TEST_F(CompilerDriver, RuntimeClassAndBuiltinDeclarationFormsImport) {
  registerNatives();
  ASSERT_EQ(compile("import runtime; import Text;"), 0) << log;
  ZCLClass* rt = cls("runtime");
  ASSERT_NE(rt, nullptr);
  ASSERT_EQ(rt->funcs.size(), 23u);
  for (size_t i = 0; i < rt->funcs.size(); i++) {
    const ZILFuncInfo& fi = ZILFuncs(ps)[rt->funcs[i]->handle];
    EXPECT_EQ(fi.memberIndex, static_cast<ZILLong>(i));
    EXPECT_EQ(fi.isMethod, 0);
  }
  EXPECT_EQ(rt->funcs[12]->name, "getTypeID");
  EXPECT_EQ(rt->funcs[12]->args[0].type.isConst, 1);
  EXPECT_EQ(rt->funcs[22]->name, "generateDocs");

  ZCLClass* text = cls("Text");
  ASSERT_EQ(text->funcs.size(), 9u);
  EXPECT_TRUE(text->hasConstructor);
  EXPECT_EQ(text->funcs[2]->args[0].type.type, text->typeId);
  EXPECT_TRUE(text->funcs[4]->flags & kZCLFuncAccessor);
  EXPECT_FALSE(text->funcs[5]->hasResult);  // a setter
  EXPECT_EQ(typeOf("Text::processor"), typeOf("Text::mapper"));
  EXPECT_EQ(text->funcs[7]->result.elemType, ZIL_TYPE_INT);
  EXPECT_EQ(text->funcs[8]->result.elemType, text->typeId);
  // Script code may not add to a native class.
  EXPECT_EQ(compile("method int Text::length() { return 0; }"), ZCL_ERR_Reimplement_Native_Function);
}

TEST_F(CompilerDriver, FileImportsReadDottedNamesThroughTheCallback) {
  ps->fileInput = fileInput;
  std::string big = "option \"warning-level = 0\";\nclass Widget { method Widget(); }\n";
  while (big.size() < 3000)
    big += "// padding so the text spans several reads of 1024 bytes\n";
  big += "int kWidgetLast = 1;";
  gFiles["gui/widgets.zc"] = big;
  gFiles["gui/other.zs"] = "int fromOther;";
  ASSERT_EQ(compile("import gui.widgets; import gui.widgets; option \"verbose=0\"; Widget w = new Widget();"), 0)
      << log;
  EXPECT_EQ(gOpened, std::vector<std::string>{"gui/widgets.zc"});
  EXPECT_NE(cls("Widget"), nullptr);
  EXPECT_EQ(cls("__global")->members.size(), 2u);
  // The imported text's option statement ended with it.
  EXPECT_EQ(ZCLOptions(st).warningLevel, 3);
  EXPECT_EQ(st->options.size(), 1u);

  // A later text importing it again finds it compiled.
  ASSERT_EQ(compile("import gui.widgets;"), 0) << log;
  EXPECT_EQ(gOpened.size(), 1u);

  ASSERT_EQ(compile("option \"file-ext=zs\"; import gui.other;"), 0) << log;
  EXPECT_EQ(gOpened.back(), "gui/other.zs");

  EXPECT_EQ(compile("import gui.missing;"), ZCL_ERR_Unresolved_Import);
  EXPECT_NE(log.find("Error 1251: 'gui.missing' - Unable to resolve specified import (no native type of this "
                     "name and no file gui/missing.zs) in a.zc (1,8)"),
            std::string::npos)
      << log;
  ASSERT_EQ(compile("option \"file-import=0\";"), 0);
  gFiles["solo.zs"] = "int solo;";
  EXPECT_EQ(compile("import solo;"), ZCL_ERR_Unresolved_Import);
}

TEST_F(CompilerDriver, ImportErrorsPointIntoTheImportedFile) {
  ps->fileInput = fileInput;
  gFiles["lib.zc"] = "class Lib { method Lib(); }\n\n  Nope n;";
  EXPECT_EQ(compile("import lib;"), ZCL_ERR_Undefined_Identifier);
  EXPECT_NE(log.find("'Nope' - Undefined identifier in lib.zc (3,3)"), std::string::npos) << log;
  // A self-importing file stops instead of recursing.
  gFiles["loop.zc"] = "import loop; int x;";
  EXPECT_EQ(compile("import loop;"), 0) << log;
}

TEST_F(CompilerDriver, ImportsAreLookedForBesideTheImporterThenHereThenInTheImportFolders) {
  struct Case {
    std::vector<std::string> files;  // where util.zc exists
    const char* importer;
    std::vector<std::string> opened;  // the places tried, in order, up to the one read
  };
  const Case cases[] = {
      {{"app/util.zc", "util.zc"}, "app/main.zc", {"app/util.zc"}},
      {{"util.zc", "inc/util.zc"}, "app/main.zc", {"app/util.zc", "util.zc"}},
      {{"more/util.zc"}, "app/main.zc", {"app/util.zc", "util.zc", "inc/util.zc", "more/util.zc"}},
      {{"inc/util.zc"}, "main.zc", {"util.zc", "inc/util.zc"}},  // beside it is here
  };
  for (const Case& c : cases) {
    Restart();
    ps->fileInput = fileInput;
    ASSERT_EQ(ZCLAddImportFolder(ps, "inc"), 0);
    ASSERT_EQ(ZCLAddImportFolder(ps, "more/"), 0);
    gFiles.clear();
    gOpened.clear();
    for (const std::string& f : c.files)
      gFiles[f] = "int fromUtil = 1;\nint broken = nothing;";
    EXPECT_EQ(compile("import util;", c.importer), ZCL_ERR_Undefined_Identifier) << c.importer;
    EXPECT_EQ(gOpened, c.opened) << c.importer;
    // The error inside the imported file names the file that was read.
    EXPECT_NE(log.find("in " + c.opened.back() + " (2,14)"), std::string::npos) << log;
  }
  // A nested import starts beside the file that imports it.
  Restart();
  ps->fileInput = fileInput;
  gFiles = {{"app/a.zc", "import b;"}, {"app/b.zc", "int fromB = 2;"}, {"b.zc", "int wrong;"}};
  gOpened.clear();
  ASSERT_EQ(compile("import a;", "app/main.zc"), 0) << log;
  EXPECT_EQ(gOpened, (std::vector<std::string>{"app/a.zc", "app/b.zc"}));
  // None has it: every place is named.
  EXPECT_EQ(compile("import gone;", "app/main.zc"), ZCL_ERR_Unresolved_Import);
  EXPECT_NE(log.find("(no native type of this name and no file app/gone.zc, gone.zc)"), std::string::npos) << log;
}

TEST_F(CompilerDriver, VerboseLinesBannerOnceAndAllocationReport) {
  st->options[0].verbose = 1;
  ASSERT_EQ(compile("int f;"), 0);
  EXPECT_NE(log.find("*** ZentraScript compiler v1.0.3.2 [Release]\n"), std::string::npos) << log;
  log.clear();
  ASSERT_EQ(ZCLCompile(ps, nullptr, "int g;"), 0);
  EXPECT_EQ(log, "Compiling 'anonymous character string'...\n");
  log.clear();
  ASSERT_EQ(ZCLLink(ps), 0);
  EXPECT_NE(log.find("Linking...\n"), std::string::npos);
  EXPECT_NE(log.find("2 Files, 0 Errors, 0 Warnings, "), std::string::npos) << log;
  EXPECT_EQ(ZILTypes(ps)[16].instanceSize, 2);

  // Compiling after a link reopens the initialisation function; linking closes it again.
  ZCLFunc* init = cls("__global")->funcs[0].get();
  EXPECT_EQ(init->code.back(), ZOP_RET);
  ASSERT_EQ(compile("int h;"), 0);
  EXPECT_EQ(init->code.size(), 3u);

  log.clear();
  ASSERT_EQ(ZCLFreeCompiler(ps), 0);
  EXPECT_EQ(ps->compiler, nullptr);
  ASSERT_EQ(log.rfind("Compiler terminated.\nCompiler allocs:frees ", 0), 0u) << log;
  int allocs = -1, frees = -2;
  ASSERT_EQ(sscanf(log.c_str() + log.find("frees ") + 6, "%d:%d", &allocs, &frees), 2);
  EXPECT_EQ(allocs, frees);
  EXPECT_GT(allocs, 20);
  EXPECT_EQ(ZCLCompile(ps, nullptr, "int x;"), ZIL_ERR_No_Compiler);
  EXPECT_EQ(ZCLLink(ps), ZIL_ERR_No_Compiler);
  EXPECT_EQ(ZCLFreeCompiler(ps), ZIL_ERR_No_Compiler);
}

TEST_F(CompilerDriver, LinkReportsUndefinedStrictAndInheritedFunctions) {
  ASSERT_EQ(compile("strict function int later(int a);"), 0);
  EXPECT_EQ(ZCLLink(ps), ZCL_ERR_Function_Not_Defined);
  EXPECT_NE(log.find("Error 1218: 'later' - Function declared but not defined\n"), std::string::npos) << log;

  ZILState* other = ZILInitialize();
  ASSERT_EQ(ZILInitializeCompiler(other), 0);
  std::string otherLog;
  other->user = &otherLog;
  other->log = [](ZILState* s, const ZILChar* line) {
    *static_cast<std::string*>(s->user) += line;
  };
  ASSERT_EQ(ZCLCompile(other, "b.zc", "function soft(); class E : exception { method E(){} }"), 0);
  EXPECT_EQ(ZCLLink(other), ZCL_ERR_Inherited_Method_Not_Implemented);  // E(int), copied from exception
  EXPECT_NE(otherLog.find("Warning 1517(3): 'soft' - Function declared but not defined, generating default code"),
            std::string::npos)
      << otherLog;
  ZILTerminate(other);
}

TEST_F(CompilerDriver, FatalErrorsStopTheCompiler) {
  std::string fatal;
  ps->user = &fatal;
  ps->log = [](ZILState*, const ZILChar*) {
  };
  ZCLSetFatalErrorCallback(ps, [](ZILState* s, const char* text) { *static_cast<std::string*>(s->user) = text; });
  EXPECT_EQ(ZCLGetClass(st, 999), nullptr);
  EXPECT_NE(fatal.find("Fatal error in function GetClass():\nAccess to invalid type id in file zclstate("),
            std::string::npos)
      << fatal;
  EXPECT_EQ(ZCLCompile(ps, "x.zc", "int x;"), ZCL_ERR_Fatal);
}

TEST_F(CompilerDriver, CompileHandlerNeedsTheApplicationClasses) {
  ZILLong handle = 99;
  EXPECT_EQ(ZCLCompileHandler(ps, "x = 1", &handle), ZCL_ERR_Undefined_Identifier);
  EXPECT_EQ(handle, 0);
  ASSERT_EQ(compile("class Application; class View;"), 0);
  EXPECT_EQ(ZCLCompileHandler(ps, nullptr, &handle), 0) << log;
  EXPECT_GT(handle, 0);
  std::string name = ZILNameAt(ps, ZILFuncs(ps)[handle].name);
  ASSERT_EQ(name.size(), 26u);
  EXPECT_EQ(name.rfind("anonymous_", 0), 0u);
  EXPECT_TRUE(isalpha(static_cast<unsigned char>(name[10])));
}

}  // namespace
