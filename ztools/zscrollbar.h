// HScrollBar (`hscrollbar`) and VScrollBar (`vscrollbar`): a bar for content of a total size T of
// which a visible size V shows, at a position P (0..R, R = T - V when V < T, else 0). Up to three
// parameters: 0 carries T, 1 carries V, 2 the position as a normalised value (P / R both ways).
// It takes left clicks (page back or forward by V), drags of its handle and wheel turns (P moves
// by the wheel step per notch), each inside an edit bracket, and tells its parent the new
// position with ParentHorizontalScroll (ParentVerticalScroll for the vertical bar).
// The vertical bar is the horizontal one turned: everything runs along its height.
#pragma once

#include <cstdint>

#include "ztools/zcolor.h"
#include "ztools/zcontrol.h"

namespace ZTools {

inline constexpr const char* kHScrollBarDeclaration =
    "interface_zpane::hscrollbar flags? align? size? pos? parameter? backcolor? handlecolor? framecolor? tip? "
    "totalsize? visiblesize? wheelunits? ()";
inline constexpr const char* kVScrollBarDeclaration =
    "interface_zpane::vscrollbar flags? align? size? pos? parameter? backcolor? handlecolor? framecolor? tip? "
    "totalsize? visiblesize? ()";

// A bar takes clicks, drags and the wheel without the skin asking, and hover for its tool tip.
inline constexpr uint32_t kScrollBarFlags = kDefaultFlags | kWantClick | kWantDrag | kWantWheel | kWantHover;
// Sizes, positions and the wheel step stay within this, so no sum or product leaves the finite range.
inline constexpr double kMaxScrollExtent = 1e9;
inline constexpr double kDefaultScrollWheelUnits = 20.0;
// The shortest handle, in pixels.
inline constexpr double kMinScrollHandle = 3.0;

class HScrollBar : public ZControl {
 public:
  HScrollBar();

  const char* Declaration() const override { return kHScrollBarDeclaration; }
  uint32_t DefaultFlags() const override { return kScrollBarFlags; }
  size_t MaxParameters() const override { return 3; }
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  void ParameterChanged(ZParameter* parameter) override;
  void Draw(ZDrawContext& context) override;
  int32_t OnClick(uint32_t buttons, ZPoint p) override;
  int32_t OnStartDrag(uint32_t buttons, ZPoint p) override;
  int32_t OnDrag(uint32_t buttons, ZPoint p) override;
  int32_t OnStopDrag() override;
  int32_t OnWheel(uint32_t buttons, ZPoint p, float delta) override;

  double TotalSize() const noexcept { return total_; }
  double VisibleSize() const noexcept { return visible_; }
  double ScrollPosition() const noexcept { return position_; }
  double Range() const noexcept { return visible_ < total_ ? total_ - visible_ : 0.0; }
  double WheelUnits() const noexcept { return wheel_; }
  // Sizes below 0 (and non-finite ones) count as 0; a position beyond the new range is set again.
  void SetTotalSize(double total) { SetSizes(total, visible_); }
  void SetVisibleSize(double visible) { SetSizes(total_, visible); }
  // Both at once, so the position is limited only by the range they give together.
  void SetSizes(double total, double visible);
  // Limits p to 0..R, writes it to parameter 2 and tells the parent. NaN is ignored.
  void ScrollTo(double p);
  void SetWheelUnits(double units);
  void SetColors(ZColor back, ZColor handle) {
    back_ = back;
    handle_ = handle;
  }
  void SetFrameColor(ZColor frame) { frame_ = frame; }

  // The handle's first pixel and length along the bar; false when there is no handle (T - V <= 0).
  bool HandleSpan(int32_t& start, int32_t& length) const;

 protected:
  virtual bool IsVertical() const { return false; }

 private:
  int32_t Length() const { return IsVertical() ? Height() : Width(); }
  int32_t Along(ZPoint p) const { return IsVertical() ? p.y : p.x; }
  // The handle's length before rounding, and the pixels it can travel.
  double HandleLength() const;
  double HandleTravel() const { return double(Length()) - HandleLength(); }
  // Takes a size from parameter `index` into `size`, writing a corrected value back.
  void TakeSize(size_t index, double& size);

  double total_ = 0.0;
  double visible_ = 0.0;
  double position_ = 0.0;
  double wheel_ = kDefaultScrollWheelUnits;
  ZColor back_{64, 64, 64};
  ZColor handle_{160, 160, 160};
  ZColor frame_;  // not set: no frame
  bool dragging_ = false;
  bool dragOnHandle_ = false;
  int32_t grabAt_ = 0;      // where along the bar the handle was grabbed
  int32_t grabOffset_ = 0;  // the handle's offset then
};

class VScrollBar : public HScrollBar {
 public:
  const char* Declaration() const override { return kVScrollBarDeclaration; }
  // Only the horizontal bar reads `wheelunits` from markup; a scroll view sets both.
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;

 protected:
  bool IsVertical() const override { return true; }
};

}  // namespace ZTools
