// ZView: markup events, properties, geometry and alignment, painting and posting.
#include "ztools/zview.h"

#include <algorithm>
#include <iterator>

#include "zml/zmlevent.h"
#include "zml/zmlparser.h"
#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"
#include "ztools/zpanemanager.h"

namespace ZTools {
namespace {

int32_t ClampCoordinate(int64_t v) { return int32_t(std::clamp<int64_t>(v, -kMaxPaneCoordinate, kMaxPaneCoordinate)); }

bool InRange(int32_t v) { return v >= -kMaxPaneCoordinate && v <= kMaxPaneCoordinate; }

// A move or resize by (dx, dy) stays inside the coordinate range.
int32_t ClampDelta(int32_t from, int64_t delta) { return ClampCoordinate(int64_t(from) + delta) - from; }

}  // namespace

ZView::~ZView() {
  if (manager_)
    manager_->ForgetPane(this);
  if (parent_)
    parent_->RemoveChild(this);
  for (ZView* child : children_.Iterate())
    child->parent_ = nullptr;
}

// ---- markup

int32_t ZView::OnEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  if ((event->Id() & 0xfff000) == 0x100000)
    return OnMarkupEvent(event);
  if ((event->Id() & 0xf00000) == 0x200000)
    return OnPaneEvent(*static_cast<ZPaneEvent*>(event));
  return 0;
}

int32_t ZView::OnMarkupEvent(ZEvent* event) {
  switch (event->Id()) {
    case kZMLEventGetTypeDecl:
      static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration(ZString(Declaration()));
      return 0;
    case kZMLEventCreate: {
      host_ = static_cast<ZMLEvent*>(event)->Host();
      IEventListener* object = nullptr;
      if (host_ && host_->GetObject(kPaneManagerInterface, kPaneManagerName, &object) == 0)
        manager_ = dynamic_cast<ZPaneManager*>(object);
      return OnCreate();
    }
    case kZMLEventSetProperty: {
      auto* e = static_cast<ZMLEventSetProperty*>(event);
      return SetProperty(e->Property().View(), e->Value().View(), host_);
    }
    case kZMLEventChildCreate: {
      auto* child = dynamic_cast<ZView*>(static_cast<ZMLEventChild*>(event)->Child());
      if (!child)
        return kZErrIncompatibleChild;
      return AddChild(child);
    }
    case kZMLEventFinish: return OnFinish();
    case kZMLEventChildDestroy: {
      auto* child = dynamic_cast<ZView*>(static_cast<ZMLEventChild*>(event)->Child());
      if (child)
        RemoveChild(child);
      return 0;
    }
    case kZMLEventDestroy: {
      if (open_)
        Close();
      int32_t rc = OnDestroy();
      if (manager_)
        manager_->ForgetPane(this);
      return rc;
    }
    default: return 0;
  }
}

int32_t ZView::SetProperty(std::string_view name, std::string_view value, ZMLParser*) {
  return SetViewProperty(name, value);
}

int32_t ZView::SetViewProperty(std::string_view name, std::string_view value) {
  using Setter = int32_t (*)(ZView&, std::string_view);
  struct Row {
    std::string_view name;
    Setter set;
  };
  static constexpr Row kProperties[] = {
      {"flags",
       [](ZView& v, std::string_view text) {
         // The list applies to the type's default flags, whatever was set before.
         return ParseFlagWords(PaneFlagWords(), text, v.DefaultFlags(), v.flags_);
       }},
      {"align",
       [](ZView& v, std::string_view text) {
         uint32_t mode;
         if (!FindWord(PaneAlignWords(), text, mode))
           return kZErrIllegalPropertyValue;
         v.align_ = int32_t(mode);
         return 0;
       }},
      {"size",
       [](ZView& v, std::string_view text) {
         int32_t w, h;
         if (!ParsePair(text, w, h) || w < 0 || h < 0 || w > kMaxPaneCoordinate || h > kMaxPaneCoordinate)
           return kZErrIllegalPropertyValue;
         v.SetSize(w, h);
         return 0;
       }},
      {"pos",
       [](ZView& v, std::string_view text) {
         int32_t x, y;
         if (!ParsePair(text, x, y) || !InRange(x) || !InRange(y))
           return kZErrIllegalPropertyValue;
         v.SetPosition(x, y);
         return 0;
       }},
      {"tip",
       [](ZView& v, std::string_view text) {
         v.toolTip_ = text;
         return 0;
       }},
  };
  for (const Row& row : kProperties)
    if (row.name == name)
      return row.set(*this, value);
  return kZErrUnknownProperty;
}

