// sonabel-skin: the skin author's command-line tool. Each command is one word followed by
// its arguments; a SOURCE is a skin package (.zpac) or a skin folder.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tools/sonabel-skin/drawcommands.h"
#include "tools/sonabel-skin/filecommands.h"
#include "tools/sonabel-skin/markupcommands.h"
#include "tools/sonabel-skin/paramcommands.h"
#include "tools/sonabel-skin/rendercommand.h"

namespace {

struct Command {
  const char* name;
  const char* arguments;
  const char* help;
  int (*run)(int argc, char** argv);
};

const Command kCommands[] = {
    {"ls", "SOURCE", "list the skin's files, one size and name per line", RunListCommand},
    {"cat", "SOURCE NAME", "write one file of the skin to standard output", RunCatCommand},
    {"check", "SOURCE [FILE]", "build the skin's markup (main.zml) and print its errors", RunCheckCommand},
    {"tree", "SOURCE [FILE]", "print the objects the skin's markup builds", RunTreeCommand},
    {"render", "SOURCE OUT.png [OPTIONS]",
     "draw the skin as a PNG; options --file MAIN, --surface N, --size WxH, --param NAME=VALUE, --idle N",
     RunRenderCommand},
    {"params", "SOURCE [OPTIONS]",
     "print each parameter: NAME, value, position, text; options --param NAME=VALUE, --norm NAME=X, "
     "--idle N",
     RunParamsCommand},
    {"draw-test", "OUT.png", "write the drawing test sheet (blend modes, frames, fonts) as a PNG", RunDrawTestCommand},
};

void PrintUsage(FILE* to) {
  std::fputs(
      "usage: sonabel-skin COMMAND ARGUMENTS...\n"
      "SOURCE is a skin package (.zpac) or a skin folder.\n\n",
      to);
  for (const Command& command : kCommands) {
    char call[64];
    std::snprintf(call, sizeof call, "%s %s", command.name, command.arguments);
    std::fprintf(to, "  sonabel-skin %-26s %s\n", call, command.help);
  }
}

// The tool never touches the player's settings: a skin's scripts read and store their settings in
// a file of the tool's own, gone when it ends, so every run draws the skin as it starts fresh.
struct PrivateSettings {
  std::string folder;
  PrivateSettings() {
    char pattern[] = "/tmp/sonabel-skin-XXXXXX";
    if (!mkdtemp(pattern))
      return;
    folder = pattern;
    setenv("SONABEL_SETTINGS_FILE", (folder + "/settings.ini").c_str(), 1);
  }
  ~PrivateSettings() {
    std::error_code ignored;
    if (!folder.empty())
      std::filesystem::remove_all(folder, ignored);
  }
};

int Run(int argc, char** argv) {
  if (argc >= 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
    PrintUsage(stdout);
    return 0;
  }
  if (argc >= 2) {
    for (const Command& command : kCommands)
      if (!std::strcmp(argv[1], command.name))
        return command.run(argc - 2, argv + 2);
    std::fprintf(stderr, "sonabel-skin: unknown command '%s'\n", argv[1]);
  }
  PrintUsage(stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // A tool never opens message boxes: what a skin's script reports goes to standard error.
  setenv("SONABEL_NO_DIALOGS", "1", 1);
  PrivateSettings settings;
  return Run(argc, argv);
}
