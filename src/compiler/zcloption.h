// ZCLOption: one set of compiler options, and the parser of option strings ("name = value",
// several joined by ',' or ';'). The driver keeps a stack of these; entry 0 is the base set,
// the last is the set in force, and every imported text starts from a copy of the base set.
#pragma once

#include <string>
#include <vector>

#include "src/compiler/zclerrors.h"

enum ZCLErrorFormat : int {
    kZCLErrorFormatDefault = 1,   // "Error 1213: text in file (line,column)"
    kZCLErrorFormatMS = 2,        // "file(line): Error 1213: text"
};

struct ZCLOption {
    int verbose = 0;                  // 0 or 1
    int warningLevel = 3;             // 0..3; warnings above it are not reported
    int stackLocals = 2;              // 0 (off) or 2 (on)
    int optimize = 3;                 // 0..3
    int useRtchk = 1;                 // 0 or 1
    int fileImport = 1;               // 0 or 1
    int errorFormat = kZCLErrorFormatDefault;
    std::string fileExt = "zc";       // extension of imported files
    std::vector<int> usingList;       // type ids named by `using`
};

// Ids of the option names (exact, case-sensitive lookup).
enum ZCLOptionId : int {
    kZCLOptVerbose = 1, kZCLOptWarningLevel, kZCLOptStackLocals, kZCLOptOptimize,
    kZCLOptUseRtchk, kZCLOptFileExt, kZCLOptFileImport, kZCLOptErrorFormat,
};
