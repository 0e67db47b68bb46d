// MenuItem: properties, choosing and drawing. The look is read from the parameter at each
// draw, so a row never shows a stale choice.
#include "ztools/zmenuitem.h"

#include <cmath>

#include "zml/zmlevent.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zcontrolprops.h"
#include "ztools/zmarkuplookup.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {

int32_t MenuItem::OnEvent(ZEvent* event) {
  if (event && event->Id() == kZMLEventDependeeDestroy) {
    IEventListener* gone = static_cast<ZMLEventDependeeDestroy*>(event)->Dependee();
    if (gone == static_cast<IEventListener*>(icon_))
      icon_ = nullptr;
    if (gone == static_cast<IEventListener*>(bitmap_))
      bitmap_ = nullptr;
  }
  return ZControl::OnEvent(event);
}

int32_t MenuItem::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  static constexpr ZPropertyRow<MenuItem> kProperties[] = {
      {"backcolor",
       [](MenuItem& m, std::string_view v) {
         return ParseColor(v, m.look_.back);
       }},
      {"textcolor",
       [](MenuItem& m, std::string_view v) {
         return ParseColor(v, m.look_.text);
       }},
      {"hoverbackcolor",
       [](MenuItem& m, std::string_view v) {
         return ParseColor(v, m.look_.hoverBack);
       }},
      {"hovertextcolor",
       [](MenuItem& m, std::string_view v) {
         return ParseColor(v, m.look_.hoverText);
       }},
      {"text",
       [](MenuItem& m, std::string_view v) {
         m.text_ = v;
         return 0;
       }},
      {"font",
       [](MenuItem& m, std::string_view v) {
         const int32_t index = FontIndexFromWord(v);
         if (index < 0)
           return index;
         m.look_.font = index;
         return 0;
       }},
      {"icon",
       [](MenuItem& m, std::string_view v) {
         return LookupMarkupIcon(m.Host(), &m, v, m.icon_);
       }},
      {"bitmap",
       [](MenuItem& m, std::string_view v) {
         return LookupMarkupBitmap(m.Host(), &m, v, m.bitmap_);
       }},
      {"valuetoset",
       [](MenuItem& m, std::string_view v) {
         if (!ParseControlNumber(v, m.valueToSet_))
           return kZErrIllegalPropertyValue;
         m.hasValueToSet_ = true;
         return 0;
       }},
      {"suppressicon",
       [](MenuItem& m, std::string_view v) {
         return ParseYesNo(v, m.suppressIcon_) ? 0 : kZErrIllegalPropertyValue;
       }},
  };
  const int32_t rc = SetFromTable<MenuItem>(kProperties, *this, name, value);
  return rc == kZErrUnknownProperty ? ZControl::SetProperty(name, value, host) : rc;
}

void MenuItem::SetValueToSet(double value) {
  valueToSet_ = value;
  hasValueToSet_ = true;
}

bool MenuItem::IsCurrent() const {
  if (!hasValueToSet_ || !GetParameter(0))
    return false;
  const double v = GetFloat(0);
  return std::isfinite(v) && std::floor(v + 0.5) == valueToSet_;
}

void MenuItem::Choose() {
  PostBeginEdit(0);
  if (hasValueToSet_)
    SetFloat(valueToSet_, 0);
  PostEndEdit(0);
  PostButtonClicked();
  PostRedraw();
}

int32_t MenuItem::OnClick(uint32_t buttons, ZPoint) {
  if (!(buttons & kLeftButton))
    return 0;
  Choose();
  return 1;
}

int32_t MenuItem::OnKey(uint32_t key) {
  if (key != kKeyReturn)
    return 0;
  Choose();
  return 1;
}

int32_t MenuItem::OnText(std::string_view utf8) { return utf8 == " " ? OnKey(kKeyReturn) : 0; }

void MenuItem::Draw(ZDrawContext& context) {
  const ZRect all(0, 0, Width(), Height());
  const bool current = IsCurrent();
  const bool highlighted = IsHovered() || current;
  context.SetBlendMode(kBlendOpaque);
  context.SetAmount(255);
  if (highlighted && look_.hoverBack.set) {
    context.SetColor(look_.hoverBack);
    context.FillRect(all);
  } else if (bitmap_) {
    context.DrawBitmap(*bitmap_, ZPoint());
  } else if (look_.back.set) {
    context.SetColor(look_.back);
    context.FillRect(all);
  }
  int32_t textLeft = kMenuItemMargin;
  if (icon_ && !suppressIcon_) {
    const ZPoint size = icon_->GetSize();
    const int32_t state = current ? (IsHovered() ? kIconStateHoverSelected : kIconStateSelected)
                                  : (IsHovered() ? kIconStateHover : kIconStateNormal);
    icon_->Draw(context, state, ZPoint(kMenuItemMargin, (Height() - size.y) / 2));
    textLeft += size.x + kMenuItemMargin;
  }
  if (text_.IsEmpty())
    return;
  const ZColor text = highlighted && look_.hoverText.set ? look_.hoverText : look_.text;
  context.SetFont(look_.font);
  context.SetTextMode(kTextModeTransparent);
  context.SetColor(text);
  context.DrawText(text_.View(), ZRect(textLeft, 0, Width(), Height()),
                   kTextAlignLeft | kTextAlignVCenter | kTextAlignSingleLine);
}

}  // namespace ZTools
