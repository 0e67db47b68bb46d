// ZValueDrag: drag, wheel and key changes of a knob's or slider's parameter 0, each in one
// edit bracket, and the drawing of their image.
#include "ztools/zvaluedrag.h"

#include <cmath>

#include "ztools/zbitmapmarkup.h"
#include "ztools/zcontrol.h"
#include "ztools/zcontrolprops.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {
namespace {

int32_t SetUnits(double& field, std::string_view text) {
  return ParseControlNumber(text, field) ? 0 : kZErrIllegalPropertyValue;
}

// Sets a value in one edit bracket.
void EditFloat(ZControl& control, double value) {
  control.PostBeginEdit(0);
  control.SetFloat(value, 0);
  control.PostEndEdit(0);
}

void EditNormalized(ZControl& control, double position) {
  control.PostBeginEdit(0);
  control.SetNormalized(position, 0);
  control.PostEndEdit(0);
}

}  // namespace

void DrawValueImage(ZDrawContext& context, const IBitmap& bitmap, const ZRect& part, ZPoint at, bool hovered,
                    int32_t hoverGamma) {
  const int32_t mode = context.GetBlendMode(), amount = context.GetAmount();
  // Blending straight into the context gives what composing over a copy of the background
  // would, without an off-screen image.
  const bool gamma = bitmap.GetMode() != kBitmapModeScreen && hovered && hoverGamma != kIconNeutralGamma;
  context.SetBlendMode(gamma ? kBlendGamma : kBlendOpaque);
  context.SetAmount(gamma ? hoverGamma : kIconNeutralGamma);
  context.DrawBitmap(bitmap, part, at);
  context.SetBlendMode(mode);
  context.SetAmount(amount);
}

int32_t ZValueDrag::SetProperty(std::string_view name, std::string_view value) {
  static constexpr ZPropertyRow<ZValueDrag> kProperties[] = {
      {"showvalue",
       [](ZValueDrag& d, std::string_view v) {
         return ParseYesNo(v, d.showValue_) ? 0 : kZErrIllegalPropertyValue;
       }},
      {"unitsperpix",
       [](ZValueDrag& d, std::string_view v) {
         const int32_t rc = SetUnits(d.unitsPerPix_, v);
         if (rc == 0)
           d.unitsGiven_ = true;
         return rc;
       }},
      {"altunitsperpix",
       [](ZValueDrag& d, std::string_view v) {
         const int32_t rc = SetUnits(d.altUnitsPerPix_, v);
         if (rc == 0)
           d.unitsGiven_ = true;
         return rc;
       }},
      {"wheelunits",
       [](ZValueDrag& d, std::string_view v) {
         return SetUnits(d.wheelUnits_, v);
       }},
      {"altwheelunits",
       [](ZValueDrag& d, std::string_view v) {
         return SetUnits(d.altWheelUnits_, v);
       }},
      {"hovergamma",
       [](ZValueDrag& d, std::string_view v) {
         double g;
         if (!ParseNumber(v, g))
           return kZErrIllegalPropertyValue;
         d.hoverGamma_ = ZMLIcon::HoverGammaAmount(g);
         return 0;
       }},
  };
  return SetFromTable<ZValueDrag>(kProperties, *this, name, value);
}

bool ZValueDrag::Start(ZControl& control, uint32_t buttons, ZPoint at, bool positional) {
  if (!(buttons & kLeftButton))
    return false;
  if (dragging_)
    Stop(control);
  dragging_ = true;
  positional_ = positional;
  last_ = at;
  running_ = positional ? control.GetNormalized(0) : control.GetFloat(0);
  if (!std::isfinite(running_))
    running_ = 0.0;
  control.PostBeginEdit(0);
  if (showValue_)
    control.PostShowTrackInfo(control.GetStringAndUnit(0).View());
  return true;
}

void ZValueDrag::Step(ZControl& control, double pixels, double unit) {
  if (!dragging_)
    return;
  const double next = running_ + pixels * unit;
  if (!std::isfinite(next))
    return;
  running_ = next;
  if (positional_)
    control.SetNormalized(running_, 0);
  else
    control.SetFloat(running_, 0);
  if (showValue_)
    control.PostShowTrackInfo(control.GetStringAndUnit(0).View());
}

void ZValueDrag::Stop(ZControl& control) {
  if (!dragging_)
    return;
  dragging_ = false;
  control.PostEndEdit(0);
  if (showValue_)
    control.PostHideTrackInfo();
}

int32_t ZValueDrag::Wheel(ZControl& control, uint32_t buttons, float delta) {
  const double step = double(delta) * ((buttons & kKeyShift) ? altWheelUnits_ : wheelUnits_);
  const double value = control.GetFloat(0) + step;
  if (!std::isfinite(value))
    return 0;
  EditFloat(control, value);
  return 1;
}

int32_t ZValueDrag::Key(ZControl& control, uint32_t key) {
  switch (key) {
    case kKeyUp:
    case kKeyRight: EditFloat(control, control.GetFloat(0) + wheelUnits_); return 1;
    case kKeyDown:
    case kKeyLeft: EditFloat(control, control.GetFloat(0) - wheelUnits_); return 1;
    case kKeyHome: EditNormalized(control, 0.0); return 1;
    case kKeyEnd: EditNormalized(control, 1.0); return 1;
    default: return 0;
  }
}

}  // namespace ZTools
