// Samples with several voices and tracker modules (generated ProTracker file): voice hand-out
// and reuse, order/row positions, length, loop, tags and pan separation.
#include <atomic>
#include <thread>

#include "audio_test_support.h"

using namespace audiotest;

TEST_F(EngineTest, SampleVoicesPlayTogetherAndAreReused) {
  auto wav = readFile(makeAudio("click.wav", "-f lavfi -i sine=frequency=700:sample_rate=22050:duration=0.4 -ac 1"));
  HSAMPLE s = BASS_SampleLoad(TRUE, wav.data(), 0, static_cast<DWORD>(wav.size()), 2, BASS_SAMPLE_FLOAT);
  ASSERT_NE(s, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_SampleLoad(TRUE, wav.data(), 0, static_cast<DWORD>(wav.size()), 0, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);

  HCHANNEL a = BASS_SampleGetChannel(s, FALSE);
  HCHANNEL b = BASS_SampleGetChannel(s, FALSE);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  float freq = 0;
  ASSERT_TRUE(BASS_ChannelGetAttribute(a, BASS_ATTRIB_FREQ, &freq));
  EXPECT_EQ(freq, 22050.0f);
  EXPECT_NEAR(BASS_ChannelBytes2Seconds(a, BASS_ChannelGetLength(a, BASS_POS_BYTE)), 0.4, 0.01);
  ASSERT_TRUE(BASS_ChannelPlay(a, FALSE));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ASSERT_TRUE(BASS_ChannelPlay(b, FALSE));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(BASS_ChannelIsActive(a), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
  EXPECT_EQ(BASS_ChannelIsActive(b), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
  // Mono plays on both sides at full level (peak 1/8).
  EXPECT_NEAR((BASS_ChannelGetLevel(b) >> 16) / 32768.0, 0.125, 0.01);

  // Both voices busy: only-new fails, otherwise the oldest voice (a) is taken over.
  EXPECT_EQ(BASS_SampleGetChannel(s, TRUE), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOCHAN);
  HCHANNEL c = BASS_SampleGetChannel(s, FALSE);
  ASSERT_NE(c, 0u);
  EXPECT_FALSE(BASS_ChannelPlay(a, FALSE));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_EQ(BASS_ChannelIsActive(b), static_cast<DWORD>(BASS_ACTIVE_PLAYING));

  // A voice that played to its end is free again, even for only-new requests.
  std::atomic<int> ends{0};
  BASS_ChannelSetSync(b, BASS_SYNC_END, 0, countSync, &ends);
  ASSERT_TRUE(waitFor([&] { return ends.load() == 1; }, 1000));
  HCHANNEL d = BASS_SampleGetChannel(s, TRUE);
  EXPECT_NE(d, 0u);
  ASSERT_TRUE(BASS_ChannelPlay(c, FALSE));
  ASSERT_TRUE(BASS_SampleStop(s));
  EXPECT_EQ(BASS_ChannelIsActive(c), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
  EXPECT_TRUE(BASS_SampleFree(s));
  EXPECT_FALSE(BASS_SampleFree(s));
  EXPECT_EQ(BASS_SampleGetChannel(s, FALSE), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(EngineTest, LoopingSampleVoiceKeepsPlaying) {
  auto wav = readFile(makeAudio("short.wav", "-f lavfi -i sine=duration=0.05 -ac 2"));
  HSAMPLE s = BASS_SampleLoad(TRUE, wav.data(), 0, static_cast<DWORD>(wav.size()), 1, BASS_SAMPLE_LOOP);
  ASSERT_NE(s, 0u);
  HCHANNEL v = BASS_SampleGetChannel(s, FALSE);
  ASSERT_TRUE(BASS_ChannelPlay(v, FALSE));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(BASS_ChannelIsActive(v), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
  ASSERT_TRUE(BASS_ChannelStop(v));  // a stopped voice goes back to its sample
  EXPECT_EQ(BASS_ChannelIsActive(v), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  BASS_SampleFree(s);
}

TEST_F(EngineTest, ModulesHaveOrdersTagsLengthAndLoop) {
  auto mod = makeModule("Test Tune");
  HMUSIC m;
  {
    std::vector<uint8_t> released = mod;  // the player frees its copy right after loading
    m = BASS_MusicLoad(TRUE, released.data(), 0, static_cast<DWORD>(released.size()),
                       BASS_SAMPLE_FLOAT | BASS_MUSIC_RAMPS | BASS_MUSIC_PRESCAN, 0);
  }
  ASSERT_NE(m, 0u) << BASS_ErrorGetCode();
  EXPECT_STREQ(BASS_ChannelGetTags(m, BASS_TAG_MUSIC_NAME), "Test Tune");
  EXPECT_NE(BASS_ChannelGetTags(m, BASS_TAG_MUSIC_MESSAGE), nullptr);
  EXPECT_EQ(BASS_ChannelGetLength(m, BASS_POS_MUSIC_ORDER), 2u);
  EXPECT_NEAR(BASS_ChannelBytes2Seconds(m, BASS_ChannelGetLength(m, BASS_POS_BYTE)), 2.56, 0.05);
  EXPECT_EQ(BASS_ChannelGetPosition(m, BASS_POS_MUSIC_ORDER), 0u);

  float sep = 0;
  ASSERT_TRUE(BASS_ChannelGetAttribute(m, BASS_ATTRIB_MUSIC_PANSEP, &sep));
  EXPECT_EQ(sep, 50.0f);

  // Jump to order 1, row 32: the second half of the tune remains.
  ASSERT_TRUE(BASS_ChannelSetPosition(m, 1 | (32u << 16), BASS_POS_MUSIC_ORDER));
  EXPECT_NEAR(BASS_ChannelBytes2Seconds(m, BASS_ChannelGetPosition(m, BASS_POS_BYTE)), 1.92, 0.05);
  EXPECT_FALSE(BASS_ChannelSetPosition(m, 9, BASS_POS_MUSIC_ORDER));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
  std::atomic<int> ends{0};
  BASS_ChannelSetSync(m, BASS_SYNC_END, 0, countSync, &ends);
  ASSERT_TRUE(BASS_ChannelPlay(m, FALSE));
  ASSERT_TRUE(waitFor([&] { return BASS_ChannelGetLevel(m) != 0; }, 500));
  EXPECT_EQ(BASS_ChannelGetPosition(m, BASS_POS_MUSIC_ORDER) & 0xffff, 1u);
  // The only channel is one of the module's left ones: no separation puts it in the middle.
  DWORD level = BASS_ChannelGetLevel(m);
  EXPECT_GT(level & 0xffff, 2 * (level >> 16)) << "the usual separation: mostly left";
  ASSERT_TRUE(BASS_ChannelSetAttribute(m, BASS_ATTRIB_MUSIC_PANSEP, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  level = BASS_ChannelGetLevel(m);
  EXPECT_NEAR(static_cast<double>(level & 0xffff), static_cast<double>(level >> 16), 300.0) << "no separation";
  EXPECT_TRUE(waitFor([&] { return ends.load() == 1; }, 1500));

  // Looped: plays on past its length.
  HMUSIC looped = BASS_MusicLoad(TRUE, mod.data(), 0, static_cast<DWORD>(mod.size()), BASS_SAMPLE_LOOP, 0);
  ASSERT_NE(looped, 0u);
  ASSERT_TRUE(BASS_ChannelSetPosition(looped, 1 | (60u << 16), BASS_POS_MUSIC_ORDER));
  ASSERT_TRUE(BASS_ChannelPlay(looped, FALSE));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(BASS_ChannelIsActive(looped), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
  EXPECT_EQ(BASS_ChannelGetPosition(looped, BASS_POS_MUSIC_ORDER) & 0xffff, 0u) << "back at the first order";
  EXPECT_TRUE(BASS_MusicFree(looped));
  EXPECT_FALSE(BASS_StreamFree(m)) << "a music is not a stream";
  EXPECT_TRUE(BASS_MusicFree(m));

  std::vector<uint8_t> junk(3000, 7);
  EXPECT_EQ(BASS_MusicLoad(TRUE, junk.data(), 0, 3000, 0, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
}
