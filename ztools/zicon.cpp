// ZIcon: state positions with their fallbacks, hit testing and drawing.
#include "ztools/zicon.h"

#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

// The state each state falls back to when its own position is not set.
constexpr int32_t kFallback[kIconStateCount] = {kIconStateNormal, kIconStateNormal,  kIconStateNormal,
                                                kIconStateNormal, kIconStatePressed, kIconStateSelected,
                                                kIconStateNormal, kIconStatePressed, kIconStateSelected};

}  // namespace

void ZIcon::SetStatePosition(int32_t state, ZPoint position) {
  if (state < 0 || state >= kIconStateCount)
    return;
  positions_[state] = position;
  set_[state] = true;
}

int32_t ZIcon::GetStatePosition(int32_t state, ZPoint& position) const {
  if (state < 0 || state >= kIconStateCount)
    return kZErrIllegalParameter;
  // At most three steps: e.g. hover-pressed -> pressed -> normal.
  while (!set_[state] && state != kIconStateNormal)
    state = kFallback[state];
  if (!set_[state])
    return kZErrNotFound;
  position = positions_[state];
  return 0;
}

bool ZIcon::HitAt(int32_t state, ZPoint p) const {
  if (!bitmap_ || p.x < 0 || p.y < 0 || p.x >= size_.x || p.y >= size_.y)
    return false;
  ZPoint pos;
  if (GetStatePosition(state, pos) != 0)
    return false;
  return bitmap_->HitAt({pos.x + p.x, pos.y + p.y});
}

int32_t ZIcon::Draw(ZDrawContext& dc, int32_t state, ZPoint at) const {
  ZPoint pos;
  if (int32_t rc = GetStatePosition(state, pos))
    return rc;
  if (!bitmap_)
    return kZErrObjectNotAvailable;
  const ZRect part = ZRect::FromPoint(pos, size_.x, size_.y);
  const bool hovered = state == kIconStateHover || state == kIconStateHoverPressed || state == kIconStateHoverSelected;
  if (!hovered || hoverGamma == kIconNeutralGamma) {
    dc.DrawBitmap(*bitmap_, part, at);
    return 0;
  }
  const int32_t mode = dc.GetBlendMode(), amount = dc.GetAmount();
  dc.SetBlendMode(kBlendGamma);
  dc.SetAmount(hoverGamma);
  dc.DrawBitmap(*bitmap_, part, at);
  dc.SetBlendMode(mode);
  dc.SetAmount(amount);
  return 0;
}

}  // namespace ZTools
