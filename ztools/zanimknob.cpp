// AnimKnob: properties, the frame arithmetic, drawing and input. Drags, wheel and keys go
// through ZValueDrag (zvaluedrag.cpp).
#include "ztools/zanimknob.h"

#include <algorithm>
#include <cmath>

#include "zml/zmlevent.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zcontrolprops.h"
#include "ztools/zmarkuplookup.h"

namespace ZTools {

int32_t AnimKnob::OnEvent(ZEvent* event) {
  if (event && event->Id() == kZMLEventDependeeDestroy &&
      static_cast<ZMLEventDependeeDestroy*>(event)->Dependee() == static_cast<IEventListener*>(bitmap_))
    bitmap_ = nullptr;
  return ZControl::OnEvent(event);
}

int32_t AnimKnob::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  static constexpr ZPropertyRow<AnimKnob> kProperties[] = {
      {"bitmap",
       [](AnimKnob& k, std::string_view v) {
         return LookupMarkupBitmap(k.Host(), &k, v, k.bitmap_);
       }},
  };
  int32_t rc = SetFromTable<AnimKnob>(kProperties, *this, name, value);
  if (rc == kZErrUnknownProperty)
    rc = drag_.SetProperty(name, value);
  if (rc == kZErrUnknownProperty)
    rc = ZControl::SetProperty(name, value, host);
  return rc;
}

int32_t AnimKnob::FrameCount() const {
  if (!bitmap_ || Height() <= 0)
    return 0;
  return bitmap_->Height() / Height();
}

int32_t AnimKnob::FrameFor(double normalized, int32_t frames) {
  if (frames <= 0)
    return 0;
  const double n = std::isfinite(normalized) ? std::clamp(normalized, 0.0, 1.0) : 0.0;
  return int32_t(std::lround(n * (frames - 1)));  // halves away from zero
}

void AnimKnob::Draw(ZDrawContext& context) {
  const int32_t frames = FrameCount();
  if (frames <= 0)
    return;
  const int32_t top = FrameFor(GetNormalized(0), frames) * Height();
  DrawValueImage(context, *bitmap_, ZRect(0, top, bitmap_->Width(), top + Height()), ZPoint(), IsHovered(),
                 drag_.HoverGamma());
}

int32_t AnimKnob::Close() {
  drag_.Stop(*this);
  return ZControl::Close();
}

int32_t AnimKnob::OnStartDrag(uint32_t buttons, ZPoint p) { return drag_.Start(*this, buttons, p, false) ? 1 : 0; }

int32_t AnimKnob::OnDrag(uint32_t buttons, ZPoint p) {
  if (!drag_.Dragging())
    return 0;
  if (!(buttons & kLeftButton))
    return 1;
  const int32_t up = drag_.Last().y - p.y;
  drag_.Last() = p;
  if (up != 0) {
    drag_.Step(*this, up, drag_.UnitsPerPixel(buttons & kKeyShift));
    PostRedraw();
  }
  return 1;
}

int32_t AnimKnob::OnStopDrag() {
  drag_.Stop(*this);
  return 0;
}

int32_t AnimKnob::OnWheel(uint32_t buttons, ZPoint, float delta) {
  const int32_t taken = drag_.Wheel(*this, buttons, delta);
  if (taken)
    PostRedraw();
  return taken;
}

int32_t AnimKnob::OnKey(uint32_t key) {
  const int32_t taken = drag_.Key(*this, key);
  if (taken)
    PostRedraw();
  return taken;
}

}  // namespace ZTools
