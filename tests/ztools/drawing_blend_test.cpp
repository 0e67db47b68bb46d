// Blend modes: each mode against its per-channel rule on a grid of values, with and without an
// alpha plane, the documented corner values, blending a bitmap onto itself, and the vector row
// kernels against the plain rule at every alpha, width and stride.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ztools/zblend.h"
#include "ztools/zblend_rows.h"
#include "ztools/zdrawcontext.h"

namespace ZTools {
namespace {

const int kValues[] = {0, 1, 60, 127, 128, 129, 200, 254, 255};

// The rule of a mode for one channel (s source, d destination, t tint, A amount).
int Rule(int mode, int s, int d, int t, int A) {
  switch (mode) {
    case kBlendOpaque: return s;
    case kBlendAlpha: return d + ((s - d) * A >> 8);
    case kBlendDarken: return std::min(s, d);
    case kBlendDifference: return std::abs(s - d);
    case kBlendLighten: return std::max(s, d);
    case kBlendMultiply: return s * d >> 8;
    case kBlendScreen: return 255 - ((255 - s) * (255 - d) >> 8);
    case kBlendHardLight: {
      int T = s < 128 ? 0 : 255, k = s < 128 ? 128 - s : s - 128;
      return d + ((T - d) * k >> 7);
    }
    case kBlendSoftLight: {
      int T = s < 128 ? 0 : 255, k = s < 128 ? 128 - s : s - 128;
      int m = d < 128 ? d : 255 - d;
      return d + (((m * k * 2) >> 8) * (T - d) >> 8);
    }
    case kBlendDynamicTint: {
      int w = s < 128 ? s : 255 - s;
      return s + ((t - s) * w >> 8);
    }
    case kBlendGamma: {
      double e = A < 128 ? (A - 128) / 128.0 : (A - 128) / 127.0;
      return int(std::lround(255.0 * std::pow(s / 255.0, std::pow(2.0, -e))));
    }
    case kBlendColorBlend: return s + ((t - s) * A >> 8);
    case kBlendColorMultiply: return s * t >> 8;
  }
  ADD_FAILURE() << "no rule for mode " << mode;
  return 0;
}

uint32_t Pixel(int b, int g, int r) { return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16; }
int Channel(uint32_t p, int c) { return int(p >> (8 * c) & 255); }

TEST(DrawingBlend, ChannelModesFollowTheirRulesWithAndWithoutAlpha) {
  const int modes[] = {kBlendOpaque,   kBlendAlpha,      kBlendDarken,       kBlendDifference, kBlendLighten,
                       kBlendMultiply, kBlendScreen,     kBlendHardLight,    kBlendSoftLight,  kBlendDynamicTint,
                       kBlendGamma,    kBlendColorBlend, kBlendColorMultiply};
  const ZColor tint(30, 140, 250);  // r, g, b: channels 2, 1, 0
  const int tints[3] = {250, 140, 30};
  for (int mode : modes) {
    for (int A : {0, 64, 128, 255}) {
      // Every (s, d) pair of the grid in channel 0, and shifted pairs in channels 1 and 2.
      std::vector<uint32_t> src, dst;
      std::vector<uint8_t> alpha;
      int n = 0;
      for (int s : kValues)
        for (int d : kValues) {
          int s1 = kValues[(n + 3) % 9], d1 = kValues[(n + 5) % 9];
          src.push_back(Pixel(s, s1, d));
          dst.push_back(Pixel(d, d1, s));
          alpha.push_back(uint8_t(kValues[n % 9]));
          ++n;
        }
      ZBlendParams params{mode, A, tint};
      std::vector<uint32_t> plain = dst, masked = dst;
      BlendRect(plain.data(), n, src.data(), n, nullptr, 0, n, 1, params);
      BlendRect(masked.data(), n, src.data(), n, alpha.data(), n, n, 1, params);
      for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) {
          int s = Channel(src[i], c), d = Channel(dst[i], c), t = tints[c];
          int r = Rule(mode, s, d, t, A);
          ASSERT_EQ(Channel(plain[i], c), r) << "mode " << mode << " A " << A << " s " << s << " d " << d;
          int a = alpha[i];
          int expected = mode == kBlendAlpha ? d + ((s - d) * (a * A >> 8) >> 8) : d + ((r - d) * a >> 8);
          ASSERT_EQ(Channel(masked[i], c), expected) << "alpha plane, mode " << mode << " A " << A << " a " << a;
        }
        ASSERT_EQ(plain[i] >> 24, 0u);
        ASSERT_EQ(masked[i] >> 24, 0u);
      }
    }
  }
}

