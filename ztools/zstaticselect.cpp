// StaticSelect: choices, collapsing and expanding, clicks and drawing.
#include "ztools/zstaticselect.h"

#include <algorithm>
#include <cmath>

#include "zml/zmlevent.h"
#include "zml/zmlnode.h"
#include "zml/zmlscripthost.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkuplookup.h"
#include "ztools/zmarkupvalues.h"
#include "ztools/zpanemanager.h"

namespace ZTools {
namespace {

constexpr ZWord kEffectWords[] = {{"none", kStaticSelectEffectNone}, {"shadow", kStaticSelectEffectShadow}};

// Values are compared as whole numbers; anything beyond the 32-bit range compares as its limit.
int64_t RoundedValue(double v) {
  if (!std::isfinite(v))
    return 0;
  return int64_t(std::clamp(std::floor(v + 0.5), -2147483648.0, 2147483647.0));
}

// The `valuetoset` the pane's markup gives, if its type has one and it is a number.
bool MarkupValueToSet(ZMLScriptHost* host, const ZView* pane, double& out) {
  const ZMLNode* node = host ? host->NodeOf(pane) : nullptr;
  if (!node)
    return false;
  const int index = node->Type().FindProperty("valuetoset");
  if (index < 0 || size_t(index) >= node->Values().size())
    return false;
  const ZString& text = node->Values()[size_t(index)].value;
  return !text.IsEmpty() && ParseNumber(text.View(), out);
}

}  // namespace

StaticSelect::StaticSelect() { SetFlags(kStaticSelectFlags); }

int32_t StaticSelect::OnEvent(ZEvent* event) {
  if (event && event->Id() == kZMLEventDependeeDestroy &&
      static_cast<ZMLEventDependeeDestroy*>(event)->Dependee() == static_cast<IEventListener*>(icon_))
    icon_ = nullptr;
  return ZControl::OnEvent(event);
}

int32_t StaticSelect::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  struct Row {
    std::string_view name;
    int32_t (*set)(StaticSelect&, std::string_view, ZMLParser*);
  };
  static constexpr Row kProperties[] = {
      {"framecolor",
       [](StaticSelect& s, std::string_view v, ZMLParser*) {
         return ParseColor(v, s.frame_);
       }},
      {"collapsedcolor",
       [](StaticSelect& s, std::string_view v, ZMLParser*) {
         return ParseColor(v, s.collapsedColor_);
       }},
      {"expandedcolor",
       [](StaticSelect& s, std::string_view v, ZMLParser*) {
         return ParseColor(v, s.expandedColor_);
       }},
      {"icon",
       [](StaticSelect& s, std::string_view v, ZMLParser* h) {
         return LookupMarkupIcon(h, &s, v, s.icon_);
       }},
      {"effect",
       [](StaticSelect& s, std::string_view v, ZMLParser*) {
         uint32_t effect;
         if (!FindWord(kEffectWords, v, effect))
           return kZErrIllegalPropertyValue;
         s.effect_ = int32_t(effect);
         return 0;
       }},
  };
  for (const Row& row : kProperties)
    if (row.name == name)
      return row.set(*this, value, host);
  return ZControl::SetProperty(name, value, host);
}

int32_t StaticSelect::OnFinish() {
  // Children of an effect may reach past the select's frame.
  if (effect_ != kStaticSelectEffectNone)
    SetFlags(GetFlags() & ~kCanClipChildren);
  collapsedWidth_ = Width();
  collapsedHeight_ = Height();
  expandedHeight_ = 0;
  choices_.clear();
  for (ZView* pane : Children()) {
    Choice choice{pane, pane->Height(), double(choices_.size()), pane->HasFlag(kWantClickThru)};
    MarkupValueToSet(ScriptHost(), pane, choice.valueToSet);
    pane->SetFlags(pane->GetFlags() & ~(kWantAutoOpen | kWantDrag));
    expandedHeight_ = std::min(expandedHeight_ + choice.originalHeight, kMaxPaneCoordinate);
    choices_.push_back(choice);
  }
  Layout();
  return ZControl::OnFinish();
}

int32_t StaticSelect::Open() {
  const int32_t rc = ZControl::Open();
  Layout();
  return rc;
}

int32_t StaticSelect::Close() {
  Collapse();
  return ZControl::Close();
}

void StaticSelect::ParameterChanged(ZParameter* parameter) {
  if (GetParameterIndex(parameter) != 0)
    return;
  if (expanded_) {
    Collapse();
  } else {
    Layout();
  }
  PostRedraw();
}

const StaticSelect::Choice* StaticSelect::Selected() const {
  const int64_t value = RoundedValue(GetFloat(0));
  for (const Choice& c : choices_)
    if (RoundedValue(c.valueToSet) == value)
      return &c;
  return nullptr;
}

const StaticSelect::Choice* StaticSelect::ChoiceOf(const ZView* pane) const {
  for (const Choice& c : choices_)
    if (c.pane == pane)
      return &c;
  return nullptr;
}

int32_t StaticSelect::IconWidth() const {
  if (!icon_)
    return 0;
  return std::clamp(icon_->GetSize().x, 0, kMaxPaneCoordinate);
}

// ---- layout

void StaticSelect::Place(const Choice& choice, int32_t x, int32_t y, int32_t width, bool shown) {
  ZView* pane = choice.pane;
  if (!shown) {
    if (pane->IsOpen())
      pane->Close();
    pane->SetVisible(false);
    return;
  }
  const ZRect r = pane->GetRect();
  if (r.left != x || r.top != y)
    pane->MoveFrameBy(x - r.left, y - r.top);
  pane->ResizeFrameBy(std::max(width, 0) - r.Width(), choice.originalHeight - r.Height());
  // Collapsed, the select takes the clicks itself (to open); open, each choice takes its own.
  const bool through = expanded_ ? choice.clickThrough : true;
  pane->SetFlags(through ? pane->GetFlags() | kWantClickThru : pane->GetFlags() & ~kWantClickThru);
  if (IsOpen() && !pane->IsOpen())
    pane->Open();
  pane->SetVisible(true);
}

