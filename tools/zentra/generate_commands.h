// `zentra export|bindings|docs DIR [OPTIONS] FILE.zc`: compile a script with every native class
// zentra registers imported, then write the compiler's type export, native binding skeletons or
// HTML class documentation into DIR.
#pragma once

#include <string>

#include "tools/zentra/zentra_options.h"
#include "zilapi.h"

namespace ZTools {

bool IsGeneratorCommand(ZentraCommand command);

// Recognises a generator command at argv[0] and takes its folder from argv[1]. False when argv[0]
// is no generator command (error left empty) or its folder is missing (error set).
bool ParseGeneratorCommand(int argc, char** argv, ZentraOptions* options, std::string* error);

// Imports every registered native class the script did not import, so the generators see the
// runtime's, zentra's and (with --with audio) the player's classes too.
ZILError ImportEveryNativeClass(ZILState* ps);

// Runs the command's generator on the linked program: 0, or 1 with the error on standard error.
int RunGeneratorCommand(ZILState* ps, const ZentraOptions& options);

}  // namespace ZTools
