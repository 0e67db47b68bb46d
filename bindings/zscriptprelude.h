// The script text every runtime of a skin compiles before the skin's own script: the framework's
// constants, the declarations of the application classes and of the hooks a skin may define, and
// the interface of layers.
#pragma once

#include <string>

namespace ZTools {

// The 128 `const int` declarations of pane flags, alignment, buttons, keys, frame styles, text
// alignment, fonts and blend modes, with the framework's own values.
std::string ScriptConstantsPrelude();
// How many constants the prelude declares.
size_t ScriptConstantCount();

// The forward declarations, the Control and Scaler interfaces, NoiseGenerator and the hooks.
// `import` lines are written only for the value classes the runtime has.
std::string ScriptDeclarationsPrelude(bool hasColor, bool hasPoint, bool hasRect);

// "native interface NoiseGenerator { ... }": what the noise classes name as their base; part of the
// declarations prelude, and needed alone by runtimes without a skin.
std::string ScriptNoiseGeneratorPrelude();

// "native interface Layer { ... }".
std::string ScriptLayerPrelude();

}  // namespace ZTools
