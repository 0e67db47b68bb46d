// HScrollBar and VScrollBar: properties, the handle's geometry, input and drawing.
//
// Geometry along a bar of L pixels: the handle is h = V / T * L long (at least 3) and sits at
// floor(P / (T - V) * (L - h) + 0.5); a handle moved to offset o stands for the position
// o / (L - h) * (T - V). Both use h before rounding, so a position survives the round trip.
#include "ztools/zscrollbar.h"

#include <algorithm>
#include <cmath>

#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {
namespace {

// A size or position from a parameter: non-finite or negative values count as 0.
double SaneSize(double v) { return std::isfinite(v) ? std::clamp(v, 0.0, kMaxScrollExtent) : 0.0; }

int32_t ParseExtent(std::string_view text, double& out) {
  double v;
  if (!ParseNumber(text, v) || v < 0 || v > kMaxScrollExtent)
    return kZErrIllegalPropertyValue;
  out = v;
  return 0;
}

}  // namespace

HScrollBar::HScrollBar() { SetFlags(kScrollBarFlags); }

int32_t HScrollBar::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  struct Row {
    std::string_view name;
    int32_t (*set)(HScrollBar&, std::string_view);
  };
  static constexpr Row kProperties[] = {
      {"backcolor",
       [](HScrollBar& b, std::string_view v) {
         return ParseColor(v, b.back_);
       }},
      {"handlecolor",
       [](HScrollBar& b, std::string_view v) {
         return ParseColor(v, b.handle_);
       }},
      {"framecolor",
       [](HScrollBar& b, std::string_view v) {
         return ParseColor(v, b.frame_);
       }},
      {"totalsize",
       [](HScrollBar& b, std::string_view v) {
         double size;
         if (int32_t rc = ParseExtent(v, size))
           return rc;
         b.SetTotalSize(size);
         return 0;
       }},
      {"visiblesize",
       [](HScrollBar& b, std::string_view v) {
         double size;
         if (int32_t rc = ParseExtent(v, size))
           return rc;
         b.SetVisibleSize(size);
         return 0;
       }},
      {"wheelunits",
       [](HScrollBar& b, std::string_view v) {
         double units;
         if (!ParseNumber(v, units) || std::fabs(units) > kMaxScrollExtent)
           return kZErrIllegalPropertyValue;
         b.wheel_ = units;
         return 0;
       }},
  };
  for (const Row& row : kProperties)
    if (row.name == name)
      return row.set(*this, value);
  return ZControl::SetProperty(name, value, host);
}

int32_t VScrollBar::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  if (name == "wheelunits")
    return kZErrUnknownProperty;
  return HScrollBar::SetProperty(name, value, host);
}

// ---- state

void HScrollBar::SetSizes(double total, double visible) {
  total_ = SaneSize(total);
  visible_ = SaneSize(visible);
  if (position_ > Range())
    ScrollTo(position_);
}

void HScrollBar::SetWheelUnits(double units) {
  if (std::isfinite(units))
    wheel_ = std::clamp(units, -kMaxScrollExtent, kMaxScrollExtent);
}

void HScrollBar::ScrollTo(double p) {
  if (std::isnan(p))
    return;
  const double range = Range();
  position_ = std::clamp(p, 0.0, range);
  // Parameter 2 is read as a normalised value, so it is written as one; with no range there is
  // no position to speak of and the parameter keeps what it holds.
  if (range > 0)
    SetNormalized(position_ / range, 2);
  auto event = MakeEvent<ZPaneEvent>(IsVertical() ? kParentVerticalScroll : kParentHorizontalScroll, this);
  event->SetValue(int32_t(std::floor(position_ + 0.5)));
  Post(*event);
}

void HScrollBar::TakeSize(size_t index, double& size) {
  const double given = GetFloat(index);
  size = SaneSize(given);
  if (size != given)
    SetFloat(size, index);
}

