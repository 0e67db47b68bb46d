// Class list, type creation and function registration of the compiler state, and the
// state-level reporting helpers. The runtime may already hold records for the built-in types
// when the compiler starts; those are kept as placeholders and adopted by name when the
// compiler declares them, so ids stay those of the runtime.
#include "zentra/compiler/zclstate.h"

#include "zentra/compiler/zclexplain.h"
#include "zentra/compiler/zcltoken.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

ZCLCounted::ZCLCounted(ZCLState* st) : owner(st) {
  if (owner)
    owner->allocs++;
}

ZCLCounted::~ZCLCounted() {
  if (owner)
    owner->frees++;
}

double ZCLClockMs() { return static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC; }

ZCLClass* ZCLGetClass(ZCLState* st, int typeId) {
  ZCLClass* cls = ZCLClassAt(st, typeId);
  if (!cls)
    ZCLFatal(st, "zclstate", __LINE__, "Access to invalid type id", "GetClass");
  return cls;
}

ZILError ZCLCreateType(ZCLState* st, const std::string& name, int family, bool native, int* id) {
  ZILState* ps = st->ps;
  auto ph = st->placeholders.find(name);
  if (ph != st->placeholders.end()) {
    ZCLClass* cls = st->classes[ph->second].get();
    st->placeholders.erase(ph);
    cls->placeholder = false;
    cls->family = family;
    cls->isNative = native;
    ZILTypeInfo* ti = ZILTypes(ps) + cls->typeId;
    ti->family = family;
    ti->isNative = native ? 1 : 0;
    st->typeNames[name] = cls->typeId;
    *id = cls->typeId;
    return ZCL_OK;
  }
  ZILTypeInfo ti{};
  ZILError err = ZILAddName(ps, name.c_str(), &ti.pName);
  if (err)
    return err;
  ti.family = family;
  ti.isNative = native ? 1 : 0;
  ti.copyConstructor = -1;
  ti.offsetVtab = -1;
  ZILLong typeId = 0;
  err = ZILAddType(ps, &ti, &typeId);
  if (err)
    return err;
  if (static_cast<size_t>(typeId) != st->classes.size())
    return ZCLFatal(st, "zclstate", __LINE__, "ClassIndex and TypeID are out of sync!", "ZCLCreateType");
  auto cls = std::make_unique<ZCLClass>(st);
  cls->name = name;
  cls->family = family;
  cls->typeId = typeId;
  cls->isNative = native;
  st->classes.push_back(std::move(cls));
  st->typeNames[name] = typeId;
  *id = typeId;
  return ZCL_OK;
}

bool ZCLLookupTypeName(ZCLState* st, const std::string& name, ZCLTypeDesc* out) {
  auto it = st->typeNames.find(name);
  if (it != st->typeNames.end()) {
    *out = ZCLMakeType(it->second);
    return true;
  }
  auto al = st->aliases.find(name);
  if (al != st->aliases.end()) {
    *out = al->second;
    return true;
  }
  return false;
}

NTLTypeProc ZCLFindNativeProc(ZCLState* st, const char* name) {
  ZILState* ps = st->ps;
  for (ZILLong i = 0; i < ps->nativeCount; ++i)
    if (ps->nativeTypes[i].name && std::strcmp(ps->nativeTypes[i].name, name) == 0)
      return ps->nativeTypes[i].proc;
  return nullptr;
}

const std::vector<ZCLFunc*>& ZCLFunctionsNamed(const ZCLClass* cls, const std::string& name) {
  static const std::vector<ZCLFunc*> none;
  auto it = cls->funcsByName.find(name);
  return it == cls->funcsByName.end() ? none : it->second;
}

ZILError ZCLAddFunction(ZCLState* st, ZCLClass* cls, std::unique_ptr<ZCLFunc> func, ZCLFunc** out) {
  func->classId = cls->typeId;
  func->index = static_cast<int>(cls->funcs.size());
  // A native class numbers the functions its declaration adds after those it takes from its
  // interface, so the two never share a number in the type proc's calls.
  if (!func->inherited) {
    func->memberIndex = cls->nativeFunctions++;
  } else {
    func->memberIndex = func->index;
    cls->nativeFunctions = std::max(cls->nativeFunctions, func->index + 1);
  }
  if (!cls->isNative)
    func->memberIndex = func->index;
  ZILFuncInfo info{};
  info.typeID = cls->typeId;
  info.isMethod = (func->flags & kZCLFuncFunction) ? 0 : 1;
  info.codeAddress = -1;
  info.memberIndex = func->memberIndex;
  std::string full = cls->typeId == kZCLGlobalClassId ? func->name : cls->name + "::" + func->name;
  ZILError err = ZILAddName(st->ps, full.c_str(), &info.name);
  if (!err)
    err = ZILAddFunction(st->ps, &info, &func->handle);
  if (err)
    return err;
  if (func->flags & (kZCLFuncMethod | kZCLFuncAccessor))
    cls->hasMethods = true;
  if (func->flags & kZCLFuncConstructor)
    cls->hasConstructor = true;
  ZCLFunc* raw = func.get();
  cls->funcsByName[raw->name].push_back(raw);
  cls->funcs.push_back(std::move(func));
  if (out)
    *out = raw;
  return ZCL_OK;
}

ZILError ZCLErrorAt(ZCLState* st, size_t pos, const char* token, ZILError code, const std::string& detail) {
  std::string extra = detail;
  if (extra.empty() && token &&
      (code == ZCL_ERR_Undefined_Identifier || code == ZCL_ERR_No_Matching_Function ||
       code == ZCL_ERR_Unresolved_Import))
    extra = ZCLNameHint(st, token);
  if (!st->file)
    return ZCLReportError(&st->diag, nullptr, &ZCLOptions(st), token, code, extra.c_str());
  if (code == ZCL_ERR_Missing_Semicolon)
    pos = ZCLPreviousTokenStart(st->file, pos);
  size_t saved = st->file->pos;
  ZCLFileSetPosition(st->file, pos);
  ZCLReportError(&st->diag, st->file, &ZCLOptions(st), token, code, extra.c_str());
  ZCLFileSetPosition(st->file, saved);
  return code;
}

ZILError ZCLError(ZCLState* st, const char* token, ZILError code, const std::string& detail) {
  return ZCLErrorAt(st, st->file ? st->tokStart : 0, token, code, detail);
}

ZILError ZCLWarning(ZCLState* st, const char* token, ZILError code, const std::string& detail) {
  if (!st->file)
    return ZCLReportWarning(&st->diag, nullptr, &ZCLOptions(st), token, code, detail.c_str());
  size_t saved = st->file->pos;
  ZCLFileSetPosition(st->file, st->tokStart);
  ZCLReportWarning(&st->diag, st->file, &ZCLOptions(st), token, code, detail.c_str());
  ZCLFileSetPosition(st->file, saved);
  return code;
}

ZILError ZCLFatal(ZCLState* st, const char* module, int line, const char* message, const char* function) {
  return ZCLFatalError(&st->diag, st->file, module, line, message, function);
}

void ZCLVerbose(ZCLState* st, const char* format, ...) {
  if (!st->ps->log || st->options.empty() || !ZCLOptions(st).verbose)
    return;
  char line[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(line, 4091, format, args);  // at most 4090 characters
  va_end(args);
  st->ps->log(st->ps, line);
}