// ---- children

int32_t ZView::AddChild(ZView* child) {
  if (!child || child == this)
    return kZErrIncompatibleChild;
  if (depth_ + 1 > kMaxPaneDepth)
    return kZErrIncompatibleChild;
  if (child->parent_)
    child->parent_->RemoveChild(child);
  child->parent_ = this;
  child->depth_ = depth_ + 1;
  children_.PushBack(child);
  return 0;
}

bool ZView::RemoveChild(ZView* child) {
  if (!child || !children_.Remove(child))
    return false;
  if (child->parent_ == this)
    child->parent_ = nullptr;
  return true;
}

ZView* ZView::ChildAt(size_t index) {
  ZView** child = children_.At(index);
  return child ? *child : nullptr;
}

void ZView::Detach() {
  for (ZView* child : children_.Iterate())
    child->parent_ = nullptr;
  children_.Clear();
  if (parent_)
    parent_->RemoveChild(this);
}

// ---- life cycle

int32_t ZView::Open() {
  open_ = true;
  int32_t first = 0;
  for (ZView* child : children_.Iterate()) {
    if (!child->HasFlag(kWantAutoOpen)) {
      child->ParentOpened();
      continue;
    }
    if (child->open_)
      continue;
    int32_t rc = child->Open();
    if (rc && !first)
      first = rc;
  }
  return first;
}

int32_t ZView::Close() {
  int32_t first = 0;
  for (ZView* child : children_.IterateReverse()) {
    if (!child->open_)
      continue;
    int32_t rc = child->Close();
    if (rc && !first)
      first = rc;
  }
  open_ = false;
  return first;
}

void ZView::SetVisible(bool visible) {
  if (visible_ == visible)
    return;
  if (!visible)
    PostRedraw();  // the area it covered
  visible_ = visible;
  if (visible)
    PostRedraw();
}

// ---- geometry

void ZView::SetPosition(int32_t x, int32_t y) {
  const int32_t w = frame_.Width(), h = frame_.Height();
  frame_.left = ClampCoordinate(x);
  frame_.top = ClampCoordinate(y);
  frame_.right = ClampCoordinate(int64_t(frame_.left) + w);
  frame_.bottom = ClampCoordinate(int64_t(frame_.top) + h);
}

void ZView::SetSize(int32_t width, int32_t height) {
  frame_.right = ClampCoordinate(int64_t(frame_.left) + std::max(width, 0));
  frame_.bottom = ClampCoordinate(int64_t(frame_.top) + std::max(height, 0));
  owed_ = {};
}

void ZView::SetAutoAlign(int32_t mode) {
  if (mode >= kAlignNone && mode <= kAlignLast)
    align_ = mode;
}

void ZView::MoveBy(int32_t dx, int32_t dy) {
  if (HasFlag(kCanMove))
    MoveFrameBy(dx, dy);
}

void ZView::ResizeBy(int32_t dx, int32_t dy) {
  if (HasFlag(kCanResize))
    ResizeFrameBy(dx, dy);
}

void ZView::MoveFrameBy(int32_t dx, int32_t dy) {
  dx = std::min(ClampDelta(frame_.left, dx), ClampDelta(frame_.right, dx),
                [](int32_t a, int32_t b) { return std::abs(a) < std::abs(b); });
  dy = std::min(ClampDelta(frame_.top, dy), ClampDelta(frame_.bottom, dy),
                [](int32_t a, int32_t b) { return std::abs(a) < std::abs(b); });
  frame_.Offset(dx, dy);
}

// Grows one side of the frame by d: a shrink below size 0 is clamped and the rest owed; growth
// first pays back what is owed. Answers the change the frame took.
static int32_t GrowSide(int32_t& far, int32_t near, int32_t& owed, int32_t d) {
  int64_t want = d;
  if (want > 0) {
    const int64_t repay = std::min<int64_t>(want, owed);
    owed -= int32_t(repay);
    want -= repay;
  }
  int64_t target = int64_t(far) + want;
  if (target < near) {
    owed = int32_t(std::min<int64_t>(int64_t(owed) + (near - target), INT32_MAX));
    target = near;
  }
  target = std::min<int64_t>(target, kMaxPaneCoordinate);
  const int32_t taken = int32_t(target - far);
  far = int32_t(target);
  return taken;
}

