// The steps of a `zentra` command: a runtime with its compiler, the Console class (and on request
// the audio classes), the options of the command line, compile and link; then a listing, or the
// initialisation code and `main`. Compiler messages and the runtime's log go to standard error.
#include "tools/zentra/script_runner.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/audio_script_classes.h"
#include "bindings/zscriptlibrary.h"
#include "zilcompiler.h"
#include "tools/zentra/console_class.h"
#include "ztools/base/zresourcesource.h"
#include "tools/zentra/exception_report.h"
#include "tools/zentra/generate_commands.h"
#include "tools/zentra/source_listing.h"
#include "zildebugger.h"
#include "ziltools.h"

namespace ZTools {

namespace {

enum {
  kExitOk = 0,
  kExitSetup = 1,
  kExitCompile = 2,
  kExitException = 3
};

// Owns the runtime state; terminating it also frees the compiler.
struct Runtime {
  ZILState* ps = ZILInitialize();
  ~Runtime() {
    if (ps)
      ZILTerminate(ps);
  }
};

// Compiler messages come without a line feed, verbose lines with one.
void logToStandardError(ZILState*, const ZILChar* line) {
  size_t n = std::strlen(line);
  std::fputs(line, stderr);
  if (n == 0 || line[n - 1] != '\n')
    std::fputc('\n', stderr);
}

// The whole script, or false with errno set: a folder (which opens like a file here) is refused
// as EISDIR, and a read that fails half-way is a failure, not a shorter script.
bool readFile(const std::string& path, std::string* text) {
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!in)
    return false;
  struct stat info {};
  if (fstat(fileno(in.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return false;
  }
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0)
    text->append(buffer, n);
  return !std::ferror(in.get());
}

// The player's audio classes, which a script gets only with `--with audio`.
constexpr const char* kAudioClassNames[] = {"Bass", "Channel", "Sample", "DspEffectEQ", "DspEffect"};

// The command line's options go into every option set on the compiler's stack, so that they are
// the base of imported texts too.
void applyOptions(ZILState* ps, const ZentraOptions& options) {
  std::string text;
  if (options.optimize >= 0)
    text += ";optimize=" + std::to_string(options.optimize);
  // Locals go into registers unless asked otherwise, up to twelve at a time: register operands
  // are the cheapest to reach, and a function saves only the registers it writes. Set after
  // optimize, which at level 3 would put them on the stack.
  text += options.stackLocals ? ";stack-locals=1" : ";stack-locals=0;register-locals=12";
  if (options.warningLevel >= 0)
    text += ";warning-level=" + std::to_string(options.warningLevel);
  if (!options.errorFormat.empty())
    text += ";error-format=" + options.errorFormat;
  if (options.verbose)
    text += ";verbose=1";
  ZCLSetOptions(ps, text.c_str());
  for (const std::string& folder : options.importFolders)
    ZCLAddImportFolder(ps, folder.c_str());
  if (!options.withAudio)
    for (const char* name : kAudioClassNames)
      ZCLSetNameHint(ps, name,
                     (std::string(name) + " is one of the player's audio classes: run with `--with audio`").c_str());
}

bool takesArguments(const ZCLFunctionSignature& f) {
  return f.argCount == 1 && f.argType[0] == ZIL_TYPE_ARRAY &&
         (f.argElemType[0] == ZIL_TYPE_STRING || f.argElemType[0] == ZIL_TYPE_VAR);
}

// The global function `main`, as main() or main(const string[] args): false when the script has
// no function of that name. *badSignature is set when it has one of another form.
bool findMain(ZILState* ps, ZCLFunctionSignature* main, bool* badSignature) {
  *badSignature = false;
  for (ZILLong i = 0; ZCLGetGlobalFunction(ps, "main", i, main) == 0; i++) {
    if (main->argCount == 0 || takesArguments(*main))
      return true;
    *badSignature = true;
  }
  return false;
}

ZILHandle* scriptArguments(ZILState* ps, const std::vector<std::string>& args) {
  ZILHandle* array = nullptr;
  if (ZILNewArray(ps, &array))
    return nullptr;
  for (const std::string& arg : args) {
    ZILHandle* s = nullptr;
    if (ZILNewString(ps, arg.data(), static_cast<ZILLong>(arg.size()), &s) ||
        ZILArrayAppend(static_cast<ZILArray*>(array->payload.p), s)) {
      ZILRelease(ps, array);
      return nullptr;
    }
  }
  return array;
}

int callMain(ZILState* ps, const ZentraOptions& options, ZentraRunState* run) {
  bool badSignature = false;
  ZCLFunctionSignature main{};
  if (!findMain(ps, &main, &badSignature)) {
    if (!badSignature)
      return kExitOk;
    std::fprintf(stderr, "zentra: main must be declared as main() or main(const string[] args)\n");
    return kExitCompile;
  }
  ZILHandle* fn = nullptr;
  ZILHandle* args = nullptr;
  if (ZILNewDelegate(ps, ZIL_TYPE_DELEGATE, main.handle, nullptr, &fn) ||
      (main.argCount > 0 && !(args = scriptArguments(ps, options.scriptArgs)))) {
    if (fn)
      ZILRelease(ps, fn);
    ReportExceptionCode(ps, ZIL_EXC_Allocation_Fail);
    return kExitException;
  }
  ZILHandle* result = args ? ZILCallFunction(ps, fn, 1, ZIL_ARG_HANDLE, args) : ZILCallFunction(ps, fn, 0);
  ZILRelease(ps, fn);
  if (args)
    ZILRelease(ps, args);
  int status = kExitOk;
  if (!result) {
    ReportExceptionCode(ps, ZIL_ERR_Code_Not_Initialized);
    return kExitException;
  }
  if (run->exceptionReported || result->type == ZIL_TYPE_EXCEPTION) {
    if (!run->exceptionReported)
      ReportExceptionCode(ps, result->payload.l);
    else if (ps->pendingException == ZIL_EXC_Software)
      ReportThrownObject(ps, result);
    status = kExitException;
  } else if (main.hasResult && main.resultType == ZIL_TYPE_INT && result->type == ZIL_TYPE_INT) {
    status = result->payload.l;
  }
  NTLFreeHandle(ps, result);
  return status;
}

}  // namespace

std::string ZentraVersion() {
  Runtime runtime;
  char version[32] = "unknown";
  if (runtime.ps)
    ZILVersionToText(runtime.ps->libraryVersion, version, sizeof version);
  return version;
}

int RunZentraCommand(const ZentraOptions& options) {
  std::string text;
  if (!readFile(options.file, &text)) {
    std::fprintf(stderr, "zentra: cannot read '%s': %s\n", options.file.c_str(), std::strerror(errno));
    return kExitSetup;
  }
  if (text.find('\0') != std::string::npos) {
    std::fprintf(stderr, "zentra: '%s' is not a text file\n", options.file.c_str());
    return kExitSetup;
  }
  Runtime runtime;
  ZILState* ps = runtime.ps;
  if (!ps) {
    std::fprintf(stderr, "zentra: the runtime could not be created\n");
    return kExitSetup;
  }
  ps->log = logToStandardError;
  // Files a script names by relative path (a Bitmap's image) come from the script's folder.
  const std::filesystem::path folder = std::filesystem::path(options.file).parent_path();
  ZSetResourceSource(ZResourceSource::OpenFolder(folder.empty() ? "." : folder.c_str()));
  ZILError err = ZILRegisterNativeType(ps, ConsoleTypeProc);
  if (!err)
    err = ZILRegisterNativeType(ps, ZILDebuggerTypeProc);
  if (!err && options.debugPort >= 0)
    err = ZILDebuggerSetPort(options.debugPort);
  if (!err)
    err = ZILInitializeCompiler(ps);
  if (err) {
    std::fprintf(stderr, "zentra: the runtime could not be set up: %d %s\n", err, ZILGetExceptionString(err));
    return kExitSetup;
  }
  applyOptions(ps, options);
  if (options.withAudio) {
    err = RegisterAudioScriptClasses(ps);
    if (err) {
      std::fprintf(stderr, "zentra: the audio classes could not be installed: %d %s\n", err,
                   ZILGetExceptionString(err));
      return kExitCompile;
    }
  }
  err = RegisterScriptLibrary(ps);
  if (!err)
    err = ZCLCompile(ps, "Console", "import Console;");
  if (!err)
    err = ZCLCompile(ps, options.file.c_str(), text.c_str());
  if (!err && IsGeneratorCommand(options.command))
    err = ImportEveryNativeClass(ps);
  if (!err)
    err = ZCLLink(ps);
  if (err)
    return kExitCompile;
  if (IsGeneratorCommand(options.command))
    return RunGeneratorCommand(ps, options);
  if (options.command == ZentraCommand::Check)
    return kExitOk;
  if (options.command == ZentraCommand::List) {
    ListCodeWithSource(ps, options.file, text);
    return kExitOk;
  }

  ZentraRunState run;
  InstallExceptionReporter(ps, &run);
  err = ZILRun(ps);
  int status = kExitOk;
  if (err) {
    if (!run.exceptionReported)
      ReportExceptionCode(ps, err);
    status = kExitException;
  } else {
    status = callMain(ps, options, &run);
  }
  std::fflush(stdout);
  if (options.verbose)
    std::fprintf(stderr, "zentra: %llu instructions executed\n",
                 static_cast<unsigned long long>(ps->instructionCounter));
  ps->user = nullptr;
  return status;
}

}  // namespace ZTools
