// The blend kernels. Every mode is a small per-channel function inlined into a row loop (with
// or without an alpha plane), so the mode is decided once per rectangle and the loops are plain
// byte arithmetic the compiler can vectorise (mixing by the amount or by an alpha plane, the
// paths of nearly every skin image, have SSE2 and AVX2 forms in zblend_rows.cpp). Arithmetic is
// integer throughout ("x >> 8" on signed values rounds toward minus infinity), except `luminosity`, which goes
// through hue, saturation and lightness, and `gamma`, whose curve is tabulated once per call.
#pragma GCC optimize("O3")

#include "ztools/zblend.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <vector>

#include "ztools/zblend_rows.h"
#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

constexpr std::string_view kNames[kBlendModeCount] = {
    "opaque",      "transparent", "alpha",      "darken",        "difference", "lighten",
    "multiply",    "screen",      "luminosity", "grayscale",     "hardlight",  "softlight",
    "dynamictint", "gamma",       "colorblend", "colormultiply", "saturate"};

struct Rect {
  uint8_t* dst;
  ptrdiff_t dstStride;  // bytes
  const uint8_t* src;
  ptrdiff_t srcStride;  // bytes
  const uint8_t* alpha;
  ptrdiff_t alphaStride;
  int32_t w, h;
};

// r = op(s, d, channel) replaces d, or is mixed in by the pixel's alpha: d + ((r - d) * a >> 8),
// computed as (d * (256 - a) + r * a) >> 8, which is the same number (the sum is never negative,
// so the shift floors alike) but stays unsigned and within 16 bits.
//
// Modes whose rule is the same for every channel run over the row as a flat array of bytes, so
// the compiler loads and stores whole vectors; the alpha plane is first spread to one byte per
// channel, and the unused bytes are cleared after the row. Modes that use the tint colour need
// the channel index and run pixel by pixel. The row loops take their count as a plain value:
// byte stores could otherwise alias it and keep the compiler from vectorising.
template <typename Op>
inline void BytesPlain(uint8_t* __restrict d, const uint8_t* __restrict s, const int32_t n, Op op) {
  for (int32_t i = 0; i < n; ++i)
    d[i] = uint8_t(op(s[i], d[i], 0));
}

template <typename Op>
inline void BytesMasked(uint8_t* __restrict d, const uint8_t* __restrict s, const uint8_t* __restrict a,
                        const int32_t n, Op op) {
  for (int32_t i = 0; i < n; ++i) {
    // d * 256 + (r - d) * a lies in 0..65280, so it can be formed modulo 2^16 with one multiply.
    const uint16_t av = a[i], dv = d[i];
    const uint16_t r = uint16_t(op(s[i], dv, 0));
    d[i] = uint8_t(uint16_t(uint16_t(dv << 8) + uint16_t(uint16_t(r - dv) * av)) >> 8);
  }
}

// One alpha byte per channel; the unused lane gets 0.
inline void SpreadAlpha(uint32_t* __restrict out, const uint8_t* __restrict a, const int32_t n) {
  for (int32_t x = 0; x < n; ++x) {
    const uint32_t v = a[x];
    out[x] = v | v << 8 | v << 16;
  }
}

inline void ClearUnused(uint32_t* __restrict d, const int32_t n) {
  for (int32_t x = 0; x < n; ++x)
    d[x] &= 0x00ffffffu;
}

// The source mixed in by its alpha plane (r = s), the path every icon with transparency takes:
// d + ((s - d) * a' >> 8) with a' = a * amount >> 8 (amount 256 leaves a as it is).
void SourceOver(const Rect& rc, unsigned amount) {
  const ZSourceOverRow row = AvailableBlendRowKernels()[0].sourceOver;
  for (int32_t y = 0; y < rc.h; ++y)
    row(rc.dst + y * rc.dstStride, rc.src + y * rc.srcStride, rc.alpha + y * rc.alphaStride, rc.w, amount);
}

// The source mixed in by a constant amount: d + ((s - d) * A >> 8).
void Mix(const Rect& rc, unsigned amount) {
  const ZMixRow row = AvailableBlendRowKernels()[0].mix;
  for (int32_t y = 0; y < rc.h; ++y)
    row(rc.dst + y * rc.dstStride, rc.src + y * rc.srcStride, rc.w, amount);
}

// With an alpha plane, rows go in short pieces so the spread alpha stays in the first-level cache.
constexpr int32_t kSpreadPiece = 64;

