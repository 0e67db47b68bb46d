// `--param NAME=VALUE` and `--norm NAME=X`, shared by render and params, and the params command:
//   sonabel-skin params SOURCE [--file MAIN] [--param NAME=VALUE]... [--norm NAME=X]...
#pragma once

#include <string>

#include "tools/sonabel-skin/skinmarkup.h"

// Sets one parameter of the built skin and announces the change, as a script would. `text` is
// "NAME=VALUE": a number sets the plain value, any other text the parameter's text (a string
// parameter's value, or a name a string map knows). With `normalized` the value is a position
// 0..1. Answers false after printing why.
bool ApplyParameterOption(SkinToolManager& manager, const std::string& text, bool normalized);

int RunParamsCommand(int argc, char** argv);