TEST(DrawingBlend, DocumentedCornerValues) {
  auto one = [](int mode, uint32_t s, uint32_t d) {
    BlendRect(&d, 1, &s, 1, nullptr, 0, 1, 1, ZBlendParams{mode, 255, ZColor()});
    return d;
  };
  // The shift divides by 256.
  EXPECT_EQ(one(kBlendMultiply, Pixel(255, 255, 255), Pixel(255, 255, 255)), Pixel(254, 254, 254));
  EXPECT_EQ(one(kBlendScreen, 0, 0), Pixel(1, 1, 1));
  // Saturate: (200, 100, 50) + (100, 0, 0) -> red overflows by 45 into green and blue.
  EXPECT_EQ(one(kBlendSaturate, ZColor(100, 0, 0).ToPixel(), ZColor(200, 100, 50).ToPixel()),
            ZColor(255, 145, 95).ToPixel());
  // Overflow cascades in channel order and everything is clamped.
  EXPECT_EQ(one(kBlendSaturate, Pixel(200, 200, 0), Pixel(200, 200, 0)), Pixel(255, 255, 255));
  EXPECT_EQ(one(kBlendSaturate, Pixel(10, 20, 30), Pixel(1, 2, 3)), Pixel(11, 22, 33));
  // Gamma at amount 128 is the identity.
  uint32_t s = Pixel(17, 128, 240), d = 0;
  BlendRect(&d, 1, &s, 1, nullptr, 0, 1, 1, ZBlendParams{kBlendGamma, 128, ZColor()});
  EXPECT_EQ(d, s);
  // Grayscale: (max + min) >> 1 of the source; luminosity keeps the destination's hue.
  EXPECT_EQ(one(kBlendGrayscale, Pixel(10, 100, 201), Pixel(1, 2, 3)), Pixel(105, 105, 105));
  uint32_t lum = one(kBlendLuminosity, Pixel(255, 255, 255), ZColor(200, 0, 0).ToPixel());
  EXPECT_EQ(lum, Pixel(255, 255, 255));
  // A source whose max + min is 255 gives lightness 0.5: a dark blue becomes pure blue.
  lum = one(kBlendLuminosity, Pixel(0, 100, 255), ZColor(0, 0, 100).ToPixel());
  EXPECT_EQ(ZColor::FromPixel(lum), ZColor(0, 0, 255));
}

TEST(DrawingBlend, SaturateWithAlphaScalesTheSourceOnly) {
  uint32_t s = ZColor(200, 100, 0).ToPixel(), d = ZColor(100, 100, 100).ToPixel();
  uint8_t a = 128;
  BlendRect(&d, 1, &s, 1, &a, 1, 1, 1, ZBlendParams{kBlendSaturate, 255, ZColor()});
  EXPECT_EQ(ZColor::FromPixel(d), ZColor(200, 150, 100));
}

