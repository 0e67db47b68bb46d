// zilruntimeclass.cpp - the built-in `runtime` class, through which scripts query the runtime:
// build flags, version texts, stack size, instruction counter, garbage collection and the type
// table. It has only global functions, numbered in declaration order.
#include "zilinternal.h"
#include "ziltools.h"

namespace {

const ZILChar kDeclaration[] =
    "function int traceException ();function int runtimeChecks ();function int debugBuild ();function int "
    "releaseBuild ();function string libraryVersion ();function string runtimeVersion ();function string "
    "compilerVersion ();function string typeInterfaceVersion ();function int stackSize ();function int "
    "instructionCounter ();function int collectGarbage ();function string getTypeName (int type);function int "
    "getTypeID (const string name);function int getTypeFamily (int type);function int getBaseType (int "
    "type);function int isTypeNative (int type);function string getTypeVersion (int type);function string "
    "getTypeAuthor (int type);function string getTypeDescription (int type);function string getTypeTimeStamp (int "
    "type);function int getNumTypes ();function int generateBindings (const string path);function int "
    "generateDocs (const string path);";
const ZILBuiltinClassData kClassData = {"runtime", "16.02.2010",
                                        "Provides access to the ZentraScript compiler and runtime.", kDeclaration};

ZILError returnVersion(ZILState* ps, ZILLong version) {
  ZILChar text[32];
  ZILVersionToText(version, text, sizeof text);
  return NTLReturnString(ps, text);
}

// The native type's proc for a type id, none for other or invalid types.
NTLTypeProc nativeProc(ZILState* ps, ZILLong type) {
  if (!ZILTypeValid(ps, type) || !ZILTypes(ps)[type].isNative)
    return nullptr;
  const ZILTypeInfo& ti = ZILTypes(ps)[type];
  return ti.typeProc ? ti.typeProc : ZILFindNativeType(ps, ZILNameAt(ps, ti.pName));
}

ZILError returnTypeText(ZILState* ps, ZILLong type, ZILLong msg) {
  NTLTypeProc proc = nativeProc(ps, type);
  ZILUnknown* out = nullptr;
  if (!proc || proc(nullptr, msg, 0, nullptr, &out) != 0 || !out)
    return NTLReturnString(ps, "(invalid)");
  return NTLReturnString(ps, static_cast<const ZILChar*>(out));
}

ZILError callStatic(ZILState* ps, ZILLong function) {
  ZILLong type = NTLGetArgInt(ps, 0);
  bool valid = ZILTypeValid(ps, type);
  const ZILTypeInfo* ti = valid ? ZILTypes(ps) + type : nullptr;
  switch (function) {
    case 0:
    case 1:
    case 2:
    case 3: return NTLReturnInt(ps, (ps->runtimeFlags >> function) & 1);
    case 4: return returnVersion(ps, ps->libraryVersion);
    case 5: return returnVersion(ps, ps->runtimeVersion);
    case 6: return returnVersion(ps, ps->compilerVersion);
    case 7: return returnVersion(ps, ps->typeInterfaceVersion);
    case 8: return NTLReturnInt(ps, ps->dataStackSize);
    case 9: return NTLReturnInt(ps, static_cast<ZILLong>(ps->instructionCounter));
    case 10: return NTLReturnInt(ps, ZILCollectGarbage(ps));
    case 11: return NTLReturnString(ps, valid ? ZILNameAt(ps, ti->pName) : "(invalid)");
    case 12: return NTLReturnInt(ps, NTLTypeNameToTypeID(ps, NTLGetArgString(ps, 0)));
    case 13: return NTLReturnInt(ps, valid ? ti->family : 0);
    case 14: return NTLReturnInt(ps, valid ? ti->baseType : 0);
    case 15: return NTLReturnInt(ps, valid ? ti->isNative : 0);
    case 16: {
      NTLTypeProc proc = nativeProc(ps, type);
      return returnVersion(ps, proc ? proc(nullptr, NTL_GetAuthorVersion, 0, nullptr, nullptr) : 0);
    }
    case 17: return returnTypeText(ps, type, NTL_GetAuthorName);
    case 18: return returnTypeText(ps, type, NTL_GetAuthorString);
    case 19: return returnTypeText(ps, type, NTL_GetBuildTimeStamp);
    case 20: return NTLReturnInt(ps, ps->types.count);
    case 21:
    case 22:
      // The generators belong to the compiler, which offers them through a hook while it exists;
      // a host whose scripts must not write files refuses them whatever the compiler offers.
      if (ps->runtimeFlags & ZIL_FLAG_NO_FILE_OUTPUT)
        return NTLReturnInt(ps, ZIL_ERR_Unsupported_Native_Call);
      if (!ps->compilerGenerate)
        return NTLReturnInt(ps, ZIL_ERR_No_Compiler);
      return NTLReturnInt(ps, ps->compilerGenerate(ps, function == 21 ? ZIL_GENERATE_BINDINGS : ZIL_GENERATE_DOCS,
                                                   NTLGetArgString(ps, 0)));
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError ZILRuntimeTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown*, ZILUnknown** ppDataOut) {
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister: return 0;
    case NTL_CallStatic: return callStatic(inst->state, param);
    default:  // class name, versions, texts
      return ZILBuiltinClassQuery(kClassData, inst, msg, ppDataOut);
  }
}
