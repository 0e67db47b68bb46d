// libFuzzer target for BMP decoding: every input is decoded from memory as a skin's BMP bitmap.
// A result is either an image whose pixels match its size (never an alpha plane) or a failure
// with the image empty.
// fuzz-links: ztools
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ztools/zbmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ZTools::ZDecodedImage image;
  int32_t rc = ZTools::ZDecodeBMP(data, size, image);
  size_t count = size_t(image.width) * size_t(image.height);
  if (rc == 0 && (count == 0 || image.pixels.size() != count || !image.alpha.empty()))
    std::abort();
  if (rc != 0 && ((rc != -9 && rc != -3) || !image.pixels.empty()))
    std::abort();
  return 0;
}
