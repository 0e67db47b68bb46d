// zentra: the ZentraScript command-line program. `zentra run FILE.zc [ARGS...]` compiles, links
// and runs a script and its `main`; `check` only compiles and links; `list` prints the linked
// program's code.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/zentra/script_runner.h"
#include "tools/zentra/zentra_options.h"

int main(int argc, char** argv)
{
    if (argc >= 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        std::fputs(ZTools::ZentraUsage(), stdout);
        return 0;
    }
    ZTools::ZentraOptions options;
    std::string error;
    if (!ZTools::ParseZentraCommandLine(argc - 1, argv + 1, &options, &error)) {
        std::fprintf(stderr, "zentra: %s\n%s", error.c_str(), ZTools::ZentraUsage());
        return 1;
    }
    return ZTools::RunZentraCommand(options);
}
