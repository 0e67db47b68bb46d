// The panels controls through the pane manager: scroll bars (handle geometry drawn from the
// rules, clicks, handle drags, the wheel, parameters in and out in the same units), page
// containers, pop-up containers (the parameter, the mouse capture, clicks outside and on
// transparent pixels, reopening with the parent), static selects (the choice shown, expanding,
// choosing, collapsing) and scroll views (bars that appear with the content, the wheel, scrolled
// drawing), and the numbers and words their properties refuse.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "tests/ztools/pane_test_support.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zcolorbox.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zpagecontainer.h"
#include "ztools/zpopupcontainer.h"
#include "ztools/zscrollbar.h"
#include "ztools/zscrollview.h"
#include "ztools/zstaticselect.h"

namespace ZTools {
namespace {

using Log = std::vector<std::string>;

// A coloured pane that declares `valuetoset`, as menu items, buttons and check boxes do.
class ChoicePane : public ColorBox {
 public:
  const char* Declaration() const override {
    return "interface_zpane::choice flags? align? size? pos? color? valuetoset? ()";
  }
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override {
    if (name == "valuetoset") return 0;  // the select reads it from the markup
    return ColorBox::SetProperty(name, value, host);
  }
};

// A view that logs the scroll positions its children report.
class ScrollLogView : public ZView {
 public:
  explicit ScrollLogView(Log* log) : log_(log) {}
  const char* Declaration() const override { return "interface_zpane::scrolllog flags? align? size? pos? ( interface_zpane* )"; }

 protected:
  int32_t OnPaneEvent(ZPaneEvent& e) override {
    if (e.Id() == kParentHorizontalScroll || e.Id() == kParentVerticalScroll)
      log_->push_back((e.Id() == kParentHorizontalScroll ? "h " : "v ") + std::to_string(e.Value()));
    return ZView::OnPaneEvent(e);
  }

 private:
  Log* log_;
};

class PanelsManager : public PaneTest::TestManager {
 public:
  // A skin of `extra` top-level markup, `params` and one surface of `views`.
  int32_t Load(const std::string& params, const std::string& views, int32_t w, int32_t h, const std::string& extra = "") {
    if (int32_t rc = Initialize()) return rc;
    if (int32_t rc = LoadSkinText("<zml>" + extra + "<parameters>" + params + "</parameters><surfaces><surface><views>" +
                                  views + "</views></surface></surfaces></zml>"))
      return rc;
    ResizeRootArea(w, h);
    for (ZView* root = CurrentRoot(); ZView* v : AllPanes(root)) {
      if (auto* probe = dynamic_cast<PaneTest::ProbeView*>(v)) probe->SetLogName(std::string(Host().NodeOf(v)->Name().View()));
    }
    return Open();
  }
  static std::vector<ZView*> AllPanes(ZView* root) {
    std::vector<ZView*> out;
    if (root) out.push_back(root);
    for (size_t i = 0; i < out.size(); ++i)
      for (ZView* child : out[i]->Children()) out.push_back(child);
    return out;
  }
  template <typename T>
  T* Get(const char* name) { return dynamic_cast<T*>(View(name)); }
  // A change made by someone other than the controls (a script).
  void Change(const char* name, double value) {
    ZParameter* p = FindParameter(name);
    p->SetFloatValue(value);
    p->SetDirty();
    p->Announce();
  }
  double Value(const char* name) { return FindParameter(name)->GetFloatValue(); }
  std::unique_ptr<ZDrawContext> Render() {
    auto dc = std::make_unique<ZDrawContext>();
    dc->Resize(RootSize().x, RootSize().y);
    Draw(*dc, RootArea());
    return dc;
  }

