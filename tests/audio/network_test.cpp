// Internet radio against the local test server: ICY titles and META syncs, header tags, error
// codes, redirects and playlists, drops, stalls, hostile metadata, slow servers, chained Ogg
// and HLS; and the audio-play example program with its command line.
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio_test_support.h"

using namespace audiotest;

namespace {

TestServer* g_server = nullptr;

struct MetaLog {
  std::mutex lock;
  std::vector<std::string> metas;
  std::vector<double> heardAt;  // playback position (s) when each one fired
  std::atomic<int> count{0};
};

void CALLBACK recordMeta(HSYNC, DWORD channel, DWORD, void* user) {
  auto* log = static_cast<MetaLog*>(user);
  const char* meta = BASS_ChannelGetTags(channel, BASS_TAG_META);
  std::string text;
  if (meta && std::strncmp(meta, "StreamTitle", 11) == 0) {
    text = meta;
  } else {
    for (const char* p = meta; p && *p; p += std::strlen(p) + 1)
      text += std::string(p) + "\n";
  }
  double at = BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetPosition(channel, BASS_POS_BYTE));
  std::lock_guard<std::mutex> guard(log->lock);
  log->metas.push_back(text);
  log->heardAt.push_back(at);
  ++log->count;
}

std::string encoded(const std::string& url) {
  std::string out;
  for (char c : url) {
    if (c == '&' || c == '?' || c == '=' || c == '%' || c == ',') {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

const std::string kAudioPlay = SONABEL_BINARY_DIR "/audio-play";

bool haveAudioPlay() { return access(kAudioPlay.c_str(), X_OK) == 0; }

struct Played {
  int status = -1;
  std::string out, err;
};

// Runs audio-play with a shell command line's arguments, after the environment settings in `env`.
Played runAudioPlay(const std::string& arguments, const std::string& env = "") {
  const std::string out = workDir() + "/play.out", err = workDir() + "/play.err";
  const int raw = std::system((env + " '" + kAudioPlay + "' " + arguments + " >'" + out + "' 2>'" + err + "'").c_str());
  auto text = [](const std::string& path) {
    const std::vector<uint8_t> bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
  };
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text(out), text(err)};
}

bool listHas(const char* list, const std::string& text) {
  for (const char* p = list; p && *p; p += std::strlen(p) + 1)
    if (strcasecmp(p, text.c_str()) == 0)
      return true;
  return false;
}

class NetworkTest : public EngineTest {
 protected:
  static void SetUpTestSuite() {
    makeRadioMp3();
    const std::string& d = dataDir();
    for (std::string ext : {"ogg", "opus"}) {
      std::string codec = ext == "ogg" ? "libvorbis" : "libopus";
      std::string first = makeAudio(
          "first." + ext, "-f lavfi -i sine=frequency=300:duration=0.6 -c:a " + codec + " -metadata title=First");
      std::string second = makeAudio(
          "second." + ext, "-f lavfi -i sine=frequency=600:duration=0.6 -c:a " + codec + " -metadata title=Second");
      ASSERT_TRUE(makeFile(d + "/chained." + ext, "cat '" + first + "' '" + second + "' > {out}"));
    }
    makeAudio("index.m3u8",
              "-f lavfi -i sine=frequency=800:duration=2 -c:a aac -f hls -hls_time 1 -hls_list_size 0 "
              "-hls_segment_filename '" +
                  d + "/seg%d.ts'");
    std::string pem = d + "/server.pem";  // key and certificate in one file
    std::string parts = workDir() + "/part";
    ASSERT_TRUE(makeFile(pem, "openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj /CN=127.0.0.1 -keyout '" +
                                  parts + ".key' -out '" + parts + ".crt' 2>/dev/null && cat '" + parts + ".key' '" +
                                  parts + ".crt' > {out}"));
    g_server = new TestServer();
    ASSERT_TRUE(g_server->start(d, pem, pem));
  }
  static void TearDownTestSuite() {
    delete g_server;
    g_server = nullptr;
  }
  std::string url(const std::string& path) { return g_server->url(path); }
  HSTREAM open(const std::string& path) {
    return BASS_StreamCreateURL(url(path).c_str(), 0, BASS_SAMPLE_FLOAT, nullptr, nullptr);
  }
};

}  // namespace

TEST_F(NetworkTest, IcyStreamHasTagsAndReportsTitleChanges) {
  auto start = std::chrono::steady_clock::now();
  HSTREAM h = open("/live?file=radio.mp3&titles=Artist%20-%20Song|Next%20One&interval=2&burst=1");
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000)) << "a burst starts at once";
  const char* meta = BASS_ChannelGetTags(h, BASS_TAG_META);
  ASSERT_NE(meta, nullptr);
  EXPECT_STREQ(meta, "StreamTitle='Artist - Song';StreamUrl='';");
  const char* icy = BASS_ChannelGetTags(h, BASS_TAG_ICY);
  EXPECT_TRUE(listHas(icy, "icy-name: Test Radio"));
  EXPECT_TRUE(listHas(icy, "icy-br: 128"));
  EXPECT_TRUE(listHas(BASS_ChannelGetTags(h, BASS_TAG_HTTP), "Content-Type: audio/mpeg"));
  EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), static_cast<QWORD>(-1));
  EXPECT_FALSE(BASS_ChannelSetPosition(h, 0, BASS_POS_BYTE));

  MetaLog log;
  ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_META, 0, recordMeta, &log), 0u);
  ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
  ASSERT_TRUE(waitFor([&] { return log.count >= 1; }, 3000));
  {
    std::lock_guard<std::mutex> guard(log.lock);
    EXPECT_EQ(log.metas[0], "StreamTitle='Next One';StreamUrl='';");
  }
  EXPECT_EQ(BASS_ChannelIsActive(h), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
  EXPECT_GT(BASS_ChannelGetLevel(h) & 0xffff, 1000u);
  double heard = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h, BASS_POS_BYTE));
  EXPECT_NEAR(heard, 2.0, 0.3) << "the new title comes when its part of the stream plays";
  auto freeStart = std::chrono::steady_clock::now();
  EXPECT_TRUE(BASS_StreamFree(h));
  EXPECT_LT(std::chrono::steady_clock::now() - freeStart, std::chrono::milliseconds(500));
}

