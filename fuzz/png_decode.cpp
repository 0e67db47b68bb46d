// libFuzzer target for PNG decoding: every input is decoded from memory as a skin's PNG bitmap.
// The chunks' CRCs are made right first (libpng is not instrumented, so the fuzzer cannot learn
// them), letting mutated chunks reach the decoder. A result is either an image whose planes
// match its size or a failure with the image empty.
// fuzz-links: ztools
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ztools/zpng.h"

namespace {

void FixChunkCrcs(std::vector<uint8_t>& png) {
  auto u32 = [&](size_t at) {
    return uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 | uint32_t(png[at + 2]) << 8 | png[at + 3];
  };
  for (size_t at = 8; at + 12 <= png.size();) {
    size_t length = u32(at);
    if (length > png.size() - at - 12)
      break;
    uint32_t crc = uint32_t(crc32(0, png.data() + at + 4, uInt(length + 4)));
    size_t end = at + 8 + length;
    png[end] = uint8_t(crc >> 24), png[end + 1] = uint8_t(crc >> 16), png[end + 2] = uint8_t(crc >> 8);
    png[end + 3] = uint8_t(crc);
    at = end + 4;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> png(data, data + size);
  FixChunkCrcs(png);
  ZTools::ZDecodedImage image;
  int32_t rc = ZTools::ZDecodePNG(png.data(), png.size(), image);
  size_t count = size_t(image.width) * size_t(image.height);
  if (rc == 0 && (count == 0 || image.pixels.size() != count || (!image.alpha.empty() && image.alpha.size() != count)))
    std::abort();
  if (rc != 0 && ((rc != -9 && rc != -3) || !image.pixels.empty() || !image.alpha.empty()))
    std::abort();
  return 0;
}
