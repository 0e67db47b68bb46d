// The audio script classes as one installable set: the native types Bass (which brings Channel
// and Sample), DspEffectEQ, and the prelude that declares the DspEffect interface. A host (the
// player, or `zentra --with audio`) calls this after initialising the runtime and its compiler
// and before compiling its own scripts.
#pragma once

#include "zilapi.h"

namespace ZTools {

ZILError RegisterAudioScriptClasses(ZILState* ps);

}  // namespace ZTools
