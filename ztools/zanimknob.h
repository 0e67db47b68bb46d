// AnimKnob (`animknob`): a film-strip knob. Its `bitmap` holds the frames stacked vertically,
// each as high as the pane; the frame shown follows the normalised value of parameter 0 (the
// only parameter). Dragging up raises the value, the wheel and the cursor keys step it (see
// ZValueDrag). An `extended` bitmap is blended through its alpha plane, and drawn with the
// hover gamma while the mouse is over the knob; a `normal` bitmap is copied as it is.
#pragma once

#include "ztools/zcontrol.h"
#include "ztools/zvaluedrag.h"

namespace ZTools {

class ZMLBitmap;

inline constexpr const char* kAnimKnobDeclaration =
    "interface_zpane::animknob flags? align? size? pos? parameter? bitmap tip? showvalue? unitsperpix? "
    "altunitsperpix? wheelunits? altwheelunits? hovergamma? ()";

// The default flags plus what turning a knob needs: drags, the wheel, hover and key focus.
inline constexpr uint32_t kAnimKnobFlags = kDefaultFlags | kWantDrag | kWantWheel | kWantHover | kWantFocus;

class AnimKnob : public ZControl {
 public:
  AnimKnob() { SetFlags(kAnimKnobFlags); }

  int32_t OnEvent(ZEvent* event) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  const char* Declaration() const override { return kAnimKnobDeclaration; }
  uint32_t DefaultFlags() const override { return kAnimKnobFlags; }
  void Draw(ZDrawContext& context) override;
  // Closing in the middle of a drag ends it, so no edit bracket stays open.
  int32_t Close() override;
  int32_t OnStartDrag(uint32_t buttons, ZPoint p) override;
  int32_t OnDrag(uint32_t buttons, ZPoint p) override;
  int32_t OnStopDrag() override;
  int32_t OnWheel(uint32_t buttons, ZPoint p, float delta) override;
  int32_t OnKey(uint32_t key) override;

  // The number of frames the bitmap holds for the pane's height (0: nothing is drawn), and the
  // frame a normalised value shows.
  int32_t FrameCount() const;
  static int32_t FrameFor(double normalized, int32_t frames);

 private:
  ZMLBitmap* bitmap_ = nullptr;
  ZValueDrag drag_;
};

}  // namespace ZTools
