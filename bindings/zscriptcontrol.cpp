// ScriptControl: creating the script object, forwarding pane events to it, the layer list and
// drawing, and the garbage collector's view of what the control holds.
#include "bindings/zscriptcontrol.h"

#include "bindings/zscriptclasses.h"
#include "bindings/zscripttag.h"
#include "bindings/zscriptscaler.h"
#include "bindings/zsspanemanager.h"
#include "ztools/base/zerror.h"
#include "zml/zmlparser.h"

namespace ZTools {

ScriptControl::~ScriptControl() { ReleaseScript(); }

int32_t ScriptControl::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  if (name == "script") {
    IEventListener* object = nullptr;
    if (!host)
      return kZErrNullPointer;
    if (int32_t rc = host->GetObject(kScriptTagInterface, value, &object))
      return rc;
    auto* tag = dynamic_cast<ScriptTag*>(object);
    if (!tag)
      return -1038;
    runtime_ = tag->GetRuntime();
    return 0;
  }
  if (name == "class") {
    className_ = value;
    return 0;
  }
  return ZControl::SetProperty(name, value, host);
}

int32_t ScriptControl::OnFinish() {
  if (int32_t rc = ZControl::OnFinish())
    return rc;
  if (runtime_ && !className_.IsEmpty() && CreateScriptObject() != 0) {
    // The skin still loads; the pane acts as a plain control, and the author reads why here.
    ZILLog(runtime_, "scriptcontrol: the class '%s' cannot be made (it must implement Control)\n", className_.c_str());
  }
  return 0;
}

int32_t ScriptControl::CreateScriptObject() {
  if (ZILAttachGCEventHandler(runtime_, this, Mark) != 0)
    return -1;
  markAttached_ = true;
  const ZILLong type = NTLTypeNameToTypeID(runtime_, className_.c_str());
  const ZILLong control = NTLTypeNameToTypeID(runtime_, "Control");
  if (type < ZIL_FIRST_USER_TYPE || control < ZIL_FIRST_USER_TYPE || ZILTypes(runtime_)[type].baseType != control ||
      ZILTypes(runtime_)[type].isNative)
    return -1;
  native_ = NewNativeControlObject(runtime_, this);
  object_ = native_ ? NTLNewObject(runtime_, type) : nullptr;
  methods_ = object_ ? ZILGetObjectDelegates(runtime_, object_) : nullptr;
  if (!methods_ || methods_->count < kMethodCount) {
    ReleaseScript();
    return -1;
  }
  if (ZILHandle* r = ZILCallFunction(runtime_, methods_->handles[kConstructor], 1, ZIL_ARG_HANDLE, native_))
    NTLFreeHandle(runtime_, r);
  return 0;
}

void ScriptControl::ReleaseScript() {
  if (!runtime_)
    return;
  RemoveAllLayers();
  if (methods_)
    ZILFreeObjectDelegates(runtime_, methods_);
  methods_ = nullptr;
  if (native_) {
    DetachNativeControlObject(runtime_, native_);
    NTLFreeHandle(runtime_, native_);
  }
  native_ = nullptr;
  if (object_)
    NTLFreeHandle(runtime_, object_);
  object_ = nullptr;
  if (markAttached_)
    ZILDetachGCEventHandler(runtime_, this);
  markAttached_ = false;
}

int32_t ScriptControl::OnDestroy() {
  ReleaseScript();
  runtime_ = nullptr;
  return ZControl::OnDestroy();
}

ZILError ScriptControl::Mark(ZILState* ps, ZILLong event, void* owner) {
  auto* self = static_cast<ScriptControl*>(owner);
  if (!self)
    return 0;
  if (event == ZIL_GC_EVENT_TERMINATE) {
    // The runtime goes first: everything it made is let go now, while it still stands.
    self->ReleaseScript();
    self->runtime_ = nullptr;
    return 0;
  }
  if (event != ZIL_GC_EVENT_MARK)
    return 0;
  for (ZILHandle* h : {self->object_, self->native_})
    if (h)
      if (ZILError e = NTLMarkHandle(ps, h))
        return e;
  if (self->methods_)
    for (ZILLong i = 0; i < self->methods_->count; i++)
      if (ZILHandle* h = self->methods_->handles[i])
        if (ZILError e = NTLMarkHandle(ps, h))
          return e;
  ZILError e = 0;
  self->layers_.ForEach([&](ZScriptLayer* layer) { return layer->self && (e = NTLMarkHandle(ps, layer->self)) != 0; });
  for (ZILHandle* h : self->releaseAfterWalk_)
    if (!e)
      e = NTLMarkHandle(ps, h);
  return e;
}

