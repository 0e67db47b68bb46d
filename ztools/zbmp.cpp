// BMP decoding. Every read is bounds-checked against the file held in memory; sizes are checked
// against the framework's limits before anything is allocated, and a file whose rows would
// reach past its end is refused rather than read short.
#include "ztools/zbmp.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "ztools/zbitmap.h"
#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

constexpr uint32_t kRGB = 0, kRLE8 = 1, kRLE4 = 2, kBitFields = 3, kAlphaBitFields = 6;

uint32_t U16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

// One colour channel described by a bit mask: shift to the lowest bit and scale to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  explicit Channel(uint32_t m = 0) : mask(m) {
    if (!m)
      return;
    while (!(m & 1)) {
      m >>= 1;
      ++shift;
    }
    max = m;
  }
  uint32_t Get(uint32_t v) const {
    if (!max)
      return 0;
    return uint32_t((uint64_t((v & mask) >> shift) * 255 + max / 2) / max);
  }
};

struct Info {
  int32_t width = 0;
  int32_t height = 0;  // always positive here
  bool topDown = false;
  uint32_t bpp = 0;
  uint32_t compression = kRGB;
  Channel red, green, blue;
  std::vector<uint32_t> palette;
};

int32_t ReadInfo(const uint8_t* data, size_t size, Info& info, size_t& pixelOffset) {
  if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M')
    return kZErrFileReadFailed;
  pixelOffset = U32(data + 10);
  const uint8_t* h = data + 14;
  uint32_t headerSize = U32(h);
  if (headerSize < 12 || headerSize > size - 14)
    return kZErrFileReadFailed;
  int64_t w, hgt;
  uint32_t colorsUsed = 0;
  size_t paletteEntry = 4;
  if (headerSize == 12) {
    w = U16(h + 4);
    hgt = int16_t(U16(h + 6));
    info.bpp = U16(h + 10);
    paletteEntry = 3;
  } else {
    if (headerSize < 40)
      return kZErrFileReadFailed;
    w = int32_t(U32(h + 4));
    hgt = int32_t(U32(h + 8));
    info.bpp = U16(h + 14);
    info.compression = U32(h + 16);
    colorsUsed = U32(h + 32);
  }
  if (hgt < 0) {
    info.topDown = true;
    hgt = -hgt;
  }
  if (w <= 0 || hgt <= 0)
    return kZErrFileReadFailed;
  if (w > kBitmapMaxSide || hgt > kBitmapMaxSide || w * hgt > kBitmapMaxPixels)
    return kZErrOutOfMemory;
  info.width = int32_t(w);
  info.height = int32_t(hgt);

  size_t after = 14 + size_t(headerSize);
  switch (info.bpp) {
    case 1:
    case 4:
    case 8:
      if (info.compression != kRGB && !(info.compression == kRLE8 && info.bpp == 8) &&
          !(info.compression == kRLE4 && info.bpp == 4))
        return kZErrFileReadFailed;
      break;
    case 16:
    case 24:
    case 32:
      if (info.compression == kBitFields || info.compression == kAlphaBitFields) {
        if (info.bpp == 24)
          return kZErrFileReadFailed;
        // A 40-byte header is followed by the masks; larger headers hold them.
        const uint8_t* m = h + 40;
        if (headerSize == 40) {
          if (size < after + 12)
            return kZErrFileReadFailed;
          after += info.compression == kAlphaBitFields ? 16 : 12;
          if (after > size)
            return kZErrFileReadFailed;
        } else if (headerSize < 52) {
          return kZErrFileReadFailed;
        }
        info.red = Channel(U32(m));
        info.green = Channel(U32(m + 4));
        info.blue = Channel(U32(m + 8));
      } else if (info.compression != kRGB) {
        return kZErrFileReadFailed;
      } else if (info.bpp == 16) {
        info.red = Channel(0x7c00);
        info.green = Channel(0x03e0);
        info.blue = Channel(0x001f);
      } else {
        info.red = Channel(0xff0000);
        info.green = Channel(0x00ff00);
        info.blue = Channel(0x0000ff);
      }
      break;
    default: return kZErrFileReadFailed;
  }

  if (info.bpp <= 8) {
    uint32_t count = colorsUsed ? std::min<uint32_t>(colorsUsed, 1u << info.bpp) : 1u << info.bpp;
    if ((size - after) / paletteEntry < count)
      return kZErrFileReadFailed;
    info.palette.resize(1u << info.bpp, 0);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = data + after + i * paletteEntry;
      info.palette[i] = uint32_t(e[0]) | uint32_t(e[1]) << 8 | uint32_t(e[2]) << 16;
    }
  }
  if (pixelOffset >= size)
    return kZErrFileReadFailed;
  return 0;
}

