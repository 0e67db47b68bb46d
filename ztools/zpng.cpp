// PNG reading and writing with libpng. libpng reports errors by longjmp; the functions that call
// setjmp hold no C++ objects with destructors between setjmp and the libpng calls, so a jump
// skips nothing. The image is read straight into the bitmap layout: libpng's BGR order and a
// zero filler give blue, green, red, 0; with alpha the fourth byte is moved to the alpha plane.
#include "ztools/zpng.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "ztools/zbitmap.h"
#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > r->size - r->pos)
    png_error(png, "truncated file");
  std::memcpy(out, r->data + r->pos, length);
  r->pos += length;
}

void IgnoreWarning(png_structp, png_const_charp) {}
void JumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Owns the read structures of one decode.
struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStructs() {
    if (png)
      png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

// What the header asks for, filled in by ReadHeader.
struct Header {
  png_uint_32 width;
  png_uint_32 height;
  bool alpha;
};

// Reads the header and sets up the transformations. Returns 0, kZErrFileReadFailed, or
// kZErrOutOfMemory for an image over the framework's size limits.
int ReadHeader(png_structp png, png_infop info, Header* h) {
  if (setjmp(png_jmpbuf(png)))
    return kZErrFileReadFailed;
  png_set_sig_bytes(png, 8);
  // The framework's own limits are checked below; libpng's must not be tighter.
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_read_info(png, info);
  // Before libpng sizes its row buffers from the header (a 60-byte file may claim gigabytes).
  png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  if (width > uint32_t(kBitmapMaxSide) || height > uint32_t(kBitmapMaxSide) ||
      int64_t(width) * height > kBitmapMaxPixels)
    return kZErrOutOfMemory;
  int colorType = png_get_color_type(png, info);
  int depth = png_get_bit_depth(png, info);
  bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE)
    png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
    png_set_expand_gray_1_2_4_to_8(png);
  if (trns)
    png_set_tRNS_to_alpha(png);
  if (depth == 16)
    png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  double fileGamma = 0;
  if (png_get_gAMA(png, info, &fileGamma) && fileGamma > 0)
    png_set_gamma(png, 2.2, fileGamma);
  h->alpha = trns || (colorType & PNG_COLOR_MASK_ALPHA) != 0;
  png_set_bgr(png);
  if (!h->alpha)
    png_set_filler(png, 0, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(png_get_image_width(png, info)) * 4)
    return kZErrFileReadFailed;
  h->width = png_get_image_width(png, info);
  h->height = png_get_image_height(png, info);
  return 0;
}

// Reads the image into `rows` (one pointer per row). Returns 0 or kZErrFileReadFailed.
int ReadPixels(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png)))
    return kZErrFileReadFailed;
  png_read_image(png, rows);
  return 0;
}

// Reads what follows the image data. Once every row has arrived the picture is complete, so a
// file that is damaged or cut short only after its image data still loads.
void ReadTrailer(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png)))
    return;
  png_read_end(png, info);
}

int32_t Decode(const uint8_t* data, size_t size, ZDecodedImage& out) {
  if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0)
    return kZErrFileReadFailed;
  ReadStructs rs;
  rs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
  if (!rs.png)
    return kZErrOutOfMemory;
  rs.info = png_create_info_struct(rs.png);
  if (!rs.info)
    return kZErrFileReadFailed;
  MemoryReader reader{data, size, 8};
  png_set_read_fn(rs.png, &reader, ReadFromMemory);

  Header h{};
  if (int32_t rc = ReadHeader(rs.png, rs.info, &h))
    return rc;
  if (h.width == 0 || h.height == 0)
    return kZErrFileReadFailed;

  out.width = int32_t(h.width);
  out.height = int32_t(h.height);
  size_t count = size_t(h.width) * h.height;
  out.pixels.resize(count);
  std::vector<png_bytep> rows(h.height);
  for (png_uint_32 y = 0; y < h.height; ++y)
    rows[y] = reinterpret_cast<png_bytep>(out.pixels.data() + size_t(y) * h.width);
  if (int32_t rc = ReadPixels(rs.png, rows.data()))
    return rc;
  ReadTrailer(rs.png, rs.info);

  if (h.alpha) {
    out.alpha.resize(count);
    for (size_t i = 0; i < count; ++i) {
      out.alpha[i] = uint8_t(out.pixels[i] >> 24);
      out.pixels[i] &= 0x00ffffffu;
    }
  }
  return 0;
}

struct WriteStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  FILE* file = nullptr;
  ~WriteStructs() {
    if (png)
      png_destroy_write_struct(&png, info ? &info : nullptr);
    if (file)
      std::fclose(file);
  }
};

int WriteRows(png_structp png, png_infop info, FILE* file, int w, int h, bool alpha, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png)))
    return kZErrFileWriteFailed;
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  return 0;
}

}  // namespace

int32_t ZDecodePNG(const uint8_t* data, size_t size, ZDecodedImage& out) {
  out.Clear();
  int32_t rc;
  try {
    rc = Decode(data, size, out);
  } catch (const std::bad_alloc&) {
    rc = kZErrOutOfMemory;
  }
  if (rc != 0)
    out.Clear();
  return rc;
}

int32_t ZPNGWrite(const IBitmap& bitmap, const std::string& path) {
  const uint32_t* pixels = bitmap.GetPixels();
  const uint8_t* alpha = bitmap.GetAlphaPlane();
  int w = bitmap.Width(), h = bitmap.Height();
  if (!pixels || w <= 0 || h <= 0)
    return kZErrFileWriteFailed;
  int channels = alpha ? 4 : 3;
  std::vector<uint8_t> buffer(size_t(w) * h * channels);
  std::vector<png_bytep> rows(h);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = buffer.data() + size_t(y) * w * channels;
    rows[y] = row;
    for (int x = 0; x < w; ++x) {
      uint32_t p = pixels[size_t(y) * w + x];
      uint8_t* o = row + size_t(x) * channels;
      o[0] = uint8_t(p >> 16);
      o[1] = uint8_t(p >> 8);
      o[2] = uint8_t(p);
      if (alpha)
        o[3] = alpha[size_t(y) * w + x];
    }
  }
  WriteStructs ws;
  ws.file = std::fopen(path.c_str(), "wb");
  if (!ws.file)
    return kZErrFileWriteFailed;
  ws.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
  if (!ws.png)
    return kZErrFileWriteFailed;
  ws.info = png_create_info_struct(ws.png);
  if (!ws.info)
    return kZErrFileWriteFailed;
  int rc = WriteRows(ws.png, ws.info, ws.file, w, h, alpha != nullptr, rows.data());
  if (rc == 0 && std::fflush(ws.file) != 0)
    rc = kZErrFileWriteFailed;
  return rc;
}

}  // namespace ZTools
