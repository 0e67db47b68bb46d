// TintedImage (`tintedimage`): draws its `bitmap` tinted by a colour in the blend `mode`
// (`dynamictint`, the default, `colorblend` or `colormultiply`) at `amount` (0..255, default
// 255). The colour starts as `color`; up to three parameters change its hue (position × 360),
// saturation and lightness. A change shows on the next idle call once `delay` milliseconds
// (default 0; a negative delay is 10) have passed since the last one shown, so a fast-moving
// parameter does not redraw the image on every step. Children are allowed.
#pragma once

#include "ztools/zcolor.h"
#include "ztools/zcontrol.h"

namespace ZTools {

class ZMLBitmap;

inline constexpr const char* kTintedImageDeclaration =
    "interface_zpane::tintedimage flags? align? size? pos? parameter? bitmap color? mode? amount? delay? "
    "( interface_zpane* )";

class TintedImage : public ZControl {
 public:
  TintedImage();
  int32_t OnEvent(ZEvent* event) override;
  int32_t Open() override;
  int32_t Idle() override;
  void Draw(ZDrawContext& context) override;
  void ParameterChanged(ZParameter* parameter) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  const char* Declaration() const override { return kTintedImageDeclaration; }
  size_t MaxParameters() const override { return 3; }
  uint32_t DefaultFlags() const override { return kDefaultFlags | kWantIdle; }

  ZColor CurrentColor() const noexcept { return current_; }

 private:
  ZMLBitmap* bitmap_ = nullptr;
  ZColor base_{255, 255, 255};
  ZColor pending_{255, 255, 255};
  ZColor current_{255, 255, 255};
  int32_t mode_;
  int32_t amount_ = 255;
  int32_t delay_ = 0;
  uint64_t shownAt_ = 0;
};

}  // namespace ZTools
