// ImageView (`image`): draws its `bitmap` at its top-left corner with the blend mode `blend`
// (a blend word; default `opaque`, which still blends through a PNG's alpha), the tint `color`
// and `amount` (0..255) the mode uses. `opacity` (0..255, default 255) fades an `opaque` or
// `alpha` image over what lies beneath; `gamma` g (0.5..2.0) draws it in the `gamma` mode at the
// amount trunc(127.5 / g + 0.5), so 1 leaves it unchanged. Children are allowed.
#pragma once

#include "ztools/zcolor.h"
#include "ztools/zview.h"

namespace ZTools {

class ZMLBitmap;

inline constexpr const char* kImageViewDeclaration =
    "interface_zpane::image flags? align? size? pos? bitmap blend? opacity? tip? color? amount? gamma? "
    "( interface_zpane* )";

class ImageView : public ZView {
 public:
  int32_t OnEvent(ZEvent* event) override;
  void Draw(ZDrawContext& context) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  const char* Declaration() const override { return kImageViewDeclaration; }
  ZMLBitmap* Bitmap() const noexcept { return bitmap_; }

 private:
  ZMLBitmap* bitmap_ = nullptr;
  int32_t blend_ = 0;
  int32_t opacity_ = 255;
  int32_t amount_ = 255;
  ZColor color_{0, 0, 0};
};

}  // namespace ZTools
