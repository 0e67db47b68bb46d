// Colours: the three markup forms and their errors, and the HSL conversions the frames and the
// luminosity mode rely on.
#include <gtest/gtest.h>

#include "ztools/zcolor.h"

namespace ZTools {
namespace {

ZColor Parse(const char* text) {
  ZColor c;
  EXPECT_EQ(ParseColor(text, c), 0) << text;
  EXPECT_TRUE(c.set) << text;
  return c;
}

TEST(DrawingColor, MarkupFormsParse) {
  EXPECT_EQ(Parse("#FF8000"), ZColor(255, 128, 0));
  EXPECT_EQ(Parse("#ff8000"), ZColor(255, 128, 0));
  EXPECT_EQ(Parse(" #0a0B0c "), ZColor(10, 11, 12));
  EXPECT_EQ(Parse("RGB:10,20,30"), ZColor(10, 20, 30));
  EXPECT_EQ(Parse("rgb: 0 , 255,7"), ZColor(0, 255, 7));
  EXPECT_EQ(Parse("hsl:0,100,50"), ZColor(255, 0, 0));
  EXPECT_EQ(Parse("HSL:120,100,50"), ZColor(0, 255, 0));
  EXPECT_EQ(Parse("hsl:240,100,25"), ZColor(0, 0, 127));
  EXPECT_EQ(Parse("hsl:0,0,100"), ZColor(255, 255, 255));
  EXPECT_EQ(Parse("hsl:400,150,-5"), ZColor(0, 0, 0)) << "hsl values are clamped";
  EXPECT_EQ(Parse("hsl:30.5,50,50"), Parse("hsl:30.5,50.0,50"));
}

TEST(DrawingColor, BadValuesAreRejectedAndLeaveTheColourAlone) {
  for (const char* bad : {"red", "", "#FF800", "#FF80000", "#GG8000", "rgb:1,2", "rgb:1,2,3,4", "rgb:1,2,256",
                          "rgb:-1,2,3", "rgb:1.5,2,3", "rgb:,2,3", "hsl:1,2", "hsl:a,b,c", "rgba:1,2,3", "#"}) {
    ZColor c(1, 2, 3);
    EXPECT_EQ(ParseColor(bad, c), -1038) << bad;
    EXPECT_EQ(c, ZColor(1, 2, 3)) << bad;
  }
}

TEST(DrawingColor, HSLConversionsRoundTrip) {
  ZHSL red = RGBToHSL(255, 0, 0);
  EXPECT_FLOAT_EQ(red.h, 0);
  EXPECT_FLOAT_EQ(red.s, 1);
  EXPECT_FLOAT_EQ(red.l, 0.5f);
  EXPECT_FLOAT_EQ(RGBToHSL(0, 0, 255).h, 240);
  EXPECT_FLOAT_EQ(RGBToHSL(255, 0, 255).h, 300);
  ZHSL grey = RGBToHSL(128, 128, 128);
  EXPECT_EQ(grey.s, 0);
  EXPECT_EQ(grey.h, 0);
  // Every grey and a spread of colours come back exactly.
  for (int v = 0; v < 256; ++v) {
    ZColor back = HSLToColor(RGBToHSL(v, v, v));
    ASSERT_EQ(back, ZColor(uint8_t(v), uint8_t(v), uint8_t(v))) << v;
  }
  for (int r = 0; r < 256; r += 51)
    for (int g = 0; g < 256; g += 51)
      for (int b = 0; b < 256; b += 51) {
        ZColor back = HSLToColor(RGBToHSL(r, g, b));
        EXPECT_NEAR(back.r, r, 1);
        EXPECT_NEAR(back.g, g, 1);
        EXPECT_NEAR(back.b, b, 1);
      }
}

}  // namespace
}  // namespace ZTools
