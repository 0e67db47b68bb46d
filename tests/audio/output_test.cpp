// Real output through SDL2: the "disk" audio driver writes what the device would play, so the
// mix (volume, pan, clipping only at the device) and its timing can be checked.
#include <cmath>
#include <cstdlib>
#include <functional>
#include <cstring>
#include <thread>
#include <vector>

#include "audio_test_support.h"

using namespace audiotest;

namespace {

DWORD CALLBACK constantProc(HSTREAM, void* buffer, DWORD length, void* user) {
  float value = *static_cast<float*>(user);
  float* f = static_cast<float*>(buffer);
  for (DWORD i = 0; i < length / 4; ++i)
    f[i] = value;
  return length;
}

struct Tone {
  double phase = 0;
  double step;
};

// A 1 kHz sine of amplitude 0.5, mono, 16-bit at the stream's rate.
DWORD CALLBACK toneProc(HSTREAM, void* buffer, DWORD length, void* user) {
  auto* tone = static_cast<Tone*>(user);
  int16_t* out = static_cast<int16_t*>(buffer);
  for (DWORD i = 0; i < length / 2; ++i) {
    out[i] = static_cast<int16_t>(std::lround(16384 * std::sin(tone->phase)));
    tone->phase += tone->step;
  }
  return length;
}

// Plays on SDL's disk driver for `ms` and returns the samples the device received.
std::vector<float> recordDevice(const std::function<void()>& play, int ms) {
  std::string path = workDir() + "/device.raw";
  const char* oldDriver = std::getenv("SDL_AUDIODRIVER");
  std::string saved = oldDriver ? oldDriver : "";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  std::vector<float> samples;
  const bool opened = BASS_Init(-1, 44100, 0, nullptr, nullptr);
  EXPECT_TRUE(opened) << BASS_ErrorGetCode();
  if (opened) {
    play();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    BASS_Free();
    auto bytes = readFile(path);
    samples.resize(bytes.size() / 4);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 4);
  }
  if (oldDriver)
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  else
    unsetenv("SDL_AUDIODRIVER");
  return samples;
}

}  // namespace

TEST(AudioOutput, ResampledToneKeepsPitchLevelAndContinuity) {
  Tone tone;
  tone.step = 2 * M_PI * 1000 / 22050;
  auto samples = recordDevice(
      [&] {
        HSTREAM h = BASS_StreamCreate(22050, 1, 0, toneProc, &tone);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
      },
      500);
  size_t first = 0;
  while (first < samples.size() && samples[first] == 0)
    first += 2;
  ASSERT_GT(samples.size(), first + 2 * 44100 / 4) << "a quarter second of sound at least";
  size_t crossings = 0;
  float peak = 0, maxStep = 0;
  size_t frames = (samples.size() - first) / 2 - 2;
  for (size_t f = 0; f < frames; ++f) {
    float a = samples[first + 2 * f], b = samples[first + 2 * f + 2];
    EXPECT_EQ(a, samples[first + 2 * f + 1]) << "mono on both sides";
    if ((a < 0) != (b < 0))
      ++crossings;
    peak = std::max(peak, std::fabs(a));
    maxStep = std::max(maxStep, std::fabs(b - a));
  }
  double seconds = frames / 44100.0;
  EXPECT_NEAR(crossings / seconds, 2000, 40) << "still 1 kHz";
  EXPECT_NEAR(peak, 0.5, 0.01);
  // The steepest step of the sine, plus the interpolator's overshoot; a lost source frame would
  // step twice as far.
  EXPECT_LT(maxStep, 0.5 * 2 * M_PI * 1000 / 44100 * 1.25) << "no clicks between blocks";
}

TEST(AudioOutput, DiskDriverReceivesTheMixClippedAtTheDevice) {
  float half = 0.5f, loud = 0.8f;
  auto start = std::chrono::steady_clock::now();
  auto samples = recordDevice(
      [&] {
        start = std::chrono::steady_clock::now();
        HSTREAM a = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, constantProc, &half);
        HSTREAM b = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, constantProc, &loud);
        BASS_ChannelSetAttribute(a, BASS_ATTRIB_VOL, 0.5f);
        BASS_ChannelSetAttribute(a, BASS_ATTRIB_PAN, 0.5f);
        ASSERT_TRUE(BASS_ChannelPlay(a, FALSE));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_TRUE(BASS_ChannelPlay(b, FALSE));
      },
      300);
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double seconds = samples.size() / 2 / 44100.0;
  EXPECT_NEAR(seconds, elapsed, 0.15) << "the device plays in real time";
  float maxL = 0, maxR = 0;
  size_t aloneL = 0;
  for (size_t i = 0; i + 1 < samples.size(); i += 2) {
    maxL = std::max(maxL, samples[i]);
    maxR = std::max(maxR, samples[i + 1]);
    if (std::abs(samples[i] - 0.125f) < 1e-6f)
      ++aloneL;
  }
  EXPECT_GT(aloneL, 44100u / 10) << "volume 0.5, pan 0.5: left at a quarter";
  EXPECT_FLOAT_EQ(maxL, 0.925f) << "0.125 + 0.8";
  EXPECT_FLOAT_EQ(maxR, 1.0f) << "0.25 + 0.8 clipped by the device";
}
