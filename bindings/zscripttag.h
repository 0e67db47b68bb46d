// The skin's scripts: the markup tag `script` (ScriptTag) creates a ZentraScript runtime when the
// document is built, registers the native classes and compiles the prelude texts a runtime
// initializer collected, then the skin's own script (a file through the resource layer and/or
// inline text), links and runs its initialization. Compiler errors and runtime exceptions are
// shown in message boxes and, with log='true', written to a log file. The tag owns the runtime;
// the script-enabled pane manager borrows it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bindings/zscriptreport.h"
#include "zilapi.h"
#include "ztools/base/zevent.h"
#include "ztools/base/zstring.h"
#include "ztools/base/zstringlist.h"

namespace ZTools {

class ZFile;
class ZMLParser;

inline constexpr const char* kScriptTagInterface = "interface_scripttag";
inline constexpr const char* kScriptTagDeclaration =
    "interface_scripttag::script initializer='defaultruntimeinitializer'? file? text? log? ()";
inline constexpr const char* kRuntimeInitializerName = "defaultruntimeinitializer";

// Collects what every runtime of a skin receives: native type procedures and prelude texts, both
// in the order they were added. A named object of the document; it answers no events.
class RuntimeInitializer : public IEventListener {
 public:
  void AddPrelude(std::string_view text);
  void AddNativeType(NTLTypeProc proc);
  const ZStringList& Preludes() const noexcept { return preludes_; }
  const std::vector<NTLTypeProc>& NativeTypes() const noexcept { return nativeTypes_; }
  int32_t OnEvent(ZEvent*) override { return 0; }

 private:
  ZStringList preludes_;
  std::vector<NTLTypeProc> nativeTypes_;
};

class ScriptTag : public IEventListener {
 public:
  ScriptTag();
  ~ScriptTag() override;
  ScriptTag(const ScriptTag&) = delete;
  ScriptTag& operator=(const ScriptTag&) = delete;

  int32_t OnEvent(ZEvent* event) override;
  virtual int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host);
  // Creates, compiles, links and initializes the runtime; throws ZError with the code.
  virtual void Run();
  // Terminates the runtime (forgotten either way); kZErrUnspecified when termination failed.
  virtual int32_t DestroyRuntime();
  virtual ZILState* GetRuntime() const noexcept { return runtime_; }

  const ZString& Name() const noexcept { return name_; }

 private:
  // The runtime's callbacks (log, file input, exception vectors) reach the tag through ps->user.
  friend struct ScriptTagCallbacks;

  void OpenLog();
  void CloseLog();
  // Into the log while logging; otherwise nowhere.
  void WriteLog(std::string_view text);
  // Compiles one source; on failure shows the compiler's errors and throws kZErrUnspecified.
  void Compile(const ZString& sourceName, const char* text);
  void ShowCompilerErrors(std::string_view failedSource, ZILError code);

  ZILState* runtime_ = nullptr;
  RuntimeInitializer* initializer_ = nullptr;
  std::unique_ptr<ZFile> log_;
  ZString name_;
  ZString file_;
  ZString text_;
  // What this runtime compiled, by source name: the log's code listing shows the lines.
  SourceTexts sources_;
  bool logging_ = false;
  // Compiler messages that arrived through the log since they were last shown.
  std::vector<std::string> compilerMessages_;
  bool collectingMessages_ = false;
  // Our own guard: the runtime's inVector is already set while a vector runs.
  bool reportingException_ = false;
  // The first exception of a runtime gets the box and the full report; later ones one line.
  bool exceptionShown_ = false;
};

// Registers the `script` tag with a markup host.
int32_t RegisterScriptTagType(ZMLParser& parser);

}  // namespace ZTools
