// ImageView: properties and drawing.
#include "ztools/zimageview.h"

#include <algorithm>

#include "zml/zmlevent.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkuplookup.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {

int32_t ImageView::OnEvent(ZEvent* event) {
  if (event && event->Id() == kZMLEventDependeeDestroy &&
      static_cast<ZMLEventDependeeDestroy*>(event)->Dependee() == static_cast<IEventListener*>(bitmap_))
    bitmap_ = nullptr;
  return ZView::OnEvent(event);
}

int32_t ImageView::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  int32_t n;
  double g;
  if (name == "bitmap")
    return LookupMarkupBitmap(host, this, value, bitmap_);
  if (name == "blend") {
    const int32_t mode = BlendModeFromName(TrimBlanks(value));
    if (mode < 0)
      return kZErrIllegalPropertyValue;
    blend_ = mode;
    return 0;
  }
  if (name == "opacity" || name == "amount") {
    if (!ParseInt(value, n))
      return kZErrIllegalPropertyValue;
    (name == "opacity" ? opacity_ : amount_) = std::clamp(n, 0, 255);
    return 0;
  }
  if (name == "color")
    return ParseColor(value, color_);
  if (name == "gamma") {
    if (!ParseNumber(value, g))
      return kZErrIllegalPropertyValue;
    blend_ = kBlendGamma;
    amount_ = ZMLIcon::HoverGammaAmount(g);
    return 0;
  }
  return ZView::SetProperty(name, value, host);
}

void ImageView::Draw(ZDrawContext& context) {
  if (!bitmap_ || bitmap_->IsEmpty() || opacity_ == 0)
    return;
  int32_t mode = blend_, amount = amount_;
  if (opacity_ < 255 && (mode == kBlendOpaque || mode == kBlendAlpha)) {
    amount = mode == kBlendAlpha ? amount * opacity_ / 255 : opacity_;
    mode = kBlendAlpha;
  }
  context.SetBlendMode(mode);
  context.SetAmount(amount);
  context.SetColor(color_);
  context.DrawBitmap(*bitmap_, ZPoint());
}

}  // namespace ZTools
