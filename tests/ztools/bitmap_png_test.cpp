// PNG loading: every colour type and the bit depths that need expansion or stripping, palette
// and colour-key transparency, gamma, interlacing, the modes a load yields, and damaged files.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "bitmap_test_images.h"
#include "ztools/zbitmap.h"
#include "ztools/zpng.h"

namespace ZTools {
namespace {

using TestImages::MakePNG;
using TestImages::PNGSpec;

uint32_t Px(int r, int g, int b) { return ZColor(uint8_t(r), uint8_t(g), uint8_t(b)).ToPixel(); }

ZBitmap Load(const std::vector<uint8_t>& png, int mode, int32_t* rc = nullptr) {
  ZBitmap bm;
  int32_t code = bm.LoadFromMemory(png.data(), png.size(), ZImageFormat::kPNG, mode);
  if (rc) {
    *rc = code;
  } else {
    EXPECT_EQ(code, 0);
  }
  return bm;
}

// Rewrites the IHDR size of a PNG and fixes its CRC, so that the file claims another size.
std::vector<uint8_t> WithClaimedSize(std::vector<uint8_t> png, uint32_t w, uint32_t h) {
  auto put = [&](size_t at, uint32_t v) {
    png[at] = uint8_t(v >> 24), png[at + 1] = uint8_t(v >> 16), png[at + 2] = uint8_t(v >> 8), png[at + 3] = uint8_t(v);
  };
  put(16, w);
  put(20, h);
  put(29, uint32_t(crc32(0, png.data() + 12, 17)));
  return png;
}

TEST(BitmapPNG, PaletteWithTransparencyGetsAnAlphaPlaneAndHitTesting) {
  PNGSpec spec;
  spec.width = 4;
  spec.colorType = PNG_COLOR_TYPE_PALETTE;
  spec.bitDepth = 2;
  spec.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  spec.trnsAlpha = {0, 255, 128};
  spec.data = {0b00011011};  // indices 0, 1, 2, 3
  auto png = MakePNG(spec);

  ZBitmap bm = Load(png, kBitmapModePixels);
  ASSERT_EQ(bm.GetMode(), kBitmapModeAlpha);
  ASSERT_EQ(bm.Width(), 4);
  const uint32_t* p = bm.GetPixels();
  EXPECT_EQ(p[0], Px(255, 0, 0));
  EXPECT_EQ(p[1], Px(0, 255, 0));
  EXPECT_EQ(p[2], Px(0, 0, 255));
  EXPECT_EQ(p[3], Px(255, 255, 255));
  const uint8_t* a = bm.GetAlphaPlane();
  EXPECT_EQ(a[0], 0);
  EXPECT_EQ(a[1], 255);
  EXPECT_EQ(a[2], 128);
  EXPECT_EQ(a[3], 255) << "entries beyond the transparency chunk are opaque";

  bm.threshold = 1;
  EXPECT_FALSE(bm.HitAt({0, 0}));
  EXPECT_TRUE(bm.HitAt({1, 0}));
  bm.threshold = 200;
  EXPECT_FALSE(bm.HitAt({2, 0}));
  EXPECT_TRUE(bm.HitAt({3, 0}));
  EXPECT_FALSE(bm.HitAt({4, 0}));
  EXPECT_FALSE(bm.HitAt({-1, 0}));

  // Asked for mode 0, the same file has no alpha plane and is hit everywhere.
  ZBitmap normal = Load(png, kBitmapModeScreen);
  EXPECT_EQ(normal.GetMode(), kBitmapModeScreen);
  EXPECT_EQ(normal.GetAlphaPlane(), nullptr);
  normal.threshold = 255;
  EXPECT_TRUE(normal.HitAt({0, 0}));
}

TEST(BitmapPNG, GreyColourKeyBecomesTransparency) {
  PNGSpec keyed;
  keyed.width = 2;
  keyed.colorType = PNG_COLOR_TYPE_GRAY;
  keyed.data = {7, 8};
  keyed.trnsColor = true;
  keyed.trnsValue.gray = 7;
  ZBitmap bm = Load(MakePNG(keyed), kBitmapModePixels);
  ASSERT_EQ(bm.GetMode(), kBitmapModeAlpha);
  EXPECT_EQ(bm.GetAlphaPlane()[0], 0);
  EXPECT_EQ(bm.GetAlphaPlane()[1], 255);
  EXPECT_EQ(bm.GetPixels()[1], Px(8, 8, 8));
  EXPECT_EQ(bm.GetPixels()[1] >> 24, 0u) << "the unused byte is 0";
}

TEST(BitmapPNG, GammaChunkCorrectsForTheScreen) {
  PNGSpec spec;
  spec.width = 3;
  spec.colorType = PNG_COLOR_TYPE_GRAY;
  spec.data = {0, 128, 255};
  spec.gamma = 1.0;  // linear samples: shown on a 2.2 screen they must be brightened
  ZBitmap bm = Load(MakePNG(spec), kBitmapModePixels);
  int mid = int(bm.GetPixels()[1] & 255);
  EXPECT_NEAR(mid, 255.0 * std::pow(128 / 255.0, 1 / 2.2), 2.0);
  EXPECT_EQ(bm.GetPixels()[0], 0u);
  EXPECT_EQ(bm.GetPixels()[2], Px(255, 255, 255));

  spec.gamma = 0;  // no chunk: samples unchanged
  bm = Load(MakePNG(spec), kBitmapModePixels);
  EXPECT_EQ(bm.GetPixels()[1], Px(128, 128, 128));
}

TEST(BitmapPNG, InterlacedImageReadsLikeAPlainOne) {
  PNGSpec spec;
  spec.width = 7;
  spec.height = 5;
  for (int i = 0; i < 7 * 5 * 3; ++i)
    spec.data.push_back(uint8_t(i * 7));
  ZBitmap plain = Load(MakePNG(spec), kBitmapModePixels);
  spec.interlace = true;
  ZBitmap laced = Load(MakePNG(spec), kBitmapModePixels);
  ASSERT_EQ(laced.Width(), 7);
  ASSERT_EQ(laced.Height(), 5);
  EXPECT_EQ(std::memcmp(plain.GetPixels(), laced.GetPixels(), 7 * 5 * 4), 0);
  // Row 4, column 2 is pixel 30: bytes 90, 91, 92.
  EXPECT_EQ(plain.GetPixels()[7 * 4 + 2], Px(uint8_t(90 * 7), uint8_t(91 * 7), uint8_t(92 * 7)));
}

TEST(BitmapPNG, DamagedFilesFailCleanlyAndLeaveAnEmptyBitmap) {
  PNGSpec spec;
  spec.width = 16;
  spec.height = 16;
  spec.data.assign(16 * 16 * 3, 0);
  for (size_t i = 0; i < spec.data.size(); ++i)
    spec.data[i] = uint8_t(i * 13 + i / 7);
  const auto good = MakePNG(spec);
  ASSERT_FALSE(good.empty());

  ZBitmap bm;
  bm.Create(3, 3, kBitmapModeAlpha);
  auto expectFailure = [&](const std::vector<uint8_t>& bytes, int32_t code, const char* what) {
    bm.Create(3, 3, kBitmapModeAlpha);
    int32_t rc = bm.LoadFromMemory(bytes.data(), bytes.size(), ZImageFormat::kPNG, kBitmapModePixels);
    EXPECT_EQ(rc, code) << what;
    EXPECT_TRUE(bm.IsEmpty()) << what;
    EXPECT_EQ(bm.GetMode(), 0) << what;
    EXPECT_EQ(bm.Width(), 0) << what;
  };

  // Every truncation before the end of the compressed image data fails. The last 24 bytes are
  // the zlib checksum, the last image chunk's CRC and the end chunk.
  for (size_t n = 0; n + 24 < good.size(); n += (n < 64 ? 1 : 7))
    expectFailure(std::vector<uint8_t>(good.begin(), good.begin() + n), -9, "truncated");
  // Cut after the image data: every row has arrived, so the picture loads.
  std::vector<uint8_t> noEnd(good.begin(), good.end() - 12);
  ASSERT_EQ(bm.LoadFromMemory(noEnd.data(), noEnd.size(), ZImageFormat::kPNG, kBitmapModePixels), 0);
  EXPECT_EQ(bm.Width(), 16);

  auto badSig = good;
  badSig[1] = 'Q';
  expectFailure(badSig, -9, "signature");

  // A flipped byte inside the image data breaks the chunk CRC.
  auto corrupt = good;
  corrupt[good.size() / 2] ^= 0x40;
  expectFailure(corrupt, -9, "crc");

  // Claims more rows than its data holds.
  expectFailure(WithClaimedSize(good, 16, 400), -9, "lying height");
  // Absurd sizes are refused before anything is allocated.
  expectFailure(WithClaimedSize(good, 16385, 1), -3, "too wide");
  expectFailure(WithClaimedSize(good, 9000, 9000), -3, "too many pixels");
  expectFailure(WithClaimedSize(good, 0x32000005, 3), -3, "far too wide: refused before libpng sizes its rows");
  expectFailure(WithClaimedSize(good, 0, 16), -9, "zero width");

  // Random damage anywhere never crashes; it either decodes or fails with an empty bitmap.
  uint32_t seed = 12345;
  for (int round = 0; round < 300; ++round) {
    auto bytes = good;
    for (int k = 0; k < 3; ++k) {
      seed = seed * 1103515245u + 12345u;
      bytes[8 + (seed >> 8) % (bytes.size() - 8)] ^= uint8_t(seed >> 24 | 1);
    }
    int32_t rc = bm.LoadFromMemory(bytes.data(), bytes.size(), ZImageFormat::kPNG, kBitmapModePixels);
    if (rc != 0) {
      EXPECT_TRUE(bm.IsEmpty());
    } else {
      EXPECT_EQ(bm.Width() * bm.Height(), 256);
    }
  }
}

TEST(BitmapPNG, LoadByNameChoosesTheDecoderByExtension) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("sonabel_png_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  PNGSpec spec;
  spec.width = 2;
  spec.data = {1, 2, 3, 4, 5, 6};
  auto png = MakePNG(spec);
  std::ofstream((dir / "Image.PNG").string(), std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), png.size());
  std::ofstream((dir / "image.gif").string(), std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), png.size());

