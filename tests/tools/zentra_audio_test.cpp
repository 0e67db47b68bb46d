// `zentra --with audio examples/radio.zc URL SECONDS [LOW MID HIGH]` run as a user runs it,
// on the engine's no-sound device, against the audio tests' radio server on 127.0.0.1: the
// title lines as the station changes its title, and "error: CODE" with status 1 for a stream
// that cannot be opened.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

extern char** environ;

namespace {

// A scratch folder with a short MP3 the server loops, and the server itself.
class RadioStation {
 public:
  RadioStation() {
    char pattern[] = "/tmp/zentra-audio-XXXXXX";
    dir_ = mkdtemp(pattern);
    std::string mp3 = dir_ + "/station.mp3";
    std::string make =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=frequency=440:duration=6 -ac 2 -b:a 128k '" + mp3 + "'";
    if (std::system(make.c_str()) != 0)
      return;
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
      return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string script = std::string(SONABEL_SOURCE_DIR) + "/tests/audio/icy_server.py";
    const char* argv[] = {"python3", script.c_str(), dir_.c_str(), nullptr};
    int r = posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    if (r != 0)
      pid_ = -1;
    char line[64] = {};
    for (size_t used = 0; r == 0 && used < sizeof line - 1; ++used)
      if (read(out[0], line + used, 1) != 1 || line[used] == '\n')
        break;
    close(out[0]);
    if (std::sscanf(line, "PORT %d", &port_) != 1)
      port_ = 0;
  }
  ~RadioStation() {
    if (stdin_ >= 0)
      close(stdin_);
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove_all(dir_);
  }
  bool Running() const { return port_ > 0; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  const std::string& Dir() const { return dir_; }

 private:
  std::string dir_;
  pid_t pid_ = -1;
  int stdin_ = -1;
  int port_ = 0;
};

struct RunResult {
  int status = -1;
  std::string out, err;
};

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

RunResult RunRadio(const RadioStation& station, const std::string& args) {
  std::string command = "SONABEL_AUDIO_DEVICE=0 '" SONABEL_BINARY_DIR "/zentra' --with audio '" SONABEL_SOURCE_DIR
                        "/examples/radio.zc' " +
                        args + " >'" + station.Dir() + "/out' 2>'" + station.Dir() + "/err'";
  int raw = std::system(command.c_str());
  RunResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadWhole(station.Dir() + "/out");
  result.err = ReadWhole(station.Dir() + "/err");
  return result;
}

}  // namespace

TEST(ZentraAudioTest, RadioExamplePrintsTitlesAsTheyChangeAndErrorsOfUnopenableStreams) {
  RadioStation station;
  ASSERT_TRUE(station.Running()) << "the radio server did not start";

  // Titles change every 0.8 s of stream time; two seconds of playing see both.
  std::string url =
      station.Url("/live?file=station.mp3&titles=First%20Song|Second%20Song&interval=0.8&burst=1&metaint=2000");
  RunResult played = RunRadio(station, "'" + url + "' 2 -6 0 6");
  EXPECT_EQ(played.status, 0) << played.err;
  EXPECT_EQ(played.out.rfind("title: First Song\ntitle: Second Song\n", 0), 0u) << played.out << played.err;

  RunResult refused = RunRadio(station, "'" + station.Url("/status?code=404") + "' 1");
  EXPECT_EQ(refused.status, 1) << refused.err;
  int code = 0;
  EXPECT_EQ(std::sscanf(refused.out.c_str(), "error: %d\n", &code), 1) << refused.out;
  EXPECT_NE(code, 0) << refused.out;
}
