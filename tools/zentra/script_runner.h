// Runs one `zentra` command on a script: sets up a runtime with its compiler and the Console
// class, compiles and links the script, then checks, lists or runs it. Returns the process
// exit status.
#pragma once

#include <string>

#include "tools/zentra/zentra_options.h"

namespace ZTools {

// 0 or main's int result after a run; 1 when the script cannot be read or the runtime cannot be
// set up; 2 for compile and link errors; 3 for a runtime exception.
int RunZentraCommand(const ZentraOptions& options);

// The version of the script runtime and compiler zentra runs, in its dotted form ("1.0.3.2").
std::string ZentraVersion();

}  // namespace ZTools
