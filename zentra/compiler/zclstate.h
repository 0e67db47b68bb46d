// The compiler state: one per runtime state, holding the class list (index == runtime type id),
// the functions and variables each class declares, the option stack, the imports, the current
// file and the diagnostics. Declarations write into the runtime's type and function tables as
// they are made, so the class list and the runtime never disagree about ids or handles.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "zentra/compiler/zcldiag.h"
#include "zentra/compiler/zclerrors.h"
#include "zentra/compiler/zclfile.h"
#include "zentra/compiler/zcloption.h"
#include "zilapi.h"

// The six ints every variable, parameter, result and expression value carries.
struct ZCLTypeDesc {
  int type = ZIL_TYPE_VAR;
  int isConst = 0;
  int isRef = 1;  // 0 for int and float, which are copied
  int isWeak = 0;
  int elemType = ZIL_TYPE_VAR;  // for arrays
  int elemRef = 1;
};

inline ZCLTypeDesc ZCLMakeType(int type) {
  ZCLTypeDesc d;
  d.type = type;
  d.isRef = (type == ZIL_TYPE_INT || type == ZIL_TYPE_FLOAT) ? 0 : 1;
  return d;
}

struct ZCLArg {
  ZCLTypeDesc type;
  std::string name;  // may be empty
};

// Kind flags of a function.
enum : int {
  kZCLFuncFunction = 1,  // static, no `this`
  kZCLFuncMethod = 2,
  kZCLFuncAccessor = 4,
  kZCLFuncCofunction = 8,
  kZCLFuncConstructor = 16,
  kZCLFuncConvertor = 32,
  kZCLFuncExplicit = 64,
  kZCLFuncStrict = 128,
};

struct ZCLState;

// Objects the compiler creates are counted both ways, so the closing report can show leaks.
struct ZCLCounted {
  explicit ZCLCounted(ZCLState* st);
  ~ZCLCounted();
  ZCLCounted(const ZCLCounted&) = delete;
  ZCLCounted& operator=(const ZCLCounted&) = delete;
  ZCLState* owner;
};

struct ZCLFunc : ZCLCounted {
  using ZCLCounted::ZCLCounted;
  std::string name;
  int classId = 0;
  int index = 0;        // function index within the class
  ZILLong handle = -1;  // runtime function index
  int flags = 0;
  bool optimized = false;
  bool hasResult = false;
  ZCLTypeDesc result;
  std::vector<ZCLArg> args;
  std::vector<ZILLong> code;
  // Where the code came from, as runs of words with one line mark each (zcllines.h); kept as
  // the code is emitted, moved and optimized, and given up once the runtime has them.
  std::vector<ZCLLineRun> lines;
  // Registers the code saves at entry: a leading `pushr r3-r(2+savedRegisters)`, restored by a
  // `popr` of the same range before every `ret` and `throw` (0: neither is there). The saved
  // slots lie between the arguments and the locals, so argOperands lists the code words of the
  // (sp+d) operands that address an argument: each counts the saved slots in its d.
  int savedRegisters = 0;
  std::vector<size_t> argOperands;
  bool defined = false;     // a body was seen (or the function is native)
  bool inherited = false;   // copied from the implemented interface
  ZILLong memberIndex = 0;  // method number; for a native class its function number
  ZILLong linkAddress = -1;
  std::string tag;
  int optimizeLevel = 3;
};

struct ZCLMember {
  std::string name;
  ZCLTypeDesc type;
  std::string tag;
  bool isConstant = false;  // `const` with a literal value known at declaration
  int constKind = 0;        // 0 none, 1 int, 2 float, 3 string
  int32_t intValue = 0;
  double floatValue = 0;
  std::string stringValue;
  // The initial value of a member of a script class, as written: every constructor gives it
  // before its body runs. Line and column of its first character, for messages.
  std::string initText;
  std::string initFile;
  int initLine = 0, initColumn = 0;
};

// Families, as in the runtime.
struct ZCLClass : ZCLCounted {
  using ZCLCounted::ZCLCounted;
  std::string name;
  int family = ZIL_FAMILY_NONE;
  int typeId = 0;
  bool isNative = false;  // the runtime has a native type of this name
  int modifiers = 0;      // 1 native, 2 extern, 4 strict
  bool hasBody = false;
  bool linked = false;
  int baseId = 0;    // implemented interface
  int hybridId = 0;  // hybrid base class
  bool hasMethods = false;
  bool hasConstructor = false;
  bool placeholder = false;  // a runtime type not declared to the compiler yet
  std::vector<std::unique_ptr<ZCLFunc>> funcs;
  std::unordered_map<std::string, std::vector<ZCLFunc*>> funcsByName;  // overloads in index order
  std::vector<ZCLMember> members;
  std::vector<std::string> aliases;
  std::string tag;
  // Delegate signature.
  bool dgHasResult = false;
  ZCLTypeDesc dgResult;
  std::vector<ZCLArg> dgArgs;
  ZILLong methodWords[3] = {0, -1, 0};
  int nativeFunctions = 0;  // functions declared by the class's own text (native numbering)
};

enum : int {
  kZCLModNative = 1,
  kZCLModExtern = 2,
  kZCLModStrict = 4,
};

struct ZCLImportEntry {
  std::string name;
  std::string path;  // the file read for it (empty for a native type): its name in messages
  int pass = -1;     // pass in which it was last processed
  bool native = false;
  bool done = false;  // compiled completely by an earlier text; its text is released
  std::string text;
};

