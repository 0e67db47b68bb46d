// Blend modes: each mode against its per-channel rule on a grid of values, with and without an
// alpha plane, the documented corner values, and blending a bitmap onto itself.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ztools/zblend.h"
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
  const int modes[] = {kBlendOpaque,   kBlendAlpha,     kBlendDarken,      kBlendDifference, kBlendLighten,
                       kBlendMultiply, kBlendScreen,    kBlendHardLight,   kBlendSoftLight,  kBlendDynamicTint,
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
    for (int x = 0; x < 8; ++x) dc.GetPixels()[y * 8 + x] = Pixel(x * 10, y * 10, 0);
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

TEST(DrawingBlend, ModeNamesRoundTrip) {
  for (int m = 0; m < kBlendModeCount; ++m) EXPECT_EQ(BlendModeFromName(BlendModeName(m)), m);
  EXPECT_EQ(BlendModeFromName("Multiply"), kBlendMultiply);
  EXPECT_EQ(BlendModeFromName("blur"), -1038);
  EXPECT_EQ(BlendModeName(17), "");
}

}  // namespace
}  // namespace ZTools
