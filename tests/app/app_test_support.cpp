// Helpers of the player's audio tests (see app_test_support.h).
#include "app_test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/zbass.h"

namespace apptest {

void EngineTest::SetUp() {
  setenv("SONABEL_AUDIO_DEVICE", "0", 1);
  ASSERT_NE(ZTools::ZBass::Init(), 0) << BASS_ErrorGetCode();
  BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 3000);
  BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 1000);
  BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 50);
}

void EngineTest::TearDown() {
  while (ZTools::ZBass::InitCount() > 0)
    ZTools::ZBass::Terminate();
}

audiotest::TestServer* startRadioServer() {
  audiotest::makeRadioMp3();
  audiotest::makeAudio("titled.ogg",
                       "-f lavfi -i sine=frequency=440:duration=3 -ac 2 -c:a libvorbis "
                       "-metadata artist=X -metadata title=Y");
  auto* server = new audiotest::TestServer;
  if (!server->start(audiotest::dataDir())) {
    delete server;
    return nullptr;
  }
  return server;
}

pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, int* input,
            const std::string& output) {
  std::vector<char*> argv, envp;
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : env)
    envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int pipeEnds[2] = {-1, -1};
  if (input && pipe2(pipeEnds, O_CLOEXEC) == 0)
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], 0);
  if (!output.empty())
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
    pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  if (pipeEnds[0] >= 0)
    close(pipeEnds[0]);
  if (input)
    *input = pipeEnds[1];
  return pid;
}

int waitExit(pid_t pid, int timeoutMs) {
  for (int waited = 0;; waited += 20) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid)
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (waited >= timeoutMs)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

}  // namespace apptest