int32_t DecodeUncompressed(const uint8_t* data, size_t size, size_t offset, const Info& info, ZDecodedImage& out) {
  size_t stride = ((size_t(info.width) * info.bpp + 31) / 32) * 4;
  if ((size - offset) / stride < size_t(info.height))
    return kZErrFileReadFailed;
  for (int32_t row = 0; row < info.height; ++row) {
    const uint8_t* src = data + offset + size_t(row) * stride;
    int32_t y = info.topDown ? row : info.height - 1 - row;
    uint32_t* dst = out.pixels.data() + size_t(y) * info.width;
    for (int32_t x = 0; x < info.width; ++x) {
      uint32_t p;
      switch (info.bpp) {
        case 1: p = info.palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: p = info.palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
        case 8: p = info.palette[src[x]]; break;
        case 24: p = uint32_t(src[3 * x]) | uint32_t(src[3 * x + 1]) << 8 | uint32_t(src[3 * x + 2]) << 16; break;
        default: {
          uint32_t v = info.bpp == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
          p = info.blue.Get(v) | info.green.Get(v) << 8 | info.red.Get(v) << 16;
        }
      }
      dst[x] = p;
    }
  }
  return 0;
}

// RLE8 and RLE4: runs and literal strings of palette indices, bottom-up, with end-of-line,
// end-of-bitmap and position deltas. Pixels that no run reaches keep palette entry 0.
int32_t DecodeRLE(const uint8_t* data, size_t size, size_t offset, const Info& info, ZDecodedImage& out) {
  const bool four = info.compression == kRLE4;
  std::fill(out.pixels.begin(), out.pixels.end(), info.palette[0]);
  size_t pos = offset;
  int64_t x = 0, row = 0;
  auto put = [&](uint32_t index) {
    if (x < info.width && row < info.height) {
      int64_t y = info.topDown ? row : info.height - 1 - row;
      out.pixels[size_t(y) * info.width + size_t(x)] = info.palette[index];
    }
    ++x;
  };
  while (row < info.height) {
    if (size - pos < 2)
      return kZErrFileReadFailed;
    uint32_t count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (uint32_t i = 0; i < count; ++i)
        put(four ? ((i & 1) ? value & 15 : value >> 4) : value);
    } else if (value == 0) {
      x = 0;
      ++row;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (size - pos < 2)
        return kZErrFileReadFailed;
      x += data[pos];
      row += data[pos + 1];
      pos += 2;
    } else {
      size_t bytes = four ? (value + 1) / 2 : value;
      size_t padded = (bytes + 1) & ~size_t(1);
      if (size - pos < bytes)
        return kZErrFileReadFailed;
      for (uint32_t i = 0; i < value; ++i) {
        uint8_t b = data[pos + (four ? i / 2 : i)];
        put(four ? ((i & 1) ? b & 15 : b >> 4) : b);
      }
      pos += std::min(padded, size - pos);
    }
  }
  return 0;
}

}  // namespace

int32_t ZDecodeBMP(const uint8_t* data, size_t size, ZDecodedImage& out) {
  out.Clear();
  if (!data)
    return kZErrFileReadFailed;
  int32_t rc;
  try {
    Info info;
    size_t offset = 0;
    rc = ReadInfo(data, size, info, offset);
    if (rc == 0) {
      out.width = info.width;
      out.height = info.height;
      out.pixels.resize(size_t(info.width) * info.height);
      if (info.compression == kRLE8 || info.compression == kRLE4)
        rc = DecodeRLE(data, size, offset, info, out);
      else
        rc = DecodeUncompressed(data, size, offset, info, out);
    }
  } catch (const std::bad_alloc&) {
    rc = kZErrOutOfMemory;
  }
  if (rc != 0)
    out.Clear();
  return rc;
}

}  // namespace ZTools
