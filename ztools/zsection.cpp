// SectionView with its head and body panes.
#include "ztools/zsection.h"

#include <algorithm>

#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zfont.h"
#include "ztools/zmarkupvalues.h"
#include "ztools/zstatictext.h"

namespace ZTools {
namespace {

// The colour with its lightness moved by `percent` (positive: lighter).
ZColor Shade(ZColor c, int32_t percent) {
  ZHSL hsl = RGBToHSL(c.r, c.g, c.b);
  hsl.l = std::clamp(hsl.l * (1.0f + float(percent) / 100.0f), 0.0f, 1.0f);
  return HSLToColor(hsl);
}

}  // namespace

void SectionHead::Draw(ZDrawContext& context) {
  const ZRect r(0, 0, Width(), Height());
  context.FillGradient(r, Shade(section_.frameColor, section_.gradient), Shade(section_.frameColor, -section_.gradient),
                       kGradientVertical);
  if (section_.text.IsEmpty())
    return;
  context.SetFont(section_.font);
  DrawTextWithShadow(context, section_.text.View(), ZRect(4, 0, r.right - 4, r.bottom), section_.textAlign,
                     section_.textColor, section_.textShadow);
}

void SectionBody::Draw(ZDrawContext& context) {
  if (!section_.border)
    return;
  context.SetColor(section_.frameColor);
  context.SetBlendMode(kBlendOpaque);
  const int32_t w = Width(), h = Height();
  context.FillRect(ZRect(0, 0, w, 1));
  context.FillRect(ZRect(0, h - 1, w, h));
  context.FillRect(ZRect(0, 0, 1, h));
  context.FillRect(ZRect(w - 1, 0, w, h));
}

SectionView::SectionView() : head_(std::make_unique<SectionHead>(*this)), body_(std::make_unique<SectionBody>(*this)) {
  head_->SetAutoAlign(kAlignHResizeAbs);
  body_->SetAutoAlign(kAlignResizeAbs);
  AddChild(body_.get());
  AddChild(head_.get());
}

SectionView::~SectionView() {
  // The parts go before the view's own list does.
  RemoveChild(head_.get());
  RemoveChild(body_.get());
}

int32_t SectionView::OnCreate() {
  head_->AttachManager(Manager());
  body_->AttachManager(Manager());
  return 0;
}

void SectionView::PlaceParts() {
  body_->SetPosition(0, 0);
  body_->SetSize(Width(), Height());
  head_->SetPosition(0, 0);
  head_->SetSize(Width(), std::min(titleHeight, Height()));
}

void SectionView::SetSize(int32_t width, int32_t height) {
  ZView::SetSize(width, height);
  PlaceParts();
}

int32_t SectionView::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  int32_t n;
  if (name == "framecolor")
    return ParseColor(value, frameColor);
  if (name == "textcolor")
    return ParseColor(value, textColor);
  if (name == "font") {
    const int32_t index = FontIndexFromWord(value);
    if (index < 0)
      return index;
    font = index;
    return 0;
  }
  if (name == "text") {
    text = value;
    return 0;
  }
  if (name == "titleheight") {
    if (!ParseInt(value, n) || n < 0 || n > kMaxPaneCoordinate)
      return kZErrIllegalPropertyValue;
    titleHeight = n;
    PlaceParts();
    return 0;
  }
  if (name == "gradient") {
    if (!ParseInt(value, n) || n < -100 || n > 100)
      return kZErrIllegalPropertyValue;
    gradient = n;
    return 0;
  }
  if (name == "border")
    return ParseYesNo(value, border) ? 0 : kZErrIllegalPropertyValue;
  if (name == "textshadow")
    return ParseYesNo(value, textShadow) ? 0 : kZErrIllegalPropertyValue;
  if (name == "textalign")
    return ParseFlagWords(TextAlignWords(), value, 0, textAlign);
  return ZView::SetProperty(name, value, host);
}

}  // namespace ZTools
