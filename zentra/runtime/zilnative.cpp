// zilnative.cpp - the registry of native types (name copy and type proc per entry) and the one
// path through which the interpreter calls a type proc (guarded: an exception the proc throws
// becomes its error code). Registration checks the proc's interface version and class name
// before the type is entered.
#include <cctype>
#include <cstring>

#include "zilinternal.h"

namespace {

bool validClassName(const ZILChar* name) {
  if (!name || !(isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
    return false;
  for (const ZILChar* p = name + 1; *p; ++p)
    if (!(isalnum(static_cast<unsigned char>(*p)) || *p == '_'))
      return false;
  return true;
}

// The proc's answers are asked before anything is allocated for the entry, so a proc that throws
// leaves nothing behind (the whole registration runs guarded).
ZILError registerType(ZILState* ps, NTLTypeProc proc) {
  ZILError e = proc(nullptr, NTL_Register, ps->typeInterfaceVersion, ps, nullptr);
  if (e)
    return e;
  bool accepted = false;
  ZILLong interfaceVersion = proc(nullptr, NTL_GetInterfaceVersion, 0, nullptr, nullptr);
  if (interfaceVersion != 0 &&
      static_cast<uint32_t>(interfaceVersion) <= static_cast<uint32_t>(ps->typeInterfaceVersion)) {
    proc(nullptr, NTL_GetAuthorVersion, 0, nullptr, nullptr);
    ZILUnknown* out = nullptr;
    const ZILChar* name = nullptr;
    if (proc(nullptr, NTL_GetClassName, 0, nullptr, &out) == 0)
      name = static_cast<const ZILChar*>(out);
    if (validClassName(name) && !ZILFindNativeType(ps, name)) {
      if (ps->nativeCount == ps->nativeCapacity) {
        ZILLong capacity = ps->nativeCapacity + ps->nativeGrowth;
        auto* grown =
            static_cast<ZILNativeTypeEntry*>(ZILAlloc(ps, sizeof(ZILNativeTypeEntry) * static_cast<size_t>(capacity)));
        if (grown) {
          if (ps->nativeCount)
            memcpy(grown, ps->nativeTypes, sizeof(ZILNativeTypeEntry) * static_cast<size_t>(ps->nativeCount));
          ZILFree(ps, ps->nativeTypes);
          ps->nativeTypes = grown;
          ps->nativeCapacity = capacity;
        }
      }
      size_t length = strlen(name) + 1;
      ZILChar* copy = static_cast<ZILChar*>(ZILAlloc(ps, length));
      if (copy && ps->nativeCount < ps->nativeCapacity) {
        memcpy(copy, name, length);
        ps->nativeTypes[ps->nativeCount].name = copy;
        ps->nativeTypes[ps->nativeCount].proc = proc;
        ++ps->nativeCount;
        accepted = true;
      } else {
        ZILFree(ps, copy);
      }
    }
  }
  if (!accepted) {
    proc(nullptr, NTL_Unregister, 0, ps, nullptr);
    return ZIL_ERR_Register_Native_Type_Failed;
  }
  return 0;
}

}  // namespace

ZILError ZILRegisterNativeType(ZILState* ps, NTLTypeProc proc) {
  if (!ps || !proc)
    return ZIL_ERR_Register_Native_Type_Failed;
  return ZILGuardedCall([&] { return registerType(ps, proc); });
}

NTLTypeProc ZILFindNativeType(ZILState* ps, const ZILChar* name) {
  for (ZILLong i = 0; i < ps->nativeCount; ++i)
    if (strcmp(ps->nativeTypes[i].name, name) == 0)
      return ps->nativeTypes[i].proc;
  return nullptr;
}
