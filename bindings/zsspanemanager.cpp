// ZSSPaneManager: the script types and prelude it registers, the binding of the skin's hooks,
// the hook calls at each moment of the manager's life and the periodic garbage collection. The
// command interface and the snippet runner are in zsscommands.cpp.
#include "bindings/zsspanemanager.h"

#include "bindings/zlayerclasses.h"
#include "bindings/zscriptcontrol.h"
#include "bindings/zscriptclasses.h"
#include "bindings/zscriptlibrary.h"
#include "bindings/zscriptprelude.h"
#include "zildebugger.h"
#include "ziltools.h"
#include "zml/zmlnode.h"
#include "ztools/zparameter.h"
#include "ztools/zpaneevent.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

constexpr const char* kHookNames[] = {"Create",           "Open",     "Close", "Destroy", "Idle",
                                      "ParameterChanged", "Activate", "Key"};

}  // namespace

ZSSPaneManager::ZSSPaneManager() {
  // The framework's script classes, in the order every skin runtime registers them.
  AddNativeType(ParameterTypeProc);
  for (NTLTypeProc proc : ScriptLibraryTypeProcs())
    AddNativeType(proc);
  for (NTLTypeProc proc : {ApplicationTypeProc, ViewTypeProc, RectLayerTypeProc, TextLayerTypeProc, BitmapLayerTypeProc,
                           NativeControlTypeProc})
    AddNativeType(proc);
  // A skin that imports `debugger` breaks into the monitor on every exception of its scripts.
  AddNativeType(ZILDebuggerTypeProc);
  AddPrelude(ScriptConstantsPrelude());
  AddPrelude(ScriptDeclarationsPrelude(true, true, true));
  AddPrelude(ScriptLayerPrelude());
  AddPrelude("import NativeControl;");
}

ZSSPaneManager::~ZSSPaneManager() { Teardown(); }

int32_t ZSSPaneManager::RegisterTypes() {
  if (int32_t rc = ZPaneManager::RegisterTypes())
    return rc;
  if (int32_t rc = RegisterScriptTagType(Host()))
    return rc;
  if (int32_t rc = RegisterScriptControlTypes(Host()))
    return rc;
  return Host().RegisterObject("interface_ieventlistener", kRuntimeInitializerName, &initializer_);
}

int32_t ZSSPaneManager::SkinLoaded() {
  ZMLNode* group = Host().FindNode("scripts");
  if (!group)
    return 0;
  ScriptTag* tag = nullptr;
  for (ZMLNode* child : group->Children())
    if ((tag = dynamic_cast<ScriptTag*>(child->Object())))
      break;
  if (!tag || !tag->GetRuntime())
    return -2;
  return BindHooks(tag->GetRuntime());
}

int32_t ZSSPaneManager::BindHooks(ZILState* runtime) {
  ReleaseHandles();
  runtime_ = runtime;
  if (ZILAttachGCEventHandler(runtime, this, MarkHandles) != 0)
    return -1;
  markAttached_ = true;
  typeApplication_ = NTLTypeNameToTypeID(runtime, "Application");
  typeParameter_ = NTLTypeNameToTypeID(runtime, "Parameter");
  typeView_ = NTLTypeNameToTypeID(runtime, "View");
  application_ = NewApplicationObject(runtime, typeApplication_, this);
  for (int h = 0; h < kHookCount; h++)
    hooks_[h] = ZILGetFunction(runtime, kHookNames[h]);
  return 0;
}

void ZSSPaneManager::ReleaseHandles() {
  if (!runtime_)
    return;
  for (ZILHandle*& hook : hooks_) {
    if (hook)
      NTLFreeHandle(runtime_, hook);
    hook = nullptr;
  }
  if (application_)
    NTLFreeHandle(runtime_, application_);
  application_ = nullptr;
  if (markAttached_)
    ZILDetachGCEventHandler(runtime_, this);
  markAttached_ = false;
  views_.Clear();
  runtime_ = nullptr;
}

ZILError ZSSPaneManager::MarkHandles(ZILState* ps, ZILLong event, void* owner) {
  auto* self = static_cast<ZSSPaneManager*>(owner);
  if (event != ZIL_GC_EVENT_MARK || !self)
    return 0;
  if (self->application_)
    if (ZILError e = NTLMarkHandle(ps, self->application_))
      return e;
  for (ZILHandle* hook : self->hooks_)
    if (hook)
      if (ZILError e = NTLMarkHandle(ps, hook))
        return e;
  return 0;
}