void HScrollBar::ParameterChanged(ZParameter* parameter) {
  switch (GetParameterIndex(parameter)) {
    case 0:
      TakeSize(0, total_);
      if (position_ > Range())
        ScrollTo(position_);
      break;
    case 1:
      TakeSize(1, visible_);
      if (position_ > Range())
        ScrollTo(position_);
      break;
    case 2: ScrollTo(std::clamp(GetNormalized(2), 0.0, 1.0) * Range()); break;
    default: return;
  }
  PostRedraw();
}

// ---- geometry

double HScrollBar::HandleLength() const {
  return std::max(total_ > 0 ? visible_ / total_ * double(Length()) : 0.0, kMinScrollHandle);
}

bool HScrollBar::HandleSpan(int32_t& start, int32_t& length) const {
  const double extent = total_ - visible_;
  if (!(extent > 0))
    return false;
  const double h = HandleLength();
  const double travel = double(Length()) - h;
  const double offset = travel > 0 ? std::floor(std::min(position_, extent) / extent * travel + 0.5) : 0.0;
  start = int32_t(offset);
  length = int32_t(std::floor(h + 0.5));
  return true;
}

// ---- input

int32_t HScrollBar::OnClick(uint32_t buttons, ZPoint p) {
  if (!(buttons & kLeftButton))
    return 0;
  int32_t start, length;
  if (!HandleSpan(start, length))
    return 1;
  const int32_t at = Along(p);
  if (at >= start && at < start + length)
    return 1;
  const double target = at < start ? position_ - visible_ : position_ + visible_;
  if (target != position_) {
    PostBeginEdit(0);
    ScrollTo(target);
    PostEndEdit(0);
    PostRedraw();
  }
  return 1;
}

int32_t HScrollBar::OnStartDrag(uint32_t buttons, ZPoint p) {
  if (!(buttons & kLeftButton))
    return 0;
  PostBeginEdit(0);
  dragging_ = true;
  int32_t start = 0, length = 0;
  const int32_t at = Along(p);
  dragOnHandle_ = HandleSpan(start, length) && at >= start && at < start + length;
  grabAt_ = at;
  grabOffset_ = start;
  return 1;
}

int32_t HScrollBar::OnDrag(uint32_t buttons, ZPoint p) {
  if (!dragging_ || !dragOnHandle_ || !(buttons & kLeftButton))
    return 0;
  // The handle follows the mouse from where it was grabbed, so after the mouse went past an end
  // it has to come back that far before the handle moves again.
  const double travel = HandleTravel();
  if (travel < 1 || !(total_ - visible_ > 0))
    return 1;
  const double offset = double(grabOffset_) + double(Along(p)) - double(grabAt_);
  ScrollTo(std::clamp(offset / travel, 0.0, 1.0) * (total_ - visible_));
  PostRedraw();
  return 1;
}

int32_t HScrollBar::OnStopDrag() {
  if (!dragging_)
    return 0;
  dragging_ = dragOnHandle_ = false;
  PostEndEdit(0);
  return 1;
}

int32_t HScrollBar::OnWheel(uint32_t, ZPoint, float delta) {
  if (!std::isfinite(delta))
    return 0;
  PostBeginEdit(0);
  ScrollTo(position_ - wheel_ * double(delta));
  PostEndEdit(0);
  PostRedraw();
  PostCheckMousePosition();
  return 1;
}

// ---- drawing

void HScrollBar::Draw(ZDrawContext& context) {
  const ZRect all(0, 0, Width(), Height());
  context.SetBlendMode(kBlendOpaque);
  context.SetAmount(255);
  context.SetColor(back_);
  context.FillRect(all);
  int32_t start, length;
  if (HandleSpan(start, length)) {
    context.SetColor(handle_);
    context.FillRect(IsVertical() ? ZRect(0, start, all.right, start + length)
                                  : ZRect(start, 0, start + length, all.bottom));
  }
  if (frame_.set) {
    context.SetColor(frame_);
    context.FillRect(ZRect(0, 0, all.right, 1));
    context.FillRect(ZRect(0, all.bottom - 1, all.right, all.bottom));
    context.FillRect(ZRect(0, 0, 1, all.bottom));
    context.FillRect(ZRect(all.right - 1, 0, all.right, all.bottom));
  }
}

}  // namespace ZTools
