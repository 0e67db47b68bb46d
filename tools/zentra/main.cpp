// zentra: the ZentraScript command-line program. `zentra run FILE.zc [ARGS...]` compiles, links
// and runs a script and its `main`; `check` only compiles and links; `list` prints the linked
// program's code; `debug` is a terminal for a script's debugger.
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/zentra/debug_client.h"
#include "tools/zentra/script_runner.h"
#include "tools/zentra/zentra_options.h"

int main(int argc, char** argv) {
  // A script that builds and drops large arrays round after round would otherwise have each
  // big block mapped and unmapped again, and pay for the page faults every time. A script run
  // is short-lived: memory it frees stays with the process for its next allocation.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
  if (argc > 1 && !std::strcmp(argv[1], "debug"))
    return ZTools::RunDebugClient(argc - 2, argv + 2);
  ZTools::ZentraOptions options;
  std::string error;
  if (!ZTools::ParseZentraCommandLine(argc - 1, argv + 1, &options, &error)) {
    std::fprintf(stderr, "zentra: %s\nTry 'zentra --help'.\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(ZTools::ZentraUsage(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("zentra %s\n", ZTools::ZentraVersion().c_str());
    return 0;
  }
  return ZTools::RunZentraCommand(options);
}
