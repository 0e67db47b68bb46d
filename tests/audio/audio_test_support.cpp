// Shared helpers of the audio engine tests (see audio_test_support.h).
#include "audio_test_support.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace audiotest {

const std::string& workDir() {
  struct TempDir {
    std::string path;
    TempDir() {
      char tmpl[] = "/tmp/sonabel-audio-XXXXXX";
      path = mkdtemp(tmpl);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
  };
  static TempDir dir;
  return dir.path;
}

const std::string& dataDir() {
  static std::string dir = [] {
    std::string d = std::string(SONABEL_BINARY_DIR) + "/audio-test-data";
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

bool makeFile(const std::string& path, const std::string& command) {
  if (std::filesystem::exists(path))
    return true;
  // Written under a temporary name (same extension) and renamed: parallel test processes.
  std::filesystem::path p(path);
  std::string temp = (p.parent_path() / ("tmp-" + std::to_string(getpid()) + "-" + p.filename().string())).string();
  std::string cmd = command;
  for (size_t at; (at = cmd.find("{out}")) != std::string::npos;)
    cmd.replace(at, 5, "'" + temp + "'");
  if (std::system(cmd.c_str()) != 0) {
    ADD_FAILURE() << "failed: " << cmd;
    std::filesystem::remove(temp);
    return false;
  }
  std::filesystem::rename(temp, path);
  return true;
}

std::string makeAudio(const std::string& name, const std::string& ffmpegArgs) {
  std::string path = dataDir() + "/" + name;
  makeFile(path, "ffmpeg -nostdin -loglevel error -y " + ffmpegArgs + " {out}");
  return path;
}

std::string makeRadioMp3() {
  return makeAudio("radio.mp3", "-f lavfi -i sine=frequency=440:duration=10 -ac 2 -b:a 128k");
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> makeModule(const std::string& title) {
  std::vector<uint8_t> m(20, 0);
  std::memcpy(m.data(), title.data(), std::min<size_t>(title.size(), 20));
  const size_t sampleWords = 16;  // a 32-byte square wave, looped
  for (int s = 0; s < 31; ++s) {
    uint8_t header[30] = {};
    if (s == 0) {
      std::memcpy(header, "square", 6);
      header[22] = 0;
      header[23] = sampleWords;
      header[25] = 64;           // volume
      header[29] = sampleWords;  // loop length in words
    }
    m.insert(m.end(), header, header + 30);
  }
  m.push_back(2);  // song length: two orders
  m.push_back(127);
  std::vector<uint8_t> orders(128, 0);
  orders[1] = 1;
  m.insert(m.end(), orders.begin(), orders.end());
  for (char c : std::string("M.K."))
    m.push_back(static_cast<uint8_t>(c));
  for (int p = 0; p < 2; ++p) {
    std::vector<uint8_t> pattern(64 * 4 * 4, 0);
    uint16_t period = p == 0 ? 428 : 214;  // C-3, then C-4
    uint8_t* cell = pattern.data();
    cell[0] = static_cast<uint8_t>(period >> 8);
    cell[1] = static_cast<uint8_t>(period & 0xff);
    cell[2] = 0x1F;  // sample 1, effect F (speed)
    cell[3] = 0x01;  // one tick per row: 64 rows = 1.28 s
    m.insert(m.end(), pattern.begin(), pattern.end());
  }
  for (size_t i = 0; i < sampleWords * 2; ++i)
    m.push_back(i < sampleWords ? 0x60 : 0xA0);
  return m;
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

void CALLBACK countSync(HSYNC, DWORD, DWORD, void* user) { ++*static_cast<std::atomic<int>*>(user); }

void EngineTest::SetUp() {
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
  BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 3000);
  BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 1000);
  BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 50);
  BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1);
}

void EngineTest::TearDown() { BASS_Free(); }

bool TestServer::start(const std::string& dataDir, const std::string& cert, const std::string& key) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0)
    return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string script = std::string(SONABEL_SOURCE_DIR) + "/tests/audio/icy_server.py";
  const char* argv[] = {"python3", script.c_str(), dataDir.c_str(), nullptr, nullptr, nullptr};
  if (!cert.empty()) {
    argv[3] = cert.c_str();
    argv[4] = key.c_str();
  }
  int r = posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  stdinFd_ = in[1];
  if (r != 0) {
    pid_ = -1;
    close(out[0]);
    return false;
  }
  auto readLine = [&] {
    char line[64] = {};
    for (size_t used = 0; used < sizeof line - 1; ++used)
      if (read(out[0], line + used, 1) != 1 || line[used] == '\n')
        break;
    return std::string(line);
  };
  bool ok = std::sscanf(readLine().c_str(), "PORT %d", &port_) == 1;
  if (ok && !cert.empty())
    ok = std::sscanf(readLine().c_str(), "TLSPORT %d", &tlsPort_) == 1;
  close(out[0]);
  return ok;
}

void TestServer::stop() {
  if (stdinFd_ >= 0)
    close(stdinFd_);
  stdinFd_ = -1;
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
}

std::string TestServer::url(const std::string& pathAndQuery) const {
  return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

}  // namespace audiotest
