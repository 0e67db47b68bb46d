// The framework's blend modes and the kernel that blends a rectangle of 32-bit pixels (bytes
// blue, green, red, unused) onto another. The mode is chosen once per rectangle; each mode runs
// its own tight loop over the rows, with or without a per-pixel alpha plane. The unused byte of
// every written pixel is 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ztools/zcolor.h"

namespace ZTools {

enum ZBlendMode : int32_t {
  kBlendOpaque = 0,
  kBlendTransparent = 1,
  kBlendAlpha = 2,
  kBlendDarken = 3,
  kBlendDifference = 4,
  kBlendLighten = 5,
  kBlendMultiply = 6,
  kBlendScreen = 7,
  kBlendLuminosity = 8,
  kBlendGrayscale = 9,
  kBlendHardLight = 10,
  kBlendSoftLight = 11,
  kBlendDynamicTint = 12,
  kBlendGamma = 13,
  kBlendColorBlend = 14,
  kBlendColorMultiply = 15,
  kBlendSaturate = 16,
  // Fills and transitions share the numbering with the blend modes.
  kGradientDiagonal = 17,
  kGradientHorizontal = 18,
  kGradientVertical = 19,
  kTransDither15Bit = 20,
  kTransDither16Bit = 21,
  kTransBlur = 22,
};

inline constexpr int32_t kBlendModeCount = 17;

// The markup word of a blend mode ("opaque" ... "saturate"); "" outside 0..16.
std::string_view BlendModeName(int32_t mode);
// The blend mode of a markup word (compared without regard to case), or kZErrIllegalPropertyValue.
int32_t BlendModeFromName(std::string_view word);

// What a blend takes from the drawing context: the amount A (0..255) and the tint colour t,
// which is also the key colour of `transparent`.
struct ZBlendParams {
  int32_t mode = kBlendOpaque;
  int32_t amount = 255;
  ZColor tint;
};

// Blends a w x h rectangle of `src` onto `dst`. Strides are in pixels (alpha: bytes); `alpha`
// may be null. A source stride of 0 repeats one row (fills). Modes outside 0..16 act as opaque.
void BlendRect(uint32_t* dst, ptrdiff_t dstStride, const uint32_t* src, ptrdiff_t srcStride, const uint8_t* alpha,
               ptrdiff_t alphaStride, int32_t w, int32_t h, const ZBlendParams& params);

}  // namespace ZTools
