// PopupContainer (`popupcontainer`): a pop-up panel with an optional background `bitmap` and any
// children, opened while parameter 0 is at 0.5 or more (normalised) and closed below. It is not
// opened with its parent; it opens when the parameter asks for it and its parent is open (also
// when the parent opens later). While open it holds the mouse capture, so every click reaches
// it: a click inside it on a pixel its bitmap counts as hit (anywhere inside without a bitmap)
// is left to its children; any other click closes it and sets parameter 0 to 0, in an edit
// bracket, and the click goes no further.
#pragma once

#include <cstdint>

#include "ztools/zcontrol.h"

namespace ZTools {

class ZMLBitmap;

inline constexpr const char* kPopupContainerDeclaration =
    "interface_zpane::popupcontainer flags? align? size? pos? parameter? bitmap? ( interface_zpane* )";

// Not opened with its parent; takes the clicks and drags that its children leave, so nothing
// beneath an open pop-up reacts to them.
inline constexpr uint32_t kPopupContainerFlags = (kDefaultFlags | kWantClick | kWantDrag) & ~kWantAutoOpen;

class PopupContainer : public ZControl {
 public:
  PopupContainer();

  const char* Declaration() const override { return kPopupContainerDeclaration; }
  uint32_t DefaultFlags() const override { return kPopupContainerFlags; }
  int32_t OnEvent(ZEvent* event) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  // Open shows the panel, takes the mouse capture and opens the children that want it; Close
  // undoes all three. Both follow parameter 0 when one is bound.
  int32_t Open() override;
  int32_t Close() override;
  void ParentOpened() override;
  void ParameterChanged(ZParameter* parameter) override;
  void Draw(ZDrawContext& context) override;
  bool IsHitAt(ZPoint p) const override;
  int32_t OnClick(uint32_t buttons, ZPoint p) override;
  int32_t OnStartDrag(uint32_t buttons, ZPoint p) override;

  ZMLBitmap* Bitmap() const noexcept { return bitmap_; }

 private:
  bool ParameterSaysOpen() const { return ParameterCount() > 0 && GetNormalized(0) >= 0.5; }

  ZMLBitmap* bitmap_ = nullptr;
};

}  // namespace ZTools
