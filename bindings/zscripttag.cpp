// The `script` tag: at the document's finish event it reads the skin's script through the
// resource layer, makes a runtime with the tag's callbacks, registers the initializer's native
// types, compiles the preludes, the file and the inline text in that order, links and runs the
// global initialisation. Compiler errors and runtime exceptions reach the user as message boxes
// (standard error when boxes are headless) and, with log='true', the script debug log.
#include "bindings/zscripttag.h"

#include <cstdio>

#include "bindings/zscriptlog.h"
#include "bindings/zscriptreport.h"
#include "platform/dialog.h"
#include "zilcompiler.h"
#include "ziltools.h"
#include "zml/zmlevent.h"
#include "zml/zmlparser.h"
#include "zml/zmlscripthost.h"
#include "ztools/base/zerror.h"
#include "ztools/base/zresource.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {

void RuntimeInitializer::AddPrelude(std::string_view text) { preludes_.Add(ZString(text)); }

void RuntimeInitializer::AddNativeType(NTLTypeProc proc) {
  if (proc)
    nativeTypes_.push_back(proc);
}

struct ScriptTagCallbacks {
  static ScriptTag* TagOf(ZILState* ps) { return ps ? static_cast<ScriptTag*>(ps->user) : nullptr; }

  static void Log(ZILState* ps, const ZILChar* line) {
    ScriptTag* tag = TagOf(ps);
    if (!tag || !line)
      return;
    if (tag->collectingMessages_)
      tag->compilerMessages_.emplace_back(line);
    tag->WriteLog(line);
  }

  // Script files, imports and the sounds scripts load come from the skin, packaged or not.
  static ZILError FileInput(ZILState*, ZILLong op, const ZILChar* name, void* buffer, ZILLong size, void** pFile,
                            ZILLong* pDone) {
    switch (op) {
      case 0: {
        if (!name || !pFile)
          return ZIL_ERR_Unspecified;
        auto file = std::make_unique<ZResource>();
        if (file->Open(name, kZFileRead, true) != 0)
          return ZIL_ERR_Unspecified;
        *pFile = file.release();
        return 0;
      }
      case 1: {
        if (!pFile || !*pFile || !buffer || size < 0)
          return ZIL_ERR_Unspecified;
        int64_t done = static_cast<ZResource*>(*pFile)->Read(buffer, size);
        if (pDone)
          *pDone = static_cast<ZILLong>(done);
        return 0;
      }
      case 2:
        if (pFile && *pFile) {
          auto* file = static_cast<ZResource*>(*pFile);
          file->Close();
          delete file;
          *pFile = nullptr;
        }
        return 0;
      default: return ZIL_ERR_Unspecified;
    }
  }

  // One handler for the four kinds of exception. It leaves the code pending, so the failing
  // call ends; later calls into the script run as usual.
  static void Exception(ZILState* ps) {
    ScriptTag* tag = TagOf(ps);
    if (!tag || tag->reportingException_)
      return;
    tag->reportingException_ = true;
    if (!tag->exceptionShown_) {
      // A box for every failing idle tick would lock the user out: the first one only.
      tag->exceptionShown_ = true;
      Report(tag, ExceptionReport(ps, &tag->sources_));
      Platform::ShowMessageBox(kRuntimeErrorCaption, ExceptionBrief(ps));
    } else {
      Report(tag, ExceptionBrief(ps) + "\n");
    }
    tag->reportingException_ = false;
  }

  // The log when logging (and the log opened), else standard error: a report is never dropped.
  static void Report(ScriptTag* tag, const std::string& text) {
    if (tag->logging_ && tag->log_) {
      tag->WriteLog(text);
    } else {
      std::fputs(text.c_str(), stderr);
      std::fflush(stderr);
    }
  }
};

ScriptTag::ScriptTag() = default;

ScriptTag::~ScriptTag() {
  DestroyRuntime();
  CloseLog();
}

int32_t ScriptTag::OnEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  switch (event->Id()) {
    case kZMLEventGetTypeDecl:
      static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration(ZString(kScriptTagDeclaration));
      return 0;
    case kZMLEventCreate: name_ = static_cast<ZMLEventCreate*>(event)->Name(); return 0;
    case kZMLEventSetProperty: {
      auto* e = static_cast<ZMLEventSetProperty*>(event);
      return SetProperty(e->Property().View(), e->Value().View(), e->Host());
    }
    case kZMLEventFinish:
      try {
        if (logging_ && !log_)
          OpenLog();
        Run();
        return 0;
      } catch (const ZError& error) {
        return error.Code();
      }
    case kZMLEventDestroy:
      DestroyRuntime();
      CloseLog();
      return 0;
    default: return 0;
  }
}

