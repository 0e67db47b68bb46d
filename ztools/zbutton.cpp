// Button: properties, press / cancel / release for each kind, and drawing. A press opens one
// edit bracket and the release (cancelled or not) closes it.
#include "ztools/zbutton.h"

#include <cmath>

#include "zml/zmlevent.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zcontrolprops.h"
#include "ztools/zmarkuplookup.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {
namespace {

int32_t SetColor(ZColor& field, std::string_view text) { return ParseColor(text, field); }

int32_t SetFont(int32_t& field, std::string_view text) {
  const int32_t index = FontIndexFromWord(text);
  if (index < 0)
    return index;
  field = index;
  return 0;
}

int32_t SetYesNo(bool& field, std::string_view text) { return ParseYesNo(text, field) ? 0 : kZErrIllegalPropertyValue; }

int32_t SetNumber(double& field, bool& given, std::string_view text) {
  if (!ParseControlNumber(text, field))
    return kZErrIllegalPropertyValue;
  given = true;
  return 0;
}

}  // namespace

int32_t Button::OnEvent(ZEvent* event) {
  if (event && event->Id() == kZMLEventDependeeDestroy &&
      static_cast<ZMLEventDependeeDestroy*>(event)->Dependee() == static_cast<IEventListener*>(icon_))
    icon_ = nullptr;
  return ZControl::OnEvent(event);
}

int32_t Button::OnPaneEvent(ZPaneEvent& event) {
  if (event.Id() != kPaneSetText)
    return ZControl::OnPaneEvent(event);
  if (look_.caption.View() != event.Text().View()) {
    look_.caption = event.Text();
    PostRedraw();
  }
  return 0;
}

int32_t Button::SetButtonProperty(std::string_view name, std::string_view value) {
  static constexpr ZPropertyRow<Button> kProperties[] = {
      {"backcolor",
       [](Button& b, std::string_view v) {
         return SetColor(b.look_.back, v);
       }},
      {"hoverbackcolor",
       [](Button& b, std::string_view v) {
         return SetColor(b.look_.hoverBack, v);
       }},
      {"textcolor",
       [](Button& b, std::string_view v) {
         return SetColor(b.look_.text, v);
       }},
      {"hovertextcolor",
       [](Button& b, std::string_view v) {
         return SetColor(b.look_.hoverText, v);
       }},
      {"framecolor",
       [](Button& b, std::string_view v) {
         return SetColor(b.look_.frame, v);
       }},
      {"text",
       [](Button& b, std::string_view v) {
         b.look_.caption = v;
         return 0;
       }},
      {"font",
       [](Button& b, std::string_view v) {
         return SetFont(b.look_.font, v);
       }},
      {"toggle",
       [](Button& b, std::string_view v) {
         return SetYesNo(b.toggle_, v);
       }},
      {"icononly",
       [](Button& b, std::string_view v) {
         return SetYesNo(b.iconOnly_, v);
       }},
      {"valuetoset",
       [](Button& b, std::string_view v) {
         return SetNumber(b.valueToSet_, b.hasValueToSet_, v);
       }},
      {"increment",
       [](Button& b, std::string_view v) {
         return SetNumber(b.increment_, b.hasIncrement_, v);
       }},
      {"icon",
       [](Button& b, std::string_view v) {
         return LookupMarkupIcon(b.Host(), &b, v, b.icon_);
       }},
  };
  return SetFromTable<Button>(kProperties, *this, name, value);
}

int32_t Button::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  const int32_t rc = SetButtonProperty(name, value);
  return rc == kZErrUnknownProperty ? ZControl::SetProperty(name, value, host) : rc;
}

ButtonKind Button::Kind() const noexcept {
  if (hasValueToSet_)
    return ButtonKind::kValueToSet;
  if (hasIncrement_)
    return ButtonKind::kIncrement;
  return toggle_ ? ButtonKind::kToggle : ButtonKind::kMomentary;
}

bool Button::MatchesValue(double value) const { return std::isfinite(value) && std::floor(value + 0.5) == valueToSet_; }

// ---- press, cancel, release

void Button::Press() {
  if (pressed_)
    return;
  pressed_ = true;
  cancelled_ = false;
  PostBeginEdit(0);
  switch (Kind()) {
    case ButtonKind::kMomentary:
      on_ = true;
      SetNormalized(1.0, 0);
      break;
    case ButtonKind::kToggle: on_ = !on_; break;
    case ButtonKind::kValueToSet:
    case ButtonKind::kIncrement: on_ = true; break;
  }
  PostRedraw();
}

void Button::Cancel() {
  if (!pressed_ || cancelled_)
    return;
  cancelled_ = true;
  switch (Kind()) {
    case ButtonKind::kValueToSet: on_ = MatchesValue(GetFloat(0)); break;
    case ButtonKind::kIncrement: on_ = false; break;
    case ButtonKind::kToggle: on_ = !on_; break;
    case ButtonKind::kMomentary:
      on_ = false;
      SetNormalized(0.0, 0);
      break;
  }
  PostRedraw();
}