void ZView::ResizeFrameBy(int32_t dx, int32_t dy) {
  dx = GrowSide(frame_.right, frame_.left, owed_.x, dx);
  dy = GrowSide(frame_.bottom, frame_.top, owed_.y, dy);
  if (dx != 0 || dy != 0)
    AlignChildren(dx, dy);
}

void ZView::AlignChildren(int32_t dx, int32_t dy) {
  // Children live in this view's coordinates, so the box they align to is (0, 0, W, H).
  const int32_t W = frame_.Width(), H = frame_.Height();
  for (ZView* child : children_.Iterate()) {
    const ZRect c = child->frame_;
    const int32_t cw = c.Width(), ch = c.Height();
    int32_t mx = 0, my = 0, rx = 0, ry = 0;
    switch (child->align_) {
      case kAlignLeft: mx = -c.left; break;
      case kAlignTop: my = -c.top; break;
      case kAlignRight: mx = W - c.left - cw; break;
      case kAlignBottom: my = H - c.top - ch; break;
      case kAlignTopLeft:
        mx = -c.left;
        my = -c.top;
        break;
      case kAlignBottomRight:
        mx = W - c.left - cw;
        my = H - c.top - ch;
        break;
      case kAlignVCenter: my = (H - ch) / 2 - c.top; break;
      case kAlignHCenter: mx = (W - cw) / 2 - c.left; break;
      case kAlignCenter:
        mx = (W - cw) / 2 - c.left;
        my = (H - ch) / 2 - c.top;
        break;
      case kAlignVResize: ry = dy; break;
      case kAlignHResize: rx = dx; break;
      case kAlignResize:
        rx = dx;
        ry = dy;
        break;
      case kAlignHAdjust: mx = dx; break;
      case kAlignVAdjust: my = dy; break;
      case kAlignAdjust:
        mx = dx;
        my = dy;
        break;
      case kAlignVResizeAbs: ry = H - ch; break;
      case kAlignHResizeAbs: rx = W - cw; break;
      case kAlignResizeAbs:
        rx = W - cw;
        ry = H - ch;
        break;
      default: break;
    }
    if (mx != 0 || my != 0)
      child->MoveFrameBy(mx, my);
    if (rx != 0 || ry != 0)
      child->ResizeFrameBy(rx, ry);
  }
}

ZPoint ZView::GetContentSize() const {
  // The far corner of this frame and of every child's frame, in this view's coordinates.
  int64_t w = frame_.Width(), h = frame_.Height();
  auto& children = const_cast<ZLinkedList<ZView*>&>(children_);
  for (ZView* child : children.Iterate()) {
    int64_t cw = child->frame_.right, ch = child->frame_.bottom;
    if (!child->HasFlag(kCanClipChildren)) {
      const ZPoint inner = child->GetContentSize();
      cw = std::max<int64_t>(cw, int64_t(child->frame_.left) + inner.x);
      ch = std::max<int64_t>(ch, int64_t(child->frame_.top) + inner.y);
    }
    w = std::max(w, cw);
    h = std::max(h, ch);
  }
  return {ClampCoordinate(w), ClampCoordinate(h)};
}

ZPoint ZView::AbsolutePosition() const {
  int64_t x = frame_.left, y = frame_.top;
  for (const ZView* p = parent_; p; p = p->parent_) {
    x += int64_t(p->frame_.left) - p->scroll_.x;
    y += int64_t(p->frame_.top) - p->scroll_.y;
  }
  return {int32_t(std::clamp<int64_t>(x, INT32_MIN / 2, INT32_MAX / 2)),
          int32_t(std::clamp<int64_t>(y, INT32_MIN / 2, INT32_MAX / 2))};
}

ZRect ZView::AbsoluteRect() const { return ZRect::FromPoint(AbsolutePosition(), frame_.Width(), frame_.Height()); }

ZPoint ZView::GetMousePosition() const {
  const ZPoint mouse = manager_ ? manager_->MousePosition() : ZPoint();
  return mouse - AbsolutePosition();
}

// ---- painting

