// The channel and sample records behind the script audio classes, on the engine's silent
// device: whole-file loading through a host file input, the device's Init counting, file
// streams, samples with several voices, and radio streams from the engine tests' server with
// their header lines, ICY and Ogg titles and metadata counting, including freeing a channel
// while its metadata sync is busy.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "app/audio_file_input.h"
#include "app/zbass.h"
#include "app/zchannel.h"
#include "app/zsample.h"
#include "app_test_support.h"
#include "tests/audio/audio_test_support.h"

using namespace ZTools;

namespace {

// Files in memory, read through the same callback shape as the runtime's file input; counts
// allocations so a test can see that every block went back.
struct MemoryFiles {
  std::map<std::string, std::vector<uint8_t>> files;
  std::vector<ZILLong> readSizes;
  int allocs = 0, frees = 0, failAlloc = -1, failReadAt = -1;

  struct Open {
    const std::vector<uint8_t>* data;
    size_t at;
  };

  ZAudioHost Host() {
    ZAudioHost h;
    h.fileInput = [this](int op, const char* name, void* buffer, ZILLong size, void** file, ZILLong* done) -> ZILError {
      if (op == ZAudioHost::kOpen) {
        auto it = files.find(name);
        if (it == files.end())
          return ZIL_ERR_Unspecified;
        *file = new Open{&it->second, 0};
        return 0;
      }
      auto* f = static_cast<Open*>(*file);
      if (op == ZAudioHost::kClose) {
        delete f;
        *file = nullptr;
        return 0;
      }
      readSizes.push_back(size);
      if (static_cast<int>(readSizes.size()) - 1 == failReadAt)
        return ZIL_ERR_Unspecified;
      size_t n = std::min(static_cast<size_t>(size), f->data->size() - f->at);
      if (n)
        std::memcpy(buffer, f->data->data() + f->at, n);
      f->at += n;
      *done = static_cast<ZILLong>(n);
      return 0;
    };
    h.alloc = [this](size_t size) -> void* {
      if (allocs++ == failAlloc)
        return nullptr;
      return std::malloc(size);
    };
    h.free = [this](void* p) {
      ++frees;
      std::free(p);
    };
    return h;
  }
};

std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Tone(double seconds = 1) {
  return apptest::makeAudio("tone" + std::to_string(static_cast<int>(seconds * 10)) + ".wav",
                            "-f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) + " -ac 2");
}

// A one-pattern four-channel module named `name`: one looped 32-byte square wave sample
// played at C-2 on the first channel.
std::vector<uint8_t> TinyModule(const std::string& name) {
  std::vector<uint8_t> mod(20, 0);
  std::copy(name.begin(), name.begin() + std::min<size_t>(name.size(), 20), mod.begin());
  for (int i = 0; i < 31; ++i) {
    uint8_t sample[30] = {};
    if (i == 0) {
      sample[23] = 16;  // length in words
      sample[25] = 64;  // volume
      sample[29] = 16;  // loop length in words
    }
    mod.insert(mod.end(), sample, sample + 30);
  }
  mod.push_back(1);  // one order
  mod.push_back(127);
  mod.resize(mod.size() + 128, 0);  // order table: pattern 0
  for (char c : std::string("M.K."))
    mod.push_back(static_cast<uint8_t>(c));
  std::vector<uint8_t> pattern(64 * 4 * 4, 0);
  pattern[0] = 0x01;  // sample 1 (high nibble 0), period 428 (0x1AC)
  pattern[1] = 0xAC;
  pattern[2] = 0x10;
  mod.insert(mod.end(), pattern.begin(), pattern.end());
  for (int i = 0; i < 32; ++i)
    mod.push_back(i < 16 ? 0x50 : 0xB0);
  return mod;
}

}  // namespace

TEST(AudioFileInputTest, ReadsWholeFilesInChunksAtEveryBoundary) {
  for (size_t size :
       {size_t{0}, size_t{1}, size_t{65531}, size_t{65532}, size_t{65533}, size_t{3 * 65532}, size_t{200000}}) {
    MemoryFiles m;
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
      bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    m.files["sounds\\x.wav"] = bytes;
    ZAudioBuffer buf;
    {
      ZAudioHost host = m.Host();
      ASSERT_EQ(ZLoadAudioFile(host, "sounds\\x.wav", buf), 0) << size;
      ASSERT_EQ(buf.Size(), size);
      if (size) {
        EXPECT_EQ(std::memcmp(buf.Data(), bytes.data(), size), 0) << size;
      }
      EXPECT_EQ(m.readSizes.size(), size / 65532 + 1) << "reads until a short one";
      for (ZILLong s : m.readSizes)
        EXPECT_EQ(s, 65532);
      EXPECT_EQ(m.allocs - m.frees, 1) << "only the result is left";
      buf.Release();
    }
    EXPECT_EQ(m.allocs, m.frees);
  }
}

TEST(AudioFileInputTest, FailuresAnswer1100AndFreeEveryBlock) {
  MemoryFiles m;
  m.files["f"] = std::vector<uint8_t>(150000, 1);
  ZAudioHost host = m.Host();
  ZAudioBuffer buf;
  EXPECT_EQ(ZLoadAudioFile(host, nullptr, buf), ZIL_ERR_Unspecified);
  EXPECT_EQ(ZLoadAudioFile(host, "", buf), ZIL_ERR_Unspecified);
  EXPECT_EQ(ZLoadAudioFile(host, "missing", buf), ZIL_ERR_Unspecified);
  for (int failAt = 0; failAt < 4; ++failAt) {  // each block, then the result buffer
    m.failAlloc = failAt;
    m.allocs = m.frees = 0;
    EXPECT_EQ(ZLoadAudioFile(host, "f", buf), ZIL_ERR_Unspecified) << failAt;
    EXPECT_TRUE(buf.Empty());
    EXPECT_EQ(m.allocs - 1, m.frees) << "all blocks freed after failing allocation " << failAt;
  }
  m.failAlloc = -1;
  m.failReadAt = 1;
  m.readSizes.clear();
  m.allocs = m.frees = 0;
  EXPECT_EQ(ZLoadAudioFile(host, "f", buf), ZIL_ERR_Unspecified);
  EXPECT_EQ(m.allocs, m.frees);
  // The standard host reads real files.
  EXPECT_EQ(ZLoadAudioFile(ZDefaultAudioHost(), Tone().c_str(), buf), 0);
  EXPECT_GT(buf.Size(), 44u);
  EXPECT_EQ(ZLoadAudioFile(ZDefaultAudioHost(), "/nonexistent/file.wav", buf), ZIL_ERR_Unspecified);
}

TEST(BassTest, InitCountsAndFrequency) {
  setenv("SONABEL_AUDIO_DEVICE", "0", 1);
  EXPECT_TRUE(ZBass::VersionSupported());
  ASSERT_EQ(ZBass::InitCount(), 0);
  EXPECT_EQ(ZBass::GetFrequency(), 0u) << "before Init";
  ASSERT_NE(ZBass::Init(), 0);
  EXPECT_GE(ZBass::GetFrequency(), 20000u);
  EXPECT_EQ(ZBass::CreationFlags(0), static_cast<DWORD>(BASS_SAMPLE_FLOAT)) << "the engine takes float streams";
  EXPECT_EQ(ZBass::CreationFlags(1), static_cast<DWORD>(BASS_SAMPLE_FLOAT | BASS_SAMPLE_LOOP));
  EXPECT_EQ(ZBass::Init(), 0) << "a second Init does nothing";
  EXPECT_EQ(ZBass::InitCount(), 1);
  BASS_INFO info;
  EXPECT_TRUE(BASS_GetInfo(&info)) << "the device is still open";
  ZBass::Terminate();
  EXPECT_EQ(ZBass::InitCount(), 0);
  EXPECT_FALSE(BASS_GetInfo(&info)) << "the last terminate frees the device";
  ZBass::Terminate();  // one too many: nothing
  EXPECT_EQ(ZBass::InitCount(), 0);
}

TEST(ChannelTest, LevelWords) {
  EXPECT_EQ(ZLevelFromWord(0xFFFFFFFFu, false), 0.0f);
  EXPECT_EQ(ZLevelFromWord(0xFFFFFFFFu, true), 0.0f);
  EXPECT_EQ(ZLevelFromWord(0x8000, false), 1.0f);
  EXPECT_EQ(ZLevelFromWord(0x40000000u | 0x4000, true), 0.5f);
  EXPECT_EQ(ZLevelFromWord(0x00004000u, true), 0.0f);
}

class AudioClassesTest : public apptest::EngineTest {};

TEST_F(AudioClassesTest, FileStreamLifecycle) {
  MemoryFiles m;
  m.files["music\\tone.wav"] = ReadWhole(Tone(3));
  m.files["junk"] = std::vector<uint8_t>(5000, 0x5a);
  ZAudioHost host = m.Host();
  {
    ZChannel c;
    EXPECT_EQ(c.StreamCreateFile(host, "missing.wav", 0), ZIL_ERR_Unspecified);
    EXPECT_EQ(c.Handle(), 0u);
    EXPECT_EQ(c.StreamCreateFile(host, "junk", 0), 0) << "a refusal is not a failed call";
    EXPECT_EQ(c.Handle(), 0u);
    EXPECT_EQ(c.GetType(), ZChannel::kNothing);
    EXPECT_NE(ZBass::GetError(), BASS_OK);
    EXPECT_EQ(m.allocs, m.frees) << "the refused file's memory went back";

    ASSERT_EQ(c.StreamCreateFile(host, "music\\tone.wav", 0), 0);
    ASSERT_NE(c.Handle(), 0u) << ZBass::GetError();
    EXPECT_EQ(c.GetType(), ZChannel::kStream);
    EXPECT_EQ(c.GetTitle(), "tone");
    EXPECT_EQ(c.GetStreamInfo(), "");
    EXPECT_NEAR(c.GetLength(), 3.0f, 0.05f);
    EXPECT_EQ(c.GetFreq(), 44100.0f);
    EXPECT_EQ(c.IsActive(), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(c.GetLevelL(), 0.0f) << "stopped";
    EXPECT_EQ(c.GetLevelR(), 0.0f);
    // Module-only calls on a stream.
    EXPECT_EQ(c.GetOrders(), 0);
    EXPECT_EQ(c.GetOrderPosition(), 0);
    c.PanSeparation(20.0f);
    c.SetVolume(0.5f);
    c.SetPan(-0.25f);
    EXPECT_EQ(c.GetVolume(), 0.5f);
    EXPECT_EQ(c.GetPan(), -0.25f);
    c.Play(0);
    EXPECT_EQ(c.IsActive(), BASS_ACTIVE_PLAYING);
    EXPECT_TRUE(apptest::waitFor([&] { return c.GetLevelL() > 0.05f && c.GetPosition() > 0.1f; }, 3000))
        << c.GetLevelL() << " " << c.GetPosition() << " " << c.GetLevelR();
    c.Slide(BASS_ATTRIB_VOL, 1.0f, 5000);
    EXPECT_TRUE(c.IsSliding(BASS_ATTRIB_VOL));
    c.Pause();
    EXPECT_EQ(c.IsActive(), BASS_ACTIVE_PAUSED);
    c.SetPosition(0.5f);
    EXPECT_NEAR(c.GetPosition(), 0.5f, 0.02f);
    c.Stop();
    c.Free();
    EXPECT_EQ(c.Handle(), 0u);
    EXPECT_EQ(c.GetType(), ZChannel::kNothing);
    EXPECT_EQ(c.GetTitle(), "");
    EXPECT_EQ(c.GetVolume(), 0.0f) << "a freed channel's getters answer 0";
    c.Free();  // twice: nothing
    ASSERT_EQ(c.StreamCreateFile(host, "music\\tone.wav", 1), 0);
    c.Play(0);
  }
  EXPECT_EQ(m.allocs, m.frees) << "destruction freed the playing stream's memory";
}

TEST_F(AudioClassesTest, SampleWithSeveralVoices) {
  MemoryFiles m;
  m.files["click.wav"] = ReadWhole(Tone(0.5));
  ZAudioHost host = m.Host();
  ZSample s;
  EXPECT_EQ(s.Load(host, "nothing.wav", 3, 0), ZIL_ERR_Unspecified);
  ASSERT_EQ(s.Load(host, "click.wav", 3, 0), 0);
  ASSERT_NE(s.Handle(), 0u) << ZBass::GetError();
  ZChannel v1, v2, v3, v4;
  s.GetChannel(1, v1);
  s.GetChannel(1, v2);
  s.GetChannel(1, v3);
  s.GetChannel(1, v4);
  EXPECT_EQ(v1.GetType(), ZChannel::kSampleVoice);
  std::set<DWORD> voices = {v1.Handle(), v2.Handle(), v3.Handle()};
  EXPECT_EQ(voices.size(), 3u);
  EXPECT_EQ(voices.count(0), 0u);
  EXPECT_EQ(v4.Handle(), 0u) << "only three voices";
  EXPECT_EQ(v4.GetType(), ZChannel::kSampleVoice);
  v1.Play(0);
  EXPECT_TRUE(apptest::waitFor([&] { return v1.GetLevelL() > 0.05f; }, 3000));
  v2.Play(0);
  v3.Play(0);
  auto playing = [&] {
    int n = 0;
    for (ZChannel* v : {&v1, &v2, &v3})
      n += v->IsActive() == BASS_ACTIVE_PLAYING;
    return n;
  };
  EXPECT_EQ(playing(), 3) << "three voices at once";
  s.Play(0.5f, 0.0f);  // takes over the oldest voice
  EXPECT_EQ(playing(), 2);
  s.Play(22050.0f, 1.0f, 1.0f);
  s.Play();
  EXPECT_EQ(playing(), 0) << "all three taken over by the sample's own plays";
  s.Stop();
  v1.Free();  // a voice's Free leaves the sample alone
  s.Play();
  s.Free();
  EXPECT_EQ(s.Handle(), 0u);
  EXPECT_EQ(m.allocs, m.frees);
  v2.Play(0);  // its sample is gone: the engine refuses, nothing breaks
}

TEST_F(AudioClassesTest, ModuleMusic) {
  MemoryFiles m;
  m.files["mods\\tune.mod"] = TinyModule("songs\\Tiny Tune.mod");
  m.files["bad.mod"] = std::vector<uint8_t>(100, 1);
  ZAudioHost host = m.Host();
  ZChannel c;
  EXPECT_EQ(c.MusicLoad(host, "missing.mod", 0), ZIL_ERR_Unspecified);
  EXPECT_EQ(c.MusicLoad(host, "bad.mod", 0), 0);
  EXPECT_EQ(c.Handle(), 0u);
  ASSERT_EQ(c.MusicLoad(host, "mods\\tune.mod", 1), 0);
  ASSERT_NE(c.Handle(), 0u) << ZBass::GetError();
  EXPECT_EQ(m.allocs, m.frees) << "the module's file memory goes right after loading";
  EXPECT_EQ(c.GetType(), ZChannel::kMusic);
  EXPECT_EQ(c.GetTitle(), "Tiny Tune") << "the module's name, cut like a file name";
  EXPECT_EQ(c.GetOrders(), 1);
  EXPECT_EQ(c.GetOrderPosition(), 0);
  c.PanSeparation(20.0f);
  c.Play(0);
  EXPECT_EQ(c.IsActive(), BASS_ACTIVE_PLAYING);
  c.Free();
  EXPECT_EQ(c.GetType(), ZChannel::kNothing);
  EXPECT_EQ(c.GetOrders(), 0);
}

// --- Radio streams ----------------------------------------------------------------------------

class RadioTest : public apptest::EngineTest {
 protected:
  static void SetUpTestSuite() { sServer = apptest::startRadioServer(); }
  static void TearDownTestSuite() {
    delete sServer;
    sServer = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(sServer, nullptr) << "the radio server did not start";
    apptest::EngineTest::SetUp();
  }
  static std::string Url(const std::string& path) { return sServer->url(path); }
  static audiotest::TestServer* sServer;
};
audiotest::TestServer* RadioTest::sServer = nullptr;

TEST_F(RadioTest, IcyTitlesAndMetaCount) {
  ZChannel c;
  c.StreamCreateURL(
      Url("/live?file=radio.mp3&titles=First%20One|Second%20One&interval=1&burst=1&metaint=4000").c_str());
  ASSERT_NE(c.Handle(), 0u) << ZBass::GetError();
  EXPECT_EQ(c.GetType(), ZChannel::kStream);
  std::string info = c.GetStreamInfo();
  EXPECT_NE(info.find("icy-name: Test Radio\n"), std::string::npos) << info;
  EXPECT_NE(info.find("icy-br: 128\n"), std::string::npos) << info;
  EXPECT_EQ(c.GetTitle(), "First One");
  c.Play(0);
  // A script's poll: count, title, reset; every change is seen with its new title.
  std::set<std::string> seen = {c.GetTitle()};
  ASSERT_TRUE(apptest::waitFor(
      [&] {
        if (c.GetStreamMetaCount() > 0) {
          c.SetStreamMetaCount(0);
          seen.insert(c.GetTitle());
        }
        return seen.count("Second One") && c.GetTitle() == "First One";
      },
      8000))
      << "titles seen: " << seen.size();
  EXPECT_EQ(seen.size(), 2u);
}

TEST_F(RadioTest, OggCommentTitle) {
  ZChannel c;
  c.StreamCreateURL(Url("/file?file=tagged.ogg&ctype=application/ogg").c_str());
  ASSERT_NE(c.Handle(), 0u) << ZBass::GetError();
  EXPECT_EQ(c.GetTitle(), "Y");
}

TEST_F(RadioTest, RefusedAddressesLeaveAnEmptyChannel) {
  ZChannel c;
  c.StreamCreateURL(Url("/status?code=404").c_str());
  EXPECT_EQ(c.Handle(), 0u);
  EXPECT_EQ(c.GetType(), ZChannel::kNothing);
  EXPECT_NE(ZBass::GetError(), BASS_OK);
  c.StreamCreateURL(nullptr);
  EXPECT_EQ(c.Handle(), 0u);
}

TEST_F(RadioTest, TitlesAreReadWholeWhileTheSyncReplacesThem) {
  // Titles change every block of metadata; a reader must only ever see one of them whole.
  const std::string a(300, 'a'), b(700, 'b');
  ZChannel c;
  c.StreamCreateURL(Url("/live?file=radio.mp3&titles=" + a + "|" + b + "&interval=0.05&burst=3&metaint=500").c_str());
  ASSERT_NE(c.Handle(), 0u) << ZBass::GetError();
  c.Play(0);
  int bad = 0, reads = 0;
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  while (std::chrono::steady_clock::now() < until) {
    std::string t = c.GetTitle();
    bad += t != a && t != b;
    ++reads;
  }
  EXPECT_EQ(bad, 0) << reads << " reads";
  EXPECT_GT(c.GetStreamMetaCount(), 2);
}

TEST_F(RadioTest, FreeingWhileMetadataArrivesIsSafe) {
  for (int round = 0; round < 6; ++round) {
    auto c = std::make_unique<ZChannel>();
    c->StreamCreateURL(Url("/live?file=radio.mp3&titles=A|B|C&interval=0.02&burst=3&metaint=300").c_str());
    ASSERT_NE(c->Handle(), 0u) << ZBass::GetError();
    c->Play(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50 + 30 * round));
    if (round % 2)
      c->Free();
    c.reset();
  }
}