  ZBitmap bm;
  EXPECT_EQ(bm.Load((dir / "Image.PNG").string(), kBitmapModePixels), 0);
  EXPECT_EQ(bm.Width(), 2);
  EXPECT_EQ(bm.GetPixels()[0], Px(1, 2, 3));
  EXPECT_EQ(bm.Load((dir / "image.gif").string(), kBitmapModePixels), -9);
  EXPECT_TRUE(bm.IsEmpty());
  EXPECT_EQ(bm.Load((dir / "noextension").string(), kBitmapModePixels), -9);
  EXPECT_EQ(bm.Load((dir / "missing.png").string(), kBitmapModePixels), -11);
  EXPECT_EQ(bm.Load((dir / "missing.bmp").string(), kBitmapModePixels), -6);
  EXPECT_EQ(bm.Load((dir / "Image.PNG").string(), 3), -1);
  EXPECT_EQ(bm.LoadResource(101, kBitmapModePixels), -6);
  EXPECT_EQ(bm.LoadResource(101, 7), -1);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace ZTools

namespace ZTools {
namespace {

// Packs samples of `depth` bits into PNG row bytes (most significant bits first).
std::vector<uint8_t> PackRow(const std::vector<uint32_t>& samples, int depth) {
  std::vector<uint8_t> row;
  if (depth >= 8) {
    for (uint32_t s : samples) {
      if (depth == 16)
        row.push_back(uint8_t(s >> 8));
      row.push_back(uint8_t(s));
    }
    return row;
  }
  row.assign((samples.size() * depth + 7) / 8, 0);
  for (size_t i = 0; i < samples.size(); ++i)
    row[i * depth / 8] |= uint8_t(samples[i] << (8 - depth - (i * depth) % 8));
  return row;
}

TEST(BitmapPNG, EveryColourTypeAndBitDepthDecodes) {
  struct Combo {
    int colorType;
    int depth;
  };
  const Combo combos[] = {
      {PNG_COLOR_TYPE_GRAY, 1},        {PNG_COLOR_TYPE_GRAY, 2},      {PNG_COLOR_TYPE_GRAY, 4},
      {PNG_COLOR_TYPE_GRAY, 8},        {PNG_COLOR_TYPE_GRAY, 16},     {PNG_COLOR_TYPE_PALETTE, 1},
      {PNG_COLOR_TYPE_PALETTE, 2},     {PNG_COLOR_TYPE_PALETTE, 4},   {PNG_COLOR_TYPE_PALETTE, 8},
      {PNG_COLOR_TYPE_RGB, 8},         {PNG_COLOR_TYPE_RGB, 16},      {PNG_COLOR_TYPE_GRAY_ALPHA, 8},
      {PNG_COLOR_TYPE_GRAY_ALPHA, 16}, {PNG_COLOR_TYPE_RGB_ALPHA, 8}, {PNG_COLOR_TYPE_RGB_ALPHA, 16}};
  for (const Combo& c : combos) {
    const int w = 5, max = (1 << c.depth) - 1;
    const bool alpha = c.colorType & PNG_COLOR_MASK_ALPHA;
    const int channels = c.colorType == PNG_COLOR_TYPE_RGB          ? 3
                         : c.colorType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : c.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                    : 1;
    PNGSpec spec;
    spec.width = w;
    spec.colorType = c.colorType;
    spec.bitDepth = c.depth;
    std::vector<uint32_t> samples;
    std::vector<uint32_t> expectedPixels;
    std::vector<int> expectedAlpha;
    if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
      for (int i = 0; i <= max && i < 256; ++i)
        spec.palette.push_back({uint8_t(i * 37), uint8_t(255 - i), uint8_t(i * 11)});
    }
    for (int x = 0; x < w; ++x) {
      int v = (x * 7 + 3) % (max + 1);  // a different sample per pixel
      uint32_t r, g, b;
      if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
        samples.push_back(uint32_t(v));
        r = spec.palette[v].red, g = spec.palette[v].green, b = spec.palette[v].blue;
      } else {
        for (int k = 0; k < channels; ++k)
          samples.push_back(uint32_t((v + k * 5) % (max + 1)));
        auto to8 = [&](uint32_t s) {
          return c.depth == 16 ? s >> 8 : s * 255 / uint32_t(max);
        };
        const uint32_t* px = &samples[samples.size() - channels];
        if (channels <= 2) {
          r = g = b = to8(px[0]);
        } else {
          r = to8(px[0]), g = to8(px[1]), b = to8(px[2]);
        }
        if (alpha)
          expectedAlpha.push_back(int(to8(px[channels - 1])));
      }
      expectedPixels.push_back(b | g << 8 | r << 16);
    }
    spec.data = PackRow(samples, c.depth);
    ZBitmap bm = Load(MakePNG(spec), kBitmapModePixels);
    ASSERT_EQ(bm.Width(), w) << "type " << c.colorType << " depth " << c.depth;
    EXPECT_EQ(bm.GetMode(), alpha ? kBitmapModeAlpha : kBitmapModePixels);
    for (int x = 0; x < w; ++x) {
      EXPECT_EQ(bm.GetPixels()[x], expectedPixels[x]) << "type " << c.colorType << " depth " << c.depth << " x " << x;
      if (alpha) {
        EXPECT_EQ(bm.GetAlphaPlane()[x], expectedAlpha[x]) << "type " << c.colorType << " depth " << c.depth;
      }
    }
  }
}

}  // namespace
}  // namespace ZTools
