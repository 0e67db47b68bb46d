// BMP loading: palette, 16-, 24- and 32-bit files, run-length encoding, row order, the modes a
// BMP yields, and damaged files.
#include <gtest/gtest.h>

#include "bitmap_test_images.h"
#include "ztools/zbitmap.h"
#include "ztools/zbmp.h"

namespace ZTools {
namespace {

using TestImages::MakeBMP;

uint32_t Px(int r, int g, int b) { return ZColor(uint8_t(r), uint8_t(g), uint8_t(b)).ToPixel(); }

ZBitmap LoadBMP(const std::vector<uint8_t>& file, int mode = kBitmapModePixels) {
  ZBitmap bm;
  EXPECT_EQ(bm.LoadFromMemory(file.data(), file.size(), ZImageFormat::kBMP, mode), 0);
  return bm;
}

TEST(BitmapBMP, TwentyFourBitBottomUpLoadsInExtendedModeWithoutAlpha) {
  // 2 x 2, rows bottom-up, each row padded to 8 bytes.
  std::vector<uint8_t> pixels = {0,   0, 255, 0,  255, 0,  0, 0,   // bottom row: red, green
                                 255, 0, 0,   10, 20,  30, 0, 0};  // top row: blue, (30, 20, 10)
  ZBitmap bm = LoadBMP(MakeBMP(2, 2, 24, 0, {}, pixels), kBitmapModeAlpha);
  EXPECT_EQ(bm.GetMode(), kBitmapModePixels) << "a BMP never has an alpha plane";
  EXPECT_EQ(bm.GetAlphaPlane(), nullptr);
  EXPECT_EQ(bm.GetPixels()[0], Px(0, 0, 255));
  EXPECT_EQ(bm.GetPixels()[1], Px(30, 20, 10));
  EXPECT_EQ(bm.GetPixels()[2], Px(255, 0, 0));
  EXPECT_EQ(bm.GetPixels()[3], Px(0, 255, 0));
  bm.threshold = 255;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_TRUE(bm.HitAt({x, y}));
  EXPECT_FALSE(bm.HitAt({2, 0}));

  ZBitmap normal = LoadBMP(MakeBMP(2, 2, 24, 0, {}, pixels), kBitmapModeScreen);
  EXPECT_EQ(normal.GetMode(), kBitmapModeScreen);
  EXPECT_EQ(normal.Width(), 2);

  ZBitmap bad;
  auto file = MakeBMP(2, 2, 24, 0, {}, pixels);
  EXPECT_EQ(bad.LoadFromMemory(file.data(), file.size(), ZImageFormat::kBMP, 5), -1);
}

TEST(BitmapBMP, PaletteAndPackedFormats) {
  const std::vector<uint8_t> palette = {0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 200, 0};  // black, white, red
  // 1 bit, top-down (negative height), 9 pixels wide: row is 2 bytes padded to 4.
  auto oneBit = MakeBMP(9, -1, 1, 0, palette, {0b10100000, 0b10000000, 0, 0});
  ZBitmap bm = LoadBMP(oneBit);
  ASSERT_EQ(bm.Width(), 9);
  ASSERT_EQ(bm.Height(), 1);
  EXPECT_EQ(bm.GetPixels()[0], Px(255, 255, 255));
  EXPECT_EQ(bm.GetPixels()[1], 0u);
  EXPECT_EQ(bm.GetPixels()[2], Px(255, 255, 255));
  EXPECT_EQ(bm.GetPixels()[8], Px(255, 255, 255));

  bm = LoadBMP(MakeBMP(3, 1, 4, 0, palette, {0x21, 0x00, 0, 0}));
  EXPECT_EQ(bm.GetPixels()[0], Px(200, 0, 0));
  EXPECT_EQ(bm.GetPixels()[1], Px(255, 255, 255));
  EXPECT_EQ(bm.GetPixels()[2], 0u);

  bm = LoadBMP(MakeBMP(2, 1, 8, 0, palette, {2, 1, 0, 0}));
  EXPECT_EQ(bm.GetPixels()[0], Px(200, 0, 0));

  // 16 bits 5-5-5: full red and half green.
  bm = LoadBMP(MakeBMP(1, 1, 16, 0, {}, {0x00, 0x7c, 0, 0}));
  EXPECT_EQ(bm.GetPixels()[0], Px(255, 0, 0));
  // 16 bits with 5-6-5 bit fields.
  std::vector<uint8_t> masks(12);
  TestImages::Put32(masks, 0, 0xf800);
  TestImages::Put32(masks, 4, 0x07e0);
  TestImages::Put32(masks, 8, 0x001f);
  bm = LoadBMP(MakeBMP(1, 1, 16, 3, {}, {0xe0, 0x07, 0, 0}, masks));
  EXPECT_EQ(bm.GetPixels()[0], Px(0, 255, 0));

  // 32 bits: the fourth byte is dropped.
  bm = LoadBMP(MakeBMP(1, 1, 32, 0, {}, {1, 2, 3, 99}));
  EXPECT_EQ(bm.GetPixels()[0], Px(3, 2, 1));
}

TEST(BitmapBMP, RunLengthEncodedEightBit) {
  const std::vector<uint8_t> palette = {0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 200, 0};
  // Bottom row: a run of 3 white, end of line; top row: literal (2, 1, 2), end of bitmap.
  std::vector<uint8_t> rle = {3, 1, 0, 0, 0, 3, 2, 1, 2, 0, 0, 1};
  ZBitmap bm = LoadBMP(MakeBMP(4, 2, 8, 1, palette, rle));
  EXPECT_EQ(bm.GetPixels()[4], Px(255, 255, 255));
  EXPECT_EQ(bm.GetPixels()[6], Px(255, 255, 255));
  EXPECT_EQ(bm.GetPixels()[7], 0u) << "pixels no run reaches keep entry 0";
  EXPECT_EQ(bm.GetPixels()[0], Px(200, 0, 0));
  EXPECT_EQ(bm.GetPixels()[1], Px(255, 255, 255));
  EXPECT_EQ(bm.GetPixels()[2], Px(200, 0, 0));

  // Runs that reach past the image and deltas that jump outside are ignored, not written.
  std::vector<uint8_t> wild = {255, 1, 0, 2, 200, 200, 5, 2, 0, 0};
  bm = LoadBMP(MakeBMP(4, 2, 8, 1, palette, wild));
  EXPECT_EQ(bm.Width(), 4);
}

TEST(BitmapBMP, DamagedFilesFailCleanly) {
  std::vector<uint8_t> pixels(4 * 4 * 3, 0x55);
  auto good = MakeBMP(4, 4, 24, 0, {}, pixels);
  ZDecodedImage img;
  ASSERT_EQ(ZDecodeBMP(good.data(), good.size(), img), 0);
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_NE(ZDecodeBMP(good.data(), n, img), 0) << "truncated at " << n;
    EXPECT_TRUE(img.pixels.empty());
  }
  auto huge = MakeBMP(20000, 1, 24, 0, {}, pixels);
  EXPECT_EQ(ZDecodeBMP(huge.data(), huge.size(), img), -3);
  auto many = MakeBMP(9000, 9000, 24, 0, {}, pixels);
  EXPECT_EQ(ZDecodeBMP(many.data(), many.size(), img), -3);
  auto lying = MakeBMP(4, 400, 24, 0, {}, pixels);
  EXPECT_EQ(ZDecodeBMP(lying.data(), lying.size(), img), -9);
  auto badDepth = MakeBMP(4, 4, 7, 0, {}, pixels);
  EXPECT_EQ(ZDecodeBMP(badDepth.data(), badDepth.size(), img), -9);
  auto noPalette = MakeBMP(4, 4, 8, 0, {}, {});
  EXPECT_EQ(ZDecodeBMP(noPalette.data(), noPalette.size(), img), -9);
  auto badHeader = good;
  TestImages::Put32(badHeader, 14, 0x7fffffff);
  EXPECT_EQ(ZDecodeBMP(badHeader.data(), badHeader.size(), img), -9);
  // Random damage never crashes.
  uint32_t seed = 99;
  for (int round = 0; round < 500; ++round) {
    auto bytes = good;
    for (int k = 0; k < 2; ++k) {
      seed = seed * 1103515245u + 12345u;
      bytes[(seed >> 8) % 60] = uint8_t(seed >> 24);
    }
    if (ZDecodeBMP(bytes.data(), bytes.size(), img) == 0) {
      EXPECT_EQ(img.pixels.size(), size_t(img.width) * img.height);
    }
  }
}

}  // namespace
}  // namespace ZTools
