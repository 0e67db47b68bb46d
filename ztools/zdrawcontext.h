// ZDrawContext: a bitmap that panes draw into. It carries the drawing state (colour, back
// colour, blend mode, amount, font, text mode), an origin that drawing coordinates are relative
// to, and a clip rectangle; every operation draws only inside the clip rectangle and the bitmap.
// Bitmaps are drawn with the current blend mode; fills with the current colour, blended by the
// current mode as if the colour were a bitmap; 3-D frames and text with the current colour.
#pragma once

#include <cstdint>
#include <string_view>

#include "ztools/zbitmap.h"
#include "ztools/zblend.h"
#include "ztools/zcolor.h"
#include "ztools/zfont.h"
#include "ztools/zgeometry.h"

namespace ZTools {

// 3-D frame styles (flags).
inline constexpr uint32_t k3DRectPlain = 0;
inline constexpr uint32_t k3DRectRaised = 0x1;
inline constexpr uint32_t k3DRectSunken = 0x2;
inline constexpr uint32_t k3DRectBrighten = 0x4;
inline constexpr uint32_t k3DRectDarken = 0x8;
inline constexpr uint32_t k3DRectLargeEdge = 0x10;
inline constexpr uint32_t k3DRectMediumEdge = 0x20;
inline constexpr uint32_t k3DRectSmallEdge = 0x40;
inline constexpr uint32_t k3DRectNormal = 0x41;
inline constexpr uint32_t k3DRectOutline = 0x80;
inline constexpr uint32_t k3DRectTopLeftOnly = 0x100;
inline constexpr uint32_t k3DRectBottomRightOnly = 0x200;
inline constexpr uint32_t k3DRectStrongestShading = 0x400;
inline constexpr uint32_t k3DRectStrongShading = 0x800;
inline constexpr uint32_t k3DRectMediumShading = 0x1000;
inline constexpr uint32_t k3DRectSoftShading = 0x2000;

// Text alignment (flags).
inline constexpr uint32_t kTextAlignLeft = 0x1;
inline constexpr uint32_t kTextAlignCenter = 0x2;
inline constexpr uint32_t kTextAlignRight = 0x4;
inline constexpr uint32_t kTextAlignTop = 0x8;
inline constexpr uint32_t kTextAlignVCenter = 0x10;
inline constexpr uint32_t kTextAlignBottom = 0x20;
inline constexpr uint32_t kTextAlignSingleLine = 0x40;
inline constexpr uint32_t kTextAlignWordBreak = 0x80;

// Text modes.
inline constexpr int32_t kTextModeOpaque = 0;
inline constexpr int32_t kTextModeTransparent = 1;

class ZDrawContext : public ZBitmap {
 public:
  ZDrawContext() = default;

  // Makes the context's bitmap (mode 1) of that size; the drawing state is kept, the clip
  // rectangle reset to the whole bitmap. 0 or the codes of Create.
  int32_t Resize(int32_t width, int32_t height);

  void SetColor(ZColor c) { color_ = c; }
  ZColor GetColor() const { return color_; }
  // The background of opaque text and the far colour of gradient fills.
  void SetBackColor(ZColor c) { backColor_ = c; }
  ZColor GetBackColor() const { return backColor_; }
  void SetBlendMode(int32_t mode) { blendMode_ = mode; }
  int32_t GetBlendMode() const { return blendMode_; }
  // 0..255; values outside are clamped.
  void SetAmount(int32_t amount);
  int32_t GetAmount() const { return amount_; }
  // 0..11; values outside are clamped.
  void SetFont(int32_t font);
  int32_t GetFont() const { return font_; }
  void SetTextMode(int32_t mode) { textMode_ = mode; }
  int32_t GetTextMode() const { return textMode_; }

  // Drawing coordinates are relative to the origin (a pane sets its own position).
  void SetOrigin(ZPoint origin) { origin_ = origin; }
  ZPoint GetOrigin() const { return origin_; }
  // The clip rectangle, in drawing coordinates; it is kept inside the bitmap. An empty
  // rectangle clips everything away.
  void SetClipRect(const ZRect& rect);
  ZRect GetClipRect() const { return DeviceClip().Offsetted(ZPoint() - origin_); }
  // Clips to the whole bitmap again.
  void ResetClipRect() { clipSet_ = false; }

  // Fills with the current colour in the current blend mode; in the gradient modes (17..19) a
  // gradient from the colour to the back colour; in the transition modes (20..22) the
  // transition is applied to what the rectangle holds.
  void FillRect(const ZRect& rect);
  // A gradient from `from` to `to`: diagonal (top-left to bottom-right), horizontal (left to
  // right) or vertical (top to bottom).
  void FillGradient(const ZRect& rect, ZColor from, ZColor to, int32_t kind);
  // Reworks the pixels inside the rectangle: ordered dithering to 5-5-5 or 5-6-5, or a blur.
  void ApplyTransition(const ZRect& rect, int32_t kind);
  void Draw3DRect(const ZRect& rect, uint32_t style);

  // Draws `src` (all of it, or the part `part` of it) with its top-left corner at `at`, in the
  // current blend mode, using the source's alpha plane when it has one.
  void DrawBitmap(const IBitmap& src, ZPoint at);
  void DrawBitmap(const IBitmap& src, const ZRect& part, ZPoint at);

  // Text in a rectangle with the alignment flags, in the current font, colour and text mode.
  // Text is UTF-8 (bytes that are not UTF-8 count as Latin-1). Lines break at "\n" unless
  // `singleline`; `wordbreak` also breaks between words at the rectangle's width. Vertical
  // alignment places the whole block. Returns the size of the laid-out text.
  ZPoint DrawText(std::string_view text, const ZRect& rect, uint32_t align);
  // The size the text would take in that rectangle, without drawing.
  ZPoint MeasureText(std::string_view text, const ZRect& rect, uint32_t align) const;

  // A pixel in drawing coordinates (0 outside the bitmap), and setting one (inside the clip).
  uint32_t GetPixel(ZPoint p) const;
  void SetPixel(ZPoint p, ZColor c);

 protected:
  // The device rectangle of a drawing rectangle, cut to the clip rectangle.
  ZRect ToClippedDevice(const ZRect& rect) const;
  // Fills a device rectangle (already clipped) with one pixel value, no blending.
  void FillDevice(const ZRect& device, uint32_t pixel);
  ZBlendParams BlendParams() const { return {blendMode_, amount_, color_}; }
  // The clip rectangle in device pixels, always inside the bitmap (the bitmap may have been
  // recreated since the clip rectangle was set).
  ZRect DeviceClip() const { return clipSet_ ? clip_.Intersection(Bounds()) : Bounds(); }

  ZColor color_{0, 0, 0};
  ZColor backColor_{255, 255, 255};
  int32_t blendMode_ = kBlendOpaque;
  int32_t amount_ = 255;
  int32_t font_ = kFontSystem;
  int32_t textMode_ = kTextModeTransparent;
  ZPoint origin_;
  ZRect clip_;
  bool clipSet_ = false;
};

}  // namespace ZTools
