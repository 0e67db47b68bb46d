// ZDecodedImage: what the image decoders (PNG, BMP) produce and ZBitmap turns into a bitmap:
// pixels in the bitmap layout (blue, green, red, 0), top row first, and, when the image has an
// alpha channel, one alpha byte per pixel.
#pragma once

#include <cstdint>
#include <vector>

namespace ZTools {

struct ZDecodedImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
  std::vector<uint8_t> alpha;  // empty when the image has no alpha channel

  void Clear() {
    width = height = 0;
    pixels = {};
    alpha = {};
  }
};

}  // namespace ZTools
