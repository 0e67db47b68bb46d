// The real player with --commands on its default skin: command lines on its standard input are
// answered on its standard output, a change made by command is saved like any other, the end of
// input leaves the player running, and it quits cleanly with its reader still waiting for input.
// Before it, how the reader cuts its input into lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/command_input.h"
#include "tests/ztools/resourcetestfiles.h"

namespace {

using ResourceTest::ReadFile;
using ResourceTest::TempFolder;

// The player with pipes on its standard input and output.
class Player {
 public:
  Player(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
      return;
    if (pipe2(out, O_CLOEXEC) != 0) {
      close(in[0]);
      close(in[1]);
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<char*> argv, envp;
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env)
      envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = out[0];
  }
  ~Player() {
    CloseInput();
    if (out_ >= 0)
      close(out_);
    if (pid_ > 0)
      Wait(0);
  }

  bool Running() const { return pid_ > 0; }
  bool RunningAfter(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    if (waitpid(pid_, nullptr, WNOHANG) != pid_)
      return true;
    pid_ = -1;
    return false;
  }
  void Send(const std::string& text) { ASSERT_EQ(write(in_, text.data(), text.size()), ssize_t(text.size())); }
  void CloseInput() {
    if (in_ >= 0)
      close(in_);
    in_ = -1;
  }
  // The next line of the player's output without its line end; "<none>" after 10 s without one.
  std::string Line() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      if (const size_t end = buffered_.find('\n'); end != std::string::npos) {
        std::string line = buffered_.substr(0, end);
        buffered_.erase(0, end + 1);
        return line;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd wait = {out_, POLLIN, 0};
      if (left.count() <= 0 || poll(&wait, 1, int(left.count())) <= 0)
        return "<none>";
      char buffer[1024];
      const ssize_t n = read(out_, buffer, sizeof buffer);
      if (n <= 0)
        return "<none>";
      buffered_.append(buffer, size_t(n));
    }
  }
  // The exit status once the player ended, -1 (after killing it) when it did not end in time.
  int Wait(int timeoutMs) {
    if (pid_ <= 0)
      return -1;
    for (int waited = 0;; waited += 20) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      if (waited >= timeoutMs)
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return -1;
  }
  void Signal(int signal) {
    if (pid_ > 0)
      kill(pid_, signal);
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1;
  std::string buffered_;
};

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
  {
    Player player(args, env);
    ASSERT_TRUE(player.Running());
    // Sent at once: lines wait until the skin is up. `set` answers nothing; blank lines are skipped.
    player.Send("get volume\nset volume 30\r\n\n  \nget VOLUME\nfrobnicate now\r\n");
    const std::string first = player.Line();
    EXPECT_EQ(VolumeIn(first).find('<'), std::string::npos) << first;
    EXPECT_EQ(VolumeIn(player.Line()), "30");
    EXPECT_EQ(player.Line(), "* not understood: frobnicate now (help lists the commands)");
    // The end of input leaves the player running; SIGTERM ends it the normal way.
    player.CloseInput();
    EXPECT_TRUE(player.RunningAfter(300)) << "the player quit at the end of its input";
    player.Signal(SIGTERM);
    EXPECT_EQ(player.Wait(10000), 0);
  }
  {
    Player player(args, env);
    ASSERT_TRUE(player.Running());
    player.Send("get volume\n");
    EXPECT_EQ(VolumeIn(player.Line()), "30") << "the volume set by command was saved";
    // Quitting by command while the reader still waits for input.
    player.Send("script: self.Quit()\n");
    EXPECT_EQ(player.Wait(10000), 0);
  }
  EXPECT_NE(ReadFile(temp / "settings.ini").find("volume=30"), std::string::npos);
}

}  // namespace
