// ZCLOption: one set of compiler options, and the parser of option strings ("name = value",
// several joined by ',' or ';'). The driver keeps a stack of these; entry 0 is the base set,
// the last is the set in force, and every imported text starts from a copy of the base set.
#pragma once

#include <string>
#include <vector>

#include "zentra/compiler/zclerrors.h"

enum ZCLErrorFormat : int {
  kZCLErrorFormatDefault = 1,  // "Error 1213: text in file (line,column)"
  kZCLErrorFormatMS = 2,       // "file(line): Error 1213: text"
  kZCLErrorFormatGNU = 3,      // "file:line:column: error 1213: text"
};

struct ZCLOption {
  int verbose = 0;         // 0 or 1
  int warningLevel = 3;    // 0..3; warnings above it are not reported
  int stackLocals = 2;     // 0 (off) or 2 (on)
  int registerLocals = 5;  // with stack locals off: how many may live in registers
  int optimize = 3;        // 0..3
  int useRtchk = 1;        // 0 or 1
  int fileImport = 1;      // 0 or 1
  int errorFormat = kZCLErrorFormatDefault;
  std::string fileExt = "zc";  // extension of imported files
  std::vector<int> usingList;  // type ids named by `using`
};

// Ids of the option names (exact, case-sensitive lookup).
enum ZCLOptionId : int {
  kZCLOptVerbose = 1,
  kZCLOptWarningLevel,
  kZCLOptStackLocals,
  kZCLOptOptimize,
  kZCLOptUseRtchk,
  kZCLOptFileExt,
  kZCLOptFileImport,
  kZCLOptErrorFormat,
  kZCLOptRegisterLocals,  // beyond the original table: 1 to 16, default 5
};

// Id of an option name, 0 when it is not in the table.
int ZCLFindOptionName(const char* name);

// Id of an error-format value ("default" 1, "ms" 2, "gnu" 3), 0 when it is none of them.
int ZCLFindErrorFormat(const char* value);

// Handles option names the compiler does not know (the runtime's own options). Returns 0 when
// it took the option, ZCL_WARN_Unknown_Option when it does not know the name,
// ZCL_WARN_Invalid_Option_Value for a value it rejects.
typedef ZILError (*ZCLOptionFallback)(void* user, const char* name, const char* value);

// Parses one option "name = value" (blanks around both parts are ignored) into *options.
// A value that is exactly true/yes/on or false/no/off reads as 1 or 0. Integer values take
// decimal, 0x hexadecimal and leading-0 octal. Returns 0; ZCL_WARN_Invalid_Option_Value for a
// value out of range (the option is left unchanged); for a name not in the table, the fallback's
// code, or ZCL_WARN_Unknown_Option without a fallback. *name, when given, receives the trimmed
// name (the token of a ZCL_WARN_Unknown_Option (1503) warning).
ZILError ZCLParseOption(ZCLOption* options, const char* text, size_t length, ZCLOptionFallback fallback, void* user,
                        std::string* name = nullptr);

// One option of an option string that was not applied.
struct ZCLOptionRejection {
  ZILError code;      // ZCL_WARN_Unknown_Option, ZCL_WARN_Invalid_Option_Value or a code of the fallback
  std::string token;  // the name for ZCL_WARN_Unknown_Option, the whole (trimmed) option text otherwise
};

// Applies an option string: pieces separated by ',' or ';', trimmed, empty pieces skipped,
// applied left to right. Pieces that fail are skipped and listed in *rejected (when given);
// the string as a whole always succeeds.
ZILError ZCLApplyOptionString(ZCLOption* options, const char* text, ZCLOptionFallback fallback, void* user,
                              std::vector<ZCLOptionRejection>* rejected);
