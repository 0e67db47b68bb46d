// Helpers of the player's audio tests (see app_test_support.h).
#include "app_test_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/zbass.h"

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
    if (std::chrono::steady_clock::now() > deadline)
      return false;
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
  while (ZTools::ZBass::InitCount() > 0)
    ZTools::ZBass::Terminate();
}

audiotest::TestServer* startRadioServer() {
  makeAudio("radio.mp3", "-f lavfi -i sine=frequency=440:duration=10 -ac 2 -b:a 128k");
  makeAudio("tagged.ogg",
            "-f lavfi -i sine=frequency=440:duration=3 -ac 2 -c:a libvorbis "
            "-metadata artist=X -metadata title=Y");
  auto* server = new audiotest::TestServer;
  if (!server->start(scratchDir())) {
    delete server;
    return nullptr;
  }
  return server;
}

}  // namespace apptest
