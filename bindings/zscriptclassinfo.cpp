// The class-information answers shared by the framework's script classes.
#include "bindings/zscriptclassinfo.h"

namespace ZTools {

ZILError AnswerScriptClassInfo(const ZScriptClassInfo& info, ZILLong msg, ZILUnknown** out) {
  auto text = [out](const char* value) -> ZILError {
    if (!out)
      return ZIL_ERR_Illegal_Argument;
    *out = const_cast<char*>(value);
    return 0;
  };
  switch (msg) {
    case NTL_GetClassName: return text(info.name);
    case NTL_GetPackageString: return text(info.packages);
    case NTL_GetBuildTimeStamp: return text(info.buildTimeStamp);
    case NTL_GetAuthorName: return text("Sonabel");
    case NTL_GetAuthorString: return text(info.authorString);
    case NTL_GetDeclString: return text(info.declaration);
    case NTL_GetAuthorVersion: return 1;
    case NTL_GetInterfaceVersion: return kScriptClassInterfaceVersion;
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}

}  // namespace ZTools