// ---- calls into the script

bool ScriptControl::CanCall(Method m) const {
  return runtime_ && object_ && methods_ && !runtime_->blocked && m < methods_->count && methods_->handles[m];
}

int32_t ScriptControl::IntResult(ZILState* ps, ZILHandle* result) {
  if (!result)
    return 0;
  const int32_t v = result->type == ZIL_TYPE_INT ? int32_t(result->payload.l) : 0;
  NTLFreeHandle(ps, result);
  return v;
}

int32_t ScriptControl::CallVoid(Method m) {
  if (!CanCall(m))
    return 0;
  return IntResult(runtime_, ZILCallFunction(runtime_, methods_->handles[m], 0));
}

int32_t ScriptControl::CallPoint(Method m, uint32_t buttons, ZPoint p) {
  if (!CanCall(m))
    return 0;
  return IntResult(runtime_, ZILCallFunction(runtime_, methods_->handles[m], 3, ZIL_ARG_INT, ZILLong(buttons),
                                             ZIL_ARG_INT, ZILLong(p.x), ZIL_ARG_INT, ZILLong(p.y)));
}

int32_t ScriptControl::Open() {
  const int32_t rc = ZControl::Open();
  CallVoid(kOpen);
  return rc;
}

int32_t ScriptControl::Close() {
  CallVoid(kClose);
  return ZControl::Close();
}

int32_t ScriptControl::Idle() { return CallVoid(kIdle), 0; }
int32_t ScriptControl::OnClick(uint32_t buttons, ZPoint p) { return CallPoint(kOnClick, buttons, p); }
int32_t ScriptControl::OnStartDrag(uint32_t buttons, ZPoint p) { return CallPoint(kOnStartDrag, buttons, p); }
int32_t ScriptControl::OnDrag(uint32_t buttons, ZPoint p) { return CallPoint(kOnDrag, buttons, p); }
int32_t ScriptControl::OnStopDrag() { return CallVoid(kOnStopDrag), 0; }

int32_t ScriptControl::OnWheel(uint32_t buttons, ZPoint p, float delta) {
  if (!CanCall(kOnWheel))
    return 0;
  return IntResult(runtime_,
                   ZILCallFunction(runtime_, methods_->handles[kOnWheel], 4, ZIL_ARG_INT, ZILLong(buttons), ZIL_ARG_INT,
                                   ZILLong(p.x), ZIL_ARG_INT, ZILLong(p.y), ZIL_ARG_FLOAT, ZILFloat(delta)));
}

int32_t ScriptControl::OnMouseEnter() {
  ZControl::OnMouseEnter();  // arms the tool tip
  CallVoid(kOnMouseEnter);
  return 0;
}

int32_t ScriptControl::OnMouseLeave() {
  ZControl::OnMouseLeave();
  CallVoid(kOnMouseLeave);
  return 0;
}

int32_t ScriptControl::OnKey(uint32_t key) {
  if (!CanCall(kOnKey))
    return 0;
  return IntResult(runtime_, ZILCallFunction(runtime_, methods_->handles[kOnKey], 1, ZIL_ARG_INT, ZILLong(key)));
}

void ScriptControl::TakeFocus() {
  ZControl::TakeFocus();
  CallVoid(kTakeFocus);
}

void ScriptControl::RemoveFocus() {
  ZControl::RemoveFocus();
  CallVoid(kRemoveFocus);
}

ZILHandle* ScriptControl::NewParameter(ZParameter* parameter) {
  if (!runtime_ || !parameter)
    return nullptr;
  return NewParameterObjectOfType(runtime_, NTLTypeNameToTypeID(runtime_, "Parameter"),
                                  dynamic_cast<ZSSPaneManager*>(Manager()), parameter);
}

