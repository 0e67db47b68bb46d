// The program's clock: milliseconds on the monotonic clock, 64 bits, never wrapping and never
// going back when the wall clock is set.
#pragma once

#include <cstdint>
#include <ctime>

namespace Platform {

inline uint64_t NowMs() noexcept {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
}

}  // namespace Platform
