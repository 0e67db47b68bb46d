// ZBitmap: creation, conversion, copying, filling, hit testing and loading of the framework's
// images. Memory failures are caught here and returned as kZErrOutOfMemory with the bitmap left
// empty.
#include "ztools/zbitmap.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "ztools/zbitmapfile.h"
#include "ztools/zbmp.h"
#include "ztools/base/zerror.h"
#include "ztools/zpng.h"

namespace ZTools {

std::string ImageExtension(std::string_view name) {
  size_t dot = name.find_last_of('.');
  size_t slash = name.find_last_of("/\\");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot))
    return {};
  std::string ext(name.substr(dot + 1));
  for (char& c : ext)
    c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

int32_t ZBitmap::Create(int32_t width, int32_t height, int32_t mode) {
  Free();
  if (mode < kBitmapModeScreen || mode > kBitmapModeAlpha || width < 0 || height < 0)
    return kZErrUnspecified;
  if (width == 0 || height == 0)
    return 0;
  if (width > kBitmapMaxSide || height > kBitmapMaxSide || int64_t(width) * height > kBitmapMaxPixels)
    return kZErrOutOfMemory;
  try {
    size_t count = size_t(width) * size_t(height);
    pixels_.resize(count);
    if (mode == kBitmapModeAlpha)
      alpha_.resize(count);
  } catch (const std::bad_alloc&) {
    Free();
    return kZErrOutOfMemory;
  }
  width_ = width;
  height_ = height;
  mode_ = mode;
  return 0;
}

void ZBitmap::Free() {
  pixels_ = {};
  alpha_ = {};
  width_ = height_ = 0;
  mode_ = kBitmapModeScreen;
}

int32_t ZBitmap::Copy(const IBitmap& from) {
  if (&from == this)
    return 0;
  const uint32_t* src = from.GetPixels();
  if (!src) {
    Free();
    return 0;
  }
  if (int32_t rc = Create(from.Width(), from.Height(), from.GetMode()))
    return rc;
  std::memcpy(pixels_.data(), src, pixels_.size() * sizeof(uint32_t));
  if (mode_ == kBitmapModeAlpha) {
    if (const uint8_t* a = from.GetAlphaPlane())
      std::memcpy(alpha_.data(), a, alpha_.size());
    else
      std::fill(alpha_.begin(), alpha_.end(), uint8_t(255));
  }
  return 0;
}

void ZBitmap::Fill(ZColor color) {
  std::fill(pixels_.begin(), pixels_.end(), color.ToPixel());
  std::fill(alpha_.begin(), alpha_.end(), uint8_t(255));
}

void ZBitmap::Blit(IBitmap& dest, const ZRect& destRect, ZPoint src) const {
  uint32_t* out = dest.GetPixels();
  if (!out || pixels_.empty())
    return;
  // Clip the destination to the destination bitmap, moving the source point along; then clip
  // against the source bitmap. 64-bit arithmetic keeps extreme rectangles from overflowing.
  int64_t dl = destRect.left, dt = destRect.top, dr = destRect.right, db = destRect.bottom;
  int64_t sx = src.x, sy = src.y;
  if (dl < 0) {
    sx -= dl;
    dl = 0;
  }
  if (dt < 0) {
    sy -= dt;
    dt = 0;
  }
  dr = std::min<int64_t>(dr, dest.Width());
  db = std::min<int64_t>(db, dest.Height());
  if (sx < 0) {
    dl -= sx;
    sx = 0;
  }
  if (sy < 0) {
    dt -= sy;
    sy = 0;
  }
  dr = std::min<int64_t>(dr, dl + (width_ - sx));
  db = std::min<int64_t>(db, dt + (height_ - sy));
  if (dr <= dl || db <= dt)
    return;
  size_t w = size_t(dr - dl);
  auto copyRow = [&](int64_t y) {
    std::memmove(out + size_t(y) * dest.Width() + size_t(dl),
                 pixels_.data() + size_t(sy + y - dt) * width_ + size_t(sx), w * sizeof(uint32_t));
  };
  // Within one bitmap, copy rows in the order that reads each source row before it is written.
  if (out == pixels_.data() && dt > sy) {
    for (int64_t y = db - 1; y >= dt; --y)
      copyRow(y);
  } else {
    for (int64_t y = dt; y < db; ++y)
      copyRow(y);
  }
}

int32_t ZBitmap::Convert(int32_t mode) {
  if (mode < kBitmapModeScreen || mode > kBitmapModeAlpha)
    return kZErrUnspecified;
  if (mode == mode_)
    return 0;
  if (pixels_.empty())
    return 0;
  if (mode == kBitmapModeAlpha) {
    try {
      alpha_.assign(pixels_.size(), uint8_t(255));
    } catch (const std::bad_alloc&) {
      Free();
      return kZErrOutOfMemory;
    }
  } else {
    alpha_ = {};
  }
  mode_ = mode;
  return 0;
}

bool ZBitmap::HitAt(ZPoint p) const {
  if (p.x < 0 || p.y < 0 || p.x >= width_ || p.y >= height_)
    return false;
  if (alpha_.empty())
    return true;
  return alpha_[size_t(p.y) * width_ + p.x] >= threshold;
}

int32_t ZBitmap::LoadFromMemory(const void* data, size_t size, ZImageFormat format, int32_t mode) {
  Free();
  if (mode < kBitmapModeScreen || mode > kBitmapModeAlpha)
    return kZErrUnspecified;
  ZDecodedImage image;
  const auto* bytes = static_cast<const uint8_t*>(data);
  int32_t rc = format == ZImageFormat::kPNG ? ZDecodePNG(bytes, size, image) : ZDecodeBMP(bytes, size, image);
  if (rc != 0)
    return rc;
  // A BMP never has an alpha plane; a PNG with alpha becomes mode 2, else mode 1; a request for
  // mode 0 then drops the pixel promise and the alpha plane.
  width_ = image.width;
  height_ = image.height;
  pixels_ = std::move(image.pixels);
  if (format == ZImageFormat::kPNG && !image.alpha.empty()) {
    alpha_ = std::move(image.alpha);
    mode_ = kBitmapModeAlpha;
  } else {
    mode_ = kBitmapModePixels;
  }
  if (mode == kBitmapModeScreen)
    Convert(kBitmapModeScreen);
  return 0;
}

int32_t ZBitmap::Load(std::string_view name, int32_t mode) {
  Free();
  std::string ext = ImageExtension(name);
  ZImageFormat format;
  if (ext == "bmp")
    format = ZImageFormat::kBMP;
  else if (ext == "png")
    format = ZImageFormat::kPNG;
  else
    return kZErrFileReadFailed;
  if (mode < kBitmapModeScreen || mode > kBitmapModeAlpha)
    return kZErrUnspecified;
  std::vector<uint8_t> bytes;
  if (int32_t rc = ReadBitmapFile(name, format == ZImageFormat::kBMP, bytes))
    return rc;
  return LoadFromMemory(bytes.data(), bytes.size(), format, mode);
}

int32_t ZBitmap::LoadResource(uint32_t /*number*/, int32_t mode) {
  Free();
  if (mode < kBitmapModeScreen || mode > kBitmapModeAlpha)
    return kZErrUnspecified;
  // The program carries no numbered bitmap resources.
  return kZErrNotFound;
}

}  // namespace ZTools
