// Helpers of the player's audio tests (see app_test_support.h).
#include "app_test_support.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/zbass.h"

extern char** environ;

namespace apptest {

const std::string& scratchDir() {
  struct Dir {
    std::string path;
    Dir() {
      char pattern[] = "/tmp/sonabel-app-XXXXXX";
      path = mkdtemp(pattern);
    }
    ~Dir() { std::filesystem::remove_all(path); }
  };
  static Dir dir;
  return dir.path;
}

std::string makeAudio(const std::string& name, const std::string& args) {
  std::string path = scratchDir() + "/" + name;
  if (!std::filesystem::exists(path)) {
    std::string cmd = "ffmpeg -nostdin -loglevel error -y " + args + " '" + path + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
  return path;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void EngineTest::SetUp() {
  setenv("SONABEL_AUDIO_DEVICE", "0", 1);
  ASSERT_NE(ZTools::ZBass::Init(), 0) << BASS_ErrorGetCode();
  BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 3000);
  BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 1000);
  BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 50);
}

void EngineTest::TearDown() {
  while (ZTools::ZBass::InitCount() > 0) ZTools::ZBass::Terminate();
}

bool RadioServer::start(const std::string& dataDir) {
  int toServer[2], fromServer[2];
  if (pipe(toServer) != 0) return false;
  if (pipe(fromServer) != 0) {
    close(toServer[0]);
    close(toServer[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toServer[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromServer[1], 1);
  posix_spawn_file_actions_addclose(&actions, toServer[1]);
  posix_spawn_file_actions_addclose(&actions, fromServer[0]);
  std::string script = std::string(SONABEL_SOURCE_DIR) + "/tests/audio/icy_server.py";
  const char* argv[] = {"python3", script.c_str(), dataDir.c_str(), nullptr};
  int r = posix_spawnp(&mPid, "python3", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toServer[0]);
  close(fromServer[1]);
  mStdin = toServer[1];
  if (r != 0) mPid = -1;
  // The server's first line: "PORT <n>".
  std::string line;
  char c;
  while (r == 0 && line.size() < 64 && read(fromServer[0], &c, 1) == 1 && c != '\n') line += c;
  close(fromServer[0]);
  return mPid > 0 && std::sscanf(line.c_str(), "PORT %d", &mPort) == 1;
}

void RadioServer::stop() {
  if (mStdin >= 0) close(mStdin);
  mStdin = -1;
  if (mPid > 0) {
    kill(mPid, SIGTERM);
    waitpid(mPid, nullptr, 0);
  }
  mPid = -1;
}

std::string RadioServer::url(const std::string& pathAndQuery) const {
  return "http://127.0.0.1:" + std::to_string(mPort) + pathAndQuery;
}

}  // namespace apptest
