// The script class NativeControl: a script control's pane as its script object sees it —
// geometry, flags, tool tip, parameters, posted framework events and the layer list. The object
// points at its control until the control goes; calls after that do nothing and answer 0/null.
#include "bindings/zscriptclasses.h"
#include "bindings/zscriptclassinfo.h"
#include "bindings/zscriptcontrol.h"
#include "bindings/zvalueclasses.h"

namespace ZTools {
namespace {

struct NativeControlRecord {
  ScriptControl* control;
};

constexpr ZScriptClassInfo kInfo = {
    "NativeControl", "", "26.06.2005", "The pane of a script control, as its script object reaches it.",
    "delegate int\t\tOnCollision(Layer);method int\t\t\tX();method int\t\t\tY();method int\t\t\tWidth();"
    "method int\t\t\tHeight();method int\t\t\tGetFlags();method\t\t\t\tSetFlags(const int f);"
    "method int\t\t\tGetAutoAlign();method\t\t\t\tSetAutoAlign(const int a);method int\t\t\tIsVisible();"
    "method int\t\t\tHasFocus();method\t\t\t\tSetPosition(const int x, const int y);"
    "method\t\t\t\tSetSize(const int w, const int h);method\t\t\t\tMoveBy(const int dx, const int dy);"
    "method\t\t\t\tResizeBy(const int dx, const int dy);"
    "method\t\t\t\tSetExtraClipRect(const int left, const int top, const int right, const int bottom);"
    "method\t\t\t\tSetScrollOffset(const int dx, const int dy);method Point \t\tGetScrollOffset();"
    "method Point\t\tGetContentSize();method int\t\t\tHasFlag(const int f);"
    "method int\t\t\tIsHitAt(const int x, const int y);method string\t\tGetToolTip();"
    "method\t\t\t\tSetToolTip(const string s);method Point\t\tGetMousePosition();method\t\t\t\tAddLayer(Layer layer);"
    "method\t\t\t\tRemoveLayer(Layer layer);method\t\t\t\tRemoveAllLayers();"
    "method Layer\t\tLayerAt(const int x, const int y);method int\t\t\tLayerCollision(Layer, OnCollision);"
    "method\t\t\t\tLayerToFront(Layer layer);method\t\t\t\tLayerToBack(Layer layer);"
    "method Parameter\tGetParameter(const int index);method int\t\t\tGetParameterIndex(Parameter param);"
    "method string\t\tGetString(const int index);method string\t\tGetStringAndUnit(const int index);"
    "method float\t\tGetFloat(const int index);method float\t\tGetNormalized(const int index);"
    "method\t\t\t\tSetString(const string str, const int index);method\t\t\t\tSetFloat(const float f, const int index);"
    "method\t\t\t\tSetNormalized(const float f, const int index);method\t\t\t\tPostRedraw();"
    "method\t\t\t\tPostBeginEdit(const int index);method\t\t\t\tPostEndEdit(const int index);"
    "method\t\t\t\tPostMoveToTop();method\t\t\t\tPostMoveToBottom();method\t\t\t\tPostInvalidateClick();"
    "method\t\t\t\tPostShowTrackInfo(const string str);method\t\t\t\tPostHideTrackInfo();"
    "method\t\t\t\tPostStartMouseCapture();method\t\t\t\tPostStopMouseCapture();method\t\t\t\tPostTakeFocus();"
    "method\t\t\t\tPostRemoveFocus();method\t\t\t\tPostCheckMousePosition();method\t\t\t\tPostButtonClicked();"
    "method\t\t\t\tPostButtonEnabled(int state);method\t\t\t\tPostWindowMinimize();method\t\t\t\tPostWindowClose();"};

constexpr ZILLong kMethods = 56;

int32_t Arg(ZILState* ps, ZILLong n) { return int32_t(NTLGetArgInt(ps, n)); }

// A parameter slot from a script int; negative ones read as a slot that is never bound.
size_t Slot(ZILState* ps, ZILLong n) {
  const ZILLong i = NTLGetArgInt(ps, n);
  return i < 0 ? SIZE_MAX : size_t(i);
}

ZILError ReturnString(ZILState* ps, const ZString& s) {
  return NTLReturnStringBytes(ps, s.c_str(), ZILLong(s.Length()));
}

ZILError ReturnPointValue(ZILState* ps, ZPoint p) {
  ZILHandle* h = NewPointObject(ps, {p.x, p.y});
  return h ? ReturnNewObject(ps, h) : ZIL_EXC_Allocation_Fail;
}

// The layer argument n, with its object handle (held by the data stack while the call runs).
ZScriptLayer* LayerArg(ZILState* ps, ZILLong n, ZILHandle** object) {
  ZILHandle* h = NTLGetArgHandle(ps, n);
  ZScriptLayer* layer = LayerFromHandle(ps, h);
  NTLFreeHandle(ps, h);
  if (object)
    *object = h;
  return layer;
}

ZILError CallLayers(ZILState* ps, ZILLong index, ScriptControl* c) {
  ZILHandle* object = nullptr;
  switch (index) {
    case 23:
      if (ZScriptLayer* l = LayerArg(ps, 0, &object))
        c->AddLayer(l, object);
      return 0;
    case 24:
      if (ZScriptLayer* l = LayerArg(ps, 0, nullptr))
        c->RemoveLayer(l);
      return 0;
    case 25: c->RemoveAllLayers(); return 0;
    case 26: {
      ZScriptLayer* l = c->LayerAt({Arg(ps, 0), Arg(ps, 1)});
      return NTLReturnHandle(ps, l ? l->self : nullptr);
    }
    case 27: {
      ZScriptLayer* l = LayerArg(ps, 0, nullptr);
      ZILHandle* fn = NTLGetArgHandle(ps, 1);
      const int32_t count = l && l->owner ? c->LayerCollision(l, fn && fn->type != ZIL_TYPE_NULL ? fn : nullptr) : 0;
      NTLFreeHandle(ps, fn);
      return NTLReturnInt(ps, count);
    }
    case 28:
      if (ZScriptLayer* l = LayerArg(ps, 0, nullptr); l && l->owner)
        c->LayerToFront(l);
      return 0;
    default:
      if (ZScriptLayer* l = LayerArg(ps, 0, nullptr); l && l->owner)
        c->LayerToBack(l);
      return 0;
  }
}

ZILError CallParameters(ZILState* ps, ZILLong index, ScriptControl* c) {
  switch (index) {
    case 30: {
      ZParameter* p = c->GetParameter(Slot(ps, 0));
      ZILHandle* h = p ? c->NewParameter(p) : nullptr;
      return h ? ReturnNewObject(ps, h) : NTLReturnHandle(ps, nullptr);
    }
    case 31: return NTLReturnInt(ps, c->GetParameterIndex(ParameterArg(ps, 0)));
    case 32: return ReturnString(ps, c->GetString(Slot(ps, 0)));
    case 33: return ReturnString(ps, c->GetStringAndUnit(Slot(ps, 0)));
    case 34: return NTLReturnFloat(ps, c->GetFloat(Slot(ps, 0)));
    case 35: return NTLReturnFloat(ps, c->GetNormalized(Slot(ps, 0)));
    case 36: c->SetString(NTLGetArgString(ps, 0), Slot(ps, 1)); return 0;
    case 37: c->SetFloat(NTLGetArgFloat(ps, 0), Slot(ps, 1)); return 0;
    default: c->SetNormalized(NTLGetArgFloat(ps, 0), Slot(ps, 1)); return 0;
  }
}

ZILError CallPost(ZILState* ps, ZILLong index, ScriptControl* c) {
  switch (index) {
    case 39: c->PostRedraw(); break;
    case 40: c->PostBeginEdit(Slot(ps, 0)); break;
    case 41: c->PostEndEdit(Slot(ps, 0)); break;
    case 42: c->PostMoveToTop(); break;
    case 43: c->PostMoveToBottom(); break;
    case 44: c->PostInvalidateClick(); break;
    case 45: c->PostShowTrackInfo(NTLGetArgString(ps, 0)); break;
    case 46: c->PostHideTrackInfo(); break;
    case 47: c->PostStartMouseCapture(); break;
    case 48: c->PostStopMouseCapture(); break;
    case 49: c->PostTakeFocus(); break;
    case 50: c->PostRemoveFocus(); break;
    case 51: c->PostCheckMousePosition(); break;
    case 52: c->PostButtonClicked(); break;
    case 53: c->PostButtonEnabled(NTLGetArgInt(ps, 0) != 0); break;
    case 54: c->PostWindowMinimize(); break;
    default: c->PostWindowClose(); break;
  }
  return 0;
}

ZILError CallMember(ZILState* ps, ZILLong index, const NativeControlRecord* r) {
  if (index < 0 || index >= kMethods)
    return ZIL_ERR_Invalid_Function_Index;
  ScriptControl* c = r ? r->control : nullptr;
  if (!c)
    return 0;  // the control is gone
  switch (index) {
    case 0: return NTLReturnInt(ps, c->GetPosition().x);
    case 1: return NTLReturnInt(ps, c->GetPosition().y);
    case 2: return NTLReturnInt(ps, c->Width());
    case 3: return NTLReturnInt(ps, c->Height());
    case 4: return NTLReturnInt(ps, ZILLong(c->GetFlags()));
    case 5: c->SetFlags(uint32_t(Arg(ps, 0))); return 0;
    case 6: return NTLReturnInt(ps, c->GetAutoAlign());
    case 7: c->SetAutoAlign(Arg(ps, 0)); return 0;
    case 8: return NTLReturnInt(ps, c->IsVisible());
    case 9: return NTLReturnInt(ps, c->HasFocus());
    case 10: c->SetPosition(Arg(ps, 0), Arg(ps, 1)); return 0;
    case 11: c->SetSize(Arg(ps, 0), Arg(ps, 1)); return 0;
    case 12: c->MoveBy(Arg(ps, 0), Arg(ps, 1)); return 0;
    case 13: c->ResizeBy(Arg(ps, 0), Arg(ps, 1)); return 0;
    case 14: c->SetExtraClipRect({Arg(ps, 0), Arg(ps, 1), Arg(ps, 2), Arg(ps, 3)}); return 0;
    case 15: c->SetScrollOffset({Arg(ps, 0), Arg(ps, 1)}); return 0;
    case 16: return ReturnPointValue(ps, c->GetScrollOffset());
    case 17: return ReturnPointValue(ps, c->GetContentSize());
    case 18: return NTLReturnInt(ps, c->HasFlag(uint32_t(Arg(ps, 0))));
    case 19: return NTLReturnInt(ps, c->IsHitAt({Arg(ps, 0), Arg(ps, 1)}));
    case 20: return ReturnString(ps, c->GetToolTip());
    case 21: c->SetToolTip(NTLGetArgString(ps, 0)); return 0;
    case 22: return ReturnPointValue(ps, c->GetMousePosition());
    default: break;
  }
  if (index <= 29)
    return CallLayers(ps, index, c);
  if (index <= 38)
    return CallParameters(ps, index, c);
  return CallPost(ps, index, c);
}

}  // namespace

ZILError NativeControlTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerRecordClass<NativeControlRecord>(kInfo, CallMember, inst, msg, param, in, out);
}

ZILHandle* NewNativeControlObject(ZILState* ps, ScriptControl* control) {
  return NewRecordObject<NativeControlRecord>(ps, NTLTypeNameToTypeID(ps, "NativeControl"), control);
}

void DetachNativeControlObject(ZILState* ps, ZILHandle* object) {
  const ZILLong type = NTLTypeNameToTypeID(ps, "NativeControl");
  if (auto* r = static_cast<NativeControlRecord*>(type >= ZIL_FIRST_USER_TYPE ? NTLHandleToObject(ps, type, object)
                                                                              : nullptr))
    r->control = nullptr;
}

ScriptControl* NativeControlOf(ZILState* ps, ZILHandle* object) {
  const ZILLong type = NTLTypeNameToTypeID(ps, "NativeControl");
  if (type < ZIL_FIRST_USER_TYPE || !object)
    return nullptr;
  auto* r = static_cast<NativeControlRecord*>(NTLHandleToObject(ps, type, object));
  return r ? r->control : nullptr;
}

}  // namespace ZTools
