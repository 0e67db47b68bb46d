// The pane manager with skins built from markup: surfaces and the system parameters, invalid
// areas, the hit search (z-order, click-through, clipping, hidden panes, the modal pane), the
// click, wheel, drag, hover and key walks, tool tips, posted events, the names markup finds the
// manager by, deep nesting refused cleanly, and teardown that leaves no pointer dangling.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/ztools/pane_test_support.h"
#include "ztools/zdrawcontext.h"

namespace ZTools {
namespace {

using PaneTest::TestManager;
using Log = std::vector<std::string>;

TEST(ZPaneManagerSurfaces, SwitchesOnlyToSurfacesThatExist) {
  TestManager m;
  ASSERT_EQ(m.Build({"<view name='one' size='10,10'><view name='inner' size='5,5'/></view>",
                     "<view name='two' size='10,10'/>"},
                    50, 40),
            0);
  ASSERT_EQ(m.SurfaceCount(), 2u);
  EXPECT_EQ(m.CurrentRoot(), m.View("one"));
  EXPECT_EQ(m.CurrentRoot()->GetRect(), ZRect(0, 0, 50, 40));  // laid out at the root area
  EXPECT_EQ(m.GetView("one.inner"), m.View("inner"));
  while (m.TakeNextEvent()) {
  }
  m.SystemParameterChanged("system_currentsurface", 1, 1);
  EXPECT_EQ(m.CurrentSurface(), 1);
  auto resize = m.TakeNextEvent();
  ASSERT_TRUE(resize) << "a surface of another size asks the window for its size";
  EXPECT_EQ(resize->Id(), kSysWindowResize);
  EXPECT_EQ(resize->Point(), (ZPoint{10, 10}));
  EXPECT_TRUE(m.View("two")->IsOpen());
  EXPECT_FALSE(m.View("one")->IsOpen());
  for (double bad : {2.0, -1.0, std::nan(""), 1e300}) {
    m.SystemParameterChanged("system_currentsurface", bad, 0);
    EXPECT_EQ(m.CurrentSurface(), 1) << bad;
  }
  IEventListener* listener = nullptr;
  for (const char* name : {"panemanager", "defaultparameterlistener", "defaultvstparameterlistener"}) {
    ASSERT_EQ(m.Host().GetObject("interface_ieventlistener", name, &listener), 0) << name;
    EXPECT_EQ(listener, &m);
  }
}

TEST(ZPaneManagerInvalid, MergesOverlapsKeepsTouchingApartAndStaysSmall) {
  TestManager m;
  ASSERT_EQ(m.Build({"<view size='200,100'/>"}, 200, 100), 0);
  using Rects = std::vector<ZRect>;
  auto invalidate = [&m](const Rects& rects) {
    m.DrawInvalid(*std::make_unique<ZDrawContext>());  // empties the list
    for (const ZRect& r : rects)
      m.Invalidate(r);
    return m.InvalidAreas();
  };
  EXPECT_EQ(invalidate({{10, 10, 50, 50}, {40, 40, 80, 80}}), Rects({{10, 10, 80, 80}}));
  EXPECT_EQ(invalidate({{0, 0, 10, 10}, {10, 0, 20, 10}}), Rects({{0, 0, 10, 10}, {10, 0, 20, 10}}));
  EXPECT_EQ(invalidate({{0, 0, 10, 10}, {20, 0, 30, 10}, {5, 0, 25, 10}}), Rects({{0, 0, 30, 10}}));
  EXPECT_EQ(invalidate({{0, 0, 10, 10}, {}}), Rects({{0, 0, 200, 100}}));
  EXPECT_EQ(invalidate({{300, 300, 310, 310}}), Rects());
  EXPECT_EQ(invalidate({{-5, -5, 3, 3}}), Rects({{0, 0, 3, 3}}));
  Rects many;
  for (int i = 0; i < 40; ++i)
    many.push_back({i * 5, 0, i * 5 + 2, 2});
  const Rects merged = invalidate(many);
  EXPECT_LE(merged.size(), kMaxInvalidAreas);
  ZRect all;
  for (const ZRect& r : merged)
    all = all.Union(r);
  EXPECT_EQ(all, ZRect(0, 0, 197, 2));
}

const char* kHitSkin =
    "<view name='root' size='200,100'>"
    "  <probe name='a' pos='0,0' size='100,100' flags='wantclick' answer='yes'/>"
    "  <probe name='b' pos='50,0' size='100,100' flags='wantclick,wantwheel' answer='yes'>"
    "    <probe name='deaf' pos='10,10' size='20,20'/>"
    "  </probe>"
    "  <view name='thru' pos='150,0' size='50,50' flags='wantclickthru'/>"
    "  <view name='loose' pos='150,60' size='10,10' flags='canclipchildren=no'>"
    "    <view name='outside' pos='30,0' size='10,10'/>"
    "  </view>"
    "</view>";

TEST(ZPaneManagerHit, TopPaneWinsAndClickThroughClippingAndHiddenPanesAgreeWithDrawing) {
  TestManager m;
  ASSERT_EQ(m.Build({kHitSkin}, 200, 100), 0);
  struct Case {
    ZPoint at;
    const char* pane;
  };
  const Case cases[] = {
      {{60, 5}, "b"},         {{10, 5}, "a"},      {{70, 15}, "deaf"},   {{160, 10}, "root"},
      {{185, 65}, "outside"}, {{199, 99}, "root"}, {{200, 50}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.at.x) + "," + std::to_string(c.at.y));
    EXPECT_EQ(m.FindPaneAt(c.at), c.pane ? m.View(c.pane) : nullptr);
  }
  m.View("b")->SetVisible(false);
  EXPECT_EQ(m.FindPaneAt({60, 5}), m.View("a"));
  m.View("b")->SetVisible(true);
  m.View("loose")->SetFlags(kDefaultFlags);  // now clips its child away
  EXPECT_EQ(m.FindPaneAt({185, 65}), m.View("root"));
  m.SetModalPane(m.View("a"));
  EXPECT_EQ(m.FindPaneAt({60, 5}), m.View("a"));
  EXPECT_EQ(m.FindPaneAt({160, 5}), nullptr);
  m.SetModalPane(nullptr);
  // A pane moved to the top of its siblings takes the mouse.
  m.View("a")->PostMoveToTop();
  EXPECT_EQ(m.FindPaneAt({60, 5}), m.View("a"));
}

TEST(ZPaneManagerInput, ClickAndWheelWalkUpToAPaneThatTakesThem) {
  TestManager m;
  ASSERT_EQ(m.Build({kHitSkin}, 200, 100), 0);
  EXPECT_TRUE(m.Click(kLeftButton, {70, 15}));  // deaf does not want clicks: b takes it
  EXPECT_TRUE(m.Wheel(0, {75, 20}, 1.0f));
  EXPECT_FALSE(m.Wheel(0, {10, 10}, 1.0f));  // a does not want the wheel, nor does root
  EXPECT_EQ(m.log, Log({"b:Click 1 20,15", "b:Wheel 25,20"}));
}

TEST(ZPaneManagerInput, DragCapturesHoverEntersAndLeavesKeysGoToFocus) {
  TestManager m;
  ASSERT_EQ(m.Build({"<view size='100,100'>"
                     "<probe name='knob' pos='10,10' size='20,20' flags='wantdrag,wanthover,wantfocus' answer='yes'/>"
                     "<probe name='pad' pos='50,10' size='20,20' flags='wanthover'/></view>"},
                    100, 100),
            0);
  m.MouseHover({15, 15});
  m.MouseHover({55, 15});
  m.Click(kLeftButton, {15, 15});
  EXPECT_EQ(m.CapturePane(), m.View("knob"));
  EXPECT_EQ(m.FocusPane(), m.View("knob"));
  m.Drag(kLeftButton, {90, 95});  // far outside: the captured pane still gets it
  m.ClickRelease(kLeftButton, {90, 95});
  EXPECT_EQ(m.CapturePane(), nullptr);
  EXPECT_TRUE(m.Key(kKeyEsc));
  // Typed characters reach the focus pane as UTF-8; malformed text is dropped on the way.
  EXPECT_TRUE(m.Text("\xc3\xa9t\xc3\xa9"));
  for (const char* bad : {"", "\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80",
                          "a\xff"
                          "b"})
    EXPECT_FALSE(m.Text(bad)) << bad;
  EXPECT_EQ(m.log, Log({"knob:Enter", "knob:Leave", "pad:Enter", "knob:StartDrag 1 5,5", "knob:Drag 1 80,85",
                        "knob:StopDrag", "knob:Key 27", "knob:Text \xc3\xa9t\xc3\xa9"}));
}

TEST(ZPaneManagerOverlay, ToolTipShowsAfterTheMouseRestsAndHidesWhenItMoves) {
  TestManager m;
  ASSERT_EQ(
      m.Build({"<view size='200,100'><view name='tipped' pos='10,10' size='40,20' tip='Volume'/></view>"}, 200, 100),
      0);
  m.Idle(1000);
  m.MouseHover({20, 15});
  m.Idle(1400);
  EXPECT_FALSE(m.ToolTipShown());
  m.Idle(1500);
  ASSERT_TRUE(m.ToolTipShown());
  ZDrawContext context;
  ASSERT_EQ(context.Resize(200, 100), 0);
  m.DrawInvalid(context);
  m.MouseHover({21, 15});
  EXPECT_FALSE(m.ToolTipShown());
  EXPECT_FALSE(m.InvalidAreas().empty());  // the tip's area is drawn again
  m.SystemParameterChanged("system_enabletooltips", 0, 0.2);
  m.Idle(5000);
  EXPECT_FALSE(m.ToolTipShown());

  // Track info: shown above the pane that posts it, inside the root area, and hidden again.
  m.DrawInvalid(context);
  m.View("tipped")->PostShowTrackInfo("-3.5 dB");
  EXPECT_EQ(m.TrackInfo().View(), "-3.5 dB");
  ASSERT_EQ(m.InvalidAreas().size(), 1u);
  const ZRect box = m.InvalidAreas()[0];
  EXPECT_TRUE(box.Intersection(m.RootArea()) == box && !box.IsEmpty());
  m.View("tipped")->PostHideTrackInfo();
  EXPECT_TRUE(m.TrackInfo().IsEmpty());
}

TEST(ZPaneManagerEvents, WindowEventsQueueAndQuestionsAreAnswered) {
  TestManager m;
  ASSERT_EQ(m.Build({"<view size='100,80'><view name='p' pos='10,20' size='5,5'/></view>"}, 100, 80), 0);
  ZView* p = m.View("p");
  p->PostWindowClose();
  p->PostButtonEnabled(true);  // to the parent, which ignores it
  auto first = m.TakeNextEvent();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Id(), kSysWindowClose);
  EXPECT_FALSE(m.TakeNextEvent());
  auto ask = MakeEvent<ZPaneEvent>(kSystemGetAbsolutePoint, p);
  ask->SetPoint({1, 2});
  p->Post(*ask);
  EXPECT_EQ(ask->Point(), ZPoint(11, 22));
  auto size = MakeEvent<ZPaneEvent>(kSystemGetRootSize, p);
  p->Post(*size);
  EXPECT_EQ(size->Point(), ZPoint(100, 80));
  m.DrawInvalid(*std::make_unique<ZDrawContext>());
  p->PostRedraw();
  EXPECT_EQ(m.InvalidAreas(), std::vector<ZRect>({{10, 20, 15, 25}}));
}

