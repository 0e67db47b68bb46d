// The command line of `zentra`: the command, the script and its arguments, and the options
// that are handed to the compiler.
#pragma once

#include <string>
#include <vector>

namespace ZTools {

// Export, Bindings and Docs run the compiler's generators into outputDir (generate_commands.h).
enum class ZentraCommand {
  Run,
  Check,
  List,
  Export,
  Bindings,
  Docs
};

struct ZentraOptions {
  ZentraCommand command = ZentraCommand::Run;
  std::string file;
  std::string outputDir;                // export, bindings, docs: the folder written into
  std::vector<std::string> scriptArgs;  // after the file name, for main(const string[] args)
  int optimize = -1;                    // -1: the compiler's default
  int warningLevel = -1;
  std::string errorFormat;                 // empty: the compiler's default
  std::vector<std::string> importFolders;  // -I, searched after the script's folder and "."
  bool verbose = false;
  bool stackLocals = false;  // locals on the data stack instead of in registers
  bool withAudio = false;
  int debugPort = -1;    // --debug-port: the debugger's monitor port; -1: default
  bool help = false;     // --help or -h: print the usage, nothing else
  bool version = false;  // --version: print the version, nothing else
};

// Parses argv (without the program name). Returns false and sets *error (one line, without the
// program's name) for a bad command line. With help or version set, the rest may be missing.
bool ParseZentraCommandLine(int argc, char** argv, ZentraOptions* options, std::string* error);

// The usage text.
const char* ZentraUsage();

}  // namespace ZTools
