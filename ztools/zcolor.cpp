// Colour conversions (RGB <-> HSL, single precision) and the parser of the markup colour forms.
#include "ztools/zcolor.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "ztools/base/zerror.h"

namespace ZTools {

ZHSL RGBToHSL(int r, int g, int b) {
  const float k = 0.003921569f;  // 1/255
  float rf = float(r) * k, gf = float(g) * k, bf = float(b) * k;
  float mx = std::max(rf, std::max(gf, bf));
  float mn = std::min(rf, std::min(gf, bf));
  ZHSL out;
  out.l = (mx + mn) / 2.0f;
  if (mx == mn)
    return out;
  float d = mx - mn;
  out.s = out.l < 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
  float h;
  if (mx == rf)
    h = (gf - bf) / d;
  else if (mx == gf)
    h = 2.0f + (bf - rf) / d;
  else
    h = 4.0f + (rf - gf) / d;
  h *= 60.0f;
  if (h < 0)
    h += 360.0f;
  out.h = h;
  return out;
}

namespace {

float HueChannel(float p, float q, float t) {
  if (t < 0)
    t += 1.0f;
  if (t > 1)
    t -= 1.0f;
  if (t < 1.0f / 6.0f)
    return p + (q - p) * 6.0f * t;
  if (t < 0.5f)
    return q;
  if (t < 2.0f / 3.0f)
    return p + (q - p) * (2.0f / 3.0f - t) * 6.0f;
  return p;
}

int ToByte(float v) {
  int i = int(v * 255.0f + 0.001f);
  return std::clamp(i, 0, 255);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
    s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
    s.remove_suffix(1);
  return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size())
    return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i])
      return false;
  return true;
}

// Splits "a,b,c" into exactly three trimmed items.
bool SplitThree(std::string_view s, std::string_view (&items)[3]) {
  for (int i = 0; i < 3; ++i) {
    size_t comma = s.find(',');
    if ((i < 2) != (comma != std::string_view::npos))
      return false;
    items[i] = Trim(s.substr(0, comma));
    if (items[i].empty())
      return false;
    s = i < 2 ? s.substr(comma + 1) : std::string_view();
  }
  return true;
}

template <typename T>
bool ParseWhole(std::string_view s, T& v) {
  const char* end = s.data() + s.size();
  auto res = std::from_chars(s.data(), end, v);
  return res.ec == std::errc() && res.ptr == end;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  c = char(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

}  // namespace

void HSLToRGB(float h, float s, float l, int& r, int& g, int& b) {
  s = std::clamp(s, 0.0f, 1.0f);
  l = std::clamp(l, 0.0f, 1.0f);
  if (!std::isfinite(h))
    h = 0;
  h = std::fmod(h, 360.0f);
  if (h < 0)
    h += 360.0f;
  if (s == 0) {
    r = g = b = ToByte(l);
    return;
  }
  float q = l < 0.5f ? l * (1.0f + s) : l + s - l * s;
  float p = 2.0f * l - q;
  float t = h / 360.0f;
  r = ToByte(HueChannel(p, q, t + 1.0f / 3.0f));
  g = ToByte(HueChannel(p, q, t));
  b = ToByte(HueChannel(p, q, t - 1.0f / 3.0f));
}

ZColor HSLToColor(const ZHSL& hsl) {
  int r, g, b;
  HSLToRGB(hsl.h, hsl.s, hsl.l, r, g, b);
  return ZColor(uint8_t(r), uint8_t(g), uint8_t(b));
}

int32_t ParseColor(std::string_view text, ZColor& out) {
  std::string_view s = Trim(text);
  if (!s.empty() && s.front() == '#') {
    if (s.size() != 7)
      return kZErrIllegalPropertyValue;
    int v[6];
    for (int i = 0; i < 6; ++i)
      if ((v[i] = HexDigit(s[1 + i])) < 0)
        return kZErrIllegalPropertyValue;
    out = ZColor(uint8_t(v[0] * 16 + v[1]), uint8_t(v[2] * 16 + v[3]), uint8_t(v[4] * 16 + v[5]));
    return 0;
  }
  std::string_view items[3];
  if (StartsWithNoCase(s, "rgb:")) {
    if (!SplitThree(s.substr(4), items))
      return kZErrIllegalPropertyValue;
    int c[3];
    for (int i = 0; i < 3; ++i)
      if (!ParseWhole(items[i], c[i]) || c[i] < 0 || c[i] > 255)
        return kZErrIllegalPropertyValue;
    out = ZColor(uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2]));
    return 0;
  }
  if (StartsWithNoCase(s, "hsl:")) {
    if (!SplitThree(s.substr(4), items))
      return kZErrIllegalPropertyValue;
    float v[3];
    for (int i = 0; i < 3; ++i)
      if (!ParseWhole(items[i], v[i]) || !std::isfinite(v[i]))
        return kZErrIllegalPropertyValue;
    float h = std::clamp(v[0], 0.0f, 360.0f);
    float sat = std::clamp(v[1], 0.0f, 100.0f) / 100.0f;
    float lum = std::clamp(v[2], 0.0f, 100.0f) / 100.0f;
    out = HSLToColor({h, sat, lum});
    return 0;
  }
  return kZErrIllegalPropertyValue;
}

}  // namespace ZTools
