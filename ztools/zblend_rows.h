// The row kernels of the two blends every skin leans on: the source mixed in by a constant amount,
// and the source mixed in by its alpha plane. Each comes in a portable form and, on x86-64, in
// SSE2 and AVX2 forms picked once per rectangle by what the processor offers; every form gives
// the same bytes. The blend modes themselves are in zblend.cpp.
#pragma once

#include <cstdint>
#include <span>

namespace ZTools {

// Per channel d = (d * (256 - a) + s * a) >> 8 with a = alpha[x] * amount >> 8 (amount 0..256;
// 256 leaves the plane's alpha as it is). The unused byte of every pixel becomes 0.
using ZSourceOverRow = void (*)(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int32_t pixels,
                                unsigned amount);
// Per channel d = (d * (256 - A) + s * A) >> 8 for one amount A (0..255); the unused byte becomes 0.
using ZMixRow = void (*)(uint8_t* dst, const uint8_t* src, int32_t pixels, unsigned amount);

struct ZBlendRowKernels {
  const char* name;
  ZSourceOverRow sourceOver;
  ZMixRow mix;
};

// The kernel sets this processor can run, fastest first; the last is the portable one.
std::span<const ZBlendRowKernels> AvailableBlendRowKernels();

}  // namespace ZTools
