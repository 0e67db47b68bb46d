// PNG decoding into the framework's pixel layout with libpng: the whole file is in memory, the
// decoder never reads outside it and rejects images larger than the framework's limits.
// ZPNGWrite stores a bitmap as an 8-bit RGB or RGBA PNG (tools and tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ztools/zbitmapdata.h"

namespace ZTools {

class IBitmap;

// Decodes a PNG: palette and bit depths below 8 are expanded, a transparency chunk becomes an
// alpha channel, 16-bit samples are stripped to 8 bits, grey becomes RGB, and a gamma chunk
// applies gamma correction for a screen gamma of 2.2. Returns 0; kZErrFileReadFailed for a
// missing signature, a damaged or truncated file and a missing info structure; kZErrOutOfMemory
// for memory and for images over the size limits. On failure `out` is empty.
int32_t ZDecodePNG(const uint8_t* data, size_t size, ZDecodedImage& out);

// Writes the bitmap as a PNG file (RGBA when it has an alpha plane, else RGB). 0 or
// kZErrFileWriteFailed.
int32_t ZPNGWrite(const IBitmap& bitmap, const std::string& path);

}  // namespace ZTools
