// The framework's twelve fonts and their glyphs. Faces are found through fontconfig ("Arial" is
// served by a metric-compatible sans, "Courier New" by a metric-compatible mono, the two small
// bitmap-era faces by a small sans) and rendered with FreeType at 96 dots per inch, antialiased
// where the font table says so and as one-bit glyphs elsewhere. The window-symbol font draws its
// few symbols itself. Glyphs are cached per font; the table lives for the whole process and is
// used from the UI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ZTools {

inline constexpr int32_t kFontCount = 12;
inline constexpr int32_t kFontSystem = 9;
inline constexpr int32_t kFontSymbol = 11;
inline constexpr int32_t kScreenDPI = 96;

struct ZFontSpec {
  std::string_view word;  // markup word, e.g. "small standard"
  std::string_view face;  // the face the skin asks for
  int32_t points;         // size in points, 0 when `pixels` gives the cell height
  int32_t pixels;
  int32_t weight;  // 400 normal, 700 bold
  bool fixedPitch;
  bool antialiased;
  bool symbol;
};

// The font table row of an index 0..11 (clamped).
const ZFontSpec& FontSpec(int32_t index);
// The index of a markup font word (compared without regard to case, blanks around it ignored),
// or kZErrIllegalPropertyValue.
int32_t FontIndexFromWord(std::string_view word);
// The requested height in pixels: -(points * 96 / 72) for the point sizes (the em height), the
// positive cell height for the three fonts with fixed pixel heights.
int32_t FontRequestedHeight(int32_t index);

// One rendered glyph: coverage 0..255, `width` x `height`, placed `left` pixels right of the pen
// and `top` pixels above the baseline.
struct ZGlyph {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t advance = 0;
  std::vector<uint8_t> coverage;
};

class ZFont {
 public:
  virtual ~ZFont() = default;
  // Pixels above and below the baseline; the line height is their sum.
  virtual int32_t Ascent() const = 0;
  virtual int32_t Descent() const = 0;
  int32_t LineHeight() const { return Ascent() + Descent(); }
  // The glyph of a Unicode code point (a missing glyph renders as the face's .notdef).
  virtual const ZGlyph& Glyph(uint32_t codepoint) = 0;
  int32_t Advance(uint32_t codepoint) { return Glyph(codepoint).advance; }
};

// The process-wide table of the twelve fonts, opened on first use. Never null: when no face can
// be found at all, a font of empty glyphs with plausible metrics stands in, so text measures and
// lays out but draws nothing.
ZFont& GetFont(int32_t index);

}  // namespace ZTools
