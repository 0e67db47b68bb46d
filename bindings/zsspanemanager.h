// ZSSPaneManager: the pane manager of a skin with scripts. It hands every runtime of the skin the
// framework's script classes and prelude (through its default runtime initializer), binds the
// hooks the skin's script defines (Create, Open, Idle, Close, Destroy, ParameterChanged,
// Activate) and calls them at those moments of its life, maps panes to the ids script View
// objects hold, runs script snippets and answers a small text command interface.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "bindings/zscripttag.h"
#include "bindings/zviewmap.h"
#include "zilapi.h"
#include "ztools/zpanemanager.h"

namespace ZTools {

class ZParameter;
class ZView;

inline constexpr const char* kScriptStandardGroups =
    "<zml> <definegroup name='scalers' types='interface_zparamscaler*'/> "
    "<definegroup name='bitmaps' types='interface_zmlbitmap*'/> <definegroup name='icons' types='icon*'/> "
    "<definegroup name='scripts' types='script?'/> <definegroup name='views' types='interface_zpane'/> "
    "<definegroup name='surface' types='bitmaps? icons? views'/> "
    "<definegroup name='surfaces' types='surface+'/> </zml>";

class ZSSPaneManager : public ZPaneManager {
 public:
  // Hooks call one another (a hook that changes a parameter calls ParameterChanged) at most this
  // deep; deeper calls are skipped.
  static constexpr int kMaxHookDepth = 8;
  // The command `list` prints at most this many parameters.
  static constexpr size_t kMaxListedParameters = 1000;

  ZSSPaneManager();
  ~ZSSPaneManager() override;

  // Initialize also registers the script types, the default runtime initializer and the
  // framework's script classes and prelude.
  int32_t Create() override;
  int32_t Open() override;
  int32_t Close() override;
  int32_t Teardown() override;
  void Idle(uint64_t nowMs) override;
  void Activate(bool active, bool minimized = false) override;
  bool UnhandledKey(uint32_t key) override;
  void ParameterChanged(ZParameter* parameter) override;

  // Runs one command line; each output line goes to listener as a PaneSetText event. Answers 1
  // for a command it knows, else 0 (see RunScript for "script:").
  int32_t Command(std::string_view line, ZView* listener);
  // Compiles text as a function (Application self, View sender) and calls it. 1 when it ran;
  // 0 without a runtime or text, or when it failed to compile (the errors then go to listener).
  int32_t RunScript(std::string_view text, ZView* sender, ZView* listener = nullptr);

  void AddPrelude(std::string_view text) { initializer_.AddPrelude(text); }
  void AddNativeType(NTLTypeProc proc) {
    nativeTypes_.push_back(proc);
    initializer_.AddNativeType(proc);
  }
  const std::vector<NTLTypeProc>& NativeTypes() const noexcept { return nativeTypes_; }

  // The full collection runs from Idle at most every `ms` clock milliseconds; 0 turns it off.
  void SetCollectionInterval(uint64_t ms) noexcept { collectionInterval_ = ms; }
  uint64_t CollectionsRun() const noexcept { return collections_; }

  ZILState* Runtime() const noexcept { return runtime_; }
  int32_t InitialUpdate() const noexcept { return initialUpdate_; }
  ZViewMap& Views() noexcept { return views_; }
  ZILLong ParameterTypeId() const noexcept { return typeParameter_; }
  ZILLong ViewTypeId() const noexcept { return typeView_; }

  // The parameter edit bracket of scripts and commands: begin edit, set the text, notify, end.
  void SetParameterText(ZParameter* parameter, std::string_view text);

 protected:
  int32_t RegisterTypes() override;
  const char* StandardGroups() const override { return kScriptStandardGroups; }
  int32_t SkinLoaded() override;
  // The script object that stands for this manager (null without a script).
  ZILHandle* ApplicationObject() const noexcept { return application_; }

 private:
  enum Hook {
    kCreate,
    kOpen,
    kClose,
    kDestroy,
    kIdle,
    kParameterChanged,
    kActivate,
    kKey,
    kHookCount
  };

  int32_t BindHooks(ZILState* runtime);
  void ReleaseHandles();
  // Calls a hook with the application object first; skipped when absent or nested too deep.
  // Calls a hook with the application and then `extra` or `ints` (0, 1 or 2) int arguments;
  // answers the int the hook returned (0 for anything else or when it did not run).
  int32_t CallHook(Hook hook, ZILHandle* extra = nullptr, int ints = 0, ZILLong a = 0, ZILLong b = 0);
  static ZILError MarkHandles(ZILState* ps, ZILLong event, void* owner);
  void Send(ZView* listener, std::string_view line);

  RuntimeInitializer initializer_;
  std::vector<NTLTypeProc> nativeTypes_;
  ZILHandle* hooks_[kHookCount] = {};
  ZILLong typeApplication_ = 0;
  ZILLong typeParameter_ = 0;
  ZILLong typeView_ = 0;
  int32_t initialUpdate_ = 0;
  uint64_t collectionInterval_ = 0;
  uint64_t lastCollection_ = 0;
  uint64_t collections_ = 0;
  ZILState* runtime_ = nullptr;
  ZILHandle* application_ = nullptr;
  ZViewMap views_;
  int hookDepth_ = 0;
  bool markAttached_ = false;
};

}  // namespace ZTools
