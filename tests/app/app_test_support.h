// Helpers of the player's audio tests: the engine on its silent device through ZBass, test
// audio made with ffmpeg in a scratch folder, and waiting with a limit. The radio server
// comes from the engine tests' helpers.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <string>

#include "audio/bass.h"
#include "tests/audio/audio_test_support.h"

namespace apptest {

// A scratch folder of this test process, removed at exit.
const std::string& scratchDir();
// Runs ffmpeg with `args` writing scratchDir()/name (once per process); returns the path.
std::string makeAudio(const std::string& name, const std::string& args);
bool waitFor(const std::function<bool()>& condition, int timeoutMs);

// The radio test files (radio.mp3: 10 s of MP3; tagged.ogg: Vorbis with title Y) made in the
// scratch folder and served by a local test server; null when the server did not start.
audiotest::TestServer* startRadioServer();

// ZBass initialised on device 0 (no sound) for each test.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace apptest
