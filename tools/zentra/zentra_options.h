// The command line of `zentra`: the command, the script and its arguments, and the options
// that are handed to the compiler.
#pragma once

#include <string>
#include <vector>

namespace ZTools {

enum class ZentraCommand { Run, Check, List };

struct ZentraOptions {
    ZentraCommand command = ZentraCommand::Run;
    std::string file;
    std::vector<std::string> scriptArgs;  // after the file name, for main(const string[] args)
    int optimize = -1;                    // -1: the compiler's default
    int warningLevel = -1;
    std::string errorFormat;              // empty: the compiler's default
    bool verbose = false;
    bool stackLocals = false;             // locals on the data stack instead of in registers
    bool withAudio = false;
};

// Parses argv (without the program name). Returns false and sets *error for a bad command line.
bool ParseZentraCommandLine(int argc, char** argv, ZentraOptions* options, std::string* error);

// The usage text.
const char* ZentraUsage();

}  // namespace ZTools
