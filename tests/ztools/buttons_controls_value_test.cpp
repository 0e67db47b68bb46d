// The film-strip knob and the bitmap slider: the frame and the handle's place at computed
// values, drawing through the alpha plane and the hover gamma, nothing drawn (and no division)
// for a knob of height 0, an empty bitmap or a slider with no travel, and drags, wheel notches
// and keys through the pane manager with the values they leave and one edit bracket each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/ztools/pane_test_support.h"
#include "ztools/zanimknob.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zbitmapslider.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zparameter.h"

namespace ZTools {
namespace {

using PaneTest::TestManager;

constexpr ZColor kBackground(0, 0, 16);

// A skin of `head` (bitmaps, parameters) and one surface whose root is a colour box holding
// `views`, opened at 200 x 200.
struct Skin {
  TestManager m;
  int32_t code = 0;
  Skin(const std::string& head, const std::string& views) {
    code = m.Initialize();
    if (code == 0)
      code = m.LoadSkinText("<zml>" + head + "<surfaces><surface><views><colorbox name='root' color='#000010'>" +
                            views + "</colorbox></views></surface></surfaces></zml>");
    if (code != 0)
      return;
    m.ResizeRootArea(200, 200);
    code = m.Open();
  }
  ZParameter* P(const char* name) { return m.FindParameter(name); }
  ZMLBitmap* Bitmap(const char* name) {
    IEventListener* object = nullptr;
    m.Host().GetObject("interface_zmlbitmap", name, &object);
    return dynamic_cast<ZMLBitmap*>(object);
  }
  // A change made elsewhere (a script): every bound control is told.
  void SetNormalized(const char* name, double n) {
    P(name)->SetNormalized(n);
    P(name)->SetDirty();
    P(name)->Announce();
  }
  ZColor PixelAt(ZPoint p) {
    ZDrawContext context;
    context.Resize(200, 200);
    m.Draw(context, m.RootArea());
    return ZColor::FromPixel(context.GetPixel(p));
  }
};

void FillBitmap(ZMLBitmap& bitmap, int32_t width, int32_t height, int32_t mode, ZColor color, uint8_t alpha) {
  ASSERT_EQ(bitmap.Create(width, height, mode), 0);
  bitmap.Fill(color);
  if (uint8_t* plane = bitmap.GetAlphaPlane())
    std::fill(plane, plane + width * height, alpha);
}

TEST(AnimKnobDrawing, ShowsTheFrameOfTheValueAndNothingWithoutFrames) {
  Skin s(
      "<bitmaps><bitmap name='strip' size='10,320' mode='extended'/><bitmap name='empty' size='0,0'/></bitmaps>"
      "<parameters><float name='level'/></parameters>",
      "<animknob name='knob' pos='10,10' size='10,32' bitmap='strip' parameter='level'/>"
      "<animknob name='flat' pos='30,10' size='10,0' bitmap='strip' parameter='level'/>"
      "<animknob name='blank' pos='50,10' size='10,32' bitmap='empty' parameter='level'/>");
  ASSERT_EQ(s.code, 0);
  // Frame i is filled with red 20 * i.
  ZMLBitmap& strip = *s.Bitmap("strip");
  for (int32_t y = 0; y < 320; ++y)
    for (int32_t x = 0; x < 10; ++x)
      strip.GetPixels()[y * 10 + x] = ZColor(uint8_t(20 * (y / 32)), 0, 0).ToPixel();
  EXPECT_EQ(static_cast<AnimKnob*>(s.m.FindView("knob"))->FrameCount(), 10);
  struct Case {
    double normalized;
    int32_t frame;
  };
  const Case cases[] = {{0.0, 0}, {0.05, 0}, {0.06, 1}, {0.5, 5}, {0.95, 9}, {1.0, 9}};
  for (const Case& c : cases) {
    s.SetNormalized("level", c.normalized);
    EXPECT_EQ(s.PixelAt({15, 26}), ZColor(uint8_t(20 * c.frame), 0, 0)) << "normalised " << c.normalized;
    EXPECT_EQ(s.PixelAt({35, 10}), kBackground) << "a knob of height 0 draws nothing";
    EXPECT_EQ(s.PixelAt({55, 20}), kBackground) << "an empty bitmap draws nothing";
  }
  EXPECT_EQ(AnimKnob::FrameFor(std::nan(""), 10), 0);
  EXPECT_EQ(AnimKnob::FrameFor(1e300, 10), 9);
}

TEST(AnimKnobDrawing, BlendsThroughTheAlphaPlaneWithTheHoverGammaOfExtendedBitmaps) {
  Skin s(
      "<bitmaps><bitmap name='glass' size='1,1' mode='extended'/><bitmap name='plain' size='10,10'/>"
      "</bitmaps>",
      "<animknob name='glassknob' pos='10,10' size='10,10' bitmap='glass' hovergamma='2'/>"
      "<animknob name='plainknob' pos='30,10' size='10,10' bitmap='plain' hovergamma='2'/>");
  ASSERT_EQ(s.code, 0);
  const ZColor source(100, 150, 200);
  FillBitmap(*s.Bitmap("glass"), 10, 10, kBitmapModeAlpha, source, 128);
  s.Bitmap("plain")->Fill(source);
  // hovergamma 2 is the amount 64: e = -0.5, so each channel goes through the curve x^(2^0.5).
  auto gamma = [](int v) {
    return int(std::lround(255.0 * std::pow(v / 255.0, std::pow(2.0, 0.5))));
  };
  auto blend = [](int d, int r) {
    return uint8_t(d + (((r - d) * 128) >> 8));
  };
  const ZColor plainBlend(blend(0, 100), blend(0, 150), blend(16, 200));
  const ZColor hoverBlend(blend(0, gamma(100)), blend(0, gamma(150)), blend(16, gamma(200)));
  EXPECT_EQ(s.PixelAt({15, 15}), plainBlend);
  s.m.MouseHover({15, 15});
  EXPECT_EQ(s.PixelAt({15, 15}), hoverBlend);
  s.m.MouseHover({35, 15});
  EXPECT_EQ(s.PixelAt({15, 15}), plainBlend);
  EXPECT_EQ(s.PixelAt({35, 15}), source) << "a normal bitmap is copied as it is, hovered or not";
}

// One user action on a pane manager.
using Action = void (*)(TestManager&);

struct InputCase {
  const char* what;
  Action act;
  double value;   // parameter value afterwards
  int32_t edits;  // edit brackets opened (and closed)
};

void RunInputCases(Skin& s, const char* param, double start, std::initializer_list<InputCase> cases) {
  for (const InputCase& c : cases) {
    s.P(param)->SetFloatValue(start);
    s.P(param)->SetDirty();
    s.P(param)->Announce();
    const int32_t begun = s.m.EditsBegun();
    c.act(s.m);
    EXPECT_NEAR(s.P(param)->GetFloatValue(), c.value, 1e-4) << c.what;
    EXPECT_EQ(s.m.EditsBegun() - begun, c.edits) << c.what;
    EXPECT_EQ(s.m.OpenEdits(), 0) << c.what;
  }
}

// Presses at `from`, drags through the points and releases at the last one.
void DragPath(TestManager& m, uint32_t buttons, ZPoint from, std::initializer_list<ZPoint> path) {
  m.Click(buttons, from);
  ZPoint at = from;
  for (ZPoint p : path)
    m.Drag(buttons, at = p);
  m.ClickRelease(buttons, at);
}

TEST(AnimKnobInput, DragsWheelNotchesAndKeysChangeTheValueInOneEditEach) {
  Skin s(
      "<bitmaps><bitmap name='strip' size='10,320'/></bitmaps>"
      "<parameters><float name='vol' range='0,100'/></parameters>",
      "<animknob name='knob' pos='10,10' size='10,32' bitmap='strip' parameter='vol'/>");
  ASSERT_EQ(s.code, 0);
  s.m.SetFocusPane(s.m.FindView("knob"));
  RunInputCases(s, "vol", 50,
                {
                    {"drag up 10 pixels",
                     [](TestManager& m) {
                       DragPath(m, kLeftButton, {15, 30}, {{15, 20}});
                     },
                     60, 1},
                    {"drag up 10 with Shift",
                     [](TestManager& m) {
                       DragPath(m, kLeftButton | kKeyShift, {15, 30}, {{15, 25}, {15, 20}});
                     },
                     51, 1},
                    {"drag down 30, far outside",
                     [](TestManager& m) {
                       DragPath(m, kLeftButton, {15, 30}, {{90, 60}});
                     },
                     20, 1},
                    {"drag past the end and back: the running value is not clamped",
                     [](TestManager& m) {
                       DragPath(m, kLeftButton, {15, 30}, {{15, -40}, {15, -30}, {15, -10}});
                     },
                     90, 1},
                    {"right button",
                     [](TestManager& m) {
                       DragPath(m, kRightButton, {15, 30}, {{15, 20}});
                     },
                     50, 0},
                    {"one notch",
                     [](TestManager& m) {
                       m.Wheel(0, {15, 20}, 1.0f);
                     },
                     55, 1},
                    {"one notch with Shift",
                     [](TestManager& m) {
                       m.Wheel(kKeyShift, {15, 20}, 1.0f);
                     },
                     51, 1},
                    {"two notches back",
                     [](TestManager& m) {
                       m.Wheel(0, {15, 20}, -2.0f);
                     },
                     40, 1},
                    {"a turn that is not a number",
                     [](TestManager& m) {
                       m.Wheel(0, {15, 20}, std::nanf(""));
                     },
                     50, 0},
                    {"key up", [](TestManager& m) { m.Key(kKeyUp); }, 55, 1},
                    {"key left", [](TestManager& m) { m.Key(kKeyLeft); }, 45, 1},
                    {"home", [](TestManager& m) { m.Key(kKeyHome); }, 0, 1},
                    {"end", [](TestManager& m) { m.Key(kKeyEnd); }, 100, 1},
                    {"a letter", [](TestManager& m) { m.Key('x'); }, 50, 0},
                });
}

TEST(AnimKnobInput, ShowsTheValueWhileDragging) {
  Skin s(
      "<bitmaps><bitmap name='strip' size='10,32'/></bitmaps>"
      "<parameters><float name='vol' range='0,100' value='50' unit='dB'/></parameters>",
      "<animknob name='knob' pos='10,10' size='10,32' bitmap='strip' parameter='vol' showvalue='yes'/>");
  ASSERT_EQ(s.code, 0);
  s.m.Click(kLeftButton, {15, 30});
  EXPECT_EQ(s.m.TrackInfo().View(), "50 dB");
  s.m.Drag(kLeftButton, {15, 28});
  EXPECT_EQ(s.m.TrackInfo().View(), "52 dB");
  s.m.ClickRelease(kLeftButton, {15, 28});
  EXPECT_TRUE(s.m.TrackInfo().IsEmpty());
}

const char* kSliderHead =
    "<bitmaps><bitmap name='cap' size='6,4' fill='#ff0000' mode='extended'/><bitmap name='empty' size='0,0'/>"
    "</bitmaps><parameters><float name='pos'/><float name='vol' range='0,100' value='40'/></parameters>";

TEST(SliderPlacement, HandleStandsWhereTheValueSaysAndHidesWithoutTravel) {
  Skin s(kSliderHead,
         "<slider name='h' size='130,10' style='horizontal' range='10,110' handleoffset='2,3' bitmap='cap' "
         "parameter='pos'/>"
         "<slider name='hz' pos='0,20' size='130,10' style='horizontal,zeroatright' range='10,110' bitmap='cap' "
         "parameter='pos'/>"
         "<slider name='v' pos='140,0' size='10,60' style='vertical' range='0,50' handleoffset='1,0' bitmap='cap' "
         "parameter='pos'/>"
         "<slider name='vz' pos='160,0' size='10,60' style='vertical,zeroatbottom' range='0,50' bitmap='cap' "
         "parameter='pos'/>"
         "<slider name='still' pos='0,40' size='50,10' range='5,5' bitmap='cap' parameter='pos'/>"
         "<slider name='bare' pos='0,60' size='50,10' range='0,40' bitmap='empty' parameter='pos'/>");
  ASSERT_EQ(s.code, 0);
  auto handle = [&](const char* name) {
    return static_cast<BitmapSlider*>(s.m.FindView(name))->Handle().GetPosition();
  };
  struct Case {
    double n;
    ZPoint h, hz, v, vz;
  };
  const Case cases[] = {
      {0.0, {12, 3}, {110, 0}, {1, 0}, {0, 50}},
      {0.25, {37, 3}, {85, 0}, {1, 13}, {0, 37}},  // 12.5 pixels round away from zero
      {1.0, {112, 3}, {10, 0}, {1, 50}, {0, 0}},
  };
  for (const Case& c : cases) {
    s.SetNormalized("pos", c.n);
    EXPECT_EQ(handle("h"), c.h) << c.n;
    EXPECT_EQ(handle("hz"), c.hz) << c.n;
    EXPECT_EQ(handle("v"), c.v) << c.n;
    EXPECT_EQ(handle("vz"), c.vz) << c.n;
    EXPECT_EQ(s.PixelAt(c.h), ZColor(255, 0, 0)) << c.n;
    EXPECT_EQ(s.PixelAt({c.h.x - 1, c.h.y}), kBackground) << c.n;
  }
  for (const char* name : {"still", "bare"}) {
    auto* slider = static_cast<BitmapSlider*>(s.m.FindView(name));
    EXPECT_FALSE(slider->Handle().IsVisible()) << name;
    EXPECT_EQ(s.PixelAt(slider->Handle().AbsolutePosition()), kBackground) << name;
  }
  EXPECT_EQ(s.m.FindPaneAt({5, 42}), s.m.FindView("still")) << "a hidden handle takes no input";
}

TEST(SliderInput, HandleFollowsTheMouseOrMovesByTheUnitsGiven) {
  Skin s(kSliderHead,
         "<slider name='h' size='130,10' range='10,110' bitmap='cap' parameter='pos'/>"
         "<slider name='hz' pos='0,20' size='130,10' style='zeroatright' range='10,110' bitmap='cap' parameter='pos'/>"
         "<slider name='vz' pos='140,0' size='10,60' style='vertical,zeroatbottom' range='0,50' bitmap='cap' "
         "parameter='pos'/>"
         "<slider name='units' pos='0,40' size='130,10' range='10,110' bitmap='cap' parameter='pos' "
         "unitsperpix='0.01' altunitsperpix='0.001'/>"
         "<slider name='wheel' pos='0,60' size='130,10' range='10,110' bitmap='cap' parameter='vol'/>");
  ASSERT_EQ(s.code, 0);
  EXPECT_EQ(static_cast<BitmapSlider*>(s.m.FindView("wheel"))->Handle().GetPosition(), ZPoint(50, 0))
      << "placed from the moment it opens";
  // The handles stand at n = 0: h at x 10, hz at x 110, vz at y 50, units at x 10.
  RunInputCases(s, "pos", 0,
                {
                    {"right 25",
                     [](TestManager& m) {
                       DragPath(m, kLeftButton, {12, 2}, {{37, 2}});
                     },
                     0.25, 1},
                    {"right 25 with Shift",
                     [](TestManager& m) {
                       DragPath(m, kLeftButton | kKeyShift, {12, 2}, {{37, 2}});
                     },
                     0.025, 1},
                    {"zero at right: left 25",
                     [](TestManager& m) {
                       DragPath(m, kLeftButton, {112, 22}, {{87, 22}});
                     },
                     0.25, 1},
                    {"zero at bottom: up 10",
                     [](TestManager& m) {
                       DragPath(m, kLeftButton, {142, 52}, {{142, 42}});
                     },
                     0.2, 1},
                    {"left of the start stays at 0",
                     [](TestManager& m) {
                       DragPath(m, kLeftButton, {12, 2}, {{2, 2}});
                     },
                     0, 1},
                    {"units: right 10",
                     [](TestManager& m) {
                       DragPath(m, kLeftButton, {12, 42}, {{22, 42}});
                     },
                     0.1, 1},
                    {"units: right 10 with Shift",
                     [](TestManager& m) {
                       DragPath(m, kLeftButton | kKeyShift, {12, 42}, {{22, 42}});
                     },
                     0.01, 1},
                });
  RunInputCases(s, "vol", 50,
                {
                    {"a notch over the track",
                     [](TestManager& m) {
                       m.Wheel(0, {60, 65}, 1.0f);
                     },
                     55, 1},
                    {"a notch over the handle",
                     [](TestManager& m) {
                       m.Wheel(0, {62, 62}, -1.0f);
                     },
                     45, 1},
                });
  EXPECT_EQ(static_cast<BitmapSlider*>(s.m.FindView("wheel"))->Handle().GetPosition(), ZPoint(55, 0));
}

}  // namespace
}  // namespace ZTools
