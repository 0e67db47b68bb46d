// The real player with --commands on its default skin: command lines on its standard input are
// answered on its standard output, a change made by command is saved like any other, the end of
// input leaves the player running, and it quits cleanly with its reader still waiting for input.
// Before it, how the reader cuts its input into lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/command_input.h"
#include "tests/app/app_test_support.h"
#include "tests/ztools/resourcetestfiles.h"

namespace {

using ResourceTest::ReadFile;
using ResourceTest::TempFolder;

// The value in an answer to `get volume` ("float volume ("NAME") [INDEX] = VALUE"), else the line
// itself in angle brackets.
std::string VolumeIn(const std::string& line) {
  const size_t value = line.rfind("] = ");
  if (line.rfind("float volume (\"", 0) != 0 || value == std::string::npos)
    return "<" + line + ">";
  return line.substr(value + 4);
}

TEST(CommandInput, LinesFromTheInput) {
  const std::string longest(ZTools::CommandInput::kMaxLine, 'x');
  const struct {
    std::string input;
    std::vector<std::string> lines;
    const char* what;
  } rows[] = {
      {"get a\r\n\n \t\nset b 1\n", {"get a", "set b 1"}, "line ends, blank lines"},
      {"list\nhelp", {"list", "help"}, "a last line without its end"},
      {longest + "\nlist\n", {longest, "list"}, "the longest line"},
      {longest + "y\nlist\n" + longest + "zz", {"list"}, "longer lines are dropped whole"},
  };
  for (const auto& r : rows) {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    ZTools::CommandInput input;
    ASSERT_TRUE(input.Start(fds[0]));
    // Written after the start, so the reader takes the input in pieces.
    for (size_t at = 0; at < r.input.size(); at += 1000)
      ASSERT_GT(write(fds[1], r.input.data() + at, std::min<size_t>(1000, r.input.size() - at)), 0);
    close(fds[1]);
    std::vector<std::string> lines;
    for (int i = 0; i < 500 && lines.size() < r.lines.size(); i++) {
      for (std::string& l : input.Take())
        lines.push_back(std::move(l));
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // time for lines that should not come
    input.Stop();
    for (std::string& l : input.Take())
      lines.push_back(std::move(l));
    EXPECT_EQ(lines, r.lines) << r.what;
    close(fds[0]);
  }
}

TEST(PlayerCommands, AnswersOnStandardOutputAndQuitsCleanly) {
  TempFolder temp;
  const std::vector<std::string> args = {SONABEL_BINARY_DIR "/sonabel", "--commands"};
  const std::vector<std::string> env = {"PATH=/usr/bin:/bin",
                                        "HOME=" + temp.Path().string(),
                                        "SONABEL_SETTINGS_FILE=" + (temp / "settings.ini"),
                                        "SDL_VIDEODRIVER=offscreen",
                                        "SDL_AUDIODRIVER=dummy",
                                        "SONABEL_NO_DIALOGS=1",
                                        "LSAN_OPTIONS=suppressions=" SONABEL_SOURCE_DIR "/tests/app/player_lsan.supp"};
  const std::string answers = temp / "answers";
  // Line `n` (from 0) of the player's answers, once it is whole; "<none>" after 10 s without it.
  auto line = [&](size_t n) {
    for (int waited = 0; waited < 10000; waited += 20) {
      std::istringstream text(ReadFile(answers));
      std::string l;
      for (size_t i = 0; std::getline(text, l); i++)
        if (i == n && !text.eof())
          return l;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::string("<none>");
  };
  auto send = [](int input, const std::string& text) {
    EXPECT_EQ(write(input, text.data(), text.size()), ssize_t(text.size()));
  };

  int input = -1;
  pid_t player = apptest::spawn(args, env, &input, answers);
  ASSERT_GT(player, 0);
  // Sent at once: lines wait until the skin is up. `set` answers nothing; blank lines are skipped.
  send(input, "get volume\nset volume 30\r\n\n  \nget VOLUME\nfrobnicate now\r\n");
  EXPECT_EQ(VolumeIn(line(0)).find('<'), std::string::npos) << line(0);
  EXPECT_EQ(VolumeIn(line(1)), "30");
  EXPECT_EQ(line(2), "* not understood: frobnicate now (help lists the commands)");
  // The end of input leaves the player running; SIGTERM ends it the normal way.
  close(input);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_NE(waitpid(player, nullptr, WNOHANG), player) << "the player quit at the end of its input";
  kill(player, SIGTERM);
  EXPECT_EQ(apptest::waitExit(player, 10000), 0);

  player = apptest::spawn(args, env, &input, answers);
  ASSERT_GT(player, 0);
  send(input, "get volume\n");
  EXPECT_EQ(VolumeIn(line(0)), "30") << "the volume set by command was saved";
  // Quitting by command while the reader still waits for input.
  send(input, "script: self.Quit()\n");
  EXPECT_EQ(apptest::waitExit(player, 10000), 0);
  close(input);
  EXPECT_NE(ReadFile(temp / "settings.ini").find("volume=30"), std::string::npos);
}

}  // namespace