 protected:
  int32_t RegisterTypes() override {
    if (int32_t rc = TestManager::RegisterTypes()) return rc;
    if (int32_t rc = Host().RegisterType([]() -> IEventListener* { return new ChoicePane(); })) return rc;
    return Host().RegisterType([this]() -> IEventListener* { return new ScrollLogView(&log); });
  }
};

constexpr uint32_t Px(uint8_t r, uint8_t g, uint8_t b) { return ZColor(r, g, b).ToPixel(); }
const uint32_t kBack = Px(0, 0, 16), kHandle = Px(0, 255, 0);

// ---- scroll bars

TEST(PanelsScrollBar, HandleIsDrawnWhereTheRulesPutIt) {
  struct Case {
    const char* bar;
    double total, visible, position;
    int start, length;  // -1: no handle
  };
  const Case cases[] = {
      {"h", 1000, 100, 450, 45, 10},    // h = 100/1000*100, offset = 450/900*90
      {"h", 1000, 10, 450, 44, 3},      // h = 1 grows to 3: offset = floor(450/990*97 + 0.5)
      {"h", 1000, 100, 5000, 90, 10},   // limited to the range
      {"h", 1000, 1000, 0, -1, 0},      // everything visible
      {"h", 1000, 2000, 0, -1, 0},      // more than everything
      {"h", 0, 0, 0, -1, 0},            // nothing at all: no division by zero
      {"v", 300, 100, 100, 33, 33},     // along the height: h = 33.3, offset = 100/200*66.7
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.bar) + " T=" + std::to_string(c.total) + " V=" + std::to_string(c.visible));
    PanelsManager m;
    ASSERT_EQ(m.Load("", "<view size='100,100'><hscrollbar name='h' size='100,8' backcolor='#000010' "
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
    for (int x : to) m.Drag(kLeftButton, {x, 4});
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
      {"past the end and back: the handle waits for the mouse", [&] { drag(80, {300, 200, 80}); }, 560, 1},
      {"wheel one notch", [&] { m.Wheel(0, {10, 4}, 1.0f); }, 528, 1},
      {"wheel three notches back", [&] { m.Wheel(kKeyShift, {10, 4}, -3.0f); }, 624, 1},
      {"a wheel turn that is not a number", [&] { EXPECT_FALSE(m.Wheel(0, {10, 4}, std::nanf(""))); }, 624, 0},
      {"right button is not taken", [&] { EXPECT_FALSE(click(10, kRightButton)); }, 624, 0},
      {"position 50, click left: 0", [&] { bar->ScrollTo(50); click(2); }, 0, 2},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    const int begun = m.EditsBegun();
    s.act();
    EXPECT_EQ(bar->ScrollPosition(), s.position);
    EXPECT_EQ(m.EditsBegun() - begun, s.edits);
    EXPECT_EQ(m.OpenEdits(), 0);
    EXPECT_EQ(m.log.back(), "h " + std::to_string(int(s.position)));  // the parent is told
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

// ---- page containers

TEST(PanelsPageContainer, ShowsExactlyThePageTheParameterChooses) {
  PanelsManager m;
  ASSERT_EQ(m.Load("<float name='page' value='1'/>",
                   "<view size='30,10'><pagecontainer name='pc' size='30,10' parameter='page'>"
                   "<colorbox name='p0' size='30,10' color='#ff0000'/><colorbox name='p1' size='30,10' color='#00ff00'/>"
                   "<colorbox name='p2' size='30,10' color='#0000ff'/></pagecontainer></view>",
                   30, 10),
            0);
  const char* names[] = {"p0", "p1", "p2"};
  const uint32_t colors[] = {Px(255, 0, 0), Px(0, 255, 0), Px(0, 0, 255)};
  auto expectPage = [&](int page) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(m.View(names[i])->IsVisible(), i == page) << names[i];
      EXPECT_EQ(m.View(names[i])->IsOpen(), i == page) << names[i];
      EXPECT_FALSE(m.View(names[i])->HasFlag(kWantAutoOpen) || m.View(names[i])->HasFlag(kCanZMove));
    }
    EXPECT_EQ(m.Render()->GetPixel({5, 5}), colors[page]);
  };
  expectPage(2);  // shown from the moment it opens
  const struct {
    double value;
    int page;
  } cases[] = {{0, 0}, {0.24, 0}, {0.25, 1}, {0.5, 1}, {0.74, 1}, {0.75, 2}, {1, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    m.Change("page", c.value);
    expectPage(c.page);
  }
  PanelsManager bare;
  ASSERT_EQ(bare.Load("", "<pagecontainer size='5,5'><view name='a'/><view name='b'/></pagecontainer>", 5, 5), 0);
  EXPECT_TRUE(bare.View("a")->IsOpen() && bare.View("a")->IsVisible() && !bare.View("b")->IsVisible());
}

// ---- pop-up containers

const char* kPopupViews =
    "<view size='100,100'><probe name='under' size='100,100' flags='wantclick' answer='yes'/>"
    "<popupcontainer name='pop' pos='10,10' size='40,20' parameter='show' bitmap='panel'>"
    "<probe name='item' size='10,10' flags='wantclick' answer='yes'/></popupcontainer></view>";
const char* kPopupBitmap =
    "<bitmaps><bitmap name='panel' size='40,20' fill='#0000ff' mode='extended' hitthreshold='1'/></bitmaps>";

std::vector<uint32_t> TakeWindowEvents(PaneTest::TestManager& m) {
  std::vector<uint32_t> ids;
  while (auto e = m.TakeNextEvent()) ids.push_back(e->Id());
  return ids;
}

TEST(PanelsPopup, OpensWithItsParameterAndAClickOutsideItClosesIt) {
  PanelsManager m;
  ASSERT_EQ(m.Load("<float name='show'/>", kPopupViews, 100, 100, kPopupBitmap), 0);
  // The right half of the panel is transparent: it shows what lies beneath and is not hit.
  IEventListener* object = nullptr;
  ASSERT_EQ(m.Host().GetObject("interface_zmlbitmap", "panel", &object), 0);
  auto* panel = dynamic_cast<ZMLBitmap*>(object);
  ASSERT_EQ(panel->Convert(kBitmapModeAlpha), 0);
  for (int y = 0; y < 20; ++y)
    for (int x = 20; x < 40; ++x) panel->GetAlphaPlane()[y * 40 + x] = 0;
  auto* pop = m.Get<PopupContainer>("pop");
  // The fill's alpha of 255 blends as 255/256: d + ((s - d) * 255 >> 8).
  const uint32_t blue = Px(0, 0, 254), black = Px(0, 0, 0);
  EXPECT_FALSE(pop->IsOpen() || pop->IsVisible());
  EXPECT_EQ(m.Render()->GetPixel({15, 15}), black);

  const std::vector<uint32_t> closedByClick = {kSysWindowInvalidateClick, kSysWindowCheckMousePosition};
  struct Step {
    const char* what;
    double show;     // set by someone else first (-1: left alone)
    ZPoint click;
    bool open;       // afterwards
    Log log;         // what the probes received
    std::vector<uint32_t> window;
  };
  const Step steps[] = {
      {"closed: the click reaches the pane beneath", -1, {15, 15}, false, {"under:Click 1 15,15"}, {}},
      {"opened: a child takes its click", 1, {12, 12}, true, {"item:Click 1 2,2"}, {}},
      {"a click on the panel stays there", -1, {25, 15}, true, {}, {}},
      {"a click on its transparent part closes it", -1, {35, 15}, false, {}, closedByClick},
      {"so does a click outside", 1, {80, 80}, false, {}, closedByClick},
      {"closed by its parameter", 0, {15, 15}, false, {"under:Click 1 15,15"}, {}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.show >= 0) m.Change("show", s.show);
    if (pop->IsOpen()) {
      auto dc = m.Render();
      EXPECT_EQ(dc->GetPixel({15, 15}), blue);
      EXPECT_EQ(dc->GetPixel({35, 15}), black);
      EXPECT_EQ(m.HeldPane(), pop);
    }
    TakeWindowEvents(m);
    m.log.clear();
    const int begun = m.EditsBegun();
    m.Click(kLeftButton, s.click);
    m.ClickRelease(kLeftButton, s.click);
    EXPECT_EQ(pop->IsOpen(), s.open);
    EXPECT_EQ(pop->IsVisible(), s.open);
    EXPECT_EQ(m.HeldPane(), s.open ? pop : nullptr);
    EXPECT_EQ(m.log, s.log);
    EXPECT_EQ(TakeWindowEvents(m), s.window);
    if (!s.window.empty()) {  // closed by the click: the parameter follows, in an edit bracket
      EXPECT_EQ(m.Value("show"), 0);
      EXPECT_EQ(m.EditsBegun() - begun, 1);
      EXPECT_EQ(m.OpenEdits(), 0);
    }
  }
}

TEST(PanelsPopup, IsOpenWheneverItsParameterSaysSoAndItsParentIsOpen) {
  PanelsManager m;
  ASSERT_EQ(m.Load("<float name='show' value='1'/>", kPopupViews, 100, 100, kPopupBitmap), 0);
  auto* pop = m.Get<PopupContainer>("pop");
  EXPECT_TRUE(pop->IsOpen() && pop->IsVisible() && m.View("item")->IsOpen());
  m.Close();
  EXPECT_FALSE(pop->IsOpen() || pop->IsVisible() || m.HeldPane());
  EXPECT_EQ(m.Value("show"), 1);  // closing the window does not change the setting
  m.Open();
  EXPECT_TRUE(pop->IsOpen() && m.HeldPane() == pop);
  EXPECT_EQ(pop->GetFlags(), kPopupContainerFlags);
}

// ---- static selects

// Choices 8, 10 and 6 pixels high; values 0 (its place), 7 (its markup) and 2 (its place).
const char* kSelectViews =
    "<view size='100,100'><staticselect name='select' pos='10,10' size='50,12' parameter='pick' framecolor='#ff00ff' "
    "collapsedcolor='#202020' expandedcolor='#404040' icon='arrow' tip='Station'>"
    "<choice name='c0' size='10,8' color='#ff0000'/><choice name='c1' size='10,10' color='#00ff00' valuetoset='7'/>"
    "<colorbox name='c2' size='10,6' color='#0000ff'/></staticselect></view>";
const char* kSelectArt =
    "<bitmaps><bitmap name='arrowbmp' size='6,4' fill='#ffffff' mode='extended'/></bitmaps>"
    "<icons><icon name='arrow' bitmap='arrowbmp' size='6,4'/></icons>";

TEST(PanelsStaticSelect, CollapsedItShowsTheChoiceThatMatchesTheParameter) {
  PanelsManager m;
  ASSERT_EQ(m.Load("<float name='pick' range='0,8' value='7'/>", kSelectViews, 100, 100, kSelectArt), 0);
  const char* names[] = {"c0", "c1", "c2"};
  const struct {
    double value;
    int shown;  // -1: none
  } cases[] = {{7, 1}, {0, 0}, {6.6, 1}, {2, 2}, {2.4, 2}, {5, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    m.Change("pick", c.value);
    for (int i = 0; i < 3; ++i) {
      ZView* choice = m.View(names[i]);
      ASSERT_EQ(choice->IsVisible(), i == c.shown) << names[i];
      if (i != c.shown) continue;
      EXPECT_TRUE(choice->IsOpen());
      // Inside the frame, narrowed by the icon's width + 2, centred in the 12-pixel height.
      const int h = i == 0 ? 8 : i == 1 ? 10 : 6;
      EXPECT_EQ(choice->GetRect(), ZRect(1, (12 - h) / 2, 1 + 48 - 8, (12 - h) / 2 + h));
    }
  }
  m.Change("pick", 0);  // c0 covers rows 2..9 of the box
  auto dc = m.Render();
  EXPECT_EQ(dc->GetPixel({10, 10}), Px(255, 0, 255));  // frame
  EXPECT_EQ(dc->GetPixel({11, 11}), Px(32, 32, 32));   // collapsed colour
  EXPECT_EQ(dc->GetPixel({15, 15}), Px(255, 0, 0));   // the choice
  EXPECT_EQ(dc->GetPixel({53, 15}), Px(255, 255, 255));  // the icon at the right, centred
  EXPECT_EQ(dc->GetPixel({51, 15}), Px(32, 32, 32));
}

TEST(PanelsStaticSelect, ExpandsOnAClickChoosesAndCollapses) {
  PanelsManager m;
  ASSERT_EQ(m.Load("<float name='pick' range='0,8' value='7'/>", kSelectViews, 100, 100, kSelectArt), 0);
  auto* select = m.Get<StaticSelect>("select");
  auto click = [&](ZPoint p) {
    m.Click(kLeftButton, p);
    m.ClickRelease(kLeftButton, p);
  };
  auto expectCollapsed = [&](double value) {
    EXPECT_FALSE(select->IsExpanded());
    EXPECT_EQ(select->GetRect(), ZRect(10, 10, 60, 22));
    EXPECT_EQ(m.HeldPane(), nullptr);
    EXPECT_NEAR(m.Value("pick"), value, 1e-6);
  };
  auto expand = [&] {
    click({20, 15});  // on the shown choice: the select takes it
    ASSERT_TRUE(select->IsExpanded());
    EXPECT_EQ(m.HeldPane(), select);
  };
  expand();
  // All choices one below the other inside the frame, as wide as the select.
  EXPECT_EQ(select->GetRect(), ZRect(10, 10, 60, 10 + 8 + 10 + 6 + 2));
  EXPECT_EQ(m.View("c0")->GetRect(), ZRect(1, 1, 49, 9));
  EXPECT_EQ(m.View("c1")->GetRect(), ZRect(1, 9, 49, 19));
  EXPECT_EQ(m.View("c2")->GetRect(), ZRect(1, 19, 49, 25));
  auto dc = m.Render();
  EXPECT_EQ(dc->GetPixel({30, 12}), Px(255, 0, 0));
  EXPECT_EQ(dc->GetPixel({30, 32}), Px(0, 0, 255));
  EXPECT_EQ(dc->GetPixel({10, 35}), Px(255, 0, 255));

  int begun = m.EditsBegun();
  click({30, 31});  // c2 takes no clicks: the select chooses it
  expectCollapsed(2);
  EXPECT_EQ(m.EditsBegun() - begun, 1);
  EXPECT_EQ(m.OpenEdits(), 0);
  EXPECT_TRUE(m.View("c2")->IsVisible());

  expand();
  TakeWindowEvents(m);
  begun = m.EditsBegun();
  click({90, 90});  // outside: no choice
  expectCollapsed(2);
  EXPECT_EQ(m.EditsBegun(), begun);
  EXPECT_EQ(TakeWindowEvents(m), std::vector<uint32_t>({kSysWindowInvalidateClick, kSysWindowCheckMousePosition}));

  expand();
  m.Change("pick", 7);  // someone else chose
  expectCollapsed(7);
  EXPECT_TRUE(m.View("c1")->IsVisible());

  // Near the window's bottom the list moves up to fit, and comes back down when it closes.
  select->SetPosition(10, 80);
  click({20, 85});
  EXPECT_EQ(select->GetRect(), ZRect(10, 74, 60, 100));
  click({90, 5});
  EXPECT_EQ(select->GetRect(), ZRect(10, 80, 60, 92));
}

// ---- scroll views

TEST(PanelsScrollView, BarsAppearWithTheContentAndScrollIt) {
  PanelsManager m;
  ASSERT_EQ(m.Load("", "<view size='100,100'><scrollview name='sv' size='60,40' scrollsize='8' backcolor='#303030'>"
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
  bottom->SetSize(50, 5);  // the content shrinks: back to the top, the bar goes
  m.Idle(now += 20);
  EXPECT_EQ(sv->Client().GetScrollOffset(), ZPoint(0, 0));
  EXPECT_FALSE(m.Wheel(0, {10, 10}, -1.0f));  // no bar shows: the wheel is not taken
}

TEST(PanelsScrollView, BarsWithoutAutohideShowAlwaysAndTakeTheBordersColour) {
  PanelsManager m;
  ASSERT_EQ(m.Load("", "<scrollview name='sv' size='60,40' scrollsize='8' autohide='no' hashscroll='no' "
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
  const struct {
    const char* tag;
    const char* children;
    uint32_t flags;
  } types[] = {
      {"hscrollbar", "", kScrollBarFlags},
      {"vscrollbar", "", kScrollBarFlags},
      {"scrollview", "", kScrollViewFlags},
      {"pagecontainer", "<view/>", kDefaultFlags},
      {"popupcontainer", "", kPopupContainerFlags},
      {"staticselect", "<view/>", kStaticSelectFlags},
  };
  for (const auto& t : types) {
    PanelsManager m;
    const std::string tag(t.tag);
    ASSERT_EQ(m.Load("", "<view><" + tag + " name='x' flags='wantfocus'>" + t.children + "</" + tag + "></view>", 10, 10),
              0)
        << tag;
    EXPECT_EQ(m.View("x")->GetFlags(), t.flags | kWantFocus) << tag;
  }
}

}  // namespace
}  // namespace ZTools