TEST_F(NetworkTest, HttpsStreamPlays) {
  std::string address =
      "https://127.0.0.1:" + std::to_string(g_server->tlsPort()) + "/live?file=radio.mp3&titles=Secure";
  HSTREAM h = BASS_StreamCreateURL(address.c_str(), 0, BASS_SAMPLE_FLOAT, nullptr, nullptr);
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  EXPECT_STREQ(BASS_ChannelGetTags(h, BASS_TAG_META), "StreamTitle='Secure';StreamUrl='';");
  ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
  EXPECT_TRUE(waitFor([&] { return (BASS_ChannelGetLevel(h) & 0xffff) > 1000; }, 1000));
}

TEST_F(NetworkTest, FailuresGiveTheLibraryCodes) {
  struct Case {
    std::string path;
    int code;
  };
  const Case cases[] = {
      {"/status?code=404", BASS_ERROR_FILEOPEN},
      {"/status?code=500", BASS_ERROR_FILEOPEN},
      {"/html", BASS_ERROR_FILEFORM},
      {"/garbage", BASS_ERROR_FILEFORM},
      {"/list?kind=pls&to=" + encoded(url("/status?code=404")), BASS_ERROR_FILEOPEN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(open(c.path), 0u) << c.path;
    EXPECT_EQ(BASS_ErrorGetCode(), c.code) << c.path;
  }
  // Nobody listening: refused at once.
  EXPECT_EQ(BASS_StreamCreateURL("http://127.0.0.1:1/", 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
  EXPECT_EQ(BASS_StreamCreateURL("file:///etc/passwd", 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
  // A server that never answers: the configured time-out.
  BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 600);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(open("/hang"), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GT(took, std::chrono::milliseconds(500));
  EXPECT_LT(took, std::chrono::milliseconds(1500));
  // A playlist of silent servers is given up after about twice the time-out, not one each.
  BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 400);
  std::string hang = encoded(url("/hang"));
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(open("/list?kind=pls&to=" + hang + "," + hang + "," + hang + "," + hang + "," + hang), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1600));
}

TEST_F(NetworkTest, RedirectsAndPlaylistsLeadToTheFirstWorkingEntry) {
  std::string live = encoded(url("/live?file=radio.mp3&titles=Listed"));
  std::string bad = encoded(url("/status?code=404"));
  const std::string paths[] = {
      "/redirect?to=" + live,
      "/list?kind=pls&to=" + bad + "," + live,
      "/list?kind=m3u&to=" + bad + "," + encoded(url("/redirect?to=" + live)),
  };
  for (const auto& path : paths) {
    HSTREAM h = open(path);
    ASSERT_NE(h, 0u) << path << " error " << BASS_ErrorGetCode();
    EXPECT_STREQ(BASS_ChannelGetTags(h, BASS_TAG_META), "StreamTitle='Listed';StreamUrl='';") << path;
    BASS_StreamFree(h);
  }
}

TEST_F(NetworkTest, ClosedConnectionEndsAndStallResumes) {
  HSTREAM dropped = open("/live?file=radio.mp3&burst=1&drop=0.5");
  ASSERT_NE(dropped, 0u);
  // Resuming takes more than the lead at which a playing stream reads in bursts.
  BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 80);
  HSTREAM stalling = open("/live?file=radio.mp3&burst=0.6&stall=1:1.5");
  ASSERT_NE(stalling, 0u);
  std::atomic<int> ends{0}, stallEvents{0};
  BASS_ChannelSetSync(dropped, BASS_SYNC_END, 0, countSync, &ends);
  BASS_ChannelSetSync(stalling, BASS_SYNC_STALL, 0, countSync, &stallEvents);
  ASSERT_TRUE(BASS_ChannelPlay(dropped, FALSE));
  ASSERT_TRUE(BASS_ChannelPlay(stalling, FALSE));
  EXPECT_TRUE(waitFor([&] { return BASS_ChannelIsActive(stalling) == BASS_ACTIVE_STALLED; }, 2500));
  EXPECT_TRUE(waitFor([&] { return ends.load() == 1; }, 3000)) << "the dropped stream plays out and ends";
  EXPECT_EQ(BASS_ChannelIsActive(dropped), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
  EXPECT_FALSE(BASS_ChannelPlay(dropped, FALSE));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
  EXPECT_TRUE(waitFor([&] { return BASS_ChannelIsActive(stalling) == BASS_ACTIVE_PLAYING; }, 3000)) << "data came back";
  EXPECT_TRUE(waitFor([&] { return stallEvents.load() >= 2; }, 500)) << "stalled and resumed syncs";
}

TEST_F(NetworkTest, HostileMetadataAndSlowServersAreHarmless) {
  HSTREAM huge = open("/live?file=radio.mp3&meta=huge&metaint=1000");
  ASSERT_NE(huge, 0u);
  const char* meta = BASS_ChannelGetTags(huge, BASS_TAG_META);
  ASSERT_NE(meta, nullptr);
  EXPECT_EQ(std::strlen(meta), 255u * 16);
  HSTREAM broken = open("/live?file=radio.mp3&meta=malformed&metaint=16&garbage=0.2");
  ASSERT_NE(broken, 0u);
  EXPECT_EQ(std::string(BASS_ChannelGetTags(broken, BASS_TAG_META)).rfind("StreamTitle='Artist - Song", 0), 0u);
  BASS_ChannelPlay(huge, FALSE);
  BASS_ChannelPlay(broken, FALSE);

  // 1 KB/s of a 128 kbit/s stream: either too slow to start within the time-out, or a stream
  // that stalls; freeing it must not wait for the server.
  BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 1000);
  auto start = std::chrono::steady_clock::now();
  HSTREAM slow = open("/live?file=radio.mp3&bps=1000&burst=0");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
  if (slow) {
    BASS_ChannelPlay(slow, FALSE);
    EXPECT_TRUE(waitFor([&] { return BASS_ChannelIsActive(slow) == BASS_ACTIVE_STALLED; }, 2000));
    auto freeStart = std::chrono::steady_clock::now();
    EXPECT_TRUE(BASS_StreamFree(slow));
    EXPECT_LT(std::chrono::steady_clock::now() - freeStart, std::chrono::milliseconds(500));
  } else {
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(BASS_ChannelIsActive(huge), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
  // Noise in the audio is skipped (a slow machine may leave the stream stalled, never ended).
  EXPECT_NE(BASS_ChannelIsActive(broken), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
  EXPECT_GT(BASS_ChannelGetPosition(broken, BASS_POS_BYTE), 44100u * 8 * 35 / 100);
}

TEST_F(NetworkTest, ChainedOggReportsEachCommentListWithoutStopping) {
  const char* files[] = {"chained.ogg", "chained.opus"};  // Vorbis and Opus, played side by side
  HSTREAM h[2];
  MetaLog log[2];
  std::atomic<int> ends[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    h[i] = open(std::string("/file?file=") + files[i]);
    ASSERT_NE(h[i], 0u) << files[i] << " error " << BASS_ErrorGetCode();
    EXPECT_TRUE(listHas(BASS_ChannelGetTags(h[i], BASS_TAG_META), "title=First")) << files[i];
    BASS_ChannelSetSync(h[i], BASS_SYNC_META, 0, recordMeta, &log[i]);
    BASS_ChannelSetSync(h[i], BASS_SYNC_END, 0, countSync, &ends[i]);
  }
  for (HSTREAM s : h)
    ASSERT_TRUE(BASS_ChannelPlay(s, FALSE));
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(waitFor([&] { return log[i].count >= 1; }, 3000)) << files[i];
    {
      std::lock_guard<std::mutex> guard(log[i].lock);
      EXPECT_EQ(log[i].metas.back().find("First"), std::string::npos) << log[i].metas.back();
      EXPECT_NE(log[i].metas.back().find("Second"), std::string::npos) << log[i].metas.back();
      EXPECT_NEAR(log[i].heardAt.back(), 0.6, 0.1) << files[i] << ": reported when the second part starts playing";
    }
    EXPECT_EQ(ends[i].load(), 0);
  }
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(waitFor([&] { return ends[i].load() == 1; }, 3000));
    double played = BASS_ChannelBytes2Seconds(h[i], BASS_ChannelGetPosition(h[i], BASS_POS_BYTE));
    EXPECT_NEAR(played, 1.2, 0.1) << files[i] << ": both parts played in full";
    EXPECT_TRUE(listHas(BASS_ChannelGetTags(h[i], BASS_TAG_OGG), "title=Second"));
    EXPECT_EQ(log[i].count.load(), 1);
  }
}

TEST_F(NetworkTest, HlsPlaylistPlays) {
  HSTREAM h = open("/static/index.m3u8");
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  std::atomic<int> ends{0};
  BASS_ChannelSetSync(h, BASS_SYNC_END, 0, countSync, &ends);
  ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_GT(BASS_ChannelGetLevel(h) & 0xffff, 1000u);
  ASSERT_TRUE(waitFor([&] { return ends.load() == 1; }, 4000));
  double played = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h, BASS_POS_BYTE));
  EXPECT_NEAR(played, 2.0, 0.15);
}

// The audio-play example program, end to end: titles as they change, "end", and what cannot be
// played as "error: CODE (TEXT)" with status 1, a missing sound device pointing to --no-sound.
TEST_F(NetworkTest, AudioPlayPrintsTitlesEndAndErrors) {
  if (!haveAudioPlay())
    GTEST_SKIP() << "audio-play is not built";
  const std::string mod = workDir() + "/tune.mod", missing = workDir() + "/missing.mp3";
  const std::vector<uint8_t> tune = makeModule("Tracker Tune");
  std::ofstream(mod, std::ios::binary)
      .write(reinterpret_cast<const char*>(tune.data()), static_cast<std::streamsize>(tune.size()));
  const std::string cannotOpen = "error: 2 (the file or address cannot be opened, or the server refused it)\n";
  const struct {
    std::string arguments, env, out;
    int status;
  } cases[] = {
      {"--no-sound '" + url("/live?file=radio.mp3&titles=One|Two&interval=2&burst=4&drop=0.5") + "'", "",
       "title: One\ntitle: Two\ntitle: One\nend\n", 0},
      {"--no-sound --seconds 1 " + mod, "", "title: Tracker Tune\n", 0},
      {"--no-sound '" + url("/status?code=404") + "'", "", cannotOpen, 1},
      {"--no-sound " + missing, "", cannotOpen, 1},
      {missing, "SDL_AUDIODRIVER=no-such-driver",
       "error: 23 (no sound output device can be opened; --no-sound plays without a sound device)\n", 1},
  };
  for (const auto& c : cases) {
    Played p = runAudioPlay(c.arguments, c.env);
    EXPECT_EQ(p.out, c.out) << c.arguments;
    EXPECT_EQ(p.status, c.status) << c.arguments;
  }
}

// A wrong command line is one line on standard error and status 2.
TEST(AudioPlay, CommandLineMistakesAreOneLineAndStatus2) {
  if (!haveAudioPlay())
    GTEST_SKIP() << "audio-play is not built";
  const std::pair<const char*, const char*> mistakes[] = {
      {"", "missing URL or file"},
      {"--loud a.mp3", "unknown option '--loud'"},
      {"a.mp3 --seconds", "option --seconds needs a value"},
      {"--seconds ten a.mp3", "option --seconds takes a number of seconds, not 'ten'"},
      {"--seconds=-1 a.mp3", "option --seconds takes a number of seconds, not '-1'"},
      {"a.mp3 b.mp3", "plays one URL or file; 'b.mp3' is one too many"},
  };
  for (const auto& [arguments, error] : mistakes) {
    Played p = runAudioPlay(arguments);
    EXPECT_EQ(p.status, 2) << arguments;
    EXPECT_EQ(p.err, std::string("audio-play: ") + error + "\nTry 'audio-play --help'.\n") << arguments;
    EXPECT_EQ(p.out, "") << arguments;
  }
  EXPECT_EQ(runAudioPlay("--help").status, 0);
}

TEST_F(NetworkTest, AsyncConnectReturnsAtOnceAndReportsHowConnectingWent) {
  struct Case {
    const char* path;
    int result;  // once connecting is over
  } cases[] = {{"/live?file=radio.mp3&titles=Async%20Title&burst=1", BASS_OK},
               {"/status?code=404", BASS_ERROR_FILEOPEN}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto start = std::chrono::steady_clock::now();
    HSTREAM h = BASS_StreamCreateURL(url(c.path).c_str(), 0, BASS_STREAM_CONNECT_ASYNC, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    ASSERT_TRUE(waitFor([&] { return BASS_StreamGetConnectResult(h) != -1; }, 5000));
    EXPECT_EQ(BASS_StreamGetConnectResult(h), c.result);
    if (c.result == BASS_OK) {
      EXPECT_TRUE(waitFor([&] { return BASS_ChannelIsActive(h) == BASS_ACTIVE_PLAYING; }, 2000));
      EXPECT_STREQ(BASS_ChannelGetTags(h, BASS_TAG_META), "StreamTitle='Async Title';StreamUrl='';");
      EXPECT_TRUE(waitFor([&] { return (BASS_ChannelGetLevel(h) & 0xffff) > 1000u; }, 1000)) << "it is heard";
    } else {
      EXPECT_TRUE(waitFor([&] { return BASS_ChannelIsActive(h) == BASS_ACTIVE_STOPPED; }, 1000));
    }
    EXPECT_TRUE(BASS_StreamFree(h));
  }
  // A server that never answers: the stream stays stalled while it tries, and freeing it does
  // not wait for the time-out.
  HSTREAM hung = BASS_StreamCreateURL(url("/hang").c_str(), 0, BASS_STREAM_CONNECT_ASYNC, nullptr, nullptr);
  ASSERT_NE(hung, 0u);
  BASS_ChannelPlay(hung, FALSE);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(BASS_StreamGetConnectResult(hung), -1);
  EXPECT_EQ(BASS_ChannelIsActive(hung), static_cast<DWORD>(BASS_ACTIVE_STALLED));
  auto freeStart = std::chrono::steady_clock::now();
  EXPECT_TRUE(BASS_StreamFree(hung));
  EXPECT_LT(std::chrono::steady_clock::now() - freeStart, std::chrono::milliseconds(500));
  EXPECT_EQ(BASS_StreamGetConnectResult(hung), BASS_ERROR_HANDLE);
}
