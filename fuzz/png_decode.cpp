// libFuzzer target for PNG decoding: every input is decoded from memory as a skin's PNG bitmap.
// A result is either an image whose planes match its size or a failure with the image empty.
// fuzz-links: ztools
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ztools/zpng.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ZTools::ZDecodedImage image;
  int32_t rc = ZTools::ZDecodePNG(data, size, image);
  size_t count = size_t(image.width) * size_t(image.height);
  if (rc == 0 && (count == 0 || image.pixels.size() != count || (!image.alpha.empty() && image.alpha.size() != count)))
    std::abort();
  if (rc != 0 && ((rc != -9 && rc != -3) || !image.pixels.empty() || !image.alpha.empty()))
    std::abort();
  return 0;
}
