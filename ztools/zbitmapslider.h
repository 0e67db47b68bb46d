// BitmapSlider (`slider`): a track along which its own BitmapHandle child (the `bitmap`)
// travels with the value of parameter 0, and the handle, which passes its drags to the slider.
#pragma once

#include <memory>
#include <span>

#include "ztools/zcontrol.h"
#include "ztools/zvaluedrag.h"

namespace ZTools {

class BitmapSlider;
class ZMLBitmap;

inline constexpr const char* kBitmapSliderDeclaration =
    "interface_zpane::slider flags? align? size? pos? parameter? style? bitmap range handleoffset? tip? showvalue? "
    "unitsperpix? altunitsperpix? wheelunits? altwheelunits? hovergamma? ()";

// `style` words.
inline constexpr uint32_t kSliderHorizontal = 0x1;
inline constexpr uint32_t kSliderVertical = 0x2;
inline constexpr uint32_t kSliderZeroAtEnd = 0x4;  // `zeroatright` or `zeroatbottom`
std::span<const ZWord> SliderStyleWords();

// The track takes the wheel and key focus; the handle takes drags and hover.
inline constexpr uint32_t kBitmapSliderFlags = kDefaultFlags | kWantWheel | kWantFocus;
inline constexpr uint32_t kBitmapHandleFlags = kDefaultFlags | kWantDrag | kWantHover;

// The slider's handle: draws the slider's bitmap (hovered with the slider's hover gamma), is hit
// where the bitmap is, and passes its drags to the slider.
class BitmapHandle : public ZControl {
 public:
  explicit BitmapHandle(BitmapSlider& slider);
  size_t MaxParameters() const override { return 0; }
  uint32_t DefaultFlags() const override { return kBitmapHandleFlags; }
  void Draw(ZDrawContext& context) override;
  bool IsHitAt(ZPoint p) const override;
  int32_t OnStartDrag(uint32_t buttons, ZPoint p) override;
  int32_t OnDrag(uint32_t buttons, ZPoint p) override;
  int32_t OnStopDrag() override;

 private:
  BitmapSlider& slider_;
};

// The handle travels from `range` a to b pixels as the normalised value n goes from 0 to 1 (from
// b to a with `zeroatright` / `zeroatbottom`), its image placed `handleoffset` from its travel
// position, and takes the bitmap's size. Dragging the handle changes the value as ZValueDrag
// describes; without `unitsperpix` and `altunitsperpix` the handle follows the mouse (a tenth as
// fast with Shift). The wheel and keys work over the whole slider. The track draws nothing (a
// skin puts its art behind it). With no travel (a = b) or an empty bitmap no handle shows.
class BitmapSlider : public ZControl {
 public:
  BitmapSlider();
  ~BitmapSlider() override;

  int32_t OnEvent(ZEvent* event) override;
  int32_t OnCreate() override;
  int32_t Open() override;
  int32_t Close() override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  const char* Declaration() const override { return kBitmapSliderDeclaration; }
  uint32_t DefaultFlags() const override { return kBitmapSliderFlags; }
  void ParameterChanged(ZParameter* parameter) override;
  int32_t OnWheel(uint32_t buttons, ZPoint p, float delta) override;
  int32_t OnKey(uint32_t key) override;

  BitmapHandle& Handle() noexcept { return *handle_; }
  // Where the handle's top-left corner goes for a normalised value, in the slider's coordinates.
  ZPoint HandlePositionFor(double normalized) const;

 private:
  friend class BitmapHandle;
  bool Vertical() const noexcept { return (style_ & kSliderVertical) != 0; }
  // Moves the handle to the place of the current value and shows it when it can be seen.
  void PlaceHandle();
  // Drags of the handle, in root coordinates (the handle moves while it is dragged).
  int32_t StartDrag(uint32_t buttons, ZPoint root);
  int32_t DragTo(uint32_t buttons, ZPoint root);
  void StopDrag();

  ZMLBitmap* bitmap_ = nullptr;
  uint32_t style_ = kSliderHorizontal;
  int32_t travelFrom_ = 0;
  int32_t travelTo_ = 0;
  ZPoint offset_;
  ZValueDrag drag_;
  std::unique_ptr<BitmapHandle> handle_;
};

}  // namespace ZTools
