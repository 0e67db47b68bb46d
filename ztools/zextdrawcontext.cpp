// ZExtDrawContext: raw pixel blending and screen dithering on top of the drawing context.
#include "ztools/zextdrawcontext.h"

#include <algorithm>

namespace ZTools {

void ZExtDrawContext::BlendPixels(ZPoint at, const uint32_t* pixels, ptrdiff_t stride, const uint8_t* alpha,
                                  ptrdiff_t alphaStride, int32_t w, int32_t h) {
  if (!pixels || w <= 0 || h <= 0 || pixels_.empty())
    return;
  const int64_t dl = int64_t(at.x) + origin_.x, dt = int64_t(at.y) + origin_.y;
  const ZRect clip = DeviceClip();
  const int64_t l = std::max<int64_t>(dl, clip.left), t = std::max<int64_t>(dt, clip.top);
  const int64_t r = std::min<int64_t>(dl + w, clip.right), b = std::min<int64_t>(dt + h, clip.bottom);
  if (r <= l || b <= t)
    return;
  const int64_t sx = l - dl, sy = t - dt;
  BlendRect(pixels_.data() + size_t(t) * width_ + size_t(l), width_, pixels + sy * stride + sx, stride,
            alpha ? alpha + sy * alphaStride + sx : nullptr, alphaStride, int32_t(r - l), int32_t(b - t),
            BlendParams());
}

bool ZExtDrawContext::SetDitherMode(int32_t mode) {
  mode = std::clamp(mode, kDitherNone, kDither565);
  if (mode == ditherMode_)
    return false;
  ditherMode_ = mode;
  return true;
}

void ZExtDrawContext::DitherForScreen(const ZRect& device) {
  if (ditherMode_ == kDitherNone)
    return;
  // ApplyTransition works in drawing coordinates: undo the origin and the clip for the call.
  const ZPoint origin = origin_;
  const bool clipSet = clipSet_;
  origin_ = ZPoint();
  clipSet_ = false;
  ApplyTransition(device, ditherMode_ == kDither565 ? kTransDither16Bit : kTransDither15Bit);
  origin_ = origin;
  clipSet_ = clipSet;
}

}  // namespace ZTools
