// ZPaneManager: tool tips and track info, drawn by the manager over the panes inside the
// window. A tool tip is a small pale box below and right of the mouse; track info (the value a
// control shows while it is dragged) is a dark box just above the pane that posted it. Both
// stay inside the root area and invalidate exactly the area they cover.
#include <algorithm>

#include "ztools/zdrawcontext.h"
#include "ztools/zpanemanager.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

constexpr int32_t kOverlayFont = 0;  // small standard
constexpr int32_t kPadding = 4;

ZPoint MeasureOverlay(std::string_view text) {
  ZDrawContext measure;  // text metrics only: it holds no pixels, so making one costs nothing
  measure.SetFont(kOverlayFont);
  return measure.MeasureText(text, ZRect(0, 0, 400, 400), kTextAlignLeft | kTextAlignTop | kTextAlignWordBreak);
}

// Moves r inside the area where it fits.
ZRect KeepInside(ZRect r, const ZRect& area) {
  const int32_t dx = std::min(0, area.right - r.right), dy = std::min(0, area.bottom - r.bottom);
  r.Offset(dx, dy);
  r.Offset(std::max(0, area.left - r.left), std::max(0, area.top - r.top));
  return r;
}

void DrawOverlayBox(ZDrawContext& context, const ZRect& box, const ZRect& area, ZColor back, ZColor frame, ZColor ink,
                    const ZString& text) {
  const ZRect clip = box.Intersection(area);
  if (clip.IsEmpty())
    return;
  context.SetOrigin({});
  context.SetClipRect(clip);
  context.SetBlendMode(kBlendOpaque);
  context.SetColor(frame);
  context.FillRect(box);
  context.SetColor(back);
  context.FillRect(ZRect(box.left + 1, box.top + 1, box.right - 1, box.bottom - 1));
  context.SetColor(ink);
  context.SetFont(kOverlayFont);
  context.SetTextMode(kTextModeTransparent);
  context.DrawText(text.View(), ZRect(box.left + kPadding, box.top + 2, box.right - kPadding, box.bottom - 2),
                   kTextAlignLeft | kTextAlignTop | kTextAlignWordBreak);
}

}  // namespace

void ZPaneManager::ShowToolTip(ZView* pane, std::string_view text) {
  HideToolTip();
  if (!toolTipsEnabled_ || text.empty())
    return;
  const ZPoint size = MeasureOverlay(text);
  ZRect box = ZRect::FromPoint({mouse_.x + 12, mouse_.y + 18}, size.x + 2 * kPadding, size.y + 4);
  toolTipRect_ = KeepInside(box, RootArea());
  toolTipText_ = text;
  toolTipPane_ = pane;
  toolTipShown_ = true;
  Invalidate(toolTipRect_);
}

void ZPaneManager::HideToolTip() {
  toolTipPane_ = nullptr;
  if (!toolTipShown_)
    return;
  toolTipShown_ = false;
  Invalidate(toolTipRect_);
}

void ZPaneManager::ShowTrackInfo(ZView* pane, std::string_view text) {
  HideTrackInfo();
  if (text.empty())
    return;
  const ZPoint size = MeasureOverlay(text);
  const int32_t w = size.x + 2 * kPadding, h = size.y + 4;
  const ZRect at = pane ? pane->AbsoluteRect() : ZRect::FromPoint(mouse_, 0, 0);
  ZRect box = ZRect::FromPoint({at.left + (at.Width() - w) / 2, at.top - h - 2}, w, h);
  if (box.top < 0)
    box.Offset(0, at.Height() + h + 4);  // no room above: below the pane
  trackRect_ = KeepInside(box, RootArea());
  trackInfo_ = text;
  trackPane_ = pane;
  Invalidate(trackRect_);
}

void ZPaneManager::HideTrackInfo() {
  trackPane_ = nullptr;
  if (trackInfo_.IsEmpty())
    return;
  trackInfo_.Clear();
  Invalidate(trackRect_);
}

void ZPaneManager::DrawOverlays(ZDrawContext& context, const ZRect& area) {
  if (!trackInfo_.IsEmpty())
    DrawOverlayBox(context, trackRect_, area, ZColor(32, 32, 36), ZColor(120, 120, 128), ZColor(240, 240, 240),
                   trackInfo_);
  if (toolTipShown_)
    DrawOverlayBox(context, toolTipRect_, area, ZColor(255, 255, 225), ZColor(64, 64, 64), ZColor(0, 0, 0),
                   toolTipText_);
  context.ResetClipRect();
}

}  // namespace ZTools