void StaticSelect::Layout() {
  const int32_t b = Border();
  const int32_t inner = std::max(collapsedWidth_ - 2 * b, 0);
  if (expanded_) {
    int32_t y = b;
    for (const Choice& c : choices_) {
      Place(c, b, y, inner, true);
      y = std::min(y + c.originalHeight, kMaxPaneCoordinate);
    }
    return;
  }
  const Choice* selected = Selected();
  const int32_t narrowed = icon_ ? inner - IconWidth() - 2 : inner;
  for (const Choice& c : choices_)
    Place(c, b, (collapsedHeight_ - c.originalHeight) / 2, narrowed, &c == selected);
}

void StaticSelect::AlignChildren(int32_t dx, int32_t) {
  // A resize by the parent's layout changes the collapsed box; the list follows it.
  if (expanded_) {
    collapsedWidth_ = std::max(collapsedWidth_ + dx, 0);
  } else {
    collapsedWidth_ = Width();
    collapsedHeight_ = Height();
  }
  Layout();
}

void StaticSelect::Expand() {
  if (expanded_)
    return;
  PostRedraw();
  expanded_ = true;
  collapsedPos_ = GetPosition();
  const int32_t shadow = ShadowSize();
  const int32_t height = std::min(expandedHeight_ + 2 * Border() + shadow, kMaxPaneCoordinate);
  SetSize(collapsedWidth_ + shadow, height);
  // The list drops down from the box; when the window is too short for that it moves up, but
  // never above the window's top.
  if (ZPaneManager* manager = Manager()) {
    const int32_t top = AbsolutePosition().y;
    const int32_t overflow = top + height - manager->RootSize().y;
    if (overflow > 0)
      SetPosition(collapsedPos_.x, collapsedPos_.y - std::min(overflow, std::max(top, 0)));
  }
  PostMoveToTop();  // drawn over its siblings
  Layout();
  PostStartMouseCapture();
  PostRedraw();
}

void StaticSelect::Collapse() {
  if (!expanded_)
    return;
  PostRedraw();
  expanded_ = false;
  SetPosition(collapsedPos_.x, collapsedPos_.y);
  SetSize(collapsedWidth_, collapsedHeight_);
  Layout();
  PostStopMouseCapture();
  PostRedraw();
}

bool StaticSelect::RemoveChild(ZView* child) {
  std::erase_if(choices_, [child](const Choice& c) { return c.pane == child; });
  return ZControl::RemoveChild(child);
}

// ---- input

bool StaticSelect::IsHitAt(ZPoint p) const { return ListRect().Contains(p); }

void StaticSelect::Choose(const Choice& choice) {
  const double value = choice.valueToSet;
  if (RoundedValue(GetFloat(0)) != RoundedValue(value)) {
    PostBeginEdit(0);
    SetFloat(value, 0);
    PostEndEdit(0);
  }
  Collapse();
}

int32_t StaticSelect::OnClick(uint32_t buttons, ZPoint p) {
  if (!expanded_) {
    if (!(buttons & kLeftButton))
      return 0;
    Expand();
    return 1;
  }
  if (!ListRect().Contains(p)) {
    Collapse();
    PostInvalidateClick();
    PostCheckMousePosition();
    return 1;
  }
  // A click on a choice that does not take clicks itself chooses it.
  for (const Choice& c : choices_) {
    if (c.pane->IsVisible() && c.pane->GetRect().Contains(p)) {
      Choose(c);
      return 1;
    }
  }
  return 1;
}

int32_t StaticSelect::OnPaneEvent(ZPaneEvent& event) {
  // A choice that took the click (a menu item) reports it; it may have set the parameter itself.
  if (event.Id() == kParentButtonClicked && expanded_) {
    if (const Choice* c = ChoiceOf(event.Pane())) {
      Choose(*c);
      return 0;
    }
  }
  return ZControl::OnPaneEvent(event);
}

// ---- drawing

void StaticSelect::Draw(ZDrawContext& context) {
  const ZRect list = ListRect();
  context.SetAmount(255);
  if (const int32_t s = ShadowSize(); s > 0) {
    context.SetColor(ZColor(0, 0, 0));
    context.SetBlendMode(kBlendAlpha);
    context.SetAmount(96);
    context.FillRect(ZRect(list.right, s, list.right + s, list.bottom + s));
    context.FillRect(ZRect(s, list.bottom, list.right, list.bottom + s));
    context.SetAmount(255);
  }
  context.SetBlendMode(kBlendOpaque);
  const int32_t b = Border();
  const ZColor fill = expanded_ ? expandedColor_ : collapsedColor_;
  if (fill.set) {
    context.SetColor(fill);
    context.FillRect(ZRect(list.left + b, list.top + b, list.right - b, list.bottom - b));
  }
  if (frame_.set) {
    context.SetColor(frame_);
    context.FillRect(ZRect(0, 0, list.right, 1));
    context.FillRect(ZRect(0, list.bottom - 1, list.right, list.bottom));
    context.FillRect(ZRect(0, 0, 1, list.bottom));
    context.FillRect(ZRect(list.right - 1, 0, list.right, list.bottom));
  }
  if (icon_ && !expanded_) {
    const ZPoint size = icon_->GetSize();
    const ZPoint at(list.right - b - size.x - 1, (list.Height() - size.y) / 2);
    icon_->Draw(context, IsHovered() ? kIconStateHover : kIconStateNormal, at);
  }
}

}  // namespace ZTools