TEST(ZPaneManagerTeardown, NoPointerOutlivesItsPane) {
  TestManager m;
  ASSERT_EQ(m.Build({"<view size='100,100'><probe name='p' size='50,50' flags='wanthover,wantfocus,wantdrag' "
                     "answer='yes' tip='t'/></view>"},
                    100, 100),
            0);
  m.MouseHover({5, 5});
  m.Click(kLeftButton, {5, 5});
  m.ClickRelease(kLeftButton, {5, 5});
  m.Idle(10000);
  EXPECT_FALSE(m.ToolTipShown()) << "the pointer rests from the first tick on, not from time zero";
  m.Idle(10600);
  m.View("p")->PostStartMouseCapture();
  m.SetModalPane(m.View("p"));
  ASSERT_TRUE(m.HoverPane() && m.CapturePane() && m.FocusPane() && m.ModalPane() && m.ToolTipShown());
  m.Teardown();
  EXPECT_FALSE(m.HoverPane() || m.CapturePane() || m.FocusPane() || m.ModalPane() || m.ToolTipShown());
  EXPECT_EQ(m.CurrentRoot(), nullptr);
  m.MouseHover({5, 5});  // nothing left to reach
  m.Idle(20000);
}

TEST(ZPaneManagerLimits, DeepNestingIsRefusedWithTheBadChildError) {
  TestManager m;
  ASSERT_EQ(m.Initialize(), 0);
  std::string text = "<zml><surfaces><surface><views>";
  for (int i = 0; i < 10000; ++i)
    text += "<view>";
  for (int i = 0; i < 10000; ++i)
    text += "</view>";
  text += "</views></surface></surfaces></zml>";
  EXPECT_EQ(m.LoadSkinText(text), kZErrIncompatibleChild);
  m.Teardown();
}

}  // namespace
}  // namespace ZTools
