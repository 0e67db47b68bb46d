// The engine on the silent device: set-up and errors, user streams through the mixer (DSP
// order and data, levels, attributes, slides), files from memory in every common format,
// positions, looping and the end sync.
#include <strings.h>

#include <atomic>
#include <cstring>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include "audio_test_support.h"

using namespace audiotest;

namespace {

// A user stream that counts frames: left = frame index / 1e6 (so the order is visible),
// right = a constant.
struct Counter {
  std::atomic<uint64_t> next{0};
  float right = 0.5f;
  uint64_t limit = UINT64_MAX;
};

DWORD CALLBACK countingProc(HSTREAM, void* buffer, DWORD length, void* user) {
  auto* c = static_cast<Counter*>(user);
  float* f = static_cast<float*>(buffer);
  DWORD frames = length / 8, done = 0;
  for (; done < frames && c->next < c->limit; ++done) {
    f[2 * done] = static_cast<float>(c->next++) / 1e6f;
    f[2 * done + 1] = c->right;
  }
  return done * 8 | (c->next >= c->limit ? BASS_STREAMPROC_END : 0);
}

struct DspLog {
  std::mutex lock;
  std::vector<int> order;  // which DSP ran, in call order
  std::vector<float> firstLeft;
  bool inOrder = true;
  float lastLeft = -1;
};

struct DspTag {
  DspLog* log;
  int id;
};

void CALLBACK recordingDsp(HDSP, DWORD, void* buffer, DWORD length, void* user) {
  auto* tag = static_cast<DspTag*>(user);
  std::lock_guard<std::mutex> guard(tag->log->lock);
  tag->log->order.push_back(tag->id);
  if (tag->id != 1)
    return;
  const float* f = static_cast<const float*>(buffer);
  for (DWORD i = 0; i < length / 8; ++i) {
    if (f[2 * i] <= tag->log->lastLeft)
      tag->log->inOrder = false;
    tag->log->lastLeft = f[2 * i];
  }
}

void CALLBACK halveDsp(HDSP, DWORD, void* buffer, DWORD length, void*) {
  float* f = static_cast<float*>(buffer);
  for (DWORD i = 0; i < length / 4; ++i)
    f[i] *= 0.5f;
}

}  // namespace

TEST(AudioEngine, InitFreeVersionAndErrors) {
  EXPECT_EQ(BASS_GetVersion() >> 16, 0x0204u);
  EXPECT_EQ(BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  EXPECT_FALSE(BASS_Free());
  EXPECT_FALSE(BASS_Init(7, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);

  ASSERT_TRUE(BASS_Init(0, 48000, 0, nullptr, nullptr));
  EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
  BASS_INFO info{};
  ASSERT_TRUE(BASS_GetInfo(&info));
  EXPECT_EQ(info.freq, 48000u);
  // The error code belongs to the thread that caused it.
  std::thread([] { EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK); }).join();
  EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 1234));
  EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_NET_TIMEOUT), 1234u);
  EXPECT_FALSE(BASS_SetConfig(0x7777, 1));
  HSTREAM dummy = BASS_StreamCreate(48000, 2, BASS_SAMPLE_FLOAT, STREAMPROC_DUMMY, nullptr);
  EXPECT_NE(dummy, 0u);
  EXPECT_TRUE(BASS_StreamFree(dummy));
  EXPECT_FALSE(BASS_StreamFree(dummy));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_EQ(BASS_ChannelIsActive(dummy), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_TRUE(BASS_Free());
  EXPECT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));  // and again after a free
  EXPECT_TRUE(BASS_Free());
}

