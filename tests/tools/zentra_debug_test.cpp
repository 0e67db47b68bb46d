// `zentra run` with the debugger class and `zentra debug`, end to end: the script runs as its
// own process on ports the system chooses (--debug-port 0); the test reads the announced port
// from its standard output and talks to the monitor and console over 127.0.0.1, or lets
// `zentra debug` do it with a session piped into it.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/ztools/resourcetestfiles.h"

namespace {

namespace fs = std::filesystem;

const std::string kZentra = SONABEL_BINARY_DIR "/zentra";

const char kScript[] = R"(import debugger;
function int twice(int v) { return v * 2; }
function int main() {
    debugger::output("before the break");
    int x = twice(21);
    debugger::debug();
    debugger::output("after the break " + x);
    return 0;
}
)";

// Text from fd up to and including `end` (or whatever came within 10 s).
std::string readUntil(int fd, const std::string& end) {
  std::string text;
  while (text.size() < end.size() || text.compare(text.size() - end.size(), end.size(), end) != 0) {
    pollfd p{fd, POLLIN, 0};
    char c;
    if (poll(&p, 1, 10000) <= 0 || read(fd, &c, 1) != 1)
      break;
    text += c;
  }
  return text;
}

int connectTo(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  at.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

class ZentraDebugTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zentra_debug_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    std::ofstream(dir / "s.zc") << kScript;
  }
  void TearDown() override {
    for (int fd : {monitor, console, out})
      if (fd >= 0)
        close(fd);
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    fs::remove_all(dir);
  }

  // Starts `zentra run --debug-port 0 s.zc`; returns the monitor's port from its announcement.
  int startScript() {
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    pid = fork();
    if (pid == 0) {
      dup2(pipeFds[1], 1);
      int err = open((dir / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(err, 2);
      close(pipeFds[0]);
      execl(kZentra.c_str(), "zentra", "run", "--debug-port", "0", (dir / "s.zc").c_str(), nullptr);
      _exit(127);
    }
    close(pipeFds[1]);
    out = pipeFds[0];
    std::string announced = readUntil(out, "Waiting for client to connect...\n");
    size_t at = announced.find("Listening to port ");
    EXPECT_NE(at, std::string::npos) << announced;
    return at == std::string::npos ? 0 : std::atoi(announced.c_str() + at + 18);
  }
  // Starts the script and connects to its monitor (on `port`) and console (the next port).
  void startAndConnect() {
    port = startScript();
    ASSERT_GT(port, 0);
    monitor = connectTo(port);
    console = connectTo(port + 1);
    ASSERT_GE(monitor, 0);
    ASSERT_GE(console, 0);
  }
  int exitStatus() {
    int raw = 0;
    waitpid(pid, &raw, 0);
    pid = -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  std::string type(const std::string& line) {
    std::string text = line + "\n";
    EXPECT_EQ(send(monitor, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
    return readUntil(monitor, "[mon] ");
  }
  std::string standardError() { return ResourceTest::ReadFile(dir / "stderr"); }

  fs::path dir;
  pid_t pid = -1;
  int out = -1, monitor = -1, console = -1, port = 0;
};

TEST_F(ZentraDebugTest, ScriptPrintsBreaksIsContinuedAndEnds) {
  ASSERT_NO_FATAL_FAILURE(startAndConnect());
  std::string greeting = readUntil(monitor, "[mon] ");
  EXPECT_NE(greeting.find("Connected to ZILConsole client on port " + std::to_string(port) + "\n"), std::string::npos);
  EXPECT_NE(greeting.find("EXCEPTION 1010 (BREAK EXCEPTION) AT "), std::string::npos) << greeting;
  EXPECT_NE(greeting.find("calln           class debugger,0;debugger::debug\n[mon] "), std::string::npos) << greeting;
  EXPECT_EQ(readUntil(console, "\n"), "before the break\n");
  EXPECT_NE(type("lc").find("main() at "), std::string::npos);
  send(monitor, "c\n", 2, MSG_NOSIGNAL);
  EXPECT_EQ(readUntil(console, "\n"), "after the break 42\n");
  EXPECT_EQ(exitStatus(), 0) << standardError();
}

TEST_F(ZentraDebugTest, QuitEndsTheScriptWithTheBreakException) {
  ASSERT_NO_FATAL_FAILURE(startAndConnect());
  readUntil(monitor, "[mon] ");
  send(monitor, "q\r\n", 3, MSG_NOSIGNAL);
  EXPECT_EQ(exitStatus(), 3);
  std::string err = standardError();
  EXPECT_NE(err.find("1010 BREAK EXCEPTION"), std::string::npos) << err;
  EXPECT_NE(err.find("main() at "), std::string::npos) << "the host's report still has the trace:\n" << err;
}

TEST_F(ZentraDebugTest, ClientDisconnectingEndsTheSessionNotTheProcessBySignal) {
  ASSERT_NO_FATAL_FAILURE(startAndConnect());
  close(console);
  console = -1;
  readUntil(monitor, "[mon] ");
  close(monitor);
  monitor = -1;
  EXPECT_EQ(exitStatus(), 3) << "no SIGPIPE; the session ends as q would";
  EXPECT_NE(standardError().find("ZILDebugger: the monitor client disconnected"), std::string::npos) << standardError();
}

TEST_F(ZentraDebugTest, DebugClientRunsAPipedSession) {
  port = startScript();
  ASSERT_GT(port, 0);
  fs::path session = dir / "session", shown = dir / "shown";
  std::ofstream(session) << "noesc\nr 3\nsbp -5\nc\n";
  std::string command = kZentra + " debug --port " + std::to_string(port) + " <" + session.string() + " >" +
                        shown.string() + " 2>/dev/null";
  int raw = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 0);
  EXPECT_EQ(exitStatus(), 0) << standardError();
  const std::string text = ResourceTest::ReadFile(shown);
  for (const char* part :
       {"Connected to ZILConsole client on port", "before the break\n", "EXCEPTION 1010 (BREAK EXCEPTION) AT ",
        "[mon] r 3\ntype:        1 [int]\nrefcount:    ", "[mon] sbp -5\n-1\n", "after the break 42\n"})
    EXPECT_NE(text.find(part), std::string::npos) << part << " in\n" << text;
  EXPECT_EQ(text.find('\x1b'), std::string::npos) << "escapes are not passed on to a file";
}

TEST(ZentraDebugOptions, BadPortsAreCommandLineMistakes) {
  for (const char* args :
       {"run --debug-port 70000 x.zc", "run --debug-port=-1 x.zc", "debug --port 0", "debug --port", "debug --bogus"}) {
    int raw = std::system((kZentra + " " + args + " >/dev/null 2>&1").c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2) << args;
  }
}

}  // namespace
