// Helpers of the player's audio tests: the engine on its silent device through ZBass, test
// audio made with ffmpeg in a scratch folder, waiting with a limit, and the engine tests'
// radio server (tests/audio/icy_server.py) started on 127.0.0.1 for the metadata tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <string>

#include "audio/bass.h"

namespace apptest {

// A scratch folder of this test process, removed at exit.
const std::string& scratchDir();
// Runs ffmpeg with `args` writing scratchDir()/name (once per process); returns the path.
std::string makeAudio(const std::string& name, const std::string& args);
bool waitFor(const std::function<bool()>& condition, int timeoutMs);

// ZBass initialised on device 0 (no sound) for each test.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

class RadioServer {
 public:
  bool start(const std::string& dataDir);
  void stop();
  ~RadioServer() { stop(); }
  std::string url(const std::string& pathAndQuery) const;

 private:
  pid_t mPid = -1;
  int mStdin = -1;
  int mPort = 0;
};

}  // namespace apptest
