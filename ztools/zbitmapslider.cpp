// BitmapSlider and BitmapHandle: properties, the handle's place, drawing and input. The handle
// measures its drags in root coordinates, since it moves under the mouse while dragged.
#include "ztools/zbitmapslider.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "zml/zmlevent.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zcontrolprops.h"
#include "ztools/zmarkuplookup.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {
namespace {

constexpr ZWord kSliderStyleWords[] = {
    {"horizontal", kSliderHorizontal},
    {"vertical", kSliderVertical},
    {"zeroatright", kSliderZeroAtEnd},
    {"zeroatbottom", kSliderZeroAtEnd},
};

bool InPaneRange(int32_t v) { return v >= -kMaxPaneCoordinate && v <= kMaxPaneCoordinate; }

int32_t ParsePanePair(std::string_view text, int32_t& a, int32_t& b) {
  int32_t x, y;
  if (!ParsePair(text, x, y) || !InPaneRange(x) || !InPaneRange(y))
    return kZErrIllegalPropertyValue;
  a = x;
  b = y;
  return 0;
}

}  // namespace

std::span<const ZWord> SliderStyleWords() { return kSliderStyleWords; }

// ---- BitmapHandle

BitmapHandle::BitmapHandle(BitmapSlider& slider) : slider_(slider) { SetFlags(kBitmapHandleFlags); }

void BitmapHandle::Draw(ZDrawContext& context) {
  if (const ZMLBitmap* bitmap = slider_.bitmap_)
    DrawValueImage(context, *bitmap, ZRect(0, 0, bitmap->Width(), bitmap->Height()), ZPoint(), IsHovered(),
                   slider_.drag_.HoverGamma());
}

bool BitmapHandle::IsHitAt(ZPoint p) const { return slider_.bitmap_ && slider_.bitmap_->HitAt(p); }

int32_t BitmapHandle::OnStartDrag(uint32_t buttons, ZPoint p) {
  return slider_.StartDrag(buttons, p + AbsolutePosition());
}

int32_t BitmapHandle::OnDrag(uint32_t buttons, ZPoint p) { return slider_.DragTo(buttons, p + AbsolutePosition()); }

int32_t BitmapHandle::OnStopDrag() {
  slider_.StopDrag();
  return 0;
}

// ---- BitmapSlider

BitmapSlider::BitmapSlider() : handle_(std::make_unique<BitmapHandle>(*this)) {
  SetFlags(kBitmapSliderFlags);
  AddChild(handle_.get());
  handle_->SetVisible(false);
}

BitmapSlider::~BitmapSlider() = default;

int32_t BitmapSlider::OnEvent(ZEvent* event) {
  if (event && event->Id() == kZMLEventDependeeDestroy &&
      static_cast<ZMLEventDependeeDestroy*>(event)->Dependee() == static_cast<IEventListener*>(bitmap_)) {
    bitmap_ = nullptr;
    handle_->SetVisible(false);
  }
  return ZControl::OnEvent(event);
}

int32_t BitmapSlider::OnCreate() {
  handle_->AttachManager(Manager());
  return ZControl::OnCreate();
}

int32_t BitmapSlider::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  static constexpr ZPropertyRow<BitmapSlider> kProperties[] = {
      {"style",
       [](BitmapSlider& s, std::string_view v) {
         return ParseFlagWords(SliderStyleWords(), v, 0, s.style_);
       }},
      {"bitmap",
       [](BitmapSlider& s, std::string_view v) {
         if (int32_t rc = LookupMarkupBitmap(s.Host(), &s, v, s.bitmap_))
           return rc;
         s.handle_->SetSize(s.bitmap_->Width(), s.bitmap_->Height());
         return 0;
       }},
      {"range",
       [](BitmapSlider& s, std::string_view v) {
         return ParsePanePair(v, s.travelFrom_, s.travelTo_);
       }},
      {"handleoffset",
       [](BitmapSlider& s, std::string_view v) {
         return ParsePanePair(v, s.offset_.x, s.offset_.y);
       }},
  };
  int32_t rc = SetFromTable<BitmapSlider>(kProperties, *this, name, value);
  if (rc == kZErrUnknownProperty)
    rc = drag_.SetProperty(name, value);
  if (rc == kZErrUnknownProperty)
    return ZControl::SetProperty(name, value, host);
  if (rc == 0)
    PlaceHandle();
  return rc;
}

ZPoint BitmapSlider::HandlePositionFor(double normalized) const {
  const double n = std::isfinite(normalized) ? std::clamp(normalized, 0.0, 1.0) : 0.0;
  const int32_t along = int32_t(std::lround(n * (double(travelTo_) - travelFrom_)));
  const int32_t place = (style_ & kSliderZeroAtEnd) ? travelTo_ - along : travelFrom_ + along;
  return Vertical() ? ZPoint(offset_.x, offset_.y + place) : ZPoint(offset_.x + place, offset_.y);
}

void BitmapSlider::PlaceHandle() {
  const bool shown = bitmap_ && !bitmap_->IsEmpty() && travelFrom_ != travelTo_;
  const ZPoint at = HandlePositionFor(GetNormalized(0));
  if (handle_->IsVisible() && handle_->GetPosition() != at) {
    handle_->PostRedraw();  // the place it leaves
    handle_->SetPosition(at.x, at.y);
    handle_->PostRedraw();
  } else {
    handle_->SetPosition(at.x, at.y);
  }
  handle_->SetVisible(shown);
}

int32_t BitmapSlider::Open() {
  PlaceHandle();
  return ZControl::Open();
}

int32_t BitmapSlider::Close() {
  StopDrag();
  return ZControl::Close();
}

void BitmapSlider::ParameterChanged(ZParameter*) { PlaceHandle(); }

int32_t BitmapSlider::StartDrag(uint32_t buttons, ZPoint root) {
  return drag_.Start(*this, buttons, root, !drag_.UnitsGiven()) ? 1 : 0;
}

int32_t BitmapSlider::DragTo(uint32_t buttons, ZPoint root) {
  if (!drag_.Dragging())
    return 0;
  if (!(buttons & kLeftButton))
    return 1;
  const ZPoint last = drag_.Last();
  drag_.Last() = root;
  int32_t pixels = Vertical() ? root.y - last.y : root.x - last.x;
  if (style_ & kSliderZeroAtEnd)
    pixels = -pixels;
  const bool shift = (buttons & kKeyShift) != 0;
  double unit = drag_.UnitsPerPixel(shift);
  if (!drag_.UnitsGiven()) {
    // Follow the mouse: one pixel of travel is that part of the range.
    const int32_t travel = std::abs(travelTo_ - travelFrom_);
    if (travel == 0)
      return 1;
    unit = (shift ? 0.1 : 1.0) / travel;
  }
  if (pixels != 0) {
    drag_.Step(*this, pixels, unit);
    PlaceHandle();
  }
  return 1;
}

void BitmapSlider::StopDrag() { drag_.Stop(*this); }

int32_t BitmapSlider::OnWheel(uint32_t buttons, ZPoint, float delta) {
  const int32_t taken = drag_.Wheel(*this, buttons, delta);
  if (taken)
    PlaceHandle();
  return taken;
}

int32_t BitmapSlider::OnKey(uint32_t key) {
  const int32_t taken = drag_.Key(*this, key);
  if (taken)
    PlaceHandle();
  return taken;
}

}  // namespace ZTools
