// BMP decoding into the framework's pixel layout: Windows bitmap files with the core, info, v4
// and v5 headers; 1, 4 and 8 bits with a palette (uncompressed, RLE4, RLE8), 16 bits (5-5-5 or
// bit fields), 24 and 32 bits (plain or bit fields); bottom-up and top-down rows. BMP images
// never have an alpha plane.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ztools/zbitmapdata.h"

namespace ZTools {

// Returns 0; kZErrFileReadFailed for a damaged, truncated or unsupported file; kZErrOutOfMemory
// for memory and for images over the size limits. On failure `out` is empty.
int32_t ZDecodeBMP(const uint8_t* data, size_t size, ZDecodedImage& out);

}  // namespace ZTools
