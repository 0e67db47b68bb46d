// The type procedure of the layer classes: their members go through the shared Layer members to
// the class's own, and a destroyed layer lets go of its handles and leaves any list still
// holding it.
#pragma once

#include "bindings/zlayerclasses.h"
#include "bindings/zscriptclassinfo.h"

namespace ZTools {

ZILError CallLayerMember(ZILState* ps, ZILLong index, ZScriptLayer* layer);

template <class T>
ZILError AnswerLayerClass(const ZScriptClassInfo& info, NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in,
                          ZILUnknown** out) {
  const ZObjectClassHooks<T> hooks = {[](ZILState* ps, T* layer) { return layer->MarkHandles(ps); },
                                      [](ZILState* ps, T* layer) {
                                        if (layer->owner)
                                          layer->owner->LayerDestroyed(layer);
                                        layer->ReleaseHandles(ps);
                                      },
                                      "Layer"};
  return AnswerObjectClass<T, ZScriptLayer>(info, CallLayerMember, inst, msg, param, in, out, hooks);
}

}  // namespace ZTools
