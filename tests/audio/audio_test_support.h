// Shared helpers of the audio engine tests (and of the player's and the tools' tests that play
// radio): an engine fixture on the silent device, test audio made with ffmpeg, a generated
// tracker module, waiting with a time limit, and the Python test radio server (icy_server.py)
// on 127.0.0.1.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/bass.h"

namespace audiotest {

// A scratch folder of this test process, removed at exit.
const std::string& workDir();
// Generated test inputs, kept in the build folder so that each test process (ctest runs one
// per test) does not make them again.
const std::string& dataDir();
// Runs ffmpeg with the given arguments writing dataDir()/name unless it exists; returns the path.
std::string makeAudio(const std::string& name, const std::string& ffmpegArgs);
// Runs a shell command that writes `path` (given as {out}) unless it exists; atomically.
bool makeFile(const std::string& path, const std::string& command);
std::vector<uint8_t> readFile(const std::string& path);
// radio.mp3 in dataDir(): 10 s of a 440 Hz tone at 128 kbit/s, the stream the radio tests play.
std::string makeRadioMp3();
// A two-order ProTracker module with a looped square-wave sample, about 2.6 s long.
std::vector<uint8_t> makeModule(const std::string& title);

bool waitFor(const std::function<bool()>& condition, int timeoutMs);
// A sync callback counting its calls in the std::atomic<int> it is given.
void CALLBACK countSync(HSYNC, DWORD, DWORD, void* user);

// The engine on device 0 with short network buffers; freed after each test.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

class TestServer {
 public:
  // With a certificate and key the server also answers https on tlsPort().
  bool start(const std::string& dataDir, const std::string& cert = "", const std::string& key = "");
  void stop();
  ~TestServer() { stop(); }
  std::string url(const std::string& pathAndQuery) const;
  int port() const { return port_; }
  int tlsPort() const { return tlsPort_; }

 private:
  pid_t pid_ = -1;
  int stdinFd_ = -1;
  int port_ = 0;
  int tlsPort_ = 0;
};

}  // namespace audiotest
