// The panels controls through the pane manager, part one: scroll bars (handle geometry drawn
// from the rules, clicks, handle drags, the wheel, parameters in and out in the same units),
// scroll views (bars that appear with the content, the wheel, scrolled drawing, borders), and
// the numbers and words the panels controls' properties refuse.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "tests/ztools/panels_test_support.h"
#include "ztools/zpagecontainer.h"
#include "ztools/zpopupcontainer.h"
#include "ztools/zscrollbar.h"
#include "ztools/zscrollview.h"
#include "ztools/zstaticselect.h"

namespace ZTools {
namespace {

using namespace PanelsTest;

const uint32_t kBack = Px(0, 0, 16), kHandle = Px(0, 255, 0);

// ---- scroll bars

TEST(PanelsScrollBar, HandleIsDrawnWhereTheRulesPutIt) {
  struct Case {
    const char* bar;
    double total, visible, position;
    int start, length;  // -1: no handle
  };
  const Case cases[] = {
      {"h", 1000, 100, 450, 45, 10},   // h = 100/1000*100, offset = 450/900*90
      {"h", 1000, 10, 450, 44, 3},     // h = 1 grows to 3: offset = floor(450/990*97 + 0.5)
      {"h", 1000, 100, 5000, 90, 10},  // limited to the range
      {"h", 1000, 1000, 0, -1, 0},     // everything visible
      {"h", 1000, 2000, 0, -1, 0},     // more than everything
      {"h", 0, 0, 0, -1, 0},           // nothing at all: no division by zero
      {"v", 300, 100, 100, 33, 33},    // along the height: h = 33.3, offset = 100/200*66.7
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.bar) + " T=" + std::to_string(c.total) + " V=" + std::to_string(c.visible));
    PanelsManager m;
    ASSERT_EQ(m.Load("",
                     "<view size='100,100'><hscrollbar name='h' size='100,8' backcolor='#000010' "
                     "handlecolor='#00ff00'/><vscrollbar name='v' pos='0,0' size='8,100' backcolor='#000010' "
                     "handlecolor='#00ff00'/></view>",
                     100, 100),
              0);
    auto* bar = m.Get<HScrollBar>(c.bar);
    m.View(c.bar == std::string("h") ? "v" : "h")->SetVisible(false);
    bar->SetSizes(c.total, c.visible);
    bar->ScrollTo(c.position);
    auto dc = m.Render();
    for (int i = 0; i < 100; ++i) {
      const bool in = c.start >= 0 && i >= c.start && i < c.start + c.length;
      const ZPoint at = c.bar == std::string("h") ? ZPoint(i, 4) : ZPoint(4, i);
      ASSERT_EQ(dc->GetPixel(at), in ? kHandle : kBack) << "pixel " << i;
    }
  }
}

// Sizes that float parameters hold exactly: T = 1024, V = 128 (R = 896); on a 128-pixel bar the
// handle is 16 pixels long and travels 112, so one pixel is 8 units.
const char* kBarParams =
    "<float name='total' range='-1024,1024' value='1024'/><float name='visible' range='-1024,1024' value='128'/>"
    "<float name='pos' value='0.5'/>";
const char* kBarViews =
    "<scrolllog size='200,100'><hscrollbar name='h' size='128,8' wheelunits='32' parameter='total,visible,pos'/>"
    "</scrolllog>";

TEST(PanelsScrollBar, ClicksDragsAndTheWheelMoveThePositionInsideEditBrackets) {
  PanelsManager m;
  ASSERT_EQ(m.Load(kBarParams, kBarViews, 200, 100), 0);
  auto* bar = m.Get<HScrollBar>("h");
  EXPECT_EQ(bar->ScrollPosition(), 448);  // read at open: 0.5 * R
  auto click = [&](int x, uint32_t buttons = kLeftButton) {
    const bool taken = m.Click(buttons, {x, 4});
    m.ClickRelease(buttons, {x, 4});
    return taken;
  };
  auto drag = [&](int from, std::vector<int> to) {
    m.Click(kLeftButton, {from, 4});
    for (int x : to)
      m.Drag(kLeftButton, {x, 4});
    m.ClickRelease(kLeftButton, {from, 4});
  };
  struct Step {
    const char* what;
    std::function<void()> act;
    double position;
    int edits;  // edit brackets opened
  };
  const Step steps[] = {
      {"click left of the handle pages back", [&] { click(10); }, 320, 2},  // the press also starts a drag
      {"click right of it pages forward", [&] { click(100); }, 448, 2},
      {"click on the handle does nothing", [&] { click(60); }, 448, 1},
      {"dragging the handle 14 pixels", [&] { drag(60, {74}); }, 560, 1},
      {"past the end and back: the handle waits for the mouse",
       [&] {
         drag(80, {300, 200, 80});
       },
       560, 1},
      {"wheel one notch",
       [&] {
         m.Wheel(0, {10, 4}, 1.0f);
       },
       528, 1},
      {"wheel three notches back",
       [&] {
         m.Wheel(kKeyShift, {10, 4}, -3.0f);
       },
       624, 1},
      {"a wheel turn that is not a number",
       [&] {
         EXPECT_FALSE(m.Wheel(0, {10, 4}, std::nanf("")));
       },
       624, 0},
      {"right button is not taken", [&] { EXPECT_FALSE(click(10, kRightButton)); }, 624, 0},
      {"position 50, click left: 0",
       [&] {
         bar->ScrollTo(50);
         click(2);
       },
       0, 2},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    const int begun = m.EditsBegun();
    s.act();
    EXPECT_EQ(bar->ScrollPosition(), s.position);
    EXPECT_EQ(m.EditsBegun() - begun, s.edits);
    EXPECT_EQ(m.OpenEdits(), 0);
    EXPECT_EQ(m.log.back(), "h " + std::to_string(int(s.position)));               // the parent is told
    EXPECT_NEAR(m.FindParameter("pos")->GetNormalized(), s.position / 896, 1e-6);  // written as read
  }
}

