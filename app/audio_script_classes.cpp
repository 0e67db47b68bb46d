// Installs the audio script classes into one runtime (see the header).
#include "app/audio_script_classes.h"

namespace ZTools {

ZILError RegisterAudioScriptClasses(ZILState* ps)
{
    if (!ps)
        return ZIL_ERR_Illegal_Argument;
    return ZIL_ERR_Register_Native_Type_Failed;   // the native types come next
}

}  // namespace ZTools
