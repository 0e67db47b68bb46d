// ZExtDrawContext: the drawing context for screens that need more than plain drawing. It blends
// raw rectangles of 32-bit pixels (with an optional alpha plane) in any blend mode, and dithers
// its pixels for 15- and 16-bit screens before the window shows them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ztools/zdrawcontext.h"

namespace ZTools {

inline constexpr int32_t kDitherNone = 0;
inline constexpr int32_t kDither555 = 1;
inline constexpr int32_t kDither565 = 2;

class ZExtDrawContext : public ZDrawContext {
 public:
  explicit ZExtDrawContext(int32_t ditherMode = kDitherNone) : ditherMode_(ditherMode) {}

  // Blends a w x h rectangle of pixels (stride in pixels; alpha stride in bytes, alpha may be
  // null) with its top-left corner at `at`, in the current blend mode, amount and colour.
  void BlendPixels(ZPoint at, const uint32_t* pixels, ptrdiff_t stride, const uint8_t* alpha, ptrdiff_t alphaStride,
                   int32_t w, int32_t h);

  // 0 none, 1 for 5-5-5 and 2 for 5-6-5 screens. Returns true when the mode changed.
  bool SetDitherMode(int32_t mode);
  int32_t GetDitherMode() const { return ditherMode_; }
  // Dithers a device rectangle for the screen, when a dither mode is set; the window calls it
  // for the areas just drawn, before showing them. Dithering twice changes nothing.
  void DitherForScreen(const ZRect& device);

 private:
  int32_t ditherMode_;
};

}  // namespace ZTools
