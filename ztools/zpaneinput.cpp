// ZPaneManager: the hit search and the routing of the window's input to panes. The hit search
// agrees with painting: children are searched last-drawn first, so the pane on top takes the
// mouse, and what is not drawn (hidden panes, children of a pane that does not draw them,
// anything outside a clipping frame) is not hit.
#include <algorithm>

#include "ztools/zpanemanager.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

// The pane under p (root coordinates) in the subtree of view, whose parent's content starts at
// origin; null when the point falls through.
ZView* HitSearch(ZView* view, ZPoint p, ZPoint origin) {
  if (!view->IsVisible())
    return nullptr;
  const ZRect frame = view->GetRect().Offsetted(origin);
  const bool inside = frame.Contains(p);
  if (view->HasFlag(kCanClipChildren) && !inside)
    return nullptr;
  const ZRect extra = view->GetExtraClipRect();
  if (!extra.IsEmpty() && !extra.Offsetted(frame.TopLeft()).Contains(p))
    return nullptr;
  if (view->HasFlag(kCanDrawChildren) && view->ChildCount() > 0) {
    const ZPoint childOrigin = frame.TopLeft() - view->GetScrollOffset();
    for (ZView* child : view->ChildrenTopFirst())
      if (ZView* hit = HitSearch(child, p, childOrigin))
        return hit;
  }
  if (inside && !view->HasFlag(kWantClickThru) && view->IsHitAt(p - frame.TopLeft()))
    return view;
  return nullptr;
}

// Where the content of pane's parent starts, in root coordinates.
ZPoint ParentOrigin(const ZView* pane) { return pane->AbsolutePosition() - pane->GetPosition(); }

}  // namespace

ZView* ZPaneManager::FindPaneAt(ZPoint p) const {
  ZView* start = modal_ ? modal_ : CurrentRoot();
  return start ? HitSearch(start, p, ParentOrigin(start)) : nullptr;
}

namespace {

// Walks from the target toward the root (stopping at the modal pane, so input never leaks
// below it) and answers the first pane with all of `flags` for which take(pane, local point)
// answers non-zero.
template <typename Take>
ZView* OfferUpward(ZView* target, ZView* modal, uint32_t flags, ZPoint p, Take take) {
  for (ZView* v = target; v; v = v->Parent()) {
    if (v->HasFlag(flags) && take(v, p - v->AbsolutePosition()) != 0)
      return v;
    if (v == modal)
      break;
  }
  return nullptr;
}

}  // namespace

void ZPaneManager::SetFocusPane(ZView* pane) {
  if (focus_ == pane)
    return;
  ZView* old = focus_;
  focus_ = pane;
  if (old)
    old->RemoveFocus();
  if (pane)
    pane->TakeFocus();
}

void ZPaneManager::MouseHover(ZPoint p) {
  if (p != mouse_) {
    mouseMovedAt_ = now_;
    HideToolTip();
  }
  mouse_ = p;
  ZView* target = FindPaneAt(p);
  ZView* pane = target;
  while (pane && !pane->HasFlag(kWantHover))
    pane = pane == modal_ ? nullptr : pane->Parent();
  if (pane == hover_)
    return;
  ZView* old = hover_;
  hover_ = pane;
  if (old)
    old->OnMouseLeave();
  if (pane && hover_ == pane)
    pane->OnMouseEnter();
}

bool ZPaneManager::Click(uint32_t buttons, ZPoint p) {
  mouse_ = p;
  HideToolTip();
  ZView* target = FindPaneAt(p);
  // A pane holding the mouse capture is offered a click that lands outside it before anything
  // else, so that a click anywhere can close an open pop-up; what it declines goes on as usual.
  if (ZView* holder = held_) {
    ZView* v = target;
    while (v && v != holder)
      v = v->Parent();
    if (!v && holder->OnClick(buttons, p - holder->AbsolutePosition()) != 0) {
      clicked_ = nullptr;
      return true;
    }
  }
  if (!target)
    return false;
  // Focus goes to the first pane that wants it, from the target up.
  for (ZView* v = target; v; v = v == modal_ ? nullptr : v->Parent()) {
    if (v->HasFlag(kWantFocus)) {
      SetFocusPane(v);
      break;
    }
  }
  clicked_ = OfferUpward(target, modal_, kWantClick, p,
                         [buttons](ZView* v, ZPoint local) { return v->OnClick(buttons, local); });
  if (!capture_) {
    ZView* dragged = OfferUpward(target, modal_, kWantDrag, p,
                                 [buttons](ZView* v, ZPoint local) { return v->OnStartDrag(buttons, local); });
    if (dragged) {
      capture_ = dragged;
      dragButtons_ = buttons;
    }
  }
  return clicked_ != nullptr || capture_ != nullptr;
}

