// IBitmap and ZBitmap: the framework's images. Pixels are 32 bits, stored as the bytes blue,
// green, red, unused (unused kept 0), top row first, rows without padding. Mode 0 is a
// "screen-compatible" bitmap (the same buffer, but callers must not rely on pixel access),
// mode 1 a pixel bitmap, mode 2 a pixel bitmap with an alpha plane of width x height bytes.
// An empty bitmap has size 0 and mode 0. Loading decodes PNG and BMP files read through the
// resource layer; a failed load leaves the bitmap empty and returns a framework code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ztools/zcolor.h"
#include "ztools/zgeometry.h"

namespace ZTools {

inline constexpr int32_t kBitmapModeScreen = 0;  // markup word "normal"
inline constexpr int32_t kBitmapModePixels = 1;  // markup word "extended"
inline constexpr int32_t kBitmapModeAlpha = 2;   // pixels and an alpha plane

// Largest image the framework makes or loads: bigger requests fail with kZErrOutOfMemory.
inline constexpr int32_t kBitmapMaxSide = 16384;
inline constexpr int64_t kBitmapMaxPixels = 64ll * 1024 * 1024;

// The image file kinds Load understands, chosen by the name's extension.
enum class ZImageFormat {
  kBMP,
  kPNG
};

class IBitmap {
 public:
  virtual ~IBitmap() = default;

  // Replaces the image by an uninitialised one of that size. 0 or kZErrUnspecified (bad mode or
  // negative size) or kZErrOutOfMemory (too big, no memory); on failure the bitmap is empty.
  virtual int32_t Create(int32_t width, int32_t height, int32_t mode) = 0;
  // Loads an image file by name (extension "bmp" or "png") or a program resource by number.
  virtual int32_t Load(std::string_view name, int32_t mode) = 0;
  virtual int32_t LoadResource(uint32_t number, int32_t mode) = 0;
  // Becomes a copy of `from`: size, mode, pixels and alpha plane.
  virtual int32_t Copy(const IBitmap& from) = 0;
  virtual void Free() = 0;
  // Sets every pixel to the colour; in mode 2 the alpha plane becomes 255.
  virtual void Fill(ZColor color) = 0;
  // Plain copy of this bitmap's pixels from `src` onto `dest` at `destRect`, clipped to both.
  virtual void Blit(IBitmap& dest, const ZRect& destRect, ZPoint src) const = 0;
  virtual int32_t Convert(int32_t mode) = 0;
  virtual int32_t GetMode() const = 0;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  virtual bool HitAt(ZPoint p) const = 0;
  // Row-major pixels (Width() per row); null when empty.
  virtual uint32_t* GetPixels() = 0;
  virtual const uint32_t* GetPixels() const = 0;
  // The alpha plane (Width() bytes per row); null unless mode 2.
  virtual uint8_t* GetAlphaPlane() = 0;
  virtual const uint8_t* GetAlphaPlane() const = 0;
};

class ZBitmap : public IBitmap {
 public:
  ZBitmap() = default;
  ZBitmap(const ZBitmap&) = delete;
  ZBitmap& operator=(const ZBitmap&) = delete;
  ZBitmap(ZBitmap&&) noexcept = default;
  ZBitmap& operator=(ZBitmap&&) noexcept = default;
  ~ZBitmap() override = default;

  int32_t Create(int32_t width, int32_t height, int32_t mode) override;
  int32_t Load(std::string_view name, int32_t mode) override;
  int32_t LoadResource(uint32_t number, int32_t mode) override;
  int32_t Copy(const IBitmap& from) override;
  void Free() override;
  void Fill(ZColor color) override;
  void Blit(IBitmap& dest, const ZRect& destRect, ZPoint src) const override;
  int32_t Convert(int32_t mode) override;
  int32_t GetMode() const override { return mode_; }
  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }
  bool HitAt(ZPoint p) const override;
  uint32_t* GetPixels() override { return pixels_.empty() ? nullptr : pixels_.data(); }
  const uint32_t* GetPixels() const override { return pixels_.empty() ? nullptr : pixels_.data(); }
  uint8_t* GetAlphaPlane() override { return alpha_.empty() ? nullptr : alpha_.data(); }
  const uint8_t* GetAlphaPlane() const override { return alpha_.empty() ? nullptr : alpha_.data(); }

  // Decodes an image held in memory, as Load does after reading the file.
  int32_t LoadFromMemory(const void* data, size_t size, ZImageFormat format, int32_t mode);

  bool IsEmpty() const { return pixels_.empty(); }
  ZRect Bounds() const { return {0, 0, width_, height_}; }

  // The hit threshold: HitAt on a bitmap with an alpha plane needs alpha >= threshold.
  int32_t threshold = 0;

 protected:
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t mode_ = kBitmapModeScreen;
  std::vector<uint32_t> pixels_;
  std::vector<uint8_t> alpha_;
};

// The extension of a file name, lower-cased, without the dot ("" when there is none).
std::string ImageExtension(std::string_view name);

}  // namespace ZTools