TEST(DrawingBlend, TransparentSkipsTheKeyColourAndFillsRepeatARow) {
  const ZColor key(255, 0, 255);
  uint32_t src[4] = {key.ToPixel(), Pixel(1, 2, 3), key.ToPixel() | 0xff000000u, Pixel(9, 9, 9)};
  uint32_t dst[8] = {7, 7, 7, 7, 8, 8, 8, 8};
  // Source stride 0: both destination rows receive the same source row.
  BlendRect(dst, 4, src, 0, nullptr, 0, 4, 2, ZBlendParams{kBlendTransparent, 255, key});
  for (int row = 0; row < 2; ++row) {
    uint32_t keep = row == 0 ? 7u : 8u;
    EXPECT_EQ(dst[row * 4 + 0], keep);
    EXPECT_EQ(dst[row * 4 + 1], Pixel(1, 2, 3));
    EXPECT_EQ(dst[row * 4 + 2], keep) << "the unused byte does not defeat the key";
    EXPECT_EQ(dst[row * 4 + 3], Pixel(9, 9, 9));
  }
}

TEST(DrawingBlend, BlendingABitmapOntoItselfReadsTheOriginalPixels) {
  ZDrawContext dc;
  ASSERT_EQ(dc.Resize(8, 8), 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      dc.GetPixels()[y * 8 + x] = Pixel(x * 10, y * 10, 0);
  std::vector<uint32_t> before(dc.GetPixels(), dc.GetPixels() + 64);
  dc.SetBlendMode(kBlendAlpha);
  dc.SetAmount(128);
  // Shift the picture one pixel right and down onto itself.
  dc.DrawBitmap(dc, ZRect(0, 0, 7, 7), ZPoint(1, 1));
  for (int y = 1; y < 8; ++y)
    for (int x = 1; x < 8; ++x) {
      uint32_t s = before[(y - 1) * 8 + (x - 1)], d = before[y * 8 + x];
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(Channel(dc.GetPixels()[y * 8 + x], c), Rule(kBlendAlpha, Channel(s, c), Channel(d, c), 0, 128));
    }
  EXPECT_EQ(dc.GetPixels()[0], before[0]);
}

// Pseudo-random pixels whose unused bytes are not 0, and an alpha plane that runs through every
// value and has stretches of 0 longer than a vector.
struct RowData {
  std::vector<uint32_t> src, dst;
  std::vector<uint8_t> alpha;
  explicit RowData(size_t n, uint32_t seed) : src(n), dst(n), alpha(n) {
    for (size_t i = 0; i < n; ++i) {
      seed = seed * 1664525u + 1013904223u;
      src[i] = seed;
      dst[i] = seed * 2654435761u;
      alpha[i] = (i / 16) % 3 == 1 ? 0 : uint8_t(i * 7 + seed % 5);
    }
  }
};

// The plain rule: per channel (d * (256 - a) + s * a) >> 8, unused byte 0.
uint32_t Mixed(uint32_t s, uint32_t d, unsigned a) {
  uint32_t out = 0;
  for (int c = 0; c < 3; ++c)
    out |= ((uint32_t(Channel(d, c)) * (256 - a) + uint32_t(Channel(s, c)) * a) >> 8) << (8 * c);
  return out;
}

TEST(DrawingBlend, RowKernelsMatchThePlainRuleAtEveryAlphaAndWidth) {
  const auto kernels = AvailableBlendRowKernels();
  ASSERT_FALSE(kernels.empty());
  EXPECT_STREQ(kernels.back().name, "portable");
  for (const ZBlendRowKernels& k : kernels) {
    // Every alpha value 0..255 against every amount that matters, over one long row.
    RowData all(256 * 3 + 40, 7);
    for (size_t i = 0; i < 256; ++i)
      all.alpha[i] = uint8_t(i);
    for (unsigned amount : {0u, 1u, 127u, 128u, 255u, 256u}) {
      std::vector<uint32_t> d = all.dst;
      k.sourceOver(reinterpret_cast<uint8_t*>(d.data()), reinterpret_cast<const uint8_t*>(all.src.data()),
                   all.alpha.data(), int32_t(d.size()), amount);
      for (size_t i = 0; i < d.size(); ++i)
        ASSERT_EQ(d[i], Mixed(all.src[i], all.dst[i], all.alpha[i] * amount >> 8))
            << k.name << " source-over, amount " << amount << " alpha " << int(all.alpha[i]) << " pixel " << i;
      if (amount > 255)
        continue;
      d = all.dst;
      k.mix(reinterpret_cast<uint8_t*>(d.data()), reinterpret_cast<const uint8_t*>(all.src.data()), int32_t(d.size()),
            amount);
      for (size_t i = 0; i < d.size(); ++i)
        ASSERT_EQ(d[i], Mixed(all.src[i], all.dst[i], amount)) << k.name << " mix, amount " << amount << " pixel " << i;
    }
    // Every width up to a few vectors: the tails are right and nothing past the row is written.
    for (int32_t w = 0; w <= 40; ++w) {
      RowData r(size_t(w) + 8, uint32_t(w));
      std::vector<uint32_t> over = r.dst, mix = r.dst;
      k.sourceOver(reinterpret_cast<uint8_t*>(over.data()), reinterpret_cast<const uint8_t*>(r.src.data()),
                   r.alpha.data(), w, 200);
      k.mix(reinterpret_cast<uint8_t*>(mix.data()), reinterpret_cast<const uint8_t*>(r.src.data()), w, 77);
      for (int32_t i = 0; i < w + 8; ++i) {
        ASSERT_EQ(over[i], i < w ? Mixed(r.src[i], r.dst[i], r.alpha[i] * 200u >> 8) : r.dst[i])
            << k.name << " source-over, width " << w << " pixel " << i;
        ASSERT_EQ(mix[i], i < w ? Mixed(r.src[i], r.dst[i], 77) : r.dst[i])
            << k.name << " mix, width " << w << " pixel " << i;
      }
    }
  }
}

TEST(DrawingBlend, OpaqueAndAlphaBlendInsideStridedRectanglesOnly) {
  // A 21 x 5 rectangle inside a 40-pixel-wide destination, from a 33-pixel-wide source, with an
  // alpha plane 50 bytes wide: pixels around the rectangle keep their values.
  const int W = 40, H = 7, SW = 33, AW = 50, w = 21, h = 5, x0 = 3, y0 = 1;
  RowData dst(size_t(W) * H, 1), src(size_t(SW) * H, 2), plane(size_t(AW) * H, 3);
  for (int mode : {kBlendOpaque, kBlendAlpha}) {
    for (int A : {255, 128, 3}) {
      for (bool withAlpha : {false, true}) {
        std::vector<uint32_t> d = dst.dst;
        BlendRect(d.data() + y0 * W + x0, W, src.src.data() + 2, SW, withAlpha ? plane.alpha.data() + 5 : nullptr, AW,
                  w, h, ZBlendParams{mode, A, ZColor()});
        for (int y = 0; y < H; ++y)
          for (int x = 0; x < W; ++x) {
            const bool inside = x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
            uint32_t expected = dst.dst[y * W + x];
            if (inside) {
              const int sx = x - x0, sy = y - y0;
              const uint32_t s = src.src[sy * SW + 2 + sx];
              const unsigned amount = mode == kBlendOpaque ? 256u : unsigned(A);
              if (withAlpha)
                expected = Mixed(s, expected, plane.alpha[sy * AW + 5 + sx] * amount >> 8);
              else
                expected = mode == kBlendOpaque ? s : Mixed(s, expected, amount);  // opaque copies the pixel whole
            }
            ASSERT_EQ(d[y * W + x], expected) << "mode " << mode << " A " << A << (withAlpha ? " with" : " without")
                                              << " alpha plane at " << x << "," << y;
          }
      }
    }
  }
}

TEST(DrawingBlend, ModeNamesRoundTrip) {
  for (int m = 0; m < kBlendModeCount; ++m)
    EXPECT_EQ(BlendModeFromName(BlendModeName(m)), m);
  EXPECT_EQ(BlendModeFromName("Multiply"), kBlendMultiply);
  EXPECT_EQ(BlendModeFromName("blur"), -1038);
  EXPECT_EQ(BlendModeName(17), "");
}

}  // namespace
}  // namespace ZTools
