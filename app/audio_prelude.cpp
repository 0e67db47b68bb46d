// The script text every runtime with the audio classes compiles before its own scripts: the
// DspEffect interface that native effects implement (Channel only forward-declared, so the
// prelude compiles before Bass is imported), and the player's AddStation hook.
#include "app/audio_script_types.h"

namespace ZTools {

const char kAudioPrelude[] =
    "class Channel;native interface DspEffect {method\t\t\tDspEffect();method string\tGetEffectName();method\tint\t\t"
    "GetNumParameters();method\t\t\tSetParameter(int p, float v);method\tfloat\tGetParameter(int p);method float\t"
    "GetParameterMin(int p);method float\tGetParameterMax(int p);method string\tGetParameterName(int p);method\t\t\t"
    "Attach (Channel c);method\t\t\tDetach ();}";

const char kStationPrelude[] =
    "function AddStation(Application app, const string name, const string[] titles, const string[] urls);";

}  // namespace ZTools
