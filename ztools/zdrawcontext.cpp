// ZDrawContext: drawing state, clipping, fills and bitmap drawing. Every operation first turns
// its rectangle into device pixels cut to the clip rectangle (in 64 bits, so extreme or negative
// rectangles cannot overflow) and then hands plain pixel rows to the blend kernels.
#include "ztools/zdrawcontext.h"

#include <algorithm>
#include <vector>

namespace ZTools {
namespace {

// Rectangle in 64-bit device coordinates, cut to `clip`; empty when nothing is left.
ZRect Cut(int64_t l, int64_t t, int64_t r, int64_t b, const ZRect& clip) {
  l = std::max<int64_t>(l, clip.left);
  t = std::max<int64_t>(t, clip.top);
  r = std::min<int64_t>(r, clip.right);
  b = std::min<int64_t>(b, clip.bottom);
  if (r <= l || b <= t)
    return {};
  return {int32_t(l), int32_t(t), int32_t(r), int32_t(b)};
}

}  // namespace

int32_t ZDrawContext::Resize(int32_t width, int32_t height) {
  clipSet_ = false;
  return Create(width, height, kBitmapModePixels);
}

void ZDrawContext::SetAmount(int32_t amount) { amount_ = std::clamp(amount, 0, 255); }

void ZDrawContext::SetFont(int32_t font) { font_ = std::clamp(font, 0, kFontCount - 1); }

void ZDrawContext::SetClipRect(const ZRect& rect) {
  ZRect device = Cut(int64_t(rect.left) + origin_.x, int64_t(rect.top) + origin_.y, int64_t(rect.right) + origin_.x,
                     int64_t(rect.bottom) + origin_.y, Bounds());
  clip_ = device;
  clipSet_ = true;
}

ZRect ZDrawContext::ToClippedDevice(const ZRect& rect) const {
  return Cut(int64_t(rect.left) + origin_.x, int64_t(rect.top) + origin_.y, int64_t(rect.right) + origin_.x,
             int64_t(rect.bottom) + origin_.y, DeviceClip());
}

void ZDrawContext::FillDevice(const ZRect& device, uint32_t pixel) {
  if (device.IsEmpty() || pixels_.empty())
    return;
  for (int32_t y = device.top; y < device.bottom; ++y) {
    uint32_t* row = pixels_.data() + size_t(y) * width_;
    std::fill(row + device.left, row + device.right, pixel);
  }
}

void ZDrawContext::FillRect(const ZRect& rect) {
  if (blendMode_ >= kGradientDiagonal && blendMode_ <= kGradientVertical) {
    FillGradient(rect, color_, backColor_, blendMode_);
    return;
  }
  if (blendMode_ >= kTransDither15Bit && blendMode_ <= kTransBlur) {
    ApplyTransition(rect, blendMode_);
    return;
  }
  ZRect d = ToClippedDevice(rect);
  if (d.IsEmpty())
    return;
  if (blendMode_ <= kBlendOpaque || blendMode_ >= kBlendModeCount) {
    FillDevice(d, color_.ToPixel());
    return;
  }
  std::vector<uint32_t> row(size_t(d.Width()), color_.ToPixel());
  BlendRect(pixels_.data() + size_t(d.top) * width_ + d.left, width_, row.data(), 0, nullptr, 0, d.Width(), d.Height(),
            BlendParams());
}

void ZDrawContext::DrawBitmap(const IBitmap& src, ZPoint at) {
  DrawBitmap(src, ZRect(0, 0, src.Width(), src.Height()), at);
}

void ZDrawContext::DrawBitmap(const IBitmap& src, const ZRect& part, ZPoint at) {
  const uint32_t* sp = src.GetPixels();
  if (!sp || pixels_.empty())
    return;
  // The part, cut to the source bitmap; the destination moves with its top-left corner.
  int64_t pl = part.left, pt = part.top;
  ZRect p = Cut(pl, pt, part.right, part.bottom, ZRect(0, 0, src.Width(), src.Height()));
  if (p.IsEmpty())
    return;
  int64_t dl = int64_t(at.x) + origin_.x + (p.left - pl);
  int64_t dt = int64_t(at.y) + origin_.y + (p.top - pt);
  ZRect d = Cut(dl, dt, dl + p.Width(), dt + p.Height(), DeviceClip());
  if (d.IsEmpty())
    return;
  int64_t sx = p.left + (d.left - dl), sy = p.top + (d.top - dt);
  const int32_t sw = src.Width();
  const uint8_t* alpha = src.GetAlphaPlane();
  BlendRect(pixels_.data() + size_t(d.top) * width_ + d.left, width_, sp + size_t(sy) * sw + size_t(sx), sw,
            alpha ? alpha + size_t(sy) * sw + size_t(sx) : nullptr, sw, d.Width(), d.Height(), BlendParams());
}

uint32_t ZDrawContext::GetPixel(ZPoint p) const {
  int64_t x = int64_t(p.x) + origin_.x, y = int64_t(p.y) + origin_.y;
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    return 0;
  return pixels_[size_t(y) * width_ + size_t(x)];
}

void ZDrawContext::SetPixel(ZPoint p, ZColor c) {
  int64_t x = int64_t(p.x) + origin_.x, y = int64_t(p.y) + origin_.y;
  FillDevice(Cut(x, y, x + 1, y + 1, DeviceClip()), c.ToPixel());
}

}  // namespace ZTools