template <typename Op>
void BlendChannels(const Rect& rc, Op op) {
  const int32_t w = rc.w, h = rc.h;
  alignas(16) uint32_t spread[kSpreadPiece];
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* d = rc.dst + y * rc.dstStride;
    const uint8_t* s = rc.src + y * rc.srcStride;
    if (!rc.alpha) {
      BytesPlain(d, s, 4 * w, op);
    } else {
      const uint8_t* a = rc.alpha + y * rc.alphaStride;
      for (int32_t x = 0; x < w; x += kSpreadPiece) {
        const int32_t n = std::min(kSpreadPiece, w - x);
        SpreadAlpha(spread, a + x, n);
        BytesMasked(d + 4 * x, s + 4 * x, reinterpret_cast<const uint8_t*>(spread), 4 * n, op);
      }
    }
    ClearUnused(reinterpret_cast<uint32_t*>(d), w);
  }
}

template <typename Op>
inline void PixelsPlain(uint8_t* __restrict d, const uint8_t* __restrict s, const int32_t n, Op op) {
  for (int32_t x = 0; x < n; ++x) {
    int r0 = op(s[4 * x], d[4 * x], 0);
    int r1 = op(s[4 * x + 1], d[4 * x + 1], 1);
    int r2 = op(s[4 * x + 2], d[4 * x + 2], 2);
    d[4 * x] = uint8_t(r0);
    d[4 * x + 1] = uint8_t(r1);
    d[4 * x + 2] = uint8_t(r2);
    d[4 * x + 3] = 0;
  }
}

template <typename Op>
inline void PixelsMasked(uint8_t* __restrict d, const uint8_t* __restrict s, const uint8_t* __restrict a,
                         const int32_t n, Op op) {
  for (int32_t x = 0; x < n; ++x) {
    const unsigned av = a[x], keep = 256 - av;
    const unsigned d0 = d[4 * x], d1 = d[4 * x + 1], d2 = d[4 * x + 2];
    const unsigned r0 = unsigned(op(s[4 * x], d0, 0));
    const unsigned r1 = unsigned(op(s[4 * x + 1], d1, 1));
    const unsigned r2 = unsigned(op(s[4 * x + 2], d2, 2));
    d[4 * x] = uint8_t((d0 * keep + r0 * av) >> 8);
    d[4 * x + 1] = uint8_t((d1 * keep + r1 * av) >> 8);
    d[4 * x + 2] = uint8_t((d2 * keep + r2 * av) >> 8);
    d[4 * x + 3] = 0;
  }
}

// For the modes whose rule depends on the channel (through the tint colour).
template <typename Op>
void BlendTinted(const Rect& rc, Op op) {
  const int32_t w = rc.w, h = rc.h;
  for (int32_t y = 0; y < h; ++y) {
    if (!rc.alpha)
      PixelsPlain(rc.dst + y * rc.dstStride, rc.src + y * rc.srcStride, w, op);
    else
      PixelsMasked(rc.dst + y * rc.dstStride, rc.src + y * rc.srcStride, rc.alpha + y * rc.alphaStride, w, op);
  }
}

// Rows may overlap when a bitmap is blended onto itself; the __restrict loops above assume
// they do not, so overlapping rectangles go through a copy of the source first.
bool Overlaps(const Rect& rc) {
  const uint8_t* dBegin = rc.dst;
  const uint8_t* dEnd = rc.dst + (rc.h - 1) * rc.dstStride + 4 * rc.w;
  const uint8_t* sBegin = rc.src;
  const uint8_t* sEnd = rc.src + (rc.h - 1) * rc.srcStride + 4 * rc.w;
  return dBegin < sEnd && sBegin < dEnd;
}

void Opaque(const Rect& rc) {
  if (!rc.alpha) {
    for (int32_t y = 0; y < rc.h; ++y)
      std::memmove(rc.dst + y * rc.dstStride, rc.src + y * rc.srcStride, 4 * size_t(rc.w));
    return;
  }
  SourceOver(rc, 256);
}

inline void KeyedRow(uint32_t* __restrict d, const uint32_t* __restrict s, const int32_t n, const uint32_t key) {
  for (int32_t x = 0; x < n; ++x) {
    const uint32_t p = s[x] & 0x00ffffffu;
    d[x] = p == key ? d[x] : p;
  }
}

