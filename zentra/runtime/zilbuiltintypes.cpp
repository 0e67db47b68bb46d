// zilbuiltintypes.cpp - the built-in types every runtime starts with (ids 0 to 15), the
// registration of the built-in native classes in their fixed order, and the class data queries
// that the built-in procs answer alike. The classes themselves live in files of their own
// (zilstringclass.cpp, zilarrayclass.cpp, zillistclass.cpp, ziliteratorclass.cpp, ziltableclass.cpp).
#include <cstring>

#include "zilinternal.h"
#include "ziltools.h"

namespace {

constexpr ZILLong kAuthorVersion = 0x00100300;

struct BuiltinType {
  const ZILChar* name;
  ZILLong family;
  ZILLong isNative;
};

// In id order; the delegate types are those the built-in classes declare.
const BuiltinType kBuiltinTypes[] = {
    {"null", ZIL_FAMILY_NONE, 0},
    {"int", ZIL_FAMILY_INTEGRAL, 0},
    {"float", ZIL_FAMILY_INTEGRAL, 0},
    {"string", ZIL_FAMILY_CLASS, 1},
    {"string::processor", ZIL_FAMILY_DELEGATE, 0},
    {"array", ZIL_FAMILY_CLASS, 1},
    {"array::enumerator", ZIL_FAMILY_DELEGATE, 0},
    {"array::processor", ZIL_FAMILY_DELEGATE, 0},
    {"list", ZIL_FAMILY_CLASS, 1},
    {"list::enumerator", ZIL_FAMILY_DELEGATE, 0},
    {"list::comparator", ZIL_FAMILY_DELEGATE, 0},
    {"iterator", ZIL_FAMILY_CLASS, 1},
    {"table", ZIL_FAMILY_CLASS, 1},
    {"exception", ZIL_FAMILY_INTERFACE, 0},
    {"__delegate", ZIL_FAMILY_DELEGATE, 0},
    {"var", ZIL_FAMILY_NONE, 0},
};

}  // namespace

ZILError ZILBuiltinClassQuery(const ZILBuiltinClassData& data, NTLInstance* inst, ZILLong msg, ZILUnknown** ppDataOut) {
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister: return 0;
    case NTL_GetClassName: *ppDataOut = const_cast<ZILChar*>(data.name); return 0;
    case NTL_GetInterfaceVersion: return inst && inst->state ? inst->state->typeInterfaceVersion : 0x01000302;
    case NTL_GetAuthorVersion: return kAuthorVersion;
    case NTL_GetBuildTimeStamp: *ppDataOut = const_cast<ZILChar*>(data.timeStamp); return 0;
    case NTL_GetAuthorString: *ppDataOut = const_cast<ZILChar*>(data.description); return 0;
    case NTL_GetDeclString: *ppDataOut = const_cast<ZILChar*>(data.declaration); return 0;
    case NTL_GetPackageString: *ppDataOut = const_cast<ZILChar*>(""); return 0;
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}

ZILError ZILRegisterBuiltinTypes(ZILState* ps) {
  const NTLTypeProc procs[] = {ZILStringTypeProc,   ZILArrayTypeProc, ZILListTypeProc,
                               ZILIteratorTypeProc, ZILTableTypeProc, ZILRuntimeTypeProc};
  for (NTLTypeProc proc : procs) {
    ZILError e = ZILRegisterNativeType(ps, proc);
    if (e)
      return e;
  }
  return 0;
}

ZILError ZILCreateBuiltinTypes(ZILState* ps) {
  for (const BuiltinType& b : kBuiltinTypes) {
    ZILTypeInfo ti{};
    ZILError e = ZILAddName(ps, b.name, &ti.pName);
    if (e)
      return e;
    ti.family = b.family;
    ti.isNative = b.isNative;
    ti.copyConstructor = -1;
    ti.offsetVtab = -1;
    if (b.isNative) {
      ti.interfaceVersion = ps->typeInterfaceVersion;
      ti.authorVersion = kAuthorVersion;
    }
    ZILLong id = 0;
    e = ZILAddType(ps, &ti, &id);
    if (e)
      return e;
  }
  return ps->types.count == ZIL_TYPE_VAR + 1 ? 0 : ZIL_ERR_Initialize_Failed;
}