TEST(PanelsScrollBar, SizesFromParametersAreCorrectedAndLimitThePosition) {
  PanelsManager m;
  ASSERT_EQ(m.Load(kBarParams, kBarViews, 200, 100), 0);
  auto* bar = m.Get<HScrollBar>("h");
  m.Change("pos", 0.25);
  EXPECT_EQ(bar->ScrollPosition(), 224);
  m.Change("total", 512);  // R = 384: the position still fits
  EXPECT_EQ(bar->ScrollPosition(), 224);
  m.Change("total", 256);  // R = 128: limited, and written back as a normalised value
  EXPECT_EQ(bar->ScrollPosition(), 128);
  EXPECT_EQ(m.FindParameter("pos")->GetNormalized(), 1.0);
  m.Change("visible", -512);  // a negative size is 0, written back
  EXPECT_EQ(bar->VisibleSize(), 0);
  EXPECT_EQ(m.Value("visible"), 0);
  m.Change("total", 0);  // no range: position 0, the bar draws only its background
  EXPECT_EQ(bar->ScrollPosition(), 0);
  int32_t start, length;
  EXPECT_FALSE(bar->HandleSpan(start, length));
  EXPECT_EQ(m.log.back(), "h 0");
}

// ---- scroll views

TEST(PanelsScrollView, BarsAppearWithTheContentAndScrollIt) {
  PanelsManager m;
  ASSERT_EQ(m.Load("",
                   "<view size='100,100'><scrollview name='sv' size='60,40' scrollsize='8' backcolor='#303030'>"
                   "<colorbox name='top' size='50,30' color='#ff0000'/>"
                   "<colorbox name='bottom' pos='0,30' size='50,30' color='#0000ff'/>"
                   "</scrollview></view>",
                   100, 100),
            0);
  auto* sv = m.Get<ScrollView>("sv");
  ZView* bottom = m.View("bottom");
  bottom->SetVisible(false);  // hidden panes make no room
  struct Case {
    const char* what;
    ZPoint bottomSize;
    bool bottomShown;
    ZRect client;
    bool h, v;
  };
  const Case cases[] = {
      {"content fits", {50, 30}, false, {0, 0, 60, 40}, false, false},
      {"too tall: vertical bar", {50, 30}, true, {0, 0, 52, 40}, false, true},
      {"too wide as well: both", {100, 30}, true, {0, 0, 52, 32}, true, true},
      {"only too wide once the vertical bar takes room", {55, 15}, true, {0, 0, 52, 32}, true, true},
      {"fits again", {10, 5}, true, {0, 0, 60, 40}, false, false},
  };
  uint64_t now = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bottom->SetSize(c.bottomSize.x, c.bottomSize.y);
    bottom->SetVisible(c.bottomShown);
    m.Idle(now += 20);
    EXPECT_EQ(sv->Client().GetRect(), c.client);
    EXPECT_EQ(sv->HorizontalBar().IsVisible() && sv->HorizontalBar().IsOpen(), c.h);
    EXPECT_EQ(sv->VerticalBar().IsVisible() && sv->VerticalBar().IsOpen(), c.v);
    if (c.h) {
      EXPECT_EQ(sv->HorizontalBar().GetRect(), ZRect(0, 32, 52, 40));
    }
    if (c.v) {
      EXPECT_EQ(sv->VerticalBar().GetRect(), ZRect(52, 0, 60, c.h ? 32 : 40));
    }
  }
  EXPECT_EQ(sv->HorizontalBar().GetToolTip(), kHorizontalScrollTip);
  EXPECT_EQ(sv->VerticalBar().GetToolTip(), kVerticalScrollTip);

  bottom->SetSize(50, 30);  // content 60 high in a client 40 high: R = 20
  m.Idle(now += 20);
  EXPECT_EQ(m.Render()->GetPixel({10, 25}), Px(255, 0, 0));
  EXPECT_TRUE(m.Wheel(0, {10, 10}, -1.0f));  // one notch down: 20 pixels, the whole range
  EXPECT_EQ(sv->Client().GetScrollOffset(), ZPoint(0, 20));
  EXPECT_EQ(m.Render()->GetPixel({10, 25}), Px(0, 0, 255));
  EXPECT_EQ(m.Render()->GetPixel({55, 30}), Px(160, 160, 160));  // the handle at the bar's end
  bottom->SetSize(50, 5);                                        // the content shrinks: back to the top, the bar goes
  m.Idle(now += 20);
  EXPECT_EQ(sv->Client().GetScrollOffset(), ZPoint(0, 0));
  EXPECT_FALSE(m.Wheel(0, {10, 10}, -1.0f));  // no bar shows: the wheel is not taken
}