void ZPaneManager::ClickRelease(uint32_t buttons, ZPoint p) {
  mouse_ = p;
  if (ZView* clicked = clicked_) {
    clicked_ = nullptr;
    clicked->OnClickRelease(buttons);
  }
  DragStop();
}

void ZPaneManager::Drag(uint32_t buttons, ZPoint p) {
  mouse_ = p;
  if (ZView* pane = CapturePane())
    pane->OnDrag(buttons, p - pane->AbsolutePosition());
}

void ZPaneManager::DragStop() {
  if (ZView* pane = capture_) {
    capture_ = nullptr;
    dragButtons_ = 0;
    pane->OnStopDrag();
  }
}

bool ZPaneManager::Wheel(uint32_t buttons, ZPoint p, float delta) {
  mouse_ = p;
  HideToolTip();
  ZView* target = FindPaneAt(p);
  return OfferUpward(target, modal_, kWantWheel, p,
                     [buttons, delta](ZView* v, ZPoint local) { return v->OnWheel(buttons, local, delta); }) != nullptr;
}

bool ZPaneManager::Key(uint32_t key) {
  if (focus_ && focus_->IsVisible() && focus_->OnKey(key) != 0)
    return true;
  return UnhandledKey(key);
}

namespace {

// Whether text is well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    uint32_t cp = 0, min = 0;
    if (lead < 0x80) {
      i++;
      continue;
    } else if ((lead & 0xe0) == 0xc0) {
      extra = 1, cp = lead & 0x1f, min = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
      extra = 2, cp = lead & 0x0f, min = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
      extra = 3, cp = lead & 0x07, min = 0x10000;
    } else {
      return false;
    }
    if (text.size() - i <= extra)
      return false;
    for (size_t k = 1; k <= extra; k++) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xc0) != 0x80)
        return false;
      cp = (cp << 6) | (next & 0x3f);
    }
    if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
      return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

bool ZPaneManager::Text(std::string_view utf8) {
  if (utf8.empty() || !IsUtf8(utf8))
    return false;
  if (focus_ && focus_->IsVisible() && focus_->OnText(utf8) != 0)
    return true;
  // A single typed character no pane wanted (space, a letter) is offered as a key too.
  const auto c = static_cast<unsigned char>(utf8[0]);
  return utf8.size() == 1 && c >= 0x20 && c < 0x7f && UnhandledKey(c);
}

void ZPaneManager::IdlePanes(ZView* pane) {
  if (!pane->IsOpen())
    return;
  if (pane->HasFlag(kWantIdle))
    pane->Idle();
  for (ZView* child : pane->Children())
    IdlePanes(child);
}

void ZPaneManager::Idle(uint64_t nowMs) {
  // A pointer already resting on the window when it opens is seen before the clock is: its tip
  // waits the whole delay from the first tick, not from time zero.
  if (now_ == 0 && mouseMovedAt_ == 0)
    mouseMovedAt_ = nowMs;
  now_ = nowMs;
  if (ZView* root = CurrentRoot())
    IdlePanes(root);
  if (!toolTipsEnabled_ || toolTipShown_ || capture_ || nowMs - mouseMovedAt_ < kToolTipDelayMs)
    return;
  // The tip of the pane under the mouse, or of the nearest pane above it that has one.
  for (ZView* v = FindPaneAt(mouse_); v; v = v->Parent()) {
    if (!v->GetToolTip().IsEmpty()) {
      ShowToolTip(v, v->GetToolTip().View());
      return;
    }
  }
}

void ZPaneManager::Activate(bool active, bool) {
  if (active)
    return;
  HideToolTip();
  if (ZView* old = hover_) {
    hover_ = nullptr;
    old->OnMouseLeave();
  }
}

}  // namespace ZTools
