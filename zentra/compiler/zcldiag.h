// Compiler diagnostics: errors and warnings are formatted with the file, line and column of the
// current read position, collected in a message list and written to the owner's message log
// when the driver flushes them. Fatal errors (broken internal invariants) bypass the list.
// The record is embedded in the compiler state; the owner installs the output callbacks.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "zentra/compiler/zclerrors.h"
#include "zentra/compiler/zclfile.h"
#include "zentra/compiler/zcloption.h"

// Receives one finished text; `user` is what the owner installed (the runtime state).
typedef void (*ZCLTextProc)(void* user, const char* text);

struct ZCLDiagnostics {
  std::vector<std::string> messages;  // every error, warning and self-test line, in order
  size_t flushed = 0;                 // index of the first message not yet written
  int errors = 0;
  int warnings = 0;
  bool fatal = false;                   // set by ZCLFatalError; the compiler is unusable after it
  ZCLTextProc messageLog = nullptr;     // where flushed messages and fatal texts go
  ZCLTextProc fatalCallback = nullptr;  // told about a fatal error after the log
  void* user = nullptr;                 // handed to both callbacks
};

// Reports error `code` and returns it unchanged, so callers can `return ZCLReportError(...)`.
// `token` may be null (no token shown) or empty (shown as ''). `file` may be null (link time),
// `options` null means the defaults. `detail`, when given and not empty, follows the table text
// in parentheses: what the compiler knows about this case (the types or names involved, a hint
// at the usual fix), so the table text itself stays the same for every case. Always counted.
ZILError ZCLReportError(ZCLDiagnostics* diag, const ZCLFile* file, const ZCLOption* options, const char* token,
                        ZILError code, const char* detail = nullptr);

// Reports warning `code` unless its level is above options->warningLevel; returns `code`.
ZILError ZCLReportWarning(ZCLDiagnostics* diag, const ZCLFile* file, const ZCLOption* options, const char* token,
                          ZILError code, const char* detail = nullptr);

// A broken internal invariant: sets the fatal flag, writes the report (and where in the current
// file it happened) to the message log at once, then calls the fatal callback. `module` is the
// compiler module's name ("zclstate", "zilcompiler"), `line` the line of the check, `function`
// the checking function's name. Returns ZCL_ERR_Fatal for the caller to pass up.
ZILError ZCLFatalError(ZCLDiagnostics* diag, const ZCLFile* file, const char* module, int line, const char* message,
                       const char* function);

// Writes every message not yet written to the message log, in order, and marks all written
// (also when no log is installed).
ZILError ZCLFlushMessages(ZCLDiagnostics* diag);

// The part of the diagnostics a self test rolls back when its block fails.
struct ZCLDiagSnapshot {
  size_t messages;
  int errors;
  int warnings;
};

ZCLDiagSnapshot ZCLDiagSave(const ZCLDiagnostics* diag);
void ZCLDiagRestore(ZCLDiagnostics* diag, const ZCLDiagSnapshot& snapshot);

// Appends (without counting) the self-test line "COMPILER SELF TEST result(expected): PASS|FAIL
// in file (line,column)" for a block that began at that line and column.
ZILError ZCLSelfTestReport(ZCLDiagnostics* diag, const char* fileName, int line, int column, ZILError result,
                           ZILError expected);

// Whether a code is in the warning range 1500..1517.
inline bool ZCLIsWarning(ZILError code) { return code >= 1500 && code <= 1517; }
