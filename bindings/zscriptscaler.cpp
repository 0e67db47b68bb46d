// ScriptScaler: finding the runtime, making the script object, and the four conversions.
#include "bindings/zscriptscaler.h"

#include <cmath>
#include <string>

#include "bindings/zscriptclasses.h"
#include "bindings/zscripttag.h"
#include "zml/zmlevent.h"
#include "zml/zmlscripthost.h"
#include "ztools/base/zerror.h"

namespace ZTools {

ScriptScaler::~ScriptScaler() { Release(); }

int32_t ScriptScaler::OnEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  switch (event->Id()) {
    case kZMLEventCreate: host_ = static_cast<ZMLEvent*>(event)->Host(); return 0;
    case kZMLEventChildCreate: return -1039;  // it takes no children
    case kZMLEventDestroy: Release(); return 0;
    default: return ZBasicScaler::OnEvent(event);
  }
}

int32_t ScriptScaler::SetProperty(std::string_view name, std::string_view value) {
  if (name == "script") {
    IEventListener* object = nullptr;
    if (!host_)
      return kZErrNullPointer;
    if (int32_t rc = host_->GetObject(kScriptTagInterface, value, &object))
      return rc;
    auto* tag = dynamic_cast<ScriptTag*>(object);
    if (!tag)
      return -1038;
    Release();
    runtime_ = tag->GetRuntime();
    return 0;
  }
  if (name != "class")
    return ZBasicScaler::SetProperty(name, value);
  Release();
  if (!runtime_)
    return -1;
  const std::string className(value);
  const ZILLong type = NTLTypeNameToTypeID(runtime_, className.c_str());
  const ZILLong scaler = NTLTypeNameToTypeID(runtime_, "Scaler");
  if (type < ZIL_FIRST_USER_TYPE || scaler < ZIL_FIRST_USER_TYPE || ZILTypes(runtime_)[type].baseType != scaler ||
      ZILTypes(runtime_)[type].isNative || ZILAttachGCEventHandler(runtime_, this, Mark) != 0)
    return -1;
  markAttached_ = true;
  object_ = NTLNewObject(runtime_, type);
  methods_ = object_ ? ZILGetObjectDelegates(runtime_, object_) : nullptr;
  if (!methods_ || methods_->count < kMethodCount) {
    Release();
    return -1;
  }
  if (ZILHandle* r = ZILCallFunction(runtime_, methods_->handles[kConstructor], 0))
    NTLFreeHandle(runtime_, r);
  return 0;
}

void ScriptScaler::Release() {
  if (!runtime_)
    return;
  if (methods_)
    ZILFreeObjectDelegates(runtime_, methods_);
  methods_ = nullptr;
  if (object_)
    NTLFreeHandle(runtime_, object_);
  object_ = nullptr;
  if (markAttached_)
    ZILDetachGCEventHandler(runtime_, this);
  markAttached_ = false;
}

ZILError ScriptScaler::Mark(ZILState* ps, ZILLong event, void* owner) {
  auto* self = static_cast<ScriptScaler*>(owner);
  if (!self)
    return 0;
  if (event == ZIL_GC_EVENT_TERMINATE) {
    self->Release();
    self->runtime_ = nullptr;
    return 0;
  }
  if (event != ZIL_GC_EVENT_MARK || !self->object_)
    return 0;
  if (ZILError e = NTLMarkHandle(ps, self->object_))
    return e;
  for (ZILLong i = 0; self->methods_ && i < self->methods_->count; i++)
    if (ZILHandle* h = self->methods_->handles[i])
      if (ZILError e = NTLMarkHandle(ps, h))
        return e;
  return 0;
}

bool ScriptScaler::CanCall() const { return runtime_ && object_ && methods_ && !runtime_->blocked; }

ZILHandle* ScriptScaler::Call(Method m, const ZParameter& parameter, double value, std::string_view text) const {
  if (!CanCall() || !methods_->handles[m])
    return nullptr;
  // The script receives the parameter as `const Parameter`; the object only reads through it.
  ZILHandle* p = NewParameterObjectOfType(runtime_, NTLTypeNameToTypeID(runtime_, "Parameter"), nullptr,
                                          const_cast<ZParameter*>(&parameter));
  if (!p)
    return nullptr;
  ZILHandle* result = nullptr;
  if (m == kStringToValue) {
    const std::string s(text);
    result = ZILCallFunction(runtime_, methods_->handles[m], 2, ZIL_ARG_STRING, s.c_str(), ZIL_ARG_HANDLE, p);
  } else {
    result = ZILCallFunction(runtime_, methods_->handles[m], 2, ZIL_ARG_FLOAT, ZILFloat(value), ZIL_ARG_HANDLE, p);
  }
  NTLFreeHandle(runtime_, p);
  return result;
}

double ScriptScaler::FloatResult(ZILHandle* result, bool* answered) const {
  double v = 0.0;
  bool ok = false;
  if (result) {
    if (result->type == ZIL_TYPE_FLOAT && std::isfinite(result->payload.f))
      v = result->payload.f, ok = true;
    NTLFreeHandle(runtime_, result);
  }
  if (answered)
    *answered = ok;
  return v;
}

ZString ScriptScaler::ValueToString(double value, const ZParameter& parameter) const {
  ZILHandle* r = Call(kValueToString, parameter, value, {});
  ZString text;
  if (r) {
    if (r->type == ZIL_TYPE_STRING)
      text = ZILStringText(static_cast<ZILString*>(r->payload.p));
    NTLFreeHandle(runtime_, r);
  }
  return text;
}

bool ScriptScaler::StringToValue(std::string_view text, const ZParameter& parameter, double& value) const {
  bool answered = false;
  value = FloatResult(Call(kStringToValue, parameter, 0, text), &answered);
  return answered;
}

double ScriptScaler::NormalToValue(double position, const ZParameter& parameter) const {
  return FloatResult(Call(kNormalToValue, parameter, position, {}));
}

double ScriptScaler::ValueToNormal(double value, const ZParameter& parameter) const {
  return FloatResult(Call(kValueToNormal, parameter, value, {}));
}

}  // namespace ZTools
