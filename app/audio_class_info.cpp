// The class-information answers shared by the audio type procs.
#include "app/audio_script_types.h"

namespace ZTools {

namespace {

ZILError answerText(const char* text, ZILUnknown** out) {
  if (!out)
    return ZIL_ERR_Illegal_Argument;
  *out = const_cast<char*>(text);
  return 0;
}

}  // namespace

ZILError ZAnswerClassInfo(const ZAudioClassInfo& info, ZILLong msg, ZILUnknown** out) {
  switch (msg) {
    case NTL_GetClassName: return answerText(info.name, out);
    case NTL_GetPackageString: return answerText(info.packages, out);
    case NTL_GetBuildTimeStamp: return answerText(info.buildTimeStamp, out);
    case NTL_GetAuthorName: return answerText("Sonabel", out);
    case NTL_GetAuthorString: return answerText(info.authorString, out);
    case NTL_GetDeclString: return answerText(info.declaration, out);
    case NTL_GetAuthorVersion: return info.authorVersion;
    case NTL_GetInterfaceVersion: return kAudioInterfaceVersion;
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}

}  // namespace ZTools
