// TintedImage: the tint from parameters, shown with a delay.
#include "ztools/ztintedimage.h"

#include <algorithm>

#include "zml/zmlevent.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zblend.h"
#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkuplookup.h"
#include "ztools/zmarkupvalues.h"
#include "ztools/zpanemanager.h"

namespace ZTools {

TintedImage::TintedImage() : mode_(kBlendDynamicTint) { SetFlags(DefaultFlags()); }

int32_t TintedImage::OnEvent(ZEvent* event) {
  if (event && event->Id() == kZMLEventDependeeDestroy &&
      static_cast<ZMLEventDependeeDestroy*>(event)->Dependee() == static_cast<IEventListener*>(bitmap_))
    bitmap_ = nullptr;
  return ZControl::OnEvent(event);
}

int32_t TintedImage::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  int32_t n;
  if (name == "bitmap")
    return LookupMarkupBitmap(host, this, value, bitmap_);
  if (name == "color") {
    if (int32_t rc = ParseColor(value, base_))
      return rc;
    pending_ = current_ = base_;
    return 0;
  }
  if (name == "mode") {
    const int32_t mode = BlendModeFromName(TrimBlanks(value));
    if (mode != kBlendDynamicTint && mode != kBlendColorBlend && mode != kBlendColorMultiply)
      return kZErrIllegalPropertyValue;
    mode_ = mode;
    return 0;
  }
  if (name == "amount") {
    if (!ParseInt(value, n))
      return kZErrIllegalPropertyValue;
    amount_ = std::clamp(n, 0, 255);
    return 0;
  }
  if (name == "delay") {
    if (!ParseInt(value, n))
      return kZErrIllegalPropertyValue;
    delay_ = n < 0 ? 10 : n;
    return 0;
  }
  return ZControl::SetProperty(name, value, host);
}

void TintedImage::ParameterChanged(ZParameter*) {
  ZHSL hsl = RGBToHSL(base_.r, base_.g, base_.b);
  if (ParameterCount() > 0)
    hsl.h = float(std::clamp(GetNormalized(0), 0.0, 1.0) * 360.0);
  if (ParameterCount() > 1)
    hsl.s = float(std::clamp(GetNormalized(1), 0.0, 1.0));
  if (ParameterCount() > 2)
    hsl.l = float(std::clamp(GetNormalized(2), 0.0, 1.0));
  pending_ = HSLToColor(hsl);
}

int32_t TintedImage::Open() {
  const int32_t rc = ZControl::Open();
  current_ = pending_;  // the state at opening shows at once
  return rc;
}

int32_t TintedImage::Idle() {
  if (pending_ == current_ || !Manager())
    return 0;
  const uint64_t now = Manager()->Now();
  if (now - shownAt_ < uint64_t(delay_) && shownAt_ != 0)
    return 0;
  current_ = pending_;
  shownAt_ = now;
  PostRedraw();
  return 0;
}

void TintedImage::Draw(ZDrawContext& context) {
  if (!bitmap_ || bitmap_->IsEmpty())
    return;
  context.SetBlendMode(mode_);
  context.SetAmount(amount_);
  context.SetColor(current_);
  context.DrawBitmap(*bitmap_, ZPoint());
}

}  // namespace ZTools
