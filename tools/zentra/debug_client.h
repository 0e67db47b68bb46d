// `zentra debug`: a terminal for the debugger of a running script. It connects to the monitor's
// port and the console's (the next one), shows what both send and hands each typed line to the
// one that asked for it with its prompt.
#pragma once

namespace ZTools {

// argv holds the words after `debug`; returns the process exit status (2 for a bad command line).
int RunDebugClient(int argc, char** argv);

}  // namespace ZTools
