// The audio-play example program's command line and failures: a wrong command line is one line
// and status 2; what cannot be played is "error: CODE (TEXT)" and status 1, and a missing sound
// device points to --no-sound.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "tests/ztools/resourcetestfiles.h"

using ResourceTest::ReadFile;
using ResourceTest::TempFolder;

namespace {

struct RunResult {
  int status = -1;
  std::string out, err;
};

const std::string kProgram = SONABEL_BINARY_DIR "/audio-play";

// Runs audio-play with a shell command line's arguments, after the environment settings in `env`.
RunResult RunAudioPlay(const TempFolder& temp, const std::string& arguments, const std::string& env = "") {
  std::string command =
      env + " '" + kProgram + "' " + arguments + " >'" + temp / "stdout" + "' 2>'" + temp / "stderr" + "'";
  int raw = std::system(command.c_str());
  RunResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFile(temp / "stdout");
  result.err = ReadFile(temp / "stderr");
  return result;
}

TEST(AudioPlayTest, CommandLineMistakesAreOneLineAndStatus2) {
  if (access(kProgram.c_str(), X_OK) != 0)
    GTEST_SKIP() << "audio-play is not built";
  TempFolder temp;
  const std::pair<const char*, const char*> mistakes[] = {
      {"", "missing URL or file"},
      {"--loud a.mp3", "unknown option '--loud'"},
      {"a.mp3 --seconds", "option --seconds needs a value"},
      {"--seconds ten a.mp3", "option --seconds takes a number of seconds, not 'ten'"},
      {"--seconds=-1 a.mp3", "option --seconds takes a number of seconds, not '-1'"},
      {"a.mp3 b.mp3", "plays one URL or file; 'b.mp3' is one too many"},
  };
  for (const auto& [arguments, error] : mistakes) {
    RunResult r = RunAudioPlay(temp, arguments);
    EXPECT_EQ(r.status, 2) << arguments;
    EXPECT_EQ(r.err, std::string("audio-play: ") + error + "\nTry 'audio-play --help'.\n") << arguments;
    EXPECT_EQ(r.out, "") << arguments;
  }
  EXPECT_EQ(RunAudioPlay(temp, "--help").status, 0);
}

TEST(AudioPlayTest, FailuresGiveTheCodeAndWhatItMeans) {
  if (access(kProgram.c_str(), X_OK) != 0)
    GTEST_SKIP() << "audio-play is not built";
  TempFolder temp;
  const std::string missing = "'" + temp / "missing.mp3" + "'";
  const struct {
    std::string arguments, env, out;
  } cases[] = {
      {"--no-sound " + missing, "", "error: 2 (the file or address cannot be opened, or the server refused it)\n"},
      {missing, "SDL_AUDIODRIVER=no-such-driver",
       "error: 23 (no sound output device can be opened; --no-sound plays without a sound device)\n"},
  };
  for (const auto& c : cases) {
    RunResult r = RunAudioPlay(temp, c.arguments, c.env);
    EXPECT_EQ(r.status, 1) << c.arguments;
    EXPECT_EQ(r.out, c.out) << c.arguments;
  }
}

}  // namespace
