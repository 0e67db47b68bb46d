// The compiler driver: start-up with its predeclared texts in a fixed order, the two passes of
// each compile, linking, handler compilation and teardown. The runtime knows its compiler only
// through ps->compiler and the ps->compilerFree hook, so the runtime never links the compiler.
#include "zilcompiler.h"

#include <cstdio>
#include <new>
#include <random>

#include "zentra/compiler/zclcodegen.h"
#include "zentra/compiler/zclguard.h"
#include "zentra/compiler/zclparse.h"

namespace {

// Built into the base option set at start; empty in this build.
constexpr const char* kDefaultOptions = "";

void logText(void* user, const char* text) {
  ZILState* ps = static_cast<ZILState*>(user);
  if (ps && ps->log)
    ps->log(ps, text);
}

void fatalText(void* user, const char* text) {
  ZILState* ps = static_cast<ZILState*>(user);
  ZCLState* st = ZCLGetState(ps);
  if (st && st->fatalProc)
    st->fatalProc(ps, text);
}

ZILError freeHook(ZILState* ps) { return ZCLFreeCompiler(ps); }

// The `runtime` class's generateBindings and generateDocs.
ZILError generateHook(ZILState* ps, ZILLong what, const ZILChar* path) {
  return what == ZIL_GENERATE_BINDINGS ? ZCLGenerateBindings(ps, path) : ZCLGenerateDocs(ps, path);
}

ZCLState* stateOf(ZILState* ps) { return ZCLGetState(ps); }

void reopenInit(ZCLState* st) {
  if (!st->initClosed)
    return;
  ZCLFunc* init = st->classes[16]->funcs[0].get();
  if (!init->code.empty())
    init->code.pop_back();
  init->optimized = false;
  st->initClosed = false;
}

ZILError compileAnonymous(ZILState* ps, const char* text) { return ZCLCompile(ps, nullptr, text); }

ZILError compileText(ZCLState* st, ZCLFile* file, const ZILChar* name, const ZILChar* text) {
  ZILState* ps = st->ps;
  if (st->filesCompiled == 0) {
    char version[32];
    ZILVersionToText(ps->libraryVersion, version, sizeof version);
    ZCLVerbose(st, "*** ZentraScript compiler v%s [%s]\n", version,
               (ps->runtimeFlags & ZIL_FLAG_DEBUG_BUILD) ? "Debug" : "Release");
    st->startTime = ZCLClockMs();
  }
  st->filesCompiled++;
  const char* shown = name ? name : kZCLAnonymousName;
  ZCLVerbose(st, "Compiling '%s'...\n", shown);

  ZCLFileOpen(file, name, text ? text : "");
  st->file = file;
  reopenInit(st);
  st->pass = 0;
  st->currentClass = 16;
  st->currentFunction = 0;
  ZILError err = ZCLParseTopLevel(st, false);
  ZCLFlushMessages(&st->diag);
  if (err == ZCL_OK && !st->diag.fatal) {
    ZCLFileSetPosition(file, 0);
    st->pass = 1;
    ZCLGlobalScope(st)->hasBody = true;
    err = ZCLParseTopLevel(st, false);
    ZCLFlushMessages(&st->diag);
  }
  if (err == ZCL_OK && st->diag.fatal)
    err = ZCL_ERR_Fatal;
  return err;
}

ZILError compileHandler(ZCLState* st, const ZILChar* code, ZILLong* handle) {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  static const char kAlnum[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device device;
  std::mt19937 random(device());
  std::string name = "anonymous_";
  name += kLetters[random() % 52];
  for (int i = 1; i < 16; i++)
    name += kAlnum[random() % 62];
  std::string text = "function  " + name + "(Application self, View sender){" + (code ? code : "") + ";}";
  ZILError err = ZCLCompile(st->ps, "anonymous function", text.c_str());
  if (!err)
    err = ZCLLink(st->ps);
  if (err)
    return err;
  for (auto& f : st->classes[16]->funcs)
    if (f->name == name) {
      if (handle)
        *handle = f->handle;
      return ZCL_OK;
    }
  return ZIL_ERR_Symbol_Not_Found;
}

// Start-up after the state exists: the base option set, the runtime's types, the built-in
// declarations in their fixed order, the global space and the aliases.
ZILError declareBuiltins(ZCLState* st) {
  ZILState* ps = st->ps;
  st->currentClass = 16;
  st->options.emplace_back();
  st->diag.messageLog = logText;
  st->diag.fatalCallback = fatalText;
  st->diag.user = ps;
  ZCLApplyOptionString(&st->options[0], kDefaultOptions, nullptr, nullptr, nullptr);

  // Types the runtime made before its compiler existed are adopted when declared by name.
  for (ZILLong i = 0; i < ps->types.count; i++) {
    auto cls = std::make_unique<ZCLClass>(st);
    const ZILTypeInfo& ti = ZILTypes(ps)[i];
    cls->name = ZILNameAt(ps, ti.pName);
    cls->family = ti.family;
    cls->typeId = static_cast<int>(i);
    cls->isNative = ti.isNative != 0;
    cls->placeholder = true;
    st->placeholders[cls->name] = static_cast<int>(i);
    st->classes.push_back(std::move(cls));
  }

  int id = 0;
  ZILError err = ZCLCreateType(st, "null", ZIL_FAMILY_NONE, false, &id);
  if (!err)
    err = ZCLCreateType(st, "int", ZIL_FAMILY_INTEGRAL, false, &id);
  if (!err)
    err = ZCLCreateType(st, "float", ZIL_FAMILY_INTEGRAL, false, &id);
  if (!err)
    err = compileAnonymous(ps, "import string; import array; import list; import iterator; import table; ");
  if (!err)
    err = compileAnonymous(ps,
                           "strict interface exception {    method exception();    method exception(int error);    "
                           "method int getError();}");
  if (!err)
    err = ZCLCreateType(st, "__delegate", ZIL_FAMILY_DELEGATE, false, &id);
  if (!err)
    err = ZCLCreateType(st, "var", ZIL_FAMILY_NONE, false, &id);
  if (!err && id != ZIL_TYPE_VAR) {
    ZCLFatal(st, "zilcompiler", __LINE__, "Runtime returns typeID that does not match 'type_var'",
             "ZILInitializeCompiler");
    err = ZIL_ERR_Initialize_Failed;
  }
  for (int builtin : {ZIL_TYPE_NULL, ZIL_TYPE_INT, ZIL_TYPE_FLOAT, ZIL_TYPE_DELEGATE, ZIL_TYPE_VAR})
    if (!err)
      st->classes[builtin]->hasBody = true;
  if (!err)
    err = ZCLBeginIntro(st);
  if (!err)
    err = compileAnonymous(ps, "alias int bool; alias int char; ");
  st->filesCompiled = 0;
  return err;
}

}  // namespace

ZILError ZILInitializeCompiler(ZILState* ps) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (ps->compiler)
    return ZIL_ERR_Initialize_Failed;
  void* memory = ZILAlloc(ps, sizeof(ZCLState));
  if (!memory)
    return ZIL_EXC_Allocation_Fail;
  ZCLState* st = nullptr;
  try {
    st = new (memory) ZCLState();
  } catch (...) {
    ZILFree(ps, memory);
    return ZIL_EXC_Allocation_Fail;
  }
  st->ps = ps;
  ps->compiler = st;
  ps->compilerFree = freeHook;
  ps->compilerGenerate = generateHook;
  return ZCLGuarded(st, "ZILInitializeCompiler", [st] { return declareBuiltins(st); });
}

