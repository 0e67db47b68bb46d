// The drawing context: clipping and origin for fills and bitmaps, blended fills, gradients,
// transitions and dithering, 3-D frames, and the test sheet written as a PNG.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "ztools/zdrawcontext.h"
#include "ztools/zdrawtest.h"
#include "ztools/zextdrawcontext.h"

namespace ZTools {
namespace {

const ZColor kRed(255, 0, 0);
const ZColor kWhite(255, 255, 255);

int Count(const ZDrawContext& dc, uint32_t pixel) {
  int n = 0;
  for (int i = 0; i < dc.Width() * dc.Height(); ++i)
    n += dc.GetPixels()[i] == pixel;
  return n;
}

TEST(DrawingContext, FillsStayInsideClipOriginAndBitmap) {
  ZDrawContext dc;
  ASSERT_EQ(dc.Resize(10, 10), 0);
  dc.Fill(kWhite);
  dc.SetColor(kRed);
  dc.FillRect(ZRect(-5, -5, 2, 3));
  EXPECT_EQ(Count(dc, kRed.ToPixel()), 6);

  dc.Fill(kWhite);
  dc.SetOrigin({4, 4});
  dc.SetClipRect(ZRect(0, 0, 3, 3));  // device (4, 4, 7, 7)
  dc.FillRect(ZRect(-100, -100, 100, 100));
  EXPECT_EQ(Count(dc, kRed.ToPixel()), 9);
  EXPECT_EQ(dc.GetPixel({0, 0}), kRed.ToPixel());
  EXPECT_EQ(dc.GetPixel({-1, 0}), kWhite.ToPixel());
  EXPECT_EQ(dc.GetClipRect(), ZRect(0, 0, 3, 3));

  // Extreme and inverted rectangles draw nothing outside and never overflow.
  dc.Fill(kWhite);
  dc.SetOrigin({INT_MAX, INT_MIN});
  dc.FillRect(ZRect(INT_MIN, INT_MAX, INT_MAX, INT_MIN));
  dc.FillRect(ZRect(0, 0, 1, 1));
  dc.SetOrigin({0, 0});
  dc.FillRect(ZRect(5, 5, 4, 4));
  EXPECT_EQ(Count(dc, kWhite.ToPixel()), 100);

  // An empty clip rectangle clips everything; resetting restores the whole bitmap.
  dc.SetClipRect(ZRect(20, 20, 30, 30));
  dc.FillRect(ZRect(0, 0, 10, 10));
  EXPECT_EQ(Count(dc, kWhite.ToPixel()), 100);
  dc.ResetClipRect();
  dc.FillRect(ZRect(0, 0, 10, 10));
  EXPECT_EQ(Count(dc, kRed.ToPixel()), 100);

  // A clip rectangle set before the bitmap shrank is cut to the new size.
  dc.SetClipRect(ZRect(0, 0, 10, 10));
  ASSERT_EQ(dc.Create(3, 3, kBitmapModePixels), 0);
  dc.FillRect(ZRect(0, 0, 10, 10));
  EXPECT_EQ(Count(dc, kRed.ToPixel()), 9);
}

TEST(DrawingContext, FillBlendsTheColourInTheCurrentMode) {
  ZDrawContext dc;
  ASSERT_EQ(dc.Resize(2, 1), 0);
  dc.Fill(ZColor(100, 100, 100));
  dc.SetColor(ZColor(200, 0, 50));
  dc.SetBlendMode(kBlendAlpha);
  dc.SetAmount(128);
  dc.FillRect(ZRect(0, 0, 1, 1));
  EXPECT_EQ(ZColor::FromPixel(dc.GetPixel({0, 0})), ZColor(150, 50, 75));
  EXPECT_EQ(ZColor::FromPixel(dc.GetPixel({1, 0})), ZColor(100, 100, 100));
  dc.SetAmount(999);
  EXPECT_EQ(dc.GetAmount(), 255);
  dc.SetAmount(-3);
  EXPECT_EQ(dc.GetAmount(), 0);
}

TEST(DrawingContext, BitmapsDrawClippedWithTheirAlphaPlane) {
  ZBitmap icon;
  ASSERT_EQ(icon.Create(4, 4, kBitmapModeAlpha), 0);
  icon.Fill(kRed);
  for (int i = 0; i < 16; ++i)
    icon.GetAlphaPlane()[i] = (i % 4) < 2 ? 255 : 0;  // left half opaque

  ZDrawContext dc;
  ASSERT_EQ(dc.Resize(6, 6), 0);
  dc.Fill(kWhite);
  dc.SetBlendMode(kBlendOpaque);
  dc.DrawBitmap(icon, {-1, 4});  // partly off the left and bottom edges
  // Only column 0 (icon column 1) of rows 4 and 5 is covered by opaque icon pixels. Full alpha
  // mixes as d + ((s - d) * 255 >> 8): red stays 255 and the other channels reach 0.
  EXPECT_EQ(dc.GetPixel({0, 4}), ZColor(255, 0, 0).ToPixel());
  EXPECT_EQ(dc.GetPixel({0, 5}), ZColor(255, 0, 0).ToPixel());
  EXPECT_EQ(dc.GetPixel({1, 4}), kWhite.ToPixel());
  EXPECT_EQ(Count(dc, kWhite.ToPixel()), 34);

  // A part of the source, and a part reaching outside the source.
  dc.Fill(kWhite);
  dc.DrawBitmap(icon, ZRect(1, 1, 3, 2), {3, 3});
  EXPECT_EQ(dc.GetPixel({3, 3}), kRed.ToPixel());
  EXPECT_EQ(dc.GetPixel({4, 3}), kWhite.ToPixel()) << "transparent column";
  dc.Fill(kWhite);
  dc.DrawBitmap(icon, ZRect(-2, -2, 2, 2), {0, 0});
  EXPECT_EQ(dc.GetPixel({2, 2}), kRed.ToPixel()) << "the destination moves with the cut part";
  EXPECT_EQ(dc.GetPixel({1, 1}), kWhite.ToPixel());

  ZBitmap empty;
  dc.DrawBitmap(empty, {0, 0});
  dc.DrawBitmap(icon, ZRect(3, 3, 1, 1), {0, 0});
  dc.DrawBitmap(icon, {INT_MAX, INT_MAX});
}

TEST(DrawingContext, GradientsReachBothColoursAlongTheirDirection) {
  ZDrawContext dc;
  ASSERT_EQ(dc.Resize(5, 3), 0);
  const ZColor from(0, 100, 200), to(200, 100, 0);
  dc.FillGradient(ZRect(0, 0, 5, 3), from, to, kGradientHorizontal);
  EXPECT_EQ(ZColor::FromPixel(dc.GetPixel({0, 2})), from);
  EXPECT_EQ(ZColor::FromPixel(dc.GetPixel({4, 0})), to);
  EXPECT_EQ(ZColor::FromPixel(dc.GetPixel({2, 1})), ZColor(100, 100, 100));
  EXPECT_EQ(dc.GetPixel({2, 0}), dc.GetPixel({2, 2}));

  dc.FillGradient(ZRect(0, 0, 5, 3), from, to, kGradientVertical);
  EXPECT_EQ(ZColor::FromPixel(dc.GetPixel({4, 0})), from);
  EXPECT_EQ(ZColor::FromPixel(dc.GetPixel({0, 2})), to);

  dc.SetColor(from);
  dc.SetBackColor(to);
  dc.SetBlendMode(kGradientDiagonal);
  dc.FillRect(ZRect(0, 0, 5, 3));
  EXPECT_EQ(ZColor::FromPixel(dc.GetPixel({0, 0})), from);
  EXPECT_EQ(ZColor::FromPixel(dc.GetPixel({4, 2})), to);
  EXPECT_EQ(dc.GetPixel({1, 0}), dc.GetPixel({0, 1}));

  // Clipping cuts the gradient without compressing it.
  dc.Fill(kWhite);
  dc.SetClipRect(ZRect(2, 0, 5, 3));
  dc.FillGradient(ZRect(0, 0, 5, 3), from, to, kGradientHorizontal);
  EXPECT_EQ(ZColor::FromPixel(dc.GetPixel({2, 1})), ZColor(100, 100, 100));
  EXPECT_EQ(dc.GetPixel({1, 1}), kWhite.ToPixel());
  dc.FillGradient(ZRect(0, 0, 1, 1), from, to, kGradientDiagonal);  // one pixel: no division by 0
}

TEST(DrawingContext, DitherQuantisesIdempotentlyAndBlurAverages) {
  ZExtDrawContext dc(kDither565);
  ASSERT_EQ(dc.Resize(8, 8), 0);
  dc.Fill(ZColor(100, 101, 102));
  dc.DitherForScreen(ZRect(0, 0, 8, 8));
  std::set<uint32_t> reds;
  int sum = 0;
  for (int i = 0; i < 64; ++i) {
    uint32_t p = dc.GetPixels()[i];
    EXPECT_EQ((p >> 16) & 7, 0u);
    EXPECT_EQ((p >> 8) & 3, 0u) << "green keeps six bits";
    reds.insert(p >> 16);
    sum += int(p >> 16);
  }
  EXPECT_EQ(reds.size(), 2u) << "an ordered dither mixes the two neighbouring levels";
  EXPECT_NEAR(sum / 64.0, 100.0, 2.0);
  std::vector<uint32_t> once(dc.GetPixels(), dc.GetPixels() + 64);
  dc.DitherForScreen(ZRect(0, 0, 8, 8));
  EXPECT_EQ(std::vector<uint32_t>(dc.GetPixels(), dc.GetPixels() + 64), once);
  EXPECT_FALSE(dc.SetDitherMode(kDither565));
  EXPECT_TRUE(dc.SetDitherMode(kDitherNone));
  dc.Fill(ZColor(100, 101, 102));
  dc.DitherForScreen(ZRect(0, 0, 8, 8));
  EXPECT_EQ(dc.GetPixels()[0], ZColor(100, 101, 102).ToPixel());

  // Blur: a single white dot spreads over its 3 x 3 neighbourhood.
  dc.Fill(ZColor(0, 0, 0));
  dc.GetPixels()[3 * 8 + 3] = kWhite.ToPixel();
  dc.ApplyTransition(ZRect(0, 0, 8, 8), kTransBlur);
  EXPECT_EQ(dc.GetPixel({2, 2}), ZColor(28, 28, 28).ToPixel());
  EXPECT_EQ(dc.GetPixel({3, 3}), ZColor(28, 28, 28).ToPixel());
  EXPECT_EQ(dc.GetPixel({5, 5}), 0u);
  EXPECT_EQ(dc.GetPixel({0, 0}), 0u);
}

TEST(DrawingContext, ThreeDFramesShadeRingsFromOutsideIn) {
  ZDrawContext dc;
  ASSERT_EQ(dc.Resize(10, 10), 0);
  const ZColor grey(128, 128, 128);
  const uint32_t inside = ZColor(1, 2, 3).ToPixel();
  auto frame = [&](uint32_t style) {
    dc.Fill(ZColor(1, 2, 3));
    dc.SetColor(grey);
    dc.Draw3DRect(ZRect(0, 0, 10, 10), style);
  };
  auto lightness = [&](int x, int y) {
    return int(dc.GetPixel({x, y}) & 255);
  };

  frame(k3DRectRaised);
  EXPECT_GT(lightness(0, 0), 150) << "raised: top-left light";
  EXPECT_GT(lightness(0, 5), 150);
  EXPECT_LT(lightness(9, 5), 100) << "raised: bottom-right dark";
  EXPECT_LT(lightness(5, 9), 100);
  EXPECT_EQ(dc.GetPixel({1, 1}), inside) << "one ring only";
  EXPECT_EQ(dc.GetColor(), grey) << "the colour is restored";

  frame(k3DRectSunken | k3DRectLargeEdge | k3DRectStrongestShading);
  EXPECT_LT(lightness(0, 0), lightness(1, 1)) << "inner rings are shaded less";
  EXPECT_LT(lightness(1, 1), lightness(2, 2));
  EXPECT_GT(lightness(9, 5), lightness(8, 5));
  EXPECT_EQ(lightness(0, 5), 64) << "strongest shading halves the lightness";
  EXPECT_EQ(dc.GetPixel({3, 3}), inside);

  frame(k3DRectOutline | k3DRectBrighten | k3DRectMediumEdge);
  EXPECT_EQ(dc.GetPixel({0, 0}), 0u) << "outline is black";
  EXPECT_EQ(dc.GetPixel({9, 9}), 0u);
  EXPECT_GT(lightness(1, 5), 128);
  EXPECT_GT(lightness(8, 5), 128) << "brighten lightens all four sides";
  EXPECT_EQ(dc.GetPixel({3, 3}), inside);

  frame(k3DRectRaised | k3DRectTopLeftOnly);
  EXPECT_EQ(dc.GetPixel({9, 5}), inside);
  EXPECT_NE(dc.GetPixel({0, 5}), inside);
  frame(k3DRectRaised | k3DRectBottomRightOnly);
  EXPECT_EQ(dc.GetPixel({0, 5}), inside);
  EXPECT_NE(dc.GetPixel({9, 5}), inside);

  frame(k3DRectPlain);
  EXPECT_EQ(Count(dc, inside), 100);
  frame(k3DRectOutline);
  EXPECT_EQ(Count(dc, inside), 64);
  dc.Draw3DRect(ZRect(5, 5, 5, 9), k3DRectRaised | k3DRectOutline);  // empty: nothing
  EXPECT_EQ(Count(dc, inside), 64);
}

}  // namespace
}  // namespace ZTools

namespace ZTools {
namespace {

TEST(DrawingContext, TestSheetWritesAPNGThatReadsBackPixelForPixel) {
  ZDrawContext sheet;
  ASSERT_EQ(DrawTestSheet(sheet), 0);
  EXPECT_EQ(sheet.Width(), kDrawTestWidth);
  const std::string path = std::string(SONABEL_BINARY_DIR) + "/drawing_test_sheet.png";
  ASSERT_EQ(WriteDrawTestSheet(path), 0);
  ZBitmap back;
  ASSERT_EQ(back.Load(path, kBitmapModePixels), 0);
  ASSERT_EQ(back.Width(), sheet.Width());
  ASSERT_EQ(back.Height(), sheet.Height());
  EXPECT_EQ(std::memcmp(back.GetPixels(), sheet.GetPixels(), size_t(sheet.Width()) * sheet.Height() * 4), 0);
  std::remove(path.c_str());
  EXPECT_EQ(WriteDrawTestSheet("/nonexistent-folder/x.png"), -10);
}

}  // namespace
}  // namespace ZTools
