// The type procedure shape of the layer classes: objects are made empty for `new`, their
// members go through the shared Layer members to the class's own, and a destroyed layer lets
// go of its handles and leaves any list still holding it.
#pragma once

#include "bindings/zlayerclasses.h"
#include "bindings/zscriptclassinfo.h"

namespace ZTools {

ZILError CallLayerMember(ZILState* ps, ZILLong index, ZScriptLayer* layer);

template <class T>
ZILError AnswerLayerClass(const ZScriptClassInfo& info, NTLInstance* inst, ZILLong msg, ZILLong param,
                          ZILUnknown* in, ZILUnknown** out) {
  ZILState* ps = inst ? NTLInstanceGetVM(inst) : nullptr;
  auto* layer = static_cast<ZScriptLayer*>(in);
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister: return 0;
    case NTL_NewObject: {
      if (!ps || !out) return ZIL_ERR_Illegal_Argument;
      T* created = NewInRuntime<T>(ps);
      *out = static_cast<ZScriptLayer*>(created);
      return created ? 0 : ZIL_EXC_Allocation_Fail;
    }
    case NTL_MarkHandles: return ps && layer ? layer->MarkHandles(ps) : 0;
    case NTL_CallMember: return ps ? CallLayerMember(ps, param, layer) : ZIL_ERR_Illegal_Argument;
    case NTL_DestroyObject:
      if (ps && layer) {
        if (layer->owner) layer->owner->LayerDestroyed(layer);
        layer->ReleaseHandles(ps);
        DeleteInRuntime(ps, static_cast<T*>(layer));
      }
      return 0;
    case NTL_GetBaseName:
      if (!out) return ZIL_ERR_Illegal_Argument;
      *out = const_cast<char*>("Layer");
      return 0;
    default: return AnswerScriptClassInfo(info, msg, out);
  }
}

}  // namespace ZTools
