// The native type DspEffectEQ: the three-band equalizer as a script class implementing the
// DspEffect interface. Script calls map one to one onto CDspEffect's operations; Attach takes
// a Channel and binds the effect to that channel's engine handle only, so a script that frees
// the channel later cannot leave the effect pointing at freed memory.
#include "app/audio_script_types.h"
#include "app/dsp_effect_eq.h"

namespace ZTools {
namespace {

const char kEqDeclaration[] =
    "method DspEffectEQ ();method string GetEffectName ();method int GetNumParameters ();method SetParameter (int "
    "p, float v);method float GetParameter (int p);method float GetParameterMin (int p);method float "
    "GetParameterMax (int p);method string GetParameterName (int p);method Attach (Channel c);method Detach ();";

HCHANNEL ChannelHandleArg(ZILState* ps, ZILLong n) {
  ZILHandle* h = NTLGetArgHandle(ps, n);
  ZILLong type = NTLTypeNameToTypeID(ps, "Channel");
  auto* channel = type >= ZIL_FIRST_USER_TYPE ? static_cast<ZChannel*>(NTLHandleToObject(ps, type, h)) : nullptr;
  HCHANNEL handle = channel ? channel->Handle() : 0;
  NTLFreeHandle(ps, h);
  return handle;
}

ZILError CallMember(ZILState* ps, ZILLong method, CDspEffect* effect) {
  if (!ps || !effect)
    return ZIL_ERR_Illegal_Argument;
  switch (method) {
    case 0: {  // the constructor: a fresh, detached effect with gains 0
      auto* eq = static_cast<CDspEffectEQ*>(effect);
      eq->~CDspEffectEQ();  // detaches, should the object be in use already
      new (eq) CDspEffectEQ();
      return 0;
    }
    case 1: return NTLReturnString(ps, effect->GetEffectName());
    case 2: return NTLReturnInt(ps, effect->GetNumParameters());
    case 3: effect->SetParameter(NTLGetArgInt(ps, 0), static_cast<float>(NTLGetArgFloat(ps, 1))); return 0;
    case 4: return NTLReturnFloat(ps, effect->GetParameter(NTLGetArgInt(ps, 0)));
    case 5: return NTLReturnFloat(ps, effect->GetParameterMin(NTLGetArgInt(ps, 0)));
    case 6: return NTLReturnFloat(ps, effect->GetParameterMax(NTLGetArgInt(ps, 0)));
    case 7: return NTLReturnString(ps, effect->GetParameterName(NTLGetArgInt(ps, 0)));
    case 8: effect->Attach(ChannelHandleArg(ps, 0)); return 0;
    case 9: effect->Detach(); return 0;
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError DspEffectEQTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister:
    case NTL_MarkHandles:  // the effect keeps the engine's handle, no script handle
      return 0;
    case NTL_NewObject: {
      // Constructed here already (the runtime calls method 0 next), so that destroying an
      // object whose constructor never ran is still safe.
      CDspEffectEQ* effect = ZNewInRuntime<CDspEffectEQ>(NTLInstanceGetVM(inst));
      *out = static_cast<CDspEffect*>(effect);
      return effect ? 0 : ZIL_EXC_Allocation_Fail;
    }
    case NTL_DestroyObject:  // the destructor detaches first
      ZDeleteInRuntime(NTLInstanceGetVM(inst), static_cast<CDspEffectEQ*>(static_cast<CDspEffect*>(in)));
      return 0;
    case NTL_CallMember: return CallMember(NTLInstanceGetVM(inst), param, static_cast<CDspEffect*>(in));
    case NTL_CallStatic: return ZIL_ERR_Invalid_Function_Index;
    case NTL_GetBaseName: *out = const_cast<char*>("DspEffect"); return 0;
    default:
      return ZAnswerClassInfo(
          {"DspEffectEQ", "Channel", "11/09/11 16:08:35",
           "A simple three band equalizer DSP effect that can be attached to any BASS Channel object.", 0x01000000,
           kEqDeclaration},
          msg, out);
  }
}

}  // namespace ZTools
