// ScriptControl (`scriptcontrol`): a pane whose behaviour is a script class implementing the
// prelude's Control interface. Every pane event goes to the script object's method of that name;
// the script reaches the pane through a NativeControl object and paints it with layers, drawn in
// list order (first = bottom). A control without a runtime, class or object acts as a plain one.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "bindings/zlayerclasses.h"
#include "zilapi.h"
#include "ziltools.h"
#include "ztools/base/zlinkedlist.h"
#include "ztools/zcontrol.h"

namespace ZTools {

inline constexpr const char* kScriptControlDeclaration =
    "interface_zpane::scriptcontrol flags? align? size? pos? parameter? script class tip? ( interface_zpane* )";

class ScriptControl : public ZControl, private ZLayerOwner {
 public:
  ScriptControl() = default;
  ~ScriptControl() override;

  const char* Declaration() const override { return kScriptControlDeclaration; }
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  int32_t OnFinish() override;
  int32_t OnDestroy() override;
  size_t MaxParameters() const override { return 64; }

  int32_t Open() override;
  int32_t Close() override;
  int32_t Idle() override;
  void Draw(ZDrawContext& context) override;
  int32_t OnClick(uint32_t buttons, ZPoint p) override;
  int32_t OnStartDrag(uint32_t buttons, ZPoint p) override;
  int32_t OnDrag(uint32_t buttons, ZPoint p) override;
  int32_t OnStopDrag() override;
  int32_t OnWheel(uint32_t buttons, ZPoint p, float delta) override;
  int32_t OnMouseEnter() override;
  int32_t OnMouseLeave() override;
  int32_t OnKey(uint32_t key) override;
  void TakeFocus() override;
  void RemoveFocus() override;
  void ParameterChanged(ZParameter* parameter) override;

  // The layer list, as NativeControl's layer calls use it. Layers are held by the list (their
  // script objects' handles); one removed while the list is walked is let go after the walk.
  void AddLayer(ZScriptLayer* layer, ZILHandle* object);
  void RemoveLayer(ZScriptLayer* layer);
  void RemoveAllLayers();
  ZScriptLayer* LayerAt(ZPoint p);
  // Calls fn for each visible layer other than `self` overlapping it, top first, until fn
  // answers non-zero; answers how many were visited.
  int32_t LayerCollision(ZScriptLayer* self, ZILHandle* fn);
  void LayerToFront(ZScriptLayer* layer) { layers_.MoveToBack(layer); }
  void LayerToBack(ZScriptLayer* layer) { layers_.MoveToFront(layer); }
  size_t LayerCount() const { return layers_.Count(); }

  ZILState* Runtime() const noexcept { return runtime_; }
  ZILHandle* ScriptObject() const noexcept { return object_; }
  // A new Parameter object for the parameter (null when the class is missing).
  ZILHandle* NewParameter(ZParameter* parameter);

 private:
  // Method numbers of the Control interface, in its order.
  enum Method {
    kConstructor,
    kOpen,
    kClose,
    kIdle,
    kOnClick,
    kOnStartDrag,
    kOnDrag,
    kOnStopDrag,
    kOnWheel,
    kOnMouseEnter,
    kOnMouseLeave,
    kOnKey,
    kTakeFocus,
    kRemoveFocus,
    kParameterChanged,
    kMethodCount
  };

  int32_t CreateScriptObject();
  void ReleaseScript();
  bool CanCall(Method m) const;
  // The int a call answered (anything else counts as 0).
  static int32_t IntResult(ZILState* ps, ZILHandle* result);
  int32_t CallVoid(Method m);
  int32_t CallPoint(Method m, uint32_t buttons, ZPoint p);
  static ZILError Mark(ZILState* ps, ZILLong event, void* owner);
  void LayerDestroyed(ZScriptLayer* layer) override;
  void EndWalk();

  ZILState* runtime_ = nullptr;
  ZString className_;
  ZILHandle* object_ = nullptr;  // the script object
  ZILHandle* native_ = nullptr;  // the NativeControl object given to it
  ZILDelegateTable* methods_ = nullptr;
  bool markAttached_ = false;
  ZLinkedList<ZScriptLayer*> layers_;
  int32_t walks_ = 0;
  std::vector<ZILHandle*> releaseAfterWalk_;
};

// Registers `scriptcontrol` and `scriptscaler` with a markup host.
int32_t RegisterScriptControlTypes(ZMLParser& parser);

ZILError NativeControlTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
// A new NativeControl object for the control; the control clears it when it goes.
ZILHandle* NewNativeControlObject(ZILState* ps, ScriptControl* control);
void DetachNativeControlObject(ZILState* ps, ZILHandle* object);
// The pane a NativeControl object stands for, or null (another object, or its control is gone).
ScriptControl* NativeControlOf(ZILState* ps, ZILHandle* object);

}  // namespace ZTools