void ZView::Paint(ZDrawContext& context, const ZRect& clip, ZPoint origin) {
  if (!visible_)
    return;
  const ZRect frame = frame_.Offsetted(origin);
  ZRect limit = clip;
  if (!extraClip_.IsEmpty())
    limit = limit.Intersection(extraClip_.Offsetted(frame.TopLeft()));
  if (limit.IsEmpty())
    return;
  if (HasFlag(kWantDraw)) {
    const ZRect own = limit.Intersection(frame);
    if (!own.IsEmpty()) {
      context.SetOrigin(frame.TopLeft());
      context.SetClipRect(own.Offsetted(ZPoint() - frame.TopLeft()));
      Draw(context);
    }
  }
  if (!HasFlag(kCanDrawChildren) || children_.IsEmpty())
    return;
  const bool clips = HasFlag(kCanClipChildren);
  const ZRect childClip = clips ? limit.Intersection(frame) : limit;
  if (childClip.IsEmpty())
    return;
  const ZPoint childOrigin = frame.TopLeft() - scroll_;
  for (ZView* child : children_.Iterate()) {
    // A child that clips its own children draws nothing outside its frame.
    if (child->HasFlag(kCanClipChildren) && !child->frame_.Offsetted(childOrigin).Overlaps(childClip))
      continue;
    child->Paint(context, childClip, childOrigin);
  }
}

// ---- posting

int32_t ZView::OnPaneEvent(ZPaneEvent& event) {
  ZView* child = event.Pane();
  switch (event.Id()) {
    case kParentMoveToTop:
      if (child && children_.MoveToBack(child))
        child->PostRedraw();
      return 0;
    case kParentMoveToBottom:
      if (child && children_.MoveToFront(child))
        child->PostRedraw();
      return 0;
    default: return 0;
  }
}

int32_t ZView::Post(ZPaneEvent& event) {
  switch (event.Family()) {
    case kPaneEventFamilyWindow:
    case kPaneEventFamilyManager: return manager_ ? manager_->OnEvent(&event) : kZErrObjectNotAvailable;
    case kPaneEventFamilyParent: return parent_ ? parent_->OnEvent(&event) : kZErrObjectNotAvailable;
    default: return OnEvent(&event);
  }
}

namespace {

int32_t PostPlain(ZView& view, uint32_t id) {
  auto event = MakeEvent<ZPaneEvent>(id, &view);
  return view.Post(*event);
}

}  // namespace

int32_t ZView::PostRedraw() { return PostPlain(*this, kSystemRedraw); }
int32_t ZView::PostBeginEdit() { return PostPlain(*this, kSystemBeginEdit); }
int32_t ZView::PostEndEdit() { return PostPlain(*this, kSystemEndEdit); }
int32_t ZView::PostMoveToTop() { return PostPlain(*this, kParentMoveToTop); }
int32_t ZView::PostMoveToBottom() { return PostPlain(*this, kParentMoveToBottom); }
int32_t ZView::PostInvalidateClick() { return PostPlain(*this, kSysWindowInvalidateClick); }
int32_t ZView::PostHideTrackInfo() { return PostPlain(*this, kSystemHideTrackInfo); }
int32_t ZView::PostStartMouseCapture() { return PostPlain(*this, kSystemStartMouseCapture); }
int32_t ZView::PostStopMouseCapture() { return PostPlain(*this, kSystemStopMouseCapture); }
int32_t ZView::PostTakeFocus() { return PostPlain(*this, kSystemTakeFocus); }
int32_t ZView::PostRemoveFocus() { return PostPlain(*this, kSystemRemoveFocus); }
int32_t ZView::PostCheckMousePosition() { return PostPlain(*this, kSysWindowCheckMousePosition); }
int32_t ZView::PostButtonClicked() { return PostPlain(*this, kParentButtonClicked); }
int32_t ZView::PostWindowMinimize() { return PostPlain(*this, kSysWindowMinimize); }
int32_t ZView::PostWindowClose() { return PostPlain(*this, kSysWindowClose); }

int32_t ZView::PostShowTrackInfo(std::string_view text) {
  auto event = MakeEvent<ZPaneEvent>(kSystemShowTrackInfo, this);
  event->SetText(text);
  return Post(*event);
}

int32_t ZView::PostButtonEnabled(bool state) {
  auto event = MakeEvent<ZPaneEvent>(kParentButtonEnabled, this);
  event->SetValue(state ? 1 : 0);
  return Post(*event);
}

}  // namespace ZTools