int32_t ZSSPaneManager::CallHook(Hook hook, ZILHandle* extra, int ints, ZILLong a, ZILLong b) {
  ZILHandle* fn = hooks_[hook];
  if (!runtime_ || !fn || !application_ || runtime_->blocked || hookDepth_ >= kMaxHookDepth)
    return 0;
  ++hookDepth_;
  ZILHandle* result = nullptr;
  if (ints == 2)
    result = ZILCallFunction(runtime_, fn, 3, ZIL_ARG_HANDLE, application_, ZIL_ARG_INT, a, ZIL_ARG_INT, b);
  else if (ints == 1)
    result = ZILCallFunction(runtime_, fn, 2, ZIL_ARG_HANDLE, application_, ZIL_ARG_INT, a);
  else if (extra)
    result = ZILCallFunction(runtime_, fn, 2, ZIL_ARG_HANDLE, application_, ZIL_ARG_HANDLE, extra);
  else
    result = ZILCallFunction(runtime_, fn, 1, ZIL_ARG_HANDLE, application_);
  // An exception was reported by the runtime's handlers; the manager goes on.
  const int32_t answer = result && result->type == ZIL_TYPE_INT ? int32_t(result->payload.l) : 0;
  if (result)
    NTLFreeHandle(runtime_, result);
  --hookDepth_;
  return answer;
}

int32_t ZSSPaneManager::Create() {
  const int32_t rc = ZPaneManager::Create();
  if (rc == 0)
    CallHook(kCreate);
  return rc;
}

int32_t ZSSPaneManager::Open() {
  const int32_t rc = ZPaneManager::Open();
  if (rc != 0)
    return rc;
  views_.Clear();
  initialUpdate_ = 1;
  CallHook(kOpen);
  return 0;
}

int32_t ZSSPaneManager::Close() {
  if (IsOpen())
    CallHook(kClose);
  views_.Clear();
  return ZPaneManager::Close();
}

int32_t ZSSPaneManager::Teardown() {
  // The runtime belongs to the script tag, which the document's teardown destroys: every handle
  // held here goes back before that.
  if (IsOpen())
    Close();
  CallHook(kDestroy);
  ReleaseHandles();
  return ZPaneManager::Teardown();
}

void ZSSPaneManager::Idle(uint64_t nowMs) {
  ZPaneManager::Idle(nowMs);
  CallHook(kIdle);
  initialUpdate_ = 0;
  if (!runtime_ || collectionInterval_ == 0)
    return;
  // One monotonic clock: a clock that went back (a new session of the manager) collects too.
  if (nowMs < lastCollection_ || nowMs - lastCollection_ > collectionInterval_) {
    ZILCollectGarbage(runtime_);
    lastCollection_ = nowMs;
    ++collections_;
  }
}

void ZSSPaneManager::Activate(bool active, bool minimized) {
  CallHook(kActivate, nullptr, 2, active ? 1 : 0, minimized ? 1 : 0);
  ZPaneManager::Activate(active, minimized);
}

bool ZSSPaneManager::UnhandledKey(uint32_t key) { return CallHook(kKey, nullptr, 1, ZILLong(key)) != 0; }

void ZSSPaneManager::ParameterChanged(ZParameter* parameter) {
  if (runtime_ && hooks_[kParameterChanged] && hookDepth_ < kMaxHookDepth) {
    if (ZILHandle* object = NewParameterObject(runtime_, this, parameter)) {
      CallHook(kParameterChanged, object);
      NTLFreeHandle(runtime_, object);
    }
  }
  ZPaneManager::ParameterChanged(parameter);
}

void ZSSPaneManager::SetParameterText(ZParameter* parameter, std::string_view text) {
  auto begin = MakeEvent<ZPaneEvent>(kSystemBeginEdit, nullptr);
  OnEvent(begin.get());
  parameter->SetStringValue(text);
  parameter->SetDirty();
  parameter->Announce();
  auto end = MakeEvent<ZPaneEvent>(kSystemEndEdit, nullptr);
  OnEvent(end.get());
}

}  // namespace ZTools