void Button::Release(bool checkMouse) {
  if (!pressed_)
    return;
  if (checkMouse && !cancelled_ && !ZRect(0, 0, Width(), Height()).Contains(GetMousePosition()))
    Cancel();
  pressed_ = false;
  if (!cancelled_) {
    switch (Kind()) {
      case ButtonKind::kValueToSet:
        SetFloat(valueToSet_, 0);
        // Drawn on exactly while the value rounds to valuetoset (the range may not hold it).
        on_ = MatchesValue(GetFloat(0));
        PostButtonClicked();
        break;
      case ButtonKind::kIncrement:
        on_ = false;
        SetFloat(GetFloat(0) + increment_, 0);
        PostButtonClicked();
        break;
      case ButtonKind::kToggle:
        SetNormalized(on_ ? 1.0 : 0.0, 0);
        PostButtonEnabled(on_);
        break;
      case ButtonKind::kMomentary:
        on_ = false;
        SetNormalized(0.0, 0);
        PostButtonClicked();
        break;
    }
  }
  cancelled_ = false;
  PostRedraw();
  PostEndEdit(0);
}

void Button::ParameterChanged(ZParameter*) {
  switch (Kind()) {
    case ButtonKind::kValueToSet: on_ = MatchesValue(GetFloat(0)); break;
    case ButtonKind::kIncrement: break;
    default: on_ = GetNormalized(0) >= 0.5; break;
  }
  PostRedraw();
}

int32_t Button::Close() {
  Cancel();
  Release(false);
  return ZControl::Close();
}

int32_t Button::OnClick(uint32_t buttons, ZPoint) {
  if (!(buttons & kLeftButton))
    return 0;
  Press();
  return 1;
}

int32_t Button::OnStartDrag(uint32_t, ZPoint) { return pressed_ ? 1 : 0; }

int32_t Button::OnDrag(uint32_t, ZPoint p) {
  if (!pressed_)
    return 0;
  if (!ZRect(0, 0, Width(), Height()).Contains(p))
    Cancel();
  return 1;
}

int32_t Button::OnStopDrag() {
  Release(true);
  return 0;
}

void Button::OnClickRelease(uint32_t) { Release(true); }

int32_t Button::OnKey(uint32_t key) {
  if (key != kKeyReturn)
    return 0;
  if (!pressed_) {
    Press();
    Release(false);
  }
  return 1;
}

// The space bar clicks too.
int32_t Button::OnText(std::string_view utf8) { return utf8 == " " ? OnKey(kKeyReturn) : 0; }

// ---- drawing

int32_t Button::IconState() const {
  const bool latched = Kind() == ButtonKind::kToggle || Kind() == ButtonKind::kValueToSet;
  if (!on_)
    return IsHovered() ? kIconStateHover : kIconStateNormal;
  if (latched)
    return IsHovered() ? kIconStateHoverSelected : kIconStateSelected;
  return IsHovered() ? kIconStateHoverPressed : kIconStatePressed;
}

void Button::DrawFrame(ZDrawContext& context, const ZRect& rect, ZColor color, int32_t width) {
  context.SetBlendMode(kBlendOpaque);
  context.SetColor(color);
  ZRect r = rect;
  for (int32_t i = 0; i < width && !r.IsEmpty(); ++i) {
    context.FillRect(ZRect(r.left, r.top, r.right, r.top + 1));
    context.FillRect(ZRect(r.left, r.bottom - 1, r.right, r.bottom));
    context.FillRect(ZRect(r.left, r.top, r.left + 1, r.bottom));
    context.FillRect(ZRect(r.right - 1, r.top, r.right, r.bottom));
    r.Inflate(-1, -1);
  }
}

void Button::DrawCaption(ZDrawContext& context, const ZRect& rect, uint32_t align, ZColor color) const {
  if (look_.caption.IsEmpty())
    return;
  context.SetFont(look_.font);
  context.SetTextMode(kTextModeTransparent);
  context.SetColor(color);
  context.DrawText(look_.caption.View(), rect, align | kTextAlignSingleLine);
}

void Button::Draw(ZDrawContext& context) {
  const ZRect all(0, 0, Width(), Height());
  ZRect textRect = all;
  if (on_)
    textRect.Offset(1, 1);
  context.SetBlendMode(kBlendOpaque);
  context.SetAmount(255);
  if (icon_) {
    icon_->Draw(context, IconState(), ZPoint());
    if (iconOnly_)
      return;
  } else {
    context.SetColor(BackColor());
    context.FillRect(all);
    DrawFrame(context, all, look_.frame, on_ ? 2 : 1);
  }
  DrawCaption(context, textRect, kTextAlignCenter | kTextAlignVCenter, TextColor());
}

}  // namespace ZTools
