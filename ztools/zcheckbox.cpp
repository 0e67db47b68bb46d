// CheckBox: its own properties and drawing; pressing and releasing are the Button's.
// The whole pane (box and caption) takes clicks.
#include "ztools/zcheckbox.h"

#include "ztools/zbitmapmarkup.h"
#include "ztools/zcontrolprops.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {
namespace {

int32_t SetPoint(ZPoint& field, std::string_view text, int32_t min) {
  int32_t x, y;
  if (!ParsePair(text, x, y) || x < min || y < min || x > kMaxPaneCoordinate || y > kMaxPaneCoordinate)
    return kZErrIllegalPropertyValue;
  field = {x, y};
  return 0;
}

}  // namespace

CheckBox::CheckBox() {
  toggle_ = true;
  look_.back = ZColor(255, 255, 255);
}

int32_t CheckBox::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  static constexpr ZPropertyRow<CheckBox> kProperties[] = {
      {"boxsize",
       [](CheckBox& c, std::string_view v) {
         return SetPoint(c.boxSize_, v, 0);
       }},
      {"iconoffset",
       [](CheckBox& c, std::string_view v) {
         return SetPoint(c.iconOffset_, v, -kMaxPaneCoordinate);
       }},
      {"textshadow",
       [](CheckBox& c, std::string_view v) {
         return ParseYesNo(v, c.textShadow_) ? 0 : kZErrIllegalPropertyValue;
       }},
  };
  const int32_t rc = SetFromTable<CheckBox>(kProperties, *this, name, value);
  return rc == kZErrUnknownProperty ? Button::SetProperty(name, value, host) : rc;
}

ZRect CheckBox::BoxRect() const {
  return ZRect::FromPoint(ZPoint(0, (Height() - boxSize_.y) / 2), boxSize_.x, boxSize_.y);
}

void CheckBox::Draw(ZDrawContext& context) {
  const ZRect box = BoxRect();
  context.SetBlendMode(kBlendOpaque);
  context.SetAmount(255);
  if (!box.IsEmpty()) {
    context.SetColor(BackColor());
    context.FillRect(box);
    DrawFrame(context, box, look_.frame, 1);
  }
  if (IsOn() && icon_)
    icon_->Draw(context, IsHovered() ? kIconStateHoverSelected : kIconStateSelected, box.TopLeft() + iconOffset_);
  const ZRect text(box.right + kCheckBoxTextGap, 0, Width(), Height());
  const uint32_t align = kTextAlignLeft | kTextAlignVCenter;
  if (textShadow_)
    DrawCaption(context, text.Offsetted(ZPoint(1, 1)), align, ZColor(0, 0, 0));
  DrawCaption(context, text, align, TextColor());
}

}  // namespace ZTools
