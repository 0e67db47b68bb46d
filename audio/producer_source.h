// A Source fed by its own thread: the thread runs a Decoder into a FrameRing, loops the data
// when asked to, and carries out seeks (the ring is emptied and refilled while the mixer
// plays silence for the channel). For network streams an empty ring means "stalled" until the
// ring has filled up to the resume level again; once a network stream plays with a comfortable
// lead, its thread reads in bursts: it pauses, letting the connection's receive buffer collect
// the data, then decodes what has come in one go instead of waking for every packet.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/frame_ring.h"
#include "audio/source.h"

namespace audio {

class ProducerSource : public Source {
 public:
  struct Options {
    size_t ringFrames = 22050;
    size_t chunkFrames = 2048;
    bool loop = false;
    bool network = false;
    size_t resumeFrames = 0;  // network: frames buffered before a stalled stream plays again
    // network: with this many frames buffered while playing (0: never), the thread pauses for
    // `burstPauseMs` before it reads on; the pause must stay well below calmFrames' duration.
    size_t calmFrames = 0;
    uint32_t burstPauseMs = 0;
  };

  ProducerSource(std::unique_ptr<Decoder> decoder, const Options& options);
  ~ProducerSource() override;

  void start();
  int rate() const override { return rate_; }
  size_t pull(float* dst, size_t n) override;
  bool ended() const override;
  bool stalled() const override { return stalled_.load(std::memory_order_relaxed); }
  bool seekTo(uint64_t frame) override;
  uint64_t lengthFrames() const override { return length_; }
  void shutdown() override;

  size_t buffered() const { return ring_.available(); }
  // Stream thread: the frame position of the next frame it will hand to the ring.
  uint64_t producedFrames() const { return produced_.load(std::memory_order_relaxed); }
  bool decoderFinished() const { return eof_.load(); }
  size_t ringCapacity() const { return ring_.capacity(); }

  // The decoder's position tag that was current when `frame` was decoded.
  uint32_t positionTagAt(uint64_t frame);

  // Runs f(decoder) while the stream's thread is not inside the decoder.
  template <class F>
  auto withDecoder(F f) {
    std::lock_guard<std::mutex> guard(decodeLock_);
    return f(*decoder_);
  }

 private:
  void run();
  bool calm() const;
  bool seekPending() const {
    return seekRequested_.load(std::memory_order_acquire) != seekDone_.load(std::memory_order_acquire);
  }

  std::unique_ptr<Decoder> decoder_;
  Options options_;
  int rate_;
  uint64_t length_;
  bool canSeek_;
  FrameRing ring_;
  std::mutex decodeLock_;
  std::mutex wakeLock_;
  std::condition_variable wake_;
  std::atomic<bool> quit_{false};
  std::atomic<bool> eof_{false};
  std::atomic<bool> stalled_{false};
  std::atomic<bool> consumed_{false};  // the mixer has taken frames: pre-buffering is over
  std::atomic<uint64_t> produced_{0};
  struct Marker {
    uint64_t frame;
    uint32_t tag;
  };
  static constexpr size_t kMarkers = 256;
  std::mutex markerLock_;  // stream thread and callers of positionTagAt only
  Marker markers_[kMarkers];
  size_t markerHead_ = 0, markerCount_ = 0;
  std::atomic<uint64_t> seekTarget_{0};
  std::atomic<uint64_t> seekRequested_{0};
  std::atomic<uint64_t> seekDone_{0};
  std::thread thread_;
};

}  // namespace audio
