// Command-line parsing of `zentra`: options come between the command and the script file;
// everything after the script file belongs to the script. Without a command, `run` is meant.
#include "tools/zentra/zentra_options.h"

#include <cstdlib>
#include <cstring>

namespace ZTools {

namespace {

bool parseLevel(const char* text, int low, int high, int* out)
{
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < low || v > high)
        return false;
    *out = static_cast<int>(v);
    return true;
}

bool endsWith(const char* text, const char* tail)
{
    size_t n = std::strlen(text), m = std::strlen(tail);
    return n >= m && !std::strcmp(text + n - m, tail);
}

}  // namespace

const char* ZentraUsage()
{
    return "usage: zentra run [OPTIONS] FILE.zc [ARGS...]   compile, link and run the script\n"
           "       zentra [OPTIONS] FILE.zc [ARGS...]       the same as run\n"
           "       zentra check [OPTIONS] FILE.zc           compile and link, print errors and warnings\n"
           "       zentra list [OPTIONS] FILE.zc            print the code listing of the linked program\n"
           "options:\n"
           "  -O LEVEL                  optimize level 0 to 3 (default 3)\n"
           "  -W LEVEL                  warning level 0 to 3 (default 3)\n"
           "  --error-format default|ms how compiler messages are written\n"
           "  -v                        verbose compiler log to standard error, and the count of\n"
           "                            executed instructions after the run\n"
           "  --stack-locals            keep local variables on the data stack (default: up to\n"
           "                            twelve at a time in registers)\n"
           "  --with audio              install the player's audio classes before the script\n";
}

bool ParseZentraCommandLine(int argc, char** argv, ZentraOptions* options, std::string* error)
{
    if (argc < 1) {
        *error = "missing command";
        return false;
    }
    const char* command = argv[0];
    int i = 1;
    if (!std::strcmp(command, "run"))
        options->command = ZentraCommand::Run;
    else if (!std::strcmp(command, "check"))
        options->command = ZentraCommand::Check;
    else if (!std::strcmp(command, "list"))
        options->command = ZentraCommand::List;
    else if (command[0] == '-' || endsWith(command, ".zc")) {
        options->command = ZentraCommand::Run;   // `zentra [OPTIONS] FILE.zc ...` runs it
        i = 0;
    } else {
        *error = std::string("unknown command '") + command + "'";
        return false;
    }
    for (; i < argc && argv[i][0] == '-' && argv[i][1]; i++) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needValue = [&]() {
            if (!value)
                *error = std::string("option ") + arg + " needs a value";
            return value != nullptr;
        };
        if (!std::strcmp(arg, "-v")) {
            options->verbose = true;
        } else if (!std::strcmp(arg, "--stack-locals")) {
            options->stackLocals = true;
        } else if (!std::strcmp(arg, "-O") || !std::strcmp(arg, "-W")) {
            if (!needValue())
                return false;
            int* target = arg[1] == 'O' ? &options->optimize : &options->warningLevel;
            if (!parseLevel(value, 0, 3, target)) {
                *error = std::string("option ") + arg + " takes a level from 0 to 3, not '" + value + "'";
                return false;
            }
            i++;
        } else if (!std::strcmp(arg, "--error-format")) {
            if (!needValue())
                return false;
            if (std::strcmp(value, "default") && std::strcmp(value, "ms")) {
                *error = std::string("--error-format takes default or ms, not '") + value + "'";
                return false;
            }
            options->errorFormat = value;
            i++;
        } else if (!std::strcmp(arg, "--with")) {
            if (!needValue())
                return false;
            if (std::strcmp(value, "audio")) {
                *error = std::string("--with takes audio, not '") + value + "'";
                return false;
            }
            options->withAudio = true;
            i++;
        } else if (!std::strcmp(arg, "--")) {
            i++;
            break;
        } else {
            *error = std::string("unknown option '") + arg + "'";
            return false;
        }
    }
    if (i >= argc) {
        *error = "missing script file";
        return false;
    }
    options->file = argv[i++];
    if (options->command != ZentraCommand::Run && i < argc) {
        *error = "only `zentra run` passes arguments to the script";
        return false;
    }
    options->scriptArgs.assign(argv + i, argv + argc);
    return true;
}

}  // namespace ZTools
