// The plain views drawn through the pane manager: image (blend, opacity), statictext (set-text
// event), section (head gradient, border, placement of its own panes) and tintedimage (tint from
// parameters, shown after its delay, and at once when it opens).
#include <gtest/gtest.h>

#include "tests/ztools/pane_test_support.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zstatictext.h"
#include "ztools/ztintedimage.h"

namespace ZTools {
namespace {

using PaneTest::TestManager;

struct Drawn {
  TestManager m;
  ZDrawContext context;
  int32_t code;
  Drawn(const std::string& markup, int32_t w, int32_t h) {
    code = m.Initialize();
    if (code == 0)
      code = m.LoadSkinText("<zml>" + markup + "</zml>");
    m.ResizeRootArea(w, h);
    m.Open();
    context.Resize(w, h);
    m.Draw(context, m.RootArea());
  }
  uint32_t At(int32_t x, int32_t y) const { return context.GetPixel({x, y}) & 0xffffff; }
};

std::string Views(const std::string& inner, const std::string& before = "") {
  return before + "<surfaces><surface><views><colorbox size='100,60' color='#000000'>" + inner +
         "</colorbox></views></surface></surfaces>";
}

TEST(ViewsImage, DrawsItsBitmapWithBlendAndOpacity) {
  Drawn d(Views("<image pos='0,0' size='10,10' bitmap='b'/><image pos='20,0' size='10,10' bitmap='b' opacity='128'/>"
                "<image pos='40,0' size='10,10' bitmap='b' blend='multiply'/>",
                "<bitmaps><bitmap name='b' mode='extended' size='4,4' fill='#ff8040'/></bitmaps>"),
          100, 60);
  ASSERT_EQ(d.code, 0);
  EXPECT_EQ(d.At(1, 1), 0xff8040u);
  EXPECT_EQ(d.At(5, 5), 0u);          // outside the 4 x 4 bitmap
  EXPECT_EQ(d.At(21, 1), 0x7f4020u);  // half of it over black (x * 128 >> 8)
  EXPECT_EQ(d.At(41, 1), 0u);         // multiplied with black
}

TEST(ViewsStaticText, DrawsTextAndTakesNewTextFromAnEvent) {
  Drawn d(Views("<statictext name='t' size='100,60' text='Hi' color='#ffffff' font='big heading'/>"), 100, 60);
  ASSERT_EQ(d.code, 0);
  auto lit = [&d] {
    int n = 0;
    for (int32_t y = 0; y < 60; ++y)
      for (int32_t x = 0; x < 100; ++x)
        n += d.At(x, y) != 0;
    return n;
  };
  const int hi = lit();
  EXPECT_GT(hi, 20);
  auto* text = dynamic_cast<StaticTextView*>(d.m.FindView("t"));
  ASSERT_NE(text, nullptr);
  auto set = MakeEvent<ZPaneEvent>(kPaneSetText, text);
  set->SetText("Hello there");
  text->Post(*set);
  EXPECT_EQ(text->Text().View(), "Hello there");
  EXPECT_FALSE(d.m.InvalidAreas().empty());
  d.m.DrawInvalid(d.context);
  EXPECT_GT(lit(), hi);
}

TEST(ViewsSection, HeadBorderAndChildren) {
  Drawn d(Views("<section name='s' pos='10,10' size='60,40' framecolor='#4080c0' titleheight='12' gradient='0'>"
                "<colorbox pos='10,20' size='5,5' color='#00ff00'/></section>"),
          100, 60);
  ASSERT_EQ(d.code, 0);
  EXPECT_EQ(d.At(40, 15), 0x4080c0u);  // the head, no gradient
  EXPECT_EQ(d.At(10, 40), 0x4080c0u);  // the border's left edge
  EXPECT_EQ(d.At(69, 49), 0x4080c0u);  // its far corner
  EXPECT_EQ(d.At(30, 40), 0u);         // inside the body
  EXPECT_EQ(d.At(21, 31), 0x00ff00u);  // a child, in the section's coordinates
  d.m.ResizeRootArea(100, 60);         // parts follow the section's size
  ZView* s = d.m.FindView("s");
  s->SetFlags(s->GetFlags() | kCanResize);
  s->ResizeBy(20, 5);
  d.m.Draw(d.context, d.m.RootArea());
  EXPECT_EQ(d.At(89, 54), 0x4080c0u);
}

TEST(ViewsTintedImage, ShowsItsStateAtOnceThenChangesAfterTheDelay) {
  Drawn d(Views("<tintedimage name='t' size='4,4' bitmap='b' color='#ff0000' mode='colormultiply' delay='100' "
                "parameter='hue'/>",
                "<bitmaps><bitmap name='b' mode='extended' size='4,4' fill='#ffffff'/></bitmaps>"
                "<parameters><float name='hue' value='0.3333333'/></parameters>"),
          100, 60);
  ASSERT_EQ(d.code, 0);
  auto* t = dynamic_cast<TintedImage*>(d.m.FindView("t"));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->CurrentColor(), ZColor(0, 255, 0));  // hue 120 from the moment it opened
  EXPECT_EQ(d.At(1, 1), 0x00fe00u);                 // white times green (the shift divides by 256)
  ZParameter* hue = d.m.FindParameter("hue");
  auto change = [hue](double position) {
    hue->SetNormalized(position);
    hue->SetDirty();
    hue->Announce();
  };
  change(0.6666667);
  d.m.Idle(1000);  // the first change after a quiet spell shows at once
  EXPECT_EQ(t->CurrentColor(), ZColor(0, 0, 255));
  change(0.0);
  d.m.Idle(1050);  // the next waits until 100 ms have passed since
  EXPECT_EQ(t->CurrentColor(), ZColor(0, 0, 255));
  d.m.Idle(1101);
  EXPECT_EQ(t->CurrentColor(), ZColor(255, 0, 0));
}

TEST(ViewsMarkup, RefusesBadValues) {
  struct Case {
    const char* pane;
    int32_t code;
  };
  const Case cases[] = {
      {"<image bitmap='nothing'/>", kZErrIllegalObjectType},
      {"<image bitmap='b' blend='sideways'/>", kZErrIllegalPropertyValue},
      {"<image bitmap='b' opacity='nan'/>", kZErrIllegalPropertyValue},
      {"<statictext font='huge'/>", kZErrIllegalPropertyValue},
      {"<statictext textalign='middle'/>", kZErrIllegalPropertyValue},
      {"<section titleheight='-1'/>", kZErrIllegalPropertyValue},
      {"<tintedimage bitmap='b' mode='screen'/>", kZErrIllegalPropertyValue},
      {"<tintedimage bitmap='b' parameter='p,p,p,p'/>", kZErrTooManyArguments},
  };
  for (const Case& c : cases) {
    Drawn d(Views(c.pane, "<bitmaps><bitmap name='b' size='1,1'/></bitmaps><parameters><float name='p'/></parameters>"),
            10, 10);
    EXPECT_EQ(d.code, c.code) << c.pane;
  }
}

}  // namespace
}  // namespace ZTools
