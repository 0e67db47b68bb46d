// Test images made on the spot: PNGs of any colour type and bit depth written with libpng into
// memory, and small BMP files assembled byte by byte.
#pragma once

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace ZTools::TestImages {

struct PNGSpec {
  int width = 1;
  int height = 1;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlace = false;
  std::vector<uint8_t> data;  // packed rows as the PNG stores them (no filter byte)
  std::vector<png_color> palette;
  std::vector<uint8_t> trnsAlpha;  // palette transparency
  bool trnsColor = false;          // grey/RGB transparency colour
  png_color_16 trnsValue{};
  double gamma = 0;  // file gamma when > 0
};

inline void AppendToVector(png_structp png, png_bytep data, png_size_t len) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + len);
}
inline void NoFlush(png_structp) {}

inline std::vector<uint8_t> MakePNG(const PNGSpec& spec) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendToVector, NoFlush);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
               spec.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty())
    png_set_PLTE(png, info, spec.palette.data(), int(spec.palette.size()));
  if (!spec.trnsAlpha.empty())
    png_set_tRNS(png, info, spec.trnsAlpha.data(), int(spec.trnsAlpha.size()), nullptr);
  if (spec.trnsColor)
    png_set_tRNS(png, info, nullptr, 0, &spec.trnsValue);
  if (spec.gamma > 0)
    png_set_gAMA(png, info, spec.gamma);
  png_write_info(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<png_bytep> rows(spec.height);
  for (int y = 0; y < spec.height; ++y)
    rows[y] = const_cast<png_bytep>(spec.data.data() + y * rowBytes);
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

inline void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = uint8_t(x);
  v[at + 1] = uint8_t(x >> 8);
}
inline void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  Put16(v, at, x);
  Put16(v, at + 2, x >> 16);
}

// A BMP with a 40-byte info header: `palette` (B, G, R, 0 per entry) and `pixels` as stored.
inline std::vector<uint8_t> MakeBMP(int width, int height, int bpp, uint32_t compression,
                                    const std::vector<uint8_t>& palette, const std::vector<uint8_t>& pixels,
                                    const std::vector<uint8_t>& masks = {}) {
  size_t offset = 14 + 40 + masks.size() + palette.size();
  std::vector<uint8_t> f(offset);
  f[0] = 'B';
  f[1] = 'M';
  Put32(f, 2, uint32_t(offset + pixels.size()));
  Put32(f, 10, uint32_t(offset));
  Put32(f, 14, 40);
  Put32(f, 18, uint32_t(width));
  Put32(f, 22, uint32_t(height));
  Put16(f, 26, 1);
  Put16(f, 28, uint32_t(bpp));
  Put32(f, 30, compression);
  Put32(f, 34, uint32_t(pixels.size()));
  Put32(f, 46, uint32_t(palette.size() / 4));
  std::copy(masks.begin(), masks.end(), f.begin() + 54);
  std::copy(palette.begin(), palette.end(), f.begin() + 54 + ptrdiff_t(masks.size()));
  f.insert(f.end(), pixels.begin(), pixels.end());
  return f;
}

}  // namespace ZTools::TestImages