typedef void (*ZCLFatalProc)(ZILState* ps, const char* text);

struct ZCLState {
  ZILState* ps = nullptr;
  ZCLFile* file = nullptr;                         // current source file
  std::vector<std::unique_ptr<ZCLClass>> classes;  // index == runtime type id
  std::unordered_map<std::string, int> typeNames;  // declared class/interface/delegate names
  std::unordered_map<std::string, ZCLTypeDesc> aliases;
  std::unordered_map<std::string, int> placeholders;  // runtime types not yet declared, by name
  std::unordered_map<std::string, size_t> importIndex;
  std::vector<ZCLImportEntry> imports;
  std::vector<std::string> importFolders;                  // searched after the importer's folder and "."
  std::unordered_map<std::string, std::string> nameHints;  // the host's word on names it left out
  int currentClass = 16;
  int currentFunction = 0;
  int pass = 0;
  std::vector<ZCLOption> options;  // [0] base set, back() in force
  ZCLDiagnostics diag;
  int filesCompiled = 0;
  double startTime = 0;  // ms of the process clock
  int savedInstructions = 0, sizeBefore = 0, sizeAfter = 0;
  bool initClosed = false;
  ZCLFatalProc fatalProc = nullptr;
  int allocs = 0, frees = 0;
  int importDepth = 0;
  int nestDepth = 0;                                    // nesting of selftests and imports
  std::unordered_map<std::string, ZILError> selfTests;  // pass-0 result by file and position
  // The top-level scope while the predeclared texts run, before `__global` exists.
  ZCLClass bootScope{nullptr};
  // Token of the parser (owned here so no parse function allocates its own).
  std::string tok;
  int tokId = 0;
  size_t tokStart = 0;    // where the last token read starts
  size_t unknownPos = 0;  // where ZCLParseType met an unknown name
  // The files line marks name: their number by name, and the offset of each name in the
  // runtime's name segment by number ([0] stands for no file).
  std::unordered_map<std::string, int32_t> sourceNames;
  std::vector<ZILLong> sourceFiles{-1};
};

// The state of a runtime's compiler, or null.
inline ZCLState* ZCLGetState(ZILState* ps) { return ps ? static_cast<ZCLState*>(ps->compiler) : nullptr; }
inline const ZCLOption& ZCLOptions(const ZCLState* st) { return st->options.back(); }

// The class of a type id, or null (with the fatal error "Access to invalid type id").
ZCLClass* ZCLGetClass(ZCLState* st, int typeId);
// Non-reporting lookup for code that only asks.
inline ZCLClass* ZCLClassAt(ZCLState* st, int typeId) {
  return typeId >= 0 && static_cast<size_t>(typeId) < st->classes.size() ? st->classes[typeId].get() : nullptr;
}

// The type id of `__global`, the class of the global space: the first type a program makes.
constexpr int kZCLGlobalClassId = ZIL_FIRST_USER_TYPE;

// The class of the global space (the boot scope until `__global` exists).
inline ZCLClass* ZCLGlobalScope(ZCLState* st) {
  if (st->classes.size() > kZCLGlobalClassId)
    return st->classes[kZCLGlobalClassId].get();
  st->bootScope.typeId = kZCLGlobalClassId;
  st->bootScope.hasBody = true;
  return &st->bootScope;
}

// Creates (or adopts the runtime's pre-made record of) a type and its class; *id gets its id.
ZILError ZCLCreateType(ZCLState* st, const std::string& name, int family, bool native, int* id);

// A type name (class, interface, delegate, cofunction or alias) as a descriptor; false when
// the name denotes no type.
bool ZCLLookupTypeName(ZCLState* st, const std::string& name, ZCLTypeDesc* out);

// Whether the runtime has a native type of this name; its proc when it has.
NTLTypeProc ZCLFindNativeProc(ZCLState* st, const char* name);

// The functions of a class with this name, in index order (lookups by name are hot).
const std::vector<ZCLFunc*>& ZCLFunctionsNamed(const ZCLClass* cls, const std::string& name);

// Adds a function to a class and registers it with the runtime (which assigns the handle).
ZILError ZCLAddFunction(ZCLState* st, ZCLClass* cls, std::unique_ptr<ZCLFunc> func, ZCLFunc** out);

// Reporting with the current file and the options in force, at the start of the last token
// read (ZCLErrorAt: at a given position). `detail` follows the table text (see ZCLReportError);
// without one, an unknown name (ZCL_ERR_Undefined_Identifier, ZCL_ERR_No_Matching_Function,
// ZCL_ERR_Unresolved_Import) gets the hint ZCLNameHint has for it. A missing `;`
// (ZCL_ERR_Missing_Semicolon) is shown at the last token before the position: where the
// statement ends.
ZILError ZCLError(ZCLState* st, const char* token, ZILError code, const std::string& detail = {});
ZILError ZCLErrorAt(ZCLState* st, size_t pos, const char* token, ZILError code, const std::string& detail = {});
ZILError ZCLWarning(ZCLState* st, const char* token, ZILError code, const std::string& detail = {});
ZILError ZCLFatal(ZCLState* st, const char* module, int line, const char* message, const char* function);

// Writes a verbose line to the runtime's log (only with `verbose` on and a log installed).
void ZCLVerbose(ZCLState* st, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Milliseconds of the process clock.
double ZCLClockMs();
