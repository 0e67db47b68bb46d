// The native type Sample: a sound loaded whole into the engine (by Bass.SampleLoad) that plays
// on several voices at once; GetChannel hands one voice to the script as a Channel.
#include "app/audio_script_types.h"
#include "app/zsample.h"

namespace ZTools {
namespace {

const char kSampleDeclaration[] =
    "method Channel GetChannel(const int onlyNew);\n"
    "method Play();\n"
    "method Play(const float volume, const float pan);\n"
    "method Play(const float freq, const float volume, const float pan);\n"
    "method Stop();\n"
    "method Free();\n";

float FloatArg(ZILState* ps, ZILLong n) { return static_cast<float>(NTLGetArgFloat(ps, n)); }

ZILError CallMember(ZILState* ps, ZILLong method, ZSample* s) {
  if (!ps || !s)
    return ZIL_ERR_Illegal_Argument;
  switch (method) {
    case 0: {
      ZChannel* voice = ZNewChannelObject(ps);
      if (!voice)
        return ZIL_EXC_Allocation_Fail;
      s->GetChannel(NTLGetArgInt(ps, 0), *voice);
      return ZReturnChannel(ps, voice);
    }
    case 1: s->Play(); return 0;
    case 2: s->Play(FloatArg(ps, 0), FloatArg(ps, 1)); return 0;
    case 3: s->Play(FloatArg(ps, 0), FloatArg(ps, 1), FloatArg(ps, 2)); return 0;
    case 4: s->Stop(); return 0;
    case 5: s->Free(); return 0;
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError SampleTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister:
    case NTL_MarkHandles:  // a sample holds no script handles
      return 0;
    case NTL_CallMember: return CallMember(NTLInstanceGetVM(inst), param, static_cast<ZSample*>(in));
    case NTL_DestroyObject: ZDeleteInRuntime(NTLInstanceGetVM(inst), static_cast<ZSample*>(in)); return 0;
    default:  // new objects, static calls, base name
      return ZAnswerClassInfo(
          {"Sample", "", "12.09.2007", "Wraps a sample of the BASS audio library, played on several voices at once.",
           10, kSampleDeclaration},
          msg, out);
  }
}

}  // namespace ZTools
