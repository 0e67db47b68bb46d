// Gradient fills and transitions of the drawing context. Gradients interpolate each channel in
// integers from the first colour at the start edge (left, top, or the top-left corner) to the
// second at the far edge, so both end colours appear exactly. Dithering uses a 4 x 4 ordered
// (Bayer) matrix anchored at the bitmap's origin, so neighbouring rectangles line up; its result
// keeps only the bits a 15- or 16-bit screen shows, which also makes it idempotent. The blur is
// a 3 x 3 box filter that reads neighbours outside the rectangle (within the bitmap).
#include <algorithm>
#include <vector>

#include "ztools/zdrawcontext.h"

namespace ZTools {
namespace {

constexpr uint8_t kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

uint32_t Mix(ZColor from, ZColor to, int64_t pos, int64_t span) {
  if (span <= 0)
    return from.ToPixel();
  auto ch = [&](int a, int b) {
    return uint32_t(a + (b - a) * pos / span);
  };
  return ch(from.b, to.b) | ch(from.g, to.g) << 8 | ch(from.r, to.r) << 16;
}

uint8_t Quantise(int v, int threshold, int mask) { return uint8_t(std::min(255, v + threshold) & mask); }

}  // namespace

void ZDrawContext::FillGradient(const ZRect& rect, ZColor from, ZColor to, int32_t kind) {
  ZRect d = ToClippedDevice(rect);
  if (d.IsEmpty())
    return;
  // The whole rectangle in device coordinates defines the gradient; clipping only cuts it.
  const int64_t fl = int64_t(rect.left) + origin_.x, ft = int64_t(rect.top) + origin_.y;
  const int64_t fw = int64_t(rect.right) - rect.left, fh = int64_t(rect.bottom) - rect.top;
  for (int32_t y = d.top; y < d.bottom; ++y) {
    uint32_t* row = pixels_.data() + size_t(y) * width_;
    if (kind == kGradientVertical) {
      std::fill(row + d.left, row + d.right, Mix(from, to, y - ft, fh - 1));
    } else if (kind == kGradientHorizontal) {
      for (int32_t x = d.left; x < d.right; ++x)
        row[x] = Mix(from, to, x - fl, fw - 1);
    } else {
      for (int32_t x = d.left; x < d.right; ++x)
        row[x] = Mix(from, to, (x - fl) + (y - ft), fw + fh - 2);
    }
  }
}

void ZDrawContext::ApplyTransition(const ZRect& rect, int32_t kind) {
  ZRect d = ToClippedDevice(rect);
  if (d.IsEmpty())
    return;
  if (kind == kTransDither15Bit || kind == kTransDither16Bit) {
    const int greenShift = kind == kTransDither16Bit ? 2 : 1;
    const int greenMask = kind == kTransDither16Bit ? 0xfc : 0xf8;
    for (int32_t y = d.top; y < d.bottom; ++y) {
      uint8_t* row = reinterpret_cast<uint8_t*>(pixels_.data() + size_t(y) * width_);
      for (int32_t x = d.left; x < d.right; ++x) {
        int b = kBayer[y & 3][x & 3];
        uint8_t* p = row + 4 * size_t(x);
        p[0] = Quantise(p[0], b >> 1, 0xf8);
        p[1] = Quantise(p[1], b >> greenShift, greenMask);
        p[2] = Quantise(p[2], b >> 1, 0xf8);
      }
    }
    return;
  }
  if (kind != kTransBlur)
    return;
  // Copy the rectangle with a one-pixel margin (clamped to the bitmap), then average.
  const int32_t ml = std::max(d.left - 1, 0), mt = std::max(d.top - 1, 0);
  const int32_t mr = std::min(d.right + 1, width_), mb = std::min(d.bottom + 1, height_);
  const int32_t cw = mr - ml;
  std::vector<uint32_t> copy(size_t(cw) * (mb - mt));
  for (int32_t y = mt; y < mb; ++y)
    std::copy(pixels_.data() + size_t(y) * width_ + ml, pixels_.data() + size_t(y) * width_ + mr,
              copy.data() + size_t(y - mt) * cw);
  for (int32_t y = d.top; y < d.bottom; ++y) {
    for (int32_t x = d.left; x < d.right; ++x) {
      int sum[3] = {0, 0, 0}, n = 0;
      for (int32_t yy = std::max(y - 1, mt); yy <= std::min(y + 1, mb - 1); ++yy)
        for (int32_t xx = std::max(x - 1, ml); xx <= std::min(x + 1, mr - 1); ++xx) {
          uint32_t p = copy[size_t(yy - mt) * cw + (xx - ml)];
          sum[0] += int(p & 255), sum[1] += int(p >> 8 & 255), sum[2] += int(p >> 16 & 255);
          ++n;
        }
      pixels_[size_t(y) * width_ + x] =
          uint32_t((sum[0] + n / 2) / n) | uint32_t((sum[1] + n / 2) / n) << 8 | uint32_t((sum[2] + n / 2) / n) << 16;
    }
  }
}

}  // namespace ZTools
