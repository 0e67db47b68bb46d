// ZIcon: an image cut from a bitmap, one per state (normal, hover, pressed, selected,
// hover-pressed, hover-selected and three more), each state at its own position in the bitmap.
// A state whose position was not set falls back to another (hover, pressed, selected and state
// 6 to normal; hover-pressed and 7 to pressed; hover-selected and 8 to selected), so an icon
// with only its normal image draws that image in every state. The bitmap is not owned.
#pragma once

#include <cstdint>

#include "ztools/zbitmap.h"
#include "ztools/zgeometry.h"

namespace ZTools {

class ZDrawContext;

inline constexpr int32_t kIconStateNormal = 0;
inline constexpr int32_t kIconStateHover = 1;
inline constexpr int32_t kIconStatePressed = 2;
inline constexpr int32_t kIconStateSelected = 3;
inline constexpr int32_t kIconStateHoverPressed = 4;
inline constexpr int32_t kIconStateHoverSelected = 5;
inline constexpr int32_t kIconStateCount = 9;

// The gamma amount at which a hovered icon looks unchanged.
inline constexpr int32_t kIconNeutralGamma = 128;

class ZIcon {
 public:
  virtual ~ZIcon() = default;

  void SetBitmap(IBitmap* bitmap) { bitmap_ = bitmap; }
  IBitmap* GetBitmap() const { return bitmap_; }
  void SetSize(int32_t width, int32_t height) { size_ = {width, height}; }
  ZPoint GetSize() const { return size_; }
  // States outside 0..8 are ignored.
  void SetStatePosition(int32_t state, ZPoint position);
  // The state's position after the fallbacks: 0, kZErrNotFound when the normal state is not set,
  // kZErrIllegalParameter for a state outside 0..8.
  int32_t GetStatePosition(int32_t state, ZPoint& position) const;
  // True when p (relative to the icon) lies inside the icon size and the bitmap is hit there.
  bool HitAt(int32_t state, ZPoint p) const;
  // Draws the state's image with its top-left corner at `at`, in the context's blend mode; a
  // hovered state (1, 4, 5) is drawn with the gamma mode at the hover gamma amount unless that
  // amount is neutral. 0 or the codes of GetStatePosition (kZErrObjectNotAvailable without a
  // bitmap).
  int32_t Draw(ZDrawContext& dc, int32_t state, ZPoint at) const;

  // The gamma amount for hovered states (0..255, kIconNeutralGamma leaves them unchanged).
  int32_t hoverGamma = kIconNeutralGamma;

 protected:
  IBitmap* bitmap_ = nullptr;
  ZPoint size_;
  ZPoint positions_[kIconStateCount];
  bool set_[kIconStateCount] = {};
};

}  // namespace ZTools
