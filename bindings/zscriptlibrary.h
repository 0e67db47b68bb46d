// The classes every script runtime has, with or without a skin: the value classes, Math, Random
// with its noise generators, the timers and the XML classes.
#pragma once

#include <span>

#include "zilapi.h"

namespace ZTools {

// In registration order; a class that brings others registers them itself.
std::span<const NTLTypeProc> ScriptLibraryTypeProcs();

// Registers the library into a runtime whose compiler is initialised, and compiles the one
// declaration a script outside a skin needs first, the NoiseGenerator interface; scripts import
// the classes they use (a skin's prelude imports Color, Point and Rect for it). 0 or the first
// failure.
ZILError RegisterScriptLibrary(ZILState* ps);

}  // namespace ZTools