TEST(PanelsScrollView, BarsWithoutAutohideShowAlwaysAndTakeTheBordersColour) {
  PanelsManager m;
  ASSERT_EQ(m.Load("",
                   "<scrollview name='sv' size='60,40' scrollsize='8' autohide='no' hashscroll='no' "
                   "border='#00ffff'><colorbox size='5,5'/></scrollview>",
                   60, 40),
            0);
  auto* sv = m.Get<ScrollView>("sv");
  EXPECT_FALSE(sv->HorizontalBar().IsVisible());
  EXPECT_TRUE(sv->VerticalBar().IsVisible() && sv->VerticalBar().IsOpen());
  EXPECT_EQ(sv->Client().GetRect(), ZRect(1, 1, 51, 39));
  EXPECT_EQ(sv->VerticalBar().GetRect(), ZRect(51, 1, 59, 39));
  auto dc = m.Render();
  EXPECT_EQ(dc->GetPixel({0, 20}), Px(0, 255, 255));
  EXPECT_EQ(dc->GetPixel({51, 20}), Px(0, 255, 255));  // the bar's frame
  EXPECT_EQ(dc->GetPixel({55, 20}), Px(64, 64, 64));   // no handle: nothing to scroll
}

// ---- markup

TEST(PanelsMarkup, BadValuesAreRefusedAndFlagsStartFromTheTypesOwn) {
  const struct {
    const char* views;
    int32_t code;
  } cases[] = {
      {"<hscrollbar totalsize='inf'/>", kZErrIllegalPropertyValue},
      {"<hscrollbar visiblesize='-5'/>", kZErrIllegalPropertyValue},
      {"<hscrollbar wheelunits='nan'/>", kZErrIllegalPropertyValue},
      {"<hscrollbar handlecolor='green'/>", kZErrIllegalPropertyValue},
      {"<vscrollbar wheelunits='5'/>", kZErrUnknownProperty},
      {"<hscrollbar parameter='a,a,a,a'/>", kZErrTooManyArguments},
      {"<scrollview scrollsize='-1'/>", kZErrIllegalPropertyValue},
      {"<scrollview scrollsize='2.5'/>", kZErrIllegalPropertyValue},
      {"<scrollview wheelunits='-inf'/>", kZErrIllegalPropertyValue},
      {"<scrollview border='maybe'/>", kZErrIllegalPropertyValue},
      {"<scrollview autohide='sometimes'/>", kZErrIllegalPropertyValue},
      {"<staticselect effect='sparkle'><view/></staticselect>", kZErrIllegalPropertyValue},
      {"<staticselect icon='a'><view/></staticselect>", kZErrIllegalObjectType},
      {"<popupcontainer bitmap='a'/>", kZErrIllegalObjectType},
      {"<pagecontainer/>", kZErrRequiredChildMissing},
  };
  for (const auto& c : cases) {
    PanelsManager m;
    EXPECT_EQ(m.Load("<float name='a'/>", c.views, 10, 10), c.code) << c.views;
  }
  // Each scroll view nests its content one level deeper (in its client): the depth limit holds.
  std::string deep;
  for (int i = 0; i < 130; ++i)
    deep += "<scrollview>";
  for (int i = 0; i < 130; ++i)
    deep += "</scrollview>";
  PanelsManager nested;
  EXPECT_EQ(nested.Load("", deep, 10, 10), kZErrIncompatibleChild);
  const struct {
    const char* tag;
    const char* children;
    uint32_t flags;
  } types[] = {
      {"hscrollbar", "", kScrollBarFlags},          {"vscrollbar", "", kScrollBarFlags},
      {"scrollview", "", kScrollViewFlags},         {"pagecontainer", "<view/>", kDefaultFlags},
      {"popupcontainer", "", kPopupContainerFlags}, {"staticselect", "<view/>", kStaticSelectFlags},
  };
  for (const auto& t : types) {
    PanelsManager m;
    const std::string tag(t.tag);
    ASSERT_EQ(
        m.Load("", "<view><" + tag + " name='x' flags='wantfocus'>" + t.children + "</" + tag + "></view>", 10, 10), 0)
        << tag;
    EXPECT_EQ(m.View("x")->GetFlags(), t.flags | kWantFocus) << tag;
  }
}

}  // namespace
}  // namespace ZTools
