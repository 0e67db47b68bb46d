// Parsing the player's command line.
#include "app/command_line.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace ZTools {
namespace {

bool ParseInt(std::string_view text, int32_t low, int32_t high, int32_t& out) {
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
    return false;
  out = v;
  return true;
}

}  // namespace

const char* PlayerUsage() {
  return "usage: sonabel [SKIN] [OPTIONS]\n"
         "Plays internet radio in a window drawn by its skin. SKIN is a skin package (.zpac), which\n"
         "becomes the skin of every later start, or a skin's main markup file (.zml).\n\n"
         "  --screenshot OUT.png  write the window's picture once it has been open for --quit-after\n"
         "                        milliseconds (default 500), then quit as usual, saving settings\n"
         "  --quit-after MS       see --screenshot\n"
         "  --watch               for a skin folder: build the skin again whenever one of its files\n"
         "                        changes, keeping the parameters' values\n"
         "  --scale N             show the skin N times larger (1 to 8; remembered)\n"
         "  --commands            read commands (help, list, get NAME, set NAME VALUE, script: CODE)\n"
         "                        from standard input, one a line; answers go to standard output\n"
         "  --version             print the version and quit\n"
         "  --help                print this text and quit\n";
}

bool ParseCommandLine(int argc, const char* const* argv, PlayerOptions& o, std::string& error) {
  for (int i = 1; i < argc; i++) {
    const std::string_view a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--watch") {
      o.watch = true;
    } else if (a == "--commands") {
      o.commands = true;
    } else if (a == "--screenshot" && hasValue) {
      o.screenshot = argv[++i];
    } else if (a == "--quit-after" && hasValue) {
      if (!ParseInt(argv[++i], 0, 3600000, o.quitAfterMs)) {
        error = std::string("--quit-after wants milliseconds from 0 to 3600000, not '") + argv[i] + "'";
        return false;
      }
    } else if (a == "--scale" && hasValue) {
      if (!ParseInt(argv[++i], 1, 8, o.scale)) {
        error = std::string("--scale wants a whole factor from 1 to 8, not '") + argv[i] + "'";
        return false;
      }
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      error = "unknown option or missing value: " + std::string(a);
      return false;
    } else if (o.arguments.empty()) {
      o.arguments.emplace_back(a);
    } else {
      error = "only one skin can be given, not also '" + std::string(a) + "'";
      return false;
    }
  }
  return true;
}

}  // namespace ZTools