TEST_F(EngineTest, DspChainGetsFloatFramesInOrderAndByPriority) {
  Counter counter;
  HSTREAM h = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, countingProc, &counter);
  ASSERT_NE(h, 0u);
  DspLog log;
  DspTag low{&log, 1}, high{&log, 2};
  HDSP d1 = BASS_ChannelSetDSP(h, recordingDsp, &low, 0);
  HDSP d2 = BASS_ChannelSetDSP(h, recordingDsp, &high, 5);
  ASSERT_NE(d1, 0u);
  ASSERT_NE(d2, 0u);
  ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
  ASSERT_TRUE(waitFor([&] { return counter.next > 8000; }, 2000));
  ASSERT_TRUE(BASS_ChannelRemoveDSP(h, d2));
  EXPECT_FALSE(BASS_ChannelRemoveDSP(h, d2));
  size_t callsAtRemoval;
  {
    std::lock_guard<std::mutex> guard(log.lock);
    callsAtRemoval = log.order.size();
    ASSERT_GE(callsAtRemoval, 2u);
    EXPECT_EQ(log.order[0], 2) << "higher priority runs first";
    EXPECT_EQ(log.order[1], 1);
  }
  uint64_t mark = counter.next;
  ASSERT_TRUE(waitFor([&] { return counter.next > mark + 4000; }, 2000));
  std::lock_guard<std::mutex> guard(log.lock);
  EXPECT_TRUE(log.inOrder) << "frames reach the DSP in order, without gaps or repeats";
  for (size_t i = callsAtRemoval + 1; i < log.order.size(); ++i)
    EXPECT_EQ(log.order[i], 1);
}

TEST_F(EngineTest, LevelsFollowDspAndPlayState) {
  Counter counter;
  counter.right = 0.5f;
  HSTREAM h = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, countingProc, &counter);
  EXPECT_EQ(BASS_ChannelGetLevel(h), 0xFFFFFFFFu);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
  BASS_ChannelSetDSP(h, halveDsp, nullptr, 0);
  BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 0.1f);  // the meter reads the channel's data
  ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
  DWORD level = 0;
  ASSERT_TRUE(waitFor([&] { return (level = BASS_ChannelGetLevel(h)) != 0; }, 1000));
  EXPECT_NEAR(static_cast<double>(level >> 16), 8192, 2) << "right: 0.5 halved by the DSP";
  ASSERT_TRUE(BASS_ChannelPause(h));
  EXPECT_EQ(BASS_ChannelIsActive(h), static_cast<DWORD>(BASS_ACTIVE_PAUSED));
  EXPECT_FALSE(BASS_ChannelPause(h));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
  EXPECT_EQ(BASS_ChannelGetLevel(h), 0xFFFFFFFFu);
  uint64_t frozen = BASS_ChannelGetPosition(h, BASS_POS_BYTE);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), frozen) << "a paused channel does not advance";
  ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
  EXPECT_EQ(BASS_ChannelIsActive(h), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
  ASSERT_TRUE(BASS_ChannelStop(h));
  EXPECT_FALSE(BASS_ChannelPause(h));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
}

TEST_F(EngineTest, FrequencyAttributeResamplesInRealTime) {
  Counter counter;
  HSTREAM h = BASS_StreamCreate(22050, 2, BASS_SAMPLE_FLOAT, countingProc, &counter);
  float freq = 0;
  ASSERT_TRUE(BASS_ChannelGetAttribute(h, BASS_ATTRIB_FREQ, &freq));
  EXPECT_EQ(freq, 22050.0f);
  ASSERT_TRUE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_FREQ, 44100));
  ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
  auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double played = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h, BASS_POS_BYTE));
  EXPECT_NEAR(played, 2 * elapsed, 0.1) << "doubling the frequency plays the data twice as fast";
  EXPECT_FALSE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_MUSIC_PANSEP, 50));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
  EXPECT_TRUE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_FREQ, 0));  // back to the stream's own rate
  ASSERT_TRUE(BASS_ChannelGetAttribute(h, BASS_ATTRIB_FREQ, &freq));
  EXPECT_EQ(freq, 22050.0f);
}

