// Text and fonts: the font table, metrics from the point sizes, measuring, alignment, line
// breaking, clipping to the rectangle, and both text modes. Glyph shapes are never compared.
#include <gtest/gtest.h>

#include "ztools/zdrawcontext.h"
#include "ztools/zfont.h"

namespace ZTools {
namespace {

const ZColor kWhite(255, 255, 255);

// The bounding box of the pixels that differ from white; empty when none do.
ZRect Ink(const ZDrawContext& dc) {
  ZRect box;
  bool any = false;
  for (int y = 0; y < dc.Height(); ++y)
    for (int x = 0; x < dc.Width(); ++x)
      if (dc.GetPixels()[y * dc.Width() + x] != kWhite.ToPixel()) {
        if (!any)
          box = ZRect(x, y, x + 1, y + 1);
        box = box.Union(ZRect(x, y, x + 1, y + 1));
        any = true;
      }
  return box;
}

TEST(DrawingText, FontTableWordsAndHeights) {
  EXPECT_EQ(FontIndexFromWord("small standard"), 0);
  EXPECT_EQ(FontIndexFromWord(" Big Heading "), 8);
  EXPECT_EQ(FontIndexFromWord("symbol font"), 11);
  EXPECT_EQ(FontIndexFromWord("huge"), -1038);
  EXPECT_EQ(FontRequestedHeight(0), -10);  // 8 pt at 96 dpi
  EXPECT_EQ(FontRequestedHeight(1), -16);
  EXPECT_EQ(FontRequestedHeight(9), 11);
  EXPECT_EQ(FontRequestedHeight(10), 9);

  for (int i = 0; i < kFontCount; ++i) {
    ZFont& f = GetFont(i);
    EXPECT_GT(f.LineHeight(), 5) << "font " << i;
    EXPECT_LT(f.LineHeight(), 40) << "font " << i;
  }
  // Point sizes grow the line height; fixed pixel heights are met closely.
  EXPECT_LT(GetFont(0).LineHeight(), GetFont(1).LineHeight());
  EXPECT_LT(GetFont(1).LineHeight(), GetFont(2).LineHeight());
  EXPECT_NEAR(GetFont(9).LineHeight(), 11, 2);
  // The fixed-width faces advance the same for every character.
  EXPECT_EQ(GetFont(4).Advance('i'), GetFont(4).Advance('W'));
  EXPECT_LT(GetFont(1).Advance('i'), GetFont(1).Advance('W'));
  // Bold is wider than regular at the same size.
  EXPECT_GE(GetFont(7).Advance('m'), GetFont(1).Advance('m'));
  // The symbol font draws its own window symbols.
  EXPECT_FALSE(GetFont(kFontSymbol).Glyph('r').coverage.empty());
  EXPECT_TRUE(GetFont(kFontSymbol).Glyph('z').coverage.empty());
}

TEST(DrawingText, DrawnTextStaysInItsRectangleAndFollowsAlignment) {
  ZDrawContext dc;
  ASSERT_EQ(dc.Resize(200, 60), 0);
  dc.SetColor(ZColor(0, 0, 0));
  dc.SetFont(1);
  const ZRect box(20, 10, 180, 50);
  const uint32_t single = kTextAlignSingleLine;

  auto draw = [&](uint32_t align) {
    dc.Fill(kWhite);
    ZPoint size = dc.DrawText("Sonabel", box, align);
    ZRect ink = Ink(dc);
    EXPECT_FALSE(ink.IsEmpty());
    EXPECT_EQ(ink.Intersection(box), ink) << "ink outside the rectangle, align " << align;
    EXPECT_EQ(size, dc.MeasureText("Sonabel", box, align));
    return ink;
  };
  ZRect left = draw(single | kTextAlignLeft | kTextAlignTop);
  ZRect center = draw(single | kTextAlignCenter | kTextAlignVCenter);
  ZRect right = draw(single | kTextAlignRight | kTextAlignBottom);
  EXPECT_LT(left.left, center.left);
  EXPECT_LT(center.left, right.left);
  EXPECT_LT(left.top, center.top);
  EXPECT_LT(center.top, right.top);
  EXPECT_NEAR(center.left - box.left, box.right - center.right, 3) << "centred horizontally";
  EXPECT_LE(left.left - box.left, 2);
  EXPECT_LE(box.right - right.right, 2);
  EXPECT_EQ(center.Width(), left.Width()) << "alignment moves, it does not reshape";

  // Default alignment is top-left.
  EXPECT_EQ(draw(single), left);
}

TEST(DrawingText, LinesBreakAtNewlinesAndWordsUnlessSingleLine) {
  ZDrawContext dc;
  ASSERT_EQ(dc.Resize(300, 200), 0);
  dc.SetFont(1);
  const int lh = GetFont(1).LineHeight();
  const ZRect wide(0, 0, 300, 200);
  EXPECT_EQ(dc.MeasureText("one\ntwo\r\nthree", wide, 0).y, 3 * lh);
  EXPECT_EQ(dc.MeasureText("one\ntwo\nthree", wide, kTextAlignSingleLine).y, lh);
  ZPoint oneLine = dc.MeasureText("alpha beta gamma delta", wide, kTextAlignWordBreak);
  EXPECT_EQ(oneLine.y, lh);

  // In a narrow rectangle the same words wrap, and no line is wider than the rectangle unless
  // it is a single word that does not fit.
  const ZRect narrow(0, 0, oneLine.x / 2, 200);
  ZPoint wrapped = dc.MeasureText("alpha beta gamma delta", narrow, kTextAlignWordBreak);
  EXPECT_GE(wrapped.y, 2 * lh);
  EXPECT_LE(wrapped.x, narrow.Width());
  EXPECT_EQ(dc.MeasureText("alpha beta gamma delta", narrow, kTextAlignWordBreak | kTextAlignSingleLine).y, lh);
  ZPoint longWord = dc.MeasureText("Supercalifragilistic", ZRect(0, 0, 10, 100), kTextAlignWordBreak);
  EXPECT_EQ(longWord.y, lh);
  EXPECT_GT(longWord.x, 10);

  EXPECT_EQ(dc.MeasureText("", wide, 0), ZPoint(0, 0));
  // Broken UTF-8 still measures (each stray byte is one character).
  EXPECT_GT(dc.MeasureText("a\xff\xc3", wide, 0).x, dc.MeasureText("a", wide, 0).x);
  EXPECT_GT(dc.MeasureText("\xc3\xa9t\xc3\xa9", wide, 0).x, 0);
}

TEST(DrawingText, ClippingAndTextModes) {
  ZDrawContext dc;
  ASSERT_EQ(dc.Resize(120, 40), 0);
  dc.SetFont(2);
  dc.SetColor(ZColor(0, 0, 0));
  dc.Fill(kWhite);
  // A rectangle smaller than the text cuts it.
  const ZRect small(10, 10, 30, 18);
  dc.DrawText("Wide text here", small, kTextAlignSingleLine);
  ZRect ink = Ink(dc);
  EXPECT_FALSE(ink.IsEmpty());
  EXPECT_EQ(ink.Intersection(small), ink);

  // The clip rectangle cuts too, and the origin moves the text.
  dc.Fill(kWhite);
  dc.SetOrigin({50, 0});
  dc.SetClipRect(ZRect(0, 0, 10, 40));
  dc.DrawText("MMMM", ZRect(0, 0, 100, 40), kTextAlignSingleLine);
  ink = Ink(dc);
  EXPECT_GE(ink.left, 50);
  EXPECT_LE(ink.right, 60);
  dc.ResetClipRect();
  dc.SetOrigin({0, 0});

  // Opaque mode fills the text's cell with the back colour; transparent leaves it.
  const ZColor back(0, 200, 0);
  dc.SetBackColor(back);
  dc.SetTextMode(kTextModeOpaque);
  dc.Fill(kWhite);
  ZPoint size = dc.DrawText("ab", ZRect(0, 0, 120, 40), kTextAlignSingleLine);
  EXPECT_EQ(dc.GetPixel({0, 0}), back.ToPixel());
  EXPECT_EQ(dc.GetPixel({size.x - 1, size.y - 1}), back.ToPixel());
  EXPECT_EQ(dc.GetPixel({size.x + 1, 0}), kWhite.ToPixel());
  EXPECT_EQ(dc.GetPixel({0, size.y}), kWhite.ToPixel());
  dc.SetTextMode(kTextModeTransparent);
  dc.Fill(kWhite);
  dc.DrawText("ab", ZRect(0, 0, 120, 40), kTextAlignSingleLine);
  EXPECT_EQ(dc.GetPixel({0, 0}), kWhite.ToPixel());

  // Drawing into an empty context or an empty rectangle is harmless.
  ZDrawContext none;
  none.DrawText("x", ZRect(0, 0, 10, 10), 0);
  dc.DrawText("x", ZRect(10, 10, 0, 0), 0);
}

}  // namespace
}  // namespace ZTools