int32_t ScriptTag::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  if (name == "initializer") {
    IEventListener* object = nullptr;
    if (!host || host->GetObject("interface_ieventlistener", TrimBlanks(value), &object) != 0)
      return kZErrIllegalPropertyValue;
    auto* initializer = dynamic_cast<RuntimeInitializer*>(object);
    if (!initializer)
      return kZErrIllegalPropertyValue;
    initializer_ = initializer;
    return 0;
  }
  if (name == "file") {
    file_ = ZString(value);
    return 0;
  }
  if (name == "text") {
    text_ = ZString(value);
    return 0;
  }
  if (name == "log") {
    bool on = false;
    if (!ParseYesNo(value, on))
      return kZErrIllegalPropertyValue;
    logging_ = on;
    return 0;
  }
  return kZErrUnknownProperty;
}

void ScriptTag::Run() {
  if (!initializer_)
    throw ZError(kZErrNullPointer);
  if (runtime_)
    DestroyRuntime();

  ZString fileText;
  if (!file_.IsEmpty()) {
    ZResource file;
    if (int32_t rc = file.Open(file_.View(), kZFileRead, true))
      throw ZError(rc);
    if (int32_t rc = file.ReadAll(fileText))
      throw ZError(rc);
    if (int32_t rc = file.Close())
      throw ZError(rc);
  }

  runtime_ = ZILInitialize();
  if (!runtime_)
    throw ZError(kZErrNullPointer);
  sources_.clear();
  exceptionShown_ = false;
  runtime_->user = this;
  runtime_->log = ScriptTagCallbacks::Log;
  runtime_->fileInput = ScriptTagCallbacks::FileInput;
  for (ZILExceptionVector& vector : runtime_->vectors)
    vector = ScriptTagCallbacks::Exception;
  runtime_->runtimeFlags |= ZIL_FLAG_NO_FILE_OUTPUT;
  // The pools must be in place before the compiler allocates its state.
  if (ZILUseFixMem(runtime_) != 0)
    throw ZError(kZErrUnspecified);
  if (ZILInitializeCompiler(runtime_) != 0)
    throw ZError(kZErrNullPointer);

  for (NTLTypeProc proc : initializer_->NativeTypes())
    if (ZILRegisterNativeType(runtime_, proc) != 0)
      throw ZError(kZErrUnspecified);

  const ZStringList& preludes = initializer_->Preludes();
  for (size_t i = 0; i < preludes.Count(); ++i)
    Compile(ZString::Formatted("%s/init script/%d", name_.CStr(), int(i)), preludes[i].CStr());
  if (!file_.IsEmpty())
    Compile(ZString::Formatted("%s/%s", name_.CStr(), file_.CStr()), fileText.CStr());
  if (!text_.IsEmpty())
    Compile(ZString::Formatted("%s/anonymous text string", name_.CStr()), text_.CStr());

  compilerMessages_.clear();
  collectingMessages_ = true;
  ZILError linked = ZCLLink(runtime_);
  collectingMessages_ = false;
  if (linked != 0) {
    ShowCompilerErrors({}, linked);
    throw ZError(kZErrUnspecified);
  }
  compilerMessages_.clear();

  if (ZILRun(runtime_) != 0)
    throw ZError(kZErrUnspecified);
}

void ScriptTag::Compile(const ZString& sourceName, const char* text) {
  sources_[std::string(sourceName.View())] = text ? text : "";
  compilerMessages_.clear();
  collectingMessages_ = true;
  ZILError rc = ZCLCompile(runtime_, sourceName.CStr(), text);
  collectingMessages_ = false;
  if (rc != 0) {
    ShowCompilerErrors(sourceName.View(), rc);
    throw ZError(kZErrUnspecified);
  }
  compilerMessages_.clear();
}

void ScriptTag::ShowCompilerErrors(std::string_view failedSource, ZILError code) {
  std::string text = CompilerErrorText(compilerMessages_);
  compilerMessages_.clear();
  // A compile that fails without an error message (out of memory, no compiler) still says so.
  if (text.empty())
    text = SilentFailureText(failedSource, code);
  Platform::ShowMessageBox(kCompilerErrorCaption, text);
}

int32_t ScriptTag::DestroyRuntime() {
  if (!runtime_)
    return 0;
  ZILState* runtime = runtime_;
  runtime_ = nullptr;
  int32_t rc = ZILTerminate(runtime) != 0 ? kZErrUnspecified : 0;
  exceptionShown_ = false;
  sources_.clear();
  return rc;
}

void ScriptTag::OpenLog() { log_ = ZScriptLogFile::OpenSession(); }

void ScriptTag::CloseLog() {
  if (!log_)
    return;
  static_cast<ZScriptLogFile*>(log_.get())->CloseSession();
  log_.reset();
}

void ScriptTag::WriteLog(std::string_view text) {
  if (logging_ && log_)
    static_cast<ZScriptLogFile*>(log_.get())->WriteEntry(text);
}

int32_t RegisterScriptTagType(ZMLParser& parser) {
  return parser.RegisterType([]() -> IEventListener* { return new ScriptTag(); });
}

}  // namespace ZTools
