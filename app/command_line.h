// The player's command line:
//   sonabel [SKIN] [--screenshot OUT.png [--quit-after MS]] [--watch] [--scale N] [--commands] [--help]
//           [--version]
// SKIN is a skin package (.zpac) or a skin's main markup file (.zml).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ZTools {

struct PlayerOptions {
  std::vector<std::string> arguments;  // the skin, when given, as the first
  std::string screenshot;              // write the window's picture here and quit
  int32_t quitAfterMs = 500;           // how long after the window opened the screenshot is taken
  bool watch = false;                  // rebuild the skin when one of its files changes
  int32_t scale = 0;                   // 0: from the display (and the stored setting)
  bool commands = false;               // run text commands read from standard input
  bool help = false;
  bool version = false;
};

// Parses argv[1..]; false (with `error` set to a one-line reason) for a usage mistake.
bool ParseCommandLine(int argc, const char* const* argv, PlayerOptions& options, std::string& error);

// The text --help prints.
const char* PlayerUsage();

}  // namespace ZTools
