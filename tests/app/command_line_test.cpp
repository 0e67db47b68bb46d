// The player's command line: options, values and mistakes.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace ZTools {
namespace {

TEST(PlayerCommandLine, OptionsValuesAndMistakes) {
  const struct {
    std::vector<const char*> args;
    bool ok;
    const char* skin;
    const char* shot;
    int32_t quitAfter, scale;
    bool watch, commands;
  } rows[] = {
      {{}, true, "", "", 500, 0, false, false},
      {{"skin.zpac"}, true, "skin.zpac", "", 500, 0, false, false},
      {{"--screenshot", "a.png", "--quit-after", "50", "my skin/main.zml"},
       true,
       "my skin/main.zml",
       "a.png",
       50,
       0,
       false,
       false},
      {{"--watch", "--scale", "2", "--commands"}, true, "", "", 500, 2, true, true},
      {{"--scale", "0"}, false, "", "", 500, 0, false, false},
      {{"--scale", "2x"}, false, "", "", 500, 0, false, false},
      {{"--quit-after", "-1"}, false, "", "", 500, 0, false, false},
      {{"--screenshot"}, false, "", "", 500, 0, false, false},
      {{"--frobnicate"}, false, "", "", 500, 0, false, false},
      {{"a.zpac", "b.zpac"}, false, "", "", 500, 0, false, false},
  };
  for (const auto& r : rows) {
    std::vector<const char*> argv = {"sonabel"};
    argv.insert(argv.end(), r.args.begin(), r.args.end());
    PlayerOptions o;
    std::string error;
    const bool ok = ParseCommandLine(int(argv.size()), argv.data(), o, error);
    const std::string what = r.args.empty() ? "(none)" : r.args[0];
    EXPECT_EQ(ok, r.ok) << what << ": " << error;
    if (!ok || !r.ok) {
      EXPECT_EQ(error.empty(), ok) << what;
      continue;
    }
    EXPECT_EQ(o.arguments.empty() ? "" : o.arguments[0], r.skin) << what;
    EXPECT_EQ(o.screenshot, r.shot) << what;
    EXPECT_EQ(o.quitAfterMs, r.quitAfter) << what;
    EXPECT_EQ(o.scale, r.scale) << what;
    EXPECT_EQ(o.watch, r.watch) << what;
    EXPECT_EQ(o.commands, r.commands) << what;
  }
}

}  // namespace
}  // namespace ZTools
