// ZValueDrag: what the film-strip knob and the bitmap slider share: changing parameter 0 by
// drag, wheel and keys, the six markup properties that tune it, and drawing their image.
#pragma once

#include <cstdint>
#include <string_view>

#include "ztools/zgeometry.h"
#include "ztools/zicon.h"

namespace ZTools {

class IBitmap;
class ZControl;
class ZDrawContext;

// Draws `part` of a knob's or handle's bitmap at `at`. A bitmap in mode 0 (`normal`) is copied
// as it is; a pixel bitmap (`extended`) is blended through its alpha plane, with the gamma mode
// at `hoverGamma` while hovered unless that amount is neutral. The context's blend mode and
// amount are left as they were.
void DrawValueImage(ZDrawContext& context, const IBitmap& bitmap, const ZRect& part, ZPoint at, bool hovered,
                    int32_t hoverGamma);

// The properties are `showvalue`, `unitsperpix`, `altunitsperpix`, `wheelunits`,
// `altwheelunits` and `hovergamma`. A drag keeps a running value that is not clamped, so after
// dragging past an end the mouse has to come back as far before the value moves again. Every
// change is wrapped in an edit bracket; with `showvalue` the value is shown as track info while
// dragging. Units are the parameter's value units, except that the slider may run a drag in
// positions (0..1 of the range) so that its handle follows the mouse.
class ZValueDrag {
 public:
  // One of the six properties; kZErrUnknownProperty for any other name, kZErrIllegalPropertyValue
  // for a bad value.
  int32_t SetProperty(std::string_view name, std::string_view value);

  // The gamma amount for a hovered image (kIconNeutralGamma draws it unchanged).
  int32_t HoverGamma() const noexcept { return hoverGamma_; }
  bool ShowsValue() const noexcept { return showValue_; }
  // Whether the skin gave `unitsperpix` or `altunitsperpix`.
  bool UnitsGiven() const noexcept { return unitsGiven_; }
  // Value units per pixel, the alternative ones while Shift is held.
  double UnitsPerPixel(bool shift) const noexcept { return shift ? altUnitsPerPix_ : unitsPerPix_; }

  // Drag start with the left button (other buttons: false, nothing happens): opens the edit
  // bracket, shows the track info and takes the running value from parameter 0: its value, or
  // its normalised position when `positional`. `at` is where the mouse is, in whatever
  // coordinates the caller measures steps in.
  bool Start(ZControl& control, uint32_t buttons, ZPoint at, bool positional);
  bool Dragging() const noexcept { return dragging_; }
  // Where the mouse was at the previous step; the caller moves it on.
  ZPoint& Last() noexcept { return last_; }
  // Moves the running value by pixels × unit and sets it (a value, or a position).
  void Step(ZControl& control, double pixels, double unit);
  // Closes the bracket and hides the track info (nothing when no drag runs).
  void Stop(ZControl& control);

  // One wheel turn: delta notches of `wheelunits` (Shift: `altwheelunits`). Non-zero when taken.
  int32_t Wheel(ZControl& control, uint32_t buttons, float delta);
  // Keys: up and right raise by `wheelunits`, down and left lower, home and end go to the ends
  // of the range. Non-zero when taken.
  int32_t Key(ZControl& control, uint32_t key);

 private:
  double unitsPerPix_ = 1.0;
  double altUnitsPerPix_ = 0.1;
  double wheelUnits_ = 5.0;
  double altWheelUnits_ = 1.0;
  int32_t hoverGamma_ = kIconNeutralGamma;
  bool showValue_ = false;
  bool unitsGiven_ = false;

  bool dragging_ = false;
  bool positional_ = false;
  double running_ = 0.0;
  ZPoint last_;
};

}  // namespace ZTools
