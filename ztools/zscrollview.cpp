// ScrollView and ScrollClient: the parts, their layout, scrolling, the wheel and drawing.
//
// Layout: inside the border, the client takes the view's size less the bars that show. With
// autohide a bar shows when the content is wider (taller) than the client would be; showing one
// bar narrows the client along the other axis, so the question is asked twice, after which the
// answer cannot change (a bar that shows only ever adds the other).
#include "ztools/zscrollview.h"

#include <algorithm>
#include <cmath>

#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {

ZPoint ScrollClient::ChildrenExtent() {
  int64_t w = 0, h = 0;
  for (ZView* child : Children()) {
    if (!child->IsVisible())
      continue;
    const ZRect r = child->GetRect();
    int64_t cw = r.right, ch = r.bottom;
    if (!child->HasFlag(kCanClipChildren)) {
      const ZPoint inner = child->GetContentSize();
      cw = std::max<int64_t>(cw, int64_t(r.left) + inner.x);
      ch = std::max<int64_t>(ch, int64_t(r.top) + inner.y);
    }
    w = std::max(w, cw);
    h = std::max(h, ch);
  }
  return {int32_t(std::clamp<int64_t>(w, 0, kMaxPaneCoordinate)),
          int32_t(std::clamp<int64_t>(h, 0, kMaxPaneCoordinate))};
}

ScrollView::ScrollView()
    : client_(std::make_unique<ScrollClient>()),
      hbar_(std::make_unique<HScrollBar>()),
      vbar_(std::make_unique<VScrollBar>()) {
  SetFlags(kScrollViewFlags);
  hbar_->SetToolTip(kHorizontalScrollTip);
  vbar_->SetToolTip(kVerticalScrollTip);
  ZView::AddChild(client_.get());
  ZView::AddChild(hbar_.get());
  ZView::AddChild(vbar_.get());
  ConfigureBars();
}

ScrollView::~ScrollView() {
  // The parts go with the view; they must not call back into it while it is being destroyed.
  ZView::RemoveChild(vbar_.get());
  ZView::RemoveChild(hbar_.get());
  ZView::RemoveChild(client_.get());
}

int32_t ScrollView::OnCreate() {
  for (ZView* part :
       {static_cast<ZView*>(client_.get()), static_cast<ZView*>(hbar_.get()), static_cast<ZView*>(vbar_.get())})
    part->AttachManager(Manager());
  return 0;
}

int32_t ScrollView::OnFinish() {
  ConfigureBars();
  Layout();
  return 0;
}

int32_t ScrollView::Open() {
  const int32_t rc = ZView::Open();
  Layout();  // opens the auto-hidden bars that are needed
  return rc;
}

int32_t ScrollView::Idle() {
  if (client_->ChildrenExtent() != lastExtent_ || ZPoint(Width(), Height()) != lastSize_)
    Layout();
  return 0;
}

// ---- properties

int32_t ScrollView::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  struct Row {
    std::string_view name;
    int32_t (*set)(ScrollView&, std::string_view);
  };
  static constexpr Row kProperties[] = {
      {"backcolor",
       [](ScrollView& s, std::string_view v) {
         return ParseColor(v, s.back_);
       }},
      {"scrollhandlecolor",
       [](ScrollView& s, std::string_view v) {
         return ParseColor(v, s.barHandle_);
       }},
      {"scrollbackcolor",
       [](ScrollView& s, std::string_view v) {
         return ParseColor(v, s.barBack_);
       }},
      {"scrollsize",
       [](ScrollView& s, std::string_view v) {
         double size;
         if (!ParseNumber(v, size) || size < 0 || size > kMaxPaneCoordinate || size != std::floor(size))
           return kZErrIllegalPropertyValue;
         s.scrollSize_ = int32_t(size);
         return 0;
       }},
      {"autohide",
       [](ScrollView& s, std::string_view v) {
         return ParseYesNo(v, s.autohide_) ? 0 : kZErrIllegalPropertyValue;
       }},
      {"hashscroll",
       [](ScrollView& s, std::string_view v) {
         return ParseYesNo(v, s.hasH_) ? 0 : kZErrIllegalPropertyValue;
       }},
      {"hasvscroll",
       [](ScrollView& s, std::string_view v) {
         return ParseYesNo(v, s.hasV_) ? 0 : kZErrIllegalPropertyValue;
       }},
      {"wheelunits",
       [](ScrollView& s, std::string_view v) {
         double units;
         if (!ParseNumber(v, units) || std::fabs(units) > kMaxScrollExtent)
           return kZErrIllegalPropertyValue;
         s.wheel_ = units;
         return 0;
       }},
      {"border",
       [](ScrollView& s, std::string_view v) {
         // yes/no, or the colour of the frame.
         if (ParseYesNo(v, s.border_)) {
           s.borderColorGiven_ = false;
           return 0;
         }
         if (int32_t rc = ParseColor(v, s.borderColor_))
           return rc;
         s.border_ = s.borderColorGiven_ = true;
         return 0;
       }},
  };
  for (const Row& row : kProperties) {
    if (row.name != name)
      continue;
    const int32_t rc = row.set(*this, value);
    if (rc == 0)
      ConfigureBars();
    return rc;
  }
  return ZView::SetProperty(name, value, host);
}

