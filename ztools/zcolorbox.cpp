// ColorBox: properties and drawing.
#include "ztools/zcolorbox.h"

#include <algorithm>

#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"
#include "ztools/zpanewords.h"

namespace ZTools {

int32_t ColorBox::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  int32_t n;
  if (name == "color")
    return ParseColor(value, color_);
  if (name == "style")
    return ParseFlagWords(FrameStyleWords(), value, 0, style_);
  if (name == "fill")
    return ParseYesNo(value, fill_) ? 0 : kZErrIllegalPropertyValue;
  if (name == "opacity") {
    if (!ParseInt(value, n))
      return kZErrIllegalPropertyValue;
    opacity_ = std::clamp(n, 0, 255);
    return 0;
  }
  if (name == "shadowsize") {
    if (!ParseInt(value, n) || n < 0 || n > kMaxPaneCoordinate)
      return kZErrIllegalPropertyValue;
    shadow_ = n;
    return 0;
  }
  return ZView::SetProperty(name, value, host);
}

void ColorBox::Draw(ZDrawContext& context) {
  const int32_t s = std::min({shadow_, Width(), Height()});
  const ZRect box(0, 0, Width() - s, Height() - s);
  if (s > 0) {
    context.SetColor(ZColor(0, 0, 0));
    context.SetBlendMode(kBlendAlpha);
    context.SetAmount(96);
    context.FillRect(ZRect(s, s, Width(), Height()).Intersection(ZRect(s, box.bottom, Width(), Height())));
    context.FillRect(ZRect(box.right, s, Width(), box.bottom));
  }
  context.SetColor(color_);
  if (fill_ && opacity_ > 0) {
    context.SetBlendMode(opacity_ >= 255 ? kBlendOpaque : kBlendAlpha);
    context.SetAmount(opacity_);
    context.FillRect(box);
  }
  context.SetBlendMode(kBlendOpaque);
  context.SetAmount(255);
  if (style_ != 0)
    context.Draw3DRect(box, style_);
}

}  // namespace ZTools