ZILError ZCLCompile(ZILState* ps, const ZILChar* name, const ZILChar* text) {
  ZCLState* st = stateOf(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  if (st->diag.fatal)
    return ZCL_ERR_Fatal;
  if (st->file)
    return ZCL_ERR_General_Parser_Error;  // not re-entrant
  ZCLFile file;
  st->allocs++;
  ZILError err = ZCLGuarded(st, "ZCLCompile", [&] { return compileText(st, &file, name, text); });
  st->file = nullptr;
  st->pass = 0;
  ZCLFileClose(&file);
  st->frees++;
  return err;
}

ZILError ZCLCompileHandler(ZILState* ps, const ZILChar* code, ZILLong* handle) {
  if (handle)
    *handle = 0;
  ZCLState* st = stateOf(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  ZILError err = ZCLGuarded(st, "ZCLCompileHandler", [&] { return compileHandler(st, code, handle); });
  if (err && handle)
    *handle = 0;
  return err;
}

ZILError ZCLFreeCompiler(ZILState* ps) {
  ZCLState* st = stateOf(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  const bool verbose = !st->options.empty() && ZCLOptions(st).verbose;
  st->classes.clear();  // counts every class and function freed
  const int allocs = st->allocs, frees = st->frees;
  ps->compiler = nullptr;
  ps->compilerFree = nullptr;
  ps->compilerGenerate = nullptr;
  st->~ZCLState();
  ZILFree(ps, st);
  if (verbose && ps->log) {
    char line[128];
    ps->log(ps, "Compiler terminated.\n");
    std::snprintf(line, sizeof line, "Compiler allocs:frees %d:%d\n", allocs, frees);
    ps->log(ps, line);
  }
  return ZCL_OK;
}

ZILError ZCLSetFatalErrorCallback(ZILState* ps, void (*callback)(ZILState* ps, const char* text)) {
  ZCLState* st = stateOf(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  st->fatalProc = callback;
  return ZCL_OK;
}

ZILError ZCLAddImportFolder(ZILState* ps, const ZILChar* folder) {
  ZCLState* st = stateOf(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  if (!folder || !*folder)
    return ZIL_ERR_Illegal_Argument;
  return ZCLGuarded(st, "ZCLAddImportFolder", [&] {
    st->importFolders.emplace_back(folder);
    return ZCL_OK;
  });
}

ZILError ZCLSetNameHint(ZILState* ps, const ZILChar* name, const ZILChar* hint) {
  ZCLState* st = stateOf(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  if (!name || !*name)
    return ZIL_ERR_Illegal_Argument;
  return ZCLGuarded(st, "ZCLSetNameHint", [&] {
    if (hint && *hint)
      st->nameHints[name] = hint;
    else
      st->nameHints.erase(name);
    return ZCL_OK;
  });
}

ZILError ZCLSetOptions(ZILState* ps, const ZILChar* text) {
  ZCLState* st = stateOf(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  if (!text)
    return ZIL_ERR_Illegal_Argument;
  return ZCLGuarded(st, "ZCLSetOptions", [&] {
    // Every saved set takes it, so that the options an import restores carry it too.
    bool refused = false;
    for (ZCLOption& set : st->options) {
      std::vector<ZCLOptionRejection> rejected;
      ZCLApplyOptionString(&set, text, nullptr, nullptr, &rejected);
      refused = refused || !rejected.empty();
    }
    return refused ? ZCL_WARN_Invalid_Option_Value : ZCL_OK;
  });
}

ZILError ZCLGetGlobalFunction(ZILState* ps, const ZILChar* name, ZILLong index, ZCLFunctionSignature* out) {
  ZCLState* st = stateOf(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  if (!name || !out || index < 0)
    return ZIL_ERR_Illegal_Argument;
  const ZCLClass* global = ZCLClassAt(st, kZCLGlobalClassId);
  if (!global)
    return ZIL_ERR_Illegal_Argument;
  for (const auto& f : global->funcs) {
    if (f->name != name || !(f->flags & kZCLFuncFunction) || index-- > 0)
      continue;
    *out = ZCLFunctionSignature{};
    out->handle = f->handle;
    out->argCount = static_cast<ZILLong>(f->args.size());
    for (size_t i = 0; i < f->args.size() && i < 4; i++) {
      out->argType[i] = f->args[i].type.type;
      out->argElemType[i] = f->args[i].type.elemType;
    }
    out->hasResult = f->hasResult;
    out->resultType = f->hasResult ? f->result.type : 0;
    return ZCL_OK;
  }
  return ZIL_ERR_Illegal_Argument;
}

ZILError ZCLGetStatistics(ZILState* ps, ZCLStatistics* out) {
  ZCLState* st = stateOf(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  out->errors = st->diag.errors;
  out->warnings = st->diag.warnings;
  out->filesCompiled = st->filesCompiled;
  out->fatal = st->diag.fatal ? 1 : 0;
  return ZCL_OK;
}
