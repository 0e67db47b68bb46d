// The compiler's interface for embedders: start a compiler inside a runtime state, compile source
// texts into it (types and functions go straight into the runtime's tables), link, and free it.
// Call ZILInitializeCompiler right after ZILInitialize; ZILTerminate frees the compiler through
// the hook the compiler installs in the state. Every call returns 0 or an error code and throws
// nothing: a call that runs out of memory returns ZIL_EXC_Allocation_Fail (any other internal
// exception ZIL_ERR_Unspecified), and the compiler is then out of use: later compiles and links
// return ZCL_ERR_Fatal.
#pragma once

#include "zilapi.h"

// Creates the compiler of ps: the built-in types (the native classes imported from their
// declaration texts), `exception`, `__delegate`, `var` (15), the global class (16) and its
// `__init`, and the aliases `bool` and `char`.
ZILError ZILInitializeCompiler(ZILState* ps);

// Compiles one source text (name: shown in messages; null means "anonymous character string").
// Declarations in pass 0, bodies in pass 1; stops at the first error of a pass.
ZILError ZCLCompile(ZILState* ps, const ZILChar* name, const ZILChar* text);

// Finishes the global initialisation function and lays every compiled function's code into the
// runtime's code segment.
ZILError ZCLLink(ZILState* ps);

// Compiles `code` as the body of a new global function taking (Application self, View sender),
// links, and returns the function's handle in *handle (0 on any failure).
ZILError ZCLCompileHandler(ZILState* ps, const ZILChar* code, ZILLong* handle);

// Destroys the compiler; with `verbose` on, writes the termination and allocation report.
ZILError ZCLFreeCompiler(ZILState* ps);

// Called with the state and the text after a fatal (internal) error has been logged.
ZILError ZCLSetFatalErrorCallback(ZILState* ps, void (*callback)(ZILState* ps, const char* text));

// Adds a folder to those searched for imported files. A file `import a.b;` reads is looked for
// beside the importing file first, then in the current folder, then in these folders in the
// order they were added.
ZILError ZCLAddImportFolder(ZILState* ps, const ZILChar* folder);

// What messages say about `name` when a script uses it and it is not declared: the host's
// explanation, e.g. that it provides the class only on request. An empty or null hint removes it.
ZILError ZCLSetNameHint(ZILState* ps, const ZILChar* name, const ZILChar* hint);

// Sets options for everything compiled from now on, as an option text ("optimize=3;
// warning-level=2"): pieces separated by ',' or ';', applied left to right, as if every file
// began with `option "text";`. A refused piece (an unknown name or a bad value) gives the
// invalid option value warning's code, ZCL_WARN_Invalid_Option_Value (1504); the other pieces
// still apply.
ZILError ZCLSetOptions(ZILState* ps, const ZILChar* text);

// A global function as a host sees it: the handle to call it by (ZILNewDelegate) and its
// signature. argType/argElemType cover the first four arguments (element types of arrays).
struct ZCLFunctionSignature {
  ZILLong handle;
  ZILLong argCount;
  ZILLong argType[4];
  ZILLong argElemType[4];
  ZILLong hasResult;
  ZILLong resultType;
};
// The index-th global function (not a method or cofunction) named `name`, in declaration order;
// ZIL_ERR_Illegal_Argument when there are fewer overloads of the name.
ZILError ZCLGetGlobalFunction(ZILState* ps, const ZILChar* name, ZILLong index, ZCLFunctionSignature* out);

// Counters of the compiler, for hosts and tests.
struct ZCLStatistics {
  ZILLong errors;
  ZILLong warnings;
  ZILLong filesCompiled;
  ZILLong fatal;
};
ZILError ZCLGetStatistics(ZILState* ps, ZCLStatistics* out);

// The generators, run on everything compiled so far; each writes its verbose line first, makes
// the folder `path` when it is missing and returns 0, or ZCL_ERR_Binding_Generator when a file
// cannot be written (the files written before stay), ZIL_ERR_Illegal_Argument for a missing path.
// Writes path/types.xml: every type in type-id order with its functions, variables, aliases,
// delegate signature and documentation tags.
ZILError ZCLExportTypeInfo(ZILState* ps, const ZILChar* path);
// Writes path/bind_NAME.cpp for every class declared `native class NAME`: the C++ type proc and
// calls of a C++ class NAME, declared in "NAME.h", that the embedder writes.
ZILError ZCLGenerateBindings(ZILState* ps, const ZILChar* path);
// Writes path/NAME.html for every documented class (tagged, or provided by the runtime or the
// host) and path/index.html. A class whose page would be index.html is refused with
// ZCL_ERR_Binding_Generator.
ZILError ZCLGenerateDocs(ZILState* ps, const ZILChar* path);
