// A single-producer, single-consumer ring of interleaved stereo float frames. The decoder
// thread of a stream writes, the mixer reads; neither side blocks, allocates or locks. The
// buffer is allocated once by the constructor. reset() is only safe while the consumer is
// known not to read (the stream's seek protocol guarantees that).
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace audio {

class FrameRing {
 public:
  explicit FrameRing(size_t capacityFrames) : capacity_(std::max<size_t>(capacityFrames, 64)), data_(capacity_ * 2) {}

  size_t capacity() const { return capacity_; }
  size_t available() const {
    return static_cast<size_t>(written_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire));
  }
  size_t space() const { return capacity_ - available(); }

  // Producer side: copies up to n frames; returns how many fitted.
  size_t write(const float* src, size_t n) {
    uint64_t w = written_.load(std::memory_order_relaxed);
    n = std::min(n, capacity_ - static_cast<size_t>(w - read_.load(std::memory_order_acquire)));
    copyIn(w % capacity_, src, n);
    written_.store(w + n, std::memory_order_release);
    return n;
  }

  // Consumer side: copies up to n frames out; returns how many there were.
  size_t read(float* dst, size_t n) {
    uint64_t r = read_.load(std::memory_order_relaxed);
    n = std::min(n, static_cast<size_t>(written_.load(std::memory_order_acquire) - r));
    copyOut(r % capacity_, dst, n);
    read_.store(r + n, std::memory_order_release);
    return n;
  }

  void reset() { read_.store(written_.load(std::memory_order_acquire), std::memory_order_release); }

 private:
  void copyIn(size_t at, const float* src, size_t n) {
    size_t first = std::min(n, capacity_ - at);
    std::memcpy(&data_[at * 2], src, first * 2 * sizeof(float));
    std::memcpy(&data_[0], src + first * 2, (n - first) * 2 * sizeof(float));
  }
  void copyOut(size_t at, float* dst, size_t n) {
    size_t first = std::min(n, capacity_ - at);
    std::memcpy(dst, &data_[at * 2], first * 2 * sizeof(float));
    std::memcpy(dst + first * 2, &data_[0], (n - first) * 2 * sizeof(float));
  }

  size_t capacity_;
  std::vector<float> data_;
  std::atomic<uint64_t> written_{0};
  std::atomic<uint64_t> read_{0};
};

}  // namespace audio