TEST_F(EngineTest, SlidesAreLinearAndVolumeMinusOneStops) {
  Counter counter;
  HSTREAM h = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, countingProc, &counter);
  ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
  ASSERT_TRUE(BASS_ChannelSlideAttribute(h, BASS_ATTRIB_PAN, -1.0f, 400));
  EXPECT_TRUE(BASS_ChannelIsSliding(h, BASS_ATTRIB_PAN));
  EXPECT_FALSE(BASS_ChannelIsSliding(h, BASS_ATTRIB_VOL));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  float pan = 0;
  BASS_ChannelGetAttribute(h, BASS_ATTRIB_PAN, &pan);
  EXPECT_NEAR(pan, -0.5f, 0.2f) << "half way through the slide";
  ASSERT_TRUE(waitFor([&] { return !BASS_ChannelIsSliding(h, BASS_ATTRIB_PAN); }, 1000));
  BASS_ChannelGetAttribute(h, BASS_ATTRIB_PAN, &pan);
  EXPECT_EQ(pan, -1.0f);

  // Setting an attribute ends its slide.
  BASS_ChannelSlideAttribute(h, BASS_ATTRIB_VOL, 0.2f, 5000);
  BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 0.7f);
  EXPECT_FALSE(BASS_ChannelIsSliding(h, BASS_ATTRIB_VOL));

  std::atomic<int> ends{0};
  BASS_ChannelSetSync(h, BASS_SYNC_END, 0, countSync, &ends);
  ASSERT_TRUE(BASS_ChannelSlideAttribute(h, BASS_ATTRIB_VOL, -1.0f, 100));
  ASSERT_TRUE(waitFor([&] { return BASS_ChannelIsActive(h) == BASS_ACTIVE_STOPPED; }, 1000));
  float vol = 1;
  BASS_ChannelGetAttribute(h, BASS_ATTRIB_VOL, &vol);
  EXPECT_EQ(vol, 0.0f);
  EXPECT_EQ(ends.load(), 0) << "a fade-out stop is not the end of the stream";
  EXPECT_FALSE(BASS_ChannelSlideAttribute(h, 0x55, 1, 10));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
}

TEST_F(EngineTest, EndSyncFiresOnceWhenUserStreamEnds) {
  Counter counter;
  counter.limit = 4410;  // 0.1 s
  HSTREAM h = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, countingProc, &counter);
  std::atomic<int> ends{0}, once{0};
  ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_END, 0, countSync, &ends), 0u);
  ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_END | BASS_SYNC_ONETIME, 0, countSync, &once), 0u);
  EXPECT_EQ(BASS_ChannelSetSync(h, 0x1234, 0, countSync, &ends), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
  ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
  ASSERT_TRUE(waitFor([&] { return ends.load() == 1; }, 1000));
  EXPECT_EQ(BASS_ChannelIsActive(h), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
  EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 4410u * 8) << "every frame was played";
  // Restarting a user stream plays it again; the one-time sync is gone.
  counter.limit = 8820;
  ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
  ASSERT_TRUE(waitFor([&] { return ends.load() == 2; }, 1000));
  EXPECT_EQ(once.load(), 1);
}

// ---- files from memory ----

struct FileCase {
  const char* name;
  const char* args;
};

TEST_F(EngineTest, FilesFromMemoryDecodeInEveryCommonFormat) {
  const std::string sine = "-f lavfi -i sine=frequency=1000:sample_rate=44100:duration=0.5 -ac 2 ";
  const FileCase cases[] = {
      {"s.mp3", "-b:a 128k"}, {"s.ogg", "-c:a libvorbis"}, {"s.opus", "-c:a libopus"}, {"s.flac", ""}, {"s.wav", ""},
      {"s.aiff", ""},         {"s.m4a", "-c:a aac"},
  };
  std::vector<std::vector<uint8_t>> files;
  std::vector<HSTREAM> handles;
  for (const auto& c : cases) {
    files.push_back(readFile(makeAudio(c.name, sine + c.args)));
    HSTREAM h = BASS_StreamCreateFile(TRUE, files.back().data(), 0, files.back().size(), BASS_SAMPLE_FLOAT);
    ASSERT_NE(h, 0u) << c.name << " error " << BASS_ErrorGetCode();
    double length = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h, BASS_POS_BYTE));
    EXPECT_NEAR(length, 0.5, 0.06) << c.name;
    handles.push_back(h);
  }
  // All play at once to their ends; each one's level shows the tone (peak 1/8, upmixed).
  std::vector<std::atomic<int>> ends(handles.size());
  for (size_t i = 0; i < handles.size(); ++i) {
    BASS_ChannelSetSync(handles[i], BASS_SYNC_END, 0, countSync, &ends[i]);
    ASSERT_TRUE(BASS_ChannelPlay(handles[i], FALSE));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  for (size_t i = 0; i < handles.size(); ++i) {
    DWORD level = BASS_ChannelGetLevel(handles[i]);
    EXPECT_NEAR((level & 0xffff) / 32768.0, 0.125 * M_SQRT1_2, 0.02) << cases[i].name;  // -ac 2 spreads at -3 dB
  }
  for (size_t i = 0; i < handles.size(); ++i) {
    EXPECT_TRUE(waitFor([&] { return ends[i].load() == 1; }, 1500)) << cases[i].name;
    EXPECT_TRUE(BASS_StreamFree(handles[i]));
  }
}

