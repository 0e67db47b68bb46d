// bench-links: sonabel_audio
// Internet-radio figures of the audio engine against a local test server (tests/audio/
// icy_server.py) serving a 128 kbit/s MP3 stream:
//   1. CPU time of 30 s of real-time playback by audio-play --no-sound, against
//      `ffmpeg -re -i URL -t 30 -f null -` over the same stream, both running at the same time;
//   2. time from BASS_StreamCreateURL to the first audible sample (median of 5, in process),
//      waiting for the connection and with BASS_STREAM_CONNECT_ASYNC;
//   3. peak resident memory of the audio-play process playing the stream (its own VmHWM), split
//      into pages of mapped files (shared libraries) and anonymous memory while it plays.
// Usage: bench_audio_stream [seconds]   (audio-play must be built beside this program)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/bass.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(const std::vector<std::string>& args, int stdinFd, int stdoutFd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdinFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
  if (stdoutFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
  int devnull = open("/dev/null", O_WRONLY);
  posix_spawn_file_actions_adddup2(&actions, devnull, 2);
  if (stdoutFd < 0)
    posix_spawn_file_actions_adddup2(&actions, devnull, 1);
  std::vector<char*> argv;
  for (const auto& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
    pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(devnull);
  return pid;
}

struct Usage {
  double cpuSeconds;
  long maxRssKb;
};

Usage waitUsage(pid_t pid) {
  int status = 0;
  rusage ru{};
  wait4(pid, &status, 0, &ru);
  auto secs = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
  };
  return Usage{secs(ru.ru_utime) + secs(ru.ru_stime), ru.ru_maxrss};
}

// What /proc tells about a running process, in kB: its own peak resident size and, while it
// runs, the resident pages of mapped files as read from disk (libraries' code and constants),
// the pages of mapped files it has written (libraries' relocated pointers and data), and
// anonymous memory (heaps, stacks, buffers: the engine and FFmpeg's allocations). A child's
// ru_maxrss would not do: posix_spawn runs the child in this process's memory until exec, and
// the kernel carries that peak over into the child's figure.
struct Memory {
  long peakKb = 0;
  long fileKb = 0;
  long libDataKb = 0;
  long anonKb = 0;
};

long procField(const std::string& path, const char* field) {
  std::ifstream in(path);
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(in, line))
    if (line.compare(0, n, field) == 0)
      return std::atol(line.c_str() + n);
  return -1;
}

// Splits the resident pages of /proc/PID/smaps; false when the process is gone.
bool readMappings(const std::string& path, Memory* m) {
  std::ifstream in(path);
  std::string line;
  bool named = false, any = false;
  long rss = 0;
  while (std::getline(in, line)) {
    if (line.empty())
      continue;
    if (std::isxdigit(static_cast<unsigned char>(line[0])) && line.find('-') < line.find(' ')) {
      // "start-end perms offset dev inode [path]": a path of a file, or [heap], [stack], none.
      size_t fields = 0, pos = 0;
      while (fields < 5 && (pos = line.find_first_not_of(' ', line.find(' ', pos))) != std::string::npos)
        ++fields;
      named = fields == 5 && line[pos] == '/';
      any = true;
    } else if (line.compare(0, 4, "Rss:") == 0) {
      rss = std::atol(line.c_str() + 4);
    } else if (line.compare(0, 10, "Anonymous:") == 0) {
      const long anon = std::atol(line.c_str() + 10);
      if (named) {
        m->fileKb += rss - anon;
        m->libDataKb += anon;
      } else {
        m->anonKb += rss;
      }
    }
  }
  return any;
}

// Samples the child every `everyMs` until it exits, then reaps it.
Usage waitWatching(pid_t pid, Memory* memory, int everyMs) {
  const std::string proc = "/proc/" + std::to_string(pid);
  for (;;) {
    long peak = procField(proc + "/status", "VmHWM:");
    if (peak > 0)
      memory->peakKb = std::max(memory->peakKb, peak);
    Memory now;
    if (readMappings(proc + "/smaps", &now) &&
        now.fileKb + now.libDataKb + now.anonKb > memory->fileKb + memory->libDataKb + memory->anonKb) {
      memory->fileKb = now.fileKb;
      memory->libDataKb = now.libDataKb;
      memory->anonKb = now.anonKb;
    }
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, WNOHANG, &ru) == pid) {
      auto secs = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
      };
      return Usage{secs(ru.ru_utime) + secs(ru.ru_stime), ru.ru_maxrss};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(everyMs));
  }
}

std::atomic<int64_t> g_firstSoundNs{0};

