// Bitmap operations: creation in each mode and its failures, filling, copying, converting and
// blitting with clipping on both sides.
#include <gtest/gtest.h>

#include <climits>

#include "ztools/zbitmap.h"

namespace ZTools {
namespace {

TEST(BitmapOps, CreateModesSizesAndFailures) {
  ZBitmap bm;
  EXPECT_TRUE(bm.IsEmpty());
  EXPECT_EQ(bm.Create(4, 3, kBitmapModeScreen), 0);
  EXPECT_EQ(bm.GetAlphaPlane(), nullptr);
  EXPECT_EQ(bm.Create(4, 3, kBitmapModeAlpha), 0);
  EXPECT_EQ(bm.GetMode(), kBitmapModeAlpha);
  EXPECT_NE(bm.GetAlphaPlane(), nullptr);

  EXPECT_EQ(bm.Create(4, 3, 3), -1);
  EXPECT_TRUE(bm.IsEmpty());
  EXPECT_EQ(bm.GetMode(), 0);
  EXPECT_EQ(bm.Create(-1, 3, kBitmapModePixels), -1);
  EXPECT_EQ(bm.Create(16385, 1, kBitmapModePixels), -3);
  EXPECT_EQ(bm.Create(16384, 16384, kBitmapModePixels), -3) << "over 64 million pixels";
  EXPECT_TRUE(bm.IsEmpty());
  EXPECT_EQ(bm.Create(0, 5, kBitmapModePixels), 0);
  EXPECT_TRUE(bm.IsEmpty());
}

TEST(BitmapOps, FillCopyAndConvertKeepTheAlphaPlaneRules) {
  ZBitmap a;
  ASSERT_EQ(a.Create(3, 2, kBitmapModeAlpha), 0);
  a.GetAlphaPlane()[0] = 7;
  a.Fill(ZColor(1, 2, 3));
  EXPECT_EQ(a.GetPixels()[5], ZColor(1, 2, 3).ToPixel());
  EXPECT_EQ(a.GetAlphaPlane()[0], 255) << "fill makes the alpha plane opaque";

  a.GetAlphaPlane()[4] = 9;
  ZBitmap b;
  ASSERT_EQ(b.Copy(a), 0);
  EXPECT_EQ(b.GetMode(), kBitmapModeAlpha);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.GetAlphaPlane()[4], 9);
  EXPECT_EQ(b.GetPixels()[1], ZColor(1, 2, 3).ToPixel());

  ASSERT_EQ(b.Convert(kBitmapModePixels), 0);
  EXPECT_EQ(b.GetAlphaPlane(), nullptr);
  EXPECT_EQ(b.GetPixels()[1], ZColor(1, 2, 3).ToPixel()) << "pixels survive a conversion";
  ASSERT_EQ(b.Convert(kBitmapModeAlpha), 0);
  EXPECT_EQ(b.GetAlphaPlane()[4], 255);
  EXPECT_EQ(b.Convert(9), -1);

  b.Free();
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.GetMode(), 0);
  ZBitmap empty;
  EXPECT_EQ(a.Copy(empty), 0);
  EXPECT_TRUE(a.IsEmpty());
}

TEST(BitmapOps, BlitClipsToBothBitmaps) {
  ZBitmap src, dst;
  ASSERT_EQ(src.Create(4, 4, kBitmapModePixels), 0);
  for (int i = 0; i < 16; ++i)
    src.GetPixels()[i] = uint32_t(i + 1);
  ASSERT_EQ(dst.Create(5, 5, kBitmapModePixels), 0);
  auto reset = [&] {
    dst.Fill(ZColor(0, 0, 0));
  };
  auto at = [&](int x, int y) {
    return dst.GetPixels()[y * 5 + x];
  };

  reset();
  src.Blit(dst, ZRect(1, 1, 3, 3), ZPoint(1, 1));
  EXPECT_EQ(at(1, 1), 6u);
  EXPECT_EQ(at(2, 2), 11u);
  EXPECT_EQ(at(3, 3), 0u);

  // Destination partly off the top-left: the source point moves along.
  reset();
  src.Blit(dst, ZRect(-2, -1, 2, 2), ZPoint(0, 0));
  EXPECT_EQ(at(0, 0), 7u);
  EXPECT_EQ(at(1, 1), 12u);
  EXPECT_EQ(at(2, 0), 0u);

  // Source point outside the source, destination reaching past everything.
  reset();
  src.Blit(dst, ZRect(0, 0, 100, 100), ZPoint(-1, 2));
  EXPECT_EQ(at(0, 0), 0u);
  EXPECT_EQ(at(1, 0), 9u);
  EXPECT_EQ(at(4, 1), 16u);
  EXPECT_EQ(at(1, 2), 0u);

  // Nothing inside: no write, no crash.
  reset();
  src.Blit(dst, ZRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), ZPoint(INT_MAX, INT_MAX));
  src.Blit(dst, ZRect(3, 3, 1, 1), ZPoint(0, 0));
  src.Blit(dst, ZRect(0, 0, 5, 5), ZPoint(4, 0));
  for (int i = 0; i < 25; ++i)
    EXPECT_EQ(dst.GetPixels()[i], 0u);
  ZBitmap empty;
  empty.Blit(dst, ZRect(0, 0, 5, 5), ZPoint(0, 0));
  src.Blit(empty, ZRect(0, 0, 5, 5), ZPoint(0, 0));

  // Onto itself, shifted down and right: every pixel moves, none is read after being written.
  src.Blit(src, ZRect(1, 1, 4, 4), ZPoint(0, 0));
  EXPECT_EQ(src.GetPixels()[1 * 4 + 1], 1u);
  EXPECT_EQ(src.GetPixels()[3 * 4 + 3], 11u);
  EXPECT_EQ(src.GetPixels()[2 * 4 + 1], 5u);
  EXPECT_EQ(src.GetPixels()[0], 1u);
}

}  // namespace
}  // namespace ZTools
