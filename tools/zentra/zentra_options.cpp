// Command-line parsing of `zentra`: options come between the command and the script file;
// everything after the script file belongs to the script. Without a command, `run` is meant.
// An option's value may follow it as the next word or be joined to it: `-O 3` or `-O3`,
// `--error-format gnu` or `--error-format=gnu`.
#include "tools/zentra/zentra_options.h"

#include "tools/zentra/generate_commands.h"

#include <cstdlib>
#include <cstring>

namespace ZTools {

namespace {

bool parseLevel(const char* text, int low, int high, int* out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < low || v > high)
    return false;
  *out = static_cast<int>(v);
  return true;
}

bool endsWith(const char* text, const char* tail) {
  size_t n = std::strlen(text), m = std::strlen(tail);
  return n >= m && !std::strcmp(text + n - m, tail);
}

enum class Match {
  No,
  Yes,
  MissingValue
};

// Whether argv[*i] is the option `name` with a value: the next word, or joined to a short name
// ("-O3") or after '=' for a long one ("--with=audio"). Advances *i past a value taken from the
// next word.
Match optionWithValue(const char* name, int argc, char** argv, int* i, const char** value) {
  const char* arg = argv[*i];
  const size_t n = std::strlen(name);
  if (std::strncmp(arg, name, n))
    return Match::No;
  const char* rest = arg + n;
  if (!*rest) {
    if (*i + 1 >= argc)
      return Match::MissingValue;
    *value = argv[++*i];
    return Match::Yes;
  }
  const bool longName = name[1] == '-';
  if (longName && *rest != '=')
    return Match::No;  // another option that starts with the same letters
  *value = longName ? rest + 1 : rest;
  return Match::Yes;
}

bool applyOptimize(const char* value, ZentraOptions* options, std::string* error) {
  if (parseLevel(value, 0, 3, &options->optimize))
    return true;
  *error = std::string("option -O takes a level from 0 to 3, not '") + value + "'";
  return false;
}

bool applyWarningLevel(const char* value, ZentraOptions* options, std::string* error) {
  if (parseLevel(value, 0, 3, &options->warningLevel))
    return true;
  *error = std::string("option -W takes a level from 0 to 3, not '") + value + "'";
  return false;
}

bool applyImportFolder(const char* value, ZentraOptions* options, std::string* error) {
  if (!*value) {
    *error = "option -I takes a folder, not ''";
    return false;
  }
  options->importFolders.emplace_back(value);
  return true;
}

bool applyErrorFormat(const char* value, ZentraOptions* options, std::string* error) {
  if (std::strcmp(value, "default") && std::strcmp(value, "ms") && std::strcmp(value, "gnu")) {
    *error = std::string("option --error-format takes default, ms or gnu, not '") + value + "'";
    return false;
  }
  options->errorFormat = value;
  return true;
}

bool applyWith(const char* value, ZentraOptions* options, std::string* error) {
  if (std::strcmp(value, "audio")) {
    *error = std::string("option --with takes audio, not '") + value + "'";
    return false;
  }
  options->withAudio = true;
  return true;
}

bool applyDebugPort(const char* value, ZentraOptions* options, std::string* error) {
  if (parseLevel(value, 0, 65534, &options->debugPort))
    return true;
  *error = std::string("option --debug-port takes a port from 0 to 65534, not '") + value + "'";
  return false;
}

struct ValueOption {
  const char* name;
  bool (*apply)(const char* value, ZentraOptions* options, std::string* error);
};

constexpr ValueOption kValueOptions[] = {
    {"-O", applyOptimize},     {"-W", applyWarningLevel},
    {"-I", applyImportFolder}, {"--error-format", applyErrorFormat},
    {"--with", applyWith},     {"--debug-port", applyDebugPort},
};

}  // namespace

const char* ZentraUsage() {
  return "usage: zentra run [OPTIONS] FILE.zc [ARGS...]   compile, link and run the script\n"
         "       zentra [OPTIONS] FILE.zc [ARGS...]       the same as run\n"
         "       zentra check [OPTIONS] FILE.zc           compile and link, print errors and warnings\n"
         "       zentra list [OPTIONS] FILE.zc            print the code listing of the linked program\n"
         "       zentra debug [--port N]                  connect to a script's debugger (monitor\n"
         "                                                on port N, console on N + 1)\n"
         "       zentra export DIR [OPTIONS] FILE.zc      write DIR/types.xml, every type declared\n"
         "       zentra bindings DIR [OPTIONS] FILE.zc    write DIR/bind_NAME.cpp per `native class NAME`\n"
         "       zentra docs DIR [OPTIONS] FILE.zc        write HTML documentation of every class to DIR\n"
         "       zentra --help | --version\n"
         "options:\n"
         "  -O LEVEL                  optimize level 0 to 3 (default 3)\n"
         "  -W LEVEL                  warning level 0 to 3 (default 3)\n"
         "  -I DIR                    look for imported files in DIR too (after the script's\n"
         "                            folder and the current folder); may be repeated\n"
         "  --error-format FORMAT     how compiler messages are written: default, ms or gnu\n"
         "  -v                        verbose compiler log to standard error, and the count of\n"
         "                            executed instructions after the run\n"
         "  --stack-locals            keep local variables on the data stack (default: up to\n"
         "                            twelve at a time in registers)\n"
         "  --with audio              install the player's audio classes before the script\n"
         "  --debug-port N            the `debugger` class's monitor port (console: N + 1; 0: any\n"
         "                            free pair; default $SONABEL_DEBUG_PORT, else 5000)\n"
         "A value may also be joined to its option: -O3, -W0, -Ilib, --error-format=gnu.\n";
}

bool ParseZentraCommandLine(int argc, char** argv, ZentraOptions* options, std::string* error) {
  if (argc < 1) {
    *error = "missing script file";
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
  else if (ParseGeneratorCommand(argc, argv, options, error))
    i = 2;  // the command and its output folder
  else if (!error->empty())
    return false;
  else if (command[0] == '-' || endsWith(command, ".zc")) {
    options->command = ZentraCommand::Run;  // `zentra [OPTIONS] FILE.zc ...` runs it
    i = 0;
  } else {
    *error = std::string("unknown command '") + command + "'";
    return false;
  }
  for (; i < argc && argv[i][0] == '-' && argv[i][1]; i++) {
    const char* arg = argv[i];
    if (!std::strcmp(arg, "-v")) {
      options->verbose = true;
      continue;
    }
    if (!std::strcmp(arg, "--stack-locals")) {
      options->stackLocals = true;
      continue;
    }
    if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
      options->help = true;
      return true;
    }
    if (!std::strcmp(arg, "--version")) {
      options->version = true;
      return true;
    }
    if (!std::strcmp(arg, "--")) {
      i++;
      break;
    }
    Match m = Match::No;
    for (const ValueOption& option : kValueOptions) {
      const char* value = nullptr;
      m = optionWithValue(option.name, argc, argv, &i, &value);
      if (m == Match::Yes && !option.apply(value, options, error))
        return false;
      if (m != Match::No)
        break;
    }
    if (m == Match::MissingValue) {
      *error = std::string("option ") + arg + " needs a value";
      return false;
    }
    if (m == Match::No) {
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
