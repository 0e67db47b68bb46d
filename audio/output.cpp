// The two outputs: SDL2's default playback device (float stereo, clipped to [-1, 1] only here)
// and the silent device 0, a thread that mixes one 20 ms block per 20 ms of wall-clock time.
#include "audio/output.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "audio/engine.h"

namespace audio {
namespace {

class NullOutput : public Output {
 public:
  // Blocks of about 20 ms, like a real device's callback.
  explicit NullOutput(int rate) : rate_(rate), block_(std::max(rate / 50, 1)), buffer_(block_ * 2) {
    thread_ = std::thread([this] { run(); });
  }
  ~NullOutput() override {
    quit_ = true;
    thread_.join();
  }
  int rate() const override { return rate_; }
  int latencyMs() const override { return 0; }

 private:
  void run() {
    using clock = std::chrono::steady_clock;
    auto next = clock::now();
    const auto period = std::chrono::nanoseconds(1000000000LL * block_ / rate_);
    while (!quit_) {
      mixBlock(buffer_.data(), block_);
      next += period;
      auto now = clock::now();
      if (next < now - std::chrono::milliseconds(200))
        next = now;  // after a long hiccup, don't race
      std::this_thread::sleep_until(next);
    }
  }

  int rate_;
  size_t block_;
  std::vector<float> buffer_;
  std::atomic<bool> quit_{false};
  std::thread thread_;
};

class SdlOutput : public Output {
 public:
  SdlOutput() = default;
  bool open(int rate) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
      return false;
    subsystem_ = true;
    SDL_AudioSpec want{}, have{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = &SdlOutput::callback;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0)
      return false;
    rate_ = have.freq;
    latency_ = static_cast<int>(1000LL * have.samples / std::max(have.freq, 1));
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }
  ~SdlOutput() override {
    if (device_ != 0)
      SDL_CloseAudioDevice(device_);
    if (subsystem_)
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  int rate() const override { return rate_; }
  int latencyMs() const override { return latency_; }

 private:
  static void callback(void*, Uint8* stream, int len) {
    float* out = reinterpret_cast<float*>(stream);
    size_t samples = static_cast<size_t>(len) / sizeof(float);
    mixBlock(out, samples / 2);
    for (size_t i = 0; i < samples; ++i)
      out[i] = std::clamp(out[i], -1.0f, 1.0f);
  }

  SDL_AudioDeviceID device_ = 0;
  bool subsystem_ = false;
  int rate_ = 44100;
  int latency_ = 0;
};

}  // namespace

std::unique_ptr<Output> openNullOutput(int rate) { return std::make_unique<NullOutput>(rate); }

std::unique_ptr<Output> openSdlOutput(int rate) {
  auto out = std::make_unique<SdlOutput>();
  if (!out->open(rate)) {
    setError(BASS_ERROR_DEVICE);
    return nullptr;
  }
  return out;
}

}  // namespace audio