void ScriptControl::ParameterChanged(ZParameter* parameter) {
  if (!CanCall(kParameterChanged))
    return;
  ZILHandle* p = NewParameter(parameter);
  if (!p)
    return;
  const int32_t redraw =
      IntResult(runtime_, ZILCallFunction(runtime_, methods_->handles[kParameterChanged], 1, ZIL_ARG_HANDLE, p));
  NTLFreeHandle(runtime_, p);
  if (redraw)
    PostRedraw();
}

// ---- layers

void ScriptControl::AddLayer(ZScriptLayer* layer, ZILHandle* object) {
  if (!layer || !object || !runtime_)
    return;
  if (layer->owner == this && layers_.Contains(layer)) {
    layers_.MoveToBack(layer);  // already here: to the top
    return;
  }
  if (layer->owner)
    static_cast<ScriptControl*>(layer->owner)->RemoveLayer(layer);
  ZILAddRef(object);
  layer->self = object;
  layer->owner = this;
  layers_.PushBack(layer);
}

void ScriptControl::RemoveLayer(ZScriptLayer* layer) {
  if (!layer || layer->owner != this || !layers_.Remove(layer))
    return;
  ZILHandle* object = layer->self;
  layer->self = nullptr;
  layer->owner = nullptr;
  if (!object)
    return;
  if (walks_ > 0)
    releaseAfterWalk_.push_back(object);
  else
    NTLFreeHandle(runtime_, object);
}

void ScriptControl::RemoveAllLayers() {
  std::vector<ZScriptLayer*> all;
  layers_.ForEach([&](ZScriptLayer* layer) { all.push_back(layer); });
  for (ZScriptLayer* layer : all)
    RemoveLayer(layer);
}

void ScriptControl::LayerDestroyed(ZScriptLayer* layer) {
  // Only while the whole runtime goes: the list held the layer's object otherwise.
  layers_.Remove(layer);
  layer->self = nullptr;
  layer->owner = nullptr;
}

void ScriptControl::EndWalk() {
  if (--walks_ > 0)
    return;
  std::vector<ZILHandle*> pending;
  pending.swap(releaseAfterWalk_);
  for (ZILHandle* h : pending)
    if (runtime_)
      NTLFreeHandle(runtime_, h);
}

ZScriptLayer* ScriptControl::LayerAt(ZPoint p) {
  ZScriptLayer* found = nullptr;
  for (ZScriptLayer* layer : layers_.IterateReverse())
    if (layer->visible && layer->Bounds().Contains(p)) {
      found = layer;
      break;
    }
  return found;
}

int32_t ScriptControl::LayerCollision(ZScriptLayer* self, ZILHandle* fn) {
  if (!self || !runtime_)
    return 0;
  walks_++;
  int32_t count = 0;
  const ZRect mine = self->Bounds();
  for (ZScriptLayer* other : layers_.IterateReverse()) {
    if (other == self || !other->visible || !other->self || !other->Bounds().Overlaps(mine))
      continue;
    count++;
    if (!fn || runtime_->blocked)
      continue;
    if (IntResult(runtime_, ZILCallFunction(runtime_, fn, 1, ZIL_ARG_HANDLE, other->self)) != 0)
      break;
  }
  EndWalk();
  return count;
}

void ScriptControl::Draw(ZDrawContext& context) {
  // Layers may lie partly or wholly outside the pane; nothing of them shows there.
  const ZRect clip = context.GetClipRect();
  context.SetClipRect(clip.Intersection({0, 0, Width(), Height()}));
  walks_++;
  for (ZScriptLayer* layer : layers_.Iterate())
    layer->Draw(context);
  EndWalk();
  context.SetClipRect(clip);
}

int32_t RegisterScriptControlTypes(ZMLParser& parser) {
  if (int32_t rc = parser.RegisterType([]() -> IEventListener* { return new ScriptControl(); }))
    return rc;
  return parser.RegisterType([]() -> IEventListener* { return new ScriptScaler(); });
}

}  // namespace ZTools