void Transparent(const Rect& rc, uint32_t key) {
  const int32_t w = rc.w, h = rc.h;
  for (int32_t y = 0; y < h; ++y) {
    uint32_t* d = reinterpret_cast<uint32_t*>(rc.dst + y * rc.dstStride);
    const uint32_t* s = reinterpret_cast<const uint32_t*>(rc.src + y * rc.srcStride);
    if (!rc.alpha) {
      KeyedRow(d, s, w, key);
      continue;
    }
    const uint8_t* a = rc.alpha + y * rc.alphaStride;
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t p = s[x] & 0x00ffffffu;
      if (p == key)
        continue;
      const uint32_t q = d[x], av = a[x];
      uint32_t out = 0;
      for (int c = 0; c < 24; c += 8)
        out |= (((q >> c & 255) * (256 - av) + (p >> c & 255) * av) >> 8) << c;
      d[x] = out;
    }
  }
}

// Every channel of the result is (max + min of the source's channels) >> 1.
void Grayscale(const Rect& rc) {
  for (int32_t y = 0; y < rc.h; ++y) {
    uint8_t* __restrict d = rc.dst + y * rc.dstStride;
    const uint8_t* __restrict s = rc.src + y * rc.srcStride;
    const uint8_t* a = rc.alpha ? rc.alpha + y * rc.alphaStride : nullptr;
    for (int32_t x = 0; x < rc.w; ++x) {
      int s0 = s[4 * x], s1 = s[4 * x + 1], s2 = s[4 * x + 2];
      int g = (std::max(s0, std::max(s1, s2)) + std::min(s0, std::min(s1, s2))) >> 1;
      int av = a ? a[x] : 256;
      for (int c = 0; c < 3; ++c) {
        int dc = d[4 * x + c];
        d[4 * x + c] = uint8_t(a ? dc + ((g - dc) * av >> 8) : g);
      }
      d[4 * x + 3] = 0;
    }
  }
}

// The destination's hue and saturation with the source's lightness.
void Luminosity(const Rect& rc) {
  for (int32_t y = 0; y < rc.h; ++y) {
    uint8_t* d = rc.dst + y * rc.dstStride;
    const uint8_t* s = rc.src + y * rc.srcStride;
    const uint8_t* a = rc.alpha ? rc.alpha + y * rc.alphaStride : nullptr;
    for (int32_t x = 0; x < rc.w; ++x) {
      uint8_t* dp = d + 4 * x;
      const uint8_t* sp = s + 4 * x;
      ZHSL hsl = RGBToHSL(dp[2], dp[1], dp[0]);
      int smax = std::max<int>(sp[0], std::max(sp[1], sp[2]));
      int smin = std::min<int>(sp[0], std::min(sp[1], sp[2]));
      int r, g, b;
      HSLToRGB(hsl.h, hsl.s, float(smax + smin) / 510.0f, r, g, b);
      int res[3] = {b, g, r};
      for (int c = 0; c < 3; ++c) {
        int dc = dp[c];
        dp[c] = uint8_t(a ? dc + ((res[c] - dc) * a[x] >> 8) : res[c]);
      }
      dp[3] = 0;
    }
  }
}

// Additive: sums per channel; what a channel exceeds 255 by is added to the other two, channel
// by channel in order, then all are clamped. An alpha plane scales the source first.
void Saturate(const Rect& rc) {
  for (int32_t y = 0; y < rc.h; ++y) {
    uint8_t* d = rc.dst + y * rc.dstStride;
    const uint8_t* s = rc.src + y * rc.srcStride;
    const uint8_t* a = rc.alpha ? rc.alpha + y * rc.alphaStride : nullptr;
    for (int32_t x = 0; x < rc.w; ++x) {
      uint8_t* dp = d + 4 * x;
      const uint8_t* sp = s + 4 * x;
      int av = a ? a[x] : 0;
      int v[3];
      for (int c = 0; c < 3; ++c)
        v[c] = dp[c] + (a ? sp[c] * av >> 8 : sp[c]);
      for (int c = 0; c < 3; ++c) {
        int over = v[c] - 255;
        if (over > 0) {
          v[(c + 1) % 3] += over;
          v[(c + 2) % 3] += over;
        }
      }
      for (int c = 0; c < 3; ++c)
        dp[c] = uint8_t(std::min(v[c], 255));
      dp[3] = 0;
    }
  }
}

