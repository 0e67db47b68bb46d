// Installs the audio script classes into one runtime (see the header): Bass (bringing Channel
// and Sample), DspEffectEQ, then the prelude with the DspEffect interface.
#include "app/audio_script_classes.h"

#include "app/audio_script_types.h"
#include "zilcompiler.h"

namespace ZTools {

ZILError RegisterAudioScriptClasses(ZILState* ps) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (!ps->compiler)
    return ZIL_ERR_No_Compiler;
  if (ZILError e = ZILRegisterNativeType(ps, BassTypeProc))
    return e;
  if (ZILError e = ZILRegisterNativeType(ps, DspEffectEQTypeProc))
    return e;
  return ZCLCompile(ps, "audio/init script/0", kAudioPrelude);
}

}  // namespace ZTools