TEST_F(EngineTest, FileErrorsAreReported) {
  std::vector<uint8_t> junk(5000, 0x55);
  EXPECT_EQ(BASS_StreamCreateFile(TRUE, junk.data(), 0, junk.size(), 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
  EXPECT_EQ(BASS_StreamCreateFile(FALSE, "/nonexistent/file.mp3", 0, 0, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
  // A truncated file plays what there is.
  auto mp3 = readFile(makeAudio("t.mp3", "-f lavfi -i sine=duration=1 -b:a 128k"));
  HSTREAM h = BASS_StreamCreateFile(TRUE, mp3.data(), 0, mp3.size() / 3, 0);
  ASSERT_NE(h, 0u);
  std::atomic<int> ends{0};
  BASS_ChannelSetSync(h, BASS_SYNC_END, 0, countSync, &ends);
  BASS_ChannelPlay(h, FALSE);
  EXPECT_TRUE(waitFor([&] { return ends.load() == 1; }, 1500));
}

TEST_F(EngineTest, PositionsSeekingLoopingAndOggTags) {
  auto ogg = readFile(makeAudio("tagged.ogg",
                                "-f lavfi -i sine=frequency=500:sample_rate=48000:duration=1 -ac 2 -c:a libvorbis "
                                "-metadata artist=X -metadata title=Y"));
  HSTREAM h = BASS_StreamCreateFile(TRUE, ogg.data(), 0, ogg.size(), BASS_SAMPLE_FLOAT | BASS_SAMPLE_LOOP);
  ASSERT_NE(h, 0u);
  const char* comments = BASS_ChannelGetTags(h, BASS_TAG_OGG);
  ASSERT_NE(comments, nullptr);
  bool sawTitle = false;
  for (const char* p = comments; *p; p += strlen(p) + 1)
    sawTitle |= strcasecmp(p, "title=Y") == 0;
  EXPECT_TRUE(sawTitle);
  EXPECT_EQ(BASS_ChannelGetTags(h, BASS_TAG_ICY), nullptr);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);

  QWORD length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
  EXPECT_EQ(length % 8, 0u);
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, 0.5), 24000u * 8);
  EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(h, 48000 * 8), 1.0);
  EXPECT_FALSE(BASS_ChannelSetPosition(h, length + 8, BASS_POS_BYTE));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
  ASSERT_TRUE(BASS_ChannelSetPosition(h, BASS_ChannelSeconds2Bytes(h, 0.8), BASS_POS_BYTE));
  EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 38400u * 8);
  EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_MUSIC_ORDER), static_cast<QWORD>(-1));
  EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_MUSIC_ORDER), static_cast<QWORD>(-1));

  std::atomic<int> ends{0};
  BASS_ChannelSetSync(h, BASS_SYNC_END, 0, countSync, &ends);
  ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // past the end: loops
  EXPECT_EQ(BASS_ChannelIsActive(h), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
  EXPECT_EQ(ends.load(), 0);
  double pos = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h, BASS_POS_BYTE));
  EXPECT_NEAR(pos, 0.3, 0.12) << "the position wraps with the loop";
  DWORD level = BASS_ChannelGetLevel(h);
  EXPECT_GT(level & 0xffff, 1000u) << "still sounding after the loop point";
}