void ScrollView::ConfigureBars() {
  for (HScrollBar* bar : {static_cast<HScrollBar*>(hbar_.get()), static_cast<HScrollBar*>(vbar_.get())}) {
    const bool present = bar == hbar_.get() ? hasH_ : hasV_;
    bar->SetColors(barBack_, barHandle_);
    bar->SetFrameColor(border_ && borderColorGiven_ ? borderColor_ : ZColor());
    bar->SetWheelUnits(wheel_);
    uint32_t flags = bar->GetFlags() | kCanMove | kCanResize;
    // An auto-hidden bar (or one that is not there) is opened by the view when it is needed.
    flags = autohide_ || !present ? flags & ~kWantAutoOpen : flags | kWantAutoOpen;
    bar->SetFlags(flags);
  }
}

// ---- children

void ScrollView::ReattachParts() {
  for (ZView* part :
       {static_cast<ZView*>(client_.get()), static_cast<ZView*>(hbar_.get()), static_cast<ZView*>(vbar_.get())}) {
    ZView::RemoveChild(part);
    ZView::AddChild(part);
  }
}

int32_t ScrollView::AddChild(ZView* child) {
  if (IsPart(child))
    return ZView::AddChild(child);
  if (!child || Depth() + 2 > kMaxPaneDepth)
    return kZErrIncompatibleChild;
  if (client_->Depth() != Depth() + 1)
    ReattachParts();
  return client_->AddChild(child);
}

bool ScrollView::RemoveChild(ZView* child) {
  if (!IsPart(child) && client_->RemoveChild(child))
    return true;
  return ZView::RemoveChild(child);
}

// ---- layout

void ScrollView::PlaceBar(HScrollBar& bar, bool shown, const ZRect& rect) {
  bar.SetPosition(rect.left, rect.top);
  bar.SetSize(rect.Width(), rect.Height());
  if (shown) {
    if (IsOpen() && !bar.IsOpen())
      bar.Open();
    bar.SetVisible(true);
  } else {
    if (bar.IsOpen())
      bar.Close();
    bar.SetVisible(false);
  }
}

void ScrollView::Layout() {
  const int32_t b = BorderWidth();
  const int32_t s = scrollSize_;
  const int32_t innerW = std::max(Width() - 2 * b, 0);
  const int32_t innerH = std::max(Height() - 2 * b, 0);
  const ZPoint extent = client_->ChildrenExtent();
  bool showH = hasH_, showV = hasV_;
  if (autohide_) {
    showH = showV = false;
    for (int pass = 0; pass < 2; ++pass) {
      const int32_t w = innerW - (showV ? s : 0), h = innerH - (showH ? s : 0);
      showH = hasH_ && extent.x > w;
      showV = hasV_ && extent.y > h;
    }
  }
  const int32_t cw = std::max(innerW - (showV ? s : 0), 0);
  const int32_t ch = std::max(innerH - (showH ? s : 0), 0);

  const ZRect c = client_->GetRect();
  if (c.left != b || c.top != b)
    client_->MoveFrameBy(b - c.left, b - c.top);
  client_->ResizeFrameBy(cw - c.Width(), ch - c.Height());
  PlaceBar(*hbar_, showH, ZRect(b, b + ch, b + cw, b + ch + s));
  PlaceBar(*vbar_, showV, ZRect(b + cw, b, b + cw + s, b + ch));
  hbar_->SetSizes(std::max(extent.x, cw), cw);
  vbar_->SetSizes(std::max(extent.y, ch), ch);

  lastExtent_ = extent;
  lastSize_ = {Width(), Height()};
  PostRedraw();
}

void ScrollView::AlignChildren(int32_t, int32_t) { Layout(); }

// ---- scrolling and input

int32_t ScrollView::OnPaneEvent(ZPaneEvent& event) {
  const bool horizontal = event.Id() == kParentHorizontalScroll && event.Pane() == hbar_.get();
  const bool vertical = event.Id() == kParentVerticalScroll && event.Pane() == vbar_.get();
  if (!horizontal && !vertical)
    return ZView::OnPaneEvent(event);
  const int32_t at = std::clamp(event.Value(), 0, kMaxPaneCoordinate);
  ZPoint offset = client_->GetScrollOffset();
  (horizontal ? offset.x : offset.y) = at;
  if (offset != client_->GetScrollOffset()) {
    client_->SetScrollOffset(offset);
    client_->PostRedraw();
  }
  return 0;
}

int32_t ScrollView::OnWheel(uint32_t buttons, ZPoint p, float delta) {
  for (HScrollBar* bar : {static_cast<HScrollBar*>(vbar_.get()), static_cast<HScrollBar*>(hbar_.get())}) {
    const bool present = bar == hbar_.get() ? hasH_ : hasV_;
    if (present && bar->IsOpen() && bar->IsVisible())
      return bar->OnWheel(buttons, p - bar->GetPosition(), delta);
  }
  return 0;
}

// ---- drawing

void ScrollView::Draw(ZDrawContext& context) {
  const ZRect all(0, 0, Width(), Height());
  context.SetBlendMode(kBlendOpaque);
  context.SetAmount(255);
  if (back_.set) {
    context.SetColor(back_);
    context.FillRect(all);
  }
  if (border_) {
    context.SetColor(borderColor_);
    context.FillRect(ZRect(0, 0, all.right, 1));
    context.FillRect(ZRect(0, all.bottom - 1, all.right, all.bottom));
    context.FillRect(ZRect(0, 0, 1, all.bottom));
    context.FillRect(ZRect(all.right - 1, 0, all.right, all.bottom));
  }
}

}  // namespace ZTools
