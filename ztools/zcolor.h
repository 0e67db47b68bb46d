// ZColor: red, green, blue (0..255) and a flag set whenever the channels are set, with the
// conversions to and from the framework's pixel layout (bytes blue, green, red, unused) and to
// and from hue, saturation and lightness. ParseColor reads the three markup forms
// "#RRGGBB", "rgb:r,g,b" and "hsl:h,s,l".
#pragma once

#include <cstdint>
#include <string_view>

namespace ZTools {

struct ZColor {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool set = false;

  constexpr ZColor() = default;
  constexpr ZColor(uint8_t red, uint8_t green, uint8_t blue) : r(red), g(green), b(blue), set(true) {}

  constexpr bool operator==(const ZColor&) const = default;

  // The 32-bit pixel value: blue in the lowest byte, the unused top byte 0.
  constexpr uint32_t ToPixel() const { return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16; }
  static constexpr ZColor FromPixel(uint32_t p) { return ZColor(uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)); }
};

// Hue in degrees 0..360, saturation and lightness 0..1.
struct ZHSL {
  float h = 0;
  float s = 0;
  float l = 0;
};

// RGB to HSL in single precision. Grey (max = min) has hue and saturation 0; r wins a tie for
// the maximum with g, and g wins a tie with b.
ZHSL RGBToHSL(int r, int g, int b);

// HSL to RGB. Hue is taken modulo 360, saturation and lightness are clamped to 0..1. Channels are
// v * 255 truncated, with a small allowance so that values that are whole numbers up to float
// rounding (grey 128 -> l = 0.50196 -> 127.99998) come back as the number they were.
void HSLToRGB(float h, float s, float l, int& r, int& g, int& b);
ZColor HSLToColor(const ZHSL& hsl);

// Parses a markup colour. "#RRGGBB" needs exactly six hexadecimal digits; "rgb:r,g,b" three
// integers 0..255; "hsl:h,s,l" three numbers, hue in degrees (clamped to 0..360), saturation
// and lightness in percent (clamped to 0..100). Prefixes are compared without regard to case
// and blanks around the value and its items are ignored. Returns 0, or kZErrIllegalPropertyValue
// for anything else (out is then unchanged).
int32_t ParseColor(std::string_view text, ZColor& out);

}  // namespace ZTools