void Dispatch(const Rect& rc, const ZBlendParams& p) {
  const int A = std::clamp(p.amount, 0, 255);
  const int t[3] = {p.tint.b, p.tint.g, p.tint.r};
  switch (p.mode) {
    case kBlendTransparent: return Transparent(rc, p.tint.ToPixel());
    case kBlendAlpha:
      // With an alpha plane the pixel's alpha is scaled by the amount and the source mixed in.
      if (rc.alpha)
        return SourceOver(rc, unsigned(A));
      return Mix(rc, unsigned(A));
    case kBlendDarken: return BlendChannels(rc, [](int s, int d, int) { return std::min(s, d); });
    case kBlendDifference: return BlendChannels(rc, [](int s, int d, int) { return s > d ? s - d : d - s; });
    case kBlendLighten: return BlendChannels(rc, [](int s, int d, int) { return std::max(s, d); });
    case kBlendMultiply: return BlendChannels(rc, [](unsigned s, unsigned d, int) { return s * d >> 8; });
    case kBlendScreen:
      return BlendChannels(rc, [](unsigned s, unsigned d, int) { return 255 - ((255 - s) * (255 - d) >> 8); });
    case kBlendLuminosity: return Luminosity(rc);
    case kBlendGrayscale: return Grayscale(rc);
    case kBlendHardLight:
      return BlendChannels(rc, [](int s, int d, int) {
        int T = s < 128 ? 0 : 255, k = s < 128 ? 128 - s : s - 128;
        return d + ((T - d) * k >> 7);
      });
    case kBlendSoftLight:
      return BlendChannels(rc, [](int s, int d, int) {
        int T = s < 128 ? 0 : 255, k = s < 128 ? 128 - s : s - 128;
        int m = d < 128 ? d : 255 - d;
        return d + (((m * k * 2) >> 8) * (T - d) >> 8);
      });
    case kBlendDynamicTint:
      return BlendTinted(rc, [&t](int s, int, int c) {
        int w = s < 128 ? s : 255 - s;
        return s + ((t[c] - s) * w >> 8);
      });
    case kBlendGamma: {
      // e = (A - 128) / 128 below 128, (A - 128) / 127 from 128 on; f = 2^-e.
      double e = A < 128 ? (A - 128) / 128.0 : (A - 128) / 127.0;
      double f = std::pow(2.0, -e);
      uint8_t table[256];
      for (int v = 0; v < 256; ++v)
        table[v] = uint8_t(std::lround(255.0 * std::pow(v / 255.0, f)));
      return BlendChannels(rc, [&table](int s, int, int) { return int(table[s]); });
    }
    case kBlendColorBlend: return BlendTinted(rc, [&t, A](int s, int, int c) { return s + ((t[c] - s) * A >> 8); });
    case kBlendColorMultiply: return BlendTinted(rc, [&t](int s, int, int c) { return s * t[c] >> 8; });
    case kBlendSaturate: return Saturate(rc);
    default: return Opaque(rc);
  }
}

}  // namespace

std::string_view BlendModeName(int32_t mode) {
  return mode >= 0 && mode < kBlendModeCount ? kNames[mode] : std::string_view();
}

int32_t BlendModeFromName(std::string_view word) {
  for (int32_t i = 0; i < kBlendModeCount; ++i) {
    std::string_view n = kNames[i];
    if (n.size() != word.size())
      continue;
    bool same = true;
    for (size_t k = 0; k < n.size() && same; ++k)
      same = std::tolower(static_cast<unsigned char>(word[k])) == n[k];
    if (same)
      return i;
  }
  return kZErrIllegalPropertyValue;
}

void BlendRect(uint32_t* dst, ptrdiff_t dstStride, const uint32_t* src, ptrdiff_t srcStride, const uint8_t* alpha,
               ptrdiff_t alphaStride, int32_t w, int32_t h, const ZBlendParams& params) {
  if (!dst || !src || w <= 0 || h <= 0)
    return;
  Rect rc{reinterpret_cast<uint8_t*>(dst),
          dstStride * 4,
          reinterpret_cast<const uint8_t*>(src),
          srcStride * 4,
          alpha,
          alphaStride,
          w,
          h};
  if (Overlaps(rc)) {
    // Blending a bitmap onto an overlapping part of itself: work from a copy of the source.
    std::vector<uint32_t> copy(size_t(w) * h);
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(&copy[size_t(y) * w], src + y * srcStride, 4 * size_t(w));
    rc.src = reinterpret_cast<const uint8_t*>(copy.data());
    rc.srcStride = ptrdiff_t(w) * 4;
    Dispatch(rc, params);
    return;
  }
  Dispatch(rc, params);
}

}  // namespace ZTools