void CALLBACK firstSound(HDSP, DWORD, void* buffer, DWORD length, void*) {
  if (g_firstSoundNs.load() != 0)
    return;
  const float* f = static_cast<const float*>(buffer);
  for (DWORD i = 0; i < length / 4; ++i)
    if (f[i] != 0.0f) {
      g_firstSoundNs = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
      return;
    }
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 30;
  namespace fs = std::filesystem;
  fs::path source = fs::path(__FILE__).parent_path().parent_path();
  fs::path self = fs::read_symlink("/proc/self/exe").parent_path();
  std::string player = (self / "audio-play").string();
  if (access(player.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "build audio-play first (%s)\n", player.c_str());
    return 1;
  }
  char tmpl[] = "/tmp/sonabel-bench-XXXXXX";
  std::string dir = mkdtemp(tmpl);
  std::string mp3 = dir + "/bench.mp3";
  std::string gen =
      "ffmpeg -nostdin -loglevel error -y -f lavfi -i 'sine=frequency=440:duration=20' "
      "-f lavfi -i 'anoisesrc=d=20:a=0.1' -filter_complex amix=inputs=2 -ac 2 -ar 44100 -b:a 128k '" +
      mp3 + "'";
  if (std::system(gen.c_str()) != 0)
    return 1;

  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0)
    return 1;
  pid_t server = spawn({"python3", (source / "tests/audio/icy_server.py").string(), dir}, in[0], out[1]);
  close(in[0]);
  close(out[1]);
  char line[64] = {};
  for (size_t used = 0; used < sizeof line - 1; ++used)
    if (read(out[0], line + used, 1) != 1 || line[used] == '\n')
      break;
  int port = 0;
  if (server < 0 || std::sscanf(line, "PORT %d", &port) != 1)
    return 1;
  std::string base = "http://127.0.0.1:" + std::to_string(port);
  std::string url = base + "/live?file=bench.mp3&titles=A|B&interval=10&burst=5";

  // 1 and 3: both players on the same stream at the same time.
  std::printf("playing %d s of a 128 kbit/s MP3 stream in real time...\n", seconds);
  std::fflush(stdout);
  pid_t ours = spawn({player, "--no-sound", "--seconds", std::to_string(seconds), url}, -1, -1);
  pid_t ref = spawn({"ffmpeg", "-nostdin", "-re", "-i", url, "-t", std::to_string(seconds), "-f", "null", "-"}, -1, -1);
  Memory mem;
  Usage u = waitWatching(ours, &mem, 100), r = waitUsage(ref);
  std::printf("CPU time, audio-play:          %.3f s\n", u.cpuSeconds);
  std::printf("CPU time, ffmpeg -re -f null:  %.3f s\n", r.cpuSeconds);
  std::printf("ratio (target <= 1.0):         %.2fx\n", r.cpuSeconds > 0 ? u.cpuSeconds / r.cpuSeconds : 0.0);
  std::printf("peak RSS, audio-play (target < 30 MB): %.1f MB (ffmpeg: %.1f MB)\n", mem.peakKb / 1024.0,
              r.maxRssKb / 1024.0);
  std::printf(
      "  at its largest while playing: libraries' pages read from disk %.1f MB, written by loading and\n"
      "  running them %.1f MB; heaps, stacks and buffers (engine and FFmpeg) %.1f MB\n",
      mem.fileKb / 1024.0, mem.libDataKb / 1024.0, mem.anonKb / 1024.0);

  // The same program waiting on a server that never answers (it gives up after the 5 s
  // time-out): what loading FFmpeg, libopenmpt, SDL2 and their ~150 dependent libraries and
  // starting the engine cost before any audio.
  Memory idle;
  waitWatching(spawn({player, "--no-sound", base + "/hang"}, -1, -1), &idle, 100);
  std::printf(
      "  started but not playing (a server that never answers): %.1f MB (files %.1f, written %.1f, heaps %.1f);\n"
      "  playing adds %.1f MB\n",
      idle.peakKb / 1024.0, idle.fileKb / 1024.0, idle.libDataKb / 1024.0, idle.anonKb / 1024.0,
      (mem.peakKb - idle.peakKb) / 1024.0);

  // 2: creation to the first audible sample, in this process on the silent device: waiting
  // for the connection, and connecting on the stream's own thread (the skins' way).
  BASS_Init(0, 44100, 0, nullptr, nullptr);
  for (DWORD connect : {DWORD(0), DWORD(BASS_STREAM_CONNECT_ASYNC)}) {
    std::vector<double> latencies;
    for (int i = 0; i < 5; ++i) {
      g_firstSoundNs = 0;
      auto t0 = Clock::now();
      HSTREAM h = BASS_StreamCreateURL(url.c_str(), 0, BASS_SAMPLE_FLOAT | connect, nullptr, nullptr);
      if (!h) {
        std::printf("stream failed: %d\n", BASS_ErrorGetCode());
        break;
      }
      BASS_ChannelSetDSP(h, firstSound, nullptr, 0);
      BASS_ChannelPlay(h, FALSE);
      while (g_firstSoundNs.load() == 0 && Clock::now() - t0 < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      int64_t t0ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t0.time_since_epoch()).count();
      latencies.push_back((g_firstSoundNs.load() - t0ns) / 1e6);
      BASS_StreamFree(h);
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty())
      std::printf("create%s to first audible sample (target < 300 ms): median %.1f ms (min %.1f, max %.1f)\n",
                  connect ? " (connecting on its own thread)" : "", latencies[latencies.size() / 2], latencies.front(),
                  latencies.back());
  }
  BASS_Free();

  close(in[1]);
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  fs::remove_all(dir);
  return 0;
}
